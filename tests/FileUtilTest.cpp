#include <filesystem>

#include <gtest/gtest.h>

#include "TestUtil.h"
#include "util/FileUtil.h"
#include "util/StringUtil.h"

namespace fs = std::filesystem;

TEST(FileUtil, ReadsAndWritesBytesExactly)
{
    const std::u16string dir = TempDir("files");
    const std::u16string path = Join(dir, "t.json");
    WriteBytes(path, "");
    EXPECT_EQ(LoadFileText(path), u"");
    WriteBytes(path, "\xEF\xBB\xBF");
    EXPECT_EQ(LoadFileText(path), u"\uFEFF");
    EXPECT_EQ(LoadFileText(Join(dir, "missing.json")), u"");
    EXPECT_EQ(LoadFileText(u""), u"");
    EXPECT_EQ(LoadFileText(dir), u""); // a folder is not a file

    ASSERT_TRUE(SaveFileText(path, u"a\r\nb\nc\u00e9"));
    EXPECT_EQ(ReadBytes(path), "a\r\nb\nc\xC3\xA9");
    ASSERT_TRUE(SaveFileText(path, u""));
    EXPECT_EQ(ReadBytes(path), "");
    EXPECT_FALSE(SaveFileText(u"", u"x"));
    EXPECT_FALSE(SaveFileText(Join(dir, "no-such-dir/x.json"), u"x"));
    // A path that cannot be represented exactly must not name another file.
    EXPECT_FALSE(SaveFileText(dir + u"/bad" + std::u16string(1, char16_t(0xD800)), u"x"));
    EXPECT_EQ(std::distance(fs::directory_iterator(fs::path(dir)), fs::directory_iterator()), 1);
}

TEST(FileUtil, UnicodeFileNames)
{
    const std::u16string dir = TempDir("unicode");
    const std::u16string path = Join(dir, "\xD0\xA2\xD0\xB5\xD1\x81\xD1\x82 \xE8\xAF\x95\xE9\xAA\x8C \xF0\x9F\x93\x9A.json");
    ASSERT_TRUE(SaveFileText(path, u"{\"items\":[]}"));
    EXPECT_TRUE(fs::exists(fs::path(path)));
    EXPECT_EQ(LoadFileText(path), u"{\"items\":[]}");
    ASSERT_TRUE(SaveFileText(path, u"second"));
    EXPECT_EQ(LoadFileText(path), u"second");
}

TEST(FileUtil, FailedSaveLeavesTargetIntactAndNoTempFile)
{
    const std::u16string dir = TempDir("safe");
    const std::u16string existing = Join(dir, "bank.json");
    WriteBytes(existing, "original bytes");
    for (SaveFailStep step : {SaveFailStep::Create, SaveFailStep::Write, SaveFailStep::Flush, SaveFailStep::Close,
                              SaveFailStep::Replace}) {
        g_saveFailAt = step;
        EXPECT_FALSE(SaveFileText(existing, u"new text")) << int(step);
        EXPECT_FALSE(SaveFileText(Join(dir, "fresh.json"), u"new text")) << int(step);
        g_saveFailAt = SaveFailStep::None;
        EXPECT_EQ(ReadBytes(existing), "original bytes") << int(step);
        EXPECT_FALSE(fs::exists(fs::path(Join(dir, "fresh.json"))));
        EXPECT_EQ(std::distance(fs::directory_iterator(fs::path(dir)), fs::directory_iterator()), 1) << int(step);
    }
    EXPECT_TRUE(SaveFileText(existing, u"new text"));
    EXPECT_EQ(ReadBytes(existing), "new text");
}
