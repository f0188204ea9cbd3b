// Reading angle fields and reals of batch input.
#include "AngleText.h"

#include "NumberText.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <random>
#include <string>

namespace {

struct AngleRow {
    const char *field;
    AngleAxis axis;
    const char *dd; ///< the DD field's text afterwards
};

constexpr AngleAxis LAT = AngleAxis::Latitude;
constexpr AngleAxis LON = AngleAxis::Longitude;

// Expected texts: the exact decimal value of the notation rounded to 15
// significant digits (37 + 28/60 + 54.629835/3600 = 37.48184162083333...,
// the window's documented DD for its default DMS).
const AngleRow ACCEPTED[] = {
    {"37.4818416208333", LAT, "37.4818416208333"},
    {"  -127.5\t", LON, "-127.5"},
    {"1.275E2", LON, "127.5"},
    {"37:28:54.629835", LAT, "37.4818416208333"},
    {"37\u00B028'54.629835\"", LAT, "37.4818416208333"},
    {"37\u00BA 28\u2019 54.629835\u201D", LAT, "37.4818416208333"},
    {"37\u00B0 28\u2032 54.629835\u2033", LAT, "37.4818416208333"},
    {"37d28m54.629835s", LAT, "37.4818416208333"},
    {"37\u00B028'54.629835''", LAT, "37.4818416208333"},
    {"37\u00B028'54.629835", LAT, "37.4818416208333"}, // last mark left out
    {"37:28.91049725", LAT, "37.4818416208333"},
    {"37\u00B028.91049725'", LAT, "37.4818416208333"},
    {"37d28.91049725m", LAT, "37.4818416208333"},
    {"37d28.91049725", LAT, "37.4818416208333"},
    {"37.5\u00B0", LAT, "37.5"},
    {"37.5d", LAT, "37.5"},
    {"37d54\"", LAT, "37.015"}, // minutes left out
    {"N37.5", LAT, "37.5"},
    {"37dN", LAT, "37"},
    {"37.5 N", LAT, "37.5"},
    {"S37.5", LAT, "-37.5"},
    {"37.5S", LAT, "-37.5"},
    {"E127.5", LON, "127.5"},
    {"127.5E", LON, "127.5"},
    {"W 127.5", LON, "-127.5"},
    {"127:30W", LON, "-127.5"},
    {"-127:30", LON, "-127.5"},
    {"+127:30", LON, "127.5"},
    {"- 127:30", LON, "-127.5"},
    {"0:30:0S", LAT, "-0.5"},  // above -1 degree: the sign goes to the minutes
    {"-0:0:36", LON, "-0.01"}, // and seconds
    {"-0:30", LAT, "-0.5"},
    {"37:75:0", LAT, "38.25"}, // minutes of 60 and more convert as they are
    {"10:75", LAT, "11.25"},
    {"126:30:36", LON, "126.51"},
    {"-126:30:36", LON, "-126.51"},
    {"37:6:0", LAT, "37.1"},
    {"0:0:0.18", LAT, "5E-5"},
    {"2147483647:0", LON, "2147483647"},
};

TEST(ReadAngle, Accepted) {
    for (const AngleRow &row : ACCEPTED) {
        SCOPED_TRACE(row.field);
        EXPECT_EQ(Code::FormatReal(ReadAngle(row.field, row.axis)), row.dd);
    }
}

TEST(ReadAngle, PlainDegreesAreReadAsTheDdFieldReadsThem) {
    // No rounding to 15 digits: the text itself is the DD field's text.
    for (const char *text : {"37.48184162083333333", "0.1", "-1e-7", "1E300"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(ReadAngle(text, LAT), Code::ParseReal(text));
    }
}

struct RejectedRow {
    const char *field;
    AngleAxis axis;
    const char *message;
};

const RejectedRow REJECTED[] = {
    {"abc", LAT, "'abc' is not a valid floating point value"},
    {"", LAT, "'' is not a valid floating point value"},
    {"12,5", LAT, "'12,5' is not a valid floating point value"},
    {"37.5E", LAT, "'37.5E' is not a valid latitude"},
    {"N127", LON, "'N127' is not a valid longitude"},
    {"-37.5S", LAT, "'-37.5S' is not a valid angle"},
    {"N37.5S", LAT, "'N37.5S' is not a valid angle"},
    {"N", LAT, "'N' is not a valid angle"},
    {"37.5:30", LAT, "'37.5:30' is not a valid angle"},
    {"37:30.5:10", LAT, "'37:30.5:10' is not a valid angle"},
    {"37:", LAT, "'37:' is not a valid angle"},
    {":30", LAT, "':30' is not a valid angle"},
    {"37:28:54:1", LAT, "'37:28:54:1' is not a valid angle"},
    {"37: 28", LAT, "'37: 28' is not a valid angle"},
    {"37d28'5s\"", LAT, "'37d28'5s\"' is not a valid angle"},
    {"28'54\"", LAT, "'28'54\"' is not a valid angle"}, // no degrees
    {"37\"28'", LAT, "'37\"28'' is not a valid angle"}, // out of order
    {"37d:28", LAT, "'37d:28' is not a valid angle"},
    {"37 28 54", LAT, "'37 28 54' is not a valid floating point value"},
    {"37d28s54", LAT, "'37d28s54' is not a valid angle"},
    {"1e5d", LAT, "'1e5d' is not a valid angle"},
    {"2147483648:0", LAT, "'2147483648:0' is not a valid angle"},
    {"0:0:1e5", LAT, "'0:0:1e5' is not a valid angle"},
    {"NAN", LAT, "'NAN' is not a valid angle"},
    {"INF", LAT, "'INF' is not a valid floating point value"},
};

TEST(ReadAngle, RejectedWithMessage) {
    for (const RejectedRow &row : REJECTED) {
        SCOPED_TRACE(row.field);
        try {
            ReadAngle(row.field, row.axis);
            ADD_FAILURE() << "accepted";
        } catch (const std::runtime_error &e) {
            EXPECT_EQ(std::string(e.what()), row.message);
        }
    }
}

/// The value bits, or the message of the error.
std::string Outcome(double (*reader)(std::string_view), std::string_view text) {
    try {
        return std::to_string(std::bit_cast<std::uint64_t>(reader(text)));
    } catch (const Code::ConversionError &e) {
        return e.what();
    }
}

double Reference(std::string_view text) { return Code::ParseReal(text); }

TEST(ReadReal, SameAsParseReal) {
    const char *texts[] = {
        "0",
        "-0",
        "+0",
        "1",
        "-1",
        "+.5",
        "5.",
        ".",
        "-.",
        "37.4818416208333",
        "0.1",
        "0.30000000000000004",
        "9007199254740993",
        "1e5",
        "1E-5",
        " 1",
        "1 ",
        "",
        "-",
        "+",
        "1.2.3",
        "0x10",
        "1,5",
        "--1",
        "123456789012345678901234567890",
        "0.000000000000000000000000000000000000000000000001",
        "1797693134862315700000000000000000000000000000000000000000000000000000"
        "0000000000000000000000000000000000000000000000000000000000000000000000"
        "0000000000000000000000000000000000000000000000000000000000000000000000"
        "0000000000000000000000000000000000000000000000000000000000000000000000"
        "00000000000000000000000000000",
    };
    for (const char *text : texts) {
        SCOPED_TRACE(text);
        EXPECT_EQ(Outcome(ReadReal, text), Outcome(Reference, text));
    }
}

TEST(ReadReal, SameAsParseRealOnRandomDecimals) {
    std::mt19937_64 random(20240611);
    for (int i = 0; i < 100000; ++i) {
        std::string text;
        if (random() % 3 == 0)
            text += random() % 2 ? '-' : '+';
        const int digits = 1 + static_cast<int>(random() % 25);
        const int point = static_cast<int>(random() % (digits + 2)) - 1;
        for (int k = 0; k < digits; ++k) {
            if (k == point)
                text += '.';
            text += static_cast<char>('0' + random() % 10);
        }
        SCOPED_TRACE(text);
        ASSERT_EQ(Outcome(ReadReal, text), Outcome(Reference, text));
    }
}

} // namespace
