// The register's systems as people read them: their names with codes, what
// they are made of, a filter on code or name, and the whole register as a
// table. Shared by the window's chooser and nolvex-convert's --list crs.
#pragma once

#include "Register.h"

#include <string>
#include <string_view>

/// "Korean 1985 / Modified Central Belt (EPSG:5174)"
std::string SystemLabel(const ReferenceSystem &system);

/// The system's datum by its geographic system: "Korean 1985 (EPSG:4162)".
std::string DatumLabel(const ReferenceSystem &system);

/// "Geographic 2D", "Geographic 3D", "Geocentric" or "Projected".
std::string KindName(SystemKind kind);

/// The published transformation to WGS 84 that applies across the
/// system's area ("EPSG:5191 Korean 1985 to WGS 84 (1), 1 m"), "none" for
/// WGS 84; with several, the one per place and their number.
std::string TransformationText(const ReferenceSystem &system);

/**
 * Several lines: the system with its kind, its datum and ellipsoid, its
 * transformation to WGS 84 with method and accuracy, its projection's
 * constants and axis order, and its area of use.
 */
std::string SystemDetails(const ReferenceSystem &system);

/// True when @p filter is empty, or is the system's code (with or without
/// "EPSG:"), or is found in its name or its datum's (case ignored, blanks
/// at the ends ignored).
bool SystemMatches(const ReferenceSystem &system, std::string_view filter);

/// The register as a tab-separated table with a heading line: code, name,
/// kind, axes, datum, transformation and accuracy, area of use.
std::string ListSystems();
