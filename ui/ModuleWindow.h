#pragma once

#include <QDialog>
#include <functional>

#include "ui/AppContext.h"

class QFrame;

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

protected:
    void keyPressEvent(QKeyEvent* event) override;

    // The window is a column of full-width strips, top to bottom.
    QVBoxLayout* column() const { return m_column; }
    QFrame* addStrip(const QString& name, int height);

private:
    QVBoxLayout* m_column;
    AppContext m_context;
    QWidget* m_menu;
};

// Before a book is read: a commit that a crash interrupted is finished or undone, and the
// shop keeper told in a box over `parent` what was done. A commit another writer is
// running is left to it.
void settleBooks(const AppContext& context, QWidget* parent);

}  // namespace ui
