// The chain of the window's commands for one point.
#include "Chain.h"

#include "Errors.h"
#include "NumberText.h"

#include <algorithm>
#include <charconv>
#include <cmath>

double ThroughText(double value) {
    char text[Code::FORMAT_REAL_MAX];
    char *end = Code::FormatRealTo(text, value);
    return Code::ParseReal(
        std::string_view(text, static_cast<std::size_t>(end - text)));
}

double ThroughTextOfInput(double value) {
    // A normal double whose shortest round-trip text S has at most 15
    // significant digits lies within half an ulp (1.2e-16 relative) of S, far
    // inside half a unit of the 15th digit: rounding it to 18 and then to 15
    // digits gives S, and S reads back as the same double. Zero is written
    // "0" and so loses a negative sign; subnormals have fewer bits than the
    // bound needs. Both take the long road.
    if (value != 0 && std::isnormal(value)) {
        char text[32];
        const auto end = std::to_chars(text, text + sizeof text, value).ptr;
        int digits = 0, pendingZeros = 0;
        bool leading = true;
        for (const char *p = text; p < end && *p != 'e'; ++p) {
            if (*p < '0' || *p > '9')
                continue; // sign and point
            if (*p == '0') {
                if (!leading)
                    ++pendingZeros; // significant only if a digit follows
                continue;
            }
            leading = false;
            digits += pendingZeros + 1;
            pendingZeros = 0;
        }
        if (digits <= 15)
            return value;
    }
    return ThroughText(value);
}

namespace {

/// The values a row of fields holds once the values are written into it.
PointValues RowThroughText(const PointValues &values) {
    return {ThroughText(values[0]), ThroughText(values[1]),
            ThroughText(values[2])};
}

/// The projection-origin dialog's OK for one side: the options typed, the
/// other fields as the dialog shows them.
/// @return the origin latitude applied (degrees).
double ApplyOriginDialog(Side &side, const GridSettings &grid,
                         const char *name) {
    OriginTexts texts = Commands::ShownOrigin(side);
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
        Commands::ApplyOrigin(side, texts);
    } catch (const FieldError &e) {
        static const char *const LABELS[] = {"false-easting", "false-northing",
                                             "origin-lat", "origin-lon",
                                             "delta-lon"};
        throw SetupError("--" + std::string(name) + "-" + LABELS[e.Index()] +
                         ": " + e.what());
    }
    return Code::ParseReal(texts.lat);
}

/// Sets up one side's engine in the order the window's dialogs do.
void SetUpSide(Side &side, const ChainSettings &settings,
               const SideSettings &sideSettings, const char *name) {
    COORD &coord = side.Engine();
    if (sideSettings.system != 0) {
        const ReferenceSystem *system = FindSystem(sideSettings.system);
        if (!system)
            throw SetupError("--" + std::string(name) + ": EPSG:" +
                             std::to_string(sideSettings.system) +
                             " is not in the register");
        try {
            side.SelectSystem(system, settings.trace ? 1 : 0);
        } catch (const FloatingPointError &e) {
            throw SetupError("--" + std::string(name) + ": EPSG:" +
                             std::to_string(sideSettings.system) + ": " +
                             e.what());
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

bool IsGridKind(int kind) {
    return kind == CS_UTM || kind == CS_TM || kind == CS_G7;
}

} // namespace

Chain::Chain(const ChainSettings &settings)
    : m_coord1(DATUM_WGS84), m_coord2(DATUM_WGS84),
      m_nKind1(settings.from.kind), m_nKind2(settings.to.kind),
      m_bAutoZone(settings.to.kind == CS_UTM && settings.to.grid.autoZone &&
                  settings.to.system == 0) {
    SetUpSide(m_side1, settings, settings.from, "from");
    SetUpSide(m_side2, settings, settings.to, "to");
    // Only a confirmed dialog touches the engine: its fields are texts, so
    // even the values left as shown come back rounded to 15 digits.
    if (IsGridKind(m_nKind1) && settings.from.grid.Any() &&
        !settings.from.engine && settings.from.system == 0)
        ApplyOriginDialog(m_side1, settings.from.grid, "from");
    if (IsGridKind(m_nKind2) && settings.to.grid.Any() &&
        !settings.to.engine && settings.to.system == 0)
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
            throw PointError("longitude " + Code::FormatReal(lon) +
                             " is outside -180 to 180, no UTM zone");
        const double zoneLon = lon == 180.0 ? 179.0 : lon;
        m_side2.Engine().SetOrgLatLon(m_dbOrgLat2, zoneLon);
        zone = static_cast<std::int32_t>(std::floor(zoneLon / 6.0)) + 31;
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
