// A whole point as one text: the forms the window copies.
#include "PointForms.h"

#include "NumberText.h"

#include <gtest/gtest.h>

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

} // namespace
