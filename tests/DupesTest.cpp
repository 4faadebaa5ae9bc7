#include <gtest/gtest.h>

#include <map>
#include <set>

#include "PlantedBank.h"
#include "TestUtil.h"
#include "app/BatchUi.h"
#include "cli/TestbankCli.h"
#include "dupes/DupesLogic.h"
#include "util/StringUtil.h"
#include "util/TextFold.h"

namespace {

TEST(TextFold, EqualUnderNfkcCaseSpaceAndEndPunctuation)
{
    const std::vector<std::pair<std::string, std::string>> same = {
        {"Caf\u00e9", "CAFE\u0301"},                       // composed and decomposed, case
        {"\uff37\uff48\uff41\uff54 is \ufb01ve?", "what is five"}, // full-width letters, the fi ligature
        {"Stra\u00dfe", "STRASSE"},                      // full case folding
        {"  a \t\u00a0b\r\n c  ", "a b c"},              // every white space, collapsed and trimmed
        {"\u00bfQu\u00e9?!", "qu\u00e9"},                // punctuation at both ends
        {"zero\u200bwidth\u00ad", "zerowidth"},          // format characters dropped
        {"a\u0323\u0301", "a\u0301\u0323"},              // combining marks in canonical order
        {"\ud55c\uae00", "\u1112\u1161\u11ab\u1100\u1173\u11af"}, // Hangul syllables and jamo
    };
    for (const auto& [a, b] : same) EXPECT_EQ(FoldForComparison(a), FoldForComparison(b)) << a << " | " << b;
    EXPECT_NE(FoldForComparison("e"), FoldForComparison("\u00e9"));
    EXPECT_NE(FoldForComparison("a.b"), FoldForComparison("ab")); // inside, punctuation counts
    EXPECT_EQ(FoldForComparison("\xff\xc3(ok"), "\xef\xbf\xbd\xef\xbf\xbd(ok"); // malformed bytes: U+FFFD
}

TEST(ItemContent, KeyIsTheChoiceTextAndChoicesAreASet)
{
    const ItemContent a = GetItemContent(json::parse(
        R"({"type":"multiple_choice","question":"Q?","choices":{"A":"one","B":"Two","C":"","D":"x"},"correct":"b"})"));
    const ItemContent b = GetItemContent(
        json::parse(R"({"type":"multiple_choice","question":"q","choices":{"A":"two","B":"X","C":"ONE"},"correct":"A"})"));
    EXPECT_TRUE(SameQuestionAndChoices(a, b));
    EXPECT_EQ(a.key, "two");
    EXPECT_EQ(a.key, b.key);
    EXPECT_EQ(GetItemContent(json::parse(R"({"type":"numerical","question":"n","answer":42})")).key, "42");
    EXPECT_EQ(GetItemContent(json::parse(R"([1])")).question, "");
}

struct Found {
    std::vector<DupeEntry> entries;
    std::vector<DupeGroup> groups;
    std::map<std::string, size_t> groupOfId; // ID -> group index
};

Found FindIn(const json& document, double threshold = kDefaultDupeThreshold)
{
    Found f;
    AddDocumentEntries(document, 0, f.entries);
    f.groups = FindDuplicateGroups(f.entries, threshold);
    for (size_t g = 0; g < f.groups.size(); ++g)
        for (size_t m : f.groups[g].members) f.groupOfId[f.entries[m].id] = g;
    return f;
}

// Recall and precision on a planted bank: every exact and conflict plant found with its
// kind, no false exact or conflict group, the near-misses never grouped.
TEST(FindDuplicates, PlantedBankRecallAndPrecision)
{
    const PlantedBank bank = MakePlantedBank(6000, 10);
    Loaded loaded = LoadOk(bank.document.dump());
    const Found f = FindIn(loaded.doc);

    const char* names[] = {"reordered", "case and spacing", "changed word", "flipped key", "flipped true/false",
                           "same stem, other choices", "same choices, other stem"};
    size_t planted[Plant::kKinds] = {}, found[Plant::kKinds] = {};
    std::set<std::pair<std::string, std::string>> expectedPairs;
    for (const Plant& p : bank.plants) {
        ++planted[p.kind];
        auto a = f.groupOfId.find(p.baseId), b = f.groupOfId.find(p.plantId);
        const bool together = a != f.groupOfId.end() && b != f.groupOfId.end() && a->second == b->second;
        const DupeKind want = p.kind == Plant::FlippedKey || p.kind == Plant::FlippedTrueFalse ? DupeKind::Conflict
                              : p.kind == Plant::ChangedWord                                   ? DupeKind::Near
                                                                                               : DupeKind::Exact;
        if (p.kind == Plant::SameStemOtherChoices || p.kind == Plant::SameChoicesOtherStem) {
            EXPECT_FALSE(together) << names[p.kind] << ": " << p.baseId << " grouped with " << p.plantId;
            found[p.kind] += !together;
            continue;
        }
        if (together && f.groups[a->second].kind == want) ++found[p.kind];
        else if (want != DupeKind::Near) ADD_FAILURE() << names[p.kind] << " not found: " << p.baseId << ", " << p.plantId;
        expectedPairs.insert({p.baseId, p.plantId});
    }
    // Precision: every group is one planted pair.
    size_t falseGroups[3] = {};
    for (const DupeGroup& g : f.groups) {
        const bool planted = g.members.size() == 2 &&
                             (expectedPairs.count({f.entries[g.members[0]].id, f.entries[g.members[1]].id}) ||
                              expectedPairs.count({f.entries[g.members[1]].id, f.entries[g.members[0]].id}));
        if (!planted) ++falseGroups[int(g.kind)];
    }
    EXPECT_EQ(falseGroups[int(DupeKind::Conflict)], 0u);
    EXPECT_EQ(falseGroups[int(DupeKind::Exact)], 0u);
    EXPECT_EQ(falseGroups[int(DupeKind::Near)], 0u);
    for (int k = 0; k < Plant::kKinds; ++k)
        std::printf("  planted %-26s %4zu, %s %4zu\n", names[k], planted[k],
                    k >= Plant::SameStemOtherChoices ? "kept apart" : "found     ", found[k]);
    std::printf("  %zu groups over %zu items; false groups: %zu conflict, %zu exact, %zu near\n", f.groups.size(),
                f.entries.size(), falseGroups[0], falseGroups[1], falseGroups[2]);
    EXPECT_GE(found[Plant::ChangedWord] * 100, planted[Plant::ChangedWord] * 95); // near copies: MinHash may miss a few
}

// A bank in a set phrasing: most of what a near copy shares with its original is text
// every item has. The search of the whole bank still finds every pair found alone.
TEST(FindDuplicates, SetPhrasingKeepsRecallOfPairsFoundAlone)
{
    const PlantedBank bank = MakePlantedBank(9000, 10, 7, true);
    Loaded loaded = LoadOk(bank.document.dump());
    const Found f = FindIn(loaded.doc);
    std::map<std::string, size_t> entryOf;
    for (size_t i = 0; i < f.entries.size(); ++i) entryOf[f.entries[i].id] = i;
    size_t alone = 0;
    for (const Plant& p : bank.plants) {
        const DupeEntry &a = f.entries[entryOf.at(p.baseId)], &b = f.entries[entryOf.at(p.plantId)];
        if (ItemSimilarity(a.content, b.content) + 1e-12 < kDefaultDupeThreshold) continue;
        ++alone;
        auto ga = f.groupOfId.find(p.baseId), gb = f.groupOfId.find(p.plantId);
        EXPECT_TRUE(ga != f.groupOfId.end() && gb != f.groupOfId.end() && ga->second == gb->second)
            << p.baseId << " and " << p.plantId << " score " << ItemSimilarity(a.content, b.content) << " alone";
    }
    EXPECT_GT(alone, 600u);
}

TEST(FindDuplicates, GroupsKindsAndThreshold)
{
    const json doc = json::parse(R"({"items":[
      {"id":"a","type":"true_false","question":"The sky is blue.","correct":"True"},
      {"id":"b","type":"true_false","question":"the sky is  BLUE","correct":"True"},
      {"id":"c","type":"true_false","question":"The sky is blue!","correct":"False"},
      {"id":"d","type":"multiple_choice","question":"Pick the largest prime below twenty from these numbers",
       "choices":{"A":"17","B":"19","C":"13","D":"11"},"correct":"B"},
      {"id":"e","type":"multiple_choice","question":"Pick the largest prime below twenty among these numbers",
       "choices":{"A":"19","B":"17","C":"13","D":"11"},"correct":"A"},
      {"id":"f","type":"numerical","question":"The sky is blue.","correct":"1"},
      {"id":"g","type":"multiple_choice","question":"","choices":{"A":"","B":"","C":"","D":""},"correct":"A"},
      {"id":"h","type":"multiple_choice","question":"","choices":{"A":"","B":"","C":"","D":""},"correct":"A"}]})");
    Found f = FindIn(doc);
    ASSERT_EQ(f.groups.size(), 2u); // blank items and a different type are no duplicates
    EXPECT_EQ(f.groups[0].kind, DupeKind::Conflict);
    EXPECT_EQ(f.groups[0].members, (std::vector<size_t>{0, 1, 2}));
    EXPECT_EQ(f.groups[1].kind, DupeKind::Near);
    EXPECT_GE(f.groups[1].score, 0.8);
    EXPECT_LT(f.groups[1].score, 1.0);
    EXPECT_DOUBLE_EQ(f.groups[1].score, ItemSimilarity(f.entries[3].content, f.entries[4].content));
    EXPECT_EQ(FindIn(doc, 0.99).groups.size(), 1u);
}

