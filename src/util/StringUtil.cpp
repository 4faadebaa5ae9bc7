#include "util/StringUtil.h"

namespace {

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

bool InRange(unsigned char b, unsigned char lo, unsigned char hi) { return b >= lo && b <= hi; }

} // namespace

std::string w2s(const std::u16string& text)
{
    std::string out;
    out.reserve(text.size());
    const size_t n = text.size();
    for (size_t i = 0; i < n; ++i) {
        char32_t u = text[i];
        if (u < 0x80) {
            out += static_cast<char>(u);
        } else if (u >= 0xD800 && u <= 0xDBFF && i + 1 < n && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            AppendUtf8(out, 0xFFFD); // unpaired surrogate
        } else {
            AppendUtf8(out, u);
        }
    }
    return out;
}

// Decodes with "maximal subpart" replacement: each invalid sequence, up to the byte
// where it stops being a valid prefix, becomes one U+FFFD.
std::u16string s2w(const std::string& bytes)
{
    std::u16string out;
    out.reserve(bytes.size());
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    const size_t n = bytes.size();
    size_t i = 0;
    while (i < n) {
        unsigned char b = s[i];
        if (b < 0x80) {
            out += static_cast<char16_t>(b);
            ++i;
            continue;
        }
        int len = 0;
        unsigned char lo = 0x80, hi = 0xBF;
        char32_t cp = 0;
        if (InRange(b, 0xC2, 0xDF)) { len = 2; cp = b & 0x1F; }
        else if (b == 0xE0) { len = 3; lo = 0xA0; cp = b & 0x0F; }
        else if (InRange(b, 0xE1, 0xEC) || InRange(b, 0xEE, 0xEF)) { len = 3; cp = b & 0x0F; }
        else if (b == 0xED) { len = 3; hi = 0x9F; cp = b & 0x0F; }
        else if (b == 0xF0) { len = 4; lo = 0x90; cp = b & 0x07; }
        else if (InRange(b, 0xF1, 0xF3)) { len = 4; cp = b & 0x07; }
        else if (b == 0xF4) { len = 4; hi = 0x8F; cp = b & 0x07; }
        if (len == 0) {
            out += u'\xFFFD';
            ++i;
            continue;
        }
        size_t j = i + 1;
        bool ok = true;
        for (int k = 1; k < len; ++k, ++j) {
            unsigned char c = j < n ? s[j] : 0;
            bool valid = j < n && (k == 1 ? InRange(c, lo, hi) : InRange(c, 0x80, 0xBF));
            if (!valid) { ok = false; break; }
            cp = (cp << 6) | (c & 0x3F);
        }
        if (!ok) {
            out += u'\xFFFD';
            i = j;
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
        i = j;
    }
    return out;
}

std::u16string DecimalW(unsigned long long value)
{
    std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}
