#include "branding/BrandingLayout.h"

#include <algorithm>

const char16_t* const kPlaceholderText =
    u"Open a JSON file to begin.\r\n\r\nTip: place \"logo.png\" next to the .exe to show the splash image.";

std::u16string ChooseLogoFile(const std::u16string& folder, const std::function<bool(const std::u16string&)>& isFile)
{
    if (folder.empty()) return u"";
    for (const char16_t* name : {u"logo.png", u"logo.jpg", u"logo.jpeg"})
        if (isFile(folder + name)) return folder + name;
    return u"";
}

LogoPlacement PlaceLogo(int areaWidth, int areaHeight, unsigned logoWidth, unsigned logoHeight)
{
    LogoPlacement p;
    if (areaWidth <= 0 || areaHeight <= 0 || logoWidth == 0 || logoHeight == 0) return p;
    double scale = std::min(0.75 * areaWidth / logoWidth, 0.75 * areaHeight / logoHeight);
    if (scale > 1.0) scale = 1.0;
    p.draw = true;
    p.width = static_cast<int>(logoWidth * scale);
    p.height = static_cast<int>(logoHeight * scale);
    p.x = (areaWidth - p.width) / 2;
    p.y = (areaHeight - p.height) / 2;
    return p;
}
