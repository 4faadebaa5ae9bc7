#include "ui/Shell.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "model/JsonModel.h"
#include "ui/AppServices.h"
#include "ui/TextBuffer.h"
#include "ui/TextView.h"
#include "ui/ViewText.h"
#include "util/FileDialogs.h"
#include "util/StringUtil.h"
#include "util/Win32Text.h"

ShellState g_shell;
HINSTANCE& g_hInst = g_shell.hInst;
HWND& g_hMainWnd = g_shell.hMainWnd;
HWND& g_hEdit = g_shell.hEdit;

namespace {

// The real dialogs and message boxes.
class Win32ModalUi : public ModalUi {
public:
    std::u16string AskOpenPath(void* owner) override
    {
        bool tooLong = false;
        std::u16string path = ShowOpenJsonDialog(static_cast<HWND>(owner), &tooLong);
        ReportTooLong(owner, tooLong);
        return path;
    }
    std::vector<std::u16string> AskOpenPaths(void* owner) override
    {
        bool tooLong = false;
        std::vector<std::u16string> paths = ShowOpenMultiJsonDialog(static_cast<HWND>(owner), &tooLong);
        ReportTooLong(owner, tooLong);
        return paths;
    }
    std::u16string AskOpenPathOfType(void* owner, const std::vector<FileType>& types, size_t& type,
                                     const std::u16string& title) override
    {
        bool tooLong = false;
        std::vector<std::u16string> paths =
            ShowOpenTypeDialog(static_cast<HWND>(owner), types, type, false, title, &tooLong);
        ReportTooLong(owner, tooLong);
        return paths.empty() ? std::u16string() : paths[0];
    }
    std::vector<std::u16string> AskOpenPathsOfType(void* owner, const std::vector<FileType>& types, size_t& type,
                                                   const std::u16string& title) override
    {
        bool tooLong = false;
        std::vector<std::u16string> paths =
            ShowOpenTypeDialog(static_cast<HWND>(owner), types, type, true, title, &tooLong);
        ReportTooLong(owner, tooLong);
        return paths;
    }
    std::u16string AskSavePath(void* owner, const std::u16string& suggested) override
    {
        bool tooLong = false;
        std::u16string path = ShowSaveAsDialog(static_cast<HWND>(owner), suggested, &tooLong);
        ReportTooLong(owner, tooLong);
        return path;
    }
    std::u16string AskSavePathOfType(void* owner, const std::u16string& suggested,
                                     const std::vector<FileType>& types, size_t& type,
                                     const std::u16string& title) override
    {
        bool tooLong = false;
        std::u16string path = ShowSaveAsTypeDialog(static_cast<HWND>(owner), suggested, types, type, title, &tooLong);
        ReportTooLong(owner, tooLong);
        return path;
    }
    MsgAnswer ShowMessage(void* owner, const std::u16string& text, const std::u16string& caption, MsgIcon icon,
                          MsgButtons buttons) override
    {
        static const UINT icons[] = {MB_ICONERROR, MB_ICONINFORMATION, MB_ICONWARNING, MB_ICONQUESTION};
        static const UINT kinds[] = {MB_OK, MB_YESNO, MB_YESNOCANCEL};
        switch (MessageBoxW(static_cast<HWND>(owner), ToWide(text).c_str(), ToWide(caption).c_str(),
                            icons[static_cast<int>(icon)] | kinds[static_cast<int>(buttons)])) {
        case IDYES: return MsgAnswer::Yes;
        case IDNO: return MsgAnswer::No;
        case IDCANCEL: return MsgAnswer::Cancel;
        default: return MsgAnswer::Ok;
        }
    }

private:
    void ReportTooLong(void* owner, bool tooLong)
    {
        if (tooLong)
            ShowMessage(owner, u"The path is too long. Choose a shorter one.", u"Error", MsgIcon::Error, MsgButtons::Ok);
    }
};

Win32ModalUi g_win32Modal;

// About the text whose showing (the lines counted, a first screen drawn) a user may notice.
constexpr size_t kViewTextWorthANote = 2'000'000;
HWND CreateWorkingWindow(HWND owner, const std::u16string& text, bool cancel);

void SetViewText(const std::u16string& text)
{
    // The control takes a large text in one call that nothing can interrupt: the user sees
    // what the program is doing instead of a window that does not answer.
    HWND note = nullptr;
    if (text.size() > kViewTextWorthANote) {
        note = CreateWorkingWindow(g_hMainWnd, u"Showing the testbank in the view. A large testbank takes a while.",
                                   false);
        if (note) {
            ShowWindow(note, SW_SHOWNOACTIVATE); // activating it would make the main window look at the view
            RedrawWindow(note, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        }
    }
    SetWindowTextW(g_hEdit, WidePtr(text));
    if (note) DestroyWindow(note);
}

} // namespace

ModalUi* g_modalUi = &g_win32Modal;

MsgAnswer ShowMessageBox(HWND owner, const std::u16string& text, const std::u16string& caption, MsgIcon icon,
                         MsgButtons buttons)
{
    return g_modalUi->ShowMessage(owner, text, caption, icon, buttons);
}

void ShowWaitCursor() { SetCursor(LoadCursorW(nullptr, IDC_WAIT)); }

void RefreshEditView(HWND mainWindow)
{
    if (!g_hEdit) return;
    ShowWaitCursor(); // a large listing takes a moment to make
    // Replacements live in the control until a view is made from the raw text.
    if (g_document.raw == RawText::EditedInView) {
        g_rawJsonText = GetWindowTextU(g_hEdit);
        g_document.raw = RawText::Edited;
    }
    EnsureRawTextCurrent();
    EnsureNotesCurrent();
    g_shell.listingParts.clear();
    if (!g_hasJson) {
        g_shell.shows = ViewShows::Nothing;
        NotifyDocumentEdited(); // the title
        SetWindowTextW(g_hEdit, L"");
        SendMessageW(g_hEdit, EM_SETREADONLY, TRUE, 0);
        ShowWindow(g_hEdit, SW_HIDE);
        InvalidateRect(mainWindow, nullptr, TRUE);
        return;
    }
    ShowWindow(g_hEdit, SW_SHOW);
    if (!g_viewRaw && !RawTextEdited()) {
        std::u16string shown;
        if (ShownDocumentListing(g_jsonDoc, g_validationWarnings, shown, g_shell.listingParts)) {
            g_shell.shows = ViewShows::ListingInParts;
            NotifyDocumentEdited();
            SendMessageW(g_hEdit, EM_SETREADONLY, TRUE, 0);
            SetViewText(shown);
            return;
        }
    }
    const bool broken = g_viewRaw && !g_shell.rawLinesWhole && LongestLineLength(g_rawJsonText) > kDisplayLineLimit;
    g_shell.shows = !g_viewRaw ? ViewShows::Listing : broken ? ViewShows::RawBroken : ViewShows::Raw;
    NotifyDocumentEdited(); // the title says when the raw view is read-only
    if (g_viewRaw && !broken) {
        SendMessageW(g_hEdit, EM_SETREADONLY, FALSE, 0);
        SetViewText(g_rawJsonText);
    } else {
        SendMessageW(g_hEdit, EM_SETREADONLY, TRUE, 0);
        SetViewText(DisplayOnlyText(g_viewRaw ? g_rawJsonText : FormatCurrentListing()));
    }
}

bool HighContrastOn()
{
    HIGHCONTRASTW hc{};
    hc.cbSize = sizeof hc;
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof hc, &hc, 0) && (hc.dwFlags & HCF_HIGHCONTRASTON);
}

