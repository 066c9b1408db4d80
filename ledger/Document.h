#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QUuid>
#include <optional>

#include "ledger/Lines.h"
#include "ledger/Payment.h"
#include "store/BookLayout.h"

namespace ledger {

// The postings of the shop: goods in from the supplier and back to them, goods out to a
// customer and back from them, the end of a till's shift, which moves no goods but marks
// where the next shift report starts, and a stocktake, which sets the stock to what was
// counted. Money that settles an account moves no goods either: a payment received from a
// customer (收款) and one made to a supplier (付款). Each is the kind of a document.
enum class Posting {
    Purchase,
    SupplierReturn,
    Sale,
    GoodsReturn,
    ShiftClose,
    Stocktake,
    CustomerPayment,
    SupplierPayment
};

// Whether the document has lines that move stock and a journal they are written to.
inline bool movesStock(Posting kind) {
    return kind != Posting::ShiftClose && kind != Posting::CustomerPayment &&
           kind != Posting::SupplierPayment;
}
// Whether the document is money on an account and nothing else.
inline bool settlesAccount(Posting kind) {
    return kind == Posting::CustomerPayment || kind == Posting::SupplierPayment;
}

// The document's kind as the documents book writes it ("进货入库", "退货出厂", "销售出库",
// "退货返库", "交班", "盘点", "收款", "付款"), and back; none for a text that names no kind.
QString kindName(Posting kind);
std::optional<Posting> kindNamed(const QString& name);
// The two letters that start its numbers: "JH", "TC", "XS", "TH", "JB", "PD", "SK", "FK".
QString numberPrefix(Posting kind);
// "XS20261207-": what every number of that kind and day starts with.
QString numberHead(Posting kind, QDate day);
// "XS20261207-0001": the kind, the day, and the document's place among that day's of its
// kind, from 1.
QString documentNumber(Posting kind, QDate day, int sequence);
// The sequence of a number that starts with `head` (see numberHead), or 0 when `number`
// is not one.
int sequenceOf(const QString& number, const QString& head);

// Where and by whom a document is made: the till's name from the settings file (the
// machine's name by default) and its operator.
struct Origin {
    QString till;
    QString operatorName;
    QDateTime time;
};

// One posting as a value (单据): made whole by a window before anything is written, then
// committed through Ledger::commit. Its identity is fixed when it is made, so that a
// commit whose outcome was lost can be asked after, and a second press of the button on
// the same document finds it in the books instead of posting it twice. The number is
// given by the commit, under the lock that makes it unique.
struct Document {
    Posting kind = Posting::Sale;
    QUuid identity;
    QDateTime time;
    QString till;
    QString operatorName;
    QString counterpart;                // the customer or the supplier: the first line's
    QList<PurchaseLine> purchaseLines;  // a stock-in or a supplier return
    QList<SaleLine> saleLines;          // a sale or a customer return
    QList<CountLine> countLines;        // a stocktake
    // What the till took for a sale or paid back for a return, what a purchase left owing
    // or a supplier return took off the account, or the money of a 收款 or 付款; none where
    // nobody was asked (a posting made by a tool, a purchase paid in full, goods sent back
    // for cash).
    std::optional<Payment> payment;
    QString remark;  // a 收款's or 付款's note
    QString number;
    // Kept in the till's outbox, the server out of reach: on the server once it is sent.
    bool queued = false;

    qsizetype lineCount() const;
    // Whether `other` is of the same kind with the same lines: the same document to post,
    // whatever its identity.
    bool sameLines(const Document& other) const;
    // The item codes of the lines, which the commit locks on a database.
    QList<double> codes() const;
    QString identityText() const { return identity.toString(QUuid::WithoutBraces); }
};

// The builders of the postings (a stocktake's is in Stocktake.h).
Document purchase(const QList<PurchaseLine>& lines, const Origin& origin);
// Goods sent back to the supplier: the stock goes down at its unchanged average cost, and
// the stock-in journal gets the opposite entry, quantity and amount negative, so that its
// totals net the return against the purchase.
Document supplierReturn(const QList<PurchaseLine>& lines, const Origin& origin);
Document sale(const QList<SaleLine>& lines, const Origin& origin);
Document goodsReturn(const QList<SaleLine>& lines, const Origin& origin);
// The end of the shift of the origin's till and cashier.
Document shiftClose(const Origin& origin);
// Money received from a customer on their account (收款), or paid to a supplier on the
// shop's (付款), by one method. Cash is handed over exactly.
Document customerPayment(const QString& customer, PayMethod method, double amount,
                         const QString& remark, const Origin& origin);
Document supplierPayment(const QString& supplier, PayMethod method, double amount,
                         const QString& remark, const Origin& origin);

// One row of the documents book, read back.
struct DocumentRecord {
    QString number;
    std::optional<Posting> kind;  // none when the row names a kind this program does not know
    QString date, time, till, operatorName, counterpart;
    int lines = 0;
    double total = 0;
    store::Book journal = store::Book::StockOut;
    int firstRow = 0;  // the journal's row of its first line (2 for a journal's first record)
    QString identity;
    std::optional<Payment> payment;  // none when the row records none
    QString remark;

    bool holds(store::Book book, int row) const {
        return book == journal && row >= firstRow && row < firstRow + lines;
    }
};

}  // namespace ledger
