// The coverage report as text, CSV and an HTML page with SVG charts.
#include <algorithm>
#include <cstdio>

#include "report/Coverage.h"
#include "util/StringUtil.h"
#include "util/XmlText.h"

namespace {

void Pad(std::string& out, const std::string& text, size_t width, bool right)
{
    const size_t w = Utf8CharCount(text); // characters the terminal shows
    if (right) out.append(width > w ? width - w : 0, ' ');
    out += text;
    if (!right) out.append(width > w ? width - w : 0, ' ');
}

std::string Joined(const std::vector<std::string>& parts, const char* separator)
{
    std::string out;
    for (size_t i = 0; i < parts.size(); ++i) out += (i ? separator : "") + parts[i];
    return out;
}

std::string Joined(const std::set<std::string>& parts, const char* separator)
{
    return Joined(std::vector<std::string>(parts.begin(), parts.end()), separator);
}

const char* ExpectedText(const OutcomeRow& row) { return !row.judged ? "" : row.expected ? "yes" : "no"; }

std::string CodeLabel(const std::string& code) { return code.empty() ? "(blank)" : code; }

size_t ItemsOf(const LevelCoverage& level, const std::string& code)
{
    for (const OutcomeRow& row : level.rows)
        if (row.code == code) return row.items;
    return 0;
}

std::string NearIdenticalText(const LevelCoverage& level, const std::vector<std::string>& group)
{
    std::vector<std::string> parts;
    for (const std::string& code : group) parts.push_back("\"" + code + "\" (" + std::to_string(ItemsOf(level, code)) + ")");
    return Joined(parts, ", ");
}


// XML's escaping: the page holds SVG.
std::string Html(const std::string& text) { return EscapedText(text, Markup::Xml); }

std::string Count(size_t n, const char* noun) { return std::to_string(n) + " " + noun + (n == 1 ? "" : "s"); }

std::string NotJudgedText(const std::string& level)
{
    return "Not checked against the expected list: it names no " + level + " codes.";
}

const char* const kTypeColours[kCoverageTypes] = {"#4e79a7", "#f28e2b", "#59a14f", "#b07aa1"};
constexpr size_t kChartRows = 200; // a longer chart is unreadable; the table has every code

} // namespace

std::string RenderCoverageText(const CoverageReport& report)
{
    std::string out = "Coverage report: " + Joined(report.sources, ", ") + "\n" + Count(report.items, "item") + "\n";
    for (const LevelCoverage& level : report.levels) {
        const std::string name = OutcomeLevelName(level.level);
        const size_t codes = level.rows.size() - (!level.rows.empty() && level.rows.back().code.empty());
        out += "\n" + name + ": " + std::to_string(codes) + (codes == 1 ? " code, " : " codes, ") +
               Count(level.blankItems(), "item") + " with a blank " + name + "\n";
        std::vector<std::string> headers{"Code", "Items"};
        for (const char* label : kCoverageTypeLabels) headers.push_back(label);
        if (level.judged) headers.push_back("Expected");
        headers.push_back("Categories");
        std::vector<std::vector<std::string>> cells;
        for (const OutcomeRow& row : level.rows) {
            std::vector<std::string> line{CodeLabel(row.code), std::to_string(row.items)};
            for (size_t count : row.perType) line.push_back(std::to_string(count));
            if (level.judged) line.push_back(row.code.empty() ? "" : ExpectedText(row));
            line.push_back(Joined(row.categories, "; "));
            cells.push_back(std::move(line));
        }
        std::vector<size_t> widths(headers.size());
        for (size_t c = 0; c < headers.size(); ++c) {
            widths[c] = Utf8CharCount(headers[c]);
            for (const auto& line : cells) widths[c] = std::max(widths[c], Utf8CharCount(line[c]));
        }
        const size_t last = headers.size() - 1;
        auto emit = [&](const std::vector<std::string>& line) {
            std::string text;
            for (size_t c = 0; c < line.size(); ++c) {
                if (c) text += "  ";
                const bool number = c >= 1 && c < 2 + kCoverageTypes;
                Pad(text, line[c], c == last ? 0 : widths[c], number);
            }
            while (!text.empty() && text.back() == ' ') text.pop_back();
            out += text + "\n";
        };
        emit(headers);
        for (const auto& line : cells) emit(line);
        if (level.blankItems())
            out += "Items with a blank " + name + ": " + Joined(level.rows.back().ids, ", ") + "\n";
        for (const auto& group : level.nearIdentical) out += "Near-identical codes: " + NearIdenticalText(level, group) + "\n";
        if (level.judged) {
            out += "Not assessed: " + (level.notAssessed.empty() ? std::string("none") : Joined(level.notAssessed, ", ")) + "\n";
            out += "Not on the list: " + (level.unexpected.empty() ? std::string("none") : Joined(level.unexpected, ", ")) + "\n";
        } else if (report.expectedList) {
            out += NotJudgedText(name) + "\n";
        }
    }
    return out;
}

