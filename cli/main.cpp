// nolvex-convert: the window's transformation and conversion commands over
// files of points. Command line, output file and exit status.
#include "AngleText.h"
#include "Batch.h"
#include "FileJob.h"
#include "OutputFile.h"

#include <CLI/CLI.hpp>

#include <cerrno>
#include <charconv>
#include <csignal>
#include <fcntl.h>
#include <iostream>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <algorithm>
#include <optional>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int EXIT_USAGE = 2;

constexpr const char *EXAMPLES = R"HELP(Examples:
  Points on WGS 84 to the Tokyo datum, decimal degrees in and out:
    nolvex-convert --from WGS84 --to "Tokyo(---)" points.txt
  Latitude, longitude in columns 2 and 3 of a CSV file with a heading, to
  UTM zone 52 on the Tokyo datum:
    nolvex-convert --header --columns 2,3 --from WGS84 --to TOY-B:utm \
        --to-utm-zone 52N survey.csv -o survey-utm.csv
  UTM on WGS 84, each point in its own zone (written after Z as 52N, 56S):
    nolvex-convert --from WGS84 --to WGS84:utm --utm-zone auto gps.txt
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
axis order: latitude before longitude for EPSG:4326, northing before easting
for the Korean belts and the Japanese zones, easting first for UTM; X, Y, Z
for EPSG:4978; --lonlat (or --easting-first) puts the east axis first. PROJ
chooses the operation at each point as cs2cs does; a catalogue datum meets a
PROJ system through WGS 84 geographic. A point outside the area of use of the
operation used is converted and told (--outside-area error refuses it).

Columns: --columns by numbers or heading names, in the source's order;
otherwise, with --header, the heading's names when they say which column is
which (lat, latitude, lon, long, lng, longitude, easting, northing, e, n, h,
height, alt, altitude, z, the Korean and Japanese names, the system's own
axis names); otherwise the first columns. A bare x or y outside ECEF is
refused: EPSG calls northing X in the Korean and Japanese grids.

Input: one point per line; latitude, longitude and an optional height, or X,
Y and an optional Z for a grid; fields separated by blanks, commas,
semicolons or tabs (detected from the first data line), CSV quoting read.
Angles as decimal degrees or 37:28:54.63, 37°28'54.63", 37d28m54.63s,
37°28.9105', 37 28 54.63 N, with one letter N, S, E or W before or after
(it decides which coordinate the angle is) or a sign. Minutes and seconds
below 60, latitudes within 90, longitudes from -180 to below 360.
A line that fails is written in its place as "# ERROR: message | line" and
reported as "nolvex-convert: FILE:LINE: message" on standard error (FILE is
<stdin> for standard input). Lines starting with # and blank lines pass
through. Exit status 0 when all lines converted, 1 when a line or an input
failed, 2 for a usage error.)HELP";

