// Numbers in edit fields.
#include "FieldText.h"

#include "NumberText.h"

#include <QLineEdit>

#include <string>

namespace {

// A written field shows the start of its number: a text wider than its field
// would otherwise show only its last digits, which read as another number.
void WriteText(QLineEdit *field, const std::string &text) {
    field->setText(QString::fromStdString(text));
    field->setCursorPosition(0);
}

} // namespace

double ReadReal(const QLineEdit *field) {
    return Code::ParseReal(field->text().toStdString());
}

std::int32_t ReadInteger(const QLineEdit *field) {
    return Code::ParseInteger(field->text().toStdString());
}

void WriteReal(QLineEdit *field, double value) {
    WriteText(field, Code::FormatReal(value));
}

void WriteInteger(QLineEdit *field, std::int32_t value) {
    WriteText(field, Code::FormatInteger(value));
}
