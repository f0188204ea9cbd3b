// The options of a batch conversion: what a run converts and how, the
// catalogue names and user rows they name, and their checks.
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

/// A usage error that names a datum, ellipsoid or system nobody knows.
class UnknownSystemError : public UsageError {
  public:
    using UsageError::UsageError;
};

/// What keeps a run's columns from being settled. Each front end says it in
/// its own words: the command line names its options (ColumnsText), a window
/// its controls.
struct ColumnsFault {
    enum Kind {
        ColumnTwice,    ///< one column given for two values (column)
        SameValueTwice, ///< the heading names one value twice (names)
        EitherAxis,     ///< the heading names x or y, which could be either
        OtherKind,      ///< the heading names the other kind's values
        OnlyOne,        ///< the heading names one of the two values only
        NoSuchName,     ///< a column name the heading lacks (names[0])
        NameTwice,      ///< a column name the heading has twice (names[0])
    };
    Kind kind = ColumnTwice;
    int column = 0;       ///< ColumnTwice: the column, counted from 1
    std::string names[2]; ///< as the heading or the options give them
    /// The source's first two values: "latitude and longitude".
    std::string what;
    std::string misfitWhat; ///< OtherKind: what the heading names instead
    std::string side;       ///< OtherKind: the source ("EPSG:5186")
};

/// The command line's words for @p fault.
std::string ColumnsText(const ColumnsFault &fault);

/// Carried by the refusals of the column rule, for a front end that says
/// them its own way; their what() holds the command line's words.
class ColumnsRefusal {
  public:
    explicit ColumnsRefusal(ColumnsFault fault) : m_fault(std::move(fault)) {}
    virtual ~ColumnsRefusal() = default;
    const ColumnsFault &Fault() const { return m_fault; }

  private:
    ColumnsFault m_fault;
};

/// Columns asked for that cannot be (CheckOptions).
class ColumnsUsageError : public UsageError, public ColumnsRefusal {
  public:
    explicit ColumnsUsageError(const ColumnsFault &fault)
        : UsageError(ColumnsText(fault)), ColumnsRefusal(fault) {}
};

/// A file whose heading does not settle its columns (ResolveColumns).
class ColumnsInputError : public InputError, public ColumnsRefusal {
  public:
    explicit ColumnsInputError(const ColumnsFault &fault)
        : InputError(ColumnsText(fault)), ColumnsRefusal(fault) {}
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
