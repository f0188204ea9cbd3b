// Every system of the register against PROJ: a grid of points inside its area
// of use through cs2cs with the same EPSG codes, from WGS 84 and back; pairs of
// systems on different datums; the Seoul City Hall example.
#include "Register.h"

#include "Chain.h"

#include "ProjTools.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iostream>
#include <string>
#include <vector>

namespace {

constexpr double DEGREE_TOLERANCE = 1e-9; // geographic results
constexpr double MM = 0.001;              // heights, grids, ECEF


/// Points of a system's area of use, WGS 84 latitude, longitude and height:
/// an n x n grid inset from the edges (so that the few hundred metres between
/// a local datum and WGS 84 cannot carry a point out), with varied heights.
std::vector<Coordinates> GridPoints(const AreaOfUse &area, int n) {
    static const double heights[] = {0.0, 250.0, -30.0, 1200.0, 45.5};
    const double insetLat = std::max(0.02 * (area.north - area.south), 0.01);
    const double insetLon = std::max(0.02 * (area.east - area.west), 0.01);
    const double south = area.south + insetLat, north = area.north - insetLat;
    const double west = area.west + insetLon, east = area.east - insetLon;
    std::vector<Coordinates> points;
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            points.push_back({south + (north - south) * i / (n - 1),
                              west + (east - west) * j / (n - 1),
                              heights[(i * n + j) % 5]});
    return points;
}

/// Extra points where the choice of transformation matters: Tokyo's datum
/// has a 4 m transformation for the box of South Korea (which also holds
/// northern Kyushu) and a 9 m one for all of Japan.
std::vector<Coordinates> ExtraPoints(std::int32_t code) {
    if (code != 4301)
        return {};
    return {{37.5665, 126.978, 38.0}, {35.1796, 129.0756, 5.0},
            {33.59, 130.40, 10.0},    {35.68, 139.76, 40.0},
            {43.06, 141.35, 20.0},    {26.21, 127.68, 3.0},
            {38.50, 130.80, 0.0},     {33.00, 131.00, 120.0}};
}

/// Coordinates in EPSG's axis order, as the tools read and write them.
std::string ToolText(const ReferenceSystem &system, const Coordinates &c) {
    const bool swap = system.kind == SystemKind::Projected &&
                      system.axisOrder == AxisOrder::NorthingFirst;
    return swap ? Exact(c[1]) + " " + Exact(c[0]) + " " + Exact(c[2])
                : Exact(c[0]) + " " + Exact(c[1]) + " " + Exact(c[2]);
}

Coordinates FromTool(const ReferenceSystem &system,
                     const std::vector<double> &row) {
    if (row.size() < 3)
        return {NAN, NAN, NAN};
    const bool swap = system.kind == SystemKind::Projected &&
                      system.axisOrder == AxisOrder::NorthingFirst;
    return swap ? Coordinates{row[1], row[0], row[2]}
                : Coordinates{row[0], row[1], row[2]};
}

std::vector<Coordinates> Cs2cs(const ReferenceSystem &from,
                               const ReferenceSystem &to,
                               const std::vector<Coordinates> &points) {
    std::vector<std::string> lines;
    for (const Coordinates &p : points)
        lines.push_back(ToolText(from, p));
    const auto rows =
        RunTool(Tool::Cs2cs,
                {"-f", "%.12f", "EPSG:" + std::to_string(from.code),
                 "EPSG:" + std::to_string(to.code)},
                lines);
    std::vector<Coordinates> out;
    for (const auto &row : rows)
        out.push_back(FromTool(to, row));
    return out;
}

/// The largest differences met, for the record.
struct Worst {
    double metres = 0;  ///< grid, ECEF, height or ground distance
    double degrees = 0; ///< latitude and longitude
};

/// Compares @p ours with @p proj as coordinates of @p system. Latitude and
/// longitude within 1e-9 degrees, unless @p groundTolerance is given: then
/// (for a result of the inverse series) as a distance on the ground.
void ExpectClose(const ReferenceSystem &system, const Coordinates &ours,
                 const Coordinates &proj, Worst &worst,
                 double groundTolerance = 0) {
    switch (system.kind) {
    case SystemKind::Geographic2D:
    case SystemKind::Geographic3D: {
        if (groundTolerance == 0) {
            EXPECT_NEAR(ours[0], proj[0], DEGREE_TOLERANCE);
            EXPECT_NEAR(ours[1], proj[1], DEGREE_TOLERANCE);
            groundTolerance = MM;
        }
        EXPECT_NEAR(ours[2], proj[2], MM);
        EXPECT_LE(GroundDistance(ours[0], ours[1], proj[0], proj[1]),
                  groundTolerance);
        worst.degrees = std::max({worst.degrees, std::fabs(ours[0] - proj[0]),
                                  std::fabs(ours[1] - proj[1])});
        worst.metres =
            std::max({worst.metres, std::fabs(ours[2] - proj[2]),
                      GroundDistance(ours[0], ours[1], proj[0], proj[1])});
        break;
    }
    default:
        for (int i = 0; i < 3; ++i) {
            EXPECT_NEAR(ours[i], proj[i], MM) << "coordinate " << i;
            worst.metres = std::max(worst.metres, std::fabs(ours[i] - proj[i]));
        }
        break;
    }
}

// ---- every row -------------------------------------------------------------

class RegisterAgainstProj : public testing::TestWithParam<std::int32_t> {};

// From WGS 84 into the system and back, each direction on the same points as
// cs2cs: forward from a grid of WGS 84 points, back from PROJ's forward
// results. 3D systems are reached from WGS 84 3D (EPSG:4979), the others from
// EPSG:4326.
TEST_P(RegisterAgainstProj, ForwardAndBackAgreeInsideTheAreaOfUse) {
    const ReferenceSystem &system = *FindSystem(GetParam());
    const bool threeD = system.kind == SystemKind::Geocentric ||
                        system.kind == SystemKind::Geographic3D;
    const ReferenceSystem &wgs84 = *FindSystem(threeD ? 4979 : 4326);

    std::vector<Coordinates> points =
        GridPoints(system.area, system.code == 5179 ? 9 : 5);
    if (system.kind == SystemKind::Geocentric)
        for (Coordinates &p : points) { // up to the poles, to 10 km up
            p[0] = std::clamp(p[0], -89.9, 89.9);
            p[2] = p[2] * 8.0;
        }
    for (const Coordinates &p : ExtraPoints(system.code))
        points.push_back(p);

    const Conversion forward(wgs84, system);
    const Conversion back(system, wgs84);
    const SystemEngine engine(system);
    const std::vector<Coordinates> projForward = Cs2cs(wgs84, system, points);
    const std::vector<Coordinates> projBack = Cs2cs(system, wgs84, projForward);

    Worst worstForward, worstBack;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const Coordinates &p = points[i];
        SCOPED_TRACE(testing::Message()
                     << "EPSG:" << system.code << " from WGS 84 " << p[0]
                     << ", " << p[1] << ", " << p[2]);
        ExpectClose(system, forward.Convert(p), projForward[i], worstForward);

        // Back from a grid: 1 mm on the ground everywhere in the area, the
        // Unified CS (EPSG:5179) up to 4.4 degrees from its central
        // meridian included.
        const double ground = system.kind == SystemKind::Projected ? MM : 0;
        ExpectClose(wgs84, back.Convert(projForward[i]), projBack[i], worstBack,
                    ground);

        // The system's own geographic leg, as SystemEngine offers it.
        if (system.kind == SystemKind::Geographic2D) {
            Coordinates ours;
            engine.FromWgs84(p[0], p[1], p[2], ours[0], ours[1], ours[2]);
            ExpectClose(system, ours, projForward[i], worstForward);
            engine.ToWgs84(projForward[i][0], projForward[i][1],
                           projForward[i][2], ours[0], ours[1], ours[2]);
            ExpectClose(wgs84, ours, projBack[i], worstBack);
        }
    }
    std::cout << "[ measured ] EPSG:" << system.code << " forward "
              << worstForward.metres << " m " << worstForward.degrees
              << " deg, back " << worstBack.metres << " m " << worstBack.degrees
              << " deg\n";
}

