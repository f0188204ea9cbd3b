// The program's start-up guard and the decimal separator of the regional
// settings.
#include "Startup.h"

#include "ErrorBox.h"

#include <QLocale>

#include <cstdlib>
#include <exception>

char DecimalSeparatorOf(const QLocale &locale) {
    const QString point = locale.decimalPoint();
    if (point == QLatin1String(","))
        return ',';
    return '.';
}

int RunGuarded(const std::function<int()> &body) {
    try {
        return body();
    } catch (const std::exception &e) {
        ShowErrorBox(nullptr, e);
        return EXIT_FAILURE;
    }
}

GuardedApplication::GuardedApplication(int &argc, char **argv)
    : QApplication(argc, argv) {}

bool GuardedApplication::notify(QObject *receiver, QEvent *event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &e) {
        ShowErrorBox(nullptr, e);
        QCoreApplication::exit(EXIT_FAILURE);
        return false;
    }
}
