// The conversion of one line, and of a block of lines: columns, the line
// converter on the chain, what a block gives.
#pragma once

#include "Options.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// ---- one line
// -------------------------------------------------------------------

/// Output bytes of one block. Grows as needed; Release gives back memory
/// that a large block needed, so that no buffer keeps its peak size.
class OutBuffer {
  public:
    /// Room for @p n more bytes; returns where to write them.
    char *Reserve(std::size_t n);
    /// Marks the bytes up to @p end as written.
    void Commit(char *end) {
        m_nSize = static_cast<std::size_t>(end - m_data.get());
    }
    void Append(std::string_view text);
    void Clear() { m_nSize = 0; }
    std::string_view View() const { return {m_data.get(), m_nSize}; }
    std::size_t Capacity() const { return m_nCapacity; }
    /// Frees the storage when it is larger than @p keep bytes.
    void Release(std::size_t keep);

  private:
    std::unique_ptr<char[]> m_data;
    std::size_t m_nCapacity = 0;
    std::size_t m_nSize = 0;
};

struct SourceAxes;

/// A longitude as it is written: in (-180, 180], also after the rounding to
/// 15 digits (-179.9999999999999 would be written -180).
double WrittenLongitude(double lon);

/// A longitude as it is read: one beyond 180 is the same meridian west of
/// Greenwich (exact: Sterbenz).
inline double ReadLongitude(double lon) { return lon > 180 ? lon - 360 : lon; }

/// How the lines of one input file are laid out.
struct FileFormat {
    char delimiter = 0; ///< 0: runs of blanks
    /// False until the first data line has shown the delimiter: records
    /// are cut as any delimiter would cut them (see RecordLength).
    bool delimiterKnown = true;
    /// GeoJSON property keys by field index, quoted and escaped; further
    /// fields are "fieldN".
    const std::vector<std::string> *keys = nullptr;
    /// Coordinate columns of this file (0-based), names resolved against
    /// its heading; count 2 or 3; the third optional with default columns.
    int columns[3] = {0, 1, 2};
    int columnCount = 3;
    bool thirdOptional = true;
};

/**
 * The columns of @p options for a file with heading @p header: numbers as
 * given, names looked up among the heading's fields. Without --columns, a
 * heading (with --header) whose names say where the source's values are
 * decides (see SourceAxes); otherwise the first columns.
 * @throws ColumnsInputError for a name that the heading does not have, a
 *   heading that names the values ambiguously or names another kind's.
 */
void ResolveColumns(const BatchOptions &options, const SourceAxes &axes,
                    std::string_view header, FileFormat &format);

/**
 * The columns that the column rule (see ResolveColumns) finds in a heading
 * when a run is given none: for the source side of @p options, whose own
 * columns are not looked at, and the heading line @p header cut by
 * @p delimiter. A front end that shows the columns before a run shows these.
 * @return nothing when the heading names none of the source's values (the
 *   run then takes the first columns).
 * @throws ColumnsInputError when the names do not settle the columns;
 *   SetupError or ProjError when the chain cannot be set up.
 */
std::optional<FileFormat> HeadingColumns(const BatchOptions &options,
                                         std::string_view header,
                                         char delimiter);

/**
 * What the three values of @p side are called, in the order files hold
 * them, as the converter's heading names them: "latitude", "longitude",
 * "height"; "northing", "easting", "egm96_height"; "X", "Y", "Z". The same
 * for the side read and the side written; @p lonLat as BatchOptions has it.
 * @throws ProjError when PROJ does not know the side's system.
 */
std::array<std::string, 3> ValueNames(const SideSettings &side,
                                      bool lonLat = false);

/// GeoJSON property keys from a heading line: each name that is not empty
/// and not repeated, else "fieldN" (N counted from 1).
std::vector<std::string> PropertyKeys(std::string_view header, char delimiter);

/// The area a point lay outside, for messages: the operation's (and the
/// source system's) or, with @p target, the target system's, with its name.
std::string AreaText(const ProjTransform &proj, std::size_t operation,
                     bool target);

