// Angle notation conversions and the name/code split. Results are compared as
// the texts a field shows (FormatReal); the expected texts are the documented
// ones or come from scripts/reference/notation_reference.py, which repeats the
// formulas with exact fractions rounded to a 64-bit significand after every
// step:
//   python3 scripts/reference/notation_reference.py
#include "Code.h"
#include "NumberText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

namespace {

using Code::FormatReal;

constexpr std::int32_t INT32_MAX_ = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t INT32_MIN_ = std::numeric_limits<std::int32_t>::min();

// ---------------------------------------------------------------------------
// From decimal degrees
// ---------------------------------------------------------------------------

struct FromDdRow {
    double dd;
    std::int32_t dmDegrees;
    const char *dmMinutes;
    std::int32_t dmsDegrees;
    std::int32_t dmsMinutes;
    const char *dmsSeconds;
};

// clang-format off
const FromDdRow FROM_DD[] = {
    // dd            DM degrees, minutes          DMS degrees, minutes, seconds
    {37.5,           37, "30",                  37, 30, "0"},
    {-37.5,         -37, "30",                 -37, 30, "0"},
    {37.1,           37, "6.00000000000009",    37, 6,  "5.11590769747272E-12"},
    {126.9832,      126, "58.9919999999998",   126, 58, "59.5199999999875"},
    {-126.9832,    -126, "58.9919999999998",  -126, 58, "59.5199999999875"},
    {89.99999999,    89, "59.9999994000004",    89, 59, "59.9999640000226"},
    {-179.5,       -179, "30",                -179, 30, "0"},
    {0.0001,          0, "0.006",                0, 0,  "0.36"},
    {0.0,             0, "0",                    0, 0,  "0"},
    {-0.0,            0, "0",                    0, 0,  "0"},
    {400.25,        400, "15",                 400, 15, "0"},
    // no carry: one minute comes out as 0' and seconds just below 60
    {0.016666666666666666, 0, "1",               0, 0,  "60"},
    // above -1 degree the minutes (and seconds) carry the sign
    {-0.5,            0, "-30",                  0, -30, "0"},
    {-0.01,           0, "-0.6",                 0, 0,   "-36"},
    {-0.999999,       0, "-59.99994",            0, -59, "-59.9963999999999"},
    {-0.016666666666666666, 0, "-1",             0, 0,   "-60"},
};
// clang-format on

TEST(FromDdTest, DdToDmAndDdToDms) {
    for (const FromDdRow &row : FROM_DD) {
        SCOPED_TRACE(row.dd);
        std::int32_t degrees = 12345;
        double minutes = 12345;
        Code::DdToDm(row.dd, degrees, minutes);
        EXPECT_EQ(degrees, row.dmDegrees);
        EXPECT_EQ(FormatReal(minutes), row.dmMinutes);

        std::int32_t degrees2 = 12345, minutes2 = 12345;
        double seconds = 12345;
        Code::DdToDms(row.dd, degrees2, minutes2, seconds);
        EXPECT_EQ(degrees2, row.dmsDegrees);
        EXPECT_EQ(minutes2, row.dmsMinutes);
        EXPECT_EQ(FormatReal(seconds), row.dmsSeconds);
    }
}

// A negative angle above -1 degree must come back as the same negative value
// from its DM and its DMS parts. Regression guard: taking the sign from the
// integer degrees alone turns -0.5 into +0.5.
TEST(FromDdTest, NegativeAboveMinusOneDegreeRoundTrips) {
    const double rows[] = {-0.5,     -0.01, -0.999999,    -0.0001,
                           -1e-9,    -0.25, -0.1,         -0.016666666666666666,
                           -0.00001, -0.75, -0.9999999999};
    for (double dd : rows) {
        SCOPED_TRACE(dd);
        std::int32_t d = 0, m = 0;
        double minutes = 0, seconds = 0, back = 0;

        Code::DdToDm(dd, d, minutes);
        EXPECT_EQ(d, 0);
        EXPECT_LT(minutes, 0);
        Code::DmToDd(d, minutes, back);
        EXPECT_LT(back, 0);
        EXPECT_NEAR(back, dd, 1e-15);
        EXPECT_EQ(FormatReal(back), FormatReal(dd));

        Code::DdToDms(dd, d, m, seconds);
        EXPECT_EQ(d, 0);
        EXPECT_LE(m, 0);
        EXPECT_LE(seconds, 0);
        EXPECT_FALSE(m == 0 && seconds == 0);
        // a zero part is written "0", never "-0"
        EXPECT_FALSE(seconds == 0 && std::signbit(seconds));
        Code::DmsToDd(d, m, seconds, back);
        EXPECT_LT(back, 0);
        EXPECT_NEAR(back, dd, 1e-15);
        EXPECT_EQ(FormatReal(back), FormatReal(dd));

        // the DM and DMS fields also convert into each other (the parts may
        // split differently: -1' against 0' -60", both the same angle)
        std::int32_t d2 = 1, m2 = 1;
        double minutes2 = 1, seconds2 = 1;
        Code::DmsToDm(d, m, seconds, d2, minutes2);
        EXPECT_EQ(d2, 0);
        EXPECT_NEAR(minutes2, minutes, 1e-12);
        Code::DmToDms(0, minutes, d2, m2, seconds2);
        EXPECT_LE(m2, 0);
        EXPECT_LE(seconds2, 0);
        EXPECT_NEAR(m2 * 60 + seconds2, m * 60 + seconds, 1e-9);
    }
}

TEST(FromDdTest, OutOfRangeDegreesSaturate) {
    struct Row {
        double dd;
        std::int32_t degrees;
    };
    const Row rows[] = {
        {2147483647.5, INT32_MAX_},
        {-2147483648.5, INT32_MIN_},
        {1e300, INT32_MAX_},
        {-1e300, INT32_MIN_},
        {std::numeric_limits<double>::infinity(), INT32_MAX_},
        {-std::numeric_limits<double>::infinity(), INT32_MIN_},
        {std::numeric_limits<double>::quiet_NaN(), 0},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.dd);
        std::int32_t d = 1, m = 1;
        double minutes = 0, seconds = 0;
        Code::DdToDm(row.dd, d, minutes);
        EXPECT_EQ(d, row.degrees);
        Code::DdToDms(row.dd, d, m, seconds);
        EXPECT_EQ(d, row.degrees);
        EXPECT_GE(m, 0);
        EXPECT_LT(m, 60);
    }
}

