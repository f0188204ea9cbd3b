// The main window: the two sides of the point, the menu, the two engines, the
// notation synchronisation, the six commands and the commands that fill, show
// and apply the configuration dialogs.
#pragma once

#include "Chain.h"
#include "Commands.h"
#include "GridRow.h"
#include "PointForms.h"

#include <QMainWindow>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class QAction;
class QDialog;
class QUndoStack;
class QLabel;
class QLineEdit;
class TfrmConvert;
class TfrmCoordSys;
class TfrmRefSys;
class TfrmDatum;
class TfrmDegSys;
class TfrmUserDatum;
class TfrmUserEll;
class TfrmUtmfact;

struct AngleFieldSet;
struct ConvertSide;

namespace Ui {
class TfrmMain;
}

class TfrmMain : public QMainWindow {
    Q_OBJECT

  public:
    /// Loads the form, selects the datums (133 on side 1, 125 on side 2),
    /// builds the two engines and runs FormCreate.
    explicit TfrmMain(QWidget *parent = nullptr);
    ~TfrmMain() override;

    /**
     * Creates the dialogs, once, in this order: frmDatum, frmDegSys,
     * frmUtmfact, frmUserDatum, frmUserEll, frmCoordSys. Each is hidden and
     * lives as long as this window. After frmDatum, FillDatumLists fills it
     * and both sides' datums are selected into the engines again; after
     * frmUserDatum, FillEllipsoidList fills its list. Until this has run,
     * the Config and Tools items have no window to show and do nothing.
     */
    void CreateDialogs();

    // ---- synchronisation of the notations of one angle ----------------------
    // Each reads its source notation and rewrites the other two; a text that
    // does not read as a number ends it quietly with nothing written.

    void SyncLatFromDd1();
    void SyncLatFromDm1();
    void SyncLatFromDms1();
    void SyncLonFromDd1();
    void SyncLonFromDm1();
    void SyncLonFromDms1();
    void SyncLatFromDd2();
    void SyncLatFromDm2();
    void SyncLatFromDms2();
    void SyncLonFromDd2();
    void SyncLonFromDm2();
    void SyncLonFromDms2();

  signals:
    /// The four labels have just been written by their rule
    /// (ShowDatumLabels), whether or not their texts changed.
    void DatumLabelsShown();

  public slots:
    // ---- menu ---------------------------------------------------------------
    void Open1Click();
    /// Opens the file-conversion dialog; with @p input, that file chosen.
    void ConvertFile1Click(const QString &input = {});
    void Exit1Click();
    void Dt1Click();
    void Dt2Click();
    void Dt1cc1Click();
    void Dt2cc2Click();
    void Cc1Dt1Click();
    void Cc2dt2Click();
    void UserEllipsoid1Click();
    void UserDatum1Click();
    void SetDatum1Click();
    void SetCoordnate1Click();
    void SetFactor1Click();
    void ReferenceSystem1Click();
    void DegSys1Click();
    void About1Click();
    /// Edit's Paste Grid: the clipboard's "x, y[, z]" into the side's grid
    /// row, in the order Copy Point As Grid writes them on the side.
    void PasteGrid1Click();
    void PasteGrid2Click();
    /// The window's steps: each command, paste and dialog change is one,
    /// undone and redone whole (texts typed in a field are the field's own).
    void Undo1Click();
    void Redo1Click();

    // ---- change handlers: each acts only while its field has the focus ----
    void edtLatDd1Change();
    void edtLatDmd1Change();
    void edtLatDmm1Change();
    void edtLatDmsd1Change();
    void edtLatDmsm1Change();
    void edtLatDmss1Change();
    void edtLonDd1Change();
    void edtLonDmd1Change();
    void edtLonDmm1Change();
    void edtLonDmsd1Change();
    void edtLonDmsm1Change();
    void edtLonDmss1Change();
    void edtLatDd2Change();
    void edtLatDmd2Change();
    void edtLatDmm2Change();
    void edtLatDmsd2Change();
    void edtLatDmsm2Change();
    void edtLatDmss2Change();
    void edtLonDd2Change();
    void edtLonDmd2Change();
    void edtLonDmm2Change();
    void edtLonDmsd2Change();
    void edtLonDmsm2Change();
    void edtLonDmss2Change();

