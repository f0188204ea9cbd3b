// The degree-system tool: one free angle shown in decimal degrees, degrees and
// minutes, degrees minutes and seconds, and radians.
#include "Fdegsys.h"
#include "ui_Fdegsys.h"

#include "Code.h"
#include "ErrorBox.h"
#include "Errors.h"
#include "EventLog.h"
#include "FieldMark.h"
#include "FieldText.h"
#include "FormLook.h"
#include "NumberText.h"
#include "ProgramIcon.h"

#include <QAction>
#include <QCloseEvent>
#include <QLineEdit>

#include <cstdint>
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

    if (EventLog::Enabled()) {
        // Connected before the change handlers, so a field's own line comes
        // before the lines of the fields it rewrites.
        for (QLineEdit *field : findChildren<QLineEdit *>()) {
            connect(field, &QLineEdit::textChanged, this,
                    [field](const QString &text) {
                        EventLog::Write(field->objectName(), text);
                    });
        }
    }

    // A field whose text cannot be read shows it while it stays so.
    for (QLineEdit *field : {ui->edtDd, ui->edtDmm, ui->edtDmss, ui->edtRadian})
        MarkWhenUnreadable(field, FieldKind::Real);
    for (QLineEdit *field : {ui->edtDmd, ui->edtDmsd, ui->edtDmsm})
        MarkWhenUnreadable(field, FieldKind::Integer);

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
        show();
        raise();
        activateWindow();
    }
}

void TfrmDegSys::closeEvent(QCloseEvent *event) {
    FormClose();
    QWidget::closeEvent(event); // accepted: the window hides, fields kept
}

void TfrmDegSys::FormClose() {
    if (m_pDegSys1)
        m_pDegSys1->setChecked(false);
}

// ---- change handlers --------------------------------------------------------

void TfrmDegSys::Recompute(void (TfrmDegSys::*from)()) {
    try {
        (this->*from)();
    } catch (const Code::ConversionError &) {
        // An empty field, a lone "-" or a half-typed number: the user is on
        // the way to a number, so nothing changes and nothing is said.
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
// All results are computed into locals under the floating-point fault check
// and written only afterwards, so a fault (radians beyond about 3E306 overflow
// in degrees) leaves every field as it was instead of showing "INF".

void TfrmDegSys::FromDd() {
    const double dd = ReadReal(ui->edtDd);

    std::int32_t dmD = 0, dmsD = 0, dmsM = 0;
    double dmM = 0, dmsS = 0, radians = 0;
    RunFloatingPointChecked([&] {
        Code::DdToDm(dd, dmD, dmM);
        Code::DdToDms(dd, dmsD, dmsM, dmsS);
        Code::DegreeToRadian(dd, radians);
        PinFloatingPoint(dmM, dmsS, radians);
    });

    WriteInteger(ui->edtDmd, dmD);
    WriteReal(ui->edtDmm, dmM);
    WriteInteger(ui->edtDmsd, dmsD);
    WriteInteger(ui->edtDmsm, dmsM);
    WriteReal(ui->edtDmss, dmsS);
    WriteReal(ui->edtRadian, radians);
}

void TfrmDegSys::FromDm() {
    const std::int32_t d = ReadInteger(ui->edtDmd);
    const double m = ReadReal(ui->edtDmm);

    std::int32_t dmsD = 0, dmsM = 0;
    double dd = 0, dmsS = 0, radians = 0;
    RunFloatingPointChecked([&] {
        Code::DmToDd(d, m, dd);
        Code::DmToDms(d, m, dmsD, dmsM, dmsS);
        Code::DegreeToRadian(dd, radians);
        PinFloatingPoint(dd, dmsS, radians);
    });

    WriteReal(ui->edtDd, dd);
    WriteInteger(ui->edtDmsd, dmsD);
    WriteInteger(ui->edtDmsm, dmsM);
    WriteReal(ui->edtDmss, dmsS);
    WriteReal(ui->edtRadian, radians);
}

void TfrmDegSys::FromDms() {
    const std::int32_t d = ReadInteger(ui->edtDmsd);
    const std::int32_t m = ReadInteger(ui->edtDmsm);
    const double s = ReadReal(ui->edtDmss);

    std::int32_t dmD = 0;
    double dd = 0, dmM = 0, radians = 0;
    RunFloatingPointChecked([&] {
        Code::DmsToDd(d, m, s, dd);
        Code::DmsToDm(d, m, s, dmD, dmM);
        Code::DegreeToRadian(dd, radians);
        PinFloatingPoint(dd, dmM, radians);
    });

    WriteReal(ui->edtDd, dd);
    WriteInteger(ui->edtDmd, dmD);
    WriteReal(ui->edtDmm, dmM);
    WriteReal(ui->edtRadian, radians);
}

void TfrmDegSys::FromRadian() {
    const double radians = ReadReal(ui->edtRadian);

    std::int32_t dmD = 0, dmsD = 0, dmsM = 0;
    double dd = 0, dmM = 0, dmsS = 0;
    RunFloatingPointChecked([&] {
        Code::RadianToDegree(radians, dd);
        Code::DdToDm(dd, dmD, dmM);
        Code::DdToDms(dd, dmsD, dmsM, dmsS);
        PinFloatingPoint(dd, dmM, dmsS);
    });

    WriteReal(ui->edtDd, dd);
    WriteInteger(ui->edtDmd, dmD);
    WriteReal(ui->edtDmm, dmM);
    WriteInteger(ui->edtDmsd, dmsD);
    WriteInteger(ui->edtDmsm, dmsM);
    WriteReal(ui->edtDmss, dmsS);
}
