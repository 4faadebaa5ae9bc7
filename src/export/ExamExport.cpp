#include "export/ExamExport.h"

#include "ui/Shell.h"
#include "export/ExamSelection.h"

// The "Select Items" window is not built yet; saving and forgetting the selection work.
void OpenExamExportWindow(HWND) {}

bool SaveExamSelections(HWND owner)
{
    // The selection window, once built, syncs its check boxes into the set first.
    return SaveExamSelectionsWith(*g_modalUi, owner);
}

void ResetExamSelections() { ClearExamSelectionState(); }

LRESULT CALLBACK ExamExportWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcW(window, message, wParam, lParam);
}
