// The datum dialog: the datum of each side, with the ellipsoid and the shift
// constants of the entry selected on that side.
#pragma once

#include "DialogSupport.h"

#include <QDialog>
#include <QString>

#include <array>
#include <cstdint>
#include <memory>

class QComboBox;

namespace Ui {
class TfrmDatum;
}

/**
 * "Datum": side 1 on the left, side 2 on the right, each a pick list of the
 * whole datum catalogue (position = catalogue index) and the constants of the
 * selected entry. Created once at start-up, hidden between uses; the main
 * window fills its lists from the engines' catalogues, and its "Set &Datum"
 * selects the sides' datums, shows it and applies the choice.
 */
class TfrmDatum : public QDialog {
    Q_OBJECT

  public:
    /// Loads the form, hidden, with empty lists.
    explicit TfrmDatum(QWidget *parent);
    ~TfrmDatum() override;

    /**
     * Side @p side's catalogue, as its engine holds it: the list gets one
     * entry per datum row, its whole text (entries already there take the
     * row's text, the selection staying), and the entries are described
     * from these rows from now on.
     */
    void ShowCatalogue(int side, const CatalogueRows &catalogue);

    /// Selects entry @p nDatum1 on side 1 and @p nDatum2 on side 2 (-1 for
    /// none), and describes both.
    void ShowDatums(std::int32_t nDatum1, std::int32_t nDatum2);

    /// The entry selected on side @p side (1 or 2); -1 when none is.
    int SelectedDatum(int side) const;

    /// The text of entry @p index on side @p side.
    QString DatumText(int side, int index) const;

  public slots:
    /// Shows the ellipsoid and constants of the entry selected in cboDatum1,
    /// as side 1's catalogue has them.
    void cboDatum1Change();
    /// The same for cboDatum2 and side 2's catalogue.
    void cboDatum2Change();

  private:
    QComboBox *List(int side) const;

    std::unique_ptr<Ui::TfrmDatum> ui;
    std::array<CatalogueRows, 2> m_catalogue;
};
