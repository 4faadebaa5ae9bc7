#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "formats/ImportFormats.h"
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

// Imports the bytes as `format`: a refusal must say why, and whatever is read must load as
// a testbank (import makes IDs unique and items objects) and dump.
inline void FuzzImport(const std::string& bytes, ImportFormat format)
{
    ImportedBank bank;
    std::string error;
    if (!ImportBankBytes(bytes, u"fuzz.txt", format, bank, error)) {
        if (error.empty()) __builtin_trap();
        return;
    }
    json document;
    std::u16string loadError;
    NoteList notes;
    std::vector<ImportIssue> issues;
    if (!ValidateTestbankDocument(std::move(bank.document), document, loadError, notes, &issues)) __builtin_trap();
    DumpJsonForRawView(document);
}
