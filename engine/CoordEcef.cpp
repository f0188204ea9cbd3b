// Earth-centred Earth-fixed coordinates on the selected datum's ellipsoid:
// the closed formula forward, Bowring's formula evaluated once back (B. R.
// Bowring, "Transformation from spatial to geographical coordinates", Survey
// Review 23 (181), 1976).
#include "Coord.h"

#include "CoordTrace.h"
#include "Errors.h"

#include <cmath>
#include <numbers>

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

/// Distance from the polar axis (metres) within which the height is taken
/// along the normal rather than through cos(phi).
constexpr double NEAR_AXIS = 1000.0;

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

    // Distance from the polar axis.
    const double p = std::sqrt(x * x + y * y);

    double phi, lam, N, height;
    if (p == 0 && z != 0) {
        // On the polar axis: a pole, and the height along the axis. (At the
        // centre, z = 0 too, the formulas below divide zero by zero: a
        // fault.)
        phi = z > 0 ? std::numbers::pi / 2 : -std::numbers::pi / 2;
        lam = 0;
        N = a / std::sqrt(1.0 - e2);
        height = std::fabs(z) - b;
    } else {
        // Bowring's formula, one step: parametric latitude, then geodetic
        // latitude, both with the one-argument arctangent (-pi/2, pi/2).
        const double theta = std::atan((z * a) / (p * b));
        const double st = std::sin(theta);
        const double ct = std::cos(theta);
        phi = std::atan((z + ep2 * b * (st * st * st)) /
                        (p - e2 * a * (ct * ct * ct)));

        // Full-circle arctangent: (-pi, pi], -pi for y = -0 and x < 0.
        lam = std::atan2(y, x);

        const double sphi = std::sin(phi);
        const double W = std::sqrt(1.0 - e2 * sphi * sphi);
        N = a / W;
        if (p < NEAR_AXIS) {
            // Within a kilometre of the axis cos(phi) is tiny and p / cos(phi)
            // loses metres; the distance along the normal does not:
            // h = p cos(phi) + z sin(phi) - a^2 / N.
            height = p * std::cos(phi) + z * sphi - a * W;
        } else {
            height = p / std::cos(phi) - N;
        }
    }

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
        // The formula itself, not Local2Ecef: the compiler then keeps it
        // in line here (a call costs about 5% of the conversion).
        CoordTrace trace(*this, TraceRecord::Local2Ecef);
        Local2EcefWith(*this, lat * m_dbDeg2Rad, lon * m_dbDeg2Rad, h, xOut,
                       yOut, zOut, trace);
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
