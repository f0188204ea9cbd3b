// The datum dialog, driven through "Set &Datum": its lists and labels, Cancel,
// the choices it applies to the engines and the main window's labels, the
// commands between the chosen datums, and the fault of a datum that cannot be
// derived.
//
// Reference values come from PROJ 9.1 (cct), the datum constants from the
// published WGS 84 datum tables, run as
//   echo "127.5 36.0 50 0" | cct -d 15 <operation>
//   T2W  Tokyo(---) -> WGS 84: +proj=molodensky +a=6377397.155
//        +rf=299.1528128 +dx=-105.627 +dy=462.37 +dz=643.258 +da=739.845
//        +df=1.0037482572674596e-05
//   W2T  WGS 84 -> Tokyo(---): +proj=molodensky +ellps=WGS84 +dx=105.627
//        +dy=-462.37 +dz=-643.258 +da=-739.845 +df=-1.0037482572674596e-05
//   72T  World Geodetic System 1972 -> Tokyo(---): +proj=pipeline
//        +step +proj=molodensky +a=6378135 +rf=298.26 +dx=0 +dy=0 +dz=-4.5
//        +da=2 +df=3.121057997549498e-08 +step <W2T>
#include "Coord.h"
#include "DialogDriver.h"
#include "Fcoordsys.h"
#include "Fdatum.h"
#include "Fdegsys.h"
#include "Fmain.h"
#include "Fuserdatum.h"
#include "Fuserell.h"
#include "Futmfact.h"
#include "MainWindowFixture.h"
#include "NumberText.h"

#include <QPushButton>
#include <QTest>

#include <cmath>

namespace {

constexpr double DEG_SHIFT = 1e-10; // 0.01 mm
constexpr double M_SHIFT = 1e-6;

// The labels of one side, in the order the dialog writes them.
QStringList SideLabelNames(const QString &side) {
    QStringList names;
    for (const char *stem :
         {"lblEllipsoid", "lblA", "lblF", "lblDx", "lblDy", "lblDz"})
        names << QString::fromLatin1(stem) + side;
    return names;
}

} // namespace

class tst_TfrmDatum : public QObject, private DialogFixture {
    Q_OBJECT

  private slots:
    void initTestCase_data();
    void init();
    void cleanup();

    void startupCreatesDialogsInOrder();
    void degreeToolFollowsItem();
    void aboutBoxShowsVersion();
    void form();
    void firstOpening();
    void sideLabelsFollowSelection_data();
    void sideLabelsFollowSelection();
    void cancelChangesNothing();
    void okAppliesChoices_data();
    void okAppliesChoices();
    void commandsUseChosenDatums_data();
    void commandsUseChosenDatums();
    void typedTextSelectsOnlyEntries_data();
    void typedTextSelectsOnlyEntries();
    void noSelectionLeavesSide();
    void setDatumFaultLeavesSide_data();
    void setDatumFaultLeavesSide();

  private:
    void ChooseDatums(int datum1, int datum2);
    void ChooseKinds(int kind1, int kind2);
    QStringList Labels() const;
};

void tst_TfrmDatum::initTestCase_data() { AddSeparatorRows(); }

void tst_TfrmDatum::init() { OpenWindow(); }

void tst_TfrmDatum::cleanup() { CloseWindow(); }

void tst_TfrmDatum::ChooseDatums(int datum1, int datum2) {
    const DialogRun run = Run(QStringLiteral("SetDatum1"), [&](QDialog &d) {
        Child<QComboBox>(d, QStringLiteral("cboDatum1"))
            ->setCurrentIndex(datum1);
        Child<QComboBox>(d, QStringLiteral("cboDatum2"))
            ->setCurrentIndex(datum2);
    });
    QCOMPARE(run.dialogs, 1);
    QVERIFY(run.boxes.isEmpty());
}

void tst_TfrmDatum::ChooseKinds(int kind1, int kind2) {
    static const char *const stems[] = {"rdoUtm", "rdoTm", "rdoG7", "rdoEcef"};
    const DialogRun run = Run(QStringLiteral("SetCoordnate1"), [&](QDialog &d) {
        Child<QRadioButton>(d, QString::fromLatin1(stems[kind1 - 1]) + u'1')
            ->setChecked(true);
        Child<QRadioButton>(d, QString::fromLatin1(stems[kind2 - 1]) + u'2')
            ->setChecked(true);
    });
    QCOMPARE(run.dialogs, 1);
}

