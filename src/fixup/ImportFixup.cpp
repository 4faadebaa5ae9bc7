#include "fixup/ImportFixup.h"

#include <algorithm>

#include "fixup/FixupLogic.h"
#include "ui/ControlTable.h"
#include "ui/Shell.h"

static bool ConfirmCloseImportFixup(HWND owner);

namespace {

struct FixupWindowState {
    HWND hWnd = nullptr;
    HWND hParent = nullptr; // disabled while the wizard is open, with every other window
    HWND savedFocus = nullptr;
    FormModel shown; // what the controls held right after the current item was loaded
    bool changedItems = false; // the other windows' views follow once, when it closes
};
FixupWindowState g_fixupWindow;

const DWORD kEdit = WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;
// BS_NOTIFY: the second press of a double click arrives as BN_DOUBLECLICKED, not as a
// second click on the item that the first one brought up unseen.
const DWORD kStepButton = WS_TABSTOP | BS_NOTIFY;

// Rectangles are set by LayoutFixupWindow, which follows the client size.
const ControlSpec kControls[] = {
    {IDC_FIX_HEADER, L"STATIC", L"", 0, 0, 0, 0, 0, 0, FieldKind::Text},
    {5012, L"STATIC", L"ID:", 0, 0, 0, 0, 0, 0, FieldKind::None},
    {IDC_FIX_ID, L"STATIC", L"", 0, 0, 0, 0, 0, 0, FieldKind::Text},
    {5013, L"STATIC", L"Type:", 0, 0, 0, 0, 0, 0, FieldKind::None},
    {IDC_FIX_TYPE, L"COMBOBOX", L"", WS_TABSTOP | CBS_DROPDOWNLIST, 0, 0, 0, 0, 0, FieldKind::Selection},
    {5014, L"STATIC", L"Question:", 0, 0, 0, 0, 0, 0, FieldKind::None},
    {IDC_FIX_QUESTION, L"EDIT", L"", WS_BORDER | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY,
     0, 0, 0, 0, 0, FieldKind::Text},
    {5015, L"STATIC", L"Learning Objectives:", 0, 0, 0, 0, 0, 0, FieldKind::None},
    {5016, L"STATIC", L"MLO:", 0, 0, 0, 0, 0, 0, FieldKind::None},
    {5017, L"STATIC", L"CLO:", 0, 0, 0, 0, 0, 0, FieldKind::None},
    {5018, L"STATIC", L"PLO:", 0, 0, 0, 0, 0, 0, FieldKind::None},
    {IDC_FIX_MLO, L"EDIT", L"", kEdit, 0, 0, 0, 0, 0, FieldKind::Text},
    {IDC_FIX_CLO, L"EDIT", L"", kEdit, 0, 0, 0, 0, 0, FieldKind::Text},
    {IDC_FIX_PLO, L"EDIT", L"", kEdit, 0, 0, 0, 0, 0, FieldKind::Text},
    {IDC_FIX_BACK, L"BUTTON", L"< Back", kStepButton, 0, 0, 0, 0, 0, FieldKind::None},
    {IDC_FIX_SKIP, L"BUTTON", L"Skip >", kStepButton, 0, 0, 0, 0, 0, FieldKind::None},
    {IDC_FIX_SAVE, L"BUTTON", L"Save && Next", kStepButton | BS_DEFPUSHBUTTON, 0, 0, 0, 0, 0, FieldKind::None},
    {IDC_FIX_CLOSE, L"BUTTON", L"Close", WS_TABSTOP, 0, 0, 0, 0, 0, FieldKind::None},
    {IDC_FIX_APPLY_ALL, L"BUTTON", L"Apply to &All...", WS_TABSTOP, 0, 0, 0, 0, 0, FieldKind::None},
    {IDC_FIX_APPLY_CATEGORY, L"BUTTON", L"Apply to &Category...", WS_TABSTOP, 0, 0, 0, 0, 0, FieldKind::None},
};
constexpr ControlTable kTable = MakeControlTable(kControls);

const wchar_t* const kTypeEntries[4] = {L"Multiple choice", L"True/False", L"Numerical", L"Algorithmic"};

void LayoutFixupWindow(HWND window)
{
    RECT client;
    GetClientRect(window, &client);
    const int w = client.right - 20;
    MoveControl(window, IDC_FIX_HEADER, 10, 10, w, 20);
    MoveControl(window, 5012, 10, 38, 28, 18);
    MoveControl(window, IDC_FIX_ID, 42, 36, 220, 22);
    MoveControl(window, 5013, 280, 38, 40, 18);
    MoveControl(window, IDC_FIX_TYPE, 325, 34, 200, 200);
    // The outcomes sit just above the buttons and the question takes the height between:
    // no empty band, however tall the window.
    const int y = client.bottom - 38;
    const int outcomes = std::max(320, y - 12 - 3 * 28 - 24);
    MoveControl(window, 5014, 10, 70, 80, 18);
    MoveControl(window, IDC_FIX_QUESTION, 10, 88, w, outcomes - 12 - 88);
    MoveControl(window, 5015, 10, outcomes, 150, 18);
    for (int i = 0; i < 3; ++i) {
        MoveControl(window, 5016 + i, 10, outcomes + 24 + 28 * i, 40, 18);
        MoveControl(window, IDC_FIX_MLO + i, 55, outcomes + 22 + 28 * i, w - 45, 22);
    }
    MoveControl(window, IDC_FIX_CLOSE, client.right - 130, y, 120, 28);
    MoveControl(window, IDC_FIX_SAVE, client.right - 258, y, 120, 28);
    MoveControl(window, IDC_FIX_SKIP, client.right - 386, y, 120, 28);
    MoveControl(window, IDC_FIX_BACK, client.right - 514, y, 120, 28);
    MoveControl(window, IDC_FIX_APPLY_ALL, 10, y, 130, 28);
    MoveControl(window, IDC_FIX_APPLY_CATEGORY, 146, y, 140, 28);
}

void RefreshButtons(HWND window)
{
    const bool any = NextUnresolvedIndex(g_fixupPos, 1) != kNoIssue;
    for (int id : {IDC_FIX_BACK, IDC_FIX_SKIP, IDC_FIX_SAVE, IDC_FIX_APPLY_ALL, IDC_FIX_APPLY_CATEGORY})
        if (HWND button = GetDlgItem(window, id)) EnableWindow(button, any);
}

void LoadCurrentIssue(HWND window)
{
    if (g_fixupPos >= g_fixupIssues.size()) return;
    size_t index = 0;
    if (!FindItemIndexById(g_fixupIssues[g_fixupPos].id, index)) return;
    WriteForm(window, kTable,
              LoadFixupForm(g_fixupIssues[g_fixupPos], g_fixupPos, g_fixupIssues.size(), g_jsonDoc["items"][index]));
    for (int id : {IDC_FIX_MLO, IDC_FIX_CLO, IDC_FIX_PLO})
        SendDlgItemMessageW(window, id, EM_SETREADONLY, IsCutOutcome(g_jsonDoc["items"][index], id), 0);
    g_fixupWindow.shown = FormModel{};
    ReadForm(window, kTable, g_fixupWindow.shown);
    RefreshButtons(window);
}

bool FormHoldsEdits(HWND window)
{
    FormModel form;
    ReadForm(window, kTable, form);
    for (int id : {IDC_FIX_MLO, IDC_FIX_CLO, IDC_FIX_PLO})
        if (form.Text(id) != g_fixupWindow.shown.Text(id)) return true;
    return form.Selection(IDC_FIX_TYPE) != g_fixupWindow.shown.Selection(IDC_FIX_TYPE);
}

// On to the next unresolved issue; the wizard closes after the last.
void AdvanceOrClose(HWND window)
{
    const size_t next = NextUnresolvedIndex(g_fixupPos, 1);
    if (next == kNoIssue) {
        DestroyWindow(window);
    } else {
        g_fixupPos = next;
        LoadCurrentIssue(window);
    }
}

bool SaveCurrentIssue(HWND window, bool advance)
{
    if (g_fixupPos >= g_fixupIssues.size()) return false;
    // The raw view's changes go into the document before the fix does.
    if (!ApplyRawViewEditsFirst(window)) return false;
    size_t index = 0;
    if (!FindItemIndexById(g_fixupIssues[g_fixupPos].id, index)) return false;
    FormModel form;
    ReadForm(window, kTable, form);
    if (!SaveFixupForm(index, form)) {
        ShowMessageBox(window, u"MLO is required for this item.", u"Missing Learning Objective", MsgIcon::Warning);
        return false;
    }
    // One item changed in place: its block of the listing follows (else the views are made
    // again once, when the wizard closes); the notes, made from every item, follow then.
    ShowItemsEdited({index}, false);
    g_fixupWindow.changedItems = true;
    if (advance && IsResolved(g_fixupIssues[g_fixupPos])) AdvanceOrClose(window);
    return true;
}

// The current item saved as Save & Next saves it, then the typed outcomes given to the
// other remaining items that lack an MLO (of the current item's category only with
// `sameCategory`), after a question that says how many.
void ApplyOutcomesToRemaining(HWND window, bool sameCategory)
{
    if (g_fixupPos >= g_fixupIssues.size()) return;
    FormModel form;
    ReadForm(window, kTable, form);
    if (IsBlankWide(form.Text(IDC_FIX_MLO))) {
        ShowMessageBox(window, u"Type the MLO to apply first.", u"Missing Learning Objective", MsgIcon::Warning);
        return;
    }
    // The raw view's changes first: the targets are positions in the document they make.
    if (!ApplyRawViewEditsFirst(window)) return;
    const std::vector<size_t> targets = OutcomeTargets(sameCategory);
    if (ShowMessageBox(window,
                       ApplyOutcomesQuestion(form.Text(IDC_FIX_MLO), form.Text(IDC_FIX_CLO), form.Text(IDC_FIX_PLO), targets.size(), sameCategory, CurrentItemCategory()),
                       u"Fix Imported Items", MsgIcon::Question, MsgButtons::YesNo) != MsgAnswer::Yes)
        return;
    size_t index = 0;
    // The outcomes as the current item then stores them (a box shown cut holds less).
    std::vector<size_t> changed;
    if (!FindItemIndexById(g_fixupIssues[g_fixupPos].id, index) ||
        !ApplyOutcomesForm(targets, index, form, sameCategory, changed))
        return;
    // A few items follow in the listing in place; many make it again once.
    if (changed.size() > kMostItemsShownInPlace) changed.clear();
    ShowItemsEdited(changed);
    g_fixupWindow.changedItems = true;
    if (IsResolved(g_fixupIssues[g_fixupPos])) AdvanceOrClose(window);
    else LoadCurrentIssue(window); // the header no longer names the MLO
}

void SkipCurrentIssue(HWND window, int direction)
{
    if (g_fixupIssues.empty()) return;
    const size_t next = NextUnresolvedIndex(g_fixupPos, direction);
    if (next == kNoIssue) return;
    g_fixupPos = next;
    LoadCurrentIssue(window);
}

void OnCreate(HWND window)
{
    CreateControls(window, kTable, reinterpret_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
    FillComboBox(GetDlgItem(window, IDC_FIX_TYPE), kTypeEntries, 4);
    SendDlgItemMessageW(window, IDC_FIX_TYPE, CB_SETCURSEL, 0, 0);
    LayoutFixupWindow(window);
    LoadCurrentIssue(window);
    FocusFirstControl(window);
}

void OnDestroy(HWND window)
{
    EndModalWindow(window);
    HWND parent = g_fixupWindow.hParent;
    const bool changed = g_fixupWindow.changedItems;
    g_fixupWindow = FixupWindowState{};
    g_fixup = FixupState{};
    if (changed) { // the views and the item editor's lists follow every fix at once
        RefreshStaleView();
        NotifyItemsChanged();
    }
    if (parent) SetForegroundWindow(parent);
}

void CloseIfConfirmed(HWND window)
{
    if (ConfirmCloseImportFixup(window)) DestroyWindow(window);
}

} // namespace

static bool ConfirmCloseImportFixup(HWND owner)
{
    HWND window = g_fixupWindow.hWnd;
    return !IsWindow(window) || !FormHoldsEdits(window) ||
           ConfirmDropTypedValues(
               owner, window, u"The Fix Imported Items window holds changes that are not in the testbank. Discard them?",
               u"Fix Imported Items");
}

HWND GetImportFixupWindow() { return g_fixupWindow.hWnd; }

void OpenImportFixupWindow(HWND parent, const std::vector<ImportIssue>& issues)
{
    std::vector<ImportIssue> list = BuildFixupList(issues);
    if (list.empty()) return;
    if (IsWindow(g_fixupWindow.hWnd)) {
        SetForegroundWindow(g_fixupWindow.hWnd);
        return;
    }
    g_fixupIssues = std::move(list);
    g_fixupPos = 0;
    IndexFixupItems();
    g_fixupWindow.hParent = parent;
    HWND window = CreateWindowExW(WS_EX_CONTROLPARENT | WS_EX_CLIENTEDGE | WS_EX_DLGMODALFRAME,
                                  L"ImportFixupWindowClass", L"Fix Imported Items",
                                  WS_CAPTION | WS_SYSMENU | WS_THICKFRAME, CW_USEDEFAULT, CW_USEDEFAULT, 900, 650,
                                  g_hMainWnd, nullptr, g_hInst, nullptr);
    if (!window) {
        OnDestroy(nullptr);
        return;
    }
    BeginModalWindow(window);
    ShowWindow(window, SW_SHOW);
}

static LRESULT CALLBACK ImportFixupWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (HandleDialogWindowMessage(window, message, wParam, lParam, IDC_FIX_SAVE, result)) return result;
    switch (message) {
    case WM_ACTIVATE: KeepDialogFocus(window, wParam, g_fixupWindow.savedFocus); return 0;
    case WM_CREATE:
        g_fixupWindow.hWnd = window;
        OnCreate(window);
        return 0;
    case WM_SIZE: LayoutFixupWindow(window); return 0;
    case WM_COMMAND:
        if (HIWORD(wParam) != BN_CLICKED) return 0; // focus notes and double clicks of the buttons
        switch (LOWORD(wParam)) {
        case IDC_FIX_BACK: SkipCurrentIssue(window, -1); break;
        case IDC_FIX_SKIP: SkipCurrentIssue(window, 1); break;
        case IDOK:
        case IDC_FIX_SAVE: SaveCurrentIssue(window, true); break;
        case IDC_FIX_APPLY_ALL: ApplyOutcomesToRemaining(window, false); break;
        case IDC_FIX_APPLY_CATEGORY: ApplyOutcomesToRemaining(window, true); break;
        case IDCANCEL:
        case IDC_FIX_CLOSE: CloseIfConfirmed(window); break;
        default: break;
        }
        return 0;
    case WM_CLOSE: CloseIfConfirmed(window); return 0;
    case WM_DESTROY: OnDestroy(window); return 0;
    default: break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

const ToolWindow kImportFixupWindow = {
    L"ImportFixupWindowClass", // className
    ImportFixupWndProc, // proc
    u"Import Fixup Window Registration Failed!", // registrationFailure
    false, // whiteBackground
    GetImportFixupWindow, // window
    nullptr, // translate
    nullptr, // documentReplaced
    nullptr, // documentReread
    nullptr, // itemsChanged
    ConfirmCloseImportFixup, // confirmDiscard
};
