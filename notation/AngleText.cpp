// Angles and reals of batch input and pasted text, read strictly.
#include "AngleText.h"

#include "TextParts.h"

#include "Code.h"
#include "NumberText.h"

#include <cstdint>
#include <string>

namespace {

enum class Unit { None, Colon, Degrees, Minutes, Seconds };

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

constexpr std::string_view MINUS_SIGN = "\u2212";

[[noreturn, gnu::noinline]] void Refuse(std::string_view text, const char *what,
                                        const char *reason) {
    std::string message = QuoteInput(text);
    message.append(" is not a valid ").append(what);
    if (reason != nullptr && *reason != '\0')
        message.append(": ").append(reason);
    throw InputError(message);
}

/// The value of a text that IsNumberText accepts (or unsigned digits with a
/// point), as Code::ParseReal reads it with "." as the separator.
/// @return false when the value is beyond the double range.
bool DecimalValue(std::string_view text, double &value) {
    try {
        value = Code::ParseReal(text, '.');
        return true;
    } catch (const Code::ConversionError &) {
        return false; // the syntax was checked: only the range is left
    }
}

/// One number of a notation with the mark that follows it.
struct Part {
    std::string_view number;
    bool whole = true;
    Unit unit = Unit::None;
};

/// The DD field's text of a DM or DMS angle, read back.
double FromParts(const Part (&parts)[3], const Unit (&units)[3], int count,
                 bool negative, std::string_view text, const char *what) {
    double last = 0;
    if (!DecimalValue(parts[count - 1].number, last))
        Refuse(text, what, "a part is out of range");
    const Unit lastUnit = units[count - 1];
    if (lastUnit == Unit::Degrees)
        return negative ? -last : last;

    // Degrees before minutes are whole; beyond 360 no angle is meant.
    double wholeDegrees = 0;
    if (!DecimalValue(parts[0].number, wholeDegrees) || wholeDegrees > 360)
        Refuse(text, what, "degrees beyond 360");
    std::int32_t degrees = static_cast<std::int32_t>(wholeDegrees);
    double dd = 0;
    if (lastUnit == Unit::Minutes) {
        if (!(last < 60))
            Refuse(text, what, "minutes must be below 60");
        double minutes = last;
        // The sign goes to the degrees; above -1 degree, where the degrees
        // are 0, to the minutes, which DmToDd adds to their magnitude.
        if (negative) {
            if (degrees != 0)
                degrees = -degrees;
            else
                minutes = -minutes;
        }
        Code::DmToDd(degrees, minutes, dd);
    } else {
        double wholeMinutes = 0;
        if (count == 3) { // D M S; D S has no minutes
            if (!DecimalValue(parts[1].number, wholeMinutes) ||
                !(wholeMinutes < 60))
                Refuse(text, what, "minutes must be below 60");
        }
        if (!(last < 60))
            Refuse(text, what, "seconds must be below 60");
        auto minutes = static_cast<std::int32_t>(wholeMinutes);
        double seconds = last;
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
    return Code::RealThroughText(dd);
}

/// True when the trailing "s" of @p body is the seconds mark of the letter
/// style ("37d28m54s"), not the hemisphere letter.
bool IsSecondsMark(std::string_view body) {
    const std::string_view before = body.substr(0, body.size() - 1);
    if (before.empty() ||
        !(IsAsciiDigit(before.back()) || before.back() == '.'))
        return false;
    for (std::size_t i = 1; i < before.size(); ++i)
        if ((before[i] == 'd' || before[i] == 'm') &&
            IsAsciiDigit(before[i - 1]))
            return true;
    return false;
}

} // namespace

// ---- messages
// -------------------------------------------------------------------

bool IsHemisphereLetter(char c) {
    switch (c) {
    case 'N':
    case 'S':
    case 'E':
    case 'W':
    case 'n':
    case 's':
    case 'e':
    case 'w':
        return true;
    default:
        return false;
    }
}

int MatchAngleMark(std::string_view text, std::size_t &length) {
    switch (MatchMark(text, length)) {
    case Unit::Degrees:
        return 1;
    case Unit::Minutes:
        return 2;
    case Unit::Seconds:
        return 3;
    case Unit::Colon:
        return 4;
    default:
        return 0;
    }
}

std::string EscapeForMessage(std::string_view text) {
    static constexpr char HEX[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size());
    const auto *s = reinterpret_cast<const unsigned char *>(text.data());
    const std::size_t n = text.size();
    auto escape = [&](std::size_t from, std::size_t count) {
        for (std::size_t k = from; k < from + count; ++k) {
            out += "\\x";
            out += HEX[s[k] >> 4];
            out += HEX[s[k] & 15];
        }
    };
    std::size_t i = 0;
    while (i < n) {
        const unsigned char c = s[i];
        if (c < 0x80) {
            if (c < 0x20 || c == 0x7F)
                escape(i, 1);
            else if (c == '\\')
                out += "\\\\";
            else
                out += static_cast<char>(c);
            ++i;
            continue;
        }
        std::uint32_t cp = 0;
        const std::size_t length = Utf8Sequence(text, i, cp);
        const bool ok = length != 0;
        if (!ok) {
            escape(i, 1);
            ++i;
            continue;
        }
        // C1 controls, line and paragraph separators, and the directional
        // overrides and isolates that reorder what a terminal shows.
        const bool unsafe = (cp >= 0x80 && cp <= 0x9F) || cp == 0x2028 ||
                            cp == 0x2029 || (cp >= 0x202A && cp <= 0x202E) ||
                            (cp >= 0x2066 && cp <= 0x2069);
        if (unsafe)
            escape(i, length);
        else
            out.append(text.data() + i, length);
        i += length;
    }
    return out;
}

std::string QuoteInput(std::string_view text) {
    bool cut = false;
    if (text.size() > QUOTE_MAX) {
        std::size_t end = QUOTE_MAX;
        // Back to the start of a UTF-8 character (at most three steps).
        for (int k = 0; k < 3 && end > 0 &&
                        (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80;
             ++k)
            --end;
        text = text.substr(0, end);
        cut = true;
    }
    std::string out = "'" + EscapeForMessage(text);
    out += cut ? "...'" : "'";
    return out;
}

// ---- numbers
// --------------------------------------------------------------------

bool IsNumberText(std::string_view text) {
    const std::size_t n = text.size();
    std::size_t i = 0;
    if (i < n && (text[i] == '+' || text[i] == '-'))
        ++i;
    bool digit = false;
    while (i < n && IsAsciiDigit(text[i])) {
        ++i;
        digit = true;
    }
    if (i < n && text[i] == '.') {
        ++i;
        while (i < n && IsAsciiDigit(text[i])) {
            ++i;
            digit = true;
        }
    }
    if (!digit)
        return false;
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < n && (text[i] == '+' || text[i] == '-'))
            ++i;
        if (i == n || !IsAsciiDigit(text[i]))
            return false;
        while (i < n && IsAsciiDigit(text[i]))
            ++i;
    }
    return i == n;
}

