// Number texts: the integer and 15-digit real writers, the strict readers and
// the decimal separator. Built on std::to_chars / std::from_chars only, which
// ignore the C locale that a Qt program switches at start.
#include "NumberText.h"
#include "TextParts.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <system_error>

namespace Code {

namespace {

std::atomic<char> g_decimalSeparator{'.'};

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

[[noreturn]] void ThrowNotInteger(std::string_view text) {
    std::string message;
    message.reserve(text.size() + 32);
    message += '\'';
    message += text;
    message += "' is not a valid integer value";
    throw ConversionError(message);
}

[[noreturn]] void ThrowNotReal(std::string_view text) {
    std::string message;
    message.reserve(text.size() + 40);
    message += '\'';
    message += text;
    message += "' is not a valid floating point value";
    throw ConversionError(message);
}

// Copies a literal into the output and returns its end.
template <std::size_t N> char *Put(char *out, const char (&literal)[N]) {
    return std::copy(literal, literal + N - 1, out);
}

// ---------------------------------------------------------------------------
// Reading a real
// ---------------------------------------------------------------------------

// Any midpoint between two adjacent doubles has at most 767 significant
// decimal digits. Keeping more than that, plus one non-zero "sticky" digit for
// whatever was dropped, leaves the correctly rounded result unchanged.
constexpr std::size_t KEPT_DIGITS = 770;

// The exponent read from the text is held at this magnitude once it gets
// there; anything this large is far outside the double range whatever the
// digits are, so no integer arithmetic below can overflow.
constexpr std::int64_t EXPONENT_CAP = 100'000'000'000'000'000;

// Decimal exponents of the leading digit outside these bounds are beyond the
// double range (above) or round to zero (below) without asking from_chars.
constexpr std::int64_t SCI_EXP_MAX = 309;
constexpr std::int64_t SCI_EXP_MIN = -325;

// The powers of ten that a double holds exactly.
constexpr double EXACT_POW10[] = {
    1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
    1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

__extension__ using Uint128 = unsigned __int128;

// The one-pass reading of a short plain decimal, as 16 bytes at once: a loop
// over the bytes ends where the digits end, which no branch predictor
// foresees (ParseReal took 13.4 ns a text of bench-cli's points with such a
// loop, 11.2 ns so).

constexpr std::uint64_t EACH_BYTE = 0x0101010101010101u;

/// The high bit of each byte of @p w that is not an ASCII digit; exact for
/// every byte (each sum stays below 0x100, so no carry crosses a byte).
std::uint64_t NonDigits(std::uint64_t w) {
    const std::uint64_t low7 = w & (0x7F * EACH_BYTE);
    const std::uint64_t from0 = low7 + 0x50 * EACH_BYTE; // high bit: >= '0'
    const std::uint64_t past9 = low7 + 0x46 * EACH_BYTE; // high bit: > '9'
    return (w | ~from0 | past9) & (0x80 * EACH_BYTE);
}

/// The value of eight digits, 0 to 9 one a byte, the first the lowest: each
/// step joins neighbours (pairs, fours, the eight) with one multiply.
std::uint64_t EightDigitsValue(std::uint64_t v) {
    v = (v * 10) + (v >> 8); // low byte of each 16 bits: 10 * a + b
    v = (((v & 0x000000FF000000FFu) * (100 + (std::uint64_t{1000000} << 32))) +
         (((v >> 16) & 0x000000FF000000FFu) *
          (1 + (std::uint64_t{10000} << 32)))) >>
        32;
    return v;
}

/// Reads 1 to 16 bytes at @p p as digits with at most one @p separator
/// among them: their digits as one integer, how many, and how many after
/// the separator. False when a byte is anything else or no digit is there.
bool ShortDigits(const char *p, std::size_t length, char separator,
                 std::uint64_t &digits, std::size_t &count,
                 std::size_t &fraction) {
    // The bytes as 16, the last one highest, zero bytes before the first:
    // the last eight in high, the rest at the top of low.
    std::uint64_t low = 0, high = 0;
    const auto n = static_cast<int>(length);
    if (n > 8) {
        std::memcpy(&high, p + n - 8, 8);
        std::memcpy(&low, p, 8);
        low <<= 8 * (16 - n);
    } else if (n == 8) {
        std::memcpy(&high, p, 8);
    } else if (n >= 4) {
        std::uint32_t first = 0, last = 0;
        std::memcpy(&first, p, 4);
        std::memcpy(&last, p + n - 4, 4);
        high = (first | (std::uint64_t{last} << (8 * (n - 4))))
               << (8 * (8 - n));
    } else {
        for (int k = 0; k < n; ++k)
            high |= std::uint64_t{static_cast<unsigned char>(p[k])}
                    << (8 * (8 - n + k));
    }
    // The bytes that are not digits, among the text's own.
    const std::uint64_t all = ~std::uint64_t{0};
    const std::uint64_t notHigh =
        NonDigits(high) & (n >= 8 ? all : all << (8 * (8 - n)));
    const std::uint64_t notLow =
        NonDigits(low) & (n > 8 ? all << (8 * (16 - n)) : 0);
    if ((notHigh != 0 && notLow != 0) || (notHigh & (notHigh - 1)) != 0 ||
        (notLow & (notLow - 1)) != 0)
        return false; // more than one
    count = length;
    fraction = 0;
    if ((notHigh | notLow) != 0) {
        // The separator's place among the 16; the digits before it move up
        // one byte into it, a zero byte (a leading zero) coming in below.
        const int at = notHigh != 0 ? 8 + std::countr_zero(notHigh) / 8
                                    : std::countr_zero(notLow) / 8;
        if (p[at - 16 + n] != separator)
            return false;
        if (at >= 8) {
            const int t = 8 * (at - 8);
            const std::uint64_t below = (std::uint64_t{1} << t) - 1;
            high = (high & ((all << t) << 8)) | ((high & below) << 8) |
                   (low >> 56);
            low <<= 8;
        } else {
            const int t = 8 * at;
            const std::uint64_t below = (std::uint64_t{1} << t) - 1;
            low = (low & ((all << t) << 8)) | ((low & below) << 8);
        }
        --count;
        fraction = static_cast<std::size_t>(15 - at);
    }
    if (count == 0)
        return false;
    // 16 digits, the leading ones zeros: the low bytes are the first half.
    digits = EightDigitsValue(low & (0x0F * EACH_BYTE)) * 100000000 +
             EightDigitsValue(high & (0x0F * EACH_BYTE));
    return true;
}

// Collects the significant digits of the mantissa, which the text holds in two
// runs (before and after the separator).
struct Mantissa {
    char digits[KEPT_DIGITS + 1];
    std::size_t kept = 0;          // digits stored, at most KEPT_DIGITS
    std::int64_t count = 0;        // significant digits seen, leading zeros not
    std::int64_t lastNonZero = -1; // index of the last non-zero digit
    bool sticky = false;           // a non-zero digit was dropped

    void Add(std::string_view run) {
        for (char c : run) {
            if (count == 0 && c == '0')
                continue; // leading zero
            if (c != '0')
                lastNonZero = count;
            if (kept < KEPT_DIGITS)
                digits[kept++] = c;
            else if (c != '0')
                sticky = true;
            ++count;
        }
    }
};

// ---------------------------------------------------------------------------
// Writing a real
// ---------------------------------------------------------------------------

// clang-format off
constexpr std::uint64_t POW10[] = {
    1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000,
    1000000000, 10000000000, 100000000000, 1000000000000, 10000000000000,
    100000000000000, 1000000000000000, 10000000000000000,
    100000000000000000, 1000000000000000000, 10000000000000000000u};
// clang-format on

/// A positive value rounded to 18 significant digits: n * 10^(exponent - 17)
/// with 10^17 <= n < 10^18.
struct Digits18 {
    std::uint64_t n;
    int exponent;
};

// General case: the standard library's correctly rounded conversion.
Digits18 RoundTo18DigitsSlow(double v) {
    char sci[40]; // "d.ddddddddddddddddde-xxx"
    const auto end = std::to_chars(sci, sci + sizeof sci, v,
                                   std::chars_format::scientific, 17)
                         .ptr;
    Digits18 result{static_cast<std::uint64_t>(sci[0] - '0'), 0};
    for (int i = 2; i < 19; ++i)
        result.n = result.n * 10 + static_cast<std::uint64_t>(sci[i] - '0');
    std::from_chars(sci + 21, end, result.exponent);
    if (sci[20] == '-')
        result.exponent = -result.exponent;
    return result;
}

// floor(v * 10^k) and the dropped fraction in 64 bits (fraction / 2^64), its
// last bit set where more was dropped below those (so that it still compares
// with one half and with zero as the whole fraction does), for v = m * 2^q,
// 0 <= k <= 22, q >= -127 and floor(v * 10^k) < 2^64: m * 10^k stays below
// 2^53 * 10^22 < 2^127, so the product is exact.
struct Scaled {
    std::uint64_t floor;
    std::uint64_t fraction;
};

constexpr std::uint64_t HALF = std::uint64_t{1} << 63;

Scaled ScaleExact(std::uint64_t m, int q, int k) {
    Uint128 p = static_cast<Uint128>(m) * POW10[std::min(k, 19)];
    if (k > 19)
        p *= POW10[k - 19];
    if (q >= 0)
        return {static_cast<std::uint64_t>(p << q), 0};
    const int shift = -q;
    const auto high = static_cast<std::uint64_t>(p >> 64);
    const auto low = static_cast<std::uint64_t>(p);
    if (shift <= 64) {
        // The point moved to bit 64: the floor is what lies above it.
        const int c = 64 - shift; // 0 to 63
        return {(high << c) | ((low >> 1) >> (63 - c)), low << c};
    }
    // Below 2^-12 only: bits beyond the fraction's 64 fold into its last.
    const Uint128 rest = p & ((static_cast<Uint128>(1) << shift) - 1);
    const int below = shift - 64;
    const bool sticky = (rest & ((static_cast<Uint128>(1) << below) - 1)) != 0;
    return {static_cast<std::uint64_t>(p >> shift),
            static_cast<std::uint64_t>(rest >> below) | (sticky ? 1u : 0u)};
}

// The roundings below decide with comparisons combined as bits rather than
// with branches: their outcomes follow the digits, which no branch predictor
// foresees, and a mispredicted branch costs more than the whole rounding
// (RealThroughText took 20 ns a value with branches, 9 ns without, timed on
// the values the converter's catalogue jobs write). Only the 19-digit case
// keeps its branch: it follows the binade, much the same from value to value
// in a column, and taken it spares a division.

Digits18 RoundTo18Digits(double v) {
    const auto bits = std::bit_cast<std::uint64_t>(v);
    const int biased = static_cast<int>(bits >> 52);
    const int binaryExp = biased - 1023; // 2^binaryExp <= v < 2^(binaryExp+1)
    // Exact integer arithmetic for 2^-16 <= v < 2^56, where every number
    // shown in a field lies; the rest goes through the standard library.
    // The converter writes every value and every intermediate through here:
    // with the library alone for all values its million-point jobs took
    // 1.34 to 1.54 times as long (make bench-cli, one thread).
    if (binaryExp < -16 || binaryExp > 55)
        return RoundTo18DigitsSlow(v);
    const std::uint64_t m =
        (bits & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1} << 52);
    const int q = biased - 1075;

    // floor(binaryExp * log10(2)) is the decimal exponent or, for the upper
    // part of some binades, one below it: v * 10^(17 - exponent) then has
    // 18 or 19 digits before the point, below 10^19 < 2^64.
    int exponent = (binaryExp * 78913) >> 18;
    const Scaled scaled = ScaleExact(m, q, 17 - exponent);
    // With 19 digits the last joins the dropped fraction, which becomes
    // (digit + fraction) / 10: below, at or above one half as the digit is
    // below 5, 5 with nothing after it, or more. The same as scaling again
    // by a tenth of the power, without a second product.
    const bool longer = scaled.floor >= POW10[18];
    const std::uint64_t tenth = scaled.floor / 10;
    const std::uint64_t digit = scaled.floor - tenth * 10;
    std::uint64_t n = longer ? tenth : scaled.floor;
    const bool nothing = scaled.fraction == 0;
    const bool above = longer ? (digit > 5) | ((digit == 5) & !nothing)
                              : scaled.fraction > HALF;
    const bool tie = longer ? (digit == 5) & nothing : scaled.fraction == HALF;
    exponent += longer;

    // To nearest, a tie to even.
    n += static_cast<std::uint64_t>(above | (tie & ((n & 1) != 0)));
    if (n == POW10[18]) {
        n = POW10[17];
        ++exponent;
    }
    return {n, exponent};
}

/// A positive value's 15 significant digits as written: n * 10^(exponent -
/// 14) with 10^14 <= n < 10^15.
struct Digits15 {
    std::uint64_t n;
    int exponent;
};

// Step 1: the exact binary value rounded to nearest at 18 significant digits.
// Step 2: those rounded to 15, a 16th digit of 5 or more rounding up; a carry
// out of the first digit (9.99999999999999951E2) gives 1 and one more in the
// exponent.
Digits15 RoundTo15Digits(double v) {
    const Digits18 exact = RoundTo18Digits(v);
    // Three digits of 500 or more carry one into the 15.
    Digits15 result{(exact.n + 500) / 1000, exact.exponent};
    if (result.n == POW10[15]) {
        result.n = POW10[14];
        ++result.exponent;
    }
    return result;
}

// The eight decimal digits of x < 10^8 as ASCII, the first in the lowest
// byte: x is split into halves of four digits (32-bit lanes), those into
// two-digit quarters (16-bit lanes), those into digits (bytes), each split a
// lane-wise multiply and shift that divides exactly for the lane's range
// (10486 / 2^20 for a quotient by 100 below 10^4, 103 / 2^10 for one by 10
// below 100). Against std::to_chars's two digits a step, the 15-digit writer
// took less than half the instructions a value (callgrind, the catalogue
// jobs).
std::uint64_t EightDigits(std::uint32_t x) {
    std::uint64_t v = (x / 10000) | (std::uint64_t{x % 10000} << 32);
    const std::uint64_t hundreds = ((v * 10486) >> 20) & 0x0000007F0000007Fu;
    v = hundreds | ((v - hundreds * 100) << 16);
    const std::uint64_t tens = ((v * 103) >> 10) & 0x000F000F000F000Fu;
    v = tens | ((v - tens * 10) << 8);
    return v + 0x3030303030303030u;
}

/// The 15 digits of 10^14 <= n < 10^15 at @p digits[1..15], '0' at [0].
void PutFifteenDigits(std::uint64_t n, char *digits) {
    const std::uint64_t high =
        EightDigits(static_cast<std::uint32_t>(n / 100000000));
    const std::uint64_t low =
        EightDigits(static_cast<std::uint32_t>(n % 100000000));
    std::memcpy(digits, &high, 8);
    std::memcpy(digits + 8, &low, 8);
}

/// The zeros at the end of the 15 digits that PutFifteenDigits wrote: the
/// last zero bytes of each half less '0', the last digit the highest byte.
int TrailingZeros(const char *digits) {
    std::uint64_t low = 0, high = 0;
    std::memcpy(&low, digits + 8, 8);
    low -= 0x3030303030303030u;
    if (low != 0)
        return std::countl_zero(low) / 8;
    std::memcpy(&high, digits, 8);
    high -= 0x3030303030303030u; // not zero: the first digit is not 0
    return 8 + std::countl_zero(high) / 8;
}

/// Copies @p n <= 32 bytes with two moves of fixed size each (overlapping
/// where @p n is not their sum) rather than a call; returns the end.
char *CopyShort(char *out, const char *text, std::size_t n) {
    if (n >= 16) {
        std::memcpy(out, text, 16);
        std::memcpy(out + n - 16, text + n - 16, 16);
    } else if (n >= 8) {
        std::memcpy(out, text, 8);
        std::memcpy(out + n - 8, text + n - 8, 8);
    } else if (n >= 4) {
        std::memcpy(out, text, 4);
        std::memcpy(out + n - 4, text + n - 4, 4);
    } else if (n > 0) {
        out[0] = text[0];
        out[n / 2] = text[n / 2];
        out[n - 1] = text[n - 1];
    }
    return out + n;
}

} // namespace

// ---------------------------------------------------------------------------
// Decimal separator
// ---------------------------------------------------------------------------

void SetDecimalSeparator(char separator) {
    const bool printable = separator > ' ' && separator <= '~';
    if (!printable || IsAsciiDigit(separator) || separator == '+' ||
        separator == '-' || separator == 'E' || separator == 'e')
        throw std::invalid_argument("unusable decimal separator");
    g_decimalSeparator.store(separator, std::memory_order_relaxed);
}

char GetDecimalSeparator() {
    return g_decimalSeparator.load(std::memory_order_relaxed);
}

// ---------------------------------------------------------------------------
// Writing
// ---------------------------------------------------------------------------

char *FormatIntegerTo(char *first, std::int32_t value) {
    return std::to_chars(first, first + FORMAT_INTEGER_MAX, value).ptr;
}

std::string FormatInteger(std::int32_t value) {
    char buffer[FORMAT_INTEGER_MAX];
    return std::string(buffer, FormatIntegerTo(buffer, value));
}

char *FormatRealTo(char *first, double value) {
    return FormatRealTo(first, value, GetDecimalSeparator());
}

char *FormatRealTo(char *first, double value, char separator) {
    char *out = first;
    if (std::isnan(value))
        return Put(out, "NAN");
    if (value < 0)
        *out++ = '-';
    if (std::isinf(value))
        return Put(out, "INF");
    if (value == 0) {
        *out++ = '0'; // -0 is not below zero, so it has no sign either
        return out;
    }

    const Digits15 rounded = RoundTo15Digits(std::fabs(value));
    const int exponent = rounded.exponent;
    // The digits at 1 to 15 after a '0'; the rest is filler that whole
    // 16-byte moves may carry along and the lengths leave out.
    char digits[32];
    PutFifteenDigits(rounded.n, digits);
    std::memset(digits + 16, '0', 16);
    const int count = 15 - TrailingZeros(digits);

    // Laid out in a scratch text with moves of fixed size, then copied out
    // at its length: nothing after the text is written.
    char text[48];
    char *t = text;
    if (exponent >= -4 && exponent < 15) {
        // Fixed notation, decided on the rounded value.
        if (exponent < 0) {
            t[0] = '0';
            t[1] = separator;
            std::memcpy(t + 2, "0000", 4);
            t += 2 + (-exponent - 1);
            std::memcpy(t, digits + 1, 16);
            t += count;
        } else {
            const int whole = exponent + 1;
            std::memcpy(t, digits + 1, 16);
            if (count <= whole) {
                t += whole; // trailing zeros of the whole part included
            } else {
                t[whole] = separator;
                std::memcpy(t + whole + 1, digits + 1 + whole, 16);
                t += count + 1;
            }
        }
    } else {
        // Scientific notation: "d[.ddd]E[-]x", no plus sign, no leading
        // zeros.
        *t++ = digits[1];
        if (count > 1) {
            *t++ = separator;
            std::memcpy(t, digits + 2, 16);
            t += count - 1;
        }
        *t++ = 'E';
        t = std::to_chars(t, t + 5, exponent).ptr;
    }
    return CopyShort(out, text, static_cast<std::size_t>(t - text));
}

std::string FormatReal(double value) {
    return FormatReal(value, GetDecimalSeparator());
}

std::string FormatReal(double value, char separator) {
    char buffer[FORMAT_REAL_MAX];
    return std::string(buffer, FormatRealTo(buffer, value, separator));
}

double RealThroughText(double value) {
    // The text is its 15 digits n times 10^scale, however it is laid out,
    // and ParseReal returns the double nearest to that. For |scale| <= 22
    // both factors are exact doubles (n < 2^53), so one correctly rounded
    // product or quotient is that double, as in ParseReal's own fast path.
    // The converter's chain reads its intermediate values back this way:
    // through the text each time, its UTM and EPSG:4326 to EPSG:5174 jobs
    // took 1.28 and 1.23 times as long (make bench-cli, one thread).
    if (std::isfinite(value) && value != 0) {
        const Digits15 rounded = RoundTo15Digits(std::fabs(value));
        const int scale = rounded.exponent - 14;
        if (scale >= -22 && scale <= 22) {
            const auto n = static_cast<double>(rounded.n);
            const double read =
                scale < 0 ? n / EXACT_POW10[-scale] : n * EXACT_POW10[scale];
            return value < 0 ? -read : read;
        }
    }
    char text[FORMAT_REAL_MAX];
    const char *end = FormatRealTo(text, value);
    return ParseReal(
        std::string_view(text, static_cast<std::size_t>(end - text)));
}

// ---------------------------------------------------------------------------
// Reading
// ---------------------------------------------------------------------------

std::int32_t ParseInteger(std::string_view text) {
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n && text[i] == ' ')
        ++i;
    if (i == n)
        ThrowNotInteger(text);

