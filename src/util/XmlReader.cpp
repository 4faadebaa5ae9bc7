#include "util/XmlReader.h"

#include <cstdint>
#include <cstring>

#include "util/StringUtil.h"

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

bool IsNameChar(char c)
{
    return !(IsSpace(c) || c == '<' || c == '>' || c == '/' || c == '=' || c == '"' || c == '\'' || c == '&' ||
             c == '?' || c == '!' || c == '\0');
}

bool XmlAllows(char32_t cp)
{
    return cp == 0x9 || cp == 0xA || cp == 0xD || (cp >= 0x20 && cp <= 0xD7FF) || (cp >= 0xE000 && cp <= 0xFFFD) ||
           (cp >= 0x10000 && cp <= 0x10FFFF);
}

// "#65", "#x41": the code point, or false.
bool NumericReference(std::string_view ref, char32_t& cp)
{
    if (ref.size() < 2 || ref[0] != '#') return false;
    const bool hex = ref[1] == 'x' || ref[1] == 'X';
    size_t i = hex ? 2 : 1;
    if (i >= ref.size()) return false;
    uint32_t value = 0;
    for (; i < ref.size(); ++i) {
        const char c = ref[i];
        uint32_t digit;
        if (c >= '0' && c <= '9') digit = static_cast<uint32_t>(c - '0');
        else if (hex && c >= 'a' && c <= 'f') digit = static_cast<uint32_t>(c - 'a' + 10);
        else if (hex && c >= 'A' && c <= 'F') digit = static_cast<uint32_t>(c - 'A' + 10);
        else return false;
        value = value * (hex ? 16 : 10) + digit;
        if (value > 0x10FFFF) return false;
    }
    cp = value;
    return true;
}

class Parser {
public:
    Parser(std::string_view s, std::string& error) : s_(s), error_(error) {}

    bool Run(XmlNode& root)
    {
        if (s_.size() >= 2 && ((s_[0] == '\xFE' && s_[1] == '\xFF') || (s_[0] == '\xFF' && s_[1] == '\xFE')))
            return Fail("the file is UTF-16; only UTF-8 XML is read (save it as UTF-8)");
        if (s_.substr(0, 3) == "\xEF\xBB\xBF") p_ = 3;
        bool haveRoot = false;
        std::vector<XmlNode*> open;
        std::string text;
        while (p_ < s_.size()) {
            if (s_[p_] != '<') {
                if (open.empty()) {
                    if (!IsSpace(s_[p_])) return Fail("text outside the root element");
                    ++p_;
                    continue;
                }
                if (!CharData(text)) return false;
                continue;
            }
            if (Starts("<!--")) {
                if (!SkipPast("-->", "a comment is not closed")) return false;
            } else if (Starts("<?")) {
                const size_t start = p_;
                if (!SkipPast("?>", "a processing instruction is not closed")) return false;
                if (!Declaration(s_.substr(start, p_ - start))) return false;
            } else if (Starts("<![CDATA[")) {
                if (open.empty()) return Fail("character data outside the root element");
                p_ += 9;
                const size_t end = s_.find("]]>", p_);
                if (end == std::string_view::npos) return Fail("a CDATA section is not closed");
                AppendNormalizedLines(text, s_.substr(p_, end - p_));
                p_ = end + 3;
            } else if (Starts("<!DOCTYPE")) {
                if (haveRoot || !open.empty()) return Fail("a document type declaration after the root element");
                if (!Doctype()) return false;
            } else if (Starts("</")) {
                if (open.empty()) return Fail("a closing tag without an opening one");
                p_ += 2;
                const size_t start = p_;
                while (p_ < s_.size() && IsNameChar(s_[p_])) ++p_;
                const std::string name = LocalName(s_.substr(start, p_ - start));
                SkipSpace();
                if (p_ >= s_.size() || s_[p_] != '>') return Fail("a closing tag is malformed");
                ++p_;
                if (name != open.back()->name)
                    return Fail("</" + std::string(s_.substr(start, p_ - 1 - start)) + "> does not close <" +
                                open.back()->name + ">");
                Flush(open.back(), text);
                open.pop_back();
            } else {
                if (open.empty() && haveRoot) return Fail("a second root element");
                XmlNode element;
                bool empty = false;
                if (!Tag(element, empty)) return false;
                XmlNode* node;
                if (open.empty()) {
                    root = std::move(element);
                    node = &root;
                    haveRoot = true;
                } else {
                    Flush(open.back(), text);
                    open.back()->children.push_back(std::move(element));
                    node = &open.back()->children.back();
                }
                if (!empty) {
                    if (open.size() >= kMaxXmlDepth)
                        return Fail("elements nested deeper than " + std::to_string(kMaxXmlDepth) + " levels");
                    open.push_back(node);
                }
            }
        }
        if (!open.empty()) return Fail("<" + open.back()->name + "> is not closed at the end of the file");
        if (!haveRoot) return Fail("there is no root element");
        return true;
    }

private:
    std::string_view s_;
    size_t p_ = 0;
    std::string& error_;

