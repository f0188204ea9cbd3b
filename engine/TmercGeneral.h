// Transverse Mercator with any ellipsoid, origin latitude, central meridian,
// scale factor and false origin, on the engine's documented series.
#pragma once

#include "Coord.h"

#include <cstdint>

/**
 * One Transverse Mercator projection, set up once and used for any number of
 * points: the documented series of ConvGeo2Grid and ConvGrid2Geo (arc from the
 * origin latitude plus powers of the longitude difference to the eighth
 * forward; footpoint by Newton's method plus powers of the easting to the
 * sixth back), with constants of the caller's choice instead of a grid kind's.
 *
 * Forward, for the constants of a documented grid it gives that grid's
 * results bit for bit, and stays within 1 mm of an exact Transverse Mercator
 * up to 7 degrees of longitude from the central meridian. Back, the
 * documented inverse series is refined by Newton's method on the forward
 * series, so that it inverts Forward to well under a micrometre and keeps
 * its 7 degrees (the inverse series alone holds 1 mm only to about 3.5).
 * Longitudes are not reduced to any range.
 *
 * Every operation takes and returns degrees and metres. A floating-point
 * fault throws FloatingPointError with the engine's messages and leaves the
 * object or the outputs as they were.
 */
class TransverseMercator {
  public:
    /**
     * @param[in] a semi-major axis (metres).
     * @param[in] invf inverse flattening.
     * @param[in] lat0 latitude of natural origin (degrees).
     * @param[in] lon0 longitude of natural origin, the central meridian
     *   (degrees).
     * @param[in] k0 scale factor on the central meridian.
     * @param[in] falseEasting, falseNorthing grid coordinates of the natural
     *   origin (metres).
     * @throws FloatingPointError when the ellipsoid's derived constants
     *   fault (an inverse flattening of 0, for one).
     */
    TransverseMercator(double a, double invf, double lat0, double lon0,
                       double k0, double falseEasting, double falseNorthing);

    /**
     * Geodetic to grid.
     * @param[in] lat, lon position (degrees).
     * @param[out] x easting (metres).
     * @param[out] y northing (metres).
     */
    void Forward(double lat, double lon, double &x, double &y) const;

    /**
     * Grid to geodetic: the inverse series, then two Newton steps on the
     * forward series.
     * @param[in] x easting (metres).
     * @param[in] y northing (metres).
     * @param[out] lat, lon position (degrees).
     */
    void Reverse(double x, double y, double &lat, double &lon) const;

    /// Non-zero appends a record of every later conversion to "GEO2TM.txt"
    /// (forward) or "TM2GEO.txt" (back) in the current directory, with the
    /// blocks of the documented "LOC2UTM.txt" and "UTM2LOC.txt" records.
    void SetTrace(std::int16_t bTrace);

  private:
    /// The series reads its constants from an engine: this one holds the
    /// ellipsoid as its user row, selected, and the projection constants
    /// (longitude delta 0, so the origin longitude is the central meridian).
    COORD m_coord;
};
