// Files written whole or not at all: a temporary file beside the target, renamed over it
// at the end. Safe to call from any thread.
#pragma once

#include <string>
#include <string_view>

namespace pixtrim {

// Creates and opens for writing a new file in the folder of `path`, under a hidden name no
// other file has. Returns its name and sets `descriptor`; "" when it cannot.
std::string OpenTemporaryBeside(const std::string& path, int& descriptor);

// Writes `bytes` to `path` through a temporary file. False (and no temporary file left)
// when any step fails; an existing file at `path` is then left as it was.
bool WriteFileAtomically(const std::string& path, std::string_view bytes);

}  // namespace pixtrim
