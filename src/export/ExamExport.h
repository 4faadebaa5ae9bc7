#pragma once
#include <windows.h>

void OpenExamExportWindow(HWND owner);
bool SaveExamSelections(HWND owner);
void ResetExamSelections();
LRESULT CALLBACK ExamExportWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
