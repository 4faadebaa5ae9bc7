// `testbank report` and the coverage counting behind it, on a bank built for it
// (tests/data/coverage.json: blank, near-identical and unexpected codes).
#include <gtest/gtest.h>

#include "TestUtil.h"
#include "cli/TestbankCli.h"
#include "report/Coverage.h"
#include "ui/ScriptedUi.h"
#include "util/StringUtil.h"

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

bool Has(const std::string& text, const std::string& line) { return text.find(line + "\n") != std::string::npos; }

} // namespace

TEST(CoverageReport, CsvCountsEveryOutcomeOfTheBank)
{
    Result r = Tb({"report", Data("coverage.json"), "--expect", Data("coverage-expected.csv"), "--format", "csv"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, "level,code,items,multiple_choice,true_false,numerical,algorithmic,expected\n"
                     "MLO,MLO-1,3,1,1,1,0,yes\n" // "MLO-1 " counted as MLO-1
                     "MLO,MLO-2,1,1,0,0,0,yes\n" // stored as "MC": a multiple-choice item
                     "MLO,MLO-3,0,0,0,0,0,yes\n"
                     "MLO,MLO-4,0,0,0,0,0,yes\n" // a bare code on the list is an MLO
                     "MLO,MLO-X,1,1,0,0,0,no\n"
                     "MLO,MLO1,1,0,0,0,1,no\n"
                     "MLO,mlo_1,1,1,0,0,0,no\n"
                     "MLO,\"\",2,0,1,1,0,no\n" // "" and "   "
                     "CLO,CLO-1,5,3,2,0,0,yes\n"
                     "CLO,CLO-2,2,0,0,1,1,yes\n"
                     "CLO,CLO-3,1,0,0,1,0,yes\n"
                     "CLO,CLO-4,0,0,0,0,0,yes\n"
                     "CLO,\"\",1,1,0,0,0,no\n"
                     "PLO,PLO-1,5,2,1,2,0,\n" // the list names no PLO: not judged
                     "PLO,PLO-2,2,2,0,0,0,\n"
                     "PLO,PLO-9,1,0,1,0,0,\n"
                     "PLO,\"\",1,0,0,0,1,\n");
    EXPECT_TRUE(r.err.empty());

    // Without a list: no column, no rows for codes no item has.
    Result plain = Tb({"report", Data("coverage.json"), "--format", "csv", "--level", "clo"});
    ASSERT_EQ(plain.code, 0) << plain.err;
    EXPECT_EQ(plain.out, "level,code,items,multiple_choice,true_false,numerical,algorithmic\n"
                         "CLO,CLO-1,5,3,2,0,0\nCLO,CLO-2,2,0,0,1,1\nCLO,CLO-3,1,0,0,1,0\nCLO,\"\",1,1,0,0,0\n");
}

TEST(CoverageReport, TextShowsBlanksNearIdenticalCodesAndTheListsFindings)
{
    Result r = Tb({"report", Data("coverage.json"), "--expect", Data("coverage-expected.csv")});
    ASSERT_EQ(r.code, 0) << r.err;
    const std::string& t = r.out;
    EXPECT_TRUE(Has(t, "9 items")) << t;
    EXPECT_TRUE(Has(t, "MLO: 7 codes, 2 items with a blank MLO"));
    EXPECT_TRUE(Has(t, "Code     Items  Multiple choice  True/false  Numerical  Algorithmic  Expected  Categories"));
    EXPECT_TRUE(Has(t, "MLO-1        3                1           1          1            0  yes       Arrays; Loops"));
    EXPECT_TRUE(Has(t, "(blank)      2                0           1          1            0            Loops"));
    EXPECT_TRUE(Has(t, "Items with a blank MLO: C7, C8"));
    EXPECT_TRUE(Has(t, "Near-identical codes: \"MLO-1\" (3), \"MLO1\" (1), \"mlo_1\" (1)"));
    EXPECT_TRUE(Has(t, "Not assessed: MLO-3, MLO-4"));
    EXPECT_TRUE(Has(t, "Not on the list: MLO-X, MLO1, mlo_1"));
    EXPECT_TRUE(Has(t, "Not assessed: CLO-4"));
    EXPECT_TRUE(Has(t, "Not on the list: none"));
    EXPECT_TRUE(Has(t, "Not checked against the expected list: it names no PLO codes."));
    EXPECT_TRUE(Has(t, "Items with a blank PLO: C4"));
}

TEST(CoverageReport, SelectedIdsAndSeveralBanks)
{
    Result some = Tb({"report", Data("coverage.json"), "--level", "MLO", "--id", "C1", "--id", "C7", "--id", "nope",
                      "--format", "csv"});
    ASSERT_EQ(some.code, 0) << some.err;
    EXPECT_EQ(some.out, "level,code,items,multiple_choice,true_false,numerical,algorithmic\n"
                        "MLO,MLO-1,1,1,0,0,0\nMLO,\"\",1,0,1,0,0\n");

    // Two banks counted together; the blank items are named with their file.
    const std::u16string dir = TempDir("CoverageSeveralBanks");
    const std::u16string other = Join(dir, "other.json");
    WriteBytes(other, R"({"items":[{"id":"C7","type":"tf","question":"q","correct":"True","objectives":{"MLO":" "}},
        {"id":"Z","type":"numerical","question":"q","answer":"1","objectives":{"MLO":"MLO 1","CLO":"c"}}]})");
    Result both = Tb({"report", Data("coverage.json"), w2s(other), "--level", "MLO"});
    ASSERT_EQ(both.code, 0) << both.err;
    EXPECT_TRUE(Has(both.out, "11 items")) << both.out;
    EXPECT_TRUE(Has(both.out, "Items with a blank MLO: " + Data("coverage.json") + ": C7, " + Data("coverage.json") +
                                  ": C8, " + w2s(other) + ": C7"))
        << both.out;
    EXPECT_TRUE(Has(both.out, "Near-identical codes: \"MLO 1\" (1), \"MLO-1\" (3), \"MLO1\" (1), \"mlo_1\" (1)"));

    // One bank that fails fails the report, with the editor's message.
    Result bad = Tb({"report", Data("coverage.json"), Data("bad-item.json")});
    EXPECT_EQ(bad.code, 1);
    EXPECT_TRUE(bad.out.empty());
    EXPECT_EQ(bad.err, "Invalid item at index 1: each item must be an object.\n");
}

