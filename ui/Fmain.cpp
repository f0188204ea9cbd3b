// The main window: the two sides of the point, the menu, the two engines, the
// notation synchronisation and the six commands.
#include "Fmain.h"
#include "ui_Fmain.h"

#include "Code.h"
#include "Coord.h"
#include "ErrorBox.h"
#include "EventLog.h"
#include "FormLook.h"
#include "NumberText.h"

#include <QLayout>
#include <QLineEdit>

#include <exception>
#include <string>

namespace {

// ---- field texts ------------------------------------------------------------
// The fields are the only store of the two points: every reading goes through
// the strict readers, every writing through the general 15-digit format.

double ReadReal(const QLineEdit *field) {
    return Code::ParseReal(field->text().toStdString());
}

std::int32_t ReadInteger(const QLineEdit *field) {
    return Code::ParseInteger(field->text().toStdString());
}

// A written field shows the start of its number: a text wider than its field
// would otherwise show only its last digits, which read as another number.
void WriteText(QLineEdit *field, const std::string &text) {
    field->setText(QString::fromStdString(text));
    field->setCursorPosition(0);
}

void WriteReal(QLineEdit *field, double value) {
    WriteText(field, Code::FormatReal(value));
}

void WriteInteger(QLineEdit *field, std::int32_t value) {
    WriteText(field, Code::FormatInteger(value));
}

// ---- one angle in three notations -------------------------------------------

struct AngleFields {
    QLineEdit *dd;
    QLineEdit *dmd; // DM degrees
    QLineEdit *dmm; // DM minutes
    QLineEdit *dmsd;
    QLineEdit *dmsm;
    QLineEdit *dmss;
};

// Each reads all of its source notation before anything is computed or
// written; a text that does not read ends it with every field as it was.

void SyncFromDd(const AngleFields &f) {
    double dd = 0;
    try {
        dd = ReadReal(f.dd);
    } catch (const Code::ConversionError &) {
        return;
    }
    std::int32_t d = 0, dmsD = 0, dmsM = 0;
    double m = 0, dmsS = 0;
    Code::DdToDm(dd, d, m);
    Code::DdToDms(dd, dmsD, dmsM, dmsS);
    WriteInteger(f.dmd, d);
    WriteReal(f.dmm, m);
    WriteInteger(f.dmsd, dmsD);
    WriteInteger(f.dmsm, dmsM);
    WriteReal(f.dmss, dmsS);
}

void SyncFromDm(const AngleFields &f) {
    std::int32_t d = 0;
    double m = 0;
    try {
        d = ReadInteger(f.dmd);
        m = ReadReal(f.dmm);
    } catch (const Code::ConversionError &) {
        return;
    }
    double dd = 0, dmsS = 0;
    std::int32_t dmsD = 0, dmsM = 0;
    Code::DmToDd(d, m, dd);
    Code::DmToDms(d, m, dmsD, dmsM, dmsS);
    WriteReal(f.dd, dd);
    WriteInteger(f.dmsd, dmsD);
    WriteInteger(f.dmsm, dmsM);
    WriteReal(f.dmss, dmsS);
}

void SyncFromDms(const AngleFields &f) {
    std::int32_t d = 0, m = 0;
    double s = 0;
    try {
        d = ReadInteger(f.dmsd);
        m = ReadInteger(f.dmsm);
        s = ReadReal(f.dmss);
    } catch (const Code::ConversionError &) {
        return;
    }
    double dd = 0, dmM = 0;
    std::int32_t dmD = 0;
    Code::DmsToDd(d, m, s, dd);
    Code::DmsToDm(d, m, s, dmD, dmM);
    WriteReal(f.dd, dd);
    WriteInteger(f.dmd, dmD);
    WriteReal(f.dmm, dmM);
}

// ---- one side's geodetic and grid rows --------------------------------------

struct SideFields {
    QLineEdit *lat;
    QLineEdit *lon;
    QLineEdit *alt;
    QLineEdit *x;
    QLineEdit *y;
    QLineEdit *z;
};

SideFields Side1(const Ui::TfrmMain &ui) {
    return {ui.edtLatDd1, ui.edtLonDd1, ui.edtAltDd1,
            ui.edtUtmX1,  ui.edtUtmY1,  ui.edtUtmZ1};
}

SideFields Side2(const Ui::TfrmMain &ui) {
    return {ui.edtLatDd2, ui.edtLonDd2, ui.edtAltDd2,
            ui.edtUtmX2,  ui.edtUtmY2,  ui.edtUtmZ2};
}

struct GeoPoint {
    double lat = 0; // degrees
    double lon = 0; // degrees
    double alt = 0; // metres
};

// Latitude, longitude, altitude, in this order: the first unreadable text is
// the one reported.
GeoPoint ReadGeo(const SideFields &s) {
    GeoPoint p;
    p.lat = ReadReal(s.lat);
    p.lon = ReadReal(s.lon);
    p.alt = ReadReal(s.alt);
    return p;
}

void WriteGeo(const SideFields &s, const GeoPoint &p) {
    WriteReal(s.lat, p.lat);
    WriteReal(s.lon, p.lon);
    WriteReal(s.alt, p.alt);
}

// The commands read every input, then compute every result, and only then
// write: a failure on the way leaves every field as it was.

// Carries the point of side `from` to side `to` through WGS 84: a Molodensky
// step out of each local datum, none for datum 133, none at all when both
// sides have the same datum.
void Transform(const SideFields &from, const SideFields &to, bool sameDatum,
               const COORD &engineFrom, const COORD &engineTo) {
    const GeoPoint p = ReadGeo(from);
    GeoPoint out = p;
    if (!sameDatum) {
        GeoPoint wgs = p;
        if (engineFrom.GetDatum() != DATUM_WGS84)
            engineFrom.TransLocal2Wgs(p.lat, p.lon, p.alt, wgs.lat, wgs.lon,
                                      wgs.alt);
        out = wgs;
        if (engineTo.GetDatum() != DATUM_WGS84)
            engineTo.TransWgs2Local(wgs.lat, wgs.lon, wgs.alt, out.lat, out.lon,
                                    out.alt);
    }
    WriteGeo(to, out);
}

// Geodetic row to grid row of one side: ECEF X, Y, Z, or a Transverse Mercator
// easting and northing with the altitude passed through as Z.
void GeoToGrid(const SideFields &s, const COORD &engine) {
    const GeoPoint p = ReadGeo(s);
    double x = 0, y = 0, z = 0;
    if (engine.GetCoordSys() == CS_ECEF) {
        engine.ConvGeo2Ecef(p.lat, p.lon, p.alt, x, y, z);
    } else {
        engine.ConvGeo2Grid(p.lat, p.lon, x, y);
        z = p.alt;
    }
    WriteReal(s.x, x);
    WriteReal(s.y, y);
    WriteReal(s.z, z);
}

// Grid row to geodetic row of one side, the inverse of GeoToGrid.
void GridToGeo(const SideFields &s, const COORD &engine) {
    const double x = ReadReal(s.x);
    const double y = ReadReal(s.y);
    const double z = ReadReal(s.z);
    GeoPoint p;
    if (engine.GetCoordSys() == CS_ECEF) {
        engine.ConvEcef2Geo(p.lat, p.lon, p.alt, x, y, z);
    } else {
        engine.ConvGrid2Geo(p.lat, p.lon, x, y);
        p.alt = z;
    }
    WriteGeo(s, p);
}

QString GridKindTag(int nCoordSys) {
    switch (nCoordSys) {
    case CS_UTM:
        return QStringLiteral("(UTM)");
    case CS_TM:
        return QStringLiteral("(TM)");
    case CS_G7:
        return QStringLiteral("(G7)");
    case CS_ECEF:
        return QStringLiteral("(ECEF)");
    default:
        return {};
    }
}

} // namespace

