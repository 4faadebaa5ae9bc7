#include <gtest/gtest.h>

#include <algorithm>

#include "TestUtil.h"
#include "ui/ViewText.h"
#include "util/StringUtil.h"

namespace {
std::string Format(const std::string& raw, NoteList notes = {})
{
    g_validationWarnings = std::move(notes);
    std::string out = U8(FormatTestbankJson(s2w(raw)));
    g_validationWarnings.clear();
    return out;
}
} // namespace

TEST(RawView, TwoSpaceIndentSortedKeysCrLf)
{
    const json doc = json::parse(R"({"items":[{"id":"Q1","b":"\u00e9","a":[1]}]})");
    EXPECT_EQ(U8(DumpJsonForRawView(doc)),
              "{\r\n  \"items\": [\r\n    {\r\n      \"a\": [\r\n        1\r\n      ],\r\n      \"b\": \"\xC3\xA9\",\r\n"
              "      \"id\": \"Q1\"\r\n    }\r\n  ]\r\n}");
    EXPECT_EQ(NormalizeNewlinesToCRLF(u"a\nb\rc\r\nd"), u"a\r\nb\r\nc\r\nd");
}

TEST(FormattedView, ItemBlocksByType)
{
    const std::string raw = R"({"items":[
      {"id":"Q1","type":"Multiple_Choice","category":"Cat","question":"Pick\none","objectives":{"MLO":"m","PLO":" "},
       "choices":{"B":"two","A":"one"},"correct":"B"},
      {"id":"Q2","type":"numerical","question":"n","answer":3.5},
      {"id":"Q3","type":"numerical","answer":"3.5","correct":"x"},
      {"id":"Q4","type":"true_false","correct":true},
      {"id":"Q5","type":"algorithmic","algorithm":{"template":"T","choice_count":4,"format":7,"parameters":{"x":[1,2]}}},
      {"id":"Q6","type":"essay"}]})";
    const std::string sep = "\r\n----------------------------------------\r\n\r\n";
    const std::string expected =
        "[Q1]\r\nType: Multiple_Choice\r\nCategory: Cat\r\nObjectives:\r\n  MLO: m\r\n  CLO: <missing>\r\n  PLO:  \r\n"
        "\r\nQuestion:\r\n  Pick\none\r\n\r\nChoices:\r\n  A) one\r\n  B) two\r\n\r\nCorrect/Answer: B\r\n" + sep +
        "[Q2]\r\nType: numerical\r\nCategory: \r\nObjectives:\r\n  MLO: <missing>\r\n  CLO: <missing>\r\n  PLO: <missing>\r\n"
        "\r\nQuestion:\r\n  n\r\n\r\nCorrect/Answer: 3.5\r\n" + sep +
        "[Q3]\r\nType: numerical\r\nCategory: \r\nObjectives:\r\n  MLO: <missing>\r\n  CLO: <missing>\r\n  PLO: <missing>\r\n"
        "\r\nQuestion:\r\n  \r\n\r\nCorrect/Answer: \"3.5\"\r\n" + sep +
        "[Q4]\r\nType: true_false\r\nCategory: \r\nObjectives:\r\n  MLO: <missing>\r\n  CLO: <missing>\r\n  PLO: <missing>\r\n"
        "\r\nQuestion:\r\n  \r\n\r\nCorrect/Answer: true\r\n" + sep +
        "[Q5]\r\nType: algorithmic\r\nCategory: \r\nObjectives:\r\n  MLO: <missing>\r\n  CLO: <missing>\r\n  PLO: <missing>\r\n"
        "\r\n(Algorithmic item)\r\n\r\nTemplate:\r\n  T\r\nChoice count: 4\r\n\r\nParameters: {\"x\":[1,2]}\r\n" + sep +
        "[Q6]\r\nType: essay\r\nCategory: \r\nObjectives:\r\n  MLO: <missing>\r\n  CLO: <missing>\r\n  PLO: <missing>\r\n"
        "\r\n(Unknown item type)\r\n" + sep;
    EXPECT_EQ(Format(raw), expected);
}

