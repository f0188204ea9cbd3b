// The main window: start-up texts, labels, window and menu, keyboard order,
// and the synchronisation of the angle notations while the user types.
#include "Coord.h"
#include "Fmain.h"
#include "MainWindowFixture.h"
#include "NumberText.h"
#include "UiTestSupport.h"

#include <QAction>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include <cmath>

class tst_TfrmMain : public QObject, private MainWindowFixture {
    Q_OBJECT

  private slots:
    void initTestCase_data();
    void init();
    void cleanup();

    void startupTexts_data();
    void startupTexts();
    void startupSide2_data();
    void startupSide2();
    void startupLabels_data();
    void startupLabels();
    void windowProperties();
    void menu_data();
    void menu();
    void editMenu();
    void exitClosesWindowAndEndsProgram();
    void tabOrder();
    void typing_data();
    void typing();
    void focusedProgramWriteRecomputes();
    void unfocusedWriteRecomputesNothing_data();
    void unfocusedWriteRecomputesNothing();
    void unreadableTextChangesNothing_data();
    void unreadableTextChangesNothing();
    void datumLabels_data();
    void datumLabels();

  private:
    void ShowActive();
};

void tst_TfrmMain::initTestCase_data() { AddSeparatorRows(); }

void tst_TfrmMain::init() { OpenWindow(); }

void tst_TfrmMain::cleanup() { CloseWindow(); }

void tst_TfrmMain::ShowActive() {
    m_window->show();
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
}

// ---- start-up ---------------------------------------------------------------

void tst_TfrmMain::startupTexts_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    // Side 1 holds its stored DMS texts; DD and DM follow from them by exact
    // decimal arithmetic, shown with 15 significant digits:
    // 37 + 28/60 + 54.629835/3600 = 37.48184162083333..., 28 + 54.629835/60 =
    // 28.91049725; 127 + 16.351485/3600 = 127.00454207916666...,
    // 16.351485/60 = 0.27252475.
    const char *rows[][2] = {
        {"edtLatDd1", "37.4818416208333"},
        {"edtLonDd1", "127.004542079167"},
        {"edtAltDd1", "0"},
        {"edtLatDmd1", "37"},
        {"edtLatDmm1", "28.91049725"},
        {"edtLonDmd1", "127"},
        {"edtLonDmm1", "0.27252475"},
        {"edtLatDmsd1", "37"},
        {"edtLatDmsm1", "28"},
        {"edtLatDmss1", "54.629835"},
        {"edtLonDmsd1", "127"},
        {"edtLonDmsm1", "0"},
        {"edtLonDmss1", "16.351485"},
        // Side 2: the point on Tokyo(---) lies at 37 28' 44.53", 127 0'
        // 24.25" (PROJ reference below), so the integer parts are exact.
        {"edtLatDmd2", "37"},
        {"edtLonDmd2", "127"},
        {"edtLatDmsd2", "37"},
        {"edtLatDmsm2", "28"},
        {"edtLonDmsd2", "127"},
        {"edtLonDmsm2", "0"},
        // The grid rows are not touched at start-up.
        {"edtUtmX1", "0"},
        {"edtUtmY1", "0"},
        {"edtUtmZ1", "0"},
        {"edtUtmX2", "0"},
        {"edtUtmY2", "0"},
        {"edtUtmZ2", "0"}};
    for (const auto &row : rows)
        QTest::newRow(row[0])
            << QString::fromLatin1(row[0]) << QString::fromLatin1(row[1]);
}

void tst_TfrmMain::startupTexts() {
    QFETCH(QString, field);
    QFETCH(QString, text);
    QCOMPARE(Field(field)->text(), Localised(text, m_sep));
}

