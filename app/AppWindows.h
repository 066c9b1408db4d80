#pragma once

#include <QString>
#include <QStringList>
#include <memory>

#include "ui/AppContext.h"

class QWidget;
class TForm_main;
class TForm_kucun;
class TForm_chuku;
class TForm_ruku;
class TForm_config;
class TForm_banben;
class TForm_fenxi;
class AccountsWindow;
class OfflineWindow;

// The program's nine windows, created once in start-up order (main, inventory query,
// sales stock-out, purchase stock-in, settings, About, sales analysis, accounts, the offline
// documents) and kept until
// the program ends, so that a module window shows its last state when it is opened again.
class AppWindows {
public:
    explicit AppWindows(const ui::AppContext& context);
    ~AppWindows();

    TForm_main* main() const { return m_main.get(); }
    TForm_kucun* kucun() const { return m_kucun.get(); }
    TForm_chuku* chuku() const { return m_chuku.get(); }
    TForm_ruku* ruku() const { return m_ruku.get(); }
    TForm_config* config() const { return m_config.get(); }
    TForm_banben* banben() const { return m_banben.get(); }
    TForm_fenxi* fenxi() const { return m_fenxi.get(); }
    AccountsWindow* wanglai() const { return m_wanglai.get(); }
    OfflineWindow* lixian() const { return m_lixian.get(); }

    // The module words of the windows, in start-up order, then "cashiers", the settings
    // dialog's own dialog, and "pandian", the stocktake window the inventory window opens.
    static const QStringList& names();
    // A window by its module word ("main", "kucun", "chuku", "ruku", "config", "about",
    // "fenxi", "wanglai", "lixian", "cashiers", "pandian"; "shift", the stock-out window's shift
    // report), or nullptr.
    QWidget* byName(const QString& name) const;

private:
    std::unique_ptr<TForm_main> m_main;
    std::unique_ptr<TForm_kucun> m_kucun;
    std::unique_ptr<TForm_chuku> m_chuku;
    std::unique_ptr<TForm_ruku> m_ruku;
    std::unique_ptr<TForm_config> m_config;
    std::unique_ptr<TForm_banben> m_banben;
    std::unique_ptr<TForm_fenxi> m_fenxi;
    std::unique_ptr<AccountsWindow> m_wanglai;
    std::unique_ptr<OfflineWindow> m_lixian;
};
