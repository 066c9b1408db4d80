#include "ui/ModuleWindow.h"

namespace ui {

ModuleWindow::ModuleWindow(const AppContext& context, QWidget* menu, const QString& caption)
    : QDialog(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint),
      m_context(context),
      m_menu(menu) {
    setWindowTitle(caption);
}

void ModuleWindow::FormClose() {
    if (m_menu)
        m_menu->show();
}

void ModuleWindow::done(int result) {
    // Every way of closing a dialog ends here, so the menu can never stay hidden.
    FormClose();
    QDialog::done(result);
}

}  // namespace ui
