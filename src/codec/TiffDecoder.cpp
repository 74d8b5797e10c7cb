// TIFF over libtiff: the first page (directory) only. Grey, color, palette and CMYK
// pictures of the usual sample sizes (1 to 8 bits of grey or palette, 8 or 16 of color) are
// read band by band (a strip, or a row of tiles), in one plane or several, and turned into
// rows by SampleRows.h's rules; what libtiff can decode but these do not describe (YCbCr
// without JPEG, CIE Lab, LogLuv...) goes through libtiff's RGBA reader, whole. JPEG-coded
// YCbCr arrives from libtiff as RGB. The pixels as stored: the Orientation tag is metadata.
// libtiff's errors and warnings come to handlers of this decode alone; an allocation
// libtiff is asked for beyond 256 MiB (a hostile tag's count) is refused.
#include <tiffio.h>

#include <QtGlobal>
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "codec/Decoders.h"
#include "codec/SampleRows.h"

namespace pixtrim {
namespace {

constexpr tmsize_t kMaxLibraryAllocation = tmsize_t{256} << 20;

// The file, as libtiff's client procedures see it.
struct ClientFile {
    const FileBytes* bytes = nullptr;
    uint64_t at = 0;
};

tmsize_t ReadClient(thandle_t handle, void* into, tmsize_t size) {
    auto* file = static_cast<ClientFile*>(handle);
    if (size <= 0) return 0;
    const size_t count = file->bytes->ReadAt(file->at, into, size_t(size));
    file->at += count;
    return tmsize_t(count);
}

tmsize_t WriteNothing(thandle_t, void*, tmsize_t) { return 0; }

toff_t SeekClient(thandle_t handle, toff_t offset, int whence) {
    auto* file = static_cast<ClientFile*>(handle);
    const uint64_t base = whence == SEEK_CUR   ? file->at
                          : whence == SEEK_END ? file->bytes->Size()
                                               : 0;
    file->at = base + offset;
    return file->at;
}

int CloseNothing(thandle_t) { return 0; }
toff_t ClientSize(thandle_t handle) { return static_cast<ClientFile*>(handle)->bytes->Size(); }
int MapNothing(thandle_t, void**, toff_t*) { return 0; }
void UnmapNothing(thandle_t, void*, toff_t) {}

// One open TIFF with handlers of its own; the first error libtiff reports is kept.
struct TiffFile {
    MemoryBytes memory{{}};
    ClientFile client;
    TIFF* tif = nullptr;
    std::string error;

    TiffFile() = default;
    TiffFile(const TiffFile&) = delete;
    TiffFile& operator=(const TiffFile&) = delete;
    ~TiffFile() {
        if (tif) TIFFClose(tif);
    }
    bool Open(std::string_view bytes) {
        memory = MemoryBytes(bytes);
        return Open(memory);
    }
    bool Open(const FileBytes& bytes);
};

int KeepError(TIFF*, void* user, const char*, const char* format, va_list arguments) {
    auto* file = static_cast<TiffFile*>(user);
    if (file->error.empty()) {
        char message[512];
        std::vsnprintf(message, sizeof message, format, arguments);
        file->error = message;
    }
    return 1;
}

int IgnoreWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

bool TiffFile::Open(const FileBytes& bytes) {
    client = {&bytes, 0};
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (!options) return false;
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, kMaxLibraryAllocation);
    TIFFOpenOptionsSetErrorHandlerExtR(options, KeepError, this);
    TIFFOpenOptionsSetWarningHandlerExtR(options, IgnoreWarning, this);
    tif = TIFFClientOpenExt("TIFF", "rm", &client, ReadClient, WriteNothing, SeekClient,
                            CloseNothing, ClientSize, MapNothing, UnmapNothing, options);
    TIFFOpenOptionsFree(options);
    return tif != nullptr;
}

// How the pixels of the first page are read.
enum class TiffPath { Samples, Palette, Cmyk, Rgba };

struct TiffShape {
    uint32_t width = 0;
    uint32_t height = 0;
    uint16_t samples = 1;  // per pixel
    uint16_t bits = 1;     // per sample
    uint16_t photometric = 0;
    bool separate = false;  // one plane per sample
    bool tiled = false;
    uint32_t bandRows = 0;  // rows of a strip, or of a row of tiles
    uint32_t tileWidth = 0;
    int colorChannels = 1;
    bool alpha = false;
    bool premultiplied = false;
    TiffPath path = TiffPath::Rgba;

