// The file-conversion dialog: a whole file of points converted from one side
// of the main window to the other, by the converter's own library on a
// worker thread, with progress, Cancel and a summary.
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QString>
#include <QStringList>

#include <atomic>
#include <memory>
#include <thread>

class TfrmMain;
struct BatchProgress;
struct BatchSummary;

namespace Ui {
class TfrmConvert;
}

/**
 * "Convert File": the input (chosen, or dropped on the main window), a
 * preview of its first lines with the delimiter, heading and coordinate
 * columns found in them (all changeable), the direction between the sides
 * with their datums, grids and origins as they stand, the output file and
 * its format. Convert runs the same code as nolvex-convert, so both write
 * the same bytes; the output appears under its name only when the run ends
 * well.
 */
class TfrmConvert : public QDialog {
    Q_OBJECT

  public:
    explicit TfrmConvert(TfrmMain &frmMain);
    ~TfrmConvert() override;

    /// Chooses @p path as the input: shows its first lines, sets the
    /// delimiter, heading and columns found in them, and proposes an output
    /// name beside it.
    void SetInput(const QString &path);

    /// True while a conversion runs.
    bool Running() const { return m_worker.joinable(); }

  public slots:
    /// Cancel, Escape and the close box: cancels a run, else closes.
    void reject() override;

  protected:
    void showEvent(QShowEvent *event) override;

  private:
    void BrowseInput();
    void BrowseOutput();
    void Preview();
    void ProposeOutput();
    void ShowChoices();
    void ShowFormats();
    void ShowColumnNames();
    void Convert();
    void ShowProgress(const BatchProgress &progress);
    void Finish(const BatchSummary &summary, const QString &failure);
    void SetRunning(bool running);

    std::unique_ptr<Ui::TfrmConvert> ui;
    TfrmMain &m_frmMain;
    std::thread m_worker;
    std::atomic<bool> m_bCancel{false};
    QElapsedTimer m_clock;
    QStringList m_messages; ///< the run's first messages
    QString m_strHeading;   ///< the input's first line, for column names
    QString m_strProposed;  ///< the output name last proposed
    int m_nShownPercent = -1;
};
