// The main window: the two sides of the point, the menu, the two engines, the
// notation synchronisation, the six commands and the commands that fill, show
// and apply the configuration dialogs.
#include "Fmain.h"
#include "ui_Fmain.h"

#include "Code.h"
#include "Coord.h"
#include "DialogSupport.h"
#include "ErrorBox.h"
#include "EventLog.h"
#include "Fabout.h"
#include "Fcoordsys.h"
#include "Fdatum.h"
#include "Fdegsys.h"
#include "FieldText.h"
#include "FormLook.h"
#include "Fuserdatum.h"
#include "Fuserell.h"
#include "Futmfact.h"
#include "NumberText.h"
#include "ProgramIcon.h"
#include "ui_Fcoordsys.h"
#include "ui_Fdatum.h"
#include "ui_Fuserdatum.h"
#include "ui_Fuserell.h"
#include "ui_Futmfact.h"

#include <QComboBox>
#include <QLayout>
#include <QLineEdit>
#include <QRadioButton>

#include <array>
#include <exception>
#include <string>

namespace {

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

// ---- the configuration dialogs ---------------------------------------------

// The grid kinds in the order of a side's buttons.
constexpr int GRID_KINDS[] = {CS_UTM, CS_TM, CS_G7, CS_ECEF};

// The four buttons of one side of the coordinate-system dialog, in the order
// of GRID_KINDS.
using KindButtons = std::array<QRadioButton *, 4>;

void CheckKind(const KindButtons &buttons, int nCoordSys) {
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        if (GRID_KINDS[i] == nCoordSys)
            buttons[i]->setChecked(true);
    }
}

// The kind of the first button that is on, testing UTM, TM, G7, ECEF; 0 when
// none is.
int CheckedKind(const KindButtons &buttons) {
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        if (buttons[i]->isChecked())
            return GRID_KINDS[i];
    }
    return 0;
}

// The five fields of one side of the projection-origin dialog.
struct OriginFields {
    QLineEdit *x;
    QLineEdit *y;
    QLineEdit *lat;
    QLineEdit *lon;
    QLineEdit *dlon;
};

void ShowOrigin(const OriginFields &f, const COORD &engine) {
    double x = 0, y = 0, dlat = 0, dlon = 0, lat = 0, lon = 0;
    engine.GetOrigin(x, y);
    engine.GetDelta(dlat, dlon);
    engine.GetOrgLatLon(lat, lon);
    WriteReal(f.x, x);
    WriteReal(f.y, y);
    WriteReal(f.lat, lat);
    WriteReal(f.lon, lon);
    WriteReal(f.dlon, dlon);
}

// Reads all five fields before the engine is touched, so an unreadable text
// leaves this side as it was. The latitude delta is not shown and stays.
void ApplyOrigin(const OriginFields &f, COORD &engine) {
    const double x = ReadReal(f.x);
    const double y = ReadReal(f.y);
    const double lat = ReadReal(f.lat);
    const double lon = ReadReal(f.lon);
    const double dlon = ReadReal(f.dlon);
    double dlat = 0, dlonInForce = 0;
    engine.GetDelta(dlat, dlonInForce);
    engine.SetOrigin(x, y);
    engine.SetDelta(dlat, dlon);
    engine.SetOrgLatLon(lat, lon);
}

// The engine first: SetDatum is all or nothing, so when the datum cannot be
// derived (a user ellipsoid with inverse flattening 0) the error ends the
// command before the window's index and name change, and the window never
// names a datum its engine does not hold. Returns false when no entry is
// selected, which leaves the side as it was.
bool ApplyDatum(const QComboBox &cboDatum, COORD &engine, std::int32_t &nDatum,
                QString &strDatumName) {
    const int index = cboDatum.currentIndex();
    if (index < 0)
        return false;
    engine.SetDatum(index);
    nDatum = index;
    strDatumName = cboDatum.itemText(index);
    return true;
}

// A name as the engine takes it: UTF-8, ended by its first zero character.
QByteArray EngineName(const QLineEdit *field) { return field->text().toUtf8(); }

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
    // The windows it owns (the dialogs and the error boxes) show it too.
    setWindowIcon(ProgramIcon());
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
        connect(ui->DegSys1, &QAction::toggled, this, [](bool checked) {
            EventLog::Write(u"DegSys1", checked ? u"checked" : u"unchecked");
        });
        EventLog::WatchWindows();
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
    for (const QLabel *label :
         {ui->stDatum1, ui->stDatum2, ui->stUtm1, ui->stUtm2})
        EventLog::Write(label->objectName(), label->text());
}

// ---- the dialogs and the services they call --------------------------------

void TfrmMain::CreateDialogs() {
    frmDatum = std::make_unique<TfrmDatum>(*this);
    frmDegSys = std::make_unique<TfrmDegSys>(ui->DegSys1, this);
    frmUtmfact = std::make_unique<TfrmUtmfact>(*this);
    frmUserDatum = std::make_unique<TfrmUserDatum>(*this);
    frmUserEll = std::make_unique<TfrmUserEll>(*this);
    frmCoordSys = std::make_unique<TfrmCoordSys>(*this);
}

