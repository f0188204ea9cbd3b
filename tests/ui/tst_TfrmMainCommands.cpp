// The six commands of the Transformation and Conversion menus: what they read,
// what they write, and that a failure leaves every field as it was.
//
// Reference values come from PROJ 9.1 (cct), the datum constants from the
// published WGS 84 datum tables:
//   W2T  WGS 84 -> Tokyo(---): +proj=molodensky +ellps=WGS84 +dx=105.627
//        +dy=-462.37 +dz=-643.258 +da=-739.845 +df=-1.003748257267484e-05
//   T2W  Tokyo(---) -> WGS 84: +proj=molodensky +a=6377397.155
//        +rf=299.1528128 +dx=-105.627 +dy=462.37 +dz=643.258 +da=739.845
//        +df=1.003748257267484e-05
//   A2W  Adindan(ADI-M) -> WGS 84: +proj=molodensky +a=6378249.145 +rf=293.465
//        +dx=-166 +dy=-15 +dz=204 +da=-112.145 +df=-5.475071395185310e-05
//   W2A  its reverse: the ellipsoid WGS84 and every constant negated
//   UTM  +proj=tmerc +lat_0=0 +lon_0=129 +k=0.9996 +x_0=500000 +y_0=0
//   TM   +proj=tmerc +lat_0=38 +lon_0=127.0028902777777776 +k=1 +x_0=200000
//        +y_0=500000
//   G7   +proj=tmerc +lat_0=38 +lon_0=128 +k=0.9999 +x_0=400000 +y_0=600000
//   ECEF +proj=cart
// each with +ellps=WGS84 (side 1) or +a=6377397.155 +rf=299.1528128 (side 2),
// run as `echo "lon lat h 0" | cct -d 15 <operation>` (-I for the inverse).
#include "Coord.h"
#include "Fmain.h"
#include "MainWindowFixture.h"
#include "NumberText.h"
#include "UiTestSupport.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

#include <cfenv>
#include <cmath>

namespace {

// Tolerances: the Molodensky results agree with PROJ to rounding (1e-10
// degrees is 0.01 mm); the grid series of the engine against PROJ's exact
// Transverse Mercator to well under a millimetre within a few degrees of the
// central meridian; Bowring's single step against the exact inverse likewise.
constexpr double DEG_SHIFT = 1e-10;
constexpr double M_SHIFT = 1e-6;
constexpr double M_GRID = 1e-3;
constexpr double DEG_GRID = 1e-8;

QString Q(const char *text) { return QString::fromLatin1(text); }

} // namespace

class tst_TfrmMainCommands : public QObject, private MainWindowFixture {
    Q_OBJECT

  private slots:
    void initTestCase_data();
    void init();
    void cleanup();

    void transform_data();
    void transform();
    void molodenskyStepsRun_data();
    void molodenskyStepsRun();
    void sameDatumCopiesTheTexts_data();
    void sameDatumCopiesTheTexts();
    void roundTripAfterStartup();
    void geoToGrid_data();
    void geoToGrid();
    void gridToGeo_data();
    void gridToGeo();
    void staleFaultFlagsRaiseNoError_data();
    void staleFaultFlagsRaiseNoError();
    void failureLeavesEveryField_data();
    void failureLeavesEveryField();
    void commandIntoFocusedFieldKeepsItsPoint_data();
    void commandIntoFocusedFieldKeepsItsPoint();

  private:
    void TypeThenRun(const QString &field, const QString &typed,
                     const QString &action, bool keepFocus);
    void SetDatums(std::int32_t datum1, std::int32_t datum2);
    void SetTexts(const QStringList &assignments);
    void SetRow(const QStringList &stems, const QString &side,
                const QStringList &texts);
    template <typename Kept>
    void CheckKept(const QMap<QString, QString> &before, Kept kept);
    void Run(const QString &action);
    void CheckAngle(const QString &prefix, const QString &side, double expected,
                    double tolerance);
};

