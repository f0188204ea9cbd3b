// Floating-point faults inside engine operations: the documented messages, and
// nothing changed when one occurs. Every faulting value is computed at run time
// so the compiler cannot fold the arithmetic away from the flag test.
#include "Coord.h"
#include "Errors.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cstring>
#include <string>
#include <vector>

namespace {

/// What the operation threw, or "" when it did not throw.
template <typename F> std::string FaultOf(F &&operation) {
    try {
        operation();
    } catch (const FloatingPointError &e) {
        return e.what();
    }
    return "";
}

/// Every derived field of the engine, for before/after comparisons.
std::vector<double> DerivedState(const COORD &c) {
    return {c.m_dbLocal_a,  c.m_dbLocal_b,  c.m_dbLocal_f,
            c.m_dbLocal_e,  c.m_dbLocal_ee, c.m_dbLocal_epep,
            c.m_dbLocal_A,  c.m_dbLocal_B,  c.m_dbLocal_C,
            c.m_dbLocal_D,  c.m_dbLocal_E,  c.m_dbLocal_F,
            c.m_dbLocal_da, c.m_dbLocal_df, c.m_dbLocal_dx,
            c.m_dbLocal_dy, c.m_dbLocal_dz, static_cast<double>(c.m_nDatum)};
}

// A runtime zero the optimiser cannot see through.
double RuntimeValue(double v) {
    volatile double sink = v;
    return sink;
}

struct BadEllipsoidRow {
    const char *label;
    double a;
    double invf;
    const char *message;
};

class SetDatumFault : public testing::TestWithParam<BadEllipsoidRow> {};

// The derivation divides by the inverse flattening and by b squared and takes
// a square root; a user ellipsoid may make any of them fault. SetDatum is all
// or nothing: the engine keeps the datum it had.
TEST_P(SetDatumFault, ThrowsAndChangesNothing) {
    COORD c(125);
    const BadEllipsoidRow row = GetParam();
    c.SetUserEllipsoid("Bad", RuntimeValue(row.a), RuntimeValue(row.invf));
    c.SetUserDatum("Bad datum", 0, 1.0, 2.0, 3.0);
    const std::vector<double> before = DerivedState(c);
    EXPECT_EQ(FaultOf([&] { c.SetDatum(0); }), row.message);
    EXPECT_EQ(DerivedState(c), before);
    EXPECT_EQ(c.GetDatum(), 125);
    // and the engine still computes exactly as a fresh one on its datum
    double lat = 0, lon = 0, h = 0, freshLat = 0, freshLon = 0, freshH = 0;
    c.TransWgs2Local(37.5, 127.0, 0.0, lat, lon, h);
    COORD(125).TransWgs2Local(37.5, 127.0, 0.0, freshLat, freshLon, freshH);
    EXPECT_EQ(lat, freshLat);
    EXPECT_EQ(lon, freshLon);
    EXPECT_EQ(h, freshH);
}

INSTANTIATE_TEST_SUITE_P(
    UserEllipsoids, SetDatumFault,
    testing::Values(BadEllipsoidRow{"inverseFlatteningZero", 6378137.0, 0.0,
                                    "Floating point division by zero"},
                    BadEllipsoidRow{"inverseFlatteningNegative", 6378137.0,
                                    -1.0, "Invalid floating point operation"},
                    BadEllipsoidRow{"semiMajorAxisZero", 0.0, 298.257223563,
                                    "Invalid floating point operation"},
                    BadEllipsoidRow{"semiMajorAxisHuge", 1e300, 298.257223563,
                                    "Floating point overflow"}),
    [](const auto &info) { return info.param.label; });

struct Outputs {
    double lat = -111.0, lon = -222.0, h = -333.0;
    bool Untouched() const {
        return lat == -111.0 && lon == -222.0 && h == -333.0;
    }
};

// A height of exactly -M at the equator makes the latitude divisor M + h zero.
TEST(MolodenskyFault, ZeroMeridianDivisorIsADivisionByZero) {
    const COORD c(125);
    const double M = (1.0 - c.m_dbWgs84_ee) * c.m_dbWgs84_a;
    Outputs out;
    EXPECT_EQ(FaultOf([&] {
                  c.TransWgs2Local(RuntimeValue(0.0), 127.0, -M, out.lat,
                                   out.lon, out.h);
              }),
              "Floating point division by zero");
    EXPECT_TRUE(out.Untouched());
}

TEST(MolodenskyFault, HugeShiftOverflows) {
    COORD c(DATUM_WGS84);
    const double huge = RuntimeValue(1.7e308);
    c.SetUserDatum("Huge", 21, huge, huge, huge);
    c.SetDatum(0);
    Outputs out;
    EXPECT_EQ(FaultOf([&] {
                  c.TransLocal2Wgs(30.0, 45.0, 0.0, out.lat, out.lon, out.h);
              }),
              "Floating point overflow");
    EXPECT_TRUE(out.Untouched());
}

// Flags raised by someone else's arithmetic before the call must not be
// reported as the engine's fault, and a fault must not leak into the next call.
TEST(MolodenskyFault, FlagsAreClearedBeforeEachOperation) {
    const COORD c(125);
    Outputs out;
    std::feraiseexcept(FE_DIVBYZERO | FE_INVALID | FE_OVERFLOW);
    EXPECT_EQ(FaultOf([&] {
                  c.TransWgs2Local(37.5, 127.0, 0.0, out.lat, out.lon, out.h);
              }),
              "");
    EXPECT_FALSE(out.Untouched());

    const double M = (1.0 - c.m_dbWgs84_ee) * c.m_dbWgs84_a;
    EXPECT_NE(FaultOf([&] {
                  c.TransWgs2Local(RuntimeValue(0.0), 0.0, -M, out.lat, out.lon,
                                   out.h);
              }),
              "");
    EXPECT_EQ(FaultOf([&] {
                  c.TransWgs2Local(37.5, 127.0, 0.0, out.lat, out.lon, out.h);
              }),
              "");
}

} // namespace
