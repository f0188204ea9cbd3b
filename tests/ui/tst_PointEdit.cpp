// The window beyond one typed point: copying a whole point, unreadable fields
// shown as such, and error boxes that name the field they could not read.
//
// References: the start-up point of side 1 (its stored DMS texts) and of side
// 2 (the window's own documented start-up texts on Tokyo(---)); degrees,
// minutes and seconds from GeographicLib's `GeoConvert -d -p 4`; side 2
// carried back to WGS 84 by PROJ 9.1,
//   echo "127.006734786376 37.4790372301572 -19.6178800927811 0" | cct -d 12
//     +proj=molodensky +a=6377397.155 +rf=299.1528128 +dx=-105.627
//     +dy=462.37 +dz=643.258 +da=739.845 +df=1.003748257267484e-05
//   127.004541704575  37.481842152673  -0.026462312127
// and points on WGS 84 carried to Tokyo(---) by PROJ 9.1's standard
// Molodensky from WGS 84 with the datum's constants negated,
//   echo "126.97796 37.56659 38.5 0" | cct -d 12 +proj=molodensky
//     +ellps=WGS84 +dx=105.627 +dy=-462.37 +dz=-643.258 +da=-739.845
//     +df=-1.003748257267484e-05
//   126.980152902606  37.563795494510  18.351221509859
// (at height 0: 126.980152915827  37.563795477592  -20.148778490141).
// MGRS references of points and the centres of squares from GeographicLib's
// GeoConvert (-m, and -p 9 reading a reference); geohashes and the centres
// of cells from the published algorithm (scripts/reference/geohash_cases.py);
// those centres carried to Tokyo(---) at height 0 as above:
//   126.97839609501845 37.56659563270967 (52S CG 21459 59650)
//     -> 126.980589048306  37.563801102825  -20.147640144499
//   126.97836393490434 37.566573126241565 (geohash wydm9qyc4kf9)
//     -> 126.980556884782  37.563778594463  -20.147604507237
#include "FieldMark.h"
#include "FieldText.h"
#include "Fdegsys.h"
#include "MainWindowFixture.h"
#include "UiTestSupport.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QTest>
#include <QToolTip>

class tst_PointEdit : public QObject, private DialogFixture {
    Q_OBJECT

  private slots:
    void initTestCase_data() { AddSeparatorRows(); }
    void init() { OpenWindow(); }
    void cleanup() { CloseWindow(); }

    void copyForms_data();
    void copyForms();
    void copyToWgs84Forms();
    void unreadableFieldIsMarked_data();
    void unreadableFieldIsMarked();
    void degreeToolMarksToo();
    void errorBoxNamesTheField_data();
    void errorBoxNamesTheField();
    void pasteEveryForm_data();
    void pasteEveryForm();
    void pasteRefusesAndChangesNothing_data();
    void pasteRefusesAndChangesNothing();
    void copiedPointPastesBack_data();
    void copiedPointPastesBack();
    void pasteWgs84Forms_data();
    void pasteWgs84Forms();
    void pasteNoteGoesWithThePoint();
    void pasteWithoutHeightKeptAnotherPointsAltitude_data();
    void pasteWithoutHeightKeptAnotherPointsAltitude();
    void pastedReferenceIsItsCentre_data();
    void pastedReferenceIsItsCentre();
    void everyCopiedFormPastesIntoSide1_data();
    void everyCopiedFormPastesIntoSide1();
    void gridCopiedOnlyOfThePointShown();
    void fieldsShowTheirTextFromItsStart();
    void wideTextWholeInTheTooltip();

  private:
    QString Copy(const QString &action);
};

QString tst_PointEdit::Copy(const QString &action) {
    QGuiApplication::clipboard()->clear();
    const QList<ShownBox> boxes = Trigger(action);
    if (!boxes.isEmpty())
        qWarning("error box: %s", qPrintable(boxes.first().text));
    return QGuiApplication::clipboard()->text();
}

void tst_PointEdit::copyForms_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("text");
    QTest::newRow("Copy Point, side 1")
        << "CopyPoint1" << "37.4818416208333, 127.004542079167, 0";
    QTest::newRow("decimal degrees, side 2")
        << "CopyDd2" << "37.4790372301572, 127.006734786376, -19.6178800927811";
    QTest::newRow("DMS, side 1")
        << "CopyDms1" << "37\u00B028'54.62983\"N 127\u00B00'16.35149\"E 0";
    QTest::newRow("WKT, side 2")
        << "CopyWkt2"
        << "POINT Z (127.006734786376 37.4790372301572 -19.6178800927811)";
    QTest::newRow("geo URI, side 1 on WGS 84")
        << "CopyGeoUri1" << "geo:37.4818416208333,127.004542079167,0";
    // the 1 m square that holds the point, spaced for people; no height
    QTest::newRow("MGRS, side 1 on WGS 84")
        << "CopyMgrs1" << "52S CG 23569 50196";
    QTest::newRow("geohash, side 1 on WGS 84")
        << "CopyGeohash1" << "geohash:wydm4p3gs3dq";
}

// Every form writes its numbers with a decimal point, whatever the window's
// separator: other programs read them.
void tst_PointEdit::copyForms() {
    QFETCH(QString, action);
    QFETCH(QString, text);
    QCOMPARE(Copy(action), text);
}

