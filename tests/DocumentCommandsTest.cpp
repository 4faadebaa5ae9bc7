#include <algorithm>
#include <gtest/gtest.h>

#include "TestUtil.h"
#include "app/BatchUi.h"
#include "util/FileUtil.h"
#include "util/StringUtil.h"

namespace {

void* const kOwner = reinterpret_cast<void*>(0x1234);

class DocumentCommands : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetAllState();
        dir = TempDir(::testing::UnitTest::GetInstance()->current_test_info()->name());
    }
    void TearDown() override { ResetAllState(); }

    std::u16string File(const std::string& name, const std::string& bytes)
    {
        std::u16string path = Join(dir, name);
        WriteBytes(path, bytes);
        return path;
    }
    std::vector<std::string> Texts() const
    {
        std::vector<std::string> out;
        for (const auto& m : ui.messages) out.push_back(U8(m.text));
        return out;
    }

    BatchUi ui;
    std::u16string dir;
};

const char kBank[] = R"({"items":[{"id":"Q1","type":"mc","question":"q","objectives":{"MLO":"m","CLO":"c","PLO":"p"}},
                                  {"id":"Q2","type":"essay","answer":1}]})";

} // namespace

TEST_F(DocumentCommands, NewThenSaveAsksForTestbankJson)
{
    CmdNewTestbank(ui, kOwner);
    EXPECT_TRUE(g_hasJson);
    EXPECT_EQ(U8(g_rawJsonText), "{\r\n  \"items\": []\r\n}");
    EXPECT_EQ(ui.resets, 1);
    const std::u16string target = Join(dir, "new.json");
    ui.savePaths.push_back(target);
    EXPECT_TRUE(CmdSave(ui, kOwner));
    EXPECT_EQ(ui.suggestedNames, std::vector<std::u16string>{u"testbank.json"});
    EXPECT_EQ(g_currentPath, target);
    EXPECT_EQ(ReadBytes(target), "{\r\n  \"items\": []\r\n}");
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].owner, kOwner);
    EXPECT_EQ(U8(ui.messages[0].caption), "Info");
    EXPECT_EQ(Texts(), std::vector<std::string>{"File saved successfully.\n\n" + U8(target)});
}

TEST_F(DocumentCommands, OpenInstallsDocumentAndHandsIssuesToWizard)
{
    const std::u16string path = File("bank.json", kBank);
    ui.openPaths.push_back(path);
    CmdOpen(ui, kOwner);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(g_currentPath, path);
    EXPECT_FALSE(g_viewRaw);
    EXPECT_EQ(g_validationWarnings.size(), 1u);
    ASSERT_EQ(ui.fixupCalls.size(), 1u);
    ASSERT_EQ(ui.fixupCalls[0].size(), 1u);
    EXPECT_EQ(ui.fixupCalls[0][0].id, "Q2");
    EXPECT_EQ(U8(ui.ReadViewText()).substr(0, 22), "Validation notes (1):\r");

    // Failures leave the document as it was.
    const json before = g_jsonDoc;
    ui.openPaths = {File("empty.json", ""), File("bad.json", "{"), File("dup.json", R"([{"id":"a"},{"id":"a"}])")};
    CmdOpen(ui, kOwner);
    CmdOpen(ui, kOwner);
    CmdOpen(ui, kOwner);
    const auto texts = Texts();
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0], "Failed to read file or file is empty.");
    EXPECT_EQ(texts[1].rfind("JSON parse error: ", 0), 0u);
    EXPECT_EQ(texts[2], "Duplicate ID found: a");
    for (const auto& m : ui.messages) EXPECT_EQ(U8(m.caption), "Error");
    EXPECT_EQ(g_jsonDoc, before);
    EXPECT_EQ(g_currentPath, path);

    ui.openPaths.clear(); // cancelled dialog: nothing at all
    CmdOpen(ui, kOwner);
    EXPECT_EQ(ui.messages.size(), 3u);
}

TEST_F(DocumentCommands, OpenAndMergeStopsAtFirstFailure)
{
    ui.openPathLists.push_back({File("a.json", kBank)});
    CmdOpenAndMerge(ui, kOwner);
    EXPECT_EQ(g_jsonDoc["items"].size(), 2u);
    ASSERT_EQ(ui.fixupCalls.size(), 1u); // like Open

    const std::u16string bad = File("bad.json", "[1]");
    ui.openPathLists.push_back({File("b.json", R"([{"id":"Q1","question":"other","type":"mc"}])"), bad,
                                File("c.json", R"([{"id":"Z"}])")});
    CmdOpenAndMerge(ui, kOwner);
    EXPECT_EQ(g_jsonDoc["items"].size(), 3u); // b merged as Q1a, c never read
    EXPECT_EQ(g_jsonDoc["items"][2]["id"], "Q1a");
    EXPECT_EQ(Texts(), std::vector<std::string>{"Error in file:\n" + U8(bad) +
                                                "\n\nInvalid item at index 0: each item must be an object."});
    EXPECT_EQ(ui.fixupCalls.size(), 1u); // no wizard after a failure
    EXPECT_EQ(g_currentPath, Join(dir, "a.json"));
    EXPECT_TRUE(g_modified);

    ResetDocumentState();
    ui.messages.clear();
    ui.openPathLists.push_back({File("empty.json", ""), File("d.json", kBank)});
    CmdOpenAndMerge(ui, kOwner);
    EXPECT_EQ(Texts(), std::vector<std::string>{"Failed to read first file."});
    EXPECT_FALSE(g_hasJson);
}

