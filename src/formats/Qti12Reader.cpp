#include "formats/ImportFormats.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "model/JsonModel.h"
#include "util/XmlReader.h"

namespace {

// The text parts of a material, in order: below the node, not inside another part.
void MaterialParts(const XmlNode& node, std::vector<const XmlNode*>& parts)
{
    for (const XmlNode& child : node.children) {
        if (child.IsText()) continue;
        if (child.name == "mattext" || child.name == "matemtext" || child.name == "mat_formattedtext" ||
            child.name == "matimage")
            parts.push_back(&child);
        else
            MaterialParts(child, parts);
    }
}

// A material's text: its mattext, emphasised and formatted text in order, images as
// placeholders.
// `html`: the item says its texts are HTML whatever each one's type says (as one LMS's
// exports do, with TEXT_FORMAT).
std::string Mattext(const XmlNode* material, std::vector<std::string>& lost, bool html = false)
{
    if (!material) return "";
    std::string text;
    std::vector<const XmlNode*> parts;
    MaterialParts(*material, parts);
    for (const XmlNode* part : parts) {
        std::string piece;
        if (part->name == "matimage") {
            const std::string uri = TrimText(part->Attribute("uri"));
            piece = "[image: " + uri.substr(uri.find_last_of("/\\") + 1) + "]";
            lost.push_back("an image is shown as " + piece + ".");
        } else {
            const std::string type = ToLowerAscii(part->Attribute("texttype") + part->Attribute("type"));
            piece = html || type.find("html") != std::string::npos ? ImportHtml(part->Text(), lost) : part->Text();
        }
        piece = TrimText(piece);
        if (piece.empty()) continue;
        if (!text.empty()) text += ' ';
        text += piece;
    }
    return text;
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
    std::vector<const XmlNode*> conditions, right, byFeedback;
    item.FindAll("respcondition", conditions);
    double best = 0;
    for (const XmlNode* c : conditions) {
        // A condition that shows the "correct" feedback names the key when no marks are
        // given (a quiz of zero-point questions).
        for (const XmlNode* feedback : c->Children("displayfeedback"))
            if (ToLowerAscii(feedback->Attribute("linkrefid")) == "correct") byFeedback.push_back(c);
        const XmlNode* setvar = c->Child("setvar");
        if (!setvar) continue;
        // "SCORE.max": the variable's highest value, as Blackboard marks the key.
        const std::string amount = TrimText(setvar->Text());
        const bool max = amount.size() > 4 && ToLowerAscii(amount.substr(amount.size() - 4)) == ".max";
        const double value = max ? 1e300 : std::strtod(amount.c_str(), nullptr);
        if (value <= 0 && best == 0 && setvar->Attribute("action") == "Set") {
            // Respondus's zero-point questions: "Set" marks the key, "Add" the others.
            for (const XmlNode* feedback : c->Children("displayfeedback")) {
                const std::string ref = feedback->Attribute("linkrefid");
                if (ref.size() > 3 && ref.compare(ref.size() - 3, 3, "_AC") == 0) right.push_back(c);
            }
        }
        if (value <= 0 || setvar->Attribute("action") == "Subtract") continue;
        if (value > best) {
            best = value;
            right.insert(right.begin(), c);
        } else {
            right.push_back(c);
        }
    }
    return right.empty() ? byFeedback : right;
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

// The kinds other tools' metadata names ("Multiple Choice", "multipleChoice",
// "Fill in the Blank", "Matching", ...) as the question_type values read below.
std::string TypeFromToolName(const std::string& name)
{
    std::string key;
    for (char c : ToLowerAscii(name))
        if (std::isalnum(static_cast<unsigned char>(c))) key += c;
    if (key.empty()) return "";
    static const std::pair<const char*, const char*> kNames[] = {
        {"multiplechoice", "multiple_choice_question"}, {"logicalidentifier", "multiple_choice_question"},
        {"truefalse", "true_false_question"},          {"eitheror", "true_false_question"},
        {"multipleanswer", "multiple_answers_question"}, {"multipleresponse", "multiple_answers_question"},
        {"multipleselect", "multiple_answers_question"}, {"multipleanswers", "multiple_answers_question"},
        {"matching", "matching_question"},             {"match", "matching_question"},
        {"essay", "essay_question"},                   {"shortresponse", "essay_question"},
        {"fileupload", "essay_question"},              {"fillintheblank", "short_answer_question"},
        {"fillinblank", "short_answer_question"},      {"shortanswer", "short_answer_question"},
        {"fillintheblanks", "short_answer_question"},
        {"fillinmultipleblanks", "fill_in_multiple_blanks_question"},
        {"numeric", "numerical_question"},             {"numerical", "numerical_question"},
        {"calculated", "calculated_question"},         {"ordering", "ordering"},
        {"hotspot", "hot spot"},                       {"likert", "survey"},
        {"opinionscale", "survey"},                    {"jumbledsentence", "jumbled sentence"},
        {"quizbowl", "quiz bowl"},                     {"algorithm", "algorithmic"}};
    for (const auto& [tool, type] : kNames)
        if (key == tool) return type;
    return "";
}

// The item's metadata fields: category and outcomes into `q`; the question type a tool
// wrote (empty when none did).
std::string ReadMetadata(const XmlNode& item, ImportedQuestion& q, bool& html)
{
    std::string questionType, toolType;
    std::vector<const XmlNode*> fields, more;
    item.FindAll("qtimetadatafield", fields);
    item.FindAll("qti_metadatafield", more);
    fields.insert(fields.end(), more.begin(), more.end());
    for (const XmlNode* field : fields) {
        const std::string label = TrimText(field->ChildText("fieldlabel"));
        const std::string entry = TrimText(field->ChildText("fieldentry"));
        if (label == "question_type") questionType = entry;
        else if (label == "qmd_questiontype" || label == "qmd_itemtype" || label == "respondusapi_qtype")
            toolType = entry;
        else if (label == "category") q.category = entry;
        else if (label == "TEXT_FORMAT") html = ToLowerAscii(entry) == "html";
        else if (label == "MLO" || label == "CLO" || label == "PLO") q.objectives.emplace_back(label, entry);
    }
    if (const XmlNode* bb = item.Find("bbmd_questiontype")) toolType = TrimText(bb->Text());
    if (questionType.empty() && !toolType.empty()) {
        questionType = TypeFromToolName(toolType);
        if (questionType.empty()) questionType = ToLowerAscii(toolType);
    }
    return questionType;
}

// The responses an item asks for: the first of each kind, and how many there are.
struct Responses {
    std::vector<const XmlNode*> lids, strs, nums;
    const XmlNode* lid = nullptr;
    const XmlNode* str = nullptr;
    const XmlNode* num = nullptr;

    explicit Responses(const XmlNode& presentation)
    {
        presentation.FindAll("response_lid", lids);
        presentation.FindAll("response_str", strs);
        presentation.FindAll("response_num", nums);
        lid = lids.empty() ? nullptr : lids[0];
        str = strs.empty() ? nullptr : strs[0];
        num = nums.empty() ? nullptr : nums[0];
    }
};

// The question's texts around its one blank, the blank as "_____"; "" when no text follows it.
std::string BlankInText(const XmlNode& presentation, std::vector<std::string>& lost, bool html)
{
    const XmlNode* flow = &presentation;
    while (const XmlNode* inner = flow->Child("flow")) {
        if (flow->Child("response_str") || flow->Child("response_num")) break;
        flow = inner;
    }
    std::string text;
    bool blank = false, after = false;
    for (const XmlNode& child : flow->children) {
        if (child.name == "material") {
            const std::string piece = TrimText(Mattext(&child, lost, html));
            if (piece.empty()) continue;
            after = after || blank;
            text += (text.empty() ? "" : " ") + piece;
        } else if (child.name == "response_str" || child.name == "response_num") {
            text += (text.empty() ? "" : " ") + std::string("_____");
            blank = true;
        }
    }
    return after ? text : "";
}

// No tool says the kind: the responses do. Several lists to pick from pair things up.
std::string TypeFromResponses(const Responses& r, const std::vector<const XmlNode*>& right)
{
    bool answered = false;
    for (const XmlNode* c : right) answered |= c->Find("varequal") || c->Find("vargte") || c->Find("varlte");
    if (r.lids.size() > 1) return "matching_question";
    if (r.lid && !r.str && !r.num)
        return r.lid->Attribute("rcardinality") == "Multiple" ? "multiple_answers_question" : "multiple_choice_question";
    if (r.strs.size() + r.nums.size() > 1 && !r.lid) return "fill_in_multiple_blanks_question";
    if ((r.str || r.num) && !r.lid)
        return !answered ? "essay_question" : r.num ? "numerical_question" : "short_answer_question";
    return "unknown";
}

// A multiple-choice or true/false item from its choice list and the key the conditions name.
void ReadChoices(const XmlNode& lid, const std::vector<const XmlNode*>& right, bool trueFalse, bool guessed,
                 ImportedQuestion& q, const std::string& label, std::vector<std::string>& lost, ImportResult& result,
                 bool html)
{
    std::string key;
    if (!right.empty())
        if (const XmlNode* equal = right[0]->Find("varequal")) key = TrimText(equal->Text());
    std::vector<const XmlNode*> labels;
    lid.FindAll("response_label", labels);
    for (const XmlNode* choice : labels) {
        const XmlNode* material = choice->Find("material");
        std::string text = Mattext(material ? material : choice, lost, html);
        // Blank labels with no ident: an editor's unused slots, no choices.
        if (choice->Attribute("ident").empty() && TrimText(text).empty() && !choice->Find("matimage")) continue;
        if (choice->Attribute("ident") == key) q.correct = q.choices.size();
        q.choices.push_back(std::move(text));
    }
    q.answerGiven = key.empty() ? std::string("(none)") : key;
    // No type said, and two choices that say true and false: a true/false question.
    bool first = false;
    if (guessed && TruthChoices(q.choices, first)) trueFalse = true;
    if (trueFalse) {
        q.kind = ImportedQuestion::TrueFalse;
        bool truth = true;
        q.truth = q.correct >= q.choices.size() || !TruthFromText(q.choices[q.correct], truth) || truth;
        if (q.correct >= q.choices.size()) result.notes.push_back(label + " marks no answer right; it is set to True.");
        q.choices.clear();
    }
}

// A short-answer or numerical item: the answers its conditions accept, a range as "low..high".
void ReadAnswers(const std::vector<const XmlNode*>& right, bool numerical, ImportedQuestion& q,
                 const std::string& label, ImportResult& result)
{
    q.kind = ImportedQuestion::Answer;
    std::vector<std::string> answers;
    for (const XmlNode* condition : right) {
        std::vector<const XmlNode*> equals;
        condition->FindAll("varequal", equals);
        for (const XmlNode* e : equals) answers.push_back(TrimText(e->Text()));
        if (equals.empty()) {
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
        return;
    }
    q.answer = answers[0];
    if (numerical) q.answerValue = NumberAnswer(q.answer);
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

// Feedback as Canvas writes it: a condition that gives no marks, tests one response and
// shows an itemfeedback ("A_fb"), kept by the choice it answers; one that tests <other/>
// shows the general feedback.
void ReadFeedback(const XmlNode& item, const XmlNode* lid, ImportedQuestion& q, std::vector<std::string>& lost, bool html)
{
    std::vector<const XmlNode*> feedbacks;
    item.FindAll("itemfeedback", feedbacks);
    if (feedbacks.empty()) return;
    std::vector<const XmlNode*> labels;
    if (lid) lid->FindAll("response_label", labels);
    std::vector<const XmlNode*> conditions;
    item.FindAll("respcondition", conditions);
    for (const XmlNode* c : conditions) {
        const XmlNode* test = c->Child("conditionvar");
        if (c->Child("setvar") || !test) continue;
        std::vector<const XmlNode*> tests;
        for (const XmlNode& child : test->children)
            if (!child.IsText()) tests.push_back(&child);
        if (tests.size() != 1 || (tests[0]->name != "varequal" && tests[0]->name != "other")) continue;
        for (const XmlNode* display : c->Children("displayfeedback")) {
            const XmlNode* shown = nullptr;
            for (const XmlNode* f : feedbacks)
                if (f->Attribute("ident") == display->Attribute("linkrefid")) shown = f;
            if (!shown) continue;
            const std::string text = TrimText(Mattext(shown, lost, html));
            if (tests[0]->name == "other") {
                if (!text.empty()) q.extra["general_feedback"] = text;
                continue;
            }
            const std::string value = TrimText(tests[0]->Text());
            for (size_t i = 0; i < labels.size(); ++i) {
                if (labels[i]->Attribute("ident") != value) continue;
                if (q.kind == ImportedQuestion::TrueFalse) {
                    bool truth = true;
                    const std::string said = TrimText(Mattext(labels[i], lost, html));
                    if (TruthFromText(said, truth)) KeepFeedback(q, truth ? "True" : "False", text);
                } else {
                    KeepFeedback(q, ChoiceKey(i), text);
                }
            }
        }
    }
}

void ReadItem(const XmlNode& item, ImportResult& result)
{
    ImportedQuestion q;
    q.id = TrimText(item.Attribute("title"));
    if (q.id.empty()) q.id = TrimText(item.Attribute("ident"));
    bool html = false;
    std::string questionType = ReadMetadata(item, q, html);
    const std::string label = result.Label(q.id);
    const XmlNode* presentation = item.Child("presentation");
    if (!presentation) {
        result.LeaveOut("without presentation", label);
        return;
    }
    std::vector<std::string> lost;
    q.stem = Mattext(StemMaterial(*presentation), lost, html);
    const Responses responses(*presentation);
    const std::vector<const XmlNode*> right = RightConditions(item);
    const bool guessed = questionType.empty();
    if (guessed) questionType = TypeFromResponses(responses, right);
    if (questionType == "multiple_choice_question" || questionType == "true_false_question") {
        if (!responses.lid) {
            result.LeaveOut(Kind(questionType) + " without choices", label);
            return;
        }
        ReadChoices(*responses.lid, right, questionType == "true_false_question", guessed, q, label, lost, result, html);
        ReadFeedback(item, responses.lid, q, lost, html);
    } else if ((questionType == "short_answer_question" || questionType == "numerical_question") &&
               responses.strs.size() + responses.nums.size() > 1) {
        result.LeaveOut("fill in multiple blanks", label);
        return;
    } else if (questionType == "short_answer_question" || questionType == "numerical_question") {
        // Text on both sides of the one blank: the blank is written where it stands.
        const std::string blank = BlankInText(*presentation, lost, html);
        if (!blank.empty()) q.stem = blank;
        ReadAnswers(right, questionType == "numerical_question", q, label, result);
    } else {
        result.LeaveOut(Kind(questionType), label);
        return;
    }
    result.Add(std::move(q), label, lost);
}

} // namespace

bool ReadQti12Document(std::string_view bytes, ImportResult& result, std::string& error)
{
    // Item by item: a large file never stands whole as a tree.
    XmlNode root;
    std::string converted;
    const bool parsed = ParseXmlElements(XmlAsUtf8(bytes, converted), "item", root, [&](const XmlNode& top, size_t, const XmlNode& item) {
        if (top.name == "questestinterop") ReadItem(item, result);
    }, error);
    if (!parsed) return false;
    if (root.name != "questestinterop") {
        error = "A QTI 1.2 file has <" + root.name + "> where <questestinterop> belongs.";
        return false;
    }
    return true;
}