// ---- construction -----------------------------------------------------------

TfrmMain::TfrmMain(QWidget *parent)
    : QMainWindow(parent), ui(std::make_unique<Ui::TfrmMain>()) {
    ui->setupUi(this);
    ApplyFormLook(*this);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    // A fixed client area of 650 x 426 below the menu bar; the window takes
    // the menu bar's height on top and cannot be resized.
    ui->centralwidget->setFixedSize(650, 426);
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    // The rule under the menu is a line along the top edge of its strip.
    ui->bvlTop->setFrameRect(QRect(0, 0, ui->bvlTop->width(), 2));

    // The form stores its default texts with a decimal point. Under a decimal
    // comma they would not read back: side 1 would start from 0 while its DMS
    // row shows the default point, and side 2 from a meaningless one. So they
    // are shown with the separator in force, like every number the program
    // writes.
    const QChar separator = QLatin1Char(Code::GetDecimalSeparator());
    if (separator != u'.') {
        for (QLineEdit *field : findChildren<QLineEdit *>())
            field->setText(field->text().replace(u'.', separator));
    }

    if (EventLog::Enabled()) {
        // Connected before the change handlers, so a field's own line comes
        // before the lines of the fields it rewrites.
        for (QLineEdit *field : findChildren<QLineEdit *>()) {
            connect(field, &QLineEdit::textChanged, this,
                    [field](const QString &text) {
                        EventLog::Write(field->objectName(), text);
                    });
        }
    }

    connect(ui->Open1, &QAction::triggered, this, &TfrmMain::Open1Click);
    connect(ui->Exit1, &QAction::triggered, this, &TfrmMain::Exit1Click);
    connect(ui->Dt1, &QAction::triggered, this, &TfrmMain::Dt1Click);
    connect(ui->Dt2, &QAction::triggered, this, &TfrmMain::Dt2Click);
    connect(ui->Dt1cc1, &QAction::triggered, this, &TfrmMain::Dt1cc1Click);
    connect(ui->Dt2cc2, &QAction::triggered, this, &TfrmMain::Dt2cc2Click);
    connect(ui->Cc1Dt1, &QAction::triggered, this, &TfrmMain::Cc1Dt1Click);
    connect(ui->Cc2dt2, &QAction::triggered, this, &TfrmMain::Cc2dt2Click);
    connect(ui->UserEllipsoid1, &QAction::triggered, this,
            &TfrmMain::UserEllipsoid1Click);
    connect(ui->UserDatum1, &QAction::triggered, this,
            &TfrmMain::UserDatum1Click);
    connect(ui->SetDatum1, &QAction::triggered, this,
            &TfrmMain::SetDatum1Click);
    connect(ui->SetCoordnate1, &QAction::triggered, this,
            &TfrmMain::SetCoordnate1Click);
    connect(ui->SetFactor1, &QAction::triggered, this,
            &TfrmMain::SetFactor1Click);
    connect(ui->DegSys1, &QAction::triggered, this, &TfrmMain::DegSys1Click);
    connect(ui->About1, &QAction::triggered, this, &TfrmMain::About1Click);

    connect(ui->edtLatDd1, &QLineEdit::textChanged, this,
            &TfrmMain::edtLatDd1Change);
    connect(ui->edtLatDmd1, &QLineEdit::textChanged, this,
            &TfrmMain::edtLatDmd1Change);
    connect(ui->edtLatDmm1, &QLineEdit::textChanged, this,
            &TfrmMain::edtLatDmm1Change);
    connect(ui->edtLatDmsd1, &QLineEdit::textChanged, this,
            &TfrmMain::edtLatDmsd1Change);
    connect(ui->edtLatDmsm1, &QLineEdit::textChanged, this,
            &TfrmMain::edtLatDmsm1Change);
    connect(ui->edtLatDmss1, &QLineEdit::textChanged, this,
            &TfrmMain::edtLatDmss1Change);
    connect(ui->edtLonDd1, &QLineEdit::textChanged, this,
            &TfrmMain::edtLonDd1Change);
    connect(ui->edtLonDmd1, &QLineEdit::textChanged, this,
            &TfrmMain::edtLonDmd1Change);
    connect(ui->edtLonDmm1, &QLineEdit::textChanged, this,
            &TfrmMain::edtLonDmm1Change);
    connect(ui->edtLonDmsd1, &QLineEdit::textChanged, this,
            &TfrmMain::edtLonDmsd1Change);
    connect(ui->edtLonDmsm1, &QLineEdit::textChanged, this,
            &TfrmMain::edtLonDmsm1Change);
    connect(ui->edtLonDmss1, &QLineEdit::textChanged, this,
            &TfrmMain::edtLonDmss1Change);
    connect(ui->edtLatDd2, &QLineEdit::textChanged, this,
            &TfrmMain::edtLatDd2Change);
    connect(ui->edtLatDmd2, &QLineEdit::textChanged, this,
            &TfrmMain::edtLatDmd2Change);
    connect(ui->edtLatDmm2, &QLineEdit::textChanged, this,
            &TfrmMain::edtLatDmm2Change);
    connect(ui->edtLatDmsd2, &QLineEdit::textChanged, this,
            &TfrmMain::edtLatDmsd2Change);
    connect(ui->edtLatDmsm2, &QLineEdit::textChanged, this,
            &TfrmMain::edtLatDmsm2Change);
    connect(ui->edtLatDmss2, &QLineEdit::textChanged, this,
            &TfrmMain::edtLatDmss2Change);
    connect(ui->edtLonDd2, &QLineEdit::textChanged, this,
            &TfrmMain::edtLonDd2Change);
    connect(ui->edtLonDmd2, &QLineEdit::textChanged, this,
            &TfrmMain::edtLonDmd2Change);
    connect(ui->edtLonDmm2, &QLineEdit::textChanged, this,
            &TfrmMain::edtLonDmm2Change);
    connect(ui->edtLonDmsd2, &QLineEdit::textChanged, this,
            &TfrmMain::edtLonDmsd2Change);
    connect(ui->edtLonDmsm2, &QLineEdit::textChanged, this,
            &TfrmMain::edtLonDmsm2Change);
    connect(ui->edtLonDmss2, &QLineEdit::textChanged, this,
            &TfrmMain::edtLonDmss2Change);

    pCoord1 = std::make_unique<COORD>(m_nDatum1);
    pCoord2 = std::make_unique<COORD>(m_nDatum2);

    FormCreate();
}

