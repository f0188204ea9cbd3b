// The commands on one point, shared by the window and nolvex-convert: one
// side's state, the transformation between two sides through WGS 84, the
// conversions between a side's geodetic point and its grid, and the settings
// the configuration dialogs apply. Texts in, texts out; no dependency on any
// user-interface toolkit.
#pragma once

#include "Coord.h"
#include "NumberText.h"
#include "ProjSide.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

/// The user ellipsoid (catalogue row 0).
struct UserEllipsoid {
    std::string name;
    double a = 0;
    double invf = 0;
};

/// The user datum (catalogue row 0).
struct UserDatum {
    std::string name;
    std::int32_t ellipsoid = 0;
    double dx = 0, dy = 0, dz = 0;
};

/**
 * One side of the point: the engine that holds the side's catalogue datum,
 * grid kind and grid constants as the configuration dialogs set them, or a
 * reference system that PROJ knows in their place. The engine belongs to
 * the front end (the window or the converter's chain) and must outlive the
 * side.
 */
class Side {
  public:
    explicit Side(COORD &engine) : m_pCoord(&engine) {}

    COORD &Engine() { return *m_pCoord; }
    const COORD &Engine() const { return *m_pCoord; }

    /// The PROJ system the side is on; nullptr when it is on its engine's
    /// catalogue datum and grid.
    const ProjSide *System() const { return m_pSystem.get(); }
    /// The same, shared: to put the side back on it later.
    std::shared_ptr<const ProjSide> SystemShared() const { return m_pSystem; }

    /// Puts the side on @p system; nullptr returns it to its engine's
    /// catalogue datum and grid.
    void SelectSystem(std::shared_ptr<const ProjSide> system) {
        m_pSystem = std::move(system);
    }

  private:
    COORD *m_pCoord;
    std::shared_ptr<const ProjSide> m_pSystem;
};

/// The one rule of "the same datum": two sides on the same catalogue datum,
/// between which a point is copied and no engine runs. (PROJ decides for
/// its own systems.)
bool SameDatum(const Side &a, const Side &b);

/// A point that the commands cannot convert on a side: a grid operation on
/// a geographic system, a longitude with no UTM zone.
class PointError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

/// A point as the three texts of a row of fields: latitude, longitude and
/// altitude (decimal degrees, metres), or X, Y and Z (metres).
using PointTexts = std::array<std::string, 3>;

/// A point as the three numbers a row of fields holds, in the same order.
using PointValues = std::array<double, 3>;

/// The five fields of one side of the projection-origin dialog.
struct OriginTexts {
    std::string x;    ///< false easting, "X(East)", metres
    std::string y;    ///< false northing, "Y(North)", metres
    std::string lat;  ///< origin latitude, degrees
    std::string lon;  ///< origin longitude, degrees
    std::string dlon; ///< longitude delta, degrees
};

/// A field text that is not a number, and which of the texts handed over it
/// was (0 for the first). what() is the conversion error's own message.
class FieldError : public Code::ConversionError {
  public:
    FieldError(const Code::ConversionError &error, int index)
        : Code::ConversionError(error), m_nIndex(index) {}
    int Index() const { return m_nIndex; }

  private:
    int m_nIndex;
};

namespace Commands {

// ---- on numbers ---------------------------------------------------------
// Each takes the values its input fields hold and gives the values before
// they are written. A floating-point fault throws FloatingPointError with
// nothing given.

/**
 * Carries side @p from's geodetic point to side @p to's datum through WGS 84:
 * a copy when both sides have the same catalogue datum, else a step out of
 * @p from's datum and one into @p to's. A catalogue datum steps with the
 * standard Molodensky formulas, none on datum 133; a PROJ system with the
 * operation PROJ chooses at the point. Between two PROJ systems PROJ's
 * operation between them is the one step.
 * @throws FloatingPointError, ProjError, ProjPointError.
 */
PointValues Transform(const Side &from, const Side &to, const PointValues &geo);

/// Side @p side's geodetic point on WGS 84: Transform's step out of the
/// side's datum.
PointValues ToWgs84(const Side &side, const PointValues &geo);

/// A point on WGS 84 on side @p side's datum: Transform's step into it
/// (none on datum 133).
PointValues FromWgs84(const Side &side, const PointValues &wgs);

/**
 * A side's geodetic point to its grid: ECEF X, Y, Z for CS_ECEF, else the
 * Transverse Mercator easting and northing of the side's grid constants, with
 * the altitude passed through as Z. On a PROJ system: its own values, in its
 * axis order.
 * @throws PointError for a geographic PROJ system, which has no grid.
 */
PointValues GeoToGrid(const Side &side, const PointValues &geo);

/// A side's grid point to geodetic, the inverse of GeoToGrid (Z passes
/// through as the altitude outside ECEF).
PointValues GridToGeo(const Side &side, const PointValues &grid);

/// @throws PointError when @p side is on a geographic PROJ system, which
/// has no grid: "WGS 84 (EPSG:4326) is a geographic system: it has no grid
/// coordinates".
void CheckHasGrid(const Side &side);

// ---- on texts -----------------------------------------------------------

/// The three texts read as reals, first to last; a FieldError names the
/// first that is not a number.
PointValues ReadPoint(const PointTexts &texts);

// The commands as the window runs them: all three texts are read first
// (a FieldError names the first that is not a number), then everything is
// computed, then the results are written in the general 15-digit format.

PointTexts Transform(const Side &from, const Side &to, const PointTexts &geo);
PointTexts GeoToGrid(const Side &side, const PointTexts &geo);
PointTexts GridToGeo(const Side &side, const PointTexts &grid);

// ---- the settings of the configuration dialogs ------------------------------

/// The projection-origin fields of @p side as the dialog shows them, with
/// @p separator as decimal separator.
OriginTexts ShownOrigin(const Side &side,
                        char separator = Code::GetDecimalSeparator());

/**
 * The projection-origin dialog's OK for one side: all five texts are read
 * before the engine is touched (a FieldError names the first unreadable one,
 * 0 to 4 in OriginTexts order), then SetOrigin, SetDelta with the latitude
 * delta in force, SetOrgLatLon.
 */
void ApplyOrigin(Side &side, const OriginTexts &origin,
                 char separator = Code::GetDecimalSeparator());

/// The datum dialog's choice for one side: the catalogue datum, and a side
/// on a PROJ system back on its engine's catalogue datum and grid. All or
/// nothing, as SetDatum is.
void ApplyDatum(Side &side, std::int32_t nDatum);

/// The coordinate-system dialog's choice for one side: the kind and its
/// default grid constants, also where the kind is unchanged.
void ApplyGridKind(Side &side, int nCoordSys);

/**
 * The user-ellipsoid and user-datum dialogs' OK: each row given is written
 * into catalogue row 0 of the engines of both sides, side 1's first, so that
 * the two catalogues stay identical (a name longer than its record is cut by
 * the engine at a character boundary).
 *
 * All or nothing: a user datum whose ellipsoid index lies outside the
 * ellipsoid table (a selection of none, -1) throws std::out_of_range before
 * either row reaches either engine; the rows themselves are stored as given,
 * with no range check on their values.
 *
 * No datum is selected again: a side on the user datum, or on a datum of the
 * user ellipsoid, keeps the values it was selected with until ApplyDatum
 * selects it again. That is where a row that cannot be derived (an inverse
 * flattening of 0) ends in a floating-point fault, with the side left as it
 * was.
 */
void ApplyUserRows(Side &side1, Side &side2,
                   const std::optional<UserEllipsoid> &ellipsoid,
                   const std::optional<UserDatum> &datum);

} // namespace Commands
