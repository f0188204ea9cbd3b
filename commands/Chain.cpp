// The chain of the window's commands for one point.
#include "Chain.h"

#include "Errors.h"
#include "NumberText.h"

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

/// Reads one field of the projection-origin dialog: what the user typed, or
/// else the text the dialog was filled with from the engine.
double DialogField(const std::optional<std::string> &typed, double shown,
                   const char *label) {
    try {
        if (typed)
            return Code::ParseReal(*typed);
        return ThroughText(shown);
    } catch (const Code::ConversionError &e) {
        throw SetupError(std::string(label) + ": " + e.what());
    }
}

/// The projection-origin dialog's OK for one side: every field read first,
/// then SetOrigin, SetDelta (latitude delta unchanged), SetOrgLatLon.
/// @return the origin latitude applied (degrees).
double ApplyOriginDialog(COORD &coord, const GridSettings &grid,
                         const char *side) {
    double x = 0, y = 0, dlat = 0, dlon = 0, lat = 0, lon = 0;
    coord.GetOrigin(x, y);
    coord.GetDelta(dlat, dlon);
    coord.GetOrgLatLon(lat, lon);
    const std::string s(side);
    const double fieldX = DialogField(grid.falseEasting, x,
                                      ("--" + s + "-false-easting").c_str());
    const double fieldY = DialogField(grid.falseNorthing, y,
                                      ("--" + s + "-false-northing").c_str());
    const double fieldLat =
        DialogField(grid.originLat, lat, ("--" + s + "-origin-lat").c_str());
    const double fieldLon =
        DialogField(grid.originLon, lon, ("--" + s + "-origin-lon").c_str());
    const double fieldDLon =
        DialogField(grid.deltaLon, dlon, ("--" + s + "-delta-lon").c_str());
    coord.SetOrigin(fieldX, fieldY);
    coord.SetDelta(dlat, fieldDLon);
    coord.SetOrgLatLon(fieldLat, fieldLon);
    return fieldLat;
}

/// Sets up one side's engine in the order the window's dialogs do.
void SetUpSide(COORD &coord, const ChainSettings &settings,
               const SideSettings &side, const char *name) {
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
        coord.SetDatum(side.datum);
    } catch (const FloatingPointError &e) {
        throw SetupError("--" + std::string(name) + ": datum " +
                         std::to_string(side.datum) + ": " + e.what());
    }
    if (side.kind != KIND_GEO)
        coord.SetCoordSys(side.kind);
    coord.SetTrace(settings.trace ? 1 : 0);
}

} // namespace

Chain::Chain(const ChainSettings &settings)
    : m_coord1(DATUM_WGS84), m_coord2(DATUM_WGS84),
      m_nKind1(settings.from.kind), m_nKind2(settings.to.kind),
      m_bSameDatum(settings.from.datum == settings.to.datum),
      m_bAutoZone(settings.to.kind == CS_UTM && settings.to.grid.autoZone) {
    SetUpSide(m_coord1, settings, settings.from, "from");
    SetUpSide(m_coord2, settings, settings.to, "to");
    const bool grid1 =
        m_nKind1 == CS_UTM || m_nKind1 == CS_TM || m_nKind1 == CS_G7;
    const bool grid2 =
        m_nKind2 == CS_UTM || m_nKind2 == CS_TM || m_nKind2 == CS_G7;
    // Only a confirmed dialog touches the engine: its fields are texts, so
    // even the values left as shown come back rounded to 15 digits.
    if (grid1 && settings.from.grid.Any())
        ApplyOriginDialog(m_coord1, settings.from.grid, "from");
    if (grid2 && settings.to.grid.Any())
        m_dbOrgLat2 = ApplyOriginDialog(m_coord2, settings.to.grid, "to");
}

void Chain::Convert(const double in[3], double out[3], std::int32_t &zone) {
    zone = 0;

    // "Utm1->Datum1": the source grid to geographic on the source datum,
    // written into the DD row (15-digit texts) for the next command.
    double lat = in[0], lon = in[1], alt = in[2];
    if (m_nKind1 == CS_ECEF) {
        m_coord1.ConvEcef2Geo(lat, lon, alt, in[0], in[1], in[2]);
        lat = ThroughText(lat);
        lon = ThroughText(lon);
        alt = ThroughText(alt);
    } else if (m_nKind1 != KIND_GEO) {
        m_coord1.ConvGrid2Geo(lat, lon, in[0], in[1]);
        lat = ThroughText(lat);
        lon = ThroughText(lon);
        alt = ThroughTextOfInput(in[2]);
    }

    // "Datum1->Datum2": a copy for the same datum index, otherwise through
    // WGS 84, each engine skipping its step when it is WGS 84 itself.
    double lat2 = lat, lon2 = lon, alt2 = alt;
    if (!m_bSameDatum) {
        double wLat = lat, wLon = lon, wAlt = alt;
        if (m_coord1.GetDatum() != DATUM_WGS84)
            m_coord1.TransLocal2Wgs(lat, lon, alt, wLat, wLon, wAlt);
        lat2 = wLat;
        lon2 = wLon;
        alt2 = wAlt;
        if (m_coord2.GetDatum() != DATUM_WGS84)
            m_coord2.TransWgs2Local(wLat, wLon, wAlt, lat2, lon2, alt2);
    }

    if (m_nKind2 == KIND_GEO) {
        // Written as the target's DD texts by the caller; the rounding to 15
        // digits is the writer's.
        out[0] = lat2;
        out[1] = lon2;
        out[2] = alt2;
        return;
    }

    // "Datum2->Utm2" reads the DD texts that "Datum1->Datum2" wrote. A copy
    // is most likely short already.
    if (m_bSameDatum) {
        lat2 = ThroughTextOfInput(lat2);
        lon2 = ThroughTextOfInput(lon2);
        alt2 = ThroughTextOfInput(alt2);
    } else {
        lat2 = ThroughText(lat2);
        lon2 = ThroughText(lon2);
        alt2 = ThroughText(alt2);
    }
    if (m_nKind2 == CS_ECEF) {
        m_coord2.ConvGeo2Ecef(lat2, lon2, alt2, out[0], out[1], out[2]);
        return;
    }
    if (m_bAutoZone) {
        // The origin longitude typed as the point's own longitude: SetOrgLatLon
        // turns it into the central meridian of its zone. 180 belongs to zone
        // 60 (the band east of it does not exist).
        if (!(lon2 >= -180.0 && lon2 <= 180.0)) {
            char text[Code::FORMAT_REAL_MAX];
            char *end = Code::FormatRealTo(text, lon2);
            throw PointError("longitude " + std::string(text, end) +
                             " is outside -180 to 180, no UTM zone");
        }
        const double zoneLon = lon2 == 180.0 ? 179.0 : lon2;
        m_coord2.SetOrgLatLon(m_dbOrgLat2, zoneLon);
        zone = static_cast<std::int32_t>(std::floor(zoneLon / 6.0)) + 31;
    }
    m_coord2.ConvGeo2Grid(lat2, lon2, out[0], out[1]);
    out[2] = alt2;
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
