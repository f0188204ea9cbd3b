// One geographic point from a line of text: values grouped from fields,
// letters deciding the coordinates, counts that leave no second reading.
#include "PointText.h"

#include "Code.h"
#include "NumberText.h"
#include "TextParts.h"

#include <string>

namespace {

/// One piece of a field that may belong to a multi-field angle.
struct Item {
    std::uint32_t field = 0;
    bool letter = false;
    int unit = 0;              ///< of a number: 0 none, 1 deg, 2 min, 3 sec
    bool fraction = false;     ///< of a number
    bool before = false;       ///< a letter written before its number
    bool after = false;        ///< a letter written right after its number
    bool maybeSeconds = false; ///< an "s" right after a number
};

/// At most three items come from one field.
struct Items {
    Item item[3];
    int count = 0;
    void push_back(const Item &i) { item[count++] = i; }
    void clear() { count = 0; }
    const Item *begin() const { return item; }
    const Item *end() const { return item + count; }
};

/**
 * The items of a field that can be part of an angle spread over fields: a
 * lone hemisphere letter, or an unsigned number with at most one mark and at
 * most one letter written onto it ("37", "30'", "58.7\"N", "N37", "00N").
 * @return false for any other field, which is a value of its own.
 */
bool FieldItems(std::string_view field, std::uint32_t index, Items &items) {
    const std::string_view f = TrimBlanks(field);
    const std::size_t n = f.size();
    if (n == 1 && IsHemisphereLetter(f[0])) {
        Item item;
        item.field = index;
        item.letter = true;
        items.push_back(item);
        return true;
    }
    std::size_t i = 0;
    const bool before = n > 1 && IsHemisphereLetter(f[0]) &&
                        (IsAsciiDigit(f[1]) || f[1] == '.');
    if (before)
        i = 1;
    bool digits = false, fraction = false;
    while (i < n && IsAsciiDigit(f[i])) {
        ++i;
        digits = true;
    }
    if (i < n && f[i] == '.') {
        fraction = true;
        ++i;
        while (i < n && IsAsciiDigit(f[i])) {
            ++i;
            digits = true;
        }
    }
    if (!digits)
        return false;
    int unit = 0;
    if (i < n && !(f[i] == 's' && i + 1 == n)) {
        std::size_t length = 0;
        unit = MatchAngleMark(f.substr(i), length);
        if (unit == 4)
            return false; // "37:30" is an angle by itself
        i += length;
    }
    bool after = false;
    if (i < n) {
        if (i + 1 != n || before || !IsHemisphereLetter(f[i]))
            return false;
        after = true;
    }
    Item number;
    number.field = index;
    number.unit = unit;
    number.fraction = fraction;
    if (before) {
        Item letter;
        letter.field = index;
        letter.letter = true;
        letter.before = true;
        items.push_back(letter);
    }
    items.push_back(number);
    if (after) {
        Item letter;
        letter.field = index;
        letter.letter = true;
        letter.after = true;
        letter.maybeSeconds = f[n - 1] == 's' && unit == 0;
        items.push_back(letter);
    }
    return true;
}

/// An angle being gathered from items.
struct Group {
    std::uint32_t first = 0, last = 0;
    int parts = 0;
    bool letter = false;
    bool leading = false;
    bool marked = false;
    int lastUnit = 0;
    bool lastFraction = false;
    bool endedByLetter = false;
};

class Grouper {
  public:
    Grouper(const std::vector<std::string_view> &fields,
            std::vector<FieldSpan> &values)
        : m_fields(fields), m_values(values) {}

    void Field(std::uint32_t index) {
        m_items.clear();
        if (!FieldItems(m_fields[index], index, m_items)) {
            Close();
            m_values.push_back({index, index});
            return;
        }
        for (const Item &item : m_items)
            item.letter ? Letter(item) : Number(item);
    }

