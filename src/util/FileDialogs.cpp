#include "util/FileDialogs.h"

#include <commdlg.h>

#include <vector>

#include "util/FileUtil.h"
#include "util/Win32Text.h"

namespace {

const wchar_t kFilter[] = L"JSON Files\0*.json\0All Files\0*.*\0\0";

OPENFILENAMEW MakeRecord(HWND owner, wchar_t* buffer, DWORD size, DWORD flags)
{
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = kFilter;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = buffer;
    ofn.nMaxFile = size;
    ofn.Flags = flags;
    return ofn;
}

// The longest path Windows has; a path beyond it is reported, never cut.
constexpr DWORD kPathBuffer = 32768;

std::u16string Chosen(BOOL ok, const wchar_t* buffer, bool* tooLong)
{
    if (tooLong) *tooLong = !ok && CommDlgExtendedError() == FNERR_BUFFERTOOSMALL;
    return ok ? FromWide(buffer) : u"";
}

} // namespace

std::u16string ShowOpenJsonDialog(HWND owner, bool* tooLong)
{
    std::vector<wchar_t> buffer(kPathBuffer, L'\0');
    OPENFILENAMEW ofn =
        MakeRecord(owner, buffer.data(), kPathBuffer, OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST);
    return Chosen(GetOpenFileNameW(&ofn), buffer.data(), tooLong);
}

std::vector<std::u16string> ShowOpenMultiJsonDialog(HWND owner, bool* tooLong)
{
    constexpr DWORD kSize = 65535;
    static wchar_t buffer[kSize];
    ZeroMemory(buffer, sizeof buffer);
    OPENFILENAMEW ofn = MakeRecord(owner, buffer, kSize,
                                   OFN_EXPLORER | OFN_ALLOWMULTISELECT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST |
                                       OFN_FILEMUSTEXIST);
    if (Chosen(GetOpenFileNameW(&ofn), buffer, tooLong).empty()) return {};
    return SplitMultiSelectBuffer(FromWide(buffer, kSize));
}

std::u16string ShowSaveAsDialog(HWND owner, const std::u16string& suggested, bool* tooLong)
{
    std::vector<wchar_t> buffer(kPathBuffer, L'\0');
    if (suggested.size() < kPathBuffer) std::copy(suggested.begin(), suggested.end(), buffer.begin());
    OPENFILENAMEW ofn = MakeRecord(owner, buffer.data(), kPathBuffer, OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY);
    return Chosen(GetSaveFileNameW(&ofn), buffer.data(), tooLong);
}
