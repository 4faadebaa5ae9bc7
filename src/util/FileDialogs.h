#pragma once
#include <string>
#include <vector>

#include <windows.h>

#include "util/FileUtil.h"

// The common file dialogs for JSON files; "" or an empty list when cancelled or failed.
std::u16string ShowOpenJsonDialog(HWND owner);
std::vector<std::u16string> ShowOpenMultiJsonDialog(HWND owner);
std::u16string ShowSaveAsDialog(HWND owner, const std::u16string& suggested);
// A save dialog with its own file-type list, starting at `type`; the chosen type's
// extension is added to a name typed without one, and the type comes back in `type`.
std::u16string ShowSaveAsTypeDialog(HWND owner, const std::u16string& suggested, const std::vector<FileType>& types,
                                    size_t& type);
