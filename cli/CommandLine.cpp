// The command line of nolvex-convert.
#include "CommandLine.h"

#include "Words.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <charconv>
#include <optional>

const char *const COMMAND_LINE_NOTES = R"HELP(Examples:
  Points on WGS 84 to the Tokyo datum, decimal degrees in and out:
    nolvex-convert --from WGS84 --to "Tokyo(---)" points.txt
  Latitude, longitude in columns 2 and 3 of a CSV file with a heading, to
  UTM zone 52 on the Tokyo datum:
    nolvex-convert --header --columns 2,3 --from WGS84 --to TOY-B:utm \
        --to-utm-zone 52N survey.csv -o survey-utm.csv
  UTM on WGS 84, each point in its own standard zone (written after Z as
  52N, 56S; Norway's and Svalbard's zones as the standard has them):
    nolvex-convert --from WGS84 --to WGS84:utm --utm-zone auto gps.txt
  MGRS references to 10 m (4 digits a coordinate) of points on the Tokyo
  datum, carried to WGS 84 first; and MGRS references read back:
    nolvex-convert --from "Tokyo(---)" --to mgrs --mgrs-precision 4 points.txt
    echo "52S CG 21459 59650" | nolvex-convert --from mgrs --to WGS84
  The Korean central belt (TM) on Bessel to geographic WGS 84 as GeoJSON:
    nolvex-convert --from "Tokyo(---):tm" --to WGS84 \
        --output-format geojson grid.txt > points.geojson
  Degrees, minutes and seconds out, longitude first:
    echo "127:0:16.351485 37:28:54.629835" |
        nolvex-convert --lonlat --from WGS84 --to 125 --format dms
  A user datum on the Bessel ellipsoid:
    nolvex-convert --user-datum "Mine,BR,-146,507,687" --from 0 --to WGS84 in.txt
  Any system PROJ knows, with the operation PROJ chooses at each point
  (--list crs korea finds them):
    echo "37.5663 126.9779" | nolvex-convert --from EPSG:4326 --to EPSG:5174
    # 451557.655... 197977.905... (northing first, as EPSG orders it)
  Orthometric (EGM96) heights from ellipsoidal ones:
    nolvex-convert --from EPSG:4979 --to EPSG:4326+5773 gnss.txt
  The operation PROJ uses, as a pipeline to check in any PROJ-based tool:
    nolvex-convert --from EPSG:4326 --to EPSG:5174 --proj

Systems: --from and --to take a catalogue datum (an index 0 to 133, a code
such as TOY-B, or a name) with an optional grid kind, or a system that PROJ
knows: EPSG:5174 (or the code alone), an OGC URN, a compound such as
EPSG:4326+5773, a PROJ string or WKT. A PROJ system's values come in its own
axis order and units: latitude before longitude for EPSG:4326, northing
before easting for the Korean belts and the Japanese zones, easting first for
UTM, westing and southing for the Lo systems, grads for EPSG:4807; X, Y, Z
for EPSG:4978; --lonlat (or --easting-first) puts the east axis first, in
PROJ's order for visualisation (easting first on polar systems too). PROJ
chooses the operation at each point as cs2cs does; a catalogue datum meets a
PROJ system through WGS 84 geographic. A point outside the area of use of the
operation used is converted and told (--outside-area error refuses it).

Columns: --columns by numbers (in the order the files hold the values) or
by heading names, each bound to the axis it names; otherwise, with --header,
the heading's names, which must say which column is which: the system's own
axis names and abbreviations, lat, latitude, lon, long, lng, longitude (and
the Korean and Japanese names), x and y only where the first axis is east;
heights h, height, ellipsoidal_height, ellh (ellipsoidal) or elevation,
elev, orthometric_height, alt, altitude (gravity-related), of the source's
kind. Otherwise the first columns. A PROJ source with a height meeting a
target with one needs each point's height: --height names its column or
gives a value.

