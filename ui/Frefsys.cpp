// The reference-system chooser.
#include "Frefsys.h"
#include "ui_Frefsys.h"

#include "DialogSupport.h"
#include "Fmain.h"
#include "SystemText.h"

#include <QListWidget>

namespace {

/// The item's EPSG code.
constexpr int CODE_ROLE = Qt::UserRole;

} // namespace

TfrmRefSys::TfrmRefSys(TfrmMain &frmMain)
    : QDialog(&frmMain), ui(std::make_unique<Ui::TfrmRefSys>()) {
    ui->setupUi(this);
    SetUpDialog(*this, *ui->btnOk, *ui->btnCancel);
    for (int side : {1, 2}) {
        const SideWidgets w = Widgets(side);
        connect(w.filter, &QLineEdit::textChanged, this,
                [this, side] { Fill(side); });
        connect(w.list, &QListWidget::currentRowChanged, this,
                [this, side] { Describe(side); });
        Fill(side);
    }
}

TfrmRefSys::~TfrmRefSys() = default;

TfrmRefSys::SideWidgets TfrmRefSys::Widgets(int side) const {
    if (side == 1)
        return {ui->edtFilter1, ui->lstSystems1, ui->lblDetails1};
    return {ui->edtFilter2, ui->lstSystems2, ui->lblDetails2};
}

// The systems the filter lets through, keeping the selection when it stays.
void TfrmRefSys::Fill(int side) {
    const SideWidgets w = Widgets(side);
    const std::int32_t selected = ChosenSystem(side);
    const std::string filter = w.filter->text().toStdString();
    w.list->clear();
    for (const ReferenceSystem &system : Systems()) {
        if (!SystemMatches(system, filter))
            continue;
        auto *item = new QListWidgetItem(
            QStringLiteral("EPSG:%1  %2")
                .arg(system.code)
                .arg(QString::fromStdString(system.name)),
            w.list);
        item->setData(CODE_ROLE, system.code);
        if (system.code == selected)
            w.list->setCurrentItem(item);
    }
    // One system left: it is the one meant.
    if (w.list->count() == 1)
        w.list->setCurrentRow(0);
    Describe(side);
}

void TfrmRefSys::Describe(int side) {
    const SideWidgets w = Widgets(side);
    const ReferenceSystem *system = FindSystem(ChosenSystem(side));
    w.details->setText(system ? QString::fromStdString(SystemDetails(*system))
                              : QString());
}

void TfrmRefSys::ShowSystems(std::int32_t code1, std::int32_t code2) {
    const std::int32_t codes[] = {code1, code2};
    for (int side : {1, 2}) {
        const SideWidgets w = Widgets(side);
        w.filter->clear(); // refills the whole list
        w.list->setCurrentRow(-1);
        for (int row = 0; row < w.list->count(); ++row) {
            if (w.list->item(row)->data(CODE_ROLE).toInt() == codes[side - 1])
                w.list->setCurrentRow(row);
        }
        if (w.list->currentRow() >= 0)
            w.list->scrollToItem(w.list->currentItem(),
                                 QAbstractItemView::PositionAtCenter);
        Describe(side);
    }
}

std::int32_t TfrmRefSys::ChosenSystem(int side) const {
    const QListWidgetItem *item = Widgets(side).list->currentItem();
    return item && item->isSelected() ? item->data(CODE_ROLE).toInt() : 0;
}
