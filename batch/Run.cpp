// A whole run: inputs read in blocks, blocks converted by worker threads,
// output written in input order, messages and progress through an observer.
#include "AngleText.h"
#include "Run.h"

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

/// Blocks in flight: one per worker, one being read, one being written and
/// one to spare.
std::size_t RingSize(unsigned threads) { return threads + 3; }

/// Bytes of the fields' index per field of a line: the field and, where
/// angles are grouped, its value's span.
constexpr std::size_t INDEX_BYTES_PER_FIELD =
    sizeof(std::string_view) + sizeof(FieldSpan);

/// What a block is charged before it is read: its input and as much again
/// for its output. Once read it is charged what it holds and may take (see
/// ConversionEstimate).
std::size_t BlockCharge(std::size_t blockSize) { return 2 * blockSize; }

std::size_t BlockSize(unsigned threads) {
    if (threads <= 1)
        return BLOCK_SIZE;
    return std::clamp(IN_FLIGHT_BUDGET / BlockCharge(1) / RingSize(threads),
                      MIN_BLOCK_SIZE, BLOCK_SIZE);
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

/// What is known about one input while it is read.
struct FileState {
    std::string name;            ///< as messages show it
    bool delimiterKnown = false; ///< format.delimiter is set
    std::string header;
    std::vector<std::string> keys; ///< set once, before any data line
    FileFormat format;             ///< columns resolved, keys set
    bool ready = false;            ///< format complete
};

/// One block on its way from the reader through a worker to the writer. It
/// holds its file's state: a worker reads the file's keys, the writer its
/// name, while the reader may have gone on to further files.
struct Slot {
    std::vector<char> buffer;
    BlockText block;
    BlockPlace place;
    FileFormat format;
    std::shared_ptr<const FileState> file;
    std::string failure; ///< the input itself failed (open, read, heading)
    BlockResult result;
    std::size_t charge = 0; ///< bytes counted against the budget
    bool done = false;
};

/// The reading side: opens the inputs in turn and fills slots with blocks.
class Feeder {
  public:
    /// @p cancel also ends a wait for a pipe's writer (see OpenInput).
    Feeder(const BatchOptions &options, const LineConverter &converter,
           const std::atomic<bool> *cancel)
        : m_options(options), m_converter(converter), m_pCancel(cancel),
          m_nBlockSize(options.blockSize != 0 ? options.blockSize
                                              : BlockSize(options.threads)) {}
    ~Feeder() { Close(); }

    /// Fills @p slot with the next block, or with a failed input.
    /// @return false when every input is done.
    bool Fill(Slot &slot) {
        slot.failure.clear();
        slot.place = BlockPlace{};
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
                    if (!slot.failure.empty())
                        Close();
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

    std::size_t BlockBytes() const { return m_nBlockSize; }

  private:
    bool Open(Slot &slot) {
        const std::vector<std::string> &inputs = m_options.inputs;
        if (m_nNext >= std::max<std::size_t>(inputs.size(), 1) ||
            (inputs.empty() && m_nNext > 0))
            return false;
        const std::string path = inputs.empty() ? "-" : inputs[m_nNext];
        ++m_nNext;
        m_file = std::make_shared<FileState>();
        FileState &file = *m_file;
        file.name =
            path == "-" ? std::string(STDIN_NAME) : EscapeForMessage(path);
        if (m_options.delimiter) {
            file.delimiterKnown = true;
            file.format.delimiter = *m_options.delimiter;
        }
        file.format.delimiterKnown = file.delimiterKnown;
        slot.file = m_file;
        if (path == "-") {
            m_nFd = 0;
        } else {
            m_nFd = OpenInput(path, m_pCancel);
            if (m_nFd < 0) {
                slot.failure =
                    file.name + ": cannot open: " + std::strerror(errno);
                return true;
            }
        }
        m_reader = std::make_unique<BlockReader>(m_nFd, m_nBlockSize);
        m_reader->SetCancel(m_pCancel);
        if (file.delimiterKnown)
            m_reader->SetDelimiter(file.format.delimiter);
        m_bFirstBlock = true;
        return true;
    }

    void Close() {
        if (m_nFd > 0)
            ::close(m_nFd);
        m_nFd = -1;
        m_reader.reset();
    }

    /// Header, delimiter and columns, found by the first block that holds
    /// them; blocks before the first data line need none of them.
    void Prepare(Slot &slot) {
        FileState &file = *m_file;
        slot.file = m_file;
        // A byte-order mark (files saved by some spreadsheets) is not part of
        // the first line.
        constexpr std::string_view BOM = "\xEF\xBB\xBF";
        if (m_bFirstBlock && slot.block.overlong == 0 &&
            slot.block.text.substr(0, BOM.size()) == BOM) {
            slot.block.text.remove_prefix(BOM.size());
            // Kept at the start of the output, where its writer keeps one.
            slot.place.byteOrderMark = m_nNext == 1;
        }
        slot.place.headerFirst = m_bFirstBlock && m_options.header;
        slot.place.fileStart = m_bFirstBlock;
        const bool headerHere =
            slot.place.headerFirst && slot.block.overlong == 0;
        m_bFirstBlock = false;
        if (!file.delimiterKnown) {
            if (const auto line = FirstDataLine(slot.block.text, headerHere)) {
                file.delimiterKnown = true;
                file.format.delimiter = DetectDelimiter(*line);
            }
            // A heading whose first data line is further on: its own
            // delimiter, so that its names can be found.
            if (!file.delimiterKnown && headerHere &&
                !m_options.columnNames.empty()) {
                std::string_view rest;
                file.delimiterKnown = true;
                file.format.delimiter = DetectDelimiter(
                    NextRecord(slot.block.text, 0, false, rest));
            }
            if (file.delimiterKnown) {
                file.format.delimiterKnown = true;
                m_reader->SetDelimiter(file.format.delimiter);
            }
        }
        // The heading as the block's conversion cuts it.
        if (headerHere) {
            std::string_view rest;
            file.header = std::string(NextRecord(slot.block.text,
                                                 file.format.delimiter,
                                                 file.format.delimiterKnown,
                                                 rest));
        }
        if (!file.ready) {
            try {
                ResolveColumns(m_options, m_converter, file.header, file.format);
            } catch (const ColumnsInputError &e) {
                slot.failure =
                    file.name + ": " +
                    (m_options.words.columns ? m_options.words.columns(e.Fault())
                                             : std::string(e.what()));
                return;
            } catch (const InputError &e) {
                slot.failure = file.name + ": " + e.what();
                return;
            }
            if (file.delimiterKnown) {
                if (WriterOf(m_options).NamesProperties() && m_options.header)
                    file.keys =
                        PropertyKeys(file.header, file.format.delimiter);
                file.format.keys = file.keys.empty() ? nullptr : &file.keys;
                file.ready = true;
                file.header.clear();
                file.header.shrink_to_fit();
            }
        }
        slot.format = file.format;
    }

    const BatchOptions &m_options;
    const LineConverter &m_converter;
    const std::atomic<bool> *m_pCancel;
    std::size_t m_nBlockSize;
    std::size_t m_nNext = 0;
    int m_nFd = -1;
    std::unique_ptr<BlockReader> m_reader;
    std::shared_ptr<FileState> m_file;
    bool m_bFirstBlock = false;
};

/// The writing side: output in input order, messages with line numbers,
/// progress, and the end of the run.
class Writer {
  public:
    Writer(const BatchOptions &options, int outFd, BatchObserver &observer,
           std::uint64_t total)
        : m_options(options), m_nOutFd(outFd), m_observer(observer) {
        m_progress.bytesTotal = total;
    }

    void Begin() { WriteAll(m_nOutFd, m_writer.Begin()); }

    void End() {
        WriteAll(m_nOutFd, m_writer.End(m_bAnyWritten));
        m_observer.Progress(m_progress);
    }

    /// Writes one slot's output and messages.
    /// @return false when the run stops here.
    bool Write(const Slot &slot) {
        if (slot.file != m_file) {
            m_file = slot.file;
            m_nBase = 0;
        }
        if (!slot.failure.empty()) {
            m_observer.Message(slot.failure);
            ++m_nFailedInputs;
            return m_options.onError != ErrorPolicy::Stop;
        }
        const std::string_view out = slot.result.out.View();
        WriteAll(m_nOutFd, m_writer.Joined(out, !m_bAnyWritten));
        m_bAnyWritten = m_bAnyWritten || !out.empty();
        for (const LineError &error : slot.result.errors) {
            char number[24];
            char *end = std::to_chars(number, number + sizeof number,
                                      m_nBase + error.line)
                            .ptr;
            m_observer.Message(
                m_file->name + ":" + std::string(number, end) + ": " +
                Advised(error.message, error.advice, m_options.words));
            ++m_progress.linesFailed;
        }
        for (const OutsideLine &outside : slot.result.outsideLines)
            if (m_outsideLines.size() < OUTSIDE_LINES_KEPT)
                m_outsideLines.push_back(
                    m_file->name + ":" + std::to_string(m_nBase + outside.line) +
                    (outside.swappedInside ? " (axes swapped?)" : ""));
        Add(slot.result.operationPoints, m_operationPoints);
        m_bOutsideTarget = m_bOutsideTarget || slot.result.outsideTarget;
        Add(slot.result.missingPoints, m_missingPoints);
        m_nBase += slot.result.lines;
        m_progress.bytesDone += slot.block.consumed;
        m_progress.points += slot.result.points;
        m_progress.outsideArea += slot.result.outside;
        m_nHeightsTaken += slot.result.heightsTaken;
        m_observer.Progress(m_progress);
        return !slot.result.stopped;
    }

    const BatchProgress &Counts() const { return m_progress; }
    std::uint64_t FailedInputs() const { return m_nFailedInputs; }
    /// "FILE:LINE" of the first points outside the area of use.
    const std::vector<std::string> &OutsideLines() const {
        return m_outsideLines;
    }
    const std::vector<std::uint64_t> &OperationPoints() const {
        return m_operationPoints;
    }
    const std::vector<std::uint64_t> &MissingPoints() const {
        return m_missingPoints;
    }
    /// Some points lay outside the target system's area.
    bool OutsideTarget() const { return m_bOutsideTarget; }
    /// Points converted without a height where the target has one.
    std::uint64_t HeightsTaken() const { return m_nHeightsTaken; }

  private:
    static void Add(const std::vector<std::uint64_t> &counts,
                    std::vector<std::uint64_t> &sums) {
        if (sums.size() < counts.size())
            sums.resize(counts.size());
        for (std::size_t i = 0; i < counts.size(); ++i)
            sums[i] += counts[i];
    }

    const BatchOptions &m_options;
    int m_nOutFd;
    BatchObserver &m_observer;
    std::shared_ptr<const FileState> m_file;
    std::uint64_t m_nBase = 0;
    BatchProgress m_progress;
    std::uint64_t m_nFailedInputs = 0;
    const OutputWriter &m_writer{WriterOf(m_options)};
    bool m_bAnyWritten = false;
    std::vector<std::string> m_outsideLines;
    std::vector<std::uint64_t> m_operationPoints, m_missingPoints;
    bool m_bOutsideTarget = false;
    std::uint64_t m_nHeightsTaken = 0;
};

struct ByteCounts {
    std::size_t lines = 0, separators = 0;
};

/// The line ends of @p text and its separators: @p delimiter, or blanks
/// where it is 0. One pass on the reader's thread, in runs of 255 bytes
/// whose byte-wide sums cannot overflow, so that the compiler counts many
/// bytes at once.
ByteCounts CountLinesAndSeparators(std::string_view text, char delimiter) {
    ByteCounts counts;
    const char *p = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        const std::size_t run = std::min<std::size_t>(left, 255);
        unsigned char lines = 0, separators = 0;
        if (delimiter != 0) {
            for (std::size_t i = 0; i < run; ++i) {
                lines += p[i] == '\n';
                separators += p[i] == delimiter;
            }
        } else {
            for (std::size_t i = 0; i < run; ++i) {
                lines += p[i] == '\n';
                separators += (p[i] == ' ') | (p[i] == '\t');
            }
        }
        counts.lines += lines;
        counts.separators += separators;
        p += run;
        left -= run;
    }
    return counts;
}

} // namespace

