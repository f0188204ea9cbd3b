// The coordinate-system dialog: the grid kind of each side.
#include "Fcoordsys.h"
#include "ui_Fcoordsys.h"

#include "Coord.h"
#include "DialogSupport.h"

#include <array>

TfrmCoordSys::TfrmCoordSys(QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::TfrmCoordSys>()) {
    ui->setupUi(this);
    SetUpDialog(*this, *ui->btnOk, *ui->btnCancel);
}

TfrmCoordSys::~TfrmCoordSys() = default;

namespace {

// The grid kinds in the order of a side's buttons.
constexpr int GRID_KINDS[] = {CS_UTM, CS_TM, CS_G7, CS_ECEF};

// The four buttons of one side, in the order of GRID_KINDS.
using KindButtons = std::array<QRadioButton *, 4>;

KindButtons Buttons(const Ui::TfrmCoordSys &ui, int side) {
    if (side == 1)
        return {ui.rdoUtm1, ui.rdoTm1, ui.rdoG71, ui.rdoEcef1};
    return {ui.rdoUtm2, ui.rdoTm2, ui.rdoG72, ui.rdoEcef2};
}

void CheckKind(const KindButtons &buttons, int kind) {
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        if (GRID_KINDS[i] == kind)
            buttons[i]->setChecked(true);
    }
}

} // namespace

void TfrmCoordSys::ShowKinds(int kind1, int kind2) {
    CheckKind(Buttons(*ui, 1), kind1);
    CheckKind(Buttons(*ui, 2), kind2);
}

int TfrmCoordSys::Kind(int side) const {
    const KindButtons buttons = Buttons(*ui, side);
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        if (buttons[i]->isChecked())
            return GRID_KINDS[i];
    }
    return 0;
}

void TfrmCoordSys::SetSideEnabled(int side, bool enabled) {
    (side == 1 ? ui->grpCoordSys1 : ui->grpCoordSys2)->setEnabled(enabled);
}
