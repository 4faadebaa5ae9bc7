#include "util/StringUtil.h"

#include <algorithm>
#include <cstring>

namespace {

bool InRange(unsigned char b, unsigned char lo, unsigned char hi) { return b >= lo && b <= hi; }

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
        if (u < 0x80) {
            chunk[used++] = static_cast<char>(u);
            continue;
        }
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < n && in[i + 1] >= 0xDC00 && in[i + 1] <= 0xDFFF) {
            u = 0x10000 + ((u - 0xD800) << 10) + (in[i + 1] - 0xDC00);
            ++i;
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            u = 0xFFFD; // unpaired surrogate
        }
        if (u < 0x800) {
            chunk[used++] = static_cast<char>(0xC0 | (u >> 6));
        } else {
            if (u < 0x10000) {
                chunk[used++] = static_cast<char>(0xE0 | (u >> 12));
            } else {
                chunk[used++] = static_cast<char>(0xF0 | (u >> 18));
                chunk[used++] = static_cast<char>(0x80 | ((u >> 12) & 0x3F));
            }
            chunk[used++] = static_cast<char>(0x80 | ((u >> 6) & 0x3F));
        }
        chunk[used++] = static_cast<char>(0x80 | (u & 0x3F));
    }
    out.append(chunk, used);
    return out;
}

namespace {

// The sequence starting at s[i] (a byte of 0x80 or more): true with its code point and
// the index after it when it is valid UTF-8; else false with `next` where it stops being
// a valid prefix (the "maximal subpart" a replacement character stands for).
bool DecodeSequence(const unsigned char* s, size_t i, size_t n, char32_t& cp, size_t& next)
{
    const unsigned char b = s[i];
    int len = 0;
    unsigned char lo = 0x80, hi = 0xBF;
    if (InRange(b, 0xC2, 0xDF)) { len = 2; cp = b & 0x1F; }
    else if (b == 0xE0) { len = 3; lo = 0xA0; cp = b & 0x0F; }
    else if (InRange(b, 0xE1, 0xEC) || InRange(b, 0xEE, 0xEF)) { len = 3; cp = b & 0x0F; }
    else if (b == 0xED) { len = 3; hi = 0x9F; cp = b & 0x0F; }
    else if (b == 0xF0) { len = 4; lo = 0x90; cp = b & 0x07; }
    else if (InRange(b, 0xF1, 0xF3)) { len = 4; cp = b & 0x07; }
    else if (b == 0xF4) { len = 4; hi = 0x8F; cp = b & 0x07; }
    next = i + 1;
    if (len == 0) return false;
    for (int k = 1; k < len; ++k) {
        if (next >= n || !(k == 1 ? InRange(s[next], lo, hi) : InRange(s[next], 0x80, 0xBF)))
            return false; // s[next] starts the next sequence
        cp = (cp << 6) | (s[next] & 0x3F);
        ++next;
    }
    return true;
}

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
        if (!DecodeSequence(s, i, n, cp, j)) {
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

std::u16string s2w(const std::string& bytes) { return Decode(bytes, false); }

std::string ValidUtf8(std::string bytes)
{
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    const size_t n = bytes.size();
    for (size_t i = 0; i < n;) {
        if (s[i] < 0x80) {
            ++i;
            continue;
        }
        char32_t cp = 0;
        if (!DecodeSequence(s, i, n, cp, i)) return w2s(s2w(bytes));
    }
    return bytes;
}

std::u16string s2wCrlf(const std::string& bytes) { return Decode(bytes, true); }

std::u16string DecimalW(unsigned long long value)
{
    std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

std::string FirstUtf8Chars(const std::string& text, size_t chars)
{
    size_t i = 0;
    for (size_t n = 0; i < text.size() && n < chars; ++n) {
        ++i;
        while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) ++i;
    }
    return text.substr(0, i);
}

void AppendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}
