// The batch run: every image of the chosen folder that matches the stored filters is
// decoded, fitted into the bounding size, optionally written on, encoded at quality 80 and
// saved as a JPEG in the output sub-folder (under its own name, or for another format its
// name made a JPEG's: ImageSelection.h), where the earlier copies are deleted.
// Messages and the end of the program go through the host. Runs on the window's thread,
// which commits the images in listing order while a pool of workers makes them (see
// ImageJob.h); a press of the Generate button during a run is ignored.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "batch/BatchHost.h"
#include "batch/ImageJob.h"
#include "batch/OutputFolder.h"
#include "settings/Settings.h"
#include "tools/HeldFolder.h"

namespace pixtrim {

class JpegResize {
public:
    JpegResize(Settings& settings, BatchHost& host) : settings_(settings), host_(host) {}

    void ResizeFolder();

    // Shows that the folder `path` could not be prepared, and why (the run ends, the
    // program stays open).
    void ReportPreparationFailure(const std::string& path, const std::string& reason);

    // Worker threads for the next run; 0 takes RunThreads() (PIXTRIM_THREADS, or the cores).
    int Threads = 0;
    // The memory its jobs may hold at once; 0 takes RunMemoryBudget() (PIXTRIM_MEMORY_MB, or
    // a quarter of the machine's). After a run: the most its jobs held at once.
    uint64_t MemoryBudgetBytes = 0;
    uint64_t PeakMemory = 0;
    // The command line's choices (the window keeps the defaults): a file that fails is
    // named and passed over; a damaged source copied anyway is named; the copies' quality.
    bool KeepGoing = false;
    bool ReportWarnings = false;
    // After a run: the damaged sources copied as they could be read, each name with its
    // decoder's words.
    std::vector<std::pair<std::string, std::string>> Damaged;
    int32_t Quality = kJpegQuality;
    // After a run: how many images were passed over.
    int32_t Failures = 0;
    // Where the copies go instead of the image folder's output sub-folder: a whole path,
    // made with its parents when missing (empty: the sub-folder).
    std::string IntoFolder;
    // Nothing is written: the run says through the host (ShowPlan) what it would delete and
    // write, and stops there.
    bool DryRun = false;
    // After a dry run: the names held by files the program did not write, which would stop
    // the run.
    int32_t ForeignCount = 0;
    // The output folder's rules, for tests that step between them (OutputFolder's hooks).
    OutputFolder& Output() { return output_; }

    std::vector<std::string> ImageNames;
    // The name of each image's copy (ImageSelection.h), in the same order.
    std::vector<std::string> CopyNames;
    int32_t ImageCount = 0;
    int32_t ProgressTotal = 0;
    int32_t ProgressDone = 0;

private:
    bool PrepareImageFolder();
    bool PrepareOutputFolder();
    // Answers the output folder's name in the folder it lies in, and holds that folder in
    // `parent` when it is IntoFolder's (made with its parents when missing); the image folder
    // is held already.
    bool HoldOutputParent(HeldFolder& parent, std::string& name);
    bool ClearOwnCopies(const HeldFolder& parent, const std::string& name);
    void ShowPlan();
    // Says where each file set aside went, when it was not a copy and its name was taken.
    void SayRecovered(const std::vector<std::string>& names);
    void ResizeAllImages();
    // What each job of a run on `threads` workers makes.
    JobSettings RunJobSettings(int threads);
    // Commits one image's answer: preview, then the copy written, or the fatal message.
    bool CommitImage(const std::string& name, const std::string& copyName, const JobResult& result);
    // Says once, after a run, which damaged sources it copied as they could be read (where
    // each one is not said as it comes).
    void SayDamaged();

    bool CheckBoundingSize();
    bool CheckOutputFolderName();
    void Fatal(const std::string& prefix, const std::string& path, const std::string& reason);
    // A failed image: the fatal message, or with KeepGoing the file named and passed over.
    // True when the run goes on.
    bool Fail(const std::string& prefix, const std::string& path, const std::string& reason);
    std::string OutputPath() const;
    uint8_t ProgressPercent() const;

    Settings& settings_;
    BatchHost& host_;
    bool running_ = false;
    HeldFolder imageFolder_;
    OutputFolder output_;
    int32_t boxWidth_ = 0;
    int32_t boxHeight_ = 0;
    // What decoding each image costs, as listed: it orders the jobs' start.
    std::vector<uint64_t> costs_;
};

}  // namespace pixtrim
