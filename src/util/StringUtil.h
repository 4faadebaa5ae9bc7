#pragma once
#include <string>
#include <string_view>

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

// UTF-8, one rule everywhere: a malformed sequence, up to the byte where it stops being a
// valid prefix (its "maximal subpart"), stands for one U+FFFD.
// The sequence at text[i]: true with its code point and `next` just past it when it is
// well-formed; else false with `next` past the bytes one U+FFFD stands for.
bool DecodeUtf8(std::string_view text, size_t i, char32_t& cp, size_t& next);
// Whether all of `text` is well-formed UTF-8.
bool IsValidUtf8(std::string_view text);
// One code point (at most U+10FFFF) appended as UTF-8.
void AppendUtf8(std::string& out, char32_t cp);
// Whether the byte continues a character rather than starting one.
inline bool IsUtf8Continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }
// The number of UTF-8 characters (code points) in `text`.
size_t Utf8CharCount(std::string_view text);
// The first `chars` characters of UTF-8 text (a character's continuation bytes kept with it).
std::string FirstUtf8Chars(std::string_view text, size_t chars);

// A CSV field: quoted when it is empty (a row of one empty field is then no blank line) or
// holds a comma, a quote or a line break. A text a spreadsheet would run as a formula
// (starting with =, +, -, @, a tab or CR) gets a leading ', unless it is a plain number
// such as -3.5.
std::string CsvField(const std::string& text);
// A count with its thousands grouped: 5250 -> "5,250".
std::string GroupedNumber(unsigned long long n);