// A bank of items from one template (a number changes) stays one bucket after another:
// the per-bucket reach keeps it linear, and nothing below the threshold is grouped.
TEST(FindDuplicates, TemplateBankIsNotGrouped)
{
    json items = json::array();
    for (int i = 0; i < 3000; ++i)
        items.push_back({{"id", std::to_string(i)}, {"type", "numerical"},
                         {"question", "What is " + std::to_string(i) + " times 7?"}, {"answer", i * 7}});
    const Found f = FindIn(json{{"items", items}});
    for (const DupeGroup& g : f.groups) EXPECT_NE(g.kind, DupeKind::Exact);
}

struct CliRun {
    int code;
    std::string out, err;
};
CliRun Tb(const std::vector<std::string>& args)
{
    CliRun r;
    r.code = RunTestbankCommand(args, r.out, r.err);
    return r;
}

TEST(DupesCommand, FormatsAcrossFilesAndErrors)
{
    const std::u16string dir = TempDir("dupes-cli");
    const std::string a = U8(Join(dir, "a.json")), b = U8(Join(dir, "b,1.json"));
    WriteBytes(Join(dir, "a.json"), R"({"items":[{"id":"Q1","type":"tf","question":"Ice is cold.","correct":true},
        {"id":"Q2","type":"tf","question":"Fire is hot.","correct":true}]})");
    WriteBytes(Join(dir, "b,1.json"), R"({"items":[{"id":"Q1","type":"tf","question":"ICE is cold","correct":false},
        {"id":"X","type":"tf","question":"Fire is hot","correct":true}]})");
    CliRun csv = Tb({"dupes", a, b, "--format", "csv"});
    EXPECT_EQ(csv.code, 0);
    EXPECT_EQ(csv.out, "group,kind,score,file,id\n1,conflict,1.00," + a + ",Q1\n1,conflict,1.00,\"" + b +
                           "\",Q1\n2,exact,1.00," + a + ",Q2\n2,exact,1.00,\"" + b + "\",X\n");
    CliRun text = Tb({"dupes", a, b});
    EXPECT_EQ(text.out.rfind("Group 1: conflict", 0), 0u);
    EXPECT_NE(text.out.find("2 groups: 1 conflict, 1 exact, 0 near\n"), std::string::npos);
    EXPECT_EQ(Tb({"dupes", a}).out, "No duplicates found.\n");

    CliRun missing = Tb({"dupes", a, U8(Join(dir, "none.json"))});
    EXPECT_EQ(missing.code, 1);
    EXPECT_TRUE(missing.out.empty());
    EXPECT_NE(missing.err.find("none.json: Failed to read file"), std::string::npos);
    for (std::vector<std::string> bad : std::vector<std::vector<std::string>>{
             {"dupes"}, {"dupes", a, "--threshold", "0"}, {"dupes", a, "--threshold", "1.5"},
             {"dupes", a, "--threshold", "x"}, {"dupes", a, "--format", "xml"}, {"dupes", a, "--threshold"},
             {"check", a, "--threshold", "0.5"}}) {
        CliRun r = Tb(bad);
        EXPECT_EQ(r.code, 2) << bad.back();
        EXPECT_NE(r.err.find("usage: testbank"), std::string::npos);
    }
    EXPECT_EQ(Tb({"dupes", a, b, "--threshold", "1"}).code, 0);
}

