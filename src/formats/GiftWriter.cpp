#include "formats/ExamFormats.h"

#include <algorithm>

#include "util/StringUtil.h"

namespace {

// GIFT's special characters behind a backslash, a line break as "\n".
void Escaped(std::string& out, const std::string& text, bool wildcard = false)
{
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        switch (c) {
        case '~': case '=': case '#': case '{': case '}': case ':': case '\\':
            out += '\\';
            out += c;
            break;
        case '\r':
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
            out += "\\n";
            break;
        case '\n': out += "\\n"; break;
        case '*':
            // In a short answer a bare '*' is a wildcard.
            if (wildcard) out += '\\';
            out += c;
            break;
        default: out += c;
        }
    }
}

// A comment's bracketed value ends at an unescaped ']' and the line; Moodle takes no control
// characters there, and no '<', '>' or '`' in a tag (its tags drop them anyway).
std::string CommentValue(const std::string& text, bool tag)
{
    std::string out;
    for (char c : text) {
        if (tag && (c == '<' || c == '>' || c == '`')) continue;
        if (static_cast<unsigned char>(c) < 0x20) c = ' ';
        if (c == ']') out += '\\';
        out += c;
    }
    // "\]" would not end the value; Moodle trims the space.
    if (!out.empty() && out.back() == '\\') out += ' ';
    return out;
}

// A choice that starts with "%50%" would be read as part credit, one that starts with
// "[html]" as a format switch (Moodle looks after the blanks it trims): a leading "[plain]"
// is read as the format and taken off.
void Answer(std::string& out, const std::string& text, bool wildcard = false)
{
    const size_t first = text.find_first_not_of(" \t\n\r");
    if (first != std::string::npos && (text[first] == '%' || text[first] == '[')) out += "[plain]";
    Escaped(out, text, wildcard);
}

// "#feedback" after an answer when the item keeps one for `response`.
void Feedback(std::string& out, const ExportQuestion& q, const std::string& response)
{
    auto found = q.feedback.find(response);
    if (found == q.feedback.end()) return;
    out += '#';
    Answer(out, found->second);
}

// A short answer: a pattern as it is (only GIFT's own specials escaped), plain text with its
// stars escaped; "*" for any other answer stays the wildcard.
void ShortAnswerText(std::string& out, const ExportQuestion& q, const std::string& text, bool anyOther)
{
    if (anyOther) out += '*';
    else Answer(out, text, !q.wildcard);
}

// The answers of a numerical or short-answer question, as Moodle writes them: the accepted
// ones, the part-mark ones, then those that only carry feedback at 0%; "~#" (numerical) or
// "*" (short answer) gives the feedback for any other answer.
void TextAnswers(std::string& out, const ExportQuestion& q)
{
    const bool numeric = q.kind == ExportQuestion::Numeric;
    bool first = true;
    auto one = [&](const std::string& weight, const std::string& text, const std::string& tolerance,
                   bool anyOther = false) {
        // A key holding "->" is the only answer (with others it is left out): without an '='
        // beside it Moodle reads no matching question.
        out += first ? (numeric ? "#=" : text.find("->") != std::string::npos ? "" : "=") : " =";
        first = false;
        if (!weight.empty()) out += "%" + weight + "%";
        if (numeric) out += text + (tolerance.empty() ? "" : ":" + tolerance);
        else ShortAnswerText(out, q, text, anyOther);
        Feedback(out, q, text);
    };
    one("", q.answer, q.tolerance);
    for (const auto& [answer, tolerance] : q.otherAnswers) one("", answer, tolerance);
    for (const auto& [answer, percent] : q.partialAnswers) one(percent, answer, "");
    for (const std::string& response : q.feedbackOnly) one("0", response, "");
    if (q.feedback.count("*")) {
        if (numeric) {
            out += " ~";
            Feedback(out, q, "*");
        } else {
            one("0", "*", "", true);
        }
    }
}

// "####feedback" before the closing brace.
void GeneralFeedback(std::string& out, const ExportQuestion& q)
{
    if (q.generalFeedback.empty()) return;
    out += "####";
    Answer(out, q.generalFeedback);
}

} // namespace

std::string WriteGift(const ExamQuestions& exam)
{
    std::string out;
    const std::string* category = nullptr;
    for (const ExportQuestion& q : exam.questions) {
        if (!category || *category != q.category) {
            category = &q.category;
            // Moodle undoes "\\" alone in a category line.
            out += "$CATEGORY: ";
            for (char c : MoodleCategoryPath(q.category)) out += c == '\\' ? std::string("\\\\") : std::string(1, c);
            out += "\n\n";
        }
        // Moodle takes the ID number and tags from the comment before a question; its ID
        // number holds 100 characters (a longer one stops the whole import) and no control
        // characters (the question's name keeps such an ID).
        out += "//";
        const bool control = std::any_of(q.id.begin(), q.id.end(), [](char c) { return c >= 0 && c < 0x20; });
        if (!q.id.empty() && !control && Utf8CharCount(q.id) <= 100) out += " [id:" + CommentValue(q.id, false) + "]";
        for (const auto& [key, value] : q.objectives) out += " [tag:" + CommentValue(key + ": " + value, true) + "]";
        out += "\n::";
        Escaped(out, q.id.empty() ? std::string("(no ID)") : FirstUtf8Chars(q.id, 255));
        // [plain]: the text is shown as written, a stem's own "[...]" never read as a format.
        out += "::[plain]";
        Escaped(out, q.stem);
        switch (q.kind) {
        case ExportQuestion::Choice:
            out += " {\n";
            for (size_t i = 0; i < q.choices.size(); ++i) {
                out += i == q.correct ? "\t=" : "\t~";
                Answer(out, q.choices[i]);
                Feedback(out, q, q.letters[i]);
                out += "\n";
            }
            if (!q.generalFeedback.empty()) out += "\t";
            GeneralFeedback(out, q);
            out += q.generalFeedback.empty() ? "}\n\n" : "\n}\n\n";
            break;
        case ExportQuestion::TrueFalse: {
            // "{T#if answered wrong#if answered right}", as Moodle reads it.
            const std::string right = q.truth ? "True" : "False", wrong = q.truth ? "False" : "True";
            out += q.truth ? " {T" : " {F";
            if (q.feedback.count(wrong) || q.feedback.count(right)) {
                out += '#';
                if (q.feedback.count(wrong)) Answer(out, q.feedback.at(wrong));
            }
            Feedback(out, q, right);
            GeneralFeedback(out, q);
            out += "}\n\n";
            break;
        }
        // "{#0}" makes Moodle's reader fail: the answer goes after '='.
        case ExportQuestion::Numeric:
        case ExportQuestion::ShortAnswer:
            out += " {";
            TextAnswers(out, q);
            GeneralFeedback(out, q);
            out += "}\n\n";
            break;
        }
    }
    return out;
}
