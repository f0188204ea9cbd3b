// A whole run: inputs read in blocks, blocks converted by worker threads,
// output written in input order, messages and the progress line.
#include "Batch.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

/// Bytes of input per block: large enough to keep system calls and thread
/// hand-overs rare, small enough that all blocks in flight stay a few MB.
constexpr std::size_t BLOCK_SIZE = 256 * 1024;
/// With many threads the blocks get smaller, down to this, so that all
/// blocks in flight together stay within about IN_FLIGHT bytes of input.
constexpr std::size_t MIN_BLOCK_SIZE = 64 * 1024;
constexpr std::size_t IN_FLIGHT = 4 * 1024 * 1024;

/// Blocks in flight: one per worker, one being read, one being written and
/// one to spare.
std::size_t RingSize(unsigned threads) { return threads + 3; }

std::size_t BlockSize(unsigned threads) {
    if (threads <= 1)
        return BLOCK_SIZE;
    return std::clamp(IN_FLIGHT / RingSize(threads), MIN_BLOCK_SIZE,
                      BLOCK_SIZE);
}

void WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t done = ::write(fd, data.data(), data.size());
        if (done < 0) {
            if (errno == EINTR)
                continue;
            throw IoError(std::string("write error: ") + std::strerror(errno));
        }
        data.remove_prefix(static_cast<std::size_t>(done));
    }
}

/// Messages go out whole and are not worth failing over.
void Say(int fd, std::string_view text) {
    try {
        WriteAll(fd, text);
    } catch (const IoError &) {
    }
}

/// What is known about one input while it is read.
struct FileState {
    std::string name;
    bool delimiterKnown = false;
    char delimiter = 0;
    std::string header;
    std::vector<std::string> keys; ///< set once, before any data line
    bool keysReady = false;
};

/// One block on its way from the reader through a worker to the writer.
struct Slot {
    std::vector<char> buffer;
    BlockText block;
    bool headerFirst = false;
    FileFormat format;
    FileState *file = nullptr;
    std::string failure; ///< the input itself failed (open, read)
    BlockResult result;
    bool done = false;
};

/// The progress line on standard error: percentage, points per second and
/// time left, redrawn at most four times a second.
class Progress {
  public:
    Progress(int fd, std::uint64_t total)
        : m_nFd(fd), m_nTotal(total), m_start(Clock::now()), m_last(m_start) {}

    void Update(std::uint64_t bytes, std::uint64_t points, bool force) {
        const auto now = Clock::now();
        if (!force && now - m_last < std::chrono::milliseconds(250))
            return;
        m_last = now;
        const double seconds =
            std::chrono::duration<double>(now - m_start).count();
        const std::uint64_t percent =
            m_nTotal == 0 ? 100 : bytes * 100 / m_nTotal;
        const auto rate = seconds > 0
                              ? static_cast<std::uint64_t>(
                                    static_cast<double>(points) / seconds)
                              : 0;
        std::uint64_t left = 0;
        if (bytes > 0 && bytes < m_nTotal)
            left = static_cast<std::uint64_t>(
                seconds * static_cast<double>(m_nTotal - bytes) /
                static_cast<double>(bytes));
        char line[192];
        char *p = line;
        *p++ = '\r';
        p = std::to_chars(p, line + 120, percent).ptr;
        p = std::copy_n("%  ", 3, p);
        p = std::to_chars(p, line + 120, rate).ptr;
        p = std::copy_n(" points/s  ", 11, p);
        p = std::to_chars(p, line + 120, left / 60).ptr;
        *p++ = ':';
        *p++ = static_cast<char>('0' + (left % 60) / 10);
        *p++ = static_cast<char>('0' + left % 10);
        p = std::copy_n(" left ", 6, p);
        Say(m_nFd, std::string_view(line, static_cast<std::size_t>(p - line)));
        m_bShown = true;
    }

    /// Clears the line before a message or at the end.
    void Clear() {
        if (m_bShown)
            Say(m_nFd, "\r\033[K");
        m_bShown = false;
    }

  private:
    using Clock = std::chrono::steady_clock;
    int m_nFd;
    std::uint64_t m_nTotal;
    Clock::time_point m_start, m_last;
    bool m_bShown = false;
};

