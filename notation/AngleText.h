// Reading the numbers of batch input and of pasted text: angles in decimal
// degrees or in degrees, minutes and seconds, with a hemisphere letter or a
// sign, and the plain reals of heights and grid coordinates. Strict: what
// cannot be read exactly one way is refused with a message that says why.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

/// A field, line or pasted text that cannot be read; what() says why and
/// quotes the text (see QuoteInput).
class InputError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

enum class AngleAxis { Latitude, Longitude };

/// Longest piece of input quoted in a message, in bytes before escaping;
/// a longer text is cut and ends with "...".
constexpr std::size_t QUOTE_MAX = 40;

/**
 * Input text as a message quotes it: between apostrophes, cut to QUOTE_MAX
 * bytes (at a character boundary), and with every byte that a terminal
 * could act on written as \xHH: control characters (NUL and ESC included),
 * DEL, bytes that are not UTF-8, the C1 controls and the bidirectional
 * overrides. A backslash is written \\. Letters of any script stay as they
 * are.
 */
std::string QuoteInput(std::string_view text);

/// @p text made safe for a message the same way, without quotes or cut.
std::string EscapeForMessage(std::string_view text);

/// An angle as written: its value in degrees and the hemisphere letter
/// that came with it.
struct AngleValue {
    double degrees = 0; ///< signed; S and W make it negative
    /// 'N', 'S', 'E' or 'W' when the text had a letter (either case), else 0.
    char hemisphere = 0;
};

/**
 * Reads the text of one angle, without range checks.
 *
 * Accepted, after leading and trailing blanks:
 * - decimal degrees: "37.4818416208333", "-127.5", "1.275E2";
 * - degrees, minutes and seconds: "37:28:54.63", "37°28'54.63\"",
 *   "37d28m54.63s", "37° 28′ 54.63″", "37 28 54.63";
 * - degrees and decimal minutes: "37:28.9105", "37°28.9105'", "37 28.9105";
 * - decimal degrees with a mark: "37.5°", "37.5d";
 * - one hemisphere letter N, S, E or W (either case) before or after the
 *   angle ("N37.5", "37 30 0 N", "127e"), S and W negative; or a sign ("+",
 *   "-" or the minus sign U+2212), never both.
 *
 * Every part is unsigned digits with at most one decimal point; only the
 * last part has a fraction, and only plain decimal degrees an exponent.
 * Minutes and seconds lie in [0, 60). The marks are ° º d (degrees),
 * ' ′ ’ m (minutes), " ″ ” '' s (seconds), or ":" between all parts; a
 * part without a mark takes the unit after the one before it. A trailing
 * "s" is the seconds mark only in the letter style ("37d28m54s"), and a
 * trailing "e" is an exponent only when digits follow.
 *
 * DM and DMS are converted as the window's DM and DMS fields do (DmToDd,
 * DmsToDd) and the result is the DD field's 15-digit text read back;
 * decimal degrees are read as the DD field reads them, with "." as the
 * decimal point whatever the window uses.
 *
 * Refused (InputError, "'<text>' is not a valid angle: <reason>"): "37:60",
 * "37 30 75", "-37.5S", "N37.5S", "37.5:30", "1e5d", "37°°", "", "N".
 * @param[in] what "latitude", "longitude" or "angle", for messages.
 */
AngleValue ParseAngle(std::string_view text, const char *what = "angle");


/// Checks a latitude against [-90, 90] or a longitude against [-180, 360).
/// @throws InputError ("latitude 91 is outside -90 to 90").
void CheckAngleRange(double degrees, AngleAxis axis);

/**
 * Reads a plain real (a height, a grid coordinate, an ECEF coordinate):
 * an optional sign, digits with an optional "." and fraction (a digit on
 * at least one side), an optional exponent "e" or "E" with an optional sign
 * and at least one digit; blanks around it. The value is the one the DD
 * field reads from that text with "." as its separator (Code::ParseReal),
 * and it must be finite.
 * @param[in] what the field's name for messages ("height", "X").
 * @throws InputError ("'12a' is not a valid height").
 */
double ReadNumber(std::string_view text, const char *what);

/// True when @p text (without blanks) is a plain real as ReadNumber reads
/// it.
bool IsNumberText(std::string_view text);

/// The angle mark at the start of @p text: 1 degrees (° º d), 2 minutes
/// (' ′ ’ m), 3 seconds (" ″ ” '' s), 4 the colon, 0 none. Sets @p length
/// to its size in bytes.
int MatchAngleMark(std::string_view text, std::size_t &length);

/// True for N, S, E and W in either case.
bool IsHemisphereLetter(char c);
