#pragma once
// A tool window as the application sees it: what it registers, which keys it takes, and
// what it does when the document changes under it. Each window defines one, in its own
// folder; the application keeps the one list of them (app/ToolWindows.cpp). An entry left
// null means "nothing to do", except `confirmDiscard`, which must be given by any window
// that holds typed values.
#include <windows.h>

struct ToolWindow {
    const wchar_t* className;
    WNDPROC proc;
    const char16_t* registrationFailure;
    // The window's background: the view's colour (white) rather than the dialogs'.
    bool whiteBackground;
    // The open window, or null.
    HWND (*window)();
    // Its keys, given every message before dispatch; true when handled. Null: the dialog
    // keys of HandleToolWindowKeys.
    bool (*translate)(MSG* message);
    // The document was replaced (New, Open, Import): positions into the old one are gone.
    void (*documentReplaced)();
    // The document was re-read from the raw view's text: items are found again by ID.
    void (*documentReread)();
    // Items changed in place (a merge, an edit in another window).
    void (*itemsChanged)();
    // Asks before typed values not in the document are dropped; true when there are none
    // or the user agreed.
    bool (*confirmDiscard)(HWND owner);
};
