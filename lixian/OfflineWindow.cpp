#include "lixian/OfflineWindow.h"

#include <QToolButton>
#include <QVBoxLayout>

#include "ledger/OfflineTill.h"
#include "store/Numbers.h"
#include "ui/PanelStatusBar.h"
#include "ui/Prompt.h"
#include "ui/StringGrid.h"

namespace {

const QStringList kCaptions{QStringLiteral("单据号"), QStringLiteral("类型"),
                            QStringLiteral("时间"),   QStringLiteral("客户"),
                            QStringLiteral("行数"),   QStringLiteral("金额"),
                            QStringLiteral("状态")};
constexpr int kWidths[] = {190, 70, 140, 100, 50, 90, 300};

// The status panels: the offline line, and what was last done.
namespace Panel {
enum : int { Offline = 0, Message = 1 };
}

}  // namespace

OfflineWindow::OfflineWindow(const ui::AppContext& context, QWidget* menu)
    : ui::ModuleWindow(context, menu, QStringLiteral("Tavelo进销存—离线单据")) {
    setObjectName(QStringLiteral("offlineWindow"));
    resize(900, 480);
    addToolStrip({
        {&retryButton, "retryButton", "重新上传", [this] { retry(); }},
        {&dropButton, "dropButton", "放弃单据", [this] { drop(); }},
        {&returnButton, "returnButton", "返回菜单", nullptr},
    });
    documentGrid =
        ui::captionedGrid(this, QStringLiteral("documentGrid"), kCaptions, kWidths, {4, 5});
    documentGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    column()->addWidget(documentGrid, 1);
    status = new ui::PanelStatusBar({260, 300}, this);
    status->setObjectName(QStringLiteral("status"));
    column()->addWidget(status);
    refresh();
    if (context.offline)
        connect(context.offline.get(), &ledger::OfflineTill::changed, this, [this] {
            if (isVisible())
                refresh();
        });
}

void OfflineWindow::showEvent(QShowEvent* event) {
    refresh();
    ui::ModuleWindow::showEvent(event);
}

void OfflineWindow::refresh() {
    const ledger::OfflineTill* offline = context().offline.get();
    const QList<ledger::Outbox::Entry> entries =
        offline ? offline->outboxEntries() : QList<ledger::Outbox::Entry>{};
    m_rows.clear();
    documentGrid->setRowCount(int(entries.size()) + 1);
    int row = 1;
    for (const ledger::Outbox::Entry& entry : entries) {
        const ledger::Document& document = entry.document;
        double total = 0;
        for (const ledger::SaleLine& line : document.saleLines)
            total += line.amount;
        documentGrid->cells().setRow(
            row++, {document.number, ledger::kindName(document.kind),
                    document.time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                    document.counterpart, QString::number(document.lineCount()),
                    QString::number(store::roundMoney(total), 'f', 2),
                    entry.refusal.isEmpty() ? QStringLiteral("待上传")
                                            : QStringLiteral("服务器拒绝：") + entry.refusal});
        m_rows << document.identity;
    }
    status->setPanelAlert(Panel::Offline, offline && !offline->statusText().isEmpty());
    status->setPanelText(Panel::Offline, offline && !offline->statusText().isEmpty()
                                             ? offline->statusText()
                                             : QStringLiteral("没有待上传的离线单据"));
}

QUuid OfflineWindow::picked() const {
    const int row = documentGrid->currentIndex().isValid()
                        ? documentGrid->currentIndex().row() + documentGrid->fixedRows() - 1
                        : -1;
    return row >= 0 && row < m_rows.size() ? m_rows[row] : QUuid();
}

void OfflineWindow::retry() {
    ledger::OfflineTill* offline = context().offline.get();
    if (!offline)
        return;
    const QUuid one = picked();
    int again = 0;
    attempt([&] {
        for (const ledger::Outbox::Entry& entry : offline->outboxEntries()) {
            if (entry.refusal.isEmpty() || (!one.isNull() && entry.document.identity != one))
                continue;
            offline->outbox().retry(entry.document.identity);
            ++again;
        }
    });
    offline->wake();
    status->setPanelText(Panel::Message,
                         QStringLiteral("%1 张单据重新排队，联机时自动上传").arg(again));
    refresh();
}

void OfflineWindow::drop() {
    ledger::OfflineTill* offline = context().offline.get();
    const QUuid one = picked();
    if (!offline || one.isNull()) {
        context().prompt->information(this, QStringLiteral("请先在列表中选中要放弃的单据"));
        return;
    }
    QString number;
    bool refused = false;
    for (const ledger::Outbox::Entry& entry : offline->outboxEntries()) {
        if (entry.document.identity == one) {
            number = entry.document.number;
            refused = !entry.refusal.isEmpty();
        }
    }
    // One that waits may be on its way to the server this moment: a sale made by mistake is
    // taken back with 退货返库, as online.
    if (!refused) {
        context().prompt->information(
            this, QStringLiteral("单据 %1 正在等待上传，联机后会自动入账，不能放弃；"
                                 "只有服务器拒绝的单据可以放弃。卖错了请做退货返库。")
                      .arg(number));
        return;
    }
    if (!context().prompt->confirm(
            this, QStringLiteral("确认放弃单据 %1 吗？\n放弃后它不会再上传，其中的商品不会记入"
                                 "库存和出库记录，这不能撤销。")
                      .arg(number)))
        return;
    if (attempt([&] { offline->outbox().drop(one); }))
        status->setPanelText(Panel::Message, QStringLiteral("已放弃单据 %1").arg(number));
    refresh();
}
