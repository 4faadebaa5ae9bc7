#include "formats/ExamFormats.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <unordered_set>

#include "formats/ImportFormats.h"
#include "util/StringUtil.h"
#include "util/XmlText.h"
#include "util/Zip.h"

namespace {

std::string Trimmed(const std::string& text)
{
    size_t a = 0, b = text.size();
    while (a < b && (text[a] == ' ' || (text[a] >= '\t' && text[a] <= '\r'))) ++a;
    while (b > a && (text[b - 1] == ' ' || (text[b - 1] >= '\t' && text[b - 1] <= '\r'))) --b;
    return text.substr(a, b - a);
}

// A number as Moodle's numerical type reads it (PHP's is_numeric) and QTI's float type
// takes it: ".5", "5.", "1e3" too.
bool IsMoodleNumber(const std::string& text)
{
    size_t i = text.size() > 0 && (text[0] == '-' || text[0] == '+') ? 1 : 0;
    size_t digits = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
    if (i < text.size() && text[i] == '.')
        for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) ++digits;
    if (!digits) return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        if (++i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
        const size_t exponent = i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
        if (i == exponent) return false;
    }
    return i == text.size();
}

bool IsWindowsDeviceName(const std::string& stem)
{
    const std::string name = ToLowerAscii(stem);
    if (name == "con" || name == "prn" || name == "aux" || name == "nul") return true;
    return name.size() == 4 && (name.compare(0, 3, "com") == 0 || name.compare(0, 3, "lpt") == 0) &&
           name[3] >= '0' && name[3] <= '9';
}

std::string IdList(const std::vector<std::string>& ids, size_t maxListed)
{
    std::string text;
    for (size_t i = 0; i < ids.size() && i < maxListed; ++i) text += (i ? ", " : "") + ids[i];
    if (ids.size() > maxListed) text += ", ... and " + std::to_string(ids.size() - maxListed) + " more";
    return text;
}

} // namespace

const char* ExamFormatName(ExamFormat format)
{
    switch (format) {
    case ExamFormat::Moodle: return "Moodle XML";
    case ExamFormat::Gift: return "GIFT";
    case ExamFormat::Qti21: return "QTI 2.1";
    case ExamFormat::Qti12: return "QTI 1.2";
    }
    return "";
}

const char* ExamFormatKey(ExamFormat format)
{
    switch (format) {
    case ExamFormat::Moodle: return "moodle";
    case ExamFormat::Gift: return "gift";
    case ExamFormat::Qti21: return "qti21";
    case ExamFormat::Qti12: return "qti12";
    }
    return "";
}

bool ExamFormatIsZip(ExamFormat format) { return format == ExamFormat::Qti21 || format == ExamFormat::Qti12; }

const char* ExamFormatExtension(ExamFormat format)
{
    return ExamFormatIsZip(format) ? "zip" : format == ExamFormat::Gift ? "txt" : "xml";
}

