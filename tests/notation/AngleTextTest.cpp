// Reading angles, reals and whole points of batch input and pasted text.
#include "AngleText.h"
#include "ReadAngle.h"
#include "PointText.h"

#include "NumberText.h"

#include <gtest/gtest.h>

#include <bit>
#include <cctype>
#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <cstdint>
#include <random>
#include <string>
#include <unistd.h>

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
    {"37d 28m 54.629835s", LAT, "37.4818416208333"},
    {"37\u00B028'54.629835''", LAT, "37.4818416208333"},
    {"37\u00B028'54.629835", LAT, "37.4818416208333"}, // last mark left out
    {"37 28 54.629835", LAT, "37.4818416208333"},      // one field, one angle
    {"37:28.91049725", LAT, "37.4818416208333"},
    {"37\u00B028.91049725'", LAT, "37.4818416208333"},
    {"37d28.91049725m", LAT, "37.4818416208333"},
    {"37 28.91049725", LAT, "37.4818416208333"},
    {"37.5\u00B0", LAT, "37.5"},
    {"37.5d", LAT, "37.5"},
    {"37d54\"", LAT, "37.015"}, // minutes left out
    {"N37.5", LAT, "37.5"},
    {"37dN", LAT, "37"},
    {"37.5 N", LAT, "37.5"},
    {"S37.5", LAT, "-37.5"},
    {"37.5S", LAT, "-37.5"},
    {"37.5s", LAT, "-37.5"}, // lower case: "s" after degrees is the letter
    {"n 37.5", LAT, "37.5"},
    {"E127.5", LON, "127.5"},
    {"127.5E", LON, "127.5"},
    {"127.5e", LON, "127.5"}, // no digits follow: the letter, no exponent
    {"127.5w", LON, "-127.5"},
    {"W 127.5", LON, "-127.5"},
    {"127:30W", LON, "-127.5"},
    {"37 30 0 S", LAT, "-37.5"},
    {"-127:30", LON, "-127.5"},
    {"+127:30", LON, "127.5"},
    {"- 127:30", LON, "-127.5"},
    {"\u2212127.5", LON, "-127.5"}, // the minus sign
    {"0:30:0S", LAT, "-0.5"},  // above -1 degree: the sign goes to the minutes
    {"-0:0:36", LON, "-0.01"}, // and seconds
    {"-0:30", LAT, "-0.5"},
    {"0:59:59.999", LAT, "0.999999722222222"},
    {"126:30:36", LON, "126.51"},
    {"-126:30:36", LON, "-126.51"},
    {"37:6:0", LAT, "37.1"},
    {"0:0:0.18", LAT, "5E-5"},
    // Range ends: latitudes within 90, longitudes from -180 to below 360.
    {"90", LAT, "90"},
    {"90:0:0S", LAT, "-90"},
    {"-180", LON, "-180"},
    {"359.999999999999", LON, "359.999999999999"},
};

TEST(ReadAngle, Accepted) {
    for (const AngleRow &row : ACCEPTED) {
        SCOPED_TRACE(row.field);
        EXPECT_EQ(Code::FormatReal(ReadAngle(row.field, row.axis)), row.dd);
    }
}

