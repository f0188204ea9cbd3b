// A whole point as one text.
#include "PointForms.h"

#include "AngleForms.h"
#include "GridReferences.h"

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

/// One angle in whole degrees and minutes and seconds to five decimals
/// (0.3 mm), trailing zeros dropped, followed by its hemisphere letter.
std::string Dms(double degrees, char positive, char negative,
                const char *what) {
    try {
        return Code::FormatAngle(degrees, Code::AnglePart::Seconds, 5, Code::DMS_MARKS,
                                 positive, negative,
                               Code::DmsDecimals::Trimmed);
    } catch (const std::invalid_argument &e) {
        // "the latitude 1E300 is too large for degrees, minutes and seconds"
        throw std::invalid_argument(std::string("the ") + what + " " +
                                    e.what());
    }
}

} // namespace

bool OnWgs84(PointFormat format) {
    return format == PointFormat::GeoJson || format == PointFormat::GeoUri ||
           format == PointFormat::Mgrs || format == PointFormat::Geohash;
}

std::string WritePoint(PointFormat format, const PointValues &point) {
    const auto &[first, second, third] = point;
    switch (format) {
    case PointFormat::Decimal:
    case PointFormat::Grid:
        return Number(first) + ", " + Number(second) + ", " + Number(third);
    case PointFormat::Dms:
        return Dms(first, 'N', 'S', "latitude") + " " +
               Dms(second, 'E', 'W', "longitude") + " " + Number(third);
    case PointFormat::GeoJson: {
        char text[40 + 3 * Code::FORMAT_REAL_MAX];
        char *end = PutGeoJsonPoint(text, second, first, third,
                                    [](char *p, double value) {
                                        return Code::FormatRealTo(p, value,
                                                                  '.');
                                    });
        return std::string(text, end);
    }
    case PointFormat::Wkt:
        return "POINT Z (" + Number(second) + " " + Number(first) + " " +
               Number(third) + ")";
    case PointFormat::GeoUri:
        return "geo:" + PlainNumber(first) + "," + PlainNumber(second) + "," +
               PlainNumber(third);
    case PointFormat::Mgrs: {
        std::string text;
        WriteMgrs(first, second, MGRS_DIGITS_DEFAULT, text, MgrsLayout::Spaced);
        return text;
    }
    case PointFormat::Geohash: {
        std::string text;
        WriteGeohash(first, second, GEOHASH_LENGTH_DEFAULT, text);
        return "geohash:" + text;
    }
    }
    return {};
}

PointForSide ReadPointForSide(const Side &side, std::string_view text) {
    const PastedPoint pasted = ReadPastedPoint(text);
    PointForSide out;
    out.form = pasted.form;
    out.area = pasted.area;
    out.hasHeight = pasted.point.height.has_value();
    out.point = {pasted.point.latitude, pasted.point.longitude,
                 pasted.point.height.value_or(0.0)};
    if (pasted.wgs84 &&
        (side.System() || side.Engine().GetDatum() != DATUM_WGS84)) {
        out.point = Commands::FromWgs84(side, out.point);
        out.carried = true;
    }
    return out;
}
