#pragma once
#include <windows.h>

// Edit > Edit/Add Items...: opens the editor, or brings the open one to the front.
void OpenMcEditor(HWND owner);
// Closes the editor (its positions into `items` would name other items once the document
// is replaced or re-read).
void CloseMcEditor();
// Asks before the editor's typed values that are not in the document are dropped; true
// when there are none (or no editor) or the user agreed. The editor stays open.
bool ConfirmCloseMcEditor(HWND owner);
// The document's items changed under the open editor (a merge, a fix): its lists follow,
// the item in the form keeps its entry, typed values stay.
void McEditorDocumentItemsChanged();
// The document was re-read (the raw view's changes applied): the item in the form is found
// again by its ID, typed values stay.
void McEditorDocumentReread();
// The open editor, or null.
HWND GetMcEditorWindow();
LRESULT CALLBACK McEditorWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
