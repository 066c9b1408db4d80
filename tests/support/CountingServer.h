#pragma once

#include <ostream>

#include "support/ForwardingServer.h"

// Counts the calls that open, close or change a book, for tests that a pass leaves no
// book open and writes none it only reads.
class CountingServer : public ForwardingServer {
public:
    struct Calls {
        int opens = 0, closes = 0, quits = 0, writes = 0;
        bool operator==(const Calls&) const = default;
        // `passes` passes that each opened a book, closed it, quit and wrote nothing.
        static Calls readOnly(int passes) { return {passes, passes, passes, 0}; }
    };

    CountingServer(std::unique_ptr<store::SpreadsheetServer> real, Calls& calls)
        : ForwardingServer(std::move(real)), m_calls(calls) {}
    void openWorkbook(const QString& p) override {
        ++m_calls.opens;
        ForwardingServer::openWorkbook(p);
    }
    void closeWorkbooks() override {
        ++m_calls.closes;
        ForwardingServer::closeWorkbooks();
    }
    void quit() override {
        ++m_calls.quits;
        ForwardingServer::quit();
    }
    void setCell(int r, int c, const store::CellValue& v) override {
        ++m_calls.writes;
        ForwardingServer::setCell(r, c, v);
    }
    void save() override { ++m_calls.writes; }
    void saveAs(const QString&) override { ++m_calls.writes; }
    void clearColumn(int) override { ++m_calls.writes; }

private:
    Calls& m_calls;
};

inline std::ostream& operator<<(std::ostream& out, const CountingServer::Calls& c) {
    return out << "opens " << c.opens << ", closes " << c.closes << ", quits " << c.quits
               << ", writes " << c.writes;
}
