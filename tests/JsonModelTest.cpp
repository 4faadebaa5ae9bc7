#include <gtest/gtest.h>

#include "TestUtil.h"
#include "util/StringUtil.h"

TEST(TypeRecognition, SpellingsAndInference)
{
    const std::pair<const char*, const char*> spellings[] = {
        {"Multiple-Choice", "multiple_choice"}, {"MCQ", "multiple_choice"}, {"T-F", "true_false"},
        {"True/False", "true_false"},         {"Numeric Response", "numerical"}, {"numeric algorithm", "numerical"},
        {"ALG", "algorithmic"},               {"an algorithm", "algorithmic"},  {" mc", ""},
        {"essay", ""},                        {"", ""}};
    for (const auto& [in, out] : spellings) EXPECT_EQ(NormalizeTypeString(in), out) << in;

    const std::pair<const char*, const char*> inferred[] = {
        {R"({"algorithm":{},"choices":{}})", "algorithmic"}, {R"({"choices":["x"]})", "multiple_choice"},
        {R"({"answer":null})", "numerical"},                  {R"({"correct":"TRUE"})", "true_false"},
        {R"({"correct":false})", "true_false"},               {R"({"correct":"B"})", "multiple_choice"}};
    for (const auto& [in, out] : inferred) EXPECT_EQ(InferTypeFromItem(json::parse(in)), out) << in;
    EXPECT_EQ(InferTypeFromItem(json(3)), "");
}

TEST(TextHelpers, AsciiOnlyFoldingAndBlanks)
{
    EXPECT_EQ(ToLowerAscii("AbC\xC3\x89"), "abc\xC3\x89");
    EXPECT_TRUE(IsBlank(""));
    EXPECT_TRUE(IsBlank(" \t\r\n\v\f"));
    EXPECT_FALSE(IsBlank("\xC2\xA0"));
    EXPECT_EQ(NormalizeTextForComparison("  What  IS\t\nit?  "), "what is it?");
    std::string key = "unchanged";
    EXPECT_TRUE(FindKeyCaseInsensitive(json::parse(R"({"mlo":1,"Mlo":2})"), "mlo", key));
    EXPECT_EQ(key, "Mlo"); // ascending byte order: upper case first
    EXPECT_FALSE(FindKeyCaseInsensitive(json::parse("[1]"), "mlo", key));
    EXPECT_EQ(key, "Mlo");
}

TEST(TextHelpers, FieldTextOfEveryKindOfValue)
{
    const json item = json::parse(R"({"s":"x","i":7,"f":-2.5,"t":true,"n":null,"o":{"a":1},"a":[1]})");
    const std::pair<const char*, const char*> fields[] = {
        {"s", "x"}, {"i", "7"}, {"f", "-2.5"}, {"t", "true"}, {"n", ""}, {"o", ""}, {"a", ""}, {"missing", ""}};
    for (const auto& [key, text] : fields) EXPECT_EQ(FieldText(item, key), text) << key;
    EXPECT_EQ(FieldText(json::array({1}), "id"), "");
    EXPECT_EQ(ItemIdText(json::parse(R"({"id":12})")), "12");
}

// One item through a whole load: input item, expected item afterwards.
TEST(ItemNormalization, LooseItemsBecomeCanonical)
{
    const std::pair<const char*, const char*> cases[] = {
        // recognised spelling kept; fields filled
        {R"({"id":"a","type":"MC"})",
         R"({"id":"a","type":"MC","category":"","question":"","objectives":{"MLO":"","CLO":"","PLO":""},
             "choices":{"A":"","B":"","C":"","D":""},"correct":"A"})"},
        // unknown type replaced by the inferred one
        {R"({"id":"a","type":"essay","answer":42,"question":7,"category":true})",
         R"({"id":"a","type":"numerical","category":"true","question":"7","answer":42,"correct":42,
             "objectives":{"MLO":"","CLO":"","PLO":""}})"},
        // true/false answers
        {R"({"id":"a","type":"tf","correct":"No"})",
         R"({"id":"a","type":"tf","category":"","question":"","correct":"False","objectives":{"MLO":"","CLO":"","PLO":""}})"},
        {R"({"id":"a","type":"true_false","correct":0})",
         R"({"id":"a","type":"true_false","category":"","question":"","correct":"True","objectives":{"MLO":"","CLO":"","PLO":""}})"},
        {R"({"id":"a","type":"true_false","correct":false})",
         R"({"id":"a","type":"true_false","category":"","question":"","correct":"False","objectives":{"MLO":"","CLO":"","PLO":""}})"},
        // multiple choice: array of choices discarded, letters folded, junk to "A", other keys kept
        {R"({"id":"a","type":"multiple_choice","choices":["x","y"],"correct":"c","extra":{"k":[1]}})",
         R"({"id":"a","type":"multiple_choice","category":"","question":"","choices":{"A":"","B":"","C":"","D":""},
             "correct":"C","extra":{"k":[1]},"objectives":{"MLO":"","CLO":"","PLO":""}})"},
        {R"({"id":"a","type":"mc","choices":{"A":1,"E":"e"},"correct":" b"})",
         R"({"id":"a","type":"mc","category":"","question":"","choices":{"A":"1","B":"","C":"","D":"","E":"e"},
             "correct":"A","objectives":{"MLO":"","CLO":"","PLO":""}})"},
        // objectives: string lost, item-level outcome moved, variant key renamed, numbers converted
        {R"({"id":"a","type":"numerical","objectives":"x","mlo":"M1","Plo":5})",
         R"({"id":"a","type":"numerical","category":"","question":"","answer":"","correct":"",
             "objectives":{"MLO":"M1","CLO":"","PLO":""},"Plo":5})"},
        {R"({"id":"a","type":"algorithmic","objectives":{"clo":"C","PLO":true,"note":1},"algorithm":[]})",
         R"({"id":"a","type":"algorithmic","category":"","question":"","algorithm":{},
             "objectives":{"MLO":"","CLO":"C","PLO":"true","note":1}})"},
    };
    for (const auto& [in, out] : cases) {
        Loaded l = LoadOk(std::string(R"({"items":[)") + in + "]}");
        EXPECT_EQ(l.doc["items"][0], json::parse(out)) << in;
    }
}

