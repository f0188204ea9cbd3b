// Fuzz target: the line reader and the conversion of blocks of lines. The
// first byte picks one of a few runs; the rest is the input file. The blocks
// must give back the input, every line must be counted once, text output
// must consist of whole lines, GeoJSON output must read back as JSON.
#include "Batch.h"
#include "JsonCheck.h"

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace {

BatchOptions Options(int run) {
    BatchOptions o;
    switch (run) {
    case 0: // WGS 84 to Tokyo, decimal degrees
        o.chain.to.datum = 125;
        break;
    case 1: // TM on Tokyo to UTM on WGS 84, a zone per point
        o.chain.from = {125, CS_TM, {}};
        o.chain.to = {DATUM_WGS84, CS_UTM, {}};
        o.chain.to.grid.autoZone = true;
        break;
    case 2: // ECEF to geographic, DMS with fixed decimals, columns picked
        o.chain.from.kind = CS_ECEF;
        o.angleFormat = AngleFormat::Dms;
        o.precision = 3;
        o.columns = {2, 0, 1};
        break;
    case 3: // local datum to GeoJSON with a heading
        o.chain.from.datum = 123;
        o.outputFormat = OutputFormat::GeoJson;
        o.header = true;
        break;
    default: // longitude first, DM, stop at the first failure
        o.chain.from = {38, KIND_GEO, {}};
        o.chain.to = {DATUM_WGS84, CS_G7, {}};
        o.chain.to.grid.originLon = "127.5";
        o.lonLat = true;
        o.onError = ErrorPolicy::Stop;
        break;
    }
    return o;
}

constexpr int RUNS = 5;

struct Run {
    BatchOptions options;
    LineConverter converter;
    explicit Run(int run) : options(Options(run)), converter(options) {}
};

std::size_t CountLines(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t at = 0; at < text.size(); ++count) {
        const std::size_t nl = text.find('\n', at);
        at = nl == std::string_view::npos ? text.size() : nl + 1;
    }
    return count;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data,
                                      std::size_t size) {
    static std::unique_ptr<Run> runs[RUNS];
    if (size == 0)
        return 0;
    const int pick = data[0] % RUNS;
    if (!runs[pick])
        runs[pick] = std::make_unique<Run>(pick);
    Run &run = *runs[pick];
    const std::string_view input(reinterpret_cast<const char *>(data + 1),
                                 size - 1);

    // The input through the block reader, with tiny blocks.
    const int fd = memfd_create("fuzz", 0);
    if (fd < 0 ||
        write(fd, input.data(), input.size()) !=
            static_cast<ssize_t>(input.size()) ||
        lseek(fd, 0, SEEK_SET) != 0)
        std::abort();
    BlockReader reader(fd, 1 + data[0] % 61);
    std::vector<char> buffer;
    BlockText block;
    std::string joined;
    std::size_t consumed = 0;
    bool first = true;
    FileFormat format;
    std::vector<std::string> keys;
    std::string header;
    bool delimiterKnown = false;
    bool stopped = false;
    while (reader.Next(buffer, block)) {
        if (block.overlongFirst)
            std::abort(); // inputs are far below the longest line
        joined += block.text;
        consumed += block.consumed;

        // Delimiter and heading as the feeder finds them.
        const bool headerFirst = first && run.options.header;
        if (!delimiterKnown) {
            std::string_view text = block.text;
            bool skip = headerFirst;
            while (!text.empty()) {
                const std::size_t nl = text.find('\n');
                std::string_view line = text.substr(0, nl);
                text = nl == std::string_view::npos ? std::string_view()
                                                    : text.substr(nl + 1);
                if (skip) {
                    header = std::string(line);
                    skip = false;
                    continue;
                }
                if (!line.empty() && line.back() == '\r')
                    line.remove_suffix(1);
                if (IsPassThroughLine(line))
                    continue;
                delimiterKnown = true;
                format.delimiter = DetectDelimiter(line);
                keys = PropertyKeys(header, format.delimiter);
                format.keys = &keys;
                break;
            }
        }
        first = false;

        BlockResult result;
        ProcessBlock(run.converter, run.options, block, headerFirst, format,
                     result);
        const std::size_t lines = CountLines(block.text);
        if (result.lines > lines || (!result.stopped && result.lines != lines))
            std::abort();
        if (result.points + result.errors.size() > result.lines)
            std::abort();
        const std::string_view out = result.out.View();
        if (run.options.outputFormat == OutputFormat::Text) {
            if (!out.empty() && out.back() != '\n')
                std::abort();
        } else if (!out.empty()) {
            try {
                const JsonValue features =
                    ParseJson("[" + std::string(out.substr(1)) + "]");
                if (features.items.size() != result.points)
                    std::abort();
            } catch (const std::runtime_error &) {
                std::abort();
            }
        }
        if (result.stopped) {
            stopped = true;
            break;
        }
    }
    close(fd);
    // Every byte once, in order; all of them unless the run stopped early.
    if (joined != input.substr(0, joined.size()) ||
        (!stopped &&
         (joined.size() != input.size() || consumed != input.size())))
        std::abort();
    return 0;
}