// GeoJSON and geo: URIs are WGS 84 by definition: side 2's Tokyo point is
// carried there first.
void tst_PointEdit::copyToWgs84Forms() {
    const QJsonDocument json =
        QJsonDocument::fromJson(Copy("CopyGeoJson2").toUtf8());
    QCOMPARE(json.object().value("type").toString(), QStringLiteral("Point"));
    const QJsonArray c = json.object().value("coordinates").toArray();
    QCOMPARE(c.size(), 3);
    QVERIFY(std::fabs(c[0].toDouble() - 127.004541704575) < 1e-10);
    QVERIFY(std::fabs(c[1].toDouble() - 37.481842152673) < 1e-10);
    QVERIFY(std::fabs(c[2].toDouble() - -0.026462312127) < 1e-6);

    const QString uri = Copy("CopyGeoUri2");
    QVERIFY2(uri.startsWith("geo:37.4818421526"), qPrintable(uri));
    const QStringList parts = uri.mid(4).split(u',');
    QCOMPARE(parts.size(), 3);
    QVERIFY(std::fabs(parts[1].toDouble() - 127.004541704575) < 1e-10);
    // So are MGRS and geohashes: the geohash of 37.481842152673 N
    // 127.004541704575 E, which differs from side 1's (wydm4p3gs3dq) in its
    // last characters; its 1 m MGRS square is side 1's.
    QCOMPARE(Copy("CopyGeohash2"), QStringLiteral("geohash:wydm4p3gs3f1"));
    QCOMPARE(Copy("CopyMgrs2"), QStringLiteral("52S CG 23569 50196"));
}

void tst_PointEdit::unreadableFieldIsMarked_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("reason"); // empty: readable
    QTest::newRow("DMS typed into DD")
        << "edtLatDd1" << "37\u00B033'58.7\"N"
        << "'37\u00B033'58.7\"N' is not a valid floating point value";
    QTest::newRow("emptied") << "edtAltDd2" << ""
                             << "'' is not a valid floating point value";
    QTest::newRow("fraction in DM degrees")
        << "edtLonDmd1" << "127.5" << "'127.5' is not a valid integer value";
    QTest::newRow("DMS minutes") << "edtLatDmsm2" << "3x"
                                 << "'3x' is not a valid integer value";
    QTest::newRow("grid") << "edtUtmY1" << "1e400"
                          << "'1e400' is not a valid floating point value";
    QTest::newRow("readable real") << "edtLatDmss1" << "12.5" << "";
    QTest::newRow("readable integer") << "edtLatDmsd1" << "-12" << "";
}

void tst_PointEdit::unreadableFieldIsMarked() {
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QString, reason);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QLineEdit *edit = Field(field);
    const QRect geometry = edit->geometry();
    const QMap<QString, QString> before = FieldTexts(*m_window);

    edit->setText(Num(text)); // unfocused: nothing else follows
    QCOMPARE(IsMarkedUnreadable(edit), !reason.isEmpty());
    QCOMPARE(edit->toolTip(), reason.isEmpty() ? QString() : Num(reason));
    QCOMPARE(edit->geometry(), geometry);
    QMap<QString, QString> after = FieldTexts(*m_window);
    after.remove(field);
    QMap<QString, QString> others = before;
    others.remove(field);
    QCOMPARE(after, others);

    // Readable again: the mark goes.
    edit->setText(QStringLiteral("1"));
    QVERIFY(!IsMarkedUnreadable(edit));
    QVERIFY(edit->toolTip().isEmpty());
}

void tst_PointEdit::degreeToolMarksToo() {
    auto *tool = m_window->findChild<TfrmDegSys *>();
    QVERIFY(tool != nullptr);
    auto *dd = tool->findChild<QLineEdit *>("edtDd");
    auto *dmsm = tool->findChild<QLineEdit *>("edtDmsm");
    dd->setText(QStringLiteral("37d30m"));
    QVERIFY(IsMarkedUnreadable(dd));
    QCOMPARE(dd->toolTip(),
             QStringLiteral("'37d30m' is not a valid floating point value"));
    dmsm->setText(QStringLiteral("30.5"));
    QVERIFY(IsMarkedUnreadable(dmsm));
    dd->setText(Num("37.5"));
    QVERIFY(!IsMarkedUnreadable(dd));
}

void tst_PointEdit::errorBoxNamesTheField_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("detail");
    QTest::newRow("Datum1->Datum2, altitude")
        << "edtAltDd1" << "Dt1" << "Field: side 1, altitude (m)";
    QTest::newRow("Datum2->Datum1, longitude")
        << "edtLonDd2" << "Dt2" << "Field: side 2, longitude (DD)";
    QTest::newRow("Datum2->Utm2, latitude")
        << "edtLatDd2" << "Dt2cc2" << "Field: side 2, latitude (DD)";
    QTest::newRow("Utm1->Datum1, northing")
        << "edtUtmY1" << "Cc1Dt1" << "Field: side 1, Y(North)";
    QTest::newRow("Copy Point As grid, Z")
        << "edtUtmZ2" << "CopyGrid2" << "Field: side 2, Z(Height)";
}

// The message stays the reader's own; the field is named below it.
void tst_PointEdit::errorBoxNamesTheField() {
    QFETCH(QString, field);
    QFETCH(QString, action);
    QFETCH(QString, detail);
    Field(field)->setText(QStringLiteral("12a"));
    const QMap<QString, QString> before = FieldTexts(*m_window);
    const QList<ShownBox> boxes = Trigger(action);
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes.first().text,
             QStringLiteral("'12a' is not a valid floating point value."));
    QCOMPARE(boxes.first().detail, detail);
    QCOMPARE(FieldTexts(*m_window), before);
}

// ---- Paste Point ----------------------------------------------------------------

