// The main window's angles and the degree-system tool share one
// synchronisation of an angle's notations: typed the same texts, they show
// the same DD, DM and DMS texts, and both leave everything as it was when a
// text does not read.
#include "MainWindowFixture.h"
#include "UiTestSupport.h"

#include <QAction>
#include <QApplication>
#include <QTest>

namespace {

// The latitude of side 1 and the tool's fields, notation by notation.
const QStringList MAIN_FIELDS = {"edtLatDd1",   "edtLatDmd1",  "edtLatDmm1",
                                 "edtLatDmsd1", "edtLatDmsm1", "edtLatDmss1"};
const QStringList TOOL_FIELDS = {"edtDd",   "edtDmd",  "edtDmm",
                                 "edtDmsd", "edtDmsm", "edtDmss"};

} // namespace

class tst_AngleForms : public QObject, private DialogFixture {
    Q_OBJECT

  private slots:
    void initTestCase_data() { AddSeparatorRows(); }
    void init() { OpenWindow(); }
    void cleanup() { CloseWindow(); }

    void sameTextsInBothWindows_data();
    void sameTextsInBothWindows();

  private:
    /// Types "index=text" rows into the fields @p names (index into them)
    /// of @p window, made active first; returns what the six fields show.
    QStringList Typed(QWidget &window, const QStringList &names,
                      const QStringList &typing);
    QWidget *Tool() const;
};

QWidget *tst_AngleForms::Tool() const {
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w->windowTitle() == QStringLiteral("Degree System Conversion"))
            return w;
    }
    return nullptr;
}

QStringList tst_AngleForms::Typed(QWidget &window, const QStringList &names,
                                  const QStringList &typing) {
    window.activateWindow();
    if (!QTest::qWaitForWindowActive(&window))
        qWarning("the window did not become active");
    for (const QString &row : typing) {
        const auto [index, text] = SplitAssignment(row);
        TypeInto(FieldOf(window, names[index.toInt()]), Num(text));
    }
    QStringList shown;
    for (const QString &name : names)
        shown << FieldOf(window, name)->text();
    return shown;
}

void tst_AngleForms::sameTextsInBothWindows_data() {
    // What is typed, field by field (0 DD, 1 and 2 DM, 3 to 5 DMS), one key
    // at a time; each field recomputes the others as it is typed.
    QTest::addColumn<QStringList>("typing");
    QTest::addColumn<QStringList>("shown");
    QTest::newRow("DD with its residues")
        << QStringList{"0=37.1"}
        << QStringList{"37.1", "37", "6.00000000000009",
                       "37",   "6",  "5.11590769747272E-12"};
    QTest::newRow("DMS, the degrees last")
        << QStringList{"4=30", "5=36", "3=-126"}
        << QStringList{"-126.51", "-126", "30.6", "-126", "30", "36"};
    QTest::newRow("DM minutes of 75")
        << QStringList{"1=10", "2=75"}
        << QStringList{"11.25", "10", "75", "10", "75", "0"};
    QTest::newRow("above -1 degree")
        << QStringList{"0=-0.01"}
        << QStringList{"-0.01", "0", "-0.6", "0", "0", "-36"};
    // A lone "-" reads as nothing: the fields keep what "37.5" gave them.
    QTest::newRow("a lone minus after 37.5")
        << QStringList{"0=37.5", "0=-"}
        << QStringList{"-", "37", "30", "37", "30", "0"};
}

void tst_AngleForms::sameTextsInBothWindows() {
    QFETCH(QStringList, typing);
    QFETCH(QStringList, shown);
    for (QString &text : shown)
        text = Num(text);
    m_window->show();
    const QStringList inMain = Typed(*m_window, MAIN_FIELDS, typing);
    Child<QAction>(*m_window, "DegSys1")->trigger();
    QWidget *tool = Tool();
    QVERIFY(tool != nullptr && tool->isVisible());
    const QStringList inTool = Typed(*tool, TOOL_FIELDS, typing);
    QCOMPARE(inMain, shown);
    QCOMPARE(inTool, shown);
}

QTEST_MAIN(tst_AngleForms)
#include "tst_AngleForms.moc"
