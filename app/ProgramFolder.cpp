#include "app/ProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <optional>

#include "app/SettingsFile.h"
#include "store/DataBooks.h"
#include "store/StoreError.h"

namespace app {

namespace {

using store::StoreError;

QString withSeparator(const QString& dir) {
    return QDir::cleanPath(QFileInfo(dir).absoluteFilePath()) + QLatin1Char('/');
}

// The value of --dir, if the option is given.
std::optional<QString> folderArgument(const QStringList& arguments) {
    const QString option = QStringLiteral("--dir");
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& word = arguments[i];
        std::optional<QString> value;
        if (word.startsWith(option + QLatin1Char('=')))
            value = word.mid(option.size() + 1);
        else if (word == option)
            value = i + 1 < arguments.size() ? arguments[i + 1] : QString();
        if (value && value->isEmpty())
            throw StoreError(QStringLiteral("命令行的 --dir 后面缺少数据文件夹的路径。"));
        if (value)
            return value;
    }
    return std::nullopt;
}

// The documents folder is made whole or not at all: the books are written into a hidden
// folder beside it, which takes the folder's name only once all of them are there. A start
// that fails half way leaves no folder that a later start would take for a shop's books.
void makeDocumentsFolder(const QString& documentsDir, const QString& target) {
    const auto failed = [&](const QString& why) {
        return StoreError(
            QStringLiteral("无法在文档文件夹中建立数据文件夹 %1：%2").arg(target, why));
    };
    if (!QDir().mkpath(documentsDir))
        throw failed(QStringLiteral("文档文件夹 %1 无法建立").arg(documentsDir));
    QTemporaryDir fresh(
        QDir(documentsDir).filePath(QStringLiteral(".%1-XXXXXX").arg(kDocumentsFolderName)));
    if (!fresh.isValid())
        throw failed(fresh.errorString());
    // A temporary folder is private to its owner; the shop's folder is an ordinary one.
    QFile::setPermissions(fresh.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                            QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther |
                                            QFile::ExeOther);
    try {
        store::writeInitialBooks(fresh.path());
    } catch (const StoreError& e) {
        throw failed(e.message());
    }
    if (!QDir().rename(fresh.path(), target)) {
        // Another copy of the program starting at the same moment may have made it first.
        if (QFileInfo(target).isDir())
            return;
        throw failed(QStringLiteral("无法改名"));
    }
    fresh.setAutoRemove(false);
}

}  // namespace

ProgramFolder chooseProgramFolder(const QStringList& arguments, const QString& executableDir,
                                  const QString& documentsDir) {
    if (const std::optional<QString> given = folderArgument(arguments)) {
        if (!QFileInfo(*given).isDir())
            throw StoreError(QStringLiteral("命令行指定的数据文件夹 %1 不存在。").arg(*given));
        return {withSeparator(*given), false};
    }
    // A till whose books moved to a database server keeps only its settings file there.
    const QString beside = withSeparator(executableDir);
    if (QFileInfo::exists(store::bookPath(beside, store::Book::Inventory)) ||
        QFileInfo::exists(beside + SettingsFile::kFileName))
        return {beside, false};

    if (documentsDir.isEmpty())
        throw StoreError(QStringLiteral("找不到用户的文档文件夹，请用 --dir 指定数据文件夹。"));
    const QString target = QDir(documentsDir).filePath(kDocumentsFolderName);
    const QFileInfo info(target);
    if (info.isDir())
        return {withSeparator(target), false};
    if (info.exists())
        throw StoreError(QStringLiteral("%1 不是文件夹，不能存放数据文件。").arg(target));
    makeDocumentsFolder(documentsDir, target);
    return {withSeparator(target), true};
}

QString firstStartMessage(const ProgramFolder& folder) {
    return QStringLiteral(
               "欢迎使用Tavelo进销存！\n\n已在您的文档中建立数据文件夹：\n%1\n\n"
               "库存、入库、出库和报表四个数据文件都在这里，设置和备份也保存在这里。"
               "备份数据时，关闭程序后复制这个文件夹即可。")
        .arg(QDir::toNativeSeparators(QDir::cleanPath(folder.path)));
}

}  // namespace app