// A text line comes back with its results or its error added, a GeoJSON
// feature with each byte escaped into up to six and a key for each
// property; the index is that of the widest line, bounded by the block's
// delimiters and by MAX_FIELDS.
std::size_t ConversionEstimate(const BatchOptions &options,
                               const BlockText &block,
                               const FileFormat &format) {
    const std::string_view text = block.text;
    const char delimiter = format.delimiterKnown ? format.delimiter : ',';
    const ByteCounts counts = CountLinesAndSeparators(text, delimiter);
    const std::size_t lines = block.overlong + counts.lines;
    const std::size_t output = WriterOf(options).OutputBound(
        text.size(), lines, counts.separators + lines);
    const std::size_t fields = std::min(counts.separators + 1, MAX_FIELDS + 1);
    return output + fields * INDEX_BYTES_PER_FIELD;
}

namespace {

/// Gives back what a large block made a slot's buffers grow to.
void ReleaseSlot(Slot &slot, std::size_t blockSize) {
    if (slot.buffer.capacity() > 2 * blockSize) {
        std::vector<char>().swap(slot.buffer);
    }
    slot.result.out.Release(2 * blockSize);
    if (slot.result.errors.capacity() > 1024)
        std::vector<LineError>().swap(slot.result.errors);
}

/// Gives back all of a slot's buffers.
void EmptySlot(Slot &slot) {
    std::vector<char>().swap(slot.buffer);
    slot.result.out.Release(0);
    std::vector<LineError>().swap(slot.result.errors);
}

/// What a slot's buffers hold: its block's input and output, or what it
/// kept of them for its next block.
std::size_t HeldBytes(const Slot &slot) {
    return slot.buffer.capacity() + slot.result.out.Capacity();
}

/// A block converted, or no result for an input that failed itself.
void ConvertSlot(LineConverter &converter, const BatchOptions &options,
                 Slot &slot) {
    if (slot.failure.empty())
        ProcessBlock(converter, options, slot.block, slot.place, slot.format,
                     slot.result);
    else
        slot.result.Clear();
    // Nothing of the block stays with the worker.
    converter.ReleaseIndex();
}

bool Cancelled(const std::atomic<bool> *cancel) {
    return cancel != nullptr && cancel->load(std::memory_order_relaxed);
}

RunEnd RunOneThread(const BatchOptions &options, LineConverter &converter,
                    Feeder &feeder, Writer &writer,
                    const std::atomic<bool> *cancel) {
    Slot slot;
    for (;;) {
        if (Cancelled(cancel))
            return RunEnd::Cancelled;
        if (!feeder.Fill(slot))
            return RunEnd::Finished;
        ConvertSlot(converter, options, slot);
        const bool go = writer.Write(slot);
        ReleaseSlot(slot, feeder.BlockBytes());
        if (!go)
            return RunEnd::Stopped;
    }
}

/// The reader (the calling thread), the workers and the writer share a ring
/// of slots; blocks are taken and written strictly in input order. The
/// budget counts everything the slots hold: the blocks in flight, each by
/// its input and what its conversion may take until it is converted, then
/// by its input and output; and what written slots keep for their next
/// block. A block goes to the workers only while the total stays within
/// the budget, or when no other block is in flight.
class Ring {
  public:
    Ring(const BatchOptions &options, std::size_t blockSize,
         const std::atomic<bool> *cancel)
        : m_options(options), m_slots(RingSize(options.threads)),
          m_nRing(m_slots.size()), m_nBlockSize(blockSize), m_pCancel(cancel) {}

