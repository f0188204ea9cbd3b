// Whether a side's grid row holds the grid values of the point shown.
#include "GridRow.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

namespace {

// The rows as a conversion left them (only their texts count here).
const PointTexts GEO = {"37.4790372301572", "127.006734786376",
                        "-19.6178800927811"};
const PointTexts GRID = {"323932.784213712", "4149649.04543765",
                         "-19.6178800927811"};

/// The message of the GridRowError that @p check throws, empty when it
/// throws none.
std::string Refusal(const std::function<void()> &check) {
    try {
        check();
    } catch (const GridRowError &e) {
        return e.what();
    }
    return {};
}

/// A catalogue datum other than @p nDatum on the same ellipsoid.
std::int32_t OtherDatumOnTheSameEllipsoid(const COORD &engine,
                                          std::int32_t nDatum) {
    char name[80];
    std::int32_t ellipsoid = 0, other = 0;
    double dx, dy, dz;
    engine.GetDatumInfo(nDatum, name, sizeof name, ellipsoid, dx, dy, dz);
    for (std::int32_t i = 1; i < DATUM_COUNT; ++i) {
        engine.GetDatumInfo(i, name, sizeof name, other, dx, dy, dz);
        if (i != nDatum && other == ellipsoid)
            return i;
    }
    return -1;
}

TEST(ConvertedRows, NothingConvertedYet) {
    COORD engine(125);
    const Side side(engine);
    const ConvertedRows rows;
    EXPECT_NE(Refusal([&] {
                  rows.Check(side, GEO, GRID);
              }).find("hold no grid values of the side's point yet"),
              std::string::npos);
}

TEST(ConvertedRows, RowsOfTheLastConversionHoldTheirPoint) {
    COORD engine(125);
    const Side side(engine);
    ConvertedRows rows;
    rows.Note(side, GEO, GRID);
    EXPECT_EQ(Refusal([&] { rows.Check(side, GEO, GRID); }), "");
}

// Each change that makes the grid values another point's, with the reason
// the refusal gives.
TEST(ConvertedRows, ChangesSinceTheConversionAreRefused) {
    struct Row {
        const char *change;
        std::function<void(COORD &, PointTexts &, PointTexts &)> make;
        const char *reason;
    };
    const Row rows[] = {
        {"latitude typed",
         [](COORD &, PointTexts &geo, PointTexts &) { geo[0] = "37.5"; },
         "the point has changed"},
        {"altitude typed, which grid Z carries",
         [](COORD &, PointTexts &geo, PointTexts &) { geo[2] = "0"; },
         "the point has changed"},
        {"easting typed",
         [](COORD &, PointTexts &, PointTexts &grid) { grid[0] = "324000"; },
         "the grid fields have changed"},
        {"grid kind",
         [](COORD &engine, PointTexts &, PointTexts &) {
             engine.SetCoordSys(CS_TM);
         },
         "datum or grid has changed"},
        {"origin longitude",
         [](COORD &engine, PointTexts &, PointTexts &) {
             engine.SetOrgLatLon(0, 123);
         },
         "datum or grid has changed"},
        {"false easting",
         [](COORD &engine, PointTexts &, PointTexts &) {
             engine.SetOrigin(500001, 0);
         },
         "datum or grid has changed"},
        {"a datum on another ellipsoid",
         [](COORD &engine, PointTexts &, PointTexts &) {
             engine.SetDatum(DATUM_WGS84);
         },
         "datum or grid has changed"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.change);
        COORD engine(125);
        const Side side(engine);
        ConvertedRows converted;
        converted.Note(side, GEO, GRID);
        PointTexts geo = GEO, grid = GRID;
        row.make(engine, geo, grid);
        const std::string refusal =
            Refusal([&] { converted.Check(side, geo, grid); });
        EXPECT_NE(refusal.find(row.reason), std::string::npos) << refusal;
        EXPECT_EQ(refusal.find("the grid fields do not hold the point shown: "),
                  0u)
            << refusal;
    }
}

// A datum's shift to WGS 84 does not enter its grid: on another datum of the
// same ellipsoid the same angle texts have the same grid values, which the
// grid row still holds.
TEST(ConvertedRows, ADatumOnTheSameEllipsoidKeepsTheGridValues) {
    COORD engine(125);
    const Side side(engine);
    ConvertedRows rows;
    rows.Note(side, GEO, GRID);
    const std::int32_t other = OtherDatumOnTheSameEllipsoid(engine, 125);
    ASSERT_GT(other, 0);
    engine.SetDatum(other);
    EXPECT_EQ(Refusal([&] { rows.Check(side, GEO, GRID); }), "");
}

// A geographic system has no grid at all: the refusal of Datum1->Utm1, not
// one about the grid fields.
TEST(ConvertedRows, AGeographicSystemHasNoGrid) {
    COORD engine(DATUM_WGS84);
    Side side(engine);
    ConvertedRows rows;
    rows.Note(side, GEO, GRID);
    side.SelectSystem(std::make_shared<const ProjSide>("EPSG:4326"));
    try {
        rows.Check(side, GEO, GRID);
        ADD_FAILURE() << "no refusal";
    } catch (const GridRowError &e) {
        ADD_FAILURE() << e.what();
    } catch (const PointError &e) {
        EXPECT_STREQ(e.what(), "WGS 84 (EPSG:4326) is a geographic system: "
                               "it has no grid coordinates");
    }
    // And a projected system the side has just gone on has no values yet.
    side.SelectSystem(std::make_shared<const ProjSide>("EPSG:5186"));
    EXPECT_NE(Refusal([&] {
                  rows.Check(side, GEO, GRID);
              }).find("datum or grid has changed"),
              std::string::npos);
}

} // namespace

