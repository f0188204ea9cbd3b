// The batch converter's chain gives the same texts as the window's commands for
// the same input texts: the window is driven through its real commands, the
// converter through the chain that nolvex-convert runs on every line.
#include "Chain.h"
#include "ChainTexts.h"
#include "Coord.h"
#include "NumberText.h"
#include "WindowUnderTest.h"

#include <QLineEdit>
#include <QtTest>

namespace {

/// A side without a grid: its angle row (the engine's kinds are 1 to 4).
constexpr int GEO = 0;

GridKind KindOf(int kind) {
    return kind == GEO ? GridKind::Geographic : GridKindOf(kind);
}

QString Text(TfrmMain &w, const char *name) {
    return w.findChild<QLineEdit *>(name)->text();
}

void SetText(TfrmMain &w, const char *name, const QString &text) {
    w.findChild<QLineEdit *>(name)->setText(text);
}

} // namespace

class tst_CliMatchesWindow : public QObject {
    Q_OBJECT

  private slots:
    void sameTexts_data();
    void sameTexts();
    void cleanup() { Code::SetDecimalSeparator('.'); }
};

void tst_CliMatchesWindow::sameTexts_data() {
    QTest::addColumn<int>("datum1");
    QTest::addColumn<int>("kind1");
    QTest::addColumn<int>("datum2");
    QTest::addColumn<int>("kind2");
    QTest::addColumn<QStringList>("input");

    const QStringList start{"37.4818416208333", "127.004542079167", "0"};
    const QStringList south{"-33.9", "18.4", "125.5"};
    // geographic across datums: one step, two steps, the same-datum copy
    QTest::newRow("wgs84 -> tokyo") << 133 << GEO << 125 << GEO << start;
    QTest::newRow("tokyo -> wgs84") << 125 << GEO << 133 << GEO << start;
    QTest::newRow("adindan -> tokyo") << 1 << GEO << 125 << GEO << south;
    QTest::newRow("same datum copy")
        << 38 << GEO << 38 << GEO
        << QStringList{"48.85660000000001", "2.3522", "35.00000"};
    // geographic -> grid on the other side, each grid kind
    QTest::newRow("wgs84 -> tokyo utm") << 133 << GEO << 125 << CS_UTM << start;
    QTest::newRow("wgs84 -> tokyo tm") << 133 << GEO << 125 << CS_TM << start;
    QTest::newRow("wgs84 -> tokyo g7") << 133 << GEO << 125 << CS_G7 << start;
    QTest::newRow("wgs84 -> tokyo ecef")
        << 133 << GEO << 125 << CS_ECEF << start;
    // grid -> geographic and grid -> grid across datums
    QTest::newRow("tokyo tm -> wgs84")
        << 125 << CS_TM << 133 << GEO
        << QStringList{"200012.5", "438123.25", "12"};
    QTest::newRow("wgs84 utm -> tokyo g7")
        << 133 << CS_UTM << 125 << CS_G7
        << QStringList{"322000.125", "4150000", "55.5"};
    QTest::newRow("tokyo ecef -> wgs84 utm")
        << 125 << CS_ECEF << 133 << CS_UTM
        << QStringList{"-3052345.5", "4041234.25", "3862345.75"};
    QTest::newRow("same datum utm -> tm")
        << 125 << CS_UTM << 125 << CS_TM
        << QStringList{"322000.125", "4150000", "-3"};
}

void tst_CliMatchesWindow::sameTexts() {
    QFETCH(int, datum1);
    QFETCH(int, kind1);
    QFETCH(int, datum2);
    QFETCH(int, kind2);
    QFETCH(QStringList, input);

    // the window: engines and datum indexes as the dialogs leave them
    TfrmMainUnderTest w;
    w.m_nDatum1 = datum1;
    w.m_nDatum2 = datum2;
    w.pCoord1->SetDatum(datum1);
    w.pCoord2->SetDatum(datum2);
    if (kind1 != GEO)
        w.pCoord1->SetCoordSys(kind1);
    if (kind2 != GEO)
        w.pCoord2->SetCoordSys(kind2);
    if (kind1 == GEO) {
        SetText(w, "edtLatDd1", input[0]);
        SetText(w, "edtLonDd1", input[1]);
        SetText(w, "edtAltDd1", input[2]);
    } else {
        SetText(w, "edtUtmX1", input[0]);
        SetText(w, "edtUtmY1", input[1]);
        SetText(w, "edtUtmZ1", input[2]);
        w.Cc1Dt1Click();
    }
    w.Dt1Click();
    QStringList windowTexts;
    if (kind2 == GEO) {
        windowTexts << Text(w, "edtLatDd2") << Text(w, "edtLonDd2")
                    << Text(w, "edtAltDd2");
    } else {
        w.Dt2cc2Click();
        windowTexts << Text(w, "edtUtmX2") << Text(w, "edtUtmY2")
                    << Text(w, "edtUtmZ2");
    }

    // the converter's chain on the same input texts
    Conversion settings;
    settings.from = ConversionSide::OnDatum(datum1, KindOf(kind1));
    settings.to = ConversionSide::OnDatum(datum2, KindOf(kind2));
    Chain chain(settings);
    const auto texts = ConvertTexts(chain, 
        input[0].toStdString(), input[1].toStdString(), input[2].toStdString());
    const QStringList chainTexts{QString::fromStdString(texts[0]),
                                 QString::fromStdString(texts[1]),
                                 QString::fromStdString(texts[2])};
    QVERIFY(!windowTexts.contains(QString()));
    QCOMPARE(chainTexts, windowTexts);
}

QTEST_MAIN(tst_CliMatchesWindow)
#include "tst_CliMatchesWindow.moc"
