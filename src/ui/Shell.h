#pragma once
// What every window of the program shares: the instance, the main window and its view
// control, the message boxes, and the refresh of the main view.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include <windows.h>

#include "ui/ModalUi.h"

// What the main view control shows.
enum class ViewShows {
    Nothing, // no document: the control is hidden
    // The listing (read-only), made whole; after an edit it waits to be made again.
    Listing,
    // The listing, kept current in place item by item (see listingParts).
    ListingInParts,
    Raw, // the raw text, editable
    // The raw text with its long lines broken: display only, read-only.
    RawBroken,
};

struct ShellState {
    HINSTANCE hInst = nullptr;
    HWND hMainWnd = nullptr;
    HWND hEdit = nullptr; // the main view control
    HWND hModal = nullptr; // the window every other one waits for, if any
    std::vector<HWND> disabledForModal;
    // The user's choice: the raw view shows its long lines whole (editable, slow) rather than
    // broken and read-only.
    bool rawLinesWhole = false;
    ViewShows shows = ViewShows::Nothing;
    // While shows is ListingInParts: the length there of each of its parts (the notes block,
    // then one block per item), so that an edited item's block is replaced where it is.
    std::vector<size_t> listingParts;
};
extern ShellState g_shell;
extern HINSTANCE& g_hInst;
extern HWND& g_hMainWnd;
extern HWND& g_hEdit;

// Shows a message box through g_modalUi.
MsgAnswer ShowMessageBox(HWND owner, const std::u16string& text, const std::u16string& caption, MsgIcon icon,
                         MsgButtons buttons = MsgButtons::Ok);
// Until the next mouse move after the current step: shown for anything that may take long.
void ShowWaitCursor();
// The user chose a high-contrast scheme: drawing keeps to the system's colours.
bool HighContrastOn();
// Runs `work` on a thread of its own while a small window over `owner` says `text`, the
// seconds gone, and offers Cancel (shown only when the work takes longer than a moment);
// the other windows take no input meanwhile. False when the user cancelled: the work then finishes
// unseen, so it must own everything it touches (shared pointers, copies).
bool RunWithProgress(HWND owner, const std::u16string& text, std::function<void()> work);
// The main view from the document state: empty, the formatted listing or the raw text.
// Lines longer than kDisplayLineLimit are shown broken: always in the listing, and in the
// raw view unless the user asked for them whole (the raw view is then read-only).
void RefreshEditView(HWND mainWindow);
// The raw text the user edits: the view's text, or the document's raw text while the view
// shows it broken.
std::u16string RawViewText();
// Why the raw view cannot be changed while it shows long lines broken.
extern const char16_t kBrokenRawViewNote[];
// Text for an edit control that shows it read-only: long lines broken, NULs visible.
std::u16string DisplayOnlyText(const std::u16string& text);
// The main view's text read in place, from the control's own buffer, so that a look at a
// large raw view costs no copy. Valid until the control is changed.
class ViewTextReader {
public:
    ViewTextReader();
    ViewTextReader(const ViewTextReader&) = delete;
    ViewTextReader& operator=(const ViewTextReader&) = delete;
    std::u16string_view Text() const { return text_; }

private:
    std::u16string_view text_;
};

// The main view made again only if an in-place edit left it behind: when the user looks
// (the main window comes to the front, a command runs, a tool window closes).
void RefreshStaleView();
// After a window changed the items at `positions` (ascending; one past the last shown
// item: an added one; one past the document's last item: the last one removed) in place: the document is marked edited, and while the view shows
// the listing, the notes block and those items' blocks are replaced in the control where
// they are, so one item costs what it costs. Otherwise (none given, or more than
// kMostItemsShownInPlace: each replacement moves the rest of the control's text) the view
// waits to be made again, once, when the user looks.
// With `notesNow` false (a wizard saving item after item, each save a moment) the notes
// block waits for RefreshStaleView, which makes it once: the notes are made from every item.
constexpr size_t kMostItemsShownInPlace = 48;
// With `notesChanged` false (an undo of an edit that kept each item's note) the notes stay.
void ShowItemsEdited(const std::vector<size_t>& positions, bool notesNow = true, bool notesChanged = true);

// What one window's change to the document means for the others, through the
// application's services (see AppServices). Every window calls ApplyRawViewEditsFirst before
// it changes the document: false when the raw view's changes do not parse (the user was
// told where), or when nobody can apply them: the caller changes nothing.
bool ApplyRawViewEditsFirst(HWND owner);
void NotifyItemsChanged();
// The raw view's changes, if any, taken into the document as one step without a message;
// false when there are some and they do not parse (or nobody can take them).
bool TakeRawViewEditsQuietly();
void NotifyDocumentEdited();

// Asks before the values typed in a tool window are dropped; No brings the window
// forward and keeps them. True on Yes.
bool ConfirmDropTypedValues(HWND owner, HWND window, const char16_t* text, const char16_t* caption);

// A window modal over the whole program: the main window and every other top-level
// window of the thread stay disabled until it ends, so nothing changes the document
// under it.
void BeginModalWindow(HWND modal);
void EndModalWindow(HWND modal);
// The enabled top-level windows that BeginModalWindow disables besides the main window.
bool IsDisabledForModal(HWND window);

// Dialog keys for a tool window that is no dialog: Tab and Shift+Tab through its
// controls, Enter the default button (IDOK when none), Escape IDCANCEL, Alt+mnemonics,
// Ctrl+A in its edit boxes. True when the message was handled.
bool HandleToolWindowKeys(HWND window, MSG* message);
// Focus kept across activation as a dialog keeps it: saved when the window goes inactive,
// given back (or to its first tab stop) when it comes back. Call from WM_ACTIVATE.
void KeepDialogFocus(HWND window, WPARAM activation, HWND& saved);
// What a dialog's own procedure does for its keys, for a tool window: DM_GETDEFID names the
// focused push button, else `defaultId` (so Enter presses the button drawn as default);
// WM_NEXTDLGCTL (Tab in a multi-line box) moves the focus. True when handled.
bool HandleDialogWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, int defaultId,
                               LRESULT& result);
// The first control in the Tab order, focused.
void FocusFirstControl(HWND window);
