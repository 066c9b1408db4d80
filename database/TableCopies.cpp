#include "database/TableCopies.h"

#include <sys/stat.h>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include "store/AtomicFile.h"
#include "store/StoreError.h"

namespace database {

namespace {

constexpr int kVersion = 1;
constexpr qint64 kMaxStateBytes = 4096;

// The file as it was when its state was written: a copy replaced, edited or restored
// since is not the one the state places.
QString fileMark(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return QStringLiteral("%1:%2:%3.%4")
        .arg(st.st_ino)
        .arg(st.st_size)
        .arg(st.st_mtim.tv_sec)
        .arg(st.st_mtim.tv_nsec);
}

// A whole number the state holds, or nothing: JSON's numbers are doubles, exact to 2^53.
std::optional<long long> whole(const QJsonObject& object, const char* key) {
    const QJsonValue value = object.value(QLatin1String(key));
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    if (number < -1 || number > 9007199254740992.0 || number != double((long long)number))
        return std::nullopt;
    return (long long)number;
}

}  // namespace

QString TableCopies::copyPath(store::Book book) const {
    return m_dir + QFileInfo(store::bookFileName(book)).completeBaseName() +
           QStringLiteral(".server.xlsx");
}

QString TableCopies::statePath(store::Book book) const {
    return m_dir + QFileInfo(store::bookFileName(book)).completeBaseName() +
           QStringLiteral(".server.state");
}

std::optional<TableCopies::Copy> TableCopies::load(store::Book book,
                                                   const QString& identity) const {
    QFile file(statePath(book));
    if (identity.isEmpty() || file.size() > kMaxStateBytes || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QJsonObject state = QJsonDocument::fromJson(file.readAll()).object();
    const auto version = whole(state, "version"), stamp = whole(state, "stamp"),
               lastSeq = whole(state, "lastSeq"), generation = whole(state, "generation"),
               rows = whole(state, "rows");
    if (version != kVersion || !stamp || !lastSeq || !generation || !rows || *rows > INT_MAX ||
        state.value(QLatin1String("identity")).toString() != identity ||
        state.value(QLatin1String("file")).toString() != fileMark(copyPath(book)))
        return std::nullopt;
    try {
        Copy copy{store::Workbook::open(copyPath(book)).detached(store::bookFileName(book)),
                  {identity, *stamp, *lastSeq, *generation, int(*rows)}};
        if (copy.sheet.usedRowCount() > copy.state.rows + 1)
            return std::nullopt;
        return copy;
    } catch (const store::StoreError&) {
        return std::nullopt;
    }
}

void TableCopies::save(store::Book book, store::Workbook& sheet, const CopyState& state) const {
    try {
        // The state goes first: a copy written without its state is no copy.
        QFile::remove(statePath(book));
        sheet.saveAs(copyPath(book));
        sheet = sheet.detached(store::bookFileName(book));
        // Read back as a book opens, its rows left packed: the memory of a table fetched
        // whole goes, and the next copy appends to this one instead of writing it whole.
        sheet = store::Workbook::open(copyPath(book)).detached(store::bookFileName(book));
        QJsonObject object;
        object.insert(QLatin1String("version"), kVersion);
        object.insert(QLatin1String("identity"), state.identity);
        object.insert(QLatin1String("stamp"), double(state.stamp));
        object.insert(QLatin1String("lastSeq"), double(state.lastSeq));
        object.insert(QLatin1String("generation"), double(state.generation));
        object.insert(QLatin1String("rows"), state.rows);
        object.insert(QLatin1String("file"), fileMark(copyPath(book)));
        store::writeFileAtomically(statePath(book), QJsonDocument(object).toJson());
    } catch (const store::StoreError&) {
    }
}

}  // namespace database
