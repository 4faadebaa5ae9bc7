#pragma once
#include <set>
#include <string>

#include <windows.h>

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

// What the report needs from other features; the application sets it.
struct CoverageHooks {
    // The exam selection's IDs, or null while there is none.
    const std::set<std::string>* (*examSelection)() = nullptr;
};
extern CoverageHooks g_coverageHooks;

// Create > Coverage Report: opens the window (or brings it forward).
void OpenCoverageReportWindow(HWND owner);
// The document changed: the open window counts again, or closes when there is no document.
void RefreshCoverageReportWindow();
void CloseCoverageReportWindow();
// The open "Coverage Report" window, or null.
HWND GetCoverageReportWindow();
LRESULT CALLBACK CoverageReportWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
