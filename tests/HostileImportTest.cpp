// Damaged and hostile files through File > Import (tests/data/import-hostile, written by
// tests/make-hostile-imports.py): one case per file, named for it. Each import ends with
// exit 0 or 1, says why when it refuses, and writes nothing but its target.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "cli/TestbankCli.h"
#include "formats/ImportFormats.h"
#include "util/HtmlText.h"
#include "util/Zip.h"
#include "util/StringUtil.h"
#include "util/TextFold.h"
#include "util/XmlReader.h"
#include "util/Zip.h"
#include "TestUtil.h"

namespace fs = std::filesystem;

namespace {

struct Expected {
    int exit;
    const char* says; // in the notes or error (stderr), or with exit 0 in the bank
};

// Every file of the folder has a row: a new file without one fails.
const std::map<std::string, Expected> kExpected = {
    {"csv-nul-and-bad-utf8.csv", {0, "Imported 1 question from CSV."}},
    {"csv-unclosed-quote.csv", {1, "is never closed"}},
    {"gift-html-entities.gift", {0, "Jamaica\xE2\x80\x8E \xC3\xAB?"}},
    {"gift-unclosed-brace.gift", {1, "Nothing is left to open."}},
    {"html-entities-moodle.xml", {0, "Jamaica\xE2\x80\x8E No\xC3\xABl \xCE\x94x \xE2\xAA\xA1\xCC\xB8 \xC2\xA9 \xC2\xACit;"}},
    {"html-script-and-deep-tags.xml", {0, "Imported 1 question from Moodle XML."}},
    {"html-trivia-entities.json", {0, "Capital of Jamaica\xE2\x80\x8E? No\xC3\xABl \xCE\x94 \xE2\x80\xA6"}},
    {"json-deep-arrays.json", {1, "nesting depth"}},
    {"json-huge-number.json", {1, "number overflow"}},
    {"qti12-latin1.xml", {0, "Caf\xC3\xA9\\n\xC3\xAB"}},
    {"qti21-item-utf16.xml", {0, "UTF-16 prompt \xC3\xA9"}},
    {"xml-bad-char-ref.xml", {1, "reference to invalid character number"}},
    {"xml-bad-name.xml", {1, "not well-formed"}},
    {"xml-billion-laughs.xml", {1, "declares its own entities"}},
    {"xml-deep-nesting.xml", {1, "nested deeper than 256 levels"}},
    {"xml-double-dash-comment.xml", {1, "not well-formed"}},
    {"xml-duplicate-attribute.xml", {1, "duplicate attribute"}},
    {"xml-external-dtd.xml", {1, "the entity &undeclared; is not defined"}},
    {"xml-external-entity.xml", {1, "declares its own entities"}},
    {"xml-invalid-utf8.xml", {1, "not well-formed"}},
    {"xml-latin1-declared.xml", {0, "Z\xC3\xBCrich ist sch\xC3\xB6n?"}},
    {"xml-nul-bytes.xml", {1, "not well-formed"}},
    {"xml-parameter-entity.xml", {1, "declares its own entities"}},
    {"xml-truncated.xml", {1, "XML error on line 2"}},
    {"xml-unknown-encoding.xml", {1, "none of the formats"}},
    {"xml-us-ascii.xml", {0, "Plain \xC3\xA9 reference?"}},
    {"xml-utf16-lying-declaration.xml", {1, "none of the formats"}},
    {"xml-utf16be-bom.xml", {0, "Big end\xC3\xA9?"}},
    {"xml-utf16le-bom.xml", {0, "Caf\xC3\xA9 in UTF-16?"}},
    {"zip-absolute-path.zip", {1, "points outside its folder"}},
    {"zip-bad-crc.zip", {1, "CRC error"}},
    {"zip-bomb-20mb-zeros.zip", {1, "would unpack to far more than it holds"}},
    {"zip-bomb-many-entries.zip", {1, "would unpack to far more than it holds"}},
    {"zip-damaged-42-bytes.zip", {1, "The zip archive is damaged"}},
    {"zip-duplicate-names.zip", {0, "holds \"Q.XML\" more than once; the first one is read"}},
    {"zip-empty-archive.zip", {1, "has no imsmanifest.xml"}},
    {"zip-encrypted-flag.zip", {1, "encrypted"}},
    {"zip-end-record-only.zip", {1, "The zip archive is damaged"}},
    {"zip-lying-compressed-size.zip", {0, "Imported 4 questions"}},
    {"zip-lying-entry-count.zip", {1, "not a zip archive"}},
    {"zip-lying-offset.zip", {1, "cannot be opened"}},
    {"zip-lying-size.zip", {1, "does not unpack to its size"}},
    {"zip-manifest-href-escape.zip", {1, "lies outside its folder"}},
    {"zip-no-manifest.zip", {1, "has no imsmanifest.xml"}},
    {"zip-overlapping-entries.zip", {1, "q.xml"}},
    {"zip-path-escape.zip", {1, "points outside its folder"}},
    {"zip-percent-20-name.zip", {0, "Spaced & found"}},
    {"zip-stored-method-99.zip", {0, "Imported 4 questions"}},
    {"zip-symlink-entry.zip", {1, "is a link"}},
    {"zip-truncated-end-record.zip", {1, "not a zip archive"}},
    {"zip-truncated-half.zip", {1, "not a zip archive"}},
    {"zip-zip64-lying-locator.zip", {0, "Zip64 entry"}},
    {"zip-zip64-records.zip", {0, "Zip64 entry"}},
};

std::vector<std::string> HostileFiles()
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(fs::path(DataFile("import-hostile"))))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string CaseName(const testing::TestParamInfo<std::string>& info)
{
    std::string name;
    for (char c : info.param) name += isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
}

