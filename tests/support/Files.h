// A file's bytes, a word quoted for the shell, the tables of expected outputs, and photos
// larger than the test photos.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace pixtrim::test {

inline std::string DataFile(const std::string& name) {
    return std::string(PIXTRIM_TEST_DATA) + "/" + name;
}

inline std::string FileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

inline std::string ShellQuote(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// The rows of a table of tab-separated cells under tests/data, '#' lines left out.
inline std::vector<std::vector<std::string>> ReadTable(const std::string& name) {
    std::vector<std::vector<std::string>> rows;
    std::ifstream table(DataFile(name));
    for (std::string line; std::getline(table, line);) {
        if (line.empty() || line.starts_with('#')) continue;
        std::vector<std::string> cells;
        for (size_t start = 0, tab;; start = tab + 1) {
            tab = line.find('\t', start);
            cells.push_back(line.substr(start, tab - start));
            if (tab == std::string::npos) break;
        }
        rows.push_back(cells);
    }
    return rows;
}

// Words as a shell splits them, for the quoting the tables use ('...').
inline std::vector<std::string> SplitWords(const std::string& text) {
    std::vector<std::string> words;
    std::string word;
    bool quoted = false, any = false;
    for (const char c : text) {
        if (c == '\'') {
            quoted = !quoted, any = true;
        } else if (c == ' ' && !quoted) {
            if (any) words.push_back(std::exchange(word, {}));
            any = false;
        } else {
            word += c, any = true;
        }
    }
    if (any) words.push_back(word);
    return words;
}

// A table's cell as the bytes it stands for: \n a line end, \xHH a byte, \\ a backslash.
inline std::string Unescape(const std::string& cell) {
    std::string bytes;
    for (size_t i = 0; i < cell.size(); ++i) {
        if (cell[i] != '\\' || i + 1 == cell.size()) {
            bytes += cell[i];
        } else if (cell[++i] == 'n') {
            bytes += '\n';
        } else if (cell[i] == 'x') {
            bytes += char(std::stoi(cell.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            bytes += cell[i];
        }
    }
    return bytes;
}

inline bool Regenerating() { return std::getenv("PIXTRIM_REGENERATE") != nullptr; }

// `text` is the file tests/data/`name`. With PIXTRIM_REGENERATE=1 (scripts/golden) the file
// is written instead; a commit that changes one says why.
inline void ExpectAsStored(const std::string& text, const std::string& name) {
    const std::string path = DataFile(name);
    if (Regenerating())
        std::ofstream(path, std::ios::binary) << text;
    else
        EXPECT_EQ(text, FileBytes(path)) << name;
}

// A photo of noise made by the benchmarks' make_photo (baseline 4:2:0 or progressive 4:4:4).
inline std::string MadePhoto(int width, int height, bool progressive) {
    const std::string path = "/tmp/pixtrim-made-" + std::to_string(getpid()) + ".jpg";
    const std::string command = std::string(PIXTRIM_MAKE_PHOTO) + " " + std::to_string(width) +
                                " " + std::to_string(height) + " " + path +
                                (progressive ? " --progressive" : "");
    if (std::system(command.c_str()) != 0) return {};
    std::string bytes = FileBytes(path);
    std::remove(path.c_str());
    return bytes;
}

}  // namespace pixtrim::test
