#include "exif/Exif.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "tools/HeldFolder.h"

namespace pixtrim {
namespace {

constexpr uint8_t kApp1 = 0xE1, kApp2 = 0xE2, kStartOfScan = 0xDA, kEndOfImage = 0xD9;
constexpr uint16_t kExifIfdPointer = 0x8769, kPixelXDimension = 0xA002, kPixelYDimension = 0xA003;
constexpr uint16_t kOrientationTag = 0x0112;
constexpr uint16_t kGpsIfdPointer = 0x8825;

// The bytes one value of a TIFF type takes (0 for a type of no known size).
int64_t TypeBytes(uint16_t type) {
    static const int64_t kBytes[] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8};
    return type < std::size(kBytes) ? kBytes[type] : 0;
}
constexpr uint16_t kTypeShort = 3, kTypeLong = 4, kTypeSignedShort = 8, kTypeSignedLong = 9;

// The integer types a size may be stored in, by their width: 2 or 4 bytes, 0 for others.
int IntegerWidth(std::optional<uint16_t> type) {
    if (type == kTypeShort || type == kTypeSignedShort) return 2;
    if (type == kTypeLong || type == kTypeSignedLong) return 4;
    return 0;
}
constexpr int32_t kTiffStart = 10;
// Metadata beyond this is not ours to carry: a hostile file cannot make us read more.
constexpr size_t kMaxHeaderBytes = 16u << 20;
const char kIccIdentifier[] = "ICC_PROFILE";  // followed by its NUL

template <typename Bytes>
bool IsExifSegment(const Bytes& segment) {
    return segment.size() >= 10 && std::memcmp(segment.data() + 4, "Exif\0\0", 6) == 0;
}

bool IsIccSegment(std::string_view segment) {
    return segment.size() >= 4 + sizeof kIccIdentifier + 2 &&
           std::memcmp(segment.data() + 4, kIccIdentifier, sizeof kIccIdentifier) == 0;
}

// The profile's color space lies at bytes 16 to 19 of the profile, in its first chunk.
bool IccChunkSaysRgb(std::string_view segment) {
    const size_t profile = 4 + sizeof kIccIdentifier + 2;
    return segment[4 + sizeof kIccIdentifier] == 1 && segment.size() >= profile + 20 &&
           std::memcmp(segment.data() + profile + 16, "RGB ", 4) == 0;
}

}  // namespace

bool ExifTransfer::ReadExifData(const std::string& sFileName) {
    std::string bytes;
    (void)ReadRegularFile(sFileName, bytes);  // unreadable: no EXIF, as for none
    return ReadExifBytes(bytes);
}

void ExifTransfer::Clear() {
    ExifData.clear();
    laterExif_.clear();
    iccSegments_.clear();
    iccIsRgb_ = false;
    orientation_ = 0;
    exifTooLarge_ = 0;
}

bool ExifTransfer::ReadExifBytes(std::string_view file) {
    Clear();
    const auto byte = [&](size_t at) { return static_cast<uint8_t>(file[at]); };
    if (file.size() < 2 || byte(0) != 0xFF || byte(1) != 0xD8) return false;

    // Segments back to back, each a marker and a big-endian length that counts itself.
    const size_t end = std::min(file.size(), kMaxHeaderBytes);
    size_t at = 2;
    while (at + 4 <= end && byte(at) == 0xFF) {
        // Any run of FF fill bytes may stand before a marker's type.
        while (at + 4 <= end && byte(at + 1) == 0xFF) ++at;
        if (at + 4 > end) break;
        const uint8_t marker = byte(at + 1);
        if (marker == kStartOfScan || marker == kEndOfImage) break;
        const size_t length = std::max<size_t>(byte(at + 2) * 256u + byte(at + 3), 2);
        if (at + 2 + length > file.size()) break;  // runs past the end
        const std::string_view segment = file.substr(at, 2 + length);
        if (marker == kApp1 && ExifData.empty()) {
            ExifData.assign(segment.begin(), segment.end());
        } else if (marker == kApp1 && laterExif_.empty() && !IsExifSegment(ExifData) &&
                   IsExifSegment(segment)) {
            // The first APP1 is not EXIF (an editor's XMP): the EXIF travels after it.
            laterExif_.assign(segment.begin(), segment.end());
        } else if (marker == kApp2 && IsIccSegment(segment)) {
            iccIsRgb_ = iccIsRgb_ || IccChunkSaysRgb(segment);
            iccSegments_.insert(iccSegments_.end(), segment.begin(), segment.end());
        }
        at += segment.size();
    }
    if (ExifData.empty()) return false;
    WithExifSegment([this] { ReadOrientation(); });
    return true;
}

