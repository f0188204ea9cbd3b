// End-to-end runs of nolvex-convert that the case files cannot hold:
// standard streams closed, failing or shared with the input, a terminal,
// signals, permissions and other users, links in the way of trace files,
// runs compared across thread counts, GeoJSON read back as JSON, outputs
// read back through a second run. Every case that is arguments, input,
// expected output, messages and exit status is a case file in tests/cases.
// The GeoJSON points come from PROJ's cct (data/make-expected.sh).
#include "JsonOracle.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <charconv>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <poll.h>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using nolvex::test::ReadFile;
using nolvex::test::WriteFile;

namespace fs = std::filesystem;

const std::string DATA = NOLVEX_CLI_DATA;

struct RunResult {
    std::string out, err;
    int status = -1;
};

/// How the program's standard streams are set up, beyond the defaults.
struct Streams {
    bool closeStderr = false; ///< run with descriptor 2 closed
    bool closeStdout = false; ///< run with descriptor 1 closed
    int stderrFd = -1;        ///< standard error on this descriptor
    int stdoutFd = -1;        ///< standard output on this descriptor
    /// Run as nobody (65534) when the tests run as root, where every access
    /// check passes; as the current user otherwise.
    bool unprivileged = false;
};

constexpr uid_t NOBODY = 65534;