TEST(CoverageReport, ExpectedListsAndTheirMistakes)
{
    ExpectedOutcomes list;
    std::string error;
    ASSERT_TRUE(ParseExpectedOutcomes("\xEF\xBB\xBF" "LEVEL,Code\r\n# comment\n\n  A-1  \n\"PLO\",\"P,1\"\nclo,C 2,,\rplo,\"say \"\"x\"\"\"",
                                      OutcomeLevel::CLO, list, error))
        << error;
    EXPECT_EQ(list.codes[0], std::set<std::string>{});
    EXPECT_EQ(list.codes[1], (std::set<std::string>{"A-1", "C 2"}));
    EXPECT_EQ(list.codes[2], (std::set<std::string>{"P,1", "say \"x\""}));

    EXPECT_FALSE(ParseExpectedOutcomes("MLO,1\nXLO,2\n", OutcomeLevel::MLO, list, error));
    EXPECT_EQ(error, "Line 2: \"XLO\" is not an outcome level (MLO, CLO or PLO).");
    EXPECT_FALSE(ParseExpectedOutcomes("MLO,1,2\n", OutcomeLevel::MLO, list, error));
    EXPECT_EQ(error, "Line 1: expected CODE or LEVEL,CODE.");

    // The command: a list it cannot read or use fails with the reason, nothing on stdout.
    const std::u16string dir = TempDir("CoverageExpected");
    const std::u16string wrong = Join(dir, "wrong.txt");
    WriteBytes(wrong, "MLO-1\nLevel 2,MLO-2\n");
    Result bad = Tb({"report", Data("coverage.json"), "--expect", w2s(wrong)});
    EXPECT_EQ(bad.code, 1);
    EXPECT_TRUE(bad.out.empty());
    EXPECT_EQ(bad.err, w2s(wrong) + ": Line 2: \"Level 2\" is not an outcome level (MLO, CLO or PLO).\n");
    Result missing = Tb({"report", Data("coverage.json"), "--expect", w2s(Join(dir, "none.txt"))});
    EXPECT_EQ(missing.code, 1);
    EXPECT_EQ(missing.err, "Cannot read the expected-outcomes list " + w2s(Join(dir, "none.txt")) + ".\n");

    for (const std::vector<std::string>& usage :
         {std::vector<std::string>{"report"}, {"report", Data("coverage.json"), "--format", "pdf"},
          {"report", Data("coverage.json"), "--level", "XLO"}, {"report", Data("coverage.json"), "--level"},
          {"check", Data("coverage.json"), "--expect", w2s(wrong)}, {"export", Data("coverage.json"), "--level", "MLO"},
          {"report", Data("coverage.json"), "--level", "MLO", "--level", "CLO"}}) {
        Result r = Tb(usage);
        EXPECT_EQ(r.code, 2) << usage.back();
        EXPECT_TRUE(r.out.empty());
    }
}

