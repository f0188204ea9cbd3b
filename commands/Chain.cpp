// The chain of the window's commands for one point.
#include "Chain.h"

#include "AngleText.h"
#include "CatalogueEntries.h"
#include "Errors.h"
#include "Longitude.h"
#include "NumberText.h"
#include "PipelineSteps.h"
#include "Utm.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <mutex>

namespace {

/// The values a row of fields holds once the values are written into it.
PointValues RowThroughText(const PointValues &values) {
    return {Code::RealThroughText(values[0]), Code::RealThroughText(values[1]),
            Code::RealThroughText(values[2])};
}

/// The projection-origin dialog's OK for one side: the settings given, the
/// other fields as the dialog shows them.
/// @return the origin latitude applied (degrees).
double ApplyOriginDialog(Side &side, const GridSettings &grid,
                         FaultSide faultSide) {
    // The settings are given with a decimal point.
    OriginTexts texts = Commands::ShownOrigin(side, '.');
    std::string *fields[] = {&texts.x, &texts.y, &texts.lat, &texts.lon,
                             &texts.dlon};
    const std::optional<std::string> GridSettings::*typed[] = {
        &GridSettings::falseEasting, &GridSettings::falseNorthing,
        &GridSettings::originLat, &GridSettings::originLon,
        &GridSettings::deltaLon};
    for (std::size_t i = 0; i < std::size(fields); ++i)
        if (grid.*typed[i])
            *fields[i] = *(grid.*typed[i]);
    try {
        Commands::ApplyOrigin(side, texts, '.');
    } catch (const FieldError &e) {
        static const FaultField FIELDS[] = {
            FaultField::FalseEasting, FaultField::FalseNorthing,
            FaultField::OriginLat, FaultField::OriginLon, FaultField::DeltaLon};
        throw SetupError({faultSide, FIELDS[e.Index()], e.what()});
    }
    return Code::ParseReal(texts.lat, '.');
}

/// Sets up one side's engine in the order the window's dialogs do.
void SetUpSide(Side &side, const Conversion &settings,
               const CatalogueSide &sideSettings, FaultSide faultSide) {
    COORD &coord = side.Engine();
    if (sideSettings.engine) {
        coord = *sideSettings.engine;
        coord.SetTrace(settings.options.trace ? 1 : 0);
        return;
    }
    try {
        Commands::ApplyDatum(side, sideSettings.datum);
    } catch (const FloatingPointError &e) {
        throw SetupError({faultSide, FaultField::System,
                          "datum " + std::to_string(sideSettings.datum) +
                              ": " + e.what()});
    }
    if (sideSettings.kind != GridKind::Geographic)
        Commands::ApplyGridKind(side, EngineCoordSys(sideSettings.kind));
    coord.SetTrace(settings.options.trace ? 1 : 0);
}

/// PROJ's system of a side, or the fault that names the side.
std::unique_ptr<ProjCrs> SideSystem(const SystemSide &side, FaultSide faultSide,
                                    ProjContext &context) {
    try {
        return std::make_unique<ProjCrs>(side.definition, context);
    } catch (const ProjDatabaseError &) {
        throw; // no side's fault
    } catch (const UnknownCrsError &e) {
        throw SetupError({faultSide, FaultField::System, e.what(),
                          FaultAdvice::ListSystems});
    } catch (const ProjError &e) {
        throw SetupError({faultSide, FaultField::System, e.what()});
    }
}

} // namespace

namespace {

/// WGS 84 geographic, where a catalogue side meets a PROJ side: in three
/// dimensions when the PROJ side has a height of its own.
const char *HubFor(const CrsFacts &proj) {
    return proj.HasThirdAxis() ? "EPSG:4979" : "EPSG:4326";
}

/// PROJ's operation is copied into another thread's context one thread at
/// a time.
std::mutex g_projCopies;

std::string WrittenDegrees(double value) { return Code::FormatReal(value, '.'); }

} // namespace

