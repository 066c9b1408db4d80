#include "ui/Prompt.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QUrl>

namespace ui {

namespace {

QString boxTitle() {
    return QCoreApplication::applicationName();
}

}  // namespace

void QtPrompt::information(QWidget* parent, const QString& text) {
    QMessageBox::information(parent, boxTitle(), text, QMessageBox::Ok);
}

bool QtPrompt::confirm(QWidget* parent, const QString& text) {
    return QMessageBox::question(parent, boxTitle(), text, QMessageBox::Yes | QMessageBox::No) !=
           QMessageBox::No;
}

void QtPrompt::error(QWidget* parent, const QString& text) {
    QMessageBox::critical(parent, boxTitle(), text, QMessageBox::Ok);
}

std::optional<QString> QtPrompt::saveFileName(QWidget* parent, const SaveFileRequest& request) {
    QFileDialog dialog(parent, request.title, QString(), request.filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(request.defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

void QtPrompt::openExternal(const QString& target) {
    openWithDesktop(target);
}

void openWithDesktop(const QString& target) {
    const QUrl url(target);
    if (!url.scheme().isEmpty() && url.scheme().size() > 1) {
        QDesktopServices::openUrl(url);
        return;
    }
    // A one-letter "scheme" would be a drive letter elsewhere; here it is a file name.
    QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(target).absoluteFilePath()));
}

}  // namespace ui
