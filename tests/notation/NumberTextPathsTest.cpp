// The number texts' fast roads against the standard library, on millions of
// values and texts (fixed seeds): the 15-digit writer's integer rounding and
// digit moves, and the one-pass reading of plain decimals by ParseReal,
// ParseAngle and ReadNumber. The library's conversions are correctly
// rounded, so they define the texts independently of either road: 18
// digits to nearest (to_chars), then 15 with a 16th digit of 5 or more
// rounding up; a decimal text read to nearest (from_chars).
#include "AngleText.h"
#include "NumberText.h"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr double INF = std::numeric_limits<double>::infinity();

/// The writer's text of @p v (finite, not zero) from the library's 18
/// digits, with @p separator.
std::string ReferenceText(double v, char separator) {
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
    const std::string sep(1, separator);
    std::string text = v < 0 ? "-" : "";
    if (exponent >= -4 && exponent < 15) {
        if (exponent < 0)
            return text + "0" + sep + std::string(-exponent - 1, '0') + d15;
        if (static_cast<int>(d15.size()) <= exponent + 1)
            return text + d15 + std::string(exponent + 1 - d15.size(), '0');
        return text + d15.substr(0, exponent + 1) + sep +
               d15.substr(exponent + 1);
    }
    text += d15.substr(0, 1);
    if (d15.size() > 1)
        text += sep + d15.substr(1);
    return text + "E" + std::to_string(exponent);
}

/// The double nearest to a decimal text in the library's syntax.
double Nearest(const std::string &text) {
    double v = 0;
    std::from_chars(text.data(), text.data() + text.size(), v);
    return v;
}

std::uint64_t Bits(double v) { return std::bit_cast<std::uint64_t>(v); }

/// Checks the writer on @p v and on its neighbours up to @p steps ulps away,
/// both signs, both separators.
void ExpectWritten(double v, int steps = 0) {
    double up = v, down = v;
    for (int k = 0; k <= steps; ++k) {
        for (double w : {up, down, -up, -down}) {
            if (!std::isfinite(w) || w == 0)
                continue;
            ASSERT_EQ(Code::FormatReal(w, '.'), ReferenceText(w, '.'))
                << std::hexfloat << w;
            ASSERT_EQ(Code::FormatReal(w, ','), ReferenceText(w, ','))
                << std::hexfloat << w;
        }
        up = std::nextafter(up, INF);
        down = std::nextafter(down, 0.0);
    }
}

std::string DigitText(std::mt19937_64 &random, int count) {
    std::string digits;
    for (int i = 0; i < count; ++i)
        digits += static_cast<char>('0' + random() % 10);
    return digits;
}

} // namespace

// ---------------------------------------------------------------------------
// The 15-digit writer
// ---------------------------------------------------------------------------

// Two million doubles: half uniform over the bit patterns of the writer's
// integer road (2^-16 to 2^56) and the binades either side, half over every
// finite double.
TEST(NumberTextPaths, WriterAgreesWithTheLibraryOnRandomDoubles) {
    std::mt19937_64 random(20261209);
    for (int i = 0; i < 2000000; ++i) {
        std::uint64_t bits = random();
        if (i % 2 == 0)
            bits = ((1023 - 20 + bits % 80) << 52) |
                   (random() & ((std::uint64_t{1} << 52) - 1));
        const double v = std::bit_cast<double>(bits);
        if (!std::isfinite(v) || v == 0)
            continue;
        ASSERT_EQ(Code::FormatReal(v, '.'), ReferenceText(v, '.'))
            << std::hexfloat << v;
    }
}

