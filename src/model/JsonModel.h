#pragma once
#include <cstdint>
#include <deque>
#include <unordered_map>
#include <unordered_set>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "util/FileUtil.h"

using json = nlohmann::json;
using NoteList = std::vector<std::u16string>;
// IDs in use: exact, byte-for-byte membership.
using IdSet = std::unordered_set<std::string>;

// The name a type code is shown with ("multiple_choice": "Multiple choice"); an unknown
// code as it stands.
std::string ItemTypeDisplayName(const std::string& code);

// An imported item that needs the fixup wizard: its type was guessed or its MLO is missing.
struct ImportIssue {
    std::string id;
    bool missingType = false;
    bool missingMlo = false;
};

// The raw text against the document it is made from.
enum class RawText {
    // The document's dump.
    Current,
    // Behind a change made in place to one or a few items (a fix, an item editor save), so
    // that the change costs what the item costs: every reader rebuilds it first
    // (EnsureRawTextCurrent).
    Stale,
    // Holds edits not taken into the document (a replacement in the raw view).
    Edited,
    // The same, with the edits still only in the raw view's control (copying a large text
    // back after every replacement would cost the whole text each time).
    EditedInView,
};

// One change of the items: `before` (from position `at` of the document before the step)
// replaced by `after`.
struct ItemSplice {
    size_t at = 0;
    std::vector<json> before, after;
};
// A change to the document as Undo and Redo take it: only what it changed, and a name for
// the menu ("Apply to All (5,250 items)").
struct HistoryStep {
    std::u16string name;
    std::vector<ItemSplice> splices; // ascending and apart
    // The document's members besides "items", when the step changed them.
    bool restChanged = false;
    json restBefore, restAfter;
    // What an import or a merge said, kept on top of the notes.
    bool keptChanged = false;
    NoteList keptBefore, keptAfter;
    size_t bytes = 0; // an estimate of what the step holds
};
// Steps are kept up to this many bytes (estimated), the oldest dropped first; the newest
// step is kept whatever its size.
constexpr size_t kHistoryByteLimit = size_t(64) << 20;
struct History {
    std::deque<HistoryStep> steps;
    size_t done = 0;  // steps applied: steps[done - 1] is the one Undo takes back
    size_t saved = 0; // `done` when the document was last as in its file
    bool savedReachable = true;
    size_t bytes = 0;
    size_t limit = kHistoryByteLimit;
};

// Document state, shared by every window on the one UI thread. One owner, so a reset is
// complete by construction; the g_ names are references into it.
struct DocumentState {
    json jsonDoc;
    bool hasJson = false;
    bool viewRaw = false;
    std::u16string rawJsonText; // CR LF line ends
    std::u16string currentPath;
    NoteList validationWarnings;
    // What an import or a merge said about the document: kept on top of the notes until the
    // next New, Open or Import, however often the notes are made again.
    NoteList keptNotes;
    // Set by every change to the document or raw text that has not been written; cleared
    // by New, Open and a successful Save or Save As.
    bool modified = false;
    // Where the raw text stands against the document (see RawText).
    RawText raw = RawText::Current;
    // The notes are behind an in-place change of some items: made again by their first reader.
    bool notesStale = false;
    // The current file as it was when opened or last saved here: Save asks before it
    // overwrites a file that changed since.
    FileStamp diskStamp;
    History history;
    // The name the raw view's edits take as a step when they go into the document.
    std::u16string rawEditName;
};
extern DocumentState g_document;
extern json& g_jsonDoc;
extern bool& g_hasJson;
extern bool& g_viewRaw;
extern std::u16string& g_rawJsonText;
extern std::u16string& g_currentPath;
extern NoteList& g_validationWarnings;
extern bool& g_modified;
// The raw text holds edits the document lacks.
inline bool RawTextEdited();
// Back to the state at start-up: no document.
void ResetDocumentState();
// The raw text made again from g_jsonDoc, edits in it dropped.
void RebuildRawText();
// After a change to g_jsonDoc: the raw text and the notes rebuilt, the document modified.
// The caller refreshes the view.
void MarkDocumentChanged();
// After a change in place to some items: the document modified, the raw text and notes
// left to be rebuilt once, by the first reader.
void MarkItemsEdited();
void EnsureRawTextCurrent();
void EnsureNotesCurrent();
inline bool ViewsStale() { return g_document.raw == RawText::Stale || g_document.notesStale; }
inline bool RawTextEdited() { return g_document.raw == RawText::Edited || g_document.raw == RawText::EditedInView; }
// The main window's title: "name.json - " + the program's title, "*" before the name while
// there are unsaved changes, "Untitled" for a document never saved; the program's title
// alone without a document.
std::u16string MainWindowTitleText(bool hasDocument, const std::u16string& path, bool modified,
                                   const std::u16string& programTitle);

