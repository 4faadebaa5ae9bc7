#pragma once
#include <string>

// Text folded for telling whether two texts say the same: NFKC with case folded and the
// default-ignorable characters removed (utf8proc's NFKC_Casefold), format characters
// dropped too, each run of white space one space, white space and punctuation trimmed at
// both ends. UTF-8 in and out; malformed bytes become U+FFFD. The result is for comparing
// and hashing only, never for showing.
std::string FoldForComparison(const std::string& utf8);
