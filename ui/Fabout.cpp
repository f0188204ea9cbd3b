// The about box: the program's title lines, its version and its icon.
#include "Fabout.h"
#include "ui_Fabout.h"

#include "FormLook.h"
#include "NumberText.h"
#include "ProgramIcon.h"

#include <QIcon>
#include <QPushButton>
#include <QRect>
#include <QSize>

#include <algorithm>
#include <charconv>
#include <iterator>
#include <string>

TfrmAbout::TfrmAbout(QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::TfrmAbout>()) {
    ui->setupUi(this);
    ApplyFormLook(*this);
    // A dialog border with the system menu only: no minimise, no maximise,
    // no context help.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFixedSize(size());

    const QIcon icon = ProgramIcon();
    setWindowIcon(icon);
    ui->Image2->setPixmap(icon.pixmap(ui->Image2->size()));

    connect(ui->Button1, &QPushButton::clicked, this, &QDialog::accept);
}

TfrmAbout::~TfrmAbout() = default;

QString TfrmAbout::VersionText(double version) {
    // "%5.2f" without the C library's locale: the shortest fixed text with
    // two decimals, correctly rounded, then padded on the left to five.
    char digits[400]; // the longest fixed text of a double (-1.8E308) fits
    const auto [end, ec] = std::to_chars(std::begin(digits), std::end(digits),
                                         version, std::chars_format::fixed, 2);
    std::string number(std::begin(digits), ec == std::errc() ? end : digits);
    std::replace(number.begin(), number.end(), '.',
                 Code::GetDecimalSeparator());
    if (number.size() < 5)
        number.insert(0, 5 - number.size(), ' ');
    return QString::fromUtf8("버전 ") + QString::fromStdString(number);
}

void TfrmAbout::SetVersion(double version) {
    ui->lblVersion->setText(VersionText(version));
}

int TfrmAbout::ShowAbout(QWidget *mainWindow, double version) {
    // Owned here for exactly one showing: the box is destroyed when this
    // returns and also when exec() throws, and the error then passes on.
    const auto frmAbout = std::make_unique<TfrmAbout>(mainWindow);
    if (mainWindow != nullptr) {
        const QRect main = mainWindow->window()->geometry();
        const QSize box = frmAbout->size();
        // C++ integer division truncates toward zero, as the placement
        // rule asks: a difference of -7 gives -3, not -4.
        const int left = main.left() + (main.width() - box.width()) / 2;
        const int top = main.top() + (main.height() - box.height()) / 2;
        frmAbout->setGeometry(QRect(QPoint(left, top), box));
    }
    frmAbout->SetVersion(version);
    return frmAbout->exec();
}
