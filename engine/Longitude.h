// Longitudes that name one meridian in more than one way, written once for
// every caller: a longitude read beyond 180, a longitude of any size, a
// difference from a central meridian, each taken to the meridian it names.
#pragma once

#include <cmath>
#include <numbers>

namespace Longitude {

/// A longitude read in [-180, 360) (degrees) as the same meridian within
/// [-180, 180]: one beyond 180 lies west of Greenwich. Exact (Sterbenz).
inline double WestOfGreenwich(double lon) { return lon > 180 ? lon - 360 : lon; }

/// Any finite longitude (degrees) as the same meridian within [-180, 180]:
/// unchanged inside, otherwise by an exact remainder, however large the
/// longitude (360 * floor(lon / 360) is not exact and can leave the range).
inline double Reduced(double lon) {
    if (lon >= -180 && lon <= 180)
        return lon;
    double at = std::fmod(lon + 180, 360);
    if (at < 0)
        at += 360;
    return at - 180;
}

/// How far apart longitudes @p a and @p b (degrees) lie, the short way
/// round: within [0, 180].
inline double Apart(double a, double b) {
    return std::fabs(std::remainder(a - b, 360.0));
}

/// A longitude less a central meridian (radians), taken the short way
/// round: within (-pi, pi]. 180 E and 180 W are one meridian, 3 degrees
/// from the central meridian of UTM zone 1 either way. A difference within
/// (-pi, pi] is left as computed.
inline double FromMeridian(double difference) {
    if (difference > std::numbers::pi)
        return difference - 2 * std::numbers::pi;
    if (difference <= -std::numbers::pi)
        return difference + 2 * std::numbers::pi;
    return difference;
}

} // namespace Longitude
