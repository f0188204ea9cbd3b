// The commands on one point, shared by the window and nolvex-convert.
#include "Commands.h"

#include <string>

namespace {

PointValues Values(const ProjSide::Values &values) {
    return {values[0], values[1], values[2]};
}

ProjSide::Values ProjValues(const PointValues &values) {
    return {values[0], values[1], values[2]};
}

/// The geodetic point on WGS 84 to a side's datum.
PointValues Wgs84ToSide(const Side &side, const PointValues &wgs) {
    PointValues out = wgs;
    if (side.System())
        out = Values(side.System()->FromWgs84(ProjValues(wgs)));
    else if (side.Engine().GetDatum() != DATUM_WGS84)
        side.Engine().TransWgs2Local(wgs[0], wgs[1], wgs[2], out[0], out[1],
                                     out[2]);
    return out;
}

/// Text @p index of those handed over, read as a real.
double ReadField(const std::string &text, int index,
                 char separator = Code::GetDecimalSeparator()) {
    try {
        return Code::ParseReal(text, separator);
    } catch (const Code::ConversionError &e) {
        throw FieldError(e, index);
    }
}

PointTexts Written(const PointValues &values) {
    return {Code::FormatReal(values[0]), Code::FormatReal(values[1]),
            Code::FormatReal(values[2])};
}

} // namespace

bool SameDatum(const Side &a, const Side &b) {
    return !a.System() && !b.System() &&
           a.Engine().GetDatum() == b.Engine().GetDatum();
}

namespace Commands {

PointValues ReadPoint(const PointTexts &texts) {
    return {ReadField(texts[0], 0), ReadField(texts[1], 1),
            ReadField(texts[2], 2)};
}

PointValues ToWgs84(const Side &side, const PointValues &geo) {
    PointValues wgs = geo;
    if (side.System())
        wgs = Values(side.System()->ToWgs84(ProjValues(geo)));
    else if (side.Engine().GetDatum() != DATUM_WGS84)
        side.Engine().TransLocal2Wgs(geo[0], geo[1], geo[2], wgs[0], wgs[1],
                                     wgs[2]);
    return wgs;
}

PointValues FromWgs84(const Side &side, const PointValues &wgs) {
    return Wgs84ToSide(side, wgs);
}

PointValues Transform(const Side &from, const Side &to,
                      const PointValues &geo) {
    if (SameDatum(from, to))
        return geo; // a copy, no engine runs
    if (from.System() && to.System())
        return Values(from.System()->To(*to.System(), ProjValues(geo)));
    return Wgs84ToSide(to, ToWgs84(from, geo));
}

void CheckHasGrid(const Side &side) {
    const ProjSide *system = side.System();
    if (system && !system->HasGrid())
        throw PointError(system->Facts().Label() +
                         " is a geographic system: it has no grid "
                         "coordinates");
}

PointValues GeoToGrid(const Side &side, const PointValues &geo) {
    if (side.System()) {
        CheckHasGrid(side);
        return Values(side.System()->GeoToGrid(ProjValues(geo)));
    }
    const COORD &engine = side.Engine();
    PointValues grid{0, 0, geo[2]};
    if (engine.GetCoordSys() == CS_ECEF)
        engine.ConvGeo2Ecef(geo[0], geo[1], geo[2], grid[0], grid[1], grid[2]);
    else
        engine.ConvGeo2Grid(geo[0], geo[1], grid[0], grid[1]);
    return grid;
}

PointValues GridToGeo(const Side &side, const PointValues &grid) {
    if (side.System()) {
        CheckHasGrid(side);
        return Values(side.System()->GridToGeo(ProjValues(grid)));
    }
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

OriginTexts ShownOrigin(const Side &side, char separator) {
    const COORD &engine = side.Engine();
    double x = 0, y = 0, dlat = 0, dlon = 0, lat = 0, lon = 0;
    engine.GetOrigin(x, y);
    engine.GetDelta(dlat, dlon);
    engine.GetOrgLatLon(lat, lon);
    return {Code::FormatReal(x, separator), Code::FormatReal(y, separator),
            Code::FormatReal(lat, separator), Code::FormatReal(lon, separator),
            Code::FormatReal(dlon, separator)};
}

void ApplyOrigin(Side &side, const OriginTexts &origin, char separator) {
    const double x = ReadField(origin.x, 0, separator);
    const double y = ReadField(origin.y, 1, separator);
    const double lat = ReadField(origin.lat, 2, separator);
    const double lon = ReadField(origin.lon, 3, separator);
    const double dlon = ReadField(origin.dlon, 4, separator);
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
    side.SelectSystem(nullptr);
}

void ApplyGridKind(Side &side, int nCoordSys) {
    side.Engine().SetCoordSys(nCoordSys);
}

void ApplyUserRows(Side &side1, Side &side2,
                   const std::optional<UserEllipsoid> &ellipsoid,
                   const std::optional<UserDatum> &datum) {
    // Checked before anything is stored: a datum row naming no ellipsoid
    // would have a later SetDatum read outside the table.
    if (datum && (datum->ellipsoid < 0 || datum->ellipsoid >= ELLIPSOID_COUNT))
        throw std::out_of_range("the user datum's ellipsoid " +
                                std::to_string(datum->ellipsoid) +
                                " is not in the catalogue");
    // Nothing below can fail: each row goes into both engines or neither.
    for (Side *side : {&side1, &side2}) {
        COORD &engine = side->Engine();
        if (ellipsoid)
            engine.SetUserEllipsoid(ellipsoid->name.c_str(), ellipsoid->a,
                                    ellipsoid->invf);
        if (datum)
            engine.SetUserDatum(datum->name.c_str(), datum->ellipsoid,
                                datum->dx, datum->dy, datum->dz);
    }
}

} // namespace Commands
