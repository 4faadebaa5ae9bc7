#include "branding/Branding.h"

#include <memory>

#include <gdiplus.h>

#include "branding/BrandingLayout.h"
#include "util/Win32Text.h"

namespace {

ULONG_PTR g_gdiplusToken = 0;
std::unique_ptr<Gdiplus::Bitmap> g_logo;
HICON g_iconLarge = nullptr;
HICON g_iconSmall = nullptr;

std::u16string GetExeDir()
{
    wchar_t path[260];
    const DWORD length = GetModuleFileNameW(nullptr, path, 260);
    if (length == 0 || length >= 260) return u"";
    std::u16string full = FromWide(path, length);
    const size_t slash = full.find_last_of(u"\\/");
    return slash == std::u16string::npos ? u"" : full.substr(0, slash + 1);
}

bool FileExists(const std::u16string& path)
{
    const DWORD attributes = GetFileAttributesW(ToWide(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void SetHighQuality(Gdiplus::Graphics& g)
{
    g.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
    g.SetSmoothingMode(Gdiplus::SmoothingModeHighQuality);
    g.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHighQuality);
}

HICON CreateIconFromBitmap(Gdiplus::Bitmap* source, int size)
{
    if (size <= 0) return nullptr;
    Gdiplus::Bitmap bitmap(size, size, PixelFormat32bppARGB);
    {
        Gdiplus::Graphics g(&bitmap);
        SetHighQuality(g);
        g.Clear(Gdiplus::Color(0, 0, 0, 0));
        g.DrawImage(source, 0, 0, size, size);
    }
    HICON icon = nullptr;
    return bitmap.GetHICON(&icon) == Gdiplus::Ok ? icon : nullptr;
}

void DestroyBrandingIcons()
{
    if (g_iconLarge) DestroyIcon(g_iconLarge);
    if (g_iconSmall) DestroyIcon(g_iconSmall);
    g_iconLarge = g_iconSmall = nullptr;
}

void TryLoadLogo()
{
    g_logo.reset();
    DestroyBrandingIcons();
    const std::u16string path = ChooseLogoFile(GetExeDir(), FileExists);
    if (path.empty()) return;
    std::unique_ptr<Gdiplus::Bitmap> bitmap(new Gdiplus::Bitmap(ToWide(path).c_str(), FALSE));
    if (!bitmap || bitmap->GetLastStatus() != Gdiplus::Ok) return;
    g_logo = std::move(bitmap);
    g_iconLarge = CreateIconFromBitmap(g_logo.get(), 32);
    g_iconSmall = CreateIconFromBitmap(g_logo.get(), 16);
}

} // namespace

bool InitBranding()
{
    if (g_gdiplusToken) return true;
    Gdiplus::GdiplusStartupInput input;
    if (Gdiplus::GdiplusStartup(&g_gdiplusToken, &input, nullptr) != Gdiplus::Ok) {
        g_gdiplusToken = 0;
        return false;
    }
    TryLoadLogo();
    return true;
}

void ShutdownBranding()
{
    DestroyBrandingIcons();
    g_logo.reset();
    if (g_gdiplusToken) {
        Gdiplus::GdiplusShutdown(g_gdiplusToken);
        g_gdiplusToken = 0;
    }
}

HICON GetBrandIconLarge() { return g_iconLarge; }
HICON GetBrandIconSmall() { return g_iconSmall; }

void DrawBrandingPlaceholder(HDC dc, const RECT& rect)
{
    FillRect(dc, &rect, GetSysColorBrush(COLOR_WINDOW));
    if (!g_logo) {
        RECT text = rect;
        text.left += 24;
        text.right -= 24;
        const std::wstring placeholder = ToWide(kPlaceholderText);
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT)); // readable in a high-contrast scheme too
        SetBkMode(dc, TRANSPARENT);
        DrawTextW(dc, placeholder.c_str(), -1, &text, DT_CENTER | DT_VCENTER | DT_WORDBREAK);
        return;
    }
    const LogoPlacement p =
        PlaceLogo(rect.right - rect.left, rect.bottom - rect.top, g_logo->GetWidth(), g_logo->GetHeight());
    if (!p.draw) return;
    Gdiplus::Graphics g(dc);
    SetHighQuality(g);
    g.DrawImage(g_logo.get(), rect.left + p.x, rect.top + p.y, p.width, p.height);
}
