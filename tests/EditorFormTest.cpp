#include <functional>
#include <random>

#include <gtest/gtest.h>

#include "TestUtil.h"
#include "editor/EditorForm.h"
#include "ui/ViewText.h"
#include "util/FileUtil.h"
#include "util/StringUtil.h"

namespace {

// What the window does around a save: the controls are given the display texts, hold
// them up to the first NUL, and the user presses OK with `edits` typed over them.
struct Editing {
    FormModel shown;
    FormModel form;
};
Editing Open(const json& item, int typeIndex, int itemSelection)
{
    Editing e;
    e.shown = DisplayItemForm(LoadItemForm(item));
    for (auto& [id, text] : e.shown.texts) text = text.substr(0, text.find(u'\0'));
    e.form = e.shown;
    e.form.selections[IDC_ED_TYPE] = typeIndex;
    e.form.selections[IDC_ED_ITEM] = itemSelection;
    return e;
}

bool Save(json& doc, Editing& e, std::u16string& error)
{
    return SaveItemForm(doc, BuildIndexLists(doc), e.form, &e.shown, error);
}

// The item as an untouched save leaves it: only what saving writes on purpose changes.
json ExpectedAfterUntouchedSave(json item, int type)
{
    static const char* const types[] = {"multiple_choice", "true_false", "numerical", "algorithmic"};
    item["type"] = types[type];
    if (type != 0) item.erase("choices");
    if (type != 2) item.erase("answer");
    if (type != 3) item.erase("algorithm");
    if (type == 2) {
        const json& stored = item.contains("answer") ? item["answer"] : item["correct"];
        const std::string text = stored.is_string() ? stored.get<std::string>() : stored.dump();
        item["answer"] = item["correct"] = text;
    } else if (type == 3) {
        item.erase("correct");
        json kept = json::object();
        for (auto& [key, value] : item["algorithm"].items()) {
            const bool text = key == "render_as" || key == "template" || key == "correct_formula" || key == "format";
            if (text ? value.is_string() && !value.get<std::string>().empty()
                     : key == "choice_count" || key == "parameters" || key == "constants" || key == "distractors")
                kept[key] = value;
        }
        item["algorithm"] = kept;
    }
    return item;
}

// Every listed item of the document, opened and saved untouched.
void CheckUntouchedSaves(const json& doc, const std::string& label)
{
    const IndexLists lists = BuildIndexLists(doc);
    for (int type = 0; type < 4; ++type) {
        for (size_t k = 0; k < lists[type].size(); ++k) {
            json copy = doc;
            const json& item = doc["items"][lists[type][k]];
            Editing e = Open(item, type, static_cast<int>(k));
            std::u16string error;
            ASSERT_TRUE(Save(copy, e, error)) << label << " " << item.dump() << ": " << U8(error);
            EXPECT_EQ(copy["items"][lists[type][k]], ExpectedAfterUntouchedSave(item, type)) << label;
            // Nothing else moved.
            copy["items"][lists[type][k]] = item;
            EXPECT_EQ(copy, doc) << label;
        }
    }
}

std::string RandomText(std::mt19937& rng)
{
    static const char* const parts[] = {"a", "Question", " ", "\n", "\r\n", "\r", std::string("\0", 1).c_str(),
                                        "\xC3\xA9", "\xF0\x9F\x98\x80", "\t", "\"", "\\", "  "};
    std::string text;
    const int n = static_cast<int>(rng() % 6);
    for (int i = 0; i < n; ++i) {
        const size_t part = rng() % 13;
        text += part == 6 ? std::string(1, '\0') : std::string(parts[part]);
    }
    return text;
}

json RandomItem(std::mt19937& rng, int i)
{
    static const char* const types[] = {"mc", "Multiple Choice", "multiple_choice", "tf", "True/False", "numeric",
                                        "Numerical", "algorithmic", "alg", "essay"};
    auto pick = [&](int n) { return static_cast<int>(rng() % n); };
    json item = {{"id", "G" + std::to_string(i) + RandomText(rng)}, {"question", RandomText(rng)}};
    item["type"] = types[pick(10)];
    if (pick(2)) item["category"] = RandomText(rng);
    if (pick(3)) item["objectives"] = {{"MLO", RandomText(rng)}, {"CLO", RandomText(rng)}, {"PLO", pick(2) ? json(3) : json(RandomText(rng))}};
    if (pick(2)) item["choices"] = {{"A", RandomText(rng)}, {"B", RandomText(rng)}, {"E", 1}};
    if (pick(2)) item["correct"] = pick(2) ? json(RandomText(rng)) : json(pick(2) == 1);
    if (pick(2)) item["answer"] = pick(3) == 0 ? json(3.5) : pick(2) ? json(pick(1000) - 500) : json(RandomText(rng));
    if (pick(2)) {
        json algorithm = {{"template", RandomText(rng)}, {"render_as", pick(2) ? json(RandomText(rng)) : json(7)},
                          {"extra", "dropped"}};
        if (pick(2)) algorithm["choice_count"] = pick(3) == 0 ? json("4") : json(pick(6) - 1);
        if (pick(2)) algorithm["parameters"] = {{"x", {1, 2.25, RandomText(rng)}}, {"nested", {{"k", nullptr}}}};
        if (pick(2)) algorithm["distractors"] = json::array({RandomText(rng), 1e-7});
        item["algorithm"] = algorithm;
    }
    if (pick(3) == 0) item["keep"] = {{"any", RandomText(rng)}};
    return item;
}

const char kBank[] = R"({"items":[
  {"id":"M1","type":"multiple_choice","question":"Sum?","choices":{"A":"4","B":"5","C":"6","D":"7"},"correct":"C",
   "objectives":{"MLO":"m","CLO":"c","PLO":"p"}},
  {"id":"T1","type":"tf","correct":"FALSE","objectives":{"MLO":"m","CLO":"c","PLO":"  "}},
  {"id":"N1","type":"numerical","answer":3.5,"objectives":{"MLO":"M1","CLO":3}},
  {"id":"M2","type":"Multiple Choice","correct":"c"},
  {"id":"A1","type":"algorithmic","algorithm":{"choice_count":4,"parameters":{"x":1}}},
  {"id":"E1","type":"essay"}, {"id":"X1","type":5}]})";

} // namespace

