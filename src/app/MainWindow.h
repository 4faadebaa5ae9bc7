#pragma once
#include <windows.h>

#include <commdlg.h>

#include "app/DocumentCommands.h"

// Menu command IDs.
enum : int {
    IDM_FILE_NEW = 1000,
    IDM_FILE_OPEN = 1001,
    IDM_FILE_SAVE = 1002,
    IDM_FILE_SAVE_AS = 1003,
    IDM_FILE_EXIT = 1004,
    IDM_FILE_OPEN_MERGE = 1005,
    IDM_VIEW_FONT = 2001,
    IDM_VIEW_TOGGLE_RAW = 2002,
    IDM_EDIT_ITEMS = 3001,
    IDM_EDIT_FIND = 3002,
    IDM_EDIT_REPLACE = 3003,
    IDM_CREATE_SELECT = 4100,
    IDM_CREATE_SAVE_SELECTIONS = 4101,
};

extern HINSTANCE g_hInst;
extern HWND g_hMainWnd;
extern HWND g_hEdit;
extern HFONT g_hFont;
// Every dialog and message box of the program goes through this; tests replace it.
extern ModalUi* g_modalUi;
// The font dialog; tests replace it.
extern BOOL(WINAPI* g_chooseFont)(CHOOSEFONTW*);

extern const wchar_t kMainWindowTitle[];

void CreateMainMenu(HWND window);
void ShowFontDialogAndApply(HWND owner);
void RefreshEditView(HWND mainWindow);
LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Shows a message box through g_modalUi.
MsgAnswer ShowMessageBox(HWND owner, const std::u16string& text, const std::u16string& caption, MsgIcon icon,
                         MsgButtons buttons = MsgButtons::Ok);
