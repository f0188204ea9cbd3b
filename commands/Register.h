// The register of reference systems: EPSG systems of WGS 84, Korea and Japan
// with their datums, published transformations to WGS 84, projections and
// areas of use, and the conversions between them on the engine's general
// operations, giving the numbers PROJ gives for the same EPSG codes.
#pragma once

#include "Geocentric.h"
#include "TmercGeneral.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

/// What a system's coordinates are.
enum class SystemKind {
    Geographic2D, ///< latitude, longitude; a height passes through unchanged
    Geographic3D, ///< latitude, longitude, ellipsoidal height
    Geocentric,   ///< X, Y, Z (ECEF)
    Projected,    ///< easting, northing (Transverse Mercator)
};

/// The order of the first two axes as EPSG defines them. NorthingFirst:
/// latitude before longitude, or northing before easting (the Korean belts,
/// the Unified CS and the Japanese zones). EastingFirst: easting before
/// northing (the UTM zones), and X, Y, Z.
enum class AxisOrder { EastingFirst, NorthingFirst };

/// A latitude/longitude box (degrees) and EPSG's description of the area.
struct AreaOfUse {
    double south = 0, west = 0, north = 0, east = 0;
    std::string name;

    /// True when (@p lat, @p lon) (degrees) lies in the box, edges included.
    bool Contains(double lat, double lon) const;
    /// True when the box @p inner lies within this one, edges included.
    bool Contains(const AreaOfUse &inner) const;
};

/// Methods of the published transformations, by EPSG method code. All are of
/// the geog2D domain: PROJ carries the height through them unchanged.
enum class TransformationMethod {
    GeocentricTranslations = 9603,
    PositionVector = 9606,
    CoordinateFrame = 9607,
    MolodenskyBadekasCF = 9636,
    MolodenskyBadekasPV = 1063,
};

/// One published transformation from a datum to WGS 84.
struct Transformation {
    std::int32_t code = 0; ///< EPSG code
    std::string name;      ///< EPSG name, e.g. "Tokyo to WGS 84 (5)"
    TransformationMethod method = TransformationMethod::GeocentricTranslations;
    HelmertParameters parameters; ///< as published
    double accuracy = 0;          ///< metres, as published
    AreaOfUse area;
    std::string source;

    /// All parameters 0: PROJ applies it as no change at all (latitude,
    /// longitude and height copied; ellipsoids differing only in the last
    /// digits are taken as the same).
    bool IsNull() const;
};

/// A geodetic datum with its ellipsoid and its transformations to WGS 84.
struct Datum {
    std::int32_t geographic = 0; ///< EPSG code of its geographic 2D system
    std::string name;
    std::string ellipsoid; ///< ellipsoid name
    double a = 0;          ///< semi-major axis (metres)
    double invf = 0;       ///< inverse flattening
    std::string projEllps; ///< PROJ's name of the ellipsoid ("bessel", ...)
    /// In PROJ's order; empty for WGS 84 itself.
    std::vector<Transformation> toWgs84;
    std::string source;

    bool IsWgs84() const { return toWgs84.empty(); }
};

/// Transverse Mercator parameters (all 0 for other kinds).
struct ProjectionParameters {
    double lat0 = 0; ///< latitude of natural origin (degrees)
    double lon0 = 0; ///< longitude of natural origin (degrees)
    double k0 = 0;   ///< scale factor at the natural origin
    double falseEasting = 0, falseNorthing = 0; ///< metres
    std::int32_t utmZone = 0; ///< 1 to 60 for the UTM zones, else 0
};

/// One row of the register.
struct ReferenceSystem {
    std::int32_t code = 0; ///< EPSG code
    std::string name;      ///< EPSG name
    SystemKind kind = SystemKind::Geographic2D;
    const Datum *datum = nullptr;
    ProjectionParameters projection;
    AxisOrder axisOrder = AxisOrder::NorthingFirst;
    AreaOfUse area;
    std::string source; ///< where the row's values come from
};

/// Every system of the register, in ascending code. The UTM zones of WGS 84
/// are made by rule (see Register.cpp), the other rows come from the table
/// of RegisterTable.cpp.
const std::vector<ReferenceSystem> &Systems();

/// The system with EPSG code @p code, or nullptr.
const ReferenceSystem *FindSystem(std::int32_t code);

/// EPSG:4326, WGS 84 geographic, the register's hub.
constexpr std::int32_t WGS84_GEOGRAPHIC = 4326;

