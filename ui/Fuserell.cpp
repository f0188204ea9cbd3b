// The user-ellipsoid dialog: name, semi-major axis and inverse flattening of
// ellipsoid row 0.
#include "Fuserell.h"
#include "ui_Fuserell.h"

#include "DialogSupport.h"
#include "Fmain.h"

TfrmUserEll::TfrmUserEll(TfrmMain &frmMain)
    : QDialog(&frmMain), ui(std::make_unique<Ui::TfrmUserEll>()) {
    ui->setupUi(this);
    SetUpDialog(*this, *ui->btnOk, *ui->btnCancel);
}

TfrmUserEll::~TfrmUserEll() = default;
