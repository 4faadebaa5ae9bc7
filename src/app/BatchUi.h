#pragma once
#include "app/DocumentCommands.h"
#include "export/ExamSelection.h"
#include "ui/ScriptedUi.h"

// The whole document UI without windows: the testbank command runs the editor's
// commands through it, and native tests script the user with it.
class BatchUi : public Scripted<DocumentUi> {
public:
    std::vector<std::vector<ImportIssue>> fixupCalls;
    NoteList mergeNotes;
    int refreshes = 0;
    int resets = 0;

    // The view's text, as the view control would hold it; made only when read.
    std::u16string ReadViewText() override
    {
        if (viewStale_) {
            EnsureRawTextCurrent();
            view_ = g_hasJson ? (g_viewRaw ? g_rawJsonText : FormatCurrentListing()) : std::u16string();
            viewStale_ = false;
        }
        return view_;
    }
    // What the user typed into the raw view.
    void TypeIntoView(const std::u16string& text)
    {
        view_ = text;
        viewStale_ = false;
    }
    void RefreshView() override
    {
        ++refreshes;
        viewStale_ = true;
    }
    void ResetExamSelections() override
    {
        ++resets;
        ClearExamSelectionState();
    }
    // No tool windows: nothing typed to lose.
    bool ConfirmDiscardToolEdits(void*) override { return true; }
    void OpenImportFixup(void*, const std::vector<ImportIssue>& issues) override { fixupCalls.push_back(issues); }
    void MergeNotesAdded(const NoteList& notes) override { mergeNotes.insert(mergeNotes.end(), notes.begin(), notes.end()); }

private:
    std::u16string view_;
    bool viewStale_ = false;
};
