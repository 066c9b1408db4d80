#include "ledger/Listings.h"

#include "ledger/Documents.h"
#include "store/ValueRules.h"

namespace ledger {

using namespace store::InventoryCol;

bool FieldTest::matches(store::BookPass& book, int row) const {
    return col != 0 && book.meets(row, col, condition, text);
}

bool JournalTest::matches(store::BookPass& book, int row) const {
    const auto fieldMeets = [&] {
        return field.col == dateCol
                   ? store::dateMeets(book.value(row, dateCol), field.condition, field.text)
                   : field.matches(book, row);
    };
    const auto numberMeets = [&] {
        const DocumentRecord* document = documents->at(journal, row);
        return document && store::valueMeets(store::CellValue::fromText(document->number),
                                             field.condition, field.text);
    };
    return (documents ? numberMeets() : fieldMeets()) &&
           (!todayOnly ||
            store::dateMeets(book.value(row, dateCol), store::Condition::Equals, today));
}

bool isShort(store::BookPass& inventory, int row) {
    return inventory.less(row, StockQty, AlertQty);
}

const QList<InventoryView>& inventoryViews() {
    static const QList<InventoryView> views{
        {QStringLiteral("商品数量信息"), {ItemCode, ItemName, Unit, StockQty, AlertQty}},
        {QStringLiteral("商品成本信息"), {ItemCode, ItemName, Unit, AvgCost, StockValue}},
        {QStringLiteral("商品定价信息"), {ItemCode, ItemName, Unit, SalePrice}},
        {QStringLiteral("供应厂商信息"), {ItemCode, ItemName, Supplier}},
        {QStringLiteral("商品全部信息"),
         {ItemCode, ItemName, Unit, StockQty, AvgCost, StockValue, SalePrice, Supplier, AlertQty,
          Remark}},
    };
    return views;
}

int inventoryField(const QString& name) {
    if (name == QStringLiteral("商品编号"))
        return ItemCode;
    if (name == QStringLiteral("商品名称"))
        return ItemName;
    if (name == QStringLiteral("供货厂商"))
        return Supplier;
    return 0;
}

}  // namespace ledger
