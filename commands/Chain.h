// The window's commands as one chain: source grid to geographic on the source
// datum, the datum transformation through WGS 84, geographic to the target
// grid, with every intermediate value passing through its field text.
#pragma once

#include "Commands.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

/// A side without a grid: latitude, longitude and altitude.
constexpr int KIND_GEO = 0;

/// A kind with a Transverse Mercator grid and its projection-origin dialog:
/// UTM, TM or G7 (not ECEF).
constexpr bool IsGridKind(int kind) {
    return kind == CS_UTM || kind == CS_TM || kind == CS_G7;
}

/// What a side's projection-origin dialog fields hold. An empty field is
/// filled from the engine, as the dialog shows it before the user types.
struct GridSettings {
    std::optional<std::string> falseEasting;  ///< "X(East)", metres
    std::optional<std::string> falseNorthing; ///< "Y(North)", metres
    std::optional<std::string> originLat;     ///< "Latitude", degrees
    std::optional<std::string> originLon;     ///< "Longitude", degrees
    std::optional<std::string> deltaLon;      ///< "Delta Lon", degrees
    /// Each point's own longitude as the origin longitude (UTM only).
    bool autoZone = false;

    /// True when the dialog would be confirmed at all.
    bool Any() const {
        return falseEasting || falseNorthing || originLat || originLon ||
               deltaLon || autoZone;
    }
};

/// One side: its datum, its grid kind (KIND_GEO or CS_*) and grid settings.
struct SideSettings {
    std::int32_t datum = DATUM_WGS84;
    int kind = KIND_GEO;
    GridSettings grid;
    /// A system that PROJ knows, as given ("EPSG:5186", "EPSG:4326+5773", a
    /// PROJ string, WKT), in place of the catalogue datum and grid; empty
    /// for none. kind then says only whether the side's values are angles
    /// (KIND_GEO) or the system's grid (any other kind).
    std::string crs;
    /// A side as it stands in the window: its engine, copied whole (datum,
    /// catalogue with its user rows, grid kind and constants). When set it
    /// takes the place of datum, grid and the user rows; kind still says
    /// whether the side's values are geographic (KIND_GEO) or its grid's.
    std::shared_ptr<const COORD> engine = nullptr;
};

/// Everything that sets up the two engines.
struct ChainSettings {
    SideSettings from;
    SideSettings to;
    std::optional<UserEllipsoid> userEllipsoid;
    std::optional<UserDatum> userDatum;
    bool trace = false;
    /// PROJ may use a ballpark operation where no other exists.
    bool allowBallpark = false;
};

/// The engines cannot be set up as asked (a user datum whose ellipsoid gives a
/// floating-point fault, a dialog field that is not a number).
class SetupError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

/// Where a step of the chain has no meaning, and what the chain does there.
enum class DomainPolicy {
    /// The window's commands as documented: nothing is refused beyond the
    /// engine's own floating-point faults.
    Documented,
    /// The converter's: refused with InputError are a source grid point
    /// beyond a pole, UTM outside 80 S to 84 N (either way), and a datum
    /// shift that moves the longitude by more than 1 degree or gives a
    /// latitude beyond a pole (within tens of kilometres of a pole, where
    /// the standard Molodensky formulas no longer hold).
    Strict,
};

/// Where a point lies against the area of use of the operation PROJ used.
struct AreaCheck {
    bool outside = false;
    /// Outside, but the point with its two values swapped lies inside.
    bool swappedInside = false;
    /// Inside the operation's area, but its result outside the target
    /// system's area of use.
    bool target = false;
};

/**
 * The window's commands for one point as one chain of named steps: the
 * source grid to geographic on the source datum ("Utm1->Datum1"), the
 * datum change through WGS 84 ("Datum1->Datum2"), and geographic to the
 * target grid ("Datum2->Utm2"). The values between the steps are the field
 * texts the window would hold. A side on a PROJ system is reached by
 * PROJ's operation: between two PROJ systems that operation is the whole
 * chain (cs2cs's numbers); a catalogue datum meets a PROJ system through WGS
 * 84 geographic. Not shared between threads: copy it for another one.
 */
class Chain {
  public:
    /**
     * Builds both engines: user rows, datum, grid kind, then the origin
     * dialog's SetOrigin, SetDelta and SetOrgLatLon when a side has
     * settings; and PROJ's operation where a side is a PROJ system.
     * @param[in] zonePerPoint a UTM source takes each point's zone
     *   (Convert's sourceZone).
     * @throws SetupError, ProjError.
     */
    explicit Chain(const ChainSettings &settings,
                   DomainPolicy policy = DomainPolicy::Documented,
                   bool zonePerPoint = false);
    /// The same chain for the calling thread: PROJ's operation copied into
    /// its context.
    Chain(const Chain &other);
    ~Chain();
    Chain &operator=(const Chain &) = delete;

    // ---- the steps ----------------------------------------------------

