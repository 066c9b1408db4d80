// Converts books kept in the older binary spreadsheet format to the program's own format,
// keeping each original as NAME.old.xls. The program runs it as a child process, so that a
// fault while reading a hostile old file cannot take the program down; a shop keeper or an
// installer can run it by hand on a folder or on one book.
//
// Exit status: 0 when nothing was refused, 1 when a book was refused, 2 on a usage error.
#include <QDir>
#include <QFileInfo>
#include <cstdio>

#include "ledger/WriterLock.h"
#include "legacy/Conversion.h"
#include "store/DataBooks.h"
#include "store/StoreError.h"

namespace {

void print(const QString& text) {
    std::fputs(text.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fputs(
            "用法：convert-legacy 文件夹|数据文件\n"
            "把文件夹中（或指定的）旧格式（Excel 97–2003、Excel 5.0/95）的数据文件转换为新格式，"
            "原文件保留为 文件名.old.xls。\n",
            stderr);
        return 2;
    }
    const QString target = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
    const bool folder = QFileInfo(target).isDir();
    QStringList books =
        folder ? store::oldFormatBooks(target + QLatin1Char('/')) : QStringList{target};
    if (books.isEmpty()) {
        print(QStringLiteral("文件夹 %1 中没有需要转换的旧格式数据文件")
                  .arg(QDir::toNativeSeparators(target)));
        return 0;
    }
    bool refused = false;
    try {
        // Nothing posts to the books while they are replaced.
        const ledger::WriterLock lock(folder ? target + QLatin1Char('/')
                                             : QFileInfo(target).absolutePath() + QLatin1Char('/'));
        for (qsizetype i = 0; i < books.size(); ++i) {
            const legacy::Outcome outcome = legacy::convertBook(books[i]);
            refused = refused || outcome.result == legacy::Outcome::Refused;
            print((i > 0 ? QStringLiteral("\n") : QString()) + outcome.text);
        }
    } catch (const store::StoreError& failure) {
        print(failure.message());
        return 1;
    }
    return refused ? 1 : 0;
}
