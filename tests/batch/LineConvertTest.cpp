// Lines and blocks: pass-through lines, messages by line, GeoJSON text.
#include "LineConvert.h"
#include "JsonCheck.h"

#include <gtest/gtest.h>

#include <bit>
#include <random>
#include <string>

namespace {

BatchOptions CopyOptions() {
    BatchOptions options;
    options.chain.from = SideSettings{};
    options.chain.to = SideSettings{};
    return options;
}

BlockResult Process(const BatchOptions &options, std::string_view text,
                    bool header = false, std::size_t overlong = 0,
                    char delimiter = ',') {
    LineConverter converter(options);
    BlockText block;
    block.text = text;
    block.overlong = overlong;
    FileFormat format;
    format.delimiter = delimiter;
    ResolveColumns(options, converter.Axes(), "", format);
    BlockResult result;
    ProcessBlock(converter, options, block, {header, false}, format, result);
    return result;
}

TEST(ProcessBlock, PassThroughLinesAndLineNumbers) {
    const BlockResult r = Process(
        CopyOptions(), "lat,lon\n# note\n\n37.50,127.5\nx,1\n  \t\n1,2");
    EXPECT_EQ(r.out.View(), "# ERROR: 'lat' is not a valid latitude | lat,lon\n"
                            "# note\n\n37.5,127.5,0\n"
                            "# ERROR: 'x' is not a valid latitude | x,1\n"
                            "  \t\n1,2,0\n");
    EXPECT_EQ(r.lines, 7u);
    EXPECT_EQ(r.points, 2u);
    ASSERT_EQ(r.errors.size(), 2u);
    EXPECT_EQ(r.errors[0].line,
              1u); // the heading line, not passed without --header
    EXPECT_EQ(r.errors[1].line, 5u);
    EXPECT_EQ(r.errors[1].message, "'x' is not a valid latitude");
    EXPECT_FALSE(r.stopped);
}

// A failed line was left out, so the output lost the input's rows: each line
// now gives exactly one output line, the failed ones as comments that carry
// the original text.
TEST(ProcessBlock, FailedLineKeepsItsRowAsAComment) {
    const char *input = "1,2\r\nbad\r\n37.5,127.5,1x\n5,6";
    const BlockResult comment = Process(CopyOptions(), input);
    EXPECT_EQ(comment.out.View(),
              "1,2,0\r\n# ERROR: missing column 2 | bad\r\n"
              "# ERROR: '1x' is not a valid height | 37.5,127.5,1x\n5,6,0\n");
    EXPECT_EQ(comment.errors.size(), 2u);

    BatchOptions skip = CopyOptions();
    skip.onError = ErrorPolicy::Skip;
    const BlockResult skipped = Process(skip, input);
    EXPECT_EQ(skipped.out.View(), "1,2,0\r\n5,6,0\n");
    EXPECT_EQ(skipped.errors.size(), 2u);
}

TEST(ProcessBlock, HeadingNamesWhatTheColumnsHold) {
    struct Row {
        const char *name;
        int toKind;
        bool autoZone;
        AngleFormat format;
        const char *heading, *expected;
    };
    const Row rows[] = {
        {"geographic", KIND_GEO, false, AngleFormat::Dd, "lat,lon",
         "latitude,longitude,height"},
        {"utm auto", CS_UTM, true, AngleFormat::Dd, "id,lat,lon,h,note",
         "id,easting,northing,height,zone,note"},
        {"ecef", CS_ECEF, false, AngleFormat::Dd, "\"a,b\",lat,lon",
         "\"a,b\",X,Y,Z"},
        {"dms", KIND_GEO, false, AngleFormat::Dms, "lat,lon,h",
         "latitude_deg,latitude_min,latitude_sec,latitude_hemisphere,"
         "longitude_deg,longitude_min,longitude_sec,longitude_hemisphere,"
         "height"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        BatchOptions options = CopyOptions();
        options.header = true;
        options.chain.to.kind = row.toKind;
        options.chain.to.grid.autoZone = row.autoZone;
        options.angleFormat = row.format;
        if (std::string(row.heading).rfind("id", 0) == 0 ||
            row.heading[0] == '"')
            options.columns = {1, 2};
        if (std::string(row.heading).rfind("id", 0) == 0)
            options.columns = {1, 2, 3};
        const BlockResult r =
            Process(options, std::string(row.heading) + "\n", true);
        EXPECT_EQ(r.out.View(), std::string(row.expected) + "\n");
    }
}

TEST(ProcessBlock, HeadingHintOnlyOnAFileStart) {
    BatchOptions options = CopyOptions();
    LineConverter converter(options);
    BlockText block;
    block.text = "lat,lon\n37.5,127.5\n";
    FileFormat format;
    format.delimiter = ',';
    BlockResult result;
    ProcessBlock(converter, options, block, {false, true}, format, result);
    ASSERT_EQ(result.errors.size(), 1u);
    EXPECT_EQ(result.errors[0].message,
              "'lat' is not a valid latitude (the first line looks like a "
              "heading: use --header)");
}

TEST(ProcessBlock, OverlongLinesTakeTheHeaderPlace) {
    const BlockResult r = Process(CopyOptions(), "1,2\n", true, 2);
    EXPECT_EQ(r.out.View(), "# ERROR: line longer than 1048576 bytes\n"
                            "# ERROR: line longer than 1048576 bytes\n"
                            "1,2,0\n");
    ASSERT_EQ(r.errors.size(), 2u);
    EXPECT_EQ(r.errors[0].line, 1u);
    EXPECT_EQ(r.errors[1].line, 2u);
    EXPECT_EQ(r.lines, 3u);
}

TEST(ProcessBlock, StopsAtTheFirstFailure) {
    BatchOptions options = CopyOptions();
    options.onError = ErrorPolicy::Stop;
    const BlockResult r = Process(options, "1,2\n3,4\nbad\n5,6\n");
    EXPECT_EQ(r.out.View(), "1,2,0\n3,4,0\n# ERROR: missing column 2 | bad\n");
    EXPECT_TRUE(r.stopped);
    ASSERT_EQ(r.errors.size(), 1u);
    EXPECT_EQ(r.errors[0].line, 3u);
    EXPECT_EQ(r.errors[0].message, "missing column 2");
}

TEST(PropertyKeys, NamesOrFieldNumbers) {
    struct Row {
        const char *header;
        std::vector<std::string> keys;
    };
    const Row rows[] = {
        {"id,name,,name,a\"b\\c,\t x \r",
         {"\"id\"", "\"field2\"", "\"field3\"", "\"field4\"", "\"a\\\"b\\\\c\"",
          "\"x\""}},
        // A name "fieldN" is kept only in its own column N.
        {"field2,,field2x,field4,field1",
         {"\"field1\"", "\"field2\"", "\"field2x\"", "\"field4\"",
          "\"field5\""}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.header);
        EXPECT_EQ(PropertyKeys(row.header, ','), row.keys);
    }
}

// Found by fuzz_line: two heading names that differ only in bytes that are
// not UTF-8 both became "n\uFFFD", a repeated member in the GeoJSON object.
TEST(PropertyKeys, NamesEqualAfterEscapingAreRepeated) {
    const auto keys = PropertyKeys("lat,lon,h,n\xFE,n\xFC", ',');
    ASSERT_EQ(keys.size(), 5u);
    EXPECT_EQ(keys[3], "\"field4\"");
    EXPECT_EQ(keys[4], "\"field5\"");

    BatchOptions options = CopyOptions();
    options.outputFormat = OutputFormat::GeoJson;
    LineConverter converter(options);
    BlockText block;
    block.text = "lat,lon,h,n\xFE,n\xFC\n37.5,127.5,0,a,b\n";
    FileFormat format;
    format.delimiter = ',';
    format.keys = &keys;
    BlockResult result;
    ProcessBlock(converter, options, block, {true, false}, format, result);
    const JsonValue feature = ParseJson(result.out.View().substr(2));
    EXPECT_EQ(feature["properties"]["field4"].text, "a");
    EXPECT_EQ(feature["properties"]["field5"].text, "b");
}

TEST(GeoJsonLine, PropertiesAreValidJsonStrings) {
    BatchOptions options = CopyOptions();
    options.outputFormat = OutputFormat::GeoJson;
    struct Row {
        std::string field, value;
    };
    const Row rows[] = {
        {"plain", "plain"},
        {"q\"b\\s/", "q\"b\\s/"},
        {"c\x01\x1F\x7F", "c\x01\x1F\x7F"},
        {"\xED\x95\x9C\xEA\xB8\x80", "\xED\x95\x9C\xEA\xB8\x80"},
        {"\xF0\x9F\x97\xBA", "\xF0\x9F\x97\xBA"},
        {"x\xC0\x80y", "x\xEF\xBF\xBD\xEF\xBF\xBDy"}, // overlong encoding
        {"\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"}, // surrogate
        {"\xE2\x82", "\xEF\xBF\xBD\xEF\xBF\xBD"},                 // cut short
        {"\xF5\x80\x80\x80",
         "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.field);
        const BlockResult r =
            Process(options, "37.5,127.5,1," + row.field + "\n");
        ASSERT_TRUE(r.errors.empty());
        // Each feature comes with a leading comma that the writer drops for
        // the first one.
        std::string_view text = r.out.View();
        ASSERT_EQ(text.substr(0, 2), ",\n");
        const JsonValue feature = ParseJson(text.substr(2));
        EXPECT_EQ(feature["properties"]["field4"].text, row.value);
        const auto &xyz = feature["geometry"]["coordinates"].items;
        ASSERT_EQ(xyz.size(), 3u);
        EXPECT_EQ(xyz[0].number, 127.5);
        EXPECT_EQ(xyz[1].number, 37.5);
        EXPECT_EQ(xyz[2].number, 1.0);
    }
}

TEST(GeoJsonLine, FailedLineIsAFeatureWithoutGeometry) {
    BatchOptions options = CopyOptions();
    options.outputFormat = OutputFormat::GeoJson;
    const BlockResult r = Process(options, "91,127,\"x\"\n");
    ASSERT_EQ(r.errors.size(), 1u);
    const JsonValue feature = ParseJson(r.out.View().substr(2));
    EXPECT_EQ(feature["type"].text, "Feature");
    EXPECT_EQ(feature["geometry"].type, JsonValue::Type::Null);
    EXPECT_EQ(feature["properties"]["error"].text,
              "latitude 91 is outside -90 to 90");
    EXPECT_EQ(feature["properties"]["text"].text, "91,127,\"x\"");
}

} // namespace

namespace {

// ---- the column rule as a front end shows it before a run -----------------

struct HeadingCase {
    const char *heading;
    int fromKind;            ///< the source side's kind
    std::vector<int> columns; ///< 0-based; empty: the heading names none
};

// What HeadingColumns shows is what a run with --header and no --columns
// takes: the columns worked out by hand from the names.
TEST(HeadingColumns, TheColumnsARunTakes) {
    const HeadingCase cases[] = {
        {"id,name,lat,lon,h", KIND_GEO, {2, 3, 4}},
        {"Longitude,Latitude", KIND_GEO, {1, 0}},
        {"no,easting,northing,height", CS_UTM, {1, 2, 3}},
        {"X,Y,Z", CS_ECEF, {0, 1, 2}},
        {"name,a,b", KIND_GEO, {}},
    };
    for (const HeadingCase &c : cases) {
        SCOPED_TRACE(c.heading);
        BatchOptions options;
        options.chain.from.kind = c.fromKind;
        options.columns = {5, 6}; // a run's own columns do not count
        const std::optional<FileFormat> found =
            HeadingColumns(options, c.heading, ',');
        if (c.columns.empty()) {
            EXPECT_FALSE(found);
            continue;
        }
        ASSERT_TRUE(found);
        ASSERT_EQ(found->columnCount, static_cast<int>(c.columns.size()));
        for (std::size_t k = 0; k < c.columns.size(); ++k)
            EXPECT_EQ(found->columns[k], c.columns[k]);
    }
}

struct RefusalCase {
    const char *heading;
    ColumnsFault::Kind kind;
    const char *commandLine; ///< the converter's own message
};

// A heading that does not settle the columns is refused with what went
// wrong, for a window to say in its words; the command line's words stay.
TEST(HeadingColumns, RefusalsCarryWhatWentWrong) {
    const RefusalCase cases[] = {
        {"lat,latitude,lon", ColumnsFault::SameValueTwice,
         "the heading names 'latitude' and 'lat' for the same value: give the "
         "columns with --columns"},
        {"id,x,y", ColumnsFault::EitherAxis,
         "the heading names x or y, which could be either axis (EPSG calls "
         "the northing X in the Korean and Japanese grids): give the columns "
         "of latitude and longitude with --columns"},
        {"easting,northing", ColumnsFault::OtherKind,
         "the heading names easting and northing, but the catalogue datum "
         "takes latitude and longitude: choose the system of those values "
         "with --from, or give the columns with --columns"},
        {"lat,b", ColumnsFault::OnlyOne,
         "the heading names only one of latitude and longitude: give the "
         "columns with --columns"},
    };
    for (const RefusalCase &c : cases) {
        SCOPED_TRACE(c.heading);
        try {
            HeadingColumns(BatchOptions{}, c.heading, ',');
            ADD_FAILURE() << "not refused";
        } catch (const ColumnsInputError &e) {
            EXPECT_EQ(e.Fault().kind, c.kind);
            EXPECT_EQ(e.Fault().what, "latitude and longitude");
            EXPECT_STREQ(e.what(), c.commandLine);
        }
    }
}

TEST(CheckOptions, ColumnNamedTwiceCarriesTheColumn) {
    BatchOptions options;
    options.columns = {3, 3};
    try {
        CheckOptions(options);
        ADD_FAILURE() << "not refused";
    } catch (const ColumnsUsageError &e) {
        EXPECT_EQ(e.Fault().kind, ColumnsFault::ColumnTwice);
        EXPECT_EQ(e.Fault().column, 4);
        EXPECT_STREQ(e.what(), "--columns names column 4 twice");
    }
}

// ValueNames names a side's values from its system alone; a run's
// converter from its chain, where a system may be made three-dimensional.
// Both must give the names of the heading a run writes.
TEST(ValueNames, AsTheConvertersHeading) {
    struct Side {
        const char *crs;
        int kind;
    };
    const Side sides[] = {
        {"", KIND_GEO},          {"", CS_UTM},
        {"", CS_ECEF},           {"EPSG:5186", CS_TM},
        {"EPSG:4326", KIND_GEO}, {"EPSG:4326+5773", KIND_GEO},
        {"EPSG:4978", CS_ECEF},
    };
    int compared = 0;
    for (const Side &from : sides)
        for (const Side &to : sides) {
            SCOPED_TRACE(std::string(from.crs) + "/" + std::to_string(from.kind) +
                         " to " + to.crs + "/" + std::to_string(to.kind));
            BatchOptions options;
            options.chain.from.crs = from.crs;
            options.chain.from.kind = from.kind;
            options.chain.to.crs = to.crs;
            options.chain.to.kind = to.kind;
            std::optional<LineConverter> converter;
            try {
                converter.emplace(options);
            } catch (const std::exception &) {
                continue; // no operation between the two
            }
            EXPECT_EQ(ValueNames(options.chain.from), converter->Names(false));
            EXPECT_EQ(ValueNames(options.chain.to), converter->Names(true));
            ++compared;
        }
    EXPECT_EQ(compared, 49);
}

} // namespace
