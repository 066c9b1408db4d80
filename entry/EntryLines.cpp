#include "entry/EntryLines.h"

#include "store/Numbers.h"
#include "store/StoreError.h"
#include "ui/StringGrid.h"

namespace entry {

namespace {

bool onlyDigitsAndPoints(const QString& text) {
    for (const QChar c : text) {
        if (!(c.isDigit() && c.unicode() < 128) && c != QLatin1Char('.'))
            return false;
    }
    return true;
}

// A line's cell from its source; without a preview, only the defaults.
QString sourceText(const EntryTable& table, const LineSource& source, const ui::StringGrid* preview,
                   const LineDefaults& defaults) {
    switch (source.kind) {
        case LineSource::Inventory:
            return preview ? preview->cell(table.previewIndexOf(source.inventoryCol), 0)
                           : QString();
        case LineSource::Zero:
            return QStringLiteral("0");
        case LineSource::Today:
            return defaults.today;
        case LineSource::WalkInCustomer:
            return defaults.walkInCustomer;
        case LineSource::Empty:
            break;
    }
    return {};
}

}  // namespace

QString fillProperlyMessage() {
    return QStringLiteral("除备注外的其它数据项目必须规范填写");
}

void setUpEntryGrid(ui::StringGrid& grid, const EntryTable& table) {
    grid.setColCount(table.columnCount());
    for (int c = 0; c < table.columnCount(); ++c) {
        grid.setColWidth(c, table.lineColumns[c].width);
        grid.setCell(c, 0, table.lineColumns[c].caption);
    }
}

void fillLineFromPreview(ui::StringGrid& grid, int row, const EntryTable& table,
                         const ui::StringGrid& preview, const LineDefaults& defaults) {
    QStringList texts;
    for (const EntryColumn& column : table.lineColumns)
        texts << sourceText(table, column.source, &preview, defaults);
    grid.cells().setRow(row, texts);
}

void appendLine(ui::StringGrid& grid, const EntryTable& table, const LineDefaults& defaults) {
    const int row = grid.rowCount();
    grid.setRowCount(row + 1);
    if (!table.addedLineTakesDefaults)
        return;
    for (int c = 0; c < table.columnCount(); ++c) {
        const QString text = sourceText(table, table.lineColumns[c].source, nullptr, defaults);
        if (!text.isEmpty())
            grid.setCell(c, row, text);
    }
}

bool lineUntouched(const ui::StringGrid& grid, const EntryTable& table, int row,
                   const LineDefaults& defaults) {
    for (int c = 0; c < table.columnCount(); ++c) {
        const QString text = grid.cell(c, row);
        if (!text.isEmpty() &&
            (!table.addedLineTakesDefaults ||
             text != sourceText(table, table.lineColumns[c].source, nullptr, defaults)))
            return false;
    }
    return true;
}

void deleteLastLine(ui::StringGrid& grid) {
    const int last = grid.rowCount() - 1;
    if (last < 1)
        return;
    grid.cells().setRow(last, {});
    if (last > 1)
        grid.setRowCount(last);
}

void emptyLines(ui::StringGrid& grid) {
    for (int row = 1; row < grid.rowCount(); ++row)
        grid.cells().setRow(row, {});
    grid.setRowCount(2);
}

namespace {

bool lineInvalid(const ui::StringGrid& grid, const EntryTable& table, int row) {
    bool invalid = false;
    for (int c = 0; c < table.columnCount(); ++c) {
        const QString text = grid.cell(c, row);
        switch (table.lineColumns[c].rule) {
            case CellRule::Text:
                invalid |= text.isEmpty();
                break;
            case CellRule::Number:
                invalid |= text.isEmpty() || !onlyDigitsAndPoints(text);
                break;
            case CellRule::Free:
                break;
        }
    }
    return invalid;
}

}  // namespace

bool lastLineInvalid(const ui::StringGrid& grid, const EntryTable& table) {
    return lineInvalid(grid, table, grid.rowCount() - 1);
}

int firstInvalidLine(const ui::StringGrid& grid, const EntryTable& table) {
    for (int row = 1; row < grid.rowCount(); ++row) {
        if (lineInvalid(grid, table, row))
            return row;
    }
    return 0;
}

namespace {

// result := f(left, qty) on every line where both are non-zero.
template <typename Compute>
void computeColumn(ui::StringGrid& grid, int resultCol, int otherCol, bool markComputed,
                   Compute compute) {
    const QString qtyCaption = ui::captionOf(grid, EntryTable::kQtyCol);
    const QString otherCaption = ui::captionOf(grid, otherCol);
    for (int row = 1; row < grid.rowCount(); ++row) {
        const double qty = ui::cellNumber(grid, EntryTable::kQtyCol, row, qtyCaption);
        const double other = ui::cellNumber(grid, otherCol, row, otherCaption);
        if (qty != 0 && other != 0) {
            grid.setCell(resultCol, row, store::formatFixed2(compute(other, qty)));
            if (markComputed)
                grid.cells().setComputed(resultCol, row, true);
        }
    }
}

}  // namespace

void computePrices(ui::StringGrid& grid) {
    computeColumn(grid, EntryTable::kPriceCol, EntryTable::kAmountCol, false,
                  [](double amount, double qty) { return amount / qty; });
}

void computeAmounts(ui::StringGrid& grid, bool markComputed) {
    computeColumn(grid, EntryTable::kAmountCol, EntryTable::kPriceCol, markComputed,
                  [](double price, double qty) { return price * qty; });
}

QList<EntryLine> readBatch(const ui::StringGrid& grid, const EntryTable& table) {
    QList<EntryLine> lines;
    for (int row = 1; row < grid.rowCount(); ++row) {
        EntryLine line;
        line.row = row;
        for (int c = 0; c < table.columnCount(); ++c) {
            line.texts << grid.cell(c, row);
            const bool isNumber = table.lineColumns[c].rule == CellRule::Number;
            line.numbers << (isNumber ? ui::cellNumber(grid, c, row, table.lineColumns[c].caption)
                                      : 0.0);
        }
        lines << line;
    }
    return lines;
}

}  // namespace entry
