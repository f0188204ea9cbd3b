// The common error box: every error that a handler does not handle itself
// ends here.
#pragma once

#include <exception>

class QString;
class QWidget;

/// The application title, the caption of every error box.
inline constexpr char APPLICATION_TITLE[] = "ZEPHANIX NLVX";

/**
 * Shows @p message in a modal box titled APPLICATION_TITLE with the error icon
 * and one OK button, and returns when the user closes it. A period is appended
 * when the message's last character sorts after "." (a letter or a digit), so
 * "Invalid floating point operation" reads "Invalid floating point operation.".
 * @param[in] parent window the box is modal to (may be null).
 * @param[in] message the error's own text, without the period.
 */
void ShowErrorBox(QWidget *parent, const QString &message);

/// ShowErrorBox with the exception's what() (UTF-8) as the message.
void ShowErrorBox(QWidget *parent, const std::exception &error);

/// ShowErrorBox for a field that could not be read: the message as above,
/// and below it "Field: " and @p field, which names the field.
void ShowErrorBox(QWidget *parent, const std::exception &error,
                  const QString &field);
