// The reference-system chooser over PROJ's whole database, a side on a PROJ
// system in the main window (its numbers, the operation PROJ used and the
// height its row holds), PROJ's refusals and failures in the error box, and
// the way back to the catalogue through Set Datum.
//
// References: PROJ 9.1.1 with Debian 12's proj-data (egm96_15.gtx present,
// tky2jgd.gsb missing):
//   echo "37.5665 126.978" | cs2cs -d 6 EPSG:4326 EPSG:5186
//   551885.030589	198056.366737 0.000000
//   echo "37.5665 126.978" | cs2cs -d 6 EPSG:4737 EPSG:5186
//   551885.030589	198056.366737 0.000000
//   echo "37.5665 126.978 100" | cs2cs -d 6 EPSG:4979 EPSG:4326+5773
//   37.566500	126.978000 77.102527
//   echo "37.5665 126.978 77.102527" | cs2cs -d 6 EPSG:4326+5773 EPSG:4979
//   37.566500	126.978000 100.000000
//   echo "35.68 139.76" | cs2cs -d 9 EPSG:4301 EPSG:4612
//   35.683238828	139.756766679 0.000000
//   echo "1000000000000 1000000000000" | cs2cs EPSG:5186 EPSG:4737
//   *	* inf
//   echo "0 0" | cs2cs IAU_2015:49900 EPSG:4326
//   (no operation: "Source and target ellipsoid do not belong to the same
//   celestial body")
//   projinfo -s EPSG:4326 -t EPSG:4737 --spatial-test intersects --summary
//   INVERSE(EPSG):15831, Inverse of Korea 2000 to WGS 84 (1), 1.0 m, ...
//   projinfo -s EPSG:4301 -t EPSG:4612 --spatial-test intersects --summary
//   EPSG:15483, Tokyo to JGD2000 (1), 9.0 m, ...
//   EPSG:6712, Tokyo to JGD2000 (2), 0.2 m, ..., at least one grid missing
//   projinfo -k operation EPSG:6712 -o PROJ
//   Grid tky2jgd.gsb needed but not found on the system.
//   projinfo EPSG:5186, EPSG:4979, EPSG:4978 (axes), projinfo --list-crs
//   (codes and names below).
// cs2cs writes northing before easting for EPSG:5186; the window's grid row
// is easting (edtUtmX), northing (edtUtmY).
#include "Frefsys.h"
#include "MainWindowFixture.h"
#include "Proj.h"
#include "UiTestSupport.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

namespace {

bool Near(double a, double b, double tolerance) {
    return std::fabs(a - b) <= tolerance;
}

/// The texts of the items of @p list, in order.
QStringList Items(const QListWidget &list) {
    QStringList items;
    for (int i = 0; i < list.count(); ++i)
        items << list.item(i)->text();
    return items;
}

} // namespace

class tst_TfrmRefSys : public QObject, private DialogFixture {
    Q_OBJECT

  private slots:
    void initTestCase_data() { AddSeparatorRows(); }
    void initTestCase();
    void init() { OpenWindow(); }
    void cleanup();

    void databaseNotOpenedUntilTheMenuRuns();
    void filterByCodeNameOrArea_data();
    void filterByCodeNameOrArea();
    void listTellsKindsApart_data();
    void listTellsKindsApart();
    void downMovesIntoTheList();
    void recentSystemsComeFirst();
    void recentSystemsAtMostTen();
    void chooserOpensOnTheSidesSystem();
    void seoulCityHallInTheWindow();
    void egm96HeightFacingEllipsoidalHeight();
    void operationAndMissingGridInTooltips();
    void unusableSystemShowsTheErrorBox();
    void projFailuresReachTheErrorBox_data();
    void projFailuresReachTheErrorBox();
    void cancelChangesNothing();
    void setDatumReturnsToTheCatalogue();
    void gridDialogsLeaveASystemAlone();
    void noGridCopiedFromAGeographicSystem();
    void tabThenDownSelectsTheFirstEntry();
    void downGoesToTheSelectedSystem();

  private:
    /// Chooses @p id1 and @p id2 ("": leave the side) by typing each into
    /// its side's filter and selecting its entry, then closes with
    /// @p result. The error boxes shown go to @p boxes when given, else
    /// there must be none.
    void Choose(const QString &id1, const QString &id2,
                int result = QDialog::Accepted,
                QList<ShownBox> *boxes = nullptr);
    QStringList Labels() const;
    /// The tooltips of the side's datum and grid labels.
    QStringList Tooltips(int side) const;
    void ShowActive();

