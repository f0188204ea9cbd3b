// ECEF on any ellipsoid against GeographicLib's CartConvert (exact) from 10 km
// below the surface to 10,000 km above it, and the geocentric transformations
// (translation, Helmert in both conventions, Molodensky-Badekas in both)
// against PROJ's cct, with parameters under which the conventions differ by
// hundreds of metres.
#include "Geocentric.h"

#include "ProjTools.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <iostream>
#include <string>
#include <vector>

namespace {

constexpr double DEGREE_TOLERANCE = 1e-9;
constexpr double TENTH_MM = 1e-4;
constexpr double MM = 1e-3;

struct Ellipsoid {
    const char *name;
    double a, invf;
    const char *projEllps;
};

const Ellipsoid ELLIPSOIDS[] = {
    {"WGS 84", 6378137.0, 298.257223563, "WGS84"},
    {"Bessel 1841", 6377397.155, 299.1528128, "bessel"},
    {"GRS 1980", 6378137.0, 298.257222101, "GRS80"}};

// The ECEF points of a grid of latitudes (the poles included), longitudes and
// heights from -10 km to 10,000 km, written exactly.
struct EcefCase {
    double lat, lon, h;
    double x, y, z;
};

std::vector<EcefCase> EcefCases(const Geocentric &g) {
    const double lats[] = {-90.0, -89.9999, -60.0, -30.5, -1e-7, 0.0,
                           15.0,  45.0,     75.25, 89.99, 90.0};
    const double lons[] = {-179.9, -90.0, 0.0, 33.3, 127.0, 180.0};
    const double heights[] = {-10000.0, -1000.0, 0.0, 500.0,
                              8848.0,   1e5,     1e6, 1e7};
    std::vector<EcefCase> cases;
    for (double lat : lats)
        for (double lon : lons)
            for (double h : heights) {
                EcefCase c{lat, lon, h, 0, 0, 0};
                g.Forward(lat, lon, h, c.x, c.y, c.z);
                cases.push_back(c);
            }
    return cases;
}

TEST(GeocentricTest, BothWaysAgreeWithCartConvertFromBelowGroundToSpace) {
    for (const Ellipsoid &e : ELLIPSOIDS) {
        SCOPED_TRACE(e.name);
        const Geocentric g(e.a, e.invf);
        const std::vector<EcefCase> cases = EcefCases(g);
        const std::vector<std::string> ellipsoid = {
            "-e", Exact(e.a), "1/" + Exact(e.invf), "-p", "12"};
        std::vector<std::string> geodetic, cartesian;
        for (const EcefCase &c : cases) {
            geodetic.push_back(Exact(c.lat) + " " + Exact(c.lon) + " " +
                               Exact(c.h));
            cartesian.push_back(Exact(c.x) + " " + Exact(c.y) + " " +
                                Exact(c.z));
        }
        std::vector<std::string> reverse = ellipsoid;
        reverse.push_back("-r");
        const auto forwardRef = RunTool(Tool::CartConvert, ellipsoid, geodetic);
        const auto reverseRef = RunTool(Tool::CartConvert, reverse, cartesian);
        double worstDegrees = 0, worstHeight = 0;
        for (std::size_t i = 0; i < cases.size(); ++i) {
            const EcefCase &c = cases[i];
            SCOPED_TRACE(geodetic[i]);
            ASSERT_EQ(forwardRef[i].size(), 3u);
            ASSERT_EQ(reverseRef[i].size(), 3u);
            EXPECT_NEAR(c.x, forwardRef[i][0], TENTH_MM);
            EXPECT_NEAR(c.y, forwardRef[i][1], TENTH_MM);
            EXPECT_NEAR(c.z, forwardRef[i][2], TENTH_MM);

            double lat = 0, lon = 0, h = 0;
            g.Reverse(c.x, c.y, c.z, lat, lon, h);
            EXPECT_NEAR(lat, reverseRef[i][0], DEGREE_TOLERANCE);
            EXPECT_NEAR(h, reverseRef[i][2], TENTH_MM);
            if (std::fabs(c.lat) < 90.0) { // at a pole any longitude is right
                EXPECT_NEAR(lon, reverseRef[i][1], DEGREE_TOLERANCE);
            }
            worstDegrees =
                std::max(worstDegrees, std::fabs(lat - reverseRef[i][0]));
            worstHeight =
                std::max(worstHeight, std::fabs(h - reverseRef[i][2]));
        }
        std::cout << "[ measured ] " << e.name
                  << " ECEF to geodetic: " << worstDegrees << " deg, "
                  << worstHeight << " m\n";
    }
}

// ---- geocentric transformations --------------------------------------------

struct HelmertCase {
    const char *name;
    HelmertParameters p;
    const char *cct; ///< the same operation for cct, ECEF in and out
};

// One parameter set in every form. The rotations of a few arc-seconds turn
// by some 100 m at the Earth's radius, so reading them in the wrong
// convention, or about the wrong point, shows as metres.
constexpr double TX = 100.5, TY = -50.25, TZ = 80.125;
constexpr double RX = 2.5, RY = -1.75, RZ = 3.125, DS = 4.5;
constexpr double PX = -3159521.31, PY = 4068151.32, PZ = 3748113.85;

const HelmertCase HELMERT_CASES[] = {
    {"translation",
     {TX, TY, TZ, 0, 0, 0, 0, 0, 0, 0, HelmertConvention::PositionVector},
     "+proj=helmert +x=100.5 +y=-50.25 +z=80.125"},
    {"position vector",
     {TX, TY, TZ, RX, RY, RZ, DS, 0, 0, 0, HelmertConvention::PositionVector},
     "+proj=helmert +x=100.5 +y=-50.25 +z=80.125 +rx=2.5 +ry=-1.75 +rz=3.125 "
     "+s=4.5 +convention=position_vector"},
    {"coordinate frame",
     {TX, TY, TZ, RX, RY, RZ, DS, 0, 0, 0, HelmertConvention::CoordinateFrame},
     "+proj=helmert +x=100.5 +y=-50.25 +z=80.125 +rx=2.5 +ry=-1.75 +rz=3.125 "
     "+s=4.5 +convention=coordinate_frame"},
    {"Molodensky-Badekas, coordinate frame",
     {TX, TY, TZ, RX, RY, RZ, DS, PX, PY, PZ,
      HelmertConvention::CoordinateFrame},
     "+proj=molobadekas +x=100.5 +y=-50.25 +z=80.125 +rx=2.5 +ry=-1.75 "
     "+rz=3.125 +s=4.5 +px=-3159521.31 +py=4068151.32 +pz=3748113.85 "
     "+convention=coordinate_frame"},
    {"Molodensky-Badekas, position vector",
     {TX, TY, TZ, RX, RY, RZ, DS, PX, PY, PZ,
      HelmertConvention::PositionVector},
     "+proj=molobadekas +x=100.5 +y=-50.25 +z=80.125 +rx=2.5 +ry=-1.75 "
     "+rz=3.125 +s=4.5 +px=-3159521.31 +py=4068151.32 +pz=3748113.85 "
     "+convention=position_vector"},
};

/// Geodetic points on the source ellipsoid (Bessel): Korea, Japan, and far
/// from both, low and high.
const double POINTS[][3] = {{37.5665, 126.978, 38.0}, {33.25, 126.5, 1950.0},
                            {35.68, 139.76, 40.0},    {43.06, 141.35, -25.0},
                            {-33.9, 18.4, 10.0},      {64.1, -21.9, 300.0},
                            {0.5, -78.5, 2850.0},     {-77.85, 166.67, 20.0}};

std::vector<double> Distances(const HelmertCase &a, const HelmertCase &b) {
    const Geocentric bessel(6377397.155, 299.1528128);
    const DatumTransformation ta(bessel, a.p, bessel), tb(bessel, b.p, bessel);
    std::vector<double> d;
    for (const auto &p : POINTS) {
        double x, y, z, xa, ya, za, xb, yb, zb;
        bessel.Forward(p[0], p[1], p[2], x, y, z);
        ta.CartesianForward(x, y, z, xa, ya, za);
        tb.CartesianForward(x, y, z, xb, yb, zb);
        d.push_back(std::hypot(xa - xb, ya - yb, za - zb));
    }
    return d;
}

// The parameter set tells the forms apart: metres between any two of them
// at every point.
TEST(HelmertTest, TheFormsDifferByMetresWithTheseParameters) {
    for (std::size_t i = 1; i < std::size(HELMERT_CASES); ++i)
        for (std::size_t j = i + 1; j < std::size(HELMERT_CASES); ++j)
            for (double d : Distances(HELMERT_CASES[i], HELMERT_CASES[j]))
                EXPECT_GT(d, 1.0) << HELMERT_CASES[i].name << " against "
                                  << HELMERT_CASES[j].name;
}

// The Cartesian step both ways, and the whole geodetic transformation (Bessel
// to WGS 84 and back), against cct.
TEST(HelmertTest, EveryFormAgreesWithCctBothWays) {
    const Geocentric bessel(6377397.155, 299.1528128);
    const Geocentric wgs84(6378137.0, 298.257223563);
    for (const HelmertCase &c : HELMERT_CASES) {
        SCOPED_TRACE(c.name);
        const DatumTransformation t(bessel, c.p, wgs84);
        std::vector<std::string> cartesian, geodetic;
        std::vector<std::array<double, 3>> ecef;
        for (const auto &p : POINTS) {
            std::array<double, 3> xyz;
            bessel.Forward(p[0], p[1], p[2], xyz[0], xyz[1], xyz[2]);
            ecef.push_back(xyz);
            cartesian.push_back(Exact(xyz[0]) + " " + Exact(xyz[1]) + " " +
                                Exact(xyz[2]));
            geodetic.push_back(Exact(p[1]) + " " + Exact(p[0]) + " " +
                               Exact(p[2])); // cct: longitude first
        }
        std::vector<std::string> step = Words(c.cct);
        step.insert(step.begin(), {"-d", "12"});
        std::vector<std::string> stepBack = step;
        stepBack.insert(stepBack.begin(), "-I");
        const std::string pipeline =
            std::string("+proj=pipeline +step +proj=unitconvert +xy_in=deg "
                        "+xy_out=rad +step +proj=cart +ellps=bessel +step ") +
            c.cct +
            " +step +inv +proj=cart +ellps=WGS84 +step +proj=unitconvert "
            "+xy_in=rad +xy_out=deg";
        std::vector<std::string> whole = Words(pipeline);
        whole.insert(whole.begin(), {"-d", "12"});
        std::vector<std::string> wholeBack = whole;
        wholeBack.insert(wholeBack.begin(), "-I");

        const auto stepRef = RunTool(Tool::Cct, step, cartesian);
        const auto stepBackRef = RunTool(Tool::Cct, stepBack, cartesian);
        const auto wholeRef = RunTool(Tool::Cct, whole, geodetic);
        const auto wholeBackRef = RunTool(Tool::Cct, wholeBack, geodetic);
        double worstMetres = 0, worstDegrees = 0;
        for (std::size_t i = 0; i < ecef.size(); ++i) {
            SCOPED_TRACE(geodetic[i]);
            ASSERT_GE(stepRef[i].size(), 3u);
            ASSERT_GE(stepBackRef[i].size(), 3u);
            ASSERT_GE(wholeRef[i].size(), 3u);
            ASSERT_GE(wholeBackRef[i].size(), 3u);
            const auto &[x, y, z] = ecef[i];
            double out[3];
            t.CartesianForward(x, y, z, out[0], out[1], out[2]);
            for (int k = 0; k < 3; ++k) {
                EXPECT_NEAR(out[k], stepRef[i][k], TENTH_MM);
                worstMetres =
                    std::max(worstMetres, std::fabs(out[k] - stepRef[i][k]));
            }
            t.CartesianReverse(x, y, z, out[0], out[1], out[2]);
            for (int k = 0; k < 3; ++k) {
                EXPECT_NEAR(out[k], stepBackRef[i][k], TENTH_MM);
                worstMetres = std::max(worstMetres,
                                       std::fabs(out[k] - stepBackRef[i][k]));
            }

            const auto &p = POINTS[i];
            t.Forward(p[0], p[1], p[2], out[0], out[1], out[2]);
            EXPECT_NEAR(out[0], wholeRef[i][1], DEGREE_TOLERANCE);
            EXPECT_NEAR(out[1], wholeRef[i][0], DEGREE_TOLERANCE);
            EXPECT_NEAR(out[2], wholeRef[i][2], MM);
            t.Reverse(p[0], p[1], p[2], out[0], out[1], out[2]);
            EXPECT_NEAR(out[0], wholeBackRef[i][1], DEGREE_TOLERANCE);
            EXPECT_NEAR(out[1], wholeBackRef[i][0], DEGREE_TOLERANCE);
            EXPECT_NEAR(out[2], wholeBackRef[i][2], MM);
            worstDegrees =
                std::max({worstDegrees, std::fabs(out[0] - wholeBackRef[i][1]),
                          std::fabs(out[1] - wholeBackRef[i][0])});
        }
        std::cout << "[ measured ] " << c.name << ": ECEF " << worstMetres
                  << " m, geodetic back " << worstDegrees << " deg\n";
    }
}

} // namespace