void tst_TfrmMainCommands::initTestCase_data() { AddSeparatorRows(); }

void tst_TfrmMainCommands::init() { OpenWindow(); }

void tst_TfrmMainCommands::cleanup() { CloseWindow(); }

// The datum dialog changes a side's index and its engine together.
void tst_TfrmMainCommands::SetDatums(std::int32_t datum1, std::int32_t datum2) {
    m_window->pCoord1->SetDatum(datum1);
    m_window->m_nDatum1 = datum1;
    m_window->pCoord2->SetDatum(datum2);
    m_window->m_nDatum2 = datum2;
}

// Program writes into fields that do not hold the focus: no recomputation.
void tst_TfrmMainCommands::SetTexts(const QStringList &assignments) {
    for (const QString &row : assignments) {
        const auto [name, text] = SplitAssignment(row);
        Field(name)->setText(Localised(text, m_sep));
    }
}

// Writes @p texts into the fields @p stems of side @p side, as SetTexts.
void tst_TfrmMainCommands::SetRow(const QStringList &stems, const QString &side,
                                  const QStringList &texts) {
    QStringList assignments;
    for (int i = 0; i < stems.size(); ++i)
        assignments << stems[i] + side + QStringLiteral("=") + texts[i];
    SetTexts(assignments);
}

// Every field @p kept names still shows the text it showed in @p before.
template <typename Kept>
void tst_TfrmMainCommands::CheckKept(const QMap<QString, QString> &before,
                                     Kept kept) {
    const QMap<QString, QString> after = FieldTexts(*m_window);
    for (auto it = before.cbegin(); it != before.cend(); ++it) {
        if (kept(it.key()))
            QCOMPARE(after.value(it.key()), it.value());
    }
}

void tst_TfrmMainCommands::Run(const QString &action) {
    auto *item = m_window->findChild<QAction *>(action);
    QVERIFY(item != nullptr);
    ErrorBoxCatcher catcher;
    item->trigger();
    QVERIFY2(catcher.boxes.isEmpty(), qPrintable(catcher.boxes.value(0).text));
}

// The DM and DMS rows of one angle follow its DD value: degrees and minutes
// exactly, the real parts within the tolerance scaled to their unit.
void tst_TfrmMainCommands::CheckAngle(const QString &prefix,
                                      const QString &side, double expected,
                                      double tolerance) {
    const double dd = Value(prefix + QStringLiteral("Dd") + side);
    QVERIFY2(std::fabs(dd - expected) <= tolerance,
             qPrintable(prefix + side + QStringLiteral(" ") +
                        Field(prefix + QStringLiteral("Dd") + side)->text()));
    const double a = std::fabs(expected);
    const int d = int(a);
    const double m = (a - d) * 60;
    const int mi = int(m);
    const double s = (m - mi) * 60;
    const QString sign = expected < 0 ? QStringLiteral("-") : QString();
    QCOMPARE(Field(prefix + QStringLiteral("Dmd") + side)->text(),
             sign + QString::number(d));
    QVERIFY(std::fabs(Value(prefix + QStringLiteral("Dmm") + side) - m) <=
            tolerance * 60);
    QCOMPARE(Field(prefix + QStringLiteral("Dmsd") + side)->text(),
             sign + QString::number(d));
    QCOMPARE(Field(prefix + QStringLiteral("Dmsm") + side)->text(),
             QString::number(mi));
    QVERIFY(std::fabs(Value(prefix + QStringLiteral("Dmss") + side) - s) <=
            tolerance * 3600);
}

// ---- Datum1->Datum2, Datum2->Datum1 -----------------------------------------

