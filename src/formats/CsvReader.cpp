#include "formats/ImportFormats.h"
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

#include "model/JsonModel.h"
#include "util/StringUtil.h"
#include "util/XmlReader.h"

namespace {

// RFC 4180 records: quoted fields may hold the separator, line breaks and "" for a quote.
bool ParseCsv(std::string_view text, char separator, std::vector<std::vector<std::string>>& rows, std::string& error)
{
    std::vector<std::string> row;
    std::string field;
    bool quoted = false, wasQuoted = false;
    size_t line = 1, quoteLine = 0, tooLongOn = 0;
    auto endField = [&] {
        if (field.size() > kMaxImportText && !tooLongOn) tooLongOn = line;
        row.push_back(std::move(field));
        field.clear();
        wasQuoted = false;
    };
    auto endRow = [&] {
        endField();
        rows.push_back(std::move(row));
        row.clear();
    };
    for (size_t i = 0; i < text.size() && !tooLongOn; ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"') {
                if (i + 1 < text.size() && text[i + 1] == '"') {
                    field += '"';
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                if (c == '\n') ++line;
                // A quoted line break is a line break of the text, CR LF as LF.
                if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
                field += c;
            }
        } else if (c == '"' && field.empty() && !wasQuoted) {
            quoted = wasQuoted = true;
            quoteLine = line;
        } else if (c == separator) {
            endField();
        } else if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            ++line;
            endRow();
        } else {
            field += c;
        }
    }
    if (tooLongOn) {
        error = TextTooLong("a field ending on line " + std::to_string(tooLongOn));
        return false;
    }
    if (quoted) {
        error = "CSV error: the quoted field that starts on line " + std::to_string(quoteLine) + " is never closed.";
        return false;
    }
    if (!field.empty() || !row.empty()) endRow();
    return true;
}

// The separator the header line uses most, outside quotes: comma, semicolon, tab or '|'
// (a comma on a tie).
char DetectSeparator(std::string_view text)
{
    const char kSeparators[] = {',', ';', '\t', '|'};
    size_t counts[4] = {};
    bool quoted = false;
    for (char c : text) {
        if (c == '"') quoted = !quoted;
        else if (!quoted && (c == '\n' || c == '\r')) break;
        else if (!quoted)
            for (size_t k = 0; k < 4; ++k) counts[k] += c == kSeparators[k];
    }
    size_t best = 0;
    for (size_t k = 1; k < 4; ++k)
        if (counts[k] > counts[best]) best = k;
    return kSeparators[best];
}

enum Column { None = -1, Id, Type, Category, Question, Correct, Answer, Choices, Mlo, Clo, Plo, ColumnCount };

// Header words, letter case and spaces, '_' and '-' ignored; what a template says after
// the name ("Answer 3 (Optional)", "Question - max 120 characters", a second line) too.
std::string Squeezed(const std::string& header)
{
    std::string name = TrimText(header);
    for (const char* cut : {"\n", "(", " - ", " \xE2\x80\x93 "}) {
        const size_t at = name.find(cut);
        if (at != std::string::npos && !TrimText(name.substr(0, at)).empty()) name.erase(at);
    }
    std::string out;
    for (char c : ToLowerAscii(TrimText(name)))
        if (c != ' ' && c != '_' && c != '-' && c != '.') out += c;
    return out;
}

Column ColumnOf(const std::string& key)
{
    static const std::pair<const char*, Column> kNames[] = {
        {"id", Id},           {"itemid", Id},         {"questionid", Id},      {"qid", Id},
        {"type", Type},       {"questiontype", Type}, {"itemtype", Type},      {"kind", Type},
        {"category", Category}, {"topic", Category},  {"section", Category},   {"chapter", Category},
        {"question", Question}, {"stem", Question},   {"text", Question},      {"questiontext", Question},
        {"prompt", Question}, {"item", Question},     {"correct", Correct},    {"key", Correct},
        {"answerkey", Correct}, {"correctanswer", Correct}, {"correctoption", Correct}, {"right", Correct},
        {"correctchoice", Correct}, {"answer", Answer}, {"solution", Answer},  {"mlo", Mlo},
        {"clo", Clo},         {"plo", Plo},         {"question#", Id},       {"#", Id},         {"questionname", Id},
        // Flash-card and dialog-card sheets: the card's front asks, its back answers.
        {"front", Question},  {"back", Answer},       {"term", Question},      {"definition", Answer},
        {"choices", Choices}, {"options", Choices},   {"alternatives", Choices}, {"answeroptions", Choices},
        {"distractors", Choices}, {"opts", Choices}, {"no", Id}, {"number", Id}, {"nummer", Id},
        {"número", Id}, {"numero", Id}, {"\xEB\xB2\x88\xED\x98\xB8", Id}, // 번호
        // Sheets made in other languages.
        {"pregunta", Question}, {"respuesta", Answer}, {"opciones", Choices}, {"tipo", Type},
        {"categoría", Category}, {"categoria", Category}, {"réponse", Answer}, {"reponse", Answer},
        {"choix", Choices}, {"frage", Question}, {"antwort", Answer}, {"antworten", Choices},
        {"optionen", Choices}, {"typ", Type}, {"kategorie", Category}, {"pergunta", Question},
        {"resposta", Answer}, {"alternativas", Choices}, {"domanda", Question}, {"risposta", Answer},
        {"opzioni", Choices}, {"vraag", Question}, {"antwoord", Answer},
        // "Solution" and "answer" in other languages.
        {"lösung", Answer}, {"loesung", Answer}, {"solución", Answer}, {"solucion", Answer}, {"soluzione", Answer},
        {"solução", Answer}, {"solucao", Answer}, {"oplossing", Answer}, {"odpowiedź", Answer}, {"cevap", Answer},
        {"jawaban", Answer}, {"svar", Answer}, {"vastaus", Answer},
        {"\xEB\xAC\xB8\xEC\xA0\x9C", Question},  // 문제
        {"\xEC\xA7\x88\xEB\xAC\xB8", Question},  // 질문
        {"\xEC\xA0\x95\xEB\x8B\xB5", Correct},   // 정답
        {"\xEB\x8B\xB5", Answer},                 // 답
        {"\xEB\xB3\xB4\xEA\xB8\xB0", Choices},   // 보기
        {"\xEC\x84\xA0\xED\x83\x9D\xEC\xA7\x80", Choices}, // 선택지
        {"\xEC\x9C\xA0\xED\x98\x95", Type},      // 유형
        {"\xEB\xB6\x84\xEB\xA5\x98", Category},  // 분류
        {"\xE9\xA2\x98\xE7\x9B\xAE", Question},  // 题目
        {"\xE9\x97\xAE\xE9\xA2\x98", Question},  // 问题
        {"\xE7\xAD\x94\xE6\xA1\x88", Correct},   // 答案
        {"\xE9\x80\x89\xE9\xA1\xB9", Choices},   // 选项
        {"\xE5\x95\x8F\xE9\xA1\x8C", Question},  // 問題
        {"\xE6\xAD\xA3\xE8\xA7\xA3", Correct},   // 正解
        {"\xE9\x81\xB8\xE6\x8A\x9E\xE8\x82\xA2", Choices}}; // 選択肢
    for (const auto& [name, column] : kNames)
        if (key == name) return column;
    return None;
}

