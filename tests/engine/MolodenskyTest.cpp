// Standard Molodensky shift: against PROJ, exact identity on WGS 84, round
// trips, and the documented special cases.
#include "Coord.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr double kDeg = 3.141592653589793 / 180.0;
constexpr double kAngleTolerance = 1e-9;  // degrees
constexpr double kHeightTolerance = 1e-3; // metres

// Reference values from PROJ's cct with +proj=molodensky (standard formulas),
// produced by scripts/reference/molodensky_cct.py: local -> WGS 84 on the
// local ellipsoid with the datum's constants, WGS 84 -> local on WGS 84 with
// the five constants negated.
struct CctRow {
    std::int32_t datum;
    double lat, lon, h;
    double wgsLat, wgsLon, wgsH;
    double locLat, locLon, locH;
};

// clang-format off
const CctRow kCctRows[] = {
    {125, 37.4818416208333, 127.004542079583, 0, /* to WGS 84 */ 37.48464618392944, 127.0023491098531, 19.612542497338982, /* to local */ 37.47903723015716, 127.00673478679235, -19.6178800918319},
    {125, 35.0, 139.5, 1200.0, /* to WGS 84 */ 35.003344092251915, 139.49690025295462, 1162.710788997523, /* to local */ 34.99665613756756, 139.5030993773303, 1237.2844780388516},
    {125, -20.25, -45.5, -50.0, /* to WGS 84 */ -20.246199860898827, -45.49761897101811, -1383.4066809126805, /* to local */ -20.253799677122984, -45.502380749931916, 1283.4049747274971},
    {1, 12.5, 32.25, 400.0, /* to WGS 84 */ 12.500759271715655, 32.25069815388724, 395.0971719118729, /* to local */ 12.499240812018668, 32.24930183205298, 404.9031087917498},
    {1, -3.0, 38.75, 0.0, /* to WGS 84 */ -2.997893836374784, 38.75082940626096, -38.14523169868147, /* to local */ -3.002105976606462, 38.749170579031855, 38.14525040380226},
    {38, 48.8566, 2.3522, 35.0, /* to WGS 84 */ 48.85568546751547, 2.350914367866797, 83.29755769994884, /* to local */ 48.85751449948695, 2.353485693079429, -13.301275075546577},
    {38, 60.0, 25.0, 0.0, /* to WGS 84 */ 59.99968038842528, 24.99906724427121, 17.60711807829844, /* to local */ 60.000319564785876, 25.000932802381566, -17.612214397275224},
    {81, 40.0, -100.0, 1000.0, /* to WGS 84 */ 40.00000946616101, -100.00041754351577, 964.7841252502062, /* to local */ 39.999990502055645, -99.99958244551753, 1035.215898393325},
    {81, 25.75, -80.25, 2.0, /* to WGS 84 */ 25.75037747666152, -80.24980851812631, -40.1695788649221, /* to local */ 25.74962254217042, -80.25019148530113, 44.16996407107401},
    {111, 55.75, 37.62, 150.0, /* to WGS 84 */ 55.75079553432931, 37.61820162952667, 294.4058365857862, /* to local */ 55.74920445308215, 37.621798400332636, 5.594234616719234},
    {98, 51.4778, -0.0015, 45.0, /* to WGS 84 */ 51.47826115309334, -0.003097717130837, 89.95441783227926, /* to local */ 51.47733876539033, 9.7561740632e-05, 0.037412679380992},
    {98, 57.0, -4.0, 300.0, /* to WGS 84 */ 56.99987461989442, -4.001391677481035, 350.7661022241041, /* to local */ 57.00012525291546, -3.998608459392082, 249.2244484249105},
    {132, 0.0, 0.0, 0.0, /* to WGS 84 */ -4.069663668e-05, 0.0, -2.0, /* to local */ 4.0696626467e-05, 0.0, 2.0},
    {132, -33.9, 18.4, 10.0, /* to WGS 84 */ -33.900035388643694, 18.4, 10.573718435810967, /* to local */ -33.89996461136519, 18.4, 9.426281526778636},
};
// clang-format on

TEST(Molodensky, AgreesWithProjInBothDirections) {
    for (const CctRow &row : kCctRows) {
        SCOPED_TRACE(testing::Message() << "datum " << row.datum << " at "
                                        << row.lat << ", " << row.lon);
        const COORD c(row.datum);
        double lat = 0, lon = 0, h = 0;
        c.TransLocal2Wgs(row.lat, row.lon, row.h, lat, lon, h);
        EXPECT_NEAR(lat, row.wgsLat, kAngleTolerance);
        EXPECT_NEAR(lon, row.wgsLon, kAngleTolerance);
        EXPECT_NEAR(h, row.wgsH, kHeightTolerance);
        c.TransWgs2Local(row.lat, row.lon, row.h, lat, lon, h);
        EXPECT_NEAR(lat, row.locLat, kAngleTolerance);
        EXPECT_NEAR(lon, row.locLon, kAngleTolerance);
        EXPECT_NEAR(h, row.locH, kHeightTolerance);
    }
}

