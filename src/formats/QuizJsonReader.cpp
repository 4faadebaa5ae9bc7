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

// ScalarText, and the text of {"text": "..."} wrappers.
std::string Scalar(const json& value)
{
    if (value.is_object())
        for (const char* k : {"text", "value", "content", "body"}) {
            auto it = value.find(k);
            if (it != value.end() && it->is_string()) return it->get<std::string>();
        }
    return ScalarText(value);
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
    std::string category;   // the title of the quiz or lesson the array belongs to
};

bool QuestionArray(const json& value)
{
    if (!value.is_array() || value.empty()) return false;
    for (const json& item : value)
        if (LooksLikeQuestion(item)) return true;
    return false;
}

// The arrays of questions inside an array of quizzes or lessons ([{"title": ..., "quiz":
// [questions]}]), each with its quiz's title as the category.
std::vector<Found> QuizGroups(const json& doc)
{
    std::vector<Found> found;
    for (size_t i = 0; i < doc.size(); ++i) {
        if (!doc[i].is_object()) continue;
        std::string key, title;
        if (const json* name = Lookup(doc[i], {"title", "name", "category", "topic", "lesson"}, key)) title = ScalarText(*name);
        for (auto inner = doc[i].begin(); inner != doc[i].end(); ++inner)
            if (QuestionArray(*inner))
                found.push_back(Found{"\"" + inner.key() + "\" of entry " + std::to_string(i + 1), inner.key(), &*inner,
                                      TrimText(title)});
    }
    return found;
}

