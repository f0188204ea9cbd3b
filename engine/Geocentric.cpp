// Geodetic <-> ECEF on any ellipsoid and the geocentric datum transformations.
//
// Forward: the closed formula, N = a / sqrt(1 - e^2 sin^2 phi),
// X = (N + h) cos phi cos lambda, Y = (N + h) cos phi sin lambda,
// Z = ((1 - e^2) N + h) sin phi (IOGP Publication 373-7-2, Geomatics Guidance
// Note 7 part 2, "Geographic/geocentric conversions", EPSG method 9602).
// Back: Bowring's formula (B.R. Bowring, "Transformation from spatial to
// geographical coordinates", Survey Review 23(181), 1976, pp. 323-327) for the
// latitude from a parametric latitude, iterated: the parametric latitude of
// each new latitude feeds the next pass until it changes by less than 1e-15
// rad. From 10 km below the surface to 10,000 km above it one to three
// passes (the last one confirming) reach the last bit.
// Datum transformations: the geocentric translation (EPSG method 1031 / 9603),
// the 7-parameter Helmert transformation in its position-vector (1033 / 9606)
// and coordinate-frame (1032 / 9607) forms and the Molodensky-Badekas
// transformation (1034 / 9636, 1061 / 1063), all in the small-angle form of
// the same Guidance Note:
//   X_t = (1 + ds 1e-6) R (X_s - X_p) + X_p + T
// with, for the coordinate-frame convention,
//       |  1   rz  -ry |
//   R = | -rz  1    rx |
//       |  ry -rx   1  |
// and its transpose for the position-vector convention.
#include "Geocentric.h"

#include "CoordSeries.h"
#include "CoordTrace.h"
#include "Errors.h"

#include <cmath>

namespace {

constexpr char ELLIPSOID_NAME[] = "Geocentric";

// The iteration stops when the parametric latitude changes by no more than
// this (radians: 6e-9 m on the Earth), or after this many passes.
constexpr double CART2GEO_TOLERANCE = 1e-15;
constexpr int CART2GEO_MAX_PASSES = 20;

constexpr double ARCSECONDS_PER_DEGREE = 3600.0;
constexpr double PARTS_PER_MILLION = 1e-6;

void Cart2GeoWith(const COORD &c, double &lat, double &lon, double &h, double x,
                  double y, double z, CoordTrace &trace) {
    if (trace) {
        trace.Ecef2LocalInput(x, y, z);
        TraceFence(x, y, z);
    }

    const double a = c.m_dbLocal_a;
    const double b = c.m_dbLocal_b;
    const double e2 = c.m_dbLocal_ee;
    const double ep2 = c.m_dbLocal_epep;

    // Distance from the polar axis. On the axis the two-argument arctangents
    // below give the poles without a division; at the centre no normal
    // defines a latitude, and the quotient 0/0 raises the invalid-operation
    // fault there as the one-step formula does.
    const double p = std::sqrt(x * x + y * y);
    if (p == 0.0 && z == 0.0) {
        // Hidden from the optimiser, so that 0/0 is divided at run time and
        // raises the flag; a quotient folded at compile time would not.
        double zero = z;
        PinFloatingPoint(zero);
        lat = lon = h = zero / p;
        return;
    }

    // Parametric latitude of the point scaled onto the ellipsoid, then
    // Bowring's latitude from it and the parametric latitude of that latitude,
    // tan(beta) = (b / a) tan(phi), until the parametric latitude settles.
    // The sine and cosine of the last pass's latitude serve the height too.
    double beta = std::atan2(z * a, p * b);
    double phi = 0.0, sphi = 0.0, cphi = 1.0;
    int passes = 0;
    for (;;) {
        const double sb = std::sin(beta);
        const double cb = std::cos(beta);
        phi = std::atan2(z + ep2 * b * (sb * sb * sb),
                         p - e2 * a * (cb * cb * cb));
        ++passes;
        sphi = std::sin(phi);
        cphi = std::cos(phi);
        const double next = std::atan2(b * sphi, a * cphi);
        const double change = std::fabs(next - beta);
        beta = next;
        if (change <= CART2GEO_TOLERANCE || passes == CART2GEO_MAX_PASSES)
            break;
    }
    if (trace) {
        trace.Cart2GeoIteration(passes, beta);
        TraceFence(x, y, z, phi);
    }

    // Full-circle arctangent: (-pi, pi].
    const double lam = std::atan2(y, x);

    // The height as the distance along the normal, p cos(phi) + z sin(phi)
    // - a W: unlike p / cos(phi) - N it loses nothing near the poles.
    const double W = std::sqrt(1.0 - e2 * sphi * sphi);
    const double N = a / W;
    const double height = p * cphi + z * sphi - a * W;

    lat = phi;
    lon = lam;
    h = height;
    if (trace)
        trace.Ecef2LocalResult(N, phi, lam, height);
}

} // namespace

