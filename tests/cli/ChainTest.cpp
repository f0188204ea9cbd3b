// The chain against the window's commands carried out literally on field
// texts, the documented start-up point, per-point zones and the origin dialog.
#include "Chain.h"
#include "AngleText.h"

#include "Code.h"
#include "Errors.h"
#include "NumberText.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cstdint>
#include <limits>
#include <random>
#include <string>

namespace {

using Code::FormatReal;
using Code::ParseReal;

/// The three field texts of a row of the window.
using Texts = std::array<std::string, 3>;

/// One side of the window: its DD row and its grid row, as texts.
struct Side {
    Texts dd{"0", "0", "0"};
    Texts grid{"0", "0", "0"};
};

// The window's commands, step by step: every field read as a real, every
// result written in the 15-digit format.

/// The three fields of @p row read as reals, first to last.
std::array<double, 3> Read(const Texts &row) {
    return {ParseReal(row[0]), ParseReal(row[1]), ParseReal(row[2])};
}

/// Three results written as field texts.
Texts Written(double a, double b, double c) {
    return {FormatReal(a), FormatReal(b), FormatReal(c)};
}

void Dt1cc1Click(Side &side, const COORD &coord) {
    const auto [lat, lon, alt] = Read(side.dd);
    double x = 0, y = 0, z = alt;
    if (coord.GetCoordSys() == CS_ECEF)
        coord.ConvGeo2Ecef(lat, lon, alt, x, y, z);
    else
        coord.ConvGeo2Grid(lat, lon, x, y);
    side.grid = Written(x, y, z);
}

void Cc1Dt1Click(Side &side, const COORD &coord) {
    const auto [x, y, z] = Read(side.grid);
    double lat = 0, lon = 0, alt = z;
    if (coord.GetCoordSys() == CS_ECEF)
        coord.ConvEcef2Geo(lat, lon, alt, x, y, z);
    else
        coord.ConvGrid2Geo(lat, lon, x, y);
    side.dd = Written(lat, lon, alt);
}

void Dt1Click(const Side &side1, Side &side2, const COORD &coord1,
              const COORD &coord2, int nDatum1, int nDatum2) {
    auto [lat, lon, alt] = Read(side1.dd);
    if (nDatum1 != nDatum2) {
        if (coord1.GetDatum() != DATUM_WGS84)
            coord1.TransLocal2Wgs(lat, lon, alt, lat, lon, alt);
        if (coord2.GetDatum() != DATUM_WGS84)
            coord2.TransWgs2Local(lat, lon, alt, lat, lon, alt);
    }
    side2.dd = Written(lat, lon, alt);
}

/// The projection-origin dialog's OK with some fields typed.
void SetFactorOk(COORD &coord, const GridSettings &typed) {
    double x = 0, y = 0, dlat = 0, dlon = 0, lat = 0, lon = 0;
    coord.GetOrigin(x, y);
    coord.GetDelta(dlat, dlon);
    coord.GetOrgLatLon(lat, lon);
    auto field = [](const std::optional<std::string> &t, double shown) {
        return ParseReal(t ? *t : FormatReal(shown));
    };
    const double fx = field(typed.falseEasting, x),
                 fy = field(typed.falseNorthing, y);
    const double flat = field(typed.originLat, lat),
                 flon = field(typed.originLon, lon);
    const double fdlon = field(typed.deltaLon, dlon);
    coord.SetOrigin(fx, fy);
    coord.SetDelta(dlat, fdlon);
    coord.SetOrgLatLon(flat, flon);
}

COORD Engine(const SideSettings &side) {
    COORD coord(DATUM_WGS84);
    coord.SetDatum(side.datum);
    if (side.kind != KIND_GEO)
        coord.SetCoordSys(side.kind);
    if (side.kind != KIND_GEO && side.kind != CS_ECEF && side.grid.Any())
        SetFactorOk(coord, side.grid);
    return coord;
}

struct Point {
    const char *lat, *lon, *alt;
};

const Point POINTS[] = {
    {"37.4818416208333", "127.004542079167", "0"},
    {"35.1", "129.5", "250.25"},
    {"38.9", "125.7", "-20"},
};

const int KINDS[] = {KIND_GEO, CS_UTM, CS_TM, CS_G7, CS_ECEF};
const std::pair<int, int> DATUMS[] = {
    {133, 133}, {133, 125}, {125, 133}, {123, 38}, {125, 125}};

TEST(Chain, SameTextsAsTheWindowsCommands) {
    GridSettings typed;
    typed.originLat = "37";
    typed.falseEasting = "250000";
    for (const auto &[datum1, datum2] : DATUMS)
        for (int kind1 : KINDS)
            for (int kind2 : KINDS)
                for (bool settings : {false, true}) {
                    ChainSettings cs;
                    cs.from = {datum1, kind1, {}};
                    cs.to = {datum2, kind2, {}};
                    if (settings && kind2 != KIND_GEO && kind2 != CS_ECEF)
                        cs.to.grid = typed;
                    const COORD coord1 = Engine(cs.from),
                                coord2 = Engine(cs.to);
                    Chain chain(cs);
                    for (const Point &p : POINTS) {
                        SCOPED_TRACE(std::to_string(datum1) + ":" +
                                     std::to_string(kind1) + " -> " +
                                     std::to_string(datum2) + ":" +
                                     std::to_string(kind2) + " " + p.lat);
                        Side side1, side2;
                        side1.dd = {p.lat, p.lon, p.alt};
                        if (kind1 != KIND_GEO) {
                            // The grid texts of the point, then back to the DD
                            // row.
                            Dt1cc1Click(side1, coord1);
                            Cc1Dt1Click(side1, coord1);
                        }
                        const auto in =
                            kind1 == KIND_GEO ? side1.dd : side1.grid;
                        Dt1Click(side1, side2, coord1, coord2, datum1, datum2);
                        if (kind2 != KIND_GEO)
                            Dt1cc1Click(side2, coord2);
                        const auto expected =
                            kind2 == KIND_GEO ? side2.dd : side2.grid;
                        EXPECT_EQ(chain.ConvertTexts(in[0], in[1], in[2]),
                                  expected);
                    }
                }
}

TEST(Chain, StartUpPointOnTokyo) {
    // The window's start-up: side 1 "37 28 54.629835" / "127 0 16.351485" on
    // WGS 84, side 2 about 37 28 44.534 / 127 0 24.245 and -19.6 m on
    // Tokyo(---).
    const double lat = ReadAngle("37:28:54.629835", AngleAxis::Latitude);
    const double lon = ReadAngle("127:0:16.351485", AngleAxis::Longitude);
    EXPECT_EQ(FormatReal(lat), "37.4818416208333");
    ChainSettings cs;
    cs.to.datum = 125;
    Chain chain(cs);
    const auto out = chain.ConvertTexts(FormatReal(lat), FormatReal(lon), "0");
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
    // A longitude on a zone edge belongs to the zone east of it; 180 has no
    // zone east of it and stays in zone 60.
    const Row rows[] = {{126, 52},  {125.999, 51}, {127.5, 52}, {0, 31},
                        {-0.5, 30}, {-180, 1},     {-179.9, 1}, {179.9, 60},
                        {180, 60},  {-3, 30}};
    ChainSettings cs;
    cs.to.kind = CS_UTM;
    cs.to.grid.autoZone = true;
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
    ChainSettings cs;
    cs.to.kind = CS_TM;
    {
        Chain untouched(cs);
        EXPECT_EQ(untouched.Target().m_dbDeltaLon,
                  0.0028902777777777776 * untouched.Target().m_dbDeg2Rad);
    }
    // Confirming the dialog writes every field through its text: the delta
    // left as shown comes back as "0.00289027777777778".
    cs.to.grid.originLat = "38";
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
        int kind;
        const char *lon;
        double centre;
    };
    const Row rows[] = {{CS_UTM, "128", 129},     {CS_UTM, "126", 129},
                        {CS_TM, "125.5", 125},    {CS_TM, "126", 125},
                        {CS_TM, "126.0001", 127}, {CS_G7, "127.5", 127.5}};
    for (const Row &row : rows) {
        SCOPED_TRACE(row.lon);
        ChainSettings cs;
        cs.to.kind = row.kind;
        cs.to.grid.originLon = row.lon;
        Chain chain(cs);
        double lat = 0, lon = 0;
        chain.Target().GetOrgLatLon(lat, lon);
        EXPECT_NEAR(lon, row.centre, 1e-12);
    }
}

