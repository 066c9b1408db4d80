#include "QtSheetPrinter.h"

#include <QDir>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

#include "PrintTarget.h"
#include "SheetLayout.h"
#include "SheetPagePainter.h"
#include "store/StoreError.h"
#include "store/Workbook.h"

namespace store {

QtSheetPrinter::QtSheetPrinter(PrinterSource defaultPrinter)
    : m_defaultPrinter(std::move(defaultPrinter)),
      m_clock([] { return QDateTime::currentDateTime(); }) {}

QtSheetPrinter::~QtSheetPrinter() = default;

QtSheetPrinter::PrinterSource QtSheetPrinter::systemDefaultPrinter() {
    return []() -> std::unique_ptr<QPrinter> {
        const QPrinterInfo info = QPrinterInfo::defaultPrinter();
        if (info.isNull())
            return nullptr;
        return std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    };
}

void QtSheetPrinter::print(const Workbook& book) {
    const print::SheetLayout layout = print::SheetLayout::fromWorkbook(book);
    const print::SheetPagePainter pages(book, layout, m_clock());
    printPages(book, layout, layout.pageCount(),
               [&pages](QPainter& painter, int page) { pages.paintPage(painter, page); });
}

void QtSheetPrinter::printDrawing(const Workbook& page, const Drawing& drawing) {
    const print::SheetLayout layout = print::SheetLayout::fromWorkbook(page);
    const print::SheetPagePainter frame(page, layout, m_clock());
    printPages(page, layout, 1, [&](QPainter& painter, int) {
        painter.save();
        frame.paintHeaderFooter(painter, 0);
        painter.restore();
        const QRectF area = layout.cellArea();
        const double kx = painter.device()->logicalDpiX() / 72.0;
        const double ky = painter.device()->logicalDpiY() / 72.0;
        painter.save();
        drawing(painter,
                QRectF(area.x() * kx, area.y() * ky, area.width() * kx, area.height() * ky));
        painter.restore();
    });
}

void QtSheetPrinter::printPages(const Workbook& book, const print::SheetLayout& layout,
                                int pageCount,
                                const std::function<void(QPainter&, int)>& paintPage) {
    std::unique_ptr<QPrinter> printer;
    QString file;
    if (!m_target.isEmpty()) {
        file = print::reserveNumberedFile(m_target, QStringLiteral("print"), QStringLiteral("pdf"));
        printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(file);
    } else {
        printer = m_defaultPrinter ? m_defaultPrinter() : nullptr;
        if (!printer)
            throw StoreError(QStringLiteral("没有可用的打印机：请先在系统中设置默认打印机"));
    }
    print::FileGuard guard(file);

    // Full-page mode puts the origin at the paper's corner: margins are measured from
    // there, as the book's page setup means them, not from the printable area.
    printer->setFullPage(true);
    printer->setPageSize(QPageSize(print::pageSizeId(layout.paperCode())));
    printer->setPageOrientation(layout.landscape() ? QPageLayout::Landscape
                                                   : QPageLayout::Portrait);
    printer->setDocName(book.displayName());
    printer->setCreator(QStringLiteral("Tavelo进销存"));

    const QString printerName =
        file.isEmpty() ? printer->printerName() : QDir::toNativeSeparators(file);
    QPainter painter;
    if (!painter.begin(printer.get()))
        throw StoreError(QStringLiteral("无法开始打印：打印机“%1”不能使用").arg(printerName));

    try {
        for (int i = 0; i < pageCount; ++i) {
            if (i > 0 && !printer->newPage())
                throw StoreError(
                    QStringLiteral("打印中断：打印机“%1”不接受新的一页").arg(printerName));
            paintPage(painter, i);
        }
    } catch (...) {
        // Half a list on paper is worse than none: the job is withdrawn, not finished.
        printer->abort();
        painter.end();
        throw;
    }
    if (!painter.end() || printer->printerState() == QPrinter::Error)
        throw StoreError(QStringLiteral("打印失败：打印机“%1”出错").arg(printerName));

    guard.keep();
    m_lastFile = file;
}

}  // namespace store
