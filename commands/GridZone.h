// The zone or belt a side's grid values are on, named as the window shows it,
// and whether a point lies within that zone's standard span.
#pragma once

#include "Commands.h"

#include <string>

/**
 * The zone or belt of a side's grid, from its grid kind and the central
 * meridian of its origin (which is what chooses the zone; the point does
 * not).
 */
struct GridZone {
    /// "zone 52N", "zone 56S" (false northing 10,000,000 m), "belt 127°E",
    /// "G7 38°N 128°E", "TM 131°E" (a Transverse Mercator origin off the
    /// belts), "meridian 201°E" (a UTM origin that is no zone's); empty for
    /// ECEF and for a side on a PROJ system.
    std::string name;
    /// How the zone comes about: "central meridian 129°E, from the side's
    /// origin"; empty with the name.
    std::string origin;
    /// The standard span in longitude, degrees: a belt's 2 degrees (its
    /// east edge in it, as the engine chooses belts). A UTM zone's span
    /// depends on the point's latitude (see OutsideZone). G7 and an origin
    /// off the standard ones have none.
    bool hasSpan = false;
    double west = 0;
    double east = 0;
    /// For a UTM zone, its number (1 to 60); 0 otherwise. A UTM origin
    /// beyond 180 degrees is no zone's: every point lies outside it.
    int zone = 0;
    bool noZone = false;
};

/// The zone of @p side's grid as it now stands. Angles are written by the
/// 15-digit writer with the decimal separator in force.
GridZone ZoneOf(const Side &side);

/**
 * Why the point at latitude @p lat and longitude @p lon (degrees) lies
 * outside @p zone's standard span: for a UTM zone, against the standard
 * zone of the point (Utm::StandardZone, the Norway and Svalbard exceptions
 * included: "4°E lies outside zone 31N (0°E to 3°E): the standard zone
 * there is 32" at 60 N), or "84.5°N lies beyond UTM (UPS)" beyond 84 N
 * and 80 S; for a belt, against its 2 degrees ("124.9°E lies outside belt
 * 127°E (126°E to 128°E)"). Empty when it lies within, the zone has no
 * span, or the latitude is no latitude.
 */
std::string OutsideZone(const GridZone &zone, double lat, double lon);
