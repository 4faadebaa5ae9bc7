#include <gtest/gtest.h>

#include "TestUtil.h"

namespace {
std::vector<std::string> Ids(const json& doc)
{
    std::vector<std::string> ids;
    for (const auto& item : doc["items"]) ids.push_back(item["id"]);
    return ids;
}
} // namespace

TEST(Merge, LetterSuffixes)
{
    const std::pair<int, const char*> cases[] = {{-5, "a"}, {0, "a"}, {25, "z"}, {26, "aa"}, {27, "ab"},
                                                 {51, "az"}, {52, "ba"}, {701, "zz"}, {702, "aaa"}};
    for (const auto& [n, s] : cases) EXPECT_EQ(AlphaSuffixFromIndex(n), s) << n;
    EXPECT_EQ(MakeUniqueIdByLetterSuffix("Q1", {"Q1", "Q1a"}), "Q1b");
    EXPECT_EQ(GetItemQuestionKey(json::parse(R"({"question":"  What IS  x "})")), "what is x");
    EXPECT_EQ(GetItemQuestionKey(json::parse(R"({"question":12})")), "12");
    EXPECT_EQ(GetItemQuestionKey(json::parse(R"({"question":{"a":1}})")), "");
}

TEST(Merge, DuplicatesDroppedClashesRenamedIssuesKeptInStep)
{
    g_jsonDoc = nullptr;
    std::u16string error;
    Loaded first = LoadOk(R"({"title":"first","items":[{"id":"Q1","type":"mc","question":"What is x?"},{"id":"E","type":"mc"}]})");
    ASSERT_TRUE(MergeParsedJsonIntoCurrent(first.doc, error, nullptr));
    EXPECT_EQ(g_jsonDoc.size(), 1u); // only items: top-level keys are not carried over

    auto merge = [&](const std::string& text) {
        Loaded l = LoadOk(text);
        EXPECT_TRUE(MergeParsedJsonIntoCurrent(l.doc, error, &l.issues));
        std::vector<std::string> recordIds;
        for (const auto& r : l.issues) recordIds.push_back(r.id + (r.missingType ? "+T" : "") + (r.missingMlo ? "+M" : ""));
        return recordIds;
    };
    EXPECT_EQ(merge(R"({"items":[{"id":"Q1","type":"mc","question":"  WHAT is   x? "},{"id":"Q1a","type":"mc","question":"Other"},
                                 {"id":"N","type":"mc","question":"What is x?"},{"id":"E","type":"essay"}]})"),
              (std::vector<std::string>{"", "Q1a+M", "N+M", ""}));
    EXPECT_EQ(merge(R"({"items":[{"id":"Q1","type":"essay","question":"Different"}]})"),
              std::vector<std::string>{"Q1b+T+M"});
    // Duplicates are only recognised under the same ID.
    EXPECT_EQ(merge(R"({"items":[{"id":"Q1","type":"mc","question":"Other"},{"id":"Q1a","type":"mc","question":"other"}]})"),
              (std::vector<std::string>{"Q1c+M", ""}));
    EXPECT_EQ(Ids(g_jsonDoc), (std::vector<std::string>{"Q1", "E", "Q1a", "N", "Q1b", "Q1c"}));
    EXPECT_EQ(g_jsonDoc["items"][4]["question"], "Different");

    Loaded bad = LoadOk("[]");
    bad.doc.erase("items");
    EXPECT_FALSE(MergeParsedJsonIntoCurrent(bad.doc, error, nullptr));
    EXPECT_EQ(U8(error), "Merge failed: incoming file has no 'items' array.");
    EXPECT_EQ(g_jsonDoc["items"].size(), 6u);
    g_jsonDoc = nullptr;
}

TEST(Merge, ManyPartsThroughOneIndexFindEarlierItems)
{
    // Forty parts through one index, as Open && Merge does: the tables grow on the way, and
    // an ID from the first part is still found in the last.
    json target;
    std::u16string error;
    MergeIndex index;
    std::vector<std::string> dropped;
    for (int p = 0; p < 40; ++p) {
        json part = json::parse(R"({"items":[]})");
        for (int i = 0; i < 50; ++i)
            part["items"].push_back(
                {{"id", "P" + std::to_string(p) + "-" + std::to_string(i)}, {"question", "q" + std::to_string(i)}});
        if (p > 0) {
            part["items"].push_back({{"id", "P0-7"}, {"question", "Q7 "}, {"choices", {{"A", "x"}}}}); // dropped
            part["items"].push_back({{"id", "P0-8"}, {"question", "other " + std::to_string(p)}}); // renamed
        }
        ASSERT_TRUE(MergeParsedJson(target, std::move(part), error, nullptr, &index, &dropped));
    }
    const json& items = target["items"];
    ASSERT_EQ(items.size(), 40u * 50 + 39);
    EXPECT_EQ(dropped.size(), 39u);
    EXPECT_EQ(items[100]["id"], "P0-8a");
    EXPECT_EQ(items.back()["id"], "P0-8am"); // the 39th suffix
    EXPECT_EQ(items.back()["question"], "other 39");
    EXPECT_EQ(items[7]["id"], "P0-7");
    EXPECT_EQ(items[50]["id"], "P1-0");
}
