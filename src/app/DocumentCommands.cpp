#include "app/DocumentCommands.h"

#include <algorithm>
#include <memory>
#include <unordered_set>

#include "dupes/DupesLogic.h"
#include "export/ExamSelection.h"
#include "fixup/FixupLogic.h"
#include "util/FileUtil.h"
#include "util/StringUtil.h"

namespace {

const char16_t* const kSaveChangesQuestion = u"Save changes to the current testbank?";
const char16_t* const kChangedOnDiskQuestion = u"The file has changed on disk since it was opened. Overwrite it?";

void ShowError(DocumentUi& ui, void* owner, const std::u16string& text)
{
    ui.ShowMessage(owner, text, u"Error", MsgIcon::Error, MsgButtons::Ok);
}

enum class Loaded { Ok, Unreadable, Invalid, Cancelled };

// Reads and parses one file, on a thread of its own while the user can cancel; the file's
// text is gone before the document is installed. An import reads the other tool's format
// first; its notes come before the loader's.
Loaded LoadDocument(DocumentUi& ui, void* owner, const std::u16string& path, json& parsed, std::u16string& error,
                    NoteList& notes, std::vector<ImportIssue>& issues, const ImportFormat* import = nullptr,
                    NoteList* importNotes = nullptr)
{
    ui.ShowBusy();
    struct Job {
        Loaded result = Loaded::Invalid;
        json parsed;
        std::u16string error;
        NoteList notes, bankNotes;
        std::vector<ImportIssue> issues;
    };
    auto job = std::make_shared<Job>();
    const bool importing = import != nullptr;
    const ImportFormat format = import ? *import : ImportFormat::Auto;
    const bool finished = ui.RunLong(owner, (importing ? u"Importing " : u"Opening ") + FileNameOf(path) + u"...",
                                     [job, path, importing, format] {
        try {
            if (importing) {
                ImportedBank bank;
                std::string message;
                if (!ImportBankFile(path, format, bank, message)) {
                    job->error = s2w(message);
                    return;
                }
                if (!ValidateTestbankDocument(std::move(bank.document), job->parsed, job->error, job->notes,
                                              &job->issues))
                    return;
                for (const std::string& note : bank.notes) job->bankNotes.push_back(s2w(note));
                job->result = Loaded::Ok;
                return;
            }
            std::string bytes;
            if (!ReadFileBytes(path, bytes) || bytes.empty()) {
                job->result = Loaded::Unreadable;
                return;
            }
            // UTF-8 throughout: a UTF-16 copy of a large file would double what opening it needs.
            job->result = ParseAndValidateUtf8(ValidUtf8(std::move(bytes)), job->parsed, job->error, job->notes,
                                               &job->issues)
                              ? Loaded::Ok
                              : Loaded::Invalid;
        } catch (const std::bad_alloc&) {
            job->result = Loaded::Invalid;
            job->error = u"Out of memory";
        }
    });
    if (!finished) return Loaded::Cancelled;
    if (job->result != Loaded::Ok) {
        error = job->error;
        return job->result;
    }
    parsed = std::move(job->parsed);
    issues.insert(issues.end(), job->issues.begin(), job->issues.end());
    if (importNotes) importNotes->insert(importNotes->end(), job->bankNotes.begin(), job->bankNotes.end());
    notes = std::move(job->bankNotes);
    notes.insert(notes.end(), job->notes.begin(), job->notes.end());
    return Loaded::Ok;
}

void InstallLoadedDocument(DocumentUi& ui, const std::u16string& path, const FileStamp& stamp, json&& parsed,
                           NoteList&& notes)
{
    g_currentPath = path;
    g_document.diskStamp = stamp;
    g_jsonDoc = std::move(parsed);
    // Made when first read (a window shows it at once): the command line's check, export
    // and dupes never need a second copy of the bank as text.
    g_document.raw = RawText::Stale;
    // What loading said beyond what the document itself shows stays until the next load,
    // however often the notes are made again after edits.
    NoteList current;
    AppendValidationWarnings(g_jsonDoc, current);
    std::unordered_multiset<std::u16string> remade(current.begin(), current.end());
    g_document.keptNotes.clear();
    for (const std::u16string& note : notes) {
        auto found = remade.find(note);
        if (found != remade.end()) remade.erase(found);
        else g_document.keptNotes.push_back(note);
    }
    g_validationWarnings = std::move(notes);
    g_hasJson = true;
    g_viewRaw = false;
    g_modified = false;
    ResetHistory(true);
    ui.ResetExamSelections();
    ui.RefreshView();
}

// The raw view's text parsed and taken into the document, as Save takes it. False when it
// does not parse: `error` names the line and column, `place` where, and nothing changed.
bool TakeRawViewText(DocumentUi& ui, std::u16string& error, JsonErrorPlace& place)
{
    ui.ShowBusy();
    json parsed;
    NoteList notes;
    const std::u16string text = ui.ReadViewText();
    if (!ParseAndValidateJson(text, parsed, error, notes, nullptr, &place)) return false;
    json before = std::move(g_jsonDoc);
    g_jsonDoc = std::move(parsed);
    std::u16string name = g_document.rawEditName.empty() ? u"Raw View Changes" : g_document.rawEditName;
    g_document.rawEditName.clear();
    const bool changed = RecordDocumentReplaced(std::move(name), std::move(before), g_document.keptNotes);
    RebuildRawText();
    // Text already in the canonical shape (untouched, replaced, typed with care) stays in
    // the view: setting a large text again costs the control seconds.
    const bool same = text == g_rawJsonText;
    g_validationWarnings = g_document.keptNotes;
    g_validationWarnings.insert(g_validationWarnings.end(), notes.begin(), notes.end());
    if (changed) g_modified = true; // taken into the document, not yet written
    ui.DocumentReread();
    if (same) ui.ViewHoldsRawText();
    else ui.RefreshView();
    return true;
}

void ShowParseError(DocumentUi& ui, void* owner, const std::u16string& error, const JsonErrorPlace& place,
                    const std::u16string& lead = u"")
{
    ShowError(ui, owner, lead + error);
    if (place.known) ui.ShowParseErrorPlace(place.offset);
}

// The text Save and Save As write; false when the raw view's text does not parse.
bool TakeOutputText(DocumentUi& ui, void* owner, std::u16string& output)
{
    ui.ShowBusy();
    if (g_viewRaw) {
        std::u16string error;
        JsonErrorPlace place;
        if (!TakeRawViewText(ui, error, place)) {
            ShowParseError(ui, owner, error, place);
            return false;
        }
    } else {
        RebuildRawText();
    }
    output = g_rawJsonText;
    return true;
}

bool WriteOutput(DocumentUi& ui, void* owner, const std::u16string& path, const std::u16string& output)
{
    if (!SaveFileText(path, output)) {
        ShowError(ui, owner, u"Failed to save file.");
        return false;
    }
    g_modified = false;
    MarkHistorySaved();
    g_document.diskStamp = GetFileStamp(path);
    ui.ShowMessage(owner, u"File saved successfully.\n\n" + path, u"Info", MsgIcon::Info, MsgButtons::Ok);
    return true;
}

// What Open && Merge brought in: where each file's items begin, and the incoming items
// dropped for an ID and question already there whose choices or answer differ.
struct MergeRecord {
    // The document before the merges, for the step Undo takes back.
    std::u16string name;
    size_t countBefore = 0;
    json restBefore;
    NoteList keptBefore;
    std::vector<size_t> starts;        // first item position per part; part 0 the open document
    std::vector<std::u16string> files; // per part: the file name, "" for a document already open
    std::vector<std::pair<std::string, std::u16string>> dropped; // ID, file
};

// The exact copies and conflicts that hold an item from the merged files, found by hash so
// the notes cost about what the merge costs (near copies: Edit > Find Duplicates), and the
// dropped items.
NoteList MakeMergeNotes(const MergeRecord& record)
{
    NoteList notes;
    std::vector<DupeEntry> entries;
    AddDocumentEntries(g_jsonDoc, 0, entries);
    for (DupeEntry& entry : entries)
        entry.source = static_cast<size_t>(std::upper_bound(record.starts.begin(), record.starts.end(), entry.position) -
                                           record.starts.begin()) - 1;
    const std::vector<DupeGroup> groups = FindDuplicateGroups(entries, kDefaultDupeThreshold, false);
    notes = MergeDuplicateNotes(entries, groups, record.files, 1);
    for (const auto& drop : record.dropped) notes.push_back(DroppedItemNote(drop.first, drop.second));
    return notes;
}

size_t ItemCount()
{
    auto items = g_jsonDoc.find("items");
    return items != g_jsonDoc.end() && items->is_array() ? items->size() : 0;
}

// After the merges: the views rebuilt once, the merge's notes on top of the others, then
// what the imports changed.
void FinishMerge(DocumentUi& ui, const MergeRecord& record, const NoteList& importNotes)
{
    MarkDocumentChanged();
    const NoteList notes = MakeMergeNotes(record);
    g_validationWarnings.insert(g_validationWarnings.begin(), importNotes.begin(), importNotes.end());
    g_document.keptNotes.insert(g_document.keptNotes.begin(), importNotes.begin(), importNotes.end());
    if (!notes.empty()) {
        g_validationWarnings.insert(g_validationWarnings.begin(), notes.begin(), notes.end());
        g_document.keptNotes.insert(g_document.keptNotes.begin(), notes.begin(), notes.end());
        ui.MergeNotesAdded(notes);
    }
    const size_t added = ItemCount() - record.countBefore;
    RecordItemsAppended(record.name + u" (" + s2w(GroupedNumber(added)) + (added == 1 ? u" item)" : u" items)"),
                        record.countBefore, json(record.restBefore), record.keptBefore);
    ui.RefreshView();
    ui.ItemsChanged();
}

// The import dialog's types: every format read first, then each, then all files.
std::vector<FileType> ImportFileTypes()
{
    return {{u"Banks from other tools (*.xml;*.txt;*.gift;*.zip;*.csv;*.json;*.xlsx;*.ods;*.md;*.docx;*.dat)",
             u"*.xml;*.txt;*.gift;*.zip;*.csv;*.json;*.xlsx;*.ods;*.md;*.docx;*.dat", u""},
            {u"Moodle XML (*.xml)", u"*.xml", u"xml"},
            {u"GIFT (*.txt;*.gift)", u"*.txt;*.gift", u"txt"},
            {u"QTI package (*.zip;imsmanifest.xml;*.xml)", u"*.zip;imsmanifest.xml;*.xml", u"zip"},
            {u"CSV (*.csv)", u"*.csv", u"csv"},
            {u"Other quiz JSON (*.json)", u"*.json", u"json"},
            {u"Spreadsheet (*.xlsx;*.ods)", u"*.xlsx;*.ods", u"xlsx"},
            {u"Aiken (*.txt)", u"*.txt", u"txt"},
            {u"Numbered questions as text or Markdown (*.txt;*.md)", u"*.txt;*.md", u"txt"},
            {u"Word document (*.docx)", u"*.docx", u"docx"},
            // Past the formats' rows: told by content (a pool's root, or a package's manifest).
            {u"Blackboard pool (*.dat;*.zip)", u"*.dat;*.zip", u"dat"},
            {u"All Files (*.*)", u"*.*", u""}};
}

// The format a chosen dialog type stands for; the first and those past the formats detect it.
ImportFormat FormatOfImportType(size_t type)
{
    return type >= 1 && type <= std::size(kImportFormats) ? kImportFormats[type - 1] : ImportFormat::Auto;
}

} // namespace

