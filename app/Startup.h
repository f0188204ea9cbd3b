// What the program's entry needs around its start-up sequence: the decimal
// separator of the regional settings, and the guard that turns an error
// escaping start-up or the event loop into the error box and a failure exit.
#pragma once

#include <QApplication>

#include <functional>

class QLocale;

/**
 * The decimal separator that the number texts use under @p locale: its
 * decimal point when that is "." or ",", otherwise ".".
 */
char DecimalSeparatorOf(const QLocale &locale);

/**
 * Runs @p body (start-up and the event loop) and returns its result. An
 * exception that escapes it is shown in the error box, and the result is then
 * EXIT_FAILURE: a program that stopped on an error never reports success.
 */
int RunGuarded(const std::function<int()> &body);

/**
 * The application object. An exception that escapes an event handler (no
 * handler of the program lets one escape; this is the last line) is shown in
 * the error box, after which the event loop ends with EXIT_FAILURE.
 */
class GuardedApplication : public QApplication {
  public:
    GuardedApplication(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
};
