// One point from pasted text, in the forms the window copies.
#include "PastedPoint.h"

#include "AngleText.h"
#include "GridReferences.h"
#include "NumberText.h"
#include "TextParts.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

/// ASCII comparison without regard to case.
bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i]))
            return false;
    return true;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return EqualNoCase(text.substr(0, prefix.size()), prefix);
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

/// @p text without the blanks and line ends around it.
std::string_view TrimSpace(std::string_view text) {
    std::size_t first = 0, last = text.size();
    while (first < last && IsSpace(text[first]))
        ++first;
    while (last > first && IsSpace(text[last - 1]))
        --last;
    return text.substr(first, last - first);
}

bool HasLineEnd(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

/// The longitude of a form on WGS 84: RFC 5870 and RFC 7946 write it within
/// -180 to 180, where the text reader also takes 180 to 360.
void CheckWgs84Longitude(double lon) {
    if (!(lon >= -180 && lon <= 180))
        throw InputError("longitude " + Code::FormatReal(lon, '.') +
                         " is outside -180 to 180");
}

/// Latitude, longitude and an optional height, checked.
GeoPoint Point(double lat, double lon, const double *height, bool wgs84) {
    CheckAngleRange(lat, AngleAxis::Latitude);
    if (wgs84)
        CheckWgs84Longitude(lon);
    else
        CheckAngleRange(lon, AngleAxis::Longitude);
    GeoPoint point;
    point.latitude = lat;
    point.longitude = lon;
    if (height != nullptr) {
        CheckCoordinate(*height, "height");
        point.height = *height;
    }
    return point;
}

// ---- WKT ------------------------------------------------------------------

/// The geometries of WKT other than POINT, each a word of its own (see
/// IsWktKeyword), so that no order among them matters.
constexpr std::string_view OTHER_GEOMETRIES[] = {
    "MULTIPOINT",   "LINESTRING",         "MULTILINESTRING", "POLYGON",
    "MULTIPOLYGON", "GEOMETRYCOLLECTION", "CIRCULARSTRING",  "COMPOUNDCURVE",
    "CURVEPOLYGON", "MULTICURVE",         "MULTISURFACE",    "TRIANGLE",
    "TIN",          "POLYHEDRALSURFACE",
};

/// The word of letters at @p at, and @p at moved past it.
std::string_view Word(std::string_view text, std::size_t &at) {
    const std::size_t start = at;
    while (at < text.size() && IsAsciiLetter(text[at]))
        ++at;
    return text.substr(start, at - start);
}

void SkipBlanks(std::string_view text, std::size_t &at) {
    while (at < text.size() && IsBlank(text[at]))
        ++at;
}

[[noreturn]] void RefuseWkt(std::string_view text, const std::string &reason) {
    throw InputError(QuoteInput(text) + " is not a WKT point: " + reason);
}

PastedPoint ReadWkt(std::string_view text) {
    std::size_t at = 0;
    Word(text, at); // "POINT", or "POINTZ" as some programs write it
    std::string_view dimension = text.substr(5, at - 5);
    SkipBlanks(text, at);
    if (dimension.empty())
        dimension = Word(text, at);
    SkipBlanks(text, at);
    const std::string_view next = Word(text, at);
    if (EqualNoCase(dimension, "EMPTY") || EqualNoCase(next, "EMPTY"))
        RefuseWkt(text, "POINT EMPTY holds no point");
    const bool z = EqualNoCase(dimension, "Z");
    if (EqualNoCase(dimension, "M") || EqualNoCase(dimension, "ZM"))
        RefuseWkt(text, "its fourth number is a measure, not a height");
    if ((!dimension.empty() && !z) || !next.empty())
        RefuseWkt(text, "POINT, POINT Z or POINT EMPTY was expected");
    SkipBlanks(text, at);
    if (at == text.size() || text[at] != '(')
        RefuseWkt(text, "its numbers go in parentheses");
    ++at;
    std::vector<std::string_view> numbers;
    for (;;) {
        SkipBlanks(text, at);
        if (at == text.size())
            RefuseWkt(text, "the closing parenthesis is missing");
        if (text[at] == ')')
            break;
        const std::size_t start = at;
        while (at < text.size() && !IsBlank(text[at]) && text[at] != ')')
            ++at;
        if (numbers.size() == 4)
            RefuseWkt(text, "more than a longitude, a latitude and a height");
        numbers.push_back(text.substr(start, at - start));
    }
    ++at;
    SkipBlanks(text, at);
    if (at != text.size())
        RefuseWkt(text, "text follows the closing parenthesis");
    const std::size_t wanted = z ? 3 : numbers.size();
    if (numbers.size() != wanted || numbers.size() < 2 || numbers.size() > 3)
        RefuseWkt(text, z ? "POINT Z has a longitude, a latitude and a height"
                          : "POINT has a longitude and a latitude, and may "
                            "have a height");
    const double lon = ReadNumber(numbers[0], "longitude");
    const double lat = ReadNumber(numbers[1], "latitude");
    double height = 0;
    if (numbers.size() == 3)
        height = ReadNumber(numbers[2], "height");
    PastedPoint pasted;
    pasted.form = PastedForm::Wkt;
    pasted.point =
        Point(lat, lon, numbers.size() == 3 ? &height : nullptr, false);
    return pasted;
}

// ---- JSON -----------------------------------------------------------------
// A strict reader of RFC 8259 JSON, as much as a GeoJSON point needs: the
// whole text is checked, every value kept, so that nothing outside the
// members read can make a malformed text pass.

/// Nesting depth read at most: a point is two levels down in a Feature;
/// what is nested deeper lives in its properties.
constexpr int JSON_DEPTH_MAX = 64;

struct JsonValue {
    enum class Kind { Null, False, True, Number, String, Array, Object };
    Kind kind = Kind::Null;
    double number = 0;
    std::string text; ///< of a string
    std::vector<JsonValue> items;
    /// An object's members in order, name by name (a vector of pairs would
    /// hold the type before it is complete).
    std::vector<std::string> names;
    std::vector<JsonValue> members;
};

class JsonReader {
  public:
    explicit JsonReader(std::string_view text) : m_text(text) {}

    JsonValue Document() {
        JsonValue value = Value(0);
        SkipSpace();
        if (m_at != m_text.size())
            Fail("text follows the end of the GeoJSON");
        return value;
    }

  private:
    [[noreturn]] void Fail(const char *reason) const {
        throw InputError(std::string("the GeoJSON cannot be read: ") + reason +
                         " (at byte " + std::to_string(m_at + 1) + ")");
    }

    void SkipSpace() {
        while (m_at < m_text.size() && IsSpace(m_text[m_at]))
            ++m_at;
    }

    bool Take(char c) {
        if (m_at < m_text.size() && m_text[m_at] == c) {
            ++m_at;
            return true;
        }
        return false;
    }

    void Literal(std::string_view word) {
        if (m_text.substr(m_at, word.size()) != word)
            Fail("a value was expected");
        m_at += word.size();
    }

    JsonValue Value(int depth) {
        if (depth > JSON_DEPTH_MAX)
            Fail("nested too deep");
        SkipSpace();
        if (m_at == m_text.size())
            Fail("the text ends where a value was expected");
        JsonValue value;
        switch (m_text[m_at]) {
        case '{':
            ++m_at;
            value.kind = JsonValue::Kind::Object;
            Object(value, depth);
            break;
        case '[':
            ++m_at;
            value.kind = JsonValue::Kind::Array;
            Array(value, depth);
            break;
        case '"':
            value.kind = JsonValue::Kind::String;
            value.text = String();
            break;
        case 't':
            Literal("true");
            value.kind = JsonValue::Kind::True;
            break;
        case 'f':
            Literal("false");
            value.kind = JsonValue::Kind::False;
            break;
        case 'n':
            Literal("null");
            value.kind = JsonValue::Kind::Null;
            break;
        default:
            value.kind = JsonValue::Kind::Number;
            value.number = Number();
        }
        return value;
    }

    void Object(JsonValue &object, int depth) {
        SkipSpace();
        if (Take('}'))
            return;
        for (;;) {
            SkipSpace();
            if (m_at == m_text.size() || m_text[m_at] != '"')
                Fail("a member name in quotes was expected");
            std::string name = String();
            SkipSpace();
            if (!Take(':'))
                Fail("':' was expected after a member name");
            object.members.push_back(Value(depth + 1));
            object.names.push_back(std::move(name));
            SkipSpace();
            if (Take('}'))
                return;
            if (!Take(','))
                Fail("',' or '}' was expected");
        }
    }

    void Array(JsonValue &array, int depth) {
        SkipSpace();
        if (Take(']'))
            return;
        for (;;) {
            array.items.push_back(Value(depth + 1));
            SkipSpace();
            if (Take(']'))
                return;
            if (!Take(','))
                Fail("',' or ']' was expected");
        }
    }

    /// RFC 8259: "-"? ( "0" / [1-9] DIGIT* ) ( "." DIGIT+ )? ( [eE] [+-]?
    /// DIGIT+ )?, read as the DD field reads the same digits.
    double Number() {
        const std::size_t start = m_at;
        Take('-');
        if (Take('0')) {
        } else if (m_at < m_text.size() && IsAsciiDigit(m_text[m_at])) {
            while (m_at < m_text.size() && IsAsciiDigit(m_text[m_at]))
                ++m_at;
        } else {
            Fail("a value was expected");
        }
        if (Take('.')) {
            if (m_at == m_text.size() || !IsAsciiDigit(m_text[m_at]))
                Fail("digits must follow a decimal point");
            while (m_at < m_text.size() && IsAsciiDigit(m_text[m_at]))
                ++m_at;
        }
        if (Take('e') || Take('E')) {
            if (!Take('+'))
                Take('-');
            if (m_at == m_text.size() || !IsAsciiDigit(m_text[m_at]))
                Fail("digits must follow an exponent");
            while (m_at < m_text.size() && IsAsciiDigit(m_text[m_at]))
                ++m_at;
        }
        try {
            return Code::ParseReal(m_text.substr(start, m_at - start), '.');
        } catch (const Code::ConversionError &) {
            Fail("a number is out of range");
        }
    }

    unsigned Hex4() {
        if (m_text.size() - m_at < 4)
            Fail("\\u needs four hexadecimal digits");
        unsigned value = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = m_text[m_at++];
            value <<= 4;
            if (IsAsciiDigit(c))
                value |= static_cast<unsigned>(c - '0');
            else if (LowerAscii(c) >= 'a' && LowerAscii(c) <= 'f')
                value |= static_cast<unsigned>(LowerAscii(c) - 'a' + 10);
            else
                Fail("\\u needs four hexadecimal digits");
        }
        return value;
    }

    static void AppendUtf8(std::string &out, std::uint32_t cp) {
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }

    std::string String() {
        ++m_at; // the opening quote
        std::string out;
        for (;;) {
            if (m_at == m_text.size())
                Fail("a string is not closed");
            const char c = m_text[m_at++];
            if (c == '"')
                return out;
            if (static_cast<unsigned char>(c) < 0x20)
                Fail("a control character stands unescaped in a string");
            if (c != '\\') {
                out += c;
                continue;
            }
            if (m_at == m_text.size())
                Fail("a string is not closed");
            const char e = m_text[m_at++];
            switch (e) {
            case '"':
            case '\\':
            case '/':
                out += e;
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'u': {
                std::uint32_t cp = Hex4();
                if (cp >= 0xD800 && cp <= 0xDBFF) {
                    // a UTF-16 surrogate pair
                    if (!(Take('\\') && Take('u')))
                        Fail("a lone surrogate in a \\u escape");
                    const std::uint32_t low = Hex4();
                    if (low < 0xDC00 || low > 0xDFFF)
                        Fail("a lone surrogate in a \\u escape");
                    cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
                    Fail("a lone surrogate in a \\u escape");
                }
                AppendUtf8(out, cp);
                break;
            }
            default:
                Fail("an unknown escape in a string");
            }
        }
    }

    std::string_view m_text;
    std::size_t m_at = 0;
};