// History (Edit > Undo and Redo). Every change to the document records one step here.
// A new history: New, Open, Import. `saved` says whether the document is as in its file.
void ResetHistory(bool saved);
// The document as it now stands is the one in its file (after a Save).
void MarkHistorySaved();
// After items at `positions` (ascending) were changed in place or appended (a position at
// or past `countBefore`): `before[k]` the value of positions[k] before (ignored for an
// appended one). Items that are as they were are left out; nothing is recorded when none
// changed. True when a step was recorded (the document is then marked edited).
bool RecordItemsEdited(std::u16string name, const std::vector<size_t>& positions, std::vector<json>&& before,
                       size_t countBefore);
// After the document `before` (its items moved from) was replaced by g_jsonDoc: the items
// that differ, found by the common start and end (one by one when the count is the same).
bool RecordDocumentReplaced(std::u16string name, json&& before, const NoteList& keptBefore);
// After items were appended from `countBefore` on (a merge), with the other members and
// the kept notes as they were before.
bool RecordItemsAppended(std::u16string name, size_t countBefore, json&& restBefore, const NoteList& keptBefore);
// A step's name for one item: "Edit Item Q12" (a long ID cut).
std::u16string ItemStepName(const std::u16string& verb, const json& item);
// The document's members besides "items".
json DocumentRest(const json& document);
// The name of the step Undo (or Redo) would take; null when there is none.
const std::u16string* HistoryStepName(bool undo);
// Undo (or Redo) of one step on g_jsonDoc: the raw text and notes left to be rebuilt, the
// modified mark as the step leaves it. `positions`: the items now at the changed places
// when the step kept the count of items, or appended one item at the end, or removed the
// last one (then one past the end); empty when the listing must be made again.
// `notesChanged` false when the notes are as they were (the items changed in place, each
// with the same note): they are not made again. False when there was no step.
bool ApplyHistoryStep(bool undo, std::vector<size_t>& positions, bool* notesChanged = nullptr);

// Deepest nesting accepted in any parsed text; the library recurses once per level when
// copying, dumping and destroying values, so deeper input would exhaust the stack.
constexpr size_t kMaxJsonDepth = 512;

// Parses UTF-8 JSON (comments ignored, BOM skipped). Throws std::exception on bad text,
// including nesting deeper than kMaxJsonDepth, refused as soon as the parser reaches it.
json ParseJsonText(const std::string& utf8);
// Where a parse failed and why, in words a user reads: "line 12, column 8: a comma or
// closing brace is missing". `offset` is the place in UTF-16 code units of the text that
// was parsed (as the view control counts), when the error names one.
struct JsonErrorPlace {
    bool known = false;
    size_t line = 0, column = 0, offset = 0;
};
std::u16string DescribeJsonError(const std::exception& error, const std::string& utf8, JsonErrorPlace* place = nullptr);
// The library's compact text of a value ("JSON text" of a scalar).
std::string JsonText(const json& value);
// A scalar's text: a string itself, a number or boolean its JSON text; anything else "".
std::string ScalarText(const json& value);
// The ScalarText of object[key]; "" when it is absent or `object` is no object.
std::string FieldText(const json& object, const char* key);
// The library's pretty text with the given indent, non-ASCII left as UTF-8.
std::string DumpIndented(const json& value, int indent);

// Text helpers (ASCII / C-locale rules).
std::string ToLowerAscii(std::string text);
bool IsBlank(const std::string& text);
std::string NormalizeTextForComparison(const std::string& text);
bool FindKeyCaseInsensitive(const json& value, const std::string& lowerName, std::string& foundKey);

// A multiple-choice item's choices are the letters A-D and any further letters it has,
// E, F, ... up to Z: the highest letter present sets how many.
constexpr int kMinChoices = 4;
constexpr int kMaxChoices = 26;
int ChoiceCount(const json& choices);
inline std::string ChoiceLetter(int index) { return std::string(1, static_cast<char>('A' + index)); }
// The index of a key such as "F" (or "f") among `count` choices, or -1.
int ChoiceIndex(const std::string& key, int count);

// Item normalization.
void EnsureStringField(json& object, const std::string& key, const std::string& def);
std::string NormalizeTypeString(const std::string& text);
std::string InferTypeFromItem(const json& item);
void EnsureObjectivesObject(json& item);
void NormalizeOutcomeKeys(json& item);
bool TryFillMissingMloFromSingleObjective(json& item);
void NormalizeTypeSpecificFields(json& item, const std::string& type);
void NormalizeItem(json& item, const std::string& id, NoteList& notes, std::vector<ImportIssue>* issues);

