// What a run writes, one class per output format behind one interface: the
// text of each line with its values replaced, or a GeoJSON feature per
// point. A new format is one new class.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

/// Output bytes of one block. Grows as needed; Release gives back memory
/// that a large block needed, so that no buffer keeps its peak size.
class OutBuffer {
  public:
    /// Room for @p n more bytes; returns where to write them.
    char *Reserve(std::size_t n);
    /// Marks the bytes up to @p end as written.
    void Commit(char *end) {
        m_nSize = static_cast<std::size_t>(end - m_data.get());
    }
    void Append(std::string_view text);
    void Clear() { m_nSize = 0; }
    std::string_view View() const { return {m_data.get(), m_nSize}; }
    std::size_t Capacity() const { return m_nCapacity; }
    /// Frees the storage when it is larger than @p keep bytes.
    void Release(std::size_t keep);

  private:
    std::unique_ptr<char[]> m_data;
    std::size_t m_nCapacity = 0;
    std::size_t m_nSize = 0;
};

/// Room for one formatted value: a fixed-decimal double has up to 309
/// integer digits, a sign, a point and 17 decimals.
constexpr std::size_t VALUE_ROOM = 340;

class LineConverter;
struct FileFormat;
struct BatchOptions;

/// A line's point once converted, as a writer writes it.
struct ConvertedPoint {
    const double *values; ///< the target's own values
    std::int32_t zone;    ///< the target's UTM zone, 0 for none
    bool south;
    /// The height had a column of its own in the line.
    bool heightColumn;
    /// The line gave its latitude first (hemisphere letters may say not).
    bool firstIsLatitude;
};

/// Room for the text of one reference: an MGRS reference or a geohash (at
/// most 27 characters), or UPS's hemisphere and two values.
constexpr std::size_t REFERENCE_ROOM = 2 * VALUE_ROOM + 8;

/**
 * What a run writes for each kind of line, and around the whole output.
 * Writers keep no state: the run keeps where it stands. The lines of a
 * block are written into its OutBuffer on the thread that converts it.
 */
class OutputWriter {
  public:
    virtual ~OutputWriter() = default;

    /// What the output starts with, before any input's lines.
    virtual std::string_view Begin() const = 0;
    /// What it ends with; @p any: a line was written between.
    virtual std::string_view End(bool any) const = 0;
    /// A block's output where it joins the output so far; @p first when
    /// nothing was written before it.
    virtual std::string_view Joined(std::string_view block,
                                    bool first) const = 0;

    /// An input's byte-order mark at the start of the output.
    virtual void ByteOrderMark(OutBuffer &out) const = 0;
    /// A file's heading line, with the names of what its coordinate
    /// columns hold once converted.
    virtual void Heading(const LineConverter &converter, std::string_view line,
                         std::string_view lineEnd, const FileFormat &format,
                         OutBuffer &out) const = 0;
    /// A comment or blank line.
    virtual void PassThrough(std::string_view line, std::string_view lineEnd,
                             OutBuffer &out) const = 0;
    /// A line whose point @p converter has just converted.
    virtual void Point(const LineConverter &converter, std::string_view line,
                       std::string_view lineEnd, const FileFormat &format,
                       const ConvertedPoint &point, OutBuffer &out) const = 0;
    /// What a failed line becomes (no original for a line too long to
    /// keep).
    virtual void Failure(std::string_view message, std::string_view line,
                         bool withLine, std::string_view lineEnd,
                         OutBuffer &out) const = 0;

    /// The heading's names become the points' property keys.
    virtual bool NamesProperties() const = 0;
    /// The most output a block of @p bytes in @p lines, with @p fields
    /// fields in all, may give.
    virtual std::size_t OutputBound(std::size_t bytes, std::size_t lines,
                                    std::size_t fields) const = 0;
};

/// The writer of a run's output format: one for the whole process; for
/// text, the one that writes references in place of coordinates where the
/// source or the target is a reference form.
const OutputWriter &WriterOf(const BatchOptions &options);

/// GeoJSON property keys from a heading line: each name that is not empty
/// and not repeated, else "fieldN" (N counted from 1).
std::vector<std::string> PropertyKeys(std::string_view header, char delimiter);
