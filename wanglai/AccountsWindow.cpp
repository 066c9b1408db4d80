#include "wanglai/AccountsWindow.h"

#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QStyledItemDelegate>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

#include "store/Numbers.h"
#include "ui/Clock.h"
#include "ui/PanelStatusBar.h"
#include "ui/Prompt.h"
#include "ui/StringGrid.h"
#include "ui/Widgets.h"

namespace {

const QStringList kAccountCaptions{QStringLiteral("名称"),     QStringLiteral("余额"),
                                   QStringLiteral("最后往来"), QStringLiteral("超过30天"),
                                   QStringLiteral("超过60天"), QStringLiteral("超过90天")};
constexpr int kAccountWidths[] = {200, 110, 100, 100, 100, 100};

namespace StatementCol {
enum : int { Date, Number, Kind, Amount, Balance, Remark, Count };
}
const QStringList kStatementCaptions{QStringLiteral("日期"), QStringLiteral("单据号"),
                                     QStringLiteral("类型"), QStringLiteral("金额"),
                                     QStringLiteral("余额"), QStringLiteral("备注")};
constexpr int kStatementWidths[] = {100, 150, 80, 100, 110, 240};

// The status panels: the list's count and total, the statement's rows, what was last done.
namespace Panel {
enum : int { Summary = 0, Rows = 2, Message = 3 };
}

QHBoxLayout* stripRow(QFrame* strip) {
    auto* row = new QHBoxLayout(strip);
    row->setContentsMargins(8, 4, 8, 4);
    row->setSpacing(6);
    return row;
}

QLabel* addLabel(QWidget* parent, QHBoxLayout* row, const QString& text) {
    auto* label = new QLabel(text, parent);
    row->addWidget(label);
    return label;
}

QLineEdit* addEdit(QWidget* parent, QHBoxLayout* row, const QString& name, int width) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    if (width > 0)
        edit->setFixedWidth(width);
    row->addWidget(edit, width > 0 ? 0 : 1);
    return edit;
}

QToolButton* addButton(QWidget* parent, QHBoxLayout* row, const QString& name,
                       const QString& caption) {
    QToolButton* button = ui::speedButton(parent, name, caption, QString(), 0, 0, 100, 26);
    button->setFixedSize(100, 26);
    row->addWidget(button);
    return button;
}

QString dayText(QDate day) {
    return day.toString(QStringLiteral("yyyy-MM-dd"));
}

QString money(double value) {
    return store::formatFixed2(value);
}

}  // namespace

AccountsWindow::AccountsWindow(const ui::AppContext& context, QWidget* menu)
    : ui::ModuleWindow(context, menu, QStringLiteral("Tavelo进销存—往来账")) {
    setObjectName(QStringLiteral("accountsWindow"));
    resize(900, 640);
    buildTools();
    buildAccounts();
    buildStatement();
    buildPayment();
    progress = ui::progressBar(this, QStringLiteral("progress"), 16);
    column()->addWidget(progress);
    status = new ui::PanelStatusBar({280, 90, 50, 300}, this);
    status->setObjectName(QStringLiteral("status"));
    status->setPanelText(1, QStringLiteral("对账单行数："));
    column()->addWidget(status);
    // The words of the side only: the books are read when the window is opened.
    followSide();
}

void AccountsWindow::buildTools() {
    addToolStrip({
        {&listButton, "listButton", "刷新", [this] { listAccounts(); }},
        {&printButton, "printButton", "打印对账单", [this] { printStatement(); }},
        {&exportButton, "exportButton", "导出对账单", [this] { exportStatement(); }},
        {&returnButton, "returnButton", "返回菜单", nullptr},
    });
}

void AccountsWindow::buildAccounts() {
    QFrame* strip = addStrip(QStringLiteral("sideStrip"), 36);
    QHBoxLayout* row = stripRow(strip);
    addLabel(strip, row, QStringLiteral("往来对象："));
    sideCombo = new QComboBox(strip);
    sideCombo->setObjectName(QStringLiteral("sideCombo"));
    sideCombo->addItems({QStringLiteral("客户（应收）"), QStringLiteral("供货厂商（应付）")});
    row->addWidget(sideCombo);
    balanceHint = addLabel(strip, row, QString());
    row->addStretch(1);
    connect(sideCombo, &QComboBox::currentIndexChanged, this, [this] {
        followSide();
        listAccounts();
    });

    accountGrid = ui::captionedGrid(this, QStringLiteral("accountGrid"), kAccountCaptions,
                                    kAccountWidths, {1, 3, 4, 5});
    accountGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    column()->addWidget(accountGrid, 1);
    connect(accountGrid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid() && !m_relisting)
                    takeListedAccount(current.row() + accountGrid->fixedRows());
            });
    // A click on the row already current, after another name was typed, picks it again.
    connect(accountGrid, &QAbstractItemView::clicked, this, [this](const QModelIndex& at) {
        const int clicked = at.row() + accountGrid->fixedRows();
        if (accountGrid->cell(0, clicked) != nameEdit->text().trimmed())
            takeListedAccount(clicked);
    });
}