    /// A worker: converts the slots in turn, with its own copy of the
    /// converter that checked the setup (PROJ's operation in this thread's
    /// own context).
    void Work(const LineConverter &prototype) {
        Guarded([&] {
            LineConverter converter(prototype);
            std::unique_lock lock(m_mutex);
            for (;;) {
                m_changed.wait(lock, [&] {
                    return m_bStop || m_nTaken < m_nFilled || m_bInputDone;
                });
                if (m_bStop || (m_nTaken == m_nFilled && m_bInputDone))
                    return;
                Slot &slot = m_slots[m_nTaken % m_nRing];
                ++m_nTaken;
                lock.unlock();
                ConvertSlot(converter, m_options, slot);
                lock.lock();
                // The output's real size replaces its estimate.
                Recharge(slot);
                slot.done = true;
                m_changed.notify_all();
            }
        });
    }

    /// The writer: the converted slots in input order.
    void Write(Writer &writer) {
        Guarded([&] {
            std::unique_lock lock(m_mutex);
            for (;;) {
                m_changed.wait(lock, [&] {
                    return m_bStop ||
                           (m_nWritten < m_nFilled &&
                            m_slots[m_nWritten % m_nRing].done) ||
                           (m_bInputDone && m_nWritten == m_nFilled);
                });
                if (m_bStop || (m_bInputDone && m_nWritten == m_nFilled))
                    return;
                Slot &slot = m_slots[m_nWritten % m_nRing];
                lock.unlock();
                const bool cancelled = Cancelled(m_pCancel);
                const bool go = !cancelled && writer.Write(slot);
                ReleaseSlot(slot, m_nBlockSize);
                lock.lock();
                Recharge(slot); // what it keeps for its next block
                slot.done = false;
                ++m_nWritten;
                if (!go) {
                    m_bStop = true;
                    m_end = cancelled ? RunEnd::Cancelled : RunEnd::Stopped;
                }
                m_changed.notify_all();
            }
        });
    }