void ResetAllState()
{
    ResetDocumentState();
    ClearExamSelectionState();
    g_fixup = FixupState{};
}

bool HasRawViewEdits(DocumentUi& ui)
{
    return g_hasJson && g_viewRaw && (RawTextEdited() || ui.ViewTextChanged());
}

bool IsDocumentModified(DocumentUi& ui) { return g_hasJson && (g_modified || HasRawViewEdits(ui)); }

bool ApplyRawViewEdits(DocumentUi& ui, void* owner)
{
    if (!HasRawViewEdits(ui)) return true;
    std::u16string error;
    JsonErrorPlace place;
    if (TakeRawViewText(ui, error, place)) return true;
    ShowParseError(ui, owner, error, place,
                   u"The changes in the raw JSON view could not be applied to the testbank, so nothing was done. "
                   u"Correct the text there first.\n\n");
    return false;
}

bool ApplyRawViewEditsQuietly(DocumentUi& ui)
{
    if (!HasRawViewEdits(ui)) return true;
    std::u16string error;
    JsonErrorPlace place;
    return TakeRawViewText(ui, error, place);
}

namespace {

void ApplyHistory(DocumentUi& ui, bool undo)
{
    const size_t countBefore = ItemCount();
    std::vector<size_t> positions;
    bool notesChanged = true;
    if (!ApplyHistoryStep(undo, positions, &notesChanged)) return;
    const bool modified = g_modified; // as the step left it: back at the saved state, clear
    if (!g_viewRaw && !positions.empty()) ui.ShowItemsEdited(positions, notesChanged);
    else ui.RefreshView();
    g_modified = modified;
    // Windows holding positions find their items again when the step moved them.
    if (ItemCount() == countBefore) ui.ItemsChanged();
    else ui.DocumentReread();
}

} // namespace

