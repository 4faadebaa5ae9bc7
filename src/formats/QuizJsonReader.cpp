#include "formats/ImportFormats.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <set>

#include "model/JsonModel.h"
#include "util/StringUtil.h"
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
    std::set<std::string> byContent;                           // keys read by their values
    std::string indexBase;                                     // how an index key was counted
    bool truthByIndex = false, letteredChoices = false, zeroOneTruth = false;
    void Use(const char* role, const std::string& key) { ++used[role][key]; }
    std::string Describe() const
    {
        std::string out;
        for (const char* role : {"id", "question", "choices", "answer", "type", "category"}) {
            auto it = used.find(role);
            if (it == used.end()) continue;
            std::string keys;
            for (const auto& [key, count] : it->second)
                keys += (keys.empty() ? "\"" : " / \"") + key + "\"" + (byContent.count(key) ? " (by its values)" : "");
            out += (out.empty() ? "" : ", ") + std::string(role) + " from " + keys;
        }
        return out + indexBase + (truthByIndex ? "; a true/false key as an index into (True, False)" : "") +
               (letteredChoices ? "; the choices' own letters (\"A. \") taken off" : "") +
               (zeroOneTruth ? "; keys of 0 and 1 without choices as false and true" : "");
    }
};

// An array of at least two texts or numbers: choices, whatever their key is called.
bool ScalarList(const json& value)
{
    if (!value.is_array() || value.size() < 2) return false;
    for (const json& v : value)
        if (!v.is_string() && !v.is_number()) return false;
    return true;
}

int ChoiceIndexOfKey(const std::string& key);

// Choices kept by letter: {"A": "...", "B": "..."}, or {"A": {"text": "...", "right": true}}.
bool LetterKeyed(const json& value)
{
    size_t letters = 0;
    if (value.is_object())
        for (auto it = value.begin(); it != value.end(); ++it)
            letters += it.key().size() == 1 && ChoiceIndexOfKey(it.key()) >= 0 && (it->is_string() || it->is_object());
    return letters >= 2;
}

// Choices as objects: [{"noiDung": "...", "dung": true}, ...].
bool ObjectList(const json& value)
{
    if (!value.is_array() || value.size() < 2) return false;
    for (const json& v : value)
        if (!v.is_object()) return false;
    return true;
}

// A question in names we do not know: a text beside a list of choices.
bool ShapedLikeQuestion(const json& item)
{
    bool text = false, list = false;
    for (auto it = item.begin(); it != item.end(); ++it) {
        text = text || (it->is_string() && TrimText(it->get<std::string>()).size() >= 3);
        list = list || ScalarList(*it) || LetterKeyed(*it);
    }
    return text && list;
}

// A question names itself so, or has text with answers or choices beside it ("title"
// alone is as likely a category's or a quiz's).
bool LooksLikeQuestion(const json& item)
{
    std::string key;
    if (!item.is_object()) return false;
    if (Lookup(item, {"question", "prompt", "stem", "question_text", "questiontext"}, key)) return true;
    if (Lookup(item, {"q"}, key) && Lookup(item, {"a", "answer", "answers", "options", "choices"}, key)) return true;
    return Lookup(item, {"text", "title"}, key) &&
           Lookup(item, {"answer", "answers", "correct", "correct_answer", "choices", "options", "key", "solution"}, key);
}

struct Found {
    std::string where, key; // where for notes, key for the kind it hints at
    const json* array = nullptr;
    std::string category;   // the title of the quiz or lesson the array belongs to
    std::shared_ptr<json> owned; // the array made from questions kept by their IDs
    std::vector<std::string> path; // the object keys that lead to it, for the file's order
};

bool QuestionArray(const json& value)
{
    if (!value.is_array() || value.empty()) return false;
    for (const json& item : value)
        if (LooksLikeQuestion(item)) return true;
    return false;
}

// Questions kept in an object by their IDs ({"q1": {...}, "q2": {...}}) as an array in the
// file's order, each key the ID of a question that names none; false unless every value is
// a question.
bool KeyedQuestions(const nlohmann::ordered_json& value, json& out)
{
    if (!value.is_object() || value.empty()) return false;
    out = json::array();
    for (auto it = value.begin(); it != value.end(); ++it) {
        json question = json::parse(it->dump());
        if (!LooksLikeQuestion(question)) return false;
        std::string key;
        if (!Lookup(question, {"id", "qid", "question_id", "questionid", "number"}, key)) question["id"] = it.key();
        out.push_back(std::move(question));
    }
    return true;
}

// Questions kept by their IDs in the document, under a top-level key, or under a key one
// level down (then named for their category: {"quiz": {"maths": {"q1": ...}}}). Read again
// keeping the file's order of keys, which the document's objects do not keep.
std::vector<Found> FindKeyedQuestions(std::string_view bytes)
{
    std::vector<Found> found;
    const nlohmann::ordered_json doc = nlohmann::ordered_json::parse(bytes, nullptr, true, true);
    auto add = [&found](const nlohmann::ordered_json& value, const std::string& where, const std::string& category) {
        auto owned = std::make_shared<json>();
        if (!KeyedQuestions(value, *owned)) return false;
        found.push_back(Found{where, "", owned.get(), category, owned, {}});
        return true;
    };
    if (!doc.is_object() || add(doc, "the top-level object", "")) return found;
    for (auto it = doc.begin(); it != doc.end(); ++it) {
        if (!it->is_object() || add(*it, "\"" + it.key() + "\"", "")) continue;
        for (auto inner = it->begin(); inner != it->end(); ++inner)
            add(*inner, "\"" + it.key() + "\" / \"" + inner.key() + "\"", inner.key());
    }
    return found;
}

