#include <gtest/gtest.h>

#include <random>

#include <zlib.h>

#include "TestUtil.h"
#include "app/BatchUi.h"
#include "app/ExamFormatTypes.h"
#include "cli/TestbankCli.h"
#include "export/ExamSelection.h"
#include "formats/ExamFormats.h"
#include "formats/ImportFormats.h"
#include "util/StringUtil.h"
#include "util/XmlText.h"
#include "util/Zip.h"

namespace {

// The entries of a zip made by ZipWriter, read back with zlib: name -> content.
std::vector<std::pair<std::string, std::string>> Unzip(const std::string& zip)
{
    std::vector<std::pair<std::string, std::string>> entries;
    auto u16 = [&](size_t at) { return size_t(uint8_t(zip[at])) | size_t(uint8_t(zip[at + 1])) << 8; };
    auto u32 = [&](size_t at) { return u16(at) | u16(at + 2) << 16; };
    size_t at = 0;
    while (at + 30 <= zip.size() && u32(at) == 0x04034b50) {
        const size_t method = u16(at + 8), packed = u32(at + 18), size = u32(at + 22), nameLength = u16(at + 26);
        const uint32_t crc = static_cast<uint32_t>(u32(at + 14));
        std::string name = zip.substr(at + 30, nameLength), data(size, '\0');
        const std::string body = zip.substr(at + 30 + nameLength, packed);
        if (method == 0) {
            data = body;
        } else {
            z_stream s{};
            inflateInit2(&s, -MAX_WBITS);
            s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(body.data()));
            s.avail_in = static_cast<uInt>(body.size());
            s.next_out = reinterpret_cast<Bytef*>(&data[0]);
            s.avail_out = static_cast<uInt>(data.size());
            EXPECT_EQ(inflate(&s, Z_FINISH), Z_STREAM_END) << name;
            inflateEnd(&s);
        }
        EXPECT_EQ(crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())), crc) << name;
        entries.emplace_back(name, data);
        at += 30 + nameLength + packed;
    }
    return entries;
}

json Exam(const std::string& items) { return json::parse("{\"items\":" + items + "}"); }

} // namespace

TEST(XmlText, EscapesCdataAndForbiddenCharacters)
{
    size_t dropped = 0;
    // XML 1.0 forbids most C0 controls and U+FFFE/U+FFFF; tab, LF and CR stay.
    EXPECT_EQ(XmlAllowedText("a\x0b" "b\x01\tc\r\n\xEF\xBF\xBE" "d\xEF\xBF\xBD", dropped), "ab\tc\r\nd\xEF\xBF\xBD");
    EXPECT_EQ(dropped, 3u);
    // Malformed UTF-8 (a lone continuation byte, an encoded surrogate) is replaced, not copied.
    EXPECT_EQ(XmlAllowedText("x\x80y\xED\xA0\x80", dropped), "x\xEF\xBF\xBDy\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");

    const struct {
        Markup as;
        const char* in;
        const char* out;
    } escapes[] = {
        {Markup::Xml, "<a href=\"x\">'&'</a>\n", "&lt;a href=&quot;x&quot;&gt;&apos;&amp;&apos;&lt;/a&gt;&#10;"},
        {Markup::Xml, "a\tb\r\nc\rd\x01", "a&#9;b&#13;&#10;c&#13;d\x01"}, // an attribute keeps them
        {Markup::Html, "1 < 2\r\n3\r4\n'\t\"", "1 &lt; 2<br>3<br>4<br>&#39;\t&quot;"},
        {Markup::Xhtml, "a & b\r\nc\r", "a &amp; b<br/>c<br/>"},
        {Markup::HtmlPre, "<b>x</b> & 'y'\r\nz\rw", "&lt;b&gt;x&lt;/b&gt; &amp; &#39;y&#39;\nz\nw"},
        {Markup::HtmlPre, "a\x01\tb\x7f\x1f" "c", "a\tbc"}, // controls a page may not hold
    };
    for (const auto& e : escapes) EXPECT_EQ(EscapedText(e.in, e.as), e.out) << e.in;
    std::string out = "kept ";
    AppendEscaped(out, "<", Markup::Html);
    EXPECT_EQ(out, "kept &lt;");
    out.clear();
    AppendCdata(out, "a]]>b]]]>c");
    EXPECT_EQ(out, "<![CDATA[a]]]]><![CDATA[>b]]]]]><![CDATA[>c]]>");

    EXPECT_EQ(XmlNameFrom("Q 1", 64), "Q_1");
    EXPECT_EQ(XmlNameFrom("001", 64), "item_001");
    EXPECT_EQ(XmlNameFrom("", 64), "item_");
    EXPECT_EQ(XmlNameFrom(std::string(300, 'x'), 56).size(), 56u);
}

