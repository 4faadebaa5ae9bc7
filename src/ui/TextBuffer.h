#pragma once
// The text of the main view: one buffer with a gap at the last edit and the start of every
// line, so that replacing an item's lines costs that item (and a pass over the line starts),
// not the whole listing. Lines end at LF; a CR before it belongs to the line break.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TextBuffer {
public:
    void SetText(std::u16string_view text);
    size_t Size() const { return buffer_.size() - gapSize_; }
    char16_t At(size_t offset) const { return offset < gapStart_ ? buffer_[offset] : buffer_[offset + gapSize_]; }
    // The characters [start, end), copied (they may straddle the gap).
    std::u16string Range(size_t start, size_t end) const;
    void CopyTo(size_t start, size_t end, char16_t* out) const;
    // The whole text in one piece: the gap is moved to the end first.
    std::u16string_view Text();
    // Replaces [start, end) (clamped, in order) with `text`.
    void Replace(size_t start, size_t end, std::u16string_view text);

    size_t LineCount() const { return lineStarts_.size(); }
    size_t LineOf(size_t offset) const;
    size_t LineStart(size_t line) const { return line < lineStarts_.size() ? lineStarts_[line] : Size(); }
    // Where the line's characters end: before its CR LF (or LF).
    size_t LineEnd(size_t line) const;
    // The most characters any line has held since the text was set: the width to scroll over.
    size_t LongestLine() const { return longestLine_; }

    // A step of the caret: a CR LF is one step, as is a surrogate pair.
    size_t NextPlace(size_t offset) const;
    size_t PreviousPlace(size_t offset) const;
    // Word moves and the word under a place, as Ctrl+arrows and a double click take them.
    size_t NextWord(size_t offset) const;
    size_t PreviousWord(size_t offset) const;
    void WordAt(size_t offset, size_t& start, size_t& end) const;

private:
    void MoveGap(size_t offset);
    void NoteLongest(size_t firstLine, size_t lastLine);

    std::vector<char16_t> buffer_;
    size_t gapStart_ = 0, gapSize_ = 0;
    std::vector<uint32_t> lineStarts_{0};
    size_t longestLine_ = 0;
};

// A line as drawn: a tab goes to the next multiple of `tab` pixels, so that gaps are even
// in a proportional font. `width(a, b)` measures the characters [a, b), which hold no tab.
// Pixels from the line's start to character `count`:
template <class Width>
long long TabbedX(std::u16string_view line, size_t count, long long tab, Width width)
{
    long long x = 0;
    size_t run = 0;
    for (size_t t = line.find(u'\t'); t < count && t != std::u16string_view::npos; t = line.find(u'\t', run)) {
        x += width(run, t);
        x = (x / tab + 1) * tab;
        run = t + 1;
    }
    return x + width(run, count);
}
// How many characters from the line's start end within `extent` pixels; `fit(a, b, room)`
// gives how many of the characters [a, b) (no tab among them) fit in `room` pixels.
template <class Fit, class Width>
size_t TabbedFit(std::u16string_view line, long long extent, long long tab, Fit fit, Width width)
{
    long long x = 0;
    for (size_t run = 0;;) {
        const size_t t = std::min(line.find(u'\t', run), line.size());
        const size_t fits = run < t ? fit(run, t, extent - x) : 0;
        if (run + fits < t || t == line.size()) return run + fits;
        x = ((x + width(run, t)) / tab + 1) * tab;
        if (x > extent) return t;
        run = t + 1;
    }
}

// One replacement of [start, start + removed) by `inserted` characters.
struct TextEdit {
    size_t start = 0, removed = 0, inserted = 0;
};
// Where a place goes when `edits` (in order of start, apart, in the old text's places) are
// made: with the text it was on. A place inside a replaced range keeps its distance from
// the range's start, as far as the new text reaches.
size_t FollowEdits(size_t offset, const std::vector<TextEdit>& edits);
