// Block reading over read(2), and field splitting.
#include "LineReader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <unistd.h>

BlockReader::BlockReader(int fd, std::size_t blockSize)
    : m_nFd(fd), m_nBlockSize(blockSize) {
    m_pending.reserve(blockSize);
}

std::size_t BlockReader::Read(char *into, std::size_t size) {
    for (;;) {
        const ssize_t got = ::read(m_nFd, into, size);
        if (got >= 0)
            return static_cast<std::size_t>(got);
        if (errno != EINTR)
            throw IoError(std::string("read error: ") + std::strerror(errno));
    }
}

bool BlockReader::Next(std::vector<char> &buffer, BlockText &block) {
    block = BlockText{};
    if (buffer.size() < m_nBlockSize)
        buffer.resize(m_nBlockSize);
    std::size_t n = m_pending.size();
    if (n > buffer.size())
        buffer.resize(n);
    std::copy(m_pending.begin(), m_pending.end(), buffer.begin());
    m_pending.clear();
    block.consumed = n;

    bool shortRead = false;
    for (;;) {
        const char *cut = nullptr;
        if (n > 0 && (n == buffer.size() || shortRead || m_bEof)) {
            cut = static_cast<const char *>(memrchr(buffer.data(), '\n', n));
            if (cut == nullptr && m_bEof) {
                block.text = std::string_view(buffer.data(), n);
                return true; // the last line, without its line end
            }
        }
        if (cut != nullptr) {
            const std::size_t used =
                static_cast<std::size_t>(cut - buffer.data()) + 1;
            m_pending.assign(buffer.begin() + static_cast<std::ptrdiff_t>(used),
                             buffer.begin() + static_cast<std::ptrdiff_t>(n));
            block.text = std::string_view(buffer.data(), used);
            block.consumed -= m_pending.size();
            return true;
        }
        if (m_bEof)
            return block.overlongFirst; // nothing left but maybe the skip

        if (n == buffer.size()) {
            // A line that does not fit: grow up to the longest line read.
            if (buffer.size() < MAX_LINE_BYTES) {
                buffer.resize(std::min(buffer.size() * 2, MAX_LINE_BYTES));
            } else {
                // Too long: skip it up to and including its line end.
                block.overlongFirst = true;
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

void FieldSplitter::Split(std::string_view line,
                          std::vector<std::string_view> &fields) const {
    fields.clear();
    const char *p = line.data();
    const char *end = p + line.size();
    if (delimiter != 0) {
        for (;;) {
            const char *next = static_cast<const char *>(
                std::memchr(p, delimiter, static_cast<std::size_t>(end - p)));
            if (next == nullptr) {
                fields.emplace_back(p, static_cast<std::size_t>(end - p));
                return;
            }
            fields.emplace_back(p, static_cast<std::size_t>(next - p));
            p = next + 1;
        }
    }
    for (;;) {
        while (p < end && (*p == ' ' || *p == '\t'))
            ++p;
        if (p == end)
            return;
        const char *start = p;
        while (p < end && *p != ' ' && *p != '\t')
            ++p;
        fields.emplace_back(start, static_cast<std::size_t>(p - start));
    }
}

char DetectDelimiter(std::string_view line) {
    for (char c : {'\t', ';', ','})
        if (line.find(c) != std::string_view::npos)
            return c;
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
