#include "ui/Shell.h"

#include "model/JsonModel.h"
#include "util/FileDialogs.h"
#include "util/Win32Text.h"

ShellState g_shell;
HINSTANCE& g_hInst = g_shell.hInst;
HWND& g_hMainWnd = g_shell.hMainWnd;
HWND& g_hEdit = g_shell.hEdit;

namespace {

// The real dialogs and message boxes.
class Win32ModalUi : public ModalUi {
public:
    std::u16string AskOpenPath(void* owner) override { return ShowOpenJsonDialog(static_cast<HWND>(owner)); }
    std::vector<std::u16string> AskOpenPaths(void* owner) override
    {
        return ShowOpenMultiJsonDialog(static_cast<HWND>(owner));
    }
    std::u16string AskSavePath(void* owner, const std::u16string& suggested) override
    {
        return ShowSaveAsDialog(static_cast<HWND>(owner), suggested);
    }
    std::u16string AskSavePathOfType(void* owner, const std::u16string& suggested,
                                     const std::vector<FileType>& types, size_t& type) override
    {
        return ShowSaveAsTypeDialog(static_cast<HWND>(owner), suggested, types, type);
    }
    MsgAnswer ShowMessage(void* owner, const std::u16string& text, const std::u16string& caption, MsgIcon icon,
                          MsgButtons buttons) override
    {
        static const UINT icons[] = {MB_ICONERROR, MB_ICONINFORMATION, MB_ICONWARNING, MB_ICONQUESTION};
        static const UINT kinds[] = {MB_OK, MB_YESNO, MB_YESNOCANCEL};
        switch (MessageBoxW(static_cast<HWND>(owner), ToWide(text).c_str(), ToWide(caption).c_str(),
                            icons[static_cast<int>(icon)] | kinds[static_cast<int>(buttons)])) {
        case IDYES: return MsgAnswer::Yes;
        case IDNO: return MsgAnswer::No;
        case IDCANCEL: return MsgAnswer::Cancel;
        default: return MsgAnswer::Ok;
        }
    }
};

Win32ModalUi g_win32Modal;

// Wine's edit control replaces a large text with another in time that grows faster than
// the texts (the way back from a 100,000-item raw view took 4.6 times a fresh set);
// emptying it first makes every set cost what setting a fresh control costs.
void SetViewText(const std::u16string& text)
{
    SetWindowTextW(g_hEdit, L"");
    SetWindowTextW(g_hEdit, WidePtr(text));
}

} // namespace

ModalUi* g_modalUi = &g_win32Modal;

MsgAnswer ShowMessageBox(HWND owner, const std::u16string& text, const std::u16string& caption, MsgIcon icon,
                         MsgButtons buttons)
{
    return g_modalUi->ShowMessage(owner, text, caption, icon, buttons);
}

void ShowWaitCursor() { SetCursor(LoadCursorW(nullptr, IDC_WAIT)); }

void RefreshEditView(HWND mainWindow)
{
    if (!g_hEdit) return;
    ShowWaitCursor(); // a large text takes the control seconds
    if (!g_hasJson) {
        SetWindowTextW(g_hEdit, L"");
        SendMessageW(g_hEdit, EM_SETREADONLY, TRUE, 0);
        ShowWindow(g_hEdit, SW_HIDE);
        InvalidateRect(mainWindow, nullptr, TRUE);
        return;
    }
    ShowWindow(g_hEdit, SW_SHOW);
    if (g_viewRaw) {
        SendMessageW(g_hEdit, EM_SETREADONLY, FALSE, 0);
        SetViewText(g_rawJsonText);
    } else {
        std::u16string listing = FormatCurrentListing();
        MakeNulsVisible(listing);
        SendMessageW(g_hEdit, EM_SETREADONLY, TRUE, 0);
        SetViewText(listing);
    }
}
