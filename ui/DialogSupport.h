// What the configuration dialogs share: their look and buttons, catalogue rows
// as the windows show them (names decoded from the engine's UTF-8 records,
// numbers in the general 15-digit format).
#pragma once

#include <QString>

#include <cstdint>
#include <vector>

class COORD;
class QDialog;
class QPushButton;

/**
 * Gives a configuration dialog its common look and behaviour: the program's
 * font and background, a fixed size, a title bar with the system menu and
 * close box only, @p btnOk closing it with QDialog::Accepted and @p btnCancel
 * (and the close box, and Escape) with QDialog::Rejected; its fields show
 * their texts from the start (ShowFromStart).
 */
void SetUpDialog(QDialog &dialog, QPushButton &btnOk, QPushButton &btnCancel);

/// One row of an engine's ellipsoid table.
struct EllipsoidText {
    QString name; ///< whole catalogue text, code included
    double a = 0;
    double invf = 0;
};

/// One row of an engine's datum table.
struct DatumText {
    QString name; ///< whole catalogue text, code included
    std::int32_t ellipsoid = 0;
    double dx = 0;
    double dy = 0;
    double dz = 0;
};

/// One engine's catalogue as the dialogs show it: every datum row and every
/// ellipsoid row, position = catalogue index.
struct CatalogueRows {
    std::vector<DatumText> datums;
    std::vector<EllipsoidText> ellipsoids;
};

/**
 * Reads ellipsoid row @p index of @p engine (ReadEllipsoidEntry), its text
 * decoded from UTF-8.
 * @param[out] row the row; left as it was when @p index is outside the table.
 * @return the engine's answer: the length of the stored name in bytes, 0 past
 *   the last row (and for a row whose name is empty).
 */
std::int32_t ReadEllipsoidRow(const COORD &engine, std::int32_t index,
                              EllipsoidText &row);

/// Reads datum row @p index of @p engine; same contract as ReadEllipsoidRow.
std::int32_t ReadDatumRow(const COORD &engine, std::int32_t index,
                          DatumText &row);

/// Every row of both tables of @p engine, also a row 0 with an empty name.
CatalogueRows ReadCatalogue(const COORD &engine);

/// The name part of a catalogue text ("Bessel 1841(BN)" gives "Bessel 1841").
QString NamePart(const QString &text);

/// @p value in the general 15-digit format, with the separator in force.
QString RealText(double value);
