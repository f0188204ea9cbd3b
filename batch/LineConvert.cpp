// The conversion of one line and of a block of lines.
#include "LineConvert.h"

#include "AngleForms.h"
#include "AngleText.h"
#include "Code.h"
#include "Errors.h"
#include "GridReferences.h"
#include "Longitude.h"
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

namespace {

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
    lon = Longitude::WestOfGreenwich(lon);
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

/// The source's own axis that a heading's name (lower case) names; -1 for
/// none.
int AxisNamed(const SideAxes &axes, const std::string &name) {
    for (int i = 0; i < 3; ++i)
        if (Among(axes.NamesOf(i), name))
            return i;
    return -1;
}

/// A column fault of the source @p axes as files hold its values.
ColumnsFault FaultOf(ColumnsFault::Kind kind, const SideAxes &axes,
                     bool eastFirst, const std::vector<std::string> &heading) {
    ColumnsFault fault;
    fault.kind = kind;
    fault.what = axes.PairName(eastFirst);
    fault.side = axes.Label();
    fault.height = axes.HeightWhat();
    fault.seen = heading;
    return fault;
}

/// The column of heading name @p name (as given); -1 when it has none.
int ColumnNamed(const std::vector<std::string> &names, std::string_view name) {
    ColumnsFault fault;
    fault.names[0] = std::string(name);
    int found = -1;
    for (std::size_t i = 0; i < names.size(); ++i)
        if (names[i] == name) {
            if (found >= 0) {
                fault.kind = ColumnsFault::NameTwice;
                throw ColumnsInputError(fault);
            }
            found = static_cast<int>(i);
        }
    if (found < 0) {
        fault.kind = ColumnsFault::NoSuchName;
        throw ColumnsInputError(fault);
    }
    return found;
}

/// The height column that options name (--height NAME), or -1.
int HeightColumn(const BatchOptions &options,
                 const std::vector<std::string> &heading) {
    if (!options.height || options.height->column.empty())
        return -1;
    return ColumnNamed(heading, options.height->column);
}

/// The columns of the source's values found by the heading's names.
void ColumnsFromHeading(const BatchOptions &options, const SideAxes &axes,
                        bool heightRequired,
                        const std::vector<std::string> &heading,
                        FileFormat &format) {
    const bool eastFirst = options.lonLat;
    const bool heightValue = options.height && options.height->column.empty();
    std::vector<std::string> names;
    for (const std::string &name : heading)
        names.push_back(LowerAscii(TrimBlanks(name)));
    const auto refuse = [&](ColumnsFault::Kind kind) {
        return ColumnsInputError(FaultOf(kind, axes, eastFirst, heading));
    };
    int found[3] = {-1, -1, -1}; // by the source's own axis
    for (std::size_t i = 0; i < names.size(); ++i) {
        const int axis = AxisNamed(axes, names[i]);
        // A height value given takes the place of any height column.
        if (axis < 0 || (axis == 2 && heightValue))
            continue;
        if (found[axis] >= 0) {
            ColumnsFault fault =
                FaultOf(ColumnsFault::SameValueTwice, axes, eastFirst, heading);
            fault.names[0] = heading[i];
            fault.names[1] = heading[static_cast<std::size_t>(found[axis])];
            throw ColumnsInputError(fault);
        }
        found[axis] = static_cast<int>(i);
    }
    if (found[0] < 0 || found[1] < 0) {
        const bool bareXY = axes.ValueKind() != SideAxes::Kind::Geocentric &&
                            (Among(names, "x") || Among(names, "y"));
        if (bareXY && !axes.XIsFirst())
            throw refuse(ColumnsFault::EitherAxis);
        for (const std::string &name : names)
            if (Among(axes.Misfits(), name)) {
                ColumnsFault fault =
                    FaultOf(ColumnsFault::OtherKind, axes, eastFirst, heading);
                fault.misfitWhat = SideAxes::MisfitWhat(name);
                throw ColumnsInputError(fault);
            }
        if (found[0] >= 0 || found[1] >= 0)
            throw refuse(ColumnsFault::OnlyOne);
        throw refuse(ColumnsFault::NoneNamed);
    }
    // A height named by the options wins over one the heading names.
    if (const int named = HeightColumn(options, heading); named >= 0)
        found[2] = named;
    if (found[2] < 0 && !heightValue)
        for (std::size_t i = 0; i < names.size(); ++i)
            if (Among(axes.OtherHeights(), names[i])) {
                ColumnsFault fault =
                    FaultOf(ColumnsFault::OtherHeight, axes, eastFirst, heading);
                fault.names[0] = heading[i];
                fault.misfitWhat =
                    axes.Height() == HeightKind::Ellipsoidal
                        ? "a gravity-related height"
                        : "an ellipsoidal height";
                throw ColumnsInputError(fault);
            }
    if (found[2] < 0 && heightRequired && !heightValue)
        throw refuse(ColumnsFault::MissingHeight);
    const std::array<int, 3> order = axes.FileOrder(eastFirst);
    for (int k = 0; k < 3; ++k)
        format.columns[k] = found[order[static_cast<std::size_t>(k)]];
    format.columnCount = found[2] >= 0 ? 3 : 2;
    format.thirdOptional = false;
    format.named = true;
}

} // namespace

