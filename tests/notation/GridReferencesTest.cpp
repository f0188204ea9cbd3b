// MGRS references, UPS coordinates and geohashes, written and read.
//
// References: GeographicLib's MGRS documentation (MGRS.hpp: in UTM zone
// 38n the square of eastings 444 to 445 km and northings 3688 to 3689 km
// is 38SMB4488, Khulani Sq., Baghdad); the US National Grid standard
// (FGDC-STD-011-2001: the Washington Monument at 18SUJ2348306479, zone 18's
// square UJ starting at 300 km east and 4300 km north); the GeoConvert(1)
// manual page (33.3 N 44.4 E is 38n 444140.54 3684706.36; the UPS point
// s 2173854.98 2985980.58); the Wikipedia article "Geohash" (57.64911 N
// 10.40744 E is u4pruydqqvj; ezs42 is the cell of 42.605 N 5.603 W). The
// reasons of a refused reference are GeographicLib's, as GeoConvert
// prints them for the same text. The converter's cases hold the table
// against GeoConvert itself (tests/cases/mgrs-against-geoconvert.case).
#include "GridReferences.h"

#include "AngleText.h"

#include <GeographicLib/MGRS.hpp>
#include <GeographicLib/UTMUPS.hpp>
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

std::string Mgrs(double lat, double lon, int digits,
                 MgrsLayout layout = MgrsLayout::Compact) {
    std::string out;
    WriteMgrs(lat, lon, digits, out, layout);
    return out;
}

std::string Geohash(double lat, double lon, int length) {
    std::string out;
    WriteGeohash(lat, lon, length, out);
    return out;
}

/// The message a reader refuses @p text with.
template <typename Reader>
std::string Refusal(Reader read, const std::string &text) {
    try {
        read(text);
    } catch (const InputError &e) {
        return e.what();
    }
    return "(read)";
}

/// The easting and northing (metres) within its 100 km square of the point
/// @p lat, @p lon in the zone and hemisphere of MGRS reference
/// @p reference (even where the point's own standard zone is the next one),
/// to the micrometre, and the reference of that square.
void OffsetsInSquare(const std::string &reference, double lat, double lon,
                     std::string &square, double &east, double &north) {
    int zone = 0, precision = 0;
    bool northp = true;
    double x = 0, y = 0, gamma = 0, k = 0;
    GeographicLib::MGRS::Reverse(reference, zone, northp, x, y, precision);
    bool hemisphere = northp;
    GeographicLib::UTMUPS::Forward(lat, lon, zone, hemisphere, x, y, gamma, k,
                                   zone);
    GeographicLib::UTMUPS::Transfer(zone, hemisphere, x, y, zone, northp, x, y,
                                    zone);
    std::string fine;
    GeographicLib::MGRS::Forward(zone, northp, x, y, MGRS_DIGITS_MAX, fine);
    const std::size_t at = fine.size() - 2 * MGRS_DIGITS_MAX;
    square = fine.substr(0, at);
    east = std::stod(fine.substr(at, MGRS_DIGITS_MAX)) * 1e-6;
    north = std::stod(fine.substr(at + MGRS_DIGITS_MAX)) * 1e-6;
}

