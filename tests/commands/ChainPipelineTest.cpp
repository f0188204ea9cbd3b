// The converter's chain as a PROJ pipeline: cct, running the text that
// --proj prints, gives the chain's own numbers.
#include "Chain.h"
#include "Proj.h"
#include "ProjTools.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Row {
    const char *name;
    SideSettings from, to;
    std::vector<PointValues> points; ///< in the chain's order (easting first)
};

SideSettings Catalogue(std::int32_t datum, int kind = KIND_GEO) {
    SideSettings side;
    side.datum = datum;
    side.kind = kind;
    return side;
}

SideSettings Epsg(std::int32_t code, int kind) {
    SideSettings side;
    side.crs = "EPSG:" + std::to_string(code);
    side.kind = kind;
    return side;
}

/// The pipeline takes a PROJ system's values in its own order.
bool NorthingFirst(const SideSettings &side) {
    if (side.crs.empty())
        return false;
    const ProjCrs crs(side.crs);
    return crs.Facts().horizontal == CrsKind::Projected &&
           crs.Facts().NorthFirst();
}

const std::vector<PointValues> KOREA = {
    {37.5663, 126.9779, 0}, {35.1, 129.05, 120.5}, {33.5, 126.5, -10}};

TEST(ChainPipeline, CctRunsThePipelineToTheChainsNumbers) {
    const Row rows[] = {
        {"catalogue WGS 84 to Tokyo(---)", Catalogue(133), Catalogue(125),
         KOREA},
        {"two local datums", Catalogue(125), Catalogue(1), KOREA},
        {"Tokyo(---) TM to WGS 84 UTM", Catalogue(125, CS_TM),
         Catalogue(133, CS_UTM),
         {{197977.9, 451557.7, 10}, {250000, 300000, 0}}},
        {"EPSG WGS 84 to Tokyo(---) G7", Epsg(4326, KIND_GEO),
         Catalogue(125, CS_G7), KOREA},
        {"Modified Central Belt to catalogue ECEF", Epsg(5174, CS_TM),
         Catalogue(133, CS_ECEF),
         {{197977.9, 451557.7, 10}, {210000, 380000, 55}}},
        {"Tokyo ECEF to Korea 2000 Unified CS", Catalogue(125, CS_ECEF),
         Epsg(5179, CS_TM),
         {{-3044000.0, 4043000.0, 3867000.0}}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        ChainSettings settings;
        settings.from = row.from;
        settings.to = row.to;
        Chain chain(settings);
        const std::string pipeline = chain.ProjPipeline();
        SCOPED_TRACE(pipeline);

        std::vector<std::string> input;
        for (PointValues p : row.points) {
            if (NorthingFirst(row.from))
                std::swap(p[0], p[1]);
            input.push_back(Exact(p[0]) + " " + Exact(p[1]) + " " +
                            Exact(p[2]) + " 0");
        }
        std::vector<std::string> args = Words(pipeline);
        args.insert(args.begin(), {"-d", "12"});
        const auto reference = RunTool(Tool::Cct, args, input);

        const bool geographic = row.to.kind == KIND_GEO;
        for (std::size_t i = 0; i < row.points.size(); ++i) {
            double out[3];
            std::int32_t zone = 0;
            chain.Convert(row.points[i].data(), out, zone);
            std::vector<double> expected = reference[i];
            ASSERT_GE(expected.size(), 3u);
            if (NorthingFirst(row.to))
                std::swap(expected[0], expected[1]);
            const double tolerance = geographic ? 1e-9 : 0.001;
            EXPECT_NEAR(out[0], expected[0], tolerance) << i;
            EXPECT_NEAR(out[1], expected[1], tolerance) << i;
            EXPECT_NEAR(out[2], expected[2], 0.001) << i;
        }
    }
}

} // namespace