// The arrays of questions: the document itself (or the quizzes it lists), or every array
// of questions under a top-level key (or one level further down); failing that, the
// largest array of objects.
std::vector<Found> FindQuestions(const json& doc)
{
    std::vector<Found> found;
    if (doc.is_array() && !QuestionArray(doc)) found = QuizGroups(doc);
    if (!found.empty()) return found;
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

// One item being read: what is left of it to keep, the markup its text lost, the keys it
// read for each role.
struct ItemReading {
    const json& source;
    bool html;
    Roles& roles;
    json rest;
    std::vector<std::string> lost;

    std::string Decoded(const std::string& text) { return html ? TextFromMaybeHtml(text, lost) : text; }
    const json* Take(const char* role, std::initializer_list<const char*> names)
    {
        std::string key;
        const json* value = Lookup(source, names, key);
        if (value) {
            roles.Use(role, key);
            rest.erase(key);
        }
        return value;
    }
};

struct ItemChoices {
    std::vector<std::string> texts;
    size_t flagged = static_cast<size_t>(-1); // the choice marked right
    bool given = false;
    const json* rightAnswer = nullptr; // the answer when no choice holds it
};

// Choices: an array of strings or of {letter, text} objects, an object keyed by letter,
// or a right answer with the wrong ones.
ItemChoices ReadChoices(ItemReading& item, size_t index)
{
    ItemChoices out;
    std::string key;
    const json* incorrect =
        Lookup(item.source, {"incorrect_answers", "incorrectanswers", "wrong_answers", "distractors"}, key);
    const std::string incorrectKey = key;
    out.rightAnswer = Lookup(item.source, {"correct_answer", "correctanswer", "right_answer", "answer", "correct",
                                           "key", "answer_key", "solution"},
                             key);
    const std::string answerKey = key;
    if (incorrect && incorrect->is_array() && out.rightAnswer) {
        out.given = true;
        item.rest.erase(incorrectKey);
        item.rest.erase(answerKey);
        item.roles.Use("choices", answerKey + "\" + \"" + incorrectKey);
        item.roles.Use("answer", answerKey);
        for (const json& wrong : *incorrect) out.texts.push_back(item.Decoded(Scalar(wrong)));
        // The right answer placed by the question's position, so the keys are not all A.
        const size_t at = index % (out.texts.size() + 1);
        out.texts.insert(out.texts.begin() + static_cast<long>(at), item.Decoded(Scalar(*out.rightAnswer)));
        out.flagged = at;
        out.rightAnswer = nullptr;
    } else if (const json* list = item.Take("choices", {"choices", "options", "answers", "alternatives",
                                                         "answer_options", "answeroptions"})) {
        out.given = true;
        if (list->is_array()) {
            for (const json& choice : *list) {
                if (choice.is_object()) {
                    std::string k;
                    const json* text = Lookup(choice, {"text", "value", "answer", "content", "option", "label",
                                                       "answertext", "answer_text", "optiontext", "option_text"}, k);
                    const json* right = Lookup(choice, {"correct", "is_correct", "iscorrect", "right"}, k);
                    if (right && ((right->is_boolean() && right->get<bool>()) || Scalar(*right) == "true" ||
                                  Scalar(*right) == "1"))
                        out.flagged = out.texts.size();
                    out.texts.push_back(item.Decoded(text ? Scalar(*text) : ""));
                } else {
                    out.texts.push_back(item.Decoded(Scalar(choice)));
                }
            }
        } else if (list->is_object()) {
            // Keyed by letter (A, B, ...) in the letters' order.
            for (auto it = list->begin(); it != list->end(); ++it) out.texts.push_back(item.Decoded(Scalar(*it)));
        }
    }
    bool anyChoice = false;
    for (const std::string& c : out.texts) anyChoice |= !TrimText(c).empty();
    if (out.given && !anyChoice && !incorrect) {
        // "options": ["", "", "", ""] on a question answered in words.
        out.given = false;
        out.texts.clear();
        out.flagged = static_cast<size_t>(-1);
    }
    if (out.rightAnswer) {
        item.rest.erase(answerKey);
        item.roles.Use("answer", answerKey);
    }
    return out;
}

// A choice question's key: the flagged choice, else the answer as an index (from 0) or as
// a choice's letter or text.
void SetChoiceKey(ImportedQuestion& q, ItemChoices& choices, const std::string& answerText)
{
    q.kind = ImportedQuestion::Choice;
    q.choices = std::move(choices.texts);
    q.correct = choices.flagged;
    const json* rightAnswer = choices.rightAnswer;
    if (q.correct >= q.choices.size() && rightAnswer) {
        q.answerGiven = answerText;
        if (rightAnswer->is_number_integer()) {
            const long long n = rightAnswer->get<long long>();
            q.correct = n >= 0 && static_cast<size_t>(n) < q.choices.size() ? static_cast<size_t>(n)
                                                                             : static_cast<size_t>(-1);
        } else {
            q.correct = ChoiceFromAnswer(answerText, q.choices, 1);
        }
    } else if (q.correct >= q.choices.size()) {
        q.answerGiven = "(none given)";
    }
}

// Two choices that are "true" and "false" (or "yes" and "no"): a true/false question.
bool TrueFalseChoices(const ItemChoices& choices)
{
    bool first = false, second = false;
    if (choices.texts.size() != 2) return false;
    for (const std::string& text : choices.texts)
        if (TrimText(text).empty() || TrimText(text).find_first_not_of("0123456789") == std::string::npos) return false;
    return TruthFromText(choices.texts[0], first) && TruthFromText(choices.texts[1], second) && first != second;
}

void ReadItem(const json& source, size_t index, bool html, const std::string& arrayKind, const std::string& group,
              Roles& roles, ImportResult& result)
{
    ImportedQuestion q;
    q.category = group;
    ItemReading item{source, html, roles, source, {}};
    if (const json* id = item.Take("id", {"id", "qid", "question_id", "questionid", "number"})) q.id = TrimText(Scalar(*id));
    const std::string label = result.Label(q.id);
    if (const json* stem = item.Take("question", {"question", "text", "prompt", "stem", "question_text", "questiontext", "title"}))
        q.stem = item.Decoded(Scalar(*stem));
    if (const json* category = item.Take("category", {"category", "topic", "subject", "section"}))
        q.category = item.Decoded(Scalar(*category));
    std::string typeText;
    if (const json* type = item.Take("type", {"type", "questiontype", "question_type", "kind"})) typeText = Scalar(*type);
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
    ItemChoices choices = ReadChoices(item, index);
    const json* rightAnswer = choices.rightAnswer;
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
    const std::string answerText = rightAnswer ? item.Decoded(Scalar(*rightAnswer)) : "";
    if (boolean || TrueFalseChoices(choices) || (!choices.given && rightAnswer && (rightAnswer->is_boolean() || (canonical.empty() &&
                                                                                    TruthFromText(answerText, truth) &&
                                                                                    !rightAnswer->is_number())))) {
        q.kind = ImportedQuestion::TrueFalse;
        const std::string given = choices.flagged < choices.texts.size() ? choices.texts[choices.flagged] : answerText;
        if (!TruthFromText(given, q.truth)) {
            q.truth = true;
            result.notes.push_back(label + ": the answer \"" + given + "\" is neither true nor false; set to True.");
        }
    } else if (choices.given && canonical != "numerical") {
        SetChoiceKey(q, choices, answerText);
    } else {
        q.kind = ImportedQuestion::Answer;
        if (rightAnswer && !rightAnswer->is_object() && !rightAnswer->is_array()) q.answerValue = *rightAnswer;
        if (q.answerValue.is_string()) q.answerValue = item.Decoded(q.answerValue.get<std::string>());
        if (choices.given && !choices.texts.empty()) {
            json kept = json::array();
            for (const std::string& c : choices.texts) kept.push_back(c);
            q.extra["choices"] = std::move(kept);
        }
    }
    // A question that shows an image keeps its place visible in the text.
    for (auto it = source.begin(); it != source.end(); ++it)
        if (IsImageField(it.key()) && it->is_string() && !TrimText(it->get<std::string>()).empty())
            q.stem += " " + ImagePlaceholder(TrimText(it->get<std::string>()), item.lost);
    // Everything else the question had stays with it.
    for (auto it = item.rest.begin(); it != item.rest.end(); ++it) q.extra[it.key()] = *it;
    for (const std::string& change : item.lost) result.notes.push_back(label + ": " + change);
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
            ReadItem(item, i, html, kind, found.category, roles, result);
        }
        read += (read.empty() ? "" : ", ") + std::to_string(questions.size()) + " under " + found.where +
                (kind.empty() ? "" : " (taken as " + kind + ")");
    }
    result.notes.insert(result.notes.begin(), "Read the questions: " + read + "; " + roles.Describe() + ".");
    return true;
}
