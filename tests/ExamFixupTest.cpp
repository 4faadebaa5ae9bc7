#include <gtest/gtest.h>

#include "TestUtil.h"
#include "app/BatchUi.h"
#include "export/ExamSelection.h"
#include "app/DocumentCommands.h"
#include "fixup/FixupLogic.h"
#include "util/StringUtil.h"

TEST(ExamExport, SnippetAndCounter)
{
    EXPECT_EQ(MakeQuestionSnippet(json::parse(R"({"question":"a\r\nb\tc"})")), u"a  b c");
    EXPECT_EQ(MakeQuestionSnippet(json::parse(R"({"question":42})")), u"42");
    EXPECT_EQ(MakeQuestionSnippet(json::parse(R"({"question":null})")), u"");
    EXPECT_EQ(MakeQuestionSnippet(json::parse("{\"question\":\"" + std::string(200, 'x') + "\"}")),
              s2w(std::string(180, 'x') + "..."));
    // The cut counts bytes: a split character becomes U+FFFD.
    EXPECT_EQ(MakeQuestionSnippet(json::parse("{\"question\":\"" + std::string(179, 'x') + "\xC3\xA9\"}")),
              s2w(std::string(179, 'x')) + u"\uFFFD...");
    EXPECT_EQ(SelectedCountText(3, 10), u"Selected: 3 / 10");
}

TEST(ExamExport, RowsFollowTheDocumentAndTheRememberedSelection)
{
    ResetAllState();
    const json doc = json::parse(R"({"items":[{"id":"a","type":"mc","category":"c","question":"q\nr"},"x",
                                              {"id":"b","type":"tf"},{"id":"c"}]})");
    // A fresh selection checks every row; non-objects get no row but keep later indices.
    std::vector<ExamRow> rows = BuildExamRows(doc);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1].itemIndex, 2u);
    EXPECT_EQ(rows[0].question, u"q r");
    EXPECT_EQ(rows[0].category, u"c");
    EXPECT_EQ(rows[1].type, u"tf");
    for (const ExamRow& row : rows) EXPECT_TRUE(row.checked);

    // A recorded selection checks only its IDs; items added since come up unchecked.
    g_examSelectionInitialized = true;
    g_examSelectedIds = {"b"};
    rows = BuildExamRows(doc);
    EXPECT_EQ((std::vector<bool>{rows[0].checked, rows[1].checked, rows[2].checked}),
              (std::vector<bool>{false, true, false}));

    // Checked rows give the IDs behind their stored indices; stale ones add nothing.
    EXPECT_EQ(SelectedIdsFromRows(doc, {0, 3, 1, 99}), (std::set<std::string>{"a", "c"}));
    EXPECT_TRUE(SelectedIdsFromRows(json::object(), {0}).empty());
    ResetAllState();
}

TEST(ExamExport, TheExamFollowsTheOrderSortedInSelectItems)
{
    json doc = json::parse(R"({"items":[{"id":"b","question":"2"},{"id":"c","question":"1"},{"id":"a","question":"3"},
                                        {"id":"d","question":"0"}]})");
    const std::vector<ExamRow> rows = BuildExamRows(doc);
    const std::vector<std::string> byQuestion = SortedExamOrder(rows, 3, true);
    EXPECT_EQ(byQuestion, (std::vector<std::string>{"d", "c", "b", "a"}));
    auto ids = [](const json& exam) {
        std::vector<std::string> out;
        for (const json& item : exam["items"]) out.push_back(item["id"]);
        return out;
    };
    EXPECT_EQ(ids(BuildExam(doc, {"a", "b", "c"})), (std::vector<std::string>{"b", "c", "a"}));
    EXPECT_EQ(ids(BuildExam(doc, {"a", "b", "c"}, false, byQuestion)), (std::vector<std::string>{"c", "b", "a"}));
    // IDs the order lacks (added since the sort) come last, in document order.
    EXPECT_EQ(ids(BuildExam(doc, {"a", "b", "c", "d"}, false, {"a", "c"})),
              (std::vector<std::string>{"a", "c", "b", "d"}));
}

