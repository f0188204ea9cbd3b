// The main window: the two sides of the point, the menu, the two engines, the
// notation synchronisation, the six commands and the commands that fill, show
// and apply the configuration dialogs.
#include "Fmain.h"
#include "ui_Fmain.h"

#include "Commands.h"
#include "Coord.h"
#include "DialogSupport.h"
#include "ErrorBox.h"
#include "Fabout.h"
#include "Fconvert.h"
#include "Fcoordsys.h"
#include "Fdatum.h"
#include "Fdegsys.h"
#include "FieldMark.h"
#include "FieldText.h"
#include "FormLook.h"
#include "Frefsys.h"
#include "Fuserdatum.h"
#include "Fuserell.h"
#include "Futmfact.h"
#include "GridZone.h"
#include "NumberText.h"
#include "PointRecord.h"
#include "ProgramIcon.h"

#include <QClipboard>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QStyle>

#include <algorithm>
#include <array>
#include <exception>
#include <optional>
#include <string>

namespace {

// ---- a row of three fields ------------------------------------------------

using Row = std::array<QLineEdit *, 3>;

PointTexts ReadRow(const Row &row) {
    return {row[0]->text().toStdString(), row[1]->text().toStdString(),
            row[2]->text().toStdString()};
}

void WriteRow(const Row &row, const PointTexts &texts) {
    for (std::size_t i = 0; i < row.size(); ++i)
        WriteText(row[i], texts[i]);
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

/// The operation of a conversion between a side's point and its grid.
QString GridOperationText(const Side &side) {
    if (const ProjSide *system = side.System())
        return QObject::tr("the conversion of %1 (exact)")
            .arg(QString::fromStdString(system->Facts().Label()));
    return side.Engine().GetCoordSys() == CS_ECEF
               ? QObject::tr("Earth-centred coordinates (catalogue)")
               : QObject::tr("Transverse Mercator (catalogue)");
}

} // namespace

/// The refusal of grid values given to Paste Point, pointing to Paste
/// Grid: "latitude 321459.855 looks like a grid value, which Edit > Paste
/// Grid (Ctrl+Shift+G) reads into side 1's grid fields; as a latitude it is
/// outside -90 to 90", the reader's own words around the pointer.
std::string GridPastedAsPoint(int side, const std::string &reason) {
    const QString why = QString::fromStdString(reason);
    const QString pointer =
        QObject::tr("looks like a grid value, which Edit > Paste Grid "
                    "(Ctrl+Shift+%1) reads into side %2's grid fields")
            .arg(side == 1 ? u'G' : u'H')
            .arg(side);
    const qsizetype is = why.indexOf(QStringLiteral(" is "));
    if (is < 0)
        return (why + QStringLiteral(": ") + pointer).toStdString();
    // "latitude 321459.855" / "is outside -90 to 90"
    return (why.left(is) + u' ' + pointer + QObject::tr("; as a ") +
            why.left(why.indexOf(u' ')) + QObject::tr(" it") + why.mid(is))
        .toStdString();
}

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

    SetUpFields();
    SetUpMenus();
    SetUpEditMenu();
    SetUpSynchronisation();
    SetUpGridZones();

    FormCreate();
    ShowGridZones();
    SetUpContextMenus();
    m_bStepsOn = true;
}

TfrmMain::~TfrmMain() = default;

void TfrmMain::SetUpFields() {
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

    // A field whose text cannot be read shows it while it stays so; every
    // field shows its text from the start while it is not being edited.
    for (QLineEdit *field : findChildren<QLineEdit *>()) {
        const QString name = field->objectName();
        const bool integer = name.contains(u"Dmd") || name.contains(u"Dmsd") ||
                             name.contains(u"Dmsm");
        MarkWhenUnreadable(field,
                           integer ? FieldKind::Integer : FieldKind::Real);
        ShowFromStart(field);
    }
}

void TfrmMain::SetUpMenus() {
    connect(ui->Open1, &QAction::triggered, this, &TfrmMain::Open1Click);
    connect(ui->ConvertFile1, &QAction::triggered, this,
            [this] { ConvertFile1Click(); });
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
    connect(ui->ReferenceSystem1, &QAction::triggered, this,
            &TfrmMain::ReferenceSystem1Click);
    connect(ui->DegSys1, &QAction::triggered, this, &TfrmMain::DegSys1Click);
    connect(ui->About1, &QAction::triggered, this, &TfrmMain::About1Click);
}