std::optional<uint16_t> ExifTransfer::ReadExifWord() {
    if (ExifPos < 0 || static_cast<size_t>(ExifPos) + 2 > ExifData.size()) return std::nullopt;
    const uint16_t b0 = ExifData[ExifPos], b1 = ExifData[ExifPos + 1];
    ExifPos += 2;
    return ExifLittleEndian ? uint16_t(b1 * 256 + b0) : uint16_t(b0 * 256 + b1);
}

std::optional<uint32_t> ExifTransfer::ReadExifLong() {
    const auto first = ReadExifWord();
    const auto second = ReadExifWord();
    if (!first || !second) return std::nullopt;
    return ExifLittleEndian ? (uint32_t{*second} << 16 | *first)
                            : (uint32_t{*first} << 16 | *second);
}

void ExifTransfer::WriteExifWord(int32_t lPos, int32_t lValue) {
    if (lPos < 0 || static_cast<size_t>(lPos) + 2 > ExifData.size()) return;
    const auto high = static_cast<uint8_t>(lValue / 256), low = static_cast<uint8_t>(lValue % 256);
    ExifData[lPos] = ExifLittleEndian ? low : high;
    ExifData[lPos + 1] = ExifLittleEndian ? high : low;
}

std::optional<uint32_t> ExifTransfer::ReadTiffHeader() {
    ExifPos = 4;
    ExifLittleEndian = false;  // the words up to the byte order are big-endian
    if (ReadExifWord() != 0x4578 || ReadExifWord() != 0x6966 || ReadExifWord() != 0) {
        return std::nullopt;
    }
    const auto order = ReadExifWord();
    if (order != 0x4949 && order != 0x4D4D) return std::nullopt;
    ExifLittleEndian = order == 0x4949;
    if (ReadExifWord() != 42) return std::nullopt;
    return ReadExifLong();
}

int32_t ExifTransfer::SegmentLength() const {
    return ExifData.size() < 4 ? 0 : ExifData[2] * 256 + ExifData[3];
}

std::optional<int32_t> ExifTransfer::FindEntry(uint32_t ifd, uint16_t wanted, int32_t length) {
    // An IFD holds its own count of entries: what follows them is other data, however much
    // it may look like an entry.
    if (ifd >= uint32_t(length)) return std::nullopt;
    ExifPos = kTiffStart + static_cast<int32_t>(ifd);
    const auto count = ReadExifWord();
    for (int32_t i = 0; count && i < *count; ++i) {
        const int32_t entry = kTiffStart + static_cast<int32_t>(ifd) + 2 + 12 * i;
        ExifPos = entry;
        if (entry + 2 >= length) return std::nullopt;
        const auto tag = ReadExifWord();
        if (!tag) return std::nullopt;
        if (*tag == wanted) return entry;
    }
    return std::nullopt;
}

bool ExifTransfer::FindExifImageSize() {
    ExifPos = 0;
    ExifLittleEndian = false;
    ExifWidthPos = ExifHeightPos = 0;
    const int32_t length = SegmentLength();
    if (ReadExifWord() != 0xFFE1) return false;
    const auto ifd0 = ReadTiffHeader();
    if (!ifd0) return false;

    // IFD0's pointer to the Exif sub-IFD: a LONG of count 1.
    const auto pointer = FindEntry(*ifd0, kExifIfdPointer, length);
    if (!pointer) return false;
    ExifPos = *pointer + 2;
    if (ReadExifWord() != kTypeLong || ReadExifLong() != 1u) return false;
    const auto subIfd = ReadExifLong();
    if (!subIfd || *subIfd >= 65536) return false;

    const auto width = FindEntry(*subIfd, kPixelXDimension, length);
    const auto height = FindEntry(*subIfd, kPixelYDimension, length);
    if (!width || !height) return false;
    ExifWidthPos = *width + 8;
    ExifHeightPos = *height + 8;
    return true;
}

void ExifTransfer::WriteSizeValue(int32_t valuePos, int32_t value) {
    ExifPos = valuePos - 6;
    const auto type = ReadExifWord();
    if (IntegerWidth(type) == 2) {
        WriteExifWord(valuePos, value);
    } else if (IntegerWidth(type) == 4) {
        const int32_t first = ExifLittleEndian ? value % 65536 : value / 65536;
        const int32_t second = ExifLittleEndian ? value / 65536 : value % 65536;
        WriteExifWord(valuePos, first);
        WriteExifWord(valuePos + 2, second);
    }
}

void ExifTransfer::SetExifImageSize(int32_t iWidth, int32_t iHeight) {
    WithExifSegment([&] {
        if (!FindExifImageSize()) return;
        WriteSizeValue(ExifWidthPos, iWidth);
        WriteSizeValue(ExifHeightPos, iHeight);
    });
}