void AccountsWindow::buildStatement() {
    QFrame* strip = addStrip(QStringLiteral("statementStrip"), 36);
    QHBoxLayout* row = stripRow(strip);
    nameLabel = addLabel(strip, row, QString());
    nameEdit = addEdit(strip, row, QStringLiteral("nameEdit"), 180);
    addLabel(strip, row, QStringLiteral("起始日期："));
    periodFrom = addEdit(strip, row, QStringLiteral("periodFrom"), 100);
    addLabel(strip, row, QStringLiteral("终止日期："));
    periodTo = addEdit(strip, row, QStringLiteral("periodTo"), 100);
    setPeriodEnding(context().clock->today());
    statementButton =
        addButton(strip, row, QStringLiteral("statementButton"), QStringLiteral("对账单"));
    row->addStretch(1);
    connect(statementButton, &QToolButton::clicked, this, &AccountsWindow::showStatement);
    connect(nameEdit, &QLineEdit::returnPressed, this, &AccountsWindow::showStatement);

    statementGrid =
        ui::captionedGrid(this, QStringLiteral("statementGrid"), kStatementCaptions,
                          kStatementWidths, {StatementCol::Amount, StatementCol::Balance});
    column()->addWidget(statementGrid, 1);
}

void AccountsWindow::buildPayment() {
    QFrame* strip = addStrip(QStringLiteral("payStrip"), 36);
    QHBoxLayout* row = stripRow(strip);
    amountLabel = addLabel(strip, row, QString());
    amountEdit = addEdit(strip, row, QStringLiteral("amountEdit"), 100);
    addLabel(strip, row, QStringLiteral("方式："));
    methodCombo = new QComboBox(strip);
    methodCombo->setObjectName(QStringLiteral("methodCombo"));
    // Money on account is settled with money: 赊账 is no way to pay it.
    for (ledger::PayMethod method : ledger::kPayMethods) {
        if (method != ledger::PayMethod::OnAccount)
            methodCombo->addItem(ledger::methodName(method));
    }
    row->addWidget(methodCombo);
    addLabel(strip, row, QStringLiteral("备注："));
    remarkEdit = addEdit(strip, row, QStringLiteral("remarkEdit"), 0);
    payButton = addButton(strip, row, QStringLiteral("payButton"), QString());
    connect(payButton, &QToolButton::clicked, this, &AccountsWindow::takePayment);
}

ledger::AccountSide AccountsWindow::side() const {
    return sideCombo->currentIndex() == 1 ? ledger::AccountSide::Suppliers
                                          : ledger::AccountSide::Customers;
}

QString AccountsWindow::sideWord() const {
    return ledger::sideName(side());
}

QString AccountsWindow::owedWord() const {
    return side() == ledger::AccountSide::Customers ? QStringLiteral("应收")
                                                    : QStringLiteral("应付");
}

QString AccountsWindow::advanceWord() const {
    return side() == ledger::AccountSide::Customers ? QStringLiteral("预收")
                                                    : QStringLiteral("预付");
}

QString AccountsWindow::payWord() const {
    return side() == ledger::AccountSide::Customers ? QStringLiteral("收款")
                                                    : QStringLiteral("付款");
}

QString AccountsWindow::balanceText(double balance) const {
    return balance < 0 ? advanceWord() + QLatin1Char(' ') + money(-balance) : money(balance);
}

void AccountsWindow::followSide() {
    nameLabel->setText(sideWord() + QStringLiteral("："));
    balanceHint->setText(
        side() == ledger::AccountSide::Customers
            ? QStringLiteral("余额是客户欠本店的款项，“预收”是客户预先付给本店的款项")
            : QStringLiteral("余额是本店欠供货厂商的款项，“预付”是本店预先付给厂商的款项"));
    amountLabel->setText(payWord() + QStringLiteral("金额："));
    payButton->setText(payWord());
    nameEdit->clear();
    accountGrid->setRowCount(1);
    fillStatement({});
    status->setPanelText(Panel::Summary, QString());
    status->setPanelText(Panel::Message, QString());
}

void AccountsWindow::setPeriodEnding(QDate day) {
    periodFrom->setText(dayText(day.addYears(-1).addDays(1)));
    periodTo->setText(dayText(day));
    m_periodDay = day;
}

