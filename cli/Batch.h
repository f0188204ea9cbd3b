// nolvex-convert's logic: options, the conversion of one line, blocks of
// lines, and the run over all inputs with worker threads.
#pragma once

#include "Chain.h"
#include "LineReader.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

enum class AngleFormat { Dd, Dm, Dms };
enum class OutputFormat { Text, GeoJson };
enum class ErrorPolicy { Continue, Stop };

/// A command line that asks for something impossible; the program says what
/// and exits with status 2.
class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

/// Everything a run needs, checked (see CheckOptions).
struct BatchOptions {
    ChainSettings chain;
    std::vector<std::string> inputs; ///< empty or "-": standard input
    std::string output;              ///< empty or "-": standard output
    bool lonLat = false;             ///< geographic fields longitude first
    std::optional<char> delimiter;   ///< 0 = runs of blanks; unset = detect
    std::vector<int> columns;        ///< 0-based; empty = 0, 1 and 2 if there
    bool header = false;             ///< first line of each input passes
    AngleFormat angleFormat = AngleFormat::Dd;
    int precision = -1; ///< fixed decimals; -1 = the 15-digit general format
    OutputFormat outputFormat = OutputFormat::Text;
    ErrorPolicy onError = ErrorPolicy::Continue;
    unsigned threads = 1;
    bool progress = false; ///< progress line on standard error
};

/// Checks what the options parser cannot: kinds against grid settings and
/// formats, columns, GeoJSON's target.
/// @throws UsageError.
void CheckOptions(const BatchOptions &options);

// ---- catalogue names
// ---------------------------------------------------------

/// A datum given as an index (0 to 133), "WGS84", a catalogue code naming one
/// datum ("TOY-B", case ignored), the full catalogue text ("Tokyo(---)") or a
/// name without code that names one datum ("Adindan").
/// @param catalogue an engine holding the user rows in force.
/// @throws UsageError for no match or several.
std::int32_t ResolveDatum(std::string_view text, const COORD &catalogue);

/// An ellipsoid given the same ways (index 0 to 28, code, text, name).
std::int32_t ResolveEllipsoid(std::string_view text, const COORD &catalogue);

/// "DATUM[:KIND]" with KIND geo, utm, tm, g7 or ecef; fills datum and kind.
void ParseSide(std::string_view text, const COORD &catalogue,
               SideSettings &side);

/// "NAME,a,invf". @throws UsageError.
UserEllipsoid ParseUserEllipsoid(std::string_view text);

/// "NAME,ellipsoid,dx,dy,dz", the ellipsoid as ResolveEllipsoid takes it.
UserDatum ParseUserDatum(std::string_view text, const COORD &catalogue);

/// The catalogue table for --list: "datums" or "ellipsoids", tab-separated
/// with a heading line.
std::string ListCatalogue(std::string_view what, const COORD &catalogue);

// ---- one line
// -------------------------------------------------------------------

/// Output bytes of one block: grows, never shrinks, so a reused buffer stops
/// allocating once it has seen its largest block.
class OutBuffer {
  public:
    /// Room for @p n more bytes; returns where to write them.
    char *Reserve(std::size_t n);
    /// Marks the bytes up to @p end as written.
    void Commit(char *end) {
        m_nSize = static_cast<std::size_t>(end - m_data.data());
    }
    void Append(std::string_view text);
    void Clear() { m_nSize = 0; }
    std::string_view View() const { return {m_data.data(), m_nSize}; }

  private:
    std::vector<char> m_data;
    std::size_t m_nSize = 0;
};

/// How the lines of one input file are laid out.
struct FileFormat {
    char delimiter = 0; ///< 0: runs of blanks
    /// GeoJSON property keys by field index, quoted and escaped; further
    /// fields are "fieldN".
    const std::vector<std::string> *keys = nullptr;
};

/// GeoJSON property keys from a heading line: each name that is not empty
/// and not repeated, else "fieldN" (N counted from 1).
std::vector<std::string> PropertyKeys(std::string_view header, char delimiter);

/**
 * Converts data lines with one chain. One per thread.
 */
class LineConverter {
  public:
    /// @throws SetupError.
    explicit LineConverter(const BatchOptions &options);

    /**
     * Converts one data line.
     * @param[in] line the line without its line end.
     * @param[in] lineEnd the line end to write ("\n" or "\r\n").
     * @param[out] out receives the output line, or nothing when the line
     *   fails.
     * @throws std::exception with the message for the line.
     */
    void Convert(std::string_view line, std::string_view lineEnd,
                 const FileFormat &format, OutBuffer &out);

    Chain &GetChain() { return m_chain; }

  private:
    char *FormatValue(char *p, double value) const;
    char *FormatAngle(char *p, double value, char joiner) const;
    void WriteGeoJson(const double out[3], const FileFormat &format,
                      OutBuffer &buffer);

    const BatchOptions &m_options;
    Chain m_chain;
    int m_columns[3];
    int m_nColumns;
    bool m_bThirdOptional;
    std::vector<std::string_view> m_fields;
};

// ---- blocks
// -----------------------------------------------------------------------

/// One failed line of a block, counted from 1 at the block's first line.
struct LineError {
    std::size_t line;
    std::string message;
};

/// What a block gave.
struct BlockResult {
    OutBuffer out;
    std::vector<LineError> errors;
    std::size_t lines = 0;  ///< lines of the block
    std::size_t points = 0; ///< lines converted
    bool stopped = false;   ///< ended at a failed line (ErrorPolicy::Stop)

    void Clear() {
        out.Clear();
        errors.clear();
        lines = points = 0;
        stopped = false;
    }
};

/// Converts the lines of @p block: the heading line (when @p headerFirst)
/// and comment or blank lines pass through, data lines are converted.
void ProcessBlock(LineConverter &converter, const BatchOptions &options,
                  const BlockText &block, bool headerFirst,
                  const FileFormat &format, BlockResult &result);

// ---- a whole run
// --------------------------------------------------------------

/// Name used in messages for standard input.
inline constexpr std::string_view STDIN_NAME = "<stdin>";

/**
 * Converts every input into @p outFd, messages to @p errFd.
 * @return 0 when every line converted, 1 when a line or an input failed.
 * @throws SetupError before any output when the engines cannot be set up.
 */
int RunBatch(const BatchOptions &options, int outFd, int errFd);
