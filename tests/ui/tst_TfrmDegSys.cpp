// The degree-system tool: its fields and labels, the recomputations while the
// user types, the silent stop on unreadable texts, the focus guard, and the
// menu check mark that follows the window.
#include "Fdegsys.h"
#include "NumberText.h"
#include "UiTestSupport.h"

#include <QAction>
#include <QLabel>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <cmath>
#include <memory>

namespace {

// The seven fields in the order of the form's keyboard order.
const QStringList FIELD_NAMES = {"edtDd",   "edtDmd",  "edtDmm",   "edtDmsd",
                                 "edtDmsm", "edtDmss", "edtRadian"};

} // namespace

class tst_TfrmDegSys : public QObject {
    Q_OBJECT

  private slots:
    void initTestCase_data();
    void init();
    void cleanup();

    void windowProperties();
    void labels_data();
    void labels();
    void startTexts();
    void typing_data();
    void typing();
    void fromRadian_data();
    void fromRadian();
    void unreadableTextChangesNothing_data();
    void unreadableTextChangesNothing();
    void unfocusedWriteRecomputesNothing_data();
    void unfocusedWriteRecomputesNothing();
    void focusedProgramWriteRecomputes();
    void faultShowsErrorBoxAndChangesNothing_data();
    void faultShowsErrorBoxAndChangesNothing();
    void checkMarkFollowsWindow_data();
    void checkMarkFollowsWindow();
    void fieldsKeptWhileHidden();
    void escapeClosesTheTool();
    void checkMarkItemGoneBeforeWindowCloses();
    void mainWindowClosingEndsProgram_data();
    void mainWindowClosingEndsProgram();
    void mainWindowTakesToolWithIt();

  private:
    QLineEdit *Field(const QString &name) const {
        return FieldOf(*m_tool, name);
    }
    QMap<QString, QString> Texts() const;
    void ShowActive();

    std::unique_ptr<QWidget> m_main; // stands in for the main window
    QAction *m_DegSys1 = nullptr;    // its "&Degree System" item
    TfrmDegSys *m_tool = nullptr;    // owned by m_main, as in the program
    std::unique_ptr<ErrorBoxCatcher> m_boxes;
    char m_sep = '.';
};

void tst_TfrmDegSys::initTestCase_data() { AddSeparatorRows(); }

void tst_TfrmDegSys::init() {
    m_sep = UseRowSeparator();

    // Wired as the main window wires its checkable menu item.
    m_main = std::make_unique<QWidget>();
    m_DegSys1 = new QAction(QStringLiteral("&Degree System"), m_main.get());
    m_DegSys1->setCheckable(true);
    m_tool = new TfrmDegSys(m_DegSys1, m_main.get());
    connect(m_DegSys1, &QAction::triggered, m_tool,
            &TfrmDegSys::ToggleFromMenu);
    m_boxes = std::make_unique<ErrorBoxCatcher>();
}

void tst_TfrmDegSys::cleanup() {
    // No test expects an error box unless it says so and clears the list.
    const QList<ShownBox> boxes = m_boxes->boxes;
    m_boxes.reset();
    m_main.reset();
    Code::SetDecimalSeparator('.');
    for (const ShownBox &box : boxes)
        qWarning("unexpected error box: %s", qPrintable(box.text));
    QVERIFY(boxes.isEmpty());
}

QMap<QString, QString> tst_TfrmDegSys::Texts() const {
    QMap<QString, QString> texts;
    for (const QString &name : FIELD_NAMES)
        texts.insert(name, Field(name)->text());
    return texts;
}

void tst_TfrmDegSys::ShowActive() {
    m_DegSys1->trigger();
    QVERIFY(QTest::qWaitForWindowActive(m_tool));
}

// ---- the window -------------------------------------------------------------

