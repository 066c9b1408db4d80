#pragma once

#include <QDialog>
#include <QTimer>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace ui {

class Cashiers;

// "收银员登录": the cashier chosen from the list, the PIN typed when they have one. It stays
// open after a wrong PIN; while the cashiers refuse every try it says how long is left.
class SignInDialog : public QDialog {
    Q_OBJECT
public:
    SignInDialog(Cashiers& cashiers, QWidget* parent);

private:
    void cashierChosen();
    void signInClicked();
    // The wait after too many wrong PINs, counted down on the dialog.
    void showWait();

    Cashiers& m_cashiers;
    QComboBox* cashierCombo;
    QLineEdit* pinEdit;
    QLabel* messageLabel;
    QPushButton* signInButton;
    QTimer m_tick;
};

}  // namespace ui
