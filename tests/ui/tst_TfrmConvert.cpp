// The file-conversion dialog: what it finds in a file, the direction between
// the sides, the same bytes as nolvex-convert, the summary, Cancel, and no
// half-written output under the chosen name.
#include "Fconvert.h"
#include "MainWindowFixture.h"
#include "UiTestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

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

/// While alive, answers every question box with @p answer.
class QuestionAnswerer : public QObject {
  public:
    explicit QuestionAnswerer(QMessageBox::StandardButton answer)
        : m_answer(answer) {
        m_timer.setInterval(0);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            auto *box =
                qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (box && box->isVisible() && box->button(m_answer)) {
                ++asked;
                box->button(m_answer)->click();
            }
        });
        m_timer.start();
    }
    int asked = 0;

  private:
    QMessageBox::StandardButton m_answer;
    QTimer m_timer;
};

/// What nolvex-convert writes for @p args (its standard output).
QByteArray ConverterOutput(const QStringList &args) {
    QProcess converter;
    converter.start(QStringLiteral(NOLVEX_CONVERT), args);
    if (!converter.waitForFinished(60000))
        qWarning("nolvex-convert did not finish");
    return converter.readAllStandardOutput();
}

/// A side of the catalogue as nolvex-convert's DATUM:KIND takes it, or of
/// a system PROJ knows (kind: the side's grid, geographic or geocentric).
ConvertSide SideOn(std::int32_t datum, GridKind gridKind,
                   const QString &label) {
    ConvertSide side;
    side.geoText = label;
    side.gridText = label + QStringLiteral("(grid)");
    side.geo = ConversionSide::OnDatum(datum);
    side.grid = ConversionSide::OnDatum(datum, gridKind);
    return side;
}

ConvertSide SideOn(const QString &crs) {
    ConvertSide side;
    side.geoText = side.gridText = crs;
    side.geo = side.grid = ConversionSide::OnSystem(crs.toStdString());
    return side;
}

/**
 * Opens @p fifo for writing, and closes it again, over and over from
 * @p after on, until it is destroyed: whatever waits to read the pipe then
 * reads its end. A dialog that waits for a pipe in the window's own thread
 * gets going again this way, so that a test of it fails instead of hanging.
 */
class PipeRelease {
  public:
    PipeRelease(const QString &fifo, std::chrono::seconds after)
        : m_path(QFile::encodeName(fifo).toStdString()),
          m_thread([this, after] {
              const auto start = std::chrono::steady_clock::now();
              while (!m_bStop) {
                  if (std::chrono::steady_clock::now() - start >= after) {
                      m_bReleased = true;
                      const int fd =
                          ::open(m_path.c_str(), O_WRONLY | O_NONBLOCK);
                      if (fd >= 0)
                          ::close(fd);
                  }
                  std::this_thread::sleep_for(std::chrono::milliseconds(20));
              }
          }) {}
    ~PipeRelease() {
        m_bStop = true;
        m_thread.join();
    }
    /// The pipe has been opened for writing: it is no longer without a
    /// writer.
    bool Released() const { return m_bReleased; }

  private:
    std::string m_path;
    std::atomic<bool> m_bStop{false};
    std::atomic<bool> m_bReleased{false};
    std::thread m_thread;
};

/// The heading of a file as the converter writes it: "northing, easting,
/// height" for "northing,easting,height".
QString HeadingText(const QByteArray &output) {
    return QString::fromUtf8(output.left(output.indexOf('\n')))
        .split(u',')
        .join(QStringLiteral(", "));
}

} // namespace

class tst_TfrmConvert : public QObject, private DialogFixture {
    Q_OBJECT

  private slots:
    void initTestCase_data() { AddSeparatorRows(); }
    void init();
    void cleanup();

