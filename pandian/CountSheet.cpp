#include "pandian/CountSheet.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <algorithm>

#include "store/DataBooks.h"
#include "store/Numbers.h"
#include "ui/StringGrid.h"
#include "ui/Widgets.h"

namespace pandian {

QHBoxLayout* fieldStrip(QVBoxLayout& column, const QString& name) {
    QFrame* strip = ui::panel(column.parentWidget(), name);
    strip->setFixedHeight(36);
    auto* row = new QHBoxLayout(strip);
    row->setContentsMargins(8, 4, 8, 4);
    row->setSpacing(6);
    column.addWidget(strip);
    return row;
}

const ledger::CountItem* itemOfCode(const QList<ledger::CountItem>& items, const QString& code) {
    const auto item = std::ranges::find_if(items, [&](const ledger::CountItem& each) {
        return store::sameItemCode(each.codeText, code);
    });
    return item == items.end() ? nullptr : &*item;
}

const QStringList& countCaptions() {
    static const QStringList captions{QStringLiteral("商品编号"), QStringLiteral("商品名称"),
                                      QStringLiteral("单位"),     QStringLiteral("账面数量"),
                                      QStringLiteral("实盘数量"), QStringLiteral("差异"),
                                      QStringLiteral("库存均价"), QStringLiteral("差异金额")};
    return captions;
}

QStringList lineTexts(const ledger::CountItem& item) {
    return {item.codeText,
            item.name,
            item.unit,
            store::formatGeneral(item.bookQty),
            QString(),
            QString(),
            store::formatGeneral(item.avgCost),
            QString()};
}

CountTotals countTotals(const ui::StringGrid& grid) {
    CountTotals totals;
    for (int row = 1; row < grid.rowCount(); ++row) {
        if (grid.cell(CountCol::Counted, row).trimmed().isEmpty())
            continue;
        ++totals.counted;
        const double difference =
            store::parseDecimal(grid.cell(CountCol::Difference, row)).value_or(0);
        const double value = store::parseDecimal(grid.cell(CountCol::DiffValue, row)).value_or(0);
        if (difference > 0) {
            ++totals.gains;
            totals.gainValue = store::roundMoney(totals.gainValue + value);
        } else if (difference < 0) {
            ++totals.losses;
            totals.lossValue = store::roundMoney(totals.lossValue + value);
        }
    }
    return totals;
}

}  // namespace pandian
