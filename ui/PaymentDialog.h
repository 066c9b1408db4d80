#pragma once

#include <QDialog>
#include <QList>

#include "ledger/Payment.h"
#include "ui/Prompt.h"

class QButtonGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QVBoxLayout;

namespace ui {

// 收款: the amount due, large enough to read from a step away; the payment method, keys 1–5
// (Alt+1–5 while typing an amount); the cash handed over and the change, worked out as it is
// typed. Enter accepts once the payment settles the amount, Esc cancels. "分开付款" adds a
// line for a second method (part cash, part card): the first method pays what the others
// leave.
class PaymentDialog : public QDialog {
    Q_OBJECT
public:
    PaymentDialog(const PaymentRequest& request, QWidget* parent = nullptr);

    // The payment as the dialog stands.
    ledger::Payment payment() const;
    // Chooses the first line's method, as its key does.
    void chooseMethod(ledger::PayMethod method);
    // Adds a line for another method, with what is left to pay.
    void addSplitLine();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    struct SplitLine {
        QComboBox* method;
        QLineEdit* amount;
    };
    ledger::PayMethod firstMethod() const;
    // What the added lines pay, and so what the first one is left with.
    double splitTotal() const;
    void update();
    void acceptIfSettled();

    PaymentRequest m_request;
    QButtonGroup* methodButtons;
    QLabel* firstAmountLabel;
    QVBoxLayout* splitLines;
    QList<SplitLine> m_splits;
    QPushButton* splitButton;
    QLineEdit* tenderedEdit;
    QLabel* changeLabel;
    QLabel* problemLabel;
    QPushButton* okButton;
};

}  // namespace ui