TEST(EditorForm, ListsRecognisedSpellingsAndMarksMissingOutcomes)
{
    const json doc = json::parse(kBank);
    const IndexLists lists = BuildIndexLists(doc);
    EXPECT_EQ(lists[0], (std::vector<size_t>{0, 3}));
    EXPECT_EQ(lists[1], (std::vector<size_t>{1}));
    EXPECT_EQ(lists[2], (std::vector<size_t>{2}));
    EXPECT_EQ(lists[3], (std::vector<size_t>{4})); // "essay" and a number are in no list
    EXPECT_EQ(ItemListEntries(doc, lists[0]),
              (std::vector<std::u16string>{u"M1 - Sum?", u"M2  [missing LO]", u"<New item>"}));
    // The question's start on one line: breaks as spaces, cut at 60 code units, a pair whole.
    json item = json::parse(R"({"id":"Q","question":"a\nb\tc"})");
    EXPECT_EQ(ItemListEntry(item), u"Q - a b c  [missing LO]");
    item["question"] = std::string(59, 'x') + "\xF0\x9F\x98\x80tail";
    EXPECT_EQ(ItemListEntry(item), u"Q - " + std::u16string(59, u'x') + u"...  [missing LO]");
    item["question"] = "   ";
    EXPECT_EQ(ItemListEntry(item), u"Q  [missing LO]");
    EXPECT_EQ(ItemListEntries(doc, lists[1]), (std::vector<std::u16string>{u"T1  [missing LO]", u"<New item>"}));
    EXPECT_EQ(ItemListEntries(doc, {}), std::vector<std::u16string>{u"<New item>"});
    EXPECT_EQ(EditorTypeIndex("NUMERICAL"), 2);
    EXPECT_EQ(EditorTypeIndex("essay"), -1);
}