    void Finish() {
        Close();
        // An angle that starts with its letter and runs to where the numbers
        // end could also leave its last number as a height: it must look
        // like the other angle that starts with a letter.
        for (const Group &open : m_leading) {
            if (open.endedByLetter || open.lastFraction || open.parts < 2)
                continue;
            bool matched = false;
            for (const Group &other : m_leading)
                if (&other != &open && other.parts == open.parts)
                    matched = true;
            if (!matched)
                Refuse(open, "its end is not marked: put the hemisphere "
                             "letter after the angle");
        }
    }

  private:
    void Letter(const Item &item) {
        if (item.maybeSeconds && m_group.parts > 0 && m_group.marked &&
            m_group.lastUnit < 3) {
            m_group.lastUnit = 3; // "37d 28m 54s": the seconds mark
            return;
        }
        if (item.after ||
            (!item.before && m_group.parts > 0 && !m_group.letter)) {
            // The letter after an angle ends it.
            if (m_group.letter)
                Refuse(m_group, "more than one hemisphere letter");
            m_group.letter = true;
            m_group.endedByLetter = true;
            m_group.last = item.field;
            if (!m_group.marked && m_group.parts > 3)
                Refuse(m_group, "more than degrees, minutes and seconds "
                                "before the letter");
            Close();
            return;
        }
        if (m_group.leading && m_group.parts == 0)
            Refuse(m_group, "a letter without an angle");
        if (m_group.parts > 0)
            m_group.endedByLetter = m_group.leading;
        Close();
        m_group = Group{};
        m_group.first = m_group.last = item.field;
        m_group.letter = m_group.leading = true;
        m_bOpen = true;
    }

    void Number(const Item &item) {
        if (m_bOpen && m_group.parts > 0) {
            bool joins = false;
            if (item.unit == 1)
                joins = false; // a degree mark starts an angle
            else if (m_group.leading)
                joins = !m_group.lastFraction && m_group.parts < 3;
            else if (m_group.marked)
                joins = !m_group.lastFraction && m_group.lastUnit < 3 &&
                        (item.unit == 0 || item.unit > m_group.lastUnit);
            else // a fraction ends an angle: 37.5 127.5N is two values
                joins = !m_group.lastFraction &&
                        (item.unit == 0 || item.unit > m_group.parts);
            if (!joins)
                Close();
        }
        if (!m_bOpen) {
            m_group = Group{};
            m_group.first = item.field;
            m_bOpen = true;
        }
        ++m_group.parts;
        m_group.last = item.field;
        m_group.lastUnit = item.unit != 0 ? item.unit : m_group.lastUnit + 1;
        m_group.marked = m_group.marked || item.unit != 0;
        m_group.lastFraction = item.fraction;
    }

    void Close() {
        if (!m_bOpen)
            return;
        m_bOpen = false;
        const Group &g = m_group;
        if (g.parts == 0)
            Refuse(g, "a letter without an angle");
        if (!g.letter && !g.marked) {
            // Plain numbers without letters: each is a value.
            for (std::uint32_t f = g.first; f <= g.last; ++f)
                m_values.push_back({f, f});
            return;
        }
        m_values.push_back({g.first, g.last});
        if (g.leading)
            m_leading.push_back(g);
    }

    [[noreturn]] void Refuse(const Group &g, const char *reason) {
        std::string scratch;
        const std::string_view text =
            SpanText(m_fields, {g.first, g.last}, scratch);
        throw InputError(QuoteInput(text) + " is not a valid angle: " + reason);
    }

