#include "formats/ImportFormats.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <map>

#include "model/JsonModel.h"
#include "util/StringUtil.h"
#include "util/XmlReader.h"
#include "util/XmlText.h"

namespace {

// Where `needle` (lower case) first comes in `text`, letter case aside, without copying the
// rest of a long text at each tag.
size_t FindNoCase(std::string_view text, std::string_view needle)
{
    for (size_t at = text.find('<'); at != std::string_view::npos; at = text.find('<', at + 1)) {
        if (text.size() - at < needle.size()) break;
        size_t k = 0;
        while (k < needle.size() && std::tolower(static_cast<unsigned char>(text[at + k])) == needle[k]) ++k;
        if (k == needle.size()) return at;
    }
    return std::string::npos;
}

bool StartsWithTag(std::string_view html, size_t at, std::string_view name)
{
    if (at + 1 + name.size() > html.size() || html[at] != '<') return false;
    for (size_t i = 0; i < name.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(html[at + 1 + i])) != name[i]) return false;
    const size_t after = at + 1 + name.size();
    return after == html.size() || html[after] == '>' || html[after] == '/' || std::isspace(static_cast<unsigned char>(html[after]));
}

// The value of `name="..."` inside one tag.
std::string Attribute(std::string_view tag, std::string_view name)
{
    const std::string lower = ToLowerAscii(std::string(tag));
    for (size_t at = lower.find(name); at != std::string::npos; at = lower.find(name, at + 1)) {
        if (at == 0 || !std::isspace(static_cast<unsigned char>(lower[at - 1]))) continue;
        size_t i = at + name.size();
        while (i < tag.size() && tag[i] == ' ') ++i;
        if (i >= tag.size() || tag[i] != '=') continue;
        ++i;
        while (i < tag.size() && tag[i] == ' ') ++i;
        if (i >= tag.size()) break;
        const char quote = tag[i];
        if (quote == '"' || quote == '\'') {
            const size_t end = tag.find(quote, i + 1);
            return std::string(tag.substr(i + 1, end == std::string_view::npos ? std::string_view::npos : end - i - 1));
        }
        size_t end = i;
        while (end < tag.size() && !std::isspace(static_cast<unsigned char>(tag[end])) && tag[end] != '>') ++end;
        return std::string(tag.substr(i, end - i));
    }
    return "";
}

