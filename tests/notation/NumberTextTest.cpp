// Number texts: the integer and 15-digit writers, the strict readers and the
// decimal separator. Expected texts are the documented ones or come from
// scripts/reference/notation_reference.py (exact decimal expansion of the
// double, 18 then 15 digits), run as
//   python3 scripts/reference/notation_reference.py
#include "NumberText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr double INF = std::numeric_limits<double>::infinity();
constexpr double QNAN = std::numeric_limits<double>::quiet_NaN();

// Runs each case with "." and again with ",", the separator of many regional
// settings; the global separator is put back after every test.
class NumberTextTest : public ::testing::TestWithParam<char> {
  protected:
    void SetUp() override { Code::SetDecimalSeparator(GetParam()); }
    void TearDown() override { Code::SetDecimalSeparator('.'); }

    // Rows are written with "."; this puts in the separator under test.
    static std::string WithSeparator(std::string text) {
        std::replace(text.begin(), text.end(), '.', GetParam());
        return text;
    }
    static char OtherSeparator() { return GetParam() == '.' ? ',' : '.'; }
};

INSTANTIATE_TEST_SUITE_P(Separators, NumberTextTest,
                         ::testing::Values('.', ','),
                         [](const ::testing::TestParamInfo<char> &info) {
                             return info.param == '.' ? "Point" : "Comma";
                         });

// ---------------------------------------------------------------------------
// Writing integers
// ---------------------------------------------------------------------------

TEST(FormatIntegerTest, PlainDecimal) {
    struct Row {
        std::int32_t value;
        const char *text;
    };
    const Row rows[] = {
        {0, "0"},
        {7, "7"},
        {-37, "-37"},
        {100, "100"},
        {-126, "-126"},
        {2147483647, "2147483647"},
        {std::numeric_limits<std::int32_t>::min(), "-2147483648"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(Code::FormatInteger(row.value), row.text);

        char buffer[Code::FORMAT_INTEGER_MAX + 4];
        std::fill(std::begin(buffer), std::end(buffer), '#');
        char *end = Code::FormatIntegerTo(buffer, row.value);
        EXPECT_EQ(std::string(buffer, end), row.text);
        EXPECT_TRUE(std::all_of(buffer + Code::FORMAT_INTEGER_MAX,
                                std::end(buffer),
                                [](char c) { return c == '#'; }));
    }
}

// ---------------------------------------------------------------------------
// Writing reals
// ---------------------------------------------------------------------------

struct RealText {
    double value;
    const char *text; // with "." as separator
};

// clang-format off
const RealText REAL_TEXTS[] = {
    // documented texts
    {0.5,                     "0.5"},
    {0.0001,                  "0.0001"},
    {1e-5,                    "1E-5"},
    {5.11590769747272e-12,    "5.11590769747272E-12"},
    {123456789012345678.0,    "1.23456789012346E17"},
    {5e-5,                    "5E-5"},
    {37.5,                    "37.5"},
    {-126.51,                 "-126.51"},
    // zero, sign, integers, trailing zeros removed
    {0.0,                     "0"},
    {-0.0,                    "0"},
    {123.0,                   "123"},
    {-37.5,                   "-37.5"},
    {100000000000000.0,       "100000000000000"},
    {0.1,                     "0.1"},
    {2.0 / 3.0,               "0.666666666666667"},
    {0.30000000000000004,     "0.3"},
    // fixed/scientific thresholds, both sides, decided after rounding
    {0.00009999,              "9.999E-5"},
    {0.0000999999999999999,   "9.99999999999999E-5"},
    {0.00009999999999999999,  "0.0001"},
    {-0.00009999,             "-9.999E-5"},
    {2.5e-5,                  "2.5E-5"},
    {0.000123456789012345678, "0.000123456789012346"},
    {999999999999999.0,       "999999999999999"},
    {999999999999999.4,       "999999999999999"},
    {999999999999999.9,       "1E15"},
    {1e15,                    "1E15"},
    {-1e15,                   "-1E15"},
    {123456789012345.6,       "123456789012346"},
    {1234567890123456.7,      "1.23456789012346E15"},
    {1e16,                    "1E16"},
    {1e100,                   "1E100"},
    {-1.5e-7,                 "-1.5E-7"},
    // carry out of the first digit raises the exponent
    {999.9999999999999,       "1000"},
    // 18-then-15: the exact value's digits 16 to 19 are 4999..., which
    // round to 500 at 18 digits and then up at 15 (a single rounding to 15
    // digits would give 5.42267518644099, 19.7117366947679, 446.760289624164)
    {5.422675186440995,       "5.422675186441"},
    {19.71173669476795,       "19.711736694768"},
    {446.7602896241645,       "446.760289624165"},
    // digits 16 to 19 are 4999 then below 5: they stay 499 and round down
    {62.43203444624465,       "62.4320344462446"},
    {17.35479242338225,       "17.3547924233822"},
    // range ends and subnormals
    {-1.7976931348623157e308, "-1.79769313486232E308"},
    {1e-320,                  "9.99988867182683E-321"},
    {5e-324,                  "4.94065645841247E-324"},
    {-1.2345678901234567e-308, "-1.23456789012346E-308"},
    // not finite
    {INF,                     "INF"},
    {-INF,                    "-INF"},
    {QNAN,                    "NAN"},
    {-QNAN,                   "NAN"},
};
// clang-format on

TEST_P(NumberTextTest, FormatRealGeneral15Digits) {
    for (const RealText &row : REAL_TEXTS) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(Code::FormatReal(row.value), WithSeparator(row.text));
    }
}