/// Runs nolvex-convert in @p cwd with @p args, standard input from @p input.
RunResult RunConvert(const std::vector<std::string> &args,
                     const std::string &input = "/dev/null",
                     const std::string &cwd = DATA,
                     const Streams &streams = {}) {
    char outName[] = "/tmp/nolvex-cli-out-XXXXXX";
    char errName[] = "/tmp/nolvex-cli-err-XXXXXX";
    const int outFd = mkstemp(outName);
    const int errFd = mkstemp(errName);
    RunResult result;
    const pid_t pid = fork();
    if (pid == 0) {
        const int inFd = open(input.c_str(), O_RDONLY);
        if (chdir(cwd.c_str()) != 0 || inFd < 0)
            _exit(126);
        dup2(inFd, 0);
        dup2(streams.stdoutFd >= 0 ? streams.stdoutFd : outFd, 1);
        dup2(streams.stderrFd >= 0 ? streams.stderrFd : errFd, 2);
        if (streams.closeStderr)
            close(2);
        if (streams.closeStdout)
            close(1);
        for (int fd = 3; fd < 64; ++fd)
            close(fd);
        if (streams.unprivileged && geteuid() == 0 &&
            (setgroups(0, nullptr) != 0 || setgid(NOBODY) != 0 ||
             setuid(NOBODY) != 0))
            _exit(126);
        std::vector<char *> argv;
        argv.push_back(const_cast<char *>(NOLVEX_CONVERT));
        for (const std::string &arg : args)
            argv.push_back(const_cast<char *>(arg.c_str()));
        argv.push_back(nullptr);
        execv(NOLVEX_CONVERT, argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    result.status =
        WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    close(outFd);
    close(errFd);
    result.out = ReadFile(outName);
    result.err = ReadFile(errName);
    unlink(outName);
    unlink(errName);
    return result;
}

std::vector<std::string> Lines(const std::string &text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::vector<std::string> Fields(const std::string &line, char delimiter) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = line.find(delimiter, start);
        fields.push_back(line.substr(start, at - start));
        if (at == std::string::npos)
            return fields;
        start = at + 1;
    }
}

double Number(const std::string &text) {
    double value = 0;
    const auto r =
        std::from_chars(text.data(), text.data() + text.size(), value);
    EXPECT_TRUE(r.ec == std::errc() && r.ptr == text.data() + text.size())
        << "'" << text << "' is not a number";
    return value;
}

/// Tolerances of the GeoJSON points against the reference: 1e-9 degree is
/// about 0.1 mm.
constexpr double DEGREE_TOLERANCE = 1e-9;
constexpr double METRE_TOLERANCE = 1e-3;

std::vector<std::string> Args(std::vector<std::string> head,
                              const std::vector<std::string> &tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

const std::vector<std::string> COPY = {"--from", "WGS84", "--to", "WGS84"};

/// A file of many blocks with failing lines spread through it.
std::string ManyPoints(int count) {
    std::string text = "# generated\n";
    std::uint64_t state = 12345;
    auto next = [&] {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<double>(state >> 11) / 9007199254740992.0;
    };
    char line[160];
    for (int i = 1; i <= count; ++i) {
        if (i % 997 == 0) {
            std::snprintf(line, sizeof line, "%d,bad%d,127,0\n", i, i);
        } else {
            const int lat = static_cast<int>(33 + 10 * next());
            const int lon = static_cast<int>(124 + 8 * next());
            std::snprintf(
                line, sizeof line, "%d,%d.%07d,%d:%d:%d.%04d,%d.%03d,P%d\n", i,
                lat, static_cast<int>(next() * 1e7), lon,
                static_cast<int>(next() * 60), static_cast<int>(next() * 60),
                static_cast<int>(next() * 1e4), static_cast<int>(next() * 900),
                static_cast<int>(next() * 1e3), i);
        }
        text += line;
    }
    return text;
}

TEST(Threads, OutputIdenticalForAnyThreadCount) {
    const std::string dir = testing::TempDir();
    WriteFile(dir + "/many.csv",
              ManyPoints(60000)); // about 3 MB: a dozen blocks
    const std::vector<std::string> args = {"--from",    "Tokyo(---)", "--to",
                                           "WGS84:utm", "--columns",  "2,3,4",
                                           "many.csv"};
    const RunResult one =
        RunConvert(Args(args, {"--threads", "1"}), "/dev/null", dir);
    EXPECT_EQ(one.status, 1);
    EXPECT_EQ(Lines(one.out).size(), 60001u); // one line per input line
    EXPECT_NE(one.err.find("many.csv:998: 'bad997'"), std::string::npos);
    EXPECT_NE(one.err.find("many.csv:59821: 'bad59820'"), std::string::npos);
    for (const char *threads : {"2", "3", "7"}) {
        SCOPED_TRACE(threads);
        const RunResult many =
            RunConvert(Args(args, {"--threads", threads}), "/dev/null", dir);
        EXPECT_EQ(many.out, one.out);
        EXPECT_EQ(many.err, one.err);
        EXPECT_EQ(many.status, one.status);
    }
}

// ---- GeoJSON
// ------------------------------------------------------------------------

TEST(GeoJson, ReadsBackAsFeatureCollection) {
    const std::string dir = testing::TempDir();
    // Header names with a quote, a backslash, a repeated name and a blank one;
    // values with a control character, Korean text and a byte that is not
    // UTF-8. Coordinates: points 1 to 3 of geo.csv on Tokyo(---).
    WriteFile(
        dir + "/named.csv",
        "id,lat,lon,h,na\"me,note,note,\n"
        "# comments are left out\n"
        "1,37.4818416208333,127.004542079167,0,Seoul \"City\" Hall,a\\b,x,\n"
        "2,35.1,129.5,250,\xEB\xB6\x80\xEC\x82\xB0,tab\there,y,z\n"
        "3,33.3617,126.5292,1950,bad \xFF byte,,,\n");
    const RunResult r = RunConvert({"--from", "Tokyo(---)", "--to", "WGS84",
                                    "--header", "--columns", "2,3,4",
                                    "--output-format", "geojson", "named.csv"},
                                   "/dev/null", dir);
    ASSERT_EQ(r.status, 0) << r.err;
    const nlohmann::json doc = ParseJson(r.out);
    EXPECT_EQ(doc.at("type").get<std::string>(), "FeatureCollection");
    const auto &features = doc.at("features");
    ASSERT_EQ(features.size(), 3u);

    const auto expected = Lines(ReadFile(DATA + "/geo-tokyo-to-wgs84.out"));
    const char *names[] = {"Seoul \"City\" Hall", "\xEB\xB6\x80\xEC\x82\xB0",
                           "bad \xEF\xBF\xBD byte"};
    const char *notes[] = {"a\\b", "tab\there", ""};
    const char *lasts[] = {"", "z", ""};
    for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const nlohmann::json &f = features[i];
        EXPECT_EQ(f.at("type").get<std::string>(), "Feature");
        EXPECT_EQ(f.at("geometry").at("type").get<std::string>(), "Point");
        const auto &xyz = f.at("geometry").at("coordinates");
        ASSERT_EQ(xyz.size(), 3u);
        const auto ref = Fields(expected[i + 1], ',');
        EXPECT_NEAR(xyz[0].get<double>(), Number(ref[2]),
                    DEGREE_TOLERANCE); // longitude first
        EXPECT_NEAR(xyz[1].get<double>(), Number(ref[1]), DEGREE_TOLERANCE);
        EXPECT_NEAR(xyz[2].get<double>(), Number(ref[3]), METRE_TOLERANCE);
        const nlohmann::json &p = f.at("properties");
        ASSERT_EQ(p.size(), 5u);
        EXPECT_EQ(p.at("id").get<std::string>(), std::to_string(i + 1));
        EXPECT_EQ(p.at("na\"me").get<std::string>(), names[i]);
        EXPECT_EQ(p.at("field6").get<std::string>(), notes[i]); // "note" is repeated
        EXPECT_EQ(p.at("field8").get<std::string>(), lasts[i]); // no name
    }
}

TEST(GeoJson, EmptyInputIsAnEmptyCollection) {
    const RunResult r = RunConvert(
        {"--from", "TOY-B", "--to", "WGS84", "--output-format", "geojson"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(ParseJson(r.out).at("features").size(), 0u);
}

TEST(GeoJson, StaysValidWhenStoppedEarly) {
    const RunResult r = RunConvert(
        {"--from", "WGS84", "--to", "WGS84", "--columns", "2,3",
         "--output-format", "geojson", "--on-error", "stop", "errors.csv"});
    EXPECT_EQ(r.status, 1);
    const nlohmann::json doc = ParseJson(r.out);
    const auto &features = doc.at("features");
    ASSERT_EQ(features.size(), 2u); // the point, then the failed line
    EXPECT_EQ(features[1].at("geometry").is_null(), true);
    EXPECT_EQ(features[1].at("properties").at("error").get<std::string>(),
              "'abc' is not a valid latitude");
}

// ---- trace files
// ------------------------------------------------------------------

TEST(Trace, WritesTheEngineTraceFiles) {
    const std::string dir = testing::TempDir() + "/nolvex-trace";
    fs::remove_all(dir);
    fs::create_directories(dir);
    WriteFile(dir + "/in.txt", "37.5 127.5\n35 129\n");
    const RunResult r = RunConvert({"--from", "TOY-B", "--to", "WGS84:utm",
                                    "--trace", "--threads", "4", "in.txt"},
                                   "/dev/null", dir);
    EXPECT_EQ(r.status, 0) << r.err;
    for (const char *file : {"LOC2WGS.txt", "LOC2UTM.txt"}) {
        const std::string trace = ReadFile(dir + "/" + file);
        SCOPED_TRACE(file);
        // One record per point, each opening with its three-line banner.
        const std::string banner = std::string(44, '#') + "\n#";
        std::size_t banners = 0;
        for (std::size_t at = 0;
             (at = trace.find(banner, at)) != std::string::npos; ++at)
            ++banners;
        EXPECT_EQ(banners, 2u);
    }
    EXPECT_FALSE(
        fs::exists(dir + "/WGS2LOC.txt")); // the target is WGS 84 itself
}

// ---- files are the user's
// ---------------------------------------------------------

/// A fresh directory of its own for a test.
std::string FreshDir(const char *name) {
    const std::string dir = testing::TempDir() + "/nolvex-" + name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

// "-o pts.txt < pts.txt" (and "- < pts.txt") truncated pts.txt to nothing,
// converted nothing and exited 0.
TEST(Outputs, StandardInputThatIsTheOutputIsRefused) {
    const std::string dir = FreshDir("same-stdin");
    const std::string pts = dir + "/pts.txt";
    WriteFile(pts, "37.5 127.5\n");
    for (const auto &tail : std::vector<std::vector<std::string>>{
             {"-o", "pts.txt"}, {"-", "-o", "pts.txt"}}) {
        SCOPED_TRACE(tail.size());
        const RunResult r = RunConvert(Args(COPY, tail), pts, dir);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err, "nolvex-convert: the output file pts.txt is also "
                         "standard input\nRun with --help for more "
                         "information.\n");
        EXPECT_EQ(ReadFile(pts), "37.5 127.5\n");
    }
    // Standard output appended to its own input would be read while it grows.
    const int append = open(pts.c_str(), O_WRONLY | O_APPEND);
    Streams streams;
    streams.stdoutFd = append;
    const RunResult r =
        RunConvert(Args(COPY, {"pts.txt"}), "/dev/null", dir, streams);
    close(append);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(ReadFile(pts), "37.5 127.5\n");
}

// With standard error closed, "-o out.txt" received descriptor 2 and the
// line errors were written into the output file.
TEST(Outputs, ClosedStandardErrorNeverReceivesMessages) {
    const std::string dir = FreshDir("closed-stderr");
    WriteFile(dir + "/in.txt", "37.5 127.5\nbad 1\n");
    Streams streams;
    streams.closeStderr = true;
    const RunResult r = RunConvert(Args(COPY, {"in.txt", "-o", "out.txt"}),
                                   "/dev/null", dir, streams);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(ReadFile(dir + "/out.txt"),
              "37.5 127.5 0\n# ERROR: 'bad' is not a valid latitude | bad 1\n");
}

// With standard output closed the results went to /dev/null and the run
// said it succeeded; a full device fails the same way.
TEST(Outputs, ClosedOrFailingStandardOutputIsAnError) {
    const std::string dir = FreshDir("closed-stdout");
    WriteFile(dir + "/in.txt", "37.5 127.5\n");
    Streams closed;
    closed.closeStdout = true;
    for (const auto &args : {Args(COPY, {"in.txt"}), Args(COPY, {"--list", "datums"})}) {
        const RunResult r = RunConvert(args, "/dev/null", dir, closed);
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find("standard output is closed"), std::string::npos)
            << r.err;
    }
    const int full = open("/dev/full", O_WRONLY);
    ASSERT_GE(full, 0);
    Streams failing;
    failing.stdoutFd = full;
    const RunResult r = RunConvert(Args(COPY, {"in.txt"}), "/dev/null", dir, failing);
    close(full);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("No space left on device"), std::string::npos) << r.err;
    // A named output does not need standard output.
    const RunResult named = RunConvert(Args(COPY, {"in.txt", "-o", "out.txt"}),
                                       "/dev/null", dir, closed);
    EXPECT_EQ(named.status, 0) << named.err;
    EXPECT_EQ(ReadFile(dir + "/out.txt"), "37.5 127.5 0\n");
}

// A run that stops leaves the named file as it was, and no file beside it.
TEST(Outputs, StoppedRunLeavesTheOldFile) {
    const std::string dir = FreshDir("stopped");
    WriteFile(dir + "/in.txt", "37.5 127.5\nbad 1\n35 129\n");
    WriteFile(dir + "/out.txt", "old\n");
    const RunResult r = RunConvert(
        Args(COPY, {"--on-error", "stop", "in.txt", "-o", "out.txt"}),
        "/dev/null", dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(ReadFile(dir + "/out.txt"), "old\n");
    EXPECT_EQ(
        std::distance(fs::directory_iterator(dir), fs::directory_iterator()),
        2);
}

// ---- replacing a file the user may not replace

struct AccessCase {
    const char *name;
    mode_t dirMode, fileMode;
    bool othersFile; ///< the file belongs to another user than the runner
    const char *errors;
};

void PrintTo(const AccessCase &c, std::ostream *os) { *os << c.name; }

class OutputFileAccess : public testing::TestWithParam<AccessCase> {};

// "-o out.txt" replaced files that "> out.txt" could not have written, and
// exited 0: the user's own read-only file, and root's file in a folder open
// to all. A writable file in a closed folder was refused without a word on
// what to do instead.
TEST_P(OutputFileAccess, RefusedWithTheFileUnchanged) {
    const AccessCase &c = GetParam();
    const bool root = geteuid() == 0;
    if (c.othersFile && !root)
        GTEST_SKIP() << "needs a second user: run as root";
    const std::string dir = FreshDir((std::string("access-") + c.name).c_str());
    WriteFile(dir + "/in.txt", "37.5 127.5\n");
    WriteFile(dir + "/out.txt", "old\n");
    ASSERT_EQ(chmod((dir + "/out.txt").c_str(), c.fileMode), 0);
    if (root && !c.othersFile) {
        ASSERT_EQ(chown((dir + "/out.txt").c_str(), NOBODY, NOBODY), 0);
    }
    ASSERT_EQ(chmod(dir.c_str(), c.dirMode), 0);
    Streams streams;
    streams.unprivileged = true;
    const RunResult r = RunConvert(Args(COPY, {"-o", "out.txt"}),
                                   dir + "/in.txt", dir, streams);
    chmod(dir.c_str(), 0755);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, c.errors);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(ReadFile(dir + "/out.txt"), "old\n");
    EXPECT_EQ(
        std::distance(fs::directory_iterator(dir), fs::directory_iterator()),
        2);
}

const AccessCase ACCESS_CASES[] = {
    {"OwnReadOnlyFile", 0777, 0444, false,
     "nolvex-convert: out.txt: cannot replace: the file is not writable; "
     "write to another name, or make it writable first\n"},
    {"RootsFileInOpenFolder", 0777, 0644, true,
     "nolvex-convert: out.txt: cannot replace: the file is not writable; "
     "write to another name, or make it writable first\n"},
    {"WritableFileInClosedFolder", 0555, 0644, false,
     "nolvex-convert: out.txt: cannot replace: the folder is not writable, "
     "so the file cannot be replaced safely; choose a writable folder, or "
     "write to standard output instead (nolvex-convert ... > out.txt)\n"},
};

INSTANTIATE_TEST_SUITE_P(Outputs, OutputFileAccess,
                         testing::ValuesIn(ACCESS_CASES), [](const auto &info) {
                             return std::string(info.param.name);
                         });

// ---- signals during a run

/// The names in @p dir of temporary files of the output @p name.
std::vector<std::string> Temporaries(const std::string &dir,
                                     const std::string &name) {
    std::vector<std::string> found;
    const std::string prefix = "." + name + ".";
    for (const auto &entry : fs::directory_iterator(dir)) {
        const std::string file = entry.path().filename();
        if (file.rfind(prefix, 0) == 0)
            found.push_back(file);
    }
    return found;
}

/**
 * Starts nolvex-convert in @p dir with @p args and standard input on a
 * pipe that holds @p input and stays open: the run waits for more input.
 * @param[out] feed the pipe's write end, for the caller to close.
 */
pid_t StartConvert(const std::vector<std::string> &args, const std::string &dir,
                   const std::string &input, int &feed) {
    int fds[2];
    if (pipe(fds) != 0 || write(fds[1], input.data(), input.size()) !=
                              static_cast<ssize_t>(input.size()))
        return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        // As a shell starts a command: default actions, nothing blocked.
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        for (int sig : {SIGINT, SIGTERM, SIGHUP})
            signal(sig, SIG_DFL);
        const int null = open("/dev/null", O_WRONLY);
        if (chdir(dir.c_str()) != 0 || null < 0)
            _exit(126);
        dup2(fds[0], 0);
        dup2(null, 1);
        for (int fd = 3; fd < 64; ++fd)
            close(fd);
        std::vector<char *> argv;
        argv.push_back(const_cast<char *>(NOLVEX_CONVERT));
        for (const std::string &arg : args)
            argv.push_back(const_cast<char *>(arg.c_str()));
        argv.push_back(nullptr);
        execv(NOLVEX_CONVERT, argv.data());
        _exit(127);
    }
    close(fds[0]);
    feed = fds[1];
    return pid;
}