void tst_TfrmMain::startupSide2_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<double>("expected");
    QTest::addColumn<double>("tolerance");
    // Side 1's DD texts carried from WGS 84 to Tokyo(---), standard
    // Molodensky (the datum's shifts to WGS 84 negated, da = a_Bessel -
    // a_WGS84, df = f_Bessel - f_WGS84):
    //   echo "127.004542079167 37.4818416208333 0 0" | cct -d 15
    //     +proj=molodensky +ellps=WGS84 +dx=105.627 +dy=-462.37 +dz=-643.258
    //     +da=-739.845 +df=-1.003748257267484e-05
    //   -> 127.006734786376285  37.479037230157168  -19.617880092689219
    // DM and DMS parts of those values by exact decimal arithmetic.
    QTest::newRow("edtLatDd2") << "edtLatDd2" << 37.479037230157168 << 1e-11;
    QTest::newRow("edtLonDd2") << "edtLonDd2" << 127.006734786376285 << 1e-11;
    QTest::newRow("edtAltDd2") << "edtAltDd2" << -19.617880092689219 << 1e-6;
    QTest::newRow("edtLatDmm2") << "edtLatDmm2" << 28.742233809430080 << 1e-9;
    QTest::newRow("edtLonDmm2") << "edtLonDmm2" << 0.404087182577100 << 1e-9;
    QTest::newRow("edtLatDmss2") << "edtLatDmss2" << 44.5340285658048 << 1e-7;
    QTest::newRow("edtLonDmss2") << "edtLonDmss2" << 24.245230954626 << 1e-7;
    // The same point as the window's own documentation gives it: about
    // 37 28' 44.534", 127 0' 24.245" and -19.6 m.
    QTest::newRow("documented seconds, latitude")
        << "edtLatDmss2" << 44.534 << 0.0005;
    QTest::newRow("documented seconds, longitude")
        << "edtLonDmss2" << 24.245 << 0.0005;
    QTest::newRow("documented altitude") << "edtAltDd2" << -19.6 << 0.05;
}

void tst_TfrmMain::startupSide2() {
    QFETCH(QString, field);
    QFETCH(double, expected);
    QFETCH(double, tolerance);
    const QString text = Field(field)->text();
    const double value = ValueOf(text, m_sep);
    QVERIFY2(std::fabs(value - expected) <= tolerance,
             qPrintable(field + QStringLiteral(" = ") + text));
}

void tst_TfrmMain::startupLabels_data() {
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("text");
    QTest::newRow("stDatum1") << "stDatum1"
                              << "World Geodetic System 1984";
    QTest::newRow("stDatum2") << "stDatum2"
                              << "Tokyo(---)";
    QTest::newRow("stUtm1") << "stUtm1"
                            << "World Geodetic System 1984(UTM)";
    QTest::newRow("stUtm2") << "stUtm2"
                            << "Tokyo(---)(UTM)";
}

void tst_TfrmMain::startupLabels() {
    QFETCH(QString, label);
    QFETCH(QString, text);
    auto *widget = m_window->findChild<QLabel *>(label);
    QVERIFY(widget != nullptr);
    QCOMPARE(widget->text(), text);
}

void tst_TfrmMain::windowProperties() {
    QCOMPARE(m_window->windowTitle(),
             QStringLiteral("ZEPHANIX Datum Transformation & Coordinate "
                            "Conversion "));
    ShowActive();
    // Fixed size, with a client area of 650 x 426 below the menu bar.
    QCOMPARE(m_window->centralWidget()->size(), QSize(650, 426));
    QCOMPARE(m_window->minimumSize(), m_window->maximumSize());
    QCOMPARE(m_window->height(), 426 + m_window->menuBar()->height());
    const Qt::WindowFlags flags = m_window->windowFlags();
    QVERIFY(flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(flags.testFlag(Qt::WindowSystemMenuHint));
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));

    // 13-pixel font, first choice "굴림", with glyphs for the Korean captions.
    const QFont font = m_window->font();
    QCOMPARE(font.pixelSize(), 13);
    QCOMPARE(font.families().value(0), QStringLiteral("굴림"));
    const QFontMetrics metrics(font);
    for (char32_t ch : {U'위', U'도', U'경', U'고', U'분', U'초', U'미', U'터'})
        QVERIFY2(metrics.inFontUcs4(ch), "a caption glyph is missing");

    // Button-face background.
    QCOMPARE(m_window->palette().color(QPalette::Window),
             m_window->palette().color(QPalette::Button));

    // Borderless fields, raised frames.
    for (const QString &name : AllFieldNames())
        QVERIFY2(!Field(name)->hasFrame(), qPrintable(name));
    int raised = 0;
    for (const QFrame *frame : m_window->findChildren<QFrame *>()) {
        if (frame->frameShape() == QFrame::Panel)
            raised += frame->frameShadow() == QFrame::Raised ? 1 : 0;
    }
    QCOMPARE(raised, 4);
}

// ---- menu -------------------------------------------------------------------