    QTemporaryDir m_settingsDir;
};

void tst_TfrmRefSys::initTestCase() {
    // The systems used last go to a folder of this run, never to the user's
    // own settings.
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(m_settingsDir.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       m_settingsDir.path());
    const QSettings settings(QStringLiteral("Nolvex"),
                             QStringLiteral("nolvex"));
    QVERIFY2(settings.fileName().startsWith(m_settingsDir.path()),
             qPrintable(settings.fileName()));
}

void tst_TfrmRefSys::cleanup() {
    CloseWindow();
    QSettings settings(QStringLiteral("Nolvex"), QStringLiteral("nolvex"));
    settings.clear();
    settings.sync();
}

void tst_TfrmRefSys::Choose(const QString &id1, const QString &id2, int result,
                            QList<ShownBox> *boxes) {
    const DialogRun run = Run(
        "ReferenceSystem1",
        [&](QDialog &d) {
            for (int side : {1, 2}) {
                const QString id = side == 1 ? id1 : id2;
                if (id.isEmpty())
                    continue;
                Child<QLineEdit>(d, QStringLiteral("edtFilter%1").arg(side))
                    ->setText(id);
                auto *list = Child<QListWidget>(
                    d, QStringLiteral("lstSystems%1").arg(side));
                const QList<QListWidgetItem *> found = list->findItems(
                    id + QStringLiteral("  "), Qt::MatchStartsWith);
                QVERIFY2(found.size() == 1, qPrintable(id));
                list->setCurrentItem(found.first());
            }
        },
        result);
    QCOMPARE(run.dialogs, 1);
    QCOMPARE(run.title, QStringLiteral("Reference System"));
    if (boxes)
        *boxes = run.boxes;
    else
        QVERIFY(run.boxes.isEmpty());
}

QStringList tst_TfrmRefSys::Labels() const {
    return {m_window->stDatum1()->text(), m_window->stUtm1()->text(),
            m_window->stDatum2()->text(), m_window->stUtm2()->text()};
}

QStringList tst_TfrmRefSys::Tooltips(int side) const {
    if (side == 1)
        return {m_window->stDatum1()->toolTip(), m_window->stUtm1()->toolTip()};
    return {m_window->stDatum2()->toolTip(), m_window->stUtm2()->toolTip()};
}

void tst_TfrmRefSys::ShowActive() {
    m_window->show();
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
}

// ---- the chooser ------------------------------------------------------------

// Start-up does not make the chooser (which opens PROJ's database when it is
// first filled); the menu item does, once.
void tst_TfrmRefSys::databaseNotOpenedUntilTheMenuRuns() {
    QVERIFY(DialogTitled("Reference System") == nullptr);
    QVERIFY(m_window->findChildren<TfrmRefSys *>().isEmpty());
    Run("ReferenceSystem1", {}, QDialog::Rejected);
    Run("ReferenceSystem1", {}, QDialog::Rejected);
    QCOMPARE(m_window->findChildren<TfrmRefSys *>().size(), 1);
}

void tst_TfrmRefSys::filterByCodeNameOrArea_data() {
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("first"); // the first items, in order
    QTest::addColumn<QStringList>("some");  // items listed anywhere
    QTest::addColumn<int>("count");         // -1: any number of items
    QTest::newRow("code")
        << "5186"
        << QStringList{"EPSG:5186  Korea 2000 / Central Belt 2010  "
                       "[Projected]"}
        << QStringList{} << -1;
    QTest::newRow("with EPSG:, any case")
        << "epsg:6677"
        << QStringList{"EPSG:6677  JGD2011 / Japan Plane Rectangular CS IX  "
                       "[Projected]"}
        << QStringList{} << 1;
    QTest::newRow("part of a name, any case")
        << "central belt" << QStringList{}
        << QStringList{"EPSG:2097  Korean 1985 / Central Belt  [Projected]",
                       "EPSG:5181  Korea 2000 / Central Belt  [Projected]",
                       "EPSG:5186  Korea 2000 / Central Belt 2010  "
                       "[Projected]"}
        << -1;
    QTest::newRow("area of use")
        << "onshore between 126°E and 128°E" << QStringList{}
        << QStringList{"EPSG:5186  Korea 2000 / Central Belt 2010  "
                       "[Projected]"}
        << -1;
    QTest::newRow("UTM zone")
        << "WGS 84 / UTM zone 52N"
        << QStringList{"EPSG:32652  WGS 84 / UTM zone 52N  [Projected]"}
        << QStringList{} << 1;
    // Not an entry of the database: made from what is typed.
    QTest::newRow("compound of two codes")
        << "EPSG:4326+5773"
        << QStringList{"EPSG:4326+5773  WGS 84 + EGM96 height  [Compound]"}
        << QStringList{} << 1;
    QTest::newRow("nothing matches")
        << "no such system at all" << QStringList{} << QStringList{} << 0;
}