TEST(EditorForm, LoadingFillsEveryFieldByType)
{
    const json doc = json::parse(kBank);
    const json& items = doc["items"];
    FormModel mc = LoadItemForm(items[0]);
    EXPECT_EQ(mc.Text(IDC_ED_CHOICE_A + 2), u"6");
    EXPECT_EQ(mc.Selection(IDC_ED_CORRECT), 2);
    EXPECT_EQ(mc.Selection(IDC_ED_TYPE), 0);
    EXPECT_EQ(LoadItemForm(items[3]).Selection(IDC_ED_CORRECT), 0); // "c" is not a letter entry
    FormModel tf = LoadItemForm(items[1]);
    EXPECT_EQ(tf.Selection(IDC_ED_TYPE), 1);
    EXPECT_EQ(tf.Selection(IDC_ED_TRUE_FALSE), 1);
    for (auto [value, entry] : {std::pair<json, int>{"False", 1}, {"no", 0}, {false, 1}, {true, 0}, {7, 0}})
        EXPECT_EQ(LoadItemForm(json{{"type", "true_false"}, {"correct", value}}).Selection(IDC_ED_TRUE_FALSE), entry);
    FormModel num = LoadItemForm(items[2]);
    EXPECT_EQ(num.Text(IDC_ED_ANSWER), u"3.5");
    EXPECT_EQ(num.Text(IDC_ED_MLO), u"M1");
    EXPECT_EQ(num.Text(IDC_ED_CLO), u"");
    EXPECT_EQ(LoadItemForm(json{{"type", "numerical"}, {"answer", "42"}}).Text(IDC_ED_ANSWER), u"42");
    EXPECT_EQ(LoadItemForm(json{{"type", "numerical"}, {"correct", 12}}).Text(IDC_ED_ANSWER), u"12");
    FormModel alg = LoadItemForm(items[4]);
    EXPECT_EQ(alg.Text(IDC_ED_CHOICE_COUNT), u"4");
    EXPECT_EQ(alg.Text(IDC_ED_PARAMETERS), u"{\n    \"x\": 1\n}");
    EXPECT_EQ(alg.Text(IDC_ED_TEMPLATE), u"");
    EXPECT_EQ(LoadItemForm(json::parse(R"({"type":"algorithmic","algorithm":{"choice_count":"4"}})")).Text(IDC_ED_CHOICE_COUNT),
              u"\"4\"");
    EXPECT_EQ(DisplayItemForm(alg).Text(IDC_ED_PARAMETERS), u"{\r\n    \"x\": 1\r\n}");
    FormModel cleared = ClearedItemForm();
    EXPECT_EQ(cleared.Text(IDC_ED_ID), u"");
    EXPECT_EQ(cleared.Selection(IDC_ED_CORRECT), 0);
    EXPECT_EQ(cleared.Selection(IDC_ED_TRUE_FALSE), 0);
}

