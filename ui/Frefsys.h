// The reference-system chooser: a system that PROJ knows for each side.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>

#include <memory>
#include <string>

class QLabel;
class QLineEdit;
class QListWidget;
struct CrsFacts;

namespace Ui {
class TfrmRefSys;
}

/**
 * "Reference System": for each side the systems of PROJ's database, found by
 * what is typed (a code, part of a name or of an area, or a definition such
 * as "EPSG:4326+5773"), and the kind, axes, height and area of use of the one
 * selected. With nothing typed the systems used last come first. OK puts
 * each side with a selection on that system.
 *
 * PROJ's database is opened when the dialog is first filled (ShowSystems),
 * not when it is made: the main window makes it at the first use of its
 * menu item.
 */
class TfrmRefSys : public QDialog {
    Q_OBJECT

  public:
    explicit TfrmRefSys(QWidget *parent);
    ~TfrmRefSys() override;

    /// Clears the filters and selects system @p id1 on side 1 and @p id2
    /// on side 2 ("EPSG:5186"); empty selects none (a side on its catalogue
    /// datum) and lists the systems used last first.
    void ShowSystems(const std::string &id1, const std::string &id2);

    /// What side @p side is on now, as its grid label names it, and its
    /// PROJ system's definition (empty on a catalogue datum): shown above
    /// its list, and the other side's end of the operation the details
    /// give the accuracy of.
    void ShowCurrent(int side, const QString &label,
                     const std::string &definition);

    /// The id of the system selected on side @p side (1 or 2), empty when
    /// none is.
    std::string ChosenSystem(int side) const;

    /// Puts @p id at the head of the systems used last, which are kept
    /// between runs (at most RECENT_MAX, the oldest dropped).
    static void RememberSystem(const std::string &id);

    /// The systems used last, the latest first.
    static QStringList RecentSystems();

    static constexpr int RECENT_MAX = 10;

  protected:
    /// Down in a filter moves into its list, to its selected system or its
    /// first entry; Tab into a list without a selection leaves Down to
    /// select its first entry.
    bool eventFilter(QObject *watched, QEvent *event) override;

  private:
    struct SideWidgets {
        QLineEdit *filter;
        QListWidget *list;
        QLabel *details;
        QLabel *facts;
        QLabel *head;
        QLabel *current;
    };
    /// The system of side @p side's far end: the other side's selection,
    /// else its system now; empty for a catalogue datum.
    std::string OtherEnd(int side) const;

    std::string m_strCurrent[2];
    SideWidgets Widgets(int side) const;
    void Fill(int side, const std::string &keep);
    void Describe(int side);

    std::unique_ptr<Ui::TfrmRefSys> ui;
};

/**
 * What a system is, in lines for the chooser's details and the main window's
 * tooltips: its name and code, its kind, its axes in its own order, what its
 * height is, and its area of use (a very long area cut short).
 */
QString SystemDetails(const CrsFacts &facts);
