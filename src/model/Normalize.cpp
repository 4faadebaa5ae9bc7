#include "model/ModelDetail.h"

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

int ChoiceCount(const json& choices)
{
    if (!choices.is_object()) return kMinChoices;
    // The keys are sorted: walk back from "Z" to the first single letter past D.
    const json::object_t& keys = choices.get_ref<const json::object_t&>();
    for (auto it = keys.upper_bound("Z"); it != keys.begin();) {
        const std::string& key = (--it)->first;
        if (key < ChoiceLetter(kMinChoices)) break;
        if (key.size() == 1) return key[0] - 'A' + 1;
    }
    return kMinChoices;
}

int ChoiceIndex(const std::string& key, int count)
{
    if (key.size() != 1) return -1;
    const char c = key[0] >= 'a' && key[0] <= 'z' ? static_cast<char>(key[0] - 'a' + 'A') : key[0];
    const int index = c - 'A';
    return index >= 0 && index < count ? index : -1;
}

// Whether a true/false item's `correct` plainly says which: a boolean, 1, or a word of
// either side in any letter case.
static bool IsTrueFalseAnswer(const json& correct)
{
    if (correct.is_boolean()) return true;
    if (correct.is_number()) return correct == 1;
    if (!correct.is_string()) return false;
    const std::string c = ToLowerAscii(correct.get<std::string>());
    for (const char* word : {"true", "t", "1", "yes", "y", "false", "f", "0", "no"})
        if (c == word) return true;
    return false;
}

void NormalizeTypeSpecificFields(json& item, const std::string& type)
{
    if (!item.is_object()) return;
    if (type == "multiple_choice") {
        auto choices = item.find("choices");
        if (choices == item.end() || !choices->is_object()) item["choices"] = json::object();
        json& letters = item["choices"];
        const int count = ChoiceCount(letters);
        for (int k = 0; k < count; ++k) EnsureStringField(letters, ChoiceLetter(k), "");
        EnsureStringField(item, "correct", "A");
        const int index = ChoiceIndex(item["correct"].get<std::string>(), count);
        item["correct"] = ChoiceLetter(index < 0 ? 0 : index);
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
    if (canonical == "multiple_choice") {
        // A key that names no choice the item has becomes A, but never silently.
        auto correct = item.find("correct");
        if (correct != item.end() && !correct->is_null()) {
            auto choices = item.find("choices");
            const int count = choices != item.end() && choices->is_object() ? ChoiceCount(*choices) : kMinChoices;
            if (!correct->is_string() || ChoiceIndex(correct->get<std::string>(), count) < 0)
                notes.push_back(u"Item [" + U(id) + u"] had the answer " + U(JsonText(*correct)) +
                                u", which is not one of A-" + U(ChoiceLetter(count - 1)) + u"; correct set to A.");
        }
    }
    if (canonical == "true_false") {
        // An answer that says neither true nor false becomes True, but never silently: a
        // key of 0, "maybe" or "false " would otherwise turn into the opposite one unseen.
        auto correct = item.find("correct");
        if (correct != item.end() && !correct->is_null() && !IsTrueFalseAnswer(*correct))
            notes.push_back(u"Item [" + U(id) + u"] had the answer " + U(JsonText(*correct)) +
                            u", which is not True or False; correct set to True.");
    }
    NormalizeTypeSpecificFields(item, canonical);
    const bool missingMlo = ItemLacksMlo(item);
    if (issues && (missingType || missingMlo)) issues->push_back(ImportIssue{id, missingType, missingMlo});
}
