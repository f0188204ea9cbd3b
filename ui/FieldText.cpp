// Numbers in edit fields.
#include "FieldText.h"

#include "Errors.h"
#include "NumberText.h"

#include <QLineEdit>

#include <functional>
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

namespace {

// The engine's fault check in the form notation takes it: the angle forms'
// arithmetic runs under the one check of the program.
void EngineFaultCheck(const std::function<void()> &arithmetic) {
    RunFloatingPointChecked(arithmetic);
}

std::string TextOf(const QLineEdit *field) {
    return field->text().toStdString();
}

} // namespace

void SyncAngleFields(Code::AngleNotation from, const AngleFieldSet &fields) {
    using Code::AngleNotation;
    Code::AngleTexts texts;
    switch (from) {
    case AngleNotation::Dd:
        texts.dd = TextOf(fields.dd);
        break;
    case AngleNotation::Dm:
        texts.dmDegrees = TextOf(fields.dmd);
        texts.dmMinutes = TextOf(fields.dmm);
        break;
    case AngleNotation::Dms:
        texts.dmsDegrees = TextOf(fields.dmsd);
        texts.dmsMinutes = TextOf(fields.dmsm);
        texts.dmsSeconds = TextOf(fields.dmss);
        break;
    case AngleNotation::Radian:
        texts.radians = TextOf(fields.radian);
        break;
    }
    const auto written =
        Code::SyncAngle(from, texts,
                        fields.radian ? Code::AngleFields::DegreesAndRadians
                                      : Code::AngleFields::Degrees,
                        EngineFaultCheck);
    if (!written)
        return;
    if (from != AngleNotation::Dd)
        WriteText(fields.dd, written->dd);
    if (from != AngleNotation::Dm) {
        WriteText(fields.dmd, written->dmDegrees);
        WriteText(fields.dmm, written->dmMinutes);
    }
    if (from != AngleNotation::Dms) {
        WriteText(fields.dmsd, written->dmsDegrees);
        WriteText(fields.dmsm, written->dmsMinutes);
        WriteText(fields.dmss, written->dmsSeconds);
    }
    if (fields.radian && from != AngleNotation::Radian)
        WriteText(fields.radian, written->radians);
}