[[noreturn]] void Usage(const std::string &message) {
    // Options may hold any bytes: none reaches the terminal raw.
    std::cerr << "nolvex-convert: " << EscapeForMessage(message)
              << "\nRun with --help for more information.\n";
    std::exit(EXIT_USAGE);
}

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
    Usage("--delimiter takes one character, tab, comma, semicolon or space");
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
                Usage(FORM);
            options.columns.push_back(column - 1);
            options.columnNames.emplace_back();
        } else {
            if (item.empty() || !options.header)
                Usage(FORM);
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

/// Turns a zone option into what the projection-origin dialog would get
/// (see SetUtmZone), or into auto or column.
void ApplyZone(const std::string &zone, GridSettings &grid, const char *option,
               bool source, BatchOptions &options) {
    if (zone == "auto" && !source) {
        if (grid.falseNorthing)
            Usage(std::string(option) +
                  " auto sets the false northing by hemisphere; leave out "
                  "--to-false-northing");
        grid.autoZone = true;
        return;
    }
    if (zone == "column" && source) {
        if (grid.originLon || grid.falseNorthing)
            Usage(std::string(option) +
                  " column and an origin longitude or false northing together");
        options.sourceZoneColumn = true;
        return;
    }
    char hemisphere = 0;
    int number = 0;
    if (!ParseUtmZone(zone, number, hemisphere))
        Usage(std::string(option) + " takes a zone from 1 to 60, with N or S " +
              (source ? "for its hemisphere, or column"
                      : "for its hemisphere, or auto"));
    if (grid.originLon)
        Usage(std::string(option) + " and an origin longitude together");
    if (hemisphere != 0 && grid.falseNorthing)
        Usage(std::string(option) + " " + std::to_string(number) + hemisphere +
              " sets the false northing; leave out the "
              "false-northing option");
    SetUtmZone(grid, number, hemisphere);
}

/**
 * What --proj prints: between catalogue datums, or with one PROJ operation
 * to choose, the chain's pipeline in one line (cct runs it); where PROJ
 * chooses per point, every candidate on a line of its own after a comment
 * line with its label and area.
 */
std::string PipelineText(const BatchOptions &options, const Chain &chain) {
    const ProjTransform *proj = chain.Proj();
    if (!proj || proj->Candidates().size() == 1)
        return Chain(options.chain).ProjPipeline() + "\n";
    std::string text;
    for (const OperationFacts &op : proj->Candidates())
        text += "# " + op.Label() +
                (op.area.name.empty() ? std::string() : ", " + op.area.name) +
                "\n" + op.proj + "\n";
    return text;
}

/// Makes sure descriptors 0 to 2 are open, on /dev/null where they are not,
/// so that no file opened later takes their number (an output file as
/// descriptor 2 would receive the messages).
/// @return true when standard output was closed: what goes there is lost.
bool EnsureStandardDescriptors() {
    bool stdoutClosed = false;
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        const int opened = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (opened != fd) // open returns the lowest free number: fd itself
            std::_Exit(EXIT_USAGE);
        stdoutClosed = stdoutClosed || fd == 1;
    }
    return stdoutClosed;
}

/// Ends the run when its results would go to a closed standard output.
void NeedStandardOutput(bool closed) {
    if (!closed)
        return;
    std::cerr << "nolvex-convert: standard output is closed; name an output "
                 "file with -o\n";
    std::exit(1);
}

/// Text for standard output, written whole and flushed.
/// @return the exit status: 1 when it could not be written.
int PrintOut(const std::string &text) {
    std::cout << text << std::flush;
    if (std::cout)
        return 0;
    std::cerr << "nolvex-convert: cannot write to standard output\n";
    return 1;
}

} // namespace

