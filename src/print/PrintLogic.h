#pragma once
// The exam on paper: the printable questions of an exam, its shuffled versions, the
// standalone HTML page and the answer key. Portable; the dialog sits beside it.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "model/JsonModel.h"

// One question as it is printed. Texts are the document's, unescaped.
struct PrintQuestion {
    enum Kind { Choice, TrueFalse, Numeric } kind = Choice;
    std::string id, stem;
    std::vector<std::string> choices; // the non-empty ones, in letter order (A, B, ...)
    size_t correct = 0;               // index into choices
    bool truth = true;                // true/false key
    std::string answer;               // numerical key, as written
    bool keepChoiceOrder = false;     // a choice names the others ("All of the above")
};

struct PrintableExam {
    std::vector<PrintQuestion> questions;                     // in the exam's order
    std::vector<std::pair<std::string, std::string>> leftOut; // ID, reason
    size_t selected = 0;
};

// The items of `exam` ({"items": [...]}) that can go on paper, and why the others not.
PrintableExam CollectPrintQuestions(const json& exam);

// Whether a choice's text points at the other choices ("All of the above", "None of
// these", "Both A and B", "A and C only"): shuffling would change what it says.
bool ChoiceRefersToOthers(const std::string& text);

// One version: which question is printed at each number, and in which order its choices.
struct ExamVersion {
    std::vector<size_t> order;                     // question index at each position
    std::vector<std::vector<size_t>> choiceOrder;  // per position: choice indices as printed
};

constexpr unsigned kMaxPrintVersions = 50;

// `versions` versions from `seed`. One version keeps the exam's order; with more, every
// version has its own question order and choice orders (items whose choices refer to the
// others keep theirs). The generator is our own, so every build gives the same versions.
std::vector<ExamVersion> MakeExamVersions(const PrintableExam& exam, unsigned versions, uint64_t seed);

// The answer printed in the key: a lower-case letter, "True"/"False" or the number.
std::string KeyAnswer(const PrintQuestion& question, const std::vector<size_t>& choiceOrder);

// The standalone page: every version (numbered questions, a header with the title and a
// name line, page numbers when printed), then the answer key of each version on a page
// of its own.
std::string RenderExamHtml(const PrintableExam& exam, const std::vector<ExamVersion>& versions,
                           const std::string& title);
// "version,number,id,answer" and one row per printed question; LF line ends.
std::string RenderAnswerKeyCsv(const PrintableExam& exam, const std::vector<ExamVersion>& versions);

// The dialog's and the command's options, from their texts.
struct PrintOptions {
    std::string title;
    unsigned versions = 1;
    uint64_t seed = 1;
};
// Whole numbers only, no sign; false with the message for the user.
bool ParseVersionsText(const std::string& text, unsigned& versions, std::string& error);
bool ParseSeedText(const std::string& text, uint64_t& seed, std::string& error);
// The title as printed: blank becomes "Exam"; line breaks become spaces.
std::string PrintTitle(const std::string& typed);
// The title offered first: the document's "title" when it has one, else the file's name
// without folder and extension, else "Exam".
std::string DefaultPrintTitle(const json& document, const std::string& path);

// What the user is told after a print: what was printed, then every item left out with
// its reason (at most `maxListed`, then how many more).
std::string PrintSummary(const PrintableExam& exam, unsigned versions, bool withKey, size_t maxListed);
// Why nothing can be printed, when no question is printable ("" otherwise).
std::string NothingToPrintMessage(const PrintableExam& exam, size_t maxListed);
