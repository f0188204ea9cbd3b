// The conversion of one line and of a block of lines.
#include "LineConvert.h"

#include "AngleForms.h"
#include "AngleText.h"
#include "Code.h"
#include "Errors.h"
#include "NumberText.h"
#include "PointText.h"
#include "TextParts.h"
#include "Utm.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <mutex>
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

/// The largest distance from the false easting that a grid X may have:
/// 1000 km, far beyond any zone or belt.
constexpr double GRID_EAST_MAX = 1e6;
/// The largest distance from the false northing: the pole is 10,002 km
/// from the equator on the meridian.
constexpr double GRID_NORTH_MAX = 1.1e7;

} // namespace

double WrittenLongitude(double lon) {
    if (lon > 180)
        lon -= 360;
    if (lon < -179.999999 && Code::RealThroughText(lon) <= -180)
        lon += 360;
    return lon;
}

namespace {

} // namespace

// ---- columns
// --------------------------------------------------------------------

namespace {

bool Among(const std::vector<std::string> &names, const std::string &name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

/// The columns of the source's values found by the heading's names; none
/// when the heading names none of them.
void ColumnsFromHeading(const SourceAxes &axes,
                        const std::vector<std::string> &heading,
                        FileFormat &format) {
    std::vector<std::string> names;
    for (const std::string &name : heading)
        names.push_back(LowerAscii(TrimBlanks(name)));
    const auto refuse = [&axes](ColumnsFault::Kind kind) {
        ColumnsFault fault;
        fault.kind = kind;
        fault.what = axes.what;
        return fault;
    };
    int found[3] = {-1, -1, -1};
    for (int k = 0; k < 3; ++k)
        for (std::size_t i = 0; i < names.size(); ++i)
            if (Among(axes.names[k], names[i])) {
                if (found[k] >= 0) {
                    ColumnsFault fault = refuse(ColumnsFault::SameValueTwice);
                    fault.names[0] = heading[i];
                    fault.names[1] =
                        heading[static_cast<std::size_t>(found[k])];
                    throw ColumnsInputError(fault);
                }
                found[k] = static_cast<int>(i);
            }
    const bool bareXY = axes.kind != SourceAxes::Ecef &&
                        (Among(names, "x") || Among(names, "y"));
    if (found[0] < 0 || found[1] < 0) {
        if (bareXY)
            throw ColumnsInputError(refuse(ColumnsFault::EitherAxis));
        for (const std::string &name : names)
            if (Among(axes.misfits, name)) {
                ColumnsFault fault = refuse(ColumnsFault::OtherKind);
                fault.misfitWhat = axes.misfitWhat;
                fault.side = axes.side;
                throw ColumnsInputError(fault);
            }
        if (found[0] >= 0 || found[1] >= 0)
            throw ColumnsInputError(refuse(ColumnsFault::OnlyOne));
        return; // the first columns, in the side's order
    }
    format.columns[0] = found[0];
    format.columns[1] = found[1];
    format.columns[2] = found[2];
    format.columnCount = found[2] >= 0 ? 3 : 2;
    format.thirdOptional = false;
}

} // namespace

void ResolveColumns(const BatchOptions &options, const SourceAxes &axes,
                    std::string_view header, FileFormat &format) {
    if (options.columns.empty() && options.columnNames.empty()) {
        format.columns[0] = 0;
        format.columns[1] = 1;
        format.columns[2] = 2;
        format.columnCount = 3;
        format.thirdOptional = true;
        // The heading's names decide when they are unambiguous.
        if (options.header && !header.empty())
            ColumnsFromHeading(axes, HeadingNames(header, format.delimiter),
                               format);
        return;
    }
    const std::vector<std::string> names =
        HeadingNames(header, format.delimiter);
    const std::size_t count =
        std::max(options.columns.size(), options.columnNames.size());
    format.columnCount = static_cast<int>(count);
    format.thirdOptional = false;
    format.columns[2] = -1;
    for (std::size_t k = 0; k < count && k < 3; ++k) {
        const std::string_view name =
            k < options.columnNames.size()
                ? std::string_view(options.columnNames[k])
                : std::string_view();
        if (name.empty()) {
            format.columns[k] = options.columns[k];
            continue;
        }
        ColumnsFault fault;
        fault.names[0] = std::string(name);
        int found = -1;
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (names[i] == name) {
                if (found >= 0) {
                    fault.kind = ColumnsFault::NameTwice;
                    throw ColumnsInputError(fault);
                }
                found = static_cast<int>(i);
            }
        }
        if (found < 0) {
            fault.kind = ColumnsFault::NoSuchName;
            throw ColumnsInputError(fault);
        }
        format.columns[k] = found;
    }
    for (int i = 0; i < format.columnCount; ++i)
        for (int j = 0; j < i; ++j)
            if (format.columns[i] == format.columns[j]) {
                ColumnsFault fault;
                fault.kind = ColumnsFault::ColumnTwice;
                fault.column = format.columns[i] + 1;
                throw ColumnsInputError(fault);
            }
}

