// The coordinate-system and projection-origin dialogs, driven through "Set
// &Coordnate" and "Set &Factor(Coord)": their forms and first contents, Cancel,
// the grid kinds and origins they apply, the origin adjustments, the reset by
// the coordinate-system dialog, the commands on the chosen grids, and an
// unreadable origin field.
//
// Reference values come from PROJ 9.1 (cct), run as
//   echo "lon lat h 0" | cct -d 6 <operation>
// with, on side 2 ("Tokyo(---)", +a=6377397.155 +rf=299.1528128 = BESSEL):
//   UTM  +proj=tmerc +lat_0=0 +lon_0=129 +k=0.9996 +x_0=500000 +y_0=0 BESSEL
//   TM   +proj=tmerc +lat_0=38 +lon_0=127.0028902777777776 +k=1 +x_0=200000
//        +y_0=500000 BESSEL   (127 degrees and the 10.405" delta)
//   G7   +proj=tmerc +lat_0=38 +lon_0=128 +k=0.9999 +x_0=400000 +y_0=600000
//        BESSEL
//   ECEF +proj=cart BESSEL
// and on side 1 (+ellps=WGS84) after editing the origin:
//   UTM, origin longitude 124 (zone meridian 123): +proj=tmerc +lat_0=0
//        +lon_0=123 +k=0.9996 +x_0=500000 +y_0=0
//   TM, origin longitude 126 (belt 125): +proj=tmerc +lat_0=38
//        +lon_0=125.0028902777777776 +k=1 +x_0=200000 +y_0=500000
//   G7, origin 0 / 0, 37, 127.5, delta 0.01: +proj=tmerc +lat_0=37
//        +lon_0=127.51 +k=0.9999 +x_0=0 +y_0=0
//   UTM, unedited: +proj=tmerc +lat_0=0 +lon_0=129 +k=0.9996 +x_0=500000
// and for the zone of the grid row, the standard rule of UTM zones (6
// degrees from 180 W, zone n around 6 n - 183) and the belts of 2 degrees
// around 125, 127 and 129 E; 35 N 124.9 E, which lies in zone 51, in the
// zone of the origin's meridian 129 as the command makes it:
//   echo "124.9 35 0 0" | cct -d 6 +proj=tmerc +lat_0=0 +lon_0=129
//        +k=0.9996 +x_0=500000 +y_0=0 +ellps=WGS84
//   125758.176671  3880731.059741
#include "Coord.h"
#include "DialogDriver.h"
#include "Fmain.h"
#include "MainWindowFixture.h"
#include "NumberText.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <cmath>

namespace {

// The engine's series against PROJ's exact Transverse Mercator, within a few
// degrees of the central meridian; Bowring's single step likewise.
constexpr double M_GRID = 1e-3;
constexpr double DEG_GRID = 1e-8;

const char *const KIND_STEMS[] = {"rdoUtm", "rdoTm", "rdoG7", "rdoEcef"};

QStringList OriginNames(const QString &side) {
    QStringList names;
    for (const char *stem : {"edtX", "edtY", "edtLat", "edtLon", "edtDLon"})
        names << QString::fromLatin1(stem) + side;
    return names;
}

QStringList KindNames(const QString &side) {
    QStringList names;
    for (const char *stem : KIND_STEMS)
        names << QString::fromLatin1(stem) + side;
    return names;
}

} // namespace

class tst_TfrmCoordSys : public QObject, private DialogFixture {
    Q_OBJECT

  private slots:
    void initTestCase_data();
    void init();
    void cleanup();

    void form_data();
    void form();
    void firstOpening();
    void chooseKind_data();
    void chooseKind();
    void cancelChangesNothing_data();
    void cancelChangesNothing();
    void originAdjustedAtNextOpening_data();
    void originAdjustedAtNextOpening();
    void latitudeDeltaKept();
    void coordSysOkResetsOrigins_data();
    void coordSysOkResetsOrigins();
    void commandsOnChosenGrid_data();
    void commandsOnChosenGrid();
    void editedOriginReachesCommands_data();
    void editedOriginReachesCommands();
    void unreadableOriginField_data();
    void unreadableOriginField();
    void gridRowNamesItsZone_data();
    void gridRowNamesItsZone();
    void pointOutsideTheZoneIsMarked();
    void zoneMarkFollowsTheStandardZones();

  private:
    void ChooseKind(const QString &side, int kind);
    void SetOrigin(const QString &side, const QStringList &texts);
    QStringList ShownOrigin(const QString &side) {
        return Opened(QStringLiteral("SetFactor1"), OriginNames(side));
    }
    QStringList Expected(const QString &side, const QStringList &texts) const;
    void CheckShownOrigins(const QStringList &origin1,
                           const QStringList &origin2);
    COORD &Engine(const QString &side) const {
        return side == u'1' ? *m_window->pCoord1 : *m_window->pCoord2;
    }
};