TEST(EditorForm, SavingWritesByTypeAndRefusesWithoutChange)
{
    json doc = json::parse(kBank);
    const json before = doc;
    std::u16string error;

    // A new multiple-choice item holds exactly the common keys and its own.
    FormModel form = ClearedItemForm();
    form.selections[IDC_ED_TYPE] = 0;
    form.selections[IDC_ED_ITEM] = 2; // "<New item>" after M1 and M2
    form.texts[IDC_ED_ID] = u"Q9";
    form.texts[IDC_ED_QUESTION] = u"Line\r\nbreak";
    form.texts[IDC_ED_CHOICE_A] = u"a";
    form.selections[IDC_ED_CORRECT] = 2;
    ASSERT_TRUE(SaveItemForm(doc, BuildIndexLists(doc), form, nullptr, error));
    EXPECT_EQ(doc["items"].back(), json::parse(R"({"id":"Q9","category":"","question":"Line\r\nbreak","type":"multiple_choice",
        "correct":"C","choices":{"A":"a","B":"","C":"","D":""},"objectives":{"MLO":"","CLO":"","PLO":""}})"));

    // Refusals leave the document as it was.
    doc = before;
    const struct {
        std::function<void(FormModel&)> change;
        std::string message;
    } refusals[] = {
        {[](FormModel& f) { f.selections[IDC_ED_ITEM] = -1; }, "No selection in item list."},
        {[](FormModel& f) { f.texts[IDC_ED_ID] = u""; }, "ID cannot be empty."},
        {[](FormModel& f) { f.texts[IDC_ED_ID] = u"M1"; }, "Duplicate ID found: M1\nPlease choose a unique ID."},
        {[](FormModel& f) { f.texts[IDC_ED_CHOICE_COUNT] = u"many"; }, "Choice count must be an integer."},
        {[](FormModel& f) { f.texts[IDC_ED_CHOICE_COUNT] = u"2147483648"; }, "Choice count must be an integer."},
        {[](FormModel& f) { f.texts[IDC_ED_PARAMETERS] = u"["; }, "Error parsing Parameters JSON:\nline 1, column 2: the text ends"},
        {[](FormModel& f) { f.texts[IDC_ED_DISTRACTORS] = u" "; }, "Error parsing Distractors JSON:\nline 1, column 2: the text ends"},
    };
    for (const auto& r : refusals) {
        FormModel f = LoadItemForm(doc["items"][4]);
        f.selections[IDC_ED_ITEM] = 0;
        f.selections[IDC_ED_TYPE] = 3;
        r.change(f);
        EXPECT_FALSE(SaveItemForm(doc, BuildIndexLists(doc), f, nullptr, error));
        EXPECT_EQ(U8(error).substr(0, r.message.size()), r.message);
        EXPECT_EQ(doc, before);
    }
    FormModel noList = LoadItemForm(doc["items"][0]);
    EXPECT_FALSE(SaveItemForm(doc, BuildIndexLists(doc), noList, nullptr, error));
    EXPECT_EQ(error, u"");

    // Algorithmic fields: a leading integer, comments in JSON, zero stores nothing.
    for (auto [count, stored] : {std::pair<const char16_t*, json>{u"3", 3}, {u" +7 apples", 7}, {u"0", nullptr}}) {
        FormModel f = LoadItemForm(doc["items"][4]);
        f.selections[IDC_ED_ITEM] = 0;
        f.texts[IDC_ED_CHOICE_COUNT] = count;
        f.texts[IDC_ED_PARAMETERS] = u"// note\n{\"y\": [1]}";
        json d = before;
        ASSERT_TRUE(SaveItemForm(d, BuildIndexLists(d), f, nullptr, error)) << U8(error);
        const json& algorithm = d["items"][4]["algorithm"];
        EXPECT_EQ(algorithm.value("choice_count", json()), stored);
        EXPECT_EQ(algorithm["parameters"], json::parse(R"({"y":[1]})"));
        EXPECT_FALSE(d["items"][4].contains("correct"));
    }

    // True/false and numerical answers are strings; keys of other types go.
    FormModel tf = LoadItemForm(doc["items"][1]);
    tf.selections[IDC_ED_ITEM] = 0;
    tf.selections[IDC_ED_TRUE_FALSE] = 1;
    ASSERT_TRUE(SaveItemForm(doc, BuildIndexLists(doc), tf, nullptr, error));
    EXPECT_EQ(doc["items"][1]["correct"], "False");
    FormModel num = LoadItemForm(doc["items"][2]);
    num.selections[IDC_ED_ITEM] = 0;
    ASSERT_TRUE(SaveItemForm(doc, BuildIndexLists(doc), num, nullptr, error));
    EXPECT_EQ(doc["items"][2]["answer"], "3.5");
    EXPECT_EQ(doc["items"][2]["correct"], "3.5");
}

