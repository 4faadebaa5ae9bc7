#include <set>

#include <gtest/gtest.h>

#include "branding/BrandingLayout.h"
#include "util/FileUtil.h"

TEST(Branding, LogoFileChoiceFollowsNameOrder)
{
    auto choose = [](std::set<std::u16string> files) {
        return ChooseLogoFile(u"C:\\app\\", [&](const std::u16string& p) { return files.count(p) > 0; });
    };
    EXPECT_EQ(choose({u"C:\\app\\logo.jpg", u"C:\\app\\logo.png"}), u"C:\\app\\logo.png");
    EXPECT_EQ(choose({u"C:\\app\\logo.jpeg", u"C:\\app\\logo.jpg"}), u"C:\\app\\logo.jpg");
    EXPECT_EQ(choose({u"C:\\app\\logo.gif"}), u"");
    EXPECT_EQ(ChooseLogoFile(u"", [](const std::u16string&) { return true; }), u"");
}

TEST(Branding, LogoPlacement)
{
    auto place = [](int W, int H, unsigned w, unsigned h) {
        LogoPlacement p = PlaceLogo(W, H, w, h);
        return std::vector<int>{p.draw, p.x, p.y, p.width, p.height};
    };
    EXPECT_EQ(place(900, 600, 100, 50), (std::vector<int>{1, 400, 275, 100, 50}));
    EXPECT_EQ(place(900, 600, 2000, 1000), (std::vector<int>{1, 112, 131, 675, 337}));
    EXPECT_EQ(place(900, 0, 100, 50)[0], 0);
    EXPECT_EQ(place(900, 600, 0, 50)[0], 0);
}

TEST(FileDialogs, MultiSelectBufferSplitting)
{
    using V = std::vector<std::u16string>;
    EXPECT_EQ(SplitMultiSelectBuffer(std::u16string(u"C:\\d\\a.json\0\0", 14)), V{u"C:\\d\\a.json"});
    EXPECT_EQ(SplitMultiSelectBuffer(std::u16string(u"C:\\d\0a.json\0b.json\0\0", 21)),
              (V{u"C:\\d\\a.json", u"C:\\d\\b.json"}));
    EXPECT_EQ(SplitMultiSelectBuffer(std::u16string(u"C:\\\0a.json\0b.json\0\0", 20)),
              (V{u"C:\\a.json", u"C:\\b.json"}));
    EXPECT_TRUE(SplitMultiSelectBuffer(std::u16string(4, u'\0')).empty());
}
