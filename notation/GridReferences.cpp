// MGRS references, UPS coordinates and geohashes through GeographicLib.
//
// GeographicLib's MGRS class follows the grid reference system of DMA TM
// 8358.1 (chapter 3) as updated by NGA.STND.0037 and NGA.SIG.0012 (2014);
// its UTMUPS class the zones of DMA TM 8358.2 with the Norway and Svalbard
// exceptions; its Geohash class the public-domain geohash of geohash.org.
// Nothing of them is written here: this file removes blanks, says why a
// reference is refused in the readers' manner, and lays references out.
#include "GridReferences.h"

#include "AngleText.h"
#include "NumberText.h"
#include "TextParts.h"

#include <GeographicLib/Geohash.hpp>
#include <GeographicLib/MGRS.hpp>
#include <GeographicLib/UTMUPS.hpp>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace {

/// Longest reference text read, blanks removed: a UTM reference has at most
/// 2 + 1 + 2 + 22 characters; anything much longer is no reference, and
/// GeographicLib's reasons quote what they refuse.
constexpr std::size_t REFERENCE_MAX = 40;

/// GeographicLib's reason as a message's: its first letter in lower case,
/// the input it quotes made safe.
std::string Reason(const std::exception &e) {
    std::string reason = EscapeForMessage(e.what());
    if (!reason.empty())
        reason[0] = LowerAscii(reason[0]);
    return reason;
}

/// @p text without its blanks (spaces and tabs anywhere).
std::string WithoutBlanks(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text)
        if (!IsBlank(c))
            out += c;
    return out;
}

void CheckLatitude(double lat) {
    if (!(lat >= -90 && lat <= 90))
        throw InputError("latitude " + Code::FormatReal(lat, '.') +
                         " is outside -90 to 90");
}

void CheckLongitude(double lon) {
    if (!std::isfinite(lon))
        throw InputError("longitude " + Code::FormatReal(lon, '.') +
                         " is not a number");
}

[[noreturn]] void RefuseMgrs(std::string_view text, const std::string &why) {
    throw InputError(QuoteInput(text) + " is not an MGRS reference: " + why);
}

[[noreturn]] void RefuseGeohash(std::string_view text, const std::string &why) {
    throw InputError(QuoteInput(text) + " is not a geohash: " + why);
}

/// The geohash alphabet: base 32 without a, i, l and o.
constexpr std::string_view GEOHASH_ALPHABET =
    "0123456789bcdefghjkmnpqrstuvwxyz";

bool AllDigits(std::string_view text) {
    if (text.empty())
        return false;
    for (const char c : text)
        if (!IsAsciiDigit(c))
            return false;
    return true;
}

} // namespace

// ---- writing
// --------------------------------------------------------------------

void WriteMgrs(double lat, double lon, int digits, std::string &out,
               MgrsLayout layout) {
    if (digits < MGRS_DIGITS_MIN || digits > MGRS_DIGITS_MAX)
        throw std::invalid_argument("MGRS digits outside 0 to 11");
    CheckLatitude(lat);
    CheckLongitude(lon);
    int zone = 0;
    bool north = true;
    double x = 0, y = 0;
    try {
        // The standard zone, then the reference in it with the latitude's
        // own band (the band of a point within 5 nm of a band's edge is
        // decided by its latitude, not by its northing).
        GeographicLib::UTMUPS::Forward(lat, lon, zone, north, x, y);
        GeographicLib::MGRS::Forward(zone, north, x, y, lat, digits, out);
    } catch (const GeographicLib::GeographicErr &e) {
        throw InputError("no MGRS reference: " + Reason(e));
    }
    if (layout == MgrsLayout::Compact)
        return;
    // "52S CG 21459 59650": the grid zone, the square, easting, northing.
    const std::size_t square =
        out.size() - 2 * static_cast<std::size_t>(digits);
    const std::size_t zoneEnd = square - 2;
    std::string spaced = out.substr(0, zoneEnd) + " " + out.substr(zoneEnd, 2);
    if (digits > 0) {
        spaced += " " + out.substr(square, static_cast<std::size_t>(digits));
        spaced += " " + out.substr(square + static_cast<std::size_t>(digits));
    }
    out = std::move(spaced);
}

