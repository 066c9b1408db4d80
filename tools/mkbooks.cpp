// Writes the books of a new installation into a folder, never replacing one; or names
// the data books.
#include <QCoreApplication>
#include <QTextStream>

#include "store/DataBooks.h"
#include "store/StoreError.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout), err(stderr);
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        err << "usage: mkbooks DIR | mkbooks --data-books\n";
        return 2;
    }
    // The file names of the books that hold the shop's data, one a line: for the scripts
    // that check them, so that they need not know them too.
    if (args[1] == QLatin1String("--data-books")) {
        for (store::Book book : store::kDataBooks)
            out << store::bookFileName(book) << '\n';
        return 0;
    }
    try {
        const QStringList written = store::writeInitialBooks(args[1]);
        for (const QString& name : written)
            out << "wrote " << name << '\n';
        if (written.isEmpty())
            out << "all the books already exist; nothing changed\n";
    } catch (const store::StoreError& e) {
        err << e.message() << '\n';
        return 1;
    }
    return 0;
}