    uint64_t RowBytes() const {
        return bits < 8 ? (uint64_t{width} * bits + 7) / 8 : uint64_t{width} * samples * (bits / 8);
    }
};

uint16_t Tag16(TIFF* tif, ttag_t tag) {
    uint16_t value = 0;
    TIFFGetFieldDefaulted(tif, tag, &value);
    return value;
}

// Which reader suits the page, and the alpha among its extra samples.
TiffPath ChoosePath(TIFF* tif, TiffShape& s) {
    if (Tag16(tif, TIFFTAG_SAMPLEFORMAT) != SAMPLEFORMAT_UINT) return TiffPath::Rgba;
    if (s.photometric == PHOTOMETRIC_YCBCR && Tag16(tif, TIFFTAG_COMPRESSION) == COMPRESSION_JPEG &&
        TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB)) {
        s.photometric = PHOTOMETRIC_RGB;  // libtiff's JPEG codec gives RGB
    }
    uint16_t extraCount = 0;
    uint16_t* extras = nullptr;
    TIFFGetFieldDefaulted(tif, TIFFTAG_EXTRASAMPLES, &extraCount, &extras);
    const bool wholeBytes = s.bits == 8 || s.bits == 16;
    switch (s.photometric) {
        case PHOTOMETRIC_MINISBLACK:
        case PHOTOMETRIC_MINISWHITE:
            s.colorChannels = 1;
            if (!wholeBytes && (s.bits > 8 || s.samples != 1 || s.tiled)) return TiffPath::Rgba;
            break;
        case PHOTOMETRIC_RGB:
            s.colorChannels = 3;
            if (!wholeBytes) return TiffPath::Rgba;
            break;
        case PHOTOMETRIC_PALETTE:
            return s.samples == 1 && s.bits <= 8 && (s.bits == 8 || !s.tiled) ? TiffPath::Palette
                                                                              : TiffPath::Rgba;
        case PHOTOMETRIC_SEPARATED:
            return Tag16(tif, TIFFTAG_INKSET) == INKSET_CMYK && s.samples == 4 && s.bits == 8
                       ? TiffPath::Cmyk
                       : TiffPath::Rgba;
        default:
            return TiffPath::Rgba;
    }
    if (s.samples < s.colorChannels) return TiffPath::Rgba;
    if (s.samples > s.colorChannels && extraCount > 0 && extras) {
        s.alpha = extras[0] == EXTRASAMPLE_ASSOCALPHA || extras[0] == EXTRASAMPLE_UNASSALPHA;
        s.premultiplied = extras[0] == EXTRASAMPLE_ASSOCALPHA;
    }
    return TiffPath::Samples;
}

bool ReadShape(TIFF* tif, TiffShape& s) {
    if (!TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &s.width) ||
        !TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &s.height)) {
        return false;
    }
    s.samples = Tag16(tif, TIFFTAG_SAMPLESPERPIXEL);
    s.bits = Tag16(tif, TIFFTAG_BITSPERSAMPLE);
    s.separate = Tag16(tif, TIFFTAG_PLANARCONFIG) == PLANARCONFIG_SEPARATE && s.samples > 1;
    if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &s.photometric)) {
        s.photometric = s.samples >= 3 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK;
    }
    s.tiled = TIFFIsTiled(tif);
    if (s.tiled) {
        TIFFGetField(tif, TIFFTAG_TILEWIDTH, &s.tileWidth);
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &s.bandRows);
    } else {
        TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &s.bandRows);
    }
    s.bandRows = std::clamp<uint32_t>(s.bandRows, 1, std::max<uint32_t>(s.height, 1));
    if (s.samples == 0 || s.bits == 0 || (s.tiled && s.tileWidth == 0)) return false;
    s.path = ChoosePath(tif, s);
    return true;
}

