// The state the tests of the main window start from: a fresh window for every
// test, made under the decimal separator of the current global row, and the
// ways the tests reach its fields, commands and dialogs. A test class derives
// from one of these next to QObject and calls OpenWindow() and CloseWindow()
// from its init() and cleanup().
#pragma once

#include "DialogDriver.h"
#include "NumberText.h"
#include "UiTestSupport.h"
#include "WindowUnderTest.h"

#include <QAction>

#include <memory>

class MainWindowFixture {
  protected:
    void OpenWindow() {
        m_sep = UseRowSeparator();
        m_window = std::make_unique<TfrmMainUnderTest>();
    }

    void CloseWindow() {
        m_window.reset();
        Code::SetDecimalSeparator('.');
    }

    QLineEdit *Field(const QString &name) const {
        return FieldOf(*m_window, name);
    }

    /// The value field @p name shows, read independently of the program.
    double Value(const QString &name) const {
        return ValueOf(Field(name)->text(), m_sep);
    }

    /// A number text of the test rows under the separator in use.
    QString Num(const QString &text) const { return Typed(text, m_sep); }

    std::unique_ptr<TfrmMainUnderTest> m_window;
    char m_sep = '.';
};

/// The main window with its dialogs created, as start-up leaves it.
class DialogFixture : protected MainWindowFixture {
  protected:
    void OpenWindow() {
        MainWindowFixture::OpenWindow();
        m_window->CreateDialogs();
    }

    DialogRun Run(const QString &action, const DialogDriver::Fill &fill,
                  int result = QDialog::Accepted) {
        return RunDialog(*m_window, action, fill, result);
    }

    /// What the controls @p names of the dialog of @p action show when it
    /// opens ("name=state" rows); the dialog is closed with Cancel.
    QStringList Opened(const QString &action, const QStringList &names) {
        QStringList shown;
        const DialogRun run = Run(
            action, [&](QDialog &d) { shown = Snapshot(d, names); },
            QDialog::Rejected);
        if (run.dialogs != 1)
            qWarning("the dialog did not open");
        return shown;
    }

    /// The hidden dialog captioned @p title, before any opening.
    QDialog *DialogTitled(const QString &title) const {
        QDialog *dialog = nullptr;
        for (QDialog *candidate : m_window->findChildren<QDialog *>()) {
            if (candidate->windowTitle() == title)
                dialog = candidate;
        }
        return dialog;
    }

    /// Writes a point of the test rows into the DD row of side @p side, as
    /// the program writes (no recomputation).
    void SetPoint(const QString &side, const QString &lat, const QString &lon,
                  const QString &alt) {
        Field(QStringLiteral("edtLatDd") + side)->setText(Num(lat));
        Field(QStringLiteral("edtLonDd") + side)->setText(Num(lon));
        Field(QStringLiteral("edtAltDd") + side)->setText(Num(alt));
    }

    /// Triggers the menu item @p action; the error boxes it showed.
    QList<ShownBox> Trigger(const QString &action) {
        ErrorBoxCatcher catcher;
        Child<QAction>(*m_window, action)->trigger();
        return catcher.boxes;
    }
};
