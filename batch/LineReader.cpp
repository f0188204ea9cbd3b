// Block reading over read(2), and field splitting.
#include "LineReader.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

/// How long one wait for input lasts before the cancel flag is looked at.
constexpr int WAIT_SLICE_MS = 50;

} // namespace

int OpenInput(const std::string &path, const std::atomic<bool> *cancel) {
    constexpr int FLAGS = O_RDONLY | O_CLOEXEC | O_NOCTTY;
    if (cancel == nullptr)
        return ::open(path.c_str(), FLAGS);
    // Without a writer a pipe opens at once this way; the reads wait for
    // one (on Linux, a pipe opened so reports no end to poll before a
    // writer has come and gone).
    const int fd = ::open(path.c_str(), FLAGS | O_NONBLOCK);
    if (fd < 0)
        return fd;
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags == -1 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == -1) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

void WaitForInput(int fd, const std::atomic<bool> &cancel) {
    for (;;) {
        if (cancel.load(std::memory_order_relaxed))
            throw ReadCancelled();
        pollfd wanted{fd, POLLIN, 0};
        const int ready = ::poll(&wanted, 1, WAIT_SLICE_MS);
        if (ready > 0)
            return; // data, the writer gone, or an error the read reports
        if (ready < 0 && errno != EINTR)
            return;
    }
}

void BlockReader::SetCancel(const std::atomic<bool> *cancel) {
    struct stat st {};
    const bool regular = ::fstat(m_nFd, &st) == 0 && S_ISREG(st.st_mode);
    m_pCancel = regular ? nullptr : cancel;
}

BlockReader::BlockReader(int fd, std::size_t blockSize, std::size_t maxLine)
    : m_nFd(fd), m_nBlockSize(blockSize), m_nMaxLine(maxLine) {
    m_pending.reserve(blockSize);
}

std::size_t BlockReader::Read(char *into, std::size_t size) {
    if (m_pCancel != nullptr)
        WaitForInput(m_nFd, *m_pCancel);
    for (;;) {
        const ssize_t got = ::read(m_nFd, into, size);
        if (got >= 0)
            return static_cast<std::size_t>(got);
        if (errno != EINTR)
            throw IoError(std::string("read error: ") + std::strerror(errno));
    }
}

std::size_t BlockReader::LastRecordEnd(std::string_view text) const {
    const char *lastEnd =
        static_cast<const char *>(memrchr(text.data(), '\n', text.size()));
    if (lastEnd == nullptr)
        return 0;
    const auto lineEnd = static_cast<std::size_t>(lastEnd - text.data()) + 1;
    // Without a quote before the last line end every line is a record.
    if (m_bLineRecords ||
        std::memchr(text.data(), '"', lineEnd) == nullptr)
        return lineEnd;
    std::size_t at = 0;
    for (;;) {
        const std::size_t length = RecordLength(text.substr(at), m_cDelimiter,
                                                m_bDelimiterKnown);
        if (length == std::string_view::npos)
            return at;
        at += length;
    }
}

