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

#include "codec/ImageDecoder.h"

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
// The same, in the codec's terms.
bool ReadJpegHeader(std::string_view bytes, ImageHeader& header);

// The entropy-coded bytes of the JPEG file in `bytes`: the data of every scan, found by
// walking the segments up to the end-of-image marker that follows the last scan. What
// segments hold (an EXIF thumbnail and its own end marker) and what follows the image
// (padding, trailing data) does not count.
uint64_t EntropyCodedBytes(std::string_view bytes);

// The rows of a JPEG file as a decoder streams them: the rows no one reads are skipped
// (jpeg_skip_scanlines: no upsampling or color conversion for them), and the whole
// picture is never stored; a progressive or multi-scan file keeps only the coefficient
// buffers libjpeg needs. The checks and damage policy above. One reader per decode, on
// one thread at a time.
class JpegRowReader : public ImageDecoder {
public:
    explicit JpegRowReader(const DecodeOptions& options = {});
    ~JpegRowReader() override;
    JpegRowReader(const JpegRowReader&) = delete;
    JpegRowReader& operator=(const JpegRowReader&) = delete;

    bool Open(std::string_view bytes) override;
    bool ReadRow(int32_t pictureRow, uint8_t* into) override;
    bool Finish() override;
    DecodeReport Report() const override;

    struct Decoder;

private:
    std::unique_ptr<Decoder> d_;
    bool failed_ = false;
};

// Decodes the image file `sFileName` (any format the codec reads), read once into memory,
// into `cDib`, re-created at its size; false, with `cDib` as it was, on any failure.
bool LoadJPG(cDIBSection& cDib, const std::string& sFileName);

// Encodes `cDib` at `lQuality` (clamped to 1..100 by libjpeg): baseline, 4:2:0, JFIF
// header. The whole JPEG file's bytes go to `bytes`; false (and `bytes` empty) on failure.
bool SaveJPGToMemory(const cDIBSection& cDib, std::string& bytes, int32_t lQuality);
// The same into the file `sFileName`, written whole or not at all: on failure there is no
// file and an existing file of that name is left as it was.
bool SaveJPG(const cDIBSection& cDib, const std::string& sFileName, int32_t lQuality);

}  // namespace pixtrim
