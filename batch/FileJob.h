// What every front end needs around one run over a file: a first look at
// the file's lines, the check that the output is no input, and the run into
// a named output that appears whole or not at all. nolvex-convert and the
// window's file-conversion dialog both use it, so both write the same bytes.
#pragma once

#include "Run.h"
#include "LineReader.h" // HeadingNames

#include <atomic>
#include <sys/stat.h>
#include <string>
#include <string_view>
#include <vector>

/// What the first lines of a file suggest.
struct FileGuess {
    char delimiter = 0;     ///< of the first data line (see DetectDelimiter)
    bool header = false;    ///< the first line looks like a heading
    std::size_t fields = 0; ///< fields of the first data line
    /// The first field (0-based) of the first data line that reads as a
    /// number or an angle: where the coordinates probably start.
    std::size_t firstCoordinate = 0;
};

/**
 * Looks at a file's first lines (without their line ends): the delimiter of
 * its first data line, a heading (a first line without a digit, before a
 * line with one), the number of fields, and the first field that reads as a
 * number or an angle.
 */
FileGuess GuessFileLayout(const std::vector<std::string> &lines);

/// The first lines of a file, for a first look (see ReadFileHead).
struct FileHead {
    /// A regular file, which was read; a pipe, device or socket is not.
    bool regular = false;
    /// Its first lines without their line ends, the byte-order mark of the
    /// first one left out as a run leaves it out.
    std::vector<std::string> lines;
    std::string error; ///< why it could not be read; empty when it could
};

/**
 * Reads the first @p maxLines lines of @p path, at most @p maxBytes. A
 * pipe, device or socket is left unread: its lines can be read once, and
 * that is the run's. @p cancel, when set, ends the reading between two
 * reads with the lines read so far.
 */
FileHead ReadFileHead(const std::string &path, std::size_t maxLines,
                      std::size_t maxBytes,
                      const std::atomic<bool> *cancel = nullptr);

/// True when descriptor @p fd is open on the file @p b describes (same
/// device and inode).
bool SameFile(int fd, const struct stat &b);

/**
 * Refuses a run whose output is one of its inputs, by device and inode:
 * reading and writing the same file loses it. Standard input counts as an
 * input when the run reads it, and standard output as the output when no
 * output is named.
 * @throws UsageError naming the two.
 */
void CheckOutputIsNoInput(const BatchOptions &options);

/**
 * With the trace switch on, refuses a run that would append trace records
 * to one of its inputs or to its output: a trace file of the current
 * directory (see TraceFileName) that is an input, standard input or output
 * when the run uses them, or the named output, existing or not.
 * @throws UsageError naming the two.
 */
void CheckTraceFilesAreNoInputs(const BatchOptions &options);

/**
 * RunBatch into the file options.output: through an OutputFile, which takes
 * the output's name only when the run got to the end of its inputs; a run
 * that is stopped, cancelled or fails leaves any file of that name as it
 * was, and no temporary file behind.
 * @throws IoError when the output cannot be created or given its name.
 */
BatchSummary ConvertToFile(const BatchOptions &options,
                           BatchObserver &observer,
                           const std::atomic<bool> *cancel = nullptr,
                           const LineConverter *checked = nullptr);
