#pragma once
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "util/HtmlText.h"

// The one XML parser of both builds: expat, into a tree. It decodes UTF-8, UTF-16,
// ISO-8859-1 and US-ASCII (from the byte order mark or the declaration) and hands on UTF-8.
// It reads no DTD (a document type with an internal subset is refused, so no entity can
// be declared, and nothing external is ever loaded), knows only the five predefined
// entities and character references, and refuses nesting deeper than kMaxXmlDepth and
// documents of more than kMaxXmlNodes nodes.
// Namespace prefixes are dropped from element and attribute names: the exchange formats
// are told apart by their element names, and exporters disagree on prefixes.
constexpr size_t kMaxXmlDepth = 256;
// Elements and texts of one document: a real exchange file has a few dozen per question.
constexpr size_t kMaxXmlNodes = 4'000'000;
// One text (the character data between two tags): a reader copies it a few times.
constexpr size_t kMaxXmlText = 16u << 20;
// Elements and texts read in all by ParseXmlElements, which holds one record at a time.
constexpr size_t kMaxXmlStreamedNodes = 16'000'000;

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

// While one stands, this thread's parses share one parser, reset for each document: making
// a parser (with its entropy for the hash salt, drawn here once) costs more than reading a
// question's file with it. A parse inside another's handlers still gets a parser of its own.
class XmlParserScope {
public:
    XmlParserScope();
    ~XmlParserScope();
    XmlParserScope(const XmlParserScope&) = delete;
    XmlParserScope& operator=(const XmlParserScope&) = delete;

private:
    friend class ParserLease;
    void* parser_ = nullptr; // expat's parser, made on first use
    bool busy_ = false;
    unsigned long salt_ = 0;
    XmlParserScope* outer_;
};

// False with `error` set (a sentence with the line number) when the bytes are not
// well-formed XML this reader takes.
bool ParseXml(std::string_view bytes, XmlNode& root, std::string& error);
// The same, for a file of many records: each element of that name (below the root, not
// inside another of that name) is handed to `each`, with the root (its name and attributes
// set) and its depth (1: a child of the root), as soon as it is complete, and then dropped,
// so the whole file never stands as one tree; text outside those elements is dropped
// unread. The tree held at any time is bounded as ParseXml's is, and the nodes read in all
// by kMaxXmlStreamedNodes. A name ending in '*' takes every element whose name starts so.
using XmlElementVisitor = std::function<void(const XmlNode& root, size_t depth, const XmlNode& element)>;
bool ParseXmlElements(std::string_view bytes, std::string_view name, XmlNode& root, const XmlElementVisitor& each,
                      std::string& error);
// The local name of the root element, "" when the bytes do not start as XML does. Reads
// only as far as the root's start tag.
std::string XmlRootName(std::string_view bytes);

// Readable text from an XHTML element tree (a QTI prompt or choice), by the rules of
// HtmlToPlainText.
std::string XhtmlToPlainText(const XmlNode& node);
