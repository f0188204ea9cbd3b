// The user-ellipsoid and user-datum dialogs, driven through "Define User
// &Ellipsoid" and "Define &User Datum": their forms and first contents, the
// definitions reaching both engines and the three lists, Cancel, the names cut
// to their records, unreadable numbers, and the definitions taking effect only
// at the next "Set &Datum".
//
// Reference values come from PROJ 9.1 (cct): the user datum below copies
// "Tokyo(---)" (Bessel 1841, -105.627, 462.37, 643.258), so once selected it
// gives W2T of the point 36.0, 127.5, 50:
//   echo "127.5 36.0 50 0" | cct -d 15 +proj=molodensky +ellps=WGS84
//     +dx=105.627 +dy=-462.37 +dz=-643.258 +da=-739.845
//     +df=-1.0037482572674596e-05
//   -> 127.502192367521999 35.997024333036073 40.034479221162279
#include "Coord.h"
#include "DialogDriver.h"
#include "Fdatum.h"
#include "Fmain.h"
#include "Fuserdatum.h"
#include "Fuserell.h"
#include "MainWindowFixture.h"
#include "NumberText.h"

#include <QPushButton>
#include <QTest>

#include <cmath>

namespace {

constexpr double DEG_SHIFT = 1e-10;
constexpr double M_SHIFT = 1e-6;

// A Hangul syllable takes three bytes in UTF-8.
const QString GA = QStringLiteral("가");

QString Repeat(const QString &text, int count) { return text.repeated(count); }

QString Exact(double value) {
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

// Row 0 of an engine's tables as "name|a|invf" and "name|ellipsoid|dx|dy|dz",
// numbers in their shortest exact form, so any change shows.
QString EllipsoidRow0(const COORD &engine) {
    char name[80] = {};
    double a = 0, invf = 0;
    engine.GetEllipsoid(0, name, sizeof name, a, invf);
    return QString::fromUtf8(name) + u'|' + Exact(a) + u'|' + Exact(invf);
}

QString DatumRow0(const COORD &engine) {
    char name[80] = {};
    std::int32_t ellipsoid = 0;
    double dx = 0, dy = 0, dz = 0;
    engine.GetDatumInfo(0, name, sizeof name, ellipsoid, dx, dy, dz);
    return QString::fromUtf8(name) + u'|' + QString::number(ellipsoid) + u'|' +
           Exact(dx) + u'|' + Exact(dy) + u'|' + Exact(dz);
}

} // namespace

class tst_TfrmUserDialogs : public QObject, private DialogFixture {
    Q_OBJECT

  private slots:
    void initTestCase_data();
    void init();
    void cleanup();

    void form_data();
    void form();
    void ellipsoidList();
    void firstOpening_data();
    void firstOpening();
    void ellipsoidChoiceShowsConstants_data();
    void ellipsoidChoiceShowsConstants();
    void userEllipsoidReachesEnginesAndList();
    void userDatumReachesEnginesAndLists();
    void cancelChangesNothing_data();
    void cancelChangesNothing();
    void takesEffectOnlyAtSetDatum();
    void longNamesCutToRecord_data();
    void longNamesCutToRecord();
    void unreadableNumberStoresNothing_data();
    void unreadableNumberStoresNothing();
    void noEllipsoidSelectedStoresNothing();

