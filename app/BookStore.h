#pragma once

#include <QString>
#include <memory>

class QWidget;

#include "ui/AppContext.h"

namespace store {
class SheetPrinter;
}

namespace app {

// Where the data books live, as the settings file's [database] section says: with
// backend=postgresql, the tables of the server that `conninfo` names; without the section,
// or with backend=workbooks, the workbook files in the program folder (kept in memory while
// unchanged). A conninfo given here wins over the file's (the driver's --database).
// A section that names another backend, or postgresql without a conninfo, throws
// store::StoreError naming the key and the file, before anything is set or opened.
// Sets the context's servers, database and printer, and the till, its operator and its
// cashiers from the file's [till] section (the till named after the machine when unset).
// The context's clock must be set: the cashiers' sign-in counts its waits by it.
void chooseBookStore(ui::AppContext& context, std::shared_ptr<store::SheetPrinter> printer,
                     const QString& conninfo = {});

// A till on the database connects once at its start, so that a server out of reach is
// known before the first sale: a box over `window` says why (the program opens all the
// same, and every operation tries again). Returns the status bar's word on where the books
// are, "数据库：shop@192.168.1.10" or "数据库连接失败：…"; empty for the workbooks.
QString connectAtStart(const ui::AppContext& context, QWidget* window);

}  // namespace app
