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
#include <string>
#include <thread>
#include <vector>

struct BatchOptions;
struct BatchProgress;
struct BatchSummary;
struct ColumnsFault;

namespace Ui {
class TfrmConvert;
}

/// One side of the main window as a file conversion takes it.
struct ConvertSide {
    QString geoText;   ///< what its datum label shows: "Tokyo(---)"
    QString gridText;  ///< what its grid label shows: "Tokyo(---)(UTM)"
    ConversionSide geo;  ///< the side with geographic values
    ConversionSide grid; ///< the side with its grid's values
};

/**
 * "Convert File": the input (chosen, or dropped on the main window), a
 * preview of its first lines with the delimiter, heading and coordinate
 * columns found in them (all changeable), the direction between the sides
 * with their datums, grids and origins as the main window hands them over,
 * the output file and its format. Convert runs the same code as nolvex-convert,
 * so both write the same bytes; the output appears under its name only when the
 * run ends well.
 *
 * The input is read on threads of their own, its first lines as much as the
 * run: a pipe without a writer or a slow network file never holds the window
 * (a pipe is left for the run to read), and Cancel ends the wait. With a
 * heading, the columns are the ones the converter's column rule finds in it,
 * until the user chooses others; the choice stays while the dialog is open,
 * also for another input.
 */
class TfrmConvert : public QDialog {
    Q_OBJECT

  public:
    /// Loads the form, hidden; until ShowSides both sides are WGS 84.
    explicit TfrmConvert(QWidget *parent);
    ~TfrmConvert() override;

    /// The two sides offered, side 1 first, as they stand at this opening.
    void ShowSides(const std::array<ConvertSide, 2> &sides);

    /// Chooses @p path as the input: reads its first lines, which show with
    /// the delimiter, heading and columns found in them, and proposes an
    /// output name beside it. A file that has not answered within a moment
    /// shows when it has (see Reading).
    void SetInput(const QString &path);

    /// True while a conversion runs.
    bool Running() const { return m_worker.joinable(); }
    /// True while the input's first lines are being read.
    bool Reading() const { return m_pReading != nullptr; }

  public slots:
    /// Cancel, Escape and the close box: cancels a run or the reading of
    /// the input, else closes.
    void reject() override;

  signals:
    /// The input's first lines have been read and shown, with what they
    /// suggest.
    void InputRead(const QString &input);
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
    struct HeadReading;

    void BrowseInput();
    void BrowseOutput();
    void InputEdited();
    void ReadInput();
    void StopReading();
    void ShowHead(const HeadReading &reading);
    void ProposeOutput();
    void ShowChoices();
    void ShowFormats();
    /// The texts of the input's and output's choices, their values in
    /// the order of the columns, each whole in its tooltip.
    void ShowChoiceTexts();
    /// A changed setting takes the last run's summary and progress away.
    void ForgetLastRun();
    void LayoutChanged();
    void FillColumns();
    void ShowColumnNames();
    void ColumnEdited();
    void Convert();
    void ShowProgress(const BatchProgress &progress);
    void Finish(const BatchSummary &summary, const QString &failure);
    void SetRunning(bool running);
    void ShowWaiting();
    /// The chain from side @p from to the other, geographic or on the grids
    /// as chosen.
    Conversion Chain(int from, bool fromGrid, bool toGrid) const;
    /// The chain the dialog's choices make.
    Conversion ChosenChain() const;
    /// Everything a run of the dialog's choices takes.
    BatchOptions Options() const;
    /// The columns as the dialog shows them (0-based).
    std::vector<int> ChosenColumns() const;

    std::unique_ptr<Ui::TfrmConvert> ui;
    std::array<ConvertSide, 2> m_sides;
    std::thread m_worker;
    std::atomic<bool> m_bCancel{false};
    QElapsedTimer m_clock;
    QStringList m_messages; ///< the run's first messages
    /// The reading of the input's first lines under way, else null.
    std::shared_ptr<HeadReading> m_pReading;
    QString m_strRead;      ///< the input whose first lines are shown
    std::vector<std::string> m_lines; ///< those lines
    QString m_strProposed;  ///< the output name last proposed
    /// What the heading's names left unsettled, in the window's words.
    QString m_strColumnsNote;
    int m_nShownPercent = -1;
    bool m_bFilling = false;       ///< the dialog itself sets the controls
    bool m_bColumnsChosen = false; ///< the user has set a column
    bool m_bConvertWhenRead = false; ///< Convert waits for the first lines
};