  private:
    // Types "name=text" rows (numbers localised) and OK.
    void Define(const QString &action, const QStringList &rows,
                int ellipsoid = -2);
    void TypeRows(const QDialog &dialog, const QStringList &rows) const;
    QString Shown(const QString &name, const QString &text) const;
    std::pair<QStringList, QStringList>
    NamesAndShown(const QStringList &rows) const;
    QStringList Chosen(const QString &action, const QString &list, int index,
                       const QStringList &names);
    QComboBox *List(const char *name) const;
    QStringList CatalogueState() const;
};

void tst_TfrmUserDialogs::initTestCase_data() { AddSeparatorRows(); }

void tst_TfrmUserDialogs::init() { OpenWindow(); }

void tst_TfrmUserDialogs::cleanup() { CloseWindow(); }

void tst_TfrmUserDialogs::Define(const QString &action, const QStringList &rows,
                                 int ellipsoid) {
    const DialogRun run = Run(action, [&](QDialog &d) {
        TypeRows(d, rows);
        if (ellipsoid != -2)
            Child<QComboBox>(d, QStringLiteral("cboEllipsoid"))
                ->setCurrentIndex(ellipsoid);
    });
    QCOMPARE(run.dialogs, 1);
    QVERIFY2(run.boxes.isEmpty(), qPrintable(run.boxes.value(0).text));
}

// Types "name=text" rows into the dialog: names as they are, numbers
// localised.
void tst_TfrmUserDialogs::TypeRows(const QDialog &dialog,
                                   const QStringList &rows) const {
    for (const QString &row : rows) {
        const auto [name, text] = SplitAssignment(row);
        SetText(dialog, name, Shown(name, text));
    }
}

// The text of a row for control @p name: the names and the list entries as
// they are, the numbers under the separator in use.
QString tst_TfrmUserDialogs::Shown(const QString &name,
                                   const QString &text) const {
    return name.startsWith(QStringLiteral("edtE")) ||
                   name.startsWith(QStringLiteral("edtDatum")) ||
                   name.startsWith(QStringLiteral("cbo"))
               ? text
               : Typed(text, m_sep);
}

// The control names of "name=text" rows, and the rows as a dialog shows them.
std::pair<QStringList, QStringList>
tst_TfrmUserDialogs::NamesAndShown(const QStringList &rows) const {
    QStringList names, shown;
    for (const QString &row : rows) {
        const auto [name, text] = SplitAssignment(row);
        names << name;
        shown << name + u'=' + Shown(name, text);
    }
    return {names, shown};
}

// What the controls @p names of the dialog of @p action show once entry
// @p index of its list @p list is chosen; the dialog is closed with Cancel.
QStringList tst_TfrmUserDialogs::Chosen(const QString &action,
                                        const QString &list, int index,
                                        const QStringList &names) {
    QStringList shown;
    Run(
        action,
        [&](QDialog &d) {
            Child<QComboBox>(d, list)->setCurrentIndex(index);
            shown = Snapshot(d, names);
        },
        QDialog::Rejected);
    return shown;
}

QComboBox *tst_TfrmUserDialogs::List(const char *name) const {
    QDialog *dialog =
        QString::fromLatin1(name) == u"cboEllipsoid"
            ? static_cast<QDialog *>(m_window->findChild<TfrmUserDatum *>())
            : m_window->findChild<TfrmDatum *>();
    return Child<QComboBox>(*dialog, QString::fromLatin1(name));
}

// Row 0 of both catalogues of both engines and entry 0 of the three lists.
QStringList tst_TfrmUserDialogs::CatalogueState() const {
    return {
        EllipsoidRow0(*m_window->pCoord1), EllipsoidRow0(*m_window->pCoord2),
        DatumRow0(*m_window->pCoord1),     DatumRow0(*m_window->pCoord2),
        List("cboEllipsoid")->itemText(0), List("cboDatum1")->itemText(0),
        List("cboDatum2")->itemText(0)};
}

// ---- forms and first contents -----------------------------------------------

void tst_TfrmUserDialogs::form_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("captions");
    QTest::addColumn<QStringList>("defaults"); // the form's own texts
    QTest::newRow("user ellipsoid")
        << "UserEllipsoid1"
        << "User Ellipsoid"
        << QStringList{"Ellipsoid Name:", "Semi-Major Axis",
                       "Inverse Flattening"}
        << QStringList{"edtEllipsoid=User Ellipsoid", "edtA=0", "edtF=0"};
    QTest::newRow("user datum")
        << "UserDatum1"
        << "User Datum" << QStringList{"Datum Name:",
                                       "Semi-Major Axis",
                                       "Inverse Flattening",
                                       "Dx",
                                       "Dy",
                                       "Dz"}
        << QStringList{"edtDatum=User Datum", "edtDx=0", "edtDy=0", "edtDz=0"};
}

