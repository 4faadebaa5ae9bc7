#include "fixup/ImportFixup.h"

// The wizard window is not built yet; its list logic lives in FixupLogic.
void OpenImportFixupWindow(HWND, const std::vector<ImportIssue>&) {}

LRESULT CALLBACK ImportFixupWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcW(window, message, wParam, lParam);
}