void ExifTransfer::Zero(int64_t at, int64_t count) {
    const int64_t size = int64_t(ExifData.size());
    if (at < 0 || at >= size || count <= 0) return;
    std::fill(ExifData.begin() + at, ExifData.begin() + std::min(size, at + count), 0);
}

// The IFD at `ifd` (from the TIFF header), its entries' values that lie outside it, and its
// next-IFD offset, zeroed.
void ExifTransfer::ZeroIfd(int32_t ifd) {
    const int32_t start = kTiffStart + ifd;
    ExifPos = start;
    const auto count = ReadExifWord();
    if (!count) return;
    for (int32_t i = 0; i < *count; ++i) {
        ExifPos = start + 2 + 12 * i;
        const auto tag = ReadExifWord();
        const auto type = ReadExifWord();
        const auto values = ReadExifLong();
        const auto offset = ReadExifLong();
        if (!tag || !type || !values || !offset) break;
        const int64_t bytes = TypeBytes(*type) * int64_t{*values};
        if (bytes > 4) Zero(kTiffStart + int64_t{*offset}, bytes);
    }
    Zero(start, 2 + 12 * int64_t{*count} + 4);
}

bool ExifTransfer::RemoveLocation() {
    // A pointer written twice (a hostile file) goes each time: each pass drops the count.
    bool removed = false;
    while (RemoveOneLocation()) removed = true;
    return removed;
}

bool ExifTransfer::RemoveOneLocation() {
    bool removed = false;
    WithExifSegment([&] {
        const int32_t length = SegmentLength();
        const auto ifd0 = ReadTiffHeader();
        const auto entry = ifd0 ? FindEntry(*ifd0, kGpsIfdPointer, length) : std::nullopt;
        if (!entry) return;
        ExifPos = *entry + 8;
        const auto gps = ReadExifLong();
        ExifPos = kTiffStart + int32_t(*ifd0);
        const auto count = ReadExifWord();
        if (!count || *count == 0) return;
        if (gps && *gps < uint32_t(length)) ZeroIfd(int32_t(*gps));
        // The entries after the pointer and the next-IFD offset move up one place; of an
        // IFD0 that runs past the segment (a damaged one), what the segment holds, and of
        // a pointer the segment cuts short, what is left of it is zeroed.
        const int64_t end = std::min(kTiffStart + int64_t{*ifd0} + 2 + 12 * int64_t{*count} + 4,
                                     int64_t(ExifData.size()));
        const int64_t next = std::min<int64_t>(*entry + 12, end);
        if (next < *entry) return;
        std::copy(ExifData.begin() + next, ExifData.begin() + end, ExifData.begin() + *entry);
        Zero(end - (next - *entry), next - *entry);
        WriteExifWord(kTiffStart + int32_t(*ifd0), *count - 1);
        removed = true;
    });
    return removed;
}

bool ExifTransfer::HasLocation() {
    bool found = false;
    WithExifSegment([&] {
        const auto ifd0 = ReadTiffHeader();
        found = ifd0 && FindEntry(*ifd0, kGpsIfdPointer, SegmentLength());
    });
    return found;
}

std::optional<std::pair<uint32_t, uint32_t>> ExifTransfer::ExifImageSize() {
    std::optional<std::pair<uint32_t, uint32_t>> size;
    WithExifSegment([&] {
        if (!FindExifImageSize()) return;
        const auto value = [this](int32_t valuePos) -> std::optional<uint32_t> {
            ExifPos = valuePos - 6;
            const auto type = ReadExifWord();
            ExifPos = valuePos;
            if (IntegerWidth(type) == 2) return ReadExifWord();
            if (IntegerWidth(type) == 4) return ReadExifLong();
            return std::nullopt;
        };
        const auto width = value(ExifWidthPos), height = value(ExifHeightPos);
        if (width && height) size = std::pair{*width, *height};
    });
    return size;
}

template <typename Work>
void ExifTransfer::WithExifSegment(Work work) {
    // The word reader works on ExifData: lend it the later EXIF segment when there is one.
    if (laterExif_.empty()) return work();
    std::swap(ExifData, laterExif_);
    work();
    std::swap(ExifData, laterExif_);
}

void ExifTransfer::ReadOrientation() {
    orientation_ = 0;
    const int32_t length = SegmentLength();
    const auto ifd0 = ReadTiffHeader();
    const auto entry = ifd0 ? FindEntry(*ifd0, kOrientationTag, length) : std::nullopt;
    if (!entry) return;
    ExifPos = *entry + 2;
    if (ReadExifWord() != kTypeShort) return;
    ExifPos = *entry + 8;
    const auto value = ReadExifWord();
    if (value && *value >= 1 && *value <= 8) orientation_ = *value;
}

