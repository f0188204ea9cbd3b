// End-to-end cases of nolvex-convert: input files, expected output files and
// messages, exit status. Expected numbers come from PROJ's cct and
// GeographicLib (data/make-expected.sh), expected texts from the number-text
// rules and the window's documented texts.
#include "JsonCheck.h"
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

/// Tolerances of the reference comparisons: 1e-9 degree is about 0.1 mm.
constexpr double DEGREE_TOLERANCE = 1e-9;
constexpr double METRE_TOLERANCE = 1e-3;

/**
 * Compares comma-separated tables: comment lines exactly, data fields by
 * @p units, one letter per field: t text, d degrees, m metres (further
 * fields as text).
 */
void ExpectSameTable(const std::string &got, const std::string &expected,
                     const std::string &units) {
    const auto gotLines = Lines(got);
    const auto expectedLines = Lines(expected);
    ASSERT_EQ(gotLines.size(), expectedLines.size()) << got;
    for (std::size_t i = 0; i < gotLines.size(); ++i) {
        SCOPED_TRACE("line " + std::to_string(i + 1) + ": " + gotLines[i]);
        if (expectedLines[i].empty() || expectedLines[i][0] == '#') {
            EXPECT_EQ(gotLines[i], expectedLines[i]);
            continue;
        }
        const auto g = Fields(gotLines[i], ',');
        const auto e = Fields(expectedLines[i], ',');
        ASSERT_EQ(g.size(), e.size());
        for (std::size_t k = 0; k < g.size(); ++k) {
            const char unit = k < units.size() ? units[k] : 't';
            if (unit == 'd')
                EXPECT_NEAR(Number(g[k]), Number(e[k]), DEGREE_TOLERANCE)
                    << "field " << k + 1;
            else if (unit == 'm')
                EXPECT_NEAR(Number(g[k]), Number(e[k]), METRE_TOLERANCE)
                    << "field " << k + 1;
            else
                EXPECT_EQ(g[k], e[k]) << "field " << k + 1;
        }
    }
}

// ---- every chain against the references -------------------------------------

struct ReferenceCase {
    const char *name;
    std::vector<std::string> args;
    const char *expected; ///< file in data/, made by make-expected.sh
    const char *units;
};

class ReferenceCases : public testing::TestWithParam<ReferenceCase> {};

TEST_P(ReferenceCases, MatchesReference) {
    const ReferenceCase &c = GetParam();
    const RunResult r = RunConvert(c.args);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.status, 0);
    ExpectSameTable(r.out, ReadFile(DATA + "/" + c.expected), c.units);
}

const std::vector<std::string> GEO = {"--columns", "2,3,4", "geo.csv"};