// "A", "option a", "choice 1", "answer b": the choice's index, or -1.
int ChoiceColumn(const std::string& key)
{
    std::string rest = key;
    for (const char* prefix : {"option", "choice", "answer", "alternative", "opt"})
        if (rest.compare(0, std::strlen(prefix), prefix) == 0 && rest.size() > std::strlen(prefix)) {
            rest = rest.substr(std::strlen(prefix));
            break;
        }
    // "options" and "opts" are plurals, not choice S.
    if (rest == "s") return -1;
    if (rest.size() == 1 && rest[0] >= 'a' && rest[0] <= 'z' && (rest != key || rest[0] <= 'h')) return rest[0] - 'a';
    // "Option 2", or a bare "2" beside "1", "3", "4" (a sheet's choices numbered).
    if (!rest.empty() && rest.size() <= 2 && rest.find_first_not_of("0123456789") == std::string::npos) {
        const int n = std::stoi(rest);
        return n >= 1 && n <= 26 ? n - 1 : -1;
    }
    return -1;
}

// "Incorrect Answer 1", "Wrong answer 2", "Distractor 3": a wrong answer's column (from 0),
// or -1.
int WrongAnswerColumn(const std::string& key)
{
    for (const char* prefix : {"incorrectanswer", "wronganswer", "incorrect", "distractor", "wrong"}) {
        const size_t n = std::strlen(prefix);
        if (key.compare(0, n, prefix) != 0) continue;
        const std::string rest = key.substr(n);
        if (rest.empty()) return 0;
        if (rest.size() <= 2 && rest.find_first_not_of("0123456789") == std::string::npos) {
            const int k = std::stoi(rest);
            return k >= 1 && k <= 25 ? k - 1 : -1;
        }
        return -1;
    }
    return -1;
}

// A header that says "right answer" or "wrong answer" in words we do not list by name
// ("Risposta giusta", "Respuesta incorrecta 2"): 1 right, -1 wrong, 0 neither.
int RightOrWrongWords(const std::string& key)
{
    for (const char* word : {"incorrect", "wrong", "sbagliat", "errat", "falsch", "mauvais", "fauss", "erron",
                             "incorret", "distract", "\xD0\xBD\xD0\xB5\xD0\xBF\xD1\x80\xD0\xB0\xD0\xB2", // неправ
                             "\xD0\xBD\xD0\xB5\xD0\xB2\xD0\xB5\xD1\x80\xD0\xBD", // неверн
                             "yanl\xC4\xB1\xC5\x9F", "salah", "b\xC5\x82\xC4\x99" "dn", "fout", "v\xC3\xA4\xC3\xA4r",
                             "\xE9\x94\x99", "\xE9\x8C\xAF"})  // 错 錯
        if (key.find(word) != std::string::npos) return -1;
    for (const char* word : {"giust", "corrett", "correct", "corret", "richtig", "bonne", "right", "juste",
                             "g'ri", "g\xE2\x80\x99ri", "g\xCA\xBBri",      // to'g'ri (Uzbek)
                             "\xD0\xBF\xD1\x80\xD0\xB0\xD0\xB2\xD0\xB8\xD0\xBB\xD1\x8C\xD0\xBD", // правильн
                             "\xD0\xB2\xD0\xB5\xD1\x80\xD0\xBD",          // верн
                             "do\xC4\x9Fru", "benar", "\xC4\x91\xC3\xBAng", "poprawn", "juist", "oikea", "r\xC3\xA4tt",
                             "\xE6\xAD\xA3\xE7\xA1\xAE", "\xE6\xAD\xA3\xE7\xA2\xBA"})  // 正确 正確
        if (key.find(word) != std::string::npos) return 1;
    return 0;
}

