#include "ledger/Documents.h"

#include <QFileInfo>

namespace ledger {

using namespace store::DocumentCol;

DocumentIndex DocumentIndex::read(store::BookPass& book) {
    DocumentIndex index;
    const int used = book.usedRowCount();
    index.m_records.reserve(used);
    for (int row = 2; row <= used; ++row) {
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
        const qsizetype at = index.m_records.size();
        if (journal == store::bookFileName(store::Book::StockIn)) {
            record.journal = store::Book::StockIn;
            index.m_stockIn[record.firstRow] = at;
        } else if (journal == store::bookFileName(store::Book::StockOut)) {
            index.m_stockOut[record.firstRow] = at;
        }
        index.m_byNumber.insert(record.number, at);
        index.m_byIdentity.insert(record.identity, at);
        index.m_records << record;
    }
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
    const auto& byFirst = journal == store::Book::StockIn ? m_stockIn : m_stockOut;
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

const DocumentRecord* DocumentIndex::withIdentity(const QString& identity) const {
    const auto it = m_byIdentity.constFind(identity);
    return it == m_byIdentity.constEnd() ? nullptr : &m_records[*it];
}

int DocumentIndex::lastSequence(Posting kind, QDate day) const {
    // The newest rows come last: a day's numbers are found at the bottom.
    int last = 0;
    for (qsizetype i = m_records.size() - 1; i >= 0; --i) {
        const DocumentRecord& record = m_records[i];
        if (record.kind == kind)
            last = std::max(last, sequenceOf(record.number, kind, day));
    }
    return last;
}

bool isReturnRecord(const DocumentRecord* document, const QString& remark) {
    if (document)
        return document->kind == Posting::GoodsReturn;
    return remark.trimmed() == QStringLiteral("退货");
}

}  // namespace ledger