    /// The reader: fills free slots until the input ends or the run stops.
    void Feed(Feeder &feeder) {
        Guarded([&] {
            for (;;) {
                Slot *slot = nullptr;
                {
                    std::unique_lock lock(m_mutex);
                    m_changed.wait(lock, [&] { return m_bStop || RoomForBlock(); });
                    if (m_bStop)
                        return;
                    slot = &m_slots[m_nFilled % m_nRing];
                }
                if (Cancelled(m_pCancel)) {
                    std::lock_guard lock(m_mutex);
                    m_bStop = true;
                    m_end = RunEnd::Cancelled;
                    m_changed.notify_all();
                    return;
                }
                const bool more = feeder.Fill(*slot);
                std::unique_lock lock(m_mutex);
                if (!more) {
                    m_bInputDone = true;
                    m_changed.notify_all();
                    return;
                }
                // The block as read is held at once; it goes to the workers
                // when what its conversion may take fits as well (a line of
                // many fields needs an index far larger than its text).
                Recharge(*slot);
                const std::size_t estimate =
                    ConversionEstimate(m_options, slot->block, slot->format);
                m_changed.wait(lock, [&] { return m_bStop || Fits(estimate); });
                if (m_bStop)
                    return;
                m_nHeld += estimate;
                slot->charge += estimate;
                ++m_nFilled;
                m_changed.notify_all();
            }
        });
    }

