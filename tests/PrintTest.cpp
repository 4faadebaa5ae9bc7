// The exam on paper: which items print, the versions, the page and the key.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "TestUtil.h"
#include "cli/TestbankCli.h"
#include "print/PrintLogic.h"
#include "util/StringUtil.h"

namespace {

json Mc(const std::string& id, const std::string& correct, std::vector<std::string> choices)
{
    json item = {{"id", id}, {"type", "multiple_choice"}, {"question", "Stem of " + id}, {"correct", correct}};
    const char* letters[] = {"A", "B", "C", "D"};
    for (size_t i = 0; i < 4; ++i) item["choices"][letters[i]] = i < choices.size() ? choices[i] : "";
    return item;
}

// Twelve choice items (one with "All of the above"), a true/false and a numerical one.
PrintableExam Sample()
{
    json exam = {{"items", json::array()}};
    for (int i = 0; i < 12; ++i)
        exam["items"].push_back(Mc("M" + std::to_string(i), "C", {"w" + std::to_string(i), "x", "right", "z"}));
    exam["items"].push_back(Mc("ALL", "D", {"one", "two", "three", "All of the above"}));
    exam["items"].push_back({{"id", "T"}, {"type", "tf"}, {"question", "Sure?"}, {"correct", false}});
    exam["items"].push_back({{"id", "N"}, {"type", "numeric"}, {"question", "How many?"}, {"answer", 42.5}});
    return CollectPrintQuestions(exam);
}

std::vector<size_t> Sorted(std::vector<size_t> v)
{
    std::sort(v.begin(), v.end());
    return v;
}

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

} // namespace

TEST(PrintExam, WhichItemsPrintAndHow)
{
    json exam = {{"items",
                  {Mc("A1", "b", {"x", "y", "", "All of the above"}),
                   Mc("EMPTYKEY", "C", {"x", "y", "", ""}),
                   Mc("ONE", "A", {"x", "", "", ""}),
                   {{"id", "ALG"}, {"type", "algorithmic"}, {"question", "Add"}, {"algorithm", json::object()}},
                   {{"id", "BLANK"}, {"type", "tf"}, {"question", "  "}, {"correct", "True"}},
                   {{"id", "TF"}, {"type", "True/False"}, {"question", "Sure?"}, {"correct", "False"}},
                   {{"id", "NUM"}, {"type", "numerical"}, {"question", "n?"}, {"answer", ""}, {"correct", " 7 "}},
                   {{"id", "NOANS"}, {"type", "numerical"}, {"question", "n?"}, {"answer", ""}},
                   {{"id", "ESSAY"}, {"type", "essay"}, {"question", "Why?"}},
                   "not an item"}}};
    const PrintableExam printed = CollectPrintQuestions(exam);
    EXPECT_EQ(printed.selected, 9u);
    ASSERT_EQ(printed.questions.size(), 3u);
    const PrintQuestion& mc = printed.questions[0];
    EXPECT_EQ(mc.choices, (std::vector<std::string>{"x", "y", "All of the above"})); // the empty C dropped
    EXPECT_EQ(mc.correct, 1u);
    EXPECT_TRUE(mc.keepChoiceOrder);
    EXPECT_EQ(printed.questions[1].kind, PrintQuestion::TrueFalse);
    EXPECT_FALSE(printed.questions[1].truth);
    EXPECT_EQ(printed.questions[2].answer, "7");
    std::vector<std::string> leftOut;
    for (const auto& [id, reason] : printed.leftOut) leftOut.push_back(id + ": " + reason);
    EXPECT_EQ(leftOut, (std::vector<std::string>{
                           "EMPTYKEY: the correct choice (C) is empty",
                           "ONE: it has fewer than two non-empty choices",
                           "ALG: algorithmic items are generated per student and cannot be printed",
                           "BLANK: the question text is empty",
                           "NOANS: the answer is empty",
                           "ESSAY: items of type \"essay\" cannot be printed",
                       }));
}

TEST(PrintExam, ChoicesThatReferToTheOthers)
{
    for (const char* text : {"All of the above", "none of the above.", "NONE OF THESE", "Both A and B", "A and B",
                             "a, b and c are correct", "Neither A nor C", "A and C only", "All of the others",
                             "Both (a) and (b)", "All but D"})
        EXPECT_TRUE(ChoiceRefersToOthers(text)) << text;
    for (const char* text : {"A", "Above the clouds", "a dog and a cat", "All cats", "Vitamin B and C", "None",
                             "Both", "", "Plan B"})
        EXPECT_FALSE(ChoiceRefersToOthers(text)) << text;
}

