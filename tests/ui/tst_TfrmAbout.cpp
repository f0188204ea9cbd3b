// The about box: its texts and look, the version line, its place over the main
// window, and a fresh box for every showing.
#include "Fabout.h"
#include "NumberText.h"

#include <QApplication>
#include <QFile>
#include <QFrame>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryFile>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

namespace {

/**
 * While alive, waits for the about box to open (a zero timer runs inside the
 * box's own event loop), hands it to @p act once and stops; @p act must close
 * the box. A box still open after 10 s is rejected, so a fault ends the test
 * instead of hanging it.
 */
class AboutDriver : public QObject {
  public:
    explicit AboutDriver(std::function<void(TfrmAbout &)> act)
        : m_act(std::move(act)) {
        m_poll.setInterval(0);
        connect(&m_poll, &QTimer::timeout, this, &AboutDriver::Poll);
        m_poll.start();
        m_stuck.setSingleShot(true);
        connect(&m_stuck, &QTimer::timeout, this, [this] {
            if (auto *box =
                    qobject_cast<QDialog *>(QApplication::activeModalWidget()))
                box->reject();
            m_poll.stop();
        });
        m_stuck.start(10000);
    }

    int seen = 0; ///< how many boxes were handed to the action

  private:
    void Poll() {
        auto *box =
            qobject_cast<TfrmAbout *>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible())
            return;
        m_poll.stop();
        ++seen;
        m_act(*box);
    }

    std::function<void(TfrmAbout &)> m_act;
    QTimer m_poll;
    QTimer m_stuck;
};

QLabel *Label(const QWidget &box, const char *name) {
    auto *label = box.findChild<QLabel *>(QString::fromLatin1(name));
    if (label == nullptr)
        qFatal("no label %s", name);
    return label;
}

} // namespace

class tst_TfrmAbout : public QObject {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void texts_data();
    void texts();
    void creditLines();
    void look();
    void versionText_data();
    void versionText();
    void closing_data();
    void closing();
    void centring_data();
    void centring();
    void freshBoxForEveryShowing();

  private:
    std::unique_ptr<QWidget> m_main; // stands in for the main window
};

void tst_TfrmAbout::init() {
    m_main = std::make_unique<QWidget>();
    m_main->setGeometry(192, 108, 650, 447);
}

void tst_TfrmAbout::cleanup() {
    m_main.reset();
    Code::SetDecimalSeparator('.');
}

// ---- what the box shows -----------------------------------------------------

void tst_TfrmAbout::texts_data() {
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("text");
    QTest::newRow("Label1, trailing blank kept")
        << "Label1"
        << "ZEPHANIX Datum Transformation ";
    QTest::newRow("Label2") << "Label2"
                            << "Coordinate Conversion";
    QTest::newRow("lblVersion: two blanks before 1.22")
        << "lblVersion" << QStringLiteral("버전  1.22");
}

void tst_TfrmAbout::texts() {
    QFETCH(QString, label);
    QFETCH(QString, text);
    QString shown;
    AboutDriver driver([&](TfrmAbout &box) {
        shown = Label(box, qPrintable(label))->text();
        box.accept();
    });
    TfrmAbout::ShowAbout(m_main.get(), 1.22);
    QCOMPARE(driver.seen, 1);
    QCOMPARE(shown, text);
}

void tst_TfrmAbout::creditLines() {
    // Besides the two title lines and the version, four more lines, all
    // centred, that name the program.
    TfrmAbout box(m_main.get());
    int credits = 0;
    for (const QLabel *label : box.findChildren<QLabel *>()) {
        if (label->objectName() == "Image2")
            continue;
        QVERIFY2(label->alignment().testFlag(Qt::AlignHCenter),
                 qPrintable(label->objectName()));
        const QString name = label->objectName();
        if (name == "Label1" || name == "Label2" || name == "lblVersion")
            continue;
        ++credits;
        QVERIFY2(label->text().contains(QStringLiteral("Nolvex")),
                 qPrintable(label->text()));
    }
    QCOMPARE(credits, 4);
}