// ---- GeoJSON --------------------------------------------------------------

[[noreturn]] void RefuseGeoJson(const std::string &reason) {
    throw InputError("the GeoJSON is not a point: " + reason);
}

/// Member @p name of @p object, null when it has none. A name given twice
/// is refused: which of the two is meant cannot be told.
const JsonValue *Member(const JsonValue &object, std::string_view name) {
    const JsonValue *found = nullptr;
    for (std::size_t i = 0; i < object.names.size(); ++i) {
        if (object.names[i] != name)
            continue;
        if (found != nullptr)
            RefuseGeoJson("it has two \"" + std::string(name) + "\" members");
        found = &object.members[i];
    }
    return found;
}

/// The "type" of a GeoJSON object.
std::string TypeOf(const JsonValue &object) {
    const JsonValue *type = Member(object, "type");
    if (type == nullptr || type->kind != JsonValue::Kind::String)
        RefuseGeoJson("an object has no \"type\"");
    return type->text;
}

/// Older GeoJSON could name a coordinate system of its own; RFC 7946 has
/// none but WGS 84 (CRS84, longitude first), which is the only one read.
void CheckCrs(const JsonValue &object) {
    const JsonValue *crs = Member(object, "crs");
    if (crs == nullptr || crs->kind == JsonValue::Kind::Null)
        return;
    std::string name;
    if (crs->kind == JsonValue::Kind::Object)
        if (const JsonValue *properties = Member(*crs, "properties");
            properties != nullptr &&
            properties->kind == JsonValue::Kind::Object)
            if (const JsonValue *n = Member(*properties, "name");
                n != nullptr && n->kind == JsonValue::Kind::String)
                name = n->text;
    for (std::string_view crs84 :
         {"urn:ogc:def:crs:OGC:1.3:CRS84", "urn:ogc:def:crs:OGC::CRS84"})
        if (name == crs84)
            return;
    RefuseGeoJson(
        "it names a coordinate system of its own" +
        (name.empty() ? std::string() : " (" + QuoteInput(name) + ")") +
        "; only GeoJSON on WGS 84 is read");
}

