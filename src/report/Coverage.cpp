#include "report/Coverage.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>

namespace {

const char* const kLevelNames[kOutcomeLevels] = {"MLO", "CLO", "PLO"};

bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

std::string Trim(std::string_view text)
{
    size_t a = 0, b = text.size();
    while (a < b && IsSpace(text[a])) ++a;
    while (b > a && IsSpace(text[b - 1])) --b;
    return std::string(text.substr(a, b - a));
}

const std::string& EmptyString()
{
    static const std::string empty;
    return empty;
}

// A string member of an object, or "" (absent, another kind, or no object at all).
const std::string& StringMember(const json& object, const char* key)
{
    if (!object.is_object()) return EmptyString();
    auto it = object.find(key);
    return it != object.end() && it->is_string() ? it->get_ref<const std::string&>() : EmptyString();
}

// The column of a stored type: the canonical strings directly, other spellings through
// the loader's recogniser; -1 for none of the four.
int TypeColumn(const std::string& stored)
{
    for (size_t t = 0; t < kCoverageTypes; ++t)
        if (stored == kCoverageTypeKeys[t]) return static_cast<int>(t);
    const std::string canonical = NormalizeTypeString(stored);
    for (size_t t = 0; t < kCoverageTypes; ++t)
        if (canonical == kCoverageTypeKeys[t]) return static_cast<int>(t);
    return -1;
}

// Splits one CSV line into fields; a field may be double-quoted ("" inside is a quote).
std::vector<std::string> CsvFields(std::string_view line)
{
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                fields.back() += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                fields.back() += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    for (std::string& f : fields) f = Trim(f);
    return fields;
}

} // namespace

const char* const kCoverageTypeKeys[kCoverageTypes] = {"multiple_choice", "true_false", "numerical", "algorithmic"};
const char* const kCoverageTypeLabels[kCoverageTypes] = {"Multiple choice", "True/false", "Numerical", "Algorithmic"};

const char* OutcomeLevelName(OutcomeLevel level) { return kLevelNames[static_cast<size_t>(level)]; }

bool ParseOutcomeLevel(const std::string& text, OutcomeLevel& level)
{
    const std::string lower = ToLowerAscii(text);
    for (size_t k = 0; k < kOutcomeLevels; ++k) {
        if (lower == ToLowerAscii(kLevelNames[k])) {
            level = static_cast<OutcomeLevel>(k);
            return true;
        }
    }
    return false;
}

