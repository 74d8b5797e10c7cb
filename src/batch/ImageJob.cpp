#include "batch/ImageJob.h"

#include "batch/ImageSelection.h"
#include "codec/JpegCodec.h"
#include "exif/Exif.h"

namespace pixtrim {

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
        !result.fitted.AddTextOverPicture(
            settings.copyrightText, settings.copyrightPlace, settings.copyrightFactor,
            settings.copyrightTransparent, settings.copyrightOutline, settings.copyrightColor,
            settings.copyrightFont)) {
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