namespace {

// Document text as the XML formats allow it, counting what had to go.
struct Cleaner {
    size_t dropped = 0;
    std::string operator()(const std::string& text) { return XmlAllowedText(text, dropped); }
};

// A multiple-choice item's non-blank choices and key; why it is left out, or "".
std::string CollectChoices(const json& item, ExportQuestion& q, Cleaner& clean, ExamQuestions& out)
{
    q.kind = ExportQuestion::Choice;
    const json empty = json::object();
    auto choices = item.find("choices");
    const json& from = choices != item.end() && choices->is_object() ? *choices : empty;
    const std::string key = FieldText(item, "correct");
    bool keyFound = false, blankBefore = false, shifted = false;
    for (int k = 0, count = ChoiceCount(from); k < count; ++k) {
        const std::string letter = ChoiceLetter(k);
        const std::string text = clean(FieldText(from, letter.c_str()));
        if (IsBlank(text)) {
            blankBefore = true;
            continue;
        }
        shifted |= blankBefore;
        if (key == letter) {
            q.correct = q.choices.size();
            keyFound = true;
        }
        q.choices.push_back(text);
        q.letters.push_back(letter);
    }
    if (!keyFound) return "the correct choice (" + key + ") is empty";
    if (q.choices.size() < 2) return "it has fewer than two non-empty choices";
    // The formats number the choices they hold: a blank one moves the letters after it.
    if (shifted) out.shiftedIds.push_back(q.id);
    return "";
}

// The tolerance and other accepted answers an import kept ("tolerance", "other_answers",
// "other_tolerances"); for a numeric question only numbers, each tolerance a number.
void CollectOtherAnswers(const json& item, ExportQuestion& q, Cleaner& clean)
{
    const bool numeric = q.kind == ExportQuestion::Numeric;
    auto tolerance = [&](const json& from, const char* key) {
        const std::string t = Trimmed(clean(FieldText(from, key)));
        return numeric && IsMoodleNumber(t) && std::strtod(t.c_str(), nullptr) > 0 ? t : std::string();
    };
    q.tolerance = tolerance(item, "tolerance");
    auto others = item.find("other_answers");
    if (others == item.end() || !others->is_array()) return;
    const json none = json::object();
    auto found = item.find("other_tolerances");
    const json& tolerances = found != item.end() && found->is_object() ? *found : none;
    for (const json& other : *others) {
        const std::string text = Trimmed(clean(ScalarText(other)));
        if (text.empty() || (numeric && !IsMoodleNumber(text))) continue;
        q.otherAnswers.emplace_back(text, tolerance(tolerances, text.c_str()));
    }
}

// Part-mark answers, the wildcard and case marks and the feedback an import kept.
void CollectAnswerExtras(const json& item, ExportQuestion& q, Cleaner& clean)
{
    auto partial = item.find("partial_answers");
    if (partial != item.end() && partial->is_object())
        for (const auto& [answer, percent] : partial->items()) {
            const std::string text = Trimmed(clean(answer));
            std::string weight = Trimmed(ScalarText(percent));
            if (!weight.empty() && weight.back() == '%') weight.pop_back();
            const double value = IsMoodleNumber(weight) ? std::strtod(weight.c_str(), nullptr) : 0;
            if (text.empty() || value <= 0 || value >= 100) continue;
            if (q.kind == ExportQuestion::Numeric && !IsMoodleNumber(text)) continue;
            q.partialAnswers.emplace_back(text, weight);
        }
    auto flag = [&item](const char* key) {
        auto found = item.find(key);
        return found != item.end() && found->is_boolean() && found->get<bool>();
    };
    q.wildcard = q.kind == ExportQuestion::ShortAnswer && flag(kAnswerWildcardKey);
    q.caseSensitive = q.kind == ExportQuestion::ShortAnswer && flag("case_sensitive");
}

// What an import kept that the format cannot carry: case-sensitive matching outside Moodle
// XML; answers given part marks, a pattern's wildcard and some feedback in QTI.
bool LosesKeptParts(const ExportQuestion& q, ExamFormat format)
{
    if (format == ExamFormat::Moodle) return false;
    if (q.caseSensitive) return true;
    if (format == ExamFormat::Gift) return false;
    if (q.wildcard || !q.partialAnswers.empty()) return true;
    // QTI 1.2 carries a choice's feedback and the general one; QTI 2.1 none.
    const bool choice = q.kind == ExportQuestion::Choice || q.kind == ExportQuestion::TrueFalse;
    if (format == ExamFormat::Qti21) return !q.feedback.empty() || !q.generalFeedback.empty();
    return !choice && !q.feedback.empty();
}

// The feedback an import kept ("feedback" by response, "general_feedback").
void CollectFeedback(const json& item, ExportQuestion& q, Cleaner& clean)
{
    auto feedback = item.find("feedback");
    if (feedback != item.end() && feedback->is_object())
        for (const auto& [response, text] : feedback->items()) {
            const std::string said = Trimmed(clean(ScalarText(text)));
            if (!said.empty()) q.feedback[clean(response)] = said;
        }
    q.generalFeedback = Trimmed(clean(FieldText(item, "general_feedback")));
    if (q.kind != ExportQuestion::Numeric && q.kind != ExportQuestion::ShortAnswer) return;
    // The answers that carry only feedback: none of those given marks, a number for a numeric one.
    std::vector<std::string> marked = {q.answer};
    for (const auto& other : q.otherAnswers) marked.push_back(other.first);
    for (const auto& partial : q.partialAnswers) marked.push_back(partial.first);
    for (const auto& [response, text] : q.feedback)
        if (response != "*" && std::find(marked.begin(), marked.end(), response) == marked.end() &&
            (q.kind == ExportQuestion::ShortAnswer || IsMoodleNumber(response)))
            q.feedbackOnly.push_back(response);
}

// A numerical item as a number where the format can test one, else as a text answer; why
// it is left out, or "".
std::string CollectAnswer(const json& item, ExamFormat format, ExportQuestion& q, Cleaner& clean, ExamQuestions& out)
{
    std::string answer = Trimmed(clean(FieldText(item, "answer")));
    if (answer.empty()) answer = Trimmed(clean(FieldText(item, "correct")));
    if (answer.empty()) return "the answer is empty";
    // Moodle's numerical type takes any number it can read; the QTI players and Canvas
    // compare a text answer as text, so only a JSON number (1e+20 too) is numeric there.
    const bool moodle = format == ExamFormat::Moodle || format == ExamFormat::Gift;
    auto given = item.find("answer");
    if (given == item.end() || (given->is_string() && Trimmed(given->get<std::string>()).empty()))
        given = item.find("correct");
    const bool number = given != item.end() && given->is_number();
    if (IsMoodleNumber(answer) && (moodle || number)) {
        q.kind = ExportQuestion::Numeric;
        if (moodle && number) out.numberIds.push_back(q.id);
        q.answer = answer[0] == '+' && !moodle ? answer.substr(1) : answer;
        CollectOtherAnswers(item, q, clean);
        CollectAnswerExtras(item, q, clean);
        return "";
    }
    q.kind = ExportQuestion::ShortAnswer;
    q.answer = answer;
    if (given != item.end() && given->is_boolean()) out.numberIds.push_back(q.id);
    CollectOtherAnswers(item, q, clean);
    CollectAnswerExtras(item, q, clean);
    // GIFT has no escape for "->": beside the '=' that separates answers, Moodle would take
    // them for a matching question.
    std::vector<const std::string*> texts{&q.answer};
    for (const auto& other : q.otherAnswers) texts.push_back(&other.first);
    for (const auto& partial : q.partialAnswers) texts.push_back(&partial.first);
    for (const std::string& response : q.feedbackOnly) texts.push_back(&response);
    const bool arrow = std::any_of(texts.begin(), texts.end(),
                                   [](const std::string* text) { return text->find("->") != std::string::npos; });
    if (format == ExamFormat::Gift && arrow && (texts.size() > 1 || q.feedback.count("*")))
        return "its text answers hold \"->\" beside other answers, which GIFT reads as a matching question";
    return "";
}

// The item's type-specific parts; why it is left out, or "".
std::string CollectTypeParts(const json& item, ExamFormat format, ExportQuestion& q, Cleaner& clean,
                             ExamQuestions& out)
{
    const std::string formatName = ExamFormatName(format);
    if (q.type == "algorithmic") return "algorithmic items have no equivalent in " + formatName;
    if (IsBlank(q.stem)) return "the question text is empty";
    if (q.type == "multiple_choice") return CollectChoices(item, q, clean, out);
    if (q.type == "numerical") return CollectAnswer(item, format, q, clean, out);
    if (q.type != "true_false") return "items of type \"" + q.type + "\" have no equivalent in " + formatName;
    q.kind = ExportQuestion::TrueFalse;
    q.truth = ToLowerAscii(FieldText(item, "correct")) != "false";
    return "";
}

// What an import of the file would read otherwise, for the message: outcome codes as
// Moodle keeps tags, CR LF as every XML parser and GIFT reader gives it, and GIFT's
// placeholders for its special characters, which its reader turns back into them.
void NoteChangedTexts(const ExportQuestion& q, ExamFormat format, ExamQuestions& out)
{
    std::vector<const std::string*> texts = {&q.stem, &q.category, &q.answer, &q.generalFeedback};
    for (const std::string& c : q.choices) texts.push_back(&c);
    for (const auto& a : q.otherAnswers) texts.push_back(&a.first);
    for (const auto& a : q.partialAnswers) texts.push_back(&a.first);
    for (const auto& f : q.feedback) texts.push_back(&f.second);
    bool tags = false;
    for (const auto& objective : q.objectives) {
        texts.push_back(&objective.second);
        tags = tags || objective.second.find_first_of(format == ExamFormat::Gift ? "<>`\r\n\t" : "<>\r\n\t") !=
                           std::string::npos;
    }
    if (tags && (format == ExamFormat::Moodle || format == ExamFormat::Gift)) out.tagIds.push_back(q.id);
    auto any = [&texts](auto test) { return std::any_of(texts.begin(), texts.end(), [&](const std::string* t) { return test(*t); }); };
    if (any([](const std::string& t) { return t.find('\r') != std::string::npos; })) out.crlfIds.push_back(q.id);
    auto placeholder = [](const std::string& t) {
        for (size_t at = t.find("&&"); at != std::string::npos; at = t.find("&&", at + 1))
            if (at + 6 <= t.size() && std::isdigit(static_cast<unsigned char>(t[at + 2])) &&
                std::isdigit(static_cast<unsigned char>(t[at + 3])) && std::isdigit(static_cast<unsigned char>(t[at + 4])) &&
                t[at + 5] == ';')
                return true;
        return false;
    };
    if (format == ExamFormat::Gift && any(placeholder)) out.placeholderIds.push_back(q.id);
}

} // namespace