class HostileImport : public testing::TestWithParam<std::string> {};

TEST_P(HostileImport, EndsWithAReasonAndWritesOnlyItsTarget)
{
    const std::string file = GetParam();
    const auto row = kExpected.find(file);
    ASSERT_NE(row, kExpected.end()) << file << " has no expected outcome in kExpected";
    const std::u16string dir = TempDir("hostile-import");
    const std::u16string target = Join(dir, "out.json");
    std::string out, err;
    const int exit = RunTestbankCommand({"import", w2s(DataFile("import-hostile/" + file)), "-o", w2s(target)}, out, err);
    EXPECT_EQ(exit, row->second.exit) << err;
    const std::string written = ReadBytes(target);
    const std::string said = exit == 0 ? err + written : err;
    EXPECT_NE(said.find(row->second.says), std::string::npos) << said;
    // Nothing beside the target, and the target only when the import succeeded.
    size_t files = 0;
    for (const auto& entry : fs::directory_iterator(fs::path(dir))) files += entry.path().filename() == "out.json" ? 0 : 1;
    EXPECT_EQ(files, 0u);
    EXPECT_EQ(fs::exists(fs::path(target)), exit == 0);
}

INSTANTIATE_TEST_SUITE_P(File, HostileImport, testing::ValuesIn(HostileFiles()), CaseName);

ImportedBank ImportFolder(const std::u16string& dir, std::string& error, bool& ok)
{
    ImportedBank bank;
    ok = ImportBankFile(dir, ImportFormat::Auto, bank, error);
    return bank;
}

const char* kManifest = "<manifest><resources><resource type=\"imsqti_item_xmlv2p1\" href=\"%s\"/></resources></manifest>";

std::string Manifest(const std::string& href)
{
    std::string m = kManifest;
    return m.replace(m.find("%s"), 2, href);
}

const char* kItem = "<assessmentItem identifier=\"Q1\" title=\"Q1\"><responseDeclaration identifier=\"RESPONSE\">"
                    "<correctResponse><value>A</value></correctResponse></responseDeclaration><itemBody>"
                    "<choiceInteraction responseIdentifier=\"RESPONSE\"><prompt>Which?</prompt>"
                    "<simpleChoice identifier=\"A\">Yes</simpleChoice><simpleChoice identifier=\"B\">No</simpleChoice>"
                    "</choiceInteraction></itemBody></assessmentItem>";

// Files too large to keep beside the others, made when the case runs: each would take
// minutes and gigabytes if nothing bounded what one import reads.
struct MadeFile {
    const char* name;
    void (*make)(const std::u16string& path);
    const char* says;
};

std::string Repeated(const std::string& head, const std::string& part, size_t times, const std::string& tail)
{
    std::string text = head;
    text.reserve(head.size() + part.size() * times + tail.size());
    for (size_t i = 0; i < times; ++i) text += part;
    return text + tail;
}

void Sparse(const std::u16string& path, unsigned long long size)
{
    WriteBytes(path, "");
    fs::resize_file(fs::path(path), size);
}

void WriteZip(const std::u16string& path, const std::vector<std::pair<std::string, std::string>>& entries)
{
    ZipWriter zip;
    for (const auto& [name, data] : entries) zip.Add(name, data);
    WriteBytes(path, zip.Finish());
}