// The forms nolvex-convert reads on a line; decimal degrees of the marked
// ones from GeographicLib's `GeoConvert -p 9`. A line without a height is a
// point at height 0 on the side's datum (the altitude before was another
// point's), and the note says so.
void tst_PointEdit::pasteEveryForm_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("lat");
    QTest::addColumn<double>("lon");
    QTest::addColumn<QString>("alt");
    QTest::addColumn<bool>("height"); // the text has one
    QTest::newRow("decimal degrees")
        << "37.5 127.5" << 37.5 << 127.5 << "0" << false;
    QTest::newRow("commas and a height")
        << "37.5, 127.5, 30" << 37.5 << 127.5 << "30" << true;
    QTest::newRow("tab, as a spreadsheet copies")
        << "37.5\t127.5\n"
        << 37.5 << 127.5 << "0" << false;
    QTest::newRow("DMS with marks and letters")
        << "37\u00B033'58.7\"N 126\u00B058'40.4\"E" << 37.56630555555556
        << 126.97788888888890 << "0" << false;
    QTest::newRow("letters decide the order")
        << "127E 37N" << 37.0 << 127.0 << "0" << false;
    QTest::newRow("letters first, parts apart, a height")
        << "N 37 30 0 E 127 0 0 12.5" << 37.5 << 127.0 << "12.5" << true;
    QTest::newRow("letters after the parts")
        << "37 30 0 S 127 0 0 W" << -37.5 << -127.0 << "0" << false;
    QTest::newRow("colons") << "37:30 127:00" << 37.5 << 127.0 << "0" << false;
    QTest::newRow("degrees and minutes")
        << "37\u00B028.9105' 127\u00B00.2725'" << 37.48184166666667
        << 127.00454166666667 << "0" << false;
}

void tst_PointEdit::pasteEveryForm() {
    QFETCH(QString, text);
    QFETCH(double, lat);
    QFETCH(double, lon);
    QFETCH(QString, alt);
    QFETCH(bool, height);
    // Side 2's altitude is another point's (-19.6 m at start-up).
    QVERIFY(Field("edtAltDd2")->text() != Num(alt));
    QGuiApplication::clipboard()->setText(text);
    QVERIFY(Trigger("PastePoint2").isEmpty());
    QVERIFY(std::fabs(Value("edtLatDd2") - lat) < 1e-12);
    QVERIFY(std::fabs(Value("edtLonDd2") - lon) < 1e-12);
    QCOMPARE(Field("edtAltDd2")->text(), Num(alt));
    const QLabel *note = Child<QLabel>(*m_window, "stPasteNote");
    if (height) {
        QVERIFY2(note->toolTip().isEmpty(), qPrintable(note->toolTip()));
    } else {
        QVERIFY2(note->toolTip().startsWith(
                     "Side 2: text without a height, 0 m taken\n") &&
                     note->toolTip().contains("the altitude is 0 m on "
                                              "Tokyo(---)") &&
                     !note->toolTip().contains("carried"),
                 qPrintable(note->toolTip()));
    }
    // DM and DMS follow as typing makes them.
    const double dd = Value("edtLatDd2");
    QVERIFY(std::fabs(Value("edtLatDmsd2") + Value("edtLatDmsm2") / 60 *
                          (dd < 0 ? -1 : 1) +
                      Value("edtLatDmss2") / 3600 * (dd < 0 ? -1 : 1) - dd) <
            1e-12);
    QCOMPARE(Value("edtLonDmd2"), std::trunc(lon));
}

void tst_PointEdit::pasteRefusesAndChangesNothing_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("degrees and minutes or three values?")
        << "37 30 00 127 00 00";
    QTest::newRow("latitude beyond the pole") << "91 0";
    QTest::newRow("minutes of 60") << "37 60 0 N 127 0 0 E";
    QTest::newRow("two letters of one kind") << "37N 127N";
    QTest::newRow("not a point") << "Seoul City Hall";
    QTest::newRow("two points") << "37.5 127.5\n38 128";
    QTest::newRow("nothing") << "";
    QTest::newRow("geo: URI with a latitude alone") << "geo:37.56659";
    QTest::newRow("geo: URI on another system")
        << "geo:323482,4306480;crs=EPSG:32618;u=20";
    QTest::newRow("GeoJSON position of four numbers")
        << "{\"type\":\"Point\",\"coordinates\":[126.97796,37.56659,0,5]}";
    QTest::newRow("GeoJSON LineString")
        << "{\"type\":\"LineString\",\"coordinates\":[[1,2],[3,4]]}";
    QTest::newRow("WKT POINT EMPTY") << "POINT EMPTY";
    QTest::newRow("WKT POINT with a measure") << "POINT M (126.9 37.5 4)";
}

void tst_PointEdit::pasteRefusesAndChangesNothing() {
    QFETCH(QString, text);
    const QMap<QString, QString> before = FieldTexts(*m_window);
    QGuiApplication::clipboard()->setText(text);
    const QList<ShownBox> boxes = Trigger("PastePoint1");
    QCOMPARE(boxes.size(), 1);
    QVERIFY(!boxes.first().text.isEmpty());
    QCOMPARE(FieldTexts(*m_window), before);
}

// What Copy Point writes, Paste Point reads back: the same point, to the
// digit for decimal degrees, to the 0.3 mm of five decimals of a second for
// DMS, when the text comes alone (as from another program) into side 1.
// With the copy's record, into a side on the copy's own datum, both give
// back the point to the digit, with nothing carried.
void tst_PointEdit::copiedPointPastesBack_data() {
    QTest::addColumn<QString>("copy");
    QTest::addColumn<bool>("record");      // false: the copy's text alone
    QTest::addColumn<double>("tolerance"); // degrees
    QTest::newRow("decimal degrees") << "CopyDd2" << false << 0.0;
    QTest::newRow("DMS") << "CopyDms2" << false << 0.000005 / 3600;
    QTest::newRow("decimal degrees with the record")
        << "CopyDd2" << true << 0.0;
    QTest::newRow("DMS with the record") << "CopyDms2" << true << 0.0;
}