bool BlockReader::Next(std::vector<char> &buffer, BlockText &block) {
    block = BlockText{};
    // The block's size is the reader's, whatever a buffer grew to before:
    // where blocks end depends on the input alone.
    std::size_t n = m_pending.size();
    buffer.resize(std::max(m_nBlockSize, n));
    std::copy(m_pending.begin(), m_pending.end(), buffer.begin());
    m_pending.clear();
    ReleasePending();
    block.consumed = n;

    bool shortRead = false;
    for (;;) {
        std::size_t cut = 0;
        if (n > 0 && (n == buffer.size() || shortRead || m_bEof)) {
            cut = LastRecordEnd(std::string_view(buffer.data(), n));
            if (cut == 0 && m_bEof) {
                // The last record, without its line end; or a quoted field
                // that the input never closes: the rest is read line by
                // line, the open quote failing on its own line.
                if (!m_bLineRecords &&
                    std::memchr(buffer.data(), '\n', n) != nullptr) {
                    m_bLineRecords = true;
                    continue;
                }
                block.text = std::string_view(buffer.data(), n);
                block.lineRecords = m_bLineRecords;
                ReleasePending();
                return true;
            }
        }
        if (cut != 0) {
            m_pending.assign(buffer.begin() + static_cast<std::ptrdiff_t>(cut),
                             buffer.begin() + static_cast<std::ptrdiff_t>(n));
            block.text = std::string_view(buffer.data(), cut);
            block.lineRecords = m_bLineRecords;
            block.consumed -= m_pending.size();
            return true;
        }
        if (m_bEof)
            return block.overlong > 0; // nothing left but maybe the skips

        if (n == buffer.size()) {
            // A record that does not fit: grow up to the longest record
            // read.
            if (buffer.size() < m_nMaxLine) {
                buffer.resize(std::min(buffer.size() * 2, m_nMaxLine));
            } else if (!m_bLineRecords &&
                       std::memchr(buffer.data(), '\n', n) != nullptr) {
                // A quoted field over more than the longest record: the
                // rest of the input is read line by line.
                m_bLineRecords = true;
                continue;
            } else {
                // Too long: skip it up to and including its line end. The
                // next line may be too long as well: each counts.
                ++block.overlong;
                for (;;) {
                    const std::size_t got = Read(buffer.data(), buffer.size());
                    block.consumed += got;
                    if (got == 0) {
                        m_bEof = true;
                        n = 0;
                        break;
                    }
                    const char *end = static_cast<const char *>(
                        std::memchr(buffer.data(), '\n', got));
                    if (end != nullptr) {
                        const std::size_t after =
                            got -
                            static_cast<std::size_t>(end + 1 - buffer.data());
                        std::memmove(buffer.data(), end + 1, after);
                        n = after;
                        break;
                    }
                }
                buffer.resize(std::max(m_nBlockSize, n));
                shortRead = false;
                continue;
            }
        }
        const std::size_t want = buffer.size() - n;
        const std::size_t got = Read(buffer.data() + n, want);
        block.consumed += got;
        if (got == 0)
            m_bEof = true;
        shortRead = got < want;
        n += got;
    }
}

void BlockReader::ReleasePending() {
    // The rest of a long line may have grown it: no buffer keeps its peak.
    if (m_pending.capacity() > m_nBlockSize &&
        m_pending.size() <= m_nBlockSize) {
        std::vector<char> smaller;
        smaller.reserve(m_nBlockSize);
        smaller.assign(m_pending.begin(), m_pending.end());
        m_pending.swap(smaller);
    }
}

bool HasDigit(std::string_view line) {
    return std::any_of(line.begin(), line.end(),
                       [](char c) { return c >= '0' && c <= '9'; });
}

namespace {

/// The one RFC 4180 quote scanner: from just after the opening quote of a
/// quoted field at @p q, the byte after its closing quote, a doubled quote
/// ("") inside being a quote; null when the field is not closed before
/// @p end. Line ends inside it belong to the field.
const char *QuotedEnd(const char *q, const char *end) {
    for (;;) {
        q = static_cast<const char *>(
            std::memchr(q, '"', static_cast<std::size_t>(end - q)));
        if (q == nullptr)
            return nullptr;
        if (q + 1 < end && q[1] == '"') {
            q += 2;
            continue;
        }
        return q + 1;
    }
}

/// What SplitFields needs to know of a byte, looked up once per byte.
constexpr unsigned char BLANK_BYTE = 1; ///< a space or a tab
/// Neither a digit, ".", "+", "-" nor a blank: a field with one is not
/// plain (see FieldSplitter::Split).
constexpr unsigned char TEXT_BYTE = 2;

constexpr auto BYTE_KINDS = [] {
    std::array<unsigned char, 256> kinds{};
    for (int c = 0; c < 256; ++c) {
        const bool plain = (c >= '0' && c <= '9') || c == '.' || c == '+' ||
                           c == '-' || c == ' ' || c == '\t';
        kinds[static_cast<std::size_t>(c)] = static_cast<unsigned char>(
            (c == ' ' || c == '\t' ? BLANK_BYTE : 0) | (plain ? 0 : TEXT_BYTE));
    }
    return kinds;
}();

inline unsigned char KindOf(char c) {
    return BYTE_KINDS[static_cast<unsigned char>(c)];
}

#if defined(__SSE2__)
/// The bytes of a 16-byte piece of a line as bit masks, bit i for byte i:
/// blanks, quotes and text bytes (see TEXT_BYTE).
struct ByteMasks {
    std::uint32_t blank, quote, text;
};

ByteMasks MasksOf(const char *p) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
    const auto is = [&](char c) { return _mm_cmpeq_epi8(v, _mm_set1_epi8(c)); };
    const __m128i blank = _mm_or_si128(is(' '), is('\t'));
    // Digits by signed comparison: bytes from 0x80 on are negative.
    const __m128i digit = _mm_and_si128(_mm_cmpgt_epi8(v, _mm_set1_epi8('/')),
                                        _mm_cmplt_epi8(v, _mm_set1_epi8(':')));
    const __m128i plain =
        _mm_or_si128(_mm_or_si128(blank, digit),
                     _mm_or_si128(is('.'), _mm_or_si128(is('+'), is('-'))));
    return {static_cast<std::uint32_t>(_mm_movemask_epi8(blank)),
            static_cast<std::uint32_t>(_mm_movemask_epi8(is('"'))),
            static_cast<std::uint32_t>(_mm_movemask_epi8(plain)) ^ 0xFFFFu};
}

