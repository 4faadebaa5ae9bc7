#include "formats/ImportFormats.h"

#include <cstdlib>

#include "model/JsonModel.h"
#include "util/XmlReader.h"

namespace {

std::string Mattext(const XmlNode* material)
{
    if (!material) return "";
    const XmlNode* mattext = material->Find("mattext");
    if (!mattext) return "";
    const std::string type = mattext->Attribute("texttype");
    return type == "text/html" ? HtmlToPlainText(mattext->Text()) : mattext->Text();
}

// The question's own material: the first one outside the responses.
const XmlNode* StemMaterial(const XmlNode& node)
{
    for (const XmlNode& child : node.children) {
        if (child.name == "material") return &child;
        if (child.name == "flow")
            if (const XmlNode* found = StemMaterial(child)) return found;
    }
    return nullptr;
}

// What the conditions that give marks test for, best marks first.
std::vector<const XmlNode*> RightConditions(const XmlNode& item)
{
    std::vector<const XmlNode*> conditions, right;
    item.FindAll("respcondition", conditions);
    double best = 0;
    for (const XmlNode* c : conditions) {
        const XmlNode* setvar = c->Child("setvar");
        if (!setvar) continue;
        const double value = std::strtod(setvar->Text().c_str(), nullptr);
        if (value <= 0 || setvar->Attribute("action") == "Subtract") continue;
        if (value > best) {
            best = value;
            right.insert(right.begin(), c);
        } else {
            right.push_back(c);
        }
    }
    return right;
}

std::string Kind(const std::string& questionType)
{
    std::string kind = questionType;
    const size_t suffix = kind.rfind("_question");
    if (suffix != std::string::npos && suffix + 9 == kind.size()) kind.erase(suffix);
    for (char& c : kind) c = c == '_' ? ' ' : c;
    if (kind == "multiple answers") return "multiple-answer";
    if (kind == "essay" || kind == "file upload") return "essay";
    return kind;
}

void ReadItem(const XmlNode& item, ImportResult& result)
{
    ImportedQuestion q;
    q.id = TrimText(item.Attribute("title"));
    if (q.id.empty()) q.id = TrimText(item.Attribute("ident"));
    std::string questionType;
    std::vector<const XmlNode*> fields;
    item.FindAll("qtimetadatafield", fields);
    for (const XmlNode* field : fields) {
        const std::string label = TrimText(field->ChildText("fieldlabel"));
        const std::string entry = TrimText(field->ChildText("fieldentry"));
        if (label == "question_type") questionType = entry;
        else if (label == "category") q.category = entry;
        else if (label == "MLO" || label == "CLO" || label == "PLO") q.objectives.emplace_back(label, entry);
    }
    const std::string label = result.Label(q.id);
    const XmlNode* presentation = item.Child("presentation");
    if (!presentation) {
        result.LeaveOut("without presentation", label);
        return;
    }
    q.stem = Mattext(StemMaterial(*presentation));
    const XmlNode* lid = presentation->Find("response_lid");
    const XmlNode* str = presentation->Find("response_str");
    const XmlNode* num = presentation->Find("response_num");
    if (questionType.empty()) {
        if (lid && !str && !num)
            questionType = lid->Attribute("rcardinality") == "Multiple" ? "multiple_answers_question"
                                                                       : "multiple_choice_question";
        else if ((str || num) && !lid)
            questionType = num ? "numerical_question" : "short_answer_question";
        else
            questionType = "unknown";
    }
    const std::vector<const XmlNode*> right = RightConditions(item);
    if (questionType == "multiple_choice_question" || questionType == "true_false_question") {
        if (!lid) {
            result.LeaveOut(Kind(questionType) + " without choices", label);
            return;
        }
        std::string key;
        if (!right.empty())
            if (const XmlNode* equal = right[0]->Find("varequal")) key = TrimText(equal->Text());
        std::vector<const XmlNode*> labels;
        lid->FindAll("response_label", labels);
        for (const XmlNode* choice : labels) {
            if (choice->Attribute("ident") == key) q.correct = q.choices.size();
            q.choices.push_back(Mattext(choice->Find("material") ? choice->Find("material") : choice));
        }
        q.answerGiven = key.empty() ? std::string("(none)") : key;
        if (questionType == "true_false_question") {
            q.kind = ImportedQuestion::TrueFalse;
            q.truth = q.correct >= q.choices.size() || ToLowerAscii(TrimText(q.choices[q.correct])) != "false";
            if (q.correct >= q.choices.size())
                result.notes.push_back(label + " marks no answer right; it is set to True.");
            q.choices.clear();
        }
    } else if (questionType == "short_answer_question" || questionType == "numerical_question") {
        q.kind = ImportedQuestion::Answer;
        std::vector<std::string> answers;
        for (const XmlNode* condition : right) {
            std::vector<const XmlNode*> equals;
            condition->FindAll("varequal", equals);
            for (const XmlNode* e : equals) answers.push_back(TrimText(e->Text()));
            if (equals.empty()) {
                // A range: [low, high].
                const XmlNode* low = condition->Find("vargte");
                const XmlNode* high = condition->Find("varlte");
                if (low && high) {
                    const std::string a = TrimText(low->Text()), b = TrimText(high->Text());
                    answers.push_back(a == b ? a : a + ".." + b);
                }
            }
        }
        if (answers.empty()) {
            result.notes.push_back(label + " names no correct answer; its answer is left empty.");
        } else {
            q.answer = answers[0];
            if (questionType == "numerical_question") q.answerValue = NumberAnswer(q.answer);
            if (q.answer.find("..") != std::string::npos)
                result.notes.push_back(label + " takes the range " + q.answer + "; it is kept as the answer's text.");
            // Our own exports test a number twice (equal, or within [n, n]).
            json others = json::array();
            for (size_t i = 1; i < answers.size(); ++i)
                if (answers[i] != q.answer) others.push_back(answers[i]);
            if (!others.empty()) {
                result.notes.push_back(label + " accepts " + std::to_string(others.size() + 1) +
                                       " answers; the first is the answer, the others are kept under \"other_answers\".");
                q.extra["other_answers"] = std::move(others);
            }
        }
    } else {
        result.LeaveOut(Kind(questionType), label);
        return;
    }
    result.Add(std::move(q));
}

} // namespace

bool ReadQti12Document(std::string_view bytes, ImportResult& result, std::string& error)
{
    XmlNode root;
    if (!ParseXml(bytes, root, error)) return false;
    if (root.name != "questestinterop") {
        error = "A QTI 1.2 file has <" + root.name + "> where <questestinterop> belongs.";
        return false;
    }
    std::vector<const XmlNode*> items;
    root.FindAll("item", items);
    for (const XmlNode* item : items) ReadItem(*item, result);
    return true;
}
