// An optional log of what the window shows, for tests that drive the real
// program from outside: one line per field text change, per label the dialogs
// rewrite, per check mark, per window shown or hidden, per menu opened, per
// error box and at the first paint of the main window. Off unless the
// environment variable NOLVEX_EVENT_LOG names a file; the lines are appended to
// that file.
#pragma once

#include <QStringView>

namespace EventLog {

/// True when NOLVEX_EVENT_LOG names a file. Read once per process.
bool Enabled();

/// Appends "<name>\t<text>" as one line; does nothing when the log is off.
void Write(QStringView name, QStringView text);

/// Appends @p line as one line; does nothing when the log is off.
void Write(QStringView line);

/**
 * From now on appends "shown\t<window title>" and "hidden\t<window title>"
 * whenever the program shows or hides one of its windows or dialogs (a close
 * box counts as the program's own hide), after "shown" one line
 * "<name>\t<text>" for each named field, list and label of the window that
 * shows a text, and "menu\t<menu title>" whenever a menu opens. Does
 * nothing when the log is off; a second call adds nothing.
 */
void WatchWindows();

} // namespace EventLog
