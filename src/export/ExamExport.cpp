#include "export/ExamExport.h"

#include <commctrl.h>

#include <algorithm>

#include "export/ExamSelection.h"
#include "ui/ControlTable.h"
#include "ui/Shell.h"
#include "util/StringUtil.h"
#include "util/Win32Text.h"

namespace {

// The list shows `shown` (positions in `rows`); the check boxes live in `rows`, so a row
// filtered out keeps its check. The list asks for what it draws (LVS_OWNERDATA): a
// search or a sort costs the rows shown, never a refill of the control.
struct ExamWindowState {
    HWND hWnd = nullptr;
    HWND hList = nullptr;
    HWND hCount = nullptr;
    HWND savedFocus = nullptr;
    std::vector<ExamRow> rows;
    std::vector<size_t> shown;
    size_t checkedCount = 0;
    int sortColumn = -1;
    bool sortAscending = true;
    bool toggledByList = false; // the list itself changed a box during this click
    std::vector<std::u16string> filterValues[3]; // type, category, MLO entries after "All"
    std::wstring cellText;                       // what the last display request pointed at
};
ExamWindowState g_examWindow;

const DWORD kFilterList = WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST;
// Rectangles are set by LayoutExportWindow, which follows the client size.
// The list first: the keyboard starts on its rows; Alt+S goes to the search box.
const ControlSpec kControls[] = {
    {IDC_EXAM_LIST, WC_LISTVIEWW, L"", WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_OWNERDATA, 0, 0,
     0, 0, 0, FieldKind::None, WS_EX_CLIENTEDGE},
    {4015, L"STATIC", L"&Search:", 0, 0, 0, 0, 0, 0, FieldKind::None},
    {IDC_EXAM_SEARCH, L"EDIT", L"", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 0, 0, 0, 0, 0, FieldKind::None},
    {IDC_EXAM_TYPE, L"COMBOBOX", L"", kFilterList, 0, 0, 0, 0, 0, FieldKind::None},
    {IDC_EXAM_CATEGORY, L"COMBOBOX", L"", kFilterList, 0, 0, 0, 0, 0, FieldKind::None},
    {IDC_EXAM_MLO, L"COMBOBOX", L"", kFilterList, 0, 0, 0, 0, 0, FieldKind::None},
    {IDC_EXAM_COUNT, L"STATIC", L"Selected: 0 / 0", 0, 0, 0, 0, 0, 0, FieldKind::None},
    {IDC_EXAM_SHOWN, L"STATIC", L"", 0, 0, 0, 0, 0, 0, FieldKind::None},
    {IDC_EXAM_SELECT_SHOWN, L"BUTTON", L"Select S&hown", WS_TABSTOP, 0, 0, 0, 0, 0, FieldKind::None},
    {IDC_EXAM_CLEAR_SHOWN, L"BUTTON", L"Clear Sh&own", WS_TABSTOP, 0, 0, 0, 0, 0, FieldKind::None},
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
const int kFilterIds[3] = {IDC_EXAM_TYPE, IDC_EXAM_CATEGORY, IDC_EXAM_MLO};
const wchar_t* const kFilterAll[3] = {L"All types", L"All categories", L"All MLOs"};

bool HasItemsArray() { return g_jsonDoc.is_object() && g_jsonDoc.contains("items") && g_jsonDoc["items"].is_array(); }

void UpdateSelectedCount()
{
    if (!g_examWindow.hCount) return;
    SetWindowTextW(g_examWindow.hCount,
                   ToWide(SelectedCountText(g_examWindow.checkedCount, g_examWindow.rows.size())).c_str());
    const bool filtered = g_examWindow.shown.size() != g_examWindow.rows.size();
    SetDlgItemTextW(g_examWindow.hWnd, IDC_EXAM_SHOWN,
                    filtered ? (L"Shown: " + ToWide(DecimalW(g_examWindow.shown.size()))).c_str() : L"");
}

// The set from the check boxes of every row, shown or not.
void SyncSelectionFromListView()
{
    if (!g_examWindow.hList || !g_hasJson || !HasItemsArray()) return;
    std::vector<size_t> indices;
    for (const ExamRow& row : g_examWindow.rows)
        if (row.checked) indices.push_back(row.itemIndex);
    g_examSelectedIds = SelectedIdsFromRows(g_jsonDoc, indices);
    g_examSelectionInitialized = true;
    // The exam follows the list as sorted.
    if (g_examWindow.sortColumn >= 0)
        g_examSelection.order = SortedExamOrder(g_examWindow.rows, g_examWindow.sortColumn, g_examWindow.sortAscending);
    else
        g_examSelection.order.clear();
}

// One box changed: the counter and the set follow by that one ID.
void SetRowChecked(size_t rowIndex, bool checked)
{
    ExamRow& row = g_examWindow.rows[rowIndex];
    if (row.checked == checked) return;
    row.checked = checked;
    g_examWindow.checkedCount += checked ? 1 : static_cast<size_t>(-1);
    const std::set<std::string> id = SelectedIdsFromRows(g_jsonDoc, {row.itemIndex});
    if (!id.empty()) {
        if (checked) g_examSelectedIds.insert(*id.begin());
        else g_examSelectedIds.erase(*id.begin());
    }
    g_examSelectionInitialized = true;
    UpdateSelectedCount();
}

void RedrawList()
{
    if (!g_examWindow.hList) return;
    SendMessageW(g_examWindow.hList, LVM_SETITEMCOUNT, g_examWindow.shown.size(), LVSICF_NOSCROLL);
    InvalidateRect(g_examWindow.hList, nullptr, FALSE);
}

const std::u16string* ChosenFilter(int which)
{
    const int entry = static_cast<int>(SendDlgItemMessageW(g_examWindow.hWnd, kFilterIds[which], CB_GETCURSEL, 0, 0));
    const auto& values = g_examWindow.filterValues[which];
    return entry >= 1 && static_cast<size_t>(entry) <= values.size() ? &values[entry - 1] : nullptr;
}

// The rows the search box and the filters keep, in the chosen order.
void ApplyFilters()
{
    ExamFilter filter;
    filter.search = GetWindowTextU(GetDlgItem(g_examWindow.hWnd, IDC_EXAM_SEARCH));
    filter.type = ChosenFilter(0);
    filter.category = ChosenFilter(1);
    filter.mlo = ChosenFilter(2);
    g_examWindow.shown = FilterExamRows(g_examWindow.rows, filter);
    if (g_examWindow.sortColumn >= 0)
        SortExamRows(g_examWindow.rows, g_examWindow.shown, g_examWindow.sortColumn, g_examWindow.sortAscending);
    RedrawList();
    UpdateSelectedCount();
}

void FillFilterLists()
{
    for (int which = 0; which < 3; ++which) {
        HWND list = GetDlgItem(g_examWindow.hWnd, kFilterIds[which]);
        if (!list) continue;
        g_examWindow.filterValues[which] = DistinctColumnValues(g_examWindow.rows, which);
        SendMessageW(list, CB_RESETCONTENT, 0, 0);
        SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kFilterAll[which]));
        // The open list as wide as its longest name (within reason), so no name is cut.
        HDC dc = GetDC(list);
        HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0)));
        int widest = 0;
        for (const std::u16string& value : g_examWindow.filterValues[which]) {
            const wchar_t* text = value.empty() ? L"(none)" : WidePtr(value);
            SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
            SIZE size{};
            if (GetTextExtentPoint32W(dc, text, lstrlenW(text), &size) && size.cx > widest) widest = size.cx;
        }
        SelectObject(dc, old);
        ReleaseDC(list, dc);
        SendMessageW(list, CB_SETDROPPEDWIDTH, std::min(widest + 30, 600), 0);
        SendMessageW(list, CB_SETCURSEL, 0, 0);
    }
}

