// The floor of the desktop program's start-up: a bare Qt window of the main
// window's size, nothing in it, that logs its first paint the way the
// program's event log does (a line "painted" appended to NOLVEX_EVENT_LOG,
// the file opened and closed for the line). Built and run by
// measure-startup.sh beside the program.
#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QMainWindow>

namespace {

class FirstPaint : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (!m_bPainted && event->type() == QEvent::Paint &&
            qobject_cast<QMainWindow *>(watched) != nullptr) {
            m_bPainted = true;
            QFile file(qEnvironmentVariable("NOLVEX_EVENT_LOG"));
            if (file.open(QIODevice::WriteOnly | QIODevice::Append))
                file.write("painted\n");
        }
        return false;
    }

  private:
    bool m_bPainted = false;
};

} // namespace

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    FirstPaint watcher;
    app.installEventFilter(&watcher);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("bare window"));
    window.resize(650, 426 + 22); // the main window's client area and menu
    window.show();
    return QApplication::exec();
}
