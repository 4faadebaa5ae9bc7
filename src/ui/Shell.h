#pragma once
// What every window of the program shares: the instance, the main window and its view
// control, the message boxes, and the refresh of the main view.
#include <string>

#include <windows.h>

#include "ui/ModalUi.h"

struct ShellState {
    HINSTANCE hInst = nullptr;
    HWND hMainWnd = nullptr;
    HWND hEdit = nullptr; // the main view control
};
extern ShellState g_shell;
extern HINSTANCE& g_hInst;
extern HWND& g_hMainWnd;
extern HWND& g_hEdit;

// Shows a message box through g_modalUi.
MsgAnswer ShowMessageBox(HWND owner, const std::u16string& text, const std::u16string& caption, MsgIcon icon,
                         MsgButtons buttons = MsgButtons::Ok);
// Until the next mouse move after the current step: shown for anything that may take long.
void ShowWaitCursor();
// The main view from the document state: empty, the formatted listing or the raw text.
void RefreshEditView(HWND mainWindow);
