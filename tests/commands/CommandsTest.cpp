// The commands unit: the transformation through WGS 84, the grids, the
// origin dialog's settings, and what a failure leaves.
//
// Reference values: PROJ 9.1, `cct -d 15` on "lon lat h 0", with
//   W2T  +proj=molodensky +ellps=WGS84 +dx=105.627 +dy=-462.37 +dz=-643.258
//        +da=-739.845 +df=-1.003748257267484e-05
//   T2W  +proj=molodensky +a=6377397.155 +rf=299.1528128 +dx=-105.627
//        +dy=462.37 +dz=643.258 +da=739.845 +df=1.003748257267484e-05
//   A2W  +proj=molodensky +a=6378249.145 +rf=293.465 +dx=-166 +dy=-15
//        +dz=204 +da=-112.145 +df=-5.475071395185310e-05
//   TM   +proj=tmerc +lat_0=38 +lon_0=127.0028902777777776 +k=1 +x_0=200000
//        +y_0=500000 +a=6377397.155 +rf=299.1528128
//   UTM  +proj=tmerc +lat_0=0 +lon_0=129 +k=0.9996 +x_0=500000 +y_0=0, same
//        ellipsoid
//   ECEF +proj=cart, same ellipsoid
//   G7   +proj=tmerc +lat_0=38 +lon_0=128 +k=0.9999 +x_0=400000 +y_0=600000
//        +ellps=WGS84
#include "Commands.h"

#include "Chain.h"
#include "Errors.h"
#include "NumberText.h"

#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>
#include <string>

