#pragma once
// Searching the raw view's text: UTF-16 code units and the edit control's selection
// positions, without a window.
#include <cstddef>
#include <string>

constexpr size_t kNotFound = static_cast<size_t>(-1);

// The first occurrence of `pattern` at or after `from`; without `matchCase` code units are
// compared after ASCII case folding, each on its own. kNotFound for an empty pattern or
// `from` beyond the text.
size_t FindSubstring(const std::u16string& text, const std::u16string& pattern, bool matchCase, size_t from);
bool EqualsText(const std::u16string& a, const std::u16string& b, bool matchCase);
// Find Next: from the end of the selection, then once more from the start when that
// found nothing and did not start there.
size_t FindNextMatch(const std::u16string& text, const std::u16string& pattern, bool matchCase, size_t selectionEnd);

// The match that Find Next highlighted.
struct FindMatch {
    bool has = false;
    size_t start = 0, end = 0;
};

// Why Replace refuses, checked in this order.
enum class ReplaceCheck { Ok, EmptyFind, NoMatch, SelectionMoved, OutOfRange, TextDiffers };
ReplaceCheck CheckReplace(const FindMatch& match, size_t selStart, size_t selEnd, const std::u16string& text,
                          const std::u16string& find, bool matchCase);
// The message box text of a refusal (caption "Replace").
const char16_t* ReplaceRefusalText(ReplaceCheck check);
