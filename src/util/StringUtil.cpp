#include "util/StringUtil.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

bool InRange(unsigned char b, unsigned char lo, unsigned char hi) { return b >= lo && b <= hi; }

// Writes one code point (at most U+10FFFF) as UTF-8 at `out`; returns the bytes written.
size_t EncodeUtf8(char32_t cp, char* out)
{
    if (cp < 0x80) {
        out[0] = static_cast<char>(cp);
        return 1;
    }
    size_t n = cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4;
    static const unsigned char kLead[5] = {0, 0, 0xC0, 0xE0, 0xF0};
    for (size_t k = n - 1; k > 0; --k, cp >>= 6) out[k] = static_cast<char>(0x80 | (cp & 0x3F));
    out[0] = static_cast<char>(kLead[n] | cp);
    return n;
}

} // namespace

std::string w2s(const std::u16string& text)
{
    const size_t n = text.size();
    const char16_t* in = text.data();
    // The exact size first: a text of tens of megabytes must not double its buffer. A
    // unit takes 1, 2 or 3 bytes; each half of a valid surrogate pair takes 2.
    size_t bytes = 0, surrogates = 0;
    for (size_t i = 0; i < n; ++i) {
        const char16_t u = in[i];
        bytes += 1 + (u >= 0x80) + (u >= 0x800);
        surrogates += (u & 0xF800) == 0xD800;
    }
    for (size_t i = 0; surrogates && i + 1 < n; ++i) {
        if (in[i] >= 0xD800 && in[i] <= 0xDBFF && in[i + 1] >= 0xDC00 && in[i + 1] <= 0xDFFF) {
            bytes -= 2;
            ++i;
        }
    }
    std::string out;
    out.reserve(bytes);
    char chunk[4096 + 4];
    size_t used = 0;
    for (size_t i = 0; i < n; ++i) {
        if (used >= 4096) {
            out.append(chunk, used);
            used = 0;
        }
        char32_t u = in[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < n && in[i + 1] >= 0xDC00 && in[i + 1] <= 0xDFFF) {
            u = 0x10000 + ((u - 0xD800) << 10) + (in[i + 1] - 0xDC00);
            ++i;
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            u = 0xFFFD; // unpaired surrogate
        }
        used += EncodeUtf8(u, chunk + used);
    }
    out.append(chunk, used);
    return out;
}

namespace {

// Decodes with "maximal subpart" replacement: each invalid sequence, up to the byte where
// it stops being a valid prefix, becomes one U+FFFD. With `crlf`, every line end (LF, CR
// or CR LF) comes out as CR LF.
std::u16string Decode(const std::string& bytes, bool crlf)
{
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    const size_t n = bytes.size();
    // Never more units than bytes, plus one for each line end that gains a CR or LF.
    size_t extra = 0;
    if (crlf) {
        extra = static_cast<size_t>(std::count(bytes.begin(), bytes.end(), '\n'));
        for (const char* cr = bytes.data(); (cr = static_cast<const char*>(std::memchr(cr, '\r', bytes.data() + n - cr))); ++cr)
            extra += (cr + 1 == bytes.data() + n || cr[1] != '\n') ? 1 : 0;
    }
    std::u16string out;
    out.reserve(n + extra);
    char16_t chunk[4096 + 4];
    char16_t* o = chunk;
    size_t i = 0;
    while (i < n) {
        if (o - chunk >= 4096) {
            out.append(chunk, static_cast<size_t>(o - chunk));
            o = chunk;
        }
        unsigned char b = s[i];
        if (b < 0x80) {
            if (crlf && (b == '\n' || b == '\r')) {
                *o++ = u'\r';
                *o++ = u'\n';
                i += (b == '\r' && i + 1 < n && s[i + 1] == '\n') ? 2 : 1;
            } else {
                *o++ = b;
                ++i;
            }
            continue;
        }
        char32_t cp = 0;
        size_t j = i;
        if (!DecodeUtf8(bytes, i, cp, j)) {
            *o++ = u'\xFFFD';
            i = j;
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            *o++ = static_cast<char16_t>(0xD800 + (cp >> 10));
            *o++ = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            *o++ = static_cast<char16_t>(cp);
        }
        i = j;
    }
    out.append(chunk, static_cast<size_t>(o - chunk));
    return out;
}

} // namespace

