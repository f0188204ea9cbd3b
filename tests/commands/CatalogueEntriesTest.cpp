// The catalogue as the front ends read it: every row through an engine's name
// buffers into a typed row, its name and code apart.
#include "CatalogueEntries.h"
#include "Catalogue.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace {

// What an engine built from the constant rows gives back through its
// buffers: every text whole (the longest, "Ordnance Survey of Great Britain
// 1936(OGB-M)", fills 44 of its 52 bytes) and every number to the bit.
TEST(CatalogueEntries, EveryBuiltInRowReadsBackWhole) {
    const COORD engine(DATUM_WGS84);
    const std::vector<EllipsoidEntry> ellipsoids = ReadEllipsoidEntries(engine);
    ASSERT_EQ(ellipsoids.size(), BuiltInEllipsoids().size());
    for (std::size_t i = 0; i < ellipsoids.size(); ++i) {
        SCOPED_TRACE(i);
        const EllipsoidRow &row = BuiltInEllipsoids()[i];
        EXPECT_EQ(ellipsoids[i].text, row.name);
        EXPECT_EQ(ellipsoids[i].a, row.a);
        EXPECT_EQ(ellipsoids[i].invf, row.invf);
    }
    const std::vector<DatumEntry> datums = ReadDatumEntries(engine);
    ASSERT_EQ(datums.size(), BuiltInDatums().size());
    for (std::size_t i = 0; i < datums.size(); ++i) {
        SCOPED_TRACE(i);
        const DatumRow &row = BuiltInDatums()[i];
        EXPECT_EQ(datums[i].text, row.name);
        EXPECT_EQ(datums[i].ellipsoid, row.ellipsoid);
        EXPECT_EQ(datums[i].dx, row.dx);
        EXPECT_EQ(datums[i].dy, row.dy);
        EXPECT_EQ(datums[i].dz, row.dz);
    }
}

// Texts with an inner parenthesis, a code of dashes, and none.
struct SplitRow {
    bool ellipsoid;
    std::int32_t index;
    const char *text;
    const char *name;
    const char *code;
};

void PrintTo(const SplitRow &row, std::ostream *os) { *os << row.text; }

class CatalogueEntrySplit : public testing::TestWithParam<SplitRow> {};

TEST_P(CatalogueEntrySplit, KeepsTheTextAndSplitsItAtItsLastParenthesis) {
    const COORD engine(DATUM_WGS84);
    const SplitRow &expected = GetParam();
    std::string text, name, code;
    if (expected.ellipsoid) {
        EllipsoidEntry row;
        ReadEllipsoidEntry(engine, expected.index, row);
        text = row.text, name = row.name, code = row.code;
    } else {
        DatumEntry row;
        ReadDatumEntry(engine, expected.index, row);
        text = row.text, name = row.name, code = row.code;
    }
    EXPECT_EQ(text, expected.text);
    EXPECT_EQ(name, expected.name);
    EXPECT_EQ(code, expected.code);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, CatalogueEntrySplit,
    testing::Values(SplitRow{false, 1, "Adindan(ADI-M)", "Adindan", "ADI-M"},
                    SplitRow{false, 18, "Bellevue(IGN)(IBE)", "Bellevue(IGN)",
                             "IBE"},
                    SplitRow{false, 111, "S-42(Pulkovo 1942)(SPK-A)",
                             "S-42(Pulkovo 1942)", "SPK-A"},
                    SplitRow{false, 125, "Tokyo(---)", "Tokyo", "---"},
                    SplitRow{false, 133, "World Geodetic System 1984",
                             "World Geodetic System 1984", ""},
                    SplitRow{true, 6, "Clarke 1880(CD)", "Clarke 1880", "CD"},
                    SplitRow{true, 9, "Fischer 1960", "Fischer 1960", ""},
                    SplitRow{true, 25, "Everest(Sabah Sarawak)(EB)",
                             "Everest(Sabah Sarawak)", "EB"}));

struct OutsideRow {
    bool ellipsoid;
    std::int32_t index;
};

void PrintTo(const OutsideRow &row, std::ostream *os) {
    *os << (row.ellipsoid ? "ellipsoid " : "datum ") << row.index;
}

class CatalogueEntryOutside : public testing::TestWithParam<OutsideRow> {};

// No row there: the engine's 0, and the caller's row as it was.
TEST_P(CatalogueEntryOutside, ReturnsZeroAndLeavesTheRow) {
    const COORD engine(DATUM_WGS84);
    const OutsideRow &outside = GetParam();
    if (outside.ellipsoid) {
        EllipsoidEntry row{"kept(K)", "kept", "K", 1, 2};
        EXPECT_EQ(ReadEllipsoidEntry(engine, outside.index, row), 0);
        EXPECT_EQ(row.text, "kept(K)");
        EXPECT_EQ(row.name, "kept");
        EXPECT_EQ(row.code, "K");
        EXPECT_EQ(row.a, 1);
        EXPECT_EQ(row.invf, 2);
    } else {
        DatumEntry row{"kept(K)", "kept", "K", 7, 1, 2, 3};
        EXPECT_EQ(ReadDatumEntry(engine, outside.index, row), 0);
        EXPECT_EQ(row.text, "kept(K)");
        EXPECT_EQ(row.ellipsoid, 7);
        EXPECT_EQ(row.dx, 1);
        EXPECT_EQ(row.dy, 2);
        EXPECT_EQ(row.dz, 3);
    }
}

INSTANTIATE_TEST_SUITE_P(Bounds, CatalogueEntryOutside,
                         testing::Values(OutsideRow{true, -1},
                                         OutsideRow{true, ELLIPSOID_COUNT},
                                         OutsideRow{false, -1},
                                         OutsideRow{false, DATUM_COUNT}));

// The engine answers 0 for a row whose name is empty as for no row at all;
// the row is read all the same, so a list shows the user's numbers.
TEST(CatalogueEntries, AUserRowWithAnEmptyNameIsStillRead) {
    COORD engine(DATUM_WGS84);
    engine.SetUserDatum("", 4, 10.5, -20.25, 30);
    DatumEntry row{"old(O)", "old", "O", 0, 0, 0, 0};
    EXPECT_EQ(ReadDatumEntry(engine, 0, row), 0);
    EXPECT_EQ(row.text, "");
    EXPECT_EQ(row.name, "");
    EXPECT_EQ(row.code, "");
    EXPECT_EQ(row.ellipsoid, 4);
    EXPECT_EQ(row.dx, 10.5);
    EXPECT_EQ(row.dy, -20.25);
    EXPECT_EQ(row.dz, 30);
    EXPECT_EQ(ReadDatumEntries(engine).front().dx, 10.5);
}

// A user name in UTF-8 (Korean) keeps its bytes and its code.
TEST(CatalogueEntries, AUserNameKeepsItsUtf8AndItsCode) {
    COORD engine(DATUM_WGS84);
    const std::string name = "\xec\x82\xac\xec\x9a\xa9\xec\x9e\x90"; // 사용자
    engine.SetUserEllipsoid((name + "(MY)").c_str(), 6378000, 300);
    EllipsoidEntry row;
    EXPECT_EQ(ReadEllipsoidEntry(engine, 0, row), 13);
    EXPECT_EQ(row.text, name + "(MY)");
    EXPECT_EQ(row.name, name);
    EXPECT_EQ(row.code, "MY");
    EXPECT_EQ(row.a, 6378000);
    EXPECT_EQ(row.invf, 300);
}

} // namespace