struct SignalCase {
    const char *name;
    int signal;
};

void PrintTo(const SignalCase &c, std::ostream *os) { *os << c.name; }

class OutputFileSignals : public testing::TestWithParam<SignalCase> {};

// Interrupting a run that writes "-o out.txt" (Ctrl-C, kill, a closed
// terminal) left its ".out.txt.XXXXXXXX" beside the output.
TEST_P(OutputFileSignals, LeaveNoTemporaryAndTheTargetAsItWas) {
    const SignalCase &c = GetParam();
    for (const bool existed : {true, false}) {
        SCOPED_TRACE(existed ? "replacing out.txt" : "new out.txt");
        const std::string dir =
            FreshDir((std::string("signal-") + c.name).c_str());
        if (existed)
            WriteFile(dir + "/out.txt", "old\n");
        int feed = -1;
        const pid_t pid = StartConvert(Args(COPY, {"-o", "out.txt"}), dir,
                                       "37.5 127.5\n", feed);
        ASSERT_GT(pid, 0);
        // The run is under way once its temporary file is there.
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (Temporaries(dir, "out.txt").empty() &&
               std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        const bool started = !Temporaries(dir, "out.txt").empty();
        kill(pid, started ? c.signal : SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        close(feed);
        ASSERT_TRUE(started) << "no temporary file appeared";
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == c.signal)
            << "status " << status;
        if (existed)
            EXPECT_EQ(ReadFile(dir + "/out.txt"), "old\n");
        else
            EXPECT_FALSE(fs::exists(dir + "/out.txt"));
        EXPECT_EQ(Temporaries(dir, "out.txt"), std::vector<std::string>{});
    }
}

const SignalCase SIGNAL_CASES[] = {
    {"Interrupt", SIGINT},
    {"Terminate", SIGTERM},
    {"HangUp", SIGHUP},
};

INSTANTIATE_TEST_SUITE_P(Outputs, OutputFileSignals,
                         testing::ValuesIn(SIGNAL_CASES), [](const auto &info) {
                             return std::string(info.param.name);
                         });

// Trace files followed symbolic links: a WGS2LOC.txt that linked elsewhere
// was appended to, and a dangling link's target was created.
TEST(Trace, NeverFollowsLinks) {
    const std::string dir = FreshDir("trace-links");
    const std::string elsewhere = FreshDir("trace-elsewhere");
    WriteFile(elsewhere + "/victim.txt", "mine\n");
    fs::create_symlink(elsewhere + "/victim.txt", dir + "/WGS2LOC.txt");
    fs::create_symlink(elsewhere + "/created.txt", dir + "/LOC2UTM.txt");
    ASSERT_EQ(mkfifo((dir + "/LOC2WGS.txt").c_str(), 0600), 0);
    WriteFile(dir + "/in.txt", "37.5 127.5\n");
    // WGS 84 -> TOY-B -> UTM: WGS2LOC; TOY-B back: LOC2WGS; and LOC2UTM.
    for (const auto &args : std::vector<std::vector<std::string>>{
             {"--from", "WGS84", "--to", "TOY-B:utm", "--to-utm-zone", "52N"},
             {"--from", "TOY-B", "--to", "WGS84"}}) {
        const RunResult r =
            RunConvert(Args(args, {"--trace", "in.txt"}), "/dev/null", dir);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(Lines(r.out).size(), 1u);
    }
    EXPECT_EQ(ReadFile(elsewhere + "/victim.txt"), "mine\n");
    EXPECT_FALSE(fs::exists(elsewhere + "/created.txt"));
    EXPECT_TRUE(fs::is_symlink(dir + "/WGS2LOC.txt"));
    EXPECT_TRUE(fs::is_fifo(dir + "/LOC2WGS.txt"));
}

// When the reader of standard error went away, SIGPIPE ended the run
// halfway through the output file.
TEST(Messages, StandardErrorGoneLeavesTheOutputWhole) {
    const std::string dir = FreshDir("stderr-gone");
    std::string input;
    for (int i = 0; i < 20000; ++i)
        input += i % 2 ? "bad 1\n" : "37.5 127.5\n";
    WriteFile(dir + "/in.txt", input);
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    close(fds[0]); // nobody reads standard error
    Streams streams;
    streams.stderrFd = fds[1];
    const RunResult r = RunConvert(Args(COPY, {"in.txt", "-o", "out.txt"}),
                                   "/dev/null", dir, streams);
    close(fds[1]);
    EXPECT_EQ(r.status, 1); // lines failed; not killed by a signal
    EXPECT_EQ(Lines(ReadFile(dir + "/out.txt")).size(), 20000u);
}

// The progress line was written on a terminal that was also standard output,
// between the result lines.
TEST(Messages, NoProgressLineOnTheTerminalOfTheResults) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    const int slave = open(ptsname(master), O_RDWR | O_NOCTTY);
    ASSERT_GE(slave, 0);
    auto drain = [&] {
        std::string text;
        char buffer[4096];
        for (;;) {
            pollfd p{master, POLLIN, 0};
            if (poll(&p, 1, 100) <= 0)
                return text;
            const ssize_t n = read(master, buffer, sizeof buffer);
            if (n <= 0)
                return text;
            text.append(buffer, static_cast<std::size_t>(n));
        }
    };
    const std::vector<std::string> args =
        Args(COPY, {"--columns", "2,3,4", "copy.csv"});
    Streams both;
    both.stdoutFd = slave;
    both.stderrFd = slave;
    RunConvert(args, "/dev/null", DATA, both);
    const std::string shared = drain();
    Streams errOnly;
    errOnly.stderrFd = slave;
    RunConvert(args, "/dev/null", DATA, errOnly);
    const std::string alone = drain();
    close(slave);
    close(master);
    EXPECT_NE(shared.find("37.4818416208333"), std::string::npos);
    EXPECT_EQ(shared.find("points/s"), std::string::npos) << shared;
    EXPECT_NE(alone.find("points/s"), std::string::npos) << alone;
}

