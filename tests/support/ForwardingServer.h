#pragma once

#include <memory>

#include "store/SpreadsheetServer.h"

// A spreadsheet server that hands every call to a real one: tests derive from it to
// watch a pass or to make one call fail where a real disk or book would.
class ForwardingServer : public store::SpreadsheetServer {
public:
    explicit ForwardingServer(std::unique_ptr<store::SpreadsheetServer> real)
        : m_real(std::move(real)) {}

    void openWorkbook(const QString& p) override { m_real->openWorkbook(p); }
    void activateSheet(int i) override { m_real->activateSheet(i); }
    int usedRowCount() override { return m_real->usedRowCount(); }
    store::CellValue cell(int r, int c) override { return m_real->cell(r, c); }
    void setCell(int r, int c, const store::CellValue& v) override { m_real->setCell(r, c, v); }
    void save() override { m_real->save(); }
    void saveAs(const QString& p) override { m_real->saveAs(p); }
    void clearColumn(int c) override { m_real->clearColumn(c); }
    void setColumnWidth(int c, double w) override { m_real->setColumnWidth(c, w); }
    void setCenterHeader(const QString& t) override { m_real->setCenterHeader(t); }
    void setCenterFooter(const QString& t) override { m_real->setCenterFooter(t); }
    void setPrintGridLines(bool on) override { m_real->setPrintGridLines(on); }
    void setDisplayAlerts(bool on) override { m_real->setDisplayAlerts(on); }
    void printOut() override { m_real->printOut(); }
    void closeWorkbooks() override { m_real->closeWorkbooks(); }
    void quit() override { m_real->quit(); }

private:
    std::unique_ptr<store::SpreadsheetServer> m_real;
};
