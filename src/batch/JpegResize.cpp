#include "batch/JpegResize.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "batch/ImageSelection.h"
#include "codec/JpegCodec.h"
#include "exif/Exif.h"
#include "image/cDIBSection.h"
#include "tools/Tools.h"

namespace pixtrim {
namespace {

const char kEndOfProgram[] = "L'application va maintenant se terminer";
const char kOpenError[] = "Erreur à l'ouverture de ";
const char kCopyrightError[] = "Erreur lors de l'insertion du copyright à ";

}  // namespace

double CopyrightFactor(uint8_t copyrightSize) {
    if (copyrightSize == 0) return 0.6;
    if (copyrightSize == 1) return 0.8;
    return 1.0;
}

std::optional<int32_t> ParseBoundingSide(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return std::nullopt;
    std::string number = text.substr(first, text.find_last_not_of(" \t") - first + 1);
    for (char& c : number) {
        if (c == ',') c = '.';
    }
    const char* begin = number.data();
    const char* end = begin + number.size();
    if (begin != end && *begin == '+') ++begin;
    if (begin == end || *begin == '-' || number.find_first_of("0123456789") == std::string::npos) {
        return std::nullopt;
    }
    double value = 0;
    const auto [stop, error] = std::from_chars(begin, end, value, std::chars_format::fixed);
    if (error != std::errc() || stop != end) return std::nullopt;
    return RoundToRange(value, 1, 32767);
}

void JpegResize::ResizeFolder() {
    if (running_) return;
    running_ = true;
    host_.ReadSettingsFromWindow();
    host_.SaveConfiguration();
    host_.ShowProgressBar();
    // Nothing unexpected may end the program or cross the window's event loop.
    try {
        if (CheckBoundingSize() && CheckOutputFolderName() && PrepareImageFolder()) {
            host_.ApplySettingsToWindow();
            if (PrepareOutputFolder()) ResizeAllImages();
        }
    } catch (const std::exception& error) {
        ReportPreparationFailure(settings_.ImageFolder, error.what());
    }
    imageFolder_ = HeldFolder();
    outputFolder_ = HeldFolder();
    running_ = false;
    if (!host_.QuitRequested()) host_.HideProgressBar();
}

bool JpegResize::CheckBoundingSize() {
    const auto width = ParseBoundingSide(settings_.ImageWidth);
    const auto height = ParseBoundingSide(settings_.ImageHeight);
    if (width && height) {
        boxWidth_ = *width;
        boxHeight_ = *height;
        return true;
    }
    host_.ShowMessage("Taille maximale des images invalide : " + settings_.ImageWidth + " x " +
                          settings_.ImageHeight,
                      MessageIcon::Information);
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
    host_.ShowMessage("Nom du sous-répertoire de sortie invalide : " + name,
                      MessageIcon::Information);
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
    ChangeCurrentFolder(settings_.ImageFolder);
    return true;
}

std::string JpegResize::OutputFolder() const {
    return JoinPath(settings_.ImageFolder, settings_.ResizedFolderName);
}

void JpegResize::ReportPreparationFailure(const std::string& path, const std::string& reason) {
    host_.ShowMessage("Impossible de préparer le répertoire " + path + "\r" + reason,
                      MessageIcon::Critical);
}

bool JpegResize::PrepareOutputFolder() {
    const std::string& name = settings_.ResizedFolderName;
    // A link or a file in its place is refused: it is not ours to empty or write into.
    IoOutcome outcome = imageFolder_.OpenChild(name, outputFolder_);
    if (!outcome && outcome.error != ENOENT) {
        ReportPreparationFailure(OutputFolder(), outcome.Reason());
        return false;
    }
    const bool holdsSomething = RemoveFolderIfEmpty(imageFolder_, name, outputFolder_);
    if (host_.FileListCount() == 0) {
        host_.ShowMessage("Il n'y a aucune image dans ce répertoire", MessageIcon::Information);
        return false;
    }
    if (holdsSomething) {
        // Its own files go; sub-folders stay with everything in them. The emptied folder is
        // kept rather than made anew, so there is no moment when its name is free.
        outcome = outputFolder_.RemoveAllFiles();
    } else {
        outcome = imageFolder_.MakeChild(name);
        if (outcome) outcome = imageFolder_.OpenChild(name, outputFolder_);
    }
    if (!outcome) ReportPreparationFailure(OutputFolder(), outcome.Reason());
    return bool(outcome);
}

uint8_t JpegResize::ProgressPercent() const {
    const double share = double(int64_t{ProgressDone} * 100) / double(ProgressTotal);
    return static_cast<uint8_t>(std::nearbyint(share));
}

void JpegResize::ResizeAllImages() {
    ImageNames = ListImages(settings_.ImageFilters, imageFolder_);
    ImageCount = static_cast<int32_t>(ImageNames.size());
    ChangeCurrentFolder(settings_.AppFolder);
    ProgressTotal = ImageCount;
    ProgressDone = 0;
    cDIBSection source, target;
    for (const std::string& name : ImageNames) {
        host_.ProcessEvents();
        if (host_.QuitRequested()) return;
        ++ProgressDone;
        host_.SetProgressBar(ProgressPercent());
        if (!ResizeOneImage(name, source, target)) return;
    }
    host_.ProcessEvents();
    if (host_.QuitRequested()) return;
    ProgressDone = ProgressTotal;
    // A listing that found nothing has no percentage to show.
    if (ProgressTotal > 0) host_.SetProgressBar(ProgressPercent());
}

bool JpegResize::ResizeOneImage(const std::string& name, cDIBSection& source, cDIBSection& target) {
    const std::string sourcePath = JoinPath(settings_.ImageFolder, name);
    host_.VisualizeImage(sourcePath);
    // Read once, and only a regular file: a FIFO or a device in its place is unreadable.
    std::string bytes;
    if (!imageFolder_.ReadRegularFile(name, bytes)) {
        Fatal(kOpenError, sourcePath);
        return false;
    }
    // Read whatever the option: the colour profile and orientation travel in any case.
    ExifTransfer exif;
    const bool exifFlag = exif.ReadExifBytes(bytes) && settings_.KeepExif;
    if (!LoadJPGFromMemory(source, bytes)) {
        Fatal(kOpenError, sourcePath);
        return false;
    }
    int32_t width = source.Width();
    int32_t height = source.Height();
    FitImageSize(width, height, boxWidth_, boxHeight_);
    if (!source.Resample(target, height, width)) {
        Fatal(kOpenError, sourcePath);
        return false;
    }
    if (settings_.InsertCopyright &&
        !target.AddTextOverPicture(settings_.CopyrightText, settings_.CopyrightPlace,
                                   CopyrightFactor(settings_.CopyrightSize),
                                   settings_.CopyrightTransparent, settings_.CopyrightOutline,
                                   settings_.CopyrightColor, settings_.CopyrightFont)) {
        Fatal(kCopyrightError, sourcePath);
        return false;
    }
    // The whole copy is made in memory and written once: it exists whole or not at all.
    std::string copy;
    if (exifFlag) exif.SetExifImageSize(width, height);
    if (!SaveJPGToMemory(target, copy, kJpegQuality) || !exif.InsertSegments(copy, exifFlag) ||
        !outputFolder_.WriteFileAtomically(name, copy)) {
        Fatal(kOpenError, JoinPath(OutputFolder(), name));
        return false;
    }
    return true;
}

void JpegResize::Fatal(const std::string& prefix, const std::string& path) {
    host_.ShowMessage(prefix + path + "\r" + kEndOfProgram, MessageIcon::Critical);
    host_.QuitApplication();
}

}  // namespace pixtrim