std::optional<FileFormat> HeadingColumns(const BatchOptions &options,
                                         std::string_view header,
                                         char delimiter) {
    BatchOptions run = options;
    run.columns.clear();
    run.columnNames.clear();
    run.header = true;
    // The source's axes as the run's own converter reads them.
    const LineConverter converter(run);
    FileFormat format;
    format.delimiter = delimiter;
    ResolveColumns(run, converter.Axes(), header, format);
    // A heading that names none of the values leaves the first columns.
    if (format.thirdOptional)
        return std::nullopt;
    return format;
}

// ---- one line
// -------------------------------------------------------------------

namespace {

/// The side's PROJ system is projected with its northing first, and the
/// files do not put the east first (@p lonLat, see BatchOptions).
bool NorthingFirst(bool lonLat, const CrsFacts *facts) {
    return facts && facts->horizontal == CrsKind::Projected &&
           facts->NorthFirst() && !lonLat;
}

/// The side's longitude comes first: the files say so, or its PROJ
/// system's own order does.
bool LongitudeFirst(bool lonLat, const CrsFacts *facts) {
    return lonLat || (facts && facts->Angular() && !facts->NorthFirst());
}

void AddAxisNames(const CrsFacts *facts, const char *direction,
                  std::vector<std::string> &names) {
    if (!facts)
        return;
    for (const CrsAxis &axis : facts->axes)
        if (axis.direction == direction)
            for (const std::string &name : {axis.name, axis.abbreviation}) {
                const std::string lower = LowerAscii(name);
                // A bare x or y says nothing about the axis (see
                // ColumnsFromHeading).
                if (!lower.empty() && lower != "x" && lower != "y" &&
                    !Among(names, lower))
                    names.push_back(lower);
            }
}

/// A height's name as a heading writes it: lower case, blanks as '_'.
std::string HeadingName(std::string_view name) {
    std::string out = LowerAscii(name);
    for (char &c : out)
        if (c == ' ' || c == '\t')
            c = '_';
    return out;
}

} // namespace

SourceAxes SourceAxesOf(const BatchOptions &options, const CrsFacts *facts) {
    const SideSettings &from = options.chain.from;
    SourceAxes axes;
    axes.side = !from.crs.empty() ? from.crs : "the catalogue datum";
    const std::vector<std::string> latitude = {"lat", "latitude", "위도",
                                               "緯度"};
    const std::vector<std::string> longitude = {"lon", "long", "lng",
                                                "longitude", "경도", "経度"};
    const std::vector<std::string> easting = {"easting", "e", "east"};
    const std::vector<std::string> northing = {"northing", "n", "north"};
    std::vector<std::string> height = {"h", "height", "alt", "altitude", "z",
                                       "elevation", "ellipsoidal height"};
    AddAxisNames(facts, "up", height);
    const bool angles = facts ? facts->Angular() : from.kind == KIND_GEO;
    const bool ecef = facts ? facts->horizontal == CrsKind::Geocentric
                            : from.kind == CS_ECEF;
    if (ecef) {
        axes.kind = SourceAxes::Ecef;
        axes.names[0] = {"x", "geocentric x"};
        axes.names[1] = {"y", "geocentric y"};
        axes.names[2] = {"z", "geocentric z"};
        axes.what = "X and Y";
        return axes;
    }
    if (angles) {
        std::vector<std::string> lat = latitude, lon = longitude;
        AddAxisNames(facts, "north", lat);
        AddAxisNames(facts, "east", lon);
        const bool lonFirst = LongitudeFirst(options.lonLat, facts);
        axes.names[0] = lonFirst ? lon : lat;
        axes.names[1] = lonFirst ? lat : lon;
        axes.what = lonFirst ? "longitude and latitude" : "latitude and longitude";
        axes.misfits = easting;
        axes.misfits.insert(axes.misfits.end(), northing.begin(), northing.end());
        axes.misfitWhat = "easting and northing";
    } else {
        axes.kind = SourceAxes::Grid;
        std::vector<std::string> east = easting, north = northing;
        AddAxisNames(facts, "east", east);
        AddAxisNames(facts, "north", north);
        const bool northFirst = NorthingFirst(options.lonLat, facts);
        axes.names[0] = northFirst ? north : east;
        axes.names[1] = northFirst ? east : north;
        axes.what = northFirst ? "northing and easting" : "easting and northing";
        axes.misfits = latitude;
        axes.misfits.insert(axes.misfits.end(), longitude.begin(), longitude.end());
        axes.misfitWhat = "latitude and longitude";
    }
    axes.names[2] = height;
    return axes;
}

