#include "app/AppMain.h"

#include "app/ExamFormatTypes.h"
#include "app/MainWindow.h"
#include "app/ToolWindows.h"
#include "branding/Branding.h"
#include "util/MemoryReserve.h"

namespace {

bool RegisterWindowClasses()
{
    HICON large = GetBrandIconLarge();
    HICON small = GetBrandIconSmall();
    return RegisterProgramWindowClass(L"ExamBankViewerWindowClass", MainWndProc, true, large, small,
                                      u"Main Window Registration Failed!") &&
           RegisterToolWindowClasses(large, small);
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
    // A screen reader is answered with a COM object (the view's accessible one).
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    AppServices services = MainWindowServices();
    services.examSaveTypes = ExamFormatSaveTypes();
    SetAppServices(std::move(services));
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
    return TranslateToolWindowMessage(message) || TranslateMainWindowShortcut(message);
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
