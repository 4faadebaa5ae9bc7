#pragma once
#include <string>

// UTF-16 (user interface) <-> UTF-8 (document, disk). Malformed input becomes U+FFFD,
// embedded NULs are kept, a byte-order mark converts like any other character.
std::string w2s(const std::u16string& text);
std::u16string s2w(const std::string& bytes);
// The bytes as UTF-8 that s2w then w2s would give (each malformed sequence a U+FFFD),
// without a UTF-16 copy when they are valid already.
std::string ValidUtf8(std::string bytes);
// s2w with every line end (LF, CR or CR LF) made CR LF, in the same pass.
std::u16string s2wCrlf(const std::string& bytes);

// Decimal text of an unsigned number, as UTF-16 (for counts in messages).
std::u16string DecimalW(unsigned long long value);

// The first `chars` characters of UTF-8 text (a character's continuation bytes kept with it).
std::string FirstUtf8Chars(const std::string& text, size_t chars);
// One code point (at most U+10FFFF) appended as UTF-8.
void AppendUtf8(std::string& out, char32_t cp);
