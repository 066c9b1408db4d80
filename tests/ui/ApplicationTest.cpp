#include <gtest/gtest.h>

#include <QDialogButtonBox>
#include <QPushButton>

// main() has run prepareApplication: the boxes' buttons speak Chinese like the program.
TEST(Application, QtsOwnButtonsAreInChinese) {
    QDialogButtonBox box(QDialogButtonBox::Yes | QDialogButtonBox::No | QDialogButtonBox::Save |
                         QDialogButtonBox::Cancel);
    EXPECT_EQ(box.button(QDialogButtonBox::Yes)->text(), "是(&Y)");
    EXPECT_EQ(box.button(QDialogButtonBox::No)->text(), "否(&N)");
    EXPECT_EQ(box.button(QDialogButtonBox::Save)->text(), "保存");
    EXPECT_EQ(box.button(QDialogButtonBox::Cancel)->text(), "取消");
}
