// A side on a PROJ system.
#include "ProjSide.h"

#include <utility>

namespace {

/// The window's rows hold latitude before longitude and easting before
/// northing; @p facts's system may have the other order. Swapping is its
/// own inverse, so the same serves both ways.
ProjSide::Values Reordered(const CrsFacts &facts, ProjSide::Values values) {
    const bool swap = facts.Angular() ? !facts.NorthFirst()
                      : facts.horizontal == CrsKind::Projected
                          ? facts.NorthFirst()
                          : false;
    if (swap)
        std::swap(values[0], values[1]);
    return values;
}

} // namespace

ProjSide::ProjSide(std::string_view definition)
    : m_crs(std::make_unique<ProjCrs>(definition)) {
    m_geo = m_crs->Facts().Angular() ? std::make_unique<ProjCrs>(
                                           *m_crs, m_crs->Context())
                                     : m_crs->GeographicBase();
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
    return Reordered(Facts(),
                     Run(Transform(m_toGrid, *m_geo, *m_crs),
                         Reordered(GeoFacts(), geo), false));
}

ProjSide::Values ProjSide::GridToGeo(const Values &grid) const {
    return Reordered(GeoFacts(),
                     Run(Transform(m_fromGrid, *m_crs, *m_geo),
                         Reordered(Facts(), grid), false));
}

ProjSide::Values ProjSide::ToWgs84(const Values &geo) const {
    // WGS 84 geographic (EPSG:4326, EPSG:4979) is latitude first.
    return Run(Transform(m_toWgs, *m_geo, Wgs84()),
               Reordered(GeoFacts(), geo), true);
}

ProjSide::Values ProjSide::FromWgs84(const Values &wgs) const {
    return Reordered(GeoFacts(),
                     Run(Transform(m_fromWgs, Wgs84(), *m_geo), wgs, true));
}

ProjSide::Values ProjSide::To(const ProjSide &other, const Values &geo) const {
    std::unique_ptr<ProjTransform> &slot =
        m_toOther[other.GeoFacts().definition];
    return Reordered(other.GeoFacts(),
                     Run(Transform(slot, *m_geo, *other.m_geo),
                         Reordered(GeoFacts(), geo), true));
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