void tst_TfrmMainCommands::transform_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("datum1");
    QTest::addColumn<int>("datum2");
    QTest::addColumn<QStringList>("input"); // lat, lon, alt of the source
    QTest::addColumn<double>("lat");
    QTest::addColumn<double>("lon");
    QTest::addColumn<double>("alt");
    const QStringList p1{"37.5", "127.25", "100"};
    const QStringList p2{"35.6812", "139.7671", "40"};
    const QStringList p3{"33.2", "126.3", "-5"};
    // One step, into side 2's datum (W2T).
    QTest::newRow("WGS 84 to Tokyo, Seoul")
        << "Dt1" << 133 << 125 << p1 << 37.497193082290053
        << 127.252214152428323 << 80.945811364750554;
    QTest::newRow("WGS 84 to Tokyo, Tokyo")
        << "Dt1" << 133 << 125 << p2 << 35.677917334962167
        << 139.770245634070818 << 73.993079700967343;
    QTest::newRow("WGS 84 to Tokyo, Jeju")
        << "Dt1" << 133 << 125 << p3 << 33.196746572844233
        << 126.302022714019600 << -1.406536872273112;
    // One step, out of side 2's datum (T2W).
    QTest::newRow("Tokyo to WGS 84, Seoul")
        << "Dt2" << 133 << 125 << p1 << 37.502807090398562
        << 127.247785582480958 << 119.048846550058187;
    QTest::newRow("Tokyo to WGS 84, Tokyo")
        << "Dt2" << 133 << 125 << p2 << 35.684482888382405
        << 139.763953990273393 << 6.002023294311783;
    // WGS 84 on side 2 and a local datum on side 1.
    QTest::newRow("Tokyo to WGS 84, sides exchanged")
        << "Dt1" << 125 << 133 << p3 << 33.203253647965781
        << 126.297977045244309 << -8.597770489835007;
    // Two steps through WGS 84 (A2W then W2T, and T2W then W2A).
    QTest::newRow("Adindan to Tokyo")
        << "Dt1" << 1 << 125 << p1 << 37.495125610599395 << 127.253811084095773
        << 258.257598322282092;
    QTest::newRow("Tokyo to Adindan")
        << "Dt2" << 1 << 125 << p1 << 37.504874383294570 << 127.246188510284625
        << -58.231863642608346;
}

void tst_TfrmMainCommands::transform() {
    QFETCH(QString, action);
    QFETCH(int, datum1);
    QFETCH(int, datum2);
    QFETCH(QStringList, input);
    QFETCH(double, lat);
    QFETCH(double, lon);
    QFETCH(double, alt);
    SetDatums(datum1, datum2);
    const QString from = action == QStringLiteral("Dt1") ? Q("1") : Q("2");
    const QString to = action == QStringLiteral("Dt1") ? Q("2") : Q("1");
    SetRow({"edtLatDd", "edtLonDd", "edtAltDd"}, from, input);
    QMap<QString, QString> untouched = FieldTexts(*m_window);

    Run(action);

    CheckAngle(Q("edtLat"), to, lat, DEG_SHIFT);
    CheckAngle(Q("edtLon"), to, lon, DEG_SHIFT);
    QVERIFY(std::fabs(Value(QStringLiteral("edtAltDd") + to) - alt) <= M_SHIFT);
    // Nothing else moves: the source side and both grid rows.
    CheckKept(untouched, [&](const QString &name) {
        return !name.endsWith(to) || name.startsWith(QStringLiteral("edtUtm"));
    });
}

void tst_TfrmMainCommands::molodenskyStepsRun_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("datum1");
    QTest::addColumn<int>("datum2");
    QTest::addColumn<bool>("toWgs84");   // a step out of the source datum
    QTest::addColumn<bool>("fromWgs84"); // a step into the target datum
    // Which steps run shows in the engines' trace files: "LOC2WGS.txt" for a
    // step out of a local datum, "WGS2LOC.txt" for a step into one.
    QTest::newRow("WGS 84 to Tokyo") << "Dt1" << 133 << 125 << false << true;
    QTest::newRow("Tokyo to WGS 84") << "Dt1" << 125 << 133 << true << false;
    QTest::newRow("Adindan to Tokyo") << "Dt1" << 1 << 125 << true << true;
    QTest::newRow("Tokyo to Adindan") << "Dt2" << 1 << 125 << true << true;
    QTest::newRow("Tokyo (side 2) to WGS 84")
        << "Dt2" << 133 << 125 << true << false;
    QTest::newRow("same datum, WGS 84")
        << "Dt1" << 133 << 133 << false << false;
    QTest::newRow("same datum, Tokyo") << "Dt2" << 125 << 125 << false << false;
}