// The Edit menu, an addition between File and Transformation: the window's
// Undo and Redo, then for each side Copy Point, Copy Point As, Paste Point
// and Paste Grid, with shortcuts that a field's own editing keys (Ctrl+C,
// Ctrl+V, Ctrl+X, Ctrl+A, Ctrl+Z, Ctrl+Y, Ctrl+Shift+Z) and the documented
// access keys (Alt+F, Alt+C, Alt+T, Alt+H) leave free.
void tst_TfrmMain::editMenu() {
    QMenu *edit = m_window->menuBar()->actions().at(1)->menu();
    QVERIFY(edit != nullptr);
    QCOMPARE(edit->title(), QStringLiteral("&Edit"));
    const auto items = [edit] {
        QStringList items;
        for (QAction *action : edit->actions()) {
            items << (action->isSeparator()
                          ? QStringLiteral("-")
                          : action->objectName() + u'=' + action->text() +
                                u'=' + action->shortcut().toString());
        }
        return items;
    };
    QCOMPARE(items(),
             QStringList({"Undo1=&Undo=Ctrl+Alt+Z", "Redo1=&Redo=Ctrl+Alt+Y",
                          "-", "CopyPoint1=&Copy Point (Side 1)=Ctrl+Shift+C",
                          "=Copy Point &As (Side 1)=",
                          "PastePoint1=&Paste Point (Side 1)=Ctrl+Shift+V",
                          "PasteGrid1=Paste &Grid (Side 1)=Ctrl+Shift+G", "-",
                          "CopyPoint2=C&opy Point (Side 2)=Ctrl+Shift+D",
                          "=Copy Point A&s (Side 2)=",
                          "PastePoint2=Pa&ste Point (Side 2)=Ctrl+Shift+B",
                          "PasteGrid2=Paste Gr&id (Side 2)=Ctrl+Shift+H"}));
    for (const char *side : {"1", "2"}) {
        auto *as = m_window->findChild<QMenu *>(QStringLiteral("CopyPointAs") +
                                                QLatin1String(side));
        QVERIFY(as != nullptr);
        QStringList captions;
        for (QAction *action : as->actions())
            captions << action->text();
        QCOMPARE(captions,
                 QStringList({"&Decimal Degrees: lat, lon, h",
                              "Degrees, &Minutes, Seconds", "&Grid: X, Y, Z",
                              "Geo&JSON Point (WGS 84)", "&WKT POINT",
                              "geo: &URI (WGS 84)",
                              "MG&RS: 52S CG 21459 59650 (WGS 84)",
                              "Geo&hash (WGS 84)"}));
    }
    // No key of a field's own.
    const QKeySequence fieldKeys[] = {
        QKeySequence(QKeySequence::Copy),
        QKeySequence(QKeySequence::Paste),
        QKeySequence(QKeySequence::Cut),
        QKeySequence(QKeySequence::SelectAll),
        QKeySequence(QKeySequence::Undo),
        QKeySequence(QKeySequence::Redo),
        QKeySequence(QStringLiteral("Ctrl+Shift+Z"))};
    for (QAction *action : edit->actions()) {
        for (const QKeySequence &key : fieldKeys)
            QVERIFY2(action->shortcut().isEmpty() || action->shortcut() != key,
                     qPrintable(action->objectName()));
    }
    // The new items' access keys are theirs alone in the menu.
    for (const char *name : {"Undo1", "Redo1", "PasteGrid1", "PasteGrid2"}) {
        const auto *item = m_window->findChild<QAction *>(name);
        const QKeySequence key = QKeySequence::mnemonic(item->text());
        QVERIFY(!key.isEmpty());
        for (QAction *action : edit->actions()) {
            if (action != item && !action->isSeparator())
                QVERIFY2(QKeySequence::mnemonic(action->text()) != key,
                         qPrintable(action->text()));
        }
    }

    // Undo and Redo are there to choose only when there is a step to undo
    // or to redo, and name it.
    auto *undo = m_window->findChild<QAction *>("Undo1");
    auto *redo = m_window->findChild<QAction *>("Redo1");
    QVERIFY(!undo->isEnabled());
    QVERIFY(!redo->isEnabled());
    m_window->findChild<QAction *>("Dt1cc1")->trigger(); // fills the grid row
    QVERIFY(undo->isEnabled());
    QVERIFY(!redo->isEnabled());
    QCOMPARE(undo->text(), QStringLiteral("&Undo Datum1->Utm1"));
    undo->trigger();
    QVERIFY(!undo->isEnabled());
    QVERIFY(redo->isEnabled());
    QCOMPARE(undo->text(), QStringLiteral("&Undo"));
    QCOMPARE(redo->text(), QStringLiteral("&Redo Datum1->Utm1"));
    redo->trigger();
    QVERIFY(undo->isEnabled());
    QVERIFY(!redo->isEnabled());
    QCOMPARE(redo->text(), QStringLiteral("&Redo"));
    QCOMPARE(items().mid(0, 2),
             QStringList({"Undo1=&Undo Datum1->Utm1=Ctrl+Alt+Z",
                          "Redo1=&Redo=Ctrl+Alt+Y"}));
}