Input: one point per line; latitude, longitude and an optional height, or X,
Y and an optional Z for a grid; fields separated by blanks, commas,
semicolons or tabs (detected from the first data line), CSV quoting read.
Angles as decimal degrees or 37:28:54.63, 37°28'54.63", 37d28m54.63s,
37°28.9105', 37 28 54.63 N, with one letter N, S, E or W before or after
(it decides which coordinate the angle is) or a sign. Minutes and seconds
below 60, latitudes within 90, longitudes from -180 to below 360.
MGRS references (--from mgrs) and geohashes (--from geohash) in one column,
with or without blanks, in either case; each is read as the centre of its
square or cell, on WGS 84. --to mgrs, ups and geohash write the points on
WGS 84 (another side is carried there first) in place of their latitude
and longitude; --mgrs-precision n is GeoConvert's -p n-5.
A line that fails is written in its place as "# ERROR: message | line" and
reported as "nolvex-convert: FILE:LINE: message" on standard error (FILE is
<stdin> for standard input). Lines starting with # and blank lines pass
through. Exit status 0 when all lines converted, 1 when a line or an input
failed, 2 for a usage error.)HELP";

namespace {

/// Turns a zone option into what the projection-origin dialog would get
/// (see SetUtmZone), or into auto or column.
void ApplyZone(const std::string &zone, GridSettings &grid, const char *option,
               bool source, BatchOptions &options) {
    if (zone == "auto" && !source) {
        if (grid.falseNorthing)
            throw UsageError(std::string(option) +
                  " auto sets the false northing by hemisphere; leave out "
                  "--to-false-northing");
        grid.autoZone = true;
        return;
    }
    if (zone == "column" && source) {
        if (grid.originLon || grid.falseNorthing)
            throw UsageError(std::string(option) +
                  " column and an origin longitude or false northing together");
        options.sourceZoneColumn = true;
        return;
    }
    char hemisphere = 0;
    int number = 0;
    if (!ParseUtmZone(zone, number, hemisphere))
        throw UsageError(std::string(option) + " takes a zone from 1 to 60, with N or S " +
              (source ? "for its hemisphere, or column"
                      : "for its hemisphere, or auto"));
    if (grid.originLon)
        throw UsageError(std::string(option) + " and an origin longitude together");
    if (hemisphere != 0 && grid.falseNorthing)
        throw UsageError(std::string(option) + " " + std::to_string(number) + hemisphere +
              " sets the false northing; leave out the "
              "false-northing option");
    SetUtmZone(grid, number, hemisphere);
}

} // namespace

char ParseDelimiter(const std::string &text) {
    if (text == "tab" || text == "\\t" || text == "\t")
        return '\t';
    if (text == "space" || text == "blank" || text == "whitespace" ||
        text == " ")
        return 0;
    if (text == "comma")
        return ',';
    if (text == "semicolon")
        return ';';
    if (text.size() == 1 && text[0] != '\n' && text[0] != '\r' &&
        text[0] != '#' && text[0] != '.' && !(text[0] >= '0' && text[0] <= '9'))
        return text[0];
    throw UsageError(
        "--delimiter takes one character, tab, comma, semicolon or space");
}

/// "2,3,4", or heading names with --header ("lat,lon,h"), or both.
void ParseColumns(const std::string &text, BatchOptions &options) {
    constexpr const char *FORM =
        "--columns takes column numbers from 1, as in 2,3,4, or with "
        "--header the column names of the heading";
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        const std::string item =
            text.substr(start, comma == std::string::npos ? std::string::npos
                                                          : comma - start);
        int column = 0;
        const auto [next, ec] =
            std::from_chars(item.data(), item.data() + item.size(), column);
        if (ec == std::errc() && next == item.data() + item.size()) {
            if (column < 1 || column > 1'000'000)
                throw UsageError(FORM);
            options.columns.push_back(column - 1);
            options.columnNames.emplace_back();
        } else {
            if (item.empty() || !options.header)
                throw UsageError(FORM);
            options.columns.push_back(0);
            options.columnNames.push_back(item);
        }
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    if (std::all_of(options.columnNames.begin(), options.columnNames.end(),
                    [](const std::string &name) { return name.empty(); }))
        options.columnNames.clear();
}