TfrmMain::~TfrmMain() = default;

void TfrmMain::FormCreate() {
    SyncLatFromDms1();
    SyncLonFromDms1();
    Dt1Click();
}

void TfrmMain::paintEvent(QPaintEvent *event) {
    QMainWindow::paintEvent(event);
    if (!m_bPainted) {
        m_bPainted = true;
        EventLog::Write(u"painted");
    }
}

// ---- what the dialogs reach -------------------------------------------------

QLabel *TfrmMain::stDatum1() const { return ui->stDatum1; }
QLabel *TfrmMain::stDatum2() const { return ui->stDatum2; }
QLabel *TfrmMain::stUtm1() const { return ui->stUtm1; }
QLabel *TfrmMain::stUtm2() const { return ui->stUtm2; }
QAction *TfrmMain::DegSys1() const { return ui->DegSys1; }

void TfrmMain::ShowDatumLabels() {
    ui->stDatum1->setText(m_strDatumName1);
    ui->stDatum2->setText(m_strDatumName2);
    ui->stUtm1->setText(m_strDatumName1 + GridKindTag(pCoord1->GetCoordSys()));
    ui->stUtm2->setText(m_strDatumName2 + GridKindTag(pCoord2->GetCoordSys()));
}

// ---- synchronisation --------------------------------------------------------