LineConverter::LineConverter(const BatchOptions &options)
    : m_options(options),
      m_chain(options.chain, DomainPolicy::Strict, options.sourceZoneColumn) {
    SetUp();
}

LineConverter::LineConverter(const LineConverter &other)
    : m_options(other.m_options), m_chain(other.m_chain) {
    SetUp();
}

void LineConverter::SetUp() {
    const ChainSettings &chain = m_options.chain;
    const CrsFacts *from = chain.from.crs.empty() ? nullptr : m_chain.FromFacts();
    const CrsFacts *to = chain.to.crs.empty() ? nullptr : m_chain.ToFacts();
    m_axes = SourceAxesOf(m_options, from);
    m_bNorthingFirst1 = ::NorthingFirst(m_options.lonLat, from);
    m_bNorthingFirst2 = ::NorthingFirst(m_options.lonLat, to);
    m_bLonFirst1 = LongitudeFirst(m_options.lonLat, from);
    m_bLonFirst2 = LongitudeFirst(m_options.lonLat, to);
    m_bProjTarget = to != nullptr;
    m_fields.reserve(16);
    m_values.reserve(16);
}

char *LineConverter::FormatValue(char *p, double value) const {
    if (m_options.precision < 0)
        return Code::FormatRealTo(p, value, '.');
    return PutFixed(p, Code::RealThroughText(value), m_options.precision);
}

char *LineConverter::FormatAngle(char *p, double value, bool latitude,
                                 char joiner) const {
    const AngleFormat format = m_options.angleFormat;
    if (!latitude)
        value = WrittenLongitude(value);
    if (format == AngleFormat::Dd)
        return FormatValue(p, value);
    // The DM and DMS rows follow the DD row's text, as the window's field
    // synchronisation does; the parts are magnitudes and the hemisphere
    // letter after them says the sign, so that the parts read back as one
    // angle whatever the delimiter.
    const double dd = Code::RealThroughText(value);
    const char letter = latitude ? (dd < 0 ? 'S' : 'N') : (dd < 0 ? 'W' : 'E');
    const double magnitude = std::fabs(dd);
    std::int32_t degrees = 0, minutes = 0;
    double dmMinutes = 0, seconds = 0;
    if (format == AngleFormat::Dm)
        Code::DdToDm(magnitude, degrees, dmMinutes);
    else
        Code::DdToDms(magnitude, degrees, minutes, seconds);

    const int precision = m_options.precision;
    if (precision < 0) {
        // The window's texts, parts exactly as the routines give them.
        p = Code::FormatIntegerTo(p, degrees);
        *p++ = joiner;
        if (format == AngleFormat::Dm) {
            p = Code::FormatRealTo(p, dmMinutes, '.');
        } else {
            p = Code::FormatIntegerTo(p, minutes);
            *p++ = joiner;
            p = Code::FormatRealTo(p, seconds, '.');
        }
        *p++ = joiner;
        *p++ = letter;
        return p;
    }

    if (format == AngleFormat::Dms) {
        // The additions' DMS writer: seconds rounded once, a rounded 60
        // carried into the minute and the degree.
        const std::string_view j(&joiner, 1);
        const std::string text = Code::FormatDms(
            dd, precision, Code::DmsJoiner{j, j, j}, latitude ? 'N' : 'E',
            latitude ? 'S' : 'W', Code::DmsDecimals::Fixed);
        return std::copy(text.begin(), text.end(), p);
    }

    // Fixed decimals on the minutes: minutes that round up to 60 carry into
    // the degree, so no "60.000" is written.
    std::int64_t d = degrees;
    char lastText[VALUE_ROOM];
    char *lastEnd = PutFixed(lastText, dmMinutes, precision);
    if (lastEnd - lastText >= 2 && lastText[0] == '6' && lastText[1] == '0' &&
        (lastEnd - lastText == 2 || lastText[2] == '.')) {
        lastEnd = PutFixed(lastText, 0.0, precision);
        ++d;
    }
    p = std::to_chars(p, p + 24, d).ptr;
    *p++ = joiner;
    p = std::copy(lastText, lastEnd, p);
    *p++ = joiner;
    *p++ = letter;
    return p;
}

