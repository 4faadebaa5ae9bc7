// The coverage report: a fuzzed expected-outcomes list and a fuzzed bank, counted and
// rendered in every format.
#include "FuzzCommon.h"
#include "report/Coverage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    // The expected list is the whole input, and again the text before a NUL, if any.
    ExpectedOutcomes expected;
    std::string error;
    const bool listed = ParseExpectedOutcomes(bytes.substr(0, bytes.find('\0')), OutcomeLevel::MLO, expected, error);
    if (!listed && error.empty()) __builtin_trap();
    ExpectedOutcomes whole;
    ParseExpectedOutcomes(bytes, OutcomeLevel::PLO, whole, error);

    json document;
    if (!FuzzLoad(FuzzText(data, size), document, nullptr)) document = json::object();
    CoverageCounter counter({OutcomeLevel::MLO, OutcomeLevel::CLO, OutcomeLevel::PLO});
    counter.AddDocument(document, "f: ");
    // Items added as they are, without the loader's repairs.
    try {
        const json raw = ParseJsonText(bytes);
        if (raw.is_array())
            for (const json& item : raw) counter.Add(item);
        else if (raw.is_object())
            counter.Add(raw);
    } catch (const std::exception&) {
    }
    const CoverageReport report = counter.Finish(listed ? &expected : nullptr);
    for (const LevelCoverage& level : report.levels) {
        size_t items = 0;
        for (const OutcomeRow& row : level.rows) items += row.items;
        if (items != report.items) __builtin_trap(); // every item counted once per level
        for (int column = 0; column < kCoverageColumns; ++column) SortedRowOrder(level, column, column % 2 == 0);
    }
    RenderCoverageText(report);
    RenderCoverageCsv(report, listed);
    const std::string html = RenderCoverageHtml(report);
    if (html.find("<script") != std::string::npos) __builtin_trap(); // bank text never becomes markup
    return 0;
}