TEST(GridReferences, PublishedExamples) {
    // GeoConvert(1): 33.3 N 44.4 E; its 10 m square and its 1 cm one.
    EXPECT_EQ(Mgrs(33.3, 44.4, 4), "38SMB44148470");
    EXPECT_EQ(Mgrs(33.3, 44.4, 7), "38SMB44140548470635");
    // GeographicLib's MGRS.hpp: Khulani Sq., Baghdad, the 1 km square
    // 38SMB4488, read as its centre.
    const ReferencePoint baghdad = ReadMgrs("38SMB4488");
    EXPECT_EQ(baghdad.precision, 2);
    std::string square;
    double east = 0, north = 0;
    OffsetsInSquare("38SMB4488", baghdad.latitude, baghdad.longitude, square,
                    east, north);
    EXPECT_EQ(square, "38SMB");
    EXPECT_NEAR(east, 44500, 2e-6);  // 444.5 km in zone 38
    EXPECT_NEAR(north, 88500, 2e-6); // 3688.5 km
    // FGDC-STD-011-2001: the Washington Monument, 18SUJ2348306479, a 1 m
    // square, about 38.8895 N 77.0352 W.
    const ReferencePoint monument = ReadMgrs("18S UJ 23483 06479");
    EXPECT_NEAR(monument.latitude, 38.8895, 0.0001);
    EXPECT_NEAR(monument.longitude, -77.0352, 0.0001);
    EXPECT_EQ(monument.precision, 5);
    // GeoConvert(1): the UPS point s 2173854.98 2985980.58, which the page
    // gives for 81 S 10 E (to 2 cm).
    const UpsPoint south = ToUps(-81, 10);
    EXPECT_FALSE(south.north);
    EXPECT_NEAR(south.easting, 2173854.98, 0.02);
    EXPECT_NEAR(south.northing, 2985980.58, 0.02);
    // Wikipedia, "Geohash".
    EXPECT_EQ(Geohash(57.64911, 10.40744, 11), "u4pruydqqvj");
    const ReferencePoint jutland = ReadGeohash("u4pruydqqvj");
    EXPECT_NEAR(jutland.latitude, 57.64911, 0.000005);
    EXPECT_NEAR(jutland.longitude, 10.40744, 0.000005);
    const ReferencePoint leon = ReadGeohash("ezs42");
    EXPECT_NEAR(leon.latitude, 42.605, 0.0005);
    EXPECT_NEAR(leon.longitude, -5.603, 0.0005);
    EXPECT_EQ(leon.precision, 5);
}

TEST(GridReferences, SpacedLayout) {
    // A reference for people: zone and band, square, easting, northing
    // (the compact references are GeoConvert -m's for the same points).
    EXPECT_EQ(Mgrs(37.5666, 126.9784, 5, MgrsLayout::Spaced),
              "52S CG 21459 59650");
    EXPECT_EQ(Mgrs(37.5666, 126.9784, 0, MgrsLayout::Spaced), "52S CG");
    EXPECT_EQ(Mgrs(86, 10, 2, MgrsLayout::Spaced), "Z AC 77 62");
    EXPECT_EQ(Mgrs(-86, -170, 1, MgrsLayout::Spaced), "A ZH 2 6");
    // and every spaced reference reads back as the compact one
    for (int digits = MGRS_DIGITS_MIN; digits <= MGRS_DIGITS_MAX; ++digits) {
        const ReferencePoint spaced =
            ReadMgrs(Mgrs(-33.8688, 151.2093, digits, MgrsLayout::Spaced));
        const ReferencePoint compact =
            ReadMgrs(Mgrs(-33.8688, 151.2093, digits));
        EXPECT_EQ(spaced.latitude, compact.latitude) << digits;
        EXPECT_EQ(spaced.longitude, compact.longitude) << digits;
    }
}

