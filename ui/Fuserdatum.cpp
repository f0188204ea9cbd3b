// The user-datum dialog: name, ellipsoid and shift constants of datum row 0.
#include "Fuserdatum.h"
#include "ui_Fuserdatum.h"

#include "DialogSupport.h"
#include "FieldText.h"
#include "Fmain.h"

TfrmUserDatum::TfrmUserDatum(TfrmMain &frmMain)
    : QDialog(&frmMain), ui(std::make_unique<Ui::TfrmUserDatum>()),
      m_frmMain(frmMain) {
    ui->setupUi(this);
    SetUpDialog(*this, *ui->btnOk, *ui->btnCancel);

    connect(ui->cboEllipsoid, &QComboBox::currentIndexChanged, this,
            &TfrmUserDatum::cboEllipsoidChange);

    FormCreate();
}

TfrmUserDatum::~TfrmUserDatum() = default;

void TfrmUserDatum::FormCreate() {
    m_frmMain.FillEllipsoidList(*ui->cboEllipsoid);
    cboEllipsoidChange();
}

void TfrmUserDatum::cboEllipsoidChange() {
    const int index = ui->cboEllipsoid->currentIndex();
    if (index < 0)
        return; // no entry selected: nothing to describe
    EllipsoidText ellipsoid;
    ReadEllipsoidRow(*m_frmMain.pCoord1, index, ellipsoid);
    ui->lblA->setText(RealText(ellipsoid.a));
    ui->lblF->setText(RealText(ellipsoid.invf));
}

void TfrmUserDatum::ShowUserDatum(std::int32_t ellipsoid, double dx, double dy,
                                  double dz) {
    ui->cboEllipsoid->setCurrentIndex(ellipsoid);
    cboEllipsoidChange();
    WriteReal(ui->edtDx, dx);
    WriteReal(ui->edtDy, dy);
    WriteReal(ui->edtDz, dz);
}

int TfrmUserDatum::Ellipsoid() const { return ui->cboEllipsoid->currentIndex(); }

std::array<double, 3> TfrmUserDatum::Shifts() const {
    const double dx = ReadReal(ui->edtDx);
    const double dy = ReadReal(ui->edtDy);
    const double dz = ReadReal(ui->edtDz);
    return {dx, dy, dz};
}

QString TfrmUserDatum::DatumName() const { return ui->edtDatum->text(); }

void TfrmUserDatum::RenameUserEllipsoid(const QString &name) {
    ui->cboEllipsoid->setItemText(0, name);
}
