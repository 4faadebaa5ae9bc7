#include "util/FileDialogs.h"

#include <commdlg.h>

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

} // namespace

std::u16string ShowOpenJsonDialog(HWND owner)
{
    wchar_t buffer[260] = {};
    OPENFILENAMEW ofn = MakeRecord(owner, buffer, 260, OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST);
    return GetOpenFileNameW(&ofn) ? FromWide(buffer) : u"";
}

std::vector<std::u16string> ShowOpenMultiJsonDialog(HWND owner)
{
    constexpr DWORD kSize = 65535;
    static wchar_t buffer[kSize];
    ZeroMemory(buffer, sizeof buffer);
    OPENFILENAMEW ofn = MakeRecord(owner, buffer, kSize,
                                   OFN_EXPLORER | OFN_ALLOWMULTISELECT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST |
                                       OFN_FILEMUSTEXIST);
    if (!GetOpenFileNameW(&ofn)) return {};
    return SplitMultiSelectBuffer(FromWide(buffer, kSize));
}

std::u16string ShowSaveAsDialog(HWND owner, const std::u16string& suggested)
{
    wchar_t buffer[260] = {};
    if (!suggested.empty() && suggested.size() < 260) std::copy(suggested.begin(), suggested.end(), buffer);
    OPENFILENAMEW ofn = MakeRecord(owner, buffer, 260, OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY);
    return GetSaveFileNameW(&ofn) ? FromWide(buffer) : u"";
}

std::u16string ShowSaveAsTypeDialog(HWND owner, const std::u16string& suggested, const std::vector<FileType>& types,
                                    size_t& type)
{
    std::wstring filter;
    for (const FileType& t : types) {
        filter += ToWide(t.label);
        filter += L'\0';
        filter += ToWide(t.pattern);
        filter += L'\0';
    }
    filter += L'\0';
    // The default extension follows the chosen type: the dialog takes it from the type's
    // pattern once lpstrDefExt is set at all.
    const std::wstring extension = type < types.size() ? ToWide(types[type].extension) : std::wstring();
    wchar_t buffer[260] = {};
    if (!suggested.empty() && suggested.size() < 260) std::copy(suggested.begin(), suggested.end(), buffer);
    OPENFILENAMEW ofn = MakeRecord(owner, buffer, 260, OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_EXPLORER);
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = static_cast<DWORD>(type + 1);
    ofn.lpstrDefExt = extension.c_str();
    if (!GetSaveFileNameW(&ofn)) return u"";
    if (ofn.nFilterIndex >= 1 && ofn.nFilterIndex <= types.size()) type = ofn.nFilterIndex - 1;
    return FromWide(buffer);
}
