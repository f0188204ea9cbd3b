// The zone or belt of a side's grid, and a point against its span.
#include "GridZone.h"

#include "Utm.h"

#include <cmath>

namespace {

/// The belts of the Transverse Mercator kind, as the engine chooses them
/// for an origin longitude: each open at its west edge, closed at its east.
constexpr double BELTS[] = {125.0, 127.0, 129.0};

/// An origin longitude read back from the engine's radians differs from
/// the meridian it was set to in its last bits.
constexpr double SAME_MERIDIAN = 1e-9;

/// "129°E", "3°W", "0°E" (15 digits, the separator in force).
std::string Longitude(double lon) {
    return Code::FormatReal(std::fabs(lon)) + "\u00B0" + (lon < 0 ? "W" : "E");
}

std::string Latitude(double lat) {
    return Code::FormatReal(std::fabs(lat)) + "\u00B0" + (lat < 0 ? "S" : "N");
}

/// @p lon within [-180, 180]: a longitude written beyond it is the same
/// meridian. The remainder is exact for any finite longitude, however
/// large (360 * floor(lon / 360) is not, and can leave the range).
double Normalised(double lon) {
    if (lon >= -180 && lon <= 180)
        return lon;
    double at = std::fmod(lon + 180, 360);
    if (at < 0)
        at += 360;
    return at - 180;
}

} // namespace

GridZone ZoneOf(const Side &side) {
    GridZone zone;
    if (side.System())
        return zone;
    const COORD &engine = side.Engine();
    const int kind = engine.GetCoordSys();
    double lat = 0, lon = 0, x = 0, y = 0;
    engine.GetOrgLatLon(lat, lon);
    engine.GetOrigin(x, y);
    zone.origin = "central meridian " + Longitude(lon) +
                  ", from the side's "
                  "origin";
    switch (kind) {
    case CS_UTM: {
        zone.zone = Utm::ZoneOfMeridian(lon, SAME_MERIDIAN);
        if (zone.zone == 0) {
            zone.name = "meridian " + Longitude(lon);
            zone.noZone = true;
            return zone;
        }
        zone.name = "zone " + std::to_string(zone.zone) +
                    (y == Utm::SOUTH_FALSE_NORTHING ? "S" : "N");
        zone.hasSpan = true;
        zone.west = Utm::CentralMeridian(zone.zone) - 3.0;
        zone.east = zone.west + 6.0;
        return zone;
    }
    case CS_TM:
        for (double belt : BELTS) {
            if (std::fabs(belt - lon) <= SAME_MERIDIAN) {
                zone.name = "belt " + Longitude(belt);
                zone.hasSpan = true;
                zone.west = belt - 1.0;
                zone.east = belt + 1.0;
                return zone;
            }
        }
        zone.name = "TM " + Longitude(lon);
        return zone;
    case CS_G7:
        zone.name = "G7 " + Latitude(lat) + " " + Longitude(lon);
        return zone;
    default:
        zone.origin.clear(); // ECEF: no zone
        return zone;
    }
}

std::string OutsideZone(const GridZone &zone, double lon) {
    const std::string point = Longitude(lon) + " lies outside " + zone.name;
    if (zone.noZone)
        return point + ": its central meridian is no UTM zone's";
    if (!zone.hasSpan)
        return {};
    const std::string span =
        " (" + Longitude(zone.west) + " to " + Longitude(zone.east) + ")";
    if (!std::isfinite(lon))
        return {};
    const double at = Normalised(lon);
    if (zone.zone != 0) {
        const int standard = Utm::Zone(at);
        if (standard == zone.zone)
            return {};
        return point + span + ": the standard zone there is " +
               std::to_string(standard);
    }
    if (at > zone.west && at <= zone.east)
        return {};
    return point + span;
}
