#include "formats/ImportFormats.h"
#include <algorithm>
#include <cctype>
#include <cstring>

#include "model/JsonModel.h"
#include "util/XmlReader.h"

namespace {

// RFC 4180 records: quoted fields may hold the separator, line breaks and "" for a quote.
bool ParseCsv(std::string_view text, char separator, std::vector<std::vector<std::string>>& rows, std::string& error)
{
    std::vector<std::string> row;
    std::string field;
    bool quoted = false, wasQuoted = false;
    size_t line = 1, quoteLine = 0;
    auto endField = [&] {
        row.push_back(std::move(field));
        field.clear();
        wasQuoted = false;
    };
    auto endRow = [&] {
        endField();
        rows.push_back(std::move(row));
        row.clear();
    };
    for (size_t i = 0; i < text.size(); ++i) {
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
    if (quoted) {
        error = "CSV error: the quoted field that starts on line " + std::to_string(quoteLine) + " is never closed.";
        return false;
    }
    if (!field.empty() || !row.empty()) endRow();
    return true;
}

// The separator the header line uses most, outside quotes: comma, semicolon or tab.
char DetectSeparator(std::string_view text)
{
    size_t counts[3] = {};
    bool quoted = false;
    for (char c : text) {
        if (c == '"') quoted = !quoted;
        else if (!quoted && (c == '\n' || c == '\r')) break;
        else if (!quoted) counts[0] += c == ',', counts[1] += c == ';', counts[2] += c == '\t';
    }
    if (counts[1] > counts[0] && counts[1] >= counts[2]) return ';';
    if (counts[2] > counts[0] && counts[2] > counts[1]) return '\t';
    return ',';
}

enum Column { None = -1, Id, Type, Category, Question, Correct, Answer, Choices, Mlo, Clo, Plo, ColumnCount };

// Header words, letter case and spaces, '_' and '-' ignored.
std::string Squeezed(const std::string& header)
{
    std::string out;
    for (char c : ToLowerAscii(TrimText(header)))
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
        {"clo", Clo},         {"plo", Plo},
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
    if (rest != key && !rest.empty() && rest.size() <= 2 && rest.find_first_not_of("0123456789") == std::string::npos) {
        const int n = std::stoi(rest);
        return n >= 1 && n <= 26 ? n - 1 : -1;
    }
    return -1;
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
    for (std::string& part : parts) part = TrimText(part);
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
    size_t filled = 0, joined = 0, truth = 0, types = 0, letters = 0, length = 0;
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
    }
    return s;
}

} // namespace

