#include "batch/OutputFolder.h"

#include <algorithm>
#include <cerrno>

#include "tools/Language.h"

namespace pixtrim {
namespace {

const char kParkedPrefix[] = ".pixtrim-parked-";
const char kThumbs[] = "Thumbs.db";

// "b.jpg" under a recovery name: "b (récupéré).jpg", then "b (récupéré 2).jpg" and on.
std::string RecoveryName(const std::string& name, int attempt) {
    const size_t dot = name.rfind('.');
    const size_t stem = dot == std::string::npos || dot == 0 ? name.size() : dot;
    const std::string mark =
        attempt == 1 ? " (récupéré)" : " (récupéré " + std::to_string(attempt) + ")";
    return name.substr(0, stem) + mark + name.substr(stem);
}

}  // namespace

IoOutcome OutputFolder::Hold(const HeldFolder& parent, const std::string& name,
                             const HeldFolder& images) {
    runStartNs_ = FileTimeNow();
    for (int attempt = 0; attempt < 3; ++attempt) {
        Release();
        IoOutcome outcome = parent.OpenChild(name, folder_);
        if (outcome.error == ENOENT) return {};
        // ENOLCK, EOPNOTSUPP: a filesystem without locks; the run goes on without one.
        if (outcome) outcome = folder_.LockExclusive();
        if (outcome.error == ENOLCK || outcome.error == EOPNOTSUPP) outcome = {};
        if (!outcome) return outcome;
        EntryStatus held, named, imagesStatus;
        if (!folder_.Status("", held) || !images.Status("", imagesStatus)) return {EIO};
        if (parent.Status(name, named) && named.device == held.device &&
            named.inode == held.inode) {
            return held.device == imagesStatus.device && held.inode == imagesStatus.inode
                       ? IoOutcome{ELOOP}
                       : IoOutcome{};
        }
    }
    return {EAGAIN};
}

IoOutcome OutputFolder::Make(const HeldFolder& parent, const std::string& name,
                             const HeldFolder& images) {
    IoOutcome outcome = parent.MakeChild(name);
    // Made by another run meanwhile: held, and locked, as any existing folder.
    if (outcome || outcome.error == EEXIST) outcome = Hold(parent, name, images);
    if (outcome && !IsHeld()) outcome = {ENOENT};
    return outcome;
}

std::string OutputFolder::HoldFailure(const HeldFolder& parent, const std::string& name,
                                      const IoOutcome& outcome) {
    if (parent.IsLink(name)) return Tr("C'est un lien symbolique, pas un répertoire");
    switch (outcome.error) {
        case EWOULDBLOCK:
            return Tr("Un autre traitement utilise ce répertoire");
        case ELOOP:
            return Tr("C'est le répertoire des images lui-même");
        default:
            return outcome.Reason();
    }
}

void OutputFolder::RemoveLeftovers() {
    if (folder_.IsRegularFile(kThumbs)) (void)folder_.RemoveFile(kThumbs);
    folder_.RemoveStaleTemporaries(runStartNs_);
}

bool OutputFolder::RemoveFolderIfEmpty(const HeldFolder& parent, const std::string& name) {
    if (!IsHeld()) return false;
    RemoveLeftovers();
    if (folder_.IsRegularFile(kOutputRecordName) && folder_.HoldsOnly(kOutputRecordName)) {
        (void)folder_.RemoveFile(kOutputRecordName);
    }
    // By name, but harmless: rmdir never follows a link and never removes what holds files.
    if (!folder_.IsEmpty() || !parent.RemoveChild(name)) return true;
    Release();
    return false;
}

IoOutcome OutputFolder::SettleParked(const ParkedCopy& parked, std::vector<std::string>& said) {
    if (record_.IsRecordedCopy(folder_, parked.parked, parked.name)) {
        return folder_.RemoveFile(parked.parked);
    }
    // Not the copy: the file goes back to its name, or, when that was taken meanwhile,
    // under a recovery name.
    IoOutcome outcome = folder_.Rename(parked.parked, parked.name, Replace::No);
    std::string name = parked.name;
    for (int attempt = 1; outcome.error == EEXIST && attempt <= 100; ++attempt) {
        name = RecoveryName(parked.name, attempt);
        outcome = folder_.Rename(parked.parked, name, Replace::No);
    }
    if (outcome) said.push_back(name);
    return outcome;
}

std::string OutputFolder::FileFailure(const IoOutcome& outcome) {
    switch (outcome.error) {
        case ELOOP:
            return Tr("C'est un lien symbolique, pas un fichier ordinaire");
        case EINVAL:
            return Tr("Ce n'est pas un fichier ordinaire");
        default:
            return outcome.Reason();
    }
}

IoOutcome OutputFolder::ReadRecord(const std::vector<std::string>& copyNames,
                                   std::vector<std::string>& foreign,
                                   std::vector<std::string>& said) {
    foreign.clear();
    failedFile_.clear();
    if (!IsHeld()) return {};
    if (const IoOutcome read = record_.Read(folder_); !read) {
        failedFile_ = kOutputRecordName;
        return read;
    }
    // A run killed while it deleted its earlier copies left them parked.
    for (const ParkedCopy& parked : record_.ParkedCopies()) {
        EntryStatus status;
        if (folder_.Status(parked.parked, status).error == ENOENT) continue;
        if (const IoOutcome settled = SettleParked(parked, said); !settled) return settled;
    }
    foreign = ForeignNames(copyNames);
    return {};
}

std::vector<std::string> OutputFolder::ForeignNames(
    const std::vector<std::string>& copyNames) const {
    std::vector<std::string> foreign;
    const std::vector<std::string>& owned = record_.OwnedFiles();
    for (const std::string& name : copyNames) {
        EntryStatus status;
        if (folder_.Status(name, status).error != ENOENT &&
            !std::binary_search(owned.begin(), owned.end(), name)) {
            foreign.push_back(name);
        }
    }
    return foreign;
}

IoOutcome OutputFolder::Plan(const std::vector<std::string>& copyNames,
                             std::vector<std::string>& deleted, std::vector<std::string>& foreign) {
    deleted.clear();
    foreign.clear();
    if (!IsHeld()) return {};
    if (const IoOutcome read = record_.Read(folder_, false); !read) return read;
    deleted = record_.OwnedFiles();
    for (const ParkedCopy& parked : record_.ParkedCopies()) {
        if (record_.IsRecordedCopy(folder_, parked.parked, parked.name)) {
            deleted.push_back(parked.parked);
        }
    }
    if (folder_.IsRegularFile(kThumbs)) deleted.emplace_back(kThumbs);
    foreign = ForeignNames(copyNames);
    return {};
}

IoOutcome OutputFolder::ClearOwnCopies(std::vector<std::string>& said) {
    failedFile_.clear();
    // Each copy is set aside first: a file saved under its name meanwhile is not the one
    // checked, and the one checked is the one deleted. The record says where it went
    // before it goes, so that a kill leaves nothing the next run cannot settle.
    for (const std::string& name : record_.OwnedFiles()) {
        ParkedCopy parked{{}, name};
        IoOutcome outcome = UnpredictableName(kParkedPrefix, parked.parked);
        if (outcome) outcome = record_.AppendParked(parked);
        if (outcome) outcome = folder_.Rename(name, parked.parked, Replace::No);
        if (outcome.error == ENOENT) continue;  // gone meanwhile
        if (!outcome) return outcome;
        if (afterParking) afterParking(name);
        std::vector<std::string> recovered;
        if (const IoOutcome settled = SettleParked(parked, recovered); !settled) return settled;
        // Put back under its own name, the file is as it was: only a new name is news.
        for (const std::string& where : recovered)
            if (where != name) said.push_back(where);
    }
    RemoveLeftovers();
    const IoOutcome restarted = record_.Restart(folder_);
    if (!restarted) failedFile_ = kOutputRecordName;
    return restarted;
}

IoOutcome OutputFolder::WriteCopy(const std::string& name, std::string_view bytes,
                                  uint64_t checksum, int64_t modifiedNs) {
    return folder_.WriteFileAtomically(
        name, bytes, Replace::No,
        [&](const EntryStatus& status) { return record_.Append(name, checksum, status); }, false,
        -1, modifiedNs);
}

void OutputFolder::Release() {
    record_.Close();
    folder_ = HeldFolder();
}

std::string ForeignFilesReason(const std::vector<std::string>& names) {
    constexpr size_t kShown = 3;
    std::string text =
        names.size() == 1
            ? Tr("Un fichier qui ne vient pas de Pixtrim porte le nom d'une copie à faire : ")
            : Tr("Des fichiers qui ne viennent pas de Pixtrim portent le nom de copies à faire : ");
    for (size_t i = 0; i < names.size() && i < kShown; ++i) {
        text += (i == 0 ? "" : ", ") + names[i];
    }
    if (names.size() > kShown)
        (text += ' ') += Arg(Tr("et %1 autres"), {std::to_string(names.size() - kShown)});
    return text;
}

}  // namespace pixtrim