// A true/false answer that says neither side still becomes True, with a note naming it:
// read silently, 0 or "false " would turn the key over unseen.
TEST(ItemNormalization, UnclearTrueFalseAnswersAreNamed)
{
    const std::pair<const char*, const char*> cases[] = {
        {"0", "True"}, {"\"maybe\"", "True"}, {"\"false \"", "True"}, {"2", "True"}, {"[]", "True"},
        {"\"No\"", ""}, {"\"Y\"", ""}, {"true", ""}, {"1", ""}, {"\"0\"", ""}, {"null", ""},
    };
    for (const auto& [correct, noted] : cases) {
        Loaded l = LoadOk(std::string(R"({"items":[{"id":"a","type":"tf","correct":)") + correct +
                          R"(,"objectives":{"MLO":"m","CLO":"c","PLO":"p"}}]})");
        const std::vector<std::string> notes = U8(l.notes);
        if (*noted) {
            ASSERT_EQ(notes.size(), 1u) << correct;
            EXPECT_EQ(notes[0], "Item [a] had the answer " + std::string(correct) +
                                    ", which is not True or False; correct set to True.");
            EXPECT_EQ(l.doc["items"][0]["correct"], noted);
        } else {
            EXPECT_TRUE(notes.empty()) << correct << ": " << (notes.empty() ? "" : notes[0]);
        }
    }
}

TEST(ItemNormalization, MloFilledFromSingleObjective)
{
    Loaded same = LoadOk(R"([{"id":"Q1","type":"mc","objectives":{"MLO":" ","CLO":"Explain  Loops","PLO":"explain loops "}}])");
    EXPECT_EQ(same.doc["items"][0]["objectives"]["MLO"], "Explain  Loops");
    EXPECT_EQ(U8(same.notes), (std::vector<std::string>{
                                  "Wrapped top-level JSON array into { \"items\": [...] }.",
                                  "Item [Q1] missing MLO; copied from the only listed objective."}));
    EXPECT_TRUE(same.issues.empty());

    Loaded differ = LoadOk(R"({"items":[{"id":"Q1","type":"mc","objectives":{"CLO":"a","PLO":"b"}}]})");
    EXPECT_EQ(differ.doc["items"][0]["objectives"]["MLO"], "");
    EXPECT_EQ(U8(differ.notes), std::vector<std::string>{"Item [Q1] missing learning outcomes: MLO"});
    ASSERT_EQ(differ.issues.size(), 1u);
    EXPECT_EQ(differ.issues[0].id, "Q1");
    EXPECT_FALSE(differ.issues[0].missingType);
    EXPECT_TRUE(differ.issues[0].missingMlo);

    // An item-level "Objective" wins even when the other outcomes disagree.
    Loaded objective = LoadOk(R"({"items":[{"id":"Q1","type":"mc","Objective":"Main","objectives":{"CLO":"a","PLO":"b"}}]})");
    EXPECT_EQ(objective.doc["items"][0]["objectives"]["MLO"], "Main");
    EXPECT_FALSE(objective.doc["items"][0].contains("Objective"));

    // Item-level outcomes move into objectives that are blank, not only empty.
    Loaded moved = LoadOk(R"([{"id":"Q1","type":"mc","mlo":"M","Clo":"C","objectives":{"MLO":" \t","CLO":"kept"}}])");
    EXPECT_EQ(moved.doc["items"][0]["objectives"], json::parse(R"({"MLO":"M","CLO":"kept","PLO":""})"));
    EXPECT_FALSE(moved.doc["items"][0].contains("mlo"));
    EXPECT_EQ(moved.doc["items"][0]["Clo"], "C");
}

