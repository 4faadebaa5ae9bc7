#include "report/CoverageReport.h"

#include <commctrl.h>

#include <algorithm>

#include "report/Coverage.h"
#include "ui/AppServices.h"
#include "ui/ControlTable.h"
#include "ui/Shell.h"
#include "util/StringUtil.h"
#include "util/Win32Text.h"

namespace {

struct CoverageWindowState {
    HWND hWnd = nullptr;
    HWND hList = nullptr;
    HWND savedFocus = nullptr;
    CoverageReport report;
    size_t level = 0; // index into report.levels
    bool selectionScope = false;
    int sortColumn = 0;
    bool ascending = true;
    std::vector<size_t> order; // the list's rows, as rows of the level
};
CoverageWindowState g_coverage;

// Rectangles are set by LayoutCoverageWindow, which follows the client size.
const ControlSpec kControls[] = {
    {IDC_COV_LEVEL_LABEL, L"STATIC", L"&Outcome:", 0, 0, 0, 0, 0, 0, FieldKind::None},
    {IDC_COV_LEVEL, L"COMBOBOX", L"", WS_TABSTOP | CBS_DROPDOWNLIST | WS_VSCROLL, 0, 0, 0, 0, 0, FieldKind::None},
    {IDC_COV_BANK, L"BUTTON", L"&Whole bank", WS_TABSTOP | WS_GROUP | BS_AUTORADIOBUTTON, 0, 0, 0, 0, 0,
     FieldKind::None},
    {IDC_COV_SELECTION, L"BUTTON", L"E&xam selection", BS_AUTORADIOBUTTON, 0, 0, 0, 0, 0, FieldKind::None},
    {IDC_COV_SUMMARY, L"STATIC", L"", SS_NOPREFIX, 0, 0, 0, 0, 0, FieldKind::None},
    {IDC_COV_LIST, WC_LISTVIEWW, L"", WS_TABSTOP | WS_GROUP | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SINGLESEL, 0, 0,
     0, 0, 0, FieldKind::None, WS_EX_CLIENTEDGE},
    {IDC_COV_CHART, L"STATIC", L"", SS_OWNERDRAW, 0, 0, 0, 0, 0, FieldKind::None, WS_EX_CLIENTEDGE},
    {IDC_COV_BLANKS, L"EDIT", L"", WS_TABSTOP | ES_READONLY | ES_AUTOHSCROLL, 0, 0, 0, 0, 0, FieldKind::None,
     WS_EX_CLIENTEDGE},
    {IDC_COV_SAVE, L"BUTTON", L"&Save Report...", WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 0, 0, 0, 0, FieldKind::None},
    {IDC_COV_CLOSE, L"BUTTON", L"Close", WS_TABSTOP, 0, 0, 0, 0, 0, FieldKind::None},
};
constexpr ControlTable kTable = MakeControlTable(kControls);

const struct {
    const wchar_t* header;
    int width;
    bool number;
} kColumns[kCoverageColumns] = {{L"Code", 130, false},        {L"Items", 55, true},
                                {L"Multiple choice", 95, true}, {L"True/false", 70, true},
                                {L"Numerical", 70, true},       {L"Algorithmic", 80, true},
                                {L"Categories", 170, false},    {L"Near-identical", 150, false}};

const COLORREF kTypeColours[kCoverageTypes] = {RGB(0x4e, 0x79, 0xa7), RGB(0xf2, 0x8e, 0x2b), RGB(0x59, 0xa1, 0x4f),
                                               RGB(0xb0, 0x7a, 0xa1)};

// A type's bar: its colour, or under a high-contrast scheme the text colour, solid or hatched.
HBRUSH CreateTypeBrush(size_t type)
{
    if (!HighContrastOn()) return CreateSolidBrush(kTypeColours[type]);
    static const int kHatches[kCoverageTypes] = {-1, HS_BDIAGONAL, HS_CROSS, HS_FDIAGONAL};
    const COLORREF ink = GetSysColor(COLOR_WINDOWTEXT);
    return kHatches[type] < 0 ? CreateSolidBrush(ink) : CreateHatchBrush(kHatches[type], ink);
}

bool HasItemsArray() { return g_jsonDoc.is_object() && g_jsonDoc.contains("items") && g_jsonDoc["items"].is_array(); }

const std::set<std::string>* ExamSelection()
{
    return Services().examSelection ? Services().examSelection() : nullptr;
}

const LevelCoverage* CurrentLevel()
{
    return g_coverage.level < g_coverage.report.levels.size() ? &g_coverage.report.levels[g_coverage.level] : nullptr;
}

void SetCell(int row, int column, const std::string& text)
{
    const std::wstring wide = ToWide(s2w(text));
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = const_cast<wchar_t*>(wide.c_str());
    SendMessageW(g_coverage.hList, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
}

void FillList()
{
    HWND list = g_coverage.hList;
    const LevelCoverage* level = CurrentLevel();
    if (!list || !level) return;
    g_coverage.order = SortedRowOrder(*level, g_coverage.sortColumn, g_coverage.ascending);
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    SendMessageW(list, LVM_SETITEMCOUNT, g_coverage.order.size(), 0);
    int next = 0;
    for (size_t index : g_coverage.order) {
        const OutcomeRow& row = level->rows[index];
        const std::wstring code = ToWide(s2w(CoverageCell(row, 0)));
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = next;
        item.pszText = const_cast<wchar_t*>(code.c_str());
        item.lParam = static_cast<LPARAM>(index);
        const int at = static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
        if (at < 0) continue;
        ++next;
        for (int c = 1; c < kCoverageColumns; ++c) SetCell(at, c, CoverageCell(row, c));
    }
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

void ShowLevel()
{
    HWND window = g_coverage.hWnd;
    const LevelCoverage* level = CurrentLevel();
    if (!window || !level) return;
    FillList();
    SetWindowTextW(GetDlgItem(window, IDC_COV_SUMMARY),
                   WidePtr(CoverageSummaryText(g_coverage.report, *level)));
    std::string blanks;
    if (level->blankItems()) {
        for (const std::string& id : level->rows.back().ids) blanks += (blanks.empty() ? "" : ", ") + id;
        blanks = std::string("Items with a blank ") + OutcomeLevelName(level->level) + ": " + blanks;
    } else {
        blanks = std::string(level->level == OutcomeLevel::MLO ? "Every item has an " : "Every item has a ") +
                     OutcomeLevelName(level->level) + ".";
    }
    SetWindowTextW(GetDlgItem(window, IDC_COV_BLANKS), WidePtr(s2w(blanks)));
    InvalidateRect(GetDlgItem(window, IDC_COV_CHART), nullptr, TRUE);
}

// Counts again from the document in the chosen scope; the level and the sort stay.
void Recount()
{
    if (!g_coverage.hWnd || !g_hasJson) return;
    const std::set<std::string>* selection = ExamSelection();
    HWND selectionButton = GetDlgItem(g_coverage.hWnd, IDC_COV_SELECTION);
    EnableWindow(selectionButton, selection != nullptr);
    if (!selection) g_coverage.selectionScope = false;
    SendMessageW(GetDlgItem(g_coverage.hWnd, IDC_COV_BANK), BM_SETCHECK,
                 g_coverage.selectionScope ? BST_UNCHECKED : BST_CHECKED, 0);
    SendMessageW(selectionButton, BM_SETCHECK, g_coverage.selectionScope ? BST_CHECKED : BST_UNCHECKED, 0);
    ShowWaitCursor();
    g_coverage.report = DocumentCoverage(g_jsonDoc, g_currentPath, g_coverage.selectionScope ? selection : nullptr);
    ShowLevel();
}

void DrawChart(const DRAWITEMSTRUCT& draw)
{
    HDC dc = draw.hDC;
    RECT area = draw.rcItem;
    FillRect(dc, &area, GetSysColorBrush(COLOR_WINDOW));
    const LevelCoverage* level = CurrentLevel();
    if (!level) return;
    HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    SetBkColor(dc, GetSysColor(COLOR_WINDOW)); // behind the hatches
    const int labelWidth = 130, left = area.left + labelWidth + 8, top = area.top + 28;
    const int barSpace = std::max(40, static_cast<int>(area.right - left - 40));
    // The legend.
    int x = left;
    for (size_t t = 0; t < kCoverageTypes; ++t) {
        RECT swatch{x, area.top + 8, x + 12, area.top + 20};
        HBRUSH brush = CreateTypeBrush(t);
        FillRect(dc, &swatch, brush);
        DeleteObject(brush);
        const std::wstring label = ToWide(s2w(kCoverageTypeLabels[t]));
        TextOutW(dc, x + 16, area.top + 7, label.c_str(), static_cast<int>(label.size()));
        x += 110;
    }
    const std::vector<size_t>& order = g_coverage.order;
    const int available = static_cast<int>(area.bottom - top - 4);
    // Every bar shown keeps its label and count: rows too many for the height are left to
    // the table (named below the last bar) rather than drawn too thin to name.
    const int rowHeight = order.empty() ? 18 : std::clamp(available / static_cast<int>(order.size()), 15, 18);
    const size_t fits = static_cast<size_t>(std::max(0, available / rowHeight));
    const size_t shown = std::min(order.size(), fits > 0 && fits < order.size() ? fits - 1 : fits);
    size_t most = 1;
    for (size_t r = 0; r < order.size(); ++r) most = std::max(most, level->rows[order[r]].items);
    for (size_t r = 0; r < shown; ++r) {
        const OutcomeRow& row = level->rows[order[r]];
        const int y = top + static_cast<int>(r) * rowHeight;
        {
            const std::wstring label = ToWide(s2w(CoverageCell(row, 0)));
            RECT labelRect{area.left + 4, y, area.left + labelWidth, y + rowHeight};
            DrawTextW(dc, label.c_str(), static_cast<int>(label.size()), &labelRect,
                      DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
        }
        double at = left;
        for (size_t t = 0; t < kCoverageTypes; ++t) {
            if (!row.perType[t]) continue;
            const double w = static_cast<double>(row.perType[t]) * barSpace / static_cast<double>(most);
            RECT bar{static_cast<int>(at), y + 2, static_cast<int>(at + w + 0.5), y + rowHeight - 2};
            if (bar.right <= bar.left) bar.right = bar.left + 1;
            HBRUSH brush = CreateTypeBrush(t);
            FillRect(dc, &bar, brush);
            DeleteObject(brush);
            at += w;
        }
        {
            const std::wstring count = ToWide(DecimalW(row.items));
            const int end = left + static_cast<int>(static_cast<double>(row.items) * barSpace / static_cast<double>(most));
            TextOutW(dc, end + 4, y + (rowHeight - 13) / 2, count.c_str(), static_cast<int>(count.size()));
        }
    }
    if (shown < order.size()) {
        const std::wstring more = ToWide(u"... and " + DecimalW(order.size() - shown) + u" more rows in the table");
        TextOutW(dc, left, top + static_cast<int>(shown) * rowHeight, more.c_str(), static_cast<int>(more.size()));
    }
    SelectObject(dc, oldFont);
}

void LayoutCoverageWindow(HWND window)
{
    RECT client;
    GetClientRect(window, &client);
    const int w = client.right, h = client.bottom;
    const int b = h - 38;
    MoveControl(window, IDC_COV_LEVEL_LABEL, 10, 14, 60, 20);
    MoveControl(window, IDC_COV_LEVEL, 72, 10, 90, 200);
    MoveControl(window, IDC_COV_BANK, 190, 12, 110, 22);
    MoveControl(window, IDC_COV_SELECTION, 305, 12, 130, 22);
    MoveControl(window, IDC_COV_SUMMARY, 450, 14, std::max(100, w - 460), 20);
    const int body = b - 44 - 34;
    const int listHeight = std::max(60, body * 45 / 100);
    MoveControl(window, IDC_COV_LIST, 10, 44, w - 20, listHeight);
    // The last column takes the rest of the width: no unnamed empty column after it.
    SendDlgItemMessageW(window, IDC_COV_LIST, LVM_SETCOLUMNWIDTH, kCoverageColumns - 1, LVSCW_AUTOSIZE_USEHEADER);
    MoveControl(window, IDC_COV_CHART, 10, 44 + listHeight + 8, w - 20, std::max(40, body - listHeight - 8));
    MoveControl(window, IDC_COV_BLANKS, 10, b - 32, w - 20, 24);
    MoveControl(window, IDC_COV_CLOSE, w - 120, b, 110, 28);
    MoveControl(window, IDC_COV_SAVE, w - 238, b, 110, 28);
    InvalidateRect(GetDlgItem(window, IDC_COV_CHART), nullptr, TRUE);
}

void OnCreate(HWND window)
{
    g_coverage.hWnd = window;
    CreateControls(window, kTable, reinterpret_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
    g_coverage.hList = GetDlgItem(window, IDC_COV_LIST);
    static const wchar_t* const kLevels[] = {L"MLO", L"CLO", L"PLO"};
    HWND combo = GetDlgItem(window, IDC_COV_LEVEL);
    FillComboBox(combo, kLevels, 3);
    SendMessageW(combo, CB_SETCURSEL, 0, 0);
    if (HWND list = g_coverage.hList) {
        SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                     LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
        for (int c = 0; c < kCoverageColumns; ++c) {
            LVCOLUMNW column{};
            column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
            column.fmt = kColumns[c].number ? LVCFMT_RIGHT : LVCFMT_LEFT;
            column.cx = kColumns[c].width;
            column.pszText = const_cast<wchar_t*>(kColumns[c].header);
            SendMessageW(list, LVM_INSERTCOLUMNW, c, reinterpret_cast<LPARAM>(&column));
        }
    }
    LayoutCoverageWindow(window);
    Recount();
    FocusFirstControl(window);
}

void OnColumnClick(int column)
{
    if (column < 0 || column >= kCoverageColumns) return;
    // A new column starts with what matters most: codes A to Z, counts largest first.
    if (column == g_coverage.sortColumn) {
        g_coverage.ascending = !g_coverage.ascending;
    } else {
        g_coverage.sortColumn = column;
        g_coverage.ascending = !kColumns[column].number;
    }
    FillList();
    InvalidateRect(GetDlgItem(g_coverage.hWnd, IDC_COV_CHART), nullptr, TRUE);
}

} // namespace

HWND GetCoverageReportWindow() { return g_coverage.hWnd; }

void OpenCoverageReportWindow(HWND owner)
{
    if (!g_hasJson) {
        ShowMessageBox(owner, u"No JSON loaded. Use File -> New Testbank or File -> Open first.", u"Coverage Report",
                       MsgIcon::Info);
        return;
    }
    if (!HasItemsArray()) {
        ShowMessageBox(owner, u"Current JSON has no 'items' array.", u"Coverage Report", MsgIcon::Error);
        return;
    }
    if (IsWindow(g_coverage.hWnd)) {
        Recount();
        SetForegroundWindow(g_coverage.hWnd);
        return;
    }
    INITCOMMONCONTROLSEX init{sizeof init, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&init);
    CreateWindowExW(WS_EX_CONTROLPARENT | WS_EX_CLIENTEDGE | WS_EX_DLGMODALFRAME, L"CoverageReportWindowClass",
                    L"Coverage Report", WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME, CW_USEDEFAULT,
                    CW_USEDEFAULT, 900, 680, g_hMainWnd, nullptr, g_hInst, nullptr);
}

static void CloseCoverageReportWindow()
{
    if (IsWindow(g_coverage.hWnd)) DestroyWindow(g_coverage.hWnd);
}

static void RefreshCoverageReportWindow()
{
    if (!IsWindow(g_coverage.hWnd)) return;
    if (!g_hasJson || !HasItemsArray()) {
        CloseCoverageReportWindow();
        return;
    }
    Recount();
}

static LRESULT CALLBACK CoverageReportWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (HandleDialogWindowMessage(window, message, wParam, lParam, IDC_COV_SAVE, result)) return result;
    switch (message) {
    case WM_ACTIVATE:
        // The exam selection may have changed in its own window meanwhile.
        if (LOWORD(wParam) != WA_INACTIVE && g_coverage.hWnd == window &&
            (g_coverage.selectionScope || (ExamSelection() != nullptr) !=
                                              static_cast<bool>(IsWindowEnabled(GetDlgItem(window, IDC_COV_SELECTION)))))
            Recount();
        KeepDialogFocus(window, wParam, g_coverage.savedFocus);
        return 0;
    case WM_CREATE: OnCreate(window); return 0;
    case WM_SIZE: LayoutCoverageWindow(window); return 0;
    case WM_CTLCOLORSTATIC: // labels and buttons on the window's own background, not the dialog grey
        SetTextColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOW));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
    case WM_DRAWITEM: {
        const DRAWITEMSTRUCT* draw = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        if (draw && draw->CtlID == IDC_COV_CHART) DrawChart(*draw);
        return TRUE;
    }
    case WM_NOTIFY: {
        const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header && header->hwndFrom == g_coverage.hList && header->code == LVN_COLUMNCLICK)
            OnColumnClick(reinterpret_cast<const NMLISTVIEW*>(lParam)->iSubItem);
        return 0;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_COV_LEVEL:
            if (HIWORD(wParam) == CBN_SELCHANGE) {
                const LRESULT chosen = SendMessageW(GetDlgItem(window, IDC_COV_LEVEL), CB_GETCURSEL, 0, 0);
                if (chosen >= 0 && static_cast<size_t>(chosen) < kOutcomeLevels) {
                    g_coverage.level = static_cast<size_t>(chosen);
                    ShowLevel();
                }
            }
            break;
        case IDC_COV_BANK:
        case IDC_COV_SELECTION:
            if (HIWORD(wParam) == BN_CLICKED) {
                const bool selection = LOWORD(wParam) == IDC_COV_SELECTION;
                if (selection != g_coverage.selectionScope) {
                    g_coverage.selectionScope = selection;
                    Recount();
                }
            }
            break;
        case IDOK:
        case IDC_COV_SAVE: SaveCoverageReportWith(*g_modalUi, window, g_coverage.report); break;
        case IDCANCEL:
        case IDC_COV_CLOSE: DestroyWindow(window); break;
        default: break;
        }
        return 0;
    case WM_CLOSE: DestroyWindow(window); return 0;
    case WM_DESTROY: g_coverage = CoverageWindowState{}; return 0;
    default: break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

const ToolWindow kCoverageReportWindow = {
    L"CoverageReportWindowClass", // className
    CoverageReportWndProc, // proc
    u"Coverage Report Window Registration Failed!", // registrationFailure
    true, // whiteBackground
    GetCoverageReportWindow, // window
    nullptr, // translate
    RefreshCoverageReportWindow, // documentReplaced
    RefreshCoverageReportWindow, // documentReread
    RefreshCoverageReportWindow, // itemsChanged
    nullptr, // confirmDiscard
};
