#include "dupes/FindDuplicates.h"

#include <commctrl.h>

#include <algorithm>
#include <new>

#include "dupes/DupesLogic.h"
#include "ui/ControlTable.h"
#include "ui/Shell.h"
#include "util/StringUtil.h"
#include "util/Win32Text.h"

namespace {

struct DupesWindowState {
    HWND hWnd = nullptr;
    HWND hList = nullptr;
    std::vector<DupeRow> rows;
    bool filling = false; // selection notifications are ignored meanwhile
};
DupesWindowState g_dupesWindow;

const char16_t kCaption[] = u"Find Duplicates";

// Rectangles are set by LayoutDupesWindow, which follows the client size.
const ControlSpec kControls[] = {
    {7001, L"STATIC", L"Similarity at least:", 0, 0, 0, 0, 0, 0, FieldKind::None},
    {IDC_DUP_THRESHOLD, L"EDIT", L"0.8", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 0, 0, 0, 0, 0, FieldKind::None},
    {IDC_DUP_FIND, L"BUTTON", L"Find", WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 0, 0, 0, 0, FieldKind::None},
    {IDC_DUP_LIST, WC_LISTVIEWW, L"", WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS, 0, 0, 0, 0, 0,
     FieldKind::None, WS_EX_CLIENTEDGE},
    {IDC_DUP_SUMMARY, L"STATIC", L"", 0, 0, 0, 0, 0, 0, FieldKind::None},
    {IDC_DUP_SHOW, L"BUTTON", L"Show Item", WS_TABSTOP, 0, 0, 0, 0, 0, FieldKind::None},
    {IDC_DUP_CLOSE, L"BUTTON", L"Close", WS_TABSTOP, 0, 0, 0, 0, 0, FieldKind::None},
};
constexpr ControlTable kTable = MakeControlTable(kControls);

const struct {
    const wchar_t* header;
    int width;
} kColumns[] = {{L"Group", 60}, {L"Kind", 80}, {L"Similarity", 80}, {L"ID", 110}, {L"Question", 330}, {L"Answer", 200}};

int SelectedRow() { return static_cast<int>(SendMessageW(g_dupesWindow.hList, LVM_GETNEXTITEM, -1, LVNI_SELECTED)); }

void SetCell(int row, int column, const std::u16string& text)
{
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.iSubItem = column;
    item.pszText = const_cast<wchar_t*>(WidePtr(text));
    SendMessageW(g_dupesWindow.hList, column == 0 ? LVM_INSERTITEMW : LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

void FillList()
{
    HWND list = g_dupesWindow.hList;
    g_dupesWindow.filling = true;
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    for (size_t r = 0; r < g_dupesWindow.rows.size(); ++r) {
        const DupeRow& row = g_dupesWindow.rows[r];
        const int at = static_cast<int>(r);
        SetCell(at, 0, DecimalW(row.group));
        SetCell(at, 1, s2w(DupeKindName(row.kind)));
        SetCell(at, 2, s2w(ScoreText(row.score)));
        SetCell(at, 3, s2w(row.id));
        std::u16string question = s2w(row.question);
        for (char16_t& c : question)
            if (c == u'\r' || c == u'\n' || c == u'\t' || c == 0) c = u' ';
        SetCell(at, 4, question);
        std::u16string answer = s2w(row.answer);
        for (char16_t& c : answer)
            if (c == u'\r' || c == u'\n' || c == u'\t' || c == 0) c = u' ';
        SetCell(at, 5, answer);
    }
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    g_dupesWindow.filling = false;
    SetDlgItemTextW(g_dupesWindow.hWnd, IDC_DUP_SUMMARY, WidePtr(DupeSummaryText(g_dupesWindow.rows)));
}

void DoFind(HWND window)
{
    if (!g_hasJson) {
        ShowMessageBox(window, u"No JSON loaded.", kCaption, MsgIcon::Info);
        return;
    }
    double threshold = kDefaultDupeThreshold;
    if (!ParseDupeThreshold(w2s(GetWindowTextU(GetDlgItem(window, IDC_DUP_THRESHOLD))), threshold)) {
        ShowMessageBox(window, u"Enter a similarity above 0 and at most 1, such as 0.8.", kCaption, MsgIcon::Error);
        SetFocus(GetDlgItem(window, IDC_DUP_THRESHOLD));
        return;
    }
    ShowWaitCursor();
    try {
        g_dupesWindow.rows = g_jsonDoc.is_object() && g_jsonDoc.contains("items") && g_jsonDoc["items"].is_array()
                                 ? BuildDupeRows(g_jsonDoc, threshold)
                                 : std::vector<DupeRow>{};
    } catch (const std::bad_alloc&) {
        g_dupesWindow.rows.clear();
        ShowMessageBox(window, u"Out of memory: the command could not be completed.", u"Error", MsgIcon::Error);
    }
    FillList();
    if (!g_dupesWindow.rows.empty()) {
        LVITEMW item{};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        item.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(g_dupesWindow.hList, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&item));
    }
}

// How many of the view's top lines this window covers; 0 when it covers none, or so many
// that only a few would be left below it.
int LinesCoveredAtTop(HWND window)
{
    RECT view{}, over{}, both{};
    GetClientRect(g_hEdit, &view);
    MapWindowPoints(g_hEdit, nullptr, reinterpret_cast<POINT*>(&view), 2);
    GetWindowRect(window, &over);
    if (!IntersectRect(&both, &view, &over) || both.top > view.top) return 0;
    HDC dc = GetDC(g_hEdit);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(g_hEdit, WM_GETFONT, 0, 0)));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(g_hEdit, dc);
    const int lineHeight = std::max<int>(1, metrics.tmHeight);
    const int covered = (both.bottom - view.top + lineHeight - 1) / lineHeight;
    return covered + 4 <= (view.bottom - view.top) / lineHeight ? covered : 0;
}

