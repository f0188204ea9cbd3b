// The datum dialog: the datum of each side, with the ellipsoid and the shift
// constants of the entry selected on that side.
#include "Fdatum.h"
#include "ui_Fdatum.h"

#include "DialogSupport.h"

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
// engines hold the same catalogue, each side describes from its own.
void ShowSide(const CatalogueRows &catalogue, const QComboBox &cboDatum,
              const SideLabels &labels) {
    const int index = cboDatum.currentIndex();
    if (index < 0 ||
        static_cast<std::size_t>(index) >= catalogue.datums.size()) {
        // No entry selected (a side on a PROJ system): nothing to
        // describe.
        for (QLabel *label : {labels.ellipsoid, labels.a, labels.f, labels.dx,
                              labels.dy, labels.dz})
            label->clear();
        return;
    }
    const DatumText &datum = catalogue.datums[static_cast<std::size_t>(index)];
    // An ellipsoid index outside the table (which no dialog stores) reads as
    // the engine gives it: no name and no numbers.
    EllipsoidText ellipsoid;
    if (datum.ellipsoid >= 0 &&
        static_cast<std::size_t>(datum.ellipsoid) < catalogue.ellipsoids.size())
        ellipsoid =
            catalogue.ellipsoids[static_cast<std::size_t>(datum.ellipsoid)];
    labels.ellipsoid->setText(NamePart(ellipsoid.name));
    labels.a->setText(RealText(ellipsoid.a));
    labels.f->setText(RealText(ellipsoid.invf));
    labels.dx->setText(RealText(datum.dx));
    labels.dy->setText(RealText(datum.dy));
    labels.dz->setText(RealText(datum.dz));
}

} // namespace

TfrmDatum::TfrmDatum(QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::TfrmDatum>()) {
    ui->setupUi(this);
    SetUpDialog(*this, *ui->btnOk, *ui->btnCancel);

    // Every change of selection, the user's or the program's, refreshes the
    // side, so the labels always describe the entry selected in the list.
    connect(ui->cboDatum1, &QComboBox::currentIndexChanged, this,
            &TfrmDatum::cboDatum1Change);
    connect(ui->cboDatum2, &QComboBox::currentIndexChanged, this,
            &TfrmDatum::cboDatum2Change);
}

TfrmDatum::~TfrmDatum() = default;

void TfrmDatum::ShowCatalogue(int side, const CatalogueRows &catalogue) {
    // The rows first: filling an empty list selects its first entry, which
    // is described at once.
    m_catalogue[static_cast<std::size_t>(side - 1)] = catalogue;
    QComboBox *list = List(side);
    for (std::size_t i = 0; i < catalogue.datums.size(); ++i) {
        const QString &name = catalogue.datums[i].name;
        const int entry = static_cast<int>(i);
        if (entry >= list->count())
            list->addItem(name);
        else if (list->itemText(entry) != name)
            list->setItemText(entry, name);
    }
}

void TfrmDatum::cboDatum1Change() {
    ShowSide(m_catalogue[0], *ui->cboDatum1,
             {ui->lblEllipsoid1, ui->lblA1, ui->lblF1, ui->lblDx1, ui->lblDy1,
              ui->lblDz1});
}

void TfrmDatum::cboDatum2Change() {
    ShowSide(m_catalogue[1], *ui->cboDatum2,
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
