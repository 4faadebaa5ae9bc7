#pragma once
#include <string>
#include <vector>

#include "model/JsonModel.h"

// A successful load of UTF-8 JSON text; the test fails when it does not load.
struct Loaded {
    json doc;
    NoteList notes;
    std::vector<ImportIssue> issues;
};
Loaded LoadOk(const std::string& text);
// The error text of a load that must fail.
std::string LoadError(const std::string& text);
std::string U8(const std::u16string& text);
std::vector<std::string> U8(const NoteList& notes);
// A fresh, empty folder for one test.
std::u16string TempDir(const std::string& name);
std::string ReadBytes(const std::u16string& path);
void WriteBytes(const std::u16string& path, const std::string& bytes);
std::u16string Join(const std::u16string& dir, const std::string& name);
std::u16string DataFile(const std::string& name);
