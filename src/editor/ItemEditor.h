#pragma once
#include <windows.h>

#include "ui/ToolWindow.h"

// Edit > Edit/Add Items...: opens the editor, or brings the open one to the front.
void OpenMcEditor(HWND owner);
// Closes the editor (its positions into `items` would name other items once the document
// is replaced or re-read).
void CloseMcEditor();
// The open editor, or null.
HWND GetMcEditorWindow();
// The window as the application lists it.
extern const ToolWindow kItemEditorWindow;
