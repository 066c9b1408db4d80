#pragma once

#include <QDate>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QMutex>
#include <QString>
#include <QUuid>

#include "ledger/Document.h"

namespace ledger {

// The sales and customer returns a till on the database made while its server was out of
// reach, kept in the program folder until the server has each of them. The file only grows
// while documents wait: a record is written whole and flushed to disk before the sale is
// called done, and a document leaves it by a record of its own once the server confirmed
// it. A record a crash or a power cut tore is cut off when the file is opened, never read
// as garbage; what was cut is kept beside the file.
//
// The numbers of its documents come from ranges the server reserved for this till while it
// could be reached, so that they stay unique in the shop: a series of their own
// ("XS20261207-L0001"), whose unused numbers leave no gap in the day's ordinary ones. Without
// one left, a number of the till's own ("XS20261207-收银1-0001"). Safe to use from two
// threads.
class Outbox {
public:
    static QString fileName() { return QStringLiteral("tvlixian.outbox"); }

    explicit Outbox(const QString& programDir);
    ~Outbox();
    Outbox(const Outbox&) = delete;
    Outbox& operator=(const Outbox&) = delete;

    // Reads the file (none is an empty outbox) and, when there is one, holds it for this
    // program until it ends; else the first record does.
    // Returns what was cut off a torn end, in the shop keeper's words for a box; empty when
    // the file was whole. Throws store::StoreError for a file that is not an outbox, which
    // is left as it is, and for one another program holds.
    QString open();

    struct Entry {
        Document document;
        QString refusal;  // why the server refused it; empty while it waits to be sent
    };
    // The documents not yet on the server, in the order they were made.
    QList<Entry> entries() const;
    // How many of them wait to be sent (the refused ones wait for the shop keeper).
    int waiting() const;
    // Gives the document its number and keeps it: on disk when this returns.
    void add(Document& document);

    // A document the server now has (or had already): it leaves the outbox.
    void sent(const QUuid& identity);
    // The server refused it: it stays, with the reason, until the shop keeper acts.
    void refused(const QUuid& identity, const QString& reason);
    // The shop keeper corrected what the server refused: it waits to be sent again.
    void retry(const QUuid& identity);
    // The shop keeper gave it up, after a confirmation.
    void drop(const QUuid& identity);

    // What the numbers reserved for the documents of `kind` made offline on `day` start
    // with: "XS20261207-L".
    static QString reservedHead(Posting kind, QDate day) {
        return numberHead(kind, day) + QLatin1Char('L');
    }
    // The numbers of `head` (a reservedHead) the server reserved for this till, from `first`
    // to `last`, and how many of them are left.
    void reserve(const QString& head, int first, int last);
    int numbersLeft(const QString& head) const;

private:
    struct Range {
        int next = 0, last = -1;
    };
    void takeOwnership();
    void openForAppending();
    void append(const QByteArray& payload);
    // Appends the record and takes it in, as reading the file would; under the lock.
    void keep(const QJsonObject& object);
    void mark(const QString& type, const QUuid& identity, const QString& reason = {});
    void replay(const QByteArray& payload);
    void compactIfEmpty();
    QString numberFor(const Document& document);
    int indexOf(const QUuid& identity) const;

    QString m_path;
    mutable QMutex m_mutex;
    int m_fd = -1;
    int m_lockFd = -1;  // the flock that makes this program the outbox's only owner
    QList<Entry> m_entries;
    QHash<QString, Range> m_ranges;  // by head
    QHash<QString, int> m_ownLast;   // by the head of the till's own numbers
};

}  // namespace ledger