void tst_TfrmMain::menu_data() {
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("items"); // "action=caption", "-" separator
    QTest::newRow("File") << 0 << "&File"
                          << QStringList{"Open1=&Open",
                                         "ConvertFile1=Convert &File...", "-",
                                         "Exit1=E&xit"};
    QTest::newRow("Transformation")
        << 2 << "Transformation"
        << QStringList{"Dt1=Datum1->Datum2", "Dt2=Datum2->Datum1"};
    QTest::newRow("Conversion")
        << 3 << "&Conversion"
        << QStringList{"Dt1cc1=Datum1->Utm1", "Dt2cc2=Datum2->Utm2",
                       "Cc1Dt1=Utm1->Datum1", "Cc2dt2=Utm2->Datum2"};
    QTest::newRow("Config")
        << 4 << "&Config"
        << QStringList{"UserEllipsoid1=Define User &Ellipsoid",
                       "UserDatum1=Define &User Datum", "SetDatum1=Set &Datum",
                       "SetCoordnate1=Set &Coordnate",
                       "SetFactor1=Set &Factor(Coord)",
                       "ReferenceSystem1=&Reference System..."};
    QTest::newRow("Tools") << 5 << "&Tools"
                           << QStringList{"DegSys1=&Degree System"};
    QTest::newRow("Help") << 6 << "&Help" << QStringList{"About1=&About"};
}

void tst_TfrmMain::menu() {
    QFETCH(int, position);
    QFETCH(QString, title);
    QFETCH(QStringList, items);
    const QList<QAction *> menus = m_window->menuBar()->actions();
    // The documented six and Edit, second; File and Config have one
    // item each beyond the documented ones (Convert File before the
    // separator, Reference System last).
    QCOMPARE(menus.size(), 7);
    QMenu *menu = menus.at(position)->menu();
    QVERIFY(menu != nullptr);
    QCOMPARE(menu->title(), title);
    const QList<QAction *> actions = menu->actions();
    QCOMPARE(actions.size(), items.size());
    for (int i = 0; i < items.size(); ++i) {
        QAction *action = actions.at(i);
        if (items.at(i) == QStringLiteral("-")) {
            QVERIFY(action->isSeparator());
            continue;
        }
        const auto [name, caption] = SplitAssignment(items.at(i));
        QCOMPARE(action->objectName(), name);
        QCOMPARE(action->text(), caption);
        // No shortcut besides the access key, except the six commands'
        // Ctrl+1 to Ctrl+6 in menu order; "&Open" is the one disabled item
        // and "&Degree System" the one that carries a check mark.
        static const QStringList COMMANDS = {
            QStringLiteral("Dt1"),    QStringLiteral("Dt2"),
            QStringLiteral("Dt1cc1"), QStringLiteral("Dt2cc2"),
            QStringLiteral("Cc1Dt1"), QStringLiteral("Cc2dt2")};
        const qsizetype command = COMMANDS.indexOf(name);
        QCOMPARE(action->shortcut(),
                 command < 0 ? QKeySequence()
                             : QKeySequence(QStringLiteral("Ctrl+%1")
                                                .arg(command + 1)));
        QCOMPARE(action->isEnabled(), name != QStringLiteral("Open1"));
        QCOMPARE(action->isCheckable(), name == QStringLiteral("DegSys1"));
    }
}

void tst_TfrmMain::exitClosesWindowAndEndsProgram() {
    ShowActive();
    // Closing the last window ends the event loop; should the window stay
    // open, the guard timer ends it with a code of its own.
    QTimer::singleShot(0, m_window->findChild<QAction *>("Exit1"),
                       &QAction::trigger);
    QTimer guard;
    guard.setSingleShot(true);
    connect(&guard, &QTimer::timeout, qApp, [] { QCoreApplication::exit(99); });
    guard.start(5000);
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(!m_window->isVisible());
}