const char16_t kBrokenRawViewNote[] =
    u"The raw view shows lines longer than 1,000 characters broken, read-only. Choose View > Edit Long Lines in "
    u"Raw View to change it.";

std::u16string RawViewText() { return g_shell.shows == ViewShows::RawBroken ? g_rawJsonText : GetWindowTextU(g_hEdit); }

std::u16string DisplayOnlyText(const std::u16string& text)
{
    std::u16string shown = BreakLongLines(text, kDisplayLineLimit, u"\r\n");
    MakeNulsVisible(shown);
    return shown;
}

ViewTextReader::ViewTextReader() : text_(TextViewText(g_hEdit)) {}

namespace {

// Replaces part `part` of the shown listing (or appends it, one past the last). A part
// shown as it is stays: the control's replacement moves all the text after it.
// The replacement made is added to `edits` (in the places of the text before it).
void ReplaceListingPart(size_t part, const std::u16string& text, std::vector<TextEdit>& edits)
{
    std::vector<size_t>& parts = g_shell.listingParts;
    size_t offset = 0;
    for (size_t i = 0; i < part && i < parts.size(); ++i) offset += parts[i];
    const size_t old = part < parts.size() ? parts[part] : 0;
    if (old == text.size() && TextViewRange(g_hEdit, offset, offset + old) == text) return;
    SendMessageW(g_hEdit, EM_SETSEL, offset, offset + old);
    SendMessageW(g_hEdit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(WidePtr(text)));
    if (part < parts.size()) parts[part] = text.size();
    else parts.push_back(text.size());
    edits.push_back({offset, old, text.size()});
}

// The items' blocks at `positions`, and with `notes` the notes block, replaced in the
// shown listing; false (nothing changed) when that cannot be done in place.
bool ReplaceListingBlocks(const std::vector<size_t>& positions, bool notes)
{
    std::vector<size_t>& parts = g_shell.listingParts;
    const json& items = g_jsonDoc["items"];
    if (g_shell.shows != ViewShows::ListingInParts || parts.empty() || (positions.empty() && !notes) ||
        positions.size() > kMostItemsShownInPlace)
        return false;
    // The items shown are those of the document, or all but one added at the end, or one
    // more: the last, removed (an undone addition).
    const size_t shown = parts.size() - 1;
    const bool added = !positions.empty() && items.size() == shown + 1 && positions.back() == shown;
    const bool removed = !positions.empty() && shown == items.size() + 1 && positions.back() == items.size();
    if (items.size() != shown && !added && !removed) return false;
    for (size_t k = 0; k < positions.size(); ++k)
        if (positions[k] >= items.size() + removed || (k && positions[k] <= positions[k - 1])) return false;
    // The blocks are made first: an item that cannot be shown leaves the control untouched.
    std::vector<std::u16string> blocks{std::u16string()};
    if (notes) {
        EnsureNotesCurrent();
        blocks[0] = ShownListingPart(FormatNotesBlock(g_validationWarnings));
    }
    for (size_t p : positions) blocks.push_back(p < items.size() ? ShownItemBlock(items[p]) : std::u16string());
    DWORD start = 0, end = 0;
    SendMessageW(g_hEdit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    const size_t top = static_cast<size_t>(SendMessageW(g_hEdit, EM_LINEINDEX,
                                                         SendMessageW(g_hEdit, EM_GETFIRSTVISIBLELINE, 0, 0), 0));
    SendMessageW(g_hEdit, WM_SETREDRAW, FALSE, 0);
    std::vector<TextEdit> edits; // last first: each in the places of the text before any
    for (size_t k = positions.size(); k-- > 0;) ReplaceListingPart(positions[k] + 1, blocks[k + 1], edits);
    if (removed) parts.pop_back(); // its block now empty
    if (notes) ReplaceListingPart(0, blocks[0], edits);
    std::reverse(edits.begin(), edits.end());
    // Where the user was, on the same text: the selection, and the line at the top.
    SendMessageW(g_hEdit, EM_SETSEL, FollowEdits(start, edits), FollowEdits(end, edits));
    const LRESULT topLine = SendMessageW(g_hEdit, EM_LINEFROMCHAR, FollowEdits(top, edits), 0);
    const LRESULT nowFirst = SendMessageW(g_hEdit, EM_GETFIRSTVISIBLELINE, 0, 0);
    SendMessageW(g_hEdit, EM_LINESCROLL, 0, topLine - nowFirst);
    SendMessageW(g_hEdit, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(g_hEdit, nullptr, TRUE);
    return true;
}

bool ShowInPlace(const std::vector<size_t>& positions, bool notes)
{
    try {
        return g_hEdit && g_hasJson && !g_viewRaw && !RawTextEdited() && ReplaceListingBlocks(positions, notes);
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace

void RefreshStaleView()
{
    // A listing kept current in place is not stale, whatever the raw text behind it is;
    // notes left behind by a run of edits are made once, now, in their place.
    if (g_hasJson && ViewsStale()) {
        if (g_shell.shows != ViewShows::ListingInParts) RefreshEditView(g_hMainWnd);
        else if (g_document.notesStale && !ShowInPlace({}, true)) RefreshEditView(g_hMainWnd);
    }
    NotifyDocumentEdited();
}

void ShowItemsEdited(const std::vector<size_t>& positions, bool notesNow, bool notesChanged)
{
    const bool notesStale = g_document.notesStale;
    MarkItemsEdited();
    if (!notesChanged) g_document.notesStale = notesStale;
    // None given means too many to name: the listing is made again, not only its notes.
    const bool current = !positions.empty() && ShowInPlace(positions, notesNow && notesChanged);
    if (!current && g_shell.shows == ViewShows::ListingInParts) { // made again when the user looks
        g_shell.listingParts.clear();
        g_shell.shows = ViewShows::Listing;
    }
    NotifyDocumentEdited();
}

void NotifyDocumentEdited()
{
    if (Services().documentEdited) Services().documentEdited();
}

bool ApplyRawViewEditsFirst(HWND owner)
{
    if (Services().applyRawEdits) return Services().applyRawEdits(owner);
    // Nobody to apply them: only a view without changes may be rebuilt.
    const bool typed = g_hEdit && g_viewRaw && SendMessageW(g_hEdit, EM_GETMODIFY, 0, 0);
    return !typed && !RawTextEdited();
}

bool TakeRawViewEditsQuietly()
{
    return Services().applyRawEditsQuietly ? Services().applyRawEditsQuietly() : ApplyRawViewEditsFirst(nullptr);
}

void NotifyItemsChanged()
{
    if (Services().itemsChanged) Services().itemsChanged();
}

bool ConfirmDropTypedValues(HWND owner, HWND window, const char16_t* text, const char16_t* caption)
{
    if (ShowMessageBox(owner, text, caption, MsgIcon::Question, MsgButtons::YesNo) == MsgAnswer::Yes) return true;
    SetForegroundWindow(window);
    return false;
}

namespace {

BOOL CALLBACK DisableForModal(HWND window, LPARAM modal)
{
    if (window != reinterpret_cast<HWND>(modal) && IsWindowVisible(window) && IsWindowEnabled(window)) {
        g_shell.disabledForModal.push_back(window);
        EnableWindow(window, FALSE);
    }
    return TRUE;
}

} // namespace

void BeginModalWindow(HWND modal)
{
    EndModalWindow(g_shell.hModal);
    g_shell.hModal = modal;
    EnumThreadWindows(GetCurrentThreadId(), DisableForModal, reinterpret_cast<LPARAM>(modal));
}

void EndModalWindow(HWND modal)
{
    if (!modal || modal != g_shell.hModal) return;
    g_shell.hModal = nullptr;
    std::vector<HWND> windows;
    windows.swap(g_shell.disabledForModal);
    for (HWND window : windows)
        if (IsWindow(window)) EnableWindow(window, TRUE);
}

bool IsDisabledForModal(HWND window)
{
    for (HWND disabled : g_shell.disabledForModal)
        if (disabled == window) return true;
    return false;
}

bool HandleToolWindowKeys(HWND window, MSG* message)
{
    if (!message || !window || !IsWindow(window)) return false;
    if (message->hwnd != window && !IsChild(window, message->hwnd)) return false;
    if (message->message == WM_KEYDOWN && message->wParam == 'A' && GetKeyState(VK_CONTROL) < 0 &&
        GetKeyState(VK_MENU) >= 0) {
        wchar_t className[16] = L"";
        GetClassNameW(message->hwnd, className, 16);
        if (lstrcmpiW(className, L"EDIT") == 0) {
            SendMessageW(message->hwnd, EM_SETSEL, 0, -1);
            return true;
        }
    }
    // A held Enter repeats: each repeat would press a button on a form the user has not
    // seen yet. Only a box that takes line breaks gets the repeats.
    if (message->message == WM_KEYDOWN && message->wParam == VK_RETURN && (message->lParam & (1 << 30)) &&
        !(SendMessageW(message->hwnd, WM_GETDLGCODE, VK_RETURN, reinterpret_cast<LPARAM>(message)) & DLGC_WANTALLKEYS))
        return true;
    return IsDialogMessageW(window, message) != FALSE;
}

void KeepDialogFocus(HWND window, WPARAM activation, HWND& saved)
{
    if (LOWORD(activation) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(window, focus)) saved = focus;
        return;
    }
    if (saved && IsWindow(saved) && IsChild(window, saved) && IsWindowVisible(saved) && IsWindowEnabled(saved))
        SetFocus(saved);
    else
        FocusFirstControl(window);
}

bool HandleDialogWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, int defaultId,
                               LRESULT& result)
{
    if (message == DM_GETDEFID) {
        HWND focus = GetFocus();
        int id = defaultId;
        if (focus && GetParent(focus) == window &&
            (SendMessageW(focus, WM_GETDLGCODE, 0, 0) & (DLGC_UNDEFPUSHBUTTON | DLGC_DEFPUSHBUTTON)))
            id = GetDlgCtrlID(focus);
        result = MAKELRESULT(id, DC_HASDEFID);
        return true;
    }
    if (message == WM_NEXTDLGCTL) {
        HWND next = LOWORD(lParam) ? reinterpret_cast<HWND>(wParam) : GetNextDlgTabItem(window, GetFocus(), wParam != 0);
        if (next) SetFocus(next);
        result = 0;
        return true;
    }
    return false;
}

void FocusFirstControl(HWND window)
{
    if (HWND first = GetNextDlgTabItem(window, nullptr, FALSE)) SetFocus(first);
}

namespace {

const wchar_t kProgressClass[] = L"TestbankProgressWindow";
enum : UINT { kWorkDone = WM_APP + 1 };
enum : int { kProgressText = 100, kShowTimer = 1, kTickTimer = 2 };

struct ProgressState {
    std::atomic<bool> done{false};
    bool cancelled = false;
    std::u16string text;
    std::chrono::steady_clock::time_point start;
};

LRESULT CALLBACK ProgressWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* state = reinterpret_cast<ProgressState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
    case WM_TIMER:
        if (!state) return 0;
        if (wParam == kShowTimer) {
            KillTimer(window, kShowTimer);
            ShowWindow(window, SW_SHOW);
            SetTimer(window, kTickTimer, 1000, nullptr);
        }
        {
            const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() -
                                                                                   state->start).count();
            const std::u16string shown = state->text + u"\r\n\r\n" + DecimalW(static_cast<unsigned long long>(seconds)) +
                                         (seconds == 1 ? u" second so far." : u" seconds so far.");
            SetDlgItemTextW(window, kProgressText, WidePtr(shown));
        }
        return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL && state) state->cancelled = true;
        return 0;
    case WM_CLOSE:
        if (state) state->cancelled = true;
        return 0;
    default: break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// The "Working" window over `owner`, hidden, with its text; with `cancel` its Cancel
// button. Null when it cannot be made.
HWND CreateWorkingWindow(HWND owner, const std::u16string& text, bool cancel)
{
    static bool registered = false;
    if (!registered) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = ProgressWndProc;
        wc.hInstance = g_hInst;
        wc.hCursor = LoadCursorW(nullptr, IDC_WAIT);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = kProgressClass;
        registered = RegisterClassExW(&wc) != 0;
    }
    RECT around{0, 0, 800, 600};
    GetWindowRect(owner && IsWindow(owner) ? owner : GetDesktopWindow(), &around);
    const int width = 420, height = 150;
    HWND window = registered ? CreateWindowExW(WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT, kProgressClass, L"Working",
                                               WS_POPUP | WS_CAPTION, (around.left + around.right - width) / 2,
                                               (around.top + around.bottom - height) / 2, width, height, owner, nullptr,
                                               g_hInst, nullptr)
                             : nullptr;
    if (!window) return nullptr;
    HFONT font = reinterpret_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    HWND label = CreateWindowExW(0, L"STATIC", WidePtr(text), WS_CHILD | WS_VISIBLE, 14, 12, width - 40, 60, window,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(kProgressText)), g_hInst, nullptr);
    HWND button = cancel ? CreateWindowExW(0, L"BUTTON", L"Cancel", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
                                           width - 110, height - 72, 90, 28, window,
                                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDCANCEL)), g_hInst, nullptr)
                         : nullptr;
    for (HWND control : {label, button})
        if (control) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    return window;
}

} // namespace

