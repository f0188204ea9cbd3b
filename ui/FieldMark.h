// Fields whose text cannot be read are shown: a red frame around the field
// and the reason as its tooltip, for as long as the text stays unreadable.
#pragma once

class QLineEdit;

/// The object name of the mark: a child widget of the field, shown while
/// its text does not read.
inline constexpr const char *UNREADABLE_MARK = "unreadableMark";

/// The dynamic property of a grid field that holds the tooltip of its
/// stale mark (numbers of another point or system), absent when it has
/// none.
inline constexpr const char *STALE_MARK = "staleTip";

/// How a field's text is read.
enum class FieldKind { Real, Integer };

/**
 * Watches @p field from now on: whenever its text changes (typed or
 * written), and at once, it is read as @p kind; while that fails, the field
 * shows a red frame and the reader's message as its tooltip. Nothing else
 * about the field changes: its geometry, text and handlers stay as they are.
 */
void MarkWhenUnreadable(QLineEdit *field, FieldKind kind);