void TfrmMain::SetUpEditMenu() {
    setAcceptDrops(true);
    // Edit: Copy Point (decimal degrees) and Copy Point As, for each side.
    const struct {
        int side;
        QAction *copy;
        std::array<QAction *, 8> copyAs;
    } copies[] = {
        {1, ui->CopyPoint1,
         {ui->CopyDd1, ui->CopyDms1, ui->CopyGrid1, ui->CopyGeoJson1,
          ui->CopyWkt1, ui->CopyGeoUri1, ui->CopyMgrs1, ui->CopyGeohash1}},
        {2, ui->CopyPoint2,
         {ui->CopyDd2, ui->CopyDms2, ui->CopyGrid2, ui->CopyGeoJson2,
          ui->CopyWkt2, ui->CopyGeoUri2, ui->CopyMgrs2, ui->CopyGeohash2}},
    };
    constexpr PointFormat COPY_FORMATS[] = {
        PointFormat::Decimal, PointFormat::Dms,    PointFormat::Grid,
        PointFormat::GeoJson, PointFormat::Wkt,    PointFormat::GeoUri,
        PointFormat::Mgrs,    PointFormat::Geohash};
    // The note of a point carried as it was pasted, at the menu bar's end.
    stPasteNote = new QLabel(menuBar());
    stPasteNote->setObjectName(QStringLiteral("stPasteNote"));
    menuBar()->setCornerWidget(stPasteNote, Qt::TopRightCorner);
    stPasteNote->hide();
    for (int side : {1, 2}) {
        for (QLineEdit *field : GeoRow(side))
            connect(field, &QLineEdit::textChanged, this,
                    [this, side] { ClearPasteNote(side); });
    }
    connect(ui->PastePoint1, &QAction::triggered, this,
            [this] { PastePoint(1); });
    connect(ui->PastePoint2, &QAction::triggered, this,
            [this] { PastePoint(2); });
    // Undo, Redo and Paste Grid: Edit's items with the window's keys, and
    // in the fields' context menus.
    connect(ui->PasteGrid1, &QAction::triggered, this,
            &TfrmMain::PasteGrid1Click);
    connect(ui->PasteGrid2, &QAction::triggered, this,
            &TfrmMain::PasteGrid2Click);
    connect(ui->Undo1, &QAction::triggered, this, &TfrmMain::Undo1Click);
    connect(ui->Redo1, &QAction::triggered, this, &TfrmMain::Redo1Click);
    // Grid numbers that no longer belong to the side's point are shown so.
    for (int side : {1, 2}) {
        for (QLineEdit *field : GeoRow(side))
            connect(field, &QLineEdit::textChanged, this,
                    [this, side] { ShowStaleGrid(side); });
        for (QLineEdit *field : GridRow(side))
            connect(field, &QLineEdit::textChanged, this,
                    [this, side] { ShowStaleGrid(side); });
    }
    for (const auto &copy : copies) {
        const int side = copy.side;
        connect(copy.copy, &QAction::triggered, this,
                [this, side] { CopyPoint(side, PointFormat::Decimal); });
        for (std::size_t i = 0; i < copy.copyAs.size(); ++i) {
            const PointFormat format = COPY_FORMATS[i];
            connect(copy.copyAs[i], &QAction::triggered, this,
                    [this, side, format] { CopyPoint(side, format); });
        }
    }
}

void TfrmMain::SetUpSynchronisation() {
    // Each field of the DD, DM and DMS rows rewrites the other notations.
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
}

void TfrmMain::SetUpGridZones() {
    // The zone or belt of each side's grid, and a mark when the point lies
    // outside it.
    const QPixmap warning =
        style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(12, 12);
    for (QLabel *mark : {ui->lblZoneMark1, ui->lblZoneMark2}) {
        mark->setPixmap(warning);
        mark->setScaledContents(true);
        mark->hide();
    }
    // A legend on the group's top line, a size below the captions so that
    // it stays above the first row's field.
    QFont legend = font();
    legend.setPixelSize(11);
    ui->lblZone1->setFont(legend);
    ui->lblZone2->setFont(legend);
    // The standard zone of a point depends on its latitude too (32V, the
    // Svalbard zones, UPS beyond UTM).
    for (QLineEdit *field : {ui->edtLatDd1, ui->edtLonDd1})
        connect(field, &QLineEdit::textChanged, this,
                [this] { ShowGridZone(1); });
    for (QLineEdit *field : {ui->edtLatDd2, ui->edtLonDd2})
        connect(field, &QLineEdit::textChanged, this,
                [this] { ShowGridZone(2); });
}


void TfrmMain::FormCreate() {
    SyncLatFromDms1();
    SyncLonFromDms1();
    Dt1Click();
}

// ---- the window's own state ------------------------------------------------

QLabel *TfrmMain::stDatum1() const { return ui->stDatum1; }
QLabel *TfrmMain::stDatum2() const { return ui->stDatum2; }
QLabel *TfrmMain::stUtm1() const { return ui->stUtm1; }
QLabel *TfrmMain::stUtm2() const { return ui->stUtm2; }
QAction *TfrmMain::DegSys1() const { return ui->DegSys1; }

void TfrmMain::ShowDatumLabels() {
    const QString *names[] = {&m_strDatumName1, &m_strDatumName2};
    QLabel *datums[] = {ui->stDatum1, ui->stDatum2};
    QLabel *grids[] = {ui->stUtm1, ui->stUtm2};
    const QString before[] = {ui->stDatum1->text(), ui->stDatum2->text()};
    for (int side : {1, 2}) {
        const Side &s = SideOf(side);
        if (const ProjSide *system = s.System()) {
            datums[side - 1]->setText(
                QString::fromStdString(system->GeoFacts().Label()));
            grids[side - 1]->setText(
                QString::fromStdString(system->Facts().Label()));
        } else {
            datums[side - 1]->setText(*names[side - 1]);
            grids[side - 1]->setText(*names[side - 1] +
                                     GridKindTag(s.Engine().GetCoordSys()));
        }
    }
    // A note is about the point on its side's datum: it goes with a change
    // of that datum, not with the other side's or with a change of grid.
    for (int side : {1, 2}) {
        if (datums[side - 1]->text() != before[side - 1])
            ClearPasteNote(side);
    }
    ShowSystemFacts();
    ShowGridZones();
    ShowGridAxes();
    ShowStaleGrids();
    emit DatumLabelsShown();
}

