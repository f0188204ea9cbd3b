// An optional log of what the windows show, for tests that drive the real
// program from outside: one line per field text change, per label the dialogs
// rewrite, per check mark, per window shown or hidden, per menu opened, per
// error box, per step of a file conversion and at the first paint of the main
// window. Off unless the environment variable NOLVEX_EVENT_LOG names a file;
// the lines are appended to that file.
//
// The log watches from outside: an event filter on the application sees the
// windows come and go and hooks itself onto the signals the windows offer. No
// window knows of it.
#pragma once

class QCoreApplication;

namespace EventLog {

/// True when NOLVEX_EVENT_LOG names a file. Read once per process.
bool Enabled();

/**
 * From now on, when the log is on, appends:
 *  - "<field>\t<text>" for every text change of a field of the main window
 *    and of the degree-system tool (not of a dialog's), from the field's
 *    creation on, before the lines of the fields its change rewrites;
 *  - "stDatum1\t<text>", "stDatum2\t...", "stUtm1\t...", "stUtm2\t..."
 *    each time the main window writes its four labels;
 *  - "<item>\tchecked" or "<item>\tunchecked" when a checkable menu item
 *    of the main window changes its mark;
 *  - "shown\t<window title>" and "hidden\t<window title>" whenever the
 *    program shows or hides one of its windows or dialogs (a close box
 *    counts as the program's own hide), after "shown" one line
 *    "<name>\t<text>" for each named field, list and label of the window
 *    that shows a text, and before the "shown" of an error box
 *    "error\t<its message>";
 *  - "menu\t<menu title>" whenever a menu opens;
 *  - "painted" at the first paint of each main window;
 *  - for the file-conversion dialog "convertStarted\t<input>",
 *    "convertProgress\t<percent>", then "convertDone\t<points>\t<failed>",
 *    "convertCancelled\t<output>" or "convertFailed\t<reason>".
 * Install it before the windows are made; does nothing when the log is off,
 * and a second call adds nothing.
 */
void Install(QCoreApplication &application);

} // namespace EventLog