TEST_P(NumberTextTest, FormatRealToWritesTheSameTextWithinItsBuffer) {
    for (const RealText &row : REAL_TEXTS) {
        SCOPED_TRACE(row.text);
        char buffer[Code::FORMAT_REAL_MAX + 8];
        std::fill(std::begin(buffer), std::end(buffer), '#');
        char *end = Code::FormatRealTo(buffer, row.value);
        ASSERT_LE(end - buffer, static_cast<long>(Code::FORMAT_REAL_MAX));
        EXPECT_EQ(std::string(buffer, end), WithSeparator(row.text));
        EXPECT_TRUE(std::all_of(end, std::end(buffer),
                                [](char c) { return c == '#'; }));
    }
}

TEST_P(NumberTextTest, WrittenRealsReadBackToFifteenDigits) {
    const double values[] = {37.4818416208333,
                             -126.9832,
                             6378137.0,
                             0.00289027777777778,
                             5.11590769747272e-12,
                             -1.7976931348623e308};
    for (double value : values) {
        SCOPED_TRACE(value);
        const double back = Code::ParseReal(Code::FormatReal(value));
        EXPECT_NEAR(back, value, std::fabs(value) * 1e-14);
    }
}

// The writer against the standard library's correctly rounded 18 digits,
// rounded to 15 on the decimal text, over random doubles of every magnitude
// (fixed seed). The writer takes a faster road for most values.
TEST_P(NumberTextTest, FormatRealAgreesWithTheLibrary18Digits) {
    const auto reference = [](double v) {
        char sci[40]; // "d.ddddddddddddddddde-xxx"
        const char *end = std::to_chars(sci, sci + sizeof sci, std::fabs(v),
                                        std::chars_format::scientific, 17)
                              .ptr;
        const std::string digits =
            std::string(1, sci[0]) + std::string(sci + 2, 17);
        int exponent = 0;
        std::from_chars(sci + 21, end, exponent);
        if (sci[20] == '-')
            exponent = -exponent;
        std::string d15 = digits.substr(0, 15);
        if (digits[15] >= '5') {
            int i = 14;
            while (i >= 0 && d15[i] == '9')
                d15[i--] = '0';
            if (i < 0) {
                d15 = "1" + d15.substr(0, 14);
                ++exponent;
            } else {
                ++d15[i];
            }
        }
        while (d15.size() > 1 && d15.back() == '0')
            d15.pop_back();
        std::string text = v < 0 ? "-" : "";
        if (exponent >= -4 && exponent < 15) {
            if (exponent < 0)
                return text + "0." + std::string(-exponent - 1, '0') + d15;
            if (static_cast<int>(d15.size()) <= exponent + 1)
                return text + d15 + std::string(exponent + 1 - d15.size(), '0');
            return text + d15.substr(0, exponent + 1) + "." +
                   d15.substr(exponent + 1);
        }
        text += d15.substr(0, 1);
        if (d15.size() > 1)
            text += "." + d15.substr(1);
        return text + "E" + std::to_string(exponent);
    };
    std::mt19937_64 random(20240601);
    for (int i = 0; i < 200000; ++i) {
        // uniform over the bit patterns of 2^-40 .. 2^80, where the ranges
        // of the writer's two roads meet, and of all finite doubles
        std::uint64_t bits = random();
        if (i % 2 == 0)
            bits = ((1023 - 40 + bits % 121) << 52) |
                   (random() & ((std::uint64_t{1} << 52) - 1));
        const double v = std::bit_cast<double>(bits);
        if (!std::isfinite(v) || v == 0)
            continue;
        const std::string expected = WithSeparator(reference(v));
        ASSERT_EQ(Code::FormatReal(v), expected) << std::hexfloat << v;
    }
    // a few hundred doubles either side of each power of ten and of each
    // power of two from 2^-20 to 2^62, where the decimal exponent changes
    std::vector<double> anchors;
    for (int e = -6; e <= 19; ++e)
        anchors.push_back(std::pow(10.0, e));
    for (int e = -20; e <= 62; ++e)
        anchors.push_back(std::ldexp(1.0, e));
    for (double anchor : anchors) {
        double up = anchor, down = anchor;
        for (int k = 0; k < 300; ++k) {
            for (double v : {up, down, -up}) {
                ASSERT_EQ(Code::FormatReal(v), WithSeparator(reference(v)))
                    << std::hexfloat << v;
            }
            up = std::nextafter(up, INF);
            down = std::nextafter(down, 0.0);
        }
    }
}

