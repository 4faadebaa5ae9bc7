// Banks from other tools: our exports read back exactly, files written as each tool's
// documentation shows, and hostile input refused with a message.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <random>

#include "app/BatchUi.h"
#include "formats/ExamFormats.h"
#include "formats/ImportFormats.h"
#include "print/PrintLogic.h"
#include "TestUtil.h"
#include "util/StringUtil.h"
#include "util/XmlReader.h"
#include "util/XmlText.h"
#include "util/Zip.h"

namespace {

// Canonical items of every type the formats carry, grouped by category as the exports
// write them, with the characters each format escapes.
const char kBank[] = R"({"items":[
{"id":"Q1","type":"multiple_choice","category":"Algebra/Basics","question":"What is 2 + 2?\nPick <b>one</b> & 'quote' ]]> \"x\"","choices":{"A":"3","B":"4 {~=#:}","C":"5\\6","D":"x < y"},"correct":"B","objectives":{"MLO":"m1","CLO":"c1","PLO":""}},
{"id":"Q2","type":"true_false","category":"Algebra/Basics","question":"The sky is {green} ~ = # : \\n","correct":"False","objectives":{"MLO":"m2","CLO":"","PLO":"p2"}},
{"id":"Q3","type":"numerical","category":"Geometry","question":"Degrees in a triangle?","answer":"180","correct":"180","objectives":{"MLO":"m3","CLO":"","PLO":""}},
{"id":"Q 4","type":"numerical","category":"Geometry","question":"Capital of France?","answer":"Paris *","correct":"Paris *","objectives":{"MLO":"","CLO":"","PLO":""}},
{"id":"005","type":"multiple_choice","category":"","question":"Ünïcødé – no category","choices":{"A":"a","B":"b","C":"c","D":"d"},"correct":"D","objectives":{"MLO":"m","CLO":"","PLO":""}},
{"id":"Q6","type":"true_false","category":"","question":"Yes?","correct":"True","objectives":{"MLO":"","CLO":"","PLO":""}},
{"id":"Q7","type":"numerical","category":"","question":"Minus?","answer":"-2.5","correct":"-2.5","objectives":{"MLO":"","CLO":"","PLO":""}},
{"id":"Q8","type":"multiple_choice","category":"","question":"Seven choices?","choices":{"A":"a","B":"b","C":"c","D":"d","E":"e","F":"f","G":"g"},"correct":"G","objectives":{"MLO":"","CLO":"","PLO":""}}
]})";

struct Imported {
    bool ok = false;
    json doc;
    std::vector<std::string> notes;
    std::string error;
};

Imported Import(const std::string& bytes, ImportFormat format = ImportFormat::Auto, const std::string& name = "x")
{
    Imported out;
    ImportedBank bank;
    out.ok = ImportBankBytes(bytes, s2w(name), format, bank, out.error);
    if (!out.ok) return out;
    std::u16string error;
    NoteList notes;
    out.ok = ValidateTestbankDocument(std::move(bank.document), out.doc, error, notes, nullptr);
    out.error = U8(error);
    out.notes = bank.notes;
    for (const std::string& note : U8(notes)) out.notes.push_back(note);
    return out;
}

Imported ImportFile(const std::string& name, ImportFormat format = ImportFormat::Auto)
{
    Imported out;
    ImportedBank bank;
    out.ok = ImportBankFile(DataFile("import/" + name), format, bank, out.error);
    if (!out.ok) return out;
    std::u16string error;
    NoteList notes;
    out.ok = ValidateTestbankDocument(std::move(bank.document), out.doc, error, notes, nullptr);
    out.notes = bank.notes;
    return out;
}

bool HasNote(const Imported& imported, const std::string& part)
{
    for (const std::string& note : imported.notes)
        if (note.find(part) != std::string::npos) return true;
    return false;
}

const json& ItemById(const json& doc, const std::string& id)
{
    for (const json& item : doc["items"])
        if (item["id"] == id) return item;
    static const json none;
    ADD_FAILURE() << "no item " << id;
    return none;
}

// One field an import should give: the item by its ID, or by its place as "#0", "#1", ...;
// the field as a JSON pointer ("/choices/A").
struct Expected {
    std::string item;
    std::string field;
    json value;
};

void ExpectItems(const Imported& imported, const std::vector<Expected>& rows)
{
    for (const Expected& row : rows) {
        const json& item = row.item[0] == '#' ? imported.doc["items"][std::stoul(row.item.substr(1))]
                                               : ItemById(imported.doc, row.item);
        const json::json_pointer field(row.field);
        EXPECT_EQ(item.contains(field) ? item.at(field) : json(), row.value) << row.item << " " << row.field;
    }
}

} // namespace

TEST(Import, OurExportsReadBackAsTheSameItems)
{
    const Loaded original = LoadOk(kBank);
    const std::string expected = U8(DumpJsonForRawView(original.doc));
    for (ExamFormat format : kExamFormats) {
        SCOPED_TRACE(ExamFormatName(format));
        const ExamFile file = WriteExamAs(format, original.doc);
        ASSERT_TRUE(file.written);
        ASSERT_EQ(file.questions.questions.size(), original.doc["items"].size());
        const Imported back = Import(file.bytes);
        ASSERT_TRUE(back.ok) << back.error;
        EXPECT_EQ(U8(DumpJsonForRawView(back.doc)), expected);
        // Only the summary and the loader's outcome notes: nothing was changed.
        EXPECT_FALSE(HasNote(back, "Left out"));
        EXPECT_FALSE(HasNote(back, "kept"));
    }
    // Our own testbank JSON goes through Import unchanged too.
    const Imported json = Import(U8(DumpJsonForRawView(original.doc)));
    ASSERT_TRUE(json.ok) << json.error;
    EXPECT_EQ(U8(DumpJsonForRawView(json.doc)), expected);
}

namespace {

// An item of hostile text: each piece once broke a writer or a reader.
json HostileItem(std::mt19937& rng, int bank, int i)
{
    static const char* const kPieces[] = {
        "Topic \"A\" \"B\"", "&amp; &lt;b&gt; &#38;", "<b>bold</b>", "a  b   c", "tab\there", "code:\n    x = 1;\n        y",
        "  leading", "trailing  ", "ctl\x01\x1f", "emoji \xF0\x9F\x98\x80", "e\xCC\x81", "nbsp\xC2\xA0x", "~ = # { } : \\",
        "\\n", "// comment?", "::name::", "[html]<i>x</i>", "[plain]y", "$CATEGORY: x", "]]> end", "%50%half", "a->b",
        "x*y", "line1\r\nline2", "cr\ronly", "blank\n\nline", "1e3", ".5", "-0", "TRUE", "{#1}", "<p>para</p>", "&#10;",
        "C:\\path", "\xEF\xBB\xBF" "bom", "\xE2\x80\xA8sep"};
    static const char* const kIds[] = {"Topic \"A\" \"B\"", "  spaced  ", "id [x]", "a/b", "a\\b", "CON", "exam.x",
                                       "a:b", "{x}", "<x>", "a\tb", "a\nb", "=SUM(1)"};
    static const char* const kCategories[] = {"", "/Root", "A/B", "a\\b", " spaced ", "x\ty", "line\nbreak", "<b>x</b>"};
    static const char* const kAnswers[] = {".5", "1e3", "5.", "-0", "0", "+3", "3.14", "Paris", "a*b", "x->y", " 7 ", "1,000"};
    auto pick = [&](size_t n) { return static_cast<size_t>(rng() % n); };
    auto text = [&] {
        std::string t;
        for (size_t k = 0, n = 1 + pick(3); k < n; ++k) t += (k ? " " : "") + std::string(kPieces[pick(std::size(kPieces))]);
        return t;
    };
    json item = {{"id", pick(3) ? "H" + std::to_string(bank) + "-" + std::to_string(i)
                                : kIds[pick(std::size(kIds))] + std::to_string(i)},
                 {"category", kCategories[pick(std::size(kCategories))]},
                 {"question", text()},
                 {"objectives", {{"MLO", pick(4) ? std::string("m") : text()}}}};
    switch (pick(3)) {
    case 0: {
        item["type"] = "multiple_choice";
        const size_t count = 2 + pick(7);
        for (size_t k = 0; k < count; ++k)
            item["choices"][ChoiceLetter(static_cast<int>(k))] = pick(8) ? text() + " " + ChoiceLetter(static_cast<int>(k)) : " ";
        item["correct"] = ChoiceLetter(static_cast<int>(pick(count)));
        break;
    }
    case 1: item["type"] = "true_false"; item["correct"] = pick(2) ? "True" : "False"; break;
    default:
        item["type"] = "numerical";
        const json others[] = {42.5, 1e20, true};
        item["answer"] = pick(4) ? json(kAnswers[pick(std::size(kAnswers))]) : others[pick(3)];
    }
    return item;
}

// A text as every format must bring it back: without what XML cannot carry, line breaks as
// LF, white space at the ends trimmed.
std::string Comparable(const std::string& text)
{
    size_t dropped = 0;
    std::string kept = XmlAllowedText(text, dropped), out;
    for (size_t i = 0; i < kept.size(); ++i) {
        out += kept[i];
    }
    const size_t a = out.find_first_not_of(" \t\n"), b = out.find_last_not_of(" \t\n");
    return a == std::string::npos ? "" : out.substr(a, b - a + 1);
}

// What an item asks and keys, comparably.
std::vector<std::string> Asked(const json& item)
{
    std::vector<std::string> parts = {NormalizeTypeString(FieldText(item, "type")), Comparable(FieldText(item, "question")),
                                      Comparable(FieldText(item, "correct")), // outer spaces are no part of a key
                                      (item.contains("answer") && !item["answer"].is_string() ? "json " : "") + Comparable(FieldText(item, "answer"))};
    if (item.contains("objectives")) parts.push_back("MLO=" + Comparable(FieldText(item["objectives"], "MLO")));
    if (item.contains("choices"))
        for (const auto& [letter, choice] : item["choices"].items())
            if (!Comparable(FieldText(item["choices"], letter.c_str())).empty())
                parts.push_back(letter + "=" + Comparable(FieldText(item["choices"], letter.c_str())));
    return parts;
}

} // namespace

