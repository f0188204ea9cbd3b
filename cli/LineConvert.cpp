// The conversion of one line and of a block of lines.
#include "AngleText.h"
#include "Batch.h"
#include "Code.h"
#include "NumberText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <unordered_map>

// ---- output buffer
// ------------------------------------------------------------

char *OutBuffer::Reserve(std::size_t n) {
    if (m_data.size() - m_nSize < n)
        m_data.resize(std::max(m_data.size() * 2, m_nSize + n));
    return m_data.data() + m_nSize;
}

void OutBuffer::Append(std::string_view text) {
    char *p = Reserve(text.size());
    Commit(std::copy(text.begin(), text.end(), p));
}

namespace {

/// Room for one formatted value: a fixed-decimal double has up to 309
/// integer digits, a sign, a point and 17 decimals.
constexpr std::size_t VALUE_ROOM = 340;
/// Room for one output field group: three values and their joiners.
constexpr std::size_t GROUP_ROOM = 3 * VALUE_ROOM + 8;

template <std::size_t N> char *Put(char *p, const char (&literal)[N]) {
    return std::copy(literal, literal + N - 1, p);
}

char *Put(char *p, std::string_view text) {
    return std::copy(text.begin(), text.end(), p);
}

/// JSON string of @p text: quotes, escapes, and U+FFFD for bytes that are
/// not UTF-8. Writes at most 6 bytes per input byte plus 2.
char *PutJsonString(char *p, std::string_view text) {
    static constexpr char HEX[] = "0123456789abcdef";
    *p++ = '"';
    const auto *s = reinterpret_cast<const unsigned char *>(text.data());
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned char c = s[i];
        if (c < 0x80) {
            if (c == '"' || c == '\\') {
                *p++ = '\\';
                *p++ = static_cast<char>(c);
            } else if (c < 0x20 || c == 0x7F) {
                p = Put(p, "\\u00");
                *p++ = HEX[c >> 4];
                *p++ = HEX[c & 15];
            } else {
                *p++ = static_cast<char>(c);
            }
            ++i;
            continue;
        }
        // A well-formed UTF-8 sequence passes whole, anything else becomes
        // U+FFFD one byte at a time.
        std::size_t length = 0;
        std::uint32_t min = 0;
        if (c >= 0xC2 && c <= 0xDF) {
            length = 2;
            min = 0x80;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3;
            min = 0x800;
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
            min = 0x10000;
        }
        bool ok = length != 0 && i + length <= n;
        std::uint32_t cp = ok ? c & (0xFFu >> (length + 1)) : 0;
        for (std::size_t k = 1; ok && k < length; ++k) {
            if ((s[i + k] & 0xC0) != 0x80)
                ok = false;
            else
                cp = (cp << 6) | (s[i + k] & 0x3Fu);
        }
        ok = ok && cp >= min && cp <= 0x10FFFF &&
             !(cp >= 0xD800 && cp <= 0xDFFF);
        if (ok) {
            p = std::copy(text.data() + i, text.data() + i + length, p);
            i += length;
        } else {
            p = Put(p, "\xEF\xBF\xBD");
            ++i;
        }
    }
    *p++ = '"';
    return p;
}

char *PutFieldKey(char *p, std::size_t index) {
    p = Put(p, "\"field");
    p = std::to_chars(p, p + 24, index + 1).ptr;
    *p++ = '"';
    return p;
}

/// Fixed decimals, correctly rounded from the binary value; a result that
/// rounds to zero is written without a sign.
char *PutFixed(char *p, double value, int precision) {
    char *start = p;
    p = std::to_chars(p, p + VALUE_ROOM, value, std::chars_format::fixed,
                      precision)
            .ptr;
    if (*start == '-' && std::find_if(start, p, [](char c) {
                             return c >= '1' && c <= '9';
                         }) == p) {
        std::copy(start + 1, p, start);
        --p;
    }
    return p;
}

bool IsZeroText(const char *first, const char *last) {
    return std::find_if(first, last,
                        [](char c) { return c >= '1' && c <= '9'; }) == last;
}

} // namespace

