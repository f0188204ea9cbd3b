// Reading one geographic point from a line of text: the reader that
// nolvex-convert applies to each line of a geographic source, and that any
// other front end uses for a point typed or pasted as text.
#pragma once

#include "AngleText.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

/// A geographic point as read from text.
struct GeoPoint {
    double latitude = 0;          ///< degrees, in [-90, 90]
    double longitude = 0;         ///< degrees, in [-180, 360)
    std::optional<double> height; ///< metres, when the text had one
};

/// Largest height or grid value read, in metres: ten times the distance to
/// the Moon would still be below it; anything beyond is a misread.
constexpr double COORDINATE_MAX = 1e10;

/// Refuses a height or grid value beyond COORDINATE_MAX:
/// "<label> <value> is beyond 1E10 m".
/// @throws InputError.
void CheckCoordinate(double value, const char *label);

/**
 * Reads one point: a latitude, a longitude (in either order when hemisphere
 * letters say which is which) and an optional height, separated by blanks,
 * or by one comma, semicolon or tab with blanks around it. Each angle is
 * read by ParseAngle: "37.5 127.5", "37.5, 127.5, 30", "37°33'58.7\"N
 * 126°58'40.4\"E", "127E 37N", "N 37 30 0 E 127 0 0 12.5", "37 30 0 N 127 0
 * 0 E", "37:30 127:00".
 *
 * Degrees, minutes and seconds given as separate numbers (separated by
 * blanks or delimiters) belong to one angle when a hemisphere letter stands
 * right after them ("37 30 0 N") or right before them ("N 37 30 0"); a
 * number with a degree mark starts an angle and the numbers after it are its
 * minutes and seconds ("37° 30′ 0″"). An angle that starts with its letter
 * ends at the next letter, after a part with a fraction, or after three
 * parts; when it runs to the end instead, it must have as many parts as the
 * other angle, else the line is refused (it could end with a height).
 * Without letters or marks every number is a value of its own, and a line
 * with more numbers than a latitude, a longitude and a height is refused
 * when an angle is a whole number (it could be degrees before minutes).
 *
 * @param[in] longitudeFirst the order of two angles without letters.
 * @throws InputError with the reason.
 */
GeoPoint ReadGeoPoint(std::string_view text, bool longitudeFirst = false);

// ---- the same reader on the fields of a line
// ----------------------------------

/// The fields, inclusive, that one value of a line spans.
struct FieldSpan {
    std::uint32_t first = 0;
    std::uint32_t last = 0;
};

/**
 * Groups @p fields from @p start on into values by the rules of
 * ReadGeoPoint: one span per value, in order. Fields before @p start are
 * not looked at.
 * @throws InputError when letters or marks cannot be matched to angles.
 */
void GroupAngleFields(const std::vector<std::string_view> &fields,
                      std::size_t start, std::vector<FieldSpan> &values);

/// Fields @p start to @p end (excluded) as values of one field each: a
/// line without angles spread over fields.
void SingleFieldValues(std::size_t start, std::size_t end,
                       std::vector<FieldSpan> &values);

/// The text of one value: its field, or its fields joined by blanks (into
/// @p scratch).
std::string_view SpanText(const std::vector<std::string_view> &fields,
                          FieldSpan span, std::string &scratch);

/// Latitude and longitude read from the texts of two values.
struct LatLon {
    double latitude = 0;
    double longitude = 0;
    bool firstIsLatitude = true; ///< which value held the latitude
};

/**
 * Reads two angle values: a letter decides which coordinate its value is
 * (one letter decides for both); without letters @p longitudeFirst does.
 * Both are checked against their ranges.
 * @throws InputError.
 */
LatLon ReadLatLon(std::string_view first, std::string_view second,
                  bool longitudeFirst);

/**
 * Refuses a line whose numbers could be grouped two ways: more plain
 * numbers among @p values than @p asked, while one of the angle values
 * @p angles is a whole number without marks (it could be degrees followed by
 * minutes).
 * @throws InputError.
 */
void CheckNumberCount(const std::vector<std::string_view> &fields,
                      const std::vector<FieldSpan> &values, std::size_t asked,
                      std::string_view firstAngle,
                      std::string_view secondAngle);