  protected:
    /// A file dropped on the window opens the file-conversion dialog with it.
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

    // ---- the window's own state
    // ---------------------------------------------- No other window reaches
    // it: the dialogs are handed what they show and give back what was chosen.
    // Protected rather than private only for the window tests, which look at it
    // through a subclass of their own.

    double m_dbVersion = 1.22;
    /// Catalogue index of each side's datum; always the one its engine has
    /// selected (the datum dialog's OK changes both together).
    std::int32_t m_nDatum1 = 133;
    std::int32_t m_nDatum2 = 125;

    /// Engine 1 (side 1) and engine 2 (side 2), alive for the whole run.
    std::unique_ptr<COORD> pCoord1 = std::make_unique<COORD>(m_nDatum1);
    std::unique_ptr<COORD> pCoord2 = std::make_unique<COORD>(m_nDatum2);
    /// Full catalogue name of each side's datum, code included.
    QString m_strDatumName1;
    QString m_strDatumName2;

    /// The four labels (rewritten after the datum and coordinate-system
    /// dialogs).
    QLabel *stDatum1() const;
    QLabel *stDatum2() const;
    QLabel *stUtm1() const;
    QLabel *stUtm2() const;

    /// The checkable "&Degree System" item, whose check mark follows the
    /// degree-system tool window.
    QAction *DegSys1() const;

    /**
     * Writes the four labels by their composition rule: stDatum1/2 show
     * m_strDatumName1/2, stUtm1/2 the same name followed by the grid kind tag
     * of the side's engine ("(UTM)", "(TM)", "(G7)", "(ECEF)"). A side on a
     * PROJ system shows the name and code of the system of its angle row,
     * and the system's ("Korea 2000 (EPSG:4737)", "Korea 2000 / Central
     * Belt 2010 (EPSG:5186)"), with what they are in the labels' tooltips.
     * Then reports DatumLabelsShown.
     */
    void ShowDatumLabels();

    /// Names the zone or belt of each side's grid beside its grid group
    /// (lblZone1, lblZone2: "zone 52N", "belt 127°E", "G7 38°N 128°E", none
    /// for ECEF or a PROJ system) and shows the mark beside it
    /// (lblZoneMark1, lblZoneMark2) while the side's DD longitude lies
    /// outside the zone's standard span, with the reason as its tooltip.
    void ShowGridZones();
    /// The same for side @p side, whose DD point changed: nothing is
    /// rewritten where the zone and the mark stay as they are.
    void ShowGridZone(int side, bool always = false);

    /// Both sides as the file-conversion dialog offers them: what their
    /// labels say, and their settings geographic and on their grids (their
    /// engines copied whole: datum, user rows, grid kind and constants).
    std::array<ConvertSide, 2> FileSides() const;

  private:
    std::unique_ptr<Ui::TfrmMain> ui;
    friend class WindowStep;

    /// The two sides of the point, on the engines above.
    Side m_side1{*pCoord1};
    Side m_side2{*pCoord2};

    // The constructor's steps: the fields' texts, marks and tooltips; the
    // menus' commands; Edit's copies and pastes; the notations kept in step;
    // the zone of each side's grid row.
    void SetUpFields();
    void SetUpMenus();
    void SetUpEditMenu();
    void SetUpSynchronisation();
    void SetUpGridZones();

    /// The creation handler: side 1's DD and DM from its DMS defaults, then
    /// side 1's point carried to side 2.
    void FormCreate();

    /// The fields of side @p side's latitude (or longitude) in all three
    /// notations.
    AngleFieldSet Angle(int side, bool latitude) const;

    /// Runs @p sync when @p field holds the keyboard focus; an error other
    /// than an unreadable text goes to the error box.
    void RunIfFocused(const QLineEdit *field, void (TfrmMain::*sync)());

