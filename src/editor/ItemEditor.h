#pragma once
#include <windows.h>

void OpenMcEditor(HWND owner);
LRESULT CALLBACK McEditorWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
