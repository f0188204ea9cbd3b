// Geodetic and Earth-centred (ECEF) coordinates on any ellipsoid, the way
// back iterated to full double accuracy, and the geocentric datum
// transformations: 3-parameter translation, 7-parameter Helmert in either
// rotation convention and 10-parameter Molodensky-Badekas.
#pragma once

#include "Coord.h"

#include <cstdint>

class CoordTrace;

/**
 * Geodetic <-> ECEF on one ellipsoid. Forward is the engine's closed formula
 * (as ConvGeo2Ecef); Reverse iterates Bowring's formula until the latitude no
 * longer changes, so it stays at full double accuracy from deep below the
 * surface to far out in space (the documented ConvEcef2Geo takes one step).
 *
 * Every operation takes and returns degrees and metres. A floating-point
 * fault throws FloatingPointError with the engine's messages and leaves the
 * outputs as they were.
 */
class Geocentric {
  public:
    /**
     * @param[in] a semi-major axis (metres).
     * @param[in] invf inverse flattening.
     * @throws FloatingPointError when the derived constants fault.
     */
    Geocentric(double a, double invf);

    /**
     * Geodetic to ECEF.
     * @param[in] lat, lon position (degrees); @param[in] h ellipsoidal height
     *   (metres).
     * @param[out] x, y, z Cartesian coordinates (metres).
     */
    void Forward(double lat, double lon, double h, double &x, double &y,
                 double &z) const;

    /**
     * ECEF to geodetic. The point must lie more than about 45 km from the
     * centre, outside the region where the normal through it to the
     * ellipsoid is not unique; at the centre itself the invalid-operation
     * fault is raised.
     * @param[in] x, y, z Cartesian coordinates (metres).
     * @param[out] lat, lon position (degrees), latitude in [-90, 90],
     *   longitude in (-180, 180]; @param[out] h ellipsoidal height (metres).
     */
    void Reverse(double x, double y, double z, double &lat, double &lon,
                 double &h) const;

    /// Non-zero appends a record of every later conversion to
    /// "GEO2CART.txt" or "CART2GEO.txt" in the current directory.
    void SetTrace(std::int16_t bTrace);

  private:
    friend class DatumTransformation;

    /// Radian forms, for the datum transformations; no fault check.
    void ForwardRadians(double lat, double lon, double h, double &x, double &y,
                        double &z) const;
    void ReverseRadians(double &lat, double &lon, double &h, double x, double y,
                        double z) const;

    /// The ellipsoid as an engine's selected user row: a, b, f, e^2 and e'^2
    /// derived as for any datum, and the engine's trace blocks.
    COORD m_coord;
};

/// Sign convention of the rotation angles of a Helmert transformation.
enum class HelmertConvention {
    PositionVector,  ///< EPSG methods 1033 / 9606, 1061 / 1063
    CoordinateFrame, ///< EPSG methods 1032 / 9607, 1034 / 9636
};

/// The published parameters of one geocentric transformation, as published:
/// all rotations and the scale 0 make a 3-parameter translation, an
/// evaluation point of 0 a 7-parameter Helmert, otherwise Molodensky-Badekas.
struct HelmertParameters {
    double tx = 0, ty = 0, tz = 0; ///< translation (metres)
    double rx = 0, ry = 0, rz = 0; ///< rotation (arc-seconds)
    double ds = 0;                 ///< scale difference (parts per million)
    double px = 0, py = 0, pz = 0; ///< evaluation point (metres)
    HelmertConvention convention = HelmertConvention::PositionVector;
};

/**
 * A datum transformation through ECEF: geodetic on the source ellipsoid to
 * ECEF, the Helmert step, ECEF to geodetic on the target ellipsoid. The step
 * is the small-angle form of EPSG Guidance Note 7-2; its reverse takes off the
 * translation and the scale exactly and applies the transposed rotation
 * matrix, as PROJ does, so both directions agree with PROJ-based tools. (The
 * transpose inverts the small-angle matrix up to the square of the angles:
 * for a few arc-seconds, under a millimetre at the Earth's radius from the
 * evaluation point.)
 *
 * Degrees and metres; faults as Geocentric.
 */
class DatumTransformation {
  public:
    DatumTransformation(const Geocentric &source,
                        const HelmertParameters &parameters,
                        const Geocentric &target);

    /// Source geodetic to target geodetic (degrees, metres). The height is
    /// transformed too; a caller that keeps heights unchanged (a 2D system)
    /// replaces it.
    void Forward(double lat, double lon, double h, double &latOut,
                 double &lonOut, double &hOut) const;

    /// Target geodetic to source geodetic.
    void Reverse(double lat, double lon, double h, double &latOut,
                 double &lonOut, double &hOut) const;

    /**
     * Geodetic on @p source to geodetic on @p target through ECEF, with
     * @p forward's Helmert step forward and then @p reverse's backward on
     * the way (either may be null): the datum change between two datums that
     * each have a transformation to a common one, under one fault check.
     * Degrees and metres; the height is transformed too.
     */
    static void Through(const Geocentric &source,
                        const DatumTransformation *forward,
                        const DatumTransformation *reverse,
                        const Geocentric &target, double lat, double lon,
                        double h, double &latOut, double &lonOut,
                        double &hOut);

    /// The Helmert step alone: source ECEF to target ECEF (metres).
    void CartesianForward(double x, double y, double z, double &xOut,
                          double &yOut, double &zOut) const;

    /// The Helmert step alone: target ECEF to source ECEF.
    void CartesianReverse(double x, double y, double z, double &xOut,
                          double &yOut, double &zOut) const;

    /// Non-zero appends records of every later conversion: "GEO2CART.txt",
    /// "HELMFWD.txt" or "HELMREV.txt", and "CART2GEO.txt".
    void SetTrace(std::int16_t bTrace);

  private:
    void Step(bool reverse, double x, double y, double z, double &xOut,
              double &yOut, double &zOut) const;
    /// Step under the fault check: the outputs change only when it succeeds.
    void CheckedStep(bool reverse, double x, double y, double z, double &xOut,
                     double &yOut, double &zOut) const;

    Geocentric m_source;
    Geocentric m_target;
    HelmertParameters m_parameters;
    double m_dbScale;              ///< 1 + ds 1e-6
    double m_dbRx, m_dbRy, m_dbRz; ///< rotations (radians), coordinate frame
};
