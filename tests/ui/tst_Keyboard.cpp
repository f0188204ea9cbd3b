// The program without a mouse: every dialog of the main window reached from
// its menu, filled and closed with the keyboard alone. (The degree tool's
// Escape and the reference-system chooser's lists have their own tests, in
// tst_TfrmDegSys and tst_TfrmRefSys.)
#include "MainWindowFixture.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QSet>
#include <QStandardPaths>
#include <QTest>

class tst_Keyboard : public QObject, private DialogFixture {
    Q_OBJECT

  private slots:
    // The chooser reads the systems used last: from a settings file of the
    // tests, not the user's.
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void initTestCase_data() { AddSeparatorRows(); }
    void init() { OpenWindow(); }
    void cleanup() { CloseWindow(); }

    void tabReachesEveryControl_data();
    void tabReachesEveryControl();
    void escapeAndReturnClose_data();
    void escapeAndReturnClose();
    void commandKeysRunTheirCommands_data();
    void commandKeysRunTheirCommands();

  private:
    static void ActivateDialog(QDialog &d);
};

namespace {

void Dialogs() {
    QTest::addColumn<QString>("action");
    QTest::newRow("Set Datum") << "SetDatum1";
    QTest::newRow("Set Coordnate") << "SetCoordnate1";
    QTest::newRow("Set Factor(Coord)") << "SetFactor1";
    QTest::newRow("Define User Ellipsoid") << "UserEllipsoid1";
    QTest::newRow("Define User Datum") << "UserDatum1";
    QTest::newRow("Reference System") << "ReferenceSystem1";
    QTest::newRow("About") << "About1";
}

/// The controls of @p d that Tab must reach: every field, list, button and
/// check box that takes the focus, and of each group of radio buttons the
/// one that is on (the arrows move between them).
QSet<QString> Controls(const QDialog &d) {
    QSet<QString> names;
    for (const QWidget *w : d.findChildren<QWidget *>()) {
        if (!w->isVisibleTo(&d) || !w->isEnabled() ||
            !(w->focusPolicy() & Qt::TabFocus) || w->objectName().isEmpty())
            continue;
        const bool control = qobject_cast<const QLineEdit *>(w) ||
                             qobject_cast<const QComboBox *>(w) ||
                             qobject_cast<const QListWidget *>(w) ||
                             qobject_cast<const QAbstractButton *>(w);
        if (!control)
            continue;
        if (const auto *radio = qobject_cast<const QRadioButton *>(w);
            radio && !radio->isChecked())
            continue;
        names.insert(w->objectName());
    }
    return names;
}

} // namespace

void tst_Keyboard::ActivateDialog(QDialog &d) {
    d.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&d));
    QVERIFY(d.focusWidget() != nullptr);
}

void tst_Keyboard::tabReachesEveryControl_data() { Dialogs(); }

// From where a dialog opens, Tab goes round every control and back.
void tst_Keyboard::tabReachesEveryControl() {
    QFETCH(QString, action);
    QSet<QString> expected, reached;
    const DialogRun run = Run(
        action,
        [&](QDialog &d) {
            ActivateDialog(d);
            expected = Controls(d);
            QWidget *start = d.focusWidget();
            for (int i = 0; i < 4 * expected.size() + 4; ++i) {
                QWidget *at = d.focusWidget();
                reached.insert(at->objectName());
                QTest::keyClick(at, Qt::Key_Tab);
                if (d.focusWidget() == start)
                    break;
            }
            QCOMPARE(d.focusWidget(), start);
        },
        QDialog::Rejected);
    QCOMPARE(run.dialogs, 1);
    QVERIFY(!expected.isEmpty());
    const QSet<QString> missed = expected - reached;
    QVERIFY2(missed.isEmpty(),
             qPrintable(QStringList(missed.begin(), missed.end()).join(", ")));
}

void tst_Keyboard::escapeAndReturnClose_data() { Dialogs(); }

// Escape closes a dialog as Cancel does, Return as OK does, from where the
// focus is when it opens.
void tst_Keyboard::escapeAndReturnClose() {
    QFETCH(QString, action);
    for (const int key : {int(Qt::Key_Escape), int(Qt::Key_Return)}) {
        int result = -1;
        const DialogRun run = Run(
            action,
            [&](QDialog &d) {
                ActivateDialog(d);
                QTest::keyClick(d.focusWidget(), Qt::Key(key));
                QVERIFY(!d.isVisible());
                result = d.result();
            },
            // what the driver sets after the key: the key's own result
            key == Qt::Key_Escape ? QDialog::Rejected : QDialog::Accepted);
        QCOMPARE(run.dialogs, 1);
        QVERIFY(run.boxes.isEmpty());
        QCOMPARE(result, key == Qt::Key_Escape ? int(QDialog::Rejected)
                                               : int(QDialog::Accepted));
        m_window->activateWindow();
    }
}

void tst_Keyboard::commandKeysRunTheirCommands_data() {
    QTest::addColumn<int>("digit");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("field"); // where the focus is, as typed
    QTest::newRow("Ctrl+1") << 1 << "Dt1" << "edtLatDd1";
    QTest::newRow("Ctrl+2") << 2 << "Dt2" << "edtLatDd2";
    QTest::newRow("Ctrl+3") << 3 << "Dt1cc1" << "edtLatDd1";
    QTest::newRow("Ctrl+4") << 4 << "Dt2cc2" << "edtLonDd2";
    QTest::newRow("Ctrl+5") << 5 << "Cc1Dt1" << "edtUtmX1";
    QTest::newRow("Ctrl+6") << 6 << "Cc2dt2" << "edtUtmY2";
}

// Ctrl+1 to Ctrl+6, pressed in a field, do what the six commands' menu items
// do, in menu order: the fields come out as the menu item leaves them in a
// window given the same texts.
void tst_Keyboard::commandKeysRunTheirCommands() {
    QFETCH(int, digit);
    QFETCH(QString, action);
    QFETCH(QString, field);
    // A point of Korea in every row, so that each command has work to do.
    const auto fill = [this](TfrmMainUnderTest &window) {
        const QStringList rows[] = {
            {"edtLatDd1", "37.5"},     {"edtLonDd1", "127.25"},
            {"edtLatDd2", "36"},       {"edtLonDd2", "128.5"},
            {"edtUtmX1", "345000"},    {"edtUtmY1", "4150000"},
            {"edtUtmX2", "455000"},    {"edtUtmY2", "3983000"}};
        for (const QStringList &row : rows)
            FieldOf(window, row[0])->setText(Num(row[1]));
    };
    TfrmMainUnderTest byMenu;
    fill(byMenu);
    const QMap<QString, QString> before = FieldTexts(byMenu);
    byMenu.findChild<QAction *>(action)->trigger();
    const QMap<QString, QString> expected = FieldTexts(byMenu);
    QVERIFY(expected != before);

    fill(*m_window);
    m_window->show();
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    Field(field)->setFocus();
    QTest::keyClick(Field(field), Qt::Key(Qt::Key_0 + digit),
                    Qt::ControlModifier);
    QCOMPARE(FieldTexts(*m_window), expected);
}

QTEST_MAIN(tst_Keyboard)
#include "tst_Keyboard.moc"