std::vector<std::int32_t> AllCodes() {
    std::vector<std::int32_t> codes;
    for (const ReferenceSystem &system : Systems())
        codes.push_back(system.code);
    return codes;
}

INSTANTIATE_TEST_SUITE_P(Register, RegisterAgainstProj,
                         testing::ValuesIn(AllCodes()),
                         [](const testing::TestParamInfo<std::int32_t> &info) {
                             return "EPSG_" + std::to_string(info.param);
                         });

// ---- pairs of systems on different datums ----------------------------------

struct Pair {
    std::int32_t from, to;
    Coordinates point; ///< WGS 84 latitude, longitude, height
};

// Through both datums' transformations at once (or a direct one PROJ has
// with the same parameters): each pair's point first goes from WGS 84 into
// the source system with cs2cs, then both programs carry it to the target.
const Pair PAIRS[] = {
    {5174, 5186, {37.5663, 126.9779, 30.0}}, {4301, 4162, {35.18, 129.08, 0.0}},
    {5186, 5174, {36.35, 127.38, 80.0}},     {4162, 4301, {37.0, 128.0, 0.0}},
    {4737, 4162, {35.9, 126.5, 12.0}},       {32652, 5174, {37.45, 127.05, 0}},
    {4978, 5174, {37.55, 126.95, 150.0}},    {5174, 4978, {37.55, 126.95, 150}},
    {2443, 4301, {32.75, 129.87, 20.0}},     {4301, 2451, {35.68, 139.76, 5.0}},
    {5179, 5186, {36.0, 127.2, 0.0}},        {6669, 2443, {33.2, 129.6, 0.0}},
};

