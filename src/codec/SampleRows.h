// Decoded samples of any layout into the rows the resampler reads: 8-bit blue, green, red.
// This is the one home of the rules that turn other pictures into such rows:
//   - a sample of more than 8 bits, of maximum M = 2^bits - 1, becomes round(255 x v / M);
//   - alpha is composed over white: a channel c under alpha a (both 0..M) becomes
//     round(255 x (c x a + M x (M - a)) / M^2), which for an opaque pixel is the rule above;
//     a premultiplied channel c' (c x a / M, as stored) becomes round(255 x (c' + M - a) / M);
//   - grey becomes three equal channels; CMYK becomes color as libjpeg's CMYK pictures do.
// The divisors are odd, so a value never lies halfway: rounding is exact in integers, with
// no tie to break. Threading: pure functions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <vector>

namespace pixtrim {

// How one decoded row holds its pixels.
struct SampleLayout {
    int channels = 3;            // 1 grey, 2 grey and alpha, 3 color, 4 color and alpha
    int bytesPerSample = 1;      // 1, or 2 (native byte order)
    uint32_t maximum = 255;      // the largest value a sample takes: 2^bits - 1
    bool bgr = false;            // color stored blue first (else red first)
    bool premultiplied = false;  // color already multiplied by alpha
    bool minIsWhite = false;     // grey stored inverted (0 is white)
    int step = 0;                // samples a pixel takes, when more than its channels
};

// round(255 x numerator / denominator) for denominators that are odd.
inline uint8_t RoundTo255(uint64_t numerator, uint64_t denominator) {
    return static_cast<uint8_t>((2 * 255 * numerator + denominator) / (2 * denominator));
}

// One sample of maximum `maximum` composed over white under `alpha`, as 8 bits.
uint8_t EightBits(uint32_t value, uint32_t alpha, uint32_t maximum, bool premultiplied = false);

// Converts rows of one layout; keeps the table of a 16-bit opaque layout between rows.
class SampleConverter {
public:
    explicit SampleConverter(const SampleLayout& layout);
    // `width` pixels of `in` into `bgr` (3 x width bytes).
    void Convert(const uint8_t* in, int32_t width, uint8_t* bgr) const;

private:
    SampleLayout layout_;
    std::vector<uint8_t> opaque_;  // EightBits of every value of an opaque sample
};

// Memory for a whole decoded picture, left as the allocator gives it: its pages are touched
// only where the decoder writes, so a header that claims far more than its data costs no
// time. False when the memory cannot be had.
class PictureMemory {
public:
    bool Allocate(size_t bytes) {
        bytes_.reset(new (std::nothrow) uint8_t[bytes]);
        size_ = bytes_ ? bytes : 0;
        return bytes_ != nullptr;
    }
    uint8_t* data() const { return bytes_.get(); }
    size_t size() const { return size_; }

private:
    std::unique_ptr<uint8_t[]> bytes_;
    size_t size_ = 0;
};

// One row of CMYK inks (0 no ink) into blue, green, red; `inverted`: stored as 255 - ink, as
// Adobe's files do.
void ConvertCmykRow(const uint8_t* cmyk, uint8_t* bgr, int32_t width, bool inverted);

}  // namespace pixtrim