// Loading, validation and IDs.
bool ParseAndValidateJson(const std::u16string& text, json& document, std::u16string& error,
                          NoteList& notes, std::vector<ImportIssue>* issues, JsonErrorPlace* place = nullptr);
// The same from UTF-8 text (valid, see ValidUtf8): a file's bytes need no UTF-16 copy.
bool ParseAndValidateUtf8(std::string&& utf8, json& document, std::u16string& error, NoteList& notes,
                          std::vector<ImportIssue>* issues = nullptr, JsonErrorPlace* place = nullptr);
// The same for a document already parsed (an import): the steps after parsing.
bool ValidateTestbankDocument(json&& parsed, json& document, std::u16string& error, NoteList& notes,
                              std::vector<ImportIssue>* issues);
bool NormalizeTestbankDocument(json& document, NoteList& notes, std::u16string& error,
                               std::vector<ImportIssue>* issues);
bool CheckDuplicateIds(const json& document, std::u16string& duplicate);
void AppendValidationWarnings(const json& document, NoteList& notes);
// The note AppendValidationWarnings makes for the item at `position` (UTF-8); "" for none.
std::string ItemOutcomeNote(const json& item, size_t position);
std::string MakeAutoIdBase(uint64_t position);
std::string MakeUniqueId(const std::string& base, const IdSet& used);
// The ID text of an item: FieldText(item, "id").
inline std::string ItemIdText(const json& item) { return FieldText(item, "id"); }

// Where each ID of a merge target lives. Kept across the merges of one Open && Merge, so
// that k files cost one pass over the document, not k; the target may change only by
// those merges meanwhile.
struct MergeIndex {
    IdSet used;
    std::unordered_map<std::string, size_t> positionOf;
    size_t indexed = 0; // items of the target already in the tables
};
// Merging `incoming` (its items moved, not copied) into `target` (made a testbank first if
// it is none). An incoming item whose ID and question are already there is dropped; when
// its choices or answer differ, its ID is added to `droppedDiffering`.
bool MergeParsedJson(json& target, json incoming, std::u16string& error, std::vector<ImportIssue>* issues,
                     MergeIndex* index = nullptr, std::vector<std::string>* droppedDiffering = nullptr);
// The same into g_jsonDoc.
bool MergeParsedJsonIntoCurrent(json incoming, std::u16string& error, std::vector<ImportIssue>* issues,
                                MergeIndex* index = nullptr, std::vector<std::string>* droppedDiffering = nullptr);
std::string GetItemQuestionKey(const json& item);
std::string AlphaSuffixFromIndex(int32_t index);
std::string MakeUniqueIdByLetterSuffix(const std::string& base, const IdSet& used);

// What an item says, each text folded (FoldForComparison): its type, its question, the
// set of its non-blank choices (sorted, so their order and letters do not matter) and its
// key: the correct choice's text for a choice item, else the text of "correct" (or of
// "answer"). Any shape of item is accepted; missing parts are "".
struct ItemContent {
    std::string type;
    std::string question;
    std::vector<std::string> choices;
    std::string key;
};
ItemContent GetItemContent(const json& item);
// Two items ask the same: same type, question and choices (the key may differ).
inline bool SameQuestionAndChoices(const ItemContent& a, const ItemContent& b)
{
    return a.type == b.type && a.question == b.question && a.choices == b.choices;
}

// Views.
std::u16string DumpJsonForRawView(const json& document);
// The same text as the UTF-8 bytes Save writes, without the UTF-16 copy (for a large bank
// that copy is the peak). The dump is valid UTF-8 whose only line breaks are the indentation's.
std::string DumpJsonForSave(const json& document);
std::u16string NormalizeNewlinesToCRLF(const std::u16string& text);
// The listing of the raw text with g_validationWarnings on top.
std::u16string FormatTestbankJson(const std::u16string& rawText);
// The same listing rendered from a parsed document: equal to the listing of its raw dump,
// without parsing that text again.
std::string FormatDocumentListing(const json& document, const NoteList& notes);
// The main view's listing: from g_jsonDoc while the raw text is its dump, else from the
// raw text; g_validationWarnings on top.
std::u16string FormatCurrentListing();

// The same listing from and as UTF-8 (for callers that never show it in a control).
std::string FormatTestbankListing(const std::string& rawUtf8, const NoteList& notes);
// One item's block of the formatted listing (UTF-8); throws on a value of the wrong kind.
void AppendItemListing(std::string& out, const json& item);
// The notes block at the head of the formatted listing (UTF-8); "" without notes.
std::string FormatNotesBlock(const NoteList& notes);
// Notes that differ only in their numbers (one per item) as one line each kind: the count,
// then the first and last, e.g. "5,250 items had no usable "id": assigned AUTO_0001 ... AUTO_5250."
NoteList GroupRepeatedNotes(const NoteList& notes);
