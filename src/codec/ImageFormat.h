// What a file is, told by its first bytes, never by its name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace pixtrim {

// Unknown: none of the others; it goes to the JPEG decoder, whose reason names what it found.
enum class ImageFormat { Jpeg, Png, Webp, Tiff, Heif, Unknown };

// How many first bytes SniffImageFormat looks at, at most.
inline constexpr size_t kFormatHeadBytes = 256;

// JPEG: FF D8 FF. PNG: its 8-byte signature. WebP: "RIFF", 4 bytes, "WEBP". TIFF: "II*\0" or
// "MM\0*". HEIF and AVIF: an "ftyp" box whose major or compatible brands (those within the
// bytes given) include heic, heix, heim, heis, hevc, hevx, mif1, msf1, avif or avis.
ImageFormat SniffImageFormat(std::string_view head);

// About what decoding a file of `bytes` in `format` costs, in tenths of a JPEG byte's:
// measured on one core with one 12 MP photo saved in each format (per MB, JPEG 20 ms, PNG
// 28, TIFF in LZW 14, lossy WebP 100 to 270, HEIC 645). It orders a run's jobs.
uint64_t DecodeCost(ImageFormat format, uint64_t bytes);

// The format's name, as messages and tables write it ("JPEG", "PNG"...).
const char* FormatName(ImageFormat format);

}  // namespace pixtrim
