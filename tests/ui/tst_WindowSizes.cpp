// Every window of the program fits the screens it is made for, measured as
// its layouts give it with the program's own fonts. ctest runs this test at
// scale 1 and again with QT_SCALE_FACTOR=2.
#include "ErrorBox.h"
#include "Fabout.h"
#include "Fconvert.h"
#include "Fdegsys.h"
#include "Frefsys.h"
#include "MainWindowFixture.h"

#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLayout>
#include <QMessageBox>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <array>

namespace {

/// The screens, in logical pixels: 1366 x 768 at scale 1, and 1920 x 1080 at
/// scale 2 (960 x 540).
QSize ScreenAt(qreal scale) {
    return scale == 2 ? QSize(1920, 1080) / 2 : QSize(1366, 768);
}

/// What the desktop keeps for itself: across, a dock at the side of the
/// screen (64 pixels); down, a task bar or panel (48) and the window's own
/// title bar (32).
constexpr QSize ALLOWANCE(64, 48 + 32);

/// The smallest size the layouts let @p window take: its minimum size, and
/// where a label wraps, the height its layout needs at that width.
QSize Least(QWidget &window) {
    window.ensurePolished();
    QLayout *layout = window.layout();
    if (layout != nullptr)
        layout->activate();
    QSize least = window.minimumSize().expandedTo(window.minimumSizeHint());
    if (layout != nullptr && layout->hasHeightForWidth())
        least.setHeight(std::max(
            least.height(), layout->totalMinimumHeightForWidth(least.width())));
    return least;
}

void Write(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

/// While alive, measures the message box that opens (a zero timer runs in
/// its own event loop) and closes it.
class BoxMeasure : public QObject {
  public:
    BoxMeasure() {
        m_timer.setInterval(0);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            auto *box =
                qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (box == nullptr || !box->isVisible())
                return;
            least = Least(*box);
            box->done(0);
        });
        m_timer.start();
    }
    QSize least;

  private:
    QTimer m_timer;
};

} // namespace

class tst_WindowSizes : public QObject, private DialogFixture {
    Q_OBJECT

  private slots:
    /// Sizes do not depend on the decimal separator: the point alone.
    void initTestCase_data() {
        QTest::addColumn<char>("separator");
        QTest::newRow("point") << '.';
    }
    void initTestCase();
    void init() { OpenWindow(); }
    void cleanup() { CloseWindow(); }

    void fitsTheScreen_data();
    void fitsTheScreen();

  private:
    /// The window of row @p name, in the state the row names.
    QSize LeastOf(const QString &name);

    QTemporaryDir m_dir;
};

void tst_WindowSizes::initTestCase() {
    QVERIFY(m_dir.isValid());
    const qreal scale = QGuiApplication::primaryScreen()->devicePixelRatio();
    QVERIFY2(scale == 1 || scale == 2,
             "run at scale 1 or with QT_SCALE_FACTOR=2");
    // The captions are measured in the font they are shown in: a family
    // with Hangul (fonts-nanum on Debian), not boxes for missing glyphs.
    QVERIFY2(QFontDatabase::hasFamily(QStringLiteral("NanumGothic")),
             "fonts-nanum is not installed");
}

void tst_WindowSizes::fitsTheScreen_data() {
    QTest::addColumn<QString>("window");
    for (const char *name :
         {"main window", "Datum", "Set Coordinate System",
          "Coordination System Factor", "User Ellipsoid", "User Datum",
          "Degree System Conversion", "Reference System", "About Nolvex",
          "Convert File", "Convert File with a heading to settle",
          "Convert File on long side names", "error box", "question box"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void tst_WindowSizes::fitsTheScreen() {
    QFETCH(QString, window);
    const qreal scale = QGuiApplication::primaryScreen()->devicePixelRatio();
    const QSize room = ScreenAt(scale) - ALLOWANCE;
    // The Korean captions in the font they are shown in.
    const QString family = QFontInfo(m_window->font()).family();
    QVERIFY2(
        QFontDatabase::writingSystems(family).contains(QFontDatabase::Korean),
        qPrintable(family));
    const QSize least = LeastOf(window);
    QVERIFY2(least.isValid(), qPrintable(window));
    QVERIFY2(least.width() <= room.width() && least.height() <= room.height(),
             qPrintable(QStringLiteral("%1 needs %2 x %3 at scale %4, the "
                                       "screen leaves %5 x %6")
                            .arg(window)
                            .arg(least.width())
                            .arg(least.height())
                            .arg(scale)
                            .arg(room.width())
                            .arg(room.height())));
}

QSize tst_WindowSizes::LeastOf(const QString &name) {
    if (name == "main window") {
        m_window->show();
        return Least(*m_window);
    }
    if (name == "Degree System Conversion") {
        auto *tool = m_window->findChild<TfrmDegSys *>();
        tool->show();
        return Least(*tool);
    }
    if (name == "Reference System") {
        TfrmRefSys dialog(m_window.get());
        dialog.show();
        return Least(dialog);
    }
    if (name == "About Nolvex") {
        TfrmAbout box(m_window.get());
        box.show();
        return Least(box);
    }
    if (name.startsWith("Convert File")) {
        TfrmConvert dialog(m_window.get());
        std::array<ConvertSide, 2> sides = m_window->FileSides();
        if (name.endsWith("long side names")) {
            // The longest datum text of the catalogue, and a grid after it.
            const QString longest =
                QStringLiteral("South American Datum 1969(Brazil)(SAN-B)");
            for (ConvertSide &side : sides) {
                side.geoText = longest.repeated(2);
                side.gridText = longest.repeated(2) + QStringLiteral("(ECEF)");
            }
        }
        dialog.ShowSides(sides);
        dialog.show();
        if (name.endsWith("to settle")) {
            // A note under the columns, as long as they come.
            Write(m_dir.filePath("grid.csv"),
                  "id,easting,northing\n1,200000,500000\n");
            dialog.SetInput(m_dir.filePath("grid.csv"));
            if (!QTest::qWaitFor([&] { return !dialog.Reading(); }, 60000))
                return {};
        }
        return Least(dialog);
    }
    if (name == "error box" || name == "question box") {
        const QString path =
            QStringLiteral("/a/folder/with/a/long/name/") +
            QStringLiteral("and-a-file-with-a-long-name-").repeated(4) +
            QStringLiteral(".csv");
        BoxMeasure measure;
        if (name == "error box")
            ShowErrorBox(m_window.get(),
                         QStringLiteral("the output file %1 is also the input "
                                        "%1")
                             .arg(path));
        else
            QMessageBox::question(
                m_window.get(), QStringLiteral("Convert File"),
                QStringLiteral("%1 exists. Replace it?").arg(path));
        return measure.least;
    }
    for (QDialog *dialog : m_window->findChildren<QDialog *>())
        if (dialog->windowTitle() == name) {
            dialog->show();
            const QSize least = Least(*dialog);
            dialog->hide();
            return least;
        }
    qWarning("no window %s", qPrintable(name));
    return {};
}

QTEST_MAIN(tst_WindowSizes)
#include "tst_WindowSizes.moc"