// The value read back from the written text, computed without the text for
// most values: the same bits as writing and reading, over doubles of every
// magnitude, decimals as typed, both sides of each power of ten, zeros and
// the values whose texts are refused (fixed seed).
TEST_P(NumberTextTest, RealThroughTextIsTheTextReadBack) {
    const auto outcome = [](double (*through)(double), double v) {
        try {
            return std::to_string(std::bit_cast<std::uint64_t>(through(v)));
        } catch (const Code::ConversionError &e) {
            return std::string(e.what());
        }
    };
    const auto readBack = [](double v) {
        return Code::ParseReal(Code::FormatReal(v));
    };
    std::vector<double> values = {0.0,
                                  -0.0,
                                  INF,
                                  -INF,
                                  QNAN,
                                  5e-324,
                                  2.2250738585072014e-308,
                                  std::numeric_limits<double>::max(),
                                  1e-8,
                                  9.99999999999999e-9,
                                  1e37,
                                  9.999999999999995e36,
                                  999999999999999.5,
                                  0.1 + 0.2,
                                  5.422675186440995,
                                  -391.55};
    for (int e = -10; e <= 38; ++e) {
        double up = std::pow(10.0, e), down = up;
        for (int k = 0; k < 50; ++k) {
            values.push_back(up);
            values.push_back(-down);
            up = std::nextafter(up, INF);
            down = std::nextafter(down, 0.0);
        }
    }
    std::mt19937_64 random(20261208);
    for (int i = 0; i < 200000; ++i) {
        if (i % 2 == 0) {
            values.push_back(std::bit_cast<double>(random()));
        } else {
            // up to 17 digits, a decimal exponent from -12 to 20
            const auto digits =
                static_cast<double>(random() % 100000000000000000);
            const int exponent = static_cast<int>(random() % 33) - 12 - 17;
            values.push_back(digits * std::pow(10.0, exponent));
        }
    }
    for (double v : values)
        ASSERT_EQ(outcome(Code::RealThroughText, v), outcome(readBack, v))
            << std::hexfloat << v;
}

// The reader against std::from_chars on texts of every shape it shares with
// the library's format (fixed seed).
TEST_P(NumberTextTest, ParseRealAgreesWithFromChars) {
    std::mt19937_64 random(19700101);
    char text[128];
    for (int i = 0; i < 100000; ++i) {
        const double v = std::bit_cast<double>(random());
        if (!std::isfinite(v))
            continue;
        for (int precision : {0, 5, 14, 16, 17, 18, 25}) {
            const auto fmt = i % 3 == 0 ? std::chars_format::fixed
                                        : std::chars_format::scientific;
            if (fmt == std::chars_format::fixed && std::fabs(v) > 1e40)
                continue;
            const auto result =
                std::to_chars(text, text + sizeof text, v, fmt, precision);
            ASSERT_EQ(result.ec, std::errc());
            char *end = result.ptr;
            double expected = 0;
            if (std::from_chars(text, end, expected).ec != std::errc())
                continue; // beyond the range; the rejection rows cover it
            const std::string written = WithSeparator(std::string(text, end));
            ASSERT_EQ(std::bit_cast<std::uint64_t>(Code::ParseReal(written)),
                      std::bit_cast<std::uint64_t>(expected))
                << written;
        }
    }
}