TEST(Loading, TopLevelRepairsAndRejections)
{
    Loaded wrapped = LoadOk("[]");
    EXPECT_EQ(wrapped.doc, json::parse(R"({"items":[]})"));

    Loaded renamed = LoadOk(R"({"items":{"x":1},"Items":[],"title":"T"})");
    EXPECT_EQ(renamed.doc, json::parse(R"({"items":[],"title":"T"})"));
    EXPECT_EQ(U8(renamed.notes), std::vector<std::string>{"Renamed top-level key to \"items\"."});

    Loaded questions = LoadOk(R"({"Questions":[]})");
    EXPECT_EQ(questions.doc, json::parse(R"({"items":[]})"));
    EXPECT_EQ(U8(questions.notes), std::vector<std::string>{"Renamed top-level \"questions\" array to \"items\"."});

    Loaded empty = LoadOk(R"({"items":[]})");
    EXPECT_TRUE(empty.notes.empty());
    EXPECT_TRUE(empty.issues.empty());

    EXPECT_EQ(LoadError("42"), "Top-level JSON must be an object (or an array of items).");
    EXPECT_EQ(LoadError(R"({"ITEMS":{},"items":[]x})").rfind("JSON parse error: ", 0), 0u);
    EXPECT_EQ(LoadOk(R"({"Items":{},"questions":[]})").doc, json::parse(R"({"Items":{},"items":[]})"));
    // Only the first spelling in key order is looked at.
    EXPECT_EQ(LoadError(R"({"QUESTIONS":{},"questions":[]})"),
              "Invalid testbank JSON: missing \"items\" array. The file has an array under \"questions\"; File > Import "
              "reads other shapes.");
    EXPECT_EQ(LoadError(R"([{"id":"a"},3])"), "Invalid item at index 1: each item must be an object.");
    EXPECT_EQ(LoadError(R"([{"id":7},{"id":7}])"), "Duplicate ID found: 7");
    EXPECT_EQ(LoadError(R"([{"id":"a"},])"), "JSON parse error: line 1, column 13: a value is expected");
}

// Syntax errors name the line and column in words, and the place in the parsed UTF-16 text
// (where the parser stopped: after the token it could not take).
TEST(Loading, ParseErrorsInPlainWords)
{
    const struct {
        std::u16string text;
        const char* message;
        size_t offset;
    } cases[] = {
        {u"{\r\n  \"items\": [\r\n    {\"id\": \"a\" \"b\"}", "line 3, column 18: a comma or closing brace is missing", 34},
        {u"{x", "line 1, column 2: a name in double quotes is expected", 1},
        {u"{\"a\" 1}", "line 1, column 6: a colon is missing after a name", 5},
        {u"[1 2]", "line 1, column 4: a comma or closing bracket is missing", 3},
        {u"[\"\u00e9\U0001F600\" x]", "line 1, column 7: a comma or closing bracket is missing", 7},
        {u"[tru]", "line 1, column 5: a value is not valid (texts need double quotes)", 4},
        {u"[\"abc", "line 1, column 6: a text in double quotes is not closed", 5},
        {u"[\"a\nb\"]", "line 1, column 4: a text holds a line break or control character (write it as \\n)", 3},
        {u"[1.]", "line 1, column 4: a number is not written correctly", 3},
        {u"[] []", "line 1, column 4: more text follows the end of the testbank", 3},
        {u"{\"items\": [", "line 1, column 12: the text ends before the testbank is complete", 11},
    };
    for (const auto& c : cases) {
        json doc;
        std::u16string error;
        NoteList notes;
        JsonErrorPlace place;
        ASSERT_FALSE(ParseAndValidateJson(c.text, doc, error, notes, nullptr, &place));
        EXPECT_EQ(w2s(error), std::string("JSON parse error: ") + c.message);
        EXPECT_TRUE(place.known);
        EXPECT_EQ(place.offset, c.offset) << c.message;
    }
    // Errors without a place keep their own words, without the library's prefix.
    json doc;
    std::u16string error;
    NoteList notes;
    JsonErrorPlace place;
    EXPECT_FALSE(ParseAndValidateJson(u"[1e999]", doc, error, notes, nullptr, &place));
    EXPECT_EQ(error.rfind(u"JSON parse error: number overflow", 0), 0u);
    EXPECT_FALSE(place.known);
}

