// A file's bytes, a word quoted for the shell, and what the exiv2 program says of a photo's
// metadata: for checking the files a run writes.
#pragma once

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace pixtrim::test {

inline std::string FileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

inline std::string ShellQuote(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// One line per tag: "key type value", as `exiv2 -Pkyv` prints them.
inline std::vector<std::string> ExivTags(const std::string& path) {
    std::vector<std::string> lines;
    FILE* pipe = popen(("exiv2 -q -Pkyv " + ShellQuote(path) + " 2>/dev/null").c_str(), "r");
    if (!pipe) return lines;
    // Each line with its column padding collapsed, so lines compare by content.
    std::string line;
    for (int c; (c = fgetc(pipe)) != EOF;) {
        if (c == '\n')
            lines.push_back(std::exchange(line, {}));
        else if (c != ' ' || (!line.empty() && line.back() != ' '))
            line += char(c);
    }
    pclose(pipe);
    return lines;
}

}  // namespace pixtrim::test
