// The UTM zone rule against the standard's definition: zone n covers the
// longitudes from 6n - 186 (inclusive) to 6n - 180 degrees, its central
// meridian 6n - 183; 180 itself belongs to zone 60.
#include "Utm.h"

#include <gtest/gtest.h>

namespace {

TEST(UtmZone, OfLongitude) {
    const struct {
        double lon;
        int zone;
    } rows[] = {
        {-180, 1},  {-177, 1},   {-174.0000001, 1}, {-174, 2},  {-0.5, 30},
        {0, 31},    {2.9999, 31}, {124.9, 51},      {126, 52},  {129, 52},
        {131.9999, 52}, {132, 53}, {179.9999999, 60}, {180, 60},
    };
    for (const auto &row : rows)
        EXPECT_EQ(Utm::Zone(row.lon), row.zone) << row.lon;
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
