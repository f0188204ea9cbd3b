// The axes of a side.
#include "Axes.h"

#include "TextParts.h"

#include <algorithm>
#include <cmath>
#include <numbers>

const std::vector<std::string> ELLIPSOIDAL_HEIGHT_NAMES = {
    "h", "height", "ellipsoidal_height", "ellh"};
const std::vector<std::string> GRAVITY_HEIGHT_NAMES = {
    "elevation", "elev", "orthometric_height", "alt", "altitude"};

namespace {

const std::vector<std::string> LATITUDE_NAMES = {"lat", "latitude", "위도",
                                                 "緯度"};
const std::vector<std::string> LONGITUDE_NAMES = {
    "lon", "long", "lng", "longitude", "경도", "経度"};

/// The grid words and their usual short forms, by the word of an axis's
/// name.
struct GridWord {
    const char *word;
    std::vector<std::string> names;
};
const GridWord GRID_WORDS[] = {
    {"easting", {"easting", "e", "east"}},
    {"northing", {"northing", "n", "north"}},
    {"westing", {"westing", "west"}},
    {"southing", {"southing", "south"}},
};

void Add(std::vector<std::string> &names, std::string_view name) {
    std::string lower = LowerAscii(TrimBlanks(name));
    if (!lower.empty() &&
        std::find(names.begin(), names.end(), lower) == names.end())
        names.push_back(std::move(lower));
}

void AddAll(std::vector<std::string> &names,
            const std::vector<std::string> &more) {
    for (const std::string &name : more)
        Add(names, name);
}

bool Among(const std::vector<std::string> &names, std::string_view name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

/// A name as a heading writes it: lower case, blanks as '_'.
std::string HeadingWord(std::string_view name) {
    std::string out = LowerAscii(TrimBlanks(name));
    std::replace(out.begin(), out.end(), ' ', '_');
    std::replace(out.begin(), out.end(), '\t', '_');
    return out;
}

Axis Made(const char *name, const char *abbreviation, const char *direction,
          const char *unit, double factor, AxisRole role) {
    return {name, abbreviation, direction, unit, factor, role};
}

constexpr double DEGREE = std::numbers::pi / 180;

} // namespace

SideAxes SideAxes::Catalogue(GridKind kind) {
    SideAxes axes;
    axes.m_label = "the catalogue datum";
    axes.m_height = HeightKind::Altitude;
    switch (kind) {
    case GridKind::Geographic:
        axes.m_kind = Kind::Angles;
        axes.m_axes = {
            Made("Latitude", "Lat", "north", "degree", DEGREE,
                 AxisRole::Latitude),
            Made("Longitude", "Lon", "east", "degree", DEGREE,
                 AxisRole::Longitude),
            Made("Height", "h", "up", "metre", 1, AxisRole::Height)};
        axes.m_bEastFirstSwaps = true;
        break;
    case GridKind::Ecef:
        axes.m_kind = Kind::Geocentric;
        axes.m_height = HeightKind::Geocentric;
        axes.m_axes = {Made("Geocentric X", "X", "geocentricX", "metre", 1,
                            AxisRole::GeocentricX),
                       Made("Geocentric Y", "Y", "geocentricY", "metre", 1,
                            AxisRole::GeocentricY),
                       Made("Geocentric Z", "Z", "geocentricZ", "metre", 1,
                            AxisRole::GeocentricZ)};
        break;
    case GridKind::Utm:
    case GridKind::Tm:
    case GridKind::G7:
        axes.m_kind = Kind::Grid;
        axes.m_axes = {
            Made("Easting", "E", "east", "metre", 1, AxisRole::Easting),
            Made("Northing", "N", "north", "metre", 1, AxisRole::Northing),
            Made("Height", "Z", "up", "metre", 1, AxisRole::Height)};
        break;
    }
    axes.Name();
    return axes;
}

SideAxes SideAxes::System(const CrsFacts &facts) {
    SideAxes axes;
    axes.m_label = facts.id.empty() ? facts.name : facts.id;
    axes.m_verticalName = facts.verticalName;
    axes.m_bEastFirstSwaps = facts.eastFirstSwaps;
    const auto from = [&facts](std::size_t i, AxisRole role) {
        const CrsAxis &a = facts.axes[i];
        return Axis{a.name, a.abbreviation, a.direction, a.unit, a.factor, role};
    };
    if (facts.horizontal == CrsKind::Geocentric) {
        axes.m_kind = Kind::Geocentric;
        axes.m_height = HeightKind::Geocentric;
        const AxisRole roles[] = {AxisRole::GeocentricX, AxisRole::GeocentricY,
                                  AxisRole::GeocentricZ};
        for (std::size_t i = 0; i < 3 && i < facts.axes.size(); ++i)
            axes.m_axes[i] = from(i, roles[i]);
    } else {
        const bool angles = facts.Angular();
        axes.m_kind = angles ? Kind::Angles : Kind::Grid;
        // Which of the first two runs across the meridians: the one PROJ
        // puts first in its east-first order.
        const std::size_t across = facts.eastFirstSwaps ? 1 : 0;
        for (std::size_t i = 0; i < 2 && i < facts.axes.size(); ++i) {
            const bool isAcross = i == across;
            axes.m_axes[i] = from(
                i, angles ? (isAcross ? AxisRole::Longitude : AxisRole::Latitude)
                          : (isAcross ? AxisRole::Easting : AxisRole::Northing));
        }
        if (facts.axes.size() >= 3) {
            axes.m_axes[2] = from(2, AxisRole::Height);
            axes.m_height = facts.verticalName.empty()
                                ? HeightKind::Ellipsoidal
                                : HeightKind::GravityRelated;
        } else {
            axes.m_axes[2] =
                Made("Height", "h", "up", "metre", 1, AxisRole::Height);
            axes.m_height = HeightKind::None;
        }
    }
    axes.Name();
    return axes;
}

SideAxes SideAxes::Of(const ConversionSide &side) {
    if (const CatalogueSide *catalogue = side.Catalogue())
        return Catalogue(catalogue->kind);
    const ProjCrs crs(side.System()->definition);
    return System(crs.Facts());
}

int SideAxes::IndexOf(AxisRole role) const {
    for (int i = 0; i < 3; ++i)
        if (m_axes[static_cast<std::size_t>(i)].role == role)
            return i;
    return -1;
}

std::array<int, 3> SideAxes::FileOrder(bool eastFirst) const {
    if (eastFirst && m_bEastFirstSwaps)
        return {1, 0, 2};
    return {0, 1, 2};
}

bool SideAxes::XIsFirst() const {
    const Axis &first = m_axes[0];
    return (first.role == AxisRole::Easting ||
            first.role == AxisRole::Longitude) &&
           first.direction != "west";
}

std::string SideAxes::ValueName(int i) const {
    const Axis &axis = (*this)[i];
    switch (axis.role) {
    case AxisRole::Latitude:
        return "latitude";
    case AxisRole::Longitude:
        return "longitude";
    case AxisRole::GeocentricX:
        return "X";
    case AxisRole::GeocentricY:
        return "Y";
    case AxisRole::GeocentricZ:
        return "Z";
    case AxisRole::Easting:
    case AxisRole::Northing: {
        const std::string word = HeadingWord(axis.name);
        if (!word.empty())
            return word;
        return axis.role == AxisRole::Easting ? "easting" : "northing";
    }
    case AxisRole::Height:
        break;
    }
    if (m_height == HeightKind::GravityRelated && !m_verticalName.empty())
        return HeadingWord(m_verticalName);
    return "height";
}

std::string SideAxes::PairName(bool eastFirst) const {
    const std::array<int, 3> order = FileOrder(eastFirst);
    return ValueName(order[0]) + " and " + ValueName(order[1]);
}

std::string SideAxes::HeightWhat() const {
    switch (m_height) {
    case HeightKind::None:
        return "no height";
    case HeightKind::Altitude:
        return "an altitude";
    case HeightKind::Ellipsoidal:
        return "an ellipsoidal height";
    case HeightKind::GravityRelated:
        return "a gravity-related height (" + m_verticalName + ")";
    case HeightKind::Geocentric:
        return "Z";
    }
    return {};
}

std::string SideAxes::MisfitWhat(std::string_view name) {
    if (Among(LATITUDE_NAMES, name) || Among(LONGITUDE_NAMES, name))
        return "latitude and longitude";
    if (Among(GRID_WORDS[2].names, name) || Among(GRID_WORDS[3].names, name))
        return "westing and southing";
    if (name == "x" || name == "y" || name == "z" ||
        name.rfind("geocentric", 0) == 0)
        return "X, Y and Z";
    return "easting and northing";
}

void SideAxes::Name() {
    m_bDegreeUnit = m_axes[0].unit == "degree";
    m_dbPerDegree = m_axes[0].factor / DEGREE;
    m_bDegrees = m_kind == Kind::Angles && m_bDegreeUnit &&
                 m_axes[1].unit == "degree";
    const int lon = std::max(IndexOf(AxisRole::Longitude), 0);
    const Axis &turning = m_axes[static_cast<std::size_t>(lon)];
    m_dbHalfTurn = turning.unit == "degree" ? 180
                   : turning.unit == "grad" ? 200
                                            : std::numbers::pi / turning.factor;

    for (std::size_t i = 0; i < 3; ++i) {
        const Axis &axis = m_axes[i];
        std::vector<std::string> &names = m_names[i];
        names.clear();
        switch (axis.role) {
        case AxisRole::Latitude:
            AddAll(names, LATITUDE_NAMES);
            break;
        case AxisRole::Longitude:
            AddAll(names, LONGITUDE_NAMES);
            break;
        case AxisRole::Easting:
        case AxisRole::Northing: {
            const std::string word = LowerAscii(TrimBlanks(axis.name));
            for (const GridWord &grid : GRID_WORDS)
                if (word == grid.word)
                    AddAll(names, grid.names);
            break;
        }
        case AxisRole::GeocentricX:
            AddAll(names, {"x", "geocentric x", "geocentric_x"});
            break;
        case AxisRole::GeocentricY:
            AddAll(names, {"y", "geocentric y", "geocentric_y"});
            break;
        case AxisRole::GeocentricZ:
            AddAll(names, {"z", "geocentric z", "geocentric_z"});
            break;
        case AxisRole::Height:
            switch (m_height) {
            case HeightKind::None:
            case HeightKind::Altitude:
                AddAll(names, ELLIPSOIDAL_HEIGHT_NAMES);
                AddAll(names, GRAVITY_HEIGHT_NAMES);
                Add(names, "z");
                break;
            case HeightKind::Ellipsoidal:
                AddAll(names, ELLIPSOIDAL_HEIGHT_NAMES);
                Add(names, "ellipsoidal height");
                break;
            case HeightKind::GravityRelated:
                AddAll(names, GRAVITY_HEIGHT_NAMES);
                Add(names, HeadingWord(m_verticalName));
                Add(names, "gravity-related height");
                Add(names, "gravity-related_height");
                break;
            case HeightKind::Geocentric:
                break;
            }
            continue; // a height's own name and abbreviation ("h", "H")
                      // say nothing beyond its kind
        }
        // The axis's own name and abbreviation; a bare x or y only where
        // it is the side's first or second axis as GIS tools write them.
        Add(names, axis.name);
        const std::string abbreviation = LowerAscii(axis.abbreviation);
        if (abbreviation != "x" && abbreviation != "y" && abbreviation != "z")
            Add(names, abbreviation);
        Add(names, HeadingWord(axis.name));
    }
    if (m_kind != Kind::Geocentric && XIsFirst()) {
        Add(m_names[0], "x");
        Add(m_names[1], "y");
    }

    m_otherHeights.clear();
    if (m_height == HeightKind::Ellipsoidal)
        m_otherHeights = GRAVITY_HEIGHT_NAMES;
    else if (m_height == HeightKind::GravityRelated)
        m_otherHeights = ELLIPSOIDAL_HEIGHT_NAMES;

    // Every axis name a heading may use that is not this side's.
    std::vector<std::string> known;
    AddAll(known, LATITUDE_NAMES);
    AddAll(known, LONGITUDE_NAMES);
    for (const GridWord &grid : GRID_WORDS)
        AddAll(known, grid.names);
    if (m_kind != Kind::Geocentric)
        AddAll(known, {"geocentric x", "geocentric y", "geocentric z"});
    m_misfits.clear();
    for (const std::string &name : known)
        if (!Among(m_names[0], name) && !Among(m_names[1], name) &&
            !Among(m_names[2], name))
            m_misfits.push_back(name);
}
