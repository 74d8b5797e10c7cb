#include "tools/Tools.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <limits>
#include <system_error>
#include <utility>

#include "tools/TextCase.h"

namespace fs = std::filesystem;

namespace pixtrim {
namespace {

// Position of the last `separator` in `text`, or npos. Only a separator of exactly one
// character (one UTF-8 sequence) can be found.
size_t FindLastSeparator(std::string_view text, std::string_view separator) {
    const auto characters = std::count_if(separator.begin(), separator.end(),
                                          [](char c) { return (c & 0xC0) != 0x80; });
    if (characters != 1) return std::string_view::npos;
    return text.rfind(separator);
}

}  // namespace

std::string GetTextAfterLast(std::string_view text, std::string_view separator) {
    const size_t at = FindLastSeparator(text, separator);
    if (at == std::string_view::npos) return std::string(text);
    return std::string(text.substr(at + separator.size()));
}

std::string GetTextBeforeLast(std::string_view text, std::string_view separator) {
    const size_t at = FindLastSeparator(text, separator);
    if (at == std::string_view::npos) return {};
    return std::string(text.substr(0, at));
}

std::string ParentFolder(const std::string& path) {
    std::string parent = GetTextBeforeLast(path, "/");
    if (parent.empty() && !path.empty() && path.front() == '/') parent.push_back('/');
    return parent;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (!folder.empty() && folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

std::string CleanFolderPath(const std::string& path) {
    const std::string full = path.starts_with('/') ? path : JoinPath(CurrentFolder(), path);
    std::vector<std::string_view> parts;
    for (size_t start = 0; start < full.size();) {
        const size_t end = std::min(full.find('/', start), full.size());
        const std::string_view part = std::string_view(full).substr(start, end - start);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string clean;
    for (const std::string_view part : parts) (clean += '/') += part;
    return clean.empty() ? "/" : clean;
}

bool ChangeCurrentFolder(const std::string& path) {
    std::error_code error;
    fs::current_path(path, error);
    return !error;
}

std::string CurrentFolder() {
    std::error_code error;
    const fs::path current = fs::current_path(error);
    return error ? std::string() : current.string();
}

double NumericValue(std::string_view text) {
    std::string digits;
    bool negative = false;
    bool started = false;
    bool seenPoint = false;
    for (const char c : text) {
        if (c == ' ' || c == '\t' || c == '\n') continue;
        if (!started && (c == '+' || c == '-')) {
            negative = c == '-';
            started = true;
        } else if (c >= '0' && c <= '9') {
            digits.push_back(c);
            started = true;
        } else if (c == '.' && !seenPoint) {
            digits.push_back(c);
            seenPoint = started = true;
        } else {
            break;
        }
    }
    if (digits.find_first_of("0123456789") == std::string::npos) return 0.0;
    double value = 0.0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (error == std::errc::result_out_of_range) {
        // Without an exponent only a long run of leading zeros can underflow.
        const bool tiny = digits.find_first_of("123456789") > digits.find('.');
        value = tiny ? 0.0 : std::numeric_limits<double>::infinity();
    }
    return negative ? -value : value;
}

int32_t RoundToInt32(double value) {
    const double rounded = std::nearbyint(value);
    if (!(rounded > std::numeric_limits<int32_t>::min()))
        return std::numeric_limits<int32_t>::min();
    if (!(rounded < std::numeric_limits<int32_t>::max()))
        return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(rounded);
}

std::optional<int32_t> RoundToRange(double value, int32_t low, int32_t high) {
    if (!std::isfinite(value)) return std::nullopt;
    const double rounded = std::nearbyint(value);
    if (rounded < low || rounded > high) return std::nullopt;
    return static_cast<int32_t>(rounded);
}

std::string TrimBlanks(std::string_view text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    const size_t last = text.find_last_not_of(' ');
    return std::string(text.substr(first, last - first + 1));
}

bool NameLessIgnoringCase(std::string_view a, std::string_view b) {
    return std::pair(UpperCaseCodePoints(a), a) < std::pair(UpperCaseCodePoints(b), b);
}

void SortNamesIgnoringCase(std::vector<std::string>& names) {
    std::vector<std::pair<std::u32string, std::string>> keyed;
    keyed.reserve(names.size());
    for (std::string& name : names) keyed.emplace_back(UpperCaseCodePoints(name), std::move(name));
    std::sort(keyed.begin(), keyed.end());
    for (size_t i = 0; i < names.size(); ++i) names[i] = std::move(keyed[i].second);
}

std::optional<int32_t> WholeNumber(std::string_view text, int32_t low, int32_t high) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string_view::npos) {
        return std::nullopt;
    }
    return RoundToRange(NumericValue(text), low, high);
}

}  // namespace pixtrim
