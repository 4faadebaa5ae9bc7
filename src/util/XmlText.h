#pragma once
#include <string>
#include <string_view>

// Text for the XML exchange formats. Input is document text: UTF-8, plain (not HTML).

// The text as XML 1.0 allows it: the control characters and U+FFFE/U+FFFF it forbids
// are dropped (even a character reference may not name them), malformed UTF-8 becomes
// U+FFFD. Adds the number of characters dropped to `dropped`.
std::string XmlAllowedText(std::string_view text, size_t& dropped);
// Where escaped text goes; each escapes & < > " and ', and differs in line breaks.
enum class Markup {
    Xml,     // an XML attribute or element: ' as &apos;, tab and line breaks as character
             // references (an attribute's value keeps them only so)
    Html,    // plain text as HTML: ' as &#39;, each line break (LF, CR, CR LF) as <br>
    Xhtml,   // the same with <br/>, for HTML that must be XML itself
    HtmlPre, // plain text in a page that keeps line ends: each as LF, and the control
             // characters a page may not hold (other than tab) dropped
};
void AppendEscaped(std::string& out, std::string_view text, Markup as);
std::string EscapedText(std::string_view text, Markup as);
// Appends `<![CDATA[text]]>`, a `]]>` inside split across two sections.
void AppendCdata(std::string& out, std::string_view text);
// An XML name (NCName) made from `id`: ASCII letters, digits, '.', '-' and '_' kept,
// anything else as '_', a leading character that cannot start a name prefixed with
// "item_", cut to `maxLength` bytes. Uniqueness is the caller's.
std::string XmlNameFrom(std::string_view id, size_t maxLength);
