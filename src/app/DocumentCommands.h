#pragma once
#include <functional>
#include <string>
#include <vector>

#include "formats/ImportFormats.h"
#include "model/JsonModel.h"
#include "ui/ModalUi.h"

// What the document commands need besides the modal interactions: the view's text and
// the other windows they notify.
class DocumentUi : public ModalUi {
public:
    virtual std::u16string ReadViewText() = 0;
    // Whether the user changed the view's text since it was last set; cheaper than reading
    // a large view back.
    virtual bool ViewTextChanged()
    {
        EnsureRawTextCurrent();
        return ReadViewText() != g_rawJsonText;
    }
    // The raw view's text did not parse: the caret goes to the place the message names
    // (UTF-16 code units into the view's text).
    virtual void ShowParseErrorPlace(size_t offset) { (void)offset; }
    virtual void RefreshView() {}
    // The view already shows exactly the raw text (it was taken in unchanged): only its
    // changed mark is cleared.
    virtual void ViewHoldsRawText() { RefreshView(); }
    // A long step begins (reading, parsing, rebuilding): the user sees the wait cursor.
    virtual void ShowBusy() {}
    // Work that can take seconds (reading and converting a file), with a way to cancel it;
    // false when the user cancelled. `work` must own what it touches.
    virtual bool RunLong(void* owner, const std::u16string& what, std::function<void()> work)
    {
        (void)owner;
        (void)what;
        work();
        return true;
    }
    virtual void ResetExamSelections() {}
    // The document was re-read from the raw view's text: windows holding positions into
    // the old one find their items again (or close).
    virtual void DocumentReread() {}
    virtual void OpenImportFixup(void* owner, const std::vector<ImportIssue>& issues) { (void)owner; (void)issues; }
    // Asks before tool windows that hold typed values not in the document lose them;
    // false when the user keeps them. No default: it guards typed work.
    virtual bool ConfirmDiscardToolEdits(void* owner) = 0;
    // The document's items changed (a merge): windows listing them follow.
    virtual void ItemsChanged() {}
    // Edit > Undo in the raw view: the control's own undo of what was typed there, first;
    // false when it has none.
    virtual bool UndoViewTyping() { return false; }
    // Undo or Redo changed the items at `positions` in place: the view follows them where
    // they are (or is made again when the user looks).
    // `notesChanged` false: the notes stay as they are.
    virtual void ShowItemsEdited(const std::vector<size_t>& positions, bool notesChanged)
    {
        (void)positions;
        const bool stale = g_document.notesStale;
        MarkItemsEdited();
        if (!notesChanged) g_document.notesStale = stale;
    }
    // Open && Merge found duplicates or dropped differing items: the notes, also on top of
    // the listing.
    virtual void MergeNotesAdded(const NoteList& notes) { (void)notes; }
};

void CmdNewTestbank(DocumentUi& ui, void* owner);
void CmdOpen(DocumentUi& ui, void* owner);
void CmdOpenAndMerge(DocumentUi& ui, void* owner);
// File > Import...: Open for a bank of another tool (`format` detected when Auto). The
// import becomes a new, unsaved document: Save asks for a name rather than overwrite
// the file it came from.
void CmdImport(DocumentUi& ui, void* owner, ImportFormat format = ImportFormat::Auto);
// File > Import && Merge...: Open && Merge for such banks.
void CmdImportAndMerge(DocumentUi& ui, void* owner);
bool CmdSave(DocumentUi& ui, void* owner);
bool CmdSaveAs(DocumentUi& ui, void* owner);
// Asks to save unsaved work; false when the user cancels or the save failed.
bool ConfirmDiscardChanges(DocumentUi& ui, void* owner);
// The session ends over unsaved work the user did not let go: the document (or the raw
// view's text as typed, parsed or not) written beside its file as NAME.unsaved.json (in
// `folder`, ending in a separator, for a document never saved), never over another file. The path written; empty
// when there was nothing to keep or it could not be written.
std::u16string SaveRecoveryCopy(DocumentUi& ui, const std::u16string& folder);
// Unsaved work: a document change not yet written, or edits in the raw view.
bool IsDocumentModified(DocumentUi& ui);
// The raw view is shown and holds edits the document lacks: typed text or a replacement.
bool HasRawViewEdits(DocumentUi& ui);
// The raw view's changes (typed or replaced) taken into the document, as Save and leaving
// the raw view take them: every command that rebuilds the raw text calls this first. True
// when there were none or they parsed; false when they do not parse: the error (line and
// column) is shown, the caret put there, and the caller does nothing.
bool ApplyRawViewEdits(DocumentUi& ui, void* owner);
// The same without a message when they do not parse (they stay in the raw view).
bool ApplyRawViewEditsQuietly(DocumentUi& ui);
// Edit > Undo and Redo: one step of the document's history each. Undo in the raw view takes
// back what was typed there first; Redo applies the raw view's changes first (a change
// made since an undo ends what could be redone).
void CmdUndo(DocumentUi& ui, void* owner);
void CmdRedo(DocumentUi& ui, void* owner);
// The Edit menu's entry: "&Undo Apply to All (5,250 items)\tCtrl+Z"; `enabled` whether
// there is a step.
std::u16string UndoMenuText(DocumentUi& ui, bool undo, bool& enabled);
// View > Save All Notes As...: every note, one a line, where the view shows them grouped.
void CmdSaveAllNotes(DocumentUi& ui, void* owner);
// View > Toggle Raw JSON View: leaving the raw view applies its changes; when they do not
// parse, the user chooses between discarding them (named as such) and staying.
void CmdToggleRawView(DocumentUi& ui, void* owner);
// Back to the state at start-up in every portable subsystem: document, exam selection,
// fixup list.
void ResetAllState();
