#include <new>
#include <string_view>

#include "model/ModelDetail.h"

std::string MakeAutoIdBase(uint64_t position)
{
    std::string digits = std::to_string(position);
    if (digits.size() < 4) digits.insert(0, 4 - digits.size(), '0');
    return "AUTO_" + digits;
}

std::string MakeUniqueId(const std::string& base, const IdSet& used)
{
    if (!used.count(base)) return base;
    for (int k = 2; k <= 999999; ++k) {
        std::string candidate = base + "_" + std::to_string(k);
        if (!used.count(candidate)) return candidate;
    }
    return base + "_X";
}

bool NormalizeTestbankDocument(json& document, NoteList& notes, std::u16string& error, std::vector<ImportIssue>* issues)
{
    if (document.is_array()) {
        json wrapped = json::object();
        wrapped["items"] = std::move(document);
        document = std::move(wrapped);
        notes.push_back(u"Wrapped top-level JSON array into { \"items\": [...] }.");
    }
    if (!document.is_object()) {
        error = u"Top-level JSON must be an object (or an array of items).";
        return false;
    }
    if (!HasArray(document, "items")) {
        std::string key;
        if (FindKeyCaseInsensitive(document, "items", key) && document[key].is_array()) {
            json items = std::move(document[key]);
            document.erase(key);
            document["items"] = std::move(items);
            notes.push_back(u"Renamed top-level key to \"items\".");
        } else if (FindKeyCaseInsensitive(document, "questions", key) && document[key].is_array()) {
            json items = std::move(document[key]);
            document.erase(key);
            document["items"] = std::move(items);
            notes.push_back(u"Renamed top-level \"questions\" array to \"items\".");
        }
    }
    if (!HasArray(document, "items")) {
        error = u"Invalid testbank JSON: missing \"items\" array.";
        // Quiz files of other tools hold their questions under their own key.
        std::vector<std::string> arrays;
        for (auto it = document.begin(); it != document.end(); ++it)
            if (it->is_array()) arrays.push_back(it.key());
        if (!arrays.empty()) {
            std::string names;
            const size_t shown = arrays.size() < 5 ? arrays.size() : 5;
            for (size_t i = 0; i < shown; ++i)
                names += std::string(i == 0 ? "" : i + 1 == shown && shown == arrays.size() ? " and " : ", ") + "\"" +
                         arrays[i] + "\"";
            if (shown < arrays.size()) names += " and " + std::to_string(arrays.size() - shown) + " more";
            error += u" The file has " + U(arrays.size() == 1 ? "an array" : "arrays") + u" under " + U(names) +
                     u"; File > Import reads other shapes.";
        }
        return false;
    }
    json& items = document["items"];
    IdSet used;
    used.reserve(items.size());
    for (const json& item : items) {
        if (!item.is_object()) continue;
        auto id = item.find("id");
        if (id != item.end() && id->is_string()) used.insert(id->get_ref<const std::string&>());
    }
    for (size_t i = 0; i < items.size(); ++i) {
        json& item = items[i];
        if (!item.is_object()) {
            error = u"Invalid item at index " + DecimalW(i) + u": each item must be an object.";
            return false;
        }
        std::string idText = ItemIdText(item);
        if (IsBlank(idText)) {
            idText = MakeUniqueId(MakeAutoIdBase(i + 1), used);
            used.insert(idText);
            item["id"] = idText;
            notes.push_back(u"Item #" + DecimalW(i + 1) + u" had no usable \"id\"; assigned " + U(idText) + u".");
        } else if (!item["id"].is_string()) {
            item["id"] = idText;
            notes.push_back(u"Item #" + DecimalW(i + 1) + u" \"id\" converted to string: " + U(idText) + u".");
        }
        NormalizeItem(item, idText, notes, issues);
    }
    return true;
}

bool CheckDuplicateIds(const json& document, std::u16string& duplicate)
{
    if (!HasArray(document, "items")) return false;
    const json& items = document["items"];
    std::unordered_set<std::string_view> seen; // views of the document's own ID strings
    seen.reserve(items.size());
    for (const json& item : items) {
        if (!item.is_object()) continue;
        auto id = item.find("id");
        if (id == item.end() || !id->is_string()) continue;
        if (!seen.insert(id->get_ref<const std::string&>()).second) {
            duplicate = U(id->get<std::string>());
            return true;
        }
    }
    return false;
}

std::string ItemOutcomeNote(const json& item, size_t position)
{
    if (!item.is_object()) return "";
    std::string label = ItemIdText(item);
    if (label.empty()) label = "#" + std::to_string(position + 1);
    std::string missing;
    auto objectives = item.find("objectives");
    if (objectives != item.end() && objectives->is_object()) {
        for (const char* key : kOutcomes) {
            auto v = objectives->find(key);
            if (v == objectives->end() || !v->is_string() || IsBlank(v->get_ref<const std::string&>()))
                missing += (missing.empty() ? "" : ", ") + std::string(key);
        }
    } else {
        missing = "MLO, CLO, PLO";
    }
    if (missing.empty()) return "";
    std::string note;
    note.reserve(label.size() + missing.size() + 40);
    note.append("Item [").append(label).append("] missing learning outcomes: ").append(missing);
    return note;
}

void AppendValidationWarnings(const json& document, NoteList& notes)
{
    if (!HasArray(document, "items")) return;
    const json& items = document["items"];
    for (size_t i = 0; i < items.size(); ++i) {
        std::string note = ItemOutcomeNote(items[i], i);
        if (!note.empty()) notes.push_back(U(note));
    }
}

bool ParseAndValidateJson(const std::u16string& text, json& document, std::u16string& error, NoteList& notes,
                          std::vector<ImportIssue>* issues, JsonErrorPlace* place)
{
    std::string utf8;
    try {
        utf8 = w2s(text);
    } catch (const std::bad_alloc&) {
        notes.clear();
        if (issues) issues->clear();
        error = u"Out of memory: the file is too large to open here.";
        return false;
    }
    return ParseAndValidateUtf8(std::move(utf8), document, error, notes, issues, place);
}

bool ParseAndValidateUtf8(std::string&& utf8, json& document, std::u16string& error, NoteList& notes,
                          std::vector<ImportIssue>* issues, JsonErrorPlace* place)
{
    try {
        json parsed = ParseJsonText(utf8);
        std::string().swap(utf8);
        return ValidateTestbankDocument(std::move(parsed), document, error, notes, issues);
    } catch (const std::bad_alloc&) {
        notes.clear();
        if (issues) issues->clear();
        error = u"Out of memory: the file is too large to open here.";
        return false;
    } catch (const std::exception& e) {
        notes.clear();
        if (issues) issues->clear();
        error = u"JSON parse error: " + DescribeJsonError(e, utf8, place);
        return false;
    }
}

bool ValidateTestbankDocument(json&& parsed, json& document, std::u16string& error, NoteList& notes,
                              std::vector<ImportIssue>* issues)
{
    notes.clear();
    if (issues) issues->clear();
    try {
        if (!NormalizeTestbankDocument(parsed, notes, error, issues)) return false;
        std::u16string duplicate;
        if (CheckDuplicateIds(parsed, duplicate)) {
            error = u"Duplicate ID found: " + duplicate;
            return false;
        }
        AppendValidationWarnings(parsed, notes);
        document = std::move(parsed);
        return true;
    } catch (const std::bad_alloc&) {
        error = u"Out of memory: the file is too large to open here.";
        return false;
    } catch (const std::exception& e) {
        error = u"JSON parse error: " + U(e.what());
        return false;
    }
}
