// Catalogue rows as an engine holds them, read through its name-buffer
// operations (GetEllipsoid, GetDatumInfo) into typed rows: the whole text,
// its name and code, and the numbers. The window and nolvex-convert read the
// catalogue only through these.
#pragma once

#include "Coord.h"

#include <cstdint>
#include <string>
#include <vector>

/// One ellipsoid row of an engine.
struct EllipsoidEntry {
    std::string text; ///< whole catalogue text (UTF-8), code included
    std::string name; ///< the text without its code ("Bessel 1841")
    std::string code; ///< the code ("BR"); empty where the text has none
    double a = 0;     ///< semi-major axis (metres)
    double invf = 0;  ///< inverse flattening 1/f
};

/// One datum row of an engine.
struct DatumEntry {
    std::string text; ///< whole catalogue text (UTF-8), code included
    std::string name; ///< the text without its code ("Tokyo")
    std::string code; ///< the code ("---"); empty where the text has none
    std::int32_t ellipsoid = 0; ///< index into the ellipsoid table
    double dx = 0;              ///< shift to WGS 84 along X (metres)
    double dy = 0;              ///< shift to WGS 84 along Y (metres)
    double dz = 0;              ///< shift to WGS 84 along Z (metres)
};

/**
 * Reads ellipsoid row @p index of @p engine; the name and code are split as
 * Code::SplitNameAndCode splits them.
 * @param[out] row the row; left as it was when @p index is outside the table.
 * @return the engine's answer: the length of the stored name in bytes, 0 past
 *   the last row (and for a row whose name is empty).
 */
std::int32_t ReadEllipsoidEntry(const COORD &engine, std::int32_t index,
                                EllipsoidEntry &row);

/// Reads datum row @p index of @p engine; same contract as
/// ReadEllipsoidEntry.
std::int32_t ReadDatumEntry(const COORD &engine, std::int32_t index,
                            DatumEntry &row);

/// Every ellipsoid row of @p engine, position = index; a row whose name is
/// empty is read too.
std::vector<EllipsoidEntry> ReadEllipsoidEntries(const COORD &engine);

/// Every datum row of @p engine, position = index.
std::vector<DatumEntry> ReadDatumEntries(const COORD &engine);
