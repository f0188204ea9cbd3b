// The program's entry: start-up in its fixed order, then the event loop.
#include "ErrorBox.h"
#include "EventLog.h"
#include "Fmain.h"
#include "NumberText.h"
#include "Startup.h"

#include <QLocale>
#include <QStyleFactory>

int main(int argc, char *argv[]) {
    GuardedApplication app(argc, argv);
    // The test event log, when asked for, watches before any window exists.
    EventLog::Install(app);
    return RunGuarded([] {
        QApplication::setApplicationName(QString::fromUtf8(APPLICATION_TITLE));
        // The classic look the forms are laid out for: raised panels, and
        // group captions set into the group's frame line.
        QApplication::setStyle(
            QStyleFactory::create(QStringLiteral("Windows")));
        // Read once: the number texts use the regional decimal separator
        // for the whole run.
        Code::SetDecimalSeparator(DecimalSeparatorOf(QLocale::system()));

        // The main window first: its engines, then its creation handler,
        // which fills both sides.
        TfrmMain frmMain;

        // Then the dialogs, hidden until their commands show them: frmDatum
        // (which selects both sides' datums), frmDegSys, frmUtmfact,
        // frmUserDatum, frmUserEll, frmCoordSys. The about box is created
        // afresh for each showing.
        frmMain.CreateDialogs();

        frmMain.show();
        return QApplication::exec();
    });
}
