#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>

#include "ui/AppContext.h"
#include "ui/ModuleWindow.h"
#include "ui/Prompt.h"

// main() has run prepareApplication: the boxes' buttons speak Chinese like the program.
TEST(Application, QtsOwnButtonsAreInChinese) {
    QDialogButtonBox box(QDialogButtonBox::Yes | QDialogButtonBox::No | QDialogButtonBox::Save |
                         QDialogButtonBox::Cancel);
    EXPECT_EQ(box.button(QDialogButtonBox::Yes)->text(), "是(&Y)");
    EXPECT_EQ(box.button(QDialogButtonBox::No)->text(), "否(&N)");
    EXPECT_EQ(box.button(QDialogButtonBox::Save)->text(), "保存");
    EXPECT_EQ(box.button(QDialogButtonBox::Cancel)->text(), "取消");
}

// The save dialog opens in the program folder, not the folder the program was started from.
TEST(Application, TheSaveDialogOpensInTheProgramFolder) {
    QTemporaryDir folder;
    ui::QtPrompt prompt;
    prompt.setStartFolder(folder.path());
    QString opened;
    QTimer::singleShot(0, [&] {
        if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            opened = dialog->directory().absolutePath();
            dialog->reject();
        }
    });
    EXPECT_FALSE(prompt.saveFileName(
        nullptr, {QStringLiteral("导出当前数据保存为"), QStringLiteral("Excel 文件 (*.xls)"),
                  QStringLiteral("xls")}));
    EXPECT_EQ(opened, QDir(folder.path()).absolutePath());
}

// A window never opens taller or wider than the screen's free area, whatever size it asks.
TEST(Application, NoWindowOpensLargerThanTheScreen) {
    const ui::AppContext context;
    ui::ModuleWindow window(context, nullptr, QStringLiteral("销售分析"));
    const QSize room = QApplication::primaryScreen()->availableGeometry().size();
    window.resize(room.width() + 300, room.height() + 400);
    window.show();
    EXPECT_LE(window.frameGeometry().height(), room.height());
    EXPECT_LE(window.frameGeometry().width(), room.width());
}
