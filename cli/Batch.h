// nolvex-convert's logic: options, the conversion of one line, blocks of
// lines, and the run over all inputs with worker threads.
#pragma once

#include "Chain.h"
#include "Proj.h"
#include "LineReader.h"
#include "PointText.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

enum class AngleFormat { Dd, Dm, Dms };
enum class OutputFormat { Text, GeoJson };
/// What a line that cannot be converted becomes: a comment line in its
/// place (the default), nothing, or the end of the run.
enum class ErrorPolicy { Comment, Skip, Stop };
/// What a point outside the area of use of the operation used becomes:
/// converted and counted, or an error of its line.
enum class OutsidePolicy { Warn, Error };

/// A command line that asks for something impossible; the program says what
/// and exits with status 2.
class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

/// Everything a run needs, checked (see CheckOptions).
struct BatchOptions {
    ChainSettings chain;
    std::vector<std::string> inputs; ///< empty or "-": standard input
    std::string output;              ///< empty or "-": standard output
    /// The east axis first in the files: longitude before latitude, easting
    /// before northing, whatever the side's own order.
    bool lonLat = false;
    std::optional<char> delimiter;   ///< 0 = runs of blanks; unset = detect
    std::vector<int> columns;        ///< 0-based; empty = 0, 1 and 2 if there
    /// Heading names of the columns (with --header), in place of numbers:
    /// where an entry is not empty it names the column and columns[i] is
    /// unused.
    std::vector<std::string> columnNames;
    bool header = false; ///< first line of each input passes
    AngleFormat angleFormat = AngleFormat::Dd;
    int precision = -1; ///< fixed decimals; -1 = the 15-digit general format
    OutputFormat outputFormat = OutputFormat::Text;
    ErrorPolicy onError = ErrorPolicy::Comment;
    /// A UTM source takes each point's zone from the field after its
    /// coordinates ("52N", "56S", "52"), as --utm-zone auto writes it.
    bool sourceZoneColumn = false;
    unsigned threads = 1;
    /// Input bytes per block; 0 picks them by the thread count. Small
    /// blocks are for tests and fuzzing, which need many of them.
    std::size_t blockSize = 0;
    OutsidePolicy outsideArea = OutsidePolicy::Warn;
    /// A point where PROJ knows a more accurate operation whose grid is not
    /// installed is an error of its line.
    bool requireBest = false;
    /// The summary names the operations used, their grids and PROJ's
    /// versions.
    bool verbose = false;
};

/// A UTM zone as written after a point or given as an option: "52", "52N",
/// "56S" (letter in either case), nothing around it. @p hemisphere becomes
/// 'N', 'S', or 0 without a letter.
/// @return false for anything else, or a zone outside 1 to 60.
bool ParseUtmZone(std::string_view text, int &zone, char &hemisphere);

/// What the projection-origin dialog gets for UTM zone @p zone: the zone's
/// origin longitude (6 zone - 183), and with a hemisphere letter the false
/// northing (0 north, 10,000,000 m south).
void SetUtmZone(GridSettings &grid, int zone, char hemisphere);

/// A number as the converter writes it into messages and tables: 15
/// significant digits, and a decimal point whatever separator a window in
/// the same process shows (files are read by other programs).
std::string WrittenReal(double value);

/// Checks what the options parser cannot: kinds against grid settings and
/// formats, columns, GeoJSON's target. The UTM zone options are the command
/// line's own and are checked where they are read: a side handed over as
/// its engine has its zone already.
/// @throws UsageError.
void CheckOptions(const BatchOptions &options);

/// True when points converted to @p to can be written as GeoJSON, which
/// holds geographic coordinates on WGS 84 only.
bool IsGeoJsonTarget(const SideSettings &to);

// ---- catalogue names
// ---------------------------------------------------------

/// A datum given as an index (0 to 133), "WGS84", a catalogue code naming one
/// datum ("TOY-B", case ignored), the full catalogue text ("Tokyo(---)") or a
/// name without code that names one datum ("Adindan").
/// @param catalogue an engine holding the user rows in force.
/// @throws UsageError for no match or several.
std::int32_t ResolveDatum(std::string_view text, const COORD &catalogue);

/// An ellipsoid given the same ways (index 0 to 28, code, text, name).
std::int32_t ResolveEllipsoid(std::string_view text, const COORD &catalogue);

/// "DATUM[:KIND]" with KIND geo, utm, tm, g7 or ecef, or a system that PROJ
/// knows (see LooksLikeProjDefinition: "EPSG:5174", "5174", an OGC URN, a
/// compound "EPSG:4326+5773", a PROJ string or WKT); fills datum and kind,
/// or crs and kind (from the system's own kind).
/// @throws UsageError.
void ParseSide(std::string_view text, const COORD &catalogue,
               SideSettings &side);

