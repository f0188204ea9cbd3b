// The user-ellipsoid dialog: name, semi-major axis and inverse flattening of
// ellipsoid row 0.
#include "Fuserell.h"
#include "ui_Fuserell.h"

#include "DialogSupport.h"
#include "FieldText.h"

TfrmUserEll::TfrmUserEll(QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::TfrmUserEll>()) {
    ui->setupUi(this);
    SetUpDialog(*this, *ui->btnOk, *ui->btnCancel);
}

TfrmUserEll::~TfrmUserEll() = default;

void TfrmUserEll::ShowEllipsoid(const QString &name, double a, double invf) {
    ui->edtEllipsoid->setText(name);
    ui->edtEllipsoid->setCursorPosition(0);
    WriteReal(ui->edtA, a);
    WriteReal(ui->edtF, invf);
}

QString TfrmUserEll::EllipsoidName() const { return ui->edtEllipsoid->text(); }

double TfrmUserEll::A() const { return ReadReal(ui->edtA); }

double TfrmUserEll::InvF() const { return ReadReal(ui->edtF); }
