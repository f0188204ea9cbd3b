// The standard UTM zone of a point, as GeographicLib assigns it.
#include "Utm.h"

#include <GeographicLib/UTMUPS.hpp>

namespace Utm {

int StandardZone(double lat, double lon) {
    if (!(lat >= -90 && lat <= 90) || !std::isfinite(lon))
        return 0;
    return GeographicLib::UTMUPS::StandardZone(lat, lon);
}

bool StandardSpan(int zone, double lat, double &west, double &east) {
    // The exceptions' edges lie on whole degrees, as do the zones': each
    // degree belongs to one zone whole, so the zone's span is the degrees
    // StandardZone gives it, read at their middles. Its rule stays
    // GeographicLib's alone.
    bool found = false;
    for (int degree = -180; degree < 180; ++degree) {
        if (StandardZone(lat, degree + 0.5) != zone)
            continue;
        if (!found)
            west = degree;
        east = degree + 1;
        found = true;
    }
    return found;
}

} // namespace Utm
