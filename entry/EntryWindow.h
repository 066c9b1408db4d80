#pragma once

#include <functional>
#include <initializer_list>
#include <optional>

#include "entry/EntryLines.h"
#include "entry/EntryTable.h"
#include "ledger/Documents.h"
#include "ledger/Ledger.h"
#include "report/GridReport.h"
#include "store/DataBooks.h"
#include "ui/ModuleWindow.h"

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QToolButton;

namespace ui {
class PanelStatusBar;
class StringGrid;
}  // namespace ui

namespace entry {

// The stock-in and stock-out windows: a preview of one item, an entry grid of lines,
// the search strip, a progress bar and seven status panels. Everything the two do
// alike lives here, told by the window's EntryTable what its columns are; each window
// adds its own buttons and postings.
class EntryWindow : public ui::ModuleWindow {
    Q_OBJECT
public:
    EntryWindow(const ui::AppContext& context, QWidget* menu, const QString& caption,
                const EntryTable& table, const QString& gridName);

    // "调阅数据".
    void SpeedButton1Click();
    // Enter in the code field, which is how a barcode scanner ends a code: the item is
    // fetched and counted into the lines, and the field is ready for the next code.
    void Edit2KeyPress();
    // "增加数据".
    void SpeedButton2Click();
    // "删除数据": the bottom line, whatever is selected.
    void SpeedButton3Click();
    // Hidden "验证数据": the line check of the last line, into the invalid-line flag.
    void Button2Click();
    void N1Click();  // "自动计算单价"
    void N2Click();  // "自动计算金额"
    void N3Click();  // "复制"
    void N4Click();  // "粘贴"
    void SpeedButton11Click();

    // "导出保存": the grid as it stands, lines or search results, into a spreadsheet file
    // the shop keeper names.
    void SpeedButton8Click();

    // Hidden "显示查询结果": copies journal row SourceRow into grid row TargetRow; only the
    // search's loop reaches it.
    void Button1Click();
    // The field box changed.
    void ComboBox1Change();

protected:
    // The keyboard starts in 商品编号, so that a scan straight after opening lands there.
    void showEvent(QShowEvent* event) override;

    // The search button: the journal records whose field meets the condition (and that are
    // dated today, when asked), in journal order, replacing whatever the grid held.
    void searchJournal();

    const EntryTable& table() const { return m_table; }
    ui::StringGrid& entryGrid() const { return *m_grid; }
    QFrame* lookupStrip() const { return m_lookup; }
    QFrame* toolsStrip() const { return m_tools; }
    // The journal search's strip; its layout keeps the search field stretching.
    QFrame* searchStrip() const { return m_search; }

    // A button of the lookup or tools strip, in its place among the strip's buttons.
    QToolButton* stripButton(QFrame* strip, const QString& name, const QString& caption, int slot);

    // Called by a fetch once it knows the inventory book's used row count.
    virtual void itemCounted(int usedRows, store::BookPass& book);

    // Runs lastLineInvalid through the hidden "验证数据" button; on a bad line says so and
    // returns false.
    bool lastLineAccepted();
    // The start every posting shares: a last line with its code and name, a grid of lines
    // rather than search results, every line passing the line check, and the shop keeper's
    // yes to `question`. False when any of them stops it; `verb` names the posting.
    bool postingConfirmed(const QString& question, const QString& verb);
    // A posting of the grid's lines, as the document `build` makes of them, while the
    // progress bar and the status panels follow (see postDocument). Afterwards the lines
    // are gone when they are in the books, else they stay. True when this press posted
    // them, and then the document, numbered, is in `committed` when one is given.
    bool runPosting(ledger::Posting kind, const Build& build,
                    ledger::Document* committed = nullptr);
    // The document grid row `row` (from 1) of a search's results was posted in: none for a
    // line typed by hand, or a record from before the documents or typed into a
    // spreadsheet. The documents book is read the first time the results ask for one;
    // a book that cannot be read throws store::StoreError.
    const ledger::DocumentRecord* documentOfRow(int row);
    QString bookPath(store::Book book) const;
    QString todayText() const;
    LineDefaults lineDefaults() const;
    // What the export and the printouts read and report into.
    report::ReportControls reportControls() const;

    ui::StringGrid* StringGrid_kucun;
    QProgressBar* ProgressBar2;
    QLineEdit* Edit2;
    QToolButton* SpeedButton1;
    QToolButton* SpeedButton2;
    QToolButton* SpeedButton3;
    QToolButton* SpeedButton11;
    QToolButton* m_searchButton;
    QCheckBox* CheckBox1;
    QComboBox* ComboBox1;
    QComboBox* ComboBox2;
    QLineEdit* Edit3;
    QMenu* PopupMenu1;
    QAction* N1;
    QAction* N2;
    QAction* N3;
    QAction* N4;
    QProgressBar* ProgressBar1;
    ui::PanelStatusBar* StatusBar1;
    QPushButton* Button2;
    QPushButton* Button1;
    QLineEdit* Edit4;

    // Set by the line check, read by its callers right after they run it.
    bool m_invalidLine = false;
    // The grid shows a search's results, from the search until "增加数据" starts a batch.
    bool m_showsResults = false;
    // The match the search's loop hands to the row copy, and the journal it has open.
    int TargetRow = 0;
    int SourceRow = 0;
    store::BookPass* m_openBook = nullptr;
    // The journal row of each result row, as the search copied it (m_listedRows while it
    // runs), and the documents those rows belong to, once read.
    QList<int> m_listedRows, m_resultRows;
    std::optional<ledger::DocumentIndex> m_resultDocuments;

private:
    void showProgress(const ledger::Progress& step);
    void buildPreview();
    void buildLookup();
    void buildSearch();
    void buildGrid(const QString& gridName);
    // The item of the code (as Edit2 holds it) into the preview.
    enum class Fetched { Item, NoItem, Failed };
    Fetched fetchItem(const QString& code);
    void scanCode();
    // The line a scan counts into again: the bottom-most one of the same item code, or 0.
    int lineOfCode(const QString& code) const;
    // The row a scan's new line goes into: the empty last line, or one added below a last
    // line that passes the line check. 0 when the check refused it, and said so.
    int rowForNewLine();
    void fillScannedLine(int row, const QString& code, bool known);
    // The lines' columns fitted to what they now hold.
    void fitLineColumns();
    void countScannedAgain(int row);
    // The line's amount follows its quantity and price (EntryTable::computedAmountFollows).
    void markAmountComputed(int row);
    // A quantity or price typed into a line whose amount follows them.
    void followTypedCell(int col, int row);
    void fillPreview(store::BookPass& book, int row);
    // Fills an empty last line from the preview, or checks the last line and adds one below
    // it.
    void addLine();
    void clearResults();
    void computeLinePrices();
    void computeLineAmounts();
    void copyCell();
    void pasteCell();
    // The date field puts today's date into the search text.
    void offerTodayForDateField();

    const EntryTable& m_table;
    ui::StringGrid* m_grid = nullptr;
    QFrame* m_lookup = nullptr;
    QFrame* m_tools = nullptr;
    QFrame* m_search = nullptr;
};

// The seven status panels of an entry window.
namespace Panel {
enum : int { JournalCount = 1, LineCount = 3, ItemCount = 5, Total = 6 };
}

}  // namespace entry
