#include "ledger/Document.h"

#include <QHash>
#include <type_traits>

namespace ledger {

namespace {

struct KindText {
    Posting kind;
    const char* name;
    const char* prefix;
};
constexpr KindText kKinds[] = {
    {Posting::Purchase, "进货入库", "JH"},    {Posting::SupplierReturn, "退货出厂", "TC"},
    {Posting::Sale, "销售出库", "XS"},        {Posting::GoodsReturn, "退货返库", "TH"},
    {Posting::ShiftClose, "交班", "JB"},      {Posting::Stocktake, "盘点", "PD"},
    {Posting::CustomerPayment, "收款", "SK"}, {Posting::SupplierPayment, "付款", "FK"},
};

const KindText& textOf(Posting kind) {
    for (const KindText& k : kKinds)
        if (k.kind == kind)
            return k;
    return kKinds[0];
}

template <typename Line>
Document made(Posting kind, const QList<Line>& lines, const Origin& origin,
              const QString& counterpart) {
    Document document;
    document.kind = kind;
    document.identity = QUuid::createUuid();
    document.time = origin.time;
    document.till = origin.till;
    document.operatorName = origin.operatorName;
    document.counterpart = counterpart;
    if constexpr (std::is_same_v<Line, PurchaseLine>)
        document.purchaseLines = lines;
    else if constexpr (std::is_same_v<Line, CountLine>)
        document.countLines = lines;
    else
        document.saleLines = lines;
    return document;
}

}  // namespace

QString kindName(Posting kind) {
    return QString::fromUtf8(textOf(kind).name);
}

std::optional<Posting> kindNamed(const QString& name) {
    // Asked once a row by every reader of the documents book: the names are made once.
    static const QHash<QString, Posting> kinds = [] {
        QHash<QString, Posting> byName;
        for (const KindText& k : kKinds)
            byName.insert(QString::fromUtf8(k.name), k.kind);
        return byName;
    }();
    const auto found = kinds.constFind(name);
    return found == kinds.constEnd() ? std::nullopt : std::optional<Posting>(*found);
}

QString numberPrefix(Posting kind) {
    return QString::fromLatin1(textOf(kind).prefix);
}

QString numberHead(Posting kind, QDate day) {
    return numberPrefix(kind) + day.toString(QStringLiteral("yyyyMMdd")) + QLatin1Char('-');
}

QString documentNumber(Posting kind, QDate day, int sequence) {
    return numberHead(kind, day) + QStringLiteral("%1").arg(sequence, 4, 10, QLatin1Char('0'));
}

int sequenceOf(const QString& number, const QString& head) {
    if (!number.startsWith(head))
        return 0;
    bool ok = false;
    const int sequence = QStringView(number).mid(head.size()).toInt(&ok);
    return ok && sequence > 0 ? sequence : 0;
}

qsizetype Document::lineCount() const {
    return purchaseLines.size() + saleLines.size() + countLines.size();
}

bool Document::sameLines(const Document& other) const {
    // Money on an account has no lines: it is the same only when it is the same money, or a
    // second payment made after a lost answer would be taken for the first one.
    if (settlesAccount(kind) && (counterpart != other.counterpart || remark != other.remark ||
                                 payment.has_value() != other.payment.has_value() ||
                                 (payment && payment->amounts != other.payment->amounts)))
        return false;
    return kind == other.kind && purchaseLines == other.purchaseLines &&
           saleLines == other.saleLines && countLines == other.countLines;
}

QList<double> Document::codes() const {
    QList<double> codes;
    for (const PurchaseLine& line : purchaseLines)
        codes << line.code;
    for (const SaleLine& line : saleLines)
        codes << line.code;
    for (const CountLine& line : countLines)
        codes << line.code;
    return codes;
}

Document purchase(const QList<PurchaseLine>& lines, const Origin& origin) {
    return made(Posting::Purchase, lines, origin,
                lines.isEmpty() ? QString() : lines.first().supplier);
}

Document supplierReturn(const QList<PurchaseLine>& lines, const Origin& origin) {
    return made(Posting::SupplierReturn, lines, origin,
                lines.isEmpty() ? QString() : lines.first().supplier);
}

Document sale(const QList<SaleLine>& lines, const Origin& origin) {
    return made(Posting::Sale, lines, origin, lines.isEmpty() ? QString() : lines.first().customer);
}

Document goodsReturn(const QList<SaleLine>& lines, const Origin& origin) {
    return made(Posting::GoodsReturn, lines, origin,
                lines.isEmpty() ? QString() : lines.first().customer);
}

Document shiftClose(const Origin& origin) {
    return made(Posting::ShiftClose, QList<SaleLine>{}, origin, QString());
}

Document stocktake(const QList<CountLine>& lines, const Origin& origin) {
    return made(Posting::Stocktake, lines, origin, QString());
}

namespace {
Document settlement(Posting kind, const QString& counterpart, PayMethod method, double amount,
                    const QString& remark, const Origin& origin) {
    Document document = made(kind, QList<SaleLine>{}, origin, counterpart.trimmed());
    document.payment = Payment::of({{method, amount}}, method == PayMethod::Cash ? amount : 0);
    document.remark = remark;
    return document;
}
}  // namespace

Document customerPayment(const QString& customer, PayMethod method, double amount,
                         const QString& remark, const Origin& origin) {
    return settlement(Posting::CustomerPayment, customer, method, amount, remark, origin);
}

Document supplierPayment(const QString& supplier, PayMethod method, double amount,
                         const QString& remark, const Origin& origin) {
    return settlement(Posting::SupplierPayment, supplier, method, amount, remark, origin);
}

}  // namespace ledger
