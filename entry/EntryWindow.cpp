#include "entry/EntryWindow.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "entry/EntryLines.h"
#include "ledger/BookCommit.h"
#include "ledger/Listings.h"
#include "store/Numbers.h"
#include "store/ValueRules.h"
#include "store/Workbook.h"
#include "ui/Clock.h"
#include "ui/ErrorBox.h"
#include "ui/PanelStatusBar.h"
#include "ui/Prompt.h"
#include "ui/StringGrid.h"
#include "ui/Widgets.h"

namespace entry {

namespace {

constexpr int kButtonStep = 96;  // 89-pixel buttons with their gaps, as on the menu
constexpr int kFirstButton = 200;
constexpr int kButtonWidth = 89;
constexpr int kButtonHeight = 37;

// The preview shows the inventory's number columns as numbers, the others as texts.
bool isNumberColumn(int inventoryCol) {
    return store::layoutOf(store::Book::Inventory).columns[inventoryCol - 1].numeric;
}

}  // namespace

const SearchField* JournalSearch::fieldNamed(const QString& field) const {
    for (const SearchField& f : fields) {
        if (f.name == field)
            return &f;
    }
    return nullptr;
}

QString JournalSearch::dateField() const {
    for (const SearchField& f : fields) {
        if (f.journalCol == dateCol)
            return f.name;
    }
    return {};
}

int EntryTable::previewIndexOf(int inventoryCol) const {
    for (int i = 0; i < previewColumns.size(); ++i) {
        if (previewColumns[i].inventoryCol == inventoryCol)
            return i;
    }
    return -1;
}

QStringList JournalSearch::fieldNames() const {
    QStringList names;
    for (const SearchField& f : fields)
        names << f.name;
    return names;
}

EntryWindow::EntryWindow(const ui::AppContext& context, QWidget* menu, const QString& caption,
                         const EntryTable& table, const QString& gridName)
    : ui::ModuleWindow(context, menu, caption), m_table(table) {
    buildPreview();
    buildLookup();
    m_tools = addStrip(QStringLiteral("Panel3"), 45);
    buildSearch();
    buildGrid(gridName);

    ProgressBar1 = ui::progressBar(this, QStringLiteral("ProgressBar1"), 16);
    column()->addWidget(ProgressBar1);
    StatusBar1 = new ui::PanelStatusBar({70, 80, 70, 80, 70, 80, 50}, this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    for (int i = 0; i < 3; ++i)
        StatusBar1->setPanelText(2 * i, table.statusCaptions.value(i));
    column()->addWidget(StatusBar1);

    SpeedButton11 = stripButton(m_tools, QStringLiteral("SpeedButton11"),
                                QStringLiteral("返回菜单"), table.returnButtonSlot);
    connect(SpeedButton11, &QToolButton::clicked, this, &EntryWindow::SpeedButton11Click);

    // The hidden hand-overs between handlers.
    Button2 = new QPushButton(QStringLiteral("验证数据"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->hide();
    connect(Button2, &QPushButton::clicked, this, &EntryWindow::Button2Click);
    Button1 = new QPushButton(QStringLiteral("显示查询结果"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->hide();
    connect(Button1, &QPushButton::clicked, this, &EntryWindow::Button1Click);
    Edit4 = new QLineEdit(QStringLiteral("剪贴板"), this);
    Edit4->setObjectName(QStringLiteral("Edit4"));
    Edit4->hide();
}

void EntryWindow::buildPreview() {
    QFrame* strip = ui::panel(this, QStringLiteral("Panel1"));
    auto* layout = new QVBoxLayout(strip);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(1);
    StringGrid_kucun = new ui::StringGrid(m_table.previewColsBeforeFetch, 1, strip);
    StringGrid_kucun->setObjectName(QStringLiteral("StringGrid_kucun"));
    StringGrid_kucun->setFixedRows(0);
    // The item's figures under their names: a bare row of numbers says nothing.
    QStringList captions;
    for (const PreviewColumn& column : m_table.previewColumns)
        captions << store::columnCaption(store::Book::Inventory, column.inventoryCol);
    StringGrid_kucun->setHeaderCaptions(captions);
    StringGrid_kucun->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    StringGrid_kucun->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    StringGrid_kucun->horizontalHeader()->setDefaultSectionSize(120);
    QPalette face = StringGrid_kucun->palette();
    face.setColor(QPalette::Base, face.color(QPalette::Button));
    StringGrid_kucun->setPalette(face);
    // The captions, one row and the scroll bar that reaches the columns right of the
    // window's edge.
    StringGrid_kucun->setFixedHeight(StringGrid_kucun->horizontalHeader()->sizeHint().height() +
                                     StringGrid_kucun->verticalHeader()->defaultSectionSize() +
                                     StringGrid_kucun->horizontalScrollBar()->sizeHint().height() +
                                     2 * StringGrid_kucun->frameWidth());
    layout->addWidget(StringGrid_kucun);
    ProgressBar2 = ui::progressBar(strip, QStringLiteral("ProgressBar2"), 8);
    layout->addWidget(ProgressBar2);
    column()->addWidget(strip);
}

void EntryWindow::buildLookup() {
    m_lookup = addStrip(QStringLiteral("Panel2"), 45);
    auto* label = new QLabel(QStringLiteral("商品编号："), m_lookup);
    label->setObjectName(QStringLiteral("Label1"));
    label->setGeometry(8, 14, 64, 18);
    Edit2 = new QLineEdit(m_lookup);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Edit2->setGeometry(72, 11, 120, 23);

    SpeedButton1 =
        stripButton(m_lookup, QStringLiteral("SpeedButton1"), QStringLiteral("调阅数据"), 0);
    SpeedButton2 =
        stripButton(m_lookup, QStringLiteral("SpeedButton2"), QStringLiteral("增加数据"), 1);
    SpeedButton3 =
        stripButton(m_lookup, QStringLiteral("SpeedButton3"), QStringLiteral("删除数据"), 2);
    connect(SpeedButton1, &QToolButton::clicked, this, &EntryWindow::SpeedButton1Click);
    connect(SpeedButton2, &QToolButton::clicked, this, &EntryWindow::SpeedButton2Click);
    connect(SpeedButton3, &QToolButton::clicked, this, &EntryWindow::SpeedButton3Click);
    connect(Edit2, &QLineEdit::returnPressed, this, &EntryWindow::Edit2KeyPress);
}

void EntryWindow::buildSearch() {
    QFrame* strip = m_search = addStrip(QStringLiteral("Panel4"), 32);
    auto* layout = new QHBoxLayout(strip);
    layout->setContentsMargins(6, 3, 6, 3);
    layout->setSpacing(6);
    m_searchButton = ui::speedButton(strip, m_table.search.buttonName, m_table.search.caption,
                                     QString(), 0, 0, 100, 24);
    m_searchButton->setFixedSize(100, 24);
    layout->addWidget(m_searchButton);
    CheckBox1 = new QCheckBox(QStringLiteral("只查当日记录"), strip);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    layout->addWidget(CheckBox1);
    ComboBox1 =
        ui::editableComboBox(strip, QStringLiteral("ComboBox1"), m_table.search.fieldNames());
    ComboBox1->setFixedWidth(100);
    layout->addWidget(ComboBox1);
    ComboBox2 = ui::editableComboBox(strip, QStringLiteral("ComboBox2"), store::conditionNames());
    ComboBox2->setFixedWidth(70);
    layout->addWidget(ComboBox2);
    Edit3 = new QLineEdit(strip);
    Edit3->setObjectName(QStringLiteral("Edit3"));
    layout->addWidget(Edit3, 1);
    connect(m_searchButton, &QToolButton::clicked, this, &EntryWindow::searchJournal);
    // Enter in the query field searches, as the button does.
    connect(Edit3, &QLineEdit::returnPressed, m_searchButton, &QToolButton::click);
    // Picking an item and typing alike: the date lands as soon as the box names the field.
    connect(ComboBox1, &QComboBox::currentTextChanged, this, &EntryWindow::ComboBox1Change);
}

void EntryWindow::buildGrid(const QString& gridName) {
    // The design shape: the entry columns without captions, one empty line.
    m_grid = new ui::StringGrid(m_table.columnCount(), 2, this);
    m_grid->setObjectName(gridName);
    m_grid->horizontalHeader()->setDefaultSectionSize(120);
    for (int c = 0; c < m_table.columnCount(); ++c)
        m_grid->setColWidth(c, 120);
    m_grid->setEditing(true);
    m_grid->setColumnSizing(m_table.grid.columnSizing);
    m_grid->setAlwaysShowEditor(m_table.grid.editorAlwaysShown);
    if (m_table.computedAmountFollows)
        connect(&m_grid->cells(), &ui::GridModel::cellTyped, this, &EntryWindow::followTypedCell);
    column()->addWidget(m_grid, 1);

    PopupMenu1 = ui::popupMenu(m_grid, QStringLiteral("PopupMenu1"));
    const struct {
        QAction** action;
        const char* name;
        const char* caption;
        void (EntryWindow::*click)();
    } items[] = {{&N1, "N1", "自动计算单价", &EntryWindow::N1Click},
                 {&N2, "N2", "自动计算金额", &EntryWindow::N2Click},
                 {&N3, "N3", "复制", &EntryWindow::N3Click},
                 {&N4, "N4", "粘贴", &EntryWindow::N4Click}};
    for (const auto& item : items) {
        *item.action = PopupMenu1->addAction(QString::fromUtf8(item.caption));
        (*item.action)->setObjectName(QString::fromUtf8(item.name));
        connect(*item.action, &QAction::triggered, this, item.click);
    }
}

QToolButton* EntryWindow::stripButton(QFrame* strip, const QString& name, const QString& caption,
                                      int slot) {
    return ui::speedButton(strip, name, caption, QString(), kFirstButton + slot * kButtonStep, 4,
                           kButtonWidth, kButtonHeight);
}

QString EntryWindow::bookPath(store::Book book) const {
    return store::bookPath(context().programDir, book);
}

QString EntryWindow::todayText() const {
    return context().clock->todayText();
}

LineDefaults EntryWindow::lineDefaults() const {
    return {todayText(), context().walkInCustomer};
}

report::ReportControls EntryWindow::reportControls() const {
    return {*m_grid, *ProgressBar1, *StatusBar1, Panel::LineCount};
}

void EntryWindow::SpeedButton8Click() {
    report::exportGrid(*this, reportControls());
}

bool EntryWindow::runPosting(ledger::Posting kind, const Build& build,
                             ledger::Document* committed) {
    const Posted posted = postDocument(
        kind, build, *ProgressBar1, [this](const ledger::Progress& step) { showProgress(step); },
        committed);
    if (posted == Posted::Not)
        return false;
    emptyLines(*m_grid);
    StatusBar1->setPanelText(Panel::LineCount, QStringLiteral("0"));
    return posted == Posted::Now;
}

void EntryWindow::showProgress(const ledger::Progress& step) {
    switch (step.stage) {
        case ledger::Progress::Opened:
            ProgressBar1->setRange(0, m_grid->rowCount());
            ProgressBar1->setValue(0);
            break;
        case ledger::Progress::LineApplied:
            ProgressBar1->setValue(step.line + 1);
            break;
        case ledger::Progress::LinesApplied:
            StatusBar1->setPanelText(Panel::LineCount, QString::number(m_grid->rowCount()));
            StatusBar1->setPanelText(Panel::JournalCount, QString::number(step.journalRecords));
            break;
        case ledger::Progress::Committed:
            // Shown once the records are really stored, so a failed save never shows them.
            StatusBar1->setPanelText(Panel::ItemCount, QString::number(step.items));
            StatusBar1->setPanelText(Panel::JournalCount, QString::number(step.journalRecords));
            break;
        default:  // the bar tells reading and saving by itself
            break;
    }
}

void EntryWindow::itemCounted(int, store::BookPass&) {}

void EntryWindow::SpeedButton1Click() {
    fetchItem(Edit2->text());
}

EntryWindow::Fetched EntryWindow::fetchItem(const QString& code) {
    if (code.trimmed().isEmpty())
        return Fetched::NoItem;
    const QString path = bookPath(store::Book::Inventory);
    if (!context().hasBook(store::Book::Inventory)) {
        // Not "无此货物": no item can be found without the book, as the posting says too.
        context().prompt->information(
            this,
            QStringLiteral("找不到数据文件 %1").arg(store::bookFileName(store::Book::Inventory)));
        return Fetched::Failed;
    }
    StringGrid_kucun->setColCount(int(m_table.previewColumns.size()));
    for (int c = 0; c < m_table.previewColumns.size(); ++c)
        StringGrid_kucun->setColWidth(c, m_table.previewColumns[c].width);
    StringGrid_kucun->cells().setRow(0, {});
    StringGrid_kucun->setRowCount(1);
    settleBooks();
    bool found = false;
    const bool read = attempt([&] {
        store::BookPass book(context().servers, path);
        const int used = book.usedRowCount();
        ProgressBar2->setRange(0, std::max(used, 1));
        ProgressBar2->setValue(0);
        itemCounted(used, book);
        if (const int row = book.findItemByCode(code)) {
            fillPreview(book, row);
            found = true;
        }
        StatusBar1->setPanelText(Panel::ItemCount, QString::number(used - 1));
    });
    ProgressBar2->setValue(0);
    return !read ? Fetched::Failed : found ? Fetched::Item : Fetched::NoItem;
}

void EntryWindow::Edit2KeyPress() {
    scanCode();
}

void EntryWindow::scanCode() {
    const QString code = Edit2->text();
    if (code.trimmed().isEmpty())
        return;
    // Whatever becomes of this code, the field is ready for the next one: a scanner types
    // on without looking, and a code left behind would run into the next.
    Edit2->clear();
    Edit2->setFocus();
    const Fetched fetched = fetchItem(code);
    // A box said why.
    if (fetched == Fetched::Failed)
        return;
    const bool known = fetched == Fetched::Item;
    if (!known && !m_table.scan.unknownCodeStartsItem) {
        context().prompt->beep(this);
        context().prompt->information(this, QStringLiteral("无此货物：商品编号 %1").arg(code));
        return;
    }
    int newItemRow = 0;
    attempt([&] {
        clearResults();
        if (const int row = lineOfCode(code)) {
            countScannedAgain(row);
            return;
        }
        const int row = rowForNewLine();
        if (!row)
            return;
        fillScannedLine(row, code, known);
        if (!known)
            newItemRow = row;
    });
    // A new item's line waits for its name.
    if (newItemRow) {
        context().prompt->beep(this);
        m_grid->editCell(EntryTable::kNameCol, newItemRow);
    }
}

int EntryWindow::lineOfCode(const QString& code) const {
    for (int row = m_grid->rowCount() - 1; row >= 1; --row) {
        if (store::sameItemCode(m_grid->cell(EntryTable::kCodeCol, row), code))
            return row;
    }
    return 0;
}

int EntryWindow::rowForNewLine() {
    ui::StringGrid& grid = *m_grid;
    const int last = grid.rowCount() - 1;
    // A line with a code but no name yet is a new item's, still waiting for its name.
    if (grid.cell(EntryTable::kNameCol, last).isEmpty() &&
        grid.cell(EntryTable::kCodeCol, last).isEmpty()) {
        setUpEntryGrid(grid, m_table);
        return last;
    }
    if (!lastLineAccepted())
        return 0;
    appendLine(grid, m_table, lineDefaults());
    return grid.rowCount() - 1;
}

void EntryWindow::fillScannedLine(int row, const QString& code, bool known) {
    ui::StringGrid& grid = *m_grid;
    fillLineFromPreview(grid, row, m_table, *StringGrid_kucun, lineDefaults());
    // A cell the preview does not give (the customer) is the line above's: one customer
    // takes the whole basket. Without one above, the till's walk-in customer stays.
    for (int c = 0; c < m_table.columnCount() && row > 1; ++c) {
        const LineSource::Kind kind = m_table.lineColumns[c].source.kind;
        const QString above = grid.cell(c, row - 1);
        if ((kind == LineSource::Empty || kind == LineSource::WalkInCustomer) && !above.isEmpty())
            grid.setCell(c, row, above);
    }
    const int priceCol = m_table.previewIndexOf(m_table.scan.priceInventoryCol);
    const double price =
        known ? store::readNumber(store::CellValue::fromText(StringGrid_kucun->cell(priceCol, 0)))
              : 0.0;
    grid.setCell(EntryTable::kCodeCol, row, code);
    grid.setCell(EntryTable::kQtyCol, row, QStringLiteral("1"));
    grid.setCell(EntryTable::kPriceCol, row, store::formatGeneral(price));
    grid.setCell(EntryTable::kAmountCol, row, store::formatFixed2(price));
    markAmountComputed(row);
    fitLineColumns();
}

void EntryWindow::fitLineColumns() {
    // Wide enough still to type a quantity or a remark into an empty cell.
    ui::fitColumns(*m_grid, 320, 72);
}

void EntryWindow::countScannedAgain(int row) {
    ui::StringGrid& grid = *m_grid;
    const double qty =
        ui::cellNumber(grid, EntryTable::kQtyCol, row, ui::captionOf(grid, EntryTable::kQtyCol)) +
        1;
    const double price = ui::cellNumber(grid, EntryTable::kPriceCol, row,
                                        ui::captionOf(grid, EntryTable::kPriceCol));
    grid.setCell(EntryTable::kQtyCol, row, store::formatGeneral(qty));
    grid.setCell(EntryTable::kAmountCol, row, store::formatFixed2(price * qty));
    markAmountComputed(row);
}

void EntryWindow::markAmountComputed(int row) {
    if (m_table.computedAmountFollows)
        m_grid->cells().setComputed(EntryTable::kAmountCol, row, true);
}

void EntryWindow::followTypedCell(int col, int row) {
    if ((col != EntryTable::kQtyCol && col != EntryTable::kPriceCol) ||
        !m_grid->cells().isComputed(EntryTable::kAmountCol, row))
        return;
    const std::optional<double> qty = store::parseDecimal(m_grid->cell(EntryTable::kQtyCol, row));
    const std::optional<double> price =
        store::parseDecimal(m_grid->cell(EntryTable::kPriceCol, row));
    // Half typed ("", "-"), the amount waits for a number.
    if (qty && price)
        m_grid->setCell(EntryTable::kAmountCol, row, store::formatFixed2(*qty * *price));
}

void EntryWindow::fillPreview(store::BookPass& book, int row) {
    QStringList texts;
    for (const PreviewColumn& column : m_table.previewColumns) {
        texts << (isNumberColumn(column.inventoryCol)
                      ? store::formatGeneral(book.number(row, column.inventoryCol))
                      : book.value(row, column.inventoryCol).displayText());
    }
    StringGrid_kucun->cells().setRow(0, texts);
    ui::fitColumns(*StringGrid_kucun);
}

void EntryWindow::SpeedButton2Click() {
    addLine();
}

void EntryWindow::addLine() {
    ui::StringGrid& grid = *m_grid;
    clearResults();
    const int last = grid.rowCount() - 1;
    if (grid.cell(EntryTable::kNameCol, last).isEmpty()) {
        setUpEntryGrid(grid, m_table);
        fillLineFromPreview(grid, last, m_table, *StringGrid_kucun, lineDefaults());
        markAmountComputed(last);
    } else {
        if (!lastLineAccepted())
            return;
        appendLine(grid, m_table, lineDefaults());
    }
    fitLineColumns();
}

void EntryWindow::showEvent(QShowEvent* event) {
    ui::ModuleWindow::showEvent(event);
    Edit2->setFocus(Qt::OtherFocusReason);
}

void EntryWindow::clearResults() {
    // Search results are records already posted, not lines: a new batch takes their place.
    if (m_showsResults) {
        emptyLines(*m_grid);
        m_showsResults = false;
        m_resultRows.clear();
        m_resultDocuments.reset();
    }
}

void EntryWindow::SpeedButton3Click() {
    deleteLastLine(*m_grid);
}

void EntryWindow::Button2Click() {
    m_invalidLine = lastLineInvalid(*m_grid, m_table);
}

bool EntryWindow::lastLineAccepted() {
    Button2->click();
    if (m_invalidLine)
        context().prompt->information(this, fillProperlyMessage());
    return !m_invalidLine;
}

bool EntryWindow::postingConfirmed(const QString& question, const QString& verb) {
    // A blank last line is one 增加数据 added too many: the lines above it are posted.
    const int last = m_grid->rowCount() - 1;
    const bool blankLast = !m_showsResults && lineUntouched(*m_grid, m_table, last, lineDefaults());
    if (blankLast && last <= 1) {
        context().prompt->information(this,
                                      QStringLiteral("表格中没有可以%1的数据，请先录入").arg(verb));
        return false;
    }
    if (m_showsResults) {
        context().prompt->information(
            this, QStringLiteral("表格中是检索结果，不能直接%1；请先增加数据录入新的%2")
                      .arg(verb, m_table.journalRecords));
        return false;
    }
    if (blankLast)
        deleteLastLine(*m_grid);
    if (const int row = firstInvalidLine(*m_grid, m_table)) {
        context().prompt->information(
            this, QStringLiteral("第 %1 行：").arg(row) + fillProperlyMessage());
        return false;
    }
    if (!context().prompt->confirm(this, question))
        return false;
    repaint();
    return true;
}

void EntryWindow::N1Click() {
    computeLinePrices();
}

void EntryWindow::N2Click() {
    computeLineAmounts();
}

void EntryWindow::N3Click() {
    copyCell();
}

void EntryWindow::N4Click() {
    pasteCell();
}

void EntryWindow::computeLinePrices() {
    attempt([this] { computePrices(*m_grid); });
}

void EntryWindow::computeLineAmounts() {
    attempt([this] { computeAmounts(*m_grid, m_table.computedAmountFollows); });
}

void EntryWindow::copyCell() {
    const QPoint at = m_grid->selectedCell();
    ui::copyThrough(Edit4, m_grid->cell(at.x(), at.y()));
}

void EntryWindow::pasteCell() {
    Edit4->clear();
    Edit4->paste();
    const QPoint at = m_grid->selectedCell();
    // Pasted is typed: an amount pasted over a computed one is the shop keeper's.
    m_grid->cells().typeCell(at.x(), at.y(), Edit4->text());
}

void EntryWindow::SpeedButton11Click() {
    close();
}

void EntryWindow::searchJournal() {
    if (Edit3->text().trimmed().isEmpty())
        return;
    // An old total never stands beside new rows.
    StatusBar1->setPanelText(Panel::Total, QString());
    const JournalSearch& search = m_table.search;
    // The boxes and the date are read once: what was asked when the search started.
    const SearchField* field = search.fieldNamed(ComboBox1->currentText());
    ledger::JournalTest test{.field = {.col = field ? field->journalCol : 0,
                                       .condition = store::conditionNamed(ComboBox2->currentText()),
                                       .text = Edit3->text()},
                             .todayOnly = CheckBox1->isChecked(),
                             .dateCol = search.dateCol,
                             .today = todayText(),
                             .journal = search.journal};
    // Read once the books are settled and the journal is open, and kept with the results.
    std::optional<ledger::DocumentIndex> documents;
    const bool byNumber = field && field->documentNumber;
    const auto matches = [&](store::BookPass& book, int row) {
        if (byNumber && !documents) {
            documents = ledger::DocumentIndex::load(context().servers, context().programDir,
                                                    context().database != nullptr);
            test.documents = &*documents;
        }
        return test.matches(book, row);
    };
    const bool numberColumn =
        field && field->journalCol > 0 &&
        store::layoutOf(search.journal).columns[field->journalCol - 1].numeric;
    const query::Listing listing{
        search.journal,
        search.result,
        &search.result,
        matches,
        query::handOver(*Button1, TargetRow, SourceRow, m_openBook),
        numberColumn
            ? store::numberSearchRefusal(test.field.condition, test.field.text, field->name)
            : QString()};
    m_listedRows.clear();
    if (listing.run(*this,
                    {m_grid, ProgressBar1, StatusBar1, Panel::JournalCount, Panel::LineCount})) {
        m_showsResults = true;
        m_resultRows = std::exchange(m_listedRows, {});
        m_resultDocuments = std::move(documents);
    }
}

void EntryWindow::Button1Click() {
    query::copyResultRow(m_openBook, SourceRow, &m_table.search.result, *m_grid, TargetRow);
    if (m_openBook) {
        m_listedRows.resize(std::max<qsizetype>(m_listedRows.size(), TargetRow));
        m_listedRows[TargetRow - 1] = SourceRow;
    }
}

const ledger::DocumentRecord* EntryWindow::documentOfRow(int row) {
    if (!m_showsResults || row < 1 || row > m_resultRows.size())
        return nullptr;
    if (!m_resultDocuments)
        m_resultDocuments = ledger::DocumentIndex::load(context().servers, context().programDir,
                                                        context().database != nullptr);
    return m_resultDocuments->at(m_table.search.journal, m_resultRows[row - 1]);
}

void EntryWindow::ComboBox1Change() {
    offerTodayForDateField();
}

void EntryWindow::offerTodayForDateField() {
    if (ComboBox1->currentText() == m_table.search.dateField())
        Edit3->setText(todayText());
}

}  // namespace entry