void CmdUndo(DocumentUi& ui, void* owner)
{
    if (!g_hasJson) return;
    if (HasRawViewEdits(ui)) {
        if (ui.UndoViewTyping()) return;
        // What the control cannot take back goes in as a step, and that step is undone.
        if (!ApplyRawViewEdits(ui, owner)) return;
    }
    ApplyHistory(ui, true);
}

void CmdRedo(DocumentUi& ui, void* owner)
{
    if (!g_hasJson || !ApplyRawViewEdits(ui, owner)) return;
    ApplyHistory(ui, false);
}

std::u16string UndoMenuText(DocumentUi& ui, bool undo, bool& enabled)
{
    const std::u16string keys = undo ? u"\tCtrl+Z" : u"\tCtrl+Y";
    std::u16string text = undo ? u"&Undo" : u"Red&o";
    if (undo && g_hasJson && HasRawViewEdits(ui)) {
        enabled = true;
        return text + u" Raw View Changes" + keys;
    }
    const std::u16string* name = g_hasJson ? HistoryStepName(undo) : nullptr;
    enabled = name != nullptr;
    if (name) {
        text += u' ';
        for (char16_t c : *name) {
            if (c == u'&') text += u'&'; // a menu shows "&&" as "&"
            text += c;
        }
    }
    return text + keys;
}