std::vector<std::string> Args(std::vector<std::string> head,
                              const std::vector<std::string> &tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

void PrintTo(const ReferenceCase &c, std::ostream *os) { *os << c.name; }

const ReferenceCase REFERENCE_CASES[] = {
    {"Wgs84ToTokyo", Args({"--from", "WGS84", "--to", "Tokyo(---)"}, GEO),
     "geo-wgs84-to-tokyo.out", "tddmt"},
    {"TokyoToWgs84", Args({"--from", "Tokyo(---)", "--to", "WGS84"}, GEO),
     "geo-tokyo-to-wgs84.out", "tddmt"},
    {"LocalToLocalThroughWgs84",
     Args({"--from", "TOY-B", "--to", "EUR-M"}, GEO), "geo-toyb-to-eurm.out",
     "tddmt"},
    {"UserDatumLikeTokyo",
     Args({"--user-datum", "My Tokyo,BR,-105.627,462.37,643.258", "--from",
           "WGS84", "--to", "0"},
          GEO),
     "geo-wgs84-to-tokyo.out", "tddmt"},
    {"UserEllipsoidLikeBessel",
     Args({"--user-ellipsoid", "Bessel, again,6377397.155,299.1528128",
           "--user-datum", "Mine,0,-105.627,462.37,643.258", "--from", "mine",
           "--to", "133"},
          GEO),
     "geo-tokyo-to-wgs84.out", "tddmt"},
    {"GeoToUtm",
     {"--from", "WGS84", "--to", "WGS84:utm", "--columns", "2,3,4",
      "geo-zone52.csv"},
     "geo-to-utm52.out",
     "tmmm"},
    {"GeoToUtmZoneGiven",
     {"--from", "WGS84", "--to", "WGS84:utm", "--to-utm-zone", "52",
      "--columns", "2,3,4", "geo-zone52.csv"},
     "geo-to-utm52.out",
     "tmmm"},
    {"UtmToGeo",
     {"--from", "WGS84:UTM", "--from-utm-zone", "52", "--to", "WGS84",
      "--columns", "2,3,4", "utm52.csv"},
     "utm52-to-geo.out",
     "tddm"},
    {"UtmToGeoZoneWithHemisphere",
     {"--from", "WGS84:UTM", "--from-utm-zone", "52n", "--to", "WGS84",
      "--columns", "2,3,4", "utm52.csv"},
     "utm52-to-geo.out",
     "tddm"},
    {"GeoToTm",
     {"--from", "Tokyo(---)", "--to", "Tokyo(---):tm", "--columns", "2,3,4",
      "geo-korea.csv"},
     "geo-to-tm.out",
     "tmmm"},
    {"TmToGeo",
     {"--from", "Tokyo(---):tm", "--to", "Tokyo(---)", "--columns", "2,3,4",
      "tm.csv"},
     "tm-to-geo.out",
     "tddm"},
    {"GeoToTmWestBelt",
     {"--from", "Tokyo(---)", "--to", "Tokyo(---):tm", "--to-origin-lon",
      "125.5", "--columns", "2,3,4", "geo-korea.csv"},
     "geo-to-tm-west.out",
     "tmmm"},
    {"GeoToG7",
     {"--from", "WGS84", "--to", "WGS84:g7", "--columns", "2,3,4",
      "geo-korea.csv"},
     "geo-to-g7.out",
     "tmmm"},
    {"G7ToGeo",
     {"--from", "WGS84:g7", "--to", "WGS84", "--columns", "2,3,4", "g7.csv"},
     "g7-to-geo.out",
     "tddm"},
    {"GeoToEcef", Args({"--from", "WGS84", "--to", "WGS84:ecef"}, GEO),
     "geo-to-ecef.out", "tmmmt"},
    {"EcefToGeo",
     {"--from", "WGS84:ecef", "--to", "WGS84", "--columns", "2,3,4",
      "ecef.csv"},
     "ecef-to-geo.out",
     "tddm"},
    {"GeoToEcefOnBessel",
     Args({"--from", "Tokyo(---)", "--to", "Tokyo(---):ecef"}, GEO),
     "geo-to-ecef-bessel.out", "tmmmt"},
    {"TmToUtmAcrossDatums",
     {"--from", "Tokyo(---):tm", "--to", "WGS84:utm", "--columns", "2,3,4",
      "tm.csv"},
     "tm-to-utm52-wgs84.out",
     "tmmm"},
    {"UtmSouthWithFalseNorthing",
     {"--from", "WGS84", "--to", "WGS84:utm", "--to-utm-zone", "56",
      "--to-false-northing", "10000000", "--columns", "2,3,4", "sydney.csv"},
     "sydney-utm56s.out",
     "tmmm"},
    {"UtmSouthernZone",
     {"--from", "WGS84", "--to", "WGS84:utm", "--to-utm-zone", "56S",
      "--columns", "2,3,4", "sydney.csv"},
     "sydney-utm56s.out",
     "tmmm"},
    {"UtmZonePerPoint",
     {"--from", "WGS84", "--to", "WGS84:utm", "--utm-zone", "auto", "--columns",
      "2,3", "zones.csv"},
     "zones-auto.out",
     "tmmmt"},
};

INSTANTIATE_TEST_SUITE_P(Chains, ReferenceCases,
                         testing::ValuesIn(REFERENCE_CASES),
                         [](const auto &info) {
                             return std::string(info.param.name);
                         });

// ---- texts, layouts and messages
// ---------------------------------------------

struct TextCase {
    const char *name;
    std::vector<std::string> args;
    const char *input;    ///< standard input (file in data/), or nullptr
    const char *expected; ///< expected standard output (file in data/)
    const char *errors; ///< expected standard error (file in data/), or nullptr
    int status;
    const char *units = nullptr; ///< compare numbers by unit instead of text
};

class TextCases : public testing::TestWithParam<TextCase> {};

TEST_P(TextCases, WritesExpectedTexts) {
    const TextCase &c = GetParam();
    const RunResult r =
        RunConvert(c.args, c.input ? DATA + "/" + c.input : "/dev/null");
    if (c.units)
        ExpectSameTable(r.out, ReadFile(DATA + "/" + c.expected), c.units);
    else
        EXPECT_EQ(r.out, ReadFile(DATA + "/" + c.expected));
    EXPECT_EQ(r.err, c.errors ? ReadFile(DATA + "/" + c.errors) : "");
    EXPECT_EQ(r.status, c.status);
}

const std::vector<std::string> COPY = {"--from", "WGS84", "--to", "WGS84"};

void PrintTo(const TextCase &c, std::ostream *os) { *os << c.name; }

const TextCase TEXT_CASES[] = {
    {"SameDatumCopy", Args(COPY, {"--columns", "2,3,4", "copy.csv"}), nullptr,
     "copy.out", nullptr, 0},
    {"SameLocalDatumCopyCallsNoEngine",
     {"--from", "125", "--to", "Tokyo(---)", "--columns", "2,3,4", "copy.csv"},
     nullptr,
     "copy.out",
     nullptr,
     0},
    {"StandardInput", Args(COPY, {"--columns", "2,3,4"}), "copy.csv",
     "copy.out", nullptr, 0},
    {"StandardInputAsDash", Args(COPY, {"--columns", "2,3,4", "-"}), "copy.csv",
     "copy.out", nullptr, 0},
    {"EveryAngleNotation", Args(COPY, {"--columns", "2,3", "notations.csv"}),
     nullptr, "notations.out", nullptr, 0},
    {"FormatDms",
     Args(COPY, {"--columns", "2,3", "--format", "dms", "formats.csv"}),
     nullptr, "formats-dms.out", nullptr, 0},
    {"FormatDm",
     Args(COPY, {"--columns", "2,3", "--format", "dm", "formats.csv"}), nullptr,
     "formats-dm.out", nullptr, 0},
    {"PrecisionDmsCarries",
     Args(COPY, {"--columns", "2,3,4", "--format", "dms", "--precision", "2",
                 "precision.csv"}),
     nullptr, "precision-dms.out", nullptr, 0},
    {"PrecisionDd",
     Args(COPY, {"--columns", "2,3,4", "--precision", "4", "precision.csv"}),
     nullptr, "precision-dd.out", nullptr, 0},
    {"LonLatDms", Args(COPY, {"--lonlat", "--format", "dms", "lonlat.txt"}),
     nullptr, "lonlat-dms.out", nullptr, 0},
    {"DetectsTab", Args(COPY, {"--columns", "2,3,4", "delim-tab.txt"}), nullptr,
     "delim-tab.out", nullptr, 0},
    {"DetectsSemicolon",
     Args(COPY, {"--columns", "2,3,4", "delim-semicolon.txt"}), nullptr,
     "delim-semicolon.out", nullptr, 0},
    {"DetectsComma", Args(COPY, {"--columns", "2,3,4", "delim-comma.txt"}),
     nullptr, "delim-comma.out", nullptr, 0},
    {"DetectsBlanks", Args(COPY, {"--columns", "2,3,4", "delim-blank.txt"}),
     nullptr, "delim-blank.out", nullptr, 0},
    {"DelimiterGiven",
     Args(COPY, {"--columns", "2,3,4", "--delimiter", "|", "delim-pipe.txt"}),
     nullptr, "delim-pipe.out", nullptr, 0},
    {"DelimiterGivenByName",
     Args(COPY, {"--columns", "2,3,4", "--delimiter", "semicolon",
                 "delim-semicolon.txt"}),
     nullptr, "delim-semicolon.out", nullptr, 0},
    {"ColumnsInPlace", Args(COPY, {"--columns", "3,2,5", "columns.csv"}),
     nullptr, "columns.out", nullptr, 0},
    {"HeaderCommentsBlankCrlf",
     Args(COPY, {"--header", "--columns", "2,3", "header-crlf.csv"}), nullptr,
     "header-crlf.out", nullptr, 0},
    // Spreadsheets need the mark to show non-ASCII headings: it stays.
    {"ByteOrderMarkKept",
     Args(COPY, {"--header", "--columns", "2,3", "bom.csv"}), nullptr,
     "bom.out", nullptr, 0},
    // A 13-line file with errors gave 3 lines: each failed line now keeps
    // its row as a comment with the error and the original text.
    {"FailedLinesKeepTheirRows", Args(COPY, {"--columns", "2,3", "errors.csv"}),
     nullptr, "errors.out", "errors.err", 1},
    {"SkipLeavesFailedLinesOut",
     Args(COPY, {"--columns", "2,3", "--on-error", "skip", "errors.csv"}),
     nullptr, "errors-skip.out", "errors.err", 1},
    {"StopsAtFirstFailure",
     Args(COPY, {"--columns", "2,3", "--on-error", "stop", "errors.csv"}),
     nullptr, "errors-stop.out", "errors-stop.err", 1},
    {"StandardInputName", Args(COPY, {"--columns", "2,3"}), "errors.csv",
     "errors.out", "errors-stdin.err", 1},
    {"FloatingPointFaults",
     {"--from", "WGS84:ecef", "--to", "WGS84", "--columns", "2,3,4",
      "ecef-faults.csv"},
     nullptr,
     "ecef-faults.out",
     "ecef-faults.err",
     1},
    {"LongitudeWithoutZone",
     {"--from", "WGS84", "--to", "WGS84:utm", "--utm-zone", "auto", "--columns",
      "2,3", "zone-range.csv"},
     nullptr,
     "zone-range.out",
     "zone-range.err",
     1,
     "tmmmt"},
};

INSTANTIATE_TEST_SUITE_P(Files, TextCases, testing::ValuesIn(TEXT_CASES),
                         [](const auto &info) {
                             return std::string(info.param.name);
                         });

// ---- usage errors
// ---------------------------------------------------------------

struct UsageCase {
    const char *name;
    std::vector<std::string> args;
    const char *message; ///< first line of standard error
};

class UsageErrors : public testing::TestWithParam<UsageCase> {};

TEST_P(UsageErrors, ExitWithTwoAndSayWhat) {
    const UsageCase &c = GetParam();
    const RunResult r = RunConvert(c.args);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, std::string("nolvex-convert: ") + c.message +
                         "\nRun with --help for more information.\n");
}

