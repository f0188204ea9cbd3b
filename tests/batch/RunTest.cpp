// A whole run as a front end drives it: progress, cancellation (also of a
// wait for a pipe's writer) and the output file, the same bytes for any
// thread count.
#include "Run.h"
#include "Commands.h"
#include "FileJob.h"
#include "OutputFile.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

using nolvex::test::ReadFile;

namespace fs = std::filesystem;

/// Records what a run tells; sets the cancel flag after @p cancelAfter
/// progress reports (0: never).
struct Recorder : BatchObserver {
    std::vector<BatchProgress> reports;
    std::string messages;
    std::atomic<bool> *cancel = nullptr;
    std::size_t cancelAfter = 0;
    void Message(std::string_view text) override {
        messages.append(text).append("\n");
    }
    void Progress(const BatchProgress &progress) override {
        reports.push_back(progress);
        if (cancel && reports.size() == cancelAfter)
            cancel->store(true);
    }
};

struct RunFiles {
    fs::path dir, input, output;
    explicit RunFiles(const char *name) {
        dir = fs::path(testing::TempDir()) / "nolvex-run" / name;
        fs::remove_all(dir);
        fs::create_directories(dir);
        input = dir / "in.txt";
        output = dir / "out.txt";
        std::ofstream text(input, std::ios::binary);
        for (int i = 0; i < 2000; ++i)
            text << 30 + i % 10 << ".5 127.25 " << i
                 << (i % 100 == 7 ? "x" : "") << "\n";
    }
};

BatchOptions Options(const RunFiles &files, unsigned threads) {
    BatchOptions options;
    options.conversion.to = ConversionSide::OnDatum(125);
    options.inputs = {files.input.string()};
    options.threads = threads;
    options.blockSize = 1024; // many blocks
    return options;
}

TEST(RunBatch, ProgressCountsBytesPointsAndFailures) {
    const RunFiles files("progress");
    for (unsigned threads : {1u, 3u}) {
        SCOPED_TRACE(threads);
        Recorder recorder;
        OutputFile out(files.output.string());
        const BatchSummary summary =
            RunBatch(Options(files, threads), out.Fd(), recorder);
        out.Commit();
        EXPECT_EQ(summary.end, RunEnd::Finished);
        EXPECT_EQ(summary.ExitStatus(), 1);
        ASSERT_GT(recorder.reports.size(), 10u);
        for (std::size_t i = 1; i < recorder.reports.size(); ++i) {
            EXPECT_GE(recorder.reports[i].bytesDone,
                      recorder.reports[i - 1].bytesDone);
        }
        const BatchProgress &last = recorder.reports.back();
        EXPECT_EQ(last.bytesTotal, fs::file_size(files.input));
        EXPECT_EQ(last.bytesDone, last.bytesTotal);
        EXPECT_EQ(last.points, 1980u);
        EXPECT_EQ(last.linesFailed, 20u);
        EXPECT_EQ(summary.progress.points, 1980u);
    }
}

TEST(RunBatch, CancelledBetweenBlocksLeavesNoFile) {
    const RunFiles files("cancel");
    for (unsigned threads : {1u, 3u}) {
        SCOPED_TRACE(threads);
        std::atomic<bool> cancel{false};
        Recorder recorder;
        recorder.cancel = &cancel;
        recorder.cancelAfter = 3;
        {
            OutputFile out(files.output.string());
            const BatchSummary summary =
                RunBatch(Options(files, threads), out.Fd(), recorder, &cancel);
            EXPECT_EQ(summary.end, RunEnd::Cancelled);
            EXPECT_LT(summary.progress.bytesDone, fs::file_size(files.input));
            // Not committed: the destructor removes the file.
        }
        EXPECT_FALSE(fs::exists(files.output));
        EXPECT_EQ(std::distance(fs::directory_iterator(files.dir),
                                fs::directory_iterator()),
                  1);
    }
}

