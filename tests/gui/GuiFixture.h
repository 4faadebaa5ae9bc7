#pragma once
// Drives the real windows with the messages a user's actions produce; dialogs and
// message boxes are answered by a script.
#include <filesystem>

#include <windows.h>

#include <gtest/gtest.h>

#include "TestUtil.h"
#include "app/AppMain.h"
#include "app/BatchUi.h"
#include "app/MainWindow.h"
#include "branding/Branding.h"
#include "find/FindReplace.h"
#include "util/FileUtil.h"
#include "util/StringUtil.h"
#include "util/Win32Text.h"

namespace fs = std::filesystem;

// The program's own message loop, without waiting.
inline void Pump()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (PreTranslateProgramMessage(&msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

inline fs::path ExeDir()
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return fs::path(path).parent_path();
}

// The real program in this process: classes registered once, a fresh main window and
// document per test, dialogs and message boxes answered by the script.
class GuiTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        static bool started = false;
        if (started) return;
        started = true;
        fs::remove(ExeDir() / "logo.png");
        g_modalUi = &script_;
        ASSERT_TRUE(StartApplication(GetModuleHandleW(nullptr), SW_SHOWNORMAL));
        DestroyMain();
    }
    static void DestroyMain()
    {
        ResetAllState();
        g_mainWindow = MainWindowState{};
        if (IsWindow(g_hMainWnd)) DestroyWindow(g_hMainWnd);
        Pump();
    }

    void SetUp() override
    {
        script_ = ScriptedModalUi();
        ResetAllState();
        dir = TempDir(::testing::UnitTest::GetInstance()->current_test_info()->name());
        main = CreateMainWindow(SW_SHOWNORMAL);
        ASSERT_NE(main, nullptr);
        Pump();
    }
    void TearDown() override { DestroyMain(); }

    void Command(int id)
    {
        SendMessageW(main, WM_COMMAND, MAKEWPARAM(id, 0), 0);
        Pump();
    }
    // What typing does: the view's text replaced through the control, which marks it changed.
    void TypeIntoView(const std::u16string& text)
    {
        SendMessageW(g_hEdit, EM_SETSEL, 0, -1);
        SendMessageW(g_hEdit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(WidePtr(text)));
        Pump();
    }
    std::string ViewText() const { return U8(GetWindowTextU(g_hEdit)); }
    bool ViewReadOnly() const { return GetWindowLongW(g_hEdit, GWL_STYLE) & ES_READONLY; }
    bool ViewVisible() const { return IsWindowVisible(g_hEdit); }
    std::vector<std::string> Texts() const
    {
        std::vector<std::string> out;
        for (const auto& m : script_.messages) out.push_back(U8(m.text));
        return out;
    }
    std::u16string File(const std::string& name, const std::string& bytes)
    {
        std::u16string path = Join(dir, name);
        WriteBytes(path, bytes);
        return path;
    }
    // Repaints the main window, then reads its client area through `read(dc, client)`.
    template <class Read>
    auto Painted(Read read)
    {
        InvalidateRect(main, nullptr, TRUE);
        UpdateWindow(main);
        RECT client;
        GetClientRect(main, &client);
        HDC dc = GetDC(main);
        const auto result = read(dc, client);
        ReleaseDC(main, dc);
        return result;
    }
    COLORREF PixelAtClientCentre()
    {
        return Painted([](HDC dc, const RECT& rc) { return GetPixel(dc, rc.right / 2, rc.bottom / 2); });
    }
    // Pixels of the client's top band that are not the window colour: the placeholder text.
    int InkInTopBand()
    {
        return Painted([](HDC dc, const RECT& rc) {
            int ink = 0;
            for (int y = 0; y < 60 && y < rc.bottom; y += 2)
                for (int x = 0; x < rc.right; x += 2) ink += GetPixel(dc, x, y) != GetSysColor(COLOR_WINDOW);
            return ink;
        });
    }

    inline static ScriptedModalUi script_;
    HWND main = nullptr;
    std::u16string dir;
};
