// The about box: the program's title lines, its version and its icon.
#pragma once

#include <QDialog>
#include <QString>

#include <memory>

namespace Ui {
class TfrmAbout;
}

/**
 * The about box. Unlike the other dialogs it is not kept between uses: each
 * "&About" creates a fresh box through ShowAbout and destroys it when it
 * closes.
 */
class TfrmAbout : public QDialog {
    Q_OBJECT

  public:
    /// Loads the form; lblVersion stays empty until SetVersion.
    explicit TfrmAbout(QWidget *parent = nullptr);
    ~TfrmAbout() override;

    /**
     * The "&About" command: creates a box owned by @p mainWindow (a window of
     * its own, modal over it), centres it over that window, fills lblVersion
     * from @p version, shows it modally and destroys it when it closes. If
     * showing it throws, the box is destroyed and the error passes on.
     *
     * Centring works on the client rectangles (QWidget::geometry(), frame
     * and title bar excluded) of both windows: left = main left + (main width
     * - box width) / 2, top = main top + (main height - box height) / 2, the
     * halves truncated toward zero. Both windows carry the same kind of
     * frame, so their frames are centred as well.
     * @param[in] mainWindow the main window (null: the box is not placed).
     * @param[in] version the version number, m_dbVersion of the main window.
     * @return the box's result: QDialog::Accepted when closed with "확인".
     */
    static int ShowAbout(QWidget *mainWindow, double version);

    /**
     * The version line as "버전 %5.2f" writes it: the word, one blank, then
     * the number with two decimals right-aligned in five characters (1.22
     * gives "버전  1.22"), with the decimal separator of the number texts.
     */
    static QString VersionText(double version);

    /// Sets lblVersion to VersionText(@p version).
    void SetVersion(double version);

  private:
    std::unique_ptr<Ui::TfrmAbout> ui;
};
