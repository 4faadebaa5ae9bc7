#include "app/ToolWindows.h"

#include "dupes/FindDuplicates.h"
#include "editor/ItemEditor.h"
#include "export/ExamExport.h"
#include "find/FindReplace.h"
#include "fixup/ImportFixup.h"
#include "print/PrintExamDialog.h"
#include "report/CoverageReport.h"
#include "ui/Shell.h"

namespace {

// Adding a window: its own folder defines its ToolWindow, and one line here.
const ToolWindow* const kToolWindows[] = {
    &kItemEditorWindow,     &kExamExportWindow,     &kImportFixupWindow, &kFindReplaceWindow,
    &kFindDuplicatesWindow, &kCoverageReportWindow, &kPrintExamWindow,
};

} // namespace

bool RegisterProgramWindowClass(const wchar_t* name, WNDPROC proc, bool whiteBackground, HICON large, HICON small,
                                const char16_t* failure)
{
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = proc;
    wc.hInstance = g_hInst;
    wc.hIcon = large ? large : LoadIconW(nullptr, IDI_APPLICATION);
    wc.hIconSm = small ? small : LoadIconW(nullptr, IDI_APPLICATION);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    // Tool windows in the dialog colour their labels and buttons are drawn in; the main view
    // and a window that paints its labels white in the window's.
    wc.hbrBackground = reinterpret_cast<HBRUSH>((whiteBackground ? COLOR_WINDOW : COLOR_BTNFACE) + 1);
    wc.lpszClassName = name;
    if (RegisterClassExW(&wc)) return true;
    ShowMessageBox(nullptr, failure, u"Error", MsgIcon::Error);
    return false;
}

bool RegisterToolWindowClasses(HICON large, HICON small)
{
    for (const ToolWindow* w : kToolWindows)
        if (!RegisterProgramWindowClass(w->className, w->proc, w->whiteBackground, large, small, w->registrationFailure))
            return false;
    return true;
}

bool TranslateToolWindowMessage(MSG* message)
{
    for (const ToolWindow* w : kToolWindows) {
        if (w->translate ? w->translate(message) : HandleToolWindowKeys(w->window(), message)) return true;
    }
    return false;
}

void ToolWindowsDocumentReplaced()
{
    for (const ToolWindow* w : kToolWindows)
        if (w->documentReplaced) w->documentReplaced();
}

void ToolWindowsDocumentReread()
{
    for (const ToolWindow* w : kToolWindows)
        if (w->documentReread) w->documentReread();
}

void ToolWindowsItemsChanged()
{
    for (const ToolWindow* w : kToolWindows)
        if (w->itemsChanged) w->itemsChanged();
}

bool ConfirmDiscardToolWindowEdits(HWND owner)
{
    for (const ToolWindow* w : kToolWindows)
        if (w->confirmDiscard && !w->confirmDiscard(owner)) return false;
    return true;
}