// ---------------------------------------------------------------------------
// From degrees and minutes
// ---------------------------------------------------------------------------

TEST(FromDmTest, DmToDdAndDmToDms) {
    struct Row {
        std::int32_t degrees;
        double minutes;
        const char *dd;
        std::int32_t dmsMinutes;
        const char *dmsSeconds;
    };
    // clang-format off
    const Row rows[] = {
        // degrees, minutes    DD                     DMS minutes, seconds
        {-37,  30,            "-37.5",                30, "0"},
        {37,   -30,           "36.5",                -30, "0"},
        {10,   75,            "11.25",                75, "0"},
        {37,   30,            "37.5",                 30, "0"},
        {0,    -30.5,         "-0.508333333333333",  -30, "-30"},
        {127,  0.27252475,    "127.004542079167",      0, "16.351485"},
        {-45,  59.999999,     "-45.9999999833333",    59, "59.9999400000002"},
        {-126, 30.6,          "-126.51",              30, "36.0000000000001"},
        {0,    0,             "0",                     0, "0"},
    };
    // clang-format on
    for (const Row &row : rows) {
        SCOPED_TRACE(std::to_string(row.degrees) + " " +
                     std::to_string(row.minutes));
        double dd = 12345;
        Code::DmToDd(row.degrees, row.minutes, dd);
        EXPECT_EQ(FormatReal(dd), row.dd);

        std::int32_t d = 12345, m = 12345;
        double s = 12345;
        Code::DmToDms(row.degrees, row.minutes, d, m, s);
        EXPECT_EQ(d, row.degrees);
        EXPECT_EQ(m, row.dmsMinutes);
        EXPECT_EQ(FormatReal(s), row.dmsSeconds);
    }
}

TEST(FromDmTest, ExtremeInputsStayDefined) {
    double dd = 0;
    Code::DmToDd(INT32_MIN_, 0, dd);
    EXPECT_EQ(dd, -2147483648.0);

    std::int32_t d = 0, m = 0;
    double s = 0;
    Code::DmToDms(INT32_MIN_, 1e300, d, m, s);
    EXPECT_EQ(d, INT32_MIN_);
    EXPECT_EQ(m, INT32_MAX_);
    Code::DmToDms(5, -1e300, d, m, s);
    EXPECT_EQ(m, INT32_MIN_);
    Code::DmToDms(5, std::numeric_limits<double>::quiet_NaN(), d, m, s);
    EXPECT_EQ(m, 0);
}

// ---------------------------------------------------------------------------
// From degrees, minutes and seconds
// ---------------------------------------------------------------------------

TEST(FromDmsTest, DmsToDdAndDmsToDm) {
    struct Row {
        std::int32_t degrees;
        std::int32_t minutes;
        double seconds;
        const char *dd;
        const char *dmMinutes;
    };
    // clang-format off
    const Row rows[] = {
        // degrees, minutes, seconds   DD                    DM minutes
        {-126, 30, 36,            "-126.51",            "30.6"},
        {37,    6, 0,             "37.1",               "6"},
        {37,   28, 54.629835,     "37.4818416208333",   "28.91049725"},
        {37,   75, 0,             "38.25",              "75"},
        {127,   0, 16.351485,     "127.004542079167",   "0.27252475"},
        {-33,  51, 35.9,          "-33.8599722222222",  "51.5983333333333"},
        {0,     0, -36,           "-0.01",              "-0.6"},
        {0,   -30, 0,             "-0.5",               "-30"},
        // the last digit shows the stored 1/60 and 1/3600 (the exact
        // fractions would give ...445 and ...556)
        {0,    50, 49,            "0.846944444444444",  "50.8166666666667"},
        {0,    50, 40.148,        "0.844485555555555",  "50.6691333333333"},
    };
    // clang-format on
    for (const Row &row : rows) {
        SCOPED_TRACE(row.dd);
        double dd = 12345;
        Code::DmsToDd(row.degrees, row.minutes, row.seconds, dd);
        EXPECT_EQ(FormatReal(dd), row.dd);

        std::int32_t d = 12345;
        double m = 12345;
        Code::DmsToDm(row.degrees, row.minutes, row.seconds, d, m);
        EXPECT_EQ(d, row.degrees);
        EXPECT_EQ(FormatReal(m), row.dmMinutes);
    }
}

