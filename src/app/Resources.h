#pragma once
// Resource IDs shared by app.rc and the code that loads them (windres reads #defines only).
// The application icon has the lowest ID, so Explorer and the shortcut show it.
#define IDI_APP_ICON 1
#define IDR_NOTICES 101
#define IDD_ABOUT 102
#define IDC_ABOUT_VERSION 1001
#define IDC_ABOUT_NOTICES 1002
