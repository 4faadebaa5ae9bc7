#include "find/FindLogic.h"

#include <algorithm>
#include <functional>

namespace {

char16_t Fold(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

struct FoldedHash {
    size_t operator()(char16_t c) const { return std::hash<char16_t>()(Fold(c)); }
};
struct FoldedEqual {
    bool operator()(char16_t a, char16_t b) const { return Fold(a) == Fold(b); }
};

using Iter = std::u16string_view::const_iterator;

// One searcher per pattern, reused for every match of a pass: a skipping search that
// compares folded code units in place.
class Searcher {
public:
    Searcher(std::u16string_view pattern, bool matchCase)
        : matchCase_(matchCase), exact_(pattern.begin(), pattern.end()), folded_(pattern.begin(), pattern.end())
    {
    }
    size_t Find(std::u16string_view text, size_t from) const
    {
        const Iter begin = text.begin() + static_cast<std::ptrdiff_t>(from);
        const Iter at = matchCase_ ? std::search(begin, text.end(), exact_) : std::search(begin, text.end(), folded_);
        return at == text.end() ? kNotFound : static_cast<size_t>(at - text.begin());
    }

private:
    bool matchCase_;
    std::boyer_moore_horspool_searcher<Iter> exact_;
    std::boyer_moore_horspool_searcher<Iter, FoldedHash, FoldedEqual> folded_;
};

} // namespace

size_t FindSubstring(std::u16string_view text, std::u16string_view pattern, bool matchCase, size_t from)
{
    if (pattern.empty() || from > text.size()) return kNotFound;
    return Searcher(pattern, matchCase).Find(text, from);
}

bool EqualsText(std::u16string_view a, std::u16string_view b, bool matchCase)
{
    if (a.size() != b.size()) return false;
    if (matchCase) return a == b;
    for (size_t i = 0; i < a.size(); ++i)
        if (Fold(a[i]) != Fold(b[i])) return false;
    return true;
}

size_t FindNextMatch(std::u16string_view text, std::u16string_view pattern, bool matchCase, size_t selectionEnd)
{
    size_t at = FindSubstring(text, pattern, matchCase, selectionEnd);
    if (at == kNotFound && selectionEnd != 0) at = FindSubstring(text, pattern, matchCase, 0);
    return at;
}

std::u16string ReplaceAllMatches(std::u16string_view text, std::u16string_view find, std::u16string_view replacement,
                                 bool matchCase, size_t& count)
{
    count = 0;
    std::u16string out;
    if (find.empty()) return std::u16string(text);
    const Searcher searcher(find, matchCase);
    size_t copied = 0;
    for (size_t at = searcher.Find(text, 0); at != kNotFound; at = searcher.Find(text, copied)) {
        if (count == 0) out.reserve(text.size() + (replacement.size() > find.size() ? text.size() / 8 : 0));
        out.append(text.substr(copied, at - copied)).append(replacement);
        copied = at + find.size();
        ++count;
    }
    if (count == 0) return std::u16string(text);
    out.append(text.substr(copied));
    return out;
}

std::u16string ReplacedCountText(size_t count)
{
    std::u16string digits;
    for (size_t n = count;; n /= 10) {
        digits.insert(digits.begin(), static_cast<char16_t>(u'0' + n % 10));
        if (n < 10) break;
    }
    return u"Replaced " + digits + (count == 1 ? u" occurrence." : u" occurrences.");
}

ReplaceCheck CheckReplace(const FindMatch& match, size_t selStart, size_t selEnd, std::u16string_view text,
                          std::u16string_view find, bool matchCase)
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