FieldSpan LineConverter::Span(int column) const {
    const auto c = static_cast<std::size_t>(column);
    if (c < m_nStart)
        return {static_cast<std::uint32_t>(c), static_cast<std::uint32_t>(c)};
    return m_values[c - m_nStart];
}

std::string_view LineConverter::Column(int column, std::string &scratch) const {
    const FieldSpan span = Span(column);
    if (span.first == span.last)
        return Unquote(m_fields[span.first], scratch);
    return SpanText(m_fields, span, scratch);
}

void LineConverter::ReleaseIndex() {
    // The index of a line of ordinary width stays; a wider one goes.
    constexpr std::size_t KEEP = 256;
    if (m_fields.capacity() > KEEP) {
        std::vector<std::string_view>().swap(m_fields);
        m_fields.reserve(16);
    }
    if (m_values.capacity() > KEEP) {
        std::vector<FieldSpan>().swap(m_values);
        m_values.reserve(16);
    }
}

void LineConverter::ConvertValues(const double in[3], int sourceZone,
                                  bool sourceSouth, double result[3],
                                  std::int32_t &zone, bool &south) {
    const ChainSettings &chain = m_options.chain;
    const bool sourceGeo = chain.from.kind == KIND_GEO;
    const bool ecef = chain.from.kind == CS_ECEF;
    for (int k = sourceGeo ? 2 : 0; k < 3; ++k)
        CheckCoordinate(in[k], k == 2 ? (ecef ? "Z" : "height")
                                      : (k == 0 ? "X" : "Y"));
    if (IsGridKind(chain.from.kind) && chain.from.crs.empty()) {
        double x0 = 0, y0 = 0;
        m_chain.SourceOrigin(sourceZone, sourceSouth, x0, y0);
        if (!(std::fabs(in[0] - x0) <= GRID_EAST_MAX))
            throw InputError("easting " + WrittenReal(in[0]) +
                             " is more than 1000 km from the false easting " +
                             WrittenReal(x0));
        if (!(std::fabs(in[1] - y0) <= GRID_NORTH_MAX))
            throw InputError("northing " + WrittenReal(in[1]) +
                             " is more than 11000 km from the false northing " +
                             WrittenReal(y0));
    }
    m_chain.Convert(in, sourceZone, sourceSouth, result, zone, south);
    if (const ProjTransform *proj = m_chain.Proj()) {
        const AreaCheck area = m_chain.LastArea();
        if (area.outside && m_options.outsideArea == OutsidePolicy::Error) {
            throw InputError(
                "outside the area of use of " +
                AreaText(*proj, m_chain.LastOperation(), area.target) +
                (area.swappedInside ? "; axes swapped?" : ""));
        }
        if (m_options.requireBest && m_chain.LastMissing() >= 0) {
            const MissingOperation &missing =
                proj->Missing()[static_cast<std::size_t>(m_chain.LastMissing())];
            std::string grids;
            for (const std::string &grid : missing.missingGrids)
                grids += (grids.empty() ? "" : ", ") + grid;
            throw InputError("a more accurate operation, " +
                             missing.operation.Label() + ", needs the grid " +
                             grids + ", which is not installed");
        }
    }
}

