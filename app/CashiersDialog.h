#pragma once

#include <QDialog>
#include <functional>

#include "app/TillCashiers.h"
#include "ui/AppContext.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// "收银员": the shop keeper's list of cashiers and their PINs. Each change goes into the
// settings file at once, and the next sign-in sees it.
class CashiersDialog : public QDialog {
    Q_OBJECT
public:
    CashiersDialog(const ui::AppContext& context, QWidget* parent);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void addCashier();
    void removeCashier();
    void setPin();
    void clearPin();
    // The list as the file has it, `chosen` selected.
    void listCashiers(const QString& chosen);
    void showPinState();
    // The cashier chosen in the list; a box says so when there is none.
    QString chosenCashier();
    // Runs one change of the file; a write that fails ends in the error box.
    bool change(const std::function<void()>& write);

    ui::AppContext m_context;
    app::CashierList m_list;
    QComboBox* cashierCombo;
    QLabel* pinStateLabel;
    QPushButton* removeCashierButton;
    QLineEdit* newCashierEdit;
    QPushButton* addCashierButton;
    QLineEdit* pinEdit;
    QLineEdit* pinAgainEdit;
    QPushButton* setPinButton;
    QPushButton* clearPinButton;
    QPushButton* closeCashiersButton;
};