// The zone is the engine's, from the central meridian of the side's origin;
// the window only names it and sets the mark. It stands on the grid group's
// top line at its right end, as the group's title stands at its left.
void TfrmMain::ShowGridZones() {
    ShowGridZone(1, true);
    ShowGridZone(2, true);
}

void TfrmMain::ShowGridZone(int side, bool always) {
    struct Zone {
        QLabel *name, *mark;
        const QLineEdit *lat, *lon;
    };
    const Zone zones[] = {
        {ui->lblZone1, ui->lblZoneMark1, ui->edtLatDd1, ui->edtLonDd1},
        {ui->lblZone2, ui->lblZoneMark2, ui->edtLatDd2, ui->edtLonDd2}};
    const Zone &z = zones[side - 1];
    const GridZone zone = ZoneOf(SideOf(side));
    std::string outside;
    try {
        outside = OutsideZone(zone, ReadReal(z.lat), ReadReal(z.lon));
    } catch (const Code::ConversionError &) {
        // an unreadable longitude is marked in its own field
    }
    // Each keystroke in the point's fields asks again; mostly the answer
    // is the same.
    std::array<std::string, 3> shown{zone.name, zone.origin, outside};
    if (!always && shown == m_zoneShown[side - 1])
        return;
    z.name->setText(QString::fromStdString(zone.name));
    z.name->setVisible(!zone.name.empty());
    QString tip = QString::fromStdString(zone.origin);
    if (!outside.empty())
        tip += u'\n' + QString::fromStdString(outside);
    z.name->setToolTip(tip);
    z.mark->setToolTip(QString::fromStdString(outside));
    z.mark->setVisible(!outside.empty());
    const int right = z.lon->geometry().right() + 1;
    z.name->resize(z.name->sizeHint().width(), z.name->height());
    z.name->move(right - z.name->width(), 0);
    z.mark->move(z.name->x() - z.mark->width() - 2, 0);
    m_zoneShown[side - 1] = std::move(shown);
}

// The captions stay as the labels' rule makes them; what a PROJ system is,
// which height its rows hold and the operation it took last go into the
// tooltips of the side's labels (the fields' own tooltips say why a text
// does not read). A side on its catalogue datum has none.
void TfrmMain::ShowSystemFacts() {
    struct Labels {
        QLabel *datum, *grid, *alt, *z;
    };
    const Labels labels[] = {
        {ui->stDatum1, ui->stUtm1, ui->lblAltDd1, ui->lblUtmZ1},
        {ui->stDatum2, ui->stUtm2, ui->lblAltDd2, ui->lblUtmZ2}};
    for (int side : {1, 2}) {
        const Labels &l = labels[side - 1];
        const ProjSide *system = SideOf(side).System();
        if (!system) {
            for (QLabel *label : {l.datum, l.grid, l.alt, l.z})
                label->setToolTip({});
            continue;
        }
        QString operation;
        if (const std::string &text = m_strLastOperation[side - 1];
            !text.empty())
            operation =
                tr("\nLast operation: %1").arg(QString::fromStdString(text));
        l.datum->setToolTip(SystemDetails(system->GeoFacts()) + operation);
        l.grid->setToolTip(SystemDetails(system->Facts()) + operation);
        l.alt->setToolTip(
            tr("Height: %1")
                .arg(QString::fromStdString(system->GeoFacts().HeightText())));
        l.z->setToolTip(system->HasGrid()
                            ? tr("Z: %1").arg(QString::fromStdString(
                                  system->Facts().HeightText()))
                            : QString());
    }
}

// ---- the dialogs, and what the main window fills them with
// -------------------

void TfrmMain::CreateDialogs() {
    frmDatum = std::make_unique<TfrmDatum>(this);
    // The datum dialog's creation: its lists, each side showing its datum,
    // and both datums selected into the engines.
    FillDatumLists();
    Commands::ApplyDatum(m_side1, frmDatum->SelectedDatum(1));
    Commands::ApplyDatum(m_side2, frmDatum->SelectedDatum(2));
    frmDegSys = std::make_unique<TfrmDegSys>(ui->DegSys1, this);
    frmUtmfact = std::make_unique<TfrmUtmfact>(this);
    frmUserDatum = std::make_unique<TfrmUserDatum>(this);
    FillEllipsoidList();
    frmUserEll = std::make_unique<TfrmUserEll>(this);
    frmCoordSys = std::make_unique<TfrmCoordSys>(this);
}

void TfrmMain::FillDatumLists() {
    ShowCataloguesInDatumDialog();
    frmDatum->ShowDatums(m_nDatum1, m_nDatum2);
    m_strDatumName1 = frmDatum->DatumText(1, m_nDatum1);
    m_strDatumName2 = frmDatum->DatumText(2, m_nDatum2);
}

void TfrmMain::FillEllipsoidList() {
    frmUserDatum->ShowEllipsoids(ReadCatalogue(*pCoord1).ellipsoids);
}

// ---- synchronisation --------------------------------------------------------

AngleFieldSet TfrmMain::Angle(int side, bool latitude) const {
    if (side == 1) {
        if (latitude)
            return {ui->edtLatDd1,   ui->edtLatDmd1,  ui->edtLatDmm1,
                    ui->edtLatDmsd1, ui->edtLatDmsm1, ui->edtLatDmss1};
        return {ui->edtLonDd1,   ui->edtLonDmd1,  ui->edtLonDmm1,
                ui->edtLonDmsd1, ui->edtLonDmsm1, ui->edtLonDmss1};
    }
    if (latitude)
        return {ui->edtLatDd2,   ui->edtLatDmd2,  ui->edtLatDmm2,
                ui->edtLatDmsd2, ui->edtLatDmsm2, ui->edtLatDmss2};
    return {ui->edtLonDd2,   ui->edtLonDmd2,  ui->edtLonDmm2,
            ui->edtLonDmsd2, ui->edtLonDmsm2, ui->edtLonDmss2};
}

