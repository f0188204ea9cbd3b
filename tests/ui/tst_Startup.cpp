// Around the main window: the error box, the guard that turns an error
// escaping start-up or the event loop into a failure exit, the decimal
// separator taken from the regional settings, the event log and the program
// icon on every window.
#include "Coord.h"
#include "DialogDriver.h"
#include "ErrorBox.h"
#include "Errors.h"
#include "EventLog.h"
#include "NumberText.h"
#include "ProgramIcon.h"
#include "Startup.h"
#include "UiTestSupport.h"
#include "WindowUnderTest.h"

#include <QAction>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>
#include <stdexcept>

namespace {

// An object whose event handler lets an error escape, as no handler of the
// program does.
class Thrower : public QObject {
  public:
    bool event(QEvent *event) override {
        if (event->type() == QEvent::User)
            throw FloatingPointError("Floating point overflow");
        return QObject::event(event);
    }
};

QString LogPath() {
    return QDir::temp().filePath(QStringLiteral("tst_Startup-events-%1.log")
                                     .arg(QCoreApplication::applicationPid()));
}

QStringList LogLines() {
    QFile file(LogPath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

} // namespace

class tst_Startup : public QObject {
    Q_OBJECT

  private slots:
    void cleanup();

    void projDatabaseOpenedAtFirstUseOnly();

    void errorBox_data();
    void errorBox();
    void runGuarded_data();
    void runGuarded();
    void errorEscapingEventLoopEndsWithFailure();
    void decimalSeparator_data();
    void decimalSeparator();
    void eventLog();
    void eventLogWindowsMenusAndMarks();
    void eventLogFileConversion();
    void programIconOnEveryWindow();
};

void tst_Startup::cleanup() { QFile::remove(LogPath()); }

// Start-up as app/main.cpp runs it leaves PROJ's database closed: the
// reference-system chooser is made, and the database opened, at the first
// use of its menu item. Runs first: nothing before it in this program may
// have touched PROJ.
void tst_Startup::projDatabaseOpenedAtFirstUseOnly() {
    const auto databaseOpen = [] {
        const QDir fds(QStringLiteral("/proc/self/fd"));
        for (const QFileInfo &fd : fds.entryInfoList(
                 QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
            if (QFileInfo(fd.symLinkTarget()).fileName() ==
                QStringLiteral("proj.db"))
                return true;
        }
        return false;
    };
    TfrmMain window;
    window.CreateDialogs();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(!databaseOpen());
    const auto chooser = [&window] {
        int count = 0;
        for (const QDialog *dialog : window.findChildren<QDialog *>())
            count +=
                dialog->windowTitle() == QStringLiteral("Reference System");
        return count;
    };
    QCOMPARE(chooser(), 0);
    const DialogRun run = RunDialog(window, QStringLiteral("ReferenceSystem1"),
                                    {}, QDialog::Rejected);
    QCOMPARE(run.dialogs, 1);
    QCOMPARE(chooser(), 1);
    QVERIFY(databaseOpen()); // the check above can see it
}

void tst_Startup::errorBox_data() {
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown");
    // A period is appended when the last character sorts after ".".
    QTest::newRow("letter") << "Invalid floating point operation"
                            << "Invalid floating point operation.";
    QTest::newRow("digit") << "code 5"
                           << "code 5.";
    QTest::newRow("colon") << "see:"
                           << "see:.";
    QTest::newRow("slash") << "a/"
                           << "a/.";
    QTest::newRow("Hangul") << QStringLiteral("도") << QStringLiteral("도.");
    QTest::newRow("period") << "done."
                            << "done.";
    QTest::newRow("closing parenthesis") << "Tokyo(---)"
                                         << "Tokyo(---)";
    QTest::newRow("exclamation") << "stop!"
                                 << "stop!";
    QTest::newRow("quote") << "'x'"
                           << "'x'";
    QTest::newRow("empty") << ""
                           << "";
}

void tst_Startup::errorBox() {
    QFETCH(QString, message);
    QFETCH(QString, shown);
    ErrorBoxCatcher catcher;
    ShowErrorBox(nullptr, message);
    QCOMPARE(catcher.boxes.size(), 1);
    QCOMPARE(catcher.boxes[0].text, shown);
    QCOMPARE(catcher.boxes[0].title, QStringLiteral("ZEPHANIX NLVX"));
    QCOMPARE(catcher.boxes[0].icon, QMessageBox::Critical);
    QCOMPARE(catcher.boxes[0].buttons,
             QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY(catcher.boxes[0].modal);
}

void tst_Startup::runGuarded_data() {
    QTest::addColumn<int>("kind"); // 0 returns, 1 engine fault, 2 bad text
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("shown");
    QTest::newRow("normal end") << 0 << 0 << "";
    QTest::newRow("own exit code") << 3 << 3 << "";
    // Regression: an error escaping start-up used to be reported with exit
    // code 0, a failure reported as success.
    QTest::newRow("engine fault")
        << 1 << EXIT_FAILURE << "Floating point division by zero.";
    QTest::newRow("unreadable text")
        << 2 << EXIT_FAILURE << "'' is not a valid floating point value.";
}

void tst_Startup::runGuarded() {
    QFETCH(int, kind);
    QFETCH(int, result);
    QFETCH(QString, shown);
    ErrorBoxCatcher catcher;
    const int code = RunGuarded([kind]() -> int {
        if (kind == 1)
            throw FloatingPointError("Floating point division by zero");
        if (kind == 2)
            throw Code::ConversionError(
                "'' is not a valid floating point value");
        return kind;
    });
    QCOMPARE(code, result);
    if (shown.isEmpty()) {
        QVERIFY(catcher.boxes.isEmpty());
    } else {
        QCOMPARE(catcher.boxes.size(), 1);
        QCOMPARE(catcher.boxes[0].text, shown);
        QCOMPARE(catcher.boxes[0].title, QStringLiteral("ZEPHANIX NLVX"));
    }
}

void tst_Startup::errorEscapingEventLoopEndsWithFailure() {
    // Regression: the event loop must not end with exit code 0 after an
    // error escaped it.
    Thrower thrower;
    ErrorBoxCatcher catcher;
    QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
    const int code = QApplication::exec();
    QCOMPARE(code, EXIT_FAILURE);
    QCOMPARE(catcher.boxes.size(), 1);
    QCOMPARE(catcher.boxes[0].text, QStringLiteral("Floating point overflow."));
}

void tst_Startup::decimalSeparator_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<char>("separator");
    QTest::newRow("C") << "C" << '.';
    QTest::newRow("en_US") << "en_US" << '.';
    QTest::newRow("ko_KR") << "ko_KR" << '.';
    QTest::newRow("de_DE") << "de_DE" << ',';
    QTest::newRow("fr_FR") << "fr_FR" << ',';
    // Arabic (Egypt) writes U+066B, which the number texts cannot use.
    QTest::newRow("ar_EG") << "ar_EG" << '.';
}

void tst_Startup::decimalSeparator() {
    QFETCH(QString, locale);
    QFETCH(char, separator);
    QCOMPARE(DecimalSeparatorOf(QLocale(locale)), separator);
}

void tst_Startup::eventLog() {
    QVERIFY(EventLog::Enabled());
    QFile::remove(LogPath());
    {
        TfrmMain window;
        // The creation handler's writes are logged as they happen.
        QStringList lines = LogLines();
        QVERIFY(lines.contains(QStringLiteral("edtLatDd1\t37.4818416208333")));
        QVERIFY(lines.contains(QStringLiteral("edtLatDmm1\t28.91049725")));
        QVERIFY(!lines.contains(QStringLiteral("painted")));

        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTRY_VERIFY(LogLines().contains(QStringLiteral("painted")));
        window.update();
        QTest::qWait(50);
        QCOMPARE(LogLines().count(QStringLiteral("painted")), 1);

        // A typed key: the field's own line, then the lines it causes.
        QVERIFY(QTest::qWaitForWindowActive(&window));
        auto *dd = window.findChild<QLineEdit *>("edtLatDd1");
        QTest::mouseClick(dd, Qt::LeftButton);
        QTest::keyClick(dd, Qt::Key_A, Qt::ControlModifier);
        const qsizetype start = LogLines().size();
        QTest::keyClicks(dd, QStringLiteral("7"));
        lines = LogLines().mid(start);
        QCOMPARE(lines.value(0), QStringLiteral("edtLatDd1\t7"));
        QVERIFY(lines.contains(QStringLiteral("edtLatDmd1\t7")));

        // An error box: the message, then the box's window with its text.
        ErrorBoxCatcher catcher;
        const qsizetype before = LogLines().size();
        window.findChild<QLineEdit *>("edtAltDd1")->setText(QString());
        window.findChild<QAction *>("Dt1")->trigger();
        lines = LogLines().mid(before);
        QCOMPARE(lines.value(0), QStringLiteral("edtAltDd1\t"));
        QCOMPARE(
            lines.value(1),
            QStringLiteral("error\t'' is not a valid floating point value."));
        QCOMPARE(lines.value(2), QStringLiteral("shown\tZEPHANIX NLVX"));
        QCOMPARE(lines.count(QStringLiteral("shown\tZEPHANIX NLVX")), 1);
        QCOMPARE(lines.last(), QStringLiteral("hidden\tZEPHANIX NLVX"));
    }
}

void tst_Startup::eventLogWindowsMenusAndMarks() {
    QVERIFY(EventLog::Enabled());
    TfrmMainUnderTest window;
    window.CreateDialogs();
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));

    // Showing a window names it and what it shows, but not the contents of
    // the dialogs it owns, which are still hidden.
    QStringList lines = LogLines();
    const qsizetype shown = lines.indexOf(QStringLiteral(
        "shown\tZEPHANIX Datum Transformation & Coordinate Conversion "));
    QVERIFY(shown >= 0);
    QVERIFY(lines.indexOf(QStringLiteral("stUtm2\tTokyo(---)(UTM)"), shown) >
            shown);
    QVERIFY(!lines.contains(QStringLiteral("cboDatum2\tTokyo(---)")));

    // A modal dialog: shown with its contents, hidden when answered.
    qsizetype before = lines.size();
    const DialogRun run = RunDialog(window, "SetDatum1", {}, QDialog::Rejected);
    QCOMPARE(run.dialogs, 1);
    lines = LogLines().mid(before);
    QCOMPARE(lines.value(0), QStringLiteral("shown\tDatum"));
    QVERIFY(lines.contains(QStringLiteral("cboDatum2\tTokyo(---)")));
    QVERIFY(lines.contains(QStringLiteral("lblDx2\t-105.627")));
    QCOMPARE(lines.last(), QStringLiteral("hidden\tDatum"));

    // The labels that the dialogs rewrite.
    before = LogLines().size();
    window.m_strDatumName1 = QStringLiteral("Adindan(ADI-M)");
    window.ShowDatumLabels();
    lines = LogLines().mid(before);
    QCOMPARE(lines, QStringList({QStringLiteral("stDatum1\tAdindan(ADI-M)"),
                                 QStringLiteral("stDatum2\tTokyo(---)"),
                                 QStringLiteral("stUtm1\tAdindan(ADI-M)(UTM)"),
                                 QStringLiteral("stUtm2\tTokyo(---)(UTM)")}));

    // The check mark of "&Degree System" and the tool window, also when its
    // close box hides it.
    before = LogLines().size();
    window.DegSys1()->trigger();
    lines = LogLines().mid(before);
    QCOMPARE(lines.value(0), QStringLiteral("DegSys1\tchecked"));
    QCOMPARE(lines.value(1), QStringLiteral("shown\tDegree System Conversion"));
    QVERIFY(lines.contains(QStringLiteral("edtRadian\t0")));
    QWidget *tool = nullptr;
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w->windowTitle() == QStringLiteral("Degree System Conversion"))
            tool = w;
    }
    QVERIFY(tool != nullptr);
    before = LogLines().size();
    QVERIFY(tool->close());
    QCOMPARE(LogLines().mid(before),
             QStringList({QStringLiteral("DegSys1\tunchecked"),
                          QStringLiteral("hidden\tDegree System Conversion")}));

    // A menu opening names its title.
    QMenu *config = nullptr;
    for (QMenu *menu : window.menuBar()->findChildren<QMenu *>()) {
        if (menu->title() == QStringLiteral("&Config"))
            config = menu;
    }
    QVERIFY(config != nullptr);
    before = LogLines().size();
    config->popup(window.geometry().center());
    QTRY_VERIFY(config->isVisible());
    config->hide();
    QCOMPARE(LogLines().mid(before),
             QStringList({QStringLiteral("menu\t&Config")}));
}