// Writing then reading gives the centre of the square: in the reference's
// own zone (GeographicLib's, as the test's oracle) its easting and
// northing are the square's corner plus half its side, to the micrometre.
TEST(GridReferences, MgrsRoundTripsToTheCentre) {
    const struct {
        double lat, lon;
    } points[] = {
        {37.5666, 126.9784},
        {-33.8688, 151.2093},
        {0, 0},
        {-79.9, -179.9},
        {83.99, 179.99},
        {60.5, 4.5},
        {78.2, 15.6},
        {88.5, -45.25},
        {-87.25, 120.5},
        {-0.000001, 45},
        {56, 3},
        {72, 9},
    };
    for (const auto &p : points)
        for (int digits = MGRS_DIGITS_MIN; digits <= MGRS_DIGITS_MAX;
             ++digits) {
            SCOPED_TRACE(std::to_string(p.lat) + " " + std::to_string(p.lon) +
                         ", " + std::to_string(digits) + " digits");
            const std::string reference = Mgrs(p.lat, p.lon, digits);
            const ReferencePoint centre = ReadMgrs(reference);
            EXPECT_EQ(centre.precision, digits);
            std::string square;
            double east = 0, north = 0;
            OffsetsInSquare(reference, centre.latitude, centre.longitude,
                            square, east, north);
            const std::size_t at = reference.size() - 2 * digits;
            // The same zone and square; the band is the latitude's, and a
            // centre may lie across a band's edge from the point (56 N).
            std::string given = reference.substr(0, at);
            if (given[0] >= '0' && given[0] <= '9') {
                given.erase(at - 3, 1);
                square.erase(square.size() - 3, 1);
            }
            ASSERT_EQ(square, given);
            const double side = std::pow(10.0, 5 - digits);
            const auto corner = [&](int k) {
                return digits == 0 ? 0.0
                                   : std::stod(reference.substr(at + k * digits,
                                                                digits)) *
                                         side;
            };
            // to the micrometre: the truncation to it, and the nanometres
            // of the way through latitude and longitude
            EXPECT_NEAR(east, corner(0) + side / 2, 2e-6);
            EXPECT_NEAR(north, corner(1) + side / 2, 2e-6);
        }
}

TEST(GridReferences, GeohashRoundTripsToTheCentre) {
    for (int length = GEOHASH_LENGTH_MIN; length <= GEOHASH_LENGTH_MAX;
         ++length) {
        SCOPED_TRACE(length);
        const std::string hash = Geohash(-33.8688, 151.2093, length);
        ASSERT_EQ(hash.size(), static_cast<std::size_t>(length));
        const ReferencePoint centre = ReadGeohash(hash);
        EXPECT_EQ(Geohash(centre.latitude, centre.longitude, length), hash);
        // the cell's centre: the point lies within half a cell of it
        EXPECT_LE(std::fabs(centre.latitude + 33.8688),
                  90.0 / std::ldexp(1.0, 5 * length / 2));
        EXPECT_LE(std::fabs(centre.longitude - 151.2093),
                  180.0 / std::ldexp(1.0, 5 * length - 5 * length / 2));
    }
}

TEST(GridReferences, ReadersTakeBlanksAndEitherCase) {
    const ReferencePoint compact = ReadMgrs("52SCG2145959650");
    for (const char *text :
         {"52scg2145959650", " 52S CG 21459 59650 ", "52S\tCG\t21459\t59650",
          "52 S C G 2 1 4 5 9 5 9 6 5 0"}) {
        const ReferencePoint p = ReadMgrs(text);
        EXPECT_EQ(p.latitude, compact.latitude) << text;
        EXPECT_EQ(p.longitude, compact.longitude) << text;
    }
    // zones 1 to 9 with or without a leading zero
    EXPECT_EQ(ReadMgrs("04QFJ15").latitude, ReadMgrs("4QFJ15").latitude);
    const ReferencePoint hash = ReadGeohash("u4pruydqqvj");
    EXPECT_EQ(ReadGeohash("U4PRUY DQQVJ").latitude, hash.latitude);
}

