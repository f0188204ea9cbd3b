// Systems through PROJ: the converter's chain against PROJ itself, in
// process (proj_create_crs_to_crs and proj_trans, as cs2cs calls them), for
// every system the earlier hand-made register held, a sample from elsewhere,
// grid-based and vertical operations and PROJ's choice per point; and no
// silent fallback when a grid is missing.
#include "LineConvert.h"
#include "TextParts.h"

#include <proj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

/// PROJ's own numbers: the operation cs2cs would use, in the systems' own
/// axis orders.
struct Reference {
    PJ_CONTEXT *ctx = proj_context_create();
    PJ *op = nullptr;
    Reference(const std::string &from, const std::string &to) {
        proj_log_level(ctx, PJ_LOG_NONE);
        op = proj_create_crs_to_crs(ctx, from.c_str(), to.c_str(), nullptr);
    }
    ~Reference() {
        proj_destroy(op);
        proj_context_destroy(ctx);
    }
    std::array<double, 3> Convert(std::array<double, 3> in) const {
        const PJ_COORD out =
            proj_trans(op, PJ_FWD, proj_coord(in[0], in[1], in[2], HUGE_VAL));
        return {out.v[0], out.v[1], out.v[2]};
    }
};

/// A side on a PROJ system.
ConversionSide Side(const std::string &definition) {
    return ConversionSide::OnSystem(ProjCrs(definition).Facts().definition);
}

/// Runs the converter's chain from @p from to @p to on @p points (the
/// source's own order) and compares with PROJ: 1e-12 degrees, 1e-9 m.
void ExpectProjNumbers(const std::string &from, const std::string &to,
                       const std::vector<std::array<double, 3>> &points) {
    SCOPED_TRACE(from + " -> " + to);
    Conversion settings;
    settings.from = Side(from);
    settings.to = Side(to);
    Chain chain(settings, DomainPolicy::Strict);
    const Reference reference(from, to);
    ASSERT_NE(reference.op, nullptr);
    const CrsFacts &targetFacts = *chain.ToFacts();
    for (const std::array<double, 3> &in : points) {
        const std::array<double, 3> expected = reference.Convert(in);
        ASSERT_TRUE(std::isfinite(expected[0])) << "PROJ refuses the point";
        // The chain takes and gives each system's own order, as PROJ does.
        double out[3] = {0, 0, 0};
        std::int32_t zone = 0;
        bool south = false;
        chain.Convert(in.data(), 0, false, out, zone, south);
        const std::array<double, 3> got = {out[0], out[1], out[2]};
        const double tolerance = targetFacts.Angular() ? 1e-12 : 1e-9;
        EXPECT_NEAR(got[0], expected[0], tolerance) << in[0] << " " << in[1];
        EXPECT_NEAR(got[1], expected[1], tolerance) << in[0] << " " << in[1];
        EXPECT_NEAR(got[2], expected[2], 1e-9) << in[0] << " " << in[1];
    }
}

void ExpectProjNumbers(const std::string &from, const std::string &to,
                       const std::array<double, 3> &in) {
    ExpectProjNumbers(from, to, std::vector<std::array<double, 3>>{in});
}

/// Points inside a system's area of use, in EPSG:4326's order.
std::vector<std::array<double, 3>> PointsIn(const std::string &definition) {
    const ProjCrs crs(definition);
    const GeoBox &box = crs.Facts().area;
    EXPECT_TRUE(box.known) << definition;
    double west = box.west, east = box.east;
    if (east < west)
        east += 360;
    std::vector<std::array<double, 3>> points;
    for (const double f : {0.5, 0.3, 0.7}) {
        double lon = west + f * (east - west);
        if (lon > 180)
            lon -= 360;
        points.push_back({box.south + f * (box.north - box.south), lon, 50.0});
    }
    return points;
}