namespace {

/// The more accurate operations that a missing grid keeps out, as comment
/// lines after the pipelines.
std::string MissingText(const ProjTransform &proj) {
    std::string text;
    for (const MissingOperation &m : proj.Missing()) {
        std::string grids;
        for (const std::string &grid : m.missingGrids)
            grids += (grids.empty() ? "" : ", ") + EscapeForMessage(grid);
        text +=
            "# not installed, for " + m.operation.Label() + ": " + grids + "\n";
    }
    return text;
}

} // namespace

HeightSource ParseHeight(const std::string &text) {
    HeightSource height;
    try {
        height.value = Code::ParseReal(TrimBlanks(text), '.');
    } catch (const Code::ConversionError &) {
        if (TrimBlanks(text).empty())
            throw UsageError("--height takes a column name or a value");
        height.column = text;
    }
    return height;
}

std::string PipelineText(const BatchOptions &options,
                         const LineConverter &converter) {
    const Chain &chain = converter.Steps();
    // The values in the order the run reads and writes them.
    const bool swapIn =
        options.lonLat && converter.SourceAxes().EastFirstSwaps();
    const bool swapOut =
        options.lonLat && converter.TargetAxes().EastFirstSwaps();
    const ProjTransform *proj = chain.Proj();
    if (!proj || proj->Candidates().size() == 1)
        return chain.ProjPipeline(swapIn, swapOut) + "\n" +
               (proj ? MissingText(*proj) : "");
    const Conversion &conversion = options.conversion;
    std::string text;
    for (std::size_t i = 0; i < proj->Candidates().size(); ++i) {
        const OperationFacts &op = proj->Candidates()[i];
        text += "# " + op.Label() +
                (op.area.name.empty() ? std::string() : ", " + op.area.name) +
                "\n" +
                chain.CandidatePipeline(
                    i, swapIn && conversion.from.IsSystem(),
                    swapOut && conversion.to.IsSystem()) +
                "\n";
    }
    return text + MissingText(*proj);
}