TEST(PrintExam, VersionsAreSeededPermutations)
{
    const PrintableExam exam = Sample();
    const size_t n = exam.questions.size();
    // One version: the exam as it stands.
    const std::vector<ExamVersion> one = MakeExamVersions(exam, 1, 99);
    ASSERT_EQ(one.size(), 1u);
    for (size_t at = 0; at < n; ++at) {
        EXPECT_EQ(one[0].order[at], at);
        EXPECT_EQ(one[0].choiceOrder[at], Sorted(one[0].choiceOrder[at]));
    }

    const std::vector<ExamVersion> a = MakeExamVersions(exam, 4, 7), b = MakeExamVersions(exam, 4, 7);
    const std::vector<ExamVersion> other = MakeExamVersions(exam, 4, 8);
    ASSERT_EQ(a.size(), 4u);
    // A seed given again reprints the same exam, whatever build prints it.
    EXPECT_EQ(a[3].order, (std::vector<size_t>{3, 7, 2, 8, 0, 6, 9, 1, 14, 13, 12, 10, 11, 5, 4}));
    std::set<std::vector<size_t>> orders;
    bool choicesMoved = false;
    for (size_t v = 0; v < a.size(); ++v) {
        EXPECT_EQ(a[v].order, b[v].order);
        EXPECT_EQ(a[v].choiceOrder, b[v].choiceOrder);
        std::vector<size_t> all(n);
        for (size_t i = 0; i < n; ++i) all[i] = i;
        EXPECT_EQ(Sorted(a[v].order), all) << "version " << v + 1 << " is no permutation";
        orders.insert(a[v].order);
        for (size_t at = 0; at < n; ++at) {
            const PrintQuestion& q = exam.questions[a[v].order[at]];
            const std::vector<size_t>& choices = a[v].choiceOrder[at];
            std::vector<size_t> identity(q.kind == PrintQuestion::Choice ? q.choices.size() : 0);
            for (size_t i = 0; i < identity.size(); ++i) identity[i] = i;
            EXPECT_EQ(Sorted(choices), identity);
            if (q.id == "ALL") {
                EXPECT_EQ(choices, identity) << "All of the above moved in version " << v + 1;
            } else {
                choicesMoved = choicesMoved || choices != identity;
            }
            // The key's letter names the correct choice as printed.
            if (q.kind == PrintQuestion::Choice) {
                EXPECT_EQ(choices[KeyAnswer(q, choices)[0] - 'a'], q.correct);
            }
        }
    }
    EXPECT_EQ(orders.size(), 4u);
    EXPECT_TRUE(choicesMoved);
    EXPECT_NE(a[0].order, other[0].order);
    // Version 2 does not depend on how many were asked for.
    EXPECT_EQ(MakeExamVersions(exam, 3, 7)[1].order, a[1].order);
    // Fixed numbers: both builds (and every later one) give these versions for seed 7.
    EXPECT_EQ(a[0].order, (std::vector<size_t>{14, 5, 11, 1, 13, 4, 2, 9, 7, 3, 12, 10, 6, 8, 0}));
}

TEST(PrintExam, PageAndKey)
{
    json exam = {{"items",
                  {Mc("a,\"b\"", "A", {"<b>x</b> & y", "line one\r\nline two", "", ""}),
                   {{"id", "T"}, {"type", "tf"}, {"question", "Sure?\x01"}, {"correct", true}},
                   {{"id", "N"}, {"type", "numerical"}, {"question", "n?"}, {"answer", "1,5"}}}}};
    const PrintableExam printed = CollectPrintQuestions(exam);
    const std::vector<ExamVersion> versions = MakeExamVersions(printed, 2, 3);
    EXPECT_EQ(RenderAnswerKeyCsv(printed, MakeExamVersions(printed, 1, 3)),
              "version,number,id,answer\n1,1,\"a,\"\"b\"\"\",a\n1,2,T,True\n1,3,N,\"1,5\"\n");
    const std::string csv = RenderAnswerKeyCsv(printed, versions);
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 7);

    const std::string html = RenderExamHtml(printed, versions, "Quiz </style><script>x</script>");
    EXPECT_EQ(html.find("<script>"), std::string::npos);
    EXPECT_EQ(html.find("</style"), html.rfind("</style")); // only the page's own
    EXPECT_NE(html.find("&lt;b&gt;x&lt;/b&gt; &amp; y"), std::string::npos);
    EXPECT_NE(html.find("line one\nline two"), std::string::npos);
    EXPECT_EQ(html.find('\r'), std::string::npos);
    EXPECT_EQ(html.find('\x01'), std::string::npos);
    EXPECT_NE(html.find("True / False"), std::string::npos);
    EXPECT_NE(html.find("Answer: <span class=\"line\">"), std::string::npos);
    EXPECT_NE(html.find("Name: "), std::string::npos);
    // Each version numbers its own pages (the document's page counter runs on across them).
    EXPECT_EQ(html.find("counter(page)"), std::string::npos);
    EXPECT_NE(html.find("@page v2 { counter-increment: vpage2; @bottom-center { content: \"Version 2, page \" counter(vpage2)"),
              std::string::npos);
    // Two versions and two keys, each from a new page.
    size_t sections = 0;
    for (size_t at = html.find("<section"); at != std::string::npos; at = html.find("<section", at + 1)) ++sections;
    EXPECT_EQ(sections, 4u);
    EXPECT_NE(html.find("Answer key \xC2\xB7 Version 2"), std::string::npos);
}