// An array whose entries are mostly shaped as questions, in names we do not know.
bool ShapedArray(const json& value)
{
    size_t n = 0;
    if (value.is_array())
        for (const json& item : value) n += item.is_object() && ShapedLikeQuestion(item);
    return n > 0 && n * 2 >= value.size();
}

// The arrays of questions inside an array of quizzes or lessons ([{"title": ..., "quiz":
// [questions]}]), each with its quiz's title as the category.
std::vector<Found> QuizGroups(const json& doc, const std::string& within = "")
{
    std::vector<Found> found;
    for (size_t i = 0; i < doc.size(); ++i) {
        if (!doc[i].is_object()) continue;
        std::string key, title;
        if (const json* name = Lookup(doc[i], {"title", "name", "category", "topic", "lesson"}, key)) title = ScalarText(*name);
        for (auto inner = doc[i].begin(); inner != doc[i].end(); ++inner)
            if (QuestionArray(*inner) || ShapedArray(*inner))
                found.push_back(Found{"\"" + inner.key() + "\" of entry " + std::to_string(i + 1) + within, inner.key(),
                                      &*inner, TrimText(title), nullptr, {}});
    }
    return found;
}

// The arrays of questions: the document itself (or the quizzes it lists), or every array
// of questions under a top-level key (or one level further down); failing that, the
// largest array of objects.
std::vector<Found> FindQuestions(const json& doc, std::string_view bytes)
{
    std::vector<Found> found;
    if (doc.is_array() && !QuestionArray(doc)) found = QuizGroups(doc);
    if (!found.empty()) return found;
    if (doc.is_array()) return {Found{"the top-level array", "", &doc, "", nullptr, {}}};
    if (!doc.is_object()) return found;
    for (auto it = doc.begin(); it != doc.end(); ++it)
        if (QuestionArray(*it)) found.push_back(Found{"\"" + it.key() + "\"", it.key(), &*it, "", nullptr, {it.key()}});
    if (!found.empty()) return found;
    // {"games": [{"questions": [...]}, ...]}: quizzes listed under a key.
    for (auto it = doc.begin(); it != doc.end(); ++it)
        if (it->is_array() && !ShapedArray(*it)) {
            std::vector<Found> groups = QuizGroups(*it, " of \"" + it.key() + "\"");
            found.insert(found.end(), groups.begin(), groups.end());
        }
    if (!found.empty()) return found;
    found = FindKeyedQuestions(bytes);
    if (!found.empty()) return found;
    // Names we do not know: arrays whose entries are shaped as questions.
    auto shaped = ShapedArray;
    // Deeper ({"sailing": {"level1": {"modules": {"m1": {"quiz": [...]}}}}}): each array of
    // questions named for the path to it, its category.
    std::vector<std::string> keys;
    std::function<void(const json&, const std::string&)> walk = [&](const json& node, const std::string& path) {
        for (auto it = node.begin(); it != node.end() && keys.size() < 8; ++it) {
            const std::string inner = path.empty() ? it.key() : path + kCategoryLevelSeparator + it.key();
            keys.push_back(it.key());
            if (QuestionArray(*it) || shaped(*it))
                found.push_back(Found{"\"" + inner + "\"", it.key(), &*it, path, nullptr, keys});
            else if (it->is_object())
                walk(*it, inner);
            keys.pop_back();
        }
    };
    // A level down (or, failing that, by shape here or a level down); the objects beside
    // them are walked too, so that a bank kept at mixed depths comes in whole.
    for (int byShape = 0; byShape < 2 && found.empty(); ++byShape) {
        auto fits = [&](const json& value) { return byShape ? shaped(value) : QuestionArray(value); };
        for (auto it = doc.begin(); it != doc.end(); ++it) {
            if (byShape && fits(*it)) found.push_back(Found{"\"" + it.key() + "\"", it.key(), &*it, "", nullptr, {it.key()}});
            if (!it->is_object()) continue;
            for (auto inner = it->begin(); inner != it->end(); ++inner)
                if (fits(*inner))
                    found.push_back(Found{"\"" + it.key() + "\" / \"" + inner.key() + "\"", inner.key(), &*inner, "",
                                          nullptr, {it.key(), inner.key()}});
        }
        if (found.empty()) continue;
        for (auto it = doc.begin(); it != doc.end(); ++it) {
            if (!it->is_object()) continue;
            for (auto inner = it->begin(); inner != it->end(); ++inner) {
                if (!inner->is_object()) continue;
                keys = {it.key(), inner.key()};
                walk(*inner, it.key() + kCategoryLevelSeparator + inner.key());
            }
        }
        return found;
    }
    keys.clear();
    walk(doc, "");
    if (!found.empty()) return found;
    const json* best = nullptr;
    std::string where;
    for (auto it = doc.begin(); it != doc.end(); ++it)
        if (it->is_array() && !it->empty() && (*it)[0].is_object() && (!best || it->size() > best->size())) {
            best = &*it;
            where = it.key();
        }
    if (best) found.push_back(Found{"\"" + where + "\"", where, best, "", nullptr, {}});
    return found;
}

