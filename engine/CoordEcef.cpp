// Earth-centred Earth-fixed coordinates on the selected datum's ellipsoid:
// the closed formula forward, Bowring's formula evaluated once back (B. R.
// Bowring, "Transformation from spatial to geographical coordinates", Survey
// Review 23 (181), 1976).
#include "Coord.h"

#include "CoordSeries.h"
#include "CoordTrace.h"
#include "Errors.h"

#include <cmath>

// Powers are repeated multiplications (see CoordTmerc.cpp). In a traced call
// a fence after each trace block keeps what follows from being computed
// before the block is written.

namespace {

void Local2EcefWith(const COORD &c, double lat, double lon, double h, double &x,
                    double &y, double &z, CoordTrace &trace) {
    if (trace) {
        trace.Local2EcefInput(lat, lon, h);
        TraceFence(lat, lon, h);
    }

    const double a = c.m_dbLocal_a;
    const double e2 = c.m_dbLocal_ee;
    double sphi = std::sin(lat);
    double slam = std::sin(lon);
    double cphi = std::cos(lat);
    double clam = std::cos(lon);
    if (trace) {
        trace.Ellipsoid();
        TraceFence(sphi, slam, cphi, clam);
    }

    // Prime-vertical radius of curvature.
    double N = a / std::sqrt(1.0 - e2 * sphi * sphi);
    if (trace) {
        trace.Radius(N);
        TraceFence(sphi, slam, cphi, clam, N);
    }

    // The height enters X and Y as N + h, but Z as (1 - e2) N + h.
    const double X = (N + h) * cphi * clam;
    const double Y = (N + h) * cphi * slam;
    const double Z = ((1.0 - e2) * N + h) * sphi;
    x = X;
    y = Y;
    z = Z;
    if (trace)
        trace.Local2EcefResult(X, Y, Z);
}

void Ecef2LocalWith(const COORD &c, double &lat, double &lon, double &h,
                    double x, double y, double z, CoordTrace &trace) {
    if (trace) {
        trace.Ecef2LocalInput(x, y, z);
        TraceFence(x, y, z);
    }

    const double a = c.m_dbLocal_a;
    const double b = c.m_dbLocal_b;
    const double e2 = c.m_dbLocal_ee;
    const double ep2 = c.m_dbLocal_epep;

    // Distance from the polar axis. On the axis (p = 0) the parametric
    // latitude divides by zero, at the centre zero by zero: both are faults.
    const double p = std::sqrt(x * x + y * y);

    // Bowring's formula, one step: parametric latitude, then geodetic
    // latitude, both with the one-argument arctangent (-pi/2, pi/2).
    const double theta = std::atan((z * a) / (p * b));
    const double st = std::sin(theta);
    const double ct = std::cos(theta);
    const double phi = std::atan((z + ep2 * b * (st * st * st)) /
                                 (p - e2 * a * (ct * ct * ct)));

    // Full-circle arctangent: (-pi, pi], -pi for y = -0 and x < 0.
    const double lam = std::atan2(y, x);

    const double sphi = std::sin(phi);
    const double N = a / std::sqrt(1.0 - e2 * sphi * sphi);
    const double height = p / std::cos(phi) - N;

    lat = phi;
    lon = lam;
    h = height;
    if (trace)
        trace.Ecef2LocalResult(N, phi, lam, height);
}

} // namespace

void COORD::Local2Ecef(double lat, double lon, double h, double &x, double &y,
                       double &z) const {
    CoordTrace trace(*this, TraceRecord::Local2Ecef);
    Local2EcefWith(*this, lat, lon, h, x, y, z, trace);
}

void COORD::Ecef2Local(double &lat, double &lon, double &h, double x, double y,
                       double z) const {
    CoordTrace trace(*this, TraceRecord::Ecef2Local);
    Ecef2LocalWith(*this, lat, lon, h, x, y, z, trace);
}

void COORD::ConvGeo2Ecef(double lat, double lon, double h, double &x, double &y,
                         double &z) const {
    double xOut = 0, yOut = 0, zOut = 0;
    RunFloatingPointChecked([&] {
        PinFloatingPoint(lat, lon, h);
        Local2Ecef(lat * m_dbDeg2Rad, lon * m_dbDeg2Rad, h, xOut, yOut, zOut);
        PinFloatingPoint(xOut, yOut, zOut);
    });
    x = xOut;
    y = yOut;
    z = zOut;
}

void COORD::ConvEcef2Geo(double &lat, double &lon, double &h, double x,
                         double y, double z) const {
    double latOut = 0, lonOut = 0, hOut = 0;
    RunFloatingPointChecked([&] {
        PinFloatingPoint(x, y, z);
        Ecef2Local(latOut, lonOut, hOut, x, y, z);
        latOut = latOut * m_dbRad2Deg;
        lonOut = lonOut * m_dbRad2Deg;
        PinFloatingPoint(latOut, lonOut, hOut);
    });
    lat = latOut;
    lon = lonOut;
    h = hOut;
}

// ---- the same formula for any ellipsoid (CoordSeries.h)

void EcefClosedForward(const COORD &c, TraceRecord record, double lat,
                       double lon, double h, double &x, double &y, double &z) {
    CoordTrace trace(c, record);
    Local2EcefWith(c, lat, lon, h, x, y, z, trace);
}
