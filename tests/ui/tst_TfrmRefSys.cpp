// The reference-system chooser and a side on a register system: its labels,
// the published transformation and grid in the commands, and the way back
// to the catalogue through Set Datum.
//
// References: PROJ 9.1,
//   echo "37.5663 126.9779" | cs2cs -f %.4f EPSG:4326 EPSG:5174
//   451557.6553	197977.9052 0.0000
// and the start-up texts of side 2 on Tokyo(---).
#include "MainWindowFixture.h"
#include "UiTestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QTest>

class tst_TfrmRefSys : public QObject, private DialogFixture {
    Q_OBJECT

  private slots:
    void initTestCase_data() { AddSeparatorRows(); }
    void init() { OpenWindow(); }
    void cleanup() { CloseWindow(); }

    void filterByCodeOrName_data();
    void filterByCodeOrName();
    void choosingSetsTheSideInOneStep();
    void seoulCityHallInTheWindow();
    void geographicSystemHasNoGrid();
    void cancelChangesNothing();
    void setDatumReturnsToTheCatalogue();
    void gridDialogsLeaveASystemAlone();

  private:
    /// Chooses @p code1 and @p code2 (0: leave the side) and confirms.
    void Choose(int code1, int code2, int result = QDialog::Accepted);
    QStringList Labels() const;
};

void tst_TfrmRefSys::Choose(int code1, int code2, int result) {
    const DialogRun run = Run(
        "ReferenceSystem1",
        [&](QDialog &d) {
            for (int side : {1, 2}) {
                const int code = side == 1 ? code1 : code2;
                if (code == 0)
                    continue;
                Child<QLineEdit>(d, QStringLiteral("edtFilter%1").arg(side))
                    ->setText(QStringLiteral("EPSG:%1").arg(code));
            }
        },
        result);
    QCOMPARE(run.dialogs, 1);
    QCOMPARE(run.title, QStringLiteral("Reference System"));
    QVERIFY(run.boxes.isEmpty());
}

QStringList tst_TfrmRefSys::Labels() const {
    return {m_window->stDatum1()->text(), m_window->stUtm1()->text(),
            m_window->stDatum2()->text(), m_window->stUtm2()->text()};
}

void tst_TfrmRefSys::filterByCodeOrName_data() {
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("some"); // items that must be listed
    QTest::addColumn<int>("count");        // -1: any number of items
    QTest::newRow("code") << "5174"
                          << QStringList{"EPSG:5174  Korean 1985 / Modified "
                                         "Central Belt"}
                          << 1;
    QTest::newRow("with EPSG:") << "epsg:6677"
                                << QStringList{"EPSG:6677  JGD2011 / Japan "
                                               "Plane Rectangular CS IX"}
                                << 1;
    QTest::newRow("part of a name, any case")
        << "central belt"
        << QStringList{"EPSG:2097  Korean 1985 / Central Belt",
                       "EPSG:5174  Korean 1985 / Modified Central Belt",
                       "EPSG:5186  Korea 2000 / Central Belt 2010"}
        << -1;
    QTest::newRow("UTM zone") << "zone 52N"
                              << QStringList{"EPSG:32652  WGS 84 / UTM zone "
                                             "52N"}
                              << 1;
    QTest::newRow("nothing matches") << "Mars" << QStringList{} << 0;
}

void tst_TfrmRefSys::filterByCodeOrName() {
    QFETCH(QString, filter);
    QFETCH(QStringList, some);
    QFETCH(int, count);
    Run("ReferenceSystem1",
        [&](QDialog &d) {
            Child<QLineEdit>(d, "edtFilter2")->setText(filter);
            auto *list = Child<QListWidget>(d, "lstSystems2");
            QStringList items;
            for (int i = 0; i < list->count(); ++i)
                items << list->item(i)->text();
            for (const QString &item : some)
                QVERIFY2(items.contains(item), qPrintable(item));
            if (count >= 0)
                QCOMPARE(items.size(), count);
            // One match is the one meant: selected and described.
            const QString details = Child<QLabel>(d, "lblDetails2")->text();
            QCOMPARE(!details.isEmpty(), items.size() == 1);
        },
        QDialog::Rejected);
}

// The side's datum, published transformation and grid in one step; the
// labels name the system and its datum with their codes.
void tst_TfrmRefSys::choosingSetsTheSideInOneStep() {
    Choose(0, 5174);
    QCOMPARE(Labels(),
             (QStringList{"World Geodetic System 1984",
                          "World Geodetic System 1984(UTM)",
                          "Korean 1985 (EPSG:4162)",
                          "Korean 1985 / Modified Central Belt (EPSG:5174)"}));
    // The chooser opens on it again, described.
    Run("ReferenceSystem1",
        [&](QDialog &d) {
            auto *list = Child<QListWidget>(d, "lstSystems2");
            QVERIFY(list->currentItem() != nullptr);
            QCOMPARE(list->currentItem()->text(),
                     QStringLiteral("EPSG:5174  Korean 1985 / Modified Central "
                                    "Belt"));
            const QString details = Child<QLabel>(d, "lblDetails2")->text();
            QVERIFY(details.contains("EPSG:5191 Korean 1985 to WGS 84 (1), 1 "
                                     "m, Molodensky-Badekas"));
            QVERIFY(details.contains("Area of use: Republic of Korea"));
            QVERIFY(Child<QListWidget>(d, "lstSystems1")->currentItem() ==
                    nullptr);
        },
        QDialog::Rejected);
}

