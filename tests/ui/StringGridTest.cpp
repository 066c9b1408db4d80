#include <gtest/gtest.h>

#include <QFont>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "ui/StringGrid.h"
#include "ui/Widgets.h"

using ui::GridModel;
using ui::StringGrid;

TEST(GridModel, RowZeroIsTheCaptionHeaderAndDataRowsFollowIt) {
    GridModel grid(3, 3);
    grid.setRow(0, {QStringLiteral("商品编号"), QStringLiteral("商品名称")});
    grid.setCell(1, 1, QStringLiteral("可乐"));
    grid.setCell(2, 2, QStringLiteral("瓶"));

    EXPECT_EQ(grid.rowCount(), 2);  // the view's rows: the caption row is the header
    EXPECT_EQ(grid.headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), "商品编号");
    EXPECT_EQ(grid.headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(), "");
    EXPECT_EQ(grid.data(grid.index(0, 1), Qt::DisplayRole).toString(), "可乐");
    EXPECT_EQ(grid.data(grid.index(1, 2), Qt::DisplayRole).toString(), "瓶");

    // an edit in place lands in the grid row below the captions
    ASSERT_TRUE(grid.setData(grid.index(1, 0), QStringLiteral("1001"), Qt::EditRole));
    EXPECT_EQ(grid.cell(0, 2), "1001");
}

TEST(GridModel, AComputedCellStaysSoUntilTypedOverOrItsRowIsReplaced) {
    GridModel grid(2, 4);
    QSignalSpy typed(&grid, &GridModel::cellTyped);
    for (int row = 1; row <= 3; ++row)
        grid.setComputed(1, row, true);
    // the editor writing back the text it shows, on closing, is no typing
    grid.setData(grid.index(0, 1), "", Qt::EditRole);
    EXPECT_TRUE(grid.data(grid.index(0, 1), Qt::FontRole).value<QFont>().italic());
    grid.setData(grid.index(0, 1), "10", Qt::EditRole);
    EXPECT_FALSE(grid.isComputed(1, 1));
    EXPECT_EQ(typed.size(), 1);
    // a row written whole, or dropped and added again, starts plain
    grid.setRow(2, {});
    grid.setGridRowCount(3);
    grid.setGridRowCount(4);
    EXPECT_FALSE(grid.isComputed(1, 2) || grid.isComputed(1, 3));
}

TEST(GridModel, NumbersAreRightAlignedAndTextsAreNot) {
    GridModel grid(3, 2);
    grid.setRow(1, {QStringLiteral("12.5"), QStringLiteral("可乐"), QStringLiteral("-3")});
    const auto right = [&grid](int col) {
        return grid.data(grid.index(0, col), Qt::TextAlignmentRole).toInt() & Qt::AlignRight;
    };
    EXPECT_TRUE(right(0) && right(2));
    EXPECT_FALSE(right(1));
}

TEST(GridModel, ResizingKeepsTheCellsThatRemain) {
    GridModel grid(2, 3);
    grid.setRow(1, {QStringLiteral("a"), QStringLiteral("b")});
    grid.setRow(2, {QStringLiteral("c"), QStringLiteral("d")});

    grid.setColCount(4);
    EXPECT_EQ(grid.row(2), QStringList({"c", "d", "", ""}));
    grid.setColCount(1);
    EXPECT_EQ(grid.row(1), QStringList({"a"}));
    grid.setGridRowCount(5);
    EXPECT_EQ(grid.cell(0, 2), "c");
    EXPECT_EQ(grid.cell(0, 4), "");
    grid.setGridRowCount(2);
    EXPECT_EQ(grid.gridRowCount(), 2);
    EXPECT_EQ(grid.cell(0, 1), "a");
    // the caption row always stays
    grid.setGridRowCount(0);
    EXPECT_EQ(grid.gridRowCount(), 1);
}

