// Internal to the engine: the Transverse Mercator series of CoordTmerc.cpp and
// the closed ECEF formula of CoordEcef.cpp on any engine's constants, traced
// to a record of the caller's choice. The general operations (TmercGeneral.h,
// Geocentric.h) run them on engines of their own, so that for the same
// ellipsoid and constants they give the documented conversions' results bit
// for bit.
#pragma once

#include "Coord.h"
#include "CoordTrace.h"

/// The documented Transverse Mercator series, geodetic to grid, on @p c's
/// ellipsoid and projection constants; radians in, metres out. Appends to
/// @p record when @p c's trace switch is on. No fault check of its own.
void TmercSeriesForward(const COORD &c, TraceRecord record, double lat,
                        double lon, double &x, double &y);

/// TmercSeriesForward without a trace record, whatever @p c's switch says.
void TmercSeriesForwardUntraced(const COORD &c, double lat, double lon,
                                double &x, double &y);

/// The documented Transverse Mercator series, grid to geodetic (footpoint
/// iteration, then the series in the easting); metres in, radians out.
void TmercSeriesReverse(const COORD &c, TraceRecord record, double &lat,
                        double &lon, double x, double y);

/// The documented closed formula, geodetic (radians, metres) to ECEF
/// (metres) on @p c's ellipsoid.
void EcefClosedForward(const COORD &c, TraceRecord record, double lat,
                       double lon, double h, double &x, double &y, double &z);