    /// "Utm1->Datum1": the source's values to geographic on the source
    /// datum, as the DD row shows them; a PROJ source's values pass as they
    /// are (its operation takes them). @p zone, @p south: a UTM source's
    /// zone for this point (0 for the settings' zone).
    PointValues SourceToGeographic(const PointValues &in, int zone, bool south);
    /// "Datum1->Datum2".
    PointValues DatumChange(const PointValues &geo);
    /// "Datum2->Utm2": to the target's values; @p zone, @p south the zone
    /// picked for the point (auto zone), else 0.
    PointValues GeographicToTarget(const PointValues &geo, std::int32_t &zone,
                                   bool &south);

    /**
     * Runs the steps on one point.
     * @param[in] in the source side's fields as read: latitude, longitude,
     *   altitude (degrees, metres); easting, northing, Z; or X, Y, Z.
     * @param[out] out the target side's fields as numbers, before they are
     *   written, in the same orders.
     * @param[out] zone the UTM zone of the point when the target picks its
     *   zone per point, else 0.
     * @throws FloatingPointError, PointError for a longitude outside -180
     *   to 180 when the zone is picked per point, InputError (Strict),
     *   ProjPointError.
     */
    void Convert(const double in[3], double out[3], std::int32_t &zone);
    /// Convert with a UTM source's zone per point, and the target's
    /// hemisphere (auto zone).
    void Convert(const double in[3], int sourceZone, bool sourceSouth,
                 double out[3], std::int32_t &zone, bool &south);

    /**
     * The chain on the window's field texts: reads the source side's three
     * fields as reals and returns the three texts written into the target
     * side's fields (DD row or grid row).
     * @throws Code::ConversionError, FloatingPointError.
     */
    std::array<std::string, 3> ConvertTexts(std::string_view first,
                                            std::string_view second,
                                            std::string_view third);

    /**
     * The chain as a PROJ pipeline: what `cct` (or any PROJ-based tool)
     * runs to convert the same values. Values in and out in the converter's
     * order: latitude before longitude, catalogue grids easting first, PROJ
     * systems in their own axis order. A PROJ system's part is the first of
     * the operations PROJ may choose.
     */
    std::string ProjPipeline() const;

    const COORD &Source() const { return m_coord1; }
    const COORD &Target() const { return m_coord2; }
    /// A catalogue source grid's false easting and northing for a point's
    /// zone.
    void SourceOrigin(int zone, bool south, double &x, double &y);

    // ---- PROJ's part ----------------------------------------------------

    /// PROJ's operation of the chain, or null for catalogue datums only.
    const ProjTransform *Proj() const { return m_proj.get(); }
    /// The systems at the ends of PROJ's operation (a catalogue side's end
    /// is WGS 84 geographic), or null.
    const CrsFacts *FromFacts() const { return m_from.get(); }
    const CrsFacts *ToFacts() const { return m_to.get(); }
    /// A two-dimensional PROJ system made three-dimensional so that a
    /// height has a meaning on its way: its label, else empty.
    const std::string &Promoted() const { return m_strPromoted; }
    /// The last point against the area of use of the operation PROJ used.
    AreaCheck LastArea() const { return m_area; }
    /// The candidate PROJ used for the last point.
    std::size_t LastOperation() const { return m_nOperation; }
    /// The most accurate missing operation (index into Proj()->Missing())
    /// whose area holds the last point, or -1.
    int LastMissing() const { return m_nMissing; }

  private:
    void SetUp(bool zonePerPoint);
    Side &SourceSide(int zone, bool south);
    void ProjStep(const double in[3], double out[3]);
    PointValues CheckedShift(const PointValues &geo, const PointValues &shifted) const;

    ChainSettings m_settings;
    DomainPolicy m_policy;
    COORD m_coord1; ///< the source side's engine
    COORD m_coord2; ///< the target side's engine
    Side m_side1{m_coord1};
    Side m_side2{m_coord2};
    int m_nKind1;
    int m_nKind2;
    bool m_bZonePerPoint = false;
    bool m_bAutoZone = false;
    double m_dbOrgLat2 = 0; ///< target origin latitude as the dialog applied it
    /// Source engines by zone, when each point names its own (a few, the
    /// most recently used first).
    struct ZoneEngine {
        int key;
        std::unique_ptr<COORD> coord;
        std::unique_ptr<Side> side;
    };
    std::vector<ZoneEngine> m_zones;
    /// The target south of the equator, when the zone is picked per point.
    std::unique_ptr<COORD> m_coord2South;
    std::unique_ptr<Side> m_side2South;
    /// PROJ's part: the systems at its ends and the operation between them.
    bool m_bProj1 = false, m_bProj2 = false; ///< the side is a PROJ system
    std::shared_ptr<const CrsFacts> m_from, m_to;
    std::unique_ptr<ProjTransform> m_proj;
    std::string m_strPromoted;
    AreaCheck m_area;
    std::size_t m_nOperation = 0;
    int m_nMissing = -1;
};