/// SplitFields for a line of 16 to 64 bytes cut by blanks, without quotes:
/// the bytes classified 16 at a time, the fields found from the blanks'
/// bit mask. False, with nothing added, for a line with a quote.
bool SplitShortBlankLine(std::string_view line,
                         std::vector<std::string_view> &fields,
                         std::size_t &plainFrom) {
    const std::size_t n = line.size();
    std::uint64_t blank = 0, quote = 0, text = 0;
    for (std::size_t at = 0; at < n; at += 16) {
        // The last piece is the line's last 16 bytes, its bytes before
        // this piece shifted out.
        const std::size_t from = std::min(at, n - 16);
        const ByteMasks masks = MasksOf(line.data() + from);
        const auto shift = static_cast<unsigned>(at - from);
        blank |= std::uint64_t{masks.blank >> shift} << at;
        quote |= std::uint64_t{masks.quote >> shift} << at;
        text |= std::uint64_t{masks.text >> shift} << at;
    }
    if (quote != 0)
        return false;
    const std::uint64_t all = ~std::uint64_t{0};
    std::uint64_t words =
        ~blank & (n == 64 ? all : (std::uint64_t{1} << n) - 1);
    while (words != 0) {
        const int start = std::countr_zero(words);
        const int length = std::countr_zero(~(words >> start));
        const std::uint64_t field =
            (length == 64 ? all : (std::uint64_t{1} << length) - 1) << start;
        fields.emplace_back(line.data() + start,
                            static_cast<std::size_t>(length));
        if ((text & field) != 0)
            plainFrom = fields.size();
        words &= ~field;
    }
    return true;
}
#endif

/// Splits a line into fields, quoted ones whole; @p plainFrom as
/// FieldSplitter::Split tells it. One loop per kind of delimiter, each
/// byte looked at once: this was the converter's costliest step after the
/// number texts (callgrind, the catalogue jobs).
bool SplitFields(std::string_view line, char delimiter,
                 std::vector<std::string_view> &fields,
                 std::size_t &plainFrom) {
    const char *p = line.data();
    const char *end = p + line.size();
    plainFrom = 0;
#if defined(__SSE2__)
    // The usual line of numbers: 16 bytes looked at at once, each field
    // found at once, no loop that ends where the digits end (with the loop
    // below a million Molodensky points took 320 ms, 308 ms so; the UTM job
    // 374 and 359 ms, bench-cli's points, one thread).
    if (delimiter == 0 && line.size() >= 16 && line.size() <= 64 &&
        SplitShortBlankLine(line, fields, plainFrom))
        return true;
#endif
    // Ends field @p start .. @p q; false past MAX_FIELDS.
    auto add = [&](const char *start, const char *q, unsigned char kinds) {
        fields.emplace_back(start, static_cast<std::size_t>(q - start));
        if ((kinds & TEXT_BYTE) != 0)
            plainFrom = fields.size();
        return fields.size() <= MAX_FIELDS;
    };
    if (delimiter == 0) {
        for (;;) {
            while (p < end && IsBlank(*p))
                ++p;
            if (p == end)
                return true;
            const char *start = p;
            const char *q = p;
            unsigned char kinds = 0;
            if (*q == '"') {
                q = QuotedEnd(q + 1, end);
                if (q == nullptr)
                    return false; // not closed on this line
                if (q < end && !IsBlank(*q))
                    return false; // text after the closing quote
                kinds = TEXT_BYTE;
            } else {
                for (; q < end; ++q) {
                    const unsigned char kind = KindOf(*q);
                    if ((kind & BLANK_BYTE) != 0)
                        break;
                    kinds |= kind;
                }
            }
            if (!add(start, q, kinds))
                return false;
            if (q == end)
                return true;
            p = q + 1;
        }
    }
    for (;;) {
        const char *start = p;
        const char *q = p;
        while (q < end && IsBlank(*q))
            ++q;
        unsigned char kinds = 0;
        if (q < end && *q == '"') {
            q = QuotedEnd(q + 1, end);
            if (q == nullptr)
                return false; // not closed on this line
            while (q < end && IsBlank(*q))
                ++q;
            if (q < end && *q != delimiter)
                return false; // text after the closing quote
            kinds = TEXT_BYTE;
        } else {
            for (; q < end && *q != delimiter; ++q)
                kinds |= KindOf(*q);
        }
        if (!add(start, q, kinds))
            return false;
        if (q == end)
            return true;
        p = q + 1;
        if (p == end) {
            fields.emplace_back(p, 0);
            return fields.size() <= MAX_FIELDS;
        }
    }
}

} // namespace

