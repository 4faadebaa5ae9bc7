#include "app/MainWindow.h"

#include <commdlg.h>
#include <shlobj.h>

#include <new>

#include "app/AboutDialog.h"
#include "app/ToolWindows.h"
#include "branding/Branding.h"
#include "dupes/FindDuplicates.h"
#include "editor/ItemEditor.h"
#include "export/ExamExport.h"
#include "export/ExamSelection.h"
#include "find/FindReplace.h"
#include "fixup/ImportFixup.h"
#include "report/CoverageReport.h"
#include "print/PrintExamDialog.h"
#include "ui/TextView.h"
#include "util/FileDialogs.h"
#include "util/Win32Text.h"

MainWindowState g_mainWindow;
HFONT& g_hFont = g_mainWindow.hFont;
BOOL(WINAPI* g_chooseFont)(CHOOSEFONTW*) = ChooseFontW;

const wchar_t kMainWindowTitle[] = L"Exam Testbank Viewer/Editor";

namespace {

// The document commands' view of the main window.
class MainWindowUi : public DocumentUi {
public:
    std::u16string AskOpenPath(void* owner) override { return g_modalUi->AskOpenPath(owner); }
    std::vector<std::u16string> AskOpenPaths(void* owner) override { return g_modalUi->AskOpenPaths(owner); }
    std::u16string AskOpenPathOfType(void* owner, const std::vector<FileType>& types, size_t& type,
                                     const std::u16string& title) override
    {
        return g_modalUi->AskOpenPathOfType(owner, types, type, title);
    }
    std::vector<std::u16string> AskOpenPathsOfType(void* owner, const std::vector<FileType>& types, size_t& type,
                                                   const std::u16string& title) override
    {
        return g_modalUi->AskOpenPathsOfType(owner, types, type, title);
    }
    std::u16string AskSavePath(void* owner, const std::u16string& suggested) override
    {
        return g_modalUi->AskSavePath(owner, suggested);
    }
    MsgAnswer ShowMessage(void* owner, const std::u16string& text, const std::u16string& caption, MsgIcon icon,
                          MsgButtons buttons) override
    {
        return g_modalUi->ShowMessage(owner, text, caption, icon, buttons);
    }
    std::u16string ReadViewText() override { return RawViewText(); }
    // The control's own flag: set by typing and replacing, cleared whenever its text is set.
    bool ViewTextChanged() override { return g_hEdit && SendMessageW(g_hEdit, EM_GETMODIFY, 0, 0); }
    void RefreshView() override { RefreshEditView(g_hMainWnd); }
    void ViewHoldsRawText() override
    {
        if (g_hEdit) SendMessageW(g_hEdit, EM_SETMODIFY, FALSE, 0);
        UpdateMainWindowTitle();
    }
    void ShowParseErrorPlace(size_t offset) override
    {
        if (!g_hEdit || !g_viewRaw) return;
        SendMessageW(g_hEdit, EM_SETSEL, offset, offset);
        SendMessageW(g_hEdit, EM_SCROLLCARET, 0, 0);
    }
    void ShowBusy() override { ShowWaitCursor(); }
    bool RunLong(void* owner, const std::u16string& what, std::function<void()> work) override
    {
        return RunWithProgress(static_cast<HWND>(owner), what, std::move(work));
    }
    // Windows holding positions into the old document close.
    void ResetExamSelections() override { ToolWindowsDocumentReplaced(); }
    void DocumentReread() override { ToolWindowsDocumentReread(); }
    bool ConfirmDiscardToolEdits(void* owner) override { return ConfirmDiscardToolWindowEdits(static_cast<HWND>(owner)); }
    void ItemsChanged() override { ToolWindowsItemsChanged(); }
    void ShowItemsEdited(const std::vector<size_t>& positions, bool notesChanged) override
    {
        ::ShowItemsEdited(positions, true, notesChanged);
    }
    bool UndoViewTyping() override
    {
        if (!g_hEdit || !g_viewRaw || !SendMessageW(g_hEdit, EM_CANUNDO, 0, 0)) return false;
        SendMessageW(g_hEdit, EM_UNDO, 0, 0);
        // Once: the next Undo is the document's (what typing is left goes in as a step first).
        SendMessageW(g_hEdit, EM_EMPTYUNDOBUFFER, 0, 0);
        if (g_document.raw == RawText::Current && RawViewText() == g_rawJsonText)
            SendMessageW(g_hEdit, EM_SETMODIFY, FALSE, 0);
        return true;
    }
    void OpenImportFixup(void* owner, const std::vector<ImportIssue>& issues) override
    {
        OpenImportFixupWindow(static_cast<HWND>(owner), issues);
    }
};

MainWindowUi g_mainUi;

// Print Exam... from the menu and from Select Items: the selection as Save Selections
// takes it, then the print dialog.
void PrintExamSelections(void* ownerWindow)
{
    HWND owner = static_cast<HWND>(ownerWindow);
    if (!SyncExamSelection(owner)) return;
    json exam;
    if (const char16_t* refusal = ExamRefusal(exam)) {
        ShowMessageBox(owner, refusal, u"Print Exam", MsgIcon::Info);
        return;
    }
    OpenPrintExamDialog(owner, exam);
}

void FindOrReplace(HWND window, const char16_t* caption, void (*open)(HWND))
{
    if (!g_hasJson) {
        ShowMessageBox(window, u"No JSON loaded.", caption, MsgIcon::Info);
        return;
    }
    if (!g_viewRaw) {
        g_viewRaw = true;
        RefreshEditView(window);
    }
    open(window);
}

// Long raw lines whole (editable, each such line costs seconds) or broken and read-only.
void ToggleRawLongLines(HWND window)
{
    // Either way the view's text is made again: its changes go into the document first.
    if (!ApplyRawViewEdits(g_mainUi, window)) return;
    g_shell.rawLinesWhole = !g_shell.rawLinesWhole;
    CheckMenuItem(GetMenu(window), IDM_VIEW_RAW_LONG_LINES, g_shell.rawLinesWhole ? MF_CHECKED : MF_UNCHECKED);
    if (g_hasJson && g_viewRaw) RefreshEditView(window);
}

// The view has the keyboard whenever the main window is the active one.
void FocusView(HWND window)
{
    if (g_hEdit && IsWindowVisible(g_hEdit) && GetActiveWindow() == window && IsWindowEnabled(window))
        SetFocus(g_hEdit);
}

const ACCEL kShortcuts[] = {
    {FVIRTKEY | FCONTROL, 'O', IDM_FILE_OPEN},
    {FVIRTKEY | FCONTROL, 'S', IDM_FILE_SAVE},
    {FVIRTKEY | FCONTROL, 'F', IDM_EDIT_FIND},
    {FVIRTKEY | FCONTROL, 'H', IDM_EDIT_REPLACE},
    {FVIRTKEY | FCONTROL, 'Z', IDM_EDIT_UNDO},
    {FVIRTKEY | FCONTROL, 'Y', IDM_EDIT_REDO},
    {FVIRTKEY | FCONTROL | FSHIFT, 'Z', IDM_EDIT_REDO},
};
HACCEL g_shortcuts = nullptr;

void OnCommand(HWND window, int id)
{
    RefreshStaleView(); // every command sees the current document in the view
    switch (id) {
    case IDM_FILE_NEW: CmdNewTestbank(g_mainUi, window); break;
    case IDM_FILE_OPEN: CmdOpen(g_mainUi, window); break;
    case IDM_FILE_OPEN_MERGE: CmdOpenAndMerge(g_mainUi, window); break;
    case IDM_FILE_IMPORT: CmdImport(g_mainUi, window); break;
    case IDM_FILE_IMPORT_MERGE: CmdImportAndMerge(g_mainUi, window); break;
    case IDM_FILE_SAVE: CmdSave(g_mainUi, window); break;
    case IDM_FILE_SAVE_AS: CmdSaveAs(g_mainUi, window); break;
    case IDM_FILE_EXIT: PostMessageW(window, WM_CLOSE, 0, 0); break;
    case IDM_VIEW_FONT: ShowFontDialogAndApply(window); break;
    case IDM_VIEW_TOGGLE_RAW: CmdToggleRawView(g_mainUi, window); break;
    case IDM_VIEW_RAW_LONG_LINES: ToggleRawLongLines(window); break;
    case IDM_VIEW_SAVE_NOTES: CmdSaveAllNotes(g_mainUi, window); break;
    case IDM_EDIT_UNDO: CmdUndo(g_mainUi, window); break;
    case IDM_EDIT_REDO: CmdRedo(g_mainUi, window); break;
    case IDM_EDIT_ITEMS: OpenMcEditor(window); break;
    case IDM_EDIT_FIND: FindOrReplace(window, u"Find", OpenFindDialog); break;
    case IDM_EDIT_REPLACE: FindOrReplace(window, u"Replace", OpenReplaceDialog); break;
    case IDM_EDIT_DUPLICATES: OpenFindDuplicatesWindow(window); break;
    case IDM_CREATE_SELECT: OpenExamExportWindow(window); break;
    case IDM_CREATE_SAVE_SELECTIONS: SaveExamSelections(window); break;
    case IDM_CREATE_PRINT: PrintExamSelections(window); break;
    case IDM_CREATE_COVERAGE: OpenCoverageReportWindow(window); break;
    case IDM_HELP_ABOUT: ShowAboutDialog(window); break;
    default: break;
    }
}

void OnCreate(HWND window)
{
    CreateMainMenu(window);
    RegisterTextViewClass(g_hInst);
    g_hEdit = CreateWindowExW(WS_EX_CLIENTEDGE, kTextViewClass, L"",
                              WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_AUTOVSCROLL |
                                  ES_AUTOHSCROLL | ES_NOHIDESEL,
                              0, 0, 0, 0, window, nullptr, g_hInst, nullptr);
    if (!g_hEdit) ShowMessageBox(window, u"Failed to create edit control.", u"Error", MsgIcon::Error);
    g_hasJson = false;
    g_viewRaw = false;
    RefreshEditView(window);
}

void OnPaint(HWND window)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    if (!g_hasJson) {
        RECT client;
        GetClientRect(window, &client);
        DrawBrandingPlaceholder(dc, client);
    }
    EndPaint(window, &ps);
}

