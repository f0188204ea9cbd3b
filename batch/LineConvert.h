// The conversion of one line, and of a block of lines: columns, the line
// converter on the chain, what a block gives.
#pragma once

#include "Axes.h"
#include "Options.h"
#include "OutputWriter.h"

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

/// A longitude in degrees as it is written: in (-180, 180], also after the
/// rounding to 15 digits (-179.9999999999999 would be written -180).
double WrittenLongitude(double lon);

class LineConverter;

/// How the lines of one input file are laid out.
struct FileFormat {
    char delimiter = 0; ///< 0: runs of blanks
    /// False until the first data line has shown the delimiter: records
    /// are cut as any delimiter would cut them (see RecordLength).
    bool delimiterKnown = true;
    /// GeoJSON property keys by field index, quoted and escaped; further
    /// fields are "fieldN".
    const std::vector<std::string> *keys = nullptr;
    /// Coordinate columns of this file (0-based), in the order the files
    /// hold the source's values (its own, or east first), the height third;
    /// names resolved against its heading; count 2 or 3; the third optional
    /// with default columns. A source of references has the reference's
    /// column first and a height's second: count 1 or 2.
    int columns[3] = {0, 1, 2};
    int columnCount = 3;
    bool thirdOptional = true;
    /// The columns were named (by a heading or by name): each value is one
    /// field, never an angle spread over several.
    bool named = false;
};

/**
 * The columns of @p options for a file with heading @p header, as the
 * source side of @p converter reads them: numbers as given; names looked up
 * among the heading's fields, each bound to the axis it names (by position
 * where it names none). Without column options, with a heading (options
 * header), the heading's names decide: the side's own axis names and
 * abbreviations, the usual names of latitude and longitude, the heights of
 * the side's kind (see SideAxes); a heading that names none of the side's
 * values, names one twice, contradicts the side or names the other kind of
 * height is refused. Without a heading, the first columns.
 * @throws ColumnsInputError.
 */
void ResolveColumns(const BatchOptions &options,
                    const LineConverter &converter, std::string_view header,
                    FileFormat &format);

/**
 * The columns that the column rule (see ResolveColumns) finds in a heading
 * when a run is given none: for the source side of @p options, whose own
 * columns are not looked at, and the heading line @p header cut by
 * @p delimiter. A front end that shows the columns before a run shows these.
 * @return nothing when the heading names none of the source's values.
 * @throws ColumnsInputError when the names do not settle the columns;
 *   SetupError or UsageError when the conversion cannot be set up.
 */
std::optional<FileFormat> HeadingColumns(const BatchOptions &options,
                                         std::string_view header,
                                         char delimiter);

/**
 * What the three values of @p side are called, in the order files hold
 * them, as the converter's heading names them: "latitude", "longitude",
 * "height"; "northing", "easting", "egm96_height"; "westing", "southing";
 * "X", "Y", "Z". @p eastFirst as BatchOptions::lonLat.
 * @throws ProjError when PROJ does not know the side's system.
 */
std::array<std::string, 3> ValueNames(const ConversionSide &side,
                                      bool eastFirst = false);

/// The area a point lay outside, for messages: the operation's (and the
/// source system's) or, with @p target, the target system's, with its name.
std::string AreaText(const ProjTransform &proj, std::size_t operation,
                     bool target);

// What PROJ's operation did with points, as each front end tells it: a run
// at its end, the Python module per call and per point. None names a front
// end's controls; a front end adds its advice after them.

/// One point against the area of use: "outside the area of use of
/// EPSG:15484 Tokyo to WGS 84 (108), 9 m (Japan ...)", with "; axes
/// swapped?" where the point with its two values swapped lies inside.
std::string OutsideAreaText(const ProjTransform &proj, std::size_t operation,
                            const AreaCheck &area);
/// Points outside the area of use: "2 points lie outside the area of use
/// of X: @p where; converted all the same". X is the one operation that
/// converted points (@p used: points by candidate), else "the operations
/// used", and with @p target also the target system's area.
std::string OutsidePointsText(const ProjTransform &proj,
                              const std::vector<std::uint64_t> &used,
                              bool target, std::uint64_t outside,
                              const std::string &where);