bool ReadCsv(std::string_view bytes, ImportResult& result, std::string& error)
{
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    result.source = "CSV";
    std::vector<std::vector<std::string>> rows;
    if (!ParseCsv(bytes, DetectSeparator(bytes), rows, error)) return false;
    if (rows.empty()) {
        error = "The CSV file is empty.";
        return false;
    }
    const std::vector<std::string>& header = rows[0];
    int columns[ColumnCount];
    std::fill(columns, columns + ColumnCount, -1);
    std::vector<int> choiceColumns; // by choice index
    std::vector<std::pair<size_t, std::string>> extra;
    for (size_t i = 0; i < header.size(); ++i) {
        const std::string key = Squeezed(header[i]);
        const Column column = ColumnOf(key);
        const int choice = column == None ? ChoiceColumn(key) : -1;
        if (column != None && columns[column] < 0) {
            columns[column] = static_cast<int>(i);
        } else if (choice >= 0) {
            if (choiceColumns.size() <= static_cast<size_t>(choice)) choiceColumns.resize(choice + 1, -1);
            if (choiceColumns[choice] < 0) choiceColumns[choice] = static_cast<int>(i);
        } else if (!TrimText(header[i]).empty()) {
            extra.emplace_back(i, TrimText(header[i]));
        }
    }
    // Columns the header left unnamed are read by content: choices joined by ';', a type
    // column, the key as a choice's text or letter, the question as the longest text.
    std::string guessed;
    auto take = [&](Column column, size_t index, const char* what) {
        columns[column] = static_cast<int>(index);
        extra.erase(std::remove_if(extra.begin(), extra.end(), [&](const auto& e) { return e.first == index; }),
                    extra.end());
        guessed += std::string(guessed.empty() ? "" : ", ") + "\"" + header[index] + "\" as " + what;
    };
    auto unnamed = [&] {
        std::vector<size_t> out;
        for (const auto& [index, name] : extra) out.push_back(index);
        return out;
    };
    if (columns[Type] < 0)
        for (size_t i : unnamed()) {
            const ColumnStats s = Stats(rows, i);
            if (s.filled && s.types * 10 >= s.filled * 8) {
                take(Type, i, "the type");
                break;
            }
        }
    if (columns[Choices] < 0 && choiceColumns.empty())
        for (size_t i : unnamed()) {
            const ColumnStats s = Stats(rows, i);
            if (s.filled && s.joined * 2 >= s.filled && columns[Question] != static_cast<int>(i)) {
                take(Choices, i, "the choices (joined by ';')");
                break;
            }
        }
    if (columns[Question] < 0) {
        size_t best = 0, bestLength = 0;
        for (size_t i : unnamed()) {
            const ColumnStats s = Stats(rows, i);
            if (s.filled && s.length / s.filled > bestLength) {
                best = i;
                bestLength = s.length / s.filled;
            }
        }
        if (bestLength > 0) take(Question, best, "the question");
    }
    if (columns[Correct] < 0 && columns[Answer] < 0) {
        // The column whose cells most often name one of their row's choices, or true/false.
        size_t best = 0, bestHits = 0;
        for (size_t i : unnamed()) {
            size_t hits = 0, filled = 0;
            for (size_t row = 1; row < rows.size(); ++row) {
                if (i >= rows[row].size() || TrimText(rows[row][i]).empty()) continue;
                ++filled;
                const std::string cell = TrimText(rows[row][i]);
                std::vector<std::string> choices;
                if (columns[Choices] >= 0 && static_cast<size_t>(columns[Choices]) < rows[row].size())
                    choices = JoinedChoices(rows[row][columns[Choices]]);
                for (int c : choiceColumns)
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
        if (bestHits > 0) take(Correct, best, "the answer");
    }
    if (columns[Question] < 0) {
        std::string names;
        for (const std::string& h : header) names += (names.empty() ? "" : ", ") + std::string("\"") + h + "\"";
        error = "The CSV file's first line names no question column (question, stem, text or prompt). It has: " +
                names + ".";
        return false;
    }
    // Without a "correct" column, "answer" is the key of the choice questions.
    std::string used = "Columns read: question from \"" + header[columns[Question]] + "\"";
    for (size_t row = 1; row < rows.size(); ++row) {
        const std::vector<std::string>& r = rows[row];
        auto cell = [&r](int column) { return column >= 0 && static_cast<size_t>(column) < r.size() ? r[column] : ""; };
        bool blank = true;
        for (const std::string& f : r) blank = blank && TrimText(f).empty();
        if (blank) continue;
        ImportedQuestion q;
        q.id = TrimText(cell(columns[Id]));
        q.category = TrimText(cell(columns[Category]));
        q.stem = TrimText(cell(columns[Question]));
        const std::string label = result.Label(q.id);
        const Column objectiveColumns[] = {Mlo, Clo, Plo};
        const char* objectiveNames[] = {"MLO", "CLO", "PLO"};
        for (int k = 0; k < 3; ++k) {
            const std::string value = TrimText(cell(columns[objectiveColumns[k]]));
            if (!value.empty()) q.objectives.emplace_back(objectiveNames[k], value);
        }
        for (const auto& [column, name] : extra) {
            const std::string value = cell(static_cast<int>(column));
            if (!value.empty()) q.extra[name] = value;
        }
        if (r.size() > header.size())
            result.notes.push_back(label + " (line " + std::to_string(row + 1) + ") has more fields than the header; " +
                                   "the extra ones are not read.");
        std::vector<std::string> choices;
        for (int column : choiceColumns) choices.push_back(column >= 0 ? TrimText(cell(column)) : "");
        if (columns[Choices] >= 0 && choiceColumns.empty()) choices = JoinedChoices(cell(columns[Choices]));
        while (!choices.empty() && choices.back().empty()) choices.pop_back();
        const std::string key = TrimText(cell(columns[Correct] >= 0 ? columns[Correct] : columns[Answer]));
        const std::string answer = TrimText(cell(columns[Answer] >= 0 ? columns[Answer] : columns[Correct]));
        const std::string typeText = TrimText(cell(columns[Type]));
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
                lowerType.find("multiple_answer") != std::string::npos) {
                result.LeaveOut(lowerType, label);
                continue;
            }
            if (lowerType == "short answer" || lowerType == "short_answer" || lowerType == "shortanswer")
                type = "numerical";
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
        if (type == "multiple_choice") {
            q.kind = ImportedQuestion::Choice;
            q.choices = std::move(choices);
            q.correct = ChoiceFromAnswer(key, q.choices, 1);
            q.answerGiven = key;
        } else if (type == "true_false") {
            q.kind = ImportedQuestion::TrueFalse;
            if (!SheetTruth(key, q.truth)) {
                q.truth = true;
                result.notes.push_back(label + ": the answer \"" + key + "\" is neither true nor false; set to True.");
            }
        } else if (type == "numerical") {
            q.kind = ImportedQuestion::Answer;
            q.answer = answer;
        } else {
            result.LeaveOut(type, label);
            continue;
        }
        result.Add(std::move(q));
    }
    if (!choiceColumns.empty()) used += ", choices from " + std::to_string(choiceColumns.size()) + " columns";
    if (columns[Choices] >= 0 && choiceColumns.empty())
        used += ", choices from \"" + header[columns[Choices]] + "\" (split at ';')";
    if (columns[Correct] >= 0) used += ", the key from \"" + header[columns[Correct]] + "\"";
    if (columns[Answer] >= 0) used += std::string(", ") + (columns[Correct] >= 0 ? "numeric answers" : "the answer") +
                                      " from \"" + header[columns[Answer]] + "\"";
    if (columns[Type] < 0) used += "; no type column, so the types are guessed and listed for fixing";
    if (!extra.empty()) {
        used += "; kept as item keys:";
        for (size_t i = 0; i < extra.size(); ++i) used += std::string(i ? ", \"" : " \"") + extra[i].second + "\"";
    }
    if (!guessed.empty()) used += "; taken by content: " + guessed;
    result.notes.insert(result.notes.begin(), used + ".");
    return true;
}