TEST_F(DocumentCommands, SaveFromRawViewParsesTheTypedText)
{
    ui.openPaths.push_back(File("bank.json", kBank));
    CmdOpen(ui, kOwner);
    g_viewRaw = true;
    ui.TypeIntoView(u"{\"items\": [ {\"id\": \"X\", \"type\": \"mc\"} ]");
    EXPECT_FALSE(CmdSave(ui, kOwner));
    EXPECT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ReadBytes(g_currentPath), kBank); // nothing written
    EXPECT_EQ(ui.ReadViewText(), u"{\"items\": [ {\"id\": \"X\", \"type\": \"mc\"} ]");

    // A valid text replaces the document even when the save dialog is then cancelled.
    ui.TypeIntoView(u"{\"items\": [ {\"id\": \"X\", \"type\": \"mc\"} ]}");
    EXPECT_FALSE(CmdSaveAs(ui, kOwner));
    EXPECT_EQ(g_jsonDoc["items"][0]["choices"]["A"], "");
    EXPECT_EQ(ui.ReadViewText(), g_rawJsonText);
    EXPECT_TRUE(IsDocumentModified(ui)); // taken into the document, never written
    // What loading said stays on top until the next load; the typed text's notes follow.
    ASSERT_GT(g_validationWarnings.size(), g_document.keptNotes.size());
    EXPECT_EQ(U8(g_validationWarnings.back()), "Item [X] missing learning outcomes: MLO, CLO, PLO");
    EXPECT_TRUE(std::equal(g_document.keptNotes.begin(), g_document.keptNotes.end(), g_validationWarnings.begin()));
}

TEST_F(DocumentCommands, FailedWritesKeepPathsAsWritten)
{
    CmdNewTestbank(ui, kOwner);
    const std::u16string target = Join(dir, "t.json");
    ui.savePaths.push_back(target);
    g_saveFailAt = SaveFailStep::Write;
    EXPECT_FALSE(CmdSave(ui, kOwner));
    EXPECT_EQ(g_currentPath, target); // chosen before writing
    EXPECT_FALSE(CmdSave(ui, kOwner)); // second Save: same path, no dialog
    EXPECT_EQ(ui.suggestedNames.size(), 1u);

    ui.savePaths.push_back(Join(dir, "other.json"));
    EXPECT_FALSE(CmdSaveAs(ui, kOwner));
    EXPECT_EQ(ui.suggestedNames.back(), target);
    EXPECT_EQ(g_currentPath, target);
    g_saveFailAt = SaveFailStep::None;
    EXPECT_EQ(Texts(), (std::vector<std::string>{"Failed to save file.", "Failed to save file.", "Failed to save file."}));
}

TEST_F(DocumentCommands, UnsavedChangesAreAskedAbout)
{
    const std::u16string path = File("bank.json", kBank);
    ui.openPaths.push_back(path);
    CmdOpen(ui, kOwner);
    EXPECT_FALSE(IsDocumentModified(ui));

    ui.openPathLists.push_back({File("more.json", R"([{"id":"Z","type":"mc"}])")});
    CmdOpenAndMerge(ui, kOwner);
    ASSERT_TRUE(g_modified);

    // Cancel keeps everything; No discards; Yes saves first.
    CmdNewTestbank(ui, kOwner); // no answer queued: Cancel
    EXPECT_EQ(g_jsonDoc["items"].size(), 3u);
    EXPECT_EQ(U8(ui.messages.back().text), "Save changes to the current testbank?");
    ui.answers.push_back(MsgAnswer::Yes);
    CmdNewTestbank(ui, kOwner);
    EXPECT_NE(ReadBytes(path).find("\"id\": \"Z\""), std::string::npos);
    EXPECT_EQ(g_jsonDoc["items"].size(), 0u);
    EXPECT_FALSE(g_modified);

    // Text typed into the raw view counts as a change.
    g_viewRaw = true;
    ui.TypeIntoView(g_rawJsonText + u" ");
    EXPECT_TRUE(IsDocumentModified(ui));
    ui.answers.push_back(MsgAnswer::No);
    ui.openPaths.push_back(path);
    CmdOpen(ui, kOwner);
    EXPECT_EQ(g_jsonDoc["items"].size(), 3u);

    // A save that fails does not go on.
    g_modified = true;
    ui.answers.push_back(MsgAnswer::Yes);
    g_saveFailAt = SaveFailStep::Replace;
    CmdNewTestbank(ui, kOwner);
    g_saveFailAt = SaveFailStep::None;
    EXPECT_EQ(g_jsonDoc["items"].size(), 3u);
    EXPECT_EQ(U8(ui.messages.back().text), "Failed to save file.");
}