// Twenty banks of forty hostile items through every format and back: each item comes back
// asking and keying the same, or the export's message or the import's notes name it.
TEST(Import, HostileItemsComeBackThroughEveryFormatOrAreNamed)
{
    std::mt19937 rng(30);
    size_t named = 0, same = 0;
    for (int b = 0; b < 20; ++b) {
        json items = json::array();
        for (int i = 0; i < 40; ++i) items.push_back(HostileItem(rng, b, i));
        const Loaded original = LoadOk(json{{"items", items}}.dump());
        for (ExamFormat format : kExamFormats) {
            SCOPED_TRACE(std::string(ExamFormatName(format)) + " bank " + std::to_string(b));
            const ExamFile file = WriteExamAs(format, original.doc);
            const Imported back = Import(file.bytes);
            ASSERT_TRUE(back.ok) << back.error;
            std::string said = ExamFileMessage(file, format, static_cast<size_t>(-1));
            // Notes that name every item whatever came back say nothing of a change.
            for (const std::string& note : back.notes)
                if (note.find("missing learning outcomes") == std::string::npos) said += "\n" + note;
            std::map<std::string, const json*> byId;
            for (const json& item : back.doc["items"]) byId[Comparable(ItemIdText(item))] = &item;
            for (const json& item : original.doc["items"]) {
                const std::string id = ItemIdText(item);
                auto found = byId.find(Comparable(id));
                if (found != byId.end() && Asked(*found->second) == Asked(item)) {
                    ++same;
                    continue;
                }
                EXPECT_NE(said.find(FirstUtf8Chars(id, 255)), std::string::npos)
                    << "item " << id << " changed without a note:\n"
                    << (found == byId.end() ? std::string("(missing)") : json(Asked(*found->second)).dump()) << "\nwas\n"
                    << json(Asked(item)).dump();
                ++named;
            }
        }
    }
    // Most come back the same; the rest are the ones a format cannot hold as they are
    // (outcome codes with markup or line breaks among them).
    EXPECT_GT(same, named);
}

// What an import kept beside the answer (a tolerance, other accepted answers) goes out in
// the formats that carry it and comes back the same.
TEST(Import, ToleranceAndOtherAnswersGoOutAndComeBack)
{
    const Loaded original = LoadOk(R"({"items":[
      {"id":"Pi","type":"numerical","question":"Pi?","answer":"3.14","tolerance":"0.01",
       "other_answers":["3.1416"],"other_tolerances":{"3.1416":"0.0001"},"objectives":{"MLO":"m"}},
      {"id":"Ne","type":"numerical","question":"Symbol of neon?","answer":"Ne","other_answers":["neon"],
       "objectives":{"MLO":"m"}}]})");
    for (ExamFormat format : {ExamFormat::Moodle, ExamFormat::Gift}) {
        SCOPED_TRACE(ExamFormatName(format));
        const ExamFile file = WriteExamAs(format, original.doc);
        ASSERT_TRUE(file.written);
        const Imported back = Import(file.bytes);
        ASSERT_TRUE(back.ok) << back.error;
        ExpectItems(back, {{"Pi", "/answer", "3.14"},
                           {"Pi", "/tolerance", "0.01"},
                           {"Pi", "/other_answers", json::array({"3.1416"})},
                           {"Pi", "/other_tolerances", json{{"3.1416", "0.0001"}}},
                           {"Ne", "/answer", "Ne"},
                           {"Ne", "/other_answers", json::array({"neon"})}});
    }
    EXPECT_NE(WriteExamAs(ExamFormat::Gift, original.doc).bytes.find("{#=3.14:0.01 =3.1416:0.0001}"), std::string::npos);
}

TEST(Import, UnpackedQtiFolderReadsLikeTheZip)
{
    const Loaded original = LoadOk(kBank);
    const ExamFile file = WriteExamAs(ExamFormat::Qti21, original.doc);
    ZipReader zip;
    std::string error;
    ASSERT_TRUE(zip.Open(file.bytes, error)) << error;
    const std::u16string dir = TempDir("import-qti-folder");
    for (size_t i = 0; i < zip.Count(); ++i) {
        std::string data;
        ASSERT_TRUE(zip.Read(i, data, error)) << error;
        std::filesystem::create_directories(std::filesystem::path(Join(dir, "items")));
        WriteBytes(Join(dir, zip.Name(i)), data);
    }
    ImportedBank fromFolder, fromManifest;
    ASSERT_TRUE(ImportBankFile(dir, ImportFormat::Auto, fromFolder, error)) << error;
    ASSERT_TRUE(ImportBankFile(Join(dir, "imsmanifest.xml"), ImportFormat::Auto, fromManifest, error)) << error;
    EXPECT_EQ(fromFolder.document, fromManifest.document);
    EXPECT_EQ(fromFolder.document["items"].size(), original.doc["items"].size());
}

TEST(Import, MoodleXmlAsMoodleWritesIt)
{
    const Imported m = ImportFile("moodle-docs.xml");
    ASSERT_TRUE(m.ok) << m.error;
    EXPECT_EQ(m.notes[0], "Imported 5 questions from Moodle XML. Left out 2 of a kind a testbank does not hold: "
                          "1 essay, 1 matching.");
    ExpectItems(m, {
        {"Capital of Australia", "/question", "What is the capital of Australia?"},
        {"Capital of Australia", "/choices/B", "Canberra"},
        {"Capital of Australia", "/correct", "B"},
        {"Capital of Australia", "/category", "Default for Course 1 > Capitals"},
        {"Capital of Australia", "/objectives/MLO", "Name capitals"},
        {"Capital of Australia", "/tags", json::array({"geography"})},
        {"Paris", "/correct", "True"},
        // A half-mark answer is not a right one: kept aside with its marks.
        {"Germany", "/other_answers", nullptr},
        {"Germany", "/partial_answers/Berlin, Germany", "50%"},
        {"Pi", "/tolerance", "0.01"},
        // Six choices: all kept, the key where the file puts it, nothing to note.
        {"Six", "/choices/F", "F"},
        {"Six", "/correct", "F"},
    });
    EXPECT_FALSE(HasNote(m, "Item [Six]"));
}

TEST(Import, ChoicesPastDKeepTheirKeyInEveryReader)
{
    const Imported gift = Import("::Five:: Which is fifth? {~one ~two ~three ~four =five}\n", ImportFormat::Gift);
    ASSERT_TRUE(gift.ok) << gift.error;
    EXPECT_EQ(ItemById(gift.doc, "Five")["choices"]["E"], "five");
    EXPECT_EQ(ItemById(gift.doc, "Five")["correct"], "E");

    const Imported csv = Import("question,A,B,C,D,E,F,G,answer\nPick G,1,2,3,4,5,6,seven,G\n", ImportFormat::Csv);
    ASSERT_TRUE(csv.ok) << csv.error;
    const json& item = csv.doc["items"][0];
    EXPECT_EQ(item["choices"]["G"], "seven");
    EXPECT_EQ(item["correct"], "G");

    // Past Z the choices are kept aside and a key there is said, not silently moved.
    std::string many = "::Many:: Which? {";
    for (int i = 0; i < 27; ++i) many += (i == 26 ? " =c" : " ~c") + std::to_string(i);
    const Imported past = Import(many + "}\n", ImportFormat::Gift);
    ASSERT_TRUE(past.ok) << past.error;
    EXPECT_EQ(ItemById(past.doc, "Many")["correct"], "A");
    EXPECT_EQ(ItemById(past.doc, "Many")["more_choices"], json::array({"c26"}));
    EXPECT_TRUE(HasNote(past, "its answer is past Z"));
}

TEST(Import, GiftAsTheDocumentationWritesIt)
{
    const Imported g = ImportFile("gift-docs.txt");
    ASSERT_TRUE(g.ok) << g.error;
    EXPECT_EQ(g.notes[0], "Imported 8 questions from GIFT. Left out 3 of a kind a testbank does not hold: 1 essay, "
                          "1 matching, 1 multiple-answer.");
    ExpectItems(g, {
        {"Q1", "/correct", "True"},
        {"Q2", "/choices/A", "yellow"},
        {"Q2", "/correct", "A"},
        {"Q3", "/question", "Two plus _____ equals four."},
        {"Q5", "/answer", "3"},
        {"#4", "/category", "History"},
        {"#4", "/correct", "C"},
        {"#5", "/correct", "False"},
        {"#6", "/question", "Moodle costs _____ to download from moodle.org."},
        {"Escapes", "/choices/A", "= 10/2"},
        {"Escapes", "/choices/C", "2 \\+ 3 {x}"}, // "\+" is no escape: Moodle keeps it
        {"Escapes", "/correct", "B"},
    });
}

TEST(Import, SpreadsheetCsv)
{
    const Imported c = ImportFile("spreadsheet.csv");
    ASSERT_TRUE(c.ok) << c.error;
    EXPECT_EQ(c.notes[0], "Imported 5 questions from CSV. Left out 1 of a kind a testbank does not hold: 1 essay.");
    EXPECT_TRUE(HasNote(c, "question from \"Stem\", choices from 4 columns, the key from \"Key\""));
    ExpectItems(c, {
        {"C1", "/question", "Which is a prime;\nnumber?"}, // BOM, semicolons, a quoted line break
        {"C1", "/correct", "C"},
        {"C1", "/objectives/MLO", "Primes"},
        {"C1", "/Difficulty", "easy"},
        {"C2", "/question", "He said \"yes\""},
        {"C2", "/correct", "False"},
        {"C3", "/answer", "6"},
        {"C5", "/correct", "B"}, // the key given as the choice's text
    });
    EXPECT_TRUE(HasNote(c, "Item [C6]: the answer \"Q\" matches none of its choices; correct set to A"));

    // No type column: the loader guesses and the fixup wizard lists the items.
    BatchUi ui;
    ResetAllState();
    const std::u16string dir = TempDir("import-csv");
    WriteBytes(Join(dir, "q.csv"), "question,a,b,correct\nPick,x,y,b\n");
    ui.openPaths.push_back(Join(dir, "q.csv"));
    CmdImport(ui, nullptr);
    ASSERT_EQ(ui.fixupCalls.size(), 1u);
    ASSERT_EQ(ui.fixupCalls[0].size(), 1u);
    EXPECT_TRUE(ui.fixupCalls[0][0].missingType);
    EXPECT_EQ(g_jsonDoc["items"][0]["correct"], "B");
    // An import is a new document: Save asks for a name, never writes over the CSV.
    EXPECT_TRUE(g_currentPath.empty());
    EXPECT_TRUE(IsDocumentModified(ui));
}

