// The projection-origin dialog: false easting and northing, origin latitude
// and longitude, and longitude delta of each side.
#include "Futmfact.h"
#include "ui_Futmfact.h"

#include "DialogSupport.h"
#include "Fmain.h"

TfrmUtmfact::TfrmUtmfact(TfrmMain &frmMain)
    : QDialog(&frmMain), ui(std::make_unique<Ui::TfrmUtmfact>()) {
    ui->setupUi(this);
    SetUpDialog(*this, *ui->btnOk, *ui->btnCancel);
}

TfrmUtmfact::~TfrmUtmfact() = default;