TEST(RunBatch, SameBytesForAnyThreadCountAndBlockSize) {
    const RunFiles files("threads");
    std::string first;
    for (unsigned threads : {1u, 2u, 5u})
        for (std::size_t block : {std::size_t{0}, std::size_t{100}}) {
            SCOPED_TRACE(std::to_string(threads) + " " + std::to_string(block));
            BatchOptions options = Options(files, threads);
            options.blockSize = block;
            Recorder recorder;
            OutputFile out(files.output.string());
            RunBatch(options, out.Fd(), recorder);
            out.Commit();
            const std::string text = ReadFile(files.output) + recorder.messages;
            if (first.empty())
                first = text;
            EXPECT_EQ(text, first);
        }
}

// Column names were looked up with the delimiter of the first data line;
// when that line lay in a later block than the heading, no name was found.
TEST(RunBatch, HeadingNamesFoundBeforeTheFirstDataLine) {
    const RunFiles files("heading");
    {
        std::ofstream text(files.input, std::ios::binary);
        text << "name;lat;lon\n";
        for (int i = 0; i < 20; ++i)
            text << "# a comment line that fills a small block\n";
        text << "\"a;b\";37.5;127.5\n";
    }
    BatchOptions options = Options(files, 1);
    options.conversion.to = ConversionSide::OnDatum(DATUM_WGS84);
    options.header = true;
    options.columns = {0, 0};
    options.columnNames = {"lat", "lon"};
    options.blockSize = 64;
    Recorder recorder;
    OutputFile out(files.output.string());
    const BatchSummary summary = RunBatch(options, out.Fd(), recorder);
    out.Commit();
    EXPECT_EQ(summary.ExitStatus(), 0) << recorder.messages;
    const std::string text = ReadFile(files.output);
    EXPECT_EQ(text.substr(0, text.find('\n')),
              "name;latitude;longitude;height");
    EXPECT_EQ(text.substr(text.rfind('\n', text.size() - 2) + 1),
              "\"a;b\";37.5;127.5;0\n");
}

// The window hands over a side as its engine: a UTM grid with its zone in
// the engine, no zone option. The zone rules of the command line were
// checked for it too and refused the run.
TEST(RunBatch, EngineSideOnUtmConvertsWithoutZoneOption) {
    const RunFiles files("engine-utm");
    {
        std::ofstream text(files.input, std::ios::binary);
        text << "350000 4150000 10\n";
    }
    COORD engine(DATUM_WGS84);
    Side side(engine);
    Commands::ApplyGridKind(side, CS_UTM);
    OriginTexts origin = Commands::ShownOrigin(side, '.');
    origin.lon = "129"; // zone 52
    origin.y = "0";
    Commands::ApplyOrigin(side, origin, '.');

    BatchOptions options;
    CatalogueSide utm;
    utm.kind = GridKind::Utm;
    utm.engine = std::make_shared<const COORD>(engine);
    options.conversion.from = utm;
    options.conversion.to = ConversionSide::OnDatum(125);
    options.inputs = {files.input.string()};
    options.output = files.output.string();
    EXPECT_NO_THROW(CheckOptions(options));
    Recorder recorder;
    const BatchSummary summary = ConvertToFile(options, recorder);
    EXPECT_EQ(summary.ExitStatus(), 0) << recorder.messages;
    // nolvex-convert --from WGS84:utm --from-utm-zone 52N --to 125
    const std::string expected =
        "37.4819295483023 127.305605332209 -8.82627302302309\n";
    EXPECT_EQ(ReadFile(files.output), expected);

    // The same run as the command line sets it up.
    BatchOptions command = options;
    command.conversion.from.Catalogue()->engine = nullptr;
    command.conversion.from.Catalogue()->grid.originLon = "129";
    command.conversion.from.Catalogue()->grid.falseNorthing = "0";
    CheckOptions(command);
    Recorder commandRecorder;
    EXPECT_EQ(ConvertToFile(command, commandRecorder).ExitStatus(), 0);
    EXPECT_EQ(ReadFile(files.output), expected);
}

TEST(UsableThreads, CappedByTheBudget) {
    EXPECT_EQ(UsableThreads(0), 1u);
    EXPECT_EQ(UsableThreads(4), 4u);
    const unsigned most = UsableThreads(100000);
    EXPECT_LT(most, 100000u);
    // Each usable thread keeps at least one smallest block of input and
    // output in flight within the budget.
    EXPECT_LE((most + 3) * 2 * 64 * 1024, IN_FLIGHT_BUDGET);
}

} // namespace