namespace {
constexpr bool LAT = true;
constexpr bool LON = false;
using Code::AngleNotation;
} // namespace

// The one synchronisation of an angle's notations, which the degree-system
// tool shares; here without radians.

void TfrmMain::SyncLatFromDd1() {
    SyncAngleFields(AngleNotation::Dd, Angle(1, LAT));
}
void TfrmMain::SyncLatFromDm1() {
    SyncAngleFields(AngleNotation::Dm, Angle(1, LAT));
}
void TfrmMain::SyncLatFromDms1() {
    SyncAngleFields(AngleNotation::Dms, Angle(1, LAT));
}
void TfrmMain::SyncLonFromDd1() {
    SyncAngleFields(AngleNotation::Dd, Angle(1, LON));
}
void TfrmMain::SyncLonFromDm1() {
    SyncAngleFields(AngleNotation::Dm, Angle(1, LON));
}
void TfrmMain::SyncLonFromDms1() {
    SyncAngleFields(AngleNotation::Dms, Angle(1, LON));
}
void TfrmMain::SyncLatFromDd2() {
    SyncAngleFields(AngleNotation::Dd, Angle(2, LAT));
}
void TfrmMain::SyncLatFromDm2() {
    SyncAngleFields(AngleNotation::Dm, Angle(2, LAT));
}
void TfrmMain::SyncLatFromDms2() {
    SyncAngleFields(AngleNotation::Dms, Angle(2, LAT));
}
void TfrmMain::SyncLonFromDd2() {
    SyncAngleFields(AngleNotation::Dd, Angle(2, LON));
}
void TfrmMain::SyncLonFromDm2() {
    SyncAngleFields(AngleNotation::Dm, Angle(2, LON));
}
void TfrmMain::SyncLonFromDms2() {
    SyncAngleFields(AngleNotation::Dms, Angle(2, LON));
}

// ---- change handlers --------------------------------------------------------
// The change notification fires on the program's own writes too; only the
// field that holds the focus recomputes, so the rewriting never runs in
// circles, and never for a write of the program's own: a command that writes
// the focused field must not have it recompute the row from the half-written
// texts around it.

