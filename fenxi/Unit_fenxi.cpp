#include "fenxi/Unit_fenxi.h"

#include <QBuffer>
#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QToolButton>
#include <functional>

#include "fenxi/SalesChart.h"
#include "report/GridReport.h"
#include "store/AtomicFile.h"
#include "store/DataBooks.h"
#include "store/Numbers.h"
#include "store/SheetPrinter.h"
#include "store/Workbook.h"
#include "store/print/SheetPagePainter.h"
#include "ui/Clock.h"
#include "ui/PanelStatusBar.h"
#include "ui/Prompt.h"
#include "ui/StringGrid.h"
#include "ui/Widgets.h"

namespace {

namespace Panel {
enum : int { RecordsCaption, Records, Undated };
}

const QString kTitle = QStringLiteral("销售分析");
const QSize kPictureSize(1200, 800);

QString dayText(QDate day) {
    return day.toString(QStringLiteral("yyyy-MM-dd"));
}

}  // namespace

TForm_fenxi::TForm_fenxi(const ui::AppContext& context, QWidget* menu)
    : ui::ModuleWindow(context, menu, QStringLiteral("Tavelo进销存—销售分析")) {
    setObjectName(QStringLiteral("Form_fenxi"));
    resize(960, 640);
    buildButtons();
    buildPeriodStrip();

    auto* body = new QHBoxLayout;
    body->setContentsMargins(0, 0, 0, 0);
    body->setSpacing(0);
    salesCharts = new fenxi::SalesChart(this);
    salesCharts->setObjectName(QStringLiteral("salesCharts"));
    body->addWidget(salesCharts, 1);
    // The figures behind the charts, for reading them exactly.
    figuresGrid = new ui::StringGrid(3, 2, this);
    figuresGrid->setObjectName(QStringLiteral("figuresGrid"));
    const int widths[] = {84, 80, 80};
    for (int c = 0; c < 3; ++c) {
        figuresGrid->setColWidth(c, widths[c]);
        figuresGrid->setCell(c, 0,
                             QStringList{QStringLiteral("期间"), QStringLiteral("销售额"),
                                         QStringLiteral("利润")}[c]);
    }
    ui::alignRight(*figuresGrid, {1, 2});
    figuresGrid->verticalHeader()->setDefaultSectionSize(20);
    figuresGrid->setFixedWidth(84 + 80 + 80 + figuresGrid->verticalHeader()->width() + 24);
    body->addWidget(figuresGrid);
    column()->addLayout(body, 1);

    StatusBar1 = new ui::PanelStatusBar({70, 70, 300}, this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setPanelText(Panel::RecordsCaption, QStringLiteral("分析记录："));
    column()->addWidget(StatusBar1);
}

void TForm_fenxi::buildButtons() {
    QFrame* strip = addStrip(QStringLiteral("buttonStrip"), 57);
    const struct {
        QToolButton** button;
        const char* name;
        const char* caption;
        std::function<void()> click;
    } buttons[] = {
        {&analyseButton, "analyseButton", "开始分析", [this] { analyse(); }},
        {&exportPictureButton, "exportPictureButton", "导出图片", [this] { exportPicture(); }},
        {&printChartsButton, "printChartsButton", "打印图表", [this] { printCharts(); }},
        {&backButton, "backButton", "返回菜单", [this] { close(); }}};
    int left = 8;
    for (const auto& b : buttons) {
        *b.button = ui::speedButton(strip, QString::fromUtf8(b.name), QString::fromUtf8(b.caption),
                                    QString(), left, 8);
        connect(*b.button, &QToolButton::clicked, this, b.click);
        left += 96;
    }
}

void TForm_fenxi::buildPeriodStrip() {
    QFrame* strip = addStrip(QStringLiteral("periodStrip"), 36);
    auto* row = new QHBoxLayout(strip);
    row->setContentsMargins(8, 4, 8, 4);
    row->setSpacing(6);
    const auto label = [&](const char* name, const char* text) {
        auto* caption = new QLabel(QString::fromUtf8(text), strip);
        caption->setObjectName(QString::fromUtf8(name));
        row->addWidget(caption);
    };
    const QDate today = context().clock->today();
    label("periodFromLabel", "起始日期：");
    periodFromEdit = new QLineEdit(dayText(QDate(today.year(), today.month(), 1)), strip);
    periodFromEdit->setObjectName(QStringLiteral("periodFromEdit"));
    periodFromEdit->setFixedWidth(100);
    row->addWidget(periodFromEdit);
    label("periodToLabel", "终止日期：");
    periodToEdit = new QLineEdit(dayText(today), strip);
    periodToEdit->setObjectName(QStringLiteral("periodToEdit"));
    periodToEdit->setFixedWidth(100);
    row->addWidget(periodToEdit);
    label("periodStepLabel", "统计方式：");
    periodStepCombo = new QComboBox(strip);
    periodStepCombo->setObjectName(QStringLiteral("periodStepCombo"));
    periodStepCombo->addItems({QStringLiteral("按日"), QStringLiteral("按月")});
    row->addWidget(periodStepCombo);
    row->addStretch(1);
    // Enter in a date field analyses, as "开始分析" does.
    for (QLineEdit* edit : {periodFromEdit, periodToEdit})
        connect(edit, &QLineEdit::returnPressed, analyseButton, &QToolButton::click);
}

std::optional<TForm_fenxi::Request> TForm_fenxi::request() {
    const auto period = typedPeriod(*periodFromEdit, *periodToEdit);
    if (!period)
        return std::nullopt;
    const ledger::SalesStep step =
        periodStepCombo->currentIndex() == 1 ? ledger::SalesStep::Month : ledger::SalesStep::Day;
    if (ledger::periodCount(period->from, period->to, step) > ledger::kMaxSalesPeriods) {
        context().prompt->information(
            this, step == ledger::SalesStep::Day
                      ? QStringLiteral("期间太长：按日最多分析 %1 天，请缩短期间或改为按月")
                            .arg(ledger::kMaxSalesPeriods)
                      : QStringLiteral("期间太长：按月最多分析 %1 个月，请缩短期间")
                            .arg(ledger::kMaxSalesPeriods));
        return std::nullopt;
    }
    return Request{period->from, period->to, step};
}

void TForm_fenxi::analyse() {
    const auto asked = request();
    if (!asked)
        return;
    settleBooks();
    attempt([&] {
        store::BookPass journal(context().servers,
                                store::bookPath(context().programDir, store::Book::StockOut));
        const auto documents = ledger::DocumentIndex::load(context().servers, context().programDir,
                                                           context().database != nullptr);
        showFigures(ledger::analyseSales(journal, documents, asked->from, asked->to, asked->step));
    });
}

void TForm_fenxi::showFigures(const ledger::SalesAnalysis& analysis) {
    const auto& periods = analysis.periods;
    figuresGrid->setRowCount(int(periods.size()) + 2);
    const auto fill = [this](int row, const QString& label, const ledger::SalesTotals& figures) {
        figuresGrid->setCell(0, row, label);
        figuresGrid->setCell(1, row, store::formatFixed2(figures.sales));
        figuresGrid->setCell(2, row, store::formatFixed2(figures.profit));
    };
    for (int i = 0; i < periods.size(); ++i)
        fill(i + 1, ledger::periodLabel(periods[i].start, analysis.step), periods[i].figures);
    fill(int(periods.size()) + 1, QStringLiteral("合计"), analysis.totals);

    StatusBar1->setPanelText(Panel::Records, QString::number(analysis.records));
    StatusBar1->setPanelText(
        Panel::Undated, analysis.undated
                            ? QStringLiteral("有 %1 条记录的日期无法识别").arg(analysis.undated)
                            : QString());
    salesCharts->setAnalysis(analysis);
}

bool TForm_fenxi::hasCharts() {
    if (salesCharts->analysis())
        return true;
    context().prompt->information(this, QStringLiteral("还没有图表：请先点击“开始分析”"));
    return false;
}

void TForm_fenxi::exportPicture() {
    if (!hasCharts())
        return;
    const auto target = context().prompt->saveFileName(
        this, {QStringLiteral("导出图表保存为"), QStringLiteral("PNG 图片(*.png);;All File(*.*)"),
               QStringLiteral("png")});
    if (!target)
        return;
    const QString ownBook = report::programBookAt(context().programDir, *target);
    if (!ownBook.isEmpty()) {
        context().prompt->error(
            this,
            QStringLiteral("不能把图片保存到程序自己的数据文件 %1，请另选文件名").arg(ownBook));
        return;
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!salesCharts->picture(kPictureSize).save(&buffer, "PNG")) {
        context().prompt->error(this, QStringLiteral("图片没有保存：无法生成 PNG 图片"));
        return;
    }
    try {
        // A picture that could not be written whole leaves the old file of that name as it was.
        store::writeFileAtomically(QFileInfo(*target).absoluteFilePath(), png);
    } catch (const store::AtomicFileError& failure) {
        context().prompt->error(this, QStringLiteral("图片没有保存：%1").arg(failure.message()));
    }
}

void TForm_fenxi::printCharts() {
    if (!hasCharts() ||
        !context().prompt->confirm(this, QStringLiteral("确认将当前图表输出到打印机吗？")))
        return;
    const ledger::SalesAnalysis& analysis = *salesCharts->analysis();
    attempt([&] {
        if (!context().printer)
            throw store::StoreError(QStringLiteral("没有可用的打印机：请先在系统中设置默认打印机"));
        store::Workbook page = store::Workbook::createNew(kTitle);
        page.setCenterHeader(kTitle + QStringLiteral("  ") + dayText(analysis.from) +
                             QStringLiteral(" 至 ") + dayText(analysis.to));
        page.setCenterFooter(report::pageFooter(context()));
        const QFont face = store::print::SheetPagePainter::printFont(10.5);
        context().printer->printDrawing(page, [&](QPainter& painter, const QRectF& area) {
            // The charts are laid out in pixels of 1/96 inch, as on the screen.
            const double scale = painter.device()->logicalDpiX() / 96.0;
            painter.translate(area.topLeft());
            painter.scale(scale, scale);
            fenxi::paintSalesCharts(
                painter, QRectF(0, 0, area.width() / scale, area.height() / scale), analysis, face);
        });
    });
}
