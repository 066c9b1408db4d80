#include <optional>
#include <utility>

#include "BookSource.h"
#include "SheetPrinter.h"
#include "SpreadsheetServer.h"
#include "StoreError.h"
#include "Workbook.h"

namespace store {

namespace {

// The spreadsheet server on top of our own workbook engine: in process, invisible, one
// workbook at a time.
class WorkbookServer : public SpreadsheetServer {
public:
    WorkbookServer(std::shared_ptr<SheetPrinter> printer, std::shared_ptr<BookSource> kept)
        : m_printer(std::move(printer)), m_kept(std::move(kept)) {}
    explicit WorkbookServer(Workbook& held) : m_held(&held) {}

    void openWorkbook(const QString& fullPath) override {
        if (m_held)
            return;
        m_book.reset();
        m_keptPath.clear();
        if (m_kept && m_kept->keeps(fullPath)) {
            m_book.emplace(m_kept->open(fullPath));
            m_keptPath = fullPath;
        } else {
            m_book.emplace(Workbook::open(fullPath));
        }
    }
    void activateSheet(int index) override {
        book();
        if (index != 1)
            throw StoreError(
                QStringLiteral("只能使用第 1 个工作表（要求的是第 %1 个）").arg(index));
    }
    int usedRowCount() override { return book().usedRowCount(); }
    CellValue cell(int row, int col) override { return book().cell(row, col); }
    void setCell(int row, int col, const CellValue& value) override {
        book().setCell(row, col, value);
    }
    void scanColumns(int firstRow, const QList<int>& columns, const RowValues& visit) override {
        book().scanColumns(firstRow, columns, visit);
    }
    void save() override {
        book().save();
        refreshKept();
    }
    void saveAs(const QString& fullPath) override {
        book().saveAs(fullPath);
        refreshKept();
    }
    void clearColumn(int col) override { book().clearColumn(col); }
    void setColumnWidth(int col, double characters) override {
        book().setColumnWidth(col, characters);
    }
    void setCenterHeader(const QString& text) override { book().setCenterHeader(text); }
    void setCenterFooter(const QString& text) override { book().setCenterFooter(text); }
    void setPrintGridLines(bool on) override { book().setPrintGridLines(on); }
    // The engine never asks questions, so alerts change nothing; kept for the callers'
    // sake, who turn them off before printing.
    void setDisplayAlerts(bool) override {}
    void printOut() override {
        Workbook& b = book();
        if (!m_printer)
            throw StoreError(QStringLiteral("没有可用的打印功能"));
        m_printer->print(b);
    }
    void savedCopyMovedTo(const QString& fullPath) override {
        book().fileMovedTo(fullPath);
        // The rename changed the file's change time, which is part of what the keeper
        // knows it by.
        refreshKept();
    }
    void closeWorkbooks() override { m_book.reset(); }
    void quit() override { m_book.reset(); }

private:
    void refreshKept() {
        if (!m_keptPath.isEmpty())
            m_kept->refresh(m_keptPath, *m_book);
    }

    Workbook& book() {
        if (m_held)
            return *m_held;
        if (!m_book)
            throw StoreError(QStringLiteral("没有打开的工作簿"));
        return *m_book;
    }

    std::shared_ptr<SheetPrinter> m_printer;
    std::shared_ptr<BookSource> m_kept;
    std::optional<Workbook> m_book;
    Workbook* m_held = nullptr;  // the caller's book, whatever is opened
    QString m_keptPath;          // the kept book that m_book was opened as
};

}  // namespace

ServerFactory workbookServerFactory(std::shared_ptr<SheetPrinter> printer,
                                    std::shared_ptr<BookSource> kept) {
    return [printer = std::move(printer),
            kept = std::move(kept)]() -> std::unique_ptr<SpreadsheetServer> {
        return std::make_unique<WorkbookServer>(printer, kept);
    };
}

ServerFactory serverOn(Workbook& book) {
    return [&book]() -> std::unique_ptr<SpreadsheetServer> {
        return std::make_unique<WorkbookServer>(book);
    };
}

}  // namespace store
