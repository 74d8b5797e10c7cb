// `pixtrim --resize FOLDER [options]`: one batch run without a window, its messages on
// stderr, a summary on stdout. Called on the main thread, once; a run that draws a
// copyright runs in pixtrim-gui, with a QGuiApplication (the text needs fonts).
#pragma once

#include <string>

#include "app/CommandLine.h"

namespace pixtrim {

// `text` with its control bytes as \xHH: an escape sequence or a line break in a name must
// not reach the terminal as it is (the bytes on disk are untouched).
std::string Printable(const std::string& text);

// Runs the batch that `line` describes, from the process's current folder `startFolder`.
// Answers the exit status of the table in the usage text: 0 every copy made, 1 nothing
// done, 2 something failed (the run stopped at a file, a file was passed over, or the
// settings were not stored). SIGINT or SIGTERM ends the process at the next commit, with
// 130 or 143.
// `settings` are the run's, as TerminalSettings makes them.
int RunFromTerminal(const CommandLine& line, Settings settings);

// The settings a run from `startFolder` uses: the stored ones (or the defaults with
// --no-settings), with the line's options over them.
Settings TerminalSettings(const CommandLine& line, const std::string& startFolder);

}  // namespace pixtrim
