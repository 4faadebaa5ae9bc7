#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "model/JsonModel.h"

constexpr size_t kNoIssue = static_cast<size_t>(-1);

// The wizard's list and position, while it is open.
struct FixupState {
    std::vector<ImportIssue> issues;
    size_t pos = 0;
};
extern FixupState g_fixup;
extern std::vector<ImportIssue>& g_fixupIssues;
extern size_t& g_fixupPos;

inline bool IsResolved(const ImportIssue& issue) { return !issue.missingType && !issue.missingMlo; }
// One entry per id (flags united), unresolved and non-empty ids only, in ascending id order.
std::vector<ImportIssue> BuildFixupList(const std::vector<ImportIssue>& issues);
// The next unresolved issue after `from` going round the list; the start is looked at last.
size_t NextUnresolvedIndex(size_t from, int direction);
// "type", "MLO" or "type, MLO"; empty when nothing is missing.
std::string MissingPartsText(const ImportIssue& issue);
// "Fix item P of N" plus "  (missing: ...)".
std::u16string FixupHeaderText(size_t pos, size_t count, const ImportIssue& issue);
bool FindItemIndexById(const std::string& id, size_t& index);
// Type combo entry for a stored type (exact match; anything else is entry 0) and back.
int TypeToComboIndex(const std::string& type);
std::string ComboIndexToType(int index);
// White space by the wide classification the program relies on; the empty text is blank.
bool IsBlankWide(const std::u16string& text);

// The item update of Save & Next on g_jsonDoc and the current issue. Returns false
// (after writing the type) when the issue needs an MLO and the MLO text is blank.
bool ApplyFixupToCurrentItem(size_t itemIndex, int comboIndex, const std::u16string& mlo, const std::u16string& clo,
                             const std::u16string& plo);