bool DecodeUtf8(std::string_view text, size_t i, char32_t& cp, size_t& next)
{
    const auto* s = reinterpret_cast<const unsigned char*>(text.data());
    const size_t n = text.size();
    const unsigned char b = s[i];
    next = i + 1;
    if (b < 0x80) {
        cp = b;
        return true;
    }
    int len = 0;
    unsigned char lo = 0x80, hi = 0xBF;
    if (InRange(b, 0xC2, 0xDF)) { len = 2; cp = b & 0x1F; }
    else if (b == 0xE0) { len = 3; lo = 0xA0; cp = b & 0x0F; }
    else if (InRange(b, 0xE1, 0xEC) || InRange(b, 0xEE, 0xEF)) { len = 3; cp = b & 0x0F; }
    else if (b == 0xED) { len = 3; hi = 0x9F; cp = b & 0x0F; }
    else if (b == 0xF0) { len = 4; lo = 0x90; cp = b & 0x07; }
    else if (InRange(b, 0xF1, 0xF3)) { len = 4; cp = b & 0x07; }
    else if (b == 0xF4) { len = 4; hi = 0x8F; cp = b & 0x07; }
    if (len == 0) return false;
    for (int k = 1; k < len; ++k) {
        if (next >= n || !(k == 1 ? InRange(s[next], lo, hi) : InRange(s[next], 0x80, 0xBF)))
            return false; // s[next] starts the next sequence
        cp = (cp << 6) | (s[next] & 0x3F);
        ++next;
    }
    return true;
}

bool IsValidUtf8(std::string_view text)
{
    char32_t cp = 0;
    for (size_t i = 0; i < text.size();) {
        if (static_cast<unsigned char>(text[i]) < 0x80) ++i;
        else if (!DecodeUtf8(text, i, cp, i)) return false;
    }
    return true;
}

std::u16string s2w(const std::string& bytes) { return Decode(bytes, false); }

std::string ValidUtf8(std::string bytes)
{
    if (IsValidUtf8(bytes)) return bytes; // moved, not copied
    return w2s(s2w(bytes));
}

std::u16string s2wCrlf(const std::string& bytes) { return Decode(bytes, true); }

std::u16string DecimalW(unsigned long long value)
{
    std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

std::string FirstUtf8Chars(std::string_view text, size_t chars)
{
    size_t i = 0;
    for (size_t n = 0; i < text.size() && n < chars; ++n) {
        ++i;
        while (i < text.size() && IsUtf8Continuation(text[i])) ++i;
    }
    return std::string(text.substr(0, i));
}

std::string CsvField(const std::string& text)
{
    std::string cell = text;
    if (!text.empty() && std::strchr("=+-@\t\r", text[0])) {
        char* end = nullptr;
        std::strtod(text.c_str(), &end);
        if (end != text.c_str() + text.size() || text[0] == '\t' || text[0] == '\r') cell = "'" + text;
    }
    if (!cell.empty() && cell.find_first_of(",\"\r\n") == std::string::npos) return cell;
    std::string out = "\"";
    for (char c : cell) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

size_t Utf8CharCount(std::string_view text)
{
    size_t n = 0;
    for (char c : text) n += !IsUtf8Continuation(c);
    return n;
}

void AppendUtf8(std::string& out, char32_t cp)
{
    char bytes[4];
    out.append(bytes, EncodeUtf8(cp, bytes));
}

std::string GroupedNumber(unsigned long long n)
{
    const std::string digits = std::to_string(n);
    std::string out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}