// The text's parts between `separator`s, each trimmed.
std::vector<std::string> SplitAt(const std::string& text, const char* separator)
{
    std::vector<std::string> parts;
    for (size_t at = 0; at <= text.size();) {
        const size_t end = std::min(text.find(separator, at), text.size());
        parts.push_back(TrimText(text.substr(at, end - at)));
        at = end + std::strlen(separator);
    }
    return parts;
}

// Choices joined in one cell: "a; b; c" (or '|').
std::vector<std::string> JoinedChoices(const std::string& cell)
{
    const char separator = cell.find(';') != std::string::npos ? ';' : '|';
    std::vector<std::string> parts(1);
    for (char c : cell) {
        if (c == separator) parts.emplace_back();
        else parts.back() += c;
    }
    for (std::string& part : parts) {
        part = TrimText(part);
        // A quote left at one end by quoting gone wrong ("first"; second;" last"): not text.
        if (std::count(part.begin(), part.end(), '"') % 2 == 1 || (part.size() > 1 && part.front() == '"' && part.back() == '"'))
            while (!part.empty() && (part.front() == '"' || part.back() == '"'))
                part = TrimText(part.front() == '"' ? part.substr(1) : part.substr(0, part.size() - 1));
    }
    while (!parts.empty() && parts.back().empty()) parts.pop_back();
    return parts;
}

bool TypeWord(const std::string& cell)
{
    if (!NormalizeTypeString(cell).empty()) return true;
    const std::string lower = ToLowerAscii(TrimText(cell));
    for (const char* word : {"mcq", "mc", "tf", "t/f", "true/false", "multiple choice", "true or false",
                             "short answer", "essay", "matching"})
        if (lower == word) return true;
    return false;
}

// True/false as sheets write it, O/X (and ○/×) included.
bool SheetTruth(const std::string& cell, bool& truth)
{
    if (TruthFromText(cell, truth)) return true;
    const std::string t = ToLowerAscii(TrimText(cell));
    if (t == "o" || t == "\xE2\x97\x8B") return truth = true, true;
    if (t == "x" || t == "\xC3\x97") return truth = false, true;
    return false;
}

// Columns the header does not name, read by what their cells hold.
struct ColumnStats {
    size_t filled = 0, joined = 0, truth = 0, types = 0, letters = 0, length = 0, asks = 0, integers = 0;
};

ColumnStats Stats(const std::vector<std::vector<std::string>>& rows, size_t column)
{
    ColumnStats s;
    for (size_t row = 1; row < rows.size(); ++row) {
        if (column >= rows[row].size()) continue;
        const std::string cell = TrimText(rows[row][column]);
        if (cell.empty()) continue;
        ++s.filled;
        s.length += cell.size();
        bool truth = false;
        if (JoinedChoices(cell).size() >= 2) ++s.joined;
        if (SheetTruth(cell, truth)) ++s.truth;
        if (TypeWord(cell)) ++s.types;
        if (cell.size() == 1 && std::isalpha(static_cast<unsigned char>(cell[0]))) ++s.letters;
        if (cell.find_first_not_of("0123456789") == std::string::npos) ++s.integers;
        // A question asks, or leads into its answer ("... is:").
        const char last = cell.back();
        if (last == '?' || last == ':' || cell.find("\xEF\xBC\x9F") != std::string::npos) ++s.asks;
    }
    return s;
}

// Which column holds what: by the header's names first, then by content.
struct Layout {
    int columns[ColumnCount];
    std::vector<int> choiceColumns;                  // by choice index
    std::vector<int> wrongColumns;                   // wrong answers beside a right one, in order
    std::vector<int> moreKeyColumns;                 // a second "Answer 2" key: a multiple answer
    std::vector<int> pointColumns;                   // "Points A": each choice's score, by choice index
    std::vector<std::pair<size_t, std::string>> extra; // unnamed columns, kept as item keys
    std::string guessed;                              // what was taken by content, for the note
    bool rightByWords = false;                        // the key column says "right answer" in words

    int Of(Column column) const { return columns[column]; }
};

Layout LayoutFromHeader(const std::vector<std::string>& header)
{
    Layout layout;
    std::fill(layout.columns, layout.columns + ColumnCount, -1);
    for (size_t i = 0; i < header.size(); ++i) {
        const std::string key = Squeezed(header[i]);
        const Column column = ColumnOf(key);
        const int choice = column == None ? ChoiceColumn(key) : -1;
        const int words = column == None && choice < 0 ? RightOrWrongWords(key) : 0;
        int wrong = column == None && choice < 0 ? WrongAnswerColumn(key) : -1;
        if (wrong < 0 && words < 0) wrong = 0;
        int points = -1;
        for (const char* prefix : {"points", "score", "weight"})
            if (column == None && choice < 0 && key.rfind(prefix, 0) == 0 && key.size() > std::strlen(prefix))
                points = ChoiceColumn(key.substr(std::strlen(prefix)));
        if (points >= 0) {
            if (layout.pointColumns.size() <= static_cast<size_t>(points)) layout.pointColumns.resize(points + 1, -1);
            layout.pointColumns[points] = static_cast<int>(i);
            continue;
        }
        if (words > 0 && layout.columns[Correct] < 0) {
            layout.columns[Correct] = static_cast<int>(i);
            layout.rightByWords = true;
            continue;
        }
        std::vector<int>& choices = layout.choiceColumns;
        const bool choiceTaken = choice >= 0 && static_cast<size_t>(choice) < choices.size() && choices[choice] >= 0;
        if (column != None && layout.columns[column] < 0) {
            layout.columns[column] = static_cast<int>(i);
        } else if (choice >= 0 && !choiceTaken) {
            if (choices.size() <= static_cast<size_t>(choice)) choices.resize(choice + 1, -1);
            choices[choice] = static_cast<int>(i);
        } else if (choiceTaken && key.compare(0, 6, "answer") == 0) {
            // Choices under A, B, C... and the key under "Answer 1" (a second one: several keys).
            if (layout.columns[Correct] < 0) layout.columns[Correct] = static_cast<int>(i);
            else layout.moreKeyColumns.push_back(static_cast<int>(i));
        } else if (wrong >= 0) {
            layout.wrongColumns.push_back(static_cast<int>(i));
        } else if (!TrimText(header[i]).empty()) {
            layout.extra.emplace_back(i, TrimText(header[i]));
        }
    }
    return layout;
}

