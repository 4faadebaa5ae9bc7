#include "util/FileDialogs.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

#include <vector>

#include "util/FileUtil.h"
#include "util/Win32Text.h"

namespace {

const wchar_t kFilter[] = L"JSON Files\0*.json\0All Files\0*.*\0\0";

const wchar_t kTooLong[] = L"The path is too long. Choose a shorter one.";

// The dialog's own text for a message it sends itself: "" when it fails.
std::wstring DialogText(HWND dialog, UINT message)
{
    const LRESULT length = SendMessageW(dialog, message, 0, 0);
    if (length <= 0 || length > 1 << 20) return L"";
    std::wstring text(static_cast<size_t>(length), L'\0');
    SendMessageW(dialog, message, length, reinterpret_cast<LPARAM>(&text[0]));
    return std::wstring(text.c_str());
}

// The dialog builds the full path of a typed name in a buffer of MAX_PATH characters of its
// own (under Wine a longer one overflows it and ends the program): a name that would not
// fit is refused here, with a message, and the dialog stays open.
LRESULT CALLBACK GuardLongNames(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR)
{
    if (message == WM_COMMAND && LOWORD(wParam) == IDOK) {
        const std::wstring name = DialogText(dialog, CDM_GETSPEC);
        if (!name.empty() && name[0] == L'"') return DefSubclassProc(dialog, message, wParam, lParam); // several names
        const bool absolute = name.size() >= 2 && (name[1] == L':' || name[0] == L'\\' || name[0] == L'/');
        const size_t length = absolute ? name.size() : DialogText(dialog, CDM_GETFOLDERPATH).size() + 1 + name.size();
        if (length >= MAX_PATH) {
            MessageBoxW(dialog, kTooLong, L"Error", MB_ICONERROR | MB_OK);
            return 0;
        }
    }
    if (message == WM_NCDESTROY) RemoveWindowSubclass(dialog, GuardLongNames, 0);
    return DefSubclassProc(dialog, message, wParam, lParam);
}

UINT_PTR CALLBACK DialogHook(HWND child, UINT message, WPARAM, LPARAM)
{
    if (message == WM_INITDIALOG) SetWindowSubclass(GetParent(child), GuardLongNames, 0, 0);
    return 0;
}

OPENFILENAMEW MakeRecord(HWND owner, wchar_t* buffer, DWORD size, DWORD flags)
{
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = kFilter;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = buffer;
    ofn.nMaxFile = size;
    ofn.Flags = flags | OFN_EXPLORER | OFN_ENABLEHOOK | OFN_ENABLESIZING;
    ofn.lpfnHook = DialogHook;
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
                          const wchar_t* defaultExtension, bool* tooLong, const wchar_t* title = nullptr)
{
    std::vector<wchar_t> buffer(kPathBuffer, L'\0');
    if (suggested.size() < kPathBuffer) std::copy(suggested.begin(), suggested.end(), buffer.begin());
    OPENFILENAMEW ofn = MakeRecord(owner, buffer.data(), kPathBuffer, OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_EXPLORER);
    ofn.lpstrFilter = filter;
    ofn.nFilterIndex = filterIndex;
    ofn.lpstrDefExt = defaultExtension;
    ofn.lpstrTitle = title;
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
                                               bool several, const std::u16string& title, bool* tooLong)
{
    const DWORD size = several ? 65535 : kPathBuffer;
    std::vector<wchar_t> buffer(size, L'\0');
    DWORD flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    if (several) flags |= OFN_ALLOWMULTISELECT;
    OPENFILENAMEW ofn = MakeRecord(owner, buffer.data(), size, flags);
    const std::wstring filter = FilterOf(types);
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = static_cast<DWORD>(type + 1);
    const std::wstring wideTitle = ToWide(title);
    if (!title.empty()) ofn.lpstrTitle = wideTitle.c_str();
    if (Chosen(GetOpenFileNameW(&ofn), buffer.data(), tooLong).empty()) return {};
    if (ofn.nFilterIndex >= 1 && ofn.nFilterIndex <= types.size()) type = ofn.nFilterIndex - 1;
    if (!several) return {FromWide(buffer.data())};
    return SplitMultiSelectBuffer(FromWide(buffer.data(), size));
}

std::u16string ShowSaveAsTypeDialog(HWND owner, const std::u16string& suggested, const std::vector<FileType>& types,
                                    size_t& type, const std::u16string& title, bool* tooLong)
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
    const std::wstring wideTitle = ToWide(title);
    const std::u16string path = SaveDialog(owner, suggested, filter.c_str(), index, extension.c_str(), tooLong,
                                           title.empty() ? nullptr : wideTitle.c_str());
    if (!path.empty() && index >= 1 && index <= types.size()) type = index - 1;
    return path;
}

bool OpenWithShell(const std::u16string& path)
{
    return reinterpret_cast<INT_PTR>(
               ShellExecuteW(nullptr, L"open", WidePtr(path), nullptr, nullptr, SW_SHOWNORMAL)) > 32;
}