bool ExifTransfer::ReadMetadata(std::string_view exif, std::string_view icc, int orientation,
                                bool upright) {
    Clear();
    if (!exif.empty()) {
        // The segment's length field counts itself, "Exif\0\0" and the block. One too long
        // is read within its first 64 KiB for the orientation, and not carried.
        const size_t length = std::min<size_t>(exif.size() + 8, 0xFFFF);
        ExifData = {0xFF, kApp1, uint8_t(length >> 8), uint8_t(length), 'E', 'x', 'i', 'f', 0, 0};
        ExifData.insert(ExifData.end(), exif.begin(), exif.end());
        if (exif.size() + 8 > 0xFFFF) exifTooLarge_ = exif.size();
    }
    if (orientation >= 1 && orientation <= 8) {
        orientation_ = orientation;
    } else if (!ExifData.empty()) {
        ReadOrientation();
    }
    if (exifTooLarge_ > 0) ExifData.clear();
    if (upright) SetOrientationToOne();
    // The profile in APP2 chunks of at most 65,519 bytes, numbered from 1 (at most 255).
    constexpr size_t kChunk = 0xFFFF - 2 - sizeof kIccIdentifier - 2;
    const size_t chunks = (icc.size() + kChunk - 1) / kChunk;
    if (chunks > 0 && chunks <= 255) {
        iccIsRgb_ = icc.size() >= 20 && icc.substr(16, 4) == "RGB ";
        for (size_t i = 0; i < chunks; ++i) {
            const std::string_view part = icc.substr(i * kChunk, kChunk);
            const size_t length = 2 + sizeof kIccIdentifier + 2 + part.size();
            iccSegments_.insert(iccSegments_.end(),
                                {0xFF, kApp2, uint8_t(length >> 8), uint8_t(length)});
            iccSegments_.insert(iccSegments_.end(), kIccIdentifier,
                                kIccIdentifier + sizeof kIccIdentifier);
            iccSegments_.insert(iccSegments_.end(), {uint8_t(i + 1), uint8_t(chunks)});
            iccSegments_.insert(iccSegments_.end(), part.begin(), part.end());
        }
    }
    return !ExifData.empty();
}

void ExifTransfer::SetOrientationToOne() {
    orientation_ = 1;
    const auto ifd0 = ReadTiffHeader();
    const auto entry = ifd0 ? FindEntry(*ifd0, kOrientationTag, SegmentLength()) : std::nullopt;
    if (!entry) return;
    ExifPos = *entry + 2;
    if (ReadExifWord() == kTypeShort) WriteExifWord(*entry + 8, 1);
}

std::vector<uint8_t> MakeOrientationSegment(int orientation) {
    const uint8_t value = static_cast<uint8_t>(orientation);
    return {0xFF, 0xE1,  0x00, 0x22,                          // APP1, length 34
            'E',  'x',   'i',  'f',  0x00, 0x00,              // identifier
            'M',  'M',   0x00, 0x2A, 0x00, 0x00, 0x00, 0x08,  // big-endian TIFF, IFD0 at 8
            0x00, 0x01,                                       // one entry
            0x01, 0x12,  0x00, 0x03, 0x00, 0x00, 0x00, 0x01,  // Orientation, SHORT, 1 value
            0x00, value, 0x00, 0x00,                          // the value
            0x00, 0x00,  0x00, 0x00};                         // no next IFD
}

bool ExifTransfer::InsertSegments(std::string& copy, bool withExif) {
    std::vector<uint8_t> inserted;
    if (withExif && !ExifData.empty()) {
        inserted = std::move(ExifData);
        inserted.insert(inserted.end(), laterExif_.begin(), laterExif_.end());
    } else if (orientation_ >= 2 && orientation_ <= 8) {
        inserted = MakeOrientationSegment(orientation_);
    }
    ExifData.clear();  // one image at a time: nothing is kept for the next copy
    laterExif_.clear();
    if (HasRgbProfile()) inserted.insert(inserted.end(), iccSegments_.begin(), iccSegments_.end());
    if (copy.size() < 2 || copy.compare(0, 2, "\xFF\xD8") != 0) return false;
    copy.insert(2, reinterpret_cast<const char*>(inserted.data()), inserted.size());
    return true;
}

bool ExifTransfer::WriteExifData(const std::string& sFileName, bool withExif) {
    std::string copy;
    if (!ReadRegularFile(sFileName, copy) || !InsertSegments(copy, withExif)) return false;
    return bool(WriteFileAtomically(sFileName, copy));
}

}  // namespace pixtrim
