#include "codec/ImageFormat.h"

#include <cstdint>

namespace pixtrim {
namespace {

bool IsHeifBrand(std::string_view brand) {
    for (const char* known :
         {"heic", "heix", "heim", "heis", "hevc", "hevx", "mif1", "msf1", "avif", "avis"}) {
        if (brand == known) return true;
    }
    return false;
}

// An ISO base media "ftyp" box: size, "ftyp", the major brand, a minor version, then the
// compatible brands up to the box's end.
bool IsHeif(std::string_view head) {
    if (head.size() < 16 || head.substr(4, 4) != "ftyp") return false;
    const auto byte = [&](size_t i) { return uint32_t(static_cast<unsigned char>(head[i])); };
    const uint32_t size = byte(0) << 24 | byte(1) << 16 | byte(2) << 8 | byte(3);
    if (size < 16) return false;
    if (IsHeifBrand(head.substr(8, 4))) return true;
    for (size_t at = 16; at + 4 <= size && at + 4 <= head.size(); at += 4) {
        if (IsHeifBrand(head.substr(at, 4))) return true;
    }
    return false;
}

}  // namespace

ImageFormat SniffImageFormat(std::string_view head) {
    using namespace std::string_view_literals;
    if (head.starts_with("\xFF\xD8\xFF"sv)) return ImageFormat::Jpeg;
    if (head.starts_with("\x89PNG\r\n\x1A\n"sv)) return ImageFormat::Png;
    if (head.size() >= 12 && head.starts_with("RIFF"sv) && head.substr(8, 4) == "WEBP"sv) {
        return ImageFormat::Webp;
    }
    if (head.starts_with("II*\0"sv) || head.starts_with("MM\0*"sv)) return ImageFormat::Tiff;
    if (IsHeif(head)) return ImageFormat::Heif;
    return ImageFormat::Unknown;
}

uint64_t DecodeCost(ImageFormat format, uint64_t bytes) {
    switch (format) {
        case ImageFormat::Png:
            return bytes * 14;
        case ImageFormat::Tiff:
            return bytes * 7;
        case ImageFormat::Webp:
            return bytes * 80;
        case ImageFormat::Heif:
            return bytes * 320;
        case ImageFormat::Jpeg:
        case ImageFormat::Unknown:
            break;
    }
    return bytes * 10;
}

const char* FormatName(ImageFormat format) {
    switch (format) {
        case ImageFormat::Jpeg:
            return "JPEG";
        case ImageFormat::Png:
            return "PNG";
        case ImageFormat::Webp:
            return "WebP";
        case ImageFormat::Tiff:
            return "TIFF";
        case ImageFormat::Heif:
            return "HEIF";
        case ImageFormat::Unknown:
            return "unknown";
    }
    return "unknown";
}

}  // namespace pixtrim
