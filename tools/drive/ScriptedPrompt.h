#pragma once

#include <QQueue>
#include <QStringList>

#include "ui/Prompt.h"

// The driver's boxes: answers come from a queue filled by the script, and every box is
// written down as "KIND: TEXT" (a beep as "beep") for the `messages` command. Nothing ever waits
// for a user.
class ScriptedPrompt : public ui::Prompt {
public:
    void queueAnswer(bool yes) { m_answers.enqueue(yes); }
    void queueSaveAs(const std::optional<QString>& path) { m_saveAnswers.enqueue(path); }
    // The boxes shown since the last call.
    QStringList takeMessages();

    void information(QWidget* parent, const QString& text) override;
    bool confirm(QWidget* parent, const QString& text) override;
    void error(QWidget* parent, const QString& text) override;
    std::optional<QString> saveFileName(QWidget* parent,
                                        const ui::SaveFileRequest& request) override;
    void openExternal(const QString& target) override;
    void beep(QWidget* parent) override;

private:
    QQueue<bool> m_answers;
    QQueue<std::optional<QString>> m_saveAnswers;
    QStringList m_messages;
};
