// One conversion, as every front end describes it: the two sides (a
// catalogue datum with its grid, or a system that PROJ knows), the options
// that decide which operations may be used and how, and the faults of a
// description that cannot be set up, as data. The command line, the window
// and the Python module each build one; each words its faults itself.
#pragma once

#include "Commands.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <variant>

/// What the values of a catalogue side are: geographic on its datum, or one
/// of its grids. The engine keeps its own CS_* constants for the grids;
/// this is the description's.
enum class GridKind { Geographic, Utm, Tm, G7, Ecef };

/// The engine's grid kind (CS_UTM to CS_ECEF) of a grid; CS_UTM, the
/// engine's start-up kind, for Geographic.
int EngineCoordSys(GridKind kind);
/// The grid kind of the engine's CS_* constant.
GridKind GridKindOf(int coordSys);
/// A Transverse Mercator grid with its projection-origin dialog (UTM, TM,
/// G7; not ECEF).
constexpr bool HasOrigin(GridKind kind) {
    return kind == GridKind::Utm || kind == GridKind::Tm ||
           kind == GridKind::G7;
}
/// "geo", "utm", "tm", "g7", "ecef": the kind's short name, as a side's
/// text writes it after its datum ("WGS84:utm").
const char *GridKindName(GridKind kind);

/// What a side's projection-origin dialog fields hold. An empty field is
/// filled from the engine, as the dialog shows it before the user types.
struct GridSettings {
    std::optional<std::string> falseEasting;  ///< "X(East)", metres
    std::optional<std::string> falseNorthing; ///< "Y(North)", metres
    std::optional<std::string> originLat;     ///< "Latitude", degrees
    std::optional<std::string> originLon;     ///< "Longitude", degrees
    std::optional<std::string> deltaLon;      ///< "Delta Lon", degrees
    /// Each point's own longitude as the origin longitude (UTM only).
    bool autoZone = false;

    /// True when the dialog would be confirmed at all.
    bool Any() const {
        return falseEasting || falseNorthing || originLat || originLon ||
               deltaLon || autoZone;
    }
};

/// A side on the catalogue: its datum, its grid kind and grid settings, or
/// a window's side copied whole.
struct CatalogueSide {
    std::int32_t datum = DATUM_WGS84;
    GridKind kind = GridKind::Geographic;
    GridSettings grid;
    /// A side as it stands in the window: its engine, copied whole (datum,
    /// catalogue with its user rows, grid kind and constants). When set it
    /// takes the place of datum, grid and the user rows; kind still says
    /// whether the side's values are geographic or its grid's.
    std::shared_ptr<const COORD> engine = nullptr;
};

/// A side on a system that PROJ knows, as given ("EPSG:5186",
/// "EPSG:4326+5773", a PROJ string, WKT). Its values are the system's own,
/// in its axis order and units.
struct SystemSide {
    std::string definition;
};

/// One side of a conversion: on the catalogue or on a PROJ system.
class ConversionSide {
  public:
    ConversionSide() = default;
    ConversionSide(CatalogueSide side) : m_side(std::move(side)) {}
    ConversionSide(SystemSide side) : m_side(std::move(side)) {}

    /// A catalogue datum with a grid kind and no settings.
    static ConversionSide OnDatum(std::int32_t datum,
                                  GridKind kind = GridKind::Geographic) {
        return CatalogueSide{datum, kind, {}, nullptr};
    }
    static ConversionSide OnSystem(std::string definition) {
        return SystemSide{std::move(definition)};
    }

    bool IsSystem() const { return std::holds_alternative<SystemSide>(m_side); }
    const CatalogueSide *Catalogue() const {
        return std::get_if<CatalogueSide>(&m_side);
    }
    CatalogueSide *Catalogue() { return std::get_if<CatalogueSide>(&m_side); }
    const SystemSide *System() const {
        return std::get_if<SystemSide>(&m_side);
    }
    /// A catalogue side's grid kind; Geographic for a system.
    GridKind Kind() const {
        return Catalogue() ? Catalogue()->kind : GridKind::Geographic;
    }

  private:
    std::variant<CatalogueSide, SystemSide> m_side;
};

/// What a point outside the area of use of the operation used becomes:
/// converted and counted, or an error of its line.
enum class OutsidePolicy { Warn, Error };

/// How a conversion may use its operations, and what it keeps.
struct ConversionOptions {
    std::optional<UserEllipsoid> userEllipsoid;
    std::optional<UserDatum> userDatum;
    /// PROJ may use a ballpark operation (no published transformation)
    /// where it has no other.
    bool allowBallpark = false;
    OutsidePolicy outsideArea = OutsidePolicy::Warn;
    /// A point where PROJ knows a more accurate operation whose grid is not
    /// installed is an error of its point.
    bool requireBest = false;
    /// The engines append their calculation traces to files.
    bool trace = false;
};

/// Everything that sets up a conversion of points from one side to the
/// other.
struct Conversion {
    ConversionSide from;
    ConversionSide to;
    ConversionOptions options;
};

/// Which part of a description a fault lies in. Each front end names the
/// part in its own words: the command line by its options, the Python
/// module by its keywords, the window by its fields.
enum class FaultSide { None, From, To };
enum class FaultField {
    None,          ///< no part in particular
    System,        ///< the side itself: its datum or system
    FalseEasting,  ///< a projection-origin setting
    FalseNorthing,
    OriginLat,
    OriginLon,
    DeltaLon,
    UserEllipsoid,
    UserDatum,
    Operation, ///< the operation between the two sides
};

/// What a front end could change to mend a fault, for it to word.
enum class FaultAdvice {
    None,
    AllowBallpark, ///< a ballpark operation may be allowed
    ListSystems,   ///< the systems PROJ knows can be listed
    ListDatums,    ///< the catalogue's datums can be listed
    ListEllipsoids,
};

/// A description that cannot be set up: where, and why in words that name
/// no front end's controls.
struct SetupFault {
    FaultSide side = FaultSide::None;
    FaultField field = FaultField::System;
    std::string reason;
    FaultAdvice advice = FaultAdvice::None;
};

/// The engines or PROJ's operation cannot be set up as described. what() is
/// the reason alone.
class SetupError : public std::runtime_error {
  public:
    explicit SetupError(SetupFault fault)
        : std::runtime_error(fault.reason), m_fault(std::move(fault)) {}
    const SetupFault &Fault() const { return m_fault; }

  private:
    SetupFault m_fault;
};

/// Refuses what no setup could take: grid settings on a side without a
/// projection origin (geographic, ECEF). The rest shows when the engines
/// and PROJ's operation are set up.
/// @throws SetupError.
void CheckConversion(const Conversion &conversion);