// Two copies of the program on one file: Save never overwrites the other copy's save
// without asking; Save As and the copy's own saves ask nothing.
TEST_F(DocumentCommands, SaveAsksBeforeOverwritingAFileChangedOnDisk)
{
    const std::u16string path = File("bank.json", kBank);
    ui.openPaths.push_back(path);
    CmdOpen(ui, kOwner);
    ASSERT_TRUE(g_hasJson);
    const std::string theirs = R"({"items":[{"id":"OTHER"}]})";
    WriteBytes(path, theirs);

    ui.answers = {MsgAnswer::No};
    EXPECT_FALSE(CmdSave(ui, kOwner));
    EXPECT_EQ(Texts().back(), "The file has changed on disk since it was opened. Overwrite it?");
    EXPECT_EQ(ReadBytes(path), theirs);

    ui.answers = {MsgAnswer::Yes};
    EXPECT_TRUE(CmdSave(ui, kOwner));
    EXPECT_NE(ReadBytes(path), theirs);
    const size_t asked = ui.messages.size();
    EXPECT_TRUE(CmdSave(ui, kOwner)); // our own save is no change on disk
    EXPECT_EQ(ui.messages.size(), asked + 1);
    EXPECT_EQ(Texts().back(), "File saved successfully.\n\n" + U8(path));

    // The other copy saving the same bytes again, within one clock tick, still counts.
    const std::string ours = ReadBytes(path);
    ASSERT_TRUE(WriteFileBytesSafely(path, ours));
    g_modified = true;
    ui.answers = {MsgAnswer::No};
    EXPECT_FALSE(CmdSave(ui, kOwner));
    EXPECT_EQ(Texts().back(), "The file has changed on disk since it was opened. Overwrite it?");

    // A file removed meanwhile is simply written again.
    std::remove(U8(path).c_str());
    EXPECT_TRUE(CmdSave(ui, kOwner));
    EXPECT_EQ(ReadBytes(path), ours);
}

// What loading said survives the notes being made again after an edit, until the next load.
TEST_F(DocumentCommands, LoadNotesAreKeptUntilTheNextLoad)
{
    ui.openPaths.push_back(File("noid.json", R"({"items":[{"type":"mc","question":"q",
        "objectives":{"MLO":"m","CLO":"c","PLO":"p"}}]})"));
    CmdOpen(ui, kOwner);
    const std::string note = "Item #1 had no usable \"id\"; assigned AUTO_0001.";
    ASSERT_EQ(U8(g_validationWarnings.at(0)), note);
    g_jsonDoc["items"][0]["question"] = "edited";
    MarkItemsEdited();
    EnsureNotesCurrent();
    EXPECT_EQ(U8(g_validationWarnings.at(0)), note);
    ui.answers.push_back(MsgAnswer::No); // not saved
    ui.openPaths.push_back(File("bank.json", kBank));
    CmdOpen(ui, kOwner);
    for (const std::u16string& kept : g_validationWarnings) EXPECT_NE(U8(kept), note);
}

// The view groups notes that repeat; Save All Notes As writes every one of them.
TEST_F(DocumentCommands, SaveAllNotesWritesEveryNoteOneALine)
{
    std::string bank = R"({"items":[)";
    for (int i = 0; i < 40; ++i) bank += std::string(i ? "," : "") + R"({"id":"Q)" + std::to_string(i) + R"(","type":"mc"})";
    ui.openPaths.push_back(File("bank.json", bank + "]}"));
    CmdOpen(ui, kOwner);
    ASSERT_EQ(g_validationWarnings.size(), 40u);
    const std::u16string view = ui.ReadViewText();
    const std::u16string block = view.substr(0, view.find(u"\r\n\r\n"));
    EXPECT_LT(std::count(block.begin(), block.end(), u'\n'), 5) << U8(block); // grouped in the view

    const std::u16string target = Join(dir, "notes.txt");
    ui.savePaths.push_back(target);
    CmdSaveAllNotes(ui, kOwner);
    const std::string saved = ReadBytes(target);
    EXPECT_EQ(std::count(saved.begin(), saved.end(), '\n'), 40);
    EXPECT_EQ(saved.substr(0, 54), "Item [Q0] missing learning outcomes: MLO, CLO, PLO\r\nIt");
    EXPECT_EQ(Texts().back(), "Saved 40 notes.\n\n" + U8(target));

    CmdNewTestbank(ui, kOwner); // no notes: nothing to save, and it says so
    CmdSaveAllNotes(ui, kOwner);
    EXPECT_EQ(Texts().back(), "The testbank has no notes.");
}
