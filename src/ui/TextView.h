#pragma once
// The main view's control. It answers the multi-line edit control's messages the program
// and its tests send (text, selection, EM_REPLACESEL, scrolling, lines, modify flag, undo,
// read-only), and draws only the lines in sight: Wine's edit control spends time in the
// whole text on every replacement, so an edited item cost the whole listing.
#include <windows.h>

#include <string_view>

constexpr wchar_t kTextViewClass[] = L"TestbankTextView";

bool RegisterTextViewClass(HINSTANCE instance);
// The control's text in one piece, valid until its next change; empty for another window.
std::u16string_view TextViewText(HWND view);
// Characters [start, end) of the control's text.
std::u16string TextViewRange(HWND view, size_t start, size_t end);
