#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "support/ForwardingServer.h"

// Lets a test act on the calls a posting makes to one book: its first write and its save
// (in place, or as the new file of a commit).
// Every server the test's factory makes shares one set of hooks and one log of saves.
class BookWatch : public ForwardingServer {
public:
    struct Hooks {
        QString watched;  // the file name of the book the hooks are for
        std::function<void()> onFirstWrite;
        std::function<void()> onSave;
        QStringList saved;  // file names, in the order their saves went through
    };
    BookWatch(std::unique_ptr<store::SpreadsheetServer> real, Hooks& hooks)
        : ForwardingServer(std::move(real)), m_hooks(hooks) {}

    void openWorkbook(const QString& p) override {
        m_name = p.section(QLatin1Char('/'), -1);
        ForwardingServer::openWorkbook(p);
    }
    void setCell(int r, int c, const store::CellValue& v) override {
        if (watched() && !m_written && m_hooks.onFirstWrite)
            m_hooks.onFirstWrite();
        m_written = true;
        ForwardingServer::setCell(r, c, v);
    }
    void save() override {
        beforeSave();
        ForwardingServer::save();
        m_hooks.saved << m_name;
    }
    void saveAs(const QString& p) override {
        const QString name = m_name;
        beforeSave();
        ForwardingServer::saveAs(p);
        m_hooks.saved << name;
    }

private:
    void beforeSave() {
        if (watched() && m_hooks.onSave)
            m_hooks.onSave();
    }
    bool watched() const { return m_name == m_hooks.watched; }

    Hooks& m_hooks;
    QString m_name;
    bool m_written = false;
};