void tst_TfrmRefSys::filterByCodeNameOrArea() {
    QFETCH(QString, filter);
    QFETCH(QStringList, first);
    QFETCH(QStringList, some);
    QFETCH(int, count);
    Run("ReferenceSystem1",
        [&](QDialog &d) {
            Child<QLineEdit>(d, "edtFilter2")->setText(filter);
            const QStringList items =
                Items(*Child<QListWidget>(d, "lstSystems2"));
            QCOMPARE(items.mid(0, first.size()), first);
            for (const QString &item : some)
                QVERIFY2(items.contains(item), qPrintable(item));
            if (count >= 0)
                QCOMPARE(items.size(), count);
            // One match is the one meant: selected and described.
            const QString details = Child<QLabel>(d, "lblDetails2")->text();
            QCOMPARE(!details.isEmpty(), items.size() == 1);
            // Side 1 is left as it opened: on its catalogue datum.
            QVERIFY(Child<QListWidget>(d, "lstSystems1")->currentItem() ==
                    nullptr);
        },
        QDialog::Rejected);
}

// Three systems named "WGS 84": geographic 2D, geographic 3D and geocentric.
// They come first for their name, each with its kind, and their details say
// what their axes and heights are.
void tst_TfrmRefSys::listTellsKindsApart_data() {
    QTest::addColumn<QString>("item");
    QTest::addColumn<QStringList>("lines"); // details, line by line
    QTest::newRow("EPSG:4326")
        << "EPSG:4326  WGS 84  [Geographic 2D]"
        << QStringList{"WGS 84 (EPSG:4326)", "Geographic 2D",
                       "Axes: Geodetic latitude (Lat, north), Geodetic "
                       "longitude (Lon, east)",
                       "Height: height (passed through)",
                       "Area of use: World."};
    QTest::newRow("EPSG:4979")
        << "EPSG:4979  WGS 84  [Geographic 3D]"
        << QStringList{"WGS 84 (EPSG:4979)", "Geographic 3D",
                       "Axes: Geodetic latitude (Lat, north), Geodetic "
                       "longitude (Lon, east), Ellipsoidal height (h, up)",
                       "Height: ellipsoidal height"};
    QTest::newRow("EPSG:4978")
        << "EPSG:4978  WGS 84  [Geocentric]"
        << QStringList{"WGS 84 (EPSG:4978)", "Geocentric",
                       "Axes: Geocentric X (X, geocentricX), Geocentric Y "
                       "(Y, geocentricY), Geocentric Z (Z, geocentricZ)",
                       "Height: Z", "Area of use: World."};
}

void tst_TfrmRefSys::listTellsKindsApart() {
    QFETCH(QString, item);
    QFETCH(QStringList, lines);
    Run(
        "ReferenceSystem1",
        [&](QDialog &d) {
            Child<QLineEdit>(d, "edtFilter1")->setText("WGS 84");
            auto *list = Child<QListWidget>(d, "lstSystems1");
            QStringList firstThree = Items(*list).mid(0, 3);
            firstThree.sort();
            QCOMPARE(firstThree,
                     (QStringList{"EPSG:4326  WGS 84  [Geographic 2D]",
                                  "EPSG:4978  WGS 84  [Geocentric]",
                                  "EPSG:4979  WGS 84  [Geographic 3D]"}));
            const auto found = list->findItems(item, Qt::MatchExactly);
            QCOMPARE(found.size(), 1);
            list->setCurrentItem(found.first());
            const QStringList shown =
                Child<QLabel>(d, "lblDetails1")->text().split(u'\n');
            QCOMPARE(shown.mid(0, lines.size()), lines);
        },
        QDialog::Rejected);
}

