#include "export/ExamSelection.h"

#include <algorithm>
#include <functional>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "util/FileUtil.h"
#include "util/StringUtil.h"

namespace {

// value(key, "") without the library's throw on a member of another kind.
std::string StringValue(const json& item, const char* key)
{
    auto it = item.find(key);
    return it != item.end() && it->is_string() ? it->get<std::string>() : std::string();
}

} // namespace

ExamSelectionState g_examSelection;
bool& g_examSelectionInitialized = g_examSelection.initialized;
std::set<std::string>& g_examSelectedIds = g_examSelection.selectedIds;

std::u16string MakeQuestionSnippet(const json& item)
{
    std::string text;
    auto q = item.is_object() ? item.find("question") : item.end();
    if (item.is_object() && q != item.end()) {
        if (q->is_string()) text = q->get<std::string>();
        else if (q->is_boolean() || q->is_number()) text = JsonText(*q);
    }
    for (char& c : text)
        if (c == '\r' || c == '\n' || c == '\t') c = ' ';
    if (text.size() > 180) {
        text.resize(180);
        text += "...";
    }
    return s2w(text);
}

std::u16string SelectedCountText(size_t checked, size_t rows)
{
    return u"Selected: " + DecimalW(checked) + u" / " + DecimalW(rows);
}

bool IsInitiallyChecked(const std::string& id)
{
    return !g_examSelectionInitialized || g_examSelectedIds.count(id) > 0;
}

std::vector<ExamRow> BuildExamRows(const json& document)
{
    std::vector<ExamRow> rows;
    auto items = document.is_object() ? document.find("items") : document.end();
    if (!document.is_object() || items == document.end() || !items->is_array()) return rows;
    rows.reserve(items->size());
    for (size_t i = 0; i < items->size(); ++i) {
        const json& item = (*items)[i];
        if (!item.is_object()) continue;
        const std::string id = StringValue(item, "id");
        ExamRow row{i, s2w(id), s2w(ItemTypeDisplayName(StringValue(item, "type"))), s2w(StringValue(item, "category")),
                    MakeQuestionSnippet(item), IsInitiallyChecked(id), u"", u""};
        std::string outcomes;
        auto objectives = item.find("objectives");
        if (objectives != item.end() && objectives->is_object()) {
            row.mlo = s2w(StringValue(*objectives, "MLO"));
            for (const char* key : {"MLO", "CLO", "PLO"}) outcomes.append("\n").append(StringValue(*objectives, key));
        }
        row.searchText = FoldForSearch(row.id + u"\n" + s2w(StringValue(item, "question")) + u"\n" + row.category +
                                       s2w(outcomes));
        rows.push_back(std::move(row));
    }
    return rows;
}

std::u16string FoldForSearch(std::u16string text)
{
    for (char16_t& c : text)
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    return text;
}

std::vector<size_t> FilterExamRows(const std::vector<ExamRow>& rows, const ExamFilter& filter)
{
    const std::u16string search = FoldForSearch(filter.search);
    const std::boyer_moore_horspool_searcher<std::u16string::const_iterator> searcher(search.begin(), search.end());
    std::vector<size_t> shown;
    shown.reserve(rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        const ExamRow& row = rows[i];
        if (filter.type && row.type != *filter.type) continue;
        if (filter.category && row.category != *filter.category) continue;
        if (filter.mlo && row.mlo != *filter.mlo) continue;
        if (!search.empty() && std::search(row.searchText.begin(), row.searchText.end(), searcher) == row.searchText.end())
            continue;
        shown.push_back(i);
    }
    return shown;
}

std::vector<std::u16string> DistinctColumnValues(const std::vector<ExamRow>& rows, int column)
{
    std::set<std::u16string> values;
    for (const ExamRow& row : rows) values.insert(column == 0 ? row.type : column == 1 ? row.category : row.mlo);
    return std::vector<std::u16string>(values.begin(), values.end());
}

void SortExamRows(const std::vector<ExamRow>& rows, std::vector<size_t>& shown, int column, bool ascending)
{
    auto text = [&](size_t i) -> const std::u16string& {
        const ExamRow& row = rows[i];
        return column == 0 ? row.id : column == 1 ? row.type : column == 2 ? row.category : row.question;
    };
    // Folded once per row, not once per comparison.
    std::vector<std::u16string> keys(rows.size());
    for (size_t i : shown) keys[i] = FoldForSearch(text(i));
    std::stable_sort(shown.begin(), shown.end(), [&](size_t a, size_t b) {
        const int order = keys[a].compare(keys[b]);
        if (order != 0) return ascending ? order < 0 : order > 0;
        return a < b;
    });
}

std::set<std::string> SelectedIdsFromRows(const json& document, const std::vector<size_t>& checkedItemIndices)
{
    std::set<std::string> ids;
    auto items = document.is_object() ? document.find("items") : document.end();
    if (!document.is_object() || items == document.end() || !items->is_array()) return ids;
    for (size_t index : checkedItemIndices) {
        if (index >= items->size() || !(*items)[index].is_object()) continue;
        auto id = (*items)[index].find("id");
        if (id != (*items)[index].end() && id->is_string()) ids.insert(id->get<std::string>());
    }
    return ids;
}

void ClearExamSelectionState() { g_examSelection = ExamSelectionState{}; }

