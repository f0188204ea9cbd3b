// The chain of the window's commands for one point.
#include "Chain.h"

#include "Errors.h"
#include "NumberText.h"
#include "PipelineSteps.h"
#include "Utm.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace {

/// The values a row of fields holds once the values are written into it.
PointValues RowThroughText(const PointValues &values) {
    return {Code::RealThroughText(values[0]), Code::RealThroughText(values[1]),
            Code::RealThroughText(values[2])};
}

/// The projection-origin dialog's OK for one side: the options typed, the
/// other fields as the dialog shows them.
/// @return the origin latitude applied (degrees).
double ApplyOriginDialog(Side &side, const GridSettings &grid,
                         const char *name) {
    // The options are typed with a decimal point.
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
        static const char *const LABELS[] = {"false-easting", "false-northing",
                                             "origin-lat", "origin-lon",
                                             "delta-lon"};
        throw SetupError("--" + std::string(name) + "-" + LABELS[e.Index()] +
                         ": " + e.what());
    }
    return Code::ParseReal(texts.lat, '.');
}

/// Sets up one side's engine in the order the window's dialogs do.
void SetUpSide(Side &side, const ChainSettings &settings,
               const SideSettings &sideSettings, const char *name) {
    COORD &coord = side.Engine();
    if (!sideSettings.crs.empty()) {
        try {
            side.SelectSystem(std::make_shared<ProjSide>(sideSettings.crs));
        } catch (const ProjError &e) {
            throw SetupError("--" + std::string(name) + ": " + e.what());
        }
        return;
    }
    if (sideSettings.engine) {
        coord = *sideSettings.engine;
        coord.SetTrace(settings.trace ? 1 : 0);
        return;
    }
    // The user rows go into both engines before any datum is selected.
    if (settings.userEllipsoid)
        coord.SetUserEllipsoid(settings.userEllipsoid->name.c_str(),
                               settings.userEllipsoid->a,
                               settings.userEllipsoid->invf);
    if (settings.userDatum)
        coord.SetUserDatum(settings.userDatum->name.c_str(),
                           settings.userDatum->ellipsoid,
                           settings.userDatum->dx, settings.userDatum->dy,
                           settings.userDatum->dz);
    try {
        Commands::ApplyDatum(side, sideSettings.datum);
    } catch (const FloatingPointError &e) {
        throw SetupError("--" + std::string(name) + ": datum " +
                         std::to_string(sideSettings.datum) + ": " + e.what());
    }
    if (sideSettings.kind != KIND_GEO)
        Commands::ApplyGridKind(side, sideSettings.kind);
    coord.SetTrace(settings.trace ? 1 : 0);
}

} // namespace

Chain::Chain(const ChainSettings &settings)
    : m_coord1(DATUM_WGS84), m_coord2(DATUM_WGS84),
      m_nKind1(settings.from.kind), m_nKind2(settings.to.kind),
      m_bAutoZone(settings.to.kind == CS_UTM && settings.to.grid.autoZone &&
                  settings.to.crs.empty()) {
    SetUpSide(m_side1, settings, settings.from, "from");
    SetUpSide(m_side2, settings, settings.to, "to");
    // Only a confirmed dialog touches the engine: its fields are texts, so
    // even the values left as shown come back rounded to 15 digits.
    if (IsGridKind(m_nKind1) && settings.from.grid.Any() &&
        !settings.from.engine && settings.from.crs.empty())
        ApplyOriginDialog(m_side1, settings.from.grid, "from");
    if (IsGridKind(m_nKind2) && settings.to.grid.Any() &&
        !settings.to.engine && settings.to.crs.empty())
        m_dbOrgLat2 = ApplyOriginDialog(m_side2, settings.to.grid, "to");
}

void Chain::Convert(const double in[3], double out[3], std::int32_t &zone) {
    zone = 0;

    // "Utm1->Datum1": the source grid to geographic on the source datum,
    // written into the DD row for the next command.
    PointValues geo{in[0], in[1], in[2]};
    if (m_nKind1 != KIND_GEO)
        geo = RowThroughText(Commands::GridToGeo(m_side1, geo));

    // "Datum1->Datum2".
    PointValues target = Commands::Transform(m_side1, m_side2, geo);
    if (m_nKind2 == KIND_GEO) {
        // Written as the target's DD texts by the caller; the rounding to 15
        // digits is the writer's.
        std::copy(target.begin(), target.end(), out);
        return;
    }

    // "Datum2->Utm2" reads the DD texts that "Datum1->Datum2" wrote.
    target = RowThroughText(target);
    if (m_bAutoZone) {
        // The origin longitude typed as the point's own longitude: SetOrgLatLon
        // turns it into the central meridian of its zone. 180 belongs to zone
        // 60 (the band east of it does not exist).
        const double lon = target[1];
        if (!(lon >= -180.0 && lon <= 180.0))
            throw PointError("longitude " + Code::FormatReal(lon, '.') +
                             " is outside -180 to 180, no UTM zone");
        zone = Utm::Zone(lon);
        m_side2.Engine().SetOrgLatLon(m_dbOrgLat2, Utm::CentralMeridian(zone));
    }
    const PointValues grid = Commands::GeoToGrid(m_side2, target);
    std::copy(grid.begin(), grid.end(), out);
}