    bool Fail(const std::string& what)
    {
        size_t line = 1;
        for (size_t i = 0; i < p_ && i < s_.size(); ++i) line += s_[i] == '\n';
        error_ = "XML error on line " + std::to_string(line) + ": " + what + ".";
        return false;
    }

    bool Starts(const char* prefix) const { return s_.compare(p_, std::strlen(prefix), prefix) == 0; }

    bool SkipPast(const char* end, const char* message)
    {
        const size_t at = s_.find(end, p_);
        if (at == std::string_view::npos) return Fail(message);
        p_ = at + std::strlen(end);
        return true;
    }

    void SkipSpace()
    {
        while (p_ < s_.size() && IsSpace(s_[p_])) ++p_;
    }

    static std::string LocalName(std::string_view name)
    {
        const size_t colon = name.rfind(':');
        return std::string(colon == std::string_view::npos ? name : name.substr(colon + 1));
    }

    static void Flush(XmlNode* parent, std::string& text)
    {
        if (text.empty()) return;
        XmlNode node;
        node.text = std::move(text);
        text.clear();
        parent->children.push_back(std::move(node));
    }

    // Line ends as an XML processor hands them on: CR LF and a lone CR become LF.
    static void AppendNormalizedLines(std::string& out, std::string_view raw)
    {
        for (size_t i = 0; i < raw.size(); ++i) {
            if (raw[i] == '\r') {
                out += '\n';
                if (i + 1 < raw.size() && raw[i + 1] == '\n') ++i;
            } else {
                out += raw[i];
            }
        }
    }

    // The encoding named in the XML declaration must be one this reader decodes.
    bool Declaration(std::string_view pi)
    {
        if (pi.compare(0, 6, "<?xml ") != 0) return true;
        const size_t at = pi.find("encoding");
        if (at == std::string_view::npos) return true;
        size_t q = pi.find_first_of("\"'", at);
        if (q == std::string_view::npos) return true;
        const size_t end = pi.find(pi[q], q + 1);
        if (end == std::string_view::npos) return true;
        std::string name(pi.substr(q + 1, end - q - 1));
        for (char& c : name) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        if (name == "utf-8" || name == "utf8" || name == "us-ascii" || name == "ascii") return true;
        return Fail("the file is declared as " + std::string(pi.substr(q + 1, end - q - 1)) +
                    "; only UTF-8 XML is read (save it as UTF-8)");
    }

    // <!DOCTYPE root SYSTEM "x.dtd">: skipped. An internal subset could declare entities
    // that expand without bound, so it is refused rather than read.
    bool Doctype()
    {
        char quote = 0;
        for (; p_ < s_.size(); ++p_) {
            const char c = s_[p_];
            if (quote) {
                if (c == quote) quote = 0;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '[') {
                return Fail("the document type declares its own entities or elements, which are not read");
            } else if (c == '>') {
                ++p_;
                return true;
            }
        }
        return Fail("the document type declaration is not closed");
    }

    bool Reference(std::string& out)
    {
        const size_t semi = s_.find(';', p_);
        if (semi == std::string_view::npos || semi - p_ > 12) return Fail("a '&' that starts no entity");
        const std::string_view ref = s_.substr(p_ + 1, semi - p_ - 1);
        char32_t cp;
        if (ref == "lt") out += '<';
        else if (ref == "gt") out += '>';
        else if (ref == "amp") out += '&';
        else if (ref == "quot") out += '"';
        else if (ref == "apos") out += '\'';
        else if (NumericReference(ref, cp)) {
            if (!XmlAllows(cp)) return Fail("a character reference names a character XML does not allow");
            AppendUtf8(out, cp);
        } else {
            return Fail("the entity &" + std::string(ref) + "; is not defined (only the five of XML are)");
        }
        p_ = semi + 1;
        return true;
    }

