// Reading latitude and longitude fields of batch input: decimal degrees or the
// usual degree, minute and second notations, with a hemisphere letter or a
// sign.
#pragma once

#include <stdexcept>
#include <string_view>

/// A field or line of batch input that cannot be read.
class InputError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

enum class AngleAxis { Latitude, Longitude };

/**
 * Reads one angle field as the window's fields would hold it.
 *
 * Accepted, after leading and trailing blanks:
 * - decimal degrees, read by the strict real reader: "37.4818416208333",
 *   "-127.5", "1.275E2";
 * - degrees, minutes and seconds: "37:28:54.63", "37°28'54.63\"",
 *   "37d28m54.63s", "37° 28′ 54.63″";
 * - degrees and decimal minutes: "37:28.9105", "37°28.9105'", "37d28.9105m";
 * - decimal degrees with a degree mark: "37.5°", "37.5d";
 * - a hemisphere letter N, S (latitude) or E, W (longitude) before or after
 *   the angle, S and W negative, or a leading "+" or "-" (not both).
 *
 * Degrees followed by minutes, and minutes followed by seconds, are whole
 * numbers; only the last part has a fraction. The marks are ° º d (degrees),
 * ' ′ ’ m (minutes), " ″ ” '' s (seconds), or ":" between all parts. Minutes
 * and seconds of 60 and more are converted as the window converts them.
 *
 * A notation is converted as the window's DM or DMS fields do it (DmToDd,
 * DmsToDd) and the result passes through the DD field's 15-digit text; plain
 * decimal degrees are read as the DD field reads its text.
 * @return decimal degrees.
 * @throws Code::ConversionError for plain decimal degrees that are not a
 *   number, InputError for any other malformed field.
 */
double ReadAngle(std::string_view field, AngleAxis axis);

/**
 * Reads a real exactly as Code::ParseReal reads it (same value, same error).
 * A plain decimal text ("-127.004542079583") goes straight to the correctly
 * rounded std::from_chars, which is what ParseReal arrives at for it too;
 * anything else is left to ParseReal.
 * @throws Code::ConversionError.
 */
double ReadReal(std::string_view text);

/// @p text without leading and trailing spaces and tabs.
std::string_view TrimBlanks(std::string_view text);
