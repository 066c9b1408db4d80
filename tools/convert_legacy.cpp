// Converts books kept in the older binary spreadsheet format to the program's own format,
// keeping each original as NAME.old.xls. The program runs it as a child process, so that a
// fault while reading a hostile old file cannot take the program down; a shop keeper or an
// installer can run it by hand on a folder or on one book.
//
// With --progress it also writes, before each step and as its percent grows, a line
// "#progress<TAB>BOOK<TAB>STEP<TAB>PERCENT" (percent -1 where it cannot tell), which the
// program shows in its progress window and leaves out of the summary.
//
// Exit status: 0 when nothing was refused, 1 when a book was refused, 2 on a usage error.
#include <QDir>
#include <QFileInfo>
#include <cstdio>
#include <string_view>

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
    const bool progress = argc == 3 && std::string_view(argv[1]) == "--progress";
    if (argc != 2 && !progress) {
        std::fputs(
            "用法：convert-legacy [--progress] 文件夹|数据文件\n"
            "把文件夹中（或指定的）旧格式（Excel 97–2003、Excel 5.0/95）的数据文件转换为新格式，"
            "原文件保留为 文件名.old.xls。\n",
            stderr);
        return 2;
    }
    const QString target = QFileInfo(QString::fromLocal8Bit(argv[argc - 1])).absoluteFilePath();
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
            const QString name = QFileInfo(books[i]).fileName();
            legacy::ConversionProgress steps;
            if (progress) {
                steps = [&name](const QString& step, int percent) {
                    print(QStringLiteral("#progress\t%1\t%2\t%3").arg(name, step).arg(percent));
                };
            }
            const legacy::Outcome outcome = legacy::convertBook(books[i], steps);
            refused = refused || outcome.result == legacy::Outcome::Refused;
            print((i > 0 ? QStringLiteral("\n") : QString()) + outcome.text);
        }
    } catch (const store::StoreError& failure) {
        print(failure.message());
        return 1;
    }
    return refused ? 1 : 0;
}