// Down in a filter goes to its list and selects the first entry, which OK
// then applies.
void tst_TfrmRefSys::downMovesIntoTheList() {
    QString first;
    Run("ReferenceSystem1", [&](QDialog &d) {
        auto *filter = Child<QLineEdit>(d, "edtFilter2");
        auto *list = Child<QListWidget>(d, "lstSystems2");
        filter->setFocus();
        filter->setText("central belt");
        QVERIFY(list->count() > 1);
        QVERIFY(list->currentItem() == nullptr ||
                !list->currentItem()->isSelected());
        QTest::keyClick(filter, Qt::Key_Down);
        QCOMPARE(d.focusWidget(), list);
        QCOMPARE(list->currentRow(), 0);
        QVERIFY(list->currentItem()->isSelected());
        first = list->currentItem()->text();
        QVERIFY(!Child<QLabel>(d, "lblDetails2")->text().isEmpty());
    });
    // "EPSG:5181  Korea 2000 / Central Belt  [Projected]" names the side's
    // grid "Korea 2000 / Central Belt (EPSG:5181)".
    const QStringList parts = first.split(QStringLiteral("  "));
    QCOMPARE(parts.size(), 3);
    QCOMPARE(Labels().at(3), parts[1] + " (" + parts[0] + ")");
}

// The systems chosen last come first with nothing typed, latest first and
// each once, in the next run's chooser too. Only systems a side went on
// count.
void tst_TfrmRefSys::recentSystemsComeFirst() {
    Choose("EPSG:4326", "EPSG:5186"); // side 1, then side 2
    Choose("EPSG:4979", "");
    Choose("", "EPSG:4326+5773");
    QList<ShownBox> boxes;
    Choose("", "EPSG:5773", QDialog::Accepted, &boxes); // refused
    QCOMPARE(boxes.size(), 1);
    CloseWindow();
    OpenWindow(); // a new window, a new chooser
    Run(
        "ReferenceSystem1",
        [&](QDialog &d) {
            // Both sides on their catalogue datums: nothing typed.
            QVERIFY(Child<QLineEdit>(d, "edtFilter1")->text().isEmpty());
            const QStringList items =
                Items(*Child<QListWidget>(d, "lstSystems1"));
            QCOMPARE(items.mid(0, 4),
                     (QStringList{
                         "EPSG:4326+5773  WGS 84 + EGM96 height  [Compound]",
                         "EPSG:4979  WGS 84  [Geographic 3D]",
                         "EPSG:5186  Korea 2000 / Central Belt 2010  "
                         "[Projected]",
                         "EPSG:4326  WGS 84  [Geographic 2D]"}));
            QCOMPARE(items.count("EPSG:4326  WGS 84  [Geographic 2D]"), 1);
            QCOMPARE(Items(*Child<QListWidget>(d, "lstSystems2")).mid(0, 4),
                     items.mid(0, 4));
            // Typing narrows as before; clearing brings them back.
            auto *filter = Child<QLineEdit>(d, "edtFilter1");
            filter->setText("5186");
            filter->clear();
            QCOMPARE(Items(*Child<QListWidget>(d, "lstSystems1")).mid(0, 4),
                     items.mid(0, 4));
        },
        QDialog::Rejected);
}

// The chooser keeps ten: the oldest go, a system used again moves to the
// head rather than showing twice.
void tst_TfrmRefSys::recentSystemsAtMostTen() {
    for (const char *id :
         {"EPSG:2097", "EPSG:5174", "EPSG:5181", "EPSG:5186", "EPSG:4326",
          "EPSG:4979", "EPSG:4978", "EPSG:32652", "EPSG:6677", "EPSG:4301",
          "EPSG:4612", "EPSG:4737", "EPSG:5186"})
        TfrmRefSys::RememberSystem(id);
    const QStringList expected{
        "EPSG:5186",  "EPSG:4737", "EPSG:4612", "EPSG:4301", "EPSG:6677",
        "EPSG:32652", "EPSG:4978", "EPSG:4979", "EPSG:4326", "EPSG:5181"};
    Run(
        "ReferenceSystem1",
        [&](QDialog &d) {
            const QStringList items =
                Items(*Child<QListWidget>(d, "lstSystems1"));
            QStringList heads;
            for (const QString &item : items.mid(0, 11))
                heads << item.section(QStringLiteral("  "), 0, 0);
            QCOMPARE(heads.mid(0, 10), expected);
            // The eleventh is the database's first, not one used before.
            QVERIFY(!QStringList({"EPSG:2097", "EPSG:5174"})
                         .contains(heads.value(10)));
            QCOMPARE(items.count("EPSG:5186  Korea 2000 / Central Belt 2010  "
                                 "[Projected]"),
                     1);
        },
        QDialog::Rejected);
}

