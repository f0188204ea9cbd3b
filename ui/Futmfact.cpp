// The projection-origin dialog: false easting and northing, origin latitude
// and longitude, and longitude delta of each side.
#include "Futmfact.h"
#include "ui_Futmfact.h"

#include "DialogSupport.h"
#include "FieldText.h"

#include <array>

TfrmUtmfact::TfrmUtmfact(QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::TfrmUtmfact>()) {
    ui->setupUi(this);
    SetUpDialog(*this, *ui->btnOk, *ui->btnCancel);
}

TfrmUtmfact::~TfrmUtmfact() = default;

namespace {

// The five fields of one side, in the order of OriginTexts.
std::array<QLineEdit *, 5> Fields(const Ui::TfrmUtmfact &ui, int side) {
    if (side == 1)
        return {ui.edtX1, ui.edtY1, ui.edtLat1, ui.edtLon1, ui.edtDLon1};
    return {ui.edtX2, ui.edtY2, ui.edtLat2, ui.edtLon2, ui.edtDLon2};
}

} // namespace

void TfrmUtmfact::ShowOrigin(int side, const OriginTexts &origin) {
    const auto fields = Fields(*ui, side);
    const std::string *texts[] = {&origin.x, &origin.y, &origin.lat,
                                  &origin.lon, &origin.dlon};
    for (std::size_t i = 0; i < fields.size(); ++i)
        WriteText(fields[i], *texts[i]);
}

OriginTexts TfrmUtmfact::Origin(int side) const {
    const auto fields = Fields(*ui, side);
    return {fields[0]->text().toStdString(), fields[1]->text().toStdString(),
            fields[2]->text().toStdString(), fields[3]->text().toStdString(),
            fields[4]->text().toStdString()};
}

void TfrmUtmfact::SetSideEnabled(int side, bool enabled) {
    (side == 1 ? ui->grpOrigin1 : ui->grpOrigin2)->setEnabled(enabled);
}
