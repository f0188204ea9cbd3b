// The user-datum dialog: name, ellipsoid and shift constants of datum row 0.
#pragma once

#include <QDialog>
#include <QString>

#include <array>
#include <cstdint>
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

    /// Selects ellipsoid @p ellipsoid, describes it, and fills the three
    /// shifts (metres). The name field keeps the text last typed into it.
    void ShowUserDatum(std::int32_t ellipsoid, double dx, double dy,
                       double dz);

    /// The selected ellipsoid; -1 when none is.
    int Ellipsoid() const;
    /// The three shift fields read as reals, dx first (metres).
    /// @throws Code::ConversionError for the first that is not a number.
    std::array<double, 3> Shifts() const;
    /// The name as typed.
    QString DatumName() const;

    /// Renames entry 0 of the ellipsoid list, the user ellipsoid.
    void RenameUserEllipsoid(const QString &name);

  public slots:
    /// Shows the semi-major axis and inverse flattening of the selected
    /// ellipsoid (read from engine 1) in lblA and lblF.
    void cboEllipsoidChange();

  private:
    void FormCreate();

    std::unique_ptr<Ui::TfrmUserDatum> ui;
    TfrmMain &m_frmMain;
};
