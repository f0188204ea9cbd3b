// The commands on one point, shared by the window and nolvex-convert.
#include "Commands.h"

namespace {

/// Text @p index of those handed over, read as a real.
double ReadField(const std::string &text, int index) {
    try {
        return Code::ParseReal(text);
    } catch (const Code::ConversionError &e) {
        throw FieldError(e, index);
    }
}

PointTexts Written(const PointValues &values) {
    return {Code::FormatReal(values[0]), Code::FormatReal(values[1]),
            Code::FormatReal(values[2])};
}

} // namespace

namespace Commands {

PointValues ReadPoint(const PointTexts &texts) {
    return {ReadField(texts[0], 0), ReadField(texts[1], 1),
            ReadField(texts[2], 2)};
}

PointValues Transform(const Side &from, const Side &to,
                      const PointValues &geo) {
    const COORD &engineFrom = from.Engine();
    const COORD &engineTo = to.Engine();
    if (engineFrom.GetDatum() == engineTo.GetDatum())
        return geo; // the same datum: a copy, no engine runs
    PointValues wgs = geo;
    if (engineFrom.GetDatum() != DATUM_WGS84)
        engineFrom.TransLocal2Wgs(geo[0], geo[1], geo[2], wgs[0], wgs[1],
                                  wgs[2]);
    PointValues out = wgs;
    if (engineTo.GetDatum() != DATUM_WGS84)
        engineTo.TransWgs2Local(wgs[0], wgs[1], wgs[2], out[0], out[1],
                                out[2]);
    return out;
}

PointValues GeoToGrid(const Side &side, const PointValues &geo) {
    const COORD &engine = side.Engine();
    PointValues grid{0, 0, geo[2]};
    if (engine.GetCoordSys() == CS_ECEF)
        engine.ConvGeo2Ecef(geo[0], geo[1], geo[2], grid[0], grid[1], grid[2]);
    else
        engine.ConvGeo2Grid(geo[0], geo[1], grid[0], grid[1]);
    return grid;
}

PointValues GridToGeo(const Side &side, const PointValues &grid) {
    const COORD &engine = side.Engine();
    PointValues geo{0, 0, grid[2]};
    if (engine.GetCoordSys() == CS_ECEF)
        engine.ConvEcef2Geo(geo[0], geo[1], geo[2], grid[0], grid[1], grid[2]);
    else
        engine.ConvGrid2Geo(geo[0], geo[1], grid[0], grid[1]);
    return geo;
}

PointTexts Transform(const Side &from, const Side &to, const PointTexts &geo) {
    return Written(Transform(from, to, ReadPoint(geo)));
}

PointTexts GeoToGrid(const Side &side, const PointTexts &geo) {
    return Written(GeoToGrid(side, ReadPoint(geo)));
}

PointTexts GridToGeo(const Side &side, const PointTexts &grid) {
    return Written(GridToGeo(side, ReadPoint(grid)));
}

OriginTexts ShownOrigin(const Side &side) {
    const COORD &engine = side.Engine();
    double x = 0, y = 0, dlat = 0, dlon = 0, lat = 0, lon = 0;
    engine.GetOrigin(x, y);
    engine.GetDelta(dlat, dlon);
    engine.GetOrgLatLon(lat, lon);
    return {Code::FormatReal(x), Code::FormatReal(y), Code::FormatReal(lat),
            Code::FormatReal(lon), Code::FormatReal(dlon)};
}

void ApplyOrigin(Side &side, const OriginTexts &origin) {
    const double x = ReadField(origin.x, 0);
    const double y = ReadField(origin.y, 1);
    const double lat = ReadField(origin.lat, 2);
    const double lon = ReadField(origin.lon, 3);
    const double dlon = ReadField(origin.dlon, 4);
    // The latitude delta has no field and stays as it is.
    COORD &engine = side.Engine();
    double dlat = 0, dlonInForce = 0;
    engine.GetDelta(dlat, dlonInForce);
    engine.SetOrigin(x, y);
    engine.SetDelta(dlat, dlon);
    engine.SetOrgLatLon(lat, lon);
}

void ApplyDatum(Side &side, std::int32_t nDatum) {
    side.Engine().SetDatum(nDatum);
}

void ApplyGridKind(Side &side, int nCoordSys) {
    side.Engine().SetCoordSys(nCoordSys);
}

} // namespace Commands