std::string NearIdenticalKey(const std::string& code)
{
    std::string key;
    key.reserve(code.size());
    for (char c : code) {
        if (c == ' ' || c == '-' || c == '_') continue;
        key += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return key;
}

bool ParseExpectedOutcomes(const std::string& text, OutcomeLevel defaultLevel, ExpectedOutcomes& out,
                           std::string& error)
{
    std::string_view rest(text);
    if (rest.substr(0, 3) == "\xEF\xBB\xBF") rest.remove_prefix(3);
    size_t lineNumber = 0;
    while (!rest.empty()) {
        const size_t end = rest.find_first_of("\r\n");
        std::string_view line = rest.substr(0, end);
        if (end == std::string_view::npos) {
            rest = {};
        } else {
            rest.remove_prefix(end + (rest[end] == '\r' && end + 1 < rest.size() && rest[end + 1] == '\n' ? 2 : 1));
        }
        ++lineNumber;
        const std::string trimmed = Trim(line);
        if (trimmed.empty() || trimmed[0] == '#') continue;
        std::vector<std::string> fields = CsvFields(trimmed);
        while (fields.size() > 1 && fields.back().empty()) fields.pop_back(); // a spreadsheet's trailing commas
        OutcomeLevel level = defaultLevel;
        std::string code;
        if (fields.size() == 1) {
            code = fields[0];
        } else if (fields.size() == 2) {
            if (ToLowerAscii(fields[0]) == "level" && ToLowerAscii(fields[1]) == "code") continue;
            if (!ParseOutcomeLevel(fields[0], level)) {
                error = "Line " + std::to_string(lineNumber) + ": \"" + fields[0] +
                        "\" is not an outcome level (MLO, CLO or PLO).";
                return false;
            }
            code = fields[1];
        } else {
            error = "Line " + std::to_string(lineNumber) + ": expected CODE or LEVEL,CODE.";
            return false;
        }
        if (code.empty()) continue;
        out.codes[static_cast<size_t>(level)].insert(code);
    }
    return true;
}

CoverageCounter::CoverageCounter(const std::vector<OutcomeLevel>& levels) : levels_(levels), tallies_(levels.size())
{
}

void CoverageCounter::Add(const json& item, const std::string& idPrefix)
{
    if (!item.is_object()) return;
    ++items_;
    const int type = TypeColumn(StringMember(item, "type"));
    const std::string category = Trim(StringMember(item, "category"));
    auto objectives = item.find("objectives");
    const json& outcomes = objectives != item.end() ? *objectives : item;
    for (size_t l = 0; l < levels_.size(); ++l) {
        const std::string code =
            objectives != item.end() ? Trim(StringMember(outcomes, OutcomeLevelName(levels_[l]))) : std::string();
        auto [it, inserted] = tallies_[l].try_emplace(code);
        OutcomeRow& row = it->second;
        if (inserted) row.code = code;
        ++row.items;
        if (type >= 0) ++row.perType[static_cast<size_t>(type)];
        if (!category.empty()) row.categories.insert(category);
        if (code.empty()) row.ids.push_back(idPrefix + ItemIdText(item));
    }
}

void CoverageCounter::AddDocument(const json& document, const std::string& idPrefix, const std::set<std::string>* onlyIds)
{
    if (!document.is_object()) return;
    auto items = document.find("items");
    if (items == document.end() || !items->is_array()) return;
    for (const json& item : *items) {
        if (onlyIds && !onlyIds->count(StringMember(item, "id"))) continue;
        Add(item, idPrefix);
    }
}

CoverageReport CoverageCounter::Finish(const ExpectedOutcomes* expected)
{
    CoverageReport report;
    report.items = items_;
    report.expectedList = expected != nullptr;
    for (size_t l = 0; l < levels_.size(); ++l) {
        LevelCoverage level;
        level.level = levels_[l];
        std::map<std::string, OutcomeRow>& tally = tallies_[l];
        const std::set<std::string>* listed = expected ? &expected->codes[static_cast<size_t>(levels_[l])] : nullptr;
        level.judged = listed && !listed->empty();
        if (level.judged) {
            for (const std::string& code : *listed) {
                auto [it, inserted] = tally.try_emplace(code);
                if (inserted) {
                    it->second.code = code;
                    level.notAssessed.push_back(code);
                }
            }
        }
        // Codes that look alike, grouped by their comparison form.
        std::unordered_map<std::string, std::vector<std::string>> groups;
        std::vector<std::string> groupOrder;
        OutcomeRow blank;
        bool hasBlank = false;
        for (auto& [code, row] : tally) {
            if (code.empty()) {
                blank = std::move(row);
                hasBlank = true;
                continue;
            }
            if (level.judged) {
                row.judged = true;
                row.expected = listed->count(code) > 0;
                if (!row.expected) level.unexpected.push_back(code);
            }
            auto& group = groups[NearIdenticalKey(code)];
            if (group.empty()) groupOrder.push_back(NearIdenticalKey(code));
            group.push_back(code);
            row.ids.clear();
            level.rows.push_back(std::move(row));
        }
        for (const std::string& key : groupOrder)
            if (groups[key].size() > 1) level.nearIdentical.push_back(groups[key]);
        for (OutcomeRow& row : level.rows) {
            const std::vector<std::string>& group = groups[NearIdenticalKey(row.code)];
            if (group.size() < 2) continue;
            for (const std::string& code : group)
                if (code != row.code) row.nearIdentical.push_back(code);
        }
        if (hasBlank) {
            blank.judged = level.judged;
            level.rows.push_back(std::move(blank));
        }
        report.levels.push_back(std::move(level));
    }
    tallies_.assign(levels_.size(), {});
    items_ = 0;
    return report;
}
