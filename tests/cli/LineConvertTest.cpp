// Lines and blocks: pass-through lines, messages by line, GeoJSON text.
#include "Batch.h"
#include "JsonCheck.h"

#include <gtest/gtest.h>

#include <string>

namespace {

BatchOptions CopyOptions() {
    BatchOptions options;
    options.chain.from = {DATUM_WGS84, KIND_GEO, {}};
    options.chain.to = {DATUM_WGS84, KIND_GEO, {}};
    return options;
}

BlockResult Process(const BatchOptions &options, std::string_view text,
                    bool header = false, bool overlong = false,
                    char delimiter = ',') {
    LineConverter converter(options);
    BlockText block;
    block.text = text;
    block.overlongFirst = overlong;
    FileFormat format;
    format.delimiter = delimiter;
    BlockResult result;
    ProcessBlock(converter, options, block, header, format, result);
    return result;
}

TEST(ProcessBlock, PassThroughLinesAndLineNumbers) {
    const BlockResult r = Process(
        CopyOptions(), "lat,lon\n# note\n\n37.50,127.5\nx,1\n  \t\n1,2");
    EXPECT_EQ(r.out.View(), "# note\n\n37.5,127.5,0\n  \t\n1,2,0\n");
    EXPECT_EQ(r.lines, 7u);
    EXPECT_EQ(r.points, 2u);
    ASSERT_EQ(r.errors.size(), 2u);
    EXPECT_EQ(r.errors[0].line,
              1u); // the heading line, not passed without --header
    EXPECT_EQ(r.errors[1].line, 5u);
    EXPECT_EQ(r.errors[1].message, "'x' is not a valid floating point value");
    EXPECT_FALSE(r.stopped);
}

TEST(ProcessBlock, HeaderOnlyOnTheFirstLine) {
    const BlockResult r = Process(CopyOptions(), "lat,lon\nlat,lon\n", true);
    EXPECT_EQ(r.out.View(), "lat,lon\n");
    ASSERT_EQ(r.errors.size(), 1u);
    EXPECT_EQ(r.errors[0].line, 2u);
}

TEST(ProcessBlock, OverlongLineTakesTheHeaderPlace) {
    const BlockResult r = Process(CopyOptions(), "1,2\n", true, true);
    EXPECT_EQ(r.out.View(), "1,2,0\n");
    ASSERT_EQ(r.errors.size(), 1u);
    EXPECT_EQ(r.errors[0].line, 1u);
    EXPECT_EQ(r.lines, 2u);
}

TEST(ProcessBlock, StopsAtTheFirstFailure) {
    BatchOptions options = CopyOptions();
    options.onError = ErrorPolicy::Stop;
    const BlockResult r = Process(options, "1,2\n3,4\nbad\n5,6\n");
    EXPECT_EQ(r.out.View(), "1,2,0\n3,4,0\n");
    EXPECT_TRUE(r.stopped);
    ASSERT_EQ(r.errors.size(), 1u);
    EXPECT_EQ(r.errors[0].line, 3u);
    EXPECT_EQ(r.errors[0].message, "missing column 2");
}

TEST(ProcessBlock, FailedLineWritesNothing) {
    // The third field fails after the first two were read: nothing of the
    // line may reach the output.
    const BlockResult r = Process(CopyOptions(), "37.5,127.5,1x\n");
    EXPECT_EQ(r.out.View(), "");
    ASSERT_EQ(r.errors.size(), 1u);
    EXPECT_EQ(r.errors[0].message, "'1x' is not a valid floating point value");
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
    ProcessBlock(converter, options, block, true, format, result);
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

} // namespace