    bool CharData(std::string& text)
    {
        while (p_ < s_.size() && s_[p_] != '<') {
            const size_t start = p_;
            while (p_ < s_.size() && s_[p_] != '<' && s_[p_] != '&') ++p_;
            AppendNormalizedLines(text, s_.substr(start, p_ - start));
            if (p_ < s_.size() && s_[p_] == '&' && !Reference(text)) return false;
        }
        return true;
    }

    bool Tag(XmlNode& element, bool& empty)
    {
        ++p_;
        const size_t start = p_;
        while (p_ < s_.size() && IsNameChar(s_[p_])) ++p_;
        if (p_ == start) return Fail("a '<' that starts no tag");
        element.name = LocalName(s_.substr(start, p_ - start));
        if (element.name.empty()) return Fail("an element has an empty name");
        for (;;) {
            const size_t before = p_;
            SkipSpace();
            if (p_ >= s_.size()) return Fail("a tag is not closed");
            if (s_[p_] == '>') {
                ++p_;
                return true;
            }
            if (s_[p_] == '/') {
                if (p_ + 1 >= s_.size() || s_[p_ + 1] != '>') return Fail("a tag is malformed");
                p_ += 2;
                empty = true;
                return true;
            }
            if (p_ == before) return Fail("attributes must be separated by white space");
            const size_t nameStart = p_;
            while (p_ < s_.size() && IsNameChar(s_[p_])) ++p_;
            if (p_ == nameStart) return Fail("a tag is malformed");
            const std::string_view rawName = s_.substr(nameStart, p_ - nameStart);
            SkipSpace();
            if (p_ >= s_.size() || s_[p_] != '=') return Fail("an attribute has no value");
            ++p_;
            SkipSpace();
            if (p_ >= s_.size() || (s_[p_] != '"' && s_[p_] != '\'')) return Fail("an attribute value is not quoted");
            const char quote = s_[p_++];
            std::string value;
            while (p_ < s_.size() && s_[p_] != quote) {
                const char c = s_[p_];
                if (c == '<') return Fail("a '<' inside an attribute value");
                if (c == '&') {
                    if (!Reference(value)) return false;
                    continue;
                }
                // Literal white space in a value is a space (references keep theirs).
                value += IsSpace(c) ? ' ' : c;
                if (c == '\r' && p_ + 1 < s_.size() && s_[p_ + 1] == '\n') ++p_;
                ++p_;
            }
            if (p_ >= s_.size()) return Fail("an attribute value is not closed");
            ++p_;
            if (rawName == "xmlns" || rawName.compare(0, 6, "xmlns:") == 0) continue;
            element.attributes.emplace_back(LocalName(rawName), std::move(value));
        }
    }
};

// --- HTML as plain text ---

struct NamedEntity {
    const char* name;
    char32_t cp;
};
const NamedEntity kEntities[] = {
    {"amp", '&'},      {"lt", '<'},       {"gt", '>'},       {"quot", '"'},     {"apos", '\''},   {"nbsp", ' '},
    {"ndash", 0x2013}, {"mdash", 0x2014}, {"lsquo", 0x2018}, {"rsquo", 0x2019}, {"ldquo", 0x201C},
    {"rdquo", 0x201D}, {"hellip", 0x2026}, {"copy", 0xA9},   {"reg", 0xAE},     {"trade", 0x2122},
    {"deg", 0xB0},     {"times", 0xD7},   {"divide", 0xF7},  {"plusmn", 0xB1},  {"middot", 0xB7},
    {"laquo", 0xAB},   {"raquo", 0xBB},   {"euro", 0x20AC},  {"pound", 0xA3},   {"sect", 0xA7},
    {"micro", 0xB5},   {"para", 0xB6},    {"frac12", 0xBD},  {"le", 0x2264},    {"ge", 0x2265},
    {"ne", 0x2260},    {"pi", 0x3C0},     {"alpha", 0x3B1},  {"beta", 0x3B2},   {"mu", 0x3BC},
    {"sup2", 0xB2},    {"sup3", 0xB3},    {"shy", 0xAD},     {"aacute", 0xE1},  {"eacute", 0xE9},
    {"iacute", 0xED},  {"oacute", 0xF3},  {"uacute", 0xFA},  {"ntilde", 0xF1},  {"auml", 0xE4},
    {"ouml", 0xF6},    {"uuml", 0xFC},    {"Auml", 0xC4},    {"Ouml", 0xD6},    {"Uuml", 0xDC},
    {"szlig", 0xDF},   {"agrave", 0xE0},  {"egrave", 0xE8},  {"ccedil", 0xE7},  {"ecirc", 0xEA},
    {"Eacute", 0xC9},  {"oslash", 0xF8},  {"aring", 0xE5},   {"iexcl", 0xA1},   {"iquest", 0xBF},
};

