// Measures each stage of what the editor does on generated testbanks, as ratios to the
// JSON library alone on the same bytes. Run by bench/run.sh; not a test.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "../tests/PlantedBank.h"
#include "app/BatchUi.h"
#include "dupes/DupesLogic.h"
#include "editor/EditorForm.h"
#include "cli/TestbankCli.h"
#include "export/ExamSelection.h"
#include "formats/ExamFormats.h"
#include "formats/ImportFormats.h"
#include "model/JsonModel.h"
#include "util/FileUtil.h"
#include "util/StringUtil.h"
#include "util/Zip.h"

#include <expat.h>

namespace {

// ---- Generator: mixed types with a share of loose input ----

std::string Quote(const std::string& s) { return json(s).dump(); }

std::string MakeItem(std::mt19937& rng, size_t i, const std::string& idPrefix)
{
    auto pick = [&](int n) { return static_cast<int>(rng() % n); };
    std::vector<std::string> fields;
    const int idKind = pick(20);
    if (idKind == 0) {
        // missing id
    } else if (idKind == 1) {
        fields.push_back("\"id\": " + std::to_string(1000000 + i));
    } else {
        fields.push_back("\"id\": " + Quote(idPrefix + std::to_string(i)));
    }
    static const char* mcTypes[] = {"multiple_choice", "MC", "Multiple Choice", "mcq"};
    static const char* tfTypes[] = {"true_false", "tf", "True/False"};
    static const char* numTypes[] = {"numerical", "numeric", "Number"};
    const std::string question = "Question " + std::to_string(i) + ": what is the value of x\u00b2 when x = " +
                                 std::to_string(i % 97) + "? Explain the steps in a sentence or two.";
    fields.push_back("\"question\": " + Quote(question));
    fields.push_back("\"category\": " + Quote("Chapter " + std::to_string(i % 12)));
    switch (pick(5)) {
    case 0:
    case 1:
        fields.push_back(std::string("\"type\": ") + Quote(mcTypes[pick(4)]));
        fields.push_back(R"("choices": {"A": "first answer", "B": "second answer", "C": "third answer", "D": "fourth"})");
        fields.push_back(std::string("\"correct\": ") + (pick(2) ? "\"b\"" : "\"C\""));
        break;
    case 2:
        fields.push_back(std::string("\"type\": ") + Quote(tfTypes[pick(3)]));
        fields.push_back(std::string("\"correct\": ") + (pick(2) ? "false" : "\"yes\""));
        break;
    case 3:
        fields.push_back(std::string("\"type\": ") + Quote(numTypes[pick(3)]));
        fields.push_back(pick(2) ? "\"answer\": 42.5" : "\"answer\": \"17\"");
        break;
    default:
        if (pick(2)) {
            fields.push_back(R"("type": "algorithmic", "algorithm": {"template": "What is {a}+{b}?", "correct_formula": "a+b",
                "choice_count": 4, "parameters": {"a": [1, 9], "b": [1, 9]}})");
        } else {
            fields.push_back(R"("type": "essay", "answer": "free text")"); // unrecognised: inferred
        }
    }
    switch (pick(4)) {
    case 0: fields.push_back(R"("objectives": {"MLO": "MLO-3", "CLO": "CLO-1", "PLO": "PLO-2"})"); break;
    case 1: fields.push_back(R"("objectives": {"mlo": "", "clo": "CLO-2", "PLO": "clo-2 "})"); break;
    case 2: fields.push_back(R"("MLO": "MLO-1", "objectives": {"CLO": "CLO-4"})"); break;
    default: fields.push_back(R"("objective": "Solve equations")"); break;
    }
    std::shuffle(fields.begin(), fields.end(), rng);
    std::string out = "{";
    for (size_t f = 0; f < fields.size(); ++f) out += (f ? ", " : "") + fields[f];
    return out + "}";
}

std::string MakeBank(size_t items, unsigned seed, const std::string& idPrefix)
{
    std::mt19937 rng(seed);
    std::string out = "{\"title\": \"Generated bank\", \"items\": [\n";
    for (size_t i = 0; i < items; ++i) out += (i ? ",\n  " : "  ") + MakeItem(rng, i, idPrefix);
    return out + "\n]}\n";
}