void tst_TfrmMainCommands::molodenskyStepsRun() {
    QFETCH(QString, action);
    QFETCH(int, datum1);
    QFETCH(int, datum2);
    QFETCH(bool, toWgs84);
    QFETCH(bool, fromWgs84);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    SetDatums(datum1, datum2);
    m_window->pCoord1->SetTrace(1);
    m_window->pCoord2->SetTrace(1);
    Run(action);
    m_window->pCoord1->SetTrace(0);
    m_window->pCoord2->SetTrace(0);
    const bool loc2wgs = QFile::exists(dir.filePath("LOC2WGS.txt"));
    const bool wgs2loc = QFile::exists(dir.filePath("WGS2LOC.txt"));
    QVERIFY(QDir::setCurrent(previous));
    QCOMPARE(loc2wgs, toWgs84);
    QCOMPARE(wgs2loc, fromWgs84);
}

void tst_TfrmMainCommands::sameDatumCopiesTheTexts_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("datum");
    // The copy reads and rewrites in the general format, and runs no
    // Molodensky step: on Tokyo(---) two steps would not give back the input.
    QTest::newRow("WGS 84, Datum1->Datum2") << "Dt1" << 133;
    QTest::newRow("WGS 84, Datum2->Datum1") << "Dt2" << 133;
    QTest::newRow("Tokyo, Datum1->Datum2") << "Dt1" << 125;
    QTest::newRow("Tokyo, Datum2->Datum1") << "Dt2" << 125;
}

void tst_TfrmMainCommands::sameDatumCopiesTheTexts() {
    QFETCH(QString, action);
    QFETCH(int, datum);
    SetDatums(datum, datum);
    const QString from = action == QStringLiteral("Dt1") ? Q("1") : Q("2");
    const QString to = action == QStringLiteral("Dt1") ? Q("2") : Q("1");
    SetTexts({QStringLiteral("edtLatDd") + from + QStringLiteral("= 37.50"),
              QStringLiteral("edtLonDd") + from + QStringLiteral("=+127.250"),
              QStringLiteral("edtAltDd") + from + QStringLiteral("=12.250 ")});
    Run(action);
    const char *expected[][2] = {
        {"edtLatDd", "37.5"}, {"edtLonDd", "127.25"}, {"edtAltDd", "12.25"},
        {"edtLatDmd", "37"},  {"edtLatDmm", "30"},    {"edtLatDmsd", "37"},
        {"edtLatDmsm", "30"}, {"edtLatDmss", "0"},    {"edtLonDmd", "127"},
        {"edtLonDmm", "15"},  {"edtLonDmsd", "127"},  {"edtLonDmsm", "15"},
        {"edtLonDmss", "0"}};
    for (const auto &row : expected)
        QCOMPARE(Field(Q(row[0]) + to)->text(), Localised(Q(row[1]), m_sep));
}

