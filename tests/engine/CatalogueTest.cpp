// The built-in catalogue: enumeration, bounds, bounded name copies and the two
// user rows.
#include "Coord.h"

#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr unsigned kHostBuffer = 80; // what the windows pass

std::vector<std::string> EnumerateEllipsoids(const COORD &c) {
    std::vector<std::string> names;
    char name[kHostBuffer];
    double a = 0, invf = 0;
    for (std::int32_t i = 0; c.GetEllipsoid(i, name, sizeof name, a, invf); ++i)
        names.emplace_back(name);
    return names;
}

std::vector<std::string> EnumerateDatums(const COORD &c) {
    std::vector<std::string> names;
    char name[kHostBuffer];
    std::int32_t ell = 0;
    double dx = 0, dy = 0, dz = 0;
    for (std::int32_t i = 0;
         c.GetDatumInfo(i, name, sizeof name, ell, dx, dy, dz); ++i)
        names.emplace_back(name);
    return names;
}

TEST(Catalogue, EnumerationStopsAfterTheLastRow) {
    const COORD c(DATUM_WGS84);
    const auto ellipsoids = EnumerateEllipsoids(c);
    const auto datums = EnumerateDatums(c);
    ASSERT_EQ(ellipsoids.size(), 29u);
    ASSERT_EQ(datums.size(), 134u);
    EXPECT_EQ(ellipsoids.front(), "User Ellipsoid");
    EXPECT_EQ(ellipsoids.back(), "Indonesian 1974(ID)");
    EXPECT_EQ(datums.front(), "User Datum");
    EXPECT_EQ(datums[125], "Tokyo(---)");
    EXPECT_EQ(datums.back(), "World Geodetic System 1984");
}

TEST(Catalogue, DatumTextsAreUniqueSoTheyCanNameADatum) {
    const auto datums = EnumerateDatums(COORD(DATUM_WGS84));
    EXPECT_EQ(std::set<std::string>(datums.begin(), datums.end()).size(),
              datums.size());
}

// Every datum names a listed ellipsoid, and every ellipsoid is an Earth
// ellipsoid (a within 1 km of 6378 km, 1/f near 298). The values themselves
// are held to PROJ's, row by row, by catalogue_against_proj.py.
TEST(Catalogue, RowsAreConsistent) {
    const COORD c(DATUM_WGS84);
    for (std::int32_t i = 0; i < DATUM_COUNT; ++i) {
        SCOPED_TRACE(i);
        EXPECT_GE(c.m_Datum[i].ellipsoid, 0);
        EXPECT_LT(c.m_Datum[i].ellipsoid, ELLIPSOID_COUNT);
        EXPECT_LT(std::strlen(c.m_Datum[i].name), DATUM_NAME_SIZE);
    }
    for (std::int32_t i = 0; i < ELLIPSOID_COUNT; ++i) {
        SCOPED_TRACE(i);
        EXPECT_GT(c.m_Ellipsoid[i].a, 6377000.0);
        EXPECT_LT(c.m_Ellipsoid[i].a, 6378400.0);
        EXPECT_GT(c.m_Ellipsoid[i].invf, 290.0);
        EXPECT_LT(c.m_Ellipsoid[i].invf, 302.0);
    }
}

struct OutOfRangeRow {
    std::int32_t index;
    bool ellipsoid;
};

void PrintTo(const OutOfRangeRow &row, std::ostream *os) {
    *os << (row.ellipsoid ? "ellipsoid " : "datum ") << row.index;
}

class CatalogueOutOfRange : public testing::TestWithParam<OutOfRangeRow> {};

TEST_P(CatalogueOutOfRange, ReturnsZeroAndWritesNothing) {
    const COORD c(DATUM_WGS84);
    char name[kHostBuffer];
    std::memset(name, 'x', sizeof name);
    double a = -1, invf = -2, dx = -3, dy = -4, dz = -5;
    std::int32_t ell = -6;
    const auto row = GetParam();
    const std::int32_t n =
        row.ellipsoid
            ? c.GetEllipsoid(row.index, name, sizeof name, a, invf)
            : c.GetDatumInfo(row.index, name, sizeof name, ell, dx, dy, dz);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(name[0], 'x');
    EXPECT_EQ(a, -1);
    EXPECT_EQ(invf, -2);
    EXPECT_EQ(ell, -6);
    EXPECT_EQ(dx, -3);
    EXPECT_EQ(dy, -4);
    EXPECT_EQ(dz, -5);
}