TEST(ZipWriter, EntriesReadBackWithTheirCrc)
{
    ZipWriter zip;
    const std::string big(100000, 'a');
    ASSERT_TRUE(zip.Add("items/\xC3\xA9.xml", big));
    ASSERT_TRUE(zip.Add("empty", ""));
    ASSERT_TRUE(zip.Add("x", "\x01\x02\x03"));
    std::string noise(300000, '\0'); // stored blocks: deflated, it only grows
    std::mt19937 random(7);
    for (char& c : noise) c = static_cast<char>(random());
    ASSERT_TRUE(zip.Add("noise", noise));
    const std::string bytes = zip.Finish();
    EXPECT_LT(bytes.size(), noise.size() + 2000u); // the rest deflated
    const auto entries = Unzip(bytes);
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[3].second, noise);
    EXPECT_EQ(entries[0].first, "items/\xC3\xA9.xml");
    EXPECT_EQ(entries[0].second, big);
    EXPECT_EQ(entries[1].second, "");
    EXPECT_EQ(entries[2].second, "\x01\x02\x03");
    // The end record counts the entries and points at the central directory.
    EXPECT_EQ(bytes.substr(bytes.size() - 22, 4), std::string("PK\x05\x06", 4));
    EXPECT_EQ(bytes[bytes.size() - 12], 4);
}

// Entries are deflated on other threads: each must still land under its own name, in order,
// also when the writer has to wait for them (more than 64 MB waiting).
TEST(ZipWriter, ManyEntriesKeepTheirNamesAndOrder)
{
    ZipWriter zip;
    ASSERT_TRUE(zip.Add("large", std::string(65u << 20, 'z')));
    for (int i = 0; i < 3000; ++i) ASSERT_TRUE(zip.Add("e" + std::to_string(i), std::string(i % 97, char('a' + i % 26))));
    const auto entries = Unzip(zip.Finish());
    ASSERT_EQ(entries.size(), 3001u);
    EXPECT_EQ(entries[0].second.size(), 65u << 20);
    for (int i = 0; i < 3000; ++i) {
        EXPECT_EQ(entries[i + 1].first, "e" + std::to_string(i));
        EXPECT_EQ(entries[i + 1].second, std::string(i % 97, char('a' + i % 26)));
    }
}

