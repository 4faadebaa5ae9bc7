#pragma once
#include <windows.h>

// Start-up without the loop: the services, branding, the window classes, the main window.
bool StartApplication(HINSTANCE instance, int showCommand);
// Creates and shows the main window; stores it in g_hMainWnd.
HWND CreateMainWindow(int showCommand);
// What the loop does with a message before dispatching it: the find/replace window's
// dialog keys, those of the other tool windows, and the main window's shortcuts. True when it was handled.
bool PreTranslateProgramMessage(MSG* message);
// The message loop; branding is shut down when it ends. Returns the exit code.
int RunMessageLoop();