UpsPoint ToUps(double lat, double lon) {
    CheckLatitude(lat);
    CheckLongitude(lon);
    UpsPoint ups;
    int zone = 0;
    double gamma = 0, k = 0;
    try {
        GeographicLib::UTMUPS::Forward(lat, lon, zone, ups.north, ups.easting,
                                       ups.northing, gamma, k,
                                       GeographicLib::UTMUPS::UPS);
    } catch (const GeographicLib::GeographicErr &e) {
        throw InputError("latitude " + Code::FormatReal(lat, '.') +
                         " is outside UPS's range: " + Reason(e));
    }
    return ups;
}

void WriteGeohash(double lat, double lon, int length, std::string &out) {
    CheckLatitude(lat);
    CheckLongitude(lon);
    try {
        GeographicLib::Geohash::Forward(lat, lon, length, out);
    } catch (const GeographicLib::GeographicErr &e) {
        throw InputError("no geohash: " + Reason(e));
    }
}

// ---- reading
// --------------------------------------------------------------------

ReferencePoint ReadMgrs(std::string_view text) {
    const std::string mgrs = WithoutBlanks(text);
    if (mgrs.empty())
        RefuseMgrs(text, "it is empty");
    if (mgrs.size() > REFERENCE_MAX)
        RefuseMgrs(text, "more than " + std::to_string(REFERENCE_MAX) +
                             " characters");
    // GeographicLib reads "INVALID" (anything that starts "INV") as its own
    // mark of no point.
    if (mgrs.size() >= 3 && LowerAscii(mgrs.substr(0, 3)) == "inv")
        RefuseMgrs(text, "it names no point");
    int zone = 0, precision = 0;
    bool north = true;
    double x = 0, y = 0;
    ReferencePoint point;
    try {
        GeographicLib::MGRS::Reverse(mgrs, zone, north, x, y, precision, true);
    } catch (const GeographicLib::GeographicErr &e) {
        RefuseMgrs(text, Reason(e));
    }
    if (precision < 0)
        RefuseMgrs(text, "a grid zone alone names no 100 km square");
    try {
        GeographicLib::UTMUPS::Reverse(zone, north, x, y, point.latitude,
                                       point.longitude);
    } catch (const GeographicLib::GeographicErr &e) {
        RefuseMgrs(text, Reason(e));
    }
    point.precision = precision;
    return point;
}

ReferencePoint ReadGeohash(std::string_view text) {
    const std::string hash = WithoutBlanks(text);
    if (hash.empty())
        RefuseGeohash(text, "it is empty");
    if (hash.size() > static_cast<std::size_t>(GEOHASH_LENGTH_MAX))
        // GeographicLib would read the first 18 and drop the rest.
        RefuseGeohash(text, "more than " + std::to_string(GEOHASH_LENGTH_MAX) +
                                " characters");
    // The alphabet's character that is not one, named (GeographicLib's
    // reason does not say which); "inv" and "nan" are GeographicLib's marks
    // of no point, and fall here too (i, a).
    for (const char c : hash)
        if (GEOHASH_ALPHABET.find(LowerAscii(c)) == std::string_view::npos)
            RefuseGeohash(text, QuoteInput(std::string_view(&c, 1)) +
                                    " is not in the geohash alphabet (0-9 and "
                                    "b-z but i, l and o)");
    ReferencePoint point;
    int length = 0;
    try {
        GeographicLib::Geohash::Reverse(hash, point.latitude, point.longitude,
                                        length, true);
    } catch (const GeographicLib::GeographicErr &e) {
        RefuseGeohash(text, Reason(e));
    }
    point.precision = length;
    return point;
}