std::string RenderCoverageCsv(const CoverageReport& report, bool withExpected)
{
    std::string out = "level,code,items";
    for (const char* key : kCoverageTypeKeys) out += std::string(",") + key;
    out += withExpected ? ",expected\n" : "\n";
    for (const LevelCoverage& level : report.levels) {
        for (const OutcomeRow& row : level.rows) {
            out += std::string(OutcomeLevelName(level.level)) + "," + CsvField(row.code) + "," + std::to_string(row.items);
            for (size_t count : row.perType) out += "," + std::to_string(count);
            if (withExpected) out += std::string(",") + (row.judged ? (row.expected ? "yes" : "no") : "");
            out += "\n";
        }
    }
    return out;
}

std::string RenderCoverageSvg(const LevelCoverage& level)
{
    const size_t shown = std::min(level.rows.size(), kChartRows);
    size_t most = 1;
    for (size_t r = 0; r < shown; ++r) most = std::max(most, level.rows[r].items);
    // Room for the longest label kept (26 characters) at the page's font.
    const int labelWidth = 250, barWidth = 470, rowHeight = 20, top = 30;
    const int height = top + static_cast<int>(shown) * rowHeight + 10;
    char buffer[256];
    std::string out;
    std::snprintf(buffer, sizeof buffer,
                  "<svg xmlns=\"http://www.w3.org/2000/svg\" class=\"chart\" width=\"800\" height=\"%d\" "
                  "viewBox=\"0 0 800 %d\" role=\"img\">",
                  height, height);
    out += buffer;
    out += "<title>" + Html(std::string("Items per ") + OutcomeLevelName(level.level) + ", by type") + "</title>";
    int x = labelWidth;
    for (size_t t = 0; t < kCoverageTypes; ++t) { // the legend
        std::snprintf(buffer, sizeof buffer,
                      "<rect x=\"%d\" y=\"6\" width=\"12\" height=\"12\" fill=\"%s\"/><text x=\"%d\" y=\"16\">%s</text>",
                      x, kTypeColours[t], x + 16, kCoverageTypeLabels[t]);
        out += buffer;
        x += 120;
    }
    for (size_t r = 0; r < shown; ++r) {
        const OutcomeRow& row = level.rows[r];
        const int y = top + static_cast<int>(r) * rowHeight;
        std::string label = CodeLabel(row.code);
        if (Utf8CharCount(label) > 26) label = FirstUtf8Chars(label, 25) + "\xE2\x80\xA6";
        std::snprintf(buffer, sizeof buffer, "<text x=\"%d\" y=\"%d\" text-anchor=\"end\">", labelWidth - 6, y + 14);
        out += buffer + Html(label) + "</text>";
        double left = labelWidth;
        for (size_t t = 0; t < kCoverageTypes; ++t) {
            if (!row.perType[t]) continue;
            const double w = static_cast<double>(row.perType[t]) * barWidth / static_cast<double>(most);
            std::snprintf(buffer, sizeof buffer,
                          "<rect x=\"%.1f\" y=\"%d\" width=\"%.1f\" height=\"%d\" fill=\"%s\"><title>", left, y + 3, w,
                          rowHeight - 6, kTypeColours[t]);
            out += buffer + Html(CodeLabel(row.code)) + ": " + std::to_string(row.perType[t]) + " " +
                   kCoverageTypeLabels[t] + "</title></rect>";
            left += w;
        }
        std::snprintf(buffer, sizeof buffer, "<text x=\"%.1f\" y=\"%d\">%zu</text>",
                      labelWidth + static_cast<double>(row.items) * barWidth / static_cast<double>(most) + 4, y + 14,
                      row.items);
        out += buffer;
    }
    out += "</svg>";
    if (shown < level.rows.size())
        out += "<p class=\"note\">The chart shows the first " + std::to_string(shown) + " of " +
               std::to_string(level.rows.size()) + " rows; the table has all of them.</p>";
    return out;
}