QStringList tst_TfrmDatum::Labels() const {
    return {m_window->stDatum1()->text(), m_window->stDatum2()->text(),
            m_window->stUtm1()->text(), m_window->stUtm2()->text()};
}

// ---- start-up ---------------------------------------------------------------

void tst_TfrmDatum::startupCreatesDialogsInOrder() {
    // Created once, in the documented order, all hidden; the about box is
    // not among them.
    QList<QObject *> windows;
    for (QObject *child : m_window->children()) {
        if (child->isWidgetType() && static_cast<QWidget *>(child)->isWindow())
            windows << child;
    }
    QCOMPARE(windows.size(), 6);
    QVERIFY(qobject_cast<TfrmDatum *>(windows[0]) != nullptr);
    QVERIFY(qobject_cast<TfrmDegSys *>(windows[1]) != nullptr);
    QVERIFY(qobject_cast<TfrmUtmfact *>(windows[2]) != nullptr);
    QVERIFY(qobject_cast<TfrmUserDatum *>(windows[3]) != nullptr);
    QVERIFY(qobject_cast<TfrmUserEll *>(windows[4]) != nullptr);
    QVERIFY(qobject_cast<TfrmCoordSys *>(windows[5]) != nullptr);
    for (QObject *window : windows)
        QVERIFY(!static_cast<QWidget *>(window)->isVisible());

    // Creating the datum dialog remembered both datum texts and selected
    // both datums into the engines.
    QCOMPARE(m_window->m_strDatumName1,
             QStringLiteral("World Geodetic System 1984"));
    QCOMPARE(m_window->m_strDatumName2, QStringLiteral("Tokyo(---)"));
    QCOMPARE(m_window->pCoord1->GetDatum(), 133);
    QCOMPARE(m_window->pCoord2->GetDatum(), 125);
    QCOMPARE(Labels(), (QStringList{"World Geodetic System 1984", "Tokyo(---)",
                                    "World Geodetic System 1984(UTM)",
                                    "Tokyo(---)(UTM)"}));
}

void tst_TfrmDatum::degreeToolFollowsItem() {
    // "&Degree System" shows and hides the one tool window created at
    // start-up; the check mark follows it.
    auto *tool = m_window->findChild<TfrmDegSys *>();
    QVERIFY(tool != nullptr);
    QAction *item = m_window->DegSys1();
    QVERIFY(!item->isChecked());
    item->trigger();
    QVERIFY(tool->isVisible());
    QVERIFY(item->isChecked());
    QCOMPARE(tool->windowTitle(), QStringLiteral("Degree System Conversion"));
    item->trigger();
    QVERIFY(!tool->isVisible());
    QVERIFY(!item->isChecked());
    QCOMPARE(m_window->findChildren<TfrmDegSys *>().size(), 1);
}

void tst_TfrmDatum::aboutBoxShowsVersion() {
    // A fresh box per showing, with m_dbVersion, gone once it closes.
    QString version;
    const DialogRun run = Run(QStringLiteral("About1"), [&](QDialog &d) {
        version = Child<QLabel>(d, QStringLiteral("lblVersion"))->text();
    });
    QCOMPARE(run.dialogs, 1);
    QCOMPARE(run.title, QStringLiteral("About Nolvex"));
    QCOMPARE(version, QStringLiteral("버전  ") + Num("1.22"));
    QCOMPARE(m_window->findChildren<QDialog *>().size(), 5);
}

