// The file filters of the file list and of a run ("*.jpg;*.jpeg"). Safe to call from any
// thread.
#pragma once

#include <string_view>

namespace pixtrim {

// True when `name` matches one of the ";"-separated patterns of `filters`, letter case
// ignored (accented letters too). Pattern language: "?" one character, "*" any run,
// "#" one digit, "[...]" one character of a list with ranges ("[A-Z]"), "[!...]" one
// character not in the list. Malformed patterns have a fixed meaning:
//   - a "[" without a closing "]" stands for itself, like any other character;
//   - "[]" matches the empty run (it is skipped);
//   - a reversed range ("[z-a]") contains no character.
// Time grows at most with name length times pattern length.
bool MatchesFilters(std::string_view name, std::string_view filters);

}  // namespace pixtrim