void tst_TfrmCoordSys::initTestCase_data() { AddSeparatorRows(); }

void tst_TfrmCoordSys::init() { OpenWindow(); }

void tst_TfrmCoordSys::cleanup() { CloseWindow(); }

void tst_TfrmCoordSys::ChooseKind(const QString &side, int kind) {
    const DialogRun run = Run(QStringLiteral("SetCoordnate1"), [&](QDialog &d) {
        Child<QRadioButton>(d, QString::fromLatin1(KIND_STEMS[kind - 1]) + side)
            ->setChecked(true);
    });
    QCOMPARE(run.dialogs, 1);
    QVERIFY(run.boxes.isEmpty());
}

// Types the five texts (rows' "." and "~" localised) into one side and OK.
void tst_TfrmCoordSys::SetOrigin(const QString &side,
                                 const QStringList &texts) {
    const DialogRun run = Run(QStringLiteral("SetFactor1"), [&](QDialog &d) {
        const QStringList names = OriginNames(side);
        for (int i = 0; i < names.size(); ++i)
            SetText(d, names[i], Typed(texts[i], m_sep));
    });
    QCOMPARE(run.dialogs, 1);
    QVERIFY(run.boxes.isEmpty());
}

QStringList tst_TfrmCoordSys::Expected(const QString &side,
                                       const QStringList &texts) const {
    QStringList rows;
    const QStringList names = OriginNames(side);
    for (int i = 0; i < names.size(); ++i)
        rows << names[i] + u'=' + Typed(texts[i], m_sep);
    return rows;
}

// What the next opening of the projection-origin dialog shows on both sides.
void tst_TfrmCoordSys::CheckShownOrigins(const QStringList &origin1,
                                         const QStringList &origin2) {
    QCOMPARE(ShownOrigin(QStringLiteral("1")),
             Expected(QStringLiteral("1"), origin1));
    QCOMPARE(ShownOrigin(QStringLiteral("2")),
             Expected(QStringLiteral("2"), origin2));
}

// ---- forms ------------------------------------------------------------------

void tst_TfrmCoordSys::form_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("group");
    QTest::addColumn<QStringList>("captions"); // "name=caption"
    QTest::addColumn<QStringList>("defaults"); // the form's own texts
    QTest::newRow("coordinate system")
        << "SetCoordnate1"
        << "Set Coordinate System"
        << "Coordnate System"
        << QStringList{"rdoUtm1=Universal Transverse Mercator",
                       "rdoTm1=Transverse Mercator",
                       "rdoG71=G7",
                       "rdoEcef1=Earth Centered Earth Fixed",
                       "rdoUtm2=Universal Transverse &Mercator",
                       "rdoTm2=Transverse Mercator",
                       "rdoG72=G7",
                       "rdoEcef2=Earth Centered Earth Fixed"}
        << QStringList{};
    QTest::newRow("projection origin")
        << "SetFactor1"
        << "Coordination System Factor"
        << "Origin(Meter)"
        << QStringList{"lblX1=X(East)",      "lblY1=Y(North)",
                       "lblLat1=Latitude",   "lblLon1=Longitude",
                       "lblDLon1=Delta Lon", "lblX2=X(East)",
                       "lblY2=Y(North)",     "lblLat2=Latitude",
                       "lblLon2=Longitude",  "lblDLon2=Delta Lon"}
        << QStringList{"edtX1=500000", "edtY1=0",    "edtLat1=0",
                       "edtLon1=129",  "edtDLon1=0", "edtX2=500000",
                       "edtY2=0",      "edtLat2=0",  "edtLon2=129",
                       "edtDLon2=0"};
}

void tst_TfrmCoordSys::form() {
    QFETCH(QString, action);
    QFETCH(QString, title);
    QFETCH(QString, group);
    QFETCH(QStringList, captions);
    QFETCH(QStringList, defaults);
    // The form's own texts, before any opening replaces them.
    QDialog *dialog = DialogTitled(title);
    QVERIFY(dialog != nullptr);
    QVERIFY(!dialog->isVisible());
    QCOMPARE(Snapshot(*dialog, NamesOf(defaults)), defaults);

    bool modal = false;
    QStringList shownCaptions;
    QStringList groups;
    bool cancelLeftOfOk = false;
    bool fixedSize = false;
    const DialogRun run = Run(
        action,
        [&](QDialog &d) {
            modal = d.isModal();
            fixedSize = d.minimumSize() == d.maximumSize();
            for (const QString &row : captions) {
                const QString name = SplitAssignment(row).first;
                auto *button = d.findChild<QAbstractButton *>(name);
                shownCaptions
                    << name + u'=' +
                           (button != nullptr ? button->text()
                                              : Child<QLabel>(d, name)->text());
            }
            const QList<QGroupBox *> boxes = d.findChildren<QGroupBox *>();
            for (const QGroupBox *box : boxes)
                groups << box->title();
            // Two groups side by side, side 1 on the left.
            if (boxes.size() == 2) {
                const QGroupBox *left =
                    boxes[0]->x() < boxes[1]->x() ? boxes[0] : boxes[1];
                groups << QStringLiteral("left:") + left->objectName().right(1);
                groups << QString::number(left->geometry().intersects(
                    (left == boxes[0] ? boxes[1] : boxes[0])->geometry()));
            }
            cancelLeftOfOk = CancelLeftOfOk(d);
        },
        QDialog::Rejected);
    QCOMPARE(run.dialogs, 1);
    QCOMPARE(run.title, title);
    QVERIFY(modal);
    QVERIFY(fixedSize);
    QVERIFY(cancelLeftOfOk);
    QCOMPARE(shownCaptions, captions);
    QCOMPARE(groups, (QStringList{group, group, "left:1", "0"}));
}

