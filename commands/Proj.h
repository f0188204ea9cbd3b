// Reference systems through PROJ (libproj): any system of its database, a
// compound with a vertical system, a PROJ string or WKT; PROJ's own choice
// of operation between two of them, point by point, as cs2cs makes it; and
// what it chose, with what accuracy, and which better grid is missing.
//
// Every thread uses its own PROJ context (ThreadProjContext): PROJ objects
// are never shared between threads, a transformation is copied into the
// context of the thread that runs it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

struct pj_ctx;
struct PJconsts;
class ProjTransform;

/// A definition that names no system PROJ knows, or two systems between
/// which PROJ has no operation that may be used. what() says why, for the
/// user.
class ProjError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

/// A definition that names no system PROJ knows.
class UnknownCrsError : public ProjError {
  public:
    using ProjError::ProjError;
};

/// PROJ's database (proj.db) is missing or cannot be read: nothing of
/// PROJ's can be made. what() names the file or the directories looked in.
class ProjDatabaseError : public ProjError {
  public:
    using ProjError::ProjError;
};

/// Why a point was refused, for a front end that has advice to add.
enum class PointFault {
    Other,
    /// The operation PROJ would use at the point is a ballpark one, and
    /// ballpark operations are not allowed.
    Ballpark,
    /// A grid file the operation reads is there but cannot be read.
    GridUnreadable,
};

/// A point that PROJ cannot convert (outside a projection's domain, outside
/// a grid), or that is refused. what() says why, Fault() says it as data.
class ProjPointError : public std::runtime_error {
  public:
    explicit ProjPointError(const std::string &message,
                            PointFault fault = PointFault::Other)
        : std::runtime_error(message), m_fault(fault) {}
    PointFault Fault() const { return m_fault; }

  private:
    PointFault m_fault;
};

/// A latitude/longitude box in degrees and its name; west may be above
/// east across the antimeridian.
struct GeoBox {
    double west = -180, south = -90, east = 180, north = 90;
    bool known = false;
    std::string name;

    /// True when (@p lat, @p lon) lies in the box, edges included (an
    /// unknown box holds every point).
    bool Contains(double lat, double lon) const;
};

/// What a system's coordinates are.
enum class CrsKind {
    Geographic2D, ///< latitude, longitude (angles)
    Geographic3D, ///< latitude, longitude, ellipsoidal height
    Geocentric,   ///< X, Y, Z
    Projected,    ///< easting, northing in some order
    Compound,     ///< a horizontal system and a vertical one
    Vertical,     ///< a height alone
    Other,
};

/// One axis of a system, as PROJ names it.
struct CrsAxis {
    std::string name;         ///< "Northing", "Geodetic latitude"
    std::string abbreviation; ///< "X", "Lat"
    std::string direction;    ///< "north", "east", "up", "geocentricX"
    std::string unit;         ///< "metre", "degree", "grad", "US survey foot"
    /// The unit in radians (angles) or metres (lengths), as PROJ gives it.
    double factor = 1;
};

/// What a system is, as PROJ describes it.
struct CrsFacts {
    std::string definition; ///< as given, blanks at the ends cut
    std::string id;         ///< "EPSG:5186"; empty when it has none
    std::string name;       ///< "Korea 2000 / Central Belt 2010"
    CrsKind kind = CrsKind::Other;
    /// The kind of the horizontal part of a compound system, else kind.
    CrsKind horizontal = CrsKind::Other;
    /// The axes in the system's order; a compound's horizontal axes first.
    std::vector<CrsAxis> axes;
    /// PROJ's order for visualisation (proj_normalize_for_visualization:
    /// longitude before latitude, easting before northing) swaps the first
    /// two axes. Polar systems keep easting, northing; south-oriented ones
    /// westing, southing.
    bool eastFirstSwaps = false;
    std::string verticalName; ///< a compound's vertical system, else empty
    GeoBox area;

