// PNG over libpng. Rows stream as libpng decodes them; an interlaced file, whose rows come
// in seven passes, is decoded whole first. A palette is expanded, grey of 1, 2 or 4 bits
// widened to 8, a tRNS chunk becomes alpha; 16-bit samples and alpha follow SampleRows.h.
// Gamma and other color chunks are not applied: the pixels as stored, as for JPEG.
// Damage: an error before the last row fails the decode; one after it (a file cut after its
// image data) is a warning. libpng's warnings on ancillary chunks are no damage.
// libpng reports errors by a longjmp, as libjpeg does: the regions that call it hold no
// object with a destructor.
// clang-format off
#include <png.h>

#include <QtGlobal>
// clang-format on

#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "codec/Decoders.h"
#include "codec/SampleRows.h"

namespace pixtrim {
namespace {

constexpr png_alloc_size_t kMaxChunkBytes = 16u << 20;  // a profile, an EXIF block, a text

struct PngState {
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::string_view bytes;
    size_t read = 0;
    char error[256] = {};
    bool interlaced = false;
    int passes = 1;
    int32_t next = 0;         // the next row libpng gives, when streaming
    png_bytep raw = nullptr;  // one row, or the whole picture when interlaced
    size_t rowBytes = 0;
};

void OnError(png_structp png, png_const_charp message) {
    auto* state = static_cast<PngState*>(png_get_error_ptr(png));
    std::snprintf(state->error, sizeof state->error, "%s", message);
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

void ReadBytes(png_structp png, png_bytep into, png_size_t count) {
    auto* state = static_cast<PngState*>(png_get_io_ptr(png));
    if (count > state->bytes.size() - state->read) png_error(png, "Read Error: file ends early");
    std::memcpy(into, state->bytes.data() + state->read, count);
    state->read += count;
}

uint32_t BigEndian32(std::string_view bytes, size_t at) {
    const auto b = [&](size_t i) { return uint32_t(static_cast<unsigned char>(bytes[at + i])); };
    return b(0) << 24 | b(1) << 16 | b(2) << 8 | b(3);
}

// The error region of the header and the transforms.
bool StartPng(PngState& s) {
    if (setjmp(png_jmpbuf(s.png))) return false;
    png_set_read_fn(s.png, &s, ReadBytes);
    png_set_user_limits(s.png, kMaxPictureSide, kMaxPictureSide);
    png_set_chunk_malloc_max(s.png, kMaxChunkBytes);
    png_read_info(s.png, s.info);
    const int type = png_get_color_type(s.png, s.info);
    const int depth = png_get_bit_depth(s.png, s.info);
    if (type == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(s.png);
    if (type == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(s.png);
    if (png_get_valid(s.png, s.info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(s.png);
    if (depth == 16) png_set_swap(s.png);  // native order on the little-endian machines
    s.interlaced = png_get_interlace_type(s.png, s.info) != PNG_INTERLACE_NONE;
    s.passes = png_set_interlace_handling(s.png);
    png_read_update_info(s.png, s.info);
    s.rowBytes = png_get_rowbytes(s.png, s.info);
    return true;
}

bool ReadWholePicture(PngState& s, png_bytepp rows) {
    if (setjmp(png_jmpbuf(s.png))) return false;
    png_read_image(s.png, rows);
    return true;
}

// Reads the rows up to `target` into s.raw, which then holds that row.
bool ReadRowsUpTo(PngState& s, int32_t target) {
    if (setjmp(png_jmpbuf(s.png))) return false;
    for (; s.next <= target; ++s.next) png_read_row(s.png, s.raw, nullptr);
    return true;
}

bool EndPng(PngState& s) {
    if (setjmp(png_jmpbuf(s.png))) return false;
    png_read_end(s.png, s.info);
    return true;
}

class PngDecoder : public ImageDecoder {
public:
    PngDecoder() {
        s_.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &s_, OnError, OnWarning);
        if (s_.png) s_.info = png_create_info_struct(s_.png);
    }
    ~PngDecoder() override { png_destroy_read_struct(&s_.png, &s_.info, nullptr); }
    PngDecoder(const PngDecoder&) = delete;
    PngDecoder& operator=(const PngDecoder&) = delete;

    bool Open(std::string_view bytes) override {
        ImageHeader header;
        if (!s_.info) return Fail(kNoMemory);
        if (!ReadPngHeader(bytes, header))
            return Fail(QT_TRANSLATE_NOOP("pixtrim", "en-tête PNG illisible"));
        if (const char* refusal = PictureRefusal(header.width, header.height)) return Fail(refusal);
        s_.bytes = bytes;
        if (!StartPng(s_)) return Fail(nullptr);
        width_ = int32_t(png_get_image_width(s_.png, s_.info));
        height_ = int32_t(png_get_image_height(s_.png, s_.info));
        const int channels = png_get_channels(s_.png, s_.info);
        const bool wide = png_get_bit_depth(s_.png, s_.info) == 16;
        converter_ = std::make_unique<SampleConverter>(
            SampleLayout{channels, wide ? 2 : 1, wide ? 65535u : 255u});
        const size_t rows = s_.interlaced ? size_t(height_) : 1;
        if (!picture_.Allocate(s_.rowBytes * rows)) return Fail(kNoMemory);
        s_.raw = picture_.data();
        if (s_.interlaced) {
            std::vector<png_bytep> pointers(rows);
            for (size_t y = 0; y < rows; ++y) pointers[y] = picture_.data() + y * s_.rowBytes;
            if (!ReadWholePicture(s_, pointers.data())) return Fail(nullptr);
        }
        return true;
    }

    bool ReadRow(int32_t pictureRow, uint8_t* into) override {
        if (failed_ || pictureRow < s_.next || pictureRow >= height_) return Fail(nullptr);
        const uint8_t* raw = picture_.data();
        if (s_.interlaced) {
            raw += size_t(pictureRow) * s_.rowBytes;
            s_.next = pictureRow + 1;
        } else if (!ReadRowsUpTo(s_, pictureRow)) {
            return Fail(nullptr);
        }
        converter_->Convert(raw, width_, into);
        return true;
    }

    bool Finish() override {
        if (failed_) return false;
        // Rows no one asked for still come before the end.
        if (!s_.interlaced && !ReadRowsUpTo(s_, height_ - 1)) return Fail(nullptr);
        if (!EndPng(s_)) warning_ = s_.error;
        return true;
    }

    DecodeReport Report() const override { return {failed_ ? error_ : "", warning_}; }

    SourceMetadata Metadata() const override {
        SourceMetadata metadata;
        png_charp name = nullptr;
        int compression = 0;
        png_bytep profile = nullptr;
        png_uint_32 length = 0;
        if (png_get_iCCP(s_.png, s_.info, &name, &compression, &profile, &length) && profile) {
            metadata.icc.assign(reinterpret_cast<const char*>(profile), length);
        }
        png_bytep exif = nullptr;
        png_uint_32 count = 0;
        if (png_get_eXIf_1(s_.png, s_.info, &count, &exif) && exif) {
            metadata.exif = ExifFromTiffHeader({reinterpret_cast<const char*>(exif), count});
        }
        return metadata;
    }

private:
    bool Fail(const char* reason) {
        error_ = reason ? reason : s_.error;
        failed_ = true;
        return false;
    }

    PngState s_;
    PictureMemory picture_;
    std::unique_ptr<SampleConverter> converter_;
    bool failed_ = false;
    std::string error_;
    std::string warning_;
};

}  // namespace

std::unique_ptr<ImageDecoder> MakePngDecoder() { return std::make_unique<PngDecoder>(); }

// The IHDR chunk, which must come first: width, height, bit depth, color type, interlace.
bool ReadPngHeader(std::string_view bytes, ImageHeader& header) {
    if (bytes.size() < 33 || bytes.substr(12, 4) != "IHDR") return false;
    header.width = int32_t(std::min<uint32_t>(BigEndian32(bytes, 16), INT32_MAX));
    header.height = int32_t(std::min<uint32_t>(BigEndian32(bytes, 20), INT32_MAX));
    const uint64_t sampleBytes = bytes[24] == 16 ? 2 : 1;
    const bool interlaced = bytes[28] != 0;
    // Up to four channels after the expansions; an interlaced picture is held whole.
    const uint64_t rowBytes = uint64_t(header.width) * 4 * sampleBytes;
    header.decoderBytes = rowBytes * (interlaced ? uint64_t(header.height) : 2);
    return true;
}

std::string_view ExifFromTiffHeader(std::string_view block) {
    using namespace std::string_view_literals;
    if (block.starts_with("Exif\0\0"sv)) block.remove_prefix(6);
    return block;
}

}  // namespace pixtrim
