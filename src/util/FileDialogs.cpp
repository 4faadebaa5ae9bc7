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

// `filterIndex` comes back as the type the user chose.
std::u16string SaveDialog(HWND owner, const std::u16string& suggested, const wchar_t* filter, DWORD& filterIndex,
                          const wchar_t* defaultExtension, bool* tooLong)
{
    std::vector<wchar_t> buffer(kPathBuffer, L'\0');
    if (suggested.size() < kPathBuffer) std::copy(suggested.begin(), suggested.end(), buffer.begin());
    OPENFILENAMEW ofn = MakeRecord(owner, buffer.data(), kPathBuffer, OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_EXPLORER);
    ofn.lpstrFilter = filter;
    ofn.nFilterIndex = filterIndex;
    ofn.lpstrDefExt = defaultExtension;
    const std::u16string path = Chosen(GetSaveFileNameW(&ofn), buffer.data(), tooLong);
    filterIndex = ofn.nFilterIndex;
    return path;
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
    DWORD index = 1;
    return SaveDialog(owner, suggested, kFilter, index, nullptr, tooLong);
}

namespace {

std::wstring FilterOf(const std::vector<FileType>& types)
{
    std::wstring filter;
    for (const FileType& t : types) {
        filter += ToWide(t.label);
        filter += L'\0';
        filter += ToWide(t.pattern);
        filter += L'\0';
    }
    filter += L'\0';
    return filter;
}

} // namespace

std::vector<std::u16string> ShowOpenTypeDialog(HWND owner, const std::vector<FileType>& types, size_t& type,
                                               bool several, bool* tooLong)
{
    const DWORD size = several ? 65535 : kPathBuffer;
    std::vector<wchar_t> buffer(size, L'\0');
    DWORD flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    if (several) flags |= OFN_ALLOWMULTISELECT;
    OPENFILENAMEW ofn = MakeRecord(owner, buffer.data(), size, flags);
    const std::wstring filter = FilterOf(types);
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = static_cast<DWORD>(type + 1);
    if (Chosen(GetOpenFileNameW(&ofn), buffer.data(), tooLong).empty()) return {};
    if (ofn.nFilterIndex >= 1 && ofn.nFilterIndex <= types.size()) type = ofn.nFilterIndex - 1;
    if (!several) return {FromWide(buffer.data())};
    return SplitMultiSelectBuffer(FromWide(buffer.data(), size));
}

std::u16string ShowSaveAsTypeDialog(HWND owner, const std::u16string& suggested, const std::vector<FileType>& types,
                                    size_t& type, bool* tooLong)
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
    DWORD index = static_cast<DWORD>(type + 1);
    const std::u16string path = SaveDialog(owner, suggested, filter.c_str(), index, extension.c_str(), tooLong);
    if (!path.empty() && index >= 1 && index <= types.size()) type = index - 1;
    return path;
}