void OnCommandMessage(HWND window, WPARAM wParam, LPARAM lParam)
{
    if (lParam && reinterpret_cast<HWND>(lParam) == g_hEdit) { // the view's notifications
        if (HIWORD(wParam) == EN_CHANGE) {
            if (g_viewRaw) g_document.rawEditName = u"Raw View Changes"; // typed: the step's name
            UpdateMainWindowTitle();
        }
        return;
    }
    try {
        OnCommand(window, LOWORD(wParam));
    } catch (const std::bad_alloc&) {
        // What was being built is gone; the document as it was stays.
        ShowMessageBox(window, u"Out of memory: the command could not be completed.", u"Error", MsgIcon::Error);
    }
    UpdateMainWindowTitle();
    FocusView(window);
}

// Undo and Redo name the step they take.
void UpdateUndoMenu(HMENU menu)
{
    for (const bool undo : {true, false}) {
        const UINT id = undo ? IDM_EDIT_UNDO : IDM_EDIT_REDO;
        if (GetMenuState(menu, id, MF_BYCOMMAND) == static_cast<UINT>(-1)) continue;
        bool enabled = false;
        const std::u16string text = UndoMenuText(g_mainUi, undo, enabled);
        ModifyMenuW(menu, id, MF_BYCOMMAND | MF_STRING | (enabled ? MF_ENABLED : MF_GRAYED), id, WidePtr(text));
    }
}

