#pragma once
#include <string>
#include <vector>

#include <windows.h>

// The common file dialogs for JSON files; "" or an empty list when cancelled or failed.
std::u16string ShowOpenJsonDialog(HWND owner);
std::vector<std::u16string> ShowOpenMultiJsonDialog(HWND owner);
std::u16string ShowSaveAsDialog(HWND owner, const std::u16string& suggested);
