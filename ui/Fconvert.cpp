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
#include <QScreen>
#include <QUrl>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace {

/// Lines of the input shown, and the bytes read for them at most.
constexpr int PREVIEW_LINES = 12;
constexpr qint64 PREVIEW_BYTES = 64 * 1024;

/// The height of a window's title bar before the window manager has said.
constexpr int TITLE_BAR_GUESS = 32;

/// How long the window waits for an input's first lines before it goes on
/// without them: a local file has answered long before; a pipe is not
/// read, and a slow network file shows its lines when it has answered.
constexpr std::chrono::milliseconds FIRST_LOOK_WAIT(250);

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

    /// The window has controls, not the command line's options.

  private:
    QObject *m_pDialog;
    std::function<void(QString)> m_message;
    std::function<void(BatchProgress)> m_progress;
};

QString Count(std::uint64_t n) { return QLocale().toString(qulonglong(n)); }

QString Text(const std::string &text) { return QString::fromStdString(text); }

/// A path as the system's calls take it.
std::string LocalPath(const QString &path) {
    return QFile::encodeName(QDir::fromNativeSeparators(path)).toStdString();
}

/// The window's words for a fault of the column rule: its controls where
/// the command line names its options.
QString WindowText(const ColumnsFault &fault) {
    const QString what = Text(fault.what);
    const auto quoted = [](const std::string &name) {
        return u'"' + Text(name) + u'"';
    };
    switch (fault.kind) {
    case ColumnsFault::ColumnTwice:
        return QStringLiteral("The columns name column %1 twice")
            .arg(fault.column);
    case ColumnsFault::SameValueTwice:
        return QStringLiteral("The heading names %1 and %2 for the same value: "
                              "choose the columns")
            .arg(quoted(fault.names[0]), quoted(fault.names[1]));
    case ColumnsFault::EitherAxis:
        return QStringLiteral("The heading names x or y, which could be either "
                              "axis: choose the columns of %1")
            .arg(what);
    case ColumnsFault::OtherKind:
        return QStringLiteral("The heading names %1, but the input is said to "
                              "hold %2: change \"The input holds\", or choose "
                              "the columns")
            .arg(Text(fault.misfitWhat), what);
    case ColumnsFault::OnlyOne:
        return QStringLiteral("The heading names only one of %1: choose the "
                              "columns")
            .arg(what);
    case ColumnsFault::NoSuchName:
        return QStringLiteral("The heading has no column %1")
            .arg(quoted(fault.names[0]));
    case ColumnsFault::NameTwice:
        return QStringLiteral("The heading names %1 twice: choose its column "
                              "by number")
            .arg(quoted(fault.names[0]));
    case ColumnsFault::NoneNamed:
        return QStringLiteral("The heading names none of %1: choose the "
                              "columns")
            .arg(what);
    case ColumnsFault::OtherHeight:
        return QStringLiteral("The heading's %1 is %2, but the input is said "
                              "to hold %3: choose the columns")
            .arg(quoted(fault.names[0]), Text(fault.misfitWhat),
                 Text(fault.height));
    case ColumnsFault::MissingHeight:
        return QStringLiteral("%1 needs %2 for each point, and no column "
                              "gives it: choose the columns")
            .arg(Text(fault.side), Text(fault.height));
    }
    return {};
}

/// What the values of @p side are called, in the order files hold them, as
/// the converter's heading names them.
QStringList ValueNamesOf(const ConversionSide &side) {
    try {
        const std::array<std::string, 3> names = ValueNames(side);
        return {Text(names[0]), Text(names[1]), Text(names[2])};
    } catch (const std::exception &) {
        // A system PROJ no longer knows: the run will say so.
        return {QStringLiteral("first value"), QStringLiteral("second value"),
                QStringLiteral("third value")};
    }
}

