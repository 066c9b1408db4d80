#pragma once

#include <QQueue>
#include <QStringList>
#include <optional>
#include <utility>

#include "ui/Prompt.h"

// The driver's boxes: answers come from a queue filled by the script, and every box is
// written down as "KIND: TEXT" (a beep as "beep") for the `messages` command. Nothing ever waits
// for a user.
class ScriptedPrompt : public ui::Prompt {
public:
    void queueAnswer(bool yes) { m_answers.enqueue(yes); }
    void queueSaveAs(const std::optional<QString>& path) { m_saveAnswers.enqueue(path); }
    void queueOpenFile(const std::optional<QString>& path) { m_openAnswers.enqueue(path); }
    // "cancel", "dialog" (the real dialog is shown, for a display test or a picture to answer
    // through the keyboard), or METHOD [AMOUNT] … as the payment dialog would be answered: one
    // method's AMOUNT is the cash handed over (its part is the whole amount due); with several,
    // each AMOUNT is that method's part and the one without takes the rest. False, and nothing
    // queued, when the words are not one.
    bool queuePayment(const QString& words);
    // A name and PIN for the sign-in, or nothing to cancel it.
    using SignIn = std::optional<std::pair<QString, QString>>;
    void queueSignIn(const SignIn& answer) { m_signIns.enqueue(answer); }
    // The boxes shown since the last call.
    QStringList takeMessages();

    void information(QWidget* parent, const QString& text) override;
    bool confirm(QWidget* parent, const QString& text) override;
    void error(QWidget* parent, const QString& text) override;
    std::optional<QString> saveFileName(QWidget* parent,
                                        const ui::SaveFileRequest& request) override;
    std::optional<QString> openFileName(QWidget* parent,
                                        const ui::OpenFileRequest& request) override;
    void openExternal(const QString& target) override;
    void beep(QWidget* parent) override;
    std::optional<ledger::Payment> takePayment(QWidget* parent,
                                               const ui::PaymentRequest& request) override;
    bool signIn(QWidget* parent, ui::Cashiers& cashiers) override;

private:
    QQueue<bool> m_answers;
    QQueue<std::optional<QString>> m_saveAnswers;
    QQueue<std::optional<QString>> m_openAnswers;
    struct PaymentAnswer {
        bool cancel = false;
        bool dialog = false;
        QList<std::pair<ledger::PayMethod, std::optional<double>>> parts;
    };
    QQueue<PaymentAnswer> m_payments;
    QQueue<SignIn> m_signIns;
    QStringList m_messages;
};
