// The Transverse Mercator belts, written once for every caller: their
// central meridians and widths, and the belt that holds a longitude, as the
// engine chooses its origin from a longitude.
#pragma once

#include <cmath>

namespace Belts {

/// The central meridians of the belts, degrees east: the west, central and
/// east belts.
constexpr double MERIDIANS[] = {125.0, 127.0, 129.0};

/// Half a belt's width, degrees: each spans its meridian plus or minus 1.
constexpr double HALF_WIDTH = 1.0;

/// The central meridian of the belt that holds @p lon (degrees): each belt
/// is open at its west edge and closed at its east edge. A longitude
/// outside 124 < lon <= 130 holds no belt and is its own meridian.
inline double BeltMeridian(double lon) {
    for (const double meridian : MERIDIANS)
        if (lon > meridian - HALF_WIDTH && lon <= meridian + HALF_WIDTH)
            return meridian;
    return lon;
}

/// The belt meridian within @p tolerance degrees of @p meridian, or 0 when
/// none is (no belt lies at 0).
inline double BeltOfMeridian(double meridian, double tolerance) {
    for (const double belt : MERIDIANS)
        if (std::fabs(belt - meridian) <= tolerance)
            return belt;
    return 0;
}

} // namespace Belts
