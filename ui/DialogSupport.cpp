// What the configuration dialogs share.
#include "DialogSupport.h"

#include "CatalogueEntries.h"
#include "Code.h"
#include "Coord.h"
#include "FieldText.h"
#include "FormLook.h"
#include "NumberText.h"

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>

#include <string>

namespace {

// Catalogue texts are UTF-8 in the engine's records.
EllipsoidText ToText(const EllipsoidEntry &entry) {
    return {QString::fromStdString(entry.text), entry.a, entry.invf};
}

DatumText ToText(const DatumEntry &entry) {
    return {QString::fromStdString(entry.text), entry.ellipsoid, entry.dx,
            entry.dy, entry.dz};
}

} // namespace

void SetUpDialog(QDialog &dialog, QPushButton &btnOk, QPushButton &btnCancel) {
    ApplyFormLook(dialog);
    dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint);
    dialog.setFixedSize(dialog.size());
    QObject::connect(&btnOk, &QPushButton::clicked, &dialog, &QDialog::accept);
    QObject::connect(&btnCancel, &QPushButton::clicked, &dialog,
                     &QDialog::reject);
    for (QLineEdit *field : dialog.findChildren<QLineEdit *>())
        ShowFromStart(field);
}

std::int32_t ReadEllipsoidRow(const COORD &engine, std::int32_t index,
                              EllipsoidText &row) {
    EllipsoidEntry entry;
    const std::int32_t length = ReadEllipsoidEntry(engine, index, entry);
    if (index >= 0 && index < ELLIPSOID_COUNT)
        row = ToText(entry);
    return length;
}

std::int32_t ReadDatumRow(const COORD &engine, std::int32_t index,
                          DatumText &row) {
    DatumEntry entry;
    const std::int32_t length = ReadDatumEntry(engine, index, entry);
    if (index >= 0 && index < DATUM_COUNT)
        row = ToText(entry);
    return length;
}

CatalogueRows ReadCatalogue(const COORD &engine) {
    CatalogueRows catalogue;
    for (const DatumEntry &entry : ReadDatumEntries(engine))
        catalogue.datums.push_back(ToText(entry));
    for (const EllipsoidEntry &entry : ReadEllipsoidEntries(engine))
        catalogue.ellipsoids.push_back(ToText(entry));
    return catalogue;
}

QString NamePart(const QString &text) {
    std::string name, code;
    Code::SplitNameAndCode(text.toStdString(), name, code);
    return QString::fromStdString(name);
}

QString RealText(double value) {
    return QString::fromStdString(Code::FormatReal(value));
}
