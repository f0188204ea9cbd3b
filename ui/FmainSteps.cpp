// The main window's additions around its documented fields: grid numbers
// that no longer belong to the point shown, the grid axes as a PROJ system
// names them, Paste Grid, the notes in the menu bar's corner, and the
// window's steps on an undo stack.
#include "Fmain.h"
#include "ui_Fmain.h"

#include "Axes.h"
#include "CatalogueEntries.h"
#include "Coord.h"
#include "DialogSupport.h"
#include "ErrorBox.h"
#include "Fdatum.h"
#include "FieldMark.h"
#include "FieldText.h"
#include "Fuserdatum.h"
#include "PointRecord.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QUndoStack>

#include <algorithm>

namespace {

/// The colour of grid numbers that belong to another point or grid: only
/// the text's colour changes, the field stays as it is.
const QColor STALE_TEXT(0xB0, 0x5A, 0x00);

/// The documented captions of the grid rows' labels.
const QString DOCUMENTED_X = QStringLiteral("X(East)");
const QString DOCUMENTED_Y = QStringLiteral("Y(North)");

/// "Y (Easting)": the axis's abbreviation and name as its system gives
/// them; the name alone where the abbreviation is its first letter
/// ("Easting" for E), which says nothing more.
QString AxisCaption(const Axis &axis) {
    const QString name = QString::fromStdString(axis.name);
    const QString abbreviation = QString::fromStdString(axis.abbreviation);
    if (abbreviation.isEmpty() ||
        name.startsWith(abbreviation, Qt::CaseInsensitive))
        return name;
    return abbreviation + " (" + name + ")";
}

} // namespace

// ---- grid numbers that no longer belong to the point -----------------------

QString TfrmMain::GridSystemText(int side) const {
    return (side == 1 ? ui->stUtm1 : ui->stUtm2)->text();
}

void TfrmMain::ShowStaleGrids() {
    ShowStaleGrid(1);
    ShowStaleGrid(2);
}

void TfrmMain::ShowStaleGrid(int side) {
    const auto geo = GeoRow(side);
    const auto grid = GridRow(side);
    const PointTexts geoTexts{geo[0]->text().toStdString(),
                              geo[1]->text().toStdString(),
                              geo[2]->text().toStdString()};
    const PointTexts gridTexts{grid[0]->text().toStdString(),
                               grid[1]->text().toStdString(),
                               grid[2]->text().toStdString()};
    const auto source = m_convertedRows[side - 1].StaleSource(
        SideOf(side), geoTexts, gridTexts);
    auto &tips = m_staleTips[side - 1];
    if (!source) {
        for (std::size_t k = 0; k < grid.size(); ++k) {
            if (tips[k].isNull())
                continue;
            grid[k]->setPalette(QPalette());
            if (grid[k]->toolTip() == tips[k])
                grid[k]->setToolTip({});
            tips[k] = QString();
            grid[k]->setProperty(STALE_MARK, QVariant());
        }
        return;
    }
    const QString tip =
        tr("Not the point shown: these are the grid values of "
           "%1, %2, %3 on %4.\nThe side's point or system has "
           "changed since; Datum%5->Utm%5 converts the point "
           "again.")
            .arg(QString::fromStdString(source->geo[0]),
                 QString::fromStdString(source->geo[1]),
                 QString::fromStdString(source->geo[2]),
                 QString::fromStdString(source->system))
            .arg(side);
    for (std::size_t k = 0; k < grid.size(); ++k) {
        QLineEdit *field = grid[k];
        // Marked so already: each keystroke in the point's fields asks again.
        if (tips[k] == tip && field->toolTip() == tip)
            continue;
        if (tips[k].isNull()) {
            QPalette palette = field->palette();
            palette.setColor(QPalette::Text, STALE_TEXT);
            field->setPalette(palette);
        }
        if (field->toolTip().isEmpty() || field->toolTip() == tips[k])
            field->setToolTip(tip);
        if (tips[k] != tip)
            field->setProperty(STALE_MARK, tip);
        tips[k] = tip;
    }
}