TEST(Loading, CommentsAndByteOrderMark)
{
    const std::string text = R"({"items":[{"id":"a","type":"mc","objectives":{"MLO":"m","CLO":"c","PLO":"p"}}]})";
    Loaded plain = LoadOk(text);
    Loaded bom = LoadOk("\xEF\xBB\xBF" + text);
    Loaded commented = LoadOk("// heading\n/* block */" + text + "\n// tail");
    EXPECT_EQ(plain.doc, bom.doc);
    EXPECT_EQ(plain.doc, commented.doc);
    EXPECT_EQ(LoadError("\xEF" + text).rfind("JSON parse error: ", 0), 0u);
    EXPECT_EQ(LoadError("/* never ends " + text).rfind("JSON parse error: ", 0), 0u);
}

TEST(Loading, IdsAreSettledWithNotes)
{
    Loaded l = LoadOk(R"([{"type":"mc"},{"id":"   "},{"id":"AUTO_0002"},{"id":7},{"id":null},{"id":[1]}])");
    std::vector<std::string> ids;
    for (const auto& item : l.doc["items"]) ids.push_back(item["id"]);
    EXPECT_EQ(ids, (std::vector<std::string>{"AUTO_0001", "AUTO_0002_2", "AUTO_0002", "7", "AUTO_0005", "AUTO_0006"}));
    const auto notes = U8(l.notes);
    EXPECT_EQ(notes[1], "Item #1 had no usable \"id\"; assigned AUTO_0001.");
    EXPECT_EQ(notes[2], "Item #2 had no usable \"id\"; assigned AUTO_0002_2.");
    EXPECT_EQ(notes[3], "Item #4 \"id\" converted to string: 7.");

    EXPECT_EQ(MakeAutoIdBase(1), "AUTO_0001");
    EXPECT_EQ(MakeAutoIdBase(12345), "AUTO_12345");
    EXPECT_EQ(MakeUniqueId("X", {"X", "X_2"}), "X_3");
}

TEST(Loading, IssuesAndLearningOutcomeWarningsInOrder)
{
    Loaded l = LoadOk(R"({"items":[
        {"id":"Q1","type":"mc","objectives":{"MLO":"m","CLO":"c","PLO":" "}},
        {"id":"Q2","type":"essay","answer":1},
        {"id":"Q3","type":"mc","objectives":{"MLO":"m","CLO":"c","PLO":"p"}}]})");
    EXPECT_EQ(U8(l.notes), (std::vector<std::string>{"Item [Q1] missing learning outcomes: PLO",
                                                      "Item [Q2] missing learning outcomes: MLO, CLO, PLO"}));
    ASSERT_EQ(l.issues.size(), 1u);
    EXPECT_EQ(l.issues[0].id, "Q2");
    EXPECT_TRUE(l.issues[0].missingType);
    EXPECT_TRUE(l.issues[0].missingMlo);

    NoteList notes{u"kept"};
    AppendValidationWarnings(json::parse(R"({"items":[{"id":"a","objectives":{"MLO":"m","CLO":"c","PLO":"p"}},3,{"id":{}}]})"), notes);
    EXPECT_EQ(U8(notes), (std::vector<std::string>{"kept", "Item [#3] missing learning outcomes: MLO, CLO, PLO"}));

    std::u16string dup = u"none";
    EXPECT_FALSE(CheckDuplicateIds(json::parse(R"({"items":[{"id":"a"},{"id":"a "},{"id":1},{"id":1}]})"), dup));
    EXPECT_EQ(dup, u"none");
}

TEST(Loading, DeepNestingIsRefusedBeforeAnythingRecurses)
{
    const size_t levels = 1000000;
    const std::string deep = std::string(levels, '[') + std::string(levels, ']');
    const std::string message = LoadError(deep);
    EXPECT_EQ(message, "JSON parse error: nesting depth exceeds the limit of 512 levels");
    EXPECT_EQ(LoadError("{\"items\":" + std::string(levels, '[')), message);
    EXPECT_EQ(U8(FormatTestbankJson(s2w(deep))), message + "\r\n");

    // Brackets inside strings and comments do not count; the bound itself is accepted.
    const std::string inString = R"({"items":[{"id":"a","question":")" + std::string(5000, '[') + R"("}]} // [[[[)";
    EXPECT_EQ(LoadOk(inString).doc["items"][0]["question"], std::string(5000, '['));
    const std::string atBound = "{\"items\":[{\"id\":\"a\",\"x\":" + std::string(kMaxJsonDepth - 3, '[') +
                                std::string(kMaxJsonDepth - 3, ']') + "}]}";
    LoadOk(atBound);
    const std::string overBound = "{\"items\":[{\"id\":\"a\",\"x\":" + std::string(kMaxJsonDepth - 2, '[') +
                                  std::string(kMaxJsonDepth - 2, ']') + "}]}";
    EXPECT_EQ(LoadError(overBound), message);
}