TEST(GridModel, CellsOutsideTheGridAreEmptyAndIgnored) {
    GridModel grid(2, 2);
    grid.setCell(2, 1, QStringLiteral("x"));
    grid.setCell(0, 2, QStringLiteral("x"));
    grid.setCell(-1, 0, QStringLiteral("x"));
    EXPECT_EQ(grid.cell(2, 1), "");
    EXPECT_EQ(grid.cell(0, -1), "");
    EXPECT_EQ(grid.row(1), QStringList({"", ""}));
}

TEST(GridModel, TellsTheViewWhatChanged) {
    GridModel grid(2, 3);
    QSignalSpy data(&grid, &GridModel::dataChanged);
    QSignalSpy header(&grid, &GridModel::headerDataChanged);
    QSignalSpy inserted(&grid, &GridModel::rowsInserted);
    QSignalSpy removed(&grid, &GridModel::rowsRemoved);

    grid.setCell(1, 0, QStringLiteral("名称"));
    grid.setCell(1, 2, QStringLiteral("x"));
    grid.setGridRowCount(10);
    grid.setGridRowCount(4);

    ASSERT_EQ(header.size(), 1);
    ASSERT_EQ(data.size(), 1);
    EXPECT_EQ(data[0][0].toModelIndex().row(), 1);
    ASSERT_EQ(inserted.size(), 1);
    EXPECT_EQ(inserted[0][1].toInt(), 2);  // model rows 2..8 are grid rows 3..9
    EXPECT_EQ(inserted[0][2].toInt(), 8);
    ASSERT_EQ(removed.size(), 1);
    EXPECT_EQ(removed[0][1].toInt(), 3);
    EXPECT_EQ(removed[0][2].toInt(), 8);
}

TEST(StringGrid, SelectionIsReportedInGridRows) {
    StringGrid grid(5, 6);
    EXPECT_FALSE(grid.selectionRange().isValid());
    grid.selectRange(1, 2, 3, 4);
    const QRect range = grid.selectionRange();
    EXPECT_EQ(range.left(), 1);
    EXPECT_EQ(range.top(), 2);
    EXPECT_EQ(range.right(), 3);
    EXPECT_EQ(range.bottom(), 4);
}

TEST(StringGrid, APreviewWithoutCaptionRowShowsRowZeroAsData) {
    StringGrid grid(3, 1);
    grid.setFixedRows(0);
    grid.setCell(0, 0, QStringLiteral("1001"));
    EXPECT_TRUE(grid.horizontalHeader()->isHidden());
    EXPECT_EQ(grid.model()->rowCount(), 1);
    EXPECT_EQ(grid.model()->data(grid.model()->index(0, 0)).toString(), "1001");
    EXPECT_FALSE(grid.model()->headerData(0, Qt::Horizontal).isValid());
    grid.setHeaderCaptions({"商品编号"});  // named above the data, not in it
    EXPECT_EQ(grid.model()->headerData(0, Qt::Horizontal).toString(), "商品编号");
    EXPECT_EQ(grid.model()->rowCount(), 1);

    QSignalSpy inserted(grid.model(), &QAbstractItemModel::rowsInserted);
    grid.setRowCount(3);  // grid rows 1..2 are model rows 1..2
    ASSERT_EQ(inserted.size(), 1);
    EXPECT_EQ(inserted[0][1].toInt(), 1);
    EXPECT_EQ(inserted[0][2].toInt(), 2);
    grid.selectRange(1, 0, 2, 1);
    EXPECT_EQ(grid.selectionRange(), QRect(QPoint(1, 0), QPoint(2, 1)));
}

TEST(StringGrid, EditsInPlaceOnlyWhenTheWindowAllowsIt) {
    StringGrid grid(2, 3);
    const QModelIndex cell = grid.model()->index(0, 0);
    EXPECT_FALSE(grid.model()->flags(cell) & Qt::ItemIsEditable);
    grid.setEditing(true);
    EXPECT_TRUE(grid.model()->flags(cell) & Qt::ItemIsEditable);
    EXPECT_NE(grid.editTriggers(), QAbstractItemView::NoEditTriggers);
    grid.setEditableColumns({1});
    EXPECT_FALSE(grid.model()->flags(cell) & Qt::ItemIsEditable);
    EXPECT_TRUE(grid.model()->flags(cell.siblingAtColumn(1)) & Qt::ItemIsEditable);
}