// ---- the grid axes as the side's system names them -------------------------

void TfrmMain::ShowGridAxes() {
    struct Labels {
        QLabel *x, *y;
        QAction *copy;
    };
    const Labels labels[] = {{ui->lblUtmX1, ui->lblUtmY1, ui->CopyGrid1},
                             {ui->lblUtmX2, ui->lblUtmY2, ui->CopyGrid2}};
    static const QString documentedCopy = ui->CopyGrid1->text();
    for (int side : {1, 2}) {
        const Labels &l = labels[side - 1];
        const ProjSide *system = SideOf(side).System();
        m_strGridCaption[side - 1] = {};
        if (!system || !system->HasGrid()) {
            l.x->setText(DOCUMENTED_X);
            l.y->setText(DOCUMENTED_Y);
            l.x->setToolTip({});
            l.y->setToolTip({});
            l.copy->setText(documentedCopy);
            continue;
        }
        // The grid row holds the values easting first: the easting-like
        // axis in edtUtmX, the northing-like one in edtUtmY, whichever the
        // system gives first.
        const SideAxes &axes = system->Axes();
        const int first = axes.EastFirstSwaps() ? 1 : 0;
        const Axis *shown[2] = {&axes[first], &axes[1 - first]};
        QLabel *fields[2] = {l.x, l.y};
        for (int i = 0; i < 2; ++i) {
            const QString caption = AxisCaption(*shown[i]);
            m_strGridCaption[side - 1][static_cast<std::size_t>(i)] = caption;
            fields[i]->setText(fields[i]->fontMetrics().elidedText(
                caption, Qt::ElideRight, fields[i]->width()));
            fields[i]->setToolTip(
                tr("%1: %2, %3, in %4")
                    .arg(caption, QString::fromStdString(shown[i]->name),
                         QString::fromStdString(shown[i]->direction),
                         QString::fromStdString(shown[i]->unit)));
        }
        l.copy->setText(tr("&Grid (%1, %2)")
                            .arg(QString::fromStdString(axes.ValueName(0)),
                                 QString::fromStdString(axes.ValueName(1))));
    }
}

PointValues TfrmMain::GridInSystemOrder(int side,
                                        const PointValues &row) const {
    const ProjSide *system = SideOf(side).System();
    if (system && system->HasGrid() && system->Axes().EastFirstSwaps())
        return {row[1], row[0], row[2]};
    return row;
}

// ---- Paste Grid
// ---------------------------------------------------------------

void TfrmMain::PasteGrid1Click() { PasteGrid(1); }
void TfrmMain::PasteGrid2Click() { PasteGrid(2); }

// The values are read before the first field is written; they go into the
// grid row in the order Copy Point As Grid writes them on the side (the
// system's own), a missing z as 0.
void TfrmMain::PasteGrid(int side) {
    RecordStep(tr("Paste Grid"), [&] {
        try {
            Commands::CheckHasGrid(SideOf(side));
            int count = 0;
            const PointValues pasted = ReadPastedGrid(
                QGuiApplication::clipboard()->text().toStdString(), count);
            // The same swap takes the system's order to the row's.
            const PointValues row = GridInSystemOrder(side, pasted);
            const auto fields = GridRow(side);
            for (std::size_t i = 0; i < 3; ++i)
                WriteReal(fields[i], row[i]);
        } catch (const std::exception &e) {
            ShowErrorBox(this, e);
        }
    });
}

// ---- the menu bar's corner
// ----------------------------------------------------