    // An unsigned text with a hexadecimal prefix.
    std::size_t hexStart = 0;
    if (text[i] == '$' || text[i] == 'x' || text[i] == 'X')
        hexStart = i + 1;
    else if (text[i] == '0' && i + 1 < n &&
             (text[i + 1] == 'x' || text[i + 1] == 'X'))
        hexStart = i + 2;
    if (hexStart != 0) {
        if (hexStart == n)
            ThrowNotInteger(text);
        std::uint32_t value = 0;
        for (std::size_t k = hexStart; k < n; ++k) {
            const int digit = HexDigitValue(text[k]);
            if (digit < 0)
                ThrowNotInteger(text);
            value = value * 16 + static_cast<std::uint32_t>(digit);
            if (value > 0x7FFF'FFFFu)
                ThrowNotInteger(text);
        }
        return static_cast<std::int32_t>(value);
    }

    bool negative = false;
    if (text[i] == '+' || text[i] == '-') {
        negative = text[i] == '-';
        ++i;
    }
    if (i == n)
        ThrowNotInteger(text);
    // Magnitude of the most negative value, the largest one allowed.
    const std::uint32_t limit = negative ? 0x8000'0000u : 0x7FFF'FFFFu;
    std::uint32_t value = 0;
    for (; i < n; ++i) {
        if (!IsAsciiDigit(text[i]))
            ThrowNotInteger(text);
        const auto digit = static_cast<std::uint32_t>(text[i] - '0');
        if (value > (limit - digit) / 10)
            ThrowNotInteger(text);
        value = value * 10 + digit;
    }
    if (negative)
        return static_cast<std::int32_t>(0u - value);
    return static_cast<std::int32_t>(value);
}

double ParseReal(std::string_view text) {
    return ParseReal(text, GetDecimalSeparator());
}

bool ParsePlainReal(std::string_view text, char separator, double &value) {
    const char *p = text.data();
    const char *const end = p + text.size();
    bool negative = false;
    if (p != end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    std::uint64_t digits = 0;
    std::size_t count = 0, fraction = 0;
    const auto length = static_cast<std::size_t>(end - p);
    if (length >= 1 && length <= 16) {
        if (!ShortDigits(p, length, separator, digits, count, fraction))
            return false;
    } else {
        // Digits on both sides of the separator go into one integer as
        // they are scanned; beyond 19 digits it wraps, and the text goes
        // elsewhere.
        const char *const wholeStart = p;
        while (p != end && IsAsciiDigit(*p))
            digits = digits * 10 + static_cast<std::uint64_t>(*p++ - '0');
        count = static_cast<std::size_t>(p - wholeStart);
        if (p != end && *p == separator) {
            const char *const fractionStart = ++p;
            while (p != end && IsAsciiDigit(*p))
                digits = digits * 10 + static_cast<std::uint64_t>(*p++ - '0');
            fraction = static_cast<std::size_t>(p - fractionStart);
            count += fraction;
        }
        if (p != end || count == 0 || count > 19)
            return false;
    }
    // The same exact operation as ParseReal's (see there).
    if (digits == 0) {
        value = negative ? -0.0 : 0.0;
        return true;
    }
    if (digits > (std::uint64_t{1} << 53) || fraction > 22)
        return false;
    const auto m = static_cast<double>(digits);
    const double v = fraction == 0 ? m : m / EXACT_POW10[fraction];
    value = negative ? -v : v;
    return true;
}

double ParseReal(std::string_view text, char separator) {
    // The field texts that the converter reads by the million, in one pass
    // (callgrind, the catalogue jobs: the three numbers of a line took 1,300
    // instructions through the general reader and the checks before it,
    // 500 so).
    if (double value = 0; ParsePlainReal(text, separator, value))
        return value;
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }

    const std::size_t wholeStart = i;
    while (i < n && IsAsciiDigit(text[i]))
        ++i;
    const std::string_view whole = text.substr(wholeStart, i - wholeStart);
    bool hasSeparator = false;
    std::string_view fraction;
    if (i < n && text[i] == separator) {
        hasSeparator = true;
        const std::size_t fractionStart = ++i;
        while (i < n && IsAsciiDigit(text[i]))
            ++i;
        fraction = text.substr(fractionStart, i - fractionStart);
    }
    if (whole.empty() && fraction.empty() && !hasSeparator)
        ThrowNotReal(text); // empty, a lone sign, or an exponent alone

    // Exponent; no digits after "E" and its sign counts as 0.
    std::int64_t exponent = 0;
    if (i < n && (text[i] == 'E' || text[i] == 'e')) {
        ++i;
        bool exponentNegative = false;
        if (i < n && (text[i] == '+' || text[i] == '-')) {
            exponentNegative = text[i] == '-';
            ++i;
        }
        for (; i < n && IsAsciiDigit(text[i]); ++i)
            if (exponent < EXPONENT_CAP)
                exponent = exponent * 10 + (text[i] - '0');
        if (exponentNegative)
            exponent = -exponent;
    }
    while (i < n && text[i] == ' ')
        ++i;
    if (i != n)
        ThrowNotReal(text);

    const double zero = negative ? -0.0 : 0.0;
    const std::int64_t scale =
        exponent - static_cast<std::int64_t>(fraction.size());

    // Exact digits times an exact power of ten, one correctly rounded
    // operation: covers the usual field texts without building a new one
    // (without it the converter's million-point jobs took 1.07 to 1.24
    // times as long, make bench-cli, one thread). Up to 19 digits are an
    // exact 64-bit integer, leading zeros included.
    if (whole.size() + fraction.size() <= 19) {
        std::uint64_t digits = 0;
        for (char c : whole)
            digits = digits * 10 + static_cast<std::uint64_t>(c - '0');
        for (char c : fraction)
            digits = digits * 10 + static_cast<std::uint64_t>(c - '0');
        if (digits == 0)
            return zero; // whatever the exponent
        if (digits <= (std::uint64_t{1} << 53) && scale >= -22 && scale <= 22) {
            const auto m = static_cast<double>(digits);
            const double value =
                scale < 0 ? m / EXACT_POW10[-scale] : m * EXACT_POW10[scale];
            return negative ? -value : value;
        }
    }

    Mantissa mantissa;
    mantissa.Add(whole);
    mantissa.Add(fraction);
    if (mantissa.lastNonZero < 0)
        return zero; // all digits zero, whatever the exponent

    // Decimal exponent of the leading significant digit.
    const std::int64_t sciExp = scale + mantissa.count - 1;
    if (sciExp > SCI_EXP_MAX)
        ThrowNotReal(text);
    if (sciExp < SCI_EXP_MIN)
        return zero;

    // Normalised text "ddd...d[1]e-x" for from_chars: significant digits
    // without trailing zeros, then the exponent of the last digit written.
    char normal[KEPT_DIGITS + 16];
    const auto significant = std::min<std::int64_t>(
        mantissa.lastNonZero + 1, static_cast<std::int64_t>(KEPT_DIGITS));
    char *out =
        std::copy(mantissa.digits, mantissa.digits + significant, normal);
    if (mantissa.sticky)
        *out++ = '1';
    *out++ = 'e';
    const auto lastExp = sciExp - (out - 1 - normal - 1);
    out = std::to_chars(out, normal + sizeof normal, lastExp).ptr;

    double value = 0;
    const auto result = std::from_chars(normal, out, value);
    if (result.ec == std::errc::result_out_of_range) {
        if (sciExp > 0)
            ThrowNotReal(text);
        return zero;
    }
    if (result.ec != std::errc() || result.ptr != out)
        ThrowNotReal(text); // cannot happen: the text is well formed
    return negative ? -value : value;
}

} // namespace Code
