// The register of reference systems: its rows (the table of RegisterTable.cpp
// and the UTM zones of WGS 84 by rule), PROJ's choice of transformation, the
// conversions on the engine's general operations and the PROJ pipeline text.
#include "Register.h"

#include "PipelineSteps.h"
#include "RegisterTable.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <stdexcept>

namespace {

constexpr std::int32_t UTM_NORTH = 32600; // + zone: WGS 84 / UTM zone nN
constexpr std::int32_t UTM_SOUTH = 32700; // + zone: WGS 84 / UTM zone nS
constexpr std::int32_t UTM_ZONES = 60;

struct RegisterData {
    std::vector<Datum> datums; ///< filled first, never resized afterwards
    std::vector<ReferenceSystem> systems;
};

const Datum &DatumOf(const RegisterData &data, std::int32_t geographic) {
    for (const Datum &datum : data.datums)
        if (datum.geographic == geographic)
            return datum;
    throw std::logic_error("register table names an unknown datum");
}

AreaOfUse Area(double south, double west, double north, double east,
               const char *name) {
    AreaOfUse area;
    area.south = south;
    area.west = west;
    area.north = north;
    area.east = east;
    area.name = name;
    return area;
}

/// EPSG's area description of a UTM zone (its first sentence; EPSG goes on
/// with the countries it crosses).
std::string UtmArea(std::int32_t zone, bool south) {
    const int west = 6 * zone - 186, east = 6 * zone - 180;
    const char *letter = zone <= 30 ? "°W" : "°E";
    return "Between " + std::to_string(std::abs(west)) + letter + " and " +
           std::to_string(std::abs(east)) + letter + ", " +
           (south ? "southern hemisphere between 80°S and equator"
                  : "northern hemisphere between equator and 84°N") +
           ", onshore and offshore.";
}

/// WGS 84 / UTM zone @p zone: central meridian 6 zone - 183, scale 0.9996,
/// false easting 500 km, false northing 0 north and 10,000 km south of the
/// equator; area from the equator to 84 N or from 80 S to the equator
/// between the zone's meridians. scripts/register_table.py checks this rule
/// against projinfo for all 120 zones.
ReferenceSystem UtmZone(const RegisterData &data, std::int32_t zone,
                        bool south) {
    ReferenceSystem system;
    system.code = (south ? UTM_SOUTH : UTM_NORTH) + zone;
    system.name =
        "WGS 84 / UTM zone " + std::to_string(zone) + (south ? "S" : "N");
    system.kind = SystemKind::Projected;
    system.datum = &DatumOf(data, WGS84_GEOGRAPHIC);
    system.projection.lat0 = 0.0;
    system.projection.lon0 = 6.0 * zone - 183.0;
    system.projection.k0 = 0.9996;
    system.projection.falseEasting = 500000.0;
    system.projection.falseNorthing = south ? 10000000.0 : 0.0;
    system.projection.utmZone = zone;
    system.axisOrder = AxisOrder::EastingFirst;
    system.area = Area(south ? -80.0 : 0.0, 6.0 * zone - 186.0,
                       south ? 0.0 : 84.0, 6.0 * zone - 180.0, "");
    system.area.name = UtmArea(zone, south);
    system.source = std::string("UTM rule of Register.cpp, checked against ") +
                    system.datum->source;
    return system;
}

RegisterData Build() {
    RegisterData data;
    data.datums.reserve(DATUM_ROW_COUNT);
    for (std::size_t i = 0; i < DATUM_ROW_COUNT; ++i) {
        const DatumRow &row = DATUM_ROWS[i];
        Datum datum;
        datum.geographic = row.geographic;
        datum.name = row.name;
        datum.ellipsoid = row.ellipsoid;
        datum.a = row.a;
        datum.invf = row.invf;
        datum.projEllps = row.projEllps;
        datum.source = row.source;
        for (std::size_t j = 0; j < TRANSFORMATION_ROW_COUNT; ++j) {
            const TransformationRow &t = TRANSFORMATION_ROWS[j];
            if (t.geographic != row.geographic)
                continue;
            Transformation transformation;
            transformation.code = t.code;
            transformation.name = t.name;
            transformation.method = static_cast<TransformationMethod>(t.method);
            HelmertParameters &p = transformation.parameters;
            p.tx = t.tx;
            p.ty = t.ty;
            p.tz = t.tz;
            p.rx = t.rx;
            p.ry = t.ry;
            p.rz = t.rz;
            p.ds = t.ds;
            p.px = t.px;
            p.py = t.py;
            p.pz = t.pz;
            p.convention = transformation.method ==
                                       TransformationMethod::CoordinateFrame ||
                                   transformation.method ==
                                       TransformationMethod::MolodenskyBadekasCF
                               ? HelmertConvention::CoordinateFrame
                               : HelmertConvention::PositionVector;
            transformation.accuracy = t.accuracy;
            transformation.area =
                Area(t.south, t.west, t.north, t.east, t.area);
            transformation.source = t.source;
            datum.toWgs84.push_back(transformation);
        }
        data.datums.push_back(datum);
    }

    for (std::size_t i = 0; i < SYSTEM_ROW_COUNT; ++i) {
        const SystemRow &row = SYSTEM_ROWS[i];
        ReferenceSystem system;
        system.code = row.code;
        system.name = row.name;
        system.kind = row.kind;
        system.datum = &DatumOf(data, row.datum);
        system.projection.lat0 = row.lat0;
        system.projection.lon0 = row.lon0;
        system.projection.k0 = row.k0;
        system.projection.falseEasting = row.falseEasting;
        system.projection.falseNorthing = row.falseNorthing;
        system.axisOrder = row.axisOrder;
        system.area = Area(row.south, row.west, row.north, row.east, row.area);
        system.source = row.source;
        data.systems.push_back(system);
    }
    for (std::int32_t zone = 1; zone <= UTM_ZONES; ++zone) {
        data.systems.push_back(UtmZone(data, zone, false));
        data.systems.push_back(UtmZone(data, zone, true));
    }
    std::sort(data.systems.begin(), data.systems.end(),
              [](const ReferenceSystem &a, const ReferenceSystem &b) {
                  return a.code < b.code;
              });
    return data;
}

const RegisterData &Data() {
    static const RegisterData data = Build();
    return data;
}

AreaOfUse PointArea(double lat, double lon) {
    return Area(lat, lon, lat, lon, "");
}

/// The index of @p chosen in @p datum's list.
std::size_t IndexOf(const Datum &datum, const Transformation *chosen) {
    return static_cast<std::size_t>(chosen - datum.toWgs84.data());
}

bool Applies(const Transformation *t) { return t != nullptr && !t->IsNull(); }

} // namespace

