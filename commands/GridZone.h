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
    /// The standard span in longitude, degrees: a UTM zone's 6 degrees
    /// (its west edge in it, as Utm::Zone has it), a belt's 2 degrees (its
    /// east edge in it, as the engine chooses belts). G7 and an origin off
    /// the standard ones have none.
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
 * Why longitude @p lon (degrees) lies outside @p zone's standard span:
 * "124.9°E lies outside zone 52N (126°E to 132°E): the standard zone there
 * is 51"; empty when it lies within, or the zone has no span.
 */
std::string OutsideZone(const GridZone &zone, double lon);