// ---- Geocentric ------------------------------------------------------------

Geocentric::Geocentric(double a, double invf)
    : m_coord(DATUM_WGS84) {
    m_coord.SetUserEllipsoid(ELLIPSOID_NAME, a, invf);
    m_coord.SetUserDatum(ELLIPSOID_NAME, 0, 0.0, 0.0, 0.0);
    m_coord.SetDatum(0); // throws on a fault: no half-built ellipsoid
}

void Geocentric::ForwardRadians(double lat, double lon, double h, double &x,
                                double &y, double &z) const {
    EcefClosedForward(m_coord, TraceRecord::Geo2Cart, lat, lon, h, x, y, z);
}

void Geocentric::ReverseRadians(double &lat, double &lon, double &h, double x,
                                double y, double z) const {
    CoordTrace trace(m_coord, TraceRecord::Cart2Geo);
    Cart2GeoWith(m_coord, lat, lon, h, x, y, z, trace);
}

void Geocentric::Forward(double lat, double lon, double h, double &x, double &y,
                         double &z) const {
    double xOut = 0, yOut = 0, zOut = 0;
    RunFloatingPointChecked([&] {
        PinFloatingPoint(lat, lon, h);
        ForwardRadians(lat * m_coord.m_dbDeg2Rad, lon * m_coord.m_dbDeg2Rad, h,
                       xOut, yOut, zOut);
        PinFloatingPoint(xOut, yOut, zOut);
    });
    x = xOut;
    y = yOut;
    z = zOut;
}

void Geocentric::Reverse(double x, double y, double z, double &lat, double &lon,
                         double &h) const {
    double latOut = 0, lonOut = 0, hOut = 0;
    RunFloatingPointChecked([&] {
        PinFloatingPoint(x, y, z);
        ReverseRadians(latOut, lonOut, hOut, x, y, z);
        latOut = latOut * m_coord.m_dbRad2Deg;
        lonOut = lonOut * m_coord.m_dbRad2Deg;
        PinFloatingPoint(latOut, lonOut, hOut);
    });
    lat = latOut;
    lon = lonOut;
    h = hOut;
}

void Geocentric::SetTrace(std::int16_t bTrace) { m_coord.SetTrace(bTrace); }

// ---- DatumTransformation ---------------------------------------------------

DatumTransformation::DatumTransformation(const Geocentric &source,
                                         const HelmertParameters &parameters,
                                         const Geocentric &target)
    : m_source(source), m_target(target), m_parameters(parameters) {
    const double arcsecond =
        m_source.m_coord.m_dbDeg2Rad / ARCSECONDS_PER_DEGREE;
    m_dbScale = 1.0 + parameters.ds * PARTS_PER_MILLION;
    m_dbRx = parameters.rx * arcsecond;
    m_dbRy = parameters.ry * arcsecond;
    m_dbRz = parameters.rz * arcsecond;
}

