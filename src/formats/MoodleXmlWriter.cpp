#include "formats/ExamFormats.h"

#include "util/StringUtil.h"
#include "util/XmlText.h"

namespace {

// A text element of `tag`: HTML, or Moodle's plain text where HTML would not show it as
// written (Moodle shows plain text with its spaces and line breaks: code keeps its indentation).
void Html(std::string& out, const char* tag, const std::string& plain, const char* indent = "    ")
{
    const bool asPlain = HtmlAltersText(plain);
    std::string html;
    if (asPlain) html = plain;
    else AppendEscaped(html, plain, Markup::Html);
    out += indent;
    out += "<";
    out += tag;
    out += asPlain ? " format=\"plain_text\"><text>" : " format=\"html\"><text>";
    AppendCdata(out, html);
    out += "</text></";
    out += tag;
    out += ">";
    if (*indent) out += "\n";
}

// The feedback the item keeps for `response`, or "".
const std::string& FeedbackFor(const ExportQuestion& q, const std::string& response)
{
    static const std::string none;
    auto found = q.feedback.find(response);
    return found == q.feedback.end() ? none : found->second;
}

void Answer(std::string& out, const std::string& fraction, const std::string& textXml, const char* format,
            const std::string& feedback, const std::string& tolerance = "")
{
    out += "    <answer fraction=\"" + fraction + "\" format=\"";
    out += format;
    out += "\"><text>";
    out += textXml;
    out += "</text>";
    if (!tolerance.empty()) out += "<tolerance>" + tolerance + "</tolerance>";
    Html(out, "feedback", feedback, "");
    out += "</answer>\n";
}

void HtmlAnswer(std::string& out, const char* fraction, const std::string& plain, const std::string& feedback)
{
    const bool asPlain = HtmlAltersText(plain);
    std::string html, cdata;
    if (asPlain) html = plain;
    else AppendEscaped(html, plain, Markup::Html);
    AppendCdata(cdata, html);
    Answer(out, fraction, cdata, asPlain ? "plain_text" : "html", feedback);
}

// In a short answer '*' is a wildcard; "\*" is the star itself. A pattern goes as it is.
std::string ShortAnswerPattern(const ExportQuestion& q, const std::string& text, bool anyOther)
{
    if (q.wildcard || anyOther) return text;
    std::string out;
    for (char c : text) {
        if (c == '*') out += '\\';
        out += c;
    }
    return out;
}

// Every answer of a numerical or short-answer question: the accepted ones, the part-mark
// ones, then those that only carry feedback (a wrong answer, "*" for any other) at 0.
void TextAnswers(std::string& out, const ExportQuestion& q)
{
    const bool numeric = q.kind == ExportQuestion::Numeric;
    auto one = [&](const std::string& fraction, const std::string& text, const std::string& tolerance,
                   bool anyOther = false) {
        // A number Moodle reads has no markup to escape.
        std::string xml = text;
        if (!numeric) {
            xml.clear();
            AppendCdata(xml, ShortAnswerPattern(q, text, anyOther));
        }
        Answer(out, fraction, xml, "moodle_auto_format", FeedbackFor(q, text),
               numeric ? (tolerance.empty() ? "0" : tolerance) : "");
    };
    one("100", q.answer, q.tolerance);
    for (const auto& [answer, tolerance] : q.otherAnswers) one("100", answer, tolerance);
    for (const auto& [answer, percent] : q.partialAnswers) one(percent, answer, "");
    for (const std::string& response : q.feedbackOnly) one("0", response, "");
    if (q.feedback.count("*")) one("0", "*", "", true);
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
    Html(out, "generalfeedback", q.generalFeedback);
    out += "    <defaultgrade>1</defaultgrade>\n    <penalty>0</penalty>\n    <hidden>0</hidden>\n";
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
        for (size_t i = 0; i < q.choices.size(); ++i)
            HtmlAnswer(out, i == q.correct ? "100" : "0", q.choices[i], FeedbackFor(q, q.letters[i]));
        break;
    case ExportQuestion::TrueFalse:
        Answer(out, q.truth ? "100" : "0", "true", "moodle_auto_format", FeedbackFor(q, "True"));
        Answer(out, q.truth ? "0" : "100", "false", "moodle_auto_format", FeedbackFor(q, "False"));
        break;
    case ExportQuestion::Numeric: TextAnswers(out, q); break;
    case ExportQuestion::ShortAnswer:
        out += q.caseSensitive ? "    <usecase>1</usecase>\n" : "    <usecase>0</usecase>\n";
        TextAnswers(out, q);
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
