// The reference-system chooser: an EPSG system of the register for each side.
#pragma once

#include <QDialog>

#include <cstdint>
#include <memory>

class QLabel;
class QLineEdit;
class QListWidget;
class TfrmMain;

namespace Ui {
class TfrmRefSys;
}

/**
 * "Reference System": for each side the register's systems, filtered by
 * what is typed (an EPSG code or part of a name), and the datum, published
 * transformation, accuracy, grid and area of use of the one selected. OK
 * puts each side with a selection on that system.
 */
class TfrmRefSys : public QDialog {
    Q_OBJECT

  public:
    explicit TfrmRefSys(TfrmMain &frmMain);
    ~TfrmRefSys() override;

    /// Clears the filters and selects system @p code1 on side 1 and @p code2
    /// on side 2; 0 selects none (a side on its catalogue datum).
    void ShowSystems(std::int32_t code1, std::int32_t code2);

    /// The EPSG code of the system selected on side @p side (1 or 2), 0 when
    /// none is.
    std::int32_t ChosenSystem(int side) const;

  private:
    struct SideWidgets {
        QLineEdit *filter;
        QListWidget *list;
        QLabel *details;
    };
    SideWidgets Widgets(int side) const;
    void Fill(int side);
    void Describe(int side);

    std::unique_ptr<Ui::TfrmRefSys> ui;
};
