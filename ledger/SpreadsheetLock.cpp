#include "ledger/SpreadsheetLock.h"

#include <pwd.h>
#include <unistd.h>

#include <QByteArrayList>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QSysInfo>
#include <QUrl>

namespace ledger {

namespace {

// One entry: author, system user, host, time, profile URL. Fields end at ',', the entry at
// ';', and a backslash lets either (or itself) stand inside a field.
std::optional<QStringList> parseLock(const QByteArray& bytes) {
    const QString text = QString::fromUtf8(bytes);
    QStringList fields{QString()};
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\\' && i + 1 < text.size())
            fields.back() += text[++i];
        else if (text[i] == u',')
            fields << QString();
        else if (text[i] == u';')
            return fields.size() >= 3 ? std::optional(fields) : std::nullopt;
        else
            fields.back() += text[i];
    }
    return std::nullopt;  // cut short: still being written, or not a lock at all
}

QUrl profileKey(const QString& url) {
    return QUrl(url).adjusted(QUrl::StripTrailingSlash | QUrl::NormalizePathSegments);
}

// The office writes the fully qualified name when the resolver knows one.
bool isThisHost(const QString& host) {
    const QString me = QSysInfo::machineHostName();
    return !me.isEmpty() && (host.compare(me, Qt::CaseInsensitive) == 0 ||
                             host.startsWith(me + u'.', Qt::CaseInsensitive));
}

QString systemUser() {
    static const QString name = [] {
        const passwd* pw = getpwuid(getuid());
        return pw ? QString::fromLocal8Bit(pw->pw_name) : QString();
    }();
    return name;
}

// Whether the process in `procDir` is an office that may be running on `profile` (empty when
// the lock does not say). Only a profile named on its command line rules it out: without one
// it runs on a default we cannot work out for it.
bool mayHoldProfile(const QString& procDir, const QUrl& profile) {
    QFile stat(procDir + QStringLiteral("/stat"));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray s = stat.readAll();
    // "pid (name) state ...", and the name may itself hold ") ".
    const qsizetype open = s.indexOf('('), close = s.lastIndexOf(')');
    if (open < 0 || close < open || close + 2 >= s.size())
        return false;
    static const QByteArrayList kOffice{"soffice.bin", "soffice", "oosplash"};
    if (!kOffice.contains(s.mid(open + 1, close - open - 1)))
        return false;
    if (s[close + 2] == 'Z' || s[close + 2] == 'X')
        return false;  // killed and not yet reaped: holds nothing
    QFile cmdline(procDir + QStringLiteral("/cmdline"));
    if (!cmdline.open(QIODevice::ReadOnly))
        return true;
    bool named = false;
    for (const QByteArray& arg : cmdline.readAll().split('\0')) {
        if (!arg.startsWith("-env:UserInstallation="))
            continue;
        const QString url = QString::fromUtf8(arg.mid(22));
        if (profile.isEmpty() || !url.startsWith(QLatin1String("file:")) || url.contains(u'$') ||
            profileKey(url) == profile)
            return true;
        named = true;
    }
    return !named;
}

// The lock names no process, so only an office of ours that is gone proves it stale. Another
// account's processes may be hidden from us, and another machine's always are.
bool isStale(const QStringList& fields) {
    if (!isThisHost(fields[2]) || fields[1] != systemUser() ||
        !QFile::exists(QStringLiteral("/proc/self/stat")))
        return false;
    const QUrl profile = fields.size() > 4 ? profileKey(fields[4]) : QUrl();
    const QDir proc(QStringLiteral("/proc"));
    for (const QString& pid : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (pid[0].isDigit() && mayHoldProfile(proc.filePath(pid), profile))
            return false;
    }
    return true;
}

std::optional<SpreadsheetHolder> holderBeside(const QFileInfo& book) {
    QFile lock(book.absolutePath() + QStringLiteral("/.~lock.") + book.fileName() + u'#');
    if (!lock.open(QIODevice::ReadOnly) && !lock.exists())
        return std::nullopt;
    // A lock we cannot make out still means someone may save over our posting.
    const std::optional<QStringList> fields =
        lock.isOpen() ? parseLock(lock.read(4096)) : std::nullopt;
    if (!fields)
        return SpreadsheetHolder{QStringLiteral("未知用户"), QString()};
    if (isStale(*fields))
        return std::nullopt;
    return SpreadsheetHolder{(*fields)[0].isEmpty() ? (*fields)[1] : (*fields)[0], (*fields)[2]};
}

}  // namespace

std::optional<SpreadsheetHolder> spreadsheetHolder(const QString& bookPath) {
    // The office puts its lock beside the name it opened: the book as the program folder
    // names it, or the file behind it when the book is a link (or a folder on the way is).
    const QFileInfo named(bookPath);
    if (auto holder = holderBeside(named))
        return holder;
    const QString real = named.canonicalFilePath();
    if (real.isEmpty() || real == named.absoluteFilePath())
        return std::nullopt;
    return holderBeside(QFileInfo(real));
}

}  // namespace ledger