void Take(Layout& layout, const std::vector<std::string>& header, Column column, size_t index, const char* what)
{
    layout.columns[column] = static_cast<int>(index);
    auto& extra = layout.extra;
    extra.erase(std::remove_if(extra.begin(), extra.end(), [&](const auto& e) { return e.first == index; }),
                extra.end());
    layout.guessed += std::string(layout.guessed.empty() ? "" : ", ") + "\"" + header[index] + "\" as " + what;
}

std::vector<size_t> Unnamed(const Layout& layout)
{
    std::vector<size_t> out;
    for (const auto& [index, name] : layout.extra) out.push_back(index);
    return out;
}

// The unnamed column whose cells most often name one of their row's choices, or true/false.
void GuessKeyColumn(const std::vector<std::vector<std::string>>& rows, Layout& layout)
{
    size_t best = 0, bestHits = 0;
    for (size_t i : Unnamed(layout)) {
        size_t hits = 0, filled = 0;
        for (size_t row = 1; row < rows.size(); ++row) {
            if (i >= rows[row].size() || TrimText(rows[row][i]).empty()) continue;
            ++filled;
            const std::string cell = TrimText(rows[row][i]);
            std::vector<std::string> choices;
            if (layout.Of(Choices) >= 0 && static_cast<size_t>(layout.Of(Choices)) < rows[row].size())
                choices = JoinedChoices(rows[row][layout.Of(Choices)]);
            for (int c : layout.choiceColumns)
                choices.push_back(c >= 0 && static_cast<size_t>(c) < rows[row].size() ? TrimText(rows[row][c]) : "");
            bool truth = false;
            if ((!choices.empty() && ChoiceFromAnswer(cell, choices, 1) < choices.size()) || SheetTruth(cell, truth))
                ++hits;
        }
        if (filled && hits * 2 >= filled && hits > bestHits) {
            best = i;
            bestHits = hits;
        }
    }
    if (bestHits > 0) Take(layout, rows[0], Correct, best, "the answer");
}

// Choices each in a column of their own with the key in another, none of them named: the
// choices follow the question, and the key is the later column whose cells most often name
// one of the columns between (by letter, number or text).
void GuessChoiceColumns(const std::vector<std::vector<std::string>>& rows, Layout& layout)
{
    const size_t question = static_cast<size_t>(layout.Of(Question));
    const std::vector<size_t> unnamed = Unnamed(layout);
    auto isUnnamed = [&unnamed](size_t c) { return std::find(unnamed.begin(), unnamed.end(), c) != unnamed.end(); };
    size_t key = 0, keyHits = 0;
    // A key the header names: the choices are the unnamed columns before it.
    const int named = layout.Of(Correct) >= 0 ? layout.Of(Correct) : layout.Of(Answer);
    // At most 26 choices between: a sheet of thousands of columns costs no more per row.
    for (size_t k = question + 3; k < rows[0].size() && k <= question + 27 &&
                                  (named < 0 ? isUnnamed(k) : k <= static_cast<size_t>(named));
         ++k) {
        if (named >= 0 && k != static_cast<size_t>(named)) continue;
        bool between = true;
        for (size_t c = question + 1; c < k; ++c) between = between && isUnnamed(c);
        if (!between) break;
        size_t hits = 0, filled = 0;
        for (size_t row = 1; row < rows.size(); ++row) {
            if (k >= rows[row].size() || TrimText(rows[row][k]).empty()) continue;
            ++filled;
            std::vector<std::string> choices;
            for (size_t c = question + 1; c < k; ++c) choices.push_back(c < rows[row].size() ? TrimText(rows[row][c]) : "");
            hits += ChoiceFromAnswer(rows[row][k], choices, 1) < choices.size();
        }
        if (filled && hits * 2 >= filled && hits > keyHits) key = k, keyHits = hits;
    }
    if (!keyHits) return;
    for (size_t c = question + 1; c < key; ++c) {
        layout.choiceColumns.push_back(static_cast<int>(c));
        Take(layout, rows[0], Choices, c, "a choice");
        layout.columns[Choices] = -1;
    }
    if (named < 0) Take(layout, rows[0], Correct, key, "the key");
}

