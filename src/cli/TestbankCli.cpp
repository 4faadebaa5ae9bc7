#include "cli/TestbankCli.h"

#include <algorithm>
#include <map>
#include <new>

#include "app/BatchUi.h"
#include "dupes/DupesLogic.h"
#include "export/ExamSelection.h"
#include "formats/ExamFormats.h"
#include "report/Coverage.h"
#include "fixup/FixupLogic.h"
#include "print/PrintLogic.h"
#include "util/FileUtil.h"
#include "util/StringUtil.h"
#include "Version.h"

namespace {

const char kUsage[] =
    "usage: testbank view FILE\n"
    "       testbank raw FILE [-o OUT]\n"
    "       testbank merge FILE1 FILE2... [-o OUT]\n"
    "       testbank fixups FILE...\n"
    "       testbank export FILE [--id ID]... [--format FORMAT] [-o OUT]\n"
    "       testbank check FILE...\n"
    "       testbank dupes FILE... [--threshold X] [--format text|csv]\n"
    "       testbank import FILE [--from FORMAT] [--all-notes] [-o OUT]\n"
    "       testbank report FILE... [--id ID]... [--expect LIST] [--level MLO|CLO|PLO]\n"
    "                       [--format text|csv|html] [-o OUT]\n"
    "       testbank print FILE [--id ID]... [--title T] [--versions V] [--seed S] [--key OUT] [-o OUT]\n"
    "       testbank --help\n"
    "       testbank --version\n"
    "\n"
    "view    the formatted view of FILE as the editor shows it after File > Open\n"
    "raw     the raw view of FILE: the bytes File > Save would write\n"
    "merge   File > Open && Merge of the files in order; the bytes File > Save would write\n"
    "fixups  the import fixup list: ID, tab, what is missing\n"
    "export  the exam file of the items with the given IDs (all items without --id)\n"
    "check   one line per file: ok with counts, or the error\n"
    "        FORMAT: json (the editor's exam file, the default), moodle (Moodle XML),\n"
    "        gift (GIFT text), qti21 (QTI 2.1 zip), qti12 (QTI 1.2 zip for Canvas);\n"
    "        a zip needs -o\n"
    "dupes   duplicate and conflicting items within and across the files, in groups:\n"
    "        conflicts first, then exact and near copies (similarity at least X,\n"
    "        default 0.8); --format csv gives group,kind,score,file,id rows\n"
    "import  File > Import of a bank from another tool: the bytes File > Save would write,\n"
    "        the notes on standard error; FORMAT: moodle, gift, qti (a zip, a folder or its\n"
    "        imsmanifest.xml, a QTI XML file, or a Blackboard pool .dat), csv, json\n"
    "        (detected when not given);\n"
    "        notes of one kind are one line with the count and the first items, every\n"
    "        note with --all-notes\n"
    "report  learning-outcome coverage of the files' items (only the given IDs with --id):\n"
    "        items per outcome code and type, items without one, near-identical codes;\n"
    "        LIST: expected codes, one a line or LEVEL,CODE (a bare code is of --level,\n"
    "        else MLO): adds what is not assessed and what is not on the list\n"
    "print   a printable HTML page of the items with the given IDs (all without --id):\n"
    "        V versions (default 1, at most 50) shuffled from seed S (default 1), the\n"
    "        answer key of each on its own page; --key OUT also writes the key as CSV\n"
    "        (version,number,id,answer)\n"
    "-o OUT  write the bytes to OUT (safely) instead of standard output\n";

struct Usage {
    std::string why; // said before the usage text, when there is more to say
};
// A failure found before any command runs: the message for stderr.
struct Refused {
    std::string message;
};

// An empty FILE is a file that cannot be read, never a cancelled dialog: it becomes a
// name no file can have, which the messages then show as empty again.
const char16_t kUnreadable = u'\0';

std::u16string Path(const std::string& arg)
{
    const std::u16string path = s2w(arg);
    // A name that is not UTF-8 would reach another file.
    if (w2s(path) != arg) throw Refused{"The file name is not valid UTF-8; it cannot be used."};
    return arg.empty() ? std::u16string(1, kUnreadable) : path;
}

// The first error the editor would have shown, if any.
bool Failed(const BatchUi& ui, std::string& err)
{
    for (const auto& m : ui.messages) {
        if (m.icon == MsgIcon::Error) {
            std::u16string text = m.text;
            text.erase(std::remove(text.begin(), text.end(), kUnreadable), text.end());
            err += w2s(text) + "\n";
            return true;
        }
    }
    return false;
}

// Runs Open (one file, unless `merge`) or Open && Merge on a fresh state.
bool Load(BatchUi& ui, const std::vector<std::string>& files, std::string& err, bool merge = false)
{
    ResetAllState();
    if (files.size() == 1 && !merge) {
        ui.openPaths.push_back(Path(files[0]));
        CmdOpen(ui, nullptr);
    } else {
        std::vector<std::u16string> paths;
        for (const auto& f : files) paths.push_back(Path(f));
        ui.openPathLists.push_back(paths);
        CmdOpenAndMerge(ui, nullptr);
    }
    return !Failed(ui, err);
}

// The bytes File > Save would write; straight from the document while the raw view's text
// is not made.
std::string RawTextUtf8()
{
    return g_document.raw == RawText::Stale ? DumpJsonForSave(g_jsonDoc) : w2s(g_rawJsonText);
}

int Emit(const std::string& bytes, const std::string& outPath, std::string& out, std::string& err)
{
    if (outPath.empty()) {
        out += bytes;
        return 0;
    }
    if (!WriteFileBytesSafely(Path(outPath), bytes)) {
        err += "Failed to save file.\n";
        return 1;
    }
    return 0;
}

std::string OneLine(std::string text)
{
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') text.erase(i + 1, 1);
        if (text[i] == '\r' || text[i] == '\n') text[i] = ' ';
    }
    return text;
}