bool RunWithProgress(HWND owner, const std::u16string& text, std::function<void()> work)
{
    auto state = std::make_shared<ProgressState>();
    state->text = text;
    state->start = std::chrono::steady_clock::now();
    HWND window = CreateWorkingWindow(owner, text, true);
    if (!window) { // no window to wait in: the work as it stands
        work();
        return true;
    }
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state.get()));
    SetTimer(window, kShowTimer, 500, nullptr);
    std::thread([state, window, work = std::move(work)] {
        try {
            work();
        } catch (...) { // the work reports its own failures; nothing may leave the thread
        }
        state->done = true;
        PostMessageW(window, kWorkDone, 0, 0);
    }).detach();
    // The other windows wait for the work: what the user types or clicks there stays queued
    // until it ends (disabling them would take the keyboard away from where it was).
    const UINT kept[][2] = {{0, WM_NCMOUSEMOVE - 1},
                            {WM_NCMBUTTONDBLCLK + 1, WM_KEYFIRST - 1},
                            {WM_KEYLAST + 1, WM_MOUSEFIRST - 1},
                            {WM_MOUSELAST + 1, 0xFFFFFFFF}};
    const UINT input[][2] = {{WM_NCMOUSEMOVE, WM_NCMBUTTONDBLCLK}, {WM_KEYFIRST, WM_KEYLAST}, {WM_MOUSEFIRST, WM_MOUSELAST}};
    MSG message{};
    bool quit = false;
    while (!state->done && !state->cancelled && !quit) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 250, QS_ALLINPUT);
        auto handle = [&](HWND only, UINT first, UINT last) {
            while (!quit && !state->cancelled && PeekMessageW(&message, only, first, last, PM_REMOVE)) {
                if (message.message == WM_QUIT) {
                    quit = true;
                    break;
                }
                if (message.message == kWorkDone) continue;
                if (!IsDialogMessageW(window, &message)) {
                    TranslateMessage(&message);
                    DispatchMessageW(&message);
                }
            }
        };
        for (const auto& range : kept) handle(nullptr, range[0], range[1]);
        for (const auto& range : input) handle(window, range[0], range[1]); // the progress window's own
    }
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    DestroyWindow(window);
    if (quit) PostQuitMessage(static_cast<int>(message.wParam));
    return state->done && !state->cancelled;
}
