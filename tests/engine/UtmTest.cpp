// The UTM zone rules against the standard's definition: zone n covers the
// longitudes from 6n - 186 (inclusive) to 6n - 180 degrees, its central
// meridian 6n - 183. The standard zones of points, with the Norway and
// Svalbard exceptions and UPS (zone 0) beyond 84 N and 80 S, are
// GeographicLib's GeoConvert -u -s for the same points (its zone column):
// 180 is -180, in zone 1.
#include "Utm.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(UtmZone, StandardZoneOfPoints) {
    const struct {
        double lat, lon;
        int zone;
    } rows[] = {
        // the 6-degree zones, an edge in the zone east of it
        {10, -180, 1},
        {10, -177, 1},
        {10, -174.0000001, 1},
        {10, -174, 2},
        {10, -0.5, 30},
        {10, 0, 31},
        {10, 2.9999, 31},
        {10, 124.9, 51},
        {10, 126, 52},
        {10, 131.9999, 52},
        {10, 132, 53},
        {10, 179.9999999, 60},
        {10, 180, 1},
        // Norway: 32V spans 3 to 12 E from 56 N up to 64 N
        {60, 2.999, 31},
        {60, 3, 32},
        {60, 11.999, 32},
        {60, 12, 33},
        {56, 3, 32},
        {55.9999, 3, 31},
        {63.9999, 3, 32},
        {64, 3, 31},
        // Svalbard: 31X, 33X, 35X and 37X from 72 N up to 84 N
        {72, 8.999, 31},
        {72, 9, 33},
        {72, 20.999, 33},
        {72, 21, 35},
        {72, 33, 37},
        {72, 41.999, 37},
        {72, 42, 38},
        {71.9999, 9, 32},
        {83.9999, 20, 33},
        // UPS beyond UTM's limits
        {84, 20, 0},
        {-80, 0, 31},
        {-80.0001, 0, 0},
        {90, 0, 0},
        {-90, 0, 0},
    };
    for (const auto &row : rows)
        EXPECT_EQ(Utm::StandardZone(row.lat, row.lon), row.zone)
            << row.lat << " " << row.lon;
}

TEST(UtmZone, StandardSpans) {
    const struct {
        int zone;
        double lat;
        bool exists;
        double west, east;
    } rows[] = {
        {52, 37.5, true, 126, 132}, {1, -45, true, -180, -174},
        {60, 10, true, 174, 180},   {31, 60, true, 0, 3},
        {32, 60, true, 3, 12},      {33, 60, true, 12, 18},
        {32, 64, true, 6, 12},      {31, 75, true, 0, 9},
        {33, 75, true, 9, 21},      {37, 83.9, true, 33, 42},
        {32, 75, false, 0, 0},      {34, 72, false, 0, 0},
        {36, 80, false, 0, 0},      {33, 84, false, 0, 0},
        {33, -80.5, false, 0, 0},
    };
    for (const auto &row : rows) {
        double west = 0, east = 0;
        SCOPED_TRACE(std::to_string(row.zone) + " at " +
                     std::to_string(row.lat));
        ASSERT_EQ(Utm::StandardSpan(row.zone, row.lat, west, east), row.exists);
        if (row.exists) {
            EXPECT_EQ(west, row.west);
            EXPECT_EQ(east, row.east);
        }
    }
}

TEST(UtmZone, CentralMeridians) {
    EXPECT_EQ(Utm::CentralMeridian(1), -177);
    EXPECT_EQ(Utm::CentralMeridian(31), 3);
    EXPECT_EQ(Utm::CentralMeridian(52), 129);
    EXPECT_EQ(Utm::CentralMeridian(60), 177);
    // The meridian of the zone holding a longitude: 35 N 124.9 E is zone 51,
    // central meridian 123; an edge belongs to the zone east of it.
    EXPECT_EQ(Utm::ZoneCentralMeridian(124.9), 123);
    EXPECT_EQ(Utm::ZoneCentralMeridian(126), 129);
    EXPECT_EQ(Utm::ZoneCentralMeridian(-180), -177);
}

TEST(UtmZone, OfMeridian) {
    const struct {
        double meridian;
        int zone; // 0: no zone's
    } rows[] = {
        {129, 52},        {129 + 1e-10, 52}, {128.9999, 0}, {127, 0},
        {-177, 1},        {177, 60},         {183, 0},      {-183, 0},
        {3, 31},          {0, 0},
    };
    for (const auto &row : rows)
        EXPECT_EQ(Utm::ZoneOfMeridian(row.meridian, 1e-9), row.zone)
            << row.meridian;
}

} // namespace