// The file-conversion dialog's run: its start, the progress it shows and
// its end, with the points converted and the lines that failed.
void tst_Startup::eventLogFileConversion() {
    QVERIFY(EventLog::Enabled());
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString input = dir.filePath(QStringLiteral("points.txt"));
    QFile file(input);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("37.5 127.5\nnot a point\n38 128\n");
    file.close();

    TfrmMainUnderTest window;
    TfrmConvert dialog(&window);
    dialog.ShowSides(window.FileSides());
    dialog.SetInput(input);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const qsizetype before = LogLines().size();
    dialog.findChild<QPushButton *>(QStringLiteral("btnConvert"))->click();
    QTRY_VERIFY_WITH_TIMEOUT(!dialog.Running(), 60000);
    const QStringList lines = LogLines().mid(before);
    QCOMPARE(lines.value(0), QStringLiteral("convertStarted\t") + input);
    QVERIFY(lines.contains(QStringLiteral("convertProgress\t100")));
    QCOMPARE(lines.last(), QStringLiteral("convertDone\t2\t1"));
}

void tst_Startup::programIconOnEveryWindow() {
    // Regression: only the degree tool and the about box carried the program
    // icon; the main window, its dialogs and its error boxes had none.
    const QImage icon = ProgramIcon().pixmap(32, 32).toImage();
    QVERIFY(!icon.isNull());
    TfrmMain window;
    window.CreateDialogs();
    QCOMPARE(window.windowIcon().pixmap(32, 32).toImage(), icon);
    const QList<QWidget *> owned = window.findChildren<QWidget *>();
    int windows = 0;
    for (const QWidget *w : owned) {
        if (w->windowType() != Qt::Window && w->windowType() != Qt::Dialog)
            continue; // not a window, or a menu
        ++windows;
        QCOMPARE(w->windowIcon().pixmap(32, 32).toImage(), icon);
    }
    QCOMPARE(windows, 6); // the five dialogs and the degree tool
    QMessageBox box(QMessageBox::Critical, QStringLiteral("ZEPHANIX NLVX"),
                    QStringLiteral("x"), QMessageBox::Ok, &window);
    QCOMPARE(box.windowIcon().pixmap(32, 32).toImage(), icon);
}

int main(int argc, char *argv[]) {
    // The log is switched on for the whole process before anything reads it,
    // and installed as app/main.cpp installs it, before any window is made.
    qputenv("NOLVEX_EVENT_LOG", LogPath().toUtf8());
    GuardedApplication app(argc, argv);
    EventLog::Install(app);
    tst_Startup test;
    const int failures = QTest::qExec(&test, argc, argv);
    QFile::remove(LogPath());
    return failures;
}

#include "tst_Startup.moc"