void PopulateExamList()
{
    if (!g_examWindow.hList || !g_hasJson || !HasItemsArray()) return;
    g_examWindow.rows = BuildExamRows(g_jsonDoc);
    g_examWindow.checkedCount = 0;
    for (const ExamRow& row : g_examWindow.rows) g_examWindow.checkedCount += row.checked;
    FillFilterLists();
    ApplyFilters();
    SyncSelectionFromListView();
}

// One pass, then one set rebuild: the rows given, or every row.
void SetChecks(bool check, bool shownOnly)
{
    if (!g_examWindow.hList) return;
    auto set = [&](ExamRow& row) {
        if (row.checked != check) g_examWindow.checkedCount += check ? 1 : static_cast<size_t>(-1);
        row.checked = check;
    };
    if (shownOnly)
        for (size_t i : g_examWindow.shown) set(g_examWindow.rows[i]);
    else
        for (ExamRow& row : g_examWindow.rows) set(row);
    SyncSelectionFromListView();
    UpdateSelectedCount();
    InvalidateRect(g_examWindow.hList, nullptr, FALSE);
}

void ToggleShownRow(int row)
{
    if (row < 0 || static_cast<size_t>(row) >= g_examWindow.shown.size()) return;
    const size_t index = g_examWindow.shown[row];
    SetRowChecked(index, !g_examWindow.rows[index].checked);
    SendMessageW(g_examWindow.hList, LVM_REDRAWITEMS, row, row);
}