PastedPoint ReadGeoJson(std::string_view text) {
    const JsonValue root = JsonReader(text).Document();
    if (root.kind != JsonValue::Kind::Object)
        RefuseGeoJson("it is not an object");
    CheckCrs(root);
    const std::string type = TypeOf(root);
    const JsonValue *geometry = &root;
    if (type == "Feature") {
        geometry = Member(root, "geometry");
        if (geometry == nullptr || geometry->kind == JsonValue::Kind::Null)
            RefuseGeoJson("the Feature has no geometry");
        if (geometry->kind != JsonValue::Kind::Object)
            RefuseGeoJson("the Feature's geometry is not an object");
        CheckCrs(*geometry);
        const std::string inner = TypeOf(*geometry);
        if (inner != "Point")
            RefuseGeoJson("the Feature holds a " + QuoteInput(inner) +
                          ", not a Point");
    } else if (type != "Point") {
        RefuseGeoJson("it is a " + QuoteInput(type) +
                      "; a Point or a Feature holding one is read");
    }
    const JsonValue *coordinates = Member(*geometry, "coordinates");
    if (coordinates == nullptr || coordinates->kind != JsonValue::Kind::Array)
        RefuseGeoJson("the Point has no \"coordinates\" array");
    const std::vector<JsonValue> &position = coordinates->items;
    for (const JsonValue &number : position)
        if (number.kind != JsonValue::Kind::Number)
            RefuseGeoJson("its coordinates must be numbers");
    if (position.size() < 2)
        RefuseGeoJson("its position needs a longitude and a latitude");
    if (position.size() > 3)
        RefuseGeoJson("its position has more than a longitude, a latitude "
                      "and a height");
    PastedPoint pasted;
    pasted.form = PastedForm::GeoJson;
    pasted.wgs84 = true;
    pasted.point =
        Point(position[1].number, position[0].number,
              position.size() == 3 ? &position[2].number : nullptr, true);
    return pasted;
}