// Columns the header left unnamed are read by content: choices joined by ';', a type
// column, the key as a choice's text or letter, the question as the longest text.
void GuessUnnamedColumns(const std::vector<std::vector<std::string>>& rows, Layout& layout)
{
    const std::vector<std::string>& header = rows[0];
    if (layout.Of(Type) < 0)
        for (size_t i : Unnamed(layout)) {
            const ColumnStats s = Stats(rows, i);
            if (s.filled && s.types * 10 >= s.filled * 8) {
                Take(layout, header, Type, i, "the type");
                break;
            }
        }
    if (layout.Of(Choices) < 0 && layout.choiceColumns.empty())
        for (size_t i : Unnamed(layout)) {
            const ColumnStats s = Stats(rows, i);
            if (s.filled && s.joined * 2 >= s.filled && layout.Of(Question) != static_cast<int>(i)) {
                Take(layout, header, Choices, i, "the choices (joined by ';')");
                break;
            }
        }
    if (layout.Of(Question) < 0) {
        // The column that asks (a third of its cells end in '?' or ':'), then the longest:
        // choices can be longer than their questions.
        size_t best = 0;
        std::pair<bool, size_t> bestRank{false, 0};
        for (size_t i : Unnamed(layout)) {
            const ColumnStats s = Stats(rows, i);
            const std::pair<bool, size_t> rank{s.filled && s.asks * 3 >= s.filled, s.filled ? s.length / s.filled : 0};
            if (rank > bestRank) best = i, bestRank = rank;
        }
        if (bestRank.second > 0) Take(layout, header, Question, best, "the question");
    }
    const bool noChoices = layout.Of(Choices) < 0 && layout.choiceColumns.empty() && layout.wrongColumns.empty();
    // The question, "Right answer" right after it, then columns of other answers under names
    // we do not know ("Additional answer"): those are the wrong ones.
    if (noChoices && layout.Of(Question) >= 0 && layout.Of(Correct) == layout.Of(Question) + 1 && layout.rightByWords) {
        const std::vector<size_t> unnamed = Unnamed(layout);
        for (size_t c = static_cast<size_t>(layout.Of(Correct)) + 1;
             std::find(unnamed.begin(), unnamed.end(), c) != unnamed.end() && Stats(rows, c).filled * 2 >= rows.size() - 1; ++c) {
            layout.wrongColumns.push_back(static_cast<int>(c));
            layout.guessed += std::string(layout.guessed.empty() ? "" : ", ") + "\"" + header[c] + "\" as a wrong answer";
            layout.extra.erase(std::remove_if(layout.extra.begin(), layout.extra.end(), [c](const auto& e) { return e.first == c; }),
                               layout.extra.end());
        }
    }
    if (noChoices && layout.wrongColumns.empty() && layout.Of(Question) >= 0) GuessChoiceColumns(rows, layout);
    if (layout.Of(Correct) < 0 && layout.Of(Answer) < 0 && layout.pointColumns.empty()) GuessKeyColumn(rows, layout);
    // No key anywhere: the unnamed columns after the question filled in most rows, with more
    // than numbers in them. One is the answer (cards, short answers); several are choices
    // whose key the cells may mark ("Paris (right)") or nothing gives.
    const bool stillNoChoices = layout.Of(Choices) < 0 && layout.choiceColumns.empty() && layout.wrongColumns.empty();
    if (stillNoChoices && layout.Of(Question) >= 0 && layout.Of(Correct) < 0 && layout.Of(Answer) < 0 &&
        layout.pointColumns.empty()) {
        std::vector<size_t> filled;
        for (size_t i : Unnamed(layout)) {
            const ColumnStats st = Stats(rows, i);
            if (i > static_cast<size_t>(layout.Of(Question)) && st.filled * 5 >= (rows.size() - 1) * 4 &&
                st.integers < st.filled && filled.size() < 26)
                filled.push_back(i);
        }
        if (filled.size() == 1) Take(layout, header, Answer, filled[0], "the answer");
        for (size_t k = 0; filled.size() > 1 && k < filled.size(); ++k) {
            layout.choiceColumns.push_back(static_cast<int>(filled[k]));
            Take(layout, header, Choices, filled[k], "a choice");
            layout.columns[Choices] = -1;
        }
    }
}

// The testbank type a sheet's type cell names; empty when it names none. `leaveOut` is
// set for a kind a testbank cannot hold.
std::string SheetType(const std::string& typeText, bool& leaveOut)
{
    std::string type = NormalizeTypeString(typeText);
    const std::string lowerType = ToLowerAscii(typeText);
    if (type.empty() && (lowerType == "mcq" || lowerType == "mc" || lowerType == "multiple choice"))
        type = "multiple_choice";
    if (type.empty() && (lowerType == "tf" || lowerType == "t/f" || lowerType == "true/false" ||
                         lowerType == "true or false"))
        type = "true_false";
    if (type.empty() && !typeText.empty()) {
        if (lowerType.find("essay") != std::string::npos || lowerType.find("matching") != std::string::npos ||
            lowerType.find("multiple answer") != std::string::npos ||
            lowerType.find("multiple_answer") != std::string::npos || lowerType == "checkbox" ||
            lowerType == "open-ended" || lowerType == "open ended" || lowerType == "poll") {
            leaveOut = true;
            return lowerType == "checkbox" ? "multiple-answer" : lowerType;
        }
        if (lowerType == "short answer" || lowerType == "short_answer" || lowerType == "shortanswer" ||
            lowerType == "fill-in-the-blank" || lowerType == "fill in the blank" || lowerType == "fill-in-the-blanks" ||
            lowerType == "fill in the blanks" || lowerType == "fib" || lowerType == "fill-in" || lowerType == "fill in")
            type = "numerical";
    }
    return type;
}

