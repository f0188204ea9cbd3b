// Calculation trace records: whole records against files written by
// scripts/reference/trace_records.py, append semantics, the switch, files that
// cannot be written, faults and the decimal point under a comma locale.
#include "Coord.h"
#include "CoordTrace.h"
#include "Errors.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using nolvex::test::ReadFile;

std::string Expected(const char *name) {
    const fs::path path = fs::path(NOLVEX_TEST_DATA) / "trace" / name;
    EXPECT_TRUE(fs::exists(path)) << path;
    return ReadFile(path);
}

/// Keeps a value from being folded by the compiler.
double Runtime(double value) {
    volatile double v = value;
    return v;
}

COORD Engine(std::int32_t datum, std::int16_t bTrace) {
    COORD c(datum);
    c.SetTrace(bTrace);
    return c;
}

/// One file's two traced calls, in order; returns every output.
using TwoCalls = std::vector<double> (*)(std::int16_t bTrace);

struct RecordCase {
    const char *file; ///< trace file, and the expected record file's name
    TwoCalls run;
};

// The calls must stay those of records() in scripts/reference/trace_records.py.
const RecordCase RECORDS[] = {
    {"WGS2LOC.txt",
     [](std::int16_t bTrace) {
         const COORD c = Engine(125, bTrace);
         std::vector<double> o(6);
         c.TransWgs2Local(37.5, 127.3, 50.0, o[0], o[1], o[2]);
         c.TransWgs2Local(-33.9, -70.25, 1234.5, o[3], o[4], o[5]);
         return o;
     }},
    {"LOC2WGS.txt",
     [](std::int16_t bTrace) {
         const COORD c = Engine(125, bTrace);
         std::vector<double> o(6);
         c.TransLocal2Wgs(37.5, 127.3, 50.0, o[0], o[1], o[2]);
         c.TransLocal2Wgs(35.0, 139.75, -20.0, o[3], o[4], o[5]);
         return o;
     }},
    {"LOC2UTM.txt",
     [](std::int16_t bTrace) {
         COORD c = Engine(125, bTrace);
         std::vector<double> o(4);
         c.ConvGeo2Grid(37.5, 127.3, o[0], o[1]);
         c.SetCoordSys(CS_TM);
         c.ConvGeo2Grid(38.0, 127.0, o[2], o[3]);
         return o;
     }},
    {"UTM2LOC.txt",
     [](std::int16_t bTrace) {
         COORD c = Engine(125, bTrace);
         std::vector<double> o(4);
         c.ConvGrid2Geo(o[0], o[1], 349731.1, 4151698.7);
         c.SetCoordSys(CS_G7);
         c.ConvGrid2Geo(o[2], o[3], 400000.0, 600000.0);
         return o;
     }},
    {"LOC2ECEF.txt",
     [](std::int16_t bTrace) {
         const COORD tokyo = Engine(125, bTrace);
         const COORD wgs84 = Engine(133, bTrace);
         std::vector<double> o(6);
         tokyo.ConvGeo2Ecef(37.5, 127.3, 50.0, o[0], o[1], o[2]);
         wgs84.ConvGeo2Ecef(-45.25, -120.5, -30.0, o[3], o[4], o[5]);
         return o;
     }},
    {"ECEF2LOC.txt",
     [](std::int16_t bTrace) {
         const COORD c = Engine(125, bTrace);
         std::vector<double> o(6);
         c.ConvEcef2Geo(o[0], o[1], o[2], -3000000.0, 4000000.0, 3800000.0);
         // X too wide for the 30-character field
         c.ConvEcef2Geo(o[3], o[4], o[5], 1e20, 0.5, -0.5);
         return o;
     }},
};

/// Bitwise comparison: tracing must not change a result.
void ExpectSameResults(const std::vector<double> &actual,
                       const std::vector<double> &expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < actual.size(); ++i)
        EXPECT_EQ(actual[i], expected[i]) << "output " << i;
}

std::vector<fs::path> Entries(const fs::path &dir) {
    return {fs::directory_iterator(dir), fs::directory_iterator()};
}

