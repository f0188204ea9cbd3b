// Transverse Mercator projection of the selected datum's ellipsoid: series in
// the longitude difference forward (to the eighth power), footpoint latitude
// by Newton iteration on the meridian arc and series in the easting back (to
// the sixth power). These are the Gauss-Kruger series of J. C. B. Redfearn,
// "Transverse Mercator formulae", Empire Survey Review 9 (69), 1948, as
// tabulated in P. D. Thomas, "Conformal Projections in Geodesy and
// Cartography", U.S. Coast and Geodetic Survey Special Publication 251
// (1952); the meridian arc is Helmert's series in sin 2k(phi), k = 1 to 5.
// UTM, TM and G7 differ only in the constants that SetCoordSys, SetOrigin,
// SetOrgLatLon and SetDelta store; nothing here looks at the kind.
#include "Coord.h"

#include "CoordTrace.h"
#include "Errors.h"
#include "Longitude.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <numbers>

namespace {

// 1/8!, kept as the 15-digit decimal this series has always carried: it is a
// few units in the last digit short of 1/40320, far below anything the l^8
// term can show.
constexpr double INV_FACTORIAL_8 = 2.48015873015873e-05;

constexpr double ONE_SIXTH = 1.0 / 6.0;

// Footpoint iteration: start latitude (degrees), stop when a correction falls
// below the tolerance (radians) or after this many corrections.
constexpr double FOOTPOINT_START = 36.0;
constexpr double FOOTPOINT_TOLERANCE = 1e-10;
constexpr int FOOTPOINT_MAX_CORRECTIONS = 100;

/// The bracket of the meridian-arc series, with the divisions by 2, 4, 6, 8
/// and 10 carried out as multiplications by 0.5, 0.25, 1/6, 0.125 and 0.1.
/// @p dphi is the latitude term, @p s2 ... @p s10 the sines of the multiples.
double ArcBracket(const COORD &c, double dphi, double s2, double s4, double s6,
                  double s8, double s10) {
    return c.m_dbLocal_A * dphi - c.m_dbLocal_B * 0.5 * s2 +
           c.m_dbLocal_C * 0.25 * s4 - c.m_dbLocal_D * ONE_SIXTH * s6 +
           c.m_dbLocal_E * 0.125 * s8 - c.m_dbLocal_F * 0.1 * s10;
}

/// Meridian arc from the equator to @p phi (radians), metres:
/// S(phi) = a (1 - e2) [A phi - B/2 sin 2phi + C/4 sin 4phi - D/6 sin 6phi
///                      + E/8 sin 8phi - F/10 sin 10phi].
double MeridianArc(const COORD &c, double phi) {
    return c.m_dbLocal_a * (1.0 - c.m_dbLocal_ee) *
           ArcBracket(c, phi, std::sin(2.0 * phi), std::sin(4.0 * phi),
                      std::sin(6.0 * phi), std::sin(8.0 * phi),
                      std::sin(10.0 * phi));
}

/// Meridian arc from @p phi0 to @p phi, S(phi) - S(phi0), evaluated in
/// difference form term by term.
double MeridianArcFrom(const COORD &c, double phi0, double phi) {
    // From the equator (UTM's origin, +0 exactly) each sine of phi0 is +0
    // and raises no flag, and x - (+0) is x for every x, a zero keeping its
    // sign: the same bits without half the sine calls of a UTM point
    // (callgrind: 4 % of the converter's UTM job).
    if (std::bit_cast<std::uint64_t>(phi0) == 0)
        return c.m_dbLocal_a * (1.0 - c.m_dbLocal_ee) *
               ArcBracket(c, phi - phi0, std::sin(2.0 * phi),
                          std::sin(4.0 * phi), std::sin(6.0 * phi),
                          std::sin(8.0 * phi), std::sin(10.0 * phi));
    return c.m_dbLocal_a * (1.0 - c.m_dbLocal_ee) *
           ArcBracket(c, phi - phi0, std::sin(2.0 * phi) - std::sin(2.0 * phi0),
                      std::sin(4.0 * phi) - std::sin(4.0 * phi0),
                      std::sin(6.0 * phi) - std::sin(6.0 * phi0),
                      std::sin(8.0 * phi) - std::sin(8.0 * phi0),
                      std::sin(10.0 * phi) - std::sin(10.0 * phi0));
}

} // namespace

