// A whole point as one text: the forms the window copies, and the pasted
// text as a side takes it.
//
// References for the points carried from WGS 84 to Tokyo(---): PROJ 9.1's
// standard Molodensky from WGS 84 with the datum's constants negated,
//   cct -d 12 +proj=molodensky +ellps=WGS84 +dx=105.627 +dy=-462.37
//     +dz=-643.258 +da=-739.845 +df=-1.003748257267484e-05
//   126.97796 37.56659 38.5  ->  126.980152902606  37.563795494510
//                                18.351221509859
//   126.97796 37.56659 0     ->  126.980152915827  37.563795477592
//   126.97839609501845 37.56659563270967 0 (the centre of MGRS 52S CG
//     21459 59650, GeoConvert -p 9)
//                            ->  126.980589048306  37.563801102825
//   126.97836393490434 37.566573126241565 0 (the centre of geohash
//     wydm9qyc4kf9)          ->  126.980556884782  37.563778594463
#include "PointForms.h"

#include "AngleText.h"
#include "Coord.h"
#include "NumberText.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Degrees, minutes and seconds to five decimals as GeographicLib's
// `GeoConvert -d -p 4` rounds them (its minutes zero-padded, ours not).
TEST(PointForms, DmsAgainstGeoConvert) {
    struct Row {
        double lat, lon;
        const char *text;
    };
    const Row rows[] = {
        {37.4818416208333, 127.004542079167,
         "37\u00B028'54.62983\"N 127\u00B00'16.35149\"E 0"},
        {-0.5000001, -179.99999999,
         "0\u00B030'0.00036\"S 179\u00B059'59.99996\"W 0"},
        {89.9999999999, 0.0000000001, "90\u00B00'0\"N 0\u00B00'0\"E 0"},
        {-33.8688, 151.2093, "33\u00B052'7.68\"S 151\u00B012'33.48\"E 0"},
        // seconds that round to 60 carry into the minute, and a minute that
        // reaches 60 into the degree
        {37 + 28 / 60.0 + 59.999996 / 3600,
         -(127 + 59 / 60.0 + 59.999996 / 3600),
         "37\u00B029'0\"N 128\u00B00'0\"W 0"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(WritePoint(PointFormat::Dms, {row.lat, row.lon, 0}),
                  row.text);
    }
    EXPECT_THROW(WritePoint(PointFormat::Dms, {1e300, 0, 0}),
                 std::invalid_argument);
}

TEST(PointForms, MachineFormsIgnoreTheWindowsSeparator) {
    const PointValues p = {37.4818416208333, -127.004542079167, 12.5};
    struct Row {
        PointFormat format;
        const char *text;
    };
    const Row rows[] = {
        {PointFormat::Decimal, "37.4818416208333, -127.004542079167, 12.5"},
        {PointFormat::Grid, "37.4818416208333, -127.004542079167, 12.5"},
        {PointFormat::GeoJson, "{\"type\":\"Point\",\"coordinates\":"
                               "[-127.004542079167,37.4818416208333,12.5]}"},
        {PointFormat::Wkt, "POINT Z (-127.004542079167 37.4818416208333 12.5)"},
        {PointFormat::GeoUri, "geo:37.4818416208333,-127.004542079167,12.5"},
    };
    for (char separator : {'.', ','}) {
        Code::SetDecimalSeparator(separator);
        for (const Row &row : rows)
            EXPECT_EQ(WritePoint(row.format, p), row.text) << separator;
    }
    Code::SetDecimalSeparator('.');
}

// RFC 5870 numbers have no exponent.
TEST(PointForms, GeoUriWritesPlainDecimals) {
    EXPECT_EQ(WritePoint(PointFormat::GeoUri, {0.00001, -2.5e-7, 1.5e17}),
              "geo:0.00001,-0.00000025,150000000000000000");
    EXPECT_EQ(WritePoint(PointFormat::GeoUri, {-90, 180, -0.0}),
              "geo:-90,180,0");
    // The other forms keep the 15-digit writer's exponent.
    EXPECT_EQ(WritePoint(PointFormat::Decimal, {0.00001, 0, 0}), "1E-5, 0, 0");
}

// Every form Copy Point As writes of a geodetic point reads back as the same
// point on a side on WGS 84: to the 15 digits written, or to the five
// decimals of a second of DMS.
TEST(PointForms, CopiedFormsPasteBack) {
    COORD engine(DATUM_WGS84);
    const Side side(engine);
    const PointValues points[] = {
        {37.4818416208333, 127.004542079167, 0},
        {-33.8688197, 151.2092955, 58.25},
        {0.00001, -179.99999999, -12.5},
    };
    struct Form {
        PointFormat format;
        double tolerance; ///< degrees
    };
    const Form forms[] = {
        {PointFormat::Decimal, 1e-13},
        // half the last decimal of a second, and the DD field's 15 digits
        {PointFormat::Dms, 0.000005 / 3600 + 1e-12},
        {PointFormat::GeoJson, 1e-13},
        {PointFormat::Wkt, 1e-13},
        {PointFormat::GeoUri, 1e-13},
    };
    for (const PointValues &p : points) {
        for (const Form &form : forms) {
            const std::string text = WritePoint(form.format, p);
            SCOPED_TRACE(text);
            const PointForSide pasted = ReadPointForSide(side, text);
            EXPECT_NEAR(pasted.point[0], p[0], form.tolerance);
            EXPECT_NEAR(pasted.point[1], p[1], form.tolerance);
            EXPECT_TRUE(pasted.hasHeight);
            EXPECT_NEAR(pasted.point[2], p[2], 1e-9);
            EXPECT_FALSE(pasted.carried);
        }
    }
}

// GeoJSON, geo: URIs, MGRS and geohashes are on WGS 84: on Tokyo(---) their
// point is carried by the datum's Molodensky step, with or without a
// height; WKT and text name no datum and are the side's own.
TEST(PointForms, WgsFormsAreCarriedToTheSidesDatum) {
    COORD engine(125);
    const Side tokyo(engine);
    struct Row {
        const char *text;
        PastedForm form;
        bool carried;
        double lat, lon;
        bool hasHeight;
        double height;
    };
    const Row rows[] = {
        {"geo:37.56659,126.97796,38.5", PastedForm::GeoUri, true,
         37.563795494510, 126.980152902606, true, 18.351221509859},
        {"geo:37.56659,126.97796;u=10", PastedForm::GeoUri, true,
         37.563795477592, 126.980152915827, false, 0},
        {"{\"type\":\"Point\",\"coordinates\":[126.97796,37.56659,38.5]}",
         PastedForm::GeoJson, true, 37.563795494510, 126.980152902606, true,
         18.351221509859},
        {"{\"type\":\"Feature\",\"properties\":null,\"geometry\":{"
         "\"type\":\"Point\",\"coordinates\":[126.97796,37.56659]}}",
         PastedForm::GeoJson, true, 37.563795477592, 126.980152915827, false,
         0},
        {"POINT Z (126.97796 37.56659 38.5)", PastedForm::Wkt, false, 37.56659,
         126.97796, true, 38.5},
        {"37.56659, 126.97796", PastedForm::Text, false, 37.56659, 126.97796,
         false, 0},
        // the centres of 52S CG 21459 59650 and of geohash wydm9qyc4kf9
        // carried to Tokyo(---) (the references of tst_PointEdit.cpp)
        {"52S CG 21459 59650", PastedForm::Mgrs, true, 37.563801102825,
         126.980589048306, false, 0},
        {"geohash:wydm9qyc4kf9", PastedForm::Geohash, true, 37.563778594463,
         126.980556884782, false, 0},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.text);
        const PointForSide pasted = ReadPointForSide(tokyo, row.text);
        EXPECT_EQ(pasted.form, row.form);
        EXPECT_EQ(pasted.carried, row.carried);
        // 1E-9 degrees is 0.1 mm
        EXPECT_NEAR(pasted.point[0], row.lat, 1e-9);
        EXPECT_NEAR(pasted.point[1], row.lon, 1e-9);
        EXPECT_EQ(pasted.hasHeight, row.hasHeight);
        if (row.hasHeight) {
            EXPECT_NEAR(pasted.point[2], row.height, 1e-4);
        }
    }
}