void PrintTo(const UsageCase &c, std::ostream *os) { *os << c.name; }

const UsageCase USAGE_CASES[] = {
    {"NoDatums", {"copy.csv"}, "--from and --to are required"},
    {"AmbiguousName",
     {"--from", "Tokyo", "--to", "WGS84"},
     "'Tokyo' names 3 datums: 123 \"Tokyo(TOY-B)\" 124 \"Tokyo(TOY-M)\" 125 "
     "\"Tokyo(---)\""},
    {"UnknownDatum",
     {"--from", "Nowhere", "--to", "WGS84"},
     "unknown datum 'Nowhere' (see --list datums)"},
    {"IndexBeyondCatalogue",
     {"--from", "134", "--to", "WGS84"},
     "datum index 134 is outside 0 to 133"},
    {"UnknownKind",
     {"--from", "WGS84:lcc", "--to", "WGS84"},
     "unknown grid kind 'lcc' (geo, utm, tm, g7 or ecef)"},
    {"GeoJsonNeedsWgs84",
     {"--from", "WGS84", "--to", "TOY-B", "--output-format", "geojson"},
     "--output-format geojson needs a geographic WGS 84 target (--to WGS84)"},
    {"GeoJsonNeedsGeographic",
     {"--from", "WGS84", "--to", "WGS84:utm", "--output-format", "geojson"},
     "--output-format geojson needs a geographic WGS 84 target (--to WGS84)"},
    {"GridSettingOnGeographicSide",
     {"--from", "WGS84", "--to", "WGS84", "--to-false-easting", "1"},
     "grid settings for the --to side need its kind utm, tm or g7"},
    {"GridSettingNotANumber",
     {"--from", "WGS84", "--to", "WGS84:tm", "--to-false-easting", "abc"},
     "--to grid setting: 'abc' is not a valid floating point value"},
    {"ZoneBeyond60",
     {"--from", "WGS84", "--to", "WGS84:utm", "--utm-zone", "61"},
     "--utm-zone takes a zone from 1 to 60, with N or S for its hemisphere, "
     "or auto"},
    {"AutoZoneOnSource",
     {"--from", "WGS84:utm", "--to", "WGS84", "--utm-zone", "auto"},
     "--utm-zone auto needs a utm target; give a utm source its zone with "
     "--from-utm-zone"},
    // A UTM source without a zone silently used zone 52.
    {"UtmSourceNeedsItsZone",
     {"--from", "WGS84:utm", "--to", "WGS84"},
     "a utm source needs its zone: --from-utm-zone 1 to 60 with N or S (52N, "
     "56S), or column"},
    {"HemisphereZoneAndFalseNorthing",
     {"--from", "WGS84", "--to", "WGS84:utm", "--to-false-northing", "0",
      "--to-utm-zone", "56S"},
     "--to-utm-zone 56S sets the false northing; leave out the false-northing "
     "option"},
    {"ZoneColumnOnTarget",
     {"--from", "WGS84", "--to", "WGS84:utm", "--to-utm-zone", "column"},
     "--to-utm-zone takes a zone from 1 to 60, with N or S for its "
     "hemisphere, or auto"},
    {"ColumnNamesWithoutHeader",
     {"--from", "WGS84", "--to", "WGS84", "--columns", "lat,lon"},
     "--columns takes column numbers from 1, as in 2,3,4, or with --header "
     "the column names of the heading"},
    {"ZoneWithoutUtm",
     {"--from", "WGS84", "--to", "WGS84:tm", "--utm-zone", "52"},
     "--utm-zone needs a utm side"},
    {"OneColumn",
     {"--from", "WGS84", "--to", "WGS84", "--columns", "2"},
     "--columns takes two or three column numbers"},
    {"ColumnNotANumber",
     {"--from", "WGS84", "--to", "WGS84", "--columns", "2,"},
     "--columns takes column numbers from 1, as in 2,3,4, or with --header "
     "the column names of the heading"},
    {"ColumnTwice",
     {"--from", "WGS84", "--to", "WGS84", "--columns", "2,2"},
     "--columns names column 2 twice"},
    {"DmsForGrid",
     {"--from", "WGS84", "--to", "WGS84:utm", "--format", "dms"},
     "--format dm and dms need a geographic target"},
    {"UserEllipsoidWithoutFlattening",
     {"--user-ellipsoid", "Flat,6378137,0", "--user-datum", "D,0,0,0,0",
      "--from", "0", "--to", "WGS84"},
     "--from: datum 0: Floating point division by zero"},
    {"UserDatumShort",
     {"--user-datum", "D,BR,1,2", "--from", "0", "--to", "WGS84"},
     "--user-datum: expected NAME,ellipsoid,dx,dy,dz"},
    {"OutputIsInput",
     {"--from", "WGS84", "--to", "WGS84", "copy.csv", "-o", "copy.csv"},
     "the output file copy.csv is also the input copy.csv"},
    {"BadDelimiter",
     {"--from", "WGS84", "--to", "WGS84", "--delimiter", "ab"},
     "--delimiter takes one character, tab, comma, semicolon or space"},
};

