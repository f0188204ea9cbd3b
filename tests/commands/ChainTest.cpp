// The converter's chain of commands: the documented start-up point, per-point
// zones, the origin dialog's settings, setup faults and the 15-digit texts
// between the steps. That it gives the window's texts is shown by the window
// tests, which run both.
#include "AngleText.h"
#include "Chain.h"
#include "ChainTexts.h"

#include "Code.h"
#include "Errors.h"
#include "NumberText.h"

#include <gtest/gtest.h>

#include <bit>
#include <memory>
#include <cstdint>
#include <limits>
#include <random>
#include <string>

namespace {

using Code::FormatReal;
using Code::ParseReal;

/// The catalogue side @p side is (a new side starts on the catalogue).
CatalogueSide &Cat(ConversionSide &side) { return *side.Catalogue(); }

TEST(Chain, StartUpPointOnTokyo) {
    // The window's start-up: side 1 "37 28 54.629835" / "127 0 16.351485" on
    // WGS 84, side 2 about 37 28 44.534 / 127 0 24.245 and -19.6 m on
    // Tokyo(---).
    double lat = 0, lon = 0;
    Code::DmsToDd(37, 28, 54.629835, lat);
    Code::DmsToDd(127, 0, 16.351485, lon);
    EXPECT_EQ(FormatReal(lat), "37.4818416208333");
    Conversion cs;
    Cat(cs.to).datum = 125;
    Chain chain(cs);
    const auto out = ConvertTexts(chain, FormatReal(lat), FormatReal(lon), "0");
    std::int32_t d = 0, m = 0;
    double s = 0;
    Code::DdToDms(ParseReal(out[0]), d, m, s);
    EXPECT_EQ(d, 37);
    EXPECT_EQ(m, 28);
    EXPECT_NEAR(s, 44.534, 0.0005);
    Code::DdToDms(ParseReal(out[1]), d, m, s);
    EXPECT_EQ(d, 127);
    EXPECT_EQ(m, 0);
    EXPECT_NEAR(s, 24.245, 0.0005);
    EXPECT_NEAR(ParseReal(out[2]), -19.6, 0.05);
}

TEST(Chain, ZonePerPoint) {
    struct Row {
        double lon;
        int zone;
    };
    // A longitude on a zone edge belongs to the zone east of it; 180 is
    // -180, in zone 1, as the standard zones (GeoConvert -u -s) have it.
    const Row rows[] = {{126, 52},  {125.999, 51}, {127.5, 52}, {0, 31},
                        {-0.5, 30}, {-180, 1},     {-179.9, 1}, {179.9, 60},
                        {180, 1},   {-3, 30}};
    Conversion cs;
    Cat(cs.to).kind = GridKind::Utm;
    Cat(cs.to).grid.autoZone = true;
    Chain chain(cs);
    for (const Row &row : rows) {
        SCOPED_TRACE(row.lon);
        const double in[3] = {10, row.lon, 0};
        double out[3];
        std::int32_t zone = 0;
        chain.Convert(in, out, zone);
        EXPECT_EQ(zone, row.zone);
        // The zone's central meridian is where the false easting lies.
        const double centre[3] = {10, 6.0 * row.zone - 183.0, 0};
        double onCentre[3];
        chain.Convert(centre, onCentre, zone);
        EXPECT_EQ(onCentre[0], 500000.0);
    }
    for (double lon : {180.0000001, -190.0, 1e300}) {
        const double in[3] = {10, lon, 0};
        double out[3];
        std::int32_t zone = 0;
        EXPECT_THROW(chain.Convert(in, out, zone), PointError) << lon;
    }
}

TEST(Chain, OriginDialogOnlyWhenSettingsAreGiven) {
    Conversion cs;
    Cat(cs.to).kind = GridKind::Tm;
    {
        Chain untouched(cs);
        EXPECT_EQ(untouched.Target().m_dbDeltaLon,
                  0.0028902777777777776 * untouched.Target().m_dbDeg2Rad);
    }
    // Confirming the dialog writes every field through its text: the delta
    // left as shown comes back as "0.00289027777777778".
    Cat(cs.to).grid.originLat = "38";
    Chain confirmed(cs);
    const COORD &tm = confirmed.Target();
    EXPECT_EQ(tm.m_dbDeltaLon,
              ParseReal("0.00289027777777778") * tm.m_dbDeg2Rad);
    EXPECT_NE(tm.m_dbDeltaLon, 0.0028902777777777776 * tm.m_dbDeg2Rad);
    double x = 0, y = 0;
    tm.GetOrigin(x, y);
    EXPECT_EQ(x, 200000.0);
    EXPECT_EQ(y, 500000.0);
}

TEST(Chain, OriginLongitudeFollowsTheKind) {
    struct Row {
        GridKind kind;
        const char *lon;
        double centre;
    };
    const Row rows[] = {{GridKind::Utm, "128", 129},
                        {GridKind::Utm, "126", 129},
                        {GridKind::Tm, "125.5", 125},
                        {GridKind::Tm, "126", 125},
                        {GridKind::Tm, "126.0001", 127},
                        {GridKind::G7, "127.5", 127.5}};
    for (const Row &row : rows) {
        SCOPED_TRACE(row.lon);
        Conversion cs;
        Cat(cs.to).kind = row.kind;
        Cat(cs.to).grid.originLon = row.lon;
        Chain chain(cs);
        double lat = 0, lon = 0;
        chain.Target().GetOrgLatLon(lat, lon);
        EXPECT_NEAR(lon, row.centre, 1e-12);
    }
}

// The window hands its sides over as they stand: a side whose origin was
// set through the dialog keeps it, bit for bit, and its user rows.
TEST(Chain, EngineOfAWindowSideIsKeptWhole) {
    auto engine = std::make_shared<COORD>(DATUM_WGS84);
    engine->SetUserDatum("Mine", 4, -146, 507, 687);
    engine->SetDatum(0);
    engine->SetCoordSys(CS_TM);
    COORD copy = *engine;
    Side side(copy);
    Commands::ApplyOrigin(side, {"123456.5", "654321.25", "37.5", "127.5",
                                 "0.001"});
    *engine = copy;

    Conversion cs;
    Cat(cs.to).kind = GridKind::Tm;
    Cat(cs.to).datum = 125; // ignored: the engine says datum 0
    Cat(cs.to).engine = engine;
    Chain chain(cs);
    EXPECT_EQ(chain.Target().GetDatum(), 0);
    const PointTexts wgs = {"37.1", "127.2", "5"};
    COORD wgsEngine(DATUM_WGS84);
    const PointTexts local =
        Commands::Transform(Side(wgsEngine), side, wgs);
    EXPECT_EQ(ConvertTexts(chain, wgs[0], wgs[1], wgs[2]),
              Commands::GeoToGrid(side, local));
}

TEST(Chain, SetupFaults) {
    Conversion cs;
    cs.options.userEllipsoid = UserEllipsoid{"Flat", 6378137, 0};
    cs.options.userDatum = UserDatum{"On flat", 0, 0, 0, 0};
    Cat(cs.from).datum = 0;
    try {
        Chain chain(cs);
        ADD_FAILURE() << "no fault";
    } catch (const SetupError &e) {
        EXPECT_EQ(e.Fault().side, FaultSide::From);
        EXPECT_EQ(e.Fault().field, FaultField::System);
        EXPECT_STREQ(e.what(), "datum 0: Floating point division by zero");
    }
    Conversion bad;
    Cat(bad.to).kind = GridKind::G7;
    Cat(bad.to).grid.falseNorthing = "6e5x";
    EXPECT_THROW(Chain{bad}, SetupError);
}

TEST(Chain, FaultsPassToTheCaller) {
    Conversion cs;
    Cat(cs.from).kind = GridKind::Ecef;
    Chain chain(cs);
    // The Earth's centre has no latitude.
    EXPECT_THROW(ConvertTexts(chain, "0", "0", "0"), FloatingPointError);
    EXPECT_THROW(ConvertTexts(chain, "12a", "0", "1"), Code::ConversionError);
}

TEST(RealThroughText, RoundsToTheFieldText) {
    EXPECT_EQ(Code::RealThroughText(0.1 + 0.2), 0.3);
    EXPECT_EQ(Code::RealThroughText(37.48184162083333),
              ParseReal("37.4818416208333"));
    EXPECT_EQ(Code::RealThroughText(-1.0 / 3.0),
              ParseReal("-0.333333333333333"));
    EXPECT_EQ(Code::RealThroughText(5.115907697472721e-12),
              ParseReal("5.11590769747272E-12"));
}

// ---- the chain, step by step
// ---------------------------------------------------

/// A point of each kind near Korea and Japan, as its source side holds it.
void SourcePoint(GridKind kind, std::mt19937_64 &random, double in[3]) {
    std::uniform_real_distribution<double> u(0, 1);
    const double lat = 33 + 10 * u(random), lon = 124 + 8 * u(random);
    const double h = 2000 * u(random) - 100;
    switch (kind) {
    case GridKind::Geographic:
        in[0] = lat, in[1] = lon, in[2] = h;
        break;
    case GridKind::Ecef:
        in[0] = -3.05e6 + 2e4 * u(random), in[1] = 4.05e6 + 2e4 * u(random);
        in[2] = 3.86e6 + 2e4 * u(random);
        break;
    default: // grid values within 100 km of the grid origin's defaults
        in[0] = 200000 + 1e5 * (u(random) - 0.5);
        in[1] = (kind == GridKind::Utm ? 4.15e6 : 500000) + 1e5 * (u(random) - 0.5);
        in[2] = h;
        break;
    }
}

// The two domain policies give the same numbers wherever both convert: the
// converter's checks between the steps change no result.
TEST(ChainPolicy, StrictAndDocumentedAgreeInsideTheDomain) {
    const GridKind kinds[] = {GridKind::Geographic, GridKind::Utm, GridKind::Tm,
                              GridKind::G7, GridKind::Ecef};
    const std::int32_t datums[] = {DATUM_WGS84, 125, 123};
    std::mt19937_64 random(1861);
    for (GridKind fromKind : kinds)
        for (GridKind toKind : kinds)
            for (std::int32_t fromDatum : datums)
                for (std::int32_t toDatum : {DATUM_WGS84, 125}) {
                    Conversion settings;
                    Cat(settings.from).datum = fromDatum;
                    Cat(settings.from).kind = fromKind;
                    Cat(settings.to).datum = toDatum;
                    Cat(settings.to).kind = toKind;
                    if (fromKind == GridKind::Utm)
                        Cat(settings.from).grid.originLon = "129";
                    SCOPED_TRACE(std::string(GridKindName(fromKind)) + " " +
                                 GridKindName(toKind) + " " +
                                 std::to_string(fromDatum) + " " +
                                 std::to_string(toDatum));
                    Chain whole(settings);
                    Chain staged(settings, DomainPolicy::Strict);
                    for (int i = 0; i < 50; ++i) {
                        double in[3];
                        SourcePoint(fromKind, random, in);
                        double a[3], b[3];
                        std::int32_t zoneA = 0, zoneB = 0;
                        bool south = false;
                        whole.Convert(in, a, zoneA);
                        staged.Convert(in, 0, false, b, zoneB, south);
                        for (int k = 0; k < 3; ++k)
                            ASSERT_EQ(std::bit_cast<std::uint64_t>(a[k]),
                                      std::bit_cast<std::uint64_t>(b[k]))
                                << k;
                    }
                }
}

struct RefusedPointRow {
    const char *name;
    GridKind fromKind, toKind;
    std::int32_t toDatum;
    double in[3];
    const char *message;
};

// Points where a grid or the datum shift has no meaning were converted into
// numbers that looked like answers (90 0 to Tokyo gave a longitude of -7e13,
// latitude 91 became a UTM point): the strict policy refuses them, the
// documented one (the window's) converts them as the documented formulas do.
TEST(ChainPolicy, StrictRefusesPointsWhereAStepHasNoMeaning) {
    const RefusedPointRow rows[] = {
        {"PoleToTokyo",
         GridKind::Geographic,
         GridKind::Geographic,
         125,
         {90, 0, 0},
         "the datum shift has no meaning this close to a pole (latitude 90)"},
        {"SouthPoleToTokyo",
         GridKind::Geographic,
         GridKind::Geographic,
         125,
         {-90, 10, 0},
         "the datum shift has no meaning this close to a pole (latitude -90)"},
        {"UtmBeyond84North",
         GridKind::Geographic,
         GridKind::Utm,
         DATUM_WGS84,
         {84.5, 129, 0},
         "latitude 84.5 is outside UTM's 80 S to 84 N"},
        {"UtmBeyond80South",
         GridKind::Geographic,
         GridKind::Utm,
         DATUM_WGS84,
         {-80.5, 129, 0},
         "latitude -80.5 is outside UTM's 80 S to 84 N"},
        {"UtmSourceBeyond84North",
         GridKind::Utm,
         GridKind::Geographic,
         DATUM_WGS84,
         {500000, 9.4e6, 0},
         "latitude 84.6"},
    };
    for (const RefusedPointRow &row : rows) {
        SCOPED_TRACE(row.name);
        Conversion settings;
        Cat(settings.from).kind = row.fromKind;
        if (row.fromKind == GridKind::Utm)
            Cat(settings.from).grid.originLon = "129";
        Cat(settings.to).datum = row.toDatum;
        Cat(settings.to).kind = row.toKind;
        Chain staged(settings, DomainPolicy::Strict);
        double out[3];
        std::int32_t zone = 0;
        bool south = false;
        try {
            staged.Convert(row.in, 0, false, out, zone, south);
            ADD_FAILURE() << "converted to " << out[0] << " " << out[1];
        } catch (const InputError &e) {
            EXPECT_EQ(std::string(e.what()).rfind(row.message, 0), 0u)
                << e.what();
        }
        Chain window(settings, DomainPolicy::Documented);
        EXPECT_NO_THROW(window.Convert(row.in, out, zone));
    }
}

} // namespace
