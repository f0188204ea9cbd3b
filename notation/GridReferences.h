// The grid references and geocodes of a point on WGS 84: MGRS references,
// UPS coordinates and geohashes, written and read through GeographicLib
// (its MGRS, UTMUPS and Geohash classes), and the strict readers of the
// references as people type them.
#pragma once

#include "PointText.h"

#include <string>
#include <string_view>
#include <vector>

/// Digits per coordinate of an MGRS reference: 0 names its 100 km square, 5
/// (the default) its 1 m square, 11 (the most GeographicLib writes) a
/// square of 1 micrometre.
constexpr int MGRS_DIGITS_MIN = 0;
constexpr int MGRS_DIGITS_MAX = 11;
constexpr int MGRS_DIGITS_DEFAULT = 5;
/// Characters of a geohash: 1 to 18 (GeographicLib's most, about 1
/// micrometre), 12 by default (a cell of about 37 mm by 19 mm).
constexpr int GEOHASH_LENGTH_MIN = 1;
constexpr int GEOHASH_LENGTH_MAX = 18;
constexpr int GEOHASH_LENGTH_DEFAULT = 12;

/// How an MGRS reference is written: in one word ("52SCG2145959650", as
/// GeoConvert writes it and files keep one value to a field), or in its
/// four parts for people ("52S CG 21459 59650").
enum class MgrsLayout { Compact, Spaced };

/**
 * The MGRS reference of a point on WGS 84 at latitude @p lat and longitude
 * @p lon (degrees), into @p out: its standard zone (Norway and Svalbard
 * exceptions included; UPS beyond 84 N and 80 S), its 100 km square, and
 * @p digits (0 to 11) digits of easting and of northing, truncated: the
 * reference names the square that holds the point.
 * @throws InputError for a latitude outside -90 to 90 or a longitude that
 *   is not finite.
 */
void WriteMgrs(double lat, double lon, int digits, std::string &out,
               MgrsLayout layout = MgrsLayout::Compact);

/// A point in UPS (Universal Polar Stereographic, on WGS 84).
struct UpsPoint {
    bool north = true;   ///< the hemisphere
    double easting = 0;  ///< metres
    double northing = 0; ///< metres
};

/**
 * The UPS coordinates of a point on WGS 84 (degrees). UPS covers the caps
 * beyond 84 N and 80 S, and GeographicLib takes it some way into UTM's
 * latitudes as well (easting and northing 1200 to 2800 km in the north, 700
 * to 3300 km in the south: at least to 83.5 N and 79.5 S at every
 * longitude).
 * @throws InputError for a point beyond that range, with the reason.
 */
UpsPoint ToUps(double lat, double lon);

/// The geohash of @p length (1 to 18) characters of a point on WGS 84
/// (degrees), in lower case, into @p out.
/// @throws InputError for a latitude outside -90 to 90.
void WriteGeohash(double lat, double lon, int length, std::string &out);

/// A point read from an MGRS reference or a geohash: the centre of its
/// square or cell, on WGS 84.
struct ReferencePoint {
    double latitude = 0;  ///< degrees
    double longitude = 0; ///< degrees, in [-180, 180)
    /// MGRS: its digits per coordinate (0 to 11); geohash: its length.
    int precision = 0;
};

/**
 * Reads an MGRS reference: "52SCG2145959650", "52S CG 21459 59650", in
 * either case, blanks anywhere (GeographicLib's reader takes none, so they
 * are removed first); the zone of zones 1 to 9 with or without its leading
 * zero; UPS references (A, B, Y, Z). The point is the centre of the square
 * it names, as GeoConvert reads a reference. Refused, with the reason: a
 * band or square letter that is none, a square letter not in that zone or
 * band, an odd count of digits, more than 11 digits a coordinate, other
 * characters, and a grid zone alone ("52S"), which names no square.
 * @throws InputError with the reason.
 */
ReferencePoint ReadMgrs(std::string_view text);

/**
 * Reads a geohash: 1 to 18 characters of its alphabet (the digits and the
 * small letters but a, i, l and o), either case, blanks removed. The point
 * is the centre of its cell.
 * @throws InputError with the reason (a character outside the alphabet
 *   named).
 */
ReferencePoint ReadGeohash(std::string_view text);

/// How wide an MGRS reference's square is, for notes: "100 km", "1 m",
/// "1 µm" for @p digits 0 to 11.
std::string MgrsSquareText(int digits);

/// How large a geohash's cell is, for notes: "0.0439° by 0.0439°" (latitude
/// by longitude, 3 significant digits) for @p length characters.
std::string GeohashCellText(int length);

/**
 * Groups @p fields from @p start on into values where an MGRS reference is
 * spread over several fields of a line cut at blanks ("52S CG 21459
 * 59650"): a field that starts a reference (a zone with its band, or a
 * UPS band, alone or with its square letters) takes the fields that go on
 * with it: the square letters, then its digits in one field, or in two
 * fields of equal length (easting, northing). Every other field is a value
 * of its own.
 */
void GroupMgrsFields(const std::vector<std::string_view> &fields,
                     std::size_t start, std::vector<FieldSpan> &values);