TEST(CoverageReport, MarkupInCodesStaysText)
{
    CoverageCounter counter({OutcomeLevel::MLO});
    counter.Add(json::parse(R"({"id":"Q<1>","type":"true_false","category":"A&B",
                                "objectives":{"MLO":"<b>\"x\",y</b>"}})"));
    counter.Add(json::parse(R"({"id":"Q2","type":"essay","objectives":{"MLO":"<b>\"x\",y</b>"}})"));
    counter.Add(json::parse(R"({"id":"Q3","type":"numerical","objectives":"MLO-1"})"));
    counter.Add(json::parse(R"("not an item")"));
    CoverageReport report = counter.Finish();
    report.sources = {"<bank>"};
    ASSERT_EQ(report.items, 3u);
    // A type none of the four counts in the total only.
    EXPECT_EQ(RenderCoverageCsv(report, false), "level,code,items,multiple_choice,true_false,numerical,algorithmic\n"
                                                "MLO,\"<b>\"\"x\"\",y</b>\",2,0,1,0,0\nMLO,\"\",1,0,0,1,0\n");
    const std::string html = RenderCoverageHtml(report);
    EXPECT_EQ(html.find("<b>"), std::string::npos);
    EXPECT_EQ(html.find("<bank>"), std::string::npos);
    EXPECT_NE(html.find("&lt;b&gt;&quot;x&quot;,y&lt;/b&gt;"), std::string::npos);
    EXPECT_NE(html.find("A&amp;B"), std::string::npos);
    EXPECT_NE(html.find("Items with a blank MLO: Q3"), std::string::npos);
    EXPECT_NE(html.find("<svg"), std::string::npos);
}

TEST(CoverageWindowLogic, ScopeSortAndSave)
{
    const std::string bank = ReadBytes(DataFile("coverage.json"));
    const json document = LoadOk(bank).doc;
    const std::set<std::string> selection{"C1", "C4", "C7"};
    CoverageReport part = DocumentCoverage(document, u"/banks/coverage.json", &selection);
    EXPECT_EQ(part.sources, std::vector<std::string>{"coverage.json (exam selection)"});
    EXPECT_EQ(w2s(CoverageSummaryText(part, part.levels[0])), "3 items, 2 codes, 1 with a blank MLO");

    const CoverageReport whole = DocumentCoverage(document, u"", nullptr);
    const LevelCoverage& mlo = whole.levels[0];
    auto codes = [&](int column, bool ascending) {
        std::vector<std::string> out;
        for (size_t i : SortedRowOrder(mlo, column, ascending)) out.push_back(CoverageCell(mlo.rows[i], 0));
        return out;
    };
    EXPECT_EQ(codes(0, true), (std::vector<std::string>{"(blank)", "MLO-1", "MLO-2", "MLO-X", "MLO1", "mlo_1"}));
    // Counts as numbers, largest first, ties by code.
    EXPECT_EQ(codes(1, false), (std::vector<std::string>{"MLO-1", "(blank)", "mlo_1", "MLO1", "MLO-X", "MLO-2"}));
    EXPECT_EQ(codes(5, false)[0], "MLO1");
    EXPECT_EQ(CoverageCell(mlo.rows[0], 7), "MLO1, mlo_1");
    EXPECT_EQ(CoverageCell(mlo.rows[0], 6), "Arrays; Loops");

    // Save Report: HTML or CSV through the typed save dialog; the suggested name follows the type.
    const std::u16string dir = TempDir("CoverageSave");
    Scripted<ModalUi> ui;
    ui.savePaths = {Join(dir, "coverage.html"), Join(dir, "coverage.html"), u""};
    ui.saveTypes = {0, 1};
    EXPECT_TRUE(SaveCoverageReportWith(ui, nullptr, whole));
    EXPECT_TRUE(SaveCoverageReportWith(ui, nullptr, whole));
    EXPECT_FALSE(SaveCoverageReportWith(ui, nullptr, whole)); // cancelled
    ASSERT_EQ(ui.offeredTypes.size(), 3u);
    EXPECT_EQ(ui.offeredTypes[0][1].label, u"CSV table (*.csv)");
    EXPECT_EQ(ui.suggestedNames[0], u"coverage.html");
    EXPECT_EQ(ReadBytes(Join(dir, "coverage.html")), RenderCoverageHtml(whole));
    EXPECT_EQ(ReadBytes(Join(dir, "coverage.csv")), RenderCoverageCsv(whole, false));
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(w2s(ui.messages[0].text), "Coverage report saved.\n\n" + w2s(Join(dir, "coverage.html")));
    EXPECT_EQ(w2s(ui.messages[0].caption), "Coverage Report");

    g_saveFailAt = SaveFailStep::Replace;
    ui.savePaths = {Join(dir, "coverage.html")};
    EXPECT_FALSE(SaveCoverageReportWith(ui, nullptr, part));
    g_saveFailAt = SaveFailStep::None;
    EXPECT_EQ(w2s(ui.messages.back().text), "Failed to save file.");
    EXPECT_EQ(w2s(ui.messages.back().caption), "Error");
    EXPECT_EQ(ui.messages.back().icon, MsgIcon::Error);
    EXPECT_EQ(ReadBytes(Join(dir, "coverage.html")), RenderCoverageHtml(whole)); // the old file intact
}