void tst_TfrmCoordSys::firstOpening() {
    QStringList kinds;
    DialogRun run = Run(
        QStringLiteral("SetCoordnate1"),
        [&](QDialog &d) {
            kinds = Snapshot(d, KindNames(QStringLiteral("1")) +
                                    KindNames(QStringLiteral("2")));
        },
        QDialog::Rejected);
    QCOMPARE(run.dialogs, 1);
    QCOMPARE(kinds, (QStringList{"rdoUtm1=on", "rdoTm1=off", "rdoG71=off",
                                 "rdoEcef1=off", "rdoUtm2=on", "rdoTm2=off",
                                 "rdoG72=off", "rdoEcef2=off"}));
    const QStringList utm{"500000", "0", "0", "129", "0"};
    CheckShownOrigins(utm, utm);
}

// ---- grid kinds -------------------------------------------------------------

void tst_TfrmCoordSys::chooseKind_data() {
    QTest::addColumn<QString>("side");
    QTest::addColumn<QList<int>>("kinds");   // chosen one after the other
    QTest::addColumn<QString>("label");      // stUtm of the side
    QTest::addColumn<QStringList>("origin"); // shown at the next opening
    QTest::newRow("TM on side 2")
        << "2" << QList<int>{CS_TM} << "Tokyo(---)(TM)"
        << QStringList{"200000", "500000", "38", "127", "0.00289027777777778"};
    QTest::newRow("G7 on side 1")
        << "1" << QList<int>{CS_G7} << "World Geodetic System 1984(G7)"
        << QStringList{"400000", "600000", "38", "128", "0"};
    QTest::newRow("TM on side 1")
        << "1" << QList<int>{CS_TM} << "World Geodetic System 1984(TM)"
        << QStringList{"200000", "500000", "38", "127", "0.00289027777777778"};
    QTest::newRow("G7 on side 2")
        << "2" << QList<int>{CS_G7} << "Tokyo(---)(G7)"
        << QStringList{"400000", "600000", "38", "128", "0"};
    // ECEF changes only the kind: the constants of the kind before stay.
    QTest::newRow("ECEF on side 1")
        << "1" << QList<int>{CS_ECEF} << "World Geodetic System 1984(ECEF)"
        << QStringList{"500000", "0", "0", "129", "0"};
    QTest::newRow("TM, then ECEF on side 2")
        << "2" << QList<int>{CS_TM, CS_ECEF} << "Tokyo(---)(ECEF)"
        << QStringList{"200000", "500000", "38", "127", "0.00289027777777778"};
    QTest::newRow("G7, then UTM again on side 1")
        << "1" << QList<int>{CS_G7, CS_UTM} << "World Geodetic System 1984(UTM)"
        << QStringList{"500000", "0", "0", "129", "0"};
}

void tst_TfrmCoordSys::chooseKind() {
    QFETCH(QString, side);
    QFETCH(QList<int>, kinds);
    QFETCH(QString, label);
    QFETCH(QStringList, origin);
    const QString other =
        side == u'1' ? QStringLiteral("2") : QStringLiteral("1");
    const QString otherLabel =
        side == u'1' ? m_window->stUtm2()->text() : m_window->stUtm1()->text();
    const QStringList otherOrigin = ShownOrigin(other);
    const QMap<QString, QString> fields = FieldTexts(*m_window);
    for (int kind : kinds)
        ChooseKind(side, kind);

    QCOMPARE(Engine(side).GetCoordSys(), kinds.last());
    QCOMPARE(Engine(other).GetCoordSys(), CS_UTM);
    QCOMPARE(side == u'1' ? m_window->stUtm1()->text()
                          : m_window->stUtm2()->text(),
             label);
    QCOMPARE(side == u'1' ? m_window->stUtm2()->text()
                          : m_window->stUtm1()->text(),
             otherLabel);
    QCOMPARE(m_window->stDatum1()->text(),
             QStringLiteral("World Geodetic System 1984"));
    QCOMPARE(m_window->stDatum2()->text(), QStringLiteral("Tokyo(---)"));
    QCOMPARE(FieldTexts(*m_window), fields); // nothing recomputed
    QCOMPARE(ShownOrigin(side), Expected(side, origin));
    QCOMPARE(ShownOrigin(other), otherOrigin);

    // The next opening shows the kind in force.
    const QStringList shown =
        Opened(QStringLiteral("SetCoordnate1"), KindNames(side));
    QStringList expected;
    for (int i = 0; i < 4; ++i)
        expected << KindNames(side)[i] + u'=' +
                        (i + 1 == kinds.last() ? QStringLiteral("on")
                                               : QStringLiteral("off"));
    QCOMPARE(shown, expected);
}

