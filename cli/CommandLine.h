// The command line of nolvex-convert: its options as typed, read into the
// options of a batch run by rules that are functions of their own (the
// program's main only wires them).
#pragma once

#include "LineConvert.h"

#include <string>
#include <vector>

namespace CLI {
class App;
}

/// The options as typed, before any is read.
struct CommandLine {
    std::vector<std::string> inputs;
    std::string output;
    std::string from, to;
    std::string delimiter, columns;
    std::string height; ///< --height COLUMN|VALUE
    std::string format = "dd", outputFormat = "text", onError = "comment";
    std::string outsideArea = "warn";
    std::vector<std::string> list; ///< --list WHAT [TEXT]
    std::string userEllipsoid, userDatum;
    std::string utmZone, fromUtmZone, toUtmZone;
    GridSettings fromGrid, toGrid; ///< the grid options typed
    bool lonLat = false, header = false, trace = false, quiet = false;
    bool verbose = false, allowBallpark = false, requireBest = false;
    bool proj = false;
    bool all = false; ///< --list crs: deprecated systems too
    int precision = -1;
    int mgrsPrecision = -1; ///< --mgrs-precision; -1 when not given
    int geohashLength = -1; ///< --geohash-length; -1 when not given
    unsigned threads = 1;
};

/// The help text's examples and notes, after the options.
extern const char *const COMMAND_LINE_NOTES;

/// Declares every option on @p app, each stored into @p line when parsed.
void DeclareOptions(CLI::App &app, CommandLine &line);

/**
 * What --list asks for: the table to print, empty without --list.
 * @throws UsageError.
 */
std::string ListText(const CommandLine &line);

/**
 * Reads @p line into the options of a run and checks them (see
 * CheckOptions): sides, user rows, zones, grid settings, columns, formats,
 * policies. The thread count is the one given, 1 with --trace.
 * @throws UsageError, SetupError, ProjError.
 */
BatchOptions ReadCommandLine(const CommandLine &line);

/// "tab", "comma", "semicolon", "space" or one character.
/// @throws UsageError.
char ParseDelimiter(const std::string &text);

/// "2,3,4", or heading names with --header ("lat,lon,h"), or both, into
/// options.columns and options.columnNames. @throws UsageError.
void ParseColumns(const std::string &text, BatchOptions &options);

/// --height: a number is a value for every point, any other text a column
/// name of the heading. @throws UsageError.
HeightSource ParseHeight(const std::string &text);

/**
 * What --proj prints: between catalogue datums, or with one PROJ operation
 * to choose, the chain's pipeline in one line (cct runs it); where PROJ
 * chooses per point, every candidate on a line of its own after a comment
 * line with its label and area. The values in the order the run reads and
 * writes them (east first with --lonlat).
 */
std::string PipelineText(const BatchOptions &options,
                         const LineConverter &converter);