std::vector<std::string> SortedExamOrder(const std::vector<ExamRow>& rows, int column, bool ascending)
{
    std::vector<size_t> all(rows.size());
    for (size_t i = 0; i < all.size(); ++i) all[i] = i;
    SortExamRows(rows, all, column, ascending);
    std::vector<std::string> ids;
    ids.reserve(all.size());
    for (size_t i : all) ids.push_back(w2s(rows[i].id));
    return ids;
}

json BuildExam(json& document, const std::set<std::string>& ids, bool takeItems, const std::vector<std::string>& order)
{
    // Hashed lookups: the ordered set's tree walk is the slowest part on a large bank.
    const std::unordered_set<std::string_view> wanted(ids.begin(), ids.end());
    json exam = json::object();
    exam["items"] = json::array();
    json& out = exam["items"];
    for (json& item : document["items"]) {
        if (!item.is_object()) continue;
        auto id = item.find("id");
        if (id == item.end() || !id->is_string() || !wanted.count(id->get_ref<const std::string&>())) continue;
        if (takeItems) out.push_back(std::move(item));
        else out.push_back(item);
    }
    if (!order.empty()) {
        std::unordered_map<std::string_view, size_t> rank;
        for (const std::string& id : order) rank.emplace(id, rank.size());
        auto rankOf = [&rank](const json& item) {
            auto it = rank.find(item["id"].get_ref<const std::string&>());
            return it == rank.end() ? rank.size() : it->second;
        };
        std::stable_sort(out.begin(), out.end(),
                         [&rankOf](const json& a, const json& b) { return rankOf(a) < rankOf(b); });
    }
    return exam;
}

std::string SerializeExam(const json& exam) { return DumpIndented(exam, 4); }

const char16_t* ExamRefusal(json& exam, bool takeItems)
{
    if (!g_hasJson || !g_jsonDoc.is_object() || !g_jsonDoc.contains("items") || !g_jsonDoc["items"].is_array())
        return u"No JSON loaded (or missing items array).";
    if (!g_examSelectionInitialized) return u"No selections yet. Use Create -> Select Items first.";
    if (g_examSelectedIds.empty()) return u"No items selected.";
    exam = BuildExam(g_jsonDoc, g_examSelectedIds, takeItems, g_examSelection.order);
    if (exam["items"].empty()) return u"No selected items could be found in the current document.";
    return nullptr;
}

namespace {

// A message whose lists were cut to their first items (as the listing groups repeated
// notes): the whole one, every item named, is offered as a text file.
void ShowListedMessage(ModalUi& ui, void* owner, const std::u16string& message, bool cut, const std::u16string& whole)
{
    if (!cut) {
        ui.ShowMessage(owner, message, u"Save Selections", MsgIcon::Info, MsgButtons::Ok);
        return;
    }
    if (ui.ShowMessage(owner, message + u"\n\nSave the whole list, every item named, as a text file?",
                       u"Save Selections", MsgIcon::Question, MsgButtons::YesNo) != MsgAnswer::Yes)
        return;
    const std::u16string path = ui.AskSavePath(owner, u"export-notes.txt");
    if (path.empty()) return;
    if (!SaveFileText(path, NormalizeNewlinesToCRLF(whole) + u"\r\n"))
        ui.ShowMessage(owner, u"Failed to save file.", u"Save Selections", MsgIcon::Error, MsgButtons::Ok);
}

} // namespace

bool SaveExamSelectionsWith(ModalUi& ui, void* owner)
{
    json exam;
    if (const char16_t* refusal = ExamRefusal(exam)) {
        ui.ShowMessage(owner, refusal, u"Save Selections", MsgIcon::Info, MsgButtons::Ok);
        return false;
    }
    const std::vector<ExamSaveType>& saveTypes = Services().examSaveTypes;
    std::vector<FileType> types{{u"Exam JSON (*.json)", u"*.json", u"json"}};
    for (const ExamSaveType& t : saveTypes) types.push_back(t.type);
    size_t type = 0;
    std::u16string path = ui.AskSavePathOfType(owner, u"exam.json", types, type, u"Save Exam As");
    if (path.empty()) return false;
    if (type > 0 && type <= saveTypes.size()) {
        // The suggested name kept while only the type was changed: no LMS file is JSON.
        const std::u16string json = u".json";
        if (path.size() > json.size() && path.compare(path.size() - json.size(), json.size(), json) == 0)
            path.replace(path.size() - json.size() + 1, json.size() - 1, saveTypes[type - 1].type.extension);
        std::string bytes;
        std::u16string message, whole;
        const bool written = saveTypes[type - 1].write(exam, bytes, message, whole);
        if (written && !WriteFileBytesSafely(path, bytes)) {
            ui.ShowMessage(owner, u"Failed to save file.", u"Save Selections", MsgIcon::Error, MsgButtons::Ok);
            return false;
        }
        ShowListedMessage(ui, owner, written ? message + u"\n\n" + path : message, whole != message, whole);
        return written;
    }
    if (!WriteFileBytesSafely(path, SerializeExam(exam))) {
        ui.ShowMessage(owner, u"Failed to save file.", u"Save Selections", MsgIcon::Error, MsgButtons::Ok);
        return false;
    }
    ui.ShowMessage(owner, u"Exam JSON saved successfully.\n\n" + path, u"Save Selections", MsgIcon::Info, MsgButtons::Ok);
    return true;
}
