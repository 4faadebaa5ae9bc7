#pragma once
#include <windows.h>

// Start-up without the loop: branding, the five window classes, the main window.
bool StartApplication(HINSTANCE instance, int showCommand);
// Creates and shows the main window; stores it in g_hMainWnd.
HWND CreateMainWindow(int showCommand);
// The message loop; branding is shut down when it ends. Returns the exit code.
int RunMessageLoop();
