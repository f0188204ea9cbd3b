// The axes of one side of a conversion, one model for every front end: in
// the side's own order, each with PROJ's name, abbreviation, direction and
// unit, and what it measures. A PROJ system's axes are PROJ's; a catalogue
// side's are those of its documented fields. Files, headings, GeoJSON, the
// window's labels and the Python module's names all read them here.
#pragma once

#include "Conversion.h"
#include "Proj.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

/// What an axis measures, whatever its system calls it or which way it
/// points: Easting is the axis across the meridians (easting or westing),
/// Northing the one along them (northing or southing).
enum class AxisRole {
    Latitude,
    Longitude,
    Easting,
    Northing,
    Height,
    GeocentricX,
    GeocentricY,
    GeocentricZ,
};

/// What a side's third value is.
enum class HeightKind {
    None,           ///< a 2D PROJ system: no height, the value passes through
    Altitude,       ///< a catalogue side's altitude, as its fields hold it
    Ellipsoidal,    ///< above the ellipsoid (a 3D system)
    GravityRelated, ///< a vertical system's (a compound system)
    Geocentric,     ///< Z of an Earth-centred system
};

/// One axis of a side.
struct Axis {
    std::string name;         ///< "Northing", "Geodetic latitude", "Westing"
    std::string abbreviation; ///< "X", "Lat", "h"
    std::string direction;    ///< "north", "east", "south", "west", "up"
    std::string unit;         ///< "metre", "degree", "grad", "US survey foot"
    double factor = 1;        ///< the unit in radians (angles) or metres
    AxisRole role = AxisRole::Height;
};

/// Heading names of the heights, lower case: ellipsoidal ones, and those of
/// a gravity-related (orthometric) height.
extern const std::vector<std::string> ELLIPSOIDAL_HEIGHT_NAMES;
extern const std::vector<std::string> GRAVITY_HEIGHT_NAMES;

/// The axes of one side, in its own order, three of them: a 2D system's
/// third is its height passed through.
class SideAxes {
  public:
    enum class Kind { Angles, Grid, Geocentric };

    /// A catalogue side of grid kind @p kind: latitude, longitude and
    /// altitude in degrees and metres; easting, northing and Z; X, Y, Z.
    static SideAxes Catalogue(GridKind kind);
    /// A PROJ system's axes as PROJ gives them.
    static SideAxes System(const CrsFacts &facts);
    /// The axes of either kind of side (a PROJ side's system is looked up).
    /// @throws ProjError.
    static SideAxes Of(const ConversionSide &side);

    Kind ValueKind() const { return m_kind; }
    bool Angular() const { return m_kind == Kind::Angles; }
    const Axis &operator[](int i) const {
        return m_axes[static_cast<std::size_t>(i)];
    }
    /// The index of the axis of @p role; -1 when the side has none.
    int IndexOf(AxisRole role) const;
    HeightKind Height() const { return m_height; }
    /// The side has a height of its own, which a conversion uses (3D,
    /// compound, geocentric, or a catalogue side's altitude).
    bool HasHeight() const {
        return m_height != HeightKind::None;
    }
    /// "EPSG:5186", "the catalogue datum": the side in messages.
    const std::string &Label() const { return m_label; }

    /// PROJ's east-first order (longitude before latitude, easting before
    /// northing) swaps the first two.
    bool EastFirstSwaps() const { return m_bEastFirstSwaps; }
    /// The axis of each value as files hold them: the side's own order, or
    /// with @p eastFirst PROJ's east-first order. The height is third.
    std::array<int, 3> FileOrder(bool eastFirst) const;
    /// The first axis is one that GIS tools would call x: east (or a
    /// polar easting), so that a heading's x and y name the first two.
    bool XIsFirst() const;

    /// Angles in degrees (the notations DD, DM and DMS apply).
    bool DegreeAngles() const { return m_bDegrees; }
    /// Half a turn in the angles' unit: 180 degrees, 200 grads, pi.
    double HalfTurn() const { return m_dbHalfTurn; }
    /// An angle of the side in degrees.
    double ToDegrees(double angle) const {
        return m_bDegreeUnit ? angle : angle * m_dbPerDegree;
    }

    /// What a heading calls the value of axis @p i: "latitude",
    /// "northing", "westing", "X", "height", "egm96_height".
    std::string ValueName(int i) const;
    /// What a heading calls the values of the first two axes in file order,
    /// for messages: "latitude and longitude", "westing and southing".
    std::string PairName(bool eastFirst) const;
    /// Names a heading may give axis @p i (lower case): its own name and
    /// abbreviation, the usual names of latitude and longitude, the
    /// heights of its kind.
    const std::vector<std::string> &NamesOf(int i) const {
        return m_names[static_cast<std::size_t>(i)];
    }
    /// Names of axes the side does not have (of the other kind of values,
    /// or of other systems' grids): a heading with one contradicts it.
    const std::vector<std::string> &Misfits() const { return m_misfits; }
    /// What misfit @p name names, for messages: "easting and northing",
    /// "latitude and longitude".
    static std::string MisfitWhat(std::string_view name);
    /// Height names of the other kind than the side's (empty where any
    /// height is taken).
    const std::vector<std::string> &OtherHeights() const {
        return m_otherHeights;
    }
    /// What the side's height is, for messages: "an ellipsoidal height",
    /// "a gravity-related height (EGM96 height)".
    std::string HeightWhat() const;

  private:
    void Name();

    Kind m_kind = Kind::Angles;
    std::array<Axis, 3> m_axes;
    HeightKind m_height = HeightKind::Altitude;
    std::string m_verticalName;
    std::string m_label;
    bool m_bEastFirstSwaps = false;
    /// Worked out once, read for every point.
    bool m_bDegrees = false, m_bDegreeUnit = true;
    double m_dbHalfTurn = 180, m_dbPerDegree = 1;
    std::array<std::vector<std::string>, 3> m_names;
    std::vector<std::string> m_misfits;
    std::vector<std::string> m_otherHeights;
};
