#pragma once

#include <QString>

// The sections and keys of the settings file, spelled once for everything that reads or
// writes it. The spellings are the file's and stay as they are (`autobakup` among them):
// settings files written by earlier versions must keep reading the same.
namespace app::settingKeys {

// The shop's name and contact, printed at the foot of the lists, and the start-up backup.
inline const QString kConfigSection = QStringLiteral("config");
inline const QString kCompanyName = QStringLiteral("comname");
inline const QString kContactInfo = QStringLiteral("cominfo");
inline const QString kAutoBackup = QStringLiteral("autobakup");

// The till receipts.
inline const QString kReceiptSection = QStringLiteral("receipt");
inline const QString kReceiptPrinter = QStringLiteral("printer");  // a CUPS queue, or empty
inline const QString kReceiptWidth = QStringLiteral("width");      // the paper, 58 or 80 mm
inline const QString kReceiptMode = QStringLiteral("mode");        // one of the two below
inline const QString kReceiptModeEscPos = QStringLiteral("escpos");
inline const QString kReceiptModeDriver = QStringLiteral("driver");
inline const QString kReceiptAutoprint = QStringLiteral("autoprint");
inline const QString kReceiptDrawer = QStringLiteral("drawer");  // 0: no cash drawer kick

// The books on a database server instead of in the program folder.
inline const QString kDatabaseSection = QStringLiteral("database");
inline const QString kBackend = QStringLiteral("backend");
inline const QString kBackendPostgresql = QStringLiteral("postgresql");
inline const QString kBackendWorkbooks = QStringLiteral("workbooks");  // as when unset
inline const QString kConnInfo = QStringLiteral("conninfo");           // a libpq connection string

// The till the documents are made at and who works it.
inline const QString kTillSection = QStringLiteral("till");
inline const QString kTillName = QStringLiteral("name");  // the machine's name when unset
inline const QString kTillOperator = QStringLiteral("operator");
inline const QString kTillFloat = QStringLiteral("float");  // the drawer's opening cash
// The customer of a sale nobody names; absent it is "散客", set empty there is none.
inline const QString kTillCustomer = QStringLiteral("customer");
// The cashiers to sign in from, "张三,李四"; with any, they name the documents instead.
inline const QString kTillOperators = QStringLiteral("operators");
// A cashier's PIN, under their name, as hashPin (TillCashiers.h) keeps it; none without a line.
inline const QString kCashiersSection = QStringLiteral("cashiers");

}  // namespace app::settingKeys