void DatumTransformation::Step(bool reverse, double x, double y, double z,
                               double &xOut, double &yOut, double &zOut) const {
    // The record opens on the source ellipsoid's engine, whose switch
    // SetTrace turns on with this one's.
    CoordTrace trace(m_source.m_coord, reverse ? TraceRecord::HelmertReverse
                                               : TraceRecord::HelmertForward);
    const HelmertParameters &P = m_parameters;
    if (trace) {
        trace.HelmertInput(x, y, z);
        trace.HelmertConstants(
            P.tx, P.ty, P.tz, P.rx, P.ry, P.rz, P.ds, P.px, P.py, P.pz,
            P.convention == HelmertConvention::CoordinateFrame ? 1 : 0);
        TraceFence(x, y, z);
    }

    const double rx = m_dbRx, ry = m_dbRy, rz = m_dbRz;
    // The matrix applied: the published convention's forward, its transpose
    // back; the position-vector matrix is the coordinate-frame one transposed.
    const bool frameMatrix =
        (P.convention == HelmertConvention::CoordinateFrame) != reverse;

    // Forward: about the evaluation point, rotate, scale, then move back and
    // translate. Back: take off the translation and the evaluation point,
    // undo the scale, rotate by the transpose, and add the point again.
    double dx, dy, dz;
    if (!reverse) {
        dx = x - P.px;
        dy = y - P.py;
        dz = z - P.pz;
    } else {
        dx = (x - (P.px + P.tx)) / m_dbScale;
        dy = (y - (P.py + P.ty)) / m_dbScale;
        dz = (z - (P.pz + P.tz)) / m_dbScale;
    }
    double u, v, w;
    if (frameMatrix) {
        u = dx + rz * dy - ry * dz;
        v = -rz * dx + dy + rx * dz;
        w = ry * dx - rx * dy + dz;
    } else {
        u = dx - rz * dy + ry * dz;
        v = rz * dx + dy - rx * dz;
        w = -ry * dx + rx * dy + dz;
    }
    double X, Y, Z;
    if (!reverse) {
        X = m_dbScale * u + (P.px + P.tx);
        Y = m_dbScale * v + (P.py + P.ty);
        Z = m_dbScale * w + (P.pz + P.tz);
    } else {
        X = u + P.px;
        Y = v + P.py;
        Z = w + P.pz;
    }
    xOut = X;
    yOut = Y;
    zOut = Z;
    if (trace)
        trace.HelmertResult(X, Y, Z);
}

void DatumTransformation::CartesianForward(double x, double y, double z,
                                           double &xOut, double &yOut,
                                           double &zOut) const {
    CheckedStep(false, x, y, z, xOut, yOut, zOut);
}

void DatumTransformation::CartesianReverse(double x, double y, double z,
                                           double &xOut, double &yOut,
                                           double &zOut) const {
    CheckedStep(true, x, y, z, xOut, yOut, zOut);
}

void DatumTransformation::CheckedStep(bool reverse, double x, double y,
                                      double z, double &xOut, double &yOut,
                                      double &zOut) const {
    double out[3] = {0, 0, 0};
    RunFloatingPointChecked([&] {
        PinFloatingPoint(x, y, z);
        Step(reverse, x, y, z, out[0], out[1], out[2]);
        PinFloatingPoint(out);
    });
    xOut = out[0];
    yOut = out[1];
    zOut = out[2];
}

namespace {

/// Geodetic to geodetic in degrees through @p step on radians, under the
/// fault check; the outputs change only when no fault occurred.
template <typename StepFn>
void ThroughEcef(double deg2rad, double rad2deg, double lat, double lon,
                 double h, double &latOut, double &lonOut, double &hOut,
                 const StepFn &step) {
    double out[3] = {0, 0, 0};
    RunFloatingPointChecked([&] {
        PinFloatingPoint(lat, lon, h);
        step(lat * deg2rad, lon * deg2rad, h, out);
        out[0] = out[0] * rad2deg;
        out[1] = out[1] * rad2deg;
        PinFloatingPoint(out);
    });
    latOut = out[0];
    lonOut = out[1];
    hOut = out[2];
}

} // namespace

void DatumTransformation::Through(const Geocentric &source,
                                  const DatumTransformation *forward,
                                  const DatumTransformation *reverse,
                                  const Geocentric &target, double lat,
                                  double lon, double h, double &latOut,
                                  double &lonOut, double &hOut) {
    const COORD &c = source.m_coord;
    ThroughEcef(c.m_dbDeg2Rad, c.m_dbRad2Deg, lat, lon, h, latOut, lonOut, hOut,
                [&](double phi, double lam, double height, double *out) {
                    double x, y, z;
                    source.ForwardRadians(phi, lam, height, x, y, z);
                    if (forward)
                        forward->Step(false, x, y, z, x, y, z);
                    if (reverse)
                        reverse->Step(true, x, y, z, x, y, z);
                    target.ReverseRadians(out[0], out[1], out[2], x, y, z);
                });
}

void DatumTransformation::Forward(double lat, double lon, double h,
                                  double &latOut, double &lonOut,
                                  double &hOut) const {
    Through(m_source, this, nullptr, m_target, lat, lon, h, latOut, lonOut,
            hOut);
}

void DatumTransformation::Reverse(double lat, double lon, double h,
                                  double &latOut, double &lonOut,
                                  double &hOut) const {
    Through(m_target, nullptr, this, m_source, lat, lon, h, latOut, lonOut,
            hOut);
}

void DatumTransformation::SetTrace(std::int16_t bTrace) {
    m_source.SetTrace(bTrace);
    m_target.SetTrace(bTrace);
}