namespace {

// A file's state (its name, its heading's keys) was freed while blocks of it
// were still converted: several empty inputs after a large one, with
// threads, crashed or wrote "field1" for "name" and errors under another
// file's name.
TEST(RunBatch, FileStateLivesWhileItsBlocksAreInFlight) {
    const fs::path dir = fs::path(testing::TempDir()) / "nolvex-run" / "lives";
    fs::remove_all(dir);
    fs::create_directories(dir);
    BatchOptions options;
    options.conversion.to = ConversionSide::OnDatum(DATUM_WGS84);
    options.header = true;
    options.columns = {1, 2};
    options.outputFormat = OutputFormat::GeoJson;
    options.threads = 2;
    {
        std::ofstream big(dir / "h.csv", std::ios::binary);
        big << "name,lat,lon\n";
        for (int i = 0; i < 60000; ++i)
            big << 'p' << i << ",37.5,127\n";
    }
    options.inputs = {(dir / "h.csv").string()};
    for (int i = 1; i <= 12; ++i) {
        const fs::path empty = dir / ("e" + std::to_string(i) + ".csv");
        std::ofstream(empty).flush();
        options.inputs.push_back(empty.string());
    }
    Recorder recorder;
    OutputFile out((dir / "g.json").string());
    const BatchSummary summary = RunBatch(options, out.Fd(), recorder);
    out.Commit();
    EXPECT_EQ(summary.ExitStatus(), 0) << recorder.messages;
    EXPECT_EQ(summary.progress.points, 60000u);
    const std::string json = ReadFile(dir / "g.json");
    std::size_t named = 0;
    for (std::size_t at = 0; (at = json.find("\"name\":\"p", at)) != std::string::npos; ++at)
        ++named;
    EXPECT_EQ(named, 60000u);
    EXPECT_EQ(json.find("\"field1\""), std::string::npos);
}

// A line of a million commas made each thread keep an index of a million
// fields: it is refused, and the lines around it convert.
TEST(RunBatch, LineWithTooManyFieldsFailsAlone) {
    const fs::path dir = fs::path(testing::TempDir()) / "nolvex-run" / "fields";
    fs::remove_all(dir);
    fs::create_directories(dir);
    {
        std::ofstream in(dir / "in.csv", std::ios::binary);
        in << "37.5,127\n" << std::string(1000000, ',') << "\n37.5,127\n";
    }
    BatchOptions options;
    options.conversion.to = ConversionSide::OnDatum(DATUM_WGS84);
    options.inputs = {(dir / "in.csv").string()};
    options.threads = 4;
    Recorder recorder;
    OutputFile out((dir / "out.csv").string());
    const BatchSummary summary = RunBatch(options, out.Fd(), recorder);
    out.Commit();
    EXPECT_EQ(summary.progress.points, 2u);
    EXPECT_EQ(summary.progress.linesFailed, 1u);
    EXPECT_NE(recorder.messages.find(":2: more than 65536 fields"),
              std::string::npos)
        << recorder.messages;
}

} // namespace

namespace {

// Where a block ended depended on how far its slot's buffer had grown for an
// earlier, longer line: a heading and its first data line came in one block
// on one thread and in two on three, and the heading was renamed by the
// delimiter on one and not on the other.
TEST(RunBatch, SameBytesOverSeveralFilesForAnyThreadCount) {
    const fs::path dir = fs::path(testing::TempDir()) / "nolvex-run" / "files";
    fs::remove_all(dir);
    fs::create_directories(dir);
    {
        std::ofstream a(dir / "a.csv", std::ios::binary);
        a << "name;lat;lon\n" << std::string(15, 'x') << ";37.5;127\n";
        std::ofstream b(dir / "b.csv", std::ios::binary);
        b << "name;lat;lon\n# note\np1;37.5;127\n";
    }
    std::string outputs[2];
    for (unsigned threads : {1u, 3u}) {
        BatchOptions options;
        options.conversion.to = ConversionSide::OnDatum(125);
        options.header = true;
        options.columns = {1, 2};
        options.inputs = {(dir / "a.csv").string(), (dir / "b.csv").string(),
                          (dir / "a.csv").string()};
        options.threads = threads;
        options.blockSize = 20;
        Recorder recorder;
        OutputFile out((dir / "out.csv").string());
        RunBatch(options, out.Fd(), recorder);
        out.Commit();
        outputs[threads == 1 ? 0 : 1] = ReadFile(dir / "out.csv") + recorder.messages;
    }
    EXPECT_EQ(outputs[0], outputs[1]);
}

} // namespace