    void findsTheLayout_data();
    void findsTheLayout();
    void sameBytesAsTheConverter();
    void directionBackWithTheWindowsTexts();
    void summaryNamesTheFailures();
    void cancelLeavesNoFileUnderTheName();
    void geoJsonOnlyForGeographicOutput();
    void reopenedShowsTheSidesAsTheyStand();
    void droppedFileOpensTheDialog();
    void columnsFromTheHeadingAsTheConverterFindsThem_data();
    void columnsFromTheHeadingAsTheConverterFindsThem();
    void chosenColumnsStayForAnotherInput();
    void writeNamesTheValuesInTheFilesOrder_data();
    void writeNamesTheValuesInTheFilesOrder();
    void columnsNamedTwiceInTheWindowsWords();
    void headingThatSettlesNothingInTheWindowsWords_data();
    void headingThatSettlesNothingInTheWindowsWords();
    void outputThatIsTheInputRefusedBeforeReplacing_data();
    void outputThatIsTheInputRefusedBeforeReplacing();
    void cancelledRunClaimsNoConversion();
    void pipeWithoutWriterFrozeTheWindow();
    void destroyedWithTheFocusInTheInput();
    void summaryNamesNoOption();

  private:
    std::unique_ptr<TfrmConvert> Open(const QString &input);
    void Convert(TfrmConvert &dialog);
    QString Path(const QString &name) const { return m_dir->filePath(name); }

    std::unique_ptr<QTemporaryDir> m_dir; ///< a new one for every test
};

void tst_TfrmConvert::init() {
    OpenWindow();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void tst_TfrmConvert::cleanup() {
    CloseWindow();
    m_dir.reset();
}

// The dialog on its own, offered the main window's sides as they stand,
// once it has read the input's first lines.
std::unique_ptr<TfrmConvert> tst_TfrmConvert::Open(const QString &input) {
    auto dialog = std::make_unique<TfrmConvert>(m_window.get());
    dialog->ShowSides(m_window->FileSides());
    dialog->SetInput(input);
    dialog->show();
    if (!QTest::qWaitFor([&] { return !dialog->Reading(); }, 60000))
        qWarning("the dialog did not read %s", qPrintable(input));
    return dialog;
}

void tst_TfrmConvert::Convert(TfrmConvert &dialog) {
    Child<QPushButton>(dialog, "btnConvert")->click();
    QTRY_VERIFY_WITH_TIMEOUT(!dialog.Running(), 120000);
}

void tst_TfrmConvert::findsTheLayout_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("delimiter");
    QTest::addColumn<bool>("header");
    QTest::addColumn<QList<int>>("columns");
    QTest::newRow("CSV with a heading and a name first")
        << QByteArray("name,lat,lon,h\nSeoul,37.5663,126.9779,30\n")
        << "Comma" << true << QList<int>{2, 3, 4};
    QTest::newRow("tabs, no height")
        << QByteArray("37.5\t127.5\n38\t128\n") << "Tab" << false
        << QList<int>{1, 2, 0};
    QTest::newRow("a comment, semicolons, quoted names")
        << QByteArray("# survey\nid;y;x\n\"A;1\";37.5;127.5\n") << "Semicolon"
        << true << QList<int>{2, 3, 0};
    QTest::newRow("blanks and DMS with marks")
        << QByteArray("37\xC2\xB0" "30'N 127\xC2\xB0" "0'E 12\n") << "Blanks"
        << false << QList<int>{1, 2, 3};
}

void tst_TfrmConvert::findsTheLayout() {
    QFETCH(QByteArray, text);
    QFETCH(QString, delimiter);
    QFETCH(bool, header);
    QFETCH(QList<int>, columns);
    Write(Path("in.txt"), text);
    auto dialog = Open(Path("in.txt"));
    QCOMPARE(Child<QComboBox>(*dialog, "cboDelimiter")->currentText(),
             delimiter);
    QCOMPARE(Child<QCheckBox>(*dialog, "chkHeader")->isChecked(), header);
    QCOMPARE(Child<QSpinBox>(*dialog, "spnColumn1")->value(), columns[0]);
    QCOMPARE(Child<QSpinBox>(*dialog, "spnColumn2")->value(), columns[1]);
    QCOMPARE(Child<QSpinBox>(*dialog, "spnColumn3")->value(), columns[2]);
    QVERIFY(Child<QPlainTextEdit>(*dialog, "txtPreview")
                ->toPlainText()
                .startsWith(QString::fromUtf8(text.left(8))));
    QCOMPARE(Child<QLineEdit>(*dialog, "edtOutput")->text(),
             QDir::toNativeSeparators(Path("in-converted.txt")));
}

