#pragma once
// Banks from other tools: Moodle XML, GIFT, QTI 2.1 and 1.2 packages, CSV from a
// spreadsheet and quiz JSON of other shapes, read into a testbank document that File >
// Open's loader then makes canonical. Every change to what the file said is a note.
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "model/JsonModel.h"
#include "util/XmlReader.h"

enum class ImportFormat { Auto, Moodle, Gift, Qti, Csv, Json, Xlsx, Aiken, Text, Docx };
constexpr ImportFormat kImportFormats[] = {ImportFormat::Moodle, ImportFormat::Gift,  ImportFormat::Qti,
                                           ImportFormat::Csv,    ImportFormat::Json,  ImportFormat::Xlsx,
                                           ImportFormat::Aiken,  ImportFormat::Text,  ImportFormat::Docx};

// "Moodle XML", "GIFT", "QTI package", "CSV", "quiz JSON", "spreadsheet", "Aiken", "plain
// text", "Word document".
const char* ImportFormatName(ImportFormat format);
// The command's --from: moodle, gift, qti, csv, json, xlsx, aiken, text, docx.
const char* ImportFormatKey(ImportFormat format);
bool ImportFormatFromKey(const std::string& key, ImportFormat& format);

// One question as a reader found it, before it becomes an item.
struct ImportedQuestion {
    enum Kind { Choice, TrueFalse, Answer } kind = Choice; // Answer: numerical, or a text answer
    std::string id, category, stem;
    bool hasCategory = false;
    std::vector<std::string> choices;
    size_t correct = static_cast<size_t>(-1); // index into choices; none when no choice matched
    std::string answerGiven;                  // the answer as the file had it (for notes)
    bool truth = true;
    std::string answer;
    json answerValue;        // when set, the answer as the file's own JSON value
    bool typeKnown = true;   // false: the file says no type; the loader infers it for the fixup
    std::vector<std::pair<std::string, std::string>> objectives; // MLO, CLO, PLO
    json extra = json::object(); // the file's other fields, kept as item keys
};

// What the readers fill.
// What one import reads at most, so that a hostile file ends in a message rather than in
// minutes and gigabytes: the bytes of its file (or all it reads from a package; a quiz
// JSON file, whose tree costs some thirty times its bytes, less), and the questions it
// gives. A larger bank is imported in parts with Import && Merge.
constexpr unsigned long long kMaxImportBytes = 256ull << 20;
constexpr unsigned long long kMaxQuizJsonBytes = 32ull << 20;
constexpr size_t kMaxImportQuestions = 150'000;
// One text (a question, a choice, a cell), the XML reader's bound for every reader: the
// readers copy a text a few times, so one of hundreds of megabytes would take gigabytes. A
// question holding a pasted image is a few.
constexpr size_t kMaxImportText = kMaxXmlText;
std::string TextTooLong(const std::string& where);

struct ImportTooLarge : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct ImportResult {
    json items = json::array();
    std::vector<std::string> notes;
    std::map<std::string, size_t> leftOut; // question kind -> count
    std::string source;                    // "Moodle XML", "QTI 2.1 package", ...
    size_t read = 0;                       // questions seen, left out ones included

    // Adds the question as an item, with a note for every change the canonical shape needs.
    // Add and LeaveOut throw ImportTooLarge past kMaxImportQuestions questions read.
    void Add(ImportedQuestion&& q);
    // The same, after one note per kind of thing the reader could not keep (`lost`, repeats
    // said once), each headed by the question's label.
    void Add(ImportedQuestion&& q, const std::string& label, const std::vector<std::string>& lost);
    void LeaveOut(const std::string& kind, const std::string& label);
    // "Item [ID]" or "Question #N" for notes about the question being read.
    std::string Label(const std::string& id) const;
};

