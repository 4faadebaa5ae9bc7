#include "util/TextFold.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <vector>

#include "util/StringUtil.h"
#include "util/TextFoldTables.h"

namespace {

using namespace textfold;

// Next code point of UTF-8 text; malformed or overlong sequences and surrogates give
// U+FFFD and consume one byte.
char32_t Decode(const std::string& s, size_t& i)
{
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
        ++i;
        return c;
    }
    const int extra = c >= 0xF5 ? -1 : c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC2 ? 1 : -1;
    if (extra < 0 || i + extra >= s.size()) {
        ++i;
        return 0xFFFD;
    }
    char32_t cp = c & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
        const unsigned char d = static_cast<unsigned char>(s[i + k]);
        if ((d & 0xC0) != 0x80) {
            ++i;
            return 0xFFFD;
        }
        cp = (cp << 6) | (d & 0x3F);
    }
    static const char32_t kMin[4] = {0, 0x80, 0x800, 0x10000};
    if (cp < kMin[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        return 0xFFFD;
    }
    i += extra + 1;
    return cp;
}

template <size_t N>
bool InRanges(const uint32_t (&table)[N][2], char32_t cp)
{
    auto it = std::upper_bound(std::begin(table), std::end(table), cp,
                               [](char32_t c, const uint32_t(&r)[2]) { return c < r[0]; });
    return it != std::begin(table) && cp <= (*(it - 1))[1];
}

int CombiningClass(char32_t cp)
{
    if (cp < 0x300) return 0;
    auto it = std::upper_bound(std::begin(kCombiningClass), std::end(kCombiningClass), cp,
                               [](char32_t c, const uint32_t(&r)[3]) { return c < r[0]; });
    if (it == std::begin(kCombiningClass) || cp > (*(it - 1))[1]) return 0;
    return static_cast<int>((*(it - 1))[2]);
}

bool IsSpace(char32_t cp) { return std::binary_search(std::begin(kSpace), std::end(kSpace), static_cast<uint32_t>(cp)); }

bool IsPunctuation(char32_t cp) { return InRanges(kPunctuation, cp); }

void AppendFolded(char32_t cp, std::vector<char32_t>& out)
{
    if (cp < 0x80) {
        out.push_back(cp >= 'A' && cp <= 'Z' ? cp + 32 : cp);
        return;
    }
    if (cp >= 0xAC00 && cp <= 0xD7A3) { // Hangul syllables decompose by arithmetic
        const char32_t s = cp - 0xAC00;
        out.push_back(0x1100 + s / 588);
        out.push_back(0x1161 + (s % 588) / 28);
        if (s % 28) out.push_back(0x11A7 + s % 28);
        return;
    }
    const uint32_t* key = std::lower_bound(std::begin(kFoldKeys), std::end(kFoldKeys), static_cast<uint32_t>(cp));
    if (key == std::end(kFoldKeys) || *key != cp) {
        out.push_back(cp);
        return;
    }
    const uint32_t value = kFoldValues[key - std::begin(kFoldKeys)];
    out.insert(out.end(), kFoldPool + (value >> 8), kFoldPool + (value >> 8) + (value & 0xFF));
}

} // namespace

std::string FoldForComparison(const std::string& utf8)
{
    std::vector<char32_t> chars;
    chars.reserve(utf8.size());
    bool plain = true; // only ASCII so far: no marks to order
    for (size_t i = 0; i < utf8.size();) {
        const char32_t cp = Decode(utf8, i);
        if (cp >= 0x80) plain = false;
        AppendFolded(cp, chars);
    }
    // Canonical ordering: each run of combining marks sorted by class, stably.
    if (!plain) {
        for (size_t i = 0; i < chars.size();) {
            if (CombiningClass(chars[i]) == 0) {
                ++i;
                continue;
            }
            size_t end = i;
            while (end < chars.size() && CombiningClass(chars[end]) != 0) ++end;
            std::stable_sort(chars.begin() + i, chars.begin() + end,
                             [](char32_t a, char32_t b) { return CombiningClass(a) < CombiningClass(b); });
            i = end;
        }
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
        AppendUtf8(out, chars[i]);
    }
    return out;
}