void LineConverter::SplitLine(std::string_view line, const FileFormat &format) {
    if (!FieldSplitter{format.delimiter}.Split(line, m_fields)) {
        if (m_fields.size() > MAX_FIELDS)
            throw InputError("more than " + std::to_string(MAX_FIELDS) +
                             " fields");
        throw InputError("a quoted field is not closed on its line, or text "
                         "follows its closing quote");
    }
    // The values of the line: fields, and from the first coordinate column
    // on the angles that span several fields (37 30 0 N).
    const int *columns = format.columns;
    int first = columns[0];
    for (int k = 1; k < format.columnCount; ++k)
        first = std::min(first, columns[k]);
    m_nStart = std::min(static_cast<std::size_t>(first), m_fields.size());
    // A value spans one field or more: made once at that bound, as the
    // fields' index is (see FieldSplitter::Split), the old storage given
    // back first.
    const std::size_t mostValues = m_fields.size() - m_nStart;
    if (mostValues > m_values.capacity()) {
        std::vector<FieldSpan>().swap(m_values);
        m_values.reserve(mostValues);
    }
    if (m_options.chain.from.kind == KIND_GEO)
        GroupAngleFields(m_fields, m_nStart, m_values);
    else
        SingleFieldValues(m_nStart, m_fields.size(), m_values);
}

LineConverter::SourcePoint LineConverter::ReadPoint(const FileFormat &format) {
    const int count = format.columnCount;
    const int *columns = format.columns;
    const ChainSettings &chain = m_options.chain;
    const bool sourceGeo = chain.from.kind == KIND_GEO;
    const std::size_t valueCount = m_nStart + m_values.size();

    SourcePoint point;
    point.firstIsLatitude = !m_bLonFirst1;
    for (int k = 0; k < count; ++k) {
        point.has[k] = static_cast<std::size_t>(columns[k]) < valueCount;
        if (!point.has[k] && !(k == 2 && format.thirdOptional))
            throw InputError("missing column " +
                             std::to_string(columns[k] + 1));
        if (point.has[k])
            point.lastColumn = std::max(point.lastColumn, columns[k]);
    }

    // Read all fields before anything is computed, as the window does.
    double *in = point.values;
    const std::string_view a = Column(columns[0], m_scratch[0]);
    const std::string_view b = Column(columns[1], m_scratch[1]);
    const bool ecef = chain.from.kind == CS_ECEF;
    if (sourceGeo) {
        CheckNumberCount(m_fields, m_values, static_cast<std::size_t>(count), a,
                         b);
        const LatLon latLon = ReadLatLon(a, b, m_bLonFirst1);
        point.firstIsLatitude = latLon.firstIsLatitude;
        in[0] = latLon.latitude;
        in[1] = ReadLongitude(latLon.longitude);
    } else if (m_bNorthingFirst1) {
        // The system's own order: the Korean belts, the Japanese zones.
        in[1] = ReadNumber(a, "northing");
        in[0] = ReadNumber(b, "easting");
    } else {
        in[0] = ReadNumber(a, ecef ? "X" : "easting");
        in[1] = ReadNumber(b, ecef ? "Y" : "northing");
    }
    if (point.has[2])
        in[2] =
            ReadNumber(Column(columns[2], m_scratch[2]), ecef ? "Z" : "height");
    if (m_options.sourceZoneColumn)
        ReadZone(point);
    return point;
}

void LineConverter::ReadZone(SourcePoint &point) {
    const std::size_t valueCount = m_nStart + m_values.size();
    const auto zoneColumn = static_cast<std::size_t>(point.lastColumn + 1);
    if (zoneColumn >= valueCount)
        throw InputError("missing the zone in column " +
                         std::to_string(zoneColumn + 1));
    const std::string_view zoneText =
        Column(static_cast<int>(zoneColumn), m_scratch[3]);
    char hemisphere = 0;
    if (!ParseUtmZone(TrimBlanks(zoneText), point.zone, hemisphere))
        throw InputError(QuoteInput(TrimBlanks(zoneText)) +
                         " is not a UTM zone (1 to 60, then N or S)");
    // "56 S": the hemisphere letter in a field of its own after the zone.
    if (hemisphere == 0 && zoneColumn + 1 < valueCount) {
        const std::string_view letter = TrimBlanks(
            Column(static_cast<int>(zoneColumn + 1), m_scratch[3]));
        if (letter.size() == 1 && std::strchr("NnSs", letter[0]))
            hemisphere = letter[0] == 'S' || letter[0] == 's' ? 'S' : 'N';
    }
    point.south = hemisphere == 'S';
}

