#pragma once
#include <windows.h>

void OpenFindDialog(HWND owner);
void OpenReplaceDialog(HWND owner);
// Given every message before dispatch; true when the find/replace window handled it.
bool HandleFindReplaceDialogMessage(MSG* message);
LRESULT CALLBACK FindReplaceWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
