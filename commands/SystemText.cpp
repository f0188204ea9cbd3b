// The register's systems as people read them.
#include "SystemText.h"

#include "NumberText.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace {

/// A number of the register in the 15-digit format, with a decimal point.
std::string Number(double value) { return Code::FormatReal(value, '.'); }

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char &c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string MethodName(TransformationMethod method) {
    switch (method) {
    case TransformationMethod::GeocentricTranslations:
        return "geocentric translations";
    case TransformationMethod::PositionVector:
        return "Helmert, position vector";
    case TransformationMethod::CoordinateFrame:
        return "Helmert, coordinate frame";
    case TransformationMethod::MolodenskyBadekasCF:
        return "Molodensky-Badekas, coordinate frame";
    case TransformationMethod::MolodenskyBadekasPV:
        return "Molodensky-Badekas, position vector";
    }
    return {};
}

std::string OneTransformation(const Transformation &t) {
    return "EPSG:" + std::to_string(t.code) + " " + t.name + ", " +
           Number(t.accuracy) + " m";
}

std::string AreaText(const AreaOfUse &area) {
    auto latitude = [](double v) {
        return Number(std::fabs(v)) + (v < 0 ? " S" : " N");
    };
    auto longitude = [](double v) {
        return Number(std::fabs(v)) + (v < 0 ? " W" : " E");
    };
    std::string name = area.name;
    if (!name.empty() && name.back() == '.')
        name.pop_back();
    return name + ": " + latitude(area.south) + " to " + latitude(area.north) +
           ", " + longitude(area.west) + " to " + longitude(area.east);
}

} // namespace

std::string SystemLabel(const ReferenceSystem &system) {
    return system.name + " (EPSG:" + std::to_string(system.code) + ")";
}

std::string DatumLabel(const ReferenceSystem &system) {
    const ReferenceSystem *geographic = FindSystem(system.datum->geographic);
    const std::string name = geographic ? geographic->name : system.datum->name;
    return name + " (EPSG:" + std::to_string(system.datum->geographic) + ")";
}

std::string KindName(SystemKind kind) {
    switch (kind) {
    case SystemKind::Geographic2D:
        return "Geographic 2D";
    case SystemKind::Geographic3D:
        return "Geographic 3D";
    case SystemKind::Geocentric:
        return "Geocentric";
    case SystemKind::Projected:
        return "Projected";
    }
    return {};
}

std::string TransformationText(const ReferenceSystem &system) {
    const Datum &datum = *system.datum;
    if (datum.IsWgs84())
        return "none (WGS 84)";
    const Transformation *chosen = ChooseTransformation(datum, system.area);
    std::string text = OneTransformation(*chosen);
    if (datum.toWgs84.size() > 1)
        text += " (one of " + std::to_string(datum.toWgs84.size()) +
                ", chosen per point)";
    return text;
}

std::string SystemDetails(const ReferenceSystem &system) {
    const Datum &datum = *system.datum;
    std::string text = SystemLabel(system) + ", " + KindName(system.kind) + "\n";
    text += "Datum: " + datum.name + ", ellipsoid " + datum.ellipsoid +
            " (a " + Number(datum.a) + " m, 1/f " + Number(datum.invf) + ")\n";
    if (datum.IsWgs84()) {
        text += "To WGS 84: none, it is WGS 84\n";
    } else {
        for (const Transformation &t : datum.toWgs84)
            text += "To WGS 84: " + OneTransformation(t) + ", " +
                    MethodName(t.method) +
                    (t.IsNull() ? ", no change" : "") + "; " +
                    AreaText(t.area) + "\n";
        if (datum.toWgs84.size() > 1)
            text += "Each point takes the most accurate of these whose area "
                    "holds it.\n";
    }
    if (system.kind == SystemKind::Projected) {
        const ProjectionParameters &p = system.projection;
        text += "Transverse Mercator: origin " + Number(p.lat0) + ", " +
                Number(p.lon0) + ", scale " + Number(p.k0) +
                ", false easting " + Number(p.falseEasting) +
                " m, false northing " + Number(p.falseNorthing) + " m; " +
                (system.axisOrder == AxisOrder::NorthingFirst
                     ? "northing first"
                     : "easting first") +
                "\n";
    }
    text += "Area of use: " + AreaText(system.area);
    return text;
}

bool SystemMatches(const ReferenceSystem &system, std::string_view filter) {
    while (!filter.empty() && filter.front() == ' ')
        filter.remove_prefix(1);
    while (!filter.empty() && filter.back() == ' ')
        filter.remove_suffix(1);
    if (filter.empty())
        return true;
    std::string key = Lower(filter);
    if (key.rfind("epsg:", 0) == 0)
        key.erase(0, 5);
    if (key == std::to_string(system.code))
        return true;
    return Lower(system.name).find(key) != std::string::npos ||
           Lower(system.datum->name).find(key) != std::string::npos;
}

std::string ListSystems() {
    std::string table =
        "code\tname\tkind\taxes\tdatum\tto WGS 84\tarea of use\n";
    for (const ReferenceSystem &system : Systems()) {
        std::string axes;
        switch (system.kind) {
        case SystemKind::Geocentric:
            axes = "X, Y, Z";
            break;
        case SystemKind::Projected:
            axes = system.axisOrder == AxisOrder::NorthingFirst
                       ? "northing, easting"
                       : "easting, northing";
            break;
        default:
            axes = "latitude, longitude";
        }
        table += "EPSG:" + std::to_string(system.code) + "\t" + system.name +
                 "\t" + KindName(system.kind) + "\t" + axes + "\t" +
                 system.datum->name + "\t" + TransformationText(system) +
                 "\t" + AreaText(system.area) + "\n";
    }
    return table;
}
