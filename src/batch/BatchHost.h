// Everything the batch run needs from the window and the application. The application
// implements it over the real window; tests implement it with a recording fake.
// Called only on the window's thread.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "tools/Language.h"

namespace pixtrim {

class cDIBSection;

// Warning: a file passed over, or a damaged source copied anyway; the run goes on (only a
// run that asks for them shows these: the command line's).
enum class MessageIcon { Information, Critical, Warning };

// A run's message, as data: what happened (the program's words, up to the file or folder it
// names), that file or folder, why (the system's or a library's words), and whether the
// program then ends. Each host formats it its own way; none takes a formatted text apart.
struct RunMessage {
    RunMessage(MessageIcon icon, std::string text, std::string path = {}, std::string reason = {},
               bool endsProgram = false)
        : icon(icon),
          text(std::move(text)),
          path(std::move(path)),
          reason(std::move(reason)),
          endsProgram(endsProgram) {}

    MessageIcon icon;
    std::string text;
    std::string path;    // empty when it names none
    std::string reason;  // empty when there is none to give
    bool endsProgram;
};

// The message box's text: the text and its path, then on a line of its own
// "L'application va maintenant se terminer" when the program ends, then the reason on a
// line of its own.
inline std::string WindowText(const RunMessage& message) {
    std::string text = message.text + message.path;
    // Appended piece by piece: GCC 12 at -O3 takes a literal + a temporary string for an
    // overlapping copy (-Werror=restrict).
    if (message.endsProgram) (text += '\r') += Tr("L'application va maintenant se terminer");
    return message.reason.empty() ? text : text + "\r" + message.reason;
}

// What a run would do, said instead of done (a dry run): the files it would delete, the
// copies it would write (each with its source), and the copies' places held by files the
// program did not write, which would stop it. Whole paths.
struct RunPlan {
    std::vector<std::string> deleted;
    std::vector<std::pair<std::string, std::string>> written;
    std::vector<std::string> foreign;
};

class BatchHost {
public:
    virtual ~BatchHost() = default;

    // The window's state into the Settings record the run was given, and back.
    virtual void ReadSettingsFromWindow() = 0;
    virtual void ApplySettingsToWindow() = 0;
    // Stores every setting (the current folder becomes the application's folder).
    virtual void SaveConfiguration() = 0;

    virtual void ShowProgressBar() = 0;
    virtual void SetProgressBar(uint8_t percent) = 0;
    virtual void HideProgressBar() = 0;

    // Previews the image `path` of the run by `preview`, its source picture as stored, at the
    // size PreviewSizes() gave (empty when the job made none: the image could not be
    // decoded, or no preview is wanted), to be shown turned by `orientation` (1 to 8, 0 for
    // none: what the copy carries); the source is `sourceWidth` x `sourceHeight` as stored.
    virtual void VisualizeCopy(const std::string& path, const cDIBSection& preview,
                               int32_t sourceWidth, int32_t sourceHeight, int orientation) = 0;
    // The size at which a source seen width x height is previewed, for the jobs to make the
    // preview on the workers; empty when the host shows no preview. The function it gives
    // is called on any thread.
    using PreviewSizer = std::function<std::pair<int32_t, int32_t>(int32_t, int32_t)>;
    virtual PreviewSizer PreviewSizes() = 0;
    // How many files the window's file list shows.
    virtual int32_t FileListCount() = 0;
    // Shows `folder` in the folder list and the file list.
    virtual void ShowFolder(const std::string& folder) = 0;

    virtual void ProcessEvents() = 0;
    // A modal message box titled "Pixtrim" with one OK button (WindowText), or its line.
    virtual void ShowMessage(const RunMessage& message) = 0;
    // Says what a dry run found (only the command line asks for one).
    virtual void ShowPlan(const RunPlan&) {}
    // Stores the window's state and ends the program. A host that returns (a test) has
    // the run stop at once.
    virtual void QuitApplication() = 0;
    // True once QuitApplication has run (only a host that returns can answer true).
    virtual bool QuitRequested() const = 0;
};

}  // namespace pixtrim