// The arrays in the order the file writes them: the document keeps an object's keys sorted,
// so a bank kept under "module 2", "exam", ... would otherwise come in alphabetically. One
// more pass over the text, noting only where the wanted paths' keys come.
class KeyOrder : public nlohmann::json_sax<json> {
public:
    explicit KeyOrder(const std::map<std::string, size_t*>& wanted) : wanted_(wanted) {}
    bool null() override { return Value(); }
    bool boolean(bool) override { return Value(); }
    bool number_integer(number_integer_t) override { return Value(); }
    bool number_unsigned(number_unsigned_t) override { return Value(); }
    bool number_float(number_float_t, const string_t&) override { return Value(); }
    bool string(string_t&) override { return Value(); }
    bool binary(binary_t&) override { return Value(); }
    bool start_object(std::size_t) override
    {
        frames_.push_back({path_.size(), arrays_ == 0});
        return true;
    }
    bool key(string_t& key) override
    {
        const Frame& frame = frames_.back();
        path_.resize(frame.base);
        if (!frame.keyed) return true;
        if (frame.base) path_ += '\x1f';
        path_ += key;
        auto at = wanted_.find(path_);
        if (at != wanted_.end()) *at->second = seen_++;
        return true;
    }
    bool end_object() override
    {
        path_.resize(frames_.back().base);
        frames_.pop_back();
        return true;
    }
    bool start_array(std::size_t) override { return ++arrays_, true; }
    bool end_array() override { return --arrays_, true; }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override { return false; }

private:
    bool Value() { return true; }
    struct Frame {
        size_t base;
        bool keyed; // an object no array holds: its keys extend the path
    };
    const std::map<std::string, size_t*>& wanted_;
    std::vector<Frame> frames_;
    std::string path_;
    size_t arrays_ = 0, seen_ = 0;
};

