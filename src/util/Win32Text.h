#pragma once
// UTF-16 between portable code (std::u16string) and Win32 (wchar_t, 16 bits there).
#include <string>

#include <windows.h>

inline std::wstring ToWide(const std::u16string& s) { return std::wstring(s.begin(), s.end()); }
inline std::u16string FromWide(const wchar_t* s, size_t n) { return std::u16string(s, s + n); }
inline std::u16string FromWide(const wchar_t* s) { return FromWide(s, wcslen(s)); }

// The whole text of a window or control; "" for a null handle.
inline std::u16string GetWindowTextU(HWND window)
{
    if (!window) return u"";
    const int length = GetWindowTextLengthW(window);
    std::wstring buffer(static_cast<size_t>(length) + 1, L'\0');
    const int got = GetWindowTextW(window, buffer.data(), length + 1);
    return FromWide(buffer.data(), got > 0 ? static_cast<size_t>(got) : 0);
}
