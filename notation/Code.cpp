// Angle notation conversions between DD, DM, DMS and radians, and the
// splitting of catalogue texts into name and code.
#include "Code.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace Code {

namespace {

// The constants are doubles; they are widened exactly to long double and
// multiplied, never divided, so every step rounds as the published results
// require. Intermediates stay in long double (64-bit significand on x86-64)
// and only the outputs are rounded to double: this is where residual digits
// such as 5.11590769747272E-12 seconds for 37.1 degrees come from.
// The angle texts are defined by x87 extended-precision intermediates: the
// same routines with a 53-bit or 113-bit long double give other last digits.
static_assert(std::numeric_limits<long double>::digits == 64 &&
                  std::numeric_limits<long double>::radix == 2,
              "the angle routines need the x87 80-bit long double (x86-64)");

constexpr long double PI = 3.141592653589793;
constexpr long double ONE_OVER_PI = 0.3183098861837907;
constexpr long double ONE_OVER_180 = 0.005555555555555556;
constexpr long double ONE_OVER_60 = 0.016666666666666666;
constexpr long double ONE_OVER_3600 = 0.0002777777777777778;

/// Truncation toward zero to a 32-bit integer. Values beyond its range
/// saturate and NaN gives 0, so no input makes the conversion undefined.
std::int32_t Trunc(long double x) {
    if (std::isnan(x))
        return 0;
    if (x >= 2147483647.0L)
        return std::numeric_limits<std::int32_t>::max();
    if (x <= -2147483648.0L)
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(x);
}

long double SignOf(double dd) { return dd < 0 ? -1.0L : 1.0L; }

long double SignOf(std::int32_t degrees) { return degrees < 0 ? -1.0L : 1.0L; }

} // namespace

void RadianToDegree(double radians, double &degrees) {
    degrees = static_cast<double>((static_cast<long double>(radians) * 180.0L) *
                                  ONE_OVER_PI);
}

void DegreeToRadian(double degrees, double &radians) {
    radians = static_cast<double>((static_cast<long double>(degrees) * PI) *
                                  ONE_OVER_180);
}

void DdToDm(double dd, std::int32_t &degrees, double &minutes) {
    const long double sign = SignOf(dd);
    const long double a = std::fabs(static_cast<long double>(dd));
    const long double d = std::trunc(a);
    const long double m = (a - d) * 60.0L;
    degrees = Trunc(sign * a);
    // A negative angle above -1 degree has 0 degrees, which cannot carry the
    // sign: the minutes carry it instead (-0.5 gives 0 and -30), which is what
    // DmToDd reads back as the same negative angle.
    minutes = static_cast<double>(d == 0 && sign < 0 ? -m : m);
}

void DdToDms(double dd, std::int32_t &degrees, std::int32_t &minutes,
             double &seconds) {
    const long double sign = SignOf(dd);
    const long double a = std::fabs(static_cast<long double>(dd));
    const long double d = std::trunc(a);
    const long double m = (a - d) * 60.0L;
    const std::int32_t mOut = Trunc(m);
    // No rounding and no carry: the seconds are whatever remains.
    const long double s = (m - static_cast<long double>(mOut)) * 60.0L;
    degrees = Trunc(sign * a);
    if (d == 0 && sign < 0) {
        // Above -1 degree the sign moves to the minutes and the seconds; each
        // part that is not zero carries it (-0.01 gives 0, 0 and -36), so
        // DmsToDd reads back the same negative angle. A zero part stays
        // unsigned.
        minutes = -mOut;
        seconds = s == 0 ? 0.0 : static_cast<double>(-s);
    } else {
        minutes = mOut;
        seconds = static_cast<double>(s);
    }
}

void DmToDd(std::int32_t degrees, double minutes, double &dd) {
    // Minutes are added to the magnitude, so negative minutes lower it.
    const long double sign = SignOf(degrees);
    const long double d = std::fabs(static_cast<long double>(degrees));
    dd = static_cast<double>(
        (d + static_cast<long double>(minutes) * ONE_OVER_60) * sign);
}

void DmToDms(std::int32_t degrees, double minutes, std::int32_t &degreesOut,
             std::int32_t &minutesOut, double &seconds) {
    const long double m = minutes;
    const long double mTrunc = std::trunc(m);
    // |degrees| * sign is the input itself; kept as it is, which also spares
    // the magnitude of the most negative integer.
    degreesOut = degrees;
    minutesOut = Trunc(mTrunc);
    seconds = static_cast<double>((m - mTrunc) * 60.0L);
}

void DmsToDd(std::int32_t degrees, std::int32_t minutes, double seconds,
             double &dd) {
    const long double sign = SignOf(degrees);
    const long double d = std::fabs(static_cast<long double>(degrees));
    dd = static_cast<double>(
        ((d + static_cast<long double>(minutes) * ONE_OVER_60) +
         ONE_OVER_3600 * static_cast<long double>(seconds)) *
        sign);
}

void DmsToDm(std::int32_t degrees, std::int32_t minutes, double seconds,
             std::int32_t &degreesOut, double &minutesOut) {
    degreesOut = degrees;
    minutesOut =
        static_cast<double>(static_cast<long double>(minutes) +
                            ONE_OVER_60 * static_cast<long double>(seconds));
}

int SplitNameAndCode(std::string_view text, std::string &name,
                     std::string &code) {
    if (text.empty() || text.back() != ')') {
        name.assign(text);
        code.clear();
        return 0;
    }
    // The last "(" before the final ")": an inner parenthesis belongs to the
    // name ("Everest(Sabah Sarawak)(EB)").
    const std::size_t open = text.rfind('(', text.size() - 2);
    if (open == std::string_view::npos) {
        // A ")" with no "(" before it: no code can be cut out.
        name.assign(text);
        code.clear();
        return 0;
    }
    name.assign(text.substr(0, open));
    code.assign(text.substr(open + 1, text.size() - open - 2));
    return 1;
}

} // namespace Code