// Where the two roundings decide: doubles nearest to 18-digit decimals that
// end in 500, 499, 501, 4999... or 5000... (ties and near-ties at the 16th
// digit, after the 18-digit rounding or before it), and at 18 digits
// themselves (...5 at the 19th), with their neighbours, over the exponents
// of the integer road and beyond.
TEST(NumberTextPaths, WriterAgreesWithTheLibraryNearRoundingTies) {
    std::mt19937_64 random(5);
    const char *tails[] = {"500",  "499",  "501",  "4999",  "5000", "5001",
                           "0005", "4995", "9995", "99950", "49999"};
    for (int i = 0; i < 60000; ++i) {
        const std::string tail = tails[i % std::size(tails)];
        std::string digits = DigitText(random, 15);
        digits[0] = static_cast<char>('1' + random() % 9);
        if (i % 7 == 0)
            digits.replace(1, 14, std::string(14, '9')); // carries
        const int exponent = static_cast<int>(random() % 40) - 12;
        const double v = Nearest(digits.substr(0, 1) + "." + digits.substr(1) +
                                 tail + "e" + std::to_string(exponent));
        ExpectWritten(v, 2);
    }
    // Exact ties: n / 2^k is n * 5^k / 10^k, whose last digit is 5; with 19
    // significant digits the 18-digit rounding meets a tie (to even), with
    // 16 the 15-digit one (up).
    for (int k = 1; k <= 60; ++k) {
        for (const double digits : {1e18, 1e15}) {
            const double low = std::ceil(digits / std::pow(5.0, k));
            const double high =
                std::min(10 * digits / std::pow(5.0, k), 9007199254740991.0);
            for (int i = 0; i < 200 && low < high; ++i) {
                auto n = static_cast<std::uint64_t>(
                    low + static_cast<double>(random() % 1000000007) /
                              1000000007 * (high - low));
                n |= 1;
                ExpectWritten(std::ldexp(static_cast<double>(n), -k), 1);
                ExpectWritten(std::ldexp(static_cast<double>(n), 30 - k));
            }
        }
    }
}

// Decimals of 15, 16 and 17 significant digits as typed, and the shortest
// texts of random doubles: the values a field and a file usually hold.
TEST(NumberTextPaths, WriterAgreesWithTheLibraryOnTypedDecimals) {
    std::mt19937_64 random(1515);
    for (int i = 0; i < 300000; ++i) {
        const int count = 15 + i % 3;
        std::string digits = DigitText(random, count);
        const int point = static_cast<int>(random() % (count + 1));
        const double v =
            Nearest(digits.substr(0, point) + "." + digits.substr(point) + "e" +
                    std::to_string(static_cast<int>(random() % 24) - 10));
        ExpectWritten(v);
    }
    char text[40];
    for (int i = 0; i < 150000; ++i) {
        const double v =
            std::bit_cast<double>(((1023 - 20 + random() % 80) << 52) |
                                  (random() & ((std::uint64_t{1} << 52) - 1)));
        char *end = std::to_chars(text, text + sizeof text, v).ptr;
        ExpectWritten(Nearest(std::string(text, end)));
    }
}

// Each power of ten and of two in and around the integer road, where the
// decimal exponent or the notation changes, a thousand doubles either side;
// the largest and smallest doubles and the subnormals.
TEST(NumberTextPaths, WriterAgreesWithTheLibraryAtItsEdges) {
    for (int e = -8; e <= 20; ++e) {
        ExpectWritten(std::pow(10.0, e), 1000);
        ExpectWritten(Nearest("9.999999999999995e" + std::to_string(e)), 300);
        ExpectWritten(Nearest("9.9999999999999949999e" + std::to_string(e)),
                      300);
    }
    for (int e = -24; e <= 64; ++e)
        ExpectWritten(std::ldexp(1.0, e), 1000);
    ExpectWritten(std::numeric_limits<double>::max(), 100);
    ExpectWritten(std::numeric_limits<double>::min(), 100);
    ExpectWritten(std::numeric_limits<double>::denorm_min(), 100);
    ExpectWritten(std::bit_cast<double>(std::uint64_t{0x000FFFFFFFFFFFFF}),
                  100);
    EXPECT_EQ(Code::FormatReal(-0.0, '.'), "0");
    EXPECT_EQ(Code::FormatReal(-INF, '.'), "-INF");
}

// ---------------------------------------------------------------------------
// Reading plain decimals
// ---------------------------------------------------------------------------

namespace {

/// A random plain decimal in the library's syntax: 1 to 24 digits (so the
/// one-pass road's limits of 19 digits and 2^53 are crossed), leading zeros
/// at times, the point anywhere or nowhere, a sign at times.
std::string PlainText(std::mt19937_64 &random) {
    const int count = 1 + static_cast<int>(random() % 24);
    std::string digits = DigitText(random, count);
    if (random() % 4 == 0)
        digits.replace(0, std::min<std::size_t>(digits.size(), random() % 6),
                       std::string(random() % 6, '0'));
    if (digits.empty())
        digits = "0";
    std::string text;
    switch (random() % 4) {
    case 0:
        text = "-";
        break;
    case 1:
        text = "+";
        break;
    default:
        break;
    }
    if (random() % 5 != 0) {
        const std::size_t point = random() % (digits.size() + 1);
        digits.insert(point, ".");
    }
    return text + digits;
}

} // namespace

