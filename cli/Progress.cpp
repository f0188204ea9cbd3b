// The command line's progress line and messages on standard error.
#include "Progress.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <string>
#include <unistd.h>

namespace {

/// Messages go out whole and are not worth failing over.
void Say(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t done = ::write(fd, text.data(), text.size());
        if (done < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        text.remove_prefix(static_cast<std::size_t>(done));
    }
}

std::int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

StreamObserver::StreamObserver(int errFd, bool progressLine)
    : m_nFd(errFd), m_bProgress(progressLine), m_nStart(NowMs()),
      m_nLast(m_nStart) {}

void StreamObserver::Message(std::string_view text) {
    if (m_bShown)
        Say(m_nFd, "\r\033[K");
    m_bShown = false;
    std::string line = "nolvex-convert: ";
    line.append(text).append("\n");
    Say(m_nFd, line);
}

void StreamObserver::Progress(const BatchProgress &progress) {
    if (!m_bProgress || progress.bytesTotal == 0)
        return;
    const std::int64_t now = NowMs();
    const bool end = progress.bytesDone >= progress.bytesTotal;
    if (!end && now - m_nLast < 250)
        return;
    m_nLast = now;
    const double seconds = static_cast<double>(now - m_nStart) / 1000.0;
    const ProgressFigures figures = FiguresOf(progress, seconds);
    const std::uint64_t percent = std::min<std::uint64_t>(figures.percent, 100);
    const std::uint64_t rate = figures.rate;
    const std::uint64_t left = figures.secondsLeft;
    char line[192];
    char *p = line;
    *p++ = '\r';
    p = std::to_chars(p, line + 120, percent).ptr;
    p = std::copy_n("%  ", 3, p);
    p = std::to_chars(p, line + 120, rate).ptr;
    p = std::copy_n(" points/s  ", 11, p);
    p = std::to_chars(p, line + 120, left / 60).ptr;
    *p++ = ':';
    *p++ = static_cast<char>('0' + (left % 60) / 10);
    *p++ = static_cast<char>('0' + left % 10);
    p = std::copy_n(" left ", 6, p);
    Say(m_nFd, std::string_view(line, static_cast<std::size_t>(p - line)));
    m_bShown = true;
}

void StreamObserver::Finish() {
    if (m_bShown)
        Say(m_nFd, "\r\033[K");
    m_bShown = false;
}
