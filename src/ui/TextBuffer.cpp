#include "ui/TextBuffer.h"

#include <algorithm>
#include <cstring>

namespace {

bool IsWordChar(char16_t c)
{
    if (c < 0x80) return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_';
    // Beyond ASCII only spaces and punctuation of the general block end a word.
    return !(c == 0xA0 || (c >= 0x2000 && c <= 0x206F) || c == 0x3000 || c == 0xFEFF);
}

bool IsSpaceChar(char16_t c) { return c == u' ' || c == u'\t' || c == 0xA0 || c == 0x3000; }

// A word move's classes: line breaks, spaces, word characters, the rest (punctuation).
int CharClass(char16_t c) { return c == u'\r' || c == u'\n' ? 0 : IsSpaceChar(c) ? 1 : IsWordChar(c) ? 2 : 3; }

} // namespace

void TextBuffer::SetText(std::u16string_view text)
{
    // A spare gap keeps typing after a large text from reallocating at once.
    std::vector<char16_t> buffer(text.size() + 4096);
    std::copy(text.begin(), text.end(), buffer.begin());
    buffer_.swap(buffer);
    gapStart_ = text.size();
    gapSize_ = 4096;
    lineStarts_.assign(1, 0);
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] == u'\n') lineStarts_.push_back(static_cast<uint32_t>(i + 1));
    longestLine_ = 0;
    NoteLongest(0, lineStarts_.size() - 1);
}

void TextBuffer::CopyTo(size_t start, size_t end, char16_t* out) const
{
    end = std::min(end, Size());
    if (start >= end) return;
    const size_t before = start < gapStart_ ? std::min(end, gapStart_) - start : 0;
    if (before) std::memcpy(out, buffer_.data() + start, before * sizeof(char16_t));
    if (end > start + before) {
        const size_t from = std::max(start, gapStart_) + gapSize_;
        std::memcpy(out + before, buffer_.data() + from, (end - start - before) * sizeof(char16_t));
    }
}

std::u16string TextBuffer::Range(size_t start, size_t end) const
{
    end = std::min(end, Size());
    if (start >= end) return {};
    std::u16string out(end - start, u'\0');
    CopyTo(start, end, out.data());
    return out;
}

std::u16string_view TextBuffer::Text()
{
    MoveGap(Size());
    return std::u16string_view(buffer_.data(), Size());
}

void TextBuffer::MoveGap(size_t offset)
{
    if (offset < gapStart_) {
        const size_t count = gapStart_ - offset;
        std::memmove(buffer_.data() + offset + gapSize_, buffer_.data() + offset, count * sizeof(char16_t));
    } else if (offset > gapStart_) {
        const size_t count = offset - gapStart_;
        std::memmove(buffer_.data() + gapStart_, buffer_.data() + gapStart_ + gapSize_, count * sizeof(char16_t));
    }
    gapStart_ = offset;
}

void TextBuffer::Replace(size_t start, size_t end, std::u16string_view text)
{
    const size_t size = Size();
    end = std::min(end, size);
    start = std::min(start, end);
    MoveGap(start);
    gapSize_ += end - start; // the removed characters join the gap
    if (gapSize_ < text.size()) {
        // Grown by an eighth besides, so that many small edits reallocate rarely.
        const size_t gap = text.size() + std::max<size_t>(4096, (size - (end - start) + text.size()) / 8);
        std::vector<char16_t> buffer(size - (end - start) + gap);
        std::copy(buffer_.begin(), buffer_.begin() + gapStart_, buffer.begin());
        std::copy(buffer_.begin() + gapStart_ + gapSize_, buffer_.end(), buffer.begin() + gapStart_ + gap);
        buffer_.swap(buffer);
        gapSize_ = gap;
    }
    std::copy(text.begin(), text.end(), buffer_.begin() + gapStart_);
    gapStart_ += text.size();
    gapSize_ -= text.size();

    // Line starts after a removed LF go; those after an inserted one come; later ones move.
    const auto first = std::upper_bound(lineStarts_.begin(), lineStarts_.end(), start);
    const auto last = std::upper_bound(first, lineStarts_.end(), end);
    const int64_t delta = static_cast<int64_t>(text.size()) - static_cast<int64_t>(end - start);
    for (auto it = last; it != lineStarts_.end(); ++it) *it = static_cast<uint32_t>(*it + delta);
    std::vector<uint32_t> added;
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] == u'\n') added.push_back(static_cast<uint32_t>(start + i + 1));
    const size_t at = first - lineStarts_.begin();
    if (static_cast<size_t>(last - first) >= added.size()) {
        std::copy(added.begin(), added.end(), lineStarts_.begin() + at);
        lineStarts_.erase(lineStarts_.begin() + at + added.size(), lineStarts_.begin() + (last - lineStarts_.begin()));
    } else {
        const size_t kept = last - first;
        std::copy(added.begin(), added.begin() + kept, lineStarts_.begin() + at);
        lineStarts_.insert(lineStarts_.begin() + at + kept, added.begin() + kept, added.end());
    }
    const size_t line = at ? at - 1 : 0;
    NoteLongest(line, line + added.size());
}

