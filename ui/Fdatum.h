// The datum dialog: the datum of each side, with the ellipsoid and the shift
// constants of the entry selected on that side.
#pragma once

#include <QDialog>

#include <memory>

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

  public slots:
    /// Shows the ellipsoid and constants of the entry selected in cboDatum1
    /// (read from engine 1). Touches no engine.
    void cboDatum1Change();
    /// The same for cboDatum2 and engine 2.
    void cboDatum2Change();

  private:
    // "Set &Datum" selects the remembered entries and reads the choices.
    friend class TfrmMain;

    void FormCreate();

    std::unique_ptr<Ui::TfrmDatum> ui;
    TfrmMain &m_frmMain;
};
