#pragma once
#include <windows.h>

// Help > About: name, version, the program's licence and the third-party notices, which are
// read from the executable's own resources.
void ShowAboutDialog(HWND owner);