TEST(Import, QuizJsonOfOtherShapes)
{
    const Imported t = ImportFile("trivia.json");
    ASSERT_TRUE(t.ok) << t.error;
    EXPECT_TRUE(HasNote(t, "3 under \"results\"; question from \"question\", choices from \"correct_answer\" + "
                           "\"incorrect_answers\", answer from \"correct_answer\""));
    const json& items = t.doc["items"];
    EXPECT_EQ(items[0]["choices"][items[0]["correct"].get<std::string>()], "Au");
    ExpectItems(t, {
        {"#0", "/question", "What is the chemical symbol for \"gold\"?"},
        {"#0", "/category", "Science & Nature"},
        {"#0", "/difficulty", "easy"},
        {"#1", "/type", "true_false"},
        {"#1", "/correct", "False"},
        {"#2", "/question", "Who painted 'Guernica'?"},
        {"#2", "/choices/A", "Dalí"},
    });

    const Imported l = ImportFile("licence.json");
    ASSERT_TRUE(l.ok) << l.error;
    ExpectItems(l, {
        {"1", "/question", "What does a red light mean?"},
        {"1", "/correct", "B"},
        {"2", "/choices/E", "Five"},
        {"2", "/correct", "E"},
        {"3", "/correct", "B"}, // a JSON index counts from 0
    });
    EXPECT_FALSE(HasNote(l, "Item [2]"));
}

TEST(Import, QtiAsOtherToolsWriteIt)
{
    const Imported q12 = ImportFile("canvas-qti12.xml");
    ASSERT_TRUE(q12.ok) << q12.error;
    EXPECT_EQ(q12.notes[0], "Imported 2 questions from QTI 1.2. Left out 1 of a kind a testbank does not hold: "
                            "1 essay.");
    EXPECT_EQ(q12.doc["items"][0]["question"], "Which planet is largest?");
    EXPECT_EQ(q12.doc["items"][0]["correct"], "C");
    EXPECT_EQ(q12.doc["items"][1]["correct"], "False");

    const Imported q21 = ImportFile("qti21-choice.xml");
    ASSERT_TRUE(q21.ok) << q21.error;
    const json& item = q21.doc["items"][0];
    EXPECT_EQ(item["id"], "Unattended Luggage");
    EXPECT_EQ(item["question"], "Look at the text in the picture.\n[image: sign.png]\nWhat does it say?");
    EXPECT_TRUE(HasNote(q21, "an image is shown as [image: sign.png]"));
    EXPECT_EQ(item["choices"]["A"], "You must stay with your luggage at all times.");
    EXPECT_EQ(item["choices"]["C"], "Remember your luggage when you leave.");
    EXPECT_EQ(item["correct"], "A");
}

TEST(Import, HostileInputIsRefusedWithAMessage)
{
    // Entity expansion: a document type with its own declarations is never read.
    const std::string laughs = "<?xml version=\"1.0\"?><!DOCTYPE quiz [<!ENTITY a \"aaaaaaaaaa\">"
                               "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">]><quiz><question type=\"truefalse\">"
                               "<questiontext><text>&b;</text></questiontext></question></quiz>";
    Imported r = Import(laughs);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.error.find("declares its own entities"), std::string::npos) << r.error;
    // The first bad thing is named, with its line.
    std::string deep = "<quiz>\n";
    for (int i = 0; i < 100000; ++i) deep += "<a>";
    const struct {
        std::string bytes;
        ImportFormat format;
        const char* error;
    } refused[] = {
        {"<quiz><question type=\"truefalse\"><name><text>&ext;</text></name></question></quiz>", ImportFormat::Auto,
         "XML error on line 1: undefined entity."},
        {deep, ImportFormat::Auto, "XML error on line 2: elements nested deeper than 256 levels."},
        {"<quiz><question></quiz>", ImportFormat::Auto, "XML error on line 1: mismatched tag."},
        {"question,a,b\n\"never closed,x,y\n", ImportFormat::Csv,
         "CSV error: the quoted field that starts on line 2 is never closed."},
        {"id,stem\n", ImportFormat::Csv, "No questions were found in the CSV file."},
        {"{\"a\":1}", ImportFormat::Json, "The JSON file holds no array of questions under any of its keys."},
        {"just words", ImportFormat::Auto,
         "The file is none of the formats Import reads (Moodle XML, GIFT, QTI, CSV, quiz JSON, a spreadsheet, Aiken, a "
         "text or Word document of numbered questions)."},
    };
    for (const auto& row : refused) {
        const Imported refusal = Import(row.bytes, row.format);
        EXPECT_FALSE(refusal.ok);
        EXPECT_EQ(refusal.error, row.error) << row.bytes.substr(0, 40);
    }

    // A zip bomb: an entry claiming far more than it holds.
    ZipWriter writer;
    ASSERT_TRUE(writer.Add("imsmanifest.xml", std::string(20u << 20, ' ')));
    r = Import(writer.Finish());
    EXPECT_NE(r.error.find("would unpack to far more than it holds"), std::string::npos) << r.error;
    // An entry lying about its size is caught while inflating, not trusted.
    ZipWriter liar;
    ASSERT_TRUE(liar.Add("imsmanifest.xml", std::string(100000, 'x')));
    std::string bytes = liar.Finish();
    for (size_t at = bytes.find(std::string("\x50\x4b\x01\x02", 4)); at != std::string::npos; at = std::string::npos) {
        bytes[at + 24] = 10, bytes[at + 25] = bytes[at + 26] = bytes[at + 27] = 0; // size 10
    }
    r = Import(bytes);
    EXPECT_NE(r.error.find("does not unpack to its size"), std::string::npos) << r.error;
    // A package path leaving its folder.
    ZipWriter escape;
    ASSERT_TRUE(escape.Add("imsmanifest.xml", "<manifest/>"));
    ASSERT_TRUE(escape.Add("items/../../evil.xml", "<x/>"));
    r = Import(escape.Finish());
    EXPECT_EQ(r.error, "The zip archive is refused: the entry \"items/../../evil.xml\" points outside its folder.");
    // Text that starts like a zip is still text: its bytes that are not UTF-8 are read as
    // Windows-1252, not kept.
    r = Import("PK\x03\x04;id;question\n1;\xff\xfe;Q\n", ImportFormat::Csv);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_NE(r.doc.dump().find("\xc3\xbf\xc3\xbe"), std::string::npos);
}

TEST(Import, XmlReaderKeepsTextExactly)
{
    XmlNode root;
    std::string error;
    ASSERT_TRUE(ParseXml("\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?><!DOCTYPE r SYSTEM \"r.dtd\">"
                         "<p:r xmlns:p=\"u\" p:a=\"1&#10;2\"><x>a&lt;b&#x263A;<![CDATA[<i>]]>\r\nc</x></p:r>",
                         root, error))
        << error;
    EXPECT_EQ(root.name, "r");
    EXPECT_EQ(root.Attribute("a"), "1\n2");
    EXPECT_EQ(root.ChildText("x"), "a<b\xE2\x98\xBA<i>\nc");
    EXPECT_FALSE(ParseXml("<r>&#1;</r>", root, error));
    // Latin-1 as declared, UTF-16 from its byte order mark; handed on as UTF-8.
    ASSERT_TRUE(ParseXml("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r>\xE9</r>", root, error)) << error;
    EXPECT_EQ(root.Text(), "\xC3\xA9");
    ASSERT_TRUE(ParseXml(std::string("\xFF\xFE<\0r\0>\0\xE9\0<\0/\0r\0>\0", 18), root, error)) << error;
    EXPECT_EQ(root.Text(), "\xC3\xA9");
    // HTML: our own plain-as-HTML exactly back, real HTML readable.
    EXPECT_EQ(HtmlToPlainText("a  &amp; b<br>c &#39;d&#39;"), "a  & b\nc 'd'");
    EXPECT_EQ(HtmlToPlainText("<p>One\n   two</p><p>Three&nbsp;<b>four</b></p><script>x</script>"),
              "One two\nThree four");
    // No markup: kept as it is, but for what a parser changes (a no-break space, CR, a reference).
    EXPECT_EQ(HtmlToPlainText("a  b\nc\xC3\xA9"), "a  b\nc\xC3\xA9");
    EXPECT_EQ(HtmlToPlainText("a\xC2\xA0" "b"), "a b");
    EXPECT_EQ(HtmlToPlainText("a\r\nb"), "a\nb");
    std::vector<std::string> lost;
    EXPECT_EQ(ImportHtml("1 &lt; 2 &amp;&amp; 3", lost), "1 < 2 && 3");
    EXPECT_TRUE(lost.empty());
}

