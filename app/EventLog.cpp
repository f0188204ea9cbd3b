// The optional event log, watching the windows from outside.
#include "EventLog.h"

#include "ErrorBox.h"
#include "Fconvert.h"
#include "FieldMark.h"
#include "Fmain.h"

#include <QActionEvent>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QSet>
#include <QSpinBox>
#include <QString>
#include <QWidget>

#include <algorithm>
#include <vector>

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

void Write(QStringView name, QStringView text) {
    Append(name.toString() + u'\t' + text.toString() + u'\n');
}

void Write(QStringView line) { Append(line.toString() + u'\n'); }

/// Whether @p widget belongs to a dialog (whose fields the log leaves to the
/// dialog's showing) rather than to the main window or the degree tool.
bool InDialog(const QWidget *widget) {
    return qobject_cast<const QDialog *>(widget->window()) != nullptr;
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
            Write(child->objectName(), text.replace(u'\n', u' '));
    }
}

/// An error box: the common box of ErrorBox.h, titled with the application
/// title and carrying the error icon.
bool IsErrorBox(const QWidget &widget) {
    const auto *box = qobject_cast<const QMessageBox *>(&widget);
    return box != nullptr && box->icon() == QMessageBox::Critical &&
           box->windowTitle() == QString::fromUtf8(APPLICATION_TITLE);
}

