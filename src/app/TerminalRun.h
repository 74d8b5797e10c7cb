// `pixtrim --resize FOLDER [options]`: one batch run without a window, its messages on
// stderr, a summary on stdout. Called on the main thread, once, with a QGuiApplication on
// the offscreen platform (the copyright text needs fonts).
#pragma once

#include <string>

#include "app/CommandLine.h"

namespace pixtrim {

// Runs the batch that `line` describes, from the process's current folder `startFolder`.
// Answers the exit status: 0 when every listed image got its copy, 1 when nothing was done
// (a refused size or name, no image, a folder that cannot be prepared), 2 when an error
// stopped the run (the copies made before it stay).
int RunFromTerminal(const CommandLine& line, const std::string& startFolder);

}  // namespace pixtrim