// The bytes a page's reader holds: a band and its scratch, or the whole RGBA picture.
uint64_t ReaderBytes(const TiffShape& s) {
    if (s.path == TiffPath::Rgba) return uint64_t{s.width} * s.height * 4;
    return 2 * s.RowBytes() * s.bandRows + uint64_t{s.tileWidth} * s.bandRows * s.samples * 2;
}

// Unpacks `width` samples of `bits` (1 to 8, most significant first) into bytes.
void UnpackSamples(const uint8_t* in, int bits, uint32_t width, uint8_t* out) {
    const unsigned mask = (1u << bits) - 1;
    for (uint32_t x = 0; x < width; ++x) {
        const uint64_t bit = uint64_t{x} * bits;
        out[x] = uint8_t((in[bit / 8] >> (8 - bits - bit % 8)) & mask);
    }
}

class TiffDecoder : public ImageDecoder {
public:
    bool Open(std::string_view bytes) override;
    bool ReadRow(int32_t pictureRow, uint8_t* into) override;
    bool Finish() override { return !failed_; }
    DecodeReport Report() const override { return {failed_ ? error_ : "", ""}; }
    SourceMetadata Metadata() const override;

private:
    bool Fail(const char* reason = nullptr) {
        error_ = reason                ? reason
                 : file_.error.empty() ? QT_TRANSLATE_NOOP("pixtrim", "TIFF: lecture impossible")
                                       : file_.error;
        failed_ = true;
        return false;
    }
    bool OpenPalette();
    bool LoadBand(uint32_t band);
    bool ReadPiece(uint32_t index, uint8_t* into, uint64_t bytes);
    void PlaceTile(const uint8_t* tile, uint32_t tileX, uint32_t rows, int plane);
    void ConvertRow(const uint8_t* raw, uint8_t* into);

    TiffFile file_;
    TiffShape shape_;
    PictureMemory band_;            // the band's rows, samples of a pixel side by side
    std::vector<uint8_t> scratch_;  // a strip of one plane, or a tile
    std::vector<uint8_t> unpacked_;
    PictureMemory rgba_;  // the whole picture, for the RGBA reader
    int64_t loadedBand_ = -1;
    std::unique_ptr<SampleConverter> converter_;
    std::vector<uint8_t> palette_;  // blue, green, red of each index
    bool failed_ = false;
    std::string error_;
};

bool TiffDecoder::Open(std::string_view bytes) {
    if (!file_.Open(bytes) || !ReadShape(file_.tif, shape_)) return Fail();
    if (const char* refusal = PictureRefusal(shape_.width, shape_.height)) return Fail(refusal);
    width_ = int32_t(shape_.width);
    height_ = int32_t(shape_.height);
    const TiffShape& s = shape_;
    switch (s.path) {
        case TiffPath::Rgba: {
            char why[1024] = {};
            if (!TIFFRGBAImageOK(file_.tif, why)) return Fail(why);
            if (!rgba_.Allocate(size_t{s.width} * s.height * 4)) return Fail(kNoMemory);
            // Asked in the page's own orientation, libtiff flips nothing: the pixels as stored.
            const uint16_t orientation =
                std::clamp<uint16_t>(Tag16(file_.tif, TIFFTAG_ORIENTATION), 1, 8);
            if (!TIFFReadRGBAImageOriented(file_.tif, s.width, s.height,
                                           reinterpret_cast<uint32_t*>(rgba_.data()), orientation,
                                           0)) {
                return Fail();
            }
            converter_ = std::make_unique<SampleConverter>(SampleLayout{4, 1, 255, false, true});
            return true;
        }
        case TiffPath::Palette:
            if (!OpenPalette()) return false;
            break;
        case TiffPath::Cmyk:
            break;
        case TiffPath::Samples: {
            const int bytesPerSample = s.bits == 16 ? 2 : 1;
            const uint32_t maximum = s.bits == 16 ? 65535u : 255u;  // narrower grey is unpacked
            SampleLayout layout{s.colorChannels + (s.alpha ? 1 : 0), bytesPerSample, maximum};
            layout.premultiplied = s.premultiplied;
            layout.minIsWhite = s.photometric == PHOTOMETRIC_MINISWHITE;
            layout.step = s.bits < 8 ? 1 : s.samples;
            converter_ = std::make_unique<SampleConverter>(layout);
            break;
        }
    }
    if (!band_.Allocate(s.RowBytes() * s.bandRows)) return Fail(kNoMemory);
    unpacked_.resize(s.bits < 8 ? s.width : 0);
    return true;
}