void OnGetDisplayInfo(NMLVDISPINFOW* info)
{
    LVITEMW& item = info->item;
    if (item.iItem < 0 || static_cast<size_t>(item.iItem) >= g_examWindow.shown.size()) return;
    const ExamRow& row = g_examWindow.rows[g_examWindow.shown[item.iItem]];
    if (item.mask & LVIF_TEXT) {
        const std::u16string* texts[4] = {&row.id, &row.type, &row.category, &row.question};
        g_examWindow.cellText = item.iSubItem >= 0 && item.iSubItem < 4 ? ToWide(*texts[item.iSubItem]) : L"";
        if (item.pszText && item.cchTextMax > 0) lstrcpynW(item.pszText, g_examWindow.cellText.c_str(), item.cchTextMax);
    }
    if (item.mask & LVIF_PARAM) item.lParam = static_cast<LPARAM>(row.itemIndex);
    if (item.mask & LVIF_STATE) {
        item.state = (item.state & ~LVIS_STATEIMAGEMASK) | INDEXTOSTATEIMAGEMASK(row.checked ? 2 : 1);
        item.stateMask |= LVIS_STATEIMAGEMASK;
    }
}

// A box changed by the list (a click on it, a state set on a row): the model follows.
void OnItemChanged(const NMLISTVIEW* change)
{
    // Focus and highlight changes come with whatever state image the list has at hand.
    const UINT image = change->uNewState & LVIS_STATEIMAGEMASK;
    if (!(change->uChanged & LVIF_STATE) || !((change->uNewState ^ change->uOldState) & LVIS_STATEIMAGEMASK) ||
        (image != INDEXTOSTATEIMAGEMASK(1) && image != INDEXTOSTATEIMAGEMASK(2)))
        return;
    const bool checked = image == INDEXTOSTATEIMAGEMASK(2);
    if (change->iItem < 0 || static_cast<size_t>(change->iItem) >= g_examWindow.shown.size()) return;
    SetRowChecked(g_examWindow.shown[change->iItem], checked);
    g_examWindow.toggledByList = true;
}

void OnColumnClick(int column)
{
    if (column < 0 || column > 3) return;
    g_examWindow.sortAscending = g_examWindow.sortColumn == column ? !g_examWindow.sortAscending : true;
    g_examWindow.sortColumn = column;
    SortExamRows(g_examWindow.rows, g_examWindow.shown, column, g_examWindow.sortAscending);
    RedrawList();
}

const UINT kToggleFocusedRow = WM_APP + 1;

void OnListNotify(NMHDR* header)
{
    switch (header->code) {
    case LVN_GETDISPINFOW: OnGetDisplayInfo(reinterpret_cast<NMLVDISPINFOW*>(header)); break;
    case LVN_ITEMCHANGED: OnItemChanged(reinterpret_cast<NMLISTVIEW*>(header)); break;
    case LVN_COLUMNCLICK: OnColumnClick(reinterpret_cast<NMLISTVIEW*>(header)->iSubItem); break;
    case NM_CLICK:
    case NM_DBLCLK: {
        // A list that keeps no states of its own may not toggle the box itself.
        const bool handled = g_examWindow.toggledByList;
        g_examWindow.toggledByList = false;
        if (handled) break;
        LVHITTESTINFO hit{};
        hit.pt = reinterpret_cast<NMITEMACTIVATE*>(header)->ptAction;
        if (SendMessageW(g_examWindow.hList, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit)) >= 0 &&
            (hit.flags & LVHT_ONITEMSTATEICON))
            ToggleShownRow(hit.iItem);
        break;
    }
    case LVN_KEYDOWN:
        // The list may toggle the box itself after this note; if it did not, it is done once
        // the key has been handled.
        if (reinterpret_cast<NMLVKEYDOWN*>(header)->wVKey == VK_SPACE) {
            g_examWindow.toggledByList = false;
            PostMessageW(g_examWindow.hWnd, kToggleFocusedRow,
                         SendMessageW(g_examWindow.hList, LVM_GETNEXTITEM, -1, LVNI_FOCUSED), 0);
        }
        break;
    default: break;
    }
}

