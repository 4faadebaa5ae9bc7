#pragma once
#include <windows.h>

bool InitBranding();
void ShutdownBranding();
HICON GetBrandIconLarge();
HICON GetBrandIconSmall();
void DrawBrandingPlaceholder(HDC dc, const RECT& rect);