void TextBuffer::NoteLongest(size_t firstLine, size_t lastLine)
{
    for (size_t line = firstLine; line <= lastLine && line < lineStarts_.size(); ++line)
        longestLine_ = std::max(longestLine_, LineEnd(line) - lineStarts_[line]);
}

size_t TextBuffer::LineOf(size_t offset) const
{
    return std::upper_bound(lineStarts_.begin(), lineStarts_.end(), std::min(offset, Size())) - lineStarts_.begin() - 1;
}

size_t TextBuffer::LineEnd(size_t line) const
{
    if (line + 1 >= lineStarts_.size()) return Size();
    size_t end = lineStarts_[line + 1] - 1; // the LF
    if (end > lineStarts_[line] && At(end - 1) == u'\r') --end;
    return end;
}

size_t TextBuffer::NextPlace(size_t offset) const
{
    const size_t size = Size();
    if (offset >= size) return size;
    if (At(offset) == u'\r' && offset + 1 < size && At(offset + 1) == u'\n') return offset + 2;
    if (At(offset) >= 0xD800 && At(offset) < 0xDC00 && offset + 1 < size && At(offset + 1) >= 0xDC00 &&
        At(offset + 1) < 0xE000)
        return offset + 2;
    return offset + 1;
}

size_t TextBuffer::PreviousPlace(size_t offset) const
{
    offset = std::min(offset, Size());
    if (offset == 0) return 0;
    if (offset >= 2 && At(offset - 1) == u'\n' && At(offset - 2) == u'\r') return offset - 2;
    if (offset >= 2 && At(offset - 1) >= 0xDC00 && At(offset - 1) < 0xE000 && At(offset - 2) >= 0xD800 &&
        At(offset - 2) < 0xDC00)
        return offset - 2;
    return offset - 1;
}

size_t TextBuffer::NextWord(size_t offset) const
{
    const size_t size = Size();
    if (offset >= size) return size;
    const int cls = CharClass(At(offset));
    if (cls == 0) return NextPlace(offset);
    while (offset < size && CharClass(At(offset)) == cls) ++offset;
    while (offset < size && CharClass(At(offset)) == 1) ++offset; // and the spaces after it
    return offset;
}

size_t TextBuffer::PreviousWord(size_t offset) const
{
    offset = std::min(offset, Size());
    while (offset > 0 && CharClass(At(offset - 1)) == 1) --offset;
    if (offset == 0) return 0;
    const int cls = CharClass(At(offset - 1));
    if (cls == 0) return PreviousPlace(offset);
    while (offset > 0 && CharClass(At(offset - 1)) == cls) --offset;
    return offset;
}

void TextBuffer::WordAt(size_t offset, size_t& start, size_t& end) const
{
    const size_t size = Size();
    offset = std::min(offset, size);
    start = end = offset;
    if (offset == size || CharClass(At(offset)) == 0) return;
    const int cls = CharClass(At(offset));
    while (start > 0 && CharClass(At(start - 1)) == cls) --start;
    while (end < size && CharClass(At(end)) == cls) ++end;
}

size_t FollowEdits(size_t offset, const std::vector<TextEdit>& edits)
{
    long long moved = 0;
    for (const TextEdit& e : edits) {
        if (offset <= e.start) break;
        if (offset < e.start + e.removed)
            return static_cast<size_t>(static_cast<long long>(e.start) + moved) + std::min(offset - e.start, e.inserted);
        moved += static_cast<long long>(e.inserted) - static_cast<long long>(e.removed);
    }
    return static_cast<size_t>(static_cast<long long>(offset) + moved);
}