/// "converted by the ballpark operation X: what it leaves undone", after
/// "3 points were" for @p points above 0.
std::string BallparkUsedText(const OperationFacts &operation,
                             std::uint64_t points = 0);
/// A point where @p missing would serve better: "a more accurate
/// operation, X, needs the grid G, which is not installed".
std::string MissingGridText(const MissingOperation &missing);
/// @p points such points, and where the grid goes: "2 points lie where a
/// more accurate operation, ... not installed: put it into one of PROJ's
/// grid directories (...) or a directory named by PROJ_DATA".
std::string MissingGridPointsText(const MissingOperation &missing,
                                  std::uint64_t points);

/**
 * Converts data lines with one chain. One per thread.
 */
class LineConverter {
  public:
    /// @param[in] context PROJ's context of the chain's operation (see
    ///   Chain).
    /// @throws SetupError, UsageError (OptionsError: a DM or DMS format for
    ///   a target whose angles are not degrees).
    explicit LineConverter(const BatchOptions &options,
                           ProjContext *context = nullptr);
    /// The same converter for another thread (see Chain's copy).
    LineConverter(const LineConverter &other);

    /**
     * Converts one data line: its point, for an output writer to write
     * with the line's fields as this converter now holds them (until the
     * next line).
     * @param[in] line the line without its line end.
     * @throws std::exception with the message for the line.
     */
    ConvertedPoint Convert(std::string_view line, const FileFormat &format);

    /**
     * One point as numbers, checked and converted as a line's are once
     * read: @p in in the source's own axis order and units, @p result in
     * the target's.
     * @throws std::exception with the message for the point.
     */
    void ConvertValues(const double in[3], int sourceZone, bool sourceSouth,
                       double result[3], std::int32_t &zone, bool &south);

    /**
     * A point's values as files hold them (@p file: first, second, height)
     * into the source's own order, checked as a line's are: angles against
     * their ranges in degrees, a longitude beyond half a turn read as west.
     * @throws InputError.
     */
    void SourceValues(const double file[3], double own[3]) const;
    /// The target's own values in the order files hold them, a longitude
    /// written within half a turn.
    void TargetValues(const double own[3], double file[3]) const;

    /// What the source's (or @p target's) three values are, in the order
    /// the files hold them: "latitude", "northing", "X", "egm96_height".
    std::array<std::string, 3> Names(bool target) const;

    /// Gives back what the fields' index of a line with many fields made
    /// it grow to: no thread keeps a large index between blocks.
    void ReleaseIndex();

    const ::Chain &Steps() const { return m_chain; }
    /// The source's and the target's axes.
    const SideAxes &SourceAxes() const { return m_from; }
    const SideAxes &TargetAxes() const { return m_to; }
    /// The heights of the points come from the options' value, or must be
    /// given by each line (see BatchOptions::height).
    bool HeightRequired() const { return m_bHeightRequired; }

    // ---- the line converted last, as the output writers take it

    const BatchOptions &Options() const { return m_options; }
    std::size_t FieldCount() const { return m_fields.size(); }
    std::string_view Field(std::size_t i) const { return m_fields[i]; }
    /// The fields a value (a column, from the first coordinate column on
    /// counted by values) spans. Inline: the writers ask for each value.
    FieldSpan Span(int column) const {
        const auto c = static_cast<std::size_t>(column);
        if (c < m_nStart)
            return {static_cast<std::uint32_t>(c),
                    static_cast<std::uint32_t>(c)};
        return m_values[c - m_nStart];
    }
    /// The text of column @p column, unquoted (into @p scratch).
    std::string_view Column(int column, std::string &scratch) const;
    /// The columns the line's values count.
    std::size_t ValueCount() const { return m_nStart + m_values.size(); }
    /// A value as the options write it: 15 digits, or fixed decimals.
    char *FormatValue(char *p, double value) const;
    /// An angle in degrees as the options write it (DD, DM or DMS), with
    /// its hemisphere letter after DM and DMS parts joined by @p joiner.
    char *FormatAngle(char *p, double value, bool latitude, char joiner) const;
    /// The reference of the point converted last, when the target is a
    /// reference form: an MGRS reference or a geohash, or UPS's hemisphere
    /// (N or S), easting and northing joined by @p joiner. Room:
    /// REFERENCE_ROOM.
    char *FormatReference(char *p, char joiner) const;
    /// The target's axis of each value as the files hold them.
    const std::array<int, 3> &WriteOrder() const { return m_writeOrder; }
    /// The target is a PROJ system.
    bool ProjTarget() const { return m_bProjTarget; }

