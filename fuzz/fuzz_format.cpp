// The formatted view on arbitrary raw text (what the raw view may hold after typing),
// checked against the plain rendering: parse the whole text, then render items.
#include "FuzzCommon.h"
#include "ui/ViewText.h"

namespace {
std::u16string ReferenceListing(const std::u16string& raw)
{
    std::string out;
    const std::string utf8 = w2s(raw);
    json doc;
    try {
        doc = ParseJsonText(utf8);
    } catch (const std::exception& e) {
        return u"JSON parse error: " + DescribeJsonError(e, utf8) + u"\r\n";
    }
    try {
        if (!doc.is_object() || !doc.contains("items") || !doc["items"].is_array())
            return u"Invalid testbank JSON: missing \"items\" array.\r\n";
        out = FormatNotesBlock(g_validationWarnings);
        for (const json& item : doc["items"]) AppendItemListing(out, item);
    } catch (const std::exception& e) {
        out += std::string("JSON parse error: ") + e.what() + "\r\n";
    }
    return s2w(out);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    g_validationWarnings.assign(size % 40, u"note");
    const std::u16string raw = FuzzText(data, size);
    if (FormatTestbankJson(raw) != ReferenceListing(raw)) __builtin_trap();
    // A loaded document's listing is the listing of its dump, rendered without a parse.
    json doc;
    if (FuzzLoad(raw, doc, nullptr) &&
        FormatDocumentListing(doc, g_validationWarnings) !=
            FormatTestbankListing(w2s(DumpJsonForRawView(doc)), g_validationWarnings))
        __builtin_trap();
    // The view's display breaks: no longer line shown, and taken out, the text is whole
    // (soft breaks only; a CR LF break text is kept apart from typed ones by its CR).
    const size_t limit = 1 + size % 50;
    const std::u16string shown = BreakLongLines(NormalizeNewlinesToCRLF(raw), limit, kSoftBreak);
    if (LongestLineLength(shown) > limit || RemoveSoftBreaks(shown) != NormalizeNewlinesToCRLF(raw)) __builtin_trap();
    return 0;
}