// ---- one line
// -------------------------------------------------------------------

LineConverter::LineConverter(const BatchOptions &options)
    : m_options(options), m_chain(options.chain) {
    if (options.columns.empty()) {
        m_columns[0] = 0;
        m_columns[1] = 1;
        m_columns[2] = 2;
        m_nColumns = 3;
        m_bThirdOptional = true;
    } else {
        m_nColumns = static_cast<int>(options.columns.size());
        for (int k = 0; k < m_nColumns; ++k)
            m_columns[k] = options.columns[static_cast<std::size_t>(k)];
        m_columns[2] = m_nColumns == 3 ? m_columns[2] : -1;
        m_bThirdOptional = false;
    }
    m_fields.reserve(16);
}

char *LineConverter::FormatValue(char *p, double value) const {
    if (m_options.precision < 0)
        return Code::FormatRealTo(p, value);
    return PutFixed(p, ThroughText(value), m_options.precision);
}

char *LineConverter::FormatAngle(char *p, double value, char joiner) const {
    const AngleFormat format = m_options.angleFormat;
    if (format == AngleFormat::Dd)
        return FormatValue(p, value);
    // The DM and DMS rows follow the DD row's text, as the window's field
    // synchronisation does.
    const double dd = ThroughText(value);
    std::int32_t degrees = 0, minutes = 0;
    double dmMinutes = 0, seconds = 0;
    if (format == AngleFormat::Dm)
        Code::DdToDm(dd, degrees, dmMinutes);
    else
        Code::DdToDms(dd, degrees, minutes, seconds);

    const int precision = m_options.precision;
    if (precision < 0) {
        // The window's texts, parts exactly as the routines give them.
        p = Code::FormatIntegerTo(p, degrees);
        *p++ = joiner;
        if (format == AngleFormat::Dm)
            return Code::FormatRealTo(p, dmMinutes);
        p = Code::FormatIntegerTo(p, minutes);
        *p++ = joiner;
        return Code::FormatRealTo(p, seconds);
    }

    // Fixed decimals on the last part: a part that rounds up to 60 carries
    // into the one before, so no "60.000" is written. Signs as the routines
    // place them: on the degrees, or on every non-zero part above -1 degree.
    const bool negative = dd < 0;
    std::int64_t d = std::llabs(static_cast<std::int64_t>(degrees));
    std::int64_t m = std::llabs(static_cast<std::int64_t>(minutes));
    const double last =
        std::fabs(format == AngleFormat::Dm ? dmMinutes : seconds);
    char lastText[VALUE_ROOM];
    char *lastEnd = PutFixed(lastText, last, precision);
    if (lastEnd - lastText >= 2 && lastText[0] == '6' && lastText[1] == '0' &&
        (lastEnd - lastText == 2 || lastText[2] == '.')) {
        lastEnd = PutFixed(lastText, 0.0, precision);
        if (format == AngleFormat::Dm) {
            ++d;
        } else if (++m == 60) {
            m = 0;
            ++d;
        }
    }
    const bool signOnDegrees = negative && d != 0;
    if (signOnDegrees)
        *p++ = '-';
    p = std::to_chars(p, p + 24, d).ptr;
    *p++ = joiner;
    if (format == AngleFormat::Dms) {
        if (negative && !signOnDegrees && m != 0)
            *p++ = '-';
        p = std::to_chars(p, p + 24, m).ptr;
        *p++ = joiner;
    }
    if (negative && !signOnDegrees && !IsZeroText(lastText, lastEnd))
        *p++ = '-';
    return std::copy(lastText, lastEnd, p);
}