ExamQuestions CollectExamQuestions(const json& exam, ExamFormat format)
{
    ExamQuestions out;
    auto items = exam.find("items");
    if (items == exam.end() || !items->is_array()) return out;
    for (const json& item : *items) {
        if (!item.is_object()) continue;
        ++out.selected;
        Cleaner clean;
        ExportQuestion q;
        q.id = clean(FieldText(item, "id"));
        // The document keeps the type as written ("Multiple Choice"); loading decided what it means.
        q.type = NormalizeTypeString(FieldText(item, "type"));
        if (q.type.empty()) q.type = InferTypeFromItem(item);
        q.category = clean(FieldText(item, "category"));
        if (IsBlank(q.category)) q.category.clear();
        q.stem = clean(FieldText(item, "question"));
        const std::string why = CollectTypeParts(item, format, q, clean, out);
        if (!why.empty()) {
            out.leftOut.emplace_back(q.id, why);
            continue;
        }
        CollectFeedback(item, q, clean);
        if (LosesKeptParts(q, format)) out.lostIds.push_back(q.id);
        auto objectives = item.find("objectives");
        if (objectives != item.end() && objectives->is_object())
            for (const char* key : {"MLO", "CLO", "PLO"}) {
                std::string value = Trimmed(clean(FieldText(*objectives, key)));
                if (!value.empty()) q.objectives.emplace_back(key, std::move(value));
            }
        if (clean.dropped) out.cleanedIds.push_back(q.id);
        // Moodle's question and category names hold 255 characters; a longer category name
        // would stop the whole import.
        if (format == ExamFormat::Moodle || format == ExamFormat::Gift) {
            if (Utf8CharCount(q.id) > 255) out.cutIds.push_back(q.id);
            if (Utf8CharCount(q.category) > 255) {
                q.category = FirstUtf8Chars(q.category, 255);
                out.cutCategoryIds.push_back(q.id);
            }
        }
        NoteChangedTexts(q, format, out);
        out.questions.push_back(std::move(q));
    }
    return out;
}

