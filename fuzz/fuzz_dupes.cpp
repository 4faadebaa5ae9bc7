// Duplicate groups of a fuzzed document, the folding of its raw bytes, and a merge of its
// two halves with the dropped items reported.
#include <cstring>

#include "FuzzCommon.h"
#include "dupes/DupesLogic.h"
#include "util/TextFold.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    if (FoldForComparison(FoldForComparison(bytes)) != FoldForComparison(bytes)) __builtin_trap(); // folding is stable
    json document;
    if (!FuzzLoad(FuzzText(data, size), document, nullptr)) return 0;
    std::vector<DupeEntry> entries;
    AddDocumentEntries(document, 0, entries);
    for (double threshold : {0.8, 0.3, 1.0}) {
        const std::vector<DupeGroup> groups = FindDuplicateGroups(entries, threshold);
        for (const DupeGroup& g : groups) {
            if (g.members.size() < 2 || g.scores.size() != g.members.size()) __builtin_trap();
            for (size_t m : g.members)
                if (m >= entries.size()) __builtin_trap();
            if (g.kind == DupeKind::Exact)
                for (size_t m : g.members)
                    if (!SameQuestionAndChoices(entries[m].content, entries[g.members[0]].content)) __builtin_trap();
        }
        FormatDupesCsv(entries, groups, {"f"});
        MergeDuplicateNotes(entries, groups, {u"a.json"}, 0);
    }
    json target = document;
    std::vector<std::string> dropped;
    std::u16string error;
    MergeParsedJson(target, document, error, nullptr, nullptr, &dropped);
    if (!dropped.empty()) __builtin_trap(); // an item never differs from itself
    return 0;
}
