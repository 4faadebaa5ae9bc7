#include <gtest/gtest.h>

#include <random>

#include "TestUtil.h"
#include "app/BatchUi.h"
#include "editor/EditorForm.h"
#include "find/FindLogic.h"
#include "fixup/FixupLogic.h"
#include "util/StringUtil.h"

namespace {

void* const kOwner = nullptr;

class UndoHistory : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetAllState();
        dir = TempDir(::testing::UnitTest::GetInstance()->current_test_info()->name());
    }
    void TearDown() override { ResetAllState(); }

    void Open(const std::string& bytes)
    {
        ui.openPaths.push_back(File("bank.json", bytes));
        CmdOpen(ui, kOwner);
        ASSERT_TRUE(g_hasJson);
    }
    std::u16string File(const std::string& name, const std::string& bytes)
    {
        std::u16string path = Join(dir, name);
        WriteBytes(path, bytes);
        return path;
    }
    // What Save As would write, and the listing the view would show.
    static std::string Bytes() { return DumpJsonForSave(g_jsonDoc); }
    static std::string Listing()
    {
        EnsureNotesCurrent();
        return FormatDocumentListing(g_jsonDoc, g_validationWarnings);
    }
    // The item editor's OK on item `position` with its question set to `question`.
    void EditQuestion(size_t position, const std::string& question)
    {
        const IndexLists lists = BuildIndexLists(g_jsonDoc);
        FormModel form = LoadItemForm(g_jsonDoc["items"][position]);
        const FormModel shown = form;
        const int type = form.Selection(IDC_ED_TYPE);
        const auto& of = lists[type];
        form.selections[IDC_ED_ITEM] = static_cast<int>(std::find(of.begin(), of.end(), position) - of.begin());
        form.texts[IDC_ED_QUESTION] = s2w(question);
        std::u16string error;
        size_t at = 0;
        bool added = false, changed = false;
        ASSERT_TRUE(SaveItemFormStep(lists, form, &shown, error, at, added, changed)) << U8(error);
        EXPECT_EQ(at, position);
    }
    void AddItem(const std::string& id)
    {
        const IndexLists lists = BuildIndexLists(g_jsonDoc);
        FormModel form = ClearedItemForm();
        form.selections[IDC_ED_TYPE] = 0;
        form.selections[IDC_ED_ITEM] = static_cast<int>(lists[0].size());
        form.texts[IDC_ED_ID] = s2w(id);
        form.texts[IDC_ED_QUESTION] = u"new " + s2w(id);
        std::u16string error;
        size_t at = 0;
        bool added = false, changed = false;
        ASSERT_TRUE(SaveItemFormStep(lists, form, nullptr, error, at, added, changed)) << U8(error);
        EXPECT_TRUE(added);
    }
    // The wizard's Apply to All over every item lacking an MLO, from the first of them.
    void ApplyToAll(const std::string& mlo)
    {
        std::vector<ImportIssue> issues;
        for (const json& item : g_jsonDoc["items"])
            if (FieldText(item.value("objectives", json::object()), "MLO").empty())
                issues.push_back({ItemIdText(item), false, true});
        g_fixupIssues = BuildFixupList(issues);
        g_fixupPos = 0;
        IndexFixupItems();
        if (g_fixupIssues.empty()) return;
        size_t index = 0;
        ASSERT_TRUE(FindItemIndexById(g_fixupIssues[0].id, index));
        FormModel form = LoadFixupForm(g_fixupIssues[0], 0, g_fixupIssues.size(), g_jsonDoc["items"][index]);
        form.texts[IDC_FIX_MLO] = s2w(mlo);
        std::vector<size_t> changed;
        ASSERT_TRUE(ApplyOutcomesForm(OutcomeTargets(false), index, form, false, changed));
        g_fixup = FixupState{};
    }
    // Replace All in the raw view, then the view's text taken into the document.
    void ReplaceAllInRaw(const std::u16string& find, const std::u16string& with)
    {
        g_viewRaw = true;
        EnsureRawTextCurrent();
        size_t count = 0;
        ui.TypeIntoView(ReplaceAllMatches(g_rawJsonText, find, with, true, count));
        ASSERT_TRUE(ApplyRawViewEdits(ui, kOwner));
        g_viewRaw = false;
    }
    void RemoveInRaw(size_t position)
    {
        json edited = g_jsonDoc;
        edited["items"].erase(edited["items"].begin() + static_cast<long>(position));
        g_viewRaw = true;
        ui.TypeIntoView(DumpJsonForRawView(edited));
        ASSERT_TRUE(ApplyRawViewEdits(ui, kOwner));
        g_viewRaw = false;
    }
    void Merge(const std::string& bytes)
    {
        ui.openPathLists.push_back({File("more.json", bytes)});
        CmdOpenAndMerge(ui, kOwner);
    }

    BatchUi ui;
    std::u16string dir;
};

