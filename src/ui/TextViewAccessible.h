#pragma once
// What a screen reader asks the main view through MSAA: the view answers as a text box
// (its role, its whole text as the value, read-only when it is), the rest as any window.
#include <windows.h>

// The answer to WM_GETOBJECT for OBJID_CLIENT; 0 (the system's own answer) on failure.
LRESULT AnswerTextViewAccessible(HWND view, WPARAM wParam);
