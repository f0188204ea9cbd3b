// Angle fields of batch input, read as the window's DD, DM and DMS fields.
#include "AngleText.h"

#include "Chain.h"
#include "Code.h"
#include "NumberText.h"

#include <charconv>
#include <cstdint>
#include <string>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

enum class Unit { None, Colon, Degrees, Minutes, Seconds };

/// One number of a notation with the mark that follows it.
struct Part {
    std::string_view number;
    bool whole = true; ///< no fraction
    Unit unit = Unit::None;
};

[[noreturn]] void ThrowNotAngle(std::string_view field) {
    throw InputError("'" + std::string(field) + "' is not a valid angle");
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

/// Matches the mark at the start of @p text; sets its length.
Unit MatchMark(std::string_view text, std::size_t &length) {
    // Longer marks first: two apostrophes are seconds, one is minutes.
    static constexpr struct {
        std::string_view text;
        Unit unit;
    } MARKS[] = {
        {"''", Unit::Seconds},     {"\u2033", Unit::Seconds},
        {"\u201D", Unit::Seconds}, {"\"", Unit::Seconds},
        {"s", Unit::Seconds},      {"\u2032", Unit::Minutes},
        {"\u2019", Unit::Minutes}, {"'", Unit::Minutes},
        {"m", Unit::Minutes},      {"\u00B0", Unit::Degrees},
        {"\u00BA", Unit::Degrees}, {"d", Unit::Degrees},
        {":", Unit::Colon},
    };
    for (const auto &mark : MARKS)
        if (StartsWith(text, mark.text)) {
            length = mark.text.size();
            return mark.unit;
        }
    length = 0;
    return Unit::None;
}

/// True when @p body holds anything that only a notation can hold.
bool HasMark(std::string_view body) {
    for (std::size_t i = 0; i < body.size(); ++i) {
        const char c = body[i];
        if (c == ':' || c == 'd' || c == 'm' || c == 's' || c == '\'' ||
            c == '"')
            return true;
        std::size_t length = 0;
        if (static_cast<unsigned char>(c) >= 0x80 &&
            MatchMark(body.substr(i), length) != Unit::None)
            return true;
    }
    return false;
}

/// An optional sign, digits with at most one point, at least one digit, and
/// short: the texts of the 15-digit format and of typical input.
bool IsPlainDecimal(std::string_view text) {
    constexpr std::size_t PLAIN_MAX = 40;
    const std::size_t n = text.size();
    if (n == 0 || n > PLAIN_MAX)
        return false;
    std::size_t i = text[0] == '-' || text[0] == '+' ? 1 : 0;
    bool point = false, digit = false;
    for (; i < n; ++i) {
        const char c = text[i];
        if (IsDigit(c))
            digit = true;
        else if (c == '.' && !point)
            point = true;
        else
            return false;
    }
    return digit;
}

/// Splits a notation into its numbers and marks; false when malformed.
bool SplitParts(std::string_view body, Part (&parts)[3], int &count) {
    count = 0;
    std::size_t i = 0;
    const std::size_t n = body.size();
    while (i < n) {
        if (count == 3)
            return false;
        Part &part = parts[count++];
        const std::size_t start = i;
        std::size_t digits = 0;
        while (i < n && IsDigit(body[i])) {
            ++i;
            ++digits;
        }
        if (i < n && body[i] == '.') {
            part.whole = false;
            ++i;
            while (i < n && IsDigit(body[i])) {
                ++i;
                ++digits;
            }
        }
        if (digits == 0)
            return false;
        part.number = body.substr(start, i - start);
        std::size_t length = 0;
        part.unit = MatchMark(body.substr(i), length);
        i += length;
        if (part.unit == Unit::None)
            return i == n; // an unmarked number only at the end
        if (part.unit != Unit::Colon)
            while (i < n && IsBlank(body[i]))
                ++i;
        else if (i == n)
            return false; // "37:" has no minutes
    }
    return count > 0;
}

} // namespace

double ReadReal(std::string_view text) {
    // A plain decimal goes to from_chars; everything else, blanks included,
    // to ParseReal, which also owns every message.
    if (IsPlainDecimal(text) && Code::GetDecimalSeparator() == '.') {
        const std::size_t start = text[0] == '-' || text[0] == '+' ? 1 : 0;
        double value = 0;
        const char *first = text.data() + start;
        const char *last = text.data() + text.size();
        const auto result = std::from_chars(first, last, value);
        if (result.ec == std::errc() && result.ptr == last)
            return text[0] == '-' ? -value : value;
    }
    return Code::ParseReal(text);
}

std::string_view TrimBlanks(std::string_view text) {
    std::size_t first = 0, last = text.size();
    while (first < last && IsBlank(text[first]))
        ++first;
    while (last > first && IsBlank(text[last - 1]))
        --last;
    return text.substr(first, last - first);
}