void DeclareOptions(CLI::App &app, CommandLine &line) {
    app.add_option("files", line.inputs,
                   "Input files; none or - reads standard input");
    app.add_option("--from", line.from,
                   "Source datum and kind (geo, utm, tm, g7, ecef), a "
                   "system PROJ knows, or mgrs or geohash: references in one "
                   "column, on WGS 84")
        ->type_name("DATUM[:KIND]|SYSTEM|mgrs|geohash");
    app.add_option("--to", line.to,
                   "Target datum and kind, or system; or mgrs, ups or "
                   "geohash: the points on WGS 84 as references")
        ->type_name("DATUM[:KIND]|SYSTEM|mgrs|ups|geohash");
    app.add_option("--mgrs-precision", line.mgrsPrecision,
                   "Digits per coordinate of --to mgrs: 0 (the 100 km square) "
                   "to 11; default 5 (1 m)")
        ->check(CLI::Range(MGRS_DIGITS_MIN, MGRS_DIGITS_MAX));
    app.add_option("--geohash-length", line.geohashLength,
                   "Characters of --to geohash: 1 to 18; default 12")
        ->check(CLI::Range(GEOHASH_LENGTH_MIN, GEOHASH_LENGTH_MAX));
    app.add_option("-o,--output", line.output,
                   "Output file (default standard output)");
    app.add_flag("--lonlat,--easting-first", line.lonLat,
                 "The east axis first: longitude before latitude, easting "
                 "before northing, whatever the system's own order");
    app.add_option(
        "--delimiter", line.delimiter,
        "Field delimiter: a character, tab, comma, semicolon or space");
    app.add_option("--columns", line.columns,
                   "Coordinate columns, counted from 1, or heading names "
                   "(default: from the heading's names, else 1,2 and 3 if "
                   "present)")
        ->type_name("N,N[,N]");
    app.add_flag("--header", line.header,
                 "The first line of each input is its heading");
    app.add_option("--height", line.height,
                   "The height of every point: a column the heading names, "
                   "or a value (metres, or the source's height unit) in "
                   "place of any height column")
        ->type_name("COLUMN|VALUE");
    app.add_option("--format", line.format, "Geographic output: dd, dm or dms")
        ->check(CLI::IsMember({"dd", "dm", "dms"}));
    app.add_option("--precision", line.precision,
                   "Fixed decimals (default: 15 significant digits)")
        ->check(CLI::Range(0, 17));
    app.add_option("--output-format", line.outputFormat, "text or geojson")
        ->check(CLI::IsMember({"text", "geojson"}));
    app.add_option("--on-error", line.onError,
                   "A line that fails: comment (a comment line in its place, "
                   "the default), skip (left out) or stop")
        ->check(CLI::IsMember({"comment", "skip", "stop"}));
    app.add_option("--list", line.list,
                   "Print the catalogue (datums or ellipsoids) or the systems "
                   "PROJ knows (crs, with a filter on code, name or area: "
                   "--list crs korea)")
        ->expected(1, 2)
        ->type_name("WHAT [TEXT]");
    app.add_flag("--all", line.all, "With --list crs: deprecated systems too");
    app.add_option("--user-ellipsoid", line.userEllipsoid,
                   "User ellipsoid (index 0)")
        ->type_name("NAME,a,invf");
    app.add_option("--user-datum", line.userDatum, "User datum (index 0)")
        ->type_name("NAME,ELLIPSOID,dx,dy,dz");
    app.add_option("--utm-zone", line.utmZone,
                   "UTM zone of every utm side: 1 to 60 with N or S (52N, "
                   "56S), or auto (target: each point's standard zone, "
                   "Norway and Svalbard included; beyond 84 N and 80 S see "
                   "--to ups)");
    app.add_option("--from-utm-zone", line.fromUtmZone,
                   "UTM zone of the source (52N, 56S), or column: each "
                   "point's zone after its coordinates");
    app.add_option("--to-utm-zone", line.toUtmZone,
                   "UTM zone of the target (52N, 56S), or auto (each point's "
                   "standard zone)");
    static const struct {
        const char *name;
        std::optional<std::string> GridSettings::*field;
        const char *help;
    } GRID_OPTIONS[] = {
        {"false-easting", &GridSettings::falseEasting, "false easting (m)"},
        {"false-northing", &GridSettings::falseNorthing, "false northing (m)"},
        {"origin-lat", &GridSettings::originLat, "origin latitude (degrees)"},
        {"origin-lon", &GridSettings::originLon,
         "origin longitude (degrees; utm: its zone, tm: its belt)"},
        {"delta-lon", &GridSettings::deltaLon, "longitude delta (degrees)"},
    };
    for (const auto &option : GRID_OPTIONS) {
        for (const bool from : {true, false}) {
            GridSettings &grid = from ? line.fromGrid : line.toGrid;
            const auto field = option.field;
            app.add_option_function<std::string>(
                std::string(from ? "--from-" : "--to-") + option.name,
                [&grid, field](const std::string &value) {
                    grid.*field = value;
                },
                std::string(from ? "Source" : "Target") + " grid " +
                    option.help);
        }
    }
    app.add_flag("--trace", line.trace,
                 "Append the engine's calculation traces to files in the "
                 "current directory (runs one thread)");
    app.add_option("--threads", line.threads,
                   "Worker threads (default: all cores)")
        ->check(CLI::Range(1u, 256u));
    app.add_flag("-q,--quiet", line.quiet, "No progress line");
    app.add_flag("-v,--verbose", line.verbose,
                 "Name the operations used, their points and grid files, and "
                 "PROJ's versions at the end");
    app.add_flag("--allow-ballpark", line.allowBallpark,
                 "Let PROJ use a ballpark operation at points where no "
                 "published one serves (the run says how many)");
    app.add_flag("--require-best", line.requireBest,
                 "Points where a more accurate operation's grid is missing "
                 "are errors");
    app.add_option("--outside-area", line.outsideArea,
                   "A point outside the area of use of the operation used: "
                   "warn (converted, told at the end) or error")
        ->check(CLI::IsMember({"warn", "error"}));
    app.add_flag("--proj", line.proj,
                 "Print the PROJ pipeline of --from to --to (values in the "
                 "converter's order), every candidate with its area where "
                 "PROJ chooses per point, and convert nothing");
}

