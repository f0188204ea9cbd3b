// The PROJ pipeline texts of the register's conversions against what projinfo
// proposes (tests/data/register/pipelines.txt, written by
// scripts/reference/register_pipelines.py): the same text, so the same
// numbers in any PROJ-based tool (RegisterProjTest checks the numbers).
#include "Register.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Expected {
    std::int32_t from = 0, to = 0;
    bool at = false; ///< the pipeline around one point
    double lat = 0, lon = 0;
    std::string pipeline;
};

std::vector<Expected> ReadExpected() {
    std::ifstream in(std::string(NOLVEX_TEST_DATA) + "/register/pipelines.txt");
    EXPECT_TRUE(in) << "tests/data/register/pipelines.txt";
    std::vector<Expected> rows;
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t tab = line.find('\t');
        if (tab == std::string::npos)
            continue;
        Expected row;
        std::istringstream head(line.substr(0, tab));
        head >> row.from >> row.to;
        row.at = static_cast<bool>(head >> row.lat >> row.lon);
        row.pipeline = line.substr(tab + 1);
        rows.push_back(row);
    }
    return rows;
}

// Every system to and from WGS 84 (2D, 3D and geocentric), pairs across
// datums, and around points where the choice of transformation changes.
TEST(PipelineTest, TextIsWhatProjinfoProposes) {
    const std::vector<Expected> rows = ReadExpected();
    EXPECT_GT(rows.size(), 400u);
    for (const Expected &row : rows) {
        SCOPED_TRACE(testing::Message() << row.from << " -> " << row.to);
        const ReferenceSystem *from = FindSystem(row.from);
        const ReferenceSystem *to = FindSystem(row.to);
        ASSERT_NE(from, nullptr);
        ASSERT_NE(to, nullptr);
        const Conversion conversion(*from, *to);
        EXPECT_EQ(row.at ? conversion.ProjPipelineAt({row.lat, row.lon, 0.0})
                         : conversion.ProjPipeline(),
                  row.pipeline);
    }
}

} // namespace
