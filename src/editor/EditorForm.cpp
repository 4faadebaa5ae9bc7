#include "editor/EditorForm.h"

#include <algorithm>
#include <climits>
#include <iterator>

#include "util/StringUtil.h"

namespace {

const char* const kTypes[4] = {"multiple_choice", "true_false", "numerical", "algorithmic"};
const char* const kOutcomes[3] = {"MLO", "CLO", "PLO"};
const int kMultiLine[] = {IDC_ED_QUESTION, IDC_ED_TEMPLATE, IDC_ED_PARAMETERS, IDC_ED_CONSTANTS, IDC_ED_DISTRACTORS};
// The algorithm's text members and their fields.
const struct {
    int id;
    const char* key;
} kAlgorithmTexts[] = {{IDC_ED_RENDER_AS, "render_as"},
                       {IDC_ED_TEMPLATE, "template"},
                       {IDC_ED_FORMULA, "correct_formula"},
                       {IDC_ED_FORMAT, "format"}};
const struct {
    int id;
    const char* key;
    const char16_t* error;
} kAlgorithmJson[] = {{IDC_ED_PARAMETERS, "parameters", u"Error parsing Parameters JSON:\n"},
                      {IDC_ED_CONSTANTS, "constants", u"Error parsing Constants JSON:\n"},
                      {IDC_ED_DISTRACTORS, "distractors", u"Error parsing Distractors JSON:\n"}};

// A member of an object, or null.
const json* Member(const json& object, const char* key)
{
    if (!object.is_object()) return nullptr;
    auto it = object.find(key);
    return it == object.end() ? nullptr : &*it;
}

std::u16string StringText(const json* value)
{
    return value && value->is_string() ? s2w(value->get_ref<const std::string&>()) : u"";
}

// The Answer field's text: a string as it is, anything else its compact JSON text.
std::string AnswerText(const json& value)
{
    return value.is_string() ? value.get<std::string>() : JsonText(value);
}

const json* StoredAnswer(const json& item)
{
    if (const json* answer = Member(item, "answer")) return answer;
    return Member(item, "correct");
}

bool TruthValue(const json& item)
{
    const json* correct = Member(item, "correct");
    if (!correct) return true;
    if (correct->is_boolean()) return correct->get<bool>();
    if (correct->is_string()) return ToLowerAscii(correct->get<std::string>()) != "false";
    return true;
}

// The standard library's stoi in base 10 without its exceptions or locale: leading white
// space, a sign, digits up to the first other character; false without digits or beyond
// the 32-bit range.
bool ParseLeadingInt(const std::string& text, int& out)
{
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i >= text.size() || text[i] < '0' || text[i] > '9') return false;
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) return false;
    }
    if (negative) value = -value;
    if (value < INT_MIN || value > INT_MAX) return false;
    out = static_cast<int>(value);
    return true;
}

json& ObjectMember(json& item, const char* key)
{
    json& member = item[key];
    if (!member.is_object()) member = json::object();
    return member;
}

} // namespace

int ChoiceFieldId(int index) { return index < kMinChoices ? IDC_ED_CHOICE_A + index : IDC_ED_CHOICE_E + index - kMinChoices; }

int ChoiceLabelId(int index) { return index < kMinChoices ? 3131 + index : IDC_ED_CHOICE_E_LABEL + index - kMinChoices; }

int FormChoiceCount(const FormModel& form)
{
    int count = kMinChoices;
    while (count < kMaxChoices && form.texts.count(ChoiceFieldId(count))) ++count;
    return count;
}

void SetFormChoiceCount(FormModel& form, int count)
{
    for (int k = 0; k < kMaxChoices; ++k) {
        if (k < count) form.texts.emplace(ChoiceFieldId(k), u"");
        else form.texts.erase(ChoiceFieldId(k));
    }
}

int EditorTypeIndex(const std::string& type)
{
    const std::string canonical = NormalizeTypeString(type);
    for (int i = 0; i < 4; ++i)
        if (canonical == kTypes[i]) return i;
    return -1;
}

IndexLists BuildIndexLists(const json& document)
{
    IndexLists lists;
    const json* items = Member(document, "items");
    if (!items || !items->is_array()) return lists;
    for (size_t i = 0; i < items->size(); ++i) {
        const json* type = Member((*items)[i], "type");
        if (!type || !type->is_string()) continue;
        const int index = EditorTypeIndex(type->get_ref<const std::string&>());
        if (index >= 0) lists[index].push_back(i);
    }
    return lists;
}