Chain::Chain(const Conversion &settings, DomainPolicy policy, bool zonePerPoint,
             ProjContext *givenContext)
    : m_settings(settings), m_policy(policy), m_coord1(DATUM_WGS84),
      m_coord2(DATUM_WGS84), m_kind1(settings.from.Kind()),
      m_kind2(settings.to.Kind()), m_bProj1(settings.from.IsSystem()),
      m_bProj2(settings.to.IsSystem()) {
    if (m_bProj1 || m_bProj2) {
        // PROJ's library is loaded here, for a side on one of its systems,
        // never for catalogue datums alone.
        ProjContext &context = givenContext ? *givenContext : ThreadProjContext();
        std::unique_ptr<ProjCrs> from, to;
        if (m_bProj1)
            from =
                SideSystem(*settings.from.System(), FaultSide::From, context);
        if (m_bProj2)
            to = SideSystem(*settings.to.System(), FaultSide::To, context);
        if (!from)
            from = std::make_unique<ProjCrs>(HubFor(to->Facts()), context);
        if (!to)
            to = std::make_unique<ProjCrs>(HubFor(from->Facts()), context);
        // A height must mean something on the way: a two-dimensional
        // system facing a vertical or ellipsoidal one is made 3D, and says
        // so (PROJ would otherwise leave the height as it is).
        const auto twoD = [](const CrsFacts &f) {
            return !f.HasThirdAxis() && f.kind != CrsKind::Geocentric;
        };
        const auto hasVertical = [](const CrsFacts &f) {
            return !f.verticalName.empty() || f.kind == CrsKind::Geographic3D;
        };
        if (twoD(from->Facts()) && hasVertical(to->Facts())) {
            m_strPromoted = from->Facts().Label();
            from = from->PromotedTo3D();
        } else if (twoD(to->Facts()) && !from->Facts().verticalName.empty()) {
            m_strPromoted = to->Facts().Label();
            to = to->PromotedTo3D();
        }
        ProjTransform::Options options;
        options.allowBallpark = settings.options.allowBallpark;
        try {
            m_proj =
                std::make_unique<ProjTransform>(*from, *to, options, context);
        } catch (const NoOperationError &) {
            throw; // its account is the front ends' to word, short or full
        } catch (const ProjDatabaseError &) {
            throw;
        } catch (const ProjError &e) {
            throw SetupError({FaultSide::None, FaultField::Operation, e.what()});
        }
        m_from = std::make_shared<CrsFacts>(from->Facts());
        m_to = std::make_shared<CrsFacts>(to->Facts());
    }
    SetUp(zonePerPoint);
}

Chain::Chain(const Chain &other)
    : m_settings(other.m_settings), m_policy(other.m_policy),
      m_coord1(DATUM_WGS84), m_coord2(DATUM_WGS84), m_kind1(other.m_kind1),
      m_kind2(other.m_kind2), m_bProj1(other.m_bProj1),
      m_bProj2(other.m_bProj2), m_from(other.m_from), m_to(other.m_to),
      m_strPromoted(other.m_strPromoted) {
    if (other.m_proj) {
        const std::lock_guard lock(g_projCopies);
        m_proj = std::make_unique<ProjTransform>(*other.m_proj,
                                                 ThreadProjContext());
    }
    SetUp(other.m_bZonePerPoint);
}

Chain::~Chain() = default;

void Chain::SetUp(bool zonePerPoint) {
    const Conversion &settings = m_settings;
    // A PROJ side's catalogue counterpart is WGS 84 geographic (datum 133):
    // PROJ's operation takes the side's own values.
    static const CatalogueSide WGS84_GEOGRAPHIC{};
    const CatalogueSide &from =
        m_bProj1 ? WGS84_GEOGRAPHIC : *settings.from.Catalogue();
    const CatalogueSide &to =
        m_bProj2 ? WGS84_GEOGRAPHIC : *settings.to.Catalogue();
    // The user rows go into both engines before any datum is selected (a
    // side copied from the window or on a PROJ system does not read them).
    try {
        Commands::ApplyUserRows(m_side1, m_side2, settings.options.userEllipsoid,
                                settings.options.userDatum);
    } catch (const std::out_of_range &e) {
        throw SetupError({FaultSide::None, FaultField::UserDatum, e.what()});
    }
    CheckConversion(settings);
    SetUpSide(m_side1, settings, from, FaultSide::From);
    SetUpSide(m_side2, settings, to, FaultSide::To);
    m_bZonePerPoint = zonePerPoint && !m_bProj1 && m_kind1 == GridKind::Utm;
    m_bAutoZone = !m_bProj2 && m_kind2 == GridKind::Utm && to.grid.autoZone;
    // Only a confirmed dialog touches the engine: its fields are texts, so
    // even the values left as shown come back rounded to 15 digits.
    if (!m_bProj1 && HasOrigin(m_kind1) && from.grid.Any() && !from.engine)
        ApplyOriginDialog(m_side1, from.grid, FaultSide::From);
    if (!m_bProj2 && HasOrigin(m_kind2) && to.grid.Any() && !to.engine)
        m_dbOrgLat2 = ApplyOriginDialog(m_side2, to.grid, FaultSide::To);
    if (m_bAutoZone) {
        // South of the equator the zone's southern false northing.
        m_coord2South = std::make_unique<COORD>(m_coord2);
        m_side2South = std::make_unique<Side>(*m_coord2South);
        GridSettings south = to.grid;
        south.falseNorthing = Code::FormatReal(Utm::SOUTH_FALSE_NORTHING, '.');
        ApplyOriginDialog(*m_side2South, south, FaultSide::To);
    }
}

