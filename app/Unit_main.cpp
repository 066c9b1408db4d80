#include "app/Unit_main.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <limits>

#include "app/Backup.h"
#include "app/Links.h"
#include "app/SettingsFile.h"
#include "database/Database.h"
#include "ledger/OfflineTill.h"
#include "lixian/OfflineWindow.h"
#include "ui/PanelStatusBar.h"
#include "ui/Pictures.h"
#include "ui/Prompt.h"
#include "ui/ShippedFiles.h"
#include "ui/Widgets.h"
#include "wanglai/AccountsWindow.h"

const QString TForm_main::kCaption = QStringLiteral("Tavelo进销存门店版V2.0 ");

TForm_main::TForm_main(const ui::AppContext& context) : m_context(context) {
    setObjectName(QStringLiteral("Form_main"));
    setWindowTitle(kCaption);
    // Tall enough for the fourth button down the left column.
    resize(700, 520);

    auto* client = new QWidget(this);
    auto* column = new QVBoxLayout(client);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto* Panel1 = ui::panel(client, QStringLiteral("Panel1"));
    Panel1->setFixedHeight(57);
    column->addWidget(Panel1);
    auto* middle = new QHBoxLayout;
    middle->setSpacing(0);
    column->addLayout(middle, 1);
    auto* Panel4 = ui::panel(client, QStringLiteral("Panel4"));
    Panel4->setFixedWidth(105);
    middle->addWidget(Panel4);

    // Seven buttons across the top bar, four down the left column.
    struct Button {
        QWidget* panel;
        int left, top;
        const char* name;
        const char* caption;
        const char* glyph;
        void (TForm_main::*click)();
    };
    const Button buttons[] = {
        {Panel1, 8, 8, "SpeedButton1", "库存查询", "glyph_kucun.jpg",
         &TForm_main::SpeedButton1Click},
        {Panel1, 104, 8, "SpeedButton2", "销售出库", "glyph_chuku.jpg",
         &TForm_main::SpeedButton2Click},
        {Panel1, 200, 8, "SpeedButton3", "进货入库", "glyph_ruku.jpg",
         &TForm_main::SpeedButton3Click},
        {Panel1, 296, 8, "SpeedButton4", "数据备份", "glyph_backup.jpg",
         &TForm_main::SpeedButton4Click},
        {Panel1, 392, 8, "SpeedButton5", "系统设置", "glyph_config.jpg",
         &TForm_main::SpeedButton5Click},
        {Panel1, 488, 8, "SpeedButton6", "软件教程", "glyph_help.jpg",
         &TForm_main::SpeedButton6Click},
        {Panel1, 584, 8, "SpeedButton8", "Tavelo主页", "glyph_home.jpg",
         &TForm_main::SpeedButton8Click},
        {Panel4, 8, 56, "SpeedButton7", "版本信息", "glyph_about.jpg",
         &TForm_main::SpeedButton7Click},
        {Panel4, 8, 152, "SpeedButton9", "电子信箱", "glyph_mail.jpg",
         &TForm_main::SpeedButton9Click},
        {Panel4, 8, 248, "SpeedButton10", "销售分析", "glyph_fenxi.jpg",
         &TForm_main::SpeedButton10Click},
        {Panel4, 8, 344, "accountsButton", "往来账", "glyph_wanglai.jpg",
         &TForm_main::accountsButtonClick},
    };
    for (const Button& b : buttons) {
        auto* button =
            ui::speedButton(b.panel, QString::fromUtf8(b.name), QString::fromUtf8(b.caption),
                            QString::fromUtf8(b.glyph), b.left, b.top);
        connect(button, &QToolButton::clicked, this, b.click);
    }

    auto* Panel2 = ui::panel(client, QStringLiteral("Panel2"), QFrame::Sunken);
    Panel2->setAutoFillBackground(true);
    QPalette white = Panel2->palette();
    white.setColor(QPalette::Window, palette().color(QPalette::Base));
    Panel2->setPalette(white);
    auto* pictureBox = new QVBoxLayout(Panel2);
    Image1 = new QLabel(Panel2);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setAlignment(Qt::AlignCenter);
    Image1->setPixmap(ui::picture(QStringLiteral("main.jpg")));
    pictureBox->addWidget(Image1);
    middle->addWidget(Panel2, 1);

    auto* Panel3 = ui::panel(client, QStringLiteral("Panel3"));
    Panel3->setFixedHeight(27);
    column->addWidget(Panel3);
    setCentralWidget(client);

    // The second panel names the books' server, "数据库：shop@192.168.1.10", at a till on one.
    StatusBar1 = new ui::PanelStatusBar({180, 250, 100, 50}, this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setPanelText(0, QStringLiteral("Tavelo进销存 · 门店版 V2.0"));
    setStatusBar(StatusBar1);
    offlineButton = new QPushButton(QStringLiteral("离线单据"), StatusBar1);
    offlineButton->setObjectName(QStringLiteral("offlineButton"));
    offlineButton->hide();
    StatusBar1->addPermanentWidget(offlineButton);
    connect(offlineButton, &QPushButton::clicked, this, &TForm_main::offlineButtonClick);
    if (m_context.offline)
        connect(m_context.offline.get(), &ledger::OfflineTill::changed, this,
                &TForm_main::showOffline);

    CheckBox1 = new QCheckBox(QStringLiteral("是否自动备份"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->hide();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setSingleShot(true);
    Timer1->setInterval(kStartupDelayMs);
    connect(Timer1, &QTimer::timeout, this, &TForm_main::Timer1Timer);

    // Centred on the desktop, as every window of the program opens.
    if (const QScreen* desktop = screen())
        move(desktop->availableGeometry().center() - rect().center());

    FormCreate();
}

void TForm_main::setWindows(QDialog* kucun, QDialog* chuku, QDialog* ruku, QDialog* config,
                            QDialog* banben, QDialog* fenxi, AccountsWindow* accounts,
                            OfflineWindow* offline) {
    m_offline = offline;
    m_kucun = kucun;
    m_fenxi = fenxi;
    m_accounts = accounts;
    m_chuku = chuku;
    m_ruku = ruku;
    m_config = config;
    m_banben = banben;
}

void TForm_main::FormCreate() {
    scheduleStartupBackup();
}

void TForm_main::scheduleStartupBackup() {
    // The flag is read once: a change saved in the settings takes effect at the next start.
    CheckBox1->setChecked(app::readAutoBackupFlag(
        app::SettingsFile(m_context.filePath(app::SettingsFile::kFileName))));
    Timer1->start();
}

void TForm_main::Timer1Timer() {
    runStartupBackup();
}

bool TForm_main::startupPending() const {
    return Timer1->isActive();
}

void TForm_main::runStartupNow() {
    if (startupPending())
        Timer1Timer();
}

void TForm_main::holdStartup() {
    if (startupPending())
        Timer1->start(std::numeric_limits<int>::max());
}

void TForm_main::showBooksPlace(const QString& text) {
    m_booksPlace = text;
    showOffline();
}

void TForm_main::showOffline() {
    // Back online, the books are on the server again, whatever the start-up found.
    if (m_context.offline && m_context.database && !m_context.offline->isOffline())
        m_booksPlace = QStringLiteral("数据库：") + m_context.database->serverLabel();
    const QString offline = m_context.offline ? m_context.offline->statusText() : QString();
    StatusBar1->setPanelText(1, offline.isEmpty() ? m_booksPlace : offline);
    StatusBar1->setPanelAlert(1, !offline.isEmpty());
    offlineButton->setVisible(!offline.isEmpty());
}

void TForm_main::offlineButtonClick() {
    openModule(m_offline);
}

void TForm_main::runStartupBackup() {
    Timer1->stop();
    if (!CheckBox1->isChecked())
        return;
    const QString failed = app::backupDataBooks(m_context.programDir, m_context.database.get());
    StatusBar1->setPanelText(3, failed.isEmpty() ? QStringLiteral("数据库备份成功...")
                                                 : QStringLiteral("数据库备份失败：") + failed);
}

void TForm_main::openModule(QDialog* window) {
    if (!window)
        return;
    hide();
    // The module window's close handler shows this window again.
    window->exec();
}

void TForm_main::SpeedButton1Click() {
    openModule(m_kucun);
}

void TForm_main::SpeedButton2Click() {
    openModule(m_chuku);
}

void TForm_main::SpeedButton3Click() {
    openModule(m_ruku);
}

void TForm_main::SpeedButton10Click() {
    openModule(m_fenxi);
}

void TForm_main::accountsButtonClick() {
    if (!m_accounts)
        return;
    // The balances as the documents stand now, whoever posted since the window last showed.
    m_accounts->prepareToShow();
    openModule(m_accounts);
}

void TForm_main::showDialog(QDialog* dialog) {
    if (dialog)
        dialog->exec();
}

void TForm_main::SpeedButton4Click() {
    backUpOnRequest();
}

void TForm_main::SpeedButton5Click() {
    showDialog(m_config);
}

void TForm_main::SpeedButton6Click() {
    openHelp();
}

void TForm_main::SpeedButton7Click() {
    showDialog(m_banben);
}

void TForm_main::SpeedButton8Click() {
    m_context.prompt->openExternal(app::kHomePage);
}

void TForm_main::SpeedButton9Click() {
    m_context.prompt->openExternal(app::kMailLink);
}

void TForm_main::backUpOnRequest() {
    if (!m_context.prompt->confirm(this, QStringLiteral("确认开始安全备份进销存数据库吗？")))
        return;
    const QString failed = app::backupDataBooks(m_context.programDir, m_context.database.get());
    m_context.prompt->information(
        this, failed.isEmpty() ? QStringLiteral("Tavelo进销存数据库备份成功")
                               : QStringLiteral("Tavelo进销存数据库备份失败：") + failed);
}

void TForm_main::openHelp() {
    // The help file is named relative to the program's folder, which stays current after.
    QDir::setCurrent(m_context.programDir);
    if (QFileInfo::exists(app::kHelpFile)) {
        m_context.prompt->openExternal(app::kHelpFile);
        return;
    }
    // Few Linux desktops can show a compiled help file, so the program brings its manual
    // as web pages, which every desktop opens in its browser.
    const QString manual = ui::shippedFile(QCoreApplication::applicationDirPath(), app::kManualPage,
                                           ui::Shipped::Data);
    if (manual.isEmpty()) {
        m_context.prompt->error(
            this, QStringLiteral(
                      "找不到软件教程：程序文件夹中没有 %1，随程序安装的使用手册（%2）也不在。")
                      .arg(app::kHelpFile, app::kManualPage));
        return;
    }
    m_context.prompt->openExternal(QUrl::fromLocalFile(manual).toString());
}
