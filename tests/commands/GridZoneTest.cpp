// The zone or belt a side's grid is on, and a point against its span.
//
// References: the UTM zones of 6 degrees from 180 W, zone n around 6 n - 183
// degrees, a point on an edge in the zone east of it (so 180 E, as 180 W,
// in zone 1), with the Norway and Svalbard exceptions and UPS beyond 84 N
// and 80 S as GeographicLib's GeoConvert -u -s gives the standard zone of
// the same points; the belts of 2 degrees around 125, 127 and 129 E as the
// engine chooses them for an origin (124 < lon <= 126 and so on).
#include "GridZone.h"

#include "NumberText.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

namespace {

/// A side on Tokyo(---) with the grid kind @p kind, then @p set applied to
/// its engine.
struct GridSetup {
    int kind;
    std::function<void(COORD &)> set;
};

GridZone Zone(const GridSetup &setup) {
    COORD engine(125);
    Side side(engine);
    Commands::ApplyGridKind(side, setup.kind);
    if (setup.set)
        setup.set(engine);
    return ZoneOf(side);
}

TEST(GridZone, Names) {
    struct Row {
        const char *what;
        GridSetup setup;
        const char *name;
    };
    const Row rows[] = {
        {"UTM at start", {CS_UTM, nullptr}, "zone 52N"},
        {"UTM, southern false northing",
         {CS_UTM,
          [](COORD &e) {
              e.SetOrigin(500000, 10000000);
              e.SetOrgLatLon(0, 151.2);
          }},
         "zone 56S"},
        {"UTM west of Greenwich",
         {CS_UTM, [](COORD &e) { e.SetOrgLatLon(0, -0.5); }},
         "zone 30N"},
        {"UTM, the last zone",
         {CS_UTM, [](COORD &e) { e.SetOrgLatLon(0, 179); }},
         "zone 60N"},
        {"UTM origin beyond 180",
         {CS_UTM, [](COORD &e) { e.SetOrgLatLon(0, 200); }},
         "meridian 201\u00B0E"},
        {"TM at start", {CS_TM, nullptr}, "belt 127\u00B0E"},
        {"TM, the west belt",
         {CS_TM, [](COORD &e) { e.SetOrgLatLon(38, 125.5); }},
         "belt 125\u00B0E"},
        {"TM origin off the belts",
         {CS_TM, [](COORD &e) { e.SetOrgLatLon(38, 131); }},
         "TM 131\u00B0E"},
        {"G7 at start", {CS_G7, nullptr}, "G7 38\u00B0N 128\u00B0E"},
        {"G7 moved",
         {CS_G7, [](COORD &e) { e.SetOrgLatLon(-38.25, 127.5); }},
         "G7 38.25\u00B0S 127.5\u00B0E"},
        {"ECEF", {CS_ECEF, nullptr}, ""},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(Zone(row.setup).name, row.name);
    }
}

TEST(GridZone, NamesFollowTheDecimalSeparator) {
    Code::SetDecimalSeparator(',');
    EXPECT_EQ(Zone({CS_G7, [](COORD &e) { e.SetOrgLatLon(38, 127.5); }}).name,
              "G7 38\u00B0N 127,5\u00B0E");
    EXPECT_EQ(
        OutsideZone(Zone({CS_UTM, nullptr}), 37.5, 124.9),
        "124,9\u00B0E lies outside zone 52N (126\u00B0E to 132\u00B0E): the "
        "standard zone there is 51");
    Code::SetDecimalSeparator('.');
}

TEST(GridZone, ASystemOfProjNamesNone) {
    COORD engine(DATUM_WGS84);
    Side side(engine);
    side.SelectSystem(std::make_shared<const ProjSide>("EPSG:5186"));
    EXPECT_EQ(ZoneOf(side).name, "");
    EXPECT_EQ(OutsideZone(ZoneOf(side), 37.5, 140), "");
}

TEST(GridZone, PointsAgainstTheSpan) {
    struct Row {
        GridSetup setup;
        double lat, lon;
        const char *outside; ///< the reason; empty: inside
    };
    const Row rows[] = {
        // zone 52: 126 E to 132 E, its west edge in it
        {{CS_UTM, nullptr}, 37.5, 127.004542079167, ""},
        {{CS_UTM, nullptr}, 37.5, 126, ""},
        {{CS_UTM, nullptr}, 37.5, 131.999999, ""},
        {{CS_UTM, nullptr},
         37.5,
         124.9,
         "124.9\u00B0E lies outside zone 52N (126\u00B0E to 132\u00B0E): the "
         "standard zone there is 51"},
        {{CS_UTM, nullptr},
         37.5,
         125.999999,
         "125.999999\u00B0E lies outside zone 52N (126\u00B0E to 132\u00B0E): "
         "the standard zone there is 51"},
        {{CS_UTM, nullptr},
         37.5,
         132,
         "132\u00B0E lies outside zone 52N (126\u00B0E to 132\u00B0E): the "
         "standard zone there is 53"},
        // zone 30 west of Greenwich: 6 W to 0
        {{CS_UTM, [](COORD &e) { e.SetOrgLatLon(0, -3); }}, 37.5, -6, ""},
        {{CS_UTM, [](COORD &e) { e.SetOrgLatLon(0, -3); }},
         37.5,
         0,
         "0\u00B0E lies outside zone 30N (6\u00B0W to 0\u00B0E): the standard "
         "zone there is 31"},
        // 180 E is 180 W, in zone 1; so is a longitude written past 180
        {{CS_UTM, [](COORD &e) { e.SetOrgLatLon(0, 179); }},
         37.5,
         180,
         "180\u00B0E lies outside zone 60N (174\u00B0E to 180\u00B0E): the "
         "standard zone there is 1"},
        {{CS_UTM, [](COORD &e) { e.SetOrgLatLon(0, -177); }}, 37.5, 180, ""},
        {{CS_UTM, [](COORD &e) { e.SetOrgLatLon(0, -179); }}, 37.5, 181, ""},
        {{CS_UTM, [](COORD &e) { e.SetOrgLatLon(0, 200); }},
         37.5,
         127,
         "127\u00B0E lies outside meridian 201\u00B0E: its central meridian is "
         "no UTM zone's"},
        // a longitude far past 180 is still some meridian, never a zone
        // number beyond 1 to 60
        {{CS_UTM, nullptr},
         37.5,
         7E218,
         "7E218\u00B0E lies outside zone 52N (126\u00B0E to 132\u00B0E): "
         "the standard zone there is 11"},
        {{CS_UTM, nullptr}, 37.5, 360 + 127, ""},
        {{CS_UTM, nullptr}, 37.5, -360 * 3 + 127, ""},
        // belt 127: 126 E (out) to 128 E (in)
        {{CS_TM, nullptr}, 37.5, 127.5, ""},
        {{CS_TM, nullptr}, 37.5, 128, ""},
        {{CS_TM, nullptr}, 37.5, 126.000001, ""},
        {{CS_TM, nullptr},
         37.5,
         126,
         "126\u00B0E lies outside belt 127\u00B0E (126\u00B0E to 128\u00B0E)"},
        {{CS_TM, nullptr},
         37.5,
         128.000001,
         "128.000001\u00B0E lies outside belt 127\u00B0E (126\u00B0E to "
         "128\u00B0E)"},
        // Norway: 32V spans 3 to 12 E from 56 N up to 64 N
        {{CS_UTM, [](COORD &e) { e.SetOrgLatLon(0, 9); }}, 60, 3, ""},
        {{CS_UTM, [](COORD &e) { e.SetOrgLatLon(0, 9); }}, 60, 11.999, ""},
        {{CS_UTM, [](COORD &e) { e.SetOrgLatLon(0, 9); }},
         60,
         2.999,
         "2.999\u00B0E lies outside zone 32N (3\u00B0E to 12\u00B0E): the "
         "standard zone there is 31"},
        {{CS_UTM, [](COORD &e) { e.SetOrgLatLon(0, 3); }},
         60,
         4,
         "4\u00B0E lies outside zone 31N (0\u00B0E to 3\u00B0E): the "
         "standard zone there is 32"},
        {{CS_UTM, [](COORD &e) { e.SetOrgLatLon(0, 3); }}, 64, 4, ""},
        {{CS_UTM, [](COORD &e) { e.SetOrgLatLon(0, 9); }},
         55.9999,
         4,
         "4\u00B0E lies outside zone 32N (6\u00B0E to 12\u00B0E): the "
         "standard zone there is 31"},
        // Svalbard: 31X, 33X, 35X and 37X; no 32X, 34X or 36X
        {{CS_UTM, [](COORD &e) { e.SetOrgLatLon(0, 3); }}, 78, 8.9, ""},
        {{CS_UTM, [](COORD &e) { e.SetOrgLatLon(0, 15); }}, 78, 9, ""},
        {{CS_UTM, [](COORD &e) { e.SetOrgLatLon(0, 9); }},
         78,
         10,
         "10\u00B0E lies outside zone 32N, which has no part at 78\u00B0N: "
         "the standard zone there is 33"},
        {{CS_UTM, [](COORD &e) { e.SetOrgLatLon(0, 39); }}, 83.9, 41.9, ""},
        // beyond UTM's limits the row holds the zone's numbers all the same
        {{CS_UTM, [](COORD &e) { e.SetOrgLatLon(0, 15); }},
         84,
         15,
         "84\u00B0N lies beyond UTM (UPS)"},
        {{CS_UTM, [](COORD &e) { e.SetOrgLatLon(0, 15); }},
         -80.5,
         15,
         "80.5\u00B0S lies beyond UTM (UPS)"},
        {{CS_UTM, [](COORD &e) { e.SetOrgLatLon(0, 15); }}, -80, 15, ""},
        // a latitude that is none marks nothing
        {{CS_UTM, nullptr}, 91, 124.9, ""},
        // no standard span: nothing to lie outside of
        {{CS_G7, nullptr}, 37.5, 140, ""},
        {{CS_TM, [](COORD &e) { e.SetOrgLatLon(38, 131); }}, 37.5, 140, ""},
        {{CS_ECEF, nullptr}, 37.5, 140, ""},
    };
    for (const Row &row : rows) {
        const GridZone zone = Zone(row.setup);
        SCOPED_TRACE(zone.name + " at " + std::to_string(row.lon));
        EXPECT_EQ(OutsideZone(zone, row.lat, row.lon), row.outside);
    }
}

} // namespace
