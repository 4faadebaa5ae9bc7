#include <random>

#include <gtest/gtest.h>

#include "util/StringUtil.h"

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
    struct Case {
        std::string in;
        std::u16string out;
    } cases[] = {
        {"\x80", u"\uFFFD"},
        {"a\xFF" "b", u"a\uFFFDb"},
        {"\xC3", u"\uFFFD"},                   // truncated at the end
        {"\xE4\xB8", u"\uFFFD"},               // one maximal subpart, one replacement
        {"\xE4\xB8" "x", u"\uFFFDx"},
        {"\xC0\xAF", u"\uFFFD\uFFFD"},         // overlong
        {"\xE0\x80\x80", u"\uFFFD\uFFFD\uFFFD"}, // overlong three-byte form
        {"\xF0\x80\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"}, // encoded surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"}, // beyond U+10FFFF
    };
    for (const auto& c : cases) EXPECT_EQ(s2w(c.in), c.out) << c.in;
    EXPECT_EQ(w2s(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
    EXPECT_EQ(w2s(std::u16string{char16_t(0xDC00), u'x'}), "\xEF\xBF\xBDx");
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