bool TiffDecoder::OpenPalette() {
    uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
    if (!TIFFGetField(file_.tif, TIFFTAG_COLORMAP, &red, &green, &blue)) return Fail();
    const size_t count = size_t{1} << shape_.bits;
    // Old writers stored 8-bit values in the 16-bit map: then every entry is below 256.
    const bool narrow = std::all_of(red, red + count, [](uint16_t v) { return v < 256; }) &&
                        std::all_of(green, green + count, [](uint16_t v) { return v < 256; }) &&
                        std::all_of(blue, blue + count, [](uint16_t v) { return v < 256; });
    const uint32_t maximum = narrow ? 255 : 65535;
    palette_.resize(3 * count);
    for (size_t i = 0; i < count; ++i) {
        palette_[3 * i] = EightBits(blue[i], maximum, maximum);
        palette_[3 * i + 1] = EightBits(green[i], maximum, maximum);
        palette_[3 * i + 2] = EightBits(red[i], maximum, maximum);
    }
    return true;
}

// A strip or a tile, decoded: at least `bytes` of it must come (the last strip holds fewer
// rows, and `bytes` says so).
bool TiffDecoder::ReadPiece(uint32_t index, uint8_t* into, uint64_t bytes) {
    const tmsize_t read = shape_.tiled
                              ? TIFFReadEncodedTile(file_.tif, index, into, tmsize_t(bytes))
                              : TIFFReadEncodedStrip(file_.tif, index, into, tmsize_t(bytes));
    return read >= 0 && uint64_t(read) >= bytes ? true : Fail();
}

void TiffDecoder::PlaceTile(const uint8_t* tile, uint32_t tileX, uint32_t rows, int plane) {
    const TiffShape& s = shape_;
    const uint32_t sampleBytes = s.bits / 8;
    const uint32_t pixelBytes = s.separate ? sampleBytes : sampleBytes * s.samples;
    const uint32_t columns = std::min(s.tileWidth, s.width - tileX);
    for (uint32_t r = 0; r < rows; ++r) {
        const uint8_t* from = tile + uint64_t{r} * s.tileWidth * pixelBytes;
        uint8_t* to = band_.data() + r * s.RowBytes() + uint64_t{tileX} * s.samples * sampleBytes;
        if (!s.separate) {
            std::memcpy(to, from, uint64_t{columns} * pixelBytes);
            continue;
        }
        for (uint32_t x = 0; x < columns; ++x) {
            std::memcpy(to + (uint64_t{x} * s.samples + plane) * sampleBytes,
                        from + x * sampleBytes, sampleBytes);
        }
    }
}