Side &Chain::SourceSide(int zone, bool south) {
    if (!m_bZonePerPoint || zone == 0)
        return m_side1;
    const int key = 2 * zone + (south ? 1 : 0);
    for (std::size_t i = 0; i < m_zones.size(); ++i)
        if (m_zones[i].key == key) {
            if (i != 0)
                std::rotate(m_zones.begin(),
                            m_zones.begin() + static_cast<std::ptrdiff_t>(i),
                            m_zones.begin() + static_cast<std::ptrdiff_t>(i) + 1);
            return *m_zones.front().side;
        }
    // A few zones are kept: points usually come zone by zone. The zone is
    // set as the origin dialog would set it from the options.
    constexpr std::size_t KEEP = 4;
    ZoneEngine engine{key, std::make_unique<COORD>(m_coord1), nullptr};
    engine.side = std::make_unique<Side>(*engine.coord);
    GridSettings grid;
    grid.originLon = Code::FormatReal(Utm::CentralMeridian(zone), '.');
    if (south)
        grid.falseNorthing = Code::FormatReal(Utm::SOUTH_FALSE_NORTHING, '.');
    ApplyOriginDialog(*engine.side, grid, FaultSide::From);
    if (m_zones.size() == KEEP)
        m_zones.pop_back();
    m_zones.insert(m_zones.begin(), std::move(engine));
    return *m_zones.front().side;
}

void Chain::SourceOrigin(int zone, bool south, double &x, double &y) {
    SourceSide(zone, south).Engine().GetOrigin(x, y);
}

void Chain::ProjStep(const double in[3], double out[3]) {
    // A PROJ side's own values, or WGS 84 latitude, longitude and height.
    const double *source = in;
    m_nOperation = m_proj->Convert(source, out);
    // Against the area of use of the operation PROJ used, in the source's
    // own values, and the target system's; and the more accurate
    // operations that a missing grid keeps out.
    const OperationFacts &used = m_proj->Candidates()[m_nOperation];
    m_area.outside = !used.SourceContains(source[0], source[1]);
    m_area.swappedInside =
        m_area.outside && used.SourceContains(source[1], source[0]);
    if (!m_area.outside && !m_proj->TargetContains(out[0], out[1])) {
        m_area.outside = true;
        m_area.target = true;
    }
    m_nMissing = m_proj->MissingAt(source[0], source[1]);
}

PointValues Chain::SourceToGeographic(const PointValues &in, int zone,
                                      bool south) {
    if (m_bProj1 || m_kind1 == GridKind::Geographic)
        return in;
    // Written into the DD row for the next command.
    const PointValues geo =
        RowThroughText(Commands::GridToGeo(SourceSide(zone, south), in));
    if (m_policy == DomainPolicy::Strict) {
        if (!(geo[0] >= -90 && geo[0] <= 90))
            throw InputError("the grid point lies beyond a pole (latitude " +
                             WrittenDegrees(geo[0]) + ")");
        if (m_kind1 == GridKind::Utm && !(geo[0] >= -80 && geo[0] <= 84))
            throw InputError("latitude " + WrittenDegrees(geo[0]) +
                             " is outside UTM's 80 S to 84 N");
    }
    return geo;
}

PointValues Chain::CheckedShift(const PointValues &geo,
                                const PointValues &shifted) const {
    if (m_policy == DomainPolicy::Strict) {
        // The longitude moved, the short way round the pole axis.
        const double moved = Longitude::Apart(shifted[1], geo[1]);
        if (!(moved <= 1) || !(shifted[0] >= -90 && shifted[0] <= 90))
            throw InputError("the datum shift has no meaning this close to a "
                             "pole (latitude " +
                             WrittenDegrees(geo[0]) + ")");
    }
    return shifted;
}