TEST(Chain, SetupFaults) {
    ChainSettings cs;
    cs.userEllipsoid = UserEllipsoid{"Flat", 6378137, 0};
    cs.userDatum = UserDatum{"On flat", 0, 0, 0, 0};
    cs.from.datum = 0;
    try {
        Chain chain(cs);
        ADD_FAILURE() << "no fault";
    } catch (const SetupError &e) {
        EXPECT_STREQ(e.what(),
                     "--from: datum 0: Floating point division by zero");
    }
    ChainSettings bad;
    bad.to.kind = CS_G7;
    bad.to.grid.falseNorthing = "6e5x";
    EXPECT_THROW(Chain{bad}, SetupError);
}

TEST(Chain, FaultsPassToTheCaller) {
    ChainSettings cs;
    cs.from.kind = CS_ECEF;
    Chain chain(cs);
    EXPECT_THROW(chain.ConvertTexts("0", "0", "0"), FloatingPointError);
    EXPECT_THROW(chain.ConvertTexts("0", "0", "1"), FloatingPointError);
    EXPECT_THROW(chain.ConvertTexts("12a", "0", "1"), Code::ConversionError);
}

TEST(ThroughText, RoundsToTheFieldText) {
    EXPECT_EQ(ThroughText(0.1 + 0.2), 0.3);
    EXPECT_EQ(ThroughText(37.48184162083333), ParseReal("37.4818416208333"));
    EXPECT_EQ(ThroughText(-1.0 / 3.0), ParseReal("-0.333333333333333"));
    EXPECT_EQ(ThroughText(5.115907697472721e-12),
              ParseReal("5.11590769747272E-12"));
}

