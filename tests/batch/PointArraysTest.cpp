// Arrays of points: each thread's own copy of the chain (made on its first
// call, gone with the converter or the thread), one converter used by
// threads that outlive or predate it, and what each call reports: failures
// in index order, the operations used, the points outside the area of use
// against PROJ's own area, and their notes.
#include "PointArrays.h"

#include <proj.h>

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

/// PROJ's own numbers and the area of use of an operation, in a context of
/// the test's own.
struct Reference {
    PJ_CONTEXT *ctx = proj_context_create();
    PJ *op = nullptr;
    explicit Reference(const std::string &from, const std::string &to) {
        proj_log_level(ctx, PJ_LOG_NONE);
        op = proj_create_crs_to_crs(ctx, from.c_str(), to.c_str(), nullptr);
    }
    ~Reference() {
        proj_destroy(op);
        proj_context_destroy(ctx);
    }
    std::array<double, 2> Convert(double a, double b) const {
        const PJ_COORD out =
            proj_trans(op, PJ_FWD, proj_coord(a, b, 0, HUGE_VAL));
        return {out.v[0], out.v[1]};
    }
    /// The area of use of operation @p code ("15484"): west, south, east,
    /// north.
    std::array<double, 4> AreaOf(const char *code) const {
        PJ *operation = proj_create_from_database(
            ctx, "EPSG", code, PJ_CATEGORY_COORDINATE_OPERATION, 0, nullptr);
        std::array<double, 4> box{};
        proj_get_area_of_use(ctx, operation, &box[0], &box[1], &box[2], &box[3],
                             nullptr);
        proj_destroy(operation);
        return box;
    }
};

BatchOptions Between(const std::string &from, const std::string &to) {
    BatchOptions options;
    options.conversion.from =
        ParseSide(from, COORD(DATUM_WGS84), FaultSide::From);
    options.conversion.to = ParseSide(to, COORD(DATUM_WGS84), FaultSide::To);
    return options;
}

/// Points over Japan and Korea, and every seventh one far away in Brazil.
struct Points {
    std::vector<double> lat, lon;
    explicit Points(std::size_t n) {
        for (std::size_t i = 0; i < n; ++i) {
            const bool far = i % 7 == 3;
            lat.push_back(far ? -15.0 - 1e-6 * static_cast<double>(i % 1000)
                              : 34.0 +
                                    3.0 * static_cast<double>(i % 997) / 997);
            lon.push_back(
                far ? -47.0 : 131.0 + 8.0 * static_cast<double>(i % 991) / 991);
        }
    }
};

struct Out {
    std::vector<double> a, b, h;
    explicit Out(std::size_t n) : a(n), b(n), h(n) {}
};

TEST(ArrayConverter, MadeInAThreadThatEndedUsedAndDestroyedElsewhere) {
    // Its own chain lives in a context of its own, not in the thread's that
    // made it, which is gone before it is copied and destroyed.
    std::unique_ptr<ArrayConverter> converter;
    std::thread([&] {
        converter =
            std::make_unique<ArrayConverter>(Between("EPSG:4301", "EPSG:4326"));
    }).join();
    const Reference reference("EPSG:4301", "EPSG:4326");
    const double lat[] = {35.0, 36.5}, lon[] = {139.0, 140.2};
    for (int call = 0; call < 2; ++call) {
        Out out(2);
        ArrayReport report;
        converter->Convert(2, lat, lon, nullptr, out.a.data(), out.b.data(),
                           out.h.data(), 1, report);
        EXPECT_TRUE(report.failures.empty());
        for (std::size_t i = 0; i < 2; ++i) {
            const auto expected = reference.Convert(lat[i], lon[i]);
            EXPECT_EQ(out.a[i], expected[0]);
            EXPECT_EQ(out.b[i], expected[1]);
        }
    }
    std::thread([&] {
        double out[3];
        const double file[3] = {35.0, 139.0, 0.0};
        converter->ConvertPoint(file, false, out);
        EXPECT_EQ(out[0], reference.Convert(35.0, 139.0)[0]);
    }).join();
    converter.reset();
}

TEST(ArrayConverter, EachConverterConvertsWithItsOwnCopy) {
    // Two converters alive in one thread, used in turn, then one converter
    // after another as a loop makes them (often at the same address): each
    // converts with its own chain.
    const Reference web("EPSG:4326", "EPSG:3857");
    const Reference belt("EPSG:4326", "EPSG:5186");
    const double lat = 37.5, lon = 127.0;
    const auto first = [&](const ArrayConverter &converter) {
        Out out(1);
        ArrayReport report;
        converter.Convert(1, &lat, &lon, nullptr, out.a.data(), out.b.data(),
                          out.h.data(), 1, report);
        return out.a[0];
    };
    {
        const ArrayConverter toWeb(Between("EPSG:4326", "EPSG:3857"));
        const ArrayConverter toBelt(Between("EPSG:4326", "EPSG:5186"));
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(first(toWeb), web.Convert(lat, lon)[0]) << i;
            EXPECT_EQ(first(toBelt), belt.Convert(lat, lon)[0]) << i;
        }
    }
    for (int i = 0; i < 6; ++i) {
        const bool toWeb = i % 2 == 0;
        const ArrayConverter converter(
            Between("EPSG:4326", toWeb ? "EPSG:3857" : "EPSG:5186"));
        EXPECT_EQ(first(converter), (toWeb ? web : belt).Convert(lat, lon)[0])
            << i;
    }
}

