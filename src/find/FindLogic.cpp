#include "find/FindLogic.h"

#include <algorithm>
#include <functional>

namespace {

char16_t Fold(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

std::u16string Folded(const std::u16string& text, size_t from = 0)
{
    std::u16string out(text, from);
    for (char16_t& c : out) c = Fold(c);
    return out;
}

} // namespace

size_t FindSubstring(const std::u16string& text, const std::u16string& pattern, bool matchCase, size_t from)
{
    if (pattern.empty() || from > text.size()) return kNotFound;
    if (matchCase) return text.find(pattern, from);
    // Folded copies and a skipping search: linear on the large texts of a raw view.
    const std::u16string hay = Folded(text, from);
    const std::u16string needle = Folded(pattern);
    const auto at = std::search(hay.begin(), hay.end(),
                                std::boyer_moore_horspool_searcher<std::u16string::const_iterator>(needle.begin(),
                                                                                                   needle.end()));
    return at == hay.end() ? kNotFound : from + static_cast<size_t>(at - hay.begin());
}

bool EqualsText(const std::u16string& a, const std::u16string& b, bool matchCase)
{
    if (a.size() != b.size()) return false;
    if (matchCase) return a == b;
    for (size_t i = 0; i < a.size(); ++i)
        if (Fold(a[i]) != Fold(b[i])) return false;
    return true;
}

size_t FindNextMatch(const std::u16string& text, const std::u16string& pattern, bool matchCase, size_t selectionEnd)
{
    size_t at = FindSubstring(text, pattern, matchCase, selectionEnd);
    if (at == kNotFound && selectionEnd != 0) at = FindSubstring(text, pattern, matchCase, 0);
    return at;
}

ReplaceCheck CheckReplace(const FindMatch& match, size_t selStart, size_t selEnd, const std::u16string& text,
                          const std::u16string& find, bool matchCase)
{
    if (find.empty()) return ReplaceCheck::EmptyFind;
    if (!match.has) return ReplaceCheck::NoMatch;
    if (selStart != match.start || selEnd != match.end) return ReplaceCheck::SelectionMoved;
    if (selEnd > text.size() || selEnd < selStart) return ReplaceCheck::OutOfRange;
    if (!EqualsText(text.substr(selStart, selEnd - selStart), find, matchCase)) return ReplaceCheck::TextDiffers;
    return ReplaceCheck::Ok;
}

const char16_t* ReplaceRefusalText(ReplaceCheck check)
{
    switch (check) {
    case ReplaceCheck::EmptyFind: return u"Enter text to find.";
    case ReplaceCheck::NoMatch:
    case ReplaceCheck::SelectionMoved: return u"Use Find Next first so the match is highlighted.";
    case ReplaceCheck::OutOfRange: return u"Selection is out of range.";
    case ReplaceCheck::TextDiffers: return u"The highlighted text doesn't match the Find text.";
    case ReplaceCheck::Ok: break;
    }
    return u"";
}
