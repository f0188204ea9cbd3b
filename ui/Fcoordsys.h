// The coordinate-system dialog: the grid kind of each side.
#pragma once

#include <QDialog>

#include <memory>

class TfrmMain;

namespace Ui {
class TfrmCoordSys;
}

/**
 * "Set Coordinate System": for each side one of four buttons, UTM, TM, G7 and
 * ECEF, in the order of the grid kinds. Created once at start-up, hidden
 * between uses; the main window's "Set &Coordnate" fills, shows and applies it.
 */
class TfrmCoordSys : public QDialog {
    Q_OBJECT

  public:
    /// Loads the form with its default texts, hidden, owned by @p frmMain.
    explicit TfrmCoordSys(TfrmMain &frmMain);
    ~TfrmCoordSys() override;

  private:
    // The menu handler of the main window fills and reads the controls.
    friend class TfrmMain;

    std::unique_ptr<Ui::TfrmCoordSys> ui;
};
