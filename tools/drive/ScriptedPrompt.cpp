#include "ScriptedPrompt.h"

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
    return m_saveAnswers.dequeue();
}

void ScriptedPrompt::openExternal(const QString& target) {
    m_messages << QStringLiteral("open: ") + target;
}
