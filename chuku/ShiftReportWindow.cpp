#include "chuku/ShiftReportWindow.h"

#include <QDateTimeEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QToolButton>

#include "ledger/Documents.h"
#include "receipt/ReceiptPrinter.h"
#include "store/Numbers.h"
#include "ui/Clock.h"
#include "ui/PanelStatusBar.h"
#include "ui/Prompt.h"
#include "ui/StringGrid.h"
#include "ui/Widgets.h"

namespace {

const QStringList kCaptions{QStringLiteral("收银员"),   QStringLiteral("付款方式"),
                            QStringLiteral("销售笔数"), QStringLiteral("销售金额"),
                            QStringLiteral("退货笔数"), QStringLiteral("退货金额")};
constexpr int kTimeFormatWidth = 150;
const QString kTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

QString money(double value) {
    return store::formatFixed2(value);
}

}  // namespace

ShiftReportWindow::ShiftReportWindow(const ui::AppContext& context, QWidget* menu)
    : ui::ModuleWindow(context, menu, QStringLiteral("Tavelo进销存—交班报表")) {
    setObjectName(QStringLiteral("shiftReportWindow"));
    resize(760, 520);

    QFrame* choice = addStrip(QStringLiteral("periodStrip"), 40);
    auto* row = new QHBoxLayout(choice);
    sinceCloseRadio = new QRadioButton(QStringLiteral("本班（自上次交班起）"), choice);
    sinceCloseRadio->setObjectName(QStringLiteral("sinceCloseRadio"));
    sinceCloseRadio->setChecked(true);
    periodRadio = new QRadioButton(QStringLiteral("指定时段"), choice);
    periodRadio->setObjectName(QStringLiteral("periodRadio"));
    const QDateTime now = context.clock->now();
    periodFrom = new QDateTimeEdit(QDateTime(now.date(), QTime(0, 0)), choice);
    periodFrom->setObjectName(QStringLiteral("periodFrom"));
    periodTo = new QDateTimeEdit(QDateTime(now.date(), QTime(23, 59, 59)), choice);
    periodTo->setObjectName(QStringLiteral("periodTo"));
    for (QDateTimeEdit* edit : {periodFrom, periodTo}) {
        edit->setDisplayFormat(kTimeFormat);
        edit->setMinimumWidth(kTimeFormatWidth);
    }
    auto* floatLabel = new QLabel(QStringLiteral("备用金："), choice);
    floatEdit = new QLineEdit(money(context.openingFloat), choice);
    floatEdit->setObjectName(QStringLiteral("floatEdit"));
    floatEdit->setMaximumWidth(80);
    row->addWidget(sinceCloseRadio);
    row->addWidget(periodRadio);
    row->addWidget(periodFrom);
    row->addWidget(new QLabel(QStringLiteral("至"), choice));
    row->addWidget(periodTo);
    row->addStretch(1);
    row->addWidget(floatLabel);
    row->addWidget(floatEdit);

    QFrame* tools = addStrip(QStringLiteral("toolStrip"), 45);
    const auto button = [&](const char* name, const QString& caption, int slot) {
        return ui::speedButton(tools, QString::fromLatin1(name), caption, QString(), 8 + slot * 96,
                               4, 89, 37);
    };
    refreshButton = button("refreshButton", QStringLiteral("统计"), 0);
    receiptButton = button("receiptButton", QStringLiteral("打印小票"), 1);
    printButton = button("printButton", QStringLiteral("打印A4"), 2);
    exportButton = button("exportButton", QStringLiteral("导出保存"), 3);
    closeShiftButton = button("closeShiftButton", QStringLiteral("交班"), 4);
    returnButton = button("returnButton", QStringLiteral("返回"), 6);

    periodLabel = new QLabel(this);
    periodLabel->setObjectName(QStringLiteral("periodLabel"));
    periodLabel->setContentsMargins(8, 4, 8, 4);
    column()->addWidget(periodLabel);
    reportGrid = new ui::StringGrid(int(kCaptions.size()), 2, this);
    reportGrid->setObjectName(QStringLiteral("reportGrid"));
    for (int c = 0; c < kCaptions.size(); ++c) {
        reportGrid->setCell(c, 0, kCaptions[c]);
        reportGrid->setColWidth(c, c < 2 ? 120 : 100);
    }
    column()->addWidget(reportGrid, 1);
    progress = ui::progressBar(this, QStringLiteral("progress"), 16);
    column()->addWidget(progress);
    status = new ui::PanelStatusBar({120, 600}, this);
    status->setObjectName(QStringLiteral("status"));
    column()->addWidget(status);

    connect(refreshButton, &QToolButton::clicked, this, &ShiftReportWindow::refresh);
    connect(receiptButton, &QToolButton::clicked, this, &ShiftReportWindow::printOnReceiptPrinter);
    connect(printButton, &QToolButton::clicked, this, &ShiftReportWindow::printOnPaper);
    connect(exportButton, &QToolButton::clicked, this, &ShiftReportWindow::exportReport);
    connect(closeShiftButton, &QToolButton::clicked, this, &ShiftReportWindow::closeShift);
    connect(returnButton, &QToolButton::clicked, this, &QDialog::close);
}

