// Numbers in edit fields: every reading goes through the strict readers,
// every writing through the plain-integer and general 15-digit formats.
#pragma once

#include <cstdint>

class QLineEdit;

/// The field's text as a real. @throws Code::ConversionError.
double ReadReal(const QLineEdit *field);

/// The field's text as an integer. @throws Code::ConversionError.
std::int32_t ReadInteger(const QLineEdit *field);

/// Writes @p value in the general 15-digit format.
void WriteReal(QLineEdit *field, double value);

/// Writes @p value as a plain decimal integer.
void WriteInteger(QLineEdit *field, std::int32_t value);