// ---- geo: URI -------------------------------------------------------------

[[noreturn]] void RefuseGeoUri(std::string_view text, const char *reason) {
    throw InputError(QuoteInput(text) + " is not a geo: URI: " + reason);
}

/// RFC 5870's num: "-"? DIGIT+ ( "." DIGIT+ )?; moves @p at past it.
bool GeoNumber(std::string_view text, std::size_t &at, double &value) {
    const std::size_t start = at;
    if (at < text.size() && text[at] == '-')
        ++at;
    const std::size_t digits = at;
    while (at < text.size() && IsAsciiDigit(text[at]))
        ++at;
    if (at == digits)
        return false;
    if (at < text.size() && text[at] == '.') {
        ++at;
        const std::size_t fraction = at;
        while (at < text.size() && IsAsciiDigit(text[at]))
            ++at;
        if (at == fraction)
            return false;
    }
    try {
        value = Code::ParseReal(text.substr(start, at - start), '.');
    } catch (const Code::ConversionError &) {
        return false; // beyond the range of a double
    }
    return true;
}

/// RFC 5870's labeltext: letters, digits and "-".
bool IsLabelText(std::string_view text) {
    if (text.empty())
        return false;
    for (char c : text)
        if (!IsAsciiLetter(c) && !IsAsciiDigit(c) && c != '-')
            return false;
    return true;
}