std::string RenderCoverageHtml(const CoverageReport& report)
{
    std::string out =
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>Coverage report</title>\n"
        "<style>\n"
        "body{font-family:\"DejaVu Sans\",Arial,sans-serif;font-size:14px;color:#222;margin:24px}\n"
        "h1{font-size:22px}h2{font-size:18px;margin-top:28px;border-bottom:1px solid #999}\n"
        "table{border-collapse:collapse;margin:8px 0 12px}\n"
        "th,td{border:1px solid #aaa;padding:3px 8px;text-align:left;vertical-align:top}\n"
        "th{background:#eee}td.n{text-align:right}td.code{white-space:pre}\n"
        "tr.blank td{font-style:italic;background:#f6f6f6}tr.near td.code{background:#fff1c2}\n"
        "tr.unexpected td.code{color:#a00}tr.missing td{color:#a00}\n"
        "svg.chart{display:block;margin:8px 0}svg.chart text{font-size:12px;font-family:inherit}\n"
        ".note{color:#555}\n"
        "@media print{body{margin:0;font-size:11px}h2{break-after:avoid}svg.chart,table{break-inside:avoid}"
        "th{background:none}}\n"
        "</style>\n</head>\n<body>\n<h1>Coverage report</h1>\n";
    out += "<p>" + Html(Joined(report.sources, ", ")) + ": " + Count(report.items, "item") + ".</p>\n";
    for (const LevelCoverage& level : report.levels) {
        const std::string name = OutcomeLevelName(level.level);
        std::set<std::string> near;
        for (const auto& group : level.nearIdentical) near.insert(group.begin(), group.end());
        out += "<section>\n<h2>" + name + "</h2>\n<table>\n<thead><tr><th>Code</th><th>Items</th>";
        for (const char* label : kCoverageTypeLabels) out += std::string("<th>") + label + "</th>";
        if (level.judged) out += "<th>Expected</th>";
        out += "<th>Categories</th></tr></thead>\n<tbody>\n";
        for (const OutcomeRow& row : level.rows) {
            std::string cls = row.code.empty() ? "blank" : near.count(row.code) ? "near" : "";
            if (row.judged && !row.code.empty() && !row.expected) cls += cls.empty() ? "unexpected" : " unexpected";
            if (!row.code.empty() && row.items == 0) cls = "missing";
            out += cls.empty() ? "<tr>" : "<tr class=\"" + cls + "\">";
            out += "<td class=\"code\">" + Html(CodeLabel(row.code)) + "</td><td class=\"n\">" +
                   std::to_string(row.items) + "</td>";
            for (size_t count : row.perType) out += "<td class=\"n\">" + std::to_string(count) + "</td>";
            if (level.judged) out += std::string("<td>") + (row.code.empty() ? "" : ExpectedText(row)) + "</td>";
            out += "<td>" + Html(Joined(row.categories, "; ")) + "</td></tr>\n";
        }
        out += "</tbody>\n</table>\n";
        if (level.blankItems())
            out += "<p>Items with a blank " + name + ": " + Html(Joined(level.rows.back().ids, ", ")) + "</p>\n";
        for (const auto& group : level.nearIdentical)
            out += "<p>Near-identical codes: " + Html(NearIdenticalText(level, group)) + "</p>\n";
        if (level.judged) {
            out += "<p>Not assessed: " +
                   Html(level.notAssessed.empty() ? std::string("none") : Joined(level.notAssessed, ", ")) + "</p>\n";
            out += "<p>Not on the list: " +
                   Html(level.unexpected.empty() ? std::string("none") : Joined(level.unexpected, ", ")) + "</p>\n";
        } else if (report.expectedList) {
            out += "<p>" + NotJudgedText(name) + "</p>\n";
        }
        out += RenderCoverageSvg(level) + "\n</section>\n";
    }
    out += "</body>\n</html>\n";
    return out;
}