std::string Bank(size_t count)
{
    json doc = json::object();
    doc["title"] = "bank";
    for (size_t i = 0; i < count; ++i) {
        json item = {{"id", "Q" + std::to_string(i + 1)}, {"type", "multiple_choice"},
                     {"question", "Question " + std::to_string(i + 1)},
                     {"choices", {{"A", "a"}, {"B", "b"}, {"C", "c"}, {"D", "d"}}}, {"correct", "A"}};
        item["objectives"] = {{"MLO", i % 3 ? "" : "M1"}, {"CLO", ""}, {"PLO", ""}};
        doc["items"].push_back(item);
    }
    return doc.dump();
}

} // namespace

// Every kind of change, in random order: undoing all gives the opened bytes back, redoing all
// the final ones, and each state on the way is exactly the one the change made.
TEST_F(UndoHistory, RandomChangesUndoAndRedoThroughEveryState)
{
    for (unsigned seed = 1; seed <= 6; ++seed) {
        SCOPED_TRACE(seed);
        ResetAllState();
        Open(Bank(12));
        std::mt19937 random(seed);
        std::vector<std::string> bytes{Bytes()}, listings{Listing()};
        std::vector<std::u16string> names;
        for (int step = 0; step < 14; ++step) {
            const size_t count = g_jsonDoc["items"].size();
            const size_t pick = random() % count;
            switch (random() % 6) {
            case 0: EditQuestion(pick, "edited " + std::to_string(step)); break;
            case 1: AddItem("N" + std::to_string(step)); break;
            case 2: ApplyToAll("MLO-" + std::to_string(step)); break;
            case 3: ReplaceAllInRaw(u"Question", u"Q" + s2w(std::to_string(step))); break;
            case 4: RemoveInRaw(pick); break;
            default: { // a copy of an item under a new ID: the merge's notes name it
                json copy = g_jsonDoc["items"][pick];
                copy["id"] = "M" + std::to_string(step);
                Merge(json{{"items", {copy}}}.dump());
                break;
            }
            }
            if (Bytes() == bytes.back() && Listing() == listings.back()) continue; // nothing changed: no step
            ASSERT_TRUE(g_modified);
            bytes.push_back(Bytes());
            listings.push_back(Listing());
            ASSERT_NE(HistoryStepName(true), nullptr);
            names.push_back(*HistoryStepName(true));
        }
        ASSERT_EQ(g_document.history.done, bytes.size() - 1);
        for (size_t k = bytes.size() - 1; k-- > 0;) {
            CmdUndo(ui, kOwner);
            ASSERT_EQ(Bytes(), bytes[k]) << "undo of " << U8(names[k]);
            ASSERT_EQ(Listing(), listings[k]);
            ASSERT_EQ(g_modified, k != 0) << "only the opened state is the saved one";
        }
        EXPECT_EQ(HistoryStepName(true), nullptr);
        for (size_t k = 1; k < bytes.size(); ++k) {
            CmdRedo(ui, kOwner);
            ASSERT_EQ(Bytes(), bytes[k]) << "redo of " << U8(names[k - 1]);
            ASSERT_EQ(Listing(), listings[k]);
        }
        EXPECT_EQ(HistoryStepName(false), nullptr);
        // The listing made from the bytes themselves, as a fresh open makes it.
        EXPECT_EQ(Listing(), FormatTestbankListing(Bytes(), g_validationWarnings));
    }
}

