// The engine's new operations and the register's conversions under faults
// (all or nothing, the engine's messages) and with the trace switch on (one
// record per operation in its own file, the same results as untraced).
#include "Register.h"

#include "CoordTrace.h"
#include "Errors.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using nolvex::test::ReadFile;

/// Keeps a value from being folded by the compiler.
double Runtime(double value) {
    volatile double v = value;
    return v;
}

constexpr double UNTOUCHED = 12345.5;

struct FaultCase {
    const char *what;
    std::function<void(double (&out)[3])> run;
    const char *message;
};

const Geocentric &Bessel() {
    static const Geocentric bessel(6377397.155, 299.1528128);
    return bessel;
}

const FaultCase FAULTS[] = {
    {"projection on an ellipsoid with 1/f = 0",
     [](double (&)[3]) {
         TransverseMercator(6378137.0, Runtime(0.0), 38, 127, 1, 0, 0);
     },
     "Floating point division by zero"},
    {"projection of an infinite latitude",
     [](double (&out)[3]) {
         const TransverseMercator tm(6378137.0, 298.257222101, 38, 127, 1,
                                     200000, 600000);
         tm.Forward(Runtime(INFINITY), 127.5, out[0], out[1]);
     },
     "Invalid floating point operation"},
    {"projection of a longitude of 1e300 degrees",
     [](double (&out)[3]) {
         const TransverseMercator tm(6378137.0, 298.257222101, 38, 127, 1,
                                     200000, 600000);
         tm.Forward(37.5, Runtime(1e300), out[0], out[1]);
     },
     "Floating point overflow"},
    {"projection back with a scale factor of 0",
     [](double (&out)[3]) {
         const TransverseMercator tm(6378137.0, 298.257222101, 38, 127,
                                     Runtime(0.0), 200000, 600000);
         tm.Reverse(210000.0, 650000.0, out[0], out[1]);
     },
     "Floating point division by zero"},
    {"ECEF on an ellipsoid with 1/f = 0",
     [](double (&)[3]) { Geocentric(6378137.0, Runtime(0.0)); },
     "Floating point division by zero"},
    {"ECEF of the Earth's centre",
     [](double (&out)[3]) {
         Bessel().Reverse(Runtime(0.0), 0.0, 0.0, out[0], out[1], out[2]);
     },
     "Invalid floating point operation"},
    {"ECEF beyond the double range",
     [](double (&out)[3]) {
         Bessel().Reverse(Runtime(1e200), 1e200, 0.0, out[0], out[1], out[2]);
     },
     "Floating point overflow"},
    {"Helmert step back with a scale of 0",
     [](double (&out)[3]) {
         HelmertParameters p;
         p.tx = 10;
         p.ds = Runtime(-1e6);
         const DatumTransformation t(Bessel(), p, Bessel());
         t.CartesianReverse(-3e6, 4e6, 3.8e6, out[0], out[1], out[2]);
     },
     "Floating point division by zero"},
    {"datum transformation of an infinite latitude",
     [](double (&out)[3]) {
         const SystemEngine engine(*FindSystem(4162));
         engine.ToWgs84(Runtime(INFINITY), 127.0, 0.0, out[0], out[1], out[2]);
     },
     "Invalid floating point operation"},
    {"conversion from ECEF at the centre",
     [](double (&out)[3]) {
         const Conversion c(*FindSystem(4978), *FindSystem(5174));
         const Coordinates result = c.Convert({Runtime(0.0), 0.0, 0.0});
         std::copy(result.begin(), result.end(), out);
     },
     "Invalid floating point operation"},
};

TEST(FaultTest, EveryNewOperationIsAllOrNothingWithTheEngineMessages) {
    for (const FaultCase &c : FAULTS) {
        SCOPED_TRACE(c.what);
        double out[3] = {UNTOUCHED, UNTOUCHED, UNTOUCHED};
        std::string message;
        try {
            c.run(out);
        } catch (const FloatingPointError &e) {
            message = e.what();
        }
        EXPECT_EQ(message, c.message);
        for (double value : out)
            EXPECT_EQ(value, UNTOUCHED);
    }
}

// ---- trace records ---------------------------------------------------------

/// The value line "<label><%30.16f>\n" of @p value.
std::string Line(const char *label, double value) {
    char field[TRACE_VALUE_SIZE];
    FormatTraceValue(value, field);
    return std::string(label) + field + "\n";
}

