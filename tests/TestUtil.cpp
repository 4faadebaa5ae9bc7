#include "TestUtil.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "util/StringUtil.h"

namespace fs = std::filesystem;

Loaded LoadOk(const std::string& text)
{
    Loaded l;
    std::u16string error;
    EXPECT_TRUE(ParseAndValidateJson(s2w(text), l.doc, error, l.notes, &l.issues)) << w2s(error);
    return l;
}

std::string LoadError(const std::string& text)
{
    json doc = "untouched";
    std::u16string error;
    NoteList notes;
    EXPECT_FALSE(ParseAndValidateJson(s2w(text), doc, error, notes, nullptr));
    EXPECT_EQ(doc, json("untouched"));
    return w2s(error);
}

std::string U8(const std::u16string& text) { return w2s(text); }

std::vector<std::string> U8(const NoteList& notes)
{
    std::vector<std::string> out;
    for (const auto& n : notes) out.push_back(w2s(n));
    return out;
}

std::u16string TempDir(const std::string& name)
{
    fs::path dir = fs::temp_directory_path() / ("testbank-tests-" + name);
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir.u16string();
}

std::string ReadBytes(const std::u16string& path)
{
    std::ifstream in(fs::path(path), std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void WriteBytes(const std::u16string& path, const std::string& bytes)
{
    std::ofstream out(fs::path(path), std::ios::binary);
    out << bytes;
}

std::u16string Join(const std::u16string& dir, const std::string& name)
{
    return (fs::path(dir) / fs::path(s2w(name))).u16string();
}

std::u16string DataFile(const std::string& name) { return Join(s2w(TEST_DATA_DIR), name); }
