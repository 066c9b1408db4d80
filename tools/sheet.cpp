// Reads and writes the cells of sheet 1 of a book from the command line, so that tests
// and anyone checking the program can set up a book and look at what a posting wrote.
//
//   sheet FILE dump              every used row: "ROW: v1 | v2 | ..."
//   sheet FILE put ROW V...      one row from column 1; a value that reads as a number is
//                                stored as one, "'text" stores the text after the quote,
//                                an empty argument clears the cell
//   sheet FILE rows              the used row count
//
// In dumps, a text that would read as a number, or that starts with a quote, is shown
// after a quote, so numbers and texts never look alike.
#include <QCoreApplication>
#include <QTextStream>

#include "store/Numbers.h"
#include "store/StoreError.h"
#include "store/Workbook.h"

namespace {

QString shown(const store::CellValue& v) {
    if (v.isText() && (store::parseDecimal(QStringView(v.text)) || v.text.startsWith(u'\'')))
        return QLatin1Char('\'') + v.text;
    return v.displayText();
}

store::CellValue parsed(const QString& arg) {
    if (arg.startsWith(QLatin1Char('\'')))
        return store::CellValue::fromText(arg.mid(1));
    if (const auto n = store::parseDecimal(QStringView(arg)))
        return store::CellValue::fromNumber(*n);
    return store::CellValue::fromText(arg);
}

int usage(QTextStream& err) {
    err << "usage: sheet FILE dump | sheet FILE put ROW VALUE... | sheet FILE rows\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout), err(stderr);
    const QStringList args = app.arguments();
    if (args.size() < 3)
        return usage(err);
    const QString& file = args[1];
    const QString& command = args[2];
    try {
        store::Workbook book = store::Workbook::open(file);
        if (command == QLatin1String("rows") && args.size() == 3) {
            out << book.usedRowCount() << '\n';
        } else if (command == QLatin1String("dump") && args.size() == 3) {
            const int cols = book.usedColumnCount();
            for (int r = 1; r <= book.usedRowCount(); ++r) {
                QStringList cells;
                for (int c = 1; c <= cols; ++c)
                    cells << shown(book.cell(r, c));
                while (!cells.isEmpty() && cells.last().isEmpty())
                    cells.removeLast();
                out << r << ": " << cells.join(QStringLiteral(" | ")) << '\n';
            }
        } else if (command == QLatin1String("put") && args.size() >= 4) {
            bool ok = false;
            const int row = args[3].toInt(&ok);
            if (!ok || row < 1)
                return usage(err);
            for (int i = 4; i < args.size(); ++i)
                book.setCell(row, i - 3, parsed(args[i]));
            book.save();
        } else {
            return usage(err);
        }
    } catch (const store::StoreError& e) {
        err << e.message() << '\n';
        return 1;
    }
    return 0;
}
