#include "util/XmlText.h"

#include "util/StringUtil.h"

namespace {

bool XmlForbids(char32_t cp)
{
    return (cp < 0x20 && cp != 0x09 && cp != 0x0A && cp != 0x0D) || cp == 0xFFFE || cp == 0xFFFF;
}

} // namespace

std::string XmlAllowedText(std::string_view text, size_t& dropped)
{
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        // Runs of printable ASCII are the common case: copied in one step.
        size_t j = i;
        while (j < text.size() && static_cast<unsigned char>(text[j]) >= 0x20 &&
               static_cast<unsigned char>(text[j]) < 0x80)
            ++j;
        out.append(text, i, j - i);
        i = j;
        if (i >= text.size()) break;
        char32_t cp = 0;
        size_t next = i;
        if (!DecodeUtf8(text, i, cp, next)) out += "\xEF\xBF\xBD";
        else if (XmlForbids(cp)) ++dropped;
        else out.append(text, i, next - i);
        i = next;
    }
    return out;
}

void AppendEscaped(std::string& out, std::string_view text, Markup as)
{
    const bool xml = as == Markup::Xml;
    const char* lineBreak = as == Markup::Html ? "<br>" : as == Markup::Xhtml ? "<br/>" : "\n";
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const char* entity = nullptr;
        switch (c) {
        case '&': entity = "&amp;"; break;
        case '<': entity = "&lt;"; break;
        case '>': entity = "&gt;"; break;
        case '"': entity = "&quot;"; break;
        // &apos; is XML, not HTML 4: the numeric reference is read by both.
        case '\'': entity = xml ? "&apos;" : "&#39;"; break;
        case '\t': entity = xml ? "&#9;" : nullptr; break;
        case '\n': entity = xml ? "&#10;" : lineBreak; break;
        case '\r':
            if (xml) entity = "&#13;";
            else entity = i + 1 < text.size() && text[i + 1] == '\n' ? "" : lineBreak; // the LF breaks the line
            break;
        default:
            if (as == Markup::HtmlPre && (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)) entity = "";
        }
        if (!entity) continue;
        out.append(text, start, i - start);
        out += entity;
        start = i + 1;
    }
    out.append(text, start, text.size() - start);
}

std::string EscapedText(std::string_view text, Markup as)
{
    std::string out;
    AppendEscaped(out, text, as);
    return out;
}

void AppendCdata(std::string& out, std::string_view text)
{
    out += "<![CDATA[";
    size_t start = 0;
    for (size_t at = text.find("]]>"); at != std::string_view::npos; at = text.find("]]>", at + 1)) {
        out.append(text, start, at + 2 - start);
        out += "]]><![CDATA[";
        start = at + 2;
    }
    out.append(text, start, text.size() - start);
    out += "]]>";
}

std::string XmlNameFrom(std::string_view id, size_t maxLength)
{
    std::string name;
    const bool startsOk = !id.empty() && ((id[0] >= 'A' && id[0] <= 'Z') || (id[0] >= 'a' && id[0] <= 'z') || id[0] == '_');
    if (!startsOk) name = "item_";
    for (char c : id) {
        if (name.size() >= maxLength) break;
        const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
                        c == '-' || c == '_';
        name += ok ? c : '_';
    }
    return name;
}