    /// How the run ended; rethrows the first failure of any thread.
    RunEnd End() const {
        if (m_failure)
            std::rethrow_exception(m_failure);
        return m_end;
    }

  private:
    /// A free slot, and the budget allows one more block. Called with the
    /// mutex held.
    bool RoomForBlock() {
        if (m_nFilled - m_nWritten >= m_nRing)
            return false;
        // The block reuses what its slot kept; it needs at least a block of
        // input and output.
        const std::size_t kept = m_slots[m_nFilled % m_nRing].charge;
        const std::size_t least = BlockCharge(m_nBlockSize);
        return Fits(least - std::min(kept, least));
    }

    /// Whether @p need more bytes fit the budget, once idle slots have given
    /// back what they kept as far as needed, the slot filled last first (it
    /// is the one whose buffers would wait longest). Always true when no
    /// block is in flight: one block may exceed the budget alone. Called by
    /// the reader, to which the idle slots belong, with the mutex held.
    bool Fits(std::size_t need) {
        for (std::uint64_t n = m_nWritten + m_nRing - 1;
             n > m_nFilled && m_nHeld + need > IN_FLIGHT_BUDGET; --n) {
            Slot &idle = m_slots[n % m_nRing];
            EmptySlot(idle);
            Recharge(idle);
        }
        return m_nFilled == m_nWritten || m_nHeld + need <= IN_FLIGHT_BUDGET;
    }

    /// The slot charged what its buffers hold. Called with the mutex held.
    void Recharge(Slot &slot) {
        m_nHeld = m_nHeld - slot.charge + HeldBytes(slot);
        slot.charge = HeldBytes(slot);
    }

    /// Runs @p body; a failure stops every thread, the first one kept.
    template <class Body> void Guarded(Body body) {
        try {
            body();
        } catch (...) {
            std::lock_guard lock(m_mutex);
            if (!m_failure)
                m_failure = std::current_exception();
            m_bStop = true;
            m_changed.notify_all();
        }
    }