void tst_TfrmUserDialogs::form() {
    QFETCH(QString, action);
    QFETCH(QString, title);
    QFETCH(QStringList, captions);
    QFETCH(QStringList, defaults);
    QDialog *dialog = DialogTitled(title);
    QVERIFY(dialog != nullptr);
    QVERIFY(!dialog->isVisible());
    QCOMPARE(Snapshot(*dialog, NamesOf(defaults)), defaults);
    QStringList shownCaptions;
    for (const QLabel *label : dialog->findChildren<QLabel *>()) {
        if (captions.contains(label->text()))
            shownCaptions << label->text();
    }
    shownCaptions.sort();
    captions.sort();
    QCOMPARE(shownCaptions, captions);

    bool modal = false, fixedSize = false, buttons = false;
    const DialogRun run = Run(
        action,
        [&](QDialog &d) {
            modal = d.isModal();
            fixedSize = d.minimumSize() == d.maximumSize();
            buttons = CancelLeftOfOk(d);
        },
        QDialog::Rejected);
    QCOMPARE(run.dialogs, 1);
    QCOMPARE(run.title, title);
    QVERIFY(modal);
    QVERIFY(fixedSize);
    QVERIFY(buttons);
}

void tst_TfrmUserDialogs::ellipsoidList() {
    // A pick list of the name parts of the catalogue, position = index.
    QComboBox *list = List("cboEllipsoid");
    QVERIFY(!list->isEditable());
    QCOMPARE(list->count(), 29);
    const QStringList expected{"0=User Ellipsoid",
                               "1=Airy 1830",
                               "4=Bessel 1841",
                               "9=Fischer 1960",
                               "12=Geodetic Reference System 1980",
                               "18=WGS 60",
                               "21=WGS 84",
                               "22=Bessel 1841",
                               "25=Everest(Sabah Sarawak)",
                               "26=SGS 85",
                               "27=Everest(Pakistan)",
                               "28=Indonesian 1974"};
    for (const QString &row : expected) {
        const auto [index, name] = SplitAssignment(row);
        QCOMPARE(list->itemText(index.toInt()), name);
    }
}

void tst_TfrmUserDialogs::firstOpening_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<QStringList>("shown");
    QTest::newRow("user ellipsoid")
        << "UserEllipsoid1"
        << QStringList{"edtEllipsoid=User Ellipsoid", "edtA=6378137",
                       "edtF=298.257223563"};
    QTest::newRow("user datum") << "UserDatum1"
                                << QStringList{"edtDatum=User Datum",
                                               "cboEllipsoid=0:User Ellipsoid",
                                               "lblA=6378137",
                                               "lblF=298.257223563",
                                               "edtDx=0",
                                               "edtDy=0",
                                               "edtDz=0"};
}

void tst_TfrmUserDialogs::firstOpening() {
    QFETCH(QString, action);
    QFETCH(QStringList, shown);
    const auto [names, expected] = NamesAndShown(shown);
    QCOMPARE(Opened(action, names), expected);
}

void tst_TfrmUserDialogs::ellipsoidChoiceShowsConstants_data() {
    QTest::addColumn<int>("ellipsoid");
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("invf");
    QTest::newRow("Bessel 1841(BR)") << 4 << "6377397.155"
                                     << "299.1528128";
    QTest::newRow("Geodetic Reference System 1980") << 12 << "6378137"
                                                    << "298.257222101";
    QTest::newRow("Hough 1960") << 14 << "6378270"
                                << "297";
    QTest::newRow("Everest(Sabah Sarawak)") << 25 << "6377298.556"
                                            << "300.8017";
}

void tst_TfrmUserDialogs::ellipsoidChoiceShowsConstants() {
    QFETCH(int, ellipsoid);
    QFETCH(QString, a);
    QFETCH(QString, invf);
    const QStringList before = CatalogueState();
    const QStringList shown =
        Chosen(QStringLiteral("UserDatum1"), QStringLiteral("cboEllipsoid"),
               ellipsoid, {"lblA", "lblF"});
    QCOMPARE(shown, (QStringList{"lblA=" + Typed(a, m_sep),
                                 "lblF=" + Typed(invf, m_sep)}));
    QCOMPARE(CatalogueState(), before);
}

