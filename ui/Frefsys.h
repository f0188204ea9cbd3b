// The reference-system chooser: a system that PROJ knows for each side.
#pragma once

#include <QDialog>

#include <memory>
#include <string>

class QLabel;
class QLineEdit;
class QListWidget;
class TfrmMain;

namespace Ui {
class TfrmRefSys;
}

/**
 * "Reference System": for each side the systems of PROJ's database, found by
 * what is typed (a code, part of a name or of an area), and the kind, axes
 * and area of use of the one selected. OK puts each side with a selection on
 * that system. PROJ's database is opened when the dialog is first filled.
 */
class TfrmRefSys : public QDialog {
    Q_OBJECT

  public:
    explicit TfrmRefSys(TfrmMain &frmMain);
    ~TfrmRefSys() override;

    /// Clears the filters and selects system @p id1 on side 1 and @p id2
    /// on side 2 ("EPSG:5186"); empty selects none (a side on its catalogue
    /// datum).
    void ShowSystems(const std::string &id1, const std::string &id2);

    /// The id of the system selected on side @p side (1 or 2), empty when
    /// none is.
    std::string ChosenSystem(int side) const;

  private:
    struct SideWidgets {
        QLineEdit *filter;
        QListWidget *list;
        QLabel *details;
    };
    SideWidgets Widgets(int side) const;
    void Fill(int side, const std::string &keep);
    void Describe(int side);

    std::unique_ptr<Ui::TfrmRefSys> ui;
};