TEST(FormattedView, RecognisedSpellingsShowTheirBodies)
{
    const std::string listing = Format(R"({"items":[{"id":"a","type":"tf","question":"Q?","correct":"True"},
        {"id":"b","type":"Multiple Choice","question":"M?","choices":{"A":"x"}},{"id":"c","type":"essay"}]})");
    EXPECT_NE(listing.find("Type: tf\r\nCategory: \r\n"), std::string::npos); // the stored spelling
    EXPECT_NE(listing.find("Question:\r\n  Q?\r\n\r\nCorrect/Answer: True"), std::string::npos);
    EXPECT_NE(listing.find("Choices:\r\n  A) x"), std::string::npos);
    EXPECT_NE(listing.find("[c]\r\nType: essay"), std::string::npos);
    EXPECT_EQ(listing.find("(Unknown item type)"), listing.rfind("(Unknown item type)")); // only c

    std::u16string text(u"a\0b\0", 4);
    MakeNulsVisible(text);
    EXPECT_EQ(text, u"a\u2400b\u2400");
}

TEST(FormattedView, NotesBlockShowsAtMostThirty)
{
    auto shownLines = [](const std::string& text) {
        size_t count = 0;
        for (size_t at = text.find(" - n\r\n"); at != std::string::npos; at = text.find(" - n\r\n", at + 1)) ++count;
        return count;
    };
    EXPECT_EQ(Format(R"({"items":[]})"), "");
    EXPECT_EQ(Format(R"({"items":[]})", {u"one", u"two"}), "Validation notes (2):\r\n - one\r\n - two\r\n\r\n");
    // Notes of different kinds (no two alike once their numbers are set aside).
    NoteList thirty, many;
    for (size_t i = 0; i < 45; ++i) (i < 30 ? thirty : many).push_back(u"n" + std::u16string(i, u'x'));
    many.insert(many.begin(), thirty.begin(), thirty.end());
    const std::string thirtyText = Format(R"({"items":[]})", thirty);
    EXPECT_EQ(thirtyText.find("more)"), std::string::npos);
    EXPECT_EQ(shownLines(thirtyText), 1u);
    EXPECT_NE(thirtyText.find(" - n" + std::string(29, 'x') + "\r\n\r\n"), std::string::npos);
    const std::string manyText = Format(R"({"items":[]})", many);
    EXPECT_EQ(manyText.substr(0, 24), "Validation notes (45):\r\n");
    EXPECT_NE(manyText.find(" - n" + std::string(29, 'x') + "\r\n - ... (15 more)\r\n\r\n"), std::string::npos);
}