// The answer part of a row by its type; false when the type is one a testbank lacks.
bool SetAnswer(ImportedQuestion& q, const std::string& type, std::vector<std::string> choices, const std::string& key,
               const std::string& answer, const std::string& label, ImportResult& result)
{
    if (type == "multiple_choice") {
        q.kind = ImportedQuestion::Choice;
        q.choices = std::move(choices);
        q.correct = ChoiceFromAnswer(key, q.choices, 1);
        q.answerGiven = key;
        // "1,3" or "B;D": several keys, a multiple-answer question.
        if (q.correct >= q.choices.size() && key.find_first_of(",;|") != std::string::npos) {
            std::vector<std::string> keys(1);
            for (char c : key) {
                if (c == ',' || c == ';' || c == '|') keys.emplace_back();
                else keys.back() += c;
            }
            size_t named = 0;
            for (const std::string& k : keys) named += ChoiceFromAnswer(k, q.choices, 1) < q.choices.size();
            if (named >= 2 && named == keys.size()) {
                result.LeaveOut("multiple-answer", label);
                return false;
            }
        }
        // The answer column holding the right answer's text, the option columns the wrong ones.
        AddAnswerAsChoice(q, key, label, result.notes);
    } else if (type == "true_false") {
        q.kind = ImportedQuestion::TrueFalse;
        if (!SheetTruth(key, q.truth)) {
            q.truth = true;
            result.notes.push_back(label + ": the answer \"" + key + "\" is neither true nor false; set to True.");
        }
    } else if (type == "numerical") {
        q.kind = ImportedQuestion::Answer;
        q.answer = answer;
        // Accepted answers in one cell, "9//NINE//nine" (not a web address's "//").
        if (answer.find("//") != std::string::npos && answer.find("://") == std::string::npos) {
            choices = SplitAt(answer, "//");
            if (std::find(choices.begin(), choices.end(), std::string()) == choices.end()) q.answer.clear();
        }
        // A blank's accepted answers in the choice columns (or one cell): the first is the answer.
        if (TrimText(q.answer).empty() && !choices.empty()) {
            json others = json::array();
            for (size_t i = 0; i < choices.size(); ++i)
                if (q.answer.empty()) q.answer = choices[i];
                else if (!choices[i].empty()) others.push_back(choices[i]);
            if (!others.empty()) {
                result.notes.push_back(label + " accepts " + std::to_string(others.size() + 1) +
                                       " answers; the first is the answer, the others are kept under \"other_answers\".");
                q.extra["other_answers"] = std::move(others);
            }
        }
    } else {
        result.LeaveOut(type, label);
        return false;
    }
    return true;
}