void tst_TfrmCoordSys::cancelChangesNothing_data() {
    QTest::addColumn<QString>("action");
    QTest::newRow("coordinate system") << "SetCoordnate1";
    QTest::newRow("projection origin") << "SetFactor1";
}

void tst_TfrmCoordSys::cancelChangesNothing() {
    QFETCH(QString, action);
    const QStringList labels{m_window->stUtm1()->text(),
                             m_window->stUtm2()->text()};
    const DialogRun run = Run(
        action,
        [](QDialog &d) {
            if (auto *tm = d.findChild<QRadioButton *>("rdoTm2")) {
                tm->setChecked(true);
                Child<QRadioButton>(d, QStringLiteral("rdoEcef1"))
                    ->setChecked(true);
            } else {
                for (const QString &side :
                     {QStringLiteral("1"), QStringLiteral("2")}) {
                    for (const QString &name : OriginNames(side))
                        SetText(d, name, QStringLiteral("7"));
                }
            }
        },
        QDialog::Rejected);
    QCOMPARE(run.dialogs, 1);
    QVERIFY(run.boxes.isEmpty());
    for (COORD *engine : {m_window->pCoord1.get(), m_window->pCoord2.get()}) {
        QCOMPARE(engine->GetCoordSys(), CS_UTM);
        double x = 0, y = 0, lat = 0, lon = 0, dlat = 0, dlon = 0;
        engine->GetOrigin(x, y);
        engine->GetOrgLatLon(lat, lon);
        engine->GetDelta(dlat, dlon);
        QCOMPARE(x, 500000.0);
        QCOMPARE(y, 0.0);
        QCOMPARE(lat, 0.0);
        QVERIFY(std::fabs(lon - 129) < 1e-12);
        QCOMPARE(dlon, 0.0);
    }
    QCOMPARE(
        (QStringList{m_window->stUtm1()->text(), m_window->stUtm2()->text()}),
        labels);
    // The next opening shows the engines' values, not the typed ones.
    const QStringList utm{"500000", "0", "0", "129", "0"};
    CheckShownOrigins(utm, utm);
}

// ---- origins ----------------------------------------------------------------

void tst_TfrmCoordSys::originAdjustedAtNextOpening_data() {
    QTest::addColumn<QString>("side");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QStringList>("typed");
    QTest::addColumn<QStringList>("shown");
    // UTM: the central meridian of the 6-degree zone holding the longitude.
    QTest::newRow("UTM 128 -> 129")
        << "1" << CS_UTM << QStringList{"500000", "0", "0", "128", "0"}
        << QStringList{"500000", "0", "0", "129", "0"};
    QTest::newRow("UTM zone edge 126 -> 129")
        << "2" << CS_UTM << QStringList{"500000", "0", "37.5", "126", "0"}
        << QStringList{"500000", "0", "37.5", "129", "0"};
    QTest::newRow("UTM 125.999 -> 123")
        << "1" << CS_UTM << QStringList{"1000.5", "-20", "0", "125.999", "0"}
        << QStringList{"1000.5", "-20", "0", "123", "0"};
    QTest::newRow("UTM west of Greenwich -0.5 -> -3")
        << "2" << CS_UTM << QStringList{"500000", "0", "0", "-0.5", "0"}
        << QStringList{"500000", "0", "0", "-3", "0"};
    // TM: the belt holding it, open at its west edge.
    QTest::newRow("TM 126 -> 125")
        << "1" << CS_TM
        << QStringList{"200000", "500000", "38", "126", "0.00289027777777778"}
        << QStringList{"200000", "500000", "38", "125", "0.00289027777777778"};
    QTest::newRow("TM 126.0001 -> 127")
        << "2" << CS_TM
        << QStringList{"200000", "500000", "38", "126.0001", "0"}
        << QStringList{"200000", "500000", "38", "127", "0"};
    QTest::newRow("TM 130 -> 129")
        << "1" << CS_TM << QStringList{"0", "0", "37", "130", "0.5"}
        << QStringList{"0", "0", "37", "129", "0.5"};
    // G7 keeps the longitude as typed.
    QTest::newRow("G7 127.5 stays")
        << "2" << CS_G7 << QStringList{"400000", "600000", "38", "127.5", "0"}
        << QStringList{"400000", "600000", "38", "127.5", "0"};
    // Exponents and blanks read by the number rules; shown in the general
    // format.
    QTest::newRow("numbers rewritten")
        << "1" << CS_G7 << QStringList{" 4E5", "+6e5 ", "3.80E1", "128.0", "-0"}
        << QStringList{"400000", "600000", "38", "128", "0"};
}

