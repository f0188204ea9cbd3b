// Cost of the engine's six conversions and of the general operations the
// register's systems run on, in ns per point, next to a baseline of one sin +
// cos + sqrt + pow, with the trace switch off.
#include "Coord.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstddef>
#include <random>
#include <string>
#include <vector>

namespace {

// Points are made at run time, so that nothing is folded, and cycled through
// one per iteration: the time per iteration is the time per point.
constexpr std::size_t POINT_COUNT = 4096; // a power of two

struct Geo {
    double lat, lon, h;
};
struct Grid {
    double x, y;
};
struct Ecef {
    double x, y, z;
};

/// Positions around Korea and Japan, within 3 degrees of the UTM central
/// meridian 129 E, heights from -100 m to 3 km.
std::vector<Geo> MakeGeo() {
    std::mt19937_64 random(20240611);
    std::uniform_real_distribution<double> lat(33.0, 43.0);
    std::uniform_real_distribution<double> lon(126.0, 132.0);
    std::uniform_real_distribution<double> h(-100.0, 3000.0);
    std::vector<Geo> points(POINT_COUNT);
    for (Geo &p : points)
        p = {lat(random), lon(random), h(random)};
    return points;
}

const std::vector<Geo> &GeoPoints() {
    static const std::vector<Geo> points = MakeGeo();
    return points;
}

/// The engines the window starts with: Tokyo(---) in kind UTM.
const COORD &Tokyo() {
    static const COORD engine(125);
    return engine;
}

/// The points of GeoPoints() as @p convert turns them into another kind.
template <typename Point, typename Convert>
std::vector<Point> Converted(Convert convert) {
    std::vector<Point> out;
    for (const Geo &p : GeoPoints()) {
        Point q{};
        convert(p, q);
        out.push_back(q);
    }
    return out;
}

const std::vector<Grid> &GridPoints() {
    static const std::vector<Grid> points =
        Converted<Grid>([](const Geo &p, Grid &g) {
            Tokyo().ConvGeo2Grid(p.lat, p.lon, g.x, g.y);
        });
    return points;
}

const std::vector<Ecef> &EcefPoints() {
    static const std::vector<Ecef> points =
        Converted<Ecef>([](const Geo &p, Ecef &e) {
            Tokyo().ConvGeo2Ecef(p.lat, p.lon, p.h, e.x, e.y, e.z);
        });
    return points;
}

/// Keeps the results @p values from being optimised away.
template <typename... Values> void Keep(Values &...values) {
    (benchmark::DoNotOptimize(values), ...);
}

/**
 * Registers benchmark @p what: one call of @p convert per iteration, with the
 * engine Tokyo() and the next of the points @p points gives. Points and engine
 * are made when the benchmark first runs.
 */
template <typename Point, typename Convert>
void Register(const char *what, const std::vector<Point> &(*points)(),
              Convert convert) {
    benchmark::RegisterBenchmark(
        what, [points, convert](benchmark::State &state) {
            const COORD &engine = Tokyo();
            const std::vector<Point> &cycle = points();
            std::size_t i = 0;
            for (auto _ : state)
                convert(engine, cycle[i++ & (POINT_COUNT - 1)]);
        });
}

/// One Molodensky step of the engine, @p Step, on the geographic point @p p.
template <auto Step> void Molodensky(const COORD &engine, const Geo &p) {
    double lat = 0, lon = 0, h = 0;
    (engine.*Step)(p.lat, p.lon, p.h, lat, lon, h);
    Keep(lat, lon, h);
}

const bool REGISTERED = [] {
    // ---- baseline: does not use the engine
    Register("Baseline_sin_cos_sqrt_pow", GeoPoints,
             [](const COORD &, const Geo &p) {
                 double s = std::sin(p.lat);
                 double c = std::cos(p.lon);
                 double r = std::sqrt(p.h + 200.0);
                 double w = std::pow(p.lat, 1.5);
                 Keep(s, c, r, w);
             });
    // ---- the six conversions
    Register("TransWgs2Local", GeoPoints, Molodensky<&COORD::TransWgs2Local>);
    Register("TransLocal2Wgs", GeoPoints, Molodensky<&COORD::TransLocal2Wgs>);
    Register("ConvGeo2Grid", GeoPoints, [](const COORD &engine, const Geo &p) {
        double x = 0, y = 0;
        engine.ConvGeo2Grid(p.lat, p.lon, x, y);
        Keep(x, y);
    });
    Register("ConvGrid2Geo", GridPoints,
             [](const COORD &engine, const Grid &p) {
                 double lat = 0, lon = 0;
                 engine.ConvGrid2Geo(lat, lon, p.x, p.y);
                 Keep(lat, lon);
             });
    Register("ConvGeo2Ecef", GeoPoints, [](const COORD &engine, const Geo &p) {
        double x = 0, y = 0, z = 0;
        engine.ConvGeo2Ecef(p.lat, p.lon, p.h, x, y, z);
        Keep(x, y, z);
    });
    Register("ConvEcef2Geo", EcefPoints,
             [](const COORD &engine, const Ecef &p) {
                 double lat = 0, lon = 0, h = 0;
                 engine.ConvEcef2Geo(lat, lon, h, p.x, p.y, p.z);
                 Keep(lat, lon, h);
             });
    return true;
}();

} // namespace

BENCHMARK_MAIN();
