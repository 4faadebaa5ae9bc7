#pragma once
#include <vector>

#include <windows.h>

#include "model/JsonModel.h"

void OpenImportFixupWindow(HWND parent, const std::vector<ImportIssue>& issues);
LRESULT CALLBACK ImportFixupWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
