#include "ui/SignInDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/Cashiers.h"

namespace ui {

SignInDialog::SignInDialog(Cashiers& cashiers, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_cashiers(cashiers) {
    setObjectName(QStringLiteral("signInDialog"));
    setWindowTitle(QStringLiteral("收银员登录"));
    cashierCombo = new QComboBox(this);
    cashierCombo->setObjectName(QStringLiteral("cashierCombo"));
    cashierCombo->addItems(cashiers.names());
    cashierCombo->setCurrentIndex(std::max(0, cashierCombo->findText(cashiers.current())));
    pinEdit = new QLineEdit(this);
    pinEdit->setObjectName(QStringLiteral("pinEdit"));
    pinEdit->setEchoMode(QLineEdit::Password);
    pinEdit->setMaxLength(6);
    pinEdit->setInputMethodHints(Qt::ImhDigitsOnly);
    messageLabel = new QLabel(this);
    messageLabel->setObjectName(QStringLiteral("messageLabel"));
    messageLabel->setWordWrap(true);
    messageLabel->setStyleSheet(QStringLiteral("color: #b00000"));
    auto* buttons = new QDialogButtonBox(this);
    signInButton = buttons->addButton(QStringLiteral("登录"), QDialogButtonBox::AcceptRole);
    signInButton->setObjectName(QStringLiteral("signInButton"));
    signInButton->setDefault(true);
    buttons->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("cancelSignInButton"));

    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("收银员："), cashierCombo);
    fields->addRow(QStringLiteral("密码："), pinEdit);
    auto* column = new QVBoxLayout(this);
    column->addLayout(fields);
    column->addWidget(messageLabel);
    column->addWidget(buttons);
    setMinimumWidth(340);

    connect(cashierCombo, &QComboBox::currentIndexChanged, this, &SignInDialog::cashierChosen);
    connect(buttons, &QDialogButtonBox::accepted, this, &SignInDialog::signInClicked);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    m_tick.setInterval(1000);
    connect(&m_tick, &QTimer::timeout, this, &SignInDialog::showWait);
    cashierChosen();
    showWait();
}

void SignInDialog::cashierChosen() {
    const bool pin = m_cashiers.hasPin(cashierCombo->currentText());
    pinEdit->clear();
    pinEdit->setEnabled(pin);
    if (pin)
        pinEdit->setFocus();
}

void SignInDialog::signInClicked() {
    const QString refusal = m_cashiers.trySignIn(cashierCombo->currentText(), pinEdit->text());
    if (refusal.isEmpty()) {
        accept();
        return;
    }
    pinEdit->clear();
    messageLabel->setText(refusal);
    showWait();
}

void SignInDialog::showWait() {
    const int seconds = m_cashiers.secondsToWait();
    signInButton->setEnabled(seconds == 0);
    if (seconds > 0) {
        messageLabel->setText(Cashiers::waitMessage(seconds));
        m_tick.start();
    } else if (m_tick.isActive()) {
        m_tick.stop();
        messageLabel->setText(QStringLiteral("可以再试一次。"));
    }
}

}  // namespace ui