namespace {

// The Molodensky formulas against PROJ's to rounding (1e-10 degrees is
// 0.01 mm); the engine's Transverse Mercator series against PROJ's exact
// projection to well under a millimetre near the central meridian.
constexpr double DEG_SHIFT = 1e-10;
constexpr double M_SHIFT = 1e-6;
constexpr double M_GRID = 1e-3;
constexpr double DEG_GRID = 1e-8;

/// A side on its own engine.
struct TestSide {
    explicit TestSide(std::int32_t nDatum, int kind = CS_UTM)
        : engine(nDatum) {
        engine.SetCoordSys(kind);
    }
    COORD engine;
    Side side{engine};
};

double Value(const std::string &text) { return Code::ParseReal(text); }

const PointTexts SOUTH_KOREA = {"35.1", "129.5", "250.25"};

TEST(Commands, TransformAgainstProj) {
    struct Row {
        const char *name;
        std::int32_t datum1, datum2;
        double lat, lon, h;
    };
    const Row rows[] = {
        // Only the step into side 2's datum.
        {"W2T", 133, 125, 35.096890402818573, 129.502331627876288,
         251.414197617628531},
        // Only the step out of side 1's datum.
        {"T2W", 125, 133, 35.103109802239892, 129.497668093911216,
         249.081045434752411},
        // Both steps, each with its own side's constants.
        {"A2W then W2T", 1, 125, 35.094945984614803, 129.503841003684954,
         442.471302009704971},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        const TestSide from(row.datum1), to(row.datum2);
        const PointTexts out =
            Commands::Transform(from.side, to.side, SOUTH_KOREA);
        EXPECT_NEAR(Value(out[0]), row.lat, DEG_SHIFT);
        EXPECT_NEAR(Value(out[1]), row.lon, DEG_SHIFT);
        EXPECT_NEAR(Value(out[2]), row.h, M_SHIFT);
    }
}

TEST(Commands, SameDatumCopiesTheTextsRewritten) {
    // No engine runs, whatever the datum: the texts come back as the
    // 15-digit writer writes their values.
    const PointTexts in = {"35.10000000000000001", "+129.50", "1e2"};
    for (std::int32_t datum : {133, 125, 38}) {
        SCOPED_TRACE(datum);
        const TestSide from(datum), to(datum);
        EXPECT_EQ(Commands::Transform(from.side, to.side, in),
                  (PointTexts{"35.1", "129.5", "100"}));
    }
}

TEST(Commands, GridsAgainstProj) {
    struct Row {
        const char *name;
        std::int32_t datum;
        int kind;
        PointTexts geo;
        double x, y, z;
        double tolerance;
    };
    const Row rows[] = {
        {"TM", 125, CS_TM, SOUTH_KOREA, 427676.351667840499431,
         181077.201468251005281, 250.25, M_GRID},
        {"UTM", 125, CS_UTM, SOUTH_KOREA, 545565.010191440349445,
         3883861.221637024078518, 250.25, M_GRID},
        {"ECEF", 125, CS_ECEF, SOUTH_KOREA, -3322641.740362751763314,
         4030686.740908185020089, 3646731.368678290396929, M_SHIFT},
        {"G7", 133, CS_G7, {"36.2", "128.3", "0"}, 426977.982539959251881,
         400298.512372293567751, 0, M_GRID},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        const TestSide side(row.datum, row.kind);
        const PointTexts grid = Commands::GeoToGrid(side.side, row.geo);
        EXPECT_NEAR(Value(grid[0]), row.x, row.tolerance);
        EXPECT_NEAR(Value(grid[1]), row.y, row.tolerance);
        EXPECT_NEAR(Value(grid[2]), row.z, row.tolerance);
        if (row.kind != CS_ECEF) {
            EXPECT_EQ(grid[2], row.geo[2]); // the altitude passes through
        }

        // And back from PROJ's grid values.
        const PointTexts back = Commands::GridToGeo(
            side.side, {Code::FormatReal(row.x), Code::FormatReal(row.y),
                        Code::FormatReal(row.z)});
        EXPECT_NEAR(Value(back[0]), Value(row.geo[0]), DEG_GRID);
        EXPECT_NEAR(Value(back[1]), Value(row.geo[1]), DEG_GRID);
        EXPECT_NEAR(Value(back[2]), Value(row.geo[2]), M_GRID);
    }
}

TEST(Commands, UnreadableTextIsNamedAndNothingComputed) {
    const TestSide from(133), to(125, CS_ECEF);
    for (int bad = 0; bad < 3; ++bad) {
        SCOPED_TRACE(bad);
        PointTexts in = SOUTH_KOREA;
        in[static_cast<std::size_t>(bad)] = "12a";
        for (auto run : {+[](const Side &a, const Side &b, const PointTexts &p) {
                             return Commands::Transform(a, b, p);
                         },
                         +[](const Side &, const Side &b, const PointTexts &p) {
                             return Commands::GeoToGrid(b, p);
                         },
                         +[](const Side &, const Side &b, const PointTexts &p) {
                             return Commands::GridToGeo(b, p);
                         }}) {
            try {
                run(from.side, to.side, in);
                ADD_FAILURE() << "no error";
            } catch (const FieldError &e) {
                EXPECT_EQ(e.Index(), bad);
                EXPECT_STREQ(e.what(),
                             "'12a' is not a valid floating point value");
            }
        }
    }
    // The first unreadable text is the one named.
    try {
        Commands::Transform(from.side, to.side, {"0", "", "x"});
        ADD_FAILURE() << "no error";
    } catch (const FieldError &e) {
        EXPECT_EQ(e.Index(), 1);
    }
}

TEST(Commands, FaultsPassToTheCaller) {
    const TestSide ecef(125, CS_ECEF);
    try {
        Commands::GridToGeo(ecef.side, {"0", "0", "0"});
        ADD_FAILURE() << "no fault";
    } catch (const FloatingPointError &e) {
        EXPECT_STREQ(e.what(), "Invalid floating point operation");
    }
}

TEST(Commands, OriginDialogShowsAndAppliesAllOrNothing) {
    TestSide tm(125, CS_TM);
    Side &side = tm.side;
    const OriginTexts shown = Commands::ShownOrigin(side);
    EXPECT_EQ(shown.x, "200000");
    EXPECT_EQ(shown.y, "500000");
    EXPECT_EQ(shown.lat, "38");
    EXPECT_EQ(shown.lon, "127");
    EXPECT_EQ(shown.dlon, "0.00289027777777778");

    // An unreadable field, whichever it is, leaves the engine as it was.
    const COORD before = tm.engine;
    for (int bad = 0; bad < 5; ++bad) {
        SCOPED_TRACE(bad);
        OriginTexts typed = {"1000", "2000", "37", "128", "0"};
        std::string *fields[] = {&typed.x, &typed.y, &typed.lat, &typed.lon,
                                 &typed.dlon};
        *fields[bad] = "1,5";
        try {
            Commands::ApplyOrigin(side, typed);
            ADD_FAILURE() << "no error";
        } catch (const FieldError &e) {
            EXPECT_EQ(e.Index(), bad);
        }
        EXPECT_EQ(tm.engine.m_dbOrgX, before.m_dbOrgX);
        EXPECT_EQ(tm.engine.m_dbOrgY, before.m_dbOrgY);
        EXPECT_EQ(tm.engine.m_dbOrgLat, before.m_dbOrgLat);
        EXPECT_EQ(tm.engine.m_dbOrgLon, before.m_dbOrgLon);
        EXPECT_EQ(tm.engine.m_dbDeltaLon, before.m_dbDeltaLon);
    }

    // Applied: the longitude becomes the centre of its belt, the latitude
    // delta (which has no field) stays.
    tm.engine.SetDelta(0.5, 0);
    Commands::ApplyOrigin(side, {"1000", "2000", "37", "127.5", "0.25"});
    const OriginTexts applied = Commands::ShownOrigin(side);
    EXPECT_EQ(applied.x, "1000");
    EXPECT_EQ(applied.y, "2000");
    EXPECT_EQ(applied.lat, "37");
    EXPECT_EQ(applied.lon, "127");
    EXPECT_EQ(applied.dlon, "0.25");
    double dlat = 0, dlon = 0;
    tm.engine.GetDelta(dlat, dlon);
    EXPECT_NEAR(dlat, 0.5, 1e-15);
}

TEST(Commands, DatumChoiceIsAllOrNothing) {
    COORD engine(133);
    engine.SetUserEllipsoid("Flat", 6378137, 0);
    engine.SetUserDatum("On flat", 0, 0, 0, 0);
    Side side(engine);
    EXPECT_THROW(Commands::ApplyDatum(side, 0), FloatingPointError);
    EXPECT_EQ(engine.GetDatum(), 133);
    const TestSide tokyo(125);
    // Still carries points as WGS 84 does.
    EXPECT_EQ(Commands::Transform(side, tokyo.side, SOUTH_KOREA),
              Commands::Transform(TestSide(133).side, tokyo.side, SOUTH_KOREA));
}

// ---- the user rows ----------------------------------------------------------

/// Row 0 of both tables of @p engine: "name|a|invf" and
/// "name|ellipsoid|dx|dy|dz".
std::string UserRows(const COORD &engine) {
    char name[80];
    double a = 0, invf = 0, dx = 0, dy = 0, dz = 0;
    std::int32_t ellipsoid = 0;
    engine.GetEllipsoid(0, name, sizeof name, a, invf);
    std::string rows = std::string(name) + "|" + Code::FormatReal(a) + "|" +
                       Code::FormatReal(invf);
    engine.GetDatumInfo(0, name, sizeof name, ellipsoid, dx, dy, dz);
    return rows + " " + name + "|" + std::to_string(ellipsoid) + "|" +
           Code::FormatReal(dx) + "|" + Code::FormatReal(dy) + "|" +
           Code::FormatReal(dz);
}

constexpr const char *DEFAULT_ROWS =
    "User Ellipsoid|6378137|298.257223563 User Datum|0|0|0|0";

// Both engines get each row given, side 1's first; a row not given stays.
// Side 2 is on the user datum: it keeps its working values, as nothing is
// selected again.
TEST(Commands, UserRowsReachBothEngines) {
    struct Row {
        const char *what;
        std::optional<UserEllipsoid> ellipsoid;
        std::optional<UserDatum> datum;
        const char *rows;
    };
    // clang-format off
    const Row rows[] = {
        {"the ellipsoid", UserEllipsoid{"Bessel(BR)", 6377397.155, 299.1528128},
         std::nullopt,
         "Bessel(BR)|6377397.155|299.1528128 User Datum|0|0|0|0"},
        {"the datum", std::nullopt,
         UserDatum{"Tokyo copy", 5, -105.627, 462.37, 643.258},
         "User Ellipsoid|6378137|298.257223563 Tokyo copy|5|-105.627|462.37|643.258"},
        {"both", UserEllipsoid{"Flat", 6378137, 0},
         UserDatum{"On flat", 0, 1, 2, 3},
         "Flat|6378137|0 On flat|0|1|2|3"},
        {"neither", std::nullopt, std::nullopt, DEFAULT_ROWS},
        // the ellipsoid record holds 39 bytes, the datum record 51
        {"names cut to their records", UserEllipsoid{std::string(45, 'E'), 1, 2},
         UserDatum{std::string(60, 'D'), 28, 0, 0, 0},
         "EEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEEE|1|2 "
         "DDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDDD|28|0|0|0"},
    };
    // clang-format on
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        TestSide side1(133), side2(0);
        const double a2 = side2.engine.m_dbLocal_a;
        Commands::ApplyUserRows(side1.side, side2.side, row.ellipsoid,
                                row.datum);
        EXPECT_EQ(UserRows(side1.engine), row.rows);
        EXPECT_EQ(UserRows(side2.engine), row.rows);
        EXPECT_EQ(side2.engine.GetDatum(), 0);
        EXPECT_EQ(side2.engine.m_dbLocal_a, a2);
    }
}

