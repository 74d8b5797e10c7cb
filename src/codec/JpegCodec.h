// JPEG load and save over libjpeg-turbo, straight into and out of an image buffer's pixel
// memory (blue, green, red, bottom-up rows): no intermediate picture copy.
//
// Damaged files. libjpeg reports two kinds of trouble:
//   - warnings (corrupt entropy data, a file that ends early, extraneous bytes): libjpeg
//     goes on and fills what is missing, so the load succeeds with what a viewer shows;
//   - errors (not a JPEG, empty file, 12-bit or lossless data, an unsupported number of
//     components, broken markers): the load fails.
// Hostile files are bounded in time and memory: a header that claims more than 1 GiB of
// pixel memory, or more pixels than 1000 times the file's bytes (no real JPEG compresses
// that well; truncated photos stay far below it), is refused before anything is allocated,
// and a progressive file with more than 100 scans (cameras and editors write about 10)
// stops its decode. Grey pictures arrive as grey pixels;
// CMYK and YCCK pictures are converted to color (Adobe files store CMYK inverted).
//
// Threading: safe to call from any thread on different buffers and files.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "image/Resample.h"

namespace pixtrim {

class cDIBSection;

// What a JPEG's header says a decode will hold.
struct JpegHeader {
    int32_t width = 0;
    int32_t height = 0;
    uint64_t coefficientBytes = 0;  // the coefficient buffers of a progressive or multi-scan file
};
// Reads the header of the JPEG file in `bytes`; false when there is none to read.
bool ReadJpegHeader(std::string_view bytes, JpegHeader& header);

// The entropy-coded bytes of the JPEG file in `bytes`: the data of every scan, found by
// walking the segments up to the end-of-image marker that follows the last scan. What
// segments hold (an EXIF thumbnail and its own end marker) and what follows the image
// (padding, trailing data) does not count.
uint64_t EntropyCodedBytes(std::string_view bytes);

// What a decode said: why it failed (libjpeg's words, or ours for a picture refused before
// it is allocated), and its first warning (a damaged or truncated file that still gave a
// picture). Empty when there is nothing to say.
struct JpegReport {
    std::string error;
    std::string warning;
};

// The rows of a JPEG file as a decoder streams them: the rows no one reads are skipped
// (jpeg_skip_scanlines: no upsampling or color conversion for them), and the whole
// picture is never stored; a progressive or multi-scan file keeps only the coefficient
// buffers libjpeg needs. The same checks and damage policy as LoadJPGFromMemory. One
// reader per decode, on one thread at a time.
class JpegRowReader : public RowSource {
public:
    JpegRowReader();
    ~JpegRowReader() override;
    JpegRowReader(const JpegRowReader&) = delete;
    JpegRowReader& operator=(const JpegRowReader&) = delete;

    // Reads the header of the JPEG file in `bytes` (which must outlive the reader) and
    // starts its decode. False when it cannot be decoded (Report says why).
    bool Open(std::string_view bytes);
    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    // Decodes the picture's row `pictureRow` (counted from the top; rows are asked in
    // increasing order, each once) into `into`, 3 x Width() bytes.
    bool ReadRow(int32_t pictureRow, uint8_t* into);
    // The resampler's rows (bottom-up numbers, asked top down), kept two at a time.
    const uint8_t* Row(int32_t row) override;
    // Reads the file to its end once the last row is read: what libjpeg finds there can
    // still fail the decode, as it would for a whole decode.
    bool Finish();
    JpegReport Report() const;

    struct Decoder;

private:
    std::unique_ptr<Decoder> d_;
    int32_t width_ = 0;
    int32_t height_ = 0;
    bool failed_ = false;
    std::vector<uint8_t> slots_[2];
    int32_t slotRow_[2] = {-1, -1};
    int last_ = 0;
};

// Decodes the JPEG file held in `bytes` into `cDib`, which is re-created at the picture's
// size. On any failure the answer is false and `cDib` keeps what it held before. `report`,
// when given, receives what libjpeg said.
bool LoadJPGFromMemory(cDIBSection& cDib, std::string_view bytes, JpegReport* report = nullptr);
// The same for the regular file `sFileName`, read once into memory.
bool LoadJPG(cDIBSection& cDib, const std::string& sFileName);

// Encodes `cDib` at `lQuality` (clamped to 1..100 by libjpeg): baseline, 4:2:0, JFIF
// header. The whole JPEG file's bytes go to `bytes`; false (and `bytes` empty) on failure.
bool SaveJPGToMemory(const cDIBSection& cDib, std::string& bytes, int32_t lQuality);
// The same into the file `sFileName`, written whole or not at all: on failure there is no
// file and an existing file of that name is left as it was.
bool SaveJPG(const cDIBSection& cDib, const std::string& sFileName, int32_t lQuality);

}  // namespace pixtrim
