#include "model/JsonModel.h"

#include <memory>
#include <stdexcept>
#include <string_view>
#include <unordered_map>

#include "util/StringUtil.h"

json g_jsonDoc;
bool g_hasJson = false;
bool g_viewRaw = false;
std::u16string g_rawJsonText;
std::u16string g_currentPath;
NoteList g_validationWarnings;

void ResetDocumentState()
{
    g_jsonDoc = nullptr;
    g_hasJson = false;
    g_viewRaw = false;
    g_rawJsonText.clear();
    g_currentPath.clear();
    g_validationWarnings.clear();
}

namespace {

const char* const kOutcomes[3] = {"MLO", "CLO", "PLO"};
const char* const kOutcomesLower[3] = {"mlo", "clo", "plo"};

bool IsSpaceC(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

std::u16string U(const std::string& utf8) { return s2w(utf8); }

std::runtime_error TooDeep()
{
    return std::runtime_error("nesting depth exceeds the limit of " + std::to_string(kMaxJsonDepth) + " levels");
}

// The library reads a NUL byte as the end of the text and would silently drop whatever
// follows a complete value; no NUL is valid JSON text, so refuse it instead.
void RejectNulByte(const std::string& utf8)
{
    const size_t nul = utf8.find('\0');
    if (nul != std::string::npos)
        throw std::runtime_error("unexpected NUL byte at byte " + std::to_string(nul + 1) +
                                 "; the text after it would be lost");
}

// Builds the document like the library's own parser, but refuses nesting deeper than
// kMaxJsonDepth as soon as it is reached, before any value that deep exists.
class BoundedDomBuilder : public nlohmann::detail::json_sax_dom_parser<json> {
public:
    using Base = nlohmann::detail::json_sax_dom_parser<json>;
    explicit BoundedDomBuilder(json& root) : Base(root, true) {}
    bool start_object(std::size_t len) { return Enter() && Base::start_object(len); }
    bool start_array(std::size_t len) { return Enter() && Base::start_array(len); }
    bool end_object() { return --depth_, Base::end_object(); }
    bool end_array() { return --depth_, Base::end_array(); }

private:
    bool Enter()
    {
        if (++depth_ > kMaxJsonDepth) throw TooDeep();
        return true;
    }
    size_t depth_ = 0;
};

bool HasArray(const json& value, const char* key)
{
    if (!value.is_object()) return false;
    auto it = value.find(key);
    return it != value.end() && it->is_array();
}

} // namespace

json ParseJsonText(const std::string& utf8)
{
    json result;
    BoundedDomBuilder builder(result);
    json::sax_parse(utf8, &builder, json::input_format_t::json, true, true);
    RejectNulByte(utf8);
    return result;
}

std::string JsonText(const json& value) { return value.dump(-1, ' ', false, json::error_handler_t::strict); }

std::string DumpIndented(const json& value, int indent)
{
    return value.dump(indent, ' ', false, json::error_handler_t::strict);
}

// ---- Text helpers ----

std::string ToLowerAscii(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

bool IsBlank(const std::string& text)
{
    for (unsigned char c : text)
        if (!IsSpaceC(c)) return false;
    return true;
}

std::string NormalizeTextForComparison(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    bool pendingSpace = false;
    for (unsigned char c : text) {
        if (IsSpaceC(c)) {
            pendingSpace = !out.empty();
            continue;
        }
        if (pendingSpace) out += ' ';
        pendingSpace = false;
        out += static_cast<char>(c);
    }
    return ToLowerAscii(std::move(out));
}

bool FindKeyCaseInsensitive(const json& value, const std::string& lowerName, std::string& foundKey)
{
    if (!value.is_object()) return false;
    for (auto it = value.begin(); it != value.end(); ++it) {
        const std::string& key = it.key();
        if (key.size() != lowerName.size()) continue;
        bool same = true;
        for (size_t i = 0; same && i < key.size(); ++i) {
            const char c = key[i];
            same = (c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) == lowerName[i];
        }
        if (same) {
            foundKey = key;
            return true;
        }
    }
    return false;
}

// ---- Item normalization ----

void EnsureStringField(json& object, const std::string& key, const std::string& def)
{
    auto it = object.find(key);
    if (it == object.end() || it->is_null() || it->is_object() || it->is_array())
        object[key] = def;
    else if (it->is_boolean() || it->is_number())
        *it = JsonText(*it);
}

std::string NormalizeTypeString(const std::string& text)
{
    std::string t = ToLowerAscii(text);
    for (char& c : t)
        if (c == '-' || c == ' ') c = '_';
    if (t == "multiple_choice" || t == "multiplechoice" || t == "mc" || t == "mcq") return "multiple_choice";
    if (t == "true_false" || t == "truefalse" || t == "tf" || t == "t_f") return "true_false";
    if (t == "numerical" || t == "numeric" || t == "number") return "numerical";
    if (t == "algorithmic" || t == "algorithm" || t == "alg") return "algorithmic";
    auto has = [&t](const char* part) { return t.find(part) != std::string::npos; };
    if (has("multiple") && has("choice")) return "multiple_choice";
    if (has("true") && has("false")) return "true_false";
    if (has("numeric") || has("number")) return "numerical";
    if (has("algorithm")) return "algorithmic";
    return "";
}

std::string InferTypeFromItem(const json& item)
{
    if (!item.is_object()) return "";
    auto alg = item.find("algorithm");
    if (alg != item.end() && alg->is_object()) return "algorithmic";
    auto choices = item.find("choices");
    if (choices != item.end() && choices->is_object()) return "multiple_choice";
    if (item.contains("answer")) return "numerical";
    auto correct = item.find("correct");
    if (correct != item.end()) {
        if (correct->is_boolean()) return "true_false";
        if (correct->is_string()) {
            std::string c = ToLowerAscii(correct->get<std::string>());
            if (c == "true" || c == "false") return "true_false";
        }
    }
    return "multiple_choice";
}

void EnsureObjectivesObject(json& item)
{
    auto it = item.find("objectives");
    if (it == item.end() || !it->is_object()) item["objectives"] = json::object();
    json& objectives = item["objectives"];
    for (const char* key : kOutcomes) EnsureStringField(objectives, key, "");
}

void NormalizeOutcomeKeys(json& item)
{
    if (!item.is_object()) return;
    auto it = item.find("objectives");
    if (it == item.end() || !it->is_object()) item["objectives"] = json::object();
    json& objectives = item["objectives"];
    for (int k = 0; k < 3; ++k) {
        std::string variant;
        if (!objectives.contains(kOutcomes[k]) && FindKeyCaseInsensitive(objectives, kOutcomesLower[k], variant)) {
            json value = std::move(objectives[variant]);
            objectives.erase(variant);
            objectives[kOutcomes[k]] = std::move(value);
        }
    }
    EnsureObjectivesObject(item);
    for (int k = 0; k < 3; ++k) {
        if (IsBlank(objectives[kOutcomes[k]].get_ref<const std::string&>())) {
            std::string key;
            if (FindKeyCaseInsensitive(item, kOutcomesLower[k], key) && item[key].is_string()) {
                objectives[kOutcomes[k]] = item[key];
                item.erase(key);
            }
        }
        EnsureStringField(objectives, kOutcomes[k], "");
    }
}

bool TryFillMissingMloFromSingleObjective(json& item)
{
    if (!item.is_object()) return false;
    auto objIt = item.find("objectives");
    if (objIt == item.end() || !objIt->is_object()) return false;
    json& objectives = *objIt;
    auto mlo = objectives.find("MLO");
    if (mlo == objectives.end() || !mlo->is_string() || !IsBlank(mlo->get_ref<const std::string&>())) return false;

    std::string key;
    if (FindKeyCaseInsensitive(item, "objective", key)) {
        const json& value = item[key];
        if (value.is_string() && !IsBlank(value.get<std::string>())) {
            objectives["MLO"] = value;
            item.erase(key);
            return true;
        }
    }
    const json* first = nullptr;
    std::string firstForm;
    for (auto it = objectives.begin(); it != objectives.end(); ++it) {
        if (it.key() == "MLO" || !it->is_string() || IsBlank(it->get_ref<const std::string&>())) continue;
        const std::string form = NormalizeTextForComparison(it->get_ref<const std::string&>());
        if (!first) {
            first = &*it;
            firstForm = form;
        } else if (form != firstForm) {
            return false;
        }
    }
    if (!first) return false;
    objectives["MLO"] = *first;
    return true;
}

void NormalizeTypeSpecificFields(json& item, const std::string& type)
{
    if (!item.is_object()) return;
    if (type == "multiple_choice") {
        auto choices = item.find("choices");
        if (choices == item.end() || !choices->is_object()) item["choices"] = json::object();
        for (const char* letter : {"A", "B", "C", "D"}) EnsureStringField(item["choices"], letter, "");
        EnsureStringField(item, "correct", "A");
        std::string correct = item["correct"].get<std::string>();
        if (!correct.empty() && correct[0] >= 'a' && correct[0] <= 'z') correct[0] = static_cast<char>(correct[0] - 'a' + 'A');
        if (correct != "A" && correct != "B" && correct != "C" && correct != "D") correct = "A";
        item["correct"] = correct;
    } else if (type == "true_false") {
        auto it = item.find("correct");
        bool value = true;
        if (it != item.end() && it->is_boolean()) {
            value = it->get<bool>();
        } else if (it != item.end() && it->is_string()) {
            std::string c = ToLowerAscii(it->get<std::string>());
            value = !(c == "false" || c == "f" || c == "0" || c == "no");
        }
        item["correct"] = value ? "True" : "False";
    } else if (type == "numerical") {
        auto answer = item.find("answer");
        if (answer == item.end() || answer->is_null()) item["answer"] = "";
        auto correct = item.find("correct");
        if (correct == item.end() || correct->is_null()) item["correct"] = item["answer"];
    } else if (type == "algorithmic") {
        auto alg = item.find("algorithm");
        if (alg == item.end() || !alg->is_object()) item["algorithm"] = json::object();
    }
}

static bool ItemLacksMlo(const json& item)
{
    auto objectives = item.find("objectives");
    if (objectives == item.end() || !objectives->is_object()) return true;
    auto mlo = objectives->find("MLO");
    return mlo == objectives->end() || !mlo->is_string() || IsBlank(mlo->get_ref<const std::string&>());
}

void NormalizeItem(json& item, const std::string& id, NoteList& notes, std::vector<ImportIssue>* issues)
{
    std::string canonical;
    auto typeIt = item.find("type");
    if (typeIt != item.end() && typeIt->is_string()) canonical = NormalizeTypeString(typeIt->get<std::string>());
    const bool missingType = canonical.empty();
    if (missingType) {
        canonical = InferTypeFromItem(item);
        item["type"] = canonical; // absent, not a string, or an unrecognised spelling
    }
    EnsureStringField(item, "category", "");
    EnsureStringField(item, "question", "");
    NormalizeOutcomeKeys(item);
    if (TryFillMissingMloFromSingleObjective(item))
        notes.push_back(u"Item [" + U(id) + u"] missing MLO; copied from the only listed objective.");
    NormalizeTypeSpecificFields(item, canonical);
    const bool missingMlo = ItemLacksMlo(item);
    if (issues && (missingType || missingMlo)) issues->push_back(ImportIssue{id, missingType, missingMlo});
}

// ---- Loading, validation and IDs ----

std::string ItemIdText(const json& item)
{
    auto it = item.find("id");
    if (it == item.end() || it->is_null()) return "";
    if (it->is_string()) return it->get<std::string>();
    if (it->is_boolean() || it->is_number()) return JsonText(*it);
    return "";
}

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

void AppendValidationWarnings(const json& document, NoteList& notes)
{
    if (!HasArray(document, "items")) return;
    const json& items = document["items"];
    for (size_t i = 0; i < items.size(); ++i) {
        const json& item = items[i];
        if (!item.is_object()) continue;
        std::string label = ItemIdText(item);
        if (label.empty()) label = "#" + std::to_string(i + 1);
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
        if (!missing.empty()) {
            std::string note;
            note.reserve(label.size() + missing.size() + 40);
            note.append("Item [").append(label).append("] missing learning outcomes: ").append(missing);
            notes.push_back(U(note));
        }
    }
}

bool ParseAndValidateJson(const std::u16string& text, json& document, std::u16string& error, NoteList& notes,
                          std::vector<ImportIssue>* issues)
{
    notes.clear();
    if (issues) issues->clear();
    try {
        json parsed = ParseJsonText(w2s(text));
        if (!NormalizeTestbankDocument(parsed, notes, error, issues)) return false;
        std::u16string duplicate;
        if (CheckDuplicateIds(parsed, duplicate)) {
            error = u"Duplicate ID found: " + duplicate;
            return false;
        }
        AppendValidationWarnings(parsed, notes);
        document = std::move(parsed);
        return true;
    } catch (const std::exception& e) {
        error = u"JSON parse error: " + U(e.what());
        return false;
    }
}

// ---- Merging ----

std::string GetItemQuestionKey(const json& item)
{
    if (!item.is_object()) return "";
    auto q = item.find("question");
    if (q == item.end()) return "";
    if (q->is_string()) return NormalizeTextForComparison(q->get<std::string>());
    if (q->is_boolean() || q->is_number()) return NormalizeTextForComparison(JsonText(*q));
    return "";
}

std::string AlphaSuffixFromIndex(int32_t index)
{
    if (index < 0) return "a";
    std::string out;
    int64_t n = index;
    for (;;) {
        out += static_cast<char>('a' + n % 26);
        n /= 26;
        if (n == 0) break;
        --n;
    }
    return std::string(out.rbegin(), out.rend());
}

std::string MakeUniqueIdByLetterSuffix(const std::string& base, const IdSet& used)
{
    for (int32_t i = 0; i <= 999999; ++i) {
        std::string candidate = base + AlphaSuffixFromIndex(i);
        if (!used.count(candidate)) return candidate;
    }
    return MakeUniqueId(base, used);
}

bool MergeParsedJsonIntoCurrent(const json& incoming, std::u16string& error, std::vector<ImportIssue>* issues)
{
    if (!HasArray(incoming, "items")) {
        error = u"Merge failed: incoming file has no 'items' array.";
        return false;
    }
    if (!g_jsonDoc.is_object()) g_jsonDoc = json::object();
    if (!HasArray(g_jsonDoc, "items")) g_jsonDoc["items"] = json::array();
    json& items = g_jsonDoc["items"];

    // Where each ID lives; an item's question key is only made when an incoming ID clashes.
    const size_t expected = items.size() + incoming["items"].size();
    items.get_ref<json::array_t&>().reserve(expected);
    IdSet used;
    used.reserve(expected);
    std::unordered_map<std::string, size_t> positionOf;
    positionOf.reserve(expected);
    for (size_t i = 0; i < items.size(); ++i) {
        const json& item = items[i];
        if (!item.is_object()) continue;
        auto id = item.find("id");
        if (id == item.end() || !id->is_string()) continue;
        used.insert(id->get<std::string>());
        positionOf[id->get<std::string>()] = i;
    }
    std::unordered_map<std::string, size_t> recordOf;
    if (issues)
        for (size_t r = 0; r < issues->size(); ++r)
            if (!(*issues)[r].id.empty()) recordOf[(*issues)[r].id] = r;

    for (const json& item : incoming["items"]) {
        if (!item.is_object()) continue;
        auto idIt = item.find("id");
        if (idIt == item.end() || !idIt->is_string()) continue;
        const std::string& id = idIt->get_ref<const std::string&>();
        if (!used.count(id)) {
            items.push_back(item);
            used.insert(id);
            positionOf[id] = items.size() - 1;
            continue;
        }
        auto record = recordOf.find(id);
        if (GetItemQuestionKey(items[positionOf[id]]) == GetItemQuestionKey(item)) {
            if (record != recordOf.end()) {
                (*issues)[record->second] = ImportIssue{};
                recordOf.erase(record);
            }
            continue;
        }
        const std::string newId = MakeUniqueIdByLetterSuffix(id, used);
        json copy = item;
        copy["id"] = newId;
        items.push_back(std::move(copy));
        used.insert(newId);
        positionOf[newId] = items.size() - 1;
        if (record != recordOf.end()) {
            const size_t position = record->second;
            (*issues)[position].id = newId;
            recordOf.erase(record);
            recordOf[newId] = position;
        }
    }
    return true;
}

// ---- Views ----

std::u16string NormalizeNewlinesToCRLF(const std::u16string& text)
{
    std::u16string out;
    out.reserve(text.size() + text.size() / 16);
    const size_t n = text.size();
    for (size_t i = 0; i < n; ++i) {
        char16_t c = text[i];
        if (c == u'\r') {
            out += u"\r\n";
            if (i + 1 < n && text[i + 1] == u'\n') ++i;
        } else if (c == u'\n') {
            out += u"\r\n";
        } else {
            out += c;
        }
    }
    return out;
}

std::u16string DumpJsonForRawView(const json& document) { return s2wCrlf(DumpIndented(document, 2)); }

void AppendItemListing(std::string& out, const json& item)
{
    // Everything of the header is read before any of it is written.
    const std::string id = item.value("id", std::string());
    const std::string type = item.value("type", std::string());
    const std::string category = item.value("category", std::string());
    std::string outcomes[3];
    auto objectives = item.find("objectives");
    for (int k = 0; k < 3; ++k) {
        if (objectives != item.end() && objectives->is_object()) outcomes[k] = objectives->value(kOutcomes[k], std::string());
        if (outcomes[k].empty()) outcomes[k] = "<missing>";
    }
    out.append("[").append(id).append("]\r\nType: ").append(type).append("\r\nCategory: ").append(category);
    out.append("\r\nObjectives:\r\n");
    for (int k = 0; k < 3; ++k) out.append("  ").append(kOutcomes[k]).append(": ").append(outcomes[k]).append("\r\n");

    const std::string lower = ToLowerAscii(type);
    if (lower == "multiple_choice" || lower == "true_false" || lower == "numerical") {
        const std::string question = item.value("question", std::string());
        out.append("\r\nQuestion:\r\n  ").append(question).append("\r\n");
        auto choices = item.find("choices");
        if (lower == "multiple_choice" && choices != item.end()) {
            out.append("\r\nChoices:\r\n");
            // Iterator key() throws for a scalar or a non-empty array, as for a bad value.
            for (auto it = choices->cbegin(); it != choices->cend(); ++it) {
                const std::string& key = it.key();
                const std::string& text = it.value().get_ref<const std::string&>();
                out.append("  ").append(key).append(") ").append(text).append("\r\n");
            }
        }
        auto answer = item.find("answer");
        auto correct = item.find("correct");
        if (answer != item.end())
            out.append("\r\nCorrect/Answer: ").append(JsonText(*answer)).append("\r\n");
        else if (correct != item.end())
            out.append("\r\nCorrect/Answer: ")
                .append(correct->is_string() ? correct->get<std::string>() : JsonText(*correct))
                .append("\r\n");
    } else if (lower == "algorithmic") {
        out.append("\r\n(Algorithmic item)\r\n");
        auto alg = item.find("algorithm");
        if (alg != item.end() && alg->is_object()) {
            static const std::pair<const char*, const char*> textLines[] = {
                {"render_as", "Render as: "}, {"template", "\r\nTemplate:\r\n  "},
                {"correct_formula", "\r\nFormula: "}, {"format", "Format: "}};
            static const std::pair<const char*, const char*> jsonLines[] = {
                {"choice_count", "Choice count: "}, {"parameters", "\r\nParameters: "},
                {"constants", "Constants: "}, {"distractors", "Distractors: "}};
            for (const auto& [key, prefix] : textLines) {
                auto v = alg->find(key);
                if (v != alg->end() && v->is_string()) out.append(prefix).append(v->get_ref<const std::string&>()).append("\r\n");
            }
            for (const auto& [key, prefix] : jsonLines) {
                auto v = alg->find(key);
                if (v != alg->end()) out.append(prefix).append(JsonText(*v)).append("\r\n");
            }
        }
    } else {
        out.append("\r\n(Unknown item type)\r\n");
    }
    out.append("\r\n----------------------------------------\r\n\r\n");
}

std::string FormatNotesBlock(const NoteList& notes)
{
    std::string out;
    if (notes.empty()) return out;
    out.append("Validation notes (").append(std::to_string(notes.size())).append("):\r\n");
    const size_t shown = notes.size() < 30 ? notes.size() : 30;
    for (size_t i = 0; i < shown; ++i) out.append(" - ").append(w2s(notes[i])).append("\r\n");
    if (notes.size() > 30) out.append(" - ... (").append(std::to_string(notes.size() - 30)).append(" more)\r\n");
    return out.append("\r\n");
}

namespace {

using DomBuilder = nlohmann::detail::json_sax_dom_parser<json>;

// Renders the listing while the raw text is parsed, one item at a time, so the view never
// holds a second copy of the document. The result is what parsing the whole text and then
// rendering `items` gives: a syntax error anywhere wins over a rendering error, the last
// "items" key of the top-level object counts, and rendering stops at the first bad item.
class ListingBuilder : public nlohmann::json_sax<json> {
public:
    std::string listing;     // item blocks of the current "items" array
    std::string renderError; // message of the first item that could not be rendered
    std::string parseError;
    bool topIsObject = false;
    bool itemsIsArray = false;

    bool null() override { return item_ ? item_->null() : Scalar(nullptr); }
    bool boolean(bool v) override { return item_ ? item_->boolean(v) : Scalar(v); }
    bool number_integer(number_integer_t v) override { return item_ ? item_->number_integer(v) : Scalar(v); }
    bool number_unsigned(number_unsigned_t v) override { return item_ ? item_->number_unsigned(v) : Scalar(v); }
    bool number_float(number_float_t v, const string_t& s) override
    {
        return item_ ? item_->number_float(v, s) : Scalar(v);
    }
    bool string(string_t& v) override { return item_ ? item_->string(v) : Scalar(v); }
    bool binary(binary_t& v) override { return item_ ? item_->binary(v) : Scalar(json::binary(v)); }
    bool start_object(std::size_t len) override
    {
        if (depth_ >= kMaxJsonDepth) throw TooDeep();
        if (!item_ && depth_ == 0) topIsObject = true;
        StartContainer();
        ++depth_;
        return item_ ? item_->start_object(len) : true;
    }
    bool key(string_t& k) override
    {
        if (item_) return item_->key(k);
        if (depth_ == 1 && topIsObject) itemsKey_ = k == "items";
        return true;
    }
    bool end_object() override { return EndContainer(false); }
    bool start_array(std::size_t len) override
    {
        if (depth_ >= kMaxJsonDepth) throw TooDeep();
        if (!item_ && depth_ == 1 && topIsObject && itemsKey_) {
            inItems_ = true; // a new "items" array replaces what an earlier one rendered
            itemsIsArray = false;
            listing.clear();
            renderError.clear();
            ++depth_;
            return true;
        }
        StartContainer();
        ++depth_;
        return item_ ? item_->start_array(len) : true;
    }
    bool end_array() override
    {
        if (!item_ && inItems_ && depth_ == 2) {
            --depth_;
            inItems_ = false;
            itemsIsArray = true;
            return true;
        }
        return EndContainer(true);
    }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& e) override
    {
        parseError = e.what();
        return false;
    }

private:
    bool ElementOfItems() const { return inItems_ && depth_ == 2; }

    // A value that is not a container, outside any item: an element of items (which
    // cannot be rendered) or the value of "items" itself.
    template <class T>
    bool Scalar(T&& v)
    {
        if (ElementOfItems()) Render(json(std::forward<T>(v)));
        else if (depth_ == 1 && topIsObject && itemsKey_) itemsIsArray = false;
        return true;
    }
    void StartContainer()
    {
        if (item_) return;
        if (ElementOfItems() && renderError.empty()) {
            itemValue_ = json();
            item_ = std::make_unique<DomBuilder>(itemValue_, true);
            itemDepth_ = depth_;
        } else if (depth_ == 1 && topIsObject && itemsKey_) {
            itemsIsArray = false; // "items" holds an object
        }
    }
    bool EndContainer(bool array)
    {
        --depth_;
        if (!item_) return true;
        const bool ok = array ? item_->end_array() : item_->end_object();
        if (depth_ == itemDepth_) {
            item_.reset();
            Render(itemValue_);
            itemValue_ = json();
        }
        return ok;
    }
    void Render(const json& item)
    {
        if (!renderError.empty()) return;
        try {
            AppendItemListing(listing, item); // a failure leaves the block written so far
        } catch (const std::exception& e) {
            renderError = e.what();
        }
    }

    std::unique_ptr<DomBuilder> item_;
    json itemValue_;
    size_t depth_ = 0;
    size_t itemDepth_ = 0;
    bool itemsKey_ = false;
    bool inItems_ = false;
};

} // namespace

std::string FormatTestbankListing(const std::string& utf8)
{
    ListingBuilder builder;
    try {
        if (json::sax_parse(utf8, &builder, json::input_format_t::json, true, true)) RejectNulByte(utf8);
    } catch (const std::exception& e) {
        builder.parseError = e.what();
    }
    // The library quotes the bytes it stopped at, which need not be valid UTF-8.
    if (!builder.parseError.empty()) return "JSON parse error: " + w2s(s2w(builder.parseError)) + "\r\n";
    if (!builder.topIsObject || !builder.itemsIsArray) return "Invalid testbank JSON: missing \"items\" array.\r\n";
    std::string out = std::move(builder.listing);
    out.insert(0, FormatNotesBlock(g_validationWarnings));
    if (!builder.renderError.empty()) out.append("JSON parse error: ").append(builder.renderError).append("\r\n");
    return out;
}

std::u16string FormatTestbankJson(const std::u16string& rawText)
{
    // The UTF-8 copy of the raw text is gone before the listing is widened: on a large
    // bank this is the moment of peak memory.
    const std::string listing = FormatTestbankListing(w2s(rawText));
    return s2w(listing);
}
