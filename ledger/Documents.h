#pragma once

#include <QDate>
#include <QHash>
#include <QList>
#include <QString>
#include <array>
#include <map>

#include "ledger/Document.h"
#include "store/DataBooks.h"

namespace ledger {

// The documents book read once: the document a journal row belongs to, and a document by
// its number. A program folder from before
// the documents has none, and every row is then without one.
class DocumentIndex {
public:
    DocumentIndex() = default;
    // The rows of the documents book open in `book`.
    static DocumentIndex read(store::BookPass& book);
    // The documents book of the program folder through `servers`; empty when it is not
    // there yet.
    static DocumentIndex load(const store::ServerFactory& servers, const QString& programDir,
                              bool inDatabase);

    bool isEmpty() const { return m_records.isEmpty(); }
    qsizetype size() const { return m_records.size(); }
    // In the book's order.
    const QList<DocumentRecord>& records() const { return m_records; }
    const DocumentRecord* at(store::Book journal, int row) const;
    const DocumentRecord* numbered(const QString& number) const;

private:
    QList<DocumentRecord> m_records;
    QHash<QString, qsizetype> m_byNumber;
    // Of each journal, by store::Book: first row → record.
    std::array<std::map<int, qsizetype>, std::size(store::kBookLayouts)> m_byJournal;
};

// What a commit needs of the documents book, from two of its columns only (it runs with
// every posting): the number of the document of `identity` when that is in the book
// already, and the highest sequence given to `kind` on `day` (0 when none was).
struct Numbering {
    QString postedAs;
    int lastSequence = 0;
};
Numbering numbering(store::BookPass& documents, const QString& identity, Posting kind, QDate day);

// A documents book made before some of its columns were: their captions, written into
// row 1 where it has none, so that a spreadsheet program shows what the new cells are.
void addMissingCaptions(store::BookPass& documents);

// Whether a stock-out record is a customer's return: by its document where it has one,
// else by its remark being exactly "退货", which is what a return posting writes there. A
// remark that merely mentions returns ("七天可退货") leaves a sale a sale.
bool isReturnRecord(const DocumentRecord* document, const QString& remark);

}  // namespace ledger
