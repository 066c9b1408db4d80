#pragma once

#include <QDialog>

#include "receipt/ReceiptSetup.h"
#include "ui/AppContext.h"

class CashiersDialog;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

// The settings dialog. Its two fields are the program's copy of the company name and
// contact information for the whole run: printing reads them here, saved or not.
class TForm_config : public QDialog {
    Q_OBJECT
public:
    explicit TForm_config(const ui::AppContext& context);

    QString companyName() const;
    QString contactInfo() const;
    // The receipt strip with the two fields above.
    receipt::Setup receiptSetup() const;
    // "收银员", opened from here.
    CashiersDialog* cashiersDialog() const { return m_cashiers; }

protected:
    // The queues are asked for each time the dialog opens: a printer set up meanwhile
    // shows at once, and a start-up never waits for the print system.
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate();
    void BitBtn1Click();
    void BitBtn2Click();
    // The fields from the settings file, when there is one.
    void loadSettings();
    // "修改设置": the fields into the settings file.
    void saveSettings();
    // `queues` into printerCombo after 不打印小票, with `chosen` selected: kept even when the
    // system no longer has it, so that saving does not lose it.
    void listPrinters(const QString& chosen, QStringList queues = {});

    ui::AppContext m_context;
    QLineEdit* Edit1;         // 公司名字
    QLineEdit* Edit2;         // 联系信息
    QCheckBox* CheckBox1;     // 启动时备份数据库
    QComboBox* printerCombo;  // the receipt printer's queue
    QComboBox* paperWidthCombo;
    QComboBox* printModeCombo;       // ESC/POS through a raw queue, or the queue's own driver
    QCheckBox* printAfterSaleCheck;  // a receipt after every sale or return posted
    QPushButton* cashiersButton;     // opens the cashiers' dialog
    CashiersDialog* m_cashiers;
    QPushButton* BitBtn1;  // 修改设置
    QPushButton* BitBtn2;  // 返回菜单
};
