// Numbers in edit fields.
#include "FieldText.h"

#include "NumberText.h"

#include <QLineEdit>

#include <string>

namespace {

// Marks a field while the program writes into it; the mark lives on the field
// itself, so nothing is shared between fields or windows.
constexpr const char *PROGRAM_WRITE = "nolvexProgramWrite";

} // namespace

void WriteText(QLineEdit *field, const std::string &text) {
    field->setProperty(PROGRAM_WRITE, true);
    field->setText(QString::fromStdString(text));
    field->setProperty(PROGRAM_WRITE, false);
    // A written field shows the start of its number: a text wider than its
    // field would otherwise show only its last digits, which read as another
    // number.
    field->setCursorPosition(0);
}

bool IsTypedChange(const QLineEdit *field) {
    return field->hasFocus() && !field->property(PROGRAM_WRITE).toBool();
}

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
