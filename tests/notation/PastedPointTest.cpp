// Reading one pasted point in each of its forms.
//
// References: the examples of RFC 5870 (geo: URIs, sections 1, 3.4.3 and
// 6.2), of RFC 7946 (GeoJSON, sections 1.5 and 3.1.2) and of the OGC Simple
// Features WKT ("POINT (30 10)", "POINT Z (1 2 3)"); the rest worked by hand.
#include "PastedPoint.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>

namespace {

struct Accepted {
    const char *text;
    PastedForm form;
    double lat, lon;
    std::optional<double> height;
};

const Accepted ACCEPTED[] = {
    // geo: URIs, latitude first, on WGS 84
    {"geo:13.4125,103.8667", PastedForm::GeoUri, 13.4125, 103.8667, {}},
    {"geo:48.2010,16.3695,183", PastedForm::GeoUri, 48.2010, 16.3695, 183},
    {"geo:48.198634,16.371648;crs=wgs84;u=40",
     PastedForm::GeoUri,
     48.198634,
     16.371648,
     {}},
    {"GEO:-33.8688,151.2093;CRS=WGS84;U=35.5;mapcolors=for_daltonic",
     PastedForm::GeoUri,
     -33.8688,
     151.2093,
     {}},
    {"geo:90,-22", PastedForm::GeoUri, 90, -22, {}},
    {"geo:37.56659,126.97796;u=5", PastedForm::GeoUri, 37.56659, 126.97796, {}},
    {"geo:-0.5,-180,-12.25", PastedForm::GeoUri, -0.5, -180, -12.25},
    // GeoJSON, longitude first, on WGS 84
    {"{\"type\": \"Point\", \"coordinates\": [100.0, 0.0]}",
     PastedForm::GeoJson,
     0,
     100,
     {}},
    {"{\"type\":\"Feature\",\"geometry\":{\"type\":\"Point\",\"coordinates\":"
     "[102.0, 0.5]},\"properties\":{\"prop0\":\"value0\"}}",
     PastedForm::GeoJson,
     0.5,
     102,
     {}},
    {"\n{\n  \"coordinates\": [ -127.004542079167, 37.4818416208333, 1.5E1 ],"
     "\n  \"type\": \"Point\"\n}\n",
     PastedForm::GeoJson, 37.4818416208333, -127.004542079167, 15},
    {"{\"type\":\"Feature\",\"id\":7,\"properties\":{\"name\":\"\\u2603 "
     "\\ud83d\\ude00\",\"tags\":[true,false,null,{}],\"type\":\"x\"},"
     "\"geometry\":{\"type\":\"Point\",\"coordinates\":[-0.5,-12e-1]}}",
     PastedForm::GeoJson,
     -1.2,
     -0.5,
     {}},
    {"{\"type\":\"Point\",\"coordinates\":[1,2],\"crs\":{\"type\":\"name\","
     "\"properties\":{\"name\":\"urn:ogc:def:crs:OGC:1.3:CRS84\"}}}",
     PastedForm::GeoJson,
     2,
     1,
     {}},
    // WKT, longitude first, no datum
    {"POINT (30 10)", PastedForm::Wkt, 10, 30, {}},
    {"POINT Z (1 2 3)", PastedForm::Wkt, 2, 1, 3},
    {"point z(127.5 37.25 -19.5)", PastedForm::Wkt, 37.25, 127.5, -19.5},
    {"POINTZ (127.5 37.25 8)", PastedForm::Wkt, 37.25, 127.5, 8},
    {"POINT(-127.5 -37.25 1e2)", PastedForm::Wkt, -37.25, -127.5, 100},
    {"  POINT  (  359.5\t-90 )  ", PastedForm::Wkt, -90, 359.5, {}},
    // MGRS references and geohashes, on WGS 84: the centres of their
    // squares and cells (GeoConvert -p 9 reading the references; the
    // published geohash algorithm, scripts/reference/geohash_cases.py)
    {"52S CG 21459 59650",
     PastedForm::Mgrs,
     37.56659563270967,
     126.97839609501845,
     {}},
    {"\t52scg2145959650\n",
     PastedForm::Mgrs,
     37.56659563270967,
     126.97839609501845,
     {}},
    {"38SMB4488", PastedForm::Mgrs, 33.33423508461097, 44.40362784783868, {}},
    {"Z AC 77 62", PastedForm::Mgrs, 85.99961462917751, 10.0453303694967, {}},
    {"geohash:u4pruydqqvj",
     PastedForm::Geohash,
     57.64911063015461,
     10.407439693808556,
     {}},
    {"GeoHash:EZS42", PastedForm::Geohash, 42.60498046875, -5.60302734375, {}},
    {"http://geohash.org/u4pruydqqvj",
     PastedForm::Geohash,
     57.64911063015461,
     10.407439693808556,
     {}},
    {"https://geohash.org/ezs42",
     PastedForm::Geohash,
     42.60498046875,
     -5.60302734375,
     {}},
    // lines of angles, as before
    {"37.5 127.5", PastedForm::Text, 37.5, 127.5, {}},
    {"37.5, 127.5, 30\r\n", PastedForm::Text, 37.5, 127.5, 30},
    {"127E 37N", PastedForm::Text, 37, 127, {}},
    {"37 30 0 S 127 0 0 W", PastedForm::Text, -37.5, -127, {}},
};

TEST(PastedPoint, EveryFormIsRead) {
    for (const Accepted &row : ACCEPTED) {
        SCOPED_TRACE(row.text);
        const PastedPoint pasted = ReadPastedPoint(row.text);
        EXPECT_EQ(pasted.form, row.form);
        const bool reference =
            row.form == PastedForm::Mgrs || row.form == PastedForm::Geohash;
        EXPECT_EQ(pasted.wgs84, row.form == PastedForm::GeoJson ||
                                    row.form == PastedForm::GeoUri ||
                                    reference);
        EXPECT_EQ(pasted.area.empty(), !reference);
        // Decimal texts read as the DD field reads them: to the last bit of
        // the nearest double.
        EXPECT_DOUBLE_EQ(pasted.point.latitude, row.lat);
        EXPECT_DOUBLE_EQ(pasted.point.longitude, row.lon);
        EXPECT_EQ(pasted.point.height.has_value(), row.height.has_value());
        if (row.height && pasted.point.height) {
            EXPECT_DOUBLE_EQ(*pasted.point.height, *row.height);
        }
    }
}

struct Refused {
    const char *text;
    const char *reason; ///< a part of the message
};

const Refused REFUSED[] = {
    // geo: URIs (the grammar of RFC 5870, section 3.3)
    {"geo:37.56659", "a latitude and a longitude are needed"},
    {"geo:", "a latitude was expected"},
    {"geo:37.5,127.5,10,5", "more than a latitude, a longitude and an "
                            "altitude"},
    {"geo:37.5,", "a number was expected after a comma"},
    {"geo:+37.5,127.5", "a latitude was expected"},
    {"geo:37.,127.5", "a latitude was expected"},
    {"geo:3.75e1,127.5", "a latitude and a longitude are needed"},
    {"geo: 37.5,127.5", "a latitude was expected"},
    {"geo:37.5,127.5?z=1", "only parameters"},
    {"geo:323482,4306480;crs=EPSG:32618;u=20", "only wgs84 is read"},
    {"geo:37.5,127.5;u=40;crs=wgs84", "\";crs=\" must come first"},
    {"geo:37.5,127.5;crs=wgs84;crs=wgs84", "\";crs=\" must come first"},
    {"geo:37.5,127.5;foo=1;u=40", "\";u=\" must come before"},
    {"geo:37.5,127.5;u=-4", "must be a number of metres"},
    {"geo:37.5,127.5;u=", "a parameter is malformed"},
    {"geo:37.5,127.5;", "a parameter is malformed"},
    {"geo:37.5,127.5;na me=1", "a parameter is malformed"},
    {"geo:37.5,127.5;x=%4", "a parameter is malformed"},
    {"geo:91,0", "latitude 91 is outside -90 to 90"},
    {"geo:37.5,180.5", "longitude 180.5 is outside -180 to 180"},
    {"geo:37.5,127.5,1e11", "only parameters"},
    {"geo:37.5,127.5,20000000000", "height 20000000000 is beyond 1E10 m"},
    {"geo:37.5,127.5\ngeo:38,128", "several lines"},
    // GeoJSON (RFC 7946 on RFC 8259)
    {"{\"type\":\"Point\",\"coordinates\":[126.97796,37.56659,0,5]}",
     "more than a longitude, a latitude and a height"},
    {"{\"type\":\"Point\",\"coordinates\":[126.97796]}",
     "needs a longitude and a latitude"},
    {"{\"type\":\"Point\",\"coordinates\":[\"126.9\",\"37.5\"]}",
     "must be numbers"},
    {"{\"type\":\"Point\"}", "no \"coordinates\" array"},
    {"{\"coordinates\":[126.9,37.5]}", "an object has no \"type\""},
    {"{\"type\":\"LineString\",\"coordinates\":[[1,2],[3,4]]}",
     "it is a 'LineString'"},
    {"{\"type\":\"FeatureCollection\",\"features\":[]}",
     "it is a 'FeatureCollection'"},
    {"{\"type\":\"Feature\",\"geometry\":null,\"properties\":{}}",
     "the Feature has no geometry"},
    {"{\"type\":\"Feature\",\"geometry\":{\"type\":\"Polygon\","
     "\"coordinates\":[]}}",
     "holds a 'Polygon', not a Point"},
    {"{\"type\":\"Point\",\"type\":\"Point\",\"coordinates\":[1,2]}",
     "two \"type\" members"},
    {"{\"type\":\"Point\",\"coordinates\":[1,2],\"crs\":{\"type\":\"name\","
     "\"properties\":{\"name\":\"EPSG:3857\"}}}",
     "a coordinate system of its own ('EPSG:3857')"},
    {"{\"type\":\"Point\",\"coordinates\":[181,2]}",
     "longitude 181 is outside -180 to 180"},
    {"{\"type\":\"Point\",\"coordinates\":[1,-90.5]}",
     "latitude -90.5 is outside -90 to 90"},
    {"{\"type\":\"Point\",\"coordinates\":[1,2],}", "a member name in quotes"},
    {"{\"type\":\"Point\",\"coordinates\":[01,2]}", "',' or ']' was expected"},
    {"{\"type\":\"Point\",\"coordinates\":[1.,2]}", "digits must follow a "
                                                    "decimal point"},
    {"{\"type\":\"Point\",\"coordinates\":[1,2e400]}", "out of range"},
    {"{\"type\":\"Point\",\"coordinates\":[NaN,2]}", "a value was expected"},
    {"{\"type\":\"Point\",\"coordinates\":[1,2]} x", "text follows the end"},
    {"{\"type\":\"Point\",\"coordinates\":[1,2]", "',' or '}' was expected"},
    {"{\"type\":\"Po\\x\"}", "an unknown escape"},
    {"{\"type\":\"\\ud800\"}", "a lone surrogate"},
    {"{\"type\":\"a\tb\"}", "a control character"},
    {"{", "a member name in quotes"},
    {"[1,2]", "not a valid latitude"}, // not GeoJSON: a line of text
    // WKT
    {"POINT EMPTY", "POINT EMPTY holds no point"},
    {"POINT Z EMPTY", "POINT EMPTY holds no point"},
    {"POINT M (1 2 3)", "a measure, not a height"},
    {"POINT ZM (1 2 3 4)", "a measure, not a height"},
    {"POINT Z (1 2)", "POINT Z has a longitude, a latitude and a height"},
    {"POINT (1)", "POINT has a longitude and a latitude"},
    {"POINT (1 2 3 4 5)", "more than a longitude, a latitude and a height"},
    {"POINT (1 2", "the closing parenthesis is missing"},
    {"POINT 1 2", "its numbers go in parentheses"},
    {"POINT (1 2) x", "text follows the closing parenthesis"},
    {"POINT (1, 2)", "'1,' is not a valid longitude"},
    {"POINT (1 95)", "latitude 95 is outside -90 to 90"},
    {"POINT Q (1 2)", "POINT, POINT Z or POINT EMPTY was expected"},
    {"LINESTRING (30 10, 10 30)", "a WKT LINESTRING, not a POINT"},
    {"MULTIPOINT ((10 40))", "a WKT MULTIPOINT, not a POINT"},
    // MGRS references and geohashes
    {"52S CI 21459 59650", "row letter I not in UTM set"},
    {"52SCG 21459 5965", "not an even number of digits"},
    {"geohash:u4pa", "'a' is not in the geohash alphabet"},
    {"geohash:", "'' is not a geohash: it is empty"},
    {"https://geohash.org/ezs42?format=url", "'?' is not in the geohash "
                                             "alphabet"},
    // a bare geohash is no pasted form: digits are angles, letters nothing
    {"375127", "a latitude and a longitude are needed"},
    {"u4pruydqqvj", "a latitude and a longitude are needed"},
    // text
    {"37.5 127.5\n38 128", "several lines"},
    {"", "a latitude and a longitude are needed"},
};

TEST(PastedPoint, RefusalsSayWhy) {
    for (const Refused &row : REFUSED) {
        SCOPED_TRACE(row.text);
        try {
            ReadPastedPoint(row.text);
            ADD_FAILURE() << "read";
        } catch (const InputError &e) {
            EXPECT_NE(std::string(e.what()).find(row.reason), std::string::npos)
                << e.what();
        }
    }
}

// Bad input of any size or shape ends in a refusal, never in a crash: a
// clipboard of several megabytes, nesting deeper than the reader goes.
TEST(PastedPoint, LargeAndDeepTextsAreRefused) {
    const std::string huge(PASTED_TEXT_MAX + 1, ' ');
    EXPECT_THROW(ReadPastedPoint(huge), InputError);
    std::string deep(100000, '[');
    deep = "{\"type\":" + deep;
    try {
        ReadPastedPoint(deep);
        ADD_FAILURE() << "read";
    } catch (const InputError &e) {
        EXPECT_NE(std::string(e.what()).find("nested too deep"),
                  std::string::npos)
            << e.what();
    }
}

} // namespace