// ---- definitions ------------------------------------------------------------

void tst_TfrmUserDialogs::userEllipsoidReachesEnginesAndList() {
    const QStringList datumsBefore{List("cboDatum1")->itemText(0),
                                   List("cboDatum2")->itemText(0)};
    Define(QStringLiteral("UserEllipsoid1"),
           {"edtEllipsoid=Hayford 1909(HF)", "edtA=6378388", "edtF=297"});
    for (COORD *engine : {m_window->pCoord1.get(), m_window->pCoord2.get()})
        QCOMPARE(EllipsoidRow0(*engine),
                 QStringLiteral("Hayford 1909(HF)|6378388|297"));
    // The user-datum dialog's list shows the whole text, code included.
    QCOMPARE(List("cboEllipsoid")->itemText(0),
             QStringLiteral("Hayford 1909(HF)"));
    QCOMPARE((QStringList{List("cboDatum1")->itemText(0),
                          List("cboDatum2")->itemText(0)}),
             datumsBefore);

    QCOMPARE(Opened(QStringLiteral("UserEllipsoid1"),
                    {"edtEllipsoid", "edtA", "edtF"}),
             (QStringList{"edtEllipsoid=Hayford 1909(HF)", "edtA=6378388",
                          "edtF=297"}));
    QCOMPARE(
        Opened(QStringLiteral("UserDatum1"), {"cboEllipsoid", "lblA", "lblF"}),
        (QStringList{"cboEllipsoid=0:Hayford 1909(HF)", "lblA=6378388",
                     "lblF=297"}));
    // The datum dialog shows the name part for a datum on that ellipsoid.
    const QStringList shown =
        Chosen(QStringLiteral("SetDatum1"), QStringLiteral("cboDatum2"), 0,
               {"lblEllipsoid2", "lblA2", "lblF2"});
    QCOMPARE(shown, (QStringList{"lblEllipsoid2=Hayford 1909", "lblA2=6378388",
                                 "lblF2=297"}));
}

void tst_TfrmUserDialogs::userDatumReachesEnginesAndLists() {
    const QString ellipsoidEntry = List("cboEllipsoid")->itemText(0);
    Define(QStringLiteral("UserDatum1"),
           {"edtDatum=Seoul 1985(SEO)", "edtDx=-146.43", "edtDy=507.89",
            "edtDz=12.5"},
           4);
    for (COORD *engine : {m_window->pCoord1.get(), m_window->pCoord2.get()})
        QCOMPARE(DatumRow0(*engine),
                 QStringLiteral("Seoul 1985(SEO)|4|-146.43|507.89|12.5"));
    QCOMPARE(List("cboDatum1")->itemText(0), QStringLiteral("Seoul 1985(SEO)"));
    QCOMPARE(List("cboDatum2")->itemText(0), QStringLiteral("Seoul 1985(SEO)"));
    QCOMPARE(List("cboEllipsoid")->itemText(0), ellipsoidEntry);

    // The next opening shows the stored row; the name field its own text.
    QCOMPARE(
        Opened(QStringLiteral("UserDatum1"),
               {"edtDatum", "cboEllipsoid", "lblA", "lblF", "edtDx", "edtDy",
                "edtDz"}),
        (QStringList{"edtDatum=Seoul 1985(SEO)", "cboEllipsoid=4:Bessel 1841",
                     "lblA=" + Num("6377397.155"), "lblF=" + Num("299.1528128"),
                     "edtDx=" + Num("-146.43"), "edtDy=" + Num("507.89"),
                     "edtDz=" + Num("12.5")}));
    const QStringList shown =
        Chosen(QStringLiteral("SetDatum1"), QStringLiteral("cboDatum1"), 0,
               {"cboDatum1", "lblEllipsoid1", "lblDx1", "lblDz1"});
    QCOMPARE(
        shown,
        (QStringList{"cboDatum1=0:Seoul 1985(SEO)", "lblEllipsoid1=Bessel 1841",
                     "lblDx1=" + Num("-146.43"), "lblDz1=" + Num("12.5")}));
}

