// The look that every form of the program shares.
#pragma once

class QWidget;

/**
 * Gives @p form the program's font, "굴림" 13 pixels high (the family comes
 * from the form's .ui; where it is missing, as on most Linux systems, a
 * Hangul-capable family takes its place), and the button-face colour as its
 * background.
 */
void ApplyFormLook(QWidget &form);