TEST(StringGrid, TypedTextReachesTheCellWhileTheEditorIsStillOpen) {
    StringGrid grid(2, 3);
    grid.setEditing(true);
    grid.show();
    const QModelIndex cell = grid.model()->index(1, 1);
    grid.setCurrentIndex(cell);
    grid.edit(cell);
    auto* editor = grid.viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    QTest::keyClicks(editor, "12");
    EXPECT_EQ(grid.cell(1, 2), "12");  // grid row 2: the caption row is not a model row
    EXPECT_TRUE(editor->isVisible());
}

// The stock-out grid keeps its editor open on the current cell: a posting that empties
// the lines under an open editor must not get the old text back when the editor closes.
TEST(StringGrid, AnEditorAlwaysShownNeverWritesBackTextTheProgramReplaced) {
    StringGrid grid(3, 3);
    grid.setEditing(true);
    grid.setAlwaysShowEditor(true);
    grid.show();
    grid.setCurrentIndex(grid.model()->index(0, 1));  // reached, not double-clicked
    auto* editor = grid.viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    QTest::keyClicks(editor, "5");
    ASSERT_EQ(grid.cell(1, 1), "5");

    grid.cells().setRow(1, {});  // as a posting empties its lines
    grid.setRowCount(2);
    EXPECT_EQ(editor->text(), "");
    grid.setCurrentIndex(grid.model()->index(0, 2));  // the shop keeper moves on
    EXPECT_EQ(grid.cell(1, 1), "");

    grid.setCell(2, 1, "7");  // one cell set while its editor is open shows in the editor
    QLineEdit* open = nullptr;
    for (QLineEdit* e : grid.viewport()->findChildren<QLineEdit*>())
        open = e->isVisible() ? e : open;
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(open->text(), "7");
}

TEST(StringGrid, ColumnSizingCanBeWithheldFromTheUserButNotFromTheProgram) {
    StringGrid grid(2, 2);
    grid.setColumnSizing(false);
    EXPECT_EQ(grid.horizontalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
    grid.setColWidth(0, 260);
    EXPECT_EQ(grid.columnWidth(0), 260);

    // Fitted to what they hold: a short name gives way, a long remark stops at the limit.
    grid.cells().setRow(1, {"可乐", QString(200, QChar(u'备'))});
    ui::fitColumns(grid);
    EXPECT_LT(grid.columnWidth(0), 100);
    EXPECT_EQ(grid.columnWidth(1), 320);
}

TEST(StringGrid, TabGoesCellByCellAndLeavesAtTheLastForTheNextControlInReadingOrder) {
    QWidget window;
    auto* below = new QPushButton("below", &window);  // made first, read last
    below->setGeometry(0, 200, 80, 24);
    auto* grid = new StringGrid(2, 2, &window);
    grid->setGeometry(0, 0, 200, 150);
    window.show();
    ui::tabInReadingOrder(&window);
    grid->setFocus();
    grid->setCurrentIndex(grid->model()->index(0, 0));
    QTest::keyClick(grid, Qt::Key_Tab);
    EXPECT_EQ(grid->currentIndex().column(), 1);
    QTest::keyClick(grid, Qt::Key_Tab);
    EXPECT_EQ(window.focusWidget(), below);
}

TEST(StringGrid, HoldsAHundredThousandRowsWithFixedRowHeights) {
    StringGrid grid(10, 2);
    grid.resize(700, 400);
    grid.setRowCount(100001);
    for (int row = 1; row <= 100000; ++row)
        grid.setCell(0, row, QString::number(row));
    grid.scrollToBottom();
    EXPECT_EQ(grid.cell(0, 100000), "100000");
    EXPECT_EQ(grid.verticalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
    // the last row is where the view shows it: heights were never measured row by row
    const int height = grid.verticalHeader()->defaultSectionSize();
    EXPECT_EQ(
        grid.verticalHeader()->sectionViewportPosition(99999) + grid.verticalHeader()->offset(),
        99999 * height);
}
