#include "formats/ExamFormats.h"

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

// A comment's bracketed value ends at ']' and the line: neither may occur inside.
std::string CommentValue(const std::string& text)
{
    std::string out;
    for (char c : text) out += (c == ']' || c == '[' || static_cast<unsigned char>(c) < 0x20) ? ' ' : c;
    return out;
}

} // namespace

std::string WriteGift(const ExamQuestions& exam)
{
    std::string out;
    const std::string* category = nullptr;
    for (const ExportQuestion& q : exam.questions) {
        if (!category || *category != q.category) {
            category = &q.category;
            // Not unescaped by the readers: the path as Moodle spells it.
            out += "$CATEGORY: " + MoodleCategoryPath(q.category) + "\n\n";
        }
        // Moodle takes the ID number and tags from the comment before a question.
        out += "// [id:" + CommentValue(q.id) + "]";
        for (const auto& [key, value] : q.objectives) out += " [tag:" + CommentValue(key + ": " + value) + "]";
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
                Escaped(out, q.choices[i]);
                out += "\n";
            }
            out += "}\n\n";
            break;
        case ExportQuestion::TrueFalse: out += q.truth ? " {T}\n\n" : " {F}\n\n"; break;
        case ExportQuestion::Numeric: out += " {#" + q.answer + "}\n\n"; break;
        case ExportQuestion::ShortAnswer:
            out += " {=";
            Escaped(out, q.answer, true);
            out += "}\n\n";
            break;
        }
    }
    return out;
}
