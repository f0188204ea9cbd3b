// The program's icon, compiled into the program from resources/icons.
#include "ProgramIcon.h"

#include <QIcon>
#include <QSize>
#include <QString>

// The resources are compiled into the static ui library, where nothing else
// refers to them; naming their initialiser here makes the linker keep them in
// every program that shows the icon. (Q_INIT_RESOURCE must not stand inside a
// namespace, so this helper is a file-static function.)
static bool RegisterProgramResources() {
    Q_INIT_RESOURCE(nolvex);
    return true;
}

QIcon ProgramIcon() {
    static const bool registered = RegisterProgramResources();
    (void)registered;
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/nolvex-%1.png").arg(size),
                     QSize(size, size));
    return icon;
}
