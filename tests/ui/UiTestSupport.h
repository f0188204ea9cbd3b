// Helpers shared by the window tests: the decimal separator of each test row,
// catching the error box, finding and typing into fields by their documented
// names, writing and reading number texts independently of the program's own
// writers and readers.
#pragma once

#include "FieldMark.h"

#include "NumberText.h"

#include <QApplication>
#include <QLineEdit>
#include <QList>
#include <QLocale>
#include <QMap>
#include <QMessageBox>
#include <QObject>
#include <QPushButton>
#include <QString>
#include <QStringList>
#include <QTest>
#include <QTimer>

#include <utility>

/// Every window test runs once with the point and once with the comma as the
/// decimal separator of the regional settings: the global data rows.
inline void AddSeparatorRows() {
    QTest::addColumn<char>("separator");
    QTest::newRow("point") << '.';
    QTest::newRow("comma") << ',';
}

/// Puts the separator of the current global row in force and returns it.
inline char UseRowSeparator() {
    QFETCH_GLOBAL(char, separator);
    Code::SetDecimalSeparator(separator);
    return separator;
}

/// What one shown error box looked like.
struct ShownBox {
    QString title;
    QString text;
    QString detail; ///< the informative text below the message
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    bool modal = false;
};

/**
 * While alive, answers every message box the program opens: a zero timer
 * (which runs inside the box's own event loop) records the box and presses
 * its OK button, as Qt's dialog tests drive modal dialogs.
 */
class ErrorBoxCatcher : public QObject {
  public:
    ErrorBoxCatcher() {
        m_timer.setInterval(0);
        connect(&m_timer, &QTimer::timeout, this, &ErrorBoxCatcher::Poll);
        m_timer.start();
    }

    QList<ShownBox> boxes;

  private:
    void Poll() {
        auto *box =
            qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible())
            return;
        ShownBox shown;
        shown.title = box->windowTitle();
        shown.text = box->text();
        shown.detail = box->informativeText();
        shown.icon = box->icon();
        shown.buttons = box->standardButtons();
        shown.modal = box->isModal();
        boxes.append(shown);
        if (QAbstractButton *ok = box->button(QMessageBox::Ok))
            ok->click();
        else
            box->done(0); // a box without OK still ends; the test sees it
    }

    QTimer m_timer;
};

/// The 30 edit fields of the main window, by documented name.
inline QStringList AllFieldNames() {
    QStringList names;
    for (const char *side : {"1", "2"}) {
        for (const char *stem :
             {"edtLatDd", "edtLonDd", "edtAltDd", "edtLatDmd", "edtLatDmm",
              "edtLonDmd", "edtLonDmm", "edtLatDmsd", "edtLatDmsm",
              "edtLatDmss", "edtLonDmsd", "edtLonDmsm", "edtLonDmss", "edtUtmX",
              "edtUtmY", "edtUtmZ"}) {
            names << QString::fromLatin1(stem) + QString::fromLatin1(side);
        }
    }
    names.removeDuplicates();
    return names;
}

/// Texts of every field of @p window, by name.
inline QMap<QString, QString> FieldTexts(const QWidget &window) {
    QMap<QString, QString> texts;
    for (const QString &name : AllFieldNames()) {
        if (auto *field = window.findChild<QLineEdit *>(name))
            texts.insert(name, field->text());
    }
    return texts;
}

/// A number text as the program writes it under decimal separator @p sep.
inline QString Localised(QString text, char sep) {
    if (sep != '.')
        text.replace(u'.', QLatin1Char(sep));
    return text;
}

/// Reads a number text written under separator @p sep with Qt's C locale,
/// independently of the program's readers; NaN when it does not read.
inline double ValueOf(QString text, char sep) {
    if (sep != '.')
        text.replace(QLatin1Char(sep), u'.');
    bool ok = false;
    const double value = QLocale::c().toDouble(text, &ok);
    return ok ? value : qQNaN();
}

/// A number text of the test rows under separator @p sep: "." becomes the
/// separator in use, "~" the other one (which the readers refuse).
inline QString Typed(QString text, char sep) {
    const QChar other = sep == '.' ? u',' : u'.';
    text.replace(u'.', QLatin1Char(sep));
    text.replace(u'~', other);
    return text;
}

/// Splits "name=text" into its two parts.
inline std::pair<QString, QString> SplitAssignment(const QString &row) {
    const auto at = row.indexOf(u'=');
    return {row.left(at), row.mid(at + 1)};
}

/// The edit field of @p parent named @p name; the test ends at once when
/// missing.
/// True while @p field shows its unreadable mark (see MarkWhenUnreadable).
inline bool IsMarkedUnreadable(const QLineEdit *field) {
    const QWidget *mark = field->findChild<QWidget *>(
        QString::fromLatin1(UNREADABLE_MARK), Qt::FindDirectChildrenOnly);
    return mark != nullptr && !mark->isHidden();
}

inline QLineEdit *FieldOf(const QObject &parent, const QString &name) {
    auto *field = parent.findChild<QLineEdit *>(name);
    if (field == nullptr)
        qFatal("no field %s", qPrintable(name));
    return field;
}

/// Focuses @p field as a click does, selects its text and types @p text one
/// key at a time (an empty text erases the selection with Backspace).
inline void TypeInto(QLineEdit *field, const QString &text) {
    QTest::mouseClick(field, Qt::LeftButton);
    QTRY_VERIFY(field->hasFocus());
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    if (text.isEmpty())
        QTest::keyClick(field, Qt::Key_Backspace);
    else
        QTest::keyClicks(field, text);
    QCOMPARE(field->text(), text);
}