std::vector<std::string> RegisterSystems() {
    std::vector<int> codes = {4326, 4979, 4978, 4737, 5179, 4162, 2096, 2097,
                              2098, 4301, 4612, 6668};
    for (int c = 32601; c <= 32660; ++c)
        codes.push_back(c);
    for (int c = 32701; c <= 32760; ++c)
        codes.push_back(c);
    for (int c = 5180; c <= 5188; ++c)
        codes.push_back(c);
    for (int c = 5173; c <= 5177; ++c)
        codes.push_back(c);
    for (int c = 2443; c <= 2461; ++c)
        codes.push_back(c);
    for (int c = 6669; c <= 6687; ++c)
        codes.push_back(c);
    std::vector<std::string> out;
    for (int code : codes)
        out.push_back("EPSG:" + std::to_string(code));
    return out;
}

// Each of the 184 systems the register held, from and to WGS 84 at three
// points of its area.
TEST(ProjSystems, EverySystemTheRegisterHeldGivesProjsNumbers) {
    const std::vector<std::string> systems = RegisterSystems();
    EXPECT_EQ(systems.size(), 184u);
    for (const std::string &system : systems) {
        const std::vector<std::array<double, 3>> points = PointsIn(system);
        ExpectProjNumbers("EPSG:4326", system, points);
        const Reference forward("EPSG:4326", system);
        std::vector<std::array<double, 3>> back;
        for (const auto &point : points)
            back.push_back(forward.Convert(point));
        ExpectProjNumbers(system, "EPSG:4326", back);
    }
}

// Systems the register refused: Pseudo-Mercator, Korean 1985 Unified CS, a
// Tokyo plane zone, JGD2011 UTM, JGD2011 and ITRF 3D, an OGC URN.
TEST(ProjSystems, SystemsFromElsewhereGiveProjsNumbers) {
    for (const char *system : {"EPSG:3857", "EPSG:5178", "EPSG:30169",
                               "EPSG:6690", "EPSG:6667", "EPSG:4927"})
        ExpectProjNumbers("EPSG:4326", system, PointsIn(system));
    ExpectProjNumbers("urn:ogc:def:crs:EPSG::5186", "EPSG:4326",
                      {551885.0306, 198056.3667, 0});
}

// A vertical system alone has nothing to convert: it goes with a horizontal
// one. JGD2011's heights need the GSIGEO2011 geoid, which Debian does not
// ship: refused with the file's name and where it goes.
TEST(ProjSystems, VerticalSystemsAndTheirGrids) {
    try {
        ProjCrs vertical("EPSG:6695");
        ADD_FAILURE() << "a vertical system alone was taken";
    } catch (const ProjError &e) {
        EXPECT_NE(std::string(e.what()).find("EPSG:6668+6695"),
                  std::string::npos)
            << e.what();
    }
    Conversion settings;
    settings.from = Side("EPSG:6667");
    settings.to = Side("EPSG:6668+6695");
    try {
        Chain chain(settings, DomainPolicy::Strict);
        ADD_FAILURE() << "no refusal without the geoid grid";
    } catch (const NoOperationError &e) {
        EXPECT_NE(std::string(e.what()).find("jp_gsi_gsigeo2011.tif"),
                  std::string::npos)
            << e.what();
        EXPECT_NE(std::string(e.what()).find("/usr/share/proj"),
                  std::string::npos)
            << e.what();
    }
}

// Tokyo to JGD2000 in northern Kyushu: PROJ chooses EPSG:15483 there
// (cs2cs gives 65629.212 -55533.885 for EPSG:2444); the register was 5.9 m
// off.
TEST(ProjSystems, NorthernKyushuIsProjsChoice) {
    const std::array<double, 3> fukuoka = {33.5870853885, 130.4040273295, 0};
    ExpectProjNumbers("EPSG:4301", "EPSG:2444", fukuoka);
    ExpectProjNumbers("EPSG:4301", "EPSG:4612", fukuoka);
    Conversion settings;
    settings.from = Side("EPSG:4301");
    settings.to = Side("EPSG:2444");
    Chain chain(settings, DomainPolicy::Strict);
    double out[3];
    std::int32_t zone = 0;
    bool south = false;
    chain.Convert(fukuoka.data(), 0, false, out, zone, south);
    EXPECT_NEAR(out[0], 65629.212, 0.0005);  // northing (X), its own order
    EXPECT_NEAR(out[1], -55533.885, 0.0005); // easting (Y)
}