// "@@PLUGINFILE@@/a%20b.png?x=1" -> "a b.png".
std::string FileName(std::string src)
{
    const size_t query = src.find_first_of("?#");
    if (query != std::string::npos) src.erase(query);
    const size_t slash = src.find_last_of("/\\");
    if (slash != std::string::npos) src.erase(0, slash + 1);
    std::string out;
    for (size_t i = 0; i < src.size(); ++i) {
        if (src[i] == '%' && i + 2 < src.size() && std::isxdigit(static_cast<unsigned char>(src[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(src[i + 2]))) {
            out += static_cast<char>(std::stoi(src.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += src[i];
        }
    }
    if (out.compare(0, 5, "data:") == 0 || out.empty()) return "embedded";
    return out;
}

std::string Escaped(const std::string& text) { return EscapedText(text, Markup::Xml); }

void Once(std::vector<std::string>& lost, const std::string& note)
{
    for (const std::string& n : lost)
        if (n == note) return;
    lost.push_back(note);
}

// Presentation MathML written out on one line: x^2, (a)/(b), sqrt(x), x_i.
std::string LinearMath(const XmlNode& node, int depth = 0)
{
    if (node.IsText()) return node.text;
    if (depth > 64 || node.name == "annotation" || node.name == "annotation-xml") return "";
    std::vector<std::string> parts;
    for (const XmlNode& child : node.children)
        if (!child.IsText() || !TrimText(child.text).empty()) parts.push_back(TrimText(LinearMath(child, depth + 1)));
    auto group = [](const std::string& t) {
        bool simple = !t.empty();
        for (char c : t) simple = simple && (std::isalnum(static_cast<unsigned char>(c)) || static_cast<unsigned char>(c) >= 0x80);
        return simple ? t : "(" + t + ")";
    };
    auto at = [&parts](size_t i) { return i < parts.size() ? parts[i] : std::string(); };
    if (node.name == "mfrac") return group(at(0)) + "/" + group(at(1));
    if (node.name == "msup") return at(0) + "^" + group(at(1));
    if (node.name == "msub") return at(0) + "_" + group(at(1));
    if (node.name == "msubsup") return at(0) + "_" + group(at(1)) + "^" + group(at(2));
    if (node.name == "mroot") return "root(" + at(1) + ")(" + at(0) + ")";
    std::string joined;
    for (const std::string& part : parts) joined += part;
    if (node.name == "msqrt") return "sqrt(" + joined + ")";
    return joined;
}

// A formula as text. Flat MathML (names, numbers and operators only: "f(x)") reads as it
// stands; anything with structure is marked as a formula, written as the TeX a formula
// editor keeps beside it (one kept as JSON, {"math": "..."}, unwrapped) or else on one line.
std::string MathText(const XmlNode& math, std::vector<std::string>& lost)
{
    std::string formula;
    std::vector<const XmlNode*> annotations, structure;
    math.FindAll("annotation", annotations);
    for (const XmlNode* a : annotations)
        if (formula.empty()) formula = TrimText(a->Text());
    const bool annotated = !formula.empty();
    if (annotated && formula[0] == '{') {
        try {
            const json wrapped = ParseJsonText(formula);
            if (wrapped.is_object() && wrapped.contains("math") && wrapped["math"].is_string())
                formula = wrapped["math"].get<std::string>();
        } catch (const std::exception&) {
        }
    }
    if (!annotated) formula = LinearMath(math);
    for (const char* name : {"mfrac", "msup", "msub", "msubsup", "msqrt", "mroot", "mover", "munder", "munderover", "mtable",
                             "mmultiscripts", "menclose"})
        math.FindAll(name, structure);
    std::string line;
    for (char c : formula) line += (c == '\n' || c == '\r' || c == '\t') ? ' ' : c;
    line = TrimText(line);
    if (structure.empty() && !annotated && !line.empty()) return line;
    const std::string placeholder = "[formula: " + line + "]";
    Once(lost, "a formula is shown as " + placeholder + ".");
    return placeholder;
}


} // namespace

std::string ImagePlaceholder(const std::string& src, std::vector<std::string>& lost)
{
    const std::string placeholder = "[image: " + FileName(src) + "]";
    Once(lost, "an image is shown as " + placeholder + ".");
    return placeholder;
}

bool IsImageField(const std::string& name)
{
    std::string key;
    for (char c : ToLowerAscii(name))
        if (c != '_' && c != ' ' && c != '-') key += c;
    return key == "image" || key == "img" || key == "picture" || key == "photo" || key == "imageurl" ||
           key == "imagefile" || key == "questionimage" || key == "imagelink";
}

std::string MarkupPlaceholders(std::string_view html, std::vector<std::string>& lost)
{
    std::string out;
    for (size_t i = 0; i < html.size();) {
        if (html[i] != '<') {
            out += html[i++];
            continue;
        }
        const size_t tagEnd = html.find('>', i);
        if (tagEnd == std::string_view::npos) {
            out += html.substr(i);
            break;
        }
        const std::string_view tag = html.substr(i, tagEnd - i + 1);
        if (StartsWithTag(html, i, "img")) {
            std::string name = FileName(Attribute(tag, "src"));
            const std::string placeholder = "[image: " + name + "]";
            out += Escaped(placeholder);
            Once(lost, "an image is shown as " + placeholder + ".");
            i = tagEnd + 1;
        } else if (StartsWithTag(html, i, "math") || StartsWithTag(html, i, "m:math")) {
            const bool prefixed = html[i + 1] == 'm' && html[i + 2] == ':';
            const std::string closeTag = prefixed ? "</m:math>" : "</math>";
            const size_t close = FindNoCase(html.substr(i), closeTag);
            const std::string_view inner =
                html.substr(tagEnd + 1, close == std::string::npos ? std::string_view::npos : i + close - tagEnd - 1);
            // Read as XML where it is (the HTML around it need not be); else its bare text.
            XmlNode math;
            std::string ignored;
            const size_t end = close == std::string::npos ? html.size() : i + close + closeTag.size();
            if (close != std::string::npos && ParseXml(html.substr(i, end - i), math, ignored)) {
                out += Escaped(MathText(math, lost));
            } else {
                const std::string placeholder = "[formula: " + TrimText(HtmlToPlainText(std::string(inner) + "<br>")) + "]";
                out += Escaped(placeholder);
                Once(lost, "a formula is shown as " + placeholder + ".");
            }
            i = close == std::string::npos ? html.size() : i + close + closeTag.size();
        } else if (StartsWithTag(html, i, "sup") || StartsWithTag(html, i, "sub")) {
            const bool sup = std::tolower(static_cast<unsigned char>(html[i + 3])) == 'p';
            const size_t close = FindNoCase(html.substr(tagEnd + 1), sup ? "</sup>" : "</sub>");
            const std::string inner(html.substr(tagEnd + 1, close));
            const std::string plain = TrimText(HtmlToPlainText(inner));
            bool simple = !plain.empty();
            for (char c : plain) simple &= std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '+';
            out += Escaped(std::string(sup ? "^" : "_") + (simple ? plain : "(" + plain + ")"));
            Once(lost, sup ? "a superscript is written with ^." : "a subscript is written with _.");
            i = close == std::string::npos ? html.size() : tagEnd + 1 + close + 6;
        } else {
            out += tag;
            i = tagEnd + 1;
        }
    }
    return out;
}

std::string ImportHtml(std::string_view html, std::vector<std::string>& lost)
{
    // Without a tag there is no placeholder to make (most texts of a large bank).
    if (html.find('<') == std::string_view::npos) return HtmlToPlainText(html);
    return HtmlToPlainText(MarkupPlaceholders(html, lost));
}

bool LooksLikeHtml(std::string_view text)
{
    static const char* const kTags[] = {"p", "br", "b", "i", "u", "em", "strong", "span", "div", "img", "sup", "sub",
                                        "ul", "ol", "li", "code", "pre", "a", "table", "tr", "td", "th", "h1", "h2",
                                        "h3", "h4", "font", "small", "math", "blockquote", "hr", "tt", "s", "strike"};
    for (size_t at = text.find('<'); at != std::string_view::npos; at = text.find('<', at + 1)) {
        const size_t start = at + 1 + (at + 1 < text.size() && text[at + 1] == '/');
        for (const char* tag : kTags) {
            const size_t n = std::strlen(tag);
            if (start + n > text.size()) continue;
            bool same = true;
            for (size_t i = 0; i < n && same; ++i)
                same = std::tolower(static_cast<unsigned char>(text[start + i])) == tag[i];
            const char after = start + n < text.size() ? text[start + n] : '\0';
            if (!same || (after != '>' && after != '/' && after != ' ' && after != '\t' && after != '\n')) continue;
            const size_t close = text.find('>', start);
            if (close != std::string_view::npos && text.find('<', start) > close) return true;
        }
    }
    return false;
}

std::string TextFromMaybeHtml(std::string_view text, std::vector<std::string>& lost)
{
    if (text.find_first_of("&<") == std::string_view::npos) return std::string(text);
    if (LooksLikeHtml(text)) {
        std::vector<std::string> changes;
        std::string plain = ImportHtml(text, changes);
        // "<p>" as a choice of a quiz about HTML is the choice's text, not a paragraph.
        if (!TrimText(plain).empty()) {
            lost.insert(lost.end(), changes.begin(), changes.end());
            return plain;
        }
    }
    // Not HTML: "<marquee>" is the question's own text; only entities are decoded.
    std::string escaped;
    for (char c : text) escaped += c == '<' ? std::string("&lt;") : std::string(1, c);
    return HtmlToPlainText(escaped);
}

XmlNode PlaceholderTree(const XmlNode& node, std::vector<std::string>& lost)
{
    auto textNode = [](const std::string& text) {
        XmlNode t;
        t.text = text;
        return t;
    };
    XmlNode copy;
    copy.name = node.name;
    copy.text = node.text;
    copy.attributes = node.attributes;
    for (const XmlNode& child : node.children) {
        if (child.IsText()) {
            copy.children.push_back(child);
        } else if (child.name == "img" || child.name == "matimage" || child.name == "object") {
            std::string src = child.Attribute("src");
            if (src.empty()) src = child.Attribute("uri");
            if (src.empty()) src = child.Attribute("data");
            const std::string placeholder = "[image: " + FileName(src) + "]";
            copy.children.push_back(textNode(placeholder));
            Once(lost, "an image is shown as " + placeholder + ".");
        } else if (child.name == "math") {
            copy.children.push_back(textNode(MathText(child, lost)));
        } else if (child.name == "sup" || child.name == "sub") {
            const std::string plain = TrimText(XhtmlToPlainText(PlaceholderTree(child, lost)));
            bool simple = !plain.empty();
            for (char c : plain) simple &= std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '+';
            const bool sup = child.name == "sup";
            copy.children.push_back(textNode(std::string(sup ? "^" : "_") + (simple ? plain : "(" + plain + ")")));
            Once(lost, sup ? "a superscript is written with ^." : "a subscript is written with _.");
        } else {
            copy.children.push_back(PlaceholderTree(child, lost));
        }
    }
    return copy;
}

namespace {

// Windows-1252's 0x80-0x9F; the rest of its upper half is Latin-1.
const unsigned short kCp1252[32] = {0x20AC, 0x81,   0x201A, 0x192,  0x201E, 0x2026, 0x2020, 0x2021,
                                    0x2C6,  0x2030, 0x160,  0x2039, 0x152,  0x8D,   0x17D,  0x8F,
                                    0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                    0x2DC,  0x2122, 0x161,  0x203A, 0x153,  0x9D,   0x17E,  0x178};

void AppendCp1252(std::string& out, unsigned char c)
{
    if (c < 0x80) out += static_cast<char>(c);
    else AppendUtf8(out, c < 0xA0 ? kCp1252[c - 0x80] : c);
}

} // namespace

std::string_view XmlAsUtf8(std::string_view bytes, std::string& converted)
{
    const std::string_view head = bytes.substr(0, std::min<size_t>(bytes.size(), 200));
    if (head.compare(0, 5, "<?xml") != 0) return bytes;
    const size_t end = head.find("?>");
    if (end == std::string_view::npos) return bytes;
    const std::string declaration = ToLowerAscii(std::string(head.substr(0, end)));
    const size_t at = declaration.find("encoding");
    if (at == std::string::npos) return bytes;
    const size_t open = declaration.find_first_of("\"'", at);
    const size_t close = open == std::string::npos ? open : declaration.find(declaration[open], open + 1);
    if (close == std::string::npos) return bytes;
    const std::string name = declaration.substr(open + 1, close - open - 1);
    const bool latin = name == "iso-8859-1" || name == "latin1" || name == "iso-8859-15" || name == "windows-1252" ||
                       name == "cp1252" || name == "us-ascii" || name == "ascii";
    if (!latin) return bytes;
    // Tools that declare Latin-1 and write UTF-8 are common: valid UTF-8 stays as it is.
    const bool utf8 = IsValidUtf8(bytes);
    std::string out = std::string(bytes.substr(0, open + 1)) + "UTF-8" + std::string(bytes.substr(close, end - close));
    for (size_t i = end; i < bytes.size(); ++i) {
        if (utf8) out += bytes[i];
        else AppendCp1252(out, static_cast<unsigned char>(bytes[i]));
    }
    converted = std::move(out);
    return converted;
}

std::string_view TextAsUtf8(std::string_view bytes, std::string& converted, std::string& note)
{
    const bool le = bytes.substr(0, 2) == "\xFF\xFE", be = bytes.substr(0, 2) == "\xFE\xFF";
    if (le || be) {
        std::u16string wide;
        wide.reserve(bytes.size() / 2);
        for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
            const auto lo = static_cast<unsigned char>(bytes[i + (be ? 1 : 0)]);
            const auto hi = static_cast<unsigned char>(bytes[i + (be ? 0 : 1)]);
            wide += static_cast<char16_t>(lo | hi << 8);
        }
        converted = w2s(wide);
        note = std::string("The file is UTF-16 text (") + (le ? "little" : "big") +
               "-endian, as a spreadsheet saves Unicode text); it was read as such.";
        return converted;
    }
    if (IsValidUtf8(bytes)) return bytes;
    // Each byte that starts no UTF-8 sequence is read as Windows-1252, so a file saved on
    // Windows reads right and a UTF-8 file with a stray byte keeps the rest as it was.
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    size_t foreign = 0;
    char32_t cp = 0;
    for (size_t i = 0; i < bytes.size();) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        size_t next = i + 1;
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (DecodeUtf8(bytes, i, cp, next)) {
            out.append(bytes.substr(i, next - i));
        } else {
            AppendCp1252(out, c);
            ++foreign;
            next = i + 1;
        }
        i = next;
    }
    converted = std::move(out);
    note = "The file is not UTF-8: " + GroupedNumber(foreign) + (foreign == 1 ? " byte was" : " bytes were") +
           " read as Windows-1252 (as a spreadsheet or editor on Windows saves text).";
    return converted;
}

namespace {

// The name of the "&name;" at `at` when XML does not predefine it, else empty.
std::string_view UndefinedReference(std::string_view bytes, size_t at)
{
    size_t end = at + 1;
    while (end < bytes.size() && end - at <= 32 &&
           (std::isalnum(static_cast<unsigned char>(bytes[end])) && static_cast<unsigned char>(bytes[end]) < 0x80))
        ++end;
    const std::string_view name = bytes.substr(at + 1, end - at - 1);
    if (end >= bytes.size() || bytes[end] != ';' || name == "amp" || name == "lt" || name == "gt" ||
        name == "quot" || name == "apos")
        return {};
    return name;
}

} // namespace

std::string_view HtmlEntitiesAsXml(std::string_view bytes, std::string& converted, std::string& note)
{
    // Most files have none: a look at each '&' tells, before any markup is walked.
    bool any = false;
    for (size_t i = bytes.find('&'); i != std::string_view::npos && !any; i = bytes.find('&', i + 1))
        any = !UndefinedReference(bytes, i).empty();
    if (!any) return bytes;
    std::string out;
    std::map<std::string, std::string, std::less<>> known; // name -> its character references
    std::map<std::string, size_t> used;
    size_t copied = 0;
    for (size_t i = bytes.find_first_of("&<"); i != std::string_view::npos; i = bytes.find_first_of("&<", i)) {
        // Markup where a reference is no reference: CDATA, comments, instructions.
        if (bytes[i] == '<') {
            const char* close = bytes.compare(i, 9, "<![CDATA[") == 0 ? "]]>"
                                : bytes.compare(i, 4, "<!--") == 0    ? "-->"
                                : bytes.compare(i, 2, "<?") == 0      ? "?>"
                                                                      : nullptr;
            const size_t end = close ? bytes.find(close, i + 2) : std::string_view::npos;
            i = !close ? i + 1 : end == std::string_view::npos ? bytes.size() : end + std::strlen(close);
            continue;
        }
        const std::string_view name = UndefinedReference(bytes, i);
        const size_t end = i + 1 + name.size();
        if (name.empty()) {
            ++i;
            continue;
        }
        auto it = known.find(name);
        if (it == known.end()) {
            // HTML's own parser knows every HTML5 name; a name it does not know stays, and
            // stays an error.
            const std::string reference = "&" + std::string(name) + ";";
            const std::string decoded = HtmlToPlainText(reference);
            std::string numeric;
            const bool decodes = decoded != reference && decoded.find_first_of("&;") == std::string::npos;
            for (size_t k = 0; decodes && k < decoded.size();) {
                char32_t cp = 0;
                size_t next = k + 1;
                if (!DecodeUtf8(decoded, k, cp, next)) cp = static_cast<unsigned char>(decoded[k]);
                char hex[16];
                std::snprintf(hex, sizeof hex, "&#x%X;", static_cast<unsigned>(cp));
                numeric += hex;
                k = next;
            }
            it = known.emplace(std::string(name), numeric).first;
        }
        if (!it->second.empty()) {
            out.append(bytes.substr(copied, i - copied));
            out += it->second;
            copied = end + 1;
            ++used[it->first];
        }
        i = end + 1;
    }
    if (used.empty()) return bytes;
    out.append(bytes.substr(copied));
    converted = std::move(out);
    std::string names;
    size_t total = 0, listed = 0;
    for (const auto& [name, count] : used) {
        total += count;
        if (listed++ < 6) names += (names.empty() ? "&" : ", &") + name + ";";
    }
    note = "The file is not well-formed XML: it uses " + GroupedNumber(total) + " HTML named character reference" +
           (total == 1 ? "" : "s") + " that XML does not define (" + names + (used.size() > 6 ? ", ..." : "") +
           "); they were read as HTML reads them.";
    return converted;
}
