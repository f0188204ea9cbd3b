// The options of a batch conversion: what a run converts and how, the
// catalogue names and user rows they name, and their checks.
#pragma once

#include "Chain.h"
#include "GridReferences.h"
#include "LineReader.h"
#include "PointText.h"
#include "Proj.h"

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
/// A point on WGS 84 written or read as one reference (see
/// GridReferences.h): an MGRS reference, UPS coordinates (hemisphere,
/// easting, northing), a geohash.
enum class ReferenceForm { None, Mgrs, Ups, Geohash };

/// The form named @p name ("mgrs", "ups", "geohash", case ignored), or
/// None.
ReferenceForm ReferenceFormNamed(std::string_view name);
/// "mgrs", "ups", "geohash": the form's name, as a heading names its column.
const char *ReferenceFormName(ReferenceForm form);
/// What a line that cannot be converted becomes: a comment line in its
/// place (the default), nothing, or the end of the run.
enum class ErrorPolicy { Comment, Skip, Stop };

/// A side, a user row or options that cannot be read, or that ask for
/// something impossible. what() is the reason in words that name no front
/// end's controls; the fault says where, for the front end to word.
class UsageError : public std::runtime_error {
  public:
    explicit UsageError(SetupFault fault)
        : std::runtime_error(fault.reason), m_fault(std::move(fault)) {}
    explicit UsageError(std::string reason)
        : UsageError(SetupFault{FaultSide::None, FaultField::None,
                                std::move(reason), FaultAdvice::None}) {}
    const SetupFault &Fault() const { return m_fault; }

  private:
    SetupFault m_fault;
};

/// A usage error that names a datum, ellipsoid or system nobody knows.
class UnknownSystemError : public UsageError {
  public:
    using UsageError::UsageError;
};

/// The checks of a run's options beyond its conversion (CheckOptions), for
/// a front end to word.
enum class OptionsCheck {
    ColumnsCount, ///< two or three columns
    ColumnNamesNeedHeading,
    ColumnsFromOne,
    Precision,                  ///< 0 to 17 decimals
    AngleFormatNeedsGeographic, ///< DM and DMS need a geographic target
    AngleFormatNeedsDegrees,    ///< ... whose angles are degrees
    GeoJsonNeedsWgs84,          ///< GeoJSON holds WGS 84 longitude and latitude
    GeoJsonWritesDegrees,       ///< GeoJSON takes no DM or DMS
    GeoJsonTakesNoReference,    ///< GeoJSON holds coordinates, not references
    ReferenceTakesNoAngles,     ///< a reference has no DM or DMS
    ReferenceColumnsCount,      ///< a reference read: its column and a height's
    ReadsNoUps,                 ///< UPS is written, not read
    MgrsDigits,                 ///< 0 to 11
    GeohashLength,              ///< 1 to 18
    Threads,
    HeightTwice, ///< a height given and a third column as well
    HeightNameNeedsHeading,
};

/// Options that cannot go together (CheckOptions).
class OptionsError : public UsageError {
  public:
    OptionsError(OptionsCheck check, std::string reason)
        : UsageError(std::move(reason)), m_check(check) {}
    OptionsCheck Check() const { return m_check; }

  private:
    OptionsCheck m_check;
};

/// What keeps a run's columns from being settled. Each front end says it in
/// its own words: the command line names its options, a window its
/// controls; what() of the errors that carry it names neither.
struct ColumnsFault {
    enum Kind {
        ColumnTwice,    ///< one column given for two values (column)
        SameValueTwice, ///< the heading names one value twice (names)
        EitherAxis,     ///< the heading names x or y, which could be either
        OtherKind,      ///< the heading names the other kind's values
        OnlyOne,        ///< the heading names one of the two values only
        NoSuchName,     ///< a column name the heading lacks (names[0])
        NameTwice,      ///< a column name the heading has twice (names[0])
        NoneNamed,      ///< the heading names none of the values (seen)
        OtherHeight,    ///< names[0] is the other kind of height (misfitWhat)
        MissingHeight,  ///< no height, which the conversion needs (seen)
    };
    Kind kind = ColumnTwice;
    int column = 0;       ///< ColumnTwice: the column, counted from 1
    std::string names[2]; ///< as the heading or the options give them
    /// The source's first two values: "latitude and longitude".
    std::string what;
    /// OtherKind, OtherHeight: what the heading names instead.
    std::string misfitWhat;
    std::string side; ///< the source ("EPSG:5186", "the catalogue datum")
    /// OtherHeight, MissingHeight: the source's height ("an ellipsoidal
    /// height").
    std::string height;
    /// The names the heading has, as it gives them (NoneNamed, OtherKind,
    /// MissingHeight).
    std::vector<std::string> seen;
};

/// The names @p seen as a message lists them: quoted, at most a dozen.
std::string SeenText(const std::vector<std::string> &seen);

/// Words for @p fault that name no front end's controls.
std::string ColumnsReason(const ColumnsFault &fault);

/// Carried by the refusals of the column rule, for a front end that says
/// them its own way.
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
        : UsageError(ColumnsReason(fault)), ColumnsRefusal(fault) {}
};

/// A file whose heading does not settle its columns (ResolveColumns).
class ColumnsInputError : public InputError, public ColumnsRefusal {
  public:
    explicit ColumnsInputError(const ColumnsFault &fault)
        : InputError(ColumnsReason(fault)), ColumnsRefusal(fault) {}
};