// One data row (`row` counts from 0, the header) as a question; a blank row is skipped.
void ReadRow(const std::vector<std::vector<std::string>>& rows, size_t row, const Layout& layout,
             ImportResult& result)
{
    const std::vector<std::string>& r = rows[row];
    auto cell = [&r](int column) { return column >= 0 && static_cast<size_t>(column) < r.size() ? r[column] : ""; };
    bool blank = true;
    for (const std::string& f : r) blank = blank && TrimText(f).empty();
    if (blank) return;
    ImportedQuestion q;
    q.id = TrimText(cell(layout.Of(Id)));
    q.category = TrimText(cell(layout.Of(Category)));
    q.stem = TrimText(cell(layout.Of(Question)));
    const std::string label = result.Label(q.id);
    const Column objectiveColumns[] = {Mlo, Clo, Plo};
    const char* objectiveNames[] = {"MLO", "CLO", "PLO"};
    for (int k = 0; k < 3; ++k) {
        const std::string value = TrimText(cell(layout.Of(objectiveColumns[k])));
        if (!value.empty()) q.objectives.emplace_back(objectiveNames[k], value);
    }
    std::vector<std::string> lost;
    for (const auto& [column, name] : layout.extra) {
        const std::string value = cell(static_cast<int>(column));
        if (!value.empty()) q.extra[name] = value;
        // The question shows the image: its place in the text is kept visible.
        if (IsImageField(name) && !TrimText(value).empty())
            q.stem += (q.stem.empty() ? "" : " ") + ImagePlaceholder(TrimText(value), lost);
    }
    // "Done" or a total under the last question: only one cell, in a sheet of choice
    // questions, or no question text and no choices.
    {
        bool choices = false;
        size_t filled = 0;
        for (int column : layout.choiceColumns) choices = choices || !TrimText(cell(column)).empty();
        for (const std::string& f : r) filled += !TrimText(f).empty();
        if (!choices && (q.stem.empty() || (filled == 1 && !layout.choiceColumns.empty()))) {
            result.notes.push_back("Line " + std::to_string(row + 1) + " has no choices or answer beside \"" +
                                   FirstUtf8Chars(q.stem, 40) + "\"; it is read as no question and skipped.");
            return;
        }
    }
    if (r.size() > rows[0].size())
        result.notes.push_back(label + " (line " + std::to_string(row + 1) + ") has more fields than the header; " +
                               "the extra ones are not read.");
    std::vector<std::string> choices;
    for (int column : layout.choiceColumns) choices.push_back(column >= 0 ? TrimText(cell(column)) : "");
    if (layout.Of(Choices) >= 0 && layout.choiceColumns.empty()) choices = JoinedChoices(cell(layout.Of(Choices)));
    while (!choices.empty() && choices.back().empty()) choices.pop_back();
    // Without a "correct" column, "answer" is the key of the choice questions.
    std::string key = TrimText(cell(layout.Of(Correct) >= 0 ? layout.Of(Correct) : layout.Of(Answer)));
    // Choices joined by commas in one cell: split there when the answer names one of them.
    if (choices.size() == 1 && layout.Of(Choices) >= 0 && !key.empty()) {
        for (const char* comma : {",", "\xEF\xBC\x8C", "\xE3\x80\x81"}) { // , ， 、
            std::vector<std::string> parts = SplitAt(choices[0], comma);
            if (parts.size() >= 2 && std::find(parts.begin(), parts.end(), key) != parts.end()) {
                choices = std::move(parts);
                break;
            }
        }
    }
    // No key column: a choice marked right in its own cell ("Paris (right)"), or the choice
    // given the most points.
    if (key.empty() && layout.Of(Correct) < 0 && layout.Of(Answer) < 0) {
        const size_t marked = TakeChoiceMarks(choices);
        if (marked < choices.size()) key = std::string(1, static_cast<char>('A' + marked));
    }
    // Choices that carry their own letters ("a) Paris", "b)Rome"), each its own in order.
    if (choices.size() >= 2 && (key.empty() || ChoiceFromAnswer(key, choices, 1) >= choices.size() || key.size() <= 2) &&
        StripOwnLetters(choices))
        result.notes.push_back(label + ": its choices carry their own letters (a), b), ...); they are taken off.");
    if (key.empty() && layout.Of(Correct) < 0) {
        double best = 0;
        for (size_t i = 0; i < layout.pointColumns.size(); ++i) {
            const std::string points = TrimText(cell(layout.pointColumns[i]));
            char* end = nullptr;
            const double value = points.empty() ? 0 : std::strtod(points.c_str(), &end);
            if (end && !*end && value > best) best = value, key = std::string(1, static_cast<char>('A' + i));
        }
    }
    for (int column : layout.moreKeyColumns)
        if (!TrimText(cell(column)).empty()) {
            result.LeaveOut("multiple-answer", label);
            return;
        }
    // The right answer beside wrong ones: placed by the row, so the keys are not all A.
    std::vector<std::string> wrong;
    for (int column : layout.wrongColumns)
        if (!TrimText(cell(column)).empty()) wrong.push_back(TrimText(cell(column)));
    if (!wrong.empty() && choices.empty() && !key.empty()) {
        choices = wrong;
        const size_t at = (row - 1) % (wrong.size() + 1);
        choices.insert(choices.begin() + static_cast<long>(at), key);
        key = std::string(1, static_cast<char>('A' + at));
    }
    const std::string answer = TrimText(cell(layout.Of(Answer) >= 0 ? layout.Of(Answer) : layout.Of(Correct)));
    const std::string typeText = TrimText(cell(layout.Of(Type)));
    bool leaveOut = false;
    std::string type = SheetType(typeText, leaveOut);
    if (leaveOut) {
        result.LeaveOut(type, label);
        return;
    }
    bool truth = true;
    if (type.empty()) {
        // No usable type: the loader infers one and lists the item for the fixup wizard.
        q.typeKnown = false;
        if (!typeText.empty())
            result.notes.push_back(label + " has the type " + std::string("\"") + typeText +
                                   "\", which a testbank does not have; the type is guessed.");
        type = !choices.empty() ? "multiple_choice" : SheetTruth(key, truth) ? "true_false" : "numerical";
    }
    // Two choices that say true and false: a true/false question, its key the choice named.
    bool first = false;
    if (type == "multiple_choice" && !q.typeKnown && TruthChoices(choices, first)) {
        const size_t picked = ChoiceFromAnswer(key, choices, 1);
        type = "true_false";
        if (picked < 2) key = (picked == 0) == first ? "true" : "false";
    }
    if (SetAnswer(q, type, std::move(choices), key, answer, label, result)) result.Add(std::move(q), label, lost);
}

// A row with more fields than the header, its separator unquoted inside a text: the texts
// from the question to the last choice are joined back where the question then ends with
// '?' or the separator has a space after it (a text's own), when the key still names a
// choice.
void MendRow(std::vector<std::vector<std::string>>& rows, size_t row, const Layout& layout, char separator,
             ImportResult& result)
{
    std::vector<std::string>& r = rows[row];
    const size_t width = rows[0].size();
    if (r.size() <= width || layout.Of(Question) < 0 || !separator) return;
    const size_t question = static_cast<size_t>(layout.Of(Question));
    const int lastChoice = layout.choiceColumns.empty()
                               ? static_cast<int>(question)
                               : *std::max_element(layout.choiceColumns.begin(), layout.choiceColumns.end());
    const int key = layout.Of(Correct) >= 0 ? layout.Of(Correct) : layout.Of(Answer);
    const size_t extra = r.size() - width;
    // Past the question only when the choices sit between it and the key.
    const size_t last = lastChoice > static_cast<int>(question) && key > lastChoice ? static_cast<size_t>(lastChoice)
                                                                                     : question;
    // A text's own separator is most often followed by a space, a field's is not.
    size_t chosen = r.size();
    int bestRank = 0; // a question that asks, then a separator with a space after it
    std::vector<std::string> best;
    for (size_t at = question; at <= last; ++at) {
        std::vector<std::string> mended(r.begin(), r.begin() + static_cast<long>(at));
        std::string joined = r[at];
        for (size_t k = 1; k <= extra; ++k) joined += separator + r[at + k];
        mended.push_back(std::move(joined));
        mended.insert(mended.end(), r.begin() + static_cast<long>(at + extra + 1), r.end());
        const std::string stem = TrimText(mended[question]);
        std::vector<std::string> choices;
        for (int c : layout.choiceColumns) choices.push_back(c >= 0 ? TrimText(mended[c]) : std::string());
        const bool asks = !stem.empty() && (stem.back() == '?' || (stem.size() >= 3 && stem.substr(stem.size() - 3) == "\xEF\xBC\x9F"));
        const bool spaced = r[at + 1].compare(0, 1, " ") == 0;
        const int rank = asks * 2 + spaced;
        if (!rank || rank <= bestRank ||
            (!choices.empty() && key >= 0 && ChoiceFromAnswer(mended[key], choices, 1) >= choices.size()))
            continue;
        chosen = at, bestRank = rank, best = std::move(mended);
    }
    if (chosen == r.size()) return;
    result.notes.push_back(result.Label("") + " (line " + std::to_string(row + 1) + ") has more fields than the " +
                           "header: the separator in " + Quoted(best[chosen]) + " is read as part of that text.");
    r = std::move(best);
}

