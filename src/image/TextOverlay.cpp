// The copyright overlay. Sizes and positions follow fixed double-precision steps with
// round half to even, so a given picture always gets the same font height and rectangle.
#include <cmath>
#include <limits>

#include "image/cDIBSection.h"
#include "tools/Tools.h"

namespace pixtrim {
namespace {

uint32_t AlignmentOf(CopyrightPlace place) {
    switch (place) {
        case CopyrightPlace::BottomLeft:
            return kDtLeft | kDtBottom;
        case CopyrightPlace::TopLeft:
            return kDtLeft | kDtTop;
        case CopyrightPlace::TopRight:
            return kDtRight | kDtTop;
        case CopyrightPlace::BottomRight:
            break;
    }
    return kDtRight | kDtBottom;  // also for a number that names no place
}

struct TextColors {
    uint32_t text;
    uint32_t background;
};

TextColors ColorsOf(CopyrightColors colors) {
    constexpr uint32_t kBlack = 0x000000, kWhite = 0xFFFFFF;
    switch (colors) {
        case CopyrightColors::BlackOnWhite:
            return {kBlack, kWhite};
        case CopyrightColors::YellowOnBlack:
            return {0x00FFFF, kBlack};
        case CopyrightColors::GreenOnWhite:
            return {0x00FF00, kWhite};
        case CopyrightColors::BlueOnWhite:
            return {0xFF0000, kWhite};
        case CopyrightColors::WhiteOnBlack:
            break;
    }
    return {kWhite, kBlack};  // also for a number that names no colors
}

std::string TextToDraw(const std::string& text) {
    const std::string trimmed = TrimBlanks(text);
    return trimmed.substr(0, trimmed.find('\0'));
}

}  // namespace

double CopyrightFactor(CopyrightSize size) {
    switch (size) {
        case CopyrightSize::Small:
            return 0.6;
        case CopyrightSize::Medium:
            return 0.8;
        case CopyrightSize::Large:
            break;
    }
    return 1.0;
}

int32_t CopyrightFontHeight(int32_t width, int32_t height, double magnifyFactor) {
    const int32_t largerSide = height > width ? height : width;
    const double factor = (4.0 / 100.0) * magnifyFactor;
    const double fontHeight = std::floor(double(largerSide) * factor);
    // Heights beyond 16 bits never occur for sensible factors; keep them bounded.
    if (!(fontHeight >= -32768.0)) return -32768;
    if (!(fontHeight <= 32767.0)) return 32767;
    return static_cast<int32_t>(fontHeight);
}

TextRect CopyrightRectangle(int32_t width, int32_t height) {
    const double margin = 1.0 / 100.0;
    return {RoundToInt32(double(width) * margin), RoundToInt32(double(height) * margin),
            RoundToInt32((1 - margin) * double(width)),
            RoundToInt32((1 - margin) * double(height))};
}

bool cDIBSection::AddTextOverPicture(const std::string& sText, CopyrightPlace place,
                                     double dMagnifyFactor, bool bTransparent, bool bOutlineText,
                                     CopyrightColors textColors, const std::string& sFont) {
    if (!SurfaceHandle) return false;
    bool result = true;
    const std::string text = TextToDraw(sText);

    FontDescription description;
    description.height = CopyrightFontHeight(Width(), Height(), dMagnifyFactor);
    description.weight = 700;
    description.faceName = sFont;
    Font* font = CreateFontFromDescription(description);
    Font* previousFont = SurfaceHandle->SelectFont(font);

    const TextRect rect = CopyrightRectangle(Width(), Height());
    const uint32_t flags = kDtSingleLine | kDtNoClip | AlignmentOf(place);
    const TextColors colors = ColorsOf(textColors);
    SurfaceHandle->SetTextColor(colors.text);
    SurfaceHandle->SetBkColor(colors.background);
    SurfaceHandle->SetBkMode(bTransparent ? BackgroundMode::Transparent : BackgroundMode::Opaque);

    if (bOutlineText) {
        SurfaceHandle->SetTextColor(colors.background);
        SurfaceHandle->SetBkColor(colors.text);
        for (int32_t i = -2; i <= 2; ++i) {
            for (int32_t j = -2; j <= 2; ++j) {
                const TextRect shifted{rect.left + i, rect.top + j, rect.right + i,
                                       rect.bottom + j};
                SurfaceHandle->DrawText(text, shifted, flags);
            }
        }
        SurfaceHandle->SetTextColor(colors.text);
        SurfaceHandle->SetBkColor(colors.background);
    }
    if (SurfaceHandle->DrawText(text, rect, flags) == 0) result = false;

    SurfaceHandle->SelectFont(previousFont);
    DeleteFont(font);
    return result;
}

}  // namespace pixtrim