// Two million plain decimals: ParseReal, ParsePlainReal where it reads one,
// ParseAngle and ReadNumber all give the library's nearest double, the sign
// of a zero kept, with either separator.
TEST(NumberTextPaths, PlainDecimalsReadAsTheLibraryReadsThem) {
    std::mt19937_64 random(42);
    std::size_t plain = 0;
    for (int i = 0; i < 2000000; ++i) {
        const std::string text = PlainText(random);
        const bool positiveSign = text[0] == '+';
        const std::string unsigned_ = positiveSign ? text.substr(1) : text;
        const std::uint64_t expected = Bits(Nearest(unsigned_));
        ASSERT_EQ(Bits(Code::ParseReal(text, '.')), expected) << text;
        std::string comma = text;
        for (char &c : comma)
            if (c == '.')
                c = ',';
        ASSERT_EQ(Bits(Code::ParseReal(comma, ',')), expected) << comma;
        double value = 0;
        if (Code::ParsePlainReal(text, '.', value)) {
            ++plain;
            ASSERT_EQ(Bits(value), expected) << text;
        }
        ASSERT_EQ(Bits(ParseAngle(text).degrees), expected) << text;
        ASSERT_EQ(Bits(ReadNumber(text, "height")), expected) << text;
    }
    // Most of them take the one-pass road, and some do not.
    EXPECT_GT(plain, 1000000u);
    EXPECT_LT(plain, 2000000u);
}

// Two million short texts of digits, separators, signs and other bytes
// (NUL, blanks, letters, a byte above 0x7F) in every position: the
// one-pass road takes exactly the plain decimals of its reach, whatever
// the bytes around the digits are.
TEST(NumberTextPaths, OnePassTakesExactlyThePlainDecimals) {
    std::mt19937_64 random(777);
    static const char ALPHABET[] = "0123456789012345678901234567890123456789"
                                   "..,,+-e \t/:\xB0";
    const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    for (int i = 0; i < 2000000; ++i) {
        std::string text(random() % 20, '0');
        for (char &c : text)
            c = ALPHABET[random() % (sizeof ALPHABET)]; // NUL included
        const char separator = i % 2 == 0 ? '.' : ',';
        // The grammar, step by step.
        std::size_t k = 0;
        if (k < text.size() && (text[k] == '+' || text[k] == '-'))
            ++k;
        std::string digits;
        std::size_t after = 0;
        bool seen = false, plain = true;
        for (; k < text.size(); ++k) {
            if (isDigit(text[k])) {
                digits += text[k];
                after += seen;
            } else if (text[k] == separator && !seen) {
                seen = true;
            } else {
                plain = false;
            }
        }
        double value = 7;
        const bool taken = Code::ParsePlainReal(text, separator, value);
        if (!plain || digits.empty() || digits.size() > 19) {
            ASSERT_FALSE(taken) << text;
            continue;
        }
        const std::uint64_t n = std::stoull(digits);
        const bool reach =
            n == 0 || (n <= (std::uint64_t{1} << 53) && after <= 22);
        ASSERT_EQ(taken, reach) << text;
        if (!taken)
            continue;
        std::string library = text;
        for (char &c : library)
            if (c == separator)
                c = '.';
        if (library[0] == '+')
            library.erase(0, 1);
        ASSERT_EQ(Bits(value), Bits(Nearest(library))) << text;
    }
}

// Texts that the one-pass road leaves to the general one, read as before.
TEST(NumberTextPaths, OtherTextsAreLeftToTheGeneralReader) {
    double value = 7;
    for (const char *text :
         {"", "+", "-", ".", "-.", " 1", "1 ", "1e5", "1E-2", "0x10", "1.2.3",
          "++1", "1-", "12345678901234567890", "9007199254740993",
          "1.23456789012345678901", "0.00000000000000000000001", "1,5"}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(Code::ParsePlainReal(text, '.', value));
        EXPECT_EQ(value, 7);
    }
    EXPECT_EQ(Bits(Code::ParseReal("9007199254740993", '.')),
              Bits(9007199254740992.0));
    EXPECT_EQ(Bits(Code::ParseReal("12345678901234567890", '.')),
              Bits(12345678901234567890.0));
    EXPECT_EQ(Bits(Code::ParseReal("0.00000000000000000000001", '.')),
              Bits(1e-23));
    EXPECT_EQ(Bits(ParseAngle("- 37.5").degrees), Bits(-37.5));
    EXPECT_THROW(ReadNumber("- 37.5", "height"), InputError);
    EXPECT_TRUE(std::signbit(ParseAngle("-0").degrees));
    EXPECT_TRUE(std::signbit(ReadNumber("-0.000", "height")));
    EXPECT_TRUE(std::signbit(Code::ParseReal("-0", '.')));
}