/// The source side's axes as the column rule reads a heading: the names of
/// each value in reading order (see SourceAxesOf).
struct SourceAxes {
    enum Kind { Angles, Grid, Ecef } kind = Angles;
    /// Names that a heading may give each of the three values, lower case.
    std::vector<std::string> names[3];
    /// What the side calls its first two values, for messages
    /// ("latitude and longitude", "northing and easting").
    std::string what;
    /// Names of the other kind's axes: a heading with them does not fit.
    std::vector<std::string> misfits;
    std::string misfitWhat;
    std::string side; ///< "EPSG:5186", "WGS84:utm"
};

/// The source side's axes in the order its values are read (the side's own
/// order, or east first with --lonlat).
SourceAxes SourceAxesOf(const BatchOptions &options, const CrsFacts *facts);

/**
 * Converts data lines with one chain. One per thread.
 */
class LineConverter {
  public:
    /// @throws SetupError, ProjError.
    explicit LineConverter(const BatchOptions &options);
    /// The same converter for another thread (see Chain's copy).
    LineConverter(const LineConverter &other);

    /**
     * Converts one data line.
     * @param[in] line the line without its line end.
     * @param[in] lineEnd the line end to write ("\n" or "\r\n").
     * @param[out] out receives the output line, or nothing when the line
     *   fails.
     * @throws std::exception with the message for the line.
     */
    void Convert(std::string_view line, std::string_view lineEnd,
                 const FileFormat &format, OutBuffer &out);

    /**
     * One point as numbers, checked and converted as a line's are once
     * read: @p in in the converter's order (latitude, longitude, height;
     * easting, northing, height; X, Y, Z), @p result in the same orders.
     * @throws std::exception with the message for the point.
     */
    void ConvertValues(const double in[3], int sourceZone, bool sourceSouth,
                       double result[3], std::int32_t &zone, bool &south);

    /// The order of the files' first two values: longitude before latitude
    /// (source, target), northing before easting (source, target).
    bool LonFirst(bool target) const { return target ? m_bLonFirst2 : m_bLonFirst1; }
    bool NorthingFirst(bool target) const {
        return target ? m_bNorthingFirst2 : m_bNorthingFirst1;
    }

    /// What the source's (or @p target's) three values are, in the order
    /// the files hold them: "latitude", "northing", "X", "egm96_height".
    std::array<std::string, 3> Names(bool target) const;

    /// Gives back what the fields' index of a line with many fields made
    /// it grow to: no thread keeps a large index between blocks.
    void ReleaseIndex();

    const ::Chain &Steps() const { return m_chain; }
    /// The source's axes as the column rule sees them.
    const SourceAxes &Axes() const { return m_axes; }

    /// Writes the heading line with the names of what the coordinate
    /// columns hold after the conversion, and names for added columns.
    void WriteHeading(std::string_view line, std::string_view lineEnd,
                      const FileFormat &format, OutBuffer &out);

    /// Writes what a failed line becomes: a comment line "# ERROR: message
    /// | original line" (no original for a line too long to keep; a record
    /// over several lines goes on with "# " before each further line), or in
    /// GeoJSON a feature without geometry and with an "error" property.
    void WriteFailure(std::string_view message, std::string_view line,
                      bool withLine, std::string_view lineEnd,
                      OutBuffer &out) const;

  private:
    /// A line's source values as read, before anything is computed.
    struct SourcePoint {
        double values[3] = {0, 0, 0};
        bool has[3] = {false, false, false}; ///< a column of its own
        int lastColumn = -1;                 ///< the last coordinate column
        bool firstIsLatitude = true;         ///< as the line gave them
        std::int32_t zone = 0;               ///< from the zone column
        bool south = false;
    };
    /// The converted values, with the target's zone (0 for none).
    struct TargetPoint {
        const double *values;
        std::int32_t zone;
        bool south;
    };

