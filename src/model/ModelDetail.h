#pragma once
// Helpers shared by the model's own source files; not part of its interface.
#include <stdexcept>
#include <string>

#include "model/JsonModel.h"
#include "util/StringUtil.h"

namespace model_detail {

inline const char* const kOutcomes[3] = {"MLO", "CLO", "PLO"};
inline const char* const kOutcomesLower[3] = {"mlo", "clo", "plo"};

inline bool IsSpaceC(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

inline std::u16string U(const std::string& utf8) { return s2w(utf8); }

inline std::runtime_error TooDeep()
{
    return std::runtime_error("nesting depth exceeds the limit of " + std::to_string(kMaxJsonDepth) + " levels");
}

// The library reads a NUL byte as the end of the text and would silently drop whatever
// follows a complete value; no NUL is valid JSON text, so refuse it instead.
inline void RejectNulByte(const std::string& utf8)
{
    const size_t nul = utf8.find('\0');
    if (nul != std::string::npos)
        throw std::runtime_error("unexpected NUL byte at byte " + std::to_string(nul + 1) +
                                 "; the text after it would be lost");
}

inline bool HasArray(const json& value, const char* key)
{
    if (!value.is_object()) return false;
    auto it = value.find(key);
    return it != value.end() && it->is_array();
}

} // namespace model_detail

using namespace model_detail;
