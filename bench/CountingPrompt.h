#pragma once

#include "ui/Prompt.h"

namespace bench {

// Answers every question Yes and counts the other boxes: a timed handler that shows one
// has failed, and its figure means nothing.
class CountingPrompt : public ui::Prompt {
public:
    int boxes = 0;
    void information(QWidget*, const QString&) override { ++boxes; }
    bool confirm(QWidget*, const QString&) override { return true; }
    void error(QWidget*, const QString&) override { ++boxes; }
    std::optional<QString> saveFileName(QWidget*, const ui::SaveFileRequest&) override {
        return std::nullopt;
    }
    void openExternal(const QString&) override {}
};

}  // namespace bench