// The window's sides as they start (WGS 84 and Tokyo(---)) are what
// `nolvex-convert --from WGS84 --to "Tokyo(---)"` converts between; the
// file's numbers keep their decimal point whatever the window's separator.
void tst_TfrmConvert::sameBytesAsTheConverter() {
    QByteArray text = "lat,lon,h\n";
    for (int i = 0; i < 2000; ++i)
        text += QByteArray::number(33 + i * 0.004, 'f', 6) + ',' +
                QByteArray::number(125 + i * 0.003, 'f', 6) + ',' +
                QByteArray::number(i % 700) + '\n';
    text += "not a point,1,2\n";
    Write(Path("points.csv"), text);
    auto dialog = Open(Path("points.csv"));
    Convert(*dialog);
    const QByteArray ours = Read(Path("points-converted.csv"));
    QVERIFY(!ours.isEmpty());

    QProcess converter;
    converter.setStandardOutputFile(Path("cli.csv"));
    converter.start(QStringLiteral(NOLVEX_CONVERT),
                    {"--header", "--from", "WGS84", "--to", "Tokyo(---)",
                     Path("points.csv")});
    QVERIFY(converter.waitForFinished(60000));
    QCOMPARE(converter.exitCode(), 1); // the one line that fails
    QCOMPARE(ours, Read(Path("cli.csv")));
}

// Side 2 to side 1: the texts Datum2->Datum1 writes into side 1's DD row.
void tst_TfrmConvert::directionBackWithTheWindowsTexts() {
    Write(Path("tokyo.txt"), "37.4790372301572 127.006734786376 -19.6\n");
    auto dialog = Open(Path("tokyo.txt"));
    Child<QRadioButton>(*dialog, "rdoSide2To1")->setChecked(true);
    QVERIFY(Child<QComboBox>(*dialog, "cboFrom")
                ->currentText()
                .endsWith(QStringLiteral("Tokyo(---)")));
    Convert(*dialog);

    SetPoint("2", "37.4790372301572", "127.006734786376", "-19.6");
    QVERIFY(Trigger("Dt2").isEmpty());
    const QString expected = Field("edtLatDd1")->text() + u' ' +
                             Field("edtLonDd1")->text() + u' ' +
                             Field("edtAltDd1")->text() + u'\n';
    QCOMPARE(QString::fromUtf8(Read(Path("tokyo-converted.txt"))),
             QString(expected).replace(u',', u'.'));
}

void tst_TfrmConvert::summaryNamesTheFailures() {
    Write(Path("mixed.txt"), "37.5 127.5\nbad line\n91 0\n38 128\n");
    auto dialog = Open(Path("mixed.txt"));
    Convert(*dialog);
    const QString summary =
        Child<QPlainTextEdit>(*dialog, "txtSummary")->toPlainText();
    QVERIFY2(summary.startsWith("2 lines converted, 2 failed"),
             qPrintable(summary));
    QVERIFY2(summary.contains("mixed.txt:2: "), qPrintable(summary));
    QVERIFY2(summary.contains("mixed.txt:3: latitude 91"), qPrintable(summary));
    QVERIFY(Child<QPushButton>(*dialog, "btnOpenFolder")->isEnabled());
    // One line out per line in, the failed ones as comment lines.
    const QList<QByteArray> lines = Read(Path("mixed-converted.txt")).split('\n');
    QCOMPARE(lines.size(), 5); // and the empty piece after the last line end
    QVERIFY(lines[1].startsWith("# ERROR: "));
    QVERIFY(lines[2].startsWith("# ERROR: "));
}

// A cancelled run leaves nothing under the chosen name: neither a new file
// nor a change to one that was there, and no temporary file beside it.
void tst_TfrmConvert::cancelLeavesNoFileUnderTheName() {
    QByteArray line = "37.5 127.5 10\n";
    QByteArray big;
    big.reserve(line.size() * 3'000'000);
    for (int i = 0; i < 3'000'000; ++i)
        big += line;
    Write(Path("big.txt"), big);
    for (bool existing : {false, true}) {
        if (existing)
            Write(Path("big-converted.txt"), "kept\n");
        auto dialog = Open(Path("big.txt"));
        QuestionAnswerer yes(QMessageBox::Yes);
        Child<QPushButton>(*dialog, "btnConvert")->click();
        QCOMPARE(yes.asked, existing ? 1 : 0);
        QVERIFY(dialog->Running());
        dialog->reject(); // Cancel while it runs
        QVERIFY(dialog->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!dialog->Running(), 60000);
        QVERIFY(Child<QPlainTextEdit>(*dialog, "txtSummary")
                    ->toPlainText()
                    .startsWith("Cancelled."));
        QCOMPARE(QFile::exists(Path("big-converted.txt")), existing);
        if (existing)
            QCOMPARE(Read(Path("big-converted.txt")), QByteArray("kept\n"));
        QStringList files = QDir(m_dir->path()).entryList(QDir::Files);
        files.sort();
        const QStringList expected =
            existing ? QStringList{"big-converted.txt", "big.txt"}
                     : QStringList{"big.txt"};
        QCOMPARE(files, expected);
        dialog->reject(); // now it closes
        QVERIFY(!dialog->isVisible());
    }
}

