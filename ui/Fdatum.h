// The datum dialog: the datum of each side, with the ellipsoid and the shift
// constants of the entry selected on that side.
#pragma once

#include <QDialog>
#include <QString>

#include <cstdint>
#include <memory>

class QComboBox;
class TfrmMain;

namespace Ui {
class TfrmDatum;
}

/**
 * "Datum": side 1 on the left, side 2 on the right, each a pick list of the
 * whole datum catalogue (position = catalogue index) and the constants of the
 * selected entry. Created once at start-up, hidden between uses; the main
 * window's "Set &Datum" fills, shows and applies it.
 */
class TfrmDatum : public QDialog {
    Q_OBJECT

  public:
    /**
     * Loads the form and runs FormCreate: the main window fills both lists,
     * each side shows its datum, and the engines select those datums.
     * @param[in] frmMain the main window: parent, engines and datum choices.
     */
    explicit TfrmDatum(TfrmMain &frmMain);
    ~TfrmDatum() override;

    /// Selects entry @p nDatum1 on side 1 and @p nDatum2 on side 2, and
    /// describes both as the engines now hold them.
    void ShowDatums(std::int32_t nDatum1, std::int32_t nDatum2);

    /// The entry selected on side @p side (1 or 2); -1 when none is.
    int SelectedDatum(int side) const;

    /// The text of entry @p index on side @p side.
    QString DatumText(int side, int index) const;

    /// Renames entry 0, the user datum, on each side.
    void RenameUserDatum(const QString &name1, const QString &name2);

  public slots:
    /// Shows the ellipsoid and constants of the entry selected in cboDatum1
    /// (read from engine 1). Touches no engine.
    void cboDatum1Change();
    /// The same for cboDatum2 and engine 2.
    void cboDatum2Change();

  private:
    void FormCreate();
    QComboBox *List(int side) const;

    std::unique_ptr<Ui::TfrmDatum> ui;
    TfrmMain &m_frmMain;
};