    const BatchOptions &m_options;
    std::vector<Slot> m_slots;
    const std::uint64_t m_nRing;
    const std::size_t m_nBlockSize;
    const std::atomic<bool> *m_pCancel;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::uint64_t m_nFilled = 0, m_nTaken = 0, m_nWritten = 0;
    std::size_t m_nHeld = 0; ///< all slots' charges
    bool m_bInputDone = false, m_bStop = false;
    RunEnd m_end = RunEnd::Finished;
    std::exception_ptr m_failure;
};

RunEnd RunThreads(const BatchOptions &options, const LineConverter &prototype,
                  Feeder &feeder, Writer &writer,
                  const std::atomic<bool> *cancel) {
    Ring ring(options, feeder.BlockBytes(), cancel);
    std::vector<std::thread> threads;
    threads.reserve(options.threads + 1);
    threads.emplace_back([&] { ring.Write(writer); });
    for (unsigned i = 0; i < options.threads; ++i)
        threads.emplace_back([&] { ring.Work(prototype); });
    ring.Feed(feeder);
    for (std::thread &t : threads)
        t.join();
    return ring.End();
}

/// Total size of the inputs when all of them are regular files, else 0.
std::uint64_t TotalInputBytes(const BatchOptions &options) {
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
        return add(0, nullptr) ? total : 0;
    for (const std::string &path : options.inputs)
        if (!(path == "-" ? add(0, nullptr) : add(-1, path.c_str())))
            return 0;
    return total;
}

} // namespace