namespace {

/// The columns of a source of references: the reference's, then a
/// height's when one is given; by numbers, by names of the heading, by the
/// heading's own names (the form's: "mgrs", "geohash"; a height's of WGS 84
/// geographic), else the first column.
void ReferenceColumns(const BatchOptions &options, const SideAxes &axes,
                      std::string_view header, FileFormat &format) {
    const bool heightValue = options.height && options.height->column.empty();
    const std::string form = ReferenceFormName(options.sourceForm);
    const std::vector<std::string> heading =
        options.header ? HeadingNames(header, format.delimiter)
                       : std::vector<std::string>();
    format.columns[0] = 0;
    format.columnCount = 1;
    format.thirdOptional = false;
    format.named = false;
    const std::size_t count =
        std::max(options.columns.size(), options.columnNames.size());
    if (count != 0) {
        for (std::size_t k = 0; k < count && k < 2; ++k) {
            const std::string_view name =
                k < options.columnNames.size()
                    ? std::string_view(options.columnNames[k])
                    : std::string_view();
            format.columns[k] =
                name.empty() ? options.columns[k] : ColumnNamed(heading, name);
        }
        format.columnCount = static_cast<int>(std::min<std::size_t>(count, 2));
        format.named = !options.columnNames.empty();
    } else if (options.header && !header.empty()) {
        int found[2] = {-1, -1};
        for (std::size_t i = 0; i < heading.size(); ++i) {
            const std::string name = LowerAscii(TrimBlanks(heading[i]));
            const int slot = name == form ? 0
                             : (!heightValue && AxisNamed(axes, name) == 2)
                                 ? 1
                                 : -1;
            if (slot < 0)
                continue;
            if (found[slot] >= 0) {
                ColumnsFault fault =
                    FaultOf(ColumnsFault::SameValueTwice, axes, false, heading);
                fault.names[0] = heading[i];
                fault.names[1] = heading[static_cast<std::size_t>(found[slot])];
                throw ColumnsInputError(fault);
            }
            found[slot] = static_cast<int>(i);
        }
        if (found[0] < 0) {
            ColumnsFault fault =
                FaultOf(ColumnsFault::NoneNamed, axes, false, heading);
            fault.what = QuoteInput(form);
            throw ColumnsInputError(fault);
        }
        format.columns[0] = found[0];
        format.columns[1] = found[1];
        format.columnCount = found[1] >= 0 ? 2 : 1;
        format.named = true;
    }
    if (format.columnCount == 1)
        if (const int named = HeightColumn(options, heading); named >= 0) {
            format.columns[1] = named;
            format.columnCount = 2;
        }
    if (format.columnCount == 2 && format.columns[0] == format.columns[1]) {
        ColumnsFault fault;
        fault.kind = ColumnsFault::ColumnTwice;
        fault.column = format.columns[0] + 1;
        throw ColumnsInputError(fault);
    }
}

} // namespace

