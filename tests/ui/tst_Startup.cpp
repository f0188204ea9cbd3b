// Around the main window: the error box, the guard that turns an error
// escaping start-up or the event loop into a failure exit, the decimal
// separator taken from the regional settings, and the event log.
#include "Coord.h"
#include "ErrorBox.h"
#include "Errors.h"
#include "EventLog.h"
#include "Fmain.h"
#include "NumberText.h"
#include "Startup.h"
#include "UiTestSupport.h"

#include <QAction>
#include <QDir>
#include <QFile>
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

    void errorBox_data();
    void errorBox();
    void runGuarded_data();
    void runGuarded();
    void errorEscapingEventLoopEndsWithFailure();
    void decimalSeparator_data();
    void decimalSeparator();
    void eventLog();
};

void tst_Startup::cleanup() { QFile::remove(LogPath()); }

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

        // An error box.
        window.findChild<QLineEdit *>("edtAltDd1")->setText(QString());
        ErrorBoxCatcher catcher;
        window.findChild<QAction *>("Dt1")->trigger();
        QCOMPARE(
            LogLines().last(),
            QStringLiteral("error\t'' is not a valid floating point value."));
    }
}

int main(int argc, char *argv[]) {
    // The log is switched on for the whole process before anything reads it.
    qputenv("NOLVEX_EVENT_LOG", LogPath().toUtf8());
    GuardedApplication app(argc, argv);
    tst_Startup test;
    const int failures = QTest::qExec(&test, argc, argv);
    QFile::remove(LogPath());
    return failures;
}

#include "tst_Startup.moc"
