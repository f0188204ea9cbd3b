// A point copied with what it stands on: the values, the side's datum with
// its constants (or its PROJ system) and the grid values, so that a paste
// can carry it onto another side's datum. The window puts it on the
// clipboard beside the plain text of Copy Point and Copy Point As.
#pragma once

#include "PointForms.h"

#include <optional>
#include <string>
#include <string_view>

/// The clipboard type of the record.
inline constexpr const char *POINT_RECORD_MIME = "application/x-nolvex-point";

/**
 * Side @p side's point as a record: latitude, longitude and height @p geo
 * on the side's datum, the datum's index, name, ellipsoid and shift as the
 * side's engine holds them now (user rows included), or the side's PROJ
 * system; and with @p grid the grid row (easting, northing, height or X,
 * Y, Z) as the window holds it. @p gridCopy says that the text beside the
 * record is those grid values (Copy Point As Grid), not the point.
 * Numbers are written to 17 digits, so that they read back bit for bit.
 */
std::string WritePointRecord(const Side &side, const PointValues &geo,
                             const std::optional<PointValues> &grid = {},
                             bool gridCopy = false);

/// Whether @p record came with grid values as its text (WritePointRecord's
/// @p gridCopy): such a copy is grid values, which Paste Point does not
/// take for a point, whatever its record holds.
bool IsGridCopy(std::string_view record);

/**
 * Paste Point on @p side from a record WritePointRecord wrote: the point on
 * the record's datum, carried to the side's datum by the same steps as
 * Datum1->Datum2 (none between the same datum with the same constants).
 * The constants come from the record, not from the catalogue: a user datum
 * changed since the copy does not move the point.
 * @throws InputError for a text that is no such record, FloatingPointError,
 *   ProjError, ProjPointError.
 */
PointForSide ReadPointRecord(const Side &side, std::string_view record);

/**
 * Grid values as pasted: "x, y" or "x, y, z", separated by a comma and
 * blanks, or by blanks or tabs alone, numbers with a decimal point, in the
 * order Copy Point As Grid writes them on the side (the system's own axis
 * order). @p count is set to 2 or 3.
 * @throws InputError with the reason.
 */
PointValues ReadPastedGrid(std::string_view text, int &count);

/// The text is two or three numbers that are no latitude and longitude (a
/// first beyond 90 or a second beyond 180): grid values, pasted as a point.
bool LooksLikeGridValues(std::string_view text);
