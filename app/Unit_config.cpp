#include "app/Unit_config.h"

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

#include "app/SettingsFile.h"
#include "store/AtomicFile.h"
#include "ui/Prompt.h"
#include "ui/Widgets.h"

namespace {

QFrame* strip(QWidget* parent, const QString& name, int height) {
    QFrame* frame = ui::panel(parent, name);
    if (height > 0)
        frame->setFixedHeight(height);
    return frame;
}

QLineEdit* labelledEdit(QFrame* strip, const QString& labelName, const QString& caption,
                        const QString& editName) {
    auto* label = new QLabel(caption, strip);
    label->setObjectName(labelName);
    label->setGeometry(12, 10, 64, 18);
    auto* edit = new QLineEdit(strip);
    edit->setObjectName(editName);
    edit->setGeometry(72, 7, 210, 22);
    return edit;
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
    setFixedSize(290, 180);

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
    const QString& section = app::SettingsFile::kSection;
    Edit1->setText(settings.readString(section, QStringLiteral("comname"), QString()));
    Edit2->setText(settings.readString(section, QStringLiteral("cominfo"), QString()));
    CheckBox1->setChecked(app::readAutoBackupFlag(settings));
}

void TForm_config::saveSettings() {
    app::SettingsFile settings(m_context.filePath(app::SettingsFile::kFileName));
    const QString& section = app::SettingsFile::kSection;
    try {
        settings.writeString(section, QStringLiteral("comname"), Edit1->text());
        settings.writeString(section, QStringLiteral("cominfo"), Edit2->text());
        settings.writeInteger(section, QStringLiteral("autobakup"), CheckBox1->isChecked() ? 1 : 0);
    } catch (const store::AtomicFileError& e) {
        m_context.prompt->error(this, QString::fromUtf8(e.what()));
        return;
    }
    m_context.prompt->information(this, QStringLiteral("单位名字和联系信息设置修改成功！"));
}
