#include "ui/PaymentDialog.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "store/Numbers.h"

namespace ui {

using ledger::PayMethod;

namespace {

QFont enlarged(QFont font, int pixels, bool bold) {
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

// An amount as typed; an empty field is nothing, anything unreadable is none.
std::optional<double> typedAmount(const QLineEdit* edit) {
    if (edit->text().trimmed().isEmpty())
        return 0.0;
    return store::parseDecimal(edit->text());
}

}  // namespace

PaymentDialog::PaymentDialog(const PaymentRequest& request, QWidget* parent)
    : QDialog(parent), m_request(request) {
    setObjectName(QStringLiteral("paymentDialog"));
    setWindowTitle(request.isReturn ? QStringLiteral("退款") : QStringLiteral("收款"));
    auto* column = new QVBoxLayout(this);

    auto* due = new QLabel((request.isReturn ? QStringLiteral("应退 ") : QStringLiteral("应收 ")) +
                               store::formatFixed2(request.due),
                           this);
    due->setObjectName(QStringLiteral("dueLabel"));
    due->setFont(enlarged(font(), 44, true));
    due->setStyleSheet(QStringLiteral("color: #b00000"));
    due->setAlignment(Qt::AlignCenter);
    column->addWidget(due);

    auto* methods = new QHBoxLayout;
    methodButtons = new QButtonGroup(this);
    for (const PayMethod method : ledger::kPayMethods) {
        const int key = int(method) + 1;
        auto* button = new QPushButton(
            QStringLiteral("&%1 %2").arg(key).arg(ledger::methodName(method)), this);
        button->setObjectName(QStringLiteral("methodButton%1").arg(key));
        button->setCheckable(true);
        button->setAutoDefault(false);
        button->setMinimumHeight(40);
        methodButtons->addButton(button, int(method));
        methods->addWidget(button);
    }
    methodButtons->button(int(PayMethod::Cash))->setChecked(true);
    column->addLayout(methods);

    auto* figures = new QGridLayout;
    const QFont large = enlarged(font(), 22, false);
    const auto addRow = [&](int row, const QString& caption, QWidget* value) {
        auto* label = new QLabel(caption, this);
        label->setFont(large);
        value->setFont(large);
        figures->addWidget(label, row, 0);
        figures->addWidget(value, row, 1);
    };
    firstAmountLabel = new QLabel(this);
    firstAmountLabel->setObjectName(QStringLiteral("firstAmountLabel"));
    addRow(0, QStringLiteral("本方式："), firstAmountLabel);
    tenderedEdit = new QLineEdit(store::formatFixed2(request.due), this);
    tenderedEdit->setObjectName(QStringLiteral("tenderedEdit"));
    addRow(1, QStringLiteral("实收："), tenderedEdit);
    changeLabel = new QLabel(this);
    changeLabel->setObjectName(QStringLiteral("changeLabel"));
    changeLabel->setFont(enlarged(font(), 30, true));
    addRow(2, QStringLiteral("找零："), changeLabel);
    column->addLayout(figures);

    splitLines = new QVBoxLayout;
    column->addLayout(splitLines);
    splitButton = new QPushButton(QStringLiteral("分开付款（F2）"), this);
    splitButton->setObjectName(QStringLiteral("splitButton"));
    splitButton->setAutoDefault(false);
    column->addWidget(splitButton, 0, Qt::AlignLeft);

    problemLabel = new QLabel(this);
    problemLabel->setObjectName(QStringLiteral("problemLabel"));
    problemLabel->setStyleSheet(QStringLiteral("color: #b00000"));
    column->addWidget(problemLabel);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    okButton = new QPushButton(QStringLiteral("确定（Enter）"), this);
    okButton->setObjectName(QStringLiteral("okButton"));
    auto* cancel = new QPushButton(QStringLiteral("取消（Esc）"), this);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    cancel->setAutoDefault(false);
    buttons->addWidget(okButton);
    buttons->addWidget(cancel);
    column->addLayout(buttons);

    connect(methodButtons, &QButtonGroup::idClicked, this,
            [this](int id) { chooseMethod(PayMethod(id)); });
    connect(tenderedEdit, &QLineEdit::textChanged, this, &PaymentDialog::update);
    connect(tenderedEdit, &QLineEdit::returnPressed, this, &PaymentDialog::acceptIfSettled);
    connect(splitButton, &QPushButton::clicked, this, &PaymentDialog::addSplitLine);
    connect(okButton, &QPushButton::clicked, this, &PaymentDialog::acceptIfSettled);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    setMinimumWidth(520);
    chooseMethod(PayMethod::Cash);
}

PayMethod PaymentDialog::firstMethod() const {
    return PayMethod(methodButtons->checkedId());
}

double PaymentDialog::splitTotal() const {
    double sum = 0;
    for (const SplitLine& line : m_splits)
        sum += typedAmount(line.amount).value_or(0);
    return sum;
}

ledger::Payment PaymentDialog::payment() const {
    QList<ledger::Payment::Part> parts{{firstMethod(), m_request.due - splitTotal()}};
    for (const SplitLine& line : m_splits)
        parts.append(
            {PayMethod(line.method->currentData().toInt()), typedAmount(line.amount).value_or(-1)});
    ledger::Payment made = ledger::Payment::of(parts, typedAmount(tenderedEdit).value_or(-1));
    // The first line takes the rest, in cents, so 0.1 + 0.2 settles 0.30.
    made.amount(firstMethod()) = store::roundMoney(made.amount(firstMethod()));
    return made;
}

void PaymentDialog::chooseMethod(PayMethod method) {
    methodButtons->button(int(method))->setChecked(true);
    update();
    QWidget* next = tenderedEdit->isEnabled() ? static_cast<QWidget*>(tenderedEdit) : okButton;
    next->setFocus();
    if (next == tenderedEdit)
        tenderedEdit->selectAll();
}

void PaymentDialog::addSplitLine() {
    auto* row = new QHBoxLayout;
    auto* method = new QComboBox(this);
    for (const PayMethod m : ledger::kPayMethods)
        method->addItem(ledger::methodName(m), int(m));
    // A second method is most often the card the customer pays the rest with.
    method->setCurrentIndex(int(PayMethod::Card));
    auto* amount = new QLineEdit(store::formatFixed2(m_request.due - splitTotal()), this);
    method->setObjectName(QStringLiteral("splitMethod%1").arg(m_splits.size() + 1));
    amount->setObjectName(QStringLiteral("splitAmount%1").arg(m_splits.size() + 1));
    row->addWidget(method);
    row->addWidget(amount, 1);
    splitLines->addLayout(row);
    m_splits.append({method, amount});
    connect(method, &QComboBox::currentIndexChanged, this, &PaymentDialog::update);
    connect(amount, &QLineEdit::textChanged, this, &PaymentDialog::update);
    connect(amount, &QLineEdit::returnPressed, this, &PaymentDialog::acceptIfSettled);
    update();
    amount->setFocus();
    amount->selectAll();
}

void PaymentDialog::update() {
    const ledger::Payment now = payment();
    firstAmountLabel->setText(ledger::methodName(firstMethod()) + QLatin1Char(' ') +
                              store::formatFixed2(m_request.due - splitTotal()));
    const bool cash = now.takesCash();
    tenderedEdit->setEnabled(cash);
    if (!cash)
        tenderedEdit->setText(QString());
    else if (tenderedEdit->text().isEmpty())
        tenderedEdit->setText(store::formatFixed2(now.amount(PayMethod::Cash)));
    changeLabel->setText(cash && now.change >= 0 ? store::formatFixed2(now.change) : QString());
    const QString problem = ledger::paymentProblem(now, m_request.due);
    problemLabel->setText(problem);
    okButton->setEnabled(problem.isEmpty());
}

void PaymentDialog::acceptIfSettled() {
    update();
    if (okButton->isEnabled())
        accept();
}

void PaymentDialog::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    const bool typing = qobject_cast<QLineEdit*>(focusWidget()) != nullptr;
    if (key >= Qt::Key_1 && key <= Qt::Key_5 && !typing) {
        chooseMethod(PayMethod(key - Qt::Key_1));
        return;
    }
    if (key == Qt::Key_F2) {
        addSplitLine();
        return;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        acceptIfSettled();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace ui