ExamFile WriteExamAs(ExamFormat format, const json& exam)
{
    ExamFile file;
    file.questions = CollectExamQuestions(exam, format);
    if (file.questions.questions.empty()) return file;
    switch (format) {
    case ExamFormat::Moodle: file.bytes = WriteMoodleXml(file.questions); break;
    case ExamFormat::Gift: file.bytes = WriteGift(file.questions); break;
    case ExamFormat::Qti21:
        if (!WriteQti21Package(file.questions, file.bytes)) return file;
        break;
    case ExamFormat::Qti12:
        if (!WriteQti12Package(file.questions, file.bytes)) return file;
        break;
    }
    file.written = true;
    return file;
}

std::string ExamFileMessage(const ExamFile& file, ExamFormat format, size_t maxListed)
{
    const ExamQuestions& q = file.questions;
    const std::string name = ExamFormatName(format);
    std::string text;
    if (file.written) {
        // Counted by the names the windows give the types.
        size_t counts[4] = {};
        size_t asText = 0;
        for (const ExportQuestion& question : q.questions) {
            ++counts[question.kind == ExportQuestion::ShortAnswer ? ExportQuestion::Numeric : question.kind];
            asText += question.kind == ExportQuestion::ShortAnswer;
        }
        text = "Exported " + std::to_string(q.questions.size()) + " of " + std::to_string(q.selected) +
               " items as " + name + ":";
        const char* names[] = {"multiple choice", "true/false", "numerical"};
        bool first = true;
        for (int k = 0; k < 3; ++k) {
            if (!counts[k]) continue;
            text += std::string(first ? " " : ", ") + std::to_string(counts[k]) + " " + names[k];
            if (k == ExportQuestion::Numeric && asText)
                text += " (" + std::to_string(asText) + " with a text answer, as short answer)";
            first = false;
        }
        text += ".";
    } else if (q.questions.empty()) {
        text = "Nothing was exported: none of the " + std::to_string(q.selected) + " selected items can be written as " +
               name + ".";
    } else {
        text = "The " + name + " file could not be made (it would be larger than 4 GiB).";
    }
    if (!q.leftOut.empty()) {
        text += "\n\nLeft out " + std::to_string(q.leftOut.size()) + (q.leftOut.size() == 1 ? " item:" : " items:");
        for (size_t i = 0; i < q.leftOut.size() && i < maxListed; ++i)
            text += "\n" + q.leftOut[i].first + ": " + q.leftOut[i].second;
        if (q.leftOut.size() > maxListed)
            text += "\n... and " + std::to_string(q.leftOut.size() - maxListed) + " more.";
    }
    auto items = [](size_t n) { return std::to_string(n) + (n == 1 ? " item: " : " items: "); };
    if (!q.cleanedIds.empty())
        text += "\n\nControl characters that " + name + " cannot carry were dropped from " + items(q.cleanedIds.size()) +
                IdList(q.cleanedIds, maxListed) + ".";
    if (!q.shiftedIds.empty())
        text += "\n\nA blank choice is left out, so the choices after it move up a letter (the key too) in " +
                items(q.shiftedIds.size()) + IdList(q.shiftedIds, maxListed) + ".";
    if (!q.lostIds.empty())
        text += "\n\n" + name + " cannot carry all that an import kept (case-sensitive matching, answers given part "
                "marks, wildcard patterns, feedback) in " + items(q.lostIds.size()) + IdList(q.lostIds, maxListed) + ".";
    if (!q.numberIds.empty())
        text += "\n\nAnswers stored as JSON numbers or true/false are written as text, which Import reads back as "
                "text, in " + items(q.numberIds.size()) + IdList(q.numberIds, maxListed) + ".";
    if (!q.cutCategoryIds.empty())
        text += "\n\nCategories longer than the 255 characters of a Moodle category name are cut there in " +
                items(q.cutCategoryIds.size()) + IdList(q.cutCategoryIds, maxListed) + ".";
    if (!q.cutIds.empty())
        text += "\n\nIDs longer than the 255 characters of a question name are cut there (and not kept as ID "
                "number) in " + items(q.cutIds.size()) + IdList(q.cutIds, maxListed) + ".";
    if (!q.tagIds.empty())
        text += "\n\nLearning outcomes go as Moodle's tags, which keep no '<', '>', tabs or line breaks (a space in "
                "their place), in " + items(q.tagIds.size()) + IdList(q.tagIds, maxListed) + ".";
    if (!q.crlfIds.empty())
        text += "\n\nLine breaks written as CR LF come back from an import as LF in " + items(q.crlfIds.size()) +
                IdList(q.crlfIds, maxListed) + ".";
    if (!q.placeholderIds.empty())
        text += "\n\nMoodle's GIFT import reads its own placeholders (such as \"&&058;\") in a text as the "
                "characters they stand for in " + items(q.placeholderIds.size()) + IdList(q.placeholderIds, maxListed) + ".";
    return text;
}

