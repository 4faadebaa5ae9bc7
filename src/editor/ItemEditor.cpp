#include "editor/ItemEditor.h"

// The item editor window is not built yet: the menu command opens nothing.
void OpenMcEditor(HWND) {}

LRESULT CALLBACK McEditorWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcW(window, message, wParam, lParam);
}