void tst_TfrmDegSys::windowProperties() {
    QCOMPARE(m_tool->windowTitle(), QStringLiteral("Degree System Conversion"));
    QVERIFY(m_tool->isWindow());
    QVERIFY(!m_tool->isVisible());
    QVERIFY(!m_DegSys1->isChecked());

    // Fixed single border with system menu and minimise, no maximise.
    const Qt::WindowFlags flags = m_tool->windowFlags();
    QVERIFY(flags.testFlag(Qt::WindowSystemMenuHint));
    QVERIFY(flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
    QCOMPARE(m_tool->minimumSize(), m_tool->maximumSize());
    QVERIFY(!m_tool->windowIcon().isNull());

    // The seven fields in keyboard order.
    QLineEdit *field = Field(FIELD_NAMES.first());
    for (qsizetype i = 1; i < FIELD_NAMES.size(); ++i) {
        QWidget *next = field->nextInFocusChain();
        QCOMPARE(next->objectName(), FIELD_NAMES.at(i));
        field = qobject_cast<QLineEdit *>(next);
    }
}

void tst_TfrmDegSys::labels_data() {
    QTest::addColumn<QString>("caption");
    QTest::newRow("DD") << QStringLiteral("도(DD):");
    QTest::newRow("DM") << QStringLiteral("도분(DM):");
    QTest::newRow("DMS") << QStringLiteral("도분초(DMS):");
    QTest::newRow("radian") << QStringLiteral("도(RADIAN):");
}

void tst_TfrmDegSys::labels() {
    QFETCH(QString, caption);
    int found = 0;
    for (const QLabel *label : m_tool->findChildren<QLabel *>())
        found += label->text() == caption ? 1 : 0;
    QCOMPARE(found, 1);
}

void tst_TfrmDegSys::startTexts() {
    for (const QString &name : FIELD_NAMES)
        QCOMPARE(Field(name)->text(), QStringLiteral("0"));
}

// ---- typing -----------------------------------------------------------------

void tst_TfrmDegSys::typing_data() {
    // Fields typed in, in order; then the texts of all seven fields in their
    // keyboard order (DD; DM degrees and minutes; DMS degrees, minutes and
    // seconds; radians), separated by blanks.
    QTest::addColumn<QStringList>("typed");
    QTest::addColumn<QString>("expected");

    // Radians for the degree values are (degrees * pi / 180) evaluated to
    // 50 digits with Python's decimal module,
    //   python3 -c "from decimal import *; getcontext().prec = 50;
    //     pi = Decimal('3.14159265358979323846264338327950288419716939937510');
    //     print(Decimal('37.1') * pi / 180)"
    // and shown with 15 significant digits: 37.1 -> 0.647517152489896(27),
    // -126.51 -> -2.20801603669802(63), 36.5 -> 0.63704517697793(03), 11.25 ->
    // 0.196349540849362(08), 126.9832 -> 2.21627493471846(35). The DM and DMS
    // parts of 37.1 and 126.9832 are the residue cases of the angle routines.
    QTest::newRow("DD 37.5") << QStringList{"edtDd=37.5"}
                             << "37.5  37 30  37 30 0  0.654498469497874";
    QTest::newRow("DD -37.5: degrees carry the sign")
        << QStringList{"edtDd=-37.5"}
        << "-37.5  -37 30  -37 30 0  -0.654498469497874";
    QTest::newRow("DD 37.1: residues are shown, not rounded away")
        << QStringList{"edtDd=37.1"}
        << "37.1  37 6.00000000000009  37 6 5.11590769747272E-12  "
           "0.647517152489896";
    QTest::newRow("DD 180")
        << QStringList{"edtDd=180"} << "180  180 0  180 0 0  3.14159265358979";
    QTest::newRow("DD 126.9832: seconds just below a whole number")
        << QStringList{"edtDd=126.9832"}
        << "126.9832  126 58.9919999999998  126 58 59.5199999999875  "
           "2.21627493471846";
    QTest::newRow("DD with sign and exponent")
        << QStringList{"edtDd=+3.75e1"}
        << "+3.75e1  37 30  37 30 0  0.654498469497874";
    QTest::newRow("DMS -126 30 36, degrees typed last")
        << QStringList{"edtDmsm=30", "edtDmss=36", "edtDmsd=-126"}
        << "-126.51  -126 30.6  -126 30 36  -2.20801603669803";
    QTest::newRow("DMS 37 6 0 gives 37.1")
        << QStringList{"edtDmsd=37", "edtDmsm=6", "edtDmss=0"}
        << "37.1  37 6  37 6 0  0.647517152489896";
    QTest::newRow("DM minutes use the degrees already there")
        << QStringList{"edtDmd=10", "edtDmm=75"}
        << "11.25  10 75  10 75 0  0.196349540849362";
    QTest::newRow("DM degrees typed after the minutes")
        << QStringList{"edtDmm=30", "edtDmd=-37"}
        << "-37.5  -37 30  -37 30 0  -0.654498469497874";
    QTest::newRow("DM negative minutes lower the magnitude")
        << QStringList{"edtDmd=37", "edtDmm=-30"}
        << "36.5  37 -30  37 -30 0  0.63704517697793";
    QTest::newRow("DD after DMS: every notation follows the last field")
        << QStringList{"edtDmsd=5", "edtDmsm=5", "edtDd=37.5"}
        << "37.5  37 30  37 30 0  0.654498469497874";
}

void tst_TfrmDegSys::typing() {
    QFETCH(QStringList, typed);
    QFETCH(QString, expected);
    const QStringList texts = expected.split(u' ', Qt::SkipEmptyParts);
    QCOMPARE(texts.size(), FIELD_NAMES.size());
    QMap<QString, QString> expectedTexts;
    for (qsizetype i = 0; i < FIELD_NAMES.size(); ++i)
        expectedTexts.insert(FIELD_NAMES.at(i), Typed(texts.at(i), m_sep));

    ShowActive();
    for (const QString &row : typed) {
        const auto [name, text] = SplitAssignment(row);
        TypeInto(Field(name), Typed(text, m_sep));
    }
    QCOMPARE(Texts(), expectedTexts);
}

void tst_TfrmDegSys::fromRadian_data() {
    // Radians typed into edtRadian; degrees = radians * 180 / pi, minutes and
    // seconds split from it, evaluated to 50 digits with Python's decimal
    // module as in typing_data (d = r * 180 / pi; m = (|d| - int(|d|)) * 60;
    // s = (m - int(m)) * 60). The integer parts are exact; the real parts carry
    // the rounding of the double degrees (about 1E-14) through the factors 60
    // and 3600.
    QTest::addColumn<QString>("radians");
    QTest::addColumn<QString>("dd");
    QTest::addColumn<QString>("dmd");
    QTest::addColumn<double>("dmm");
    QTest::addColumn<QString>("dmsd");
    QTest::addColumn<QString>("dmsm");
    QTest::addColumn<double>("dmss");

    QTest::newRow("1") << "1"
                       << "57.2957795130823"
                       << "57" << 17.746770784939252608 << "57"
                       << "17" << 44.806247096355156473;
    QTest::newRow("-1") << "-1"
                        << "-57.2957795130823"
                        << "-57" << 17.746770784939252608 << "-57"
                        << "17" << 44.806247096355156473;
    QTest::newRow("0.5") << "0.5"
                         << "28.6478897565412"
                         << "28" << 38.873385392469626304 << "28"
                         << "38" << 52.403123548177578237;
    // pi to 15 digits is just below 180 degrees: the degrees show 180, the
    // parts show 179 59' 59.99999999933" with no carry into the minutes.
    QTest::newRow("pi to 15 digits") << "3.14159265358979"
                                     << "180"
                                     << "179" << 59.999999999988866986 << "179"
                                     << "59" << 59.999999999332019130;
}

void tst_TfrmDegSys::fromRadian() {
    QFETCH(QString, radians);
    QFETCH(QString, dd);
    QFETCH(QString, dmd);
    QFETCH(double, dmm);
    QFETCH(QString, dmsd);
    QFETCH(QString, dmsm);
    QFETCH(double, dmss);
    ShowActive();
    TypeInto(Field("edtRadian"), Typed(radians, m_sep));
    QCOMPARE(Field("edtDd")->text(), Typed(dd, m_sep));
    QCOMPARE(Field("edtDmd")->text(), dmd);
    QCOMPARE(Field("edtDmsd")->text(), dmsd);
    QCOMPARE(Field("edtDmsm")->text(), dmsm);
    const double minutes = ValueOf(Field("edtDmm")->text(), m_sep);
    const double seconds = ValueOf(Field("edtDmss")->text(), m_sep);
    QVERIFY2(std::fabs(minutes - dmm) < 1e-11,
             qPrintable(Field("edtDmm")->text()));
    QVERIFY2(std::fabs(seconds - dmss) < 1e-9,
             qPrintable(Field("edtDmss")->text()));
}

// ---- texts that do not read -------------------------------------------------

void tst_TfrmDegSys::unreadableTextChangesNothing_data() {
    // After 37.5 has been typed into edtDd and the fields of "setup" have
    // been typed in (each replacing its text), the keys of "keys" go into
    // "field": replacing its text, or appended to it. Every prefix of those
    // keys is unreadable, so every other field keeps the text it had after
    // the setup.
    QTest::addColumn<QStringList>("setup");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<bool>("append");

    const QStringList none;
    QTest::newRow("DD cleared") << none << "edtDd"
                                << "" << false;
    QTest::newRow("DD lone minus") << none << "edtDd"
                                   << "-" << false;
    QTest::newRow("DD sign and exponent alone") << none << "edtDd"
                                                << "+e5" << false;
    QTest::newRow("DD letters") << none << "edtDd"
                                << "abc" << false;
    QTest::newRow("DD the other separator") << QStringList{"edtDd=1"} << "edtDd"
                                            << "~5" << true;
    QTest::newRow("DD thousands grouping") << QStringList{"edtDd=1"} << "edtDd"
                                           << "~000.5" << true;
    QTest::newRow("DM degrees with a fraction")
        << QStringList{"edtDmd=30"} << "edtDmd"
        << ".5" << true;
    QTest::newRow("DM degrees cleared") << none << "edtDmd"
                                        << "" << false;
    QTest::newRow("DM degrees beyond 32 bits")
        << QStringList{"edtDmd=214748364"} << "edtDmd"
        << "8" << true;
    QTest::newRow("DM degrees with a trailing blank")
        << QStringList{"edtDmd=12"} << "edtDmd"
        << " " << true;
    QTest::newRow("DM minutes lone minus") << none << "edtDmm"
                                           << "-" << false;
    QTest::newRow("DM minutes beside unreadable degrees")
        << QStringList{"edtDmd=x"} << "edtDmm"
        << "45" << false;
    QTest::newRow("DMS degrees with a fraction")
        << QStringList{"edtDmsd=30"} << "edtDmsd"
        << ".5" << true;
    QTest::newRow("DMS minutes with a fraction")
        << QStringList{"edtDmsm=31"} << "edtDmsm"
        << ".5" << true;
    QTest::newRow("DMS seconds cleared") << none << "edtDmss"
                                         << "" << false;
    QTest::newRow("DMS seconds beside unreadable minutes")
        << QStringList{"edtDmsm="} << "edtDmss"
        << "12" << false;
    QTest::newRow("DMS degrees beside unreadable seconds")
        << QStringList{"edtDmss=s"} << "edtDmsd"
        << "12" << false;
    QTest::newRow("radians lone minus") << none << "edtRadian"
                                        << "-" << false;
    QTest::newRow("radians letters") << none << "edtRadian"
                                     << "pi" << false;
}

void tst_TfrmDegSys::unreadableTextChangesNothing() {
    QFETCH(QStringList, setup);
    QFETCH(QString, field);
    QFETCH(QString, keys);
    QFETCH(bool, append);
    ShowActive();
    TypeInto(Field("edtDd"), Typed("37.5", m_sep));
    for (const QString &row : setup) {
        const auto [name, text] = SplitAssignment(row);
        TypeInto(Field(name), Typed(text, m_sep));
    }
    QMap<QString, QString> expected = Texts();

    const QString typed = Typed(keys, m_sep);
    if (append) {
        QLineEdit *edit = Field(field);
        QTest::mouseClick(edit, Qt::LeftButton);
        QTRY_VERIFY(edit->hasFocus());
        QTest::keyClick(edit, Qt::Key_End);
        QTest::keyClicks(edit, typed);
        expected[field] += typed;
    } else {
        TypeInto(Field(field), typed);
        expected[field] = typed;
    }
    QCOMPARE(Texts(), expected);
}

// ---- the focus guard --------------------------------------------------------

void tst_TfrmDegSys::unfocusedWriteRecomputesNothing_data() {
    QTest::addColumn<QString>("field");
    for (const QString &name : FIELD_NAMES)
        QTest::newRow(qPrintable(name)) << name;
}

void tst_TfrmDegSys::unfocusedWriteRecomputesNothing() {
    QFETCH(QString, field);
    ShowActive();
    TypeInto(Field("edtDd"), Typed("37.5", m_sep));
    // The focus goes to a field of another notation group, then the program
    // writes a valid number into the field under test.
    const QString focused = field == "edtRadian" ? "edtDmss" : "edtRadian";
    Field(focused)->setFocus();
    QTRY_VERIFY(Field(focused)->hasFocus());
    QMap<QString, QString> expected = Texts();
    Field(field)->setText(QStringLiteral("12"));
    expected[field] = QStringLiteral("12");
    QCOMPARE(Texts(), expected);
}

void tst_TfrmDegSys::focusedProgramWriteRecomputes() {
    // The guard asks for the focus, not for a key press: a text pasted into
    // the focused field recomputes at once.
    ShowActive();
    QLineEdit *dd = Field("edtDd");
    dd->setFocus();
    QTRY_VERIFY(dd->hasFocus());
    dd->setText(Typed("37.5", m_sep));
    QCOMPARE(Field("edtDmm")->text(), QStringLiteral("30"));
    QCOMPARE(Field("edtRadian")->text(), Typed("0.654498469497874", m_sep));
}

// ---- floating-point faults --------------------------------------------------

void tst_TfrmDegSys::faultShowsErrorBoxAndChangesNothing_data() {
    // Pasted whole into the focused field, so that only the final text is
    // recomputed. Degrees of more than about 1.8E308 overflow a double.
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    QTest::newRow("radians 1E308") << "edtRadian"
                                   << "1E308"
                                   << "Floating point overflow.";
    QTest::newRow("radians -3.2E306") << "edtRadian"
                                      << "-3.2E306"
                                      << "Floating point overflow.";
}

void tst_TfrmDegSys::faultShowsErrorBoxAndChangesNothing() {
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QString, message);
    ShowActive();
    TypeInto(Field("edtDd"), Typed("37.5", m_sep));
    QMap<QString, QString> expected = Texts();
    QLineEdit *edit = Field(field);
    edit->setFocus();
    QTRY_VERIFY(edit->hasFocus());
    edit->setText(Typed(text, m_sep));
    expected[field] = Typed(text, m_sep);

    QCOMPARE(m_boxes->boxes.size(), 1);
    QCOMPARE(m_boxes->boxes.first().text, message);
    QCOMPARE(m_boxes->boxes.first().title, QStringLiteral("ZEPHANIX NLVX"));
    m_boxes->boxes.clear();
    QCOMPARE(Texts(), expected);
}

