#include "PrintTarget.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include "store/StoreError.h"

namespace store::print {

QString reserveNumberedFile(const QString& target, const QString& stem, const QString& suffix) {
    QDir dir(target);
    if (!dir.mkpath(QStringLiteral(".")))
        throw StoreError(
            QStringLiteral("无法建立打印文件夹：%1").arg(QDir::toNativeSeparators(target)));

    // Numbers only grow, so files that were taken away never get their names reused.
    const QRegularExpression pattern(
        QStringLiteral("^%1-(\\d+)\\.%2$")
            .arg(QRegularExpression::escape(stem), QRegularExpression::escape(suffix)));
    int next = 1;
    for (const QString& name :
         dir.entryList({QStringLiteral("%1-*.%2").arg(stem, suffix)}, QDir::Files)) {
        const auto m = pattern.match(name);
        if (m.hasMatch())
            next = std::max(next, m.captured(1).toInt() + 1);
    }
    // Creating the file exclusively claims the name against a print running beside us.
    for (int tries = 0; tries < 1000; ++tries, ++next) {
        QString path = dir.filePath(
            QStringLiteral("%1-%2.%3").arg(stem).arg(next, 3, 10, QLatin1Char('0')).arg(suffix));
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return path;
        if (!file.exists())
            break;
    }
    throw StoreError(
        QStringLiteral("无法在打印文件夹中建立文件：%1").arg(QDir::toNativeSeparators(target)));
}

FileGuard::~FileGuard() {
    if (!m_path.isEmpty())
        QFile::remove(m_path);
}

}  // namespace store::print