// The side's system and datum in its labels, named and coded; the chooser
// opens on it again, described.
void tst_TfrmRefSys::chooserOpensOnTheSidesSystem() {
    Choose("", "EPSG:5186");
    QCOMPARE(Labels(),
             (QStringList{"World Geodetic System 1984",
                          "World Geodetic System 1984(UTM)",
                          "Korea 2000 (EPSG:4737)",
                          "Korea 2000 / Central Belt 2010 (EPSG:5186)"}));
    Run(
        "ReferenceSystem1",
        [&](QDialog &d) {
            QCOMPARE(Child<QLineEdit>(d, "edtFilter2")->text(),
                     QStringLiteral("EPSG:5186"));
            auto *list = Child<QListWidget>(d, "lstSystems2");
            QVERIFY(list->currentItem() != nullptr);
            QCOMPARE(
                list->currentItem()->text(),
                QStringLiteral("EPSG:5186  Korea 2000 / Central Belt 2010  "
                               "[Projected]"));
            QCOMPARE(
                Child<QLabel>(d, "lblDetails2")->text().split(u'\n'),
                (QStringList{"Korea 2000 / Central Belt 2010 (EPSG:5186)",
                             "Projected",
                             "Axes: Northing (X, north), Easting (Y, east)",
                             "Height: height (passed through)",
                             "Area of use: Republic of Korea (South Korea) - "
                             "onshore between 126°E and 128°E."}));
            QVERIFY(Child<QListWidget>(d, "lstSystems1")->currentItem() ==
                    nullptr);
            QVERIFY(Child<QLabel>(d, "lblDetails1")->text().isEmpty());
        },
        QDialog::Rejected);
}

// ---- a side on a PROJ system in the window ----------------------------------

// Seoul City Hall typed on WGS 84, carried to Korea 2000 and projected on the
// Central Belt 2010: cs2cs's numbers to the micrometre, and the operation
// PROJ used in both sides' tooltips.
void tst_TfrmRefSys::seoulCityHallInTheWindow() {
    Choose("EPSG:4326", "EPSG:5186");
    ShowActive();
    TypeInto(Field("edtLatDd1"), Num("37.5665"));
    TypeInto(Field("edtLonDd1"), Num("126.978"));
    QVERIFY(Trigger("Dt1").isEmpty());
    QVERIFY(Trigger("Dt2cc2").isEmpty());
    QVERIFY2(Near(Value("edtUtmX2"), 198056.366737, 1e-6),
             qPrintable(Field("edtUtmX2")->text())); // easting
    QVERIFY2(Near(Value("edtUtmY2"), 551885.030589, 1e-6),
             qPrintable(Field("edtUtmY2")->text())); // northing
    QCOMPARE(Field("edtUtmZ2")->text(), QStringLiteral("0"));
    for (int side : {1, 2}) {
        for (const QString &tip : Tooltips(side))
            QVERIFY2(tip.endsWith("\nLast operation: Inverse of Korea 2000 to "
                                  "WGS 84 (1), 1 m"),
                     qPrintable(tip));
    }
    QVERIFY(Tooltips(2).at(0).startsWith("Korea 2000 (EPSG:4737)\n"));
    QVERIFY(Tooltips(2).at(1).startsWith(
        "Korea 2000 / Central Belt 2010 (EPSG:5186)\n"));
}

// A height above EGM96 facing an ellipsoidal one, both ways; each side's
// height row says which height it holds.
void tst_TfrmRefSys::egm96HeightFacingEllipsoidalHeight() {
    Choose("EPSG:4979", "EPSG:4326+5773");
    SetPoint("1", "37.5665", "126.978", "100");
    QVERIFY(Trigger("Dt1").isEmpty());
    QVERIFY(Near(Value("edtLatDd2"), 37.5665, 5e-7));
    QVERIFY(Near(Value("edtLonDd2"), 126.978, 5e-7));
    QVERIFY2(Near(Value("edtAltDd2"), 77.102527, 1e-6),
             qPrintable(Field("edtAltDd2")->text()));
    for (int side : {1, 2})
        QVERIFY(Tooltips(side).at(0).endsWith(
            "\nLast operation: WGS 84 to EGM96 height (1), 1 m"));
    SetPoint("2", "37.5665", "126.978", "77.102527");
    QVERIFY(Trigger("Dt2").isEmpty());
    QVERIFY2(Near(Value("edtAltDd1"), 100, 1e-6),
             qPrintable(Field("edtAltDd1")->text()));
    for (int side : {1, 2})
        QVERIFY(Tooltips(side).at(0).endsWith(
            "\nLast operation: Inverse of WGS 84 to EGM96 height (1), 1 m"));

    auto *alt1 = m_window->findChild<QLabel *>("lblAltDd1");
    auto *alt2 = m_window->findChild<QLabel *>("lblAltDd2");
    QCOMPARE(alt1->toolTip(), QStringLiteral("Height: ellipsoidal height"));
    QCOMPARE(alt2->toolTip(), QStringLiteral("Height: EGM96 height"));
    // The documented captions stay.
    QCOMPARE(alt1->text(), QStringLiteral("고도(Alt)"));
    QCOMPARE(alt2->text(), QStringLiteral("고도(Alt)"));
    QVERIFY(Tooltips(2).at(0).contains("\nHeight: EGM96 height\n"));
}

