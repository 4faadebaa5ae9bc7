#pragma once
// The program's tool windows, one list: registering their classes, their keys, and what
// each does when the document is replaced, re-read or edited all loop over it.
#include <windows.h>

// False (the user was told) when a class could not be registered.
bool RegisterToolWindowClasses(HICON large, HICON small);
// Given every message before dispatch; true when a tool window handled it.
bool TranslateToolWindowMessage(MSG* message);
void ToolWindowsDocumentReplaced();
void ToolWindowsDocumentReread();
void ToolWindowsItemsChanged();
// True when no window holds typed values, or the user agreed to drop them.
bool ConfirmDiscardToolWindowEdits(HWND owner);
// Registers one window class with the program's icons and cursor.
bool RegisterProgramWindowClass(const wchar_t* name, WNDPROC proc, bool whiteBackground, HICON large, HICON small,
                                const char16_t* failure);