std::string Banner(const char *name) {
    const std::string row(44, '#');
    std::string middle = "#                 " + std::string(name);
    middle.resize(43, ' ');
    return row + "\n" + middle + "#\n" + row + "\n";
}

std::size_t Count(const std::string &text, const std::string &part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos;
         at = text.find(part, at + 1))
        ++n;
    return n;
}

class TraceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_previousDir = fs::current_path();
        std::string pattern =
            (fs::temp_directory_path() / "nolvex-rtrace-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
        fs::current_path(m_dir);
    }
    void TearDown() override {
        fs::current_path(m_previousDir);
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }
    fs::path m_dir, m_previousDir;
};

// WGS 84 to the Korean 1985 Modified Central Belt and back: each step writes
// one record to its own file, ending on the step's results.
TEST_F(TraceTest, EachStepOfAConversionWritesOneRecordInItsOwnFile) {
    const ReferenceSystem &wgs84 = *FindSystem(4326);
    const ReferenceSystem &belt = *FindSystem(5174);
    Conversion there(wgs84, belt), back(belt, wgs84);
    const Coordinates point = {37.5663, 126.9779, 12.5};
    const Coordinates untracedGrid = there.Convert(point);
    const Coordinates untracedBack = back.Convert(untracedGrid);
    EXPECT_TRUE(fs::is_empty(m_dir)); // switch off: no file

    there.SetTrace(1);
    back.SetTrace(1);
    const Coordinates grid = there.Convert(point);
    const Coordinates wgs = back.Convert(grid);
    EXPECT_EQ(grid, untracedGrid);
    EXPECT_EQ(wgs, untracedBack);

    const struct {
        const char *file, *banner;
        std::size_t records;
    } files[] = {
        {"GEO2CART.txt", "GEO2CART", 2}, {"HELMREV.txt", "HELMERT REVERSE", 1},
        {"CART2GEO.txt", "CART2GEO", 2}, {"GEO2TM.txt", "GEO2TM", 1},
        {"TM2GEO.txt", "TM2GEO", 1},     {"HELMFWD.txt", "HELMERT FORWARD", 1}};
    for (const auto &f : files) {
        SCOPED_TRACE(f.file);
        const std::string text = ReadFile(f.file);
        EXPECT_EQ(text.rfind(Banner(f.banner), 0), 0u);
        EXPECT_EQ(Count(text, Banner(f.banner)), f.records);
    }
    EXPECT_EQ(
        std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()),
        static_cast<long>(std::size(files)));

    // The projection's record ends on the grid result, easting first.
    const std::string tm = ReadFile("GEO2TM.txt");
    const std::string last = "--------------\n" +
                             Line("X :           ", grid[0]) +
                             Line("Y :           ", grid[1]);
    EXPECT_EQ(tm.substr(tm.size() - last.size()), last);
    // The Helmert record carries the published parameters, as published.
    const std::string helmert = ReadFile("HELMREV.txt");
    EXPECT_NE(helmert.find(Line("rx:           ", -1.162)), std::string::npos);
    EXPECT_NE(helmert.find(Line("pz:           ", 3748113.85)),
              std::string::npos);
    EXPECT_NE(helmert.find(Line("Convention:   ", 1.0)), std::string::npos);
}

TEST_F(TraceTest, IterationRecordEndsOnTheResultAndAFaultEndsTheRecord) {
    Geocentric g(6377397.155, 299.1528128);
    g.SetTrace(1);
    double lat, lon, h;
    g.Reverse(-3051000.0, 4040000.0, 3868000.0, lat, lon, h);
    const std::string text = ReadFile("CART2GEO.txt");
    const std::string tail =
        Line("lat :   ", lat) + Line("lon :   ", lon) + Line("hgt :   ", h);
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
    EXPECT_NE(text.find("Passes :      "), std::string::npos);

    fs::remove("CART2GEO.txt");
    EXPECT_THROW(g.Reverse(Runtime(1e200), 1e200, 0.0, lat, lon, h),
                 FloatingPointError);
    EXPECT_EQ(ReadFile("CART2GEO.txt"), Banner("CART2GEO") +
                                            "--------------\n" +
                                            Line("ECEF X:        ", 1e200) +
                                            Line("ECEF Y:        ", 1e200) +
                                            Line("ECEF Z:        ", 0.0));
}

} // namespace