TEST(ArrayConverter, ReportsOfThreadsAddUpInIndexOrder) {
    const ArrayConverter converter(Between("EPSG:4301", "EPSG:4326"));
    const Reference reference("EPSG:4301", "EPSG:4326");
    constexpr std::size_t N = 60000;
    Points points(N);
    // Latitudes beyond the pole in each thread's part.
    const std::vector<std::size_t> bad = {5, 29999, 30000, 45001, N - 1};
    for (const std::size_t i : bad)
        points.lat[i] = 91.0;
    const std::array<double, 4> japan = reference.AreaOf("15484");
    for (const unsigned threads : {1u, 2u, 3u}) {
        SCOPED_TRACE(threads);
        Out out(N);
        ArrayReport report;
        converter.Convert(N, points.lat.data(), points.lon.data(), nullptr,
                          out.a.data(), out.b.data(), out.h.data(), threads,
                          report);
        std::vector<std::size_t> failed;
        for (const PointFailure &failure : report.failures)
            failed.push_back(failure.first);
        EXPECT_EQ(failed, bad);
        EXPECT_EQ(report.converted, N - bad.size());
        std::uint64_t used = 0;
        for (const std::uint64_t count : report.operationPoints)
            used += count;
        EXPECT_EQ(used, report.converted);
        // Outside: the points beyond the area of use of EPSG:15484, the
        // only candidate whose area reaches them.
        std::uint64_t outside = 0;
        for (std::size_t i = 0; i < N; ++i)
            if (points.lat[i] <= 90 &&
                !(points.lon[i] >= japan[0] && points.lon[i] <= japan[2] &&
                  points.lat[i] >= japan[1] && points.lat[i] <= japan[3]))
                ++outside;
        EXPECT_EQ(report.outside, outside);
        ASSERT_EQ(report.outsidePoints.size(), OUTSIDE_LINES_KEPT);
        EXPECT_EQ(report.outsidePoints.front().index, 3u);
    }
}

TEST(ArrayConverter, NotesSayWhatEachPointMet) {
    BatchOptions options = Between("EPSG:4301", "EPSG:4326");
    options.words[Advice::OutsideAreaError] = " [advice]";
    const ArrayConverter converter(options);
    const double lat[] = {35.0, -15.0, 36.0}, lon[] = {139.0, -47.0, 140.0};
    Out out(3);
    ArrayReport report;
    std::vector<PointNote> notes(3);
    converter.Convert(3, lat, lon, nullptr, out.a.data(), out.b.data(),
                      out.h.data(), 1, report, notes.data());
    EXPECT_EQ(notes[0], 0u);
    EXPECT_EQ(notes[2], 0u);
    ASSERT_NE(notes[1], 0u);
    EXPECT_EQ(converter.NoteText(notes[1]),
              "outside the area of use of EPSG:15484 Tokyo to WGS 84 (108), "
              "9 m (Japan including outlying islands - onshore.)");
    const auto told = converter.Notes(
        report, [](std::size_t i) { return "#" + std::to_string(i); });
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].kind, NoteKind::OutsideArea);
    EXPECT_EQ(told[0].text,
              "1 point lies outside the area of use of EPSG:15484 Tokyo to "
              "WGS 84 (108), 9 m (Japan including outlying islands - "
              "onshore.): point #1; converted all the same [advice]");
    // A point alone tells the same.
    double file[3] = {-15.0, -47.0, 0.0}, one[3];
    const PointNote note = converter.ConvertPoint(file, false, one);
    EXPECT_EQ(note, notes[1]);
    EXPECT_EQ(converter
                  .Notes(converter.ReportOf(note),
                         [](std::size_t i) { return "#" + std::to_string(i); })
                  .front()
                  .text,
              "1 point lies outside the area of use of EPSG:15484 Tokyo to "
              "WGS 84 (108), 9 m (Japan including outlying islands - "
              "onshore.): point #0; converted all the same [advice]");
}

TEST(ArrayConverter, ThreadsSharingOneConverterKeepTheirOwnFailures) {
    const ArrayConverter converter(Between("EPSG:4326", "EPSG:5186"));
    std::vector<std::thread> threads;
    std::vector<int> wrong(8, 0);
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&, t] {
            for (int call = 0; call < 40; ++call) {
                const std::size_t n =
                    50 + static_cast<std::size_t>(t * 7 + call);
                std::vector<double> lat(n, 37.5), lon(n, 127.0);
                const std::size_t badAt = static_cast<std::size_t>(call) % n;
                lat[badAt] = 90.5 + t;
                Out out(n);
                ArrayReport report;
                converter.Convert(n, lat.data(), lon.data(), nullptr,
                                  out.a.data(), out.b.data(), out.h.data(), 1,
                                  report);
                if (report.failures.size() != 1 ||
                    report.failures[0].first != badAt ||
                    report.failures[0].second.find(std::to_string(90 + t)) ==
                        std::string::npos)
                    ++wrong[static_cast<std::size_t>(t)];
            }
        });
    for (std::thread &thread : threads)
        thread.join();
    EXPECT_EQ(wrong, std::vector<int>(8, 0));
}

} // namespace
