// The user-datum dialog: name, ellipsoid and shift constants of datum row 0.
#pragma once

#include <QDialog>

#include <memory>

class TfrmMain;

namespace Ui {
class TfrmUserDatum;
}

/**
 * "User Datum": the name, the ellipsoid (a pick list of the ellipsoid
 * catalogue, position = catalogue index) and the three shifts of datum row 0.
 * Created once at start-up, hidden between uses, so the name field keeps the
 * last text typed into it; the main window's "Define &User Datum" fills the
 * other controls, shows and applies it.
 */
class TfrmUserDatum : public QDialog {
    Q_OBJECT

  public:
    /**
     * Loads the form and runs FormCreate, which has the main window fill the
     * ellipsoid list.
     * @param[in] frmMain the main window: parent and engines.
     */
    explicit TfrmUserDatum(TfrmMain &frmMain);
    ~TfrmUserDatum() override;

  public slots:
    /// Shows the semi-major axis and inverse flattening of the selected
    /// ellipsoid (read from engine 1) in lblA and lblF.
    void cboEllipsoidChange();

  private:
    // "Define &User Datum" fills and reads the controls; "Define User
    // &Ellipsoid" renames entry 0 of the list.
    friend class TfrmMain;

    void FormCreate();

    std::unique_ptr<Ui::TfrmUserDatum> ui;
    TfrmMain &m_frmMain;
};
