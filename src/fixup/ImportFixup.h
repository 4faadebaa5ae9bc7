#pragma once
#include <vector>

#include <windows.h>

#include "model/JsonModel.h"

// Opens the wizard over the issues that need fixing (none: nothing opens), modal to
// `parent`, which stays disabled (with every other window) until the wizard closes.
void OpenImportFixupWindow(HWND parent, const std::vector<ImportIssue>& issues);
// Asks before values typed in the wizard and not saved are dropped; true when there are
// none (or no wizard) or the user agreed.
bool ConfirmCloseImportFixup(HWND owner);
// The open wizard, or null.
HWND GetImportFixupWindow();
LRESULT CALLBACK ImportFixupWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