// One note per item becomes one line per kind; long lines wrap at a space.
TEST(FormattedView, NotesOfOneKindAreGroupedAndLongOnesWrapped)
{
    NoteList notes{u"Renamed top-level \"questions\" array to \"items\"."};
    for (int i = 1; i <= 5250; ++i) {
        std::u16string digits = DecimalW(i);
        notes.push_back(u"Item #" + DecimalW(i) + u" had no usable \"id\"; assigned AUTO_" +
                        std::u16string(4 - std::min<size_t>(4, digits.size()), u'0') + digits + u".");
        notes.push_back(u"Item [AUTO_" + digits + u"] missing learning outcomes: CLO, PLO");
    }
    notes.push_back(u"Item [Q1] missing learning outcomes: PLO");
    notes.push_back(u"Item [Q2] missing learning outcomes: PLO");
    EXPECT_EQ(U8(GroupRepeatedNotes(notes)),
              (std::vector<std::string>{
                  "Renamed top-level \"questions\" array to \"items\".",
                  "5,250 items had no usable \"id\": assigned AUTO_0001 ... AUTO_5250.",
                  "5,250 notes like this one (Item [AUTO_1], Item [AUTO_2], Item [AUTO_3] and 5,247 more): "
                  "Item [AUTO_1] missing learning outcomes: CLO, PLO",
                  "Item [Q1] missing learning outcomes: PLO", "Item [Q2] missing learning outcomes: PLO"}));
    const std::string text = Format(R"({"items":[]})", notes);
    EXPECT_EQ(text.rfind("Validation notes (10503):\r\n", 0), 0u);
    // The third line is wrapped: no line of the block is longer than the width plus its mark.
    size_t longest = 0;
    for (size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
        longest = std::max(longest, end - at);
    EXPECT_LE(longest, 113u);
    EXPECT_NE(text.find("\r\n   "), std::string::npos);
}

TEST(FormattedView, ErrorsStopTheListingWhereTheyHappen)
{
    EXPECT_EQ(Format("[]"), "Invalid testbank JSON: missing \"items\" array.\r\n");
    EXPECT_EQ(Format("{"), "JSON parse error: line 1, column 2: the text ends before the testbank is complete\r\n");

    // A bad category leaves no header for that item; a bad question leaves the header.
    const std::string badCategory = Format(R"({"items":[{"id":"a","type":"x"},{"id":"b","category":5}]})", {u"n"});
    EXPECT_EQ(badCategory.substr(0, 34), "Validation notes (1):\r\n - n\r\n\r\n[a]");
    EXPECT_NE(badCategory.find("(Unknown item type)"), std::string::npos);
    EXPECT_EQ(badCategory.find("[b]"), std::string::npos);
    const std::string tail = "----\r\n\r\nJSON parse error: [json.exception.type_error.302] type must be string, but is number\r\n";
    EXPECT_EQ(badCategory.substr(badCategory.size() - tail.size()), tail);

    const std::string badQuestion = Format(R"({"items":[{"id":"b","type":"mc","question":[]}]})");
    EXPECT_EQ(badQuestion.find("[b]\r\nType: mc"), 0u);

    const std::string badChoices = Format(R"({"items":[{"id":"c","type":"multiple_choice","choices":"x"}]})");
    EXPECT_NE(badChoices.find("JSON parse error: "), std::string::npos);
    for (const char* fine : {"null", "[]"}) {
        const std::string ok = Format(std::string(R"({"items":[{"id":"c","type":"multiple_choice","choices":)") + fine + "}]}");
        EXPECT_EQ(ok.find("JSON parse error"), std::string::npos) << fine;
    }
    EXPECT_NE(Format(R"({"items":[3]})").find("JSON parse error: "), std::string::npos);
}

// Display-only line breaks: no piece longer than the limit, preferably after a space or a
// comma, never inside a surrogate pair or a CR LF; taken out again, the text is whole.
// The listing made in parts is the listing the view is given whole, and each item's part
// is that item's block: replacing one part in place gives what a whole rebuild gives.
TEST(FormattedView, ShownInPartsAsWhole)
{
    Loaded l = LoadOk(std::string(R"({"items":[
        {"id":"A","type":"mc","question":"short","choices":{"A":"x","B":"y"},"correct":"B"},
        {"id":"B","type":"tf","question":")") + std::string(2500, 'q') + R"(","correct":true},
        {"id":"C","type":"numerical","question":"nul \u0000 here","answer":3},
        {"id":"D","type":"tf","question":"caf\u00e9 \ud83d\ude00","correct":false}]})");
    std::u16string shown;
    std::vector<size_t> parts;
    ASSERT_TRUE(ShownDocumentListing(l.doc, l.notes, shown, parts));
    std::u16string whole = BreakLongLines(s2w(FormatDocumentListing(l.doc, l.notes)), kDisplayLineLimit, u"\r\n");
    MakeNulsVisible(whole);
    EXPECT_EQ(shown, whole);
    ASSERT_EQ(parts.size(), 5u);
    size_t at = parts[0];
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(shown.substr(at, parts[i + 1]), ShownItemBlock(l.doc["items"][i])) << i;
        at += parts[i + 1];
    }
    EXPECT_EQ(at, shown.size());
    // An item the listing cannot show: nothing made, the caller shows the whole listing.
    json bad = json::parse(R"({"items":[{"id":"X","type":"mc","choices":{"A":1}}]})");
    EXPECT_FALSE(ShownDocumentListing(bad, {}, shown, parts));
    EXPECT_TRUE(parts.empty());
}