void CmdSaveAllNotes(DocumentUi& ui, void* owner)
{
    if (!g_hasJson) return;
    EnsureNotesCurrent();
    if (g_validationWarnings.empty()) {
        ui.ShowMessage(owner, u"The testbank has no notes.", u"Info", MsgIcon::Info, MsgButtons::Ok);
        return;
    }
    size_t type = 0;
    const std::u16string path = ui.AskSavePathOfType(owner, u"notes.txt", {{u"Text file (*.txt)", u"*.txt", u"txt"}},
                                                     type, u"Save All Notes As");
    if (path.empty()) return;
    std::string text;
    for (const std::u16string& note : g_validationWarnings) text.append(w2s(note)).append("\r\n");
    if (!WriteFileBytesSafely(path, text)) {
        ui.ShowMessage(owner, u"The notes could not be saved to " + path + u".", u"Error", MsgIcon::Error,
                       MsgButtons::Ok);
        return;
    }
    ui.ShowMessage(owner, u"Saved " + s2w(GroupedNumber(g_validationWarnings.size())) + u" notes.\n\n" + path, u"Info",
                   MsgIcon::Info, MsgButtons::Ok);
}

void CmdToggleRawView(DocumentUi& ui, void* owner)
{
    if (!g_hasJson) return;
    if (g_viewRaw && HasRawViewEdits(ui)) {
        std::u16string error;
        JsonErrorPlace place;
        if (!TakeRawViewText(ui, error, place)) {
            // The only place raw-view changes can go: the user chooses it in these words.
            if (ui.ShowMessage(owner,
                               u"The raw JSON view does not parse: " + error +
                                   u"\n\nDiscard every change made in the raw JSON view (typed or replaced) since "
                                   u"it was last applied, and show the testbank without them?",
                               u"Discard Raw View Changes", MsgIcon::Warning, MsgButtons::YesNo) != MsgAnswer::Yes) {
                if (place.known) ui.ShowParseErrorPlace(place.offset);
                return;
            }
            RebuildRawText();
        }
    }
    g_viewRaw = !g_viewRaw;
    ui.RefreshView();
}

bool ConfirmDiscardChanges(DocumentUi& ui, void* owner)
{
    if (!ui.ConfirmDiscardToolEdits(owner)) return false;
    if (!IsDocumentModified(ui)) return true;
    switch (ui.ShowMessage(owner, kSaveChangesQuestion, u"Exam Testbank Viewer/Editor", MsgIcon::Question,
                           MsgButtons::YesNoCancel)) {
    case MsgAnswer::Yes: return CmdSave(ui, owner);
    case MsgAnswer::No: return true;
    default: return false;
    }
}