TEST(ExamExport, RefusalsAndExamLayout)
{
    ResetDocumentState();
    ClearExamSelectionState();
    BatchUi ui;
    auto lastText = [&] { return U8(ui.messages.back().text); };
    EXPECT_FALSE(SaveExamSelectionsWith(ui, nullptr));
    EXPECT_EQ(lastText(), "No JSON loaded (or missing items array).");
    EXPECT_EQ(U8(ui.messages.back().caption), "Save Selections");

    g_hasJson = true;
    g_jsonDoc = json::parse(R"({"title":"t","items":[{"id":"b","q":"\u00e9"},3,{"id":"a"},{"id":"b","n":2}]})");
    EXPECT_FALSE(SaveExamSelectionsWith(ui, nullptr));
    EXPECT_EQ(lastText(), "No selections yet. Use Create -> Select Items first.");
    g_examSelectionInitialized = true;
    EXPECT_FALSE(SaveExamSelectionsWith(ui, nullptr));
    EXPECT_EQ(lastText(), "No items selected.");
    g_examSelectedIds = {"gone"};
    EXPECT_FALSE(SaveExamSelectionsWith(ui, nullptr));
    EXPECT_EQ(lastText(), "No selected items could be found in the current document.");

    g_examSelectedIds = {"b"};
    const size_t before = ui.messages.size();
    EXPECT_FALSE(SaveExamSelectionsWith(ui, nullptr)); // dialog cancelled: silent
    EXPECT_EQ(ui.messages.size(), before);
    EXPECT_EQ(ui.suggestedNames.back(), u"exam.json");

    const std::u16string path = Join(TempDir("exam"), "exam.json");
    ui.savePaths.push_back(path);
    EXPECT_TRUE(SaveExamSelectionsWith(ui, nullptr));
    EXPECT_EQ(lastText(), "Exam JSON saved successfully.\n\n" + U8(path));
    EXPECT_EQ(ReadBytes(path), "{\n    \"items\": [\n        {\n            \"id\": \"b\",\n            \"q\": \"\xC3\xA9\"\n"
                               "        },\n        {\n            \"id\": \"b\",\n            \"n\": 2\n        }\n    ]\n}");
    ResetDocumentState();
    ClearExamSelectionState();
}

TEST(ImportFixup, ListOrderCyclicSearchAndHeader)
{
    const std::vector<ImportIssue> raw = {{"b", true, false}, {"a", false, true}, {"b", false, true}, {"", true, true},
                                          {"c", false, false}};
    g_fixupIssues = BuildFixupList(raw);
    ASSERT_EQ(g_fixupIssues.size(), 2u);
    EXPECT_EQ(g_fixupIssues[0].id, "a");
    EXPECT_EQ(FixupHeaderText(1, 2, g_fixupIssues[1]), u"Fix item 2 of 2  (missing: type, MLO)");
    EXPECT_EQ(FixupHeaderText(0, 2, ImportIssue{"x", false, false}), u"Fix item 1 of 2");
    EXPECT_EQ(MissingPartsText(g_fixupIssues[0]), "MLO");

    EXPECT_EQ(NextUnresolvedIndex(0, 1), 1u);
    EXPECT_EQ(NextUnresolvedIndex(0, -1), 1u);
    {
        // Four entries, one resolved: direction decides which comes next.
        const std::vector<ImportIssue> saved = g_fixupIssues;
        g_fixupIssues = {{"a", true, false}, {"b", true, false}, {"c", false, false}, {"d", false, true}};
        EXPECT_EQ(NextUnresolvedIndex(1, 1), 3u);
        EXPECT_EQ(NextUnresolvedIndex(1, -1), 0u);
        EXPECT_EQ(NextUnresolvedIndex(0, -1), 3u);
        EXPECT_EQ(NextUnresolvedIndex(3, 1), 0u);
        g_fixupIssues = saved;
    }
    g_fixupIssues[1] = ImportIssue{"b", false, false};
    EXPECT_EQ(NextUnresolvedIndex(0, 1), 0u); // the start itself, last
    g_fixupIssues[0].missingMlo = false;
    EXPECT_EQ(NextUnresolvedIndex(0, 1), kNoIssue);
    g_fixupIssues.clear();
    EXPECT_EQ(NextUnresolvedIndex(0, 1), kNoIssue);

    EXPECT_EQ(TypeToComboIndex("numerical"), 2);
    EXPECT_EQ(TypeToComboIndex("Numerical"), 2); // a recognised spelling counts as its type
    EXPECT_EQ(TypeToComboIndex("tf"), 1);
    EXPECT_EQ(TypeToComboIndex("essay"), 0);
    EXPECT_EQ(ComboIndexToType(-1), "multiple_choice");
    EXPECT_EQ(ComboIndexToType(3), "algorithmic");
    EXPECT_TRUE(IsBlankWide(u" \t\u3000"));
    EXPECT_FALSE(IsBlankWide(u" x"));
}

