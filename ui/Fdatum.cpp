// The datum dialog: the datum of each side, with the ellipsoid and the shift
// constants of the entry selected on that side.
#include "Fdatum.h"
#include "ui_Fdatum.h"

#include "Coord.h"
#include "DialogSupport.h"
#include "Fmain.h"

namespace {

struct SideLabels {
    QLabel *ellipsoid;
    QLabel *a;
    QLabel *f;
    QLabel *dx;
    QLabel *dy;
    QLabel *dz;
};

// One side: the datum of the selected entry, then its ellipsoid; the
// ellipsoid's plain name, a, 1/f, dx, dy, dz written in this order. Both
// engines hold the same catalogue, each side reads its own.
void ShowSide(const COORD &engine, const QComboBox &cboDatum,
              const SideLabels &labels) {
    const int index = cboDatum.currentIndex();
    if (index < 0) {
        // No entry selected (a side on a PROJ system): nothing to
        // describe.
        for (QLabel *label : {labels.ellipsoid, labels.a, labels.f, labels.dx,
                              labels.dy, labels.dz})
            label->clear();
        return;
    }
    DatumText datum;
    ReadDatumRow(engine, index, datum);
    EllipsoidText ellipsoid;
    ReadEllipsoidRow(engine, datum.ellipsoid, ellipsoid);
    labels.ellipsoid->setText(NamePart(ellipsoid.name));
    labels.a->setText(RealText(ellipsoid.a));
    labels.f->setText(RealText(ellipsoid.invf));
    labels.dx->setText(RealText(datum.dx));
    labels.dy->setText(RealText(datum.dy));
    labels.dz->setText(RealText(datum.dz));
}

} // namespace

TfrmDatum::TfrmDatum(TfrmMain &frmMain)
    : QDialog(&frmMain), ui(std::make_unique<Ui::TfrmDatum>()),
      m_frmMain(frmMain) {
    ui->setupUi(this);
    SetUpDialog(*this, *ui->btnOk, *ui->btnCancel);

    // Every change of selection, the user's or the program's, refreshes the
    // side, so the labels always describe the entry selected in the list.
    connect(ui->cboDatum1, &QComboBox::currentIndexChanged, this,
            &TfrmDatum::cboDatum1Change);
    connect(ui->cboDatum2, &QComboBox::currentIndexChanged, this,
            &TfrmDatum::cboDatum2Change);

    FormCreate();
}

TfrmDatum::~TfrmDatum() = default;

void TfrmDatum::FormCreate() {
    m_frmMain.FillDatumLists(*ui->cboDatum1, *ui->cboDatum2);
    cboDatum1Change();
    m_frmMain.pCoord1->SetDatum(ui->cboDatum1->currentIndex());
    cboDatum2Change();
    m_frmMain.pCoord2->SetDatum(ui->cboDatum2->currentIndex());
}

void TfrmDatum::cboDatum1Change() {
    ShowSide(*m_frmMain.pCoord1, *ui->cboDatum1,
             {ui->lblEllipsoid1, ui->lblA1, ui->lblF1, ui->lblDx1, ui->lblDy1,
              ui->lblDz1});
}

void TfrmDatum::cboDatum2Change() {
    ShowSide(*m_frmMain.pCoord2, *ui->cboDatum2,
             {ui->lblEllipsoid2, ui->lblA2, ui->lblF2, ui->lblDx2, ui->lblDy2,
              ui->lblDz2});
}

QComboBox *TfrmDatum::List(int side) const {
    return side == 1 ? ui->cboDatum1 : ui->cboDatum2;
}

void TfrmDatum::ShowDatums(std::int32_t nDatum1, std::int32_t nDatum2) {
    // Described also when the entry was selected already: the user datum may
    // have been redefined since.
    ui->cboDatum1->setCurrentIndex(nDatum1);
    cboDatum1Change();
    ui->cboDatum2->setCurrentIndex(nDatum2);
    cboDatum2Change();
}

int TfrmDatum::SelectedDatum(int side) const {
    return List(side)->currentIndex();
}

QString TfrmDatum::DatumText(int side, int index) const {
    return List(side)->itemText(index);
}

void TfrmDatum::RenameUserDatum(const QString &name1, const QString &name2) {
    ui->cboDatum1->setItemText(0, name1);
    ui->cboDatum2->setItemText(0, name2);
}
