#pragma once

#include <optional>

#include "ledger/Accounts.h"
#include "report/GridReport.h"
#include "ui/ModuleWindow.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QToolButton;

namespace ui {
class PanelStatusBar;
class StringGrid;
}  // namespace ui

// 往来账: what each customer owes the shop and what the shop owes each supplier, the
// statement of one account over a period, and the money that settles it (收款, 付款).
// Balances are never kept: every list and statement is worked out afresh from the documents.
class AccountsWindow : public ui::ModuleWindow {
    Q_OBJECT
public:
    AccountsWindow(const ui::AppContext& context, QWidget* menu);

    // As the window opens: a period left as it was set follows today (a till runs for days),
    // and the list is made afresh.
    void prepareToShow();
    // "刷新": every account of the side chosen, with its balance and how old it is.
    void listAccounts();
    // "对账单": the account named in the name field over the period.
    void showStatement();
    // "收款" or "付款": the amount typed, on the account named.
    void takePayment();
    // "打印对账单", "导出对账单".
    void printStatement();
    void exportStatement();

private:
    void buildTools();
    void buildAccounts();
    void buildStatement();
    void buildPayment();
    // The side chosen changes every caption that names it, and what is listed.
    void followSide();
    // A row picked in the list: its account's statement.
    void takeListedAccount(int row);

    ledger::AccountSide side() const;
    // 客户 / 供货厂商, 应收 / 应付, 预收 / 预付, 收款 / 付款: the words of the side chosen.
    QString sideWord() const;
    QString owedWord() const;
    QString advanceWord() const;
    QString payWord() const;
    // A balance as the shop keeper reads it: one paid in advance says so instead of a minus.
    QString balanceText(double balance) const;

    // The accounts as the documents book has them now, with the documents' texts of the
    // account named for its statement; none after a box said why not.
    std::optional<ledger::Accounts> readAccounts(const QString& statementOf = {});
    // The amount typed, checked; none after a box said what is wrong with it.
    std::optional<double> typedAmount();
    // Whether the shop keeper wants an amount that is more than the account owes, or one for
    // a name no document gives yet.
    bool paymentAgreed(const ledger::Accounts& accounts, const QString& name, double amount);
    void fillStatement(const ledger::Statement& statement);
    report::ReportControls statementControls() const;

    // The period of the year up to `day`, the one the window starts with.
    void setPeriodEnding(QDate day);

    // Set while the list is made again: the row picked out then is the account already shown.
    bool m_relisting = false;
    // The day the period was last set to end on, while nobody has typed another.
    QDate m_periodDay;
    // What the statement grid shows, for the printout's header.
    ledger::Statement m_statement;

    QToolButton* listButton;
    QToolButton* printButton;
    QToolButton* exportButton;
    QToolButton* returnButton;
    QComboBox* sideCombo;
    QLabel* balanceHint;
    ui::StringGrid* accountGrid;
    QLabel* nameLabel;
    QLineEdit* nameEdit;
    QLineEdit* periodFrom;
    QLineEdit* periodTo;
    QToolButton* statementButton;
    ui::StringGrid* statementGrid;
    QLabel* amountLabel;
    QLineEdit* amountEdit;
    QComboBox* methodCombo;
    QLineEdit* remarkEdit;
    QToolButton* payButton;
    QProgressBar* progress;
    ui::PanelStatusBar* status;
};
