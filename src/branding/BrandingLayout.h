#pragma once
#include <functional>
#include <string>

extern const char16_t* const kPlaceholderText;

// The first of logo.png, logo.jpg, logo.jpeg in `folder` that exists as a file, or "".
std::u16string ChooseLogoFile(const std::u16string& folder, const std::function<bool(const std::u16string&)>& isFile);

struct LogoPlacement {
    bool draw = false;
    int x = 0, y = 0, width = 0, height = 0; // relative to the rectangle's corner
};
// Fits a w x h logo into 3/4 of a W x H area, never enlarged, centred.
LogoPlacement PlaceLogo(int areaWidth, int areaHeight, unsigned logoWidth, unsigned logoHeight);
