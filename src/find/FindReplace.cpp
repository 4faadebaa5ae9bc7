#include "find/FindReplace.h"

// The find/replace window is not built yet: the commands switch to the raw view only.
void OpenFindDialog(HWND) {}
void OpenReplaceDialog(HWND) {}
bool HandleFindReplaceDialogMessage(MSG*) { return false; }

LRESULT CALLBACK FindReplaceWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcW(window, message, wParam, lParam);
}
