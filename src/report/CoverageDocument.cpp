// The coverage of the open document, as the report window shows and saves it.
#include <algorithm>

#include "report/Coverage.h"
#include "util/FileUtil.h"
#include "util/StringUtil.h"

namespace {

std::u16string FileName(const std::u16string& path)
{
    const size_t slash = path.find_last_of(u"/\\");
    return slash == std::u16string::npos ? path : path.substr(slash + 1);
}

bool EndsWith(const std::u16string& text, const std::u16string& tail)
{
    return text.size() > tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

} // namespace

CoverageReport DocumentCoverage(const json& document, const std::u16string& path,
                                const std::set<std::string>* selection)
{
    CoverageCounter counter({OutcomeLevel::MLO, OutcomeLevel::CLO, OutcomeLevel::PLO});
    counter.AddDocument(document, std::string(), selection);
    CoverageReport report = counter.Finish();
    report.sources.push_back(path.empty() ? std::string("New testbank") : w2s(FileName(path)));
    if (selection) report.sources.back() += " (exam selection)";
    return report;
}

std::string CoverageCell(const OutcomeRow& row, int column)
{
    if (column == 0) return row.code.empty() ? "(blank)" : row.code;
    if (column == 1) return std::to_string(row.items);
    if (column >= 2 && column < 2 + static_cast<int>(kCoverageTypes)) return std::to_string(row.perType[column - 2]);
    std::string out;
    if (column == 6) {
        for (const std::string& category : row.categories) out += (out.empty() ? "" : "; ") + category;
    } else if (column == 7) {
        for (const std::string& code : row.nearIdentical) out += (out.empty() ? "" : ", ") + code;
    }
    return out;
}

std::vector<size_t> SortedRowOrder(const LevelCoverage& level, int column, bool ascending)
{
    std::vector<size_t> order(level.rows.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    auto number = [&](const OutcomeRow& row) -> size_t {
        return column == 1 ? row.items : row.perType[static_cast<size_t>(column - 2)];
    };
    const bool numeric = column >= 1 && column < 2 + static_cast<int>(kCoverageTypes);
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        const OutcomeRow& x = level.rows[ascending ? a : b];
        const OutcomeRow& y = level.rows[ascending ? b : a];
        if (numeric) {
            if (number(x) != number(y)) return number(x) < number(y);
        } else if (column != 0) {
            const std::string cx = CoverageCell(x, column), cy = CoverageCell(y, column);
            if (cx != cy) return cx < cy;
        }
        return x.code < y.code;
    });
    return order;
}

std::u16string CoverageSummaryText(const CoverageReport& report, const LevelCoverage& level)
{
    const size_t blank = level.blankItems();
    const size_t codes = level.rows.size() - (!level.rows.empty() && level.rows.back().code.empty());
    const std::u16string name = s2w(OutcomeLevelName(level.level));
    return DecimalW(report.items) + (report.items == 1 ? u" item, " : u" items, ") + DecimalW(codes) +
           (codes == 1 ? u" code, " : u" codes, ") + DecimalW(blank) + u" with a blank " + name;
}

bool SaveCoverageReportWith(ModalUi& ui, void* owner, const CoverageReport& report)
{
    const std::vector<FileType> types{{u"HTML page (*.html)", u"*.html", u"html"},
                                      {u"CSV table (*.csv)", u"*.csv", u"csv"}};
    size_t type = 0;
    std::u16string path = ui.AskSavePathOfType(owner, u"coverage.html", types, type, u"Save Coverage Report As");
    if (path.empty()) return false;
    const bool csv = type == 1;
    // The suggested name kept while only the type was changed.
    if (csv && EndsWith(path, u".html")) path.replace(path.size() - 4, 4, u"csv");
    const std::string bytes = csv ? RenderCoverageCsv(report, false) : RenderCoverageHtml(report);
    if (!WriteFileBytesSafely(path, bytes)) {
        ui.ShowMessage(owner, u"Failed to save file.", u"Error", MsgIcon::Error, MsgButtons::Ok);
        return false;
    }
    ui.ShowMessage(owner, u"Coverage report saved.\n\n" + path, u"Coverage Report", MsgIcon::Info, MsgButtons::Ok);
    return true;
}