const char* kWorkbook = "<workbook><sheets><sheet name=\"S\" r:id=\"r1\" xmlns:r=\"x\"/></sheets></workbook>";
const char* kWorkbookRels = "<Relationships><Relationship Id=\"r1\" Target=\"worksheets/s.xml\"/></Relationships>";

const MadeFile kMadeFiles[] = {
    {"xlsx-a-cell-in-the-last-column-of-every-row.xlsx",
     [](const std::u16string& path) {
         WriteZip(path, {{"xl/workbook.xml", kWorkbook}, {"xl/_rels/workbook.xml.rels", kWorkbookRels},
                         {"xl/worksheets/s.xml", Repeated("<worksheet><sheetData>", "<row><c r=\"XFD1\" t=\"inlineStr\"><is>"
                                                          "<t>x</t></is></c></row>", 300, "</sheetData></worksheet>")}});
     },
     "more than 4,000,000 cells"},
    {"docx-document-unpacking-200-times-its-size.docx",
     [](const std::u16string& path) {
         WriteZip(path, {{"word/document.xml", "<document><body>" + std::string(64u << 20, ' ') + "</body></document>"}});
     },
     "would unpack to far more than it holds"},
    {"docx-entities-declared-in-the-document.docx",
     [](const std::u16string& path) {
         WriteZip(path, {{"word/document.xml", "<!DOCTYPE d [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;\">]>"
                                               "<document><body><p><r><t>&b;</t></r></p></body></document>"}});
     },
     "declares its own entities"},
    {"text-too-many-questions.txt",
     [](const std::u16string& path) {
         WriteBytes(path, Repeated("", "1. Q\na) x\nb) y\nAnswer: a\n", kMaxImportQuestions + 1, ""));
     },
     "more than 150,000 questions"},
    {"text-line-over-16-mb.txt",
     [](const std::u16string& path) {
         WriteBytes(path, "1. " + std::string(kMaxImportText + 1, 'a') + "\na) x\nb) y\nAnswer: a\n");
     },
     "a text of more than 16 MB (line 1)"},
    {"xml-four-million-empty-elements.xml",
     [](const std::u16string& path) { WriteBytes(path, Repeated("<quiz>", "<a/>", kMaxXmlNodes, "</quiz>")); },
     "more than 4,000,000 elements and texts"},
    {"moodle-four-million-elements-in-one-question.xml",
     [](const std::u16string& path) {
         WriteBytes(path, Repeated("<quiz><question>", "<a/>", kMaxXmlNodes, "</question></quiz>"));
     },
     "more than 4,000,000 elements and texts"},
    {"moodle-sixteen-million-elements-in-categories.xml",
     [](const std::u16string& path) { // categories are no questions: only the nodes in all stop them
         WriteBytes(path, Repeated("<quiz>", "<question type=\"category\">" + Repeated("", "<a/>", 20, "") + "</question>",
                                   kMaxXmlStreamedNodes / 21 + 1, "</quiz>"));
     },
     "more than 16,000,000 elements and texts"},
    {"qti12-four-million-elements-in-one-item.xml",
     [](const std::u16string& path) {
         WriteBytes(path, Repeated("<questestinterop><item>", "<a/>", kMaxXmlNodes, "</item></questestinterop>"));
     },
     "more than 4,000,000 elements and texts"},
    {"bb-pool-four-million-elements-in-one-question.dat",
     [](const std::u16string& path) {
         WriteBytes(path, Repeated("<POOL><QUESTION_MULTIPLECHOICE>", "<ANSWER/>", kMaxXmlNodes, "</QUESTION_MULTIPLECHOICE></POOL>"));
     },
     "more than 4,000,000 elements and texts"},
    {"bb-pool-too-many-questions-all-left-out.dat",
     [](const std::u16string& path) {
         WriteBytes(path, Repeated("<POOL>", "<QUESTION_ESSAY/>", kMaxImportQuestions + 1, "</POOL>"));
     },
     "more than 150,000 questions"},
    {"moodle-too-many-questions-all-left-out.xml",
     [](const std::u16string& path) {
         WriteBytes(path, Repeated("<quiz>", "<question/>", kMaxImportQuestions + 1, "</quiz>"));
     },
     "more than 150,000 questions"},
    {"moodle-question-text-over-16-mb.xml",
     [](const std::u16string& path) {
         WriteBytes(path, "<quiz><question type=\"shortanswer\"><questiontext><text>" + std::string(kMaxXmlText + 1, 'a') +
                              "</text></questiontext></question></quiz>");
     },
     "a text of more than 16 MB in one element"},
    {"gift-question-over-16-mb.gift",
     [](const std::u16string& path) { WriteBytes(path, "::Q:: " + std::string(kMaxImportText, 'a') + " {T}\n"); },
     "a text of more than 16 MB (the question that starts on line 1)"},
    {"csv-field-over-16-mb.csv",
     [](const std::u16string& path) {
         WriteBytes(path, "question,answer\n\"" + std::string(kMaxImportText + 1, 'a') + "\",x\n");
     },
     "a text of more than 16 MB (a field ending on line 2)"},
    {"gift-too-many-questions.gift",
     [](const std::u16string& path) { WriteBytes(path, Repeated("", "Q{T}\n\n", kMaxImportQuestions + 1, "")); },
     "more than 150,000 questions"},
    {"csv-too-many-rows.csv",
     [](const std::u16string& path) {
         WriteBytes(path, Repeated("question,answer\n", "q,a\n", kMaxImportQuestions + 1, ""));
     },
     "more than 150,000 questions"},
    {"quiz-json-too-large.json",
     [](const std::u16string& path) {
         WriteBytes(path, Repeated("{\"results\":[", "{\"question\":\"q\"},", (kMaxQuizJsonBytes >> 4) + 1, "{}]}"));
     },
     "where one import reads 32 MB at most"},
    {"gift-sparse-300-mb.gift", [](const std::u16string& path) { Sparse(path, 300ull << 20); },
     "The file is too large to import: 300 MB"},
    {"folder-item-sparse-300-mb",
     [](const std::u16string& path) {
         fs::create_directory(fs::path(path));
         WriteBytes(path + u"/imsmanifest.xml", Manifest("item.xml"));
         Sparse(path + u"/item.xml", 300ull << 20);
     },
     "come to more than 256 MB"},
};

