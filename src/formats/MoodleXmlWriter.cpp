#include "formats/ExamFormats.h"

#include "util/StringUtil.h"
#include "util/XmlText.h"

namespace {

// A text HTML would not show as written goes as Moodle's plain text, which it shows with its
// spaces and line breaks (code keeps its indentation).
void Html(std::string& out, const char* tag, const std::string& plain)
{
    const bool asPlain = HtmlAltersText(plain);
    std::string html;
    if (asPlain) html = plain;
    else AppendEscaped(html, plain, Markup::Html);
    out += "    <";
    out += tag;
    out += asPlain ? " format=\"plain_text\"><text>" : " format=\"html\"><text>";
    AppendCdata(out, html);
    out += "</text></";
    out += tag;
    out += ">\n";
}

void Answer(std::string& out, const char* fraction, const std::string& textXml, const char* format)
{
    out += "    <answer fraction=\"";
    out += fraction;
    out += "\" format=\"";
    out += format;
    out += "\"><text>";
    out += textXml;
    out += "</text><feedback format=\"html\"><text></text></feedback></answer>\n";
}

void HtmlAnswer(std::string& out, const char* fraction, const std::string& plain)
{
    const bool asPlain = HtmlAltersText(plain);
    std::string html, cdata;
    if (asPlain) html = plain;
    else AppendEscaped(html, plain, Markup::Html);
    AppendCdata(cdata, html);
    Answer(out, fraction, cdata, asPlain ? "plain_text" : "html");
}

// In a short answer '*' is a wildcard; "\*" is the star itself.
std::string ShortAnswerPattern(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '*') out += '\\';
        out += c;
    }
    return out;
}

// A number Moodle reads (no markup to escape), at full marks.
void NumericAnswer(std::string& out, const std::string& answer, const std::string& tolerance)
{
    out += "    <answer fraction=\"100\" format=\"moodle_auto_format\"><text>" + answer + "</text><tolerance>" +
           (tolerance.empty() ? "0" : tolerance) + "</tolerance><feedback format=\"html\"><text></text></feedback></answer>\n";
}

void ShortAnswer(std::string& out, const std::string& answer)
{
    std::string text;
    AppendCdata(text, ShortAnswerPattern(answer));
    Answer(out, "100", text, "moodle_auto_format");
}

void Question(std::string& out, const ExportQuestion& q)
{
    static const char* const kTypes[] = {"multichoice", "truefalse", "numerical", "shortanswer"};
    out += "  <question type=\"";
    out += kTypes[q.kind];
    out += "\">\n    <name><text>";
    AppendCdata(out, q.id.empty() ? std::string("(no ID)") : FirstUtf8Chars(q.id, 255));
    out += "</text></name>\n";
    Html(out, "questiontext", q.stem);
    out += "    <generalfeedback format=\"html\"><text></text></generalfeedback>\n"
           "    <defaultgrade>1</defaultgrade>\n    <penalty>0</penalty>\n    <hidden>0</hidden>\n";
    // Moodle's ID number holds 100 characters (its name 255).
    if (!q.id.empty() && Utf8CharCount(q.id) <= 100) {
        out += "    <idnumber>";
        AppendCdata(out, q.id);
        out += "</idnumber>\n";
    }
    switch (q.kind) {
    case ExportQuestion::Choice:
        out += "    <single>true</single>\n    <shuffleanswers>false</shuffleanswers>\n"
               "    <answernumbering>ABCD</answernumbering>\n";
        for (size_t i = 0; i < q.choices.size(); ++i) HtmlAnswer(out, i == q.correct ? "100" : "0", q.choices[i]);
        break;
    case ExportQuestion::TrueFalse:
        Answer(out, q.truth ? "100" : "0", "true", "moodle_auto_format");
        Answer(out, q.truth ? "0" : "100", "false", "moodle_auto_format");
        break;
    case ExportQuestion::Numeric:
        NumericAnswer(out, q.answer, q.tolerance);
        for (const auto& [answer, tolerance] : q.otherAnswers) NumericAnswer(out, answer, tolerance);
        break;
    case ExportQuestion::ShortAnswer:
        out += "    <usecase>0</usecase>\n";
        ShortAnswer(out, q.answer);
        for (const auto& other : q.otherAnswers) ShortAnswer(out, other.first);
        break;
    }
    if (!q.objectives.empty()) {
        out += "    <tags>\n";
        for (const auto& [key, value] : q.objectives) {
            out += "      <tag><text>";
            // Moodle's parser drops a line break here: a space keeps the words apart.
            std::string tag = key + ": " + value;
            for (char& c : tag)
                if (c == '\r' || c == '\n') c = ' ';
            AppendCdata(out, tag);
            out += "</text></tag>\n";
        }
        out += "    </tags>\n";
    }
    out += "  </question>\n";
}

} // namespace

// Names, ID numbers, categories and tags go out as CDATA: Moodle's XML parser drops the white
// space between two character references ("A" "B" would arrive as "A""B").
std::string WriteMoodleXml(const ExamQuestions& exam)
{
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<quiz>\n";
    const std::string* category = nullptr;
    for (const ExportQuestion& q : exam.questions) {
        // The questions come grouped by category: one category question per group.
        if (!category || *category != q.category) {
            category = &q.category;
            out += "  <question type=\"category\">\n    <category><text>";
            AppendCdata(out, MoodleCategoryPath(q.category));
            out += "</text></category>\n  </question>\n";
        }
        Question(out, q);
    }
    out += "</quiz>\n";
    return out;
}