TEST(ExamFormats, WhatIsLeftOutAndWhy)
{
    const json exam = Exam(R"([
      {"id":"mc","type":"Multiple Choice","question":"q","choices":{"A":"a","B":" ","C":"c","D":""},"correct":"C"},
      {"id":"key","type":"multiple_choice","question":"q","choices":{"A":"a","B":"","C":"c","D":""},"correct":"B"},
      {"id":"one","type":"multiple_choice","question":"q","choices":{"A":"a","B":"","C":"","D":""},"correct":"A"},
      {"id":"alg","type":"algorithmic","question":"q","algorithm":{}},
      {"id":"num","type":"numerical","question":"q","answer":" -2.50 "},
      {"id":"text","type":"numerical","question":"q","answer":"1e3"},
      {"id":"none","type":"numerical","question":"q","answer":"","correct":""},
      {"id":"blank","type":"true_false","question":"  ","correct":"True"},
      {"id":"tf","type":"tf","category":"c","question":"q","correct":"False","objectives":{"MLO":" m ","CLO":""}}])");
    const ExamQuestions q = CollectExamQuestions(exam, ExamFormat::Gift);
    EXPECT_EQ(q.selected, 9u);
    ASSERT_EQ(q.questions.size(), 4u);
    EXPECT_EQ(q.questions[0].choices, (std::vector<std::string>{"a", "c"}));
    EXPECT_EQ(q.questions[0].letters, (std::vector<std::string>{"A", "C"}));
    EXPECT_EQ(q.questions[0].correct, 1u);
    EXPECT_EQ(q.questions[1].kind, ExportQuestion::Numeric);
    EXPECT_EQ(q.questions[1].answer, "-2.50");
    // Moodle's numerical type reads "1e3"; the QTI players compare a text answer as text.
    EXPECT_EQ(q.questions[2].kind, ExportQuestion::Numeric);
    for (const ExportQuestion& question : CollectExamQuestions(exam, ExamFormat::Qti21).questions)
        EXPECT_NE(question.kind, ExportQuestion::Numeric) << question.id;
    // A JSON number is numeric there in any form it is written in.
    const ExamQuestions big = CollectExamQuestions(Exam(R"([{"id":"n","type":"numerical","question":"q","answer":1e20}])"),
                                                   ExamFormat::Qti12);
    ASSERT_EQ(big.questions.size(), 1u);
    EXPECT_EQ(big.questions[0].kind, ExportQuestion::Numeric);
    EXPECT_EQ(big.questions[0].answer, "1e+20");
    EXPECT_EQ(q.questions[3].kind, ExportQuestion::TrueFalse);
    EXPECT_FALSE(q.questions[3].truth);
    EXPECT_EQ(q.questions[3].objectives, (std::vector<std::pair<std::string, std::string>>{{"MLO", "m"}}));

    ExamFile file = WriteExamAs(ExamFormat::Gift, exam);
    EXPECT_TRUE(file.written);
    const std::string message = ExamFileMessage(file, ExamFormat::Gift, 2);
    EXPECT_EQ(message,
              "Exported 4 of 9 items as GIFT: 1 multiple choice, 1 true/false, 2 numerical.\n\nLeft out 5 items:\n"
              "key: the correct choice (B) is empty\none: it has fewer than two non-empty choices\n... and 3 more.\n\n"
              "A blank choice is left out, so the choices after it move up a letter (the key too) in 1 item: mc.");
    const std::string all = ExamFileMessage(file, ExamFormat::Gift, 100);
    for (const char* reason : {"alg: algorithmic items have no equivalent in GIFT", "none: the answer is empty",
                               "blank: the question text is empty"})
        EXPECT_NE(all.find(reason), std::string::npos) << reason;

    file = WriteExamAs(ExamFormat::Qti21, Exam(R"([{"id":"alg","type":"algorithmic","question":"q"}])"));
    EXPECT_FALSE(file.written);
    EXPECT_TRUE(file.bytes.empty());
    EXPECT_EQ(ExamFileMessage(file, ExamFormat::Qti21, 10),
              "Nothing was exported: none of the 1 selected items can be written as QTI 2.1.\n\n"
              "Left out 1 item:\nalg: algorithmic items have no equivalent in QTI 2.1");
}

TEST(ExamFormats, NamesAreUniqueXmlNamesAndTheExamKeepsItsOrder)
{
    const json exam = Exam(R"([
      {"id":"Q 1","type":"tf","category":"b","question":"q","correct":"True"},
      {"id":"Q_1","type":"tf","category":"a/x","question":"q","correct":"True"},
      {"id":"q_1","type":"tf","category":"b","question":"q","correct":"True"},
      {"id":"exam.test","type":"tf","category":"","question":"q","correct":"True"},
      {"id":"CON","type":"tf","category":"","question":"q","correct":"True"},
      {"id":"aux.x","type":"tf","category":"","question":"q","correct":"True"},
      {"id":"Lpt1","type":"tf","category":"","question":"q","correct":"True"},
      {"id":"COM12","type":"tf","category":"","question":"q","correct":"True"}])");
    const ExamQuestions q = CollectExamQuestions(exam, ExamFormat::Qti21);
    // The exam's order, not regrouped by category: an import reads them back in that order.
    ASSERT_EQ(q.questions.size(), 8u);
    EXPECT_EQ(q.questions[1].id, "Q_1");
    // Unique without letter case (they name files in the package), never "exam." (the package's
    // own), never a name Windows keeps for a device.
    EXPECT_EQ(UniqueXmlNames(q), (std::vector<std::string>{"Q_1", "Q_1_2", "q_1_3", "item_exam.test", "item_CON",
                                                           "item_aux.x", "item_Lpt1", "COM12"}));
    EXPECT_EQ(MoodleCategoryPath("a/x"), "$course$/top/a//x");
    EXPECT_EQ(MoodleCategoryPath(""), "$course$/top/Uncategorized");
    // Moodle would join a leading "//" to the separator before it; it trims the space.
    EXPECT_EQ(MoodleCategoryPath("/Root"), "$course$/top/ //Root");
    // A nested category of an LMS comes in with its levels apart from a name with a slash;
    // it goes out as the one category the testbank has.
    EXPECT_EQ(CategoryFromMoodlePath("$course$/top/Science/Physics//Optics"), "Science > Physics/Optics");
    EXPECT_EQ(MoodleCategoryPath("Science > Physics/Optics"), "$course$/top/Science > Physics//Optics");

    // Moodle: a category question for each run of one category.
    const std::string moodle = WriteMoodleXml(q);
    size_t categories = 0;
    for (size_t at = moodle.find("type=\"category\""); at != std::string::npos; at = moodle.find("type=\"category\"", at + 1))
        ++categories;
    EXPECT_EQ(categories, 4u);
    const std::string gift = WriteGift(q);
    EXPECT_NE(gift.find("$CATEGORY: $course$/top/a//x\n"), std::string::npos);
}

