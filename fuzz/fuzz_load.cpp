// Loading plus both views, as File > Open does.
#include "FuzzCommon.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ResetDocumentState();
    std::u16string error;
    std::vector<ImportIssue> issues;
    if (!ParseAndValidateJson(FuzzText(data, size), g_jsonDoc, error, g_validationWarnings, &issues)) return 0;
    g_rawJsonText = DumpJsonForRawView(g_jsonDoc);
    const std::u16string view = FormatTestbankJson(g_rawJsonText);
    // A loaded document's own dump must load again to the same document.
    json again;
    if (!FuzzLoad(g_rawJsonText, again, nullptr) || again != g_jsonDoc) __builtin_trap();
    (void)view;
    return 0;
}
