// The import fixup list and item updates over a fuzzed document.
#include "FuzzCommon.h"
#include "fixup/FixupLogic.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ResetDocumentState();
    std::vector<ImportIssue> issues;
    if (!FuzzLoad(FuzzText(data, size), g_jsonDoc, &issues)) return 0;
    g_hasJson = true;
    g_fixupIssues = BuildFixupList(issues);
    g_fixupPos = 0;
    const std::u16string mlo = size % 3 ? u"M" : u" ";
    for (size_t step = 0; step < 2 * g_fixupIssues.size() && g_fixupPos != kNoIssue; ++step) {
        FixupHeaderText(g_fixupPos, g_fixupIssues.size(), g_fixupIssues[g_fixupPos]);
        size_t index;
        if (FindItemIndexById(g_fixupIssues[g_fixupPos].id, index))
            ApplyFixupToCurrentItem(index, static_cast<int>(step % 5) - 1, mlo, u"", u"c");
        g_fixupPos = NextUnresolvedIndex(g_fixupPos, step % 2 ? -1 : 1);
    }
    NoteList notes;
    AppendValidationWarnings(g_jsonDoc, notes);
    DumpJsonForRawView(g_jsonDoc);
    g_fixupIssues.clear();
    return 0;
}
