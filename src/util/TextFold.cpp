#include "util/TextFold.h"

#include <cstdlib>
#include <new>
#include <vector>

#include <utf8proc.h>

#include "util/StringUtil.h"

namespace {

// The project's rule beyond NFKC_Casefold: every format character (Cf) goes, with the
// combining grapheme joiner and the variation selectors.
bool IsDropped(utf8proc_int32_t cp)
{
    return utf8proc_category(cp) == UTF8PROC_CATEGORY_CF || cp == 0x034F || (cp >= 0x180B && cp <= 0x180D) ||
           (cp >= 0xFE00 && cp <= 0xFE0F) || (cp >= 0xE0100 && cp <= 0xE01EF);
}

bool IsSpace(utf8proc_int32_t cp)
{
    if (cp < 0x80) return cp == ' ' || (cp >= 0x09 && cp <= 0x0D) || (cp >= 0x1C && cp <= 0x1F);
    const utf8proc_category_t c = utf8proc_category(cp);
    return cp == 0x85 || c == UTF8PROC_CATEGORY_ZS || c == UTF8PROC_CATEGORY_ZL || c == UTF8PROC_CATEGORY_ZP;
}

bool IsPunctuation(utf8proc_int32_t cp)
{
    const utf8proc_category_t c = utf8proc_category(cp);
    return c >= UTF8PROC_CATEGORY_PC && c <= UTF8PROC_CATEGORY_PO;
}

// The code points of the text, a malformed sequence as U+FFFD.
std::vector<utf8proc_int32_t> Decode(const std::string& s)
{
    std::vector<utf8proc_int32_t> out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        char32_t cp = 0;
        if (!DecodeUtf8(s, i, cp, i)) cp = 0xFFFD;
        out.push_back(static_cast<utf8proc_int32_t>(cp));
    }
    return out;
}

} // namespace

std::string FoldForComparison(const std::string& utf8)
{
    std::vector<utf8proc_int32_t> chars;
    bool ascii = true;
    for (char c : utf8) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
    if (ascii) {
        // NFKC and case folding of ASCII: lower case letters, nothing else.
        chars.reserve(utf8.size());
        for (char c : utf8) chars.push_back(c >= 'A' && c <= 'Z' ? c + 32 : c);
    } else {
        std::vector<utf8proc_int32_t> decoded = Decode(utf8);
        std::vector<utf8proc_int32_t> kept;
        kept.reserve(decoded.size());
        for (utf8proc_int32_t cp : decoded)
            if (!IsDropped(cp)) kept.push_back(cp);
        const int options = UTF8PROC_STABLE | UTF8PROC_COMPOSE | UTF8PROC_COMPAT | UTF8PROC_CASEFOLD | UTF8PROC_IGNORE;
        std::string sanitized;
        for (utf8proc_int32_t cp : kept) AppendUtf8(sanitized, static_cast<char32_t>(cp));
        // Decomposed into a buffer of our own, grown to the size asked for: the library's
        // own sizing pass does pointer arithmetic on a null buffer.
        std::vector<utf8proc_int32_t> buffer(sanitized.size() * 2 + 8);
        utf8proc_ssize_t length = 0;
        for (;;) {
            length = utf8proc_decompose(reinterpret_cast<const utf8proc_uint8_t*>(sanitized.data()),
                                        static_cast<utf8proc_ssize_t>(sanitized.size()), buffer.data(),
                                        static_cast<utf8proc_ssize_t>(buffer.size()),
                                        static_cast<utf8proc_option_t>(options));
            if (length < 0) throw std::bad_alloc(); // the input is valid UTF-8: only memory can fail
            if (static_cast<size_t>(length) <= buffer.size()) break;
            buffer.resize(static_cast<size_t>(length));
        }
        length = utf8proc_normalize_utf32(buffer.data(), length, static_cast<utf8proc_option_t>(options));
        if (length < 0) throw std::bad_alloc();
        chars.clear();
        for (utf8proc_ssize_t i = 0; i < length; ++i)
            if (!IsDropped(buffer[i])) chars.push_back(buffer[i]);
    }
    size_t begin = 0, end = chars.size();
    while (begin < end && (IsSpace(chars[begin]) || IsPunctuation(chars[begin]))) ++begin;
    while (end > begin && (IsSpace(chars[end - 1]) || IsPunctuation(chars[end - 1]))) --end;
    std::string out;
    out.reserve(end - begin);
    bool pendingSpace = false;
    for (size_t i = begin; i < end; ++i) {
        if (IsSpace(chars[i])) {
            pendingSpace = true;
            continue;
        }
        if (pendingSpace) out += ' ';
        pendingSpace = false;
        AppendUtf8(out, static_cast<char32_t>(chars[i]));
    }
    return out;
}
