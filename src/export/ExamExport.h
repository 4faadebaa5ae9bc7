#pragma once
#include <windows.h>

#include "ui/ToolWindow.h"

enum : int {
    IDC_EXAM_LIST = 4001,
    IDC_EXAM_COUNT = 4002,
    IDC_EXAM_ALL = 4003,
    IDC_EXAM_NONE = 4004,
    IDC_EXAM_SAVE = 4005,
    IDC_EXAM_CLOSE = 4006,
    IDC_EXAM_PRINT = 4007,
    IDC_EXAM_SEARCH = 4008,
    IDC_EXAM_TYPE = 4009,
    IDC_EXAM_CATEGORY = 4010,
    IDC_EXAM_MLO = 4011,
    IDC_EXAM_SELECT_SHOWN = 4012,
    IDC_EXAM_CLEAR_SHOWN = 4013,
    IDC_EXAM_SHOWN = 4014,
};

void OpenExamExportWindow(HWND owner);
bool SaveExamSelections(HWND owner);
// Forgets the selection and closes the window.
void ResetExamSelections();
// Closes the window and keeps the selection (its rows hold item indices that a re-read
// document no longer matches).
void CloseExamExportWindow();
// The selection made current for a command that uses it: the raw view's typed text
// applied first and the window's checks (if open) taken. False when the user said No.
bool SyncExamSelection(HWND owner);
// The open "Select Items" window, or null.
HWND GetExamExportWindow();
// The window as the application lists it.
extern const ToolWindow kExamExportWindow;
