// Building and serializing an exam from a fuzzed document and selection.
#include "FuzzCommon.h"
#include "export/ExamSelection.h"

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
    }
    return 0;
}