    const std::vector<std::string_view> &m_fields;
    std::vector<FieldSpan> &m_values;
    Items m_items;
    std::vector<Group> m_leading;
    Group m_group;
    bool m_bOpen = false;
};

/// Splits pasted text into fields: at the first of tab, ";" and "," that
/// it holds, else at runs of blanks.
std::vector<std::string_view> PastedFields(std::string_view text) {
    std::vector<std::string_view> fields;
    char delimiter = 0;
    for (char c : {'\t', ';', ','})
        if (text.find(c) != std::string_view::npos) {
            delimiter = c;
            break;
        }
    std::size_t i = 0;
    const std::size_t n = text.size();
    if (delimiter != 0) {
        for (;;) {
            const std::size_t at = text.find(delimiter, i);
            fields.push_back(TrimBlanks(text.substr(i, at - i)));
            if (at == std::string_view::npos)
                return fields;
            i = at + 1;
        }
    }
    while (i < n) {
        while (i < n && (text[i] == ' ' || text[i] == '\t'))
            ++i;
        const std::size_t start = i;
        while (i < n && text[i] != ' ' && text[i] != '\t')
            ++i;
        if (i > start)
            fields.push_back(text.substr(start, i - start));
    }
    return fields;
}

bool IsWholeNumber(std::string_view text) {
    text = TrimBlanks(text);
    if (text.empty())
        return false;
    for (char c : text)
        if (!IsAsciiDigit(c))
            return false;
    return true;
}

/// Only digits, points and signs: a field that is a value of its own.
bool IsSimpleField(std::string_view field) {
    for (char c : field)
        if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' ||
              c == ' ' || c == '\t'))
            return false;
    return true;
}

} // namespace

void GroupAngleFields(const std::vector<std::string_view> &fields,
                      std::size_t start, std::vector<FieldSpan> &values) {
    values.clear();
    // Without letters, marks or text from the start on, each field is a
    // value (the grouping gives the same; this is the common line).
    bool simple = true;
    for (std::size_t i = start; i < fields.size() && simple; ++i)
        simple = IsSimpleField(fields[i]);
    if (simple) {
        SingleFieldValues(start, fields.size(), values);
        return;
    }
    Grouper grouper(fields, values);
    for (std::size_t i = start; i < fields.size(); ++i)
        grouper.Field(static_cast<std::uint32_t>(i));
    grouper.Finish();
}

void SingleFieldValues(std::size_t start, std::size_t end,
                       std::vector<FieldSpan> &values) {
    values.clear();
    for (std::size_t i = start; i < end; ++i)
        values.push_back(
            {static_cast<std::uint32_t>(i), static_cast<std::uint32_t>(i)});
}

namespace {

// The refusals below are out of line, so that the tests that pass, once or
// more for each line of a file, need no stack frame.

[[noreturn, gnu::noinline]] void RefuseCoordinate(double value,
                                                  const char *label) {
    throw InputError(std::string(label) + " " + Code::FormatReal(value, '.') +
                     " is beyond 1E10 m");
}

[[gnu::noinline]] void CheckNumbers(const std::vector<std::string_view> &fields,
                                    const std::vector<FieldSpan> &values,
                                    std::size_t asked,
                                    std::string_view firstAngle,
                                    std::string_view secondAngle) {
    std::size_t numbers = 0;
    for (const FieldSpan &span : values)
        if (span.first == span.last &&
            IsNumberText(TrimBlanks(fields[span.first])))
            ++numbers;
    if (numbers <= asked ||
        !(IsWholeNumber(firstAngle) || IsWholeNumber(secondAngle)))
        return;
    throw InputError(
        std::to_string(numbers) + " numbers where " + std::to_string(asked) +
        " are read: degrees, minutes and seconds apart need a hemisphere "
        "letter after each angle (37 30 0 N 127 0 0 E)");
}

[[noreturn, gnu::noinline]] void RefuseSameAxis(std::string_view first,
                                                std::string_view second,
                                                bool latitudes) {
    throw InputError(QuoteInput(TrimBlanks(first)) + " and " +
                     QuoteInput(TrimBlanks(second)) +
                     (latitudes ? " are both latitudes (N or S)"
                                : " are both longitudes (E or W)"));
}

} // namespace

