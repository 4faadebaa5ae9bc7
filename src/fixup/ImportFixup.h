#pragma once
#include <vector>

#include <windows.h>

#include "model/JsonModel.h"

// Opens the wizard over the issues that need fixing (none: nothing opens), modal to
// `parent`, which stays disabled until the wizard closes.
void OpenImportFixupWindow(HWND parent, const std::vector<ImportIssue>& issues);
// The open wizard, or null.
HWND GetImportFixupWindow();
LRESULT CALLBACK ImportFixupWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