void tst_TfrmDatum::form() {
    QDialog *dialog = m_window->findChild<TfrmDatum *>();
    QVERIFY(dialog != nullptr);
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Datum"));
    QCOMPARE(dialog->minimumSize(), dialog->maximumSize());
    auto *ok = Child<QPushButton>(*dialog, QStringLiteral("btnOk"));
    auto *cancel = Child<QPushButton>(*dialog, QStringLiteral("btnCancel"));
    QCOMPARE(ok->text(), QStringLiteral("&Ok"));
    QCOMPARE(cancel->text(), QStringLiteral("&Cancel"));
    QVERIFY(cancel->x() + cancel->width() <= ok->x());
    for (const char *caption :
         {"Semi-Major Axis", "Inverse Flattening", "Dx", "Dy", "Dz"}) {
        int count = 0;
        for (const QLabel *label : dialog->findChildren<QLabel *>())
            count += label->text() == QString::fromLatin1(caption);
        QCOMPARE(count, 2); // one per side
    }
    // The two halves side by side: every side-1 control left of side 2's.
    auto *cbo1 = Child<QComboBox>(*dialog, QStringLiteral("cboDatum1"));
    auto *cbo2 = Child<QComboBox>(*dialog, QStringLiteral("cboDatum2"));
    QVERIFY(cbo1->mapTo(dialog, QPoint(cbo1->width(), 0)).x() <
            cbo2->mapTo(dialog, QPoint(0, 0)).x());

    // Pick lists of the whole catalogue, position = catalogue index.
    for (QComboBox *list : {cbo1, cbo2}) {
        QVERIFY(!list->isEditable());
        QCOMPARE(list->count(), 134);
        QCOMPARE(list->itemText(0), QStringLiteral("User Datum"));
        QCOMPARE(list->itemText(1), QStringLiteral("Adindan(ADI-M)"));
        QCOMPARE(list->itemText(18), QStringLiteral("Bellevue(IGN)(IBE)"));
        QCOMPARE(list->itemText(111),
                 QStringLiteral("S-42(Pulkovo 1942)(SPK-A)"));
        QCOMPARE(list->itemText(125), QStringLiteral("Tokyo(---)"));
        QCOMPARE(list->itemText(132),
                 QStringLiteral("World Geodetic System 1972"));
        QCOMPARE(list->itemText(133),
                 QStringLiteral("World Geodetic System 1984"));
    }
}

void tst_TfrmDatum::firstOpening() {
    QStringList shown;
    bool modal = false;
    const DialogRun run = Run(
        QStringLiteral("SetDatum1"),
        [&](QDialog &d) {
            modal = d.isModal();
            shown = Snapshot(d, QStringList{"cboDatum1", "cboDatum2"} +
                                    SideLabelNames(QStringLiteral("1")) +
                                    SideLabelNames(QStringLiteral("2")));
        },
        QDialog::Rejected);
    QCOMPARE(run.dialogs, 1);
    QCOMPARE(run.title, QStringLiteral("Datum"));
    QVERIFY(modal);
    QCOMPARE(
        shown,
        (QStringList{"cboDatum1=133:World Geodetic System 1984",
                     "cboDatum2=125:Tokyo(---)", "lblEllipsoid1=WGS 84",
                     "lblA1=6378137", "lblF1=" + Num("298.257223563"),
                     "lblDx1=0", "lblDy1=0", "lblDz1=0",
                     "lblEllipsoid2=Bessel 1841", "lblA2=" + Num("6377397.155"),
                     "lblF2=" + Num("299.1528128"), "lblDx2=" + Num("-105.627"),
                     "lblDy2=" + Num("462.37"), "lblDz2=" + Num("643.258")}));
}

// ---- the labels of a side ---------------------------------------------------

void tst_TfrmDatum::sideLabelsFollowSelection_data() {
    QTest::addColumn<QString>("side");
    QTest::addColumn<int>("datum");
    QTest::addColumn<QStringList>("labels"); // ellipsoid, a, 1/f, dx, dy, dz
    QTest::newRow("Adindan, side 1")
        << "1" << 1 << QStringList{"Clarke 1880", "6378249.145", "293.465",
                                   "-166",        "-15",         "204"};
    QTest::newRow("Adindan, side 2")
        << "2" << 1 << QStringList{"Clarke 1880", "6378249.145", "293.465",
                                   "-166",        "-15",         "204"};
    // An inner parenthesis stays with the name.
    QTest::newRow("Timbalai 1948: Everest(Sabah Sarawak)")
        << "1" << 122 << QStringList{"Everest(Sabah Sarawak)",
                                     "6377298.556",
                                     "300.8017",
                                     "-679",
                                     "669",
                                     "-48"};
    // The other Bessel 1841, with its own code.
    QTest::newRow("Schwarzeck: Bessel 1841(BN)")
        << "2" << 116
        << QStringList{"Bessel 1841", "6377483.865", "299.1528128",
                       "616",         "97",          "-251"};
    // An ellipsoid without a code shows whole.
    QTest::newRow("South Asia: Modified Fischer 1960")
        << "1" << 121
        << QStringList{
               "Modified Fischer 1960", "6378155", "298.3", "7", "-10", "-26"};
    QTest::newRow("World Geodetic System 1972")
        << "2" << 132
        << QStringList{"WGS 72", "6378135", "298.26", "0", "0", "-4.5"};
    QTest::newRow("user datum")
        << "1" << 0
        << QStringList{
               "User Ellipsoid", "6378137", "298.257223563", "0", "0", "0"};
}

