// The UTM zone rules, written once for every caller: the 6-degree zone of a
// longitude that chooses a grid's central meridian, a zone's central
// meridian, the false northing of its hemisphere; and the standard zone of
// a point, with the Norway and Svalbard exceptions and UPS beyond UTM's
// limits, as GeographicLib's UTMUPS::StandardZone assigns it.
#pragma once

#include <cmath>

namespace Utm {

/// The false northing of a zone's southern hemisphere, metres; the northern
/// one's is 0.
constexpr double SOUTH_FALSE_NORTHING = 10000000.0;

/// The central meridian of zone @p zone (1 to 60), degrees: 6 zone - 183.
constexpr double CentralMeridian(int zone) { return 6.0 * zone - 183.0; }

/// The zone (1 to 60) whose central meridian lies within @p tolerance
/// degrees of @p meridian, or 0 when none does.
inline int ZoneOfMeridian(double meridian, double tolerance) {
    const double number = std::round((meridian + 183.0) / 6.0);
    if (!(number >= 1 && number <= 60) ||
        std::fabs(CentralMeridian(static_cast<int>(number)) - meridian) >
            tolerance)
        return 0;
    return static_cast<int>(number);
}

/// The central meridian of the 6-degree zone that holds @p lon (degrees),
/// a longitude on a zone edge belonging to the zone east of it: the rule the
/// engine applies to a UTM origin longitude. Any longitude gives a meridian;
/// beyond 180 it is no zone's.
inline double ZoneCentralMeridian(double lon) {
    return 6.0 * std::floor(lon / 6.0) + 3.0;
}

/// The standard zone of a point at latitude @p lat and longitude @p lon
/// (degrees): 1 to 60 for UTM, 0 for UPS (latitudes outside [-80, 84)). The
/// zones are GeographicLib's (UTMUPS::StandardZone, after DMA TM 8358.2): 6
/// degrees each, a point on an edge in the zone east of it (180 in zone 1,
/// as -180), with the Norway exception (56 to 64 N: zone 32 spans 3 to 12
/// E) and the Svalbard one (72 to 84 N: zones 31, 33, 35 and 37 span 0 to
/// 9, 9 to 21, 21 to 33 and 33 to 42 E; no 32, 34 or 36 there).
int StandardZone(double lat, double lon);

/// The longitudes [@p west, @p east) that StandardZone assigns to zone
/// @p zone (1 to 60) at latitude @p lat (degrees), the east edge excluded:
/// 6 degrees but for the exceptions (32 at 60 N: 3 to 12 E). False when
/// the zone has no part there (32 at 75 N, or beyond UTM's limits).
bool StandardSpan(int zone, double lat, double &west, double &east);

} // namespace Utm
