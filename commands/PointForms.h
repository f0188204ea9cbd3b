// A whole point as one text, in the forms people paste into other programs:
// decimal degrees, degrees-minutes-seconds with hemisphere letters, grid
// values, GeoJSON, WKT, a geo: URI, an MGRS reference and a geohash; and a
// pasted text as a side takes it.
#pragma once

#include <algorithm>
#include <string_view>

#include "Commands.h"
#include "PastedPoint.h"

#include <string>
#include <string_view>

enum class PointFormat {
    Decimal, ///< "lat, lon, h"
    Dms,     ///< 37°28'54.62984"N 127°0'16.35149"E 0
    Grid,    ///< "x, y, z"
    GeoJson, ///< {"type":"Point","coordinates":[lon,lat,h]}
    Wkt,     ///< POINT Z (lon lat h)
    GeoUri,  ///< geo:lat,lon,h
    Mgrs,    ///< 52S CG 21459 59650 (its 1 m square)
    Geohash, ///< geohash:wydm9qyc4kf9 (12 characters)
};

/// The form holds a point on WGS 84 by definition (GeoJSON, geo: URIs,
/// MGRS, geohashes): a side on another datum or system carries its point
/// there first.
bool OnWgs84(PointFormat format);

/**
 * Writes a point as text. Numbers are written in the general 15-digit format
 * with a decimal point, whatever the separator of the windows: these texts
 * are read by other programs. Dms writes whole degrees and minutes and
 * seconds rounded to five decimals (0.3 mm), a hemisphere letter instead of
 * a sign; GeoUri writes plain decimals, never an exponent (RFC 5870). Mgrs
 * writes the reference of the 1 m square that holds the point, spaced for
 * people; Geohash "geohash:" and 12 characters (a cell of about 37 by 19
 * mm); neither has a height.
 * @param[in] point latitude, longitude (degrees) and height (metres), or
 *   for Grid X, Y and Z (metres).
 */
std::string WritePoint(PointFormat format, const PointValues &point);

/// A pasted point as a side takes it.
struct PointForSide {
    /// Latitude, longitude (degrees) and height (metres) on the side's
    /// datum. A text without a height gives height 0 on the datum it was
    /// read on: the side's altitude is then 0, or that 0 carried.
    PointValues point{};
    /// False when the text had no height (height 0 taken, as above).
    bool hasHeight = false;
    PastedForm form = PastedForm::Text;
    /// Read on another datum and carried to the side's.
    bool carried = false;
    /// Read from a record of this program's copy (ReadPointRecord), not
    /// from text.
    bool record = false;
    /// The datum it was read on: "WGS 84" for GeoJSON, geo: URIs, MGRS and
    /// geohashes, the copied side's for a point record.
    std::string from = "WGS 84";
    /// An MGRS reference or a geohash: the area it names, whose centre the
    /// point is ("a square 1 m across"); empty for the other forms.
    std::string area;
};

/**
 * Paste Point on @p side: reads @p text in any form ReadPastedPoint reads,
 * so every form WritePoint writes but Grid (whose "x, y, z" reads as
 * decimal degrees, or is refused as out of range). GeoJSON, geo: URIs,
 * MGRS references and geohashes are on WGS 84, as WritePoint writes them:
 * on a side on another datum their point is carried there by Transform's
 * step into it (a point without a height at height 0 on WGS 84, which gives
 * the carried point its height on the side's datum). An MGRS reference or
 * a geohash gives the centre of its square or cell, without a height. WKT
 * and a line of angles name no datum and are taken as the side's own, as a
 * typed point is (at height 0 there without a height).
 * @throws InputError with the reason, FloatingPointError, ProjError,
 *   ProjPointError.
 */
PointForSide ReadPointForSide(const Side &side, std::string_view text);

/**
 * A GeoJSON Point geometry (RFC 7946): {"type":"Point","coordinates":[lon,
 * lat,h]}, longitude first, each number written at @p p by @p number
 * (char *number(char *, double)). Room: 40 bytes and the three numbers.
 * @return the end of what was written.
 */
template <typename Number>
char *PutGeoJsonPoint(char *p, double lon, double lat, double h,
                      Number number) {
    constexpr std::string_view OPEN = "{\"type\":\"Point\",\"coordinates\":[";
    p = std::copy(OPEN.begin(), OPEN.end(), p);
    p = number(p, lon);
    *p++ = ',';
    p = number(p, lat);
    *p++ = ',';
    p = number(p, h);
    *p++ = ']';
    *p++ = '}';
    return p;
}