/// The value bits, or the message of the error.
std::string Outcome(double (*round)(double), double value) {
    try {
        return std::to_string(std::bit_cast<std::uint64_t>(round(value)));
    } catch (const std::exception &e) {
        return e.what();
    }
}

TEST(ThroughText, ShortcutForInputsGivesTheSameBits) {
    const double edges[] = {0.0,
                            -0.0,
                            5e-324,
                            2.2250738585072014e-308,
                            1e-5,
                            9.99999999999999e-5,
                            1e-4,
                            999999999999999.0,
                            999999999999999.9,
                            1e15,
                            1.7976931348623e308,
                            std::numeric_limits<double>::max(),
                            std::numeric_limits<double>::infinity(),
                            0.1 + 0.2,
                            130.721501737,
                            -391.55};
    for (double v : edges)
        EXPECT_EQ(Outcome(ThroughTextOfInput, v), Outcome(ThroughText, v)) << v;

    std::mt19937_64 random(42);
    for (int i = 0; i < 300000; ++i) {
        double v = 0;
        if (i % 2 == 0) {
            // Any bits: every magnitude, subnormals, 17-digit values.
            v = std::bit_cast<double>(random());
            if (!std::isfinite(v))
                continue;
        } else {
            // A decimal of 1 to 17 digits as input texts have them.
            const int digits = 1 + static_cast<int>(random() % 17);
            std::uint64_t mantissa = random() % 100000000000000000ULL;
            for (int k = digits; k < 17; ++k)
                mantissa /= 10;
            const int exponent = static_cast<int>(random() % 40) - 20;
            v = ParseReal(std::to_string(mantissa) + "E" +
                          std::to_string(exponent));
            if (random() % 2)
                v = -v;
        }
        ASSERT_EQ(Outcome(ThroughTextOfInput, v), Outcome(ThroughText, v)) << v;
    }
}

} // namespace
