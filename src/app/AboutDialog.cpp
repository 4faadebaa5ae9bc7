#include "app/AboutDialog.h"

#include <string>

#include "Version.h"
#include "app/Resources.h"
#include "ui/Shell.h"
#include "util/StringUtil.h"
#include "util/Win32Text.h"

namespace {

// The notices as the edit control needs them (CR LF), or a line saying they are missing.
std::u16string NoticesText()
{
    HRSRC found = FindResourceW(g_hInst, MAKEINTRESOURCEW(IDR_NOTICES), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
    HGLOBAL loaded = found ? LoadResource(g_hInst, found) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes) return u"The third-party notices are missing from this copy of the program.";
    return s2wCrlf(std::string(static_cast<const char*>(bytes), SizeofResource(g_hInst, found)));
}

INT_PTR CALLBACK AboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG: {
        const std::u16string version = u"Version " + s2w(TESTBANK_VERSION) + u"\r\n" + s2w(TESTBANK_COPYRIGHT) +
                                       u"\r\nProvided as is, without warranty of any kind.";
        SetDlgItemTextW(dialog, IDC_ABOUT_VERSION, WidePtr(version));
        HWND notices = GetDlgItem(dialog, IDC_ABOUT_NOTICES);
        // Above the edit control's default limit of 32,767 characters.
        SendMessageW(notices, EM_SETLIMITTEXT, 0, 0);
        SetWindowTextW(notices, WidePtr(NoticesText()));
        SetFocus(GetDlgItem(dialog, IDOK));
        return FALSE; // the focus is set
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        break;
    default: break;
    }
    return FALSE;
}

} // namespace

void ShowAboutDialog(HWND owner)
{
    if (DialogBoxParamW(g_hInst, MAKEINTRESOURCEW(IDD_ABOUT), owner, AboutProc, 0) == -1)
        ShowMessageBox(owner, u"Testbank Editor " + s2w(TESTBANK_VERSION) + u"\n" + s2w(TESTBANK_COPYRIGHT), u"About",
                       MsgIcon::Info);
}
