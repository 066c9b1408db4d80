#include "app/BookStore.h"

#include <QDir>
#include <QSysInfo>

#include "app/SettingsFile.h"
#include "app/SettingsKeys.h"
#include "app/TillCashiers.h"
#include "database/Database.h"
#include "ledger/OfflineTill.h"
#include "store/KeptBooks.h"
#include "store/Numbers.h"
#include "ui/Clock.h"
#include "ui/Prompt.h"

namespace app {

namespace {

// The server's conninfo as the settings file gives it, or empty for the workbooks. A
// section that names no usable server is refused rather than read as the workbooks: a till
// meant for the server would otherwise post into books of its own, unseen by the others.
QString serverOf(const SettingsFile& settings) {
    const QString backend =
        settings.readString(settingKeys::kDatabaseSection, settingKeys::kBackend, {}).trimmed();
    if (backend.isEmpty() ||
        backend.compare(settingKeys::kBackendWorkbooks, Qt::CaseInsensitive) == 0)
        return {};
    const QString file = QDir::toNativeSeparators(settings.path());
    if (backend.compare(settingKeys::kBackendPostgresql, Qt::CaseInsensitive) != 0)
        throw store::StoreError(QStringLiteral("设置文件 %1 的 [database] 一节：%2=%3 无法识别，"
                                               "应当是 %4 或 %5。程序没有打开任何数据。")
                                    .arg(file, settingKeys::kBackend, backend,
                                         settingKeys::kBackendPostgresql,
                                         settingKeys::kBackendWorkbooks));
    QString conninfo =
        settings.readString(settingKeys::kDatabaseSection, settingKeys::kConnInfo, {}).trimmed();
    if (conninfo.isEmpty())
        throw store::StoreError(
            QStringLiteral("设置文件 %1 的 [database] 一节：%2=%3，却没有填写 %4"
                           "（数据库服务器的连接字符串）。程序没有打开任何数据。")
                .arg(file, settingKeys::kBackend, backend, settingKeys::kConnInfo));
    return conninfo;
}

}  // namespace

void chooseBookStore(ui::AppContext& context, std::shared_ptr<store::SheetPrinter> printer,
                     const QString& conninfo) {
    const SettingsFile settings(context.filePath(SettingsFile::kFileName));
    // Decided first: a file that names no usable server leaves the context as it was.
    const QString server = conninfo.isEmpty() ? serverOf(settings) : conninfo;
    context.printer = printer;
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
    if (server.isEmpty()) {
        context.database.reset();
        context.servers = store::workbookServerFactory(std::move(printer), store::keptDataBooks());
        return;
    }
    context.database = std::make_shared<database::Database>(server, context.programDir);
    context.servers = context.database->servers(std::move(printer));
    const ui::Clock* clock = context.clock;
    context.offline = std::make_shared<ledger::OfflineTill>(
        context.programDir, server, [clock] { return clock->now().date(); });
}

QString connectAtStart(const ui::AppContext& context, QWidget* window) {
    if (!context.database)
        return {};
    if (const auto& offline = context.offline) {
        try {
            if (const QString torn = offline->open(); !torn.isEmpty())
                context.prompt->error(window, torn);
        } catch (const store::StoreError& e) {
            context.prompt->error(window,
                                  e.message() + QStringLiteral("\n这台收银机离线时不能销售。"));
        }
        // The till's windows stop asking a server the sender found gone, and ask again once
        // it is back.
        const std::weak_ptr<database::Database> database = context.database;
        QObject::connect(offline.get(), &ledger::OfflineTill::changed, offline.get(),
                         [database, till = offline.get()] {
                             if (const auto server = database.lock())
                                 server->holdOff(till->isOffline());
                         });
    }
    try {
        context.database->connection();
    } catch (const store::StoreError& e) {
        if (context.offline)
            context.offline->setOffline(true);
        context.prompt->error(
            window,
            QStringLiteral("数据库连接失败：%1\n程序照常打开；%2")
                .arg(e.message(),
                     context.offline ? QStringLiteral("销售出库和退货返库照常进行，单据先存在这台"
                                                      "收银机上，服务器恢复后自动上传。")
                                     : QStringLiteral("每次查询或入账都会重新连接数据库服务器。")));
        if (context.offline)
            context.offline->start();
        return QStringLiteral("数据库连接失败：") + e.message().simplified();
    }
    if (context.offline)
        context.offline->start();
    return QStringLiteral("数据库：") + context.database->serverLabel();
}

}  // namespace app
