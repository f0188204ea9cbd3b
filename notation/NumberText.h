// How numbers are written into and read from text fields: plain integers, the
// general 15-significant-digit format for reals, strict readers, and the
// decimal separator of the user's regional settings. Never depends on the C
// library's locale.
#pragma once

#include <cstddef>
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

/// Longest text FormatIntegerTo writes ("-2147483648").
inline constexpr std::size_t FORMAT_INTEGER_MAX = 11;

/// Longest text FormatRealTo writes; the longest real text is 22 characters
/// ("-1.23456789012346E-308"), the rest is headroom.
inline constexpr std::size_t FORMAT_REAL_MAX = 32;

/// Plain decimal integer: optional "-", digits, no leading zeros, no grouping.
std::string FormatInteger(std::int32_t value);

/**
 * FormatInteger without a string: writes the text into the caller's buffer.
 * @param[out] first start of a buffer of at least FORMAT_INTEGER_MAX chars.
 * @param[in] value the integer.
 * @return one past the last character written; no terminating zero.
 */
char *FormatIntegerTo(char *first, std::int32_t value);

/**
 * General format with 15 significant digits: the value is rounded to 18
 * significant digits, then to 15 (a 16th digit of 5 or more rounds up);
 * trailing zeros are dropped. Fixed notation for 0.0001 <= |v| < 1E15, else
 * scientific ("1E-5", "5.11590769747272E-12", "1.23456789012346E17").
 * Zero (either sign) is "0"; infinities "INF" / "-INF"; not-a-number "NAN".
 */
std::string FormatReal(double value);

/// FormatReal with @p separator in place of the one in force.
std::string FormatReal(double value, char separator);

/**
 * FormatReal without a string, for callers that write many numbers: writes
 * the text into the caller's buffer. Allocates nothing; uses the current
 * decimal separator.
 * @param[out] first start of a buffer of at least FORMAT_REAL_MAX chars.
 * @param[in] value the real.
 * @return one past the last character written; no terminating zero.
 */
char *FormatRealTo(char *first, double value);

/// FormatRealTo with @p separator in place of the one in force: for texts
/// that other programs read, which keep theirs whatever the windows show.
char *FormatRealTo(char *first, double value, char separator);

/**
 * The value a field holds once @p value is written into it and read back:
 * ParseReal(FormatReal(value)), bit for bit, without making the text for
 * the values a field usually holds.
 * @throws ConversionError for NaN and the infinities, whose texts ParseReal
 *   refuses.
 */
double RealThroughText(double value);

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

/// ParseReal with @p separator in place of the one in force.
double ParseReal(std::string_view text, char separator);

/**
 * ParseReal for the commonest texts, in one pass: an optional sign, then
 * digits with an optional @p separator and digits, one digit at least and
 * 19 at most, nothing else (no blanks, no exponent), whose value one exact
 * operation gives (digits up to 2^53, up to 22 after the separator).
 * @param[out] value ParseReal(text, separator), when the text is such.
 * @return false, @p value untouched, for any other text.
 */
bool ParsePlainReal(std::string_view text, char separator, double &value);

/**
 * Sets the decimal separator used by FormatReal and ParseReal ("." by
 * default). The setting is global and may be read from several threads.
 * @param[in] separator any printable ASCII character other than a digit, a
 *   space, "+", "-", "E" or "e" (those would make texts ambiguous).
 * @throws std::invalid_argument for any other character; the setting is then
 *   left as it was.
 */
void SetDecimalSeparator(char separator);

/// The decimal separator currently in use.
char GetDecimalSeparator();

} // namespace Code
