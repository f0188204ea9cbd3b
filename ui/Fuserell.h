// The user-ellipsoid dialog: name, semi-major axis and inverse flattening of
// ellipsoid row 0.
#pragma once

#include <QDialog>
#include <QString>

#include <memory>

namespace Ui {
class TfrmUserEll;
}

/**
 * "User Ellipsoid": the name and constants of ellipsoid row 0. Created once
 * at start-up, hidden between uses; the main window's "Define User
 * &Ellipsoid" fills, shows and applies it.
 */
class TfrmUserEll : public QDialog {
    Q_OBJECT

  public:
    /// Loads the form with its default texts, hidden.
    explicit TfrmUserEll(QWidget *parent);
    ~TfrmUserEll() override;

    /// Fills the three fields, the name showing its start.
    void ShowEllipsoid(const QString &name, double a, double invf);

    /// The name as typed.
    QString EllipsoidName() const;
    /// The semi-major axis field read as a real (metres).
    /// @throws Code::ConversionError.
    double A() const;
    /// The inverse-flattening field read as a real.
    /// @throws Code::ConversionError.
    double InvF() const;

  private:
    std::unique_ptr<Ui::TfrmUserEll> ui;
};
