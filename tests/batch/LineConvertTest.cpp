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
