// The optional event log.
#include "EventLog.h"

#include <QFile>
#include <QString>

namespace {

const QString &LogPath() {
    static const QString path = qEnvironmentVariable("NOLVEX_EVENT_LOG");
    return path;
}

// Opened per line and closed at once, so every line is on disk (and the file's
// modification time is the time of the last line) before the program goes on.
void Append(const QString &line) {
    QFile file(LogPath());
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return;
    file.write(line.toUtf8());
}

} // namespace

namespace EventLog {

bool Enabled() { return !LogPath().isEmpty(); }

void Write(QStringView name, QStringView text) {
    if (Enabled())
        Append(name.toString() + u'\t' + text.toString() + u'\n');
}

void Write(QStringView line) {
    if (Enabled())
        Append(line.toString() + u'\n');
}

} // namespace EventLog
