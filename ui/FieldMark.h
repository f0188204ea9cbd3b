// Fields whose text cannot be read are shown: a red frame around the field
// and the reason as its tooltip, for as long as the text stays unreadable.
#pragma once

class QLineEdit;

/// How a field's text is read.
enum class FieldKind { Real, Integer };

/**
 * Watches @p field from now on: whenever its text changes (typed or
 * written), and at once, it is read as @p kind; while that fails, the field
 * shows a red frame and the reader's message as its tooltip. Nothing else
 * about the field changes: its geometry, text and handlers stay as they are.
 */
void MarkWhenUnreadable(QLineEdit *field, FieldKind kind);

/// True while @p field shows the mark.
bool IsMarkedUnreadable(const QLineEdit *field);
