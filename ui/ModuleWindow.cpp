#include "ui/ModuleWindow.h"

#include <QFrame>
#include <QVBoxLayout>

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
    auto* strip = new QFrame(this);
    strip->setObjectName(name);
    strip->setFrameShape(QFrame::StyledPanel);
    strip->setFixedHeight(height);
    m_column->addWidget(strip);
    return strip;
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