/// Runs every test in a fresh temporary current directory and restores the
/// directory, the C locale and LOCPATH afterwards.
class TraceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_previousDir = fs::current_path();
        std::string pattern =
            (fs::temp_directory_path() / "nolvex-trace-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
        fs::current_path(m_dir);
        const char *locpath = std::getenv("LOCPATH");
        m_hadLocpath = locpath != nullptr;
        if (m_hadLocpath)
            m_locpath = locpath;
    }

    void TearDown() override {
        std::setlocale(LC_ALL, "C");
        if (m_hadLocpath)
            setenv("LOCPATH", m_locpath.c_str(), 1);
        else
            unsetenv("LOCPATH");
        fs::current_path(m_previousDir);
        std::error_code ec;
        for (const auto &entry : fs::recursive_directory_iterator(m_dir, ec))
            fs::permissions(entry.path(), fs::perms::owner_all,
                            fs::perm_options::add, ec);
        fs::remove_all(m_dir, ec);
    }

    /// Switches LC_ALL to a locale whose decimal point is a comma; one is
    /// compiled into the temporary directory when none is installed.
    bool UseCommaLocale() {
        for (const char *name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8",
                                 "de_DE", "nl_NL.UTF-8", "ru_RU.UTF-8"})
            if (std::setlocale(LC_ALL, name) != nullptr &&
                std::string(std::localeconv()->decimal_point) == ",")
                return true;
        const fs::path locales = m_dir / "locale";
        fs::create_directory(locales);
        const std::string command = "localedef -i de_DE -f UTF-8 '" +
                                    (locales / "de_DE.UTF-8").string() +
                                    "' >/dev/null 2>&1";
        if (std::system(command.c_str()) != 0 &&
            !fs::exists(locales / "de_DE.UTF-8" / "LC_NUMERIC"))
            return false;
        setenv("LOCPATH", locales.c_str(), 1);
        return std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr &&
               std::string(std::localeconv()->decimal_point) == ",";
    }

    fs::path m_dir;
    fs::path m_previousDir;
    bool m_hadLocpath = false;
    std::string m_locpath;
};

// ---- whole records
// ------------------------------------------------------------

TEST_F(TraceTest, TwoCallsAppendTwoRecordsOlderFirstAfterEarlierContent) {
    for (const RecordCase &row : RECORDS) {
        SCOPED_TRACE(row.file);
        const std::string earlier = "an earlier line\n";
        { std::ofstream(row.file, std::ios::binary) << earlier; }
        const std::vector<double> traced = row.run(1);
        EXPECT_EQ(ReadFile(row.file), earlier + Expected(row.file));
        ExpectSameResults(traced, row.run(0));
    }
    // Each conversion wrote only its own file.
    EXPECT_EQ(Entries(m_dir).size(), std::size(RECORDS));
}

TEST_F(TraceTest, AnyNonZeroSwitchTraces) {
    const RecordCase &row = RECORDS[4];
    row.run(-1);
    EXPECT_EQ(ReadFile(row.file), Expected(row.file));
}

TEST_F(TraceTest, SwitchOffCreatesNoFile) {
    for (const RecordCase &row : RECORDS)
        row.run(0);
    // Switched on and off again.
    COORD c(125);
    c.SetTrace(1);
    c.SetTrace(0);
    double lat = 0, lon = 0;
    c.ConvGrid2Geo(lat, lon, 349731.1, 4151698.7);
    EXPECT_TRUE(Entries(m_dir).empty());
}

TEST_F(TraceTest, DecimalPointStaysAPointUnderACommaLocale) {
    if (!UseCommaLocale())
        GTEST_SKIP() << "no locale with a decimal comma could be made";
    // The C library itself now writes a comma.
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 0.5);
    ASSERT_STREQ(probe, "0,5");
    for (const RecordCase &row : RECORDS) {
        SCOPED_TRACE(row.file);
        row.run(1);
        EXPECT_EQ(ReadFile(row.file), Expected(row.file));
    }
}

// ---- faults
// ---------------------------------------------------------------------

struct FaultCase {
    const char *file;     ///< trace file
    const char *expected; ///< expected record
    void (*run)();
    const char *message;
};

const FaultCase FAULTS[] = {
    // At the centre Bowring's parametric latitude is zero by zero.
    {"ECEF2LOC.txt", "fault-ECEF2LOC.txt",
     [] {
         const COORD c = Engine(125, 1);
         double lat = 0, lon = 0, h = 0;
         c.ConvEcef2Geo(lat, lon, h, Runtime(0.0), Runtime(0.0), Runtime(0.0));
     },
     "Invalid floating point operation"},
    // h = -N at the equator: the longitude divisor (N + h) cos(lat) is 0.
    {"LOC2WGS.txt", "fault-LOC2WGS.txt",
     [] {
         const COORD c = Engine(125, 1);
         double lat = 0, lon = 0, h = 0;
         c.TransLocal2Wgs(Runtime(0.0), 127.3, Runtime(-6377397.155), lat, lon,
                          h);
     },
     "Floating point division by zero"},
    // l^2 overflows in the northing series.
    {"LOC2UTM.txt", "fault-LOC2UTM.txt",
     [] {
         const COORD c = Engine(125, 1);
         double x = 0, y = 0;
         c.ConvGeo2Grid(10.0, Runtime(1e300), x, y);
     },
     "Floating point overflow"},
};

