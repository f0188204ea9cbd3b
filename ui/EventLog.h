// An optional log of what the window shows, for tests that drive the real
// program from outside: one line per field text change, per error box and at
// the first paint of the main window. Off unless the environment variable
// NOLVEX_EVENT_LOG names a file; the lines are appended to that file.
#pragma once

#include <QStringView>

namespace EventLog {

/// True when NOLVEX_EVENT_LOG names a file. Read once per process.
bool Enabled();

/// Appends "<name>\t<text>" as one line; does nothing when the log is off.
void Write(QStringView name, QStringView text);

/// Appends @p line as one line; does nothing when the log is off.
void Write(QStringView line);

} // namespace EventLog