void AccountsWindow::prepareToShow() {
    // A period the shop keeper typed stays; the one the window chose moves with the days,
    // or a payment taken today would be missing from the statement it refreshes.
    const QDate today = context().clock->today();
    if (today != m_periodDay && periodTo->text() == dayText(m_periodDay) &&
        periodFrom->text() == dayText(m_periodDay.addYears(-1).addDays(1)))
        setPeriodEnding(today);
    listAccounts();
}

std::optional<ledger::Accounts> AccountsWindow::readAccounts(const QString& statementOf) {
    settleBooks();
    std::optional<ledger::Accounts> accounts;
    attempt([&] {
        accounts = ledger::Accounts::load(context().servers, context().programDir,
                                          context().database != nullptr, statementOf);
    });
    return accounts;
}

void AccountsWindow::listAccounts() {
    const auto accounts = readAccounts();
    if (!accounts)
        return;
    const QList<ledger::AccountBalance> list = accounts->balances(side(), context().clock->today());
    accountGrid->setRowCount(int(list.size()) + 1);
    // Added up in cents, as the balances were.
    long long owed = 0, advanced = 0;
    int row = 1;
    for (const ledger::AccountBalance& account : list) {
        accountGrid->cells().setRow(
            row++, {account.name, balanceText(account.balance), account.lastMovement,
                    money(account.olderThan[0]), money(account.olderThan[1]),
                    money(account.olderThan[2])});
        const long long cents = std::llround(account.balance * 100);
        (cents > 0 ? owed : advanced) += cents;
    }
    QString summary = QStringLiteral("%1 %2 个，%3合计 %4")
                          .arg(sideWord())
                          .arg(list.size())
                          .arg(owedWord(), money(double(owed) / 100));
    if (advanced != 0)
        summary += QStringLiteral("，%1合计 %2").arg(advanceWord(), money(double(-advanced) / 100));
    status->setPanelText(Panel::Summary, summary);
    // The account looked at stays picked out wherever its new balance sorts it, and no other
    // row seems picked in its place.
    m_relisting = true;
    accountGrid->selectionModel()->clear();
    for (int r = 1; r < accountGrid->rowCount(); ++r) {
        if (accountGrid->cell(0, r) == nameEdit->text().trimmed())
            accountGrid->selectRange(0, r, accountGrid->colCount() - 1, r);
    }
    m_relisting = false;
}

void AccountsWindow::takeListedAccount(int row) {
    if (row < 1 || row >= accountGrid->rowCount())
        return;
    nameEdit->setText(accountGrid->cell(0, row));
    showStatement();
}

void AccountsWindow::showStatement() {
    const QString name = nameEdit->text().trimmed();
    if (name.isEmpty()) {
        context().prompt->information(this, QStringLiteral("请填写%1名称").arg(sideWord()));
        nameEdit->setFocus();
        return;
    }
    const auto period = typedPeriod(*periodFrom, *periodTo);
    if (!period)
        return;
    const auto accounts = readAccounts(name);
    if (!accounts)
        return;
    if (!accounts->knows(side(), name)) {
        fillStatement({});
        context().prompt->information(this,
                                      QStringLiteral("“%1”还没有%2往来记录").arg(name, sideWord()));
        return;
    }
    fillStatement(accounts->statement(side(), name, period->from, period->to));
}

void AccountsWindow::fillStatement(const ledger::Statement& statement) {
    m_statement = statement;
    if (statement.name.isEmpty()) {
        statementGrid->setRowCount(1);
        status->setPanelText(Panel::Rows, QString());
        return;
    }
    // The opening and closing balances are rows of their own, dated, so that the printout
    // and the export carry them too.
    statementGrid->setRowCount(int(statement.lines.size()) + 3);
    statementGrid->cells().setRow(1, {dayText(statement.from), QStringLiteral("期初余额"),
                                      QString(), QString(), balanceText(statement.opening)});
    int row = 2;
    for (const ledger::StatementLine& line : statement.lines)
        statementGrid->cells().setRow(row++, {line.date, line.number, line.kind, money(line.amount),
                                              balanceText(line.balance), line.remark});
    statementGrid->cells().setRow(row, {dayText(statement.to), QStringLiteral("期末余额"),
                                        QString(), QString(), balanceText(statement.closing)});
    status->setPanelText(Panel::Rows, QString::number(statementGrid->rowCount() - 1));
}