void tst_TfrmCoordSys::originAdjustedAtNextOpening() {
    QFETCH(QString, side);
    QFETCH(int, kind);
    QFETCH(QStringList, typed);
    QFETCH(QStringList, shown);
    ChooseKind(side, kind);
    const QString other =
        side == u'1' ? QStringLiteral("2") : QStringLiteral("1");
    const QStringList otherOrigin = ShownOrigin(other);
    const QString labels =
        m_window->stUtm1()->text() + m_window->stUtm2()->text();
    SetOrigin(side, typed);
    QCOMPARE(ShownOrigin(side), Expected(side, shown));
    QCOMPARE(ShownOrigin(other), otherOrigin);
    QCOMPARE(m_window->stUtm1()->text() + m_window->stUtm2()->text(), labels);
    QCOMPARE(Engine(side).GetCoordSys(), kind);
}

void tst_TfrmCoordSys::latitudeDeltaKept() {
    // The dialog does not show the latitude delta; OK keeps it as it was.
    m_window->pCoord1->SetDelta(0.25, 0);
    SetOrigin(QStringLiteral("1"), {"500000", "0", "0", "129", "0.125"});
    double dlat = 0, dlon = 0;
    m_window->pCoord1->GetDelta(dlat, dlon);
    QVERIFY(std::fabs(dlat - 0.25) < 1e-15);
    QVERIFY(std::fabs(dlon - 0.125) < 1e-15);
}

void tst_TfrmCoordSys::coordSysOkResetsOrigins_data() {
    QTest::addColumn<int>("kind1");
    QTest::addColumn<int>("kind2");
    QTest::addColumn<QStringList>("after1"); // shown after the second OK
    QTest::addColumn<QStringList>("after2");
    const QStringList edited{"1", "2", "3", "4", "5"};
    QTest::newRow("UTM and TM reset")
        << CS_UTM << CS_TM << QStringList{"500000", "0", "0", "129", "0"}
        << QStringList{"200000", "500000", "38", "127", "0.00289027777777778"};
    QTest::newRow("G7 resets, ECEF keeps the edits")
        << CS_G7 << CS_ECEF << QStringList{"400000", "600000", "38", "128", "0"}
        << edited;
}

void tst_TfrmCoordSys::coordSysOkResetsOrigins() {
    // OK in the coordinate-system dialog, without a change, selects each
    // side's kind again and so reloads its default origin.
    QFETCH(int, kind1);
    QFETCH(int, kind2);
    QFETCH(QStringList, after1);
    QFETCH(QStringList, after2);
    ChooseKind(QStringLiteral("1"), kind1);
    ChooseKind(QStringLiteral("2"), kind2);
    const DialogRun run = Run(QStringLiteral("SetFactor1"), [](QDialog &d) {
        for (const QString &side : {QStringLiteral("1"), QStringLiteral("2")}) {
            const QStringList names = OriginNames(side);
            for (int i = 0; i < names.size(); ++i)
                SetText(d, names[i], QString::number(i + 1));
        }
    });
    QCOMPARE(run.boxes.size(), 0);
    const QStringList edited2 = ShownOrigin(QStringLiteral("2"));
    if (kind2 == CS_ECEF)
        QCOMPARE(edited2, Expected(QStringLiteral("2"), after2));

    const DialogRun ok = Run(QStringLiteral("SetCoordnate1"), nullptr);
    QCOMPARE(ok.dialogs, 1);
    CheckShownOrigins(after1, after2);
}

// ---- commands on the chosen grids -------------------------------------------

void tst_TfrmCoordSys::commandsOnChosenGrid_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("y");
    QTest::addColumn<double>("z");
    // Side 2 on "Tokyo(---)", the point 36.2, 127.9, 30.
    QTest::newRow("UTM") << CS_UTM << 401120.510334 << 4006293.559237 << 30.0;
    QTest::newRow("TM with its 10.405\" delta")
        << CS_TM << 280673.355393 << 300631.185598 << 30.0;
    QTest::newRow("G7") << CS_G7 << 391008.424872 << 400282.766186 << 30.0;
    QTest::newRow("ECEF") << CS_ECEF << -3165001.110225 << 4065622.945434
                          << 3745768.241961;
}