/// RFC 5870's pvalue: unreserved, "[]:&+$" and percent-encoded bytes.
bool IsParamValue(std::string_view text) {
    if (text.empty())
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (IsAsciiLetter(c) || IsAsciiDigit(c))
            continue;
        if (std::string_view("-._~[]:&+$").find(c) != std::string_view::npos)
            continue;
        auto hex = [](char h) {
            return IsAsciiDigit(h) ||
                   (LowerAscii(h) >= 'a' && LowerAscii(h) <= 'f');
        };
        if (c == '%' && i + 2 < text.size() && hex(text[i + 1]) &&
            hex(text[i + 2])) {
            i += 2;
            continue;
        }
        return false;
    }
    return true;
}

PastedPoint ReadGeoUri(std::string_view text) {
    std::size_t at = 4; // past "geo:"
    std::array<double, 3> coordinates{};
    std::size_t count = 0;
    for (;;) {
        if (!GeoNumber(text, at, coordinates[count]))
            RefuseGeoUri(text, count == 0 ? "a latitude was expected after "
                                            "\"geo:\""
                                          : "a number was expected after a "
                                            "comma");
        ++count;
        if (at == text.size() || text[at] != ',')
            break;
        if (count == 3)
            RefuseGeoUri(text, "more than a latitude, a longitude and an "
                               "altitude");
        ++at;
    }
    if (count < 2)
        RefuseGeoUri(text, "a latitude and a longitude are needed");
    // Parameters: ";crs=" first, then ";u=", then any others (RFC 5870,
    // section 3.3), names without regard to case.
    int index = 0;
    bool crsSeen = false, uSeen = false;
    while (at < text.size()) {
        if (text[at] != ';')
            RefuseGeoUri(text, "only parameters (\";name=value\") may follow "
                               "the coordinates");
        const std::size_t start = ++at;
        while (at < text.size() && text[at] != ';')
            ++at;
        const std::string_view parameter = text.substr(start, at - start);
        const std::size_t equals = parameter.find('=');
        const std::string_view name = parameter.substr(0, equals);
        const std::string_view value = equals == std::string_view::npos
                                           ? std::string_view()
                                           : parameter.substr(equals + 1);
        if (!IsLabelText(name) ||
            (equals != std::string_view::npos && !IsParamValue(value)))
            RefuseGeoUri(text, "a parameter is malformed");
        if (EqualNoCase(name, "crs")) {
            if (crsSeen || index != 0)
                RefuseGeoUri(text, "\";crs=\" must come first, and once");
            if (!EqualNoCase(value, "wgs84"))
                throw InputError(QuoteInput(text) +
                                 " is on another coordinate system than "
                                 "WGS 84 (crs=" +
                                 QuoteInput(value) + "); only wgs84 is read");
            crsSeen = true;
        } else if (EqualNoCase(name, "u")) {
            if (uSeen || index != (crsSeen ? 1 : 0))
                RefuseGeoUri(text, "\";u=\" must come before other "
                                   "parameters, and once");
            std::size_t v = 0;
            double uncertainty = 0;
            if (value.empty() || value[0] == '-' ||
                !GeoNumber(value, v, uncertainty) || v != value.size())
                RefuseGeoUri(text, "the uncertainty \";u=\" must be a "
                                   "number of metres");
            uSeen = true;
        }
        ++index;
    }
    PastedPoint pasted;
    pasted.form = PastedForm::GeoUri;
    pasted.wgs84 = true;
    pasted.point = Point(coordinates[0], coordinates[1],
                         count == 3 ? &coordinates[2] : nullptr, true);
    return pasted;
}