TEST(ExamFormats, SaveSelectionsWritesTheChosenType)
{
    AppServices services;
    services.examSaveTypes = ExamFormatSaveTypes();
    SetAppServices(services);
    BatchUi ui;
    const std::u16string dir = TempDir("exam-formats");
    WriteBytes(Join(dir, "bank.json"),
               R"({"items":[{"id":"a","type":"tf","question":"q","correct":true,"objectives":{"MLO":"m"}},
                            {"id":"b","type":"algorithmic","question":"q","algorithm":{},"objectives":{"MLO":"m"}}]})");
    ResetAllState();
    ui.openPaths.push_back(Join(dir, "bank.json"));
    CmdOpen(ui, nullptr);
    g_examSelectionInitialized = true;
    g_examSelectedIds = {"a", "b"};

    ui.savePaths.push_back(Join(dir, "exam.xml"));
    ui.saveTypes.push_back(1);
    EXPECT_TRUE(SaveExamSelectionsWith(ui, nullptr));
    ASSERT_EQ(ui.offeredTypes.size(), 1u);
    ASSERT_EQ(ui.offeredTypes[0].size(), 5u);
    EXPECT_EQ(ui.offeredTypes[0][0].extension, u"json");
    EXPECT_EQ(ui.offeredTypes[0][3].label, u"QTI 2.1 package (*.zip)");
    EXPECT_EQ(ReadBytes(Join(dir, "exam.xml")).substr(0, 45), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<quiz>");
    EXPECT_EQ(U8(ui.messages.back().text),
              "Exported 1 of 2 items as Moodle XML: 1 true/false.\n\nLeft out 1 item:\n"
              "b: algorithmic items have no equivalent in Moodle XML\n\n" + U8(Join(dir, "exam.xml")));
    EXPECT_EQ(ui.messages.back().icon, MsgIcon::Info);

    // The suggested name kept with another type takes that type's extension.
    ui.savePaths.push_back(Join(dir, "exam.json"));
    ui.saveTypes.push_back(2);
    EXPECT_TRUE(SaveExamSelectionsWith(ui, nullptr));
    EXPECT_EQ(ReadBytes(Join(dir, "exam.txt")).substr(0, 10), "$CATEGORY:");
    EXPECT_EQ(ReadBytes(Join(dir, "exam.json")), "");

    // Nothing the format can hold: said why, and no file.
    g_examSelectedIds = {"b"};
    ui.savePaths.push_back(Join(dir, "exam.zip"));
    ui.saveTypes.push_back(3);
    EXPECT_FALSE(SaveExamSelectionsWith(ui, nullptr));
    EXPECT_EQ(ReadBytes(Join(dir, "exam.zip")), "");
    EXPECT_EQ(U8(ui.messages.back().text).substr(0, 20), "Nothing was exported");

    // The first type is the exam JSON, as before.
    ui.savePaths.push_back(Join(dir, "exam.json"));
    EXPECT_TRUE(SaveExamSelectionsWith(ui, nullptr));
    EXPECT_EQ(U8(ui.messages.back().text), "Exam JSON saved successfully.\n\n" + U8(Join(dir, "exam.json")));
    SetAppServices({});
}

