// The file-conversion dialog.
#include "Fconvert.h"
#include "ui_Fconvert.h"

#include "ErrorBox.h"
#include "FileJob.h"
#include "FormLook.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QUrl>

#include <functional>
#include <string>
#include <vector>

namespace {

/// Lines of the input shown, and the bytes read for them at most.
constexpr int PREVIEW_LINES = 12;
constexpr qint64 PREVIEW_BYTES = 64 * 1024;

/// Messages of a run kept for the summary.
constexpr int SUMMARY_MESSAGES = 8;

/// The delimiters in the order of the list.
constexpr char DELIMITERS[] = {0, '\t', ',', ';'};

/// Reports to the dialog from the worker thread; every report is queued to
/// the dialog's own thread.
class DialogObserver : public BatchObserver {
  public:
    DialogObserver(QObject *dialog, std::function<void(QString)> message,
                   std::function<void(BatchProgress)> progress)
        : m_pDialog(dialog), m_message(std::move(message)),
          m_progress(std::move(progress)) {}

    void Message(std::string_view text) override {
        const QString line = QString::fromUtf8(text.data(),
                                               static_cast<qsizetype>(text.size()));
        QMetaObject::invokeMethod(m_pDialog, [f = m_message, line] { f(line); },
                                  Qt::QueuedConnection);
    }

    void Progress(const BatchProgress &progress) override {
        QMetaObject::invokeMethod(
            m_pDialog, [f = m_progress, progress] { f(progress); },
            Qt::QueuedConnection);
    }

  private:
    QObject *m_pDialog;
    std::function<void(QString)> m_message;
    std::function<void(BatchProgress)> m_progress;
};

QString Count(std::uint64_t n) { return QLocale().toString(qulonglong(n)); }

/// "1 line", "12,345 lines"
QString Lines(std::uint64_t n) {
    return Count(n) + (n == 1 ? QStringLiteral(" line") : QStringLiteral(" lines"));
}

} // namespace

TfrmConvert::TfrmConvert(QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::TfrmConvert>()) {
    ui->setupUi(this);
    ApplyFormLook(*this);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

    connect(ui->btnInput, &QPushButton::clicked, this,
            &TfrmConvert::BrowseInput);
    connect(ui->btnOutput, &QPushButton::clicked, this,
            &TfrmConvert::BrowseOutput);
    connect(ui->edtInput, &QLineEdit::editingFinished, this,
            &TfrmConvert::Preview);
    connect(ui->chkHeader, &QCheckBox::toggled, this,
            &TfrmConvert::ShowColumnNames);
    for (QSpinBox *column : {ui->spnColumn1, ui->spnColumn2, ui->spnColumn3})
        connect(column, &QSpinBox::valueChanged, this,
                &TfrmConvert::ShowColumnNames);
    connect(ui->cboDelimiter, &QComboBox::currentIndexChanged, this,
            &TfrmConvert::ShowColumnNames);
    for (QRadioButton *direction : {ui->rdoSide1To2, ui->rdoSide2To1})
        connect(direction, &QRadioButton::toggled, this,
                &TfrmConvert::ShowChoices);
    connect(ui->cboFrom, &QComboBox::currentIndexChanged, this,
            &TfrmConvert::ShowColumnNames);
    connect(ui->cboTo, &QComboBox::currentIndexChanged, this,
            &TfrmConvert::ShowFormats);
    connect(ui->btnConvert, &QPushButton::clicked, this,
            &TfrmConvert::Convert);
    connect(ui->btnCancel, &QPushButton::clicked, this, &TfrmConvert::reject);
    connect(ui->btnOpenFolder, &QPushButton::clicked, this, [this] {
        QDesktopServices::openUrl(QUrl::fromLocalFile(
            QFileInfo(ui->edtOutput->text()).absolutePath()));
    });
    ShowChoices();
}

TfrmConvert::~TfrmConvert() {
    if (m_worker.joinable()) {
        m_bCancel = true;
        m_worker.join();
    }
}

// ---- the input and its layout -------------------------------------------------