    void SetUp();
    /// Fields and values of @p line (@throws InputError).
    void SplitLine(std::string_view line, const FileFormat &format);
    /// The source values of the line split last (@throws InputError).
    SourcePoint ReadPoint(const FileFormat &format);
    void ReadZone(SourcePoint &point);
    /// The line with its coordinate values replaced by the results.
    void WriteLine(std::string_view line, std::string_view lineEnd,
                   const FileFormat &format, const SourcePoint &point,
                   const TargetPoint &target, OutBuffer &out);
    char *FormatValue(char *p, double value) const;
    char *FormatAngle(char *p, double value, bool latitude, char joiner) const;
    void WriteGeoJson(const double out[3], const FileFormat &format,
                      OutBuffer &buffer);
    std::string_view Column(int column, std::string &scratch) const;
    FieldSpan Span(int column) const;

    const BatchOptions &m_options;
    ::Chain m_chain;
    SourceAxes m_axes;
    /// The grid values come northing first, as the source reads them and as
    /// the target writes them.
    bool m_bNorthingFirst1 = false;
    bool m_bNorthingFirst2 = false;
    /// The geographic values come longitude first: the source's default
    /// reading order and the PROJ target's writing order.
    bool m_bLonFirst1 = false;
    bool m_bLonFirst2 = false;
    bool m_bProjTarget = false; ///< the target is a PROJ system
    std::vector<std::string_view> m_fields;
    std::vector<FieldSpan> m_values; ///< values from m_nStart on
    std::size_t m_nStart = 0;
    std::string m_scratch[4];
};

// ---- blocks
// -----------------------------------------------------------------------

/// What a failed first line is told when it looks like a heading, after
/// its message: the command line's words, and the words for a front end
/// without options (see BatchObserver::NamesOptions).
inline constexpr std::string_view HEADING_HINT =
    " (the first line looks like a heading: use --header)";
inline constexpr std::string_view HEADING_HINT_WITHOUT_OPTION =
    " (the first line looks like a heading)";

/// One failed line of a block, counted from 1 at the block's first line.
struct LineError {
    std::size_t line;
    std::string message;
    bool headingHint = false; ///< the message ends in HEADING_HINT
    /// What refused the point, for a front end's advice.
    PointFault fault = PointFault::Other;
};

/// A point outside the area of use of the operation used, by its line.
struct OutsideLine {
    std::size_t line; ///< counted from 1 at the block's first line
    bool swappedInside;
};

/// Lines of points outside the area of use kept by a block and by a run,
/// the count going on beyond them.
constexpr std::size_t OUTSIDE_LINES_KEPT = 5;

/// What a block gave.
struct BlockResult {
    OutBuffer out;
    std::vector<LineError> errors;
    std::size_t lines = 0;  ///< lines of the block
    std::size_t points = 0; ///< lines converted
    /// Of those, outside the area of use of the operation used: the first
    /// few and the count.
    std::vector<OutsideLine> outsideLines;
    std::size_t outside = 0;
    /// Some lay outside the target system's area rather than the
    /// operation's.
    bool outsideTarget = false;
    /// Points converted by each of PROJ's candidates, by index.
    std::vector<std::uint64_t> operationPoints;
    /// Points converted where a more accurate operation's grid is missing,
    /// by index into ProjTransform::Missing.
    std::vector<std::uint64_t> missingPoints;
    bool stopped = false;   ///< ended at a failed line (ErrorPolicy::Stop)

    void Clear() {
        out.Clear();
        errors.clear();
        lines = points = outside = 0;
        outsideTarget = false;
        outsideLines.clear();
        std::fill(operationPoints.begin(), operationPoints.end(), 0);
        std::fill(missingPoints.begin(), missingPoints.end(), 0);
        stopped = false;
    }
};

/// Where a block stands in its file.
struct BlockPlace {
    bool headerFirst = false; ///< the block starts with the heading line
    bool fileStart = false;   ///< the block starts with the file's first line
    /// The output starts here and the input started with a UTF-8 byte-order
    /// mark: the output keeps it (spreadsheets read the file as UTF-8 by it).
    bool byteOrderMark = false;
};

/// Converts the lines of @p block: the heading line (when
/// @p place.headerFirst) gets its new names, comment or blank lines pass
/// through, data lines are converted, and failed lines are written as
/// options.onError says.
void ProcessBlock(LineConverter &converter, const BatchOptions &options,
                  const BlockText &block, BlockPlace place,
                  const FileFormat &format, BlockResult &result);