INSTANTIATE_TEST_SUITE_P(Bounds, CatalogueOutOfRange,
                         testing::Values(OutOfRangeRow{-1, true},
                                         OutOfRangeRow{29, true},
                                         OutOfRangeRow{-1, false},
                                         OutOfRangeRow{134, false},
                                         OutOfRangeRow{INT32_MIN, false}));

TEST(Catalogue, LastRowsOfEachTable) {
    const COORD c(DATUM_WGS84);
    char name[kHostBuffer];
    double a = 0, invf = 0, dx = 1, dy = 1, dz = 1;
    std::int32_t ell = 0;
    EXPECT_EQ(c.GetEllipsoid(28, name, sizeof name, a, invf), 19);
    EXPECT_STREQ(name, "Indonesian 1974(ID)");

    EXPECT_EQ(c.GetDatumInfo(133, name, sizeof name, ell, dx, dy, dz), 26);
    EXPECT_STREQ(name, "World Geodetic System 1984");
    EXPECT_EQ(ell, 21);
    EXPECT_EQ(dx, 0.0);
    EXPECT_EQ(dy, 0.0);
    EXPECT_EQ(dz, 0.0);

    EXPECT_GT(c.GetDatumInfo(125, name, sizeof name, ell, dx, dy, dz), 0);
    EXPECT_EQ(ell, 4);
    EXPECT_EQ(dx, -105.627);
    EXPECT_EQ(dy, 462.37);
    EXPECT_EQ(dz, 643.258);
    EXPECT_GT(c.GetEllipsoid(ell, name, sizeof name, a, invf), 0);
    EXPECT_STREQ(name, "Bessel 1841(BR)");
    EXPECT_EQ(a, 6377397.155);
    EXPECT_EQ(invf, 299.1528128);
}

// A caller's buffer shorter than the name: the copy stops at size - 1, the
// last byte is a zero, and nothing past size is touched.
struct BufferRow {
    unsigned size;
    const char *expected;
};

void PrintTo(const BufferRow &row, std::ostream *os) {
    *os << "size " << row.size;
}

class CatalogueNameBuffer : public testing::TestWithParam<BufferRow> {};

