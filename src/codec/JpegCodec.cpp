#include "codec/JpegCodec.h"

#include <QtGlobal>

// clang-format off
#include <cstdio>
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

#include <algorithm>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <string>

#include "codec/SampleRows.h"
#include "image/cDIBSection.h"
#include "tools/HeldFolder.h"

namespace pixtrim {
namespace {

constexpr int kMaxScans = 100;
constexpr int64_t kMaxPixelsPerByte = 1000;
constexpr int kRowsPerCall = 16;
const char kTooFewBytes[] =
    QT_TRANSLATE_NOOP("pixtrim", "image déclarée bien plus grande que ses données");
const char kTooManyScans[] = QT_TRANSLATE_NOOP("pixtrim", "plus de 100 passes de décodage");

// libjpeg ends the process on an error unless error_exit does not return: it jumps back
// into the function that called libjpeg, which then releases the codec.
// libjpeg's own words are kept: the error that stopped it, and its first warning.
struct ErrorManager {
    jpeg_error_mgr pub;
    jmp_buf jump;
    char error[JMSG_LENGTH_MAX];
    char warning[JMSG_LENGTH_MAX];
};

[[noreturn]] void JumpOnError(j_common_ptr codec) {
    auto* errors = reinterpret_cast<ErrorManager*>(codec->err);
    // Memory refused is said in the words every decoder uses for it.
    if (codec->err->msg_code == JERR_OUT_OF_MEMORY) {
        std::snprintf(errors->error, sizeof errors->error, "%s", kNoMemory);
    } else {
        (*codec->err->format_message)(codec, errors->error);
    }
    longjmp(errors->jump, 1);
}

// libjpeg calls this for its first warning (and for trace messages, never enabled here).
void KeepWarning(j_common_ptr codec) {
    auto* errors = reinterpret_cast<ErrorManager*>(codec->err);
    if (errors->warning[0] == 0) (*codec->err->format_message)(codec, errors->warning);
}

// Ends the decoding of a hostile progressive file whose scans never stop coming, in its own
// words: libjpeg's last message here would be a stale warning.
void LimitScans(j_common_ptr codec) {
    auto* decoder = reinterpret_cast<j_decompress_ptr>(codec);
    if (decoder->input_scan_number > kMaxScans) {
        auto* errors = reinterpret_cast<ErrorManager*>(codec->err);
        std::snprintf(errors->error, sizeof errors->error, "%s", kTooManyScans);
        longjmp(errors->jump, 1);
    }
}

void InstallErrorManager(ErrorManager& errors) {
    jpeg_std_error(&errors.pub);
    errors.pub.error_exit = JumpOnError;
    errors.pub.output_message = KeepWarning;
    errors.error[0] = errors.warning[0] = 0;
}

// Row pointers for `count` picture rows from `first` on: the picture's top row is the last
// memory row.
void BottomUpRows(uint8_t* bits, int64_t height, int64_t stride, int64_t first, int64_t count,
                  JSAMPROW* rows) {
    for (int64_t i = 0; i < count; ++i) rows[i] = SurfaceRow(bits, height, stride, first + i);
}

}  // namespace

// Everything libjpeg holds for one decode: set up with its error manager, destroyed on its
// one release path, and never moved (libjpeg keeps pointers to the error and progress
// managers).
struct JpegRowReader::Decoder {
    Decoder() {
        InstallErrorManager(errors);
        codec.err = &errors.pub;
    }
    ~Decoder() {
        if (created) jpeg_destroy_decompress(&codec);
    }
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;

