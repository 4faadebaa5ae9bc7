// Banks from other tools: our exports read back exactly, files written as each tool's
// documentation shows, and hostile input refused with a message.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "app/BatchUi.h"
#include "formats/ExamFormats.h"
#include "formats/ImportFormats.h"
#include "TestUtil.h"
#include "util/XmlReader.h"
#include "util/StringUtil.h"
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
    const json& mc = ItemById(m.doc, "Capital of Australia");
    EXPECT_EQ(mc["question"], "What is the capital of Australia?");
    EXPECT_EQ(mc["choices"]["B"], "Canberra");
    EXPECT_EQ(mc["correct"], "B");
    EXPECT_EQ(mc["category"], "Default for Course 1/Capitals");
    EXPECT_EQ(mc["objectives"]["MLO"], "Name capitals");
    EXPECT_EQ(mc["tags"], json::array({"geography"}));
    EXPECT_EQ(ItemById(m.doc, "Paris")["correct"], "True");
    EXPECT_EQ(ItemById(m.doc, "Germany")["other_answers"], json::array({"Berlin, Germany"}));
    EXPECT_EQ(ItemById(m.doc, "Pi")["tolerance"], "0.01");
    // Six choices: all kept, the key where the file puts it, nothing to note.
    const json& six = ItemById(m.doc, "Six");
    EXPECT_EQ(six["choices"]["F"], "F");
    EXPECT_EQ(six["correct"], "F");
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
    const json& items = g.doc["items"];
    EXPECT_EQ(ItemById(g.doc, "Q1")["correct"], "True");
    EXPECT_EQ(ItemById(g.doc, "Q2")["choices"]["A"], "yellow");
    EXPECT_EQ(ItemById(g.doc, "Q2")["correct"], "A");
    EXPECT_EQ(ItemById(g.doc, "Q3")["question"], "Two plus _____ equals four.");
    EXPECT_EQ(ItemById(g.doc, "Q5")["answer"], "3");
    EXPECT_EQ(items[4]["category"], "History");
    EXPECT_EQ(items[4]["correct"], "C");
    EXPECT_EQ(items[5]["correct"], "False");
    EXPECT_EQ(items[6]["question"], "Moodle costs _____ to download from moodle.org.");
    const json& escapes = ItemById(g.doc, "Escapes");
    EXPECT_EQ(escapes["choices"]["A"], "= 10/2");
    EXPECT_EQ(escapes["choices"]["C"], "2 + 3 {x}");
    EXPECT_EQ(escapes["correct"], "B");
}

TEST(Import, SpreadsheetCsv)
{
    const Imported c = ImportFile("spreadsheet.csv");
    ASSERT_TRUE(c.ok) << c.error;
    EXPECT_EQ(c.notes[0], "Imported 5 questions from CSV. Left out 1 of a kind a testbank does not hold: 1 essay.");
    EXPECT_TRUE(HasNote(c, "question from \"Stem\", choices from 4 columns, the key from \"Key\""));
    const json& prime = ItemById(c.doc, "C1");
    EXPECT_EQ(prime["question"], "Which is a prime;\nnumber?"); // BOM, semicolons, a quoted line break
    EXPECT_EQ(prime["correct"], "C");
    EXPECT_EQ(prime["objectives"]["MLO"], "Primes");
    EXPECT_EQ(prime["Difficulty"], "easy");
    EXPECT_EQ(ItemById(c.doc, "C2")["question"], "He said \"yes\"");
    EXPECT_EQ(ItemById(c.doc, "C2")["correct"], "False");
    EXPECT_EQ(ItemById(c.doc, "C3")["answer"], "6");
    EXPECT_EQ(ItemById(c.doc, "C5")["correct"], "B"); // the key given as the choice's text
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
    EXPECT_TRUE(HasNote(t, "under \"results\": question from \"question\", choices from \"correct_answer\" + "
                           "\"incorrect_answers\", answer from \"correct_answer\""));
    const json& items = t.doc["items"];
    EXPECT_EQ(items[0]["question"], "What is the chemical symbol for \"gold\"?");
    EXPECT_EQ(items[0]["category"], "Science & Nature");
    EXPECT_EQ(items[0]["choices"][items[0]["correct"].get<std::string>()], "Au");
    EXPECT_EQ(items[0]["difficulty"], "easy");
    EXPECT_EQ(items[1]["type"], "true_false");
    EXPECT_EQ(items[1]["correct"], "False");
    EXPECT_EQ(items[2]["question"], "Who painted 'Guernica'?");
    EXPECT_EQ(items[2]["choices"]["A"], "Dalí");

    const Imported l = ImportFile("licence.json");
    ASSERT_TRUE(l.ok) << l.error;
    EXPECT_EQ(ItemById(l.doc, "1")["question"], "What does a red light mean?");
    EXPECT_EQ(ItemById(l.doc, "1")["correct"], "B");
    EXPECT_EQ(ItemById(l.doc, "2")["choices"]["E"], "Five");
    EXPECT_EQ(ItemById(l.doc, "2")["correct"], "E");
    EXPECT_FALSE(HasNote(l, "Item [2]"));
    EXPECT_EQ(ItemById(l.doc, "3")["correct"], "B"); // a JSON index counts from 0
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
    EXPECT_EQ(item["question"], "Look at the text in the picture.\nWhat does it say?");
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
    r = Import("<quiz><question type=\"truefalse\"><name><text>&ext;</text></name></question></quiz>");
    EXPECT_NE(r.error.find("the entity &ext; is not defined"), std::string::npos) << r.error;
    // Deep nesting stops at the limit, with the line.
    std::string deep = "<quiz>\n";
    for (int i = 0; i < 100000; ++i) deep += "<a>";
    r = Import(deep);
    EXPECT_EQ(r.error, "XML error on line 2: elements nested deeper than 256 levels.");
    r = Import("<quiz><question></quiz>");
    EXPECT_EQ(r.error, "XML error on line 1: </quiz> does not close <question>.");

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
    // Text formats: the first bad thing is named.
    r = Import("question,a,b\n\"never closed,x,y\n", ImportFormat::Csv);
    EXPECT_EQ(r.error, "CSV error: the quoted field that starts on line 2 is never closed.");
    r = Import("id,stem\n", ImportFormat::Csv);
    EXPECT_EQ(r.error, "No questions were found in the CSV file.");
    r = Import("{\"a\":1}", ImportFormat::Json);
    EXPECT_EQ(r.error, "The JSON file holds no array of questions under any of its keys.");
    // Text that starts like a zip is still text: its bad bytes are replaced, not kept.
    r = Import("PK\x03\x04;id;question\n1;\xff\xfe;Q\n", ImportFormat::Csv);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_NE(r.doc.dump().find("\xef\xbf\xbd"), std::string::npos);
    r = Import("just words");
    EXPECT_EQ(r.error, "The file is none of the formats Import reads (Moodle XML, GIFT, QTI, CSV, quiz JSON).");
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
    EXPECT_FALSE(ParseXml("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r/>", root, error));
    EXPECT_NE(error.find("only UTF-8"), std::string::npos);
    // HTML: our own plain-as-HTML exactly back, real HTML readable.
    EXPECT_EQ(HtmlToPlainText("a  &amp; b<br>c &#39;d&#39;"), "a  & b\nc 'd'");
    EXPECT_EQ(HtmlToPlainText("<p>One\n   two</p><p>Three&nbsp;<b>four</b></p><script>x</script>"),
              "One two\nThree four");
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
