// Earth-centred Earth-fixed coordinates: the closed forward formula against an
// independent implementation, Bowring's single step back, the equator and
// antimeridian cases, the polar axis, and the fault at the centre.
#include "Coord.h"
#include "Errors.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

/// Keeps a value from being folded by the compiler.
double Runtime(double value) {
    volatile double v = value;
    return v;
}

struct Row {
    std::int32_t datum;
    double lat, lon, h; ///< degrees, metres
    double x, y, z;     ///< metres
};

// scripts/reference/grid_reference.py, which ran GeographicLib's
//   CartConvert -e <a> 1/<1/f> -p 9
// datum 133: -e 6378137.0 1/298.257223563
// datum 125: -e 6377397.155 1/299.1528128 (Bessel 1841)
// datum 38:  -e 6378388.0 1/297 (International 1924)
constexpr Row ROWS[] = {
    {133, 37.5, 127.3, 50.0, -3070206.548308298, 4030222.177281648,
     3861594.536881057},
    {133, -33.9, 18.4, 10.0, 5028531.662194639, 1672769.842372647,
     -3537250.925356345},
    {133, 89.5, -60.0, 1000.0, 27927.496577444, -48371.843000339,
     6357508.599346222},
    {133, 0.0, -179.5, -100.0, -6377794.143894438, -55658.166290442,
     0.000000000},
    {133, 45.0, -90.0, 9000.0, 0.000000000, -4523954.839879611,
     4493712.369896598},
    {133, -89.99, 45.0, 0.0, 789.795699549, 789.795699549, -6356752.216773795},
    {125, 35.6895, 139.6917, 40.0, -3954396.818414243, 3354557.338776846,
     3699920.802166728},
    {125, -12.5, 130.0, 0.0, -4002767.632128931, 4770312.705909473,
     -1371323.000892818},
    {125, 60.1, 24.9, 8848.0, 2894801.831066233, 1343722.271771726,
     5513140.279811772},
    {38, 48.8566, 2.3522, 35.0, 4201136.952537641, 172568.901785711,
     4780198.156871810},
    {38, -0.25, -0.75, -10.0, 6377771.244667228, -83489.598995735,
     -27643.739898216},
};

std::string Name(const Row &row) {
    return "datum " + std::to_string(row.datum) + " at " +
           std::to_string(row.lat) + ", " + std::to_string(row.lon) + ", " +
           std::to_string(row.h);
}

TEST(EcefTest, ForwardMatchesIndependentImplementation) {
    for (const Row &row : ROWS) {
        SCOPED_TRACE(Name(row));
        const COORD c(row.datum);
        double x = 0, y = 0, z = 0;
        c.ConvGeo2Ecef(row.lat, row.lon, row.h, x, y, z);
        EXPECT_NEAR(x, row.x, 1e-6);
        EXPECT_NEAR(y, row.y, 1e-6);
        EXPECT_NEAR(z, row.z, 1e-6);
    }
}

// One Bowring step is not exact, but for heights between -100 m and 9 km it
// recovers the point to 1e-9 degrees (0.1 mm) and 0.1 mm in height.
TEST(EcefTest, InverseRecoversThePointWithOneBowringStep) {
    for (const Row &row : ROWS) {
        SCOPED_TRACE(Name(row));
        const COORD c(row.datum);
        double lat = 0, lon = 0, h = 0;
        c.ConvEcef2Geo(lat, lon, h, row.x, row.y, row.z);
        EXPECT_NEAR(lat, row.lat, 1e-9);
        EXPECT_NEAR(lon, row.lon, 1e-9);
        EXPECT_NEAR(h, row.h, 1e-4);
    }
}

// On the equator at longitude 0 the point lies on the X axis at a + h, and
// the inverse gives it back exactly.
TEST(EcefTest, EquatorAtGreenwichIsOnTheXAxis) {
    const struct {
        std::int32_t datum;
        double a, h;
    } rows[] = {
        {133, 6378137.0, 0.0},
        {125, 6377397.155, 0.0},
        {133, 6378137.0, 100.0},
        {125, 6377397.155, -50.0},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(std::to_string(row.datum) + " h " + std::to_string(row.h));
        const COORD c(row.datum);
        double x = -1, y = -1, z = -1;
        c.ConvGeo2Ecef(0.0, 0.0, row.h, x, y, z);
        EXPECT_EQ(x, row.a + row.h);
        EXPECT_EQ(y, 0.0);
        EXPECT_EQ(z, 0.0);

        double lat = -1, lon = -1, h = -1;
        c.ConvEcef2Geo(lat, lon, h, row.a + row.h, 0.0, 0.0);
        EXPECT_EQ(lat, 0.0);
        EXPECT_EQ(lon, 0.0);
        EXPECT_EQ(h, row.h);
    }
}