void InFileOrder(std::vector<Found>& found, std::string_view bytes)
{
    if (found.size() < 2 || found[0].path.empty()) return;
    std::vector<size_t> order(found.size(), static_cast<size_t>(-1));
    std::map<std::string, size_t*> wanted;
    for (size_t i = 0; i < found.size(); ++i) {
        std::string path;
        for (size_t k = 0; k < found[i].path.size(); ++k) path += (k ? "\x1f" : "") + found[i].path[k];
        wanted[path] = &order[i];
    }
    KeyOrder sax(wanted);
    json::sax_parse(bytes, &sax, json::input_format_t::json, true, true);
    std::vector<size_t> index(found.size());
    for (size_t i = 0; i < index.size(); ++i) index[i] = i;
    std::stable_sort(index.begin(), index.end(), [&order](size_t a, size_t b) { return order[a] < order[b]; });
    std::vector<Found> sorted;
    for (size_t i : index) sorted.push_back(std::move(found[i]));
    found = std::move(sorted);
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

// The keys an array's questions keep their parts under, told by the values across the
// array, for files whose names we do not know: the choices are a list of texts in most
// questions, the question the longest text, the key the value that most often names one of
// its question's choices (an index, a letter or a choice's text). Used only for a part no
// known name gives. `indexBase` is how an index key counts, from its range over the file:
// a 0 counts from 0, a value equal to the number of choices from 1; -1 when neither shows.
// Choice objects in names we do not know: their text is the field most of them have that
// is shortest on average (an explanation beside it runs longer), their flag the boolean
// that is true in some. Counted over one list, or over all of a file's lists.
struct ChoiceFields {
    std::string text, flag;
};

class ChoiceFieldCount {
public:
    void Add(const json& list)
    {
        for (const json& choice : list) {
            if (!choice.is_object()) continue;
            ++choices_;
            for (auto it = choice.begin(); it != choice.end(); ++it) {
                if (it->is_string() && it->get_ref<const std::string&>().size() > 1) {
                    ++texts_[it.key()].first;
                    texts_[it.key()].second += it->get_ref<const std::string&>().size();
                }
                if (it->is_boolean()) trues_[it.key()] += it->get<bool>();
            }
        }
    }
    ChoiceFields Fields() const
    {
        ChoiceFields fields;
        size_t shortest = static_cast<size_t>(-1);
        for (const auto& [key, st] : texts_)
            if (st.first * 2 >= choices_ && st.second / st.first < shortest) shortest = st.second / st.first, fields.text = key;
        for (const auto& [key, count] : trues_)
            if (count >= 1) fields.flag = key;
        return fields;
    }

private:
    std::map<std::string, std::pair<size_t, size_t>> texts_; // key -> count, length
    std::map<std::string, size_t> trues_;
    size_t choices_ = 0;
};

struct ContentKeys {
    std::string question, choices, answer;
    ChoiceFields choiceFields; // of choice objects, over all the file's questions
    int indexBase = -1;
    bool zeroOneTruth = false; // questions without choices keyed 0 or 1 only: true/false
};

// The choice a value names as an index counted from `base`, or -1.
size_t IndexChoice(const json& value, size_t count, int base)
{
    long long n = -1;
    if (value.is_number_integer()) n = value.get<long long>();
    else if (value.is_string()) {
        const std::string t = TrimText(value.get<std::string>());
        if (!t.empty() && t.size() <= 3 && t.find_first_not_of("0123456789") == std::string::npos) n = std::stoll(t);
    }
    n -= base;
    return n >= 0 && static_cast<unsigned long long>(n) < count ? static_cast<size_t>(n) : static_cast<size_t>(-1);
}

const std::initializer_list<const char*> kIdNames = {"id", "qid", "question_id", "questionid", "number"};
const std::initializer_list<const char*> kStemNames = {"question", "text", "prompt", "stem", "question_text",
                                                       "questiontext", "title", "q"};
const std::initializer_list<const char*> kChoiceListNames = {
    "choices", "options", "answers", "alternatives", "answer_options", "answeroptions", "quiz_options",
    "quizoptions", "answer_choices", "answerchoices"};
const std::initializer_list<const char*> kAnswerNames = {
    "correct_answer", "correctanswer", "right_answer", "answer", "correct", "key", "answer_key", "solution",
    "correct_option", "correctoption", "correct_choice", "correctchoice", "answer_index", "answerindex",
    "correct_index", "correctindex", "correct_answer_index", "correctanswerindex", "correct_answer_option_id",
    "correctansweroptionid", "correct_option_id", "correctoptionid", "correct_answers", "correctanswers"};

ContentKeys InferKeys(const json& questions)
{
    struct Stat {
        size_t texts = 0, length = 0, lists = 0, names = 0, present = 0, asks = 0;
    };
    std::map<std::string, Stat> stats;
    size_t objects = 0;
    for (const json& q : questions) {
        if (!q.is_object()) continue;
        ++objects;
        for (auto it = q.begin(); it != q.end(); ++it) {
            Stat& st = stats[it.key()];
            ++st.present;
            if (it->is_string()) {
                const std::string& text = it->get_ref<const std::string&>();
                ++st.texts;
                st.length += text.size();
                st.asks += text.find('?') != std::string::npos || text.find("\xEF\xBC\x9F") != std::string::npos;
            }
            else if (ScalarList(*it) || LetterKeyed(*it) || ObjectList(*it)) ++st.lists;
        }
    }
    ContentKeys keys;
    std::string unused;
    size_t most = 0;
    for (const auto& [key, st] : stats)
        if (st.lists * 2 > objects && st.lists > most) most = st.lists, keys.choices = key;
    // The question: the text that asks (a '?' in a third of them) over one that explains,
    // then the longest.
    std::pair<bool, size_t> best{false, 0};
    for (const auto& [key, st] : stats) {
        const json probe = {{key, 0}};
        if (key == keys.choices || st.texts * 2 <= objects || Lookup(probe, kIdNames, unused)) continue;
        const std::pair<bool, size_t> rank{st.asks * 3 >= st.texts, st.length / st.texts};
        if (rank > best) best = rank, keys.question = key;
    }
    if (!keys.choices.empty()) {
        ChoiceFieldCount count;
        for (const json& q : questions)
            if (q.is_object() && q.contains(keys.choices) && ObjectList(q[keys.choices])) count.Add(q[keys.choices]);
        keys.choiceFields = count.Fields();
    }
    if (keys.choices.empty()) {
        // No choices (cards, short answers): the answer is the other text most questions have,
        // one that differs from question to question (not a topic), the shortest on average
        // when several do (an explanation runs longer).
        std::map<std::string, std::set<size_t>> distinct;
        for (const json& q : questions)
            if (q.is_object())
                for (auto it = q.begin(); it != q.end(); ++it)
                    if (it->is_string()) distinct[it.key()].insert(std::hash<std::string>()(it->get_ref<const std::string&>()));
        size_t shortest = 0;
        for (const auto& [key, st] : stats) {
            if (distinct[key].size() * 10 < st.texts * 9) continue;
            const json probe = {{key, 0}};
            if (key == keys.question || st.texts * 2 <= objects || Lookup(probe, kIdNames, unused) ||
                Lookup(probe, {"type", "questiontype", "question_type", "kind", "category", "topic", "subject", "section"},
                       unused))
                continue;
            if (keys.answer.empty() || st.length / st.texts < shortest) keys.answer = key, shortest = st.length / st.texts;
        }
        return keys;
    }
    // The key: counted against each question's own choices.
    for (const json& q : questions) {
        if (!q.is_object()) continue;
        auto list = q.find(keys.choices);
        if (list == q.end() || !list->is_structured()) continue;
        std::vector<std::string> choices;
        for (auto c = list->begin(); c != list->end(); ++c)
            if (list->is_array() || ChoiceIndexOfKey(c.key()) >= 0) choices.push_back(ScalarText(*c));
        for (auto it = q.begin(); it != q.end(); ++it) {
            const json probe = {{it.key(), 0}};
            if (it.key() == keys.choices || it.key() == keys.question || Lookup(probe, kIdNames, unused)) continue;
            // A list of keys names choices too (one: the key; several: a multiple answer).
            auto namesChoice = [&choices](const json& v) {
                return IndexChoice(v, choices.size() + 1, 0) < choices.size() + 1 ||
                       (v.is_string() && ChoiceFromAnswer(v.get<std::string>(), choices, 1) < choices.size());
            };
            bool names = it->is_array() ? !it->empty() : namesChoice(*it);
            for (const json& v : it->is_array() ? *it : json::array()) names = names && namesChoice(v);
            if (names) ++stats[it.key()].names;
        }
    }
    size_t named = 0;
    for (const auto& [key, st] : stats)
        if (st.names * 2 > st.present && st.names > named && key != keys.choices && key != keys.question)
            named = st.names, keys.answer = key;
    return keys;
}


// How an index key counts over the file, from its range: see ContentKeys.
// What the keys show of how they count, gathered over every array of the file.
struct IndexEvidence {
    bool zero = false, full = false, numbered = false;
    size_t noChoices = 0, zeroOne = 0;
};

void GatherIndexEvidence(const json& questions, const ContentKeys& keys, IndexEvidence& e)
{
    std::string key;
    for (const json& q : questions) {
        if (!q.is_object()) continue;
        const json* list = Lookup(q, kChoiceListNames, key);
        if (!list && !keys.choices.empty() && q.contains(keys.choices)) list = &q[keys.choices];
        const json* answer = Lookup(q, kAnswerNames, key);
        if (!answer && !keys.answer.empty() && q.contains(keys.answer)) answer = &q[keys.answer];
        // Choices in a list, an object, or each under its own key ("choice1", "option_b").
        size_t count = list && list->is_structured() ? list->size() : 0;
        if (!list)
            for (auto it = q.begin(); it != q.end(); ++it) {
                const bool choice = ChoiceIndexOfKey(it.key()) >= 0;
                count += choice;
                // "choice1", "option_1": choices numbered from 1.
                e.numbered = e.numbered || (choice && !it.key().empty() && it.key().back() == '1');
            }
        if (count < 2 && answer) {
            ++e.noChoices;
            e.zeroOne += answer->is_number_integer() && (*answer == 0 || *answer == 1);
        }
        if (count < 2 || !answer) continue;
        const size_t at = IndexChoice(*answer, count + 1, 0);
        e.zero = e.zero || at == 0;
        e.full = e.full || at == count;
    }
}

// How an index key counts (see ContentKeys); questions without choices keyed only 0 or 1
// are true/false, 1 for true.
void DecideIndexBase(const IndexEvidence& e, ContentKeys& keys)
{
    keys.zeroOneTruth = e.noChoices >= 2 && e.zeroOne == e.noChoices;
    keys.indexBase = e.zero != e.full ? (e.zero ? 0 : 1) : e.numbered ? 1 : -1;
}

// One item being read: what is left of it to keep, the markup its text lost, the keys it
// read for each role.
struct ItemReading {
    const json& source;
    bool html;
    Roles& roles;
    json rest;
    std::vector<std::string> lost;
    const ContentKeys& content;

    // The role's key by name, else the one its values showed (`inferred`).
    const json* TakeOr(const char* role, std::initializer_list<const char*> names, const std::string& inferred)
    {
        if (const json* value = Take(role, names)) return value;
        auto it = source.find(inferred);
        if (inferred.empty() || it == source.end()) return nullptr;
        roles.Use(role, inferred);
        roles.byContent.insert(inferred);
        rest.erase(inferred);
        return &*it;
    }

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
    std::vector<std::string> ids;             // each choice's own ID ("option_id"), when it has one
    size_t flagged = static_cast<size_t>(-1); // the choice marked right
    bool given = false;
    const json* rightAnswer = nullptr; // the answer when no choice holds it
};

// In a list of choice objects whose names we do not know, the text is the shortest text
// field (an explanation beside it runs longer; a letter is a label), the right one the
// true/false field that is true in one choice.

// The choice a key names: "a", "B", "option_c", "optionD", "choice1", "answer_2" (from 0);
// -1 for other keys.
int ChoiceIndexOfKey(const std::string& key)
{
    std::string k;
    for (char c : ToLowerAscii(key))
        if (c != '_' && c != '-' && c != ' ') k += c;
    if (k.size() == 1 && k[0] >= 'a' && k[0] <= 'z') return k[0] - 'a';
    for (const char* prefix : {"option", "choice", "opt", "alternative", "answer", "ans"}) {
        const std::string p = prefix;
        if (k.size() <= p.size() || k.compare(0, p.size(), p) != 0) continue;
        const std::string rest = k.substr(p.size());
        if (rest.size() == 1 && rest[0] >= 'a' && rest[0] <= 'z') return rest[0] - 'a';
        if (rest.size() <= 2 && rest.find_first_not_of("0123456789") == std::string::npos) {
            const int n = std::stoi(rest);
            return n >= 1 && n <= 26 ? n - 1 : -1;
        }
        return -1;
    }
    return -1;
}

// Choices each under its own key ("a": "3", "b": "4" or "option_a", "option_b"): at least
// two, from the first on without a gap; their keys leave the item.
bool ChoicesByKey(ItemReading& item, ItemChoices& out)
{
    std::map<int, std::pair<std::string, std::string>> byIndex; // index -> key, text
    for (auto it = item.source.begin(); it != item.source.end(); ++it) {
        const int index = ChoiceIndexOfKey(it.key());
        if (index >= 0 && (it->is_string() || it->is_number())) byIndex[index] = {it.key(), Scalar(*it)};
    }
    if (byIndex.size() < 2 || byIndex.begin()->first != 0 || byIndex.rbegin()->first + 1 != static_cast<int>(byIndex.size()))
        return false;
    for (const auto& [index, entry] : byIndex) {
        out.texts.push_back(item.Decoded(entry.second));
        item.rest.erase(entry.first);
        item.roles.Use("choices", entry.first);
    }
    out.given = true;
    return true;
}

// The item's list of choices, or null; "a" holds them only as an array ({"q": ..., "a": [...]}).
const json* ChoiceList(ItemReading& item)
{
    if (const json* list = item.TakeOr("choices", kChoiceListNames, item.content.choices)) return list;
    std::string key;
    const json* a = Lookup(item.source, {"a"}, key);
    return a && a->is_array() ? item.Take("choices", {"a"}) : nullptr;
}

// Choices: an array of strings or of {letter, text} objects, an object keyed by letter,
// each under its own key, or a right answer with the wrong ones.
ItemChoices ReadChoices(ItemReading& item, size_t index)
{
    ItemChoices out;
    std::string key;
    const json* incorrect =
        Lookup(item.source, {"incorrect_answers", "incorrectanswers", "wrong_answers", "distractors"}, key);
    // Other spellings of a list of wrong answers ("incorrectAnswerss", "wrongOptions").
    for (auto it = item.source.begin(); !incorrect && it != item.source.end(); ++it) {
        const std::string name = ToLowerAscii(it.key());
        if (it->is_array() && (name.find("incorrect") != std::string::npos || name.find("wrong") != std::string::npos ||
                               name.find("distract") != std::string::npos))
            incorrect = &*it, key = it.key();
    }
    std::string incorrectKey = key;
    // Wrong answers each under a numbered key ("w1", "w2", "w3") beside a right answer's text.
    json numbered = json::array();
    std::vector<std::string> numberedKeys;
    if (!incorrect) {
        std::map<std::string, std::map<int, const json*>> groups; // prefix -> number -> value
        for (auto it = item.source.begin(); it != item.source.end(); ++it) {
            const std::string& k = it.key();
            size_t digits = k.size();
            while (digits > 0 && std::isdigit(static_cast<unsigned char>(k[digits - 1]))) --digits;
            if (digits == 0 || digits == k.size() || k.size() - digits > 2 || !it->is_string()) continue;
            groups[k.substr(0, digits)][std::stoi(k.substr(digits))] = &*it;
        }
        for (const auto& [prefix, members] : groups) {
            if (members.size() < 2 || ChoiceIndexOfKey(prefix + "1") >= 0) continue; // option1...: choices, read below
            const int first = members.begin()->first;
            if ((first != 0 && first != 1) || members.rbegin()->first - first + 1 != static_cast<int>(members.size())) continue;
            for (const auto& [n, value] : members) numbered.push_back(*value), numberedKeys.push_back(prefix + std::to_string(n));
            incorrect = &numbered;
            incorrectKey = prefix + std::to_string(first) + "...";
            break;
        }
    }
    out.rightAnswer = Lookup(item.source, kAnswerNames, key);
    bool answerByContent = false;
    // {"q": "Capital of France?", "a": "Paris"}: the answer; an array under "a" holds the choices.
    if (!out.rightAnswer) {
        const json* a = Lookup(item.source, {"a"}, key);
        if (a && !a->is_array() && !a->is_object() && Lookup(item.source, {"q"}, key)) out.rightAnswer = a, key = "a";
    }
    if (!out.rightAnswer && !item.content.answer.empty() && item.source.contains(item.content.answer)) {
        key = item.content.answer;
        out.rightAnswer = &item.source[key];
        answerByContent = true;
    }
    const std::string answerKey = key;
    // A list of one key is that key (["d"], [2]).
    if (out.rightAnswer && out.rightAnswer->is_array() && out.rightAnswer->size() == 1 &&
        !(*out.rightAnswer)[0].is_structured())
        out.rightAnswer = &(*out.rightAnswer)[0];
    // Numbered texts are wrong answers only beside a right answer's text that is none of them.
    if (incorrect == &numbered && out.rightAnswer) {
        const std::string right = TrimText(Scalar(*out.rightAnswer));
        bool names = !out.rightAnswer->is_string() || right.size() <= 2;
        for (const json& v : numbered) names = names || TrimText(Scalar(v)) == right;
        if (names) incorrect = nullptr;
    }
    if (incorrect && incorrect->is_array() && out.rightAnswer) {
        out.given = true;
        item.rest.erase(incorrectKey);
        for (const std::string& k : numberedKeys) item.rest.erase(k);
        item.rest.erase(answerKey);
        item.roles.Use("choices", answerKey + "\" + \"" + incorrectKey);
        item.roles.Use("answer", answerKey);
        for (const json& wrong : *incorrect) out.texts.push_back(item.Decoded(Scalar(wrong)));
        // The right answer placed by the question's position, so the keys are not all A;
        // where every answer carries its own letter ("A. ...", "C) ..."), by its letter.
        const std::string right = item.Decoded(Scalar(*out.rightAnswer));
        size_t at = index % (out.texts.size() + 1);
        std::vector<std::string> all = out.texts;
        all.push_back(right);
        std::vector<std::string> byLetter(all.size());
        bool lettered = true;
        for (const std::string& text : all) {
            const std::string t = TrimText(text);
            const size_t letter = t.size() > 2 ? static_cast<size_t>(std::toupper(static_cast<unsigned char>(t[0])) - 'A') : all.size();
            lettered = lettered && letter < all.size() && (t[1] == '.' || t[1] == ')') && byLetter[letter].empty();
            if (lettered) byLetter[letter] = text;
        }
        if (lettered) {
            at = static_cast<size_t>(std::toupper(static_cast<unsigned char>(TrimText(right)[0])) - 'A');
            byLetter.erase(byLetter.begin() + static_cast<long>(at));
            out.texts = std::move(byLetter);
        }
        out.texts.insert(out.texts.begin() + static_cast<long>(at), right);
        out.flagged = at;
        out.rightAnswer = nullptr;
    } else if (ChoicesByKey(item, out)) {
    } else if (const json* list = ChoiceList(item)) {
        out.given = true;
        // Choice objects kept by letter: read as a list of them, in the letters' order.
        json byLetter = json::array();
        if (list->is_object()) {
            bool objects = true;
            for (auto it = list->begin(); it != list->end(); ++it)
                if (ChoiceIndexOfKey(it.key()) >= 0) objects = objects && it->is_object(), byLetter.push_back(*it);
            if (objects && !byLetter.empty()) list = &byLetter;
        }
        if (list->is_array()) {
            ChoiceFieldCount count;
            count.Add(*list);
            ChoiceFields fields = count.Fields();
            // The file's choice fields where this list has them: one list can mislead.
            const ChoiceFields& file = item.content.choiceFields;
            if (!file.text.empty() && fields.text != file.text && list->size() && (*list)[0].is_object() &&
                (*list)[0].contains(file.text))
                fields.text = file.text;
            for (const json& choice : *list) {
                if (choice.is_object()) {
                    std::string k;
                    const json* text = Lookup(choice, {"text", "value", "answer", "content", "option", "label",
                                                       "answertext", "answer_text", "optiontext", "option_text"}, k);
                    const json* right = Lookup(choice, {"correct", "is_correct", "iscorrect", "right", "correct_answer",
                                                        "correctanswer", "is_right", "isright", "is_answer", "isanswer"},
                                               k);
                    if (!text && choice.contains(fields.text)) text = &choice[fields.text];
                    if (!right && choice.contains(fields.flag)) right = &choice[fields.flag];
                    const json* id = Lookup(choice, {"option_id", "optionid", "choice_id", "choiceid", "answer_id",
                                                     "answerid", "id"}, k);
                    out.ids.resize(out.texts.size());
                    out.ids.push_back(id ? Scalar(*id) : "");
                    if (right && ((right->is_boolean() && right->get<bool>()) || Scalar(*right) == "true" ||
                                  Scalar(*right) == "1"))
                        out.flagged = out.texts.size();
                    out.texts.push_back(item.Decoded(text ? Scalar(*text) : ""));
                } else {
                    out.texts.push_back(item.Decoded(Scalar(choice)));
                }
            }
        } else if (list->is_object()) {
            // Keyed by letter (A, B, ...) in the letters' order; other keys beside the
            // letters ({"tip": 1}) are none of them.
            bool letters = false;
            for (auto it = list->begin(); it != list->end(); ++it) letters = letters || ChoiceIndexOfKey(it.key()) >= 0;
            for (auto it = list->begin(); it != list->end(); ++it)
                if (!letters || ChoiceIndexOfKey(it.key()) >= 0) out.texts.push_back(item.Decoded(Scalar(*it)));
        }
    }
    // Choices that carry their own letters ("A. yes", "b) no"), each its own in order.
    if (StripOwnLetters(out.texts)) item.roles.letteredChoices = true;
    bool anyChoice = false;
    for (const std::string& c : out.texts) anyChoice |= !TrimText(c).empty();
    if (out.given && !anyChoice && !incorrect) {
        // "options": ["", "", "", ""] on a question answered in words.
        out.given = false;
        out.texts.clear();
        out.flagged = static_cast<size_t>(-1);
    }
    // A choice marked right makes a "correct" that names no choice a message to keep
    // ({"correct": "Well done!"}), not the answer.
    if (out.rightAnswer && out.flagged < out.texts.size() && out.rightAnswer->is_string() &&
        ChoiceFromAnswer(Scalar(*out.rightAnswer), out.texts, 1) >= out.texts.size())
        out.rightAnswer = nullptr;
    if (out.rightAnswer) {
        item.rest.erase(answerKey);
        item.roles.Use("answer", answerKey);
        if (answerByContent) item.roles.byContent.insert(answerKey);
    }
    return out;
}

// The choice an answer names: a JSON number is an index, a text a choice's text, letter
// or index, the index counted as the file counts (from 0 when it does not show).
size_t AnswerChoice(const json& answer, const std::string& text, const std::vector<std::string>& choices, int base)
{
    if (answer.is_number_integer()) return IndexChoice(answer, choices.size(), base >= 0 ? base : 0);
    return ChoiceFromAnswer(text, choices, base >= 0 ? base : 1);
}

// A choice question's key: the flagged choice, else the answer as an index or as a
// choice's letter or text; a text that names none is the right choice itself.
void SetChoiceKey(ImportedQuestion& q, ItemChoices& choices, const std::string& answerText, int base,
                  const std::string& label, ImportResult& result)
{
    q.kind = ImportedQuestion::Choice;
    q.choices = std::move(choices.texts);
    q.correct = choices.flagged;
    const json* rightAnswer = choices.rightAnswer;
    // The answer names a choice by the choice's own ID ("correct_answer_option_id": 3).
    const std::string given = rightAnswer ? TrimText(Scalar(*rightAnswer)) : "";
    for (size_t i = 0; i < choices.ids.size() && q.correct >= q.choices.size() && !given.empty(); ++i)
        if (choices.ids[i] == given) q.correct = i;
    if (q.correct >= q.choices.size() && rightAnswer) {
        q.answerGiven = answerText;
        q.correct = AnswerChoice(*rightAnswer, answerText, q.choices, base);
        if (rightAnswer->is_string()) AddAnswerAsChoice(q, answerText, label, result.notes);
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
              const ContentKeys& content, Roles& roles, ImportResult& result)
{
    ImportedQuestion q;
    q.category = group;
    ItemReading item{source, html, roles, source, {}, content};
    if (const json* id = item.Take("id", kIdNames)) q.id = TrimText(Scalar(*id));
    const std::string label = result.Label(q.id);
    if (const json* stem = item.TakeOr("question", kStemNames, content.question))
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
    const bool zeroOne = !choices.given && rightAnswer && content.zeroOneTruth && canonical.empty() &&
                         rightAnswer->is_number_integer();
    roles.zeroOneTruth = roles.zeroOneTruth || zeroOne;
    if (boolean || zeroOne || TrueFalseChoices(choices) || (!choices.given && rightAnswer && (rightAnswer->is_boolean() || (canonical.empty() &&
                                                                                    TruthFromText(answerText, truth) &&
                                                                                    !rightAnswer->is_number())))) {
        q.kind = ImportedQuestion::TrueFalse;
        // Two choices with an index or a letter: the choice it picks says which side.
        size_t picked = choices.flagged;
        if (picked >= choices.texts.size() && rightAnswer && choices.given)
            picked = AnswerChoice(*rightAnswer, answerText, choices.texts, content.indexBase);
        std::string given = picked < choices.texts.size() ? choices.texts[picked] : answerText;
        // No choices and a 0 or 1 in a file whose choice keys count from 0: an index into
        // (True, False), as its choice questions count.
        if (!choices.given && rightAnswer && rightAnswer->is_number_integer() && content.indexBase == 0 &&
            (rightAnswer->get<long long>() == 0 || rightAnswer->get<long long>() == 1)) {
            given = rightAnswer->get<long long>() == 0 ? "true" : "false";
            roles.truthByIndex = true;
        }
        if (!TruthFromText(given, q.truth)) {
            q.truth = true;
            result.notes.push_back(label + ": the answer \"" + given + "\" is neither true nor false; set to True.");
        }
    } else if (choices.given && canonical != "numerical") {
        SetChoiceKey(q, choices, answerText, content.indexBase, label, result);
        // {"correct": "Right!", "incorrect": "No."} beside choices marked right: the feedback
        // for the right choice and for every other one.
        auto message = [&item](const char* key) {
            auto found = item.rest.find(key);
            if (found == item.rest.end() || !found->is_string()) return std::string();
            const std::string text = TrimText(item.Decoded(found->get<std::string>()));
            item.rest.erase(found);
            return text;
        };
        if (q.correct < q.choices.size() && !rightAnswer) {
            const std::string right = message("correct"), wrong = message("incorrect");
            for (size_t i = 0; i < q.choices.size(); ++i) KeepFeedback(q, ChoiceKey(i), i == q.correct ? right : wrong);
        }
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

// The questions of the arrays found, with the note that says what was read as what.
bool ReadArrays(const std::vector<Found>& arrays, ImportResult& result, std::string& error)
{
    result.source = "quiz JSON";
    if (arrays.empty()) {
        error = "The JSON file holds no array of questions under any of its keys.";
        return false;
    }
    Roles roles;
    std::string read;
    IndexEvidence evidence;
    std::vector<ContentKeys> contents;
    for (const Found& found : arrays) {
        contents.push_back(InferKeys(*found.array));
        GatherIndexEvidence(*found.array, contents.back(), evidence);
    }
    for (ContentKeys& content : contents) DecideIndexBase(evidence, content);
    for (size_t a = 0; a < arrays.size(); ++a) {
        const Found& found = arrays[a];
        const json& questions = *found.array;
        // Our own shape keeps its text as written; other quiz files carry HTML entities.
        const bool html = found.where != "\"items\"" && found.where != "\"questions\"";
        const std::string kind = KindFromArrayName(found.key);
        const ContentKeys& content = contents[a];
        if (content.indexBase >= 0 && roles.indexBase.empty())
            roles.indexBase = std::string("; an index key counted from ") + (content.indexBase ? "1" : "0") +
                              " (its values range from " + (content.indexBase ? "1 to the number of choices)" : "0)");
        for (size_t i = 0; i < questions.size(); ++i) {
            const json& item = questions[i];
            if (!item.is_object()) {
                result.LeaveOut("non-object", result.Label(""));
                continue;
            }
            ReadItem(item, i, html, kind, found.category, content, roles, result);
        }
        read += (read.empty() ? "" : ", ") + std::to_string(questions.size()) + " under " + found.where +
                (kind.empty() ? "" : " (taken as " + kind + ")");
    }
    result.notes.insert(result.notes.begin(), "Read the questions: " + read + "; " + roles.Describe() + ".");
    return true;
}

// Tabs and line breaks typed inside strings, as editors let them in: escaped, and how many.
size_t EscapeControlsInStrings(std::string& text)
{
    std::string out;
    size_t escaped = 0;
    bool inString = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString && c == '\\' && i + 1 < text.size()) {
            out += c;
            out += text[++i];
            continue;
        }
        if (c == '"') inString = !inString;
        if (inString && static_cast<unsigned char>(c) < 0x20) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\u%04x", static_cast<unsigned>(c));
            out += hex;
            ++escaped;
        } else {
            out += c;
        }
    }
    if (escaped) text = std::move(out);
    return escaped;
}

} // namespace

bool ReadQuizJson(std::string_view bytes, ImportResult& result, std::string& error)
{
    json doc;
    std::string mended;
    size_t escaped = 0;
    try {
        doc = ParseJsonText(std::string(bytes));
    } catch (const std::bad_alloc&) {
        throw;
    } catch (const std::exception& e) {
        mended = std::string(bytes);
        escaped = EscapeControlsInStrings(mended);
        bool read = false;
        try {
            if (escaped) doc = ParseJsonText(mended), read = true;
        } catch (const std::bad_alloc&) {
            throw;
        } catch (const std::exception&) {
        }
        if (!read) {
            error = std::string("JSON parse error: ") + e.what();
            return false;
        }
        result.notes.push_back("The file is not valid JSON: " + GroupedNumber(escaped) +
                               (escaped == 1 ? " tab or line break" : " tabs or line breaks") +
                               " typed inside its texts were read as part of them.");
    }
    const std::string_view text = escaped ? std::string_view(mended) : bytes;
    std::vector<Found> found = FindQuestions(doc, text);
    InFileOrder(found, text);
    return ReadArrays(found, result, error);
}