double ReadNumber(std::string_view text, const char *what) {
    const std::string_view t = TrimBlanks(text);
    double value = 0;
    // A plain decimal (the usual height) in one pass: such a text is a
    // number text, and its value is ParseReal's.
    if (Code::ParsePlainReal(t, '.', value))
        return value;
    if (!IsNumberText(t))
        Refuse(t, what, nullptr);
    if (!DecimalValue(t, value))
        Refuse(t, what, "out of range");
    return value;
}

// ---- angles
// ---------------------------------------------------------------------

namespace {

/// ParseAngle on any text but a plain decimal, out of line: ParseAngle's
/// own frame stays small for the plain decimals.
[[gnu::noinline]] AngleValue ParseNotation(std::string_view text,
                                           const char *what) {
    AngleValue angle;
    if (text.empty())
        Refuse(text, what, "empty");

    // One hemisphere letter, before or after.
    std::string_view body = text;
    if (IsHemisphereLetter(body.front()) &&
        (body.size() == 1 || !IsAsciiLetter(body[1]))) {
        angle.hemisphere = UpperAscii(body.front());
        body = TrimBlanks(body.substr(1));
    }
    if (!body.empty() && IsHemisphereLetter(body.back()) &&
        !(body.back() == 's' && IsSecondsMark(body)) &&
        (body.size() == 1 || !IsAsciiLetter(body[body.size() - 2]) ||
         body[body.size() - 2] == 'd' || body[body.size() - 2] == 'm' ||
         body[body.size() - 2] == 's')) {
        if (angle.hemisphere != 0)
            Refuse(text, what, "more than one hemisphere letter");
        angle.hemisphere = UpperAscii(body.back());
        body = TrimBlanks(body.substr(0, body.size() - 1));
    }
    if (body.empty())
        Refuse(text, what,
               angle.hemisphere ? "a letter without an angle" : "empty");

    bool negative = angle.hemisphere == 'S' || angle.hemisphere == 'W';
    const bool minus = StartsWith(body, MINUS_SIGN);
    if (body.front() == '+' || body.front() == '-' || minus) {
        if (angle.hemisphere != 0)
            Refuse(text, what, "a sign and a hemisphere letter together");
        negative = body.front() == '-' || minus;
        body = TrimBlanks(body.substr(minus ? MINUS_SIGN.size() : 1));
        if (body.empty())
            Refuse(text, what, nullptr); // a sign alone
    }

    // Unsigned decimal degrees, with an exponent too.
    if (body.front() != '+' && body.front() != '-' && IsNumberText(body)) {
        if (!DecimalValue(body, angle.degrees))
            Refuse(text, what, "out of range");
        if (negative)
            angle.degrees = -angle.degrees;
        return angle;
    }

    // The parts of a notation and their marks.
    Part parts[3];
    int count = 0;
    std::size_t i = 0;
    const std::size_t n = body.size();
    while (i < n) {
        if (count == 3)
            Refuse(text, what, "more than degrees, minutes and seconds");
        Part &part = parts[count++];
        const std::size_t start = i;
        bool digits = false;
        while (i < n && IsAsciiDigit(body[i])) {
            ++i;
            digits = true;
        }
        if (i < n && body[i] == '.') {
            part.whole = false;
            ++i;
            while (i < n && IsAsciiDigit(body[i])) {
                ++i;
                digits = true;
            }
        }
        if (!digits)
            Refuse(text, what, nullptr);
        part.number = body.substr(start, i - start);
        std::size_t length = 0;
        part.unit = MatchMark(body.substr(i), length);
        i += length;
        if (part.unit == Unit::Colon) {
            if (i == n || !IsAsciiDigit(body[i]))
                Refuse(text, what, nullptr); // "37:", "37: 28", "37:."
            continue;
        }
        if (part.unit == Unit::None && i < n && !IsBlank(body[i]))
            Refuse(text, what, nullptr);
        while (i < n && IsBlank(body[i]))
            ++i;
    }

    // Every part's unit: all colons, or marks in increasing order starting
    // with degrees, where a part without a mark takes the next unit.
    Unit units[3] = {Unit::None, Unit::None, Unit::None};
    const bool colons = parts[0].unit == Unit::Colon;
    for (int k = 0; k < count; ++k) {
        Unit unit = parts[k].unit;
        if (colons) {
            if (unit != Unit::Colon && !(k == count - 1 && unit == Unit::None))
                Refuse(text, what, nullptr);
            unit = k == 0 ? Unit::Degrees
                          : (k == 1 ? Unit::Minutes : Unit::Seconds);
        } else if (unit == Unit::Colon) {
            Refuse(text, what, nullptr);
        } else if (unit == Unit::None) {
            unit = k == 0 ? Unit::Degrees
                          : (units[k - 1] == Unit::Seconds
                                 ? Unit::None
                                 : static_cast<Unit>(
                                       static_cast<int>(units[k - 1]) + 1));
            if (unit == Unit::None)
                Refuse(text, what, "a part after the seconds");
        }
        if (k == 0 ? unit != Unit::Degrees : unit <= units[k - 1])
            Refuse(text, what, "parts out of order");
        units[k] = unit;
        if (k < count - 1 && !parts[k].whole)
            Refuse(text, what, "only the last part may have a fraction");
    }
    angle.degrees = FromParts(parts, units, count, negative, text, what);
    return angle;
}

} // namespace