void CheckCoordinate(double value, const char *label) {
    if (!(value >= -COORDINATE_MAX && value <= COORDINATE_MAX))
        RefuseCoordinate(value, label);
}

std::string_view SpanText(const std::vector<std::string_view> &fields,
                          FieldSpan span, std::string &scratch) {
    if (span.first == span.last)
        return fields[span.first];
    scratch.clear();
    for (std::uint32_t f = span.first; f <= span.last; ++f) {
        if (f != span.first)
            scratch += ' ';
        scratch += TrimBlanks(fields[f]);
    }
    return scratch;
}

namespace {

/// Latitude and longitude from the values of two angles, checked.
LatLon Placed(double first, double second, bool firstIsLatitude) {
    LatLon out;
    out.firstIsLatitude = firstIsLatitude;
    out.latitude = firstIsLatitude ? first : second;
    out.longitude = firstIsLatitude ? second : first;
    CheckAngleRange(out.latitude, AngleAxis::Latitude);
    CheckAngleRange(out.longitude, AngleAxis::Longitude);
    return out;
}

} // namespace

LatLon ReadLatLon(std::string_view first, std::string_view second,
                  bool longitudeFirst) {
    // Two plain decimals, the usual pair, read as ParseAngle reads them,
    // without letters to look for.
    double x = 0, y = 0;
    if (Code::ParsePlainReal(TrimBlanks(first), '.', x) &&
        Code::ParsePlainReal(TrimBlanks(second), '.', y))
        return Placed(x, y, !longitudeFirst);
    const AngleValue a =
        ParseAngle(first, longitudeFirst ? "longitude" : "latitude");
    const AngleValue b =
        ParseAngle(second, longitudeFirst ? "latitude" : "longitude");
    auto isLat = [](char h) { return h == 'N' || h == 'S'; };
    bool firstIsLatitude = !longitudeFirst;
    if (a.hemisphere != 0 && b.hemisphere != 0) {
        if (isLat(a.hemisphere) == isLat(b.hemisphere))
            RefuseSameAxis(first, second, isLat(a.hemisphere));
        firstIsLatitude = isLat(a.hemisphere);
    } else if (a.hemisphere != 0) {
        firstIsLatitude = isLat(a.hemisphere);
    } else if (b.hemisphere != 0) {
        firstIsLatitude = !isLat(b.hemisphere);
    }
    return Placed(a.degrees, b.degrees, firstIsLatitude);
}

void CheckNumberCount(const std::vector<std::string_view> &fields,
                      const std::vector<FieldSpan> &values, std::size_t asked,
                      std::string_view firstAngle,
                      std::string_view secondAngle) {
    if (values.size() > asked)
        CheckNumbers(fields, values, asked, firstAngle, secondAngle);
}

GeoPoint ReadGeoPoint(std::string_view text, bool longitudeFirst) {
    const std::vector<std::string_view> fields = PastedFields(text);
    std::vector<FieldSpan> values;
    GroupAngleFields(fields, 0, values);
    if (values.size() < 2)
        throw InputError(QuoteInput(TrimBlanks(text)) +
                         " is not a point: a latitude and a longitude are "
                         "needed");
    std::string scratch1, scratch2, scratch3;
    const std::string_view first = SpanText(fields, values[0], scratch1);
    const std::string_view second = SpanText(fields, values[1], scratch2);
    CheckNumberCount(fields, values, 3, first, second);
    if (values.size() > 3)
        throw InputError(QuoteInput(TrimBlanks(text)) +
                         " is not a point: more than a latitude, a longitude "
                         "and a height");
    const LatLon latLon = ReadLatLon(first, second, longitudeFirst);
    GeoPoint point;
    point.latitude = latLon.latitude;
    point.longitude = latLon.longitude;
    if (values.size() == 3) {
        const double height =
            ReadNumber(SpanText(fields, values[2], scratch3), "height");
        CheckCoordinate(height, "height");
        point.height = height;
    }
    return point;
}