void tst_TfrmMainCommands::roundTripAfterStartup() {
    // Right after start-up, Datum2->Datum1 carries side 2 back to WGS 84.
    // T2W of side 2's start-up point (37.479037230157168, 127.006734786376285,
    // -19.617880092689219) gives 37.481842152673245, 127.004541704575203,
    // -0.026462312035914; the default point itself (37.4818416208333,
    // 127.004542079167, 0) is met within the metre-level accuracy of the
    // Molodensky formulas.
    Run(Q("Dt2"));
    CheckAngle(Q("edtLat"), Q("1"), 37.481842152673245, DEG_SHIFT);
    CheckAngle(Q("edtLon"), Q("1"), 127.004541704575203, DEG_SHIFT);
    QVERIFY(std::fabs(Value(Q("edtAltDd1")) - -0.026462312035914) <= M_SHIFT);
    QVERIFY(std::fabs(Value(Q("edtLatDd1")) - 37.4818416208333) < 1e-5);
    QVERIFY(std::fabs(Value(Q("edtLonDd1")) - 127.004542079167) < 1e-5);
    QVERIFY(std::fabs(Value(Q("edtAltDd1"))) < 0.5);
}

// ---- Datum->Utm, Utm->Datum -------------------------------------------------

void tst_TfrmMainCommands::geoToGrid_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QStringList>("input");
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("y");
    QTest::addColumn<double>("z");
    const QStringList p1{"37.5", "127.25", "12.5"};
    const QStringList p2{"36", "128.5", "100"};
    QTest::newRow("side 1, UTM")
        << "Dt1cc1" << CS_UTM << p1 << 345311.084036 << 4151779.705264 << 12.5;
    QTest::newRow("side 1, TM")
        << "Dt1cc1" << CS_TM << p1 << 221850.804653 << 444532.808382 << 12.5;
    QTest::newRow("side 1, G7")
        << "Dt1cc1" << CS_G7 << p1 << 333687.053642 << 544773.894608 << 12.5;
    QTest::newRow("side 1, ECEF")
        << "Dt1cc1" << CS_ECEF << p1 << -3066670.339427 << 4032876.221339
        << 3861571.708327;
    QTest::newRow("side 2, UTM")
        << "Dt2cc2" << CS_UTM << p2 << 454941.393821 << 3983667.558262 << 100.0;
    QTest::newRow("side 2, TM")
        << "Dt2cc2" << CS_TM << p2 << 334973.597438 << 279104.981041 << 100.0;
    QTest::newRow("side 2, G7")
        << "Dt2cc2" << CS_G7 << p2 << 445072.129170 << 378206.136787 << 100.0;
    QTest::newRow("side 2, ECEF")
        << "Dt2cc2" << CS_ECEF << p2 << -3215576.038905 << 4042533.121179
        << 3727880.167781;
}

void tst_TfrmMainCommands::geoToGrid() {
    QFETCH(QString, action);
    QFETCH(int, kind);
    QFETCH(QStringList, input);
    QFETCH(double, x);
    QFETCH(double, y);
    QFETCH(double, z);
    const QString side = action == QStringLiteral("Dt1cc1") ? Q("1") : Q("2");
    (side == QStringLiteral("1") ? m_window->pCoord1 : m_window->pCoord2)
        ->SetCoordSys(kind);
    SetRow({"edtLatDd", "edtLonDd", "edtAltDd"}, side, input);
    QMap<QString, QString> untouched = FieldTexts(*m_window);

    Run(action);

    QVERIFY(std::fabs(Value(QStringLiteral("edtUtmX") + side) - x) <= M_GRID);
    QVERIFY(std::fabs(Value(QStringLiteral("edtUtmY") + side) - y) <= M_GRID);
    QVERIFY(std::fabs(Value(QStringLiteral("edtUtmZ") + side) - z) <= M_GRID);
    if (kind != CS_ECEF) // the altitude passes through as text
        QCOMPARE(Field(QStringLiteral("edtUtmZ") + side)->text(),
                 Localised(input[2], m_sep));
    CheckKept(untouched, [&](const QString &name) {
        return !name.startsWith(QStringLiteral("edtUtm")) ||
               !name.endsWith(side);
    });
}

