#pragma once
#include <vector>

#include <windows.h>

#include "ui/ToolWindow.h"

#include "model/JsonModel.h"

// Opens the wizard over the issues that need fixing (none: nothing opens), modal to
// `parent`, which stays disabled (with every other window) until the wizard closes.
void OpenImportFixupWindow(HWND parent, const std::vector<ImportIssue>& issues);
// The open wizard, or null.
HWND GetImportFixupWindow();
// The window as the application lists it.
extern const ToolWindow kImportFixupWindow;
