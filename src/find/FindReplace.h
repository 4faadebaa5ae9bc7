#pragma once
#include <windows.h>

#include "ui/ToolWindow.h"

enum : int {
    IDC_FR_FIND = 6002,
    IDC_FR_REPLACE_WITH = 6004,
    IDC_FR_MATCH_CASE = 6005,
    IDC_FR_FIND_NEXT = 6006,
    IDC_FR_REPLACE = 6007,
    IDC_FR_CLOSE = 6008,
    IDC_FR_REPLACE_ALL = 6009,
};

// Edit > Find... and Replace...: one window over the raw view; `owner` stays disabled
// while it is open.
void OpenFindDialog(HWND owner);
void OpenReplaceDialog(HWND owner);
// The open find/replace window, or null.
HWND GetFindReplaceWindow();
// The window as the application lists it.
extern const ToolWindow kFindReplaceWindow;