// GeoJSON holds geographic points on WGS 84: side 1 as the window starts.
// Side 2 starts on Tokyo(---), where a GeoJSON run could only fail.
void tst_TfrmConvert::geoJsonOnlyForGeographicOutput() {
    Write(Path("p.txt"), "37.5 127.5\n");
    auto dialog = Open(Path("p.txt"));
    auto *format = Child<QComboBox>(*dialog, "cboFormat");
    QVERIFY(!format->isEnabled()); // to side 2, on Tokyo(---)
    Child<QRadioButton>(*dialog, "rdoSide2To1")->setChecked(true);
    QVERIFY(format->isEnabled()); // to side 1, on WGS 84
    format->setCurrentIndex(1);
    Child<QComboBox>(*dialog, "cboTo")->setCurrentIndex(1); // grid
    QVERIFY(!format->isEnabled());
    QCOMPARE(format->currentIndex(), 0);
    Child<QComboBox>(*dialog, "cboTo")->setCurrentIndex(0);
    QVERIFY(format->isEnabled());
    Child<QRadioButton>(*dialog, "rdoSide1To2")->setChecked(true);
    QVERIFY(!format->isEnabled());
}

// The dialog is made once and opened again from the menu: every opening
// shows the sides as they stand then.
void tst_TfrmConvert::reopenedShowsTheSidesAsTheyStand() {
    const auto opened = [this] {
        QStringList shown;
        const DialogRun run = Run(
            "ConvertFile1",
            [&](QDialog &d) {
                shown << Child<QComboBox>(d, "cboTo")->currentText()
                      << (Child<QComboBox>(d, "cboFormat")->isEnabled()
                              ? "GeoJSON possible"
                              : "text only");
            },
            QDialog::Rejected);
        if (run.dialogs != 1)
            qWarning("the dialog did not open");
        return shown;
    };
    QStringList shown = opened();
    QVERIFY2(shown.value(0).endsWith(QStringLiteral("Tokyo(---)")),
             qPrintable(shown.value(0)));
    QCOMPARE(shown.value(1), QStringLiteral("text only"));
    Run("SetDatum1", [&](QDialog &d) {
        Child<QComboBox>(d, "cboDatum2")->setCurrentIndex(DATUM_WGS84);
    });
    shown = opened();
    QVERIFY2(
        shown.value(0).endsWith(QStringLiteral("World Geodetic System 1984")),
        qPrintable(shown.value(0)));
    QCOMPARE(shown.value(1), QStringLiteral("GeoJSON possible"));
    QCOMPARE(m_window->findChildren<TfrmConvert *>().size(), 1);
}

// A file dropped on the main window opens the dialog with it.
void tst_TfrmConvert::droppedFileOpensTheDialog() {
    Write(Path("dropped.txt"), "37.5 127.5\n");
    QString input;
    DialogDriver driver(
        [&](QDialog &d) { input = Child<QLineEdit>(d, "edtInput")->text(); },
        QDialog::Rejected);
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(Path("dropped.txt"))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton,
                          Qt::NoModifier);
    QApplication::sendEvent(m_window.get(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton,
                    Qt::NoModifier);
    QApplication::sendEvent(m_window.get(), &drop);
    QCOMPARE(driver.answered, 1);
    QCOMPARE(input, QDir::toNativeSeparators(Path("dropped.txt")));
}

