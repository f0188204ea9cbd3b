// The common error box.
#include "ErrorBox.h"

#include <QMessageBox>
#include <QString>

namespace {

void Show(QWidget *parent, const QString &message, const QString &detail) {
    QString text = message;
    if (!text.isEmpty() && text.back() > u'.')
        text += u'.';
    QMessageBox box(QMessageBox::Critical, QString::fromUtf8(APPLICATION_TITLE),
                    text, QMessageBox::Ok, parent);
    box.setInformativeText(detail);
    box.exec();
}

} // namespace

void ShowErrorBox(QWidget *parent, const QString &message) {
    Show(parent, message, {});
}

void ShowErrorBox(QWidget *parent, const std::exception &error) {
    Show(parent, QString::fromUtf8(error.what()), {});
}

void ShowErrorBox(QWidget *parent, const std::exception &error,
                  const QString &field) {
    Show(parent, QString::fromUtf8(error.what()),
         QStringLiteral("Field: ") + field);
}
