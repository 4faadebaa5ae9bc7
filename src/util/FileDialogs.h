#pragma once
#include <string>
#include <vector>

#include <windows.h>

#include "util/FileUtil.h"

// The common file dialogs for JSON files; "" or an empty list when cancelled or failed,
// with `tooLong` set when the path typed did not fit the longest path Windows has.
std::u16string ShowOpenJsonDialog(HWND owner, bool* tooLong = nullptr);
std::vector<std::u16string> ShowOpenMultiJsonDialog(HWND owner, bool* tooLong = nullptr);
std::u16string ShowSaveAsDialog(HWND owner, const std::u16string& suggested, bool* tooLong = nullptr);
// A save dialog with its own file-type list, starting at `type`; the chosen type's
// extension is added to a name typed without one, and the type comes back in `type`.
std::u16string ShowSaveAsTypeDialog(HWND owner, const std::u16string& suggested, const std::vector<FileType>& types,
                                    size_t& type, const std::u16string& title, bool* tooLong = nullptr);
// An open dialog with its own file-type list, starting at `type` (the chosen type comes
// back there); several files when `several`. `title` names the dialog ("" the system's).
std::vector<std::u16string> ShowOpenTypeDialog(HWND owner, const std::vector<FileType>& types, size_t& type,
                                               bool several, const std::u16string& title, bool* tooLong = nullptr);
// Opens a file with the program the system has for it (a page in the browser); false when
// that failed.
bool OpenWithShell(const std::u16string& path);
