// A whole run: every input read in blocks, converted by worker threads and
// written in input order, with messages and progress for a front end.
#pragma once

#include "LineConvert.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

// ---- a whole run
// --------------------------------------------------------------

/// Name used in messages for standard input.
inline constexpr std::string_view STDIN_NAME = "<stdin>";

/// How far a run has come.
struct BatchProgress {
    std::uint64_t bytesDone = 0;  ///< input bytes converted and written
    std::uint64_t bytesTotal = 0; ///< all inputs, 0 when not known (a pipe)
    std::uint64_t points = 0;     ///< lines converted
    std::uint64_t linesFailed = 0;
    /// Points converted that lie outside the area of use of the operation
    /// used.
    std::uint64_t outsideArea = 0;
};

/// What a progress report comes to after @p seconds of a run.
struct ProgressFigures {
    std::uint64_t percent = 0; ///< of the input bytes; 0 when not known
    std::uint64_t rate = 0;    ///< points per second; 0 before any time
    bool knowsLeft = false;    ///< part done, part still to do
    std::uint64_t secondsLeft = 0; ///< at the rate so far, when knowsLeft
};
ProgressFigures FiguresOf(const BatchProgress &progress, double seconds);

/**
 * What a run tells its front end. Both calls come from one thread at a time
 * (the writing side), between blocks.
 */
class BatchObserver {
  public:
    virtual ~BatchObserver() = default;
    /// A message for the user, one line without its line end:
    /// "FILE:LINE: message", "FILE: cannot open: ...", "N lines failed".
    virtual void Message(std::string_view text) = 0;
    /// After each block written, and once at the end.
    virtual void Progress(const BatchProgress &) {}
};

/// How a run ended.
enum class RunEnd {
    Finished,  ///< every input read and written (lines may have failed)
    Stopped,   ///< ErrorPolicy::Stop at a failed line or input
    Cancelled, ///< the cancel flag was set
    Failed,    ///< the output could not be written
};

struct BatchSummary {
    RunEnd end = RunEnd::Finished;
    BatchProgress progress;
    std::uint64_t inputsFailed = 0;

    /// 0 when everything converted, 1 otherwise.
    int ExitStatus() const {
        return end == RunEnd::Finished && progress.linesFailed == 0 &&
                       inputsFailed == 0
                   ? 0
                   : 1;
    }
};

/// With many threads the blocks get smaller, down to this many bytes of
/// input, so that all blocks in flight stay within the budget.
constexpr std::size_t MIN_BLOCK_SIZE = 64 * 1024;

/// Memory that a run's blocks may hold together: those in flight (input,
/// output, the fields' index while converted) and what idle slots keep for
/// their next block.
constexpr std::size_t IN_FLIGHT_BUDGET = 12u << 20;

/**
 * What a run's budget charges a block for its conversion beyond its input:
 * the output it may write and the fields' index of its widest line.
 * @param[in] block the block as read.
 * @param[in] format its file's layout (the delimiter cuts the fields).
 * @return bytes.
 */
std::size_t ConversionEstimate(const BatchOptions &options,
                               const BlockText &block,
                               const FileFormat &format);

/// The worker threads a run really uses for @p requested: at most what the
/// budget keeps busy with blocks of the smallest size.
unsigned UsableThreads(unsigned requested);

/**
 * Converts every input into @p outFd. A named output file is written by
 * the caller through OutputFile and committed only when the run finished.
 * @param[in] cancel checked between blocks; when set the run ends as
 *   RunEnd::Cancelled.
 * @param[in] checked a converter already made for @p options (setting up
 *   PROJ's operation again costs tens of milliseconds), or null.
 * @throws SetupError before any output when the engines cannot be set up.
 */
BatchSummary RunBatch(const BatchOptions &options, int outFd,
                      BatchObserver &observer,
                      const std::atomic<bool> *cancel = nullptr,
                      const LineConverter *checked = nullptr);