PointValues Chain::DatumChange(const PointValues &geo) {
    m_area = AreaCheck{};
    m_nMissing = -1;
    PointValues out = geo;
    if (m_bProj1 && m_bProj2) {
        ProjStep(geo.data(), out.data());
        return out;
    }
    if (m_bProj1) {
        // PROJ's operation to WGS 84 geographic, then the catalogue's step
        // from it.
        PointValues wgs{};
        ProjStep(geo.data(), wgs.data());
        return CheckedShift(wgs, Commands::Transform(m_side1, m_side2, wgs));
    }
    if (m_bProj2) {
        // The catalogue's step to WGS 84 geographic, then PROJ's operation.
        const PointValues wgs =
            CheckedShift(geo, Commands::Transform(m_side1, m_side2, geo));
        ProjStep(wgs.data(), out.data());
        return out;
    }
    if (SameDatum(m_side1, m_side2))
        return geo; // a copy, no engine runs
    return CheckedShift(geo, Commands::Transform(m_side1, m_side2, geo));
}

PointValues Chain::GeographicToTarget(const PointValues &geo, std::int32_t &zone,
                                      bool &south) {
    zone = 0;
    south = false;
    if (m_bProj2 || m_kind2 == GridKind::Geographic)
        return geo; // written as the target's DD texts by the caller
    // "Datum2->Utm2" reads the DD texts that "Datum1->Datum2" wrote.
    const PointValues target = RowThroughText(geo);
    if (m_policy == DomainPolicy::Strict && m_kind2 == GridKind::Utm &&
        !m_bAutoZone && !(target[0] >= -80 && target[0] <= 84))
        throw InputError("latitude " + WrittenDegrees(target[0]) +
                         " is outside UTM's 80 S to 84 N");
    Side *side = &m_side2;
    if (m_bAutoZone) {
        // The point's standard zone, the Norway and Svalbard exceptions
        // included; its central meridian set as the origin dialog sets one.
        const double lon = target[1];
        if (!(lon >= -180.0 && lon <= 180.0))
            throw PointError("longitude " + Code::FormatReal(lon, '.') +
                             " is outside -180 to 180, no UTM zone");
        zone = Utm::StandardZone(target[0], lon);
        if (zone == 0)
            throw BeyondUtmError("latitude " + WrittenDegrees(target[0]) +
                                 " is beyond UTM's zones (80 S up to 84 N), "
                                 "where UPS is the standard grid");
        south = target[0] < 0;
        side = south ? m_side2South.get() : &m_side2;
        side->Engine().SetOrgLatLon(m_dbOrgLat2, Utm::CentralMeridian(zone));
    }
    return Commands::GeoToGrid(*side, target);
}

void Chain::Convert(const double in[3], int sourceZone, bool sourceSouth,
                    double out[3], std::int32_t &zone, bool &south) {
    const PointValues geo =
        SourceToGeographic({in[0], in[1], in[2]}, sourceZone, sourceSouth);
    const PointValues result =
        GeographicToTarget(DatumChange(geo), zone, south);
    std::copy(result.begin(), result.end(), out);
}

void Chain::Convert(const double in[3], double out[3], std::int32_t &zone) {
    bool south = false;
    Convert(in, 0, false, out, zone, south);
}

// ---- the chain as a PROJ pipeline ---------------------------------------------

