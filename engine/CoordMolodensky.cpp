// Standard Molodensky datum shift between the selected datum and WGS 84: the
// shift of latitude, longitude and height from three geocentric translations
// and the differences of the two ellipsoids, evaluated once at the input
// point. Formulas as published in DMA TR 8350.2, "Department of Defense World
// Geodetic System 1984" (3rd edition, 2000), and derived in R. E. Deakin,
// "The Standard and Abridged Molodensky Coordinate Transformation Formulae"
// (RMIT University, 2004).
#include "Coord.h"

#include "CoordMolodensky.h"
#include "CoordTrace.h"
#include "Errors.h"

#include <cmath>

namespace {

// The computation with its trace points, a template on whether it is traced:
// the untraced instance carries no trace code at all. The other conversions
// test the switch at each trace point instead; here that form measured 5 to
// 8 % slower on bench_engine (TransWgs2Local, TransLocal2Wgs). In a traced
// call a fence on N and M after each block keeps the later steps, whose
// divisors come from them, from being computed before the block is written,
// so a fault ends the record at the last block before it.
template <bool TRACED>
MolodenskyShift ShiftWith(const MolodenskyEllipsoid &ell,
                          const MolodenskyConstants &k, double phi, double lam,
                          double h, CoordTrace &trace) {
    MolodenskyShift s{};
    const double sphi = std::sin(phi);
    const double slam = std::sin(lam);
    const double cphi = std::cos(phi);
    const double clam = std::cos(lam);
    const double a = ell.a;
    const double b = ell.b;
    const double e = ell.e;
    const double e2 = ell.ee;

    // Radii of curvature in the prime vertical (N) and the meridian (M).
    s.w = 1.0 - std::pow(e * sphi, 2);
    s.N = a / std::sqrt(s.w);
    s.w15 = std::pow(s.w, 1.5);
    s.M = (1.0 - e2) * a / s.w15;
    if (TRACED && trace) {
        trace.MolodenskyRadii(s.w, s.w15, s.N, s.M);
        TraceFence(s.N, s.M);
    }

    // Latitude shift; the five terms are summed in this order.
    s.lat[0] = -(k.dx * sphi * clam);
    s.lat[1] = -(k.dy * sphi * slam);
    s.lat[2] = k.dz * cphi;
    s.lat[3] = k.da * s.N * e2 * sphi * cphi / a;
    s.lat[4] = ((a / b) * s.M + (b / a) * s.N) * k.df * sphi * cphi;
    s.lat[5] = s.M + h;
    s.latAll = s.lat[0] + s.lat[1] + s.lat[2] + s.lat[3] + s.lat[4];
    s.dLat = s.latAll / s.lat[5];
    if (TRACED && trace) {
        trace.MolodenskyLatitude(s.lat[0], s.lat[1], s.lat[2], s.lat[3],
                                 s.lat[4], s.lat[5], s.latAll, s.dLat);
        TraceFence(s.N, s.M);
    }

    // Longitude shift.
    s.lon[0] = -k.dx * slam;
    s.lon[1] = k.dy * clam;
    s.lon[2] = (s.N + h) * cphi;
    s.lonAll = s.lon[0] + s.lon[1];
    s.dLon = s.lonAll / s.lon[2];
    if (TRACED && trace) {
        trace.MolodenskyLongitude(s.lon[0], s.lon[1], s.lon[2], s.lonAll,
                                  s.dLon);
        TraceFence(s.N, s.M);
    }

    // Height shift; the five terms are summed in this order.
    s.alt[0] = k.dx * cphi * clam;
    s.alt[1] = k.dy * cphi * slam;
    s.alt[2] = k.dz * sphi;
    s.alt[3] = -k.da * (a / s.N);
    s.alt[4] = (b / a) * k.df * s.N * sphi * sphi;
    s.dAlt = s.alt[0] + s.alt[1] + s.alt[2] + s.alt[3] + s.alt[4];
    if (TRACED && trace)
        trace.MolodenskyAltitude(s.alt[0], s.alt[1], s.alt[2], s.alt[3],
                                 s.alt[4], s.dAlt);
    return s;
}

MolodenskyConstants StoredConstants(const COORD &c) {
    return {c.m_dbLocal_dx, c.m_dbLocal_dy, c.m_dbLocal_dz, c.m_dbLocal_da,
            c.m_dbLocal_df};
}

/// The traced shift: opens the record of @p record, writes its input block,
/// runs the traced instance and applies the shift with @p sign. Kept out of
/// line, and entered before anything else is set up, so that the untraced
/// path of the two operations below is the plain computation.
[[gnu::cold, gnu::noinline]] void
TracedShift(const COORD &c, TraceRecord record, const MolodenskyEllipsoid &ell,
            double sign, double &phi, double &lam, double &h) {
    CoordTrace trace(c, record);
    if (trace) {
        trace.MolodenskyInput(phi, lam, h);
        TraceFence(phi, lam, h);
    }
    const MolodenskyShift s =
        ShiftWith<true>(ell, StoredConstants(c), phi, lam, h, trace);
    phi = phi + sign * s.dLat;
    lam = lam + sign * s.dLon;
    h = h + sign * s.dAlt;
}

} // namespace