// A scope's parser is reset for each document: what one document left (a fault, a stop at
// the root, an encoding, a parse under way in a visitor) never reaches the next.
TEST(Import, XmlParserIsFreshForEachDocument)
{
    const XmlParserScope scope;
    XmlNode root;
    std::string error;
    EXPECT_FALSE(ParseXml("<r><a></r>", root, error));
    EXPECT_EQ(XmlRootName("<?xml version=\"1.0\" encoding=\"UTF-16\"?><quiz><unclosed"), "");
    EXPECT_EQ(XmlRootName("<quiz><question>"), "quiz");
    ASSERT_TRUE(ParseXml(std::string("\xFF\xFE<\0r\0>\0\xE9\0<\0/\0r\0>\0", 18), root, error)) << error;
    ASSERT_TRUE(ParseXml("<r>\xC3\xA9</r>", root, error)) << error; // no longer UTF-16
    EXPECT_EQ(root.Text(), "\xC3\xA9");
    std::vector<std::string> inner;
    ASSERT_TRUE(ParseXmlElements("<quiz><q>1</q><q>2</q></quiz>", "q", root,
                                 [&](const XmlNode&, size_t, const XmlNode& q) {
                                     XmlNode other, broken;
                                     std::string e;
                                     EXPECT_TRUE(ParseXml("<x>" + q.Text() + "</x>", other, e)) << e;
                                     EXPECT_FALSE(ParseXml("<x>", broken, e));
                                     inner.push_back(other.name + other.Text());
                                 },
                                 error))
        << error;
    EXPECT_EQ(inner, (std::vector<std::string>{"x1", "x2"}));
    ASSERT_TRUE(ParseXml("<r a=\"1\"/>", root, error)) << error;
    EXPECT_EQ(root.Attribute("a"), "1");
}

// Records read one by one reuse the buffers of the ones before: each must still be exactly
// the element the whole tree holds, whatever the shape and texts of its neighbours.
TEST(Import, XmlRecordsReadOneByOneAreTheTreesElements)
{
    const std::string longText(40, 'x');
    std::string xml = "<q:quiz xmlns:q=\"u\" n=\"1\">";
    for (int i = 0; i < 40; ++i) {
        const std::string n = std::to_string(i);
        if (i % 3 == 0) // many children, long texts and attributes
            xml += "<question type=\"multichoice\" q:id=\"" + n + "\" a=\"" + longText + n + "\">\n  <name><text>" +
                   longText + n + "</text></name>\n" + std::string(i % 2 ? "  <a x=\"1\" y=\"2\" z=\"3\"/>\n" : "") +
                   "  <answer fraction=\"100\"><text>a&amp;<![CDATA[<b>" + n + "</b>]]>b</text></answer>\n</question>";
        else if (i % 3 == 1) // small, no attributes
            xml += "<question><t>" + n + "</t></question>";
        else // mixed content, a record's name nested inside it, outside text
            xml += "<wrap>skipped<question type=\"x\">one <b>two " + longText + "</b> three<question>" + n +
                   "</question></question></wrap>";
    }
    xml += "</q:quiz>";
    XmlNode tree, root;
    std::string error;
    ASSERT_TRUE(ParseXml(xml, tree, error)) << error;
    std::vector<const XmlNode*> expected;
    tree.FindAll("question", expected);
    ASSERT_EQ(expected.size(), 40u);
    struct Same {
        static bool Of(const XmlNode& a, const XmlNode& b)
        {
            if (a.name != b.name || a.text != b.text || a.attributes != b.attributes ||
                a.children.size() != b.children.size())
                return false;
            for (size_t i = 0; i < a.children.size(); ++i)
                if (!Of(a.children[i], b.children[i])) return false;
            return true;
        }
    };
    size_t seen = 0;
    ASSERT_TRUE(ParseXmlElements(xml, "question", root, [&](const XmlNode& top, size_t depth, const XmlNode& element) {
        EXPECT_EQ(top.name, "quiz");
        EXPECT_EQ(top.Attribute("n"), "1");
        EXPECT_EQ(depth, seen % 3 == 2 ? 2u : 1u);
        ASSERT_LT(seen, expected.size());
        EXPECT_TRUE(Same::Of(element, *expected[seen])) << "record " << seen;
        ++seen;
    }, error)) << error;
    EXPECT_EQ(seen, expected.size());
    EXPECT_EQ(root.name, "quiz");
}

// A repeated ID gets the first free suffix; the item that already has that suffix keeps it.
TEST(Import, RepeatedIdsAreRenamed)
{
    std::string xml = "<quiz>";
    for (const char* id : {"A", "B", "A", "A_2", "A"})
        xml += std::string("<question type=\"truefalse\"><idnumber>") + id +
               "</idnumber><answer fraction=\"100\"><text>true</text></answer></question>";
    const Imported m = Import(xml + "</quiz>");
    ASSERT_TRUE(m.ok) << m.error;
    std::vector<std::string> ids;
    for (const json& item : m.doc["items"]) ids.push_back(item["id"]);
    EXPECT_EQ(ids, (std::vector<std::string>{"A", "B", "A_3", "A_2", "A_4"}));
    EXPECT_TRUE(HasNote(m, "Item [A] appears more than once; this one is now [A_3]."));
    EXPECT_TRUE(HasNote(m, "Item [A] appears more than once; this one is now [A_4]."));
    EXPECT_FALSE(HasNote(m, "Item [A_2] appears"));
    // No repeat: no note.
    EXPECT_FALSE(HasNote(Import("<quiz><question type=\"truefalse\"><idnumber>A</idnumber></question>"
                                "<question type=\"truefalse\"><idnumber>B</idnumber></question></quiz>"),
                         "appears more than once"));
}

TEST(Import, OpenSaysWhatItChanges)
{
    EXPECT_EQ(LoadError(R"({"response_code":0,"results":[],"more":[1]})"),
              "Invalid testbank JSON: missing \"items\" array. The file has arrays under \"more\" and \"results\"; "
              "File > Import reads other shapes.");
    const Loaded l = LoadOk(R"([{"id":"a","type":"MC","correct":"E"},{"id":"b","type":"MC","correct":"c"},
                                {"id":"c","type":"MC","correct":2}])");
    EXPECT_EQ(l.doc["items"][0]["correct"], "A");
    const std::vector<std::string> notes = U8(l.notes);
    EXPECT_NE(std::find(notes.begin(), notes.end(), "Item [a] had the answer \"E\", which is not one of A-D; correct set to A."),
              notes.end());
    EXPECT_NE(std::find(notes.begin(), notes.end(), "Item [c] had the answer 2, which is not one of A-D; correct set to A."),
              notes.end());
    for (const std::string& note : notes) EXPECT_EQ(note.find("Item [b] had"), std::string::npos);
}

TEST(Import, GiftAsCourseBanksWriteIt)
{
    const Imported g = Import("// [id:T1]\n::T1:: Which is a pointer field? {\n~=p->next\n~p.next\n~*p\n}\n\n"
                              "::W1:: Weighted {=%50%four ~three ~%-50%five}\n\n"
                              "::W2:: Part marks on a wrong one {~three =four ~%50%fourish}\n\n"
                              "::U1:: Never closed {\n=yes\n~no\n\n::N1:: Next {T}\n\n"
                              "::P1:: [html]<p>Pick <b>one</b></p> {=[html]<p>right</p> ~[plain]wrong <b>x</b>}\n\n"
                              "::TOL:: Tolerance {#3:2 ~#Wrong}\n\n"
                              "::SA:: Short {=Paris =%0%London =%50%paris!}\n\n"
                              "::CL:: The capital of France is {1:SA:=Paris~%50%paris} here.\n\n"
                              "::TEX:: Solve \\(x\\) in c:\\\\dir {=a\\=b ~c\\~d}\n",
                              ImportFormat::Gift);
    ASSERT_TRUE(g.ok) << g.error;
    // The unclosed question is named with its line; the next one is its own question.
    EXPECT_TRUE(HasNote(g, "Item [U1] (line 12)"));
    ExpectItems(g, {
        {"T1", "/choices/A", "p->next"},
        {"T1", "/choices/C", "*p"},
        {"T1", "/choices/D", ""},
        {"T1", "/correct", "A"},
        {"W1", "/choices/A", "four"},
        {"W1", "/correct", "A"},
        {"W2", "/correct", "B"},
        {"W2", "/choice_weights/C", "50%"},
        {"N1", "/correct", "True"},
        {"P1", "/question", "Pick one"},
        {"P1", "/choices/A", "right"},
        {"P1", "/choices/B", "wrong <b>x</b>"},
        {"TOL", "/answer", "3"},
        {"TOL", "/tolerance", "2"},
        {"SA", "/answer", "Paris"},
        {"SA", "/other_answers", nullptr},
        {"SA", "/partial_answers/paris!", "50%"},
        {"CL", "/type", "numerical"},
        {"CL", "/answer", "Paris"},
        {"CL", "/question", "The capital of France is _____ here."},
        {"TEX", "/question", "Solve \\(x\\) in c:\\dir"},
        {"TEX", "/choices/A", "a=b"},
        {"TEX", "/choices/B", "c~d"},
    });
}

TEST(Import, QuizJsonWithAnArrayPerKind)
{
    const Imported j = Import(R"({"title":"Quiz",
 "identification":[{"question":"Capital of France?","answer":"Paris"},
                   {"question":"Largest planet?","answer":"Jupiter","options":["","","",""]}],
 "multipleChoice":[{"question":"Which tag scrolls text? <marquee>","options":["<marquee>","<p>","<b>"],"answer":"<marquee>"},
                   {"answer":"B"},
                   {"question":"2+2?","choices":{"a":"3","b":"4","c":"5"},"answer":"b"}],
 "trueOrFalse":[{"question":"Sky is blue.","answer":true},{"question":"Fire is cold.","answer":"False"}]})",
                              ImportFormat::Json);
    ASSERT_TRUE(j.ok) << j.error;
    const json& items = j.doc["items"];
    ASSERT_EQ(items.size(), 6u);
    ExpectItems(j, {
        {"#0", "/type", "numerical"},
        {"#0", "/answer", "Paris"},
        {"#1", "/type", "numerical"},
        {"#1", "/answer", "Jupiter"},
        {"#2", "/question", "Which tag scrolls text? <marquee>"},
        {"#2", "/choices/B", "<p>"},
        {"#2", "/correct", "A"},
        {"#3", "/correct", "B"},
        {"#4", "/correct", "True"},
        {"#5", "/correct", "False"},
    });
    EXPECT_TRUE(HasNote(j, "is left out: no question text"));
    EXPECT_TRUE(HasNote(j, "2 under \"identification\" (taken as short answer), 3 under \"multipleChoice\""));

    // An array of titles beside the questions is no array of questions.
    const Imported c = Import(R"({"categories":[{"title":"Math"},{"title":"Art"}],
 "questions":[{"question":"2+2?","options":["3","4"],"answer":"4"}]})",
                              ImportFormat::Json);
    ASSERT_TRUE(c.ok) << c.error;
    ASSERT_EQ(c.doc["items"].size(), 1u);
    EXPECT_EQ(c.doc["items"][0]["correct"], "B");
}

