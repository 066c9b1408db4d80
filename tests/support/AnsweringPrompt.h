#pragma once

#include <QStringList>

#include "ui/Prompt.h"

// Answers every question Yes and keeps each box's kind and text, in order.
class AnsweringPrompt : public ui::Prompt {
public:
    QStringList messages;
    void information(QWidget*, const QString& t) override { messages << "info: " + t; }
    bool confirm(QWidget*, const QString& t) override {
        messages << "confirm: " + t;
        return true;
    }
    void error(QWidget*, const QString& t) override { messages << "error: " + t; }
    std::optional<QString> saveFileName(QWidget*, const ui::SaveFileRequest&) override {
        return std::nullopt;
    }
    void openExternal(const QString&) override {}
};