// Grids that Debian's proj-data installs, and the EGM96 geoid through a
// compound system: used with no option.
TEST(ProjSystems, DebianGridsAndGeoidHeights) {
    ExpectProjNumbers("EPSG:4979", "EPSG:4326+5773", {37.5665, 126.978, 100});
    ExpectProjNumbers("EPSG:4326+5773", "EPSG:4979", {37.5665, 126.978, 77});
    ExpectProjNumbers("EPSG:4275", "EPSG:4171", {48.85, 2.35, 0});  // ntf_r93
    ExpectProjNumbers("EPSG:4272", "EPSG:4167", {-41.3, 174.78, 0}); // nzgd2k
    Conversion settings;
    settings.from = Side("EPSG:4979");
    settings.to = Side("EPSG:4326+5773");
    const Chain chain(settings, DomainPolicy::Strict);
    const ProjTransform &proj = *chain.Proj();
    // Beside the geoid PROJ keeps its ballpark operation, as cs2cs does; no
    // point where the geoid holds uses it.
    ASSERT_GE(proj.Candidates().size(), 1u);
    EXPECT_EQ(proj.Candidates()[0].name, "WGS 84 to EGM96 height (1)");
    EXPECT_FALSE(proj.Candidates()[0].ballpark);
    EXPECT_FALSE(proj.Ballpark());
}

// A 2D source facing a vertical system has no height to change: it is made
// 3D (the height taken as ellipsoidal), never left as it is.
TEST(ProjSystems, TwoDimensionalSourceIsMadeThreeDimensional) {
    Conversion settings;
    settings.from = Side("EPSG:4326");
    settings.to = Side("EPSG:4326+5773");
    Chain chain(settings, DomainPolicy::Strict);
    EXPECT_EQ(chain.Promoted(), "WGS 84 (EPSG:4326)");
    const double in[3] = {37.5665, 126.978, 100};
    double out[3];
    std::int32_t zone = 0;
    bool south = false;
    chain.Convert(in, 0, false, out, zone, south);
    const Reference geoid("EPSG:4979", "EPSG:4326+5773");
    EXPECT_NEAR(out[2], geoid.Convert({37.5665, 126.978, 100})[2], 1e-9);
    EXPECT_GT(std::fabs(out[2] - 100), 1.0);
}

/// PROJ looks for its database and grids in @p dir only, in the calling
/// thread's context.
void SearchOnly(const fs::path &dir) {
    const std::string path = dir.string();
    const char *paths[] = {path.c_str()};
    proj_context_set_search_paths(ThreadProjContext().Get(), 1, paths);
}

/// A search path with PROJ's database and no grid.
fs::path DatabaseOnly() {
    const fs::path dir = fs::path(testing::TempDir()) / "nolvex-proj-empty";
    fs::create_directories(dir);
    const char *database =
        proj_context_get_database_path(ThreadProjContext().Get());
    fs::remove(dir / "proj.db");
    fs::create_symlink(database, dir / "proj.db");
    return dir;
}

// PROJ quietly uses a ballpark operation when the geoid grid is missing
// (height 0, exit 0, in cs2cs too): refused here, with the reason, unless
// allowed, and then said.
TEST(ProjSystems, MissingGridNeverFallsBackSilently) {
    std::string message;
    std::thread([&] {
        SearchOnly(DatabaseOnly());
        Conversion settings;
        settings.from = ConversionSide::OnSystem("EPSG:4979");
        settings.to = ConversionSide::OnSystem("EPSG:4326+5773");
        try {
            Chain chain(settings, DomainPolicy::Strict);
            message = "not refused";
        } catch (const NoOperationError &e) {
            message = e.what();
        }
        settings.options.allowBallpark = true;
        const Chain allowed(settings, DomainPolicy::Strict);
        EXPECT_TRUE(allowed.Proj()->Ballpark());
    }).join();
    EXPECT_NE(message.find("only a ballpark operation exists"),
              std::string::npos)
        << message;
    EXPECT_NE(message.find("egm96_15"), std::string::npos) << message;
}