/// "NAME,a,invf". @throws UsageError.
UserEllipsoid ParseUserEllipsoid(std::string_view text);

/// "NAME,ellipsoid,dx,dy,dz", the ellipsoid as ResolveEllipsoid takes it.
UserDatum ParseUserDatum(std::string_view text, const COORD &catalogue);

/// The table for --list: "datums" or "ellipsoids" of the catalogue, or
/// "crs" (with a filter after it: "crs korea"), the systems in PROJ's
/// database; tab-separated with a heading line.
std::string ListCatalogue(std::string_view what, const COORD &catalogue);

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
 * @throws InputError for a name that the heading does not have, a heading
 *   that names the values ambiguously or names another kind's.
 */
void ResolveColumns(const BatchOptions &options, const SourceAxes &axes,
                    std::string_view header, FileFormat &format);

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
    void SetUp();
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

/// One failed line of a block, counted from 1 at the block's first line.
struct LineError {
    std::size_t line;
    std::string message;
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

// ---- a whole run
// --------------------------------------------------------------

/// Name used in messages for standard input.
inline constexpr std::string_view STDIN_NAME = "<stdin>";

/// How far a run has come.
struct BatchProgress {
    std::uint64_t bytesDone = 0;  ///< input bytes converted and written
    std::uint64_t bytesTotal = 0; ///< all inputs, 0 when not known (a pipe)
    std::uint64_t points = 0;     ///< lines converted
    std::uint64_t linesFailed = 0;
    /// Points converted that lie outside the area of use of the operation
    /// used.
    std::uint64_t outsideArea = 0;
};

/// What a progress report comes to after @p seconds of a run.
struct ProgressFigures {
    std::uint64_t percent = 0; ///< of the input bytes; 0 when not known
    std::uint64_t rate = 0;    ///< points per second; 0 before any time
    bool knowsLeft = false;    ///< part done, part still to do
    std::uint64_t secondsLeft = 0; ///< at the rate so far, when knowsLeft
};
ProgressFigures FiguresOf(const BatchProgress &progress, double seconds);

/**
 * What a run tells its front end. Both calls come from one thread at a time
 * (the writing side), between blocks.
 */
class BatchObserver {
  public:
    virtual ~BatchObserver() = default;
    /// A message for the user, one line without its line end:
    /// "FILE:LINE: message", "FILE: cannot open: ...", "N lines failed".
    virtual void Message(std::string_view text) = 0;
    /// After each block written, and once at the end.
    virtual void Progress(const BatchProgress &) {}
};

/// How a run ended.
enum class RunEnd {
    Finished,  ///< every input read and written (lines may have failed)
    Stopped,   ///< ErrorPolicy::Stop at a failed line or input
    Cancelled, ///< the cancel flag was set
    Failed,    ///< the output could not be written
};

struct BatchSummary {
    RunEnd end = RunEnd::Finished;
    BatchProgress progress;
    std::uint64_t inputsFailed = 0;

    /// 0 when everything converted, 1 otherwise.
    int ExitStatus() const {
        return end == RunEnd::Finished && progress.linesFailed == 0 &&
                       inputsFailed == 0
                   ? 0
                   : 1;
    }
};

/// Memory that blocks in flight (input and output) may hold together.
constexpr std::size_t IN_FLIGHT_BUDGET = 12u << 20;

/// The worker threads a run really uses for @p requested: at most what the
/// budget keeps busy with blocks of the smallest size.
unsigned UsableThreads(unsigned requested);

/**
 * Converts every input into @p outFd. A named output file is written by
 * the caller through OutputFile and committed only when the run finished.
 * @param[in] cancel checked between blocks; when set the run ends as
 *   RunEnd::Cancelled.
 * @param[in] checked a converter already made for @p options (setting up
 *   PROJ's operation again costs tens of milliseconds), or null.
 * @throws SetupError before any output when the engines cannot be set up.
 */
BatchSummary RunBatch(const BatchOptions &options, int outFd,
                      BatchObserver &observer,
                      const std::atomic<bool> *cancel = nullptr,
                      const LineConverter *checked = nullptr);

/**
 * The observer of the command line: messages on @p errFd prefixed
 * "nolvex-convert: ", and with @p progressLine a progress line (percentage,
 * points per second, time left) redrawn on it at most four times a second
 * and cleared before each message.
 */
class StreamObserver : public BatchObserver {
  public:
    StreamObserver(int errFd, bool progressLine);
    void Message(std::string_view text) override;
    void Progress(const BatchProgress &progress) override;
    /// Clears the progress line.
    void Finish();

  private:
    int m_nFd;
    bool m_bProgress;
    bool m_bShown = false;
    std::int64_t m_nStart, m_nLast;
};