void tst_TfrmDatum::sideLabelsFollowSelection() {
    QFETCH(QString, side);
    QFETCH(int, datum);
    QFETCH(QStringList, labels);
    QStringList shown;
    QStringList other;
    const QString otherSide =
        side == u'1' ? QStringLiteral("2") : QStringLiteral("1");
    const DialogRun run = Run(
        QStringLiteral("SetDatum1"),
        [&](QDialog &d) {
            const QStringList before = Snapshot(d, SideLabelNames(otherSide));
            Child<QComboBox>(d, QStringLiteral("cboDatum") + side)
                ->setCurrentIndex(datum);
            shown = Snapshot(d, SideLabelNames(side));
            // The other side does not move.
            other = Snapshot(d, SideLabelNames(otherSide));
            QCOMPARE(other, before);
        },
        QDialog::Rejected);
    QCOMPARE(run.dialogs, 1);
    QStringList expected;
    const QStringList names = SideLabelNames(side);
    for (int i = 0; i < names.size(); ++i)
        expected << names[i] + u'=' +
                        (i == 0 ? labels[i] : Typed(labels[i], m_sep));
    QCOMPARE(shown, expected);
    // Choosing touches no engine.
    QCOMPARE(m_window->pCoord1->GetDatum(), 133);
    QCOMPARE(m_window->pCoord2->GetDatum(), 125);
}

// ---- Cancel and OK ----------------------------------------------------------

void tst_TfrmDatum::cancelChangesNothing() {
    const QStringList labels = Labels();
    const double localA2 = m_window->pCoord2->m_dbLocal_a;
    const DialogRun run = Run(
        QStringLiteral("SetDatum1"),
        [](QDialog &d) {
            Child<QComboBox>(d, QStringLiteral("cboDatum1"))
                ->setCurrentIndex(1);
            Child<QComboBox>(d, QStringLiteral("cboDatum2"))
                ->setCurrentIndex(122);
        },
        QDialog::Rejected);
    QCOMPARE(run.dialogs, 1);
    QVERIFY(run.boxes.isEmpty());
    QCOMPARE(m_window->m_nDatum1, 133);
    QCOMPARE(m_window->m_nDatum2, 125);
    QCOMPARE(m_window->m_strDatumName1,
             QStringLiteral("World Geodetic System 1984"));
    QCOMPARE(m_window->m_strDatumName2, QStringLiteral("Tokyo(---)"));
    QCOMPARE(m_window->pCoord1->GetDatum(), 133);
    QCOMPARE(m_window->pCoord2->GetDatum(), 125);
    QCOMPARE(m_window->pCoord2->m_dbLocal_a, localA2);
    QCOMPARE(Labels(), labels);

    // The next opening shows the datums in force, not the cancelled choice.
    const QStringList shown = Opened(
        QStringLiteral("SetDatum1"),
        {"cboDatum1", "lblEllipsoid1", "cboDatum2", "lblEllipsoid2", "lblDx2"});
    QCOMPARE(shown,
             (QStringList{"cboDatum1=133:World Geodetic System 1984",
                          "lblEllipsoid1=WGS 84", "cboDatum2=125:Tokyo(---)",
                          "lblEllipsoid2=Bessel 1841",
                          "lblDx2=" + Num("-105.627")}));
}