// ---------------------------------------------------------------------------
// Reading integers
// ---------------------------------------------------------------------------

TEST(ParseIntegerTest, Accepts) {
    struct Row {
        const char *text;
        std::int32_t value;
    };
    const Row rows[] = {
        {"0", 0},
        {"37", 37},
        {" 37", 37},
        {"   -126", -126},
        {"+5", 5},
        {"-0", 0},
        {"007", 7},
        {"2147483647", 2147483647},
        {"-2147483648", std::numeric_limits<std::int32_t>::min()},
        {"00000000000000000000042", 42},
        // hexadecimal: unsigned texts with a prefix
        {"$10", 16},
        {"x1f", 31},
        {"X1F", 31},
        {"0x10", 16},
        {"0XaB", 171},
        {"  $FF", 255},
        {"$7FFFFFFF", 2147483647},
        {"0x0000000000000000001", 1},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(Code::ParseInteger(row.text), row.value);
    }
}

TEST(ParseIntegerTest, RejectsWithTheDocumentedMessage) {
    const char *const rows[] = {
        // empty, blanks only, lone signs, blanks after the digits or inside
        // them, a tab instead of a space
        "",
        " ",
        "-",
        "+",
        "37 ",
        "3 7",
        "\t37",
        // a fraction, an exponent, doubled signs, letters
        "30.5",
        "1e3",
        "--1",
        "+-1",
        "12a",
        // beyond the 32-bit range
        "2147483648",
        "-2147483649",
        "99999999999999999999",
        // hexadecimal: no digits after the prefix, beyond the signed range,
        // a bad digit, a sign before or after the prefix, a blank after it
        "$",
        "0x",
        "x",
        "$80000000",
        "0xFFFFFFFF",
        "$1G",
        "-$10",
        "+0x10",
        "0x-1",
        "$ 1",
    };
    for (const char *text : rows) {
        SCOPED_TRACE(text);
        try {
            Code::ParseInteger(text);
            ADD_FAILURE() << "accepted";
        } catch (const Code::ConversionError &e) {
            EXPECT_EQ(std::string(e.what()),
                      "'" + std::string(text) +
                          "' is not a valid integer value");
        }
    }
}

TEST(ParseIntegerTest, NulInsideTheTextIsRejected) {
    std::string text = "12";
    text += '\0';
    text += "3";
    EXPECT_THROW(Code::ParseInteger(text), Code::ConversionError);
}

// ---------------------------------------------------------------------------
// Reading reals
// ---------------------------------------------------------------------------

TEST_P(NumberTextTest, ParseRealAccepts) {
    struct Row {
        const char *text; // with "." as separator
        double value;
    };
    // clang-format off
    const Row rows[] = {
        {"37.5",          37.5},
        {"1e3",           1000},
        {"1E3",           1000},
        {" 5 ",           5},
        {"   -37.5   ",   -37.5},
        {"54.6 ",         54.6},
        {"+1.5",          1.5},
        {"5.",            5},
        {".5",            0.5},
        {"-.5",           -0.5},
        {".",             0},
        {"1e",            1},
        {"1E+",           1},
        {"1e-",           1},
        {"1e ",           1},
        {"2.5e-3",        0.0025},
        {"2.5E+3",        2500},
        {".e5",           0},
        {"0e99999999999999999999", 0},
        {"1e0000000000000000000005", 1e5},
        {"0.000000000000000000000000000001e30", 1},
        {"12345678901234567890123", 1.2345678901234568e22},
        {"0.1",           0.1},
        {"37.1",          37.1},
        {"1.7976931348623157e308", 1.7976931348623157e308},
        {"4.9406564584124654e-324", 5e-324},
        // just above and just below half the smallest subnormal
        {"2.4703282292062328e-324", 5e-324},
        {"2.4703282292062327e-324", 0},
        // below the smallest double: zero
        {"1e-400",        0},
        {"1e-99999999999999999999", 0},
        // 2^64 + 5: an exponent read into a wrapping 64-bit integer would
        // become 5
        {"1e-18446744073709551621", 0},
    };
    // clang-format on
    for (const Row &row : rows) {
        const std::string text = WithSeparator(row.text);
        SCOPED_TRACE(text);
        EXPECT_EQ(Code::ParseReal(text), row.value);
    }
}