TEST(ImportFixup, SavingAnItemUpdatesTypeObjectivesAndFlags)
{
    ResetDocumentState();
    g_hasJson = true;
    g_jsonDoc = json::parse(R"({"items":[3,{"id":"a","type":"essay","objectives":"lost","keep":1},{"id":"b"}]})");
    g_fixupIssues = {{"a", true, false}, {"b", false, true}};
    g_fixupPos = 0;
    size_t index = 0;
    ASSERT_TRUE(FindItemIndexById("a", index));
    EXPECT_EQ(index, 1u);
    EXPECT_FALSE(FindItemIndexById("zz", index));

    // Flagged only for its type, saved with a blank MLO: stays, now for its MLO.
    EXPECT_TRUE(ApplyFixupToCurrentItem(1, 2, u"", u"", u""));
    EXPECT_EQ(g_jsonDoc["items"][1], json::parse(R"({"id":"a","type":"numerical","keep":1,
                                                     "objectives":{"MLO":"","CLO":"","PLO":""}})"));
    EXPECT_FALSE(g_fixupIssues[0].missingType);
    EXPECT_TRUE(g_fixupIssues[0].missingMlo);
    // Now the MLO is required: a refused save changes nothing, not even the type.
    const json before = g_jsonDoc;
    EXPECT_FALSE(ApplyFixupToCurrentItem(1, 1, u" \t", u"c", u"p"));
    EXPECT_EQ(g_jsonDoc, before);
    EXPECT_TRUE(g_fixupIssues[0].missingMlo);
    EXPECT_TRUE(ApplyFixupToCurrentItem(1, -1, u" M ", u"c", u"p"));
    EXPECT_EQ(g_jsonDoc["items"][1]["objectives"]["MLO"], " M ");
    EXPECT_TRUE(IsResolved(g_fixupIssues[0]));
    g_fixupIssues.clear();
    ResetDocumentState();
}

TEST(ImportFixup, FormShowsTheItemAndSavesThroughIt)
{
    ResetAllState();
    g_hasJson = true;
    g_jsonDoc = json::parse(R"({"items":[{"id":"t","type":"tf","question":"a\nb","objectives":{"MLO":"m","CLO":7}},
                                          {"id":"u","type":"essay","objectives":"text"}]})");
    g_fixupIssues = {{"t", false, true}, {"u", true, false}};
    FormModel form = LoadFixupForm(g_fixupIssues[0], 0, 2, g_jsonDoc["items"][0]);
    EXPECT_EQ(form.Text(IDC_FIX_HEADER), u"Fix item 1 of 2  (missing: MLO)");
    EXPECT_EQ(form.Text(IDC_FIX_ID), u"t");
    EXPECT_EQ(form.Text(IDC_FIX_QUESTION), u"a\r\nb");
    EXPECT_EQ(form.Selection(IDC_FIX_TYPE), 1); // "tf" shows as True/False, not entry 0
    EXPECT_EQ(form.Text(IDC_FIX_MLO), u"m");
    EXPECT_EQ(form.Text(IDC_FIX_CLO), u"");
    // Saved untouched, a recognised spelling keeps its kind.
    ASSERT_TRUE(ApplyFixupForm(0, form));
    EXPECT_EQ(g_jsonDoc["items"][0]["type"], "true_false");
    EXPECT_EQ(g_jsonDoc["items"][0]["objectives"], json::parse(R"({"MLO":"m","CLO":"","PLO":""})"));

    g_fixupPos = 1;
    form = LoadFixupForm(g_fixupIssues[1], 1, 2, g_jsonDoc["items"][1]);
    EXPECT_EQ(form.Selection(IDC_FIX_TYPE), 0);
    EXPECT_EQ(form.Text(IDC_FIX_QUESTION), u"");
    form.selections[IDC_FIX_TYPE] = -1; // no selection saves multiple choice
    form.texts[IDC_FIX_MLO] = u"M";
    ASSERT_TRUE(ApplyFixupForm(1, form));
    EXPECT_EQ(g_jsonDoc["items"][1], json::parse(R"({"id":"u","type":"multiple_choice",
                                                     "objectives":{"MLO":"M","CLO":"","PLO":""}})"));
    EXPECT_TRUE(IsResolved(g_fixupIssues[1]));
    ResetAllState();
}
