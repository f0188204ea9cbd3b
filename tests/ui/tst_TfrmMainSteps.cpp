// What a day's work with the window found, each guarded here: grid numbers
// left from another point or system, grid axes named as their system names
// them, the program's own grid copy pasted back, a copied point that keeps
// its datum, whole steps undone and redone, each side's note kept until its
// own point changes, and the last command's operation in view.
//
// References: PROJ 9.1.1 (Debian 12):
//   echo "37.5666 126.9784 0" | cs2cs -d 6 EPSG:4326 EPSG:32652
//   321459.855339	4159650.977180 0.000000
//   echo "37.5666 126.9784 0" | cs2cs -d 6 EPSG:4737 EPSG:5186
//   551896.121220	198091.708075 0.000000      (northing first)
//   projinfo EPSG:5186: Northing (X, north), Easting (Y, east)
//   projinfo EPSG:32652: Easting (E, east), Northing (N, north)
//   projinfo -s EPSG:4301 -t EPSG:4612 --summary
//   EPSG:15483, Tokyo to JGD2000 (1), 9.0 m
// The start-up point is 37°28'54.629835" N, 127°0'16.351485" E on World
// Geodetic System 1984 (37.4818416208333, 127.004542079583).
#include "MainWindowFixture.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QMimeData>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

class tst_TfrmMainSteps : public QObject, private DialogFixture {
    Q_OBJECT

  private slots:
    void initTestCase_data() { AddSeparatorRows(); }
    void initTestCase();
    void init() { OpenWindow(); }
    void cleanup();

    void gridNumbersOfAnotherPointAreMarkedStale_data();
    void gridNumbersOfAnotherPointAreMarkedStale();
    void gridLabelsNameTheSystemsAxes_data();
    void gridLabelsNameTheSystemsAxes();
    void ownGridCopyPastesBackAsGrid_data();
    void ownGridCopyPastesBackAsGrid();
    void gridTextGivenToPastePointPointsToPasteGrid();
    void copiedPointKeepsItsDatum();
    void copiedPointKeepsTheConstantsOfItsCopy();
    void commandsUndoneBackToTheTypedTexts();
    void dialogChangeUndoneAndRedone();
    void userRowsUndoneInEveryList();
    void undoKeysLeaveTheFieldsOwnUndo();
    void eachSidesNoteStaysUntilItsOwnPointChanges();
    void lastOperationInTheMenuBar_data();
    void lastOperationInTheMenuBar();

  private:
    void ShowActive();
    /// Puts side @p side on system @p id through the Reference System
    /// dialog, as a user does.
    void ChooseSystem(int side, const QString &id);
    /// Types a point into side @p side's DD row.
    void TypePoint(int side, const QString &lat, const QString &lon,
                   const QString &alt);
    /// The clipboard's text as numbers.
    QList<double> ClipboardNumbers() const;
    QLabel *Corner() const { return Child<QLabel>(*m_window, "stPasteNote"); }

    QTemporaryDir m_settingsDir;
};

void tst_TfrmMainSteps::initTestCase() {
    // The systems used last go to a folder of this run.
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(m_settingsDir.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       m_settingsDir.path());
}

void tst_TfrmMainSteps::cleanup() {
    CloseWindow();
    QSettings settings(QStringLiteral("Nolvex"), QStringLiteral("nolvex"));
    settings.clear();
    settings.sync();
}

void tst_TfrmMainSteps::ShowActive() {
    m_window->show();
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
}

