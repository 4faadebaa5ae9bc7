// The printable exam of a fuzzed document: every item selected, up to three versions.
#include "FuzzCommon.h"
#include "print/PrintLogic.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ResetDocumentState();
    json document;
    if (!FuzzLoad(FuzzText(data, size), document, nullptr)) return 0;
    const PrintableExam exam = CollectPrintQuestions(document);
    const unsigned count = 1 + size % 3;
    const std::vector<ExamVersion> versions = MakeExamVersions(exam, count, size);
    const std::string csv = RenderAnswerKeyCsv(exam, versions);
    const std::string html = RenderExamHtml(exam, versions, std::string(reinterpret_cast<const char*>(data), size % 64));
    // One key row per printed question; no text of the document opens an element of its own.
    size_t rows = 0;
    for (size_t at = csv.find('\n'); at != std::string::npos; at = csv.find('\n', at + 1)) ++rows;
    if (rows < 1 + count * exam.questions.size()) __builtin_trap();
    if (html.find("<script") != std::string::npos || html.find("</style") != html.rfind("</style")) __builtin_trap();
    for (const ExamVersion& v : versions)
        for (size_t at = 0; at < v.order.size(); ++at)
            if (KeyAnswer(exam.questions[v.order[at]], v.choiceOrder[at]).empty()) __builtin_trap();
    return 0;
}