    /// "Korea 2000 / Central Belt 2010 (EPSG:5186)", or the name alone.
    std::string Label() const;
    /// The horizontal values are angles (latitude, longitude).
    bool Angular() const;
    /// The third value is a height the system defines: ellipsoidal (3D), or
    /// a compound's vertical one; or Z of a geocentric system.
    bool HasThirdAxis() const;
    /// What the third value is: "ellipsoidal height", the vertical system's
    /// name, "Z", or "height (passed through)" for a 2D system.
    std::string HeightText() const;
};

/**
 * PROJ's context for one thread: its database connection and grid cache, and
 * a log function that keeps PROJ from writing to standard error and turns
 * its messages into this program's.
 */
class ProjContext {
  public:
    ProjContext();
    ~ProjContext();
    ProjContext(const ProjContext &) = delete;
    ProjContext &operator=(const ProjContext &) = delete;

    pj_ctx *Get() const { return m_ctx; }

    /// The directories PROJ looks in for its database and grids, in its
    /// order (PROJ_DATA first when set).
    std::vector<std::string> SearchPaths() const;

    /// PROJ's error messages since the last call, joined.
    std::string TakeErrors();

    /// @throws ProjDatabaseError when PROJ has no database in this
    ///   context: none in its directories, or one it cannot read.
    void CheckDatabase();

  private:
    friend class ProjTransform;
    static void Log(void *self, int level, const char *message);

    pj_ctx *m_ctx;
    std::string m_strErrors;
    /// The last message at debug level: what PROJ says before it gives up
    /// an operation at a point and tries another.
    std::string m_strLastDebug;
    /// Told which operation PROJ switches to (see ProjTransform::Convert).
    ProjTransform *m_pListener = nullptr;
};

/// The calling thread's context, made on first use and kept until the
/// thread ends.
ProjContext &ThreadProjContext();

/// "Rel. 9.1.1, December 1st, 2022" and the database's EPSG version
/// ("v10.076"), for --version and the summary.
std::string ProjVersionText();

/// True when @p text is a system definition for PROJ rather than a catalogue
/// datum: AUTHORITY:CODE (EPSG:5186, also compound EPSG:4326+5773), a code
/// of four digits or more, an OGC URN or URL, a PROJ string or WKT/PROJJSON.
bool LooksLikeProjDefinition(std::string_view text);

/// One system, made in a context from the user's definition.
class ProjCrs {
  public:
    /// @throws ProjError naming the definition when PROJ does not know it.
    explicit ProjCrs(std::string_view definition,
                     ProjContext &context = ThreadProjContext());
    /// The same system in another context.
    ProjCrs(const ProjCrs &other, ProjContext &context);
    ~ProjCrs();
    ProjCrs(const ProjCrs &) = delete;
    ProjCrs &operator=(const ProjCrs &) = delete;

    const CrsFacts &Facts() const { return *m_facts; }
    PJconsts *Get() const { return m_pCrs; }
    ProjContext &Context() const { return *m_pContext; }

    /// The system made three-dimensional: an ellipsoidal height added to a
    /// geographic 2D or projected system (the same system otherwise).
    std::unique_ptr<ProjCrs> PromotedTo3D() const;
    /// The geographic system of a projected or geocentric one (the system
    /// itself when geographic); for a compound, of its horizontal part.
    std::unique_ptr<ProjCrs> GeographicBase() const;

  private:
    ProjCrs(PJconsts *crs, ProjContext &context, std::string definition);

    ProjContext *m_pContext;
    PJconsts *m_pCrs;
    std::shared_ptr<const CrsFacts> m_facts;
};

