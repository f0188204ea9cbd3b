// The degree-system tool: one free angle shown in decimal degrees, degrees and
// minutes, degrees minutes and seconds, and radians.
#include "Fdegsys.h"
#include "ui_Fdegsys.h"

#include "ErrorBox.h"
#include "FieldMark.h"
#include "FieldText.h"
#include "FormLook.h"
#include "NumberText.h"
#include "ProgramIcon.h"

#include <QAction>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScreen>

#include <algorithm>

#include <exception>

// ---- construction -----------------------------------------------------------

TfrmDegSys::TfrmDegSys(QAction *degSys1, QWidget *parent)
    : QWidget(parent), ui(std::make_unique<Ui::TfrmDegSys>()),
      m_pDegSys1(degSys1) {
    ui->setupUi(this);
    ApplyFormLook(*this);
    // A window of its own even with the main window as parent: single fixed
    // border, system menu, minimise, no maximise.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(size());
    setWindowIcon(ProgramIcon());
    // Closing the main window ends the program even while the tool is shown.
    setAttribute(Qt::WA_QuitOnClose, false);

    // A field whose text cannot be read shows it while it stays so.
    for (QLineEdit *field : {ui->edtDd, ui->edtDmm, ui->edtDmss, ui->edtRadian})
        MarkWhenUnreadable(field, FieldKind::Real);
    for (QLineEdit *field : {ui->edtDmd, ui->edtDmsd, ui->edtDmsm})
        MarkWhenUnreadable(field, FieldKind::Integer);
    for (QLineEdit *field : findChildren<QLineEdit *>())
        ShowFromStart(field);

    connect(ui->edtDd, &QLineEdit::textChanged, this, &TfrmDegSys::edtDdChange);
    connect(ui->edtDmd, &QLineEdit::textChanged, this,
            &TfrmDegSys::edtDmdChange);
    connect(ui->edtDmm, &QLineEdit::textChanged, this,
            &TfrmDegSys::edtDmmChange);
    connect(ui->edtDmsd, &QLineEdit::textChanged, this,
            &TfrmDegSys::edtDmsdChange);
    connect(ui->edtDmsm, &QLineEdit::textChanged, this,
            &TfrmDegSys::edtDmsmChange);
    connect(ui->edtDmss, &QLineEdit::textChanged, this,
            &TfrmDegSys::edtDmssChange);
    connect(ui->edtRadian, &QLineEdit::textChanged, this,
            &TfrmDegSys::edtRadianChange);
}

TfrmDegSys::~TfrmDegSys() = default;

// ---- showing and hiding -----------------------------------------------------

void TfrmDegSys::ToggleFromMenu() {
    // A checkable item has already flipped its own mark by the time it
    // reports the click, so the mark as it stood before the click is read
    // from the window, which the mark always follows.
    const bool shown = isVisible();
    if (m_pDegSys1)
        m_pDegSys1->setChecked(!shown);
    if (shown) {
        hide();
    } else {
        PlaceBesideMain();
        show();
        raise();
        activateWindow();
    }
}

