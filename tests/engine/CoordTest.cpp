// Engine construction, datum derivation, grid-kind constants and the origin
// rules of each kind.
#include "Coord.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr double kPi = 3.141592653589793;

TEST(CoordConstruction, TokyoDatum) {
    const COORD c(125);
    EXPECT_EQ(c.GetDatum(), 125);
    EXPECT_EQ(c.m_dbLocal_a, 6377397.155);
    EXPECT_EQ(c.m_dbLocal_f, 1.0 / 299.1528128);
    EXPECT_EQ(c.m_dbLocal_da, 6378137.0 - 6377397.155);
    EXPECT_EQ(c.m_dbLocal_dx, -105.627);
    EXPECT_EQ(c.m_dbLocal_dy, 462.37);
    EXPECT_EQ(c.m_dbLocal_dz, 643.258);
    EXPECT_EQ(c.GetCoordSys(), CS_UTM);
    double lat = -1, lon = -1;
    c.GetOrgLatLon(lat, lon);
    EXPECT_DOUBLE_EQ(lat, 0.0);
    EXPECT_DOUBLE_EQ(lon, 129.0);
    EXPECT_EQ(c.m_bTrace, 0);
    // Bessel 1841: b = 6356078.963 m, e^2 = 0.006674372 (published values)
    EXPECT_NEAR(c.m_dbLocal_b, 6356078.963, 1e-3);
    EXPECT_NEAR(c.m_dbLocal_ee, 0.006674372231, 1e-12);
}

TEST(CoordConstruction, Wgs84DatumDiffersFromTheConstantsOnlyInB) {
    const COORD c(DATUM_WGS84);
    // ellipsoid 21 holds the same a and 1/f as the WGS 84 constants
    EXPECT_EQ(c.m_dbLocal_da, 0.0);
    EXPECT_EQ(c.m_dbLocal_df, 0.0);
    EXPECT_EQ(c.m_dbLocal_dx, 0.0);
    // the derived b differs from the stored published constant
    EXPECT_NEAR(c.m_dbLocal_b, 6356752.314245179, 1e-9);
    EXPECT_EQ(c.m_dbWgs84_b, 6356752.3142);
    // published WGS 84 first eccentricity and its square
    EXPECT_NEAR(c.m_dbWgs84_e, 0.0818191908426215, 1e-16);
    EXPECT_NEAR(c.m_dbWgs84_ee, 0.00669437999014132, 1e-17);
    EXPECT_NEAR(c.m_dbLocal_epep, 0.00673949674227643, 1e-16);
}

// The six meridian-arc coefficients reproduce the length of the meridian from
// the equator; references from GeographicLib's GeodSolve:
//   echo "0 0 LAT 0" | GeodSolve -i -p 9 [-e a f]
struct ArcRow {
    std::int32_t datum;
    double lat;
    double arc;
};

class MeridianArc : public testing::TestWithParam<ArcRow> {};

TEST_P(MeridianArc, MatchesAnIndependentGeodesic) {
    const COORD c(GetParam().datum);
    const double phi = GetParam().lat * kPi / 180.0;
    const double S =
        c.m_dbLocal_a * (1 - c.m_dbLocal_ee) *
        (c.m_dbLocal_A * phi - c.m_dbLocal_B / 2 * std::sin(2 * phi) +
         c.m_dbLocal_C / 4 * std::sin(4 * phi) -
         c.m_dbLocal_D / 6 * std::sin(6 * phi) +
         c.m_dbLocal_E / 8 * std::sin(8 * phi) -
         c.m_dbLocal_F / 10 * std::sin(10 * phi));
    EXPECT_NEAR(S, GetParam().arc, 1e-5);
}

INSTANTIATE_TEST_SUITE_P(Arcs, MeridianArc,
                         testing::Values(ArcRow{133, 45.0, 4984944.377977744},
                                         ArcRow{133, 90.0, 10001965.729312724},
                                         ArcRow{125, 90.0, 10000855.764432518},
                                         ArcRow{125, 37.5, 4151587.776646968},
                                         ArcRow{38, -60.0,
                                                -6654228.396312613}));

TEST(CoordCoordSys, TransverseMercatorConstants) {
    COORD c(125);
    c.SetCoordSys(CS_TM);
    double dlat = -1, dlon = -1, x = 0, y = 0, lat = 0, lon = 0;
    c.GetDelta(dlat, dlon);
    EXPECT_EQ(dlat, 0.0);
    EXPECT_NEAR(dlon, 10.405 / 3600.0, 1e-17);
    c.GetOrigin(x, y);
    EXPECT_EQ(x, 200000.0);
    EXPECT_EQ(y, 500000.0);
    c.GetOrgLatLon(lat, lon);
    EXPECT_DOUBLE_EQ(lat, 38.0);
    EXPECT_DOUBLE_EQ(lon, 127.0);
    EXPECT_EQ(c.m_dbScale, 1.0);
}

TEST(CoordCoordSys, EcefKeepsTheConstantsInForce) {
    COORD c(125);
    c.SetCoordSys(CS_TM);
    c.SetCoordSys(CS_ECEF);
    EXPECT_EQ(c.GetCoordSys(), CS_ECEF);
    double x = 0, y = 0;
    c.GetOrigin(x, y);
    EXPECT_EQ(x, 200000.0);
    EXPECT_EQ(y, 500000.0);
    c.SetCoordSys(7); // unknown kinds are stored and change nothing else
    EXPECT_EQ(c.GetCoordSys(), 7);
    EXPECT_EQ(c.m_dbScale, 1.0);
}

