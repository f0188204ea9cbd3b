// What every front end needs around one run over a file.
#include "FileJob.h"

#include "AngleText.h"
#include "LineReader.h"
#include "OutputFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

/// The field reads as a plain number or as an angle in any notation.
bool ReadsAsCoordinate(std::string_view field) {
    std::string scratch;
    const std::string_view text = Unquote(field, scratch);
    if (text.empty())
        return false;
    try {
        ParseAngle(text);
        return true;
    } catch (const std::exception &) {
        return false;
    }
}

bool SameFile(const std::string &path, const struct stat &b) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && st.st_dev == b.st_dev &&
           st.st_ino == b.st_ino;
}

} // namespace

bool SameFile(int fd, const struct stat &b) {
    struct stat st {};
    return ::fstat(fd, &st) == 0 && st.st_dev == b.st_dev &&
           st.st_ino == b.st_ino;
}

FileHead ReadFileHead(const std::string &path, std::size_t maxLines,
                      std::size_t maxBytes, const std::atomic<bool> *cancel) {
    FileHead head;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        head.error = std::strerror(errno);
        return head;
    }
    if (S_ISDIR(st.st_mode)) {
        head.error = std::strerror(EISDIR);
        return head;
    }
    if (!S_ISREG(st.st_mode))
        return head;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        head.error = std::strerror(errno);
        return head;
    }
    head.regular = true;
    std::string text;
    std::size_t ends = 0;
    char buffer[16 * 1024];
    while (text.size() < maxBytes && ends < maxLines) {
        if (cancel != nullptr && cancel->load(std::memory_order_relaxed))
            break;
        const ssize_t got = ::read(
            fd, buffer, std::min(sizeof buffer, maxBytes - text.size()));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            head.error = std::strerror(errno);
            break;
        }
        if (got == 0)
            break;
        ends += static_cast<std::size_t>(
            std::count(buffer, buffer + got, '\n'));
        text.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    constexpr std::string_view BOM = "\xEF\xBB\xBF";
    std::string_view rest = text;
    if (rest.substr(0, BOM.size()) == BOM)
        rest.remove_prefix(BOM.size());
    while (!rest.empty() && head.lines.size() < maxLines) {
        const std::size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        head.lines.emplace_back(line);
        if (end == std::string_view::npos)
            break;
        rest.remove_prefix(end + 1);
    }
    return head;
}

FileGuess GuessFileLayout(const std::vector<std::string> &lines) {
    FileGuess guess;
    std::size_t first = 0;
    while (first < lines.size() && IsPassThroughLine(lines[first]))
        ++first;
    if (first == lines.size())
        return guess;
    std::size_t data = first;
    if (!HasDigit(lines[first])) {
        // A first line without a digit before one with: a heading.
        std::size_t next = first + 1;
        while (next < lines.size() && IsPassThroughLine(lines[next]))
            ++next;
        if (next < lines.size() && HasDigit(lines[next])) {
            guess.header = true;
            data = next;
        }
    }
    guess.delimiter = DetectDelimiter(lines[data]);
    std::vector<std::string_view> fields;
    if (!FieldSplitter{guess.delimiter}.Split(lines[data], fields))
        return guess;
    guess.fields = fields.size();
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (ReadsAsCoordinate(fields[i])) {
            guess.firstCoordinate = i;
            break;
        }
    }
    return guess;
}

void CheckOutputIsNoInput(const BatchOptions &options) {
    const bool readsStdin =
        options.inputs.empty() ||
        std::find(options.inputs.begin(), options.inputs.end(), "-") !=
            options.inputs.end();
    struct stat out {};
    std::string outName;
    if (!options.output.empty() && options.output != "-") {
        if (::stat(options.output.c_str(), &out) != 0 || !S_ISREG(out.st_mode))
            return;
        outName = "the output file " + options.output;
    } else {
        // Standard output appended to an input ("nolvex-convert a >> a")
        // would be read again while it grows.
        if (::fstat(1, &out) != 0 || !S_ISREG(out.st_mode))
            return;
        outName = "standard output";
    }
    for (const std::string &input : options.inputs)
        if (input != "-" && SameFile(input, out))
            throw UsageError(outName + " is also the input " + input);
    if (readsStdin && SameFile(0, out))
        throw UsageError(outName + " is also standard input");
}

void CheckTraceFilesAreNoInputs(const BatchOptions &options) {
    const bool readsStdin =
        options.inputs.empty() ||
        std::find(options.inputs.begin(), options.inputs.end(), "-") !=
            options.inputs.end();
    const bool named = !options.output.empty() && options.output != "-";
    // A named output that does not exist yet is a trace file when its
    // folder is the current one and its name a trace file's.
    struct stat here {}, folder {};
    std::string outBase;
    if (named && ::stat(".", &here) == 0) {
        const std::string &out = options.output;
        const std::size_t slash = out.rfind('/');
        const std::string dir =
            slash == std::string::npos ? "." : out.substr(0, slash + 1);
        outBase = slash == std::string::npos ? out : out.substr(slash + 1);
        if (::stat(dir.c_str(), &folder) != 0 || folder.st_dev != here.st_dev ||
            folder.st_ino != here.st_ino)
            outBase.clear();
    }
    for (std::size_t i = 0; const char *name = TraceFileName(i); ++i) {
        const std::string trace = std::string("the trace file ") + name;
        if (outBase == name)
            throw UsageError(trace + " is also the output");
        struct stat st {};
        if (::stat(name, &st) != 0)
            continue;
        for (const std::string &input : options.inputs)
            if (input != "-" && SameFile(input, st))
                throw UsageError(trace + " is also the input " + input);
        if (readsStdin && SameFile(0, st))
            throw UsageError(trace + " is also standard input");
        if (named ? SameFile(options.output, st) : SameFile(1, st))
            throw UsageError(trace + " is also " +
                             (named ? "the output" : "standard output"));
    }
}

BatchSummary ConvertToFile(const BatchOptions &options,
                           BatchObserver &observer,
                           const std::atomic<bool> *cancel,
                           const LineConverter *checked) {
    OutputFile file(options.output);
    const BatchSummary summary =
        RunBatch(options, file.Fd(), observer, cancel, checked);
    // Only a run that got to the end of its inputs gives the file its name;
    // the destructor removes the temporary file of any other.
    if (summary.end == RunEnd::Finished)
        file.Commit();
    return summary;
}
