#pragma once
// The item editor's form apart from its window: which items it lists, what loading an
// item puts into the fields, and what saving the fields writes into the document.
#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "model/JsonModel.h"
#include "ui/FormModel.h"
#include "ui/ViewText.h"

enum : int {
    IDC_ED_TYPE = 3099,
    IDC_ED_ITEM = 3100,
    IDC_ED_ID = 3101,
    IDC_ED_CATEGORY = 3102,
    IDC_ED_MLO = 3103,
    IDC_ED_CLO = 3104,
    IDC_ED_PLO = 3105,
    IDC_ED_QUESTION = 3106,
    IDC_ED_CHOICE_A = 3107, // to D: 3110
    IDC_ED_CORRECT = 3111,
    IDC_ED_OK = 3112,
    IDC_ED_CANCEL = 3113,
    IDC_ED_APPLY = 3114,
    IDC_ED_TRUE_FALSE = 3120,
    IDC_ED_ANSWER = 3136,
    IDC_ED_RENDER_AS = 3141,
    IDC_ED_TEMPLATE = 3143,
    IDC_ED_FORMULA = 3145,
    IDC_ED_FORMAT = 3147,
    IDC_ED_CHOICE_COUNT = 3149,
    IDC_ED_PARAMETERS = 3151,
    IDC_ED_CONSTANTS = 3153,
    IDC_ED_DISTRACTORS = 3155,
    IDC_ED_ADD_CHOICE = 3156,
    IDC_ED_REMOVE_CHOICE = 3157,
    IDC_ED_CHOICE_E = 3160,       // to Z: 3181
    IDC_ED_CHOICE_E_LABEL = 3190, // to Z: 3211
};

// The field of choice `index` (0 for A) and its label.
int ChoiceFieldId(int index);
int ChoiceLabelId(int index);
// How many choices a form holds (A-D and the further fields it has), and the form made to
// hold `count`: new fields empty, the fields past it dropped.
int FormChoiceCount(const FormModel& form);
void SetFormChoiceCount(FormModel& form, int count);

// Positions in `items` of the items of each type (multiple choice, true/false, numerical,
// algorithmic). A recognised spelling such as "tf" counts as its canonical type.
using IndexLists = std::array<std::vector<size_t>, 4>;
IndexLists BuildIndexLists(const json& document);
// The type list entry of a stored type string; -1 when it is no recognised spelling.
int EditorTypeIndex(const std::string& type);
bool ItemMissingLearningOutcomes(const json& item);
// The item list: each listed item's ID and the start of its question ("Q1 - What is ...",
// with "  [missing LO]" when it lacks an outcome), then "<New item>".
std::vector<std::u16string> ItemListEntries(const json& document, const std::vector<size_t>& positions);
// One item's entry of that list; "" for an item without a string ID (it is not listed).
std::u16string ItemListEntry(const json& item);

// The form holding an item as stored: texts exactly as in the document (line feeds and
// NULs kept), the type and answer list selections.
FormModel LoadItemForm(const json& item);
// The form of a new item: every field empty, choices A-D, "A" and "True" selected.
FormModel ClearedItemForm();
// What the controls are given: multi-line fields with CR LF line breaks and soft breaks
// (kSoftBreak) in lines longer than kWrappedLineLimit, NULs as U+2400; a one-line field
// longer than the limit cut (see IsCutField).
FormModel DisplayItemForm(const FormModel& stored);
// A one-line field too long for its control: shown cut and read-only, so that saving keeps
// it as stored.
bool IsCutField(const FormModel& stored, int id);
// Whether the user changed the form since it was shown: a text or an answer selection.
bool FormEdited(const FormModel& form, const FormModel& shown);
// The fields typed in `form` (against `shown`) whose stored value changed since the item was
// loaded (`loaded`, now `current`, e.g. the same field typed in the raw view and applied):
// saving would put the typed text over that change unseen.
std::vector<int> FieldsChangedUnderForm(const FormModel& form, const FormModel& shown, const json& loaded,
                                        const json& current);
// A field's name as its label shows it ("Question", "Choice B").
std::u16string FieldLabel(int id);
// Multi-line fields of the form.
bool IsMultiLineField(int id);

// Saving: `form` holds the controls' texts and selections, `shown` what the controls held
// right after the item was loaded (null for none). A field whose text is still what was
// shown keeps the item's stored value, so an untouched form changes only what saving
// writes on purpose. On success the document has the item written; on failure it is
// unchanged and `error` holds the message ("" for a silent refusal). Only the saved item is
// copied and written, so a save costs what the item costs (the ID is compared with the
// others only when it changed). `written`: the item's position, `added`: a new item.
bool SaveItemForm(json& document, const IndexLists& lists, const FormModel& form, const FormModel* shown,
                  std::u16string& error, size_t* written = nullptr, bool* added = nullptr);

// SaveItemForm on g_jsonDoc as one step for Undo ("Edit Item Q12", "Add Item Q13");
// `changed` false when the item was saved as it stood.
bool SaveItemFormStep(const IndexLists& lists, const FormModel& form, const FormModel* shown, std::u16string& error,
                      size_t& position, bool& added, bool& changed);

// Vertical scrolling: the new position for a scroll-bar request, clamped to the range.
enum class ScrollRequest { LineUp, LineDown, PageUp, PageDown, Track, Other };
int NextScrollPosition(ScrollRequest request, int position, int trackPosition, int page, int minimum, int maximum);
