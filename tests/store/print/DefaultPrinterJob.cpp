// Prints a small stock list through QtSheetPrinter with no print target, so the job goes
// wherever the CUPS client library says the default queue is. cups_default_printer_test.sh
// runs it against a private scheduler and reads the job's output back.
//
//   default_printer_job print QUEUE   the default must be QUEUE; print one page on it
//   default_printer_job no-printer    there is no default queue; print() must refuse
//
// Exit status 0 when the case went as expected, 1 otherwise, with the reason on stderr.

#include <QGuiApplication>
#include <QPrinterInfo>
#include <cstdio>

#include "store/StoreError.h"
#include "store/Workbook.h"
#include "store/print/QtSheetPrinter.h"

using store::CellValue;
using store::Workbook;

namespace {

int fail(const QString& why) {
    std::fprintf(stderr, "%s\n", qPrintable(why));
    return 1;
}

Workbook stockList() {
    Workbook book = Workbook::createNew(QStringLiteral("tvkucun.dat"));
    const QStringList captions{"编号", "商品名称", "单位", "数量", "价格"};
    for (int c = 0; c < captions.size(); ++c)
        book.setCell(1, c + 1, CellValue::fromText(captions[c]));
    book.setColumnWidth(2, 18);
    book.setCell(2, 1, CellValue::fromText(QStringLiteral("A0001")));
    book.setCell(2, 2, CellValue::fromText(QStringLiteral("可口可乐330ml")));
    book.setCell(2, 3, CellValue::fromText(QStringLiteral("罐")));
    book.setCell(2, 4, CellValue::fromNumber(24));
    book.setCell(2, 5, CellValue::fromNumber(2.5));
    book.setCell(3, 1, CellValue::fromText(QStringLiteral("A0002")));
    book.setCell(3, 2, CellValue::fromText(QStringLiteral("康师傅红烧牛肉面")));
    book.setCell(3, 3, CellValue::fromText(QStringLiteral("袋")));
    book.setCell(3, 4, CellValue::fromNumber(40));
    book.setCell(3, 5, CellValue::fromNumber(3.2));
    book.setCenterHeader(QStringLiteral("库存清单  2011-05-03"));
    return book;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const QString mode = args.value(0);

    // Printing without a target must reach the queue the scheduler calls default: when it
    // names another one, the job would leave this test's scheduler and prove nothing.
    const QString found = QPrinterInfo::defaultPrinter().printerName();
    if (mode == QStringLiteral("print") && args.size() == 2) {
        if (found != args[1])
            return fail(
                QStringLiteral("default printer is \"%1\", expected \"%2\"").arg(found, args[1]));
        try {
            store::QtSheetPrinter().print(stockList());
        } catch (const store::StoreError& e) {
            return fail(QStringLiteral("print failed: ") + e.message());
        }
        return 0;
    }
    if (mode == QStringLiteral("no-printer") && args.size() == 1) {
        if (!found.isEmpty())
            return fail(QStringLiteral("a default printer exists: ") + found);
        try {
            store::QtSheetPrinter().print(stockList());
        } catch (const store::StoreError& e) {
            if (!e.message().contains(QStringLiteral("没有可用的打印机")))
                return fail(QStringLiteral("unexpected error: ") + e.message());
            std::printf("%s\n", qPrintable(e.message()));
            return 0;
        }
        return fail(QStringLiteral("print() did not refuse without a default printer"));
    }
    return fail(QStringLiteral("usage: default_printer_job print QUEUE | no-printer"));
}
