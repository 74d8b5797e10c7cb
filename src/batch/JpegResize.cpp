#include "batch/JpegResize.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <future>

#include "batch/ImageSelection.h"
#include "batch/OutputRecord.h"
#include "batch/SizeRule.h"
#include "batch/WorkerPool.h"
#include "tools/Language.h"
#include "tools/Tools.h"

namespace pixtrim {
namespace {

const char kOpenError[] = QT_TRANSLATE_NOOP("pixtrim", "Erreur à l'ouverture de ");
const char kCopyrightError[] =
    QT_TRANSLATE_NOOP("pixtrim", "Erreur lors de l'insertion du copyright à ");
const char kDamaged[] =
    QT_TRANSLATE_NOOP("pixtrim", "Image abîmée, copiée telle qu'elle a pu être lue : ");
const char kExifLeftOut[] =
    QT_TRANSLATE_NOOP("pixtrim", "Données EXIF trop grandes pour la copie, laissées de côté : ");
const char kRecovered[] = QT_TRANSLATE_NOOP(
    "pixtrim", "Un fichier mis de côté n'était pas une copie ; il est gardé sous le nom ");

}  // namespace

void JpegResize::ResizeFolder() {
    if (running_) return;
    running_ = true;
    Damaged.clear();
    host_.ReadSettingsFromWindow();
    host_.SaveConfiguration();
    host_.ShowProgressBar();
    // Nothing unexpected may end the program or cross the window's event loop.
    try {
        if (CheckBoundingSize() && (!IntoFolder.empty() || CheckOutputFolderName()) &&
            PrepareImageFolder()) {
            host_.ApplySettingsToWindow();
            if (PrepareOutputFolder()) ResizeAllImages();
        }
    } catch (const std::exception& error) {
        ReportPreparationFailure(settings_.ImageFolder, error.what());
    }
    imageFolder_ = HeldFolder();
    output_.Release();  // and with it the lock
    running_ = false;
    if (host_.QuitRequested()) return;
    host_.HideProgressBar();
    if (!ReportWarnings) SayDamaged();
}

void JpegResize::SayDamaged() {
    if (Damaged.empty()) return;
    constexpr size_t kNamed = 3;
    const size_t count = Damaged.size();
    std::string names;
    // Appended piece by piece: GCC 12 at -O3 takes a literal + a temporary string for an
    // overlapping copy (-Werror=restrict).
    for (size_t i = 0; i < count && i < kNamed; ++i) {
        if (i > 0) names += '\r';
        names += Arg(Tr("%1 : %2"), {Damaged[i].first, Damaged[i].second});
    }
    if (count > kNamed) {
        const std::string more = std::to_string(count - kNamed);
        names += '\r';
        names += Arg(count - kNamed == 1 ? Tr("et %1 autre") : Tr("et %1 autres"), {more});
    }
    host_.ShowMessage(
        {MessageIcon::Information,
         count == 1
             ? Tr("1 image abîmée a été copiée telle qu'elle a pu être lue :")
             : Arg(Tr("%1 images abîmées ont été copiées telles qu'elles ont pu être lues :"),
                   {std::to_string(count)}),
         "", names});
}

bool JpegResize::CheckBoundingSize() {
    const auto width = ParseBoundingSide(settings_.ImageWidth);
    const auto height = ParseBoundingSide(settings_.ImageHeight);
    if (width && height) {
        boxWidth_ = *width;
        boxHeight_ = *height;
        return true;
    }
    host_.ShowMessage({MessageIcon::Information, Tr("Taille maximale des images invalide : ") +
                                                     settings_.ImageWidth + " x " +
                                                     settings_.ImageHeight});
    return false;
}

bool JpegResize::CheckOutputFolderName() {
    const std::string& name = settings_.ResizedFolderName;
    const std::string trimmed = TrimBlanks(name);
    const bool control = std::any_of(name.begin(), name.end(),
                                     [](char c) { return static_cast<unsigned char>(c) < 0x20; });
    if (!trimmed.empty() && trimmed != "." && trimmed != ".." && !control &&
        name.find_first_of("/\\") == std::string::npos) {
        return true;
    }
    host_.ShowMessage(
        {MessageIcon::Information, Tr("Nom du sous-répertoire de sortie invalide : ") + name});
    return false;
}

bool JpegResize::PrepareImageFolder() {
    const std::string last = GetTextAfterLast(settings_.ImageFolder, "/");
    // From here on the folders are held: renaming them or swapping in a link meanwhile
    // cannot send a write or a delete anywhere else.
    IoOutcome opened = HeldFolder::Open(settings_.ImageFolder, imageFolder_);
    // The chosen folder is itself an output sub-folder: work on its parent.
    if (opened && last == settings_.ResizedFolderName) {
        settings_.ImageFolder = ParentFolder(settings_.ImageFolder);
        host_.ShowFolder(settings_.ImageFolder);
        opened = HeldFolder::Open(settings_.ImageFolder, imageFolder_);
    }
    if (!opened) {
        ReportPreparationFailure(settings_.ImageFolder, opened.Reason());
        return false;
    }
    // The run's current folder is the image folder while it is prepared, as the program
    // always did: stored relative names and the window's lists rely on it.
    ChangeCurrentFolder(settings_.ImageFolder);
    return true;
}

std::string JpegResize::OutputPath() const {
    return IntoFolder.empty() ? JoinPath(settings_.ImageFolder, settings_.ResizedFolderName)
                              : IntoFolder;
}

void JpegResize::ReportPreparationFailure(const std::string& path, const std::string& reason) {
    host_.ShowMessage(
        {MessageIcon::Critical, Tr("Impossible de préparer le répertoire "), path, reason});
}

bool JpegResize::HoldOutputParent(HeldFolder& parent, std::string& name) {
    name = settings_.ResizedFolderName;
    if (IntoFolder.empty()) return true;  // the image folder, held already
    const std::string folder = ParentFolder(IntoFolder);
    std::error_code made;
    if (!DryRun) std::filesystem::create_directories(folder, made);
    name = GetTextAfterLast(IntoFolder, "/");
    if (const IoOutcome opened = HeldFolder::Open(folder, parent); !opened) {
        ReportPreparationFailure(IntoFolder, made ? made.message() : opened.Reason());
        return false;
    }
    return true;
}

bool JpegResize::PrepareOutputFolder() {
    HeldFolder intoParent;
    std::string name;
    if (!HoldOutputParent(intoParent, name)) return false;
    const HeldFolder& parent = IntoFolder.empty() ? imageFolder_ : intoParent;
    // Locked before anything in it is tidied: one run per output folder.
    if (const IoOutcome held = output_.Hold(parent, name, imageFolder_); !held) {
        ReportPreparationFailure(OutputPath(), OutputFolder::HoldFailure(parent, name, held));
        return false;
    }
    // A folder that cannot be listed is a failure, not a folder without images.
    if (const IoOutcome listed = ListImages(settings_.ImageFilters, imageFolder_, ImageNames);
        !listed) {
        ReportPreparationFailure(settings_.ImageFolder, listed.Reason());
        return false;
    }
    if (host_.FileListCount() == 0) {
        if (!DryRun) output_.RemoveFolderIfEmpty(parent, name);
        host_.ShowMessage(
            {MessageIcon::Information, Tr("Il n'y a aucune image dans ce répertoire")});
        return false;
    }
    CopyNames = pixtrim::CopyNames(ImageNames, KeepOwnNames(imageFolder_, ImageNames, &costs_));
    if (DryRun) {
        ShowPlan();
        return false;
    }
    return ClearOwnCopies(parent, name);
}

void JpegResize::ShowPlan() {
    RunPlan plan;
    std::vector<std::string> deleted, foreign;
    if (const IoOutcome planned = output_.Plan(CopyNames, deleted, foreign); !planned) {
        ReportPreparationFailure(JoinPath(OutputPath(), kOutputRecordName),
                                 OutputFolder::FileFailure(planned));
        return;
    }
    for (const std::string& name : deleted) plan.deleted.push_back(JoinPath(OutputPath(), name));
    for (size_t i = 0; i < ImageNames.size(); ++i) {
        plan.written.emplace_back(JoinPath(settings_.ImageFolder, ImageNames[i]),
                                  JoinPath(OutputPath(), CopyNames[i]));
    }
    for (const std::string& name : foreign) plan.foreign.push_back(JoinPath(OutputPath(), name));
    ForeignCount = int32_t(foreign.size());
    host_.ShowPlan(plan);
}

// Deletes the copies of earlier runs that are still as written, and nothing else; stops
// the run, before anything changes, when a copy's name is held by a file not ours.
bool JpegResize::ClearOwnCopies(const HeldFolder& parent, const std::string& name) {
    std::vector<std::string> foreign, said;
    IoOutcome outcome = output_.ReadRecord(CopyNames, foreign, said);
    SayRecovered(said);
    if (outcome && !foreign.empty()) {
        ReportPreparationFailure(OutputPath(), ForeignFilesReason(foreign));
        return false;
    }
    said.clear();
    if (outcome && !output_.IsHeld()) outcome = output_.Make(parent, name, imageFolder_);
    if (outcome) outcome = output_.ClearOwnCopies(said);
    SayRecovered(said);
    if (!outcome && !output_.FailedFile().empty()) {
        ReportPreparationFailure(JoinPath(OutputPath(), output_.FailedFile()),
                                 OutputFolder::FileFailure(outcome));
    } else if (!outcome) {
        ReportPreparationFailure(OutputPath(), OutputFolder::HoldFailure(parent, name, outcome));
    }
    return bool(outcome);
}

void JpegResize::SayRecovered(const std::vector<std::string>& names) {
    for (const std::string& name : names) {
        host_.ShowMessage({MessageIcon::Warning, Tr(kRecovered), JoinPath(OutputPath(), name)});
    }
}

uint8_t JpegResize::ProgressPercent() const {
    const double share = double(int64_t{ProgressDone} * 100) / double(ProgressTotal);
    return static_cast<uint8_t>(std::nearbyint(share));
}

JobSettings JpegResize::RunJobSettings(int threads) {
    JobSettings job = JobSettingsFrom(settings_, boxWidth_, boxHeight_);
    job.memoryLimit = AvailableMemory();
    job.quality = Quality;
    job.previewSize = host_.PreviewSizes();
    // A HEIF's tiles may use the run's cores: its last photos, decoded alone, and its
    // workers waiting on one another's memory then keep every core at work (measured on
    // two cores: 0.53 to 0.59 of the one-core floor, against 0.60 to 0.63 with none).
    job.decoderThreads = threads > 1 ? threads : 0;
    return job;
}

void JpegResize::ResizeAllImages() {
    ImageCount = static_cast<int32_t>(ImageNames.size());
    // Back to the program's folder for the rest of the run (every later path is whole),
    // where it stays afterwards, as the program always left it.
    ChangeCurrentFolder(settings_.AppFolder);
    ProgressTotal = ImageCount;
    ProgressDone = 0;
    Failures = 0;

    // Jobs start on the pool costliest first within a window of the listing, so the run
    // does not end on one big photo decoding alone (measured on two cores: 0.53 to 0.54 of
    // the one-core floor, against 0.58 to 0.59 in listing order). Their answers are
    // committed here strictly in listing order, exactly as a run of one image at a time
    // would. At most `lead` answers exist at once; the decoded sources are bounded by the
    // pool's threads and the memory budget. The pool is declared last: it ends, and with
    // it every running job, before anything the jobs read.
    const int threads = Threads > 0 ? Threads : RunThreads();
    const JobSettings job = RunJobSettings(threads);
    const size_t lead = 4 * size_t(threads) + 4;
    // One thread gains nothing by another order.
    const std::vector<size_t> order = StartOrder(costs_, threads > 1 ? lead : 1);
    MemoryBudget budget(MemoryBudgetBytes > 0 ? MemoryBudgetBytes : RunMemoryBudget());
    std::vector<std::future<JobResult>> answers(ImageNames.size());
    size_t submitted = 0;
    WorkerPool pool(threads);
    // Declared after the pool, so it ends first: jobs that wait for memory are let go
    // before the pool waits for them.
    const struct CloseOnExit {
        MemoryBudget& budget;
        ~CloseOnExit() { budget.Close(); }
    } closeBudget{budget};
    for (size_t image = 0; image < ImageNames.size(); ++image) {
        // Every job before this image's in the order lies within `lead` of it.
        while (submitted < order.size() && order[submitted] < image + lead) {
            // Turns follow the start order, as the pool takes the jobs.
            const JobTurn turn{&budget, submitted};
            const std::string& next = ImageNames[order[submitted]];
            answers[order[submitted++]] = pool.Submit(
                [this, &job, &next, turn] { return RunImageJob(imageFolder_, next, job, turn); });
        }
        host_.ProcessEvents();
        if (host_.QuitRequested()) return;
        // The window stays alive while the answer is made.
        while (answers[image].wait_for(std::chrono::milliseconds(20)) !=
               std::future_status::ready) {
            host_.ProcessEvents();
            if (host_.QuitRequested()) return;
        }
        const JobResult result = answers[image].get();
        ++ProgressDone;
        host_.SetProgressBar(ProgressPercent());
        if (!CommitImage(ImageNames[image], CopyNames[image], result)) return;
    }
    host_.ProcessEvents();
    PeakMemory = budget.Peak();
    if (host_.QuitRequested()) return;
    ProgressDone = ProgressTotal;
    // A listing that found nothing has no percentage to show.
    if (ProgressTotal > 0) host_.SetProgressBar(ProgressPercent());
}

bool JpegResize::CommitImage(const std::string& name, const std::string& copyName,
                             const JobResult& result) {
    const std::string sourcePath = JoinPath(settings_.ImageFolder, name);
    host_.VisualizeCopy(sourcePath, result.preview, result.sourceWidth, result.sourceHeight,
                        result.orientation);
    const std::string outputPath = JoinPath(OutputPath(), copyName);
    if (result.step == JobStep::Done && !result.warning.empty()) {
        if (ReportWarnings)
            host_.ShowMessage({MessageIcon::Warning, Tr(kDamaged), sourcePath, result.warning});
        Damaged.emplace_back(name, result.warning);
    }
    if (ReportWarnings && result.step == JobStep::Done && result.exifLeftOut > 0) {
        host_.ShowMessage({MessageIcon::Warning, Tr(kExifLeftOut), sourcePath,
                           Arg(Tr("%1 octets, plus qu'un segment APP1 n'en peut porter (65527)"),
                               {std::to_string(result.exifLeftOut)})});
    }
    std::string reason = result.reason;
    switch (result.step) {
        case JobStep::Done: {
            // The whole copy is written once: it exists whole or not at all, is on the
            // record before it has its name, and never takes the place of another file.
            const IoOutcome written =
                output_.WriteCopy(copyName, result.copy, result.checksum,
                                  settings_.KeepDates ? result.sourceModifiedNs : kNoTime);
            if (written) return true;
            reason = written.Reason();
            return Fail(Tr(kOpenError), outputPath, reason);
        }
        case JobStep::Overlay:
            return Fail(Tr(kCopyrightError), sourcePath, reason);
        case JobStep::Encode:
            return Fail(Tr(kOpenError), outputPath, reason);
        case JobStep::Read:
        case JobStep::Decode:
        case JobStep::Resample:
            return Fail(Tr(kOpenError), sourcePath, reason);
    }
    return false;
}

bool JpegResize::Fail(const std::string& prefix, const std::string& path,
                      const std::string& decoderReason) {
    // The decoders' own reasons are marked for translation where they are written: one of
    // them reads in the person's language; libjpeg's and the system's stay as they are.
    const std::string reason = Tr(decoderReason.c_str());
    if (!KeepGoing) {
        Fatal(prefix, path, reason);
        return false;
    }
    ++Failures;
    host_.ShowMessage({MessageIcon::Warning, prefix, path, reason});
    return true;
}

void JpegResize::Fatal(const std::string& prefix, const std::string& path,
                       const std::string& reason) {
    host_.ShowMessage({MessageIcon::Critical, prefix, path, reason, true});
    host_.QuitApplication();
}

}  // namespace pixtrim
