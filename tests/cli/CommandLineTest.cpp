// The command line's rules, as functions: what each combination of options
// becomes, and the usage errors that refuse the others.
#include "CommandLine.h"
#include "Words.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

CommandLine Line(std::function<void(CommandLine &)> set) {
    CommandLine line;
    line.from = "WGS84";
    line.to = "125";
    set(line);
    return line;
}

std::string Refusal(const CommandLine &line) {
    try {
        ReadCommandLine(line);
    } catch (const std::exception &e) {
        return UsageText(e);
    }
    return "not refused";
}

// Each row one rule of the zone options, the grid settings and the columns.
TEST(CommandLine, RefusalsSayWhatIsWrong) {
    const struct {
        const char *name;
        std::function<void(CommandLine &)> set;
        const char *message;
    } rows[] = {
        {"no sides", [](CommandLine &l) { l.from.clear(); },
         "--from and --to are required"},
        {"utm source without zone", [](CommandLine &l) { l.from = "WGS84:utm"; },
         "a utm source needs its zone: --from-utm-zone 1 to 60 with N or S "
         "(52N, 56S), or column"},
        {"zone on a geographic side",
         [](CommandLine &l) { l.toUtmZone = "52N"; },
         "--to-utm-zone needs a utm target"},
        {"auto zone on a source",
         [](CommandLine &l) {
             l.from = "WGS84:utm";
             l.utmZone = "auto";
         },
         "--utm-zone auto needs a utm target; give a utm source its zone "
         "with --from-utm-zone"},
        {"two zone options",
         [](CommandLine &l) {
             l.to = "WGS84:utm";
             l.utmZone = "52";
             l.toUtmZone = "52";
         },
         "--utm-zone and --from-utm-zone or --to-utm-zone together"},
        {"zone and origin longitude",
         [](CommandLine &l) {
             l.to = "WGS84:utm";
             l.toGrid.originLon = "129";
             l.toUtmZone = "52";
         },
         "--to-utm-zone and an origin longitude together"},
        {"hemisphere and false northing",
         [](CommandLine &l) {
             l.to = "WGS84:utm";
             l.toGrid.falseNorthing = "0";
             l.toUtmZone = "56S";
         },
         "--to-utm-zone 56S sets the false northing; leave out the "
         "false-northing option"},
        {"zone 61", [](CommandLine &l) {
             l.to = "WGS84:utm";
             l.toUtmZone = "61";
         },
         "--to-utm-zone takes a zone from 1 to 60, with N or S for its "
         "hemisphere, or auto"},
        {"grid settings on a geographic side",
         [](CommandLine &l) { l.toGrid.falseEasting = "0"; },
         "--to-false-easting: grid settings need a grid kind utm, tm or g7, "
         "not geo"},
        {"column names without a heading",
         [](CommandLine &l) { l.columns = "lat,lon"; },
         "--columns takes column numbers from 1, as in 2,3,4, or with "
         "--header the column names of the heading"},
        {"one column", [](CommandLine &l) { l.columns = "2"; },
         "--columns takes two or three column numbers"},
        {"a digit as delimiter", [](CommandLine &l) { l.delimiter = "5"; },
         "--delimiter takes one character, tab, comma, semicolon or space"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(Refusal(Line(row.set)), row.message);
    }
}

// What the options become where they are accepted.
TEST(CommandLine, AcceptedOptionsBecomeTheRun) {
    const BatchOptions zone = ReadCommandLine(Line([](CommandLine &l) {
        l.to = "WGS84:utm";
        l.utmZone = "56S";
    }));
    EXPECT_EQ(zone.conversion.to.Catalogue()->grid.originLon, "153");
    EXPECT_EQ(zone.conversion.to.Catalogue()->grid.falseNorthing, "10000000");
    const BatchOptions column = ReadCommandLine(Line([](CommandLine &l) {
        l.from = "WGS84:utm";
        l.fromUtmZone = "column";
    }));
    EXPECT_TRUE(column.sourceZoneColumn);
    const BatchOptions named = ReadCommandLine(Line([](CommandLine &l) {
        l.header = true;
        l.columns = "3,lon";
        l.delimiter = "semicolon";
        l.trace = true;
        l.threads = 8;
    }));
    EXPECT_EQ(named.columns, (std::vector<int>{2, 0}));
    EXPECT_EQ(named.columnNames, (std::vector<std::string>{"", "lon"}));
    EXPECT_EQ(named.delimiter, ';');
    EXPECT_EQ(named.threads, 1u); // trace records from one thread only
    const std::pair<const char *, char> delimiters[] = {
        {"tab", '\t'}, {"\\t", '\t'}, {"comma", ','}, {"space", 0}, {"|", '|'}};
    for (const auto &[text, delimiter] : delimiters)
        EXPECT_EQ(ParseDelimiter(text), delimiter) << text;
}

TEST(CommandLine, ListTakesAFilterOnlyAfterCrs) {
    CommandLine line;
    EXPECT_EQ(ListText(line), "");
    line.list = {"datums", "tokyo"};
    EXPECT_THROW(ListText(line), UsageError);
    line.list = {"stars"};
    EXPECT_THROW(ListText(line), UsageError);
    line.list = {"ellipsoids"};
    EXPECT_EQ(ListText(line).rfind("index\tcode\tname\ta\tinvf\n", 0), 0u);
}

} // namespace
