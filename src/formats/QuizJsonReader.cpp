#include "formats/ImportFormats.h"

#include <map>

#include "model/JsonModel.h"
#include "util/XmlReader.h"

namespace {

// The item's key for a role: the first of the names present (letter case ignored).
const json* Lookup(const json& item, std::initializer_list<const char*> names, std::string& key)
{
    for (const char* name : names) {
        std::string found;
        if (FindKeyCaseInsensitive(item, name, found)) {
            key = found;
            return &item[found];
        }
    }
    return nullptr;
}

std::string Scalar(const json& value)
{
    if (value.is_string()) return value.get<std::string>();
    if (value.is_number() || value.is_boolean()) return JsonText(value);
    if (value.is_object()) {
        // {"text": "..."} wrappers.
        for (const char* k : {"text", "value", "content", "body"}) {
            auto it = value.find(k);
            if (it != value.end() && it->is_string()) return it->get<std::string>();
        }
    }
    return "";
}

struct Roles {
    std::map<std::string, std::map<std::string, size_t>> used; // role -> key -> count
    void Use(const char* role, const std::string& key) { ++used[role][key]; }
    std::string Describe() const
    {
        std::string out;
        for (const char* role : {"id", "question", "choices", "answer", "type", "category"}) {
            auto it = used.find(role);
            if (it == used.end()) continue;
            std::string keys;
            for (const auto& [key, count] : it->second) keys += (keys.empty() ? "\"" : " / \"") + key + "\"";
            out += (out.empty() ? "" : ", ") + std::string(role) + " from " + keys;
        }
        return out;
    }
};

// A question names itself so, or has text with answers or choices beside it ("title"
// alone is as likely a category's or a quiz's).
bool LooksLikeQuestion(const json& item)
{
    std::string key;
    if (!item.is_object()) return false;
    if (Lookup(item, {"question", "prompt", "stem", "question_text", "questiontext"}, key)) return true;
    return Lookup(item, {"text", "title"}, key) &&
           Lookup(item, {"answer", "answers", "correct", "correct_answer", "choices", "options", "key", "solution"}, key);
}

struct Found {
    std::string where, key; // where for notes, key for the kind it hints at
    const json* array = nullptr;
};

bool QuestionArray(const json& value)
{
    if (!value.is_array() || value.empty()) return false;
    for (const json& item : value)
        if (LooksLikeQuestion(item)) return true;
    return false;
}

// The arrays of questions: the document itself, or every array of questions under a
// top-level key (or one level further down); failing that, the largest array of objects.
std::vector<Found> FindQuestions(const json& doc)
{
    std::vector<Found> found;
    if (doc.is_array()) return {Found{"the top-level array", "", &doc}};
    if (!doc.is_object()) return found;
    for (auto it = doc.begin(); it != doc.end(); ++it)
        if (QuestionArray(*it)) found.push_back(Found{"\"" + it.key() + "\"", it.key(), &*it});
    if (!found.empty()) return found;
    for (auto it = doc.begin(); it != doc.end(); ++it) {
        if (!it->is_object()) continue;
        for (auto inner = it->begin(); inner != it->end(); ++inner)
            if (QuestionArray(*inner))
                found.push_back(Found{"\"" + it.key() + "\" / \"" + inner.key() + "\"", inner.key(), &*inner});
    }
    if (!found.empty()) return found;
    const json* best = nullptr;
    std::string where;
    for (auto it = doc.begin(); it != doc.end(); ++it)
        if (it->is_array() && !it->empty() && (*it)[0].is_object() && (!best || it->size() > best->size())) {
            best = &*it;
            where = it.key();
        }
    if (best) found.push_back(Found{"\"" + where + "\"", where, best});
    return found;
}

// The kind of question an array's name says its questions are ("identification",
// "trueOrFalse", "multipleChoice"), used when a question says no type itself.
std::string KindFromArrayName(const std::string& name)
{
    std::string lower;
    for (char c : ToLowerAscii(name))
        if (c != '_' && c != '-' && c != ' ') lower += c;
    if (lower.find("essay") != std::string::npos) return "essay";
    if (lower.find("match") != std::string::npos) return "matching";
    if (lower.find("identification") != std::string::npos || lower.find("short") != std::string::npos ||
        lower.find("fill") != std::string::npos || lower.find("blank") != std::string::npos ||
        lower.find("enumeration") != std::string::npos)
        return "short answer";
    if (lower.find("trueorfalse") != std::string::npos || lower.find("truefalse") != std::string::npos ||
        lower.find("boolean") != std::string::npos)
        return "true_false";
    if (lower.find("multiplechoice") != std::string::npos || lower.find("mcq") != std::string::npos)
        return "multiple_choice";
    return "";
}

void ReadItem(const json& source, size_t index, bool html, const std::string& arrayKind, Roles& roles,
              ImportResult& result)
{
    ImportedQuestion q;
    std::vector<std::string> lost;
    auto Decoded = [&](const std::string& text, bool decode) {
        return decode ? TextFromMaybeHtml(text, lost) : text;
    };
    json rest = source;
    std::string key;
    auto take = [&](const char* role, std::initializer_list<const char*> names) -> const json* {
        const json* value = Lookup(source, names, key);
        if (value) {
            roles.Use(role, key);
            rest.erase(key);
        }
        return value;
    };
    if (const json* id = take("id", {"id", "qid", "question_id", "questionid", "number"})) q.id = TrimText(Scalar(*id));
    const std::string label = result.Label(q.id);
    if (const json* stem = take("question", {"question", "text", "prompt", "stem", "question_text", "questiontext", "title"}))
        q.stem = Decoded(Scalar(*stem), html);
    if (const json* category = take("category", {"category", "topic", "subject", "section"}))
        q.category = Decoded(Scalar(*category), html);
    std::string typeText;
    if (const json* type = take("type", {"type", "questiontype", "question_type", "kind"})) typeText = Scalar(*type);
    if (TrimText(q.stem).empty()) {
        result.LeaveOut("no question text", label);
        return;
    }
    if (typeText.empty()) typeText = arrayKind;
    if (typeText == "essay" || typeText == "matching") {
        result.LeaveOut(typeText, label);
        return;
    }
    const std::string lowerType = ToLowerAscii(typeText);
    // Choices: an array of strings or of {letter, text} objects, an object keyed by letter,
    // or a right answer with the wrong ones.
    std::vector<std::string> choices;
    size_t flagged = static_cast<size_t>(-1);
    bool hasChoices = false;
    const json* incorrect = Lookup(source, {"incorrect_answers", "incorrectanswers", "wrong_answers", "distractors"}, key);
    const std::string incorrectKey = key;
    const json* rightAnswer = Lookup(source, {"correct_answer", "correctanswer", "right_answer", "answer", "correct",
                                              "key", "answer_key", "solution"},
                                     key);
    const std::string answerKey = key;
    if (incorrect && incorrect->is_array() && rightAnswer) {
        hasChoices = true;
        rest.erase(incorrectKey);
        rest.erase(answerKey);
        roles.Use("choices", answerKey + "\" + \"" + incorrectKey);
        roles.Use("answer", answerKey);
        for (const json& wrong : *incorrect) choices.push_back(Decoded(Scalar(wrong), html));
        // The right answer placed by the question's position, so the keys are not all A.
        const size_t at = index % (choices.size() + 1);
        choices.insert(choices.begin() + static_cast<long>(at), Decoded(Scalar(*rightAnswer), html));
        flagged = at;
        rightAnswer = nullptr;
    } else if (const json* list = take("choices", {"choices", "options", "answers", "alternatives", "answer_options",
                                                    "answeroptions"})) {
        hasChoices = true;
        if (list->is_array()) {
            for (const json& choice : *list) {
                if (choice.is_object()) {
                    std::string k;
                    const json* text = Lookup(choice, {"text", "value", "answer", "content", "option", "label"}, k);
                    const json* right = Lookup(choice, {"correct", "is_correct", "iscorrect", "right"}, k);
                    if (right && ((right->is_boolean() && right->get<bool>()) || Scalar(*right) == "true" ||
                                  Scalar(*right) == "1"))
                        flagged = choices.size();
                    choices.push_back(Decoded(text ? Scalar(*text) : "", html));
                } else {
                    choices.push_back(Decoded(Scalar(choice), html));
                }
            }
        } else if (list->is_object()) {
            // Keyed by letter (A, B, ...) in the letters' order.
            for (auto it = list->begin(); it != list->end(); ++it) choices.push_back(Decoded(Scalar(*it), html));
        }
    }
    bool anyChoice = false;
    for (const std::string& c : choices) anyChoice |= !TrimText(c).empty();
    if (hasChoices && !anyChoice && !incorrect) {
        // "options": ["", "", "", ""] on a question answered in words.
        hasChoices = false;
        choices.clear();
        flagged = static_cast<size_t>(-1);
    }
    if (rightAnswer) {
        rest.erase(answerKey);
        roles.Use("answer", answerKey);
    }
    if (lowerType.find("essay") != std::string::npos || lowerType.find("match") != std::string::npos ||
        lowerType.find("multiple_answer") != std::string::npos || lowerType.find("checkbox") != std::string::npos ||
        lowerType.find("multiple_response") != std::string::npos || (rightAnswer && rightAnswer->is_array())) {
        result.LeaveOut(rightAnswer && rightAnswer->is_array() && typeText.empty() ? std::string("multiple-answer")
                                                                                    : lowerType,
                        label);
        return;
    }
    const std::string canonical = typeText == "short answer" ? "numerical" : NormalizeTypeString(typeText);
    const bool boolean = lowerType == "boolean" || lowerType == "bool" || canonical == "true_false";
    if (canonical == "algorithmic") {
        result.LeaveOut("algorithmic", label);
        return;
    }
    bool truth = true;
    const std::string answerText = rightAnswer ? Decoded(Scalar(*rightAnswer), html) : "";
    if (boolean || (!hasChoices && rightAnswer && (rightAnswer->is_boolean() || (canonical.empty() &&
                                                                                 TruthFromText(answerText, truth) &&
                                                                                 !rightAnswer->is_number())))) {
        q.kind = ImportedQuestion::TrueFalse;
        const std::string given = flagged < choices.size() ? choices[flagged] : answerText;
        if (!TruthFromText(given, q.truth)) {
            q.truth = true;
            result.notes.push_back(label + ": the answer \"" + given + "\" is neither true nor false; set to True.");
        }
    } else if (hasChoices && canonical != "numerical") {
        q.kind = ImportedQuestion::Choice;
        q.choices = std::move(choices);
        q.correct = flagged;
        if (q.correct >= q.choices.size() && rightAnswer) {
            q.answerGiven = answerText;
            if (rightAnswer->is_number_integer()) {
                const long long n = rightAnswer->get<long long>();
                // A JSON index counts from 0.
                q.correct = n >= 0 && static_cast<size_t>(n) < q.choices.size() ? static_cast<size_t>(n)
                                                                                 : static_cast<size_t>(-1);
            } else {
                q.correct = ChoiceFromAnswer(answerText, q.choices, 1);
            }
        } else if (q.correct >= q.choices.size()) {
            q.answerGiven = "(none given)";
        }
    } else {
        q.kind = ImportedQuestion::Answer;
        if (rightAnswer && !rightAnswer->is_object() && !rightAnswer->is_array()) q.answerValue = *rightAnswer;
        if (q.answerValue.is_string()) q.answerValue = Decoded(q.answerValue.get<std::string>(), html);
        if (hasChoices && !choices.empty()) {
            json kept = json::array();
            for (const std::string& c : choices) kept.push_back(c);
            q.extra["choices"] = std::move(kept);
        }
    }
    // Everything else the question had stays with it.
    for (auto it = rest.begin(); it != rest.end(); ++it) q.extra[it.key()] = *it;
    for (const std::string& change : lost) result.notes.push_back(label + ": " + change);
    if (!html && rightAnswer && q.kind != ImportedQuestion::Answer) q.extra.erase("correct");
    result.Add(std::move(q));
}

} // namespace