std::string MgrsSquareText(int digits) {
    static constexpr const char *SIDES[] = {
        "100 km", "10 km", "1 km", "100 m",  "10 m",  "1 m",
        "10 cm",  "1 cm",  "1 mm", "100 µm", "10 µm", "1 µm"};
    if (digits < 0 || digits > MGRS_DIGITS_MAX)
        return {};
    return SIDES[digits];
}

std::string GeohashCellText(int length) {
    char text[64];
    std::snprintf(
        text, sizeof text, "%.3g° by %.3g°",
        static_cast<double>(GeographicLib::Geohash::LatitudeResolution(length)),
        static_cast<double>(
            GeographicLib::Geohash::LongitudeResolution(length)));
    return text;
}

// ---- a reference spread over fields
// -----------------------------------------------------------

namespace {

/// A field that starts a reference: a zone with its band ("52S") or a UPS
/// band ("Z"), alone or with its square letters and digits after them
/// ("52SCG", "52SCG21459", "ZAB").
bool StartsReference(std::string_view field, bool &squareGiven) {
    std::size_t i = 0;
    while (i < field.size() && i < 2 && IsAsciiDigit(field[i]))
        ++i;
    const bool ups = i == 0;
    if (i >= field.size() || !IsAsciiLetter(field[i]))
        return false;
    if (ups && !std::strchr("ABYZabyz", field[i]))
        return false;
    ++i;
    if (i == field.size()) {
        squareGiven = false;
        return true;
    }
    if (i + 2 > field.size() || !IsAsciiLetter(field[i]) ||
        !IsAsciiLetter(field[i + 1]))
        return false;
    i += 2;
    while (i < field.size() && IsAsciiDigit(field[i]))
        ++i;
    squareGiven = true;
    return i == field.size();
}

/// The digits at the end of a field that holds the square letters.
std::size_t TrailingDigits(std::string_view field) {
    std::size_t n = 0;
    while (n < field.size() && IsAsciiDigit(field[field.size() - 1 - n]))
        ++n;
    return n;
}

bool SquareLetters(std::string_view field) {
    if (field.size() < 2 || !IsAsciiLetter(field[0]) ||
        !IsAsciiLetter(field[1]))
        return false;
    return field.size() == 2 || AllDigits(field.substr(2));
}

} // namespace

void GroupMgrsFields(const std::vector<std::string_view> &fields,
                     std::size_t start, std::vector<FieldSpan> &values) {
    values.clear();
    const std::size_t n = fields.size();
    std::size_t i = start;
    while (i < n) {
        const auto first = static_cast<std::uint32_t>(i);
        bool squareGiven = false;
        const std::string_view field = TrimBlanks(fields[i]);
        if (!StartsReference(field, squareGiven)) {
            values.push_back({first, first});
            ++i;
            continue;
        }
        std::size_t last = i;
        std::size_t digits = 0; // of the field that holds the last digits
        if (squareGiven) {
            digits = TrailingDigits(field);
        } else if (last + 1 < n &&
                   SquareLetters(TrimBlanks(fields[last + 1]))) {
            ++last;
            digits = TrailingDigits(TrimBlanks(fields[last]));
        }
        const bool squareFound = squareGiven || last > i;
        if (squareFound && digits == 0 && last + 1 < n &&
            AllDigits(TrimBlanks(fields[last + 1]))) {
            // The digits in a field of their own: both halves, or the
            // easting with the northing in the next field.
            ++last;
            digits = TrimBlanks(fields[last]).size();
        }
        if (squareFound && digits != 0 && last + 1 < n &&
            TrimBlanks(fields[last + 1]).size() == digits &&
            AllDigits(TrimBlanks(fields[last + 1])))
            ++last; // the northing, as long as the easting
        values.push_back({first, static_cast<std::uint32_t>(last)});
        i = last + 1;
    }
}
