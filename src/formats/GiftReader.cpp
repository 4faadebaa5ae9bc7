#include "formats/ImportFormats.h"

#include "model/JsonModel.h"
#include "util/XmlReader.h"

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// GIFT's escapes undone: "\~" is '~', "\n" a line break.
std::string Unescaped(std::string_view text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            const char next = text[++i];
            out += next == 'n' ? '\n' : next;
        } else {
            out += text[i];
        }
    }
    return out;
}

// The position of the first unescaped `c` at or after `from`, or npos.
size_t FindUnescaped(std::string_view text, char c, size_t from = 0)
{
    for (size_t i = from; i < text.size(); ++i) {
        if (text[i] == '\\') ++i;
        else if (text[i] == c) return i;
    }
    return std::string_view::npos;
}

// A leading "[plain]", "[html]", "[markdown]" or "[moodle]" names the text's format: taken off
// and returned ("" when there is none).
std::string TakeFormat(std::string_view& text)
{
    if (text.empty() || text.front() != '[') return "";
    const size_t end = text.find(']');
    const std::string name = end == std::string_view::npos ? "" : std::string(text.substr(1, end - 1));
    if (name != "plain" && name != "html" && name != "markdown" && name != "moodle") return "";
    text.remove_prefix(end + 1);
    return name;
}

struct GiftAnswer {
    char mark = '=';      // '=' right, '~' wrong
    std::string weight;   // "%50%" when given
    std::string text, feedback;
};

// "=a #fb ~b ~%50%c": the answers, split at unescaped '=' and '~'.
std::vector<GiftAnswer> SplitAnswers(std::string_view body)
{
    std::vector<GiftAnswer> answers;
    std::string raw;
    bool inFeedback = false;
    auto finish = [&] {
        if (answers.empty()) return;
        GiftAnswer& a = answers.back();
        std::string& target = inFeedback ? a.feedback : a.text;
        target = TrimText(Unescaped(raw));
        raw.clear();
    };
    for (size_t i = 0; i < body.size(); ++i) {
        const char c = body[i];
        if (c == '\\' && i + 1 < body.size()) {
            raw += c;
            raw += body[++i];
        } else if (c == '=' || c == '~') {
            finish();
            inFeedback = false;
            answers.push_back(GiftAnswer{c, "", "", ""});
            // A format named first makes a following "%50%" text, not a weight.
            std::string_view rest = body.substr(i + 1);
            while (!rest.empty() && IsSpace(rest.front())) rest.remove_prefix(1);
            if (!TakeFormat(rest).empty()) {
                i = body.size() - rest.size() - 1;
            } else if (i + 1 < body.size() && body[i + 1] == '%') {
                const size_t end = body.find('%', i + 2);
                if (end != std::string_view::npos) {
                    answers.back().weight = std::string(body.substr(i + 1, end - i));
                    i = end;
                }
            }
        } else if (c == '#' && !answers.empty()) {
            finish();
            inFeedback = true;
        } else {
            raw += c;
        }
    }
    finish();
    return answers;
}

double Weight(const GiftAnswer& a)
{
    if (a.weight.size() < 3) return a.mark == '=' ? 100 : 0;
    return std::strtod(a.weight.c_str() + 1, nullptr);
}