// ---- outputs read back
// ------------------------------------------------------------

/// The output of @p format read back with the same options: it must give
/// the same text again, and the same decimal degrees as the first run.
TEST(Reading, EveryFormatReadsBackWithTheSameOptions) {
    const std::string dir = FreshDir("read-back");
    WriteFile(dir + "/in.csv", "# id,lat,lon,h\n"
                               "1,37.4818416208333,127.004542079167,12.5\n"
                               "2,-33.8568,151.2153,0\n"
                               "3,-0.5,-0.25,1\n"
                               "4,0,180,0\n"
                               "5,89.9999,-179.9999,-3\n");
    WriteFile(dir + "/in.txt", "37.4818416208333 127.004542079167 12.5 P1\n"
                               "-33.8568 151.2153 0 P2\n"
                               "-0.5 -0.25 1 P3\n");
    const std::vector<std::vector<std::string>> formats = {
        {"--format", "dd"},
        {"--format", "dm"},
        {"--format", "dms"},
        {"--format", "dms", "--precision", "3"},
        {"--format", "dm", "--precision", "6"},
    };
    for (const char *file : {"in.csv", "in.txt"}) {
        const std::vector<std::string> columns =
            file[3] == 'c' ? std::vector<std::string>{"--columns", "2,3,4"}
                           : std::vector<std::string>{};
        const RunResult dd =
            RunConvert(Args(Args(COPY, columns), {file}), "/dev/null", dir);
        ASSERT_EQ(dd.status, 0) << dd.err;
        for (const auto &format : formats) {
            SCOPED_TRACE(std::string(file) + " " + format[1] +
                         (format.size() > 2 ? " " + format[2] : ""));
            const auto options = Args(Args(COPY, columns), format);
            const RunResult once = RunConvert(
                Args(options, {file, "-o", "once.txt"}), "/dev/null", dir);
            ASSERT_EQ(once.status, 0) << once.err;
            const RunResult twice =
                RunConvert(Args(options, {"once.txt"}), "/dev/null", dir);
            ASSERT_EQ(twice.status, 0) << twice.err;
            EXPECT_EQ(twice.out, ReadFile(dir + "/once.txt"));
            if (format.size() == 2) {
                // Full digits: the same degrees.
                const RunResult back = RunConvert(
                    Args(Args(COPY, columns), {"once.txt"}), "/dev/null", dir);
                ASSERT_EQ(back.status, 0) << back.err;
                const auto a = Lines(back.out), b = Lines(dd.out);
                ASSERT_EQ(a.size(), b.size());
                for (std::size_t i = 0; i < a.size(); ++i) {
                    const char d = file[3] == 'c' ? ',' : ' ';
                    const auto fa = Fields(a[i], d), fb = Fields(b[i], d);
                    ASSERT_EQ(fa.size(), fb.size()) << a[i];
                    for (std::size_t k = 0; k < fa.size(); ++k) {
                        if (fa[k] != fb[k]) {
                            EXPECT_NEAR(Number(fa[k]), Number(fb[k]), 1e-12)
                                << a[i] << " / " << b[i];
                        }
                    }
                }
            }
        }
    }
}