/// One operation PROJ may use between two systems.
struct OperationFacts {
    std::string name;
    std::string id;         ///< "EPSG:15483"; empty when it has none
    double accuracy = -1;   ///< metres; negative when unknown
    GeoBox area;
    bool ballpark = false;  ///< no published transformation: a guess
    /// Where the guess lies: between the horizontal datums (positions taken
    /// over unchanged), in the height (left as it is), or both. Neither
    /// when PROJ's names of its steps do not tell (ballpark still holds).
    bool ballparkHorizontal = false;
    bool ballparkVertical = false;
    std::vector<std::string> grids; ///< grid files it needs, as PROJ names them
    /// The file PROJ found for each grid (the one it opens: an old name's
    /// file, such as egm96_15.gtx for us_nga_egm96_15.tif), empty when it
    /// found none.
    std::vector<std::string> gridPaths;
    std::string proj;       ///< as a PROJ pipeline
    /// Its area, where the source system holds too, in the source system's
    /// own values (first, second axis): minimum and maximum of each; false
    /// when not known there.
    bool sourceBoxKnown = false;
    double sourceMin[2] = {0, 0}, sourceMax[2] = {0, 0};
    /// The name of the area that box stands for: the operation's, or the
    /// source system's where that is smaller.
    std::string checkedArea;

    /// "EPSG:15483 Tokyo to JGD2000 (1), 9 m" (accuracy "unknown").
    std::string Label() const;
    /// What a ballpark operation leaves undone: "no published
    /// transformation between the datums (positions taken over
    /// unchanged)"; a vertical grid it applies all the same is named.
    std::string BallparkText() const;
    /// The grid files it reads, by the paths PROJ found (its names where it
    /// found none), control bytes escaped, each once.
    std::vector<std::string> GridFiles() const;
    /// True when the source values @p a, @p b lie in its area (true when
    /// the area is not known in the source's values).
    bool SourceContains(double a, double b) const;
};

/// A more accurate operation that PROJ knows but cannot use here: a grid
/// file it needs is not installed.
struct MissingOperation {
    OperationFacts operation;
    std::vector<std::string> missingGrids; ///< file names, as PROJ names them
    std::vector<std::string> urls;         ///< where each can be fetched
};

/**
 * No operation between two systems may be used: PROJ has none, or only
 * ballpark ones and they are not allowed. what() is the short account, a
 * few lines joined by line ends: what stands in the way, the published
 * operations that a missing grid keeps out with each missing grid once,
 * and where grids go. Lines(true) gives every such operation with its
 * grids.
 */
class NoOperationError : public ProjError {
  public:
    NoOperationError(std::vector<std::string> shortLines,
                     std::vector<std::string> fullLines, bool ballparkOnly);
    /// The short account (false) or the full one (true), line by line.
    const std::vector<std::string> &Lines(bool full) const {
        return full ? m_full : m_short;
    }
    /// Only ballpark operations exist: allowing them would let the run go.
    bool BallparkOnly() const { return m_bBallparkOnly; }

  private:
    std::vector<std::string> m_short, m_full;
    bool m_bBallparkOnly;
};

/**
 * The operation between two systems as PROJ chooses it, point by point,
 * among its candidates (proj_create_crs_to_crs_from_pj, ballpark ones
 * included, as cs2cs makes it): every point gets cs2cs's numbers. Where
 * the candidate PROJ uses at a point is a ballpark one (no published
 * transformation: positions taken over unchanged, or a height left as it
 * is), the point is refused unless ballpark operations are allowed.
 */
class ProjTransform {
  public:
    struct Options {
        bool allowBallpark = false;
    };

    /// @throws NoOperationError when no operation may be used (none at all,
    ///   or ballpark ones only and not allowed), ProjError.
    ProjTransform(const ProjCrs &from, const ProjCrs &to, Options options,
                  ProjContext &context = ThreadProjContext());
    /// The same transformation in another context (another thread).
    ProjTransform(const ProjTransform &other, ProjContext &context);
    ~ProjTransform();
    ProjTransform(const ProjTransform &) = delete;
    ProjTransform &operator=(const ProjTransform &) = delete;