// The readers, one source file each. False with `error` set when the file cannot be read
// at all; questions that cannot be kept are left out and counted.
bool ReadMoodleXml(std::string_view bytes, ImportResult& result, std::string& error);
bool ReadGift(std::string_view bytes, ImportResult& result, std::string& error);
bool ReadCsv(std::string_view bytes, ImportResult& result, std::string& error);
bool ReadQuizJson(std::string_view bytes, ImportResult& result, std::string& error);
// The CSV reader's rules after its parse: a sheet's rows of cells, the header first.
bool ReadSheetRows(std::vector<std::vector<std::string>> rows, ImportResult& result, std::string& error);
// Banks typed as text (TextBankReader.cpp): questions numbered "1.", "1)" or "Q1.", or
// unnumbered as Aiken writes them; choices lettered "a)", "a.", "(a)", "A)" or bulleted
// "-"; the key from an "Answer: B" line, a leading '*', or else one bold choice.
struct TextBankLine {
    std::string text;
    bool emphasis = false; // bold or highlighted (a Word document's runs)
};
bool ReadTextLines(const std::vector<TextBankLine>& lines, ImportResult& result, std::string& error);
bool ReadTextBank(std::string_view bytes, ImportResult& result, std::string& error);
// Whether plain text reads as such a bank, and whether as Aiken (unnumbered, "ANSWER:").
bool LooksLikeTextBank(std::string_view bytes, bool& aiken);
// A spreadsheet's sheets (XlsxReader.cpp) and a Word document's paragraphs (DocxReader.cpp).
bool ReadXlsx(std::string_view bytes, ImportResult& result, std::string& error);
bool ReadDocx(std::string_view bytes, ImportResult& result, std::string& error);
// Which of those a zip is: "xlsx", "docx" or "" (the zip's entry names decide).
std::string OfficeZipKind(std::string_view bytes);
// A QTI package's files by name (a zip's entries or an unpacked folder's files).
class PackageFiles {
public:
    virtual ~PackageFiles() = default;
    // False with `error` set when the file is missing or unreadable.
    virtual bool Read(const std::string& name, std::string& data, std::string& error) = 0;
};
bool ReadQtiPackage(PackageFiles& files, ImportResult& result, std::string& error);
// A bare QTI file: a 1.2 questestinterop or a 2.1 assessmentItem.
bool ReadQtiXml(std::string_view bytes, ImportResult& result, std::string& error);
// Shared by the QTI 2.1 reader and the package reader.
bool ReadQti21Item(std::string_view bytes, const std::string& category, const std::string& id,
                   std::vector<std::pair<std::string, std::string>> objectives, ImportResult& result,
                   std::string& error);
bool ReadQti12Document(std::string_view bytes, ImportResult& result, std::string& error);
// Blackboard's own pool or test file (BbPoolReader.cpp), read on the QTI route: <POOL> or
// <ASSESSMENT> holding <QUESTION_MULTIPLECHOICE>, <QUESTION_TRUEFALSE>, ... with their keys
// as <CORRECTANSWER answer_id="..."/>.
bool IsBbPoolRoot(const std::string& root);
bool ReadBbPool(std::string_view bytes, ImportResult& result, std::string& error);

// The format of a file from its content (and its name's extension when the content is
// plain text that could be either GIFT or CSV).
ImportFormat DetectImportFormat(std::string_view bytes, const std::u16string& path);

// Reads the file (or, for a QTI package, the folder or its imsmanifest.xml) into a
// document {"items": [...]} and notes; the summary note comes first.
struct ImportedBank {
    json document;
    std::vector<std::string> notes;
    ImportFormat format = ImportFormat::Auto;
};
bool ImportBankFile(const std::u16string& path, ImportFormat format, ImportedBank& bank, std::string& error);
bool ImportBankBytes(std::string_view bytes, const std::u16string& path, ImportFormat format, ImportedBank& bank,
                     std::string& error);