// ---- rows ------------------------------------------------------------------

bool AreaOfUse::Contains(double lat, double lon) const {
    return south <= lat && lat <= north && west <= lon && lon <= east;
}

bool AreaOfUse::Contains(const AreaOfUse &inner) const {
    return south <= inner.south && inner.north <= north && west <= inner.west &&
           inner.east <= east;
}

bool Transformation::IsNull() const {
    const HelmertParameters &p = parameters;
    return p.tx == 0 && p.ty == 0 && p.tz == 0 && p.rx == 0 && p.ry == 0 &&
           p.rz == 0 && p.ds == 0 && p.px == 0 && p.py == 0 && p.pz == 0;
}

const std::vector<ReferenceSystem> &Systems() { return Data().systems; }

const ReferenceSystem *FindSystem(std::int32_t code) {
    const std::vector<ReferenceSystem> &systems = Systems();
    const auto it = std::lower_bound(
        systems.begin(), systems.end(), code,
        [](const ReferenceSystem &s, std::int32_t c) { return s.code < c; });
    return it != systems.end() && it->code == code ? &*it : nullptr;
}

bool InAreaOfUse(const ReferenceSystem &system, double lat, double lon) {
    return system.area.Contains(lat, lon);
}

const Transformation *ChooseTransformation(const Datum &datum,
                                           const AreaOfUse &area) {
    const Transformation *best = nullptr;
    for (const Transformation &t : datum.toWgs84)
        if (t.area.Contains(area) &&
            (best == nullptr || t.accuracy < best->accuracy))
            best = &t;
    if (best == nullptr && !datum.toWgs84.empty())
        best = &datum.toWgs84.front();
    return best;
}

// ---- SystemEngine ----------------------------------------------------------

