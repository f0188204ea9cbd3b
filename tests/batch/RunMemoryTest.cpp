// The memory a run's budget charges against what its blocks really take:
// every allocation of this program is counted, live bytes and their peak.
// A program of its own, as it replaces the global operator new.
#include "LineConvert.h"
#include "Run.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <new>
#include <string>
#include <unistd.h>

namespace {

std::atomic<std::size_t> g_live{0};
std::atomic<std::size_t> g_peak{0};

void Count(void *p) {
    const std::size_t live = g_live += malloc_usable_size(p);
    std::size_t peak = g_peak.load(std::memory_order_relaxed);
    while (live > peak && !g_peak.compare_exchange_weak(peak, live))
        ;
}

/// Live bytes now, the peak from now on.
std::size_t StartPeak() {
    const std::size_t live = g_live.load();
    g_peak.store(live);
    return live;
}

} // namespace

void *operator new(std::size_t size) {
    void *p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr)
        throw std::bad_alloc();
    Count(p);
    return p;
}

void operator delete(void *p) noexcept {
    if (p == nullptr)
        return;
    g_live -= malloc_usable_size(p);
    std::free(p);
}

void operator delete(void *p, std::size_t) noexcept { ::operator delete(p); }

namespace {

namespace fs = std::filesystem;

/// A line of a point and then @p more fields of @p field each.
std::string WideLine(std::size_t more, const std::string &field,
                     char delimiter) {
    std::string line = delimiter == ' ' ? "37.5 127.5" : "37.5,127.5";
    for (std::size_t i = 0; i < more; ++i)
        line.append(1, delimiter).append(field);
    return line;
}

// A block of lines of many fields took more memory than it was charged: the
// fields' index grew by doubling (the old index held beside the new one),
// and a GeoJSON feature made room for each property's key, neither of them
// in the block's charge.
TEST(ConversionEstimate, CoversWhatTheConversionOfWideLinesTakes) {
    struct Row {
        const char *name;
        std::size_t more;  ///< fields after the point
        const char *field; ///< each field's text
        char delimiter;    ///< ' ' for runs of blanks
        bool geoJson;
        std::size_t lines;
    };
    const Row rows[] = {
        {"digits, text", 65530, "1", ',', false, 1},
        {"digits, GeoJSON", 65530, "1", ',', true, 1},
        {"empty fields, text (every line fails)", 65530, "", ',', false, 1},
        {"empty fields, GeoJSON", 65530, "", ',', true, 1},
        {"numbers, text", 65530, "12.5", ',', false, 2},
        {"numbers, GeoJSON", 65530, "12.5", ',', true, 2},
        {"blanks, text", 65530, "1", ' ', false, 1},
        {"just over the most fields", 65535, "1", ',', false, 1},
        {"wider lines after narrower ones", 60000, "1", ',', false, 3},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        BatchOptions options;
        options.conversion.to = ConversionSide::OnDatum(row.geoJson ? DATUM_WGS84 : 125);
        if (row.geoJson)
            options.outputFormat = OutputFormat::GeoJson;
        FileFormat format;
        format.delimiter = row.delimiter == ' ' ? 0 : row.delimiter;
        std::string text;
        for (std::size_t i = 0; i < row.lines; ++i)
            text +=
                WideLine(row.more / (row.lines - i), row.field, row.delimiter) +
                "\n";
        BlockText block;
        block.text = text;
        const std::size_t charge = ConversionEstimate(options, block, format);

        LineConverter converter(options);
        BlockResult result;
        const std::size_t before = StartPeak();
        ProcessBlock(converter, options, block, BlockPlace{}, format, result);
        const std::size_t taken = g_peak.load() - before;
        EXPECT_LE(taken, charge);
        EXPECT_EQ(result.lines, row.lines);
    }
}

// Written slots kept their blocks' buffers for their next block outside the
// budget, and a block of wide lines was let in on the charge of an ordinary
// one: 400 lines of 65,532 fields on 64 threads peaked at twice the budget.
TEST(RunBatch, WideLinesOnManyThreadsStayWithinTheBudget) {
    const fs::path dir =
        fs::path(testing::TempDir()) / "nolvex-run-memory" / "wide";
    fs::remove_all(dir);
    fs::create_directories(dir);
    for (const bool geoJson : {false, true}) {
        SCOPED_TRACE(geoJson ? "GeoJSON" : "text");
        {
            std::ofstream in(dir / "in.csv", std::ios::binary);
            const std::string line = WideLine(65530, "1", ',') + "\n";
            for (int i = 0; i < 200; ++i)
                in << line;
        }
        BatchOptions options;
        options.conversion.to = ConversionSide::OnDatum(geoJson ? DATUM_WGS84 : 125);
        if (geoJson)
            options.outputFormat = OutputFormat::GeoJson;
        options.inputs = {(dir / "in.csv").string()};
        options.threads = 64;
        struct Quiet : BatchObserver {
            void Message(std::string_view) override {}
        } observer;
        const int out = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        ASSERT_GE(out, 0);
        const std::size_t before = StartPeak();
        const BatchSummary summary = RunBatch(options, out, observer);
        const std::size_t taken = g_peak.load() - before;
        ::close(out);
        EXPECT_EQ(summary.ExitStatus(), 0);
        EXPECT_EQ(summary.progress.points, 200u);
        // Beyond the blocks: each thread's converter and the reader's rest
        // of a line.
        EXPECT_LE(taken, IN_FLIGHT_BUDGET + (1u << 20));
    }
}

} // namespace