namespace {

/// A catalogue datum's ellipsoid, as PROJ takes one that has no name there.
struct Ellipsoid {
    double a = 0;
    double invf = 0;
    std::string Text() const {
        return "+a=" + ProjNumber(a) + " +rf=" + ProjNumber(invf);
    }
};

Ellipsoid CatalogueEllipsoid(const COORD &coord) {
    DatumEntry datum;
    ReadDatumEntry(coord, coord.GetDatum(), datum);
    EllipsoidEntry ellipsoid;
    ReadEllipsoidEntry(coord, datum.ellipsoid, ellipsoid);
    return {ellipsoid.a, ellipsoid.invf};
}

/// The catalogue engine's Transverse Mercator with its constants in force.
std::string CatalogueProjection(const COORD &coord) {
    // The central meridian is the origin longitude plus the longitude
    // delta; the latitude delta takes no part in the projection.
    double lat = 0, lon = 0, dlat = 0, dlon = 0, x = 0, y = 0;
    coord.GetOrgLatLon(lat, lon);
    coord.GetDelta(dlat, dlon);
    coord.GetOrigin(x, y);
    return "proj=tmerc +lat_0=" + ProjNumber(lat) +
           " +lon_0=" + ProjNumber(lon + dlon) +
           " +k=" + ProjNumber(coord.m_dbScale) + " +x_0=" + ProjNumber(x) +
           " +y_0=" + ProjNumber(y) + " " + CatalogueEllipsoid(coord).Text();
}

/// The standard Molodensky step between a catalogue datum and WGS 84, as
/// PROJ writes it on the source ellipsoid: the datum's shift towards WGS 84,
/// or (@p fromWgs84) its negation from WGS 84.
Step MolodenskyStep(const COORD &coord, bool fromWgs84) {
    // The shift and the ellipsoid differences as the engine derived them
    // when the datum was set.
    const double sign = fromWgs84 ? -1.0 : 1.0;
    Step step;
    step.text =
        "proj=molodensky " +
        (fromWgs84 ? std::string("+ellps=WGS84")
                   : CatalogueEllipsoid(coord).Text()) +
        " +dx=" + ProjNumber(sign * coord.m_dbLocal_dx + 0.0) +
        " +dy=" + ProjNumber(sign * coord.m_dbLocal_dy + 0.0) +
        " +dz=" + ProjNumber(sign * coord.m_dbLocal_dz + 0.0) +
        " +da=" + ProjNumber(sign * coord.m_dbLocal_da + 0.0) +
        " +df=" + ProjNumber(sign * coord.m_dbLocal_df + 0.0);
    return step;
}

const Step TO_RADIANS{false, "proj=unitconvert +xy_in=deg +xy_out=rad", false};
const Step TO_DEGREES{false, "proj=unitconvert +xy_in=rad +xy_out=deg", false};

/// A catalogue side's values to its geographic radians (@p out: the way
/// back).
void SideSteps(const Side &side, GridKind kind, bool out,
               std::vector<Step> &steps) {
    std::vector<Step> in;
    const COORD &coord = side.Engine();
    if (kind == GridKind::Geographic) {
        in.push_back(AxisSwapStep());
        in.push_back(TO_RADIANS);
    } else if (kind == GridKind::Ecef) {
        in.push_back({true, "proj=cart " + CatalogueEllipsoid(coord).Text(),
                      false});
    } else {
        in.push_back({true, CatalogueProjection(coord)});
    }
    if (!out) {
        steps.insert(steps.end(), in.begin(), in.end());
        return;
    }
    // The way out: the same steps reversed, each inverted.
    for (auto it = in.rbegin(); it != in.rend(); ++it) {
        Step step = *it;
        step.inverse = !step.inverse;
        steps.push_back(step);
    }
}

/// A PROJ system's operation as steps: PROJ's first candidate.
void ProjSteps(const ProjTransform &transform, std::vector<Step> &steps) {
    steps.push_back(PartOf(transform.Candidates().front().proj));
}

/// From WGS 84 latitude and longitude in degrees to radians, longitude
/// first, and back: where a catalogue part meets a PROJ part.
void WgsDegreeSteps(bool toRadians, std::vector<Step> &steps) {
    if (toRadians) {
        steps.push_back(AxisSwapStep());
        steps.push_back(TO_RADIANS);
    } else {
        steps.push_back(TO_DEGREES);
        steps.push_back(AxisSwapStep());
    }
}

} // namespace

std::string Chain::ProjPipeline(bool swapIn, bool swapOut) const {
    std::vector<Step> steps;
    if (swapIn)
        steps.push_back(AxisSwapStep());
    if (m_bProj1 && m_bProj2) {
        // PROJ's operation between the two systems themselves.
        ProjSteps(*m_proj, steps);
    } else if (m_bProj1) {
        // Through WGS 84 geographic: PROJ's part, then the catalogue's.
        ProjSteps(*m_proj, steps);
        WgsDegreeSteps(true, steps);
        if (m_coord2.GetDatum() != DATUM_WGS84)
            steps.push_back(MolodenskyStep(m_coord2, true));
        SideSteps(m_side2, m_kind2, true, steps);
    } else {
        SideSteps(m_side1, m_kind1, false, steps);
        const bool same = !m_bProj2 && SameDatum(m_side1, m_side2);
        if (!same && m_coord1.GetDatum() != DATUM_WGS84)
            steps.push_back(MolodenskyStep(m_coord1, false));
        if (m_bProj2) {
            WgsDegreeSteps(false, steps);
            ProjSteps(*m_proj, steps);
        } else {
            if (!same && m_coord2.GetDatum() != DATUM_WGS84)
                steps.push_back(MolodenskyStep(m_coord2, true));
            SideSteps(m_side2, m_kind2, true, steps);
        }
    }
    if (swapOut)
        steps.push_back(AxisSwapStep());
    return PipelineText(steps);
}

std::string Chain::CandidatePipeline(std::size_t i, bool swapIn,
                                     bool swapOut) const {
    std::vector<Step> steps;
    if (swapIn)
        steps.push_back(AxisSwapStep());
    steps.push_back(PartOf(m_proj->Candidates()[i].proj));
    if (swapOut)
        steps.push_back(AxisSwapStep());
    return PipelineText(steps);
}