    jpeg_decompress_struct codec;
    ErrorManager errors;
    jpeg_progress_mgr progress;
    bool created = false;
    bool cmyk = false;
    int32_t atLeastWidth = 0;  // a picture scaled down in the DCT may not be smaller
    int32_t atLeastHeight = 0;
    JSAMPARRAY cmykRow = nullptr;
    JDIMENSION row = 0;       // the row DecodeRow decodes next
    JSAMPROW into = nullptr;  // and where to
};

namespace {

// Creates the decoder over `bytes` and reads the header; called inside an error region
// (it holds nothing a jump would skip).
void OpenHeader(JpegRowReader::Decoder& d, std::string_view bytes) {
    d.created = true;
    jpeg_create_decompress(&d.codec);
    d.progress.progress_monitor = LimitScans;
    d.codec.progress = &d.progress;
    jpeg_mem_src(&d.codec, reinterpret_cast<const unsigned char*>(bytes.data()),
                 static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&d.codec, TRUE);
}

// The libjpeg error regions: between setjmp and the libjpeg calls there is no C++ object
// with a destructor, and the decoder lives in the caller, which destroys it.
bool StartDecode(JpegRowReader::Decoder& d, std::string_view bytes) {
    if (setjmp(d.errors.jump)) return false;
    OpenHeader(d, bytes);
    d.cmyk = d.codec.jpeg_color_space == JCS_CMYK || d.codec.jpeg_color_space == JCS_YCCK;
    d.codec.out_color_space = d.cmyk ? JCS_CMYK : JCS_EXT_BGR;
    const int64_t width = d.codec.image_width;
    const int64_t height = d.codec.image_height;
    const char* refusal = PictureRefusal(width, height);
    if (!refusal &&
        static_cast<uint64_t>(width * height / kMaxPixelsPerByte) > EntropyCodedBytes(bytes)) {
        refusal = kTooFewBytes;
    }
    if (refusal) {
        std::strncpy(d.errors.error, refusal, sizeof d.errors.error - 1);
        return false;
    }
    // A preview needs no more than it shows: 1/2, 1/4 or 1/8 of the picture, decoded as such.
    d.codec.scale_num = 1;
    d.codec.scale_denom = 1;
    for (const unsigned denominator : {8u, 4u, 2u}) {
        if (d.atLeastWidth > 0 && (width + denominator - 1) / denominator >= d.atLeastWidth &&
            (height + denominator - 1) / denominator >= d.atLeastHeight) {
            d.codec.scale_denom = denominator;
            break;
        }
    }
    jpeg_start_decompress(&d.codec);
    if (d.cmyk) {
        d.cmykRow = (*d.codec.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&d.codec),
                                                 JPOOL_IMAGE, d.codec.output_width * 4, 1);
    }
    return true;
}

// Skips to the picture row d.row (the rows between are not converted to color) and
// decodes it into d.into. What it works on is in `d`, none of it in locals a jump would
// leave indeterminate.
bool DecodeRow(JpegRowReader::Decoder& d) {
    if (setjmp(d.errors.jump)) return false;
    if (d.row > d.codec.output_scanline) {
        jpeg_skip_scanlines(&d.codec, d.row - d.codec.output_scanline);
    }
    if (d.cmyk) {
        jpeg_read_scanlines(&d.codec, d.cmykRow, 1);
        ConvertCmykRow(d.cmykRow[0], d.into, int32_t(d.codec.output_width),
                       d.codec.saw_Adobe_marker);
    } else {
        jpeg_read_scanlines(&d.codec, &d.into, 1);
    }
    return true;
}

bool FinishDecode(JpegRowReader::Decoder& d) {
    if (setjmp(d.errors.jump)) return false;
    jpeg_finish_decompress(&d.codec);
    return true;
}

// The same error region as StartDecode.
bool ReadHeaderInto(JpegRowReader::Decoder& d, std::string_view bytes, JpegHeader& header) {
    if (setjmp(d.errors.jump)) return false;
    OpenHeader(d, bytes);
    header.width = static_cast<int32_t>(d.codec.image_width);
    header.height = static_cast<int32_t>(d.codec.image_height);
    header.coefficientBytes = 0;
    if (jpeg_has_multiple_scans(&d.codec)) {
        // libjpeg keeps every block of every component, rounded up to whole MCUs.
        for (int c = 0; c < d.codec.num_components; ++c) {
            const jpeg_component_info& component = d.codec.comp_info[c];
            const auto RoundUp = [](uint64_t n, uint64_t to) { return (n + to - 1) / to * to; };
            header.coefficientBytes +=
                RoundUp(component.width_in_blocks, uint64_t(component.h_samp_factor)) *
                RoundUp(component.height_in_blocks, uint64_t(component.v_samp_factor)) *
                sizeof(JBLOCK);
        }
    }
    return true;
}

// Everything libjpeg holds for one encode, owned by the caller of the error region.
struct Encoder {
    jpeg_compress_struct codec;
    ErrorManager errors;
    bool created = false;
};

bool EncodeFrom(Encoder& e, const cDIBSection& source, int quality, unsigned char** buffer,
                unsigned long* size) {
    if (setjmp(e.errors.jump)) return false;
    jpeg_compress_struct& codec = e.codec;
    e.created = true;
    jpeg_create_compress(&codec);
    jpeg_mem_dest(&codec, buffer, size);
    codec.image_width = static_cast<JDIMENSION>(source.Width());
    codec.image_height = static_cast<JDIMENSION>(source.Height());
    codec.input_components = 3;
    codec.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&codec);
    jpeg_set_quality(&codec, quality, TRUE);
    jpeg_start_compress(&codec, TRUE);
    const int64_t height = source.Height();
    const int64_t stride = source.BytesPerScanLine();
    uint8_t* bits = source.DIBSectionBitsPtr();
    JSAMPROW rows[kRowsPerCall];
    while (codec.next_scanline < codec.image_height) {
        const int64_t first = codec.next_scanline;
        const int64_t count = std::min<int64_t>(kRowsPerCall, height - first);
        BottomUpRows(bits, height, stride, first, count, rows);
        jpeg_write_scanlines(&codec, rows, static_cast<JDIMENSION>(count));
    }
    jpeg_finish_compress(&codec);
    return true;
}

}  // namespace

