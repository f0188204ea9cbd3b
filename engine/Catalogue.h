// The built-in catalogue's constant rows, read-only: what every engine copies
// into its own tables when it is built (InitEllipsoids, InitDatums).
#pragma once

#include "Coord.h"

#include <cstdint>
#include <span>

/// One built-in ellipsoid row, its values as published.
struct EllipsoidRow {
    const char *name; ///< display name with its code
    double a;         ///< semi-major axis (metres)
    double invf;      ///< inverse flattening 1/f
};

/// One built-in datum row, its values as published.
struct DatumRow {
    const char *name;       ///< display name with its code
    std::int32_t ellipsoid; ///< index into the ellipsoid table
    double dx;              ///< shift to WGS 84 along X (metres)
    double dy;              ///< shift to WGS 84 along Y (metres)
    double dz;              ///< shift to WGS 84 along Z (metres)
};

/// The built-in ellipsoid rows in index order; row 0 holds the values the
/// user slot starts with. An engine's own rows may differ from these only in
/// row 0 (SetUserEllipsoid).
std::span<const EllipsoidRow, ELLIPSOID_COUNT> BuiltInEllipsoids();

/// The built-in datum rows in index order; row 0 holds the values the user
/// slot starts with (SetUserDatum replaces them in one engine).
std::span<const DatumRow, DATUM_COUNT> BuiltInDatums();