MolodenskyShift ComputeMolodenskyShift(const MolodenskyEllipsoid &ell,
                                       const MolodenskyConstants &k, double phi,
                                       double lam, double h) {
    CoordTrace untraced;
    return ShiftWith<false>(ell, k, phi, lam, h, untraced);
}

// The shift constants describe the step from the local datum to WGS 84, so
// Local2Wgs evaluates the formulas on the local ellipsoid at the local point
// and adds the shift; Wgs2Local evaluates them on WGS 84 at the WGS 84 point
// with the same stored constants and subtracts it. Both use the input height
// for all three shifts.
void COORD::Local2Wgs(double &lat, double &lon, double &alt) const {
    const MolodenskyShift s = ComputeMolodenskyShift(
        {m_dbLocal_a, m_dbLocal_b, m_dbLocal_e, m_dbLocal_ee},
        StoredConstants(*this), lat, lon, alt);
    lat = lat + s.dLat;
    lon = lon + s.dLon;
    alt = alt + s.dAlt;
}

void COORD::Wgs2Local(double &lat, double &lon, double &alt) const {
    const MolodenskyShift s = ComputeMolodenskyShift(
        {m_dbWgs84_a, m_dbWgs84_b, m_dbWgs84_e, m_dbWgs84_ee},
        StoredConstants(*this), lat, lon, alt);
    lat = lat - s.dLat;
    lon = lon - s.dLon;
    alt = alt - s.dAlt;
}

namespace {

/// Runs a radian-valued shift on a point given and returned in degrees, under
/// the floating-point fault check; the outputs are stored only on success.
template <typename Shift>
void ShiftInDegrees(const COORD &c, double lat, double lon, double alt,
                    double &latOut, double &lonOut, double &altOut,
                    Shift &&shift) {
    double p[3] = {0, 0, 0};
    RunFloatingPointChecked([&] {
        PinFloatingPoint(lat, lon, alt);
        p[0] = lat * c.m_dbDeg2Rad;
        p[1] = lon * c.m_dbDeg2Rad;
        p[2] = alt;
        shift(p[0], p[1], p[2]);
        p[0] = p[0] * c.m_dbRad2Deg;
        p[1] = p[1] * c.m_dbRad2Deg;
        PinFloatingPoint(p);
    });
    latOut = p[0];
    lonOut = p[1];
    altOut = p[2];
}

/// The traced degree operations, out of line: the untraced ones below then
/// contain no trace code at all. (A trace call inside them would take the
/// address of the point being shifted, and the compiler would then keep it in
/// memory across every library call of the untraced computation as well.)
[[gnu::cold, gnu::noinline]] void
TracedInDegrees(const COORD &c, TraceRecord record,
                const MolodenskyEllipsoid &ell, double sign, double lat,
                double lon, double alt, double &latOut, double &lonOut,
                double &altOut) {
    ShiftInDegrees(c, lat, lon, alt, latOut, lonOut, altOut,
                   [&](double &phi, double &lam, double &h) {
                       TracedShift(c, record, ell, sign, phi, lam, h);
                   });
}

} // namespace

void COORD::TransWgs2Local(double lat, double lon, double alt, double &latOut,
                           double &lonOut, double &altOut) const {
    if (m_bTrace != 0) {
        TracedInDegrees(*this, TraceRecord::Wgs2Local,
                        {m_dbWgs84_a, m_dbWgs84_b, m_dbWgs84_e, m_dbWgs84_ee},
                        -1.0, lat, lon, alt, latOut, lonOut, altOut);
        return;
    }
    ShiftInDegrees(*this, lat, lon, alt, latOut, lonOut, altOut,
                   [this](double &phi, double &lam, double &h) {
                       Wgs2Local(phi, lam, h);
                   });
}

void COORD::TransLocal2Wgs(double lat, double lon, double alt, double &latOut,
                           double &lonOut, double &altOut) const {
    if (m_bTrace != 0) {
        TracedInDegrees(*this, TraceRecord::Local2Wgs,
                        {m_dbLocal_a, m_dbLocal_b, m_dbLocal_e, m_dbLocal_ee},
                        +1.0, lat, lon, alt, latOut, lonOut, altOut);
        return;
    }
    ShiftInDegrees(*this, lat, lon, alt, latOut, lonOut, altOut,
                   [this](double &phi, double &lam, double &h) {
                       Local2Wgs(phi, lam, h);
                   });
}