int Check(const std::vector<std::string>& files, std::string& out)
{
    int code = 0;
    for (const auto& file : files) {
        BatchUi ui;
        std::string error;
        if (!Load(ui, {file}, error)) {
            error.pop_back();
            out += file + ": error: " + OneLine(error) + "\n";
            code = 1;
            continue;
        }
        const size_t toFix = ui.fixupCalls.empty() ? 0 : BuildFixupList(ui.fixupCalls.back()).size();
        out += file + ": ok, " + std::to_string(g_jsonDoc["items"].size()) + " items, " +
               std::to_string(g_validationWarnings.size()) + " notes, " + std::to_string(toFix) + " to fix\n";
    }
    return code;
}

// Select Items with the rows of `ids` checked (every row when `allItems`): every row is
// an object item; checked rows make the selection. False, with the message, for an unknown ID.
bool SelectItems(const std::vector<std::string>& ids, bool allItems, std::string& err)
{
    const std::set<std::string> wanted(ids.begin(), ids.end());
    g_examSelectedIds.clear();
    for (const json& item : g_jsonDoc["items"]) {
        if (!item.is_object()) continue;
        auto id = item.find("id");
        if (id == item.end() || !id->is_string()) continue;
        if (allItems || wanted.count(id->get<std::string>())) g_examSelectedIds.insert(id->get<std::string>());
    }
    // An ID in no item is a mistake the user must hear of, not an exam quietly short of it.
    std::string unknown;
    size_t unknownCount = 0;
    for (const std::string& id : wanted) {
        if (g_examSelectedIds.count(id)) continue;
        unknown += (unknownCount++ ? ", " : "") + id;
    }
    if (unknownCount) {
        err += (unknownCount == 1 ? "No item has the ID " : "No items have the IDs ") + unknown + ".\n";
        return false;
    }
    g_examSelectionInitialized = true;
    return true;
}

int Export(const std::string& file, const std::vector<std::string>& ids, bool allItems, const ExamFormat* format,
           const std::string& outPath, std::string& out, std::string& err)
{
    BatchUi ui;
    if (!Load(ui, {file}, err)) return 1;
    if (!SelectItems(ids, allItems, err)) return 1;
    json exam;
    // The command ends with the exam written: the items move rather than being copied.
    if (const char16_t* refusal = ExamRefusal(exam, true)) {
        err += w2s(refusal) + "\n";
        return 1;
    }
    if (!format) return Emit(SerializeExam(exam), outPath, out, err);
    ExamFile written = WriteExamAs(*format, exam);
    err += ExamFileMessage(written, *format, static_cast<size_t>(-1)) + "\n";
    if (!written.written) return 1;
    return Emit(written.bytes, outPath, out, err);
}

// Two names for one file: the same text, or an existing file both reach.
bool SameFile(const std::string& a, const std::string& b)
{
    if (a == b) return true;
    const FileStamp first = GetFileStamp(Path(a));
    return first.exists && first.fileId != 0 && first == GetFileStamp(Path(b));
}

