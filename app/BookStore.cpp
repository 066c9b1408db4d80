#include "app/BookStore.h"

#include <QSysInfo>

#include "app/SettingsFile.h"
#include "app/SettingsKeys.h"
#include "app/TillCashiers.h"
#include "database/Database.h"
#include "store/KeptBooks.h"
#include "store/Numbers.h"

namespace app {

void chooseBookStore(ui::AppContext& context, std::shared_ptr<store::SheetPrinter> printer,
                     const QString& conninfo) {
    context.printer = printer;
    const SettingsFile settings(context.filePath(SettingsFile::kFileName));
    // Read with the books' place: both say where the documents go and whose they are.
    context.till =
        settings.readString(settingKeys::kTillSection, settingKeys::kTillName, {}).trimmed();
    if (context.till.isEmpty())
        context.till = QSysInfo::machineHostName();
    context.operatorName =
        settings.readString(settingKeys::kTillSection, settingKeys::kTillOperator, {}).trimmed();
    // A float that does not read as an amount is none: the report shows it, to be typed.
    context.openingFloat = store::parseDecimal(settings.readString(settingKeys::kTillSection,
                                                                   settingKeys::kTillFloat, {}))
                               .value_or(0);
    context.walkInCustomer = settings
                                 .readString(settingKeys::kTillSection, settingKeys::kTillCustomer,
                                             QStringLiteral("散客"))
                                 .trimmed();
    context.cashiers = std::make_shared<TillCashiers>(settings.path(), *context.clock);
    QString server = conninfo;
    if (server.isEmpty()) {
        const QString backend =
            settings.readString(settingKeys::kDatabaseSection, settingKeys::kBackend, {});
        if (backend.trimmed().compare(settingKeys::kBackendPostgresql, Qt::CaseInsensitive) == 0)
            server = settings.readString(settingKeys::kDatabaseSection, settingKeys::kConnInfo, {});
    }
    if (server.isEmpty()) {
        context.database.reset();
        context.servers = store::workbookServerFactory(std::move(printer), store::keptDataBooks());
        return;
    }
    context.database = std::make_shared<database::Database>(server, context.programDir);
    context.servers = context.database->servers(std::move(printer));
}

}  // namespace app
