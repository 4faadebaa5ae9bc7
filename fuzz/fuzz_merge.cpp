// Merging one fuzzed document into another, with the issue records kept in step.
#include <cstring>

#include "FuzzCommon.h"
#include "fixup/FixupLogic.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Two documents separated by a NUL byte (or the second half).
    const uint8_t* split = static_cast<const uint8_t*>(std::memchr(data, 0, size));
    const size_t first = split ? static_cast<size_t>(split - data) : size / 2;
    const size_t secondStart = split ? first + 1 : first;
    ResetDocumentState();
    json current, incoming;
    std::vector<ImportIssue> issues;
    if (!FuzzLoad(FuzzText(data, first), current, nullptr)) current = nullptr;
    if (!FuzzLoad(FuzzText(data + secondStart, size - secondStart), incoming, &issues)) return 0;
    g_jsonDoc = current;
    std::u16string error;
    if (!MergeParsedJsonIntoCurrent(incoming, error, &issues)) __builtin_trap();
    std::u16string duplicate;
    if (CheckDuplicateIds(g_jsonDoc, duplicate)) __builtin_trap(); // a merge never makes duplicates
    g_hasJson = true;
    for (const ImportIssue& issue : BuildFixupList(issues)) {
        size_t index;
        if (!FindItemIndexById(issue.id, index)) __builtin_trap(); // records follow renames
    }
    DumpJsonForRawView(g_jsonDoc);
    return 0;
}