report::ReportControls ShiftReportWindow::controls() {
    return {*reportGrid, *progress, *status, 0};
}

void ShiftReportWindow::refresh() {
    const auto openingFloat = store::parseDecimal(floatEdit->text());
    if (!openingFloat) {
        context().prompt->information(
            this, QStringLiteral("备用金“%1”不是有效的金额").arg(floatEdit->text()));
        return;
    }
    std::optional<ledger::ShiftPeriod> period;
    if (periodRadio->isChecked())
        period = ledger::ShiftPeriod{periodFrom->dateTime(), periodTo->dateTime()};
    settleBooks();
    attempt([&] {
        const auto documents = ledger::DocumentIndex::load(context().servers, context().programDir,
                                                           context().database != nullptr);
        showReport(ledger::shiftReport(documents, context().till, *openingFloat, period));
    });
}

void ShiftReportWindow::showReport(const ledger::ShiftReport& report) {
    m_report = report;
    ui::StringGrid& grid = *reportGrid;
    grid.setRowCount(1);
    const auto add = [&](const QStringList& texts) {
        const int row = grid.rowCount();
        grid.setRowCount(row + 1);
        grid.cells().setRow(row, texts);
    };
    for (const ledger::ShiftLine& line : report.lines)
        add({line.cashier, line.method, QString::number(line.sales), money(line.sold),
             QString::number(line.returns), money(line.refunded)});
    add({QStringLiteral("合计"), QString(), QString::number(report.sales), money(report.sold),
         QString::number(report.returns), money(report.refunded)});
    add({QStringLiteral("备用金"), money(report.openingFloat)});
    add({QStringLiteral("现金收入"), money(report.cashTaken)});
    add({QStringLiteral("现金退款"), money(report.cashRefunded)});
    // Shown where there were any: most shifts take no money on accounts.
    if (report.accountCashIn != 0)
        add({QStringLiteral("现金收款（往来）"), money(report.accountCashIn)});
    if (report.accountCashOut != 0)
        add({QStringLiteral("现金付款（往来）"), money(report.accountCashOut)});
    add({QStringLiteral("应有现金"), money(report.expectedCash())});
    const QString from =
        report.from.isValid() ? report.from.toString(kTimeFormat) : QStringLiteral("最早的单据");
    const QString to = report.to.isValid() ? report.to.toString(kTimeFormat)
                                           : context().clock->now().toString(kTimeFormat);
    periodLabel->setText(QStringLiteral("收银台：%1    时段：%2 至 %3").arg(report.till, from, to) +
                         (report.closedBy.isEmpty()
                              ? QString()
                              : QStringLiteral("    （上次交班 %1）").arg(report.closedBy)));
    status->setPanelText(0, QStringLiteral("单据：%1").arg(report.sales + report.returns));
}

void ShiftReportWindow::closeShift() {
    if (!context().prompt->confirm(
            this, QStringLiteral("确认交班吗？交班后，本收银台的下一张交班报表从此刻开始。")))
        return;
    ledger::Document closed;
    const Posted posted = postDocument(
        ledger::Posting::ShiftClose,
        [](const ledger::Origin& origin) { return ledger::shiftClose(origin); }, *progress, {},
        &closed);
    if (posted != Posted::Now)
        return;
    status->setPanelText(1, QStringLiteral("已交班：%1").arg(closed.number));
    context().prompt->information(this, QStringLiteral("交班完成，单据号 %1").arg(closed.number));
}

bool ShiftReportWindow::reportShown() {
    if (!m_report)
        refresh();
    return m_report.has_value();
}

void ShiftReportWindow::printOnReceiptPrinter() {
    if (!reportShown())
        return;
    attempt([this] {
        context().receiptPrinter().print(*m_report, context().receiptSettings(),
                                         context().clock->now());
    });
}

void ShiftReportWindow::printOnPaper() {
    if (!reportShown())
        return;
    static const report::PrintForm form{QStringLiteral("确认输出交班报表到打印机吗？"),
                                        {{0, kCaptions[0], 10},
                                         {1, kCaptions[1], 8},
                                         {2, kCaptions[2], 8},
                                         {3, kCaptions[3], 10},
                                         {4, kCaptions[4], 8},
                                         {5, kCaptions[5], 10}},
                                        report::listHeader(QStringLiteral("交班报表"))};
    report::printGrid(*this, controls(), form);
}

void ShiftReportWindow::exportReport() {
    if (!reportShown())
        return;
    report::exportGrid(*this, controls());
}
