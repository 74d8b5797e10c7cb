#include "fuzz/FuzzTargets.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include "app/CommandLine.h"
#include "batch/JpegResize.h"
#include "batch/SizeRule.h"
#include "codec/Decoders.h"
#include "codec/JpegCodec.h"
#include "exif/Exif.h"
#include "image/Resample.h"
#include "image/cDIBSection.h"
#include "settings/ConfigurationFile.h"
#include "tools/Filters.h"
#include "tools/Tools.h"

namespace pixtrim::fuzz {
namespace {

std::string_view Bytes(const uint8_t* data, size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

void Check(bool condition) {
    if (!condition) std::abort();
}

// Every kernel makes the plain kernel's bytes of `picture` at width x height.
void CheckKernelsAgree(const cDIBSection& picture, int32_t width, int32_t height) {
    cDIBSection best, other;
    if (!best.Create(width, height) || !other.Create(width, height)) return;
    BufferRows rows(picture);
    Check(ResampleRows(rows, picture.Width(), picture.Height(), best, nullptr, RowKernel::Scalar));
    for (const RowKernel kernel : {RowKernel::Best, RowKernel::Sse2}) {
        Check(ResampleRows(rows, picture.Width(), picture.Height(), other, nullptr, kernel));
        for (int32_t y = 0; y < height; ++y) {
            const int64_t offset = int64_t{y} * best.BytesPerScanLine();
            Check(std::memcmp(best.DIBSectionBitsPtr() + offset, other.DIBSectionBitsPtr() + offset,
                              3 * size_t(width)) == 0);
        }
    }
}

// A format's decoder over outside bytes: every row of a picture that is not too large to
// keep the fuzzer fast, then its metadata into a copy; its header reader agrees on the size.
int FuzzFormat(ImageFormat format, bool (*readHeader)(std::string_view, ImageHeader&),
               const uint8_t* data, size_t size) {
    const std::string_view bytes = Bytes(data, size);
    const std::unique_ptr<ImageDecoder> decoder = MakeDecoder(format);
    ImageHeader header;
    const bool headed = readHeader(bytes, header);
    if (!decoder->Open(bytes)) return 0;
    Check(decoder->Width() > 0 && decoder->Height() > 0);
    Check(headed && header.width == decoder->Width() && header.height == decoder->Height());
    if (int64_t{decoder->Width()} * decoder->Height() > (1 << 22)) return 0;
    std::vector<uint8_t> row(3 * size_t(decoder->Width()));
    for (int32_t y = 0; y < decoder->Height(); ++y)
        if (!decoder->ReadRow(y, row.data())) return 0;
    if (!decoder->Finish()) return 0;
    const SourceMetadata metadata = decoder->Metadata();
    ExifTransfer exif;
    exif.ReadMetadata(metadata.exif, metadata.icc, metadata.orientation, metadata.upright);
    exif.SetExifImageSize(800, 600);
    std::string copy = "\xFF\xD8\xFF\xD9";
    Check(exif.InsertSegments(copy, true));
    Check(copy.size() >= 4 && copy.compare(copy.size() - 2, 2, "\xFF\xD9") == 0);
    return 0;
}

}  // namespace

int FuzzExif(const uint8_t* data, size_t size) {
    ExifTransfer exif;
    const bool found = exif.ReadExifBytes(Bytes(data, size));
    Check(found == !exif.ExifData.empty());
    // The location leaves every byte in its place, and leaves no pointer to it.
    if (size > 0 && data[size - 1] % 2 == 0) {
        const size_t before = exif.ExifData.size();
        exif.RemoveLocation();
        Check(exif.ExifData.size() == before && !exif.HasLocation());
    }
    exif.SetExifImageSize(800, 600);
    std::string copy = "\xFF\xD8\xFF\xD9";
    Check(exif.InsertSegments(copy, true));
    Check(copy.size() >= 4 && copy.compare(copy.size() - 2, 2, "\xFF\xD9") == 0);
    return 0;
}

int FuzzLoad(const uint8_t* data, size_t size) {
    cDIBSection dib;
    if (LoadImageFromMemory(dib, Bytes(data, size))) {
        Check(dib.Width() > 0 && dib.Height() > 0 && dib.DIBSectionBitsPtr() != nullptr);
        // Shrunk by odd ratios and grown: the integer kernel where it may, the double one
        // elsewhere, the very same bytes (on small pictures, to keep the fuzzer fast).
        if (int64_t{dib.Width()} * dib.Height() > (1 << 16)) return 0;
        const int32_t ratio = 2 + data[size - 1] % 7;
        CheckKernelsAgree(dib, std::max(1, dib.Width() * 2 / ratio),
                          std::max(1, dib.Height() * 3 / (ratio + 1)));
        CheckKernelsAgree(dib, dib.Width() + 1 + data[size - 1] % 3, dib.Height() + 1);
    }
    return 0;
}

int FuzzPng(const uint8_t* data, size_t size) {
    return FuzzFormat(ImageFormat::Png, ReadPngHeader, data, size);
}
int FuzzWebp(const uint8_t* data, size_t size) {
    return FuzzFormat(ImageFormat::Webp, ReadWebpHeader, data, size);
}
int FuzzTiff(const uint8_t* data, size_t size) {
    return FuzzFormat(
        ImageFormat::Tiff,
        [](std::string_view bytes, ImageHeader& header) {
            return ReadTiffHeader(MemoryBytes(bytes), header);
        },
        data, size);
}
int FuzzHeif(const uint8_t* data, size_t size) {
    return FuzzFormat(
        ImageFormat::Heif,
        [](std::string_view bytes, ImageHeader& header) {
            return ReadHeifHeader(MemoryBytes(bytes), header);
        },
        data, size);
}

int FuzzFilters(const uint8_t* data, size_t size) {
    const std::string_view all = Bytes(data, size);
    const size_t split = all.find('\0');
    const std::string_view name = all.substr(0, split);
    const std::string_view filters = split == all.npos ? "*" : all.substr(split + 1);
    const bool matched = MatchesFilters(name, filters);
    // A list matches when one of its patterns does, however often they come. (An empty
    // list holds no pattern at all, while ";" holds two empty ones.)
    if (!filters.empty()) {
        Check(MatchesFilters(name, std::string(filters) + ";" + std::string(filters)) == matched);
    }
    return 0;
}

int FuzzNumber(const uint8_t* data, size_t size) {
    const std::string text(Bytes(data, size));
    const double value = NumericValue(text);
    Check(!std::isnan(value));
    if (const auto side = ParseBoundingSide(text)) Check(*side >= 1 && *side <= 32767);
    return 0;
}

int FuzzCommandLine(const uint8_t* data, size_t size) {
    std::vector<std::string> arguments;
    const std::string text(Bytes(data, size));
    for (size_t start = 0; start <= text.size();) {
        const size_t end = std::min(text.find('\0', start), text.size());
        arguments.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    const CommandLine line = ParseCommandLine(arguments);
    if (line.error.empty() && !line.folder.empty()) {
        Check(std::find(arguments.begin(), arguments.end(), line.folder) != arguments.end());
    }
    if (line.error.empty() && line.mode == CommandLine::Mode::Resize) Check(!line.folder.empty());
    return 0;
}

int FuzzStore(const uint8_t* data, size_t size) {
    const QByteArray text(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QSettings::SettingsMap parsed = ParseStoreText(text);
    Check(ParseStoreText(FormatStoreText(parsed)) == parsed);
    return 0;
}

int FuzzRecord(const uint8_t* data, size_t size) {
    for (const RecordEntry& entry : ParseRecord(Bytes(data, size))) {
        const std::vector<RecordEntry> again = ParseRecord(FormatRecordEntry(entry));
        Check(again.size() == 1);
        Check(again[0].name == entry.name && again[0].size == entry.size &&
              again[0].modifiedNs == entry.modifiedNs && again[0].checksum == entry.checksum);
    }
    for (const ParkedCopy& parked : ParseParkedCopies(Bytes(data, size))) {
        const std::vector<ParkedCopy> again = ParseParkedCopies(FormatParkedCopy(parked));
        Check(again.size() == 1);
        Check(again[0].parked == parked.parked && again[0].name == parked.name);
    }
    return 0;
}

Target TargetNamed(const std::string& name) {
    if (name == "exif") return FuzzExif;
    if (name == "load") return FuzzLoad;
    if (name == "png") return FuzzPng;
    if (name == "webp") return FuzzWebp;
    if (name == "tiff") return FuzzTiff;
    if (name == "heif") return FuzzHeif;
    if (name == "filters") return FuzzFilters;
    if (name == "number") return FuzzNumber;
    if (name == "store") return FuzzStore;
    if (name == "commandLine") return FuzzCommandLine;
    if (name == "record") return FuzzRecord;
    return nullptr;
}

}  // namespace pixtrim::fuzz