// Pairs whose direct operations need grids Debian does not install, and
// which cs2cs converts through another datum (PROJ looks for those routes
// once the direct operations are set aside): NAD27 to NAD83 in New York and
// Toronto, Tokyo to JGD2011, LV95 to LV03. Refused as ballpark before.
TEST(ProjSystems, RoutesThroughAnotherDatumGiveProjsNumbers) {
    struct Row {
        const char *from, *to;
        std::vector<std::array<double, 3>> points;
    };
    const Row rows[] = {
        {"EPSG:4267", "EPSG:4269", {{40.7, -74, 0}, {43.65, -79.38, 0}}},
        {"EPSG:4301",
         "EPSG:6668",
         {{35.6895, 139.6917, 0}, {43.0642, 141.3469, 0}}},
        {"EPSG:2056",
         "EPSG:21781",
         {{2683000, 1248000, 0}, {2600000, 1200000, 0}}},
        {"EPSG:4269", "EPSG:4152", {{40.7, -74, 0}}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(std::string(row.from) + " -> " + row.to);
        ExpectProjNumbers(row.from, row.to, row.points);
        Conversion settings;
        settings.from = Side(row.from);
        settings.to = Side(row.to);
        const Chain chain(settings, DomainPolicy::Strict);
        EXPECT_FALSE(chain.Proj()->Ballpark());
        EXPECT_FALSE(chain.Proj()->Candidates().front().ballpark);
    }
}

// Where the operation PROJ would use at a point is its ballpark one (Mexico
// City: no NAD27 route covers it), the point is refused, with the fault as
// data; allowed, it gets PROJ's numbers (the point unchanged).
TEST(ProjSystems, PointWhereOnlyTheBallparkServesIsRefused) {
    Conversion settings;
    settings.from = Side("EPSG:4267");
    settings.to = Side("EPSG:4269");
    Chain chain(settings, DomainPolicy::Strict);
    const double mexico[3] = {19.4, -99.1, 0};
    double out[3];
    std::int32_t zone = 0;
    bool south = false;
    try {
        chain.Convert(mexico, 0, false, out, zone, south);
        ADD_FAILURE() << "converted by the ballpark operation";
    } catch (const ProjPointError &e) {
        EXPECT_EQ(e.Fault(), PointFault::Ballpark);
        EXPECT_NE(std::string(e.what()).find("ballpark"), std::string::npos);
    }
    const double newYork[3] = {40.7, -74, 0};
    chain.Convert(newYork, 0, false, out, zone, south);
    EXPECT_FALSE(chain.Proj()->Candidates()[chain.LastOperation()].ballpark);

    settings.options.allowBallpark = true;
    Chain allowed(settings, DomainPolicy::Strict);
    allowed.Convert(mexico, 0, false, out, zone, south);
    const std::array<double, 3> expected =
        Reference("EPSG:4267", "EPSG:4269").Convert({19.4, -99.1, 0});
    EXPECT_NEAR(out[0], expected[0], 1e-12);
    EXPECT_NEAR(out[1], expected[1], 1e-12);
    EXPECT_TRUE(allowed.Proj()->Candidates()[allowed.LastOperation()].ballpark);
}

// Without its database PROJ can make no system by code: that is what is
// said, with the directory PROJ looked in, not that the code is unknown.
TEST(ProjSystems, MissingDatabaseIsSaid) {
    const fs::path empty = fs::path(testing::TempDir()) / "nolvex-proj-no-db";
    fs::create_directories(empty);
    const fs::path broken = fs::path(testing::TempDir()) / "nolvex-proj-bad-db";
    fs::create_directories(broken);
    { std::ofstream(broken / "proj.db") << "not a database\n"; }
    // What is said, with the directories PROJ_DATA names, is the case
    // files' (proj-data.case): here, with a thread's own search path, that
    // it is the database's fault, never the code's.
    struct Row {
        fs::path dir;
        std::string said;
    };
    const Row rows[] = {{empty, "proj.db"}, {broken, "proj.db"}};
    for (const Row &row : rows) {
        SCOPED_TRACE(row.dir.string());
        std::string message;
        bool database = false;
        std::thread([&] {
            SearchOnly(row.dir);
            try {
                const ProjCrs crs("EPSG:4979");
                message = "made";
            } catch (const ProjDatabaseError &e) {
                database = true;
                message = e.what();
            } catch (const ProjError &e) {
                message = e.what();
            }
        }).join();
        EXPECT_TRUE(database) << message;
        EXPECT_NE(message.find(row.said), std::string::npos) << message;
    }
}

// The list of systems: deprecated ones only when asked (PROJ's own
// proj_is_deprecated says which), those found by name before those found
// by area, a world-wide system by its area only when the text says
// "world"; areas by their short names.
TEST(ProjSystems, SystemListOrderAndDeprecated) {
    PJ_CONTEXT *ctx = proj_context_create();
    proj_log_level(ctx, PJ_LOG_NONE);
    const auto deprecated = [ctx](const std::string &id) {
        const std::size_t colon = id.find(':');
        PJ *crs = proj_create_from_database(ctx, id.substr(0, colon).c_str(),
                                            id.substr(colon + 1).c_str(),
                                            PJ_CATEGORY_CRS, 0, nullptr);
        const bool old = crs && proj_is_deprecated(crs);
        proj_destroy(crs);
        return old;
    };
    const std::vector<CrsListEntry> current = FindCrs("korea", false);
    const std::vector<CrsListEntry> all = FindCrs("korea");
    ASSERT_GT(current.size(), 20u);
    EXPECT_GT(all.size(), current.size());
    bool byArea = false;
    for (const CrsListEntry &entry : current) {
        SCOPED_TRACE(entry.id);
        EXPECT_FALSE(deprecated(entry.id));
        EXPECT_NE(entry.id, "EPSG:4979"); // world-wide, its area lists Korea
        EXPECT_LT(entry.area.size(), 100u) << entry.area;
        const bool named =
            LowerAscii(entry.name).find("korea") != std::string::npos;
        EXPECT_FALSE(byArea && named) << "found by name after one by area";
        byArea = byArea || !named;
    }
    EXPECT_TRUE(byArea);
    std::size_t old = 0;
    for (const CrsListEntry &entry : all)
        if (entry.deprecated) {
            EXPECT_TRUE(deprecated(entry.id)) << entry.id;
            ++old;
        }
    EXPECT_EQ(all.size(), current.size() + old);
    const std::vector<CrsListEntry> world = FindCrs("world", false);
    EXPECT_TRUE(std::any_of(world.begin(), world.end(),
                            [](const auto &e) { return e.id == "EPSG:4979"; }));
    proj_context_destroy(ctx);
}

// More accurate operations whose grids are missing are named, with the
// file; points in their area are counted (or refused with --require-best).
TEST(ProjSystems, MissingBetterGridIsNamed) {
    Conversion settings;
    settings.from = Side("EPSG:4301");
    settings.to = Side("EPSG:4612");
    Chain chain(settings, DomainPolicy::Strict);
    const ProjTransform &proj = *chain.Proj();
    ASSERT_EQ(proj.Missing().size(), 1u);
    EXPECT_EQ(proj.Missing()[0].operation.id, "EPSG:6712");
    EXPECT_EQ(proj.Missing()[0].missingGrids,
              std::vector<std::string>{"tky2jgd.gsb"});
    const double tokyo[3] = {35.68, 139.77, 0};
    double out[3];
    std::int32_t zone = 0;
    bool south = false;
    chain.Convert(tokyo, 0, false, out, zone, south);
    EXPECT_EQ(chain.LastMissing(), 0);
}

} // namespace