// The same N items as MakeBank(N, 7, "Q") written whole to DIR/whole.json and cut in K
// files DIR/part-1.json... in order: Open && Merge of the parts gives the whole bank.
int WriteParts(size_t items, size_t parts, const std::string& dir)
{
    std::mt19937 rng(7);
    std::string whole = "{\"title\": \"Generated bank\", \"items\": [\n", part;
    size_t written = 0;
    for (size_t p = 0; p < parts; ++p) {
        const size_t end = items * (p + 1) / parts;
        part = "{\"title\": \"Generated bank\", \"items\": [\n";
        for (size_t i = written; i < end; ++i) {
            const std::string item = MakeItem(rng, i, "Q");
            whole += (i ? ",\n  " : "  ") + item;
            part += (i > written ? ",\n  " : "  ") + item;
        }
        written = end;
        if (!WriteFileBytesSafely(s2w(dir + "/part-" + std::to_string(p + 1) + ".json"), part + "\n]}\n")) return 1;
    }
    return WriteFileBytesSafely(s2w(dir + "/whole.json"), whole + "\n]}\n") ? 0 : 1;
}

// ---- Timing ----

// Best of `repeats` runs of `work`; `setup` runs untimed before each (it frees what the
// previous run made, so no stage is charged for releasing its predecessor's result).
double Seconds(const std::function<void()>& work, int repeats, const std::function<void()>& setup = [] {})
{
    double best = 1e9;
    for (int r = 0; r < repeats; ++r) {
        setup();
        auto start = std::chrono::steady_clock::now();
        work();
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

long PeakKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// ---- Stages, run on one file ----

struct Stages {
    std::map<std::string, double> seconds;
};

std::u16string Path(const std::string& p) { return s2w(p); }

Stages Measure(const std::string& file, int repeats)
{
    Stages s;
    std::string bytes;
    ReadFileBytes(Path(file), bytes);
    json floorDoc;
    s.seconds["floor"] = Seconds([&] {
        floorDoc = json::parse(bytes);
        floorDoc.dump(2);
    }, repeats, [&] { floorDoc = json(); });
    floorDoc = json();

    std::u16string text;
    s.seconds["read"] = Seconds([&] { text = LoadFileText(Path(file)); }, repeats, [&] { text = std::u16string(); });
    json doc;
    NoteList notes;
    std::vector<ImportIssue> issues;
    s.seconds["parse+validate"] = Seconds([&] {
        std::u16string error;
        ParseAndValidateJson(text, doc, error, notes, &issues);
    }, repeats, [&] { doc = json(); });
    std::u16string raw;
    s.seconds["dump"] = Seconds([&] { raw = DumpJsonForRawView(doc); }, repeats, [&] { raw = std::u16string(); });
    g_validationWarnings = notes;
    std::u16string listing;
    s.seconds["formatted view"] = Seconds([&] { listing = FormatTestbankJson(raw); }, repeats,
                                          [&] { listing = std::u16string(); });
    s.seconds["open (all four)"] =
        s.seconds["read"] + s.seconds["parse+validate"] + s.seconds["dump"] + s.seconds["formatted view"];

    json first = json::object(), second = json::object();
    first["items"] = json::array();
    second["items"] = json::array();
    const json& items = doc["items"];
    // The second half takes the first half's IDs: every incoming item clashes and gets a suffix.
    const size_t half = items.size() / 2;
    for (size_t i = 0; i < items.size(); ++i) {
        if (i < half) {
            first["items"].push_back(items[i]);
        } else {
            json clash = items[i];
            clash["id"] = items[i - half]["id"];
            second["items"].push_back(std::move(clash));
        }
    }
    std::vector<ImportIssue> mergeIssues;
    s.seconds["merge half into half"] = Seconds([&] {
        std::u16string error;
        MergeParsedJsonIntoCurrent(json(second), error, &mergeIssues);
    }, repeats, [&] {
        g_jsonDoc = first;
        mergeIssues = issues;
    });
    g_jsonDoc = json();

    std::set<std::string> all;
    for (const json& item : items) all.insert(item["id"].get<std::string>());
    s.seconds["exam of every item"] = Seconds([&] { SerializeExam(BuildExam(doc, all)); }, repeats);
    g_validationWarnings.clear();
    const std::string out = file + ".saved";
    s.seconds["save"] = Seconds([&] { SaveFileText(Path(out), raw); }, repeats);
    std::remove(out.c_str());
    return s;
}

// Peak memory of one stage, in a process of its own (called as: --peak WHAT FILE).
int PeakMode(const std::string& what, const std::string& file)
{
    const long base = PeakKb();
    std::string bytes;
    ReadFileBytes(Path(file), bytes);
    if (what == "floor") {
        std::string dumped = json::parse(bytes).dump(2);
    } else if (what == "open") {
        bytes.clear();
        bytes.shrink_to_fit();
        BatchUi ui; // File > Open as the editor runs it, the view's text kept as the control keeps it
        ui.openPaths.push_back(Path(file));
        CmdOpen(ui, nullptr);
        ui.ReadViewText();
    }
    std::printf("%ld %ld\n", base, PeakKb());
    return 0;
}

long PeakOf(const char* self, const std::string& what, const std::string& file)
{
    const std::string command = std::string(self) + " --peak " + what + " '" + file + "'";
    FILE* p = popen(command.c_str(), "r");
    long base = 0, peak = 0;
    if (p && std::fscanf(p, "%ld %ld", &base, &peak) != 2) peak = 0;
    if (p) pclose(p);
    return peak; // KB, the whole process
}

struct ImportTimes {
    double import, raw, shared;
};

// File > Import of a file against `testbank raw` of the bank it gives, in seconds: the best
// of five each, taken in turn, so that the machine's drift during the run falls on both.
ImportTimes ImportVersusRaw(const std::string& file, const std::string& bankFile)
{
    std::u16string raw;
    std::string error;
    auto import = [&] {
        std::string bytes;
        ReadFileBytes(Path(file), bytes);
        ImportedBank bank;
        if (!ImportBankBytes(bytes, Path(file), ImportFormat::Auto, bank, error))
            std::printf("  (%s: %s)\n", file.c_str(), error.c_str());
        json doc;
        std::u16string loadError;
        NoteList notes;
        ValidateTestbankDocument(std::move(bank.document), doc, loadError, notes, nullptr);
        raw = DumpJsonForRawView(doc);
    };
    auto open = [&] {
        const std::u16string text = LoadFileText(Path(bankFile));
        json doc;
        std::u16string error;
        NoteList notes;
        ParseAndValidateJson(text, doc, error, notes, nullptr);
        raw = DumpJsonForRawView(doc);
    };
    // What both do after reading: validating the bank and dumping it.
    json parsed;
    auto shared = [&] {
        json doc;
        std::u16string loadError;
        NoteList notes;
        ValidateTestbankDocument(json(parsed), doc, loadError, notes, nullptr);
        raw = DumpJsonForRawView(doc);
    };
    import();
    SaveFileText(Path(bankFile), raw);
    parsed = json::parse(w2s(raw));
    double bestImport = 1e9, bestOpen = 1e9, bestShared = 1e9;
    for (int round = 0; round < 5; ++round) {
        bestImport = std::min(bestImport, Seconds(import, 1));
        bestOpen = std::min(bestOpen, Seconds(open, 1));
        bestShared = std::min(bestShared, Seconds(shared, 1));
    }
    return {bestImport, bestOpen, bestShared};
}

// What the libraries alone take over an XML import's bytes, in seconds: every entry of a
// package inflated, and expat over every XML file with no handlers. 0 for other formats.
double XmlLibraryFloor(const std::string& file)
{
    std::string bytes;
    ReadFileBytes(Path(file), bytes);
    const bool zip = bytes.compare(0, 2, "PK") == 0;
    if (!zip && bytes.compare(0, 5, "<?xml") != 0) return 0;
    return Seconds([&] {
        XML_Parser parser = XML_ParserCreate(nullptr); // one, reset for each file, as the import does
        auto parse = [&](const std::string& xml) {
            XML_ParserReset(parser, nullptr);
            XML_Parse(parser, xml.data(), static_cast<int>(xml.size()), 1);
        };
        ZipReader reader;
        std::string error, entry;
        if (!zip) parse(bytes);
        else if (reader.Open(bytes, error))
            for (size_t i = 0; i < reader.Count(); ++i)
                if (reader.Read(i, entry, error)) parse(entry);
        XML_ParserFree(parser);
    }, 3);
}

// The 100k bank as a spreadsheet would save it.
std::string CsvOf(const json& doc)
{
    auto field = [](const json& v) {
        std::string text = v.is_string() ? v.get<std::string>() : v.is_null() ? "" : v.dump();
        std::string out = "\"";
        for (char c : text) out += c == '"' ? std::string("\"\"") : std::string(1, c);
        return out + "\"";
    };
    std::string out = "id,type,category,question,A,B,C,D,correct,answer,MLO,CLO,PLO\r\n";
    for (const json& item : doc["items"]) {
        const json choices = item.value("choices", json::object());
        out += field(item["id"]) + "," + field(item["type"]) + "," + field(item["category"]) + "," +
               field(item["question"]);
        for (const char* letter : {"A", "B", "C", "D"}) out += "," + field(choices.value(letter, json("")));
        out += "," + field(item.value("correct", json(""))) + "," + field(item.value("answer", json("")));
        for (const char* key : {"MLO", "CLO", "PLO"}) out += "," + field(item["objectives"].value(key, json("")));
        out += "\r\n";
    }
    return out;
}

// Recall of the duplicate search in a bank of `n` items: of the planted pairs that score at
// least the threshold when compared alone, how many the search of the whole bank groups.
int RecallMode(size_t n, bool templated)
{
    const PlantedBank bank = MakePlantedBank(n * 10 / 11, 10, 7, templated);
    json doc;
    std::u16string error;
    NoteList notes;
    if (!ValidateTestbankDocument(json(bank.document), doc, error, notes, nullptr)) return 1;
    std::vector<DupeEntry> entries;
    AddDocumentEntries(doc, 0, entries);
    const auto started = std::chrono::steady_clock::now();
    const std::vector<DupeGroup> groups = FindDuplicateGroups(entries, kDefaultDupeThreshold);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::map<std::string, size_t> groupOf, entryOf;
    for (size_t g = 0; g < groups.size(); ++g)
        for (size_t m : groups[g].members) groupOf[entries[m].id] = g;
    for (size_t i = 0; i < entries.size(); ++i) entryOf[entries[i].id] = i;
    size_t alone = 0, found = 0;
    for (const Plant& p : bank.plants) {
        const size_t a = entryOf.at(p.baseId), b = entryOf.at(p.plantId);
        if (ItemSimilarity(entries[a].content, entries[b].content) + 1e-12 < kDefaultDupeThreshold) continue;
        ++alone;
        auto ga = groupOf.find(p.baseId), gb = groupOf.find(p.plantId);
        found += ga != groupOf.end() && gb != groupOf.end() && ga->second == gb->second;
    }
    std::printf("  %-9s %6zu items: %zu planted pairs at %.2f or more alone, %zu found in the bank (%zu missed), %.2f s\n",
                templated ? "templated" : "free", n, alone, kDefaultDupeThreshold, found, alone - found, seconds);
    return 0;
}

} // namespace

// Import: a 40k-item Moodle XML and CSV (near the most one import reads: a Moodle XML
// file takes some 90 XML nodes a question), against `testbank raw` of the bank each gives.
void ImportSection(const std::string& dir, const std::string& big)
{
    json doc;
    std::u16string error;
    NoteList notes;
    ParseAndValidateJson(LoadFileText(Path(big)), doc, error, notes, nullptr);
    doc["items"].erase(doc["items"].begin() + 40000, doc["items"].end());
    const std::string moodle = dir + "/bank-40000.moodle.xml", csv = dir + "/bank-40000.csv",
                      gift = dir + "/bank-40000.gift", qti21 = dir + "/bank-40000.qti21.zip",
                      qti12 = dir + "/bank-40000.qti12.zip";
    WriteFileBytesSafely(Path(moodle), WriteExamAs(ExamFormat::Moodle, doc).bytes);
    WriteFileBytesSafely(Path(gift), WriteExamAs(ExamFormat::Gift, doc).bytes);
    WriteFileBytesSafely(Path(qti21), WriteExamAs(ExamFormat::Qti21, doc).bytes);
    WriteFileBytesSafely(Path(qti12), WriteExamAs(ExamFormat::Qti12, doc).bytes);
    WriteFileBytesSafely(Path(csv), CsvOf(doc));
    std::printf("\nImport of 40k items, as a ratio to `testbank raw` of the bank it gives (aim: <= 2). Beside it,\n"
                "as ratios to raw, on one thread: validating and dumping the bank (raw does it too), and the\n"
                "libraries alone over the file's bytes (unzip, expat without handlers):\n");
    for (const auto& [name, file] :
         {std::pair<const char*, std::string>{"Moodle XML", moodle}, {"GIFT", gift}, {"QTI 2.1", qti21},
          {"QTI 1.2", qti12}, {"CSV", csv}}) {
        const auto [import, raw, shared] = ImportVersusRaw(file, file + ".bank.json");
        const double floor = XmlLibraryFloor(file);
        std::printf("  %-10s %6.2f   (import %.3f s, raw %.3f s)   validate and dump %.2f x raw", name, import / raw,
                    import, raw, shared / raw);
        if (floor > 0) std::printf(", libraries alone %.2f", floor / raw);
        std::printf("\n");
        std::remove((file + ".bank.json").c_str());
    }
}

// Undo and then Redo of one item editor OK, on banks of 1,000 and 100,000 items: a step
// keeps the one item, so both should cost about the same.
void UndoSection(const std::string& dir)
{
    std::printf("\nUndo + Redo of one item's edit (best of 200 pairs), 100k as a ratio to 1k (aim: <= 2):\n");
    double at[2] = {0, 0};
    const size_t sizes[2] = {1000, 100000};
    for (int k = 0; k < 2; ++k) {
        const std::string file = dir + "/bank-" + std::to_string(sizes[k]) + ".json";
        if (!std::ifstream(file)) WriteFileBytesSafely(Path(file), MakeBank(sizes[k], 7, "Q"));
        ResetAllState();
        BatchUi ui;
        ui.openPaths.push_back(Path(file));
        CmdOpen(ui, nullptr);
        const size_t position = sizes[k] / 2;
        const IndexLists lists = BuildIndexLists(g_jsonDoc);
        FormModel form = LoadItemForm(g_jsonDoc["items"][position]);
        const FormModel shown = form;
        const auto& of = lists[std::max(0, form.Selection(IDC_ED_TYPE))];
        form.selections[IDC_ED_ITEM] = static_cast<int>(std::find(of.begin(), of.end(), position) - of.begin());
        form.texts[IDC_ED_QUESTION] += u" (edited)";
        std::u16string error;
        size_t written = 0;
        bool added = false, changed = false;
        if (!SaveItemFormStep(lists, form, &shown, error, written, added, changed) || !changed) {
            std::printf("  the edit did not save\n");
            return;
        }
        at[k] = Seconds([&] {
            CmdUndo(ui, nullptr);
            CmdRedo(ui, nullptr);
        }, 200);
        std::printf("  %7zu items: %.1f us\n", sizes[k], at[k] * 1e6);
    }
    std::printf("  ratio %.2f\n", at[1] / at[0]);
    ResetAllState();
}

int main(int argc, char** argv)
{
    setenv("TZ", ":/etc/localtime", 0); // as the testbank command sets it (glibc and the zip library)
    if (argc == 4 && std::strcmp(argv[1], "--peak") == 0) return PeakMode(argv[2], argv[3]);
    if (argc == 3 && std::strcmp(argv[1], "--recall") == 0) {
        for (bool templated : {false, true}) RecallMode(std::strtoul(argv[2], nullptr, 10), templated);
        return 0;
    }
    // A bank with planted duplicates for the dupes stage: N items in all, one in ten a plant.
    if (argc == 4 && std::strcmp(argv[1], "--planted") == 0) {
        const size_t n = std::strtoul(argv[2], nullptr, 10);
        return WriteFileBytesSafely(Path(argv[3]), MakePlantedBank(n * 10 / 11, 10).document.dump(1)) ? 0 : 1;
    }
    if (argc == 5 && std::strcmp(argv[1], "--parts") == 0)
        return WriteParts(std::strtoul(argv[2], nullptr, 10), std::strtoul(argv[3], nullptr, 10), argv[4]);
    // The import section alone, on a 100k bank made when the folder has none.
    if (argc == 3 && std::strcmp(argv[1], "--import") == 0) {
        const std::string dir = argv[2], big = dir + "/bank-100000.json";
        if (!std::ifstream(big)) WriteFileBytesSafely(Path(big), MakeBank(100000, 7, "Q"));
        ImportSection(dir, big);
        return 0;
    }
    if (argc == 3 && std::strcmp(argv[1], "--undo") == 0) {
        UndoSection(argv[2]);
        return 0;
    }
    const std::string dir = argc > 1 ? argv[1] : "bench/out";
    const size_t sizes[] = {1000, 10000, 100000};
    std::map<size_t, Stages> results;
    std::map<size_t, size_t> fileBytes;
    for (size_t n : sizes) {
        const std::string file = dir + "/bank-" + std::to_string(n) + ".json";
        const std::string bank = MakeBank(n, 7, "Q");
        WriteFileBytesSafely(Path(file), bank);
        fileBytes[n] = bank.size();
        results[n] = Measure(file, n >= 100000 ? 3 : n >= 10000 ? 10 : 30);
    }

    std::printf("Stage times as a ratio to the floor (JSON library alone: parse, then dump with indent 2)\n");
    std::printf("on the same bytes; growth = (time at 100k / time at 10k) / 10, 1.0 is linear;\n");
    std::printf("vs floor = that growth divided by the floor's own growth in the same run.\n\n");
    std::printf("%-22s", "stage");
    for (size_t n : sizes) std::printf(" %9zu items", n);
    std::printf("  %8s  %9s  %10s\n", "growth", "vs floor", "100k secs");
    std::vector<std::string> order = {"floor", "read", "parse+validate", "dump", "formatted view", "open (all four)",
                                      "merge half into half", "exam of every item", "save"};
    for (const auto& stage : order) {
        std::printf("%-22s", stage.c_str());
        for (size_t n : sizes) std::printf(" %15.2f", results[n].seconds[stage] / results[n].seconds["floor"]);
        const double growth = results[100000].seconds[stage] / results[10000].seconds[stage] / 10.0;
        const double floorGrowth = results[100000].seconds["floor"] / results[10000].seconds["floor"] / 10.0;
        std::printf("  %8.2f  %9.2f  %10.3f\n", growth, growth / floorGrowth, results[100000].seconds[stage]);
    }
    const std::string big = dir + "/bank-100000.json";
    const long floorPeak = PeakOf(argv[0], "floor", big), openPeak = PeakOf(argv[0], "open", big);
    const long basePeak = PeakOf(argv[0], "none", big);
    const double mb = fileBytes[100000] / 1048576.0;
    std::printf("\nPeak memory on the 100k file (%.1f MB), whole process, baseline %.1f MB:\n", mb, basePeak / 1024.0);
    std::printf("  floor  %8.1f MB  %5.2f x file\n", floorPeak / 1024.0, floorPeak / 1024.0 / mb);
    std::printf("  open   %8.1f MB  %5.2f x file  %5.2f x floor peak\n", openPeak / 1024.0, openPeak / 1024.0 / mb,
                static_cast<double>(openPeak) / floorPeak);
    std::printf("\nopen of the 100k file in-process: %.3f s\n", results[100000].seconds["open (all four)"]);

    ImportSection(dir, big);
    UndoSection(dir);

    // The printed exam against the exam export of the same items, whole commands in-process.
    const std::string small = dir + "/bank-1000.json", page = dir + "/print.html", key = dir + "/print-key.csv",
                      exported = dir + "/export.json";
    auto run = [](std::vector<std::string> args) {
        std::string out, err;
        RunTestbankCommand(args, out, err);
    };
    const double exportSecs = Seconds([&] { run({"export", small, "-o", exported}); }, 30);
    const double printSecs = Seconds(
        [&] { run({"print", small, "--versions", "4", "--seed", "1", "--key", key, "-o", page}); }, 30);
    std::string html;
    ReadFileBytes(Path(page), html);
    std::printf("\ntestbank print of 1,000 items x 4 versions (page and key CSV) vs testbank export of the same:\n");
    std::printf("  export %.4f s, print %.4f s (page %.1f MB): %.2f x\n", exportSecs, printSecs, html.size() / 1048576.0,
                printSecs / exportSecs);
    return 0;
}
