#include "receipt/ReceiptPrinter.h"

#include <cups/cups.h>

#include <QDir>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <memory>

#include "receipt/EscPos.h"
#include "receipt/ReceiptDrawing.h"
#include "store/AtomicFile.h"
#include "store/StoreError.h"
#include "store/print/PrintTarget.h"

namespace receipt {

namespace {

const char* const kJobTitle = "Tavelo进销存小票";
// The paper beyond the printed width on either side, and above and below a driver's page.
constexpr double kPageMarginMm = 3;

QString cupsReason() {
    return QString::fromUtf8(cupsLastErrorString());
}

// The job goes through the scheduler with the raw format, so no filter touches the
// commands; it is withdrawn unless the scheduler took it whole.
void sendRawJob(const QString& queue, const QByteArray& job) {
    const QByteArray name = queue.toUtf8();
    cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, name.constData(), nullptr);
    if (!dest) {
        // CUPS says "does not exist" as well when it could not ask the scheduler at all,
        // which sends the shop keeper to the wrong place.
        http_t* scheduler = httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC,
                                         cupsEncryption(), 1, 3000, nullptr);
        if (!scheduler)
            throw store::StoreError(
                QStringLiteral("打印系统（CUPS）没有运行，小票打印机“%1”不能使用").arg(queue));
        httpClose(scheduler);
        throw store::StoreError(
            QStringLiteral("找不到小票打印机“%1”：系统中没有这个打印队列").arg(queue));
    }
    cupsFreeDests(1, dest);
    const int id = cupsCreateJob(CUPS_HTTP_DEFAULT, name.constData(), kJobTitle, 0, nullptr);
    if (id == 0)
        throw store::StoreError(
            QStringLiteral("小票打印机“%1”不接受打印任务（%2）").arg(queue, cupsReason()));
    const bool sent = cupsStartDocument(CUPS_HTTP_DEFAULT, name.constData(), id, kJobTitle,
                                        CUPS_FORMAT_RAW, 1) == HTTP_STATUS_CONTINUE &&
                      cupsWriteRequestData(CUPS_HTTP_DEFAULT, job.constData(),
                                           size_t(job.size())) == HTTP_STATUS_CONTINUE;
    const QString failure = sent ? QString() : cupsReason();
    if (cupsFinishDocument(CUPS_HTTP_DEFAULT, name.constData()) != IPP_STATUS_OK || !sent) {
        const QString reason = sent ? cupsReason() : failure;
        cupsCancelJob2(CUPS_HTTP_DEFAULT, name.constData(), id, 0);
        throw store::StoreError(QStringLiteral("小票没有送到打印机“%1”（%2）").arg(queue, reason));
    }
}

}  // namespace

namespace {

void requirePrinter(const Setup& setup) {
    if (setup.printer.isEmpty())
        throw store::StoreError(QStringLiteral("还没有选择小票打印机：请在“系统设置”中选择"));
}

}  // namespace

void ReceiptPrinter::print(const ledger::Receipt& receipt, const Setup& setup) {
    requirePrinter(setup);
    printDrawing(ReceiptDrawing(receipt, printDots(setup.paperMm)), setup,
                 setup.drawer && receipt.opensDrawer());
}

void ReceiptPrinter::print(const ledger::ShiftReport& report, const Setup& setup,
                           const QDateTime& printedAt) {
    requirePrinter(setup);
    printDrawing(ReceiptDrawing(report, setup.shop, printedAt, printDots(setup.paperMm)), setup,
                 false);
}

void ReceiptPrinter::printDrawing(const ReceiptDrawing& drawing, const Setup& setup,
                                  bool openDrawer) {
    if (setup.mode == Mode::Driver)
        printOnDriver(drawing, setup);
    else
        sendBytes(escPosJob(drawing.raster(), openDrawer), setup);
}

void ReceiptPrinter::sendBytes(const QByteArray& job, const Setup& setup) {
    if (m_target.isEmpty()) {
        sendRawJob(setup.printer, job);
        m_lastFile.clear();
        return;
    }
    const QString file = store::print::reserveNumberedFile(m_target, QStringLiteral("receipt"),
                                                           QStringLiteral("bin"));
    store::print::FileGuard guard(file);
    store::writeFileAtomically(file, job);
    guard.keep();
    m_lastFile = file;
}

void ReceiptPrinter::printOnDriver(const ReceiptDrawing& drawing, const Setup& setup) {
    std::unique_ptr<QPrinter> printer;
    QString file;
    if (!m_target.isEmpty()) {
        file = store::print::reserveNumberedFile(m_target, QStringLiteral("receipt"),
                                                 QStringLiteral("pdf"));
        printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(file);
    } else {
        const QPrinterInfo info = QPrinterInfo::printerInfo(setup.printer);
        if (info.isNull())
            throw store::StoreError(QStringLiteral("找不到小票打印机“%1”").arg(setup.printer));
        printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    }
    store::print::FileGuard guard(file);

    // A page exactly as long as the receipt: a driver given A4 would feed a metre of paper.
    const double mmPerDot = 25.4 / kDotsPerInch;
    printer->setFullPage(true);
    printer->setPageSize(
        QPageSize(QSizeF(setup.paperMm, drawing.height() * mmPerDot + 2 * kPageMarginMm),
                  QPageSize::Millimeter, QStringLiteral("小票"), QPageSize::ExactMatch));
    printer->setPageOrientation(QPageLayout::Portrait);
    printer->setPageMargins(QMarginsF(), QPageLayout::Millimeter);
    printer->setDocName(QString::fromUtf8(kJobTitle));
    printer->setCreator(QStringLiteral("Tavelo进销存"));

    const QString printerName = file.isEmpty() ? setup.printer : QDir::toNativeSeparators(file);
    QPainter painter;
    if (!painter.begin(printer.get()))
        throw store::StoreError(
            QStringLiteral("无法开始打印：小票打印机“%1”不能使用").arg(printerName));
    const double scale = printer->resolution() / double(kDotsPerInch);
    painter.scale(scale, scale);
    painter.translate((setup.paperMm / mmPerDot - drawing.width()) / 2, kPageMarginMm / mmPerDot);
    drawing.paint(painter);
    if (!painter.end() || printer->printerState() == QPrinter::Error)
        throw store::StoreError(QStringLiteral("打印失败：小票打印机“%1”出错").arg(printerName));
    guard.keep();
    m_lastFile = file;
}

}  // namespace receipt
