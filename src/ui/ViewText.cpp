#include "ui/ViewText.h"

#include <algorithm>

#include "util/StringUtil.h"

size_t LongestLineLength(std::u16string_view text)
{
    size_t longest = 0, start = 0;
    while (start <= text.size()) {
        size_t end = text.find(u'\n', start);
        if (end == std::u16string_view::npos) end = text.size();
        size_t length = end - start;
        if (end < text.size())
            while (length > 0 && text[start + length - 1] == u'\r') --length; // CR LF, or a soft break
        if (length > longest) longest = length;
        start = end + 1;
    }
    return longest;
}

namespace {

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }

// Where a piece of a long line starting at `start` ends: after a space or comma in its
// second half, else at the limit (one earlier when that would split a surrogate pair).
size_t PieceEnd(const std::u16string& text, size_t start, size_t limit)
{
    const size_t hardEnd = start + limit;
    for (size_t i = hardEnd; i > start + limit / 2; --i)
        if (text[i - 1] == u' ' || text[i - 1] == u',') return i;
    if (IsHighSurrogate(text[hardEnd - 1]) && limit > 1) return hardEnd - 1;
    return hardEnd;
}

} // namespace

namespace {

// Calls `at(position)` for each place where BreakLongLines breaks `text`, in order, until
// it returns false.
template <class F>
void ForEachBreak(const std::u16string& text, size_t limit, F at)
{
    if (limit == 0) return;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(u'\n', start);
        end = end == std::u16string::npos ? text.size() : end + 1;
        size_t contentEnd = end;
        if (contentEnd > start && text[contentEnd - 1] == u'\n') --contentEnd;
        if (contentEnd > start && text[contentEnd - 1] == u'\r') --contentEnd;
        for (size_t piece = start; contentEnd - piece > limit;) {
            piece = PieceEnd(text, piece, limit);
            if (!at(piece)) return;
        }
        start = end;
    }
}

} // namespace

std::u16string BreakLongLines(const std::u16string& text, size_t limit, const std::u16string& lineBreak)
{
    if (limit == 0 || LongestLineLength(text) <= limit) return text;
    std::u16string out;
    out.reserve(text.size() + text.size() / limit * lineBreak.size() + 16);
    size_t copied = 0;
    ForEachBreak(text, limit, [&](size_t piece) {
        out.append(text, copied, piece - copied);
        out += lineBreak;
        copied = piece;
        return true;
    });
    out.append(text, copied, std::u16string::npos);
    return out;
}

size_t ShownOffset(const std::u16string& text, size_t limit, size_t breakSize, size_t offset, bool afterBreak)
{
    size_t added = 0;
    ForEachBreak(text, limit, [&](size_t piece) {
        if (piece > offset || (piece == offset && !afterBreak)) return false;
        added += breakSize;
        return true;
    });
    return offset + added;
}

size_t SourceOffset(const std::u16string& text, size_t limit, size_t breakSize, size_t shown)
{
    size_t removed = 0;
    ForEachBreak(text, limit, [&](size_t piece) {
        if (piece + removed >= shown) return false; // at or before the break as shown
        removed += std::min(breakSize, shown - (piece + removed));
        return shown > piece + removed;
    });
    return shown - removed;
}

std::u16string RemoveSoftBreaks(const std::u16string& text)
{
    std::u16string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' && text.compare(i, 3, kSoftBreak) == 0) {
            i += 2;
            continue;
        }
        out += text[i];
    }
    return out;
}

std::u16string CutForDisplay(const std::u16string& text, size_t limit)
{
    if (text.size() <= limit) return text;
    std::u16string cut = text.substr(0, limit);
    if (!cut.empty() && IsHighSurrogate(cut.back())) cut.pop_back(); // a pair stays whole
    if (!cut.empty() && cut.back() == u'\r') cut.pop_back();         // and a line break
    return cut + u" \u2026 (" + DecimalW(text.size()) + u" characters, shown cut; kept as stored)";
}

void AppendShownListingPart(const std::string& utf8, std::u16string& shown)
{
    const size_t start = shown.size();
    if (std::all_of(utf8.begin(), utf8.end(), [](char c) { return c > 0 && c < 0x80; })) {
        shown.append(utf8.begin(), utf8.end());
        if (LongestLineLength(std::u16string_view(shown).substr(start)) <= kDisplayLineLimit) return;
        shown.resize(start);
    }
    std::u16string part = BreakLongLines(s2w(utf8), kDisplayLineLimit, u"\r\n");
    MakeNulsVisible(part);
    shown += part;
}

std::u16string ShownListingPart(const std::string& utf8)
{
    std::u16string shown;
    AppendShownListingPart(utf8, shown);
    return shown;
}

std::u16string ShownItemBlock(const json& item)
{
    std::string block;
    AppendItemListing(block, item);
    return ShownListingPart(block);
}

bool ShownDocumentListing(const json& document, const NoteList& notes, std::u16string& shown,
                          std::vector<size_t>& parts)
{
    parts.clear();
    shown.clear();
    if (!document.is_object() || !document.contains("items") || !document["items"].is_array()) return false;
    try {
        shown = ShownListingPart(FormatNotesBlock(notes));
        parts.push_back(shown.size());
        // One buffer for every item's block: Wine's heap walks a long list of free blocks to
        // place a new one once a large document has been freed, so each item's own
        // allocations took the opening of a 100,000-item bank minutes.
        std::string block;
        for (const json& item : document["items"]) {
            block.clear();
            AppendItemListing(block, item);
            const size_t before = shown.size();
            AppendShownListingPart(block, shown);
            parts.push_back(shown.size() - before);
        }
    } catch (const std::exception&) {
        parts.clear();
        shown.clear();
        return false;
    }
    return true;
}

void MakeNulsVisible(std::u16string& text)
{
    for (char16_t& c : text)
        if (c == u'\0') c = u'\u2400';
}

std::string StoredTextFromShown(const std::u16string& typed, const std::string& stored)
{
    if (stored.find('\0') == std::string::npos || stored.find("\xE2\x90\x80") != std::string::npos) return w2s(typed);
    std::u16string text = typed;
    for (char16_t& c : text)
        if (c == u'\u2400') c = u'\0';
    return w2s(text);
}