void ResolveColumns(const BatchOptions &options,
                    const LineConverter &converter, std::string_view header,
                    FileFormat &format) {
    const SideAxes &axes = converter.SourceAxes();
    const bool required = converter.HeightRequired();
    const bool heightValue = options.height && options.height->column.empty();
    format.named = false;
    if (options.sourceForm != ReferenceForm::None) {
        ReferenceColumns(options, axes, header, format);
        return;
    }
    if (options.columns.empty() && options.columnNames.empty()) {
        format.columns[0] = 0;
        format.columns[1] = 1;
        format.columns[2] = 2;
        format.columnCount = 3;
        format.thirdOptional = true;
        // A given heading's names decide, or the file is refused.
        if (options.header && !header.empty())
            ColumnsFromHeading(options, axes, required,
                               HeadingNames(header, format.delimiter), format);
        else if (heightValue) {
            format.columnCount = 2;
            format.thirdOptional = false;
        }
        return;
    }
    const std::vector<std::string> heading =
        HeadingNames(header, format.delimiter);
    const std::size_t count =
        std::max(options.columns.size(), options.columnNames.size());
    format.columnCount = static_cast<int>(std::min<std::size_t>(count, 3));
    format.thirdOptional = false;
    format.named = !options.columnNames.empty();
    // Names bound to the axes they name, in the order files hold them;
    // numbers and other names fill the places left, in their order.
    const std::array<int, 3> order = axes.FileOrder(options.lonLat);
    int slots[3] = {-1, -1, -1};
    bool bound[3] = {false, false, false};
    for (std::size_t k = 0; k < count && k < 3; ++k) {
        const std::string_view name =
            k < options.columnNames.size()
                ? std::string_view(options.columnNames[k])
                : std::string_view();
        if (name.empty())
            continue;
        const int column = ColumnNamed(heading, name);
        const int axis = AxisNamed(axes, LowerAscii(TrimBlanks(name)));
        if (axis < 0)
            continue;
        const int place = static_cast<int>(
            std::find(order.begin(), order.end(), axis) - order.begin());
        if (place >= format.columnCount)
            continue;
        if (slots[place] >= 0) {
            ColumnsFault fault = FaultOf(ColumnsFault::SameValueTwice, axes,
                                         options.lonLat, heading);
            fault.names[0] = std::string(name);
            fault.names[1] = heading[static_cast<std::size_t>(slots[place])];
            throw ColumnsInputError(fault);
        }
        slots[place] = column;
        bound[k] = true;
    }
    for (std::size_t k = 0; k < count && k < 3; ++k) {
        if (bound[k])
            continue;
        const std::string_view name =
            k < options.columnNames.size()
                ? std::string_view(options.columnNames[k])
                : std::string_view();
        const int column =
            name.empty() ? options.columns[k] : ColumnNamed(heading, name);
        int place = 0;
        while (place < format.columnCount && slots[place] >= 0)
            ++place;
        slots[place] = column;
    }
    for (int k = 0; k < 3; ++k)
        format.columns[k] = slots[k];
    if (format.columnCount == 2) {
        if (const int named = HeightColumn(options, heading); named >= 0) {
            format.columns[2] = named;
            format.columnCount = 3;
        } else if (required && !heightValue) {
            throw ColumnsInputError(FaultOf(ColumnsFault::MissingHeight, axes,
                                            options.lonLat, heading));
        }
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
    try {
        ResolveColumns(run, converter, header, format);
    } catch (const ColumnsInputError &e) {
        // A heading that names none of the values leaves the choice of
        // columns to the front end.
        if (e.Fault().kind == ColumnsFault::NoneNamed)
            return std::nullopt;
        throw;
    }
    return format;
}

// ---- one line
// -------------------------------------------------------------------

LineConverter::LineConverter(const BatchOptions &options, ProjContext *context)
    : m_options(options), m_chain(options.conversion, DomainPolicy::Strict,
                                  options.sourceZoneColumn, context) {
    SetUp();
}

LineConverter::LineConverter(const LineConverter &other)
    : m_options(other.m_options), m_chain(other.m_chain) {
    SetUp();
}

void LineConverter::SetUp() {
    const Conversion &conversion = m_options.conversion;
    // A PROJ side's axes as the chain's operation takes them (a 2D system
    // facing a height is made 3D there).
    m_from = conversion.from.IsSystem()
                 ? SideAxes::System(*m_chain.FromFacts())
                 : SideAxes::Catalogue(conversion.from.Kind());
    m_to = conversion.to.IsSystem() ? SideAxes::System(*m_chain.ToFacts())
                                    : SideAxes::Catalogue(conversion.to.Kind());
    m_readOrder = m_from.FileOrder(m_options.lonLat);
    m_writeOrder = m_to.FileOrder(m_options.lonLat);
    m_nLat1 = m_from.IndexOf(AxisRole::Latitude);
    m_nLon1 = m_from.IndexOf(AxisRole::Longitude);
    m_nLat2 = m_to.IndexOf(AxisRole::Latitude);
    m_nLon2 = m_to.IndexOf(AxisRole::Longitude);
    for (std::size_t k = 0; k < 3; ++k) {
        m_valueNames[k] = m_from.ValueName(m_readOrder[k]);
        m_ownNames[k] = m_from.ValueName(static_cast<int>(k));
    }
    m_bProjTarget = conversion.to.IsSystem();
    // A PROJ source with a height of its own into a target with one: the
    // target's height depends on it, so each point must give it.
    const bool heightValue =
        m_options.height && m_options.height->column.empty();
    m_bHeightRequired = conversion.from.IsSystem() && m_from.HasHeight() &&
                        m_to.HasHeight() && !heightValue;
    m_bCountHeights = !conversion.from.IsSystem() && m_bProjTarget &&
                      m_to.HasHeight();
    // Degrees and minutes are notations of degrees.
    if (m_options.angleFormat != AngleFormat::Dd && !m_to.Angular())
        throw OptionsError(OptionsCheck::AngleFormatNeedsGeographic,
                           "degrees and minutes need a geographic target");
    if (m_options.angleFormat != AngleFormat::Dd && !m_to.DegreeAngles())
        throw OptionsError(OptionsCheck::AngleFormatNeedsDegrees,
                           m_to.Label() + " gives its angles in " +
                               m_to[0].unit + "s");
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

    // The additions' DM and DMS writer: the last part rounded once, a
    // rounded 60 carried into the part before.
    const std::string_view j(&joiner, 1);
    const std::string text = Code::FormatAngle(
        dd, format == AngleFormat::Dm ? Code::AnglePart::Minutes
                                      : Code::AnglePart::Seconds,
        precision, Code::DmsJoiner{j, j, j}, latitude ? 'N' : 'E',
        latitude ? 'S' : 'W', Code::DmsDecimals::Fixed);
    return std::copy(text.begin(), text.end(), p);
}

std::string_view LineConverter::Column(int column, std::string &scratch) const {
    // A plain field is a value of its own, without quotes to take off.
    const auto c = static_cast<std::size_t>(column);
    if (m_bPlainValues && c >= m_nStart)
        return TrimBlanks(m_fields[c]);
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

void LineConverter::SourceValues(const double file[3], double own[3]) const {
    for (std::size_t k = 0; k < 3; ++k)
        own[m_readOrder[k]] = file[k];
    if (!m_from.Angular())
        return;
    const auto lat = static_cast<std::size_t>(m_nLat1);
    const auto lon = static_cast<std::size_t>(m_nLon1);
    if (m_from.DegreeAngles()) {
        CheckAngleRange(own[lat], AngleAxis::Latitude);
        CheckAngleRange(own[lon], AngleAxis::Longitude);
        own[lon] = Longitude::WestOfGreenwich(own[lon]);
        return;
    }
    // Grads or radians: the ranges in degrees, the longitude past half a
    // turn read as west.
    const char *unit = m_from[0].unit.c_str();
    const double latitude = m_from.ToDegrees(own[lat]);
    const double longitude = m_from.ToDegrees(own[lon]);
    if (!(latitude >= -90 && latitude <= 90))
        throw InputError("latitude " + WrittenReal(own[lat]) + " " + unit +
                         " (" + WrittenReal(latitude) +
                         " degrees) is outside -90 to 90 degrees");
    if (!(longitude >= -180 && longitude < 360))
        throw InputError("longitude " + WrittenReal(own[lon]) + " " + unit +
                         " (" + WrittenReal(longitude) +
                         " degrees) is outside -180 to 360 degrees");
    const double half = m_from.HalfTurn();
    if (own[lon] > half)
        own[lon] -= 2 * half;
}

void LineConverter::TargetValues(const double own[3], double file[3]) const {
    double wrapped[3] = {own[0], own[1], own[2]};
    if (m_nLon2 >= 0) {
        double &lon = wrapped[m_nLon2];
        if (m_to.DegreeAngles())
            lon = WrittenLongitude(lon);
        else if (lon > m_to.HalfTurn())
            lon -= 2 * m_to.HalfTurn();
    }
    for (std::size_t k = 0; k < 3; ++k)
        file[k] = wrapped[m_writeOrder[k]];
}

void LineConverter::ConvertValues(const double in[3], int sourceZone,
                                  bool sourceSouth, double result[3],
                                  std::int32_t &zone, bool &south) {
    const Conversion &conversion = m_options.conversion;
    for (int k = 0; k < 3; ++k)
        if (k != m_nLat1 && k != m_nLon1)
            CheckCoordinate(in[k], m_ownNames[k].c_str());
    if (HasOrigin(conversion.from.Kind()) && !conversion.from.IsSystem()) {
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
        if (area.outside &&
            conversion.options.outsideArea == OutsidePolicy::Error)
            throw InputError(
                OutsideAreaText(*proj, m_chain.LastOperation(), area));
        if (conversion.options.requireBest && m_chain.LastMissing() >= 0)
            throw InputError(
                MissingGridText(proj->Missing()[static_cast<std::size_t>(
                    m_chain.LastMissing())]));
    }
}

void LineConverter::SplitLine(std::string_view line, const FileFormat &format) {
    std::size_t plainFrom = 0;
    if (!FieldSplitter{format.delimiter}.Split(line, m_fields, plainFrom)) {
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
    // Columns that a heading names are one field each, and so are plain
    // fields (numbers without letters or marks): grouping them gives the
    // same, after another look at every byte. In a line cut at blanks an
    // MGRS reference may spread over several (52S CG 21459 59650), an angle
    // too (37 30 0 N).
    const bool mgrsSpread = m_options.sourceForm == ReferenceForm::Mgrs &&
                            !format.named && format.delimiter == 0;
    m_bPlainValues = plainFrom <= m_nStart && !mgrsSpread;
    if (mgrsSpread)
        GroupMgrsFields(m_fields, m_nStart, m_values);
    else if (m_options.sourceForm == ReferenceForm::None &&
             m_from.DegreeAngles() && !format.named && !m_bPlainValues)
        GroupAngleFields(m_fields, m_nStart, m_values);
    else
        SingleFieldValues(m_nStart, m_fields.size(), m_values);
}

LineConverter::SourcePoint
LineConverter::ReadReference(const FileFormat &format) {
    const std::size_t valueCount = m_nStart + m_values.size();
    SourcePoint point;
    for (int k = 0; k < format.columnCount; ++k) {
        if (static_cast<std::size_t>(format.columns[k]) >= valueCount)
            throw InputError("missing column " +
                             std::to_string(format.columns[k] + 1));
        point.lastColumn = std::max(point.lastColumn, format.columns[k]);
    }
    const std::string_view text = Column(format.columns[0], m_scratch[0]);
    const ReferencePoint read = m_options.sourceForm == ReferenceForm::Mgrs
                                    ? ReadMgrs(text)
                                    : ReadGeohash(text);
    // On WGS 84 geographic, in its own order; a reference has no height.
    point.values[m_nLat1] = read.latitude;
    point.values[m_nLon1] = read.longitude;
    point.has[0] = point.has[1] = true;
    const bool heightValue =
        m_options.height && m_options.height->column.empty();
    if (heightValue) {
        point.values[2] = m_options.height->value;
    } else if (format.columnCount == 2) {
        point.values[2] = ReadNumber(Column(format.columns[1], m_scratch[1]),
                                     m_ownNames[2].c_str());
        point.has[2] = true;
    } else if (m_bCountHeights) {
        ++m_nHeightsTaken;
    }
    return point;
}

LineConverter::SourcePoint LineConverter::ReadPoint(const FileFormat &format) {
    if (m_options.sourceForm != ReferenceForm::None)
        return ReadReference(format);
    const int count = format.columnCount;
    const int *columns = format.columns;
    const std::size_t valueCount = m_nStart + m_values.size();
    const bool lonFirst = m_readOrder[0] == m_nLon1 && m_nLon1 >= 0;

    SourcePoint point;
    point.firstIsLatitude = !lonFirst;
    for (int k = 0; k < count; ++k) {
        point.has[k] = static_cast<std::size_t>(columns[k]) < valueCount;
        if (!point.has[k] && !(k == 2 && format.thirdOptional))
            throw InputError("missing column " +
                             std::to_string(columns[k] + 1));
        if (point.has[k])
            point.lastColumn = std::max(point.lastColumn, columns[k]);
    }

    // Read all fields before anything is computed, as the window does.
    double *own = point.values;
    const std::string_view a = Column(columns[0], m_scratch[0]);
    const std::string_view b = Column(columns[1], m_scratch[1]);
    double file[3] = {0, 0, 0};
    if (m_from.DegreeAngles()) {
        // Angle notations, hemisphere letters deciding which is which.
        if (!format.named)
            CheckNumberCount(m_fields, m_values,
                             static_cast<std::size_t>(count), a, b);
        const LatLon latLon = ReadLatLon(a, b, lonFirst);
        point.firstIsLatitude = latLon.firstIsLatitude;
        file[0] = lonFirst ? latLon.longitude : latLon.latitude;
        file[1] = lonFirst ? latLon.latitude : latLon.longitude;
    } else {
        file[0] = ReadNumber(a, m_valueNames[0].c_str());
        file[1] = ReadNumber(b, m_valueNames[1].c_str());
    }
    const bool heightValue =
        m_options.height && m_options.height->column.empty();
    if (heightValue)
        file[2] = m_options.height->value;
    else if (point.has[2])
        file[2] = ReadNumber(Column(columns[2], m_scratch[2]),
                             m_valueNames[2].c_str());
    else if (m_bHeightRequired)
        throw AdvisedInputError("no " + m_valueNames[2] + ": " +
                                    m_from.Label() + " to " + m_to.Label() +
                                    " needs " + m_from.HeightWhat() +
                                    " for each point",
                                Advice::GiveHeight);
    else if (m_bCountHeights)
        ++m_nHeightsTaken;
    SourceValues(file, own);
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

ConvertedPoint LineConverter::Convert(std::string_view line,
                                      const FileFormat &format) {
    SplitLine(line, format);
    const SourcePoint point = ReadPoint(format);
    std::int32_t zone = 0;
    bool south = false;
    ConvertValues(point.values, point.zone, point.south, m_result, zone,
                  south);
    if (m_options.targetForm != ReferenceForm::None)
        MakeReference(m_result);
    return {m_result, zone, south, point.has[2], point.firstIsLatitude};
}

void LineConverter::MakeReference(const double result[3]) {
    // The target is WGS 84 geographic: the chain carried the point there.
    const double lat = result[m_nLat2];
    const double lon = result[m_nLon2];
    switch (m_options.targetForm) {
    case ReferenceForm::Mgrs:
        WriteMgrs(lat, lon, m_options.mgrsDigits, m_strReference);
        break;
    case ReferenceForm::Geohash:
        WriteGeohash(lat, lon, m_options.geohashLength, m_strReference);
        break;
    case ReferenceForm::Ups:
        m_ups = ToUps(lat, lon);
        break;
    case ReferenceForm::None:
        break;
    }
}

char *LineConverter::FormatReference(char *p, char joiner) const {
    if (m_options.targetForm != ReferenceForm::Ups)
        return std::copy(m_strReference.begin(), m_strReference.end(), p);
    *p++ = m_ups.north ? 'N' : 'S';
    *p++ = joiner;
    p = FormatValue(p, m_ups.easting);
    *p++ = joiner;
    return FormatValue(p, m_ups.northing);
}

namespace {

/// What a side's three values are called in the order files hold them.
std::array<std::string, 3> NamesOf(const SideAxes &axes, bool eastFirst) {
    const std::array<int, 3> order = axes.FileOrder(eastFirst);
    return {axes.ValueName(order[0]), axes.ValueName(order[1]),
            axes.ValueName(order[2])};
}

} // namespace

std::array<std::string, 3> LineConverter::Names(bool target) const {
    return NamesOf(target ? m_to : m_from, m_options.lonLat);
}

std::array<std::string, 3> ValueNames(const ConversionSide &side,
                                      bool eastFirst) {
    return NamesOf(SideAxes::Of(side), eastFirst);
}

// ---- blocks
// -----------------------------------------------------------------------

std::string Advised(std::string message, Advice advice,
                    const FrontEndWords &words) {
    if (advice == Advice::UseHeading)
        return message + " (the first line looks like a heading" +
               words[advice] + ")";
    if (advice != Advice::Count)
        message += words[advice];
    return message;
}

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

std::string Plural(std::uint64_t count, const char *one, const char *many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

/// The grids of @p missing, as a message names them.
std::string MissingGridNames(const MissingOperation &missing, bool escaped) {
    std::string grids;
    for (const std::string &grid : missing.missingGrids)
        grids += (grids.empty() ? "" : ", ") +
                 (escaped ? EscapeForMessage(grid) : grid);
    return grids;
}

} // namespace

std::string OutsideAreaText(const ProjTransform &proj, std::size_t operation,
                            const AreaCheck &area) {
    return "outside the area of use of " +
           AreaText(proj, operation, area.target) +
           (area.swappedInside ? "; axes swapped?" : "");
}

std::string OutsidePointsText(const ProjTransform &proj,
                              const std::vector<std::uint64_t> &used,
                              bool target, std::uint64_t outside,
                              const std::string &where) {
    std::size_t usedCount = 0, last = 0;
    for (std::size_t i = 0; i < used.size(); ++i)
        if (used[i] != 0) {
            ++usedCount;
            last = i;
        }
    std::string what =
        usedCount == 1 ? AreaText(proj, last, false) : "the operations used";
    if (target)
        what += " or of " + AreaText(proj, 0, true);
    return Plural(outside, "point lies", "points lie") +
           " outside the area of use of " + what + ": " + where +
           "; converted all the same";
}

std::string BallparkUsedText(const OperationFacts &operation,
                             std::uint64_t points) {
    return (points ? Plural(points, "point was", "points were") + " "
                   : std::string()) +
           "converted by the ballpark operation " + operation.Label() + ": " +
           operation.BallparkText();
}

std::string MissingGridText(const MissingOperation &missing) {
    return "a more accurate operation, " + missing.operation.Label() +
           ", needs the grid " + MissingGridNames(missing, false) +
           ", which is not installed";
}

std::string MissingGridPointsText(const MissingOperation &missing,
                                  std::uint64_t points) {
    std::string where;
    for (const std::string &dir : GridDirectories())
        where += (where.empty() ? "" : ", ") + EscapeForMessage(dir);
    return Plural(points, "point lies", "points lie") +
           " where a more accurate operation, " + missing.operation.Label() +
           ", needs the grid " + MissingGridNames(missing, true) +
           ", which is not installed: put it into one of PROJ's grid "
           "directories (" +
           where + ") or a directory named by PROJ_DATA";
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
    converter.ClearHeightsTaken();
    // However the block ends, what its points lacked is counted.
    struct HeightsCounted {
        LineConverter &converter;
        BlockResult &result;
        ~HeightsCounted() { result.heightsTaken = converter.HeightsTaken(); }
    } counted{converter, result};
    const OutputWriter &writer = WriterOf(options);
    const ErrorPolicy policy = options.onError;
    bool headerPending = place.headerFirst;
    bool fileStart = place.fileStart;

    // Records a failed record that starts on line @p number of the block;
    // false when the run stops here.
    // The output's comment says it without any front end's words: every
    // front end writes the same bytes.
    static const FrontEndWords NO_WORDS;
    auto fail = [&](std::string message, std::string_view line, bool withLine,
                    std::string_view eol, std::size_t number,
                    Advice advice = Advice::Count) {
        if (fileStart && !options.header && !HasDigit(line) && withLine)
            advice = Advice::UseHeading;
        if (policy != ErrorPolicy::Skip)
            writer.Failure(Advised(message, advice, NO_WORDS), line, withLine,
                           eol, result.out);
        result.errors.push_back({number, std::move(message), advice});
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
    if (place.byteOrderMark)
        writer.ByteOrderMark(result.out);
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
            writer.Heading(converter, line, eol, format, result.out);
        } else if (IsPassThroughLine(line)) {
            writer.PassThrough(line, eol, result.out);
        } else {
            try {
                const ConvertedPoint point = converter.Convert(line, format);
                writer.Point(converter, line, eol, format, point, result.out);
                ++result.points;
                CountProjPoint(converter.Steps(), number, result);
            } catch (const AdvisedInputError &e) {
                if (!fail(e.what(), line, true, eol, number, e.Which()))
                    return;
            } catch (const BeyondUtmError &e) {
                if (!fail(e.what(), line, true, eol, number, Advice::UseUps))
                    return;
            } catch (const ProjPointError &e) {
                if (!fail(e.what(), line, true, eol, number,
                          e.Fault() == PointFault::Ballpark
                              ? Advice::AllowBallparkPoint
                              : Advice::Count))
                    return;
            } catch (const std::exception &e) {
                if (!fail(e.what(), line, true, eol, number))
                    return;
            }
        }
        fileStart = false;
    }
    converter.ReleaseIndex();
}