TEST_F(TraceTest, FaultEndsTheRecordAtTheLastBlockBeforeIt) {
    for (const FaultCase &row : FAULTS) {
        SCOPED_TRACE(row.expected);
        try {
            row.run();
            ADD_FAILURE() << "no fault";
        } catch (const FloatingPointError &e) {
            EXPECT_STREQ(e.what(), row.message);
        }
        EXPECT_EQ(ReadFile(row.file), Expected(row.expected));
        fs::remove(row.file);
    }
}

// ---- files that cannot be written
// ------------------------------------------------

TEST_F(TraceTest, DirectoryNamedLikeTheFileStillGivesTheResults) {
    for (const RecordCase &row : RECORDS) {
        SCOPED_TRACE(row.file);
        fs::create_directory(row.file);
        ExpectSameResults(row.run(1), row.run(0));
        EXPECT_TRUE(fs::is_directory(row.file));
        EXPECT_TRUE(Entries(row.file).empty());
    }
}

TEST_F(TraceTest, ReadOnlyDirectoryStillGivesTheResults) {
    fs::create_directory("ro");
    fs::current_path("ro");
    fs::permissions(".", fs::perms::owner_read | fs::perms::owner_exec |
                             fs::perms::group_read | fs::perms::group_exec |
                             fs::perms::others_read | fs::perms::others_exec);
    // Permission bits do not bind root: run the traced calls as "nobody".
    const bool asRoot = geteuid() == 0;
    for (const RecordCase &row : RECORDS) {
        SCOPED_TRACE(row.file);
        const std::vector<double> untraced = row.run(0);
        if (asRoot && seteuid(65534) != 0)
            GTEST_SKIP() << "cannot drop root rights for the check";
        const std::vector<double> traced = row.run(1);
        if (asRoot) {
            ASSERT_EQ(seteuid(0), 0);
        }
        ExpectSameResults(traced, untraced);
    }
    EXPECT_TRUE(Entries(".").empty());
}

TEST_F(TraceTest, FullDiskStillGivesTheResults) {
    if (!fs::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full to stand for a full disk";
    for (const RecordCase &row : RECORDS) {
        SCOPED_TRACE(row.file);
        fs::create_symlink("/dev/full", row.file);
        ExpectSameResults(row.run(1), row.run(0));
    }
}

// ---- the value field
// ---------------------------------------------------------------

TEST(TraceValueTest, PrintsLikeFixed30Point16InTheCLocale) {
    // Expected texts from Python's '%30.16f' (the same as C's printf in the
    // "C" locale, checked with both).
    const std::string widest =
        "1797693134862315708145274237317043567980705675258449965989174768031572"
        "6078002853876058955863276687817154045895351438246423432132688946418276"
        "8467546703537516986049910576551282076245490090389328944075868508455133"
        "9423045832369032229481658085593321233482747978262041447231687381771809"
        "19299881250404026184124858368.0000000000000000";
    const struct {
        double value;
        std::string text;
    } rows[] = {
        {0.5, "            0.5000000000000000"},
        {-0.5, "           -0.5000000000000000"},
        {-0.0, "           -0.0000000000000000"},
        {-1e-17, "           -0.0000000000000000"},
        {0.12345678901234567, "            0.1234567890123457"},
        {2.5e-16, "            0.0000000000000003"},
        {-6377397.155, "     -6377397.1550000002607703"},
        {123456789.123456789, "    123456789.1234567910432816"},
        {1e20, "100000000000000000000.0000000000000000"},
        {1e23, "99999999999999991611392.0000000000000000"},
        {1.7976931348623157e308, widest},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.text);
        char buffer[TRACE_VALUE_SIZE];
        const std::size_t length = FormatTraceValue(row.value, buffer);
        EXPECT_EQ(std::string(buffer), row.text);
        EXPECT_EQ(length, row.text.size());
    }
}

} // namespace
