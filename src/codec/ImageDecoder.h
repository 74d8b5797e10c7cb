// The codec's one interface for every source format: a decoder reads a file held in memory
// and hands the resampler 8-bit blue-green-red rows (SampleRows.h says how other samples
// become those), top down. The file's first bytes choose the decoder (ImageFormat.h):
// libjpeg-turbo for JPEG and for whatever is no known format, libpng, libwebp, libtiff,
// and libheif for HEIF and AVIF.
//
// Bounds: each decoder reads the picture's size from its header first and refuses, before
// it allocates the picture, a side over 65,500 pixels or more than 1 GiB of 24-bit rows;
// each library's own guards are set as well. A failure carries the library's reason.
//
// Orientation: JPEG, PNG, WebP and TIFF pictures arrive as stored (their orientation is
// metadata, carried into the copy); HEIF's transformations (rotation, mirror, crop) are part
// of its picture and are applied (Metadata().upright).
//
// Threading: one decoder per decode, on one thread at a time; different decoders may run on
// different threads at once.
#pragma once

#include <QtGlobal>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "codec/ImageFormat.h"
#include "image/Resample.h"

namespace pixtrim {

class cDIBSection;

// The reason of a decode, or a job, that could not have its memory.
inline constexpr char kNoMemory[] = QT_TRANSLATE_NOOP("pixtrim", "mémoire insuffisante");

// What a decode said: why it failed (the library's words, or ours for a picture refused
// before it is allocated), and its first warning (a damaged or truncated file that still
// gave a picture). Empty when there is nothing to say.
struct DecodeReport {
    std::string error;
    std::string warning;
};

// What a file's header says a decode will hold, before any pixel is decoded.
struct ImageHeader {
    int32_t width = 0;
    int32_t height = 0;
    // What the decoder holds besides the rows it hands out: libjpeg's coefficient buffers
    // for a progressive file, the whole decoded picture of a format decoded at once.
    uint64_t decoderBytes = 0;
};

// A file read in pieces, at any offset: what a header reader needs of a file that is not
// read whole yet (so that its size joins what a job asks of the memory budget first).
class FileBytes {
public:
    virtual ~FileBytes() = default;
    virtual uint64_t Size() const = 0;
    // Copies at most `count` bytes from `offset` into `into`; how many it copied (0 at the
    // end, or when the file cannot be read).
    virtual size_t ReadAt(uint64_t offset, void* into, size_t count) const = 0;
};

// Bytes in memory, read as a file.
class MemoryBytes : public FileBytes {
public:
    explicit MemoryBytes(std::string_view bytes) : bytes_(bytes) {}
    uint64_t Size() const override { return bytes_.size(); }
    size_t ReadAt(uint64_t offset, void* into, size_t count) const override;

private:
    std::string_view bytes_;
};

// What a source carries for its copy besides its pixels (EXIF and ICC travel as bytes).
struct SourceMetadata {
    std::string exif;      // the EXIF block from its TIFF header on ("II*\0" or "MM\0*")
    std::string icc;       // the whole ICC profile
    int orientation = 0;   // 1 to 8 where the format says it outside EXIF (TIFF), else 0
    bool upright = false;  // the picture's own transformations were applied (HEIF)
};

class ImageDecoder : public RowSource {
public:
    ~ImageDecoder() override = default;

    // Reads the header of the file in `bytes` (which must outlive the decoder) and makes
    // the decoder ready to give rows. False when it cannot be decoded (Report says why).
    virtual bool Open(std::string_view bytes) = 0;
    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    // Decodes the picture's row `pictureRow` (counted from the top; rows are asked in
    // increasing order, each at most once) into `into`, 3 x Width() bytes.
    virtual bool ReadRow(int32_t pictureRow, uint8_t* into) = 0;
    // The resampler's rows (bottom-up numbers, asked top down), kept two at a time.
    const uint8_t* Row(int32_t row) final;
    // Reads the file to its end once the last row is read: what lies there can still fail
    // the decode, as it would for a whole decode.
    virtual bool Finish() = 0;
    virtual DecodeReport Report() const = 0;
    // The source's metadata, complete once Finish has answered true.
    virtual SourceMetadata Metadata() const { return {}; }

protected:
    int32_t width_ = 0;
    int32_t height_ = 0;

private:
    std::vector<uint8_t> slots_[2];
    int32_t slotRow_[2] = {-1, -1};
    int last_ = 0;
};

// How a decode may work.
struct DecodeOptions {
    // Threads a library may start for one picture (libheif, for a grid's tiles); 0: none,
    // the decode runs on the caller's thread alone.
    int threads = 0;
    // When not 0, the decoder may give a smaller picture than the file's, no smaller than
    // this (a preview): JPEG scales down in its DCT, HEIF takes its thumbnail. The copy's
    // decode never sets them.
    int32_t atLeastWidth = 0;
    int32_t atLeastHeight = 0;
};

// The decoder for a file of `format` (Unknown gets the JPEG decoder).
std::unique_ptr<ImageDecoder> MakeDecoder(ImageFormat format, const DecodeOptions& options = {});
// Reads the header of `file`, of the format its first bytes say, reading only what the
// header needs (a JPEG's, PNG's and WebP's within their first MiB); false when there is none
// to read.
bool ReadImageHeader(const FileBytes& file, ImageHeader& header);
bool ReadImageHeader(std::string_view bytes, ImageHeader& header);

// The longest side a source may have: libjpeg's own limit, which every copy must meet.
inline constexpr int32_t kMaxPictureSide = 65500;

// Why a picture of width x height is refused before anything is allocated; nullptr when it
// is not.
const char* PictureRefusal(int64_t width, int64_t height);

// Decodes the file held in `bytes`, whatever its format, into `cDib`, re-created at the
// picture's size. On any failure the answer is false and `cDib` keeps what it held before.
// `report`, when given, receives what the decoder said.
bool LoadImageFromMemory(cDIBSection& cDib, std::string_view bytes, DecodeReport* report = nullptr);

}  // namespace pixtrim
