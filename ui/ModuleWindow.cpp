#include "ui/ModuleWindow.h"

#include <QFrame>
#include <QKeyEvent>
#include <QVBoxLayout>

#include "ledger/BookCommit.h"
#include "ledger/Ledger.h"
#include "ui/ErrorBox.h"
#include "ui/Prompt.h"
#include "ui/Widgets.h"

namespace ui {

ModuleWindow::ModuleWindow(const AppContext& context, QWidget* menu, const QString& caption)
    : QDialog(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint),
      m_context(context),
      m_menu(menu) {
    setWindowTitle(caption);
    resize(700, 480);
    m_column = new QVBoxLayout(this);
    m_column->setContentsMargins(0, 0, 0, 0);
    m_column->setSpacing(0);
}

QFrame* ModuleWindow::addStrip(const QString& name, int height) {
    QFrame* strip = panel(this, name);
    strip->setFixedHeight(height);
    m_column->addWidget(strip);
    return strip;
}

void ModuleWindow::FormClose() {
    if (m_menu)
        m_menu->show();
}

void ModuleWindow::keyPressEvent(QKeyEvent* event) {
    // A dialog closes on Escape and clicks its default button on Enter; these are working
    // windows where both keys belong to the grid and the fields, and closing one by a
    // stray key would surprise the shop keeper.
    if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Return ||
        event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void ModuleWindow::done(int result) {
    // Every way of closing a dialog ends here, so the menu can never stay hidden.
    FormClose();
    QDialog::done(result);
}

void ModuleWindow::showFailure(const store::StoreError& failure) {
    showErrorBox(m_context, this, failure);
}

void ModuleWindow::settleBooks() {
    ui::settleBooks(m_context, this);
}

void settleBooks(const AppContext& context, QWidget* parent) {
    const ledger::Ledger books(context.programDir, context.servers, context.database);
    try {
        const QString done = books.recoverIfIdle();
        if (!done.isEmpty())
            context.prompt->information(parent, done);
    } catch (const ledger::UnsettledCommit& unsettled) {
        if (!unsettled.mayDiscardRecord() ||
            !context.prompt->confirm(
                parent, unsettled.message() + QStringLiteral("\n\n删除这个提交记录吗？"))) {
            context.prompt->error(parent, unsettled.message());
            return;
        }
        try {
            books.discardCommitRecord();
        } catch (const store::StoreError& failure) {
            context.prompt->error(parent, failure.message());
        }
    } catch (const store::StoreError& failure) {
        context.prompt->error(parent, failure.message());
    }
}

bool ModuleWindow::attempt(const std::function<void()>& operation) {
    try {
        operation();
        return true;
    } catch (const store::StoreError& failure) {
        showFailure(failure);
        return false;
    }
}

}  // namespace ui
