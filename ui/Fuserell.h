// The user-ellipsoid dialog: name, semi-major axis and inverse flattening of
// ellipsoid row 0.
#pragma once

#include <QDialog>

#include <memory>

class TfrmMain;

namespace Ui {
class TfrmUserEll;
}

/**
 * "User Ellipsoid": the name and constants of ellipsoid row 0. Created once
 * at start-up, hidden between uses; the main window's "Define User
 * &Ellipsoid" fills, shows and applies it.
 */
class TfrmUserEll : public QDialog {
    Q_OBJECT

  public:
    /// Loads the form with its default texts, hidden, owned by @p frmMain.
    explicit TfrmUserEll(TfrmMain &frmMain);
    ~TfrmUserEll() override;

  private:
    // The menu handler of the main window fills and reads the controls.
    friend class TfrmMain;

    std::unique_ptr<Ui::TfrmUserEll> ui;
};
