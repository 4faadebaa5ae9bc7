// Banks typed as text: Aiken, and numbered lists of questions with lettered or bulleted
// choices (plain text, Markdown, and the paragraphs of a Word document).
#include "formats/ImportFormats.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

#include "util/StringUtil.h"

namespace {

const size_t kNone = static_cast<size_t>(-1);

bool IsSpace(char c) { return c == ' ' || c == '\t'; }

std::string_view Trimmed(std::string_view s)
{
    while (!s.empty() && (IsSpace(s.front()) || s.front() == '\r')) s.remove_prefix(1);
    while (!s.empty() && (IsSpace(s.back()) || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

bool StartsWithNoCase(std::string_view s, const char* prefix)
{
    const size_t n = std::strlen(prefix);
    if (s.size() < n) return false;
    for (size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(s[i])) != prefix[i]) return false;
    return true;
}

// "1. Text", "1) Text", "Q1. Text", "Question 1: Text": the text after the number.
bool QuestionStart(std::string_view line, std::string_view& rest, size_t* number = nullptr)
{
    size_t p = 0;
    if (StartsWithNoCase(line, "question")) p = 8;
    else if (StartsWithNoCase(line, "q")) p = 1;
    while (p && p < line.size() && IsSpace(line[p])) ++p;
    const size_t digits = p;
    while (p < line.size() && p - digits < 4 && std::isdigit(static_cast<unsigned char>(line[p]))) ++p;
    const bool named = digits > 0; // "Q1 Text" and "Question 1 - Text" need no '.'
    if (p == digits || (p >= line.size() && !named)) return false;
    if (number) *number = std::stoul(std::string(line.substr(digits, p - digits)));
    if (p >= line.size()) {
        rest = {};
        return true;
    }
    if (p + 2 < line.size() && line[p] == ' ' && (line[p + 1] == '.' || line[p + 1] == ')') && line[p + 2] == ' ') ++p; // "1 . Text"
    if (line[p] == '.' || line[p] == ')' || line[p] == ':' || (named && line[p] == '-')) ++p;
    else if (!named) return false;
    if (p >= line.size()) { // "2." alone, as a heading over its stem
        rest = {};
        return true;
    }
    if (p < line.size() && !IsSpace(line[p])) return false;
    rest = Trimmed(line.substr(p));
    return !rest.empty() || named; // "### Question 6" over its stem
}

// "a) Text", "a. Text", "(a) Text", "A) Text" with the letter expected next; "- Text".
// `letter` is set for a lettered choice.
bool ChoiceLine(std::string_view line, size_t expected, std::string_view& rest, bool& lettered)
{
    if (line.size() >= 2 && (line[0] == '-' || line[0] == '+' || line[0] == '*') && IsSpace(line[1])) {
        rest = Trimmed(line.substr(2));
        lettered = false;
        return !rest.empty();
    }
    // "Option A: text", "Choice B) text": the letter after a label word.
    for (const char* label : {"option ", "choice ", "opci\xC3\xB3n ", "opcion ", "opzione ", "alternativa "})
        if (StartsWithNoCase(line, label) && line.size() > std::strlen(label) + 2) {
            const std::string_view after = line.substr(std::strlen(label));
            if (after[1] == ':' && static_cast<size_t>(std::tolower(static_cast<unsigned char>(after[0])) - 'a') == expected &&
                std::isalpha(static_cast<unsigned char>(after[0]))) {
                rest = Trimmed(after.substr(2));
                lettered = true;
                return !rest.empty();
            }
            line = after;
            break;
        }
    size_t p = line.size() > 0 && line[0] == '(' ? 1 : 0;
    if (p + 1 >= line.size() || !std::isalpha(static_cast<unsigned char>(line[p]))) return false;
    if (static_cast<size_t>(std::tolower(static_cast<unsigned char>(line[p])) - 'a') != expected) return false;
    const char close = line[p + 1];
    if (!(close == ')' || (close == '.' && p == 0))) return false;
    p += 2;
    if (p < line.size() && !IsSpace(line[p])) return false;
    rest = Trimmed(line.substr(p));
    lettered = true;
    return !rest.empty();
}

// A line without the "- " or "* " bullet before it.
std::string_view WithoutBullet(std::string_view line)
{
    return line.size() > 2 && (line[0] == '-' || line[0] == '*') && line[1] == ' ' ? Trimmed(line.substr(2)) : line;
}

// "A sei libri": a capital letter and a space, as some Aiken-like banks type their choices.
// Only read so in a run that starts "A ...", "B ..." (a stem may start with "A ").
bool BareLetter(std::string_view line, size_t expected)
{
    return expected < 26 && line.size() > 2 && line[0] == static_cast<char>('A' + expected) && line[1] == ' ' &&
           !IsSpace(line[2]);
}

// "Answer: B", "ANSWER: B", "Ans: b", "Correct: B", "Correct answer - B", "Key: B".
bool AnswerLine(std::string_view line, std::string_view& key)
{
    // A bullet before it ("- Answer: B") is no part of it.
    line = WithoutBullet(line);
    for (const char* word : {"correct answer", "answer", "ans", "correct", "key", "respuesta correcta", "respuesta",
                             "risposta corretta", "risposta", "r\xC3\xA9ponse", "reponse", "antwort", "resposta correta",
                             "resposta", "jawaban", "cevap", "odpowied\xC5\xBA", "to'g'ri javob", "to\xE2\x80\x99g\xE2\x80\x99ri javob",
                             "javob", "\xD0\x9F\xD1\x80\xD0\xB0\xD0\xB2\xD0\xB8\xD0\xBB\xD1\x8C\xD0\xBD\xD1\x8B\xD0\xB9 \xD0\xBE\xD1\x82\xD0\xB2\xD0\xB5\xD1\x82", // Правильный ответ
                             "\xD0\x9E\xD1\x82\xD0\xB2\xD0\xB5\xD1\x82", "\xD0\xBE\xD1\x82\xD0\xB2\xD0\xB5\xD1\x82", // Ответ, ответ
                             "\xC4\x91\xC3\xA1p \xC3\xA1n", "\xC4\x90\xC3\xA1p \xC3\xA1n", // đáp án
                             "\xE7\xAD\x94\xE6\xA1\x88", "\xEC\xA0\x95\xEB\x8B\xB5"}) { // 答案 정답
        if (!StartsWithNoCase(line, word)) continue;
        size_t p = std::strlen(word);
        while (p < line.size() && IsSpace(line[p])) ++p;
        if (p >= line.size() || (line[p] != ':' && line[p] != '-' && line[p] != '=')) return false;
        key = Trimmed(line.substr(p + 1));
        return !key.empty();
    }
    return false;
}

bool FeedbackLine(std::string_view line, std::string_view& text)
{
    for (const char* word : {"explanation", "feedback", "rationale", "motivation", "reason", "explicaci\xC3\xB3n",
                             "spiegazione", "motivazione", "erkl\xC3\xA4rung", "explica\xC3\xA7\xC3\xA3o"}) {
        const size_t n = std::strlen(word);
        if (StartsWithNoCase(line, word) && line.size() > n && line[n] == ':') {
            text = Trimmed(line.substr(n + 1));
            return true;
        }
    }
    return false;
}

// "Select one:", "Select only one", "Choose one answer." on a line of its own, as quizzes
// printed from an LMS put it between a stem and its unlettered choices; `several` for "Select
// one or more" and "Select all that apply". Leading symbols (a code block's end mark) aside.
bool InstructionLine(std::string_view line, bool& several)
{
    while (!line.empty() && static_cast<unsigned char>(line.front()) >= 0x80 && !std::isalpha(static_cast<unsigned char>(line.front())))
        line.remove_prefix(1); // bytes of a symbol, not a letter: ASCII letters start the words below
    while (!line.empty() && (line.back() == ':' || line.back() == '.' || IsSpace(line.back()))) line.remove_suffix(1);
    line = WithoutBullet(line);
    if (line.size() > 80 || line.find('?') != std::string_view::npos) return false;
    const std::string lower = ToLowerAscii(std::string(line)) + " ";
    // A label over the choices ("Options:").
    for (const char* label : {"options ", "choices ", "alternatives ", "answers ", "opciones ", "alternativas ", "opzioni ",
                              "r\xC3\xA9ponses ", "antworten ", "variantlar "})
        if (lower == label) return several = false, true;
    for (const char* verb : {"select ", "choose ", "pick ", "circle "}) {
        if (lower.rfind(verb, 0) != 0) continue;
        const std::string rest = lower.substr(std::strlen(verb));
        several = rest.rfind("one or more ", 0) == 0 || rest.rfind("all that apply ", 0) == 0;
        for (const char* one : {"one ", "only one ", "the correct answer ", "the best answer ", "the right answer "})
            if (rest.rfind(one, 0) == 0) return true;
        return several;
    }
    return false;
}

// One pass: a line of a million marks must not cost a million erasures.
std::string Without(const std::string& text, std::string_view mark)
{
    std::string out;
    out.reserve(text.size());
    for (size_t at = 0; at < text.size();) {
        if (text.compare(at, mark.size(), mark) == 0) at += mark.size();
        else out += text[at++];
    }
    return out;
}

// HTML's character references as Markdown lets them in ("a&nbsp;VPN", "&amp;", "&#8217;").
std::string WithoutEntities(const std::string& text)
{
    if (text.find('&') == std::string::npos || text.find(';') == std::string::npos) return text;
    static const std::pair<const char*, const char*> kNamed[] = {
        {"nbsp", " "}, {"amp", "&"}, {"lt", "<"}, {"gt", ">"}, {"quot", "\""}, {"apos", "'"}, {"ndash", "\xE2\x80\x93"},
        {"mdash", "\xE2\x80\x94"}, {"rsquo", "\xE2\x80\x99"}, {"lsquo", "\xE2\x80\x98"}, {"hellip", "\xE2\x80\xA6"}};
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const size_t end = text[i] == '&' ? text.find(';', i) : std::string::npos;
        if (end != std::string::npos && end - i <= 8) {
            const std::string name = text.substr(i + 1, end - i - 1);
            bool done = false;
            for (const auto& [n, value] : kNamed)
                if (name == n) out += value, done = true;
            if (!done && name.size() > 1 && name[0] == '#' && name.find_first_not_of("0123456789", 1) == std::string::npos) {
                const unsigned long code = std::strtoul(name.c_str() + 1, nullptr, 10);
                if (code >= 32 && code < 0x110000 && (code < 0xD800 || code > 0xDFFF)) AppendUtf8(out, static_cast<char32_t>(code)), done = true;
            }
            if (done) {
                i = end;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

// A Markdown line as text: heading marks off, "**" pairs gone (their emphasis noted).
std::string PlainLine(std::string_view raw, bool& emphasis)
{
    std::string_view line = Trimmed(raw);
    while (!line.empty() && line.front() == '#') line.remove_prefix(1);
    const std::string_view trimmed = Trimmed(line);
    std::string text(trimmed);
    if (text.find("**") != std::string::npos) {
        const size_t open = text.find("**");
        // "a) **Paris**": the choice's whole text bold.
        emphasis = emphasis || (text.size() > open + 4 && text.compare(text.size() - 2, 2, "**") == 0);
        text = Without(text, "**");
    }
    return WithoutEntities(text);
}

// "True", "Verdadero", "Faux": a word that says true or false (not yes or no, not a digit or
// a letter, which keep their text as choices).
bool TrueOrFalseWord(const std::string& text)
{
    const std::string t = ToLowerAscii(TrimText(text));
    bool truth = false;
    return t.size() > 1 && t != "yes" && t != "no" && t.find_first_of("0123456789") == std::string::npos &&
           TruthFromText(t, truth);
}

struct Question {
    size_t line = 0;
    bool numbered = false;
    std::string stem;
    std::vector<std::string> choices;
    std::vector<bool> marked, emphasised;
    bool lettered = false, bulleted = false;
    bool listed = false, several = false; // an instruction line said choices follow (several right)
    std::vector<bool> groupStarts;        // a blank line before the choice
    bool blankInStem = false;
    size_t stemList = 0; // the last number of a list inside the stem
    bool bareLetters = false; // choices typed "A text", "B text"
    std::string key, feedback;
    bool closed = false; // a blank line or its key after the choices: the next text starts a question
};

struct Tally {
    size_t numbered = 0, unnumbered = 0, byLine = 0, byMark = 0, byEmphasis = 0, trueFalse = 0, answers = 0;
    bool lettered = false, bulleted = false;
};

size_t KeyIndex(const std::string& key, const std::vector<std::string>& choices)
{
    const size_t index = ChoiceFromAnswer(key, choices, 1);
    if (index < choices.size()) return index;
    // "B) Paris", "(b)", "B - Paris": the letter in front.
    std::string_view k = key;
    if (!k.empty() && k[0] == '(') k.remove_prefix(1);
    if (k.size() >= 2 && std::isalpha(static_cast<unsigned char>(k[0])) && !std::isalnum(static_cast<unsigned char>(k[1]))) {
        const size_t letter = static_cast<size_t>(std::tolower(static_cast<unsigned char>(k[0])) - 'a');
        if (letter < choices.size()) return letter;
    }
    return kNone;
}

// Listed choices (after "Select one:") in groups split by blank lines, a group of several
// paragraphs: each group is one choice, marked when all of it is. And a bullet typed before
// every choice ("-namespaces") is no part of them.
void JoinGroups(Question& q)
{
    size_t groups = 0;
    bool longGroup = false;
    for (size_t i = 0, run = 0; i < q.choices.size(); ++i) {
        run = i == 0 || q.groupStarts[i] ? 1 : run + 1;
        groups += run == 1;
        longGroup = longGroup || run > 1;
    }
    if (groups > 1 && longGroup) {
        Question joined = q;
        joined.choices.clear(), joined.marked.clear(), joined.emphasised.clear();
        for (size_t i = 0; i < q.choices.size(); ++i) {
            if (i == 0 || q.groupStarts[i]) {
                joined.choices.push_back(q.choices[i]);
                joined.marked.push_back(q.marked[i]);
                joined.emphasised.push_back(q.emphasised[i]);
            } else {
                joined.choices.back() += "\n" + q.choices[i];
                joined.marked.back() = joined.marked.back() || q.marked[i];
                joined.emphasised.back() = joined.emphasised.back() && q.emphasised[i];
            }
        }
        q.choices = std::move(joined.choices), q.marked = std::move(joined.marked);
        q.emphasised = std::move(joined.emphasised);
    }
    for (const char* bullet : {"-", "\xE2\x80\xA2"}) {
        const size_t n = std::strlen(bullet);
        bool all = q.choices.size() > 1;
        for (const std::string& c : q.choices) all = all && c.size() > n && c.compare(0, n, bullet) == 0 && !std::isdigit(static_cast<unsigned char>(c[n]));
        if (all)
            for (std::string& c : q.choices) c = TrimText(c.substr(n));
    }
}

void Finish(Question& q, ImportResult& result, Tally& tally)
{
    if (q.stem.empty() && q.choices.empty()) return;
    const std::string label = result.Label("");
    const std::string where = "Line " + std::to_string(q.line);
    if (q.choices.empty() && q.key.empty()) {
        result.notes.push_back(where + " \"" + FirstUtf8Chars(q.stem, 50) +
                               "\" has no choices and no answer: read as text between questions, not imported.");
        return;
    }
    if (q.listed) JoinGroups(q);
    ImportedQuestion out;
    out.stem = q.stem;
    if (!q.feedback.empty()) out.extra["general_feedback"] = q.feedback;
    size_t marks = 0, marked = kNone;
    for (size_t i = 0; i < q.marked.size(); ++i)
        if (q.marked[i]) ++marks, marked = i;
    // Every choice starred is a list written with '*' bullets, not a key.
    if (marks == q.choices.size() && marks > 1) marks = 0, marked = kNone;
    if ((marks > 1 || q.several) && q.key.empty()) {
        result.LeaveOut("multiple-answer", label);
        return;
    }
    // Bulleted choices that carry their own letters ("- A. Paris").
    if (StripOwnLetters(q.choices)) q.lettered = true;
    size_t correct = kNone;
    if (!q.key.empty()) {
        correct = KeyIndex(q.key, q.choices);
        // "B, C" or "B and C": several keys.
        std::vector<std::string> keys(1);
        for (size_t i = 0; i < q.key.size(); ++i) {
            if (q.key[i] == ',' || q.key[i] == ';' || q.key[i] == '/' || q.key.compare(i, 5, " and ") == 0) {
                keys.emplace_back();
                if (q.key[i] == ' ') i += 4;
            } else {
                keys.back() += q.key[i];
            }
        }
        size_t named = 0;
        for (const std::string& k : keys) named += KeyIndex(TrimText(k), q.choices) != kNone;
        if (keys.size() > 1 && named == keys.size() && ChoiceFromAnswer(q.key, q.choices, 1) >= q.choices.size()) {
            result.LeaveOut("multiple-answer", label);
            return;
        }
        if (correct != kNone || q.choices.empty()) ++tally.byLine;
        if (marks == 1 && correct != kNone && correct != marked)
            result.notes.push_back(label + ": its answer line says " + q.key + " where its '*' marks " +
                                   ChoiceKey(marked) + "; the answer line is taken.");
    }
    if (correct == kNone && marks == 1) {
        correct = marked;
        ++tally.byMark;
    }
    if (correct == kNone && q.key.empty()) {
        size_t count = 0, at = kNone;
        for (size_t i = 0; i < q.emphasised.size(); ++i)
            if (q.emphasised[i]) ++count, at = i;
        if (count > 1 && count < q.choices.size()) {
            result.LeaveOut("multiple-answer", label);
            return;
        }
        if (count == 1 && q.choices.size() > 1) {
            correct = at;
            ++tally.byEmphasis;
            result.notes.push_back(label + ": nothing names its answer; its one bold or highlighted choice, " +
                                   ChoiceKey(at) + ", is taken as the key.");
        }
    }
    bool truth = true;
    // Only the words True and False: "Yes" / "No" choices keep their text.
    auto truthWord = [](const std::string& c) {
        const std::string t = ToLowerAscii(c);
        return t == "true" || t == "false" || t == "t" || t == "f";
    };
    bool firstTrue = false, secondTrue = false;
    const bool trueFalseChoices = (q.choices.size() == 2 && truthWord(q.choices[0]) && truthWord(q.choices[1]) &&
                                   ToLowerAscii(q.choices[0]) != ToLowerAscii(q.choices[1])) ||
                                  (q.choices.size() == 2 && TrueOrFalseWord(q.choices[0]) && TrueOrFalseWord(q.choices[1]) &&
                                   TruthFromText(q.choices[0], firstTrue) && TruthFromText(q.choices[1], secondTrue) &&
                                   firstTrue != secondTrue);
    if (trueFalseChoices && correct != kNone) {
        out.kind = ImportedQuestion::TrueFalse;
        TruthFromText(q.choices[correct], out.truth);
        ++tally.trueFalse;
    } else if (q.choices.empty() && TruthFromText(q.key, truth)) {
        out.kind = ImportedQuestion::TrueFalse;
        out.truth = truth;
        ++tally.trueFalse;
    } else if (q.choices.empty()) {
        out.kind = ImportedQuestion::Answer;
        out.answer = q.key;
        out.answerValue = NumberAnswer(q.key);
        ++tally.answers;
    } else {
        out.choices = std::move(q.choices);
        out.correct = correct;
        out.answerGiven = q.key.empty() ? std::string("(no answer marked)") : q.key;
    }
    (q.numbered ? tally.numbered : tally.unnumbered)++;
    tally.lettered = tally.lettered || q.lettered;
    tally.bulleted = tally.bulleted || q.bulleted;
    result.Add(std::move(out));
}

std::string Plural(size_t n, const char* one, const char* many) { return std::to_string(n) + " " + (n == 1 ? one : many); }

std::string ReadAsNote(const Tally& t, const std::string& source)
{
    std::string note = "Read as " + source + ": ";
    std::vector<std::string> parts;
    if (t.numbered) parts.push_back(Plural(t.numbered, "numbered question", "numbered questions"));
    if (t.unnumbered) parts.push_back(Plural(t.unnumbered, "question", "questions") + " without a number (the text before its choices)");
    std::string choices = t.lettered && t.bulleted ? "lettered and bulleted" : t.bulleted ? "bulleted" : "lettered";
    std::string keys;
    if (t.byLine) keys += Plural(t.byLine, "key", "keys") + " from answer lines";
    if (t.byMark) keys += (keys.empty() ? "" : ", ") + Plural(t.byMark, "key", "keys") + " from '*' marks";
    if (t.byEmphasis) keys += (keys.empty() ? "" : ", ") + Plural(t.byEmphasis, "key", "keys") + " from bold or highlighting";
    for (size_t i = 0; i < parts.size(); ++i) note += (i ? ", " : "") + parts[i];
    note += "; choices " + choices;
    if (!keys.empty()) note += "; " + keys;
    if (t.trueFalse) note += "; " + Plural(t.trueFalse, "True/False question", "True/False questions");
    if (t.answers) note += "; " + Plural(t.answers, "question", "questions") + " with a written answer and no choices";
    return note + ".";
}

} // namespace

bool ReadTextLines(const std::vector<TextBankLine>& lines, ImportResult& result, std::string& error)
{
    Question q;
    Tally tally;
    bool blankBefore = true, fence = false, comment = false, details = false;
    size_t lastNumber = 0;
    // Which "<!--" and "<details" lines are closed before the next one opens: only those hide
    // the lines after them, so one left open loses nothing.
    std::vector<bool> closes(lines.size(), false);
    for (const auto& [open, close] : {std::pair<std::string_view, std::string_view>{"<!--", "-->"},
                                      std::pair<std::string_view, std::string_view>{"<details", "</details>"}}) {
        size_t opened = lines.size();
        for (size_t n = 0; n < lines.size(); ++n) {
            const std::string_view t = Trimmed(lines[n].text);
            if (t.substr(0, open.size()) == open) opened = n;
            if (opened < lines.size() && t.find(close) != std::string_view::npos) closes[opened] = true, opened = lines.size();
        }
    }
    for (size_t n = 0; n < lines.size(); ++n) {
        const std::string_view raw = Trimmed(lines[n].text);
        if (raw.size() > kMaxImportText) {
            error = TextTooLong("line " + std::to_string(n + 1));
            return false;
        }
        if (raw.substr(0, 3) == "```") fence = !fence;
        if (fence || raw.substr(0, 3) == "```") { // code belongs to the stem, as it is
            if (!q.closed && q.choices.empty() && !q.stem.empty()) q.stem += "\n" + std::string(lines[n].text);
            continue;
        }
        // HTML comments, over several lines too, hold nothing of the question.
        if (comment || (raw.substr(0, 4) == "<!--" && closes[n])) {
            comment = raw.find("-->") == std::string_view::npos;
            continue;
        }
        // A <details> block (an answer hidden until opened): its answer line is the key,
        // the rest the question's feedback; it starts no question.
        if (raw.substr(0, 8) == "<details" && closes[n]) details = true;
        if (details) {
            if (raw.find("</details>") != std::string_view::npos) details = false;
            if (raw.size() > 2 && raw.front() == '<' && raw.back() == '>') continue;
            bool unused = false;
            const std::string inner = PlainLine(raw, unused);
            std::string_view key;
            if (q.key.empty() && !q.choices.empty() && AnswerLine(inner, key)) q.key = key, q.closed = true;
            else if (!inner.empty() && !q.stem.empty()) q.feedback += (q.feedback.empty() ? "" : "\n") + inner;
            continue;
        }
        // Markdown's HTML lines ("<summary>Answer</summary>", "<br/>") hold no text.
        if (raw.size() > 2 && raw.front() == '<' && raw.back() == '>') continue;
        bool emphasis = lines[n].emphasis;
        const std::string text = PlainLine(raw, emphasis);
        if (text.empty()) {
            blankBefore = true;
            if (!q.choices.empty() && !q.listed) q.closed = true;
            q.blankInStem = !q.stem.empty();
            continue;
        }
        std::string_view line = text, rest, key;
        // A leading '*' (or a Markdown "[x]" box) marks the right choice.
        bool mark = false;
        if (line.size() > 1 && line[0] == '*' && !IsSpace(line[1]) && line[1] != '*') {
            mark = true;
            line.remove_prefix(1);
        }
        bool lettered = false;
        const bool starChoice = !mark && line.size() > 1 && line[0] == '*' && IsSpace(line[1]);
        const bool hasQuestion = !q.stem.empty() && !(q.closed && q.choices.empty());
        bool several = false;
        if (hasQuestion && q.key.empty() && q.choices.empty() && !q.listed && InstructionLine(line, several)) {
            q.listed = true;
            q.several = several;
            blankBefore = false;
            continue;
        }
        std::string_view numbered;
        // After the instruction every paragraph is a choice, lettered or not, up to a blank line.
        const bool listedChoice = hasQuestion && q.listed && !q.closed && q.key.empty() && !AnswerLine(line, key) &&
                                  !QuestionStart(line, numbered);
        bool isChoice = hasQuestion && q.key.empty() && ChoiceLine(line, q.choices.size(), rest, lettered) &&
                        !(!lettered && AnswerLine(rest, key)); // "- Answer: B" is the key, not a choice
        if (!isChoice && hasQuestion && q.key.empty() && !q.closed && BareLetter(line, q.choices.size()) &&
            (q.bareLetters || (q.choices.empty() && n + 1 < lines.size() && BareLetter(Trimmed(lines[n + 1].text), 1)))) {
            isChoice = q.bareLetters = lettered = true;
            rest = Trimmed(line.substr(2));
        }
        if (!isChoice && listedChoice) isChoice = true, rest = line, lettered = false;
        // "Verdadero" / "Falso" typed alone under a stem: the two choices of a true/false question.
        if (!isChoice && hasQuestion && q.key.empty() && !q.closed && q.choices.size() < 2 && !q.lettered &&
            TrueOrFalseWord(std::string(line)) && (q.choices.empty() || TrueOrFalseWord(q.choices[0])))
            isChoice = true, rest = line, lettered = false;
        // "a)" after '-' or '+' lines: those were lines of the stem (or its feedback), not choices.
        if (!isChoice && hasQuestion && q.key.empty() && !q.choices.empty() && !q.lettered && !q.listed &&
            ChoiceLine(line, 0, rest, lettered) && lettered) {
            for (const std::string& c : q.choices) q.stem += "\n- " + c;
            q.choices.clear(), q.marked.clear(), q.emphasised.clear(), q.groupStarts.clear();
            q.bulleted = false;
            isChoice = true;
        }
        if (isChoice) {
            std::string choice(rest);
            if (!lettered && (choice.rfind("[x] ", 0) == 0 || choice.rfind("[X] ", 0) == 0)) mark = true;
            if (!lettered && (choice.rfind("[x] ", 0) == 0 || choice.rfind("[X] ", 0) == 0 || choice.rfind("[ ] ", 0) == 0))
                choice = Trimmed(std::string_view(choice).substr(4));
            // "* b) Paris": a starred lettered choice among plain ones.
            std::string_view inner;
            bool innerLettered = false;
            if (starChoice && ChoiceLine(choice, q.choices.size(), inner, innerLettered) && innerLettered) {
                choice = std::string(inner);
                lettered = true;
            }
            if (choice.size() > 1 && choice[0] == '*' && choice[1] != '*') { // "a) *Paris"
                mark = true;
                choice = Trimmed(std::string_view(choice).substr(1));
            } else if (choice.size() > 1 && choice.back() == '*' && choice[choice.size() - 2] != '*') { // "c) Paris*"
                mark = true;
                choice = Trimmed(std::string_view(choice).substr(0, choice.size() - 1));
            }
            q.marked.push_back(mark || starChoice);
            q.emphasised.push_back(emphasis);
            q.groupStarts.push_back(blankBefore && !q.choices.empty());
            q.choices.push_back(std::move(choice));
            (lettered ? q.lettered : q.bulleted) = true;
            blankBefore = false;
            continue;
        }
        if (hasQuestion && AnswerLine(line, key)) {
            q.key = key;
            q.closed = true;
            blankBefore = false;
            continue;
        }
        std::string_view feedback;
        if (hasQuestion && FeedbackLine(line, feedback)) {
            q.feedback = feedback;
            continue;
        }
        // "... text" under a question or a choice: its feedback, kept with the question's.
        if (hasQuestion && line.substr(0, 4) == "... ") {
            q.feedback += (q.feedback.empty() ? "" : "\n") + std::string(Trimmed(line.substr(4)));
            continue;
        }
        size_t value = 0;
        bool number = QuestionStart(line, rest, &value);
        // Numbers that start again inside a stem still waiting for its choices ("Question 10",
        // its text, then "1. ...", "2. ..."): a list in the stem, not questions.
        if (number && q.numbered && !q.stem.empty() && q.choices.empty() && !q.closed && q.key.empty() &&
            !q.blankInStem && (value == 1 || value < lastNumber || (q.stemList && value == q.stemList + 1)))
            number = false, q.stemList = value;
        if (number) lastNumber = value;
        if (!number && q.numbered && q.stem.empty() && q.choices.empty()) { // the stem under "Question 6"
            std::string_view stem = text;
            stem = WithoutBullet(stem);
            if (StartsWithNoCase(stem, "question:")) stem = Trimmed(stem.substr(9)); // "Question 1", then "Question: ..." 
            q.stem = std::string(stem);
            blankBefore = false;
            continue;
        }
        // Unnumbered text after a blank line is a new question's (Aiken's stems are one line).
        const bool fresh = !q.numbered && blankBefore && q.choices.empty() && q.key.empty();
        if (number || fresh || q.stem.empty() || q.closed || !q.choices.empty()) {
            // A number, or text after a question's choices: the next question.
            if (!number && !q.choices.empty() && !q.closed && !blankBefore) {
                q.choices.back() += "\n" + text; // a choice over two lines
                continue;
            }
            Finish(q, result, tally);
            q = Question{};
            q.line = n + 1;
            q.numbered = number;
            q.stem = number ? std::string(rest) : text;
        } else {
            q.stem += "\n" + text; // a stem over several lines
        }
        blankBefore = false;
    }
    Finish(q, result, tally);
    if (!result.items.empty()) result.notes.insert(result.notes.begin(), ReadAsNote(tally, result.source));
    return true;
}

bool ReadTextBank(std::string_view bytes, ImportResult& result, std::string& error)
{
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    std::vector<TextBankLine> lines;
    size_t start = 0;
    while (start <= bytes.size()) {
        size_t end = bytes.find('\n', start);
        if (end == std::string_view::npos) end = bytes.size();
        lines.push_back({std::string(bytes.substr(start, end - start)), false});
        start = end + 1;
    }
    return ReadTextLines(lines, result, error);
}

bool LooksLikeTextBank(std::string_view bytes, bool& aiken)
{
    // The first lines are enough: two choice lines after a question, an answer line.
    size_t choices = 0, bullets = 0, answers = 0, aikenAnswers = 0, questions = 0, expected = 0, lines = 0;
    size_t start = 0;
    while (start < bytes.size() && lines++ < 400) {
        size_t end = bytes.find('\n', start);
        if (end == std::string_view::npos) end = bytes.size();
        bool emphasis = false;
        const std::string text = PlainLine(bytes.substr(start, end - start), emphasis);
        std::string_view line = text, rest;
        if (line.size() > 1 && line[0] == '*' && line[1] != '*' && !IsSpace(line[1])) line.remove_prefix(1);
        bool lettered = false;
        const size_t nextEnd = end < bytes.size() ? std::min(bytes.find('\n', end + 1), bytes.size()) : end;
        const bool bareNext = end < bytes.size() && BareLetter(Trimmed(bytes.substr(end + 1, nextEnd - end - 1)), 1);
        if (QuestionStart(line, rest)) ++questions, expected = 0;
        else if (AnswerLine(line, rest)) ++answers, aikenAnswers += line.substr(0, 7) == "ANSWER:", expected = 0;
        else if (ChoiceLine(line, expected, rest, lettered)) {
            (lettered ? choices : bullets)++, ++expected;
            answers += rest.substr(0, 4) == "[x] " || rest.substr(0, 4) == "[X] "; // a marked box is a key
        }
        else if (ChoiceLine(line, 0, rest, lettered) && lettered) ++choices, expected = 1; // "a)" after bullets
        else if (BareLetter(line, expected) && (expected > 0 || bareNext)) ++choices, ++expected;
        else if (!line.empty() && line.substr(0, 4) != "... ") expected = 0; // feedback lines sit between choices
        start = end + 1;
    }
    aiken = aikenAnswers > 0 && aikenAnswers == answers && questions == 0;
    // Bullets are any Markdown list: only an answer line beside them makes them choices.
    return (choices >= 2 && (answers > 0 || questions > 0)) || (bullets >= 2 && answers > 0);
}
