// Untrusted files: each gives one clear message or a correct document, through loading,
// both views and the testbank command.
#include <gtest/gtest.h>

#include "TestUtil.h"
#include "cli/TestbankCli.h"
#include "util/FileUtil.h"
#include "util/StringUtil.h"

namespace {

struct Outcome {
    bool loads;
    std::string message; // start of the error, when it does not load
};

// Loads the file as File > Open does and renders both views; returns what happened.
Outcome Exercise(const std::u16string& path, bool roundTrip = true)
{
    const std::u16string text = LoadFileText(path);
    json doc;
    std::u16string error;
    NoteList notes;
    std::vector<ImportIssue> issues;
    const bool loads = !text.empty() && ParseAndValidateJson(text, doc, error, notes, &issues);
    // The formatted view of the file's own text (what the raw view could hold) never fails.
    const std::u16string listing = FormatTestbankJson(text);
    EXPECT_FALSE(listing.empty());
    if (loads) {
        g_validationWarnings = notes;
        const std::u16string raw = DumpJsonForRawView(doc);
        const std::u16string view = FormatTestbankJson(raw);
        g_validationWarnings.clear();
        EXPECT_EQ(view.find(u"JSON parse error"), std::u16string::npos);
        if (roundTrip) {
            json again;
            NoteList againNotes;
            EXPECT_TRUE(ParseAndValidateJson(raw, again, error, againNotes, nullptr));
            EXPECT_EQ(again, doc); // what the editor saves loads back unchanged
        }
    } else if (!text.empty()) {
        EXPECT_EQ(listing.rfind(u"JSON parse error: ", 0), 0u);
    }

    std::string out, err;
    const int code = RunTestbankCommand({"check", w2s(path)}, out, err);
    EXPECT_EQ(code, loads ? 0 : 1);
    EXPECT_NE(out.find(loads ? ": ok, " : ": error: "), std::string::npos) << out;
    return {loads, text.empty() ? "Failed to read file or file is empty." : w2s(error)};
}

} // namespace

TEST(HostileInput, CorpusFiles)
{
    const struct {
        const char* file;
        bool loads;
        const char* messageStart;
    } cases[] = {
        {"empty.json", false, "Failed to read file or file is empty."},
        {"truncated.json", false, "JSON parse error: line "},
        {"invalid-utf8.json", true, ""},
        {"utf16-bom.json", false, "JSON parse error: line 1, column 2: the text is not UTF-8 (save the file as UTF-8)"},
        {"nul-bytes.json", false, "JSON parse error: unexpected NUL byte at byte 25"},
        {"nul-in-string.json", true, ""},
        {"numbers.json", true, ""},
        {"number-overflow.json", false, "JSON parse error: number overflow"},
        {"duplicate-keys.json", true, ""},
        {"unterminated-comment.json", false, "JSON parse error: line "},
    };
    for (const auto& c : cases) {
        const Outcome o = Exercise(DataFile(std::string("hostile/") + c.file));
        EXPECT_EQ(o.loads, c.loads) << c.file << ": " << o.message;
        if (!c.loads) {
            EXPECT_EQ(o.message.rfind(c.messageStart, 0), 0u) << c.file << ": " << o.message;
        }
    }

    // What the loaded ones hold.
    Loaded utf8 = LoadOk(ReadBytes(DataFile("hostile/invalid-utf8.json")));
    EXPECT_EQ(utf8.doc["items"][0]["id"], "a\xEF\xBF\xBD\xEF\xBF\xBD");
    Loaded dup = LoadOk(ReadBytes(DataFile("hostile/duplicate-keys.json")));
    EXPECT_EQ(dup.doc["items"].size(), 1u); // the last "items" wins, as it does for every key
    EXPECT_EQ(dup.doc["items"][0]["id"], "c");
    Loaded nul = LoadOk(ReadBytes(DataFile("hostile/nul-in-string.json")));
    EXPECT_EQ(nul.doc["items"][0]["id"], std::string("a\0b", 3));
}

// Deep, long and many, at sizes that keep the test light; the benchmark runs the same
// shapes at full size (bench/run.sh, "size extremes").
TEST(HostileInput, GeneratedExtremes)
{
    const std::u16string dir = TempDir("hostile");
    const std::u16string deep = Join(dir, "deep.json");
    WriteBytes(deep, "{\"items\": " + std::string(1000000, '[') + std::string(1000000, ']') + "}");
    EXPECT_EQ(Exercise(deep).message, "JSON parse error: nesting depth exceeds the limit of 512 levels");

    const std::u16string bigString = Join(dir, "big-string.json");
    WriteBytes(bigString, "{\"items\": [{\"id\": \"a\", \"type\": \"mc\", \"question\": \"" + std::string(4 << 20, 'x') +
                              "\"}]}");
    EXPECT_TRUE(Exercise(bigString, false).loads);

    const int count = 50000;
    std::string many = "[";
    for (int i = 0; i < count; ++i) many += (i ? ",{\"id\":" : "{\"id\":") + std::to_string(i) + "}";
    const std::u16string manyItems = Join(dir, "many-items.json");
    WriteBytes(manyItems, many + "]");
    EXPECT_TRUE(Exercise(manyItems, false).loads);
}