TEST_F(UndoHistory, StepsNameWhatTheyDidAndKeepOnlyWhatChanged)
{
    Open(Bank(30));
    EditQuestion(4, "changed");
    EXPECT_EQ(U8(*HistoryStepName(true)), "Edit Item Q5");
    ASSERT_EQ(g_document.history.steps.back().splices.size(), 1u);
    ApplyToAll("M9");
    EXPECT_EQ(U8(*HistoryStepName(true)), "Apply to All (20 items)");
    EXPECT_EQ(g_document.history.steps.back().splices.size(), 20u); // the items it gave the MLO, no others
    ReplaceAllInRaw(u"Question 7\"", u"Seven\"");
    EXPECT_EQ(g_document.history.steps.back().splices.size(), 1u);
    Merge(R"({"items":[{"id":"Z1","type":"true_false","question":"z","correct":"True","objectives":{"MLO":"x"}}]})");
    EXPECT_EQ(U8(*HistoryStepName(true)), "Open & Merge (1 item)");
    bool enabled = false;
    EXPECT_EQ(U8(UndoMenuText(ui, true, enabled)), "&Undo Open && Merge (1 item)\tCtrl+Z");
    EXPECT_TRUE(enabled);
    UndoMenuText(ui, false, enabled);
    EXPECT_FALSE(enabled);
}

// The modified mark follows the saved state through undo and redo; a change made after
// undoing past the save leaves no way back to it.
TEST_F(UndoHistory, ModifiedMarkFollowsTheSavedState)
{
    Open(Bank(5));
    const std::u16string saved = Join(dir, "saved.json");
    EditQuestion(0, "one");
    ui.savePaths.push_back(saved);
    ASSERT_TRUE(CmdSaveAs(ui, kOwner));
    EXPECT_FALSE(g_modified);
    EditQuestion(1, "two");
    CmdUndo(ui, kOwner);
    EXPECT_FALSE(g_modified);
    CmdUndo(ui, kOwner);
    EXPECT_TRUE(g_modified);
    CmdRedo(ui, kOwner);
    EXPECT_FALSE(g_modified);
    EXPECT_EQ(Bytes(), ReadBytes(saved));
    CmdUndo(ui, kOwner);
    EditQuestion(2, "three"); // the saved state is now past reach
    CmdUndo(ui, kOwner);
    EXPECT_TRUE(g_modified);
    CmdRedo(ui, kOwner);
    EXPECT_TRUE(g_modified);
    // New starts again: nothing to undo, nothing modified.
    ui.answers.push_back(MsgAnswer::No); // not saved
    CmdNewTestbank(ui, kOwner);
    EXPECT_EQ(HistoryStepName(true), nullptr);
    EXPECT_FALSE(g_modified);
}

TEST_F(UndoHistory, BoundedInBytesOldestFirstNewestKept)
{
    Open(Bank(3));
    const size_t limit = 200'000;
    g_document.history.limit = limit;
    const std::string big(limit / 5, 'x');
    for (int k = 0; k < 12; ++k) EditQuestion(k % 3, big + std::to_string(k));
    const ::History& h = g_document.history;
    EXPECT_LE(h.bytes, limit);
    EXPECT_LT(h.steps.size(), 12u);
    EXPECT_EQ(h.done, h.steps.size());
    const std::string last = Bytes();
    while (HistoryStepName(true)) CmdUndo(ui, kOwner);
    EXPECT_TRUE(g_modified); // the opened state was dropped with the oldest steps
    while (HistoryStepName(false)) CmdRedo(ui, kOwner);
    EXPECT_EQ(Bytes(), last);
    // One step larger than the whole bound is still kept.
    EditQuestion(0, std::string(limit + 10, 'y'));
    EXPECT_EQ(g_document.history.steps.size(), 1u);
    CmdUndo(ui, kOwner);
    EXPECT_EQ(Bytes(), last);
}