// Side 1's note, side 2's note, then the last operation, in the menu bar's
// free end, each cut to its share of the room there (the whole of them in
// the tooltip), so that the window keeps its size and every menu its place.
void TfrmMain::ShowCornerNotes() {
    QStringList parts, tips;
    for (int side : {1, 2}) {
        if (!m_strNote[side - 1].isEmpty()) {
            parts << m_strNote[side - 1];
            tips << m_strNoteTip[side - 1];
        }
    }
    if (!m_strLastOp.isEmpty()) {
        parts << m_strLastOp;
        tips << m_strLastOpTip;
    }
    if (parts.isEmpty()) {
        stPasteNote->hide();
        stPasteNote->clear();
        stPasteNote->setToolTip({});
        return;
    }
    // The menus' own width, without the note (hidden, the menu bar leaves
    // it out): the window's width is fixed, whether or not it is shown yet.
    stPasteNote->hide();
    stPasteNote->clear();
    const int used = menuBar()->sizeHint().width();
    const QString gap = QStringLiteral("  ·  ");
    const QFontMetrics metrics = stPasteNote->fontMetrics();
    const int room = std::max(0, ui->centralwidget->width() - used - 12 -
                                     metrics.horizontalAdvance(gap) *
                                         static_cast<int>(parts.size() - 1));
    const int share = room / static_cast<int>(parts.size());
    QStringList shown;
    for (const QString &part : parts)
        shown << metrics.elidedText(part, Qt::ElideRight, share);
    stPasteNote->setText(shown.join(gap));
    stPasteNote->setToolTip(tips.join(QStringLiteral("\n\n")));
    // Shown anew, the menu bar lays out its items and the note again.
    stPasteNote->show();
}

void TfrmMain::NoteLastOperation(const QString &what,
                                 const QString &operation) {
    if (!m_bStepsOn)
        return; // start-up's own Datum1->Datum2 is no command of the user's
    m_strLastOp = what + QStringLiteral(": ") + operation;
    m_strLastOpTip = tr("Last command: %1\nOperation: %2").arg(what, operation);
    ShowCornerNotes();
}

// ---- context menus
// --------------------------------------------------------------

void TfrmMain::SetUpContextMenus() {
    // The window's own fields (the degree tool's are its own window's).
    for (QLineEdit *field : findChildren<QLineEdit *>()) {
        const QString name = field->objectName();
        if (field->window() != this || !name.startsWith(u"edt"))
            continue;
        const bool grid = name.startsWith(u"edtUtm");
        const int side = name.endsWith(u'2') ? 2 : 1;
        field->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(field, &QWidget::customContextMenuRequested, this,
                [this, field, grid, side](const QPoint &at) {
                    std::unique_ptr<QMenu> menu(
                        field->createStandardContextMenu());
                    menu->addSeparator();
                    if (grid)
                        menu->addAction(side == 1 ? ui->PasteGrid1
                                                  : ui->PasteGrid2);
                    menu->addAction(ui->Undo1);
                    menu->addAction(ui->Redo1);
                    menu->exec(field->mapToGlobal(at));
                });
    }
}

// ---- the window's steps
// -----------------------------------------------------------

struct TfrmMain::WindowState {
    QMap<QString, QString> texts;
    struct SideState {
        std::shared_ptr<COORD> engine;
        std::shared_ptr<const ProjSide> system;
        std::int32_t nDatum = 0;
        QString name;
        ConvertedRows rows;
        std::string lastOperation;
        QString note, noteTip;
    };
    std::array<SideState, 2> sides;
    QStringList labels;
    QString lastOp, lastOpTip;