/// "Easting, northing, height on Tokyo(---)(UTM)"
QString ChoiceText(const ConversionSide &side, const QString &label) {
    QString names = ValueNamesOf(side).join(QStringLiteral(", "));
    if (!names.isEmpty())
        names[0] = names[0].toUpper();
    return names + QStringLiteral(" on ") + label;
}

/// "1 line", "12,345 lines"
QString Lines(std::uint64_t n) {
    return Count(n) + (n == 1 ? QStringLiteral(" line") : QStringLiteral(" lines"));
}

} // namespace

/// A first look at an input file, on a thread of its own that may outlive
/// the dialog: a slow or stuck file must hold neither the window nor its
/// closing. The thread hands its lines over only while the dialog still
/// waits for them.
struct TfrmConvert::HeadReading {
    std::atomic<bool> cancel{false};
    std::mutex mutex;
    std::condition_variable read;
    bool done = false; ///< head holds what was read
    FileHead head;
    TfrmConvert *dialog = nullptr; ///< null once the dialog no longer waits
};

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
            &TfrmConvert::InputEdited);
    connect(ui->chkHeader, &QCheckBox::toggled, this,
            &TfrmConvert::LayoutChanged);
    for (QSpinBox *column : {ui->spnColumn1, ui->spnColumn2, ui->spnColumn3})
        connect(column, &QSpinBox::valueChanged, this,
                &TfrmConvert::ColumnEdited);
    connect(ui->cboDelimiter, &QComboBox::currentIndexChanged, this,
            &TfrmConvert::LayoutChanged);
    for (QRadioButton *direction : {ui->rdoSide1To2, ui->rdoSide2To1})
        connect(direction, &QRadioButton::toggled, this,
                &TfrmConvert::ShowChoices);
    connect(ui->cboFrom, &QComboBox::currentIndexChanged, this,
            &TfrmConvert::LayoutChanged);
    connect(ui->cboTo, &QComboBox::currentIndexChanged, this,
            &TfrmConvert::ShowFormats);
    connect(ui->btnConvert, &QPushButton::clicked, this,
            &TfrmConvert::Convert);
    connect(ui->btnCancel, &QPushButton::clicked, this, &TfrmConvert::reject);
    connect(ui->btnOpenFolder, &QPushButton::clicked, this, [this] {
        QDesktopServices::openUrl(QUrl::fromLocalFile(
            QFileInfo(ui->edtOutput->text()).absolutePath()));
    });
    // What the last run showed belongs to its settings: a setting the user
    // changes takes its summary and progress away.
    for (QRadioButton *direction : {ui->rdoSide1To2, ui->rdoSide2To1})
        connect(direction, &QRadioButton::toggled, this,
                &TfrmConvert::ForgetLastRun);
    for (QComboBox *choice :
         {ui->cboFrom, ui->cboTo, ui->cboFormat, ui->cboDelimiter})
        connect(choice, &QComboBox::currentIndexChanged, this,
                &TfrmConvert::ForgetLastRun);
    connect(ui->chkHeader, &QCheckBox::toggled, this,
            &TfrmConvert::ForgetLastRun);
    for (QSpinBox *column : {ui->spnColumn1, ui->spnColumn2, ui->spnColumn3})
        connect(column, &QSpinBox::valueChanged, this,
                &TfrmConvert::ForgetLastRun);
    connect(ui->edtOutput, &QLineEdit::textEdited, this,
            &TfrmConvert::ForgetLastRun);
    ShowChoices();
}

void TfrmConvert::ForgetLastRun() {
    if (m_bFilling || Running())
        return;
    ui->txtSummary->clear();
    ui->barProgress->setValue(0);
    ui->lblProgress->clear();
    ui->btnOpenFolder->setEnabled(false);
}

TfrmConvert::~TfrmConvert() {
    // Hidden while its controls still exist: hiding takes the focus from a
    // field, and the field's handlers read the controls.
    hide();
    StopReading();
    if (m_worker.joinable()) {
        m_bCancel = true;
        m_worker.join();
    }
}