    /**
     * Hands the datum dialog both engines' catalogues (position = catalogue
     * index), selects entries m_nDatum1 and m_nDatum2, and sets
     * m_strDatumName1 and m_strDatumName2 to the texts of those datums.
     */
    void FillDatumLists();

    /// Hands the user-datum dialog engine 1's ellipsoids; its list shows
    /// their name parts (position = catalogue index), entry 0 selected.
    void FillEllipsoidList();

    /// Side @p side as the file-conversion dialog takes it, geographic or
    /// on its grid.
    ConversionSide FileSide(int side, bool grid) const;

    // ---- the commands ---------------------------------------------------------

    Side &SideOf(int side);
    const Side &SideOf(int side) const;
    /// The DD row (latitude, longitude, altitude) and the grid row of a side.
    std::array<QLineEdit *, 3> GeoRow(int side) const;
    std::array<QLineEdit *, 3> GridRow(int side) const;
    /// Both DD synchronisations of a side, latitude first.
    void SyncFromDdRow(int side);

    template <typename Body>
    void RunCommand(const std::array<QLineEdit *, 3> &read, Body &&body);
    /// How an error box names @p field: "side 1, latitude (DD)".
    QString FieldDescription(const QLineEdit *field) const;
    void TransformCommand(int from, int to);
    /// Keeps, for each of the two sides on a PROJ system, the operation
    /// the transformation from @p from to @p to used.
    void NoteOperation(int from, int to);
    /// The tooltips of a side on a PROJ system: the systems of its rows,
    /// their heights and the operation it took last.
    void ShowSystemFacts();
    /// Edit > Copy Point and Copy Point As: side @p side's point as one
    /// text on the clipboard, and beside it as a record of the point on
    /// what it stands on (POINT_RECORD_MIME), with the grid row for Grid.
    void CopyPoint(int side, PointFormat format);
    /// Edit > Paste Point: the record of a point this program copied,
    /// carried to side @p side's datum; else the clipboard's text in any
    /// form Copy Point As writes (ReadPointForSide), a point on WGS 84
    /// carried to the side's datum first. Into the side's DD row, the
    /// altitude 0 (or that 0 carried) for a text without a height; DM and
    /// DMS following.
    void PastePoint(int side);
    /// Says in the menu bar that the point pasted into side @p side was
    /// carried from another datum, or that its text had no height and 0 m
    /// was taken; says nothing for a point taken as it was.
    void ShowPasteNote(int side, const PointForSide &pasted);
    /// Takes side @p side's note away.
    void ClearPasteNote(int side);
    void GeoToGridCommand(int side);
    void GridToGeoCommand(int side);
    /// Refuses (GridRowError, PointError) when side @p side's grid row does
    /// not hold the grid values of the point its DD row shows.
    void CheckGridRow(int side) const;

    /// Paste Grid on side @p side.
    void PasteGrid(int side);
    /// The text the side's grid label shows, which names its grid.
    QString GridSystemText(int side) const;
    /// Shows grid values that are no longer the point's as stale: their
    /// text in another colour and a tooltip that says whose they are and
    /// to convert again. Start-up zeros and typed numbers are never so.
    void ShowStaleGrids();
    /// The same for side @p side alone, whose point or grid row changed.
    void ShowStaleGrid(int side);
    /// The labels of a side's grid fields as its system names the axes
    /// ("Y (Easting)", "X (Northing)" for EPSG:5186), and the order Copy
    /// Point As Grid writes in; the documented captions on the catalogue.
    void ShowGridAxes();
    /// The grid row's values in the order the side's system gives its
    /// axes (the row itself holds them easting first).
    PointValues GridInSystemOrder(int side, const PointValues &row) const;
    /// The menu bar's corner: side 1's note, side 2's note and the last
    /// command's operation, each cut to fit, all of them in its tooltip.
    void ShowCornerNotes();
    /// Remembers the operation the command just run took (@p what names
    /// the command: "Datum1->Datum2").
    void NoteLastOperation(const QString &what, const QString &operation);
    /// The field texts' context menus: the standard one, then Paste Grid on
    /// the grid fields and the window's Undo and Redo.
    void SetUpContextMenus();