bool ItemMissingLearningOutcomes(const json& item)
{
    const json* objectives = Member(item, "objectives");
    if (!objectives || !objectives->is_object()) return true;
    for (const char* key : kOutcomes) {
        const json* value = Member(*objectives, key);
        if (!value || !value->is_string() || IsBlank(value->get_ref<const std::string&>())) return true;
    }
    return false;
}

std::vector<std::u16string> ItemListEntries(const json& document, const std::vector<size_t>& positions)
{
    std::vector<std::u16string> entries;
    entries.reserve(positions.size() + 1);
    const json* items = Member(document, "items");
    if (items && items->is_array()) {
        for (size_t position : positions) {
            if (position >= items->size()) continue;
            std::u16string entry = ItemListEntry((*items)[position]);
            if (!entry.empty()) entries.push_back(std::move(entry));
        }
    }
    entries.push_back(u"<New item>");
    return entries;
}

std::u16string ItemListEntry(const json& item)
{
    const json* id = Member(item, "id");
    if (!id || !id->is_string()) return u"";
    std::u16string entry = s2w(id->get_ref<const std::string&>());
    // The start of the question on one line, so items with look-alike IDs can be told apart.
    const size_t kShown = 60;
    std::u16string question = StringText(Member(item, "question"));
    for (char16_t& c : question)
        if (c == u'\r' || c == u'\n' || c == u'\t' || c == u'\0') c = u' ';
    if (question.size() > kShown) {
        size_t cut = kShown;
        if (question[cut - 1] >= 0xD800 && question[cut - 1] <= 0xDBFF) --cut; // a pair stays whole
        question.resize(cut);
        question += u"...";
    }
    if (!IsBlank(w2s(question))) entry += u" - " + question;
    if (ItemMissingLearningOutcomes(item)) entry += u"  [missing LO]";
    return entry;
}

FormModel ClearedItemForm()
{
    FormModel form;
    for (int id : {IDC_ED_ID, IDC_ED_CATEGORY, IDC_ED_MLO, IDC_ED_CLO, IDC_ED_PLO, IDC_ED_QUESTION, IDC_ED_ANSWER})
        form.texts[id] = u"";
    SetFormChoiceCount(form, kMinChoices);
    for (const auto& field : kAlgorithmTexts) form.texts[field.id] = u"";
    form.texts[IDC_ED_CHOICE_COUNT] = u"";
    for (const auto& field : kAlgorithmJson) form.texts[field.id] = u"";
    form.selections[IDC_ED_CORRECT] = 0;
    form.selections[IDC_ED_TRUE_FALSE] = 0;
    return form;
}

FormModel LoadItemForm(const json& item)
{
    FormModel form = ClearedItemForm();
    const json* typeValue = Member(item, "type");
    const int type = EditorTypeIndex(typeValue && typeValue->is_string() ? typeValue->get<std::string>() : "");
    form.selections[IDC_ED_TYPE] = type < 0 ? 0 : type;
    form.texts[IDC_ED_ID] = StringText(Member(item, "id"));
    form.texts[IDC_ED_CATEGORY] = StringText(Member(item, "category"));
    form.texts[IDC_ED_QUESTION] = StringText(Member(item, "question"));
    const json* objectives = Member(item, "objectives");
    for (int k = 0; k < 3; ++k)
        form.texts[IDC_ED_MLO + k] = objectives ? StringText(Member(*objectives, kOutcomes[k])) : u"";
    if (const json* answer = StoredAnswer(item)) form.texts[IDC_ED_ANSWER] = s2w(AnswerText(*answer));

    if (type == 0) {
        const json* choices = Member(item, "choices");
        const int count = choices ? ChoiceCount(*choices) : kMinChoices;
        SetFormChoiceCount(form, count);
        for (int k = 0; k < count; ++k)
            form.texts[ChoiceFieldId(k)] = choices ? StringText(Member(*choices, ChoiceLetter(k).c_str())) : u"";
        const json* correct = Member(item, "correct");
        for (int k = 0; k < count; ++k)
            if (correct && correct->is_string() && correct->get_ref<const std::string&>() == ChoiceLetter(k))
                form.selections[IDC_ED_CORRECT] = k;
    } else if (type == 1) {
        form.selections[IDC_ED_TRUE_FALSE] = TruthValue(item) ? 0 : 1;
    } else if (type == 3) {
        form.texts[IDC_ED_ANSWER] = u"";
        const json* algorithm = Member(item, "algorithm");
        if (algorithm && algorithm->is_object()) {
            for (const auto& field : kAlgorithmTexts) form.texts[field.id] = StringText(Member(*algorithm, field.key));
            if (const json* count = Member(*algorithm, "choice_count")) form.texts[IDC_ED_CHOICE_COUNT] = s2w(JsonText(*count));
            for (const auto& field : kAlgorithmJson)
                if (const json* value = Member(*algorithm, field.key)) form.texts[field.id] = s2w(DumpIndented(*value, 4));
        }
    }
    return form;
}