// Tokyo to JGD2000: PROJ takes the 9 m transformation, as the 0.2 m one needs
// a grid that is not installed; both are said. Before the first
// transformation, and on a side without a system, there is nothing to say.
void tst_TfrmRefSys::operationAndMissingGridInTooltips() {
    for (const std::string &dir : GridDirectories()) {
        for (const char *grid : {"tky2jgd.gsb", "jp_gsi_tky2jgd.tif"}) {
            if (QFileInfo::exists(QString::fromStdString(dir) + u'/' +
                                  QLatin1String(grid)))
                QSKIP("the Tokyo to JGD2000 grid is installed here");
        }
    }
    QVERIFY(Tooltips(1).at(0).isEmpty());
    QVERIFY(m_window->findChild<QLabel *>("lblAltDd1")->toolTip().isEmpty());
    Choose("EPSG:4301", "EPSG:4612");
    QVERIFY(!Tooltips(1).at(0).isEmpty());
    QVERIFY(!Tooltips(1).at(0).contains("Last operation"));
    SetPoint("1", "35.68", "139.76", "0");
    QVERIFY(Trigger("Dt1").isEmpty());
    QVERIFY(Near(Value("edtLatDd2"), 35.683238828, 1e-9));
    QVERIFY(Near(Value("edtLonDd2"), 139.756766679, 1e-9));
    const QString line =
        "\nLast operation: EPSG:15483 Tokyo to JGD2000 (1), 9 m; more "
        "accurate: EPSG:6712 Tokyo to JGD2000 (2), 0.2 m needs tky2jgd.gsb";
    for (int side : {1, 2}) {
        for (const QString &tip : Tooltips(side))
            QVERIFY2(tip.endsWith(line), qPrintable(tip));
    }
    // A new system on side 2: its operation is not known yet; side 1 keeps
    // its own.
    Choose("", "EPSG:6668");
    QVERIFY(!Tooltips(2).at(0).contains("Last operation"));
    QVERIFY(Tooltips(1).at(0).endsWith(line));
}

// A vertical system alone cannot be a side: the error box, and neither side
// changes (side 1's valid choice is not applied either).
void tst_TfrmRefSys::unusableSystemShowsTheErrorBox() {
    const QStringList before = Labels();
    QList<ShownBox> boxes;
    Choose("EPSG:4326", "EPSG:5773", QDialog::Accepted, &boxes);
    QCOMPARE(boxes.size(), 1);
    QVERIFY2(boxes.first().text.contains("EPSG:5773"),
             qPrintable(boxes.first().text));
    QCOMPARE(boxes.first().title, QStringLiteral("ZEPHANIX NLVX"));
    QCOMPARE(Labels(), before);
    QVERIFY(Tooltips(1).at(0).isEmpty());
    QVERIFY(TfrmRefSys::RecentSystems().isEmpty());
    // Still the catalogue's Molodensky shift: the start-up texts.
    QVERIFY(Trigger("Dt1").isEmpty());
    QCOMPARE(Field("edtLatDd2")->text(), Num("37.4790372301572"));
}

// PROJ's failures in a command reach the error box, and the fields the
// command would write keep their texts.
void tst_TfrmRefSys::projFailuresReachTheErrorBox_data() {
    QTest::addColumn<QString>("id1");
    QTest::addColumn<QString>("id2");
    QTest::addColumn<QString>("grid2"); // side 2's grid row, "" to keep
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("says");
    QTest::newRow("point outside the projection")
        << ""
        << "EPSG:5186"
        << "1000000000000"
        << "Cc2dt2"
        << "Point outside of projection domain";
    QTest::newRow("no operation to WGS 84")
        << "IAU_2015:49900"
        << ""
        << ""
        << "Dt1"
        << "Mars (2015) - Sphere / Ocentric (IAU_2015:49900)";
}