void LineConverter::Convert(std::string_view line, std::string_view lineEnd,
                            const FileFormat &format, OutBuffer &out) {
    FieldSplitter{format.delimiter}.Split(line, m_fields);
    const std::size_t fieldCount = m_fields.size();

    // The coordinate fields, read in column order as the window reads its
    // fields: latitude, longitude, altitude (or X, Y, Z).
    bool has[3] = {false, false, false};
    for (int k = 0; k < m_nColumns; ++k) {
        const auto column = static_cast<std::size_t>(m_columns[k]);
        has[k] = column < fieldCount;
        if (!has[k] && !(k == 2 && m_bThirdOptional))
            throw InputError("missing column " + std::to_string(column + 1));
    }
    const bool sourceGeo = m_options.chain.from.kind == KIND_GEO;
    const bool lonLat = m_options.lonLat;
    double in[3] = {0, 0, 0};
    for (int k = 0; k < 2; ++k) {
        const std::string_view field =
            m_fields[static_cast<std::size_t>(m_columns[k])];
        if (sourceGeo) {
            const bool isLon = (k == 0) == lonLat;
            in[isLon ? 1 : 0] = ReadAngle(field, isLon ? AngleAxis::Longitude
                                                       : AngleAxis::Latitude);
        } else {
            in[k] = ReadReal(TrimBlanks(field));
        }
    }
    if (has[2])
        in[2] = ReadReal(
            TrimBlanks(m_fields[static_cast<std::size_t>(m_columns[2])]));

    double result[3] = {0, 0, 0};
    std::int32_t zone = 0;
    m_chain.Convert(in, result, zone);

    if (m_options.outputFormat == OutputFormat::GeoJson) {
        WriteGeoJson(result, format, out);
        return;
    }

    // Each coordinate field is replaced in place by its result; a third value
    // without a column of its own, and the zone, follow the second field
    // (the zone after the third value). Everything else stays as read.
    const char joiner = format.delimiter == 0 ? ' ' : format.delimiter;
    const bool targetGeo = m_options.chain.to.kind == KIND_GEO;
    double ordered[3] = {result[0], result[1], result[2]};
    if (targetGeo && lonLat)
        std::swap(ordered[0], ordered[1]);
    const int slots = has[2] ? 3 : 2;
    int order[3] = {0, 1, 2};
    std::sort(order, order + slots,
              [&](int x, int y) { return m_columns[x] < m_columns[y]; });
    char *p = out.Reserve(line.size() + 3 * GROUP_ROOM + 2 * VALUE_ROOM +
                          lineEnd.size());
    const char *copied = line.data();
    for (int s = 0; s < slots; ++s) {
        const int k = order[s];
        const std::string_view field =
            m_fields[static_cast<std::size_t>(m_columns[k])];
        p = std::copy(copied, field.data(), p);
        copied = field.data() + field.size();
        p = targetGeo && k < 2 ? FormatAngle(p, ordered[k], joiner)
                               : FormatValue(p, ordered[k]);
        if (k == 1 && !has[2]) {
            *p++ = joiner;
            p = FormatValue(p, ordered[2]);
        }
        if (zone != 0 && k == slots - 1) {
            *p++ = joiner;
            p = Code::FormatIntegerTo(p, zone);
        }
    }
    p = std::copy(copied, line.data() + line.size(), p);
    out.Commit(Put(p, lineEnd));
}

void LineConverter::WriteGeoJson(const double result[3],
                                 const FileFormat &format, OutBuffer &out) {
    std::size_t room = 160 + 3 * VALUE_ROOM;
    for (std::size_t i = 0; i < m_fields.size(); ++i)
        room +=
            6 * m_fields[i].size() + 40 +
            (format.keys && i < format.keys->size() ? (*format.keys)[i].size()
                                                    : 0);
    char *p = out.Reserve(room);
    p = Put(p, ",\n{\"type\":\"Feature\",\"geometry\":{\"type\":\"Point\","
               "\"coordinates\":[");
    p = FormatValue(p, result[1]);
    *p++ = ',';
    p = FormatValue(p, result[0]);
    *p++ = ',';
    p = FormatValue(p, result[2]);
    p = Put(p, "]},\"properties\":{");
    bool first = true;
    for (std::size_t i = 0; i < m_fields.size(); ++i) {
        if (static_cast<int>(i) == m_columns[0] ||
            static_cast<int>(i) == m_columns[1] ||
            static_cast<int>(i) == m_columns[2])
            continue;
        if (!first)
            *p++ = ',';
        first = false;
        if (format.keys && i < format.keys->size())
            p = Put(p, (*format.keys)[i]);
        else
            p = PutFieldKey(p, i);
        *p++ = ':';
        p = PutJsonString(p, TrimBlanks(m_fields[i]));
    }
    out.Commit(Put(p, "}}"));
}