TEST(Import, CsvColumnsReadByContent)
{
    // Korean headers, choices joined in one cell, the key as the choice's text, O/X.
    const Imported ko = Import("\xEB\xB2\x88\xED\x98\xB8,\xEB\xAC\xB8\xEC\xA0\x9C,\xEB\xB3\xB4\xEA\xB8\xB0,"
                               "\xEC\xA0\x95\xEB\x8B\xB5\n1,Capital?,Seoul;Busan;Daegu,Seoul\n2,Round earth.,,O\n"
                               "3,2+2?,3;4;5,4\n",
                               ImportFormat::Csv);
    ASSERT_TRUE(ko.ok) << ko.error;
    ExpectItems(ko, {
        {"1", "/choices/C", "Daegu"},
        {"1", "/correct", "A"},
        {"2", "/type", "true_false"},
        {"2", "/correct", "True"},
        {"3", "/correct", "B"},
    });
    // Headers that say nothing: the columns are told by what they hold, and the note says so.
    const Imported en = Import("q,opts,ans\nCapital of France?,Berlin; Paris; Rome,Paris\nThe earth is flat.,,False\n",
                               ImportFormat::Csv);
    ASSERT_TRUE(en.ok) << en.error;
    EXPECT_EQ(en.doc["items"][0]["choices"]["B"], "Paris");
    EXPECT_EQ(en.doc["items"][0]["correct"], "B");
    EXPECT_EQ(en.doc["items"][1]["correct"], "False");
    EXPECT_TRUE(HasNote(en, "taken by content: \"q\" as the question, \"ans\" as the answer"));
}

TEST(Import, QtiBlanksFeedbackAndImagesAsTheyRead)
{
    const char* item = R"(<?xml version="1.0" encoding="UTF-8"?>
<assessmentItem xmlns="http://www.imsglobal.org/xsd/imsqti_v2p1" identifier="%s" title="%s">
<responseDeclaration identifier="R" cardinality="single" baseType="%s"><correctResponse><value>%s</value></correctResponse></responseDeclaration>
<itemBody>%s</itemBody></assessmentItem>)";
    auto make = [&](const char* id, const char* type, const char* value, const char* body) {
        std::string out(item);
        for (const char* part : {id, id, type, value, body}) out.replace(out.find("%s"), 2, part);
        return out;
    };
    const Imported blank = Import(make("B1", "string", "Paris",
                                       "<div><blockquote><p>The capital of France is "
                                       "<textEntryInteraction responseIdentifier=\"R\"/>.</p></blockquote></div>"),
                                  ImportFormat::Qti);
    ASSERT_TRUE(blank.ok) << blank.error;
    EXPECT_EQ(blank.doc["items"][0]["question"], "The capital of France is _____.");
    EXPECT_EQ(blank.doc["items"][0]["answer"], "Paris");

    const Imported choice = Import(
        make("C1", "identifier", "b",
             "<div><div><choiceInteraction responseIdentifier=\"R\" maxChoices=\"1\"><prompt>2 + 2?</prompt>"
             "<simpleChoice identifier=\"a\">3<feedbackInline outcomeIdentifier=\"F\" identifier=\"a\">No</feedbackInline></simpleChoice>"
             "<simpleChoice identifier=\"b\">4<feedbackInline outcomeIdentifier=\"F\" identifier=\"b\">Right</feedbackInline></simpleChoice>"
             "<simpleChoice identifier=\"c\"><img src=\"images/five.png\" alt=\"\"/></simpleChoice>"
             "</choiceInteraction></div></div>"),
        ImportFormat::Qti);
    ASSERT_TRUE(choice.ok) << choice.error;
    const json& c = choice.doc["items"][0];
    EXPECT_EQ(c["question"], "2 + 2?");
    EXPECT_EQ(c["choices"]["A"], "3");
    EXPECT_EQ(c["choices"]["B"], "4");
    EXPECT_EQ(c["choices"]["C"], "[image: five.png]");
    EXPECT_EQ(c["correct"], "B");
    EXPECT_TRUE(HasNote(choice, "Item [C1]: an image is shown as [image: five.png]"));

    // QTI 1.2 with no tool's metadata: several lists to pick from are a matching question,
    // a text box with no right answer an essay; both named, neither made multiple choice.
    const Imported q12 = Import(R"(<questestinterop><assessment ident="A">
<item ident="M1"><presentation><material><mattext>Match.</mattext></material>
<response_lid ident="L1" rcardinality="Single"><render_choice><response_label ident="x"><material><mattext>a</mattext></material></response_label></render_choice></response_lid>
<response_lid ident="L2" rcardinality="Single"><render_choice><response_label ident="y"><material><mattext>b</mattext></material></response_label></render_choice></response_lid>
</presentation></item>
<item ident="E1"><presentation><material><mattext>Discuss.</mattext></material><response_str ident="S"><render_fib/></response_str></presentation></item>
<item ident="F1"><presentation><material><mattext>Capital of Italy?</mattext></material><response_str ident="S"><render_fib/></response_str></presentation>
<resprocessing><respcondition><conditionvar><varequal respident="S">Rome</varequal></conditionvar><setvar action="Set">100</setvar></respcondition></resprocessing></item>
</assessment></questestinterop>)",
                                ImportFormat::Qti);
    ASSERT_TRUE(q12.ok) << q12.error;
    ASSERT_EQ(q12.doc["items"].size(), 1u);
    EXPECT_EQ(q12.doc["items"][0]["answer"], "Rome");
    EXPECT_TRUE(HasNote(q12, "Item [M1] is left out: matching"));
    EXPECT_TRUE(HasNote(q12, "Item [E1] is left out: essay"));
}

namespace {
class MapPackage : public PackageFiles {
public:
    std::map<std::string, std::string> files;
    std::vector<std::string> reads; // in the order asked for
    bool Read(const std::string& name, std::string& data, std::string& error) override
    {
        reads.push_back(name);
        auto it = files.find(name);
        if (it == files.end()) {
            error = name + " is missing";
            return false;
        }
        data = it->second;
        return true;
    }
};
} // namespace

TEST(Import, QtiPackagesAsOtherToolsListThem)
{
    // A manifest that lists only the test: the test's references name the items.
    MapPackage onlyTest;
    onlyTest.files["imsmanifest.xml"] =
        R"(<manifest><resources><resource identifier="T" type="imsqti_test_xmlv2p1" href="tests/test.xml"/></resources></manifest>)";
    onlyTest.files["tests/test.xml"] =
        R"(<assessmentTest identifier="T"><testPart identifier="P"><assessmentSection identifier="S" title="Week 1">
<assessmentItemRef identifier="I1" href="../items/i1.xml"/></assessmentSection></testPart></assessmentTest>)";
    onlyTest.files["items/i1.xml"] =
        R"(<assessmentItem identifier="I1" title="Q1"><responseDeclaration identifier="R" cardinality="single" baseType="identifier">
<correctResponse><value>b</value></correctResponse></responseDeclaration><itemBody><choiceInteraction responseIdentifier="R" maxChoices="1">
<prompt>Pick b</prompt><simpleChoice identifier="a">a</simpleChoice><simpleChoice identifier="b">b</simpleChoice></choiceInteraction></itemBody></assessmentItem>)";
    ImportResult result;
    std::string error;
    ASSERT_TRUE(ReadQtiPackage(onlyTest, result, error)) << error;
    ASSERT_EQ(result.items.size(), 1u);
    EXPECT_EQ(result.items[0]["category"], "Week 1");
    EXPECT_EQ(result.items[0]["correct"], "B");

    // Respondus labels its QTI 1.2 documents as 1.1 resources.
    MapPackage respondus;
    respondus.files["imsmanifest.xml"] =
        R"(<manifest><resources><resource identifier="R" type="imsqti_xmlv1p1" href="quiz.xml"/></resources></manifest>)";
    respondus.files["quiz.xml"] = R"(<questestinterop><item ident="Q"><presentation><material><mattext>Sky blue?</mattext></material>
<response_lid ident="L" rcardinality="Single"><render_choice><response_label ident="t"><material><mattext>True</mattext></material></response_label>
<response_label ident="f"><material><mattext>False</mattext></material></response_label></render_choice></response_lid></presentation>
<resprocessing><respcondition><conditionvar><varequal respident="L">t</varequal></conditionvar><setvar action="Set">1</setvar></respcondition></resprocessing></item></questestinterop>)";
    ImportResult r2;
    ASSERT_TRUE(ReadQtiPackage(respondus, r2, error)) << error;
    ASSERT_EQ(r2.items.size(), 1u);
    // No type said and two choices True and False: a true/false question, as in QTI 2.1.
    EXPECT_EQ(r2.items[0]["type"], "true_false");
    EXPECT_EQ(r2.items[0]["correct"], "True");
}