void TfrmConvert::SetInput(const QString &path) {
    ui->edtInput->setText(QDir::toNativeSeparators(path));
    Preview();
}

// "NAME-converted.EXT" beside the input, unless an output of the user's own
// is there already.
void TfrmConvert::ProposeOutput() {
    const QString shown = ui->edtOutput->text();
    if (!shown.isEmpty() && shown != m_strProposed)
        return;
    const QFileInfo input(ui->edtInput->text());
    const QString suffix =
        input.suffix().isEmpty() ? QStringLiteral("txt") : input.suffix();
    m_strProposed = QDir::toNativeSeparators(
        input.absoluteDir().filePath(input.completeBaseName() +
                                     QStringLiteral("-converted.") + suffix));
    ui->edtOutput->setText(m_strProposed);
}

void TfrmConvert::BrowseInput() {
    const QString path = QFileDialog::getOpenFileName(
        this, QStringLiteral("Input File"), ui->edtInput->text());
    if (!path.isEmpty())
        SetInput(path);
}

void TfrmConvert::BrowseOutput() {
    const QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("Output File"), ui->edtOutput->text());
    if (!path.isEmpty())
        ui->edtOutput->setText(QDir::toNativeSeparators(path));
}

// The first lines as text, and what they suggest: the delimiter, a heading,
// the coordinate columns.
void TfrmConvert::Preview() {
    QFile file(ui->edtInput->text());
    ui->txtPreview->clear();
    m_strHeading.clear();
    if (!file.open(QIODevice::ReadOnly)) {
        ui->txtPreview->setPlaceholderText(
            ui->edtInput->text().isEmpty() ? QStringLiteral("No input file")
                                           : file.errorString());
        return;
    }
    ProposeOutput();
    const QByteArray head = file.read(PREVIEW_BYTES);
    std::vector<std::string> lines;
    for (const QByteArray &line : head.split('\n')) {
        if (static_cast<int>(lines.size()) == PREVIEW_LINES)
            break;
        lines.push_back(line.endsWith('\r') ? line.chopped(1).toStdString()
                                            : line.toStdString());
    }
    QStringList shown;
    for (const std::string &line : lines)
        shown << QString::fromUtf8(line.c_str());
    ui->txtPreview->setPlainText(shown.join(u'\n'));

    const FileGuess guess = GuessFileLayout(lines);
    for (std::size_t i = 0; i < std::size(DELIMITERS); ++i)
        if (DELIMITERS[i] == guess.delimiter)
            ui->cboDelimiter->setCurrentIndex(static_cast<int>(i));
    ui->chkHeader->setChecked(guess.header);
    if (guess.header && !lines.empty())
        m_strHeading = QString::fromUtf8(lines.front().c_str());
    const int first = static_cast<int>(guess.firstCoordinate) + 1;
    ui->spnColumn1->setValue(first);
    ui->spnColumn2->setValue(first + 1);
    ui->spnColumn3->setValue(
        guess.fields >= guess.firstCoordinate + 3 ? first + 2 : 0);
    ShowColumnNames();
}

// With a heading, the names of the columns chosen.
void TfrmConvert::ShowColumnNames() {
    const bool grid = ui->cboFrom->currentIndex() == 1;
    const QStringList what =
        grid ? QStringList{QStringLiteral("X"), QStringLiteral("Y"),
                           QStringLiteral("Z")}
             : QStringList{QStringLiteral("latitude"),
                           QStringLiteral("longitude"),
                           QStringLiteral("height")};
    const std::vector<std::string> names =
        ui->chkHeader->isChecked()
            ? HeadingNames(m_strHeading.toStdString(),
                           DELIMITERS[ui->cboDelimiter->currentIndex()])
            : std::vector<std::string>{};
    QStringList parts;
    const QSpinBox *columns[] = {ui->spnColumn1, ui->spnColumn2,
                                 ui->spnColumn3};
    for (int k = 0; k < 3; ++k) {
        const int column = columns[k]->value();
        if (column == 0)
            continue;
        QString part = what[k];
        if (static_cast<std::size_t>(column) <= names.size())
            part += QStringLiteral(" = \"") +
                    QString::fromUtf8(names[static_cast<std::size_t>(column - 1)]
                                          .c_str()) +
                    u'"';
        parts << part;
    }
    ui->lblColumnNames->setText(parts.join(QStringLiteral(", ")));
}