// Decodes the entity at text[i] ('&'); returns the characters consumed, 0 when it is none.
size_t HtmlEntity(std::string_view text, size_t i, std::string& out)
{
    const size_t semi = text.find(';', i);
    if (semi == std::string_view::npos || semi - i > 10 || semi == i + 1) return 0;
    const std::string_view ref = text.substr(i + 1, semi - i - 1);
    char32_t cp;
    if (NumericReference(ref, cp)) {
        if (cp == 0 || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
        AppendUtf8(out, cp);
        return semi + 1 - i;
    }
    for (const NamedEntity& e : kEntities) {
        if (ref == e.name) {
            AppendUtf8(out, e.cp);
            return semi + 1 - i;
        }
    }
    return 0;
}

std::string LowerTagName(std::string_view tag)
{
    size_t i = tag.size() > 0 && tag[0] == '/' ? 1 : 0;
    std::string name;
    for (; i < tag.size() && ((tag[i] >= 'a' && tag[i] <= 'z') || (tag[i] >= 'A' && tag[i] <= 'Z') ||
                              (tag[i] >= '0' && tag[i] <= '9'));
         ++i)
        name += static_cast<char>(tag[i] >= 'A' && tag[i] <= 'Z' ? tag[i] - 'A' + 'a' : tag[i]);
    return name;
}

bool IsBlockTag(const std::string& name)
{
    static const char* const kBlocks[] = {"p", "div", "li", "ul", "ol", "tr", "table", "h1", "h2", "h3", "h4",
                                          "h5", "h6", "blockquote", "pre", "dd", "dt", "section"};
    for (const char* b : kBlocks)
        if (name == b) return true;
    return false;
}

// Builds the text of real HTML: spaces collapsed, blocks on lines of their own.
class HtmlText {
public:
    void Text(std::string_view t)
    {
        for (char c : t) {
            if (IsSpace(c)) {
                space_ = true;
                continue;
            }
            if (breaks_) {
                if (!out_.empty()) out_.append(breaks_, '\n');
                breaks_ = 0;
                space_ = false;
            } else if (space_ && !out_.empty() && out_.back() != '\n') {
                out_ += ' ';
            }
            space_ = false;
            out_ += c;
        }
    }
    void Break() { ++breaks_, space_ = false; }
    void Block()
    {
        if (!breaks_) breaks_ = 1;
        space_ = false;
    }
    std::string Finish() { return std::move(out_); }

private:
    std::string out_;
    size_t breaks_ = 0;
    bool space_ = false;
};

bool HasMarkupBeyondBr(std::string_view html)
{
    for (size_t at = html.find('<'); at != std::string_view::npos; at = html.find('<', at + 1)) {
        const size_t end = html.find('>', at);
        if (end == std::string_view::npos) return false;
        const std::string name = LowerTagName(html.substr(at + 1, end - at - 1));
        if (!name.empty() && name != "br") return true;
        if (name.empty() && at + 1 < html.size() && html[at + 1] == '!') return true;
    }
    return false;
}

bool HasElementBeyondBr(const XmlNode& node)
{
    for (const XmlNode& child : node.children)
        if (!child.IsText() && (child.name != "br" || HasElementBeyondBr(child))) return true;
    return false;
}

void CollectXhtml(const XmlNode& node, HtmlText& text, std::string& exact, bool html)
{
    for (const XmlNode& child : node.children) {
        if (child.IsText()) {
            if (html) text.Text(child.text);
            else exact += child.text;
        } else if (child.name == "br") {
            if (html) text.Break();
            else exact += '\n';
        } else if (child.name == "script" || child.name == "style") {
        } else {
            const bool block = IsBlockTag(child.name);
            if (block) text.Block();
            CollectXhtml(child, text, exact, html);
            if (block) text.Block();
        }
    }
}

} // namespace