bool ReadJpegHeader(std::string_view bytes, JpegHeader& header) {
    if (bytes.size() > kMaxFileBytes) return false;
    JpegRowReader::Decoder d;
    return ReadHeaderInto(d, bytes, header);
}

bool ReadJpegHeader(std::string_view bytes, ImageHeader& header) {
    JpegHeader jpeg;
    if (!ReadJpegHeader(bytes, jpeg)) return false;
    header = {jpeg.width, jpeg.height, jpeg.coefficientBytes};
    return true;
}

uint64_t EntropyCodedBytes(std::string_view bytes) {
    const auto at = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
    uint64_t counted = 0;
    size_t i = 2;  // after the start-of-image marker
    while (i + 1 < bytes.size()) {
        if (at(i) != 0xFF || at(i + 1) == 0xFF) {  // stray bytes and fill bytes
            ++i;
            continue;
        }
        const unsigned marker = at(i + 1);
        if (marker == 0xD9) break;  // the end of the image
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            i += 2;
            continue;
        }
        if (i + 3 >= bytes.size()) break;
        const size_t end = i + 2 + (size_t{at(i + 2)} << 8 | at(i + 3));
        i = end;
        if (marker != 0xDA) continue;
        // The scan's data runs to the next marker that is not a stuffed zero or a restart;
        // memchr finds each FF (a few in a thousand bytes of entropy-coded data).
        while (i + 1 < bytes.size()) {
            const void* mark = std::memchr(bytes.data() + i, 0xFF, bytes.size() - 1 - i);
            if (!mark) {
                i = bytes.size() - 1;
                break;
            }
            i = size_t(static_cast<const char*>(mark) - bytes.data());
            if (at(i + 1) != 0 && !(at(i + 1) >= 0xD0 && at(i + 1) <= 0xD7)) break;
            ++i;
        }
        counted += std::min(i, bytes.size()) - std::min(end, bytes.size());
    }
    return counted;
}

JpegRowReader::JpegRowReader(const DecodeOptions& options) : d_(std::make_unique<Decoder>()) {
    d_->atLeastWidth = options.atLeastWidth;
    d_->atLeastHeight = options.atLeastHeight;
}

JpegRowReader::~JpegRowReader() = default;

bool JpegRowReader::Open(std::string_view bytes) {
    // Beyond what libjpeg's length can hold.
    if (bytes.size() > kMaxFileBytes) {
        std::strncpy(d_->errors.error, QT_TRANSLATE_NOOP("pixtrim", "fichier trop grand"),
                     sizeof d_->errors.error - 1);
        return failed_ = true, false;
    }
    if (!StartDecode(*d_, bytes)) return failed_ = true, false;
    width_ = static_cast<int32_t>(d_->codec.output_width);
    height_ = static_cast<int32_t>(d_->codec.output_height);
    return true;
}

bool JpegRowReader::ReadRow(int32_t pictureRow, uint8_t* into) {
    // Rows come in order: one already passed cannot be had again.
    if (failed_ || pictureRow < int32_t(d_->codec.output_scanline) || pictureRow >= height_) {
        return failed_ = true, false;
    }
    d_->row = JDIMENSION(pictureRow);
    d_->into = into;
    if (!DecodeRow(*d_)) return failed_ = true, false;
    return true;
}

bool JpegRowReader::Finish() {
    if (failed_ || !FinishDecode(*d_)) return failed_ = true, false;
    return true;
}

DecodeReport JpegRowReader::Report() const {
    return {failed_ ? d_->errors.error : "", d_->errors.warning};
}

bool LoadJPG(cDIBSection& cDib, const std::string& sFileName) {
    std::string bytes;
    return ReadRegularFile(sFileName, bytes) && LoadImageFromMemory(cDib, bytes, nullptr);
}

bool SaveJPGToMemory(const cDIBSection& cDib, std::string& bytes, int32_t lQuality) {
    bytes.clear();
    if (!cDib.DIBSectionBitsPtr()) return false;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    Encoder encoder;
    InstallErrorManager(encoder.errors);
    encoder.codec.err = &encoder.errors.pub;
    const bool encoded = EncodeFrom(encoder, cDib, lQuality, &buffer, &size);
    if (encoder.created) jpeg_destroy_compress(&encoder.codec);
    if (encoded) bytes.assign(reinterpret_cast<const char*>(buffer), size);
    std::free(buffer);
    return encoded;
}

bool SaveJPG(const cDIBSection& cDib, const std::string& sFileName, int32_t lQuality) {
    std::string bytes;
    return SaveJPGToMemory(cDib, bytes, lQuality) && WriteFileAtomically(sFileName, bytes);
}

}  // namespace pixtrim
