#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <span>

// What the program knows of its books, in one place: their files, their backups, their
// captions and columns, which columns hold numbers, and the tables that hold them on a
// database server. Every other place reads it from here; adding a book is an entry below.
namespace store {

enum class Book { Inventory, StockIn, StockOut, Report, Documents, Stocktake };

// The inventory and the two journals keep the ten columns they have always had, so that a
// spreadsheet program and older copies of this one read them as before.
constexpr int kBookColumns = 10;

// Columns of the inventory book, counted from 1 as the books count them.
namespace InventoryCol {
enum : int {
    ItemCode = 1,
    ItemName,
    Unit,
    StockQty,
    AvgCost,
    StockValue,
    SalePrice,
    Supplier,
    AlertQty,
    Remark
};
}
// Columns of the stock-in journal.
namespace StockInCol {
enum : int {
    ItemCode = 1,
    ItemName,
    Unit,
    InQty,
    InPrice,
    InAmount,
    AvgCost,
    Supplier,
    InDate,
    Remark
};
}
// Columns of the stock-out journal.
namespace StockOutCol {
enum : int {
    ItemCode = 1,
    ItemName,
    Unit,
    OutQty,
    OutPrice,
    OutAmount,
    AvgCost,
    Customer,
    OutDate,
    Remark
};
}

// Columns of the documents book: one row per posting, and the journal rows it wrote (the
// rows first … first + lines - 1 of that journal, since a posting appends its rows together).
// A sale's or a return's payment follows: the part each method paid (ledger::PayMethod's
// order), the cash handed over and the change; then a 收款's or 付款's remark. They came
// after the first twelve, which a book made before them keeps as they were.
namespace DocumentCol {
enum : int {
    Number = 1,
    Kind,
    Date,
    Time,
    Till,
    Operator,
    Counterpart,
    Lines,
    Total,
    Journal,
    FirstRow,
    Identity,
    PaidCash,
    PaidWeChat,
    PaidAlipay,
    PaidCard,
    OnAccount,
    Tendered,
    Change,
    Remark
};
}

// Columns of the stocktake journal: one row per counted item. The book quantity is the one
// the count was taken against, when it began; the difference is counted minus that, and
// moved the stock at the average cost of the moment it was posted. Its rows name their
// document themselves: it came after the documents, and a spreadsheet program shows whose
// count each row was.
namespace StocktakeCol {
enum : int {
    ItemCode = 1,
    ItemName,
    Unit,
    BookQty,
    CountedQty,
    DiffQty,
    AvgCost,
    DiffAmount,
    CountDate,
    Document
};
}

struct BookColumn {
    int number;           // from 1, as above
    const char* caption;  // row 1 of the book (UTF-8)
    const char* field;    // the table's column on a database server
    // Numbers, or texts: a date is a text, as the books have always held it.
    bool numeric;
    double bookWidth;  // in a fresh book, in characters: readable in any spreadsheet program
    int gridWidth;     // in a result grid, in pixels
};

struct BookLayout {
    Book book;
    const char* fileName;    // in the program folder
    const char* title;       // what the shop keeper calls it ("出库记录")
    const char* backupName;  // beside it; none for the report book, which is never backed up
    const char* table;       // none for the report book: it is the canvas of exports, local
    std::span<const BookColumn> columns;  // none for the report book
    // What an import or export adds up on both sides to check itself: the sums the shop
    // keeper would notice first. 0: no second sum.
    int checkSum, secondCheckSum;
    // A book that older program folders do not have: its absence is no fault, and the first
    // posting makes it.
    bool madeWhenMissing = false;
    // The column where a journal's rows name their document, which the commit fills with
    // the number it gives; 0 where the documents book alone knows (the rows' places).
    int documentColumn = 0;