void OnDestroy()
{
    if (g_hFont) {
        DeleteObject(g_hFont);
        g_hFont = nullptr;
    }
    g_hEdit = nullptr;
    if (g_shortcuts) DestroyAcceleratorTable(g_shortcuts);
    g_shortcuts = nullptr;
    PostQuitMessage(0);
}

} // namespace

AppServices MainWindowServices()
{
    AppServices services;
    services.applyRawEdits = [](void* owner) { return ApplyRawViewEdits(g_mainUi, owner); };
    services.applyRawEditsQuietly = [] { return ApplyRawViewEditsQuietly(g_mainUi); };
    services.itemsChanged = ToolWindowsItemsChanged;
    services.documentEdited = UpdateMainWindowTitle;
    services.examSelection = []() -> const std::set<std::string>* {
        return g_examSelectionInitialized ? &g_examSelectedIds : nullptr;
    };
    services.printExam = PrintExamSelections;
    services.openInBrowser = OpenWithShell;
    return services;
}

bool TranslateMainWindowShortcut(MSG* message)
{
    if (!g_hMainWnd || !IsWindowEnabled(g_hMainWnd)) return false;
    if (message->hwnd != g_hMainWnd && !IsChild(g_hMainWnd, message->hwnd)) return false;
    if (!g_shortcuts)
        g_shortcuts = CreateAcceleratorTableW(const_cast<ACCEL*>(kShortcuts), sizeof kShortcuts / sizeof kShortcuts[0]);
    return g_shortcuts && TranslateAcceleratorW(g_hMainWnd, g_shortcuts, message);
}

