// The projection-origin dialog: false easting and northing, origin latitude
// and longitude, and longitude delta of each side.
#pragma once

#include "Commands.h"

#include <QDialog>

#include <memory>

namespace Ui {
class TfrmUtmfact;
}

/**
 * "Coordination System Factor": the grid origin of side 1 on the left, of
 * side 2 on the right. Created once at start-up, hidden between uses; the
 * main window's "Set &Factor(Coord)" fills, shows and applies it.
 */
class TfrmUtmfact : public QDialog {
    Q_OBJECT

  public:
    /// Loads the form with its default texts, hidden.
    explicit TfrmUtmfact(QWidget *parent);
    ~TfrmUtmfact() override;

    /// Writes the five origin texts of side @p side (1 or 2) into its fields.
    void ShowOrigin(int side, const OriginTexts &origin);

    /// The five texts of side @p side's fields, as typed.
    OriginTexts Origin(int side) const;

    /// Makes side @p side's fields usable or not (a side on a PROJ
    /// system has its system's grid).
    void SetSideEnabled(int side, bool enabled);

  private:
    std::unique_ptr<Ui::TfrmUtmfact> ui;
};
