// Cost of the engine's six conversions, in ns per point, next to a baseline of
// one sin + cos + sqrt + pow. Built twice from this file: against the engine
// as shipped (trace switch off) and against the same engine with the trace
// code compiled out; the benchmark names carry the variant.
#include "Coord.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstddef>
#include <random>
#include <string>
#include <vector>

#ifndef NOLVEX_BENCH_VARIANT
#define NOLVEX_BENCH_VARIANT "trace_off"
#endif

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

const std::vector<Grid> &GridPoints() {
    static const std::vector<Grid> points = [] {
        std::vector<Grid> out;
        for (const Geo &p : GeoPoints()) {
            Grid g{};
            Tokyo().ConvGeo2Grid(p.lat, p.lon, g.x, g.y);
            out.push_back(g);
        }
        return out;
    }();
    return points;
}

const std::vector<Ecef> &EcefPoints() {
    static const std::vector<Ecef> points = [] {
        std::vector<Ecef> out;
        for (const Geo &p : GeoPoints()) {
            Ecef e{};
            Tokyo().ConvGeo2Ecef(p.lat, p.lon, p.h, e.x, e.y, e.z);
            out.push_back(e);
        }
        return out;
    }();
    return points;
}

std::string Name(const char *what) {
    return std::string(what) + "/" + NOLVEX_BENCH_VARIANT;
}

// ---- baseline
// -------------------------------------------------------------------

void Baseline(benchmark::State &state) {
    const std::vector<Geo> &points = GeoPoints();
    std::size_t i = 0;
    for (auto _ : state) {
        const Geo &p = points[i++ & (POINT_COUNT - 1)];
        double s = std::sin(p.lat);
        double c = std::cos(p.lon);
        double r = std::sqrt(p.h + 200.0);
        double w = std::pow(p.lat, 1.5);
        benchmark::DoNotOptimize(s);
        benchmark::DoNotOptimize(c);
        benchmark::DoNotOptimize(r);
        benchmark::DoNotOptimize(w);
    }
}

// ---- the six conversions
// ------------------------------------------------------------

void TransWgs2Local(benchmark::State &state) {
    const COORD &engine = Tokyo();
    const std::vector<Geo> &points = GeoPoints();
    std::size_t i = 0;
    for (auto _ : state) {
        const Geo &p = points[i++ & (POINT_COUNT - 1)];
        double lat = 0, lon = 0, h = 0;
        engine.TransWgs2Local(p.lat, p.lon, p.h, lat, lon, h);
        benchmark::DoNotOptimize(lat);
        benchmark::DoNotOptimize(lon);
        benchmark::DoNotOptimize(h);
    }
}

void TransLocal2Wgs(benchmark::State &state) {
    const COORD &engine = Tokyo();
    const std::vector<Geo> &points = GeoPoints();
    std::size_t i = 0;
    for (auto _ : state) {
        const Geo &p = points[i++ & (POINT_COUNT - 1)];
        double lat = 0, lon = 0, h = 0;
        engine.TransLocal2Wgs(p.lat, p.lon, p.h, lat, lon, h);
        benchmark::DoNotOptimize(lat);
        benchmark::DoNotOptimize(lon);
        benchmark::DoNotOptimize(h);
    }
}

void ConvGeo2Grid(benchmark::State &state) {
    const COORD &engine = Tokyo();
    const std::vector<Geo> &points = GeoPoints();
    std::size_t i = 0;
    for (auto _ : state) {
        const Geo &p = points[i++ & (POINT_COUNT - 1)];
        double x = 0, y = 0;
        engine.ConvGeo2Grid(p.lat, p.lon, x, y);
        benchmark::DoNotOptimize(x);
        benchmark::DoNotOptimize(y);
    }
}

void ConvGrid2Geo(benchmark::State &state) {
    const COORD &engine = Tokyo();
    const std::vector<Grid> &points = GridPoints();
    std::size_t i = 0;
    for (auto _ : state) {
        const Grid &p = points[i++ & (POINT_COUNT - 1)];
        double lat = 0, lon = 0;
        engine.ConvGrid2Geo(lat, lon, p.x, p.y);
        benchmark::DoNotOptimize(lat);
        benchmark::DoNotOptimize(lon);
    }
}

void ConvGeo2Ecef(benchmark::State &state) {
    const COORD &engine = Tokyo();
    const std::vector<Geo> &points = GeoPoints();
    std::size_t i = 0;
    for (auto _ : state) {
        const Geo &p = points[i++ & (POINT_COUNT - 1)];
        double x = 0, y = 0, z = 0;
        engine.ConvGeo2Ecef(p.lat, p.lon, p.h, x, y, z);
        benchmark::DoNotOptimize(x);
        benchmark::DoNotOptimize(y);
        benchmark::DoNotOptimize(z);
    }
}

void ConvEcef2Geo(benchmark::State &state) {
    const COORD &engine = Tokyo();
    const std::vector<Ecef> &points = EcefPoints();
    std::size_t i = 0;
    for (auto _ : state) {
        const Ecef &p = points[i++ & (POINT_COUNT - 1)];
        double lat = 0, lon = 0, h = 0;
        engine.ConvEcef2Geo(lat, lon, h, p.x, p.y, p.z);
        benchmark::DoNotOptimize(lat);
        benchmark::DoNotOptimize(lon);
        benchmark::DoNotOptimize(h);
    }
}

const bool REGISTERED = [] {
    benchmark::RegisterBenchmark(Name("Baseline_sin_cos_sqrt_pow").c_str(),
                                 Baseline);
    benchmark::RegisterBenchmark(Name("TransWgs2Local").c_str(),
                                 TransWgs2Local);
    benchmark::RegisterBenchmark(Name("TransLocal2Wgs").c_str(),
                                 TransLocal2Wgs);
    benchmark::RegisterBenchmark(Name("ConvGeo2Grid").c_str(), ConvGeo2Grid);
    benchmark::RegisterBenchmark(Name("ConvGrid2Geo").c_str(), ConvGrid2Geo);
    benchmark::RegisterBenchmark(Name("ConvGeo2Ecef").c_str(), ConvGeo2Ecef);
    benchmark::RegisterBenchmark(Name("ConvEcef2Geo").c_str(), ConvEcef2Geo);
    return true;
}();

} // namespace

BENCHMARK_MAIN();
