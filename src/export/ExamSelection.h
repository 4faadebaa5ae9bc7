#pragma once
#include <set>
#include <string>
#include <vector>

#include "ui/AppServices.h"
#include "ui/ModalUi.h"
#include "model/JsonModel.h"

// The remembered exam selection of the current document.
struct ExamSelectionState {
    bool initialized = false;
    std::set<std::string> selectedIds;
    // Every ID in the order Select Items was last sorted by a column; empty: the document's.
    std::vector<std::string> order;
};
extern ExamSelectionState g_examSelection;
extern bool& g_examSelectionInitialized;
extern std::set<std::string>& g_examSelectedIds;

// One-line preview of an item's question: line breaks and tabs as spaces, cut to 180
// bytes of UTF-8 with "..." appended.
std::u16string MakeQuestionSnippet(const json& item);
// "Selected: N / M".
std::u16string SelectedCountText(size_t checked, size_t rows);
// Whether a freshly filled row starts checked.
bool IsInitiallyChecked(const std::string& id);
// One row of the "Select Items" list: its item's index in `items` and what it shows.
struct ExamRow {
    size_t itemIndex;
    std::u16string id, type, category, question;
    bool checked; // as the row starts
    std::u16string mlo;
    // What the search box looks in, ASCII case folded: ID, question, category, outcomes.
    std::u16string searchText;
};
// The rows for the document: one per object element of `items`, in order.
std::vector<ExamRow> BuildExamRows(const json& document);
// What the filters of "Select Items" keep: rows whose search text holds `search` (folded
// like it; empty: all), and whose type, category and MLO are the chosen ones (null: any).
struct ExamFilter {
    std::u16string search;
    const std::u16string* type = nullptr;
    const std::u16string* category = nullptr;
    const std::u16string* mlo = nullptr;
};
// The positions in `rows` of the rows the filter keeps, in order; linear in the rows.
std::vector<size_t> FilterExamRows(const std::vector<ExamRow>& rows, const ExamFilter& filter);
// The distinct values of a column (0 type, 1 category, 2 MLO) in byte order, for the filter lists.
std::vector<std::u16string> DistinctColumnValues(const std::vector<ExamRow>& rows, int column);
// Sorts shown row positions by a list column (0 ID, 1 type, 2 category, 3 question), case
// folded, ties in document order.
void SortExamRows(const std::vector<ExamRow>& rows, std::vector<size_t>& shown, int column, bool ascending);
// ASCII case folding of a search text.
std::u16string FoldForSearch(std::u16string text);
// The IDs of the items behind the checked rows (by their stored item indices); indices
// that no longer point at an object with a string id add nothing.
std::set<std::string> SelectedIdsFromRows(const json& document, const std::vector<size_t>& checkedItemIndices);
// Forgets the selection (the window, if any, is closed by the caller).
void ClearExamSelectionState();
// Every object item with a string id in `ids`, as {"items": [...]}: in the order of `order`
// (items it lacks after the others), or in document order when it is empty. `takeItems`
// moves them out of `document` (for a caller that drops it next) rather than holding a
// second copy of the bank.
json BuildExam(json& document, const std::set<std::string>& ids, bool takeItems = false,
               const std::vector<std::string>& order = {});
// The IDs of all rows in the order of a sort by `column` (see SortExamRows).
std::vector<std::string> SortedExamOrder(const std::vector<ExamRow>& rows, int column, bool ascending);
// The exam file's text: indent 4, LF line ends, UTF-8 as is.
std::string SerializeExam(const json& exam);
// Why Save Selections refuses (its message), or null with the exam built (from the
// document's items, taken out of it with `takeItems`).
const char16_t* ExamRefusal(json& exam, bool takeItems = false);
// Save Selections after the window (if open) has synced the set: every refusal and
// message, the save dialog and the write. True when a file was written.
bool SaveExamSelectionsWith(ModalUi& ui, void* owner);
