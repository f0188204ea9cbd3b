// The general Transverse Mercator against PROJ's cct (+proj=tmerc and
// +proj=utm) with origin latitudes off the equator, scale factors other than 1
// and false origins, and bit for bit against the documented grids.
#include "TmercGeneral.h"

#include "Coord.h"
#include "ProjTools.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <vector>

namespace {

constexpr double MM = 0.001;

struct Projection {
    const char *name;
    double a, invf, lat0, lon0, k0, falseEasting, falseNorthing;
    const char *cct; ///< the same projection for cct
};

const Projection PROJECTIONS[] = {
    {"Japan zone I on GRS 80", 6378137.0, 298.257222101, 33.0, 129.5, 0.9999,
     0.0, 0.0,
     "+proj=tmerc +lat_0=33 +lon_0=129.5 +k=0.9999 +x_0=0 +y_0=0 "
     "+ellps=GRS80"},
    {"Japan zone XII on Bessel", 6377397.155, 299.1528128, 44.0, 142.25, 0.9999,
     0.0, 0.0,
     "+proj=tmerc +lat_0=44 +lon_0=142.25 +k=0.9999 +x_0=0 +y_0=0 "
     "+ellps=bessel"},
    {"Unified CS on GRS 80", 6378137.0, 298.257222101, 38.0, 127.5, 0.9996,
     1000000.0, 2000000.0,
     "+proj=tmerc +lat_0=38 +lon_0=127.5 +k=0.9996 +x_0=1000000 +y_0=2000000 "
     "+ellps=GRS80"},
    {"southern, negative false northing", 6378137.0, 298.257223563, -33.5,
     18.75, 0.99995, 50000.0, -30000.0,
     "+proj=tmerc +lat_0=-33.5 +lon_0=18.75 +k=0.99995 +x_0=50000 "
     "+y_0=-30000 +ellps=WGS84"},
    {"UTM zone 52N", 6378137.0, 298.257223563, 0.0, 129.0, 0.9996, 500000.0,
     0.0, "+proj=utm +zone=52 +ellps=WGS84"},
    {"UTM zone 33S", 6378137.0, 298.257223563, 0.0, 15.0, 0.9996, 500000.0,
     10000000.0, "+proj=utm +zone=33 +south +ellps=WGS84"},
};

// Points up to 6 degrees east and west of the central meridian (twice a UTM
// zone's half width) and 8 north and south of the origin latitude (UTM: the
// zone's hemisphere), where the forward series is within a millimetre and
// the inverse, refined on it, too.
std::vector<std::array<double, 2>> Points(const Projection &p) {
    double south = p.lat0 - 8.0, north = p.lat0 + 8.0;
    if (p.lat0 == 0.0) {
        south = p.falseNorthing != 0 ? -80.0 : 0.5;
        north = p.falseNorthing != 0 ? -0.5 : 84.0;
    }
    std::vector<std::array<double, 2>> points;
    for (int i = 0; i <= 6; ++i)
        for (int j = 0; j <= 6; ++j)
            points.push_back({south + (north - south) * i / 6.0,
                              p.lon0 - 6.0 + 12.0 * j / 6.0});
    return points;
}

TEST(TmercGeneralTest, BothWaysAgreeWithCctWithinAMillimetre) {
    for (const Projection &p : PROJECTIONS) {
        SCOPED_TRACE(p.name);
        const TransverseMercator tm(p.a, p.invf, p.lat0, p.lon0, p.k0,
                                    p.falseEasting, p.falseNorthing);
        std::vector<std::string> geodetic;
        for (const auto &[lat, lon] : Points(p))
            geodetic.push_back(Exact(lon) + " " + Exact(lat) + " 0");
        std::vector<std::string> args = Words(p.cct);
        args.insert(args.begin(), {"-d", "12"});
        const auto gridRef = RunTool(Tool::Cct, args, geodetic);
        std::vector<std::string> grid;
        for (const auto &row : gridRef)
            grid.push_back(row.size() >= 2
                               ? Exact(row[0]) + " " + Exact(row[1]) + " 0"
                               : "0 0 0");
        args.insert(args.begin(), "-I");
        const auto geodeticRef = RunTool(Tool::Cct, args, grid);

        const auto points = Points(p);
        for (std::size_t i = 0; i < points.size(); ++i) {
            const auto &[lat, lon] = points[i];
            SCOPED_TRACE(testing::Message() << lat << ", " << lon);
            ASSERT_GE(gridRef[i].size(), 2u);
            ASSERT_GE(geodeticRef[i].size(), 2u);
            double x = 0, y = 0;
            tm.Forward(lat, lon, x, y);
            EXPECT_NEAR(x, gridRef[i][0], MM);
            EXPECT_NEAR(y, gridRef[i][1], MM);
            double latBack = 0, lonBack = 0;
            tm.Reverse(gridRef[i][0], gridRef[i][1], latBack, lonBack);
            EXPECT_LT(GroundDistance(latBack, lonBack, geodeticRef[i][1],
                                     geodeticRef[i][0]),
                      MM);
        }
    }
}

// With the constants of a documented grid the general projection is that
// grid's series forward, bit for bit; back it inverts that series (to a
// micrometre), where the documented inverse series stays within a
// millimetre of it near the central meridian.
TEST(TmercGeneralTest, DocumentedGridConstantsGiveTheGridsResults) {
    const struct {
        std::int32_t datum;
        int kind;
        double a, invf, lat0, lon0, k0, falseEasting, falseNorthing;
    } grids[] = {
        {133, CS_UTM, 6378137.0, 298.257223563, 0.0, 129.0, 0.9996, 500000.0,
         0.0},
        {125, CS_G7, 6377397.155, 299.1528128, 38.0, 128.0, 0.9999, 400000.0,
         600000.0},
    };
    const double points[][2] = {
        {37.5665, 126.978}, {33.2, 125.05}, {43.0, 130.95}, {-12.5, 130.0}};
    for (const auto &g : grids) {
        COORD c(g.datum);
        c.SetCoordSys(g.kind);
        const TransverseMercator tm(g.a, g.invf, g.lat0, g.lon0, g.k0,
                                    g.falseEasting, g.falseNorthing);
        for (const auto &p : points) {
            double x1, y1, x2, y2, lat1, lon1, lat2, lon2;
            c.ConvGeo2Grid(p[0], p[1], x1, y1);
            tm.Forward(p[0], p[1], x2, y2);
            EXPECT_EQ(x1, x2);
            EXPECT_EQ(y1, y2);
            c.ConvGrid2Geo(lat1, lon1, x1, y1);
            tm.Reverse(x1, y1, lat2, lon2);
            EXPECT_LT(GroundDistance(lat2, lon2, p[0], p[1]), 1e-6);
            EXPECT_LT(GroundDistance(lat1, lon1, lat2, lon2), MM);
        }
    }
}

} // namespace