/// True when (@p lat, @p lon) (degrees, on the system's own datum) lies in
/// the system's area of use.
bool InAreaOfUse(const ReferenceSystem &system, double lat, double lon);

/**
 * PROJ's choice among a datum's transformations to WGS 84 for @p area: the
 * most accurate one whose area of use holds it (the first of equals), else
 * the first one. A point is an area whose edges meet.
 * @return nullptr for WGS 84 itself.
 */
const Transformation *ChooseTransformation(const Datum &datum,
                                           const AreaOfUse &area);

/// A point in a system's own coordinates, always in this order whatever the
/// system's axis order: latitude, longitude (degrees) and ellipsoidal height
/// (metres) for geographic systems; easting, northing (metres) and a height
/// for projected ones; X, Y, Z (metres) for geocentric ones.
using Coordinates = std::array<double, 3>;

/**
 * The engines of one system, set up once for many points. Every operation is
 * all or nothing: a floating-point fault throws FloatingPointError with the
 * engine's message and leaves the outputs as they were.
 */
class SystemEngine {
  public:
    /// @throws FloatingPointError from the ellipsoid's derived constants.
    explicit SystemEngine(const ReferenceSystem &system);

    const ReferenceSystem &System() const { return *m_system; }

    /**
     * Geographic on the system's datum to WGS 84 geographic, through the
     * transformation PROJ picks at the point; as in PROJ the height is
     * carried through unchanged (h is still used on the way through ECEF).
     * The identity for WGS 84 and for a null transformation.
     */
    void ToWgs84(double lat, double lon, double h, double &latOut,
                 double &lonOut, double &hOut) const;
    /// WGS 84 geographic to the system's datum; as ToWgs84.
    void FromWgs84(double lat, double lon, double h, double &latOut,
                   double &lonOut, double &hOut) const;

    /// The system's own coordinates to geographic on its datum, and back.
    Coordinates ToGeographic(const Coordinates &in) const;
    Coordinates FromGeographic(const Coordinates &geographic) const;

    /// Non-zero appends the engines' trace records of every later operation
    /// to their files in the current directory.
    void SetTrace(std::int16_t bTrace);

  private:
    friend Coordinates ChangeDatum(const SystemEngine &from,
                                   const SystemEngine &to,
                                   const Coordinates &geographic);

    void Shift(bool fromWgs84, double lat, double lon, double h,
               double &latOut, double &lonOut, double &hOut) const;

    const ReferenceSystem *m_system;
    Geocentric m_ellipsoid;
    Geocentric m_wgs84;
    std::optional<TransverseMercator> m_projection;
    /// One per entry of the datum's toWgs84, in its order.
    std::vector<DatumTransformation> m_toWgs84;
};

/**
 * Geographic on @p from's datum to geographic on @p to's datum, as PROJ does
 * it: (between different datums) to ECEF on the source ellipsoid, the source
 * datum's transformation to WGS 84 forward and the target datum's reversed
 * (each as PROJ chooses it at the point; a null one left out), back to
 * geographic on the target ellipsoid. Every transformation of the register is
 * of the 2D domain, so the height passes through unchanged. All or nothing,
 * as SystemEngine.
 */
Coordinates ChangeDatum(const SystemEngine &from, const SystemEngine &to,
                        const Coordinates &geographic);

/**
 * The conversion from @p from to @p to as a PROJ pipeline, in the text that
 * `projinfo -s EPSG:<from> -t EPSG:<to> -o PROJ --single-line` prints for its
 * first candidate: the transformations chosen for the area the two systems
 * share. Run through `cct` (with EPSG's axis order), it gives Conversion's
 * numbers.
 */
std::string ProjPipeline(const ReferenceSystem &from,
                         const ReferenceSystem &to);

/**
 * From one register system to another: into the source's geographic
 * coordinates, ChangeDatum, and out to the target's coordinates. Without a
 * datum change the height follows the coordinates (into ECEF, for instance).
 */
class Conversion {
  public:
    /// @throws FloatingPointError from the ellipsoids' derived constants.
    Conversion(const ReferenceSystem &from, const ReferenceSystem &to);

    /// One point; all or nothing, as SystemEngine.
    Coordinates Convert(const Coordinates &in) const;

    /// ProjPipeline of the two systems.
    std::string ProjPipeline() const;

    /// The pipeline with the transformations chosen at @p in, the one that
    /// Convert(@p in) and cs2cs apply there.
    std::string ProjPipelineAt(const Coordinates &in) const;

    void SetTrace(std::int16_t bTrace);

  private:
    SystemEngine m_from;
    SystemEngine m_to;
};
