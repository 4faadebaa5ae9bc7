#pragma once
#include <string>
#include <string_view>
#include <vector>

// The one XML parser of both builds: a small strict reader of well-formed UTF-8 XML into
// a tree. It reads no DTD (a document type with an internal subset is refused, so no
// entity can expand), knows only the five predefined entities and character references,
// and refuses nesting deeper than kMaxXmlDepth. Namespace prefixes are dropped from
// element and attribute names: the exchange formats are told apart by their element
// names, and exporters disagree on prefixes.
constexpr size_t kMaxXmlDepth = 256;

struct XmlNode {
    std::string name; // local name; empty for a text node
    std::string text; // a text node's characters (CDATA included)
    std::vector<std::pair<std::string, std::string>> attributes;
    std::vector<XmlNode> children; // elements and text nodes in document order

    bool IsText() const { return name.empty(); }
    // The first child element of that name, or null.
    const XmlNode* Child(std::string_view childName) const;
    std::vector<const XmlNode*> Children(std::string_view childName) const;
    // The first element of that name at any depth below (depth first), or null.
    const XmlNode* Find(std::string_view descendant) const;
    void FindAll(std::string_view descendant, std::vector<const XmlNode*>& out) const;
    std::string Attribute(std::string_view attributeName) const;
    // All character data below, in order, with no markup.
    std::string Text() const;
    // The text of the named child (its Text()), "" when there is none.
    std::string ChildText(std::string_view childName) const;
};

// False with `error` set (a sentence with the line number) when the bytes are not
// well-formed XML this reader takes.
bool ParseXml(std::string_view bytes, XmlNode& root, std::string& error);

// Readable text from HTML as the exchange formats carry it: entities decoded (the HTML
// names that occur in text, and numeric references), `br` as a line break. Text with no
// other markup is kept exactly (what our writers make from plain text comes back as it
// was); real HTML has its tags dropped, paragraphs and list items on lines of their own,
// and runs of white space collapsed as a browser would.
std::string HtmlToPlainText(std::string_view html);
// Readable text from an XHTML element tree (a QTI prompt or choice), by the same rules.
std::string XhtmlToPlainText(const XmlNode& node);
