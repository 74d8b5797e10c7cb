#include "batch/ImageJob.h"

#include <algorithm>
#include <thread>
#include <tuple>
#include <utility>

#include "batch/ImageSelection.h"
#include "batch/OutputRecord.h"
#include "batch/SizeRule.h"
#include "codec/ImageDecoder.h"
#include "codec/JpegCodec.h"
#include "exif/Exif.h"
#include "tools/Language.h"

namespace pixtrim {

JobSettings JobSettingsFrom(const Settings& settings, int32_t boxWidth, int32_t boxHeight) {
    JobSettings job;
    job.boxWidth = boxWidth;
    job.boxHeight = boxHeight;
    job.keepExif = settings.KeepExif;
    job.keepLocation = settings.KeepLocation;
    job.insertCopyright = settings.InsertCopyright;
    job.copyrightText = settings.CopyrightText;
    job.copyrightPlace = settings.CopyrightPlace <= 3 ? CopyrightPlace(settings.CopyrightPlace)
                                                      : CopyrightPlace::BottomRight;
    job.copyrightSize = CopyrightSize(std::min<uint8_t>(settings.CopyrightSize, 2));
    job.copyrightTransparent = settings.CopyrightTransparent;
    job.copyrightOutline = settings.CopyrightOutline;
    job.copyrightColors = settings.CopyrightColor >= 0 && settings.CopyrightColor <= 4
                              ? CopyrightColors(settings.CopyrightColor)
                              : CopyrightColors::WhiteOnBlack;
    job.copyrightFont = settings.CopyrightFont;
    return job;
}

namespace {

// Holds the job's share of the budget from Take to the end of the job, or passes its turn.
class BudgetShare {
public:
    explicit BudgetShare(JobTurn turn) : turn_(turn) {}
    ~BudgetShare() {
        if (!turn_.budget) return;
        if (taken_) {
            turn_.budget->Release(bytes_);
        } else {
            turn_.budget->Pass(turn_.index);
        }
    }
    BudgetShare(const BudgetShare&) = delete;
    BudgetShare& operator=(const BudgetShare&) = delete;

