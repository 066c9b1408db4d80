#include "ledger/Ledger.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <list>

#include "database/Database.h"
#include "ledger/BookCommit.h"
#include "ledger/Documents.h"
#include "ledger/OfflineTill.h"
#include "ledger/SpreadsheetLock.h"
#include "ledger/WriterLock.h"
#include "store/AtomicFile.h"
#include "store/Numbers.h"
#include "store/Workbook.h"

namespace ledger {

using store::BookPass;
using store::CellValue;

namespace {

CellValue number(double value) {
    return CellValue::fromNumber(value);
}
CellValue text(const QString& value) {
    return CellValue::fromText(value);
}

void report(const ProgressFn& progress, const Progress& step) {
    if (progress)
        progress(step);
}

Progress bookStep(Progress::Stage stage, store::Book book, int percent = 0) {
    Progress step{stage};
    step.book = book;
    step.percent = percent;
    return step;
}

// A journal with no room below its last record for the lines: found before anything is
// written. A journal in the database must still fit a workbook, its backup.
void requireJournalRoom(int usedRows, qsizetype lines, Posting posting) {
    if (usedRows + lines > store::Workbook::kMaxRows) {
        throw store::StoreError(
            QStringLiteral("数据文件 %1 已满（工作表最多 %2 行），放不下这 %3 条%4")
                .arg(store::bookFileName(journalOf(posting)))
                .arg(store::Workbook::kMaxRows)
                .arg(lines)
                .arg(recordsOf(posting)));
    }
}

// An item's row by its code, for a document of many lines: what findItemByNumber finds,
// looked up once instead of a scan a line. A code cell that cannot be compared fails
// every lookup with the message that scan gives; a blank one does too, unless the caller
// passes over blank codes.
class ItemRows {
public:
    enum class Blank { Fails, PassedOver };
    ItemRows(BookPass& inventory, Blank blank) {
        const int used = inventory.usedRowCount();
        m_rows.reserve(used);
        for (int row = 2; row <= used && !m_unreadable; ++row) {
            const CellValue code = inventory.value(row, store::InventoryCol::ItemCode);
            if (code.isEmpty() && blank == Blank::PassedOver)
                continue;
            try {
                const double number = store::requireNumber(code);
                m_rows.insert(number == 0 ? 0.0 : number, row);
            } catch (const store::StoreError& e) {
                m_unreadable.emplace(
                    inventory.cellError(row, store::InventoryCol::ItemCode, e.message()));
            }
        }
    }
    int find(double code) const {
        if (m_unreadable)
            throw *m_unreadable;
        return m_rows.value(code == 0 ? 0.0 : code);
    }
    // A line appended the item in `row`.
    void add(double code, int row) { m_rows.insert(code == 0 ? 0.0 : code, row); }

private:
    QHash<double, int> m_rows;  // the last row of each code
    std::optional<store::StoreError> m_unreadable;
};

// One item's stock after a purchase line: the moving average of what was there and what
// came in.
void applyPurchase(BookPass& book, ItemRows& items, const PurchaseLine& line) {
    using namespace store::InventoryCol;
    const CellValue name = text(line.name), unit = text(line.unit);
    const CellValue supplier = text(line.supplier), remark = text(line.remark);
    const CellValue salePrice = number(line.salePrice), alertQty = number(line.alertQty);
    // A code that an earlier line appended is found.
    const int found = items.find(line.code);
    if (!found) {
        const int row = book.usedRowCount() + 1;
        book.writeRow(row, {number(line.code), name, unit, number(line.qty), number(line.price),
                            number(line.amount), salePrice, supplier, alertQty, remark});
        items.add(line.code, row);
        return;
    }
    const double before = book.requireNumber(found, StockQty);
    const double qty = store::sumForBook(before + line.qty);
    if (qty == 0)
        throw store::StoreError(QStringLiteral("入库后库存数量为 0，无法计算库存均价"));
    double cost, value;
    if (before <= 0 && line.qty > 0) {
        // Stock back from nothing or below: what the shop owed in goods says nothing of
        // their cost, so the line's own price becomes the average.
        cost = store::moneyForBook(line.amount / line.qty);
        value = store::moneyForBook(qty * cost);
    } else {
        value = store::sumForBook(line.amount + book.requireNumber(found, StockValue));
        cost = store::moneyForBook(value / qty);
    }
    book.writeRow(found, {number(line.code), name, unit, number(qty), number(cost), number(value),
                          salePrice, supplier, alertQty, remark});
}

// Moves an item's stock by `delta` at its unchanged average cost, its value following the
// quantity in cents, and returns that cost.
double moveStock(BookPass& inventory, int row, double delta) {
    using namespace store::InventoryCol;
    const double qty = store::sumForBook(inventory.requireNumber(row, StockQty) + delta);
    const double cost = inventory.requireNumber(row, AvgCost);
    inventory->setCell(row, StockQty, number(qty));
    inventory->setCell(row, StockValue, number(store::moneyForBook(qty * cost)));
    return cost;
}

// The line's item, or a refusal naming the line when the inventory has none.
template <typename Line>
int requireItem(const ItemRows& items, const Line& line, const QString& missing) {
    const int row = onLine(line, [&] { return items.find(line.code); });
    if (!row)
        throw Refusal(lineError(line, missing).message());
    return row;
}

using Records = QList<QList<CellValue>>;

Records applyPurchases(BookPass& inventory, const Document& document, const ProgressFn& progress) {
    const bool isReturn = document.kind == Posting::SupplierReturn;
    ItemRows items(inventory, ItemRows::Blank::Fails);
    Records records;
    for (const PurchaseLine& line : document.purchaseLines) {
        if (!isReturn) {
            onLine(line, [&] { applyPurchase(inventory, items, line); });
            records << QList<CellValue>{
                number(line.code),  text(line.name),     text(line.unit),      number(line.qty),
                number(line.price), number(line.amount), number(line.avgCost), text(line.supplier),
                text(line.date),    text(line.remark)};
        } else {
            const int row = requireItem(items, line, QStringLiteral("无此货物没法退货出厂"));
            const double cost =
                onLine(line, [&] { return moveStock(inventory, row, 0.0 - line.qty); });
            // Subtracted from zero, so that a line of nothing reads 0 and not -0.
            records << QList<CellValue>{number(line.code),  text(line.name),
                                        text(line.unit),    number(0.0 - line.qty),
                                        number(line.price), number(0.0 - line.amount),
                                        number(cost),       text(line.supplier),
                                        text(line.date),    text(QStringLiteral("退货出厂"))};
        }
        report(progress, {Progress::LineApplied, line.row});
    }
    return records;
}

Records applySales(BookPass& inventory, const Document& document, const ProgressFn& progress) {
    using namespace store::InventoryCol;
    const bool isReturn = document.kind == Posting::GoodsReturn;
    const int sign = isReturn ? +1 : -1;
    const ItemRows items(inventory, ItemRows::Blank::Fails);
    Records records;
    for (const SaleLine& line : document.saleLines) {
        const int row = requireItem(
            items, line,
            isReturn ? QStringLiteral("无此货物没法退货") : QStringLiteral("无此货物没法出库"));
        // The record keeps the cost the stock moved at, read under the lock: the one the
        // window showed may be stale by now, when another till has stocked the item since.
        const double cost = onLine(line, [&] {
            const double moved = moveStock(inventory, row, sign * line.qty);
            if (isReturn)
                inventory->setCell(row, Remark,
                                   text(line.date + QStringLiteral("退") + line.qtyText));
            return moved;
        });
        // A return still writes "退货" as its remark, which older copies of the program
        // read it by; the line's own remark is dropped.
        records << QList<CellValue>{
            number(line.code),  text(line.name),
            text(line.unit),    number(line.qty),
            number(line.price), number(line.amount),
            number(cost),       text(line.customer),
            text(line.date),    text(isReturn ? QStringLiteral("退货") : line.remark)};
        report(progress, {Progress::LineApplied, line.row});
    }
    return records;
}

// A stocktake: each counted item moved by what was found more or less than the book
// quantity the count was taken against. Moved, not set: what the till sold or received
// while the staff counted stays in the stock.
Records applyCounts(BookPass& inventory, const Document& document, const ProgressFn& progress) {
    using store::moneyForBook;
    const ItemRows items(inventory, ItemRows::Blank::PassedOver);
    Records records;
    records.reserve(document.countLines.size());
    for (const CountLine& line : document.countLines) {
        const int row = onLine(line, [&] { return items.find(line.code); });
        if (!row)
            throw Refusal(
                lineError(line, QStringLiteral("库存中没有这种商品，不能盘点")).message());
        const double difference = store::sumForBook(line.difference());
        const double cost = onLine(line, [&] { return moveStock(inventory, row, difference); });
        records << QList<CellValue>{number(line.code),    text(line.name),
                                    text(line.unit),      number(line.bookQty),
                                    number(line.counted), number(difference),
                                    number(cost),         number(moneyForBook(difference * cost)),
                                    text(line.date),      CellValue()};
        report(progress, {Progress::LineApplied, line.row});
    }
    return records;
}

// What the records come to, as the documents book totals them: the amounts of their
// journal's check sum (a purchase's or a sale's amounts, a count's difference in value).
double recordsTotal(const Records& records, Posting kind) {
    const int amount = store::layoutOf(journalOf(kind)).checkSum;
    double total = 0;
    for (const QList<CellValue>& record : records)
        total += record[amount - 1].number;
    return store::sumForBook(total);
}

// The document's lines applied to the inventory, and the journal records they make. A
// payment that does not settle the lines is refused here, whichever window or tool made
// it: the shift report adds payments up and must find what the journal says.
Records applyDocument(BookPass& inventory, const Document& document, const ProgressFn& progress) {
    const store::Book journal = journalOf(document.kind);
    Records records =
        journal == store::Book::StockIn    ? applyPurchases(inventory, document, progress)
        : journal == store::Book::StockOut ? applySales(inventory, document, progress)
                                           : applyCounts(inventory, document, progress);
    if (document.payment) {
        // Goods sent back to the supplier are written as negative amounts; what comes back
        // for them is not.
        const double total = recordsTotal(records, document.kind);
        const QString problem = paymentProblem(
            *document.payment, document.kind == Posting::SupplierReturn ? 0.0 - total : total);
        if (!problem.isEmpty())
            throw Refusal(problem + QStringLiteral("，这次没有%1").arg(verbOf(document.kind)));
    }
    return records;
}

QList<CellValue> paymentCells(const std::optional<Payment>& payment) {
    static_assert(store::DocumentCol::Tendered - store::DocumentCol::PaidCash ==
                  std::ssize(kPayMethods));
    QList<CellValue> cells;
    if (!payment) {
        cells.resize(int(kPayMethods.size()) + 2);
        return cells;
    }
    for (const double part : payment->amounts)
        cells << number(part);
    return cells << number(payment->tendered) << number(payment->change);
}

// The document's row in the documents book; its records start at `firstRow` of its journal.
// A document that moves no stock names no journal.
QList<CellValue> documentRow(const Document& document, const Records& records, int firstRow) {
    const bool moves = movesStock(document.kind);
    return QList<CellValue>{text(document.number),
                            text(kindName(document.kind)),
                            text(document.time.date().toString(QStringLiteral("yyyy-MM-dd"))),
                            text(document.time.time().toString(QStringLiteral("HH:mm:ss"))),
                            text(document.till),
                            text(document.operatorName),
                            text(document.counterpart),
                            number(double(records.size())),
                            number(settlesAccount(document.kind) && document.payment
                                       ? store::roundMoney(document.payment->total())
                                       : recordsTotal(records, document.kind)),
                            text(moves ? store::bookFileName(journalOf(document.kind)) : QString()),
                            moves ? number(firstRow) : CellValue(),
                            text(document.identityText())} +
           paymentCells(document.payment) + QList<CellValue>{text(document.remark)};
}

// What makes a document wrong whatever the books hold, found before anything is read. Money
// on account belongs to one named customer or supplier; a 收款 or 付款 is money, more than
// nothing, paid by a method that is not the account itself.
void requireSound(const Document& document) {
    const bool customers = document.kind == Posting::Sale ||
                           document.kind == Posting::GoodsReturn ||
                           document.kind == Posting::CustomerPayment;
    const QString whose = customers ? QStringLiteral("客户") : QStringLiteral("供货厂商");
    if (settlesAccount(document.kind)) {
        const double amount = document.payment ? document.payment->total() : 0;
        if (document.counterpart.trimmed().isEmpty())
            throw Refusal(QStringLiteral("请填写%1名称").arg(whose));
        if (!document.payment || !std::isfinite(amount) || amount < 0)
            throw Refusal(QStringLiteral("%1金额不能是负数").arg(kindName(document.kind)));
        if (store::roundMoney(amount) == 0)
            throw Refusal(QStringLiteral("%1金额必须大于 0").arg(kindName(document.kind)));
        if (document.payment->amount(PayMethod::OnAccount) != 0)
            throw Refusal(QStringLiteral("%1不能用“赊账”方式").arg(kindName(document.kind)));
        return;
    }
    if (!document.payment || document.payment->amount(PayMethod::OnAccount) == 0)
        return;
    const QString onAccount =
        customers ? QStringLiteral("赊账") : QStringLiteral("记入应付账款（未付或冲账）");
    if (document.counterpart.trimmed().isEmpty())
        throw Refusal(QStringLiteral("%1的单据必须写明%2名称").arg(onAccount, whose));
    const auto sameCounterpart = [&](const auto& line, const QString& name) {
        if (name.trimmed() != document.counterpart.trimmed())
            throw Refusal(QStringLiteral("%1的单据只能有一位%2：第 %3 行是“%4”，第 1 行是“%5”")
                              .arg(onAccount, whose)
                              .arg(line.row)
                              .arg(name, document.counterpart));
    };
    for (const SaleLine& line : document.saleLines)
        sameCounterpart(line, line.customer);
    for (const PurchaseLine& line : document.purchaseLines)
        sameCounterpart(line, line.supplier);
}

// A document made without a time or an identity gets them now, before anything is written.
void complete(Document& document) {
    if (!document.time.isValid())
        document.time = QDateTime::currentDateTime();
    if (document.identity.isNull())
        document.identity = QUuid::createUuid();
}

}  // namespace

AlreadyPosted::AlreadyPosted(QString number)
    : store::StoreError(
          QStringLiteral("这张单据已经入账（单据号 %1），这次没有再次入账。").arg(number)),
      m_number(std::move(number)) {}

QString verbOf(Posting posting) {
    switch (posting) {
        case Posting::Purchase:
            return QStringLiteral("入库");
        case Posting::SupplierReturn:
            return QStringLiteral("退货出厂");
        case Posting::Sale:
            return QStringLiteral("出库");
        case Posting::GoodsReturn:
            return QStringLiteral("退货返库");
        case Posting::Stocktake:
            return QStringLiteral("盘点入账");
        case Posting::CustomerPayment:
            return QStringLiteral("收款");
        case Posting::SupplierPayment:
            return QStringLiteral("付款");
        case Posting::ShiftClose:
            break;
    }
    return QStringLiteral("交班");
}

store::Book journalOf(Posting posting) {
    if (posting == Posting::Stocktake)
        return store::Book::Stocktake;
    return posting == Posting::Purchase || posting == Posting::SupplierReturn
               ? store::Book::StockIn
               : store::Book::StockOut;
}

store::ReadProgressScope readingOf(store::Book book, const ProgressFn& progress) {
    return store::ReadProgressScope([book, progress](int percent) {
        report(progress, bookStep(Progress::Reading, book, percent));
    });
}

QString recordsOf(Posting posting) {
    switch (journalOf(posting)) {
        case store::Book::StockIn:
            return QStringLiteral("入库记录");
        case store::Book::Stocktake:
            return QStringLiteral("盘点记录");
        default:
            return QStringLiteral("出库记录");
    }
}

Ledger::Ledger(QString programDir, store::ServerFactory servers,
               std::shared_ptr<database::Database> database, std::shared_ptr<OfflineTill> offline)
    : m_dir(std::move(programDir)),
      m_servers(std::move(servers)),
      m_database(std::move(database)),
      m_offline(m_database ? std::move(offline) : nullptr) {}

QString Ledger::unwritableBook(std::initializer_list<store::Book> books) const {
    if (m_database)
        return {};
    for (store::Book book : books) {
        const QString path = store::bookPath(m_dir, book);
        // The first posting that needs it makes it.
        if (!QFileInfo::exists(path) && store::layoutOf(book).madeWhenMissing)
            continue;
        if (!QFileInfo::exists(path))
            return QStringLiteral("找不到数据文件 %1").arg(store::bookFileName(book));
        if (store::onReadOnlyFileSystem(QFile::encodeName(path).toStdString()))
            return QStringLiteral("数据文件 %1 所在的磁盘（文件系统）是只读的，不能保存")
                .arg(store::bookFileName(book));
        if (store::isReadOnlyFile(path))
            return QStringLiteral("数据文件 %1 是只读文件，不能保存")
                .arg(store::bookFileName(book));
    }
    return {};
}

// A record may also be a backup's, which the database engine's tills write too.
QString Ledger::recover() const {
    WriterLock lock(m_dir);
    return recoverCommit(m_dir);
}

QString Ledger::recoverIfIdle() const {
    if (!commitPending(m_dir))
        return {};
    const auto lock = WriterLock::ifFree(m_dir);
    return lock ? recoverCommit(m_dir) : QString();
}

void Ledger::discardCommitRecord() const {
    WriterLock lock(m_dir);
    ledger::discardCommitRecord(m_dir);
}

QString Ledger::commit(Document& document, const ProgressFn& progress) {
    complete(document);
    requireSound(document);
    if (m_offline)
        return commitOrKeep(document, progress);
    if (m_database)
        return commitToDatabase(document, progress);
    return commitToFiles(document, progress);
}

QString Ledger::commitOrKeep(Document& document, const ProgressFn& progress) {
    const bool sells = document.kind == Posting::Sale || document.kind == Posting::GoodsReturn;
    const auto keep = [&] {
        document.number.clear();
        m_offline->queue(document);
        document.queued = true;
        return QString();
    };
    // Behind documents that wait, a sale waits too: the server takes them in order.
    if (sells && (m_offline->isOffline() || m_offline->outbox().waiting() > 0))
        return keep();
    const QString offlineOnly = QStringLiteral(
        "这台收银机现在连不上数据库服务器（离线）。离线时只能销售出库和退货返库；%1要在服务器上"
        "计算库存均价或核对账目，必须等联机后再做。");
    // Anything else comes after the sales waiting to be sent, once the sender has sent them.
    if (!sells && m_offline->outbox().waiting() > 0) {
        if (m_offline->isOffline())
            throw Refusal(offlineOnly.arg(verbOf(document.kind)));
        if (!m_offline->drain(std::chrono::seconds(30)))
            throw Refusal(QStringLiteral("还有 %1 张离线单据没有上传到服务器，它们要在这次%2之前"
                                         "入账：请稍后再试。")
                              .arg(m_offline->outbox().waiting())
                              .arg(verbOf(document.kind)));
    }
    try {
        return commitToDatabase(document, progress);
    } catch (const database::ConnectionLost& lost) {
        // A wait the cashier gave up, or one the server ended, is not the server gone: the
        // posting had no effect, as the box says.
        using Cause = database::ConnectionLost::Cause;
        if (lost.cause() == Cause::Cancelled || lost.cause() == Cause::IdleTooLong)
            throw;
        m_offline->setOffline(true);
        if (!sells)
            throw Refusal(offlineOnly.arg(verbOf(document.kind)) + QStringLiteral("\n") +
                          lost.message());
        return keep();
    } catch (const OutcomeUnknown&) {
        // Kept under its identity, it is posted once at most, whichever way this one went.
        if (!sells)
            throw;
        m_offline->setOffline(true);
        return keep();
    }
}

QString Ledger::commitToDatabase(Document& document, const ProgressFn& progress) {
    const Posting kind = document.kind;
    const qsizetype lines = document.lineCount();
    database::Database::Counts counts;
    try {
        counts = m_database->post(
            journalOf(kind), document.codes(), document.identityText(), [&](auto& books) {
                report(progress, {Progress::Opened});
                const Records records = movesStock(kind)
                                            ? applyDocument(books.inventory(), document, progress)
                                            : Records{};
                const int before = books.records();
                requireJournalRoom(before + 1, lines, kind);
                // A document made offline comes with the number it was given then.
                if (document.number.isEmpty())
                    books.numberAtCommit(numberHead(kind, document.time.date()));
                report(progress, {Progress::LinesApplied, 0, books.items(), before});
                for (const QList<CellValue>& record : records)
                    books.append(record);
                books.setDocument(documentRow(document, records, before + 2));
                report(progress, {Progress::Committing});
            });
    } catch (const database::CommitUnconfirmed& unconfirmed) {
        // The number is the one the lost commit gave: the books hold it or none.
        if (!unconfirmed.number().isEmpty())
            document.number = unconfirmed.number();
        throw OutcomeUnknown(
            QStringLiteral("连接在提交时断开，重新连接也没有成功，无法确定这张单据是否已经入账"
                           "（%1）。\n数据库恢复后请%2；再次提交同样的内容，"
                           "已经入账的单据不会重复入账。")
                .arg(unconfirmed.reason(),
                     document.number.isEmpty()
                         ? QStringLiteral("查看这台收银机最近的单据")
                         : QStringLiteral("查找单据号 %1").arg(document.number)));
    }
    if (!counts.alreadyPosted.isEmpty())
        throw AlreadyPosted(counts.alreadyPosted);
    if (!counts.number.isEmpty())
        document.number = counts.number;
    QString note;
    if (!counts.confirmed.isEmpty()) {
        document.number = counts.confirmed;
        note = QStringLiteral("连接在提交时断开；重新连接后查明这张单据已经入账（单据号 %1）。")
                   .arg(document.number);
    }
    if (counts.cancelled) {
        note = QStringLiteral("取消得太晚：这张单据已经提交给数据库服务器，已经入账（单据号 %1）。")
                   .arg(document.number);
    }
    report(progress, {Progress::Committed, 0, counts.items, counts.records});
    return note;
}

QString Ledger::commitToFiles(Document& document, const ProgressFn& progress) {
    const Posting kind = document.kind;
    const qsizetype lines = document.lineCount();
    const store::Book journalBook = journalOf(kind);
    const bool moves = movesStock(kind);
    // A folder that cannot be written takes neither the lock nor a new book: said in the
    // words a failed save of the first book would use.
    const QFileInfo first(store::bookPath(m_dir, store::Book::Inventory));
    if (::access(QFile::encodeName(first.absolutePath()).constData(), W_OK) != 0) {
        throw store::StoreError(QStringLiteral("工作簿 %1：无法在文件夹 %2 中写入：%3")
                                    .arg(first.fileName(), first.absolutePath(),
                                         QString::fromStdString(store::systemErrorText(errno))));
    }
    WriterLock lock(m_dir);
    QString recovered;
    try {
        recovered = recoverCommit(m_dir);
    } catch (const UnsettledCommit& earlier) {
        throw UnsettledCommit(
            earlier.message() + QStringLiteral("\n这次没有%1任何数据。").arg(verbOf(kind)),
            UnsettledCommit::Outcome::Waits, earlier.mayDiscardRecord());
    }
    QString note;
    try {
        const QString documentsPath = store::bookPath(m_dir, store::Book::Documents);
        // Checked again under the lock: the books may have changed since the window looked.
        for (store::Book book : {store::Book::Inventory, journalBook, store::Book::Documents}) {
            if (book != store::Book::Documents && !moves)
                continue;
            const QString problem = unwritableBook({book});
            if (!problem.isEmpty())
                throw Refusal(problem);
            // The spreadsheet program would save its own copy over the posting later.
            if (const auto holder = spreadsheetHolder(store::bookPath(m_dir, book))) {
                throw Refusal(
                    QStringLiteral("数据文件 %1 正在被 %2（主机 %3）用电子表格程序打开，"
                                   "请先在那里关闭它")
                        .arg(store::bookFileName(book), holder->user,
                             holder->host.isEmpty() ? QStringLiteral("未知") : holder->host));
            }
        }
        // A book that the folder does not have yet (it came with a later version) is made by
        // the first posting that writes it.
        std::list<store::Workbook> fresh;
        const auto open = [&](std::optional<BookPass>& pass, store::Book book) {
            const QString path = store::bookPath(m_dir, book);
            const auto reading = readingOf(book, progress);
            if (QFileInfo::exists(path) || !store::layoutOf(book).madeWhenMissing)
                pass.emplace(m_servers, path);
            else
                pass.emplace(store::serverOn(fresh.emplace_back(store::initialBook(book))), path);
            // Every line looks its item up in the whole inventory, which is read here, while
            // the reading is told; of the journal only its last records are.
            if (book == store::Book::Inventory)
                pass->value(std::max(2, pass->usedRowCount() / 2), store::InventoryCol::ItemCode);
            report(progress, bookStep(Progress::Reading, book, 100));
        };
        // A document that moves no stock leaves the inventory and the journals unread.
        std::optional<BookPass> inventory, journal, documentsPass;
        if (moves) {
            open(inventory, store::Book::Inventory);
            open(journal, journalBook);
        }
        open(documentsPass, store::Book::Documents);
        BookPass& documents = *documentsPass;
        const QDate day = document.time.date();
        const Numbering numbers = numbering(documents, document.identityText(), kind, day);
        if (!numbers.postedAs.isEmpty())
            throw AlreadyPosted(numbers.postedAs);
        const int before = journal ? journal->usedRowCount() : 1;
        const int items = inventory ? inventory->usedRowCount() - 1 : 0;
        requireJournalRoom(before, lines, kind);
        report(progress, {Progress::Opened});
        Records records = moves ? applyDocument(*inventory, document, progress) : Records{};
        document.number = documentNumber(kind, day, numbers.lastSequence + 1);
        report(progress, {Progress::LinesApplied, 0, items, before - 1});
        const int documentColumn = store::layoutOf(journalBook).documentColumn;
        for (qsizetype i = 0; i < records.size(); ++i) {
            if (documentColumn)
                records[i][documentColumn - 1] = text(document.number);
            journal->writeRow(before + int(i) + 1, records[i]);
        }
        addMissingCaptions(documents);
        documents.writeRow(documents.usedRowCount() + 1,
                           documentRow(document, records, before + 1));
        QList<NewVersion> replaced;
        const auto newVersion = [&](store::Book book, BookPass& pass) {
            return NewVersion{store::bookPath(m_dir, book), [&, book](const QString& scratch) {
                                  report(progress, bookStep(Progress::Saving, book));
                                  pass->saveAs(scratch);
                                  // The documents book is written last.
                                  if (book == store::Book::Documents)
                                      report(progress, {Progress::Committing});
                              }};
        };
        const QString inventoryPath = store::bookPath(m_dir, store::Book::Inventory);
        const QString journalPath = store::bookPath(m_dir, journalBook);
        if (moves)
            replaced << newVersion(store::Book::Inventory, *inventory)
                     << newVersion(journalBook, *journal);
        replaced << newVersion(store::Book::Documents, documents);
        note =
            commitFiles(m_dir, QStringLiteral("%1 %2 行").arg(verbOf(kind)).arg(lines), replaced);
        if (moves) {
            (*inventory)->savedCopyMovedTo(inventoryPath);
            (*journal)->savedCopyMovedTo(journalPath);
        }
        documents->savedCopyMovedTo(documentsPath);
        report(progress, {Progress::Committed, 0, inventory ? inventory->usedRowCount() - 1 : 0,
                          journal ? journal->usedRowCount() - 1 : 0});
    } catch (const UnsettledCommit& failure) {
        if (recovered.isEmpty())
            throw;
        throw UnsettledCommit(recovered + QStringLiteral("\n\n") + failure.message(),
                              failure.outcome(), failure.mayDiscardRecord());
    } catch (const Refusal& failure) {
        if (recovered.isEmpty())
            throw;
        // What the recovery did is told once, even when the posting then stops.
        throw Refusal(recovered + QStringLiteral("\n\n") + failure.message());
    } catch (const AlreadyPosted&) {
        throw;
    } catch (const store::ServerUnavailable&) {
        throw;
    } catch (const store::StoreError& failure) {
        if (recovered.isEmpty())
            throw;
        throw store::StoreError(recovered + QStringLiteral("\n\n") + failure.message());
    }
    return recovered.isEmpty() || note.isEmpty() ? recovered + note
                                                 : recovered + QStringLiteral("\n\n") + note;
}

}  // namespace ledger