// The frame's size is the window's with its title bar and borders, known
// once it has been shown; before that a title bar is guessed.
void TfrmDegSys::PlaceBesideMain() {
    const QWidget *main = parentWidget() ? parentWidget()->window() : nullptr;
    const QScreen *screen = main ? main->screen() : this->screen();
    if (!screen)
        return;
    constexpr int GAP = 8;
    constexpr int TITLE_BAR_GUESS = 30;
    const QRect room = screen->availableGeometry();
    const QSize frame =
        testAttribute(Qt::WA_WState_Created) && frameGeometry().size() != size()
            ? frameGeometry().size()
            : size() + QSize(2, TITLE_BAR_GUESS + 2);
    const QRect beside = main ? main->frameGeometry() : room;
    const QPoint candidates[] = {
        {beside.right() + 1 + GAP, beside.top()},
        {beside.left() - GAP - frame.width(), beside.top()},
        {beside.left(), beside.bottom() + 1 + GAP},
        {beside.left(), beside.top() - GAP - frame.height()},
    };
    // The first place beside it that the screen holds whole; where none
    // does, each place moved onto the screen, the one that covers least of
    // the main window (never its title bar, while another place does not).
    QPoint at;
    qint64 least = -1;
    for (const QPoint &candidate : candidates) {
        const QPoint onScreen(
            std::clamp(candidate.x(), room.left(),
                       std::max(room.left(), room.right() + 1 - frame.width())),
            std::clamp(
                candidate.y(), room.top(),
                std::max(room.top(), room.bottom() + 1 - frame.height())));
        const QRect covered = QRect(onScreen, frame).intersected(beside);
        const qint64 area =
            covered.isEmpty() ? 0 : qint64(covered.width()) * covered.height();
        if (least < 0 || area < least) {
            least = area;
            at = onScreen;
        }
        if (area == 0 && onScreen == candidate)
            break;
    }
    move(at); // a top-level window's position is its frame's
}

void TfrmDegSys::closeEvent(QCloseEvent *event) {
    FormClose();
    QWidget::closeEvent(event); // accepted: the window hides, fields kept
}

void TfrmDegSys::keyPressEvent(QKeyEvent *event) {
    if (event->key() == Qt::Key_Escape &&
        event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TfrmDegSys::FormClose() {
    if (m_pDegSys1)
        m_pDegSys1->setChecked(false);
}

// ---- change handlers --------------------------------------------------------

void TfrmDegSys::Recompute(void (TfrmDegSys::*from)()) {
    // An empty field, a lone "-" or a half-typed number ends the
    // recomputation quietly inside it; what reaches here is a fault.
    try {
        (this->*from)();
    } catch (const std::exception &e) {
        ShowErrorBox(this, e);
    }
}

void TfrmDegSys::edtDdChange() {
    if (IsTypedChange(ui->edtDd))
        Recompute(&TfrmDegSys::FromDd);
}
void TfrmDegSys::edtDmdChange() {
    if (IsTypedChange(ui->edtDmd))
        Recompute(&TfrmDegSys::FromDm);
}
void TfrmDegSys::edtDmmChange() {
    if (IsTypedChange(ui->edtDmm))
        Recompute(&TfrmDegSys::FromDm);
}
void TfrmDegSys::edtDmsdChange() {
    if (IsTypedChange(ui->edtDmsd))
        Recompute(&TfrmDegSys::FromDms);
}
void TfrmDegSys::edtDmsmChange() {
    if (IsTypedChange(ui->edtDmsm))
        Recompute(&TfrmDegSys::FromDms);
}
void TfrmDegSys::edtDmssChange() {
    if (IsTypedChange(ui->edtDmss))
        Recompute(&TfrmDegSys::FromDms);
}
void TfrmDegSys::edtRadianChange() {
    if (IsTypedChange(ui->edtRadian))
        Recompute(&TfrmDegSys::FromRadian);
}

// ---- recomputations ---------------------------------------------------------
// The one synchronisation of the main window's angles, with the radians: the
// results are made under the floating-point fault check and written only
// afterwards, so a fault (radians beyond about 3.1E306 overflow in degrees)
// leaves every field as it was instead of showing "INF".

AngleFieldSet TfrmDegSys::Fields() const {
    return {ui->edtDd,   ui->edtDmd,  ui->edtDmm,   ui->edtDmsd,
            ui->edtDmsm, ui->edtDmss, ui->edtRadian};
}

void TfrmDegSys::FromDd() {
    SyncAngleFields(Code::AngleNotation::Dd, Fields());
}

void TfrmDegSys::FromDm() {
    SyncAngleFields(Code::AngleNotation::Dm, Fields());
}

void TfrmDegSys::FromDms() {
    SyncAngleFields(Code::AngleNotation::Dms, Fields());
}

void TfrmDegSys::FromRadian() {
    SyncAngleFields(Code::AngleNotation::Radian, Fields());
}