// Sees every event of the application. Hooks itself onto each field, main
// window and file-conversion dialog at the first event it sees of it: a field
// gets its first events while it is being made, before its window connects
// its own change handler, so a field's own line always comes before the
// lines of the fields its handler rewrites. Acts on the show and hide events
// of windows, dialogs and menus that the program itself caused, not on those
// the window system reports when a window is minimised or restored.
class EventWatcher : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (watched->isWidgetType() && !m_hooked.contains(watched))
            Hook(watched);
        const QEvent::Type type = event->type();
        if (type == QEvent::ActionAdded)
            HookItem(static_cast<QActionEvent *>(event)->action());
        else if (type == QEvent::Paint && watched->isWidgetType())
            Painting(*static_cast<QWidget *>(watched));
        else if (type == QEvent::DynamicPropertyChange)
            PropertyChanged(*watched,
                            static_cast<QDynamicPropertyChangeEvent *>(event)
                                ->propertyName());
        else if ((type == QEvent::Show || type == QEvent::Hide) &&
                 !event->spontaneous() && watched->isWidgetType())
            ShownOrHidden(*static_cast<QWidget *>(watched), type);
        return false;
    }

  private:
    /// A grid field's stale mark, set ("stale\tedtUtmX1\t<its tooltip>")
    /// or taken away ("stale\tedtUtmX1\t").
    static void PropertyChanged(const QObject &object, const QByteArray &name) {
        if (name != STALE_MARK || !qobject_cast<const QLineEdit *>(&object))
            return;
        Write(u"stale",
              object.objectName() + u'\t' +
                  object.property(STALE_MARK).toString().replace(u'\n', u' '));
    }

    /// Keeps @p object among the hooked ones until it is destroyed.
    void Remember(QObject *object) {
        m_hooked.insert(object);
        connect(object, &QObject::destroyed, this,
                [this, object] { m_hooked.remove(object); });
    }

    void Hook(QObject *object) {
        if (auto *field = qobject_cast<QLineEdit *>(object)) {
            Remember(field);
            connect(field, &QLineEdit::textChanged, this,
                    [field](const QString &text) {
                        if (!InDialog(field))
                            Write(field->objectName(), text);
                    });
        } else if (auto *main = qobject_cast<TfrmMain *>(object)) {
            Remember(main);
            connect(main, &TfrmMain::DatumLabelsShown, this, [main] {
                for (const char *name :
                     {"stDatum1", "stDatum2", "stUtm1", "stUtm2"}) {
                    if (const auto *label = main->findChild<QLabel *>(name))
                        Write(label->objectName(), label->text());
                }
            });
        } else if (auto *convert = qobject_cast<TfrmConvert *>(object)) {
            Remember(convert);
            HookConversion(*convert);
        }
    }

    void HookConversion(TfrmConvert &convert) {
        // The input's first lines read, and the columns the dialog then
        // shows ("3 4 5"; 0 for no third column).
        connect(&convert, &TfrmConvert::InputRead, this,
                [&convert](const QString &input) {
                    QStringList columns;
                    for (const char *name :
                         {"spnColumn1", "spnColumn2", "spnColumn3"})
                        if (const auto *box = convert.findChild<QSpinBox *>(name))
                            columns << QString::number(box->value());
                    Write(u"convertRead", input + u'\t' + columns.join(u' '));
                });
        connect(&convert, &TfrmConvert::ConversionStarted, this,
                [](const QString &input) { Write(u"convertStarted", input); });
        connect(&convert, &TfrmConvert::ProgressShown, this, [](int percent) {
            Write(u"convertProgress", QString::number(percent));
        });
        connect(&convert, &TfrmConvert::ConversionDone, this,
                [](qulonglong points, qulonglong linesFailed) {
                    Write(u"convertDone", QString::number(points) + u'\t' +
                                              QString::number(linesFailed));
                });
        connect(
            &convert, &TfrmConvert::ConversionCancelled, this,
            [](const QString &output) { Write(u"convertCancelled", output); });
        connect(&convert, &TfrmConvert::ConversionFailed, this,
                [](const QString &reason) { Write(u"convertFailed", reason); });
    }

    /// A menu item as it is added to a menu: its check mark, when it has
    /// one and belongs to the main window ("DegSys1").
    void HookItem(QAction *item) {
        if (item == nullptr || m_hooked.contains(item))
            return;
        Remember(item);
        connect(item, &QAction::toggled, this, [item](bool checked) {
            if (qobject_cast<const QMainWindow *>(item->parent()) != nullptr)
                Write(item->objectName(), checked ? u"checked" : u"unchecked");
        });
    }

    void Painting(const QWidget &widget) {
        if (qobject_cast<const QMainWindow *>(&widget) == nullptr)
            return;
        const bool painted =
            std::any_of(m_painted.begin(), m_painted.end(),
                        [&widget](const QPointer<const QWidget> &p) {
                            return p == &widget;
                        });
        if (painted)
            return;
        // Windows gone leave null pointers behind; they are dropped here.
        std::erase_if(m_painted, [](const QPointer<const QWidget> &p) {
            return p.isNull();
        });
        m_painted.emplace_back(&widget);
        Write(u"painted");
    }

    void ShownOrHidden(const QWidget &widget, QEvent::Type type) {
        const Qt::WindowType kind = widget.windowType();
        // A message box reports its showing twice; one line is enough.
        const bool repeated = &widget == m_pLast && type == m_nLastType;
        m_pLast = &widget;
        m_nLastType = type;
        if ((kind == Qt::Window || kind == Qt::Dialog) && !repeated) {
            if (type == QEvent::Show && IsErrorBox(widget))
                Write(u"error",
                      static_cast<const QMessageBox &>(widget).text());
            Write(type == QEvent::Show ? u"shown" : u"hidden",
                  widget.windowTitle());
            if (type == QEvent::Show)
                WriteContents(widget);
        } else if (const auto *menu = qobject_cast<const QMenu *>(&widget);
                   menu != nullptr && type == QEvent::Show) {
            Write(u"menu", menu->title());
        }
    }

    QSet<const QObject *> m_hooked;
    std::vector<QPointer<const QWidget>> m_painted;
    QPointer<const QWidget> m_pLast;
    QEvent::Type m_nLastType = QEvent::None;
};

} // namespace

namespace EventLog {

bool Enabled() { return !LogPath().isEmpty(); }

void Install(QCoreApplication &application) {
    static bool installed = false;
    if (!Enabled() || installed)
        return;
    installed = true;
    application.installEventFilter(new EventWatcher(&application));
}

} // namespace EventLog
