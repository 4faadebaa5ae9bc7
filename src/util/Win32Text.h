#pragma once
// UTF-16 between portable code (std::u16string) and Win32 (wchar_t, 16 bits there).
#include <string>

#include <windows.h>

inline std::wstring ToWide(const std::u16string& s) { return std::wstring(s.begin(), s.end()); }
// The same text without a copy: both are 16-bit units on Windows.
inline const wchar_t* WidePtr(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }
inline std::u16string FromWide(const wchar_t* s, size_t n) { return std::u16string(s, s + n); }
inline std::u16string FromWide(const wchar_t* s) { return FromWide(s, wcslen(s)); }

// The whole text of a window or control; "" for a null handle.
inline std::u16string GetWindowTextU(HWND window)
{
    if (!window) return u"";
    const int length = GetWindowTextLengthW(window);
    std::u16string text(static_cast<size_t>(length) + 1, u'\0');
    const int got = GetWindowTextW(window, reinterpret_cast<wchar_t*>(text.data()), length + 1);
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
}