void tst_PointEdit::copiedPointPastesBack() {
    QFETCH(QString, copy);
    QFETCH(bool, record);
    QFETCH(double, tolerance);
    SetPoint("2", "-33.8688197", "151.2092955", "58.25");
    QVERIFY(Trigger(copy).isEmpty());
    if (!record) {
        QGuiApplication::clipboard()->setText(
            QGuiApplication::clipboard()->text());
    }
    // The text alone into side 1; the record into side 2, on Tokyo(---)
    // as the copy was, once its point has changed.
    const QString side = record ? "2" : "1";
    if (record)
        SetPoint("2", "0", "0", "0");
    QVERIFY(Trigger("PastePoint" + side).isEmpty());
    QVERIFY(std::fabs(Value("edtLatDd" + side) - -33.8688197) <= tolerance);
    QVERIFY(std::fabs(Value("edtLonDd" + side) - 151.2092955) <= tolerance);
    QCOMPARE(Field("edtAltDd" + side)->text(), Num("58.25"));
    if (record) {
        QCOMPARE(Field("edtLatDd2")->text(), Num("-33.8688197"));
        QCOMPARE(Field("edtLonDd2")->text(), Num("151.2092955"));
    }
    QVERIFY(Child<QLabel>(*m_window, "stPasteNote")->text().isEmpty());
}

// GeoJSON and geo: URIs are on WGS 84: pasted into side 2 on Tokyo(---) they
// are carried there, and the window says so; WKT and text name no datum and
// are taken as side 2's own, as typed text is. On side 1, on WGS 84, nothing
// is carried. A point without a height is at height 0 on the datum of its
// text: on WGS 84 carried to Tokyo(---) with the point (-20.149 m, the
// reference above), on the side's own datum 0; the note says so.
void tst_PointEdit::pasteWgs84Forms_data() {
    QTest::addColumn<QString>("side");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("lat");
    QTest::addColumn<double>("lon");
    QTest::addColumn<double>("alt");
    QTest::addColumn<bool>("carried");
    QTest::addColumn<bool>("height"); // the text has one
    QTest::newRow("geo: URI with a height")
        << "2"
        << "geo:37.56659,126.97796,38.5" << 37.563795494510 << 126.980152902606
        << 18.351221509859 << true << true;
    QTest::newRow("geo: URI with crs and uncertainty, no height")
        << "2"
        << "geo:37.56659,126.97796;crs=wgs84;u=10" << 37.563795477592
        << 126.980152915827 << -20.148778490141 << true << false;
    QTest::newRow("GeoJSON Point")
        << "2"
        << "{\"type\":\"Point\",\"coordinates\":[126.97796,37.56659,38.5]}"
        << 37.563795494510 << 126.980152902606 << 18.351221509859 << true
        << true;
    QTest::newRow("GeoJSON Feature over several lines, no height")
        << "2"
        << "{\n  \"type\": \"Feature\",\n  \"properties\": {\"name\": "
           "\"Seoul\"},\n  \"geometry\": {\"type\": \"Point\", "
           "\"coordinates\": [126.97796, 37.56659]}\n}\n"
        << 37.563795477592 << 126.980152915827 << -20.148778490141 << true
        << false;
    QTest::newRow("WKT POINT Z, the side's own")
        << "2"
        << "POINT Z (126.97796 37.56659 38.5)" << 37.56659 << 126.97796 << 38.5
        << false << true;
    QTest::newRow("WKT POINT, the side's own")
        << "2"
        << "POINT (126.97796 37.56659)" << 37.56659 << 126.97796 << 0.0 << false
        << false;
    QTest::newRow("GeoJSON on side 1, on WGS 84")
        << "1"
        << "{\"type\":\"Point\",\"coordinates\":[126.97796,37.56659,38.5]}"
        << 37.56659 << 126.97796 << 38.5 << false << true;
    QTest::newRow("geo: URI on side 1, on WGS 84")
        << "1"
        << "geo:37.56659,126.97796" << 37.56659 << 126.97796 << 0.0 << false
        << false;
}

void tst_PointEdit::pasteWgs84Forms() {
    QFETCH(QString, side);
    QFETCH(QString, text);
    QFETCH(double, lat);
    QFETCH(double, lon);
    QFETCH(double, alt);
    QFETCH(bool, carried);
    QFETCH(bool, height);
    QGuiApplication::clipboard()->setText(text);
    QVERIFY(Trigger("PastePoint" + side).isEmpty());
    // 1E-9 degrees is 0.1 mm
    QVERIFY2(std::fabs(Value("edtLatDd" + side) - lat) < 1e-9,
             qPrintable(Field("edtLatDd" + side)->text()));
    QVERIFY2(std::fabs(Value("edtLonDd" + side) - lon) < 1e-9,
             qPrintable(Field("edtLonDd" + side)->text()));
    QVERIFY2(std::fabs(Value("edtAltDd" + side) - alt) < 1e-4,
             qPrintable(Field("edtAltDd" + side)->text()));
    if (!carried && !height) // on the side's own datum: exactly 0
        QCOMPARE(Field("edtAltDd" + side)->text(), QStringLiteral("0"));
    // DMS follows as typing makes it.
    const double dd = Value("edtLonDd" + side);
    QCOMPARE(Value("edtLonDmsd" + side), std::trunc(dd));
    QVERIFY(std::fabs(Value("edtLonDmsd" + side) +
                      Value("edtLonDmsm" + side) / 60 +
                      Value("edtLonDmss" + side) / 3600 - dd) < 1e-12);

    const QLabel *note = Child<QLabel>(*m_window, "stPasteNote");
    const QString tip = note->toolTip();
    if (carried) {
        QVERIFY2(tip.startsWith("Side 2: ") &&
                     tip.contains("carried from WGS 84") &&
                     tip.contains("carried to Tokyo(---), side 2's datum"),
                 qPrintable(tip));
        QVERIFY(!note->text().isEmpty());
        // Without a height: 0 m on WGS 84, carried.
        QCOMPARE(tip.contains("It had no height: it was taken at 0 m on WGS "
                              "84,\nand the altitude is that 0 m carried to "
                              "Tokyo(---)."),
                 !height);
    } else if (height) {
        QVERIFY2(note->text().isEmpty(), qPrintable(note->text()));
    } else {
        // Without a height on the side's own datum: 0 m there, nothing
        // carried.
        QVERIFY2(tip.startsWith("Side " + side + ": ") &&
                     tip.contains("without a height, 0 m taken") &&
                     !tip.contains("carried"),
                 qPrintable(tip));
        QVERIFY(!note->text().isEmpty());
    }
}

