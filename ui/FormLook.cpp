// The look that every form of the program shares.
#include "FormLook.h"

#include <QFont>
#include <QPalette>
#include <QStringList>
#include <QWidget>

void ApplyFormLook(QWidget &form) {
    // A .ui font carries one family and a point size; the forms are laid out
    // for 13 pixels, and the Korean captions need a family with Hangul glyphs
    // when the form's own one is not installed (fonts-nanum on Debian).
    QFont font = form.font();
    QStringList families{font.family(), QStringLiteral("Gulim"),
                         QStringLiteral("NanumGothic"),
                         QStringLiteral("NanumBarunGothic")};
    families.removeDuplicates();
    font.setFamilies(families);
    font.setPixelSize(13);
    form.setFont(font);

    QPalette palette = form.palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::Button));
    form.setPalette(palette);
    form.setAutoFillBackground(true);
}
