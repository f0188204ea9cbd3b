// The common error box.
#include "ErrorBox.h"

#include "EventLog.h"

#include <QMessageBox>
#include <QString>

void ShowErrorBox(QWidget *parent, const QString &message) {
    QString text = message;
    if (!text.isEmpty() && text.back() > u'.')
        text += u'.';
    EventLog::Write(u"error", text);
    QMessageBox box(QMessageBox::Critical, QString::fromUtf8(APPLICATION_TITLE),
                    text, QMessageBox::Ok, parent);
    box.exec();
}

void ShowErrorBox(QWidget *parent, const std::exception &error) {
    ShowErrorBox(parent, QString::fromUtf8(error.what()));
}