TEST(EditorForm, UntouchedFormsRoundTripOnCorpusAndGeneratedItems)
{
    for (const char* file : {"sample.json", "more.json", "hostile/nul-in-string.json", "hostile/numbers.json",
                             "hostile/invalid-utf8.json", "hostile/duplicate-keys.json"}) {
        std::string bytes;
        ASSERT_TRUE(ReadFileBytes(DataFile(file), bytes));
        CheckUntouchedSaves(LoadOk(bytes).doc, file);
    }
    // Generated items, each through the loader first: as a user would open them.
    std::mt19937 rng(7);
    for (int bank = 0; bank < 40; ++bank) {
        json items = json::array();
        for (int i = 0; i < 25; ++i) items.push_back(RandomItem(rng, bank * 100 + i));
        CheckUntouchedSaves(LoadOk(json{{"items", items}}.dump()).doc, "bank " + std::to_string(bank));
    }

    // An untouched question keeps its line feeds and a NUL, shown as a mark the control can
    // hold; edited, the marks are NULs again and nothing after them is lost.
    json doc = LoadOk(R"([{"id":"Q","type":"mc","question":"one\ntwo\u0000three","category":"\u2400"}])").doc;
    Editing e = Open(doc["items"][0], 0, 0);
    EXPECT_EQ(e.shown.Text(IDC_ED_QUESTION), u"one\r\ntwo\u2400three");
    std::u16string error;
    ASSERT_TRUE(Save(doc, e, error));
    EXPECT_EQ(doc["items"][0]["question"], std::string("one\ntwo\0three", 13));
    e.form.texts[IDC_ED_QUESTION] += u" edited";
    e.form.texts[IDC_ED_CATEGORY] += u"\u2400"; // a mark of its own stays a mark
    ASSERT_TRUE(Save(doc, e, error));
    EXPECT_EQ(doc["items"][0]["question"], std::string("one\r\ntwo\0three edited", 21));
    EXPECT_EQ(doc["items"][0]["category"], "\u2400\u2400");
    // Typed over, the field is stored as typed.
    e.form.texts[IDC_ED_QUESTION] = u"new\r\ntext";
    ASSERT_TRUE(Save(doc, e, error));
    EXPECT_EQ(doc["items"][0]["question"], "new\r\ntext");
}