bool TiffDecoder::LoadBand(uint32_t band) {
    const TiffShape& s = shape_;
    const uint32_t first = band * s.bandRows;
    const uint32_t rows = std::min(s.bandRows, s.height - first);
    const int planes = s.separate ? s.samples : 1;
    const uint32_t sampleBytes = std::max<uint32_t>(s.bits / 8, 1);
    if (!s.tiled && !s.separate) return ReadPiece(band, band_.data(), s.RowBytes() * rows);
    for (int plane = 0; plane < planes; ++plane) {
        if (!s.tiled) {
            const uint64_t planeRow = uint64_t{s.width} * sampleBytes;
            scratch_.resize(planeRow * s.bandRows);
            const uint32_t strip = TIFFComputeStrip(file_.tif, first, uint16_t(plane));
            if (!ReadPiece(strip, scratch_.data(), planeRow * rows)) return false;
            for (uint64_t i = 0; i < uint64_t{s.width} * rows; ++i) {
                std::memcpy(band_.data() + (i * s.samples + plane) * sampleBytes,
                            scratch_.data() + i * sampleBytes, sampleBytes);
            }
            continue;
        }
        const uint64_t tileBytes = uint64_t(TIFFTileSize(file_.tif));
        scratch_.resize(tileBytes);
        for (uint32_t x = 0; x < s.width; x += s.tileWidth) {
            const uint32_t tile = TIFFComputeTile(file_.tif, x, first, 0, uint16_t(plane));
            if (!ReadPiece(tile, scratch_.data(), tileBytes)) return false;
            PlaceTile(scratch_.data(), x, rows, plane);
        }
    }
    return true;
}

void TiffDecoder::ConvertRow(const uint8_t* raw, uint8_t* into) {
    const TiffShape& s = shape_;
    if (s.bits < 8) {
        UnpackSamples(raw, s.bits, s.width, unpacked_.data());
        raw = unpacked_.data();
    }
    switch (s.path) {
        case TiffPath::Palette:
            for (uint32_t x = 0; x < s.width; ++x)
                std::memcpy(into + 3 * x, &palette_[3 * raw[x]], 3);
            return;
        case TiffPath::Cmyk:
            return ConvertCmykRow(raw, into, width_, false);
        case TiffPath::Samples:
        case TiffPath::Rgba:
            break;
    }
    if (s.bits < 8 && s.path == TiffPath::Samples) {
        // 1, 2 and 4 bits widen exactly: 255 is a multiple of their maximum.
        const unsigned factor = 255 / ((1u << s.bits) - 1);
        for (uint32_t x = 0; x < s.width; ++x) unpacked_[x] = uint8_t(unpacked_[x] * factor);
    }
    converter_->Convert(raw, width_, into);
}

bool TiffDecoder::ReadRow(int32_t pictureRow, uint8_t* into) {
    if (failed_ || pictureRow < 0 || pictureRow >= height_) return Fail("");
    if (shape_.path == TiffPath::Rgba) {
        converter_->Convert(rgba_.data() + size_t(pictureRow) * shape_.width * 4, width_, into);
        return true;
    }
    const uint32_t band = uint32_t(pictureRow) / shape_.bandRows;
    if (band != loadedBand_ && !LoadBand(band)) return false;
    loadedBand_ = band;
    ConvertRow(band_.data() + (uint32_t(pictureRow) - band * shape_.bandRows) * shape_.RowBytes(),
               into);
    return true;
}

SourceMetadata TiffDecoder::Metadata() const {
    SourceMetadata metadata;
    uint32_t length = 0;
    void* profile = nullptr;
    if (TIFFGetField(file_.tif, TIFFTAG_ICCPROFILE, &length, &profile) && profile) {
        metadata.icc.assign(static_cast<const char*>(profile), length);
    }
    metadata.orientation = Tag16(file_.tif, TIFFTAG_ORIENTATION);
    return metadata;
}

}  // namespace

std::unique_ptr<ImageDecoder> MakeTiffDecoder() { return std::make_unique<TiffDecoder>(); }

bool ReadTiffHeader(const FileBytes& bytes, ImageHeader& header) {
    TiffFile file;
    TiffShape shape;
    if (!file.Open(bytes) || !ReadShape(file.tif, shape)) return false;
    header.width = int32_t(std::min<uint32_t>(shape.width, INT32_MAX));
    header.height = int32_t(std::min<uint32_t>(shape.height, INT32_MAX));
    header.decoderBytes = ReaderBytes(shape);
    return true;
}

}  // namespace pixtrim
