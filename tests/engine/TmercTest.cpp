// Transverse Mercator grids (UTM, TM, G7): the series against an exact
// Transverse Mercator, the origin, the central meridian, symmetry in the
// longitude difference, the TM longitude delta, southern northings, the
// footpoint iteration and faults.
#include "Coord.h"
#include "Errors.h"

#include <gtest/gtest.h>

#include <cmath>
#include <iterator>
#include <string>

namespace {

constexpr double PI = 3.141592653589793;
constexpr double MM = 0.001;

/// Keeps a value from being folded by the compiler.
double Runtime(double value) {
    volatile double v = value;
    return v;
}

/// A grid as the engine sets it up, with the exact projection's northing of
/// its origin latitude (k0 applied) on its central meridian.
struct Grid {
    const char *name;
    std::int32_t datum;
    int kind;
    double falseEasting, falseNorthing;
    double originY; ///< exact y of (origin latitude, central meridian)
};

struct Row {
    double lat, lon; ///< degrees
    double x, y;     ///< exact projection, origin on the equator (metres)
};

// Reference rows: scripts/reference/grid_reference.py, which ran
//   TransverseMercatorProj -e <a> 1/<1/f> -l <central meridian> -k <k0> -p 9
// (GeographicLib's exact Transverse Mercator, origin on the equator).
constexpr Grid WGS84_UTM = {"WGS 84, UTM", 133, CS_UTM, 500000, 0, 0};
// -e 6378137.0 1/298.257223563 -l 129 -k 0.9996
constexpr Row WGS84_UTM_ROWS[] = {
    {37.5, 127.3, -150268.888792563, 4151698.670593739},
    {37.5, 132.0, 265201.869572797, 4154570.153856858},
    {-33.9, 126.5, -231167.700415945, -3753882.211948665},
    {0.5, 126.0, -333965.901733205, 55341.388215555},
    {0.5, 132.0, 333965.901733205, 55341.388215555},
    {80.25, 126.0, -56693.353018217, 8910952.987728523},
    {-60.0, 131.75, 153359.185669350, -6654599.392204685},
    {1e-07, 128.999, -111.274963003, 0.011053005},
};

constexpr Grid TOKYO_UTM = {"Tokyo(---), UTM", 125, CS_UTM, 500000, 0, 0};
// -e 6377397.155 1/299.1528128 -l 129 -k 0.9996
constexpr Row TOKYO_UTM_ROWS[] = {
    {35.6895, 127.6917, -118363.634476589, 3949906.011588641},
    {33.25, 131.9, 270153.524658546, 3682388.795915500},
    {43.0, 126.1, -236352.893323020, 4764415.558375399},
    {-12.5, 130.0, 108646.719101661, -1381915.770344044},
};

// Central meridian 127 degrees plus the 10.405" delta.
constexpr Grid TOKYO_TM = {"Tokyo(---), TM", 125,    CS_TM,
                           200000,           500000, 4207077.707744916};
// -e 6377397.155 1/299.1528128 -l 127.0028902777777777776 -k 1
constexpr Row TOKYO_TM_ROWS[] = {
    {38.0, 127.0, -253.829798356, 4207077.711686509},
    {37.5665, 126.978, -2198.717269211, 4158967.957522481},
    {33.5, 124.1, -269757.276903605, 3711608.858676401},
    {38.5, 129.9, 252717.059921724, 4266551.630416033},
    {36.0, 128.5, 134973.597438046, 3986182.688785721},
};

constexpr Grid WGS84_G7 = {"WGS 84, G7", 133,    CS_G7,
                           400000,       600000, 4207077.269352498};
// -e 6378137.0 1/298.257223563 -l 128 -k 0.9999
constexpr Row WGS84_G7_ROWS[] = {
    {37.5665, 126.978, -90282.811046471, 4159457.828893689},
    {33.2, 125.05, -275084.831687144, 3678441.540362121},
    {43.0, 130.95, 240529.377626075, 4766468.554182687},
    {38.0, 128.0, 0.000000000, 4207077.269352498},
};

// Points on the central meridian, from the same commands.
constexpr Row WGS84_UTM_CM_ROWS[] = {
    {-89.9, 129.0, 0, -9986800.012938876},
    {-45.0, 129.0, 0, -4982950.400226551},
    {0.0, 129.0, 0, 0.000000000},
    {36.0, 129.0, 0, 3983948.453335667},
    {60.0, 129.0, 0, 6651411.190362716},
    {89.9, 129.0, 0, 9986800.012938876},
    {90.0, 129.0, 0, 9997964.943020996},
};
constexpr Row WGS84_G7_CM_ROWS[] = {
    {-10.0, 128.0, 0, -1105744.247751049},
    {38.0, 128.0, 0, 4207077.269352498},
    {75.0, 128.0, 0, 8326104.893521618},
};
constexpr Row TOKYO_TM_CM_ROWS[] = {
    {20.0, 127.0028902777777777776, 0, 2212151.550283013},
    {38.0, 127.0028902777777777776, 0, 4207077.707744916},
};

struct GridRows {
    const Grid &grid;
    const Row *begin, *end;
};

const GridRows OFF_MERIDIAN[] = {
    {WGS84_UTM, std::begin(WGS84_UTM_ROWS), std::end(WGS84_UTM_ROWS)},
    {TOKYO_UTM, std::begin(TOKYO_UTM_ROWS), std::end(TOKYO_UTM_ROWS)},
    {TOKYO_TM, std::begin(TOKYO_TM_ROWS), std::end(TOKYO_TM_ROWS)},
    {WGS84_G7, std::begin(WGS84_G7_ROWS), std::end(WGS84_G7_ROWS)},
};

const GridRows ON_MERIDIAN[] = {
    {WGS84_UTM, std::begin(WGS84_UTM_CM_ROWS), std::end(WGS84_UTM_CM_ROWS)},
    {WGS84_G7, std::begin(WGS84_G7_CM_ROWS), std::end(WGS84_G7_CM_ROWS)},
    {TOKYO_TM, std::begin(TOKYO_TM_CM_ROWS), std::end(TOKYO_TM_CM_ROWS)},
};

COORD Engine(const Grid &grid) {
    COORD c(grid.datum);
    c.SetCoordSys(grid.kind);
    return c;
}

double ExpectedX(const Grid &grid, const Row &row) {
    return grid.falseEasting + row.x;
}
double ExpectedY(const Grid &grid, const Row &row) {
    return grid.falseNorthing + (row.y - grid.originY);
}

/// Central meridian in degrees: origin longitude plus delta.
double CentralMeridian(const COORD &c) {
    double lat0 = 0, lon0 = 0, dlat = 0, dlon = 0;
    c.GetOrgLatLon(lat0, lon0);
    c.GetDelta(dlat, dlon);
    return lon0 + dlon;
}

/// Ground distance (metres) between two nearby positions (degrees).
double GroundDistance(double lat1, double lon1, double lat2, double lon2) {
    const double R = 6378137.0;
    const double north = (lat1 - lat2) * PI / 180 * R;
    const double east =
        (lon1 - lon2) * PI / 180 * R * std::cos(lat2 * PI / 180);
    return std::hypot(north, east);
}

// ---- against the exact projection
// -----------------------------------------------

/// Calls @p check(engine, grid, row) for every reference row off the central
/// meridian, with the engine of its grid, each traced with its place.
template <typename Check> void ForEachRowOffMeridian(const Check &check) {
    for (const GridRows &g : OFF_MERIDIAN) {
        const COORD c = Engine(g.grid);
        for (const Row *row = g.begin; row != g.end; ++row) {
            SCOPED_TRACE(std::string(g.grid.name) + " at " +
                         std::to_string(row->lat) + ", " +
                         std::to_string(row->lon));
            check(c, g.grid, *row);
        }
    }
}

// The series to l^8 agree with the exact projection to far better than a
// millimetre within 3 degrees of the central meridian.
TEST(TmercTest, ForwardMatchesExactTransverseMercatorWithin3Degrees) {
    ForEachRowOffMeridian([](const COORD &c, const Grid &grid, const Row &row) {
        double x = 0, y = 0;
        c.ConvGeo2Grid(row.lat, row.lon, x, y);
        EXPECT_NEAR(x, ExpectedX(grid, row), 1 * MM);
        EXPECT_NEAR(y, ExpectedY(grid, row), 1 * MM);
    });
}

// The inverse series carry fewer terms; within 3 degrees of the central
// meridian they still land within a millimetre of the exact inverse.
TEST(TmercTest, InverseMatchesExactTransverseMercatorWithin3Degrees) {
    ForEachRowOffMeridian([](const COORD &c, const Grid &grid, const Row &row) {
        double lat = 0, lon = 0;
        c.ConvGrid2Geo(lat, lon, ExpectedX(grid, row), ExpectedY(grid, row));
        EXPECT_LT(GroundDistance(lat, lon, row.lat, row.lon), 1 * MM);
    });
}

// ---- origin and central meridian
// ------------------------------------------------

TEST(TmercTest, OriginMapsExactlyToTheFalseOrigin) {
    const struct {
        const char *name;
        std::int32_t datum;
        int kind;
        double orgLat, orgLon; ///< SetOrgLatLon arguments, or NaN for none
        double orgX, orgY;     ///< SetOrigin arguments, or NaN for none
        double lat, lon;       ///< the origin point that results
    } rows[] = {
        {"UTM defaults", 133, CS_UTM, NAN, NAN, NAN, NAN, 0.0, 129.0},
        {"UTM, Bessel", 125, CS_UTM, NAN, NAN, NAN, NAN, 0.0, 129.0},
        {"G7 defaults", 133, CS_G7, NAN, NAN, NAN, NAN, 38.0, 128.0},
        // a UTM origin latitude is kept; the longitude becomes the zone's
        {"UTM at 37.5", 133, CS_UTM, 37.5, 127.3, NAN, NAN, 37.5, 129.0},
        {"G7 moved", 125, CS_G7, 37.25, 127.5, 123456.5, 7654321.25, 37.25,
         127.5},
        {"southern UTM", 133, CS_UTM, -33.0, 18.2, 500000, 10000000, -33.0,
         21.0},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        COORD c(row.datum);
        c.SetCoordSys(row.kind);
        if (!std::isnan(row.orgX))
            c.SetOrigin(row.orgX, row.orgY);
        if (!std::isnan(row.orgLat))
            c.SetOrgLatLon(row.orgLat, row.orgLon);
        double x0 = 0, y0 = 0;
        c.GetOrigin(x0, y0);
        double x = -1, y = -1;
        c.ConvGeo2Grid(row.lat, row.lon, x, y);
        EXPECT_EQ(x, x0);
        EXPECT_EQ(y, y0);
    }
}

// On the central meridian X is the false easting exactly and Y the scaled arc
// from the origin latitude; the inverse gives the central meridian back and
// the latitude to within the footpoint tolerance (1e-10 rad). Rows at 89.9
// and 90 degrees start the footpoint iteration far from its 36 degrees.
TEST(TmercTest, CentralMeridianAndBackFootpointConverges) {
    const double tolerance = 1e-10 * 180 / PI; // degrees
    for (const GridRows &g : ON_MERIDIAN) {
        const COORD c = Engine(g.grid);
        const double cm = CentralMeridian(c);
        for (const Row *row = g.begin; row != g.end; ++row) {
            SCOPED_TRACE(std::string(g.grid.name) + " at " +
                         std::to_string(row->lat));
            double x = 0, y = 0;
            c.ConvGeo2Grid(row->lat, cm, x, y);
            if (g.grid.kind == CS_TM) {
                // No degree value turns into the stored sum 127 deg + delta
                // exactly: a few 1e-16 rad of l remain, nanometres of X.
                EXPECT_NEAR(x, g.grid.falseEasting, 1e-6);
            } else {
                EXPECT_EQ(x, g.grid.falseEasting);
            }
            EXPECT_NEAR(y, ExpectedY(g.grid, *row), 1 * MM);

            double lat = 0, lon = 0;
            c.ConvGrid2Geo(lat, lon, g.grid.falseEasting,
                           ExpectedY(g.grid, *row));
            EXPECT_NEAR(lat, row->lat, tolerance);
            EXPECT_NEAR(lon, cm, 1e-12);
        }
    }
}

// X' is odd and Y' even in the longitude difference: a point west of the
// central meridian lies west of the false easting by as much as its mirror
// lies east.
TEST(TmercTest, EastingIsOddAndNorthingEvenInTheLongitudeDifference) {
    const struct {
        const Grid &grid;
        double lat, dlon;
    } rows[] = {
        {WGS84_UTM, 37.5, 2.75}, {WGS84_UTM, -50.0, 0.001},
        {WGS84_UTM, 5.0, 3.0},   {TOKYO_TM, 33.5, 1.9},
        {WGS84_G7, 42.0, 0.5},   {WGS84_G7, 84.0, 2.5},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(std::string(row.grid.name) + " at " +
                     std::to_string(row.lat));
        const COORD c = Engine(row.grid);
        const double cm = CentralMeridian(c);
        double xw = 0, yw = 0, xe = 0, ye = 0;
        c.ConvGeo2Grid(row.lat, cm - row.dlon, xw, yw);
        c.ConvGeo2Grid(row.lat, cm + row.dlon, xe, ye);
        EXPECT_LT(xw, row.grid.falseEasting);
        EXPECT_GT(xe, row.grid.falseEasting);
        // the degree inputs round l by a few 1e-16 rad: nanometres
        EXPECT_NEAR(xw - row.grid.falseEasting, -(xe - row.grid.falseEasting),
                    1e-6);
        EXPECT_NEAR(yw, ye, 1e-6);
    }
}

// In kind TM the central meridian is 127 degrees plus 10.405": the point at
// 127 degrees itself lies west of it, and the false origin maps back onto it.
TEST(TmercTest, TmDeltaMovesTheCentralMeridianBothWays) {
    COORD c(125);
    c.SetCoordSys(CS_TM);
    double x = 0, y = 0;
    c.ConvGeo2Grid(38.0, 127.0, x, y);
    EXPECT_NEAR(x, 200000 - 253.829798356, 1 * MM);
    EXPECT_NEAR(y, 500000 + (4207077.711686509 - 4207077.707744916), 1 * MM);

    double lat = 0, lon = 0;
    c.ConvGrid2Geo(lat, lon, 200000, 500000);
    EXPECT_NEAR(lat, 38.0, 1e-10 * 180 / PI);
    EXPECT_NEAR(lon, 127.0 + 10.405 / 3600, 1e-12);
}

// No false northing is added south of the origin latitude: UTM northings in
// the south are negative unless the caller sets one.
TEST(TmercTest, SouthernNorthingsFallBelowTheFalseNorthing) {
    const struct {
        const Grid &grid;
        double lat, lon;
    } rows[] = {
        {WGS84_UTM, -0.001, 129.0},
        {WGS84_UTM, -33.9, 126.5},
        {TOKYO_TM, 37.99, 127.5},
        {WGS84_G7, -10.0, 128.0},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(std::string(row.grid.name) + " at " +
                     std::to_string(row.lat));
        COORD c = Engine(row.grid);
        double x = 0, y = 0;
        c.ConvGeo2Grid(row.lat, row.lon, x, y);
        EXPECT_LT(y, row.grid.falseNorthing);

        // The same point with 10000 km more false northing.
        c.SetOrigin(row.grid.falseEasting, row.grid.falseNorthing + 1e7);
        double x2 = 0, y2 = 0;
        c.ConvGeo2Grid(row.lat, row.lon, x2, y2);
        EXPECT_EQ(x2, x);
        EXPECT_NEAR(y2, y + 1e7, 1e-8);
    }
}

// The conversions never look at the kind: in kind ECEF the TM constants stay
// in force and the grid pair keeps using them.
TEST(TmercTest, GridPairIgnoresTheKind) {
    COORD c(125);
    c.SetCoordSys(CS_TM);
    double x = 0, y = 0, lat = 0, lon = 0;
    c.ConvGeo2Grid(36.0, 128.5, x, y);
    c.ConvGrid2Geo(lat, lon, 334973.6, 286182.7);
    c.SetCoordSys(CS_ECEF);
    double x2 = 0, y2 = 0, lat2 = 0, lon2 = 0;
    c.ConvGeo2Grid(36.0, 128.5, x2, y2);
    c.ConvGrid2Geo(lat2, lon2, 334973.6, 286182.7);
    EXPECT_EQ(x2, x);
    EXPECT_EQ(y2, y);
    EXPECT_EQ(lat2, lat);
    EXPECT_EQ(lon2, lon);
}

// ---- faults
// ------------------------------------------------------------------

TEST(TmercTest, OverflowThrowsAndLeavesOutputsUntouched) {
    const COORD c(133);
    const double huge = Runtime(1e300);
    double a = 7, b = 8;
    try {
        c.ConvGeo2Grid(10.0, huge, a, b); // l^2 overflows
        ADD_FAILURE() << "no fault";
    } catch (const FloatingPointError &e) {
        EXPECT_STREQ(e.what(), "Floating point overflow");
    }
    EXPECT_EQ(a, 7);
    EXPECT_EQ(b, 8);
    try {
        c.ConvGrid2Geo(a, b, huge, 4000000.0); // x^2 overflows
        ADD_FAILURE() << "no fault";
    } catch (const FloatingPointError &e) {
        EXPECT_STREQ(e.what(), "Floating point overflow");
    }
    EXPECT_EQ(a, 7);
    EXPECT_EQ(b, 8);
}

} // namespace