void TfrmMain::SyncLatFromDd1() {
    SyncFromDd({ui->edtLatDd1, ui->edtLatDmd1, ui->edtLatDmm1, ui->edtLatDmsd1,
                ui->edtLatDmsm1, ui->edtLatDmss1});
}
void TfrmMain::SyncLatFromDm1() {
    SyncFromDm({ui->edtLatDd1, ui->edtLatDmd1, ui->edtLatDmm1, ui->edtLatDmsd1,
                ui->edtLatDmsm1, ui->edtLatDmss1});
}
void TfrmMain::SyncLatFromDms1() {
    SyncFromDms({ui->edtLatDd1, ui->edtLatDmd1, ui->edtLatDmm1, ui->edtLatDmsd1,
                 ui->edtLatDmsm1, ui->edtLatDmss1});
}
void TfrmMain::SyncLonFromDd1() {
    SyncFromDd({ui->edtLonDd1, ui->edtLonDmd1, ui->edtLonDmm1, ui->edtLonDmsd1,
                ui->edtLonDmsm1, ui->edtLonDmss1});
}
void TfrmMain::SyncLonFromDm1() {
    SyncFromDm({ui->edtLonDd1, ui->edtLonDmd1, ui->edtLonDmm1, ui->edtLonDmsd1,
                ui->edtLonDmsm1, ui->edtLonDmss1});
}
void TfrmMain::SyncLonFromDms1() {
    SyncFromDms({ui->edtLonDd1, ui->edtLonDmd1, ui->edtLonDmm1, ui->edtLonDmsd1,
                 ui->edtLonDmsm1, ui->edtLonDmss1});
}
void TfrmMain::SyncLatFromDd2() {
    SyncFromDd({ui->edtLatDd2, ui->edtLatDmd2, ui->edtLatDmm2, ui->edtLatDmsd2,
                ui->edtLatDmsm2, ui->edtLatDmss2});
}
void TfrmMain::SyncLatFromDm2() {
    SyncFromDm({ui->edtLatDd2, ui->edtLatDmd2, ui->edtLatDmm2, ui->edtLatDmsd2,
                ui->edtLatDmsm2, ui->edtLatDmss2});
}
void TfrmMain::SyncLatFromDms2() {
    SyncFromDms({ui->edtLatDd2, ui->edtLatDmd2, ui->edtLatDmm2, ui->edtLatDmsd2,
                 ui->edtLatDmsm2, ui->edtLatDmss2});
}
void TfrmMain::SyncLonFromDd2() {
    SyncFromDd({ui->edtLonDd2, ui->edtLonDmd2, ui->edtLonDmm2, ui->edtLonDmsd2,
                ui->edtLonDmsm2, ui->edtLonDmss2});
}
void TfrmMain::SyncLonFromDm2() {
    SyncFromDm({ui->edtLonDd2, ui->edtLonDmd2, ui->edtLonDmm2, ui->edtLonDmsd2,
                ui->edtLonDmsm2, ui->edtLonDmss2});
}
void TfrmMain::SyncLonFromDms2() {
    SyncFromDms({ui->edtLonDd2, ui->edtLonDmd2, ui->edtLonDmm2, ui->edtLonDmsd2,
                 ui->edtLonDmsm2, ui->edtLonDmss2});
}

