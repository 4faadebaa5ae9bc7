#pragma once
// The text of the main view: one buffer with a gap at the last edit and the start of every
// line, so that replacing an item's lines costs that item (and a pass over the line starts),
// not the whole listing. Lines end at LF; a CR before it belongs to the line break.
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

// A line as drawn: tabs expanded to the next multiple of eight columns. `columns` gives,
// for each character and one past the last, its first column; empty when there is no tab.
void ExpandTabs(std::u16string_view line, std::u16string& shown, std::vector<uint32_t>& columns);