// The note is about the point as pasted: it goes when the side's point
// changes, and a refused paste leaves it as it was.
void tst_PointEdit::pasteNoteGoesWithThePoint() {
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    const QLabel *note = Child<QLabel>(*m_window, "stPasteNote");
    QGuiApplication::clipboard()->setText("geo:37.56659,126.97796");
    QVERIFY(Trigger("PastePoint2").isEmpty());
    QVERIFY(!note->text().isEmpty());
    // The note stands whole within the menu bar, which keeps every menu in
    // view.
    QVERIFY(note->isVisible());
    QVERIFY(note->width() >= note->sizeHint().width());
    QVERIFY(note->geometry().right() < m_window->menuBar()->width());
    for (QAction *menu : m_window->menuBar()->actions())
        QVERIFY(m_window->menuBar()->actionGeometry(menu).right() <
                note->geometry().left());
    const QString shown = note->text();
    QGuiApplication::clipboard()->setText("geo:37.56659");
    QCOMPARE(Trigger("PastePoint2").size(), 1);
    QCOMPARE(note->text(), shown);
    m_window->activateWindow(); // the error box had the keyboard
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    // Side 1's point is another point: the note stays.
    TypeInto(Field("edtLatDd1"), Num("37.5"));
    QCOMPARE(note->text(), shown);
    TypeInto(Field("edtLatDmsm2"), "30");
    QVERIFY(note->text().isEmpty());
    QVERIFY(note->toolTip().isEmpty());
    QVERIFY(!note->isVisible());
}

// A pasted point without a height kept the altitude field as it was, the
// height of another point (here 300 km away). It is now the point's own: 0
// on the datum of its text, carried with the point where it is carried
// (the GeoJSON on WGS 84 into Tokyo(---): -20.148778490141 m, cct's
// standard Molodensky above), and the note says so.
void tst_PointEdit::pasteWithoutHeightKeptAnotherPointsAltitude_data() {
    QTest::addColumn<QString>("side");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("alt");
    QTest::addColumn<QString>("note");
    QTest::newRow("2D GeoJSON on WGS 84 into the Tokyo side")
        << "2"
        << "{\"type\":\"Point\",\"coordinates\":[126.97796,37.56659]}"
        << -20.148778490141
        << "Side 2: GeoJSON carried from WGS 84, height 0 m there";
    QTest::newRow("2D geo: URI into the WGS 84 side")
        << "1"
        << "geo:37.56659,126.97796" << 0.0
        << "Side 1: geo: URI without a height, 0 m taken";
    QTest::newRow("a line without a height into the Tokyo side")
        << "2"
        << "37.56659 126.97796" << 0.0
        << "Side 2: text without a height, 0 m taken";
}

void tst_PointEdit::pasteWithoutHeightKeptAnotherPointsAltitude() {
    QFETCH(QString, side);
    QFETCH(QString, text);
    QFETCH(double, alt);
    QFETCH(QString, note);
    // A point 300 km away, with its own height.
    SetPoint(side, "35.1", "129.04", "512.25");
    QGuiApplication::clipboard()->setText(text);
    QVERIFY(Trigger("PastePoint" + side).isEmpty());
    QVERIFY2(std::fabs(Value("edtAltDd" + side) - alt) < 1e-6,
             qPrintable(Field("edtAltDd" + side)->text()));
    const QLabel *corner = Child<QLabel>(*m_window, "stPasteNote");
    QVERIFY2(corner->toolTip().startsWith(note + u'\n'),
             qPrintable(corner->toolTip()));
    QVERIFY(!corner->text().isEmpty());
}