/// The reading side: opens the inputs in turn and fills slots with blocks.
class Feeder {
  public:
    Feeder(const BatchOptions &options, std::deque<FileState> &files)
        : m_options(options), m_files(files) {}
    ~Feeder() { Close(); }

    /// Fills @p slot with the next block, or with a failed input.
    /// @return false when every input is done.
    bool Fill(Slot &slot) {
        slot.failure.clear();
        slot.headerFirst = false;
        slot.block = BlockText{};
        for (;;) {
            if (!m_reader) {
                if (!Open(slot))
                    return false;
                if (!slot.failure.empty())
                    return true;
            }
            try {
                if (m_reader->Next(slot.buffer, slot.block)) {
                    Prepare(slot);
                    return true;
                }
            } catch (const IoError &e) {
                slot.file = m_file;
                slot.failure = m_file->name + ": " + e.what();
                Close();
                return true;
            }
            Close();
        }
    }

  private:
    bool Open(Slot &slot) {
        const std::vector<std::string> &inputs = m_options.inputs;
        if (m_nNext >= std::max<std::size_t>(inputs.size(), 1) ||
            (inputs.empty() && m_nNext > 0))
            return false;
        const std::string path = inputs.empty() ? "-" : inputs[m_nNext];
        ++m_nNext;
        FileState &file = m_files.emplace_back();
        file.name = path == "-" ? std::string(STDIN_NAME) : path;
        if (m_options.delimiter) {
            file.delimiterKnown = true;
            file.delimiter = *m_options.delimiter;
        }
        m_file = &file;
        slot.file = m_file;
        if (path == "-") {
            m_nFd = 0;
        } else {
            m_nFd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
            if (m_nFd < 0) {
                slot.failure =
                    file.name + ": cannot open: " + std::strerror(errno);
                return true;
            }
        }
        m_reader =
            std::make_unique<BlockReader>(m_nFd, BlockSize(m_options.threads));
        m_bFirstBlock = true;
        return true;
    }

    void Close() {
        if (m_nFd > 0)
            ::close(m_nFd);
        m_nFd = -1;
        m_reader.reset();
    }

    /// Header and delimiter, found by the first block that holds them; blocks
    /// before the first data line need neither.
    void Prepare(Slot &slot) {
        FileState &file = *m_file;
        slot.file = m_file;
        // A byte-order mark (files saved by some spreadsheets) is not part of
        // the first line.
        constexpr std::string_view BOM = "\xEF\xBB\xBF";
        if (m_bFirstBlock && !slot.block.overlongFirst &&
            slot.block.text.substr(0, BOM.size()) == BOM)
            slot.block.text.remove_prefix(BOM.size());
        slot.headerFirst = m_bFirstBlock && m_options.header;
        m_bFirstBlock = false;
        if (!file.delimiterKnown) {
            std::string_view text = slot.block.text;
            bool skipHeader = slot.headerFirst && !slot.block.overlongFirst;
            while (!text.empty()) {
                const std::size_t nl = text.find('\n');
                std::string_view line = text.substr(0, nl);
                text = nl == std::string_view::npos ? std::string_view()
                                                    : text.substr(nl + 1);
                if (!line.empty() && line.back() == '\r')
                    line.remove_suffix(1);
                if (skipHeader) {
                    skipHeader = false;
                    file.header = std::string(line);
                    continue;
                }
                if (IsPassThroughLine(line))
                    continue;
                file.delimiterKnown = true;
                file.delimiter = DetectDelimiter(line);
                break;
            }
        } else if (slot.headerFirst && !slot.block.overlongFirst) {
            const std::string_view text = slot.block.text;
            file.header = std::string(text.substr(0, text.find('\n')));
        }
        if (file.delimiterKnown && !file.keysReady &&
            m_options.outputFormat == OutputFormat::GeoJson) {
            if (m_options.header)
                file.keys = PropertyKeys(file.header, file.delimiter);
            file.keysReady = true;
        }
        slot.format.delimiter = file.delimiter;
        slot.format.keys =
            file.keysReady && !file.keys.empty() ? &file.keys : nullptr;
    }