AngleValue ParseAngle(std::string_view field, const char *what) {
    const std::string_view text = TrimBlanks(field);
    // Decimal degrees with or without a sign, the usual angle, in one pass:
    // no letter and no mark, so the value is the number's as ParseNotation
    // reads it (the sign taken off, the rest read, the sign put back: the
    // same double, as rounding to nearest is symmetric).
    AngleValue angle;
    if (Code::ParsePlainReal(text, '.', angle.degrees))
        return angle;
    return ParseNotation(text, what);
}

namespace {

/// CheckAngleRange's refusal, apart from its test: the test alone needs no
/// stack frame (the four tests of a line took 92 instructions with one, 32
/// without, callgrind).
[[noreturn, gnu::noinline]] void RefuseAngleRange(double degrees,
                                                  AngleAxis axis) {
    const bool latitude = axis == AngleAxis::Latitude;
    std::string message = latitude ? "latitude " : "longitude ";
    message += Code::FormatReal(degrees, '.');
    message += latitude ? " is outside -90 to 90"
                        : " is outside -180 to 360 (360 excluded)";
    throw InputError(message);
}

} // namespace

void CheckAngleRange(double degrees, AngleAxis axis) {
    const bool latitude = axis == AngleAxis::Latitude;
    const bool inside = latitude ? degrees >= -90 && degrees <= 90
                                 : degrees >= -180 && degrees < 360;
    if (!inside)
        RefuseAngleRange(degrees, axis);
}