// A user datum on no ellipsoid (a list with nothing selected gives -1)
// stores nothing at all, not even the ellipsoid given with it.
TEST(Commands, UserRowsAllOrNothing) {
    for (std::int32_t ellipsoid : {-1, ELLIPSOID_COUNT}) {
        SCOPED_TRACE(ellipsoid);
        TestSide side1(133), side2(125);
        EXPECT_THROW(Commands::ApplyUserRows(
                         side1.side, side2.side, UserEllipsoid{"Mine", 1, 2},
                         UserDatum{"Mine", ellipsoid, 0, 0, 0}),
                     std::out_of_range);
        EXPECT_EQ(UserRows(side1.engine), DEFAULT_ROWS);
        EXPECT_EQ(UserRows(side2.engine), DEFAULT_ROWS);
    }
}

// An inverse flattening of 0 is stored as typed; the fault comes when a
// side selects the datum on it, and leaves that side as it was.
TEST(Commands, FlatUserEllipsoidFaultsOnlyWhenSelected) {
    TestSide side1(133), side2(125);
    EXPECT_NO_THROW(Commands::ApplyUserRows(side1.side, side2.side,
                                            UserEllipsoid{"Flat", 6378137, 0},
                                            UserDatum{"On flat", 0, 0, 0, 0}));
    EXPECT_THROW(Commands::ApplyDatum(side2.side, 0), FloatingPointError);
    EXPECT_EQ(side2.engine.GetDatum(), 125);
    EXPECT_EQ(side2.engine.m_dbLocal_a, 6377397.155);
}