    const BatchOptions &m_options;
    std::deque<FileState> &m_files;
    std::size_t m_nNext = 0;
    int m_nFd = -1;
    std::unique_ptr<BlockReader> m_reader;
    FileState *m_file = nullptr;
    bool m_bFirstBlock = false;
};

/// The writing side: output in input order, messages with line numbers,
/// the failure count.
class Writer {
  public:
    Writer(const BatchOptions &options, int outFd, int errFd,
           Progress *progress)
        : m_options(options), m_nOutFd(outFd), m_nErrFd(errFd),
          m_progress(progress) {}

    void Begin() {
        if (m_options.outputFormat == OutputFormat::GeoJson)
            WriteAll(m_nOutFd,
                     "{\"type\":\"FeatureCollection\",\"features\":[");
    }

    void End() {
        if (m_options.outputFormat == OutputFormat::GeoJson)
            WriteAll(m_nOutFd, m_bAnyFeature ? "\n]}\n" : "]}\n");
        if (m_progress) {
            m_progress->Update(m_nBytes, m_nPoints, true);
            m_progress->Clear();
        }
    }

    /// Writes one slot's output and messages.
    /// @return false when the run stops here.
    bool Write(const Slot &slot) {
        if (slot.file != m_file) {
            m_file = slot.file;
            m_nBase = 0;
        }
        if (!slot.failure.empty()) {
            Message("nolvex-convert: " + slot.failure + "\n");
            ++m_nFailedInputs;
            return true;
        }
        std::string_view out = slot.result.out.View();
        if (m_options.outputFormat == OutputFormat::GeoJson && !out.empty() &&
            !m_bAnyFeature) {
            out.remove_prefix(1); // the first feature has no comma before it
            m_bAnyFeature = true;
        }
        WriteAll(m_nOutFd, out);
        for (const LineError &error : slot.result.errors) {
            char number[24];
            char *end = std::to_chars(number, number + sizeof number,
                                      m_nBase + error.line)
                            .ptr;
            Message("nolvex-convert: " + m_file->name + ":" +
                    std::string(number, end) + ": " + error.message + "\n");
            ++m_nFailedLines;
        }
        m_nBase += slot.result.lines;
        m_nBytes += slot.block.consumed;
        m_nPoints += slot.result.points;
        if (m_progress)
            m_progress->Update(m_nBytes, m_nPoints, false);
        return !slot.result.stopped;
    }

    void Message(std::string_view text) {
        if (m_progress)
            m_progress->Clear();
        Say(m_nErrFd, text);
    }

    std::uint64_t FailedLines() const { return m_nFailedLines; }
    std::uint64_t FailedInputs() const { return m_nFailedInputs; }

  private:
    const BatchOptions &m_options;
    int m_nOutFd, m_nErrFd;
    Progress *m_progress;
    const FileState *m_file = nullptr;
    std::uint64_t m_nBase = 0;
    std::uint64_t m_nBytes = 0, m_nPoints = 0;
    std::uint64_t m_nFailedLines = 0, m_nFailedInputs = 0;
    bool m_bAnyFeature = false;
};

void RunOneThread(const BatchOptions &options, Feeder &feeder, Writer &writer) {
    LineConverter converter(options);
    Slot slot;
    while (feeder.Fill(slot)) {
        if (slot.failure.empty())
            ProcessBlock(converter, options, slot.block, slot.headerFirst,
                         slot.format, slot.result);
        else
            slot.result.Clear();
        if (!writer.Write(slot))
            return;
    }
}