namespace {
// A package of n items, read as many tools write it: an item every seventh without an
// interaction (left out), one every eleventh with no ID anywhere (labelled by its number).
MapPackage ManyItems(size_t n)
{
    MapPackage package;
    std::string manifest = "<manifest><resources>";
    for (size_t i = 0; i < n; ++i) {
        const std::string id = "Q" + std::to_string(i), file = "items/i" + std::to_string(i) + ".xml";
        manifest += "<resource type=\"imsqti_item_xmlv2p1\" href=\"" + file + "\">";
        if (i % 11 != 5) manifest += "<metadata><identifier>" + id + "</identifier></metadata>";
        manifest += "</resource>";
        const std::string body =
            i % 7 == 3 ? "<p>Discuss.</p>"
                       : "<choiceInteraction responseIdentifier=\"R\" maxChoices=\"1\"><prompt>Pick " + id +
                             " <img src=\"p.png\"/></prompt><simpleChoice identifier=\"a\">a</simpleChoice>"
                             "<simpleChoice identifier=\"b\">b</simpleChoice></choiceInteraction>";
        package.files[file] = "<assessmentItem><responseDeclaration identifier=\"R\" cardinality=\"single\">"
                              "<correctResponse><value>" + std::string(i % 2 ? "a" : "b") +
                              "</value></correctResponse></responseDeclaration><itemBody>" + body +
                              "</itemBody></assessmentItem>";
    }
    package.files["imsmanifest.xml"] = manifest + "</resources></manifest>";
    return package;
}
} // namespace

// A large package's items are read on two threads; the bank, its notes and its first error
// are those of reading them in turn.
TEST(Import, QtiPackageItemsKeepTheManifestsOrder)
{
    const size_t n = 500;
    MapPackage package = ManyItems(n);
    ImportResult result;
    std::string error;
    ASSERT_TRUE(ReadQtiPackage(package, result, error)) << error;
    EXPECT_EQ(result.read, n);
    EXPECT_EQ(result.leftOut["without interaction"], (n + 3) / 7);
    std::vector<std::string> notes;
    size_t kept = 0;
    for (size_t i = 0; i < n; ++i) {
        const std::string label = i % 11 == 5 ? "Question #" + std::to_string(i + 1) : "Item [Q" + std::to_string(i) + "]";
        if (i % 7 == 3) {
            notes.push_back(label + " is left out: without interaction.");
            continue;
        }
        notes.push_back(label + ": an image is shown as [image: p.png].");
        ASSERT_LT(kept, result.items.size());
        const json& item = result.items[kept++];
        EXPECT_EQ(item.value("id", ""), i % 11 == 5 ? "" : "Q" + std::to_string(i));
        EXPECT_EQ(item["question"], "Pick Q" + std::to_string(i) + " [image: p.png]");
        EXPECT_EQ(item["correct"], i % 2 ? "A" : "B");
    }
    EXPECT_EQ(kept, result.items.size());
    EXPECT_EQ(result.notes, notes);
    // A package's reader is not shared: the files are asked for one at a time, in order.
    ASSERT_EQ(package.reads.size(), n + 1);
    for (size_t i = 0; i < n; ++i) EXPECT_EQ(package.reads[i + 1], "items/i" + std::to_string(i) + ".xml");

    // The first bad file in the manifest's order is the one named, whichever thread met it.
    struct Case {
        size_t malformed, missing;
        std::string error;
    };
    for (const Case& c : {Case{120, 400, "items/i120.xml: XML error"}, Case{401, 402, "items/i401.xml: XML error"},
                          Case{0, 499, "items/i0.xml: XML error"}, Case{300, 130, "items/i130.xml is missing"}}) {
        MapPackage broken = ManyItems(n);
        broken.files["items/i" + std::to_string(c.malformed) + ".xml"] = "<assessmentItem><itemBody>";
        broken.files.erase("items/i" + std::to_string(c.missing) + ".xml");
        ImportResult r;
        error.clear();
        EXPECT_FALSE(ReadQtiPackage(broken, r, error));
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << error;
    }
}

// Feedback kept by the response it answers, and short answers that are Moodle patterns, read
// from files written as Moodle writes them, then out in both formats and back unchanged.
TEST(Import, FeedbackAndWildcardsGoOutAndComeBack)
{
    const std::vector<Expected> expected = {
        {"Gas", "/correct", "B"},
        {"Gas", "/feedback", json{{"A", "Oxygen is in group 16."}, {"B", "Right: neon is inert."}}},
        {"Gas", "/general_feedback", "Group 18 holds the noble gases."},
        {"Inert", "/correct", "True"},
        {"Inert", "/feedback", json{{"True", "Yes: a full outer shell."}, {"False", "No # it is; see ~ group = 18."}}},
        {"Protons", "/answer", "10"},
        {"Protons", "/feedback", json{{"10", "Ten."}, {"20", "That is its mass number."}, {"*", "Count the electrons."}}},
        {"Symbol", "/answer", "Ne*n"},
        {"Symbol", "/answer_wildcard", true},
        {"Symbol", "/partial_answers", json{{"Ne", "50%"}}},
        {"Symbol", "/feedback", json{{"Ne*n", "Neon."}, {"Ne", "That is the symbol."}, {"*", "It starts with Ne."}}},
        // "\*" is the star itself: plain text, no pattern.
        {"Star", "/answer", "*"},
        {"Star", "/answer_wildcard", nullptr},
    };
    for (const char* name : {"feedback-moodle.xml", "feedback.gift"}) {
        SCOPED_TRACE(name);
        const Imported first = ImportFile(name);
        ASSERT_TRUE(first.ok) << first.error;
        ExpectItems(first, expected);
        EXPECT_TRUE(HasNote(first, "Item [Symbol]: its answer is a pattern in which '*' stands for any characters"));
        EXPECT_FALSE(HasNote(first, "Item [Star]: its answer is a pattern"));
        for (ExamFormat format : {ExamFormat::Moodle, ExamFormat::Gift}) {
            SCOPED_TRACE(ExamFormatName(format));
            const ExamFile file = WriteExamAs(format, first.doc);
            ASSERT_TRUE(file.written);
            const Imported back = Import(file.bytes);
            ASSERT_TRUE(back.ok) << back.error;
            json want = first.doc;
            // GIFT has no case-sensitive short answer.
            if (format == ExamFormat::Gift)
                for (json& item : want["items"]) item.erase("case_sensitive");
            EXPECT_EQ(back.doc, want) << file.bytes;
        }
    }
    const Imported moodle = ImportFile("feedback-moodle.xml");
    ExpectItems(moodle, {{"Star", "/case_sensitive", true}, {"Star", "/feedback", json{{"x", "Not in C."}}}});
    // QTI 1.2 carries a choice's and a true/false answer's feedback and the general one, as
    // Canvas writes them.
    const ExamFile qti = WriteExamAs(ExamFormat::Qti12, moodle.doc);
    ASSERT_TRUE(qti.written);
    const Imported fromQti = Import(qti.bytes);
    ASSERT_TRUE(fromQti.ok) << fromQti.error;
    for (const char* id : {"Gas", "Inert"})
        for (const char* field : {"/feedback", "/general_feedback", "/correct"})
            EXPECT_EQ(ItemById(fromQti.doc, id).value(json::json_pointer(field), json()),
                      ItemById(moodle.doc, id).value(json::json_pointer(field), json()))
                << id << field;
    const std::string xml = WriteExamAs(ExamFormat::Moodle, moodle.doc).bytes;
    EXPECT_NE(xml.find("<usecase>1</usecase>"), std::string::npos);
    EXPECT_NE(xml.find("<text><![CDATA[Ne*n]]></text>"), std::string::npos);
    EXPECT_NE(xml.find("<text><![CDATA[\\*]]></text>"), std::string::npos);
    const std::string gift = WriteExamAs(ExamFormat::Gift, moodle.doc).bytes;
    EXPECT_NE(gift.find("{=Ne*n#Neon. =%50%Ne#That is the symbol. =%0%*#It starts with Ne.}"), std::string::npos) << gift;
    EXPECT_NE(gift.find("{#=10#Ten. =%0%20#That is its mass number. ~#Count the electrons.}"), std::string::npos);
    EXPECT_NE(gift.find("{T#No \\# it is; see \\~ group \\= 18.#Yes\\: a full outer shell.}"), std::string::npos);
}

// The printed key says a pattern's '*' is no star to write down.
TEST(Import, PrintedKeyNamesAWildcardPattern)
{
    const Loaded bank = LoadOk(R"({"items":[{"id":"S","type":"numerical","question":"Symbol?","answer":"Ne*",
      "answer_wildcard":true,"objectives":{"MLO":"m"}}]})");
    const PrintableExam printed = CollectPrintQuestions(bank.doc);
    ASSERT_EQ(printed.questions.size(), 1u);
    EXPECT_EQ(KeyAnswer(printed.questions[0], {}), "Ne* (* stands for any characters)");
}

