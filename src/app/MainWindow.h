#pragma once
#include <windows.h>

#include <commdlg.h>

#include "app/DocumentCommands.h"
#include "ui/AppServices.h"
#include "ui/Shell.h"

// Menu command IDs.
enum : int {
    IDM_FILE_NEW = 1000,
    IDM_FILE_OPEN = 1001,
    IDM_FILE_SAVE = 1002,
    IDM_FILE_SAVE_AS = 1003,
    IDM_FILE_EXIT = 1004,
    IDM_FILE_OPEN_MERGE = 1005,
    IDM_FILE_IMPORT = 1006,
    IDM_FILE_IMPORT_MERGE = 1007,
    IDM_VIEW_FONT = 2001,
    IDM_VIEW_TOGGLE_RAW = 2002,
    IDM_VIEW_RAW_LONG_LINES = 2003,
    IDM_VIEW_SAVE_NOTES = 2004,
    IDM_EDIT_ITEMS = 3001,
    IDM_EDIT_FIND = 3002,
    IDM_EDIT_REPLACE = 3003,
    IDM_EDIT_DUPLICATES = 3004,
    IDM_EDIT_UNDO = 3005,
    IDM_EDIT_REDO = 3006,
    IDM_CREATE_SELECT = 4100,
    IDM_CREATE_SAVE_SELECTIONS = 4101,
    IDM_CREATE_PRINT = 4102,
    IDM_CREATE_COVERAGE = 4110,
    IDM_HELP_ABOUT = 5001,
};

// The main window's own state: the view font it made and the font last chosen.
struct MainWindowState {
    HFONT hFont = nullptr;
    LOGFONTW chosenFont{};
    // The user let the session end over unsaved work (saved it, or chose not to).
    bool sessionMayEnd = false;
};
extern MainWindowState g_mainWindow;
extern HFONT& g_hFont;
// The font dialog; tests replace it.
extern BOOL(WINAPI* g_chooseFont)(CHOOSEFONTW*);

extern const wchar_t kMainWindowTitle[];

// The shortcuts the menu texts show (Ctrl+O, Ctrl+S, Ctrl+F, Ctrl+H), for keys typed in the
// main window; true when the message became a menu command.
bool TranslateMainWindowShortcut(MSG* message);
void CreateMainMenu(HWND window);
// The title from the document: "*name.json - Exam Testbank Viewer/Editor" and so on.
void UpdateMainWindowTitle();
void ShowFontDialogAndApply(HWND owner);
// What the features ask of the application (see AppServices), but the exam formats.
AppServices MainWindowServices();
LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