bool IsWktKeyword(std::string_view text, std::string_view keyword) {
    if (!StartsWithNoCase(text, keyword))
        return false;
    const std::string_view rest = text.substr(keyword.size());
    return rest.empty() || !IsAsciiLetter(rest[0]) ||
           // POINTZ, POINTM, POINTZM as some programs write them
           (keyword == "POINT" &&
            (EqualNoCase(rest.substr(0, 2), "ZM") ||
             LowerAscii(rest[0]) == 'z' || LowerAscii(rest[0]) == 'm'));
}

// ---- MGRS and geohashes ---------------------------------------------------

/// A text shaped as an MGRS reference, blanks aside: a zone's one or two
/// digits and three letters (band and square), or a polar band A, B, Y or
/// Z and two letters; then digits only. No line of angles starts so.
bool LooksLikeMgrs(std::string_view text) {
    std::string compact;
    for (const char c : text)
        if (!IsBlank(c))
            compact += c;
    std::size_t i = 0;
    while (i < compact.size() && i < 2 && IsAsciiDigit(compact[i]))
        ++i;
    if (i == 0 &&
        (compact.empty() || std::string_view("ABYZabyz").find(compact[0]) ==
                                std::string_view::npos))
        return false;
    // the band (or polar band) and the two letters of the square
    for (std::size_t k = 0; k < 3; ++k, ++i)
        if (i >= compact.size() || !IsAsciiLetter(compact[i]))
            return false;
    for (; i < compact.size(); ++i)
        if (!IsAsciiDigit(compact[i]))
            return false;
    return true;
}

/// The geohash of a "geohash:" text or a geohash.org URL; false for
/// neither.
bool GeohashOf(std::string_view text, std::string_view &hash) {
    for (const std::string_view prefix :
         {std::string_view("geohash:"), std::string_view("http://geohash.org/"),
          std::string_view("https://geohash.org/")})
        if (StartsWithNoCase(text, prefix)) {
            hash = text.substr(prefix.size());
            return true;
        }
    return false;
}

PastedPoint FromReference(const ReferencePoint &read, PastedForm form,
                          std::string area) {
    PastedPoint pasted;
    pasted.form = form;
    pasted.wgs84 = true;
    pasted.point.latitude = read.latitude;
    pasted.point.longitude = read.longitude;
    pasted.area = std::move(area);
    return pasted;
}

} // namespace

const char *PastedFormName(PastedForm form) {
    switch (form) {
    case PastedForm::Text:
        return "text";
    case PastedForm::Wkt:
        return "WKT";
    case PastedForm::GeoJson:
        return "GeoJSON";
    case PastedForm::GeoUri:
        return "geo: URI";
    case PastedForm::Mgrs:
        return "MGRS";
    case PastedForm::Geohash:
        return "geohash";
    }
    return "text";
}

PastedPoint ReadPastedPoint(std::string_view pasted) {
    if (pasted.size() > PASTED_TEXT_MAX)
        throw InputError("the text is too long to be one point (more than " +
                         std::to_string(PASTED_TEXT_MAX / 1024) + " KiB)");
    const std::string_view text = TrimSpace(pasted);
    if (!text.empty() && text[0] == '{')
        return ReadGeoJson(text);
    if (HasLineEnd(text))
        throw InputError("the clipboard holds several lines; copy one point "
                         "to paste it");
    if (StartsWithNoCase(text, "geo:"))
        return ReadGeoUri(text);
    if (std::string_view hash; GeohashOf(text, hash)) {
        const ReferencePoint read = ReadGeohash(hash);
        return FromReference(read, PastedForm::Geohash,
                             "a cell " + GeohashCellText(read.precision));
    }
    if (LooksLikeMgrs(text)) {
        const ReferencePoint read = ReadMgrs(text);
        return FromReference(read, PastedForm::Mgrs,
                             "a square " + MgrsSquareText(read.precision) +
                                 " across");
    }
    if (IsWktKeyword(text, "POINT"))
        return ReadWkt(text);
    for (std::string_view geometry : OTHER_GEOMETRIES)
        if (IsWktKeyword(text, geometry))
            throw InputError(QuoteInput(text) + " is a WKT " +
                             std::string(geometry) + ", not a POINT");
    PastedPoint point;
    point.point = ReadGeoPoint(text);
    return point;
}
