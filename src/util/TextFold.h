#pragma once
#include <string>

// Text folded for telling whether two texts say the same: compatibility decomposition
// (equal results exactly when the NFKC forms are equal), full case folding, format
// characters dropped, each run of white space one space, white space and punctuation
// trimmed at both ends. UTF-8 in and out; malformed bytes become U+FFFD. The result is
// for comparing and hashing only, never for showing.
std::string FoldForComparison(const std::string& utf8);