void LayoutExportWindow(HWND window)
{
    RECT client;
    GetClientRect(window, &client);
    const int b = client.bottom - 38;
    const int w = client.right;
    MoveControl(window, 4015, 10, 13, 50, 18);
    MoveControl(window, IDC_EXAM_SEARCH, 62, 10, w - 62 - 3 * 150 - 20, 22);
    for (int i = 0; i < 3; ++i) MoveControl(window, kFilterIds[i], w - 3 * 150 - 10 + 150 * i, 9, 144, 300);
    // The counts have a line of their own above the buttons: beside them they were covered.
    MoveControl(window, IDC_EXAM_LIST, 10, 40, w - 20, b - 70);
    // From the right edge leftwards; a missing button takes its gap with it.
    const struct {
        int id, width, gap;
    } buttons[] = {{IDC_EXAM_CLOSE, 80, 10}, {IDC_EXAM_SAVE, 110, 8},       {IDC_EXAM_PRINT, 96, 8},
                   {IDC_EXAM_NONE, 90, 20},  {IDC_EXAM_ALL, 90, 8},         {IDC_EXAM_CLEAR_SHOWN, 96, 20},
                   {IDC_EXAM_SELECT_SHOWN, 96, 8}};
    int right = client.right;
    for (const auto& button : buttons) {
        if (!GetDlgItem(window, button.id)) continue;
        right -= button.gap + button.width;
        MoveControl(window, button.id, right, b, button.width, 28);
    }
    MoveControl(window, IDC_EXAM_COUNT, 10, b - 24, 200, 18);
    MoveControl(window, IDC_EXAM_SHOWN, 220, b - 24, 200, 18);
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
        SendMessageW(list, LVM_SETCALLBACKMASK, LVIS_STATEIMAGEMASK, 0); // the boxes are asked for
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
    if (g_examWindow.hList && !g_examWindow.shown.empty()) { // the keyboard starts on the first row
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

bool SyncExamSelection(HWND owner)
{
    // The exam is made from the document: the raw view's changes go in first.
    if (!ApplyRawViewEditsFirst(owner)) return false;
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

static void ExamExportDocumentReread()
{
    // The checks are kept by ID; the rows are made again from the new document.
    if (IsWindow(g_examWindow.hWnd)) PopulateExamList();
}

void ResetExamSelections()
{
    ClearExamSelectionState();
    CloseExamExportWindow();
}

static LRESULT CALLBACK ExamExportWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (HandleDialogWindowMessage(window, message, wParam, lParam, IDC_EXAM_SAVE, result)) return result;
    switch (message) {
    case WM_ACTIVATE: KeepDialogFocus(window, wParam, g_examWindow.savedFocus); return 0;
    case WM_CREATE: OnCreate(window); return 0;
    case WM_SIZE: LayoutExportWindow(window); return 0;
    case kToggleFocusedRow:
        if (!g_examWindow.toggledByList) ToggleShownRow(static_cast<int>(wParam));
        g_examWindow.toggledByList = false;
        return 0;
    case WM_NOTIFY: {
        NMHDR* header = reinterpret_cast<NMHDR*>(lParam);
        if (header && header->hwndFrom == g_examWindow.hList) OnListNotify(header);
        return 0;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_EXAM_SEARCH:
            if (HIWORD(wParam) == EN_CHANGE) ApplyFilters(); // as the user types
            break;
        case IDC_EXAM_TYPE:
        case IDC_EXAM_CATEGORY:
        case IDC_EXAM_MLO:
            if (HIWORD(wParam) == CBN_SELCHANGE) ApplyFilters();
            break;
        case IDC_EXAM_SELECT_SHOWN: SetChecks(true, true); break;
        case IDC_EXAM_CLEAR_SHOWN: SetChecks(false, true); break;
        case IDC_EXAM_ALL: SetChecks(true, false); break;
        case IDC_EXAM_NONE: SetChecks(false, false); break;
        case IDOK:
        case IDC_EXAM_SAVE: SaveExamSelections(window); break;
        case IDC_EXAM_PRINT:
            if (Services().printExam) Services().printExam(window);
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

const ToolWindow kExamExportWindow = {L"ExamExportWindowClass", ExamExportWndProc, u"Exam Export Window Registration Failed!", false, GetExamExportWindow, nullptr, ResetExamSelections, ExamExportDocumentReread, nullptr, nullptr};
