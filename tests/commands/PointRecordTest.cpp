// A point copied with what it stands on, and grid values as pasted.
//
// Reference: Tokyo(---) to WGS 84 by PROJ 9.1's Molodensky, as the window's
// walkthrough gives it:
//   echo "127.006734786376 37.4790372301572 -19.6178800927811 0" | cct -d 12
//     +proj=molodensky +a=6377397.155 +rf=299.1528128 +dx=-105.627
//     +dy=462.37 +dz=643.258 +da=739.845 +df=1.003748257267484e-05
//   127.004541704575  37.481842152673  -0.026462312127
#include "PointRecord.h"

#include "AngleText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace {

const PointValues TOKYO = {37.4790372301572, 127.006734786376,
                           -19.6178800927811};
const PointValues ON_WGS84 = {37.481842152673, 127.004541704575,
                              -0.026462312127};

void ExpectNear(const PointValues &got, const PointValues &want) {
    EXPECT_NEAR(got[0], want[0], 1e-9); // 0.1 mm
    EXPECT_NEAR(got[1], want[1], 1e-9);
    EXPECT_NEAR(got[2], want[2], 1e-6);
}

} // namespace

TEST(PointRecord, TokyoPointCarriedToWgs84) {
    COORD tokyo(125), wgs84(DATUM_WGS84);
    const std::string record = WritePointRecord(Side(tokyo), TOKYO);
    const PointForSide pasted = ReadPointRecord(Side(wgs84), record);
    EXPECT_TRUE(pasted.carried);
    EXPECT_TRUE(pasted.hasHeight);
    EXPECT_EQ(pasted.from, "Tokyo(---)");
    ExpectNear(pasted.point, ON_WGS84);
}

TEST(PointRecord, SameDatumTakenBitForBit) {
    COORD tokyo(125), other(125);
    const PointForSide pasted =
        ReadPointRecord(Side(other), WritePointRecord(Side(tokyo), TOKYO));
    EXPECT_FALSE(pasted.carried);
    EXPECT_EQ(pasted.point, TOKYO);
}

// The record keeps the constants of the copy: the user datum redefined
// between copy and paste does not move the point.
TEST(PointRecord, UserDatumChangedAfterTheCopy) {
    COORD copied(DATUM_WGS84), wgs84(DATUM_WGS84);
    copied.SetUserEllipsoid("Bessel", 6377397.155, 299.1528128);
    copied.SetUserDatum("Tokyo again", 0, -105.627, 462.37, 643.258);
    copied.SetDatum(0);
    const std::string record = WritePointRecord(Side(copied), TOKYO);
    copied.SetUserDatum("Tokyo again", 0, 0, 0, 0);
    COORD target(DATUM_WGS84);
    target.SetUserDatum("Something else", 0, 1, 2, 3);
    ExpectNear(ReadPointRecord(Side(target), record).point, ON_WGS84);
}

// A grid copy's record says so, and keeps the point it is the grid of: the
// point is carried as any other copy's.
TEST(PointRecord, GridCopySaysSo) {
    COORD tokyo(125), wgs84(DATUM_WGS84);
    const PointValues grid = {323561.0, 4149924.0, -19.6178800927811};
    const std::string record = WritePointRecord(Side(tokyo), TOKYO, grid, true);
    EXPECT_TRUE(IsGridCopy(record));
    ExpectNear(ReadPointRecord(Side(wgs84), record).point, ON_WGS84);
    EXPECT_FALSE(IsGridCopy(WritePointRecord(Side(tokyo), TOKYO, grid)));
    EXPECT_FALSE(IsGridCopy(WritePointRecord(Side(tokyo), TOKYO)));
    EXPECT_FALSE(IsGridCopy("text grid\n"));
    EXPECT_FALSE(IsGridCopy(""));
}

TEST(PointRecord, NotARecord) {
    COORD wgs84(DATUM_WGS84);
    for (const char *text :
         {"", "37.5, 127", "nolvex-point 1\n", "nolvex-point 1\npoint 1 2 3\n",
          "nolvex-point 1\npoint 1 2\ndatum 125 1 1 1 1 1 Tokyo\n",
          "nolvex-point 1\npoint 91 2 3\ndatum 133 6378137 0.0033 0 0 0 W\n",
          "nolvex-point 1\npoint 1 2 3\ndatum 134 1 1 1 1 1 x\n"}) {
        SCOPED_TRACE(text);
        EXPECT_THROW(ReadPointRecord(Side(wgs84), text), InputError);
    }
}

struct GridCase {
    const char *text;
    int count; // 0: refused
    PointValues values;
};

TEST(ReadPastedGrid, Forms) {
    const GridCase cases[] = {
        {"321459.855339, 4159650.97718, 0",
         3,
         {321459.855339, 4159650.97718, 0}},
        {"551896.12122, 198091.708075", 2, {551896.12122, 198091.708075, 0}},
        {"  200000\t500000\t12.5\n", 3, {200000, 500000, 12.5}},
        {"-3050260.686073 4047165.07731 3859747.83554",
         3,
         {-3050260.686073, 4047165.07731, 3859747.83554}},
        {"1", 0, {}},
        {"1, 2, 3, 4", 0, {}},
        {"1,, 2", 0, {}},
        {"x, 2", 0, {}},
        {"1e11, 2", 0, {}},    // beyond 1E10 m
        {"1, 2\n3, 4", 0, {}}, // two lines
        {"37°30'N, 127°E", 0, {}},
    };
    for (const GridCase &c : cases) {
        SCOPED_TRACE(c.text);
        int count = 0;
        if (c.count == 0) {
            EXPECT_THROW(ReadPastedGrid(c.text, count), InputError);
            continue;
        }
        EXPECT_EQ(ReadPastedGrid(c.text, count), c.values);
        EXPECT_EQ(count, c.count);
    }
}

TEST(LooksLikeGridValues, GridOrPoint) {
    EXPECT_TRUE(LooksLikeGridValues("321459.855339, 4159650.97718, 0"));
    EXPECT_TRUE(LooksLikeGridValues("37.5, 200000"));
    EXPECT_FALSE(LooksLikeGridValues("37.5, 127.0, 10"));
    EXPECT_FALSE(LooksLikeGridValues("37.5N 127E"));
    EXPECT_FALSE(LooksLikeGridValues("geo:37.5,127"));
}
