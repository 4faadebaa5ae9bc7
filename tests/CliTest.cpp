#include <filesystem>

#include <gtest/gtest.h>

#include "TestUtil.h"
#include "cli/TestbankCli.h"
#include "util/StringUtil.h"
#include "Version.h"

namespace {

struct Result {
    int code;
    std::string out, err;
};

Result Tb(std::vector<std::string> args)
{
    Result r;
    r.code = RunTestbankCommand(args, r.out, r.err);
    return r;
}

std::string Data(const std::string& name) { return w2s(DataFile(name)); }

} // namespace

TEST(TestbankCommand, ViewAndRawOfTheSample)
{
    Result view = Tb({"view", Data("sample.json")});
    ASSERT_EQ(view.code, 0) << view.err;
    EXPECT_EQ(view.out, ReadBytes(DataFile("sample.view.txt")));
    // A syntax error is told in words with its place, never the library's quote of raw bytes.
    Result bom = Tb({"view", Data("hostile/utf16-bom.json")});
    EXPECT_EQ(bom.code, 1);
    EXPECT_EQ(bom.err, "JSON parse error: line 1, column 2: the text is not UTF-8 (save the file as UTF-8)\n");
    const std::string listing = FormatTestbankListing(ReadBytes(DataFile("hostile/utf16-bom.json")), NoteList{});
    EXPECT_EQ(listing, w2s(s2w(listing)));

    Result raw = Tb({"raw", Data("sample.json")});
    ASSERT_EQ(raw.code, 0);
    EXPECT_EQ(raw.out, ReadBytes(DataFile("sample.raw.json")));
    EXPECT_TRUE(raw.err.empty());

    const std::u16string out = Join(TempDir("cli"), "out.json");
    Result toFile = Tb({"raw", Data("sample.json"), "-o", w2s(out)});
    EXPECT_EQ(toFile.code, 0);
    EXPECT_TRUE(toFile.out.empty());
    EXPECT_EQ(ReadBytes(out), raw.out);
}

TEST(TestbankCommand, FailuresAndUsage)
{
    Result missing = Tb({"view", Data("no-such-file.json")});
    EXPECT_EQ(missing.code, 1);
    EXPECT_EQ(missing.err, "Failed to read file or file is empty.\n");
    EXPECT_TRUE(missing.out.empty());

    Result check = Tb({"check", Data("sample.json"), Data("no-such-file.json"), Data("bad-item.json")});
    EXPECT_EQ(check.code, 1);
    EXPECT_EQ(check.out, Data("sample.json") + ": ok, 5 items, 8 notes, 1 to fix\n" + Data("no-such-file.json") +
                             ": error: Failed to read file or file is empty.\n" + Data("bad-item.json") +
                             ": error: Invalid item at index 1: each item must be an object.\n");

    for (std::vector<std::string> bad : std::vector<std::vector<std::string>>{
             {}, {"view"}, {"view", "a", "b"}, {"frobnicate", "a"}, {"view", "a", "-o", "x"}, {"raw", "a", "-o"},
             {"check", "a", "--id", "x"}, {"raw", "--bogus", "a"}, {"--version", "a"}, {"view", "a", "--version"}}) {
        Result r = Tb(bad);
        EXPECT_EQ(r.code, 2);
        EXPECT_EQ(r.err.rfind("usage: testbank", 0), 0u);
        EXPECT_TRUE(r.out.empty());
    }
    Result help = Tb({"--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_EQ(help.out.rfind("usage: testbank", 0), 0u);
    Result version = Tb({"--version"});
    EXPECT_EQ(version.code, 0);
    EXPECT_EQ(version.out, "testbank " TESTBANK_VERSION "\n");
}

TEST(TestbankCommand, MergeFixupsAndExport)
{
    Result merged = Tb({"merge", Data("sample.json"), Data("more.json")});
    ASSERT_EQ(merged.code, 0) << merged.err;
    EXPECT_NE(merged.out.find("\"id\": \"Q1a\""), std::string::npos);
    EXPECT_EQ(merged.out.find("\"title\""), merged.out.find("\"title\": \"Intro to Programming\""));

    Result fixups = Tb({"fixups", Data("sample.json"), Data("more.json")});
    EXPECT_EQ(fixups.out, "Q1a\ttype, MLO\nQ4\ttype, MLO\n");
    EXPECT_TRUE(Tb({"fixups", Data("more.json")}).out.find("Q1\t") == 0);

    Result lone = Tb({"merge", Data("no-such-file.json")}); // Open && Merge of one file, not Open
    EXPECT_EQ(lone.err, "Failed to read first file.\n");

    Result failedMerge = Tb({"merge", Data("sample.json"), Data("bad-item.json")});
    EXPECT_EQ(failedMerge.code, 1);
    EXPECT_TRUE(failedMerge.out.empty());
    EXPECT_EQ(failedMerge.err, "Error in file:\n" + Data("bad-item.json") +
                                   "\n\nInvalid item at index 1: each item must be an object.\n");

    Result all = Tb({"export", Data("sample.json")});
    ASSERT_EQ(all.code, 0);
    EXPECT_EQ(all.out.substr(0, 16), "{\n    \"items\": [");
    Result some = Tb({"export", Data("sample.json"), "--id", "Q5", "--id", "2"});
    EXPECT_EQ(json::parse(some.out)["items"].size(), 2u);
    EXPECT_EQ(json::parse(some.out)["items"][0]["id"], "2"); // document order
    // An ID in no item fails the export and names it; no bytes, no file.
    Result none = Tb({"export", Data("sample.json"), "--id", "nope"});
    EXPECT_EQ(none.code, 1);
    EXPECT_EQ(none.err, "No item has the ID nope.\n");
    const std::string target = w2s(TempDir("cli-export")) + "/exam.json";
    Result mixed = Tb({"export", Data("sample.json"), "--id", "Q5", "--id", "ZZ", "--id", "NOPE", "-o", target});
    EXPECT_EQ(mixed.code, 1);
    EXPECT_TRUE(mixed.out.empty());
    EXPECT_EQ(mixed.err, "No items have the IDs NOPE, ZZ.\n");
    EXPECT_FALSE(std::filesystem::exists(target));
}

// Import's notes: one line per kind with the count and the first items, every one on request.
TEST(TestbankCommand, ImportNotesAreGroupedUnlessAllAreAskedFor)
{
    const std::string sheet = Data("import/real/h5pcli-flash1.csv");
    Result grouped = Tb({"import", sheet});
    ASSERT_EQ(grouped.code, 0) << grouped.err;
    EXPECT_NE(grouped.err.find("\n9 notes like this one (Item [AUTO_0001], Item [AUTO_0002], Item [AUTO_0003] and 6 "
                               "more): Item [AUTO_0001] missing learning outcomes: MLO, CLO, PLO\n"),
              std::string::npos)
        << grouped.err;
    EXPECT_EQ(grouped.err.find("Item [AUTO_0009]"), std::string::npos);
    Result all = Tb({"import", sheet, "--all-notes"});
    ASSERT_EQ(all.code, 0) << all.err;
    EXPECT_NE(all.err.find("\nItem [AUTO_0009] missing learning outcomes: MLO, CLO, PLO\n"), std::string::npos);
    EXPECT_EQ(all.out, grouped.out);
    EXPECT_EQ(Tb({"view", sheet, "--all-notes"}).code, 2);
}