void tst_TfrmMainSteps::ChooseSystem(int side, const QString &id) {
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

void tst_TfrmMainSteps::TypePoint(int side, const QString &lat,
                                  const QString &lon, const QString &alt) {
    const QString s = QString::number(side);
    TypeInto(Field("edtLatDd" + s), Num(lat));
    TypeInto(Field("edtLonDd" + s), Num(lon));
    TypeInto(Field("edtAltDd" + s), Num(alt));
}

QList<double> tst_TfrmMainSteps::ClipboardNumbers() const {
    QList<double> numbers;
    const QStringList parts =
        QGuiApplication::clipboard()->text().split(QStringLiteral(", "));
    for (const QString &part : parts)
        numbers << part.toDouble(); // copied text always has a point
    return numbers;
}

// ---- grid numbers of another point
// -------------------------------------------

// The issue as found: Ctrl+3 fills side 1's grid row with the UTM 52N
// numbers of the point typed; then the point or the system changes and the
// row keeps those numbers under a name they no longer belong to. They are
// shown as stale (their text's colour, a tooltip naming their point and
// system and Datum1->Utm1) while the field stays as it was. Typed grid
// numbers and the start-up zeros are never marked, nor are angle fields.
void tst_TfrmMainSteps::gridNumbersOfAnotherPointAreMarkedStale_data() {
    QTest::addColumn<QString>("change"); // what happens after the conversion
    QTest::addColumn<bool>("stale");
    QTest::newRow("side on EPSG:5186") << "system 5186" << true;
    QTest::newRow("then on EPSG:4326") << "system 5186 then 4326" << true;
    QTest::newRow("a new point typed") << "type" << true;
    QTest::newRow("a new point pasted") << "paste" << true;
    QTest::newRow("another datum, another ellipsoid") << "datum" << true;
    QTest::newRow("grid numbers typed over") << "type grid" << false;
    QTest::newRow("nothing changed") << "none" << false;
    QTest::newRow("converted again on EPSG:5186") << "reconvert" << false;
}

void tst_TfrmMainSteps::gridNumbersOfAnotherPointAreMarkedStale() {
    QFETCH(QString, change);
    QFETCH(bool, stale);
    ShowActive();
    const QColor normal = Field("edtUtmX1")->palette().color(QPalette::Text);
    // Start-up zeros are nobody's numbers.
    for (const char *name : {"edtUtmX1", "edtUtmY1", "edtUtmZ1"})
        QVERIFY(Field(name)->toolTip().isEmpty());
    TypePoint(1, "37.5666", "126.9784", "0");
    QVERIFY(Trigger("Dt1cc1").isEmpty());
    QVERIFY(std::fabs(Value("edtUtmX1") - 321459.855339) < 0.01);
    QVERIFY(std::fabs(Value("edtUtmY1") - 4159650.977180) < 0.01);
    const QMap<QString, QString> converted = FieldTexts(*m_window);

    if (change == "system 5186") {
        ChooseSystem(1, "EPSG:5186");
    } else if (change == "system 5186 then 4326") {
        ChooseSystem(1, "EPSG:5186");
        ChooseSystem(1, "EPSG:4326");
    } else if (change == "type") {
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        TypeInto(Field("edtLatDd1"), Num("37.6"));
    } else if (change == "paste") {
        QGuiApplication::clipboard()->setText("37.6, 127.1");
        QVERIFY(Trigger("PastePoint1").isEmpty());
    } else if (change == "datum") {
        Run("SetDatum1", [](QDialog &d) {
            Child<QComboBox>(d, "cboDatum1")->setCurrentIndex(125);
        });
    } else if (change == "type grid") {
        TypeInto(Field("edtUtmX1"), Num("321460"));
    } else if (change == "reconvert") {
        ChooseSystem(1, "EPSG:5186");
        QVERIFY(Trigger("Dt1cc1").isEmpty());
        // The system's own numbers, easting in edtUtmX.
        QVERIFY(std::fabs(Value("edtUtmX1") - 198091.708075) < 0.001);
        QVERIFY(std::fabs(Value("edtUtmY1") - 551896.121220) < 0.001);
    }

    for (const char *name : {"edtUtmX1", "edtUtmY1", "edtUtmZ1"}) {
        const QLineEdit *field = Field(name);
        const QString tip = field->toolTip();
        if (stale) {
            // The text stays; the field stays usable.
            QCOMPARE(field->text(), converted.value(name));
            QVERIFY(field->isEnabled() && !field->isReadOnly());
            QCOMPARE(field->focusPolicy(), Qt::StrongFocus);
            QVERIFY(field->palette().color(QPalette::Text) != normal);
            QVERIFY2(tip.contains("World Geodetic System 1984(UTM)") &&
                         tip.contains(converted.value("edtLatDd1")) &&
                         tip.contains("Datum1->Utm1"),
                     qPrintable(tip));
        } else {
            QCOMPARE(field->palette().color(QPalette::Text), normal);
            QVERIFY2(!tip.contains("Datum1->Utm1"), qPrintable(tip));
        }
    }
    // Angle fields are the point on the side's datum: never marked.
    for (const char *name : {"edtLatDd1", "edtLonDd1", "edtLatDmss1"})
        QCOMPARE(Field(name)->palette().color(QPalette::Text), normal);
}

// ---- grid axes as the system names them
// ----------------------------------------

// The grid row holds easting in edtUtmX and northing in edtUtmY on every
// system; its labels name them as the system does (the name alone where
// the abbreviation is its first letter), and Copy Point As Grid
// writes them in the system's own order, as cs2cs does.
void tst_TfrmMainSteps::gridLabelsNameTheSystemsAxes_data() {
    QTest::addColumn<QString>("system");
    QTest::addColumn<QString>("xLabel");
    QTest::addColumn<QString>("yLabel");
    QTest::addColumn<QString>("copyItem");
    QTest::addColumn<double>("first"); // the copy's first value, cs2cs's
    QTest::addColumn<double>("second");
    QTest::newRow("EPSG:5186, northing first")
        << "EPSG:5186"
        << "Y (Easting)"
        << "X (Northing)"
        << "&Grid (northing, easting)" << 551896.121220 << 198091.708075;
    QTest::newRow("EPSG:32652, easting first")
        << "EPSG:32652"
        << "Easting"
        << "Northing"
        << "&Grid (easting, northing)" << 321459.855339 << 4159650.977180;
}

void tst_TfrmMainSteps::gridLabelsNameTheSystemsAxes() {
    QFETCH(QString, system);
    QFETCH(QString, xLabel);
    QFETCH(QString, yLabel);
    QFETCH(QString, copyItem);
    QFETCH(double, first);
    QFETCH(double, second);
    ShowActive();
    ChooseSystem(2, system);
    QCOMPARE(Child<QLabel>(*m_window, "lblUtmX2")->text(), xLabel);
    QCOMPARE(Child<QLabel>(*m_window, "lblUtmY2")->text(), yLabel);
    QVERIFY(Child<QLabel>(*m_window, "lblUtmX2")->toolTip().contains(xLabel));
    QCOMPARE(Child<QAction>(*m_window, "CopyGrid2")->text(), copyItem);
    // Side 1 stays on the catalogue, with the documented captions.
    QCOMPARE(Child<QLabel>(*m_window, "lblUtmX1")->text(), "X(East)");
    QCOMPARE(Child<QLabel>(*m_window, "lblUtmY1")->text(), "Y(North)");
    QCOMPARE(Child<QAction>(*m_window, "CopyGrid1")->text(), "&Grid: X, Y, Z");

    SetPoint("2", "37.5666", "126.9784", "0");
    QVERIFY(Trigger("Dt2cc2").isEmpty());
    QVERIFY(Trigger("CopyGrid2").isEmpty());
    const QList<double> copied = ClipboardNumbers();
    QCOMPARE(copied.size(), 3);
    QVERIFY2(std::fabs(copied[0] - first) < 0.001 &&
                 std::fabs(copied[1] - second) < 0.001,
             qPrintable(QGuiApplication::clipboard()->text()));

    // An error box names the field as its label does.
    Field("edtUtmX2")->setText("x");
    const QList<ShownBox> boxes = Trigger("Cc2dt2");
    QCOMPARE(boxes.size(), 1);
    QVERIFY2(boxes.first().detail.contains("side 2, " + xLabel) ||
                 boxes.first().text.contains("side 2, " + xLabel),
             qPrintable(boxes.first().text + " / " + boxes.first().detail));

    // Back on the catalogue: the documented captions again.
    Run("SetDatum1", [](QDialog &d) {
        Child<QComboBox>(d, "cboDatum2")->setCurrentIndex(125);
    });
    QCOMPARE(Child<QLabel>(*m_window, "lblUtmX2")->text(), "X(East)");
    QCOMPARE(Child<QLabel>(*m_window, "lblUtmY2")->text(), "Y(North)");
}

// ---- Paste Grid
// -------------------------------------------------------------------

// The window's own grid copy pastes back into the grid row, in the order
// the copy wrote it, and converts back to the point.
void tst_TfrmMainSteps::ownGridCopyPastesBackAsGrid_data() {
    QTest::addColumn<QString>("system"); // empty: the catalogue's UTM
    QTest::newRow("catalogue UTM") << "";
    QTest::newRow("EPSG:5186, northing first") << "EPSG:5186";
}

void tst_TfrmMainSteps::ownGridCopyPastesBackAsGrid() {
    QFETCH(QString, system);
    ShowActive();
    if (!system.isEmpty())
        ChooseSystem(1, system);
    SetPoint("1", "37.5666", "126.9784", "12.5");
    QVERIFY(Trigger("Dt1cc1").isEmpty());
    const QStringList grid{Field("edtUtmX1")->text(), Field("edtUtmY1")->text(),
                           Field("edtUtmZ1")->text()};
    QVERIFY(Trigger("CopyGrid1").isEmpty());
    for (const char *name : {"edtUtmX1", "edtUtmY1", "edtUtmZ1"})
        Field(name)->setText("0");
    QVERIFY(Trigger("PasteGrid1").isEmpty());
    QCOMPARE((QStringList{Field("edtUtmX1")->text(), Field("edtUtmY1")->text(),
                          Field("edtUtmZ1")->text()}),
             grid);
    // And back to the point.
    SetPoint("1", "0", "0", "0");
    QVERIFY(Trigger("Cc1Dt1").isEmpty());
    QVERIFY(std::fabs(Value("edtLatDd1") - 37.5666) < 1e-9);
    QVERIFY(std::fabs(Value("edtLonDd1") - 126.9784) < 1e-9);
    QVERIFY(std::fabs(Value("edtAltDd1") - 12.5) < 1e-9);
}

// Paste Point called an easting a latitude: "latitude 321459.855... is
// outside -90 to 90". It still refuses grid values, and says where they go.
void tst_TfrmMainSteps::gridTextGivenToPastePointPointsToPasteGrid() {
    const QMap<QString, QString> before = FieldTexts(*m_window);
    QGuiApplication::clipboard()->setText("321459.855339, 4159650.97718, 0");
    const QList<ShownBox> boxes = Trigger("PastePoint1");
    QCOMPARE(boxes.size(), 1);
    QVERIFY2(boxes.first().text.contains("Paste Grid"),
             qPrintable(boxes.first().text));
    QCOMPARE(FieldTexts(*m_window), before);
}

// ---- a copied point keeps its datum
// -------------------------------------------------

// Copy Point on the Tokyo side, Paste Point on the WGS 84 side: the point is
// carried from Tokyo(---), not taken as WGS 84 numbers 300 m off. Side 2
// holds the start-up point carried to Tokyo, so side 1 gets the start-up
// point back, within the Molodensky round trip (a few cm).
void tst_TfrmMainSteps::copiedPointKeepsItsDatum() {
    QVERIFY(Trigger("CopyPoint2").isEmpty());
    QVERIFY(QGuiApplication::clipboard()->mimeData()->hasText());
    SetPoint("1", "0", "0", "0");
    QVERIFY(Trigger("PastePoint1").isEmpty());
    QVERIFY2(std::fabs(Value("edtLatDd1") - 37.4818416208333) < 2e-6,
             qPrintable(Field("edtLatDd1")->text()));
    QVERIFY2(std::fabs(Value("edtLonDd1") - 127.004542079583) < 2e-6,
             qPrintable(Field("edtLonDd1")->text()));
    QVERIFY(std::fabs(Value("edtAltDd1")) < 0.1);
    QVERIFY2(Corner()->toolTip().contains("Side 1: copied point carried from "
                                          "Tokyo(---)"),
             qPrintable(Corner()->toolTip()));
    // Plain text from elsewhere is read as before: the side's own numbers.
    QGuiApplication::clipboard()->setText("37.5, 127.0, 0");
    QVERIFY(Trigger("PastePoint1").isEmpty());
    QCOMPARE(Value("edtLatDd1"), 37.5);
}

// The record carries the constants of the copy: a user datum changed
// between copy and paste does not move the point.
void tst_TfrmMainSteps::copiedPointKeepsTheConstantsOfItsCopy() {
    // Side 2 on the user datum with Tokyo's shift on Bessel 1841.
    Run("UserDatum1", [this](QDialog &d) {
        Child<QComboBox>(d, "cboEllipsoid")->setCurrentIndex(4);
        SetText(d, "edtDx", Num("-146.414"));
        SetText(d, "edtDy", Num("507.337"));
        SetText(d, "edtDz", Num("680.507"));
    });
    Run("SetDatum1", [](QDialog &d) {
        Child<QComboBox>(d, "cboDatum2")->setCurrentIndex(0);
    });
    QVERIFY(Trigger("Dt1").isEmpty());
    const double lat2 = Value("edtLatDd2");
    QVERIFY(Trigger("CopyPoint2").isEmpty());
    // The user datum changes after the copy.
    Run("UserDatum1", [](QDialog &d) {
        SetText(d, "edtDx", "0");
        SetText(d, "edtDy", "0");
        SetText(d, "edtDz", "0");
    });
    SetPoint("1", "0", "0", "0");
    QVERIFY(Trigger("PastePoint1").isEmpty());
    QVERIFY(std::fabs(lat2 - 37.4818416208333) > 1e-3); // it was moved
    QVERIFY2(std::fabs(Value("edtLatDd1") - 37.4818416208333) < 2e-6,
             qPrintable(Field("edtLatDd1")->text()));
}

// ---- undo and redo of whole steps
// ----------------------------------------------

// Ctrl+1 then Ctrl+2 move the typed point by the formulas' round trip; two
// undos give back the typed texts byte for byte, two redos the commands'.
void tst_TfrmMainSteps::commandsUndoneBackToTheTypedTexts() {
    ShowActive();
    TypePoint(1, "37.5666", "126.9784", "10");
    const QMap<QString, QString> typed = FieldTexts(*m_window);
    QVERIFY(!Child<QAction>(*m_window, "Undo1")->isEnabled());
    QTest::keyClick(Field("edtAltDd1"), Qt::Key_1, Qt::ControlModifier);
    QTest::keyClick(Field("edtAltDd1"), Qt::Key_2, Qt::ControlModifier);
    const QMap<QString, QString> done = FieldTexts(*m_window);
    QVERIFY(done.value("edtLatDd1") != typed.value("edtLatDd1"));
    QVERIFY(Child<QAction>(*m_window, "Undo1")->isEnabled());
    QCOMPARE(Child<QAction>(*m_window, "Undo1")->text(),
             "&Undo Datum2->Datum1");
    QTest::keyClick(Field("edtAltDd1"), Qt::Key_Z,
                    Qt::ControlModifier | Qt::AltModifier);
    QTest::keyClick(Field("edtAltDd1"), Qt::Key_Z,
                    Qt::ControlModifier | Qt::AltModifier);
    QCOMPARE(FieldTexts(*m_window), typed);
    QVERIFY(!Child<QAction>(*m_window, "Undo1")->isEnabled());
    QTest::keyClick(Field("edtAltDd1"), Qt::Key_Y,
                    Qt::ControlModifier | Qt::AltModifier);
    QTest::keyClick(Field("edtAltDd1"), Qt::Key_Y,
                    Qt::ControlModifier | Qt::AltModifier);
    QCOMPARE(FieldTexts(*m_window), done);
}

// A dialog's change is a step: the engine's settings, the labels and the
// grid captions come back with it.
void tst_TfrmMainSteps::dialogChangeUndoneAndRedone() {
    const QStringList labels{m_window->stDatum2()->text(),
                             m_window->stUtm2()->text()};
    Run("SetCoordnate1",
        [](QDialog &d) { Child<QRadioButton>(d, "rdoTm2")->setChecked(true); });
    QCOMPARE(m_window->pCoord2->GetCoordSys(), CS_TM);
    QCOMPARE(m_window->stUtm2()->text(), "Tokyo(---)(TM)");
    ChooseSystem(1, "EPSG:5186");
    QCOMPARE(Child<QLabel>(*m_window, "lblUtmX1")->text(), "Y (Easting)");
    QVERIFY(Trigger("Undo1").isEmpty());
    QCOMPARE(m_window->stUtm1()->text(), "World Geodetic System 1984(UTM)");
    QCOMPARE(Child<QLabel>(*m_window, "lblUtmX1")->text(), "X(East)");
    QVERIFY(Trigger("Undo1").isEmpty());
    QCOMPARE(m_window->pCoord2->GetCoordSys(), CS_UTM);
    double x = 0, y = 0;
    m_window->pCoord2->GetOrigin(x, y);
    QCOMPARE(x, 500000.0); // UTM's default false easting again
    QCOMPARE(
        (QStringList{m_window->stDatum2()->text(), m_window->stUtm2()->text()}),
        labels);
    QVERIFY(Trigger("Redo1").isEmpty());
    QCOMPARE(m_window->pCoord2->GetCoordSys(), CS_TM);
    QCOMPARE(m_window->stUtm2()->text(), "Tokyo(---)(TM)");
}

// A user row is written into both engines and shown as entry 0 of the
// datum dialog's lists; undone, both engines and the lists hold the row as
// it was, and a side on it computes with its old constants again.
void tst_TfrmMainSteps::userRowsUndoneInEveryList() {
    Run("UserDatum1", [this](QDialog &d) {
        SetText(d, "edtDatum", "Seoul Datum");
        SetText(d, "edtDx", Num("-146.414"));
    });
    Run("SetDatum1", [](QDialog &d) {
        Child<QComboBox>(d, "cboDatum1")->setCurrentIndex(0);
    });
    QCOMPARE(m_window->stDatum1()->text(), "Seoul Datum");
    QCOMPARE(m_window->pCoord2->m_dbLocal_dx, -105.627); // still Tokyo(---)
    QCOMPARE(m_window->pCoord1->m_dbLocal_dx, -146.414);
    QVERIFY(Trigger("Undo1").isEmpty()); // Set Datum
    QCOMPARE(m_window->m_nDatum1, 133);
    QCOMPARE(m_window->stDatum1()->text(), "World Geodetic System 1984");
    QVERIFY(Trigger("Undo1").isEmpty()); // Define User Datum
    Run(
        "SetDatum1",
        [](QDialog &d) {
            for (const char *name : {"cboDatum1", "cboDatum2"})
                QCOMPARE(Child<QComboBox>(d, name)->itemText(0), "User Datum");
        },
        QDialog::Rejected);
    for (const COORD *engine :
         {m_window->pCoord1.get(), m_window->pCoord2.get()}) {
        char name[80];
        std::int32_t ellipsoid = -1;
        double dx = 1, dy = 1, dz = 1;
        engine->GetDatumInfo(0, name, sizeof name, ellipsoid, dx, dy, dz);
        QCOMPARE(QString::fromUtf8(name), "User Datum");
        QCOMPARE(dx, 0.0);
    }
    QVERIFY(Trigger("Redo1").isEmpty());
    QVERIFY(Trigger("Redo1").isEmpty());
    QCOMPARE(m_window->stDatum1()->text(), "Seoul Datum");
    QCOMPARE(m_window->pCoord1->m_dbLocal_dx, -146.414);
}

// The window's keys are not a field's: Ctrl+Z in a field still undoes its
// typing, and the window's Undo keeps its steps.
void tst_TfrmMainSteps::undoKeysLeaveTheFieldsOwnUndo() {
    ShowActive();
    SetPoint("1", "37.5", "127", "0");
    QVERIFY(Trigger("Dt1").isEmpty()); // one step
    QLineEdit *alt = Field("edtAltDd1");
    const QString before = alt->text();
    TypeInto(alt, Num("5"));
    QTest::keyClick(alt, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(alt->text(), before);
    QVERIFY(Child<QAction>(*m_window, "Undo1")->isEnabled());
    for (const char *name : {"Undo1", "Redo1"}) {
        const QKeySequence key = Child<QAction>(*m_window, name)->shortcut();
        for (const QKeySequence &field :
             {QKeySequence(QKeySequence::Undo),
              QKeySequence(QKeySequence::Redo), QKeySequence("Ctrl+Shift+Z")})
            QVERIFY(key != field);
    }
}

// ---- notes
// ------------------------------------------------------------------------

// A geo: URI pasted into side 2 is carried to Tokyo(---) and noted; a line
// pasted into side 1 changes side 1 only, so side 2's note stays.
void tst_TfrmMainSteps::eachSidesNoteStaysUntilItsOwnPointChanges() {
    QGuiApplication::clipboard()->setText("geo:37.56659,126.97796");
    QVERIFY(Trigger("PastePoint2").isEmpty());
    QVERIFY(Corner()->toolTip().contains("Side 2: geo: URI carried from "
                                         "WGS 84"));
    QGuiApplication::clipboard()->setText("37.5, 127.0, 0");
    QVERIFY(Trigger("PastePoint1").isEmpty());
    QVERIFY2(Corner()->toolTip().contains("Side 2: geo: URI carried from "
                                          "WGS 84"),
             qPrintable(Corner()->toolTip()));
    QVERIFY(!Corner()->text().isEmpty());
    // Side 1's datum changes: its note would go, side 2's stays.
    Run("SetDatum1", [](QDialog &d) {
        Child<QComboBox>(d, "cboDatum1")->setCurrentIndex(1);
    });
    QVERIFY2(Corner()->toolTip().contains("Side 2: geo: URI carried from "
                                          "WGS 84"),
             qPrintable(Corner()->toolTip()));
    Run("SetDatum1", [](QDialog &d) {
        Child<QComboBox>(d, "cboDatum1")->setCurrentIndex(133);
    });
    // Side 1's own carried note joins it, in side order.
    QVERIFY(Trigger("CopyPoint2").isEmpty());
    QVERIFY(Trigger("PastePoint1").isEmpty());
    const QString tip = Corner()->toolTip();
    QVERIFY2(tip.indexOf("Side 1: ") >= 0 &&
                 tip.indexOf("Side 1: ") < tip.indexOf("Side 2: "),
             qPrintable(tip));
    // Both in view, each cut to its share of the room: a note shown before
    // leaves the next as much room as the first had.
    QVERIFY2(Corner()->text().startsWith("Side 1: ") &&
                 Corner()->text().contains("Side 2"),
             qPrintable(Corner()->text()));
}

// ---- the last operation
// ------------------------------------------------------------

void tst_TfrmMainSteps::lastOperationInTheMenuBar_data() {
    QTest::addColumn<QString>("system1"); // empty: the catalogue's
    QTest::addColumn<QString>("system2");
    QTest::addColumn<QString>("operation");
    QTest::newRow("catalogue datums") << ""
                                      << ""
                                      << "standard Molodensky (catalogue)";
    QTest::newRow("Tokyo to JGD2000") << "EPSG:4301"
                                      << "EPSG:4612"
                                      << "Tokyo to JGD2000 (1), 9 m";
}

// The operation and its accuracy stand in the menu bar's corner, not only
// in a label's tooltip; errors keep their box.
void tst_TfrmMainSteps::lastOperationInTheMenuBar() {
    QFETCH(QString, system1);
    QFETCH(QString, system2);
    QFETCH(QString, operation);
    ShowActive();
    if (!system1.isEmpty())
        ChooseSystem(1, system1);
    if (!system2.isEmpty())
        ChooseSystem(2, system2);
    SetPoint("1", "35.68", "139.76", "0");
    QVERIFY(Trigger("Dt1").isEmpty());
    QVERIFY(Corner()->isVisible());
    QVERIFY(!Corner()->text().isEmpty());
    QVERIFY2(Corner()->toolTip().contains("Datum1->Datum2") &&
                 Corner()->toolTip().contains(operation),
             qPrintable(Corner()->toolTip()));
    for (QAction *menu : m_window->menuBar()->actions())
        QVERIFY(m_window->menuBar()->actionGeometry(menu).right() <
                Corner()->geometry().left());
    Field("edtLatDd1")->setText("x");
    QCOMPARE(Trigger("Dt1").size(), 1);
}

QTEST_MAIN(tst_TfrmMainSteps)
#include "tst_TfrmMainSteps.moc"