// Whole powers (l^2 ... l^8, cos^3 ... cos^7, t^2 ... t^6, and of the easting
// and N k0 on the way back) are built by repeated multiplication rather than
// std::pow: the products are plain IEEE operations, so every platform gets the
// same bits whatever its pow, the sign of an odd power of a negative l comes
// out negative by construction, and it costs a few multiplications instead of
// a library call each.
//
// In a traced call each trace block is followed by a fence on the values that
// the next step reads, so nothing after a block is computed before the block
// is written: a fault ends the record at the last block before it.

namespace {

void Local2UtmWith(const COORD &c, double lat, double lon, double &x, double &y,
                   CoordTrace &trace) {
    if (trace) {
        trace.Local2UtmInput(lat, lon);
        TraceFence(lat, lon);
    }

    const double a = c.m_dbLocal_a;
    const double e2 = c.m_dbLocal_ee;
    const double k0 = c.m_dbScale;
    double phi = lat;
    // Longitude from the central meridian, origin plus delta, taken the
    // short way round.
    double l = Longitude::FromMeridian(lon - (c.m_dbOrgLon + c.m_dbDeltaLon));
    double sphi = std::sin(phi);
    double cphi = std::cos(phi);
    double t = std::tan(phi);
    if (trace) {
        trace.Ellipsoid();
        TraceFence(phi, l, sphi, cphi, t);
    }

    // Meridian arc from the origin latitude, in difference form.
    double bar = MeridianArcFrom(c, c.m_dbOrgLat, phi);
    if (trace) {
        trace.Local2UtmArc(bar);
        TraceFence(l, sphi, cphi, t, bar);
    }

    double N = a / std::sqrt(1.0 - e2 * sphi * sphi);
    if (trace) {
        trace.Radius(N);
        TraceFence(l, sphi, cphi, t, bar, N);
    }

    double nn = e2 * cphi * cphi / (1.0 - e2); // eta^2
    if (trace) {
        trace.Local2UtmEta2(nn);
        TraceFence(l, sphi, cphi, t, bar, N, nn);
    }

    const double l2 = l * l;
    const double l3 = l2 * l;
    const double l4 = l2 * l2;
    const double l5 = l4 * l;
    const double l6 = l4 * l2;
    const double l7 = l6 * l;
    const double l8 = l4 * l4;
    const double c3 = cphi * cphi * cphi;
    const double c5 = c3 * cphi * cphi;
    const double c7 = c5 * cphi * cphi;
    const double t2 = t * t;
    const double t4 = t2 * t2;
    const double t6 = t4 * t2;
    const double nn2 = nn * nn;

    // Northing before scale and false northing: even in l.
    const double y2 = l2 / 2.0 * N * sphi * cphi;
    const double y4 =
        l4 / 24.0 * N * sphi * c3 * (5.0 - t2 + 9.0 * nn + 4.0 * nn2);
    const double y6 = l6 / 720.0 * N * sphi * c5 *
                      (61.0 - 58.0 * t2 + t4 + 270.0 * nn - 330.0 * nn * t2);
    const double y8 = l8 * INV_FACTORIAL_8 * N * sphi * c7 *
                      (1385.0 - 3111.0 * t2 + 543.0 * t4 - t6);
    double yPrime = bar + y2 + y4 + y6 + y8;
    if (trace) {
        trace.Local2UtmNorthing(yPrime);
        TraceFence(l, cphi, t, N, nn, yPrime);
    }

    // Easting before scale and false easting: odd in l.
    const double x1 = l * N * cphi;
    const double x3 = l3 / 6.0 * N * c3 * (1.0 - t2 + nn);
    const double x5 = l5 / 120.0 * N * c5 *
                      (5.0 - 18.0 * t2 + t4 + 14.0 * nn - 58.0 * nn * t2);
    const double x7 =
        l7 / 5040.0 * N * c7 * (61.0 - 479.0 * t2 + 179.0 * t4 - t6);
    double xPrime = x1 + x3 + x5 + x7;
    if (trace) {
        trace.Local2UtmEasting(xPrime);
        TraceFence(xPrime, yPrime);
    }

    x = xPrime * k0 + c.m_dbOrgX;
    y = yPrime * k0 + c.m_dbOrgY;
    if (trace)
        trace.Local2UtmResult(x, y);
}

void Utm2LocalWith(const COORD &c, double &lat, double &lon, double X, double Y,
                   CoordTrace &trace) {
    if (trace) {
        trace.Utm2LocalInput(X, Y);
        TraceFence(X, Y);
    }

    const double a = c.m_dbLocal_a;
    const double e2 = c.m_dbLocal_ee;
    const double k0 = c.m_dbScale;
    double x = X - c.m_dbOrgX;
    double y = Y - c.m_dbOrgY;

    double y0 = MeridianArc(c, c.m_dbOrgLat);
    if (trace) {
        trace.Utm2LocalArc(y0);
        TraceFence(x, y, y0);
    }

    // Footpoint latitude: Newton's method on the meridian arc, the arc error
    // divided by the meridian radius a (1 - e2) / W^3. Each correction is
    // applied once; at most FOOTPOINT_MAX_CORRECTIONS of them.
    const double target = y / k0 + y0;
    const double arcFactor = a * (1.0 - e2);
    double phi1 = FOOTPOINT_START * c.m_dbDeg2Rad;
    for (int count = 0;;) {
        const double s = std::sin(phi1);
        const double W = std::sqrt(1.0 - e2 * s * s);
        const double delta =
            (MeridianArc(c, phi1) - target) * (W * W * W) / arcFactor;
        phi1 = phi1 - delta;
        if (std::fabs(delta) < FOOTPOINT_TOLERANCE)
            break;
        if (++count == FOOTPOINT_MAX_CORRECTIONS)
            break;
    }

    double sphi1 = std::sin(phi1);
    double cphi1 = std::cos(phi1);
    double t = std::tan(phi1);
    double N = a / std::sqrt(1.0 - e2 * sphi1 * sphi1);
    double nn = e2 * cphi1 * cphi1 / (1.0 - e2); // eta^2
    if (trace) {
        trace.Utm2LocalFootpoint(N, nn);
        TraceFence(x, phi1, cphi1, t, N, nn);
    }

    const double Nk = N * k0;
    const double x2 = x * x;
    const double x3 = x2 * x;
    const double x4 = x2 * x2;
    const double x5 = x4 * x;
    const double x6 = x4 * x2;
    const double Nk2 = Nk * Nk;
    const double Nk3 = Nk2 * Nk;
    const double Nk4 = Nk2 * Nk2;
    const double Nk5 = Nk4 * Nk;
    const double Nk6 = Nk4 * Nk2;
    const double t2 = t * t;
    const double t4 = t2 * t2;
    const double nn2 = nn * nn;

    // Latitude series (fewer eta^2 terms than the forward series carries).
    const double phi2 = t * (1.0 + nn) * x2 / (2.0 * Nk2);
    const double phi4 = t * (1.0 + nn) * x4 / (24.0 * Nk4) *
                        (5.0 + 3.0 * t2 + nn - 9.0 * nn * t2 - 4.0 * nn2);
    const double phi6 =
        t * (1.0 + nn) * x6 / (720.0 * Nk6) * (61.0 + 90.0 * t2 + 45.0 * t4);
    const double phi = phi1 - phi2 + phi4 - phi6;

    // Longitude series about the central meridian, origin plus delta.
    const double lam1 = x / (Nk * cphi1);
    const double lam3 = (1.0 + 2.0 * t2 + nn) * x3 / (6.0 * Nk3 * cphi1);
    const double lam5 =
        (5.0 + 28.0 * t2 + 24.0 * t4) * x5 / (120.0 * Nk5 * cphi1);
    const double lam = (c.m_dbOrgLon + c.m_dbDeltaLon) + lam1 - lam3 + lam5;

    lat = phi;
    lon = lam;
    if (trace)
        trace.Utm2LocalResult(phi, lam);
}

} // namespace

