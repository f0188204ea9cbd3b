// Reading batch input in blocks of whole lines, and splitting a line into
// fields.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string_view>
#include <vector>

/// Longest line that is read; a longer one is reported and skipped.
constexpr std::size_t MAX_LINE_BYTES = std::size_t{1} << 20;

/// Input or output that fails at the system level (read or write error).
class IoError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

/// One block of input: whole lines, the last one possibly without its line
/// end at the end of the input.
struct BlockText {
    std::string_view text;
    /// A line longer than MAX_LINE_BYTES came just before @p text; it was
    /// skipped and counts as one line.
    bool overlongFirst = false;
    /// Bytes taken from the input for this block (skipped ones included).
    std::size_t consumed = 0;
};

/**
 * Cuts a file descriptor's bytes into blocks of whole lines. Memory stays
 * bounded: a block holds about @p blockSize bytes, more only for a line that
 * does not fit, and never more than MAX_LINE_BYTES for one line.
 */
class BlockReader {
  public:
    BlockReader(int fd, std::size_t blockSize);

    /**
     * Reads the next block into @p buffer, whose storage the block's text
     * points into. A block ends at a line end; it is cut early when a read
     * returns less than asked (a pipe or terminal with nothing more yet), so
     * that streamed input is converted as it comes.
     * @return false at the end of the input, with nothing left.
     * @throws IoError when reading fails.
     */
    bool Next(std::vector<char> &buffer, BlockText &block);

  private:
    /// One read(); returns the count, 0 at the end. Retries on EINTR.
    std::size_t Read(char *into, std::size_t size);

    int m_nFd;
    std::size_t m_nBlockSize;
    std::vector<char> m_pending; ///< bytes after the last line end so far
    bool m_bEof = false;
};

/// Splits lines at a delimiter: a character, or runs of blanks.
struct FieldSplitter {
    /// The delimiter character, or 0 for runs of spaces and tabs.
    char delimiter = 0;

    /// The fields of @p line, into @p fields (reused, no allocation once it
    /// has grown). With blanks, leading and trailing blanks make no field.
    void Split(std::string_view line,
               std::vector<std::string_view> &fields) const;
};

/// The delimiter of a data line: a tab if it has one, else ";", else ",",
/// else runs of blanks (0).
char DetectDelimiter(std::string_view line);

/// A line that passes through: empty, blanks only, or "#" after blanks.
bool IsPassThroughLine(std::string_view line);