void tst_TfrmCoordSys::commandsOnChosenGrid() {
    QFETCH(int, kind);
    QFETCH(double, x);
    QFETCH(double, y);
    QFETCH(double, z);
    ChooseKind(QStringLiteral("2"), kind);
    SetPoint(QStringLiteral("2"), "36.2", "127.9", "30");
    QList<ShownBox> boxes = Trigger(QStringLiteral("Dt2cc2"));
    QVERIFY2(std::fabs(Value("edtUtmX2") - x) <= M_GRID,
             qPrintable(Field("edtUtmX2")->text()));
    QVERIFY2(std::fabs(Value("edtUtmY2") - y) <= M_GRID,
             qPrintable(Field("edtUtmY2")->text()));
    QVERIFY2(std::fabs(Value("edtUtmZ2") - z) <= M_GRID,
             qPrintable(Field("edtUtmZ2")->text()));

    // And back: the grid row of the stored values gives the point again.
    SetPoint(QStringLiteral("2"), "0", "0", "0");
    Field("edtUtmX2")->setText(Num(QString::number(x, 'f', 6)));
    Field("edtUtmY2")->setText(Num(QString::number(y, 'f', 6)));
    Field("edtUtmZ2")->setText(Num(QString::number(z, 'f', 6)));
    boxes += Trigger(QStringLiteral("Cc2dt2"));
    QVERIFY(boxes.isEmpty());
    QVERIFY(std::fabs(Value("edtLatDd2") - 36.2) <= DEG_GRID);
    QVERIFY(std::fabs(Value("edtLonDd2") - 127.9) <= DEG_GRID);
    QVERIFY(std::fabs(Value("edtAltDd2") - 30) <= M_GRID);
}

void tst_TfrmCoordSys::editedOriginReachesCommands_data() {
    QTest::addColumn<int>("kind");
    QTest::addColumn<QStringList>("origin"); // typed into side 1
    QTest::addColumn<QStringList>("point");  // lat, lon
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("y");
    QTest::newRow("UTM, zone of 124")
        << CS_UTM << QStringList{"500000", "0", "0", "124", "0"}
        << QStringList{"37.5", "124.5"} << 632589.070206 << 4151398.037587;
    QTest::newRow("UTM, unedited")
        << CS_UTM << QStringList{"500000", "0", "0", "129", "0"}
        << QStringList{"37.5", "124.5"} << 102138.005016 << 4159863.782565;
    QTest::newRow("TM, belt of 126 with the delta")
        << CS_TM
        << QStringList{"200000", "500000", "38", "126", "0.00289027777777778"}
        << QStringList{"37", "125.5"} << 244248.721944 << 389128.479003;
    QTest::newRow("G7, own origin and delta")
        << CS_G7 << QStringList{"0", "0", "37", "127.5", "0.01"}
        << QStringList{"37.5", "127.25"} << -22988.337046 << 55517.371118;
}

void tst_TfrmCoordSys::editedOriginReachesCommands() {
    QFETCH(int, kind);
    QFETCH(QStringList, origin);
    QFETCH(QStringList, point);
    QFETCH(double, x);
    QFETCH(double, y);
    ChooseKind(QStringLiteral("1"), kind);
    SetOrigin(QStringLiteral("1"), origin);
    SetPoint(QStringLiteral("1"), point[0], point[1], "0");
    QVERIFY(Trigger(QStringLiteral("Dt1cc1")).isEmpty());
    QVERIFY2(std::fabs(Value("edtUtmX1") - x) <= M_GRID,
             qPrintable(Field("edtUtmX1")->text()));
    QVERIFY2(std::fabs(Value("edtUtmY1") - y) <= M_GRID,
             qPrintable(Field("edtUtmY1")->text()));
}

// ---- an unreadable field ----------------------------------------------------

void tst_TfrmCoordSys::unreadableOriginField_data() {
    QTest::addColumn<QStringList>("bad"); // "field=text", set after the rest
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("side1Applied");
    QTest::addColumn<bool>("side2Applied");
    const QString abc =
        QStringLiteral("'abc' is not a valid floating point value.");
    QTest::newRow("side 2 easting")
        << QStringList{"edtX2=abc"} << abc << true << false;
    QTest::newRow("side 2 longitude delta")
        << QStringList{"edtDLon2=abc"} << abc << true << false;
    QTest::newRow("side 1 easting")
        << QStringList{"edtX1=abc"} << abc << false << false;
    // All five side-1 fields are read before side 1 is applied.
    QTest::newRow("side 1 longitude delta")
        << QStringList{"edtDLon1=abc"} << abc << false << false;
    QTest::newRow("side 1 latitude, empty")
        << QStringList{"edtLat1="}
        << QStringLiteral("'' is not a valid floating point value.") << false
        << false;
    // Read in the order X, Y, latitude, longitude, delta; side 1 first.
    QTest::newRow("first bad field reported")
        << QStringList{"edtX2=xyz", "edtLon1=abc", "edtDLon1=q"} << abc << false
        << false;
    // "~" stands for the separator not in use.
    QTest::newRow("the other decimal separator")
        << QStringList{"edtY2=12~5"}
        << QStringLiteral("'12~5' is not a valid floating point value.") << true
        << false;
}