namespace {

/// Worker threads with a PROJ operation: each holds its own context and
/// grid cache, which bound the memory more than the blocks do.
constexpr unsigned PROJ_THREADS_MAX = 8;

std::string Plural(std::uint64_t count, const char *one, const char *many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

/// What a run with PROJ's operation tells at its end: points outside the
/// area of use, a ballpark operation, more accurate operations whose grids
/// are missing, a system made 3D; and with --verbose the operations used
/// with their counts, their grids and PROJ's versions.
void ProjSummary(const BatchOptions &options, const Chain &chain,
                 const Writer &writer, BatchObserver &observer) {
    const ProjTransform *proj = chain.Proj();
    if (!proj)
        return;
    // What the front end would have its user change.
    const auto hint = [&options](Advice advice) -> const std::string & {
        return options.words[advice];
    };
    const auto &candidates = proj->Candidates();
    const std::vector<std::uint64_t> &used = writer.OperationPoints();
    if (!chain.Promoted().empty())
        observer.Message(chain.Promoted() +
                         " has no height of its own: its third value is taken "
                         "as an ellipsoidal height (the system made 3D)");
    if (const std::uint64_t taken = writer.HeightsTaken(); taken != 0)
        observer.Message(Plural(taken, "point has", "points have") +
                         " no height: 0 m was taken on the catalogue datum");
    const bool catalogueFrom = !options.conversion.from.IsSystem();
    if (catalogueFrom != !options.conversion.to.IsSystem() && options.verbose)
        observer.Message("the catalogue datum meets " +
                         (catalogueFrom ? proj->To() : proj->From()).Label() +
                         " through WGS 84 geographic (" +
                         (catalogueFrom ? proj->From() : proj->To()).Label() +
                         ")");
    if (proj->Ballpark())
        observer.Message("only a ballpark operation exists from " +
                         proj->From().Label() + " to " + proj->To().Label() +
                         ": " + candidates.front().BallparkText() +
                         hint(Advice::AllowBallpark));
    else
        for (std::size_t i = 0; i < used.size() && i < candidates.size(); ++i)
            if (used[i] != 0 && candidates[i].ballpark)
                observer.Message(BallparkUsedText(candidates[i], used[i]));
    const std::uint64_t outside = writer.Counts().outsideArea;
    if (outside != 0) {
        std::string lines;
        for (const std::string &line : writer.OutsideLines())
            lines += (lines.empty() ? "" : ", ") + line;
        if (outside > writer.OutsideLines().size())
            lines += ", ...";
        observer.Message(OutsidePointsText(*proj, used, writer.OutsideTarget(),
                                           outside, lines) +
                         hint(Advice::OutsideAreaError));
    }
    const std::vector<std::uint64_t> &missing = writer.MissingPoints();
    for (std::size_t i = 0; i < missing.size(); ++i)
        if (missing[i] != 0)
            observer.Message(
                MissingGridPointsText(proj->Missing()[i], missing[i]) +
                hint(Advice::RequireBest));
    if (!options.verbose)
        return;
    for (std::size_t i = 0; i < used.size() && i < candidates.size(); ++i)
        if (used[i] != 0)
            observer.Message("operation " + candidates[i].Label() + ": " +
                             Plural(used[i], "point", "points"));
    // The files PROJ opened, by their paths (PROJ's own name for a grid
    // may be a newer file's: us_nga_egm96_15.tif for egm96_15.gtx).
    std::vector<std::string> grids;
    for (std::size_t i = 0; i < used.size() && i < candidates.size(); ++i)
        if (used[i] != 0)
            for (const std::string &grid : candidates[i].GridFiles())
                if (std::find(grids.begin(), grids.end(), grid) == grids.end())
                    grids.push_back(grid);
    if (!grids.empty()) {
        std::string text;
        for (const std::string &grid : grids)
            text += (text.empty() ? "" : ", ") + grid;
        observer.Message("grid files used: " + text);
    }
    // Every more accurate operation that a missing grid keeps out, with
    // its grids, wherever the points lay.
    for (const MissingOperation &m : proj->Missing()) {
        std::string names;
        for (const std::string &grid : m.missingGrids)
            names += (names.empty() ? "" : ", ") + EscapeForMessage(grid);
        observer.Message("not installed, for " + m.operation.Label() + ": " +
                         names);
    }
    observer.Message(ProjVersionText());
}

} // namespace

unsigned UsableThreads(unsigned requested) {
    const auto most = static_cast<unsigned>(
        IN_FLIGHT_BUDGET / BlockCharge(MIN_BLOCK_SIZE) - RingSize(0));
    return std::clamp(requested, 1u, most);
}

BatchSummary RunBatch(const BatchOptions &options, int outFd,
                      BatchObserver &observer,
                      const std::atomic<bool> *cancel,
                      const LineConverter *checked) {
    BatchOptions run = options;
    run.threads = UsableThreads(options.threads);
    // Any setup fault shows here, before a byte is written. One thread
    // converts with it; several copy it.
    std::optional<LineConverter> made;
    if (!checked)
        made.emplace(run);
    const LineConverter &prototype = checked ? *checked : *made;
    LineConverter converter(prototype);
    if (converter.Steps().Proj())
        run.threads = std::min(run.threads, PROJ_THREADS_MAX);

    Feeder feeder(run, converter, cancel);
    Writer writer(run, outFd, observer, TotalInputBytes(run));
    BatchSummary summary;
    try {
        writer.Begin();
        summary.end =
            run.threads <= 1
                ? RunOneThread(run, converter, feeder, writer, cancel)
                : RunThreads(run, converter, feeder, writer, cancel);
        if (summary.end != RunEnd::Cancelled)
            writer.End();
    } catch (const ReadCancelled &) {
        summary.end = RunEnd::Cancelled; // while it waited for a pipe
    } catch (const IoError &e) {
        observer.Message(e.what());
        summary.end = RunEnd::Failed;
    }
    summary.progress = writer.Counts();
    summary.inputsFailed = writer.FailedInputs();
    // What PROJ's operation did to the points tells nothing about a run
    // whose output is thrown away.
    if (summary.end != RunEnd::Cancelled)
        ProjSummary(run, converter.Steps(), writer, observer);
    const std::uint64_t failed = summary.progress.linesFailed;
    if (failed > 0)
        observer.Message(std::to_string(failed) +
                         (failed == 1 ? " line" : " lines") + " failed");
    return summary;
}

ProgressFigures FiguresOf(const BatchProgress &progress, double seconds) {
    ProgressFigures figures;
    if (progress.bytesTotal != 0)
        figures.percent = progress.bytesDone * 100 / progress.bytesTotal;
    if (seconds > 0)
        figures.rate = static_cast<std::uint64_t>(
            static_cast<double>(progress.points) / seconds);
    figures.knowsLeft =
        progress.bytesDone > 0 && progress.bytesDone < progress.bytesTotal;
    if (figures.knowsLeft)
        figures.secondsLeft = static_cast<std::uint64_t>(
            seconds *
            static_cast<double>(progress.bytesTotal - progress.bytesDone) /
            static_cast<double>(progress.bytesDone));
    return figures;
}
