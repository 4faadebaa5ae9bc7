#include "app/AppMain.h"

#include "app/ExamFormatTypes.h"
#include "app/MainWindow.h"
#include "branding/Branding.h"
#include "dupes/FindDuplicates.h"
#include "editor/ItemEditor.h"
#include "export/ExamExport.h"
#include "find/FindReplace.h"
#include "fixup/ImportFixup.h"
#include "report/CoverageReport.h"
#include "print/PrintExamDialog.h"
#include "util/FileUtil.h"
#include "util/MemoryReserve.h"

namespace {

bool RegisterWindowClasses()
{
    static const struct {
        const wchar_t* name;
        WNDPROC proc;
        const char16_t* failure;
    } classes[] = {
        {L"ExamBankViewerWindowClass", MainWndProc, u"Main Window Registration Failed!"},
        {L"McEditorWindowClass", McEditorWndProc, u"Item Editor Window Registration Failed!"},
        {L"ExamExportWindowClass", ExamExportWndProc, u"Exam Export Window Registration Failed!"},
        {L"ImportFixupWindowClass", ImportFixupWndProc, u"Import Fixup Window Registration Failed!"},
        {L"FindReplaceWindowClass", FindReplaceWndProc, u"Find/Replace Window Registration Failed!"},
        {L"FindDuplicatesWindowClass", FindDuplicatesWndProc, u"Find Duplicates Window Registration Failed!"},
        {L"CoverageReportWindowClass", CoverageReportWndProc, u"Coverage Report Window Registration Failed!"},
        {L"PrintExamWindowClass", PrintExamWndProc, u"Print Exam Window Registration Failed!"},
    };
    HICON large = GetBrandIconLarge();
    HICON small = GetBrandIconSmall();
    for (const auto& c : classes) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.style = CS_HREDRAW | CS_VREDRAW;
        wc.lpfnWndProc = c.proc;
        wc.hInstance = g_hInst;
        wc.hIcon = large ? large : LoadIconW(nullptr, IDI_APPLICATION);
        wc.hIconSm = small ? small : LoadIconW(nullptr, IDI_APPLICATION);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        // The tool windows in the dialog colour their labels and buttons are drawn in; the
        // main view and the coverage report (which paints its labels white) in the window's.
        const bool white = c.proc == MainWndProc || c.proc == CoverageReportWndProc;
        wc.hbrBackground = reinterpret_cast<HBRUSH>((white ? COLOR_WINDOW : COLOR_BTNFACE) + 1);
        wc.lpszClassName = c.name;
        if (!RegisterClassExW(&wc)) {
            ShowMessageBox(nullptr, c.failure, u"Error", MsgIcon::Error);
            return false;
        }
    }
    return true;
}

} // namespace

HWND CreateMainWindow(int showCommand)
{
    HWND window = CreateWindowExW(0, L"ExamBankViewerWindowClass", kMainWindowTitle, WS_OVERLAPPEDWINDOW,
                                  CW_USEDEFAULT, CW_USEDEFAULT, 900, 700, nullptr, nullptr, g_hInst, nullptr);
    if (!window) return nullptr;
    g_hMainWnd = window;
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    return window;
}

bool StartApplication(HINSTANCE instance, int showCommand)
{
    InstallMemoryReserve(32 << 20);
    InstallSaveInterruptCleanup();
    g_hInst = instance;
    RegisterExamSaveTypes();
    InitBranding();
    if (!RegisterWindowClasses()) {
        ShutdownBranding();
        return false;
    }
    if (!CreateMainWindow(showCommand)) {
        ShowMessageBox(nullptr, u"Window Creation Failed!", u"Error", MsgIcon::Error);
        ShutdownBranding();
        return false;
    }
    return true;
}

bool PreTranslateProgramMessage(MSG* message)
{
    return HandleFindReplaceDialogMessage(message) || HandleFindDuplicatesMessage(message) ||
           HandlePrintExamDialogMessage(message) ||
           HandleToolWindowKeys(GetImportFixupWindow(), message) || HandleToolWindowKeys(GetMcEditorWindow(), message) ||
           HandleToolWindowKeys(GetExamExportWindow(), message) ||
           HandleToolWindowKeys(GetCoverageReportWindow(), message) || TranslateMainWindowShortcut(message);
}

int RunMessageLoop()
{
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (PreTranslateProgramMessage(&message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    ShutdownBranding();
    return static_cast<int>(message.wParam);
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand)
{
    if (!StartApplication(instance, showCommand)) return 0;
    return RunMessageLoop();
}