const XmlNode* XmlNode::Child(std::string_view childName) const
{
    for (const XmlNode& child : children)
        if (child.name == childName) return &child;
    return nullptr;
}

std::vector<const XmlNode*> XmlNode::Children(std::string_view childName) const
{
    std::vector<const XmlNode*> out;
    for (const XmlNode& child : children)
        if (child.name == childName) out.push_back(&child);
    return out;
}

const XmlNode* XmlNode::Find(std::string_view descendant) const
{
    for (const XmlNode& child : children) {
        if (child.IsText()) continue;
        if (child.name == descendant) return &child;
        if (const XmlNode* found = child.Find(descendant)) return found;
    }
    return nullptr;
}

void XmlNode::FindAll(std::string_view descendant, std::vector<const XmlNode*>& out) const
{
    for (const XmlNode& child : children) {
        if (child.IsText()) continue;
        if (child.name == descendant) out.push_back(&child);
        else child.FindAll(descendant, out);
    }
}

std::string XmlNode::Attribute(std::string_view attributeName) const
{
    for (const auto& [key, value] : attributes)
        if (key == attributeName) return value;
    return "";
}

std::string XmlNode::Text() const
{
    if (IsText()) return text;
    if (children.size() == 1 && children[0].IsText()) return children[0].text;
    std::string out;
    for (const XmlNode& child : children) out += child.Text();
    return out;
}

std::string XmlNode::ChildText(std::string_view childName) const
{
    const XmlNode* child = Child(childName);
    return child ? child->Text() : std::string();
}

bool ParseXml(std::string_view bytes, XmlNode& root, std::string& error)
{
    root = XmlNode{};
    return Parser(bytes, error).Run(root);
}

std::string HtmlToPlainText(std::string_view html)
{
    const bool markup = HasMarkupBeyondBr(html);
    HtmlText text;
    std::string exact, run;
    auto flushRun = [&] {
        if (markup) text.Text(run);
        else exact += run;
        run.clear();
    };
    for (size_t i = 0; i < html.size();) {
        const char c = html[i];
        if (c == '&') {
            const size_t used = HtmlEntity(html, i, run);
            if (used) {
                i += used;
                continue;
            }
        } else if (c == '<' && i + 1 < html.size() &&
                   ((html[i + 1] >= 'a' && html[i + 1] <= 'z') || (html[i + 1] >= 'A' && html[i + 1] <= 'Z') ||
                    html[i + 1] == '/' || html[i + 1] == '!')) {
            if (html.compare(i, 4, "<!--") == 0) {
                const size_t end = html.find("-->", i);
                i = end == std::string_view::npos ? html.size() : end + 3;
                continue;
            }
            const size_t end = html.find('>', i);
            if (end != std::string_view::npos) {
                const std::string name = LowerTagName(html.substr(i + 1, end - i - 1));
                flushRun();
                if (name == "script" || name == "style") {
                    // Their content is no text: skipped to the closing tag, in any letter case.
                    size_t at = end;
                    for (; at + 1 < html.size(); ++at)
                        if (html[at] == '<' && html[at + 1] == '/' && LowerTagName(html.substr(at + 1, 12)) == name)
                            break;
                    const size_t closeEnd = at + 1 < html.size() ? html.find('>', at) : std::string_view::npos;
                    i = closeEnd == std::string_view::npos ? html.size() : closeEnd + 1;
                    continue;
                }
                if (name == "br") {
                    if (markup) text.Break();
                    else exact += '\n';
                } else if (IsBlockTag(name)) {
                    text.Block();
                }
                i = end + 1;
                continue;
            }
        }
        run += c;
        ++i;
    }
    flushRun();
    return markup ? text.Finish() : exact;
}

std::string XhtmlToPlainText(const XmlNode& node)
{
    const bool html = HasElementBeyondBr(node);
    HtmlText text;
    std::string exact;
    CollectXhtml(node, text, exact, html);
    return html ? text.Finish() : exact;
}
