// Standard Molodensky datum shift between the selected datum and WGS 84.
#include "Coord.h"

#include "CoordMolodensky.h"
#include "Errors.h"

#include <cmath>

MolodenskyShift ComputeMolodenskyShift(const MolodenskyEllipsoid &ell,
                                       const MolodenskyConstants &k,
                                       double phi, double lam, double h) {
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

    // Latitude shift; the five terms are summed in this order.
    s.lat[0] = -(k.dx * sphi * clam);
    s.lat[1] = -(k.dy * sphi * slam);
    s.lat[2] = k.dz * cphi;
    s.lat[3] = k.da * s.N * e2 * sphi * cphi / a;
    s.lat[4] = ((a / b) * s.M + (b / a) * s.N) * k.df * sphi * cphi;
    s.lat[5] = s.M + h;
    s.latAll = s.lat[0] + s.lat[1] + s.lat[2] + s.lat[3] + s.lat[4];
    s.dLat = s.latAll / s.lat[5];

    // Longitude shift.
    s.lon[0] = -k.dx * slam;
    s.lon[1] = k.dy * clam;
    s.lon[2] = (s.N + h) * cphi;
    s.lonAll = s.lon[0] + s.lon[1];
    s.dLon = s.lonAll / s.lon[2];

    // Height shift; the five terms are summed in this order.
    s.alt[0] = k.dx * cphi * clam;
    s.alt[1] = k.dy * cphi * slam;
    s.alt[2] = k.dz * sphi;
    s.alt[3] = -k.da * (a / s.N);
    s.alt[4] = (b / a) * k.df * s.N * sphi * sphi;
    s.dAlt = s.alt[0] + s.alt[1] + s.alt[2] + s.alt[3] + s.alt[4];
    return s;
}

namespace {

MolodenskyConstants StoredConstants(const COORD &c) {
    return {c.m_dbLocal_dx, c.m_dbLocal_dy, c.m_dbLocal_dz, c.m_dbLocal_da,
            c.m_dbLocal_df};
}

} // namespace

// The shift constants describe the step from the local datum to WGS 84, so
// Local2Wgs evaluates the formulas on the local ellipsoid at the local point
// and adds the shift; Wgs2Local evaluates them on WGS 84 at the WGS 84 point
// with the same stored constants and subtracts it. Both use the input height
// for all three shifts.
void COORD::Local2Wgs(double &lat, double &lon, double &alt) const {
    const MolodenskyEllipsoid local{m_dbLocal_a, m_dbLocal_b, m_dbLocal_e,
                                    m_dbLocal_ee};
    const MolodenskyShift s =
        ComputeMolodenskyShift(local, StoredConstants(*this), lat, lon, alt);
    lat = lat + s.dLat;
    lon = lon + s.dLon;
    alt = alt + s.dAlt;
}

void COORD::Wgs2Local(double &lat, double &lon, double &alt) const {
    const MolodenskyEllipsoid wgs84{m_dbWgs84_a, m_dbWgs84_b, m_dbWgs84_e,
                                    m_dbWgs84_ee};
    const MolodenskyShift s =
        ComputeMolodenskyShift(wgs84, StoredConstants(*this), lat, lon, alt);
    lat = lat - s.dLat;
    lon = lon - s.dLon;
    alt = alt - s.dAlt;
}

void COORD::TransWgs2Local(double lat, double lon, double alt, double &latOut,
                           double &lonOut, double &altOut) const {
    double p[3] = {0, 0, 0};
    RunFloatingPointChecked([&] {
        PinFloatingPoint(lat, lon, alt);
        p[0] = lat * m_dbDeg2Rad;
        p[1] = lon * m_dbDeg2Rad;
        p[2] = alt;
        Wgs2Local(p[0], p[1], p[2]);
        p[0] = p[0] * m_dbRad2Deg;
        p[1] = p[1] * m_dbRad2Deg;
        PinFloatingPoint(p);
    });
    latOut = p[0];
    lonOut = p[1];
    altOut = p[2];
}

void COORD::TransLocal2Wgs(double lat, double lon, double alt, double &latOut,
                           double &lonOut, double &altOut) const {
    double p[3] = {0, 0, 0};
    RunFloatingPointChecked([&] {
        PinFloatingPoint(lat, lon, alt);
        p[0] = lat * m_dbDeg2Rad;
        p[1] = lon * m_dbDeg2Rad;
        p[2] = alt;
        Local2Wgs(p[0], p[1], p[2]);
        p[0] = p[0] * m_dbRad2Deg;
        p[1] = p[1] * m_dbRad2Deg;
        PinFloatingPoint(p);
    });
    latOut = p[0];
    lonOut = p[1];
    altOut = p[2];
}