// A message that names items lists a few of each kind; every one goes to a file on request.
TEST(ExamFormats, SaveSelectionsOffersTheWholeListOfALongMessage)
{
    AppServices services;
    services.examSaveTypes = ExamFormatSaveTypes();
    SetAppServices(services);
    BatchUi ui;
    const std::u16string dir = TempDir("exam-long-message");
    std::string items = R"({"id":"t","type":"tf","question":"q","correct":true})";
    for (int i = 0; i < 30; ++i)
        items += R"(,{"id":"alg)" + std::to_string(i) + R"(","type":"algorithmic","question":"q","algorithm":{}})";
    WriteBytes(Join(dir, "bank.json"), "{\"items\":[" + items + "]}");
    ResetAllState();
    ui.openPaths.push_back(Join(dir, "bank.json"));
    CmdOpen(ui, nullptr);
    g_examSelectionInitialized = true;
    g_examSelectedIds.clear();
    for (const json& item : g_jsonDoc["items"]) g_examSelectedIds.insert(item["id"].get<std::string>());

    ui.savePaths = {Join(dir, "exam.xml"), Join(dir, "notes.txt")};
    ui.saveTypes.push_back(1);
    ui.answers.push_back(MsgAnswer::Yes);
    EXPECT_TRUE(SaveExamSelectionsWith(ui, nullptr));
    const std::string shown = U8(ui.messages.back().text);
    EXPECT_NE(shown.find("... and 10 more."), std::string::npos);
    EXPECT_EQ(shown.find("alg29"), std::string::npos);
    EXPECT_EQ(ui.messages.back().icon, MsgIcon::Question);
    const std::string whole = ReadBytes(Join(dir, "notes.txt"));
    for (int i = 0; i < 30; ++i) EXPECT_NE(whole.find("alg" + std::to_string(i) + ":"), std::string::npos) << i;
    EXPECT_EQ(whole.find("more."), std::string::npos);

    // Declined: no file asked for. A short message asks nothing.
    ui.savePaths = {Join(dir, "exam2.xml")};
    ui.saveTypes.push_back(1);
    EXPECT_TRUE(SaveExamSelectionsWith(ui, nullptr));
    EXPECT_TRUE(ui.savePaths.empty());
    g_examSelectedIds = {"t", "alg0"};
    ui.savePaths = {Join(dir, "exam3.xml")};
    ui.saveTypes.push_back(1);
    EXPECT_TRUE(SaveExamSelectionsWith(ui, nullptr));
    EXPECT_EQ(ui.messages.back().icon, MsgIcon::Info);
    SetAppServices({});
}

TEST(ExamFormats, CommandFormatsAndUsage)
{
    const std::u16string dir = TempDir("exam-cli");
    const std::string bank = w2s(Join(dir, "bank.json")), zip = w2s(Join(dir, "exam.zip"));
    WriteBytes(Join(dir, "bank.json"), R"({"items":[{"id":"a","type":"tf","question":"q","correct":true}]})");
    std::string out, err;
    EXPECT_EQ(RunTestbankCommand({"export", bank, "--format", "qti21"}, out, err), 2); // a zip needs -o
    EXPECT_EQ(RunTestbankCommand({"export", bank, "--format", "docx", "-o", zip}, out, err), 2);
    EXPECT_EQ(RunTestbankCommand({"raw", bank, "--format", "gift"}, out, err), 2);
    EXPECT_EQ(RunTestbankCommand({"export", bank, "--format", "gift", "--format", "gift"}, out, err), 2);
    out.clear();
    err.clear();
    ASSERT_EQ(RunTestbankCommand({"export", bank, "--format", "qti12", "-o", zip}, out, err), 0) << err;
    EXPECT_EQ(out, "");
    EXPECT_EQ(err, "Exported 1 of 1 items as QTI 1.2: 1 true/false.\n");
    const auto entries = Unzip(ReadBytes(Join(dir, "exam.zip")));
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1].first, "imsmanifest.xml");
    EXPECT_NE(entries[0].second.find("<fieldentry>true_false_question</fieldentry>"), std::string::npos);
    out.clear();
    ASSERT_EQ(RunTestbankCommand({"export", bank, "--format", "gift"}, out, err), 0);
    EXPECT_EQ(out, "$CATEGORY: $course$/top/Uncategorized\n\n// [id:a]\n::a::[plain]q {T}\n\n");
}