bool IsMultiLineField(int id) { return std::find(std::begin(kMultiLine), std::end(kMultiLine), id) != std::end(kMultiLine); }

bool IsCutField(const FormModel& stored, int id)
{
    return stored.Text(id).size() > (IsMultiLineField(id) ? kShownTextLimit : kDisplayLineLimit);
}

FormModel DisplayItemForm(const FormModel& stored)
{
    FormModel shown = stored;
    for (auto& field : shown.texts) {
        std::u16string& text = field.second;
        if (IsMultiLineField(field.first)) {
            text = BreakLongLines(NormalizeNewlinesToCRLF(CutForDisplay(text, kShownTextLimit)), kWrappedLineLimit,
                                  kSoftBreak);
        } else if (IsCutField(stored, field.first)) {
            text = CutForDisplay(text);
        }
    }
    // A NUL would end the control's text there and hide the rest.
    for (auto& field : shown.texts) MakeNulsVisible(field.second);
    return shown;
}

bool FormEdited(const FormModel& form, const FormModel& shown)
{
    if (form.texts != shown.texts) return true;
    for (int id : {IDC_ED_CORRECT, IDC_ED_TRUE_FALSE})
        if (form.Selection(id) != shown.Selection(id)) return true;
    return false;
}

std::vector<int> FieldsChangedUnderForm(const FormModel& form, const FormModel& shown, const json& loaded,
                                        const json& current)
{
    std::vector<int> fields;
    if (loaded == current) return fields;
    const FormModel was = LoadItemForm(loaded), now = LoadItemForm(current);
    for (const auto& [id, text] : form.texts)
        if (text != shown.Text(id) && was.Text(id) != now.Text(id)) fields.push_back(id);
    for (int id : {IDC_ED_CORRECT, IDC_ED_TRUE_FALSE})
        if (form.Selection(id) != shown.Selection(id) && was.Selection(id) != now.Selection(id)) fields.push_back(id);
    return fields;
}

std::u16string FieldLabel(int id)
{
    for (int k = 0; k < kMaxChoices; ++k)
        if (id == ChoiceFieldId(k)) return u"Choice " + std::u16string(1, static_cast<char16_t>(u'A' + k));
    switch (id) {
    case IDC_ED_ID: return u"ID";
    case IDC_ED_CATEGORY: return u"Category";
    case IDC_ED_MLO: return u"MLO";
    case IDC_ED_CLO: return u"CLO";
    case IDC_ED_PLO: return u"PLO";
    case IDC_ED_QUESTION: return u"Question";
    case IDC_ED_CORRECT: return u"Correct";
    case IDC_ED_TRUE_FALSE: return u"True/False answer";
    case IDC_ED_ANSWER: return u"Answer";
    case IDC_ED_RENDER_AS: return u"Render as";
    case IDC_ED_TEMPLATE: return u"Template";
    case IDC_ED_FORMULA: return u"Correct formula";
    case IDC_ED_FORMAT: return u"Format string";
    case IDC_ED_CHOICE_COUNT: return u"Choice count";
    case IDC_ED_PARAMETERS: return u"Parameters JSON";
    case IDC_ED_CONSTANTS: return u"Constants JSON";
    case IDC_ED_DISTRACTORS: return u"Distractors JSON";
    default: return u"a field";
    }
}

namespace {

// The form's fields as the item's stored values.
struct FormFields {
    const FormModel& form;
    const FormModel* shown;

