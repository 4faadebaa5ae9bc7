// Building and serializing an exam from a fuzzed document and selection, in every format.
#include "FuzzCommon.h"
#include "export/ExamSelection.h"
#include "formats/ExamFormats.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ResetDocumentState();
    if (!FuzzLoad(FuzzText(data, size), g_jsonDoc, nullptr)) return 0;
    g_hasJson = true;
    g_examSelectionInitialized = true;
    g_examSelectedIds.clear();
    size_t i = 0;
    for (const json& item : g_jsonDoc["items"]) {
        MakeQuestionSnippet(item);
        if ((i++ + size) % 2 == 0) g_examSelectedIds.insert(item["id"].get<std::string>());
    }
    json exam;
    if (!ExamRefusal(exam)) {
        const std::string text = SerializeExam(exam);
        if (json::parse(text)["items"].size() != exam["items"].size()) __builtin_trap();
        // Every exchange format over the same exam: no text may carry a character XML forbids.
        for (ExamFormat format : kExamFormats) {
            const ExamFile file = WriteExamAs(format, exam);
            ExamFileMessage(file, format, 5);
            if (format == ExamFormat::Moodle && file.written && file.bytes.find('\x0b') != std::string::npos)
                __builtin_trap();
        }
    }
    return 0;
}