// What Moodle's own importer does with our files: each case once made it read a value wrong.
TEST(ExamFormats, MoodleReadsNamesNumbersAndCategoriesRight)
{
    const std::string longId(101, 'I');
    const json exam = Exam(R"([
      {"id":"Topic \"A\" \"B\"","type":"mc","category":"/Root","question":"q","choices":{"A":"%50%half","B":"[html]b","C":"  %25%c"},
       "correct":"B","objectives":{"MLO":"line one\nline two","CLO":"a < b `c`"}},
      {"id":"half","type":"numerical","category":"Back\\slash","question":"q","answer":".5"},
      {"id":"zero","type":"numerical","question":"q","answer":"0"},
      {"id":"id [x]","type":"numerical","question":"q","answer":42},
      {"id":")" + longId + R"(","type":"tf","question":"q","correct":"True"},
      {"id":"tab\there","type":"tf","question":"q","correct":"True"},
      {"id":"yes","type":"numerical","question":"q","answer":true}])");
    const ExamFile moodle = WriteExamAs(ExamFormat::Moodle, exam);
    const std::string& xml = moodle.bytes;
    // White space between two escaped characters is lost to Moodle's parser: CDATA keeps it.
    EXPECT_NE(xml.find("<idnumber><![CDATA[Topic \"A\" \"B\"]]></idnumber>"), std::string::npos);
    EXPECT_NE(xml.find("<name><text><![CDATA[Topic \"A\" \"B\"]]></text></name>"), std::string::npos);
    EXPECT_NE(xml.find("<text><![CDATA[$course$/top/ //Root]]></text>"), std::string::npos);
    EXPECT_NE(xml.find("<tag><text><![CDATA[MLO: line one line two]]></text></tag>"), std::string::npos);
    EXPECT_NE(xml.find("<question type=\"numerical\">\n    <name><text><![CDATA[half]]>"), std::string::npos);
    EXPECT_NE(xml.find("<text>.5</text><tolerance>0</tolerance>"), std::string::npos);
    EXPECT_EQ(xml.find("<idnumber><![CDATA[" + longId), std::string::npos);

    const ExamFile gift = WriteExamAs(ExamFormat::Gift, exam);
    const std::string& text = gift.bytes;
    EXPECT_NE(text.find("// [id:Topic \"A\" \"B\"] [tag:MLO: line one line two] [tag:CLO: a  b c]\n"),
              std::string::npos);
    EXPECT_NE(text.find("\t~[plain]%50%half\n\t=[plain][html]b\n\t~[plain]  %25%c\n"), std::string::npos);
    EXPECT_NE(text.find("{#=.5}"), std::string::npos);
    EXPECT_NE(text.find("{#=0}"), std::string::npos);
    EXPECT_NE(text.find("// [id:id [x\\]]\n"), std::string::npos);
    EXPECT_NE(text.find("$CATEGORY: $course$/top/Back\\\\slash\n"), std::string::npos);
    EXPECT_NE(text.find("//\n::" + longId + "::"), std::string::npos); // no ID number past 100 characters
    EXPECT_NE(text.find("//\n::tab\there::"), std::string::npos);       // nor one with a control character
    EXPECT_EQ(gift.questions.shiftedIds, std::vector<std::string>{});
    EXPECT_EQ(gift.questions.numberIds, (std::vector<std::string>{"id [x]", "yes"}));

    // And our own import reads the same values back.
    for (const ExamFile* file : {&moodle, &gift}) {
        ImportedBank bank;
        std::string error;
        ASSERT_TRUE(ImportBankBytes(file->bytes, u"exam", ImportFormat::Auto, bank, error)) << error;
        const json& items = bank.document["items"];
        ASSERT_EQ(items.size(), 7u);
        EXPECT_EQ(items[5]["id"], "tab\there");
        EXPECT_EQ(items[0]["id"], "Topic \"A\" \"B\"");
        EXPECT_EQ(items[0]["category"], "/Root");
        EXPECT_EQ(items[0]["choices"]["A"], "%50%half");
        EXPECT_EQ(items[0]["choices"]["B"], "[html]b");
        const std::string c = items[0]["choices"]["C"]; // its leading blanks as each format keeps them
        EXPECT_EQ(c.substr(c.find('%')), "%25%c");
        EXPECT_EQ(items[0]["correct"], "B");
        EXPECT_EQ(items[1]["category"], "Back\\slash");
        EXPECT_EQ(items[1]["answer"], ".5");
        EXPECT_EQ(items[2]["answer"], "0");
        EXPECT_EQ(items[3]["id"], "id [x]");
    }
}