int Print(const std::string& file, const std::vector<std::string>& ids, bool titled, PrintOptions options,
          const std::string& keyPath, const std::string& outPath, std::string& out, std::string& err)
{
    BatchUi ui;
    if (!Load(ui, {file}, err)) return 1;
    if (!titled) options.title = DefaultPrintTitle(g_jsonDoc, file);
    if (!SelectItems(ids, ids.empty(), err)) return 1;
    json exam;
    // The command ends with the exam written: the items move rather than being copied.
    if (const char16_t* refusal = ExamRefusal(exam, true)) {
        err += w2s(refusal) + "\n";
        return 1;
    }
    const PrintableExam printable = CollectPrintQuestions(exam);
    if (printable.questions.empty()) {
        err += NothingToPrintMessage(printable, printable.leftOut.size()) + "\n";
        return 1;
    }
    if (!keyPath.empty() && !outPath.empty() && SameFile(keyPath, outPath)) {
        err += "The answer key and the exam page would be the same file (" + outPath + "); give --key another name.\n";
        return 1;
    }
    const std::vector<ExamVersion> versions = MakeExamVersions(printable, options.versions, options.seed);
    if (!keyPath.empty() && !WriteFileBytesSafely(Path(keyPath), RenderAnswerKeyCsv(printable, versions))) {
        err += "Failed to save file.\n";
        return 1;
    }
    err += PrintSummary(printable, options.versions, !keyPath.empty(), printable.leftOut.size()) + "\n";
    return Emit(RenderExamHtml(printable, versions, options.title), outPath, out, err);
}

int Dupes(const std::vector<std::string>& files, double threshold, bool csv, std::string& out, std::string& err)
{
    std::vector<DupeEntry> entries;
    for (size_t f = 0; f < files.size(); ++f) {
        BatchUi ui;
        std::string error;
        if (!Load(ui, {files[f]}, error)) {
            err += files[f] + ": " + error;
            ResetAllState();
            return 1;
        }
        AddDocumentEntries(g_jsonDoc, f, entries);
    }
    ResetAllState(); // only the entries are needed from here on
    const std::vector<DupeGroup> groups = FindDuplicateGroups(entries, threshold);
    out += csv ? FormatDupesCsv(entries, groups, files) : FormatDupesText(entries, groups, files);
    return 0;
}

int Report(const std::vector<std::string>& files, const std::vector<std::string>& ids, const std::string& expectPath,
           bool hasExpect, const std::string& levelName, bool hasLevel, const std::string& format,
           const std::string& outPath, std::string& out, std::string& err)
{
    if (format != "text" && format != "csv" && format != "html") throw Usage{};
    OutcomeLevel level = OutcomeLevel::MLO;
    if (hasLevel && !ParseOutcomeLevel(levelName, level)) throw Usage{};
    ExpectedOutcomes expected;
    if (hasExpect) {
        std::string bytes, error;
        if (!ReadFileBytes(Path(expectPath), bytes)) {
            err += "Cannot read the expected-outcomes list " + expectPath + ".\n";
            return 1;
        }
        if (!ParseExpectedOutcomes(bytes, level, expected, error)) {
            err += expectPath + ": " + error + "\n";
            return 1;
        }
    }
    std::vector<OutcomeLevel> levels{level};
    if (!hasLevel) levels = {OutcomeLevel::MLO, OutcomeLevel::CLO, OutcomeLevel::PLO};
    CoverageCounter counter(levels);
    const std::set<std::string> wanted(ids.begin(), ids.end());
    // Each bank opened on its own, as File > Open would; the IDs are named by file when
    // several are counted together.
    for (const std::string& file : files) {
        BatchUi ui;
        if (!Load(ui, {file}, err)) return 1;
        counter.AddDocument(g_jsonDoc, files.size() > 1 ? file + ": " : std::string(), ids.empty() ? nullptr : &wanted);
    }
    CoverageReport report = counter.Finish(hasExpect ? &expected : nullptr);
    report.sources = files;
    if (!ids.empty()) report.sources.push_back(std::to_string(wanted.size()) + " IDs asked for");
    const std::string bytes = format == "csv"    ? RenderCoverageCsv(report, hasExpect)
                              : format == "html" ? RenderCoverageHtml(report)
                                                 : RenderCoverageText(report);
    return Emit(bytes, outPath, out, err);
}

