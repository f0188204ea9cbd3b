// Fuzz target: the line reader and the conversion of blocks of lines, under
// an option set drawn from the input, with lines over a small length limit,
// and now and then a whole run on one thread against a run on three. The
// first byte picks one of 256 option sets, the second the block size and the
// longest line, the third whether to make a whole run; the rest is the input
// file, or the files of a multi-file run. The blocks must give back the
// input, every line must be counted once and give one output line (unless
// skipped or stopped), GeoJSON output must read back as JSON with one
// feature per point or failed record, and the runs must write the same bytes
// and messages. The option sets from 192 on may read MGRS references or
// geohashes from their lines, and write them (or UPS) in place of their
// points.
#include "Run.h"
#include "JsonOracle.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace {

/// The option bits of one input.
struct Pick {
    std::uint32_t bits;
    std::uint32_t Take(int count) {
        const std::uint32_t v = bits & ((1u << count) - 1);
        bits >>= count;
        return v;
    }
};

/// The options of set @p set (0 to 255) from its @p bits; the sets from 192
/// on may read or write references.
BatchOptions Options(std::uint32_t bits, std::uint32_t set) {
    Pick pick{bits};
    static constexpr GridKind KINDS[] = {
        GridKind::Geographic, GridKind::Utm,        GridKind::Tm,
        GridKind::G7,         GridKind::Ecef,       GridKind::Geographic,
        GridKind::Geographic, GridKind::Utm};
    static constexpr std::int32_t FROM_DATUMS[] = {DATUM_WGS84, 125, 123, 38};
    BatchOptions o;
    CatalogueSide from, to;
    from.kind = KINDS[pick.Take(3)];
    to.kind = KINDS[pick.Take(3)];
    from.datum = FROM_DATUMS[pick.Take(2)];
    to.datum = pick.Take(1) ? 125 : DATUM_WGS84;
    const std::uint32_t format = pick.Take(2);
    if (to.kind == GridKind::Geographic)
        o.angleFormat = format == 1   ? AngleFormat::Dm
                        : format == 2 ? AngleFormat::Dms
                                      : AngleFormat::Dd;
    static constexpr int PRECISIONS[] = {-1, 0, 3, 17};
    o.precision = PRECISIONS[pick.Take(2)];
    o.lonLat = pick.Take(1) != 0;
    switch (pick.Take(2)) {
    case 1:
        o.columns = {1, 0};
        break;
    case 2:
        o.columns = {2, 0, 1};
        break;
    case 3:
        o.columns = {0, 2};
        break;
    default:
        break;
    }
    o.header = pick.Take(1) != 0;
    static constexpr ErrorPolicy POLICIES[] = {
        ErrorPolicy::Comment, ErrorPolicy::Skip, ErrorPolicy::Stop,
        ErrorPolicy::Comment};
    o.onError = POLICIES[pick.Take(2)];
    if (pick.Take(1) && to.kind == GridKind::Geographic &&
        to.datum == DATUM_WGS84 && o.angleFormat == AngleFormat::Dd)
        o.outputFormat = OutputFormat::GeoJson;
    const bool zoneBit = pick.Take(1) != 0;
    const bool south = pick.Take(1) != 0;
    if (to.kind == GridKind::Utm && zoneBit)
        to.grid.autoZone = true;
    if (from.kind == GridKind::Utm) {
        if (zoneBit) {
            o.sourceZoneColumn = true;
        } else {
            from.grid.originLon = "129";
            if (south)
                from.grid.falseNorthing = "10000000";
        }
    }
    // References on WGS 84 geographic: read from one column (a height in a
    // second maybe), or written in place of the point.
    const bool forms = set >= 192;
    const std::uint32_t source = pick.Take(3);
    const std::uint32_t target = pick.Take(3);
    if (forms && source >= 4) {
        o.sourceForm =
            source >= 6 ? ReferenceForm::Mgrs : ReferenceForm::Geohash;
        from = CatalogueSide{};
        o.sourceZoneColumn = false;
        if (o.columns.size() > 2)
            o.columns.resize(2);
    }
    if (forms && target >= 4) {
        o.targetForm = target >= 6 ? ReferenceForm::Mgrs
                       : south     ? ReferenceForm::Ups
                                   : ReferenceForm::Geohash;
        to = CatalogueSide{};
        o.angleFormat = AngleFormat::Dd;
        o.outputFormat = OutputFormat::Text;
        o.mgrsDigits = static_cast<int>(source % 6) * 2;
        o.geohashLength = 1 + static_cast<int>(source) * 2;
    }
    o.conversion.from = from;
    o.conversion.to = to;
    return o;
}

