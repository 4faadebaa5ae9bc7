#pragma once
// Searching the raw view's text: UTF-16 code units and the edit control's selection
// positions, without a window.
#include <cstddef>
#include <string>
#include <string_view>

constexpr size_t kNotFound = static_cast<size_t>(-1);

// The first occurrence of `pattern` at or after `from`; without `matchCase` code units are
// compared after ASCII case folding, each on its own. kNotFound for an empty pattern or
// `from` beyond the text. Linear up to the match found, without copying the text.
size_t FindSubstring(std::u16string_view text, std::u16string_view pattern, bool matchCase, size_t from);
bool EqualsText(std::u16string_view a, std::u16string_view b, bool matchCase);
// Find Next: from the end of the selection, then once more from the start when that
// found nothing and did not start there.
size_t FindNextMatch(std::u16string_view text, std::u16string_view pattern, bool matchCase, size_t selectionEnd);
// Replace All: every match, left to right and not overlapping, replaced literally in one
// pass. `count` is how many.
std::u16string ReplaceAllMatches(std::u16string_view text, std::u16string_view find, std::u16string_view replacement,
                                 bool matchCase, size_t& count);
// "Replaced 15 occurrences." (1: "occurrence").
std::u16string ReplacedCountText(size_t count);

// The match that Find Next highlighted.
struct FindMatch {
    bool has = false;
    size_t start = 0, end = 0;
};

// Why Replace refuses, checked in this order.
enum class ReplaceCheck { Ok, EmptyFind, NoMatch, SelectionMoved, OutOfRange, TextDiffers };
ReplaceCheck CheckReplace(const FindMatch& match, size_t selStart, size_t selEnd, std::u16string_view text,
                          std::u16string_view find, bool matchCase);
// The message box text of a refusal (caption "Replace").
const char16_t* ReplaceRefusalText(ReplaceCheck check);