// The zone column that --utm-zone auto writes could not be read back.
TEST(Reading, ZoneColumnOfAutoReadsBack) {
    const RunResult there =
        RunConvert({"--from", "WGS84", "--to", "WGS84:utm", "--utm-zone",
                    "auto", "--columns", "2,3", "zones.csv", "-o",
                    testing::TempDir() + "/zones.utm"});
    ASSERT_EQ(there.status, 0) << there.err;
    const RunResult back = RunConvert(
        {"--from", "WGS84:utm", "--from-utm-zone", "column", "--to", "WGS84",
         "--columns", "2,3,4", testing::TempDir() + "/zones.utm"});
    ASSERT_EQ(back.status, 0) << back.err;
    const auto in = Lines(ReadFile(DATA + "/zones.csv"));
    const auto out = Lines(back.out);
    ASSERT_EQ(in.size(), out.size());
    // 1e-8 degree (1 mm): the series at a zone's edge, 3 degrees out.
    for (std::size_t i = 1; i < in.size(); ++i) {
        SCOPED_TRACE(in[i]);
        const auto a = Fields(in[i], ','), b = Fields(out[i], ',');
        EXPECT_NEAR(Number(b[1]), Number(a[1]), 1e-8);
        double lon = Number(b[2]) - Number(a[2]);
        lon -= 360 * std::round(lon / 360);
        EXPECT_NEAR(lon, 0, 1e-8);
    }
    EXPECT_EQ(Fields(out.back(), ',')[4], "56S"); // Sydney, south
}

} // namespace
