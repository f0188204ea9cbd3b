// A window's side on a PROJ system: its angle row in degrees whatever the
// system's angle unit and axis order, its grid row in PROJ's east-first
// order (easting, northing; a polar system's easting first too; westing,
// southing left as they are), the numbers cs2cs gives.
#include "ProjSide.h"
#include "ProjTools.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct GridRow {
    const char *system;    ///< the side's projected system
    const char *geographic; ///< its geographic system, for cs2cs
    double lat, lon;       ///< the angle row, degrees
    /// cs2cs writes the system's own order: northing first on these.
    bool northingFirst;
};

// cs2cs -d 10 GEOGRAPHIC SYSTEM on "lat lon" gives the system's own order.
TEST(ProjSide, GridRowInTheEastFirstOrder) {
    const GridRow rows[] = {
        // Both axes point north on a polar system: the easting was shown
        // as the northing.
        {"EPSG:3031", "EPSG:4326", -75, 100, false},
        {"EPSG:32761", "EPSG:4326", -85, 30, true},
        {"EPSG:2053", "EPSG:4148", -26, 28.5, false},
        {"EPSG:5186", "EPSG:4737", 37.5, 127, true},
    };
    for (const GridRow &row : rows) {
        SCOPED_TRACE(row.system);
        const ProjSide side(row.system);
        const auto grid = side.GeoToGrid({row.lat, row.lon, 10});
        const auto reference =
            RunTool(Tool::Cs2cs, {"-d", "10", row.geographic, row.system},
                    {Exact(row.lat) + " " + Exact(row.lon)})[0];
        const double east = reference[row.northingFirst ? 1 : 0];
        const double north = reference[row.northingFirst ? 0 : 1];
        EXPECT_NEAR(grid[0], east, 1e-6);
        EXPECT_NEAR(grid[1], north, 1e-6);
        EXPECT_EQ(grid[2], 10);
        const auto back = side.GridToGeo(grid);
        EXPECT_NEAR(back[0], row.lat, 1e-9);
        EXPECT_NEAR(back[1], row.lon, 1e-9);
    }
}

// NTF (Paris) holds grads: the angle row showed 54.27 "degrees" for
// Paris. cs2cs prints the system's angles in degrees, as the row shows them.
TEST(ProjSide, AngleRowInDegreesOnAGradSystem) {
    const ProjSide side("EPSG:4807");
    const auto row = side.FromWgs84({48.8566, 2.3522, 0});
    const auto reference = RunTool(Tool::Cs2cs,
                                   {"-d", "10", "EPSG:4326", "EPSG:4807"},
                                   {"48.8566 2.3522"})[0];
    EXPECT_NEAR(row[0], reference[0], 1e-9);
    EXPECT_NEAR(row[1], reference[1], 1e-9);
    // Back through the operation's own inverse: within its round trip
    // (half a millimetre), where grads read as degrees would be 5 km off.
    const auto wgs = side.ToWgs84(row);
    EXPECT_NEAR(wgs[0], 48.8566, 1e-7);
    EXPECT_NEAR(wgs[1], 2.3522, 1e-7);
}

} // namespace