bool ReadQuizJson(std::string_view bytes, ImportResult& result, std::string& error)
{
    json doc;
    try {
        doc = ParseJsonText(std::string(bytes));
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception& e) {
        error = std::string("JSON parse error: ") + e.what();
        return false;
    }
    result.source = "quiz JSON";
    const std::vector<Found> arrays = FindQuestions(doc);
    if (arrays.empty()) {
        error = "The JSON file holds no array of questions under any of its keys.";
        return false;
    }
    Roles roles;
    std::string read;
    for (const Found& found : arrays) {
        const json& questions = *found.array;
        // Our own shape keeps its text as written; other quiz files carry HTML entities.
        const bool html = found.where != "\"items\"" && found.where != "\"questions\"";
        const std::string kind = KindFromArrayName(found.key);
        for (size_t i = 0; i < questions.size(); ++i) {
            const json& item = questions[i];
            if (!item.is_object()) {
                result.LeaveOut("non-object", result.Label(""));
                continue;
            }
            ReadItem(item, i, html, kind, roles, result);
        }
        read += (read.empty() ? "" : ", ") + std::to_string(questions.size()) + " under " + found.where +
                (kind.empty() ? "" : " (taken as " + kind + ")");
    }
    result.notes.insert(result.notes.begin(), "Read the questions: " + read + "; " + roles.Describe() + ".");
    return true;
}
