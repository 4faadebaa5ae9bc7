// Exchange files from other tools' public repositories, each question checked against
// what the file says (and what the tool that made it reads from it), one case per file.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "app/BatchUi.h"
#include "formats/ImportFormats.h"
#include "TestUtil.h"

namespace {

struct RealFile {
    std::string file, format;
    json questions;
};

void PrintTo(const RealFile& f, std::ostream* os) { *os << f.file; }

std::vector<RealFile> LoadRealFiles()
{
    std::vector<RealFile> out;
    for (const char* list : {"expected-gift.json", "expected-other.json", "expected-teacher.json"}) {
        std::ifstream in(std::string(TEST_DATA_DIR) + "/import/real/" + list, std::ios::binary);
        if (!in) continue;
        std::stringstream text;
        text << in.rdbuf();
        const json doc = ParseJsonText(text.str());
        for (const json& f : doc["files"])
            out.push_back(RealFile{f["file"].get<std::string>(), f["format"].get<std::string>(), f["questions"]});
    }
    return out;
}

std::string CaseName(const testing::TestParamInfo<RealFile>& info)
{
    std::string name;
    for (char c : info.param.file) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
}

class RealFiles : public testing::TestWithParam<RealFile> {};

TEST_P(RealFiles, EveryQuestionComesInAsTheFileMeansIt)
{
    const RealFile& f = GetParam();
    ImportFormat format = ImportFormat::Auto;
    ASSERT_TRUE(ImportFormatFromKey(f.format, format)) << f.format;
    ImportedBank bank;
    std::string error;
    json kept = json::array();
    size_t leftOut = 0;
    for (const json& q : f.questions) {
        if (q.contains("left_out")) ++leftOut;
        else kept.push_back(q);
    }
    const bool ok = ImportBankFile(DataFile("import/real/" + f.file), format, bank, error);
    if (kept.empty()) {
        // Nothing a testbank holds: refused with the reason for each question.
        ASSERT_FALSE(ok);
        EXPECT_NE(error.find("Left out " + std::to_string(leftOut)), std::string::npos) << error;
        return;
    }
    ASSERT_TRUE(ok) << error;
    std::u16string why;
    NoteList notes;
    json doc;
    ASSERT_TRUE(ValidateTestbankDocument(std::move(bank.document), doc, why, notes, nullptr)) << U8(why);
    const json& items = doc["items"];
    ASSERT_EQ(items.size(), kept.size()) << bank.notes[0];
    size_t named = 0;
    for (const std::string& note : bank.notes) named += note.find(" is left out: ") != std::string::npos;
    EXPECT_EQ(named, leftOut) << bank.notes[0];
    for (size_t i = 0; i < kept.size(); ++i) {
        const json& want = kept[i];
        const json& got = items[i];
        SCOPED_TRACE("question " + std::to_string(i + 1) + " " + want.value("id", std::string()));
        EXPECT_EQ(got["type"], want["type"]);
        EXPECT_EQ(got["correct"], want["correct"]);
        if (want.contains("id")) EXPECT_EQ(got["id"], want["id"]);
        if (want.contains("question")) EXPECT_EQ(got["question"], want["question"]);
        if (want.contains("tolerance")) EXPECT_EQ(got.value("tolerance", json()), want["tolerance"]);
        if (want.contains("category")) EXPECT_EQ(got["category"], want["category"]);
        if (want.contains("choices")) {
            std::vector<std::string> choices;
            for (const auto& [letter, text] : got["choices"].items()) choices.push_back(text.get<std::string>());
            while (choices.size() > want["choices"].size() && choices.back().empty()) choices.pop_back();
            EXPECT_EQ(json(choices), want["choices"]);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Import, RealFiles, testing::ValuesIn(LoadRealFiles()), CaseName);

} // namespace