    /// Whether a step changed anything the window shows or computes with.
    bool SameAs(const WindowState &other) const {
        if (texts != other.texts || labels != other.labels)
            return false;
        for (std::size_t i = 0; i < 2; ++i) {
            const SideState &a = sides[i], &b = other.sides[i];
            if (a.system != b.system || a.nDatum != b.nDatum ||
                a.name != b.name || a.note != b.note)
                return false;
            const Side sa(*a.engine), sb(*b.engine);
            if (!(GridDependsOn(sa) == GridDependsOn(sb)) ||
                a.engine->m_dbLocal_dx != b.engine->m_dbLocal_dx ||
                a.engine->m_dbLocal_dy != b.engine->m_dbLocal_dy ||
                a.engine->m_dbLocal_dz != b.engine->m_dbLocal_dz ||
                a.engine->GetDatum() != b.engine->GetDatum())
                return false;
            DatumEntry da, db;
            EllipsoidEntry ea, eb;
            ReadDatumEntry(*a.engine, 0, da);
            ReadDatumEntry(*b.engine, 0, db);
            ReadEllipsoidEntry(*a.engine, 0, ea);
            ReadEllipsoidEntry(*b.engine, 0, eb);
            if (da.text != db.text || da.ellipsoid != db.ellipsoid ||
                da.dx != db.dx || da.dy != db.dy || da.dz != db.dz ||
                ea.text != eb.text || ea.a != eb.a || ea.invf != eb.invf)
                return false;
        }
        return true;
    }
};

TfrmMain::WindowState TfrmMain::CaptureState() const {
    WindowState state;
    for (const QLineEdit *field : findChildren<QLineEdit *>()) {
        // The window's own fields, not those of its dialogs.
        if (field->window() == this)
            state.texts.insert(field->objectName(), field->text());
    }
    for (int side : {1, 2}) {
        WindowState::SideState &s = state.sides[side - 1];
        s.engine = std::make_shared<COORD>(SideOf(side).Engine());
        s.system = SideOf(side).SystemShared();
        s.nDatum = side == 1 ? m_nDatum1 : m_nDatum2;
        s.name = side == 1 ? m_strDatumName1 : m_strDatumName2;
        s.rows = m_convertedRows[side - 1];
        s.lastOperation = m_strLastOperation[side - 1];
        s.note = m_strNote[side - 1];
        s.noteTip = m_strNoteTip[side - 1];
    }
    state.labels = {ui->stDatum1->text(), ui->stUtm1->text(),
                    ui->stDatum2->text(), ui->stUtm2->text()};
    state.lastOp = m_strLastOp;
    state.lastOpTip = m_strLastOpTip;
    return state;
}

namespace {

/// Puts @p engine's settings back to those of @p saved through the engine's
/// own operations: the user rows, the datum, the grid kind (with its
/// defaults), then the origin, deltas and origin point as they were.
void RestoreEngine(COORD &engine, const COORD &saved) {
    EllipsoidEntry ellipsoid;
    ReadEllipsoidEntry(saved, 0, ellipsoid);
    engine.SetUserEllipsoid(ellipsoid.text.c_str(), ellipsoid.a,
                            ellipsoid.invf);
    DatumEntry datum;
    ReadDatumEntry(saved, 0, datum);
    engine.SetUserDatum(datum.text.c_str(), datum.ellipsoid, datum.dx, datum.dy,
                        datum.dz);
    engine.SetDatum(saved.GetDatum());
    engine.SetCoordSys(saved.GetCoordSys());
    double x = 0, y = 0, dlat = 0, dlon = 0, lat = 0, lon = 0;
    saved.GetOrigin(x, y);
    saved.GetDelta(dlat, dlon);
    saved.GetOrgLatLon(lat, lon);
    engine.SetOrigin(x, y);
    engine.SetDelta(dlat, dlon);
    engine.SetOrgLatLon(lat, lon);
}

} // namespace