// The columns of a file with a heading are the ones nolvex-convert finds
// by the heading's names (--header without --columns): the dialog shows them
// and writes the same bytes. Expected columns worked out by hand from the
// names.
void tst_TfrmConvert::columnsFromTheHeadingAsTheConverterFindsThem_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QList<int>>("columns");
    QTest::newRow("an id and a name before them")
        << QByteArray("id,name,lat,lon,h\n1,Seoul,37.5663,126.9779,30\n"
                      "2,Busan,35.1796,129.0756,5\n")
        << QList<int>{3, 4, 5};
    QTest::newRow("no height")
        << QByteArray("id,lat,lon\n7,37.5,127.5\n") << QList<int>{2, 3, 0};
    QTest::newRow("longitude first, Korean names")
        << QByteArray("\xEA\xB2\xBD\xEB\x8F\x84,\xEC\x9C\x84\xEB\x8F\x84,alt\n"
                      "127.5,37.5,12\n")
        << QList<int>{2, 1, 3};
    QTest::newRow("a byte-order mark before the heading")
        << QByteArray("\xEF\xBB\xBFno;latitude;longitude\n1;37.5;127.5\n")
        << QList<int>{2, 3, 0};
}

void tst_TfrmConvert::columnsFromTheHeadingAsTheConverterFindsThem() {
    QFETCH(QByteArray, text);
    QFETCH(QList<int>, columns);
    Write(Path("in.csv"), text);
    auto dialog = Open(Path("in.csv"));
    QVERIFY(Child<QCheckBox>(*dialog, "chkHeader")->isChecked());
    QCOMPARE(Child<QSpinBox>(*dialog, "spnColumn1")->value(), columns[0]);
    QCOMPARE(Child<QSpinBox>(*dialog, "spnColumn2")->value(), columns[1]);
    QCOMPARE(Child<QSpinBox>(*dialog, "spnColumn3")->value(), columns[2]);
    Convert(*dialog);
    const QByteArray expected = ConverterOutput(
        {"--header", "--from", "WGS84", "--to", "Tokyo(---)", Path("in.csv")});
    QVERIFY(!expected.isEmpty());
    QCOMPARE(Read(Path("in-converted.csv")), expected);
}

// Regression: every new input put the columns back to what its first line
// suggested, also after the user had chosen them.
void tst_TfrmConvert::chosenColumnsStayForAnotherInput() {
    Write(Path("a.csv"), "id,name,lat,lon,h\n1,A,37.5,127.5,10\n");
    Write(Path("b.csv"), "lat,lon,h,id\n37.5,127.5,10,1\n");
    auto dialog = Open(Path("a.csv"));
    auto *first = Child<QSpinBox>(*dialog, "spnColumn1");
    auto *second = Child<QSpinBox>(*dialog, "spnColumn2");
    auto *third = Child<QSpinBox>(*dialog, "spnColumn3");
    QCOMPARE(first->value(), 3);
    QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
    // The user swaps latitude and longitude, typing into the fields.
    for (auto [box, text] : {std::pair{first, "4"}, std::pair{second, "3"}}) {
        box->setFocus();
        box->selectAll();
        QTest::keyClicks(box, QString::fromLatin1(text));
    }
    QCOMPARE(first->value(), 4);
    QCOMPARE(second->value(), 3);

    dialog->SetInput(Path("b.csv"));
    QTRY_VERIFY_WITH_TIMEOUT(!dialog->Reading(), 60000);
    QCOMPARE(first->value(), 4);
    QCOMPARE(second->value(), 3);
    QCOMPARE(third->value(), 5);
    // The names shown are the new heading's, in the user's columns.
    QCOMPARE(Child<QLabel>(*dialog, "lblColumnNames")->text(),
             QStringLiteral("latitude = \"id\", longitude = \"h\", height"));

    // Closed and opened again, the dialog takes the heading's columns.
    dialog->reject();
    dialog->show();
    dialog->SetInput(Path("b.csv"));
    QTRY_VERIFY_WITH_TIMEOUT(!dialog->Reading(), 60000);
    QCOMPARE(first->value(), 1);
    QCOMPARE(second->value(), 2);
    QCOMPARE(third->value(), 3);
}