void UpdateMainWindowTitle()
{
    if (!g_hMainWnd) return;
    std::u16string title =
        MainWindowTitleText(g_hasJson, g_currentPath, IsDocumentModified(g_mainUi), FromWide(kMainWindowTitle));
    if (g_shell.shows == ViewShows::RawBroken) title += u" - raw view read-only: long lines shown broken";
    if (GetWindowTextU(g_hMainWnd) != title) SetWindowTextW(g_hMainWnd, WidePtr(title));
}

void CreateMainMenu(HWND window)
{
    HMENU bar = CreateMenu();
    HMENU file = CreateMenu(), edit = CreateMenu(), create = CreateMenu(), view = CreateMenu(), help = CreateMenu();
    AppendMenuW(file, MF_STRING, IDM_FILE_NEW, L"&New Testbank");
    AppendMenuW(file, MF_STRING, IDM_FILE_OPEN, L"&Open...\tCtrl+O");
    AppendMenuW(file, MF_STRING, IDM_FILE_OPEN_MERGE, L"Open && &Merge...");
    AppendMenuW(file, MF_STRING, IDM_FILE_IMPORT, L"&Import...");
    AppendMenuW(file, MF_STRING, IDM_FILE_IMPORT_MERGE, L"Import && Mer&ge...");
    AppendMenuW(file, MF_STRING, IDM_FILE_SAVE, L"&Save\tCtrl+S");
    AppendMenuW(file, MF_STRING, IDM_FILE_SAVE_AS, L"Save &As...");
    AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(file, MF_STRING, IDM_FILE_EXIT, L"E&xit");
    AppendMenuW(edit, MF_STRING | MF_GRAYED, IDM_EDIT_UNDO, L"&Undo\tCtrl+Z");
    AppendMenuW(edit, MF_STRING | MF_GRAYED, IDM_EDIT_REDO, L"Red&o\tCtrl+Y");
    AppendMenuW(edit, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(edit, MF_STRING, IDM_EDIT_ITEMS, L"&Edit/Add Items...");
    AppendMenuW(edit, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(edit, MF_STRING, IDM_EDIT_FIND, L"&Find...\tCtrl+F");
    AppendMenuW(edit, MF_STRING, IDM_EDIT_REPLACE, L"&Replace...\tCtrl+H");
    AppendMenuW(edit, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(edit, MF_STRING, IDM_EDIT_DUPLICATES, L"Find &Duplicates...");
    AppendMenuW(create, MF_STRING, IDM_CREATE_SELECT, L"&Select Items");
    AppendMenuW(create, MF_STRING, IDM_CREATE_SAVE_SELECTIONS, L"&Save Selections");
    AppendMenuW(create, MF_STRING, IDM_CREATE_PRINT, L"&Print Exam...");
    AppendMenuW(create, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(create, MF_STRING, IDM_CREATE_COVERAGE, L"&Coverage Report...");
    AppendMenuW(view, MF_STRING, IDM_VIEW_FONT, L"&Font...");
    AppendMenuW(view, MF_STRING, IDM_VIEW_TOGGLE_RAW, L"Toggle &Raw JSON View");
    AppendMenuW(view, MF_STRING | (g_shell.rawLinesWhole ? MF_CHECKED : 0), IDM_VIEW_RAW_LONG_LINES,
                L"Edit &Long Lines in Raw View");
    AppendMenuW(view, MF_STRING, IDM_VIEW_SAVE_NOTES, L"Save All &Notes As...");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"&File");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(edit), L"&Edit");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(create), L"&Create");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(view), L"&View");
    AppendMenuW(help, MF_STRING, IDM_HELP_ABOUT, L"&About Testbank Editor...");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(help), L"&Help");
    SetMenu(window, bar);
}