void TfrmMain::RestoreState(const WindowState &state) {
    const bool steps = m_bStepsOn;
    m_bStepsOn = false;
    for (int side : {1, 2}) {
        const WindowState::SideState &s = state.sides[side - 1];
        RestoreEngine(SideOf(side).Engine(), *s.engine);
        SideOf(side).SelectSystem(s.system);
        (side == 1 ? m_nDatum1 : m_nDatum2) = s.nDatum;
        (side == 1 ? m_strDatumName1 : m_strDatumName2) = s.name;
        m_convertedRows[side - 1] = s.rows;
        m_strLastOperation[side - 1] = s.lastOperation;
    }
    // The texts as the program writes them: no change handler recomputes.
    for (auto it = state.texts.begin(); it != state.texts.end(); ++it) {
        QLineEdit *field = findChild<QLineEdit *>(it.key());
        if (field && field->text() != it.value())
            WriteText(field, it.value().toStdString());
    }
    ui->stDatum1->setText(state.labels.value(0));
    ui->stUtm1->setText(state.labels.value(1));
    ui->stDatum2->setText(state.labels.value(2));
    ui->stUtm2->setText(state.labels.value(3));
    // Entry 0 of the dialogs' lists as the engines now hold it.
    ShowCataloguesInDatumDialog();
    if (frmUserDatum) {
        EllipsoidText stored;
        ReadEllipsoidRow(*pCoord1, 0, stored);
        frmUserDatum->RenameUserEllipsoid(stored);
    }
    for (int side : {1, 2}) {
        m_strNote[side - 1] = state.sides[side - 1].note;
        m_strNoteTip[side - 1] = state.sides[side - 1].noteTip;
    }
    m_strLastOp = state.lastOp;
    m_strLastOpTip = state.lastOpTip;
    ShowSystemFacts();
    ShowGridZones();
    ShowGridAxes();
    ShowStaleGrids();
    ShowCornerNotes();
    m_bStepsOn = steps;
    emit DatumLabelsShown();
}

/// One step of the window: the state before it and after it.
class WindowStep : public QUndoCommand {
  public:
    WindowStep(TfrmMain &window, const QString &name,
               TfrmMain::WindowState before, TfrmMain::WindowState after)
        : QUndoCommand(name), m_window(window),
          m_before(std::make_unique<TfrmMain::WindowState>(std::move(before))),
          m_after(std::make_unique<TfrmMain::WindowState>(std::move(after))) {}

    void undo() override { m_window.RestoreState(*m_before); }
    void redo() override {
        // Pushed after it was done: the first redo has nothing to do.
        if (m_bDone)
            m_window.RestoreState(*m_after);
        m_bDone = true;
    }

  private:
    TfrmMain &m_window;
    std::unique_ptr<TfrmMain::WindowState> m_before, m_after;
    bool m_bDone = false;
};

void TfrmMain::RecordStep(const QString &name,
                          const std::function<void()> &body) {
    if (!m_bStepsOn || m_bInStep) {
        body();
        return;
    }
    WindowState before = CaptureState();
    m_bInStep = true;
    try {
        body();
    } catch (...) {
        m_bInStep = false;
        throw;
    }
    m_bInStep = false;
    WindowState after = CaptureState();
    if (after.SameAs(before))
        return;
    if (!m_pUndoStack) {
        // Made at the first step, not at start-up.
        m_pUndoStack = new QUndoStack(this);
        connect(m_pUndoStack, &QUndoStack::canUndoChanged, ui->Undo1,
                &QAction::setEnabled);
        connect(m_pUndoStack, &QUndoStack::canRedoChanged, ui->Redo1,
                &QAction::setEnabled);
        // The actions as context: they go before the stack when the window
        // is destroyed.
        QAction *undo = ui->Undo1;
        QAction *redo = ui->Redo1;
        connect(m_pUndoStack, &QUndoStack::undoTextChanged, undo,
                [undo](const QString &text) {
                    undo->setText(text.isEmpty() ? tr("&Undo")
                                                 : tr("&Undo %1").arg(text));
                });
        connect(m_pUndoStack, &QUndoStack::redoTextChanged, redo,
                [redo](const QString &text) {
                    redo->setText(text.isEmpty() ? tr("&Redo")
                                                 : tr("&Redo %1").arg(text));
                });
    }
    m_pUndoStack->push(
        new WindowStep(*this, name, std::move(before), std::move(after)));
}

void TfrmMain::Undo1Click() {
    if (m_pUndoStack)
        m_pUndoStack->undo();
}

void TfrmMain::Redo1Click() {
    if (m_pUndoStack)
        m_pUndoStack->redo();
}