// ---- change handlers
// ------------------------------------------------------------------------ The
// change notification fires on the program's own writes too; only the field
// that holds the focus recomputes, so the rewriting never runs in circles.

void TfrmMain::RunIfFocused(const QLineEdit *field, void (TfrmMain::*sync)()) {
    if (!field->hasFocus())
        return;
    try {
        (this->*sync)();
    } catch (const std::exception &e) {
        ShowErrorBox(this, e);
    }
}

void TfrmMain::edtLatDd1Change() {
    RunIfFocused(ui->edtLatDd1, &TfrmMain::SyncLatFromDd1);
}
void TfrmMain::edtLatDmd1Change() {
    RunIfFocused(ui->edtLatDmd1, &TfrmMain::SyncLatFromDm1);
}
void TfrmMain::edtLatDmm1Change() {
    RunIfFocused(ui->edtLatDmm1, &TfrmMain::SyncLatFromDm1);
}
void TfrmMain::edtLatDmsd1Change() {
    RunIfFocused(ui->edtLatDmsd1, &TfrmMain::SyncLatFromDms1);
}
void TfrmMain::edtLatDmsm1Change() {
    RunIfFocused(ui->edtLatDmsm1, &TfrmMain::SyncLatFromDms1);
}
void TfrmMain::edtLatDmss1Change() {
    RunIfFocused(ui->edtLatDmss1, &TfrmMain::SyncLatFromDms1);
}
void TfrmMain::edtLonDd1Change() {
    RunIfFocused(ui->edtLonDd1, &TfrmMain::SyncLonFromDd1);
}
void TfrmMain::edtLonDmd1Change() {
    RunIfFocused(ui->edtLonDmd1, &TfrmMain::SyncLonFromDm1);
}
void TfrmMain::edtLonDmm1Change() {
    RunIfFocused(ui->edtLonDmm1, &TfrmMain::SyncLonFromDm1);
}
void TfrmMain::edtLonDmsd1Change() {
    RunIfFocused(ui->edtLonDmsd1, &TfrmMain::SyncLonFromDms1);
}
void TfrmMain::edtLonDmsm1Change() {
    RunIfFocused(ui->edtLonDmsm1, &TfrmMain::SyncLonFromDms1);
}
void TfrmMain::edtLonDmss1Change() {
    RunIfFocused(ui->edtLonDmss1, &TfrmMain::SyncLonFromDms1);
}
void TfrmMain::edtLatDd2Change() {
    RunIfFocused(ui->edtLatDd2, &TfrmMain::SyncLatFromDd2);
}
void TfrmMain::edtLatDmd2Change() {
    RunIfFocused(ui->edtLatDmd2, &TfrmMain::SyncLatFromDm2);
}
void TfrmMain::edtLatDmm2Change() {
    RunIfFocused(ui->edtLatDmm2, &TfrmMain::SyncLatFromDm2);
}
void TfrmMain::edtLatDmsd2Change() {
    RunIfFocused(ui->edtLatDmsd2, &TfrmMain::SyncLatFromDms2);
}
void TfrmMain::edtLatDmsm2Change() {
    RunIfFocused(ui->edtLatDmsm2, &TfrmMain::SyncLatFromDms2);
}
void TfrmMain::edtLatDmss2Change() {
    RunIfFocused(ui->edtLatDmss2, &TfrmMain::SyncLatFromDms2);
}
void TfrmMain::edtLonDd2Change() {
    RunIfFocused(ui->edtLonDd2, &TfrmMain::SyncLonFromDd2);
}
void TfrmMain::edtLonDmd2Change() {
    RunIfFocused(ui->edtLonDmd2, &TfrmMain::SyncLonFromDm2);
}
void TfrmMain::edtLonDmm2Change() {
    RunIfFocused(ui->edtLonDmm2, &TfrmMain::SyncLonFromDm2);
}
void TfrmMain::edtLonDmsd2Change() {
    RunIfFocused(ui->edtLonDmsd2, &TfrmMain::SyncLonFromDms2);
}
void TfrmMain::edtLonDmsm2Change() {
    RunIfFocused(ui->edtLonDmsm2, &TfrmMain::SyncLonFromDms2);
}
void TfrmMain::edtLonDmss2Change() {
    RunIfFocused(ui->edtLonDmss2, &TfrmMain::SyncLonFromDms2);
}

