// Items with more than four choices: every place an item goes keeps all of them and the key.
#include <gtest/gtest.h>

#include "TestUtil.h"
#include "editor/EditorForm.h"
#include "formats/ExamFormats.h"
#include "print/PrintLogic.h"
#include "util/StringUtil.h"

namespace {

// Seven choices, the last one right.
const char kSeven[] = R"({"id":"S7","type":"multiple_choice","category":"","question":"Which is seventh?",
  "choices":{"A":"one","B":"two","C":"three","D":"four","E":"five","F":"six","G":"seven"},"correct":"G",
  "objectives":{"MLO":"m","CLO":"","PLO":""}})";

json Doc(const std::string& item) { return json::parse("{\"items\":[" + item + "]}"); }

size_t Count(const std::string& text, const std::string& part)
{
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

} // namespace

TEST(ChoicesPastD, OpenKeepsAKeyThatNamesAChoiceAndResetsOneThatDoesNot)
{
    const struct {
        const char* choices;
        const char* correct;
        const char* kept;
        const char* note; // "" when none
    } cases[] = {
        {R"({"A":"1","B":"2","C":"3","D":"4","E":"5"})", "E", "E", ""},
        {R"({"A":"1","B":"2","C":"3","D":"4","E":"5"})", "e", "E", ""},
        {R"({"A":"1","B":"2","C":"3","D":"4","E":"5"})", "F", "A", "which is not one of A-E; correct set to A."},
        {R"({"A":"1","B":"2","C":"3","D":"4"})", "E", "A", "which is not one of A-D; correct set to A."},
        // A gap below the last letter is filled, so the letters stay a run.
        {R"({"A":"1","B":"2","C":"3","D":"4","F":6})", "F", "F", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.choices) + " " + c.correct);
        const Loaded l = LoadOk(std::string(R"({"items":[{"id":"x","type":"mc","choices":)") + c.choices +
                                R"(,"correct":")" + c.correct + R"("}]})");
        const json& item = l.doc["items"][0];
        EXPECT_EQ(item["correct"], c.kept);
        bool noted = false;
        for (const std::string& note : U8(l.notes)) noted = noted || note.find("had the answer") != std::string::npos;
        EXPECT_EQ(noted, *c.note != '\0');
        if (*c.note) EXPECT_NE(U8(l.notes[0]).find(c.note), std::string::npos) << U8(l.notes[0]);
    }
    const Loaded gap = LoadOk(R"({"items":[{"id":"x","type":"mc","choices":{"A":"1","F":6},"correct":"F"}]})");
    EXPECT_EQ(gap.doc["items"][0]["choices"],
              json::parse(R"({"A":"1","B":"","C":"","D":"","E":"","F":"6"})"));
}

TEST(ChoicesPastD, ListingShowsEveryChoice)
{
    const Loaded l = LoadOk(std::string("{\"items\":[") + kSeven + "]}");
    const std::string listing = FormatDocumentListing(l.doc, {});
    EXPECT_NE(listing.find("D) four"), std::string::npos) << listing;
    EXPECT_LT(listing.find("D) four"), listing.find("G) seven")) << listing;
}

