// A side on a PROJ system.
#include "ProjSide.h"

#include "Axes.h"

#include <utility>

namespace {

/// The angle row (latitude, longitude in degrees, height) as @p axes's
/// system takes it: its own order and angle unit.
ProjSide::Values AnglesIn(const SideAxes &axes, const ProjSide::Values &row) {
    ProjSide::Values own = row;
    const int lat = axes.IndexOf(AxisRole::Latitude);
    const int lon = axes.IndexOf(AxisRole::Longitude);
    if (lat >= 0 && lon >= 0) {
        const double perDegree = axes.ToDegrees(1.0);
        own[static_cast<std::size_t>(lat)] = row[0] / perDegree;
        own[static_cast<std::size_t>(lon)] = row[1] / perDegree;
    }
    return own;
}

/// @p own values of @p axes's system as the angle row holds them.
ProjSide::Values AnglesOut(const SideAxes &axes, const ProjSide::Values &own) {
    ProjSide::Values row = own;
    const int lat = axes.IndexOf(AxisRole::Latitude);
    const int lon = axes.IndexOf(AxisRole::Longitude);
    if (lat >= 0 && lon >= 0) {
        row[0] = axes.ToDegrees(own[static_cast<std::size_t>(lat)]);
        row[1] = axes.ToDegrees(own[static_cast<std::size_t>(lon)]);
    }
    return row;
}

/// The grid row (east first) to the system's own order and back: a swap,
/// its own inverse.
ProjSide::Values GridOrder(const SideAxes &axes, ProjSide::Values values) {
    if (axes.EastFirstSwaps())
        std::swap(values[0], values[1]);
    return values;
}

} // namespace

ProjSide::ProjSide(std::string_view definition)
    : m_crs(std::make_unique<ProjCrs>(definition)) {
    m_geo = m_crs->Facts().Angular() ? std::make_unique<ProjCrs>(
                                           *m_crs, m_crs->Context())
                                     : m_crs->GeographicBase();
    m_axes = std::make_unique<const SideAxes>(SideAxes::System(Facts()));
    m_geoAxes = std::make_unique<const SideAxes>(SideAxes::System(GeoFacts()));
}

ProjSide::~ProjSide() = default;

const ProjCrs &ProjSide::Wgs84() const {
    // A side whose angle row has a height of its own meets WGS 84 in three
    // dimensions (a compound's vertical system, an ellipsoidal height);
    // otherwise the height passes through as in the two-dimensional
    // operations.
    if (!m_wgs84)
        m_wgs84 = std::make_unique<ProjCrs>(
            GeoFacts().HasThirdAxis() ? "EPSG:4979" : "EPSG:4326");
    return *m_wgs84;
}

ProjTransform &ProjSide::Transform(std::unique_ptr<ProjTransform> &slot,
                                   const ProjCrs &from,
                                   const ProjCrs &to) const {
    if (!slot)
        slot = std::make_unique<ProjTransform>(from, to,
                                               ProjTransform::Options{});
    return *slot;
}

ProjSide::Values ProjSide::Run(ProjTransform &transform, const Values &in,
                               bool remember) const {
    Values out{};
    const std::size_t used = transform.Convert(in.data(), out.data());
    if (remember)
        m_strLastOperation = OperationLine(transform, used);
    return out;
}

ProjSide::Values ProjSide::GeoToGrid(const Values &geo) const {
    return GridOrder(Axes(), Run(Transform(m_toGrid, *m_geo, *m_crs),
                                 AnglesIn(GeoAxes(), geo), false));
}

ProjSide::Values ProjSide::GridToGeo(const Values &grid) const {
    return AnglesOut(GeoAxes(), Run(Transform(m_fromGrid, *m_crs, *m_geo),
                                    GridOrder(Axes(), grid), false));
}

ProjSide::Values ProjSide::ToWgs84(const Values &geo) const {
    // WGS 84 geographic (EPSG:4326, EPSG:4979) is latitude first, in
    // degrees.
    return Run(Transform(m_toWgs, *m_geo, Wgs84()), AnglesIn(GeoAxes(), geo),
               true);
}

ProjSide::Values ProjSide::FromWgs84(const Values &wgs) const {
    return AnglesOut(GeoAxes(),
                     Run(Transform(m_fromWgs, Wgs84(), *m_geo), wgs, true));
}

ProjSide::Values ProjSide::To(const ProjSide &other, const Values &geo) const {
    std::unique_ptr<ProjTransform> &slot =
        m_toOther[other.GeoFacts().definition];
    return AnglesOut(other.GeoAxes(),
                     Run(Transform(slot, *m_geo, *other.m_geo),
                         AnglesIn(GeoAxes(), geo), true));
}

std::string OperationLine(const ProjTransform &transform, std::size_t used) {
    const auto &candidates = transform.Candidates();
    std::string text =
        used < candidates.size() ? candidates[used].Label() : std::string();
    if (used < candidates.size() && candidates[used].ballpark)
        text += " (ballpark: " + candidates[used].BallparkText() + ")";
    for (const MissingOperation &missing : transform.Missing()) {
        text += "; more accurate: " + missing.operation.Label() + " needs";
        for (const std::string &grid : missing.missingGrids)
            text += " " + grid;
    }
    return text;
}
