// The degree-system tool: one free angle shown in decimal degrees, degrees and
// minutes, degrees minutes and seconds, and radians.
#pragma once

#include "FieldText.h"

#include <QPointer>
#include <QWidget>

#include <memory>

class QAction;
class QCloseEvent;
class QKeyEvent;

namespace Ui {
class TfrmDegSys;
}

/**
 * The one modeless window of the program. Created hidden at start-up, shown
 * and hidden by the main window's "&Degree System" item, whose check mark
 * follows the window; the fields keep their texts while it is hidden.
 */
class TfrmDegSys : public QWidget {
    Q_OBJECT

  public:
    /**
     * Loads the form with all seven fields "0", hidden.
     * @param[in] degSys1 the main window's checkable "&Degree System" item
     *   (may be null; the window then only shows and hides).
     * @param[in] parent the main window. The tool stays a window of its own;
     *   it never keeps the program running once the main window has closed.
     */
    explicit TfrmDegSys(QAction *degSys1, QWidget *parent = nullptr);
    ~TfrmDegSys() override;

    /**
     * The "&Degree System" command: when the window is shown, removes the
     * check mark and hides it; otherwise sets the mark and shows it, leaving
     * the main window usable. Call it from the item's triggered signal.
     */
    void ToggleFromMenu();

  public slots:
    // Each recomputes only while its own field holds the keyboard focus, so
    // the program's own writes into the other fields trigger nothing.
    void edtDdChange();
    void edtDmdChange();
    void edtDmmChange();
    void edtDmsdChange();
    void edtDmsmChange();
    void edtDmssChange();
    void edtRadianChange();

  protected:
    void closeEvent(QCloseEvent *event) override;
    /// Escape closes the window as its close box does, as it closes a
    /// dialog.
    void keyPressEvent(QKeyEvent *event) override;

  private:
    /// Places the window wholly on its screen, beside the main window
    /// where there is room: to its right, else to its left, below, above;
    /// else where it fits nearest to it.
    void PlaceBesideMain();

    /// The close handler: the close box hides the window, and the check mark
    /// of "&Degree System" goes with it.
    void FormClose();

    // The recomputations, named after their source notation. Each reads all
    // of its inputs first; a text that does not read ends it quietly with no
    // field changed. A floating-point fault goes to the error box, also with
    // no field changed.
    void FromDd();
    void FromDm();
    void FromDms();
    void FromRadian();
    AngleFieldSet Fields() const;

    /// Runs @p from; an error other than an unreadable text ends in the
    /// error box.
    void Recompute(void (TfrmDegSys::*from)());

    std::unique_ptr<Ui::TfrmDegSys> ui;
    QPointer<QAction> m_pDegSys1;
};