std::u16string SaveRecoveryCopy(DocumentUi& ui, const std::u16string& folder)
{
    if (!g_hasJson || !IsDocumentModified(ui)) return u"";
    std::u16string text;
    if (HasRawViewEdits(ui)) {
        text = ui.ReadViewText();
    } else {
        EnsureRawTextCurrent();
        text = g_rawJsonText;
    }
    std::u16string base = g_currentPath.empty() ? folder + u"testbank" : g_currentPath;
    const std::u16string ext = u".json";
    if (base.size() > ext.size() && base.compare(base.size() - ext.size(), ext.size(), ext) == 0)
        base.resize(base.size() - ext.size());
    for (int n = 1; n < 1000; ++n) {
        const std::u16string path = base + u".unsaved" + (n > 1 ? u"-" + DecimalW(static_cast<unsigned long long>(n)) : u"") + ext;
        if (GetFileStamp(path).exists) continue;
        return SaveFileText(path, text) ? path : u"";
    }
    return u"";
}

void CmdNewTestbank(DocumentUi& ui, void* owner)
{
    if (!ConfirmDiscardChanges(ui, owner)) return;
    g_jsonDoc = json::object();
    g_jsonDoc["items"] = json::array();
    RebuildRawText();
    g_validationWarnings.clear();
    g_document.keptNotes.clear();
    g_currentPath.clear();
    g_document.diskStamp = FileStamp{};
    g_hasJson = true;
    g_viewRaw = false;
    g_modified = false;
    ResetHistory(true);
    ui.ResetExamSelections();
    ui.RefreshView();
}

namespace {

void OpenDocument(DocumentUi& ui, void* owner, const ImportFormat* import)
{
    if (!ConfirmDiscardChanges(ui, owner)) return;
    ImportFormat chosen = import ? *import : ImportFormat::Auto;
    size_t type = 0;
    const std::u16string path = import ? ui.AskOpenPathOfType(owner, ImportFileTypes(), type, u"Import") : ui.AskOpenPath(owner);
    if (path.empty()) return;
    if (import && chosen == ImportFormat::Auto) chosen = FormatOfImportType(type);
    if (import) import = &chosen;
    const FileStamp stamp = GetFileStamp(path); // before reading: a later change is one
    json parsed;
    std::u16string error;
    NoteList notes;
    std::vector<ImportIssue> issues;
    switch (LoadDocument(ui, owner, path, parsed, error, notes, issues, import)) {
    case Loaded::Cancelled: return;
    case Loaded::Unreadable: ShowError(ui, owner, u"Failed to read file or file is empty."); return;
    case Loaded::Invalid: ShowError(ui, owner, error); return;
    case Loaded::Ok: break;
    }
    if (import) {
        // Not the file it came from: a Save must never write JSON over the other tool's file.
        InstallLoadedDocument(ui, u"", FileStamp{}, std::move(parsed), std::move(notes));
        g_modified = true;
        ResetHistory(false);
    } else {
        InstallLoadedDocument(ui, path, stamp, std::move(parsed), std::move(notes));
    }
    ui.OpenImportFixup(owner, issues);
}

void OpenAndMerge(DocumentUi& ui, void* owner, const ImportFormat* import)
{
    if (!ApplyRawViewEdits(ui, owner)) return;
    ImportFormat chosen = import ? *import : ImportFormat::Auto;
    size_t type = 0;
    const std::vector<std::u16string> paths =
        import ? ui.AskOpenPathsOfType(owner, ImportFileTypes(), type, u"Import && Merge") : ui.AskOpenPaths(owner);
    if (paths.empty()) return;
    if (import && chosen == ImportFormat::Auto) chosen = FormatOfImportType(type);
    if (import) import = &chosen;
    std::vector<ImportIssue> accumulated;
    size_t next = 0;
    // A merge keeps only the outcome notes; what an import changed stays said.
    NoteList importNotes;
    MergeRecord record;
    record.starts.push_back(0);
    record.files.push_back(u"");
    if (!g_hasJson) {
        json parsed;
        std::u16string error;
        NoteList notes;
        const FileStamp stamp = GetFileStamp(paths[0]);
        switch (LoadDocument(ui, owner, paths[0], parsed, error, notes, accumulated, import, &importNotes)) {
        case Loaded::Cancelled: return;
        case Loaded::Unreadable: ShowError(ui, owner, u"Failed to read first file."); return;
        case Loaded::Invalid: ShowError(ui, owner, error); return;
        case Loaded::Ok: break;
        }
        InstallLoadedDocument(ui, import ? u"" : paths[0], import ? FileStamp{} : stamp, std::move(parsed),
                              std::move(notes));
        if (import) {
            g_modified = true;
            ResetHistory(false);
        }
        record.files[0] = FileNameOf(paths[0]);
        next = 1;
    }
    // The raw text, notes and view are rebuilt once, after the last file or before the
    // message of a failing one: what the user sees is the same as after every file.
    record.name = import ? u"Import & Merge" : u"Open & Merge";
    record.countBefore = ItemCount();
    record.restBefore = DocumentRest(g_jsonDoc);
    record.keptBefore = g_document.keptNotes;
    MergeIndex index;
    bool merged = false;
    auto fail = [&](const std::u16string& message) {
        if (merged) FinishMerge(ui, record, importNotes);
        ShowError(ui, owner, message);
    };
    for (; next < paths.size(); ++next) {
        const std::u16string& path = paths[next];
        json parsed;
        std::u16string error;
        NoteList notes;
        std::vector<ImportIssue> fileIssues;
        const size_t notesBefore = importNotes.size();
        switch (LoadDocument(ui, owner, path, parsed, error, notes, fileIssues, import, &importNotes)) {
        case Loaded::Cancelled: // what merged so far stays, said as after a failure
            if (merged) FinishMerge(ui, record, importNotes);
            return;
        case Loaded::Unreadable: fail(u"Failed to read file:\n" + path); return;
        case Loaded::Invalid: fail(u"Error in file:\n" + path + u"\n\n" + error); return;
        case Loaded::Ok: break;
        }
        std::u16string mergeError;
        const size_t start = ItemCount();
        std::vector<std::string> dropped;
        if (!MergeParsedJsonIntoCurrent(std::move(parsed), mergeError, &fileIssues, &index, &dropped)) {
            importNotes.resize(notesBefore);
            fail(u"Could not merge file:\n" + path + u"\n\n" + mergeError);
            return;
        }
        merged = true;
        record.starts.push_back(start);
        record.files.push_back(FileNameOf(path));
        for (std::string& id : dropped) record.dropped.emplace_back(std::move(id), FileNameOf(path));
        accumulated.insert(accumulated.end(), fileIssues.begin(), fileIssues.end());
    }
    if (merged) FinishMerge(ui, record, importNotes);
    ui.OpenImportFixup(owner, accumulated);
}

} // namespace