void tst_TfrmMain::tabOrder() {
    // Side 1 DD, DM, DMS; side 2 DD, DM, DMS; grid of side 1; grid of side 2.
    // Within a group latitude, longitude, altitude; within a row degrees,
    // minutes, seconds.
    QStringList expected;
    for (const char *side : {"1", "2"}) {
        for (const char *stem :
             {"edtLatDd", "edtLonDd", "edtAltDd", "edtLatDmd", "edtLatDmm",
              "edtLonDmd", "edtLonDmm", "edtLatDmsd", "edtLatDmsm",
              "edtLatDmss", "edtLonDmsd", "edtLonDmsm", "edtLonDmss"})
            expected << QString::fromLatin1(stem) + QString::fromLatin1(side);
    }
    for (const char *side : {"1", "2"}) {
        for (const char *stem : {"edtUtmX", "edtUtmY", "edtUtmZ"})
            expected << QString::fromLatin1(stem) + QString::fromLatin1(side);
    }
    expected << "edtLatDd1"; // and round again

    ShowActive();
    Field("edtLatDd1")->setFocus(Qt::OtherFocusReason);
    QTRY_VERIFY(Field("edtLatDd1")->hasFocus());
    QStringList visited{QApplication::focusWidget()->objectName()};
    for (int i = 1; i < expected.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(visited, expected);
}

// ---- synchronisation --------------------------------------------------------

void tst_TfrmMain::typing_data() {
    QTest::addColumn<QStringList>("steps");    // "field=typed text", in order
    QTest::addColumn<QStringList>("expected"); // "field=text" afterwards
    // Expected texts: the worked examples of the angle notation (37.5 ->
    // 37 30', 37.1 -> 6.00000000000009 minutes, 126.9832 ->
    // 58' 59.5199999999875", (10, 75') -> 11.25, (-126 30' 36") -> -126.51,
    // (37, -30') -> 36.5, DMS 37 75' 0" -> 38.25) and exact decimal arithmetic
    // for the rest.
    QTest::newRow("side 1, DD latitude")
        << QStringList{"edtLatDd1=37.5"}
        << QStringList{"edtLatDmd1=37", "edtLatDmm1=30", "edtLatDmsd1=37",
                       "edtLatDmsm1=30", "edtLatDmss1=0"};
    QTest::newRow("side 1, DD longitude")
        << QStringList{"edtLonDd1=126.9832"}
        << QStringList{"edtLonDmd1=126", "edtLonDmm1=58.9919999999998",
                       "edtLonDmsd1=126", "edtLonDmsm1=58",
                       "edtLonDmss1=59.5199999999875"};
    QTest::newRow("side 1, DMS seconds retyped")
        << QStringList{"edtLatDmss1=1", "edtLatDmss1=54.629835"}
        << QStringList{"edtLatDd1=37.4818416208333", "edtLatDmd1=37",
                       "edtLatDmm1=28.91049725", "edtLatDmsd1=37",
                       "edtLatDmsm1=28"};
    QTest::newRow("side 1, DMS seconds with a trailing blank")
        << QStringList{"edtLatDmss1=54.6 "}
        << QStringList{"edtLatDd1=37.4818333333333", "edtLatDmd1=37",
                       "edtLatDmm1=28.91"};
    QTest::newRow("side 1, DMS minutes of 75")
        << QStringList{"edtLatDmss1=0", "edtLatDmsm1=75"}
        << QStringList{"edtLatDd1=38.25", "edtLatDmd1=37", "edtLatDmm1=75"};
    QTest::newRow("side 1, DMS longitude seconds")
        << QStringList{"edtLonDmss1=1", "edtLonDmss1=16.351485"}
        << QStringList{"edtLonDd1=127.004542079167", "edtLonDmd1=127",
                       "edtLonDmm1=0.27252475"};
    QTest::newRow("side 1, DM degrees negative")
        << QStringList{"edtLatDmm1=30", "edtLatDmd1=-37"}
        << QStringList{"edtLatDd1=-37.5", "edtLatDmsd1=-37", "edtLatDmsm1=30",
                       "edtLatDmss1=0"};
    QTest::newRow("side 2, DD latitude")
        << QStringList{"edtLatDd2=37.1"}
        << QStringList{"edtLatDmd2=37", "edtLatDmm2=6.00000000000009",
                       "edtLatDmsd2=37", "edtLatDmsm2=6",
                       "edtLatDmss2=5.11590769747272E-12"};
    QTest::newRow("side 2, DD longitude negative")
        << QStringList{"edtLonDd2=-37.5"}
        << QStringList{"edtLonDmd2=-37", "edtLonDmm2=30", "edtLonDmsd2=-37",
                       "edtLonDmsm2=30", "edtLonDmss2=0"};
    QTest::newRow("side 2, DM longitude")
        << QStringList{"edtLonDmd2=10", "edtLonDmm2=75"}
        << QStringList{"edtLonDd2=11.25", "edtLonDmsd2=10", "edtLonDmsm2=75",
                       "edtLonDmss2=0"};
    QTest::newRow("side 2, DM latitude with negative minutes")
        << QStringList{"edtLatDmd2=37", "edtLatDmm2=-30"}
        << QStringList{"edtLatDd2=36.5", "edtLatDmsd2=37", "edtLatDmsm2=-30",
                       "edtLatDmss2=0"};
    QTest::newRow("side 2, DMS longitude negative")
        << QStringList{"edtLonDmsm2=30", "edtLonDmss2=36", "edtLonDmsd2=-126"}
        << QStringList{"edtLonDd2=-126.51", "edtLonDmd2=-126",
                       "edtLonDmm2=30.6"};
}

void tst_TfrmMain::typing() {
    QFETCH(QStringList, steps);
    QFETCH(QStringList, expected);
    ShowActive();
    QMap<QString, QString> others = FieldTexts(*m_window);
    for (const QString &step : steps) {
        const auto [name, text] = SplitAssignment(step);
        TypeInto(Field(name), Localised(text, m_sep));
        others.remove(name);
    }
    for (const QString &row : expected) {
        const auto [name, text] = SplitAssignment(row);
        QCOMPARE(Field(name)->text(), Localised(text, m_sep));
        others.remove(name);
    }
    // The other angles, the altitudes, the grid rows and the other side keep
    // their texts.
    QMap<QString, QString> after = FieldTexts(*m_window);
    for (auto it = others.cbegin(); it != others.cend(); ++it)
        QCOMPARE(after.value(it.key()), it.value());
}

void tst_TfrmMain::focusedProgramWriteRecomputes() {
    // The focus, not the origin of the change, decides: a write into the
    // focused field recomputes like typing does.
    ShowActive();
    QLineEdit *dd = Field("edtLatDd1");
    dd->setFocus(Qt::OtherFocusReason);
    QTRY_VERIFY(dd->hasFocus());
    dd->setText(Localised("37.5", m_sep));
    QCOMPARE(Field("edtLatDmm1")->text(), QStringLiteral("30"));
    QCOMPARE(Field("edtLatDmss1")->text(), QStringLiteral("0"));
}

void tst_TfrmMain::unfocusedWriteRecomputesNothing_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    for (const char *side : {"1", "2"}) {
        for (const char *stem :
             {"edtLatDd", "edtLatDmd", "edtLatDmm", "edtLatDmsd", "edtLatDmsm",
              "edtLatDmss", "edtLonDd", "edtLonDmd", "edtLonDmm", "edtLonDmsd",
              "edtLonDmsm", "edtLonDmss"}) {
            const QString name =
                QString::fromLatin1(stem) + QString::fromLatin1(side);
            QTest::newRow(qPrintable(name)) << name << "12.5";
        }
    }
}

