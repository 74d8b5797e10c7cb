#include "batch/ImageJob.h"

#include <algorithm>

#include "batch/ImageSelection.h"
#include "codec/JpegCodec.h"
#include "exif/Exif.h"

namespace pixtrim {

double CopyrightFactor(CopyrightSize size) {
    switch (size) {
        case CopyrightSize::Small:
            return 0.6;
        case CopyrightSize::Medium:
            return 0.8;
        default:
            return 1.0;
    }
}

JobSettings JobSettingsFrom(const Settings& settings, int32_t boxWidth, int32_t boxHeight) {
    JobSettings job;
    job.boxWidth = boxWidth;
    job.boxHeight = boxHeight;
    job.keepExif = settings.KeepExif;
    job.insertCopyright = settings.InsertCopyright;
    job.copyrightText = settings.CopyrightText;
    job.copyrightPlace = settings.CopyrightPlace <= 3 ? CopyrightPlace(settings.CopyrightPlace)
                                                      : CopyrightPlace::BottomRight;
    job.copyrightSize = CopyrightSize(std::min<uint8_t>(settings.CopyrightSize, 2));
    job.copyrightTransparent = settings.CopyrightTransparent;
    job.copyrightOutline = settings.CopyrightOutline;
    job.copyrightColours = settings.CopyrightColor >= 0 && settings.CopyrightColor <= 4
                               ? CopyrightColours(settings.CopyrightColor)
                               : CopyrightColours::WhiteOnBlack;
    job.copyrightFont = settings.CopyrightFont;
    return job;
}

JobResult RunImageJob(const HeldFolder& folder, const std::string& name,
                      const JobSettings& settings) {
    JobResult result;
    const auto stop = [&](JobStep step) {
        result.step = step;
        return std::move(result);
    };
    // Read once, and only a regular file: a FIFO or a device in its place is unreadable.
    std::string bytes;
    if (!folder.ReadRegularFile(name, bytes)) return stop(JobStep::Read);
    // Read whatever the option: the colour profile and orientation travel in any case.
    ExifTransfer exif;
    const bool keepExif = exif.ReadExifBytes(bytes) && settings.keepExif;
    cDIBSection source;
    if (!LoadJPGFromMemory(source, bytes)) return stop(JobStep::Decode);
    bytes = std::string();  // the source's file is not needed any more
    result.sourceWidth = source.Width();
    result.sourceHeight = source.Height();
    int32_t width = source.Width();
    int32_t height = source.Height();
    FitImageSize(width, height, settings.boxWidth, settings.boxHeight);
    if (!source.Resample(result.fitted, height, width)) return stop(JobStep::Resample);
    source.ClearUp();
    if (settings.insertCopyright &&
        !result.fitted.AddTextOverPicture(settings.copyrightText, settings.copyrightPlace,
                                          CopyrightFactor(settings.copyrightSize),
                                          settings.copyrightTransparent, settings.copyrightOutline,
                                          settings.copyrightColours, settings.copyrightFont)) {
        return stop(JobStep::Overlay);
    }
    if (keepExif) exif.SetExifImageSize(width, height);
    if (!SaveJPGToMemory(result.fitted, result.copy, kJpegQuality) ||
        !exif.InsertSegments(result.copy, keepExif)) {
        return stop(JobStep::Encode);
    }
    return result;
}

}  // namespace pixtrim