// "Write:" names the values as the output's heading does, in its order:
// the heading that nolvex-convert writes for the same target.
void tst_TfrmConvert::writeNamesTheValuesInTheFilesOrder_data() {
    QTest::addColumn<QString>("to");   // nolvex-convert's --to
    QTest::addColumn<bool>("grid");    // the target's grid row
    QTest::addColumn<QString>("crs");  // or a catalogue side when empty
    QTest::addColumn<int>("kind");
    QTest::newRow("catalogue, geographic")
        << "Tokyo(---)" << false << QString() << CS_UTM;
    QTest::newRow("catalogue UTM") << "Tokyo(---):utm" << true << QString()
                                   << CS_UTM;
    QTest::newRow("catalogue ECEF") << "Tokyo(---):ecef" << true << QString()
                                    << CS_ECEF;
    QTest::newRow("EPSG grid, northing first")
        << "EPSG:5186" << true << "EPSG:5186" << CS_TM;
    QTest::newRow("EPSG compound with a vertical system")
        << "EPSG:4326+5773" << false << "EPSG:4326+5773" << CS_TM;
}

void tst_TfrmConvert::writeNamesTheValuesInTheFilesOrder() {
    QFETCH(QString, to);
    QFETCH(bool, grid);
    QFETCH(QString, crs);
    QFETCH(int, kind);
    Write(Path("p.csv"), "lat,lon,h\n37.5,127.5,10\n");
    const QByteArray expected = ConverterOutput(
        {"--header", "--from", "WGS84", "--to", to, Path("p.csv")});
    QVERIFY(!expected.isEmpty());

    auto dialog = Open(Path("p.csv"));
    dialog->ShowSides({m_window->FileSides()[0],
                       crs.isEmpty()
                           ? SideOn(125, GridKindOf(kind), "Tokyo(---)")
                           : SideOn(crs)});
    auto *write = Child<QComboBox>(*dialog, "cboTo");
    write->setCurrentIndex(grid ? 1 : 0);
    const QString shown = write->currentText();
    QCOMPARE(shown.section(QStringLiteral(" on "), 0, 0).toLower(),
             HeadingText(expected).toLower());
    Convert(*dialog);
    QCOMPARE(Read(Path("p-converted.csv")), expected);
}

// Regression: the window named the converter's option ("--columns names
// column 4 twice").
void tst_TfrmConvert::columnsNamedTwiceInTheWindowsWords() {
    Write(Path("p.txt"), "1 2 37.5 127.5\n");
    auto dialog = Open(Path("p.txt"));
    Child<QSpinBox>(*dialog, "spnColumn1")->setValue(4);
    Child<QSpinBox>(*dialog, "spnColumn2")->setValue(4);
    ErrorBoxCatcher catcher;
    Child<QPushButton>(*dialog, "btnConvert")->click();
    QCOMPARE(catcher.boxes.size(), 1);
    QCOMPARE(catcher.boxes[0].text,
             QStringLiteral("The columns name column 4 twice."));
    QVERIFY(!dialog->Running());
    QVERIFY(!QFile::exists(Path("p-converted.txt")));
}

// A heading whose names do not settle the columns: the dialog says so in
// its own words, with no option of the converter's, until the user
// chooses.
void tst_TfrmConvert::headingThatSettlesNothingInTheWindowsWords_data() {
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("names"); // as the file gives them
    QTest::newRow("x and y") << QByteArray("id,x,y\n1,37.5,127.5\n") << "x";
    QTest::newRow("one value twice")
        << QByteArray("lat,latitude,lon\n37.5,37.5,127.5\n") << "latitude";
    QTest::newRow("a grid's names")
        << QByteArray("id,easting,northing\n1,200000,500000\n") << "easting";
    QTest::newRow("only one of the two")
        << QByteArray("id,lat,b\n1,37.5,127.5\n") << "latitude";
}

void tst_TfrmConvert::headingThatSettlesNothingInTheWindowsWords() {
    QFETCH(QByteArray, text);
    QFETCH(QString, names);
    Write(Path("h.csv"), text);
    // nolvex-convert refuses the file, naming its option.
    QProcess converter;
    converter.start(QStringLiteral(NOLVEX_CONVERT),
                    {"--header", "--from", "WGS84", "--to", "Tokyo(---)",
                     Path("h.csv")});
    QVERIFY(converter.waitForFinished(60000));
    QVERIFY(converter.readAllStandardError().contains("--"));

    auto dialog = Open(Path("h.csv"));
    auto *label = Child<QLabel>(*dialog, "lblColumnNames");
    const QString note = label->text();
    QVERIFY2(note.startsWith(QStringLiteral("The heading names ")),
             qPrintable(note));
    QVERIFY2(note.contains(names), qPrintable(note));
    QVERIFY2(note.contains(QStringLiteral("choose the columns")),
             qPrintable(note));
    QVERIFY2(!note.contains(QStringLiteral("--")), qPrintable(note));
    // Once the user chooses, the label shows the choice.
    Child<QSpinBox>(*dialog, "spnColumn1")->setValue(2);
    QVERIFY(label->text().startsWith(QStringLiteral("latitude")));
}

