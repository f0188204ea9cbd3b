// The dialogs as a day's work found them, each finding guarded here: the
// Reference System chooser (words matched independently, each side's
// present system, the systems used last under a heading, what a system
// stands on), Convert File (names whole in tooltips, why a format cannot
// be chosen, the values named in the order of the columns, the last run
// forgotten with a changed setting) and the degree tool beside the main
// window, wholly on screen.
//
// References: PROJ 9.1.1 (Debian 12):
//   projinfo EPSG:5186: datum "Geocentric datum of Korea", ellipsoid
//   "GRS 1980" (a 6378137, 1/f 298.257222101, EPSG:7019), method
//   "Transverse Mercator": Latitude of natural origin 38 degree, Longitude
//   of natural origin 127 degree, Scale factor at natural origin 1, False
//   easting 200000 metre, False northing 600000 metre; axes Northing (X)
//   and Easting (Y) in metre.
//   projinfo -s EPSG:5186 -t EPSG:4326 --spatial-test intersects --summary
//   Inverse of Korea Central Belt 2010 + Korea 2000 to WGS 84 (1), 1 m
//   projinfo --list-crs: EPSG:5185 to EPSG:5188 are "Korea 2000 / West
//   Belt 2010", "Central Belt 2010", "East Belt 2010", "East Sea Belt 2010".
// The converter's own heading is the oracle for the names of the values.
#include "Fconvert.h"
#include "Frefsys.h"
#include "MainWindowFixture.h"

#include <QCheckBox>
#include <QFile>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSettings>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

