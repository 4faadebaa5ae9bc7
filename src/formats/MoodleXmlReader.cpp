#include "formats/ImportFormats.h"

#include <algorithm>
#include <cstdlib>

#include "model/JsonModel.h"
#include "util/XmlReader.h"

namespace {

// A text element's content by its format: HTML made readable, the others as written.
std::string FormattedText(const XmlNode* node, std::vector<std::string>& lost)
{
    if (!node) return "";
    const std::string text = node->ChildText("text");
    const std::string format = node->Attribute("format");
    if (format == "html" || format == "moodle_auto_format" || format.empty()) return ImportHtml(text, lost);
    return text;
}

double Fraction(const XmlNode& answer) { return std::strtod(answer.Attribute("fraction").c_str(), nullptr); }

// The answer with the highest positive fraction, or null.
const XmlNode* BestAnswer(const std::vector<const XmlNode*>& answers)
{
    const XmlNode* best = nullptr;
    for (const XmlNode* a : answers)
        if (Fraction(*a) > 0 && (!best || Fraction(*a) > Fraction(*best))) best = a;
    return best;
}


// A multiple-choice question's choices, key and feedback; false when it is left out.
bool ReadMultichoice(const XmlNode& question, ImportedQuestion& q, const std::string& label,
                     std::vector<std::string>& lost, ImportResult& result)
{
    const std::vector<const XmlNode*> answers = question.Children("answer");
    const std::string single = TrimText(question.ChildText("single"));
    if (single == "false" || single == "0") {
        result.LeaveOut("multiple-answer", label);
        return false;
    }
    size_t partial = 0;
    for (const XmlNode* a : answers) partial += Fraction(*a) > 0 && Fraction(*a) < 100;
    if (partial)
        result.notes.push_back(label + " gives part marks to " + std::to_string(partial) +
                               (partial == 1 ? " choice" : " choices") + "; only the best is kept as correct.");
    q.kind = ImportedQuestion::Choice;
    const XmlNode* best = BestAnswer(answers);
    size_t full = 0;
    for (const XmlNode* a : answers) full += best && Fraction(*a) == Fraction(*best);
    if (full > 1) {
        result.notes.push_back(label + " gives full marks to " + std::to_string(full) +
                               " choices: a multiple-answer question.");
        result.LeaveOut("multiple-answer", label);
        return false;
    }
    for (const XmlNode* a : answers) {
        if (a == best) q.correct = q.choices.size();
        const std::string format = a->Attribute("format");
        const std::string text = a->ChildText("text");
        KeepFeedback(q, ChoiceKey(q.choices.size()), TrimText(FormattedText(a->Child("feedback"), lost)));
        q.choices.push_back(format == "html" ? ImportHtml(text, lost) : text);
    }
    q.answerGiven = "(no answer with a positive grade)";
    return true;
}

// A numerical or short-answer question: the best answer, the other full-mark answers and
// the part-mark ones kept beside it, each answer's feedback by its text ("*" any other).
void ReadTextAnswer(const XmlNode& question, const std::string& type, ImportedQuestion& q, const std::string& label,
                    std::vector<std::string>& lost, ImportResult& result)
{
    const std::vector<const XmlNode*> answers = question.Children("answer");
    auto tolerance = [&type](const XmlNode& a) {
        const std::string value = TrimText(a.ChildText("tolerance"));
        return type == "numerical" && !value.empty() && std::strtod(value.c_str(), nullptr) != 0 ? value : "";
    };
    // Short answers that give marks to a wildcard pattern keep every answer as a pattern.
    bool wildcard = false;
    for (const XmlNode* a : answers)
        wildcard |= type == "shortanswer" && Fraction(*a) > 0 && HasWildcard(TrimText(a->ChildText("text")));
    auto text = [&](const XmlNode& a) {
        const std::string raw = TrimText(a.ChildText("text"));
        return type == "shortanswer" && !wildcard && raw != "*" ? PatternLiteral(raw) : raw;
    };
    if (wildcard) {
        q.extra[kAnswerWildcardKey] = true;
        result.notes.push_back(label + ": its answer is a pattern in which '*' stands for any characters; kept with \"" +
                               kAnswerWildcardKey + "\": true.");
    }
    if (type == "shortanswer" && TrimText(question.ChildText("usecase")) == "1") q.extra["case_sensitive"] = true;
    q.kind = ImportedQuestion::Answer;
    const XmlNode* best = BestAnswer(answers);
    if (!best) {
        result.notes.push_back(label + " has no answer with a positive grade; its answer is left empty.");
    } else {
        q.answer = text(*best);
        if (!tolerance(*best).empty()) q.extra["tolerance"] = tolerance(*best);
    }
    json others = json::array(), tolerances = json::object(), partial = json::object();
    for (const XmlNode* a : answers) {
        KeepFeedback(q, text(*a), TrimText(FormattedText(a->Child("feedback"), lost)));
        if (a == best || Fraction(*a) <= 0) continue;
        if (Fraction(*a) < 100) {
            partial[text(*a)] = TrimText(a->Attribute("fraction")) + "%";
            continue;
        }
        others.push_back(text(*a));
        if (!tolerance(*a).empty()) tolerances[text(*a)] = tolerance(*a);
    }
    if (!tolerances.empty()) q.extra["other_tolerances"] = std::move(tolerances);
    if (!partial.empty()) {
        result.notes.push_back(label + " gives part marks to " + std::to_string(partial.size()) +
                               " answer(s); they are kept under \"partial_answers\", not as the answer.");
        q.extra["partial_answers"] = std::move(partial);
    }
    if (!others.empty()) {
        result.notes.push_back(label + " accepts " + std::to_string(others.size() + 1) +
                               " answers; the best is the answer, the others are kept under \"other_answers\".");
        q.extra["other_answers"] = std::move(others);
    }
}

// The parts every type has: ID, name, text, general feedback, tags.
void ReadCommonParts(const XmlNode& question, ImportedQuestion& q, std::vector<std::string>& lost)
{
    q.id = TrimText(question.ChildText("idnumber"));
    const std::string name = TrimText(question.Child("name") ? question.Child("name")->ChildText("text") : "");
    if (q.id.empty() && name != "(no ID)") q.id = name;
    q.stem = FormattedText(question.Child("questiontext"), lost);
    const std::string general = TrimText(FormattedText(question.Child("generalfeedback"), lost));
    if (!general.empty()) q.extra["general_feedback"] = general;
    if (const XmlNode* tags = question.Child("tags")) {
        json kept = json::array();
        for (const XmlNode* tag : tags->Children("tag")) {
            const std::string text = TrimText(tag->ChildText("text"));
            std::pair<std::string, std::string> objective;
            if (ObjectiveFromTag(text, objective)) q.objectives.push_back(objective);
            else if (!text.empty()) kept.push_back(text);
        }
        if (!kept.empty()) q.extra["tags"] = std::move(kept);
    }
    if (!name.empty() && name != q.id) q.extra["name"] = name;
}

void ReadQuestion(const XmlNode& question, const std::string& category, ImportResult& result)
{
    const std::string type = question.Attribute("type");
    ImportedQuestion q;
    std::vector<std::string> lost;
    ReadCommonParts(question, q, lost);
    const std::string label = result.Label(q.id);
    q.category = category;
    if (type == "multichoice") {
        if (!ReadMultichoice(question, q, label, lost, result)) return;
    } else if (type == "truefalse") {
        q.kind = ImportedQuestion::TrueFalse;
        const XmlNode* best = BestAnswer(question.Children("answer"));
        q.truth = !best || ToLowerAscii(TrimText(best->ChildText("text"))) != "false";
        for (const XmlNode* a : question.Children("answer")) {
            const std::string said = ToLowerAscii(TrimText(a->ChildText("text")));
            if (said == "true" || said == "false")
                KeepFeedback(q, said == "true" ? "True" : "False", TrimText(FormattedText(a->Child("feedback"), lost)));
        }
    } else if (type == "numerical" || type == "shortanswer") {
        ReadTextAnswer(question, type, q, label, lost, result);
    } else {
        result.LeaveOut(type.empty() ? "untyped" : type, label);
        return;
    }
    result.Add(std::move(q), label, lost);
}

} // namespace

bool ReadMoodleXml(std::string_view bytes, ImportResult& result, std::string& error)
{
    // Question by question: a large file never stands whole as a tree.
    XmlNode root;
    std::string category, converted;
    const bool parsed = ParseXmlElements(XmlAsUtf8(bytes, converted), "question", root,
                                         [&](const XmlNode& quiz, size_t depth, const XmlNode& question) {
        if (quiz.name != "quiz" || depth != 1) return;
        if (question.Attribute("type") == "category") {
            if (const XmlNode* c = question.Child("category")) category = CategoryFromMoodlePath(TrimText(c->ChildText("text")));
            return;
        }
        ReadQuestion(question, category, result);
    }, error);
    if (!parsed) return false;
    if (root.name != "quiz") {
        error = "The file is no Moodle XML question file: its root element is <" + root.name + ">, not <quiz>.";
        return false;
    }
    result.source = "Moodle XML";
    return true;
}
