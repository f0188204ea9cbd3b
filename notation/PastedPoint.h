// Reading one point pasted as text, in any of the forms the window copies: a
// line of angles, a WKT POINT, a GeoJSON Point (or a Feature holding one), a
// geo: URI, an MGRS reference and a geohash, each by its own rules.
#pragma once

#include "PointText.h"

#include <cstddef>
#include <string>
#include <string_view>

/// The form a pasted text was read in.
enum class PastedForm {
    Text,    ///< a line of angles, read as ReadGeoPoint reads one
    Wkt,     ///< POINT (lon lat), POINT (lon lat h), POINT Z (lon lat h)
    GeoJson, ///< a GeoJSON Point, or a Feature holding one (RFC 7946)
    GeoUri,  ///< geo:lat,lon[,h][;crs=wgs84][;u=...] (RFC 5870)
    Mgrs,    ///< an MGRS reference: 52S CG 21459 59650
    Geohash, ///< geohash:u4pruydqqvj, or a geohash.org URL
};

/// A point as pasted, with what its form says about its datum.
struct PastedPoint {
    GeoPoint point;
    PastedForm form = PastedForm::Text;
    /// True when the form puts the point on WGS 84 by definition (GeoJSON,
    /// geo: URIs, MGRS and geohashes); a line of angles and WKT name no
    /// datum.
    bool wgs84 = false;
    /// An MGRS reference or a geohash names an area, whose centre is the
    /// point: "a square 1 m across", "a cell 1.68e-07° by 3.35e-07°";
    /// empty for the other forms.
    std::string area;
};

/// Longest text read as one point, in bytes: a GeoJSON Feature may carry
/// properties, but a clipboard of several megabytes holds no single point.
constexpr std::size_t PASTED_TEXT_MAX = 1024 * 1024;

/**
 * Reads one point from pasted text. Blanks and line ends around the text are
 * ignored; the form is told by how the text starts:
 * - "{": GeoJSON (RFC 7946). A Point, or a Feature whose geometry is a
 *   Point; its position is [longitude, latitude] or [longitude, latitude,
 *   height], on WGS 84, longitude within -180 to 180. A "crs" member other
 *   than CRS84 (older GeoJSON) is refused: the point would not be on WGS 84.
 *   The text may span lines; other members ("properties", "bbox", "id")
 *   are not looked at.
 * - "geo:" (either case): a geo URI (RFC 5870), "geo:lat,lon" or
 *   "geo:lat,lon,h", on WGS 84; ";crs=wgs84" may follow first, then
 *   ";u=<uncertainty>", then parameters of any other name, which are not
 *   looked at. Numbers are plain decimals ("-" and digits, a "." with
 *   digits after it), longitude within -180 to 180. Another crs is refused.
 * - "POINT" (either case): WKT, "POINT (lon lat)", "POINT (lon lat h)" or
 *   "POINT Z (lon lat h)", numbers as ReadNumber reads them. "POINT EMPTY"
 *   and a measure ("POINT M", "POINT ZM") are refused, as are the other
 *   geometries of WKT ("LINESTRING (...)").
 * - "geohash:" (either case) and a geohash, or a geohash URL
 *   ("http://geohash.org/" or "https://geohash.org/" and a geohash, nothing
 *   after it): on WGS 84, the centre of its cell (see ReadGeohash). A bare
 *   geohash is not taken: "375127" would be one.
 * - an MGRS reference (one or two digits and three letters, or A, B, Y or
 *   Z and two letters, then digits; blanks anywhere): on WGS 84, the centre
 *   of its square (see ReadMgrs).
 * - anything else: a line of angles, as ReadGeoPoint reads it.
 * Every form but GeoJSON must be one line. Latitudes lie within -90 to 90,
 * heights within COORDINATE_MAX.
 * @throws InputError with the reason.
 */
PastedPoint ReadPastedPoint(std::string_view text);

/// How messages name a form: "text", "WKT", "GeoJSON", "geo: URI".
const char *PastedFormName(PastedForm form);