void tst_TfrmDatum::okAppliesChoices_data() {
    QTest::addColumn<int>("kind1");
    QTest::addColumn<int>("kind2");
    QTest::addColumn<int>("datum1");
    QTest::addColumn<int>("datum2");
    QTest::addColumn<QStringList>("labels"); // stDatum1, stDatum2, stUtm1, 2
    QTest::newRow("Adindan on side 1, UTM")
        << CS_UTM << CS_UTM << 1 << 125
        << QStringList{"Adindan(ADI-M)", "Tokyo(---)", "Adindan(ADI-M)(UTM)",
                       "Tokyo(---)(UTM)"};
    QTest::newRow("both sides changed, TM and G7")
        << CS_TM << CS_G7 << 125 << 132
        << QStringList{"Tokyo(---)", "World Geodetic System 1972",
                       "Tokyo(---)(TM)", "World Geodetic System 1972(G7)"};
    QTest::newRow("ECEF side")
        << CS_UTM << CS_ECEF << 133 << 18
        << QStringList{"World Geodetic System 1984", "Bellevue(IGN)(IBE)",
                       "World Geodetic System 1984(UTM)",
                       "Bellevue(IGN)(IBE)(ECEF)"};
    QTest::newRow("same datum on both sides")
        << CS_ECEF << CS_TM << 111 << 111
        << QStringList{"S-42(Pulkovo 1942)(SPK-A)", "S-42(Pulkovo 1942)(SPK-A)",
                       "S-42(Pulkovo 1942)(SPK-A)(ECEF)",
                       "S-42(Pulkovo 1942)(SPK-A)(TM)"};
    QTest::newRow("user datum")
        << CS_G7 << CS_UTM << 0 << 0
        << QStringList{"User Datum", "User Datum", "User Datum(G7)",
                       "User Datum(UTM)"};
}

void tst_TfrmDatum::okAppliesChoices() {
    QFETCH(int, kind1);
    QFETCH(int, kind2);
    QFETCH(int, datum1);
    QFETCH(int, datum2);
    QFETCH(QStringList, labels);
    ChooseKinds(kind1, kind2);
    // The main window's fields are not recomputed by a datum change.
    const QMap<QString, QString> fields = FieldTexts(*m_window);

    ChooseDatums(datum1, datum2);

    QCOMPARE(Labels(), labels);
    QCOMPARE(m_window->m_nDatum1, datum1);
    QCOMPARE(m_window->m_nDatum2, datum2);
    QCOMPARE(m_window->m_strDatumName1, labels[0]);
    QCOMPARE(m_window->m_strDatumName2, labels[1]);
    QCOMPARE(m_window->pCoord1->GetDatum(), datum1);
    QCOMPARE(m_window->pCoord2->GetDatum(), datum2);
    QCOMPARE(m_window->pCoord1->GetCoordSys(), kind1);
    QCOMPARE(m_window->pCoord2->GetCoordSys(), kind2);
    QCOMPARE(FieldTexts(*m_window), fields);

    // The next opening shows the applied datums.
    const QStringList shown =
        Opened(QStringLiteral("SetDatum1"), {"cboDatum1", "cboDatum2"});
    QCOMPARE(
        shown,
        (QStringList{
            QStringLiteral("cboDatum1=%1:%2").arg(datum1).arg(labels[0]),
            QStringLiteral("cboDatum2=%1:%2").arg(datum2).arg(labels[1])}));
}

// ---- the commands between the chosen datums ---------------------------------

void tst_TfrmDatum::commandsUseChosenDatums_data() {
    QTest::addColumn<int>("datum1");
    QTest::addColumn<int>("datum2");
    QTest::addColumn<QString>("action");
    QTest::addColumn<double>("lat");
    QTest::addColumn<double>("lon");
    QTest::addColumn<double>("alt");
    // The source point is 36.0, 127.5, 50 on the source side.
    QTest::newRow("Tokyo to WGS 84 (T2W)")
        << 125 << 133 << "Dt1" << 36.002975857692441 << 127.497807370546624
        << 59.960546483494625;
    QTest::newRow("WGS 84 to Tokyo, Datum2->Datum1 (W2T)")
        << 125 << 133 << "Dt2" << 35.997024333036073 << 127.502192367521999
        << 40.034479221162279;
    QTest::newRow("WGS 72 to Tokyo, two steps (72T)")
        << 132 << 125 << "Dt1" << 35.996993279567228 << 127.502192368233068
        << 35.460562857880831;
    // The same datum on both sides: the point is copied.
    QTest::newRow("Tokyo on both sides")
        << 125 << 125 << "Dt1" << 36.0 << 127.5 << 50.0;
}