void tst_TfrmMainCommands::gridToGeo_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QStringList>("input");
    QTest::addColumn<double>("lat");
    QTest::addColumn<double>("lon");
    QTest::addColumn<double>("alt");
    const QStringList utm{"300000", "4150000", "50"};
    const QStringList tm{"210000", "520000", "50"};
    const QStringList g7{"350000", "550000", "50"};
    const QStringList ecef{"-3050000", "4050000", "3860000"};
    QTest::newRow("side 1, UTM") << "Cc1Dt1" << CS_UTM << utm << 37.475267924917
                                 << 126.738202328551 << 50.0;
    QTest::newRow("side 1, TM") << "Cc1Dt1" << CS_TM << tm << 38.180127665594
                                << 127.117023115745 << 50.0;
    QTest::newRow("side 1, G7") << "Cc1Dt1" << CS_G7 << g7 << 37.548117019578
                                << 127.434134426859 << 50.0;
    QTest::newRow("side 1, ECEF")
        << "Cc1Dt1" << CS_ECEF << ecef << 37.469054821272 << 126.982906926345
        << 1908.891517434269;
    QTest::newRow("side 2, UTM") << "Cc2dt2" << CS_UTM << utm << 37.478993647841
                                 << 126.737819208795 << 50.0;
    QTest::newRow("side 2, TM") << "Cc2dt2" << CS_TM << tm << 38.180146989486
                                << 127.117036823926 << 50.0;
    QTest::newRow("side 2, G7") << "Cc2dt2" << CS_G7 << g7 << 37.548068435607
                                << 127.434067040410 << 50.0;
    QTest::newRow("side 2, ECEF")
        << "Cc2dt2" << CS_ECEF << ecef << 37.468476962790 << 126.982906926345
        << 2624.180661358871;
}

void tst_TfrmMainCommands::gridToGeo() {
    QFETCH(QString, action);
    QFETCH(int, kind);
    QFETCH(QStringList, input);
    QFETCH(double, lat);
    QFETCH(double, lon);
    QFETCH(double, alt);
    const QString side = action == QStringLiteral("Cc1Dt1") ? Q("1") : Q("2");
    (side == QStringLiteral("1") ? m_window->pCoord1 : m_window->pCoord2)
        ->SetCoordSys(kind);
    SetRow({"edtUtmX", "edtUtmY", "edtUtmZ"}, side, input);
    QMap<QString, QString> untouched = FieldTexts(*m_window);

    Run(action);

    CheckAngle(Q("edtLat"), side, lat, DEG_GRID);
    CheckAngle(Q("edtLon"), side, lon, DEG_GRID);
    QVERIFY(std::fabs(Value(QStringLiteral("edtAltDd") + side) - alt) <=
            M_GRID);
    if (kind != CS_ECEF) // Z passes through as the altitude
        QCOMPARE(Field(QStringLiteral("edtAltDd") + side)->text(),
                 Localised(input[2], m_sep));
    // The grid row and the other side stay as they were.
    CheckKept(untouched, [&](const QString &name) {
        return !name.endsWith(side) ||
               name.startsWith(QStringLiteral("edtUtm"));
    });
}

// ---- failures ---------------------------------------------------------------

void tst_TfrmMainCommands::staleFaultFlagsRaiseNoError_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("kind");
    QTest::newRow("Datum1->Datum2") << "Dt1" << CS_UTM;
    QTest::newRow("Datum2->Datum1") << "Dt2" << CS_UTM;
    QTest::newRow("Datum1->Utm1, UTM") << "Dt1cc1" << CS_UTM;
    QTest::newRow("Utm2->Datum2, TM") << "Cc2dt2" << CS_TM;
    QTest::newRow("Datum2->Utm2, ECEF") << "Dt2cc2" << CS_ECEF;
}