// Each malformed text is refused with its reason, which names the part at
// fault.
TEST(GridReferences, MalformedReferencesAreRefused) {
    const struct {
        const char *text;
        const char *message;
    } mgrs[] = {
        {"", "'' is not an MGRS reference: it is empty"},
        {"   ", "'   ' is not an MGRS reference: it is empty"},
        {"52ICG21459",
         "'52ICG21459' is not an MGRS reference: band letter I not in UTM set "
         "CDEFGHJKLMNPQRSTUVWX"},
        {"52SIG2145959650",
         "'52SIG2145959650' is not an MGRS reference: column letter I not in "
         "zone 52 set ABCDEFGH"},
        {"52SCI21",
         "'52SCI21' is not an MGRS reference: row letter I not in UTM set "
         "ABCDEFGHJKLMNPQRSTUV"},
        {"52SZZ",
         "'52SZZ' is not an MGRS reference: column letter Z not in zone 52 set "
         "ABCDEFGH"},
        {"3SCG",
         "'3SCG' is not an MGRS reference: column letter C not in zone 3 set "
         "STUVWXYZ"},
        {"52SCG214595965",
         "'52SCG214595965' is not an MGRS reference: not an even number of "
         "digits in 214595965"},
        {"52S CG 21459 5965",
         "'52S CG 21459 5965' is not an MGRS reference: not an even number of "
         "digits in 214595965"},
        {"52SCG123456789012345678901234",
         "'52SCG123456789012345678901234' is not an MGRS reference: more than "
         "22 digits in 123456789012345678901234"},
        {"61SCG21",
         "'61SCG21' is not an MGRS reference: zone 61 not in [1,60]"},
        {"0SCG21", "'0SCG21' is not an MGRS reference: zone 0 not in [1,60]"},
        {"003SCG",
         "'003SCG' is not an MGRS reference: more than 2 digits at start of "
         "MGRS 003"},
        {"52SC", "'52SC' is not an MGRS reference: missing row letter in 52SC"},
        {"52SCGX1",
         "'52SCGX1' is not an MGRS reference: encountered a non-digit in X1"},
        {"52SCG1.2",
         "'52SCG1.2' is not an MGRS reference: encountered a non-digit in 1.2"},
        {"32VMS",
         "'32VMS' is not an MGRS reference: block MS not in zone/band 32V"},
        {"38NPE",
         "'38NPE' is not an MGRS reference: block PE not in zone/band 38N"},
        {"52CCG",
         "'52CCG' is not an MGRS reference: block CG not in zone/band 52C"},
        {"ZZB",
         "'ZZB' is not an MGRS reference: column letter Z not in UPS band Z "
         "set ABCFGHJ"},
        {"YAB",
         "'YAB' is not an MGRS reference: column letter A not in UPS band Y "
         "set RSTUXYZ"},
        {"XCG",
         "'XCG' is not an MGRS reference: band letter X not in UPS set ABYZ"},
        {"52S", "'52S' is not an MGRS reference: a grid zone alone names no "
                "100 km square"},
        {"A", "'A' is not an MGRS reference: a grid zone alone names no 100 km "
              "square"},
        {"INVALID", "'INVALID' is not an MGRS reference: it names no point"},
        {"52S#CG",
         "'52S#CG' is not an MGRS reference: column letter # not in zone 52 "
         "set ABCDEFGH"},
        {"52S\x1b"
         "CG",
         "'52S\\x1BCG' is not an MGRS reference: column letter \\x1B not in "
         "zone 52 set ABCDEFGH"},
        {"52SCG12345678901234567890123456789012345678",
         "'52SCG12345678901234567890123456789012345...' is not an MGRS "
         "reference: more than 40 characters"},
    };
    for (const auto &row : mgrs)
        EXPECT_EQ(Refusal(ReadMgrs, row.text), row.message) << row.text;
    const struct {
        const char *text;
        const char *message;
    } geohashes[] = {
        {"", "'' is not a geohash: it is empty"},
        {"u4pa",
         "'u4pa' is not a geohash: 'a' is not in the geohash alphabet (0-9 and "
         "b-z but i, l and o)"},
        {"u4pI",
         "'u4pI' is not a geohash: 'I' is not in the geohash alphabet (0-9 and "
         "b-z but i, l and o)"},
        {"ezsl2", "'ezsl2' is not a geohash: 'l' is not in the geohash "
                  "alphabet (0-9 and "
                  "b-z but i, l and o)"},
        {"ezs0o", "'ezs0o' is not a geohash: 'o' is not in the geohash "
                  "alphabet (0-9 and "
                  "b-z but i, l and o)"},
        {"inv", "'inv' is not a geohash: 'i' is not in the geohash alphabet "
                "(0-9 and b-z but i, l and o)"},
        {"nan", "'nan' is not a geohash: 'a' is not in the geohash alphabet "
                "(0-9 and b-z but i, l and o)"},
        {"u4-pr", "'u4-pr' is not a geohash: '-' is not in the geohash "
                  "alphabet (0-9 and b-z but i, l and o)"},
        {"u4pruydqqvju4pruydq",
         "'u4pruydqqvju4pruydq' is not a geohash: more than 18 characters"},
    };
    for (const auto &row : geohashes)
        EXPECT_EQ(Refusal(ReadGeohash, row.text), row.message) << row.text;
}

