// The smallest parts of reading text, shared by the readers of angles and
// points and by the reading of files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

/// A blank between fields and around values: a space or a tab.
inline bool IsBlank(char c) { return c == ' ' || c == '\t'; }

/// @p text without leading and trailing spaces and tabs.
inline std::string_view TrimBlanks(std::string_view text) {
    std::size_t first = 0, last = text.size();
    while (first < last && IsBlank(text[first]))
        ++first;
    while (last > first && IsBlank(text[last - 1]))
        --last;
    return text.substr(first, last - first);
}

/// @p c in lower case when it is an ASCII capital, else as it is: names,
/// keywords and codes are compared whatever the C library's locale.
inline char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

/// @p c in upper case when it is an ASCII small letter, else as it is.
inline char UpperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

/// The C locale's white space (space, tab, line feed, vertical tab, form
/// feed, carriage return), whatever the C library's locale.
inline bool IsAsciiSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}
inline bool IsAsciiUpper(char c) { return c >= 'A' && c <= 'Z'; }
inline bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }
/// An ASCII letter, whatever the C library's locale says of other bytes.
inline bool IsAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

/// @p text with its ASCII capitals in lower case (see LowerAscii(char)).
inline std::string LowerAscii(std::string_view text) {
    std::string out(text);
    for (char &c : out)
        c = LowerAscii(c);
    return out;
}

/// The length of the well-formed UTF-8 sequence for a non-ASCII character
/// that starts at @p text[@p at] (2 to 4), with its code point in
/// @p codePoint; 0 when the bytes there are not one (a stray continuation
/// byte, an overlong form, a surrogate, a cut-off sequence).
std::size_t Utf8Sequence(std::string_view text, std::size_t at,
                         std::uint32_t &codePoint);