// Helpers the readers share.
// A text as a note quotes it: on one line, cut after 60 characters.
std::string Quoted(const std::string& text);
std::string TrimText(const std::string& text);
// A nested category of an LMS comes in as one category with its levels joined by this:
// "Science > Physics", apart from a name with a slash ("A/B"). It goes out as one category.
constexpr char kCategoryLevelSeparator[] = " > ";
// The key a choice's feedback and weight are kept under: its letter, or its number past Z.
std::string ChoiceKey(size_t index);
// Feedback is kept on the item under "feedback" by the response it answers: a choice's
// letter, "True" or "False", an answer's text, "*" any other answer. Empty text is not kept.
void KeepFeedback(ImportedQuestion& q, const std::string& response, const std::string& text);
// A short answer in Moodle is a pattern: '*' stands for any characters, "\*" for a star. An
// item whose answers use the wildcard keeps them as patterns, marked by this key (true);
// the others keep them as plain text.
constexpr char kAnswerWildcardKey[] = "answer_wildcard";
bool HasWildcard(const std::string& pattern);
// A pattern without wildcards as plain text: "\*" -> "*".
std::string PatternLiteral(const std::string& pattern);
// "$course$/top/Sub/Name//2" -> "Sub > Name/2" ("" for our exports' "Uncategorized").
std::string CategoryFromMoodlePath(const std::string& path);
// "MLO: text" -> ("MLO", "text"); false for other tags.
bool ObjectiveFromTag(const std::string& tag, std::pair<std::string, std::string>& objective);
// The choice an answer names: the text of a choice (ignoring case and outer spaces), a
// letter ("b", "B)", "Option B"), or a number counted from `indexBase`; none (-1) when it
// names none of them.
size_t ChoiceFromAnswer(const std::string& answer, const std::vector<std::string>& choices, int indexBase);
// A choice question whose answer (a text, not a letter or number) names none of its
// choices: the answer is the right choice itself, put in the first empty choice or after
// the last, keyed and noted. False when it is no such text or a choice is keyed already.
bool AddAnswerAsChoice(ImportedQuestion& q, const std::string& answer, const std::string& label,
                       std::vector<std::string>& notes);
// Two choices that are words saying true and false, opposite ("Vrai" / "Faux"; not "x" / "y"
// nor "1" / "0", letters and numbers as often as not): `firstTrue` says which way.
bool TruthChoices(const std::vector<std::string>& choices, bool& firstTrue);
// The one choice a mark typed after it calls right ("Paris (right)", "(wahr)"), with every
// choice's mark taken off; npos, and nothing changed, unless exactly one is so marked.
size_t TakeChoiceMarks(std::vector<std::string>& choices);
// Choices that each carry their own letter in order ("A. yes", "b) no") without it; false
// (and unchanged) unless every one does.
bool StripOwnLetters(std::vector<std::string>& choices);
// A numeric question's answer as the JSON number it was written from ("42", "-3.5"), or null
// when the text is no number in the form a JSON number prints.
json NumberAnswer(const std::string& text);
// True/false from "true", "F", "yes", "0"...; false when the text is none of them.
bool TruthFromText(const std::string& text, bool& truth);
// Images, formulas and super/subscripts in HTML made into visible text ("[image: a.png]",
// "[formula: x^2]", "m/s^2"), with one line per kind of change in `lost`.
std::string MarkupPlaceholders(std::string_view html, std::vector<std::string>& lost);
// A file's or a URL's image as its visible placeholder ("[image: a.png]"), noted in `lost`.
std::string ImagePlaceholder(const std::string& src, std::vector<std::string>& lost);
// A column or key that names the question's image ("image", "Image URL", "picture").
bool IsImageField(const std::string& name);
// MarkupPlaceholders, then plain text.
std::string ImportHtml(std::string_view html, std::vector<std::string>& lost);
// True when the text holds a tag HTML formats text with (not "<marquee>" or "a <b" alone).
bool LooksLikeHtml(std::string_view text);
// HTML made plain (ImportHtml) when it looks like HTML, else only its entities decoded.
std::string TextFromMaybeHtml(std::string_view text, std::vector<std::string>& lost);
// The same for an XHTML tree (QTI): a copy with those elements as text nodes.
XmlNode PlaceholderTree(const XmlNode& node, std::vector<std::string>& lost);
// XML declared as Latin-1 or Windows-1252 (as some tools write it) as UTF-8 for the
// XML reader, made in `converted`; other bytes as they are (not copied: a file can be
// hundreds of megabytes).
std::string_view XmlAsUtf8(std::string_view bytes, std::string& converted);
// XmlRootName, also of XML declared as Windows-1252 (which the XML reader takes only
// through XmlAsUtf8); only the file's head is converted.
std::string ImportXmlRootName(std::string_view bytes);
// Text as UTF-8 for the text readers: UTF-16 with its byte order mark decoded, and each
// byte of a file that is not UTF-8 read as Windows-1252; `note` says which, else the bytes
// as they are.
std::string_view TextAsUtf8(std::string_view bytes, std::string& converted, std::string& note);
// HTML's named references that XML lacks (&nbsp;, &uarr;), as converters write them, made
// character references outside CDATA and comments; `note` says so. Unknown names stay
// (and stay an XML error). The bytes as they are when there is none.
std::string_view HtmlEntitiesAsXml(std::string_view bytes, std::string& converted, std::string& note);
