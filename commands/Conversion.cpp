// The description of a conversion.
#include "Conversion.h"

int EngineCoordSys(GridKind kind) {
    switch (kind) {
    case GridKind::Tm:
        return CS_TM;
    case GridKind::G7:
        return CS_G7;
    case GridKind::Ecef:
        return CS_ECEF;
    case GridKind::Geographic:
    case GridKind::Utm:
        break;
    }
    return CS_UTM;
}

GridKind GridKindOf(int coordSys) {
    switch (coordSys) {
    case CS_TM:
        return GridKind::Tm;
    case CS_G7:
        return GridKind::G7;
    case CS_ECEF:
        return GridKind::Ecef;
    default:
        return GridKind::Utm;
    }
}

const char *GridKindName(GridKind kind) {
    switch (kind) {
    case GridKind::Utm:
        return "utm";
    case GridKind::Tm:
        return "tm";
    case GridKind::G7:
        return "g7";
    case GridKind::Ecef:
        return "ecef";
    case GridKind::Geographic:
        break;
    }
    return "geo";
}

namespace {

/// Grid settings belong to a grid with a projection origin: the first one
/// given on a side of another kind is refused.
void CheckGridSettings(const ConversionSide &side, FaultSide faultSide) {
    const CatalogueSide *catalogue = side.Catalogue();
    if (!catalogue)
        return;
    const GridSettings &grid = catalogue->grid;
    if (!grid.Any() || HasOrigin(catalogue->kind))
        return;
    const FaultField field = grid.falseEasting    ? FaultField::FalseEasting
                             : grid.falseNorthing ? FaultField::FalseNorthing
                             : grid.originLat     ? FaultField::OriginLat
                             : grid.originLon     ? FaultField::OriginLon
                             : grid.deltaLon      ? FaultField::DeltaLon
                                                  : FaultField::System;
    throw SetupError({faultSide, field,
                      std::string("grid settings need a grid kind utm, tm or "
                                  "g7, not ") +
                          GridKindName(catalogue->kind)});
}

} // namespace

void CheckConversion(const Conversion &conversion) {
    CheckGridSettings(conversion.from, FaultSide::From);
    CheckGridSettings(conversion.to, FaultSide::To);
}
