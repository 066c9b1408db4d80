#include "app/AppWindows.h"

#include "app/CashiersDialog.h"
#include "app/Unit_config.h"
#include "app/Unit_main.h"
#include "app/form_about.h"
#include "chuku/ShiftReportWindow.h"
#include "chuku/Unit_chuku.h"
#include "fenxi/Unit_fenxi.h"
#include "kucun/Unit_kucun.h"
#include "lixian/OfflineWindow.h"
#include "pandian/StocktakeWindow.h"
#include "ruku/Unit_ruku.h"
#include "store/AtomicFile.h"
#include "ui/ModuleWindow.h"
#include "ui/OldBooks.h"
#include "wanglai/AccountsWindow.h"

namespace {

// The settings dialog is made after the module windows, so they ask it at print time.
ui::AppContext withPrintSettings(ui::AppContext context, const AppWindows& windows) {
    context.printFooter = [&windows] {
        return windows.config()->companyName() + QLatin1Char(' ') + windows.config()->contactInfo();
    };
    context.receiptSetup = [&windows] { return windows.config()->receiptSetup(); };
    return context;
}

}  // namespace

AppWindows::AppWindows(const ui::AppContext& context)
    : m_main(std::make_unique<TForm_main>(context)),
      m_kucun(std::make_unique<TForm_kucun>(withPrintSettings(context, *this), m_main.get())),
      m_chuku(std::make_unique<TForm_chuku>(withPrintSettings(context, *this), m_main.get())),
      m_ruku(std::make_unique<TForm_ruku>(withPrintSettings(context, *this), m_main.get())),
      m_config(std::make_unique<TForm_config>(context)),
      m_banben(std::make_unique<TForm_banben>(context)),
      m_fenxi(std::make_unique<TForm_fenxi>(withPrintSettings(context, *this), m_main.get())),
      m_wanglai(std::make_unique<AccountsWindow>(withPrintSettings(context, *this), m_main.get())),
      m_lixian(std::make_unique<OfflineWindow>(context, m_main.get())) {
    m_main->setWindows(m_kucun.get(), m_chuku.get(), m_ruku.get(), m_config.get(), m_banben.get(),
                       m_fenxi.get(), m_wanglai.get(), m_lixian.get());
    // Scrap of saves that a power cut or a kill stopped half way; a save that another copy
    // of the program is running now keeps its files.
    store::removeLeftoverSaves(context.programDir);
    // A posting that a crash cut short between its two books, before anything reads them.
    ui::settleBooks(context, m_main.get());
    // Books a shop brings from the older format: one question for all of them.
    ui::offerConversion(context, m_main.get());
}

AppWindows::~AppWindows() = default;

const QStringList& AppWindows::names() {
    static const QStringList words{
        QStringLiteral("main"),     QStringLiteral("kucun"),   QStringLiteral("chuku"),
        QStringLiteral("ruku"),     QStringLiteral("config"),  QStringLiteral("about"),
        QStringLiteral("fenxi"),    QStringLiteral("wanglai"), QStringLiteral("lixian"),
        QStringLiteral("cashiers"), QStringLiteral("pandian")};
    return words;
}

QWidget* AppWindows::byName(const QString& name) const {
    if (name == QLatin1String("main"))
        return m_main.get();
    if (name == QLatin1String("kucun"))
        return m_kucun.get();
    if (name == QLatin1String("chuku"))
        return m_chuku.get();
    if (name == QLatin1String("ruku"))
        return m_ruku.get();
    if (name == QLatin1String("config"))
        return m_config.get();
    if (name == QLatin1String("about"))
        return m_banben.get();
    if (name == QLatin1String("fenxi"))
        return m_fenxi.get();
    if (name == QLatin1String("wanglai"))
        return m_wanglai.get();
    if (name == QLatin1String("lixian"))
        return m_lixian.get();
    if (name == QLatin1String("shift"))
        return &m_chuku->shiftReport();
    if (name == QLatin1String("pandian"))
        return &m_kucun->stocktake();
    if (name == QLatin1String("cashiers"))
        return m_config->cashiersDialog();
    return nullptr;
}
