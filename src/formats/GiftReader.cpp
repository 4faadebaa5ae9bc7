#include "formats/ImportFormats.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "model/JsonModel.h"
#include "util/XmlReader.h"

// Reads GIFT the way Moodle's importer does: a blank line ends a question whatever is
// open, the answers are the first "{...}", '~' makes a multiple choice, "=" with "->" and
// no '~' a matching, and only \: \# \= \{ \} \~ \n \\ are escapes.
namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Escaped specials become control characters while the question is taken apart, so the
// searches below never see them.
constexpr char kEscaped[] = ":#={}~n";

std::string Protect(std::string_view text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '\x01' && c <= '\x07') continue; // never in real text; reserved here
        if (c == '\\' && i + 1 < text.size()) {
            const char next = text[i + 1];
            const char* at = next ? std::strchr(kEscaped, next) : nullptr;
            if (next == '\\') {
                out += '\\';
                ++i;
                continue;
            }
            if (at) {
                out += static_cast<char>(1 + (at - kEscaped));
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

std::string Restore(std::string_view text)
{
    std::string out;
    for (char c : text) {
        if (c >= '\x01' && c <= '\x07') out += c == '\x07' ? '\n' : kEscaped[c - 1];
        else out += c;
    }
    return out;
}

std::string Trim(std::string_view text)
{
    while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
    return std::string(text);
}

// One question's context while it is read: its label and the notes about its text.
struct Reading {
    std::string label;
    std::string format; // "html", "plain", "markdown", "moodle" or "" for the default
    ImportResult* result = nullptr;
    std::vector<std::string> lost; // what the text's markup turned into placeholders
};

// A "[html]" marker taken off, the escapes undone and HTML made plain text.
std::string Text(std::string_view raw, Reading& r, std::string* formatOut = nullptr)
{
    std::string text = Trim(raw);
    std::string format = r.format;
    if (!text.empty() && text[0] == '[') {
        const size_t end = text.find(']');
        const std::string name = end == std::string::npos ? "" : text.substr(1, end - 1);
        if (name == "plain" || name == "html" || name == "markdown" || name == "moodle") {
            format = name;
            text.erase(0, end + 1);
        }
    }
    if (formatOut) *formatOut = format;
    text = Trim(Restore(text));
    if (format == "html") text = ImportHtml(text, r.lost);
    return text;
}

// "%50%rest" -> 50 with "rest" left; as Moodle, one or two digits, an optional fraction
// and optional minus signs.
bool TakeWeight(std::string& answer, double& weight)
{
    size_t i = 1;
    if (answer.empty() || answer[0] != '%') return false;
    bool negative = false;
    while (i < answer.size() && answer[i] == '-') {
        negative = true;
        ++i;
    }
    const size_t digits = i;
    while (i < answer.size() && std::isdigit(static_cast<unsigned char>(answer[i]))) ++i;
    if (i == digits || i - digits > 3) return false;
    if (i < answer.size() && answer[i] == '.') {
        ++i;
        while (i < answer.size() && std::isdigit(static_cast<unsigned char>(answer[i]))) ++i;
    }
    if (i >= answer.size() || answer[i] != '%') return false;
    weight = std::strtod(answer.c_str() + digits, nullptr);
    if (negative) weight = -weight;
    answer.erase(0, i + 1);
    return true;
}

// A '~'-separated answer's mark, taken off its text: "=" right (100), "%N%" weighted, else 0.
double TakeMark(std::string& answer)
{
    double weight = 0;
    if (!answer.empty() && answer[0] == '=') {
        answer.erase(0, 1);
        return 100;
    }
    TakeWeight(answer, weight);
    return weight;
}

struct Answer {
    double weight = 0; // percent
    std::string text, feedback;
};

// "text#feedback" (escapes still protected).
Answer Split(std::string raw, double weight, Reading& r)
{
    Answer a;
    a.weight = weight;
    const size_t hash = raw.find('#');
    a.text = Text(raw.substr(0, hash), r);
    if (hash != std::string::npos) a.feedback = Text(raw.substr(hash + 1), r);
    return a;
}

std::vector<std::string> SplitOn(const std::string& text, char separator)
{
    std::vector<std::string> parts(1);
    for (char c : text) {
        if (c == separator) parts.emplace_back();
        else parts.back() += c;
    }
    return parts;
}

std::string Number(double value)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.12g", value);
    return buffer;
}

std::string Percent(double weight) { return Number(weight) + "%"; }

// A text answer from right answers and weighted ones: the first full-mark one is the
// answer, other full-mark ones are kept as accepted too, partial ones are named.
bool TextAnswers(ImportedQuestion& q, const std::vector<Answer>& answers, Reading& r, const char* what)
{
    json others = json::array(), partial = json::object();
    size_t full = 0;
    for (const Answer& a : answers) {
        if (a.weight >= 100) {
            if (full++ == 0) q.answer = a.text;
            else others.push_back(a.text);
        } else if (a.weight > 0) {
            partial[a.text] = Percent(a.weight);
        }
        KeepFeedback(q, a.text, a.feedback);
    }
    if (full == 0) {
        r.result->LeaveOut(std::string(what) + " with no full-mark answer", r.label);
        return false;
    }
    if (!others.empty()) {
        r.result->notes.push_back(r.label + " accepts " + std::to_string(others.size() + 1) +
                                  " answers; the first is the answer, the others are kept under \"other_answers\".");
        q.extra["other_answers"] = std::move(others);
    }
    if (!partial.empty()) {
        r.result->notes.push_back(r.label + " gives part marks to " + std::to_string(partial.size()) +
                                  " answer(s); they are kept under \"partial_answers\", not as the answer.");
        q.extra["partial_answers"] = std::move(partial);
    }
    return true;
}

// Multiple choice from weighted answers: one full-mark answer is the key.
bool ChoiceAnswers(ImportedQuestion& q, const std::vector<Answer>& answers, Reading& r)
{
    size_t full = 0, key = 0;
    for (size_t i = 0; i < answers.size(); ++i) {
        if (answers[i].weight >= 100) {
            ++full;
            key = i;
        }
    }
    if (answers.size() < 2) {
        r.result->LeaveOut("multiple choice with fewer than two choices", r.label);
        return false;
    }
    // No choice given any marks: no key at all, not several.
    const bool unmarked = std::none_of(answers.begin(), answers.end(), [](const Answer& a) { return a.weight > 0; });
    if (full != 1 && unmarked) {
        r.result->LeaveOut("no choice marked right", r.label);
        return false;
    }
    if (full != 1) {
        r.result->notes.push_back(r.label + (full == 0 ? " has no full-mark choice" : " has several full-mark choices") +
                                  ": a multiple-answer question.");
        r.result->LeaveOut("multiple-answer", r.label);
        return false;
    }
    q.kind = ImportedQuestion::Choice;
    json weights = json::object();
    for (size_t i = 0; i < answers.size(); ++i) {
        const std::string letter = ChoiceKey(i);
        KeepFeedback(q, letter, answers[i].feedback);
        if (answers[i].weight != 0 && i != key) weights[letter] = Percent(answers[i].weight);
        q.choices.push_back(answers[i].text);
    }
    q.correct = key;
    // "a) unidad", "b) carpeta": letters typed on the choices, each its own in order.
    if (StripOwnLetters(q.choices)) r.result->notes.push_back(r.label + ": its choices carry their own letters (a), b), ...); they are taken off.");
    if (!weights.empty()) {
        r.result->notes.push_back(r.label + " gives part or negative marks to " + std::to_string(weights.size()) +
                                  " choice(s); the full-mark choice is the key, the others are kept under \"choice_weights\".");
        q.extra["choice_weights"] = std::move(weights);
    }
    return true;
}

// "#3:2", "#1..5", "#=3:0.1 =%50%4" (the leading '#' gone, wrong-answer feedback cut off).
bool NumericAnswers(ImportedQuestion& q, std::string body, Reading& r)
{
    const size_t tilde = body.find('~');
    if (tilde != std::string::npos) {
        std::string wrong = body.substr(tilde + 1);
        const size_t hash = wrong.find('#');
        if (hash != std::string::npos) KeepFeedback(q, "*", Text(wrong.substr(hash + 1), r));
        body.erase(tilde);
    }
    std::vector<std::string> parts = SplitOn(body, '=');
    if (!parts.empty() && Trim(parts[0]).empty()) parts.erase(parts.begin());
    std::vector<Answer> answers;
    json tolerances = json::object();
    for (std::string part : parts) {
        part = Trim(part);
        double weight = 100;
        TakeWeight(part, weight);
        Answer a = Split(part, weight, r);
        std::string value = a.text, tolerance = "0";
        const size_t range = value.find("..");
        const size_t colon = value.find(':');
        if (range != std::string::npos && range > 0) {
            const std::string low = Trim(value.substr(0, range)), high = Trim(value.substr(range + 2));
            char* endLow = nullptr;
            char* endHigh = nullptr;
            const double lo = std::strtod(low.c_str(), &endLow), hi = std::strtod(high.c_str(), &endHigh);
            if (low.empty() || high.empty() || *endLow || *endHigh) {
                r.result->LeaveOut("numerical with an unreadable range", r.label);
                return false;
            }
            value = Number((lo + hi) / 2);
            tolerance = Number(std::fabs(hi - lo) / 2);
        } else if (colon != std::string::npos && colon > 0) {
            tolerance = Trim(value.substr(colon + 1));
            value = Trim(value.substr(0, colon));
        }
        char* end = nullptr;
        std::strtod(tolerance.c_str(), &end);
        if (tolerance.empty() || *end || value.empty()) {
            r.result->LeaveOut("numerical with an unreadable answer", r.label);
            return false;
        }
        a.text = value;
        if (weight >= 100) tolerances[value] = tolerance;
        answers.push_back(std::move(a));
    }
    if (answers.empty()) {
        r.result->LeaveOut("numerical with no answer", r.label);
        return false;
    }
    q.kind = ImportedQuestion::Answer;
    if (!TextAnswers(q, answers, r, "numerical")) return false;
    const std::string tolerance = tolerances.value(q.answer, std::string("0"));
    if (tolerance != "0") q.extra["tolerance"] = tolerance;
    if (q.extra.contains("other_answers")) {
        json byAnswer = json::object();
        for (const auto& other : q.extra["other_answers"]) {
            const std::string t = tolerances.value(other.get<std::string>(), std::string("0"));
            if (t != "0") byAnswer[other.get<std::string>()] = t;
        }
        if (!byAnswer.empty()) q.extra["other_tolerances"] = std::move(byAnswer);
    }
    return true;
}

// An embedded answer ("1:SA:=Paris~%50%paris"), Moodle's cloze syntax, inside GIFT braces.
bool IsCloze(const std::string& body, std::string& type, std::string& rest)
{
    size_t i = 0;
    while (i < body.size() && std::isdigit(static_cast<unsigned char>(body[i]))) ++i;
    if (i >= body.size() || body[i] != ':') return false;
    const size_t colon = body.find(':', i + 1);
    if (colon == std::string::npos) return false;
    type = body.substr(i + 1, colon - i - 1);
    for (char& c : type) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    static const char* const kTypes[] = {"SA", "SHORTANSWER", "SAC", "SHORTANSWER_C", "MW", "MWC", "NM", "NUMERICAL",
                                         "MC", "MULTICHOICE", "MCV", "MCH", "MCS", "MCVS", "MCHS", "MULTICHOICE_V",
                                         "MULTICHOICE_H", "MULTICHOICE_S", "MULTICHOICE_VS", "MULTICHOICE_HS",
                                         "MR", "MULTIRESPONSE", "MRH", "MRS", "MRHS", "MULTIRESPONSE_H",
                                         "MULTIRESPONSE_S", "MULTIRESPONSE_HS"};
    for (const char* known : kTypes)
        if (type == known) {
            rest = body.substr(colon + 1);
            return true;
        }
    return false;
}

// Cloze answers are '~'-separated, each "=" (right) or "%N%" weighted.
std::vector<Answer> ClozeAnswers(const std::string& rest, Reading& r)
{
    std::vector<Answer> answers;
    for (std::string part : SplitOn(rest, '~')) {
        part = Trim(part);
        if (part.empty()) continue;
        const double weight = TakeMark(part);
        answers.push_back(Split(part, weight, r));
    }
    return answers;
}

// Moodle reads "[id:...]" and "[tag:...]" from the comment lines.
void ReadCommentFields(const std::string& comments, ImportedQuestion& q, json& tags)
{
    for (size_t at = comments.find('['); at != std::string::npos; at = comments.find('[', at + 1)) {
        // "\]" and "\\" inside a field are its own ']' and '\'.
        std::string field;
        size_t end = at + 1;
        for (; end < comments.size() && comments[end] != ']' && comments[end] != '\n'; ++end) {
            if (comments[end] == '\\' && end + 1 < comments.size() &&
                (comments[end + 1] == ']' || comments[end + 1] == '\\'))
                ++end;
            field += comments[end];
        }
        if (end >= comments.size() || comments[end] != ']') break;
        if (field.compare(0, 3, "id:") == 0) q.id = TrimText(field.substr(3));
        if (field.compare(0, 4, "tag:") == 0) {
            std::pair<std::string, std::string> objective;
            const std::string tag = TrimText(field.substr(4));
            if (ObjectiveFromTag(tag, objective)) q.objectives.push_back(objective);
            else if (!tag.empty()) tags.push_back(tag);
        }
    }
}

// A leading "::title::" taken off the text: the ID when the comments gave none.
void TakeTitle(std::string& text, ImportedQuestion& q)
{
    std::string title;
    if (text.compare(0, 2, "::") == 0) {
        const size_t end = text.find("::", 2);
        if (end != std::string::npos) {
            title = Trim(Restore(text.substr(2, end - 2)));
            text = Trim(text.substr(end + 2));
        } else {
            text.erase(0, 2);
        }
    }
    if (q.id.empty() && title != "(no ID)") q.id = title;
    if (!title.empty() && title != q.id) q.extra["name"] = title;
}

// "{1:MC:=a~b}" and its kin; false when the question is left out.
bool ReadClozeAnswers(ImportedQuestion& q, const std::string& clozeType, const std::string& clozeRest, Reading& r)
{
    const char t = clozeType[0];
    const std::vector<Answer> answers = ClozeAnswers(clozeRest, r);
    if (t == 'S' || (t == 'M' && clozeType[1] == 'W')) {
        q.kind = ImportedQuestion::Answer;
        return TextAnswers(q, answers, r, "short answer");
    }
    if (t == 'N') {
        std::string numeric;
        for (const std::string& part : SplitOn(clozeRest, '~'))
            numeric += (Trim(part).empty() || Trim(part)[0] == '=' ? "" : "=") + Trim(part) + " ";
        return NumericAnswers(q, numeric, r);
    }
    if (clozeType.compare(0, 2, "MR") == 0 || clozeType.compare(0, 13, "MULTIRESPONSE") == 0) {
        r.result->LeaveOut("multiple-answer", r.label);
        return false;
    }
    return ChoiceAnswers(q, answers, r);
}

// "{=right ~wrong ~%50%half}": every '=' starts a right answer, every '~' another one.
std::vector<Answer> ChoiceList(const std::string& body, Reading& r)
{
    std::string marked;
    for (char c : body) marked += c == '=' ? std::string("~=") : std::string(1, c);
    std::vector<Answer> answers;
    for (std::string part : SplitOn(marked, '~')) {
        part = Trim(part);
        if (part.empty()) continue;
        const bool right = part[0] == '=';
        const double weight = TakeMark(part);
        double ignored = 0;
        if (right) TakeWeight(part, ignored); // "=%50%x": the '=' rules, as Moodle reads it
        Answer a = Split(part, weight, r);
        if (a.text.empty()) continue; // Moodle drops a choice with no text
        answers.push_back(std::move(a));
    }
    return answers;
}

// "{T}", "{false#feedback#feedback}" or "{=answer =other}".
bool ReadTrueFalseOrShortAnswer(ImportedQuestion& q, const std::string& body, Reading& r)
{
    const std::string tf = ToLowerAscii(Trim(body.substr(0, body.find('#'))));
    if (tf == "t" || tf == "true" || tf == "f" || tf == "false") {
        q.kind = ImportedQuestion::TrueFalse;
        q.truth = tf[0] == 't';
        const std::vector<std::string> parts = SplitOn(body, '#');
        // "{T#if answered false#if answered true}"
        if (parts.size() > 1) KeepFeedback(q, q.truth ? "False" : "True", Text(parts[1], r));
        if (parts.size() > 2) KeepFeedback(q, q.truth ? "True" : "False", Text(parts[2], r));
        return true;
    }
    std::vector<std::string> parts = SplitOn(body, '=');
    if (!parts.empty() && Trim(parts[0]).empty()) parts.erase(parts.begin());
    std::vector<Answer> answers;
    for (std::string part : parts) {
        part = Trim(part);
        double weight = 100;
        TakeWeight(part, weight);
        answers.push_back(Split(part, weight, r));
    }
    // Answers that give marks to a wildcard pattern ('*' any characters) stay patterns;
    // otherwise "\*", Moodle's literal star, is the star.
    bool wildcard = false;
    for (const Answer& a : answers) wildcard |= a.weight > 0 && HasWildcard(a.text);
    if (wildcard) {
        q.extra[kAnswerWildcardKey] = true;
        r.result->notes.push_back(r.label + ": its answer is a pattern in which '*' stands for any characters; kept with \"" +
                                  kAnswerWildcardKey + "\": true.");
    }
    for (Answer& a : answers)
        if (!wildcard && a.text != "*") a.text = PatternLiteral(a.text);
    q.kind = ImportedQuestion::Answer;
    if (answers.empty()) r.result->LeaveOut("short answer with no answer", r.label);
    return !answers.empty() && TextAnswers(q, answers, r, "short answer");
}

// The answers between the braces by their kind; false when the question is left out.
bool ReadAnswers(ImportedQuestion& q, const std::string& body, Reading& r)
{
    std::string clozeType, clozeRest;
    if (body.empty()) {
        r.result->LeaveOut("essay", r.label);
        return false;
    }
    if (IsCloze(body, clozeType, clozeRest)) return ReadClozeAnswers(q, clozeType, clozeRest, r);
    if (body[0] == '#') return NumericAnswers(q, body.substr(1), r);
    if (body.find('~') != std::string::npos) return ChoiceAnswers(q, ChoiceList(body, r), r);
    if (body.find('=') != std::string::npos && body.find("->") != std::string::npos) {
        r.result->LeaveOut("matching", r.label);
        return false;
    }
    return ReadTrueFalseOrShortAnswer(q, body, r);
}

void ReadQuestion(const std::vector<std::string>& lines, size_t firstLine, const std::string& category,
                  ImportResult& result)
{
    ImportedQuestion q;
    std::string comments, joined;
    for (const std::string& line : lines) {
        const std::string trimmed = Trim(line);
        if (trimmed.compare(0, 2, "//") == 0) comments += trimmed + "\n";
        else joined += (joined.empty() ? "" : "\n") + line;
    }
    std::string text = Trim(Protect(joined));
    if (text.empty()) return;
    json tags = json::array();
    ReadCommentFields(comments, q, tags);
    TakeTitle(text, q);
    if (!tags.empty()) q.extra["tags"] = std::move(tags);
    q.category = category;

    Reading r;
    r.result = &result;
    r.label = result.Label(q.id);
    const size_t open = text.find('{');
    const size_t close = text.find('}');
    if (open == std::string::npos && close == std::string::npos) {
        result.LeaveOut("description (no answers)", r.label);
        return;
    }
    if (open == std::string::npos || close == std::string::npos || close < open ||
        text.find('{', open + 1) < close) {
        result.notes.push_back(r.label + " (line " + std::to_string(firstLine) +
                               "): its answers' braces do not pair up before the next blank line; it is left out.");
        result.LeaveOut("unreadable (unpaired braces)", r.label);
        return;
    }
    std::string body = Trim(text.substr(open + 1, close - open - 1));
    std::string stemText;
    if (close + 1 == text.size()) stemText = text.substr(0, open);
    else stemText = text.substr(0, open) + "_____" + text.substr(close + 1);
    if (stemText.find('{') != std::string::npos) {
        // A line ending one answer block and another block further down: most often two
        // questions with no blank line between them, which Moodle reads as one.
        const std::string between = text.substr(close + 1, text.find('{', close) - close - 1);
        if (between.find('\n') != std::string::npos)
            result.notes.push_back(r.label + " (line " + std::to_string(firstLine) +
                                   "): its answer blocks are on different lines; if these are two questions, "
                                   "put a blank line between them (GIFT reads them as one question).");
        result.LeaveOut("cloze (several blanks)", r.label);
        return;
    }
    std::string generalFeedback;
    const size_t general = body.rfind("####");
    if (general != std::string::npos) {
        generalFeedback = body.substr(general + 4);
        body = Trim(body.substr(0, general));
    }
    q.stem = Text(stemText, r, &r.format);
    // The question written as its title, with no text of its own.
    const auto name = q.extra.find("name");
    const std::string title = name != q.extra.end() && name->is_string() ? name->get<std::string>() : q.id;
    if (TrimText(q.stem).empty() && !title.empty()) {
        q.stem = title;
        result.notes.push_back(r.label + " has no question text; its title is taken as the question.");
    }
    const std::string feedbackText = Text(generalFeedback, r);
    if (!feedbackText.empty()) q.extra["general_feedback"] = feedbackText;
    if (!ReadAnswers(q, body, r)) return;
    for (const std::string& lost : r.lost) result.notes.push_back(r.label + ": " + lost);
    result.Add(std::move(q));
}

// What a line opens of the answers' braces, less what it closes (escaped braces and
// comments aside).
int LineBraces(const std::string& line)
{
    int open = 0;
    if (line.compare(0, 2, "//") == 0) return 0;
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '\\') ++i;
        else if (line[i] == '{') ++open;
        else if (line[i] == '}') --open;
    }
    return open;
}

} // namespace

