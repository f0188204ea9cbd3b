// One angle in all its notations at once: the synchronisation that the main
// window's four angles and the degree-system tool share, and the DMS text of
// the additions (Copy Point As DMS; with its precision and joiner it also
// fits the converter's --format dms --precision N).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace Code {

/// The notations of one angle, in the order their fields are written.
enum class AngleNotation { Dd, Dm, Dms, Radian };

/// Which notations a window shows: the main window's angles the three
/// degree notations, the degree-system tool radians as well.
enum class AngleFields { Degrees, DegreesAndRadians };

/// The texts of one angle's fields, one member per field.
struct AngleTexts {
    std::string dd;         ///< decimal degrees
    std::string dmDegrees;  ///< DM: integer degrees
    std::string dmMinutes;  ///< DM: decimal minutes
    std::string dmsDegrees; ///< DMS: integer degrees
    std::string dmsMinutes; ///< DMS: integer minutes
    std::string dmsSeconds; ///< DMS: decimal seconds
    std::string radians;    ///< the degree-system tool's only
};

/**
 * The floating-point fault check that the arithmetic of a synchronisation
 * runs under: clears the invalid-operation, division-by-zero and overflow
 * flags, runs @p arithmetic, and throws when one of them was raised.
 *
 * The angle routines do not run under a check of their own: the engine
 * checks its operations (engine/Errors.h), and notation sits beside the
 * engine in the lowest layer, so it may not include that check. Rather than
 * keep a second check here, the synchronisation takes the engine's from its
 * caller (the windows pass it), and the program keeps its one check.
 */
using FaultCheck = void (*)(const std::function<void()> &arithmetic);

/**
 * The one synchronisation of an angle's notations. Reads the texts of
 * notation @p from (integer parts by the integer rule, real parts by the real
 * rule, in field order), converts with the angle routines, and writes the
 * other notations: integer parts as plain integers, real parts in the general
 * 15-digit format, with the decimal separator in force.
 *
 * From DD: DdToDm, DdToDms (and DegreeToRadian). From DM: DmToDd, DmToDms
 * (and DegreeToRadian of that DD). From DMS: DmsToDd, DmsToDm (and
 * DegreeToRadian). From radians: RadianToDegree, then DdToDm and DdToDms.
 * No range is checked and nothing is carried: minutes and seconds of 60 and
 * more convert arithmetically.
 *
 * @param[in] from the notation the user edited; Radian only with
 *   AngleFields::DegreesAndRadians.
 * @param[in] texts the fields' texts; only those of @p from are read.
 * @param[in] fields whether the radians are written too.
 * @param[in] check the fault check the conversions run under.
 * @return @p texts with every notation but @p from rewritten (radians only
 *   with AngleFields::DegreesAndRadians); std::nullopt when a text of @p from
 *   does not read, which ends the synchronisation quietly with nothing to
 *   write (an empty field or a lone "-" on the way to a number).
 * @throws what @p check throws for a floating-point fault (radians beyond
 *   about 3.1E306 overflow in degrees), before any text is made.
 */
std::optional<AngleTexts> SyncAngle(AngleNotation from, AngleTexts texts,
                                    AngleFields fields, FaultCheck check);

/// What stands after each part of an angle's text; the hemisphere letter
/// follows the last.
struct DmsJoiner {
    std::string_view degrees; ///< after the degrees: a mark or a delimiter
    std::string_view minutes; ///< after the minutes
    std::string_view seconds; ///< after the seconds, before the letter
};

/// The marks people write: 37°28'54.62983"N.
inline constexpr DmsJoiner DMS_MARKS{"\u00B0", "'", "\""};

/// Whether FormatAngle keeps every decimal of the last part or drops the
/// trailing zeros (and the decimal point with the last of them).
enum class DmsDecimals { Fixed, Trimmed };

/// The last part of an angle's text: the minutes (DM) or the seconds
/// (DMS). The degrees and any minutes before it are whole.
enum class AnglePart { Minutes, Seconds };

/**
 * An angle as whole degrees, whole minutes (for DMS) and its last part
 * rounded to @p precision decimals, followed by a hemisphere letter in place
 * of a sign: the one DM and DMS writer of the additions (the converter's
 * formats, the copies of a point), beside the fields' own DM and DMS, whose
 * texts (DdToDm, DdToDms, parts as they come) it does not change.
 *
 * The parts are those of DdToDm or DdToDms on the magnitude, as the fields
 * show them; the last part is then rounded once, correctly, from its double
 * value. A rounded 60 carries: 59.999996" to five decimals is the next
 * minute, a minute that reaches 60 the next degree (89.9999999999 gives
 * 90°0'0"), and 59.9999996' to five decimals the next degree. A decimal
 * point is written as ".", whatever the windows use: these texts are read
 * by other programs.
 *
 * @param[in] degrees the angle, decimal degrees; its sign picks the letter
 *   (-0 and the positive values @p positive, the negative ones @p negative).
 * @param[in] last AnglePart::Minutes for DM, Seconds for DMS.
 * @param[in] precision decimals of the last part, 0 to 17.
 * @param[in] joiner what follows each part (DMS_MARKS, or a delimiter); a DM
 *   text uses its degrees and minutes.
 * @param[in] positive, negative the hemisphere letters: 'N' and 'S', or 'E'
 *   and 'W'.
 * @param[in] decimals DmsDecimals::Trimmed drops trailing zeros ("7.68",
 *   "0"); Fixed keeps all @p precision of them ("7.68000").
 * @throws std::invalid_argument when |@p degrees| is 1E9 or more, or not a
 *   number ("<degrees> is too large for degrees, minutes and seconds"), and
 *   for a precision outside 0 to 17.
 */
std::string FormatAngle(double degrees, AnglePart last, int precision,
                        const DmsJoiner &joiner, char positive, char negative,
                        DmsDecimals decimals = DmsDecimals::Fixed);

} // namespace Code