void ShowFontDialogAndApply(HWND owner)
{
    LOGFONTW& remembered = g_mainWindow.chosenFont;
    if (!g_hEdit) return;
    if (remembered.lfHeight == 0) {
        HFONT current = reinterpret_cast<HFONT>(SendMessageW(g_hEdit, WM_GETFONT, 0, 0));
        if (current) {
            GetObjectW(current, sizeof remembered, &remembered);
        } else {
            remembered = LOGFONTW{};
            remembered.lfHeight = -16;
            lstrcpynW(remembered.lfFaceName, L"Segoe UI", LF_FACESIZE);
        }
    }
    CHOOSEFONTW cf{};
    cf.lStructSize = sizeof cf;
    cf.hwndOwner = owner;
    cf.lpLogFont = &remembered;
    cf.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT;
    if (!g_chooseFont(&cf)) return;
    // Make the new font before releasing the old one, so the view never holds a dead font.
    HFONT font = CreateFontIndirectW(&remembered);
    if (!font) return;
    SendMessageW(g_hEdit, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    if (g_hFont) DeleteObject(g_hFont);
    g_hFont = font;
}

namespace {

// Windows asks whether the session may end: unsaved work is asked about as closing asks,
// and a refusal names its reason on the shutdown screen. A critical end cannot wait for
// an answer: the work is kept as a copy when the session ends.
BOOL OnQueryEndSession(HWND window, LPARAM flags)
{
    if (flags & ENDSESSION_CRITICAL) return TRUE;
    g_mainWindow.sessionMayEnd = ConfirmDiscardChanges(g_mainUi, window);
    if (g_mainWindow.sessionMayEnd) {
        ShutdownBlockReasonDestroy(window);
        return TRUE;
    }
    ShutdownBlockReasonCreate(window, L"The testbank has unsaved changes.");
    return FALSE;
}

// The session ends whatever was answered: work the user did not let go is written to a copy.
void OnEndSession(HWND window, bool ending)
{
    if (ending && !g_mainWindow.sessionMayEnd) {
        wchar_t documents[MAX_PATH] = L"";
        std::u16string folder;
        if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, documents)))
            folder = reinterpret_cast<const char16_t*>(documents) + std::u16string(u"\\");
        SaveRecoveryCopy(g_mainUi, folder);
    }
    if (!ending) ShutdownBlockReasonDestroy(window);
    g_mainWindow.sessionMayEnd = false;
}

} // namespace

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        OnCreate(window);
        return 0;
    case WM_SIZE:
        if (g_hEdit) MoveWindow(g_hEdit, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        return 0;
    case WM_PAINT:
        OnPaint(window);
        return 0;
    case WM_ERASEBKGND:
        if (!g_hasJson) return 1;
        break;
    case WM_COMMAND:
        OnCommandMessage(window, wParam, lParam);
        return 0;
    case WM_INITMENUPOPUP:
        UpdateUndoMenu(reinterpret_cast<HMENU>(wParam));
        break;
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE) {
            RefreshStaleView(); // the user looks at the view again
            FocusView(window);
            return 0;
        }
        break;
    case WM_SETFOCUS:
        FocusView(window);
        return 0;
    case WM_CLOSE:
        // Unsaved work is never thrown away without asking.
        if (ConfirmDiscardChanges(g_mainUi, window)) DestroyWindow(window);
        return 0;
    case WM_QUERYENDSESSION: return OnQueryEndSession(window, lParam);
    case WM_ENDSESSION:
        OnEndSession(window, wParam != 0);
        return 0;
    case WM_DESTROY:
        OnDestroy();
        return 0;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