std::vector<std::string> UniqueXmlNames(const ExamQuestions& exam)
{
    std::vector<std::string> names;
    names.reserve(exam.questions.size());
    std::unordered_set<std::string> taken;
    for (const ExportQuestion& q : exam.questions) {
        std::string base = XmlNameFrom(q.id, 56);
        // "exam." names the package's own parts (test, sections, manifest).
        if (ToLowerAscii(base.substr(0, 5)) == "exam.") base = "item_" + base.substr(0, 51);
        // Windows cannot extract a file named for a device, whatever its extension.
        else if (IsWindowsDeviceName(base.substr(0, base.find('.')))) base = "item_" + base;
        std::string name = base;
        for (size_t n = 2; !taken.insert(ToLowerAscii(name)).second; ++n) name = base + "_" + std::to_string(n);
        names.push_back(std::move(name));
    }
    return names;
}

bool HtmlAltersText(const std::string& text)
{
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        const char a = text[i], b = text[i + 1];
        const bool blankA = a == ' ' || a == '\t', blankB = b == ' ' || b == '\t';
        if (a == '\t' || (blankA && (blankB || b == '\n' || b == '\r')) || ((a == '\n' || a == '\r') && blankB))
            return true;
        if (a == '\xC2' && b == '\xA0') return true;
    }
    return !text.empty() && text.back() == '\t';
}

std::string MoodleCategoryPath(const std::string& category)
{
    std::string path = "$course$/top/";
    const std::string name = IsBlank(category) ? std::string("Uncategorized") : category;
    // A name's leading "//" would join the "/" before it into one run that Moodle does not split.
    if (name[0] == '/') path += ' ';
    for (size_t i = 0; i < name.size(); ++i) {
        const char c = name[i];
        if (c == '/') path += "//";
        else if (c == '\r' && i + 1 < name.size() && name[i + 1] == '\n') continue; // one space for CR LF
        else if (c == '\r' || c == '\n') path += ' ';
        else path += c;
    }
    return path;
}
