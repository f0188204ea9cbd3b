// A whole point as one text.
#include "PointForms.h"

#include <cmath>
#include <cstdint>
#include <stdexcept>

namespace {

/// The 15-digit text of @p value with a decimal point.
std::string Number(double value) { return Code::FormatReal(value, '.'); }

/// Number() without an exponent: "1E-5" becomes "0.00001", "1.5E17"
/// "150000000000000000".
std::string PlainNumber(double value) {
    const std::string text = Number(value);
    const std::size_t e = text.find('E');
    if (e == std::string::npos)
        return text;
    const bool negative = text[0] == '-';
    std::string digits;
    for (std::size_t i = negative ? 1 : 0; i < e; ++i)
        if (text[i] != '.')
            digits += text[i];
    // The first digit stands for 10^exponent.
    const int exponent = std::stoi(text.substr(e + 1));
    std::string out = negative ? "-" : "";
    if (exponent < 0) {
        out += "0.";
        out.append(static_cast<std::size_t>(-exponent - 1), '0');
        out += digits;
    } else if (static_cast<std::size_t>(exponent) + 1 >= digits.size()) {
        out += digits;
        out.append(static_cast<std::size_t>(exponent) + 1 - digits.size(), '0');
    } else {
        out += digits.substr(0, static_cast<std::size_t>(exponent) + 1);
        out += '.';
        out += digits.substr(static_cast<std::size_t>(exponent) + 1);
    }
    return out;
}

/// One angle in whole degrees and minutes and seconds to five decimals,
/// followed by its hemisphere letter.
std::string Dms(double degrees, char positive, char negative,
                const char *what) {
    constexpr std::int64_t UNITS_PER_SECOND = 100000;
    constexpr std::int64_t UNITS_PER_MINUTE = 60 * UNITS_PER_SECOND;
    constexpr std::int64_t UNITS_PER_DEGREE = 60 * UNITS_PER_MINUTE;
    const long double a = std::fabs(static_cast<long double>(degrees));
    if (!(a < 1e9L))
        throw std::invalid_argument(std::string("the ") + what + " " +
                                    Code::FormatReal(degrees) +
                                    " is too large for degrees, minutes and "
                                    "seconds");
    // Rounded once, in units of 1e-5 seconds, so that 59.999996 seconds
    // carries into the minutes instead of showing as 60.
    const auto units = static_cast<std::int64_t>(
        std::llround(a * static_cast<long double>(UNITS_PER_DEGREE)));
    const std::int64_t d = units / UNITS_PER_DEGREE;
    const std::int64_t m = units % UNITS_PER_DEGREE / UNITS_PER_MINUTE;
    const std::int64_t s = units % UNITS_PER_MINUTE;
    std::string out = std::to_string(d) + "\u00B0" + std::to_string(m) + "'" +
                      std::to_string(s / UNITS_PER_SECOND);
    if (std::int64_t fraction = s % UNITS_PER_SECOND; fraction != 0) {
        std::string decimals = std::to_string(fraction);
        decimals.insert(0, 5 - decimals.size(), '0');
        while (decimals.back() == '0')
            decimals.pop_back();
        out += '.' + decimals;
    }
    out += '"';
    out += degrees < 0 ? negative : positive;
    return out;
}

} // namespace

std::string WritePoint(PointFormat format, const PointValues &point) {
    const auto &[first, second, third] = point;
    switch (format) {
    case PointFormat::Decimal:
    case PointFormat::Grid:
        return Number(first) + ", " + Number(second) + ", " + Number(third);
    case PointFormat::Dms:
        return Dms(first, 'N', 'S', "latitude") + " " +
               Dms(second, 'E', 'W', "longitude") + " " + Number(third);
    case PointFormat::GeoJson:
        return "{\"type\":\"Point\",\"coordinates\":[" + Number(second) + "," +
               Number(first) + "," + Number(third) + "]}";
    case PointFormat::Wkt:
        return "POINT Z (" + Number(second) + " " + Number(first) + " " +
               Number(third) + ")";
    case PointFormat::GeoUri:
        return "geo:" + PlainNumber(first) + "," + PlainNumber(second) + "," +
               PlainNumber(third);
    }
    return {};
}