SystemEngine::SystemEngine(const ReferenceSystem &system)
    : m_system(&system), m_ellipsoid(system.datum->a, system.datum->invf),
      m_wgs84(DatumOf(Data(), WGS84_GEOGRAPHIC).a,
              DatumOf(Data(), WGS84_GEOGRAPHIC).invf) {
    if (system.kind == SystemKind::Projected) {
        const ProjectionParameters &p = system.projection;
        m_projection.emplace(system.datum->a, system.datum->invf, p.lat0,
                             p.lon0, p.k0, p.falseEasting, p.falseNorthing);
    }
    for (const Transformation &t : system.datum->toWgs84)
        m_toWgs84.emplace_back(m_ellipsoid, t.parameters, m_wgs84);
}

void SystemEngine::ToWgs84(double lat, double lon, double h, double &latOut,
                           double &lonOut, double &hOut) const {
    Shift(false, lat, lon, h, latOut, lonOut, hOut);
}

void SystemEngine::FromWgs84(double lat, double lon, double h, double &latOut,
                             double &lonOut, double &hOut) const {
    Shift(true, lat, lon, h, latOut, lonOut, hOut);
}

void SystemEngine::Shift(bool fromWgs84, double lat, double lon, double h,
                         double &latOut, double &lonOut, double &hOut) const {
    const Datum &datum = *m_system->datum;
    const Transformation *t = ChooseTransformation(datum, PointArea(lat, lon));
    double out[3] = {lat, lon, h};
    if (Applies(t)) {
        const DatumTransformation &step = m_toWgs84[IndexOf(datum, t)];
        if (fromWgs84)
            step.Reverse(lat, lon, h, out[0], out[1], out[2]);
        else
            step.Forward(lat, lon, h, out[0], out[1], out[2]);
    }
    latOut = out[0];
    lonOut = out[1];
    hOut = h; // geog2D domain: the height is carried through
}

Coordinates SystemEngine::ToGeographic(const Coordinates &in) const {
    Coordinates out = in;
    switch (m_system->kind) {
    case SystemKind::Projected:
        m_projection->Reverse(in[0], in[1], out[0], out[1]);
        break;
    case SystemKind::Geocentric:
        m_ellipsoid.Reverse(in[0], in[1], in[2], out[0], out[1], out[2]);
        break;
    default:
        break;
    }
    return out;
}

Coordinates SystemEngine::FromGeographic(const Coordinates &geographic) const {
    Coordinates out = geographic;
    switch (m_system->kind) {
    case SystemKind::Projected:
        m_projection->Forward(geographic[0], geographic[1], out[0], out[1]);
        break;
    case SystemKind::Geocentric:
        m_ellipsoid.Forward(geographic[0], geographic[1], geographic[2], out[0],
                            out[1], out[2]);
        break;
    default:
        break;
    }
    return out;
}

void SystemEngine::SetTrace(std::int16_t bTrace) {
    m_ellipsoid.SetTrace(bTrace);
    m_wgs84.SetTrace(bTrace);
    if (m_projection)
        m_projection->SetTrace(bTrace);
    for (DatumTransformation &t : m_toWgs84)
        t.SetTrace(bTrace);
}

// ---- between two systems --------------------------------------------------

namespace {

/// The transformations of a datum change: the source datum's to WGS 84
/// forward, the target datum's reversed, each chosen for @p area; none
/// between systems of one datum or when both are null.
struct Legs {
    const Transformation *from = nullptr;
    const Transformation *to = nullptr;
};

Legs LegsFor(const ReferenceSystem &from, const ReferenceSystem &to,
             const AreaOfUse &area) {
    Legs legs;
    if (from.datum == to.datum)
        return legs;
    legs.from = ChooseTransformation(*from.datum, area);
    legs.to = ChooseTransformation(*to.datum, area);
    if (!Applies(legs.from) && !Applies(legs.to))
        legs.from = legs.to = nullptr; // both null: no change, as in PROJ
    return legs;
}

std::string Pipeline(const ReferenceSystem &from, const ReferenceSystem &to,
                     const Legs &legs);

} // namespace