// The chosen member highlighted in the main view; `explicitly` (Show Item, Enter, double
// click) says so when it is not there.
void ShowRow(HWND window, bool explicitly)
{
    const int row = SelectedRow();
    if (row < 0 || static_cast<size_t>(row) >= g_dupesWindow.rows.size() || !g_hEdit) return;
    const std::string& id = g_dupesWindow.rows[row].id;
    size_t start = 0, end = 0;
    if (!FindItemInView(GetWindowTextU(g_hEdit), g_viewRaw, id, start, end)) {
        if (explicitly)
            ShowMessageBox(window, u"Item " + s2w(id) + u" is not in the view any more; choose Find to look again.",
                           kCaption, MsgIcon::Info);
        return;
    }
    // The keyboard stays here, so the next member is one key away; the view shows the
    // selection (ES_NOHIDESEL) for the user to click into and edit.
    SendMessageW(g_hEdit, EM_SETSEL, start, end);
    SendMessageW(g_hEdit, EM_SCROLLCARET, 0, 0);
    // The item's first line at the top of the view, or just below this window where it
    // covers the top: scrolled only into sight, it would sit at the bottom, under this
    // window, with the next item above it.
    const LRESULT line = SendMessageW(g_hEdit, EM_LINEFROMCHAR, start, 0);
    const LRESULT first = SendMessageW(g_hEdit, EM_GETFIRSTVISIBLELINE, 0, 0);
    SendMessageW(g_hEdit, EM_LINESCROLL, 0, std::max<LRESULT>(0, line - LinesCoveredAtTop(window)) - first);
}

void LayoutDupesWindow(HWND window)
{
    RECT client;
    GetClientRect(window, &client);
    const int w = client.right, h = client.bottom;
    MoveControl(window, 7001, 12, 15, 130, 18);
    MoveControl(window, IDC_DUP_THRESHOLD, 142, 12, 60, 22);
    MoveControl(window, IDC_DUP_FIND, 212, 9, 100, 28);
    MoveControl(window, IDC_DUP_LIST, 12, 46, w - 24, h - 98);
    MoveControl(window, IDC_DUP_SUMMARY, 12, h - 34, w - 270, 20);
    MoveControl(window, IDC_DUP_SHOW, w - 242, h - 40, 110, 28);
    MoveControl(window, IDC_DUP_CLOSE, w - 122, h - 40, 110, 28);
}

