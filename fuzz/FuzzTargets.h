// The functions the fuzzers call with outside bytes, one per parser. Each must never crash,
// hang or read out of bounds, and checks what it can of its own result (a failed check
// aborts). libFuzzer calls them through one small main per target; a plain test replays
// every seed corpus through them, so CI exercises them without clang.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace pixtrim::fuzz {

// The EXIF walk of a source file, the size update and the insertion into a copy.
int FuzzExif(const uint8_t* data, size_t size);
// The decode of a file from memory, its format told by its first bytes (a JPEG's rows
// resampled by every kernel).
int FuzzLoad(const uint8_t* data, size_t size);
// Each other format's decoder, its header reader and the metadata it carries into a copy.
int FuzzPng(const uint8_t* data, size_t size);
int FuzzWebp(const uint8_t* data, size_t size);
int FuzzTiff(const uint8_t* data, size_t size);
int FuzzHeif(const uint8_t* data, size_t size);
// A file name and a filter list (split at the first NUL byte).
int FuzzFilters(const uint8_t* data, size_t size);
// The numeric value of a text, and a bounding size read from it.
int FuzzNumber(const uint8_t* data, size_t size);
// The settings store's file text: what it parses must format and parse back the same.
int FuzzStore(const uint8_t* data, size_t size);

// The program's arguments (split at NUL bytes): a folder it reads is one of them, byte for
// byte, and every reading ends in a mode or one line of error.
int FuzzCommandLine(const uint8_t* data, size_t size);

// An output folder's record of copies: what it parses formats and parses back the same.
int FuzzRecord(const uint8_t* data, size_t size);

// The targets by name, as their corpus folders are named (fuzz/corpus/<name>/).
using Target = int (*)(const uint8_t*, size_t);
Target TargetNamed(const std::string& name);

}  // namespace pixtrim::fuzz