void Write(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

QByteArray Read(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class tst_DialogsAtWork : public QObject, private DialogFixture {
    Q_OBJECT

  private slots:
    void initTestCase_data() { AddSeparatorRows(); }
    void initTestCase();
    void init();
    void cleanup();

    void chooserFindsByIndependentWords_data();
    void chooserFindsByIndependentWords();
    void chooserShowsEachSidesSystem();
    void systemsUsedLastUnderAHeading();
    void detailsSayWhatASystemStandsOn();
    void convertNamesWholeInTooltips();
    void outputFormatSaysWhyItCannotBeChosen_data();
    void outputFormatSaysWhyItCannotBeChosen();
    void valuesNamedInTheOrderOfTheColumns();
    void changedSettingForgetsTheLastRun();
    void degreeToolOnScreenBesideTheMainWindow_data();
    void degreeToolOnScreenBesideTheMainWindow();

  private:
    void ChooseSystem(int side, const QString &id);
    std::unique_ptr<TfrmConvert> OpenConvert(const QString &input);
    void Convert(TfrmConvert &dialog);
    QString Path(const QString &name) const { return m_dir->filePath(name); }

    QTemporaryDir m_settingsDir;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_DialogsAtWork::initTestCase() {
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(m_settingsDir.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       m_settingsDir.path());
}

void tst_DialogsAtWork::init() {
    OpenWindow();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void tst_DialogsAtWork::cleanup() {
    CloseWindow();
    m_dir.reset();
    QSettings settings(QStringLiteral("Nolvex"), QStringLiteral("nolvex"));
    settings.clear();
    settings.sync();
}

void tst_DialogsAtWork::ChooseSystem(int side, const QString &id) {
    const DialogRun run = Run("ReferenceSystem1", [&](QDialog &d) {
        Child<QLineEdit>(d, QStringLiteral("edtFilter%1").arg(side))
            ->setText(id);
        auto *list =
            Child<QListWidget>(d, QStringLiteral("lstSystems%1").arg(side));
        const QList<QListWidgetItem *> found =
            list->findItems(id + QStringLiteral("  "), Qt::MatchStartsWith);
        QVERIFY2(found.size() == 1, qPrintable(id));
        list->setCurrentItem(found.first());
    });
    QCOMPARE(run.dialogs, 1);
    QVERIFY(run.boxes.isEmpty());
}

std::unique_ptr<TfrmConvert>
tst_DialogsAtWork::OpenConvert(const QString &input) {
    auto dialog = std::make_unique<TfrmConvert>(m_window.get());
    dialog->ShowSides(m_window->FileSides());
    dialog->SetInput(input);
    dialog->show();
    if (!QTest::qWaitFor([&] { return !dialog->Reading(); }, 60000))
        qWarning("the dialog did not read %s", qPrintable(input));
    return dialog;
}

void tst_DialogsAtWork::Convert(TfrmConvert &dialog) {
    Child<QPushButton>(dialog, "btnConvert")->click();
    QTRY_VERIFY_WITH_TIMEOUT(!dialog.Running(), 120000);
}

// ---- the Reference System chooser
// ----------------------------------------------

// From "korea" it took 19 presses of Down to reach EPSG:5186, and "korea
// 2010" found nothing: each word now matches on its own, and the system
// is at most three keys away.
void tst_DialogsAtWork::chooserFindsByIndependentWords_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("wanted");
    QTest::addColumn<int>("keys"); // presses of Down at most
    QTest::newRow("korea 2010") << "korea 2010"
                                << "EPSG:5186" << 3;
    QTest::newRow("words in another order") << "2010 central korea"
                                            << "EPSG:5186" << 1;
    QTest::newRow("a name's start before the rest") << "korea 2000 / central"
                                                    << "EPSG:5181" << 1;
}

void tst_DialogsAtWork::chooserFindsByIndependentWords() {
    QFETCH(QString, typed);
    QFETCH(QString, wanted);
    QFETCH(int, keys);
    int pressed = -1;
    Run(
        "ReferenceSystem1",
        [&](QDialog &d) {
            d.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&d));
            auto *filter = Child<QLineEdit>(d, "edtFilter1");
            filter->setFocus(Qt::OtherFocusReason);
            QTest::keyClicks(filter, typed);
            auto &chooser = static_cast<TfrmRefSys &>(d);
            for (int k = 1; k <= keys; ++k) {
                QTest::keyClick(d.focusWidget(), Qt::Key_Down);
                if (chooser.ChosenSystem(1) == wanted.toStdString()) {
                    pressed = k;
                    break;
                }
            }
        },
        QDialog::Rejected);
    QVERIFY2(pressed > 0, qPrintable(typed));
}

// Neither side's system was shown when the chooser opened.
void tst_DialogsAtWork::chooserShowsEachSidesSystem() {
    ChooseSystem(2, "EPSG:5186");
    Run(
        "ReferenceSystem1",
        [&](QDialog &d) {
            const QLabel *current1 = Child<QLabel>(d, "lblCurrent1");
            const QLabel *current2 = Child<QLabel>(d, "lblCurrent2");
            QVERIFY2(current1->toolTip().contains(
                         "World Geodetic System 1984(UTM)") &&
                         current1->toolTip().contains("catalogue"),
                     qPrintable(current1->toolTip()));
            QVERIFY2(current2->toolTip().contains(
                         "Korea 2000 / Central Belt 2010 (EPSG:5186)"),
                     qPrintable(current2->toolTip()));
            QVERIFY(!current1->text().isEmpty());
            QVERIFY(!current2->text().isEmpty());
        },
        QDialog::Rejected);
}

// The systems used last come first, under a heading, and the rest under
// their own.
void tst_DialogsAtWork::systemsUsedLastUnderAHeading() {
    TfrmRefSys::RememberSystem("EPSG:4326");
    TfrmRefSys::RememberSystem("EPSG:5186");
    Run(
        "ReferenceSystem1",
        [&](QDialog &d) {
            QCOMPARE(Child<QLabel>(d, "lblListHead1")->text(), "Used last:");
            auto *list = Child<QListWidget>(d, "lstSystems1");
            QVERIFY(list->item(0)->text().startsWith("EPSG:5186  "));
            QVERIFY(list->item(1)->text().startsWith("EPSG:4326  "));
            QCOMPARE(list->item(2)->text(), "All systems:");
            QCOMPARE(list->item(2)->flags(), Qt::NoItemFlags);
            // Typed text shows what it found, ranked.
            Child<QLineEdit>(d, "edtFilter1")->setText("5186");
            QVERIFY(
                Child<QLabel>(d, "lblListHead1")->text().startsWith("Found"));
        },
        QDialog::Rejected);
}

// The details lacked the datum, the ellipsoid and the projection's
// parameters; they hold them now, with the axes' units and the operation
// to the other side with its accuracy.
void tst_DialogsAtWork::detailsSayWhatASystemStandsOn() {
    ChooseSystem(1, "EPSG:4326");
    Run(
        "ReferenceSystem1",
        [&](QDialog &d) {
            Child<QLineEdit>(d, "edtFilter2")->setText("EPSG:5186");
            const QStringList facts =
                Child<QLabel>(d, "lblFacts2")->toolTip().split(u'\n');
            QCOMPARE(facts,
                     (QStringList{
                         "Datum: Geocentric datum of Korea",
                         "Ellipsoid: GRS 1980 (a 6378137 m, 1/f "
                         "298.257222101)",
                         "Projection: Transverse Mercator: Latitude of "
                         "natural origin 38 degree, Longitude of natural "
                         "origin 127 degree, Scale factor at natural origin "
                         "1, False easting 200000 metre, False northing "
                         "600000 metre",
                         "Units: X in metre, Y in metre",
                         "To side 1: Inverse of Korea Central Belt 2010 + "
                         "Korea 2000 to WGS 84 (1), 1 m"}));
        },
        QDialog::Rejected);
}

// ---- Convert File
// ------------------------------------------------------------------

// System names were cut ("...height on Korea 200") with nothing holding
// the whole text.
void tst_DialogsAtWork::convertNamesWholeInTooltips() {
    ChooseSystem(1, "EPSG:5186");
    ChooseSystem(2, "EPSG:4326+5773");
    Write(Path("p.txt"), "198091.708 551896.121\n");
    auto dialog = OpenConvert(Path("p.txt"));
    for (const char *name : {"cboFrom", "cboTo"}) {
        auto *box = Child<QComboBox>(*dialog, name);
        for (int i = 0; i < box->count(); ++i)
            QCOMPARE(box->itemData(i, Qt::ToolTipRole).toString(),
                     box->itemText(i));
        QCOMPARE(box->toolTip(), box->currentText());
        QVERIFY(box->toolTip().contains(" (EPSG:"));
    }
}

// "Output format" was always greyed out with nothing saying why.
void tst_DialogsAtWork::outputFormatSaysWhyItCannotBeChosen_data() {
    QTest::addColumn<bool>("back"); // side 2 to side 1
    QTest::addColumn<bool>("grid"); // the target's grid values
    QTest::addColumn<bool>("enabled");
    QTest::newRow("to Tokyo(---)") << false << false << false;
    QTest::newRow("to WGS 84, geographic") << true << false << true;
    QTest::newRow("to WGS 84's grid") << true << true << false;
}

void tst_DialogsAtWork::outputFormatSaysWhyItCannotBeChosen() {
    QFETCH(bool, back);
    QFETCH(bool, grid);
    QFETCH(bool, enabled);
    Write(Path("p.txt"), "37.5 127.5\n");
    auto dialog = OpenConvert(Path("p.txt"));
    Child<QRadioButton>(*dialog, back ? "rdoSide2To1" : "rdoSide1To2")
        ->setChecked(true);
    Child<QComboBox>(*dialog, "cboTo")->setCurrentIndex(grid ? 1 : 0);
    const auto *format = Child<QComboBox>(*dialog, "cboFormat");
    QCOMPARE(format->isEnabled(), enabled);
    if (enabled) {
        QVERIFY(format->toolTip().isEmpty());
    } else {
        QVERIFY2(format->toolTip().contains("GeoJSON") &&
                     format->toolTip().contains("WGS 84"),
                 qPrintable(format->toolTip()));
        QCOMPARE(Child<QLabel>(*dialog, "lblFormat")->toolTip(),
                 format->toolTip());
    }
}

// An EPSG:5186 file with an "Easting,Northing" heading is written
// "id,longitude,latitude,height" by the converter; the dialog said
// "Latitude, longitude". Its choices name the values in the columns'
// order, as the converter's heading does.
void tst_DialogsAtWork::valuesNamedInTheOrderOfTheColumns() {
    ChooseSystem(1, "EPSG:5186");
    Run("SetDatum1", [](QDialog &d) {
        Child<QComboBox>(d, "cboDatum2")->setCurrentIndex(133);
    });
    Write(Path("p.csv"), "id,Easting,Northing\nA,198091.708075,551896.12122\n");
    auto dialog = OpenConvert(Path("p.csv"));
    Child<QComboBox>(*dialog, "cboFrom")->setCurrentIndex(1);
    Child<QComboBox>(*dialog, "cboTo")->setCurrentIndex(0);
    Convert(*dialog);
    const QByteArray out = Read(Path("p-converted.csv"));
    const QString heading = QString::fromUtf8(out.left(out.indexOf('\n')));
    QCOMPARE(heading, "id,longitude,latitude,height"); // the converter's
    const QStringList written = heading.split(u',').mid(1);
    const QString shown =
        Child<QComboBox>(*dialog, "cboTo")->currentText().section(" on ", 0, 0);
    QCOMPARE(shown.toLower(), written.join(", "));
    QVERIFY(Child<QComboBox>(*dialog, "cboFrom")
                ->currentText()
                .startsWith("Easting, northing"));
}

// After the direction changed, the old summary and the full progress bar
// stayed.
void tst_DialogsAtWork::changedSettingForgetsTheLastRun() {
    Write(Path("p.txt"), "37.5 127.5\n");
    auto dialog = OpenConvert(Path("p.txt"));
    Convert(*dialog);
    auto *summary = Child<QPlainTextEdit>(*dialog, "txtSummary");
    auto *bar = Child<QProgressBar>(*dialog, "barProgress");
    QVERIFY(!summary->toPlainText().isEmpty());
    QCOMPARE(bar->value(), 100);
    Child<QRadioButton>(*dialog, "rdoSide2To1")->setChecked(true);
    QVERIFY(summary->toPlainText().isEmpty());
    QCOMPARE(bar->value(), 0);
    QVERIFY(!Child<QPushButton>(*dialog, "btnOpenFolder")->isEnabled());
}

// ---- the degree tool
// ----------------------------------------------------------------

// At scale 2 it opened touching the screen's bottom-left edge. Wherever the
// main window stands it opens wholly on the screen, and beside the main
// window where there is room.
void tst_DialogsAtWork::degreeToolOnScreenBesideTheMainWindow_data() {
    QTest::addColumn<QString>("corner"); // where the main window stands
    QTest::newRow("bottom left") << "bottom left";
    QTest::newRow("top left") << "top left";
    QTest::newRow("bottom right") << "bottom right";
    QTest::newRow("partly off the left") << "off left";
}

void tst_DialogsAtWork::degreeToolOnScreenBesideTheMainWindow() {
    QFETCH(QString, corner);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    const QRect room = m_window->screen()->availableGeometry();
    const QSize main = m_window->frameGeometry().size();
    QPoint at;
    if (corner == "bottom left")
        at = {room.left(), room.bottom() + 1 - main.height()};
    else if (corner == "top left")
        at = room.topLeft();
    else if (corner == "bottom right")
        at = {room.right() + 1 - main.width(),
              room.bottom() + 1 - main.height()};
    else
        at = {room.left() - main.width() / 2, room.top()};
    m_window->move(at);
    QVERIFY(Trigger("DegSys1").isEmpty());
    QWidget *tool = nullptr;
    for (QWidget *top : QApplication::topLevelWidgets())
        if (top->windowTitle() == "Degree System Conversion" &&
            top->isVisible())
            tool = top;
    QVERIFY(tool != nullptr);
    QVERIFY(QTest::qWaitForWindowExposed(tool));
    const QRect frame = tool->frameGeometry();
    QVERIFY2(room.contains(frame),
             qPrintable(QStringLiteral("%1,%2 %3x%4 in %5,%6 %7x%8")
                            .arg(frame.x())
                            .arg(frame.y())
                            .arg(frame.width())
                            .arg(frame.height())
                            .arg(room.x())
                            .arg(room.y())
                            .arg(room.width())
                            .arg(room.height())));
    // Beside the main window where the screen leaves room for it.
    const QRect mainFrame = m_window->frameGeometry();
    const bool roomBeside =
        room.right() - mainFrame.right() >= frame.width() + 8 ||
        mainFrame.left() - room.left() >= frame.width() + 8 ||
        room.bottom() - mainFrame.bottom() >= frame.height() + 8 ||
        mainFrame.top() - room.top() >= frame.height() + 8;
    if (roomBeside)
        QVERIFY(!frame.intersects(mainFrame));
}

QTEST_MAIN(tst_DialogsAtWork)
#include "tst_DialogsAtWork.moc"
