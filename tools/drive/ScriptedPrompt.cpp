#include "ScriptedPrompt.h"

#include <QFileInfo>

#include "store/Numbers.h"
#include "ui/Cashiers.h"

namespace {

const QString kNoAnswer = QStringLiteral(" (no answer queued)");

}  // namespace

QStringList ScriptedPrompt::takeMessages() {
    QStringList taken;
    taken.swap(m_messages);
    return taken;
}

void ScriptedPrompt::information(QWidget*, const QString& text) {
    m_messages << QStringLiteral("info: ") + text;
}

bool ScriptedPrompt::confirm(QWidget*, const QString& text) {
    if (m_answers.isEmpty()) {
        m_messages << QStringLiteral("confirm: ") + text + kNoAnswer;
        return false;
    }
    m_messages << QStringLiteral("confirm: ") + text;
    return m_answers.dequeue();
}

void ScriptedPrompt::error(QWidget*, const QString& text) {
    m_messages << QStringLiteral("error: ") + text;
}

std::optional<QString> ScriptedPrompt::saveFileName(QWidget*, const ui::SaveFileRequest& request) {
    if (m_saveAnswers.isEmpty()) {
        m_messages << QStringLiteral("save: ") + request.title + kNoAnswer;
        return std::nullopt;
    }
    m_messages << QStringLiteral("save: ") + request.title;
    std::optional<QString> chosen = m_saveAnswers.dequeue();
    // As the desktop's dialog does, a name typed without an extension gets the default one.
    if (chosen && !request.defaultSuffix.isEmpty() && QFileInfo(*chosen).suffix().isEmpty())
        *chosen += QLatin1Char('.') + request.defaultSuffix;
    return chosen;
}

std::optional<QString> ScriptedPrompt::openFileName(QWidget*, const ui::OpenFileRequest& request) {
    const QString kind = QStringLiteral("openfile: ");
    if (m_openAnswers.isEmpty()) {
        m_messages << kind + request.title + kNoAnswer;
        return std::nullopt;
    }
    m_messages << kind + request.title;
    return m_openAnswers.dequeue();
}

void ScriptedPrompt::openExternal(const QString& target) {
    m_messages << QStringLiteral("open: ") + target;
}

void ScriptedPrompt::beep(QWidget*) {
    m_messages << QStringLiteral("beep");
}

bool ScriptedPrompt::queuePayment(const QString& words) {
    const QStringList list = words.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    PaymentAnswer answer;
    if (list == QStringList{QStringLiteral("cancel")} ||
        list == QStringList{QStringLiteral("dialog")}) {
        answer.cancel = list.first() == QLatin1String("cancel");
        answer.dialog = !answer.cancel;
        m_payments.enqueue(answer);
        return true;
    }
    for (const QString& word : list) {
        if (const auto method = ledger::methodNamed(word)) {
            answer.parts.append({*method, std::nullopt});
            continue;
        }
        const auto amount = store::parseDecimal(word);
        if (!amount || answer.parts.isEmpty() || answer.parts.last().second)
            return false;
        answer.parts.last().second = amount;
    }
    if (answer.parts.isEmpty())
        return false;
    m_payments.enqueue(answer);
    return true;
}

std::optional<ledger::Payment> ScriptedPrompt::takePayment(QWidget* parent,
                                                           const ui::PaymentRequest& request) {
    if (m_payments.isEmpty())
        return Prompt::takePayment(parent, request);
    const PaymentAnswer answer = m_payments.dequeue();
    m_messages << QStringLiteral("pay: %1 %2")
                      .arg(request.isReturn ? QStringLiteral("应退") : QStringLiteral("应收"),
                           store::formatFixed2(request.due));
    if (answer.dialog)
        return ui::QtPrompt().takePayment(parent, request);
    if (answer.cancel)
        return std::nullopt;
    if (answer.parts.size() == 1) {
        const auto [method, tendered] = answer.parts.first();
        return ledger::Payment::of({{method, request.due}}, tendered.value_or(request.due));
    }
    double given = 0;
    for (const auto& part : answer.parts)
        given += part.second.value_or(0);
    QList<ledger::Payment::Part> parts;
    for (const auto& [method, amount] : answer.parts)
        parts.append({method, amount ? *amount : store::roundMoney(request.due - given)});
    const auto cash = std::ranges::find(answer.parts, ledger::PayMethod::Cash,
                                        [](const auto& part) { return part.first; });
    return ledger::Payment::of(
        parts, cash == answer.parts.end() ? 0.0 : cash->second.value_or(request.due - given));
}

bool ScriptedPrompt::signIn(QWidget*, ui::Cashiers& cashiers) {
    // As the dialog does, it takes one try after another until one signs in.
    const QString kind = QStringLiteral("signin: ");
    while (!m_signIns.isEmpty()) {
        const SignIn answer = m_signIns.dequeue();
        if (!answer) {
            m_messages << kind + QStringLiteral("cancelled");
            return false;
        }
        const QString refusal = cashiers.trySignIn(answer->first, answer->second);
        m_messages << kind + answer->first +
                          (refusal.isEmpty() ? QString() : QStringLiteral(": ") + refusal);
        if (refusal.isEmpty())
            return true;
    }
    m_messages << kind + QStringLiteral("收银员登录") + kNoAnswer;
    return false;
}
