// Decoding of raw file-name bytes into code points with letter case folded, so that names
// compare and match without regard to case. Bytes that are not valid UTF-8 each become one
// code point of their own (0xDC80 + byte), so such names stay comparable and never match
// a valid character by accident.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace pixtrim {

std::u32string UpperCaseCodePoints(std::string_view text);

// The length of the valid UTF-8 sequence that `text` starts with; 0 when it starts with a
// byte that begins none (or is empty).
size_t Utf8SequenceLength(std::string_view text);

// Raw bytes as text for the eye: UTF-8 decoded, each invalid byte shown as U+FFFD. Never
// turn the result back into a name: it does not round-trip.
QString DisplayText(std::string_view bytes);

}  // namespace pixtrim
