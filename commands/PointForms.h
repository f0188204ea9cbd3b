// A whole point as one text, in the forms people paste into other programs:
// decimal degrees, degrees-minutes-seconds with hemisphere letters, grid
// values, GeoJSON, WKT and a geo: URI.
#pragma once

#include "Commands.h"

#include <string>

enum class PointFormat {
    Decimal, ///< "lat, lon, h"
    Dms,     ///< 37°28'54.62984"N 127°0'16.35149"E 0
    Grid,    ///< "x, y, z"
    GeoJson, ///< {"type":"Point","coordinates":[lon,lat,h]}
    Wkt,     ///< POINT Z (lon lat h)
    GeoUri,  ///< geo:lat,lon,h
};

/**
 * Writes a point as text. Numbers are written in the general 15-digit format
 * with a decimal point, whatever the separator of the windows: these texts
 * are read by other programs. Dms writes whole degrees and minutes and
 * seconds rounded to five decimals (0.3 mm), a hemisphere letter instead of
 * a sign; GeoUri writes plain decimals, never an exponent (RFC 5870).
 * @param[in] point latitude, longitude (degrees) and height (metres), or
 *   for Grid X, Y and Z (metres).
 */
std::string WritePoint(PointFormat format, const PointValues &point);
