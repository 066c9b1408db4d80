#include "app/Unit_config.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPrinterInfo>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

#include "app/CashiersDialog.h"
#include "app/SettingsFile.h"
#include "app/SettingsKeys.h"
#include "store/AtomicFile.h"
#include "ui/Prompt.h"
#include "ui/Widgets.h"

using namespace app::settingKeys;

namespace {

QFrame* strip(QWidget* parent, const QString& name, int height) {
    QFrame* frame = ui::panel(parent, name);
    if (height > 0)
        frame->setFixedHeight(height);
    return frame;
}

QLabel* stripLabel(QFrame* strip, const QString& name, const QString& caption, int left, int top) {
    auto* label = new QLabel(caption, strip);
    label->setObjectName(name);
    label->setGeometry(left, top + 3, 64, 18);
    return label;
}

QLineEdit* labelledEdit(QFrame* strip, const QString& labelName, const QString& caption,
                        const QString& editName) {
    stripLabel(strip, labelName, caption, 12, 7);
    auto* edit = new QLineEdit(strip);
    edit->setObjectName(editName);
    edit->setGeometry(72, 7, 210, 22);
    return edit;
}

QComboBox* stripCombo(QFrame* strip, const QString& name, int left, int top, int width) {
    auto* combo = new QComboBox(strip);
    combo->setObjectName(name);
    combo->setGeometry(left, top, width, 22);
    return combo;
}

}  // namespace

