// The zone or belt of a side's grid, and a point against its span.
#include "GridZone.h"

#include "Belts.h"
#include "Longitude.h"
#include "Utm.h"

#include <cmath>

namespace {

/// An origin longitude read back from the engine's radians differs from
/// the meridian it was set to in its last bits.
constexpr double SAME_MERIDIAN = 1e-9;

/// "129°E", "3°W", "0°E" (15 digits, the separator in force).
std::string LongitudeText(double lon) {
    return Code::FormatReal(std::fabs(lon)) + "\u00B0" + (lon < 0 ? "W" : "E");
}

std::string LatitudeText(double lat) {
    return Code::FormatReal(std::fabs(lat)) + "\u00B0" + (lat < 0 ? "S" : "N");
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
    zone.origin = "central meridian " + LongitudeText(lon) +
                  ", from the side's "
                  "origin";
    switch (kind) {
    case CS_UTM: {
        zone.zone = Utm::ZoneOfMeridian(lon, SAME_MERIDIAN);
        if (zone.zone == 0) {
            zone.name = "meridian " + LongitudeText(lon);
            zone.noZone = true;
            return zone;
        }
        zone.name = "zone " + std::to_string(zone.zone) +
                    (y == Utm::SOUTH_FALSE_NORTHING ? "S" : "N");
        zone.hasSpan = true; // by the point's latitude (see OutsideZone)
        return zone;
    }
    case CS_TM:
        if (const double belt = Belts::BeltOfMeridian(lon, SAME_MERIDIAN);
            belt != 0) {
            zone.name = "belt " + LongitudeText(belt);
            zone.hasSpan = true;
            zone.west = belt - Belts::HALF_WIDTH;
            zone.east = belt + Belts::HALF_WIDTH;
            return zone;
        }
        zone.name = "TM " + LongitudeText(lon);
        return zone;
    case CS_G7:
        zone.name = "G7 " + LatitudeText(lat) + " " + LongitudeText(lon);
        return zone;
    default:
        zone.origin.clear(); // ECEF: no zone
        return zone;
    }
}

std::string OutsideZone(const GridZone &zone, double lat, double lon) {
    const std::string point = LongitudeText(lon) + " lies outside " + zone.name;
    if (zone.noZone)
        return point + ": its central meridian is no UTM zone's";
    if (!zone.hasSpan)
        return {};
    if (!std::isfinite(lon))
        return {};
    const double at = Longitude::Reduced(lon);
    if (zone.zone != 0) {
        if (!(lat >= -90 && lat <= 90))
            return {};
        // The row still holds the zone's Transverse Mercator numbers.
        const int standard = Utm::StandardZone(lat, at);
        if (standard == 0)
            return LatitudeText(lat) + " lies beyond UTM (UPS)";
        if (standard == zone.zone)
            return {};
        double west = 0, east = 0;
        const std::string span =
            Utm::StandardSpan(zone.zone, lat, west, east)
                ? " (" + LongitudeText(west) + " to " + LongitudeText(east) +
                      ")"
                : ", which has no part at " + LatitudeText(lat);
        return point + span + ": the standard zone there is " +
               std::to_string(standard);
    }
    const std::string span = " (" + LongitudeText(zone.west) + " to " +
                             LongitudeText(zone.east) + ")";
    if (at > zone.west && at <= zone.east)
        return {};
    return point + span;
}