Coordinates ChangeDatum(const SystemEngine &from, const SystemEngine &to,
                        const Coordinates &geographic) {
    const Legs legs = LegsFor(from.System(), to.System(),
                              PointArea(geographic[0], geographic[1]));
    Coordinates target = geographic;
    if (legs.from != nullptr || legs.to != nullptr) {
        // Through ECEF: the source ellipsoid, the source datum's
        // transformation forward, the target datum's reversed, the target
        // ellipsoid. The height is used on the way and then kept as it was.
        const DatumTransformation *forward =
            Applies(legs.from)
                ? &from.m_toWgs84[IndexOf(*from.System().datum, legs.from)]
                : nullptr;
        const DatumTransformation *reverse =
            Applies(legs.to)
                ? &to.m_toWgs84[IndexOf(*to.System().datum, legs.to)]
                : nullptr;
        double h = 0;
        DatumTransformation::Through(from.m_ellipsoid, forward, reverse,
                                     to.m_ellipsoid, geographic[0],
                                     geographic[1], geographic[2], target[0],
                                     target[1], h);
    }
    return target;
}

std::string ProjPipeline(const ReferenceSystem &from,
                         const ReferenceSystem &to) {
    // The area the two systems share.
    const AreaOfUse &a = from.area;
    const AreaOfUse &b = to.area;
    const AreaOfUse shared =
        Area(std::max(a.south, b.south), std::max(a.west, b.west),
             std::min(a.north, b.north), std::min(a.east, b.east), "");
    return Pipeline(from, to, LegsFor(from, to, shared));
}

Conversion::Conversion(const ReferenceSystem &from, const ReferenceSystem &to)
    : m_from(from), m_to(to) {}

Coordinates Conversion::Convert(const Coordinates &in) const {
    return m_to.FromGeographic(
        ChangeDatum(m_from, m_to, m_from.ToGeographic(in)));
}

std::string Conversion::ProjPipeline() const {
    return ::ProjPipeline(m_from.System(), m_to.System());
}

std::string Conversion::ProjPipelineAt(const Coordinates &in) const {
    const Coordinates geographic = m_from.ToGeographic(in);
    return Pipeline(m_from.System(), m_to.System(),
                    LegsFor(m_from.System(), m_to.System(),
                            PointArea(geographic[0], geographic[1])));
}

void Conversion::SetTrace(std::int16_t bTrace) {
    m_from.SetTrace(bTrace);
    m_to.SetTrace(bTrace);
}

// ---- PROJ pipeline text ----------------------------------------------------

namespace {

std::string Pipeline(const ReferenceSystem &from, const ReferenceSystem &to,
                     const Legs &legs) {
    std::vector<Step> steps;
    const bool datumChange = legs.from != nullptr || legs.to != nullptr;

    // Into geographic radians on the source datum. A 3D source going
    // straight into a projection is taken as 2D first, as PROJ does.
    const bool heightIn = from.kind == SystemKind::Geographic3D &&
                          (datumChange || to.kind != SystemKind::Projected);
    switch (from.kind) {
    case SystemKind::Geographic2D:
    case SystemKind::Geographic3D:
        steps.push_back(AxisSwapStep());
        steps.push_back(
            {Step::TO_RADIANS, false,
             heightIn
                 ? "proj=unitconvert +xy_in=deg +z_in=m +xy_out=rad +z_out=m"
                 : "proj=unitconvert +xy_in=deg +xy_out=rad"});
        break;
    case SystemKind::Geocentric:
        steps.push_back(CartStep(*from.datum, true));
        break;
    case SystemKind::Projected:
        if (from.axisOrder == AxisOrder::NorthingFirst)
            steps.push_back(AxisSwapStep());
        steps.push_back({Step::OTHER, true, ProjectionText(from)});
        break;
    }

    // The datum change, the height kept aside.
    if (datumChange)
        DatumChangeSteps(*from.datum, legs.from, legs.to, *to.datum, steps);

    // Out of geographic radians on the target datum.
    switch (to.kind) {
    case SystemKind::Geographic2D:
    case SystemKind::Geographic3D:
        steps.push_back(
            {Step::TO_DEGREES, false,
             to.kind == SystemKind::Geographic3D
                 ? "proj=unitconvert +xy_in=rad +z_in=m +xy_out=deg +z_out=m"
                 : "proj=unitconvert +xy_in=rad +xy_out=deg"});
        steps.push_back(AxisSwapStep());
        break;
    case SystemKind::Geocentric:
        steps.push_back(CartStep(*to.datum, false));
        break;
    case SystemKind::Projected:
        steps.push_back({Step::OTHER, false, ProjectionText(to)});
        if (to.axisOrder == AxisOrder::NorthingFirst)
            steps.push_back(AxisSwapStep());
        break;
    }

    return PipelineText(steps);
}

} // namespace
