#include "tools/TextCase.h"

#include <QChar>

namespace pixtrim {
namespace {

// Decodes one UTF-8 sequence at text[i]; returns its length, or 0 when it is not valid
// (overlong forms, surrogates and values above U+10FFFF are not valid).
size_t DecodeOne(std::string_view text, size_t i, char32_t& out) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    if (lead < 0x80) {
        out = lead;
        return 1;
    }
    size_t length;
    char32_t value;
    char32_t minimum;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, value = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, value = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, value = lead & 0x07, minimum = 0x10000;
    } else {
        return 0;
    }
    if (i + length > text.size()) return 0;
    for (size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) return 0;
        value = (value << 6) | (byte(i + k) & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
    out = value;
    return length;
}

}  // namespace

QString DisplayText(std::string_view bytes) {
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

size_t Utf8SequenceLength(std::string_view text) {
    char32_t ignored;
    return text.empty() ? 0 : DecodeOne(text, 0, ignored);
}

std::u32string UpperCaseCodePoints(std::string_view text) {
    std::u32string result;
    result.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        char32_t c;
        const size_t length = DecodeOne(text, i, c);
        if (length == 0) {
            result.push_back(0xDC80 + static_cast<unsigned char>(text[i]));
            ++i;
            continue;
        }
        result.push_back(QChar::toUpper(c));
        i += length;
    }
    return result;
}

}  // namespace pixtrim
