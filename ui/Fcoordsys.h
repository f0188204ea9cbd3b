// The coordinate-system dialog: the grid kind of each side.
#pragma once

#include <QDialog>

#include <memory>

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
    /// Loads the form with its default texts, hidden.
    explicit TfrmCoordSys(QWidget *parent);
    ~TfrmCoordSys() override;

    /// Turns on the button of grid kind @p kind1 on side 1 and of @p kind2 on
    /// side 2; an unknown kind turns on none.
    void ShowKinds(int kind1, int kind2);

    /// The grid kind whose button is on, on side @p side (1 or 2), testing
    /// UTM, TM, G7 and ECEF in this order; 0 when none is on.
    int Kind(int side) const;

    /// Makes side @p side's buttons usable or not (a side on a PROJ
    /// system has its system's grid).
    void SetSideEnabled(int side, bool enabled);

  private:
    std::unique_ptr<Ui::TfrmCoordSys> ui;
};