namespace {

/**
 * Opens @p fifo for writing, and closes it again, over and over from
 * @p after on until it is destroyed: a run that waits for the pipe's
 * writer all the same reads its end then, so that its test fails instead
 * of hanging.
 */
class PipeRelease {
  public:
    PipeRelease(fs::path fifo, std::chrono::seconds after)
        : m_path(std::move(fifo)), m_thread([this, after] {
              const auto start = std::chrono::steady_clock::now();
              while (!m_bStop) {
                  if (std::chrono::steady_clock::now() - start >= after) {
                      m_bReleased = true;
                      const int fd =
                          ::open(m_path.c_str(), O_WRONLY | O_NONBLOCK);
                      if (fd >= 0)
                          ::close(fd);
                  }
                  std::this_thread::sleep_for(std::chrono::milliseconds(20));
              }
          }) {}
    ~PipeRelease() {
        m_bStop = true;
        m_thread.join();
    }
    bool Released() const { return m_bReleased; }

  private:
    fs::path m_path;
    std::atomic<bool> m_bStop{false};
    std::atomic<bool> m_bReleased{false};
    std::thread m_thread;
};

// A run on a pipe without a writer waited in open() where the cancel flag
// could not end it: the window's Cancel did nothing and its closing hung.
TEST(RunBatch, CancelEndsTheWaitForAPipesWriter) {
    const fs::path dir = fs::path(testing::TempDir()) / "nolvex-run" / "pipe";
    fs::remove_all(dir);
    fs::create_directories(dir);
    const fs::path fifo = dir / "in.fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (unsigned threads : {1u, 3u}) {
        SCOPED_TRACE(threads);
        PipeRelease release(fifo, std::chrono::seconds(60));
        std::atomic<bool> cancel{false};
        BatchOptions options;
        options.conversion.to = ConversionSide::OnDatum(125);
        options.inputs = {fifo.string()};
        options.output = (dir / "out.txt").string();
        options.threads = threads;
        std::thread canceller([&cancel] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            cancel = true;
        });
        Recorder recorder;
        const BatchSummary summary = ConvertToFile(options, recorder, &cancel);
        canceller.join();
        EXPECT_FALSE(release.Released());
        EXPECT_EQ(summary.end, RunEnd::Cancelled);
        EXPECT_EQ(summary.progress.points, 0u);
        EXPECT_EQ(std::distance(fs::directory_iterator(dir),
                                fs::directory_iterator()),
                  1); // the pipe alone
    }
}

