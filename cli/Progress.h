// The command line's observer of a run: its messages on standard error and
// a progress line redrawn on a terminal.
#pragma once

#include "Run.h"

#include <cstdint>
#include <string_view>

/**
 * The observer of the command line: messages on @p errFd prefixed
 * "nolvex-convert: ", and with @p progressLine a progress line (percentage,
 * points per second, time left) redrawn on it at most four times a second
 * and cleared before each message.
 */
class StreamObserver : public BatchObserver {
  public:
    StreamObserver(int errFd, bool progressLine);
    void Message(std::string_view text) override;
    void Progress(const BatchProgress &progress) override;
    /// Clears the progress line.
    void Finish();

  private:
    int m_nFd;
    bool m_bProgress;
    bool m_bShown = false;
    std::int64_t m_nStart, m_nLast;
};
