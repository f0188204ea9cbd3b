// The coordinate-system dialog: the grid kind of each side.
#include "Fcoordsys.h"
#include "ui_Fcoordsys.h"

#include "DialogSupport.h"
#include "Fmain.h"

TfrmCoordSys::TfrmCoordSys(TfrmMain &frmMain)
    : QDialog(&frmMain), ui(std::make_unique<Ui::TfrmCoordSys>()) {
    ui->setupUi(this);
    SetUpDialog(*this, *ui->btnOk, *ui->btnCancel);
}

TfrmCoordSys::~TfrmCoordSys() = default;
