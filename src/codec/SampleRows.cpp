#include "codec/SampleRows.h"

#include <cstring>

namespace pixtrim {
namespace {

inline uint8_t Scale255(unsigned a, unsigned b) {
    return static_cast<uint8_t>((a * b + 127) / 255);
}

inline uint32_t Sample(const uint8_t* at, int bytesPerSample) {
    if (bytesPerSample == 1) return *at;
    uint16_t value;
    std::memcpy(&value, at, 2);
    return value;
}

}  // namespace

uint8_t EightBits(uint32_t value, uint32_t alpha, uint32_t maximum, bool premultiplied) {
    const uint64_t m = maximum;
    if (value > maximum) value = maximum;
    if (alpha > maximum) alpha = maximum;
    if (premultiplied) {
        // A stored value above its alpha is out of rule: it saturates at white.
        const uint64_t sum = uint64_t{value} + m - alpha;
        return RoundTo255(sum < m ? sum : m, m);
    }
    return RoundTo255(uint64_t{value} * alpha + m * (m - alpha), m * m);
}

SampleConverter::SampleConverter(const SampleLayout& layout) : layout_(layout) {
    if (layout_.bytesPerSample == 2) {
        opaque_.resize(size_t{layout_.maximum} + 1);
        for (uint32_t v = 0; v <= layout_.maximum; ++v) {
            opaque_[v] = EightBits(v, layout_.maximum, layout_.maximum);
        }
    }
}

void SampleConverter::Convert(const uint8_t* in, int32_t width, uint8_t* bgr) const {
    const SampleLayout& l = layout_;
    // The common case, opaque 8-bit color, in a plain loop.
    if (l.channels == 3 && l.bytesPerSample == 1 && l.step <= 3 && l.maximum == 255) {
        const int red = l.bgr ? 2 : 0;
        for (int32_t x = 0; x < width; ++x, in += 3, bgr += 3) {
            bgr[0] = in[2 - red];
            bgr[1] = in[1];
            bgr[2] = in[red];
        }
        return;
    }
    const int step = (l.step > l.channels ? l.step : l.channels) * l.bytesPerSample;
    const bool alpha = l.channels == 2 || l.channels == 4;
    const bool color = l.channels >= 3;
    const uint32_t m = l.maximum;
    for (int32_t x = 0; x < width; ++x, in += step, bgr += 3) {
        const uint32_t a =
            alpha ? Sample(in + (l.channels - 1) * l.bytesPerSample, l.bytesPerSample) : m;
        uint8_t out[3];
        for (int k = 0; k < (color ? 3 : 1); ++k) {
            uint32_t v = Sample(in + k * l.bytesPerSample, l.bytesPerSample);
            if (l.minIsWhite) v = m - (v > m ? m : v);
            if (a == m && !opaque_.empty()) {
                out[k] = opaque_[v > m ? m : v];
            } else if (a == m && m == 255) {
                out[k] = static_cast<uint8_t>(v);
            } else {
                out[k] = EightBits(v, a, m, l.premultiplied);
            }
        }
        if (!color) out[1] = out[2] = out[0];
        bgr[0] = out[l.bgr ? 0 : 2];
        bgr[1] = out[1];
        bgr[2] = out[l.bgr ? 2 : 0];
    }
}

void ConvertCmykRow(const uint8_t* cmyk, uint8_t* bgr, int32_t width, bool inverted) {
    for (int32_t x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
        unsigned c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
        if (!inverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
        bgr[0] = Scale255(y, k);
        bgr[1] = Scale255(m, k);
        bgr[2] = Scale255(c, k);
    }
}

}  // namespace pixtrim