// The options after the command, each checked against the command that takes it.
struct CliArgs {
    std::vector<std::string> files, ids;
    std::string outPath, thresholdText, format, fromName, expectPath, levelName;
    bool hasOut = false, hasFrom = false, hasExpect = false, hasLevel = false, allNotes = false;
    std::map<std::string, std::string> printArgs; // print's own options, each at most once
};

// -o, --id, --threshold, --format or --from with its value at args[i]; returns the index
// of the value.
size_t TakeValueOption(const std::string& command, const std::vector<std::string>& args, size_t i, CliArgs& a)
{
    const bool dupesOption = args[i] == "--threshold" || (args[i] == "--format" && command == "dupes");
    if (dupesOption && command != "dupes") throw Usage{};
    if (args[i] == "--format" && command != "dupes" && command != "export" && command != "report") throw Usage{};
    if (i + 1 >= args.size()) throw Usage{dupesOption ? args[i] + " needs a value." : ""};
    const std::string& value = args[i + 1];
    if (args[i] == "--from") {
        if (a.hasFrom || command != "import") throw Usage{};
        a.hasFrom = true;
        a.fromName = value;
    } else if (args[i] == "--threshold") {
        if (!a.thresholdText.empty()) throw Usage{"--threshold is given twice."};
        a.thresholdText = value;
        double parsed;
        if (!ParseDupeThreshold(a.thresholdText, parsed))
            throw Usage{"--threshold must be a number above 0 and at most 1, such as 0.8."};
    } else if (args[i] == "--format") {
        if (!a.format.empty()) throw Usage{"--format is given twice."};
        a.format = value;
        if (command == "dupes" && a.format != "text" && a.format != "csv") throw Usage{"--format must be text or csv."};
    } else if (args[i] == "-o") {
        if (a.hasOut) throw Usage{};
        a.hasOut = true;
        a.outPath = value;
    } else {
        a.ids.push_back(value);
    }
    return i + 1;
}

CliArgs ParseArgs(const std::string& command, const std::vector<std::string>& args)
{
    CliArgs a;
    for (size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--title" || args[i] == "--versions" || args[i] == "--seed" || args[i] == "--key") {
            if (command != "print") throw Usage{};
            if (i + 1 >= args.size()) throw Usage{args[i] + " needs a value."};
            if (!a.printArgs.emplace(args[i], args[i + 1]).second) throw Usage{args[i] + " is given twice."};
            if (args[i] == "--key" && args[i + 1].empty()) throw Usage{};
            ++i;
        } else if (args[i] == "--expect" || args[i] == "--level") {
            const bool expect = args[i] == "--expect";
            bool& seen = expect ? a.hasExpect : a.hasLevel;
            if (seen || command != "report" || i + 1 >= args.size()) throw Usage{};
            seen = true;
            (expect ? a.expectPath : a.levelName) = args[i + 1];
            ++i;
        } else if (args[i] == "-o" || args[i] == "--id" || args[i] == "--threshold" || args[i] == "--format" ||
                   args[i] == "--from") {
            i = TakeValueOption(command, args, i, a);
        } else if (args[i] == "--all-notes") {
            if (a.allNotes || command != "import") throw Usage{};
            a.allNotes = true;
        } else if (args[i].size() > 1 && args[i][0] == '-') {
            throw Usage{};
        } else {
            a.files.push_back(args[i]);
        }
    }
    const bool takesOut = command == "raw" || command == "merge" || command == "export" || command == "import" ||
                          command == "report" || command == "print";
    if ((a.hasOut && !takesOut) ||
        (!a.ids.empty() && command != "export" && command != "report" && command != "print") ||
        (a.hasOut && a.outPath.empty()))
        throw Usage{};
    return a;
}