// The note that says which column was read as what.
std::string ColumnsReadNote(const std::vector<std::string>& header, const Layout& layout)
{
    std::string used = "Columns read: question from \"" + header[layout.Of(Question)] + "\"";
    if (!layout.choiceColumns.empty())
        used += ", choices from " + std::to_string(layout.choiceColumns.size()) + " columns";
    if (layout.Of(Choices) >= 0 && layout.choiceColumns.empty())
        used += ", choices from \"" + header[layout.Of(Choices)] + "\" (split at ';')";
    if (!layout.wrongColumns.empty())
        used += ", wrong answers from " + std::to_string(layout.wrongColumns.size()) + " columns";
    if (layout.Of(Correct) >= 0) used += ", the key from \"" + header[layout.Of(Correct)] + "\"";
    else if (!layout.pointColumns.empty()) used += ", the key as the choice with the most points";
    if (layout.Of(Answer) >= 0)
        used += std::string(", ") + (layout.Of(Correct) >= 0 ? "numeric answers" : "the answer") + " from \"" +
                header[layout.Of(Answer)] + "\"";
    if (layout.Of(Type) < 0) used += "; no type column, so the types are guessed and listed for fixing";
    if (!layout.extra.empty()) {
        used += "; kept as item keys:";
        for (size_t i = 0; i < layout.extra.size(); ++i)
            used += std::string(i ? ", \"" : " \"") + layout.extra[i].second + "\"";
    }
    if (!layout.guessed.empty()) used += "; taken by content: " + layout.guessed;
    // A header cell's second line ("Answer 3\n(Optional)") stays on the note's one line.
    for (char& c : used)
        if (c == '\n' || c == '\r') c = ' ';
    return used + ".";
}

// A sheet's rows (from a file with `separator`, 0 for cells read exactly) as questions.
bool ReadRows(std::vector<std::vector<std::string>> rows, char separator, ImportResult& result, std::string& error)
{
    if (rows.empty()) {
        error = "The CSV file is empty.";
        return false;
    }
    // A template's title lines above its header: the header is the first of the first lines
    // that names a question column and another one.
    for (size_t first = 0; first < rows.size() && first < 6; ++first) {
        const Layout named = LayoutFromHeader(rows[first]);
        const bool other = named.Of(Answer) >= 0 || named.Of(Correct) >= 0 || named.Of(Choices) >= 0 ||
                           !named.pointColumns.empty() ||
                           !named.choiceColumns.empty() || !named.wrongColumns.empty();
        if (named.Of(Question) < 0 || !other) continue;
        if (first > 0) {
            rows.erase(rows.begin(), rows.begin() + static_cast<long>(first));
            result.notes.push_back(first == 1 ? std::string("The line above the header is a title, not a question; it is skipped.")
                                              : "The " + std::to_string(first) +
                                                    " lines above the header are a title, not questions; they are skipped.");
        }
        break;
    }
    // No header at all: the first line is a question like the others.
    {
        const Layout named = LayoutFromHeader(rows[0]);
        bool data = false;
        for (const std::string& cell : rows[0])
            data = data || TrimText(cell).size() >= 25 || (!cell.empty() && TrimText(cell).back() == '?');
        if (named.Of(Question) < 0 && data && rows.size() > 1) {
            std::vector<std::string> names;
            for (size_t i = 0; i < rows[0].size(); ++i) names.push_back("Column " + std::to_string(i + 1));
            rows.insert(rows.begin(), std::move(names));
            result.notes.push_back("The file has no header line: its columns are read by what they hold.");
        }
    }
    const std::vector<std::string>& header = rows[0];
    Layout layout = LayoutFromHeader(header);
    GuessUnnamedColumns(rows, layout);
    if (layout.Of(Question) < 0) {
        std::string names;
        for (const std::string& h : header) names += (names.empty() ? "" : ", ") + std::string("\"") + h + "\"";
        error = "The CSV file's first line names no question column (question, stem, text or prompt). It has: " +
                names + ".";
        return false;
    }
    const size_t skipped = result.notes.size();
    for (size_t row = 1; row < rows.size(); ++row) {
        MendRow(rows, row, layout, separator, result);
        ReadRow(rows, row, layout, result);
    }
    result.notes.insert(result.notes.begin() + static_cast<long>(skipped), ColumnsReadNote(header, layout));
    return true;
}

} // namespace

bool ReadCsv(std::string_view bytes, ImportResult& result, std::string& error)
{
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    result.source = "CSV";
    std::vector<std::vector<std::string>> rows;
    const char separator = DetectSeparator(bytes);
    if (!ParseCsv(bytes, separator, rows, error)) return false;
    return ReadRows(std::move(rows), separator, result, error);
}

bool ReadSheetRows(std::vector<std::vector<std::string>> rows, ImportResult& result, std::string& error)
{
    return ReadRows(std::move(rows), 0, result, error);
}
