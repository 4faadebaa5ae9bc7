#include <gtest/gtest.h>

#include <zlib.h>

#include "TestUtil.h"
#include "app/BatchUi.h"
#include "app/ExamFormatTypes.h"
#include "cli/TestbankCli.h"
#include "export/ExamSelection.h"
#include "formats/ExamFormats.h"
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

    std::string out;
    AppendXmlEscaped(out, "<a href=\"x\">'&'</a>\n");
    EXPECT_EQ(out, "&lt;a href=&quot;x&quot;&gt;&apos;&amp;&apos;&lt;/a&gt;&#10;");
    out.clear();
    AppendPlainAsHtml(out, "1 < 2\r\n3\r4\n'", false);
    EXPECT_EQ(out, "1 &lt; 2<br>3<br>4<br>&#39;");
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
    const std::string bytes = zip.Finish();
    EXPECT_LT(bytes.size(), 2000u); // deflated
    const auto entries = Unzip(bytes);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].first, "items/\xC3\xA9.xml");
    EXPECT_EQ(entries[0].second, big);
    EXPECT_EQ(entries[1].second, "");
    EXPECT_EQ(entries[2].second, "\x01\x02\x03");
    // The end record counts the entries and points at the central directory.
    EXPECT_EQ(bytes.substr(bytes.size() - 22, 4), std::string("PK\x05\x06", 4));
    EXPECT_EQ(bytes[bytes.size() - 12], 3);
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
    EXPECT_EQ(q.questions[2].kind, ExportQuestion::ShortAnswer);
    EXPECT_EQ(q.questions[3].kind, ExportQuestion::TrueFalse);
    EXPECT_FALSE(q.questions[3].truth);
    EXPECT_EQ(q.questions[3].objectives, (std::vector<std::pair<std::string, std::string>>{{"MLO", "m"}}));

    ExamFile file = WriteExamAs(ExamFormat::Gift, exam);
    EXPECT_TRUE(file.written);
    const std::string message = ExamFileMessage(file, ExamFormat::Gift, 2);
    EXPECT_EQ(message,
              "Exported 4 of 9 items as GIFT: 1 multiple choice, 1 true/false, 2 numerical (1 with a text answer, "
              "as short answer).\n\nLeft out 5 items:\nkey: the correct choice (B) is empty\n"
              "one: it has fewer than two non-empty choices\n... and 3 more.");
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

TEST(ExamFormats, NamesAreUniqueXmlNamesAndCategoriesGroup)
{
    const json exam = Exam(R"([
      {"id":"Q 1","type":"tf","category":"b","question":"q","correct":"True"},
      {"id":"Q_1","type":"tf","category":"a/x","question":"q","correct":"True"},
      {"id":"q_1","type":"tf","category":"b","question":"q","correct":"True"},
      {"id":"exam.test","type":"tf","category":"","question":"q","correct":"True"}])");
    const ExamQuestions q = CollectExamQuestions(exam, ExamFormat::Qti21);
    // Grouped by category in order of first appearance, stable within a group.
    ASSERT_EQ(q.questions.size(), 4u);
    EXPECT_EQ(q.questions[1].id, "q_1");
    // Unique without letter case (they name files in the package), never "exam." (the package's own).
    EXPECT_EQ(UniqueXmlNames(q), (std::vector<std::string>{"Q_1", "q_1_2", "Q_1_3", "item_exam.test"}));
    EXPECT_EQ(MoodleCategoryPath("a/x"), "$course$/top/a//x");
    EXPECT_EQ(MoodleCategoryPath(""), "$course$/top/Uncategorized");

    // Moodle: one category question per category, even when the document interleaves them.
    const std::string moodle = WriteMoodleXml(q);
    size_t categories = 0;
    for (size_t at = moodle.find("type=\"category\""); at != std::string::npos; at = moodle.find("type=\"category\"", at + 1))
        ++categories;
    EXPECT_EQ(categories, 3u);
    const std::string gift = WriteGift(q);
    EXPECT_NE(gift.find("$CATEGORY: $course$/top/a//x\n"), std::string::npos);
}

TEST(ExamFormats, SaveSelectionsWritesTheChosenType)
{
    RegisterExamSaveTypes();
    RegisterExamSaveTypes(); // once only
    ASSERT_EQ(ExamSaveTypes().size(), 4u);
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
