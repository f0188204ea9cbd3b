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
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

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

// The dialog on its own, offered the main window's sides as they stand.
std::unique_ptr<TfrmConvert> tst_TfrmConvert::Open(const QString &input) {
    auto dialog = std::make_unique<TfrmConvert>(m_window.get());
    dialog->ShowSides(m_window->FileSides());
    dialog->SetInput(input);
    dialog->show();
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

QTEST_MAIN(tst_TfrmConvert)
#include "tst_TfrmConvert.moc"