    /**
     * Converts one point, in the systems' own axis order and units.
     * @return the index of the candidate PROJ used.
     * @throws ProjPointError: PROJ cannot convert it, the candidate used is
     *   a ballpark one and they are not allowed (PointFault::Ballpark), or
     *   a grid file it needs cannot be read (PointFault::GridUnreadable).
     */
    std::size_t Convert(const double in[3], double out[3]);

    /// The operations PROJ chooses among, in its order.
    const std::vector<OperationFacts> &Candidates() const;
    /// More accurate operations whose grids are not installed.
    const std::vector<MissingOperation> &Missing() const;
    /// The most accurate of Missing() whose area holds the source values
    /// @p a, @p b (the source's own order), or -1.
    int MissingAt(double a, double b) const;
    /// Only ballpark operations were found (and allowed).
    bool Ballpark() const;
    /// Ballpark candidates may be used.
    bool BallparkAllowed() const;
    /// True when target values @p a, @p b (the target's own order) lie in the
    /// target system's area of use (true when it is not known there).
    bool TargetContains(double a, double b) const;

    const CrsFacts &From() const;
    const CrsFacts &To() const;

  private:
    struct Shared;
    void Switched(std::string_view name);
    void Retried(std::string_view reason);
    [[noreturn]] void ThrowUnreadableGrid(std::size_t candidate) const;
    void MakeDirect();
    friend class ProjContext;

    ProjContext *m_pContext;
    PJconsts *m_pOperation = nullptr;
    std::shared_ptr<const Shared> m_shared;
    std::size_t m_nCurrent = 0;
    /// The candidate PROJ gave up at the last point because a file it reads
    /// could not be read, before it tried another; npos when none.
    std::size_t m_nUnreadable = static_cast<std::size_t>(-1);
    /// By candidate: its steps between its outer axis swaps and unit
    /// conversions, run directly (see MakeDirect), or null.
    std::vector<PJconsts *> m_direct;
};

/// Where grid files go: PROJ's search path, in its order (PROJ_DATA first
/// when set), then the user's writable directory.
std::vector<std::string> GridDirectories();

/// One system of PROJ's database as a list entry.
struct CrsListEntry {
    std::string id;   ///< "EPSG:5186"
    std::string name;
    CrsKind kind = CrsKind::Other;
    /// Its areas of use by their short names ("World", "Korea, Republic of
    /// (South Korea) - onshore"), several joined by "; ".
    std::string area;
    bool deprecated = false;
};

/**
 * The systems of PROJ's database whose code, name or area of use holds
 * @p filter (case ignored; all when empty): those whose code or name holds
 * it first, then those whose area does. A world-wide system's area is
 * matched by its short name alone ("World"), not by the countries its
 * description lists. Current systems come before deprecated ones within
 * each group.
 * @param[in] deprecated whether deprecated systems are found at all.
 * @return nothing when PROJ has no database (ListCrs says why).
 */
std::vector<CrsListEntry> FindCrs(std::string_view filter,
                                  bool deprecated = true);

/**
 * FindCrs as a tab-separated table with a heading line: id, name (with
 * "(deprecated)"), kind, area of use by its short name. Deprecated systems
 * only when @p deprecated.
 * @throws ProjError when no system matches (a table of its heading alone
 *   would look like an answer), ProjDatabaseError.
 */
std::string ListCrs(std::string_view filter, bool deprecated = false);

/**
 * What a system stands on, line by line for the window: its datum; its
 * ellipsoid with a and 1/f; for a projected system the projection method
 * with its parameters ("Transverse Mercator: Latitude of natural origin
 * 38 degree, ..."); the units of its axes. Lines PROJ has nothing for are
 * left out.
 * @throws ProjError.
 */
std::vector<std::string> CrsFactLines(const ProjCrs &crs);

/// "Geographic 2D", "Geographic 3D", "Geocentric", "Projected", "Compound",
/// "Vertical" or "Other".
std::string KindName(CrsKind kind);