// ---- PROJ systems -------------------------------------------------------------

/// A side on EPSG system @p code.
struct SystemSide {
    explicit SystemSide(std::int32_t code) : engine(DATUM_WGS84) {
        side.SelectSystem(
            std::make_shared<ProjSide>("EPSG:" + std::to_string(code)));
    }
    COORD engine;
    Side side{engine};
};

// Seoul City Hall to the Korean 1985 Modified Central Belt through the
// published transformation EPSG:5191, as PROJ 9.1 gives it:
//   echo "37.5663 126.9779" | cs2cs -f %.4f EPSG:4326 EPSG:5174
//   451557.6553	197977.9052 0.0000
TEST(Commands, SeoulCityHallOnTheModifiedCentralBelt) {
    const SystemSide wgs84(4326), belt(5174);
    const PointTexts geo = Commands::Transform(wgs84.side, belt.side,
                                               {"37.5663", "126.9779", "0"});
    const PointTexts grid = Commands::GeoToGrid(belt.side, geo);
    EXPECT_NEAR(Value(grid[0]), 197977.9052, 0.0005);
    EXPECT_NEAR(Value(grid[1]), 451557.6553, 0.0005);
    EXPECT_EQ(grid[2], "0"); // a 2D system carries the height through
    // The catalogue's WGS 84 is EPSG:4326: the same texts.
    COORD catalogueWgs84(DATUM_WGS84);
    EXPECT_EQ(Commands::Transform(Side(catalogueWgs84), belt.side,
                                  {"37.5663", "126.9779", "0"}),
              geo);
}

TEST(Commands, SidesOnOneDatumKeepTheirValues) {
    const SystemSide belt(5174), geographic(4162), bessel(2097);
    const PointTexts in = {"37.50000000000000001", "127", "12"};
    EXPECT_EQ(Commands::Transform(belt.side, geographic.side, in),
              (PointTexts{"37.5", "127", "12"}));
    EXPECT_EQ(Commands::Transform(geographic.side, bessel.side, in),
              (PointTexts{"37.5", "127", "12"}));
    // Korean 1985 and Tokyo are both Bessel 1841, but not the same datum.
    const SystemSide tokyo(4301);
    EXPECT_NE(Commands::Transform(geographic.side, tokyo.side, in),
              (PointTexts{"37.5", "127", "12"}));
}

TEST(Commands, GeographicSystemHasNoGrid) {
    const SystemSide wgs84(4326);
    try {
        Commands::GeoToGrid(wgs84.side, {"37", "127", "0"});
        ADD_FAILURE() << "no error";
    } catch (const PointError &e) {
        EXPECT_STREQ(e.what(), "WGS 84 (EPSG:4326) is a geographic system: "
                               "it has no grid coordinates");
    }
    EXPECT_THROW(Commands::GridToGeo(wgs84.side, {"0", "0", "0"}),
                 PointError);
    // Back to the catalogue: its engine's grid again.
    SystemSide side(4326);
    side.side.SelectSystem(nullptr);
    EXPECT_NO_THROW(Commands::GeoToGrid(side.side, {"37", "127", "0"}));
}

} // namespace