// ---- showing and hiding -----------------------------------------------------

void tst_TfrmDegSys::checkMarkFollowsWindow_data() {
    // Steps: "menu" chooses the item (the action flips its own mark before
    // it reports the click), "call" runs the command directly, "close" is
    // the window's close box. After each step the window is shown (1) or
    // hidden (0), and the check mark must say the same.
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("shown");
    QTest::newRow("menu once") << QStringList{"menu"} << "1";
    QTest::newRow("menu twice") << QStringList{"menu", "menu"} << "10";
    QTest::newRow("menu three times")
        << QStringList{"menu", "menu", "menu"} << "101";
    QTest::newRow("close box, then menu")
        << QStringList{"menu", "close", "menu"} << "101";
    QTest::newRow("close box, menu, menu")
        << QStringList{"menu", "close", "menu", "menu"} << "1010";
    QTest::newRow("close box on the hidden window")
        << QStringList{"close", "menu"} << "01";
    QTest::newRow("direct calls") << QStringList{"call", "call"} << "10";
    QTest::newRow("menu and direct calls mixed")
        << QStringList{"call", "menu", "menu", "close", "call"} << "10101";
}

void tst_TfrmDegSys::checkMarkFollowsWindow() {
    QFETCH(QStringList, steps);
    QFETCH(QString, shown);
    QCOMPARE(shown.size(), steps.size());
    for (qsizetype i = 0; i < steps.size(); ++i) {
        const QString &step = steps.at(i);
        if (step == "menu")
            m_DegSys1->trigger();
        else if (step == "call")
            m_tool->ToggleFromMenu();
        else
            QVERIFY(m_tool->close());
        const bool visible = shown.at(i) == u'1';
        QVERIFY2(m_tool->isVisible() == visible,
                 qPrintable(QStringLiteral("step %1 (%2)").arg(i).arg(step)));
        QVERIFY2(m_DegSys1->isChecked() == visible,
                 qPrintable(QStringLiteral("step %1 (%2)").arg(i).arg(step)));
    }
}

