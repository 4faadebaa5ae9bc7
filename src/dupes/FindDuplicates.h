#pragma once
#include <windows.h>

#include "ui/ToolWindow.h"

enum : int {
    IDC_DUP_THRESHOLD = 7002,
    IDC_DUP_FIND = 7003,
    IDC_DUP_LIST = 7004,
    IDC_DUP_SUMMARY = 7005,
    IDC_DUP_SHOW = 7006,
    IDC_DUP_CLOSE = 7007,
};

// Edit > Find Duplicates...: the duplicate groups of the open document, listed one row
// per member; choosing a row highlights that item in the main view. Modeless, so the
// user can edit or delete the item and find again.
void OpenFindDuplicatesWindow(HWND owner);
HWND GetFindDuplicatesWindow();
// The window as the application lists it.
extern const ToolWindow kFindDuplicatesWindow;
