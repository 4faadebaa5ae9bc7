#include <random>

#include <gtest/gtest.h>

#include "util/StringUtil.h"
#include "util/TextFold.h"
#include "util/XmlText.h"

namespace {

struct Malformed {
    std::string in;
    std::u16string out;
};
const Malformed kMalformed[] = {
    {"\x80", u"\uFFFD"},
    {"a\xFF" "b", u"a\uFFFDb"},
    {"\xC3", u"\uFFFD"},                   // truncated at the end
    {"\xE4\xB8", u"\uFFFD"},               // one maximal subpart, one replacement
    {"\xE4\xB8" "x", u"\uFFFDx"},
    {"\xF0\x9F\x98" "x\xC3", u"\uFFFDx\uFFFD"},
    {"\xC0\xAF", u"\uFFFD\uFFFD"},         // overlong
    {"\xE0\x80\x80", u"\uFFFD\uFFFD\uFFFD"}, // overlong three-byte form
    {"\xF0\x80\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
    {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"}, // encoded surrogate
    {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"}, // beyond U+10FFFF
};

} // namespace

TEST(StringUtil, RoundTripsTextIncludingNulAndBom)
{
    EXPECT_EQ(w2s(u"\u00e9"), "\xC3\xA9");
    EXPECT_EQ(s2w("\xC3\xA9"), u"\u00e9");
    EXPECT_EQ(w2s(u""), "");
    EXPECT_EQ(s2w(""), u"");
    EXPECT_EQ(w2s(std::u16string(u"a\0b", 3)), std::string("a\0b", 3));
    EXPECT_EQ(s2w("\xEF\xBB\xBF"), u"\uFEFF");
    const std::u16string mixed = u"A\u00e9\u4e2d\U0001F600z";
    EXPECT_EQ(s2w(w2s(mixed)), mixed);
    EXPECT_EQ(w2s(u"\U0001F600"), "\xF0\x9F\x98\x80");
}

TEST(StringUtil, MalformedInputBecomesReplacementCharacters)
{
    for (const auto& c : kMalformed) EXPECT_EQ(s2w(c.in), c.out) << c.in;
    EXPECT_EQ(w2s(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
    EXPECT_EQ(w2s(std::u16string{char16_t(0xDC00), u'x'}), "\xEF\xBF\xBDx");
}

TEST(StringUtil, EveryUtf8ReaderReplacesMalformedSequencesAlike)
{
    for (const auto& c : kMalformed) {
        const std::string repaired = w2s(c.out);
        size_t dropped = 0;
        EXPECT_FALSE(IsValidUtf8(c.in)) << c.in;
        EXPECT_TRUE(IsValidUtf8(repaired)) << c.in;
        EXPECT_EQ(ValidUtf8(c.in), repaired) << c.in;
        EXPECT_EQ(XmlAllowedText(c.in, dropped), repaired) << c.in;
        EXPECT_EQ(FoldForComparison(c.in), FoldForComparison(repaired)) << c.in;
    }
}

TEST(StringUtil, EncodesAndCountsCharacters)
{
    struct Case {
        char32_t cp;
        std::string utf8;
    } cases[] = {
        {U'a', "a"},
        {0x7F, "\x7F"},
        {0x80, "\xC2\x80"},
        {0x7FF, "\xDF\xBF"},
        {0x800, "\xE0\xA0\x80"},
        {0xFFFD, "\xEF\xBF\xBD"},
        {0x10000, "\xF0\x90\x80\x80"},
        {0x10FFFF, "\xF4\x8F\xBF\xBF"},
    };
    for (const auto& c : cases) {
        std::string out = "<";
        AppendUtf8(out, c.cp);
        EXPECT_EQ(out, "<" + c.utf8) << std::hex << c.cp;
        char32_t back = 0;
        size_t next = 0;
        EXPECT_TRUE(DecodeUtf8(out, 1, back, next));
        EXPECT_EQ(back, c.cp);
        EXPECT_EQ(next, out.size());
        EXPECT_EQ(Utf8CharCount(out), 2u);
        EXPECT_EQ(FirstUtf8Chars(out + out, 3), out + "<") << std::hex << c.cp; // cut between characters
    }
    EXPECT_EQ(FirstUtf8Chars("ab", 5), "ab");
    EXPECT_EQ(FirstUtf8Chars("ab", 0), "");
}

TEST(StringUtil, RandomTextsRoundTripWithLoneSurrogatesReplaced)
{
    std::mt19937 rng(12345);
    const char16_t samples[] = {u'a', u'\n', u'\r', 0x7F, 0x80, 0x7FF, 0x800, 0xD7FF, 0xD800, 0xDBFF, 0xDC00, 0xDFFF,
                                0xE000, 0xFFFD, 0xFFFF, 0};
    for (int round = 0; round < 2000; ++round) {
        std::u16string text(rng() % 24, u' ');
        for (char16_t& c : text) c = samples[rng() % (sizeof samples / sizeof samples[0])];
        std::u16string expected = text; // what survives: pairs stay, lone halves become U+FFFD
        for (size_t i = 0; i < expected.size(); ++i) {
            const bool high = expected[i] >= 0xD800 && expected[i] <= 0xDBFF;
            if (high && i + 1 < expected.size() && expected[i + 1] >= 0xDC00 && expected[i + 1] <= 0xDFFF) ++i;
            else if (expected[i] >= 0xD800 && expected[i] <= 0xDFFF) expected[i] = 0xFFFD;
        }
        EXPECT_EQ(s2w(w2s(text)), expected);
        std::u16string crlf; // s2wCrlf makes every line end CR LF
        for (size_t i = 0; i < expected.size(); ++i) {
            if (expected[i] == u'\r' || expected[i] == u'\n') {
                crlf += u"\r\n";
                if (expected[i] == u'\r' && i + 1 < expected.size() && expected[i + 1] == u'\n') ++i;
            } else {
                crlf += expected[i];
            }
        }
        EXPECT_EQ(s2wCrlf(w2s(text)), crlf);
    }
}