int main(int argc, char **argv) {
    const bool stdoutClosed = EnsureStandardDescriptors();
#ifdef __GLIBC__
    // Buffers of long lines are mapped and unmapped on their own: with the
    // threshold fixed, glibc does not raise it after the first free and then
    // keep the freed megabytes of every thread's arena.
    mallopt(M_MMAP_THRESHOLD, 256 * 1024);
#endif
    // A reader of standard error that goes away must not end the run: the
    // messages are best effort, the output is not (a failed write of it is
    // an error of its own).
    std::signal(SIGPIPE, SIG_IGN);
    // Ctrl-C, kill or a closed terminal during a run into -o FILE leaves
    // FILE as it was and no temporary file beside it.
    OutputFile::RemoveOnSignals();

    CLI::App app{"Converts files of points between the datums and grids of "
                 "the catalogue, as the window's commands do.",
                 "nolvex-convert"};
    app.footer(EXAMPLES);
    app.set_version_flag("--version", [] {
        return std::string("nolvex-convert ") + NOLVEX_VERSION + "\n" +
               ProjVersionText();
    });

    BatchOptions options;
    std::optional<LineConverter> check; // options checked, engines set up
    std::string fromText, toText, delimiterText, columnsText, listText;
    std::string formatText = "dd", outputFormatText = "text",
                onErrorText = "comment";
    std::string userEllipsoidText, userDatumText;
    std::string utmZone, fromUtmZone, toUtmZone;
    unsigned threads = std::max(1u, std::thread::hardware_concurrency());
    bool quiet = false;
    bool progress = false; // the progress line on standard error
    GridSettings fromGrid, toGrid;

    app.add_option("files", options.inputs,
                   "Input files; none or - reads standard input");
    app.add_option("--from", fromText,
                   "Source datum and kind (geo, utm, tm, g7, ecef)")
        ->type_name("DATUM[:KIND]");
    app.add_option("--to", toText, "Target datum and kind")
        ->type_name("DATUM[:KIND]");
    app.add_option("-o,--output", options.output,
                   "Output file (default standard output)");
    app.add_flag("--lonlat,--easting-first", options.lonLat,
                 "The east axis first: longitude before latitude, easting "
                 "before northing, whatever the system's own order");
    app.add_option(
        "--delimiter", delimiterText,
        "Field delimiter: a character, tab, comma, semicolon or space");
    app.add_option(
           "--columns", columnsText,
           "Coordinate columns, counted from 1 (default 1,2 and 3 if present)")
        ->type_name("N,N[,N]");
    app.add_flag("--header", options.header,
                 "The first line of each input passes through");
    app.add_option("--format", formatText, "Geographic output: dd, dm or dms")
        ->check(CLI::IsMember({"dd", "dm", "dms"}));
    app.add_option("--precision", options.precision,
                   "Fixed decimals (default: 15 significant digits)")
        ->check(CLI::Range(0, 17));
    app.add_option("--output-format", outputFormatText, "text or geojson")
        ->check(CLI::IsMember({"text", "geojson"}));
    app.add_option("--on-error", onErrorText,
                   "A line that fails: comment (a comment line in its place, "
                   "the default), skip (left out) or stop")
        ->check(CLI::IsMember({"comment", "skip", "stop"}));
    std::vector<std::string> listWords;
    app.add_option("--list", listWords,
                   "Print the catalogue (datums or ellipsoids) or the systems "
                   "PROJ knows (crs, with a filter on code, name or area: "
                   "--list crs korea)")
        ->expected(1, 2)
        ->type_name("WHAT [TEXT]");
    app.add_option("--user-ellipsoid", userEllipsoidText,
                   "User ellipsoid (index 0)")
        ->type_name("NAME,a,invf");
    app.add_option("--user-datum", userDatumText, "User datum (index 0)")
        ->type_name("NAME,ELLIPSOID,dx,dy,dz");
    app.add_option("--utm-zone", utmZone,
                   "UTM zone of every utm side: 1 to 60 with N or S (52N, "
                   "56S), or auto (target)");
    app.add_option("--from-utm-zone", fromUtmZone,
                   "UTM zone of the source (52N, 56S), or column: each "
                   "point's zone after its coordinates");
    app.add_option("--to-utm-zone", toUtmZone,
                   "UTM zone of the target (52N, 56S), or auto");
    struct GridOption {
        const char *name;
        std::optional<std::string> GridSettings::*field;
        const char *help;
    };
    const GridOption gridOptions[] = {
        {"false-easting", &GridSettings::falseEasting, "false easting (m)"},
        {"false-northing", &GridSettings::falseNorthing, "false northing (m)"},
        {"origin-lat", &GridSettings::originLat, "origin latitude (degrees)"},
        {"origin-lon", &GridSettings::originLon,
         "origin longitude (degrees; utm: its zone, tm: its belt)"},
        {"delta-lon", &GridSettings::deltaLon, "longitude delta (degrees)"},
    };
    std::vector<std::string> gridTexts(2 * std::size(gridOptions));
    for (std::size_t i = 0; i < std::size(gridOptions); ++i) {
        app.add_option(std::string("--from-") + gridOptions[i].name,
                       gridTexts[2 * i],
                       std::string("Source grid ") + gridOptions[i].help);
        app.add_option(std::string("--to-") + gridOptions[i].name,
                       gridTexts[2 * i + 1],
                       std::string("Target grid ") + gridOptions[i].help);
    }
    app.add_flag("--trace", options.chain.trace,
                 "Append the engine's calculation traces to files in the "
                 "current directory "
                 "(runs one thread)");
    app.add_option("--threads", threads, "Worker threads (default: all cores)")
        ->check(CLI::Range(1u, 256u));
    app.add_flag("-q,--quiet", quiet, "No progress line");
    app.add_flag("-v,--verbose", options.verbose,
                 "Name the operations used, their points and grid files, and "
                 "PROJ's versions at the end");
    app.add_flag("--allow-ballpark", options.chain.allowBallpark,
                 "Let PROJ use a ballpark operation where no published one "
                 "exists (a warning says so)");
    app.add_flag("--require-best", options.requireBest,
                 "Points where a more accurate operation's grid is missing "
                 "are errors");
    std::string outsideText = "warn";
    app.add_option("--outside-area", outsideText,
                   "A point outside the area of use of the operation used: "
                   "warn (converted, told at the end) or error")
        ->check(CLI::IsMember({"warn", "error"}));
    bool proj = false;
    app.add_flag("--proj", proj,
                 "Print the PROJ pipeline of --from to --to (values in the "
                 "converter's order), every candidate with its area where "
                 "PROJ chooses per point, and convert nothing");

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp &e) {
        NeedStandardOutput(stdoutClosed);
        app.exit(e);
        return PrintOut("");
    } catch (const CLI::CallForVersion &e) {
        NeedStandardOutput(stdoutClosed);
        app.exit(e);
        return PrintOut("");
    } catch (const CLI::ParseError &e) {
        Usage(e.what());
    }

    try {
        // The user rows first: datum names may refer to them.
        COORD catalogue(DATUM_WGS84);
        if (!userEllipsoidText.empty()) {
            options.chain.userEllipsoid = ParseUserEllipsoid(userEllipsoidText);
            const UserEllipsoid &e = *options.chain.userEllipsoid;
            catalogue.SetUserEllipsoid(e.name.c_str(), e.a, e.invf);
        }
        if (!userDatumText.empty()) {
            options.chain.userDatum = ParseUserDatum(userDatumText, catalogue);
            const UserDatum &d = *options.chain.userDatum;
            catalogue.SetUserDatum(d.name.c_str(), d.ellipsoid, d.dx, d.dy,
                                   d.dz);
        }
        for (const std::string &word : listWords)
            listText += (listText.empty() ? "" : " ") + word;
        if (!listWords.empty() && listWords[0] != "datums" &&
            listWords[0] != "ellipsoids" && listWords[0] != "crs")
            throw UsageError("--list takes datums, ellipsoids or crs");
        if (listWords.size() == 2 && listWords[0] != "crs")
            throw UsageError("--list takes a filter only after crs");
        if (!listText.empty()) {
            const std::string table = ListCatalogue(listText, catalogue);
            NeedStandardOutput(stdoutClosed);
            return PrintOut(table);
        }
        if (fromText.empty() || toText.empty())
            throw UsageError("--from and --to are required");
        ParseSide(fromText, catalogue, options.chain.from);
        ParseSide(toText, catalogue, options.chain.to);

        for (std::size_t i = 0; i < std::size(gridOptions); ++i) {
            if (app.count(std::string("--from-") + gridOptions[i].name))
                fromGrid.*gridOptions[i].field = gridTexts[2 * i];
            if (app.count(std::string("--to-") + gridOptions[i].name))
                toGrid.*gridOptions[i].field = gridTexts[2 * i + 1];
        }
        if (!utmZone.empty()) {
            if (!fromUtmZone.empty() || !toUtmZone.empty())
                throw UsageError(
                    "--utm-zone and --from-utm-zone or --to-utm-zone together");
            const bool fromUtm = options.chain.from.kind == CS_UTM;
            const bool toUtm = options.chain.to.kind == CS_UTM;
            if (!fromUtm && !toUtm)
                throw UsageError("--utm-zone needs a utm side");
            if (fromUtm && utmZone == "auto")
                throw UsageError("--utm-zone auto needs a utm target; give a "
                                 "utm source its zone with --from-utm-zone");
            if (fromUtm)
                ApplyZone(utmZone, fromGrid, "--utm-zone", true, options);
            if (toUtm)
                ApplyZone(utmZone, toGrid, "--utm-zone", false, options);
        }
        if (!fromUtmZone.empty()) {
            if (options.chain.from.kind != CS_UTM)
                throw UsageError("--from-utm-zone needs a utm source");
            ApplyZone(fromUtmZone, fromGrid, "--from-utm-zone", true, options);
        }
        if (!toUtmZone.empty()) {
            if (options.chain.to.kind != CS_UTM)
                throw UsageError("--to-utm-zone needs a utm target");
            ApplyZone(toUtmZone, toGrid, "--to-utm-zone", false, options);
        }
        if (options.chain.from.kind == CS_UTM && !fromGrid.originLon &&
            !options.sourceZoneColumn)
            throw UsageError("a utm source needs its zone: --from-utm-zone "
                             "1 to 60 with N or S (52N, 56S), or column");
        options.chain.from.grid = fromGrid;
        options.chain.to.grid = toGrid;

        if (!delimiterText.empty())
            options.delimiter = ParseDelimiter(delimiterText);
        if (!columnsText.empty())
            ParseColumns(columnsText, options);
        options.angleFormat = formatText == "dm"    ? AngleFormat::Dm
                              : formatText == "dms" ? AngleFormat::Dms
                                                    : AngleFormat::Dd;
        options.outputFormat = outputFormatText == "geojson"
                                   ? OutputFormat::GeoJson
                                   : OutputFormat::Text;
        options.onError = onErrorText == "stop"   ? ErrorPolicy::Stop
                          : onErrorText == "skip" ? ErrorPolicy::Skip
                                                  : ErrorPolicy::Comment;
        options.outsideArea = outsideText == "error" ? OutsidePolicy::Error
                                                     : OutsidePolicy::Warn;
        // Trace records from several threads would interleave in the files.
        // RunBatch caps the count by its memory budget.
        options.threads = options.chain.trace ? 1 : threads;
        // The progress line goes to a terminal on standard error, unless the
        // output goes to that same terminal (it would land between results).
        const bool toStdout = options.output.empty() || options.output == "-";
        struct stat errStat {};
        progress =
            !quiet && ::isatty(2) == 1 && ::fstat(2, &errStat) == 0 &&
            !(toStdout && ::isatty(1) == 1 && SameFile(1, errStat));
        CheckOptions(options);
        // The engines and PROJ's operation are set up once here, so that a
        // setup fault is told before the output file is created.
        check.emplace(options);
        if (proj) {
            NeedStandardOutput(stdoutClosed);
            return PrintOut(PipelineText(options, check->Steps()));
        }
    } catch (const UsageError &e) {
        Usage(e.what());
    } catch (const SetupError &e) {
        Usage(e.what());
    } catch (const ProjError &e) {
        Usage(e.what());
    }

    try {
        CheckOutputIsNoInput(options);
        if (options.chain.trace)
            CheckTraceFilesAreNoInputs(options);
    } catch (const UsageError &e) {
        Usage(e.what());
    }
    const bool named = !options.output.empty() && options.output != "-";
    if (!named)
        NeedStandardOutput(stdoutClosed);

    StreamObserver observer(2, progress);
    try {
        const BatchSummary summary =
            named ? ConvertToFile(options, observer, nullptr, &*check)
                  : RunBatch(options, 1, observer, nullptr, &*check);
        observer.Finish();
        return summary.ExitStatus();
    } catch (const UnwritableFolderError &e) {
        // The file can be written in place, though not whole or not at all.
        observer.Finish();
        observer.Message(EscapeForMessage(
            std::string(e.what()) +
            ", or write to standard output instead (nolvex-convert ... > " +
            options.output + ")"));
        return 1;
    } catch (const IoError &e) {
        observer.Finish();
        observer.Message(EscapeForMessage(e.what()));
        return 1;
    } catch (const SetupError &e) {
        Usage(e.what());
    } catch (const std::exception &e) {
        observer.Message(e.what());
        return 1;
    }
}