void tst_TfrmAbout::look() {
    TfrmAbout box(m_main.get());
    QCOMPARE(box.windowTitle(), QStringLiteral("About Nolvex"));

    // A dialog border with the system menu only.
    const Qt::WindowFlags flags = box.windowFlags();
    QCOMPARE(flags & Qt::WindowType_Mask, Qt::Dialog);
    QVERIFY(flags.testFlag(Qt::WindowSystemMenuHint));
    QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowContextHelpButtonHint));
    QCOMPARE(box.minimumSize(), box.maximumSize());
    QVERIFY(!box.windowIcon().isNull());

    // "확인" is the default button.
    auto *button = box.findChild<QPushButton *>("Button1");
    QVERIFY(button != nullptr);
    QCOMPARE(button->text(), QStringLiteral("확인"));
    QVERIFY(button->isDefault());

    // A teal panel with a lowered bevel, holding the 32 x 32 icon.
    auto *panel = box.findChild<QFrame *>("Panel1");
    QVERIFY(panel != nullptr);
    QCOMPARE(panel->frameShadow(), QFrame::Sunken);
    QVERIFY(panel->autoFillBackground());
    QCOMPARE(panel->palette().color(QPalette::Window), QColor(0, 128, 128));
    QLabel *image = Label(box, "Image2");
    QCOMPARE(image->parentWidget(), panel);
    QVERIFY(!image->pixmap().isNull());
    QCOMPARE(image->pixmap().deviceIndependentSize(), QSizeF(32, 32));
}

void tst_TfrmAbout::versionText_data() {
    // Expected texts from Python's "%5.2f" % value (the separator swapped for
    // the comma rows).
    QTest::addColumn<char>("separator");
    QTest::addColumn<double>("version");
    QTest::addColumn<QString>("text");
    QTest::newRow("1.22") << '.' << 1.22 << QStringLiteral("버전  1.22");
    QTest::newRow("1.22, comma") << ',' << 1.22 << QStringLiteral("버전  1,22");
    QTest::newRow("10.5 fills five")
        << '.' << 10.5 << QStringLiteral("버전 10.50");
    QTest::newRow("123.456 wider than five")
        << '.' << 123.456 << QStringLiteral("버전 123.46");
    QTest::newRow("1.225 rounds by its binary value")
        << '.' << 1.225 << QStringLiteral("버전  1.23");
    QTest::newRow("99.999 carries")
        << '.' << 99.999 << QStringLiteral("버전 100.00");
    QTest::newRow("0") << '.' << 0.0 << QStringLiteral("버전  0.00");
    QTest::newRow("-1.5") << '.' << -1.5 << QStringLiteral("버전 -1.50");
}

void tst_TfrmAbout::versionText() {
    QFETCH(char, separator);
    QFETCH(double, version);
    QFETCH(QString, text);
    Code::SetDecimalSeparator(separator);
    QString shown;
    AboutDriver driver([&](TfrmAbout &box) {
        shown = Label(box, "lblVersion")->text();
        box.accept();
    });
    TfrmAbout::ShowAbout(m_main.get(), version);
    QCOMPARE(shown, text);
}

// ---- closing ----------------------------------------------------------------

void tst_TfrmAbout::closing_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("result");
    QTest::newRow("확인 clicked") << "click" << int(QDialog::Accepted);
    QTest::newRow("Enter: the default button")
        << "enter" << int(QDialog::Accepted);
    QTest::newRow("close box") << "close" << int(QDialog::Rejected);
}

void tst_TfrmAbout::closing() {
    QFETCH(QString, how);
    QFETCH(int, result);
    bool modal = false;
    QWidget *parent = nullptr;
    AboutDriver driver([&](TfrmAbout &box) {
        modal = box.isModal() && box.isWindow();
        parent = box.parentWidget();
        if (how == "click")
            box.findChild<QPushButton *>("Button1")->click();
        else if (how == "enter")
            QTest::keyClick(&box, Qt::Key_Return);
        else
            box.close();
    });
    QCOMPARE(TfrmAbout::ShowAbout(m_main.get(), 1.22), result);
    QCOMPARE(driver.seen, 1);
    QVERIFY(modal);
    QCOMPARE(parent, m_main.get());
    // Destroyed once closed: nothing of it is left with the main window.
    QVERIFY(m_main->findChildren<TfrmAbout *>().isEmpty());
}

// ---- placement --------------------------------------------------------------

