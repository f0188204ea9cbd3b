// The output writers.
#include "OutputWriter.h"

#include "Axes.h"
#include "LineConvert.h"
#include "NumberText.h"
#include "PointForms.h"
#include "TextParts.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <unordered_map>

// ---- output buffer
// ------------------------------------------------------------

char *OutBuffer::Reserve(std::size_t n) {
    if (m_nCapacity - m_nSize < n) {
        const std::size_t capacity =
            std::max(m_nCapacity + m_nCapacity / 2, m_nSize + n);
        std::unique_ptr<char[]> data(new char[capacity]);
        if (m_nSize != 0)
            std::memcpy(data.get(), m_data.get(), m_nSize);
        m_data = std::move(data);
        m_nCapacity = capacity;
    }
    return m_data.get() + m_nSize;
}

void OutBuffer::Append(std::string_view text) {
    char *p = Reserve(text.size());
    Commit(std::copy(text.begin(), text.end(), p));
}

void OutBuffer::Release(std::size_t keep) {
    if (m_nCapacity > keep) {
        m_data.reset();
        m_nCapacity = 0;
        m_nSize = 0;
    }
}

namespace {

/// Room a GeoJSON point makes for each property beyond its escaped text.
constexpr std::size_t PROPERTY_ROOM = 40;

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
        std::uint32_t cp = 0;
        const std::size_t length = Utf8Sequence(text, i, cp);
        const bool ok = length != 0;
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


// ---- text
// ------------------------------------------------------------------------

/// Each line as it came, its coordinate values replaced by the results;
/// a failed line a comment line with the message.
class TextWriter : public OutputWriter {
  public:
    std::string_view Begin() const override { return {}; }
    std::string_view End(bool) const override { return {}; }
    std::string_view Joined(std::string_view block, bool) const override {
        return block;
    }
    void ByteOrderMark(OutBuffer &out) const override {
        out.Append("\xEF\xBB\xBF");
    }
    void Heading(const LineConverter &c, std::string_view line,
                 std::string_view lineEnd, const FileFormat &format,
                 OutBuffer &out) const override;
    void PassThrough(std::string_view line, std::string_view lineEnd,
                     OutBuffer &out) const override {
        out.Append(line);
        out.Append(lineEnd);
    }
    void Point(const LineConverter &c, std::string_view line,
               std::string_view lineEnd, const FileFormat &format,
               const ConvertedPoint &point, OutBuffer &out) const override;
    void Failure(std::string_view message, std::string_view line,
                 bool withLine, std::string_view lineEnd,
                 OutBuffer &out) const override;
    bool NamesProperties() const override { return false; }
    std::size_t OutputBound(std::size_t bytes, std::size_t lines,
                            std::size_t) const override {
        // A line back with its results or its error added.
        return 2 * bytes + 64 * lines + 4096;
    }
};

/// Copies the text from @p from to @p to: the blanks or delimiter between
/// a line's values byte by byte, anything longer with memcpy (a call for
/// each gap cost more than writing the gap, callgrind).
char *PutGap(char *p, const char *from, const char *to) {
    const auto n = static_cast<std::size_t>(to - from);
    if (n > 4) {
        std::memcpy(p, from, n);
        return p + n;
    }
    for (std::size_t k = 0; k < n; ++k)
        p[k] = from[k];
    return p + n;
}

void TextWriter::Point(const LineConverter &c, std::string_view line,
                       std::string_view lineEnd, const FileFormat &format,
                       const ConvertedPoint &point, OutBuffer &out) const {
    // Each coordinate value is replaced in place by its result; a third value
    // without a column of its own, and the zone, follow the second value
    // (the zone after the third value). Everything else stays as read.
    const int *columns = format.columns;
    const char joiner = format.delimiter == 0 ? ' ' : format.delimiter;
    const SideAxes &to = c.TargetAxes();
    const bool targetGeo = to.DegreeAngles();
    double ordered[3];
    c.TargetValues(point.values, ordered);
    const int lat = to.IndexOf(AxisRole::Latitude);
    bool latitudeAt[2] = {c.WriteOrder()[0] == lat, c.WriteOrder()[1] == lat};
    // A catalogue target follows the order in which the line gave its
    // angles (hemisphere letters may have put the longitude first).
    if (!c.ProjTarget() && targetGeo && c.SourceAxes().DegreeAngles() &&
        point.firstIsLatitude == latitudeAt[1]) {
        std::swap(ordered[0], ordered[1]);
        std::swap(latitudeAt[0], latitudeAt[1]);
    }
    const int slots = point.heightColumn ? 3 : 2;
    int order[3] = {0, 1, 2};
    // Two or three distinct columns: insertion, not std::sort's machinery.
    for (int i = 1; i < slots; ++i)
        for (int j = i; j > 0 && columns[order[j]] < columns[order[j - 1]]; --j)
            std::swap(order[j], order[j - 1]);
    char *p = out.Reserve(line.size() + 3 * GROUP_ROOM + 2 * VALUE_ROOM +
                          lineEnd.size());
    const char *copied = line.data();
    for (int s = 0; s < slots; ++s) {
        const int k = order[s];
        const FieldSpan span = c.Span(columns[k]);
        const std::string_view firstField = c.Field(span.first);
        const std::string_view lastField = c.Field(span.last);
        p = PutGap(p, copied, firstField.data());
        copied = lastField.data() + lastField.size();
        p = targetGeo && k < 2
                ? c.FormatAngle(p, ordered[k], latitudeAt[k], joiner)
                : c.FormatValue(p, ordered[k]);
        // A height without a column of its own follows the coordinate
        // column that comes last on the line.
        if (!point.heightColumn && s == slots - 1) {
            *p++ = joiner;
            p = c.FormatValue(p, ordered[2]);
        }
        if (point.zone != 0 && s == slots - 1) {
            *p++ = joiner;
            p = Code::FormatIntegerTo(p, point.zone);
            *p++ = point.south ? 'S' : 'N';
        }
    }
    p = PutGap(p, copied, line.data() + line.size());
    out.Commit(PutGap(p, lineEnd.data(), lineEnd.data() + lineEnd.size()));
}

void TextWriter::Heading(const LineConverter &c, std::string_view line,
                         std::string_view lineEnd, const FileFormat &format,
                         OutBuffer &out) const {
    std::vector<std::string_view> fields;
    if (!FieldSplitter{format.delimiter}.Split(line, fields)) {
        out.Append(line);
        out.Append(lineEnd);
        return;
    }
    const char joiner = format.delimiter == 0 ? ' ' : format.delimiter;
    const BatchOptions &options = c.Options();
    const ConversionSide &to = options.conversion.to;
    const bool targetGeo = c.TargetAxes().DegreeAngles();
    std::array<std::string, 3> names = c.Names(true);
    if (targetGeo && options.angleFormat != AngleFormat::Dd) {
        // Each angle over its degree, minute (and second) and hemisphere
        // fields.
        const std::string j(1, joiner);
        for (int k = 0; k < 2; ++k) {
            const std::string axis = names[k];
            names[k] = axis + "_deg" + j + axis + "_min" + j;
            if (options.angleFormat == AngleFormat::Dms)
                names[k] += axis + "_sec" + j;
            names[k] += axis + "_hemisphere";
        }
    }
    const bool zoneColumn = to.Kind() == GridKind::Utm && to.Catalogue() &&
                            to.Catalogue()->grid.autoZone;
    const int *columns = format.columns;
    bool has[3] = {false, false, false};
    for (int k = 0; k < format.columnCount; ++k)
        has[k] = static_cast<std::size_t>(columns[k]) < fields.size();
    if (!has[0] || !has[1]) {
        out.Append(line);
        out.Append(lineEnd);
        return;
    }
    const int slots = has[2] ? 3 : 2;
    int order[3] = {0, 1, 2};
    std::sort(order, order + slots,
              [&](int x, int y) { return columns[x] < columns[y]; });
    std::string text;
    const char *copied = line.data();
    for (int s = 0; s < slots; ++s) {
        const int k = order[s];
        const std::string_view field =
            fields[static_cast<std::size_t>(columns[k])];
        text.append(copied, field.data());
        copied = field.data() + field.size();
        text += names[k];
        if (!has[2] && s == slots - 1)
            text.append(1, joiner).append(names[2]);
        if (zoneColumn && s == slots - 1)
            text.append(1, joiner).append("zone");
    }
    text.append(copied, line.data() + line.size());
    out.Append(text);
    out.Append(lineEnd);
}

void TextWriter::Failure(std::string_view message, std::string_view line,
                         bool withLine, std::string_view lineEnd,
                         OutBuffer &out) const {
    const auto breaks =
        static_cast<std::size_t>(std::count(line.begin(), line.end(), '\n'));
    char *p = out.Reserve(message.size() + line.size() + 2 * breaks +
                          lineEnd.size() + 16);
    p = Put(p, "# ERROR: ");
    p = Put(p, message);
    if (withLine) {
        p = Put(p, " | ");
        // Each line of the record stays a comment line.
        for (const char c : line) {
            *p++ = c;
            if (c == '\n')
                p = Put(p, "# ");
        }
    }
    out.Commit(Put(p, lineEnd));
}

// ---- text with references
// ---------------------------------------------------------------------

/// Text lines where a reference takes the place of coordinates: a source's
/// reference column gets the target's values (latitude and longitude, or
/// easting and northing, joined), a target's reference the place of the
/// source's two coordinate columns (the first on the line; the other goes).
/// A height with a column of its own keeps it.
class FormTextWriter final : public TextWriter {
  public:
    void Heading(const LineConverter &c, std::string_view line,
                 std::string_view lineEnd, const FileFormat &format,
                 OutBuffer &out) const override;
    void Point(const LineConverter &c, std::string_view line,
               std::string_view lineEnd, const FileFormat &format,
               const ConvertedPoint &point, OutBuffer &out) const override;