INSTANTIATE_TEST_SUITE_P(CommandLine, UsageErrors,
                         testing::ValuesIn(USAGE_CASES), [](const auto &info) {
                             return std::string(info.param.name);
                         });

TEST(CommandLine, ParserErrorsExitWithTwo) {
    for (const auto &args :
         std::vector<std::vector<std::string>>{{"--bogus"},
                                               {"--threads", "0"},
                                               {"--precision", "18"},
                                               {"--format", "dd2"}}) {
        SCOPED_TRACE(args[0]);
        const RunResult r = RunConvert(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err.rfind("nolvex-convert: ", 0), 0u) << r.err;
    }
}

TEST(CommandLine, HelpAndVersion) {
    const RunResult help = RunConvert({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Examples:"), std::string::npos);
    EXPECT_NE(help.out.find("--utm-zone"), std::string::npos);
    const RunResult version = RunConvert({"--version"});
    EXPECT_EQ(version.status, 0);
    // The program's version, then PROJ's and its EPSG database's.
    const auto lines = Lines(version.out);
    ASSERT_EQ(lines.size(), 2u) << version.out;
    EXPECT_EQ(lines[0], "nolvex-convert 1.22");
    EXPECT_EQ(lines[1].rfind("PROJ Rel. ", 0), 0u) << lines[1];
    EXPECT_NE(lines[1].find(", EPSG database v"), std::string::npos);
}

// ---- inputs and outputs
// ---------------------------------------------------------------

TEST(Inputs, MissingFileFailsAndTheRestConverts) {
    const RunResult r = RunConvert(
        Args(COPY, {"--columns", "2,3,4", "missing.csv", "copy.csv"}));
    EXPECT_EQ(r.out, ReadFile(DATA + "/copy.out"));
    EXPECT_EQ(r.err, "nolvex-convert: missing.csv: cannot open: No such file "
                     "or directory\n");
    EXPECT_EQ(r.status, 1);
}

TEST(Inputs, LineNumbersStartAgainInEachFile) {
    const RunResult r = RunConvert(
        Args(COPY, {"--columns", "2,3", "errors.csv", "errors.csv"}));
    const std::string perFile = ReadFile(DATA + "/errors.err");
    const std::string messages =
        perFile.substr(0, perFile.rfind("nolvex-convert: 10"));
    EXPECT_EQ(r.err, messages + messages + "nolvex-convert: 20 lines failed\n");
    const std::string out = ReadFile(DATA + "/errors.out");
    EXPECT_EQ(r.out, out + out);
}

TEST(Inputs, OverlongLineIsReportedAndSkipped) {
    const std::string dir = testing::TempDir();
    const std::string path = dir + "/overlong.txt";
    WriteFile(path,
              "37.5 127.5\n" + std::string(1'200'000, '1') + "\n35 129\n");
    const RunResult r =
        RunConvert(Args(COPY, {"overlong.txt"}), "/dev/null", dir);
    EXPECT_EQ(r.out, "37.5 127.5 0\n# ERROR: line longer than 1048576 bytes\n"
                     "35 129 0\n");
    EXPECT_EQ(r.err,
              "nolvex-convert: overlong.txt:2: line longer than 1048576 bytes\n"
              "nolvex-convert: 1 line failed\n");
    EXPECT_EQ(r.status, 1);
}

// Two or more lines over the limit in a row: only the first was reported,
// and every later line number and the failure count were wrong.
TEST(Inputs, OverlongLinesInARowEachReported) {
    const std::string dir = testing::TempDir();
    const std::string line(1'200'000, '1');
    WriteFile(dir + "/overlong2.txt", "37.5 127.5\n" + line + "\n" + line +
                                          "\n" + line + "\nx 1\n35 129\n");
    const RunResult r =
        RunConvert(Args(COPY, {"overlong2.txt"}), "/dev/null", dir);
    const std::string comment = "# ERROR: line longer than 1048576 bytes\n";
    EXPECT_EQ(r.out,
              "37.5 127.5 0\n" + comment + comment + comment +
                  "# ERROR: 'x' is not a valid latitude | x 1\n35 129 0\n");
    EXPECT_EQ(
        r.err,
        "nolvex-convert: overlong2.txt:2: line longer than 1048576 bytes\n"
        "nolvex-convert: overlong2.txt:3: line longer than 1048576 bytes\n"
        "nolvex-convert: overlong2.txt:4: line longer than 1048576 bytes\n"
        "nolvex-convert: overlong2.txt:5: 'x' is not a valid latitude\n"
        "nolvex-convert: 4 lines failed\n");
    EXPECT_EQ(r.status, 1);
}

TEST(Outputs, OutputFile) {
    const std::string dir = testing::TempDir();
    const std::string out = dir + "/converted.csv";
    const RunResult r =
        RunConvert(Args(COPY, {"--columns", "2,3,4", "copy.csv", "-o", out}));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(ReadFile(out), ReadFile(DATA + "/copy.out"));
}

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
    const JsonValue doc = ParseJson(r.out);
    EXPECT_EQ(doc["type"].text, "FeatureCollection");
    const auto &features = doc["features"].items;
    ASSERT_EQ(features.size(), 3u);

    const auto expected = Lines(ReadFile(DATA + "/geo-tokyo-to-wgs84.out"));
    const char *names[] = {"Seoul \"City\" Hall", "\xEB\xB6\x80\xEC\x82\xB0",
                           "bad \xEF\xBF\xBD byte"};
    const char *notes[] = {"a\\b", "tab\there", ""};
    const char *lasts[] = {"", "z", ""};
    for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const JsonValue &f = features[i];
        EXPECT_EQ(f["type"].text, "Feature");
        EXPECT_EQ(f["geometry"]["type"].text, "Point");
        const auto &xyz = f["geometry"]["coordinates"].items;
        ASSERT_EQ(xyz.size(), 3u);
        const auto ref = Fields(expected[i + 1], ',');
        EXPECT_NEAR(xyz[0].number, Number(ref[2]),
                    DEGREE_TOLERANCE); // longitude first
        EXPECT_NEAR(xyz[1].number, Number(ref[1]), DEGREE_TOLERANCE);
        EXPECT_NEAR(xyz[2].number, Number(ref[3]), METRE_TOLERANCE);
        const JsonValue &p = f["properties"];
        ASSERT_EQ(p.names.size(), 5u);
        EXPECT_EQ(p["id"].text, std::to_string(i + 1));
        EXPECT_EQ(p["na\"me"].text, names[i]);
        EXPECT_EQ(p["field6"].text, notes[i]); // "note" is repeated
        EXPECT_EQ(p["field8"].text, lasts[i]); // no name
    }
}