namespace {

/// The user rows of @p line into @p options, and the catalogue with them in
/// force: datum names may refer to them.
COORD CatalogueOf(const CommandLine &line, ConversionOptions &options) {
    if (!line.userEllipsoid.empty())
        options.userEllipsoid = ParseUserEllipsoid(line.userEllipsoid);
    if (!line.userDatum.empty())
        options.userDatum = ParseUserDatum(
            line.userDatum, CatalogueWith(options.userEllipsoid, std::nullopt));
    return CatalogueWith(options.userEllipsoid, options.userDatum);
}

/// A side's grid options: on a catalogue side with its kind, into its
/// grid settings; a PROJ system fixes its own.
void ApplyGrid(const GridSettings &grid, ConversionSide &side,
               const char *name) {
    if (CatalogueSide *catalogue = side.Catalogue()) {
        catalogue->grid = grid;
        return;
    }
    const struct {
        const std::optional<std::string> &field;
        const char *what, *option;
    } own[] = {{grid.falseEasting, "false easting", "false-easting"},
               {grid.falseNorthing, "false northing", "false-northing"},
               {grid.originLat, "origin latitude", "origin-lat"},
               {grid.originLon, "origin longitude", "origin-lon"},
               {grid.deltaLon, "longitude delta", "delta-lon"}};
    for (const auto &item : own)
        if (item.field)
            throw UsageError(side.System()->definition + " fixes its own " +
                             item.what + "; leave out --" + name + "-" +
                             item.option);
}

/// The zone options into the sides' grid settings.
void ApplyZones(const CommandLine &line, BatchOptions &options,
                GridSettings &fromGrid, GridSettings &toGrid) {
    const bool fromUtm = options.conversion.from.Kind() == GridKind::Utm;
    const bool toUtm = options.conversion.to.Kind() == GridKind::Utm;
    if (!line.utmZone.empty()) {
        if (!line.fromUtmZone.empty() || !line.toUtmZone.empty())
            throw UsageError(
                "--utm-zone and --from-utm-zone or --to-utm-zone together");
        if (!fromUtm && !toUtm)
            throw UsageError("--utm-zone needs a utm side");
        if (fromUtm && line.utmZone == "auto")
            throw UsageError("--utm-zone auto needs a utm target; give a "
                             "utm source its zone with --from-utm-zone");
        if (fromUtm)
            ApplyZone(line.utmZone, fromGrid, "--utm-zone", true, options);
        if (toUtm)
            ApplyZone(line.utmZone, toGrid, "--utm-zone", false, options);
    }
    if (!line.fromUtmZone.empty()) {
        if (!fromUtm)
            throw UsageError("--from-utm-zone needs a utm source");
        ApplyZone(line.fromUtmZone, fromGrid, "--from-utm-zone", true, options);
    }
    if (!line.toUtmZone.empty()) {
        if (!toUtm)
            throw UsageError("--to-utm-zone needs a utm target");
        ApplyZone(line.toUtmZone, toGrid, "--to-utm-zone", false, options);
    }
    if (fromUtm && !fromGrid.originLon && !options.sourceZoneColumn)
        throw UsageError("a utm source needs its zone: --from-utm-zone "
                         "1 to 60 with N or S (52N, 56S), or column");
}

} // namespace