  private:
    /// What goes into a column of the line.
    enum class Slot {
        Reference, ///< the target's reference
        Pair,      ///< the target's first two values, joined
        Height,    ///< the target's third value
        Remove,    ///< nothing: the column and a delimiter go
    };
    struct Edit {
        int column;
        Slot what;
    };
    /// The line's edits in the order of its columns, and whether the
    /// height follows the last one (it has no column of its own).
    static int Edits(const BatchOptions &options, const FileFormat &format,
                     bool heightColumn, Edit edits[3], bool &heightAfter);
};

int FormTextWriter::Edits(const BatchOptions &options, const FileFormat &format,
                          bool heightColumn, Edit edits[3], bool &heightAfter) {
    const int *columns = format.columns;
    int n = 0;
    if (options.sourceForm != ReferenceForm::None) {
        edits[n++] = {columns[0], options.targetForm != ReferenceForm::None
                                      ? Slot::Reference
                                      : Slot::Pair};
        if (heightColumn)
            edits[n++] = {columns[1], Slot::Height};
    } else {
        const bool firstFirst = columns[0] < columns[1];
        edits[n++] = {columns[firstFirst ? 0 : 1], Slot::Reference};
        edits[n++] = {columns[firstFirst ? 1 : 0], Slot::Remove};
        if (heightColumn)
            edits[n++] = {columns[2], Slot::Height};
    }
    std::sort(edits, edits + n,
              [](const Edit &a, const Edit &b) { return a.column < b.column; });
    // A target's values all written, as the text writer writes them; a
    // reference stands for none but itself.
    heightAfter = !heightColumn && options.targetForm == ReferenceForm::None;
    return n;
}

void FormTextWriter::Point(const LineConverter &c, std::string_view line,
                           std::string_view lineEnd, const FileFormat &format,
                           const ConvertedPoint &point, OutBuffer &out) const {
    const BatchOptions &options = c.Options();
    const char joiner = format.delimiter == 0 ? ' ' : format.delimiter;
    const SideAxes &to = c.TargetAxes();
    double ordered[3];
    c.TargetValues(point.values, ordered);
    const int lat = to.IndexOf(AxisRole::Latitude);
    const bool targetGeo = to.DegreeAngles();
    Edit edits[3];
    bool heightAfter = false;
    const int n =
        Edits(options, format, point.heightColumn, edits, heightAfter);
    char *p = out.Reserve(line.size() + 3 * GROUP_ROOM + 2 * VALUE_ROOM +
                          REFERENCE_ROOM + lineEnd.size());
    const char *copied = line.data();
    for (int s = 0; s < n; ++s) {
        const FieldSpan span = c.Span(edits[s].column);
        const std::string_view firstField = c.Field(span.first);
        const std::string_view lastField = c.Field(span.last);
        if (edits[s].what == Slot::Remove) {
            // The column goes with the delimiter before it, or after it
            // when it is the line's first.
            if (span.first > 0) {
                const std::string_view before = c.Field(span.first - 1);
                p = std::copy(copied, before.data() + before.size(), p);
                copied = lastField.data() + lastField.size();
            } else {
                copied = span.last + 1 < c.FieldCount()
                             ? c.Field(span.last + 1).data()
                             : line.data() + line.size();
            }
        } else {
            p = std::copy(copied, firstField.data(), p);
            copied = lastField.data() + lastField.size();
        }
        switch (edits[s].what) {
        case Slot::Reference:
            p = c.FormatReference(p, joiner);
            break;
        case Slot::Pair:
            for (int k = 0; k < 2; ++k) {
                if (k == 1)
                    *p++ = joiner;
                p = targetGeo ? c.FormatAngle(p, ordered[k],
                                              c.WriteOrder()[k] == lat, joiner)
                              : c.FormatValue(p, ordered[k]);
            }
            break;
        case Slot::Height:
            p = c.FormatValue(p, ordered[2]);
            break;
        case Slot::Remove:
            break;
        }
        if (s == n - 1 && heightAfter) {
            *p++ = joiner;
            p = c.FormatValue(p, ordered[2]);
        }
        if (s == n - 1 && point.zone != 0) {
            *p++ = joiner;
            p = Code::FormatIntegerTo(p, point.zone);
            *p++ = point.south ? 'S' : 'N';
        }
    }
    p = std::copy(copied, line.data() + line.size(), p);
    out.Commit(Put(p, lineEnd));
}

void FormTextWriter::Heading(const LineConverter &c, std::string_view line,
                             std::string_view lineEnd, const FileFormat &format,
                             OutBuffer &out) const {
    std::vector<std::string_view> fields;
    const BatchOptions &options = c.Options();
    const int need = options.sourceForm != ReferenceForm::None ? 1 : 2;
    bool complete = FieldSplitter{format.delimiter}.Split(line, fields);
    for (int k = 0; complete && k < need; ++k)
        complete = static_cast<std::size_t>(format.columns[k]) < fields.size();
    if (!complete) {
        out.Append(line);
        out.Append(lineEnd);
        return;
    }
    const bool heightColumn =
        format.columnCount == need + 1 &&
        static_cast<std::size_t>(format.columns[need]) < fields.size();
    const std::string j(1, format.delimiter == 0 ? ' ' : format.delimiter);
    const std::array<std::string, 3> names = c.Names(true);
    std::string reference = ReferenceFormName(options.targetForm);
    if (options.targetForm == ReferenceForm::Ups)
        reference = "hemisphere" + j + "easting" + j + "northing";
    const bool zoneColumn = options.conversion.to.Kind() == GridKind::Utm &&
                            options.conversion.to.Catalogue() &&
                            options.conversion.to.Catalogue()->grid.autoZone;
    Edit edits[3];
    bool heightAfter = false;
    const int n = Edits(options, format, heightColumn, edits, heightAfter);
    std::string text;
    const char *copied = line.data();
    for (int s = 0; s < n; ++s) {
        const auto column = static_cast<std::size_t>(edits[s].column);
        const std::string_view field = fields[column];
        if (edits[s].what == Slot::Remove) {
            if (column > 0) {
                const std::string_view before = fields[column - 1];
                text.append(copied, before.data() + before.size());
            }
            copied = column > 0                   ? field.data() + field.size()
                     : column + 1 < fields.size() ? fields[column + 1].data()
                                                  : line.data() + line.size();
            continue;
        }
        text.append(copied, field.data());
        copied = field.data() + field.size();
        switch (edits[s].what) {
        case Slot::Reference:
            text += reference;
            break;
        case Slot::Pair:
            text += names[0] + j + names[1];
            break;
        default:
            text += names[2];
            break;
        }
        if (s == n - 1 && heightAfter)
            text += j + names[2];
        if (s == n - 1 && zoneColumn)
            text += j + "zone";
    }
    text.append(copied, line.data() + line.size());
    out.Append(text);
    out.Append(lineEnd);
}

// ---- GeoJSON
// ---------------------------------------------------------------------

/// An RFC 7946 FeatureCollection: a Feature per point (longitude,
/// latitude, height) with the other columns as string properties; a failed
/// line a Feature without geometry and with "error" and "text".
class GeoJsonWriter final : public OutputWriter {
  public:
    std::string_view Begin() const override {
        return "{\"type\":\"FeatureCollection\",\"features\":[";
    }
    std::string_view End(bool any) const override {
        return any ? "\n]}\n" : "]}\n";
    }
    std::string_view Joined(std::string_view block, bool first) const override {
        // Every feature comes after a comma; the first one has none.
        if (first && !block.empty())
            block.remove_prefix(1);
        return block;
    }
    void ByteOrderMark(OutBuffer &) const override {}
    void Heading(const LineConverter &, std::string_view, std::string_view,
                 const FileFormat &, OutBuffer &) const override {}
    void PassThrough(std::string_view, std::string_view,
                     OutBuffer &) const override {}
    void Point(const LineConverter &c, std::string_view line,
               std::string_view lineEnd, const FileFormat &format,
               const ConvertedPoint &point, OutBuffer &out) const override;
    void Failure(std::string_view message, std::string_view line,
                 bool withLine, std::string_view lineEnd,
                 OutBuffer &out) const override;
    bool NamesProperties() const override { return true; }
    std::size_t OutputBound(std::size_t bytes, std::size_t lines,
                            std::size_t fields) const override {
        // Each byte escaped into up to six, and for each property the room
        // Point makes beyond its text: its key ("field65536"), quotes,
        // colon and comma, with a margin.
        return 9 * bytes + 256 * lines + 4096 + PROPERTY_ROOM * fields;
    }
};

void GeoJsonWriter::Point(const LineConverter &c, std::string_view,
                          std::string_view, const FileFormat &format,
                          const ConvertedPoint &point, OutBuffer &out) const {
    const double *result = point.values;
    const SideAxes &to = c.TargetAxes();
    const std::size_t valueCount = c.ValueCount();
    std::size_t room = 160 + 3 * VALUE_ROOM;
    for (std::size_t i = 0; i < c.FieldCount(); ++i)
        room += 6 * c.Field(i).size() + PROPERTY_ROOM;
    for (std::size_t i = 0; format.keys && i < valueCount; ++i)
        room += i < format.keys->size() ? (*format.keys)[i].size() : 0;
    char *p = out.Reserve(room);
    const double lon = WrittenLongitude(result[to.IndexOf(AxisRole::Longitude)]);
    p = Put(p, ",\n{\"type\":\"Feature\",\"geometry\":");
    p = PutGeoJsonPoint(p, lon, result[to.IndexOf(AxisRole::Latitude)],
                        result[2], [&c](char *q, double value) {
                            return c.FormatValue(q, value);
                        });
    p = Put(p, ",\"properties\":{");
    bool first = true;
    const int *columns = format.columns;
    std::string scratch;
    for (std::size_t i = 0; i < valueCount; ++i) {
        const int column = static_cast<int>(i);
        if (std::find(columns, columns + format.columnCount, column) !=
            columns + format.columnCount)
            continue;
        if (!first)
            *p++ = ',';
        first = false;
        if (format.keys && i < format.keys->size())
            p = Put(p, (*format.keys)[i]);
        else
            p = PutFieldKey(p, i);
        *p++ = ':';
        p = PutJsonString(p, c.Column(column, scratch));
    }
    out.Commit(Put(p, "}}"));
}

void GeoJsonWriter::Failure(std::string_view message, std::string_view line,
                            bool withLine, std::string_view,
                            OutBuffer &out) const {
    char *p = out.Reserve(6 * (message.size() + line.size()) + 120);
    p = Put(p, ",\n{\"type\":\"Feature\",\"geometry\":null,"
               "\"properties\":{\"error\":");
    p = PutJsonString(p, message);
    if (withLine) {
        p = Put(p, ",\"text\":");
        p = PutJsonString(p, line);
    }
    out.Commit(Put(p, "}}"));
}

} // namespace

const OutputWriter &WriterOf(const BatchOptions &options) {
    static const TextWriter TEXT;
    static const FormTextWriter FORM_TEXT;
    static const GeoJsonWriter GEOJSON;
    if (options.outputFormat == OutputFormat::GeoJson)
        return GEOJSON;
    if (options.sourceForm != ReferenceForm::None ||
        options.targetForm != ReferenceForm::None)
        return FORM_TEXT;
    return TEXT;
}

std::vector<std::string> PropertyKeys(std::string_view header, char delimiter) {
    const std::vector<std::string> names = HeadingNames(header, delimiter);

    // The names as JSON strings. Names are compared after escaping: bytes
    // that are not UTF-8 all become U+FFFD, so two different names can give
    // the same key.
    std::vector<std::string> keys;
    for (const std::string &name : names) {
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