TEST(CoordCoordSys, SelectingAKindDiscardsEditedConstants) {
    COORD c(DATUM_WGS84);
    c.SetCoordSys(CS_G7);
    c.SetOrigin(1, 2);
    c.SetDelta(3, 4);
    c.SetOrgLatLon(5, 6);
    c.SetCoordSys(CS_G7);
    double x = 0, y = 0, lat = 0, lon = 0, dlat = 1, dlon = 1;
    c.GetOrigin(x, y);
    c.GetOrgLatLon(lat, lon);
    c.GetDelta(dlat, dlon);
    EXPECT_EQ(x, 400000.0);
    EXPECT_EQ(y, 600000.0);
    EXPECT_DOUBLE_EQ(lat, 38.0);
    EXPECT_DOUBLE_EQ(lon, 128.0);
    EXPECT_EQ(dlat, 0.0);
    EXPECT_EQ(dlon, 0.0);
    EXPECT_EQ(c.m_dbScale, 0.9999);
}

// Origin longitude rules per kind: the UTM zone's central meridian (a zone
// edge belongs to the zone east of it), the TM belt centre (belts open at the
// west edge, closed at the east edge), anything else unchanged.
struct OrgLonRow {
    int kind;
    double lon;
    double expected;
};

class OrgLatLonRule : public testing::TestWithParam<OrgLonRow> {};

TEST_P(OrgLatLonRule, AdjustsTheLongitudeByKind) {
    COORD c(DATUM_WGS84);
    c.SetCoordSys(GetParam().kind);
    c.SetOrgLatLon(37.5, GetParam().lon);
    double lat = 0, lon = 0;
    c.GetOrgLatLon(lat, lon);
    EXPECT_DOUBLE_EQ(lat, 37.5); // kept for every kind, UTM included
    EXPECT_DOUBLE_EQ(lon, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Zones, OrgLatLonRule,
    testing::Values(OrgLonRow{CS_UTM, 127.3, 129}, OrgLonRow{CS_UTM, 126, 129},
                    OrgLonRow{CS_UTM, 125.999, 123},
                    OrgLonRow{CS_UTM, 132, 135}, OrgLonRow{CS_UTM, -0.5, -3},
                    OrgLonRow{CS_UTM, -3, -3}, OrgLonRow{CS_UTM, -9, -9},
                    OrgLonRow{CS_UTM, 0, 3}, OrgLonRow{CS_UTM, 179.9, 177},
                    OrgLonRow{CS_UTM, -180, -177}, OrgLonRow{CS_TM, 126, 125},
                    OrgLonRow{CS_TM, 126.0001, 127}, OrgLonRow{CS_TM, 130, 129},
                    OrgLonRow{CS_TM, 124.0001, 125}, OrgLonRow{CS_TM, 128, 127},
                    OrgLonRow{CS_TM, 128.5, 129},
                    // outside the belts: used unchanged
                    OrgLonRow{CS_TM, 124, 124}, OrgLonRow{CS_TM, 130.5, 130.5},
                    OrgLonRow{CS_TM, -75, -75}, OrgLonRow{CS_G7, 127.5, 127.5},
                    OrgLonRow{CS_ECEF, 126, 126}));

TEST(CoordOrigin, SetOrgLatLonLeavesScaleDeltaAndFalseOrigin) {
    COORD c(DATUM_WGS84);
    c.SetCoordSys(CS_TM);
    c.SetOrgLatLon(37, 125.5);
    double x = 0, y = 0, dlat = 0, dlon = 0;
    c.GetOrigin(x, y);
    c.GetDelta(dlat, dlon);
    EXPECT_EQ(x, 200000.0);
    EXPECT_EQ(y, 500000.0);
    EXPECT_NEAR(dlon, 10.405 / 3600.0, 1e-17);
    EXPECT_EQ(c.m_dbScale, 1.0);
}

TEST(CoordDatum, SelectingAnotherDatumRederivesEverything) {
    COORD c(125);
    const COORD fresh(38);
    c.SetDatum(38);
    EXPECT_EQ(c.GetDatum(), 38);
    EXPECT_EQ(c.m_dbLocal_a, fresh.m_dbLocal_a);
    EXPECT_EQ(c.m_dbLocal_b, fresh.m_dbLocal_b);
    EXPECT_EQ(c.m_dbLocal_e, fresh.m_dbLocal_e);
    EXPECT_EQ(c.m_dbLocal_epep, fresh.m_dbLocal_epep);
    EXPECT_EQ(c.m_dbLocal_A, fresh.m_dbLocal_A);
    EXPECT_EQ(c.m_dbLocal_F, fresh.m_dbLocal_F);
    EXPECT_EQ(c.m_dbLocal_df, fresh.m_dbLocal_df);
    EXPECT_EQ(c.m_dbLocal_dz, -121.0);
    // the grid kind and its constants are not the datum's business
    EXPECT_EQ(c.GetCoordSys(), CS_UTM);
}

} // namespace
