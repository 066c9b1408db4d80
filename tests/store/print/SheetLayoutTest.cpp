#include <gtest/gtest.h>

#include "store/StoreError.h"
#include "store/print/SheetLayout.h"

using store::PageSetup;
using store::print::columnWidthPoints;
using store::print::PageCells;
using store::print::SheetLayout;

namespace {

// A4 portrait with zero side margins, so page widths are easy to reason about.
PageSetup bareA4() {
    PageSetup s;
    s.left = s.right = 0;
    return s;
}

std::vector<PageCells> pages(const SheetLayout& l) {
    std::vector<PageCells> out;
    for (int i = 0; i < l.pageCount(); ++i)
        out.push_back(l.page(i));
    return out;
}

}  // namespace

TEST(SheetLayout, ColumnWidthsConvertLikeSpreadsheetPrograms) {
    // The default 8.43 characters is the well-known 64 px column; 6 characters are 47 px.
    EXPECT_DOUBLE_EQ(columnWidthPoints(8.43), 64 * 0.75);
    EXPECT_DOUBLE_EQ(columnWidthPoints(6), 47 * 0.75);
    EXPECT_DOUBLE_EQ(columnWidthPoints(18), 131 * 0.75);
    EXPECT_EQ(columnWidthPoints(0), 0);  // hidden
    EXPECT_EQ(columnWidthPoints(-3), 0);
    EXPECT_DOUBLE_EQ(columnWidthPoints(1e300), columnWidthPoints(255));  // hostile books
}

TEST(SheetLayout, PaperOrientationAndMarginsComeFromThePageSetup) {
    PageSetup a4;
    const SheetLayout portrait(a4, {50}, 1, 15);
    EXPECT_NEAR(portrait.paperSize().width(), 595.3, 0.1);
    EXPECT_NEAR(portrait.paperSize().height(), 841.9, 0.1);
    EXPECT_NEAR(portrait.cellArea().left(), 0.7 * 72, 1e-9);
    EXPECT_NEAR(portrait.cellArea().top(), 0.75 * 72, 1e-9);
    EXPECT_NEAR(portrait.cellArea().right(), 595.276 - 0.7 * 72, 0.01);
    EXPECT_NEAR(portrait.headerTop(), 0.3 * 72, 1e-9);
    EXPECT_NEAR(portrait.footerBottom(), 841.89 - 0.3 * 72, 0.01);

    PageSetup letterLandscape;
    letterLandscape.paperSize = 1;
    letterLandscape.landscape = true;
    const SheetLayout landscape(letterLandscape, {50}, 1, 15);
    EXPECT_NEAR(landscape.paperSize().width(), 792, 0.1);
    EXPECT_NEAR(landscape.paperSize().height(), 612, 0.1);

    PageSetup odd;
    odd.paperSize = 9999;  // a code we do not know prints on A4
    EXPECT_NEAR(SheetLayout(odd, {50}, 1, 15).paperSize().width(), 595.3, 0.1);
}

TEST(SheetLayout, MarginsThatLeaveNoRoomAreAnError) {
    PageSetup s;
    s.left = s.right = 4.2;  // A4 is 8.27 in wide
    EXPECT_THROW(SheetLayout(s, {50}, 1, 15), store::StoreError);
    PageSetup tall;
    tall.top = tall.bottom = 5.9;
    EXPECT_THROW(SheetLayout(tall, {50}, 1, 15), store::StoreError);
}

TEST(SheetLayout, RowsFillAPageThenContinueOnTheNext) {
    PageSetup s;
    const SheetLayout l(s, {50, 50}, 100, 15);
    // 841.89 - 2 * 54 points leave room for 48 rows of 15 points.
    ASSERT_EQ(l.pageCount(), 3);
    EXPECT_EQ(l.page(0).firstRow, 1);
    EXPECT_EQ(l.page(0).lastRow, 48);
    EXPECT_EQ(l.page(1).firstRow, 49);
    EXPECT_EQ(l.page(2).firstRow, 97);
    EXPECT_EQ(l.page(2).lastRow, 100);
    EXPECT_EQ(l.page(2).lastCol, 2);

    EXPECT_EQ(SheetLayout(s, {50}, 48, 15).pageCount(), 1);
    EXPECT_EQ(SheetLayout(s, {50}, 49, 15).pageCount(), 2);
    EXPECT_EQ(SheetLayout(s, {50}, 0, 15).pageCount(), 1);  // an empty sheet still prints
}

TEST(SheetLayout, ColumnBreaksHonourExactFitsOverwideAndHiddenColumns) {
    const double page = SheetLayout(bareA4(), {1}, 1, 15).cellArea().width();
    // Two halves fill the page exactly and share it.
    EXPECT_EQ(SheetLayout(bareA4(), {page / 2, page / 2}, 1, 15).pageCount(), 1);
    // A column wider than the page stands alone, and so does the next one.
    const auto over = pages(SheetLayout(bareA4(), {10, page + 50, 10}, 1, 15));
    ASSERT_EQ(over.size(), 3u);
    EXPECT_EQ(over[1].firstCol, 2);
    EXPECT_EQ(over[1].lastCol, 2);
    // Hidden columns take no room.
    EXPECT_EQ(SheetLayout(bareA4(), {page / 2, 0, 0, page / 2}, 1, 15).pageCount(), 1);
}

TEST(SheetLayout, CellRectanglesStartAtThePagesOwnFirstCell) {
    const SheetLayout l(bareA4(), {200, 200, 300}, 60, 15);
    const PageCells second = l.page(1);
    const QRectF r = l.cellRect(second, second.firstRow + 2, 2);
    EXPECT_DOUBLE_EQ(r.left(), 200);
    EXPECT_DOUBLE_EQ(r.top(), l.cellArea().top() + 30);
    EXPECT_DOUBLE_EQ(r.width(), 200);
    const PageCells over = l.page(2);
    EXPECT_DOUBLE_EQ(l.cellRect(over, 1, 3).left(), 0);
    EXPECT_DOUBLE_EQ(l.cellRect(over, 1, 3).width(), 300);
}
