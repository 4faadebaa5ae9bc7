#include "formats/ImportFormats.h"

#include <algorithm>
#include <cstdlib>

#include "model/JsonModel.h"
#include "util/XmlReader.h"

namespace {

// Blackboard writes an embedded file's address as "@X@EmbeddedFile.location@X@name.png";
// the placeholder shows the name.
std::string WithoutFileTokens(const std::string& text)
{
    // One pass: each search starts where the last ended (a text may hold thousands).
    std::string out;
    size_t from = 0;
    for (size_t at = text.find("@X@"); at != std::string::npos;) {
        const size_t end = text.find("@X@", at + 3);
        if (end == std::string::npos) break;
        const std::string_view token(text.data() + at + 3, end - at - 3);
        if (token.size() > 64 || token.find_first_of(" \"'<>") != std::string_view::npos) {
            at = end; // the closing mark may open the next token
            continue;
        }
        out.append(text, from, at - from);
        from = end + 3;
        at = text.find("@X@", from);
    }
    if (from == 0) return text;
    out.append(text, from, std::string::npos);
    return out;
}

bool FlagSet(const XmlNode* flags, const char* name)
{
    const XmlNode* flag = flags ? flags->Child(name) : nullptr;
    return flag && ToLowerAscii(TrimText(flag->Attribute("value"))) == "true";
}

// The question's text: HTML when its flags say so (or it looks like HTML), else as written.
std::string BodyText(const XmlNode* body, std::vector<std::string>& lost)
{
    if (!body) return "";
    const XmlNode* flags = body->Child("FLAGS");
    const std::string text = WithoutFileTokens(body->ChildText("TEXT"));
    if (FlagSet(flags, "ISHTML") && !FlagSet(flags, "ISNEWLINELITERAL")) return TrimText(ImportHtml(text, lost));
    return TrimText(TextFromMaybeHtml(text, lost));
}

// Answers and choices carry no flag of their own: HTML when they look like it.
std::string PartText(const XmlNode& part, std::vector<std::string>& lost)
{
    return TrimText(TextFromMaybeHtml(WithoutFileTokens(part.ChildText("TEXT")), lost));
}

struct Answer {
    std::string id, text;
};

// The answers in the order their positions give (the file may list them otherwise); in
// the file's order when any has no position.
std::vector<Answer> Answers(const XmlNode& question, std::vector<std::string>& lost)
{
    std::vector<std::pair<long, Answer>> read;
    bool positioned = true;
    for (const XmlNode* a : question.Children("ANSWER")) {
        const std::string position = TrimText(a->Attribute("position"));
        char* end = nullptr;
        const long p = std::strtol(position.c_str(), &end, 10);
        positioned = positioned && !position.empty() && *end == '\0';
        read.push_back({p, {TrimText(a->Attribute("id")), PartText(*a, lost)}});
    }
    if (positioned)
        std::stable_sort(read.begin(), read.end(), [](const auto& x, const auto& y) { return x.first < y.first; });
    std::vector<Answer> answers;
    for (auto& [position, answer] : read) answers.push_back(std::move(answer));
    return answers;
}

// The answer IDs the question marks right, each once, in the file's order.
std::vector<std::string> KeyIds(const XmlNode& question)
{
    std::vector<const XmlNode*> keys;
    question.FindAll("CORRECTANSWER", keys);
    std::vector<std::string> ids;
    for (const XmlNode* k : keys) {
        const std::string id = TrimText(k->Attribute("answer_id"));
        if (!id.empty() && std::find(ids.begin(), ids.end(), id) == ids.end()) ids.push_back(id);
    }
    return ids;
}

size_t AnswerIndex(const std::vector<Answer>& answers, const std::string& id)
{
    for (size_t i = 0; i < answers.size(); ++i)
        if (!id.empty() && answers[i].id == id) return i;
    return static_cast<size_t>(-1);
}

// The kinds a testbank does not hold, by the names the other readers give them.
std::string LeftOutKind(const std::string& element)
{
    std::string kind = ToLowerAscii(element.substr(9)); // after "QUESTION_"
    if (kind == "multipleanswer") return "multiple-answer";
    if (kind == "match") return "matching";
    if (kind == "order") return "ordering";
    if (kind == "fileupload") return "essay";
    if (kind == "fillinmultipleblanks" || kind == "fib_plus") return "fill in multiple blanks";
    return kind.empty() ? "untyped" : kind;
}

void ReadQuestion(const XmlNode& question, ImportResult& result)
{
    ImportedQuestion q;
    q.id = TrimText(question.Attribute("id"));
    const std::string label = result.Label(q.id);
    const std::string type = question.name;
    const bool choice = type == "QUESTION_MULTIPLECHOICE", truefalse = type == "QUESTION_TRUEFALSE";
    const bool blank = type == "QUESTION_FILLINBLANK", numeric = type == "QUESTION_NUMERIC";
    if (!choice && !truefalse && !blank && !numeric) {
        result.LeaveOut(LeftOutKind(type), label);
        return;
    }
    std::vector<std::string> lost;
    q.stem = BodyText(question.Child("BODY"), lost);
    const std::vector<Answer> answers = Answers(question, lost);
    const std::vector<std::string> keys = KeyIds(question);
    const XmlNode* gradable = question.Child("GRADABLE");
    const std::string right = gradable ? TrimText(TextFromMaybeHtml(gradable->ChildText("FEEDBACK_WHEN_CORRECT"), lost)) : "";
    const std::string wrong = gradable ? TrimText(TextFromMaybeHtml(gradable->ChildText("FEEDBACK_WHEN_INCORRECT"), lost)) : "";
    if (choice) {
        if (keys.size() > 1) {
            result.notes.push_back(label + " marks " + std::to_string(keys.size()) +
                                   " choices right: a multiple-answer question.");
            result.LeaveOut("multiple-answer", label);
            return;
        }
        q.kind = ImportedQuestion::Choice;
        for (const Answer& a : answers) q.choices.push_back(a.text);
        q.correct = AnswerIndex(answers, keys.empty() ? "" : keys[0]);
        q.answerGiven = keys.empty() ? std::string("(none)") : keys[0];
        if (q.correct < answers.size()) KeepFeedback(q, ChoiceKey(q.correct), right);
        KeepFeedback(q, "*", wrong);
    } else if (truefalse) {
        // The answer the key names says which side is right, whatever order they are in.
        q.kind = ImportedQuestion::TrueFalse;
        const size_t key = AnswerIndex(answers, keys.empty() ? "" : keys[0]);
        bool truth = true;
        if (key >= answers.size() || !TruthFromText(answers[key].text, truth)) {
            result.notes.push_back(label + ": its key " + Quoted(keys.empty() ? "(none)" : keys[0]) +
                                   " names no answer that says true or false; it is set to True.");
            truth = true;
        }
        q.truth = truth;
        KeepFeedback(q, truth ? "True" : "False", right);
        KeepFeedback(q, truth ? "False" : "True", wrong);
    } else {
        // Fill in the blank: every answer is accepted, none is keyed. A numeric question's
        // answer is taken only when it is a number (its other parts are not known here).
        if (numeric && (answers.empty() || NumberAnswer(answers[0].text).is_null())) {
            result.LeaveOut("numeric without a number as its answer", label);
            return;
        }
        q.kind = ImportedQuestion::Answer;
        json others = json::array();
        for (const Answer& a : answers) {
            if (a.text.empty()) continue;
            if (q.answer.empty()) q.answer = a.text;
            else if (a.text != q.answer) others.push_back(a.text);
        }
        if (q.answer.empty()) result.notes.push_back(label + " names no correct answer; its answer is left empty.");
        if (numeric) q.answerValue = NumberAnswer(q.answer);
        if (!others.empty()) {
            result.notes.push_back(label + " accepts " + std::to_string(others.size() + 1) +
                                   " answers; the first is the answer, the others are kept under \"other_answers\".");
            q.extra["other_answers"] = std::move(others);
        }
        KeepFeedback(q, q.answer, right);
        KeepFeedback(q, "*", wrong);
    }
    result.Add(std::move(q), label, lost);
}

} // namespace

