#pragma once

#include <QDialog>

#include "ui/AppContext.h"

class QCheckBox;
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

private:
    void FormCreate();
    void BitBtn1Click();
    void BitBtn2Click();
    // The fields from the settings file, when there is one.
    void loadSettings();
    // "修改设置": the fields into the settings file.
    void saveSettings();

    ui::AppContext m_context;
    QLineEdit* Edit1;
    QLineEdit* Edit2;
    QCheckBox* CheckBox1;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
};