void tst_TfrmRefSys::projFailuresReachTheErrorBox() {
    QFETCH(QString, id1);
    QFETCH(QString, id2);
    QFETCH(QString, grid2);
    QFETCH(QString, action);
    QFETCH(QString, says);
    Choose(id1, id2);
    if (!grid2.isEmpty()) {
        for (const char *name : {"edtUtmX2", "edtUtmY2"})
            Field(name)->setText(grid2);
    }
    const QMap<QString, QString> before = FieldTexts(*m_window);
    const QList<ShownBox> boxes = Trigger(action);
    QCOMPARE(boxes.size(), 1);
    QVERIFY2(boxes.first().text.contains(says), qPrintable(boxes.first().text));
    QCOMPARE(FieldTexts(*m_window), before);
}

void tst_TfrmRefSys::cancelChangesNothing() {
    const QStringList before = Labels();
    Choose("EPSG:5186", "EPSG:6677", QDialog::Rejected);
    QCOMPARE(Labels(), before);
    QVERIFY(TfrmRefSys::RecentSystems().isEmpty());
    QVERIFY(Trigger("Dt1").isEmpty());
    QCOMPARE(Field("edtLatDd2")->text(), Num("37.4790372301572"));
}

// Set Datum shows no entry for a side on a PROJ system; choosing one
// returns the side to the catalogue, tooltips gone.
void tst_TfrmRefSys::setDatumReturnsToTheCatalogue() {
    Choose("", "EPSG:5186");
    Run("SetDatum1", [&](QDialog &d) {
        auto *list = Child<QComboBox>(d, "cboDatum2");
        QCOMPARE(list->currentIndex(), -1);
        QVERIFY(Child<QLabel>(d, "lblDx2")->text().isEmpty());
        QCOMPARE(Child<QComboBox>(d, "cboDatum1")->currentIndex(), 133);
    });
    // OK without an entry: the side stays on its system.
    QCOMPARE(Labels().at(3),
             QStringLiteral("Korea 2000 / Central Belt 2010 (EPSG:5186)"));
    QVERIFY(!Tooltips(2).at(1).isEmpty());
    Run("SetDatum1", [&](QDialog &d) {
        Child<QComboBox>(d, "cboDatum2")->setCurrentIndex(125);
    });
    QCOMPARE(Labels().at(2), QStringLiteral("Tokyo(---)"));
    QCOMPARE(Labels().at(3), QStringLiteral("Tokyo(---)(UTM)"));
    QCOMPARE(Tooltips(2), (QStringList{QString(), QString()}));
    QVERIFY(m_window->findChild<QLabel *>("lblAltDd2")->toolTip().isEmpty());
    SetPoint("1", "37.4818416208333", "127.004542079167", "0");
    QVERIFY(Trigger("Dt1").isEmpty());
    QCOMPARE(Field("edtLatDd2")->text(), Num("37.4790372301572"));
}

// A side on a PROJ system has its system's grid: the grid dialogs leave it
// alone, and apply to the other side as before.
void tst_TfrmRefSys::gridDialogsLeaveASystemAlone() {
    Choose("EPSG:5186", "");
    Run("SetCoordnate1", [&](QDialog &d) {
        QVERIFY(!Child<QGroupBox>(d, "grpCoordSys1")->isEnabled());
        QVERIFY(Child<QGroupBox>(d, "grpCoordSys2")->isEnabled());
        Child<QRadioButton>(d, "rdoG72")->setChecked(true);
    });
    QCOMPARE(Labels().at(1),
             QStringLiteral("Korea 2000 / Central Belt 2010 (EPSG:5186)"));
    QCOMPARE(Labels().at(3), QStringLiteral("Tokyo(---)(G7)"));
    Run("SetFactor1", [&](QDialog &d) {
        QVERIFY(!Child<QGroupBox>(d, "grpOrigin1")->isEnabled());
        Child<QLineEdit>(d, "edtX1")->setText("0");
    });
    // Still EPSG:5186's grid, not side 1's catalogue grid (its false easting
    // typed as 0 above): the point on Korea 2000 (EPSG:4737), projected.
    SetPoint("1", "37.5665", "126.978", "0");
    QVERIFY(Trigger("Dt1cc1").isEmpty());
    QVERIFY(Near(Value("edtUtmX1"), 198056.366737, 1e-6));
    QVERIFY(Near(Value("edtUtmY1"), 551885.030589, 1e-6));
    // No transformation yet: the tooltip names the systems, no operation.
    QVERIFY(!Tooltips(1).at(1).contains("Last operation"));
    QCOMPARE(m_window->findChild<QLabel *>("lblUtmZ1")->toolTip(),
             QStringLiteral("Z: height (passed through)"));
}

