// Lines and blocks: pass-through lines, messages by line, GeoJSON text.
#include "LineConvert.h"
#include "JsonOracle.h"

#include <gtest/gtest.h>

#include <bit>
#include <random>
#include <string>

namespace {

BatchOptions CopyOptions() { return BatchOptions{}; }

/// The catalogue side @p side is (a new side starts on the catalogue).
CatalogueSide &Cat(ConversionSide &side) { return *side.Catalogue(); }

BlockResult Process(const BatchOptions &options, std::string_view text,
                    bool header = false, std::size_t overlong = 0,
                    char delimiter = ',') {
    LineConverter converter(options);
    BlockText block;
    block.text = text;
    block.overlong = overlong;
    FileFormat format;
    format.delimiter = delimiter;
    ResolveColumns(options, converter, "", format);
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
        GridKind toKind;
        bool autoZone;
        AngleFormat format;
        const char *heading, *expected;
    };
    const Row rows[] = {
        {"geographic", GridKind::Geographic, false, AngleFormat::Dd, "lat,lon",
         "latitude,longitude,height"},
        {"utm auto", GridKind::Utm, true, AngleFormat::Dd, "id,lat,lon,h,note",
         "id,easting,northing,height,zone,note"},
        {"ecef", GridKind::Ecef, false, AngleFormat::Dd, "\"a,b\",lat,lon",
         "\"a,b\",X,Y,Z"},
        {"dms", GridKind::Geographic, false, AngleFormat::Dms, "lat,lon,h",
         "latitude_deg,latitude_min,latitude_sec,latitude_hemisphere,"
         "longitude_deg,longitude_min,longitude_sec,longitude_hemisphere,"
         "height"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        BatchOptions options = CopyOptions();
        options.header = true;
        Cat(options.conversion.to).kind = row.toKind;
        Cat(options.conversion.to).grid.autoZone = row.autoZone;
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
    options.words[Advice::UseHeading] = ": <advice>";
    LineConverter converter(options);
    BlockText block;
    block.text = "lat,lon\n37.5,127.5\n";
    FileFormat format;
    format.delimiter = ',';
    BlockResult result;
    ProcessBlock(converter, options, block, {false, true}, format, result);
    ASSERT_EQ(result.errors.size(), 1u);
    EXPECT_EQ(result.errors[0].advice, Advice::UseHeading);
    EXPECT_EQ(Advised(result.errors[0].message, result.errors[0].advice,
                      options.words),
              "'lat' is not a valid latitude (the first line looks like a "
              "heading: <advice>)");
    // The output's own comment names no front end's words.
    EXPECT_EQ(result.out.View().substr(0, result.out.View().find('|')),
              "# ERROR: 'lat' is not a valid latitude (the first line looks "
              "like a heading) ");
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
    const nlohmann::json feature = ParseJson(result.out.View().substr(2));
    EXPECT_EQ(feature.at("properties").at("field4").get<std::string>(), "a");
    EXPECT_EQ(feature.at("properties").at("field5").get<std::string>(), "b");
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
        const nlohmann::json feature = ParseJson(text.substr(2));
        EXPECT_EQ(feature.at("properties").at("field4").get<std::string>(), row.value);
        const auto &xyz = feature.at("geometry").at("coordinates");
        ASSERT_EQ(xyz.size(), 3u);
        EXPECT_EQ(xyz[0].get<double>(), 127.5);
        EXPECT_EQ(xyz[1].get<double>(), 37.5);
        EXPECT_EQ(xyz[2].get<double>(), 1.0);
    }
}

TEST(GeoJsonLine, FailedLineIsAFeatureWithoutGeometry) {
    BatchOptions options = CopyOptions();
    options.outputFormat = OutputFormat::GeoJson;
    const BlockResult r = Process(options, "91,127,\"x\"\n");
    ASSERT_EQ(r.errors.size(), 1u);
    const nlohmann::json feature = ParseJson(r.out.View().substr(2));
    EXPECT_EQ(feature.at("type").get<std::string>(), "Feature");
    EXPECT_EQ(feature.at("geometry").is_null(), true);
    EXPECT_EQ(feature.at("properties").at("error").get<std::string>(),
              "latitude 91 is outside -90 to 90");
    EXPECT_EQ(feature.at("properties").at("text").get<std::string>(), "91,127,\"x\"");
}

} // namespace