void tst_TfrmUserDialogs::cancelChangesNothing_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<QStringList>("typed");
    QTest::addColumn<QStringList>("reopened");
    // The user-ellipsoid dialog is refilled from the engine; the user-datum
    // dialog's name field keeps the text typed before Cancel.
    QTest::newRow("user ellipsoid")
        << "UserEllipsoid1"
        << QStringList{"edtEllipsoid=Mine", "edtA=1", "edtF=2"}
        << QStringList{"edtEllipsoid=User Ellipsoid", "edtA=6378137",
                       "edtF=298.257223563"};
    QTest::newRow("user datum")
        << "UserDatum1"
        << QStringList{"edtDatum=Mine", "edtDx=1", "edtDy=2", "edtDz=3"}
        << QStringList{"edtDatum=Mine", "edtDx=0", "edtDy=0", "edtDz=0"};
}

void tst_TfrmUserDialogs::cancelChangesNothing() {
    QFETCH(QString, action);
    QFETCH(QStringList, typed);
    QFETCH(QStringList, reopened);
    const QStringList before = CatalogueState();
    const DialogRun run = Run(
        action,
        [&](QDialog &d) {
            for (const QString &row : typed) {
                const auto [name, text] = SplitAssignment(row);
                SetText(d, name, text);
            }
            if (auto *list = d.findChild<QComboBox *>("cboEllipsoid"))
                list->setCurrentIndex(7);
        },
        QDialog::Rejected);
    QCOMPARE(run.dialogs, 1);
    QCOMPARE(CatalogueState(), before);
    const auto [names, expected] = NamesAndShown(reopened);
    QCOMPARE(Opened(action, names), expected);
    if (action == QStringLiteral("UserDatum1")) {
        QCOMPARE(Opened(action, {"cboEllipsoid"}),
                 QStringList{"cboEllipsoid=0:User Ellipsoid"});
        // The kept text is stored only by an OK.
        Define(action, {});
        QCOMPARE(DatumRow0(*m_window->pCoord2), QStringLiteral("Mine|0|0|0|0"));
        QCOMPARE(List("cboDatum1")->itemText(0), QStringLiteral("Mine"));
    }
}

void tst_TfrmUserDialogs::takesEffectOnlyAtSetDatum() {
    // Side 2 on the user datum, as defined at start (WGS 84 values, no shift).
    Run(QStringLiteral("SetDatum1"), [](QDialog &d) {
        Child<QComboBox>(d, QStringLiteral("cboDatum2"))->setCurrentIndex(0);
    });
    QCOMPARE(m_window->pCoord2->GetDatum(), 0);
    QCOMPARE(m_window->stDatum2()->text(), QStringLiteral("User Datum"));

    // Redefined as a copy of "Tokyo(---)".
    Define(QStringLiteral("UserEllipsoid1"),
           {"edtEllipsoid=Bessel(BR)", "edtA=6377397.155", "edtF=299.1528128"});
    Define(QStringLiteral("UserDatum1"),
           {"edtDatum=Tokyo copy", "edtDx=-105.627", "edtDy=462.37",
            "edtDz=643.258"},
           0);

    auto carry = [&]() {
        SetPoint(QStringLiteral("1"), "36.0", "127.5", "50");
        const QList<ShownBox> boxes = Trigger(QStringLiteral("Dt1"));
        if (!boxes.isEmpty())
            qWarning("error box: %s", qPrintable(boxes[0].text));
        return QList<double>{Value(QStringLiteral("edtLatDd2")),
                             Value(QStringLiteral("edtLonDd2")),
                             Value(QStringLiteral("edtAltDd2"))};
    };

    // Still the old values: no shift, WGS 84's ellipsoid, the old name.
    QCOMPARE(m_window->pCoord2->m_dbLocal_a, 6378137.0);
    QCOMPARE(m_window->pCoord2->m_dbLocal_dx, 0.0);
    QCOMPARE(m_window->stDatum2()->text(), QStringLiteral("User Datum"));
    QCOMPARE(m_window->stUtm2()->text(), QStringLiteral("User Datum(UTM)"));
    QList<double> p = carry();
    QVERIFY(std::fabs(p[0] - 36.0) <= DEG_SHIFT);
    QVERIFY(std::fabs(p[1] - 127.5) <= DEG_SHIFT);
    QVERIFY(std::fabs(p[2] - 50.0) <= M_SHIFT);

    // "Set &Datum" confirmed again, with no change in the dialog; the side
    // already on entry 0 describes the new definition.
    QStringList shown;
    const DialogRun run = Run(QStringLiteral("SetDatum1"), [&](QDialog &d) {
        shown = Snapshot(d, {"cboDatum2", "lblEllipsoid2", "lblA2", "lblDx2"});
    });
    QCOMPARE(run.dialogs, 1);
    QCOMPARE(shown,
             (QStringList{"cboDatum2=0:Tokyo copy", "lblEllipsoid2=Bessel",
                          "lblA2=" + Num("6377397.155"),
                          "lblDx2=" + Num("-105.627")}));
    QCOMPARE(m_window->stDatum2()->text(), QStringLiteral("Tokyo copy"));
    QCOMPARE(m_window->stUtm2()->text(), QStringLiteral("Tokyo copy(UTM)"));
    QCOMPARE(m_window->m_strDatumName2, QStringLiteral("Tokyo copy"));
    QCOMPARE(m_window->pCoord2->m_dbLocal_a, 6377397.155);
    p = carry();
    QVERIFY(std::fabs(p[0] - 35.997024333036073) <= DEG_SHIFT);
    QVERIFY(std::fabs(p[1] - 127.502192367521999) <= DEG_SHIFT);
    QVERIFY(std::fabs(p[2] - 40.034479221162279) <= M_SHIFT);
    // Side 1 was never on the user datum.
    QCOMPARE(m_window->pCoord1->GetDatum(), 133);
}