TForm_config::TForm_config(const ui::AppContext& context)
    : QDialog(nullptr, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint),
      m_context(context) {
    setObjectName(QStringLiteral("Form_config"));
    setWindowTitle(QStringLiteral("Tavelo进销存—系统设置"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto* Panel1 = strip(this, QStringLiteral("Panel1"), 36);
    Edit1 = labelledEdit(Panel1, QStringLiteral("Label1"), QStringLiteral("公司名字："),
                         QStringLiteral("Edit1"));
    column->addWidget(Panel1);
    auto* Panel4 = strip(this, QStringLiteral("Panel4"), 39);
    Edit2 = labelledEdit(Panel4, QStringLiteral("Label2"), QStringLiteral("联系信息："),
                         QStringLiteral("Edit2"));
    column->addWidget(Panel4);
    auto* Panel5 = strip(this, QStringLiteral("Panel5"), 32);
    CheckBox1 = new QCheckBox(QStringLiteral("启动时备份数据库"), Panel5);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setLayoutDirection(Qt::RightToLeft);  // the text left of the box
    CheckBox1->setGeometry(12, 6, 140, 20);
    column->addWidget(Panel5);
    auto* receiptStrip = strip(this, QStringLiteral("receiptStrip"), 88);
    stripLabel(receiptStrip, QStringLiteral("printerLabel"), QStringLiteral("小票打印："), 12, 7);
    printerCombo = stripCombo(receiptStrip, QStringLiteral("printerCombo"), 72, 7, 210);
    stripLabel(receiptStrip, QStringLiteral("paperWidthLabel"), QStringLiteral("纸宽："), 12, 33);
    paperWidthCombo = stripCombo(receiptStrip, QStringLiteral("paperWidthCombo"), 72, 33, 70);
    paperWidthCombo->addItem(QStringLiteral("58 mm"), 58);
    paperWidthCombo->addItem(QStringLiteral("80 mm"), 80);
    stripLabel(receiptStrip, QStringLiteral("printModeLabel"), QStringLiteral("方式："), 152, 33);
    printModeCombo = stripCombo(receiptStrip, QStringLiteral("printModeCombo"), 192, 33, 90);
    printModeCombo->addItem(QStringLiteral("ESC/POS"), kReceiptModeEscPos);
    printModeCombo->addItem(QStringLiteral("打印机驱动"), kReceiptModeDriver);
    printAfterSaleCheck = new QCheckBox(QStringLiteral("销售后自动打印小票"), receiptStrip);
    printAfterSaleCheck->setObjectName(QStringLiteral("printAfterSaleCheck"));
    printAfterSaleCheck->setLayoutDirection(Qt::RightToLeft);
    printAfterSaleCheck->setGeometry(12, 61, 160, 20);
    listPrinters(QString());
    column->addWidget(receiptStrip);
    auto* cashierStrip = strip(this, QStringLiteral("cashierStrip"), 36);
    stripLabel(cashierStrip, QStringLiteral("cashiersLabel"), QStringLiteral("收银员："), 12, 7);
    cashiersButton = new QPushButton(QStringLiteral("设置收银员和密码"), cashierStrip);
    cashiersButton->setObjectName(QStringLiteral("cashiersButton"));
    cashiersButton->setGeometry(72, 6, 130, 24);
    m_cashiers = new CashiersDialog(context, this);
    connect(cashiersButton, &QPushButton::clicked, m_cashiers, &QDialog::exec);
    column->addWidget(cashierStrip);
    auto* Panel3 = strip(this, QStringLiteral("Panel3"), 0);
    BitBtn1 = new QPushButton(QStringLiteral("修改设置"), Panel3);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(40, 10, 89, 33);
    BitBtn2 = new QPushButton(QStringLiteral("返回菜单"), Panel3);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setGeometry(160, 10, 89, 33);
    column->addWidget(Panel3, 1);
    auto* status = new QStatusBar(this);
    status->setSizeGripEnabled(false);
    column->addWidget(status);
    setFixedSize(290, 304);

    connect(BitBtn1, &QPushButton::clicked, this, &TForm_config::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TForm_config::BitBtn2Click);
    FormCreate();
}

QString TForm_config::companyName() const {
    return Edit1->text();
}

QString TForm_config::contactInfo() const {
    return Edit2->text();
}

receipt::Setup TForm_config::receiptSetup() const {
    return {.printer = printerCombo->currentData().toString(),
            .paperMm = paperWidthCombo->currentData().toInt(),
            .mode = printModeCombo->currentData().toString() == kReceiptModeDriver
                        ? receipt::Mode::Driver
                        : receipt::Mode::EscPos,
            .autoprint = printAfterSaleCheck->isChecked(),
            // Kept in the file only: a till without a drawer is set up once.
            .drawer = app::SettingsFile(m_context.filePath(app::SettingsFile::kFileName))
                          .readInteger(kReceiptSection, kReceiptDrawer, 1) != 0,
            .shop = Edit1->text(),
            .contact = Edit2->text()};
}

void TForm_config::showEvent(QShowEvent* event) {
    listPrinters(printerCombo->currentData().toString(), QPrinterInfo::availablePrinterNames());
    QDialog::showEvent(event);
}

void TForm_config::listPrinters(const QString& chosen, QStringList queues) {
    if (!chosen.isEmpty() && !queues.contains(chosen))
        queues.prepend(chosen);
    printerCombo->clear();
    printerCombo->addItem(QStringLiteral("（不打印小票）"), QString());
    for (const QString& queue : queues)
        printerCombo->addItem(queue, queue);
    printerCombo->setCurrentIndex(std::max(0, printerCombo->findData(chosen)));
}

void TForm_config::FormCreate() {
    loadSettings();
}

void TForm_config::BitBtn1Click() {
    saveSettings();
}

void TForm_config::BitBtn2Click() {
    close();
}

void TForm_config::loadSettings() {
    const app::SettingsFile settings(m_context.filePath(app::SettingsFile::kFileName));
    if (!settings.exists())
        return;
    Edit1->setText(settings.readString(kConfigSection, kCompanyName, QString()));
    Edit2->setText(settings.readString(kConfigSection, kContactInfo, QString()));
    CheckBox1->setChecked(app::readAutoBackupFlag(settings));
    // A width or a mode the dialog does not offer reads as the usual one, which is what a
    // save would then write.
    listPrinters(settings.readString(kReceiptSection, kReceiptPrinter, {}).trimmed());
    paperWidthCombo->setCurrentIndex(std::max(
        0, paperWidthCombo->findData(settings.readInteger(kReceiptSection, kReceiptWidth, 58))));
    printModeCombo->setCurrentIndex(std::max(
        0, printModeCombo->findData(
               settings.readString(kReceiptSection, kReceiptMode, {}).trimmed().toLower())));
    const int autoprint = settings.readInteger(kReceiptSection, kReceiptAutoprint, 0);
    printAfterSaleCheck->setChecked(autoprint != 0);
}

void TForm_config::saveSettings() {
    app::SettingsFile settings(m_context.filePath(app::SettingsFile::kFileName));
    try {
        settings.writeString(kConfigSection, kCompanyName, Edit1->text());
        settings.writeString(kConfigSection, kContactInfo, Edit2->text());
        settings.writeInteger(kConfigSection, kAutoBackup, CheckBox1->isChecked() ? 1 : 0);
        const receipt::Setup receipt = receiptSetup();
        settings.writeString(kReceiptSection, kReceiptPrinter, receipt.printer);
        settings.writeInteger(kReceiptSection, kReceiptWidth, receipt.paperMm);
        settings.writeString(kReceiptSection, kReceiptMode,
                             printModeCombo->currentData().toString());
        settings.writeInteger(kReceiptSection, kReceiptAutoprint, receipt.autoprint ? 1 : 0);
    } catch (const store::AtomicFileError& e) {
        m_context.prompt->error(this, e.message());
        return;
    }
    m_context.prompt->information(this, QStringLiteral("单位名字和联系信息设置修改成功！"));
}
