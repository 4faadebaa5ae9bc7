#pragma once
#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

#include "model/JsonModel.h"
#include "ui/FormModel.h"

// The wizard's controls.
enum : int {
    IDC_FIX_HEADER = 5001,
    IDC_FIX_ID = 5002,
    IDC_FIX_TYPE = 5003,
    IDC_FIX_QUESTION = 5004,
    IDC_FIX_MLO = 5005,
    IDC_FIX_CLO = 5006,
    IDC_FIX_PLO = 5007,
    IDC_FIX_BACK = 5008,
    IDC_FIX_SKIP = 5009,
    IDC_FIX_SAVE = 5010,
    IDC_FIX_CLOSE = 5011,
    IDC_FIX_APPLY_ALL = 5019,
    IDC_FIX_APPLY_CATEGORY = 5020,
};

constexpr size_t kNoIssue = static_cast<size_t>(-1);

// The wizard's list and position, while it is open.
struct FixupState {
    std::vector<ImportIssue> issues;
    size_t pos = 0;
    // Where each item lives, made once when the wizard opens, so that a step costs what
    // one item costs; an entry is checked before use (and looked up again if stale).
    std::unordered_map<std::string, size_t> itemIndex;
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
// Fills g_fixup.itemIndex from g_jsonDoc.
void IndexFixupItems();
// Type combo entry for a stored type (a recognised spelling counts as its canonical type;
// anything else is entry 0) and back.
int TypeToComboIndex(const std::string& type);
std::string ComboIndexToType(int index);
// White space by the wide classification the program relies on; the empty text is blank.
bool IsBlankWide(const std::u16string& text);

// What the wizard shows for the current issue and its item: header, ID, question (line
// breaks as CR LF), type entry and the three objectives.
FormModel LoadFixupForm(const ImportIssue& issue, size_t pos, size_t count, const json& item);
// Whether the outcome box `id` shows the item's outcome cut (read-only, kept as stored).
bool IsCutOutcome(const json& item, int id);
// The item update of Save & Next on g_jsonDoc and the current issue. Returns false, and
// changes nothing, when the issue needs an MLO and the MLO text is blank.
bool ApplyFixupToCurrentItem(size_t itemIndex, int comboIndex, const std::u16string& mlo, const std::u16string& clo,
                             const std::u16string& plo);
// The same with the values read from the wizard's form.
bool ApplyFixupForm(size_t itemIndex, const FormModel& form);

// Save & Next as one step for Undo ("Fix Item Q12"); false as ApplyFixupForm.
bool SaveFixupForm(size_t itemIndex, const FormModel& form);
// Apply to All (or, with `sameCategory`, Apply to Category): the form saved into the item
// at `itemIndex`, then its outcomes given to the targets' items, as one step for Undo
// ("Apply to All (5,250 items)"). `changed`: the items' positions, ascending. False, and
// nothing changed, as ApplyFixupForm.
bool ApplyOutcomesForm(const std::vector<size_t>& targets, size_t itemIndex, const FormModel& form, bool sameCategory,
                       std::vector<size_t>& changed);

// The other unresolved issues an MLO typed for the current one would go to: those whose
// item lacks an MLO, and with `sameCategory` only those whose category is the current
// item's. In list order.
std::vector<size_t> OutcomeTargets(bool sameCategory);
// The current item's category ("" without one).
std::string CurrentItemCategory();
// Gives each target's item the MLO, and the CLO and PLO where typed and the item has none;
// their issues no longer miss an MLO (a missing type stays). Returns how many changed.
size_t ApplyOutcomesToTargets(const std::vector<size_t>& targets, const std::u16string& mlo, const std::u16string& clo,
                              const std::u16string& plo);
// The same with the outcomes the item at `itemIndex` stores.
size_t ApplyItemOutcomesToTargets(const std::vector<size_t>& targets, size_t itemIndex);
// The question asked before that: "Apply the MLO "X"[, the CLO "Y" and the PLO "Z"] to this
// item and the N other remaining items [of category "C"] that lack an MLO?"
std::u16string ApplyOutcomesQuestion(const std::u16string& mlo, const std::u16string& clo, const std::u16string& plo,
                                     size_t others, bool sameCategory, const std::string& category);