void tst_TfrmDatum::commandsUseChosenDatums() {
    QFETCH(int, datum1);
    QFETCH(int, datum2);
    QFETCH(QString, action);
    QFETCH(double, lat);
    QFETCH(double, lon);
    QFETCH(double, alt);
    ChooseDatums(datum1, datum2);
    const QString from = action == QStringLiteral("Dt1") ? QStringLiteral("1")
                                                         : QStringLiteral("2");
    const QString to = from == u'1' ? QStringLiteral("2") : QStringLiteral("1");
    SetPoint(from, "36.0", "127.5", "50");
    QVERIFY(Trigger(action).isEmpty());
    auto value = [&](const char *stem) {
        return Value(QString::fromLatin1(stem) + to);
    };
    QVERIFY2(std::fabs(value("edtLatDd") - lat) <= DEG_SHIFT,
             qPrintable(QString::number(value("edtLatDd"), 'g', 17)));
    QVERIFY2(std::fabs(value("edtLonDd") - lon) <= DEG_SHIFT,
             qPrintable(QString::number(value("edtLonDd"), 'g', 17)));
    QVERIFY2(std::fabs(value("edtAltDd") - alt) <= M_SHIFT,
             qPrintable(QString::number(value("edtAltDd"), 'g', 17)));
}

// ---- pick lists
// ---------------------------------------------------------------

void tst_TfrmDatum::typedTextSelectsOnlyEntries_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("datum"); // side 1's datum after OK
    QTest::newRow("start of an entry") << "Zanderij" << 131;
    QTest::newRow("no entry") << "xyz" << 133;
    QTest::newRow("digits") << "1984" << 133;
}

void tst_TfrmDatum::typedTextSelectsOnlyEntries() {
    // Text typed into a list can only pick one of its entries; it never
    // becomes a name or an index of its own.
    QFETCH(QString, typed);
    QFETCH(int, datum);
    QString label;
    const DialogRun run = Run(QStringLiteral("SetDatum1"), [&](QDialog &d) {
        auto *list = Child<QComboBox>(d, QStringLiteral("cboDatum1"));
        QTest::keyClicks(list, typed);
        label = Child<QLabel>(d, QStringLiteral("lblDx1"))->text();
    });
    QCOMPARE(run.dialogs, 1);
    QVERIFY(run.boxes.isEmpty());
    QCOMPARE(m_window->m_nDatum1, datum);
    QCOMPARE(m_window->pCoord1->GetDatum(), datum);
    auto *list = Child<QComboBox>(*m_window->findChild<TfrmDatum *>(),
                                  QStringLiteral("cboDatum1"));
    QCOMPARE(m_window->m_strDatumName1, list->itemText(datum));
    QCOMPARE(m_window->stDatum1()->text(), list->itemText(datum));
    QCOMPARE(label, datum == 131 ? Num("-265") : QStringLiteral("0"));
    for (int i = 0; i < list->count(); ++i)
        QVERIFY(list->itemText(i) != typed);
}

void tst_TfrmDatum::noSelectionLeavesSide() {
    // A list without a selected entry (which the user cannot produce) leaves
    // its side as it was; the other side is applied.
    const DialogRun run = Run(QStringLiteral("SetDatum1"), [](QDialog &d) {
        Child<QComboBox>(d, QStringLiteral("cboDatum1"))->setCurrentIndex(-1);
        Child<QComboBox>(d, QStringLiteral("cboDatum2"))->setCurrentIndex(1);
    });
    QCOMPARE(run.dialogs, 1);
    QVERIFY(run.boxes.isEmpty());
    QCOMPARE(m_window->m_nDatum1, 133);
    QCOMPARE(m_window->pCoord1->GetDatum(), 133);
    QCOMPARE(m_window->m_nDatum2, 1);
    QCOMPARE(Labels(),
             (QStringList{"World Geodetic System 1984", "Adindan(ADI-M)",
                          "World Geodetic System 1984(UTM)",
                          "Adindan(ADI-M)(UTM)"}));
}