std::optional<double> AccountsWindow::typedAmount() {
    const QString typed = amountEdit->text().trimmed();
    QString problem;
    const auto amount = store::parseDecimal(typed);
    if (typed.isEmpty())
        problem = QStringLiteral("请填写%1金额").arg(payWord());
    else if (!amount || !std::isfinite(*amount))
        problem = QStringLiteral("%1金额“%2”不是有效的数字").arg(payWord(), typed);
    else if (*amount < 0)
        problem = QStringLiteral("%1金额不能是负数").arg(payWord());
    else if (store::roundMoney(*amount) == 0)
        problem = QStringLiteral("%1金额必须大于 0").arg(payWord());
    if (problem.isEmpty())
        return store::roundMoney(*amount);
    context().prompt->information(this, problem);
    amountEdit->setFocus();
    return std::nullopt;
}

bool AccountsWindow::paymentAgreed(const ledger::Accounts& accounts, const QString& name,
                                   double amount) {
    // A new name is most often a typing slip; if not, all of the money is paid in advance,
    // and this question says enough.
    if (!accounts.knows(side(), name))
        return context().prompt->confirm(
            this,
            QStringLiteral("“%1”还没有往来记录，作为新的往来账户%2吗？").arg(name, payWord()));
    const double balance = accounts.balance(side(), name);
    if (std::llround(amount * 100) <= std::llround(balance * 100))
        return true;
    const QString question =
        balance > 0
            ? QStringLiteral("“%1”的%2余额是 %3，这次%4 %5，多出的 %6 将记为%7。确认%4吗？")
                  .arg(name, owedWord(), money(balance), payWord(), money(amount),
                       money(store::roundMoney(amount - balance)), advanceWord())
            : QStringLiteral("“%1”没有%2余额（余额 %3），这次%4 %5 将全部记为%6。确认%4吗？")
                  .arg(name, owedWord(), balanceText(balance), payWord(), money(amount),
                       advanceWord());
    return context().prompt->confirm(this, question);
}

void AccountsWindow::takePayment() {
    const QString name = nameEdit->text().trimmed();
    if (name.isEmpty()) {
        context().prompt->information(this, QStringLiteral("请填写%1名称").arg(sideWord()));
        nameEdit->setFocus();
        return;
    }
    const auto amount = typedAmount();
    if (!amount)
        return;
    const auto accounts = readAccounts();
    if (!accounts || !paymentAgreed(*accounts, name, *amount))
        return;
    const ledger::AccountSide paidOn = side();
    const ledger::PayMethod method =
        ledger::methodNamed(methodCombo->currentText()).value_or(ledger::PayMethod::Cash);
    const QString remark = remarkEdit->text().trimmed();
    ledger::Document posted;
    const Posted outcome = postDocument(
        paidOn == ledger::AccountSide::Customers ? ledger::Posting::CustomerPayment
                                                 : ledger::Posting::SupplierPayment,
        [&](const ledger::Origin& origin) {
            return paidOn == ledger::AccountSide::Customers
                       ? ledger::customerPayment(name, method, *amount, remark, origin)
                       : ledger::supplierPayment(name, method, *amount, remark, origin);
        },
        *progress, {}, &posted);
    if (outcome == Posted::Not)
        return;
    // Posted before (a lost answer): the money is on the account all the same.
    amountEdit->clear();
    remarkEdit->clear();
    if (outcome == Posted::Now)
        status->setPanelText(
            Panel::Message,
            QStringLiteral("已%1 %2（单据号 %3）").arg(payWord(), money(*amount), posted.number));
    listAccounts();
    showStatement();
}

report::ReportControls AccountsWindow::statementControls() const {
    return {*statementGrid, *progress, *status, Panel::Rows};
}

void AccountsWindow::printStatement() {
    if (m_statement.name.isEmpty()) {
        context().prompt->information(this, QStringLiteral("请先列出要打印的对账单"));
        return;
    }
    QList<report::PrintedColumn> columns;
    constexpr double kPrintWidths[] = {11, 17, 9, 11, 12, 16};
    for (int c = 0; c < StatementCol::Count; ++c)
        columns.append({c, kStatementCaptions[c], kPrintWidths[c]});
    // Whose statement, and of which period: the page says so, not only the screen.
    const auto header = [&shown = m_statement](const ui::StringGrid&, QDate) {
        return QStringLiteral("对账单  %1：%2  %3 至 %4")
            .arg(ledger::sideName(shown.side), shown.name, dayText(shown.from), dayText(shown.to));
    };
    report::printGrid(*this, statementControls(),
                      {QStringLiteral("确认打印对账单吗？"), columns, header});
}

void AccountsWindow::exportStatement() {
    if (m_statement.name.isEmpty()) {
        context().prompt->information(this, QStringLiteral("请先列出要导出的对账单"));
        return;
    }
    report::exportGrid(*this, statementControls());
}
