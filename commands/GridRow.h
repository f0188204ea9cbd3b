// Whether a side's grid row holds the grid values of the point its angle row
// shows: the rows of the side's last conversion between the two, kept as
// long as nothing they depend on has changed.
#pragma once

#include "Commands.h"

#include <array>
#include <optional>
#include <string>

/// What a side's grid values depend on besides its point: its PROJ system,
/// or its engine's ellipsoid, grid kind and grid constants. (Its datum
/// shift does not enter a conversion to its grid.)
struct GridDependence {
    std::string system; ///< the PROJ system's definition; empty on the engine
    int kind = 0;
    /// a, f, scale, false easting and northing, origin latitude and
    /// longitude, latitude and longitude deltas, as the engine holds them
    std::array<double, 9> constants{};

    bool operator==(const GridDependence &) const = default;
};

/// The settings @p side's grid values depend on, as they now stand.
GridDependence GridDependsOn(const Side &side);

/// The grid row holds no grid values of the point the angle row shows; the
/// side has a grid, which a conversion would fill.
class GridRowError : public PointError {
  public:
    using PointError::PointError;
};

/**
 * The rows a side's last conversion between its point and its grid left: a
 * conversion to the grid wrote the grid row from the angle row, one from the
 * grid the angle row from the grid row. As long as both rows keep those
 * texts and the side its settings, the grid row holds the grid values of the
 * point shown; any change of either breaks that, and so does a change of
 * system, ellipsoid, grid kind or grid constants.
 */
class ConvertedRows {
  public:
    /// After a conversion on @p side that left its angle row @p geo and its
    /// grid row @p grid.
    /// @p system names the grid the values are on ("World Geodetic System
    /// 1984(UTM)", "Korea 2000 / Central Belt 2010 (EPSG:5186)"), for
    /// StaleSource.
    void Note(const Side &side, const PointTexts &geo, const PointTexts &grid,
              const std::string &system = {});

    /// Where the grid values of a stale grid row came from.
    struct Source {
        PointTexts geo;     ///< the angle row they were the grid values of
        std::string system; ///< the grid they were on, as Note named it
    };

    /**
     * The grid row @p grid still holds the texts of the last conversion
     * while the point shown (@p geo) or the side's settings have changed
     * since: the numbers belong to another point or another grid. Returns
     * where they came from then; nothing while they are the point's, when
     * no conversion has filled them (start-up zeros) and once they have been
     * typed over.
     */
    std::optional<Source> StaleSource(const Side &side, const PointTexts &geo,
                                      const PointTexts &grid) const;

    /**
     * Checks that grid row @p grid holds the grid values of angle row @p geo
     * on @p side as it now stands.
     * @throws PointError for a side on a geographic PROJ system, which has
     *   no grid; GridRowError, saying why, when the rows are not those of
     *   the last conversion or the side's settings have changed since.
     */
    void Check(const Side &side, const PointTexts &geo,
               const PointTexts &grid) const;

  private:
    struct Rows {
        PointTexts geo;
        PointTexts grid;
        GridDependence settings;
        std::string system;
    };
    std::optional<Rows> m_rows;
};