std::string_view Unquote(std::string_view field, std::string &scratch) {
    field = TrimBlanks(field);
    if (field.size() < 2 || field.front() != '"' || field.back() != '"')
        return field;
    field = field.substr(1, field.size() - 2);
    if (field.find('"') == std::string_view::npos)
        return field;
    scratch.clear();
    for (std::size_t i = 0; i < field.size(); ++i) {
        scratch += field[i];
        if (field[i] == '"' && i + 1 < field.size() && field[i + 1] == '"')
            ++i;
    }
    return scratch;
}

std::vector<std::string> HeadingNames(std::string_view heading,
                                      char delimiter) {
    if (!heading.empty() && heading.back() == '\r')
        heading.remove_suffix(1);
    std::vector<std::string_view> fields;
    std::vector<std::string> names;
    if (!FieldSplitter{delimiter}.Split(heading, fields))
        return names;
    for (std::string_view field : fields) {
        std::string scratch;
        names.emplace_back(Unquote(field, scratch));
    }
    return names;
}

namespace {

/// Lines up to this long go into the index as it is; a longer one may have
/// thousands of fields and first counts its delimiters.
constexpr std::size_t WIDE_LINE_BYTES = 4096;

/// Makes @p fields, empty, as large as the fields of @p line can be: one
/// more than its delimiters (its blanks with runs of blanks), and no more
/// than the split takes. The old index is given back first.
void SizeForWideLine(std::string_view line, char delimiter,
                     std::vector<std::string_view> &fields) {
    const auto count = static_cast<std::size_t>(
        delimiter != 0 ? std::count(line.begin(), line.end(), delimiter)
                       : std::count_if(line.begin(), line.end(), IsBlank));
    const std::size_t most = std::min(count + 1, MAX_FIELDS + 1);
    if (most > fields.capacity()) {
        std::vector<std::string_view>().swap(fields);
        fields.reserve(most);
    }
}

} // namespace

bool FieldSplitter::Split(std::string_view line,
                          std::vector<std::string_view> &fields) const {
    std::size_t plainFrom = 0;
    return Split(line, fields, plainFrom);
}

bool FieldSplitter::Split(std::string_view line,
                          std::vector<std::string_view> &fields,
                          std::size_t &plainFrom) const {
    fields.clear();
    // A wide line's index is made once, as large as the line's fields can
    // be: grown by doubling it would hold the old index and the new
    // together, half as much again as a block is charged for the index of
    // its widest line.
    if (line.size() > WIDE_LINE_BYTES && line.size() + 1 > fields.capacity())
        SizeForWideLine(line, delimiter, fields);
    return SplitFields(line, delimiter, fields, plainFrom);
}

namespace {

/// Where a field starts in a record, byte by byte, so that a double quote
/// there opens a quoted field (which QuotedEnd then crosses whole).
class FieldStarts {
  public:
    FieldStarts(char delimiter, bool known)
        : m_cDelimiter(delimiter), m_bKnown(known) {}

    /// A quote at @p c here would open a quoted field.
    bool AtStart() const { return m_bFieldStart; }

    /// Takes byte @p c outside quotes.
    void Take(char c) {
        if (IsBlank(c))
            // Blanks may stand before a quoted field; with blanks as the
            // delimiter they end a field.
            m_bFieldStart = m_bFieldStart || !m_bKnown || m_cDelimiter == 0 ||
                            c == m_cDelimiter;
        else
            m_bFieldStart = m_bKnown ? m_cDelimiter != 0 && c == m_cDelimiter
                                     : c == ',' || c == ';';
    }
    /// After a quoted field.
    void Quoted() { m_bFieldStart = false; }

  private:
    char m_cDelimiter;
    bool m_bKnown;
    bool m_bFieldStart = true;
};

} // namespace