void tst_TfrmCoordSys::unreadableOriginField() {
    QFETCH(QStringList, bad);
    QFETCH(QString, message);
    QFETCH(bool, side1Applied);
    QFETCH(bool, side2Applied);
    message.replace(u'~', m_sep == '.' ? u',' : u'.');
    const QStringList new1{"1000", "2000", "10", "132", "0.5"};
    const QStringList new2{"3000", "4000", "20", "133", "0.25"};
    const DialogRun run = Run(QStringLiteral("SetFactor1"), [&](QDialog &d) {
        for (int i = 0; i < 5; ++i) {
            SetText(d, OriginNames(QStringLiteral("1"))[i],
                    Typed(new1[i], m_sep));
            SetText(d, OriginNames(QStringLiteral("2"))[i],
                    Typed(new2[i], m_sep));
        }
        for (const QString &row : bad) {
            const auto [name, text] = SplitAssignment(row);
            SetText(d, name, Typed(text, m_sep));
        }
    });
    QCOMPARE(run.dialogs, 1);
    QCOMPARE(run.boxes.size(), 1);
    QCOMPARE(run.boxes[0].text, message);

    // Applied: the typed origin, the UTM zone of 132 and 133 (135); not
    // applied: the UTM defaults.
    const QStringList applied1{"1000", "2000", "10", "135", "0.5"};
    const QStringList applied2{"3000", "4000", "20", "135", "0.25"};
    const QStringList utm{"500000", "0", "0", "129", "0"};
    CheckShownOrigins(side1Applied ? applied1 : utm,
                      side2Applied ? applied2 : utm);
}

// ---- the zone of the grid row ----------------------------------------------

// Beside each side's grid group the zone or belt its grid values are in, as
// the origin's meridian chooses it; the documented captions stay as they are.
void tst_TfrmCoordSys::gridRowNamesItsZone_data() {
    QTest::addColumn<QString>("side");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QStringList>("origin"); // empty: the kind's own
    QTest::addColumn<QString>("zone");       // empty: none shown
    QTest::newRow("UTM at start") << "1" << CS_UTM << QStringList{}
                                  << "zone 52N";
    QTest::newRow("UTM, origin 124") << "1" << CS_UTM
                                     << QStringList{"500000", "0", "0", "124",
                                                    "0"}
                                     << "zone 51N";
    QTest::newRow("UTM, southern") << "2" << CS_UTM
                                   << QStringList{"500000", "10000000", "0",
                                                  "151.2", "0"}
                                   << "zone 56S";
    QTest::newRow("TM") << "2" << CS_TM << QStringList{}
                        << "belt 127\u00B0E";
    QTest::newRow("TM, origin 126") << "1" << CS_TM
                                    << QStringList{"200000", "500000", "38",
                                                   "126", "0"}
                                    << "belt 125\u00B0E";
    QTest::newRow("G7") << "1" << CS_G7 << QStringList{}
                        << "G7 38\u00B0N 128\u00B0E";
    QTest::newRow("G7 moved") << "2" << CS_G7
                              << QStringList{"400000", "600000", "37.5",
                                             "127.5", "0"}
                              << "G7 37.5\u00B0N 127.5\u00B0E";
    QTest::newRow("ECEF") << "2" << CS_ECEF << QStringList{} << "";
}

void tst_TfrmCoordSys::gridRowNamesItsZone() {
    QFETCH(QString, side);
    QFETCH(int, kind);
    QFETCH(QStringList, origin);
    QFETCH(QString, zone);
    const QStringList captions = {
        m_window->stDatum1()->text(), m_window->stUtm1()->text(),
        m_window->stDatum2()->text(), m_window->stUtm2()->text()};
    ChooseKind(side, kind);
    if (!origin.isEmpty())
        SetOrigin(side, origin);
    const QLabel *label = Child<QLabel>(*m_window, "lblZone" + side);
    QCOMPARE(label->isHidden(), zone.isEmpty());
    if (!zone.isEmpty())
        QCOMPARE(label->text(), Typed(zone, m_sep));
    // The legend stands within its group, clear of the first row's field.
    const QLineEdit *x = Field("edtUtmX" + side);
    QCOMPARE(label->parentWidget(), x->parentWidget());
    QVERIFY(label->geometry().bottom() < x->geometry().top());
    QVERIFY(label->geometry().right() <= x->geometry().right());
    QStringList now = {m_window->stDatum1()->text(), m_window->stUtm1()->text(),
                       m_window->stDatum2()->text(),
                       m_window->stUtm2()->text()};
    const QString tag = kind == CS_UTM    ? "(UTM)"
                        : kind == CS_TM   ? "(TM)"
                        : kind == CS_G7   ? "(G7)"
                                          : "(ECEF)";
    const int grid = side == u'1' ? 1 : 3;
    QVERIFY(now[grid].endsWith(tag));
    now[grid] = captions[grid]; // the documented tag changes, nothing else
    QCOMPARE(now, captions);
}

