// `pixtrim --resize FOLDER [options]`: one batch run without a window, its messages on
// stderr, a summary on stdout. Called on the main thread, once, with a QGuiApplication on
// the offscreen platform (the copyright text needs fonts).
#pragma once

#include <string>

#include "app/CommandLine.h"

namespace pixtrim {

// Runs the batch that `line` describes, from the process's current folder `startFolder`.
// Answers the exit status of the table in the usage text: 0 every copy made, 1 nothing
// done, 2 something failed (the run stopped at a file, or the settings were not stored),
// 130 / 143 interrupted by SIGINT / SIGTERM (after the copy in hand).
// `settings` are the run's, as TerminalSettings makes them.
int RunFromTerminal(const CommandLine& line, Settings settings);

// The settings a run from `startFolder` uses: the stored ones (or the defaults with
// --no-settings), with the line's options over them.
Settings TerminalSettings(const CommandLine& line, const std::string& startFolder);

}  // namespace pixtrim
