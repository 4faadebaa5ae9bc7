#include "print/PrintLogic.h"

#include <limits>

#include "util/Mix.h"
#include "util/StringUtil.h"
#include "util/XmlText.h"

namespace {

bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

std::string Trimmed(const std::string& text)
{
    size_t a = 0, b = text.size();
    while (a < b && IsSpace(text[a])) ++a;
    while (b > a && IsSpace(text[b - 1])) --b;
    return text.substr(a, b - a);
}

// The words of a text, lower-case ASCII letters and digits; everything else separates.
std::vector<std::string> Words(const std::string& text)
{
    std::vector<std::string> words(1);
    for (char c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) {
            words.back() += c;
        } else if (!words.back().empty()) {
            words.emplace_back();
        }
    }
    if (words.back().empty()) words.pop_back();
    return words;
}

bool OneOf(const std::string& word, std::initializer_list<const char*> list)
{
    for (const char* entry : list)
        if (word == entry) return true;
    return false;
}

struct Generator {
    uint64_t state;
    uint64_t Next()
    {
        const uint64_t value = SplitMix64(state);
        state += 0x9E3779B97F4A7C15ull;
        return value;
    }
    // Uniform in [0, n) without the modulo's bias.
    uint64_t Below(uint64_t n)
    {
        const uint64_t limit = std::numeric_limits<uint64_t>::max() - std::numeric_limits<uint64_t>::max() % n;
        uint64_t value;
        do value = Next();
        while (value >= limit);
        return value % n;
    }
    template <class T>
    void Shuffle(std::vector<T>& values)
    {
        for (size_t i = values.size(); i > 1; --i) std::swap(values[i - 1], values[Below(i)]);
    }
};

std::vector<size_t> Identity(size_t n)
{
    std::vector<size_t> order(n);
    for (size_t i = 0; i < n; ++i) order[i] = i;
    return order;
}

// Text as HTML shows it: the page keeps line ends (pre-wrap).
void AppendHtml(std::string& out, const std::string& text) { AppendEscaped(out, text, Markup::HtmlPre); }

std::string Html(const std::string& text) { return EscapedText(text, Markup::HtmlPre); }

// A CSS string's content inside the page's <style>: "</style" must not appear in it.
std::string CssString(const std::string& text)
{
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '<') {
            out += "\\3C ";
        } else if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7f) {
            out += c;
        }
    }
    return out + "\"";
}


