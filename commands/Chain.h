// The window's commands as one chain: source grid to geographic on the source
// datum, the datum transformation through WGS 84, geographic to the target
// grid, with every intermediate value passing through its field text.
#pragma once

#include "Commands.h"

#include <array>
#include <memory>
#include <cstdint>
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

/**
 * The two engines of the window, set up as the dialogs would, and the chain
 * of commands between them. Not shared between threads: each thread builds
 * its own.
 */
class Chain {
  public:
    /// Builds both engines: user rows, datum, grid kind, then the origin
    /// dialog's SetOrigin, SetDelta and SetOrgLatLon when a side has settings.
    /// @throws SetupError.
    explicit Chain(const ChainSettings &settings);

    /**
     * Runs the chain on one point.
     * @param[in] in the source side's fields as read: latitude, longitude,
     *   altitude (degrees, metres) or X, Y, Z (metres).
     * @param[out] out the target side's fields as numbers, before they are
     *   written: latitude, longitude, altitude or X, Y, Z.
     * @param[out] zone the UTM zone of the point when the target picks its
     *   zone per point, else 0.
     * @throws FloatingPointError, or PointError for a longitude outside
     *   -180 to 180 when the zone is picked per point.
     */
    void Convert(const double in[3], double out[3], std::int32_t &zone);

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

  private:
    COORD m_coord1; ///< the source side's engine
    COORD m_coord2; ///< the target side's engine
    Side m_side1{m_coord1};
    Side m_side2{m_coord2};
    int m_nKind1;
    int m_nKind2;
    bool m_bAutoZone;
    double m_dbOrgLat2 = 0; ///< target origin latitude as the dialog applied it
};
