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

// A question's answers with their fractions, each read once.
struct Answers {
    std::vector<const XmlNode*> nodes;
    std::vector<double> fractions;

    explicit Answers(const XmlNode& question) : nodes(question.Children("answer"))
    {
        fractions.reserve(nodes.size());
        for (const XmlNode* a : nodes) fractions.push_back(Fraction(*a));
    }
    // The index of the answer with the highest positive fraction (the first of equals), or
    // nodes.size().
    size_t Best() const
    {
        size_t best = nodes.size();
        for (size_t i = 0; i < nodes.size(); ++i)
            if (fractions[i] > 0 && (best == nodes.size() || fractions[i] > fractions[best])) best = i;
        return best;
    }
};

// A multiple-choice question's choices, key and feedback; false when it is left out.
bool ReadMultichoice(const XmlNode& question, ImportedQuestion& q, const std::string& label,
                     std::vector<std::string>& lost, ImportResult& result)
{
    const Answers answers(question);
    const std::string single = TrimText(question.ChildText("single"));
    if (single == "false" || single == "0") {
        result.LeaveOut("multiple-answer", label);
        return false;
    }
    size_t partial = 0;
    for (double f : answers.fractions) partial += f > 0 && f < 100;
    if (partial)
        result.notes.push_back(label + " gives part marks to " + std::to_string(partial) +
                               (partial == 1 ? " choice" : " choices") + "; only the best is kept as correct.");
    q.kind = ImportedQuestion::Choice;
    const size_t best = answers.Best();
    size_t full = 0;
    if (best < answers.nodes.size())
        for (double f : answers.fractions) full += f == answers.fractions[best];
    if (full > 1) {
        result.notes.push_back(label + " gives full marks to " + std::to_string(full) +
                               " choices: a multiple-answer question.");
        result.LeaveOut("multiple-answer", label);
        return false;
    }
    for (size_t i = 0; i < answers.nodes.size(); ++i) {
        const XmlNode* a = answers.nodes[i];
        if (i == best) q.correct = q.choices.size();
        const std::string format = a->Attribute("format");
        std::string text = a->ChildText("text");
        KeepFeedback(q, ChoiceKey(q.choices.size()), TrimText(FormattedText(a->Child("feedback"), lost)));
        q.choices.push_back(format == "html" ? ImportHtml(text, lost) : std::move(text));
    }
    q.answerGiven = "(no answer with a positive grade)";
    return true;
}

// A numerical or short-answer question: the best answer, the other full-mark answers and
// the part-mark ones kept beside it, each answer's feedback by its text ("*" any other).
void ReadTextAnswer(const XmlNode& question, const std::string& type, ImportedQuestion& q, const std::string& label,
                    std::vector<std::string>& lost, ImportResult& result)
{
    const Answers answers(question);
    const size_t n = answers.nodes.size();
    const bool numerical = type == "numerical", shortanswer = type == "shortanswer";
    // Each answer's text (trimmed, as written) and tolerance, read once.
    std::vector<std::string> texts(n), tolerances(n);
    for (size_t i = 0; i < n; ++i) {
        texts[i] = TrimText(answers.nodes[i]->ChildText("text"));
        if (!numerical) continue;
        std::string value = TrimText(answers.nodes[i]->ChildText("tolerance"));
        if (!value.empty() && std::strtod(value.c_str(), nullptr) != 0) tolerances[i] = std::move(value);
    }
    // Short answers that give marks to a wildcard pattern keep every answer as a pattern.
    bool wildcard = false;
    for (size_t i = 0; i < n; ++i) wildcard |= shortanswer && answers.fractions[i] > 0 && HasWildcard(texts[i]);
    if (shortanswer && !wildcard)
        for (std::string& text : texts)
            if (text != "*") text = PatternLiteral(text);
    if (wildcard) {
        q.extra[kAnswerWildcardKey] = true;
        result.notes.push_back(label + ": its answer is a pattern in which '*' stands for any characters; kept with \"" +
                               kAnswerWildcardKey + "\": true.");
    }
    if (shortanswer && TrimText(question.ChildText("usecase")) == "1") q.extra["case_sensitive"] = true;
    q.kind = ImportedQuestion::Answer;
    const size_t best = answers.Best();
    if (best == n) {
        result.notes.push_back(label + " has no answer with a positive grade; its answer is left empty.");
    } else {
        q.answer = texts[best];
        if (!tolerances[best].empty()) q.extra["tolerance"] = tolerances[best];
    }
    json others = json::array(), otherTolerances = json::object(), partial = json::object();
    for (size_t i = 0; i < n; ++i) {
        const XmlNode* a = answers.nodes[i];
        KeepFeedback(q, texts[i], TrimText(FormattedText(a->Child("feedback"), lost)));
        if (i == best || answers.fractions[i] <= 0) continue;
        if (answers.fractions[i] < 100) {
            partial[texts[i]] = TrimText(a->Attribute("fraction")) + "%";
            continue;
        }
        others.push_back(texts[i]);
        if (!tolerances[i].empty()) otherTolerances[texts[i]] = tolerances[i];
    }
    if (!otherTolerances.empty()) q.extra["other_tolerances"] = std::move(otherTolerances);
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
        const Answers answers(question);
        const size_t best = answers.Best();
        q.truth = best == answers.nodes.size() || ToLowerAscii(TrimText(answers.nodes[best]->ChildText("text"))) != "false";
        for (const XmlNode* a : answers.nodes) {
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
    std::string category, converted, decoded, note;
    const std::string_view text = HtmlEntitiesAsXml(XmlAsUtf8(bytes, converted), decoded, note);
    if (!note.empty()) result.notes.push_back(note);
    const bool parsed = ParseXmlElements(text, "question", root,
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
