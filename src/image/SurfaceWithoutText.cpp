// The command line's stand-in for SurfaceText.cpp, linked in its place: a run that draws no
// text needs no font, and without these the linker would load Qt Gui (and its fifty
// libraries, two thirds of the program's start) for nothing. A run that draws a copyright
// is handed to pixtrim-gui before it starts, so nothing here is reached; if it were, no
// font is made and nothing is drawn, which the callers take as a failure.
#include "image/Surface.h"

namespace pixtrim {

struct TextMask {};

Font* CreateFontFromDescription(const FontDescription&) { return nullptr; }
void DeleteFont(Font*) {}

Surface::Surface() = default;
Surface::~Surface() = default;

int32_t Surface::DrawText(const std::string&, const TextRect&, uint32_t) { return 0; }

}  // namespace pixtrim
