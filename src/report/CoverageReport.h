#pragma once
#include <windows.h>

#include "ui/ToolWindow.h"

enum : int {
    IDC_COV_LEVEL = 4201,
    IDC_COV_BANK = 4202,
    IDC_COV_SELECTION = 4203,
    IDC_COV_SUMMARY = 4204,
    IDC_COV_LIST = 4205,
    IDC_COV_CHART = 4206,
    IDC_COV_BLANKS = 4207,
    IDC_COV_SAVE = 4208,
    IDC_COV_CLOSE = 4209,
    IDC_COV_LEVEL_LABEL = 4210,
};

// Create > Coverage Report: opens the window (or brings it forward).
void OpenCoverageReportWindow(HWND owner);
// The open "Coverage Report" window, or null.
HWND GetCoverageReportWindow();
// The window as the application lists it.
extern const ToolWindow kCoverageReportWindow;
