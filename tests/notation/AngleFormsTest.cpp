// One angle in all its notations: the synchronisation of the main window's
// angles and of the degree-system tool, and the DMS text of the additions.
// The expected texts are the documented examples of the two windows; the
// others (radians, the texts of 180 degrees) come from
// scripts/reference/notation_reference.py, which repeats the angle routines
// with exact fractions. The rows run with a decimal point and again with a
// decimal comma.
#include "AngleForms.h"
#include "NumberText.h"

#include <gtest/gtest.h>

#include <cstring>

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <stdexcept>
#include <string>

namespace {

using Code::AngleFields;
using Code::AngleNotation;
using Code::AngleTexts;

/// A fault check of the test's own on the IEEE flags (glibc reads the SSE
/// and the x87 status, as the engine's check does).
struct FlagFault : std::runtime_error {
    using std::runtime_error::runtime_error;
};
int g_nChecks = 0;
void CheckFlags(const std::function<void()> &arithmetic) {
    ++g_nChecks;
    constexpr int FAULTS = FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW;
    std::feclearexcept(FAULTS);
    arithmetic();
    if (std::fetestexcept(FAULTS))
        throw FlagFault("floating-point fault");
}

/// @p text with its decimal points as @p separator.
std::string With(std::string text, char separator) {
    std::replace(text.begin(), text.end(), '.', separator);
    return text;
}

/// The texts of one angle in field order: DD, DM degrees and minutes, DMS
/// degrees, minutes and seconds, radians.
struct Texts {
    const char *dd, *dmd, *dmm, *dmsd, *dmsm, *dmss, *radian;
};

AngleTexts ToAngleTexts(const Texts &t, char separator) {
    return {With(t.dd, separator),    With(t.dmd, separator),
            With(t.dmm, separator),   With(t.dmsd, separator),
            With(t.dmsm, separator),  With(t.dmss, separator),
            With(t.radian, separator)};
}

struct SyncRow {
    const char *what;
    AngleNotation from;
    AngleFields fields;
    Texts in;       ///< what the fields hold, the edited notation typed
    Texts expected; ///< what they hold afterwards; "=" as they were
};

constexpr AngleFields MAIN = AngleFields::Degrees;
constexpr AngleFields TOOL = AngleFields::DegreesAndRadians;

// "x" marks a text that the synchronisation must neither read nor write.
// clang-format off
const SyncRow SYNC_ROWS[] = {
    // the main window's angles
    {"37.5 typed into DD", AngleNotation::Dd, MAIN,
     {"37.5", "x", "x", "x", "x", "x", "x"},
     {"37.5", "37", "30", "37", "30", "0", "x"}},
    {"seconds typed again with 37 and 28", AngleNotation::Dms, MAIN,
     {"x", "x", "x", "37", "28", "54.629835", "x"},
     {"37.4818416208333", "37", "28.91049725", "37", "28", "54.629835", "x"}},
    {"DMS minutes 75 accepted", AngleNotation::Dms, MAIN,
     {"x", "x", "x", "37", "75", "0", "x"},
     {"38.25", "37", "75", "37", "75", "0", "x"}},
    {"seconds with a trailing blank", AngleNotation::Dms, MAIN,
     {"x", "x", "x", "37", "28", "54.6 ", "x"},
     {"37.4818333333333", "37", "28.91", "37", "28", "54.6 ", "x"}},
    {"seconds below 0.0001 in scientific notation", AngleNotation::Dd, MAIN,
     {"0.0000000138888888888889", "x", "x", "x", "x", "x", "x"},
     {"0.0000000138888888888889", "0", "8.33333333333334E-7", "0", "0",
      "5E-5", "x"}},
    {"DM to DD and DMS", AngleNotation::Dm, MAIN,
     {"x", "-37", "30", "x", "x", "x", "x"},
     {"-37.5", "-37", "30", "-37", "30", "0", "x"}},
    // the degree-system tool
    {"tool: 37.5 into DD", AngleNotation::Dd, TOOL,
     {"37.5", "x", "x", "x", "x", "x", "x"},
     {"37.5", "37", "30", "37", "30", "0", "0.654498469497874"}},
    {"tool: 37.1 leaves its residues", AngleNotation::Dd, TOOL,
     {"37.1", "x", "x", "x", "x", "x", "x"},
     {"37.1", "37", "6.00000000000009", "37", "6", "5.11590769747272E-12",
      "0.647517152489896"}},
    {"tool: -126 30 36", AngleNotation::Dms, TOOL,
     {"x", "x", "x", "-126", "30", "36", "x"},
     {"-126.51", "-126", "30.6", "-126", "30", "36", "-2.20801603669803"}},
    {"tool: DM minutes with the degrees already there", AngleNotation::Dm,
     TOOL,
     {"x", "10", "75", "x", "x", "x", "x"},
     {"11.25", "10", "75", "10", "75", "0", "0.196349540849362"}},
    {"tool: 180 degrees in radians back to 180", AngleNotation::Radian, TOOL,
     {"x", "x", "x", "x", "x", "x", "3.14159265358979"},
     {"180", "179", "59.9999999999898", "179", "59", "59.9999999993861",
      "3.14159265358979"}},
};
// clang-format on

TEST(SyncAngleTest, DocumentedTexts) {
    for (char separator : {'.', ','}) {
        Code::SetDecimalSeparator(separator);
        for (const SyncRow &row : SYNC_ROWS) {
            SCOPED_TRACE(std::string(row.what) + ", separator " + separator);
            const auto out =
                Code::SyncAngle(row.from, ToAngleTexts(row.in, separator),
                                row.fields, CheckFlags);
            ASSERT_TRUE(out.has_value());
            const AngleTexts expected = ToAngleTexts(row.expected, separator);
            EXPECT_EQ(out->dd, expected.dd);
            EXPECT_EQ(out->dmDegrees, expected.dmDegrees);
            EXPECT_EQ(out->dmMinutes, expected.dmMinutes);
            EXPECT_EQ(out->dmsDegrees, expected.dmsDegrees);
            EXPECT_EQ(out->dmsMinutes, expected.dmsMinutes);
            EXPECT_EQ(out->dmsSeconds, expected.dmsSeconds);
            EXPECT_EQ(out->radians, expected.radians);
        }
    }
    Code::SetDecimalSeparator('.');
}

// A text of the edited notation that does not read ends the synchronisation
// with nothing to write, before any conversion runs.
TEST(SyncAngleTest, UnreadableTextWritesNothing) {
    struct Row {
        const char *what;
        AngleNotation from;
        Texts in;
    };
    // clang-format off
    const Row rows[] = {
        {"empty DD",                 AngleNotation::Dd,
         {"", "37", "30", "37", "30", "0", "0"}},
        {"a lone minus",             AngleNotation::Dd,
         {"-", "37", "30", "37", "30", "0", "0"}},
        {"degrees with a blank",     AngleNotation::Dms,
         {"37.5", "37", "30", "37 ", "30", "0", "0"}},
        {"a fraction in DM degrees", AngleNotation::Dm,
         {"37.5", "30.5", "30", "37", "30", "0", "0"}},
        {"a fraction in DMS minutes", AngleNotation::Dms,
         {"37.5", "37", "30", "37", "30.5", "0", "0"}},
        {"empty DM minutes",         AngleNotation::Dm,
         {"37.5", "37", "", "37", "30", "0", "0"}},
        {"a comma under a point",    AngleNotation::Radian,
         {"37.5", "37", "30", "37", "30", "0", "0,6"}},
    };
    // clang-format on
    for (const Row &row : rows) {
        SCOPED_TRACE(row.what);
        g_nChecks = 0;
        EXPECT_FALSE(Code::SyncAngle(row.from, ToAngleTexts(row.in, '.'), TOOL,
                                     CheckFlags)
                         .has_value());
        EXPECT_EQ(g_nChecks, 0);
    }
}

// The main window has no radians: its synchronisation leaves them alone.
TEST(SyncAngleTest, MainWindowWritesNoRadians) {
    const AngleTexts in =
        ToAngleTexts({"37.5", "", "", "", "", "", "kept"}, '.');
    const auto out = Code::SyncAngle(AngleNotation::Dd, in, MAIN, CheckFlags);
    ASSERT_TRUE(out.has_value());
    EXPECT_EQ(out->radians, "kept");
}

// The degree notations cannot fault: whatever reads gives finite parts. The
// main window, which ran them without the check, therefore shows the same
// texts under it.
TEST(SyncAngleTest, DegreeNotationsNeverFault) {
    struct Row {
        const char *what;
        AngleNotation from;
        Texts in;
    };
    // clang-format off
    const Row rows[] = {
        {"largest DD",            AngleNotation::Dd,
         {"1.7976931348623157E308", "", "", "", "", "", ""}},
        {"most negative DD",      AngleNotation::Dd,
         {"-1.7976931348623157E308", "", "", "", "", "", ""}},
        {"smallest DD",           AngleNotation::Dd,
         {"4.9406564584124654E-324", "", "", "", "", "", ""}},
        {"largest DM minutes",    AngleNotation::Dm,
         {"", "2147483647", "1.7976931348623157E308", "", "", "", ""}},
        {"most negative DM",      AngleNotation::Dm,
         {"", "-2147483648", "-1.7976931348623157E308", "", "", "", ""}},
        {"largest DMS seconds",   AngleNotation::Dms,
         {"", "", "", "2147483647", "2147483647", "1.7976931348623157E308", ""}},
        {"most negative DMS",     AngleNotation::Dms,
         {"", "", "", "-2147483648", "-2147483648", "-1.7976931348623157E308", ""}},
    };
    // clang-format on
    for (const Row &row : rows) {
        for (AngleFields fields : {MAIN, TOOL}) {
            SCOPED_TRACE(row.what);
            std::optional<AngleTexts> out;
            EXPECT_NO_THROW(out = Code::SyncAngle(row.from,
                                                  ToAngleTexts(row.in, '.'),
                                                  fields, CheckFlags));
            ASSERT_TRUE(out.has_value());
            for (const std::string &text :
                 {out->dd, out->dmMinutes, out->dmsSeconds, out->radians}) {
                EXPECT_EQ(text.find("INF"), std::string::npos) << text;
                EXPECT_EQ(text.find("NAN"), std::string::npos) << text;
            }
        }
    }
}

// Radians beyond about 3.1E306 overflow in degrees: the fault reaches the
// caller, and no text is made from the infinity.
TEST(SyncAngleTest, RadiansOverflowingDegreesFault) {
    for (const char *radians : {"1E308", "-3.2E306"}) {
        SCOPED_TRACE(radians);
        const AngleTexts in =
            ToAngleTexts({"37.5", "37", "30", "37", "30", "0", radians}, '.');
        EXPECT_THROW(
            Code::SyncAngle(AngleNotation::Radian, in, TOOL, CheckFlags),
            FlagFault);
    }
}

// ---- the DMS text of the additions ------------------------------------------

struct DmsRow {
    const char *what;
    double degrees;
    int precision;
    Code::DmsDecimals decimals;
    const char *latitude;  ///< with the marks and N/S
    const char *delimited; ///< with a blank after each part and E/W
};

constexpr auto TRIMMED = Code::DmsDecimals::Trimmed;
constexpr auto FIXED = Code::DmsDecimals::Fixed;
constexpr auto SECONDS = Code::AnglePart::Seconds;
constexpr auto MINUTES = Code::AnglePart::Minutes;

// clang-format off
const DmsRow DMS_ROWS[] = {
    {"the start-up point",        37.4818416208333, 5, TRIMMED,
     "37\u00B028'54.62983\"N", "37 28 54.62983 E"},
    {"59.999996\" is the next minute", 37 + 28 / 60.0 + 59.999996 / 3600, 5,
     TRIMMED, "37\u00B029'0\"N", "37 29 0 E"},
    {"59.99999\" stays",          37 + 28 / 60.0 + 59.99999 / 3600, 5, TRIMMED,
     "37\u00B028'59.99999\"N", "37 28 59.99999 E"},
    {"60' is the next degree",    37 + 59 / 60.0 + 59.999996 / 3600, 5, TRIMMED,
     "38\u00B00'0\"N", "38 0 0 E"},
    {"to the pole",               89.9999999999, 5, TRIMMED,
     "90\u00B00'0\"N", "90 0 0 E"},
    {"no decimals, 59.6\"",       37 + 28 / 60.0 + 59.6 / 3600, 0, FIXED,
     "37\u00B029'0\"N", "37 29 0 E"},
    {"no decimals, up to a degree", 0.99999999, 0, FIXED,
     "1\u00B00'0\"N", "1 0 0 E"},
    {"fixed decimals, carried",   0.99999999, 3, FIXED,
     "1\u00B00'0.000\"N", "1 0 0.000 E"},
    {"fixed decimals kept",       -33.8688, 4, FIXED,
     "33\u00B052'7.6800\"S", "33 52 7.6800 W"},
    {"above -1 degree",           -0.5000001, 5, TRIMMED,
     "0\u00B030'0.00036\"S", "0 30 0.00036 W"},
    {"west of the antimeridian",  -179.99999999, 5, TRIMMED,
     "179\u00B059'59.99996\"S", "179 59 59.99996 W"},
    {"negative, rounded to zero", -0.000000001, 5, TRIMMED,
     "0\u00B00'0\"S", "0 0 0 W"},
    {"negative zero",             -0.0, 2, FIXED,
     "0\u00B00'0.00\"N", "0 0 0.00 E"},
    {"seventeen decimals",        0.5, 17, FIXED,
     "0\u00B030'0.00000000000000000\"N", "0 30 0.00000000000000000 E"},
};
// clang-format on

TEST(FormatAngleTest, DmsCarriesARounded60) {
    constexpr Code::DmsJoiner BLANKS{" ", " ", " "};
    // The texts are read by other programs: a decimal point under a comma.
    for (char separator : {'.', ','}) {
        Code::SetDecimalSeparator(separator);
        for (const DmsRow &row : DMS_ROWS) {
            SCOPED_TRACE(std::string(row.what) + ", separator " + separator);
            EXPECT_EQ(Code::FormatAngle(row.degrees, SECONDS, row.precision,
                                      Code::DMS_MARKS, 'N', 'S', row.decimals),
                      row.latitude);
            EXPECT_EQ(Code::FormatAngle(row.degrees, SECONDS, row.precision,
                                        BLANKS, 'E',
                                      'W', row.decimals),
                      row.delimited);
        }
    }
    Code::SetDecimalSeparator('.');
}

// The same writer with minutes as its last part (DM): the minutes rounded
// once, 60 carried into the degree; worked out by hand from the minutes.
TEST(FormatAngleTest, DmCarriesARounded60) {
    constexpr Code::DmsJoiner BLANKS{" ", " ", " "};
    const struct {
        const char *what;
        double degrees;
        int precision;
        const char *text;
    } rows[] = {
        // 0.4818416208333 * 60 = 28.910497249998
        {"the start-up point", 37.4818416208333, 4, "37 28.9105 N"},
        {"59.9999996' is the next degree", 37 + 59.9999996 / 60, 5,
         "38 0.00000 N"},
        {"59.999994' stays", 37 + 59.999994 / 60, 5, "37 59.99999 N"},
        {"no decimals, 59.6'", 127 + 59.6 / 60, 0, "128 0 E"},
        {"to the pole", 89.9999999999, 5, "90 0.00000 N"},
        {"above -1 degree", -0.5, 3, "0 30.000 S"},
        {"negative zero", -0.0, 2, "0 0.00 N"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.what);
        const bool latitude = row.text[std::strlen(row.text) - 1] != 'E';
        EXPECT_EQ(Code::FormatAngle(row.degrees, MINUTES, row.precision,
                                    BLANKS, latitude ? 'N' : 'E',
                                    latitude ? 'S' : 'W'),
                  row.text);
    }
}

TEST(FormatAngleTest, RefusesWhatItCannotWrite) {
    try {
        Code::FormatAngle(-1e9, SECONDS, 5, Code::DMS_MARKS, 'N', 'S');
        ADD_FAILURE() << "no error for -1E9";
    } catch (const std::invalid_argument &e) {
        EXPECT_STREQ(e.what(),
                     "-1000000000 is too large for degrees, minutes and "
                     "seconds");
    }
    EXPECT_NO_THROW(
        Code::FormatAngle(999999999.99, SECONDS, 5, Code::DMS_MARKS, 'N', 'S'));
    EXPECT_THROW(Code::FormatAngle(std::nan(""), SECONDS, 5, Code::DMS_MARKS, 'N', 'S'),
                 std::invalid_argument);
    EXPECT_THROW(Code::FormatAngle(1.0, SECONDS, -1, Code::DMS_MARKS, 'N', 'S'),
                 std::invalid_argument);
    EXPECT_THROW(Code::FormatAngle(1.0, SECONDS, 18, Code::DMS_MARKS, 'N', 'S'),
                 std::invalid_argument);
}

} // namespace
