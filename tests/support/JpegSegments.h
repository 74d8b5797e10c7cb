// An independent reading of a JPEG file's segments up to its image data, and of what the
// exiv2 program says of its metadata, for checking copies.
#pragma once

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace pixtrim::test {

struct Segment {
    int type;           // the byte after FF
    std::string bytes;  // the whole segment, marker included
};

inline std::string FileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// The segments between FF D8 and the start of scan; empty when the file is no JPEG.
inline std::vector<Segment> HeaderSegments(const std::string& path) {
    const std::string b = FileBytes(path);
    std::vector<Segment> segments;
    if (b.size() < 2 || b.compare(0, 2, "\xFF\xD8") != 0) return segments;
    size_t p = 2;
    while (p + 4 <= b.size() && static_cast<unsigned char>(b[p]) == 0xFF) {
        const int type = static_cast<unsigned char>(b[p + 1]);
        if (type == 0xDA) break;
        const size_t length =
            static_cast<unsigned char>(b[p + 2]) * 256u + static_cast<unsigned char>(b[p + 3]);
        segments.push_back({type, b.substr(p, 2 + length)});
        p += 2 + length;
    }
    return segments;
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