// An MGRS reference or a geohash names an area: Paste Point takes its
// centre and the note says so, on a side on WGS 84 too. It has no height:
// 0 m on WGS 84, carried with the point to Tokyo(---). A geohash is read
// only with its prefix or as a geohash URL: "375127" or "u4pruydqqvj"
// alone could be one, and is read as angles, or refused.
void tst_PointEdit::pastedReferenceIsItsCentre_data() {
    QTest::addColumn<QString>("side");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("lat"); // NaN: refused
    QTest::addColumn<double>("lon");
    QTest::addColumn<double>("alt");
    QTest::addColumn<QString>("note");
    QTest::addColumn<QString>("tip"); // a part of the note's tooltip
    QTest::newRow("MGRS on side 1")
        << "1" << "52S CG 21459 59650" << 37.56659563270967
        << 126.97839609501845 << 0.0
        << "Side 1: MGRS read as its centre, without a height, 0 m taken"
        << "The MGRS text names a square 1 m across;\nits centre was pasted.";
    QTest::newRow("MGRS in small letters, one word, on side 1")
        << "1" << " 52scg2145959650 " << 37.56659563270967
        << 126.97839609501845 << 0.0
        << "Side 1: MGRS read as its centre, without a height, 0 m taken"
        << "a square 1 m across";
    QTest::newRow("MGRS on side 2, carried to Tokyo(---)")
        << "2" << "52S CG 21459 59650" << 37.563801102825 << 126.980589048306
        << -20.147640144499
        << "Side 2: MGRS read as its centre, carried from WGS 84, height 0 m "
           "there"
        << "it was carried to Tokyo(---), side 2's datum";
    QTest::newRow("geohash URL on side 1")
        << "1" << "https://geohash.org/wydm9qyc4kf9" << 37.566573126241565
        << 126.97836393490434 << 0.0
        << "Side 1: geohash read as its centre, without a height, 0 m taken"
        << "The geohash text names a cell 1.68e-07\u00B0 by 3.35e-07\u00B0;";
    QTest::newRow("geohash: on side 2, carried to Tokyo(---)")
        << "2" << "GEOHASH:WYDM9QYC4KF9" << 37.563778594463 << 126.980556884782
        << -20.147604507237
        << "Side 2: geohash read as its centre, carried from WGS 84, height "
           "0 m there"
        << "its centre was pasted.";
    QTest::newRow("a bare geohash is not read")
        << "1" << "u4pruydqqvj" << qQNaN() << qQNaN() << 0.0 << "" << "";
    QTest::newRow("digits alone are not a geohash")
        << "1" << "375127" << qQNaN() << qQNaN() << 0.0 << "" << "";
    QTest::newRow("a malformed reference is refused")
        << "1" << "52S CI 21459 59650" << qQNaN() << qQNaN() << 0.0 << ""
        << "";
}

void tst_PointEdit::pastedReferenceIsItsCentre() {
    QFETCH(QString, side);
    QFETCH(QString, text);
    QFETCH(double, lat);
    QFETCH(double, lon);
    QFETCH(double, alt);
    QFETCH(QString, note);
    QFETCH(QString, tip);
    const QMap<QString, QString> before = FieldTexts(*m_window);
    QGuiApplication::clipboard()->setText(text);
    const QList<ShownBox> boxes = Trigger("PastePoint" + side);
    if (qIsNaN(lat)) {
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(FieldTexts(*m_window), before);
        return;
    }
    QVERIFY(boxes.isEmpty());
    // 1E-9 degrees is 0.1 mm
    QVERIFY2(std::fabs(Value("edtLatDd" + side) - lat) < 1e-9,
             qPrintable(Field("edtLatDd" + side)->text()));
    QVERIFY2(std::fabs(Value("edtLonDd" + side) - lon) < 1e-9,
             qPrintable(Field("edtLonDd" + side)->text()));
    QVERIFY2(std::fabs(Value("edtAltDd" + side) - alt) < 1e-4,
             qPrintable(Field("edtAltDd" + side)->text()));
    const QLabel *label = Child<QLabel>(*m_window, "stPasteNote");
    QVERIFY2(label->toolTip().startsWith(note + u'\n'),
             qPrintable(label->toolTip()));
    QVERIFY2(label->toolTip().contains(tip), qPrintable(label->toolTip()));
}

// Each of the eight forms Copy Point As writes of side 2's start-up point,
// pasted into side 1 on WGS 84. Within this program each copy carries a
// record of the point on Tokyo(---): the decimal, DMS, WKT, GeoJSON, geo:
// URI, MGRS and geohash copies all paste as side 2's point carried to WGS
// 84 (the reference above), with the note. The same texts alone, as
// another program hands them over, are read as before: the decimal, DMS
// and WKT texts are side 2's numbers, taken as side 1's own; GeoJSON and
// the geo: URI are side 2's point on WGS 84; MGRS and the geohash the
// centre of the square or cell that holds it, at 0 m, with their note. The
// grid's "x, y, z" is no geodetic point, with its record or without:
// refused, side 1 unchanged.
void tst_PointEdit::everyCopiedFormPastesIntoSide1_data() {
    QTest::addColumn<QString>("copy");
    QTest::addColumn<bool>("record");    // false: the copy's text alone
    QTest::addColumn<QString>("expect"); // "side 2", "WGS 84" or "refused"
    QTest::addColumn<double>("tolerance"); // degrees
    QTest::newRow("decimal degrees") << "CopyDd2" << true << "WGS 84" << 1e-9;
    QTest::newRow("DMS") << "CopyDms2" << true << "WGS 84" << 1e-9;
    QTest::newRow("grid") << "CopyGrid2" << true << "refused" << 0.0;
    QTest::newRow("GeoJSON") << "CopyGeoJson2" << true << "WGS 84" << 1e-9;
    QTest::newRow("WKT") << "CopyWkt2" << true << "WGS 84" << 1e-9;
    QTest::newRow("geo: URI") << "CopyGeoUri2" << true << "WGS 84" << 1e-9;
    QTest::newRow("decimal degrees, text alone")
        << "CopyDd2" << false << "side 2" << 0.0;
    QTest::newRow("DMS, text alone")
        << "CopyDms2" << false << "side 2" << 0.000005 / 3600 + 1e-12;
    QTest::newRow("grid, text alone")
        << "CopyGrid2" << false << "refused" << 0.0;
    QTest::newRow("GeoJSON, text alone")
        << "CopyGeoJson2" << false << "WGS 84" << 1e-9;
    QTest::newRow("WKT, text alone") << "CopyWkt2" << false << "side 2" << 0.0;
    QTest::newRow("geo: URI, text alone")
        << "CopyGeoUri2" << false << "WGS 84" << 1e-9;
    QTest::newRow("MGRS") << "CopyMgrs2" << true << "WGS 84" << 1e-9;
    QTest::newRow("geohash") << "CopyGeohash2" << true << "WGS 84" << 1e-9;
    // within the 1 m square (1e-5 degrees) and the cell (3.4e-7 degrees)
    QTest::newRow("MGRS, text alone")
        << "CopyMgrs2" << false << "WGS 84 centre" << 1e-5;
    QTest::newRow("geohash, text alone")
        << "CopyGeohash2" << false << "WGS 84 centre" << 3.4e-7;
}