    /// Points of the last block converted without a height of their own,
    /// whose target has one: their height was taken as 0.
    std::size_t HeightsTaken() const { return m_nHeightsTaken; }
    void ClearHeightsTaken() { m_nHeightsTaken = 0; }

  private:
    /// A line's source values as read, before anything is computed.
    struct SourcePoint {
        double values[3] = {0, 0, 0}; ///< the source's own order
        bool has[3] = {false, false, false}; ///< a column of its own
        int lastColumn = -1;                 ///< the last coordinate column
        bool firstIsLatitude = true;         ///< as the line gave them
        std::int32_t zone = 0;               ///< from the zone column
        bool south = false;
    };
    void SetUp();
    /// Fields and values of @p line (@throws InputError).
    void SplitLine(std::string_view line, const FileFormat &format);
    /// The source values of the line split last (@throws InputError).
    SourcePoint ReadPoint(const FileFormat &format);
    void ReadZone(SourcePoint &point);
    /// The source values of a line whose point is a reference
    /// (@throws InputError).
    SourcePoint ReadReference(const FileFormat &format);
    /// The target's reference of the point just converted
    /// (@throws InputError).
    void MakeReference(const double result[3]);

    const BatchOptions &m_options;
    ::Chain m_chain;
    SideAxes m_from, m_to;
    /// The axis of each value as the files hold them (see
    /// SideAxes::FileOrder).
    std::array<int, 3> m_readOrder{0, 1, 2}, m_writeOrder{0, 1, 2};
    /// The source's and target's latitude and longitude among their own
    /// values (-1 on a grid).
    int m_nLat1 = -1, m_nLon1 = -1, m_nLat2 = -1, m_nLon2 = -1;
    std::string m_valueNames[3]; ///< the source's, in file order
    std::string m_ownNames[3];   ///< the source's, in its own order
    bool m_bProjTarget = false; ///< the target is a PROJ system
    bool m_bHeightRequired = false;
    /// The source is a catalogue side and the target a PROJ system with a
    /// height: a point without one is counted (HeightsTaken).
    bool m_bCountHeights = false;
    std::size_t m_nHeightsTaken = 0;
    std::vector<std::string_view> m_fields;
    std::vector<FieldSpan> m_values; ///< values from m_nStart on
    std::size_t m_nStart = 0;
    /// The fields from m_nStart on are plain (see FieldSplitter::Split):
    /// each is a value.
    bool m_bPlainValues = false;
    std::string m_scratch[4];
    double m_result[3] = {0, 0, 0}; ///< the last line's target values
    /// The last line's reference (MGRS, geohash) or UPS coordinates.
    std::string m_strReference;
    UpsPoint m_ups;
};

// ---- blocks
// -----------------------------------------------------------------------

/// A line's error that a front end may complete with its advice (see
/// FrontEndWords): what() names no front end's controls.
class AdvisedInputError : public InputError {
  public:
    AdvisedInputError(const std::string &message, Advice advice)
        : InputError(message), m_advice(advice) {}
    Advice Which() const { return m_advice; }

  private:
    Advice m_advice;
};

/// @p message with what @p advice adds, in @p words: after a first line
/// that looks like a heading " (the first line looks like a heading", the
/// words, ")"; otherwise the words alone.
std::string Advised(std::string message, Advice advice,
                    const FrontEndWords &words);

/// One failed line of a block, counted from 1 at the block's first line.
struct LineError {
    std::size_t line;
    std::string message; ///< without its advice
    Advice advice = Advice::Count; ///< Count: none
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
    /// Points converted without a height where the target has one (see
    /// LineConverter::HeightsTaken).
    std::size_t heightsTaken = 0;
    bool stopped = false;   ///< ended at a failed line (ErrorPolicy::Stop)

    void Clear() {
        out.Clear();
        errors.clear();
        lines = points = outside = heightsTaken = 0;
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