TEST(GeoJson, EmptyInputIsAnEmptyCollection) {
    const RunResult r = RunConvert(
        {"--from", "TOY-B", "--to", "WGS84", "--output-format", "geojson"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(ParseJson(r.out)["features"].items.size(), 0u);
}

TEST(GeoJson, StaysValidWhenStoppedEarly) {
    const RunResult r = RunConvert(
        {"--from", "WGS84", "--to", "WGS84", "--columns", "2,3",
         "--output-format", "geojson", "--on-error", "stop", "errors.csv"});
    EXPECT_EQ(r.status, 1);
    const JsonValue doc = ParseJson(r.out);
    const auto &features = doc["features"].items;
    ASSERT_EQ(features.size(), 2u); // the point, then the failed line
    EXPECT_EQ(features[1]["geometry"].type, JsonValue::Type::Null);
    EXPECT_EQ(features[1]["properties"]["error"].text,
              "'abc' is not a valid latitude");
}

// ---- catalogue and trace
// ------------------------------------------------------------------

TEST(Catalogue, ListsDatumsAndEllipsoids) {
    const RunResult datums = RunConvert({"--list", "datums"});
    EXPECT_EQ(datums.status, 0);
    const auto rows = Lines(datums.out);
    ASSERT_EQ(rows.size(), 135u);
    EXPECT_EQ(rows[0], "index\tcode\tname\tellipsoid\ta\tinvf\tdx\tdy\tdz");
    EXPECT_EQ(rows[126],
              "125\t---\tTokyo\tBessel 1841(BR)\t6377397.155\t299.1528128\t"
              "-105.627\t462.37\t643.258");
    EXPECT_EQ(rows[112],
              "111\tSPK-A\tS-42(Pulkovo 1942)\tKrassovsky 1940(KA)\t6378245\t"
              "298.3\t28\t-121\t77");
    EXPECT_EQ(rows[134],
              "133\t\tWorld Geodetic System 1984\tWGS 84(WE)\t6378137\t"
              "298.257223563\t0\t0\t0");

    const RunResult ellipsoids = RunConvert({"--list", "ellipsoids"});
    const auto erows = Lines(ellipsoids.out);
    ASSERT_EQ(erows.size(), 30u);
    EXPECT_EQ(erows[5], "4\tBR\tBessel 1841\t6377397.155\t299.1528128");
    EXPECT_EQ(erows[26],
              "25\tEB\tEverest(Sabah Sarawak)\t6377298.556\t300.8017");
}

TEST(Catalogue, ListShowsUserRows) {
    const RunResult r =
        RunConvert({"--user-ellipsoid", "Mine(MY),6378000,300", "--user-datum",
                    "Site datum(SITE),MY,1,-2,3.5", "--list", "datums"});
    EXPECT_EQ(Lines(r.out)[1],
              "0\tSITE\tSite datum\tMine(MY)\t6378000\t300\t1\t-2\t3.5");
}

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

// Control bytes from the input were copied raw into messages (an ESC
// sequence reached the terminal) and a NUL cut the message.
TEST(Messages, ControlBytesEscapedAndEchoCut) {
    const std::string dir = FreshDir("control");
    WriteFile(dir + "/in.txt", "\x1B[2J\x1B[31m\x07 1\n" +
                                   std::string("ab\0cd 1\n", 8) +
                                   std::string(200, '9') + "x 1\n");
    const RunResult r = RunConvert(Args(COPY, {"in.txt"}), "/dev/null", dir);
    EXPECT_EQ(r.err,
              "nolvex-convert: in.txt:1: '\\x1B[2J\\x1B[31m\\x07' is not a "
              "valid latitude\n"
              "nolvex-convert: in.txt:2: 'ab\\x00cd' is not a valid latitude\n"
              "nolvex-convert: in.txt:3: '" +
                  std::string(40, '9') +
                  "...' is not a valid latitude\n"
                  "nolvex-convert: 3 lines failed\n");
    EXPECT_EQ(r.err.find('\x1B'), std::string::npos);
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

// --on-error stop carried on after an input file that could not be opened.
TEST(Inputs, StopAlsoAtAnInputThatCannotBeOpened) {
    const RunResult r =
        RunConvert(Args(COPY, {"--on-error", "stop", "--columns", "2,3,4",
                               "missing.csv", "copy.csv"}));
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "nolvex-convert: missing.csv: cannot open: No such file "
                     "or directory\n");
    EXPECT_EQ(r.status, 1);
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

// ---- silent misreads
// ------------------------------------------------------------

// "37 30 00 N 127 00 00 E" was read as latitude 37, longitude 30, height 0
// with the rest passed through, and the DMS output could not be read back.
TEST(Reading, SeparateDegreesMinutesSecondsWithLetters) {
    const std::string dir = FreshDir("dms-letters");
    WriteFile(dir + "/in.txt", "37 30 00 N 127 00 00 E\n"
                               "37 33 48.696 126 58 48.017 0\n"
                               "127 15 E 37 30 N 12\n");
    const RunResult r = RunConvert(Args(COPY, {"in.txt"}), "/dev/null", dir);
    EXPECT_EQ(r.out,
              "37.5 127 0\n"
              "# ERROR: 7 numbers where 3 are read: degrees, minutes "
              "and seconds apart need a hemisphere letter after each "
              "angle (37 30 0 N 127 0 0 E) | 37 33 48.696 126 58 48.017 0\n"
              "127.25 37.5 12\n");
    EXPECT_EQ(r.status, 1);
}

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

TEST(Reading, LongitudeFirstDmsReadsBack) {
    const std::vector<std::string> options =
        Args(COPY, {"--lonlat", "--format", "dms"});
    const std::string once = testing::TempDir() + "/lonlat.dms";
    const RunResult first =
        RunConvert(Args(options, {"lonlat.txt", "-o", once}));
    ASSERT_EQ(first.status, 0) << first.err;
    const RunResult second = RunConvert(Args(options, {once}));
    EXPECT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(second.out, ReadFile(once));
    EXPECT_EQ(second.out, ReadFile(DATA + "/lonlat-dms.out"));
}

// No range checks: latitude 91 went to UTM, "90 0" to Tokyo gave a longitude
// of -7e13, minutes 60 and 75 and seconds 75 were taken, 1e300 was a
// latitude, and a UTM northing of 1e9 gave latitude 9001.
TEST(Reading, ValuesOutsideTheirRangeAreRefused) {
    struct Row {
        std::vector<std::string> args;
        const char *line, *message;
    };
    const Row rows[] = {
        {{"--to", "WGS84:utm", "--to-utm-zone", "52N"},
         "91 127",
         "latitude 91 is outside -90 to 90"},
        {{"--to", "Tokyo(---)"},
         "90 0",
         "the datum shift has no meaning this close to a pole (latitude 90)"},
        {{"--to", "WGS84"},
         "37:60 127",
         "'37:60' is not a valid latitude: minutes must be below 60"},
        {{"--to", "WGS84"},
         "37:75 127",
         "'37:75' is not a valid latitude: minutes must be below 60"},
        {{"--to", "WGS84"},
         "37:30:75 127",
         "'37:30:75' is not a valid latitude: seconds must be below 60"},
        {{"--to", "WGS84"}, "1e300 127", "latitude 1E300 is outside -90 to 90"},
        {{"--to", "WGS84"},
         "37.5 127.5 1e300",
         "height 1E300 is beyond 1E10 m"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.line);
        const std::string dir = FreshDir("range");
        WriteFile(dir + "/in.txt", std::string(row.line) + "\n");
        const RunResult r =
            RunConvert(Args(Args({"--from", "WGS84"}, row.args), {"in.txt"}),
                       "/dev/null", dir);
        EXPECT_EQ(r.out, std::string("# ERROR: ") + row.message + " | " +
                             row.line + "\n");
        EXPECT_EQ(r.status, 1);
    }
    const std::string dir = FreshDir("northing");
    WriteFile(dir + "/in.txt", "500000 1e9\n");
    const RunResult r = RunConvert({"--from", "WGS84:utm", "--from-utm-zone",
                                    "52N", "--to", "WGS84", "in.txt"},
                                   "/dev/null", dir);
    EXPECT_EQ(r.out, "# ERROR: northing 1000000000 is more than 11000 km from "
                     "the false northing 0 | 500000 1e9\n");
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

// RFC 4180 quoting was not read, headings were left over converted columns
// and an added column had none, and a heading line without --header gave
// messages that depended on its letters.
TEST(Reading, QuotedFieldsAndHeadingNames) {
    const std::string dir = FreshDir("csv");
    WriteFile(dir + "/in.csv", "name,lat,lon\n"
                               "\"Seoul, City Hall\",37.5663,126.9779\n"
                               "\"say \"\"hi\"\"\",35.1,129.04\n");
    const RunResult r =
        RunConvert({"--header", "--columns", "lat,lon", "--from", "WGS84",
                    "--to", "WGS84:utm", "--utm-zone", "auto", "in.csv"},
                   "/dev/null", dir);
    ASSERT_EQ(r.status, 0) << r.err;
    const auto lines = Lines(r.out);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "name,easting,northing,height,zone");
    EXPECT_EQ(lines[1].rfind("\"Seoul, City Hall\",321414.97", 0), 0u)
        << lines[1];
    EXPECT_EQ(lines[1].substr(lines[1].size() - 6), ",0,52N");
    EXPECT_EQ(lines[2].rfind("\"say \"\"hi\"\"\",", 0), 0u) << lines[2];

    const RunResult plain =
        RunConvert(Args(COPY, {"in.csv"}), "/dev/null", dir);
    EXPECT_EQ(Lines(plain.err)[0],
              "nolvex-convert: in.csv:1: 'name' is not a valid latitude (the "
              "first line looks like a heading: use --header)");
    const RunResult unknown =
        RunConvert({"--header", "--columns", "lat,longitude", "--from", "WGS84",
                    "--to", "WGS84", "in.csv"},
                   "/dev/null", dir);
    EXPECT_EQ(
        unknown.err,
        "nolvex-convert: in.csv: the heading has no column 'longitude'\n");
    EXPECT_EQ(unknown.status, 1);
}


// ---- systems through PROJ -----------------------------------------------------------

// Seoul City Hall through the published transformation, as PROJ 9.1 gives
// it: echo "37.5663 126.9779" | cs2cs -f %.4f EPSG:4326 EPSG:5174
//   451557.6553	197977.9052 0.0000 (northing first, as EPSG orders it)
TEST(Register, SeoulCityHallOnTheModifiedCentralBelt) {
    const std::string dir = testing::TempDir();
    WriteFile(dir + "/seoul.txt", "37.5663 126.9779\n");
    for (const char *to : {"EPSG:5174", "5174", "epsg:5174"}) {
        SCOPED_TRACE(to);
        const RunResult r =
            RunConvert({"--from", "EPSG:4326", "--to", to}, dir + "/seoul.txt");
        EXPECT_EQ(r.status, 0) << r.err;
        const auto fields = Fields(Lines(r.out).at(0), ' ');
        ASSERT_EQ(fields.size(), 3u);
        EXPECT_NEAR(std::stod(fields[0]), 451557.6553, 0.0005);
        EXPECT_NEAR(std::stod(fields[1]), 197977.9052, 0.0005);
    }
    // And back, northing first in. The published transformation back is
    // PROJ's inverse, which does not quite undo it (5 mm here):
    //   echo "451557.6553 197977.9052" | cs2cs -f %.12f EPSG:5174 EPSG:4326
    //   37.566299957274	126.977900032337 0.000000000000
    WriteFile(dir + "/belt.txt", "451557.6553 197977.9052\n");
    const RunResult back =
        RunConvert({"--from", "EPSG:5174", "--to", "EPSG:4326"},
                   dir + "/belt.txt");
    const auto fields = Fields(Lines(back.out).at(0), ' ');
    EXPECT_NEAR(std::stod(fields[0]), 37.566299957274, 1e-9);
    EXPECT_NEAR(std::stod(fields[1]), 126.977900032337, 1e-9);
}

TEST(Register, HeadingNamesEpsgsAxisOrder) {
    const std::string dir = testing::TempDir();
    WriteFile(dir + "/utmk.csv", "name,lat,lon\nSeoul,37.5663,126.9779\n");
    const RunResult r = RunConvert({"--header", "--columns", "lat,lon",
                                    "--from", "EPSG:4326", "--to", "5179"},
                                   dir + "/utmk.csv");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Lines(r.out).at(0), "name,northing,easting,height");
}

TEST(Register, UnknownCodesAreUsageErrors) {
    for (const char *code : {"EPSG:9999", "99999", "urn:ogc:def:crs:EPSG::9999"}) {
        SCOPED_TRACE(code);
        const RunResult r = RunConvert({"--from", code, "--to", "4326"});
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find("' is not a reference system PROJ knows"),
                  std::string::npos)
            << r.err;
        EXPECT_NE(r.err.find("see --list crs"), std::string::npos) << r.err;
    }
    // A name is no code: PROJ's own search by name would pick any system.
    const RunResult name = RunConvert({"--from", "Amersfoort", "--to", "4326"});
    EXPECT_EQ(name.status, 2);
    EXPECT_NE(name.err.find("unknown datum 'Amersfoort'"), std::string::npos)
        << name.err;
}

// Converted all the same, told once with the first lines and the count;
// --outside-area error makes them error lines.
TEST(Register, PointsOutsideTheAreaOfUseAreCounted) {
    const std::string dir = testing::TempDir();
    WriteFile(dir + "/far.txt",
              "37.5663 126.9779\n35 140\n10 10\n36 127.5\n");
    const RunResult r = RunConvert({"--from", "EPSG:4326", "--to", "EPSG:5174"},
                                   dir + "/far.txt");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(Lines(r.out).size(), 4u);
    EXPECT_EQ(r.err, "nolvex-convert: 2 points lie outside the area of use of "
                     "Inverse of Korean 1985 to WGS 84 (1) + Korea Modified "
                     "Central Belt, 1 m (Republic of Korea (South Korea) - "
                     "onshore.): <stdin>:2, <stdin>:3; converted all the same "
                     "(--outside-area error makes them errors)\n");
    const RunResult strict =
        RunConvert({"--from", "EPSG:4326", "--to", "EPSG:5174",
                    "--outside-area", "error"},
                   dir + "/far.txt");
    EXPECT_EQ(strict.status, 1);
    const auto lines = Lines(strict.out);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[1].rfind("# ERROR: outside the area of use of ", 0), 0u)
        << lines[1];
    EXPECT_EQ(lines[0].rfind("451557.655", 0), 0u);
}