TEST(ChoicesPastD, EditorShowsAddsRemovesAndSavesThem)
{
    json doc = Doc(kSeven);
    const FormModel loaded = LoadItemForm(doc["items"][0]);
    EXPECT_EQ(FormChoiceCount(loaded), 7);
    EXPECT_EQ(loaded.Text(ChoiceFieldId(6)), u"seven");
    EXPECT_EQ(loaded.Selection(IDC_ED_CORRECT), 6);
    EXPECT_EQ(FormChoiceCount(ClearedItemForm()), 4);

    // Untouched, the item is saved as it was.
    FormModel form = loaded;
    form.selections[IDC_ED_ITEM] = 0;
    std::u16string error;
    ASSERT_TRUE(SaveItemForm(doc, BuildIndexLists(doc), form, &loaded, error)) << U8(error);
    EXPECT_EQ(doc, Doc(kSeven));

    // The last choice removed, one added after the new last and made the key.
    SetFormChoiceCount(form, 6);
    SetFormChoiceCount(form, 7);
    form.texts[ChoiceFieldId(6)] = u"new seventh";
    form.selections[IDC_ED_CORRECT] = 5;
    ASSERT_TRUE(SaveItemForm(doc, BuildIndexLists(doc), form, &loaded, error)) << U8(error);
    EXPECT_EQ(doc["items"][0]["choices"]["G"], "new seventh");
    EXPECT_EQ(doc["items"][0]["correct"], "F");
    SetFormChoiceCount(form, 5);
    ASSERT_TRUE(SaveItemForm(doc, BuildIndexLists(doc), form, &loaded, error)) << U8(error);
    EXPECT_EQ(doc["items"][0]["choices"].size(), 5u);
    EXPECT_FALSE(doc["items"][0]["choices"].contains("F"));
    EXPECT_EQ(doc["items"][0]["correct"], "A"); // the key went with its choice
}

TEST(ChoicesPastD, EveryWriterWritesAllChoicesWithTheRightOneKeyed)
{
    const json exam = Doc(kSeven);
    const std::string moodle = WriteExamAs(ExamFormat::Moodle, exam).bytes;
    EXPECT_EQ(Count(moodle, "<answer fraction=\"0\""), 6u) << moodle;
    const size_t right = moodle.find("<answer fraction=\"100\"");
    ASSERT_NE(right, std::string::npos);
    EXPECT_NE(moodle.find("seven", right), std::string::npos);
    EXPECT_EQ(moodle.find("six", right), std::string::npos); // the right one is the last

    const std::string gift = WriteExamAs(ExamFormat::Gift, exam).bytes;
    EXPECT_NE(gift.find("=seven"), std::string::npos) << gift;
    EXPECT_EQ(Count(gift, "~"), 6u) << gift;

    // The QTI packages through the JSON export's reader round trip (ImportTest) and here by
    // their key: the choice identifiers run on past D.
    for (ExamFormat format : {ExamFormat::Qti21, ExamFormat::Qti12}) {
        const ExamFile file = WriteExamAs(format, exam);
        ASSERT_TRUE(file.written);
        const ExportQuestion& q = file.questions.questions.at(0);
        EXPECT_EQ(q.choices.size(), 7u);
        EXPECT_EQ(q.letters.at(q.correct), "G");
    }
}

TEST(ChoicesPastD, PrintLettersEveryChoiceAndKeysTheRightOne)
{
    const PrintableExam exam = CollectPrintQuestions(Doc(kSeven));
    ASSERT_EQ(exam.questions.size(), 1u);
    EXPECT_EQ(exam.questions[0].choices.size(), 7u);
    const std::vector<ExamVersion> one = MakeExamVersions(exam, 1, 1);
    EXPECT_EQ(KeyAnswer(exam.questions[0], one[0].choiceOrder[0]), "g");
    const std::string page = RenderExamHtml(exam, one, "T");
    EXPECT_NE(page.find("seven"), std::string::npos);
    // Shuffled, the key still names the letter where "seven" is printed.
    for (const ExamVersion& v : MakeExamVersions(exam, 5, 7)) {
        const std::vector<size_t>& order = v.choiceOrder[0];
        ASSERT_EQ(order.size(), 7u);
        const std::string key = KeyAnswer(exam.questions[0], order);
        EXPECT_EQ(exam.questions[0].choices[order[key[0] - 'a']], "seven");
    }
}

TEST(ChoicesPastD, DuplicatesCompareTheWholeSet)
{
    json a = json::parse(kSeven), b = a;
    EXPECT_TRUE(SameQuestionAndChoices(GetItemContent(a), GetItemContent(b)));
    b["choices"]["G"] = "eight";
    EXPECT_FALSE(SameQuestionAndChoices(GetItemContent(a), GetItemContent(b)));
}
