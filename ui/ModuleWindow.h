#pragma once

#include <QDate>
#include <QDialog>
#include <functional>
#include <optional>

#include "ledger/Ledger.h"
#include "ui/AppContext.h"

class QFrame;
class QLineEdit;
class QProgressBar;
class QToolButton;

namespace store {
class StoreError;
}
class QVBoxLayout;

namespace ui {

// What the four module windows (stock in, sales, the inventory query and the sales
// analysis) share as windows: shown modally in place of the menu, and however they are
// closed ("返回菜单" or the title-bar close box) their close handler brings the menu back.
// Their operations end in the same boxes when the books fail.
class ModuleWindow : public QDialog {
    Q_OBJECT
public:
    ModuleWindow(const AppContext& context, QWidget* menu, const QString& caption);

    const AppContext& context() const { return m_context; }

    // Shows the menu window again.
    void FormClose();

    void done(int result) override;

    // The box for a failed operation over this window: see ui::errorBox.
    void showFailure(const store::StoreError& failure);
    // Before a book is read: see ui::settleBooks.
    void settleBooks();
    // Runs one operation of the window; a store failure it throws ends it in that box, and
    // the result is false.
    bool attempt(const std::function<void()>& operation);

    // The day typed into `edit` (named `what` in the box), read as the journals' dates are;
    // none, after a box that says so, when it is no day.
    std::optional<QDate> typedDay(const QLineEdit& edit, const QString& what);
    // The period typed into 起始日期 and 终止日期, two days in order; none, after a box that
    // says what is wrong, otherwise.
    struct Period {
        QDate from, to;
    };
    std::optional<Period> typedPeriod(const QLineEdit& from, const QLineEdit& to);

    // Where and by whom the window's documents are made, now.
    ledger::Origin origin() const;

    // What became of a posting.
    enum class Posted {
        Now,      // committed by this press
        Already,  // in the books before this press (a record carried out, a lost answer)
        Not,      // nothing was posted: a box said why
    };
    // Commits the document of `kind` that `build` makes, through the shop's books, while `bar`
    // tells its steps and `follow` hears them; every box the outcome needs is shown here. Lines
    // whose earlier commit is unsettled are never posted twice: when a failing disk left it to the
    // commit record, the record is carried out instead; when the database could not say whether it
    // went through, the new document keeps the earlier one's identity, which the books take once.
    // A document committed Now, with the number the commit gave it, goes to `committed`.
    using Build = std::function<ledger::Document(const ledger::Origin&)>;
    Posted postDocument(ledger::Posting kind, const Build& build, QProgressBar& bar,
                        const ledger::ProgressFn& follow, ledger::Document* committed = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    // Sized for a screen of 96 dpi, a window may be taller than a small or scaled screen:
    // it opens no larger than the screen's free area, its status bar in sight.
    void showEvent(QShowEvent* event) override;

    // The window is a column of full-width strips, top to bottom.
    QVBoxLayout* column() const { return m_column; }
    QFrame* addStrip(const QString& name, int height);
    // A strip of tool buttons side by side, as the windows made after the first three have
    // them; a button without a click closes the window.
    struct StripButton {
        QToolButton** button;
        const char* name;
        const char* caption;
        std::function<void()> click;
    };
    void addToolStrip(std::initializer_list<StripButton> buttons);

private:
    // True when every book is there and may be written; else a box names the first that is
    // missing or read-only. Posting into one book alone would leave lines that a second
    // press counts twice.
    bool booksWritable(ledger::Posting kind);
    Posted settleRecordedLines(const QString& verb);
    // The posting stopped before anything was stored: the failure, and that the books are
    // as they were. A plain box for a fact of the shop, an error box for a fault.
    void showNothingPosted(const store::StoreError& failure, ledger::Posting kind,
                           bool plainBox = false);

    // Lines whose last commit is unsettled: left to the commit record, or of unknown outcome
    // on the database (that document, whose identity the same lines are committed under
    // again; other lines are another document).
    struct Unsettled {
        bool recorded = false;
        std::optional<ledger::Document> unknown;
    };
    Unsettled m_unsettled;
    QVBoxLayout* m_column;
    AppContext m_context;
    QWidget* m_menu;
};

// Before a book is read: a commit that a crash interrupted is finished or undone, and the
// shop keeper told in a box over `parent` what was done. A commit another writer is
// running is left to it.
void settleBooks(const AppContext& context, QWidget* parent);

}  // namespace ui