// The longitude is the full-circle arctangent: +180 for X < 0, Y = +0, and
// -180 with a negative zero Y; west of Greenwich it is negative.
TEST(EcefTest, LongitudeCoversTheFullCircle) {
    const struct {
        double x, y, lon;
    } rows[] = {
        {-6378137.0, 0.0, 180.0},           {-6378137.0, -0.0, -180.0},
        {4510023.924, -4510023.924, -45.0}, {0.0, -6378137.0, -90.0},
        {-4510023.924, 4510023.924, 135.0},
    };
    const COORD c(133);
    for (const auto &row : rows) {
        SCOPED_TRACE(std::to_string(row.x) + ", " + std::to_string(row.y));
        double lat = 0, lon = 0, h = 0;
        c.ConvEcef2Geo(lat, lon, h, row.x, row.y, 0.0);
        EXPECT_NEAR(lon, row.lon, 1e-12);
        EXPECT_EQ(std::signbit(lon), std::signbit(row.lon));
        EXPECT_EQ(lat, 0.0);
    }
}

// Near and on the polar axis Bowring's height p / cos(phi) loses metres
// (4152.7 m for a point 1e-6 m from the north pole on WGS 84). Within a
// kilometre of the axis the results must be PROJ's, from
//   cct -d 15 -I +proj=cart +ellps=WGS84 (datum 133) or +ellps=bessel (125);
// on the axis a pole and the height |Z| - b.
TEST(EcefTest, NearAndOnThePolarAxisGivePolesAndHeights) {
    constexpr double b84 = 6356752.314245179;
    constexpr double bBessel = 6356078.962818189;
    const struct {
        std::int32_t datum;
        double x, y, z;
        double lat, lon, h;
    } rows[] = {
        {133, 1e-6, 0, 6356752.314245, 89.99999999999100, 0, 6356752.314245 - b84},
        {133, 0.5, 0, 6356752.314245, 89.999995523482980, 0, -0.000000179745257},
        {133, 10, 0, -6356000, -89.999910459133574, 0, -752.314237365499139},
        {133, 500, 300, 6356700, 89.994779486264079, 30.963756532073521,
         -52.287680777721107},
        {133, 999, 0, -6357000, -89.991056265227954, 0, 247.763725581578910},
        {125, 999, 0, -6357000, -89.991056078761773, 0, 921.115154198370874},
        {125, 0.001, 0.001, 6400000, 89.999999987423237, 45, 43921.037181811407208},
        // On the axis, negative zeros included.
        {133, 0, 0, 6356752.314245179, 90, 0, 0},
        {133, -0.0, -0.0, -6256752.0, -90, 0, 6256752.0 - b84},
        {125, 0, 0, 6400000, 90, 0, 6400000 - bBessel},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(std::to_string(row.datum) + ": " + std::to_string(row.x) +
                     ", " + std::to_string(row.y) + ", " + std::to_string(row.z));
        const COORD c(row.datum);
        double lat = 0, lon = 0, h = 0;
        c.ConvEcef2Geo(lat, lon, h, Runtime(row.x), Runtime(row.y),
                       Runtime(row.z));
        EXPECT_NEAR(lat, row.lat, 1e-12);
        EXPECT_NEAR(lon, row.lon, 1e-12);
        EXPECT_NEAR(h, row.h, 1e-6);
    }
}

// At the centre the latitude is zero by zero: a fault, and no output stored.
TEST(EcefTest, CentreFaultsAndLeavesOutputsUntouched) {
    const COORD c(133);
    double lat = 11, lon = 22, h = 33;
    try {
        c.ConvEcef2Geo(lat, lon, h, Runtime(0.0), Runtime(0.0), Runtime(0.0));
        ADD_FAILURE() << "no fault";
    } catch (const FloatingPointError &e) {
        EXPECT_STREQ(e.what(), "Invalid floating point operation");
    }
    EXPECT_EQ(lat, 11);
    EXPECT_EQ(lon, 22);
    EXPECT_EQ(h, 33);
}

// The Cartesian frame is the selected datum's, and only its ellipsoid counts:
// the same position gives different X on Bessel and WGS 84, none of the
// shift constants enter.
TEST(EcefTest, FrameIsTheSelectedDatumsEllipsoid) {
    COORD c(133);
    double x84 = 0, y84 = 0, z84 = 0;
    c.ConvGeo2Ecef(0.0, 0.0, 0.0, x84, y84, z84);
    c.SetDatum(125);
    double xb = 0, yb = 0, zb = 0;
    c.ConvGeo2Ecef(0.0, 0.0, 0.0, xb, yb, zb);
    EXPECT_EQ(x84, 6378137.0);
    EXPECT_EQ(xb, 6377397.155);
    // Datum 123 shares ellipsoid 4 with 125 but has other shifts.
    c.SetDatum(123);
    double xt = 0, yt = 0, zt = 0;
    c.ConvGeo2Ecef(37.5, 127.3, 50.0, xt, yt, zt);
    c.SetDatum(125);
    double xs = 0, ys = 0, zs = 0;
    c.ConvGeo2Ecef(37.5, 127.3, 50.0, xs, ys, zs);
    EXPECT_EQ(xt, xs);
    EXPECT_EQ(yt, ys);
    EXPECT_EQ(zt, zs);
}

} // namespace