std::string ListText(const CommandLine &line) {
    if (line.all && (line.list.empty() || line.list[0] != "crs"))
        throw UsageError("--all goes with --list crs");
    if (line.list.empty())
        return {};
    const std::string &what = line.list[0];
    if (what != "datums" && what != "ellipsoids" && what != "crs")
        throw UsageError("--list takes datums, ellipsoids or crs");
    if (line.list.size() == 2 && what != "crs")
        throw UsageError("--list takes a filter only after crs");
    if (what == "crs")
        return ListCrs(line.list.size() == 2 ? line.list[1] : std::string(),
                       line.all);
    ConversionOptions rows;
    const COORD catalogue = CatalogueOf(line, rows);
    return ListCatalogue(what == "datums" ? Listing::Datums
                                          : Listing::Ellipsoids,
                         catalogue);
}

BatchOptions ReadCommandLine(const CommandLine &line) {
    BatchOptions options;
    options.inputs = line.inputs;
    options.output = line.output;
    Conversion &conversion = options.conversion;
    const COORD catalogue = CatalogueOf(line, conversion.options);
    if (line.from.empty() || line.to.empty())
        throw UsageError("--from and --to are required");
    // A reference form is a point on WGS 84 geographic, written or read as
    // one text: the chain carries any other side there.
    options.sourceForm = ReferenceFormNamed(line.from);
    options.targetForm = ReferenceFormNamed(line.to);
    conversion.from = options.sourceForm != ReferenceForm::None
                          ? ConversionSide::OnDatum(DATUM_WGS84)
                          : ParseSide(line.from, catalogue, FaultSide::From);
    conversion.to = options.targetForm != ReferenceForm::None
                        ? ConversionSide::OnDatum(DATUM_WGS84)
                        : ParseSide(line.to, catalogue, FaultSide::To);
    if (line.mgrsPrecision >= 0) {
        if (options.targetForm != ReferenceForm::Mgrs)
            throw UsageError("--mgrs-precision goes with --to mgrs");
        options.mgrsDigits = line.mgrsPrecision;
    }
    if (line.geohashLength >= 0) {
        if (options.targetForm != ReferenceForm::Geohash)
            throw UsageError("--geohash-length goes with --to geohash");
        options.geohashLength = line.geohashLength;
    }
    GridSettings fromGrid = line.fromGrid, toGrid = line.toGrid;
    ApplyZones(line, options, fromGrid, toGrid);
    ApplyGrid(fromGrid, conversion.from, "from");
    ApplyGrid(toGrid, conversion.to, "to");
    conversion.options.trace = line.trace;
    conversion.options.allowBallpark = line.allowBallpark;
    conversion.options.outsideArea = line.outsideArea == "error"
                                         ? OutsidePolicy::Error
                                         : OutsidePolicy::Warn;
    conversion.options.requireBest = line.requireBest;
    options.lonLat = line.lonLat;
    options.header = line.header;
    if (!line.delimiter.empty())
        options.delimiter = ParseDelimiter(line.delimiter);
    if (!line.columns.empty())
        ParseColumns(line.columns, options);
    if (!line.height.empty())
        options.height = ParseHeight(line.height);
    options.precision = line.precision;
    options.angleFormat = line.format == "dm"    ? AngleFormat::Dm
                          : line.format == "dms" ? AngleFormat::Dms
                                                 : AngleFormat::Dd;
    options.outputFormat = line.outputFormat == "geojson" ? OutputFormat::GeoJson
                                                          : OutputFormat::Text;
    options.onError = line.onError == "stop"   ? ErrorPolicy::Stop
                      : line.onError == "skip" ? ErrorPolicy::Skip
                                               : ErrorPolicy::Comment;
    options.verbose = line.verbose;
    options.words = CommandLineWords();
    // Trace records from several threads would interleave in the files.
    // RunBatch caps the count by its memory budget.
    options.threads = line.trace ? 1 : line.threads;
    CheckOptions(options);
    return options;
}
