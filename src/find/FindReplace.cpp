#include "find/FindReplace.h"

#include "find/FindLogic.h"
#include "model/JsonModel.h"
#include "ui/ControlTable.h"
#include "ui/Shell.h"
#include "ui/ViewText.h"
#include "util/StringUtil.h"
#include "util/Win32Text.h"

namespace {

struct FindWindowState {
    HWND hWnd = nullptr;
    HWND hParent = nullptr; // disabled while the window is open, with every other window
    HWND savedFocus = nullptr;
    bool isReplace = false;
    FindMatch match; // highlighted by the last Find Next
};
FindWindowState g_findWindow;

enum { kReplaceGroup = 1 };
const DWORD kField = WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;

// Rectangles are set by LayoutFRWindow, which follows the client size.
const ControlSpec kControls[] = {
    {6001, L"STATIC", L"Find what:", 0, 0, 0, 0, 0, 0, FieldKind::None},
    {IDC_FR_FIND, L"EDIT", L"", kField, 0, 0, 0, 0, 0, FieldKind::Text},
    {6003, L"STATIC", L"Replace with:", 0, 0, 0, 0, 0, kReplaceGroup, FieldKind::None},
    {IDC_FR_REPLACE_WITH, L"EDIT", L"", kField, 0, 0, 0, 0, kReplaceGroup, FieldKind::Text},
    {IDC_FR_MATCH_CASE, L"BUTTON", L"Match case", WS_TABSTOP | BS_AUTOCHECKBOX, 0, 0, 0, 0, 0, FieldKind::None},
    {IDC_FR_FIND_NEXT, L"BUTTON", L"Find Next", WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 0, 0, 0, 0, FieldKind::None},
    {IDC_FR_REPLACE, L"BUTTON", L"Replace", WS_TABSTOP, 0, 0, 0, 0, kReplaceGroup, FieldKind::None},
    {IDC_FR_CLOSE, L"BUTTON", L"Close", WS_TABSTOP, 0, 0, 0, 0, 0, FieldKind::None},
    {IDC_FR_REPLACE_ALL, L"BUTTON", L"Replace &All", WS_TABSTOP, 0, 0, 0, 0, kReplaceGroup, FieldKind::None},
};
constexpr ControlTable kTable = MakeControlTable(kControls);

void ClearMatch() { g_findWindow.match = FindMatch{}; }

// The window's messages carry the caption of its mode.
const char16_t* Caption() { return g_findWindow.isReplace ? u"Replace" : u"Find"; }

std::u16string FieldText(HWND window, int id) { return GetWindowTextU(GetDlgItem(window, id)); }

bool IsMatchCaseChecked(HWND window)
{
    return SendDlgItemMessageW(window, IDC_FR_MATCH_CASE, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void Selection(DWORD& start, DWORD& end) { SendMessageW(g_hEdit, EM_GETSEL, (WPARAM)&start, (LPARAM)&end); }

bool EnsureRawEditorAvailable(HWND window)
{
    if (!g_hasJson) {
        ShowMessageBox(window, u"No JSON loaded.", u"Find/Replace", MsgIcon::Info);
        return false;
    }
    if (!g_hEdit) {
        ShowMessageBox(window, u"Editor not available.", u"Find/Replace", MsgIcon::Error);
        return false;
    }
    if (!g_viewRaw || ViewsStale()) {
        g_viewRaw = true;
        RefreshEditView(g_hMainWnd);
    }
    return true;
}

void DoFindNext(HWND window)
{
    ClearMatch();
    if (!EnsureRawEditorAvailable(window)) return;
    const std::u16string find = FieldText(window, IDC_FR_FIND);
    if (find.empty()) {
        ShowMessageBox(window, u"Enter text to find.", Caption(), MsgIcon::Info);
        return;
    }
    DWORD start = 0, end = 0;
    Selection(start, end);
    size_t at = kNotFound, atEnd = kNotFound;
    if (g_shell.shows == ViewShows::RawBroken) {
        // The view shows the raw text with breaks: the raw text is searched, so that a match
        // across a break is found, and the match is shown where it is in the view.
        const std::u16string& raw = g_rawJsonText;
        const size_t found = FindNextMatch(raw, find, IsMatchCaseChecked(window),
                                           SourceOffset(raw, kDisplayLineLimit, 2, end));
        if (found != kNotFound) {
            at = ShownOffset(raw, kDisplayLineLimit, 2, found, true);
            atEnd = ShownOffset(raw, kDisplayLineLimit, 2, found + find.size(), false);
        }
    } else {
        const ViewTextReader view; // searched in place: linear only up to the next match
        at = FindNextMatch(view.Text(), find, IsMatchCaseChecked(window), end);
        atEnd = at + find.size();
    }
    if (at == kNotFound) {
        ShowMessageBox(window, u"No matches found.", Caption(), MsgIcon::Info);
        return;
    }
    SendMessageW(g_hEdit, EM_SETSEL, at, atEnd);
    SendMessageW(g_hEdit, EM_SCROLLCARET, 0, 0);
    g_findWindow.match = FindMatch{true, at, atEnd};
}

void DoReplaceOne(HWND window)
{
    if (!EnsureRawEditorAvailable(window)) return;
    if (g_shell.shows == ViewShows::RawBroken) { // the view's text is not the raw text
        ShowMessageBox(window, kBrokenRawViewNote, u"Replace", MsgIcon::Info);
        return;
    }
    const std::u16string find = FieldText(window, IDC_FR_FIND);
    const std::u16string replacement = FieldText(window, IDC_FR_REPLACE_WITH);
    DWORD start = 0, end = 0;
    Selection(start, end);
    ReplaceCheck check = ReplaceCheck::Ok;
    {
        const ViewTextReader view;
        check = CheckReplace(g_findWindow.match, start, end, view.Text(), find, IsMatchCaseChecked(window));
    }
    if (check != ReplaceCheck::Ok) {
        if (check != ReplaceCheck::EmptyFind && check != ReplaceCheck::NoMatch) ClearMatch();
        ShowMessageBox(window, ReplaceRefusalText(check), u"Replace",
                       check == ReplaceCheck::OutOfRange ? MsgIcon::Error : MsgIcon::Info);
        return;
    }
    const bool first = !RawTextEdited() && !SendMessageW(g_hEdit, EM_GETMODIFY, 0, 0);
    SendMessageW(g_hEdit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(WidePtr(replacement)));
    // A raw-view edit like typing: the document lacks it until the raw view is saved. The
    // text stays in the control (copied back only when a view is made from it).
    g_document.raw = RawText::EditedInView;
    g_document.rawEditName = first ? u"Replace" : u"Raw View Changes"; // the step it will be
    g_modified = true;
    NotifyDocumentEdited();
    ClearMatch();
    DoFindNext(window);
}

// Every match at once, as one edit that Undo takes back whole.
void DoReplaceAll(HWND window)
{
    ClearMatch();
    if (!EnsureRawEditorAvailable(window)) return;
    if (g_shell.shows == ViewShows::RawBroken) { // the view's text is not the raw text
        ShowMessageBox(window, kBrokenRawViewNote, u"Replace", MsgIcon::Info);
        return;
    }
    const std::u16string find = FieldText(window, IDC_FR_FIND);
    if (find.empty()) {
        ShowMessageBox(window, u"Enter text to find.", u"Replace", MsgIcon::Info);
        return;
    }
    ShowWaitCursor();
    // Changes already in the raw view go in as a step of their own, so that Undo takes
    // this one back alone.
    const bool first = TakeRawViewEditsQuietly();
    size_t count = 0;
    std::u16string replaced;
    {
        const ViewTextReader view;
        replaced = ReplaceAllMatches(view.Text(), find, FieldText(window, IDC_FR_REPLACE_WITH),
                                     IsMatchCaseChecked(window), count);
    }
    if (count == 0) {
        ShowMessageBox(window, u"No matches found.", u"Replace", MsgIcon::Info);
        return;
    }
    // The control takes seconds over a large text: the windows are painted whole first,
    // not left half drawn while it works.
    UpdateWindow(window);
    UpdateWindow(g_hMainWnd);
    SendMessageW(g_hEdit, EM_SETSEL, 0, -1);
    SendMessageW(g_hEdit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(WidePtr(replaced)));
    SendMessageW(g_hEdit, EM_SETSEL, 0, 0);
    SendMessageW(g_hEdit, EM_SCROLLCARET, 0, 0);
    g_rawJsonText = std::move(replaced);
    g_document.raw = RawText::Edited;
    g_modified = true;
    // One step of the document when the text parses (Undo takes it back whole); else it
    // stays a raw-view edit, applied with the others.
    g_document.rawEditName =
        first ? u"Replace All (" + s2w(GroupedNumber(count)) + (count == 1 ? u" replacement)" : u" replacements)")
              : u"Raw View Changes";
    if (first) TakeRawViewEditsQuietly();
    NotifyDocumentEdited();
    ShowMessageBox(window, ReplacedCountText(count), u"Replace", MsgIcon::Info);
}

void SetMode(HWND window, bool replace)
{
    g_findWindow.isReplace = replace;
    ClearMatch();
    SetWindowTextW(window, replace ? L"Replace" : L"Find");
    ShowControlGroup(window, kTable, kReplaceGroup, replace);
}

void LayoutFRWindow(HWND window)
{
    RECT client;
    GetClientRect(window, &client);
    const int w = client.right;
    MoveControl(window, 6001, 12, 15, 90, 18);
    MoveControl(window, IDC_FR_FIND, 102, 12, w - 114, 22);
    MoveControl(window, 6003, 12, 45, 90, 18);
    MoveControl(window, IDC_FR_REPLACE_WITH, 102, 42, w - 114, 22);
    MoveControl(window, IDC_FR_MATCH_CASE, 102, 72, 140, 20);
    const int y = client.bottom - 40;
    MoveControl(window, IDC_FR_CLOSE, client.right - 122, y, 110, 28);
    MoveControl(window, IDC_FR_REPLACE, client.right - 242, y, 110, 28);
    MoveControl(window, IDC_FR_FIND_NEXT, client.right - 362, y, 110, 28);
    MoveControl(window, IDC_FR_REPLACE_ALL, client.right - 482, y, 110, 28);
}

void OpenDialog(HWND parent, bool replace)
{
    if (IsWindow(g_findWindow.hWnd)) {
        SetMode(g_findWindow.hWnd, replace);
        SetForegroundWindow(g_findWindow.hWnd);
        return;
    }
    g_findWindow.hParent = parent;
    g_findWindow.isReplace = replace;
    if (g_hasJson && (!g_viewRaw || ViewsStale())) {
        g_viewRaw = true;
        RefreshEditView(g_hMainWnd);
    }
    HWND window = CreateWindowExW(WS_EX_CONTROLPARENT | WS_EX_CLIENTEDGE | WS_EX_DLGMODALFRAME,
                                  L"FindReplaceWindowClass", replace ? L"Replace" : L"Find",
                                  WS_CAPTION | WS_SYSMENU | WS_THICKFRAME, CW_USEDEFAULT, CW_USEDEFAULT, 520, 230,
                                  g_hMainWnd, nullptr, g_hInst, nullptr);
    if (!window) {
        g_findWindow.hParent = nullptr;
        return;
    }
    BeginModalWindow(window);
    ShowWindow(window, SW_SHOW);
}

void OnCreate(HWND window)
{
    g_findWindow.hWnd = window;
    CreateControls(window, kTable, reinterpret_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
    SetMode(window, g_findWindow.isReplace);
    LayoutFRWindow(window);
    SetFocus(GetDlgItem(window, IDC_FR_FIND));
}

void OnDestroy(HWND window)
{
    EndModalWindow(window);
    HWND parent = g_findWindow.hParent;
    g_findWindow = FindWindowState{};
    if (parent) SetForegroundWindow(parent);
}

} // namespace

void OpenFindDialog(HWND parent) { OpenDialog(parent, false); }
void OpenReplaceDialog(HWND parent) { OpenDialog(parent, true); }
HWND GetFindReplaceWindow() { return g_findWindow.hWnd; }

static bool HandleFindReplaceDialogMessage(MSG* message)
{
    return HandleToolWindowKeys(g_findWindow.hWnd, message);
}

static LRESULT CALLBACK FindReplaceWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (HandleDialogWindowMessage(window, message, wParam, lParam, IDC_FR_FIND_NEXT, result)) return result;
    switch (message) {
    case WM_ACTIVATE: KeepDialogFocus(window, wParam, g_findWindow.savedFocus); return 0;
    case WM_CREATE: OnCreate(window); return 0;
    case WM_SIZE: LayoutFRWindow(window); return 0;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_FR_FIND:
            if (HIWORD(wParam) == EN_CHANGE) ClearMatch();
            break;
        case IDC_FR_MATCH_CASE:
            if (HIWORD(wParam) == BN_CLICKED) ClearMatch();
            break;
        case IDOK:
        case IDC_FR_FIND_NEXT: DoFindNext(window); break;
        case IDC_FR_REPLACE: DoReplaceOne(window); break;
        case IDC_FR_REPLACE_ALL: DoReplaceAll(window); break;
        case IDCANCEL:
        case IDC_FR_CLOSE: DestroyWindow(window); break;
        default: break;
        }
        return 0;
    case WM_CLOSE: DestroyWindow(window); return 0;
    case WM_DESTROY: OnDestroy(window); return 0;
    default: break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

const ToolWindow kFindReplaceWindow = {
    L"FindReplaceWindowClass", // className
    FindReplaceWndProc, // proc
    u"Find/Replace Window Registration Failed!", // registrationFailure
    false, // whiteBackground
    GetFindReplaceWindow, // window
    HandleFindReplaceDialogMessage, // translate
    nullptr, // documentReplaced
    nullptr, // documentReread
    nullptr, // itemsChanged
    nullptr, // confirmDiscard
};
