// The smallest parts of reading text.
#include "TextParts.h"

std::size_t Utf8Sequence(std::string_view text, std::size_t at,
                         std::uint32_t &codePoint) {
    const auto *s = reinterpret_cast<const unsigned char *>(text.data());
    const unsigned char c = s[at];
    std::size_t length = 0;
    std::uint32_t min = 0;
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2;
        min = 0x80;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        min = 0x800;
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        min = 0x10000;
    }
    if (length == 0 || at + length > text.size())
        return 0;
    std::uint32_t cp = c & (0xFFu >> (length + 1));
    for (std::size_t k = 1; k < length; ++k) {
        if ((s[at + k] & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (s[at + k] & 0x3Fu);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    codePoint = cp;
    return length;
}