TEST(ReadAngle, PlainDegreesAreReadAsTheDdFieldReadsThem) {
    // No rounding to 15 digits: the text itself is the DD field's text.
    for (const char *text : {"37.48184162083333333", "0.1", "-1e-7", "9E1"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(ReadAngle(text, LAT), Code::ParseReal(text));
    }
}

struct RejectedRow {
    const char *field;
    AngleAxis axis;
    const char *message;
};

// Each row is a way a field was misread before or could be: text that is
// not an angle, letters of the other coordinate, parts at or above 60,
// values beyond the poles or the date line.
const RejectedRow REJECTED[] = {
    {"abc", LAT, "'abc' is not a valid latitude"},
    {"", LAT, "'' is not a valid latitude: empty"},
    {"12,5", LAT, "'12,5' is not a valid latitude"},
    {"lon", LON, "'lon' is not a valid longitude"},
    {"latitude", LAT, "'latitude' is not a valid latitude"},
    {"37.5E", LAT, "'37.5E' is not a valid latitude: E and W mark a longitude"},
    {"N127", LON, "'N127' is not a valid longitude: N and S mark a latitude"},
    {"-37.5S", LAT,
     "'-37.5S' is not a valid latitude: a sign and a hemisphere letter "
     "together"},
    {"N37.5S", LAT,
     "'N37.5S' is not a valid latitude: more than one hemisphere letter"},
    {"N", LAT, "'N' is not a valid latitude: a letter without an angle"},
    {"37.5:30", LAT,
     "'37.5:30' is not a valid latitude: only the last part may have a "
     "fraction"},
    {"37:30.5:10", LAT,
     "'37:30.5:10' is not a valid latitude: only the last part may have a "
     "fraction"},
    {"37:", LAT, "'37:' is not a valid latitude"},
    {":30", LAT, "':30' is not a valid latitude"},
    {"37:28:54:1", LAT,
     "'37:28:54:1' is not a valid latitude: more than degrees, minutes and "
     "seconds"},
    {"37: 28", LAT, "'37: 28' is not a valid latitude"},
    {"28'54\"", LAT, "'28'54\"' is not a valid latitude: parts out of order"},
    {"37\"28'", LAT, "'37\"28'' is not a valid latitude: parts out of order"},
    {"37d:28", LAT, "'37d:28' is not a valid latitude"},
    {"37d28s54", LAT,
     "'37d28s54' is not a valid latitude: a part after the seconds"},
    {"1e5d", LAT, "'1e5d' is not a valid latitude"},
    {"37:60", LAT, "'37:60' is not a valid latitude: minutes must be below 60"},
    {"37:75:0", LAT,
     "'37:75:0' is not a valid latitude: minutes must be below 60"},
    {"37:30:60", LAT,
     "'37:30:60' is not a valid latitude: seconds must be below 60"},
    {"37 30 75", LAT,
     "'37 30 75' is not a valid latitude: seconds must be below 60"},
    {"2147483648:0", LAT,
     "'2147483648:0' is not a valid latitude: degrees beyond 360"},
    {"0:0:1e5", LAT, "'0:0:1e5' is not a valid latitude"},
    // Found by fuzz_angle: a sign alone read past the parts it did not have.
    {"-", LON, "'-' is not a valid longitude"},
    {"\u2212 ", LON, "'\u2212' is not a valid longitude"},
    {"NAN", LAT, "'NAN' is not a valid latitude"},
    {"INF", LAT, "'INF' is not a valid latitude"},
    {"1e999", LAT, "'1e999' is not a valid latitude: out of range"},
    {"91", LAT, "latitude 91 is outside -90 to 90"},
    {"90.000000000001N", LAT, "latitude 90.000000000001 is outside -90 to 90"},
    {"1e300", LAT, "latitude 1E300 is outside -90 to 90"},
    {"360", LON, "longitude 360 is outside -180 to 360 (360 excluded)"},
    {"180.5W", LON, "longitude -180.5 is outside -180 to 360 (360 excluded)"},
    // Echoed text is escaped and cut.
    {"\x1B[31mred", LAT, "'\\x1B[31mred' is not a valid latitude"},
    {"1234567890123456789012345678901234567890123:0", LAT,
     "'1234567890123456789012345678901234567890...' is not a valid latitude: "
     "degrees beyond 360"},
};

/// Switches LC_CTYPE to a Latin-1 locale, compiled into a temporary
/// directory when none is installed; false when none can be had. LOCPATH is
/// as it was afterwards (a locale once set stays loaded).
bool UseLatin1Locale() {
    for (const char *name : {"en_US.ISO-8859-1", "en_US.iso88591",
                             "de_DE.ISO-8859-1", "de_DE.iso88591"})
        if (std::setlocale(LC_CTYPE, name) != nullptr)
            return true;
    namespace fs = std::filesystem;
    const fs::path locales = fs::temp_directory_path() /
                             ("nolvex-latin1-" + std::to_string(::getpid()));
    fs::create_directories(locales);
    const std::string command = "localedef -i en_US -f ISO-8859-1 '" +
                                (locales / "en_US.ISO-8859-1").string() +
                                "' >/dev/null 2>&1";
    bool set = false;
    if (std::system(command.c_str()) == 0 ||
        fs::exists(locales / "en_US.ISO-8859-1" / "LC_CTYPE")) {
        const char *locpath = std::getenv("LOCPATH");
        const std::string previous = locpath ? locpath : "";
        setenv("LOCPATH", locales.c_str(), 1);
        set = std::setlocale(LC_CTYPE, "en_US.ISO-8859-1") != nullptr;
        if (locpath)
            setenv("LOCPATH", previous.c_str(), 1);
        else
            unsetenv("LOCPATH");
    }
    std::error_code ec;
    fs::remove_all(locales, ec);
    return set;
}

// The window sets the C library's locale from the environment and reads
// pasted points with the same code. Under an 8-bit locale such as Latin-1 the
// bytes of a UTF-8 mark are letters (0xBA is the masculine ordinal), and the
// hemisphere letter after "37º" was taken for part of a word.
TEST(ReadAngle, HemisphereLetterAfterAMarkWhateverTheLocale) {
    const std::string before = std::setlocale(LC_CTYPE, nullptr);
    if (!UseLatin1Locale())
        GTEST_SKIP() << "no Latin-1 locale could be made";
    const bool latin1 = std::isalpha(0xBA) != 0;
    double lat = 0, lon = 0;
    std::string message;
    try {
        lat = ReadAngle("37\u00BAN", LAT);
        lon = ReadAngle("127\u00BA30'W", LON);
        lon += ReadAngle("127\u00BAW", LON);
    } catch (const std::exception &e) {
        message = e.what();
    }
    std::setlocale(LC_CTYPE, before.c_str());
    EXPECT_TRUE(latin1) << "0xBA is a letter in Latin-1";
    EXPECT_EQ(message, "");
    EXPECT_EQ(lat, 37.0);
    EXPECT_EQ(lon, -127.5 - 127.0);
}

TEST(ReadAngle, RejectedWithMessage) {
    for (const RejectedRow &row : REJECTED) {
        SCOPED_TRACE(row.field);
        try {
            ReadAngle(row.field, row.axis);
            ADD_FAILURE() << "accepted";
        } catch (const InputError &e) {
            EXPECT_EQ(std::string(e.what()), row.message);
        }
    }
}

// ---- messages
// -------------------------------------------------------------------

// Control bytes from the input reached the terminal raw through messages (an
// ESC sequence), and a NUL cut the message short.
TEST(QuoteInput, ControlBytesEscapedAndLongTextCut) {
    const std::pair<std::string, std::string> rows[] = {
        {"a\x1B[2Jb", "'a\\x1B[2Jb'"},
        {std::string("a\0b", 3), "'a\\x00b'"},
        {"tab\there\r", "'tab\\x09here\\x0D'"},
        {"del\x7F", "'del\\x7F'"},
        {"\xC2\x9B"
         "31m",
         "'\\xC2\\x9B31m'"}, // C1 control sequence introducer
        {"\xE2\x80\xAEtxt", "'\\xE2\\x80\\xAEtxt'"}, // right-to-left override
        {"bad \xFF\xC3", "'bad \\xFF\\xC3'"},        // not UTF-8
        {"a\\b", "'a\\\\b'"},
        {"37\u00B028\u2032 \uC11C\uC6B8", "'37\u00B028\u2032 \uC11C\uC6B8'"},
        {std::string(50, 'a'), "'" + std::string(40, 'a') + "...'"},
        // Cut at a character boundary, not inside the degree sign.
        {std::string(39, 'a') + "\u00B0xxxx",
         "'" + std::string(39, 'a') + "...'"},
    };
    for (const auto &[text, quoted] : rows) {
        SCOPED_TRACE(quoted);
        EXPECT_EQ(QuoteInput(text), quoted);
    }
}

// ---- reals
// ----------------------------------------------------------------------

/// The value bits, or "refused".
std::string Outcome(std::string_view text) {
    try {
        return std::to_string(
            std::bit_cast<std::uint64_t>(ReadNumber(text, "value")));
    } catch (const InputError &) {
        return "refused";
    }
}

std::string Reference(std::string_view text) {
    try {
        return std::to_string(
            std::bit_cast<std::uint64_t>(Code::ParseReal(text)));
    } catch (const Code::ConversionError &) {
        return "refused";
    }
}

TEST(ReadNumber, SameValueAsTheDdFieldForStrictTexts) {
    const char *same[] = {
        "0",
        "-0",
        "+0",
        "1",
        "-1",
        "+.5",
        "5.",
        "37.4818416208333",
        "0.1",
        "0.30000000000000004",
        "9007199254740993",
        "1e5",
        "1E-5",
        " 1",
        "1 ",
        "123456789012345678901234567890",
        "0.000000000000000000000000000000000000000000000001",
        "1e999",
    };
    for (const char *text : same) {
        SCOPED_TRACE(text);
        EXPECT_EQ(Outcome(text), Reference(text));
    }
    // What the DD field lets through but a batch field does not: a lone
    // point, an exponent without digits.
    for (const char *text : {".", "-.", "1e", "1E+", "", "-", "1.2.3", "0x10",
                             "1,5", "--1", "NAN", "1 2"}) {
        SCOPED_TRACE(text);
        EXPECT_EQ(Outcome(text), "refused");
    }
}

TEST(ReadNumber, SameAsParseRealOnRandomDecimals) {
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
        if (random() % 4 == 0)
            text += "e" + std::to_string(static_cast<int>(random() % 40) - 20);
        SCOPED_TRACE(text);
        ASSERT_EQ(Outcome(text), Reference(text));
    }
}