// The zone comes from the origin's meridian, not from the point: 35 N
// 124.9 E, in zone 51 by the standard rule, is converted in zone 52 as
// before, and the mark beside the zone says so, with the reason in its
// tooltip. Inside the zone, or with a longitude that does not read, there is
// no mark.
void tst_TfrmCoordSys::pointOutsideTheZoneIsMarked() {
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    const QLabel *mark = Child<QLabel>(*m_window, "lblZoneMark1");
    const QLabel *zone = Child<QLabel>(*m_window, "lblZone1");
    QVERIFY(mark->isHidden()); // the start-up point lies in zone 52
    TypeInto(Field("edtLatDd1"), Num("35"));
    TypeInto(Field("edtLonDd1"), Num("124.9"));
    QVERIFY(!mark->isHidden());
    const QString reason = Typed("124.9\u00B0E lies outside zone 52N "
                                 "(126\u00B0E to 132\u00B0E): the standard "
                                 "zone there is 51",
                                 m_sep);
    QCOMPARE(mark->toolTip(), reason);
    QVERIFY(zone->toolTip().endsWith(reason));
    QVERIFY(mark->geometry().right() < zone->geometry().left());

    QVERIFY(Trigger("Dt1cc1").isEmpty());
    QVERIFY(std::fabs(Value("edtUtmX1") - 125758.176671) < M_GRID);
    QVERIFY(std::fabs(Value("edtUtmY1") - 3880731.059741) < M_GRID);
    QCOMPARE(zone->text(), QStringLiteral("zone 52N"));

    TypeInto(Field("edtLonDd1"), Num("126.5"));
    QVERIFY(mark->isHidden());
    TypeInto(Field("edtLonDd1"), Num("12a"));
    QVERIFY(mark->isHidden());
    TypeInto(Field("edtLonDd1"), Num("126.5"));

    // The origin moved to zone 51: now 126.5 E lies outside it.
    SetOrigin("1", {"500000", "0", "0", "123", "0"});
    QCOMPARE(zone->text(), QStringLiteral("zone 51N"));
    QVERIFY(!mark->isHidden());
    QVERIFY2(mark->toolTip().endsWith("the standard zone there is 52"),
             qPrintable(mark->toolTip()));
}

// The mark checks the point against its standard zone at its latitude, as
// GeoConvert -u -s gives it: 32V spans 3 to 12 E from 56 N up to 64 N, and
// beyond 84 N (or 80 S) no zone is the point's, though the row still holds
// the side's zone's numbers. Typing the latitude alone changes the mark.
void tst_TfrmCoordSys::zoneMarkFollowsTheStandardZones() {
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    const QLabel *mark = Child<QLabel>(*m_window, "lblZoneMark1");
    SetOrigin("1", {"500000", "0", "0", "9", "0"}); // zone 32
    QCOMPARE(Child<QLabel>(*m_window, "lblZone1")->text(),
             QStringLiteral("zone 32N"));
    m_window->activateWindow(); // the dialog had the keyboard
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    TypeInto(Field("edtLatDd1"), Num("60"));
    TypeInto(Field("edtLonDd1"), Num("4.5"));
    QVERIFY2(mark->isHidden(), qPrintable(mark->toolTip())); // 32V
    TypeInto(Field("edtLatDd1"), Num("50"));
    QVERIFY(!mark->isHidden());
    QCOMPARE(mark->toolTip(),
             Typed("4.5\u00B0E lies outside zone 32N (6\u00B0E to "
                   "12\u00B0E): the standard zone there is 31",
                   m_sep));
    TypeInto(Field("edtLatDd1"), Num("85"));
    QVERIFY(!mark->isHidden());
    QCOMPARE(mark->toolTip(),
             QStringLiteral("85\u00B0N lies beyond UTM (UPS)"));
    // the numbers are still the zone's Transverse Mercator ones
    QVERIFY(Trigger("Dt1cc1").isEmpty());
    QVERIFY(!Field("edtUtmX1")->text().isEmpty());
}

QTEST_MAIN(tst_TfrmCoordSys)
#include "tst_TfrmCoordSys.moc"