/// A side on @p system in the system's own coordinates.
SideSettings OwnCoordinates(const ReferenceSystem &system) {
    SideSettings side;
    side.system = system.code;
    side.kind = system.kind == SystemKind::Geographic2D ||
                        system.kind == SystemKind::Geographic3D
                    ? KIND_GEO
                    : CS_TM;
    return side;
}

TEST(RegisterPairs, DifferentDatumsAgreeWithCs2cs) {
    const ReferenceSystem &wgs84 = *FindSystem(4326);
    for (const Pair &pair : PAIRS) {
        SCOPED_TRACE(testing::Message() << pair.from << " -> " << pair.to);
        const ReferenceSystem &from = *FindSystem(pair.from);
        const ReferenceSystem &to = *FindSystem(pair.to);
        const Coordinates start = Cs2cs(wgs84, from, {pair.point})[0];
        const Coordinates proj = Cs2cs(from, to, {start})[0];
        Worst worst;
        const double ground = from.kind == SystemKind::Projected ? MM : 0.0;
        ExpectClose(to, Conversion(from, to).Convert(start), proj, worst,
                    ground);

        // The same through the chain that the window and nolvex-convert run.
        ChainSettings settings;
        settings.from = OwnCoordinates(from);
        settings.to = OwnCoordinates(to);
        Chain chain(settings);
        Coordinates ours{};
        std::int32_t zone = 0;
        chain.Convert(start.data(), ours.data(), zone);
        ExpectClose(to, ours, proj, worst, ground);
    }
}

// ---- the Seoul City Hall example -------------------------------------------

// WGS 84 37.5663 N, 126.9779 E into the Korean 1985 Modified Central Belt:
// PROJ gives x (easting) 197977.91 and y (northing) 451557.66.
TEST(RegisterExample, SeoulCityHallOnTheModifiedCentralBelt) {
    const ReferenceSystem &wgs84 = *FindSystem(4326);
    const ReferenceSystem &belt = *FindSystem(5174);
    const Coordinates ours =
        Conversion(wgs84, belt).Convert({37.5663, 126.9779, 0.0});
    EXPECT_NEAR(ours[0], 197977.91, 0.005);
    EXPECT_NEAR(ours[1], 451557.66, 0.005);
    const Coordinates proj = Cs2cs(wgs84, belt, {{37.5663, 126.9779, 0.0}})[0];
    EXPECT_NEAR(ours[0], proj[0], MM);
    EXPECT_NEAR(ours[1], proj[1], MM);
}

} // namespace