// ---- names longer than their records ----------------------------------------

void tst_TfrmUserDialogs::longNamesCutToRecord_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored");
    // The records hold 39 (ellipsoid) and 51 (datum) bytes of UTF-8; a cut
    // never splits a character.
    QTest::newRow("ellipsoid, ASCII")
        << "UserEllipsoid1" << QString(45, u'E') << QString(39, u'E');
    QTest::newRow("ellipsoid, Hangul on a character boundary")
        << "UserEllipsoid1" << Repeat(GA, 14) << Repeat(GA, 13);
    QTest::newRow("ellipsoid, Hangul across the boundary")
        << "UserEllipsoid1" << u'A' + Repeat(GA, 20) << u'A' + Repeat(GA, 12);
    QTest::newRow("ellipsoid, exactly full")
        << "UserEllipsoid1" << Repeat(GA, 13) << Repeat(GA, 13);
    QTest::newRow("datum, ASCII")
        << "UserDatum1" << QString(60, u'D') << QString(51, u'D');
    QTest::newRow("datum, Hangul across the boundary")
        << "UserDatum1" << u'A' + Repeat(GA, 20) << u'A' + Repeat(GA, 16);
    QTest::newRow("datum, Hangul with a code")
        << "UserDatum1" << Repeat(GA, 15) + QStringLiteral("(KOR-A)")
        << Repeat(GA, 15) + QStringLiteral("(KOR-A");
    QTest::newRow("datum, empty") << "UserDatum1"
                                  << ""
                                  << "";
}

