// The user-datum dialog: name, ellipsoid and shift constants of datum row 0.
#pragma once

#include "DialogSupport.h"

#include <QDialog>
#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace Ui {
class TfrmUserDatum;
}

/**
 * "User Datum": the name, the ellipsoid (a pick list of the ellipsoid
 * catalogue, position = catalogue index) and the three shifts of datum row 0.
 * Created once at start-up, hidden between uses, so the name field keeps the
 * last text typed into it; the main window fills the ellipsoid list once,
 * and its "Define &User Datum" fills the other controls, shows the dialog and
 * applies it.
 */
class TfrmUserDatum : public QDialog {
    Q_OBJECT

  public:
    /// Loads the form, hidden, with an empty ellipsoid list.
    explicit TfrmUserDatum(QWidget *parent);
    ~TfrmUserDatum() override;

    /// Fills the ellipsoid list with the name part of each row's text
    /// (position = catalogue index), selects entry 0 and describes it; the
    /// entries are described from these rows from now on.
    void ShowEllipsoids(const std::vector<EllipsoidText> &ellipsoids);

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

    /// The user ellipsoid as now defined: entry 0 of the list shows its
    /// whole text, code included, and describes its numbers.
    void RenameUserEllipsoid(const EllipsoidText &ellipsoid);

  public slots:
    /// Shows the semi-major axis and inverse flattening of the selected
    /// ellipsoid in lblA and lblF.
    void cboEllipsoidChange();

  private:
    std::unique_ptr<Ui::TfrmUserDatum> ui;
    std::vector<EllipsoidText> m_ellipsoids;
};
