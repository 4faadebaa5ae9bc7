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
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"}, // encoded surrogate
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"}, // beyond U+10FFFF
    };
    for (const auto& c : cases) EXPECT_EQ(s2w(c.in), c.out) << c.in;
    EXPECT_EQ(w2s(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
    EXPECT_EQ(w2s(std::u16string{char16_t(0xDC00), u'x'}), "\xEF\xBF\xBDx");
}