void ReadQuestion(const std::string& block, const std::string& comments, const std::string& category,
                  ImportResult& result)
{
    ImportedQuestion q;
    // Moodle reads "[id:...]" and "[tag:...]" from the comment lines before the question.
    json tags = json::array();
    for (size_t at = comments.find('['); at != std::string::npos; at = comments.find('[', at + 1)) {
        // "\]" is a ']' inside the value.
        std::string field;
        size_t end = at + 1;
        for (; end < comments.size() && comments[end] != ']' && comments[end] != '\n'; ++end) {
            if (comments[end] == '\\' && end + 1 < comments.size() && comments[end + 1] == ']') ++end;
            field += comments[end];
        }
        if (end >= comments.size()) break;
        if (comments[end] != ']') continue;
        if (field.compare(0, 3, "id:") == 0) q.id = TrimText(field.substr(3));
        if (field.compare(0, 4, "tag:") == 0) {
            std::pair<std::string, std::string> objective;
            const std::string tag = TrimText(field.substr(4));
            if (ObjectiveFromTag(tag, objective)) q.objectives.push_back(objective);
            else if (!tag.empty()) tags.push_back(tag);
        }
    }
    std::string_view text = block;
    std::string title;
    size_t start = 0;
    while (start < text.size() && IsSpace(text[start])) ++start;
    if (text.compare(start, 2, "::") == 0) {
        const size_t end = text.find("::", start + 2);
        // The title ends at the next "::"; a title may hold escaped colons only.
        size_t close = start + 2;
        while ((close = FindUnescaped(text, ':', close)) != std::string_view::npos && text.compare(close, 2, "::") != 0)
            ++close;
        if (end != std::string_view::npos && close != std::string_view::npos) {
            title = TrimText(Unescaped(text.substr(start + 2, close - start - 2)));
            start = close + 2;
        }
    }
    if (q.id.empty() && title != "(no ID)") q.id = title;
    if (!title.empty() && title != q.id) q.extra["name"] = title;
    if (!tags.empty()) q.extra["tags"] = std::move(tags);
    q.category = category;
    const std::string label = result.Label(q.id);
    const size_t open = FindUnescaped(text, '{', start);
    const size_t close = open == std::string_view::npos ? open : FindUnescaped(text, '}', open + 1);
    if (open == std::string_view::npos || close == std::string_view::npos) {
        // A block without answers is a description: no question at all.
        result.LeaveOut("description (no answers)", label);
        return;
    }
    std::string_view stem = text.substr(start, open - start);
    while (!stem.empty() && IsSpace(stem.front())) stem.remove_prefix(1);
    const std::string format = TakeFormat(stem);
    while (!stem.empty() && IsSpace(stem.back())) stem.remove_suffix(1);
    q.stem = Unescaped(stem);
    const std::string after = TrimText(Unescaped(text.substr(close + 1)));
    if (!after.empty()) q.stem = TrimText(q.stem) + " _____ " + after; // a missing-word question
    if (format == "html") q.stem = HtmlToPlainText(q.stem);
    const std::string body = TrimText(std::string(text.substr(open + 1, close - open - 1)));
    const std::string upper = ToLowerAscii(body.substr(0, body.find('#')));
    const std::string tf = TrimText(upper);
    if (body.empty()) {
        result.LeaveOut("essay", label);
        return;
    }
    if (tf == "t" || tf == "true" || tf == "f" || tf == "false") {
        q.kind = ImportedQuestion::TrueFalse;
        q.truth = tf[0] == 't';
    } else if (body[0] == '#') {
        q.kind = ImportedQuestion::Answer;
        std::string value = TrimText(body.substr(1));
        if (!value.empty() && value[0] == '=') {
            // Several numeric answers: the first full-mark one is kept.
            const std::vector<GiftAnswer> answers = SplitAnswers(value);
            value = answers.empty() ? "" : answers[0].text;
            if (answers.size() > 1)
                result.notes.push_back(label + " accepts " + std::to_string(answers.size()) +
                                       " numeric answers; the first is kept.");
        } else {
            const size_t feedback = FindUnescaped(value, '#');
            if (feedback != std::string::npos) value = TrimText(value.substr(0, feedback));
        }
        const size_t colon = value.find(':');
        if (colon != std::string::npos) {
            const std::string tolerance = TrimText(value.substr(colon + 1));
            if (tolerance != "0") q.extra["tolerance"] = tolerance;
            value = TrimText(value.substr(0, colon));
        }
        if (value.find("..") != std::string::npos)
            result.notes.push_back(label + " takes the range " + value + "; it is kept as the answer's text.");
        q.answer = Unescaped(value);
    } else {
        const std::vector<GiftAnswer> answers = SplitAnswers(body);
        bool matching = false, wrong = false, partial = false;
        size_t right = 0;
        bool tilde = false;
        for (const GiftAnswer& a : answers) {
            // As Moodle decides: a '~' makes a multiple choice, whatever "->" its texts hold.
            matching |= a.text.find("->") != std::string::npos;
            tilde |= a.mark == '~';
            wrong |= a.mark == '~' && Weight(a) <= 0;
            partial |= Weight(a) > 0 && Weight(a) < 100;
            right += Weight(a) > 0;
        }
        if (answers.empty()) {
            result.LeaveOut("unreadable", label);
            return;
        }
        if (matching && !tilde) {
            result.LeaveOut("matching", label);
            return;
        }
        if (!wrong) {
            // Only right answers: a short answer.
            q.kind = ImportedQuestion::Answer;
            q.answer = answers[0].text;
            if (answers.size() > 1) {
                json others = json::array();
                for (size_t i = 1; i < answers.size(); ++i) others.push_back(answers[i].text);
                q.extra["other_answers"] = std::move(others);
                result.notes.push_back(label + " accepts " + std::to_string(answers.size()) +
                                       " answers; the first is the answer, the others are kept under \"other_answers\".");
            }
        } else if (partial || right > 1) {
            result.LeaveOut("multiple-answer", label);
            return;
        } else {
            q.kind = ImportedQuestion::Choice;
            json feedback = json::object();
            for (const GiftAnswer& a : answers) {
                if (Weight(a) > 0) q.correct = q.choices.size();
                if (!a.feedback.empty()) feedback[std::to_string(q.choices.size() + 1)] = a.feedback;
                q.choices.push_back(a.text);
            }
            if (!feedback.empty()) q.extra["feedback"] = std::move(feedback);
            q.answerGiven = "(none marked right)";
        }
    }
    result.Add(std::move(q));
}

} // namespace