// Quiz apps keep their questions in shapes of their own: choices under a key each, an answer
// given as an index or as a choice's own ID, questions kept by ID under their category,
// {"q", "a"} pairs, and messages for a right and a wrong answer.
TEST(Import, QuizJsonShapesOfQuizApps)
{
    struct Case {
        const char* json;
        std::vector<Expected> expected;
    };
    const Case cases[] = {
        {R"([{"question":"2+2?","a":"3","b":"4","c":"5","d":"6","answer":"b"}])",
         {{"#0", "/choices", json{{"A", "3"}, {"B", "4"}, {"C", "5"}, {"D", "6"}}}, {"#0", "/correct", "B"},
          {"#0", "/a", nullptr}}},
        {R"([{"question":"Capital?","option_a":"Berlin","option_b":"Paris","option_c":"Rome","correct_option":"B"}])",
         {{"#0", "/choices/B", "Paris"}, {"#0", "/correct", "B"}, {"#0", "/option_b", nullptr}}},
        {R"([{"question":"CI?","options":["a","Integrate often","c"],"answerIndex":1}])",
         {{"#0", "/correct", "B"}, {"#0", "/type", "multiple_choice"}}},
        {R"([{"question":"Android?","correct_answer_option_id":3,"quiz_options":[{"option_id":1,"option":"Python",
              "correct_answer":0},{"option_id":2,"option":"Swift","correct_answer":0},{"option_id":3,"option":"Java",
              "correct_answer":1}]}])",
         {{"#0", "/choices/C", "Java"}, {"#0", "/correct", "C"}}},
        {R"({"quiz":{"sport":{"q1":{"question":"NBA team?","options":["Bulls","Rocket"],"answer":"Rocket"}},
             "maths":{"q1":{"question":"5 + 7 = ?","options":["11","12"],"answer":"12"},
                      "q2":{"question":"12 - 8 = ?","options":["3","4"],"answer":"4"}}}})",
         {{"#0", "/category", "sport"}, {"#0", "/id", "q1"}, {"#0", "/correct", "B"},
          {"#1", "/category", "maths"}, {"#1", "/question", "5 + 7 = ?"}, {"#1", "/id", "q1_2"},
          {"#2", "/id", "q2"}, {"#2", "/correct", "B"}}},
        {R"({"questions":[{"q":"Largest planet?","a":[{"option":"Mars","correct":false},
              {"option":"Jupiter","correct":true}],"correct":"Right!","incorrect":"No."}]})",
         {{"#0", "/correct", "B"}, {"#0", "/feedback", json{{"A", "No."}, {"B", "Right!"}}},
          {"#0", "/incorrect", nullptr}}},
        {R"([{"q":"Capital of France?","a":"Paris"}])",
         {{"#0", "/type", "numerical"}, {"#0", "/answer", "Paris"}, {"#0", "/question", "Capital of France?"}}},
        {R"([{"question":"Which flag?","image":"img/flags/fr.png","options":["France","Italy"],"answer":"France"}])",
         {{"#0", "/question", "Which flag? [image: fr.png]"}, {"#0", "/image", "img/flags/fr.png"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.json);
        const Imported imported = Import(c.json, ImportFormat::Json);
        ASSERT_TRUE(imported.ok) << imported.error;
        ExpectItems(imported, c.expected);
    }
}

// Sheets made from the quiz sites' templates: title lines above the header, notes in the
// header cells, the right answer beside wrong ones, several keys, a blank's accepted answers
// in the option columns, and the key under "Answer 1" beside choices under A to D.
TEST(Import, CsvFromQuizTemplates)
{
    struct Case {
        const char* csv;
        size_t items;
        std::vector<Expected> expected;
        const char* note;
    };
    const Case cases[] = {
        {"Question Text,Question Type,Option 1,Option 2,Option 3,Correct Answer,Time in seconds,Image Link\n"
         "Capital of France?,Multiple Choice,Berlin,Paris,Rome,2,30,https://x.org/img/paris.png\n"
         "Pick the primes,Checkbox,2,4,5,\"1,3\",30,\n"
         "Name a primary colour,Fill-in-the-Blank,red,blue,,,30,\n"
         "Your view?,Poll,yes,no,,,30,\n",
         2,
         {{"#0", "/correct", "B"}, {"#0", "/question", "Capital of France? [image: paris.png]"},
          {"#1", "/type", "numerical"}, {"#1", "/answer", "red"}, {"#1", "/other_answers", json::array({"blue"})}},
         "Left out 2 of a kind a testbank does not hold: 1 multiple-answer, 1 poll."},
        {"\"Blooket\nImport Template\",,,,,,,\n"
         "Question #,Question Text,Answer 1,Answer 2,\"Answer 3\n(Optional)\",\"Answer 4\n(Optional)\","
         "\"Time Limit (sec)\n(Max: 300 seconds)\",\"Correct Answer(s)\n(Only include Answer #)\"\n"
         "1,What is 2+2?,3,4,5,6,20,2\n2,Sky colour?,Green,Blue,,,20,2\n",
         2,
         {{"#0", "/id", "1"}, {"#0", "/choices/D", "6"}, {"#0", "/correct", "B"}, {"#1", "/choices/B", "Blue"},
          {"#1", "/correct", "B"}},
         "The line above the header is a title"},
        {"Gimkit Spreadsheet Import Template,,,,\n"
         "Question,Correct Answer,Incorrect Answer 1,Incorrect Answer 2 (Optional),Incorrect Answer 3 (Optional)\n"
         "What is 2+2?,4,3,5,6\nSky colour?,Blue,Green,,\nCapital of Peru?,Lima,,,\n",
         3,
         {{"#0", "/choices", json{{"A", "4"}, {"B", "3"}, {"C", "5"}, {"D", "6"}}}, {"#0", "/correct", "A"},
          {"#1", "/choices/A", "Green"}, {"#1", "/choices/B", "Blue"}, {"#1", "/correct", "B"},
          {"#2", "/type", "numerical"}, {"#2", "/answer", "Lima"}},
         "wrong answers from 3 columns"},
        {",Quiz template,,,,,,\n,Add questions...,,,,,,\n"
         ",Question - max 120 characters,Answer 1 - max 75 characters,Answer 2 - max 75 characters,"
         "Answer 3 - max 75 characters,Answer 4 - max 75 characters,Time limit (sec),"
         "Correct answer(s) - choose at least one\n"
         "1,What is 2+2?,3,4,5,6,20,2\n2,Which are even?,1,2,3,4,20,\"2,4\"\n",
         1,
         {{"#0", "/question", "What is 2+2?"}, {"#0", "/correct", "B"}},
         "1 multiple-answer"},
        {"questionname,questiontext,A,B,C,D,Answer 1,Answer 2\n"
         "Q1,What is 2+2?,3,4,5,6,B,\nQ2,Which are even?,1,2,3,4,B,D\n",
         1,
         {{"#0", "/correct", "B"}, {"#0", "/id", "Q1"}},
         "1 multiple-answer"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.csv);
        const Imported imported = Import(c.csv, ImportFormat::Csv);
        ASSERT_TRUE(imported.ok) << imported.error;
        EXPECT_EQ(imported.doc["items"].size(), c.items);
        ExpectItems(imported, c.expected);
        EXPECT_TRUE(HasNote(imported, c.note)) << imported.notes[0];
    }
}

// What an import kept and a format cannot carry is named in the export's message.
TEST(Import, ExportsNameWhatTheyCannotCarry)
{
    const Imported moodle = ImportFile("feedback-moodle.xml");
    ASSERT_TRUE(moodle.ok) << moodle.error;
    const std::pair<ExamFormat, const char*> expected[] = {
        {ExamFormat::Moodle, nullptr},
        {ExamFormat::Gift, "in 1 item: Star."},
        {ExamFormat::Qti12, "in 3 items: Protons, Symbol, Star."},
        {ExamFormat::Qti21, "in 5 items: Gas, Inert, Protons, Symbol, Star."},
    };
    for (const auto& [format, names] : expected) {
        const std::string message = ExamFileMessage(WriteExamAs(format, moodle.doc), format, 10);
        const size_t at = message.find("cannot carry all that an import kept");
        if (!names) {
            EXPECT_EQ(at, std::string::npos) << message;
            continue;
        }
        ASSERT_NE(at, std::string::npos) << message;
        EXPECT_NE(message.find(names, at), std::string::npos) << message;
    }
}

namespace {
// A pool file as Blackboard writes it: its title, then the questions (each an element named
// for its kind, with its body, answers and key).
std::string Pool(const std::string& questions, const std::string& head = "<?xml version=\"1.0\" encoding=\"utf-8\"?>")
{
    return head + "<POOL><TITLE value=\"Unit 3\"/><QUESTIONLIST><QUESTION id=\"q1\" class=\"QUESTION_TRUEFALSE\"/>"
                  "</QUESTIONLIST>" + questions + "</POOL>";
}

std::string PoolQuestion(const std::string& kind, const std::string& id, const std::string& body,
                         const std::string& answers, const std::string& keys)
{
    return "<QUESTION_" + kind + " id=\"" + id + "\"><BODY><TEXT>" + body +
           "</TEXT><FLAGS value=\"true\"><ISHTML value=\"true\"/><ISNEWLINELITERAL/></FLAGS></BODY>" + answers +
           "<GRADABLE>" + keys + "</GRADABLE></QUESTION_" + kind + ">";
}

std::string PoolAnswer(const std::string& id, const std::string& text, const std::string& position = "")
{
    return "<ANSWER id=\"" + id + "\"" + (position.empty() ? "" : " position=\"" + position + "\"") + "><TEXT>" + text +
           "</TEXT></ANSWER>";
}

std::string PoolKey(const std::string& id) { return "<CORRECTANSWER answer_id=\"" + id + "\"/>"; }
} // namespace