TEST_P(CatalogueNameBuffer, NeverWritesPastSizeAndAlwaysTerminates) {
    const COORD c(DATUM_WGS84);
    const BufferRow row = GetParam();
    char guard[64];
    std::memset(guard, '#', sizeof guard);
    double a = 0, invf = 0;
    // "Indonesian 1974(ID)" is 19 characters long.
    EXPECT_EQ(c.GetEllipsoid(28, guard, row.size, a, invf), 19);
    if (row.size > 0) {
        EXPECT_STREQ(guard, row.expected);
    }
    for (unsigned i = 0; i < sizeof guard; ++i) {
        SCOPED_TRACE(i);
        if (i >= row.size) {
            EXPECT_EQ(guard[i], '#');
        } else if (i >= std::strlen(row.expected)) {
            EXPECT_EQ(guard[i], '\0'); // zero-filled up to size
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Sizes, CatalogueNameBuffer,
                         testing::Values(BufferRow{0, ""}, BufferRow{1, ""},
                                         BufferRow{5, "Indo"},
                                         BufferRow{19, "Indonesian 1974(ID"},
                                         BufferRow{20, "Indonesian 1974(ID)"},
                                         BufferRow{40, "Indonesian 1974(ID)"}));

// ---- user rows
// ----------------------------------------------------------------

struct UserNameRow {
    const char *label;
    std::string name;
    std::string stored;
};

class UserEllipsoidName : public testing::TestWithParam<UserNameRow> {};

TEST_P(UserEllipsoidName, IsCutToTheRecordAtACharacterBoundary) {
    COORD c(DATUM_WGS84);
    c.SetUserEllipsoid(GetParam().name.c_str(), 6378000.0, 300.0);
    char name[kHostBuffer];
    double a = 0, invf = 0;
    EXPECT_EQ(c.GetEllipsoid(0, name, sizeof name, a, invf),
              static_cast<std::int32_t>(GetParam().stored.size()));
    EXPECT_EQ(std::string(name), GetParam().stored);
    EXPECT_EQ(a, 6378000.0);
    EXPECT_EQ(invf, 300.0);
}

const std::string k39(39, 'e');
const std::string kHangul = "\xea\xb0\x80"; // one three-byte character

INSTANTIATE_TEST_SUITE_P(
    Names, UserEllipsoidName,
    testing::Values(UserNameRow{"short", "Mine(MY)", "Mine(MY)"},
                    UserNameRow{"exactly39", k39, k39},
                    UserNameRow{"ascii40", k39 + "f", k39},
                    UserNameRow{"hangulStraddles",
                                std::string(38, 'e') + kHangul,
                                std::string(38, 'e')},
                    UserNameRow{"hangulFits",
                                std::string(36, 'e') + kHangul + "z",
                                std::string(36, 'e') + kHangul},
                    UserNameRow{"empty", "", ""}),
    [](const auto &info) { return info.param.label; });

TEST(UserDatum, NameIsCutTo51BytesAtACharacterBoundary) {
    COORD c(DATUM_WGS84);
    const std::string fits = std::string(49, 'd') + "\xc3\xa9"; // 51 bytes
    const std::string over = std::string(50, 'd') + "\xc3\xa9"; // 52 bytes
    char name[kHostBuffer];
    std::int32_t ell = 0;
    double dx = 0, dy = 0, dz = 0;

    c.SetUserDatum(fits.c_str(), 4, 1, 2, 3);
    EXPECT_EQ(c.GetDatumInfo(0, name, sizeof name, ell, dx, dy, dz), 51);
    EXPECT_EQ(std::string(name), fits);

    c.SetUserDatum(over.c_str(), 4, 1, 2, 3);
    EXPECT_EQ(c.GetDatumInfo(0, name, sizeof name, ell, dx, dy, dz), 50);
    EXPECT_EQ(std::string(name), std::string(50, 'd'));
    EXPECT_EQ(ell, 4);
    EXPECT_EQ(dz, 3.0);

    c.SetUserDatum(nullptr, 4, 1, 2, 3);
    EXPECT_EQ(c.GetDatumInfo(0, name, sizeof name, ell, dx, dy, dz), 0);
}

TEST(UserDatum, EmptyNameEndsAnEnumerationAtRowZero) {
    COORD c(DATUM_WGS84);
    c.SetUserDatum("", 0, 0, 0, 0);
    EXPECT_TRUE(EnumerateDatums(c).empty());
}

// A redefinition reaches the list at once but the selected datum's working
// parameters only at the next SetDatum.
TEST(UserEllipsoid, TakesEffectAtTheNextSetDatum) {
    COORD c(0); // user datum on the user ellipsoid (WGS 84 values)
    EXPECT_EQ(c.m_dbLocal_a, 6378137.0);
    c.SetUserEllipsoid("Small(SM)", 6000000.0, 300.0);
    EXPECT_EQ(EnumerateEllipsoids(c).front(), "Small(SM)");
    EXPECT_EQ(c.m_dbLocal_a, 6378137.0);
    EXPECT_EQ(c.m_dbLocal_f, 1.0 / 298.257223563);
    c.SetDatum(0);
    EXPECT_EQ(c.m_dbLocal_a, 6000000.0);
    EXPECT_EQ(c.m_dbLocal_f, 1.0 / 300.0);
}

TEST(UserDatum, TakesEffectAtTheNextSetDatumAndStaysInItsEngine) {
    COORD one(0), two(0);
    one.SetUserDatum("Shifted(SH)", 4, 10.0, 20.0, 30.0);
    EXPECT_EQ(one.m_dbLocal_dx, 0.0);
    one.SetDatum(0);
    EXPECT_EQ(one.m_dbLocal_dx, 10.0);
    EXPECT_EQ(one.m_dbLocal_dz, 30.0);
    EXPECT_EQ(one.m_dbLocal_a, 6377397.155);
    // each engine keeps its own copy of the catalogue
    EXPECT_EQ(EnumerateDatums(two).front(), "User Datum");
    EXPECT_EQ(two.m_Datum[0].dx, 0.0);
}

} // namespace
