#pragma once
// Learning-outcome coverage: how many items assess each outcome code, of which types,
// in which categories; the items without one; and, against a list of expected codes,
// what is not assessed and what is not on the list.
#include <array>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "model/JsonModel.h"
#include "ui/ModalUi.h"

enum class OutcomeLevel { MLO, CLO, PLO };
constexpr size_t kOutcomeLevels = 3;
const char* OutcomeLevelName(OutcomeLevel level);
// "MLO", "clo", ... (any letter case); false for anything else.
bool ParseOutcomeLevel(const std::string& text, OutcomeLevel& level);

// The four canonical types, in the report's column order.
constexpr size_t kCoverageTypes = 4;
extern const char* const kCoverageTypeKeys[kCoverageTypes]; // "multiple_choice", ...
extern const char* const kCoverageTypeLabels[kCoverageTypes]; // "Multiple choice", ...

struct OutcomeRow {
    std::string code; // trimmed, as stored; "" for the items with a blank outcome
    size_t items = 0;
    std::array<size_t, kCoverageTypes> perType{}; // items of a type none of the four count only in `items`
    std::set<std::string> categories; // trimmed; blank categories are left out
    std::vector<std::string> ids; // kept for the blank row only
    std::vector<std::string> nearIdentical; // the other codes of its near-identical group
    // With an expected list that names codes of this level: whether it is on it. A code on
    // the list with no items has a row of its own with `items` 0.
    bool judged = false;
    bool expected = false;
};

struct LevelCoverage {
    OutcomeLevel level = OutcomeLevel::MLO;
    std::vector<OutcomeRow> rows; // codes in byte order, the blank row (if any) last
    // Codes that differ only in letter case, spaces, '-' and '_': each group in byte order.
    std::vector<std::vector<std::string>> nearIdentical;
    bool judged = false; // the expected list names codes of this level
    std::vector<std::string> notAssessed; // expected codes without items
    std::vector<std::string> unexpected; // codes with items that the list lacks
    size_t blankItems() const { return !rows.empty() && rows.back().code.empty() ? rows.back().items : 0; }
};

struct CoverageReport {
    std::vector<std::string> sources; // file names, or a description of the scope
    size_t items = 0;
    bool expectedList = false; // counted against an expected list
    std::vector<LevelCoverage> levels; // in level order, only the levels asked for
};

// The codes an expected-outcomes file names, per level.
struct ExpectedOutcomes {
    std::array<std::set<std::string>, kOutcomeLevels> codes;
};
// Reads a text or CSV list: one code per line, or `LEVEL,CODE`; a code without a level
// belongs to `defaultLevel`. Blank lines, a `level,code` header line and `#` comment lines
// are skipped; fields may be double-quoted. False with a message naming the line when a
// line has more fields or a level that is none of MLO, CLO, PLO.
bool ParseExpectedOutcomes(const std::string& text, OutcomeLevel defaultLevel, ExpectedOutcomes& out,
                           std::string& error);

// Counts the items (object elements; anything else is skipped) at the given levels.
// `idPrefix` goes before each listed ID (a file name when several banks are reported).
class CoverageCounter {
public:
    explicit CoverageCounter(const std::vector<OutcomeLevel>& levels);
    void Add(const json& item, const std::string& idPrefix = std::string());
    // The items of a testbank document (`items` array); anything else adds nothing.
    void AddDocument(const json& document, const std::string& idPrefix = std::string(),
                     const std::set<std::string>* onlyIds = nullptr);
    CoverageReport Finish(const ExpectedOutcomes* expected = nullptr);

private:
    std::vector<OutcomeLevel> levels_;
    std::vector<std::map<std::string, OutcomeRow>> tallies_;
    size_t items_ = 0;
};

// The comparison form behind "near-identical": ASCII letters lower-cased, spaces, '-' and
// '_' dropped.
std::string NearIdenticalKey(const std::string& code);

// The report as a terminal table (UTF-8, LF).
std::string RenderCoverageText(const CoverageReport& report);
// One row per (level, code): `level,code,items,multiple_choice,true_false,numerical,algorithmic`
// and, when `withExpected`, `expected` (yes/no; empty for a level the list does not name).
std::string RenderCoverageCsv(const CoverageReport& report, bool withExpected);
// A standalone HTML page: tables, one inline SVG chart per level, print styles.
std::string RenderCoverageHtml(const CoverageReport& report);
// The chart of one level as an SVG element (items per code, stacked by type).
std::string RenderCoverageSvg(const LevelCoverage& level);

// What the "Coverage Report" window shows and saves.

// The report of the open document at every level: all items, or only those whose IDs are
// in `selection`. `path` names the bank ("" for a new one).
CoverageReport DocumentCoverage(const json& document, const std::u16string& path,
                                const std::set<std::string>* selection);
// The list's columns: code, items, the four types, categories, near-identical codes.
constexpr int kCoverageColumns = 8;
// The text of one cell of a row in the list.
std::string CoverageCell(const OutcomeRow& row, int column);
// The rows' order when sorted by a column (numbers as numbers; ties by code).
std::vector<size_t> SortedRowOrder(const LevelCoverage& level, int column, bool ascending);
// "9 items, 7 codes, 2 with a blank MLO".
std::u16string CoverageSummaryText(const CoverageReport& report, const LevelCoverage& level);
// Save Report: the save dialog offers HTML and CSV; the file written, the user told. True
// when a file was written.
bool SaveCoverageReportWith(ModalUi& ui, void* owner, const CoverageReport& report);