TEST_P(NumberTextTest, ParseRealKeepsTheSignOfZero) {
    const char *const negative[] = {"-0", "-.", "-0.0e5", "-1e-400"};
    for (const char *row : negative) {
        const std::string text = WithSeparator(row);
        SCOPED_TRACE(text);
        const double value = Code::ParseReal(text);
        EXPECT_EQ(value, 0.0);
        EXPECT_TRUE(std::signbit(value));
    }
    EXPECT_FALSE(std::signbit(Code::ParseReal(WithSeparator("1e-400"))));
}

TEST_P(NumberTextTest, ParseRealRoundsLongMantissasCorrectly) {
    // 1 + 2^-53 exactly, halfway between 1 and the next double: a tie, which
    // goes to the even 1. Any further non-zero digit, however far out, lifts
    // it above the tie.
    const std::string half =
        "1.00000000000000011102230246251565404236316680908203125";
    const double next = 1.0000000000000002;
    EXPECT_EQ(Code::ParseReal(WithSeparator(half)), 1.0);
    EXPECT_EQ(Code::ParseReal(WithSeparator(half + std::string(1000, '0'))),
              1.0);
    EXPECT_EQ(
        Code::ParseReal(WithSeparator(half + std::string(1000, '0') + "1")),
        next);
    // many leading zeros and a large exponent cancel out
    EXPECT_EQ(Code::ParseReal(
                  WithSeparator("0." + std::string(1000, '0') + "1e1001")),
              1.0);
    EXPECT_EQ(Code::ParseReal("1" + std::string(2000, '0') + "e-2000"), 1.0);
}

TEST_P(NumberTextTest, ParseRealRejectsWithTheDocumentedMessage) {
    const std::string other(1, OtherSeparator());
    const std::string rows[] = {
        "",
        " ",
        "-",
        "+",
        "e5",
        "E5",
        "-e5",
        "1 e5",
        "1e 5",
        "1e5x",
        "12a",
        "1" + other + "5", // the other separator, a point or a comma
        "1" + other + "000" + WithSeparator(".5"), // a thousands separator
        WithSeparator("1.5.2"),
        WithSeparator(".."),
        WithSeparator("1e5.5"),
        "--1",
        "+-1",
        "1e+-5",
        "\t1",
        "1\t",
        "1 000",
        "0x10",
        "$10",
        "INF",
        "NAN",
        // beyond the double range
        "1e309",
        "-1e309",
        "1.7976931348623159e308",
        "1e99999999999999999999",
        "1e18446744073709551621", // 2^64 + 5, not 1e5
        "1" + std::string(400, '0'),
    };
    for (const std::string &text : rows) {
        SCOPED_TRACE(text);
        try {
            Code::ParseReal(text);
            ADD_FAILURE() << "accepted";
        } catch (const Code::ConversionError &e) {
            EXPECT_EQ(std::string(e.what()),
                      "'" + text + "' is not a valid floating point value");
        }
    }
}

// ---------------------------------------------------------------------------
// Decimal separator
// ---------------------------------------------------------------------------

TEST_P(NumberTextTest, UnusableSeparatorIsRefusedAndTheOldOneKept) {
    const char rows[] = {'0', '9', ' ', '+', '-', 'e', 'E', '\0', '\t', '\x7f'};
    for (char c : rows) {
        SCOPED_TRACE(static_cast<int>(c));
        EXPECT_THROW(Code::SetDecimalSeparator(c), std::invalid_argument);
        EXPECT_EQ(Code::GetDecimalSeparator(), GetParam());
    }
}

TEST(DecimalSeparatorTest, DefaultIsThePoint) {
    EXPECT_EQ(Code::GetDecimalSeparator(), '.');
    EXPECT_EQ(Code::FormatReal(0.5), "0.5");
    EXPECT_EQ(Code::ParseReal("0.5"), 0.5);
}

} // namespace
