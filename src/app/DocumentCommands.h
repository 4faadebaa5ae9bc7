#pragma once
#include <string>
#include <vector>

#include "model/JsonModel.h"

enum class MsgIcon { Error, Info, Warning, Question };
enum class MsgButtons { Ok, YesNo, YesNoCancel };
enum class MsgAnswer { Ok, Yes, No, Cancel };

// The modal interactions of the shell: the program implements them with Win32 dialogs
// and message boxes; tests and the testbank command script them. `owner` is the owning
// window handle.
class ModalUi {
public:
    virtual ~ModalUi() = default;
    virtual std::u16string AskOpenPath(void* owner) = 0;
    virtual std::vector<std::u16string> AskOpenPaths(void* owner) = 0;
    virtual std::u16string AskSavePath(void* owner, const std::u16string& suggested) = 0;
    virtual MsgAnswer ShowMessage(void* owner, const std::u16string& text, const std::u16string& caption,
                                  MsgIcon icon, MsgButtons buttons) = 0;
};

// What the document commands need besides the modal interactions: the view's text and
// the other windows they notify.
class DocumentUi : public ModalUi {
public:
    virtual std::u16string ReadViewText() = 0;
    virtual void RefreshView() {}
    virtual void ResetExamSelections() {}
    virtual void OpenImportFixup(void* owner, const std::vector<ImportIssue>& issues) { (void)owner; (void)issues; }
};

// Set by every change to the document or raw text that has not been written; cleared by
// New, Open and a successful Save or Save As.
extern bool g_modified;

void CmdNewTestbank(DocumentUi& ui, void* owner);
void CmdOpen(DocumentUi& ui, void* owner);
void CmdOpenAndMerge(DocumentUi& ui, void* owner);
bool CmdSave(DocumentUi& ui, void* owner);
bool CmdSaveAs(DocumentUi& ui, void* owner);
// Asks to save unsaved work; false when the user cancels or the save failed.
bool ConfirmDiscardChanges(DocumentUi& ui, void* owner);
// Unsaved work: a document change not yet written, or text typed into the raw view.
bool IsDocumentModified(DocumentUi& ui);
// The update every change to g_jsonDoc runs: raw text, notes, view.
void RebuildViewsAfterChange(DocumentUi& ui);