    // ---- the window's steps
    // ---------------------------------------------------

    /// Everything a step changes: every field's text, the engines' settings
    /// and user rows, each side's system, datum index and name, the four
    /// labels, the rows of the last conversions, the notes and the last
    /// operation.
    struct WindowState;
    WindowState CaptureState() const;
    /// Puts @p state back: the engines through their own operations, the
    /// texts as the program writes them (no synchronisation runs), the
    /// dialogs' entries 0, the labels, notes and marks.
    void RestoreState(const WindowState &state);
    /// Runs @p body as one step named @p name: when it changed anything,
    /// the step goes on the undo stack (made at the first one).
    void RecordStep(const QString &name, const std::function<void()> &body);

    QUndoStack *m_pUndoStack = nullptr;
    /// Steps are recorded once the window is made (not start-up's own
    /// Datum1->Datum2), and not inside another step or while one is put
    /// back.
    bool m_bStepsOn = false;
    bool m_bInStep = false;

    /// Per side, the note of a pasted point that was carried (text and
    /// tooltip), and the last command's operation (text and tooltip).
    std::array<QString, 2> m_strNote, m_strNoteTip;
    QString m_strLastOp, m_strLastOpTip;
    /// Per side, what its grid labels name the easting and northing fields
    /// on a PROJ system ("Y (Easting)", "X (Northing)"); empty on the
    /// catalogue, whose documented captions stand.
    std::array<std::array<QString, 2>, 2> m_strGridCaption;

    // ---- the configuration dialogs: fill before showing, apply on OK -------

    /// Refills @p dialog, shows it modally and applies it on OK; errors go to
    /// the error box. Does nothing before the dialogs are created.
    void RunConfigDialog(QDialog *dialog, void (TfrmMain::*refill)(),
                         void (TfrmMain::*apply)());

    void RefillDatumDialog();
    void ApplyDatumChoice(int side, std::int32_t &nDatum,
                          QString &strDatumName);
    void ApplyDatumDialog();
    void RefillCoordSysDialog();
    void ApplyCoordSysDialog();
    void RefillUtmfactDialog();
    void ApplyUtmfactDialog();
    void RefillUserEllDialog();
    void ApplyUserEllDialog();
    void RefillUserDatumDialog();
    void ApplyUserDatumDialog();
    /// The datum dialog's lists and descriptions from the engines'
    /// catalogues as they now stand (user rows included).
    void ShowCataloguesInDatumDialog();
    void RefillRefSysDialog();
    void ApplyRefSysDialog();

    /// Per side, the operation of its last transformation while on a PROJ
    /// system ("EPSG:15483 Tokyo to JGD2000 (1), 9 m", and any better one
    /// whose grid is missing); empty until then and after a change of
    /// system.
    std::array<std::string, 2> m_strLastOperation;

    /// Per side, the rows its last conversion left (Datum->Utm, Utm->Datum).
    std::array<ConvertedRows, 2> m_convertedRows;
    /// The stale tooltip each grid field was given (null where it is not
    /// marked), so that only that one is taken away again.
    std::array<std::array<QString, 3>, 2> m_staleTips;
    /// What each side's zone label and mark show: name, origin, mark.
    std::array<std::array<std::string, 3>, 2> m_zoneShown;

    /// The menu bar's corner label (ShowCornerNotes).
    QLabel *stPasteNote = nullptr;

    // Declared after the engines, so they are destroyed before them; in the
    // order of creation, so they are destroyed in the reverse order.
    std::unique_ptr<TfrmDatum> frmDatum;
    std::unique_ptr<TfrmDegSys> frmDegSys;
    std::unique_ptr<TfrmUtmfact> frmUtmfact;
    std::unique_ptr<TfrmUserDatum> frmUserDatum;
    std::unique_ptr<TfrmUserEll> frmUserEll;
    std::unique_ptr<TfrmCoordSys> frmCoordSys;
    /// Made at their first use, not at start-up.
    std::unique_ptr<TfrmConvert> frmConvert;
    std::unique_ptr<TfrmRefSys> frmRefSys;
};
