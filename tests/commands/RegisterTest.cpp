// The register's coverage as the issue asks for it, its areas of use and
// PROJ's choice among the Tokyo datum's transformations.
#include "Register.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Family {
    const char *name;
    std::vector<std::int32_t> codes;
    SystemKind kind;
    std::int32_t datum; ///< geographic 2D system of the datum
    AxisOrder axes;
};

std::vector<std::int32_t> Range(std::int32_t first, std::int32_t last) {
    std::vector<std::int32_t> codes;
    for (std::int32_t code = first; code <= last; ++code)
        codes.push_back(code);
    return codes;
}

// The systems the issue names, with the kind, datum and EPSG axis order
// each must have (the Korean belts, the Unified CS and the Japanese zones are
// northing first in EPSG, UTM easting first).
TEST(RegisterTest, HoldsEverySystemTheIssueNames) {
    const Family families[] = {
        {"WGS 84 2D",
         {4326},
         SystemKind::Geographic2D,
         4326,
         AxisOrder::NorthingFirst},
        {"WGS 84 3D",
         {4979},
         SystemKind::Geographic3D,
         4326,
         AxisOrder::NorthingFirst},
        {"WGS 84 ECEF",
         {4978},
         SystemKind::Geocentric,
         4326,
         AxisOrder::EastingFirst},
        {"UTM north", Range(32601, 32660), SystemKind::Projected, 4326,
         AxisOrder::EastingFirst},
        {"UTM south", Range(32701, 32760), SystemKind::Projected, 4326,
         AxisOrder::EastingFirst},
        {"Korea 2000",
         {4737},
         SystemKind::Geographic2D,
         4737,
         AxisOrder::NorthingFirst},
        {"Korea 2000 grids", Range(5179, 5188), SystemKind::Projected, 4737,
         AxisOrder::NorthingFirst},
        {"Korean 1985",
         {4162},
         SystemKind::Geographic2D,
         4162,
         AxisOrder::NorthingFirst},
        {"Korean 1985 belts",
         {5173, 5174, 5175, 5176, 5177, 2096, 2097, 2098},
         SystemKind::Projected,
         4162,
         AxisOrder::NorthingFirst},
        {"Tokyo",
         {4301},
         SystemKind::Geographic2D,
         4301,
         AxisOrder::NorthingFirst},
        {"JGD2000",
         {4612},
         SystemKind::Geographic2D,
         4612,
         AxisOrder::NorthingFirst},
        {"JGD2000 zones", Range(2443, 2461), SystemKind::Projected, 4612,
         AxisOrder::NorthingFirst},
        {"JGD2011",
         {6668},
         SystemKind::Geographic2D,
         6668,
         AxisOrder::NorthingFirst},
        {"JGD2011 zones", Range(6669, 6687), SystemKind::Projected, 6668,
         AxisOrder::NorthingFirst},
    };
    std::size_t count = 0;
    for (const Family &family : families)
        for (std::int32_t code : family.codes) {
            SCOPED_TRACE(testing::Message() << family.name << " " << code);
            const ReferenceSystem *system = FindSystem(code);
            ASSERT_NE(system, nullptr);
            EXPECT_EQ(system->code, code);
            EXPECT_EQ(system->kind, family.kind);
            EXPECT_EQ(system->datum->geographic, family.datum);
            EXPECT_EQ(system->axisOrder, family.axes);
            EXPECT_FALSE(system->source.empty());
            EXPECT_LT(system->area.south, system->area.north);
            EXPECT_LT(system->area.west, system->area.east);
            ++count;
        }
    EXPECT_EQ(Systems().size(), count);
    EXPECT_EQ(FindSystem(4327), nullptr);
    EXPECT_EQ(FindSystem(32661), nullptr);
}

// Korean 1985 by the published Molodensky-Badekas EPSG:5191; Tokyo by
// EPSG:1305 in Korea and EPSG:15484 for Japan among PROJ's five.
TEST(RegisterTest, DatumsCarryThePublishedTransformations) {
    const Datum &korean1985 = *FindSystem(4162)->datum;
    ASSERT_EQ(korean1985.toWgs84.size(), 1u);
    EXPECT_EQ(korean1985.toWgs84[0].code, 5191);
    EXPECT_EQ(korean1985.toWgs84[0].method,
              TransformationMethod::MolodenskyBadekasCF);
    EXPECT_FALSE(korean1985.toWgs84[0].IsNull());
    EXPECT_TRUE(FindSystem(4326)->datum->IsWgs84());
    for (std::int32_t code : {4737, 4612, 6668}) {
        const Datum &datum = *FindSystem(code)->datum;
        ASSERT_EQ(datum.toWgs84.size(), 1u) << code;
        EXPECT_TRUE(datum.toWgs84[0].IsNull()) << code;
    }
}

TEST(RegisterTest, PointsOnTheEdgeOfAnAreaAreInside) {
    const ReferenceSystem &belt = *FindSystem(5174); // 126-128 E
    EXPECT_TRUE(InAreaOfUse(belt, 37.5, 127.0));
    EXPECT_TRUE(InAreaOfUse(belt, 37.5, 126.0));
    EXPECT_TRUE(InAreaOfUse(belt, 38.33, 128.0));
    EXPECT_FALSE(InAreaOfUse(belt, 37.5, 128.000001));
    EXPECT_FALSE(InAreaOfUse(belt, 33.9, 127.0));
    const ReferenceSystem &zone = *FindSystem(32652); // 126-132 E, 0-84 N
    EXPECT_TRUE(InAreaOfUse(zone, 0.0, 126.0));
    EXPECT_FALSE(InAreaOfUse(zone, -0.000001, 129.0));
}

// The most accurate transformation whose area holds the point, as cs2cs
// picks it (RegisterProjTest checks the numbers at these points).
TEST(RegisterTest, TokyoTakesTheMostAccurateTransformationAtThePoint) {
    const Datum &tokyo = *FindSystem(4301)->datum;
    const struct {
        const char *place;
        double lat, lon;
        std::int32_t code;
    } rows[] = {
        {"Seoul", 37.5665, 126.978, 1305},
        {"Fukuoka, inside the Korean box", 33.59, 130.40, 1305},
        {"Tokyo", 35.68, 139.76, 15484},
        {"Naha, where a 29 m Okinawa one also applies", 26.21, 127.68, 15484},
    };
    for (const auto &row : rows) {
        AreaOfUse point;
        point.south = point.north = row.lat;
        point.west = point.east = row.lon;
        EXPECT_EQ(ChooseTransformation(tokyo, point)->code, row.code)
            << row.place;
    }
    // For Tokyo's whole area, the one projinfo proposes.
    EXPECT_EQ(ChooseTransformation(tokyo, FindSystem(4301)->area)->code, 15484);
    EXPECT_EQ(
        ChooseTransformation(*FindSystem(4326)->datum, FindSystem(4326)->area),
        nullptr);
}

} // namespace
