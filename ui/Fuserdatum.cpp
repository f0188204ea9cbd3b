// The user-datum dialog: name, ellipsoid and shift constants of datum row 0.
#include "Fuserdatum.h"
#include "ui_Fuserdatum.h"

#include "DialogSupport.h"
#include "FieldText.h"

TfrmUserDatum::TfrmUserDatum(QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::TfrmUserDatum>()) {
    ui->setupUi(this);
    SetUpDialog(*this, *ui->btnOk, *ui->btnCancel);

    connect(ui->cboEllipsoid, &QComboBox::currentIndexChanged, this,
            &TfrmUserDatum::cboEllipsoidChange);
}

TfrmUserDatum::~TfrmUserDatum() = default;

void TfrmUserDatum::ShowEllipsoids(
    const std::vector<EllipsoidText> &ellipsoids) {
    // The rows first: the first entry added is selected, and described.
    m_ellipsoids = ellipsoids;
    for (const EllipsoidText &ellipsoid : ellipsoids)
        ui->cboEllipsoid->addItem(NamePart(ellipsoid.name));
    ui->cboEllipsoid->setCurrentIndex(0);
    cboEllipsoidChange();
}

void TfrmUserDatum::cboEllipsoidChange() {
    const int index = ui->cboEllipsoid->currentIndex();
    if (index < 0 || static_cast<std::size_t>(index) >= m_ellipsoids.size())
        return; // no entry selected: nothing to describe
    const EllipsoidText &ellipsoid =
        m_ellipsoids[static_cast<std::size_t>(index)];
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

void TfrmUserDatum::RenameUserEllipsoid(const EllipsoidText &ellipsoid) {
    if (m_ellipsoids.empty())
        return; // the list is not filled yet
    m_ellipsoids.front() = ellipsoid;
    ui->cboEllipsoid->setItemText(0, ellipsoid.name);
}
