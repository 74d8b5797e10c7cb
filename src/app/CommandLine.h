// The program's command line: which mode it starts in, and the run's options. Options are
// edits of the Settings record, applied over the stored settings in the order given, so
// that the last of an option given twice counts. Parsing only reads the arguments.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "batch/ImageJob.h"
#include "settings/Settings.h"

namespace pixtrim {

struct CommandLine {
    enum class Mode { Window, Resize, ShowSettings, Help, Version };
    Mode mode = Mode::Window;
    std::string folder;          // Resize: the folder to run over; Window: where to open (or empty)
    int threads = 0;             // 0: the default (PIXTRIM_THREADS, else the cores)
    bool save = false;           // store the effective settings, as a run from the window does
    bool keepGoing = false;      // a file that fails is named and passed over
    bool useStore = true;        // false: the defaults, the store ignored
    int quality = kJpegQuality;  // the copies' JPEG quality, never stored
    bool recursive = false;      // every folder of the tree that holds images, one run each
    std::string into;            // the copies go there instead of the output sub-folder
    bool dryRun = false;         // says what the run would delete and write, and does nothing
    std::vector<std::function<void(Settings&)>> edits;
    std::string error;  // one line when the arguments are not understood

    void ApplyTo(Settings& settings) const {
        for (const auto& edit : edits) edit(settings);
    }
};

// Reads `arguments` (without the program's name).
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

// The usage text, several lines, each ending in a line feed.
std::string CommandLineUsage();

}  // namespace pixtrim