// Blackboard's own pool files: each case one way a reading goes wrong.
TEST(Import, BlackboardPoolsAsBlackboardWritesThem)
{
    struct Case {
        const char* what;
        std::string file;
        std::vector<Expected> items;
        std::vector<std::string> notes;
    };
    const Case cases[] = {
        {"the key is the answer the ID names, in the order the positions give",
         Pool(PoolQuestion("MULTIPLECHOICE", "m1", "Organelle?",
                           PoolAnswer("m1_a3", "Ribosome", "3") + PoolAnswer("m1_a1", "Mitochondrion", "1") +
                               PoolAnswer("m1_a2", "Nucleus", "2"),
                           PoolKey("m1_a2") + "<FEEDBACK_WHEN_CORRECT>Yes</FEEDBACK_WHEN_CORRECT>"
                                              "<FEEDBACK_WHEN_INCORRECT>No</FEEDBACK_WHEN_INCORRECT>")),
         {{"m1", "/type", "multiple_choice"}, {"m1", "/choices/A", "Mitochondrion"}, {"m1", "/choices/C", "Ribosome"},
          {"m1", "/correct", "B"}, {"m1", "/category", "Unit 3"}, {"m1", "/feedback/B", "Yes"},
          {"m1", "/feedback/*", "No"}},
         {}},
        {"the key may come before the answers it names, and is its whole ID",
         Pool("<QUESTION_MULTIPLECHOICE id=\"m2\"><BODY><TEXT>Prime?</TEXT></BODY><GRADABLE>" + PoolKey("m2_a1") +
              "</GRADABLE>" + PoolAnswer("m2_a10", "4") + PoolAnswer("m2_a1", "5") + "</QUESTION_MULTIPLECHOICE>"),
         {{"m2", "/correct", "B"}},
         {}},
        {"true/false is the side of the answer the key names, False listed first or last",
         Pool(PoolQuestion("TRUEFALSE", "t1", "42 is the answer.", PoolAnswer("t1_a1", "False") + PoolAnswer("t1_a2", "True"),
                           PoolKey("t1_a2") + "<FEEDBACK_WHEN_INCORRECT>It is.</FEEDBACK_WHEN_INCORRECT>") +
              PoolQuestion("TRUEFALSE", "t2", "3 is even.", PoolAnswer("t2_a1", "True") + PoolAnswer("t2_a2", "False"),
                           PoolKey("t2_a2"))),
         {{"t1", "/type", "true_false"}, {"t1", "/correct", "True"}, {"t1", "/feedback/False", "It is."},
          {"t2", "/correct", "False"}},
         {}},
        {"fill in the blank accepts every answer it lists, markup made text",
         Pool(PoolQuestion("FILLINBLANK", "f1", "Water is ____.",
                           PoolAnswer("f1_a1", "H2O", "1") + PoolAnswer("f1_a2", "H&lt;sub&gt;2&lt;/sub&gt;O", "2") +
                               PoolAnswer("f1_a3", "water", "3"),
                           "")),
         {{"f1", "/type", "numerical"}, {"f1", "/answer", "H2O"}, {"f1", "/other_answers", json({"H_2O", "water"})}},
         {"Item [f1] accepts 3 answers"}},
        {"a numeric answer is a number, or the question is left out",
         Pool(PoolQuestion("NUMERIC", "n1", "6 x 7?", PoolAnswer("n1_a1", "42"), "") +
              PoolQuestion("NUMERIC", "n2", "Pi?", PoolAnswer("n2_a1", "about three"), "")),
         {{"n1", "/answer", 42}},
         {"Item [n2] is left out: numeric without a number as its answer."}},
        {"the kinds a testbank does not hold are left out by name",
         Pool(PoolQuestion("MULTIPLEANSWER", "x1", "Pick two", PoolAnswer("x1_a1", "a") + PoolAnswer("x1_a2", "b"),
                           PoolKey("x1_a1") + PoolKey("x1_a2")) +
              PoolQuestion("MATCH", "x2", "Pair", PoolAnswer("x2_a1", "a"), "") +
              PoolQuestion("ORDER", "x3", "Order", PoolAnswer("x3_a1", "a"), PoolKey("x3_a1")) +
              PoolQuestion("ESSAY", "x4", "Discuss", "", "") +
              PoolQuestion("MULTIPLECHOICE", "x5", "Two keys", PoolAnswer("x5_a1", "a") + PoolAnswer("x5_a2", "b"),
                           PoolKey("x5_a1") + PoolKey("x5_a2")) +
              PoolQuestion("TRUEFALSE", "kept", "Kept.", PoolAnswer("k_a1", "True"), PoolKey("k_a1"))),
         {{"#0", "/id", "kept"}},
         {"Left out 5 of a kind a testbank does not hold: 1 essay, 1 matching, 2 multiple-answer, 1 ordering.",
          "Item [x2] is left out: matching.", "Item [x3] is left out: ordering.",
          "Item [x5] marks 2 choices right: a multiple-answer question."}},
        {"a key that names no answer is said, not guessed",
         Pool(PoolQuestion("MULTIPLECHOICE", "b1", "Q", PoolAnswer("b1_a1", "a") + PoolAnswer("b1_a2", "b"), PoolKey("b1_a9")) +
              PoolQuestion("TRUEFALSE", "b2", "Q", PoolAnswer("b2_a1", "True") + PoolAnswer("b2_a2", "False"),
                           PoolKey("nowhere")) +
              PoolQuestion("MULTIPLECHOICE", "b3", "Q", PoolAnswer("b3_a1", "a"), "")),
         {{"b1", "/correct", "A"}, {"b2", "/correct", "True"}},
         {"Item [b1]: the answer \"b1_a9\" matches none of its choices",
          "Item [b2]: its key \"nowhere\" names no answer that says true or false",
          "Item [b3]: the answer \"(none)\" matches none of its choices"}},
        {"HTML bodies read as text, an embedded image by its name, plain text kept as written",
         Pool(PoolQuestion("TRUEFALSE", "h1",
                           "<![CDATA[<p><span style=\"font-size:12pt\">Caf&eacute; <b>open</b></span></p>"
                           "<img src=\"@X@EmbeddedFile.location@X@cell%20map.png\">]]>",
                           PoolAnswer("h1_a1", "True"), PoolKey("h1_a1")) +
              "<QUESTION_TRUEFALSE id=\"h2\"><BODY><TEXT>if a &lt; b then</TEXT><FLAGS><ISHTML value=\"false\"/></FLAGS>"
              "</BODY>" + PoolAnswer("h2_a1", "True") + "<GRADABLE>" + PoolKey("h2_a1") + "</GRADABLE></QUESTION_TRUEFALSE>"),
         {{"h1", "/question", "Caf\xC3\xA9 open\n[image: cell map.png]"}, {"h2", "/question", "if a < b then"}},
         {"an image is shown as [image: cell map.png]"}},
        {"a file in Windows-1252 reads as its declaration says",
         Pool(PoolQuestion("TRUEFALSE", "l1", "\x93Kaf\xE9\x94 sells coffee.", PoolAnswer("l1_a1", "True"), PoolKey("l1_a1")),
              "<?xml version=\"1.0\" encoding=\"windows-1252\"?>"),
         {{"l1", "/question", "\xE2\x80\x9CKaf\xC3\xA9\xE2\x80\x9D sells coffee."}},
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Imported r = Import(c.file);
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(r.notes[0].rfind("Imported ", 0), 0u);
        EXPECT_NE(r.notes[0].find("from Blackboard pool."), std::string::npos) << r.notes[0];
        ExpectItems(r, c.items);
        for (const std::string& note : c.notes) EXPECT_TRUE(HasNote(r, note)) << note;
    }

    // <ASSESSMENT> files of the same style; a pool with nothing a testbank holds says why.
    const Imported test = Import("<ASSESSMENT><TITLE value=\"Quiz\"/>" +
                                 PoolQuestion("TRUEFALSE", "a1", "Q", PoolAnswer("a1_a1", "False"), PoolKey("a1_a1")) +
                                 "</ASSESSMENT>");
    ASSERT_TRUE(test.ok) << test.error;
    ExpectItems(test, {{"a1", "/correct", "False"}, {"a1", "/category", "Quiz"}});
    const Imported none = Import(Pool(PoolQuestion("ESSAY", "e1", "Discuss", "", "")));
    EXPECT_FALSE(none.ok);
    EXPECT_EQ(none.error, "Imported 0 questions from Blackboard pool. Left out 1 of a kind a testbank does not hold: "
                          "1 essay. Nothing is left to open.");
    const Imported broken = Import(Pool("<QUESTION_ESSAY id=\"e1\">"));
    EXPECT_FALSE(broken.ok);
    EXPECT_NE(broken.error.find("XML error on line 1"), std::string::npos) << broken.error;
}

// A course or pool package lists its pools as Blackboard's own resource type; a package may
// hold QTI and pools together, each read in the manifest's order.
TEST(Import, BlackboardPoolsInPackages)
{
    MapPackage package;
    package.files["imsmanifest.xml"] =
        R"(<manifest xmlns:bb="http://www.blackboard.com/content-packaging/"><resources>
<resource bb:file="res00001.dat" identifier="res00001" type="course/x-bb-coursesetting"/>
<resource href="qti.xml" identifier="res00003" type="imsqti_xmlv1p2"/>
<resource bb:file="res00002.dat" identifier="res00002" type="assessment/x-bb-pool"/></resources></manifest>)";
    package.files["res00001.dat"] = "<COURSE><TITLE value=\"Biology\"/></COURSE>";
    package.files["res00002.dat"] = // as Windows-1252, which the XML reader takes only converted
        Pool(PoolQuestion("MULTIPLECHOICE", "p1", "Pick \x93" "b\x94", PoolAnswer("p1_a1", "a") + PoolAnswer("p1_a2", "b"),
                          PoolKey("p1_a2")),
             "<?xml version=\"1.0\" encoding=\"windows-1252\"?>");
    package.files["qti.xml"] = R"(<questestinterop><item ident="Q"><presentation><material><mattext>Sky blue?</mattext></material>
<response_lid ident="L" rcardinality="Single"><render_choice><response_label ident="t"><material><mattext>True</mattext></material></response_label>
<response_label ident="f"><material><mattext>False</mattext></material></response_label></render_choice></response_lid></presentation>
<resprocessing><respcondition><conditionvar><varequal respident="L">t</varequal></conditionvar><setvar action="Set">1</setvar></respcondition></resprocessing></item></questestinterop>)";
    ImportResult result;
    std::string error;
    ASSERT_TRUE(ReadQtiPackage(package, result, error)) << error;
    ASSERT_EQ(result.items.size(), 2u);
    EXPECT_EQ(result.items[0]["correct"], "True");
    EXPECT_EQ(result.items[0]["category"], ""); // the pool's title is its own questions' alone
    EXPECT_EQ(result.items[1]["id"], "p1");
    EXPECT_EQ(result.items[1]["correct"], "B");
    EXPECT_EQ(result.items[1]["category"], "Unit 3");
    EXPECT_EQ(result.items[1]["question"], "Pick \xE2\x80\x9C" "b\xE2\x80\x9D");

    // A damaged pool names its file.
    package.files["res00002.dat"] = "<POOL><QUESTION_ESSAY></POOL>";
    ImportResult damaged;
    EXPECT_FALSE(ReadQtiPackage(package, damaged, error));
    EXPECT_EQ(error.rfind("res00002.dat: XML error", 0), 0u) << error;
}