// ---- a datum that cannot be derived
// -------------------------------------------

void tst_TfrmDatum::setDatumFaultLeavesSide_data() {
    QTest::addColumn<int>("datum1"); // chosen in the dialog
    QTest::addColumn<int>("datum2");
    QTest::addColumn<int>("applied1"); // in force afterwards
    QTest::addColumn<int>("applied2");
    // The user datum sits on the user ellipsoid, given an inverse flattening
    // of 0. Side 1 is applied before side 2; a fault ends the command.
    QTest::newRow("side 1 faults: side 2 not applied either")
        << 0 << 1 << 133 << 125;
    QTest::newRow("side 2 faults: side 1 applied") << 1 << 0 << 1 << 125;
    QTest::newRow("both fault") << 0 << 0 << 133 << 125;
}

void tst_TfrmDatum::setDatumFaultLeavesSide() {
    // Regression: the window took the new datum index and labels before the
    // engine failed to select it, and then named a datum the engine did not
    // hold.
    QFETCH(int, datum1);
    QFETCH(int, datum2);
    QFETCH(int, applied1);
    QFETCH(int, applied2);
    DialogRun run = Run(QStringLiteral("UserEllipsoid1"), [](QDialog &d) {
        SetText(d, QStringLiteral("edtF"), QStringLiteral("0"));
    });
    QCOMPARE(run.dialogs, 1);
    QVERIFY(run.boxes.isEmpty());
    const double localA1 = m_window->pCoord1->m_dbLocal_a;
    const double localF1 = m_window->pCoord1->m_dbLocal_f;
    const double localB2 = m_window->pCoord2->m_dbLocal_b;

    run = Run(QStringLiteral("SetDatum1"), [&](QDialog &d) {
        Child<QComboBox>(d, QStringLiteral("cboDatum1"))
            ->setCurrentIndex(datum1);
        Child<QComboBox>(d, QStringLiteral("cboDatum2"))
            ->setCurrentIndex(datum2);
    });
    QCOMPARE(run.dialogs, 1);
    QCOMPARE(run.boxes.size(), 1);
    QCOMPARE(run.boxes[0].text,
             QStringLiteral("Floating point division by zero."));

    auto *list = Child<QComboBox>(*m_window->findChild<TfrmDatum *>(),
                                  QStringLiteral("cboDatum1"));
    const QString name1 = list->itemText(applied1);
    const QString name2 = list->itemText(applied2);
    QCOMPARE(m_window->m_nDatum1, applied1);
    QCOMPARE(m_window->m_nDatum2, applied2);
    QCOMPARE(m_window->pCoord1->GetDatum(), applied1);
    QCOMPARE(m_window->pCoord2->GetDatum(), applied2);
    QCOMPARE(m_window->m_strDatumName1, name1);
    QCOMPARE(m_window->m_strDatumName2, name2);
    QCOMPARE(Labels(),
             (QStringList{name1, name2, name1 + "(UTM)", name2 + "(UTM)"}));
    if (applied1 == 133) {
        QCOMPARE(m_window->pCoord1->m_dbLocal_a, localA1);
        QCOMPARE(m_window->pCoord1->m_dbLocal_f, localF1);
    }
    QCOMPARE(m_window->pCoord2->m_dbLocal_b, localB2);

    // The engines still compute with the datums the window names: W2T.
    if (applied1 == 133) {
        SetPoint(QStringLiteral("1"), "36.0", "127.5", "50");
        QVERIFY(Trigger(QStringLiteral("Dt1")).isEmpty());
        const double lat = Value(QStringLiteral("edtLatDd2"));
        QVERIFY(std::fabs(lat - 35.997024333036073) <= DEG_SHIFT);
    }

    // The next opening shows the datums in force.
    const QStringList shown =
        Opened(QStringLiteral("SetDatum1"), {"cboDatum1", "cboDatum2"});
    QCOMPARE(shown,
             (QStringList{
                 QStringLiteral("cboDatum1=%1:%2").arg(applied1).arg(name1),
                 QStringLiteral("cboDatum2=%1:%2").arg(applied2).arg(name2)}));
}

QTEST_MAIN(tst_TfrmDatum)
#include "tst_TfrmDatum.moc"