TEST(ReadNumber, PointIsTheSeparatorWhateverTheWindowUses) {
    Code::SetDecimalSeparator(',');
    const double value = ReadNumber("37.25", "height");
    const std::string comma = Outcome("37,25");
    Code::SetDecimalSeparator('.');
    EXPECT_EQ(value, 37.25);
    EXPECT_EQ(comma, "refused");
}

// ---- whole points
// ---------------------------------------------------------------

struct PointRow {
    const char *text;
    const char *lat, *lon; ///< DD texts
    const char *height;    ///< text, or nullptr for none
};

const PointRow POINTS[] = {
    {"37.5 127.5", "37.5", "127.5", nullptr},
    {"37.5, 127.5, 30", "37.5", "127.5", "30"},
    {"37.5;127.5", "37.5", "127.5", nullptr},
    {"37\u00B033'58.7\"N 126\u00B058'40.4\"E", "37.5663055555556",
     "126.977888888889", nullptr},
    {"37\u00B0 33\u2032 58.7\u2033 N 126\u00B0 58\u2032 40.4\u2033 E",
     "37.5663055555556", "126.977888888889", nullptr},
    {"37\u00B0 33' 58.7\" 126\u00B0 58' 40.4\"", "37.5663055555556",
     "126.977888888889", nullptr},
    {"127E 37N", "37", "127", nullptr},
    {"127.5 E 37.5 N 12", "37.5", "127.5", "12"},
    {"37 30 00 N 127 00 00 E", "37.5", "127", nullptr},
    {"37 30 0N 127 0 0E 5", "37.5", "127", "5"},
    {"N 37 30 0 E 127 0 0 12.5", "37.5", "127", "12.5"},
    {"N 37 30 E 127 15", "37.5", "127.25", nullptr},
    {"N37.5 E127.5 10", "37.5", "127.5", "10"},
    {"S 33 52 W 151 12", "-33.8666666666667", "-151.2", nullptr},
    {"s33.86 e151.21", "-33.86", "151.21", nullptr},
    {"37:30 127:00", "37.5", "127", nullptr},
    {"37 30 0 N, 127 0 0 E", "37.5", "127", nullptr},
    {"37.5\t127.5\t-3", "37.5", "127.5", "-3"},
    {"37 127 10", "37", "127", "10"},
};

