#include <gtest/gtest.h>

#include <random>

#include "ui/TextBuffer.h"

namespace {

// The lines of a plain string, as the buffer must keep them: starts after each LF.
std::vector<size_t> LineStartsOf(const std::u16string& text)
{
    std::vector<size_t> starts{0};
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] == u'\n') starts.push_back(i + 1);
    return starts;
}

void ExpectSame(TextBuffer& buffer, const std::u16string& text)
{
    ASSERT_EQ(buffer.Size(), text.size());
    EXPECT_EQ(buffer.Range(0, text.size()), text);
    const std::vector<size_t> starts = LineStartsOf(text);
    ASSERT_EQ(buffer.LineCount(), starts.size());
    for (size_t line = 0; line < starts.size(); ++line) {
        ASSERT_EQ(buffer.LineStart(line), starts[line]) << "line " << line;
        ASSERT_EQ(buffer.LineOf(starts[line]), line);
        size_t end = line + 1 < starts.size() ? starts[line + 1] - 1 : text.size();
        if (end > starts[line] && text[end - 1] == u'\r') --end;
        ASSERT_EQ(buffer.LineEnd(line), end) << "line " << line;
    }
    EXPECT_EQ(std::u16string(buffer.Text()), text);
}

} // namespace

// Edits at random places, of random sizes, with and without line breaks, against a plain
// string: the gap, its growth and the line starts must always give the same text and lines.
TEST(TextBuffer, RandomEditsKeepTextAndLines)
{
    std::mt19937 random(7);
    const std::u16string pieces[] = {u"", u"a", u"\r\n", u"item\r\nline two\r\n", u"\n\n", u"x\ry", u"\r",
                                     std::u16string(5000, u'z') + u"\r\n"};
    TextBuffer buffer;
    std::u16string text = u"first\r\nsecond\r\n";
    buffer.SetText(text);
    for (int step = 0; step < 3000; ++step) {
        const size_t a = random() % (text.size() + 1), b = random() % (text.size() + 1);
        const size_t start = std::min(a, b), end = std::max(a, b) - (random() % 4 ? (std::max(a, b) - std::min(a, b)) : 0);
        const std::u16string& with = pieces[random() % std::size(pieces)];
        buffer.Replace(start, end, with);
        text.replace(start, end - start, with);
        if (step % 100 == 0) buffer.Text(); // the gap moved to the end, as a reader of the whole text does
        if (step % 300 == 0) {
            ASSERT_NO_FATAL_FAILURE(ExpectSame(buffer, text)) << "step " << step;
        }
    }
    ExpectSame(buffer, text);
}

TEST(TextBuffer, ReplaceClampsAndCountsTheLongestLine)
{
    TextBuffer buffer;
    buffer.SetText(u"ab\r\ncdef\r\ng");
    EXPECT_EQ(buffer.LongestLine(), 4u);
    buffer.Replace(20, 30, u"!"); // past the end: appended
    buffer.Replace(9, 3, u"");    // reversed: taken in order, nothing removed past the text
    ExpectSame(buffer, u"ab\r\ncdef\r\ng!");
    buffer.Replace(0, 0, std::u16string(10, u'w'));
    EXPECT_EQ(buffer.LongestLine(), 12u);
    buffer.SetText(u"");
    ExpectSame(buffer, u"");
    EXPECT_EQ(buffer.LineCount(), 1u);
}

TEST(TextBuffer, CaretStepsOverLineBreaksSurrogatesAndWords)
{
    TextBuffer buffer;
    buffer.SetText(u"ab\r\n\xD83D\xDE00 c,  word_2\r\nx");
    EXPECT_EQ(buffer.NextPlace(2), 4u); // CR LF is one step
    EXPECT_EQ(buffer.PreviousPlace(4), 2u);
    EXPECT_EQ(buffer.NextPlace(4), 6u); // and so is a surrogate pair
    EXPECT_EQ(buffer.PreviousPlace(6), 4u);
    EXPECT_EQ(buffer.NextPlace(buffer.Size()), buffer.Size());
    EXPECT_EQ(buffer.PreviousPlace(0), 0u);

    // Ctrl+Right: over the word and the spaces after it; punctuation is a word of its own.
    EXPECT_EQ(buffer.NextWord(0), 2u);
    EXPECT_EQ(buffer.NextWord(2), 4u);
    EXPECT_EQ(buffer.NextWord(7), 8u);  // "c"
    EXPECT_EQ(buffer.NextWord(8), 11u); // ",  "
    EXPECT_EQ(buffer.PreviousWord(17), 11u);
    EXPECT_EQ(buffer.PreviousWord(11), 8u);
    EXPECT_EQ(buffer.PreviousWord(4), 2u);
    size_t start = 0, end = 0;
    buffer.WordAt(13, start, end);
    EXPECT_EQ(buffer.Range(start, end), u"word_2");
    buffer.WordAt(2, start, end); // on a line break: nothing
    EXPECT_EQ(start, end);
}

// Tabs in a proportional font: 10 pixels a character, 4 for an 'i', stops every 80.
TEST(TextBuffer, TabsGoToTheNextStopInPixels)
{
    const std::u16string_view line = u"ab\tiiii\tc\tabcdefghi\tz";
    auto width = [&](size_t a, size_t b) {
        long long w = 0;
        for (size_t i = a; i < b; ++i) w += line[i] == u'i' ? 4 : 10;
        return w;
    };
    auto fit = [&](size_t a, size_t b, long long room) {
        size_t n = 0;
        for (long long w = 0; a + n < b && (w += line[a + n] == u'i' ? 4 : 10) <= room;) ++n;
        return n;
    };
    const struct {
        size_t count;
        long long x;
    } places[] = {
        {0, 0}, {2, 20}, {3, 80},  // after the first tab: the stop, whatever came before
        {7, 96}, {8, 160},          // four narrow characters, then the next stop
        {10, 240}, {19, 324},       // a run past a stop goes to the stop after it
        {20, 400}, {21, 410},
    };
    for (const auto& p : places) EXPECT_EQ(TabbedX(line, p.count, 80, width), p.x) << p.count;
    for (const auto& p : places) EXPECT_EQ(TabbedFit(line, p.x, 80, fit, width), p.count) << p.x;
    EXPECT_EQ(TabbedFit(line, 79, 80, fit, width), 2u);  // inside a tab's gap: before the tab
    EXPECT_EQ(TabbedFit(line, 5000, 80, fit, width), line.size());
    EXPECT_EQ(TabbedX(u"plain", 3, 80, [](size_t a, size_t b) { return static_cast<long long>(b - a) * 7; }), 21);
}

// "Q1 text|Q2 text|Q3" with Q1 grown and Q3 shrunk: every place stays on its character.
TEST(TextBuffer, PlacesFollowTheTextAcrossReplacements)
{
    const std::vector<TextEdit> edits{{0, 2, 5}, {10, 4, 1}};
    const struct {
        size_t before, after;
    } cases[] = {
        {0, 0},  // at the start of a replaced range: before it
        {1, 1},  // inside: the same distance from the range's start
        {2, 5},  // just after a range: moved by what it grew
        {7, 10}, // between ranges
        {10, 13}, {12, 14}, // inside a shrunk range: as far as it reaches
        {14, 14}, {20, 20}, // after both: moved by the sum
    };
    for (const auto& c : cases) EXPECT_EQ(FollowEdits(c.before, edits), c.after) << "from " << c.before;
    EXPECT_EQ(FollowEdits(5, {}), 5u);
}