    // A field still holding what loading showed keeps the stored value.
    bool Untouched(int id) const { return shown && form.Text(id) == shown->Text(id); }
    // What the user typed, without the soft breaks the control was given.
    std::u16string Typed(int id) const { return IsMultiLineField(id) ? RemoveSoftBreaks(form.Text(id)) : form.Text(id); }
    std::string Text(int id, const json* stored) const
    {
        if (stored && stored->is_string())
            return Untouched(id) ? stored->get<std::string>()
                                 : StoredTextFromShown(Typed(id), stored->get_ref<const std::string&>());
        return w2s(Typed(id));
    }
};

void SaveChoices(json& item, const json& original, const FormFields& fields)
{
    const json* storedChoices = Member(original, "choices");
    json& choices = ObjectMember(item, "choices");
    const int count = FormChoiceCount(fields.form);
    for (int k = 0; k < kMaxChoices; ++k) {
        const std::string letter = ChoiceLetter(k);
        if (k < count)
            choices[letter] = fields.Text(ChoiceFieldId(k), storedChoices ? Member(*storedChoices, letter.c_str()) : nullptr);
        else
            choices.erase(letter); // removed in the form
    }
    const int letter = fields.form.Selection(IDC_ED_CORRECT);
    item["correct"] = ChoiceLetter(letter >= 0 && letter < count ? letter : 0);
}

// The algorithm's fields; false with `error` when a count or JSON field does not parse.
bool SaveAlgorithm(json& item, const json& original, const FormFields& fields, std::u16string& error)
{
    const FormModel& form = fields.form;
    const json* storedAlgorithm = Member(original, "algorithm");
    json algorithm = json::object();
    for (const auto& field : kAlgorithmTexts) {
        const std::string value = fields.Text(field.id, storedAlgorithm ? Member(*storedAlgorithm, field.key) : nullptr);
        if (!value.empty()) algorithm[field.key] = value;
    }
    const json* storedCount = storedAlgorithm ? Member(*storedAlgorithm, "choice_count") : nullptr;
    if (fields.Untouched(IDC_ED_CHOICE_COUNT) && storedCount) {
        algorithm["choice_count"] = *storedCount;
    } else if (!form.Text(IDC_ED_CHOICE_COUNT).empty()) {
        int count = 0;
        if (!ParseLeadingInt(w2s(form.Text(IDC_ED_CHOICE_COUNT)), count)) {
            error = u"Choice count must be an integer.";
            return false;
        }
        if (count >= 1) algorithm["choice_count"] = count;
    }
    for (const auto& field : kAlgorithmJson) {
        const json* stored = storedAlgorithm ? Member(*storedAlgorithm, field.key) : nullptr;
        if (fields.Untouched(field.id) && stored) {
            algorithm[field.key] = *stored;
        } else if (!form.Text(field.id).empty()) {
            const std::string text = w2s(fields.Typed(field.id));
            try {
                algorithm[field.key] = ParseJsonText(text);
            } catch (const std::exception& e) {
                error = field.error + DescribeJsonError(e, text);
                return false;
            }
        }
    }
    item["algorithm"] = std::move(algorithm);
    return true;
}

// The type's own parts of the item from the form, the other types' parts taken off.
bool SaveTypeParts(json& item, const json& original, int type, const FormFields& fields, std::u16string& error)
{
    const FormModel& form = fields.form;
    if (type == 0) {
        SaveChoices(item, original, fields);
        item.erase("answer");
        item.erase("algorithm");
    } else if (type == 1) {
        item["correct"] = form.Selection(IDC_ED_TRUE_FALSE) == 0 ? "True" : "False";
        item.erase("choices");
        item.erase("answer");
        item.erase("algorithm");
    } else if (type == 2) {
        const json* stored = StoredAnswer(original);
        const std::string answer =
            fields.Untouched(IDC_ED_ANSWER) && stored ? AnswerText(*stored) : w2s(form.Text(IDC_ED_ANSWER));
        item["answer"] = answer;
        item["correct"] = answer;
        item.erase("choices");
        item.erase("algorithm");
    } else {
        if (!SaveAlgorithm(item, original, fields, error)) return false;
        item.erase("choices");
        item.erase("answer");
        item.erase("correct");
    }
    return true;
}

} // namespace

