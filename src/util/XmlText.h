#pragma once
#include <string>
#include <string_view>

// Text for the XML exchange formats. Input is document text: UTF-8, plain (not HTML).

// The text as XML 1.0 allows it: the control characters and U+FFFE/U+FFFF it forbids
// are dropped (even a character reference may not name them), malformed UTF-8 becomes
// U+FFFD. Adds the number of characters dropped to `dropped`.
std::string XmlAllowedText(std::string_view text, size_t& dropped);
// Appends `text` escaped for an XML attribute or element: & < > " '.
void AppendXmlEscaped(std::string& out, std::string_view text);
// Appends plain text as HTML: & < > " ' escaped, each line break (LF, CR, CR LF) as
// `br` (`<br>`, or `<br/>` when the HTML must be XML itself).
void AppendPlainAsHtml(std::string& out, std::string_view text, bool xhtml);
// Appends `<![CDATA[text]]>`, a `]]>` inside split across two sections.
void AppendCdata(std::string& out, std::string_view text);
// An XML name (NCName) made from `id`: ASCII letters, digits, '.', '-' and '_' kept,
// anything else as '_', a leading character that cannot start a name prefixed with
// "item_", cut to `maxLength` bytes. Uniqueness is the caller's.
std::string XmlNameFrom(std::string_view id, size_t maxLength);