// Side 1's grid fields keep the UTM values of the catalogue after the side
// goes on WGS 84 (EPSG:4326), which has no grid: Copy Point As Grid refuses
// them as Datum1->Utm1 refuses the side, and the clipboard keeps its text.
void tst_TfrmRefSys::noGridCopiedFromAGeographicSystem() {
    QVERIFY(Trigger("Dt1cc1").isEmpty());
    Choose("EPSG:4326", "");
    const QString utmX = m_window->findChild<QLineEdit *>("edtUtmX1")->text();
    QVERIFY(utmX != "0");
    QGuiApplication::clipboard()->setText("kept");
    const QList<ShownBox> boxes = Trigger("CopyGrid1");
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes.first().text,
             QStringLiteral("WGS 84 (EPSG:4326) is a geographic system: it "
                            "has no grid coordinates."));
    QCOMPARE(Trigger("Dt1cc1").value(0).text, boxes.first().text);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("kept"));
    QCOMPARE(m_window->findChild<QLineEdit *>("edtUtmX1")->text(), utmX);
    // Nor does the side name a zone of the catalogue's grid any more.
    QVERIFY(Child<QLabel>(*m_window, "lblZone1")->isHidden());
    QVERIFY(Child<QLabel>(*m_window, "lblZoneMark1")->isHidden());
}

// Regression: Tab from a filter into its list made the first entry current
// without showing it, so that Down selected the second. Now Down after Tab
// selects the first, as Down from the filter does.
void tst_TfrmRefSys::tabThenDownSelectsTheFirstEntry() {
    QString first;
    Run("ReferenceSystem1", [&](QDialog &d) {
        auto *filter = Child<QLineEdit>(d, "edtFilter1");
        auto *list = Child<QListWidget>(d, "lstSystems1");
        filter->setText("central belt");
        QVERIFY(list->count() > 2);
        first = list->item(0)->text();
        d.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&d));
        filter->setFocus(Qt::OtherFocusReason);
        QTest::keyClick(filter, Qt::Key_Tab);
        QCOMPARE(d.focusWidget(), list);
        QVERIFY(list->selectedItems().isEmpty());
        QCOMPARE(static_cast<TfrmRefSys &>(d).ChosenSystem(1), "");
        QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(list->currentRow(), 0);
        QVERIFY(list->currentItem()->isSelected());
        QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(list->currentRow(), 1);
        // Back to the filter and Tab again: the selection stays.
        QTest::keyClick(list, Qt::Key_Backtab);
        QCOMPARE(d.focusWidget(), filter);
        QTest::keyClick(filter, Qt::Key_Tab);
        QCOMPARE(list->currentRow(), 1);
        QVERIFY(list->currentItem()->isSelected());
    });
    QVERIFY(!first.isEmpty());
}

// With a system selected in the list, Down from the filter goes to it, not
// to the first entry: what is chosen stays chosen.
void tst_TfrmRefSys::downGoesToTheSelectedSystem() {
    Choose("", "EPSG:5186");
    Run("ReferenceSystem1", [&](QDialog &d) {
        auto *filter = Child<QLineEdit>(d, "edtFilter2");
        auto *list = Child<QListWidget>(d, "lstSystems2");
        filter->setText("Korea 2000"); // the side's system among others
        QVERIFY(list->count() > 2);
        QVERIFY(list->currentRow() > 0);
        const QString selected = list->currentItem()->text();
        QVERIFY2(selected.startsWith("EPSG:5186  "), qPrintable(selected));
        d.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&d));
        filter->setFocus(Qt::OtherFocusReason);
        QTest::keyClick(filter, Qt::Key_Down);
        QCOMPARE(d.focusWidget(), list);
        QCOMPARE(list->currentItem()->text(), selected);
        QVERIFY(list->currentItem()->isSelected());
    });
    QCOMPARE(Labels().at(3), QStringLiteral("Korea 2000 / Central Belt 2010 "
                                            "(EPSG:5186)"));
}

QTEST_MAIN(tst_TfrmRefSys)
#include "tst_TfrmRefSys.moc"