// The commands that read documents as File > Open does: view, raw, merge, fixups, import.
int RunOpenCommand(const std::string& command, const CliArgs& a, ImportFormat from, std::string& out,
                   std::string& err)
{
    BatchUi ui;
    if (command == "view" || command == "raw") {
        if (a.files.size() != 1) throw Usage{};
        if (!Load(ui, a.files, err)) return 1;
        if (command == "view") return Emit(FormatDocumentListing(g_jsonDoc, g_validationWarnings), "", out, err);
        return Emit(RawTextUtf8(), a.outPath, out, err);
    }
    if (command == "merge") {
        if (a.files.empty()) throw Usage{};
        const bool loaded = Load(ui, a.files, err, true);
        // The merge's notes (duplicates, dropped items) go to stderr; the bytes are unchanged.
        std::string notes;
        for (const std::u16string& note : ui.mergeNotes) notes += "note: " + w2s(note) + "\n";
        if (!loaded) return 1;
        err.insert(0, notes);
        return Emit(RawTextUtf8(), a.outPath, out, err);
    }
    if (command == "fixups") {
        if (a.files.empty()) throw Usage{};
        if (!Load(ui, a.files, err)) return 1;
        if (!ui.fixupCalls.empty())
            for (const ImportIssue& issue : BuildFixupList(ui.fixupCalls.back()))
                out += issue.id + "\t" + MissingPartsText(issue) + "\n";
        return 0;
    }
    if (a.files.size() != 1) throw Usage{}; // import
    ResetAllState();
    ui.openPaths.push_back(Path(a.files[0]));
    CmdImport(ui, nullptr, from);
    if (Failed(ui, err)) return 1;
    for (const std::u16string& note : a.allNotes ? g_validationWarnings : GroupRepeatedNotes(g_validationWarnings))
        err += w2s(note) + "\n";
    return Emit(RawTextUtf8(), a.outPath, out, err);
}

int RunPrint(CliArgs& a, std::string& out, std::string& err)
{
    if (a.files.size() != 1) throw Usage{};
    PrintOptions options;
    std::string why;
    if (a.printArgs.count("--versions") && !ParseVersionsText(a.printArgs["--versions"], options.versions, why))
        throw Usage{why};
    if (a.printArgs.count("--seed") && !ParseSeedText(a.printArgs["--seed"], options.seed, why)) throw Usage{why};
    const bool titled = a.printArgs.count("--title") > 0;
    if (titled) options.title = PrintTitle(a.printArgs["--title"]);
    return Print(a.files[0], a.ids, titled, options, a.printArgs["--key"], a.outPath, out, err);
}

int Run(const std::vector<std::string>& args, std::string& out, std::string& err)
{
    if (args.empty()) throw Usage{};
    const std::string& command = args[0];
    if (command == "--help" || command == "-h") {
        if (args.size() != 1) throw Usage{};
        out += kUsage;
        return 0;
    }
    if (command == "--version") {
        if (args.size() != 1) throw Usage{};
        out += "testbank " TESTBANK_VERSION "\n";
        return 0;
    }
    CliArgs a = ParseArgs(command, args);
    if (command == "report") {
        if (a.files.empty()) throw Usage{};
        return Report(a.files, a.ids, a.expectPath, a.hasExpect, a.levelName, a.hasLevel,
                      a.format.empty() ? "text" : a.format, a.outPath, out, err);
    }
    ImportFormat from = ImportFormat::Auto;
    if (a.hasFrom && !ImportFormatFromKey(a.fromName, from)) throw Usage{};
    // json, the default, is the exam file as it always was; the others are exchange formats.
    const ExamFormat* examFormat = nullptr;
    if (command == "export" && !a.format.empty() && a.format != "json") {
        for (const ExamFormat& f : kExamFormats)
            if (a.format == ExamFormatKey(f)) examFormat = &f;
        // A zip on a terminal or in a pipe is never what was meant.
        if (!examFormat || (ExamFormatIsZip(*examFormat) && !a.hasOut)) throw Usage{};
    }
    if (command == "view" || command == "raw" || command == "merge" || command == "fixups" || command == "import")
        return RunOpenCommand(command, a, from, out, err);
    if (command == "export") {
        if (a.files.size() != 1) throw Usage{};
        return Export(a.files[0], a.ids, a.ids.empty(), examFormat, a.outPath, out, err);
    }
    if (command == "print") return RunPrint(a, out, err);
    if (command == "check") {
        if (a.files.empty()) throw Usage{};
        return Check(a.files, out);
    }
    if (command == "dupes") {
        if (a.files.empty()) throw Usage{};
        double threshold = kDefaultDupeThreshold;
        if (!a.thresholdText.empty()) ParseDupeThreshold(a.thresholdText, threshold);
        return Dupes(a.files, threshold, a.format == "csv", out, err);
    }
    throw Usage{};
}

} // namespace

int RunTestbankCommand(const std::vector<std::string>& args, std::string& out, std::string& err)
{
    try {
        return Run(args, out, err);
    } catch (const Usage& usage) {
        out.clear();
        if (!usage.why.empty()) err += usage.why + "\n";
        err += kUsage;
        return 2;
    } catch (const Refused& refused) {
        out.clear();
        err += refused.message + "\n";
        return 1;
    } catch (const std::bad_alloc&) {
        out.clear();
        err += "Out of memory.\n";
        return 1;
    }
}
