// Numbers in edit fields: every reading goes through the strict readers,
// every writing through the plain-integer and general 15-digit formats.
#pragma once

#include "AngleForms.h"

#include <cstdint>
#include <string>

class QLineEdit;
class QString;

/// The field's text as a real. @throws Code::ConversionError.
double ReadReal(const QLineEdit *field);

/// The field's text as an integer. @throws Code::ConversionError.
std::int32_t ReadInteger(const QLineEdit *field);

/// Writes @p value in the general 15-digit format.
void WriteReal(QLineEdit *field, double value);

/// Writes @p value as a plain decimal integer.
void WriteInteger(QLineEdit *field, std::int32_t value);

/// Writes @p text as the program writes a field: its start in view, and no
/// user-typing handler run for it (see IsTypedChange).
void WriteText(QLineEdit *field, const std::string &text);

/**
 * Keeps @p field's text in view from its start whenever it is not being
 * edited: after the program writes it (WriteText), when Tab, Backtab or a
 * shortcut moves the focus into it (all of it selected as before, the
 * cursor at its start instead of its end) and when the focus leaves it for
 * another field of its window. A number wider than its field would
 * otherwise show only its last digits, which read as another number. While
 * the text is wider than the field, its tooltip (FieldToolTip) shows the
 * whole of it.
 */
void ShowFromStart(QLineEdit *field);

/// What @p field's tooltip shows: its own tooltip (a reason its text does
/// not read, say), followed by its whole text when that is wider than the
/// field; empty when it has neither.
QString FieldToolTip(const QLineEdit *field);

/**
 * True when the change just made to @p field's text is one its change
 * handler acts on: the field holds the keyboard focus, and the change is not
 * one of the program's own writes (WriteText, WriteReal, WriteInteger). A
 * command that writes into the focused field therefore never has that field
 * recompute its neighbours from a half-written row.
 */
bool IsTypedChange(const QLineEdit *field);

/// The fields of one angle: its three degree notations and, in the
/// degree-system tool, its radians.
struct AngleFieldSet {
    QLineEdit *dd;
    QLineEdit *dmd; ///< DM degrees
    QLineEdit *dmm; ///< DM minutes
    QLineEdit *dmsd;
    QLineEdit *dmsm;
    QLineEdit *dmss;
    QLineEdit *radian = nullptr; ///< none in the main window
};

/**
 * The one synchronisation of an angle's notations (Code::SyncAngle) on
 * @p fields: reads the texts of notation @p from and writes those of the
 * others in field order (DD, DM, DMS, radians), as the program writes
 * (WriteText). A text that does not read changes nothing and says nothing.
 * The conversions run under the engine's floating-point fault check.
 * @throws FloatingPointError for a fault, with no field changed.
 */
void SyncAngleFields(Code::AngleNotation from, const AngleFieldSet &fields);
