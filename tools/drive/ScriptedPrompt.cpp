#include "ScriptedPrompt.h"

#include <QFileInfo>

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

void ScriptedPrompt::openExternal(const QString& target) {
    m_messages << QStringLiteral("open: ") + target;
}

void ScriptedPrompt::beep(QWidget*) {
    m_messages << QStringLiteral("beep");
}