// A point that fails after the area check (beyond UTM's 84 N) is no point
// converted all the same: only the second line counts.
TEST(Register, FailedPointsAreNotCountedOutsideTheArea) {
    const std::string dir = testing::TempDir();
    WriteFile(dir + "/north.txt",
              "6000000 200000\n4000000 200000\n500000 200000\n");
    const RunResult r =
        RunConvert({"--from", "EPSG:5174", "--to", "WGS84:utm",
                    "--to-utm-zone", "52N"},
                   dir + "/north.txt");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err,
              // echo 6000000 200000 | cs2cs -d 13 EPSG:5174 EPSG:4326
              //   87.3656264031833	126.9799115125720
              "nolvex-convert: <stdin>:1: latitude 87.3656264031833 is "
              "outside UTM's 80 S to 84 N\n"
              "nolvex-convert: 1 point lies outside the area of use of "
              "Inverse of Korea Modified Central Belt + Korean 1985 to WGS 84 "
              "(1), 1 m (Republic of Korea (South Korea) - between 126\u00B0E "
              "and 128\u00B0E - mainland and nearshore.): <stdin>:2; converted "
              "all the same (--outside-area error makes them errors)\n"
              "nolvex-convert: 1 line failed\n");
}

TEST(Register, ListAndPipeline) {
    // Every system of PROJ's database, found by code, name or area.
    const RunResult list = RunConvert({"--list", "crs", "korea"});
    EXPECT_EQ(list.status, 0);
    const auto rows = Lines(list.out);
    EXPECT_EQ(rows.at(0), "id\tname\tkind\tarea of use");
    EXPECT_GT(rows.size(), 20u);
    EXPECT_NE(list.out.find("EPSG:5174\tKorean 1985 / Modified Central Belt\t"
                            "Projected\tRepublic of Korea"),
              std::string::npos);
    const RunResult code = RunConvert({"--list", "crs", "EPSG:5186"});
    EXPECT_EQ(Lines(code.out).size(), 2u) << code.out;
    const RunResult all = RunConvert({"--list", "crs"});
    EXPECT_GT(Lines(all.out).size(), 5000u);

    // The text projinfo -s EPSG:4326 -t EPSG:5174 -o PROJ --single-line
    // prints (PROJ 9.1).
    const RunResult proj =
        RunConvert({"--from", "EPSG:4326", "--to", "EPSG:5174", "--proj"});
    EXPECT_EQ(proj.status, 0);
    EXPECT_EQ(
        proj.out,
        "+proj=pipeline +step +proj=axisswap +order=2,1 +step "
        "+proj=unitconvert +xy_in=deg +xy_out=rad +step +proj=push +v_3 +step "
        "+proj=cart +ellps=WGS84 +step +inv +proj=molobadekas +x=-145.907 "
        "+y=505.034 +z=685.756 +rx=-1.162 +ry=2.347 +rz=1.592 +s=6.342 "
        "+px=-3159521.31 +py=4068151.32 +pz=3748113.85 "
        "+convention=coordinate_frame +step +inv +proj=cart +ellps=bessel "
        "+step +proj=pop +v_3 +step +proj=tmerc +lat_0=38 "
        "+lon_0=127.002890277778 +k=1 +x_0=200000 +y_0=500000 +ellps=bessel "
        "+step +proj=axisswap +order=2,1\n");
}

} // namespace