// Long fields are shown so that no control line is long: a multi-line field gets soft
// breaks, a one-line field is cut and read-only. Untouched, every one saves as stored;
// edited, the soft breaks are gone and the rest is what was typed.
TEST(EditorForm, LongFieldsShownBrokenOrCutAndSavedAsStored)
{
    std::string numbers;
    for (int i = 0; numbers.size() < 20000; ++i) numbers += std::to_string(i) + ",";
    const std::string paragraph(5000, 'w');
    json items = json::array();
    items.push_back({{"id", "Q"}, {"type", "mc"}, {"question", numbers + "\n" + paragraph + "\r\nshort\r\r\nend"},
                     {"choices", {{"A", paragraph}, {"B", "b"}}}, {"correct", "B"},
                     {"objectives", {{"MLO", std::string(3000, 'm') + std::string("\0", 1)}}}});
    items.push_back({{"id", "A"}, {"type", "algorithmic"},
                     {"algorithm", {{"template", numbers}, {"parameters", {{"n", numbers}}}}}});
    items.push_back({{"id", "N"}, {"type", "numerical"}, {"answer", numbers}});
    const json doc = LoadOk(json{{"items", items}}.dump()).doc;
    CheckUntouchedSaves(doc, "long fields");

    Editing e = Open(doc["items"][0], 0, 0);
    for (const auto& [id, text] : e.shown.texts) {
        EXPECT_LE(LongestLineLength(text), kDisplayLineLimit + 80) << id; // a cut field's note included
        EXPECT_EQ(IsCutField(LoadItemForm(doc["items"][0]), id), id == IDC_ED_CHOICE_A || id == IDC_ED_MLO) << id;
    }
    EXPECT_EQ(RemoveSoftBreaks(e.shown.Text(IDC_ED_QUESTION)),
              s2w(numbers) + u"\r\n" + s2w(paragraph) + u"\r\nshort\r\n\r\nend");
    EXPECT_NE(e.shown.Text(IDC_ED_CHOICE_A).find(u"5000 characters"), std::u16string::npos);

    // Typed at the end of the question: stored without the soft breaks.
    json edited = doc;
    e.form.texts[IDC_ED_QUESTION] += u" more";
    std::u16string error;
    ASSERT_TRUE(Save(edited, e, error)) << U8(error);
    EXPECT_EQ(edited["items"][0]["question"], numbers + "\r\n" + paragraph + "\r\nshort\r\n\r\nend more");
    EXPECT_EQ(edited["items"][0]["choices"]["A"], paragraph);
    EXPECT_EQ(edited["items"][0]["objectives"]["MLO"], doc["items"][0]["objectives"]["MLO"]);

    // An edited JSON field is parsed without the soft breaks.
    Editing alg = Open(doc["items"][1], 3, 0);
    ASSERT_NE(alg.shown.Text(IDC_ED_PARAMETERS).find(kSoftBreak), std::u16string::npos);
    alg.form.texts[IDC_ED_PARAMETERS] += u" ";
    alg.form.texts[IDC_ED_TEMPLATE] += u"!";
    edited = doc;
    ASSERT_TRUE(Save(edited, alg, error)) << U8(error);
    EXPECT_EQ(edited["items"][1]["algorithm"]["parameters"]["n"], numbers);
    EXPECT_EQ(edited["items"][1]["algorithm"]["template"], numbers + "!");
}

TEST(EditorForm, ScrollArithmetic)
{
    // Content 630 high (range 0..629), page 400.
    EXPECT_EQ(NextScrollPosition(ScrollRequest::LineDown, 0, 0, 400, 0, 629), 20);
    EXPECT_EQ(NextScrollPosition(ScrollRequest::LineUp, 0, 0, 400, 0, 629), 0);
    EXPECT_EQ(NextScrollPosition(ScrollRequest::PageDown, 0, 0, 400, 0, 629), 230);
    EXPECT_EQ(NextScrollPosition(ScrollRequest::PageUp, 230, 0, 400, 0, 629), 0);
    EXPECT_EQ(NextScrollPosition(ScrollRequest::Track, 0, 100, 400, 0, 629), 100);
    EXPECT_EQ(NextScrollPosition(ScrollRequest::Other, 100, 0, 400, 0, 629), 100);
    EXPECT_EQ(NextScrollPosition(ScrollRequest::PageDown, 0, 0, 800, 0, 629), 0); // page larger than content
}

// A multi-line field past what a word-wrapped box takes quickly is shown in part and
// read-only; untouched, the whole text is saved.
TEST(EditorForm, HugeMultiLineFieldShownInPartAndKeptWhole)
{
    std::string numbers;
    for (int i = 0; numbers.size() < kShownTextLimit + 5000; ++i) numbers += std::to_string(i) + ",";
    const json doc = LoadOk(json{{"items", {{{"id", "Q"}, {"type", "mc"}, {"question", numbers}}}}}.dump()).doc;
    CheckUntouchedSaves(doc, "huge question");
    EXPECT_TRUE(IsCutField(LoadItemForm(doc["items"][0]), IDC_ED_QUESTION));
    const std::u16string shown = RemoveSoftBreaks(Open(doc["items"][0], 0, 0).shown.Text(IDC_ED_QUESTION));
    EXPECT_EQ(shown, CutForDisplay(s2w(numbers), kShownTextLimit));
    EXPECT_NE(shown.find(u"characters, shown cut; kept as stored"), std::u16string::npos);
}
