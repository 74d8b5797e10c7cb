// The program's in-memory picture: a 24-bit bitmap whose pixel memory is addressed
// directly (blue, green, red; rows padded to 4 bytes; memory row 0 is the picture's bottom
// row) and through its drawing surface (`hdc`, origin at the top left).
//
// A buffer is Empty (no surface, no bitmap) or Ready (both made, bitmap selected, pixel
// memory addressable). Width, Height and BytesPerScanLine report the last size requested,
// also after a failed Create or a ClearUp. Nothing here throws.
//
// Threading: one buffer is used by one thread at a time; different buffers may be used
// from different threads at once.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "image/Copyright.h"
#include "image/Surface.h"

class QImage;

namespace pixtrim {

// The platform's 40-byte bitmap header.
struct BitmapInfoHeader {
    uint32_t biSize = 0;
    int32_t biWidth = 0;
    int32_t biHeight = 0;
    uint16_t biPlanes = 0;
    uint16_t biBitCount = 0;
    uint32_t biCompression = 0;
    int32_t biSizeImage = 0;
    int32_t biXPelsPerMeter = 0;
    int32_t biYPelsPerMeter = 0;
    uint32_t biClrUsed = 0;
    uint32_t biClrImportant = 0;
};
static_assert(sizeof(BitmapInfoHeader) == 40);

// The copyright text's cell height for a picture: floor(larger side x (0.04 x factor)),
// bounded to 16 signed bits.
int32_t CopyrightFontHeight(int32_t width, int32_t height, double magnifyFactor);
// The area inside the 1 % margin, in surface coordinates, rounded half to even.
TextRect CopyrightRectangle(int32_t width, int32_t height);

class cDIBSection {
public:
    cDIBSection() = default;
    ~cDIBSection() { ClearUp(); }
    cDIBSection(const cDIBSection&) = delete;
    cDIBSection& operator=(const cDIBSection&) = delete;
    // Moves hand the picture over with its surface; the source is left empty.
    cDIBSection(cDIBSection&& other) noexcept { Swap(other); }
    cDIBSection& operator=(cDIBSection&& other) noexcept {
        cDIBSection(std::move(other)).Swap(*this);
        return *this;
    }

    // Fills the header for lWidth x lHeight and makes a bitmap of it (not selected into
    // any surface). hDib receives the bitmap, nullptr on failure.
    bool CreateDIB(Surface* lhDC, int32_t lWidth, int32_t lHeight, Bitmap*& hDib);
    // Releases what the buffer held, then makes a surface and a bitmap of that size.
    // False (buffer Empty) for a side of 0 or less, a stride or pixel memory beyond 32
    // signed bits, or lack of memory.
    bool Create(int32_t lWidth, int32_t lHeight);
    // Makes the buffer the picture's size and copies it in as 24-bit pixels, whatever
    // the picture's format. Fails silently (buffer Empty when Create failed). Interface of
    // the buffer, kept with no caller in the program (as are the two copies below).
    void CreateFromPicture(const QImage& picThis);

    // Row stride of the last requested width; 0 when it does not fit 32 signed bits.
    int32_t BytesPerScanLine() const { return StrideForWidth(BitmapHeader.biWidth); }
    int32_t Width() const { return BitmapHeader.biWidth; }
    int32_t Height() const { return BitmapHeader.biHeight; }

    // Copies from `lhDC` at (lSrcLeft, lSrcTop) into this buffer at (0, 0); a negative
    // width or height means this buffer's.
    void LoadPictureBlt(const Surface* lhDC, int32_t lSrcLeft = 0, int32_t lSrcTop = 0,
                        int32_t lSrcWidth = -1, int32_t lSrcHeight = -1, uint32_t eRop = kSrcCopy);
    // Copies from this buffer at (lSrcLeft, lSrcTop) to `lhDC` at (lDestLeft, lDestTop); a
    // negative width or height means this buffer's.
    void PaintPicture(Surface* lhDC, int32_t lDestLeft = 0, int32_t lDestTop = 0,
                      int32_t lDestWidth = -1, int32_t lDestHeight = -1, int32_t lSrcLeft = 0,
                      int32_t lSrcTop = 0, uint32_t eRop = kSrcCopy) const;

    // Borrowed handles, valid until the next Create or ClearUp; nullptr when Empty.
    Surface* hdc() const { return SurfaceHandle; }
    Bitmap* hDib() const { return DibHandle; }
    uint8_t* DIBSectionBitsPtr() const { return BitsPointer; }

    // Releases the bitmap and the surface; keeps the header.
    void ClearUp();

    // Creates `cDib` at lNewWidth x lNewHeight (height first) and fills it with this
    // picture scaled by the two-stage bilinear rule; an equal size is a plain copy.
    // False when this buffer is Empty, `cDib` is this buffer, or `cDib` cannot be made.
    bool Resample(cDIBSection& cDib, int32_t lNewHeight, int32_t lNewWidth) const;

    // Draws the copyright text `sText` (spaces trimmed, cut at a NUL) in bold `sFont` at
    // a cell height of 4 % of the larger side times `dMagnifyFactor`, into the corner
    // `place` inside a 1 % margin, in the colors `colors`. bTransparent false paints the text's
    // box; bOutlineText draws it first at the 25 offsets of -2..2 in swapped colors. The surface
    // keeps the colors and background mode afterwards. True unless the final drawing fails (an
    // Empty buffer). Needs a QGuiApplication; safe on different buffers from different threads.
    bool AddTextOverPicture(const std::string& sText,
                            CopyrightPlace place = CopyrightPlace::BottomRight,
                            double dMagnifyFactor = 1, bool bTransparent = true,
                            bool bOutlineText = false,
                            CopyrightColors colors = CopyrightColors::WhiteOnBlack,
                            const std::string& sFont = "Times");

    // Exchanges everything two buffers hold.
    void Swap(cDIBSection& other) noexcept;

private:
    Bitmap* DibHandle = nullptr;
    Bitmap* OldBitmap = nullptr;
    Surface* SurfaceHandle = nullptr;
    uint8_t* BitsPointer = nullptr;
    BitmapInfoHeader BitmapHeader{};
};

}  // namespace pixtrim