    bool Take(uint64_t bytes) {
        bytes_ = bytes;
        taken_ = !turn_.budget || turn_.budget->Acquire(turn_.index, bytes);
        return taken_;
    }
    void Return() {
        if (turn_.budget && taken_) turn_.budget->Release(std::exchange(bytes_, 0));
    }

private:
    JobTurn turn_;
    uint64_t bytes_ = 0;
    bool taken_ = false;
};

}  // namespace

uint64_t JobMemoryNeeds(std::string_view bytes, const JobSettings& settings) {
    return JobMemoryNeeds(MemoryBytes(bytes), settings);
}

uint64_t JobMemoryNeeds(const FileBytes& file, const JobSettings& settings) {
    ImageHeader header;
    // A picture the decoder refuses at once holds nothing more than its file.
    if (!ReadImageHeader(file, header) || PictureRefusal(header.width, header.height)) {
        return file.Size();
    }
    int32_t width = header.width;
    int32_t height = header.height;
    // The source is streamed: libjpeg's row groups and the two rows the resampler reads,
    // generously 32 rows; a format decoded whole adds its picture (decoderBytes).
    const uint64_t source = uint64_t(StrideForWidth(width)) * 32;
    FitImageSize(width, height, settings.boxWidth, settings.boxHeight);
    return file.Size() + source + header.decoderBytes +
           uint64_t(StrideForWidth(width)) * uint64_t(height);
}

namespace {

// The preview's sampling: the size PreviewSize gives, times up to 4 where the source
// allows; the larger sample is averaged down afterwards (AverageBlocks).
int32_t PreviewFactor(int32_t previewWidth, int32_t previewHeight, int32_t sourceWidth,
                      int32_t sourceHeight) {
    int32_t factor = 1;
    while (factor < 4 && (factor + 1) * previewWidth <= sourceWidth &&
           (factor + 1) * previewHeight <= sourceHeight) {
        ++factor;
    }
    return factor;
}

// The size `sizes` gives for the picture as it is seen, as stored: the preview's rows are
// the stored ones, turned only where they are shown.
std::pair<int32_t, int32_t> StoredPreviewSize(const JobSettings::PreviewSizer& sizes, int32_t width,
                                              int32_t height, int orientation) {
    if (!QuarterTurned(orientation)) return sizes(width, height);
    const auto [seenWidth, seenHeight] = sizes(height, width);
    return {seenHeight, seenWidth};
}

// The orientation the copy of a picture carries, which viewers apply: its EXIF's (or a
// TIFF's own tag); none for a HEIF, whose decoder has turned it already.
int CarriedOrientation(const ImageDecoder& source) {
    const SourceMetadata metadata = source.Metadata();
    ExifTransfer exif;
    exif.ReadMetadata(metadata.exif, {}, metadata.orientation, metadata.upright);
    return exif.Orientation();
}

// The preview's buffer for a preview of `size`, sampled `factor` times larger where a
// picture of sampledWidth x sampledHeight allows; nullptr when it cannot be made.
cDIBSection* StartPreview(std::pair<int32_t, int32_t> size, int32_t sampledWidth,
                          int32_t sampledHeight, cDIBSection& preview, int32_t& factor) {
    factor = PreviewFactor(size.first, size.second, sampledWidth, sampledHeight);
    return preview.Create(size.first * factor, size.second * factor) ? &preview : nullptr;
}

// The sampled preview averaged down to its size.
void FinishPreview(cDIBSection& preview, int32_t factor) {
    if (factor == 1) return;
    cDIBSection large;
    large.Swap(preview);
    if (preview.Create(large.Width() / factor, large.Height() / factor)) {
        AverageBlocks(large, preview, factor);
    }
}

// Decodes `bytes` row by row into `fitted` and, when the settings ask for one, the
// preview, in one pass: the source is never stored. A JPEG's orientation is `jpegExif`'s
// (null for other formats). The step that failed, or Done.
JobStep DecodeAndFit(ImageDecoder& source, std::string_view bytes, const JobSettings& settings,
                     const ExifTransfer* jpegExif, JobResult& result, cDIBSection& fitted) {
    const auto decodeFailed = [&] {
        const DecodeReport report = source.Report();
        result.reason = report.error;
        result.warning = report.warning;
        return JobStep::Decode;
    };
    if (!source.Open(bytes)) return decodeFailed();
    result.sourceWidth = source.Width();
    result.sourceHeight = source.Height();
    int32_t width = source.Width();
    int32_t height = source.Height();
    FitImageSize(width, height, settings.boxWidth, settings.boxHeight);
    if (!fitted.Create(width, height)) return JobStep::Resample;
    // The preview, before the copyright, comes from the copy's picture when that holds its
    // whole sample (the decoder then reads only the rows the copy needs: a second walk over
    // the source read rows of its own, a tenth of a window's run); else from the same rows.
    int32_t factor = 1;
    cDIBSection* preview = nullptr;
    std::pair<int32_t, int32_t> previewSize;
    bool fromCopy = false;
    if (settings.previewSize) {
        const int orientation = jpegExif ? jpegExif->Orientation() : CarriedOrientation(source);
        previewSize =
            StoredPreviewSize(settings.previewSize, source.Width(), source.Height(), orientation);
        fromCopy = width >= 4 * previewSize.first && height >= 4 * previewSize.second;
        if (!fromCopy)
            preview =
                StartPreview(previewSize, source.Width(), source.Height(), result.preview, factor);
    }
    if (!ResampleRows(source, source.Width(), source.Height(), fitted, preview) ||
        !source.Finish()) {
        return decodeFailed();
    }
    if (fromCopy) {
        preview = StartPreview(previewSize, width, height, result.preview, factor);
        BufferRows rows(fitted);
        if (preview) ResampleRows(rows, width, height, result.preview);
    }
    if (preview) FinishPreview(result.preview, factor);
    result.warning = source.Report().warning;
    return JobStep::Done;
}

}  // namespace

namespace {

// An opened file as the header readers read it.
class OpenFileBytes : public FileBytes {
public:
    explicit OpenFileBytes(const OpenFile& file) : file_(file) {}
    uint64_t Size() const override { return file_.Size(); }
    size_t ReadAt(uint64_t offset, void* into, size_t count) const override {
        return file_.ReadAt(offset, into, count);
    }

private:
    const OpenFile& file_;
};

// Opens the file `name` (only a regular file: a FIFO or a device in its place is
// unreadable), holds what its job needs, its bytes included, once the budget grants it,
// then reads it whole, once. The step that failed, or Done.
JobStep ReadSource(const HeldFolder& folder, const std::string& name, const JobSettings& settings,
                   BudgetShare& share, std::string& bytes, JobResult& result) {
    std::string& reason = result.reason;
    OpenFile file;
    if (const IoOutcome opened = folder.OpenRegularFile(name, file); !opened) {
        reason = opened.error == EINVAL ? Tr("ce n'est pas un fichier ordinaire") : opened.Reason();
        return JobStep::Read;
    }
    if (file.Size() > kMaxFileBytes) {
        reason = IoOutcome{EFBIG}.Reason();
        return JobStep::Read;
    }
    result.sourceModifiedNs = file.ModifiedNs();
    const uint64_t needs = JobMemoryNeeds(OpenFileBytes(file), settings);
    if (settings.memoryLimit > 0 && needs > settings.memoryLimit) {
        reason = Arg(Tr("l'image demande %1 Mo de mémoire, plus que cette machine n'en a"),
                     {std::to_string(needs >> 20)});
        return JobStep::Decode;
    }
    if (!share.Take(needs)) return JobStep::Decode;
    if (const IoOutcome read = file.ReadAll(bytes); !read) {
        reason = read.Reason();
        return JobStep::Read;
    }
    return JobStep::Done;
}

// Makes the copy of the file in `bytes` into `result`. The step that failed, or Done.
JobStep MakeCopy(std::string_view bytes, const JobSettings& settings, BudgetShare& share,
                 JobResult& result) {
    // Read whatever the option: the color profile and orientation travel in any case.
    const ImageFormat format = SniffImageFormat(bytes.substr(0, kFormatHeadBytes));
    const bool jpeg = format == ImageFormat::Jpeg || format == ImageFormat::Unknown;
    ExifTransfer exif;
    bool keepExif = jpeg && exif.ReadExifBytes(bytes) && settings.keepExif;
    // The copy's picture lives as long as the job: a result that waits for its turn to be
    // committed holds only the encoded copy and the preview.
    cDIBSection fitted;
    const std::unique_ptr<ImageDecoder> source = MakeDecoder(format, {settings.decoderThreads});
    if (const JobStep step =
            DecodeAndFit(*source, bytes, settings, jpeg ? &exif : nullptr, result, fitted);
        step != JobStep::Done) {
        return step;
    }
    if (!jpeg) {
        const SourceMetadata metadata = source->Metadata();
        keepExif = exif.ReadMetadata(metadata.exif, metadata.icc, metadata.orientation,
                                     metadata.upright) &&
                   settings.keepExif;
        if (settings.keepExif) result.exifLeftOut = exif.ExifTooLarge();
    }
    result.orientation = exif.Orientation();
    share.Return();
    if (settings.insertCopyright &&
        !fitted.AddTextOverPicture(settings.copyrightText, settings.copyrightPlace,
                                   CopyrightFactor(settings.copyrightSize),
                                   settings.copyrightTransparent, settings.copyrightOutline,
                                   settings.copyrightColors, settings.copyrightFont)) {
        return JobStep::Overlay;
    }
    if (keepExif && !settings.keepLocation) exif.RemoveLocation();
    if (keepExif) exif.SetExifImageSize(fitted.Width(), fitted.Height());
    if (!SaveJPGToMemory(fitted, result.copy, settings.quality) ||
        !exif.InsertSegments(result.copy, keepExif)) {
        return JobStep::Encode;
    }
    // Here rather than at the commit: the window's thread has enough to do.
    result.checksum = Checksum(result.copy);
    return JobStep::Done;
}

}  // namespace

JobResult RunImageJob(const HeldFolder& folder, const std::string& name,
                      const JobSettings& settings, JobTurn turn) {
    JobResult result;
    BudgetShare share(turn);
    // Memory refused anywhere in the job is this file's failure, never the run's.
    try {
        std::string bytes;
        JobStep step = ReadSource(folder, name, settings, share, bytes, result);
        if (step == JobStep::Done) step = MakeCopy(bytes, settings, share, result);
        result.step = step;
    } catch (const std::bad_alloc&) {
        result = JobResult();
        result.step = JobStep::Decode;
        result.reason = Tr(kNoMemory);
    }
    return result;
}

bool DecodePreview(std::string_view bytes, const JobSettings::PreviewSizer& sizes,
                   cDIBSection& preview, int32_t& width, int32_t& height, int& orientation) {
    preview.ClearUp();
    ImageHeader header;
    if (!sizes || !ReadImageHeader(bytes, header) || PictureRefusal(header.width, header.height)) {
        return false;
    }
    // The preview is sampled at up to 4 times its size, and the decoder asked for no more: a
    // photo's DCT scaled down; a HEIF's thumbnail once it is as large as the preview (its
    // tiles are slow, and the window waits: they may use every core). A JPEG's orientation
    // is known before its decoder opens, the other formats' once it has.
    const ImageFormat format = SniffImageFormat(bytes.substr(0, kFormatHeadBytes));
    const bool jpeg = format == ImageFormat::Jpeg || format == ImageFormat::Unknown;
    ExifTransfer exif;
    orientation = jpeg && exif.ReadExifBytes(bytes) ? exif.Orientation() : 0;
    auto [previewWidth, previewHeight] =
        StoredPreviewSize(sizes, header.width, header.height, orientation);
    int32_t factor = format == ImageFormat::Heif
                         ? 1
                         : PreviewFactor(previewWidth, previewHeight, header.width, header.height);
    DecodeOptions options;
    options.threads = int(std::thread::hardware_concurrency());
    options.atLeastWidth = previewWidth * factor;
    options.atLeastHeight = previewHeight * factor;
    const std::unique_ptr<ImageDecoder> source = MakeDecoder(format, options);
    if (!source->Open(bytes)) return false;
    if (!jpeg) {
        orientation = CarriedOrientation(*source);
        std::tie(previewWidth, previewHeight) =
            StoredPreviewSize(sizes, header.width, header.height, orientation);
    }
    if (!StartPreview({previewWidth, previewHeight}, source->Width(), source->Height(), preview,
                      factor) ||
        !ResampleRows(*source, source->Width(), source->Height(), preview) || !source->Finish()) {
        preview.ClearUp();
        return false;
    }
    FinishPreview(preview, factor);
    width = header.width;
    height = header.height;
    return true;
}

}  // namespace pixtrim