void tst_TfrmDegSys::fieldsKeptWhileHidden() {
    ShowActive();
    TypeInto(Field("edtDmsm"), Typed("30", m_sep));
    TypeInto(Field("edtDmss"), Typed("36", m_sep));
    TypeInto(Field("edtDmsd"), Typed("-126", m_sep));
    const QMap<QString, QString> before = Texts();
    QCOMPARE(before.value("edtDd"), Typed("-126.51", m_sep));

    m_tool->window()->close();
    QVERIFY(!m_tool->isVisible());
    QVERIFY(!m_DegSys1->isChecked());
    m_DegSys1->trigger();
    QVERIFY(m_tool->isVisible());
    QVERIFY(m_DegSys1->isChecked());
    QCOMPARE(Texts(), before);
}

// Regression: the tool ignored Escape. Escape in any of its fields closes
// it as its close box does (the mark goes, the fields stay); Shift+Escape
// does nothing.
void tst_TfrmDegSys::escapeClosesTheTool() {
    ShowActive();
    TypeInto(Field("edtDd"), Typed("37.5", m_sep));
    const QMap<QString, QString> before = Texts();
    QTest::keyClick(Field("edtDmss"), Qt::Key_Escape, Qt::ShiftModifier);
    QVERIFY(m_tool->isVisible());
    for (const QString &name : {QStringLiteral("edtDd"),
                                QStringLiteral("edtRadian")}) {
        if (!m_tool->isVisible())
            ShowActive();
        Field(name)->setFocus();
        QTRY_VERIFY(Field(name)->hasFocus());
        QTest::keyClick(Field(name), Qt::Key_Escape);
        QVERIFY2(!m_tool->isVisible(), qPrintable(name));
        QVERIFY(!m_DegSys1->isChecked());
    }
    m_DegSys1->trigger();
    QCOMPARE(Texts(), before);
}

