// One side of the point on a system that PROJ knows: the system, the
// geographic system of its row of angles, and the operations between its
// rows, to WGS 84 and to another side's system, made on first use.
#pragma once

#include "Proj.h"

#include <array>
#include <map>
#include <memory>
#include <string>
#include <string_view>

class SideAxes;

/**
 * A side of the window on a PROJ system. Its angle row (DD, DM, DMS and the
 * height) holds latitude and longitude in degrees: the system's own when it
 * is geographic (or a compound of one), else its geographic system's,
 * whatever their axis order and angle unit. Its grid row holds a projected
 * or geocentric system's own values in its units, in PROJ's east-first
 * order (easting, northing; westing, southing; X, Y, Z). Used on one
 * thread: the one that made it.
 */
class ProjSide {
  public:
    using Values = std::array<double, 3>;

    /// @throws ProjError.
    explicit ProjSide(std::string_view definition);
    ~ProjSide();

    /// The system as given, and the system of the angle row.
    const CrsFacts &Facts() const { return m_crs->Facts(); }
    const CrsFacts &GeoFacts() const { return m_geo->Facts(); }
    /// Their axes.
    const SideAxes &Axes() const { return *m_axes; }
    const SideAxes &GeoAxes() const { return *m_geoAxes; }
    /// A projected or geocentric system: the side has a grid row.
    bool HasGrid() const { return !Facts().Angular(); }

    /// The angle row (latitude, longitude, height) to the grid row (easting,
    /// northing, height; or X, Y, Z) and back, whatever the systems' own
    /// axis orders and units.
    /// @throws ProjError, ProjPointError.
    Values GeoToGrid(const Values &geo) const;
    Values GridToGeo(const Values &grid) const;

    /// The angle row to WGS 84 (latitude, longitude, ellipsoidal height) and
    /// back; a height that the side's system does not define passes through.
    Values ToWgs84(const Values &geo) const;
    Values FromWgs84(const Values &wgs) const;

    /// The angle row to the angle row of @p other, by PROJ's operation
    /// between their systems.
    Values To(const ProjSide &other, const Values &geo) const;

    /// The operation of the last conversion to or from another system:
    /// "EPSG:15483 Tokyo to JGD2000 (1), 9 m", and any more accurate one
    /// that a missing grid keeps out. Empty before the first.
    std::string LastOperationText() const { return m_strLastOperation; }

  private:
    ProjTransform &Transform(std::unique_ptr<ProjTransform> &slot,
                             const ProjCrs &from, const ProjCrs &to) const;
    Values Run(ProjTransform &transform, const Values &in,
               bool remember) const;
    const ProjCrs &Wgs84() const;

    std::unique_ptr<ProjCrs> m_crs;
    std::unique_ptr<ProjCrs> m_geo;
    std::unique_ptr<const SideAxes> m_axes, m_geoAxes;
    mutable std::unique_ptr<ProjCrs> m_wgs84;
    mutable std::unique_ptr<ProjTransform> m_toGrid, m_fromGrid, m_toWgs,
        m_fromWgs;
    mutable std::map<std::string, std::unique_ptr<ProjTransform>> m_toOther;
    mutable std::string m_strLastOperation;
};

/// The operation used and the better ones a missing grid keeps out, as one
/// line for the window: "EPSG:15483 Tokyo to JGD2000 (1), 9 m; more
/// accurate: EPSG:6712 Tokyo to JGD2000 (2), 0.2 m needs tky2jgd.gsb".
std::string OperationLine(const ProjTransform &transform, std::size_t used);
