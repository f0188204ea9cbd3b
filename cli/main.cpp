// nolvex-convert: the window's transformation and conversion commands over
// files of points. The command line goes to the batch library; here only
// the process: its standard descriptors, signals, output and exit status.
#include "CommandLine.h"
#include "FileJob.h"
#include "OutputFile.h"
#include "Progress.h"
#include "Run.h"
#include "Words.h"

#include <CLI/CLI.hpp>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <iostream>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int EXIT_USAGE = 2;

[[noreturn]] void Usage(const std::string &message) {
    // Options may hold any bytes: none reaches the terminal raw.
    std::cerr << "nolvex-convert: " << EscapeForMessage(message)
              << "\nRun with --help for more information.\n";
    std::exit(EXIT_USAGE);
}

/// A setup that cannot go on for no fault of the command line's: its
/// message alone (escaped where it was made), with the usage error's
/// status.
[[noreturn]] void Fail(const std::string &message) {
    std::cerr << "nolvex-convert: " << message << "\n";
    std::exit(EXIT_USAGE);
}

/// PROJ's refusal of a pair, line by line, the whole list of operations
/// kept out by missing grids with --verbose or --proj; and what would let
/// a ballpark-only pair through.
[[noreturn]] void Refused(const NoOperationError &e, const CommandLine &line) {
    const std::vector<std::string> &lines = e.Lines(line.verbose || line.proj);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::cerr << "nolvex-convert: " << lines[i]; // escaped when made
        if (i == 0 && e.BallparkOnly())
            std::cerr << " (--allow-ballpark uses it)";
        std::cerr << "\n";
    }
    std::exit(EXIT_USAGE);
}

/// Opens descriptors 0 to 2 on /dev/null where they are closed, so that no
/// file opened later takes their number (an output file as descriptor 2
/// would receive the messages). @return standard output was closed.
bool EnsureStandardDescriptors() {
    bool stdoutClosed = false;
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        if (::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY) != fd)
            std::_Exit(EXIT_USAGE); // open takes the lowest free number
        stdoutClosed = stdoutClosed || fd == 1;
    }
    return stdoutClosed;
}

/// Text for standard output, written whole: exit status 1 when it is closed
/// or cannot be written, never a silent loss.
int PrintOut(bool stdoutClosed, const std::string &text) {
    if (!stdoutClosed && (std::cout << text << std::flush))
        return 0;
    std::cerr << (stdoutClosed ? "nolvex-convert: standard output is closed; "
                                 "name an output file with -o\n"
                               : "nolvex-convert: cannot write to standard "
                                 "output\n");
    return 1;
}

} // namespace

int main(int argc, char **argv) {
    const bool stdoutClosed = EnsureStandardDescriptors();
#ifdef __GLIBC__
    // Buffers of blocks (down to the smallest, with many threads), of long
    // lines and a wide line's fields' index are mapped and unmapped on their
    // own: what a run gives back goes back to the system rather than staying
    // in a thread's arena (one per thread on a machine of many cores),
    // outside the run's budget.
    mallopt(M_MMAP_THRESHOLD, static_cast<int>(MIN_BLOCK_SIZE));
#endif
    // Messages are best effort, the output is not; a run into -o FILE that
    // is interrupted leaves FILE as it was and no temporary beside it.
    std::signal(SIGPIPE, SIG_IGN);
    OutputFile::RemoveOnSignals();

    CLI::App app{"Converts files of points between the datums and grids of "
                 "the catalogue and the systems PROJ knows, as the window's "
                 "commands do.",
                 "nolvex-convert"};
    app.footer(COMMAND_LINE_NOTES);
    app.set_version_flag("--version", [] {
        return std::string("nolvex-convert ") + NOLVEX_VERSION + "\n" +
               ProjVersionText();
    });
    CommandLine line;
    line.threads = std::max(1u, std::thread::hardware_concurrency());
    DeclareOptions(app, line);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError &e) {
        if (e.get_exit_code() != 0)
            Usage(e.what());
        if (stdoutClosed)
            return PrintOut(true, "");
        app.exit(e); // --help, --version
        return PrintOut(false, "");
    }

    BatchOptions options;
    std::optional<LineConverter> check; // the engines and PROJ, set up once
    try {
        if (const std::string table = ListText(line); !table.empty())
            return PrintOut(stdoutClosed, table);
        options = ReadCommandLine(line);
        check.emplace(options); // a setup fault shows before any output
        if (line.proj)
            return PrintOut(stdoutClosed, PipelineText(options, *check));
        CheckOutputIsNoInput(options);
        if (options.conversion.options.trace)
            CheckTraceFilesAreNoInputs(options);
    } catch (const UsageError &e) {
        Usage(UsageText(e));
    } catch (const SetupError &e) {
        Usage(UsageText(e));
    } catch (const NoOperationError &e) {
        Refused(e, line);
    } catch (const ProjDatabaseError &e) {
        Fail(e.what());
    } catch (const ProjError &e) {
        Usage(UsageText(e));
    }
    const bool named = !options.output.empty() && options.output != "-";
    if (!named && stdoutClosed)
        return PrintOut(true, "");

    // The progress line goes to a terminal on standard error, unless the
    // results go to that same terminal (it would land between them).
    struct stat errStat {};
    const bool progress = !line.quiet && ::isatty(2) == 1 &&
                          ::fstat(2, &errStat) == 0 &&
                          !(!named && ::isatty(1) == 1 && SameFile(1, errStat));
    StreamObserver observer(2, progress);
    try {
        const BatchSummary summary =
            named ? ConvertToFile(options, observer, nullptr, &*check)
                  : RunBatch(options, 1, observer, nullptr, &*check);
        observer.Finish();
        return summary.ExitStatus();
    } catch (const UnwritableFolderError &e) {
        observer.Finish(); // the file could be written in place, not whole
        observer.Message(EscapeForMessage(
            std::string(e.what()) +
            ", or write to standard output instead (nolvex-convert ... > " +
            options.output + ")"));
    } catch (const IoError &e) {
        observer.Finish();
        observer.Message(EscapeForMessage(e.what()));
    } catch (const std::exception &e) {
        observer.Message(EscapeForMessage(UsageText(e)));
    }
    return 1;
}