TEST(ReadGeoPoint, EveryFormOfOneLine) {
    for (const PointRow &row : POINTS) {
        SCOPED_TRACE(row.text);
        const GeoPoint p = ReadGeoPoint(row.text);
        EXPECT_EQ(Code::FormatReal(p.latitude), row.lat);
        EXPECT_EQ(Code::FormatReal(p.longitude), row.lon);
        EXPECT_EQ(p.height.has_value(), row.height != nullptr);
        if (p.height && row.height) {
            EXPECT_EQ(Code::FormatReal(*p.height), row.height);
        }
    }
}

TEST(ReadGeoPoint, LongitudeFirstOnlyWithoutLetters) {
    const GeoPoint plain = ReadGeoPoint("127.5 37.5", true);
    EXPECT_EQ(plain.latitude, 37.5);
    EXPECT_EQ(plain.longitude, 127.5);
    const GeoPoint lettered = ReadGeoPoint("37.5N 127.5E", true);
    EXPECT_EQ(lettered.latitude, 37.5);
    EXPECT_EQ(lettered.longitude, 127.5);
}

struct RefusedPoint {
    const char *text;
    const char *message;
};

const RefusedPoint REFUSED_POINTS[] = {
    // "37 30 00 N 127 00 00 E" without letters, or the old DMS output: six
    // or seven numbers that a reader could group two ways.
    {"37 30 00 127 00 00",
     "6 numbers where 3 are read: degrees, minutes and seconds apart need a "
     "hemisphere letter after each angle (37 30 0 N 127 0 0 E)"},
    {"37 33 48.696 126 58 48.017 0",
     "7 numbers where 3 are read: degrees, minutes and seconds apart need a "
     "hemisphere letter after each angle (37 30 0 N 127 0 0 E)"},
    // The second angle runs to the end: 127 0 15, or 127 0 and a height?
    {"N 37 30 E 127 0 15",
     "'E 127 0 15' is not a valid angle: its end is not marked: put the "
     "hemisphere letter after the angle"},
    {"37N 38N", "'37N' and '38N' are both latitudes (N or S)"},
    {"127E 128W", "'127E' and '128W' are both longitudes (E or W)"},
    {"N E 127", "'N' is not a valid angle: a letter without an angle"},
    {"1 37 30 0 N 127 E",
     "'1 37 30 0 N' is not a valid angle: more than degrees, minutes and "
     "seconds before the letter"},
    {"37.5", "'37.5' is not a point: a latitude and a longitude are needed"},
    {"37.5 127.5 1 2",
     "'37.5 127.5 1 2' is not a point: more than a latitude, a longitude and "
     "a height"},
    {"91 0", "latitude 91 is outside -90 to 90"},
    {"37.5 127.5 1e11", "height 100000000000 is beyond 1E10 m"},
    {"37.5 127.5 1x", "'1x' is not a valid height"},
};

TEST(ReadGeoPoint, RefusedWithMessage) {
    for (const RefusedPoint &row : REFUSED_POINTS) {
        SCOPED_TRACE(row.text);
        try {
            ReadGeoPoint(row.text);
            ADD_FAILURE() << "accepted";
        } catch (const InputError &e) {
            EXPECT_EQ(std::string(e.what()), row.message);
        }
    }
}

} // namespace