void tst_TfrmMainCommands::staleFaultFlagsRaiseNoError() {
    // Floating-point flags left raised by arithmetic outside the engine (the
    // toolkit's own, for instance) must not turn into an error box.
    QFETCH(QString, action);
    QFETCH(int, kind);
    m_window->pCoord1->SetCoordSys(kind);
    m_window->pCoord2->SetCoordSys(kind);
    SetTexts({"edtUtmX2=210000", "edtUtmY2=520000"});
    std::feraiseexcept(FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW);
    Run(action);
}

void tst_TfrmMainCommands::failureLeavesEveryField_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("kind"); // grid kind of both engines
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QString>("message");
    const QString invalid = Q("Invalid floating point operation.");
    const QString empty = Q("'' is not a valid floating point value.");
    const QStringList origin1{"edtUtmX1=0", "edtUtmY1=0", "edtUtmZ1=0"};
    const QStringList origin2{"edtUtmX2=0", "edtUtmY2=0", "edtUtmZ2=0"};
    QTest::newRow("ECEF origin, side 1")
        << "Cc1Dt1" << CS_ECEF << origin1 << invalid;
    QTest::newRow("ECEF origin, side 2")
        << "Cc2dt2" << CS_ECEF << origin2 << invalid;
    QTest::newRow("empty altitude, Datum1->Datum2")
        << "Dt1" << CS_UTM << QStringList{"edtAltDd1="} << empty;
    QTest::newRow("empty altitude, Datum2->Datum1")
        << "Dt2" << CS_UTM << QStringList{"edtAltDd2="} << empty;
    // The altitude is read even where the projection does not use it.
    QTest::newRow("empty altitude, Datum1->Utm1, UTM")
        << "Dt1cc1" << CS_UTM << QStringList{"edtAltDd1="} << empty;
    QTest::newRow("empty altitude, Datum1->Utm1, TM")
        << "Dt1cc1" << CS_TM << QStringList{"edtAltDd1="} << empty;
    QTest::newRow("empty altitude, Datum1->Utm1, G7")
        << "Dt1cc1" << CS_G7 << QStringList{"edtAltDd1="} << empty;
    QTest::newRow("empty altitude, Datum2->Utm2, ECEF")
        << "Dt2cc2" << CS_ECEF << QStringList{"edtAltDd2="} << empty;
    QTest::newRow("empty Z, Utm1->Datum1, UTM")
        << "Cc1Dt1" << CS_UTM << QStringList{"edtUtmZ1="} << empty;
    // Latitude is read first, so its text is the one reported.
    QTest::newRow("bad latitude before empty altitude")
        << "Dt1" << CS_UTM << QStringList{"edtLatDd1=12a", "edtAltDd1="}
        << Q("'12a' is not a valid floating point value.");
    QTest::newRow("bad easting")
        << "Cc2dt2" << CS_TM << QStringList{"edtUtmX2=x"}
        << Q("'x' is not a valid floating point value.");
}

void tst_TfrmMainCommands::failureLeavesEveryField() {
    QFETCH(QString, action);
    QFETCH(int, kind);
    QFETCH(QStringList, texts);
    QFETCH(QString, message);
    m_window->pCoord1->SetCoordSys(kind);
    m_window->pCoord2->SetCoordSys(kind);
    SetTexts(texts);
    const QMap<QString, QString> before = FieldTexts(*m_window);
    QStringList labels;
    for (const char *name : {"stDatum1", "stDatum2", "stUtm1", "stUtm2"})
        labels << m_window->findChild<QLabel *>(name)->text();

    ErrorBoxCatcher catcher;
    m_window->findChild<QAction *>(action)->trigger();

    QCOMPARE(catcher.boxes.size(), 1);
    const ShownBox &box = catcher.boxes.first();
    QCOMPARE(box.text, message);
    QCOMPARE(box.title, QStringLiteral("ZEPHANIX NLVX"));
    QCOMPARE(box.icon, QMessageBox::Critical);
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY(box.modal);
    QCOMPARE(FieldTexts(*m_window), before);
    QStringList labelsAfter;
    for (const char *name : {"stDatum1", "stDatum2", "stUtm1", "stUtm2"})
        labelsAfter << m_window->findChild<QLabel *>(name)->text();
    QCOMPARE(labelsAfter, labels);
}