/// The reader (this thread), the workers and the writer share a ring of
/// slots; blocks are taken and written strictly in input order.
void RunThreads(const BatchOptions &options, Feeder &feeder, Writer &writer) {
    const unsigned workers = options.threads;
    std::vector<Slot> slots(RingSize(workers));
    const std::uint64_t ring = slots.size();
    std::mutex mutex;
    std::condition_variable changed;
    std::uint64_t filled = 0, taken = 0, written = 0;
    bool inputDone = false, stop = false;
    std::exception_ptr failure;

    auto fail = [&](std::exception_ptr e) {
        std::lock_guard lock(mutex);
        if (!failure)
            failure = e;
        stop = true;
        changed.notify_all();
    };

    auto work = [&] {
        try {
            LineConverter converter(options);
            std::unique_lock lock(mutex);
            for (;;) {
                changed.wait(
                    lock, [&] { return stop || taken < filled || inputDone; });
                if (stop || (taken == filled && inputDone))
                    return;
                Slot &slot = slots[taken % ring];
                ++taken;
                lock.unlock();
                if (slot.failure.empty())
                    ProcessBlock(converter, options, slot.block,
                                 slot.headerFirst, slot.format, slot.result);
                else
                    slot.result.Clear();
                lock.lock();
                slot.done = true;
                changed.notify_all();
            }
        } catch (...) {
            fail(std::current_exception());
        }
    };

    auto write = [&] {
        try {
            std::unique_lock lock(mutex);
            for (;;) {
                changed.wait(lock, [&] {
                    return stop ||
                           (written < filled && slots[written % ring].done) ||
                           (inputDone && written == filled);
                });
                if (stop || (inputDone && written == filled))
                    return;
                Slot &slot = slots[written % ring];
                lock.unlock();
                const bool go = writer.Write(slot);
                lock.lock();
                slot.done = false;
                ++written;
                if (!go)
                    stop = true;
                changed.notify_all();
            }
        } catch (...) {
            fail(std::current_exception());
        }
    };

    std::vector<std::thread> threads;
    threads.reserve(workers + 1);
    threads.emplace_back(write);
    for (unsigned i = 0; i < workers; ++i)
        threads.emplace_back(work);

    try {
        for (;;) {
            Slot *slot = nullptr;
            {
                std::unique_lock lock(mutex);
                changed.wait(lock,
                             [&] { return stop || filled - written < ring; });
                if (stop)
                    break;
                slot = &slots[filled % ring];
            }
            const bool more = feeder.Fill(*slot);
            std::lock_guard lock(mutex);
            if (!more) {
                inputDone = true;
                changed.notify_all();
                break;
            }
            ++filled;
            changed.notify_all();
        }
    } catch (...) {
        fail(std::current_exception());
    }
    for (std::thread &t : threads)
        t.join();
    if (failure)
        std::rethrow_exception(failure);
}

/// Total size of the inputs when all of them are regular files, else
/// nothing (no progress line for pipes and terminals).
std::optional<std::uint64_t> TotalInputBytes(const BatchOptions &options) {
    std::uint64_t total = 0;
    auto add = [&](int fd, const char *path) {
        struct stat st {};
        const int rc = path ? ::stat(path, &st) : ::fstat(fd, &st);
        if (rc != 0 || !S_ISREG(st.st_mode))
            return false;
        total += static_cast<std::uint64_t>(st.st_size);
        return true;
    };
    if (options.inputs.empty())
        return add(0, nullptr) ? std::optional(total) : std::nullopt;
    for (const std::string &path : options.inputs)
        if (!(path == "-" ? add(0, nullptr) : add(-1, path.c_str())))
            return std::nullopt;
    return total;
}

} // namespace

int RunBatch(const BatchOptions &options, int outFd, int errFd) {
    // Any setup fault shows here, before a byte is written.
    { LineConverter check(options); }

    std::optional<Progress> progress;
    if (options.progress)
        if (const auto total = TotalInputBytes(options))
            progress.emplace(errFd, *total);

    std::deque<FileState> files;
    Feeder feeder(options, files);
    Writer writer(options, outFd, errFd, progress ? &*progress : nullptr);
    try {
        writer.Begin();
        if (options.threads <= 1)
            RunOneThread(options, feeder, writer);
        else
            RunThreads(options, feeder, writer);
        writer.End();
    } catch (const IoError &e) {
        writer.Message(std::string("nolvex-convert: ") + e.what() + "\n");
        return 1;
    }
    const std::uint64_t failed = writer.FailedLines();
    if (failed > 0)
        writer.Message("nolvex-convert: " + std::to_string(failed) +
                       (failed == 1 ? " line" : " lines") + " failed\n");
    return failed > 0 || writer.FailedInputs() > 0 ? 1 : 0;
}