// An MGRS reference and a geohash name an area: written, then read, they
// give the centre of the square (1 m) or cell (12 characters) that holds
// the point, on WGS 84, without a height. The texts are GeoConvert -m's
// reference, spaced, and the published geohash algorithm's
// (scripts/reference/geohash_cases.py).
TEST(PointForms, ReferencesPasteBackAsTheirCentres) {
    COORD engine(DATUM_WGS84);
    const Side side(engine);
    const PointValues p = {37.4818416208333, 127.004542079167, 0};
    EXPECT_EQ(WritePoint(PointFormat::Mgrs, p), "52S CG 23569 50196");
    EXPECT_EQ(WritePoint(PointFormat::Geohash, p), "geohash:wydm4p3gs3dq");
    const struct {
        PointFormat format;
        PastedForm form;
        double tolerance; ///< degrees: within the square or cell
        const char *area;
    } forms[] = {
        {PointFormat::Mgrs, PastedForm::Mgrs, 1e-5, "a square 1 m across"},
        {PointFormat::Geohash, PastedForm::Geohash, 3.4e-7,
         "a cell 1.68e-07\u00B0 by 3.35e-07\u00B0"},
    };
    for (const auto &form : forms) {
        const PointForSide pasted =
            ReadPointForSide(side, WritePoint(form.format, p));
        EXPECT_EQ(pasted.form, form.form);
        EXPECT_EQ(pasted.area, form.area);
        EXPECT_FALSE(pasted.hasHeight);
        EXPECT_FALSE(pasted.carried);
        EXPECT_NEAR(pasted.point[0], p[0], form.tolerance);
        EXPECT_NEAR(pasted.point[1], p[1], form.tolerance);
    }
    EXPECT_TRUE(OnWgs84(PointFormat::Mgrs));
    EXPECT_TRUE(OnWgs84(PointFormat::Geohash));
    EXPECT_FALSE(OnWgs84(PointFormat::Wkt));
    // a point off the earth has no reference
    EXPECT_THROW(WritePoint(PointFormat::Mgrs, {91, 0, 0}), InputError);
}

// What Copy Point As writes on WGS 84 from a Tokyo(---) side pastes back
// onto it as the same point, to the few centimetres by which Molodensky's
// step there and back misses its start (6 cm here).
TEST(PointForms, WgsFormsFromATokyoSidePasteBack) {
    COORD engine(125);
    const Side tokyo(engine);
    const PointValues p = {37.4790372301572, 127.006734786376,
                           -19.6178800927811};
    for (PointFormat format : {PointFormat::GeoJson, PointFormat::GeoUri}) {
        const std::string text =
            WritePoint(format, Commands::ToWgs84(tokyo, p));
        SCOPED_TRACE(text);
        const PointForSide pasted = ReadPointForSide(tokyo, text);
        EXPECT_TRUE(pasted.carried);
        EXPECT_NEAR(pasted.point[0], p[0], 1e-6); // 11 cm
        EXPECT_NEAR(pasted.point[1], p[1], 1e-6);
        EXPECT_NEAR(pasted.point[2], p[2], 0.1);
    }
}

} // namespace