void TfrmConvert::ShowSides(const std::array<ConvertSide, 2> &sides) {
    m_sides = sides;
    ShowChoices();
}

ChainSettings TfrmConvert::Chain(int from, bool fromGrid, bool toGrid) const {
    const ConvertSide &source = m_sides[static_cast<std::size_t>(from - 1)];
    const ConvertSide &target = m_sides[static_cast<std::size_t>(2 - from)];
    ChainSettings settings;
    settings.from = fromGrid ? source.grid : source.geo;
    settings.to = toGrid ? target.grid : target.geo;
    return settings;
}

// Every opening shows the sides it was handed.
void TfrmConvert::showEvent(QShowEvent *event) {
    ShowChoices();
    QDialog::showEvent(event);
}

// The two sides as they stand, in the chosen direction.
void TfrmConvert::ShowChoices() {
    const bool forward = ui->rdoSide1To2->isChecked();
    const ConvertSide &from = m_sides[forward ? 0 : 1];
    const ConvertSide &to = m_sides[forward ? 1 : 0];
    const int fromIndex = std::max(ui->cboFrom->currentIndex(), 0);
    const int toIndex = std::max(ui->cboTo->currentIndex(), 0);
    ui->cboFrom->clear();
    ui->cboFrom->addItem(QStringLiteral("Latitude, longitude on ") +
                         from.geoText);
    ui->cboFrom->addItem(QStringLiteral("Grid X, Y on ") + from.gridText);
    ui->cboTo->clear();
    ui->cboTo->addItem(QStringLiteral("Latitude, longitude on ") + to.geoText);
    ui->cboTo->addItem(QStringLiteral("Grid X, Y on ") + to.gridText);
    ui->cboFrom->setCurrentIndex(fromIndex);
    ui->cboTo->setCurrentIndex(toIndex);
}

// GeoJSON only where the target holds it: geographic points on WGS 84.
void TfrmConvert::ShowFormats() {
    const bool forward = ui->rdoSide1To2->isChecked();
    const bool geoJson = IsGeoJsonTarget(
        Chain(forward ? 1 : 2, false, ui->cboTo->currentIndex() == 1).to);
    if (!geoJson)
        ui->cboFormat->setCurrentIndex(0);
    ui->cboFormat->setEnabled(geoJson);
}

// ---- the run ----------------------------------------------------------------

void TfrmConvert::Convert() {
    const QString input = ui->edtInput->text();
    const QString output = ui->edtOutput->text();
    if (input.isEmpty() || output.isEmpty()) {
        ShowErrorBox(this, QStringLiteral("Choose an input and an output file"));
        return;
    }
    if (QFileInfo::exists(output) &&
        QMessageBox::question(this, windowTitle(),
                              QStringLiteral("%1 exists. Replace it?")
                                  .arg(output)) != QMessageBox::Yes)
        return;

    const bool forward = ui->rdoSide1To2->isChecked();
    BatchOptions options;
    options.chain = Chain(forward ? 1 : 2, ui->cboFrom->currentIndex() == 1,
                          ui->cboTo->currentIndex() == 1);
    options.inputs = {input.toStdString()};
    options.output = output.toStdString();
    options.delimiter = DELIMITERS[ui->cboDelimiter->currentIndex()];
    options.header = ui->chkHeader->isChecked();
    options.columns = {ui->spnColumn1->value() - 1,
                       ui->spnColumn2->value() - 1};
    if (ui->spnColumn3->value() > 0)
        options.columns.push_back(ui->spnColumn3->value() - 1);
    options.outputFormat = ui->cboFormat->currentIndex() == 1
                               ? OutputFormat::GeoJson
                               : OutputFormat::Text;
    options.threads = UsableThreads(std::thread::hardware_concurrency());
    try {
        CheckOptions(options);
        CheckOutputIsNoInput(options);
    } catch (const std::exception &e) {
        ShowErrorBox(this, e);
        return;
    }

    m_messages.clear();
    m_nShownPercent = -1;
    m_bCancel = false;
    ui->txtSummary->clear();
    ui->btnOpenFolder->setEnabled(false);
    SetRunning(true);
    m_clock.start();
    emit ConversionStarted(input);
    m_worker = std::thread([this, options] {
        DialogObserver observer(
            this,
            [this](const QString &line) {
                if (m_messages.size() < SUMMARY_MESSAGES)
                    m_messages << line;
            },
            [this](const BatchProgress &progress) { ShowProgress(progress); });
        BatchSummary summary;
        QString failure;
        try {
            summary = ConvertToFile(options, observer, &m_bCancel);
        } catch (const std::exception &e) {
            failure = QString::fromUtf8(e.what());
        }
        QMetaObject::invokeMethod(
            this, [this, summary, failure] { Finish(summary, failure); },
            Qt::QueuedConnection);
    });
}

