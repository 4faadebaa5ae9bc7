#pragma once
// The exam in the exchange formats learning-management systems import: Moodle XML,
// GIFT, an IMS QTI 2.1 content package and an IMS QTI 1.2 package as Canvas reads it.
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "model/JsonModel.h"

enum class ExamFormat { Moodle, Gift, Qti21, Qti12 };
constexpr ExamFormat kExamFormats[] = {ExamFormat::Moodle, ExamFormat::Gift, ExamFormat::Qti21, ExamFormat::Qti12};

// "Moodle XML", "GIFT", "QTI 2.1 package", "QTI 1.2 package (Canvas)": for messages.
const char* ExamFormatName(ExamFormat format);
// "moodle", "gift", "qti21", "qti12": the command's --format.
const char* ExamFormatKey(ExamFormat format);
// "xml", "txt" or "zip".
const char* ExamFormatExtension(ExamFormat format);
bool ExamFormatIsZip(ExamFormat format);

// One exam item as every format sees it. Texts are plain text with what XML forbids
// already dropped; the writers escape them for their format.
struct ExportQuestion {
    enum Kind { Choice, TrueFalse, Numeric, ShortAnswer } kind = Choice;
    std::string id, type, category, stem;
    std::vector<std::string> choices;  // the non-empty ones, in letter order (A, B, ...)
    std::vector<std::string> letters;  // the letter of each of them
    size_t correct = 0;                // index into choices
    bool truth = true;                 // true/false key
    std::string answer;                // numeric (a plain decimal) or short-answer text
    // What an import kept besides the answer, written back by the formats that carry it: a
    // numeric answer's tolerance ("" none), and the other answers accepted at full marks,
    // each with its tolerance.
    std::string tolerance;
    std::vector<std::pair<std::string, std::string>> otherAnswers;
    // The answers given part marks: text and percent ("50").
    std::vector<std::pair<std::string, std::string>> partialAnswers;
    // The answers are Moodle patterns ('*' any characters, "\*" a star); matched with case.
    bool wildcard = false, caseSensitive = false;
    // Feedback an import kept, by the response it answers (a choice's letter, "True" or
    // "False", an answer's text, "*" any other answer), and the feedback for every answer.
    std::map<std::string, std::string> feedback;
    std::string generalFeedback;
    std::vector<std::string> feedbackOnly; // answers given no marks, there for their feedback
    std::vector<std::pair<std::string, std::string>> objectives; // the non-blank MLO, CLO, PLO
};

struct ExamQuestions {
    std::vector<ExportQuestion> questions; // in the exam's order
    std::vector<std::pair<std::string, std::string>> leftOut; // ID, reason
    std::vector<std::string> cleanedIds;   // items that lost characters XML forbids
    std::vector<std::string> shiftedIds;   // a blank choice moves the letters after it
    std::vector<std::string> cutIds;       // IDs longer than a Moodle question name
    std::vector<std::string> cutCategoryIds; // categories longer than a Moodle category name, cut
    std::vector<std::string> numberIds;    // answers that were JSON numbers or true/false, written as text
    std::vector<std::string> lostIds;      // what an import kept that the format cannot carry
    std::vector<std::string> tagIds;       // outcome codes Moodle's tags change ('<', '>', line breaks)
    std::vector<std::string> crlfIds;      // texts with CR LF line breaks, read back as LF
    std::vector<std::string> placeholderIds; // texts holding GIFT's own placeholders ("&&058;")
    size_t selected = 0;
};

// The items of `exam` ({"items": [...]}) that `format` can hold, and why the others not.
ExamQuestions CollectExamQuestions(const json& exam, ExamFormat format);

// The writers, one source file each.
std::string WriteMoodleXml(const ExamQuestions& exam);
std::string WriteGift(const ExamQuestions& exam);
// False when the archive cannot be made (zlib failed, past 4 GiB).
bool WriteQti21Package(const ExamQuestions& exam, std::string& zip);
bool WriteQti12Package(const ExamQuestions& exam, std::string& zip);

// An export: the file's bytes when anything could be written, and the message.
struct ExamFile {
    bool written = false;
    std::string bytes;
    ExamQuestions questions;
};
ExamFile WriteExamAs(ExamFormat format, const json& exam);
// What the user is told: the count per type, every item left out with its reason (at
// most `maxListed` of them, then how many more), the items that lost characters.
std::string ExamFileMessage(const ExamFile& file, ExamFormat format, size_t maxListed);

// Shared by the writers: unique XML names for the item IDs, in question order, each at
// most 64 bytes (they also name files inside the packages; unique without letter case,
// as Windows compares file names); none starts with "exam.", kept for the packages' own
// parts, and none is a Windows device name (CON, AUX, COM1...).
std::vector<std::string> UniqueXmlNames(const ExamQuestions& exam);
// Whether HTML would show the text otherwise than written, or an import read it back
// otherwise: runs of spaces, tabs, blanks at a line's start or end, no-break spaces. Such a
// text goes as Moodle's plain text, and inside <pre> in QTI.
bool HtmlAltersText(const std::string& text);
// A category path as Moodle reads it: "$course$/top/NAME", a '/' in the name as "//" (a
// leading one after a space, which Moodle trims); "Uncategorized" for an item without one.
std::string MoodleCategoryPath(const std::string& category);
