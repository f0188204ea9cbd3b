// What the configuration dialogs share.
#include "DialogSupport.h"

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

// The buffer the windows hand to the engine; every record is shorter.
constexpr unsigned NAME_BUFFER_SIZE = 80;

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
    char name[NAME_BUFFER_SIZE] = {};
    double a = 0, invf = 0;
    const std::int32_t length =
        engine.GetEllipsoid(index, name, sizeof name, a, invf);
    if (index >= 0 && index < ELLIPSOID_COUNT) {
        // The engine zero-fills the whole buffer, so the text ends inside it.
        row.name = QString::fromUtf8(name);
        row.a = a;
        row.invf = invf;
    }
    return length;
}

std::int32_t ReadDatumRow(const COORD &engine, std::int32_t index,
                          DatumText &row) {
    char name[NAME_BUFFER_SIZE] = {};
    std::int32_t ellipsoid = 0;
    double dx = 0, dy = 0, dz = 0;
    const std::int32_t length =
        engine.GetDatumInfo(index, name, sizeof name, ellipsoid, dx, dy, dz);
    if (index >= 0 && index < DATUM_COUNT) {
        row.name = QString::fromUtf8(name);
        row.ellipsoid = ellipsoid;
        row.dx = dx;
        row.dy = dy;
        row.dz = dz;
    }
    return length;
}

CatalogueRows ReadCatalogue(const COORD &engine) {
    CatalogueRows catalogue;
    catalogue.datums.resize(DATUM_COUNT);
    for (std::int32_t i = 0; i < DATUM_COUNT; ++i)
        ReadDatumRow(engine, i, catalogue.datums[static_cast<std::size_t>(i)]);
    catalogue.ellipsoids.resize(ELLIPSOID_COUNT);
    for (std::int32_t i = 0; i < ELLIPSOID_COUNT; ++i)
        ReadEllipsoidRow(engine, i,
                         catalogue.ellipsoids[static_cast<std::size_t>(i)]);
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
