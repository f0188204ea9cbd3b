// The converter's chain as a PROJ pipeline: cct, running the text that
// --proj prints, gives the chain's own numbers.
#include "Axes.h"
#include "Chain.h"
#include "Proj.h"
#include "ProjTools.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Row {
    const char *name;
    ConversionSide from, to;
    std::vector<PointValues> points; ///< in the source's own axis order
};

ConversionSide Catalogue(std::int32_t datum,
                         GridKind kind = GridKind::Geographic) {
    return ConversionSide::OnDatum(datum, kind);
}

ConversionSide Epsg(std::int32_t code) {
    return ConversionSide::OnSystem("EPSG:" + std::to_string(code));
}

const std::vector<PointValues> KOREA = {
    {37.5663, 126.9779, 0}, {35.1, 129.05, 120.5}, {33.5, 126.5, -10}};

TEST(ChainPipeline, CctRunsThePipelineToTheChainsNumbers) {
    const Row rows[] = {
        {"catalogue WGS 84 to Tokyo(---)", Catalogue(133), Catalogue(125),
         KOREA},
        {"two local datums", Catalogue(125), Catalogue(1), KOREA},
        {"Tokyo(---) TM to WGS 84 UTM", Catalogue(125, GridKind::Tm),
         Catalogue(133, GridKind::Utm),
         {{197977.9, 451557.7, 10}, {250000, 300000, 0}}},
        {"EPSG WGS 84 to Tokyo(---) G7", Epsg(4326),
         Catalogue(125, GridKind::G7), KOREA},
        // EPSG:5174 holds its northing first.
        {"Modified Central Belt to catalogue ECEF", Epsg(5174),
         Catalogue(133, GridKind::Ecef),
         {{451557.7, 197977.9, 10}, {380000, 210000, 55}}},
        {"Tokyo ECEF to Korea 2000 Unified CS", Catalogue(125, GridKind::Ecef),
         Epsg(5179),
         {{-3044000.0, 4043000.0, 3867000.0}}},
        // Polar and south-oriented systems, in their own axis orders.
        {"WGS 84 to Antarctic Polar Stereographic", Epsg(4326), Epsg(3031),
         {{-75, 100, 0}, {-80.5, -45, 10}}},
        {"Hartebeesthoek94 Lo29 to WGS 84", Epsg(2053), Epsg(4326),
         {{50044.5, 2876947.3, 0}}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        Conversion settings;
        settings.from = row.from;
        settings.to = row.to;
        Chain chain(settings);
        const std::string pipeline = chain.ProjPipeline();
        SCOPED_TRACE(pipeline);

        std::vector<std::string> input;
        for (PointValues p : row.points) {
            input.push_back(Exact(p[0]) + " " + Exact(p[1]) + " " +
                            Exact(p[2]) + " 0");
        }
        std::vector<std::string> args = Words(pipeline);
        args.insert(args.begin(), {"-d", "12"});
        const auto reference = RunTool(Tool::Cct, args, input);

        const bool geographic = SideAxes::Of(row.to).Angular();
        for (std::size_t i = 0; i < row.points.size(); ++i) {
            double out[3];
            std::int32_t zone = 0;
            chain.Convert(row.points[i].data(), out, zone);
            std::vector<double> expected = reference[i];
            ASSERT_GE(expected.size(), 3u);
            const double tolerance = geographic ? 1e-9 : 0.001;
            EXPECT_NEAR(out[0], expected[0], tolerance) << i;
            EXPECT_NEAR(out[1], expected[1], tolerance) << i;
            EXPECT_NEAR(out[2], expected[2], 0.001) << i;
        }
    }
}

} // namespace
