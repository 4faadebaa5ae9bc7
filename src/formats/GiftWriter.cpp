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
                out += "\n";
            }
            out += "}\n\n";
            break;
        case ExportQuestion::TrueFalse: out += q.truth ? " {T}\n\n" : " {F}\n\n"; break;
        // "{#0}" makes Moodle's reader fail: the answer goes after '='.
        case ExportQuestion::Numeric:
            out += " {#=" + q.answer + (q.tolerance.empty() ? "" : ":" + q.tolerance);
            for (const auto& [answer, tolerance] : q.otherAnswers)
                out += " =" + answer + (tolerance.empty() ? "" : ":" + tolerance);
            out += "}\n\n";
            break;
        case ExportQuestion::ShortAnswer:
            // "->" beside a '=' would make it a matching question: a lone answer needs no '='.
            out += q.otherAnswers.empty() && q.answer.find("->") != std::string::npos ? " {" : " {=";
            Answer(out, q.answer, true);
            for (const auto& other : q.otherAnswers) {
                out += " =";
                Answer(out, other.first, true);
            }
            out += "}\n\n";
            break;
        }
    }
    return out;
}
