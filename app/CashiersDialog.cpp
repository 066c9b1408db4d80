#include "app/CashiersDialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/SettingsFile.h"
#include "store/AtomicFile.h"
#include "ui/Prompt.h"

namespace {

QPushButton* button(QWidget* parent, const QString& name, const QString& caption) {
    auto* made = new QPushButton(caption, parent);
    made->setObjectName(name);
    made->setAutoDefault(false);
    return made;
}

QLineEdit* pinField(QWidget* parent, const QString& name) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setEchoMode(QLineEdit::Password);
    edit->setMaxLength(6);
    edit->setInputMethodHints(Qt::ImhDigitsOnly);
    return edit;
}

}  // namespace

CashiersDialog::CashiersDialog(const ui::AppContext& context, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_context(context),
      m_list(context.filePath(app::SettingsFile::kFileName)) {
    setObjectName(QStringLiteral("Form_cashiers"));
    setWindowTitle(QStringLiteral("收银员"));
    cashierCombo = new QComboBox(this);
    cashierCombo->setObjectName(QStringLiteral("cashierCombo"));
    pinStateLabel = new QLabel(this);
    pinStateLabel->setObjectName(QStringLiteral("pinStateLabel"));
    removeCashierButton =
        button(this, QStringLiteral("removeCashierButton"), QStringLiteral("删除收银员"));
    newCashierEdit = new QLineEdit(this);
    newCashierEdit->setObjectName(QStringLiteral("newCashierEdit"));
    addCashierButton = button(this, QStringLiteral("addCashierButton"), QStringLiteral("添加"));
    pinEdit = pinField(this, QStringLiteral("pinEdit"));
    pinAgainEdit = pinField(this, QStringLiteral("pinAgainEdit"));
    setPinButton = button(this, QStringLiteral("setPinButton"), QStringLiteral("设置密码"));
    clearPinButton = button(this, QStringLiteral("clearPinButton"), QStringLiteral("清除密码"));
    closeCashiersButton =
        button(this, QStringLiteral("closeCashiersButton"), QStringLiteral("关闭"));

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("收银员："), this), 0, 0);
    grid->addWidget(cashierCombo, 0, 1);
    grid->addWidget(removeCashierButton, 0, 2);
    grid->addWidget(pinStateLabel, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("新收银员："), this), 2, 0);
    grid->addWidget(newCashierEdit, 2, 1);
    grid->addWidget(addCashierButton, 2, 2);
    grid->addWidget(new QLabel(QStringLiteral("密码："), this), 3, 0);
    grid->addWidget(pinEdit, 3, 1);
    grid->addWidget(new QLabel(QStringLiteral("再输一次："), this), 4, 0);
    grid->addWidget(pinAgainEdit, 4, 1);
    grid->addWidget(new QLabel(QStringLiteral("4 到 6 位数字；不设密码也可以登录。"), this), 5, 1,
                    1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(setPinButton);
    buttons->addWidget(clearPinButton);
    buttons->addStretch(1);
    buttons->addWidget(closeCashiersButton);
    auto* column = new QVBoxLayout(this);
    column->addLayout(grid);
    column->addLayout(buttons);

    connect(cashierCombo, &QComboBox::currentIndexChanged, this, &CashiersDialog::showPinState);
    connect(addCashierButton, &QPushButton::clicked, this, &CashiersDialog::addCashier);
    connect(removeCashierButton, &QPushButton::clicked, this, &CashiersDialog::removeCashier);
    connect(setPinButton, &QPushButton::clicked, this, &CashiersDialog::setPin);
    connect(clearPinButton, &QPushButton::clicked, this, &CashiersDialog::clearPin);
    connect(closeCashiersButton, &QPushButton::clicked, this, &QDialog::close);
}

void CashiersDialog::showEvent(QShowEvent* event) {
    listCashiers(cashierCombo->currentText());
    QDialog::showEvent(event);
}

void CashiersDialog::listCashiers(const QString& chosen) {
    cashierCombo->clear();
    cashierCombo->addItems(m_list.names());
    cashierCombo->setCurrentIndex(std::max(0, cashierCombo->findText(chosen)));
    showPinState();
}

void CashiersDialog::showPinState() {
    const QString name = cashierCombo->currentText();
    pinStateLabel->setText(name.isEmpty()                     ? QString()
                           : m_list.storedPin(name).isEmpty() ? QStringLiteral("没有密码")
                                                              : QStringLiteral("已设密码"));
}

QString CashiersDialog::chosenCashier() {
    QString name = cashierCombo->currentText();
    if (name.isEmpty())
        m_context.prompt->information(this, QStringLiteral("请先选择收银员。"));
    return name;
}

bool CashiersDialog::change(const std::function<void()>& write) {
    try {
        write();
        return true;
    } catch (const store::AtomicFileError& e) {
        m_context.prompt->error(this, e.message());
        return false;
    }
}

void CashiersDialog::addCashier() {
    const QString name = newCashierEdit->text().trimmed();
    if (const QString refusal = m_list.refusalToAdd(name); !refusal.isEmpty()) {
        m_context.prompt->information(this, refusal);
        return;
    }
    if (!change([&] { m_list.add(name); }))
        return;
    newCashierEdit->clear();
    listCashiers(name);
}

void CashiersDialog::removeCashier() {
    const QString name = chosenCashier();
    if (name.isEmpty() ||
        !m_context.prompt->confirm(this, QStringLiteral("确认删除收银员 %1 吗？").arg(name)))
        return;
    change([&] { m_list.remove(name); });
    listCashiers(QString());
}

void CashiersDialog::setPin() {
    const QString name = chosenCashier();
    if (name.isEmpty())
        return;
    const QString pin = pinEdit->text();
    QString refusal;
    if (!app::isPinWellFormed(pin))
        refusal = QStringLiteral("密码要 4 到 6 位数字。");
    else if (pinAgainEdit->text() != pin)
        refusal = QStringLiteral("两次输入的密码不一样，请重新输入。");
    pinEdit->clear();
    pinAgainEdit->clear();
    if (!refusal.isEmpty()) {
        m_context.prompt->information(this, refusal);
        return;
    }
    if (!change([&] { m_list.setPin(name, pin); }))
        return;
    showPinState();
    m_context.prompt->information(this, QStringLiteral("%1 的密码已设置。").arg(name));
}

void CashiersDialog::clearPin() {
    const QString name = chosenCashier();
    if (name.isEmpty() || !change([&] { m_list.clearPin(name); }))
        return;
    showPinState();
    m_context.prompt->information(this, QStringLiteral("%1 的密码已清除。").arg(name));
}