/// Bits 0 to 28 make the options.
constexpr std::uint32_t OPTION_MASK = (1u << 29) - 1;

struct Run {
    BatchOptions options;
    LineConverter converter;
    Run(std::uint32_t bits, std::uint32_t set)
        : options(Options(bits, set)), converter(options) {}
};

std::size_t CountLines(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t at = 0; at < text.size(); ++count) {
        const std::size_t nl = text.find('\n', at);
        at = nl == std::string_view::npos ? text.size() : nl + 1;
    }
    return count;
}

int MemoryFile(std::string_view bytes) {
    const int fd = memfd_create("fuzz", 0);
    if (fd < 0 ||
        write(fd, bytes.data(), bytes.size()) !=
            static_cast<ssize_t>(bytes.size()) ||
        lseek(fd, 0, SEEK_SET) != 0)
        std::abort();
    return fd;
}

std::string FileText(int fd) {
    std::string text;
    char buffer[4096];
    if (lseek(fd, 0, SEEK_SET) != 0)
        std::abort();
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0)
            return text;
        text.append(buffer, static_cast<std::size_t>(n));
    }
}

struct Collect : BatchObserver {
    std::string messages;
    void Message(std::string_view text) override {
        messages.append(text).append("\n");
    }
};

/// A whole run over @p inputs with @p threads: output and messages.
std::string WholeRun(const BatchOptions &base,
                     const std::vector<std::string_view> &inputs,
                     unsigned threads, std::size_t blockSize) {
    std::vector<int> fds;
    const int out = memfd_create("out", 0);
    BatchOptions options = base;
    options.inputs.clear();
    for (std::string_view input : inputs) {
        fds.push_back(MemoryFile(input));
        options.inputs.push_back("/proc/self/fd/" + std::to_string(fds.back()));
    }
    options.threads = threads;
    options.blockSize = blockSize; // many blocks in the ring
    Collect collect;
    const BatchSummary summary = RunBatch(options, out, collect);
    std::string result = FileText(out) + "\n--\n" + collect.messages +
                         std::to_string(summary.ExitStatus()) +
                         std::to_string(static_cast<int>(summary.end));
    for (int fd : fds)
        close(fd);
    close(out);
    // Messages name the inputs by their paths, which differ between runs;
    // the longest first, so that no path is cut out of a longer one.
    std::vector<std::size_t> order(options.inputs.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return options.inputs[a].size() > options.inputs[b].size();
    });
    for (std::size_t i : order) {
        const std::string &path = options.inputs[i];
        const std::string name = "IN" + std::to_string(i);
        for (std::size_t at; (at = result.find(path)) != std::string::npos;)
            result.replace(at, path.size(), name);
    }
    return result;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data,
                                      std::size_t size) {
    static std::unique_ptr<Run> runs[256];
    if (size < 3)
        return 0;
    // The 256 option sets spread over the option bits.
    const std::uint32_t key =
        (static_cast<std::uint32_t>(data[0]) * 2654435761u) & OPTION_MASK;
    if (!runs[data[0]]) {
        try {
            runs[data[0]] = std::make_unique<Run>(key, data[0]);
        } catch (const SetupError &) {
            return 0;
        }
    }
    Run &run = *runs[data[0]];
    const BatchOptions &options = run.options;
    const std::string_view input(reinterpret_cast<const char *>(data + 3),
                                 size - 3);
    const std::size_t blockSize = 1 + (data[1] & 63);
    static constexpr std::size_t MAX_LINES[] = {16, 64, 256, MAX_LINE_BYTES};
    const std::size_t maxLine = MAX_LINES[data[1] >> 6];

    // The input through the block reader, with tiny blocks and a small
    // longest line.
    const int fd = MemoryFile(input);
    BlockReader reader(fd, blockSize, maxLine);
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
        joined += block.text;
        consumed += block.consumed;

        // Delimiter, heading and columns as the feeder finds them.
        const bool headerFirst = first && options.header && block.overlong == 0;
        format.delimiterKnown = delimiterKnown;
        if (!delimiterKnown) {
            if (const auto line = FirstDataLine(block.text, headerFirst)) {
                delimiterKnown = true;
                format.delimiter = DetectDelimiter(*line);
                format.delimiterKnown = true;
                reader.SetDelimiter(format.delimiter);
            }
        }
        if (headerFirst) {
            std::string_view rest;
            header = std::string(NextRecord(block.text, format.delimiter,
                                            format.delimiterKnown, rest));
        }
        if (!format.keys && delimiterKnown) {
            keys = PropertyKeys(header, format.delimiter);
            format.keys = &keys;
        }
        try {
            ResolveColumns(options, run.converter, header, format);
        } catch (const InputError &) {
            // A heading whose names contradict the source (latitude and
            // longitude over a grid source): the column rule refuses the
            // file before any line is read.
            close(fd);
            return 0;
        }

        BlockResult result;
        ProcessBlock(run.converter, options, block,
                     {first && options.header, first}, format, result);
        first = false;
        const std::size_t lines = CountLines(block.text) + block.overlong;
        if (result.lines > lines || (!result.stopped && result.lines != lines))
            std::abort();
        if (result.points + result.errors.size() > result.lines)
            std::abort();
        const std::string_view out = result.out.View();
        if (options.outputFormat == OutputFormat::Text) {
            if (!out.empty() && out.back() != '\n')
                std::abort();
            // One output record per input record, failed ones included: at
            // least a line each, and no more lines than the input had (a
            // coordinate field that held a line end is replaced).
            if (options.onError == ErrorPolicy::Comment && !result.stopped) {
                std::size_t records = block.overlong;
                for (std::string_view rest = block.text; !rest.empty();
                     ++records)
                    (void)(block.lineRecords
                               ? NextLine(rest, rest)
                               : NextRecord(rest, format.delimiter,
                                            format.delimiterKnown, rest));
                const std::size_t outLines = CountLines(out);
                if (outLines < records || outLines > result.lines)
                    std::abort();
            }
        } else if (!out.empty()) {
            try {
                const nlohmann::json features =
                    ParseJson("[" + std::string(out.substr(1)) + "]");
                const std::size_t failed = options.onError == ErrorPolicy::Skip
                                               ? 0
                                               : result.errors.size();
                if (features.size() != result.points + failed)
                    std::abort();
            } catch (const std::exception &) {
                std::abort(); // not JSON, or a name repeated in an object
            }
        } else if (result.points != 0) {
            std::abort();
        }
        if (result.stopped) {
            stopped = true;
            break;
        }
    }
    close(fd);
    // Every byte once, in order; all of them unless the run stopped early.
    if (joined.size() > input.size() ||
        (!stopped && (consumed != input.size())))
        std::abort();

    // Now and then a whole run: one thread and three give the same bytes,
    // over the input alone or cut into two files followed by several empty
    // ones (the blocks of a file still in flight while the reader is at the
    // files after it). Threads are costly to start: one input in sixteen of
    // those marked.
    if (data[2] == 0x5A && size % 16 == 0) {
        std::vector<std::string_view> inputs = {input};
        if ((size / 16) % 2 == 1) {
            const std::size_t cut = input.size() / 2;
            inputs = {input.substr(0, cut), input.substr(cut)};
            for (std::size_t i = 0; i < 1 + size % 13; ++i)
                inputs.emplace_back();
        }
        const std::size_t wholeBlock = 16 + input.size() % 64;
        if (WholeRun(options, inputs, 1, wholeBlock) !=
            WholeRun(options, inputs, 3, wholeBlock))
            std::abort();
    }
    return 0;
}