void TfrmConvert::ShowProgress(const BatchProgress &progress) {
    if (!Running())
        return;
    const double seconds = static_cast<double>(m_clock.elapsed()) / 1000.0;
    const ProgressFigures figures = FiguresOf(progress, seconds);
    const int percent = static_cast<int>(figures.percent);
    ui->barProgress->setValue(percent);
    QString text = QString::number(percent) + QStringLiteral(" %");
    if (seconds > 0)
        text += QStringLiteral("    ") + Count(figures.rate) +
                QStringLiteral(" points/s");
    if (figures.knowsLeft) {
        const auto left = static_cast<qint64>(figures.secondsLeft);
        text += QStringLiteral("    %1:%2 left")
                    .arg(left / 60)
                    .arg(left % 60, 2, 10, QLatin1Char('0'));
    }
    ui->lblProgress->setText(text);
    if (percent != m_nShownPercent) {
        m_nShownPercent = percent;
        emit ProgressShown(percent);
    }
}

void TfrmConvert::Finish(const BatchSummary &summary, const QString &failure) {
    m_worker.join();
    SetRunning(false);
    const QString output = ui->edtOutput->text();
    QString text;
    if (!failure.isEmpty()) {
        text = QStringLiteral("The conversion failed: ") + failure +
               QStringLiteral("\nNothing was written to ") + output + u'.';
        emit ConversionFailed(failure);
    } else if (summary.end == RunEnd::Cancelled) {
        text = QStringLiteral("Cancelled. Nothing was written to ") + output +
               u'.';
        emit ConversionCancelled(output);
    } else if (summary.end != RunEnd::Finished) {
        text = QStringLiteral("The output could not be written. Nothing was "
                              "written to ") +
               output + u'.';
        emit ConversionFailed(output);
    } else {
        ShowProgress(summary.progress);
        text = Lines(summary.progress.points) + QStringLiteral(" converted, ") +
               Count(summary.progress.linesFailed) +
               QStringLiteral(" failed, into ") + output + u'.';
        ui->btnOpenFolder->setEnabled(true);
        emit ConversionDone(summary.progress.points,
                            summary.progress.linesFailed);
    }
    if (!m_messages.isEmpty())
        text += u'\n' + m_messages.join(u'\n');
    ui->txtSummary->setPlainText(text);
}

void TfrmConvert::SetRunning(bool running) {
    const std::initializer_list<QWidget *> controls = {
        ui->edtInput,   ui->btnInput,   ui->edtOutput,    ui->btnOutput,
        ui->cboDelimiter, ui->chkHeader, ui->spnColumn1, ui->spnColumn2,
        ui->spnColumn3, ui->grpDirection, ui->btnConvert};
    for (QWidget *control : controls)
        control->setEnabled(!running);
    ui->btnCancel->setText(running ? QStringLiteral("Cancel")
                                   : QStringLiteral("Close"));
    if (!running)
        ui->lblProgress->setText(QString());
}

void TfrmConvert::reject() {
    if (Running()) {
        m_bCancel = true;
        ui->lblProgress->setText(QStringLiteral("Cancelling..."));
        return;
    }
    QDialog::reject();
}