    constexpr bool isData() const { return table != nullptr; }
    constexpr int columnCount() const { return static_cast<int>(columns.size()); }
};

inline constexpr BookColumn kInventoryColumns[] = {
    {InventoryCol::ItemCode, "商品编号", "item_code", true, 10, 100},
    {InventoryCol::ItemName, "商品名称", "item_name", false, 22, 260},
    {InventoryCol::Unit, "单位", "unit", false, 6, 100},
    {InventoryCol::StockQty, "库存数量", "stock_qty", true, 10, 100},
    {InventoryCol::AvgCost, "库存均价", "avg_cost", true, 10, 100},
    {InventoryCol::StockValue, "库存金额", "stock_value", true, 12, 100},
    {InventoryCol::SalePrice, "卖出核价", "sale_price", true, 10, 100},
    {InventoryCol::Supplier, "供货厂商", "supplier", false, 18, 300},
    {InventoryCol::AlertQty, "缺货报警", "alert_qty", true, 11, 100},
    {InventoryCol::Remark, "备注", "remark", false, 18, 100},
};
inline constexpr BookColumn kStockInColumns[] = {
    {StockInCol::ItemCode, "商品编号", "item_code", true, 10, 100},
    {StockInCol::ItemName, "商品名称", "item_name", false, 22, 260},
    {StockInCol::Unit, "单位", "unit", false, 6, 100},
    {StockInCol::InQty, "进货数量", "in_qty", true, 10, 100},
    {StockInCol::InPrice, "进货价格", "in_price", true, 10, 100},
    {StockInCol::InAmount, "进货金额", "in_amount", true, 12, 100},
    {StockInCol::AvgCost, "库存均价", "avg_cost", true, 10, 100},
    {StockInCol::Supplier, "供货厂商", "supplier", false, 18, 300},
    {StockInCol::InDate, "进货日期", "in_date", false, 11, 100},
    {StockInCol::Remark, "备注", "remark", false, 18, 100},
};
inline constexpr BookColumn kStockOutColumns[] = {
    {StockOutCol::ItemCode, "商品编号", "item_code", true, 10, 100},
    {StockOutCol::ItemName, "商品名称", "item_name", false, 22, 260},
    {StockOutCol::Unit, "单位", "unit", false, 6, 100},
    {StockOutCol::OutQty, "卖出数量", "out_qty", true, 10, 100},
    {StockOutCol::OutPrice, "卖出价格", "out_price", true, 10, 100},
    {StockOutCol::OutAmount, "卖出金额", "out_amount", true, 12, 100},
    {StockOutCol::AvgCost, "库存均价", "avg_cost", true, 10, 100},
    {StockOutCol::Customer, "客户名称", "customer", false, 18, 300},
    {StockOutCol::OutDate, "销售日期", "out_date", false, 11, 100},
    {StockOutCol::Remark, "备注", "remark", false, 18, 100},
};

inline constexpr BookColumn kDocumentColumns[] = {
    {DocumentCol::Number, "单据号", "number", false, 16, 140},
    {DocumentCol::Kind, "单据类型", "kind", false, 10, 100},
    {DocumentCol::Date, "日期", "doc_date", false, 11, 100},
    {DocumentCol::Time, "时间", "doc_time", false, 9, 80},
    {DocumentCol::Till, "收银台", "till", false, 12, 100},
    {DocumentCol::Operator, "操作员", "operator_name", false, 10, 100},
    {DocumentCol::Counterpart, "客户或厂商", "counterpart", false, 18, 200},
    {DocumentCol::Lines, "行数", "line_count", true, 6, 60},
    {DocumentCol::Total, "金额合计", "total_amount", true, 12, 100},
    {DocumentCol::Journal, "记录账本", "journal", false, 12, 100},
    {DocumentCol::FirstRow, "首行", "first_row", true, 8, 80},
    {DocumentCol::Identity, "标识", "identity", false, 38, 280},
    {DocumentCol::PaidCash, "现金", "paid_cash", true, 10, 80},
    {DocumentCol::PaidWeChat, "微信", "paid_wechat", true, 10, 80},
    {DocumentCol::PaidAlipay, "支付宝", "paid_alipay", true, 10, 80},
    {DocumentCol::PaidCard, "银行卡", "paid_card", true, 10, 80},
    {DocumentCol::OnAccount, "赊账", "on_account", true, 10, 80},
    {DocumentCol::Tendered, "实收", "tendered", true, 10, 80},
    {DocumentCol::Change, "找零", "change_given", true, 10, 80},
    {DocumentCol::Remark, "备注", "remark", false, 18, 160},
};

inline constexpr BookColumn kStocktakeColumns[] = {
    {StocktakeCol::ItemCode, "商品编号", "item_code", true, 10, 100},
    {StocktakeCol::ItemName, "商品名称", "item_name", false, 22, 260},
    {StocktakeCol::Unit, "单位", "unit", false, 6, 80},
    {StocktakeCol::BookQty, "账面数量", "book_qty", true, 10, 90},
    {StocktakeCol::CountedQty, "实盘数量", "counted_qty", true, 10, 90},
    {StocktakeCol::DiffQty, "差异数量", "diff_qty", true, 10, 90},
    {StocktakeCol::AvgCost, "库存均价", "avg_cost", true, 10, 90},
    {StocktakeCol::DiffAmount, "差异金额", "diff_amount", true, 12, 100},
    {StocktakeCol::CountDate, "盘点日期", "count_date", false, 11, 100},
    {StocktakeCol::Document, "单据号", "document", false, 16, 140},
};

// By the order of Book.
inline constexpr BookLayout kBookLayouts[] = {
    {Book::Inventory, "tvkucun.dat", "库存", "tvkucun.bak", "inventory", kInventoryColumns,
     InventoryCol::StockQty, InventoryCol::StockValue},
    {Book::StockIn, "tvruku.dat", "入库记录", "tvruku.bak", "stock_in", kStockInColumns,
     StockInCol::InAmount, 0},
    {Book::StockOut, "tvchuku.dat", "出库记录", "tvchuku.bak", "stock_out", kStockOutColumns,
     StockOutCol::OutAmount, 0},
    {Book::Report, "tvbaocun.dat", "报表", nullptr, nullptr, {}, 0, 0},
    {Book::Documents, "tvdanju.dat", "单据", "tvdanju.bak", "documents", kDocumentColumns,
     DocumentCol::Lines, DocumentCol::Total, true},
    {Book::Stocktake, "tvpandian.dat", "盘点记录", "tvpandian.bak", "stocktake", kStocktakeColumns,
     StocktakeCol::DiffAmount, StocktakeCol::DiffQty, true, StocktakeCol::Document},
};

constexpr const BookLayout& layoutOf(Book book) {
    return kBookLayouts[static_cast<std::size_t>(book)];
}

namespace detail {
constexpr bool layoutsInOrder() {
    for (std::size_t b = 0; b < std::size(kBookLayouts); ++b) {
        const BookLayout& layout = kBookLayouts[b];
        if (layout.book != static_cast<Book>(b))
            return false;
        if (layout.isData() != (layout.backupName != nullptr) ||
            (layout.isData() && !layout.madeWhenMissing &&
             std::ssize(layout.columns) != kBookColumns))
            return false;
        for (std::size_t c = 0; c < layout.columns.size(); ++c)
            if (layout.columns[c].number != static_cast<int>(c) + 1)
                return false;
    }
    return true;
}
}  // namespace detail
static_assert(detail::layoutsInOrder(),
              "a book's entry stands at its Book's place, its columns in order from 1");

inline constexpr std::array<Book, std::size(kBookLayouts)> kAllBooks = [] {
    std::array<Book, std::size(kBookLayouts)> books{};
    for (std::size_t b = 0; b < books.size(); ++b)
        books[b] = kBookLayouts[b].book;
    return books;
}();

// The books that hold the shop's data: every one but the report book.
inline constexpr std::size_t kDataBookCount =
    std::ranges::count_if(kBookLayouts, [](const BookLayout& l) { return l.isData(); });
inline constexpr std::array<Book, kDataBookCount> kDataBooks = [] {
    std::array<Book, kDataBookCount> books{};
    std::size_t n = 0;
    for (const BookLayout& layout : kBookLayouts)
        if (layout.isData())
            books[n++] = layout.book;
    return books;
}();

}  // namespace store
