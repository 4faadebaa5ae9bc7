#include "export/ExamExport.h"

#include <commctrl.h>

#include "export/ExamSelection.h"
#include "ui/ControlTable.h"
#include "ui/Shell.h"
#include "util/Win32Text.h"

namespace {

struct ExamWindowState {
    HWND hWnd = nullptr;
    HWND hList = nullptr;
    HWND hCount = nullptr;
    bool populating = false; // change notifications are ignored meanwhile
    HWND savedFocus = nullptr;
};
ExamWindowState g_examWindow;

// Rectangles are set by LayoutExportWindow, which follows the client size.
const ControlSpec kControls[] = {
    {IDC_EXAM_LIST, WC_LISTVIEWW, L"", WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS, 0, 0, 0, 0, 0,
     FieldKind::None, WS_EX_CLIENTEDGE},
    {IDC_EXAM_COUNT, L"STATIC", L"Selected: 0 / 0", 0, 0, 0, 0, 0, 0, FieldKind::None},
    {IDC_EXAM_ALL, L"BUTTON", L"Select All", WS_TABSTOP, 0, 0, 0, 0, 0, FieldKind::None},
    {IDC_EXAM_NONE, L"BUTTON", L"Select None", WS_TABSTOP, 0, 0, 0, 0, 0, FieldKind::None},
    {IDC_EXAM_PRINT, L"BUTTON", L"Print Exam...", WS_TABSTOP, 0, 0, 0, 0, 0, FieldKind::None},
    {IDC_EXAM_SAVE, L"BUTTON", L"Save Selections...", WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 0, 0, 0, 0, FieldKind::None},
    {IDC_EXAM_CLOSE, L"BUTTON", L"Close", WS_TABSTOP, 0, 0, 0, 0, 0, FieldKind::None},
};
constexpr ControlTable kTable = MakeControlTable(kControls);

const struct {
    const wchar_t* header;
    int width;
} kColumns[4] = {{L"ID", 160}, {L"Type", 130}, {L"Category", 180}, {L"Question", 400}};

bool HasItemsArray() { return g_jsonDoc.is_object() && g_jsonDoc.contains("items") && g_jsonDoc["items"].is_array(); }

bool RowChecked(int row)
{
    const UINT state = static_cast<UINT>(SendMessageW(g_examWindow.hList, LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK));
    return (state & LVIS_STATEIMAGEMASK) != INDEXTOSTATEIMAGEMASK(1);
}

void SetRowChecked(int row, bool checked)
{
    LVITEMW item{};
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
    SendMessageW(g_examWindow.hList, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

int RowCount() { return static_cast<int>(SendMessageW(g_examWindow.hList, LVM_GETITEMCOUNT, 0, 0)); }

void UpdateSelectedCount()
{
    if (!g_examWindow.hList || !g_examWindow.hCount) return;
    const int rows = RowCount();
    size_t checked = 0;
    for (int row = 0; row < rows; ++row) checked += RowChecked(row);
    SetWindowTextW(g_examWindow.hCount, ToWide(SelectedCountText(checked, static_cast<size_t>(rows))).c_str());
}

void SyncSelectionFromListView()
{
    if (!g_examWindow.hList || !g_hasJson || !HasItemsArray()) return;
    std::vector<size_t> indices;
    const int rows = RowCount();
    for (int row = 0; row < rows; ++row) {
        if (!RowChecked(row)) continue;
        LVITEMW item{};
        item.mask = LVIF_PARAM;
        item.iItem = row;
        if (SendMessageW(g_examWindow.hList, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)))
            indices.push_back(static_cast<size_t>(item.lParam));
    }
    g_examSelectedIds = SelectedIdsFromRows(g_jsonDoc, indices);
    g_examSelectionInitialized = true;
}

void OnSelectionChanged()
{
    if (g_examWindow.populating) return;
    UpdateSelectedCount();
    SyncSelectionFromListView();
}

void SetSubItem(int row, int column, const std::u16string& text)
{
    const std::wstring wide = ToWide(text);
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = const_cast<wchar_t*>(wide.c_str());
    SendMessageW(g_examWindow.hList, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
}

void PopulateExamList()
{
    HWND list = g_examWindow.hList;
    if (!list || !g_hasJson || !HasItemsArray()) return;
    const std::vector<ExamRow> rows = BuildExamRows(g_jsonDoc);
    g_examWindow.populating = true;
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    SendMessageW(list, LVM_SETITEMCOUNT, rows.size(), 0);
    int next = 0;
    for (const ExamRow& row : rows) {
        const std::wstring id = ToWide(row.id);
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = next;
        item.pszText = const_cast<wchar_t*>(id.c_str());
        item.lParam = static_cast<LPARAM>(row.itemIndex);
        const int at = static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
        if (at < 0) continue;
        ++next;
        SetSubItem(at, 1, row.type);
        SetSubItem(at, 2, row.category);
        SetSubItem(at, 3, row.question);
        SetRowChecked(at, row.checked);
    }
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    g_examWindow.populating = false;
    OnSelectionChanged();
}

// One pass at the end instead of one per row: the per-row handler recounts every row.
void SetAllChecks(bool check)
{
    if (!g_examWindow.hList) return;
    g_examWindow.populating = true;
    const int rows = RowCount();
    for (int row = 0; row < rows; ++row) SetRowChecked(row, check);
    g_examWindow.populating = false;
    OnSelectionChanged();
}

void LayoutExportWindow(HWND window)
{
    RECT client;
    GetClientRect(window, &client);
    const int b = client.bottom - 38;
    MoveControl(window, IDC_EXAM_LIST, 10, 10, client.right - 20, b - 20);
    // From the right edge leftwards; a missing button takes its gap with it.
    const struct {
        int id, gap;
    } buttons[] = {{IDC_EXAM_CLOSE, 10}, {IDC_EXAM_SAVE, 8}, {IDC_EXAM_PRINT, 8}, {IDC_EXAM_NONE, 20}, {IDC_EXAM_ALL, 8}};
    int right = client.right;
    for (const auto& button : buttons) {
        if (!GetDlgItem(window, button.id)) continue;
        right -= button.gap + 110;
        MoveControl(window, button.id, right, b, 110, 28);
    }
    MoveControl(window, IDC_EXAM_COUNT, 10, b + 5, 260, 20);
    if (HWND list = g_examWindow.hList) {
        for (int c = 0; c < 3; ++c) SendMessageW(list, LVM_SETCOLUMNWIDTH, c, kColumns[c].width);
        SendMessageW(list, LVM_SETCOLUMNWIDTH, 3, LVSCW_AUTOSIZE_USEHEADER);
    }
}

void OnCreate(HWND window)
{
    g_examWindow.hWnd = window;
    CreateControls(window, kTable, reinterpret_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
    g_examWindow.hList = GetDlgItem(window, IDC_EXAM_LIST);
    g_examWindow.hCount = GetDlgItem(window, IDC_EXAM_COUNT);
    if (HWND list = g_examWindow.hList) {
        SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                     LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
        for (int c = 0; c < 4; ++c) {
            LVCOLUMNW column{};
            column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
            column.fmt = LVCFMT_LEFT;
            column.cx = kColumns[c].width;
            column.pszText = const_cast<wchar_t*>(kColumns[c].header);
            SendMessageW(list, LVM_INSERTCOLUMNW, c, reinterpret_cast<LPARAM>(&column));
        }
    }
    PopulateExamList();
    LayoutExportWindow(window);
    if (g_examWindow.hList && RowCount() > 0) { // the keyboard starts on the first row
        LVITEMW item{};
        item.stateMask = LVIS_FOCUSED;
        item.state = LVIS_FOCUSED;
        SendMessageW(g_examWindow.hList, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&item));
    }
    FocusFirstControl(window);
}

} // namespace

HWND GetExamExportWindow() { return g_examWindow.hWnd; }

void OpenExamExportWindow(HWND owner)
{
    if (!g_hasJson) {
        ShowMessageBox(owner, u"No JSON loaded. Use File -> New Testbank or File -> Open first.", u"Select Items",
                       MsgIcon::Info);
        return;
    }
    if (!HasItemsArray()) {
        ShowMessageBox(owner, u"Current JSON has no 'items' array.", u"Select Items", MsgIcon::Error);
        return;
    }
    if (IsWindow(g_examWindow.hWnd)) {
        SetForegroundWindow(g_examWindow.hWnd);
        return;
    }
    INITCOMMONCONTROLSEX init{sizeof init, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&init);
    CreateWindowExW(WS_EX_CONTROLPARENT | WS_EX_CLIENTEDGE | WS_EX_DLGMODALFRAME, L"ExamExportWindowClass",
                    L"Select Items", WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME, CW_USEDEFAULT,
                    CW_USEDEFAULT, 900, 650, g_hMainWnd, nullptr, g_hInst, nullptr);
}

void (*g_printExamSelections)(HWND owner) = nullptr;

bool SyncExamSelection(HWND owner)
{
    // The exam is made from the document: text typed in the raw view would be missing.
    if (!ConfirmRawTextRebuild(owner)) return false;
    SyncSelectionFromListView();
    return true;
}

bool SaveExamSelections(HWND owner)
{
    return SyncExamSelection(owner) && SaveExamSelectionsWith(*g_modalUi, owner);
}

void CloseExamExportWindow()
{
    if (IsWindow(g_examWindow.hWnd)) DestroyWindow(g_examWindow.hWnd);
}

void ResetExamSelections()
{
    ClearExamSelectionState();
    CloseExamExportWindow();
}

LRESULT CALLBACK ExamExportWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (HandleDialogWindowMessage(window, message, wParam, lParam, IDC_EXAM_SAVE, result)) return result;
    switch (message) {
    case WM_ACTIVATE: KeepDialogFocus(window, wParam, g_examWindow.savedFocus); return 0;
    case WM_CREATE: OnCreate(window); return 0;
    case WM_SIZE: LayoutExportWindow(window); return 0;
    case WM_NOTIFY: {
        const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header && header->hwndFrom == g_examWindow.hList && header->code == LVN_ITEMCHANGED) OnSelectionChanged();
        return 0;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_EXAM_ALL: SetAllChecks(true); break;
        case IDC_EXAM_NONE: SetAllChecks(false); break;
        case IDOK:
        case IDC_EXAM_SAVE: SaveExamSelections(window); break;
        case IDC_EXAM_PRINT:
            if (g_printExamSelections) g_printExamSelections(window);
            break;
        case IDCANCEL:
        case IDC_EXAM_CLOSE: DestroyWindow(window); break;
        default: break;
        }
        return 0;
    case WM_CLOSE: DestroyWindow(window); return 0;
    case WM_DESTROY: g_examWindow = ExamWindowState{}; return 0;
    default: break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