// Regression: a command run from the keyboard while the user's field held the
// focus (type "36" into side 1's DM degrees, then Datum2->Datum1) wrote side
// 1's DD, then the DM degrees; the focused field's change handler took that
// write for typing and recomputed the DD from the new degrees and the old
// minutes, leaving DD 35.4818416208333 beside DM 35 45, about 30 km apart.
void tst_TfrmMainCommands::commandIntoFocusedFieldKeepsItsPoint_data() {
    QTest::addColumn<QString>("field"); // typed into, keeps the focus
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("action");
    QTest::newRow("DM degrees, Datum2->Datum1") << "edtLatDmd1" << "36"
                                                << "Dt2";
    QTest::newRow("DMS minutes, Datum2->Datum1") << "edtLatDmsm1" << "10"
                                                 << "Dt2";
    QTest::newRow("DMS minutes, Utm1->Datum1") << "edtLatDmsm1" << "10"
                                               << "Cc1Dt1";
    QTest::newRow("DM minutes, Utm1->Datum1") << "edtLonDmm1" << "7.5"
                                              << "Cc1Dt1";
    QTest::newRow("DD, Utm1->Datum1") << "edtLatDd1" << "36"
                                      << "Cc1Dt1";
    QTest::newRow("DD, Datum2->Datum1") << "edtLonDd1" << "126"
                                        << "Dt2";
}

// Both sides on datum 125, side 2 at latitude 35.75, side 1's grid row on a
// point of UTM zone 52; @p typed goes into @p field, then @p action runs, with
// the focus left in the field or moved to a field without a handler first.
void tst_TfrmMainCommands::TypeThenRun(const QString &field,
                                       const QString &typed,
                                       const QString &action, bool keepFocus) {
    SetDatums(125, 125);
    SetTexts({"edtLatDd2=35.75", "edtLonDd2=127.25", "edtAltDd2=10",
              "edtUtmX1=512345.5", "edtUtmY1=3956789.25", "edtUtmZ1=20"});
    m_window->show();
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    TypeInto(Field(field), Typed(typed, m_sep));
    if (!keepFocus) {
        Field("edtUtmZ2")->setFocus(Qt::OtherFocusReason);
        QTRY_VERIFY_WITH_TIMEOUT(Field("edtUtmZ2")->hasFocus(), 5000);
    }
    Run(action);
}

void tst_TfrmMainCommands::commandIntoFocusedFieldKeepsItsPoint() {
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, action);
    TypeThenRun(field, typed, action, false);
    const QMap<QString, QString> focusElsewhere = FieldTexts(*m_window);
    CloseWindow();
    OpenWindow();
    TypeThenRun(field, typed, action, true);
    const QMap<QString, QString> focusKept = FieldTexts(*m_window);
    QVERIFY(Field(field)->hasFocus());
    QCOMPARE(focusKept, focusElsewhere);

    // The DD row and the DM and DMS rows beside it name one point (all
    // angles here are positive).
    for (const char *angle : {"Lat", "Lon"}) {
        const QString a = QString::fromLatin1(angle);
        auto value = [&](const char *stem) {
            return Value(QStringLiteral("edt") + a + QLatin1String(stem) +
                         QStringLiteral("1"));
        };
        const double dd = value("Dd");
        QVERIFY2(std::fabs(value("Dmd") + value("Dmm") / 60 - dd) < 1e-12,
                 qPrintable(a));
        QVERIFY2(std::fabs(value("Dmsd") + value("Dmsm") / 60 +
                           value("Dmss") / 3600 - dd) < 1e-12,
                 qPrintable(a));
    }
}

QTEST_MAIN(tst_TfrmMainCommands)
#include "tst_TfrmMainCommands.moc"