TEST(ExamFormats, NotesNameTheItemsAnImportWouldReadOtherwise)
{
    const std::string longId(256, 'J');
    const json exam = Exam(R"([
      {"id":"gap","type":"mc","question":"q","choices":{"A":"","B":"b","C":"c"},"correct":"C"},
      {"id":"cat","type":"tf","category":")" + std::string(300, 'c') + R"(","question":"q","correct":"True"},
      {"id":"ctl","type":"tf","question":"q\u0001","correct":"True"},
      {"id":")" + longId + R"(","type":"tf","question":"q","correct":"True"}])");
    const std::string message = ExamFileMessage(WriteExamAs(ExamFormat::Gift, exam), ExamFormat::Gift, 10);
    EXPECT_NE(message.find("Control characters that GIFT cannot carry were dropped from 1 item: ctl."), std::string::npos);
    EXPECT_NE(message.find("move up a letter (the key too) in 1 item: gap."), std::string::npos);
    // GIFT reads "->" beside a '=' as a matching pair: a lone answer goes without its '='.
    const json arrow = Exam(R"([{"id":"to","type":"numerical","question":"q","answer":"a->b"},
      {"id":"two","type":"numerical","question":"q","answer":"a->b","other_answers":["c"]}])");
    const ExamFile arrowGift = WriteExamAs(ExamFormat::Gift, arrow);
    EXPECT_NE(arrowGift.bytes.find("::to::[plain]q {a->b}\n"), std::string::npos) << arrowGift.bytes;
    ASSERT_EQ(arrowGift.questions.leftOut.size(), 1u);
    EXPECT_EQ(arrowGift.questions.leftOut[0].first, "two");
    EXPECT_EQ(WriteExamAs(ExamFormat::Moodle, arrow).questions.questions.size(), 2u);
    EXPECT_NE(message.find("cut there (and not kept as ID number) in 1 item: " + longId + "."), std::string::npos);
    // A longer category name would stop Moodle's whole import.
    EXPECT_NE(message.find("Moodle category name are cut there in 1 item: cat."), std::string::npos);
    const std::string gift = WriteExamAs(ExamFormat::Gift, exam).bytes;
    EXPECT_NE(gift.find("$CATEGORY: $course$/top/" + std::string(255, 'c') + "\n"), std::string::npos);
    // QTI keeps an ID whole: only the letters move.
    const std::string qti = ExamFileMessage(WriteExamAs(ExamFormat::Qti21, exam), ExamFormat::Qti21, 10);
    EXPECT_EQ(qti.find(longId), std::string::npos);
    EXPECT_NE(qti.find("that QTI 2.1 cannot carry"), std::string::npos);
}

TEST(ExamFormats, CsvFieldsNeverRunAsFormulas)
{
    const std::pair<std::string, std::string> cases[] = {
        {"", "\"\""}, // one rule for every CSV the program writes
        {"plain", "plain"},
        {"a,b", "\"a,b\""},
        {"line\nbreak", "\"line\nbreak\""},
        {"=HYPERLINK(\"x\")", "\"'=HYPERLINK(\"\"x\"\")\""},
        {"+1+1", "'+1+1"},
        {"@SUM(A1)", "'@SUM(A1)"},
        {"-1+cmd", "'-1+cmd"},
        {"\tx", "'\tx"},
        {"-3.5", "-3.5"}, // a number stays one
    };
    for (const auto& [text, field] : cases) EXPECT_EQ(CsvField(text), field) << text;
}

TEST(ExamFormats, PrintRefusesTheKeyAndThePageInOneFile)
{
    const std::u16string dir = TempDir("print-same");
    const std::string bank = w2s(Join(dir, "bank.json")), page = w2s(Join(dir, "page.html"));
    WriteBytes(Join(dir, "bank.json"), R"({"items":[{"id":"a","type":"tf","question":"q","correct":"True"}]})");
    WriteBytes(Join(dir, "page.html"), "kept");
    std::string out, err;
    EXPECT_EQ(RunTestbankCommand({"print", bank, "--key", page, "-o", page}, out, err), 1);
    EXPECT_NE(err.find("the same file"), std::string::npos) << err;
    EXPECT_EQ(ReadBytes(Join(dir, "page.html")), "kept");
}