void tst_TfrmRefSys::seoulCityHallInTheWindow() {
    Choose(4326, 5174);
    SetPoint("1", "37.5663", "126.9779", "0");
    QVERIFY(Trigger("Dt1").isEmpty());
    QVERIFY(Trigger("Dt2cc2").isEmpty());
    QVERIFY(std::fabs(Value("edtUtmX2") - 197977.9052) < 0.0005);
    QVERIFY(std::fabs(Value("edtUtmY2") - 451557.6553) < 0.0005);
    QCOMPARE(Field("edtUtmZ2")->text(), QStringLiteral("0"));
}

void tst_TfrmRefSys::geographicSystemHasNoGrid() {
    Choose(4326, 0);
    const QList<ShownBox> boxes = Trigger("Dt1cc1");
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes.first().text,
             QStringLiteral("EPSG:4326 WGS 84 is a geographic system: it has "
                            "no grid coordinates."));
}

void tst_TfrmRefSys::cancelChangesNothing() {
    const QStringList before = Labels();
    Choose(5174, 6677, QDialog::Rejected);
    QCOMPARE(Labels(), before);
    // Still the catalogue's Molodensky shift: the start-up texts.
    QVERIFY(Trigger("Dt1").isEmpty());
    QCOMPARE(Field("edtLatDd2")->text(), Num("37.4790372301572"));
}

// Set Datum shows no entry for a side on a register system; choosing one
// returns the side to the catalogue.
void tst_TfrmRefSys::setDatumReturnsToTheCatalogue() {
    Choose(0, 5174);
    Run("SetDatum1", [&](QDialog &d) {
        auto *list = Child<QComboBox>(d, "cboDatum2");
        QCOMPARE(list->currentIndex(), -1);
        QVERIFY(Child<QLabel>(d, "lblDx2")->text().isEmpty());
        QCOMPARE(Child<QComboBox>(d, "cboDatum1")->currentIndex(), 133);
    });
    // OK without an entry: the side stays on its system.
    QCOMPARE(Labels().at(3),
             QStringLiteral("Korean 1985 / Modified Central Belt (EPSG:5174)"));
    Run("SetDatum1", [&](QDialog &d) {
        Child<QComboBox>(d, "cboDatum2")->setCurrentIndex(125);
    });
    QCOMPARE(Labels().at(2), QStringLiteral("Tokyo(---)"));
    QCOMPARE(Labels().at(3), QStringLiteral("Tokyo(---)(UTM)"));
    SetPoint("1", "37.4818416208333", "127.004542079167", "0");
    QVERIFY(Trigger("Dt1").isEmpty());
    QCOMPARE(Field("edtLatDd2")->text(), Num("37.4790372301572"));
}

// A side on a register system has its system's grid: the grid dialogs leave
// it alone, and apply to the other side as before.
void tst_TfrmRefSys::gridDialogsLeaveASystemAlone() {
    Choose(5174, 0);
    Run("SetCoordnate1", [&](QDialog &d) {
        QVERIFY(!Child<QGroupBox>(d, "grpCoordSys1")->isEnabled());
        QVERIFY(Child<QGroupBox>(d, "grpCoordSys2")->isEnabled());
        Child<QRadioButton>(d, "rdoG72")->setChecked(true);
    });
    QCOMPARE(Labels().at(1),
             QStringLiteral("Korean 1985 / Modified Central Belt (EPSG:5174)"));
    QCOMPARE(Labels().at(3), QStringLiteral("Tokyo(---)(G7)"));
    Run("SetFactor1", [&](QDialog &d) {
        QVERIFY(!Child<QGroupBox>(d, "grpOrigin1")->isEnabled());
        Child<QLineEdit>(d, "edtX1")->setText("0");
    });
    // Still EPSG:5174's grid, not side 1's catalogue grid (its false easting
    // typed as 0 above): the point on Korean 1985, projected, as
    //   echo "126.9779 37.5663 0 0" | cct -d 4 +proj=tmerc +lat_0=38
    //     +lon_0=127.002890277778 +k=1 +x_0=200000 +y_0=500000 +ellps=bessel
    //   197792.4432    451868.0568
    SetPoint("1", "37.5663", "126.9779", "0");
    QVERIFY(Trigger("Dt1cc1").isEmpty());
    QVERIFY(std::fabs(Value("edtUtmX1") - 197792.4432) < 0.0005);
    QVERIFY(std::fabs(Value("edtUtmY1") - 451868.0568) < 0.0005);
}

QTEST_MAIN(tst_TfrmRefSys)
#include "tst_TfrmRefSys.moc"