void tst_PointEdit::everyCopiedFormPastesIntoSide1() {
    QFETCH(QString, copy);
    QFETCH(bool, record);
    QFETCH(QString, expect);
    QFETCH(double, tolerance);
    QVERIFY(Trigger("Dt2cc2").isEmpty()); // side 2's grid row holds its point
    QGuiApplication::clipboard()->clear();
    QVERIFY(Trigger(copy).isEmpty());
    const QString text = QGuiApplication::clipboard()->text();
    QVERIFY(!text.isEmpty());
    const QString mime = QStringLiteral("application/x-nolvex-point");
    QVERIFY(QGuiApplication::clipboard()->mimeData()->hasFormat(mime));
    if (!record) {
        QGuiApplication::clipboard()->setText(text);
        QVERIFY(!QGuiApplication::clipboard()->mimeData()->hasFormat(mime));
    }
    const QMap<QString, QString> before = FieldTexts(*m_window);
    const QList<ShownBox> boxes = Trigger("PastePoint1");
    if (expect == "refused") {
        QCOMPARE(boxes.size(), 1);
        QVERIFY2(boxes.first().text.contains("Paste Grid"),
                 qPrintable(boxes.first().text));
        QCOMPARE(FieldTexts(*m_window), before);
        return;
    }
    QVERIFY(boxes.isEmpty());
    double lat = Value("edtLatDd2"), lon = Value("edtLonDd2"),
           alt = Value("edtAltDd2");
    if (expect.startsWith("WGS 84")) {
        lat = 37.481842152673;
        lon = 127.004541704575;
        // a reference has no height: 0 m on WGS 84, side 1's datum
        alt = expect == "WGS 84" ? -0.026462312127 : 0.0;
    }
    if (tolerance == 0) {
        QCOMPARE(Field("edtLatDd1")->text(), Field("edtLatDd2")->text());
        QCOMPARE(Field("edtLonDd1")->text(), Field("edtLonDd2")->text());
    }
    QVERIFY2(std::fabs(Value("edtLatDd1") - lat) <= tolerance,
             qPrintable(Field("edtLatDd1")->text()));
    QVERIFY2(std::fabs(Value("edtLonDd1") - lon) <= tolerance,
             qPrintable(Field("edtLonDd1")->text()));
    QVERIFY2(std::fabs(Value("edtAltDd1") - alt) < 1e-6,
             qPrintable(Field("edtAltDd1")->text()));
    // The record's point is carried from Tokyo(---), and the note says so;
    // a text is taken as it is on side 1, on WGS 84, with no note.
    const QLabel *note = Child<QLabel>(*m_window, "stPasteNote");
    if (record)
        QVERIFY2(note->toolTip().startsWith(
                     "Side 1: copied point carried from Tokyo(---)\n"),
                 qPrintable(note->toolTip()));
    else if (expect == "WGS 84 centre")
        QVERIFY2(note->toolTip().contains("read as its centre"),
                 qPrintable(note->toolTip()));
    else
        QVERIFY2(!note->toolTip().contains("Side 1"),
                 qPrintable(note->toolTip()));
    // Side 2 is as it was.
    QMap<QString, QString> after = FieldTexts(*m_window);
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        if (it.key().endsWith(u'2'))
            QCOMPARE(after.value(it.key()), it.value());
    }
}

