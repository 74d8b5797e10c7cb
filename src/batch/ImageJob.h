// The work on one image of a run, as a pure job: the source read once from the held image
// folder, decoded, fitted into the box, optionally written on, encoded, and finished in
// memory with its EXIF and color profile. No window call, no shared state, no file
// written: the run commits the answers in listing order. Safe to run on any thread, many
// jobs at once.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "batch/MemoryBudget.h"
#include "codec/ImageDecoder.h"
#include "image/cDIBSection.h"
#include "settings/Settings.h"
#include "tools/HeldFolder.h"

namespace pixtrim {

inline constexpr int32_t kJpegQuality = 80;

// What a job needs of the settings, copied once per run: the window may change meanwhile.
struct JobSettings {
    int32_t boxWidth = 0;
    int32_t boxHeight = 0;
    bool keepExif = false;
    bool keepLocation = true;  // the carried EXIF keeps its GPS IFD
    bool insertCopyright = false;
    std::string copyrightText;
    CopyrightPlace copyrightPlace = CopyrightPlace::BottomRight;
    CopyrightSize copyrightSize = CopyrightSize::Medium;
    bool copyrightTransparent = true;
    bool copyrightOutline = false;
    CopyrightColors copyrightColors = CopyrightColors::WhiteOnBlack;
    std::string copyrightFont;
    // A job whose decode would need more than this is refused (0: no limit).
    uint64_t memoryLimit = 0;
    int32_t quality = kJpegQuality;
    // Threads a decoder library may start for one picture (libheif's tiles); 0: none.
    int decoderThreads = 0;
    // The preview's size for a picture's size as seen (called on the worker); empty: none.
    using PreviewSizer = std::function<std::pair<int32_t, int32_t>(int32_t, int32_t)>;
    PreviewSizer previewSize;
};

// The snapshot of `settings` for a box of boxWidth x boxHeight. The stored numbers become
// the named choices here; a number without a name takes what the overlay draws for it
// (bottom right, white on black) or, for the size, large.
JobSettings JobSettingsFrom(const Settings& settings, int32_t boxWidth, int32_t boxHeight);

// The step at which a job stopped; Done when the copy is finished.
enum class JobStep { Done, Read, Decode, Resample, Overlay, Encode };

struct JobResult {
    JobStep step = JobStep::Done;
    std::string reason;            // why the step failed (the system's or the decoder's words)
    std::string warning;           // what libjpeg said of a damaged source that still decoded
    size_t exifLeftOut = 0;        // the size of an EXIF block too large for the copy, left out
    std::string copy;              // the whole copy file, when Done
    uint64_t checksum = 0;         // the record's checksum of `copy`
    int64_t sourceModifiedNs = 0;  // the source file's modification time
    int32_t sourceWidth = 0;       // the source's stored size, once decoded
    int32_t sourceHeight = 0;
    int orientation = 0;  // what the copy carries (1 to 8; 0 for none), which viewers apply
    cDIBSection preview;  // the source at the preview's size, made in the same pass
};

// What the decode of `bytes`, an image file, will hold at once, fitted into the box: the
// file, the rows being decoded, what its decoder holds besides (libjpeg's coefficient
// buffers, the whole picture of a format decoded at once) and the copy's picture.
uint64_t JobMemoryNeeds(std::string_view bytes, const JobSettings& settings);
// The same for a file not read yet, read in pieces for its header.
uint64_t JobMemoryNeeds(const FileBytes& file, const JobSettings& settings);

// The job's place in the run's memory budget: its index in listing order (each index
// once), or no budget at all.
struct JobTurn {
    MemoryBudget* budget = nullptr;
    uint64_t index = 0;
};

// Makes the copy of the image `name` of `folder`, holding the memory it needs (its file's
// bytes included: the file is read once the budget grants them) only once the budget grants
// it. Memory refused on the way is this image's failure ("mémoire insuffisante").
JobResult RunImageJob(const HeldFolder& folder, const std::string& name,
                      const JobSettings& settings, JobTurn turn = {});

// True for the orientations (5 to 8) viewers show a quarter turned: a picture stored width x
// height is seen height x width.
inline bool QuarterTurned(int orientation) { return orientation >= 5 && orientation <= 8; }

// The preview of the image file in `bytes`, whatever its format, as a run's job makes it:
// `preview` at the size `sizes` gives for the picture, which is width x height as stored and
// is shown turned by `orientation` (as a run's copy carries it). False, with `preview`
// empty, when the file cannot be decoded. For the window's click, on its thread.
bool DecodePreview(std::string_view bytes, const JobSettings::PreviewSizer& sizes,
                   cDIBSection& preview, int32_t& width, int32_t& height, int& orientation);

}  // namespace pixtrim