TEST(DisplayText, LongLinesBrokenShortOnesKept)
{
    const std::u16string shortText = u"one\r\ntwo\nthree";
    EXPECT_EQ(BreakLongLines(shortText, 5, u"\r\n"), shortText);
    EXPECT_EQ(LongestLineLength(u"ab\r\nabcd\r\nabc"), 4u);
    EXPECT_EQ(LongestLineLength(u""), 0u);

    EXPECT_EQ(BreakLongLines(u"aaaa bbbb cccc", 6, u"|"), u"aaaa |bbbb |cccc");
    EXPECT_EQ(BreakLongLines(u"0,1,2,3,4,5,6\r\nx", 4, u"|"), u"0,1,|2,3,|4,5,|6\r\nx");
    EXPECT_EQ(BreakLongLines(u"abcdefghij", 4, u"|"), u"abcd|efgh|ij");
    EXPECT_EQ(BreakLongLines(u"ab\U0001F600cd", 3, u"|"), u"ab|\U0001F600c|d");

    std::u16string text;
    for (int i = 0; i < 3000; ++i) text += (i % 7 ? u"x" : u"\U0001F600") + std::u16string(i % 11 ? u"" : u", ");
    text += u"\r\n" + text + u"\n\n";
    const std::u16string shown = BreakLongLines(text, 100, kSoftBreak);
    EXPECT_LE(LongestLineLength(shown), 100u);
    EXPECT_EQ(RemoveSoftBreaks(shown), text);
    for (size_t i = 0; i + 1 < shown.size(); ++i)
        EXPECT_FALSE(shown[i] >= 0xD800 && shown[i] <= 0xDBFF && !(shown[i + 1] >= 0xDC00 && shown[i + 1] <= 0xDFFF));
}

// Find in a view shown broken: every place of the text maps to where it is shown and back.
TEST(DisplayText, OffsetsMapBetweenTextAndBrokenText)
{
    EXPECT_EQ(ShownOffset(u"abcdefghij", 4, 1, 4, false), 4u); // "abcd|efgh|ij"
    EXPECT_EQ(ShownOffset(u"abcdefghij", 4, 1, 4, true), 5u);
    EXPECT_EQ(ShownOffset(u"abcdefghij", 4, 1, 9, true), 11u);
    EXPECT_EQ(SourceOffset(u"abcdefghij", 4, 1, 4), 4u); // just before the break
    EXPECT_EQ(SourceOffset(u"abcdefghij", 4, 1, 5), 4u);
    EXPECT_EQ(SourceOffset(u"abcdefghij", 4, 1, 11), 9u);
    std::u16string text;
    for (int i = 0; i < 2000; ++i) text += std::u16string(i % 13 ? u"y" : u", ") + (i % 500 ? u"" : u"\r\n");
    const std::u16string shown = BreakLongLines(text, 40, u"\r\n");
    for (size_t at = 0; at <= text.size(); ++at) {
        const size_t before = ShownOffset(text, 40, 2, at, false), after = ShownOffset(text, 40, 2, at, true);
        ASSERT_TRUE(after == before || after == before + 2) << at;
        if (at < text.size()) ASSERT_EQ(shown[after], text[at]) << at;
        ASSERT_EQ(SourceOffset(text, 40, 2, before), at);
        ASSERT_EQ(SourceOffset(text, 40, 2, after), at);
        if (after == before + 2) ASSERT_EQ(SourceOffset(text, 40, 2, before + 1), at); // inside the break
    }
}