TEST(PrintExam, OptionTexts)
{
    unsigned versions = 0;
    uint64_t seed = 0;
    std::string error;
    EXPECT_TRUE(ParseVersionsText(" 4 ", versions, error));
    EXPECT_EQ(versions, 4u);
    for (const char* bad : {"0", "51", "-1", "2.5", "", "x", "99999999999999999999999"}) {
        EXPECT_FALSE(ParseVersionsText(bad, versions, error)) << bad;
        EXPECT_EQ(error, "Versions must be a whole number from 1 to 50.");
    }
    EXPECT_TRUE(ParseSeedText("18446744073709551615", seed, error));
    EXPECT_EQ(seed, UINT64_MAX);
    EXPECT_FALSE(ParseSeedText("18446744073709551616", seed, error));
    EXPECT_FALSE(ParseSeedText("-3", seed, error));
    EXPECT_EQ(PrintTitle(" Mid\r\nterm "), "Mid  term");
    EXPECT_EQ(PrintTitle(" \t"), "Exam");
    EXPECT_EQ(DefaultPrintTitle(json::object(), "C:\\exams\\bio.final.json"), "bio.final");
    EXPECT_EQ(DefaultPrintTitle({{"title", "Biology"}}, "x.json"), "Biology");
}

TEST(PrintExam, Command)
{
    const std::u16string dir = TempDir("PrintExamCommand");
    const std::string bank = w2s(Join(dir, "bank.json")), key = w2s(Join(dir, "key.csv"));
    json doc = {{"items", json::array()}};
    for (int i = 0; i < 6; ++i) doc["items"].push_back(Mc("Q" + std::to_string(i), "A", {"p", "q", "r"}));
    doc["items"].push_back({{"id", "G"}, {"type", "algorithmic"}, {"question", "g"}, {"algorithm", json::object()}});
    WriteBytes(Join(dir, "bank.json"), doc.dump());

    Result first = Tb({"print", bank, "--versions", "3", "--key", key});
    ASSERT_EQ(first.code, 0) << first.err;
    EXPECT_NE(first.out.find("<title>bank</title>"), std::string::npos); // the file's name
    EXPECT_NE(first.err.find("Printed 6 of 7 items in 3 versions"), std::string::npos) << first.err;
    EXPECT_NE(first.err.find("G: algorithmic"), std::string::npos);
    const std::string csv = ReadBytes(Join(dir, "key.csv"));
    EXPECT_EQ(csv.substr(0, 25), "version,number,id,answer\n");
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 19);
    // The default seed is 1; --id picks items.
    EXPECT_EQ(Tb({"print", bank, "--versions", "3", "--seed", "1"}).out, first.out);
    Result picked = Tb({"print", bank, "--id", "Q2", "--id", "Q4", "--title", "T", "-o", w2s(Join(dir, "p.html"))});
    ASSERT_EQ(picked.code, 0);
    EXPECT_TRUE(picked.out.empty());
    const std::string page = ReadBytes(Join(dir, "p.html"));
    EXPECT_NE(page.find("Stem of Q2"), std::string::npos);
    EXPECT_EQ(page.find("Stem of Q3"), std::string::npos);

    Result none = Tb({"print", bank, "--id", "G"});
    EXPECT_EQ(none.code, 1);
    EXPECT_EQ(none.err.find("Nothing to print: none of the 1 selected items can be printed."), 0u) << none.err;
    EXPECT_EQ(Tb({"print", bank, "--id", "nope"}).err, "No item has the ID nope.\n");
    for (std::vector<std::string> bad : {std::vector<std::string>{"print", bank, "--versions", "0"},
                                         {"print", bank, "--seed", "x"},
                                         {"print", bank, "--versions"},
                                         {"print", bank, "--key", key, "--key", key},
                                         {"print"},
                                         {"export", bank, "--versions", "2"}}) {
        Result r = Tb(bad);
        EXPECT_EQ(r.code, 2) << bad.back();
        EXPECT_TRUE(r.out.empty());
    }
    EXPECT_NE(Tb({"print", bank, "--versions", "0"}).err.find("Versions must be a whole number"), std::string::npos);
}
