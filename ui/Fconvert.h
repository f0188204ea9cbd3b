// The file-conversion dialog: a whole file of points converted from one side
// of the main window to the other, by the converter's own library on a
// worker thread, with progress, Cancel and a summary.
#pragma once

#include "Chain.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QString>
#include <QStringList>

#include <array>
#include <atomic>
#include <memory>
#include <thread>

struct BatchProgress;
struct BatchSummary;

namespace Ui {
class TfrmConvert;
}

/// One side of the main window as a file conversion takes it.
struct ConvertSide {
    QString geoText;   ///< what its datum label shows: "Tokyo(---)"
    QString gridText;  ///< what its grid label shows: "Tokyo(---)(UTM)"
    SideSettings geo;  ///< the side with geographic values
    SideSettings grid; ///< the side with its grid's values
};

/**
 * "Convert File": the input (chosen, or dropped on the main window), a
 * preview of its first lines with the delimiter, heading and coordinate
 * columns found in them (all changeable), the direction between the sides
 * with their datums, grids and origins as the main window hands them over,
 * the output file and its format. Convert runs the same code as nolvex-convert,
 * so both write the same bytes; the output appears under its name only when the
 * run ends well.
 */
class TfrmConvert : public QDialog {
    Q_OBJECT

  public:
    /// Loads the form, hidden; until ShowSides both sides are WGS 84.
    explicit TfrmConvert(QWidget *parent);
    ~TfrmConvert() override;

    /// The two sides offered, side 1 first, as they stand at this opening.
    void ShowSides(const std::array<ConvertSide, 2> &sides);

    /// Chooses @p path as the input: shows its first lines, sets the
    /// delimiter, heading and columns found in them, and proposes an output
    /// name beside it.
    void SetInput(const QString &path);

    /// True while a conversion runs.
    bool Running() const { return m_worker.joinable(); }

  public slots:
    /// Cancel, Escape and the close box: cancels a run, else closes.
    void reject() override;

  signals:
    /// A run has started on the input file @p input.
    void ConversionStarted(const QString &input);
    /// The progress bar has come to @p percent, a value it had not shown
    /// before in this run.
    void ProgressShown(int percent);
    /// The run has ended well: @p points points converted, @p linesFailed
    /// lines that could not be.
    void ConversionDone(qulonglong points, qulonglong linesFailed);
    /// The run was cancelled; nothing was written to @p output.
    void ConversionCancelled(const QString &output);
    /// The run failed: @p reason is the error, or the output's name when
    /// the output could not be written.
    void ConversionFailed(const QString &reason);

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
    /// The chain from side @p from to the other, geographic or on the grids
    /// as chosen.
    ChainSettings Chain(int from, bool fromGrid, bool toGrid) const;

    std::unique_ptr<Ui::TfrmConvert> ui;
    std::array<ConvertSide, 2> m_sides;
    std::thread m_worker;
    std::atomic<bool> m_bCancel{false};
    QElapsedTimer m_clock;
    QStringList m_messages; ///< the run's first messages
    QString m_strHeading;   ///< the input's first line, for column names
    QString m_strProposed;  ///< the output name last proposed
    int m_nShownPercent = -1;
};