void tst_TfrmUserDialogs::longNamesCutToRecord() {
    QFETCH(QString, action);
    QFETCH(QString, typed);
    QFETCH(QString, stored);
    const bool ellipsoid = action == QStringLiteral("UserEllipsoid1");
    Define(action, {(ellipsoid ? QStringLiteral("edtEllipsoid=")
                               : QStringLiteral("edtDatum=")) +
                    typed});
    QVERIFY(stored.toUtf8().size() <= (ellipsoid ? 39 : 51));
    for (COORD *engine : {m_window->pCoord1.get(), m_window->pCoord2.get()}) {
        const QString row =
            ellipsoid ? EllipsoidRow0(*engine) : DatumRow0(*engine);
        QCOMPARE(row.section(u'|', 0, 0), stored);
    }
    // The lists show the names as stored, so they name what the engines hold.
    if (ellipsoid) {
        QCOMPARE(List("cboEllipsoid")->itemText(0), stored);
    } else {
        QCOMPARE(List("cboDatum1")->itemText(0), stored);
        QCOMPARE(List("cboDatum2")->itemText(0), stored);
        // And so do the main window's labels once it is selected.
        Run(QStringLiteral("SetDatum1"), [](QDialog &d) {
            Child<QComboBox>(d, QStringLiteral("cboDatum1"))
                ->setCurrentIndex(0);
        });
        QCOMPARE(m_window->stDatum1()->text(), stored);
        QCOMPARE(m_window->stUtm1()->text(), stored + QStringLiteral("(UTM)"));
    }
}

// ---- unreadable numbers -----------------------------------------------------

void tst_TfrmUserDialogs::unreadableNumberStoresNothing_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<QStringList>("typed");
    QTest::addColumn<QString>("message"); // "~": the separator not in use
    const QString abc =
        QStringLiteral("'abc' is not a valid floating point value.");
    QTest::newRow("semi-major axis")
        << "UserEllipsoid1"
        << QStringList{"edtEllipsoid=Changed(CH)", "edtA=abc", "edtF=300"}
        << abc;
    QTest::newRow("inverse flattening")
        << "UserEllipsoid1"
        << QStringList{"edtEllipsoid=Changed(CH)", "edtA=6378000", "edtF=abc"}
        << abc;
    QTest::newRow("both: the semi-major axis is read first")
        << "UserEllipsoid1" << QStringList{"edtA=abc", "edtF=x"} << abc;
    QTest::newRow("the other decimal separator")
        << "UserEllipsoid1" << QStringList{"edtA=6378000~5"}
        << "'6378000~5' is not a valid floating point value.";
    QTest::newRow("dx") << "UserDatum1"
                        << QStringList{"edtDatum=Changed", "edtDx=abc"} << abc;
    QTest::newRow("dy, empty")
        << "UserDatum1" << QStringList{"edtDatum=Changed", "edtDy="}
        << "'' is not a valid floating point value.";
    QTest::newRow("dz") << "UserDatum1"
                        << QStringList{"edtDatum=Changed", "edtDz=abc"} << abc;
    QTest::newRow("dx before dz")
        << "UserDatum1" << QStringList{"edtDz=q", "edtDx=abc"} << abc;
}

void tst_TfrmUserDialogs::unreadableNumberStoresNothing() {
    QFETCH(QString, action);
    QFETCH(QStringList, typed);
    QFETCH(QString, message);
    message.replace(u'~', m_sep == '.' ? u',' : u'.');
    const QStringList before = CatalogueState();
    const DialogRun run = Run(action, [&](QDialog &d) {
        TypeRows(d, typed);
        if (auto *list = d.findChild<QComboBox *>("cboEllipsoid"))
            list->setCurrentIndex(5);
    });
    QCOMPARE(run.dialogs, 1);
    QCOMPARE(run.boxes.size(), 1);
    QCOMPARE(run.boxes[0].text, message);
    QCOMPARE(run.boxes[0].title, QStringLiteral("ZEPHANIX NLVX"));
    QCOMPARE(CatalogueState(), before);
}

void tst_TfrmUserDialogs::noEllipsoidSelectedStoresNothing() {
    // A list without a selection (which the user cannot produce) stores no
    // ellipsoid index, and so nothing at all.
    const QStringList before = CatalogueState();
    const DialogRun run = Run(QStringLiteral("UserDatum1"), [](QDialog &d) {
        SetText(d, QStringLiteral("edtDatum"), QStringLiteral("Changed"));
        Child<QComboBox>(d, QStringLiteral("cboEllipsoid"))
            ->setCurrentIndex(-1);
    });
    QCOMPARE(run.dialogs, 1);
    QVERIFY(run.boxes.isEmpty());
    QCOMPARE(CatalogueState(), before);
}

QTEST_MAIN(tst_TfrmUserDialogs)
#include "tst_TfrmUserDialogs.moc"