class HostileImportMadeHere : public testing::TestWithParam<MadeFile> {};

TEST_P(HostileImportMadeHere, IsRefusedBeforeItCostsMinutesAndGigabytes)
{
    const MadeFile& made = GetParam();
    const std::u16string dir = TempDir("hostile-made");
    const std::u16string path = Join(dir, made.name);
    made.make(path);
    std::string out, err;
    EXPECT_EQ(RunTestbankCommand({"import", w2s(path), "-o", w2s(Join(dir, "out.json"))}, out, err), 1);
    EXPECT_NE(err.find(made.says), std::string::npos) << err;
    EXPECT_FALSE(fs::exists(fs::path(Join(dir, "out.json"))));
}

INSTANTIATE_TEST_SUITE_P(File, HostileImportMadeHere, testing::ValuesIn(kMadeFiles),
                         [](const testing::TestParamInfo<MadeFile>& info) {
                             std::string name;
                             for (const char* c = info.param.name; *c; ++c)
                                 name += isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
                             return name;
                         });

} // namespace

// "%20" names the same file in a zip and in a folder: one rule for both.
TEST(PackageFiles, PercentEncodedNamesReadTheSameZippedAndUnpacked)
{
    EXPECT_EQ(PackageFileName("items/my%20item.xml"), "items/my item.xml");
    EXPECT_EQ(PackageFileName("a%2"), "a%2");
    EXPECT_EQ(PackageFileName("..%2Fx"), "");
    EXPECT_EQ(PackageFileName("a%00b"), "");
    const std::u16string dir = TempDir("package-percent");
    WriteBytes(Join(dir, "imsmanifest.xml"), Manifest("my%20item.xml"));
    WriteBytes(Join(dir, "my item.xml"), kItem);
    std::string error;
    bool ok = false;
    const ImportedBank unpacked = ImportFolder(dir, error, ok);
    ASSERT_TRUE(ok) << error;
    ZipWriter zip;
    ASSERT_TRUE(zip.Add("imsmanifest.xml", Manifest("my%20item.xml")));
    ASSERT_TRUE(zip.Add("my item.xml", kItem));
    ImportedBank zipped;
    ASSERT_TRUE(ImportBankBytes(zip.Finish(), u"p.zip", ImportFormat::Auto, zipped, error)) << error;
    EXPECT_EQ(zipped.document, unpacked.document);
}

