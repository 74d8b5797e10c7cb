// Small text and folder routines shared by the whole program: splitting texts at a
// separator, paths, the current folder, the numeric value of a text and its rounding,
// names in a user's order. File names are raw bytes (UTF-8 where valid). Filter matching
// is in Filters.h, folders held by descriptor in HeldFolder.h.
// All functions are safe to call from any thread, except ChangeCurrentFolder, which
// changes process-wide state.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pixtrim {

// Text after the last `separator`; the whole text when there is none.
std::string GetTextAfterLast(std::string_view text, std::string_view separator);
// Text before the last `separator`, without it; empty when there is none.
// A separator that is not exactly one character is never found.
std::string GetTextBeforeLast(std::string_view text, std::string_view separator);

// The folder above `path`: its text before the last "/", or the root "/" for a folder
// directly under the root; empty for a relative name without "/".
std::string ParentFolder(const std::string& path);

// `folder` + "/" + `name`, without doubling the root's separator.
std::string JoinPath(const std::string& folder, const std::string& name);

// `path` made absolute (from the current folder) with "//", "." and ".." worked out as
// text, and no trailing "/" but for the root. Bytes are kept as they are.
std::string CleanFolderPath(const std::string& path);

// Makes `path` the process's current folder. Returns false when that fails.
bool ChangeCurrentFolder(const std::string& path);

// The process's current folder, or an empty text when it cannot be read.
std::string CurrentFolder();

// The numeric value of a text: the decimal number it begins with (blanks, tabs and line
// feeds ignored wherever they stand; optional sign; optional fraction; no exponent), or 0
// when it begins with none. A number too large for a double gives +/- infinity.
double NumericValue(std::string_view text);

// Rounds `value` half to even (the default rounding mode), saturating at the int32 range;
// NaN gives the lowest value. The one rounding of the program, but for the resampler's
// inner loop, whose sums always lie in 0..255.
int32_t RoundToInt32(double value);

// Rounds `value` half to even and returns it when the result lies in [low, high];
// nothing when it does not (infinities and NaN included).
std::optional<int32_t> RoundToRange(double value, int32_t low, int32_t high);

// A whole number in [low, high], from a text of decimal digits and nothing else (no sign,
// no blank); nothing otherwise.
std::optional<int32_t> WholeNumber(std::string_view text, int32_t low, int32_t high);

// The text with blanks (spaces) removed at both ends.
std::string TrimBlanks(std::string_view text);

// Orders names as a user reads them: letter case ignored (accents too), then by bytes.
bool NameLessIgnoringCase(std::string_view a, std::string_view b);
// Sorts `names` in that order, folding each name's letter case once.
void SortNamesIgnoringCase(std::vector<std::string>& names);

}  // namespace pixtrim