bool ReadGift(std::string_view bytes, ImportResult& result, std::string& error)
{
    (void)error;
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    result.source = "GIFT";
    std::string category, block, comments;
    bool inAnswers = false;
    auto flush = [&] {
        if (!TrimText(block).empty()) ReadQuestion(block, comments, category, result);
        block.clear();
        comments.clear();
        inAnswers = false;
    };
    size_t pos = 0;
    while (pos <= bytes.size()) {
        size_t end = bytes.find('\n', pos);
        if (end == std::string_view::npos) end = bytes.size();
        std::string line(bytes.substr(pos, end - pos));
        if (!line.empty() && line.back() == '\r') line.pop_back();
        pos = end + 1;
        const std::string trimmed = TrimText(line);
        if (!inAnswers && trimmed.compare(0, 2, "//") == 0) {
            comments += trimmed + "\n";
        } else if (trimmed.empty()) {
            // A blank line ends a question, unless its answers are still open.
            if (!inAnswers) flush();
            else block += "\n";
        } else if (!inAnswers && block.empty() && trimmed.compare(0, 10, "$CATEGORY:") == 0) {
            // As Moodle reads it: "\\" is a backslash, other escapes stay as written.
            std::string path;
            for (size_t i = 10; i < trimmed.size(); ++i) {
                if (trimmed[i] == '\\' && i + 1 < trimmed.size() && trimmed[i + 1] == '\\') ++i;
                path += trimmed[i];
            }
            category = CategoryFromMoodlePath(TrimText(path));
            comments.clear();
        } else {
            block += line + "\n";
            const size_t open = FindUnescaped(block, '{');
            inAnswers = open != std::string::npos && FindUnescaped(block, '}', open) == std::string::npos;
        }
        if (end == bytes.size()) break;
    }
    flush();
    return true;
}
