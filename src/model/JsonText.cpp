#include <algorithm>

#include "model/ModelDetail.h"

namespace {

// Builds the document like the library's own parser, but refuses nesting deeper than
// kMaxJsonDepth as soon as it is reached, before any value that deep exists.
class BoundedDomBuilder : public nlohmann::detail::json_sax_dom_parser<json> {
public:
    using Base = nlohmann::detail::json_sax_dom_parser<json>;
    explicit BoundedDomBuilder(json& root) : Base(root, true) {}
    bool start_object(std::size_t len) { return Enter() && Base::start_object(len); }
    bool start_array(std::size_t len) { return Enter() && Base::start_array(len); }
    bool end_object() { return --depth_, Base::end_object(); }
    bool end_array() { return --depth_, Base::end_array(); }

private:
    bool Enter()
    {
        if (++depth_ > kMaxJsonDepth) throw TooDeep();
        return true;
    }
    size_t depth_ = 0;
};

} // namespace

json ParseJsonText(const std::string& utf8)
{
    json result;
    BoundedDomBuilder builder(result);
    json::sax_parse(utf8, &builder, json::input_format_t::json, true, true);
    RejectNulByte(utf8);
    return result;
}

namespace {

// The library's message for a syntax error, in words: what is wrong at the place it names.
const char* DescribeSyntaxError(const std::string& what, bool atEnd)
{
    auto has = [&](const char* part) { return what.find(part) != std::string::npos; };
    if (has("missing closing quote")) return "a text in double quotes is not closed";
    if (has("control character")) return "a text holds a line break or control character (write it as \\n)";
    if (has("ill-formed UTF-8") || has("invalid string")) return "a text holds a character that is not allowed";
    if (has("invalid BOM")) return "the text is not UTF-8 (save the file as UTF-8)";
    if (has("invalid number")) return "a number is not written correctly";
    if (has("invalid comment") || has("comment")) return "a comment is not closed";
    if (atEnd || has("unexpected end of input")) return "the text ends before the testbank is complete";
    if (has("; expected end of input")) return "more text follows the end of the testbank";
    // "unexpected X; expected Y": Y is what was missing.
    if (has("; expected string literal")) return "a name in double quotes is expected";
    if (has("; expected ':'")) return "a colon is missing after a name";
    if (has("; expected '}'")) return "a comma or closing brace is missing";
    if (has("; expected ']'")) return "a comma or closing bracket is missing";
    if (has("invalid literal")) return "a value is not valid (texts need double quotes)";
    return "a value is expected";
}

// The library's "[json.exception.kind.N] " prefix off a message.
std::string WithoutLibraryPrefix(const std::string& what)
{
    if (what.rfind("[json.exception.", 0) != 0) return what;
    const size_t close = what.find("] ");
    return close == std::string::npos ? what : what.substr(close + 2);
}

} // namespace

std::u16string DescribeJsonError(const std::exception& error, const std::string& utf8, JsonErrorPlace* place)
{
    const auto* parse = dynamic_cast<const json::parse_error*>(&error);
    if (!parse || parse->byte == 0) return s2w(WithoutLibraryPrefix(error.what()));
    // `byte` counts from 1 and names the last byte read; past the end at the end of input.
    const size_t at = std::min(parse->byte - 1, utf8.size());
    size_t line = 1, column = 1, offset = 0;
    for (size_t i = 0; i < at; ++i) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        if (IsUtf8Continuation(utf8[i])) continue; // continuation bytes belong to their character
        offset += c >= 0xF0 ? 2 : 1; // UTF-16 units
        if (c == '\n') {
            ++line;
            column = 1;
        } else if (c != '\r') {
            ++column;
        }
    }
    if (place) *place = JsonErrorPlace{true, line, column, offset};
    return u"line " + DecimalW(line) + u", column " + DecimalW(column) + u": " +
           s2w(DescribeSyntaxError(error.what(), at >= utf8.size()));
}

std::string JsonText(const json& value) { return value.dump(-1, ' ', false, json::error_handler_t::strict); }

std::string ScalarText(const json& value)
{
    if (value.is_string()) return value.get<std::string>();
    if (value.is_number() || value.is_boolean()) return JsonText(value);
    return "";
}

std::string FieldText(const json& object, const char* key)
{
    if (!object.is_object()) return "";
    auto it = object.find(key);
    return it == object.end() ? std::string() : ScalarText(*it);
}

std::string DumpIndented(const json& value, int indent)
{
    return value.dump(indent, ' ', false, json::error_handler_t::strict);
}


std::string ToLowerAscii(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

bool IsBlank(const std::string& text)
{
    for (unsigned char c : text)
        if (!IsSpaceC(c)) return false;
    return true;
}

std::string NormalizeTextForComparison(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    bool pendingSpace = false;
    for (unsigned char c : text) {
        if (IsSpaceC(c)) {
            pendingSpace = !out.empty();
            continue;
        }
        if (pendingSpace) out += ' ';
        pendingSpace = false;
        out += static_cast<char>(c);
    }
    return ToLowerAscii(std::move(out));
}

bool FindKeyCaseInsensitive(const json& value, const std::string& lowerName, std::string& foundKey)
{
    if (!value.is_object()) return false;
    for (auto it = value.begin(); it != value.end(); ++it) {
        const std::string& key = it.key();
        if (key.size() != lowerName.size()) continue;
        bool same = true;
        for (size_t i = 0; same && i < key.size(); ++i) {
            const char c = key[i];
            same = (c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) == lowerName[i];
        }
        if (same) {
            foundKey = key;
            return true;
        }
    }
    return false;
}