// Open && Merge keeps what it kept, and says what is duplicated or was dropped.
TEST(MergeNotes, DuplicatesAndDroppedItemsAreNoted)
{
    const std::u16string dir = TempDir("merge-notes");
    WriteBytes(Join(dir, "a.json"), R"({"items":[
        {"id":"Q7","type":"multiple_choice","question":"Which planet in the solar system is known as the red planet?",
         "choices":{"A":"Mars","B":"Venus","C":"Jupiter","D":"Mercury"},"correct":"A"},
        {"id":"Q8","type":"tf","question":"Water boils at 100 degrees Celsius at sea level.","correct":true},
        {"id":"Q9","type":"multiple_choice","question":"Capital of France?","choices":{"A":"Paris","B":"Rome"},"correct":"A"},
        {"id":"Q10","type":"tf","question":"Same twice.","correct":true},
        {"id":"Q11","type":"tf","question":"Same twice","correct":true}]})");
    WriteBytes(Join(dir, "b.json"), R"({"items":[
        {"id":"Q12","type":"multiple_choice","question":"Which planet in our solar system is known as the red planet?",
         "choices":{"A":"Venus","B":"Mars","C":"Jupiter","D":"Mercury"},"correct":"B"},
        {"id":"Q13","type":"tf","question":"water boils at 100 degrees celsius at sea level","correct":false},
        {"id":"Q9","type":"multiple_choice","question":"Capital of France?","choices":{"A":"Paris","B":"Lyon"},"correct":"A"},
        {"id":"Q10","type":"tf","question":"Same twice.","correct":true}]})");
    ResetAllState();
    BatchUi ui;
    ui.openPathLists.push_back({Join(dir, "a.json"), Join(dir, "b.json")});
    CmdOpenAndMerge(ui, nullptr);
    const std::vector<std::string> notes = U8(ui.mergeNotes);
    // Exact copies and conflicts by hash; the near copy Q12 of Q7 is left to Find Duplicates,
    // so the notes cost what the merge costs.
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[0], "Q13 (from b.json) conflicts with Q8 (from a.json): the same question and choices with a "
                        "different answer");
    EXPECT_EQ(notes[1], "Q9 (from b.json) was not merged: Q9 already in the testbank has the same question but "
                        "different choices or answer");
    EXPECT_EQ(U8(g_validationWarnings[0]), notes[0]); // on top of the listing
    EXPECT_EQ(g_jsonDoc["items"].size(), 7u);        // kept as before: Q12, Q13 in; Q9, Q10 dropped
    EXPECT_EQ(g_jsonDoc["items"][6]["id"], "Q13");

    // A document already open: its items are named without a file.
    WriteBytes(Join(dir, "c.json"),
               R"({"items":[{"id":"Q20","type":"tf","question":"Water boils at 100 degrees Celsius at sea level",
                   "correct":"true"}]})");
    BatchUi again;
    again.openPathLists.push_back({Join(dir, "c.json")});
    CmdOpenAndMerge(again, nullptr);
    EXPECT_EQ(U8(again.mergeNotes),
              std::vector<std::string>{"Q20 (from c.json) conflicts with Q8, Q13: the same question and choices with "
                                       "a different answer"});
}

TEST(FindItemInView, ListingAndRawPositions)
{
    Loaded loaded = LoadOk(R"({"items":[{"id":"Q1","type":"tf","question":"[Q2]","correct":true},
        {"id":"Q2","type":"tf","question":"x","correct":true}]})");
    const std::u16string listing = s2w(FormatDocumentListing(loaded.doc, {}));
    size_t start = 0, end = 0;
    ASSERT_TRUE(FindItemInView(listing, false, "Q2", start, end));
    EXPECT_EQ(listing.substr(start, end - start), u"[Q2]");
    EXPECT_GT(start, listing.find(u"[Q1]"));
    const std::u16string raw = DumpJsonForRawView(loaded.doc);
    ASSERT_TRUE(FindItemInView(raw, true, "Q1", start, end));
    EXPECT_EQ(raw.substr(start, end - start), u"\"id\": \"Q1\"");
    EXPECT_FALSE(FindItemInView(raw, true, "Q", start, end));
    EXPECT_FALSE(FindItemInView(listing, false, "Q3", start, end));
}

} // namespace