void LineConverter::Convert(std::string_view line, std::string_view lineEnd,
                            const FileFormat &format, OutBuffer &out) {
    SplitLine(line, format);
    const SourcePoint point = ReadPoint(format);
    double result[3] = {0, 0, 0};
    std::int32_t zone = 0;
    bool south = false;
    ConvertValues(point.values, point.zone, point.south, result, zone, south);
    if (m_options.outputFormat == OutputFormat::GeoJson)
        WriteGeoJson(result, format, out);
    else
        WriteLine(line, lineEnd, format, point, {result, zone, south}, out);
}

void LineConverter::WriteLine(std::string_view line, std::string_view lineEnd,
                              const FileFormat &format,
                              const SourcePoint &point,
                              const TargetPoint &target, OutBuffer &out) {
    // Each coordinate value is replaced in place by its result; a third value
    // without a column of its own, and the zone, follow the second value
    // (the zone after the third value). Everything else stays as read.
    const int *columns = format.columns;
    const char joiner = format.delimiter == 0 ? ' ' : format.delimiter;
    const bool targetGeo = m_options.chain.to.kind == KIND_GEO;
    const double *result = target.values;
    double ordered[3] = {result[0], result[1], result[2]};
    bool latitudeAt[2] = {true, false};
    const bool firstIsLatitude =
        m_bProjTarget ? !m_bLonFirst2 : point.firstIsLatitude;
    if (targetGeo && !firstIsLatitude) {
        std::swap(ordered[0], ordered[1]);
        latitudeAt[0] = false;
        latitudeAt[1] = true;
    }
    if (m_bNorthingFirst2)
        std::swap(ordered[0], ordered[1]);
    const int slots = point.has[2] ? 3 : 2;
    int order[3] = {0, 1, 2};
    std::sort(order, order + slots,
              [&](int x, int y) { return columns[x] < columns[y]; });
    char *p = out.Reserve(line.size() + 3 * GROUP_ROOM + 2 * VALUE_ROOM +
                          lineEnd.size());
    const char *copied = line.data();
    for (int s = 0; s < slots; ++s) {
        const int k = order[s];
        const FieldSpan span = Span(columns[k]);
        const std::string_view firstField = m_fields[span.first];
        const std::string_view lastField = m_fields[span.last];
        p = std::copy(copied, firstField.data(), p);
        copied = lastField.data() + lastField.size();
        p = targetGeo && k < 2
                ? FormatAngle(p, ordered[k], latitudeAt[k], joiner)
                : FormatValue(p, ordered[k]);
        // A height without a column of its own follows the coordinate
        // column that comes last on the line.
        if (!point.has[2] && s == slots - 1) {
            *p++ = joiner;
            p = FormatValue(p, ordered[2]);
        }
        if (target.zone != 0 && s == slots - 1) {
            *p++ = joiner;
            p = Code::FormatIntegerTo(p, target.zone);
            *p++ = target.south ? 'S' : 'N';
        }
    }
    p = std::copy(copied, line.data() + line.size(), p);
    out.Commit(Put(p, lineEnd));
}

namespace {

/// What a side's three values are called in the order files hold them;
/// @p facts the side's PROJ system, null for a catalogue side.
std::array<std::string, 3> NamesOf(const SideSettings &side,
                                   const CrsFacts *facts, bool lonLat) {
    // A PROJ side's height is its vertical system's when it has one.
    const std::string height = facts && !facts->verticalName.empty()
                                   ? HeadingName(facts->verticalName)
                                   : "height";
    if (side.kind == KIND_GEO) {
        const bool lonFirst = LongitudeFirst(lonLat, facts);
        return {lonFirst ? "longitude" : "latitude",
                lonFirst ? "latitude" : "longitude", height};
    }
    if (side.kind == CS_ECEF)
        return {"X", "Y", "Z"};
    if (NorthingFirst(lonLat, facts))
        return {"northing", "easting", height};
    return {"easting", "northing", height};
}

} // namespace

