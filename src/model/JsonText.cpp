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

std::string JsonText(const json& value) { return value.dump(-1, ' ', false, json::error_handler_t::strict); }

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