void COORD::Local2Utm(double lat, double lon, double &x, double &y) const {
    CoordTrace trace(*this, TraceRecord::Local2Utm);
    Local2UtmWith(*this, lat, lon, x, y, trace);
}

void COORD::Utm2Local(double &lat, double &lon, double X, double Y) const {
    CoordTrace trace(*this, TraceRecord::Utm2Local);
    Utm2LocalWith(*this, lat, lon, X, Y, trace);
}

void COORD::ConvGeo2Grid(double lat, double lon, double &x, double &y) const {
    double xOut = 0, yOut = 0;
    RunFloatingPointChecked([&] {
        PinFloatingPoint(lat, lon);
        Local2Utm(lat * m_dbDeg2Rad, lon * m_dbDeg2Rad, xOut, yOut);
        PinFloatingPoint(xOut, yOut);
    });
    x = xOut;
    y = yOut;
}

void COORD::ConvGrid2Geo(double &lat, double &lon, double x, double y) const {
    double latOut = 0, lonOut = 0;
    RunFloatingPointChecked([&] {
        PinFloatingPoint(x, y);
        Utm2Local(latOut, lonOut, x, y);
        latOut = latOut * m_dbRad2Deg;
        lonOut = lonOut * m_dbRad2Deg;
        PinFloatingPoint(latOut, lonOut);
    });
    lat = latOut;
    lon = lonOut;
}