std::array<std::string, 3> LineConverter::Names(bool target) const {
    const SideSettings &side = target ? m_options.chain.to : m_options.chain.from;
    const CrsFacts *facts = side.crs.empty()
                                ? nullptr
                                : (target ? m_chain.ToFacts() : m_chain.FromFacts());
    return NamesOf(side, facts, m_options.lonLat);
}

std::array<std::string, 3> ValueNames(const SideSettings &side, bool lonLat) {
    if (side.crs.empty())
        return NamesOf(side, nullptr, lonLat);
    const ProjCrs crs(side.crs);
    return NamesOf(side, &crs.Facts(), lonLat);
}

void LineConverter::WriteHeading(std::string_view line,
                                 std::string_view lineEnd,
                                 const FileFormat &format, OutBuffer &out) {
    std::vector<std::string_view> fields;
    if (!FieldSplitter{format.delimiter}.Split(line, fields)) {
        out.Append(line);
        out.Append(lineEnd);
        return;
    }
    const char joiner = format.delimiter == 0 ? ' ' : format.delimiter;
    const ChainSettings &chain = m_options.chain;
    const bool targetGeo = chain.to.kind == KIND_GEO;
    std::array<std::string, 3> names = Names(true);
    if (targetGeo && m_options.angleFormat != AngleFormat::Dd) {
        // Each angle over its degree, minute (and second) and hemisphere
        // fields.
        const std::string j(1, joiner);
        for (int k = 0; k < 2; ++k) {
            const std::string axis = names[k];
            names[k] = axis + "_deg" + j + axis + "_min" + j;
            if (m_options.angleFormat == AngleFormat::Dms)
                names[k] += axis + "_sec" + j;
            names[k] += axis + "_hemisphere";
        }
    }
    const bool zoneColumn = chain.to.kind == CS_UTM && chain.to.grid.autoZone;
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

void LineConverter::WriteFailure(std::string_view message,
                                 std::string_view line, bool withLine,
                                 std::string_view lineEnd,
                                 OutBuffer &out) const {
    if (m_options.outputFormat == OutputFormat::GeoJson) {
        char *p = out.Reserve(6 * (message.size() + line.size()) + 120);
        p = Put(p, ",\n{\"type\":\"Feature\",\"geometry\":null,"
                   "\"properties\":{\"error\":");
        p = PutJsonString(p, message);
        if (withLine) {
            p = Put(p, ",\"text\":");
            p = PutJsonString(p, line);
        }
        out.Commit(Put(p, "}}"));
        return;
    }
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

void LineConverter::WriteGeoJson(const double result[3],
                                 const FileFormat &format, OutBuffer &out) {
    const std::size_t valueCount = m_nStart + m_values.size();
    std::size_t room = 160 + 3 * VALUE_ROOM;
    for (std::size_t i = 0; i < m_fields.size(); ++i)
        room += 6 * m_fields[i].size() + 40;
    for (std::size_t i = 0; format.keys && i < valueCount; ++i)
        room += i < format.keys->size() ? (*format.keys)[i].size() : 0;
    char *p = out.Reserve(room);
    const double lon = WrittenLongitude(result[1]);
    p = Put(p, ",\n{\"type\":\"Feature\",\"geometry\":{\"type\":\"Point\","
               "\"coordinates\":[");
    p = FormatValue(p, lon);
    *p++ = ',';
    p = FormatValue(p, result[0]);
    *p++ = ',';
    p = FormatValue(p, result[2]);
    p = Put(p, "]},\"properties\":{");
    bool first = true;
    const int *columns = format.columns;
    for (std::size_t i = 0; i < valueCount; ++i) {
        const int c = static_cast<int>(i);
        if (c == columns[0] || c == columns[1] ||
            (format.columnCount == 3 && c == columns[2]))
            continue;
        if (!first)
            *p++ = ',';
        first = false;
        if (format.keys && i < format.keys->size())
            p = Put(p, (*format.keys)[i]);
        else
            p = PutFieldKey(p, i);
        *p++ = ':';
        p = PutJsonString(p, Column(c, m_scratch[3]));
    }
    out.Commit(Put(p, "}}"));
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

// ---- blocks
// -----------------------------------------------------------------------

std::string AreaText(const ProjTransform &proj, std::size_t operation,
                     bool target) {
    if (target) {
        const CrsFacts &to = proj.To();
        return to.Label() +
               (to.area.name.empty() ? std::string() : " (" + to.area.name + ")");
    }
    const OperationFacts &used = proj.Candidates()[operation];
    return used.Label() + (used.checkedArea.empty()
                               ? std::string()
                               : " (" + used.checkedArea + ")");
}

namespace {

/// What PROJ's operation did with a converted point: which candidate, the
/// area of use, a missing better grid.
void CountProjPoint(const Chain &chain, std::size_t line,
                    BlockResult &result) {
    const ProjTransform *proj = chain.Proj();
    if (!proj)
        return;
    result.operationPoints.resize(proj->Candidates().size());
    ++result.operationPoints[chain.LastOperation()];
    if (chain.LastArea().outside) {
        ++result.outside;
        if (result.outsideLines.size() < OUTSIDE_LINES_KEPT)
            result.outsideLines.push_back(
                {line, chain.LastArea().swappedInside});
        result.outsideTarget = result.outsideTarget || chain.LastArea().target;
    }
    if (chain.LastMissing() >= 0) {
        result.missingPoints.resize(proj->Missing().size());
        ++result.missingPoints[static_cast<std::size_t>(chain.LastMissing())];
    }
}

} // namespace

void ProcessBlock(LineConverter &converter, const BatchOptions &options,
                  const BlockText &block, BlockPlace place,
                  const FileFormat &format, BlockResult &result) {
    result.Clear();
    const bool text = options.outputFormat == OutputFormat::Text;
    const ErrorPolicy policy = options.onError;
    bool headerPending = place.headerFirst;
    bool fileStart = place.fileStart;

    // Records a failed record that starts on line @p number of the block;
    // false when the run stops here.
    auto fail = [&](std::string message, std::string_view line, bool withLine,
                    std::string_view eol, std::size_t number) {
        const bool hint =
            fileStart && !options.header && !HasDigit(line) && withLine;
        if (hint)
            message += HEADING_HINT;
        if (policy != ErrorPolicy::Skip)
            converter.WriteFailure(message, line, withLine, eol, result.out);
        result.errors.push_back({number, std::move(message), hint});
        if (policy == ErrorPolicy::Stop) {
            result.stopped = true;
            return false;
        }
        return true;
    };

    for (std::size_t i = 0; i < block.overlong; ++i) {
        ++result.lines;
        headerPending = false; // a heading too long to read takes its place
        if (!fail("line longer than " + std::to_string(MAX_LINE_BYTES) +
                      " bytes",
                  {}, false, "\n", result.lines))
            return;
        fileStart = false;
    }
    if (place.byteOrderMark && text)
        result.out.Append("\xEF\xBB\xBF");
    std::string_view rest = block.text;
    while (!rest.empty()) {
        const std::string_view all = rest;
        const std::string_view line =
            block.lineRecords
                ? NextLine(rest, rest)
                : NextRecord(rest, format.delimiter, format.delimiterKnown,
                             rest);
        // The record's first line numbers it; the lines it spans all count.
        const std::size_t number = result.lines + 1;
        ++result.lines;
        if (std::memchr(line.data(), '\n', line.size()) != nullptr)
            result.lines += static_cast<std::size_t>(
                std::count(line.begin(), line.end(), '\n'));
        // Output records keep a carriage return before their line end; a
        // last record without a line end gets one.
        std::string_view raw = all.substr(0, all.size() - rest.size());
        if (!raw.empty() && raw.back() == '\n')
            raw.remove_suffix(1);
        const bool cr = !raw.empty() && raw.back() == '\r';
        const std::string_view eol =
            cr ? std::string_view("\r\n") : std::string_view("\n");

        if (headerPending) {
            headerPending = false;
            if (text)
                converter.WriteHeading(line, eol, format, result.out);
        } else if (IsPassThroughLine(line)) {
            if (text) {
                result.out.Append(line);
                result.out.Append(eol);
            }
        } else {
            try {
                converter.Convert(line, eol, format, result.out);
                ++result.points;
                CountProjPoint(converter.Steps(), number, result);
            } catch (const std::exception &e) {
                if (!fail(e.what(), line, true, eol, number))
                    return;
            }
        }
        fileStart = false;
    }
    converter.ReleaseIndex();
}
