#include "image/cDIBSection.h"

#include <cstring>
#include <new>
#include <utility>

namespace pixtrim {

bool cDIBSection::CreateDIB(Surface* /*lhDC*/, int32_t lWidth, int32_t lHeight, Bitmap*& hDib) {
    BitmapHeader = BitmapInfoHeader{};
    BitmapHeader.biSize = sizeof(BitmapInfoHeader);
    BitmapHeader.biWidth = lWidth;
    BitmapHeader.biHeight = lHeight;
    BitmapHeader.biPlanes = 1;
    BitmapHeader.biBitCount = 24;
    BitmapHeader.biCompression = 0;
    const int64_t size = static_cast<int64_t>(BytesPerScanLine()) * lHeight;
    BitmapHeader.biSizeImage = (size >= 0 && size <= INT32_MAX) ? static_cast<int32_t>(size) : 0;
    hDib = CreateBitmap(lWidth, lHeight);
    BitsPointer = hDib ? hDib->bits : nullptr;
    return hDib != nullptr;
}

bool cDIBSection::Create(int32_t lWidth, int32_t lHeight) {
    ClearUp();
    SurfaceHandle = new (std::nothrow) Surface;
    if (!SurfaceHandle) return false;
    if (CreateDIB(SurfaceHandle, lWidth, lHeight, DibHandle)) {
        OldBitmap = SurfaceHandle->SelectBitmap(DibHandle);
        return true;
    }
    delete SurfaceHandle;
    SurfaceHandle = nullptr;
    return false;
}

void cDIBSection::LoadPictureBlt(const Surface* lhDC, int32_t lSrcLeft, int32_t lSrcTop,
                                 int32_t lSrcWidth, int32_t lSrcHeight, uint32_t eRop) {
    if (!SurfaceHandle) return;
    SurfaceHandle->BitBlt(0, 0, lSrcWidth < 0 ? Width() : lSrcWidth,
                          lSrcHeight < 0 ? Height() : lSrcHeight, lhDC, lSrcLeft, lSrcTop, eRop);
}

void cDIBSection::PaintPicture(Surface* lhDC, int32_t lDestLeft, int32_t lDestTop,
                               int32_t lDestWidth, int32_t lDestHeight, int32_t lSrcLeft,
                               int32_t lSrcTop, uint32_t eRop) const {
    if (!lhDC) return;
    lhDC->BitBlt(lDestLeft, lDestTop, lDestWidth < 0 ? Width() : lDestWidth,
                 lDestHeight < 0 ? Height() : lDestHeight, SurfaceHandle, lSrcLeft, lSrcTop, eRop);
}

void cDIBSection::ClearUp() {
    if (SurfaceHandle) {
        if (DibHandle) {
            SurfaceHandle->SelectBitmap(OldBitmap);
            DeleteBitmap(DibHandle);
        }
        delete SurfaceHandle;
    }
    SurfaceHandle = nullptr;
    DibHandle = nullptr;
    OldBitmap = nullptr;
    BitsPointer = nullptr;
}

void cDIBSection::Swap(cDIBSection& other) noexcept {
    std::swap(DibHandle, other.DibHandle);
    std::swap(OldBitmap, other.OldBitmap);
    std::swap(SurfaceHandle, other.SurfaceHandle);
    std::swap(BitsPointer, other.BitsPointer);
    std::swap(BitmapHeader, other.BitmapHeader);
}

}  // namespace pixtrim
