// The window's commands as one chain: source grid to geographic on the source
// datum, the datum transformation through WGS 84, geographic to the target
// grid, with every intermediate value passing through its field text.
#pragma once

#include "AngleText.h"
#include "Conversion.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

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

/// A point for which a UTM target picks no zone: it lies beyond UTM's
/// limits (80 S up to 84 N), where UPS is the standard grid. A front
/// end may name its way to UPS.
class BeyondUtmError : public InputError {
  public:
    using InputError::InputError;
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
     * @param[in] context the PROJ context PROJ's operation is made in (the
     *   calling thread's when null, made only if a side is a PROJ system);
     *   it must outlive the chain, which may be copied into another
     *   thread's context from any thread.
     * @throws SetupError, ProjError.
     */
    explicit Chain(const Conversion &settings,
                   DomainPolicy policy = DomainPolicy::Documented,
                   bool zonePerPoint = false,
                   ProjContext *context = nullptr);
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
     * @param[in] in the source side's values in its own axis order and
     *   units (see SideAxes): a catalogue side's fields as read, latitude,
     *   longitude, altitude (degrees, metres); easting, northing, Z; or X,
     *   Y, Z; a PROJ system's values as PROJ takes them.
     * @param[out] out the target side's values, before they are written,
     *   in its own order and units.
     * @param[out] zone the UTM zone of the point when the target picks its
     *   zone per point, else 0.
     * @throws FloatingPointError, PointError for a longitude outside -180
     *   to 180 when the zone is picked per point, BeyondUtmError for a
     *   point beyond UTM's limits when the zone is picked per point,
     *   InputError (Strict), ProjPointError.
     */
    void Convert(const double in[3], double out[3], std::int32_t &zone);
    /// Convert with a UTM source's zone per point, and the target's
    /// hemisphere (auto zone).
    void Convert(const double in[3], int sourceZone, bool sourceSouth,
                 double out[3], std::int32_t &zone, bool &south);

    /**
     * The chain as a PROJ pipeline: what `cct` (or any PROJ-based tool)
     * runs to convert the same values. Values in and out in each side's own
     * axis order (see SideAxes), or with @p swapIn and @p swapOut their
     * first two swapped. A PROJ system's part is the first of the
     * operations PROJ may choose.
     */
    std::string ProjPipeline(bool swapIn = false, bool swapOut = false) const;
    /// PROJ's candidate @p i alone as a pipeline, its values swapped as
    /// ProjPipeline swaps them.
    std::string CandidatePipeline(std::size_t i, bool swapIn,
                                  bool swapOut) const;

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

    Conversion m_settings;
    DomainPolicy m_policy;
    COORD m_coord1; ///< the source side's engine
    COORD m_coord2; ///< the target side's engine
    Side m_side1{m_coord1};
    Side m_side2{m_coord2};
    GridKind m_kind1; ///< a catalogue side's kind (Geographic on a system)
    GridKind m_kind2;
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