// The DMS texts shown at start come back through DD to the same DMS texts.
TEST(FromDmsTest, DmsThroughDdRoundTrip) {
    struct Row {
        std::int32_t degrees, minutes;
        double seconds;
        const char *secondsText;
    };
    const Row rows[] = {
        {37, 28, 54.629835, "54.629835"},
        {127, 0, 16.351485, "16.351485"},
        {-126, 30, 36, "36"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.secondsText);
        double dd = 0;
        Code::DmsToDd(row.degrees, row.minutes, row.seconds, dd);
        std::int32_t d = 0, m = 0;
        double s = 0;
        Code::DdToDms(Code::ParseReal(FormatReal(dd)), d, m, s);
        EXPECT_EQ(d, row.degrees);
        EXPECT_EQ(m, row.minutes);
        // DD has 15 digits: 1E-12 degree at 100 degrees and more, 3.6E-9"
        EXPECT_NEAR(s, row.seconds, 2e-9);
    }
}

// ---------------------------------------------------------------------------
// Radians
// ---------------------------------------------------------------------------

TEST(RadianTest, DegreeToRadianAndBack) {
    struct Row {
        double degrees;
        const char *radians;
    };
    const Row rows[] = {
        {37.5, "0.654498469497874"},
        {180, "3.14159265358979"},
        {-90, "-1.5707963267949"},
        {1, "0.0174532925199433"},
        {127.004542079583, "2.21664742427641"},
        {0, "0"},
        // the stored 1/180 shows in the last digit (exactly: ...268)
        {129, "2.25147473507269"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.radians);
        double radians = 12345;
        Code::DegreeToRadian(row.degrees, radians);
        EXPECT_EQ(FormatReal(radians), row.radians);
        double degrees = 12345;
        Code::RadianToDegree(radians, degrees);
        EXPECT_EQ(FormatReal(degrees), FormatReal(row.degrees));
    }
}

TEST(RadianTest, RadianToDegreeUsesTheStoredReciprocalOfPi) {
    struct Row {
        double radians;
        const char *degrees;
    };
    // exactly 1/pi would give 160.42818263663 and -90.5846274101831
    const Row rows[] = {{2.8, "160.428182636631"},
                        {-1.581, "-90.5846274101832"}};
    for (const Row &row : rows) {
        SCOPED_TRACE(row.degrees);
        double degrees = 0;
        Code::RadianToDegree(row.radians, degrees);
        EXPECT_EQ(FormatReal(degrees), row.degrees);
    }
}

// ---------------------------------------------------------------------------
// Name and code
// ---------------------------------------------------------------------------

TEST(SplitNameAndCodeTest, SplitsAtTheLastOpeningParenthesis) {
    struct Row {
        const char *text;
        const char *name;
        const char *code;
        int result;
    };
    // clang-format off
    const Row rows[] = {
        {"Adindan(ADI-M)",             "Adindan",                "ADI-M", 1},
        {"WGS 60",                     "WGS 60",                 "",      0},
        {"User Datum",                 "User Datum",             "",      0},
        {"Everest(Sabah Sarawak)(EB)", "Everest(Sabah Sarawak)", "EB",    1},
        {"S-42(Pulkovo 1942)(SPK-A)",  "S-42(Pulkovo 1942)",     "SPK-A", 1},
        {"Tokyo(---)",                 "Tokyo",                  "---",   1},
        {"Bellevue(IGN)(IBE)",         "Bellevue(IGN)",          "IBE",   1},
        {"Bessel 1841(BN)",            "Bessel 1841",            "BN",    1},
        {"(X)",                        "",                       "X",     1},
        {"A()",                        "A",                      "",      1},
        {"Name(CODE) ",                "Name(CODE) ",            "",      0},
        {"(open",                      "(open",                  "",      0},
        // a final ")" with no "(" before it: nothing to cut out
        {"abc)",                       "abc)",                   "",      0},
        {")",                          ")",                      "",      0},
        {"",                           "",                       "",      0},
    };
    // clang-format on
    for (const Row &row : rows) {
        SCOPED_TRACE(row.text);
        std::string name = "old name", code = "old code";
        EXPECT_EQ(Code::SplitNameAndCode(row.text, name, code), row.result);
        EXPECT_EQ(name, row.name);
        EXPECT_EQ(code, row.code);
    }
}

} // namespace