double ReadAngle(std::string_view field, AngleAxis axis) {
    const std::string_view text = TrimBlanks(field);
    if (IsPlainDecimal(text))
        return ReadReal(text); // the common case, without the notation checks
    std::string_view body = text;

    // Hemisphere letter, before or after (upper case only: a lower-case "s"
    // is the seconds mark, a lower-case "e" an exponent).
    char hemisphere = 0;
    auto isHemisphere = [](char c) {
        return c == 'N' || c == 'S' || c == 'E' || c == 'W';
    };
    if (!body.empty() && isHemisphere(body.front())) {
        hemisphere = body.front();
        body = TrimBlanks(body.substr(1));
    }
    if (!body.empty() && isHemisphere(body.back())) {
        if (hemisphere != 0)
            ThrowNotAngle(text);
        hemisphere = body.back();
        body = TrimBlanks(body.substr(0, body.size() - 1));
    }
    if (hemisphere != 0) {
        const bool latitudeLetter = hemisphere == 'N' || hemisphere == 'S';
        if (latitudeLetter != (axis == AngleAxis::Latitude))
            throw InputError(
                "'" + std::string(text) + "' is not a valid " +
                (axis == AngleAxis::Latitude ? "latitude" : "longitude"));
    }

    bool negative = hemisphere == 'S' || hemisphere == 'W';
    const bool marked = HasMark(body);
    if (!body.empty() && (body.front() == '-' || body.front() == '+')) {
        if (hemisphere != 0)
            ThrowNotAngle(text); // a sign and a hemisphere letter together
        if (marked) {
            negative = body.front() == '-';
            body = TrimBlanks(body.substr(1));
        }
    }

    // Plain decimal degrees: the DD field's text as it stands.
    if (!marked) {
        if (hemisphere == 0)
            return ReadReal(text);
        if (body.empty() || body.front() == '-' || body.front() == '+')
            ThrowNotAngle(text);
        double value = 0;
        try {
            value = ReadReal(body);
        } catch (const Code::ConversionError &) {
            ThrowNotAngle(text);
        }
        return negative ? -value : value;
    }

    Part parts[3];
    int count = 0;
    if (!SplitParts(body, parts, count))
        ThrowNotAngle(text);

    // Give every part its unit: all colons, or marks in increasing order
    // starting with degrees, where the last part may go unmarked.
    Unit units[3] = {Unit::None, Unit::None, Unit::None};
    const bool colons = parts[0].unit == Unit::Colon;
    for (int k = 0; k < count; ++k) {
        Unit unit = parts[k].unit;
        if (colons) {
            if (unit != Unit::Colon && !(k == count - 1 && unit == Unit::None))
                ThrowNotAngle(text);
            unit = k == 0 ? Unit::Degrees
                          : (k == 1 ? Unit::Minutes : Unit::Seconds);
        } else if (unit == Unit::Colon) {
            ThrowNotAngle(text);
        } else if (unit == Unit::None) {
            if (k == 0)
                ThrowNotAngle(text);
            if (units[k - 1] == Unit::Seconds)
                ThrowNotAngle(text);
            unit = static_cast<Unit>(static_cast<int>(units[k - 1]) + 1);
        }
        if (k == 0 ? unit != Unit::Degrees : unit <= units[k - 1])
            ThrowNotAngle(text);
        units[k] = unit;
        if (k < count - 1 && !parts[k].whole)
            ThrowNotAngle(text); // only the last part has a fraction
    }
    if (colons && count == 1)
        ThrowNotAngle(text);

    try {
        const Unit last = units[count - 1];
        if (last == Unit::Degrees) {
            // Decimal degrees with a mark: the DD field's text.
            const double value = ReadReal(parts[0].number);
            return negative ? -value : value;
        }
        // The sign goes to the degrees; above -1 degree, where the degrees
        // are 0, to the minutes and seconds, which the conversions add to the
        // magnitude of the degrees.
        std::int32_t degrees = Code::ParseInteger(parts[0].number);
        double dd = 0;
        if (last == Unit::Minutes) {
            double minutes = ReadReal(parts[count - 1].number);
            if (negative) {
                if (degrees != 0)
                    degrees = -degrees;
                else
                    minutes = -minutes;
            }
            Code::DmToDd(degrees, minutes, dd);
        } else {
            std::int32_t minutes = count == 3 || units[1] == Unit::Minutes
                                       ? Code::ParseInteger(parts[1].number)
                                       : 0;
            double seconds = ReadReal(parts[count - 1].number);
            if (negative) {
                if (degrees != 0) {
                    degrees = -degrees;
                } else {
                    minutes = -minutes;
                    seconds = -seconds;
                }
            }
            Code::DmsToDd(degrees, minutes, seconds, dd);
        }
        // Written into the DD field and read back from it.
        return ThroughText(dd);
    } catch (const Code::ConversionError &) {
        ThrowNotAngle(text); // a part beyond the integer or double range
    }
}