bool ReadGift(std::string_view bytes, ImportResult& result, std::string& error)
{
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    result.source = "GIFT";
    std::string category;
    std::vector<std::string> block;
    int unclosed = 0; // the block's braces not yet closed, counted as its lines come
    size_t firstLine = 0, lineNumber = 0;
    auto flush = [&] {
        // A "$CATEGORY:" line sets the category of the questions after it; anything after
        // it in the same block is read as a question rather than lost in the name.
        for (size_t i = 0; i < block.size();) {
            const std::string trimmed = Trim(block[i]);
            if (trimmed.compare(0, 2, "//") == 0) {
                ++i;
                continue;
            }
            if (trimmed.compare(0, 10, "$CATEGORY:") != 0) break;
            category = CategoryFromMoodlePath(TrimText(Restore(Protect(trimmed.substr(10)))));
            block.erase(block.begin(), block.begin() + static_cast<long>(i) + 1);
            firstLine += i + 1;
            i = 0; // the last of several category lines in a row holds
        }
        ReadQuestion(block, firstLine, category, result);
        block.clear();
        unclosed = 0;
    };
    size_t pos = 0, blockBytes = 0;
    bool spanned = false, spanNoted = false, categoryNoted = false;
    while (pos <= bytes.size()) {
        size_t end = bytes.find('\n', pos);
        if (end == std::string_view::npos) end = bytes.size();
        blockBytes += end - pos;
        if (blockBytes > kMaxImportText) {
            error = TextTooLong("the question that starts on line " + std::to_string(block.empty() ? lineNumber + 1 : firstLine));
            return false;
        }
        std::string line(bytes.substr(pos, end - pos));
        if (!line.empty() && line.back() == '\r') line.pop_back();
        pos = end + 1;
        ++lineNumber;
        if (Trim(line).empty()) {
            // Answers still open at a blank line: kept together if the next line goes on
            // with them rather than starting a question.
            if (unclosed > 0) {
                spanned = true;
                continue;
            }
            flush();
            blockBytes = 0;
        } else {
            const std::string trimmed = Trim(line);
            if (spanned) {
                spanned = false;
                const size_t open = trimmed.find('{'), close = trimmed.find('}');
                if (trimmed.compare(0, 2, "::") == 0 || trimmed.compare(0, 2, "//") == 0 || trimmed[0] == '$' ||
                    open < close) {
                    flush();
                    blockBytes = 0;
                } else if (!spanNoted) {
                    spanNoted = true;
                    result.notes.push_back("A blank line inside a question's answers (first on line " +
                                           std::to_string(lineNumber - 1) + ") is read as part of them; Moodle's GIFT "
                                           "import would end the question there.");
                }
            }
            // A "$CATEGORY:" line right after a question's closed answers, with no blank line
            // between: a new block, so that questions chained by category lines are each read
            // (Moodle would read the chain as one question).
            if (trimmed.compare(0, 10, "$CATEGORY:") == 0 && unclosed == 0 && !block.empty() &&
                block.back().compare(0, 10, "$CATEGORY:") != 0) {
                if (!categoryNoted) {
                    categoryNoted = true;
                    result.notes.push_back("A $CATEGORY line directly after a question (first on line " +
                                           std::to_string(lineNumber) + ") starts the next question; Moodle's GIFT "
                                           "import would read both as one question.");
                }
                flush();
                blockBytes = 0;
            }
            if (block.empty()) firstLine = lineNumber;
            unclosed += LineBraces(trimmed);
            block.push_back(trimmed); // Moodle trims every line
        }
        if (end == bytes.size()) break;
    }
    flush();
    return true;
}