const char kStyle[] = R"(* { box-sizing: border-box; }
body { font: 11pt/1.45 "DejaVu Serif", Georgia, "Times New Roman", serif; color: #000; margin: 0; }
@media screen {
  body { max-width: 48em; margin: 2em auto; padding: 0 1.5em; background: #fff; }
  section + section { margin-top: 3em; padding-top: 2em; border-top: 2px dashed #999; }
}
section + section { break-before: page; page-break-before: always; }
header.head { display: flex; justify-content: space-between; align-items: flex-end; gap: 1em;
  border-bottom: 1.5pt solid #000; padding-bottom: 6pt; margin-bottom: 14pt; }
h1, h2 { font-size: 16pt; margin: 0; }
.sub { font-size: 10pt; color: #333; margin-top: 2pt; }
.line { display: inline-block; border-bottom: 1px solid #000; height: 1.2em; vertical-align: bottom; }
.q { display: flex; gap: 0.5em; margin: 0 0 10pt; break-inside: avoid; page-break-inside: avoid; }
.num { font-weight: bold; min-width: 2.4em; text-align: right; }
.qbody { flex: 1; min-width: 0; }
.stem { white-space: pre-wrap; overflow-wrap: anywhere; margin: 0 0 4pt; }
.choices { list-style: none; margin: 0; padding: 0 0 0 0.6em; }
.choices li { display: flex; gap: 0.4em; margin: 1pt 0; }
.choices .letter { min-width: 1.4em; }
.choices .text { white-space: pre-wrap; overflow-wrap: anywhere; }
.tf, .answer { margin: 2pt 0 0; padding-left: 0.6em; }
.answer .line { width: 14em; }
table.key { border-collapse: collapse; width: 100%; font-size: 10pt; margin-top: 6pt; }
table.key th, table.key td { border: 1px solid #888; padding: 2pt 6pt; text-align: left; vertical-align: top; }
table.key td { overflow-wrap: anywhere; }
table.key tr { break-inside: avoid; page-break-inside: avoid; }
table.key thead { display: table-header-group; }
.note { font-size: 9.5pt; color: #333; }
.notes { font-size: 9.5pt; margin-top: 10pt; }
.notes li { white-space: pre-wrap; overflow-wrap: anywhere; }
)";

void AppendQuestion(std::string& out, size_t number, const PrintQuestion& q, const std::vector<size_t>& choiceOrder)
{
    out += "<div class=\"q\"><div class=\"num\">" + std::to_string(number) + ".</div><div class=\"qbody\">";
    out += "<p class=\"stem\">";
    AppendHtml(out, q.stem);
    out += "</p>";
    switch (q.kind) {
    case PrintQuestion::Choice:
        out += "<ol class=\"choices\">";
        for (size_t at = 0; at < choiceOrder.size(); ++at) {
            out += "<li><span class=\"letter\">";
            out += static_cast<char>('a' + at);
            out += ")</span><span class=\"text\">";
            AppendHtml(out, q.choices[choiceOrder[at]]);
            out += "</span></li>";
        }
        out += "</ol>";
        break;
    case PrintQuestion::TrueFalse: out += "<p class=\"tf\">True / False</p>"; break;
    case PrintQuestion::Numeric: out += "<p class=\"answer\">Answer: <span class=\"line\"></span></p>"; break;
    }
    out += "</div></div>\n";
}

} // namespace

bool ChoiceRefersToOthers(const std::string& text)
{
    const std::vector<std::string> words = Words(text);
    if (words.empty()) return false;
    const bool quantified = OneOf(words[0], {"all", "none", "both", "neither", "either", "any", "each"});
    size_t letters = 0;
    bool onlyListWords = true, pairing = false;
    for (const std::string& w : words) {
        // "All of the above", "None of these", "Both of the others", "All the previous answers".
        if (quantified && OneOf(w, {"above", "these", "others", "other", "preceding", "previous", "listed", "below"}))
            return true;
        if (w.size() == 1 && w[0] >= 'a' && w[0] <= 'z') ++letters; // a choice's letter
        else if (OneOf(w, {"both", "neither", "either", "only", "except", "but", "not"})) pairing = true;
        else if (!OneOf(w, {"and", "or", "nor", "all", "none", "choices", "choice", "options", "option", "answers",
                            "answer", "are", "is", "correct", "true"}))
            onlyListWords = false;
    }
    // "A and B", "Both A and B", "Neither a nor c", "A, B and C are correct", "All but D".
    return onlyListWords && (letters >= 2 || (letters == 1 && (pairing || quantified)));
}

PrintableExam CollectPrintQuestions(const json& exam)
{
    PrintableExam out;
    auto items = exam.is_object() ? exam.find("items") : exam.end();
    if (!exam.is_object() || items == exam.end() || !items->is_array()) return out;
    for (const json& item : *items) {
        if (!item.is_object()) continue;
        ++out.selected;
        PrintQuestion q;
        q.id = FieldText(item, "id");
        const std::string written = Trimmed(FieldText(item, "type"));
        std::string type = NormalizeTypeString(written);
        // A type of its own ("essay") is not guessed away.
        if (type.empty()) type = written.empty() ? InferTypeFromItem(item) : written;
        q.stem = FieldText(item, "question");
        auto leaveOut = [&](const std::string& reason) { out.leftOut.emplace_back(q.id, reason); };
        if (type == "algorithmic") {
            leaveOut("algorithmic items are generated per student and cannot be printed");
            continue;
        }
        if (IsBlank(q.stem)) {
            leaveOut("the question text is empty");
            continue;
        }
        if (type == "multiple_choice") {
            q.kind = PrintQuestion::Choice;
            auto choices = item.find("choices");
            const std::string key = ToLowerAscii(Trimmed(FieldText(item, "correct")));
            bool keyFound = false;
            const bool hasChoices = choices != item.end() && choices->is_object();
            for (int k = 0, count = hasChoices ? ChoiceCount(*choices) : 0; k < count; ++k) {
                const std::string letter = ChoiceLetter(k);
                const std::string text = FieldText(*choices, letter.c_str());
                if (IsBlank(text)) continue;
                if (key == ToLowerAscii(letter)) {
                    q.correct = q.choices.size();
                    keyFound = true;
                }
                q.keepChoiceOrder = q.keepChoiceOrder || ChoiceRefersToOthers(text);
                q.choices.push_back(text);
            }
            if (!keyFound) {
                leaveOut("the correct choice (" + FieldText(item, "correct") + ") is empty");
                continue;
            }
            if (q.choices.size() < 2) {
                leaveOut("it has fewer than two non-empty choices");
                continue;
            }
        } else if (type == "true_false") {
            q.kind = PrintQuestion::TrueFalse;
            auto correct = item.find("correct");
            const std::string text = ToLowerAscii(Trimmed(FieldText(item, "correct")));
            q.truth = correct == item.end() ? true : !(text == "false" || text == "f" || text == "0" || text == "no");
        } else if (type == "numerical") {
            q.kind = PrintQuestion::Numeric;
            q.answer = Trimmed(FieldText(item, "answer"));
            if (q.answer.empty()) q.answer = Trimmed(FieldText(item, "correct"));
            if (q.answer.empty()) {
                leaveOut("the answer is empty");
                continue;
            }
            // An imported short answer may be a pattern: its '*' is no star to write down.
            auto wildcard = item.find("answer_wildcard");
            if (wildcard != item.end() && wildcard->is_boolean() && wildcard->get<bool>())
                q.answer += " (* stands for any characters)";
        } else {
            leaveOut(type.empty() ? std::string("its type is not known")
                                  : "items of type \"" + type + "\" cannot be printed");
            continue;
        }
        out.questions.push_back(std::move(q));
    }
    return out;
}

std::vector<ExamVersion> MakeExamVersions(const PrintableExam& exam, unsigned versions, uint64_t seed)
{
    std::vector<ExamVersion> out(versions);
    const size_t n = exam.questions.size();
    for (unsigned v = 0; v < versions; ++v) {
        ExamVersion& version = out[v];
        version.order = Identity(n);
        // Each version its own stream, so version k does not depend on how many there are.
        Generator rng{seed ^ (0xD1B54A32D192ED03ull * (v + 1))};
        if (versions > 1) rng.Shuffle(version.order);
        version.choiceOrder.reserve(n);
        for (size_t index : version.order) {
            const PrintQuestion& q = exam.questions[index];
            std::vector<size_t> choices = Identity(q.kind == PrintQuestion::Choice ? q.choices.size() : 0);
            if (versions > 1 && !q.keepChoiceOrder) rng.Shuffle(choices);
            version.choiceOrder.push_back(std::move(choices));
        }
    }
    return out;
}

std::string KeyAnswer(const PrintQuestion& question, const std::vector<size_t>& choiceOrder)
{
    switch (question.kind) {
    case PrintQuestion::Choice:
        for (size_t at = 0; at < choiceOrder.size(); ++at)
            if (choiceOrder[at] == question.correct) return std::string(1, static_cast<char>('a' + at));
        return "";
    case PrintQuestion::TrueFalse: return question.truth ? "True" : "False";
    case PrintQuestion::Numeric: return question.answer;
    }
    return "";
}

std::string RenderExamHtml(const PrintableExam& exam, const std::vector<ExamVersion>& versions,
                           const std::string& title)
{
    const bool several = versions.size() > 1;
    auto versionName = [&](size_t v) { return several ? "Version " + std::to_string(v + 1) : std::string(); };
    std::string out;
    out.reserve(exam.questions.size() * 400 * (versions.size() + 1) + 8192);
    out += "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>";
    AppendHtml(out, title);
    out += "</title>\n<style>\n";
    const std::string marginFont = "font: 9pt sans-serif; color: #333;";
    // Each version, and the keys, count their own pages: the browser's page counter runs on
    // across the whole document and cannot be reset, a counter of each named page can.
    out += "@page { margin: 20mm 16mm 18mm 16mm; }\n";
    auto pageNumber = [&](const std::string& counter, const std::string& before) {
        return "counter-increment: " + counter + "; @bottom-center { content: " + CssString(before) + " counter(" +
               counter + "); " + marginFont + " }";
    };
    for (size_t v = 0; v < versions.size(); ++v) {
        const std::string n = std::to_string(v + 1);
        const std::string head = several ? title + " \xC2\xB7 " + versionName(v) : title;
        out += "@page v" + n + " { " + pageNumber("vpage" + n, several ? versionName(v) + ", page " : "Page ") +
               " @top-left { content: " + CssString(head) + "; " + marginFont +
               " } @top-right { content: \"Name: ______________________\"; " + marginFont + " } }\n";
        out += "section.v" + n + " { page: v" + n + "; }\n";
    }
    out += "@page key { " + pageNumber("keypage", "Answer key, page ") + " @top-left { content: " +
           CssString(title + " \xC2\xB7 Answer key") + "; " + marginFont + " } }\nsection.key { page: key; }\n";
    out += kStyle;
    out += "</style>\n</head>\n<body>\n";
    const std::string escapedTitle = Html(title);
    const std::string count = std::to_string(exam.questions.size()) +
                              (exam.questions.size() == 1 ? " question" : " questions");
    for (size_t v = 0; v < versions.size(); ++v) {
        const ExamVersion& version = versions[v];
        out += "<section class=\"version v" + std::to_string(v + 1) + "\">\n<header class=\"head\"><div><h1>" +
               escapedTitle + "</h1><div class=\"sub\">" + (several ? versionName(v) + " \xC2\xB7 " : "") + count +
               "</div></div></header>\n"; // the name line is in every page's top margin
        for (size_t at = 0; at < version.order.size(); ++at)
            AppendQuestion(out, at + 1, exam.questions[version.order[at]], version.choiceOrder[at]);
        out += "</section>\n";
    }
    for (size_t v = 0; v < versions.size(); ++v) {
        const ExamVersion& version = versions[v];
        out += "<section class=\"key\">\n<header class=\"head\"><div><h2>" + escapedTitle +
               "</h2><div class=\"sub\">Answer key" + (several ? " \xC2\xB7 " + versionName(v) : std::string()) +
               "</div></div></header>\n<table class=\"key\"><thead><tr><th>No.</th><th>Answer</th><th>Item ID</th>"
               "<th>Note</th></tr></thead>\n<tbody>\n";
        for (size_t at = 0; at < version.order.size(); ++at) {
            const PrintQuestion& q = exam.questions[version.order[at]];
            out += "<tr><td>" + std::to_string(at + 1) + "</td><td>" + Html(KeyAnswer(q, version.choiceOrder[at])) +
                   "</td><td>" + Html(q.id) + "</td><td class=\"note\">" +
                   (several && q.keepChoiceOrder ? "choice order kept: a choice refers to the others" : "") +
                   "</td></tr>\n";
        }
        out += "</tbody></table>\n";
        if (!exam.leftOut.empty()) {
            out += "<div class=\"notes\">Not printed:<ul>";
            for (const auto& [id, reason] : exam.leftOut) out += "<li>" + Html(id) + ": " + Html(reason) + "</li>";
            out += "</ul></div>\n";
        }
        out += "</section>\n";
    }
    out += "</body>\n</html>\n";
    return out;
}

std::string RenderAnswerKeyCsv(const PrintableExam& exam, const std::vector<ExamVersion>& versions)
{
    std::string out = "version,number,id,answer\n";
    for (size_t v = 0; v < versions.size(); ++v)
        for (size_t at = 0; at < versions[v].order.size(); ++at) {
            const PrintQuestion& q = exam.questions[versions[v].order[at]];
            out += std::to_string(v + 1) + "," + std::to_string(at + 1) + "," + CsvField(q.id) + "," +
                   CsvField(KeyAnswer(q, versions[v].choiceOrder[at])) + "\n";
        }
    return out;
}

namespace {

// Decimal digits only, at most `max`.
bool ParseWhole(const std::string& typed, uint64_t max, uint64_t& value)
{
    const std::string text = Trimmed(typed);
    if (text.empty() || text.size() > 20) return false;
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        const uint64_t digit = static_cast<uint64_t>(c - '0');
        if (value > (max - digit) / 10) return false;
        value = value * 10 + digit;
    }
    return true;
}

} // namespace

bool ParseVersionsText(const std::string& text, unsigned& versions, std::string& error)
{
    uint64_t value = 0;
    if (!ParseWhole(text, kMaxPrintVersions, value) || value < 1) {
        error = "Versions must be a whole number from 1 to " + std::to_string(kMaxPrintVersions) + ".";
        return false;
    }
    versions = static_cast<unsigned>(value);
    return true;
}

bool ParseSeedText(const std::string& text, uint64_t& seed, std::string& error)
{
    if (!ParseWhole(text, std::numeric_limits<uint64_t>::max(), seed)) {
        error = "The seed must be a whole number from 0 to 18446744073709551615.";
        return false;
    }
    return true;
}

std::string PrintTitle(const std::string& typed)
{
    std::string title;
    for (char c : typed) title += c == '\r' || c == '\n' || c == '\t' ? ' ' : c;
    title = Trimmed(title);
    return title.empty() ? "Exam" : title;
}

std::string DefaultPrintTitle(const json& document, const std::string& path)
{
    if (document.is_object()) {
        auto title = document.find("title");
        if (title != document.end() && title->is_string() && !IsBlank(title->get<std::string>()))
            return PrintTitle(title->get<std::string>());
    }
    std::string name = path.substr(path.find_last_of("/\\") == std::string::npos ? 0 : path.find_last_of("/\\") + 1);
    const size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) name.resize(dot);
    return PrintTitle(name);
}

namespace {

std::string LeftOutList(const PrintableExam& exam, size_t maxListed)
{
    if (exam.leftOut.empty()) return "";
    std::string text = "\n\nLeft out " + std::to_string(exam.leftOut.size()) +
                       (exam.leftOut.size() == 1 ? " item:" : " items:");
    for (size_t i = 0; i < exam.leftOut.size() && i < maxListed; ++i)
        text += "\n" + exam.leftOut[i].first + ": " + exam.leftOut[i].second;
    if (exam.leftOut.size() > maxListed) text += "\n... and " + std::to_string(exam.leftOut.size() - maxListed) + " more.";
    return text;
}

} // namespace

std::string PrintSummary(const PrintableExam& exam, unsigned versions, bool withKey, size_t maxListed)
{
    std::string text = "Printed " + std::to_string(exam.questions.size()) + " of " + std::to_string(exam.selected) +
                       " items in " + std::to_string(versions) + (versions == 1 ? " version" : " versions") +
                       ", with the answer key on its own page" + (withKey ? " and in the CSV file." : ".");
    size_t kept = 0;
    for (const PrintQuestion& q : exam.questions) kept += q.keepChoiceOrder;
    if (versions > 1 && kept)
        text += " " + std::to_string(kept) + (kept == 1 ? " item keeps its" : " items keep their") +
                " choice order (a choice refers to the others).";
    return text + LeftOutList(exam, maxListed);
}

std::string NothingToPrintMessage(const PrintableExam& exam, size_t maxListed)
{
    if (!exam.questions.empty()) return "";
    return "Nothing to print: none of the " + std::to_string(exam.selected) + " selected items can be printed." +
           LeftOutList(exam, maxListed);
}