void tst_TfrmMain::unfocusedWriteRecomputesNothing() {
    QFETCH(QString, field);
    QFETCH(QString, text);
    ShowActive();
    // The focus sits in a field without a change handler.
    Field("edtUtmX1")->setFocus(Qt::OtherFocusReason);
    QTRY_VERIFY(Field("edtUtmX1")->hasFocus());
    QMap<QString, QString> before = FieldTexts(*m_window);
    Field(field)->setText(Localised(text, m_sep));
    QMap<QString, QString> after = FieldTexts(*m_window);
    QCOMPARE(after.take(field), Localised(text, m_sep));
    before.remove(field);
    QCOMPARE(after, before);
}

void tst_TfrmMain::unreadableTextChangesNothing_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("prepared"); // typed first, recomputes
    QTest::addColumn<QString>("keys");     // then typed at the end of it
    QTest::addColumn<bool>("erase");       // or the field emptied instead
    QTest::newRow("DD emptied") << "edtLatDd1"
                                << "37.5"
                                << "" << true;
    QTest::newRow("DD lone minus") << "edtLonDd2"
                                   << ""
                                   << "-" << false;
    QTest::newRow("DM degrees lone minus") << "edtLatDmd1"
                                           << ""
                                           << "-" << false;
    QTest::newRow("DM minutes emptied") << "edtLonDmm1"
                                        << "12"
                                        << "" << true;
    QTest::newRow("DM minutes lone minus") << "edtLatDmm2"
                                           << ""
                                           << "-" << false;
    QTest::newRow("DMS seconds emptied") << "edtLatDmss1"
                                         << "54.629835"
                                         << "" << true;
    QTest::newRow("DMS degrees, trailing blank") << "edtLatDmsd1"
                                                 << "37"
                                                 << " " << false;
    QTest::newRow("DMS minutes, trailing blank") << "edtLonDmsm2"
                                                 << "12"
                                                 << " " << false;
    QTest::newRow("DM degrees, fraction") << "edtLatDmd2"
                                          << "37"
                                          << ".5" << false;
    QTest::newRow("DMS minutes, fraction") << "edtLatDmsm1"
                                           << "28"
                                           << ".5" << false;
    QTest::newRow("DMS degrees, fraction") << "edtLonDmsd2"
                                           << "127"
                                           << ".25" << false;
    QTest::newRow("DMS seconds, exponent alone") << "edtLonDmss1"
                                                 << ""
                                                 << "E5" << false;
}