void CmdOpen(DocumentUi& ui, void* owner) { OpenDocument(ui, owner, nullptr); }

void CmdOpenAndMerge(DocumentUi& ui, void* owner) { OpenAndMerge(ui, owner, nullptr); }

void CmdImport(DocumentUi& ui, void* owner, ImportFormat format) { OpenDocument(ui, owner, &format); }

void CmdImportAndMerge(DocumentUi& ui, void* owner)
{
    const ImportFormat format = ImportFormat::Auto;
    OpenAndMerge(ui, owner, &format);
}

bool CmdSave(DocumentUi& ui, void* owner)
{
    if (!g_hasJson) return false;
    // Another program (or another copy of this one) may have saved the file meanwhile.
    if (!g_currentPath.empty()) {
        const FileStamp now = GetFileStamp(g_currentPath);
        if (now.exists && now != g_document.diskStamp &&
            ui.ShowMessage(owner, kChangedOnDiskQuestion, u"Exam Testbank Viewer/Editor", MsgIcon::Question,
                           MsgButtons::YesNo) != MsgAnswer::Yes)
            return false;
    }
    std::u16string output;
    if (!TakeOutputText(ui, owner, output)) return false;
    if (g_currentPath.empty()) {
        const std::u16string path = ui.AskSavePath(owner, u"testbank.json");
        if (path.empty()) return false;
        g_currentPath = path;
    }
    return WriteOutput(ui, owner, g_currentPath, output);
}

bool CmdSaveAs(DocumentUi& ui, void* owner)
{
    if (!g_hasJson) return false;
    std::u16string output;
    if (!TakeOutputText(ui, owner, output)) return false;
    const std::u16string path = ui.AskSavePath(owner, g_currentPath.empty() ? u"testbank.json" : g_currentPath);
    if (path.empty()) return false;
    if (!WriteOutput(ui, owner, path, output)) return false;
    g_currentPath = path;
    return true;
}
