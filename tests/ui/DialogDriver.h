// Driving the program's modal dialogs through the main window's menu: a zero
// timer, which runs inside the dialog's own event loop, finds the open dialog,
// lets the test read and fill it, and closes it with OK or Cancel, as Qt's
// dialog tests do. Error boxes shown meanwhile are recorded and answered.
#pragma once

#include "UiTestSupport.h"

#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QRadioButton>

#include <functional>

/// What one command showed while it ran.
struct DialogRun {
    int dialogs = 0;       ///< dialogs answered: 1 when the command showed one
    QString title;         ///< caption of the dialog
    QList<ShownBox> boxes; ///< error boxes, in order
};

/**
 * While alive, answers the first modal dialog that opens (other than a message
 * box): calls the fill function with it, then closes it with the given result.
 */
class DialogDriver : public QObject {
  public:
    using Fill = std::function<void(QDialog &)>;

    DialogDriver(Fill fill, int result)
        : m_fill(std::move(fill)), m_result(result) {
        m_timer.setInterval(0);
        connect(&m_timer, &QTimer::timeout, this, &DialogDriver::Poll);
        m_timer.start();
    }

    int answered = 0;
    QString title;

  private:
    void Poll() {
        auto *dialog =
            qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (dialog == nullptr ||
            qobject_cast<QMessageBox *>(dialog) != nullptr ||
            !dialog->isVisible())
            return;
        m_timer.stop();
        ++answered;
        title = dialog->windowTitle();
        if (m_fill)
            m_fill(*dialog);
        dialog->done(m_result);
    }

    Fill m_fill;
    int m_result;
    QTimer m_timer;
};

/**
 * Triggers the menu item named @p action of @p window; the dialog it opens is
 * handed to @p fill and then closed with @p result (QDialog::Accepted or
 * QDialog::Rejected).
 */
inline DialogRun RunDialog(QWidget &window, const QString &action,
                           const DialogDriver::Fill &fill, int result) {
    auto *item = window.findChild<QAction *>(action);
    if (item == nullptr)
        qFatal("no menu item %s", qPrintable(action));
    DialogRun run;
    ErrorBoxCatcher catcher;
    DialogDriver driver(fill, result);
    item->trigger();
    run.dialogs = driver.answered;
    run.title = driver.title;
    run.boxes = catcher.boxes;
    return run;
}

/// The child of @p parent named @p name; the test ends at once when missing.
template <typename T> T *Child(const QObject &parent, const QString &name) {
    auto *child = parent.findChild<T *>(name);
    if (child == nullptr)
        qFatal("no control %s", qPrintable(name));
    return child;
}

/**
 * What control @p name of @p dialog shows: an edit field's or a label's text,
 * a list's "index:text" of its selected entry, a radio button's "on" or "off".
 */
inline QString StateOf(const QDialog &dialog, const QString &name) {
    if (auto *edit = dialog.findChild<QLineEdit *>(name))
        return edit->text();
    if (auto *label = dialog.findChild<QLabel *>(name))
        return label->text();
    if (auto *list = dialog.findChild<QComboBox *>(name))
        return QString::number(list->currentIndex()) + u':' +
               list->currentText();
    if (auto *button = dialog.findChild<QRadioButton *>(name))
        return button->isChecked() ? QStringLiteral("on")
                                   : QStringLiteral("off");
    qFatal("no control %s", qPrintable(name));
}

/// "name=state" of each control in @p names, in that order.
inline QStringList Snapshot(const QDialog &dialog, const QStringList &names) {
    QStringList rows;
    for (const QString &name : names)
        rows << name + u'=' + StateOf(dialog, name);
    return rows;
}

inline void SetText(const QDialog &dialog, const QString &name,
                    const QString &text) {
    Child<QLineEdit>(dialog, name)->setText(text);
}

/// The names of "name=text" rows, in their order.
inline QStringList NamesOf(const QStringList &rows) {
    QStringList names;
    for (const QString &row : rows)
        names << SplitAssignment(row).first;
    return names;
}

/// Whether the dialog's buttons read "&Ok" and "&Cancel", Cancel left of OK.
inline bool CancelLeftOfOk(const QDialog &dialog) {
    auto *ok = Child<QPushButton>(dialog, QStringLiteral("btnOk"));
    auto *cancel = Child<QPushButton>(dialog, QStringLiteral("btnCancel"));
    return ok->text() == QStringLiteral("&Ok") &&
           cancel->text() == QStringLiteral("&Cancel") &&
           cancel->x() + cancel->width() <= ok->x();
}