TEST(GridReferences, WritersRefusePointsOffTheEarth) {
    std::string out;
    EXPECT_THROW(WriteMgrs(90.5, 0, 5, out), InputError);
    EXPECT_THROW(WriteMgrs(std::nan(""), 0, 5, out), InputError);
    EXPECT_THROW(WriteMgrs(10, INFINITY, 5, out), InputError);
    EXPECT_THROW(WriteGeohash(-91, 0, 5, out), InputError);
    // UPS: the caps, and the overlap GeographicLib allows into UTM's
    // latitudes; 60 N is far outside
    EXPECT_NO_THROW(ToUps(84, 10));
    EXPECT_NO_THROW(ToUps(83.5, 45));
    EXPECT_NO_THROW(ToUps(-79.5, -135));
    EXPECT_EQ(Refusal([](const std::string &) { ToUps(60, 10); }, ""),
              "latitude 60 is outside UPS's range: latitude 60d more than 20d "
              "from N pole");
    EXPECT_THROW(ToUps(-70, 10), InputError);
}

TEST(GridReferences, SquaresAndCellsForNotes) {
    EXPECT_EQ(MgrsSquareText(0), "100 km");
    EXPECT_EQ(MgrsSquareText(5), "1 m");
    EXPECT_EQ(MgrsSquareText(11), "1 µm");
    // 12 characters: 60 bits, 30 for each angle
    EXPECT_EQ(GeohashCellText(12), "1.68e-07° by 3.35e-07°");
    EXPECT_EQ(GeohashCellText(1), "45° by 45°");
}

TEST(GridReferences, ReferencesSpreadOverFields) {
    const struct {
        std::vector<std::string_view> fields;
        std::vector<FieldSpan> values;
    } rows[] = {
        {{"52S", "CG", "21459", "59650"}, {{0, 3}}},
        {{"52S", "CG", "21459", "59650", "100"}, {{0, 3}, {4, 4}}},
        {{"52SCG", "2145959650", "100"}, {{0, 1}, {2, 2}}},
        {{"52SCG21459", "59650", "7"}, {{0, 1}, {2, 2}}},
        {{"52SCG2145959650", "100"}, {{0, 0}, {1, 1}}},
        {{"52S", "CG", "100"}, {{0, 2}}},
        {{"52S", "CG21459", "59650"}, {{0, 2}}},
        {{"Z", "AC", "77", "62"}, {{0, 3}}},
        {{"ZAC7762", "12"}, {{0, 0}, {1, 1}}},
        // a field that starts no reference is a value of its own
        {{"name", "52S", "CG", "1", "2"}, {{0, 0}, {1, 4}}},
        {{"37.5", "127", "52S"}, {{0, 0}, {1, 1}, {2, 2}}},
        {{"52S", "12"}, {{0, 0}, {1, 1}}},
        {{"C", "GJ"}, {{0, 0}, {1, 1}}},
    };
    for (const auto &row : rows) {
        std::vector<FieldSpan> values;
        GroupMgrsFields(row.fields, 0, values);
        ASSERT_EQ(values.size(), row.values.size()) << row.fields[0];
        for (std::size_t i = 0; i < values.size(); ++i) {
            EXPECT_EQ(values[i].first, row.values[i].first) << i;
            EXPECT_EQ(values[i].last, row.values[i].last) << i;
        }
    }
}

} // namespace