bool IsBbPoolRoot(const std::string& root) { return root == "POOL" || root == "ASSESSMENT"; }

bool ReadBbPool(std::string_view bytes, ImportResult& result, std::string& error)
{
    // Question by question: a large pool never stands whole as a tree.
    XmlNode root;
    std::string converted, decoded, note;
    const size_t first = result.items.size();
    const std::string_view text = HtmlEntitiesAsXml(XmlAsUtf8(bytes, converted), decoded, note);
    if (!note.empty()) result.notes.push_back(note);
    const bool parsed = ParseXmlElements(text, "QUESTION_*", root, [&](const XmlNode& top, size_t, const XmlNode& question) {
        if (IsBbPoolRoot(top.name)) ReadQuestion(question, result);
    }, error);
    if (!parsed) return false;
    if (!IsBbPoolRoot(root.name)) {
        error = "The file is no Blackboard pool: its root element is <" + root.name + ">, not <POOL>.";
        return false;
    }
    // The pool's title is its questions' category (it stands whole once the questions are read).
    const XmlNode* title = root.Child("TITLE");
    const std::string category = title ? TrimText(title->Attribute("value")) : "";
    if (!category.empty())
        for (size_t i = first; i < result.items.size(); ++i) result.items[i]["category"] = category;
    return true;
}
