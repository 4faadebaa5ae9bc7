#include "print/PrintExamDialog.h"

#include <ctime>

#include "print/PrintLogic.h"
#include "ui/AppServices.h"
#include "ui/ControlTable.h"
#include "ui/Shell.h"
#include "util/StringUtil.h"
#include "util/Win32Text.h"

namespace {

struct PrintDialogState {
    HWND hWnd = nullptr;
    HWND owner = nullptr; // given the foreground back when the dialog ends
    HWND savedFocus = nullptr;
    json exam;
    // What was typed last time, offered again while the program runs.
    bool remembered = false;
    std::u16string title, versions = u"1", seed;
    bool saveKey = true;
};
PrintDialogState g_printDialog;

constexpr size_t kListedInMessage = 20;
const char16_t kCaption[] = u"Print Exam";
const DWORD kField = WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;

const ControlSpec kControls[] = {
    {0, L"STATIC", L"&Title:", 0, 14, 17, 70, 18, 0, FieldKind::None},
    {IDC_PRINT_TITLE, L"EDIT", L"", kField, 88, 14, 300, 22, 0, FieldKind::Text},
    {0, L"STATIC", L"&Versions:", 0, 14, 49, 70, 18, 0, FieldKind::None},
    {IDC_PRINT_VERSIONS, L"EDIT", L"", kField, 88, 46, 60, 22, 0, FieldKind::Text},
    {0, L"STATIC", L"S&eed:", 0, 170, 49, 40, 18, 0, FieldKind::None},
    {IDC_PRINT_SEED, L"EDIT", L"", kField, 214, 46, 174, 22, 0, FieldKind::Text},
    {IDC_PRINT_KEY, L"BUTTON", L"Also save the answer &key as a CSV file", WS_TABSTOP | BS_AUTOCHECKBOX, 88, 78,
     300, 20, 0, FieldKind::None},
    {0, L"STATIC", L"Two or more versions shuffle the questions and their choices.", 0, 14, 106, 380, 18, 0,
     FieldKind::None},
    {IDC_PRINT_SAVE, L"BUTTON", L"&Save...", WS_TABSTOP | BS_DEFPUSHBUTTON, 160, 136, 110, 28, 0, FieldKind::None},
    {IDC_PRINT_CANCEL, L"BUTTON", L"Cancel", WS_TABSTOP, 278, 136, 110, 28, 0, FieldKind::None},
};
constexpr ControlTable kTable = MakeControlTable(kControls);

std::u16string Field(HWND window, int id) { return GetWindowTextU(GetDlgItem(window, id)); }

void Refuse(HWND window, int field, const std::string& message)
{
    ShowMessageBox(window, s2w(message), kCaption, MsgIcon::Info);
    HWND control = GetDlgItem(window, field);
    SetFocus(control);
    SendMessageW(control, EM_SETSEL, 0, -1);
}

// The page's path without ".html" (any case), for the key's suggested name.
std::u16string KeyPathBeside(const std::u16string& page)
{
    std::u16string base = page;
    const size_t dot = base.find_last_of(u'.');
    const size_t slash = base.find_last_of(u"/\\");
    if (dot != std::u16string::npos && (slash == std::u16string::npos || dot > slash)) base.resize(dot);
    return base + u"-key.csv";
}

void Save(HWND window)
{
    const std::u16string title = Field(window, IDC_PRINT_TITLE);
    const std::u16string versionsText = Field(window, IDC_PRINT_VERSIONS), seedText = Field(window, IDC_PRINT_SEED);
    const bool saveKey = SendDlgItemMessageW(window, IDC_PRINT_KEY, BM_GETCHECK, 0, 0) == BST_CHECKED;
    PrintOptions options;
    std::string error;
    if (!ParseVersionsText(w2s(versionsText), options.versions, error)) return Refuse(window, IDC_PRINT_VERSIONS, error);
    if (!ParseSeedText(w2s(seedText), options.seed, error)) return Refuse(window, IDC_PRINT_SEED, error);
    options.title = PrintTitle(w2s(title));
    g_printDialog.title = title;
    g_printDialog.versions = versionsText;
    g_printDialog.seed = seedText;
    g_printDialog.saveKey = saveKey;

    size_t type = 0;
    const std::u16string page =
        g_modalUi->AskSavePathOfType(window, u"exam.html", {{u"Web page (*.html)", u"*.html", u"html"}}, type,
                                     u"Save Printable Exam As");
    if (page.empty()) return;
    std::u16string key;
    if (saveKey) {
        type = 0;
        key = g_modalUi->AskSavePathOfType(window, KeyPathBeside(page), {{u"CSV file (*.csv)", u"*.csv", u"csv"}},
                                           type, u"Save Answer Key As");
        if (key.empty()) return; // nothing written: the user can still untick the key
    }
    ShowWaitCursor();
    const PrintableExam exam = CollectPrintQuestions(g_printDialog.exam);
    const std::vector<ExamVersion> versions = MakeExamVersions(exam, options.versions, options.seed);
    if (!WriteFileBytesSafely(page, RenderExamHtml(exam, versions, options.title)) ||
        (saveKey && !WriteFileBytesSafely(key, RenderAnswerKeyCsv(exam, versions)))) {
        ShowMessageBox(window, u"Failed to save file.", kCaption, MsgIcon::Error);
        return;
    }
    HWND owner = g_printDialog.owner;
    DestroyWindow(window);
    const std::string summary = PrintSummary(exam, options.versions, saveKey, kListedInMessage);
    if (ShowMessageBox(owner, s2w(summary + "\n\nOpen the page in the browser to print it?"), kCaption,
                       MsgIcon::Question, MsgButtons::YesNo) == MsgAnswer::Yes &&
        !(Services().openInBrowser && Services().openInBrowser(page)))
        ShowMessageBox(owner, u"The page could not be opened in the browser.", kCaption, MsgIcon::Error);
}

void OnCreate(HWND window)
{
    g_printDialog.hWnd = window;
    CreateControls(window, kTable, reinterpret_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
    if (!g_printDialog.remembered) {
        g_printDialog.remembered = true;
        // A new seed per session: the dialog shows it, so the same versions can be made again.
        g_printDialog.seed = DecimalW(static_cast<unsigned long long>(std::time(nullptr)) % 1000000);
    }
    // The title follows the document unless one was typed for it.
    const std::u16string title =
        g_printDialog.title.empty() ? s2w(DefaultPrintTitle(g_jsonDoc, w2s(g_currentPath))) : g_printDialog.title;
    SetWindowTextW(GetDlgItem(window, IDC_PRINT_TITLE), WidePtr(title));
    SetWindowTextW(GetDlgItem(window, IDC_PRINT_VERSIONS), WidePtr(g_printDialog.versions));
    SetWindowTextW(GetDlgItem(window, IDC_PRINT_SEED), WidePtr(g_printDialog.seed));
    SendDlgItemMessageW(window, IDC_PRINT_KEY, BM_SETCHECK, g_printDialog.saveKey ? BST_CHECKED : BST_UNCHECKED, 0);
    FocusFirstControl(window);
    SendDlgItemMessageW(window, IDC_PRINT_TITLE, EM_SETSEL, 0, -1);
}

void OnDestroy(HWND window)
{
    EndModalWindow(window);
    HWND owner = g_printDialog.owner;
    g_printDialog.hWnd = nullptr;
    g_printDialog.owner = nullptr;
    g_printDialog.savedFocus = nullptr;
    g_printDialog.exam = json();
    if (owner && IsWindow(owner)) SetForegroundWindow(owner);
}

} // namespace

HWND GetPrintExamWindow() { return g_printDialog.hWnd; }

static bool HandlePrintExamDialogMessage(MSG* message) { return HandleToolWindowKeys(g_printDialog.hWnd, message); }

void OpenPrintExamDialog(HWND owner, const json& exam)
{
    if (IsWindow(g_printDialog.hWnd)) {
        SetForegroundWindow(g_printDialog.hWnd);
        return;
    }
    const PrintableExam printable = CollectPrintQuestions(exam);
    if (printable.questions.empty()) {
        ShowMessageBox(owner, s2w(NothingToPrintMessage(printable, kListedInMessage)), kCaption, MsgIcon::Info);
        return;
    }
    g_printDialog.exam = exam;
    g_printDialog.owner = owner;
    // Width and height of the client area above, plus the frame.
    RECT frame{0, 0, 402, 176};
    const DWORD style = WS_CAPTION | WS_SYSMENU | WS_POPUP;
    AdjustWindowRectEx(&frame, style, FALSE, WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT);
    HWND window = CreateWindowExW(WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, L"PrintExamWindowClass", L"Print Exam",
                                  style, CW_USEDEFAULT, CW_USEDEFAULT, frame.right - frame.left,
                                  frame.bottom - frame.top, owner ? owner : g_hMainWnd, nullptr, g_hInst, nullptr);
    if (!window) {
        g_printDialog.exam = json();
        g_printDialog.owner = nullptr;
        return;
    }
    // Over the middle of its owner.
    RECT ownerRect, own;
    if (GetWindowRect(owner ? owner : g_hMainWnd, &ownerRect) && GetWindowRect(window, &own))
        SetWindowPos(window, nullptr, (ownerRect.left + ownerRect.right - (own.right - own.left)) / 2,
                     (ownerRect.top + ownerRect.bottom - (own.bottom - own.top)) / 2, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    BeginModalWindow(window);
    ShowWindow(window, SW_SHOW);
}

static LRESULT CALLBACK PrintExamWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (HandleDialogWindowMessage(window, message, wParam, lParam, IDC_PRINT_SAVE, result)) return result;
    switch (message) {
    case WM_ACTIVATE: KeepDialogFocus(window, wParam, g_printDialog.savedFocus); return 0;
    case WM_CREATE: OnCreate(window); return 0;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
        case IDC_PRINT_SAVE: Save(window); break;
        case IDCANCEL:
        case IDC_PRINT_CANCEL: DestroyWindow(window); break;
        default: break;
        }
        return 0;
    case WM_CLOSE: DestroyWindow(window); return 0;
    case WM_DESTROY: OnDestroy(window); return 0;
    default: break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

const ToolWindow kPrintExamWindow = {L"PrintExamWindowClass", PrintExamWndProc, u"Print Exam Window Registration Failed!", false, GetPrintExamWindow, HandlePrintExamDialogMessage, nullptr, nullptr, nullptr, nullptr};