bool SaveItemForm(json& document, const IndexLists& lists, const FormModel& form, const FormModel* shown,
                  std::u16string& error, size_t* written, bool* added)
{
    error.clear();
    if (!form.selections.count(IDC_ED_ITEM)) return false; // no item list
    const int selection = form.Selection(IDC_ED_ITEM);
    if (selection < 0) {
        error = u"No selection in item list.";
        return false;
    }
    if (form.Text(IDC_ED_ID).empty()) {
        error = u"ID cannot be empty.";
        return false;
    }
    int type = form.Selection(IDC_ED_TYPE);
    if (type < 0 || type > 3) type = 0;

    static const json kNoItems = json::array();
    const json* stored = Member(document, "items");
    const json& items = stored && stored->is_array() ? *stored : kNoItems;
    const std::vector<size_t>& positions = lists[type];
    const bool existing = static_cast<size_t>(selection) < positions.size() && positions[selection] < items.size();
    // The item is made apart and put in place only when every check passed.
    json item = existing ? items[positions[selection]] : json::object();
    if (!item.is_object()) item = json::object();
    const json original = item;

    const FormFields fields{form, shown};
    item["id"] = fields.Text(IDC_ED_ID, Member(original, "id"));
    item["category"] = fields.Text(IDC_ED_CATEGORY, Member(original, "category"));
    item["question"] = fields.Text(IDC_ED_QUESTION, Member(original, "question"));
    const json* storedObjectives = Member(original, "objectives");
    json& objectives = ObjectMember(item, "objectives");
    for (int k = 0; k < 3; ++k)
        objectives[kOutcomes[k]] =
            fields.Text(IDC_ED_MLO + k, storedObjectives ? Member(*storedObjectives, kOutcomes[k]) : nullptr);
    item["type"] = kTypes[type];
    if (!SaveTypeParts(item, original, type, fields, error)) return false;

    // A loaded document has unique IDs, so only a changed or new ID can clash.
    const json* originalId = Member(original, "id");
    const std::string& id = item["id"].get_ref<const std::string&>();
    if (!existing || !originalId || !originalId->is_string() || originalId->get_ref<const std::string&>() != id) {
        for (size_t i = 0; i < items.size(); ++i) {
            if (existing && i == positions[selection]) continue;
            const json* other = Member(items[i], "id");
            if (other && other->is_string() && other->get_ref<const std::string&>() == id) {
                error = u"Duplicate ID found: " + s2w(id) + u"\nPlease choose a unique ID.";
                return false;
            }
        }
    }
    if (!document.is_object()) document = json::object();
    json& target = document["items"];
    if (!target.is_array()) target = json::array();
    const size_t position = existing ? positions[selection] : target.size();
    if (existing) target[position] = std::move(item);
    else target.push_back(std::move(item));
    if (written) *written = position;
    if (added) *added = !existing;
    return true;
}

int NextScrollPosition(ScrollRequest request, int position, int trackPosition, int page, int minimum, int maximum)
{
    int next = position;
    switch (request) {
    case ScrollRequest::LineUp: next -= 20; break;
    case ScrollRequest::LineDown: next += 20; break;
    case ScrollRequest::PageUp: next -= page; break;
    case ScrollRequest::PageDown: next += page; break;
    case ScrollRequest::Track: next = trackPosition; break;
    case ScrollRequest::Other: break;
    }
    if (next < minimum) next = minimum;
    if (next > maximum - page + 1) next = maximum - page + 1;
    if (next < minimum) next = minimum;
    return next;
}

bool SaveItemFormStep(const IndexLists& lists, const FormModel& form, const FormModel* shown, std::u16string& error,
                      size_t& position, bool& added, bool& changed)
{
    const json* items = Member(g_jsonDoc, "items");
    const size_t count = items && items->is_array() ? items->size() : 0;
    int type = form.Selection(IDC_ED_TYPE);
    if (type < 0 || type > 3) type = 0;
    const int selection = form.Selection(IDC_ED_ITEM);
    const std::vector<size_t>& positions = lists[type];
    std::vector<json> before(1);
    if (selection >= 0 && static_cast<size_t>(selection) < positions.size() && positions[selection] < count)
        before[0] = (*items)[positions[selection]];
    if (!SaveItemForm(g_jsonDoc, lists, form, shown, error, &position, &added)) return false;
    changed = RecordItemsEdited(ItemStepName(added ? u"Add Item" : u"Edit Item", g_jsonDoc["items"][position]),
                                {position}, std::move(before), count);
    return true;
}
