// Reading batch input in blocks of whole lines, and splitting a line into
// fields.
#pragma once

#include "TextParts.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

/// Longest line that is read; a longer one is reported and skipped.
constexpr std::size_t MAX_LINE_BYTES = std::size_t{1} << 20;

/// Input or output that fails at the system level (read or write error).
class IoError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

/// A wait for input that ended because the run was cancelled meanwhile.
class ReadCancelled : public std::runtime_error {
  public:
    ReadCancelled() : std::runtime_error("cancelled") {}
};

/**
 * Opens @p path for reading. Without @p cancel as open(2) does; with it, a
 * pipe without a writer yet does not hold the call: the wait moves to the
 * reads, where @p cancel can end it (see WaitForInput).
 * @return the descriptor, or -1 with errno set.
 */
int OpenInput(const std::string &path, const std::atomic<bool> *cancel);

/**
 * Waits until a read of @p fd would not wait (input, its end, an error),
 * looking at @p cancel between short waits.
 * @throws ReadCancelled when @p cancel is set first.
 */
void WaitForInput(int fd, const std::atomic<bool> &cancel);

/// Most fields a line may have; a line with more is refused. No table of
/// points has that many columns, and the fields' index of a line stays a
/// megabyte or two whatever the line holds.
constexpr std::size_t MAX_FIELDS = std::size_t{1} << 16;

/// One block of input: whole records (lines, or several lines where a quoted
/// field holds a line end), the last one possibly without its line end at
/// the end of the input.
struct BlockText {
    std::string_view text;
    /// The records of this block are its lines: a quoted field that was not
    /// closed within MAX_LINE_BYTES, or by the end of the input, left the
    /// rest of the input to be read line by line.
    bool lineRecords = false;
    /// Lines longer than MAX_LINE_BYTES that came just before @p text; they
    /// were skipped and count as lines.
    std::size_t overlong = 0;
    /// Bytes taken from the input for this block (skipped ones included).
    std::size_t consumed = 0;
};

/**
 * Cuts a file descriptor's bytes into blocks of whole records. Memory stays
 * bounded: a block holds about @p blockSize bytes, more only for a record
 * that does not fit, and never more than MAX_LINE_BYTES for one record.
 */
class BlockReader {
  public:
    /// @param[in] maxLine the longest line read (MAX_LINE_BYTES; smaller
    ///   only in tests and fuzzing, to reach the skipping of long lines).
    BlockReader(int fd, std::size_t blockSize,
                std::size_t maxLine = MAX_LINE_BYTES);

    /**
     * Reads the next block into @p buffer, whose storage the block's text
     * points into. A block ends at a line end; it is cut early when a read
     * returns less than asked (a pipe or terminal with nothing more yet), so
     * that streamed input is converted as it comes.
     * @return false at the end of the input, with nothing left.
     * @throws IoError when reading fails.
     */
    bool Next(std::vector<char> &buffer, BlockText &block);

    /// A pipe or device is read only once WaitForInput lets it, so that
    /// @p cancel ends a wait for its writer; a regular file never waits.
    void SetCancel(const std::atomic<bool> *cancel);

    /// The delimiter of the input, once known: records are cut by it from
    /// the next block on (see RecordLength).
    void SetDelimiter(char delimiter) {
        m_cDelimiter = delimiter;
        m_bDelimiterKnown = true;
    }

  private:
    /// Where the last whole record of @p text ends, 0 when none does.
    std::size_t LastRecordEnd(std::string_view text) const;

    /// One read(); returns the count, 0 at the end. Retries on EINTR.
    std::size_t Read(char *into, std::size_t size);
    void ReleasePending();

    int m_nFd;
    const std::atomic<bool> *m_pCancel = nullptr; ///< see SetCancel
    std::size_t m_nBlockSize;
    std::size_t m_nMaxLine;
    std::vector<char> m_pending; ///< bytes after the last record so far
    bool m_bEof = false;
    char m_cDelimiter = 0;
    bool m_bDelimiterKnown = false;
    bool m_bLineRecords = false; ///< see BlockText::lineRecords
};

/// The line has a digit (0 to 9) somewhere.
bool HasDigit(std::string_view line);

/// Splits lines at a delimiter: a character, or runs of blanks.
struct FieldSplitter {
    /// The delimiter character, or 0 for runs of spaces and tabs.
    char delimiter = 0;

    /**
     * The fields of @p line, into @p fields (reused, no allocation once it
     * has grown; for a wide line made once at the most fields the line can
     * have, never grown by doubling). With blanks, leading and trailing
     * blanks make no field. A field that starts with a double quote (after
     * blanks) runs to the closing quote, delimiters, blanks and line ends
     * included, and "" inside it is one quote (RFC 4180); the field keeps its
     * quotes (see Unquote). A quote elsewhere in a field is an ordinary
     * character (37°28'54").
     * @return false when a quoted field is not closed on the line, text
     *   follows its closing quote, or the line has more than MAX_FIELDS
     *   fields (@p fields then holds MAX_FIELDS + 1 of them).
     */
    bool Split(std::string_view line,
               std::vector<std::string_view> &fields) const;

    /// Split, telling also where the line's plain fields start: every
    /// field from @p plainFrom on holds only digits, ".", "+", "-" and
    /// blanks (no quotes, letters or marks); fields.size() when the last
    /// field holds anything else.
    bool Split(std::string_view line, std::vector<std::string_view> &fields,
               std::size_t &plainFrom) const;
};

/// A field's text: without blanks around it, and without its quotes with
/// "" made one quote (into @p scratch when it has one).
std::string_view Unquote(std::string_view field, std::string &scratch);

/// The names of a heading line's fields, unquoted and without blanks around
/// them; a carriage return at the end of the line is no part of the last.
/// None when the line does not split (see FieldSplitter::Split).
std::vector<std::string> HeadingNames(std::string_view heading, char delimiter);

/// The delimiter of a data line: a tab if it has one, else ";", else ",",
/// else runs of blanks (0). Quoted fields do not count: a double quote opens
/// one only where a field starts (after a tab, ";", "," or a blank).
char DetectDelimiter(std::string_view line);

/// A line that passes through: empty, blanks only, or "#" after blanks.
bool IsPassThroughLine(std::string_view line);

/**
 * The length of the record at the start of @p text, its line end included:
 * one line, or several where a quoted field holds line ends (RFC 4180). A
 * double quote opens a quoted field only where a field starts, by the rules
 * of FieldSplitter::Split for @p delimiter; while the delimiter is not
 * known (@p known false) a field starts after any of tab, ";", "," or a
 * blank. A line that passes through (IsPassThroughLine) is one record,
 * quotes and all.
 * @return npos when the record does not end in @p text: no line end, or a
 *   quoted field still open at the end.
 */
std::size_t RecordLength(std::string_view text, char delimiter, bool known);

/// The record at the start of @p text without its line end (nor a carriage
/// return before it), and in @p rest what follows. A record that does not
/// end in @p text (see RecordLength) is taken as its first line.
std::string_view NextRecord(std::string_view text, char delimiter, bool known,
                            std::string_view &rest);

/// The first line of @p text without its line end (nor a carriage return
/// before it), and in @p rest what follows.
std::string_view NextLine(std::string_view text, std::string_view &rest);

/// The first record of @p text that does not pass through, without its line
/// end (a carriage return before it included); the first record of @p text
/// is left out when @p skipFirst (a heading). None when no such record is in
/// @p text.
std::optional<std::string_view> FirstDataLine(std::string_view text,
                                              bool skipFirst);