// Regression guard: the window keeps only a weak reference to the menu item,
// so closing it after the item is gone must not touch freed memory.
void tst_TfrmDegSys::checkMarkItemGoneBeforeWindowCloses() {
    ShowActive();
    delete m_DegSys1;
    m_DegSys1 = nullptr;
    QVERIFY(m_tool->close());
    QVERIFY(!m_tool->isVisible());
    m_tool->ToggleFromMenu();
    QVERIFY(m_tool->isVisible());
}

void tst_TfrmDegSys::mainWindowClosingEndsProgram_data() {
    QTest::addColumn<bool>("owned");
    QTest::newRow("tool owned by the main window") << true;
    QTest::newRow("tool without a parent") << false;
}

void tst_TfrmDegSys::mainWindowClosingEndsProgram() {
    // The event loop ends when the main window closes, even while the tool
    // is shown: the tool is not a window that keeps the program running,
    // whether or not the main window owns it.
    QFETCH(bool, owned);
    std::unique_ptr<TfrmDegSys> unowned;
    if (!owned) {
        unowned = std::make_unique<TfrmDegSys>(m_DegSys1);
        disconnect(m_DegSys1, nullptr, m_tool, nullptr);
        connect(m_DegSys1, &QAction::triggered, unowned.get(),
                &TfrmDegSys::ToggleFromMenu);
    }
    TfrmDegSys *tool = owned ? m_tool : unowned.get();
    m_main->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_main.get()));
    m_DegSys1->trigger();
    QVERIFY(QTest::qWaitForWindowActive(tool));

    QTimer::singleShot(0, m_main.get(), [this] { m_main->close(); });
    QTimer stuck; // ends a loop that the closing failed to end
    stuck.setSingleShot(true);
    connect(&stuck, &QTimer::timeout, this, [] { QCoreApplication::exit(1); });
    stuck.start(5000);
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(!m_main->isVisible());
}

void tst_TfrmDegSys::mainWindowTakesToolWithIt() {
    ShowActive();
    QPointer<TfrmDegSys> tool = m_tool;
    m_main.reset();
    QVERIFY(tool.isNull());
    m_main = std::make_unique<QWidget>(); // for cleanup()
}

QTEST_MAIN(tst_TfrmDegSys)
#include "tst_TfrmDegSys.moc"