// The grid fields are copied while they hold the grid values of the point
// the DD row shows, the values a conversion left there; numbers that belong
// to no point (the stored zeros at start-up, values of a point since
// changed, of a grid since changed) are refused with the reason, and the
// clipboard keeps its text. Side 1's start-up point in UTM zone 52 from
// PROJ 9.1:
//   echo "127.004542079167 37.4818416208333 0 0" |
//       cct -d 6 +proj=utm +zone=52 +ellps=WGS84
//   323569.281073  4150196.764389  0.000000
void tst_PointEdit::gridCopiedOnlyOfThePointShown() {
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    auto refused = [this](const QString &reason) {
        QGuiApplication::clipboard()->setText("kept");
        const QList<ShownBox> boxes = Trigger("CopyGrid1");
        QCOMPARE(boxes.size(), 1);
        QVERIFY2(boxes.first().text.contains(reason) &&
                     boxes.first().text.endsWith(
                         "; Datum1->Utm1 fills them from the point."),
                 qPrintable(boxes.first().text));
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("kept"));
        m_window->activateWindow(); // the error box had the keyboard
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    };
    refused("the grid fields hold no grid values of the side's point yet");

    QVERIFY(Trigger("Dt1cc1").isEmpty());
    const QString copied = Copy("CopyGrid1");
    const QStringList xyz = copied.split(QStringLiteral(", "));
    QCOMPARE(xyz.size(), 3);
    QVERIFY2(std::fabs(xyz[0].toDouble() - 323569.281073) < 0.001,
             qPrintable(copied));
    QVERIFY2(std::fabs(xyz[1].toDouble() - 4150196.764389) < 0.001,
             qPrintable(copied));
    QCOMPARE(xyz[2], QStringLiteral("0"));
    QCOMPARE(Num(xyz[0]), Field("edtUtmX1")->text());

    TypeInto(Field("edtLatDmsm1"), "29");
    refused("the point has changed since its last conversion");

    // Typed grid values carried into the DD row are the point's; typed
    // again, they are not.
    TypeInto(Field("edtUtmY1"), Num("4151000"));
    QVERIFY(Trigger("Cc1Dt1").isEmpty());
    QCOMPARE(Copy("CopyGrid1").section(QStringLiteral(", "), 1, 1),
             QStringLiteral("4151000"));
    TypeInto(Field("edtUtmZ1"), Num("5"));
    refused("the grid fields have changed since the point's last conversion");

    // Another grid kind (the coordinate-system dialog's OK) makes the
    // values another grid's.
    const DialogRun run = Run("SetCoordnate1", [](QDialog &d) {
        Child<QRadioButton>(d, "rdoTm1")->setChecked(true);
    });
    QCOMPARE(run.dialogs, 1);
    refused("the side's datum or grid has changed since its last conversion");
    QVERIFY(Trigger("Dt1cc1").isEmpty());
    QString x = Field("edtUtmX1")->text();
    x.replace(QLatin1Char(m_sep), u'.');
    QVERIFY(Copy("CopyGrid1").startsWith(x + ", "));
}

// ---- what a field shows -----------------------------------------------------

// A number wider than its field is read from its start: after the program
// writes it, and when Tab moves through the field. Regression: Tab left the
// field scrolled to its end, so that "2.04636307898909E-11" seconds showed
// as "898909E-11", and a seconds text ending in "...999925" as "999999925".
// The selection Tab makes stays the whole text, which typing replaces.
void tst_PointEdit::fieldsShowTheirTextFromItsStart() {
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    TypeInto(Field("edtLonDd1"), Num("124.9"));
    QLineEdit *seconds = Field("edtLonDmss1");
    QCOMPARE(seconds->text(), Num("2.04636307898909E-11"));
    QCOMPARE(seconds->cursorPosition(), 0); // as written

    QTest::mouseClick(Field("edtLonDmsm1"), Qt::LeftButton);
    QTRY_VERIFY(Field("edtLonDmsm1")->hasFocus());
    QTest::keyClick(Field("edtLonDmsm1"), Qt::Key_Tab);
    QVERIFY(seconds->hasFocus());
    QCOMPARE(seconds->selectedText(), seconds->text());
    QCOMPARE(seconds->cursorPosition(), 0);
    QTest::keyClick(seconds, Qt::Key_Tab);
    QVERIFY(!seconds->hasFocus());
    QCOMPARE(seconds->cursorPosition(), 0);
    QCOMPARE(seconds->text(), Num("2.04636307898909E-11"));

    // Backwards too, and a text the user typed and left.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    QVERIFY(seconds->hasFocus());
    QCOMPARE(seconds->cursorPosition(), 0);
    QCOMPARE(seconds->selectedText(), seconds->text());
    QTest::keyClicks(seconds, Num("16.3514851234567"));
    QCOMPARE(seconds->text(), Num("16.3514851234567"));
    QVERIFY(seconds->cursorPosition() > 0);
    QTest::keyClick(seconds, Qt::Key_Tab);
    QCOMPARE(seconds->cursorPosition(), 0);
    // 124 + 54/60 + 16.3514851234567/3600
    QCOMPARE(Field("edtLonDd1")->text(), Num("124.904542079201"));
}

// A text wider than its field is whole in the field's tooltip, after the
// field's own tooltip (the reason an unreadable text does not read); a
// text that fits adds nothing.
void tst_PointEdit::wideTextWholeInTheTooltip() {
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    TypeInto(Field("edtLonDd1"), Num("124.9"));
    QLineEdit *seconds = Field("edtLonDmss1");
    QCOMPARE(FieldToolTip(seconds), Num("2.04636307898909E-11"));
    QCOMPARE(FieldToolTip(Field("edtLonDmsd1")), QString()); // "124" fits
    QCOMPARE(FieldToolTip(Field("edtLonDd1")), QString());
    // On the mouse, as the tooltip event shows it.
    QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), seconds->mapToGlobal(
                                                       QPoint(5, 5)));
    QApplication::sendEvent(seconds, &help);
    QTRY_COMPARE(QToolTip::text(), Num("2.04636307898909E-11"));
    QToolTip::hideText();

    // An unreadable text keeps its reason first.
    seconds->setText("12.5.5.5.5.5.5.5.5.5");
    QCOMPARE(FieldToolTip(seconds),
             "'12.5.5.5.5.5.5.5.5.5' is not a valid floating point value\n"
             "12.5.5.5.5.5.5.5.5.5");
    Field("edtLonDmsm2")->setText("3x");
    QCOMPARE(FieldToolTip(Field("edtLonDmsm2")),
             QStringLiteral("'3x' is not a valid integer value"));

    // The degree tool's fields alike.
    auto *tool = m_window->findChild<TfrmDegSys *>();
    QVERIFY(tool != nullptr);
    tool->show();
    tool->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(tool));
    TypeInto(tool->findChild<QLineEdit *>("edtDd"), Num("37.1"));
    QCOMPARE(FieldToolTip(tool->findChild<QLineEdit *>("edtDmss")),
             Num("5.11590769747272E-12"));
}

QTEST_MAIN(tst_PointEdit)
#include "tst_PointEdit.moc"
