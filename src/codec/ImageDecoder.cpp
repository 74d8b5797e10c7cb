#include "codec/ImageDecoder.h"

#include <QtGlobal>
#include <algorithm>
#include <cstring>

#include "codec/Decoders.h"
#include "codec/JpegCodec.h"
#include "image/cDIBSection.h"

namespace pixtrim {
namespace {

constexpr int64_t kMaxPixelMemory = int64_t{1} << 30;
constexpr uint64_t kHeaderPrefixBytes = uint64_t{1} << 20;
const char kTooLarge[] =
    QT_TRANSLATE_NOOP("pixtrim", "image trop grande (plus de 1 Gio de pixels)");
const char kTooWide[] =
    QT_TRANSLATE_NOOP("pixtrim", "image trop grande (plus de 65500 pixels de côté)");
const char kEmpty[] = QT_TRANSLATE_NOOP("pixtrim", "image sans pixels");

}  // namespace

const uint8_t* ImageDecoder::Row(int32_t row) {
    const int32_t pictureRow = height_ - 1 - row;
    for (int slot = 0; slot < 2; ++slot) {
        if (slotRow_[slot] == pictureRow) return slots_[last_ = slot].data();
    }
    // The slot not asked for last holds the older row, which the resampler is done with.
    const int slot = last_ == 0 ? 1 : 0;
    slots_[slot].resize(3 * size_t(width_));
    slotRow_[slot] = -1;
    if (!ReadRow(pictureRow, slots_[slot].data())) return nullptr;
    slotRow_[slot] = pictureRow;
    last_ = slot;
    return slots_[slot].data();
}

std::unique_ptr<ImageDecoder> MakeDecoder(ImageFormat format, const DecodeOptions& options) {
    switch (format) {
        case ImageFormat::Png:
            return MakePngDecoder();
        case ImageFormat::Webp:
            return MakeWebpDecoder();
        case ImageFormat::Tiff:
            return MakeTiffDecoder();
        case ImageFormat::Heif:
            return MakeHeifDecoder(options);
        case ImageFormat::Jpeg:
        case ImageFormat::Unknown:
            return std::make_unique<JpegRowReader>(options);
    }
    return std::make_unique<JpegRowReader>(options);
}

size_t MemoryBytes::ReadAt(uint64_t offset, void* into, size_t count) const {
    if (count == 0 || offset >= bytes_.size()) return 0;
    const size_t copied = std::min<uint64_t>(count, bytes_.size() - offset);
    std::memcpy(into, bytes_.data() + offset, copied);
    return copied;
}

bool ReadImageHeader(const FileBytes& file, ImageHeader& header) {
    // The formats whose header comes first are read from their first MiB.
    std::string prefix(std::min<uint64_t>(file.Size(), kHeaderPrefixBytes), '\0');
    prefix.resize(file.ReadAt(0, prefix.data(), prefix.size()));
    switch (SniffImageFormat(std::string_view(prefix).substr(0, kFormatHeadBytes))) {
        case ImageFormat::Png:
            return ReadPngHeader(prefix, header);
        case ImageFormat::Webp:
            return ReadWebpHeader(prefix, header);
        case ImageFormat::Tiff:
            return ReadTiffHeader(file, header);
        case ImageFormat::Heif:
            return ReadHeifHeader(file, header);
        case ImageFormat::Jpeg:
        case ImageFormat::Unknown:
            return ReadJpegHeader(prefix, header);
    }
    return false;
}

bool ReadImageHeader(std::string_view bytes, ImageHeader& header) {
    return ReadImageHeader(MemoryBytes(bytes), header);
}

const char* PictureRefusal(int64_t width, int64_t height) {
    if (width <= 0 || height <= 0) return kEmpty;
    // Checked in this order so that the product cannot overflow.
    if (width > kMaxPixelMemory || height > kMaxPixelMemory) return kTooLarge;
    if ((width * 3 + 3) / 4 * 4 * height > kMaxPixelMemory) return kTooLarge;
    if (width > kMaxPictureSide || height > kMaxPictureSide) return kTooWide;
    return nullptr;
}

bool LoadImageFromMemory(cDIBSection& cDib, std::string_view bytes, DecodeReport* report) {
    const std::unique_ptr<ImageDecoder> decoder =
        MakeDecoder(SniffImageFormat(bytes.substr(0, kFormatHeadBytes)));
    cDIBSection decoded;
    bool done = decoder->Open(bytes) && decoded.Create(decoder->Width(), decoder->Height());
    const int64_t height = decoder->Height(), stride = decoded.BytesPerScanLine();
    for (int64_t row = 0; done && row < height; ++row) {
        done = decoder->ReadRow(int32_t(row),
                                SurfaceRow(decoded.DIBSectionBitsPtr(), height, stride, row));
    }
    done = done && decoder->Finish();
    if (report) *report = decoder->Report();
    if (report && !done && report->error.empty()) report->error = kNoMemory;
    if (!done) return false;
    cDib.Swap(decoded);
    return true;
}

}  // namespace pixtrim