// ---- menu: File -------------------------------------------------------------

void TfrmMain::Open1Click() {
    // The item is disabled; there is nothing to open.
}

void TfrmMain::Exit1Click() { close(); }

// ---- menu: Transformation and Conversion ------------------------------------

void TfrmMain::Dt1Click() {
    try {
        Transform(Side1(*ui), Side2(*ui), m_nDatum1 == m_nDatum2, *pCoord1,
                  *pCoord2);
        SyncLatFromDd2();
        SyncLonFromDd2();
    } catch (const std::exception &e) {
        ShowErrorBox(this, e);
    }
}

void TfrmMain::Dt2Click() {
    try {
        Transform(Side2(*ui), Side1(*ui), m_nDatum2 == m_nDatum1, *pCoord2,
                  *pCoord1);
        SyncLatFromDd1();
        SyncLonFromDd1();
    } catch (const std::exception &e) {
        ShowErrorBox(this, e);
    }
}

void TfrmMain::Dt1cc1Click() {
    try {
        GeoToGrid(Side1(*ui), *pCoord1);
    } catch (const std::exception &e) {
        ShowErrorBox(this, e);
    }
}

void TfrmMain::Dt2cc2Click() {
    try {
        GeoToGrid(Side2(*ui), *pCoord2);
    } catch (const std::exception &e) {
        ShowErrorBox(this, e);
    }
}

void TfrmMain::Cc1Dt1Click() {
    try {
        GridToGeo(Side1(*ui), *pCoord1);
        SyncLatFromDd1();
        SyncLonFromDd1();
    } catch (const std::exception &e) {
        ShowErrorBox(this, e);
    }
}

void TfrmMain::Cc2dt2Click() {
    try {
        GridToGeo(Side2(*ui), *pCoord2);
        SyncLatFromDd2();
        SyncLonFromDd2();
    } catch (const std::exception &e) {
        ShowErrorBox(this, e);
    }
}

// ---- menu: Config, Tools, Help ----------------------------------------------

void TfrmMain::UserEllipsoid1Click() {
    // The user ellipsoid dialog is wired here when it exists.
}

void TfrmMain::UserDatum1Click() {
    // The user datum dialog is wired here when it exists.
}

void TfrmMain::SetDatum1Click() {
    // The datum dialog is wired here when it exists.
}

void TfrmMain::SetCoordnate1Click() {
    // The coordinate-system dialog is wired here when it exists.
}

void TfrmMain::SetFactor1Click() {
    // The projection origin dialog is wired here when it exists.
}

void TfrmMain::DegSys1Click() {
    // The degree-system tool window is wired here when it exists.
}

void TfrmMain::About1Click() {
    // The about box is wired here when it exists.
}
