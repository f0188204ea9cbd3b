// The optional event log.
#include "EventLog.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QString>
#include <QWidget>

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

// What a window shows as it opens: "<name>\t<text>" for each of its named
// fields, lists and labels that shows a text; the windows it owns (the
// dialogs of the main window) are left to their own showing.
void WriteContents(const QWidget &window) {
    for (const QWidget *child : window.findChildren<QWidget *>()) {
        if (child->window() != &window)
            continue;
        QString text;
        if (const auto *field = qobject_cast<const QLineEdit *>(child))
            text = field->text();
        else if (const auto *list = qobject_cast<const QComboBox *>(child))
            text = list->currentText();
        else if (const auto *label = qobject_cast<const QLabel *>(child))
            text = label->text();
        else
            continue;
        if (!child->objectName().isEmpty() && !text.isEmpty())
            EventLog::Write(child->objectName(), text.replace(u'\n', u' '));
    }
}

// Sees every event of the application; acts on the show and hide events of
// windows, dialogs and menus that the program itself caused, not on those the
// window system reports when a window is minimised or restored.
class WindowWatcher : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        const QEvent::Type type = event->type();
        if ((type == QEvent::Show || type == QEvent::Hide) &&
            !event->spontaneous() && watched->isWidgetType()) {
            const auto *widget = static_cast<const QWidget *>(watched);
            const Qt::WindowType kind = widget->windowType();
            // A message box reports its showing twice; one line is enough.
            const bool repeated = widget == m_pLast && type == m_nLastType;
            m_pLast = widget;
            m_nLastType = type;
            if ((kind == Qt::Window || kind == Qt::Dialog) && !repeated) {
                EventLog::Write(type == QEvent::Show ? u"shown" : u"hidden",
                                widget->windowTitle());
                if (type == QEvent::Show)
                    WriteContents(*widget);
            } else if (const auto *menu = qobject_cast<const QMenu *>(widget);
                       menu != nullptr && type == QEvent::Show)
                EventLog::Write(u"menu", menu->title());
        }
        return false;
    }

  private:
    QPointer<const QWidget> m_pLast;
    QEvent::Type m_nLastType = QEvent::None;
};

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

void WatchWindows() {
    static bool watching = false;
    if (!Enabled() || watching || QCoreApplication::instance() == nullptr)
        return;
    watching = true;
    QCoreApplication::instance()->installEventFilter(
        new WindowWatcher(QCoreApplication::instance()));
}

} // namespace EventLog
