// The copyright's vocabulary, shared by the overlay, the job and the settings' edge: its
// corner, colors and size. The stored numbers are these values; a number without a name
// draws as the default (BottomRight, WhiteOnBlack, Large).
#pragma once

#include <cstdint>

namespace pixtrim {

enum class CopyrightPlace : uint8_t { BottomRight, BottomLeft, TopLeft, TopRight };

// Text on box (opaque) or on outline.
enum class CopyrightColors : uint8_t {
    BlackOnWhite,
    WhiteOnBlack,
    YellowOnBlack,
    GreenOnWhite,
    BlueOnWhite
};

enum class CopyrightSize : uint8_t { Small, Medium, Large };

// The overlay's size factor: small 0.6, medium 0.8, large 1.
double CopyrightFactor(CopyrightSize size);

}  // namespace pixtrim
