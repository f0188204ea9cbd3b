// The PROJ pipeline texts of the register's conversions against what projinfo
// proposes (tests/data/register/pipelines.txt, written by
// scripts/reference/register_pipelines.py), and the texts run through cct
// against the conversions themselves.
#include "Register.h"

#include "ProjTools.h"

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

// The text is the operation: cct running it on a point (in EPSG's axis order)
// gives what Convert gives there.
TEST(PipelineTest, CctRunningTheTextGivesTheConversionsNumbers) {
    const struct {
        std::int32_t from, to;
        Coordinates in;
    } cases[] = {
        {4326, 5174, {37.5663, 126.9779, 0.0}},
        {4301, 4326, {37.5665, 126.978, 38.0}},
        {4301, 4326, {35.68, 139.76, 40.0}},
        {2443, 4301, {-120000.0, 30000.0, 12.0}}, // easting, northing
        {4978, 5174, {-3051000.0, 4040000.0, 3868000.0}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.from << " -> " << c.to);
        const ReferenceSystem &from = *FindSystem(c.from);
        const ReferenceSystem &to = *FindSystem(c.to);
        const Conversion conversion(from, to);
        const bool swapIn = from.kind == SystemKind::Projected &&
                            from.axisOrder == AxisOrder::NorthingFirst;
        const bool swapOut = to.kind == SystemKind::Projected &&
                             to.axisOrder == AxisOrder::NorthingFirst;
        const std::string input = Exact(c.in[swapIn ? 1 : 0]) + " " +
                                  Exact(c.in[swapIn ? 0 : 1]) + " " +
                                  Exact(c.in[2]);
        std::vector<std::string> args = {"-d", "12"};
        std::istringstream words(conversion.ProjPipelineAt(c.in));
        for (std::string word; words >> word;)
            args.push_back(word);
        const auto row = RunTool(Tool::Cct, args, {input})[0];
        ASSERT_GE(row.size(), 3u);
        const Coordinates ours = conversion.Convert(c.in);
        const double tolerance =
            to.kind == SystemKind::Geographic2D ? 1e-9 : 0.001;
        EXPECT_NEAR(ours[0], row[swapOut ? 1 : 0], tolerance);
        EXPECT_NEAR(ours[1], row[swapOut ? 0 : 1], tolerance);
        EXPECT_NEAR(ours[2], row[2], 0.001);
    }
}

} // namespace
