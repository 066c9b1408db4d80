#pragma once

#include <QMainWindow>

#include "ui/AppContext.h"

class QCheckBox;
class QLabel;
class QTimer;
class QToolButton;
class QDialog;
class AccountsWindow;
class OfflineWindow;
class QPushButton;
namespace ui {
class PanelStatusBar;
}

// The menu: opens the three module windows, the sales analysis and the accounts in its place,
// the settings and About windows over it, backs the books up, and once after start-up runs the
// automatic backup.
class TForm_main : public QMainWindow {
    Q_OBJECT
public:
    static const QString kCaption;
    static constexpr int kStartupDelayMs = 15000;

    explicit TForm_main(const ui::AppContext& context);

    // The windows created after this one, in start-up order.
    void setWindows(QDialog* kucun, QDialog* chuku, QDialog* ruku, QDialog* config, QDialog* banben,
                    QDialog* fenxi, AccountsWindow* accounts, OfflineWindow* offline);

    // Whether the start-up work (the automatic backup, when the settings ask for it) has
    // still to run.
    bool startupPending() const;
    // Runs the pending start-up work now, once; does nothing when it already ran.
    void runStartupNow();
    // Keeps the start-up work pending until runStartupNow(): for a run that decides itself
    // when start-up is over, rather than after the delay.
    void holdStartup();
    // Where the books are, for the status bar (connectAtStart's word): empty for workbooks.
    void showBooksPlace(const QString& text);
    // The offline till's line ("离线：3 张单据待上传") in place of the books' place while it
    // has one, set off in red, with the button to its list.
    void showOffline();

private:
    void FormCreate();
    // The start-up timer's handler; runs once.
    void Timer1Timer();
    // Arms the start-up timer, for a backup if the settings ask for one.
    void scheduleStartupBackup();
    void runStartupBackup();
    void openModule(QDialog* window);
    void showDialog(QDialog* dialog);
    // "数据备份": the books copied once the shop keeper agrees.
    void backUpOnRequest();
    // "软件教程": the help file of the program folder, else the manual shipped with it.
    void openHelp();
    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton3Click();
    void SpeedButton4Click();
    void SpeedButton5Click();
    void SpeedButton6Click();
    void SpeedButton7Click();
    void SpeedButton8Click();
    void SpeedButton9Click();
    void SpeedButton10Click();   // "销售分析"
    void accountsButtonClick();  // "往来账"
    void offlineButtonClick();   // "离线单据"

    ui::AppContext m_context;
    QDialog* m_kucun = nullptr;
    QDialog* m_chuku = nullptr;
    QDialog* m_ruku = nullptr;
    QDialog* m_config = nullptr;
    QDialog* m_banben = nullptr;
    QDialog* m_fenxi = nullptr;
    AccountsWindow* m_accounts = nullptr;
    OfflineWindow* m_offline = nullptr;
    QString m_booksPlace;
    QPushButton* offlineButton;

    QCheckBox* CheckBox1;  // the back-up-at-start flag, never shown
    QTimer* Timer1;
    QLabel* Image1;
    ui::PanelStatusBar* StatusBar1;
};
