// The reference-system chooser.
#include "Frefsys.h"
#include "ui_Frefsys.h"

#include "DialogSupport.h"
#include "Fmain.h"
#include "Proj.h"

#include <QListWidget>

namespace {

/// The item's system id.
constexpr int ID_ROLE = Qt::UserRole;

/// Entries shown at most: the database holds thousands; typing narrows them.
constexpr std::size_t SHOWN_MAX = 400;

/// "EPSG:5186  Korea 2000 / Central Belt 2010  [Projected]"
QString EntryText(const CrsListEntry &entry) {
    return QStringLiteral("%1  %2  [%3]")
        .arg(QString::fromStdString(entry.id),
             QString::fromStdString(entry.name),
             QString::fromStdString(KindName(entry.kind)));
}

} // namespace

TfrmRefSys::TfrmRefSys(TfrmMain &frmMain)
    : QDialog(&frmMain), ui(std::make_unique<Ui::TfrmRefSys>()) {
    ui->setupUi(this);
    SetUpDialog(*this, *ui->btnOk, *ui->btnCancel);
    for (int side : {1, 2}) {
        const SideWidgets w = Widgets(side);
        connect(w.filter, &QLineEdit::textChanged, this,
                [this, side] { Fill(side, ChosenSystem(side)); });
        connect(w.list, &QListWidget::currentRowChanged, this,
                [this, side] { Describe(side); });
    }
}

TfrmRefSys::~TfrmRefSys() = default;

TfrmRefSys::SideWidgets TfrmRefSys::Widgets(int side) const {
    if (side == 1)
        return {ui->edtFilter1, ui->lstSystems1, ui->lblDetails1};
    return {ui->edtFilter2, ui->lstSystems2, ui->lblDetails2};
}

// The systems the filter lets through, keeping the selection when it stays.
void TfrmRefSys::Fill(int side, const std::string &keep) {
    const SideWidgets w = Widgets(side);
    const std::string filter = w.filter->text().toStdString();
    w.list->clear();
    const std::vector<CrsListEntry> entries = FindCrs(filter);
    for (std::size_t i = 0; i < entries.size() && i < SHOWN_MAX; ++i) {
        auto *item = new QListWidgetItem(EntryText(entries[i]), w.list);
        item->setData(ID_ROLE, QString::fromStdString(entries[i].id));
        if (entries[i].id == keep)
            w.list->setCurrentItem(item);
    }
    if (entries.size() > SHOWN_MAX)
        w.list->addItem(tr("... %1 more: type to narrow").arg(entries.size() - SHOWN_MAX));
    // One system left: it is the one meant.
    if (entries.size() == 1)
        w.list->setCurrentRow(0);
    Describe(side);
}

void TfrmRefSys::Describe(int side) {
    const SideWidgets w = Widgets(side);
    const std::string id = ChosenSystem(side);
    if (id.empty()) {
        w.details->clear();
        return;
    }
    try {
        const ProjCrs crs(id);
        const CrsFacts &facts = crs.Facts();
        QString text = QString::fromStdString(facts.Label()) + "\n" +
                       QString::fromStdString(KindName(facts.kind));
        QStringList axes;
        for (const CrsAxis &axis : facts.axes)
            axes << QString::fromStdString(axis.name);
        text += tr("\nAxes: %1").arg(axes.join(QStringLiteral(", ")));
        text += tr("\nHeight: %1").arg(QString::fromStdString(facts.HeightText()));
        if (!facts.area.name.empty())
            text += tr("\nArea of use: %1").arg(QString::fromStdString(facts.area.name));
        w.details->setText(text);
    } catch (const ProjError &e) {
        w.details->setText(QString::fromStdString(e.what()));
    }
}

void TfrmRefSys::ShowSystems(const std::string &id1, const std::string &id2) {
    const std::string ids[] = {id1, id2};
    for (int side : {1, 2}) {
        const SideWidgets w = Widgets(side);
        const QSignalBlocker block(w.filter);
        w.filter->setText(QString::fromStdString(ids[side - 1]));
        Fill(side, ids[side - 1]);
        if (w.list->currentRow() >= 0)
            w.list->scrollToItem(w.list->currentItem(),
                                 QAbstractItemView::PositionAtCenter);
    }
}

std::string TfrmRefSys::ChosenSystem(int side) const {
    const QListWidgetItem *item = Widgets(side).list->currentItem();
    return item && item->isSelected()
               ? item->data(ID_ROLE).toString().toStdString()
               : std::string();
}