std::array<std::string, 3> Chain::ConvertTexts(std::string_view first,
                                               std::string_view second,
                                               std::string_view third) {
    // All three fields are read before anything is computed.
    const double in[3] = {Code::ParseReal(first), Code::ParseReal(second),
                          Code::ParseReal(third)};
    double out[3] = {0, 0, 0};
    std::int32_t zone = 0;
    Convert(in, out, zone);
    return {Code::FormatReal(out[0]), Code::FormatReal(out[1]),
            Code::FormatReal(out[2])};
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
    char name[80];
    std::int32_t ellipsoid = 0;
    double dx = 0, dy = 0, dz = 0;
    coord.GetDatumInfo(coord.GetDatum(), name, sizeof name, ellipsoid, dx, dy,
                       dz);
    Ellipsoid e;
    coord.GetEllipsoid(ellipsoid, name, sizeof name, e.a, e.invf);
    return e;
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

const Step TO_RADIANS{Step::TO_RADIANS, false,
                      "proj=unitconvert +xy_in=deg +xy_out=rad"};
const Step TO_DEGREES{Step::TO_DEGREES, false,
                      "proj=unitconvert +xy_in=rad +xy_out=deg"};

/// A catalogue side's values to its geographic radians (@p out: the way
/// back).
void SideSteps(const Side &side, int kind, bool out, std::vector<Step> &steps) {
    std::vector<Step> in;
    const COORD &coord = side.Engine();
    if (kind == KIND_GEO) {
        in.push_back(AxisSwapStep());
        in.push_back(TO_RADIANS);
    } else if (kind == CS_ECEF) {
        in.push_back({Step::OTHER, true,
                      "proj=cart " + CatalogueEllipsoid(coord).Text()});
    } else {
        in.push_back({Step::OTHER, true, CatalogueProjection(coord)});
    }
    if (!out) {
        steps.insert(steps.end(), in.begin(), in.end());
        return;
    }
    // The way out: the same steps reversed, each inverted.
    for (auto it = in.rbegin(); it != in.rend(); ++it) {
        Step step = *it;
        if (step.kind == Step::TO_RADIANS)
            step = TO_DEGREES;
        else if (step.kind == Step::OTHER)
            step.inverse = !step.inverse;
        steps.push_back(step);
    }
}

/// A PROJ system's operation as steps: PROJ's first candidate.
void ProjSteps(const ProjTransform &transform, std::vector<Step> &steps) {
    const std::vector<Step> part =
        StepsOf(transform.Candidates().front().proj);
    steps.insert(steps.end(), part.begin(), part.end());
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

std::string Chain::ProjPipeline() const {
    const ProjSide *proj1 = m_side1.System();
    const ProjSide *proj2 = m_side2.System();
    std::vector<Step> steps;
    if (proj1 && proj2) {
        // PROJ's operation between the two systems themselves.
        const ProjCrs from(proj1->Facts().definition);
        const ProjCrs to(proj2->Facts().definition);
        ProjSteps(ProjTransform(from, to, {}), steps);
        return PipelineText(steps);
    }
    if (proj1) {
        // Through WGS 84 geographic: PROJ's part, then the catalogue's.
        const ProjCrs from(proj1->Facts().definition);
        const ProjCrs hub(proj1->Facts().HasThirdAxis() ? "EPSG:4979"
                                                        : "EPSG:4326");
        ProjSteps(ProjTransform(from, hub, {}), steps);
        WgsDegreeSteps(true, steps);
        if (m_coord2.GetDatum() != DATUM_WGS84)
            steps.push_back(MolodenskyStep(m_coord2, true));
        SideSteps(m_side2, m_nKind2, true, steps);
        return PipelineText(steps);
    }
    SideSteps(m_side1, m_nKind1, false, steps);
    const bool same = !proj2 && m_coord1.GetDatum() == m_coord2.GetDatum();
    if (!same && m_coord1.GetDatum() != DATUM_WGS84)
        steps.push_back(MolodenskyStep(m_coord1, false));
    if (proj2) {
        WgsDegreeSteps(false, steps);
        const ProjCrs hub(proj2->Facts().HasThirdAxis() ? "EPSG:4979"
                                                        : "EPSG:4326");
        const ProjCrs to(proj2->Facts().definition);
        ProjSteps(ProjTransform(hub, to, {}), steps);
        return PipelineText(steps);
    }
    if (!same && m_coord2.GetDatum() != DATUM_WGS84)
        steps.push_back(MolodenskyStep(m_coord2, true));
    SideSteps(m_side2, m_nKind2, true, steps);
    return PipelineText(steps);
}