// Forward then back is not exact (the two evaluations use different
// ellipsoids and points) but stays within centimetres: the residual grows with
// the size of the shift, up to 9 cm for the 800 m of "Tokyo(---)".
TEST(Molodensky, RoundTripStaysWithinCentimetres) {
    for (const CctRow &row : kCctRows) {
        SCOPED_TRACE(testing::Message() << "datum " << row.datum);
        const COORD c(row.datum);
        double lat = 0, lon = 0, h = 0, lat2 = 0, lon2 = 0, h2 = 0;
        c.TransWgs2Local(row.lat, row.lon, row.h, lat, lon, h);
        c.TransLocal2Wgs(lat, lon, h, lat2, lon2, h2);
        const double northMetres = (lat2 - row.lat) * kDeg * 6.4e6;
        const double eastMetres =
            (lon2 - row.lon) * kDeg * 6.4e6 * std::cos(row.lat * kDeg);
        const double tolerance = 0.10;
        EXPECT_LT(std::fabs(northMetres), tolerance);
        EXPECT_LT(std::fabs(eastMetres), tolerance);
        EXPECT_LT(std::fabs(h2 - row.h), tolerance);
    }
}

TEST(Molodensky, Wgs84DatumLeavesThePointExactlyUnchanged) {
    const COORD c(DATUM_WGS84);
    const double points[][3] = {{37.4818416208333, 127.004542079583, 0},
                                {-89.5, -179.9, 8000},
                                {0, 0, 0}};
    for (const auto &p : points) {
        double lat = 0, lon = 0, h = 0;
        c.TransWgs2Local(p[0], p[1], p[2], lat, lon, h);
        EXPECT_EQ(lat, p[0] * c.m_dbDeg2Rad * c.m_dbRad2Deg);
        EXPECT_EQ(lon, p[1] * c.m_dbDeg2Rad * c.m_dbRad2Deg);
        EXPECT_EQ(h, p[2]);
        c.TransLocal2Wgs(p[0], p[1], p[2], lat, lon, h);
        EXPECT_EQ(lat, p[0] * c.m_dbDeg2Rad * c.m_dbRad2Deg);
        EXPECT_EQ(h, p[2]);
    }
}

// At the equator the latitude shift is dz / (M + h) with M = a (1 - e^2);
// the height enters the angle shifts only through their divisors.
TEST(Molodensky, EquatorLatitudeShiftIsDzOverMeridianRadius) {
    COORD c(DATUM_WGS84);
    c.SetUserDatum("Only dz", 21, 0.0, 0.0, 25.0); // ellipsoid equal to WGS 84
    c.SetDatum(0);
    const double heights[] = {0.0, 1000.0, -400.0};
    for (double h : heights) {
        SCOPED_TRACE(h);
        double lat = 0, lon = 0, hOut = 0;
        c.TransLocal2Wgs(0.0, 10.0, h, lat, lon, hOut);
        const double M = (1 - c.m_dbLocal_ee) * c.m_dbLocal_a;
        EXPECT_NEAR(lat * kDeg, 25.0 / (M + h), 1e-15);
        EXPECT_NEAR(lon, 10.0, 1e-14);
        EXPECT_NEAR(hOut - h, 0.0, 1e-9); // dz * sin(0)
    }
}

// A datum whose ellipsoid equals WGS 84: only the three shift constants act,
// so the shift is the geocentric translation projected on the local axes.
TEST(Molodensky, SameEllipsoidShiftsByTheTranslationOnly) {
    COORD c(DATUM_WGS84);
    c.SetUserDatum("Translation", 21, 100.0, -50.0, 30.0);
    c.SetDatum(0);
    EXPECT_EQ(c.m_dbLocal_da, 0.0);
    EXPECT_EQ(c.m_dbLocal_df, 0.0);
    const double phi = 45.0 * kDeg, lam = 90.0 * kDeg;
    double lat = 0, lon = 0, h = 0;
    c.TransLocal2Wgs(45.0, 90.0, 0.0, lat, lon, h);
    // at longitude 90: dh = dy cos(phi) + dz sin(phi), dlon = -dx / ((N+h) cos)
    EXPECT_NEAR(h, -50.0 * std::cos(phi) + 30.0 * std::sin(phi), 1e-9);
    const double N =
        c.m_dbLocal_a /
        std::sqrt(1 - c.m_dbLocal_ee * std::sin(phi) * std::sin(phi));
    EXPECT_NEAR((lon - 90.0) * kDeg,
                -100.0 / (N * std::cos(phi)) +
                    -50.0 * std::cos(lam) / (N * std::cos(phi)),
                1e-14);
}

TEST(Molodensky, StartUpPointOnTokyoDatum) {
    // the window's default point: 37 28 54.629835 N, 127 0 16.351485 E
    const COORD tokyo(125);
    double lat = 0, lon = 0, h = 0;
    tokyo.TransWgs2Local(37.4818416208333, 127.004542079583, 0, lat, lon, h);
    // about 37 28 44.534 and 127 0 24.245, about -19.6 m
    EXPECT_NEAR(lat, 37 + 28 / 60.0 + 44.534 / 3600, 0.0005 / 3600);
    EXPECT_NEAR(lon, 127 + 24.245 / 3600, 0.0005 / 3600);
    EXPECT_NEAR(h, -19.6, 0.05);
}

} // namespace