#ifndef _WIN32
// A link in a package folder is followed only while it stays inside the folder.
TEST(PackageFiles, FolderLinksThatLeaveThePackageAreNotRead)
{
    const std::u16string dir = TempDir("package-links");
    const fs::path root(dir);
    fs::create_directories(root / "package" / "items");
    WriteBytes(Join(dir, "outside.xml"), kItem);
    WriteBytes(Join(dir, "package/items/real.xml"), kItem);
    WriteBytes(Join(dir, "package/imsmanifest.xml"), Manifest("items/inside.xml"));
    fs::create_symlink("real.xml", root / "package" / "items" / "inside.xml");
    std::string error;
    bool ok = false;
    ImportFolder(Join(dir, "package"), error, ok);
    EXPECT_TRUE(ok) << error;

    WriteBytes(Join(dir, "package/imsmanifest.xml"), Manifest("items/leaves.xml"));
    fs::create_symlink(root / "outside.xml", root / "package" / "items" / "leaves.xml");
    ImportFolder(Join(dir, "package"), error, ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(error, "The package is refused: the file \"items/leaves.xml\" lies outside its folder.");

    // A linked folder on the way out is no better than a linked file.
    WriteBytes(Join(dir, "package/imsmanifest.xml"), Manifest("up/outside.xml"));
    fs::create_directory_symlink(root, root / "package" / "up");
    ImportFolder(Join(dir, "package"), error, ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(error, "The package is refused: the file \"up/outside.xml\" lies outside its folder.");

    // The manifest itself may not be a link out either.
    fs::remove(root / "package" / "imsmanifest.xml");
    fs::create_symlink(root / "outside.xml", root / "package" / "imsmanifest.xml");
    ImportFolder(Join(dir, "package"), error, ok);
    EXPECT_FALSE(ok);
}
#endif

// Every named character reference of HTML5 decodes (tests/data/html5-entities.txt).
TEST(HtmlText, EveryHtml5NamedReferenceDecodes)
{
    std::ifstream table(fs::path(DataFile("html5-entities.txt")));
    std::string line;
    size_t count = 0;
    while (std::getline(table, line)) {
        if (line.empty() || line[0] == '#') continue;
        const size_t tab = line.find('\t');
        const std::string name = line.substr(0, tab);
        std::istringstream points(line.substr(tab + 1));
        std::string expected;
        unsigned long cp;
        while (points >> std::hex >> cp) AppendUtf8(expected, static_cast<char32_t>(cp == 0xA0 ? ' ' : cp));
        EXPECT_EQ(HtmlToPlainText("&" + name + ";"), expected) << "&" << name << ";";
        ++count;
    }
    EXPECT_GT(count, 2000u);
}

TEST(HtmlText, PlainTextComesBackExactlyAndRealHtmlReadably)
{
    EXPECT_EQ(HtmlToPlainText("  a  &amp; b<br>c &#39;d&#39; 1 < 2"), "  a  & b\nc 'd' 1 < 2");
    EXPECT_EQ(HtmlToPlainText("<p>One\n   two</p><p>Three&nbsp;<b>four</b></p><script>x</script><style>p{}</style>"),
              "One two\nThree four");
    EXPECT_EQ(HtmlToPlainText("<ul><li>a<li>b</ul><table><tr><td>c</td></tr></table>"), "a\nb\nc");
    EXPECT_EQ(HtmlToPlainText("Jamaica&lrm;"), "Jamaica\xE2\x80\x8E");
    // A numeric reference past U+10FFFF is U+FFFD, however many digits (gumbo overflowed).
    EXPECT_EQ(HtmlToPlainText("&#394444444440;&#4294967361;&#x100000041;"), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
    // Deep nesting is walked without recursion.
    std::string deep;
    for (int i = 0; i < 50000; ++i) deep += "<span>";
    EXPECT_EQ(HtmlToPlainText(deep + "x"), "x");
}

// utf8proc's NFKC_Casefold with our rule for format characters on top.
TEST(TextFold, CompatibilityFormsCaseAndFormatCharacters)
{
    EXPECT_EQ(FoldForComparison("  \xEF\xBC\xA1\xEF\xBD\x82\xEF\xBD\x83 !"), "abc");      // fullwidth
    EXPECT_EQ(FoldForComparison("Stra\xC3\x9F" "e"), FoldForComparison("STRASSE"));       // full case folding
    EXPECT_EQ(FoldForComparison("e\xCC\x81"), FoldForComparison("\xC3\xA9"));              // composed or not
    EXPECT_EQ(FoldForComparison("a\xE2\x80\x8B" "b\xD8\x80" "c"), "abc");                  // format characters go
    EXPECT_EQ(FoldForComparison("\xEF\xAC\x81" "ne\xE2\x80\x83\tday"), "fine day");        // ligature, spaces
    EXPECT_EQ(FoldForComparison("a\xFF" "b"), "a\xEF\xBF\xBD" "b");                        // malformed byte
}
