#include <gtest/gtest.h>

#include "find/FindLogic.h"

TEST(FindLogic, SearchFoldsAsciiCaseAndWraps)
{
    const std::u16string text = u"aXa xa";
    // Repeated Find Next walks the matches and wraps; with case only the exact one.
    size_t end = 0;
    std::vector<size_t> found;
    for (int i = 0; i < 3; ++i) {
        const size_t at = FindNextMatch(text, u"xa", false, end);
        found.push_back(at);
        end = at + 2;
    }
    EXPECT_EQ(found, (std::vector<size_t>{1, 4, 1}));
    EXPECT_EQ(FindNextMatch(text, u"xa", true, 0), 4u);
    EXPECT_EQ(FindNextMatch(text, u"xa", true, 6), 4u);
    EXPECT_EQ(FindNextMatch(text, u"q", false, 0), kNotFound);

    EXPECT_EQ(FindSubstring(text, u"", false, 0), kNotFound);
    EXPECT_EQ(FindSubstring(text, u"a", false, 7), kNotFound);
    EXPECT_EQ(FindSubstring(text, u"A", false, 6), kNotFound);
    EXPECT_EQ(FindSubstring(u"\u00C9\u00E9", u"\u00E9", false, 0), 1u); // only ASCII folds
    EXPECT_EQ(FindSubstring(u"x\U0001F600y", u"\U0001F600Y", false, 0), 1u); // code units, surrogates whole
    EXPECT_TRUE(EqualsText(u"JSON", u"json", false));
    EXPECT_FALSE(EqualsText(u"JSON", u"json", true));
    EXPECT_FALSE(EqualsText(u"a", u"ab", false));
}

TEST(FindLogic, ReplaceOnlyTheHighlightedMatch)
{
    const std::u16string text = u"a a";
    FindMatch match;
    EXPECT_EQ(CheckReplace(match, 0, 1, text, u"a", false), ReplaceCheck::NoMatch);
    EXPECT_EQ(CheckReplace(match, 0, 1, text, u"", false), ReplaceCheck::EmptyFind);
    match = {true, 0, 1};
    EXPECT_EQ(CheckReplace(match, 0, 1, text, u"a", false), ReplaceCheck::Ok);
    EXPECT_EQ(CheckReplace(match, 0, 2, text, u"a", false), ReplaceCheck::SelectionMoved);
    EXPECT_EQ(CheckReplace(match, 0, 1, text, u"A", true), ReplaceCheck::TextDiffers);
    EXPECT_EQ(CheckReplace(FindMatch{true, 2, 9}, 2, 9, text, u"a", false), ReplaceCheck::OutOfRange);
    EXPECT_EQ(std::u16string(ReplaceRefusalText(ReplaceCheck::SelectionMoved)),
              u"Use Find Next first so the match is highlighted.");

    // "a a", replace the first a by aa: the search resumes after the insertion, at [3, 4).
    std::u16string replaced = text;
    replaced.replace(0, 1, u"aa");
    EXPECT_EQ(replaced, u"aa a");
    EXPECT_EQ(FindNextMatch(replaced, u"a", false, 2), 3u);
}