// A run that can be cancelled waits for a pipe's lines in slices; the lines
// are the same as a run that cannot.
TEST(RunBatch, CancellableRunReadsAPipeWhole) {
    const fs::path dir =
        fs::path(testing::TempDir()) / "nolvex-run" / "pipe-whole";
    fs::remove_all(dir);
    fs::create_directories(dir);
    const fs::path fifo = dir / "in.fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string text;
    for (int i = 0; i < 3000; ++i)
        text += std::to_string(30 + i % 10) + ".5 127.25 " + std::to_string(i) +
                "\n";
    nolvex::test::WriteFile(dir / "in.txt", text);

    BatchOptions options;
    options.conversion.to = ConversionSide::OnDatum(125);
    options.threads = 2;
    options.inputs = {(dir / "in.txt").string()};
    options.output = (dir / "from-file.txt").string();
    Recorder fileRecorder;
    ASSERT_EQ(ConvertToFile(options, fileRecorder).end, RunEnd::Finished);

    // The writer comes late and writes in pieces.
    std::thread writer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        std::ofstream pipe(fifo, std::ios::binary);
        for (std::size_t at = 0; at < text.size(); at += 7000) {
            pipe << text.substr(at, 7000) << std::flush;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
    std::atomic<bool> cancel{false};
    options.inputs = {fifo.string()};
    options.output = (dir / "from-pipe.txt").string();
    Recorder pipeRecorder;
    const BatchSummary summary = ConvertToFile(options, pipeRecorder, &cancel);
    writer.join();
    EXPECT_EQ(summary.end, RunEnd::Finished);
    EXPECT_EQ(summary.progress.points, 3000u);
    EXPECT_EQ(ReadFile(dir / "from-pipe.txt"), ReadFile(dir / "from-file.txt"));
}

// A cancelled run went on to say what PROJ's operation had done to its
// points ("converted all the same"), though nothing was written. Points east
// of 128 E lie outside the area of use of EPSG:5186's operation.
TEST(RunBatch, CancelledRunSaysNothingOfItsPoints) {
    const fs::path dir =
        fs::path(testing::TempDir()) / "nolvex-run" / "cancel-proj";
    fs::remove_all(dir);
    fs::create_directories(dir);
    std::string text;
    for (int i = 0; i < 4000; ++i)
        text += "37.5 129.5 10\n";
    nolvex::test::WriteFile(dir / "in.txt", text);
    BatchOptions options;
    options.conversion.to = ConversionSide::OnSystem("EPSG:5186");
    options.inputs = {(dir / "in.txt").string()};
    options.blockSize = 1024;
    for (bool cancelled : {false, true}) {
        SCOPED_TRACE(cancelled);
        std::atomic<bool> cancel{false};
        Recorder recorder;
        recorder.cancel = &cancel;
        recorder.cancelAfter = cancelled ? 2 : 0;
        OutputFile out((dir / "out.txt").string());
        const BatchSummary summary =
            RunBatch(options, out.Fd(), recorder, &cancel);
        EXPECT_EQ(summary.end, cancelled ? RunEnd::Cancelled : RunEnd::Finished);
        // Finished, the run says where its points lay.
        EXPECT_EQ(recorder.messages.find("outside the area of use") ==
                      std::string::npos,
                  cancelled)
            << recorder.messages;
    }
}

// A window's summary told what the converter's options would change
// ("use --header", "--outside-area error makes them errors"). A front
// end's words appear only in its own messages, never in the output, which
// every front end writes alike.
TEST(RunBatch, AdviceOnlyInTheFrontEndsOwnWords) {
    const fs::path dir =
        fs::path(testing::TempDir()) / "nolvex-run" / "no-options";
    fs::remove_all(dir);
    fs::create_directories(dir);
    nolvex::test::WriteFile(dir / "in.txt", "lat lon\n37.5 129.5\n");
    BatchOptions options;
    options.conversion.to = ConversionSide::OnSystem("EPSG:5186");
    options.inputs = {(dir / "in.txt").string()};
    for (bool words : {true, false}) {
        SCOPED_TRACE(words);
        options.output = (dir / (words ? "a.txt" : "b.txt")).string();
        options.words = FrontEndWords{};
        if (words) {
            options.words[Advice::UseHeading] = ": <heading advice>";
            options.words[Advice::OutsideAreaError] = " <area advice>";
        }
        Recorder recorder;
        ConvertToFile(options, recorder);
        const std::string file = ReadFile(options.output);
        EXPECT_NE(recorder.messages.find("in.txt:1: "), std::string::npos);
        EXPECT_NE(recorder.messages.find("outside the area of use"),
                  std::string::npos);
        EXPECT_NE(file.find("(the first line looks like a heading"),
                  std::string::npos)
            << file;
        // The file is the same for every front end: no words in it.
        EXPECT_EQ(file.find("<heading advice>"), std::string::npos) << file;
        EXPECT_EQ(recorder.messages.find("<heading advice>") !=
                      std::string::npos,
                  words)
            << recorder.messages;
        for (const std::string &text : {file, recorder.messages})
            EXPECT_EQ(text.find("--"), std::string::npos) << text;
        EXPECT_EQ(recorder.messages.find("<area advice>") != std::string::npos,
                  words)
            << recorder.messages;
    }
}

} // namespace
