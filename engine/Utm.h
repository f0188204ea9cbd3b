// The UTM zone rule, written once for every caller: the zone of a longitude,
// a zone's central meridian, and the false northing of its hemisphere.
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

/// The standard zone (1 to 60) of @p lon in [-180, 180] (degrees), a
/// longitude on an edge belonging to the zone east of it and 180 to zone 60
/// (the zone east of it does not exist).
inline int Zone(double lon) {
    const int zone = static_cast<int>(std::floor(lon / 6.0)) + 31;
    return zone > 60 ? 60 : zone;
}

} // namespace Utm
