// How numbers are written into and read from text fields: plain integers, the
// general 15-significant-digit format for reals, strict readers, and the
// decimal separator of the user's regional settings. Never depends on the C
// library's locale.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace Code {

/// A text that is not a number. what() is "'<text>' is not a valid floating
/// point value" or "'<text>' is not a valid integer value".
class ConversionError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

/// Plain decimal integer: optional "-", digits, no leading zeros, no grouping.
std::string FormatInteger(std::int32_t value);

/**
 * General format with 15 significant digits: the value is rounded to 18
 * significant digits, then to 15 (a 16th digit of 5 or more rounds up);
 * trailing zeros are dropped. Fixed notation for 0.0001 <= |v| < 1E15, else
 * scientific ("1E-5", "5.11590769747272E-12", "1.23456789012346E17").
 * Zero (either sign) is "0"; infinities "INF" / "-INF"; not-a-number "NAN".
 */
std::string FormatReal(double value);

/**
 * Strict integer reader: optional leading blanks, an optional sign, decimal
 * digits and nothing after them; an unsigned text starting with "$", "x", "X",
 * "0x" or "0X" is hexadecimal. The value must fit in a signed 32-bit integer.
 * @throws ConversionError otherwise.
 */
std::int32_t ParseInteger(std::string_view text);

/**
 * Strict real reader: optional blanks, an optional sign, digits, optionally
 * the decimal separator and digits, optionally "E"/"e" with an optional sign
 * and digits (no digits means 0), optional blanks. At least one digit or the
 * separator must precede the exponent. Values beyond the double range are
 * refused; values below it read as zero.
 * @throws ConversionError otherwise.
 */
double ParseReal(std::string_view text);

/// The decimal separator used by FormatReal and ParseReal ("." by default).
void SetDecimalSeparator(char separator);
char GetDecimalSeparator();

} // namespace Code