// HTML would fold runs of white space and a line's leading blanks, an XML attribute its tabs
// and line breaks: both come through as written, to the LMS and back.
TEST(ExamFormats, WhiteSpaceComesThroughAsWritten)
{
    const json exam = Exam(R"([{"id":"code","type":"mc","category":"x\ty\nz","question":"code:\n    indented",
                               "choices":{"A":"a  b","B":"c"},"correct":"A"}])");
    const ExamFile moodle = WriteExamAs(ExamFormat::Moodle, exam);
    EXPECT_NE(moodle.bytes.find("<questiontext format=\"plain_text\"><text><![CDATA[code:\n    indented]]>"),
              std::string::npos);
    EXPECT_NE(moodle.bytes.find("<answer fraction=\"100\" format=\"plain_text\"><text><![CDATA[a  b]]>"),
              std::string::npos);
    EXPECT_NE(moodle.bytes.find("<answer fraction=\"0\" format=\"html\"><text><![CDATA[c]]>"), std::string::npos);
    const ExamFile qti = WriteExamAs(ExamFormat::Qti21, exam);
    bool titled = false;
    for (const auto& [name, data] : Unzip(qti.bytes))
        titled |= name == "assessment.xml" && data.find("title=\"x&#9;y&#10;z\"") != std::string::npos;
    EXPECT_TRUE(titled);
    ImportedBank bank;
    std::string error;
    ASSERT_TRUE(ImportBankBytes(moodle.bytes, u"exam.xml", ImportFormat::Auto, bank, error)) << error;
    EXPECT_EQ(bank.document["items"][0]["question"], "code:\n    indented");
    EXPECT_EQ(bank.document["items"][0]["choices"]["A"], "a  b");
    ASSERT_TRUE(ImportBankBytes(qti.bytes, u"exam.zip", ImportFormat::Auto, bank, error)) << error;
    EXPECT_EQ(bank.document["items"][0]["category"], "x\ty\nz");
    EXPECT_EQ(bank.document["items"][0]["question"], "code:\n    indented");
}

// A text HTML would show otherwise (runs of blanks, tabs, a line's leading blanks, no-break
// spaces) goes as Moodle's plain text and inside <pre> in QTI, where players show it as
// written; each comes back the same through our import.
TEST(ExamFormats, TextHtmlWouldFoldGoesAsWritten)
{
    const std::string nbsp = "a\u00a0b", code = "if x:\n\treturn  1";
    json exam = Exam(R"([{"id":"mc","type":"mc","choices":{"B":"plain"},"correct":"A"},
                          {"id":"num","type":"numerical","question":"two  spaces","answer":42}])");
    exam["items"][0]["question"] = code;
    exam["items"][0]["choices"]["A"] = nbsp;
    const ExamFile moodle = WriteExamAs(ExamFormat::Moodle, exam);
    EXPECT_NE(moodle.bytes.find("format=\"plain_text\"><text><![CDATA[a\xC2\xA0" "b]]>"), std::string::npos);
    std::string qti21Items, qti12;
    for (const auto& [name, data] : Unzip(WriteExamAs(ExamFormat::Qti21, exam).bytes)) qti21Items += data;
    for (const auto& [name, data] : Unzip(WriteExamAs(ExamFormat::Qti12, exam).bytes)) qti12 += data;
    // A prompt holds no <pre>: the stem goes before the interaction.
    EXPECT_NE(qti21Items.find("<itemBody>\n    <pre>if x:<br/>\treturn  1</pre>\n    <choiceInteraction"),
              std::string::npos) << qti21Items;
    EXPECT_NE(qti21Items.find("<simpleChoice identifier=\"B\">plain</simpleChoice>"), std::string::npos);
    EXPECT_NE(qti21Items.find("<pre>two  spaces</pre>"), std::string::npos);
    EXPECT_NE(qti12.find("&lt;pre&gt;if x:&lt;br&gt;&#9;return  1&lt;/pre&gt;"), std::string::npos) << qti12;
    for (ExamFormat format : kExamFormats) {
        SCOPED_TRACE(ExamFormatName(format));
        ImportedBank bank;
        std::string error;
        ASSERT_TRUE(ImportBankBytes(WriteExamAs(format, exam).bytes, u"exam", ImportFormat::Auto, bank, error)) << error;
        const json& items = bank.document["items"];
        ASSERT_EQ(items.size(), 2u);
        EXPECT_EQ(items[0]["question"], code);
        EXPECT_EQ(items[0]["choices"]["A"], nbsp);
        EXPECT_EQ(items[1]["question"], "two  spaces");
    }
}