void tst_TfrmMain::unreadableTextChangesNothing() {
    QFETCH(QString, field);
    QFETCH(QString, prepared);
    QFETCH(QString, keys);
    QFETCH(bool, erase);
    ShowActive();
    if (!prepared.isEmpty())
        TypeInto(Field(field), Localised(prepared, m_sep));
    QMap<QString, QString> before = FieldTexts(*m_window);
    if (erase) {
        TypeInto(Field(field), QString());
    } else if (prepared.isEmpty()) {
        TypeInto(Field(field), Localised(keys, m_sep));
    } else {
        QTest::keyClick(Field(field), Qt::Key_End);
        QTest::keyClicks(Field(field), Localised(keys, m_sep));
        QCOMPARE(Field(field)->text(), Localised(prepared + keys, m_sep));
    }
    QMap<QString, QString> after = FieldTexts(*m_window);
    after.remove(field);
    before.remove(field);
    QCOMPARE(after, before);
}

// ---- label composition (the service the datum and grid dialogs call) --------

void tst_TfrmMain::datumLabels_data() {
    QTest::addColumn<int>("kind1");
    QTest::addColumn<int>("kind2");
    QTest::addColumn<QString>("utm1");
    QTest::addColumn<QString>("utm2");
    QTest::newRow("UTM, TM") << CS_UTM << CS_TM << "Adindan(ADI-M)(UTM)"
                             << "Tokyo(---)(TM)";
    QTest::newRow("G7, ECEF") << CS_G7 << CS_ECEF << "Adindan(ADI-M)(G7)"
                              << "Tokyo(---)(ECEF)";
}

void tst_TfrmMain::datumLabels() {
    QFETCH(int, kind1);
    QFETCH(int, kind2);
    QFETCH(QString, utm1);
    QFETCH(QString, utm2);
    m_window->m_strDatumName1 = QStringLiteral("Adindan(ADI-M)");
    m_window->m_strDatumName2 = QStringLiteral("Tokyo(---)");
    m_window->pCoord1->SetCoordSys(kind1);
    m_window->pCoord2->SetCoordSys(kind2);
    m_window->ShowDatumLabels();
    QCOMPARE(m_window->stDatum1()->text(), QStringLiteral("Adindan(ADI-M)"));
    QCOMPARE(m_window->stDatum2()->text(), QStringLiteral("Tokyo(---)"));
    QCOMPARE(m_window->stUtm1()->text(), utm1);
    QCOMPARE(m_window->stUtm2()->text(), utm2);
}

QTEST_MAIN(tst_TfrmMain)
#include "tst_TfrmMain.moc"