std::vector<std::string> PropertyKeys(std::string_view header, char delimiter) {
    if (!header.empty() && header.back() == '\r')
        header.remove_suffix(1);
    std::vector<std::string_view> names;
    FieldSplitter{delimiter}.Split(header, names);

    // The names as JSON strings. Names are compared after escaping: bytes
    // that are not UTF-8 all become U+FFFD, so two different names can give
    // the same key.
    std::vector<std::string> keys;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string_view name = TrimBlanks(names[i]);
        std::string key(6 * name.size() + 32, '\0');
        char *end = name.empty() ? key.data() : PutJsonString(key.data(), name);
        key.resize(static_cast<std::size_t>(end - key.data()));
        keys.push_back(std::move(key));
    }
    // Every key must be unique: an empty or repeated name, and a name of the
    // form "fieldN" other than its own column's, become "fieldN" of their
    // column (the key a column beyond the heading gets too).
    std::unordered_map<std::string_view, std::size_t> uses;
    for (const std::string &key : keys)
        ++uses[key];
    std::vector<std::string> out(keys.size());
    for (std::size_t i = 0; i < keys.size(); ++i) {
        char own[32];
        const std::string_view ownKey(
            own, static_cast<std::size_t>(PutFieldKey(own, i) - own));
        const bool repeated = uses[keys[i]] > 1;
        const bool fieldLike =
            keys[i].rfind("\"field", 0) == 0 && keys[i].size() > 7 &&
            std::all_of(keys[i].begin() + 6, keys[i].end() - 1,
                        [](char c) { return c >= '0' && c <= '9'; });
        out[i] = keys[i].empty() || repeated || (fieldLike && keys[i] != ownKey)
                     ? std::string(ownKey)
                     : keys[i];
    }
    return out;
}

// ---- blocks
// -----------------------------------------------------------------------

void ProcessBlock(LineConverter &converter, const BatchOptions &options,
                  const BlockText &block, bool headerFirst,
                  const FileFormat &format, BlockResult &result) {
    result.Clear();
    const bool text = options.outputFormat == OutputFormat::Text;
    const bool stopOnError = options.onError == ErrorPolicy::Stop;
    bool headerPending = headerFirst;
    if (block.overlongFirst) {
        result.lines = 1;
        result.errors.push_back(
            {1,
             "line longer than " + std::to_string(MAX_LINE_BYTES) + " bytes"});
        headerPending = false;
        if (stopOnError) {
            result.stopped = true;
            return;
        }
    }
    const char *p = block.text.data();
    const char *end = p + block.text.size();
    while (p < end) {
        const char *nl = static_cast<const char *>(
            std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
        const char *lineEnd = nl ? nl : end;
        const char *next = nl ? nl + 1 : end;
        ++result.lines;
        std::string_view line(p, static_cast<std::size_t>(lineEnd - p));
        // Output lines keep a carriage return before their line end; a last
        // line without a line end gets one.
        const bool cr = !line.empty() && line.back() == '\r';
        if (cr)
            line.remove_suffix(1);
        const std::string_view eol = cr ? "\r\n" : "\n";

        if (headerPending || IsPassThroughLine(line)) {
            headerPending = false;
            if (text) {
                result.out.Append(line);
                result.out.Append(eol);
            }
        } else {
            try {
                converter.Convert(line, eol, format, result.out);
                ++result.points;
            } catch (const std::exception &e) {
                result.errors.push_back({result.lines, e.what()});
                if (stopOnError) {
                    result.stopped = true;
                    return;
                }
            }
        }
        p = next;
    }
}