void OnCreate(HWND window)
{
    g_dupesWindow.hWnd = window;
    CreateControls(window, kTable, reinterpret_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
    g_dupesWindow.hList = GetDlgItem(window, IDC_DUP_LIST);
    SendMessageW(g_dupesWindow.hList, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_FULLROWSELECT);
    for (size_t c = 0; c < sizeof kColumns / sizeof kColumns[0]; ++c) {
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.pszText = const_cast<wchar_t*>(kColumns[c].header);
        column.cx = kColumns[c].width;
        SendMessageW(g_dupesWindow.hList, LVM_INSERTCOLUMNW, c, reinterpret_cast<LPARAM>(&column));
    }
    LayoutDupesWindow(window);
    SetFocus(GetDlgItem(window, IDC_DUP_THRESHOLD));
    SendDlgItemMessageW(window, IDC_DUP_THRESHOLD, EM_SETSEL, 0, -1);
}

// Enter: Show Item from the list, Find from anywhere else.
void OnEnter(HWND window)
{
    if (GetFocus() == g_dupesWindow.hList) ShowRow(window, true);
    else DoFind(window);
}

} // namespace

void OpenFindDuplicatesWindow(HWND owner)
{
    if (!g_hasJson) {
        ShowMessageBox(owner, u"No JSON loaded.", kCaption, MsgIcon::Info);
        return;
    }
    if (!IsWindow(g_dupesWindow.hWnd)) {
        INITCOMMONCONTROLSEX init{sizeof init, ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&init);
        CreateWindowExW(WS_EX_CONTROLPARENT | WS_EX_DLGMODALFRAME, L"FindDuplicatesWindowClass", L"Find Duplicates",
                        WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME, CW_USEDEFAULT, CW_USEDEFAULT, 820, 360,
                        g_hMainWnd, nullptr, g_hInst, nullptr);
        if (!IsWindow(g_dupesWindow.hWnd)) return;
    }
    SetForegroundWindow(g_dupesWindow.hWnd);
    DoFind(g_dupesWindow.hWnd);
}

static void CloseFindDuplicatesWindow()
{
    if (IsWindow(g_dupesWindow.hWnd)) DestroyWindow(g_dupesWindow.hWnd);
}

HWND GetFindDuplicatesWindow() { return g_dupesWindow.hWnd; }

static bool HandleFindDuplicatesMessage(MSG* message)
{
    return HandleToolWindowKeys(g_dupesWindow.hWnd, message);
}

static LRESULT CALLBACK FindDuplicatesWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE: OnCreate(window); return 0;
    case WM_SIZE: LayoutDupesWindow(window); return 0;
    case WM_NOTIFY: {
        const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
        if (!header || header->hwndFrom != g_dupesWindow.hList) break;
        if (header->code == LVN_ITEMCHANGED && !g_dupesWindow.filling) {
            const NMLISTVIEW* change = reinterpret_cast<const NMLISTVIEW*>(lParam);
            if ((change->uNewState & LVIS_SELECTED) && !(change->uOldState & LVIS_SELECTED)) ShowRow(window, false);
        } else if (header->code == LVN_ITEMACTIVATE) {
            ShowRow(window, true);
        }
        return 0;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK: OnEnter(window); break;
        case IDCANCEL:
        case IDC_DUP_CLOSE: DestroyWindow(window); break;
        case IDC_DUP_FIND: DoFind(window); break;
        case IDC_DUP_SHOW: ShowRow(window, true); break;
        default: break;
        }
        return 0;
    case WM_CLOSE: DestroyWindow(window); return 0;
    case WM_DESTROY: g_dupesWindow = DupesWindowState{}; return 0;
    default: break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

const ToolWindow kFindDuplicatesWindow = {
    L"FindDuplicatesWindowClass", // className
    FindDuplicatesWndProc, // proc
    u"Find Duplicates Window Registration Failed!", // registrationFailure
    false, // whiteBackground
    GetFindDuplicatesWindow, // window
    HandleFindDuplicatesMessage, // translate
    CloseFindDuplicatesWindow, // documentReplaced
    CloseFindDuplicatesWindow, // documentReread
    nullptr, // itemsChanged
    nullptr, // confirmDiscard
};