// ---- grid numbers of another point
// -------------------------------------------

TEST(ConvertedRows, NotStaleBeforeAnyConversion) {
    COORD engine(125);
    const Side side(engine);
    EXPECT_FALSE(ConvertedRows().StaleSource(side, GEO, GRID));
}

TEST(ConvertedRows, StaleOnceThePointChanges) {
    COORD engine(125);
    const Side side(engine);
    ConvertedRows rows;
    rows.Note(side, GEO, GRID, "Tokyo(---)(UTM)");
    EXPECT_FALSE(rows.StaleSource(side, GEO, GRID));
    PointTexts moved = GEO;
    moved[0] = "37.5";
    const auto source = rows.StaleSource(side, moved, GRID);
    ASSERT_TRUE(source);
    EXPECT_EQ(source->geo, GEO);
    EXPECT_EQ(source->system, "Tokyo(---)(UTM)");
}

TEST(ConvertedRows, StaleOnceTheGridChanges) {
    COORD engine(125);
    Side side(engine);
    ConvertedRows rows;
    rows.Note(side, GEO, GRID, "Tokyo(---)(UTM)");
    engine.SetCoordSys(CS_TM);
    EXPECT_TRUE(rows.StaleSource(side, GEO, GRID));
    // Another datum on the same ellipsoid leaves the grid values as they
    // are: its shift does not enter a conversion to the grid.
    engine.SetCoordSys(CS_UTM);
    engine.SetDatum(OtherDatumOnTheSameEllipsoid(engine, 125));
    EXPECT_FALSE(rows.StaleSource(side, GEO, GRID));
}

TEST(ConvertedRows, NumbersTypedOverAreNeverStale) {
    COORD engine(125);
    const Side side(engine);
    ConvertedRows rows;
    rows.Note(side, GEO, GRID);
    PointTexts typed = GRID;
    typed[0] = "323933";
    PointTexts moved = GEO;
    moved[1] = "127";
    EXPECT_FALSE(rows.StaleSource(side, moved, typed));
}