void TfrmMain::RunIfFocused(const QLineEdit *field, void (TfrmMain::*sync)()) {
    if (!IsTypedChange(field))
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

void TfrmMain::ConvertFile1Click(const QString &input) {
    if (!frmConvert)
        frmConvert = std::make_unique<TfrmConvert>(this);
    if (!input.isEmpty())
        frmConvert->SetInput(input);
    if (!frmConvert->isVisible()) {
        // Every opening offers the sides as they stand then.
        frmConvert->ShowSides(FileSides());
        frmConvert->exec();
    }
}

void TfrmMain::Exit1Click() { close(); }

// One local file, dragged from a file manager.
namespace {
QString DroppedFile(const QMimeData *data) {
    if (data == nullptr || data->urls().size() != 1 ||
        !data->urls().first().isLocalFile())
        return {};
    return data->urls().first().toLocalFile();
}
} // namespace

void TfrmMain::dragEnterEvent(QDragEnterEvent *event) {
    if (!DroppedFile(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void TfrmMain::dropEvent(QDropEvent *event) {
    const QString path = DroppedFile(event->mimeData());
    if (path.isEmpty())
        return;
    event->acceptProposedAction();
    ConvertFile1Click(path);
}

std::array<ConvertSide, 2> TfrmMain::FileSides() const {
    return {ConvertSide{ui->stDatum1->text(), ui->stUtm1->text(),
                        FileSide(1, false), FileSide(1, true)},
            ConvertSide{ui->stDatum2->text(), ui->stUtm2->text(),
                        FileSide(2, false), FileSide(2, true)}};
}

ConversionSide TfrmMain::FileSide(int side, bool grid) const {
    const COORD &engine = SideOf(side).Engine();
    if (const ProjSide *system = SideOf(side).System()) {
        // The grid row's values are the system's own; the angle row's are
        // its geographic system's.
        return ConversionSide::OnSystem(grid ? system->Facts().definition
                                             : system->GeoFacts().definition);
    }
    CatalogueSide settings;
    settings.datum = engine.GetDatum();
    settings.kind =
        grid ? GridKindOf(engine.GetCoordSys()) : GridKind::Geographic;
    settings.engine = std::make_shared<const COORD>(engine);
    return settings;
}

// ---- menu: Transformation and Conversion ------------------------------------

Side &TfrmMain::SideOf(int side) { return side == 1 ? m_side1 : m_side2; }
const Side &TfrmMain::SideOf(int side) const {
    return side == 1 ? m_side1 : m_side2;
}

std::array<QLineEdit *, 3> TfrmMain::GeoRow(int side) const {
    if (side == 1)
        return {ui->edtLatDd1, ui->edtLonDd1, ui->edtAltDd1};
    return {ui->edtLatDd2, ui->edtLonDd2, ui->edtAltDd2};
}

std::array<QLineEdit *, 3> TfrmMain::GridRow(int side) const {
    if (side == 1)
        return {ui->edtUtmX1, ui->edtUtmY1, ui->edtUtmZ1};
    return {ui->edtUtmX2, ui->edtUtmY2, ui->edtUtmZ2};
}

void TfrmMain::SyncFromDdRow(int side) {
    if (side == 1) {
        SyncLatFromDd1();
        SyncLonFromDd1();
    } else {
        SyncLatFromDd2();
        SyncLonFromDd2();
    }
}

// Each command reads its three texts, has the commands unit compute, and only
// then writes: a failure on the way leaves every field as it was. An error
// box for a text that does not read names the field it came from.
template <typename Body>
void TfrmMain::RunCommand(const std::array<QLineEdit *, 3> &read, Body &&body) {
    try {
        body();
    } catch (const FieldError &e) {
        ShowErrorBox(this, e, FieldDescription(read[e.Index()]));
    } catch (const std::exception &e) {
        ShowErrorBox(this, e);
    }
}

void TfrmMain::TransformCommand(int from, int to) {
    const QString what = QStringLiteral("Datum%1->Datum%2").arg(from).arg(to);
    RecordStep(what, [&] {
        RunCommand(GeoRow(from), [&] {
            WriteRow(GeoRow(to), Commands::Transform(SideOf(from), SideOf(to),
                                                     ReadRow(GeoRow(from))));
            SyncFromDdRow(to);
            NoteOperation(from, to);
            const ProjSide *system = SideOf(from).System()
                                         ? SideOf(from).System()
                                         : SideOf(to).System();
            NoteLastOperation(
                what, system
                          ? QString::fromStdString(system->LastOperationText())
                      : SameDatum(SideOf(from), SideOf(to))
                          ? tr("a copy (the same datum)")
                          : tr("standard Molodensky (catalogue)"));
        });
    });
}

// Between two sides on PROJ systems PROJ's one operation between them is
// remembered by the side it started from, and belongs to both; otherwise a
// side on a PROJ system made its own step to or from WGS 84.
void TfrmMain::NoteOperation(int from, int to) {
    const ProjSide *source = SideOf(from).System();
    const ProjSide *target = SideOf(to).System();
    if (source)
        m_strLastOperation[from - 1] = source->LastOperationText();
    if (target)
        m_strLastOperation[to - 1] =
            (source ? source : target)->LastOperationText();
    ShowSystemFacts();
}

// A conversion leaves the two rows of a side holding one point; the side
// keeps them so, to tell later whether its grid row still does.
void TfrmMain::GeoToGridCommand(int side) {
    const QString what = QStringLiteral("Datum%1->Utm%1").arg(side);
    RecordStep(what, [&] {
        RunCommand(GeoRow(side), [&] {
            WriteRow(GridRow(side),
                     Commands::GeoToGrid(SideOf(side), ReadRow(GeoRow(side))));
            m_convertedRows[side - 1].Note(SideOf(side), ReadRow(GeoRow(side)),
                                           ReadRow(GridRow(side)),
                                           GridSystemText(side).toStdString());
            NoteLastOperation(what, GridOperationText(SideOf(side)));
        });
        ShowStaleGrids();
    });
}

void TfrmMain::GridToGeoCommand(int side) {
    const QString what = QStringLiteral("Utm%1->Datum%1").arg(side);
    RecordStep(what, [&] {
        RunCommand(GridRow(side), [&] {
            WriteRow(GeoRow(side),
                     Commands::GridToGeo(SideOf(side), ReadRow(GridRow(side))));
            SyncFromDdRow(side);
            m_convertedRows[side - 1].Note(SideOf(side), ReadRow(GeoRow(side)),
                                           ReadRow(GridRow(side)),
                                           GridSystemText(side).toStdString());
            NoteLastOperation(what, GridOperationText(SideOf(side)));
        });
        ShowStaleGrids();
    });
}

// Grid values are copied only while they are the point's: numbers left
// from another point, another system or none at all are refused with the
// reason, and the clipboard keeps what it held.
void TfrmMain::CopyPoint(int side, PointFormat format) {
    const bool grid = format == PointFormat::Grid;
    const auto row = grid ? GridRow(side) : GeoRow(side);
    RunCommand(row, [&] {
        const PointValues values = Commands::ReadPoint(ReadRow(row));
        // The point on the side's own datum, for the record; with the grid
        // row it came from, when the grid is what is copied.
        PointValues point = values;
        std::optional<PointValues> gridRow;
        if (grid) {
            CheckGridRow(side); // the DD row is the one its grid row is of
            gridRow = values;
            point = Commands::ReadPoint(ReadRow(GeoRow(side)));
        }
        PointValues written = values;
        if (OnWgs84(format)) {
            written = Commands::ToWgs84(SideOf(side), point); // on WGS 84
            if (const ProjSide *system = SideOf(side).System()) {
                m_strLastOperation[side - 1] = system->LastOperationText();
                ShowSystemFacts();
            }
        }
        if (grid)
            written = GridInSystemOrder(side, values);
        auto *data = new QMimeData;
        data->setText(QString::fromStdString(WritePoint(format, written)));
        // Every copy also hands over what the point stands on, for a paste
        // into a side of this program; other programs read the text.
        data->setData(QString::fromLatin1(POINT_RECORD_MIME),
                      QByteArray::fromStdString(WritePointRecord(
                          SideOf(side), point, gridRow, grid)));
        QGuiApplication::clipboard()->setMimeData(data);
    });
}

void TfrmMain::CheckGridRow(int side) const {
    try {
        m_convertedRows[side - 1].Check(SideOf(side), ReadRow(GeoRow(side)),
                                        ReadRow(GridRow(side)));
    } catch (const GridRowError &e) {
        throw GridRowError(e.what() +
                           tr("; Datum%1->Utm%1 fills them from the point")
                               .arg(side)
                               .toStdString());
    }
}

// The point is read and carried before the first field is written: a
// refusal changes nothing. A point this program copied comes with what it
// stands on and is carried from there; text from elsewhere is read by its
// form's rules.
void TfrmMain::PastePoint(int side) {
    RecordStep(tr("Paste Point"), [&] {
        const QMimeData *data = QGuiApplication::clipboard()->mimeData();
        const QString mime = QString::fromLatin1(POINT_RECORD_MIME);
        const std::string text =
            QGuiApplication::clipboard()->text().toStdString();
        try {
            PointForSide pasted;
            const std::string record = data && data->hasFormat(mime)
                                           ? data->data(mime).toStdString()
                                           : std::string();
            // A grid copy's text is grid values: read as the text it is,
            // which is refused with the way to Paste Grid.
            if (!record.empty() && !IsGridCopy(record)) {
                pasted = ReadPointRecord(SideOf(side), record);
            } else {
                try {
                    pasted = ReadPointForSide(SideOf(side), text);
                } catch (const InputError &e) {
                    if (!LooksLikeGridValues(text))
                        throw;
                    throw InputError(GridPastedAsPoint(side, e.what()));
                }
            }
            const auto row = GeoRow(side);
            // Without a height, 0 on the datum the text is on: the altitude
            // shown before belonged to another point.
            WriteReal(row[0], pasted.point[0]);
            WriteReal(row[1], pasted.point[1]);
            WriteReal(row[2], pasted.point[2]);
            SyncFromDdRow(side);
            if (pasted.carried) {
                if (const ProjSide *system = SideOf(side).System()) {
                    m_strLastOperation[side - 1] = system->LastOperationText();
                    ShowSystemFacts();
                }
            }
            ShowPasteNote(side, pasted);
        } catch (const std::exception &e) {
            ShowErrorBox(this, e);
        }
    });
}

// A point carried on its way in is not the text pasted, and a text without
// a height gave the altitude 0: the note says so until the side's point or
// datum changes. Each side has its own.
void TfrmMain::ShowPasteNote(int side, const PointForSide &pasted) {
    ClearPasteNote(side);
    // An MGRS reference or a geohash names an area: its centre was pasted.
    const QString area = QString::fromStdString(pasted.area);
    if (!pasted.carried && pasted.hasHeight && area.isEmpty())
        return;
    const QString form = QString::fromUtf8(PastedFormName(pasted.form));
    const QString from = QString::fromStdString(pasted.from);
    const QString datum = (side == 1 ? ui->stDatum1 : ui->stDatum2)->text();
    // "MGRS read as its centre," where the text named a square or a cell.
    const QString what =
        area.isEmpty() ? form : tr("%1 read as its centre,").arg(form);
    QString note, tip;
    if (pasted.carried && pasted.record) {
        note = tr("Side %1: copied point carried from %2").arg(side).arg(from);
        tip = tr("The point was copied from a side on %1;\nit was carried "
                 "to %2, side %3's datum,\nas Datum%4->Datum%3 carries one.")
                  .arg(from, datum)
                  .arg(side)
                  .arg(3 - side);
    } else if (pasted.carried) {
        note = tr("Side %1: %2 carried from %3").arg(side).arg(what, from);
        tip = tr("The %1 point is on %2 by definition;\nit was carried to "
                 "%3, side %4's datum,\nas Datum%5->Datum%4 carries one.")
                  .arg(form, from, datum)
                  .arg(side)
                  .arg(3 - side);
    } else {
        note =
            tr("Side %1: %2 without a height, 0 m taken").arg(side).arg(what);
        tip = tr("The %1 point was taken on %2, side %3's datum.")
                  .arg(form, datum)
                  .arg(side);
    }
    if (!area.isEmpty())
        tip = tr("The %1 text names %2;\nits centre was pasted.\n")
                  .arg(form, area) +
              tip;
    if (!pasted.hasHeight) {
        if (pasted.carried) {
            note += tr(", height 0 m there");
            tip += tr("\nIt had no height: it was taken at 0 m on %1,\nand "
                      "the altitude is that 0 m carried to %2.")
                       .arg(from, datum);
        } else {
            tip += tr("\nIt had no height: the altitude is 0 m on %1,\nnot "
                      "the altitude shown before, which was another "
                      "point's.")
                       .arg(datum);
        }
    }
    m_strNote[side - 1] = note;
    m_strNoteTip[side - 1] = note + u'\n' + tip;
    ShowCornerNotes();
}

void TfrmMain::ClearPasteNote(int side) {
    if (side < 1 || side > 2 || m_strNote[side - 1].isEmpty())
        return;
    m_strNote[side - 1].clear();
    m_strNoteTip[side - 1].clear();
    ShowCornerNotes();
}

// "side 1, latitude (DD)": the side, then the field's row label with the
// notation's group.
QString TfrmMain::FieldDescription(const QLineEdit *field) const {
    const QString name = field->objectName();
    const QString side =
        QStringLiteral("side ") + name.back() + QStringLiteral(", ");
    struct Stem {
        const char16_t *stem;
        const char16_t *text;
    };
    static constexpr Stem STEMS[] = {
        {u"edtLatDd", u"latitude (DD)"},   {u"edtLonDd", u"longitude (DD)"},
        {u"edtAltDd", u"altitude (m)"},    {u"edtUtmX", u"X(East)"},
        {u"edtUtmY", u"Y(North)"},         {u"edtUtmZ", u"Z(Height)"},
    };
    // A grid field on a PROJ system is named as its label names its axis.
    const int index = name.back() == u'2' ? 1 : 0;
    if (name.startsWith(u"edtUtmX") && !m_strGridCaption[index][0].isEmpty())
        return side + m_strGridCaption[index][0];
    if (name.startsWith(u"edtUtmY") && !m_strGridCaption[index][1].isEmpty())
        return side + m_strGridCaption[index][1];
    for (const Stem &stem : STEMS) {
        if (name.startsWith(QStringView(stem.stem)))
            return side + QStringView(stem.text).toString();
    }
    return side + name;
}

void TfrmMain::Dt1Click() { TransformCommand(1, 2); }
void TfrmMain::Dt2Click() { TransformCommand(2, 1); }
void TfrmMain::Dt1cc1Click() { GeoToGridCommand(1); }
void TfrmMain::Dt2cc2Click() { GeoToGridCommand(2); }
void TfrmMain::Cc1Dt1Click() { GridToGeoCommand(1); }
void TfrmMain::Cc2dt2Click() { GridToGeoCommand(2); }

// ---- menu: Config, Tools, Help ----------------------------------------------

// Each Config command refills its dialog from the engines, shows it modally
// and applies it only on OK. An unreadable field or an engine fault ends the
// command in the error box, with what was applied before it left in force.
void TfrmMain::RunConfigDialog(QDialog *dialog, void (TfrmMain::*refill)(),
                               void (TfrmMain::*apply)()) {
    if (!dialog)
        return; // the dialogs are not created yet
    try {
        (this->*refill)();
        if (dialog->exec() != QDialog::Accepted)
            return;
        RecordStep(dialog->windowTitle(), [&] {
            try {
                (this->*apply)();
            } catch (const std::exception &e) {
                ShowErrorBox(this, e);
            }
            ShowGridZones(); // the origin may have moved, no label rewritten
        });
    } catch (const std::exception &e) {
        ShowErrorBox(this, e);
    }
    ShowGridZones();
    ShowStaleGrids();
}

void TfrmMain::UserEllipsoid1Click() {
    RunConfigDialog(frmUserEll.get(), &TfrmMain::RefillUserEllDialog,
                    &TfrmMain::ApplyUserEllDialog);
}

void TfrmMain::UserDatum1Click() {
    RunConfigDialog(frmUserDatum.get(), &TfrmMain::RefillUserDatumDialog,
                    &TfrmMain::ApplyUserDatumDialog);
}

void TfrmMain::SetDatum1Click() {
    RunConfigDialog(frmDatum.get(), &TfrmMain::RefillDatumDialog,
                    &TfrmMain::ApplyDatumDialog);
}

void TfrmMain::SetCoordnate1Click() {
    RunConfigDialog(frmCoordSys.get(), &TfrmMain::RefillCoordSysDialog,
                    &TfrmMain::ApplyCoordSysDialog);
}

void TfrmMain::SetFactor1Click() {
    RunConfigDialog(frmUtmfact.get(), &TfrmMain::RefillUtmfactDialog,
                    &TfrmMain::ApplyUtmfactDialog);
}

void TfrmMain::ReferenceSystem1Click() {
    if (!frmRefSys)
        frmRefSys = std::make_unique<TfrmRefSys>(this);
    RunConfigDialog(frmRefSys.get(), &TfrmMain::RefillRefSysDialog,
                    &TfrmMain::ApplyRefSysDialog);
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

// The remembered datums, whatever was chosen and cancelled before. A side on
// a PROJ system shows no entry: choosing one returns it to the catalogue.
void TfrmMain::RefillDatumDialog() {
    ShowCataloguesInDatumDialog();
    frmDatum->ShowDatums(m_side1.System() ? -1 : m_nDatum1,
                         m_side2.System() ? -1 : m_nDatum2);
}

// The engine first: SetDatum is all or nothing, so when the datum cannot be
// derived (a user ellipsoid with inverse flattening 0) the error ends the
// command before the window's index and name change, and the window never
// names a datum its engine does not hold. No entry selected leaves the side
// as it was.
void TfrmMain::ApplyDatumChoice(int side, std::int32_t &nDatum,
                                QString &strDatumName) {
    const int index = frmDatum->SelectedDatum(side);
    if (index < 0)
        return;
    Commands::ApplyDatum(SideOf(side), index);
    m_strLastOperation[side - 1].clear();
    nDatum = index;
    strDatumName = frmDatum->DatumText(side, index);
    ShowDatumLabels();
}

// Side 1, then side 2. A fault on side 1 ends the command there: side 2 is
// not applied either, as with every error that ends a command.
void TfrmMain::ApplyDatumDialog() {
    ApplyDatumChoice(1, m_nDatum1, m_strDatumName1);
    ApplyDatumChoice(2, m_nDatum2, m_strDatumName2);
}

// ---- coordinate-system dialog -----------------------------------------------

// A side on a PROJ system has its system's grid: its buttons cannot
// be used.
void TfrmMain::RefillCoordSysDialog() {
    frmCoordSys->ShowKinds(pCoord1->GetCoordSys(), pCoord2->GetCoordSys());
    for (int side : {1, 2})
        frmCoordSys->SetSideEnabled(side, !SideOf(side).System());
}

// Every OK selects the kind of both sides again, which reloads the kind's
// default origin also where the kind is unchanged.
void TfrmMain::ApplyCoordSysDialog() {
    for (int side : {1, 2}) {
        if (SideOf(side).System())
            continue;
        if (const int kind = frmCoordSys->Kind(side))
            Commands::ApplyGridKind(SideOf(side), kind);
        ShowDatumLabels();
    }
}

// ---- projection-origin dialog -----------------------------------------------

void TfrmMain::RefillUtmfactDialog() {
    for (int side : {1, 2}) {
        frmUtmfact->ShowOrigin(side, Commands::ShownOrigin(SideOf(side)));
        frmUtmfact->SetSideEnabled(side, !SideOf(side).System());
    }
}

// Side by side: an unreadable side-1 field leaves both engines as they were,
// an unreadable side-2 field leaves side 1 applied. A side on a PROJ
// system is left out.
void TfrmMain::ApplyUtmfactDialog() {
    for (int side : {1, 2}) {
        if (!SideOf(side).System())
            Commands::ApplyOrigin(SideOf(side), frmUtmfact->Origin(side));
    }
}

// ---- reference-system chooser -------------------------------------------------

void TfrmMain::RefillRefSysDialog() {
    auto id = [this](int side) {
        const ProjSide *system = SideOf(side).System();
        return system ? system->Facts().definition : std::string();
    };
    frmRefSys->ShowCurrent(1, ui->stUtm1->text(), id(1));
    frmRefSys->ShowCurrent(2, ui->stUtm2->text(), id(2));
    frmRefSys->ShowSystems(id(1), id(2));
}

// Each side with another system selected goes on it; a side without a
// selection, or with its own system selected (as the chooser opens), stays
// as it is. Both systems are made before either side changes, so a system
// PROJ cannot use (a vertical system alone) ends the command in the error
// box with both sides as they were.
void TfrmMain::ApplyRefSysDialog() {
    std::shared_ptr<const ProjSide> systems[2];
    for (int side : {1, 2}) {
        const std::string id = frmRefSys->ChosenSystem(side);
        const ProjSide *current = SideOf(side).System();
        if (!id.empty() && !(current && current->Facts().definition == id))
            systems[side - 1] = std::make_shared<const ProjSide>(id);
    }
    if (!systems[0] && !systems[1])
        return;
    for (int side : {1, 2}) {
        if (!systems[side - 1])
            continue;
        SideOf(side).SelectSystem(systems[side - 1]);
        m_strLastOperation[side - 1].clear();
        TfrmRefSys::RememberSystem(systems[side - 1]->Facts().definition);
    }
    ShowDatumLabels();
}

// ---- user-ellipsoid dialog --------------------------------------------------

void TfrmMain::RefillUserEllDialog() {
    EllipsoidText ellipsoid;
    ReadEllipsoidRow(*pCoord1, 0, ellipsoid);
    frmUserEll->ShowEllipsoid(ellipsoid.name, ellipsoid.a, ellipsoid.invf);
}

// Both numbers are read before anything is stored. The datums in force keep
// their derived values until "Set &Datum" selects them again.
void TfrmMain::ApplyUserEllDialog() {
    UserEllipsoid ellipsoid;
    ellipsoid.a = frmUserEll->A();
    ellipsoid.invf = frmUserEll->InvF();
    // A name as the engine takes it: UTF-8, ended by its first zero
    // character.
    ellipsoid.name = frmUserEll->EllipsoidName().toStdString();
    Commands::ApplyUserRows(m_side1, m_side2, ellipsoid, std::nullopt);
    // The user-datum dialog's list shows the name as stored, whole: a name
    // longer than the record is cut by the engine, and the list must not
    // claim more. The datum dialog describes datums on it from now on.
    EllipsoidText stored;
    ReadEllipsoidRow(*pCoord1, 0, stored);
    if (frmUserDatum)
        frmUserDatum->RenameUserEllipsoid(stored);
    ShowCataloguesInDatumDialog();
}

// ---- user-datum dialog ------------------------------------------------------

// The name field is not refilled: it keeps the text last typed into it.
void TfrmMain::RefillUserDatumDialog() {
    DatumText datum;
    ReadDatumRow(*pCoord1, 0, datum);
    frmUserDatum->ShowUserDatum(datum.ellipsoid, datum.dx, datum.dy, datum.dz);
}

// The ellipsoid and all three shifts are read before anything is stored. A
// side on the user datum keeps its old values until "Set &Datum" selects it
// again.
void TfrmMain::ApplyUserDatumDialog() {
    UserDatum datum;
    datum.ellipsoid = frmUserDatum->Ellipsoid();
    if (datum.ellipsoid < 0)
        return; // no ellipsoid selected: nothing to store
    const auto [dx, dy, dz] = frmUserDatum->Shifts();
    datum.dx = dx;
    datum.dy = dy;
    datum.dz = dz;
    datum.name = frmUserDatum->DatumName().toStdString();
    Commands::ApplyUserRows(m_side1, m_side2, std::nullopt, datum);
    ShowCataloguesInDatumDialog();
}

// Entry 0 of each list named as its engine stores it (cut to the record),
// and every entry described from the rows the engines now hold.
void TfrmMain::ShowCataloguesInDatumDialog() {
    if (!frmDatum)
        return;
    frmDatum->ShowCatalogue(1, ReadCatalogue(*pCoord1));
    frmDatum->ShowCatalogue(2, ReadCatalogue(*pCoord2));
}