// ---- the input and its layout -------------------------------------------------

void TfrmConvert::SetInput(const QString &path) {
    ui->edtInput->setText(QDir::toNativeSeparators(path));
    ReadInput();
}

// Leaving the field reads the input again only when it names another file.
void TfrmConvert::InputEdited() {
    if (ui->edtInput->text() != m_strRead)
        ReadInput();
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

// The first lines are read on a thread of their own; ShowHead shows them.
void TfrmConvert::ReadInput() {
    StopReading();
    m_strRead = ui->edtInput->text();
    m_lines.clear();
    ui->txtPreview->clear();
    if (!Running()) {
        // What the last run said was of another input.
        ui->txtSummary->clear();
        ui->barProgress->setValue(0);
        ui->btnOpenFolder->setEnabled(false);
    }
    if (m_strRead.isEmpty()) {
        ui->txtPreview->setPlaceholderText(QStringLiteral("No input file"));
        m_bConvertWhenRead = false;
        ShowWaiting();
        return;
    }
    ui->txtPreview->setPlaceholderText(QStringLiteral("Reading ") + m_strRead +
                                       QStringLiteral("..."));
    auto reading = std::make_shared<HeadReading>();
    reading->dialog = this;
    m_pReading = reading;
    ShowWaiting();
    std::thread([reading, path = LocalPath(m_strRead)] {
        FileHead head =
            ReadFileHead(path, PREVIEW_LINES, PREVIEW_BYTES, &reading->cancel);
        const std::lock_guard lock(reading->mutex);
        reading->head = std::move(head);
        reading->done = true;
        reading->read.notify_all();
        if (TfrmConvert *dialog = reading->dialog)
            QMetaObject::invokeMethod(
                dialog, [dialog, reading] { dialog->ShowHead(*reading); },
                Qt::QueuedConnection);
    }).detach();
    // A file that answers at once shows at once, as if read here; a slow
    // one shows when it has answered.
    std::unique_lock lock(reading->mutex);
    if (reading->read.wait_for(lock, FIRST_LOOK_WAIT,
                               [&reading] { return reading->done; })) {
        lock.unlock();
        ShowHead(*reading);
    }
}

// The dialog no longer waits for the first lines under way.
void TfrmConvert::StopReading() {
    if (!m_pReading)
        return;
    const std::lock_guard lock(m_pReading->mutex);
    m_pReading->cancel = true;
    m_pReading->dialog = nullptr;
    m_pReading.reset();
}

// The first lines as text, and what they suggest: the delimiter, a heading,
// the coordinate columns.
void TfrmConvert::ShowHead(const HeadReading &reading) {
    if (&reading != m_pReading.get())
        return; // given up, or shown already
    m_pReading.reset();
    // Written before done was set, and no more after.
    const FileHead &head = reading.head;
    if (!Running())
        ui->lblProgress->clear();
    m_lines = head.lines;
    if (!head.error.empty()) {
        ui->txtPreview->setPlaceholderText(Text(head.error));
        m_bConvertWhenRead = false;
        ShowWaiting();
        return;
    }
    ProposeOutput();
    QStringList shown;
    for (const std::string &line : m_lines)
        shown << QString::fromUtf8(line.c_str());
    ui->txtPreview->setPlainText(shown.join(u'\n'));
    ui->txtPreview->setPlaceholderText(
        head.regular ? QStringLiteral("The input file is empty")
                     : QStringLiteral("Not a regular file (a pipe or a "
                                      "device): its lines are read only by "
                                      "the conversion"));

    const FileGuess guess = GuessFileLayout(m_lines);
    m_bFilling = true;
    for (std::size_t i = 0; i < std::size(DELIMITERS); ++i)
        if (DELIMITERS[i] == guess.delimiter)
            ui->cboDelimiter->setCurrentIndex(static_cast<int>(i));
    ui->chkHeader->setChecked(guess.header);
    m_bFilling = false;
    FillColumns();
    ShowColumnNames();
    ShowWaiting();
    emit InputRead(m_strRead);
    if (m_bConvertWhenRead) {
        m_bConvertWhenRead = false;
        Convert();
    }
}

// Until the user chooses the columns: those the converter's column rule
// finds in the heading, else from the first field that reads as a
// coordinate.
void TfrmConvert::FillColumns() {
    if (m_bColumnsChosen || m_bFilling)
        return;
    m_strColumnsNote.clear();
    const FileGuess guess = GuessFileLayout(m_lines);
    const int first = static_cast<int>(guess.firstCoordinate) + 1;
    int columns[3] = {first, first + 1,
                      guess.fields >= guess.firstCoordinate + 3 ? first + 2
                                                                : 0};
    if (ui->chkHeader->isChecked() && !m_lines.empty()) {
        try {
            if (const std::optional<FileFormat> found =
                    HeadingColumns(Options(), m_lines.front(),
                                   DELIMITERS[ui->cboDelimiter->currentIndex()])) {
                for (int k = 0; k < 3; ++k)
                    columns[k] = k < found->columnCount ? found->columns[k] + 1 : 0;
            }
        } catch (const ColumnsRefusal &refusal) {
            m_strColumnsNote = WindowText(refusal.Fault()) + u'.';
        } catch (const std::exception &) {
            // The sides cannot be set up: Convert says why.
        }
    }
    m_bFilling = true;
    ui->spnColumn1->setValue(columns[0]);
    ui->spnColumn2->setValue(columns[1]);
    ui->spnColumn3->setValue(columns[2]);
    m_bFilling = false;
}

// The user's delimiter, heading or kind of input: the columns follow
// unless the user has chosen them.
void TfrmConvert::LayoutChanged() {
    if (m_bFilling)
        return;
    FillColumns();
    ShowColumnNames();
}

void TfrmConvert::ColumnEdited() {
    if (m_bFilling)
        return;
    m_bColumnsChosen = true;
    ShowColumnNames();
}

// What the chosen columns are, with their names in the heading; or what
// the heading's names left unsettled, until the user chooses.
void TfrmConvert::ShowColumnNames() {
    if (!m_bColumnsChosen && !m_strColumnsNote.isEmpty()) {
        ui->lblColumnNames->setText(m_strColumnsNote);
        ui->lblColumnNames->setToolTip(m_strColumnsNote);
        return;
    }
    const QStringList what = ValueNamesOf(ChosenChain().from);
    const std::vector<std::string> names =
        ui->chkHeader->isChecked() && !m_lines.empty()
            ? HeadingNames(m_lines.front(),
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
    ui->lblColumnNames->setToolTip(ui->lblColumnNames->text());
    ShowChoiceTexts();
}

// The values in the order the files hold them: the input's as its columns
// stand, and the output's in the same columns, as the converter writes its
// heading (a heading "Easting,Northing" on a system that gives its
// northing first is read and written east first).
void TfrmConvert::ShowChoiceTexts() {
    const QSpinBox *spins[] = {ui->spnColumn1, ui->spnColumn2, ui->spnColumn3};
    std::array<int, 3> order = {0, 1, 2};
    std::stable_sort(order.begin(), order.end(), [&spins](int a, int b) {
        const int ca = spins[a]->value(), cb = spins[b]->value();
        if ((ca == 0) != (cb == 0))
            return cb == 0; // a value without a column comes last
        return ca < cb;
    });
    const int from = ui->rdoSide1To2->isChecked() ? 1 : 2;
    const ConvertSide &source = m_sides[static_cast<std::size_t>(from - 1)];
    const ConvertSide &target = m_sides[static_cast<std::size_t>(2 - from)];
    const auto text = [&order](const ConversionSide &side,
                               const QString &label) {
        const QStringList names = ValueNamesOf(side);
        QStringList ordered;
        for (int k : order)
            ordered << names.value(k);
        QString joined = ordered.join(QStringLiteral(", "));
        if (!joined.isEmpty())
            joined[0] = joined[0].toUpper();
        return joined + QStringLiteral(" on ") + label;
    };
    const QString texts[2][2] = {
        {text(source.geo, source.geoText), text(source.grid, source.gridText)},
        {text(target.geo, target.geoText), text(target.grid, target.gridText)}};
    QComboBox *boxes[] = {ui->cboFrom, ui->cboTo};
    for (int b = 0; b < 2; ++b) {
        for (int i = 0; i < 2 && i < boxes[b]->count(); ++i) {
            boxes[b]->setItemText(i, texts[b][i]);
            // Never cut without the whole text at hand.
            boxes[b]->setItemData(i, texts[b][i], Qt::ToolTipRole);
        }
        boxes[b]->setToolTip(boxes[b]->currentText());
    }
}

void TfrmConvert::ShowSides(const std::array<ConvertSide, 2> &sides) {
    m_sides = sides;
    ShowChoices();
}

Conversion TfrmConvert::Chain(int from, bool fromGrid, bool toGrid) const {
    const ConvertSide &source = m_sides[static_cast<std::size_t>(from - 1)];
    const ConvertSide &target = m_sides[static_cast<std::size_t>(2 - from)];
    Conversion settings;
    settings.from = fromGrid ? source.grid : source.geo;
    settings.to = toGrid ? target.grid : target.geo;
    return settings;
}

Conversion TfrmConvert::ChosenChain() const {
    return Chain(ui->rdoSide1To2->isChecked() ? 1 : 2,
                 ui->cboFrom->currentIndex() == 1,
                 ui->cboTo->currentIndex() == 1);
}

std::vector<int> TfrmConvert::ChosenColumns() const {
    std::vector<int> columns = {ui->spnColumn1->value() - 1,
                                ui->spnColumn2->value() - 1};
    if (ui->spnColumn3->value() > 0)
        columns.push_back(ui->spnColumn3->value() - 1);
    return columns;
}

BatchOptions TfrmConvert::Options() const {
    BatchOptions options;
    options.conversion = ChosenChain();
    options.inputs = {LocalPath(ui->edtInput->text())};
    options.output = LocalPath(ui->edtOutput->text());
    options.delimiter = DELIMITERS[ui->cboDelimiter->currentIndex()];
    options.header = ui->chkHeader->isChecked();
    options.columns = ChosenColumns();
    options.outputFormat = ui->cboFormat->currentIndex() == 1
                               ? OutputFormat::GeoJson
                               : OutputFormat::Text;
    options.threads = UsableThreads(std::thread::hardware_concurrency());
    return options;
}

// Every opening shows the sides it was handed, and takes the columns from
// the input again until the user chooses.
void TfrmConvert::showEvent(QShowEvent *event) {
    m_bColumnsChosen = false;
    ShowChoices();
    // No larger than the screen's free area, title bar included (its
    // height known only once the window has been shown, else guessed).
    if (const QScreen *screen = this->screen()) {
        const int titleBar = std::max(frameGeometry().height() - height(),
                                      TITLE_BAR_GUESS);
        const QSize room = screen->availableGeometry().size() -
                           QSize(0, titleBar);
        if (width() > room.width() || height() > room.height())
            resize(size().boundedTo(room).expandedTo(minimumSizeHint()));
    }
    QDialog::showEvent(event);
}

// The two sides as they stand, in the chosen direction, each choice with
// its values in the order the files hold them.
void TfrmConvert::ShowChoices() {
    const int from = ui->rdoSide1To2->isChecked() ? 1 : 2;
    const int fromIndex = std::max(ui->cboFrom->currentIndex(), 0);
    const int toIndex = std::max(ui->cboTo->currentIndex(), 0);
    const ConvertSide &source = m_sides[static_cast<std::size_t>(from - 1)];
    const ConvertSide &target = m_sides[static_cast<std::size_t>(2 - from)];
    m_bFilling = true;
    ui->cboFrom->clear();
    ui->cboFrom->addItem(ChoiceText(source.geo, source.geoText));
    ui->cboFrom->addItem(ChoiceText(source.grid, source.gridText));
    ui->cboTo->clear();
    ui->cboTo->addItem(ChoiceText(target.geo, target.geoText));
    ui->cboTo->addItem(ChoiceText(target.grid, target.gridText));
    ui->cboFrom->setCurrentIndex(fromIndex);
    ui->cboTo->setCurrentIndex(toIndex);
    m_bFilling = false;
    FillColumns();
    ShowColumnNames();
    ShowFormats();
}

// GeoJSON only where the target holds it: geographic points on WGS 84.
// Where it does not, the format says why.
void TfrmConvert::ShowFormats() {
    const bool forward = ui->rdoSide1To2->isChecked();
    const bool geoJson = IsGeoJsonTarget(
        Chain(forward ? 1 : 2, false, ui->cboTo->currentIndex() == 1).to);
    if (!geoJson)
        ui->cboFormat->setCurrentIndex(0);
    ui->cboFormat->setEnabled(geoJson);
    const QString why =
        geoJson ? QString()
                : QStringLiteral(
                      "GeoJSON holds latitude and longitude on WGS 84 only: "
                      "write geographic values to a side on World Geodetic "
                      "System 1984 (or a PROJ system on it) to choose it");
    ui->cboFormat->setToolTip(why);
    ui->lblFormat->setToolTip(why);
    ShowChoiceTexts();
}

// ---- the run ----------------------------------------------------------------

void TfrmConvert::Convert() {
    if (Reading()) {
        // The run takes the layout that the first lines show.
        m_bConvertWhenRead = true;
        ui->lblProgress->setText(QStringLiteral("Reading the input file..."));
        return;
    }
    const QString input = ui->edtInput->text();
    const QString output = ui->edtOutput->text();
    if (input.isEmpty() || output.isEmpty()) {
        ShowErrorBox(this, QStringLiteral("Choose an input and an output file"));
        return;
    }
    const BatchOptions options = Options();
    // The output may be the input under another name; that is refused
    // before anything is offered for replacing.
    try {
        CheckOptions(options);
        CheckOutputIsNoInput(options);
    } catch (const ColumnsRefusal &refusal) {
        ShowErrorBox(this, WindowText(refusal.Fault()));
        return;
    } catch (const std::exception &e) {
        ShowErrorBox(this, e);
        return;
    }
    if (QFileInfo::exists(output) &&
        QMessageBox::question(this, windowTitle(),
                              QStringLiteral("%1 exists. Replace it?")
                                  .arg(output)) != QMessageBox::Yes)
        return;

    m_messages.clear();
    m_nShownPercent = -1;
    m_bCancel = false;
    ui->txtSummary->clear();
    ui->btnOpenFolder->setEnabled(false);
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
    SetRunning(true);
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
    if (!running)
        ui->lblProgress->setText(QString());
    ShowWaiting();
}

// Cancel while the dialog waits for a run or for the input, else Close.
void TfrmConvert::ShowWaiting() {
    ui->btnCancel->setText(Running() || Reading() ? QStringLiteral("Cancel")
                                                  : QStringLiteral("Close"));
}

void TfrmConvert::reject() {
    if (Running()) {
        m_bCancel = true;
        ui->lblProgress->setText(QStringLiteral("Cancelling..."));
        return;
    }
    if (Reading()) {
        StopReading();
        m_bConvertWhenRead = false;
        ui->lblProgress->clear();
        ui->txtPreview->setPlaceholderText(
            QStringLiteral("Not read: cancelled"));
        ShowWaiting();
        return;
    }
    QDialog::reject();
}
