// Whether a side's grid row holds the grid values of the point shown.
#include "GridRow.h"

GridDependence GridDependsOn(const Side &side) {
    GridDependence settings;
    if (const ProjSide *system = side.System()) {
        settings.system = system->Facts().definition;
        return settings;
    }
    const COORD &engine = side.Engine();
    settings.kind = engine.GetCoordSys();
    settings.constants = {
        engine.m_dbLocal_a, engine.m_dbLocal_f,  engine.m_dbScale,
        engine.m_dbOrgX,    engine.m_dbOrgY,     engine.m_dbOrgLat,
        engine.m_dbOrgLon,  engine.m_dbDeltaLat, engine.m_dbDeltaLon};
    return settings;
}

void ConvertedRows::Note(const Side &side, const PointTexts &geo,
                         const PointTexts &grid, const std::string &system) {
    m_rows = Rows{geo, grid, GridDependsOn(side), system};
}

std::optional<ConvertedRows::Source>
ConvertedRows::StaleSource(const Side &side, const PointTexts &geo,
                           const PointTexts &grid) const {
    // Numbers typed over the conversion's are the user's own, whatever
    // they stand for.
    if (!m_rows || m_rows->grid != grid)
        return std::nullopt;
    if (m_rows->geo == geo && m_rows->settings == GridDependsOn(side))
        return std::nullopt;
    return Source{m_rows->geo, m_rows->system};
}

void ConvertedRows::Check(const Side &side, const PointTexts &geo,
                          const PointTexts &grid) const {
    Commands::CheckHasGrid(side);
    if (!m_rows)
        throw GridRowError("the grid fields hold no grid values of the "
                           "side's point yet");
    const char *why = nullptr;
    if (m_rows->settings != GridDependsOn(side))
        why = "the side's datum or grid has changed since its last "
              "conversion";
    else if (m_rows->geo != geo)
        why = "the point has changed since its last conversion";
    else if (m_rows->grid != grid)
        why = "the grid fields have changed since the point's last "
              "conversion";
    if (why)
        throw GridRowError(
            std::string("the grid fields do not hold the point shown: ") + why);
}