/// What a front end would have its user change, said after a run's
/// messages in the front end's own words (see BatchOptions::advice).
enum class Advice {
    UseHeading,         ///< a first line that looks like a heading failed
    GiveHeight,         ///< a point lacks the height its conversion needs
    OutsideAreaError,   ///< points outside the area of use could be errors
    RequireBest,        ///< points without the best operation could be errors
    AllowBallpark,      ///< a ballpark operation was used as allowed
    AllowBallparkPoint, ///< a point where only a ballpark operation serves
    UseUps,             ///< a point beyond UTM's limits could be written in UPS
    Count,
};

/// A front end's own words in a run's messages and output.
struct FrontEndWords {
    /// Each Advice's words, put right after the message it completes
    /// (" (... makes them errors)"); empty: nothing said.
    std::string advice[static_cast<std::size_t>(Advice::Count)];
    /// A file's column fault in the front end's words; null: ColumnsReason.
    std::string (*columns)(const ColumnsFault &) = nullptr;

    const std::string &operator[](Advice which) const {
        return advice[static_cast<std::size_t>(which)];
    }
    std::string &operator[](Advice which) {
        return advice[static_cast<std::size_t>(which)];
    }
};

/// Which height each point takes where the files do not settle it: the
/// column a heading names, or one value for every point.
struct HeightSource {
    std::string column; ///< a heading's name; empty for the value
    double value = 0;   ///< metres, or the source's height unit
};

/// Everything a run needs, checked (see CheckOptions).
struct BatchOptions {
    Conversion conversion;
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
    /// The points' heights, in place of a height column of the files.
    std::optional<HeightSource> height;
    AngleFormat angleFormat = AngleFormat::Dd;
    int precision = -1; ///< fixed decimals; -1 = the 15-digit general format
    OutputFormat outputFormat = OutputFormat::Text;
    ErrorPolicy onError = ErrorPolicy::Comment;
    /// The source's points are references of this form (MGRS or geohash) in
    /// one column, read on WGS 84: the conversion's source is WGS 84
    /// geographic, a height comes from a second column or from height.
    ReferenceForm sourceForm = ReferenceForm::None;
    /// The target's points are written in this form, in place of their
    /// latitude and longitude: the conversion's target is WGS 84
    /// geographic, whatever the source's datum or system.
    ReferenceForm targetForm = ReferenceForm::None;
    /// Digits per coordinate of an MGRS reference written (0 to 11).
    int mgrsDigits = MGRS_DIGITS_DEFAULT;
    /// Characters of a geohash written (1 to 18).
    int geohashLength = GEOHASH_LENGTH_DEFAULT;
    /// A UTM source takes each point's zone from the field after its
    /// coordinates ("52N", "56S", "52"), as --utm-zone auto writes it.
    bool sourceZoneColumn = false;
    unsigned threads = 1;
    /// Input bytes per block; 0 picks them by the thread count. Small
    /// blocks are for tests and fuzzing, which need many of them.
    std::size_t blockSize = 0;
    /// The summary names the operations used, their grids and PROJ's
    /// versions.
    bool verbose = false;
    /// The front end's words (none by default).
    FrontEndWords words;
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

/// Checks what each front end could get wrong the same way: columns,
/// formats against the target, GeoJSON's target. The UTM zones are the
/// front ends' own and are checked where they are read.
/// @throws OptionsError, ColumnsUsageError; SetupError (CheckConversion).
void CheckOptions(const BatchOptions &options);

/// True when points converted to @p to can be written as GeoJSON, which
/// holds geographic coordinates on WGS 84 only.
bool IsGeoJsonTarget(const ConversionSide &to);

// ---- catalogue names and sides as texts
// ------------------------------------------

/// A datum given as an index (0 to 133), "WGS84", a catalogue code naming one
/// datum ("TOY-B", case ignored), the full catalogue text ("Tokyo(---)") or a
/// name without code that names one datum ("Adindan").
/// @param catalogue an engine holding the user rows in force.
/// @throws UsageError for no match or several (UnknownSystemError for
///   none).
std::int32_t ResolveDatum(std::string_view text, const COORD &catalogue);

/// An ellipsoid given the same ways (index 0 to 28, code, text, name).
std::int32_t ResolveEllipsoid(std::string_view text, const COORD &catalogue);

/// "DATUM[:KIND]" with KIND geo, utm, tm, g7 or ecef, or a system that PROJ
/// knows (see LooksLikeProjDefinition: "EPSG:5174", "5174", an OGC URN or
/// URL, a compound "EPSG:4326+5773", a PROJ string or WKT), as side
/// @p which of a conversion.
/// @throws UsageError (UnknownSystemError for a datum or system nobody
///   knows).
ConversionSide ParseSide(std::string_view text, const COORD &catalogue,
                         FaultSide which);

/// "NAME,a,invf". @throws UsageError.
UserEllipsoid ParseUserEllipsoid(std::string_view text);

/// "NAME,ellipsoid,dx,dy,dz", the ellipsoid as ResolveEllipsoid takes it.
UserDatum ParseUserDatum(std::string_view text, const COORD &catalogue);

/// The catalogue with the user rows @p ellipsoid and @p datum in force.
COORD CatalogueWith(const std::optional<UserEllipsoid> &ellipsoid,
                    const std::optional<UserDatum> &datum);

/// What a catalogue listing holds.
enum class Listing { Datums, Ellipsoids };

/// The datums or ellipsoids of @p catalogue as a tab-separated table with a
/// heading line.
std::string ListCatalogue(Listing what, const COORD &catalogue);
