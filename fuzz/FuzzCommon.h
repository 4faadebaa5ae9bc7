#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "model/JsonModel.h"
#include "util/StringUtil.h"

// Fuzz inputs arrive as file bytes: they go through the same conversion as a loaded file.
inline std::u16string FuzzText(const uint8_t* data, size_t size)
{
    return s2w(std::string(reinterpret_cast<const char*>(data), size));
}

inline bool FuzzLoad(const std::u16string& text, json& doc, std::vector<ImportIssue>* issues)
{
    std::u16string error;
    NoteList notes;
    return ParseAndValidateJson(text, doc, error, notes, issues);
}