void tst_TfrmAbout::centring_data() {
    // The main window's place, and how much wider and taller it is than the
    // box; the box must stand at main left + (width difference) / 2 and main
    // top + (height difference) / 2, each half truncated toward zero.
    QTest::addColumn<QPoint>("mainPos");
    QTest::addColumn<QSize>("difference");
    QTest::addColumn<QPoint>("offset");
    QTest::newRow("even differences")
        << QPoint(192, 108) << QSize(250, 178) << QPoint(125, 89);
    QTest::newRow("odd differences round down")
        << QPoint(192, 108) << QSize(251, 179) << QPoint(125, 89);
    QTest::newRow("main smaller: odd halves toward zero")
        << QPoint(500, 400) << QSize(-7, -9) << QPoint(-3, -4);
    QTest::newRow("main smaller by one")
        << QPoint(500, 400) << QSize(-1, -1) << QPoint(0, 0);
    QTest::newRow("same size") << QPoint(10, 20) << QSize(0, 0) << QPoint(0, 0);
    QTest::newRow("partly off screen, left and top")
        << QPoint(-300, -200) << QSize(251, 177) << QPoint(125, 88);
    QTest::newRow("off screen, main smaller")
        << QPoint(-41, -3) << QSize(-101, -3) << QPoint(-50, -1);
    QTest::newRow("far right and low")
        << QPoint(3000, 2000) << QSize(101, 99) << QPoint(50, 49);
}

void tst_TfrmAbout::centring() {
    QFETCH(QPoint, mainPos);
    QFETCH(QSize, difference);
    QFETCH(QPoint, offset);
    const QSize boxSize = TfrmAbout().size();
    m_main->setGeometry(QRect(mainPos, boxSize + difference));
    m_main->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_main.get()));
    QCOMPARE(m_main->geometry().topLeft(), mainPos);

    QRect placed;
    AboutDriver driver([&](TfrmAbout &box) {
        placed = box.geometry();
        box.accept();
    });
    TfrmAbout::ShowAbout(m_main.get(), 1.22);
    QCOMPARE(driver.seen, 1);
    QCOMPARE(placed, QRect(mainPos + offset, boxSize));
}

// ---- one box per showing ----------------------------------------------------

void tst_TfrmAbout::freshBoxForEveryShowing() {
    m_main->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_main.get()));

    // The first box is changed while it is open: moved, its version line
    // overwritten; none of it may show in the second.
    QPointer<TfrmAbout> first;
    QRect firstPlace;
    AboutDriver driver1([&](TfrmAbout &box) {
        first = &box;
        firstPlace = box.geometry();
        box.move(box.pos() + QPoint(37, 41));
        Label(box, "lblVersion")->setText(QStringLiteral("changed"));
        box.accept();
    });
    TfrmAbout::ShowAbout(m_main.get(), 1.22);
    QCOMPARE(driver1.seen, 1);
    QVERIFY(first.isNull()); // destroyed when it closed

    bool firstAlive = true;
    QRect secondPlace;
    QString secondVersion;
    int boxesOpen = 0;
    AboutDriver driver2([&](TfrmAbout &box) {
        firstAlive = !first.isNull();
        secondPlace = box.geometry();
        secondVersion = Label(box, "lblVersion")->text();
        boxesOpen = int(m_main->findChildren<TfrmAbout *>().size());
        box.accept();
    });
    TfrmAbout::ShowAbout(m_main.get(), 2.5);
    QCOMPARE(driver2.seen, 1);
    QVERIFY(!firstAlive);
    QCOMPARE(boxesOpen, 1);
    QCOMPARE(secondPlace, firstPlace);
    QCOMPARE(secondVersion, QStringLiteral("버전  2.50"));
    QVERIFY(m_main->findChildren<TfrmAbout *>().isEmpty());
}

int main(int argc, char *argv[]) {
    // The offscreen platform moves a window placed left of or above the
    // screen's edge by its 2-pixel frame margin; without the margins it keeps
    // every place as given, so that windows partly off screen stand exactly
    // where they were put.
    QTemporaryFile config;
    if (qgetenv("QT_QPA_PLATFORM") == "offscreen" && config.open()) {
        config.write(R"({"windowFrameMargins": false,
                          "screens": [{"name": "screen", "x": 0, "y": 0,
                                       "width": 1024, "height": 768,
                                       "logicalDpiX": 96, "logicalDpiY": 96,
                                       "dpr": 1}]})");
        config.flush();
        qputenv("QT_QPA_PLATFORM",
                "offscreen:configfile=" + QFile::encodeName(config.fileName()));
    }
    QApplication app(argc, argv);
    tst_TfrmAbout test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_TfrmAbout.moc"
