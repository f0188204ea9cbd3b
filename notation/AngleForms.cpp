// One angle in all its notations at once, and the DMS text of the additions.
#include "AngleForms.h"

#include "Code.h"
#include "NumberText.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <utility>

namespace Code {

namespace {

/// The angle in every notation, as numbers.
struct AngleValues {
    double dd = 0;
    std::int32_t dmDegrees = 0;
    double dmMinutes = 0;
    std::int32_t dmsDegrees = 0;
    std::int32_t dmsMinutes = 0;
    double dmsSeconds = 0;
    double radians = 0;
};

/// Reads the texts of @p from, in field order; throws ConversionError at the
/// first that does not read.
void ReadNotation(AngleNotation from, const AngleTexts &texts, AngleValues &v) {
    switch (from) {
    case AngleNotation::Dd:
        v.dd = ParseReal(texts.dd);
        break;
    case AngleNotation::Dm:
        v.dmDegrees = ParseInteger(texts.dmDegrees);
        v.dmMinutes = ParseReal(texts.dmMinutes);
        break;
    case AngleNotation::Dms:
        v.dmsDegrees = ParseInteger(texts.dmsDegrees);
        v.dmsMinutes = ParseInteger(texts.dmsMinutes);
        v.dmsSeconds = ParseReal(texts.dmsSeconds);
        break;
    case AngleNotation::Radian:
        v.radians = ParseReal(texts.radians);
        break;
    }
}

/// The other notations from those read, each group of routines as the
/// windows have always called it.
void Convert(AngleNotation from, bool radians, AngleValues &v) {
    switch (from) {
    case AngleNotation::Dd:
        DdToDm(v.dd, v.dmDegrees, v.dmMinutes);
        DdToDms(v.dd, v.dmsDegrees, v.dmsMinutes, v.dmsSeconds);
        break;
    case AngleNotation::Dm:
        DmToDd(v.dmDegrees, v.dmMinutes, v.dd);
        DmToDms(v.dmDegrees, v.dmMinutes, v.dmsDegrees, v.dmsMinutes,
                v.dmsSeconds);
        break;
    case AngleNotation::Dms:
        DmsToDd(v.dmsDegrees, v.dmsMinutes, v.dmsSeconds, v.dd);
        DmsToDm(v.dmsDegrees, v.dmsMinutes, v.dmsSeconds, v.dmDegrees,
                v.dmMinutes);
        break;
    case AngleNotation::Radian:
        RadianToDegree(v.radians, v.dd);
        DdToDm(v.dd, v.dmDegrees, v.dmMinutes);
        DdToDms(v.dd, v.dmsDegrees, v.dmsMinutes, v.dmsSeconds);
        return;
    }
    if (radians)
        DegreeToRadian(v.dd, v.radians);
}

} // namespace

std::optional<AngleTexts> SyncAngle(AngleNotation from, AngleTexts texts,
                                    AngleFields fields, FaultCheck check) {
    AngleValues v;
    try {
        ReadNotation(from, texts, v);
    } catch (const ConversionError &) {
        // Rule 6: an empty field, a lone "-" or a half-typed number; the user
        // is on the way to a number, so nothing is written and nothing said.
        return std::nullopt;
    }

    // Of the routines only RadianToDegree can fault (its result overflows a
    // double beyond about 3.1E306 radians); the others, given values that
    // read, stay finite. All run under the check all the same, so that a
    // fault ends in the error box and never as "INF" in a field. The check
    // sees out-of-line calls into Code.cpp that store their results into v
    // before they return, so none of their arithmetic can move past the
    // test of the flags.
    const bool radians = fields == AngleFields::DegreesAndRadians;
    check([&v, from, radians] { Convert(from, radians, v); });

    AngleTexts out = std::move(texts);
    if (from != AngleNotation::Dd)
        out.dd = FormatReal(v.dd);
    if (from != AngleNotation::Dm) {
        out.dmDegrees = FormatInteger(v.dmDegrees);
        out.dmMinutes = FormatReal(v.dmMinutes);
    }
    if (from != AngleNotation::Dms) {
        out.dmsDegrees = FormatInteger(v.dmsDegrees);
        out.dmsMinutes = FormatInteger(v.dmsMinutes);
        out.dmsSeconds = FormatReal(v.dmsSeconds);
    }
    if (radians && from != AngleNotation::Radian)
        out.radians = FormatReal(v.radians);
    return out;
}

// ---- the DM and DMS texts of the additions ------------------------------------

std::string FormatAngle(double degrees, AnglePart last, int precision,
                        const DmsJoiner &joiner, char positive, char negative,
                        DmsDecimals decimals) {
    constexpr int PRECISION_MAX = 17;
    if (precision < 0 || precision > PRECISION_MAX)
        throw std::invalid_argument("an angle's last part takes 0 to 17 "
                                    "decimals");
    const double a = std::fabs(degrees);
    if (!(a < 1e9))
        throw std::invalid_argument(FormatReal(degrees) +
                                    " is too large for degrees, minutes and "
                                    "seconds");

    std::int32_t d = 0, m = 0;
    double rest = 0; // the last part: minutes (DM) or seconds (DMS)
    if (last == AnglePart::Minutes)
        DdToDm(a, d, rest);
    else
        DdToDms(a, d, m, rest);

    // The last part below 60 with at most 17 decimals: "59." and 17 digits.
    char text[32];
    auto Fixed = [&text, precision](double value) {
        const std::to_chars_result r = std::to_chars(
            text, text + sizeof text, value, std::chars_format::fixed,
            precision);
        return r.ptr;
    };
    char *end = Fixed(rest);
    // The routines leave the last part below 60, but rounding may reach it:
    // the part before it is then complete, and a 60th minute the degree.
    if (end - text >= 2 && text[0] == '6' && text[1] == '0' &&
        (end - text == 2 || text[2] == '.')) {
        end = Fixed(0.0);
        if (last == AnglePart::Minutes || ++m == 60) {
            m = 0;
            ++d;
        }
    }
    if (decimals == DmsDecimals::Trimmed && precision > 0) {
        while (end[-1] == '0')
            --end;
        if (end[-1] == '.')
            --end;
    }

    std::string out = std::to_string(d);
    out += joiner.degrees;
    if (last == AnglePart::Seconds) {
        out += std::to_string(m);
        out += joiner.minutes;
        out.append(text, end);
        out += joiner.seconds;
    } else {
        out.append(text, end);
        out += joiner.minutes;
    }
    out += degrees < 0 ? negative : positive;
    return out;
}

} // namespace Code