char DetectDelimiter(std::string_view line) {
    bool seen[3] = {false, false, false};
    bool any[3] = {false, false, false};
    const auto mark = [](bool (&flags)[3], const char *from, const char *to) {
        for (const char *p = from; p < to; ++p)
            for (int k = 0; k < 3; ++k)
                if (*p == "\t;,"[k])
                    flags[k] = true;
    };
    FieldStarts starts(0, false);
    const char *end = line.data() + line.size();
    bool unclosed = false;
    for (const char *p = line.data(); p < end;) {
        if (*p == '"' && starts.AtStart()) {
            const char *close = QuotedEnd(p + 1, end);
            const char *to = close ? close : end;
            mark(any, p, to); // delimiters inside quotes separate nothing
            unclosed = close == nullptr;
            starts.Quoted();
            p = to;
            continue;
        }
        mark(any, p, p + 1);
        mark(seen, p, p + 1);
        starts.Take(*p);
        ++p;
    }
    // A quote that the line never closes quotes nothing: every delimiter
    // counts.
    const bool *counted = unclosed ? any : seen;
    for (int k = 0; k < 3; ++k)
        if (counted[k])
            return "\t;,"[k];
    return 0;
}

bool IsPassThroughLine(std::string_view line) {
    for (char c : line) {
        if (c == ' ' || c == '\t' || c == '\r')
            continue;
        return c == '#';
    }
    return true;
}

namespace {

/// The first line end or double quote from @p p on, or @p end: the usual
/// record is a line without quotes, found in one pass instead of a search
/// for its end and another for a quote in it.
const char *LineEndOrQuote(const char *p, const char *end) {
#if defined(__SSE2__)
    for (; end - p >= 16; p += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
        const int hits = _mm_movemask_epi8(
            _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('\n')),
                         _mm_cmpeq_epi8(v, _mm_set1_epi8('"'))));
        if (hits != 0)
            return p + std::countr_zero(static_cast<unsigned>(hits));
    }
#endif
    while (p < end && *p != '\n' && *p != '"')
        ++p;
    return p;
}

} // namespace

std::size_t RecordLength(std::string_view text, char delimiter, bool known) {
    const char *begin = text.data();
    const char *end = begin + text.size();
    const char *hit = LineEndOrQuote(begin, end);
    if (hit != end && *hit == '\n')
        return static_cast<std::size_t>(hit - begin) + 1; // no quote in it
    const char *lineEnd =
        hit == end ? nullptr
                   : static_cast<const char *>(std::memchr(
                         hit, '\n', static_cast<std::size_t>(end - hit)));
    if (lineEnd == nullptr)
        return std::string_view::npos;
    const auto firstLine = static_cast<std::size_t>(lineEnd - begin) + 1;
    if (IsPassThroughLine(text.substr(0, firstLine - 1)))
        return firstLine;
    FieldStarts starts(delimiter, known);
    for (const char *p = begin; p < end;) {
        if (*p == '\n')
            return static_cast<std::size_t>(p - begin) + 1;
        if (*p == '"' && starts.AtStart()) {
            p = QuotedEnd(p + 1, end);
            if (p == nullptr)
                return std::string_view::npos;
            starts.Quoted();
            continue;
        }
        starts.Take(*p);
        ++p;
    }
    return std::string_view::npos;
}

namespace {

std::string_view CutRecord(std::string_view text, std::size_t length,
                           std::string_view &rest) {
    if (length == std::string_view::npos) {
        const std::size_t nl = text.find('\n');
        length = nl == std::string_view::npos ? text.size() : nl + 1;
    }
    std::string_view record = text.substr(0, length);
    rest = text.substr(length);
    if (!record.empty() && record.back() == '\n')
        record.remove_suffix(1);
    if (!record.empty() && record.back() == '\r')
        record.remove_suffix(1);
    return record;
}

} // namespace

std::string_view NextRecord(std::string_view text, char delimiter, bool known,
                            std::string_view &rest) {
    return CutRecord(text, RecordLength(text, delimiter, known), rest);
}

std::string_view NextLine(std::string_view text, std::string_view &rest) {
    return CutRecord(text, std::string_view::npos, rest);
}

std::optional<std::string_view> FirstDataLine(std::string_view text,
                                              bool skipFirst) {
    while (!text.empty()) {
        const std::string_view record = NextRecord(text, 0, false, text);
        if (skipFirst) {
            skipFirst = false;
            continue;
        }
        if (!IsPassThroughLine(record))
            return record;
    }
    return std::nullopt;
}
