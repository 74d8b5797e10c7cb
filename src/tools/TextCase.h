// Decoding of raw file-name bytes into code points with letter case folded, so that names
// compare and match without regard to case. Bytes that are not valid UTF-8 each become one
// code point of their own (0xDC80 + byte), so such names stay comparable and never match
// a valid character by accident.
#pragma once

#include <string>
#include <string_view>

namespace pixtrim {

std::u32string UpperCaseCodePoints(std::string_view text);

}  // namespace pixtrim