namespace {

// ---- the column rule as a front end shows it before a run -----------------

struct HeadingCase {
    const char *heading;
    GridKind fromKind;       ///< the source side's kind
    std::vector<int> columns; ///< 0-based; empty: the heading names none
};

// What HeadingColumns shows is what a run with --header and no --columns
// takes: the columns worked out by hand from the names.
TEST(HeadingColumns, TheColumnsARunTakes) {
    const HeadingCase cases[] = {
        {"id,name,lat,lon,h", GridKind::Geographic, {2, 3, 4}},
        {"Longitude,Latitude", GridKind::Geographic, {1, 0}},
        {"no,easting,northing,height", GridKind::Utm, {1, 2, 3}},
        {"X,Y,Z", GridKind::Ecef, {0, 1, 2}},
        {"name,a,b", GridKind::Geographic, {}},
    };
    for (const HeadingCase &c : cases) {
        SCOPED_TRACE(c.heading);
        BatchOptions options;
        Cat(options.conversion.from).kind = c.fromKind;
        if (c.fromKind == GridKind::Utm)
            Cat(options.conversion.from).grid.originLon = "129";
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
    std::vector<std::string> names; ///< the fault's names, as the heading has them
};

// A heading that does not settle the columns is refused with what went
// wrong, for each front end to say in its words: the values the source
// takes, the names it saw.
TEST(HeadingColumns, RefusalsCarryWhatWentWrong) {
    const RefusalCase cases[] = {
        {"lat,latitude,lon", ColumnsFault::SameValueTwice, {"latitude", "lat"}},
        {"id,x,y", ColumnsFault::EitherAxis, {"", ""}},
        {"easting,northing", ColumnsFault::OtherKind, {"", ""}},
        {"lat,b", ColumnsFault::OnlyOne, {"", ""}},
    };
    for (const RefusalCase &c : cases) {
        SCOPED_TRACE(c.heading);
        try {
            HeadingColumns(BatchOptions{}, c.heading, ',');
            ADD_FAILURE() << "not refused";
        } catch (const ColumnsInputError &e) {
            EXPECT_EQ(e.Fault().kind, c.kind);
            EXPECT_EQ(e.Fault().what, "latitude and longitude");
            EXPECT_EQ(e.Fault().names[0], c.names[0]);
            EXPECT_EQ(e.Fault().names[1], c.names[1]);
            EXPECT_EQ(e.Fault().side, "the catalogue datum");
            // No front end's words below the front ends.
            EXPECT_EQ(std::string(e.what()).find("--"), std::string::npos);
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
        EXPECT_EQ(e.ColumnsRefusal::Fault().kind, ColumnsFault::ColumnTwice);
        EXPECT_EQ(e.ColumnsRefusal::Fault().column, 4);
    }
}

// ValueNames names a side's values from its system alone; a run's
// converter from its chain, where a system may be made three-dimensional.
// Both must give the names of the heading a run writes.
TEST(ValueNames, AsTheConvertersHeading) {
    const ConversionSide sides[] = {
        ConversionSide::OnDatum(DATUM_WGS84),
        ConversionSide::OnDatum(DATUM_WGS84, GridKind::Utm),
        ConversionSide::OnDatum(DATUM_WGS84, GridKind::Ecef),
        ConversionSide::OnSystem("EPSG:5186"),
        ConversionSide::OnSystem("EPSG:4326"),
        ConversionSide::OnSystem("EPSG:4326+5773"),
        ConversionSide::OnSystem("EPSG:4978"),
    };
    int compared = 0;
    for (const ConversionSide &from : sides)
        for (const ConversionSide &to : sides) {
            BatchOptions options;
            options.conversion.from = from;
            options.conversion.to = to;
            if (CatalogueSide *utm = options.conversion.from.Catalogue();
                utm && utm->kind == GridKind::Utm)
                utm->grid.originLon = "129";
            std::optional<LineConverter> converter;
            try {
                converter.emplace(options);
            } catch (const std::exception &) {
                continue; // no operation between the two
            }
            for (const bool eastFirst : {false, true}) {
                options.lonLat = eastFirst;
                const LineConverter run(options);
                EXPECT_EQ(ValueNames(options.conversion.from, eastFirst),
                          run.Names(false));
                EXPECT_EQ(ValueNames(options.conversion.to, eastFirst),
                          run.Names(true));
            }
            ++compared;
        }
    EXPECT_EQ(compared, 49);
}

} // namespace
