#pragma once
#include <string>

#include <windows.h>

#include "ui/ToolWindow.h"

#include "model/JsonModel.h"

enum : int {
    IDC_PRINT_TITLE = 7001,
    IDC_PRINT_VERSIONS = 7002,
    IDC_PRINT_SEED = 7003,
    IDC_PRINT_KEY = 7004,
    IDC_PRINT_SAVE = 7005,
    IDC_PRINT_CANCEL = 7006,
};

// Print Exam...: a small dialog, modal over the program, for the title, the number of
// versions and the seed of `exam` ({"items": [...]}), then the save dialogs for the page
// and (when asked for) the answer key, and the offer to open the page in the browser.
// Says so and opens nothing when no item of the exam can be printed.
void OpenPrintExamDialog(HWND owner, const json& exam);
// The open dialog, or null.
HWND GetPrintExamWindow();
// The window as the application lists it.
extern const ToolWindow kPrintExamWindow;