// Regression: an output that was the input under another name, or the
// same name, was offered for replacing before it was refused.
void tst_TfrmConvert::outputThatIsTheInputRefusedBeforeReplacing_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("the same name") << "same";
    QTest::newRow("a symbolic link to it") << "symlink";
    QTest::newRow("a hard link to it") << "hardlink";
}

void tst_TfrmConvert::outputThatIsTheInputRefusedBeforeReplacing() {
    QFETCH(QString, how);
    const QByteArray text = "37.5 127.5\n";
    Write(Path("in.txt"), text);
    QString output = Path("in.txt");
    if (how == "symlink") {
        output = Path("out.txt");
        QVERIFY(QFile::link(Path("in.txt"), output));
    } else if (how == "hardlink") {
        output = Path("out.txt");
        QCOMPARE(::link(QFile::encodeName(Path("in.txt")).constData(),
                        QFile::encodeName(output).constData()),
                 0);
    }
    auto dialog = Open(Path("in.txt"));
    Child<QLineEdit>(*dialog, "edtOutput")->setText(output);
    ErrorBoxCatcher catcher;
    Child<QPushButton>(*dialog, "btnConvert")->click();
    QCOMPARE(catcher.boxes.size(), 1); // no question before it
    QCOMPARE(catcher.boxes[0].icon, QMessageBox::Critical);
    QCOMPARE(catcher.boxes[0].buttons,
             QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY2(catcher.boxes[0].text.contains(QStringLiteral("is also the input")),
             qPrintable(catcher.boxes[0].text));
    QVERIFY(!dialog->Running());
    QCOMPARE(Read(Path("in.txt")), text);
}

// Regression: after Cancel the summary went on with what PROJ's operation
// did to the points ("converted all the same"), though nothing was written.
// Points east of 128 E lie outside the area of use of EPSG:5186's
// operation.
void tst_TfrmConvert::cancelledRunClaimsNoConversion() {
    QByteArray big;
    const QByteArray line = "37.5 129.5 10\n";
    big.reserve(line.size() * 3'000'000);
    for (int i = 0; i < 3'000'000; ++i)
        big += line;
    Write(Path("east.txt"), big);
    auto dialog = Open(Path("east.txt"));
    dialog->ShowSides({m_window->FileSides()[0], SideOn("EPSG:5186")});
    Child<QComboBox>(*dialog, "cboTo")->setCurrentIndex(1);
    // Cancel as soon as a first block of points is written.
    connect(dialog.get(), &TfrmConvert::ProgressShown, dialog.get(),
            &TfrmConvert::reject, Qt::SingleShotConnection);
    QSignalSpy cancelled(dialog.get(), &TfrmConvert::ConversionCancelled);
    Convert(*dialog);
    QCOMPARE(cancelled.size(), 1);
    const QString summary =
        Child<QPlainTextEdit>(*dialog, "txtSummary")->toPlainText();
    QVERIFY2(summary.startsWith(QStringLiteral("Cancelled. Nothing was written")),
             qPrintable(summary));
    QVERIFY2(!summary.contains(QStringLiteral("all the same")),
             qPrintable(summary));
    QVERIFY2(!summary.contains(QStringLiteral("outside the area")),
             qPrintable(summary));
    QVERIFY(!QFile::exists(Path("east-converted.txt")));
}

// Regression: a pipe as the input was opened in the window's own thread,
// which waited there for a writer: the whole window froze. The window must
// go on (a timer of its thread fires) while the pipe has no writer, both as
// the input is chosen and while a run waits for it, and Cancel must end the
// run's wait and leave nothing behind.
void tst_TfrmConvert::pipeWithoutWriterFrozeTheWindow() {
    const QString fifo = Path("points.fifo");
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    // Should the window wait for the pipe all the same, a writer comes
    // long after every wait below has given up.
    PipeRelease release(fifo, std::chrono::seconds(90));
    int ticks = 0;
    QTimer timer;
    connect(&timer, &QTimer::timeout, &timer, [&] {
        if (!release.Released())
            ++ticks;
    });
    timer.start(10);

    auto dialog = std::make_unique<TfrmConvert>(m_window.get());
    dialog->ShowSides(m_window->FileSides());
    dialog->show();
    dialog->SetInput(fifo);
    QTRY_VERIFY_WITH_TIMEOUT(ticks >= 5, 30000);
    QTRY_VERIFY_WITH_TIMEOUT(!dialog->Reading(), 30000);
    QCOMPARE(Child<QLineEdit>(*dialog, "edtOutput")->text(),
             QDir::toNativeSeparators(Path("points-converted.fifo")));

    auto *cancel = Child<QPushButton>(*dialog, "btnCancel");
    Child<QPushButton>(*dialog, "btnConvert")->click();
    QVERIFY(dialog->Running());
    QCOMPARE(cancel->text(), QStringLiteral("Cancel"));
    ticks = 0;
    QTRY_VERIFY_WITH_TIMEOUT(ticks >= 5, 30000);
    QVERIFY(dialog->Running()); // still waiting for a writer
    QVERIFY(cancel->isEnabled());
    QTest::mouseClick(cancel, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!dialog->Running(), 30000);
    QVERIFY(!release.Released());
    QVERIFY(dialog->isVisible());
    const QString summary =
        Child<QPlainTextEdit>(*dialog, "txtSummary")->toPlainText();
    QVERIFY2(summary.startsWith(QStringLiteral("Cancelled.")),
             qPrintable(summary));
    QCOMPARE(QDir(m_dir->path())
                 .entryList(QDir::Files | QDir::System | QDir::Hidden |
                            QDir::NoDotAndDotDot),
             QStringList{"points.fifo"});
}

// Regression: a dialog destroyed while shown, the focus in its input field,
// lost the focus after its controls were gone, and the field's handler read
// them (the sanitizer build reports the read).
void tst_TfrmConvert::destroyedWithTheFocusInTheInput() {
    Write(Path("a.txt"), "37.5 127.5\n");
    auto dialog = Open(Path("a.txt"));
    QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
    auto *input = Child<QLineEdit>(*dialog, "edtInput");
    input->setFocus();
    QTRY_VERIFY(input->hasFocus());
    QTest::keyClicks(input, QStringLiteral("-other"));
    Child<QSpinBox>(*dialog, "spnColumn1")->setFocus();
    QTRY_VERIFY(!dialog->Reading());
    input->setFocus();
    QTRY_VERIFY(input->hasFocus());
    QTest::keyClicks(input, QStringLiteral("-more"));
    dialog.reset();
}

// Regression: the summary of a run told what the converter's options would
// change ("--outside-area error makes them errors", "use --header"). The
// file itself keeps nolvex-convert's bytes. Points east of 128 E lie
// outside the area of use of EPSG:5186's operation.
void tst_TfrmConvert::summaryNamesNoOption() {
    Write(Path("east.txt"), "lat lon\n37.5 129.5\n");
    auto dialog = Open(Path("east.txt"));
    dialog->ShowSides({m_window->FileSides()[0], SideOn("EPSG:5186")});
    Child<QComboBox>(*dialog, "cboTo")->setCurrentIndex(1);
    Child<QCheckBox>(*dialog, "chkHeader")->setChecked(false);
    Convert(*dialog);
    const QString summary =
        Child<QPlainTextEdit>(*dialog, "txtSummary")->toPlainText();
    QVERIFY2(summary.startsWith(QStringLiteral("1 line converted, 1 failed")),
             qPrintable(summary));
    QVERIFY2(summary.contains(QStringLiteral("east.txt:1: ")),
             qPrintable(summary));
    QVERIFY2(summary.contains(QStringLiteral("1 point lies outside")),
             qPrintable(summary));
    QVERIFY2(!summary.contains(QStringLiteral("--")), qPrintable(summary));
    QCOMPARE(Read(Path("east-converted.txt")),
             ConverterOutput({"--from", "WGS84", "--to", "EPSG:5186",
                              Path("east.txt")}));
}

QTEST_MAIN(tst_TfrmConvert)
#include "tst_TfrmConvert.moc"
