#include "ledger/Documents.h"

#include <QFileInfo>

namespace ledger {

using namespace store::DocumentCol;

DocumentIndex DocumentIndex::read(store::BookPass& book) {
    DocumentIndex index;
    index.m_records.reserve(book.usedRowCount());
    // One pass over the rows as they lie packed: a large book is never read into memory.
    QList<int> columns;
    for (const store::BookColumn& column : store::layoutOf(store::Book::Documents).columns)
        columns << column.number;
    QList<QString> journalNames;
    for (store::Book written : store::kDataBooks)
        journalNames << store::bookFileName(written);
    book.scanRows(columns, [&](int row) {
        const auto text = [&](int col) { return book.value(row, col).displayText(); };
        DocumentRecord record;
        record.number = text(Number);
        record.kind = kindNamed(text(Kind));
        record.date = text(Date);
        record.time = text(Time);
        record.till = text(Till);
        record.operatorName = text(Operator);
        record.counterpart = text(Counterpart);
        record.lines = int(book.number(row, Lines));
        record.total = book.number(row, Total);
        const QString journal = text(Journal);
        record.firstRow = int(book.number(row, FirstRow));
        record.identity = text(Identity);
        record.remark = text(Remark);
        // Read only where the row has one: a posting made before payments has none.
        if (!book.value(row, PaidCash).isEmpty()) {
            Payment payment;
            for (std::size_t m = 0; m < kPayMethods.size(); ++m)
                payment.amounts[m] = book.number(row, PaidCash + int(m));
            payment.tendered = book.number(row, Tendered);
            payment.change = book.number(row, Change);
            record.payment = payment;
        }
        const qsizetype at = index.m_records.size();
        for (std::size_t b = 0; b < std::size(store::kDataBooks); ++b) {
            if (journal == journalNames[qsizetype(b)]) {
                record.journal = store::kDataBooks[b];
                index.m_byJournal[std::size_t(record.journal)][record.firstRow] = at;
            }
        }
        index.m_byNumber.insert(record.number, at);
        index.m_records << std::move(record);
    });
    return index;
}

DocumentIndex DocumentIndex::load(const store::ServerFactory& servers, const QString& programDir,
                                  bool inDatabase) {
    const QString path = store::bookPath(programDir, store::Book::Documents);
    if (!inDatabase && !QFileInfo::exists(path))
        return {};
    store::BookPass book(servers, path);
    return read(book);
}

const DocumentRecord* DocumentIndex::at(store::Book journal, int row) const {
    const auto& byFirst = m_byJournal[std::size_t(journal)];
    auto it = byFirst.upper_bound(row);
    if (it == byFirst.begin())
        return nullptr;
    const DocumentRecord& record = m_records[std::prev(it)->second];
    return record.holds(journal, row) ? &record : nullptr;
}

const DocumentRecord* DocumentIndex::numbered(const QString& number) const {
    const auto it = m_byNumber.constFind(number);
    return it == m_byNumber.constEnd() ? nullptr : &m_records[*it];
}

Numbering numbering(store::BookPass& documents, const QString& identity, Posting kind, QDate day) {
    Numbering found;
    const QString head = numberHead(kind, day);
    // Two columns of every document: a scan, without reading the books' other cells.
    documents.scanColumns({Number, Identity}, [&](int, const store::ColumnValues& values) {
        const QString number = values.at(0).text;
        if (found.postedAs.isEmpty() && values.at(1).text == identity)
            found.postedAs = number;
        found.lastSequence = std::max(found.lastSequence, sequenceOf(number, head));
    });
    return found;
}

void addMissingCaptions(store::BookPass& documents) {
    for (const store::BookColumn& column : store::layoutOf(store::Book::Documents).columns)
        if (documents.value(1, column.number).isEmpty())
            documents->setCell(1, column.number,
                               store::CellValue::fromText(QString::fromUtf8(column.caption)));
}

bool isReturnRecord(const DocumentRecord* document, const QString& remark) {
    if (document)
        return document->kind == Posting::GoodsReturn;
    return remark.trimmed() == QStringLiteral("退货");
}

}  // namespace ledger