void TfrmMain::FillDatumLists(QComboBox &cboDatum1, QComboBox &cboDatum2) {
    // Both lists in one walk, each from its own engine; the walk ends at the
    // first row either engine does not have.
    DatumText datum;
    for (std::int32_t i = 0;; ++i) {
        if (ReadDatumRow(*pCoord1, i, datum) == 0)
            break;
        cboDatum1.addItem(datum.name);
        if (ReadDatumRow(*pCoord2, i, datum) == 0)
            break;
        cboDatum2.addItem(datum.name);
    }
    cboDatum1.setCurrentIndex(m_nDatum1);
    cboDatum2.setCurrentIndex(m_nDatum2);
    ReadDatumRow(*pCoord1, m_nDatum1, datum);
    m_strDatumName1 = datum.name;
    ReadDatumRow(*pCoord2, m_nDatum2, datum);
    m_strDatumName2 = datum.name;
}

void TfrmMain::FillEllipsoidList(QComboBox &cboEllipsoid) {
    EllipsoidText ellipsoid;
    for (std::int32_t i = 0; ReadEllipsoidRow(*pCoord1, i, ellipsoid) != 0; ++i)
        cboEllipsoid.addItem(NamePart(ellipsoid.name));
    cboEllipsoid.setCurrentIndex(0);
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

// Each Config command refills its dialog from the engines, shows it modally
// and applies it only on OK. An unreadable field or an engine fault ends the
// command in the error box, with what was applied before it left in force.

void TfrmMain::UserEllipsoid1Click() {
    if (!frmUserEll)
        return;
    try {
        RefillUserEllDialog();
        if (frmUserEll->exec() != QDialog::Accepted)
            return;
        ApplyUserEllDialog();
    } catch (const std::exception &e) {
        ShowErrorBox(this, e);
    }
}

void TfrmMain::UserDatum1Click() {
    if (!frmUserDatum)
        return;
    try {
        RefillUserDatumDialog();
        if (frmUserDatum->exec() != QDialog::Accepted)
            return;
        ApplyUserDatumDialog();
    } catch (const std::exception &e) {
        ShowErrorBox(this, e);
    }
}

void TfrmMain::SetDatum1Click() {
    if (!frmDatum)
        return;
    try {
        RefillDatumDialog();
        if (frmDatum->exec() != QDialog::Accepted)
            return;
        ApplyDatumDialog();
    } catch (const std::exception &e) {
        ShowErrorBox(this, e);
    }
}

void TfrmMain::SetCoordnate1Click() {
    if (!frmCoordSys)
        return;
    try {
        RefillCoordSysDialog();
        if (frmCoordSys->exec() != QDialog::Accepted)
            return;
        ApplyCoordSysDialog();
    } catch (const std::exception &e) {
        ShowErrorBox(this, e);
    }
}

void TfrmMain::SetFactor1Click() {
    if (!frmUtmfact)
        return;
    try {
        RefillUtmfactDialog();
        if (frmUtmfact->exec() != QDialog::Accepted)
            return;
        ApplyUtmfactDialog();
    } catch (const std::exception &e) {
        ShowErrorBox(this, e);
    }
}

void TfrmMain::DegSys1Click() {
    if (frmDegSys)
        frmDegSys->ToggleFromMenu();
    else
        ui->DegSys1->setChecked(false); // no tool window to follow
}

void TfrmMain::About1Click() {
    try {
        TfrmAbout::ShowAbout(this, m_dbVersion);
    } catch (const std::exception &e) {
        ShowErrorBox(this, e);
    }
}

// ---- datum dialog -----------------------------------------------------------

// The remembered datums, whatever was chosen and cancelled before.
void TfrmMain::RefillDatumDialog() {
    frmDatum->ui->cboDatum1->setCurrentIndex(m_nDatum1);
    frmDatum->cboDatum1Change();
    frmDatum->ui->cboDatum2->setCurrentIndex(m_nDatum2);
    frmDatum->cboDatum2Change();
}

// Side 1, then side 2. A fault on side 1 ends the command there: side 2 is
// not applied either, as with every error that ends a command.
void TfrmMain::ApplyDatumDialog() {
    if (ApplyDatum(*frmDatum->ui->cboDatum1, *pCoord1, m_nDatum1,
                   m_strDatumName1))
        ShowDatumLabels();
    if (ApplyDatum(*frmDatum->ui->cboDatum2, *pCoord2, m_nDatum2,
                   m_strDatumName2))
        ShowDatumLabels();
}

// ---- coordinate-system dialog -----------------------------------------------

void TfrmMain::RefillCoordSysDialog() {
    const Ui::TfrmCoordSys &d = *frmCoordSys->ui;
    CheckKind({d.rdoUtm1, d.rdoTm1, d.rdoG71, d.rdoEcef1},
              pCoord1->GetCoordSys());
    CheckKind({d.rdoUtm2, d.rdoTm2, d.rdoG72, d.rdoEcef2},
              pCoord2->GetCoordSys());
}

// Every OK selects the kind of both sides again, which reloads the kind's
// default origin also where the kind is unchanged.
void TfrmMain::ApplyCoordSysDialog() {
    const Ui::TfrmCoordSys &d = *frmCoordSys->ui;
    if (const int kind =
            CheckedKind({d.rdoUtm1, d.rdoTm1, d.rdoG71, d.rdoEcef1}))
        pCoord1->SetCoordSys(kind);
    ShowDatumLabels();
    if (const int kind =
            CheckedKind({d.rdoUtm2, d.rdoTm2, d.rdoG72, d.rdoEcef2}))
        pCoord2->SetCoordSys(kind);
    ShowDatumLabels();
}

// ---- projection-origin dialog -----------------------------------------------

void TfrmMain::RefillUtmfactDialog() {
    const Ui::TfrmUtmfact &d = *frmUtmfact->ui;
    ShowOrigin({d.edtX1, d.edtY1, d.edtLat1, d.edtLon1, d.edtDLon1}, *pCoord1);
    ShowOrigin({d.edtX2, d.edtY2, d.edtLat2, d.edtLon2, d.edtDLon2}, *pCoord2);
}

// Side by side: an unreadable side-1 field leaves both engines as they were,
// an unreadable side-2 field leaves side 1 applied.
void TfrmMain::ApplyUtmfactDialog() {
    const Ui::TfrmUtmfact &d = *frmUtmfact->ui;
    ApplyOrigin({d.edtX1, d.edtY1, d.edtLat1, d.edtLon1, d.edtDLon1}, *pCoord1);
    ApplyOrigin({d.edtX2, d.edtY2, d.edtLat2, d.edtLon2, d.edtDLon2}, *pCoord2);
}

// ---- user-ellipsoid dialog --------------------------------------------------

void TfrmMain::RefillUserEllDialog() {
    const Ui::TfrmUserEll &d = *frmUserEll->ui;
    EllipsoidText ellipsoid;
    ReadEllipsoidRow(*pCoord1, 0, ellipsoid);
    d.edtEllipsoid->setText(ellipsoid.name);
    d.edtEllipsoid->setCursorPosition(0);
    WriteReal(d.edtA, ellipsoid.a);
    WriteReal(d.edtF, ellipsoid.invf);
}

// Both numbers are read before anything is stored. The datums in force keep
// their derived values until "Set &Datum" selects them again.
void TfrmMain::ApplyUserEllDialog() {
    const Ui::TfrmUserEll &d = *frmUserEll->ui;
    const double a = ReadReal(d.edtA);
    const double invf = ReadReal(d.edtF);
    const QByteArray name = EngineName(d.edtEllipsoid);
    pCoord1->SetUserEllipsoid(name.constData(), a, invf);
    pCoord2->SetUserEllipsoid(name.constData(), a, invf);
    // The list shows the name as stored, whole: a name longer than the
    // record is cut by the engine, and the list must not claim more.
    if (frmUserDatum) {
        EllipsoidText ellipsoid;
        ReadEllipsoidRow(*pCoord1, 0, ellipsoid);
        frmUserDatum->ui->cboEllipsoid->setItemText(0, ellipsoid.name);
    }
}

// ---- user-datum dialog ------------------------------------------------------

// The name field is not refilled: it keeps the text last typed into it.
void TfrmMain::RefillUserDatumDialog() {
    const Ui::TfrmUserDatum &d = *frmUserDatum->ui;
    DatumText datum;
    ReadDatumRow(*pCoord1, 0, datum);
    d.cboEllipsoid->setCurrentIndex(datum.ellipsoid);
    frmUserDatum->cboEllipsoidChange();
    WriteReal(d.edtDx, datum.dx);
    WriteReal(d.edtDy, datum.dy);
    WriteReal(d.edtDz, datum.dz);
}

// The ellipsoid and all three shifts are read before anything is stored. A
// side on the user datum keeps its old values until "Set &Datum" selects it
// again.
void TfrmMain::ApplyUserDatumDialog() {
    const Ui::TfrmUserDatum &d = *frmUserDatum->ui;
    const std::int32_t ellipsoid = d.cboEllipsoid->currentIndex();
    if (ellipsoid < 0)
        return; // no ellipsoid selected: nothing to store
    const double dx = ReadReal(d.edtDx);
    const double dy = ReadReal(d.edtDy);
    const double dz = ReadReal(d.edtDz);
    const QByteArray name = EngineName(d.edtDatum);
    pCoord1->SetUserDatum(name.constData(), ellipsoid, dx, dy, dz);
    pCoord2->SetUserDatum(name.constData(), ellipsoid, dx, dy, dz);
    // The lists show the names as stored (cut to the record by the engine).
    if (frmDatum) {
        DatumText datum;
        ReadDatumRow(*pCoord1, 0, datum);
        frmDatum->ui->cboDatum1->setItemText(0, datum.name);
        ReadDatumRow(*pCoord2, 0, datum);
        frmDatum->ui->cboDatum2->setItemText(0, datum.name);
    }
}
